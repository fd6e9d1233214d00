// The dialog manager: dialogs built from templates in code, the dialog
// class's default procedure, modal dialogs in our own message loop, dialog
// units, and the control helpers.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <string>

#include "comctl/control_base.h"
#include "comctl/dialog_manager.h"
#include "plat/font.h"
#include "plat/last_error.h"
#include "plat/resources.h"
#include "user/window_system.h"

namespace plat {

namespace comctl {

namespace {

struct CreationParams {
  DLGPROC proc = nullptr;
};

std::map<HWND, std::shared_ptr<DialogState>>& Dialogs() {
  static std::map<HWND, std::shared_ptr<DialogState>> dialogs;
  return dialogs;
}

std::shared_ptr<DialogState>& PendingDialog() {
  static std::shared_ptr<DialogState> pending;
  return pending;
}

bool ReturnsValueDirectly(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_INITDIALOG:
    case WM_QUERYNEWPALETTE: return true;
    default: return false;
  }
}

HWND FirstTabStop(HWND dialog) { return GetNextDlgTabItem(dialog, nullptr, FALSE); }

void RestoreFocus(HWND dialog, const DialogState& state) {
  HWND target = state.saved_focus;
  if (target == nullptr || !IsWindow(target) || !IsChild(dialog, target)) target = FirstTabStop(dialog);
  if (target != nullptr && GetFocus() != target) FocusControl(dialog, target);
}

void SetDefaultId(HWND dialog, DialogState& state, int id) {
  HWND old_button = GetDlgItem(dialog, state.default_id);
  if (old_button != nullptr && (SendMessage(old_button, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) != 0) {
    SendMessage(old_button, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  }
  state.default_id = id;
  HWND new_button = GetDlgItem(dialog, id);
  if (new_button != nullptr && (SendMessage(new_button, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON) != 0) {
    SendMessage(new_button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  }
}

LRESULT DefaultHandling(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  const auto state = FindDialog(dialog);
  switch (message) {
    case WM_CLOSE: {
      HWND cancel = GetDlgItem(dialog, IDCANCEL);
      if (cancel != nullptr && !IsWindowEnabled(cancel)) return 0;
      SendMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
      return 0;
    }
    case DM_GETDEFID:
      if (!state || state->default_id == 0) return 0;
      return MAKELRESULT(static_cast<WORD>(state->default_id), DC_HASDEFID);
    case DM_SETDEFID:
      if (state) SetDefaultId(dialog, *state, static_cast<int>(wparam));
      return TRUE;
    case WM_NEXTDLGCTL: {
      HWND target;
      if (LOWORD(static_cast<uintptr_t>(lparam)) != 0) {
        target = reinterpret_cast<HWND>(wparam);
      } else {
        target = GetNextDlgTabItem(dialog, GetFocus(), wparam != 0 ? TRUE : FALSE);
      }
      if (target != nullptr && IsChild(dialog, target)) FocusControl(dialog, target);
      return 0;
    }
    case WM_ACTIVATE:
      if (!state) return DefWindowProc(dialog, message, wparam, lparam);
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(dialog, focus)) state->saved_focus = focus;
      } else {
        RestoreFocus(dialog, *state);
      }
      return 0;
    case WM_SETFOCUS:
      if (state) RestoreFocus(dialog, *state);
      return 0;
    case WM_ERASEBKGND: {
      auto dc = reinterpret_cast<HDC>(wparam);
      auto brush = reinterpret_cast<HBRUSH>(SendMessage(dialog, WM_CTLCOLORDLG, wparam, reinterpret_cast<LPARAM>(dialog)));
      if (brush == nullptr) brush = GetSysColorBrush(COLOR_BTNFACE);
      RECT client{};
      GetClientRect(dialog, &client);
      FillRect(dc, &client, brush);
      return 1;
    }
    case WM_GETFONT: return state ? reinterpret_cast<LRESULT>(state->font) : 0;
    case WM_COMMAND: return 0;
    case WM_NCDESTROY:
      if (state && state->owns_font && state->font != nullptr) DeleteObject(state->font);
      Dialogs().erase(dialog);
      return DefWindowProc(dialog, message, wparam, lparam);
    default: return DefWindowProc(dialog, message, wparam, lparam);
  }
}

HFONT MakeTemplateFont(const DialogTemplate& dialog, bool* is_owned) {
  *is_owned = false;
  if ((dialog.style & DS_SETFONT) == 0 || dialog.font_face == nullptr || dialog.point_size <= 0) {
    return DefaultControlFont();
  }
  LOGFONT logfont;
  logfont.lfHeight = -MulDiv(dialog.point_size, 96, 72);
  logfont.lfWeight = 400;
  logfont.lfFaceName = dialog.font_face;
  HFONT font = CreateFontIndirect(&logfont);
  if (font == nullptr) return DefaultControlFont();
  *is_owned = true;
  return font;
}

RECT ToPixels(SIZE units, int x, int y, int cx, int cy) {
  return RECT{MulDiv(x, units.cx, 4), MulDiv(y, units.cy, 8), MulDiv(x + cx, units.cx, 4), MulDiv(y + cy, units.cy, 8)};
}

bool IsBadTemplate(const DialogTemplate* dialog) {
  if (dialog == nullptr || dialog->cx < 0 || dialog->cy < 0) return true;
  for (const DialogItemTemplate& item : dialog->items) {
    if (item.class_name == nullptr || item.cx < 0 || item.cy < 0) return true;
  }
  return false;
}

// Where the dialog's window goes: from its owner's client origin (the
// screen with DS_ABSALIGN or no owner), centred with DS_CENTER.
POINT Placement(const DialogTemplate& dialog, HWND parent, SIZE units, SIZE window_size) {
  const RECT offset = ToPixels(units, dialog.x, dialog.y, 0, 0);
  POINT origin{offset.left, offset.top};
  if ((dialog.style & WS_CHILD) != 0) return origin;
  if ((dialog.style & (DS_CENTER | DS_CENTERMOUSE)) != 0) {
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (parent != nullptr && IsWindowVisible(parent)) GetWindowRect(parent, &area);
    origin.x = (area.left + area.right - window_size.cx) / 2;
    origin.y = (area.top + area.bottom - window_size.cy) / 2;
  } else if ((dialog.style & DS_ABSALIGN) == 0 && parent != nullptr) {
    ClientToScreen(parent, &origin);
  }
  origin.x = std::max<LONG>(0, std::min<LONG>(origin.x, GetSystemMetrics(SM_CXSCREEN) - window_size.cx));
  origin.y = std::max<LONG>(0, std::min<LONG>(origin.y, GetSystemMetrics(SM_CYSCREEN) - window_size.cy));
  return origin;
}

bool CreateItems(HWND hwnd, HINSTANCE instance, const DialogTemplate& dialog, const DialogState& state) {
  for (const DialogItemTemplate& item : dialog.items) {
    const RECT rect = ToPixels(state.base_units, item.x, item.y, item.cx, item.cy);
    HWND control = CreateWindowEx(item.ex_style | WS_EX_NOPARENTNOTIFY, item.class_name,
                                  item.text != nullptr ? item.text : "", (item.style | WS_CHILD) & ~WS_POPUP,
                                  rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, hwnd,
                                  reinterpret_cast<HMENU>(static_cast<intptr_t>(item.id)), instance, nullptr);
    if (!IsWindow(hwnd)) return false;
    if (control == nullptr) {
      if ((dialog.style & DS_NOFAILCREATE) != 0) continue;
      return false;
    }
    SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), FALSE);
  }
  return true;
}

HWND CreateFromTemplate(HINSTANCE instance, const DialogTemplate* dialog, HWND parent, DLGPROC proc,
                        LPARAM init_param) {
  if (IsBadTemplate(dialog)) return FailWith<HWND>(nullptr, ERROR_INVALID_PARAMETER);
  auto state = std::make_shared<DialogState>();
  state->font = MakeTemplateFont(*dialog, &state->owns_font);
  state->base_units = FontBaseUnits(state->font);
  const RECT client = ToPixels(state->base_units, 0, 0, dialog->cx, dialog->cy);
  DWORD style = dialog->style & ~WS_VISIBLE;
  DWORD ex_style = dialog->ex_style | WS_EX_CONTROLPARENT;
  if ((style & DS_MODALFRAME) != 0) ex_style |= WS_EX_DLGMODALFRAME;
  if ((style & WS_CHILD) == 0 && (style & WS_POPUP) == 0 && (style & WS_CAPTION) == 0) style |= WS_POPUP;
  RECT window = client;
  AdjustWindowRectEx(&window, style, FALSE, ex_style);
  const SIZE window_size{window.right - window.left, window.bottom - window.top};
  const POINT origin = Placement(*dialog, parent, state->base_units, window_size);
  CreationParams params{proc};
  // The dialog's state is registered by its first message (WM_NCCREATE).
  PendingDialog() = state;
  HWND hwnd = CreateWindowEx(ex_style, kDialogClass, dialog->title != nullptr ? dialog->title : "", style, origin.x,
                             origin.y, window_size.cx, window_size.cy, parent, nullptr, instance, &params);
  PendingDialog() = nullptr;
  if (hwnd == nullptr) {
    if (state->owns_font) DeleteObject(state->font);
    return nullptr;
  }
  if ((style & DS_SETFONT) != 0) SendMessage(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), FALSE);
  if (!CreateItems(hwnd, instance, *dialog, *state)) {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    return FailWith<HWND>(nullptr, ERROR_CANNOT_FIND_WND_CLASS);
  }
  for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if ((SendMessage(child, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) != 0) {
      state->default_id = GetDlgCtrlID(child);
      break;
    }
  }
  HWND first = FirstTabStop(hwnd);
  const LRESULT wants_focus = SendMessage(hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), init_param);
  if (!IsWindow(hwnd)) return nullptr;
  if (wants_focus != 0 && first != nullptr && IsWindow(first)) FocusControl(hwnd, first);
  if ((dialog->style & WS_VISIBLE) != 0 && !state->is_ended) {
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
  }
  return hwnd;
}

const DialogTemplate* TemplateResource(HINSTANCE instance, const char* name) {
  HRSRC resource = FindResource(instance, name, MAKEINTRESOURCE(RT_DIALOG));
  if (resource == nullptr) return nullptr;
  const auto* entry = reinterpret_cast<const ResourceEntry*>(resource);
  return static_cast<const DialogTemplate*>(entry->data);
}

}  // namespace

std::shared_ptr<DialogState> FindDialog(HWND dialog) {
  auto found = Dialogs().find(dialog);
  return found != Dialogs().end() ? found->second : nullptr;
}

SIZE FontBaseUnits(HFONT font) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT previous = SelectObject(dc, font != nullptr ? font : DefaultControlFont());
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE extent{};
  GetTextExtentPoint32(dc, kLetters, 52, &extent);
  TEXTMETRIC metrics;
  GetTextMetrics(dc, &metrics);
  SelectObject(dc, previous);
  DeleteDC(dc);
  return SIZE{std::max<LONG>(1, (extent.cx / 26 + 1) / 2), std::max<LONG>(1, metrics.tmHeight)};
}

void FocusControl(HWND dialog, HWND control) {
  if (control == nullptr || !IsWindow(control)) return;
  const LRESULT code = SendMessage(control, WM_GETDLGCODE, 0, 0);
  const auto state = FindDialog(dialog);
  if (state) {
    // A focused push button shows as the default; leaving the buttons gives
    // the look back to the dialog's default button.
    HWND default_button = GetDlgItem(dialog, state->default_id);
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
      const LRESULT child_code = SendMessage(child, WM_GETDLGCODE, 0, 0);
      if ((child_code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) == 0 || !HasClass(child, kButtonClass)) continue;
      const bool is_pushbutton_focus = (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
      const bool should_be_default = is_pushbutton_focus ? child == control : child == default_button;
      const bool is_default = (child_code & DLGC_DEFPUSHBUTTON) != 0;
      if (should_be_default != is_default) {
        SendMessage(child, BM_SETSTYLE, should_be_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
      }
    }
    state->saved_focus = control;
  }
  if ((code & DLGC_HASSETSEL) != 0) SendMessage(control, EM_SETSEL, 0, -1);
  SetFocus(control);
}

void RegisterPendingDialog(HWND hwnd) {
  auto& pending = PendingDialog();
  if (pending) Dialogs()[hwnd] = std::move(pending);
}

}  // namespace comctl

LRESULT DefDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE && comctl::PendingDialog()) {
    // Made by the manager: the creation parameters carry the dialog procedure.
    const auto* create = reinterpret_cast<const CREATESTRUCT*>(lparam);
    const auto* params = static_cast<const comctl::CreationParams*>(create->lpCreateParams);
    if (params != nullptr) SetWindowLongPtr(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(params->proc));
    comctl::RegisterPendingDialog(dialog);
  }
  auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtr(dialog, DWLP_DLGPROC));
  if (proc != nullptr) {
    SetWindowLongPtr(dialog, DWLP_MSGRESULT, 0);
    const INT_PTR handled = proc(dialog, message, wparam, lparam);
    if (!IsWindow(dialog)) return 0;
    if (comctl::ReturnsValueDirectly(message)) {
      if (handled != 0 || message == WM_INITDIALOG) return handled;
    } else if (handled != 0) {
      return GetWindowLongPtr(dialog, DWLP_MSGRESULT);
    }
  }
  return comctl::DefaultHandling(dialog, message, wparam, lparam);
}

HWND CreateDialogIndirectParam(HINSTANCE instance, const DialogTemplate* dialog, HWND parent, DLGPROC proc,
                               LPARAM init_param) {
  return comctl::CreateFromTemplate(instance, dialog, parent, proc, init_param);
}

HWND CreateDialogParam(HINSTANCE instance, const char* template_name, HWND parent, DLGPROC proc, LPARAM init_param) {
  const DialogTemplate* dialog = comctl::TemplateResource(instance, template_name);
  if (dialog == nullptr) return nullptr;
  return comctl::CreateFromTemplate(instance, dialog, parent, proc, init_param);
}

INT_PTR DialogBoxIndirectParam(HINSTANCE instance, const DialogTemplate* dialog, HWND parent, DLGPROC proc,
                               LPARAM init_param) {
  if (!user::EnsureGuiThread()) return FailWith<INT_PTR>(-1, ERROR_INVALID_THREAD_ID);
  HWND owner = parent != nullptr ? GetAncestor(parent, GA_ROOT) : nullptr;
  if (dialog != nullptr && (dialog->style & WS_CHILD) != 0) return FailWith<INT_PTR>(-1, ERROR_INVALID_PARAMETER);
  HWND hwnd = comctl::CreateFromTemplate(instance, dialog, owner, proc, init_param);
  if (hwnd == nullptr) return -1;
  const auto state = comctl::FindDialog(hwnd);
  const bool reenable_owner = owner != nullptr && IsWindowEnabled(owner);
  if (reenable_owner) EnableWindow(owner, FALSE);
  if (!state->is_ended) {
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
  }
  user::RunLoop(hwnd, [&] { return state->is_ended; },
                [&](MSG& msg) { return IsWindow(hwnd) && IsDialogMessage(hwnd, &msg) != FALSE; });
  const INT_PTR result = state->is_ended ? state->result : 0;
  if (reenable_owner && IsWindow(owner)) EnableWindow(owner, TRUE);
  if (IsWindow(hwnd)) {
    ShowWindow(hwnd, SW_HIDE);
    if (owner != nullptr && IsWindow(owner)) SetActiveWindow(owner);
    DestroyWindow(hwnd);
  }
  return result;
}

INT_PTR DialogBoxParam(HINSTANCE instance, const char* template_name, HWND parent, DLGPROC proc, LPARAM init_param) {
  const DialogTemplate* dialog = comctl::TemplateResource(instance, template_name);
  if (dialog == nullptr) return -1;
  return DialogBoxIndirectParam(instance, dialog, parent, proc, init_param);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  const auto state = comctl::FindDialog(dialog);
  if (!state) return FailWith<BOOL>(FALSE, ERROR_INVALID_WINDOW_HANDLE);
  state->is_ended = true;
  state->result = result;
  user::WakeLoop();
  return TRUE;
}

LONG GetDialogBaseUnits() {
  const SIZE units = comctl::FontBaseUnits(comctl::DefaultControlFont());
  return static_cast<LONG>(MAKELONG(static_cast<WORD>(units.cx), static_cast<WORD>(units.cy)));
}

BOOL MapDialogRect(HWND dialog, RECT* rect) {
  const auto state = comctl::FindDialog(dialog);
  if (!state || rect == nullptr) return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
  *rect = comctl::ToPixels(state->base_units, rect->left, rect->top, rect->right - rect->left,
                           rect->bottom - rect->top);
  return TRUE;
}

LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? SendMessage(control, message, wparam, lparam) : 0;
}

BOOL SetDlgItemText(HWND dialog, int id, const char* text) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? SetWindowText(control, text) : FALSE;
}

UINT GetDlgItemText(HWND dialog, int id, char* out, int max_bytes) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) {
    if (out != nullptr && max_bytes > 0) out[0] = '\0';
    return 0;
  }
  return static_cast<UINT>(GetWindowText(control, out, max_bytes));
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL is_signed) {
  const std::string text = is_signed ? std::to_string(static_cast<int>(value)) : std::to_string(value);
  return SetDlgItemText(dialog, id, text.c_str());
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL is_signed) {
  if (translated != nullptr) *translated = FALSE;
  char text[64] = {};
  GetDlgItemText(dialog, id, text, sizeof(text));
  const char* at = text;
  while (*at == ' ') ++at;
  if (*at == '\0' || (!is_signed && *at == '-')) return 0;
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(at, &end, 10);
  while (end != nullptr && *end == ' ') ++end;
  if (errno != 0 || end == at || end == nullptr || *end != '\0') return 0;
  const bool fits = is_signed ? (value >= INT32_MIN && value <= INT32_MAX) : (value >= 0 && value <= UINT32_MAX);
  if (!fits) return 0;
  if (translated != nullptr) *translated = TRUE;
  return static_cast<UINT>(value);
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return FALSE;
  SendMessage(control, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  return static_cast<UINT>(SendDlgItemMessage(dialog, id, BM_GETCHECK, 0, 0));
}

BOOL CheckRadioButton(HWND dialog, int first_id, int last_id, int check_id) {
  if (first_id > last_id) return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
  for (int id = first_id; id <= last_id; ++id) {
    HWND control = GetDlgItem(dialog, id);
    if (control != nullptr) SendMessage(control, BM_SETCHECK, id == check_id ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  return TRUE;
}

}  // namespace plat
