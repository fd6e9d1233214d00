// The dialog manager's keyboard: Tab and Shift+Tab through the tab stops,
// arrows inside a group, Enter for the focused or default push button, Esc
// for IDCANCEL, and mnemonics (Alt+letter always, a plain letter when the
// focused control takes no characters).
#include <vector>

#include "comctl/control_base.h"
#include "comctl/dialog_manager.h"
#include "plat/utf8.h"

namespace plat {

namespace comctl {

namespace {

std::vector<HWND> Controls(HWND dialog) {
  std::vector<HWND> controls;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    controls.push_back(child);
  }
  return controls;
}

bool IsUsable(HWND hwnd) { return IsWindowVisible(hwnd) && IsWindowEnabled(hwnd); }

int IndexOf(const std::vector<HWND>& controls, HWND control) {
  for (size_t i = 0; i < controls.size(); ++i) {
    if (controls[i] == control) return static_cast<int>(i);
  }
  return -1;
}

// The direct child of `dialog` that holds `hwnd` (a combo box for its edit).
HWND ControlOf(HWND dialog, HWND hwnd) {
  while (hwnd != nullptr && GetParent(hwnd) != dialog) {
    if ((StyleOf(hwnd) & WS_CHILD) == 0) return nullptr;
    hwnd = GetParent(hwnd);
  }
  return hwnd;
}

LRESULT DialogCode(HWND control, MSG* msg) {
  return SendMessage(control, WM_GETDLGCODE, msg != nullptr ? msg->wParam : 0, reinterpret_cast<LPARAM>(msg));
}

void Command(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  if (control != nullptr && !IsWindowEnabled(control)) {
    MessageBeep(0);
    return;
  }
  SendMessage(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

void PressEnter(HWND dialog, HWND focus) {
  if (focus != nullptr && (SendMessage(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0 &&
      IsChild(dialog, focus)) {
    Command(dialog, GetDlgCtrlID(focus));
    return;
  }
  const LRESULT answer = SendMessage(dialog, DM_GETDEFID, 0, 0);
  const int id = HIWORD(static_cast<uintptr_t>(answer)) == DC_HASDEFID ? LOWORD(static_cast<uintptr_t>(answer)) : IDOK;
  Command(dialog, id);
}

std::string TextOf(HWND hwnd) {
  char text[256] = {};
  GetWindowText(hwnd, text, sizeof(text));
  return text;
}

// The control a mnemonic names, after the focused one and wrapping round;
// TRUE when one was found and acted on.
bool RunMnemonic(HWND dialog, HWND focus, char32_t code) {
  if (code >= 'A' && code <= 'Z') code = code - 'A' + 'a';
  const std::vector<HWND> controls = Controls(dialog);
  const int count = static_cast<int>(controls.size());
  if (count == 0) return false;
  const int start = IndexOf(controls, ControlOf(dialog, focus));
  for (int step = 1; step <= count; ++step) {
    const int at = ((start < 0 ? -1 : start) + step + count) % count;
    HWND control = controls[static_cast<size_t>(at)];
    if (!IsWindowVisible(control)) continue;
    const LRESULT control_code = SendMessage(control, WM_GETDLGCODE, 0, 0);
    const bool is_static = (control_code & DLGC_STATIC) != 0;
    if (is_static && HasClass(control, kStaticClass) && (StyleOf(control) & SS_NOPREFIX) != 0) continue;
    if (MnemonicOf(TextOf(control)) != code) continue;
    if (is_static) {
      // A label gives the focus to the next control that takes it.
      for (int next = 1; next < count; ++next) {
        HWND target = controls[static_cast<size_t>((at + next) % count)];
        const LRESULT target_code = SendMessage(target, WM_GETDLGCODE, 0, 0);
        if (IsUsable(target) && (target_code & DLGC_STATIC) == 0) {
          FocusControl(dialog, target);
          return true;
        }
      }
      return true;
    }
    if (!IsWindowEnabled(control)) continue;
    if ((control_code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0) {
      SendMessage(control, BM_CLICK, 0, 0);
    } else if ((control_code & DLGC_BUTTON) != 0) {
      FocusControl(dialog, control);
      SendMessage(control, BM_CLICK, 0, 0);
    } else {
      FocusControl(dialog, control);
    }
    return true;
  }
  return false;
}

}  // namespace

}  // namespace comctl

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  if (!IsWindow(dialog)) return nullptr;
  const std::vector<HWND> controls = comctl::Controls(dialog);
  const int count = static_cast<int>(controls.size());
  if (count == 0) return nullptr;
  int start = comctl::IndexOf(controls, comctl::ControlOf(dialog, control));
  if (start < 0) start = previous ? 0 : count - 1;
  for (int step = 1; step <= count; ++step) {
    const int at = ((previous ? start - step : start + step) % count + count) % count;
    HWND candidate = controls[static_cast<size_t>(at)];
    if ((comctl::StyleOf(candidate) & WS_TABSTOP) != 0 && comctl::IsUsable(candidate)) return candidate;
  }
  return control;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  if (!IsWindow(dialog)) return nullptr;
  const std::vector<HWND> controls = comctl::Controls(dialog);
  const int count = static_cast<int>(controls.size());
  if (count == 0) return nullptr;
  int at = comctl::IndexOf(controls, comctl::ControlOf(dialog, control));
  if (at < 0) return controls.front();
  // The group: from the last WS_GROUP control at or before `at` up to the
  // control before the next WS_GROUP one.
  int first = at;
  while (first > 0 && (comctl::StyleOf(controls[static_cast<size_t>(first)]) & WS_GROUP) == 0) --first;
  int last = at + 1;
  while (last < count && (comctl::StyleOf(controls[static_cast<size_t>(last)]) & WS_GROUP) == 0) ++last;
  const int size = last - first;
  for (int step = 1; step < size; ++step) {
    const int offset = ((at - first + (previous ? -step : step)) % size + size) % size;
    HWND candidate = controls[static_cast<size_t>(first + offset)];
    if (comctl::IsUsable(candidate)) return candidate;
  }
  return control;
}

BOOL IsDialogMessage(HWND dialog, MSG* msg) {
  if (msg == nullptr || !IsWindow(dialog) || msg->hwnd == nullptr) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  HWND focus = GetFocus();
  switch (msg->message) {
    case WM_KEYDOWN: {
      const LRESULT code = comctl::DialogCode(msg->hwnd, msg);
      if ((code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) != 0) break;
      switch (msg->wParam) {
        case VK_TAB: {
          if ((code & DLGC_WANTTAB) != 0) break;
          HWND next = GetNextDlgTabItem(dialog, focus, GetKeyState(VK_SHIFT) < 0 ? TRUE : FALSE);
          if (next != nullptr) comctl::FocusControl(dialog, next);
          return TRUE;
        }
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
          if ((code & DLGC_WANTARROWS) != 0) break;
          const BOOL previous = msg->wParam == VK_LEFT || msg->wParam == VK_UP ? TRUE : FALSE;
          HWND next = GetNextDlgGroupItem(dialog, focus, previous);
          if (next == nullptr || next == focus) return TRUE;
          comctl::FocusControl(dialog, next);
          // Moving onto an automatic radio button checks it.
          if ((SendMessage(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0 &&
              (comctl::StyleOf(next) & BS_TYPEMASK) == BS_AUTORADIOBUTTON) {
            SendMessage(next, BM_CLICK, 0, 0);
          }
          return TRUE;
        }
        case VK_RETURN: comctl::PressEnter(dialog, focus); return TRUE;
        case VK_ESCAPE: comctl::Command(dialog, IDCANCEL); return TRUE;
        default: break;
      }
      break;
    }
    case WM_CHAR: {
      const LRESULT code = comctl::DialogCode(msg->hwnd, msg);
      if ((code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) != 0) break;
      if (msg->wParam == '\t' || msg->wParam == '\r' || msg->wParam == 0x1B) return TRUE;
      if (comctl::RunMnemonic(dialog, focus, static_cast<char32_t>(msg->wParam))) return TRUE;
      break;
    }
    case WM_SYSCHAR:
      if (comctl::RunMnemonic(dialog, focus, static_cast<char32_t>(msg->wParam))) return TRUE;
      break;
    default: break;
  }
  TranslateMessage(msg);
  DispatchMessage(msg);
  return TRUE;
}

}  // namespace plat
