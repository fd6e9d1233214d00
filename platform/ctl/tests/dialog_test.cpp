// CDialog and dialog data exchange, headless: values in and out of
// controls, refusals that keep the focus, and dialogs from resources.
#include <gtest/gtest.h>

#include <string>

#include "plat/ctl/dialog.h"
#include "plat/ctl/slider_spin_tab.h"
#include "plat/modules.h"
#include "plat/resources.h"
#include "plat/testing.h"

namespace plat::test {
namespace {

constexpr int kCountId = 101;
constexpr int kRatioId = 102;
constexpr int kNameId = 103;
constexpr int kCheckId = 104;
constexpr int kListId = 105;

const DialogTemplate& Form() {
  static const DialogTemplate form{
      .cx = 200,
      .cy = 120,
      .title = "Options",
      .items = {
          {kEditClass, "", kCountId, WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 7, 7, 80, 12},
          {kEditClass, "", kRatioId, WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 7, 22, 80, 12},
          {kEditClass, "", kNameId, WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 7, 37, 80, 12},
          {kButtonClass, "Tick", kCheckId, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 7, 52, 80, 12},
          {kComboBoxClass, "", kListId, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, 0, 7, 67, 80, 60},
          {kButtonClass, "OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 140, 7, 50, 14},
          {kButtonClass, "Cancel", IDCANCEL, WS_VISIBLE | WS_TABSTOP, 0, 140, 25, 50, 14},
      }};
  return form;
}

class OptionsDialog : public CDialog {
 public:
  OptionsDialog() : CDialog(&Form()) {}
  BOOL OnInitDialog() override {
    for (const char* item : {"small", "medium", "large"}) {
      SendDlgItemMessage(m_hWnd, kListId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    return CDialog::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Text(dx, kCountId, count);
    DDV_MinMaxInt(dx, count, 1, 10);
    DDX_Text(dx, kRatioId, ratio);
    DDX_Text(dx, kNameId, name);
    DDV_MaxChars(dx, name, 8);
    DDX_Check(dx, kCheckId, checked);
    DDX_CBIndex(dx, kListId, size);
  }
  int count = 3;
  double ratio = 0.5;
  std::string name = "scan";
  int checked = 1;
  int size = 2;
};

std::string TextOf(HWND dialog, int id) {
  char text[256] = {};
  GetDlgItemText(dialog, id, text, sizeof(text));
  return text;
}

using DialogTest = GuiTest;

TEST_F(DialogTest, ValuesGoInAndComeBackOut) {
  OptionsDialog dialog;
  SetModalResponder([&](ModalContext& context) {
    HWND hwnd = context.modal();
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), &dialog);
    EXPECT_EQ(TextOf(hwnd, kCountId), "3");
    EXPECT_EQ(TextOf(hwnd, kRatioId), "0.5");
    EXPECT_EQ(TextOf(hwnd, kNameId), "scan");
    EXPECT_EQ(IsDlgButtonChecked(hwnd, kCheckId), 1u);
    EXPECT_EQ(SendDlgItemMessage(hwnd, kListId, CB_GETCURSEL, 0, 0), 2);
    SetDlgItemText(hwnd, kCountId, " 7 ");
    SetDlgItemText(hwnd, kRatioId, "1.25e1");
    SetDlgItemText(hwnd, kNameId, "書類");
    CheckDlgButton(hwnd, kCheckId, 0);
    SendDlgItemMessage(hwnd, kListId, CB_SETCURSEL, 0, 0);
    context.PressDefault();
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
  EXPECT_EQ(dialog.count, 7);
  EXPECT_EQ(dialog.ratio, 12.5);
  EXPECT_EQ(dialog.name, "書類");
  EXPECT_EQ(dialog.checked, 0);
  EXPECT_EQ(dialog.size, 0);

  // Cancel leaves the members as they were.
  OptionsDialog cancelled;
  SetModalResponder([&](ModalContext& context) {
    SetDlgItemText(context.modal(), kCountId, "9");
    context.Cancel();
  });
  EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
  EXPECT_EQ(cancelled.count, 3);
}

TEST_F(DialogTest, RefusedValuesKeepTheDialogAndTheFocus) {
  struct Case {
    const char* name;
    int id;
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"out of range", kCountId, "12", "Please enter an integer between 1 and 10."},
      {"not an integer", kCountId, "7x", "Please enter an integer."},
      {"empty integer", kCountId, "", "Please enter an integer."},
      {"too large for int", kCountId, "99999999999", "Please enter an integer."},
      {"not a number", kRatioId, "half", "Please enter a number."},
      {"too long", kNameId, "ninechars", "Please enter no more than 8 characters."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OptionsDialog dialog;
    int rounds = 0;
    int focus_id = 0;
    SetModalResponder([&](ModalContext& context) {
      if (context.Title() == "Error") {  // the message box of the refusal
        context.PressDefault();
        return;
      }
      ++rounds;
      if (rounds == 1) {
        SetDlgItemText(context.modal(), c.id, c.text);
        context.Press(IDOK);
        return;
      }
      focus_id = GetDlgCtrlID(GetFocus());
      context.Cancel();
    });
    ClearJournal();
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(rounds, 2);  // OK did not close the dialog
    EXPECT_TRUE(IsJournalled(JournalEntry{"message-box", std::string("Error: ") + c.message}));
    EXPECT_EQ(focus_id, c.id);
  }
}

TEST_F(DialogTest, TemplatesComeFromTheModulesResources) {
  // The program's own module holds the about box, as a control module would.
  HMODULE program = GetModuleHandleFromAddress(reinterpret_cast<const void*>(&Form));
  ASSERT_NE(program, nullptr);
  static const DialogTemplate about{.cx = 120, .cy = 60, .title = "About Scan",
                                    .items = {{kButtonClass, "OK", IDOK, WS_VISIBLE | BS_DEFPUSHBUTTON, 0, 35, 40, 50, 14}}};
  const ResourceEntry entries[] = {{RT_DIALOG, 1, nullptr, &about, sizeof(DialogTemplate)}};
  ASSERT_TRUE(RegisterModuleResources(program, entries, 1));
  std::string title;
  SetModalResponder([&](ModalContext& context) {
    title = context.Title();
    context.PressDefault();
  });
  EXPECT_EQ(ShowAboutBox(program), IDOK);
  EXPECT_EQ(title, "About Scan");
  // A class of this program finds the same resource without being told the module.
  class AboutDialog : public CDialog {
   public:
    AboutDialog() : CDialog(1u) {}
  } derived;
  EXPECT_EQ(derived.DoModal(), IDOK);
  CDialog missing(77);
  missing.m_hResource = program;
  EXPECT_EQ(missing.DoModal(), -1);
  UnregisterModuleResources(program);
}

TEST_F(DialogTest, ControlObjectsWrapTheCommonControls) {
  static const DialogTemplate empty{.style = WS_POPUP | WS_CAPTION, .cx = 200, .cy = 100, .title = "Controls"};
  CDialog host(&empty);
  ASSERT_TRUE(host.CreateIndirect(&empty));
  CSliderCtrl slider;
  ASSERT_TRUE(slider.Create(WS_CHILD | WS_VISIBLE | TBS_AUTOTICKS, RECT{0, 0, 150, 30}, &host, 1));
  slider.SetRange(50, 10);  // the wrong way round
  slider.SetPos(100);
  int min = 0;
  int max = 0;
  slider.GetRange(min, max);
  EXPECT_EQ(min, 10);
  EXPECT_EQ(max, 50);
  EXPECT_EQ(slider.GetPos(), 50);
  EXPECT_EQ(slider.SetPageSize(7), 20);
  EXPECT_EQ(slider.GetPageSize(), 7);

  CSpinButtonCtrl spin;
  ASSERT_TRUE(spin.Create(WS_CHILD | WS_VISIBLE, RECT{0, 40, 16, 60}, &host, 2));
  spin.SetRange32(10, 0);
  spin.GetRange32(min, max);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 10);
  spin.SetPos32(-3);
  EXPECT_EQ(spin.GetPos32(), 0);
  EXPECT_EQ(spin.GetBuddy(), nullptr);

  CTabCtrl tabs;
  ASSERT_TRUE(tabs.Create(WS_CHILD | WS_VISIBLE, RECT{0, 70, 190, 150}, &host, 3));
  EXPECT_EQ(tabs.InsertItem(0, "一般"), 0);
  EXPECT_EQ(tabs.InsertItem(1, "Color", 42), 1);
  EXPECT_EQ(tabs.GetItemCount(), 2);
  EXPECT_EQ(tabs.SetCurSel(1), 0);
  EXPECT_EQ(tabs.GetCurSel(), 1);
  EXPECT_EQ(tabs.SetCurSel(5), -1);
  EXPECT_TRUE(tabs.DeleteAllItems());
  EXPECT_EQ(tabs.GetCurSel(), -1);
  host.DestroyWindow();
}

}  // namespace
}  // namespace plat::test
