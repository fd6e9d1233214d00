// The dialog manager: dialogs built from templates in code, laid out in
// dialog units of their font, with keyboard navigation (Tab and Shift+Tab
// through WS_TABSTOP controls, arrows inside a WS_GROUP, Enter for the
// default button, Esc for IDCANCEL, Alt+letter and letter mnemonics), modal
// dialogs run by our own message loop, and MessageBox.
//
// A dialog in code, modal:
//
//   const plat::DialogTemplate kAsk{
//       .style = plat::WS_POPUP | plat::WS_CAPTION | plat::WS_SYSMENU | plat::DS_MODALFRAME,
//       .cx = 180, .cy = 70, .title = "Source",
//       .items = {
//           {plat::kListBoxClass, "", 100, plat::WS_CHILD | plat::WS_VISIBLE | plat::WS_TABSTOP |
//                plat::WS_BORDER | plat::LBS_NOTIFY, 0, 7, 7, 110, 56},
//           {plat::kButtonClass, "OK", plat::IDOK, plat::WS_CHILD | plat::WS_VISIBLE | plat::WS_TABSTOP |
//                plat::BS_DEFPUSHBUTTON, 0, 124, 7, 50, 14},
//           {plat::kButtonClass, "Cancel", plat::IDCANCEL, plat::WS_CHILD | plat::WS_VISIBLE |
//                plat::WS_TABSTOP, 0, 124, 25, 50, 14}}};
//
//   INT_PTR CALLBACK AskProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
//     switch (message) {
//       case WM_INITDIALOG:
//         SendDlgItemMessage(dialog, 100, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("first"));
//         return TRUE;  // focus goes to the first tab stop
//       case WM_COMMAND:
//         if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
//           EndDialog(dialog, LOWORD(wparam));
//           return TRUE;
//         }
//         return FALSE;
//       default: return FALSE;
//     }
//   }
//
//   INT_PTR answer = DialogBoxIndirectParam(nullptr, &kAsk, owner, &AskProc, 0);  // IDOK, IDCANCEL or -1
//
// A template can also be registered as a module's RT_DIALOG resource (the
// entry's data points to the DialogTemplate) and named by DialogBoxParam.
#ifndef PLAT_DIALOG_H_
#define PLAT_DIALOG_H_

#include <string>
#include <vector>

#include "plat/controls.h"
#include "plat/messages.h"
#include "plat/types.h"
#include "plat/user.h"

namespace plat {

// Class names of the standard controls and of dialogs.
inline constexpr const char* kButtonClass = "Button";
inline constexpr const char* kEditClass = "Edit";
inline constexpr const char* kStaticClass = "Static";
inline constexpr const char* kListBoxClass = "ListBox";
inline constexpr const char* kComboBoxClass = "ComboBox";
inline constexpr const char* kScrollBarClass = "ScrollBar";
inline constexpr const char* kDialogClass = "#32770";

// Dialog styles.
constexpr DWORD DS_ABSALIGN = 0x0001;
constexpr DWORD DS_SYSMODAL = 0x0002;
constexpr DWORD DS_3DLOOK = 0x0004;
constexpr DWORD DS_FIXEDSYS = 0x0008;
constexpr DWORD DS_NOFAILCREATE = 0x0010;
constexpr DWORD DS_LOCALEDIT = 0x0020;
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_MODALFRAME = 0x0080;
constexpr DWORD DS_NOIDLEMSG = 0x0100;
constexpr DWORD DS_SETFOREGROUND = 0x0200;
constexpr DWORD DS_CONTROL = 0x0400;
constexpr DWORD DS_CENTER = 0x0800;
constexpr DWORD DS_CENTERMOUSE = 0x1000;
constexpr DWORD DS_CONTEXTHELP = 0x2000;
constexpr DWORD DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS;

// Extra window bytes of a dialog (Get/SetWindowLongPtr).
constexpr int DWLP_DLGPROC = 8;
constexpr int DWLP_USER = 16;

// More dialog-button ids (IDOK .. IDNO come with "plat/messages.h").
constexpr int IDCLOSE = 8;
constexpr int IDHELP = 9;

// Message-box types beyond those of "plat/messages.h".
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONSTOP = 0x00000010;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_DEFMASK = 0x00000F00;
constexpr UINT MB_APPLMODAL = 0x00000000;
constexpr UINT MB_SYSTEMMODAL = 0x00001000;
constexpr UINT MB_TASKMODAL = 0x00002000;
constexpr UINT MB_SETFOREGROUND = 0x00010000;
constexpr UINT MB_TOPMOST = 0x00040000;

// WM_NEXTDLGCTL with lparam FALSE: wparam 0 the next, non-zero the previous tab stop.
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

// One control of a template. Position and size are in dialog units: x and
// cx in quarters of the font's average character width, y and cy in eighths
// of its height.
struct DialogItemTemplate {
  const char* class_name = nullptr;  // kButtonClass ... or any registered class
  const char* text = "";
  int id = 0;
  DWORD style = 0;  // WS_CHILD is added
  DWORD ex_style = 0;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
};

struct DialogTemplate {
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  DWORD ex_style = 0;
  int x = 0;  // dialog units, from the owner's client origin (screen with DS_ABSALIGN)
  int y = 0;
  int cx = 0;
  int cy = 0;
  const char* title = "";
  // With DS_SETFONT: the font of the dialog and its controls (face, points);
  // otherwise the system's dialog font.
  const char* font_face = nullptr;
  int point_size = 0;
  std::vector<DialogItemTemplate> items;
};

// Creation. A modeless dialog is shown when its style has WS_VISIBLE; the
// caller's loop passes messages through IsDialogMessage. Null and the last
// error for a bad template or when a control cannot be created (unless
// DS_NOFAILCREATE) or the dialog procedure answers WM_INITDIALOG by
// destroying it.
HWND CreateDialogIndirectParam(HINSTANCE instance, const DialogTemplate* dialog, HWND parent, DLGPROC proc,
                               LPARAM init_param);
HWND CreateDialogParam(HINSTANCE instance, const char* template_name, HWND parent, DLGPROC proc, LPARAM init_param);
// Modal: the owner is disabled, our loop runs with IsDialogMessage until
// EndDialog; gives EndDialog's result, or -1 when the dialog could not be
// made (WM_QUIT inside ends it with 0 and is posted again).
INT_PTR DialogBoxIndirectParam(HINSTANCE instance, const DialogTemplate* dialog, HWND parent, DLGPROC proc,
                               LPARAM init_param);
INT_PTR DialogBoxParam(HINSTANCE instance, const char* template_name, HWND parent, DLGPROC proc, LPARAM init_param);
BOOL EndDialog(HWND dialog, INT_PTR result);
// The procedure of the dialog class: calls the dialog procedure, then the
// manager's defaults (WM_CLOSE as IDCANCEL, DM_GETDEFID/DM_SETDEFID, focus
// kept across activation, WM_NEXTDLGCTL, the dialog's font and colour).
LRESULT DefDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Keyboard navigation for `dialog`: TRUE when the message was for the dialog
// or one of its controls (and has been handled or dispatched).
BOOL IsDialogMessage(HWND dialog, MSG* msg);
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);

// Dialog units: the system dialog font's base units (low word the average
// character width, high word the height), and a rectangle of `dialog`'s
// units in pixels.
LONG GetDialogBaseUnits();
BOOL MapDialogRect(HWND dialog, RECT* rect);

// Control helpers.
LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam);
BOOL SetDlgItemText(HWND dialog, int id, const char* text);
UINT GetDlgItemText(HWND dialog, int id, char* out, int max_bytes);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL is_signed);
// `translated` (optional) is FALSE for text that is not a number in range.
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL is_signed);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
BOOL CheckRadioButton(HWND dialog, int first_id, int last_id, int check_id);

// A modal message box: `type` is a button set (MB_OK, MB_OKCANCEL,
// MB_ABORTRETRYIGNORE, MB_YESNOCANCEL, MB_YESNO, MB_RETRYCANCEL), an icon
// (MB_ICONHAND, MB_ICONQUESTION, MB_ICONEXCLAMATION, MB_ICONASTERISK; each
// drawn, and sounded through MessageBeep with its own type) and a default
// button (MB_DEFBUTTON1..3). Gives the id of the button pressed (Esc and the
// close box give IDCANCEL where there is a Cancel button, IDOK for MB_OK), 0
// for a bad type. The box is journalled as ("message-box", "<caption>:
// <text>") by the headless backend, whose modal responder then answers it.
int MessageBox(HWND owner, const char* text, const char* caption, UINT type);

}  // namespace plat

#endif  // PLAT_DIALOG_H_
