// Property pages in the property frame, driven by the modal responder: what
// Apply, OK and Cancel write to the object, combos outside their tables,
// refused values, the stock colour page and the Properties verb.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "plat/ctl/control.h"
#include "plat/ctl/property_page.h"
#include "plat/ctl/slider_spin_tab.h"
#include "plat/oleaut/com.h"
#include "plat/testing.h"

namespace plat::test {
namespace {

constexpr int kShowUiId = 201;
constexpr int kFormatId = 204;
constexpr int kCaptionId = 205;
constexpr int kBrowseId = 230;
constexpr int kQualityId = 219;
constexpr int kQualitySpinId = 223;

// The object the pages edit; it records every property written.
class Target : public DispatchObject<Target> {
 public:
  static constexpr const char* kSourceName = "Plat.Target.1";
  static const DispatchMap<Target>& GetDispatchMap() {
    static const DispatchMap<Target> map{
        "_DTarget",
        GUID_NULL,
        {
            Property(1, "ShowUI", VT_BOOL, &Target::GetShowUi, &Target::SetShowUi),
            Property(2, "MediaFormat", VT_I4, &Target::GetFormat, &Target::SetFormat),
            Property(3, "Caption", VT_BSTR, &Target::GetCaption, &Target::SetCaption),
            Property(4, "Quality", VT_I4, &Target::GetQuality, &Target::SetQuality),
            Property(5, "BackColor", VT_I4, &Target::GetBack, &Target::SetBack),
            Property(6, "ForeColor", VT_I4, &Target::GetFore, &Target::SetFore),
        }};
    return map;
  }
  std::vector<std::string> written;
  BOOL show_ui = FALSE;
  int32_t format = 102;
  std::string caption = "scan";
  int32_t quality = 5;
  int32_t back = 0x80000005;
  int32_t fore = 0x80000008;

 private:
  BOOL GetShowUi() const { return show_ui; }
  void SetShowUi(BOOL value) { show_ui = value, written.push_back("ShowUI"); }
  int32_t GetFormat() const { return format; }
  void SetFormat(int32_t value) { format = value, written.push_back("MediaFormat"); }
  std::string GetCaption() const { return caption; }
  void SetCaption(std::string value) { caption = std::move(value), written.push_back("Caption"); }
  int32_t GetQuality() const { return quality; }
  void SetQuality(int32_t value) {
    if (value < 1 || value > 10) throw ControlError(CTL_E_INVALIDPROPERTYVALUE);
    quality = value;
    written.push_back("Quality");
  }
  int32_t GetBack() const { return back; }
  void SetBack(int32_t value) { back = value, written.push_back("BackColor"); }
  int32_t GetFore() const { return fore; }
  void SetFore(int32_t value) { fore = value, written.push_back("ForeColor"); }
};

constexpr std::array<int, 5> kFormats{101, 102, 103, 104, 106};

const DialogTemplate& GeneralTemplate() {
  static const DialogTemplate dialog{
      .style = WS_CHILD | DS_CONTROL,
      .cx = 200,
      .cy = 90,
      .items = {
          {kButtonClass, "Show the scanner's dialog", kShowUiId, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 7, 7, 150, 12},
          {kComboBoxClass, "", kFormatId, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, 0, 7, 24, 100, 60},
          {kEditClass, "", kCaptionId, WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 7, 44, 100, 12},
          {kButtonClass, "Browse...", kBrowseId, WS_VISIBLE | WS_TABSTOP, 0, 120, 44, 50, 14},
      }};
  return dialog;
}

// Maps MediaFormat through a table, as the controls' pages do.
class GeneralPage : public COlePropertyPage {
 public:
  GeneralPage() : COlePropertyPage(&GeneralTemplate(), "General") {}
  BOOL OnInitDialog() override {
    for (const char* item : {"BMP", "TIFF", "JPEG", "PCX", "PNG"}) {
      SendDlgItemMessage(m_hWnd, kFormatId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    IgnoreApply(kBrowseId);
    return TRUE;
  }
  void DoDataExchange(CDataExchange* dx) override {
    DDP_Check(dx, kShowUiId, show_ui_, "ShowUI");
    DDX_Check(dx, kShowUiId, show_ui_);
    DDP_CBIndex(dx, kFormatId, format_, "MediaFormat");
    int index = -1;
    for (size_t i = 0; i < kFormats.size(); ++i) {
      if (kFormats[i] == format_) index = static_cast<int>(i);
    }
    DDX_CBIndex(dx, kFormatId, index);
    if (dx->m_bSaveAndValidate && index >= 0) format_ = kFormats[static_cast<size_t>(index)];
    DDP_Text(dx, kCaptionId, caption_, "Caption");
    DDX_Text(dx, kCaptionId, caption_);
    DDP_PostProcessing(dx);
  }

 private:
  int show_ui_ = 0;
  int format_ = -1;
  std::string caption_;
};

const DialogTemplate& QualityTemplate() {
  static const DialogTemplate dialog{
      .style = WS_CHILD | DS_CONTROL,
      .cx = 160,
      .cy = 60,
      .items = {
          {kEditClass, "", kQualityId, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_NUMBER, 0, 7, 7, 40, 12},
          {kUpDownClass, "", kQualitySpinId, WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0, 47, 7, 10, 12},
      }};
  return dialog;
}

// With kIsChecked the page checks the range itself; without, the object refuses.
template <bool kIsChecked>
class QualityPageOf : public COlePropertyPage {
 public:
  QualityPageOf() : COlePropertyPage(&QualityTemplate(), "Save format") {}
  BOOL OnInitDialog() override {
    CSpinButtonCtrl spin;
    spin.Attach(::plat::GetDlgItem(m_hWnd, kQualitySpinId));
    spin.SetBuddy(GetDlgItem(kQualityId));
    spin.SetRange32(1, 10);
    spin.Detach();
    return TRUE;
  }
  void DoDataExchange(CDataExchange* dx) override {
    DDP_Text(dx, kQualityId, quality_, "Quality");
    DDX_Text(dx, kQualityId, quality_);
    if (kIsChecked) DDV_MinMaxInt(dx, quality_, 1, 10);
    DDP_PostProcessing(dx);
  }

 private:
  int quality_ = 0;
};
using QualityPage = QualityPageOf<true>;

constexpr CLSID kGeneralPage{0x5A1E0001, 0x0001, 0x0001, {1, 1, 1, 1, 1, 1, 1, 1}};
constexpr CLSID kQualityPage{0x5A1E0002, 0x0001, 0x0001, {1, 1, 1, 1, 1, 1, 1, 2}};
constexpr CLSID kUncheckedQualityPage{0x5A1E0003, 0x0001, 0x0001, {1, 1, 1, 1, 1, 1, 1, 3}};

template <class Page>
class PageFactory : public ComObject<IClassFactory> {
 public:
  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) override {
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return MakeCom<Page>()->QueryInterface(iid, out);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }
};

// The visible page of the frame (a child dialog).
HWND ShownPage(HWND frame) {
  for (HWND child = GetWindow(frame, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    char name[32] = {};
    GetClassName(child, name, sizeof(name));
    if (std::string(name) == kDialogClass && IsWindowVisible(child)) return child;
  }
  return nullptr;
}

// Inside a responder input would wait for the loop: these act at once.
// The next tab, as the Right key chooses it.
void NextTab(HWND frame) { SendMessage(GetDlgItem(frame, kPropertyFrameTabId), WM_KEYDOWN, VK_RIGHT, 0); }

void ClickButton(HWND page, int id) { SendMessage(GetDlgItem(page, id), BM_CLICK, 0, 0); }

void Change(HWND page, int id, const char* text) {
  SetDlgItemText(page, id, text);  // EN_CHANGE reaches the page
}

class PropertyFrameTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    CoRegisterClassObject(kGeneralPage, MakeCom<PageFactory<GeneralPage>>()->GetUnknown(), CLSCTX_INPROC_SERVER,
                          REGCLS_MULTIPLEUSE, &cookies_[0]);
    CoRegisterClassObject(kQualityPage, MakeCom<PageFactory<QualityPage>>()->GetUnknown(), CLSCTX_INPROC_SERVER,
                          REGCLS_MULTIPLEUSE, &cookies_[1]);
    CoRegisterClassObject(kUncheckedQualityPage, MakeCom<PageFactory<QualityPageOf<false>>>()->GetUnknown(),
                          CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookies_[2]);
    target_ = MakeCom<Target>();
  }
  void TearDown() override {
    target_.reset();
    for (DWORD cookie : cookies_) CoRevokeClassObject(cookie);
    GuiTest::TearDown();
  }
  HRESULT Run(std::vector<CLSID> pages) {
    IDispatch* object = target_.get();
    return OleCreatePropertyFrame(nullptr, 0, 0, "Scanner", std::span<IDispatch* const>(&object, 1), pages, 0, 0,
                                  nullptr);
  }

  std::array<DWORD, 3> cookies_{};
  ComPtr<Target> target_;
};

TEST_F(PropertyFrameTest, ApplyWritesOnlyWhatChangedAndCancelNothing) {
  std::vector<std::string> written_at_apply;
  bool was_apply_enabled_before = true;
  int rounds = 0;
  SetModalResponder([&](ModalContext& context) {
    HWND frame = context.modal();
    HWND page = ShownPage(frame);
    ASSERT_NE(page, nullptr);
    switch (++rounds) {
      case 1:
        EXPECT_EQ(context.Title(), "Scanner Properties");
        EXPECT_EQ(IsDlgButtonChecked(page, kShowUiId), 0u);
        EXPECT_EQ(SendDlgItemMessage(page, kFormatId, CB_GETCURSEL, 0, 0), 1);  // 102 is "TIFF"
        was_apply_enabled_before = IsWindowEnabled(GetDlgItem(frame, kPropertyFrameApplyId)) != FALSE;
        ClickButton(page, kBrowseId);  // ignored by the page's change tracking
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(frame, kPropertyFrameApplyId)));
        ClickButton(page, kShowUiId);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(frame, kPropertyFrameApplyId)));
        context.Press(kPropertyFrameApplyId);
        return;
      case 2:
        written_at_apply = target_->written;
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(frame, kPropertyFrameApplyId)));
        Change(page, kCaptionId, "changed but cancelled");
        context.Cancel();
        return;
      default: FAIL() << "the frame did not close";
    }
  });
  EXPECT_EQ(Run({kGeneralPage, kQualityPage}), S_OK);
  EXPECT_FALSE(was_apply_enabled_before);
  EXPECT_EQ(written_at_apply, (std::vector<std::string>{"ShowUI"}));
  EXPECT_EQ(target_->written, (std::vector<std::string>{"ShowUI"}));  // Cancel wrote nothing more
  EXPECT_TRUE(target_->show_ui);
  EXPECT_EQ(target_->caption, "scan");
}

TEST_F(PropertyFrameTest, AComboOutsideItsTableShowsNothingAndStays) {
  target_->format = 107;  // no row of the table
  int selection = 0;
  SetModalResponder([&](ModalContext& context) {
    HWND page = ShownPage(context.modal());
    selection = static_cast<int>(SendDlgItemMessage(page, kFormatId, CB_GETCURSEL, 0, 0));
    // The user opens and leaves the list without choosing, and edits the caption.
    HWND combo = GetDlgItem(page, kFormatId);
    SendMessage(page, WM_COMMAND, MAKEWPARAM(kFormatId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(context.modal(), kPropertyFrameApplyId)));
    // A choice taken back by the program leaves nothing to write either.
    SendMessage(combo, CB_SETCURSEL, 2, 0);
    SendMessage(page, WM_COMMAND, MAKEWPARAM(kFormatId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    SendMessage(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    Change(page, kCaptionId, "new caption");
    context.Press(IDOK);
  });
  EXPECT_EQ(Run({kGeneralPage}), S_OK);
  EXPECT_EQ(selection, -1);
  EXPECT_EQ(target_->format, 107);
  EXPECT_EQ(target_->written, (std::vector<std::string>{"Caption"}));
  EXPECT_EQ(target_->caption, "new caption");

  // Choosing a row writes its value.
  target_->written.clear();
  SetModalResponder([&](ModalContext& context) {
    HWND page = ShownPage(context.modal());
    HWND combo = GetDlgItem(page, kFormatId);
    SendMessage(combo, CB_SETCURSEL, 3, 0);
    SendMessage(page, WM_COMMAND, MAKEWPARAM(kFormatId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    context.Press(IDOK);
  });
  EXPECT_EQ(Run({kGeneralPage}), S_OK);
  EXPECT_EQ(target_->format, 104);
  EXPECT_EQ(target_->written, (std::vector<std::string>{"MediaFormat"}));
}

TEST_F(PropertyFrameTest, ARangeRefusalKeepsTheFrameAndTheFocus) {
  int rounds = 0;
  HWND focus_after_refusal = nullptr;
  HWND quality_edit = nullptr;
  std::string shown_quality;
  SetModalResponder([&](ModalContext& context) {
    if (context.Title() == "Error") {
      context.PressDefault();
      return;
    }
    HWND frame = context.modal();
    switch (++rounds) {
      case 1: {
        ClickButton(ShownPage(frame), kShowUiId);  // the first page is dirty too
        NextTab(frame);
        HWND page = ShownPage(frame);
        quality_edit = GetDlgItem(page, kQualityId);
        char text[16] = {};
        GetWindowText(quality_edit, text, sizeof(text));
        shown_quality = text;
        Change(page, kQualityId, "12");
        context.Press(IDOK);
        return;
      }
      case 2:
        focus_after_refusal = GetFocus();
        Change(ShownPage(frame), kQualityId, "7");
        context.Press(IDOK);
        return;
      default: FAIL() << "the frame did not close";
    }
  });
  ClearJournal();
  EXPECT_EQ(Run({kGeneralPage, kQualityPage}), S_OK);
  EXPECT_EQ(shown_quality, "5");
  EXPECT_EQ(rounds, 2);
  EXPECT_EQ(focus_after_refusal, quality_edit);
  EXPECT_TRUE(IsJournalled(JournalEntry{"message-box", "Error: Please enter an integer between 1 and 10."}));
  // The first page was applied before the refusal, the second once its value was fixed.
  EXPECT_EQ(target_->written, (std::vector<std::string>{"ShowUI", "Quality"}));
  EXPECT_EQ(target_->quality, 7);
}

TEST_F(PropertyFrameTest, AValueTheObjectRefusesIsReportedAndKeptForCorrection) {
  int rounds = 0;
  int focus_id = 0;
  SetModalResponder([&](ModalContext& context) {
    if (context.Title() == "Error") {
      context.PressDefault();
      return;
    }
    HWND page = ShownPage(context.modal());
    if (++rounds == 1) {
      Change(page, kQualityId, "11");
      context.Press(kPropertyFrameApplyId);
      return;
    }
    focus_id = GetDlgCtrlID(GetFocus());
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(context.modal(), kPropertyFrameApplyId)));  // still dirty
    context.Cancel();
  });
  ClearJournal();
  EXPECT_EQ(Run({kUncheckedQualityPage}), S_OK);
  EXPECT_EQ(rounds, 2);
  EXPECT_EQ(focus_id, kQualityId);
  EXPECT_EQ(target_->quality, 5);
  EXPECT_TRUE(target_->written.empty());
  EXPECT_TRUE(IsJournalled("message-box"));
}

TEST_F(PropertyFrameTest, TheStockColourPageWritesASystemColour) {
  SetModalResponder([&](ModalContext& context) {
    HWND page = ShownPage(context.modal());
    ASSERT_NE(page, nullptr);
    HWND properties = GetDlgItem(page, 100);
    EXPECT_EQ(SendMessage(properties, CB_GETCOUNT, 0, 0), 2);  // BackColor and ForeColor
    HWND system = GetDlgItem(page, 101);
    EXPECT_EQ(SendMessage(system, CB_GETCURSEL, 0, 0), 5);  // BackColor is "Window Background"
    SendMessage(system, CB_SETCURSEL, 15, 0);                // "Button Face"
    SendMessage(page, WM_COMMAND, MAKEWPARAM(101, CBN_SELCHANGE), reinterpret_cast<LPARAM>(system));
    context.Press(IDOK);
  });
  EXPECT_EQ(Run({CLSID_StockColorPage}), S_OK);
  EXPECT_EQ(target_->back, static_cast<int32_t>(0x8000000F));
  EXPECT_EQ(target_->written, (std::vector<std::string>{"BackColor"}));
}

TEST_F(PropertyFrameTest, BadArgumentsAndMissingPages) {
  IDispatch* object = target_.get();
  const CLSID unknown{0x5A1E00FF, 0, 0, {0, 0, 0, 0, 0, 0, 0, 9}};
  EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, "x", {}, std::vector<CLSID>{kGeneralPage}, 0, 0, nullptr),
            E_INVALIDARG);
  EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, "x", std::span<IDispatch* const>(&object, 1), {}, 0, 0, nullptr),
            E_INVALIDARG);
  EXPECT_TRUE(FAILED(OleCreatePropertyFrame(nullptr, 0, 0, "x", std::span<IDispatch* const>(&object, 1),
                                            std::vector<CLSID>{unknown}, 0, 0, nullptr)));
  // A page that cannot be made is left out; the others show.
  int tabs = 0;
  SetModalResponder([&](ModalContext& context) {
    tabs = static_cast<int>(SendDlgItemMessage(context.modal(), kPropertyFrameTabId, TCM_GETITEMCOUNT, 0, 0));
    context.Cancel();
  });
  EXPECT_EQ(Run({unknown, kQualityPage}), S_OK);
  EXPECT_EQ(tabs, 1);
}

// A control whose Properties verb shows the stock colour page.
class VerbCtl : public COleControl {
 public:
  static const DispatchMap<VerbCtl>& Map() {
    static const DispatchMap<VerbCtl> map{"_DVerb", GUID_NULL, {StockBackColor(), StockForeColor()}};
    return map;
  }
  DispatchBinding GetDispatchBinding() override { return {Map(), this}; }
  const ControlRegistration& GetControlRegistration() const override {
    static const ControlRegistration reg{GUID_NULL, "Plat.Verb.1", "Verb Control", 0, &CreateControl<VerbCtl>};
    return reg;
  }
  const TypeLibInfo& GetTypeLib() const override {
    static const TypeLibInfo lib{"VerbLib", GUID_NULL, 1, 0, "", {}, {}};
    return lib;
  }
  std::vector<CLSID> GetPropPageIDs() const override { return {CLSID_StockColorPage}; }
};

TEST_F(PropertyFrameTest, ThePropertiesVerbOpensTheControlsPages) {
  ComPtr<IEmbeddedControl> control;
  ASSERT_EQ(CreateControl<VerbCtl>(IEmbeddedControl::kIid, control.put_void()), S_OK);
  std::string title;
  SetModalResponder([&](ModalContext& context) {
    title = context.Title();
    ClickButton(ShownPage(context.modal()), 200 + 9);  // the red swatch
    context.Press(IDOK);
  });
  EXPECT_EQ(control->DoVerb(OLEIVERB_PROPERTIES, nullptr), S_OK);
  EXPECT_EQ(title, "Verb Control Properties");
  ComPtr<IDispatch> dispatch = control.As<IDispatch>();
  Variant back;
  DISPID id = 0;
  ASSERT_EQ(dispatch->GetIDsOfNames("BackColor", &id), S_OK);
  ASSERT_EQ(dispatch->Invoke(id, InvokeKind::kPropertyGet, {}, &back, nullptr, nullptr), S_OK);
  EXPECT_EQ(static_cast<uint32_t>(back.lVal()), RGB(255, 0, 0));
  EXPECT_EQ(control->DoVerb(OLEIVERB_PRIMARY, nullptr), E_NOTIMPL);
}

}  // namespace
}  // namespace plat::test
