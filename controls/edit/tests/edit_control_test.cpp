// The image edit control as a host meets it: registered by plat-regsvr,
// created by ProgID, its type information, its validated properties, the
// design-mode guard, persistence across versions, the property browser's
// predefined strings, and its window: the view over the client area, the
// events it fires, arrow keys and the notifications it takes over from the
// hidden callback window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dib_fixtures.h"
#include "edit_host.h"
#include "plat/oleaut/com.h"
#include "plat/oleaut/property_bag.h"
#include "plat/oleaut/typelib.h"
#include "plat/dialog.h"
#include "plat/user.h"
#include "test_site.h"

namespace ondavel::test {
namespace {

using namespace plat;
using plat::test::ModalContext;
using plat::test::SetModalResponder;

constexpr SCODE kInvalidPropertyValue = static_cast<SCODE>(0x800A017C);
constexpr SCODE kGetNotSupported = static_cast<SCODE>(0x800A018A);

TEST_F(EditTest, RegisteredByRegsvrCreatedByProgIdWithItsTypeInformation) {
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID("Ondavel.ImgEdit.1", &clsid), S_OK);
  EXPECT_EQ(clsid, kImageEditClsid);
  EditHost host;
  ASSERT_TRUE(host.Create());
  const InterfaceInfo* info = host.dispatch()->GetTypeInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->name, "_DImageEdit");
  EXPECT_EQ(info->iid, kDImageEditIid);
  int properties = 0;
  int indexed = 0;
  for (const MemberInfo& member : info->members) {
    if (member.kind == MemberKind::kProperty) ++properties;
    if (member.kind == MemberKind::kIndexedProperty) ++indexed;
  }
  EXPECT_EQ(properties + indexed, 54);
  EXPECT_EQ(indexed, 3);
  DISPID id = 0;
  EXPECT_EQ(host.dispatch()->GetIDsOfNames("inputfilename", &id), S_OK);
  EXPECT_EQ(id, kDispInputFileName);
  EXPECT_EQ(host.dispatch()->GetIDsOfNames("Refresh", &id), S_OK);
  EXPECT_EQ(id, DISPID_REFRESH);

  ComPtr<IProvideClassInfo> class_info = ComPtr<IDispatch>(host.dispatch()).As<IProvideClassInfo>();
  const CoClassInfo* coclass = nullptr;
  ASSERT_EQ(class_info->GetClassInfo(&coclass), S_OK);
  EXPECT_EQ(coclass->name, "ImageEdit");
  ASSERT_NE(coclass->events, nullptr);
  EXPECT_EQ(coclass->events->iid, kDImageEditEventsIid);
  EXPECT_EQ(coclass->events->members.size(), 10u);

  // The library's own values beside the shared ones.
  const TypeLibInfo* lib = nullptr;
  {
    ComPtr<IEmbeddedControl> embedded = ComPtr<IDispatch>(host.dispatch()).As<IEmbeddedControl>();
    lib = &dynamic_cast<COleControl*>(embedded.get())->GetTypeLib();
  }
  EXPECT_EQ(lib->name, "OndavelLib");
  struct Constant {
    const char* name;
    int32_t value;
  };
  for (const Constant& c : {Constant{"qrvFileZoltra", 107}, Constant{"qrvSrcFile", 1}, Constant{"qrvColor32K", 10},
                            Constant{"qrvColor4", 2}, Constant{"qrvUnknown", -1}, Constant{"qrvHorzPosRight", 5},
                            Constant{"qrvCalcDifference", 12}, Constant{"qrvErrFileNotFound", 2110},
                            Constant{"qrvErrPcdLibNotFound", 9912}}) {
    int32_t value = 0;
    EXPECT_TRUE(lib->FindConstant(c.name, &value)) << c.name;
    EXPECT_EQ(value, c.value) << c.name;
  }
  int32_t value = 0;
  EXPECT_FALSE(lib->FindConstant("qrvColorDefault", &value)) << "not a value of this library's colour depths";
  EXPECT_FALSE(lib->FindConstant("qrvAcquireSuccess", &value));
  host.Release();

  ASSERT_EQ(RunRegsvr(OndavelModulePath(), true), 0);
  EXPECT_NE(CLSIDFromProgID("Ondavel.ImgEdit.1", &clsid), S_OK);
}

TEST_F(EditTest, ValidatedPropertiesRefuseOutOfSetValuesAndKeepTheOldOne) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  const std::vector<plat::test::PutCase> cases = {
      {"HorzPos 2", kDispHorzPos, Variant(int32_t{2}), false},
      {"HorzPos 5", kDispHorzPos, Variant(int32_t{5}), true},
      {"VertPos 4", kDispVertPos, Variant(int32_t{4}), false},
      {"VertPos 3", kDispVertPos, Variant(int32_t{3}), true},
      {"SaveMediaFormat 105", kDispSaveMediaFormat, Variant(int32_t{105}), false},
      {"SaveMediaFormat 107", kDispSaveMediaFormat, Variant(int32_t{107}), false},
      {"SaveMediaFormat 106", kDispSaveMediaFormat, Variant(int32_t{106}), true},
      {"Zoom 10001", kDispZoom, Variant(int16_t{10001}), false},
      {"Zoom 0", kDispZoom, Variant(int16_t{0}), false},
      {"Zoom 10000", kDispZoom, Variant(int16_t{10000}), true},
      {"ImageSelectPage 0", kDispImageSelectPage, Variant(int16_t{0}), false},
      {"ImageSelectPage 3", kDispImageSelectPage, Variant(int16_t{3}), true},
      {"InputSrcLeft -0.5", kDispInputSrcLeft, Variant(-0.5f), false},
      {"InputSrcWidth 2.5", kDispInputSrcWidth, Variant(2.5f), true},
      {"InputSrcUnit 4", kDispInputSrcUnit, Variant(int32_t{4}), false},
      {"Interpolation 5", kDispInterpolation, Variant(int32_t{5}), false},
      {"Morphology 3", kDispMorphology, Variant(int32_t{3}), true},
      {"PcdSelectColorDepth 1", kDispPcdSelectColorDepth, Variant(int32_t{1}), false},
      {"PcdSelectColorDepth 9", kDispPcdSelectColorDepth, Variant(int32_t{9}), true},
      {"PcdSelectDataSize 8", kDispPcdSelectDataSize, Variant(int32_t{8}), false},
      {"PcdSelectImageNo 0", kDispPcdSelectImageNo, Variant(int16_t{0}), false},
      {"SaveCompression 102", kDispSaveCompression, Variant(int32_t{102}), false},
      {"SaveCompression 206", kDispSaveCompression, Variant(int32_t{206}), true},
      {"SaveInterlacedImage 3", kDispSaveInterlacedImage, Variant(int32_t{3}), false},
      {"SaveQuality 11", kDispSaveQuality, Variant(int16_t{11}), false},
      {"Threshold 256", kDispThreshold, Variant(int16_t{256}), false},
      {"Threshold 0", kDispThreshold, Variant(int16_t{0}), true},
      {"TwainColorDepth 2", kDispTwainColorDepth, Variant(int32_t{2}), false},
      {"TwainColorDepth 0", kDispTwainColorDepth, Variant(int32_t{0}), true},
      {"TwainPaperSize 17", kDispTwainPaperSize, Variant(int32_t{17}), false},
      {"TwainResolution -1", kDispTwainResolution, Variant(int16_t{-1}), false},
      {"InputSource 0", kDispInputSource, Variant(int32_t{0}), false},
      {"InputSource 3", kDispInputSource, Variant(int32_t{3}), true},
      {"ColorReduction 5", kDispColorReduction, Variant(int32_t{5}), false},
      {"SaveXResolution -1", kDispSaveXResolution, Variant(int16_t{-1}), false},
      {"SaveYResolution 300", kDispSaveYResolution, Variant(int16_t{300}), true},
      {"BorderStyle 2", DISPID_BORDERSTYLE, Variant(int16_t{2}), false},
  };
  plat::test::ExpectPutsAcceptedOrRefused(host, cases, kInvalidPropertyValue);
  // Read-only properties refuse a put.
  EXPECT_EQ(host.Put(kDispImageWidth, Variant(int32_t{3})), DISP_E_EXCEPTION);
  EXPECT_EQ(host.Put(kDispImageSelectedPage, Variant(int16_t{3})), DISP_E_EXCEPTION);
}

TEST_F(EditTest, ImageInformationCannotBeReadInDesignModeAndIsUnknownWithoutAnImage) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  EXPECT_EQ(ReadInfo(host), (LoadedInfo{0, 0, -1, -1, -1, -1, 0, 0, 0}));
  EXPECT_EQ(host.Get(kDispImageTotalPage), Variant(int16_t{0}));
  ComPtr<plat::test::TestSite> site = MakeCom<plat::test::TestSite>();
  site->ambients[DISPID_AMBIENT_USERMODE] = Variant::Bool(false);
  ComPtr<IEmbeddedControl> embedded = ComPtr<IDispatch>(host.dispatch()).As<IEmbeddedControl>();
  ASSERT_EQ(embedded->SetSite(site.get()), S_OK);
  for (DISPID id : {kDispImageWidth, kDispImageHeight, kDispColorDepth, kDispCompression, kDispMediaFormat,
                    kDispInterlacedImage, kDispImageSelectedPage, kDispXResolution, kDispYResolution,
                    kDispImageTotalPage, kDispTwainSourceCount, kDispPcdImageCount, kDispPcdColorDepthCount,
                    kDispPcdDataSizeCount}) {
    SCOPED_TRACE(id);
    host.Get(id);
    EXPECT_EQ(host.last_hr(), DISP_E_EXCEPTION);
    EXPECT_EQ(host.last_scode(), kGetNotSupported);
  }
  // Properties the host sets stay readable; loading from a scanner without
  // a window to receive the page fails with 9000.
  EXPECT_EQ(host.Get(kDispZoom), Variant(int16_t{100}));
  host.PutLong(kDispInputSource, qrvSrcTwain);
  EXPECT_FALSE(host.Load());
  EXPECT_EQ(host.GetErrorCode(), qrvErrOutofMemory);
  host.PutLong(kDispInputSource, qrvSrcPhotoCD);
  EXPECT_FALSE(host.Load());
  EXPECT_EQ(host.GetErrorCode(), qrvErrOutofMemory);
  EXPECT_FALSE(host.SelectTwainSource());
  EXPECT_EQ(host.GetErrorCode(), qrvErrOutofMemory);
  site->ambients[DISPID_AMBIENT_USERMODE] = Variant::Bool(true);
  EXPECT_EQ(host.Get(kDispImageWidth), Variant(int32_t{0}));
  embedded->SetSite(nullptr);
}

// Every persisted property with a value other than its default, in the
// stored order, with the name it is stored under.
std::vector<plat::test::PersistedValue> NonDefaultValues() {
  return {
      {kDispSaveMediaFormat, "SaveMediaFormat", Variant(int32_t{102})},
      {kDispSaveCompression, "SaveCompression", Variant(int32_t{206})},
      {kDispSaveInterlacedImage, "SaveInterlacedImage", Variant(int32_t{2})},
      {kDispSaveQuality, "SaveQuality", Variant(int16_t{9})},
      {kDispHorzPos, "HorzPos", Variant(int32_t{5})},
      {kDispVertPos, "VertPos", Variant(int32_t{3})},
      {kDispAspectRatio, "hAspectRatio", Variant::Bool(false)},
      {kDispInterpolation, "Interpolation", Variant(int32_t{3})},
      {kDispMorphology, "Morphology", Variant(int32_t{2})},
      {kDispColorReduction, "ColorReduction", Variant(int32_t{4})},
      {kDispThreshold, "Threshold", Variant(int16_t{200})},
      {kDispFillingColor, "FillingColor", Variant(int32_t{0x0000FF})},
      {kDispShowUI, "ShowUI", Variant::Bool(false)},
      {kDispImageSelectPage, "ImageSelectPage", Variant(int16_t{3})},
      {kDispInputFileName, "InputFileName", Variant("/srv/画像/a b.tif")},
      {kDispInputSource, "InputSource", Variant(int32_t{2})},
      {kDispInputSrcUnit, "InputSrcUnit", Variant(int32_t{3})},
      {kDispInputSrcLeft, "InputSrcLeft", Variant(1.5f)},
      {kDispInputSrcTop, "InputSrcTop", Variant(2.25f)},
      {kDispInputSrcWidth, "InputSrcWidth", Variant(10.0f)},
      {kDispInputSrcHeight, "InputSrcHeight", Variant(20.5f)},
      {kDispTwainAutoFeeder, "TwainAutoFeeder", Variant::Bool(true)},
      {kDispTwainResolution, "TwainResolution", Variant(int16_t{300})},
      {kDispTwainColorDepth, "TwainColorDepth", Variant(int32_t{9})},
      {kDispTwainSelectSourceName, "TwainSelectSourceName", Variant("test:1")},
      {kDispTwainPaperSize, "TwainPaperSize", Variant(int32_t{4})},
      {kDispPcdSelectColorDepth, "PcdSelectColorDepth", Variant(int32_t{8})},
      {kDispPcdSelectDataSize, "PcdSelectDataSize", Variant(int32_t{1})},
      {kDispPcdPath, "PcdPath", Variant("/media/cdrom")},
      {kDispPcdSelectImageNo, "PcdSelectImageNo", Variant(int16_t{4})},
      {kDispAutoColorDecrease, "AutoColorDecrease", Variant::Bool(false)},
      {kDispZoom, "Zoom", Variant(int16_t{250})},
      {kDispSaveXResolution, "SaveXResolution", Variant(int16_t{200})},
      {kDispSaveYResolution, "SaveYResolution", Variant(int16_t{150})},
  };
}

TEST_F(EditTest, PersistenceKeepsEveryPropertyAndVersionOneStreamsLoseTheSaveResolutions) {
  const std::vector<plat::test::PersistedValue> values = NonDefaultValues();
  ASSERT_EQ(values.size(), 34u);
  EditHost first;
  EditHost second;
  ASSERT_TRUE(first.Create());
  ASSERT_TRUE(second.Create());
  // The stock properties are stored too, but are not among the values.
  const char* const stock[] = {"BackColor", "BorderStyle", "Appearance"};
  plat::test::SavedControl saved;
  ASSERT_NO_FATAL_FAILURE(plat::test::ExpectSavedAndLoaded(first, second, values, 0x00020000, stock, saved));
  ComPtr<PropertyBag> bag = saved.bag;
  EXPECT_EQ(bag->Find("AspectRatio"), nullptr) << "stored only as hAspectRatio";

  // The same stream marked 1.1: the save resolutions load as 0; an
  // "AspectRatio" entry is not the property's.
  bag->Write("_Version", Variant(int32_t{0x00010001}));
  bag->Write("AspectRatio", Variant::Bool(true));
  ComPtr<IPersistPropertyBag> loader = ComPtr<IDispatch>(second.dispatch()).As<IPersistPropertyBag>();
  ASSERT_EQ(loader->Load(bag.get()), S_OK);
  EXPECT_EQ(second.Get(kDispSaveXResolution), Variant(int16_t{0}));
  EXPECT_EQ(second.Get(kDispSaveYResolution), Variant(int16_t{0}));
  EXPECT_EQ(second.Get(kDispAspectRatio), Variant::Bool(false));
  EXPECT_EQ(second.Get(kDispZoom), Variant(int16_t{250}));

  plat::test::ExpectEmptyBagGivesDefaults(second, values, saved.defaults);
}

TEST_F(EditTest, PredefinedStringsNameTheConstantsAndGiveShortValues) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  ComPtr<IPerPropertyBrowsing> browsing = ComPtr<IDispatch>(host.dispatch()).As<IPerPropertyBrowsing>();
  ASSERT_TRUE(browsing);
  struct Case {
    DISPID id;
    std::vector<std::string> strings;
  };
  const std::vector<Case> cases = {
      {kDispPcdSelectColorDepth, {"4 - qrvColor16", "8 - qrvColor256", "9 - qrvColorGrayscale", "12 - qrvColorRGB"}},
      {kDispSaveMediaFormat,
       {"101 - qrvFileBMP", "102 - qrvFileTIFF", "103 - qrvFileJPEG", "104 - qrvFilePCX", "106 - qrvFilePNG"}},
      {kDispTwainColorDepth,
       {"0 - qrvColorDefault", "1 - qrvColorBitmap", "4 - qrvColor16", "8 - qrvColor256", "9 - qrvColorGrayscale",
        "12 - qrvColorRGB"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    std::vector<std::string> strings;
    std::vector<DWORD> cookies;
    ASSERT_EQ(browsing->GetPredefinedStrings(c.id, &strings, &cookies), S_OK);
    EXPECT_EQ(strings, c.strings);
    ASSERT_EQ(cookies.size(), strings.size());
    Variant value;
    ASSERT_EQ(browsing->GetPredefinedValue(c.id, cookies.back(), &value), S_OK);
    EXPECT_EQ(value.vt(), VT_I2);
    EXPECT_EQ(value.iVal(), std::stoi(c.strings.back()));
  }
  std::vector<std::string> strings;
  std::vector<DWORD> cookies;
  EXPECT_NE(browsing->GetPredefinedStrings(kDispZoom, &strings, &cookies), S_OK);
}

// ---- The window ----------------------------------------------------------------------------

TEST_F(EditTest, TheViewCoversTheClientAreaAndFollowsItsSize) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  ASSERT_TRUE(host.CreateWindow(CRect(10, 10, 330, 250)));
  HWND control = host.object()->m_hWnd;
  HWND view = GetDlgItem(control, 1);
  ASSERT_NE(view, nullptr);
  char text[32] = {};
  GetWindowText(view, text, sizeof text);
  EXPECT_STREQ(text, "EditView");
  EXPECT_TRUE(IsWindowVisible(view));
  RECT rect;
  GetClientRect(view, &rect);
  EXPECT_EQ(rect.right, 320);
  EXPECT_EQ(rect.bottom, 240);
  MoveWindow(control, 10, 10, 200, 100, TRUE);
  plat::test::Pump();
  GetWindowRect(view, &rect);
  EXPECT_EQ(rect.right - rect.left, 200);
  EXPECT_EQ(rect.bottom - rect.top, 100);
}

TEST_F(EditTest, DragsFireTheOwnEventsInImagePixelsAndEachClearsTheErrorCode) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  ASSERT_TRUE(host.CreateWindow(CRect(0, 0, 200, 150)));
  HGLOBAL dib = MakeDib(Spec(100, 80, 24));
  ASSERT_TRUE(host.SetDIB(dib, true));
  host.PutShort(kDispZoom, 200);
  HWND view = GetDlgItem(host.object()->m_hWnd, 1);
  ASSERT_NE(view, nullptr);
  // An error left by a failed call is cleared by the next own event.
  EXPECT_FALSE(host.LoadFile("http://example.invalid/a.bmp"));
  EXPECT_EQ(host.GetErrorCode(), qrvErrFileNotFound);
  host.fired.clear();
  plat::test::Drag(view, POINT{20, 20}, POINT{60, 40}, 2);
  EXPECT_EQ(host.GetErrorCode(), 0);
  std::vector<Fired> dragged;
  bool has_dragging = false;
  bool has_mouse_down = false;
  bool has_mouse_up = false;
  for (const Fired& f : host.fired) {
    if (f.id == kEventNotifyDraggedRect) dragged.push_back(f);
    if (f.id == kEventNotifyDraggingRect) has_dragging = true;
    if (f.id == DISPID_MOUSEDOWN) has_mouse_down = f.args == std::vector<int32_t>{1, 0, 20, 20};
    if (f.id == DISPID_MOUSEUP) has_mouse_up = f.args == std::vector<int32_t>{1, 0, 60, 40};
  }
  EXPECT_TRUE(has_dragging);
  EXPECT_TRUE(has_mouse_down);
  EXPECT_TRUE(has_mouse_up);
  ASSERT_EQ(dragged.size(), 1u);
  EXPECT_EQ(dragged[0].args, (std::vector<int32_t>{10, 10, 30, 20})) << "zoom 200: view pixels halved";

  // A new image cancels the drag.
  host.fired.clear();
  EXPECT_FALSE(host.LoadFile("http://example.invalid/a.bmp"));
  HGLOBAL second = MakeDib(Spec(8, 8, 8));
  ASSERT_TRUE(host.SetDIB(second, true));
  EXPECT_EQ(host.GetErrorCode(), 0);
  bool has_cancel = false;
  for (const Fired& f : host.fired) has_cancel |= f.id == kEventNotifyCancelDrag;
  EXPECT_TRUE(has_cancel);
}

TEST_F(EditTest, ArrowKeysScrollTheViewOnceAndFireKeyDown) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  ASSERT_TRUE(host.CreateWindow(CRect(0, 0, 100, 80)));
  ASSERT_TRUE(host.SetDIB(MakeDib(Spec(400, 300, 24)), true));
  HWND view = GetDlgItem(host.object()->m_hWnd, 1);
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(GetScrollPos(view, SB_HORZ), 0);
  // As a host's loop does: the message goes through the pre-translation of
  // the windows from the focus up before it is dispatched.
  MSG msg{view, WM_KEYDOWN, VK_RIGHT, 1, 0, {}};
  host.fired.clear();
  EXPECT_TRUE(CWnd::WalkPreTranslateTree(GetParent(host.object()->m_hWnd), &msg));
  const int after_one = GetScrollPos(view, SB_HORZ);
  EXPECT_GT(after_one, 0);
  ASSERT_FALSE(host.fired.empty());
  EXPECT_EQ(host.fired.back(), (Fired{DISPID_KEYDOWN, {VK_RIGHT, 0}}));
  msg.wParam = VK_DOWN;
  EXPECT_TRUE(CWnd::WalkPreTranslateTree(GetParent(host.object()->m_hWnd), &msg));
  EXPECT_GT(GetScrollPos(view, SB_VERT), 0);
  EXPECT_EQ(GetScrollPos(view, SB_HORZ), after_one);
  // Other keys are not taken.
  msg.wParam = 'A';
  EXPECT_FALSE(CWnd::WalkPreTranslateTree(GetParent(host.object()->m_hWnd), &msg));
}

TEST_F(EditTest, AMouseActivationGivesTheControlTheFocusAndTheAboutBoxIsModal) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  ASSERT_TRUE(host.CreateWindow(CRect(0, 0, 120, 90)));
  HWND control = host.object()->m_hWnd;
  SetFocus(host.frame());
  EXPECT_EQ(SendMessage(control, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(host.frame()),
                        MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
            MA_ACTIVATE);
  EXPECT_EQ(GetFocus(), control);

  std::string title;
  std::string version;
  SetModalResponder([&](ModalContext& modal) {
    title = modal.Title();
    char text[128] = {};
    GetDlgItemText(modal.modal(), 101, text, sizeof text);
    version = text;
    modal.Press(IDOK);
  });
  host.Invoke(kDispAboutBox);
  SetModalResponder(nullptr);
  EXPECT_EQ(host.last_hr(), S_OK);
  EXPECT_EQ(title, "Ondavel ImageEdit のバージョン情報");
  EXPECT_NE(version.find("Version 2.0.0.1"), std::string::npos) << version;
  // Refresh repaints without failing, with and without an image.
  host.Invoke(kDispRefresh);
  EXPECT_EQ(host.last_hr(), S_OK);
}

}  // namespace
}  // namespace ondavel::test
