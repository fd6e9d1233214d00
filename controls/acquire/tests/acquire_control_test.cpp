// The auto-acquire control as a host meets it, without a scanner: registered
// by plat-regsvr, created by ProgID, its properties validated and persisted,
// its safety answers, its face, and acquisition runs from photo-disc packs
// that ImageMagick wrote (ownership of every page, the run's failures made
// from outside, and a host that destroys the control from an event).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "acquire_host.h"
#include "plat/dialog.h"
#include "plat/oleaut/com.h"
#include "plat/oleaut/property_bag.h"
#include "plat/packed_dib.h"
#include "plat/sys_colors.h"
#include "test_site.h"

namespace mirrask::test {
namespace {

using namespace plat;
namespace fs = std::filesystem;

constexpr SCODE kInvalidPropertyValue = static_cast<SCODE>(0x800A017C);
constexpr SCODE kGetNotSupported = static_cast<SCODE>(0x800A018A);

uint32_t Rgb(COLORREF colour) { return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF); }

TEST_F(AcquireTest, RegisteredByRegsvrCreatedByProgIdAndUnregistered) {
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID("Mirrask.ImgAcquire.1", &clsid), S_OK);
  EXPECT_EQ(clsid, kImageAcquireClsid);
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  const InterfaceInfo* info = host.dispatch()->GetTypeInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->name, "_DImageAcquire");
  EXPECT_EQ(info->iid, kDImageAcquireIid);
  DISPID id = 0;
  EXPECT_EQ(host.dispatch()->GetIDsOfNames("acquireimages", &id), S_OK);
  EXPECT_EQ(id, kDispAcquireImages);
  EXPECT_EQ(host.dispatch()->GetIDsOfNames("AboutBox", &id), S_OK);
  EXPECT_EQ(id, DISPID_ABOUTBOX);
  ComPtr<IProvideClassInfo> class_info = ComPtr<IDispatch>(host.dispatch()).As<IProvideClassInfo>();
  const CoClassInfo* coclass = nullptr;
  ASSERT_EQ(class_info->GetClassInfo(&coclass), S_OK);
  EXPECT_EQ(coclass->name, "ImageAcquire");
  EXPECT_EQ(coclass->events->iid, kDImageAcquireEventsIid);
  EXPECT_EQ(host.object()->GetControlSize().cx, 28);
  EXPECT_EQ(host.object()->GetControlSize().cy, 28);
  host.Release();

  ASSERT_EQ(RunRegsvr(MirraskModulePath(), true), 0);
  EXPECT_NE(CLSIDFromProgID("Mirrask.ImgAcquire.1", &clsid), S_OK);
  EXPECT_EQ(RunRegsvr(root() + "/no/libSuch.so"), 3);
}

TEST_F(AcquireTest, ValidatedPropertiesRefuseOutOfSetValuesAndKeepTheOldOne) {
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  // Enumerations and longs travel as I4, shorts as I2, floats as R4.
  const std::vector<plat::test::PutCase> cases = {
      {"MediaFormat 105", kDispMediaFormat, Variant(int32_t{105}), false},
      {"MediaFormat 106", kDispMediaFormat, Variant(int32_t{106}), true},
      {"MediaFormat 100", kDispMediaFormat, Variant(int32_t{100}), false},
      {"MediaFormat 65637 (101 in 16 bits)", kDispMediaFormat, Variant(int32_t{65637}), false},
      {"Compression 2", kDispCompression, Variant(int32_t{2}), false},
      {"Compression 101", kDispCompression, Variant(int32_t{101}), true},
      {"Compression 207", kDispCompression, Variant(int32_t{207}), false},
      {"ColorDepth 2", kDispColorDepth, Variant(int32_t{2}), false},
      {"ColorDepth 9", kDispColorDepth, Variant(int32_t{9}), true},
      {"Quality 0", kDispQuality, Variant(int16_t{0}), false},
      {"Quality 11", kDispQuality, Variant(int16_t{11}), false},
      {"Quality 10", kDispQuality, Variant(int16_t{10}), true},
      {"InterlacedImage 0", kDispInterlacedImage, Variant(int32_t{0}), false},
      {"InterlacedImage 2", kDispInterlacedImage, Variant(int32_t{2}), true},
      {"InputSource 1", kDispInputSource, Variant(int32_t{1}), false},
      {"InputSource 3", kDispInputSource, Variant(int32_t{3}), true},
      {"Rotation 4", kDispRotation, Variant(int32_t{4}), false},
      {"Rotation 3", kDispRotation, Variant(int32_t{3}), true},
      {"SrcRectUnit 0", kDispSrcRectUnit, Variant(int32_t{0}), false},
      {"SrcRectUnit 1", kDispSrcRectUnit, Variant(int32_t{1}), true},
      {"TwainPaperSize 17", kDispTwainPaperSize, Variant(int32_t{17}), false},
      {"TwainPaperSize 16", kDispTwainPaperSize, Variant(int32_t{16}), true},
      {"PcdDataSize 8", kDispPcdDataSize, Variant(int32_t{8}), false},
      {"PcdDataSize 0", kDispPcdDataSize, Variant(int32_t{0}), false},
      {"PcdDataSize 7", kDispPcdDataSize, Variant(int32_t{7}), true},
      {"ImageHeight -1", kDispImageHeight, Variant(int32_t{-1}), false},
      {"ImageWidth -1", kDispImageWidth, Variant(int32_t{-1}), false},
      {"ImageWidth 200", kDispImageWidth, Variant(int32_t{200}), true},
      {"InitialNumber -1", kDispInitialNumber, Variant(int32_t{-1}), false},
      {"InitialNumber 2147483647", kDispInitialNumber, Variant(int32_t{2147483647}), true},
      {"AcquireCount -1", kDispAcquireCount, Variant(int32_t{-1}), false},
      {"AcquireStartNo -1", kDispAcquireStartNo, Variant(int32_t{-1}), false},
      {"SrcLeft -0.5", kDispSrcLeft, Variant(-0.5f), false},
      {"SrcLeft 0.5", kDispSrcLeft, Variant(0.5f), true},
      {"SrcTop -0.5", kDispSrcTop, Variant(-0.5f), false},
      {"SrcWidth -0.5", kDispSrcWidth, Variant(-0.5f), false},
      {"SrcHeight -0.5", kDispSrcHeight, Variant(-0.5f), false},
      {"TwainResolution -1", kDispTwainResolution, Variant(int16_t{-1}), false},
      {"TwainResolution 32767", kDispTwainResolution, Variant(int16_t{32767}), true},
      {"XResolution -1", kDispXResolution, Variant(int16_t{-1}), false},
      {"YResolution -1", kDispYResolution, Variant(int16_t{-1}), false},
      {"YResolution 300", kDispYResolution, Variant(int16_t{300}), true},
  };
  plat::test::ExpectPutsAcceptedOrRefused(host, cases, kInvalidPropertyValue);
  // A short property given more than 16 bits fails in the coercion and
  // leaves the old value too.
  const Variant quality = host.Get(kDispQuality);
  EXPECT_EQ(host.Put(kDispQuality, Variant(int32_t{65537})), DISP_E_OVERFLOW);
  EXPECT_EQ(host.Get(kDispQuality), quality);
  // A put of a read-only property is refused.
  EXPECT_EQ(host.Put(kDispAcquiredCount, Variant(int32_t{3})), DISP_E_EXCEPTION);
}

// Every persisted property with a value other than its default, as a host
// puts it.
std::vector<plat::test::PersistedValue> NonDefaultValues() {
  return {
      {kDispMediaFormat, "MediaFormat", Variant(int32_t{102})},
      {kDispCompression, "Compression", Variant(int32_t{206})},
      {kDispColorDepth, "ColorDepth", Variant(int32_t{1})},
      {kDispQuality, "Quality", Variant(int16_t{7})},
      {kDispInterlacedImage, "InterlacedImage", Variant(int32_t{2})},
      {kDispImageWidth, "ImageWidth", Variant(int32_t{640})},
      {kDispImageHeight, "ImageHeight", Variant(int32_t{480})},
      {kDispAutoSave, "AutoSave", Variant::Bool(false)},
      {kDispSaveDataPath, "SaveDataPath", Variant("/srv/scans/今日")},
      {kDispFileNameFormat, "FileNameFormat", Variant("ScanImage<number:4>.<ext>")},
      {kDispInitialNumber, "InitialNumber", Variant(int32_t{9998})},
      {kDispAspectRatio, "AspectRatio", Variant::Bool(false)},
      {kDispFillingColor, "FillingColor", Variant(int32_t{0x0000FF})},
      {kDispRotation, "Rotation", Variant(int32_t{3})},
      {kDispInputSource, "InputSource", Variant(int32_t{3})},
      {kDispShowUI, "ShowUI", Variant::Bool(true)},
      {kDispAcquireStartNo, "AcquireStartNo", Variant(int32_t{3})},
      {kDispAcquireCount, "AcquireCount", Variant(int32_t{4})},
      {kDispSrcRectUnit, "SrcRectUnit", Variant(int32_t{1})},
      {kDispSrcLeft, "SrcLeft", Variant(1.5f)},
      {kDispSrcTop, "SrcTop", Variant(2.25f)},
      {kDispSrcWidth, "SrcWidth", Variant(100.0f)},
      {kDispSrcHeight, "SrcHeight", Variant(200.5f)},
      {kDispPcdPath, "PcdPath", Variant("/media/cdrom")},
      {kDispPcdDataSize, "PcdDataSize", Variant(int32_t{6})},
      {kDispTwainAutoFeeder, "TwainAutoFeeder", Variant::Bool(true)},
      {kDispTwainPaperSize, "TwainPaperSize", Variant(int32_t{9})},
      {kDispTwainResolution, "TwainResolution", Variant(int16_t{300})},
      {kDispTwainSourceName, "TwainSourceName", Variant("test:1")},
      {kDispMultiPage, "MultiPage", Variant::Bool(true)},
      {kDispXResolution, "XResolution", Variant(int16_t{200})},
      {kDispYResolution, "YResolution", Variant(int16_t{150})},
  };
}

TEST_F(AcquireTest, PersistenceRestoresAllPropertiesAndAnEmptyBagGivesTheDefaults) {
  const std::vector<plat::test::PersistedValue> values = NonDefaultValues();
  ASSERT_EQ(values.size(), 32u);
  AcquireHost first;
  AcquireHost second;
  ASSERT_TRUE(first.Create());
  ASSERT_TRUE(second.Create());
  // Stored in this order, each under its property name.
  plat::test::SavedControl saved;
  ASSERT_NO_FATAL_FAILURE(plat::test::ExpectSavedAndLoaded(first, second, values, 0x00020000, {}, saved));
  plat::test::ExpectEmptyBagGivesDefaults(second, values, saved.defaults);
}

TEST_F(AcquireTest, AcquiredCountCannotBeReadInDesignMode) {
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  EXPECT_EQ(host.Get(kDispAcquiredCount), Variant(int32_t{0}));
  ComPtr<plat::test::TestSite> site = MakeCom<plat::test::TestSite>();
  site->ambients[DISPID_AMBIENT_USERMODE] = Variant::Bool(false);
  ComPtr<IEmbeddedControl> embedded = ComPtr<IDispatch>(host.dispatch()).As<IEmbeddedControl>();
  ASSERT_EQ(embedded->SetSite(site.get()), S_OK);
  host.Get(kDispAcquiredCount);
  EXPECT_EQ(host.last_hr(), DISP_E_EXCEPTION);
  EXPECT_EQ(host.last_scode(), kGetNotSupported);
  site->ambients[DISPID_AMBIENT_USERMODE] = Variant::Bool(true);
  EXPECT_EQ(host.Get(kDispAcquiredCount), Variant(int32_t{0}));
  embedded->SetSite(nullptr);
}

TEST_F(AcquireTest, ObjectSafetyAnswersAsOneTruthTable) {
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  ComPtr<IObjectSafety> safety = ComPtr<IDispatch>(host.dispatch()).As<IObjectSafety>();
  ASSERT_TRUE(safety);
  DWORD supported = 0;
  DWORD enabled = 0;
  for (const IID& iid : {IID_IDispatch, IConnectionPointContainer::kIid,
                         IPersistPropertyBag::kIid}) {
    ASSERT_EQ(safety->GetInterfaceSafetyOptions(iid, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, 3u);
    EXPECT_EQ(enabled, 3u);
  }
  const IID unknown{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(unknown, &supported, &enabled), E_NOINTERFACE);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(unknown, 1, 1), E_NOINTERFACE);
  // Set: succeeds exactly when the mask lies within bits 1|2 and every mask
  // bit is also set in the options.
  for (DWORD mask = 0; mask < 8; ++mask) {
    for (DWORD options = 0; options < 8; ++options) {
      const bool expected = (mask & ~3u) == 0 && (mask & ~options) == 0;
      EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, mask, options), expected ? S_OK : E_FAIL)
          << "mask " << mask << " options " << options;
    }
  }
}

TEST_F(AcquireTest, FaceIsAButtonWithARaisedEdgeAndTheStripImageCentred) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 200, 120), nullptr, 0));
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  const SIZE size = host.object()->GetControlSize();
  ASSERT_TRUE(host.object()->CreateControlWindow(parent.m_hWnd, CRect(10, 10, 10 + size.cx, 10 + size.cy)));
  plat::test::Pump();
  const plat::test::Image shot = plat::test::Snapshot(host.object()->m_hWnd);
  ASSERT_EQ(shot.width_px, 28);
  ASSERT_EQ(shot.height_px, 28);
  const uint32_t face = Rgb(GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(shot.At(0, 0) & 0xFFFFFF, Rgb(GetSysColor(COLOR_3DLIGHT)));
  EXPECT_EQ(shot.At(1, 1) & 0xFFFFFF, Rgb(GetSysColor(COLOR_3DHIGHLIGHT)));
  EXPECT_EQ(shot.At(27, 27) & 0xFFFFFF, Rgb(GetSysColor(COLOR_3DDKSHADOW)));
  EXPECT_EQ(shot.At(26, 26) & 0xFFFFFF, Rgb(GetSysColor(COLOR_3DSHADOW)));
  EXPECT_EQ(shot.At(3, 3) & 0xFFFFFF, face);
  // The strip's image sits at (6, 6): its light grey is transparent, its
  // sheet is blue at the centre, its body black and grey below.
  EXPECT_EQ(shot.At(6, 6) & 0xFFFFFF, face);
  EXPECT_EQ(shot.At(14, 14) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(shot.At(9, 7) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(shot.At(6, 15) & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(shot.At(17, 17) & 0xFFFFFF, 0x00FF00u);
  host.object()->DestroyWindow();
  host.Release();
  parent.DestroyWindow();
}

TEST_F(AcquireTest, AboutBoxIsAModalDialogWithTheVersion) {
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  std::string title;
  std::string version;
  bool has_icon = false;
  plat::test::SetModalResponder([&](plat::test::ModalContext& modal) {
    title = modal.Title();
    char text[128] = {};
    GetDlgItemText(modal.modal(), 101, text, sizeof text);
    version = text;
    has_icon = SendDlgItemMessage(modal.modal(), 100, STM_GETICON, 0, 0) != 0;
    modal.Press(IDOK);
  });
  Variant result;
  EXCEPINFO excep;
  EXPECT_EQ(host.dispatch()->Invoke(DISPID_ABOUTBOX, InvokeKind::kMethod, {}, &result, &excep, nullptr), S_OK);
  plat::test::SetModalResponder(nullptr);
  EXPECT_EQ(title, "Mirrask ImageAcquire のバージョン情報");
  EXPECT_NE(version.find("Version 2.0.0.1"), std::string::npos) << version;
  EXPECT_TRUE(has_icon);
}

TEST_F(AcquireTest, GettersOutsideAnEventFailWithSequenceErrorAndAcquireChecksItsFolder) {
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  EXPECT_EQ(host.GetDIB(), 0u);
  EXPECT_EQ(host.GetErrorCode(), qrvErrSequenceError);
  int32_t handle = 7;
  int32_t size = 7;
  EXPECT_FALSE(host.GetMemHandle(&handle, &size));
  EXPECT_EQ(handle, 7);
  EXPECT_EQ(host.GetErrorCode(), qrvErrSequenceError);
  host.Cancel();  // does nothing while idle and keeps the error
  EXPECT_EQ(host.GetErrorCode(), qrvErrSequenceError);

  // Save folders that cannot take a file: missing, and below a regular file.
  plat::test::WriteFileBytes(SaveFolder() + "/file.txt", "text");
  for (const std::string& folder : {SaveFolder() + "/file.txt/sub", SaveFolder() + "/missing"}) {
    SCOPED_TRACE(folder);
    host.PutString(kDispSaveDataPath, folder);
    EXPECT_FALSE(host.AcquireImages());
    EXPECT_EQ(host.GetErrorCode(), qrvErrPathNotFound);
  }
  EXPECT_EQ(SavedFiles(), std::vector<std::string>{"file.txt"});
  EXPECT_TRUE(host.fired.empty());

  // Formats that do not fit their compression or depth.
  host.PutString(kDispSaveDataPath, SaveFolder());
  struct Refused {
    int32_t format, compression, depth;
  };
  for (const Refused& r : {Refused{102, 203, 8}, Refused{103, 1, 1}, Refused{103, 1, 4}, Refused{103, 1, 8},
                           Refused{104, 1, 4}, Refused{101, 202, 0}, Refused{101, 101, 12}}) {
    SCOPED_TRACE(testing::Message() << r.format << "/" << r.compression << "/" << r.depth);
    host.PutLong(kDispMediaFormat, r.format);
    host.PutLong(kDispCompression, r.compression);
    host.PutLong(kDispColorDepth, r.depth);
    EXPECT_FALSE(host.AcquireImages());
    EXPECT_EQ(host.GetErrorCode(), qrvErrInvalidSaveFormat);
  }
  EXPECT_EQ(SavedFiles(), std::vector<std::string>{"file.txt"});
}

// ---- Runs from photo-disc packs ------------------------------------------------------

class PhotoDiscRun : public AcquireTest {
 protected:
  static void SetUpTestSuite() {
    pack_ = MakePhotoDiscPack("pcd-fixtures");
    ASSERT_FALSE(pack_.empty());
  }
  // A disc of `count` packs; the host reads it at the smallest size.
  void UseDisc(AcquireHost& host, int count) {
    const std::string disc = WorkPath("disc");
    FillDisc(pack_, disc, count);
    host.PutLong(kDispInputSource, qrvSrcPhotoCD);
    host.PutString(kDispPcdPath, disc);
    host.PutLong(kDispPcdDataSize, qrvPcdResBaseOver64);
    host.PutString(kDispSaveDataPath, SaveFolder());
    host.PutString(kDispFileNameFormat, "page<number:2>.<ext>");
  }
  static std::string pack_;
};
std::string PhotoDiscRun::pack_;

TEST_F(PhotoDiscRun, RangesAreClampedToTheDiscAndAStartPastItIsRefused) {
  struct Case {
    const char* name;
    int32_t start, count;
    bool result;
    int16_t error;
    std::vector<std::string> files;
  };
  const std::vector<Case> cases = {
      {"3 and 4", 3, 2, true, 0, {"page01.bmp", "page02.bmp"}},
      {"3 to the last", 3, 0, true, 0, {"page01.bmp", "page02.bmp", "page03.bmp"}},
      {"3..7 clamped to 5", 3, 5, true, 0, {"page01.bmp", "page02.bmp", "page03.bmp"}},
      {"start past the last", 6, 1, false, qrvErrInvalidIndex, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(SaveFolder());
    fs::create_directories(SaveFolder());
    AcquireHost host;
    ASSERT_TRUE(host.Create());
    UseDisc(host, 5);
    host.PutLong(kDispAcquireStartNo, c.start);
    host.PutLong(kDispAcquireCount, c.count);
    EXPECT_EQ(host.AcquireImages(), c.result);
    EXPECT_EQ(host.GetErrorCode(), c.error);
    EXPECT_EQ(SavedFiles(), c.files);
    EXPECT_EQ(host.fired.size(), 2 * c.files.size());
    EXPECT_EQ(host.Get(kDispAcquiredCount), Variant(static_cast<int32_t>(c.files.size())));
  }
}

TEST_F(PhotoDiscRun, GettersInsideTheEventGiveTheHostItsOwnBlocksAndClearTheError) {
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  UseDisc(host, 2);
  std::vector<HGLOBAL> dibs;
  std::vector<HGLOBAL> files;
  std::vector<int32_t> sizes;
  host.on_acquire = [&](const Fired& fired) {
    if (fired.data_no != 1) return;
    // Nothing is converted (BMP keeps the page's depth and size): the page
    // stays the library's, and the host gets blocks of its own.
    dibs.push_back(host.GetDIB());
    int32_t handle = 0;
    int32_t size = 0;
    EXPECT_TRUE(host.GetMemHandle(&handle, &size));
    files.push_back(static_cast<HGLOBAL>(handle));
    sizes.push_back(size);
    // Re-entry is refused with 8010; a getter called next clears the code.
    EXPECT_FALSE(host.AcquireImages());
    EXPECT_EQ(host.GetErrorCode(), qrvErrDeviceBusy);
    dibs.push_back(host.GetDIB());
    EXPECT_EQ(host.GetErrorCode(), 0);
  };
  EXPECT_TRUE(host.AcquireImages());
  EXPECT_EQ(host.GetErrorCode(), 0);
  EXPECT_EQ(host.fired.size(), 4u);
  ASSERT_EQ(dibs.size(), 2u);
  ASSERT_EQ(files.size(), 1u);
  const auto view = ValidatePackedDib(dibs[0]);
  ASSERT_TRUE(view);
  EXPECT_EQ(view->width, 96);
  EXPECT_EQ(view->height, 64);
  EXPECT_EQ(view->bpp, 24);
  EXPECT_EQ(static_cast<size_t>(sizes[0]), GlobalSize(files[0]));
  const char* bytes = static_cast<const char*>(GlobalLock(files[0]));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::string(bytes, 2), "BM");
  GlobalUnlock(files[0]);
  // Each block is the host's to free, exactly once; the fixture then finds
  // no block alive.
  for (HGLOBAL h : dibs) EXPECT_EQ(GlobalFree(h), 0u);
  EXPECT_EQ(GlobalFree(files[0]), 0u);

  // With a save depth set, both getters convert: GetDIB hands the converted
  // page over, GetMemHandle frees it after encoding.
  host.fired.clear();
  host.PutLong(kDispMediaFormat, qrvFilePNG);
  host.PutLong(kDispColorDepth, qrvColorGrayscale);
  host.PutString(kDispFileNameFormat, "grey<number:2>.<ext>");
  std::vector<HGLOBAL> owned;
  host.on_acquire = [&](const Fired&) {
    owned.push_back(host.GetDIB());
    int32_t handle = 0;
    int32_t size = 0;
    EXPECT_TRUE(host.GetMemHandle(&handle, &size));
    owned.push_back(static_cast<HGLOBAL>(handle));
  };
  EXPECT_TRUE(host.AcquireImages());
  ASSERT_EQ(owned.size(), 4u);
  const auto grey = ValidatePackedDib(owned[0]);
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey->bpp, 8);
  const char* png = static_cast<const char*>(GlobalLock(owned[1]));
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(std::string(png + 1, 3), "PNG");
  GlobalUnlock(owned[1]);
  for (HGLOBAL h : owned) EXPECT_EQ(GlobalFree(h), 0u);
}

TEST_F(PhotoDiscRun, WithoutAutoSaveEachPageIsAnnouncedAndCountedButNotWritten) {
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  UseDisc(host, 2);
  host.PutBool(kDispAutoSave, false);
  host.PutString(kDispSaveDataPath, WorkPath("missing"));  // not tested without AutoSave
  bool has_owner = false;
  host.on_acquire = [&](const Fired&) { has_owner = FindWindow(nullptr, "QRVBDummyWnd") != nullptr; };
  EXPECT_TRUE(host.AcquireImages());
  EXPECT_EQ(host.fired, (std::vector<Fired>{Acquired(1), Acquired(2)}));
  EXPECT_EQ(host.Get(kDispAcquiredCount), Variant(int32_t{2}));
  EXPECT_TRUE(has_owner) << "without a window of its own the control owns dialogs by its hidden window";
  EXPECT_TRUE(SavedFiles().empty());
}

TEST_F(PhotoDiscRun, SaveFoldersUseTheForwardSlashOnly) {
  // A folder given with its "/" keeps it; a backslash is an ordinary
  // character of a folder name and gets a "/" after it.
  const std::string odd = SaveFolder() + "/back\\";
  fs::create_directories(odd);
  struct Case {
    std::string path;
    std::string expected;
  };
  const Case cases[] = {{SaveFolder() + "/", SaveFolder() + "/page01.bmp"}, {odd, odd + "/page01.bmp"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    AcquireHost host;
    ASSERT_TRUE(host.Create());
    UseDisc(host, 1);
    host.PutString(kDispSaveDataPath, c.path);
    EXPECT_TRUE(host.AcquireImages());
    EXPECT_EQ(host.fired, (std::vector<Fired>{Acquired(1), Saved(1, c.expected)}));
    EXPECT_TRUE(fs::is_regular_file(c.expected));
  }
  EXPECT_EQ(plat::test::ListFolder(odd), std::vector<std::string>{"page01.bmp"});
}

TEST_F(PhotoDiscRun, AFolderDeletedDuringTheRunEndsItWithFileIoErrorAndKeepsPageOne) {
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  UseDisc(host, 3);
  host.on_acquire = [&](const Fired& fired) {
    if (fired.data_no == 2) fs::rename(SaveFolder(), WorkPath("moved"));
  };
  EXPECT_FALSE(host.AcquireImages());
  EXPECT_EQ(host.GetErrorCode(), qrvErrFileIOError);
  const std::vector<Fired> expected = {Acquired(1), Saved(1, SaveFolder() + "/page01.bmp"), Acquired(2),
                                       Saved(2, "", false)};
  EXPECT_EQ(host.fired, expected);
  EXPECT_EQ(plat::test::ListFolder(WorkPath("moved")), std::vector<std::string>{"page01.bmp"});
  EXPECT_EQ(std::system(("convert-im6.q16 '" + WorkPath("moved/page01.bmp") + "' null: 2>/dev/null").c_str()), 0);
  fs::create_directories(SaveFolder());
}

TEST_F(PhotoDiscRun, AHostThatDestroysTheControlFromAnEventGetsItDestroyedAfterTheMethod) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 200, 120), nullptr, 0));
  const long live_before = COleControl::LiveCount();
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  ASSERT_TRUE(host.object()->CreateControlWindow(parent.m_hWnd, CRect(0, 0, 28, 28)));
  UseDisc(host, 3);
  host.on_save = [&](const Fired& fired) {
    if (fired.data_no != 1) return;
    // Closes the control's window and lets go of the control, as a host
    // does after a message box; the run goes on inside the method.
    host.object()->DestroyWindow();
    host.Release();
    EXPECT_EQ(COleControl::LiveCount(), live_before + 1) << "alive until the method returns";
  };
  EXPECT_TRUE(host.AcquireImages());
  EXPECT_EQ(COleControl::LiveCount(), live_before);
  EXPECT_EQ(FindWindow(nullptr, "QRVBDummyWnd"), nullptr) << "the hidden owner went with the control";
  const std::vector<Fired> expected = {Acquired(1), Saved(1, SaveFolder() + "/page01.bmp")};
  EXPECT_EQ(host.fired, expected);
  EXPECT_EQ(SavedFiles(), (std::vector<std::string>{"page01.bmp", "page02.bmp", "page03.bmp"}));
  parent.DestroyWindow();
}

}  // namespace
}  // namespace mirrask::test
