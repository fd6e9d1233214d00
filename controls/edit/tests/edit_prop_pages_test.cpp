// The image edit control's property pages on a live control, headless:
// each page made through the registered module, loaded from the control,
// changed as a user would, applied, and the control's properties read back
// by DISPID while a property-notify sink records which ones were written.
// The property frame opened by the Properties verb is driven by the modal
// responder; registration is checked against the registry hive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "edit_host.h"
#include "plat/oleaut/com.h"
#include "plat/oleaut/property_bag.h"
#include "plat/testing.h"
#include "plat/testing/property_pages.h"
#include "prop_page_ids.h"

namespace ondavel::test {
namespace {

using namespace plat;
using plat::test::ChangeField;
using plat::test::FieldAction;
using plat::test::FieldShows;
using plat::test::JournalEntry;
using plat::test::ModalContext;
using plat::test::PageHost;
using plat::test::VariantText;

// Every property a page could write.
constexpr DISPID kWritableProperties[] = {
    kDispShowUI,         kDispTwainAutoFeeder,     kDispTwainSelectSourceName, kDispPcdPath,
    kDispFillingColor,   kDispAspectRatio,         kDispInputFileName,         kDispAutoColorDecrease,
    kDispHorzPos,        kDispImageSelectPage,     kDispInputSrcHeight,        kDispInputSrcLeft,
    kDispInputSrcTop,    kDispInputSrcUnit,        kDispInputSrcWidth,         kDispInterpolation,
    kDispMorphology,     kDispPcdSelectColorDepth, kDispPcdSelectDataSize,     kDispPcdSelectImageNo,
    kDispSaveCompression, kDispSaveInterlacedImage, kDispSaveMediaFormat,      kDispSaveQuality,
    kDispThreshold,      kDispTwainColorDepth,     kDispTwainPaperSize,        kDispTwainResolution,
    kDispZoom,           kDispVertPos,             kDispInputSource,           kDispColorReduction,
    kDispSaveXResolution, kDispSaveYResolution,
};

using Values = plat::test::PropertyValues;

class EditPropPagesTest : public plat::test::PropertyPagesTest<EditTest, EditHost> {
 protected:
  EditPropPagesTest() : PropertyPagesTest(kWritableProperties) {}
  void LoadStored(const std::vector<std::pair<const char*, Variant>>& stored) {
    ComPtr<PropertyBag> bag = PropertyBag::Create();
    for (const auto& [name, value] : stored) bag->Write(name, value);
    ComPtr<IPersistPropertyBag> persist = ComPtr<IDispatch>(host_.dispatch()).As<IPersistPropertyBag>();
    ASSERT_EQ(persist->Load(bag.get()), S_OK);
  }
};

// ---- Load, change, apply: one row per field -----------------------------------------------------

std::vector<plat::test::PageFieldCase> FieldCases() {
  const CLSID general = kGeneralPageClsid;
  const CLSID size = kSizePageClsid;
  const CLSID colour = kColorPageClsid;
  const CLSID twain = kTwainPageClsid;
  const CLSID pcd = kPcdPageClsid;
  using A = FieldAction;
  return {
      {"ShowUI", general, kDispShowUI, {}, kIdShowUi, "ticked", A::kClick, "", 0, 0, "FALSE"},
      {"InputSource", general, kDispInputSource, {}, kIdInputSource, "ﾌｧｲﾙ", A::kChoose, "Photo CD", 0, 0, "3"},
      {"SaveCompression", general, kDispSaveCompression, {}, kIdSaveCompression, "非圧縮", A::kChoose, "MH圧縮", 0,
       0, "204"},
      {"Interlace cleared", general, kDispSaveInterlacedImage, Variant(int32_t{2}), kIdSaveInterlaced, "ticked",
       A::kClick, "", 0, 0, "1"},
      {"Interlace ticked", general, kDispSaveInterlacedImage, {}, kIdSaveInterlaced, "clear", A::kClick, "", 0, 0,
       "2"},
      {"PNG shown, PCX applied", general, kDispSaveMediaFormat, Variant(int32_t{106}), kIdSaveMediaFormat, "PNG形式",
       A::kChoose, "PCX形式", 0, 0, "104"},
      {"AutoColorDecrease", general, kDispAutoColorDecrease, {}, kIdAutoColorDecrease, "ticked", A::kClick, "", 0, 0,
       "FALSE"},
      {"SaveQuality typed", general, kDispSaveQuality, {}, kIdSaveQuality, "2", A::kType, "9", 0, 0, "9"},
      {"SaveQuality spin stops at 10", general, kDispSaveQuality, {}, kIdSaveQuality, "2", A::kSpinUp, "", 9,
       kIdSaveQualitySpin, "10"},
      {"AspectRatio", size, kDispAspectRatio, {}, kIdAspectRatio, "ticked", A::kClick, "", 0, 0, "FALSE"},
      {"HorzPos", size, kDispHorzPos, {}, kIdHorzPos, "左揃え", A::kChoose, "右揃え", 0, 0, "5"},
      {"VertPos", size, kDispVertPos, {}, kIdVertPos, "上揃え", A::kChoose, "中央揃え", 0, 0, "1"},
      {"Interpolation", size, kDispInterpolation, {}, kIdInterpolation, "補間なし", A::kChoose, "3次たたきこみ補間",
       0, 0, "4"},
      {"Morphology", size, kDispMorphology, {}, kIdMorphology, "補正なし", A::kChoose, "OFFﾋﾟｸｾﾙに対して補正", 0, 0,
       "3"},
      {"ColorReduction", colour, kDispColorReduction, {}, kIdColorReduction, "誤差拡散ﾃﾞｨｻﾞ", A::kChoose, "しきい値",
       0, 0, "4"},
      {"Threshold typed", colour, kDispThreshold, {}, kIdThreshold, "127", A::kType, "200", 0, 0, "200"},
      {"Threshold by spin", colour, kDispThreshold, Variant(int16_t{254}), kIdThreshold, "254", A::kSpinUp, "", 3,
       kIdThresholdSpin, "255"},
      {"TwainAutoFeeder", twain, kDispTwainAutoFeeder, {}, kIdTwainAutoFeeder, "clear", A::kClick, "", 0, 0, "TRUE"},
      {"Letter to Legal", twain, kDispTwainPaperSize, Variant(int32_t{13}), kIdTwainPaperSize, "Letter", A::kChoose,
       "Legal", 0, 0, "14"},
      {"Legal to A4", twain, kDispTwainPaperSize, Variant(int32_t{14}), kIdTwainPaperSize, "Legal", A::kChoose,
       "A4 (横)", 0, 0, "9"},
      {"InputSrcHeight", twain, kDispInputSrcHeight, {}, kIdInputSrcHeight, "0", A::kType, "11.5", 0, 0, "11.5"},
      {"InputSrcLeft by spin", twain, kDispInputSrcLeft, {}, kIdInputSrcLeft, "0", A::kSpinUp, "", 2,
       kIdInputSrcLeftSpin, "2"},
      {"InputSrcTop", twain, kDispInputSrcTop, Variant(3.25f), kIdInputSrcTop, "3.25", A::kType, "4", 0, 0, "4"},
      {"InputSrcWidth", twain, kDispInputSrcWidth, Variant(8.5f), kIdInputSrcWidth, "8.5", A::kType, "21", 0, 0,
       "21"},
      {"InputSrcUnit", twain, kDispInputSrcUnit, {}, kIdInputSrcUnit, "ﾋﾟｸｾﾙ", A::kChoose, "ｾﾝﾁﾒｰﾄﾙ", 0, 0, "3"},
      {"TwainColorDepth", twain, kDispTwainColorDepth, {}, kIdTwainColorDepth, "ﾃﾞﾌｫﾙﾄ", A::kChoose,
       "256階調ｸﾞﾚｰｽｹｰﾙ", 0, 0, "9"},
      {"PcdSelectColorDepth", pcd, kDispPcdSelectColorDepth, {}, kIdPcdSelectColorDepth, "1677万色", A::kChoose,
       "16色", 0, 0, "4"},
      {"PcdSelectDataSize", pcd, kDispPcdSelectDataSize, {}, kIdPcdSelectDataSize, "標準 （512 x 768）", A::kChoose,
       "1/64倍 （64 x 96）", 0, 0, "1"},
  };
}

TEST_F(EditPropPagesTest, EachFieldLoadsAndAppliesOnlyItsOwnProperty) {
  plat::test::RunPageFieldCases(host_.dispatch(), kWritableProperties, FieldCases(), [&] {
    ASSERT_EQ(ComPtr<IDispatch>(host_.dispatch()).As<IPersistPropertyBag>()->InitNew(), S_OK);
  });
}

TEST_F(EditPropPagesTest, PagesCarryTheirCaptionsAndTables) {
  const plat::test::PageCaptionCase cases[] = {
      {kGeneralPageClsid, "全般", kIdSaveMediaFormat, 5},  // no GIF, no Zoltra
      {kSizePageClsid, "ｻｲｽﾞ変更ｵﾌﾟｼｮﾝ", kIdInterpolation, 4},
      {kColorPageClsid, "減色ｵﾌﾟｼｮﾝ", kIdColorReduction, 4},
      {kTwainPageClsid, "TWAIN機器", kIdTwainPaperSize, 17},
      {kPcdPageClsid, "Photo CD", kIdPcdSelectDataSize, 7},
  };
  plat::test::ExpectPageCaptionsAndLists(host_.dispatch(), cases);
  PageHost twain(kTwainPageClsid, {host_.dispatch()});
  ChangeField(twain.Field(kIdInputSrcWidth), FieldAction::kType, "12345.678");
  EXPECT_EQ(FieldShows(twain.Field(kIdInputSrcWidth)), "12345.6");  // at most 7 characters
  ChangeField(twain.Field(kIdInputSrcLeftSpin), FieldAction::kSpinDown, "", 1);
  EXPECT_EQ(FieldShows(twain.Field(kIdInputSrcLeft)), "0");  // the spin stops at 0
}

// The quality and threshold edits refuse numbers outside their ranges with
// the framework's message; the focus stays on the field and nothing is written.
TEST_F(EditPropPagesTest, RangeChecksRefuseAndKeepTheFocus) {
  struct Case {
    CLSID page;
    int field;
    const char* typed;
    const char* shown;
    const char* message;
  };
  const Case cases[] = {
      {kGeneralPageClsid, kIdSaveQuality, "12", "12", "Error: Please enter an integer between 1 and 10."},
      {kGeneralPageClsid, kIdSaveQuality, "0", "0", "Error: Please enter an integer between 1 and 10."},
      {kColorPageClsid, kIdThreshold, "2560", "256", "Error: Please enter an integer between 0 and 255."},
  };
  plat::test::SetModalResponder([](ModalContext& context) { context.PressDefault(); });
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.typed);
    const Values before = Properties();
    PageHost page(test_case.page, {host_.dispatch()});
    ChangeField(page.Field(test_case.field), FieldAction::kType, test_case.typed);
    EXPECT_EQ(FieldShows(page.Field(test_case.field)), test_case.shown);
    plat::test::ClearJournal();
    recorder_.Clear();
    EXPECT_EQ(page.page()->Apply(), E_FAIL);
    EXPECT_TRUE(plat::test::IsJournalled(JournalEntry{"message-box", test_case.message}));
    EXPECT_EQ(GetFocus(), page.Field(test_case.field));
    EXPECT_TRUE(recorder_.changed().empty());
    EXPECT_EQ(page.page()->IsPageDirty(), S_OK);
    EXPECT_TRUE(ChangedSince(before).empty());
  }
}

// A stored control whose format (the maker's own raster format) or
// compression has no row shows nothing in those lists, and applying the page
// leaves both as they are.
TEST_F(EditPropPagesTest, ValuesOutsideTheTablesShowNothingAndStay) {
  LoadStored({{"SaveMediaFormat", Variant(int16_t{107})},
              {"SaveCompression", Variant(int16_t{3})},
              {"SaveInterlacedImage", Variant(int16_t{7})},
              {"HorzPos", Variant(int16_t{2})}});
  const Values before = Properties();
  ASSERT_EQ(before.at(kDispSaveMediaFormat), "107");
  {
    PageHost page(kGeneralPageClsid, {host_.dispatch()});
    EXPECT_EQ(FieldShows(page.Field(kIdSaveMediaFormat)), "");
    EXPECT_EQ(FieldShows(page.Field(kIdSaveCompression)), "");
    EXPECT_EQ(FieldShows(page.Field(kIdSaveInterlaced)), "clear");
    ChangeField(page.Field(kIdSaveQuality), FieldAction::kType, "8");
    recorder_.Clear();
    EXPECT_EQ(page.page()->Apply(), S_OK);
    EXPECT_EQ(recorder_.changed(), std::vector<DISPID>{kDispSaveQuality});
  }
  {
    PageHost page(kSizePageClsid, {host_.dispatch()});
    EXPECT_EQ(FieldShows(page.Field(kIdHorzPos)), "");
    ChangeField(page.Field(kIdVertPos), FieldAction::kChoose, "下揃え");
    recorder_.Clear();
    EXPECT_EQ(page.page()->Apply(), S_OK);
    EXPECT_EQ(recorder_.changed(), std::vector<DISPID>{kDispVertPos});
  }
  EXPECT_EQ(ChangedSince(before), (Values{{kDispSaveQuality, "8"}, {kDispVertPos, "3"}}));
}

// ---- The Properties verb ---------------------------------------------------------------------------

TEST_F(EditPropPagesTest, ThePropertiesVerbShowsThePagesInOrderCancelAndOk) {
  ComPtr<IEmbeddedControl> embedded = ComPtr<IDispatch>(host_.dispatch()).As<IEmbeddedControl>();
  ASSERT_TRUE(embedded);
  std::vector<std::string> titles;
  plat::test::SetModalResponder([&](ModalContext& context) {
    HWND frame = context.modal();
    titles = plat::test::FrameTabTitles(frame);
    plat::test::FrameClick(frame, kIdShowUi);
    plat::test::FrameSelectTab(frame, 2);
    plat::test::FramePickItem(frame, kIdColorReduction, 2);
    context.Cancel();
  });
  const Values before = Properties();
  recorder_.Clear();
  EXPECT_EQ(embedded->DoVerb(OLEIVERB_PROPERTIES, nullptr), S_OK);
  EXPECT_EQ(titles, (std::vector<std::string>{"全般", "ｻｲｽﾞ変更ｵﾌﾟｼｮﾝ", "減色ｵﾌﾟｼｮﾝ", "TWAIN機器", "Photo CD"}));
  EXPECT_TRUE(recorder_.changed().empty());
  EXPECT_TRUE(ChangedSince(before).empty());

  plat::test::SetModalResponder([&](ModalContext& context) {
    HWND frame = context.modal();
    plat::test::FrameClick(frame, kIdShowUi);
    plat::test::FrameSelectTab(frame, 2);
    plat::test::FramePickItem(frame, kIdColorReduction, 2);
    plat::test::FrameSelectTab(frame, 4);
    plat::test::FramePickItem(frame, kIdPcdSelectDataSize, 6);
    context.Press(IDOK);
  });
  EXPECT_EQ(embedded->DoVerb(OLEIVERB_PROPERTIES, nullptr), S_OK);
  EXPECT_EQ(ChangedSince(before),
            (Values{{kDispShowUI, "FALSE"}, {kDispColorReduction, "3"}, {kDispPcdSelectDataSize, "7"}}));
}

// ---- Registration ------------------------------------------------------------------------------------

class EditPropPageRegistrationTest : public plat::test::PlatformTest {};

TEST_F(EditPropPageRegistrationTest, RegistrationAddsThePageClassesAndUnregistrationRestoresTheHive) {
  const plat::test::RegisteredPage pages[] = {
      {kGeneralPageClsid, "Ondavel.ImgEditPropPage.1", "Ondavel ImageEdit Property Page"},
      {kSizePageClsid, "Ondavel.CEditSizePropPage", "ｻｲｽﾞ変更ｵﾌﾟｼｮﾝ"},
      {kColorPageClsid, "Ondavel.CEditColorPropPage", "減色ｵﾌﾟｼｮﾝ"},
      {kTwainPageClsid, "Ondavel.CEditTwainPropPage", "TWAIN機器"},
      {kPcdPageClsid, "Ondavel.CEditPcdPropPage", "Photo CD"},
  };
  plat::test::ExpectPagesRegisteredAndRemoved(OndavelModulePath(), RegistryDir(), pages);
}

}  // namespace
}  // namespace ondavel::test
