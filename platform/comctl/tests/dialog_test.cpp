// The dialog manager: modal dialogs from templates in code run by our loop,
// keyboard navigation (Tab order, Enter, Esc, mnemonics, arrows in a group),
// dialog units, and MessageBox through the harness's modal responder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_host.h"
#include "plat/dialog.h"
#include "plat/resources.h"
#include "plat/testing.h"

namespace plat::test {
namespace {

using DialogTest = GuiTest;

constexpr int kNameEdit = 10;
constexpr int kCheck = 11;
constexpr int kLabel = 12;
constexpr int kCommentEdit = 13;
constexpr int kRadioA = 14;
constexpr int kRadioB = 15;
constexpr int kList = 16;

constexpr DWORD kTab = WS_VISIBLE | WS_TABSTOP;

const DialogTemplate& Form() {
  static const DialogTemplate form{
      .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
      .x = 20,
      .y = 20,
      .cx = 200,
      .cy = 120,
      .title = "Form",
      .items = {
          {kEditClass, "", kNameEdit, kTab | WS_BORDER | ES_AUTOHSCROLL, 0, 7, 7, 100, 12},
          {kButtonClass, "&Check", kCheck, kTab | BS_AUTOCHECKBOX, 0, 7, 22, 80, 10},
          {kStaticClass, "&Name:", kLabel, WS_VISIBLE, 0, 7, 36, 30, 8},
          {kEditClass, "", kCommentEdit, kTab | WS_BORDER, 0, 40, 36, 60, 12},
          {kButtonClass, "&A", kRadioA, kTab | WS_GROUP | BS_AUTORADIOBUTTON, 0, 7, 52, 40, 10},
          {kButtonClass, "&B", kRadioB, WS_VISIBLE | BS_AUTORADIOBUTTON, 0, 50, 52, 40, 10},
          {kListBoxClass, "", kList, kTab | WS_GROUP | WS_BORDER | LBS_NOTIFY, 0, 110, 7, 40, 40},
          {kButtonClass, "OK", IDOK, kTab | WS_GROUP | BS_DEFPUSHBUTTON, 0, 143, 100, 50, 14},
          {kButtonClass, "Cancel", IDCANCEL, kTab, 0, 90, 100, 50, 14},
      }};
  return form;
}

INT_PTR FormProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) {
    CheckRadioButton(dialog, kRadioA, kRadioB, kRadioA);
    SendDlgItemMessage(dialog, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x"));
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
  return FALSE;
}

struct Press {
  UINT key;
  bool shift = false;
  bool alt = false;
};

void Do(const Press& press) {
  if (press.shift) KeyDown(VK_SHIFT);
  if (press.alt) KeyDown(VK_MENU);
  std::string text;
  if (press.key >= 'A' && press.key <= 'Z') text = std::string(1, static_cast<char>(press.key - 'A' + 'a'));
  Key(press.key, text);
  if (press.alt) KeyUp(VK_MENU);
  if (press.shift) KeyUp(VK_SHIFT);
}

TEST_F(DialogTest, KeysMoveTheFocusAndEndTheDialog) {
  struct Case {
    const char* name;
    std::vector<Press> presses;
    int want_focus;  // after the presses
    Press ending;
    INT_PTR want_result;
    UINT want_check = BST_UNCHECKED;
    int want_radio = kRadioA;
  };
  const Case cases[] = {
      {"first tab stop at start", {}, kNameEdit, {VK_RETURN}, IDOK},
      {"tab skips the label", {{VK_TAB}, {VK_TAB}}, kCommentEdit, {VK_ESCAPE}, IDCANCEL},
      {"tab through groups", {{VK_TAB}, {VK_TAB}, {VK_TAB}, {VK_TAB}}, kList, {VK_RETURN}, IDOK},
      {"shift tab wraps back", {{VK_TAB, true}}, IDCANCEL, {VK_ESCAPE}, IDCANCEL},
      {"tab wraps round", std::vector<Press>(7, Press{VK_TAB}), kNameEdit, {VK_RETURN}, IDOK},
      {"enter on a focused button presses it", {{VK_TAB, true}}, IDCANCEL, {VK_RETURN}, IDCANCEL},
      {"alt mnemonic checks the box", {{'C', false, true}}, kCheck, {VK_RETURN}, IDOK, BST_CHECKED},
      {"label mnemonic focuses the next control", {{'N', false, true}}, kCommentEdit, {VK_RETURN}, IDOK},
      {"plain letter on a button is a mnemonic", {{VK_TAB}, {'C'}}, kCheck, {VK_RETURN}, IDOK, BST_CHECKED},
      {"arrows move in the radio group", {{VK_TAB}, {VK_TAB}, {VK_TAB}, {VK_RIGHT}}, kRadioB, {VK_RETURN}, IDOK,
       BST_UNCHECKED, kRadioB},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    int focus_id = -1;
    UINT check = 99;
    int radio = 0;
    std::vector<IdleStep> steps;
    for (const Press& press : test_case.presses) steps.push_back([press] { Do(press); });
    steps.push_back([&] {
      focus_id = GetDlgCtrlID(GetFocus());
      HWND dialog = GetParent(GetFocus());
      check = IsDlgButtonChecked(dialog, kCheck);
      radio = IsDlgButtonChecked(dialog, kRadioA) == BST_CHECKED ? kRadioA
              : IsDlgButtonChecked(dialog, kRadioB) == BST_CHECKED ? kRadioB
                                                                  : 0;
      Do(test_case.ending);
    });
    SetIdleScript(steps);
    ControlHost owner;
    const INT_PTR result = DialogBoxIndirectParam(nullptr, &Form(), owner.hwnd(), &FormProc, 0);
    EXPECT_EQ(result, test_case.want_result);
    EXPECT_EQ(focus_id, test_case.want_focus);
    EXPECT_EQ(check, test_case.want_check);
    EXPECT_EQ(radio, test_case.want_radio);
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
    EXPECT_EQ(GetActiveWindow(), owner.hwnd());
  }
}

TEST_F(DialogTest, ModalDialogDisablesItsOwnerAndIsAnsweredByTheResponder) {
  ControlHost owner;
  bool owner_was_disabled = false;
  SetModalResponder([&](ModalContext& context) {
    owner_was_disabled = !IsWindowEnabled(owner.hwnd());
    EXPECT_EQ(context.Title(), "Form");
    context.Press(IDCANCEL);
  });
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, &Form(), owner.hwnd(), &FormProc, 0), IDCANCEL);
  EXPECT_TRUE(owner_was_disabled);
  EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
  EXPECT_EQ(GetJournal(), (std::vector<JournalEntry>{{"modal", "Form: pressed 2"}}));
}

TEST_F(DialogTest, DialogUnitsFollowTheFontAndBadTemplatesAreRefused) {
  HWND dialog = CreateDialogIndirectParam(nullptr, &Form(), nullptr, &FormProc, 0);
  ASSERT_NE(dialog, nullptr);
  const LONG units = GetDialogBaseUnits();
  RECT rect{0, 0, 4, 8};
  ASSERT_TRUE(MapDialogRect(dialog, &rect));
  EXPECT_EQ(rect.right, LOWORD(static_cast<uintptr_t>(units)));
  EXPECT_EQ(rect.bottom, HIWORD(static_cast<uintptr_t>(units)));
  RECT client{};
  GetClientRect(dialog, &client);
  RECT want{0, 0, 200, 120};
  MapDialogRect(dialog, &want);
  EXPECT_EQ(client.right, want.right);
  EXPECT_EQ(client.bottom, want.bottom);
  HWND ok = GetDlgItem(dialog, IDOK);
  RECT ok_rect{};
  GetWindowRect(ok, &ok_rect);
  RECT ok_want{143, 100, 193, 114};
  MapDialogRect(dialog, &ok_want);
  EXPECT_EQ(ok_rect.right - ok_rect.left, ok_want.right - ok_want.left);
  EXPECT_EQ(SendMessage(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
  SetDlgItemInt(dialog, kNameEdit, static_cast<UINT>(-42), TRUE);
  BOOL translated = FALSE;
  EXPECT_EQ(static_cast<int>(GetDlgItemInt(dialog, kNameEdit, &translated, TRUE)), -42);
  EXPECT_TRUE(translated);
  GetDlgItemInt(dialog, kNameEdit, &translated, FALSE);
  EXPECT_FALSE(translated);
  DestroyWindow(dialog);

  DialogTemplate bad = Form();
  bad.items.push_back({nullptr, "", 99, WS_VISIBLE, 0, 0, 0, 10, 10});
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, &bad, nullptr, &FormProc, 0), -1);
  DialogTemplate unknown = Form();
  unknown.items.push_back({"NoSuchClass", "", 99, WS_VISIBLE, 0, 0, 0, 10, 10});
  EXPECT_EQ(CreateDialogIndirectParam(nullptr, &unknown, nullptr, &FormProc, 0), nullptr);
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, nullptr, nullptr, &FormProc, 0), -1);
}

TEST_F(DialogTest, MessageBoxGoesToTheJournalAndTheResponder) {
  struct Case {
    UINT type;
    int press;  // 0: the default responder (the default button); -1: cancel
    int want;
    std::vector<JournalEntry> want_journal;
  };
  const Case cases[] = {
      {MB_OK, 0, IDOK, {{"message-box", "Title: Text"}, {"modal", "Title: pressed 1"}}},
      {MB_YESNO | MB_ICONQUESTION, 0, IDYES,
       {{"message-box", "Title: Text"}, {"beep", "32"}, {"modal", "Title: pressed 6"}}},
      {MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2, 0, IDNO,
       {{"message-box", "Title: Text"}, {"beep", "48"}, {"modal", "Title: pressed 7"}}},
      {MB_OKCANCEL | MB_ICONHAND, -1, IDCANCEL,
       {{"message-box", "Title: Text"}, {"beep", "16"}, {"modal", "Title: pressed 2"}}},
      {MB_OK | MB_ICONASTERISK, -1, IDOK,  // Esc on a lone OK answers OK
       {{"message-box", "Title: Text"}, {"beep", "64"}, {"modal", "Title: pressed 2"}}},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, 0, IDIGNORE,
       {{"message-box", "Title: Text"}, {"modal", "Title: pressed 5"}}},
      {MB_RETRYCANCEL, IDRETRY, IDRETRY, {{"message-box", "Title: Text"}, {"modal", "Title: pressed 4"}}},
      {6, 0, 0, {}},                   // no such button set
      {MB_OK | 0x50, 0, 0, {}},        // no such icon
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.type);
    ClearJournal();
    if (test_case.press == 0) {
      SetModalResponder(nullptr);
    } else {
      SetModalResponder([&](ModalContext& context) {
        if (test_case.press < 0) {
          context.Cancel();
        } else {
          context.Press(test_case.press);
        }
      });
    }
    EXPECT_EQ(MessageBox(nullptr, "Text", "Title", test_case.type), test_case.want);
    EXPECT_EQ(GetJournal(), test_case.want_journal);
  }
}

TEST_F(DialogTest, MessageBoxIconsAreDrawn) {
  struct Case {
    UINT icon;
    uint32_t colour;  // 0x00RRGGBB
  };
  const Case cases[] = {{MB_ICONHAND, 0xE02020}, {MB_ICONEXCLAMATION, 0xFFE020}, {MB_ICONASTERISK, 0x2040C0}};
  for (const Case& test_case : cases) {
    bool has_colour = false;
    SetModalResponder([&](ModalContext& context) {
      const Image shot = Snapshot(context.modal());
      for (uint32_t pixel : shot.pixels) has_colour = has_colour || pixel == test_case.colour;
      context.PressDefault();
    });
    EXPECT_EQ(MessageBox(nullptr, "読み込めません。", "エラー", MB_OK | test_case.icon), IDOK);
    EXPECT_TRUE(has_colour) << test_case.icon;
  }
}

}  // namespace
}  // namespace plat::test

namespace plat::test {
namespace {

TEST_F(DialogTest, TemplatesRegisteredAsModuleResourcesAreFoundByName) {
  const auto module = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7170));
  const ResourceEntry entries[] = {{RT_DIALOG, 0, "FORM", &Form(), sizeof(DialogTemplate)}};
  ASSERT_TRUE(RegisterModuleResources(module, entries, 1));
  SetModalResponder([](ModalContext& context) { context.PressDefault(); });
  EXPECT_EQ(DialogBoxParam(module, "form", nullptr, &FormProc, 0), IDOK);
  EXPECT_EQ(DialogBoxParam(module, "missing", nullptr, &FormProc, 0), -1);
  HWND modeless = CreateDialogParam(module, "FORM", nullptr, &FormProc, 0);
  ASSERT_NE(modeless, nullptr);
  EXPECT_FALSE(IsWindowVisible(modeless));  // the template has no WS_VISIBLE
  DestroyWindow(modeless);
  UnregisterModuleResources(module);
}

}  // namespace
}  // namespace plat::test
