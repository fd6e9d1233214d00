// The auto-acquire control's property pages on a live control, headless:
// each page made through the registered module, loaded from the control,
// changed as a user would (list choices by key, ticks and spin arrows by
// mouse, typed text), applied, and the control's properties read back by
// DISPID while a property-notify sink records which ones were written. The
// property frame opened by the Properties verb is driven by the modal
// responder; registration is checked against the registry hive.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "acquire_host.h"
#include "plat/ctl/property_page.h"
#include "plat/oleaut/com.h"
#include "plat/oleaut/property_bag.h"
#include "plat/registry.h"
#include "plat/shell.h"
#include "plat/tab_control.h"
#include "plat/testing.h"
#include "prop_page_ids.h"

namespace mirrask::test {
namespace {

using namespace plat;
using plat::test::JournalEntry;
using plat::test::ModalContext;

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

// Records the DISPIDs the control reports as written.
class NotifySink : public ComObject<IPropertyNotifySink> {
 public:
  HRESULT OnChanged(DISPID id) override {
    changed.push_back(id);
    return S_OK;
  }
  HRESULT OnRequestEdit(DISPID) override { return S_OK; }
  std::vector<DISPID> changed;
};

// A property's value as the tables write it: TRUE / FALSE, numbers, text.
std::string TextOf(const Variant& value) {
  char text[64] = {};
  switch (value.vt()) {
    case VT_BOOL: return value.boolVal() != 0 ? "TRUE" : "FALSE";
    case VT_I2: return std::to_string(value.iVal());
    case VT_I4: return std::to_string(value.lVal());
    case VT_R4: std::snprintf(text, sizeof(text), "%g", static_cast<double>(value.fltVal())); return text;
    case VT_BSTR: return value.bstrVal();
    default: return "<vt " + std::to_string(value.vt()) + ">";
  }
}

std::string WindowTextOf(HWND hwnd) {
  char text[512] = {};
  GetWindowText(hwnd, text, sizeof(text));
  return text;
}

std::string ClassOf(HWND hwnd) {
  char name[64] = {};
  GetClassName(hwnd, name, sizeof(name));
  return name;
}

// What a field shows: a list its selected item ("" for none), a check box
// "ticked" or "clear", an edit its text.
std::string Shown(HWND field) {
  const std::string kind = ClassOf(field);
  if (kind == kComboBoxClass) {
    const LRESULT index = SendMessage(field, CB_GETCURSEL, 0, 0);
    if (index < 0) return "";
    char text[256] = {};
    SendMessage(field, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
  }
  if (kind == kButtonClass) return SendMessage(field, BM_GETCHECK, 0, 0) == BST_CHECKED ? "ticked" : "clear";
  return WindowTextOf(field);
}

POINT Centre(HWND hwnd) {
  RECT rect{};
  GetClientRect(hwnd, &rect);
  return POINT{rect.right / 2, rect.bottom / 2};
}

// ---- Changes a user makes ------------------------------------------------------------------

enum class Act { kChoose, kClick, kType, kSpinUp, kSpinDown };

// Chooses the item `text` with the keyboard: Home, then Down to it.
void ChooseItem(HWND combo, const std::string& text) {
  const LRESULT index = SendMessage(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(text.c_str()));
  ASSERT_GE(index, 0) << "no item " << text;
  SetFocus(combo);
  plat::test::Key(VK_HOME);
  for (LRESULT i = 0; i < index; ++i) plat::test::Key(VK_DOWN);
}

void TypeInto(HWND edit, const std::string& text) {
  SetFocus(edit);
  SendMessage(edit, EM_SETSEL, 0, -1);
  plat::test::Type(text);
}

// Clicks the up (or down) arrow of a vertical spin button `times` times.
void ClickSpin(HWND spin, bool is_up, int times) {
  RECT rect{};
  GetClientRect(spin, &rect);
  const POINT arrow{rect.right / 2, is_up ? rect.bottom / 4 : rect.bottom * 3 / 4};
  for (int i = 0; i < times; ++i) plat::test::Click(spin, arrow);
}

// A page of the module on its own in a window, editing one control.
class PageHost {
 public:
  PageHost(IDispatch* control, const CLSID& clsid) {
    static const bool registered = [] {
      WNDCLASSEX wc;
      wc.lpfnWndProc = &DefWindowProc;
      wc.lpszClassName = "MirraskPageHost";
      wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
      return RegisterClassEx(&wc) != 0;
    }();
    (void)registered;
    window_ = CreateWindowEx(0, "MirraskPageHost", "Page", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 20, 20, 600, 360,
                             nullptr, nullptr, nullptr, nullptr);
    if (CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IPropertyPage::kIid, page_.put_void()) != S_OK) return;
    IUnknown* objects[] = {control};
    if (page_->SetObjects(objects) != S_OK || page_->GetPageInfo(&info_) != S_OK) return;
    if (page_->Activate(window_, RECT{0, 0, info_.size.cx, info_.size.cy}, TRUE) != S_OK) return;
    page_->Show(SW_SHOW);
    page_window_ = GetWindow(window_, GW_CHILD);
    plat::test::Pump();
  }
  ~PageHost() {
    if (page_) {
      page_->Deactivate();
      page_->SetObjects({});
      page_.reset();
    }
    if (IsWindow(window_)) DestroyWindow(window_);
  }
  PageHost(const PageHost&) = delete;
  PageHost& operator=(const PageHost&) = delete;

  bool is_open() const { return page_window_ != nullptr && ClassOf(page_window_) == kDialogClass; }
  const PROPPAGEINFO& info() const { return info_; }
  IPropertyPage* page() const { return page_.get(); }
  HWND Field(int id) const { return GetDlgItem(page_window_, id); }

  void Change(int field, Act act, const std::string& input, int times) {
    HWND hwnd = Field(field);
    ASSERT_NE(hwnd, nullptr) << "no field " << field;
    switch (act) {
      case Act::kChoose: ChooseItem(hwnd, input); break;
      case Act::kClick: plat::test::Click(hwnd, Centre(hwnd)); break;
      case Act::kType: TypeInto(hwnd, input); break;
      case Act::kSpinUp: ClickSpin(hwnd, true, times); break;
      case Act::kSpinDown: ClickSpin(hwnd, false, times); break;
    }
  }

 private:
  HWND window_ = nullptr;
  HWND page_window_ = nullptr;
  ComPtr<IPropertyPage> page_;
  PROPPAGEINFO info_;
};

class PropPagesTest : public AcquireTest {
 protected:
  void SetUp() override {
    AcquireTest::SetUp();
    ASSERT_TRUE(host_.Create());
    sink_ = MakeCom<NotifySink>();
    ComPtr<IConnectionPointContainer> container = ComPtr<IDispatch>(host_.dispatch()).As<IConnectionPointContainer>();
    ASSERT_TRUE(container);
    ASSERT_EQ(container->FindConnectionPoint(IPropertyNotifySink::kIid, point_.put()), S_OK);
    ASSERT_EQ(point_->Advise(sink_.get(), &cookie_), S_OK);
  }
  void TearDown() override {
    if (point_) point_->Unadvise(cookie_);
    point_.reset();
    sink_.reset();
    host_.Release();
    AcquireTest::TearDown();
  }

  std::map<DISPID, std::string> Properties() {
    std::map<DISPID, std::string> values;
    for (DISPID id : kWritableProperties) values[id] = TextOf(host_.Get(id));
    return values;
  }

  // The properties that changed from `before`, with their new values.
  std::map<DISPID, std::string> ChangedSince(const std::map<DISPID, std::string>& before) {
    std::map<DISPID, std::string> changed;
    for (const auto& [id, value] : Properties()) {
      if (before.at(id) != value) changed[id] = value;
    }
    return changed;
  }

  AcquireHost host_;
  ComPtr<NotifySink> sink_;
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

// ---- Load, change, apply: one row per field -----------------------------------------------------

struct FieldCase {
  const char* name;
  CLSID page;
  DISPID property;
  Variant initial;  // put before the page opens; VT_EMPTY keeps the default
  int field;
  std::string shown;
  Act act;
  std::string input;  // the item chosen or the text typed
  int times;          // spin clicks
  int changed_field;  // the field acted on, when not `field` (a spin button)
  std::string applied;
};

std::vector<FieldCase> FieldCases() {
  const CLSID general = kGeneralPageClsid;
  const CLSID scanner = kScannerPageClsid;
  const CLSID photo_cd = kPhotoCdPageClsid;
  const CLSID save = kSaveFormatPageClsid;
  return {
      {"ShowUI", general, kDispShowUI, {}, kIdShowUi, "clear", Act::kClick, "", 0, 0, "TRUE"},
      {"InputSource", general, kDispInputSource, Variant(int32_t{3}), kIdInputSource, "Photo CD", Act::kChoose,
       "TWAIN機器", 0, 0, "2"},
      {"FileNameFormat", general, kDispFileNameFormat, Variant("scan<number:4>"), kIdFileNameFormat,
       "scan<number:4>", Act::kType, "doc<year><month>", 0, 0, "doc<year><month>"},
      {"SaveDataPath", general, kDispSaveDataPath, {}, kIdSaveDataPath, "", Act::kType, "/srv/scans", 0, 0,
       "/srv/scans"},
      {"AutoSave", general, kDispAutoSave, {}, kIdAutoSave, "ticked", Act::kClick, "", 0, 0, "FALSE"},
      {"TwainAutoFeeder", scanner, kDispTwainAutoFeeder, {}, kIdAutoFeeder, "clear", Act::kClick, "", 0, 0, "TRUE"},
      {"Letter to Legal", scanner, kDispTwainPaperSize, Variant(int32_t{13}), kIdPaperSize, "Letter", Act::kChoose,
       "Legal", 0, 0, "14"},
      {"Legal to postcard", scanner, kDispTwainPaperSize, Variant(int32_t{14}), kIdPaperSize, "Legal",
       Act::kChoose, "ﾊｶﾞｷ (横)", 0, 0, "16"},
      {"SrcRectUnit", scanner, kDispSrcRectUnit, {}, kIdSrcRectUnit, "ｾﾝﾁﾒｰﾄﾙ", Act::kChoose, "ｲﾝﾁ", 0, 0, "2"},
      {"SrcLeft typed", scanner, kDispSrcLeft, Variant(1.5f), kIdSrcLeft, "1.5", Act::kType, "2.25", 0, 0, "2.25"},
      {"SrcTop by spin", scanner, kDispSrcTop, {}, kIdSrcTop, "0", Act::kSpinUp, "", 3, kIdSrcTopSpin, "3"},
      {"SrcWidth by spin", scanner, kDispSrcWidth, Variant(100.0f), kIdSrcWidth, "100", Act::kSpinDown, "", 1,
       kIdSrcWidthSpin, "99"},
      {"SrcHeight typed", scanner, kDispSrcHeight, {}, kIdSrcHeight, "0", Act::kType, "297", 0, 0, "297"},
      {"PcdDataSize", photo_cd, kDispPcdDataSize, {}, kIdPcdDataSize, "標準 (512 x 768)", Act::kChoose,
       "64倍 (4096 x 6144)", 0, 0, "7"},
      {"PcdPath", photo_cd, kDispPcdPath, Variant("/media/cd"), kIdPcdPath, "/media/cd", Act::kType, "/mnt/pcd", 0,
       0, "/mnt/pcd"},
      {"Quality typed", save, kDispQuality, {}, kIdQuality, "2", Act::kType, "7", 0, 0, "7"},
      {"Quality by spin", save, kDispQuality, Variant(int16_t{9}), kIdQuality, "9", Act::kSpinUp, "", 3,
       kIdQualitySpin, "10"},
      {"ImageWidth", save, kDispImageWidth, {}, kIdImageWidth, "0", Act::kType, "1654", 0, 0, "1654"},
      {"ImageHeight by spin", save, kDispImageHeight, Variant(int32_t{40}), kIdImageHeight, "40", Act::kSpinUp, "",
       2, kIdImageHeightSpin, "42"},
      {"AspectRatio", save, kDispAspectRatio, {}, kIdAspectRatio, "ticked", Act::kClick, "", 0, 0, "FALSE"},
      {"PNG shown, PCX applied", save, kDispMediaFormat, Variant(int32_t{106}), kIdMediaFormat, "PNG形式",
       Act::kChoose, "PCX形式", 0, 0, "104"},
      {"Compression", save, kDispCompression, Variant(int32_t{202}), kIdCompression, "PackBits圧縮", Act::kChoose,
       "MMR圧縮", 0, 0, "206"},
      {"ColorDepth", save, kDispColorDepth, Variant(int32_t{9}), kIdColorDepth, "256階調ｸﾞﾚｰｽｹｰﾙ", Act::kChoose,
       "1677万色", 0, 0, "12"},
      {"Interlace cleared", save, kDispInterlacedImage, Variant(int32_t{2}), kIdInterlaced, "ticked", Act::kClick,
       "", 0, 0, "1"},
      {"Interlace ticked", save, kDispInterlacedImage, {}, kIdInterlaced, "clear", Act::kClick, "", 0, 0, "2"},
      {"MultiPage", save, kDispMultiPage, {}, kIdMultiPage, "clear", Act::kClick, "", 0, 0, "TRUE"},
  };
}

TEST_F(PropPagesTest, EachFieldLoadsAndAppliesOnlyItsOwnProperty) {
  for (const FieldCase& test_case : FieldCases()) {
    SCOPED_TRACE(test_case.name);
    if (test_case.initial.vt() != VT_EMPTY) {
      ASSERT_EQ(host_.Put(test_case.property, test_case.initial), S_OK);
    }
    const std::map<DISPID, std::string> before = Properties();
    {
      PageHost page(host_.dispatch(), test_case.page);
      ASSERT_TRUE(page.is_open());
      EXPECT_EQ(Shown(page.Field(test_case.field)), test_case.shown);
      EXPECT_EQ(page.page()->IsPageDirty(), S_FALSE);
      sink_->changed.clear();
      page.Change(test_case.changed_field != 0 ? test_case.changed_field : test_case.field, test_case.act,
                  test_case.input, test_case.times);
      EXPECT_EQ(page.page()->IsPageDirty(), S_OK);
      EXPECT_EQ(page.page()->Apply(), S_OK);
      EXPECT_EQ(page.page()->IsPageDirty(), S_FALSE);
    }
    EXPECT_EQ(sink_->changed, std::vector<DISPID>{test_case.property});
    EXPECT_EQ(ChangedSince(before), (std::map<DISPID, std::string>{{test_case.property, test_case.applied}}));
    // Put the control back for the next row.
    ASSERT_TRUE(SUCCEEDED(ComPtr<IDispatch>(host_.dispatch()).As<IPersistPropertyBag>()->InitNew()));
  }
}

// Pages show the string-table captions and open with their own field sizes.
TEST_F(PropPagesTest, PagesCarryTheirCaptionsLimitsAndLists) {
  struct Case {
    CLSID page;
    const char* caption;
    int list;
    int items;
  };
  const Case cases[] = {
      {kGeneralPageClsid, "全般", kIdInputSource, 2},
      {kScannerPageClsid, "TWAIN機器", kIdPaperSize, 17},
      {kPhotoCdPageClsid, "Photo CD", kIdPcdDataSize, 7},
      {kSaveFormatPageClsid, "保存形式", kIdCompression, 7},  // LZW is not offered
  };
  for (const Case& test_case : cases) {
    PageHost page(host_.dispatch(), test_case.page);
    ASSERT_TRUE(page.is_open());
    EXPECT_EQ(page.info().title, test_case.caption);
    EXPECT_EQ(SendMessage(page.Field(test_case.list), CB_GETCOUNT, 0, 0), test_case.items) << test_case.caption;
  }
  PageHost save(host_.dispatch(), kSaveFormatPageClsid);
  HWND formats = save.Field(kIdMediaFormat);
  EXPECT_EQ(SendMessage(formats, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("GIF形式")),
            CB_ERR);
  save.Change(kIdImageWidth, Act::kType, "12345678901", 0);
  EXPECT_EQ(WindowTextOf(save.Field(kIdImageWidth)), "1234567890");  // at most 10 characters
  PageHost scanner(host_.dispatch(), kScannerPageClsid);
  scanner.Change(kIdSrcLeft, Act::kType, "12345.678", 0);
  EXPECT_EQ(WindowTextOf(scanner.Field(kIdSrcLeft)), "12345.6");  // at most 7
  scanner.Change(kIdSrcWidthSpin, Act::kSpinDown, "", 1);
  EXPECT_EQ(WindowTextOf(scanner.Field(kIdSrcWidth)), "0");  // the spin stops at 0
}

TEST_F(PropPagesTest, QualityOutsideOneToTenIsRefusedAndKeepsTheFocus) {
  ASSERT_EQ(host_.Put(kDispQuality, Variant(int16_t{5})), S_OK);
  plat::test::SetModalResponder([](ModalContext& context) { context.PressDefault(); });
  PageHost page(host_.dispatch(), kSaveFormatPageClsid);
  ASSERT_TRUE(page.is_open());
  page.Change(kIdQuality, Act::kType, "123", 0);
  EXPECT_EQ(WindowTextOf(page.Field(kIdQuality)), "12");  // at most 2 characters
  page.Change(kIdAspectRatio, Act::kClick, "", 0);
  plat::test::ClearJournal();
  sink_->changed.clear();
  EXPECT_EQ(page.page()->Apply(), E_FAIL);
  bool was_told = false;
  for (const JournalEntry& entry : plat::test::GetJournal()) {
    was_told = was_told || entry == JournalEntry{"message-box", "Error: Please enter an integer between 1 and 10."};
  }
  EXPECT_TRUE(was_told);
  EXPECT_EQ(GetFocus(), page.Field(kIdQuality));
  EXPECT_TRUE(sink_->changed.empty());  // nothing of the page was written
  EXPECT_EQ(page.page()->IsPageDirty(), S_OK);
  EXPECT_EQ(host_.Get(kDispQuality).iVal(), 5);
  // The spin buttons stop at the top of the range.
  page.Change(kIdQualitySpin, Act::kSpinUp, "", 2);
  EXPECT_EQ(WindowTextOf(page.Field(kIdQuality)), "10");
  EXPECT_EQ(page.page()->Apply(), S_OK);
  EXPECT_EQ(host_.Get(kDispQuality).iVal(), 10);
  EXPECT_EQ(host_.Get(kDispAspectRatio).boolVal(), 0);
}

// A value the control refuses is reported by the control and stays.
TEST_F(PropPagesTest, TheControlsOwnCheckRefusesANegativeSize) {
  plat::test::SetModalResponder([](ModalContext& context) { context.PressDefault(); });
  PageHost page(host_.dispatch(), kSaveFormatPageClsid);
  page.Change(kIdImageWidth, Act::kType, "-5", 0);
  plat::test::ClearJournal();
  EXPECT_EQ(page.page()->Apply(), E_FAIL);
  bool was_told = false;
  for (const JournalEntry& entry : plat::test::GetJournal()) was_told = was_told || entry.kind == "message-box";
  EXPECT_TRUE(was_told);
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
  const std::map<DISPID, std::string> before = Properties();
  ASSERT_EQ(before.at(kDispMediaFormat), "107");
  {
    PageHost page(host_.dispatch(), kSaveFormatPageClsid);
    EXPECT_EQ(Shown(page.Field(kIdMediaFormat)), "");
    EXPECT_EQ(Shown(page.Field(kIdCompression)), "");
    EXPECT_EQ(Shown(page.Field(kIdColorDepth)), "");
    // The user opens a list and leaves it without choosing; then changes another field.
    HWND formats = page.Field(kIdMediaFormat);
    SetFocus(formats);
    plat::test::Key(kVkF4);
    plat::test::Key(VK_ESCAPE);
    page.Change(kIdQuality, Act::kType, "8", 0);
    sink_->changed.clear();
    EXPECT_EQ(page.page()->Apply(), S_OK);
  }
  EXPECT_EQ(sink_->changed, std::vector<DISPID>{kDispQuality});
  EXPECT_EQ(ChangedSince(before), (std::map<DISPID, std::string>{{kDispQuality, "8"}}));
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
    PageHost page(host_.dispatch(), test_case.page);
    // Cancelled: nothing changes and the page stays clean.
    std::string title;
    plat::test::SetModalResponder([&](ModalContext& context) {
      title = WindowTextOf(GetDlgItem(context.modal(), kBrowseTitleId));
      context.Cancel();
    });
    page.Change(test_case.button, Act::kClick, "", 0);
    EXPECT_EQ(title, test_case.title);
    EXPECT_EQ(page.page()->IsPageDirty(), S_FALSE);
    // Chosen: the path replaces the edit's text and applies.
    plat::test::SetModalResponder([&](ModalContext& context) { plat::test::ChooseFolder(context, folder); });
    page.Change(test_case.button, Act::kClick, "", 0);
    EXPECT_EQ(Shown(page.Field(test_case.edit)), folder);
    sink_->changed.clear();
    EXPECT_EQ(page.page()->Apply(), S_OK);
    EXPECT_EQ(sink_->changed, std::vector<DISPID>{test_case.property});
    EXPECT_EQ(TextOf(host_.Get(test_case.property)), folder);
  }
}

// ---- The Properties verb ---------------------------------------------------------------------------

HWND ShownPage(HWND frame) {
  for (HWND child = GetWindow(frame, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == kDialogClass && IsWindowVisible(child)) return child;
  }
  return nullptr;
}

std::vector<std::string> TabTitles(HWND frame) {
  HWND tab = GetDlgItem(frame, kPropertyFrameTabId);
  std::vector<std::string> titles;
  const auto count = SendMessage(tab, TCM_GETITEMCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[128] = {};
    TCITEM item;
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    SendMessage(tab, TCM_GETITEM, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    titles.push_back(text);
  }
  return titles;
}

// Inside a responder the actions go straight to the controls.
void SelectTab(HWND frame, int index) {
  HWND tab = GetDlgItem(frame, kPropertyFrameTabId);
  SendMessage(tab, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  NMHDR header{tab, static_cast<UINT_PTR>(kPropertyFrameTabId), TCN_SELCHANGE};
  SendMessage(frame, WM_NOTIFY, kPropertyFrameTabId, reinterpret_cast<LPARAM>(&header));
}

void PickItem(HWND page, int id, int index) {
  HWND combo = GetDlgItem(page, id);
  SendMessage(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessage(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

TEST_F(PropPagesTest, ThePropertiesVerbShowsThePagesInOrderCancelAndOk) {
  ComPtr<IEmbeddedControl> embedded = ComPtr<IDispatch>(host_.dispatch()).As<IEmbeddedControl>();
  ASSERT_TRUE(embedded);
  std::vector<std::string> titles;
  std::string caption;
  // Cancel after changes on two pages writes nothing.
  plat::test::SetModalResponder([&](ModalContext& context) {
    HWND frame = context.modal();
    caption = context.Title();
    titles = TabTitles(frame);
    SendMessage(GetDlgItem(ShownPage(frame), kIdShowUi), BM_CLICK, 0, 0);
    SelectTab(frame, 1);
    PickItem(ShownPage(frame), kIdMediaFormat, 3);
    context.Cancel();
  });
  const std::map<DISPID, std::string> before = Properties();
  sink_->changed.clear();
  EXPECT_EQ(embedded->DoVerb(OLEIVERB_PROPERTIES, nullptr), S_OK);
  EXPECT_EQ(caption, "Mirrask ImageAcquire Control Properties");
  EXPECT_EQ(titles, (std::vector<std::string>{"全般", "保存形式", "TWAIN機器", "Photo CD", "Color"}));
  EXPECT_TRUE(sink_->changed.empty());
  EXPECT_TRUE(ChangedSince(before).empty());

  // OK applies every page that changed, the stock colour page included.
  plat::test::SetModalResponder([&](ModalContext& context) {
    HWND frame = context.modal();
    SendMessage(GetDlgItem(ShownPage(frame), kIdShowUi), BM_CLICK, 0, 0);
    SelectTab(frame, 1);
    PickItem(ShownPage(frame), kIdMediaFormat, 3);
    SelectTab(frame, 4);
    SendMessage(GetDlgItem(ShownPage(frame), 200 + 12), BM_CLICK, 0, 0);  // the blue swatch
    context.Press(IDOK);
  });
  EXPECT_EQ(embedded->DoVerb(OLEIVERB_PROPERTIES, nullptr), S_OK);
  EXPECT_EQ(ChangedSince(before), (std::map<DISPID, std::string>{{kDispShowUI, "TRUE"},
                                                                  {kDispMediaFormat, "104"},
                                                                  {kDispFillingColor, std::to_string(0xFF0000)}}));
}

// ---- Registration ------------------------------------------------------------------------------------

class PropPageRegistrationTest : public plat::test::PlatformTest {};

std::map<std::string, std::string> RegistryFiles(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const std::string& name : plat::test::ListFolder(folder)) {
    if (name != ".lock") files[name] = plat::test::ReadFileBytes(folder + "/" + name);
  }
  return files;
}

TEST_F(PropPageRegistrationTest, RegistrationAddsThePageClassesAndUnregistrationRestoresTheHive) {
  HKEY other = nullptr;
  ASSERT_EQ(RegCreateKey(HKEY_CLASSES_ROOT, "Other.Class\\CLSID", &other), ERROR_SUCCESS);
  RegCloseKey(other);
  const std::map<std::string, std::string> before = RegistryFiles(RegistryDir());
  ASSERT_EQ(RunRegsvr(MirraskModulePath()), 0);
  struct Page {
    CLSID clsid;
    const char* prog_id;
  };
  const Page pages[] = {{kGeneralPageClsid, "Mirrask.ImgAcqPropPage1.1"},
                        {kScannerPageClsid, "Mirrask.ImgAcqPropPage2"},
                        {kPhotoCdPageClsid, "Mirrask.ImgAcqPropPage3"},
                        {kSaveFormatPageClsid, "Mirrask.ImgAcqPropPage4"}};
  for (const Page& page : pages) {
    std::string prog_id;
    EXPECT_EQ(ProgIDFromCLSID(page.clsid, &prog_id), S_OK);
    EXPECT_EQ(prog_id, page.prog_id);
    CLSID found{};
    EXPECT_EQ(CLSIDFromProgID(page.prog_id, &found), S_OK);
    EXPECT_EQ(found, page.clsid);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKey(HKEY_CLASSES_ROOT, ("CLSID\\" + StringFromGUID(page.clsid)).c_str(), &key), ERROR_SUCCESS);
    std::string name;
    EXPECT_EQ(RegQueryStringValue(key, "", name), ERROR_SUCCESS);
    EXPECT_EQ(name, "Mirrask ImageAcquire Property Page");
    RegCloseKey(key);
  }
  ASSERT_EQ(RunRegsvr(MirraskModulePath(), true), 0);
  EXPECT_EQ(RegistryFiles(RegistryDir()), before);
}

}  // namespace
}  // namespace mirrask::test
