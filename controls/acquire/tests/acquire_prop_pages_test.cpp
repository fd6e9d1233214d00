// The auto-acquire control's property pages on a live control, headless:
// each page made through the registered module, loaded from the control,
// changed as a user would (list choices by key, ticks and spin arrows by
// mouse, typed text), applied, and the control's properties read back by
// DISPID while a property-notify sink records which ones were written. The
// property frame opened by the Properties verb is driven by the modal
// responder; registration is checked against the registry hive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquire_host.h"
#include "plat/ctl/property_page.h"
#include "plat/oleaut/com.h"
#include "plat/oleaut/property_bag.h"
#include "plat/shell.h"
#include "plat/testing.h"
#include "plat/testing/property_pages.h"
#include "prop_page_ids.h"

namespace mirrask::test {
namespace {

using namespace plat;
using plat::test::ChangeField;
using plat::test::FieldAction;
using plat::test::FieldShows;
using plat::test::JournalEntry;
using plat::test::ModalContext;
using plat::test::PageHost;
using plat::test::VariantText;

constexpr UINT kVkF4 = 0x73;

// Every property a page could write.
constexpr DISPID kWritableProperties[] = {
    kDispAspectRatio,   kDispFillingColor, kDispSaveDataPath,      kDispShowUI,         kDispTwainAutoFeeder,
    kDispTwainSourceName, kDispPcdPath,    kDispFileNameFormat,    kDispAutoSave,       kDispColorDepth,
    kDispCompression,   kDispImageHeight,  kDispImageWidth,        kDispInputSource,    kDispMediaFormat,
    kDispQuality,       kDispRotation,     kDispInterlacedImage,   kDispPcdDataSize,    kDispSrcRectUnit,
    kDispSrcLeft,       kDispSrcTop,       kDispSrcWidth,          kDispSrcHeight,      kDispTwainPaperSize,
    kDispInitialNumber, kDispAcquireCount, kDispAcquireStartNo,    kDispTwainResolution, kDispMultiPage,
    kDispXResolution,   kDispYResolution,
};

using Values = plat::test::PropertyValues;

class PropPagesTest : public plat::test::PropertyPagesTest<AcquireTest, AcquireHost> {
 protected:
  PropPagesTest() : PropertyPagesTest(kWritableProperties) {}
};

// ---- Load, change, apply: one row per field -----------------------------------------------------

std::vector<plat::test::PageFieldCase> FieldCases() {
  const CLSID general = kGeneralPageClsid;
  const CLSID scanner = kScannerPageClsid;
  const CLSID photo_cd = kPhotoCdPageClsid;
  const CLSID save = kSaveFormatPageClsid;
  return {
      {"ShowUI", general, kDispShowUI, {}, kIdShowUi, "clear", FieldAction::kClick, "", 0, 0, "TRUE"},
      {"InputSource", general, kDispInputSource, Variant(int32_t{3}), kIdInputSource, "Photo CD", FieldAction::kChoose,
       "TWAIN機器", 0, 0, "2"},
      {"FileNameFormat", general, kDispFileNameFormat, Variant("scan<number:4>"), kIdFileNameFormat,
       "scan<number:4>", FieldAction::kType, "doc<year><month>", 0, 0, "doc<year><month>"},
      {"SaveDataPath", general, kDispSaveDataPath, {}, kIdSaveDataPath, "", FieldAction::kType, "/srv/scans", 0, 0,
       "/srv/scans"},
      {"AutoSave", general, kDispAutoSave, {}, kIdAutoSave, "ticked", FieldAction::kClick, "", 0, 0, "FALSE"},
      {"TwainAutoFeeder", scanner, kDispTwainAutoFeeder, {}, kIdAutoFeeder, "clear", FieldAction::kClick, "", 0, 0, "TRUE"},
      {"Letter to Legal", scanner, kDispTwainPaperSize, Variant(int32_t{13}), kIdPaperSize, "Letter", FieldAction::kChoose,
       "Legal", 0, 0, "14"},
      {"Legal to postcard", scanner, kDispTwainPaperSize, Variant(int32_t{14}), kIdPaperSize, "Legal",
       FieldAction::kChoose, "ﾊｶﾞｷ (横)", 0, 0, "16"},
      {"SrcRectUnit", scanner, kDispSrcRectUnit, {}, kIdSrcRectUnit, "ｾﾝﾁﾒｰﾄﾙ", FieldAction::kChoose, "ｲﾝﾁ", 0, 0, "2"},
      {"SrcLeft typed", scanner, kDispSrcLeft, Variant(1.5f), kIdSrcLeft, "1.5", FieldAction::kType, "2.25", 0, 0, "2.25"},
      {"SrcTop by spin", scanner, kDispSrcTop, {}, kIdSrcTop, "0", FieldAction::kSpinUp, "", 3, kIdSrcTopSpin, "3"},
      {"SrcWidth by spin", scanner, kDispSrcWidth, Variant(100.0f), kIdSrcWidth, "100", FieldAction::kSpinDown, "", 1,
       kIdSrcWidthSpin, "99"},
      {"SrcHeight typed", scanner, kDispSrcHeight, {}, kIdSrcHeight, "0", FieldAction::kType, "297", 0, 0, "297"},
      {"PcdDataSize", photo_cd, kDispPcdDataSize, {}, kIdPcdDataSize, "標準 (512 x 768)", FieldAction::kChoose,
       "64倍 (4096 x 6144)", 0, 0, "7"},
      {"PcdPath", photo_cd, kDispPcdPath, Variant("/media/cd"), kIdPcdPath, "/media/cd", FieldAction::kType, "/mnt/pcd", 0,
       0, "/mnt/pcd"},
      {"Quality typed", save, kDispQuality, {}, kIdQuality, "2", FieldAction::kType, "7", 0, 0, "7"},
      {"Quality by spin", save, kDispQuality, Variant(int16_t{9}), kIdQuality, "9", FieldAction::kSpinUp, "", 3,
       kIdQualitySpin, "10"},
      {"ImageWidth", save, kDispImageWidth, {}, kIdImageWidth, "0", FieldAction::kType, "1654", 0, 0, "1654"},
      {"ImageHeight by spin", save, kDispImageHeight, Variant(int32_t{40}), kIdImageHeight, "40", FieldAction::kSpinUp, "",
       2, kIdImageHeightSpin, "42"},
      {"AspectRatio", save, kDispAspectRatio, {}, kIdAspectRatio, "ticked", FieldAction::kClick, "", 0, 0, "FALSE"},
      {"PNG shown, PCX applied", save, kDispMediaFormat, Variant(int32_t{106}), kIdMediaFormat, "PNG形式",
       FieldAction::kChoose, "PCX形式", 0, 0, "104"},
      {"Compression", save, kDispCompression, Variant(int32_t{202}), kIdCompression, "PackBits圧縮", FieldAction::kChoose,
       "MMR圧縮", 0, 0, "206"},
      {"ColorDepth", save, kDispColorDepth, Variant(int32_t{9}), kIdColorDepth, "256階調ｸﾞﾚｰｽｹｰﾙ", FieldAction::kChoose,
       "1677万色", 0, 0, "12"},
      {"Interlace cleared", save, kDispInterlacedImage, Variant(int32_t{2}), kIdInterlaced, "ticked", FieldAction::kClick,
       "", 0, 0, "1"},
      {"Interlace ticked", save, kDispInterlacedImage, {}, kIdInterlaced, "clear", FieldAction::kClick, "", 0, 0, "2"},
      {"MultiPage", save, kDispMultiPage, {}, kIdMultiPage, "clear", FieldAction::kClick, "", 0, 0, "TRUE"},
  };
}

TEST_F(PropPagesTest, EachFieldLoadsAndAppliesOnlyItsOwnProperty) {
  plat::test::RunPageFieldCases(host_.dispatch(), kWritableProperties, FieldCases(), [&] {
    ASSERT_EQ(ComPtr<IDispatch>(host_.dispatch()).As<IPersistPropertyBag>()->InitNew(), S_OK);
  });
}

// Pages show the string-table captions and open with their own field sizes.
TEST_F(PropPagesTest, PagesCarryTheirCaptionsLimitsAndLists) {
  const plat::test::PageCaptionCase cases[] = {
      {kGeneralPageClsid, "全般", kIdInputSource, 2},
      {kScannerPageClsid, "TWAIN機器", kIdPaperSize, 17},
      {kPhotoCdPageClsid, "Photo CD", kIdPcdDataSize, 7},
      {kSaveFormatPageClsid, "保存形式", kIdCompression, 7},  // LZW is not offered
  };
  plat::test::ExpectPageCaptionsAndLists(host_.dispatch(), cases);
  PageHost save(kSaveFormatPageClsid, {host_.dispatch()});
  HWND formats = save.Field(kIdMediaFormat);
  EXPECT_EQ(SendMessage(formats, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("GIF形式")),
            CB_ERR);
  ChangeField(save.Field(kIdImageWidth), FieldAction::kType, "12345678901", 0);
  EXPECT_EQ(FieldShows(save.Field(kIdImageWidth)), "1234567890");  // at most 10 characters
  PageHost scanner(kScannerPageClsid, {host_.dispatch()});
  ChangeField(scanner.Field(kIdSrcLeft), FieldAction::kType, "12345.678", 0);
  EXPECT_EQ(FieldShows(scanner.Field(kIdSrcLeft)), "12345.6");  // at most 7
  ChangeField(scanner.Field(kIdSrcWidthSpin), FieldAction::kSpinDown, "", 1);
  EXPECT_EQ(FieldShows(scanner.Field(kIdSrcWidth)), "0");  // the spin stops at 0
}

TEST_F(PropPagesTest, QualityOutsideOneToTenIsRefusedAndKeepsTheFocus) {
  ASSERT_EQ(host_.Put(kDispQuality, Variant(int16_t{5})), S_OK);
  plat::test::SetModalResponder([](ModalContext& context) { context.PressDefault(); });
  PageHost page(kSaveFormatPageClsid, {host_.dispatch()});
  ASSERT_TRUE(page.is_open());
  ChangeField(page.Field(kIdQuality), FieldAction::kType, "123", 0);
  EXPECT_EQ(FieldShows(page.Field(kIdQuality)), "12");  // at most 2 characters
  ChangeField(page.Field(kIdAspectRatio), FieldAction::kClick, "", 0);
  plat::test::ClearJournal();
  recorder_.Clear();
  EXPECT_EQ(page.page()->Apply(), E_FAIL);
  EXPECT_TRUE(
      plat::test::IsJournalled(JournalEntry{"message-box", "Error: Please enter an integer between 1 and 10."}));
  EXPECT_EQ(GetFocus(), page.Field(kIdQuality));
  EXPECT_TRUE(recorder_.changed().empty());  // nothing of the page was written
  EXPECT_EQ(page.page()->IsPageDirty(), S_OK);
  EXPECT_EQ(host_.Get(kDispQuality).iVal(), 5);
  // The spin buttons stop at the top of the range.
  ChangeField(page.Field(kIdQualitySpin), FieldAction::kSpinUp, "", 2);
  EXPECT_EQ(FieldShows(page.Field(kIdQuality)), "10");
  EXPECT_EQ(page.page()->Apply(), S_OK);
  EXPECT_EQ(host_.Get(kDispQuality).iVal(), 10);
  EXPECT_EQ(host_.Get(kDispAspectRatio).boolVal(), 0);
}

// A value the control refuses is reported by the control and stays.
TEST_F(PropPagesTest, TheControlsOwnCheckRefusesANegativeSize) {
  plat::test::SetModalResponder([](ModalContext& context) { context.PressDefault(); });
  PageHost page(kSaveFormatPageClsid, {host_.dispatch()});
  ChangeField(page.Field(kIdImageWidth), FieldAction::kType, "-5", 0);
  plat::test::ClearJournal();
  EXPECT_EQ(page.page()->Apply(), E_FAIL);
  EXPECT_TRUE(plat::test::IsJournalled("message-box"));
  EXPECT_EQ(GetFocus(), page.Field(kIdImageWidth));
  EXPECT_EQ(host_.Get(kDispImageWidth).lVal(), 0);
}

// Values outside a list's table (read from a stored control) show no
// selection, and applying the page leaves them as they are.
TEST_F(PropPagesTest, ValuesOutsideTheTablesShowNothingAndStay) {
  ComPtr<PropertyBag> bag = PropertyBag::Create();
  bag->Write("MediaFormat", Variant(int16_t{107}));
  bag->Write("Compression", Variant(int16_t{2}));
  bag->Write("ColorDepth", Variant(int16_t{3}));
  ComPtr<IPersistPropertyBag> persist = ComPtr<IDispatch>(host_.dispatch()).As<IPersistPropertyBag>();
  ASSERT_EQ(persist->Load(bag.get()), S_OK);
  const Values before = Properties();
  ASSERT_EQ(before.at(kDispMediaFormat), "107");
  {
    PageHost page(kSaveFormatPageClsid, {host_.dispatch()});
    EXPECT_EQ(FieldShows(page.Field(kIdMediaFormat)), "");
    EXPECT_EQ(FieldShows(page.Field(kIdCompression)), "");
    EXPECT_EQ(FieldShows(page.Field(kIdColorDepth)), "");
    // The user opens a list and leaves it without choosing; then changes another field.
    HWND formats = page.Field(kIdMediaFormat);
    SetFocus(formats);
    plat::test::Key(kVkF4);
    plat::test::Key(VK_ESCAPE);
    ChangeField(page.Field(kIdQuality), FieldAction::kType, "8", 0);
    recorder_.Clear();
    EXPECT_EQ(page.page()->Apply(), S_OK);
  }
  EXPECT_EQ(recorder_.changed(), std::vector<DISPID>{kDispQuality});
  EXPECT_EQ(ChangedSince(before), (Values{{kDispQuality, "8"}}));
}

// ---- Folder browsing ------------------------------------------------------------------------------

TEST_F(PropPagesTest, BrowseButtonsFillTheirEditWithTheChosenFolder) {
  struct Case {
    CLSID page;
    int button;
    int edit;
    DISPID property;
    const char* title;
  };
  const Case cases[] = {
      {kGeneralPageClsid, kIdBrowseSavePath, kIdSaveDataPath, kDispSaveDataPath,
       "ﾌｧｲﾙを保存するﾌｫﾙﾀﾞを選んでください。"},
      {kPhotoCdPageClsid, kIdBrowsePcdPath, kIdPcdPath, kDispPcdPath, "Photo CDのあるﾌｫﾙﾀﾞを選んでください。"},
  };
  const std::string folder = SaveFolder();
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.title);
    PageHost page(test_case.page, {host_.dispatch()});
    // Cancelled: nothing changes and the page stays clean.
    std::string title;
    plat::test::SetModalResponder([&](ModalContext& context) {
      title = FieldShows(GetDlgItem(context.modal(), kBrowseTitleId));
      context.Cancel();
    });
    ChangeField(page.Field(test_case.button), FieldAction::kClick, "", 0);
    EXPECT_EQ(title, test_case.title);
    EXPECT_EQ(page.page()->IsPageDirty(), S_FALSE);
    // Chosen: the path replaces the edit's text and applies.
    plat::test::SetModalResponder([&](ModalContext& context) { plat::test::ChooseFolder(context, folder); });
    ChangeField(page.Field(test_case.button), FieldAction::kClick, "", 0);
    EXPECT_EQ(FieldShows(page.Field(test_case.edit)), folder);
    recorder_.Clear();
    EXPECT_EQ(page.page()->Apply(), S_OK);
    EXPECT_EQ(recorder_.changed(), std::vector<DISPID>{test_case.property});
    EXPECT_EQ(VariantText(host_.Get(test_case.property)), folder);
  }
}

// ---- The Properties verb ---------------------------------------------------------------------------

TEST_F(PropPagesTest, ThePropertiesVerbShowsThePagesInOrderCancelAndOk) {
  ComPtr<IEmbeddedControl> embedded = ComPtr<IDispatch>(host_.dispatch()).As<IEmbeddedControl>();
  ASSERT_TRUE(embedded);
  std::vector<std::string> titles;
  std::string caption;
  // Cancel after changes on two pages writes nothing.
  plat::test::SetModalResponder([&](ModalContext& context) {
    HWND frame = context.modal();
    caption = context.Title();
    titles = plat::test::FrameTabTitles(frame);
    plat::test::FrameClick(frame, kIdShowUi);
    plat::test::FrameSelectTab(frame, 1);
    plat::test::FramePickItem(frame, kIdMediaFormat, 3);
    context.Cancel();
  });
  const Values before = Properties();
  recorder_.Clear();
  EXPECT_EQ(embedded->DoVerb(OLEIVERB_PROPERTIES, nullptr), S_OK);
  EXPECT_EQ(caption, "Mirrask ImageAcquire Control Properties");
  EXPECT_EQ(titles, (std::vector<std::string>{"全般", "保存形式", "TWAIN機器", "Photo CD", "Color"}));
  EXPECT_TRUE(recorder_.changed().empty());
  EXPECT_TRUE(ChangedSince(before).empty());

  // OK applies every page that changed, the stock colour page included.
  plat::test::SetModalResponder([&](ModalContext& context) {
    HWND frame = context.modal();
    plat::test::FrameClick(frame, kIdShowUi);
    plat::test::FrameSelectTab(frame, 1);
    plat::test::FramePickItem(frame, kIdMediaFormat, 3);
    plat::test::FrameSelectTab(frame, 4);
    plat::test::FrameClick(frame, 200 + 12);  // the blue swatch
    context.Press(IDOK);
  });
  EXPECT_EQ(embedded->DoVerb(OLEIVERB_PROPERTIES, nullptr), S_OK);
  EXPECT_EQ(ChangedSince(before), (Values{{kDispShowUI, "TRUE"},
                                                                  {kDispMediaFormat, "104"},
                                                                  {kDispFillingColor, std::to_string(0xFF0000)}}));
}

// ---- Registration ------------------------------------------------------------------------------------

class PropPageRegistrationTest : public plat::test::PlatformTest {};

TEST_F(PropPageRegistrationTest, RegistrationAddsThePageClassesAndUnregistrationRestoresTheHive) {
  const plat::test::RegisteredPage pages[] = {
      {kGeneralPageClsid, "Mirrask.ImgAcqPropPage1.1", "Mirrask ImageAcquire Property Page"},
      {kScannerPageClsid, "Mirrask.ImgAcqPropPage2", "Mirrask ImageAcquire Property Page"},
      {kPhotoCdPageClsid, "Mirrask.ImgAcqPropPage3", "Mirrask ImageAcquire Property Page"},
      {kSaveFormatPageClsid, "Mirrask.ImgAcqPropPage4", "Mirrask ImageAcquire Property Page"},
  };
  plat::test::ExpectPagesRegisteredAndRemoved(MirraskModulePath(), RegistryDir(), pages);
}

}  // namespace
}  // namespace mirrask::test
