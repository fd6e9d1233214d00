// The up-down control: two arrows stepping a position inside a range, with
// an optional buddy window that shows the position as text. The parent may
// refuse or change each step (UDN_DELTAPOS) before it happens.
#include <algorithm>
#include <charconv>
#include <string>

#include "comctl/control_base.h"
#include "plat/updown.h"

namespace plat::comctl {

namespace {

constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeatMs = 400;
constexpr UINT kRepeatMs = 100;
constexpr int kDefaultWidthPx = 16;

enum class Arrow { kNone, kUp, kDown };

struct UpDown {
  int min = 0;
  int max = 100;
  int pos = 0;
  int base = 10;
  HWND buddy = nullptr;
  Arrow pressed = Arrow::kNone;
  bool is_inside = false;
};

using UpDownPtr = std::shared_ptr<UpDown>;

bool IsHorizontal(HWND hwnd) { return (StyleOf(hwnd) & UDS_HORZ) != 0; }

std::string FormatPos(HWND hwnd, const UpDown& control) {
  char digits[24] = {};
  const bool is_negative = control.pos < 0;
  const uint32_t magnitude = is_negative ? 0u - static_cast<uint32_t>(control.pos) : static_cast<uint32_t>(control.pos);
  auto [end, error] = std::to_chars(digits, digits + sizeof(digits), magnitude, control.base == 16 ? 16 : 10);
  std::string text(digits, end);
  if (control.base == 16) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'a' ? c - 'a' + 'A' : c; });
    return "0x" + text;
  }
  if ((StyleOf(hwnd) & UDS_NOTHOUSANDS) == 0) {
    for (int at = static_cast<int>(text.size()) - 3; at > 0; at -= 3) text.insert(static_cast<size_t>(at), ",");
  }
  return is_negative ? "-" + text : text;
}

// The number a buddy shows: optional sign, digits (thousands separators
// skipped; "0x" and hex digits in base 16). False for anything else.
bool ParseNumber(std::string text, int base, int64_t* value) {
  while (!text.empty() && text.front() == ' ') text.erase(text.begin());
  while (!text.empty() && text.back() == ' ') text.pop_back();
  bool is_negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    is_negative = text[0] == '-';
    text.erase(text.begin());
  }
  if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.erase(0, 2);
  if (base == 10) std::erase(text, ',');
  if (text.empty() || text.size() > 12) return false;
  int64_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, base == 16 ? 16 : 10);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  *value = is_negative ? -number : number;
  return true;
}

bool IsBuddyInt(HWND hwnd, const UpDown& control) {
  return control.buddy != nullptr && IsWindow(control.buddy) && (StyleOf(hwnd) & UDS_SETBUDDYINT) != 0;
}

void ShowInBuddy(HWND hwnd, const UpDown& control) {
  if (IsBuddyInt(hwnd, control)) SetWindowText(control.buddy, FormatPos(hwnd, control).c_str());
}

// Takes the buddy's number as the position; false (position kept) when the
// text is not a number or lies outside the range (then clamped).
bool ReadBuddy(HWND hwnd, UpDown& control) {
  if (!IsBuddyInt(hwnd, control)) return true;
  const int length = GetWindowTextLength(control.buddy);
  std::string text(static_cast<size_t>(std::max(length, 0)) + 1, '\0');
  GetWindowText(control.buddy, text.data(), static_cast<int>(text.size()));
  text.resize(text.find('\0'));
  int64_t number = 0;
  if (!ParseNumber(text, control.base, &number)) return false;
  control.pos = static_cast<int>(std::clamp<int64_t>(number, control.min, control.max));
  return number == control.pos;
}

void SetRange(UpDown& control, int lower, int upper) {
  if (lower > upper) std::swap(lower, upper);
  control.min = lower;
  control.max = upper;
  control.pos = std::clamp(control.pos, control.min, control.max);
}

// One step of `delta` as the user asks for it: the parent may refuse it or
// change the delta; the result is wrapped (UDS_WRAP) or clamped.
void Step(HWND hwnd, UpDown& control, int delta) {
  ReadBuddy(hwnd, control);
  NMUPDOWN change;
  change.iPos = control.pos;
  change.iDelta = delta;
  if (NotifyParentOf(hwnd, &change.hdr, UDN_DELTAPOS) != 0) return;
  const int64_t target = static_cast<int64_t>(control.pos) + change.iDelta;
  if ((StyleOf(hwnd) & UDS_WRAP) != 0 && (target > control.max || target < control.min)) {
    control.pos = target > control.max ? control.min : control.max;
  } else {
    control.pos = static_cast<int>(std::clamp<int64_t>(target, control.min, control.max));
  }
  ShowInBuddy(hwnd, control);
  HWND parent = GetParent(hwnd);
  if (parent != nullptr) {
    SendMessage(parent, IsHorizontal(hwnd) ? WM_HSCROLL : WM_VSCROLL,
                MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(control.pos)), reinterpret_cast<LPARAM>(hwnd));
  }
}

void EndSteps(HWND hwnd) {
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  SendMessage(parent, IsHorizontal(hwnd) ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0),
              reinterpret_cast<LPARAM>(hwnd));
}

// The two arrows: up (or right) first.
RECT ArrowRect(HWND hwnd, Arrow arrow) {
  RECT client{};
  GetClientRect(hwnd, &client);
  if (IsHorizontal(hwnd)) {
    const int middle = client.right / 2;
    return arrow == Arrow::kUp ? RECT{middle, 0, client.right, client.bottom} : RECT{0, 0, middle, client.bottom};
  }
  const int middle = client.bottom / 2;
  return arrow == Arrow::kUp ? RECT{0, 0, client.right, middle} : RECT{0, middle, client.right, client.bottom};
}

Arrow ArrowAt(HWND hwnd, POINT point) {
  for (Arrow arrow : {Arrow::kUp, Arrow::kDown}) {
    const RECT box = ArrowRect(hwnd, arrow);
    if (PtInRect(&box, point)) return arrow;
  }
  return Arrow::kNone;
}

void DrawArrow(HDC dc, RECT box, Arrow arrow, bool is_horizontal, bool is_enabled) {
  const int cx = (box.left + box.right) / 2;
  const int cy = (box.top + box.bottom) / 2;
  HBRUSH ink = GetSysColorBrush(is_enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  const bool points_back = arrow == Arrow::kUp ? !is_horizontal : is_horizontal;  // up, or left for "down"
  for (int step = 0; step < 3; ++step) {
    const int reach = points_back ? step : 2 - step;
    const RECT line = is_horizontal
                          ? RECT{cx - 1 + step, cy - reach, cx + step, cy + reach + 1}
                          : RECT{cx - reach, cy - 1 + step, cx + reach + 1, cy + step};
    FillRect(dc, &line, ink);
  }
}

void Paint(HWND hwnd, const UpDown& control) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  const bool is_enabled = IsWindowEnabled(hwnd) != FALSE;
  for (Arrow arrow : {Arrow::kUp, Arrow::kDown}) {
    const RECT box = ArrowRect(hwnd, arrow);
    FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
    DrawRaisedFrame(dc, box, control.pressed == arrow && control.is_inside);
    DrawArrow(dc, box, arrow, IsHorizontal(hwnd), is_enabled);
  }
  EndPaint(hwnd, &paint);
}

// Places the control inside the buddy's right (or left) edge and narrows the buddy.
void AlignToBuddy(HWND hwnd, const UpDown& control) {
  const DWORD style = StyleOf(hwnd);
  if ((style & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT)) == 0 || control.buddy == nullptr) return;
  HWND parent = GetParent(control.buddy);
  RECT buddy{};
  GetWindowRect(control.buddy, &buddy);
  POINT origin{buddy.left, buddy.top};
  if (parent != nullptr) ScreenToClient(parent, &origin);
  RECT own{};
  GetWindowRect(hwnd, &own);
  const int width = own.right > own.left ? own.right - own.left : kDefaultWidthPx;
  const int buddy_width = buddy.right - buddy.left;
  const int buddy_height = buddy.bottom - buddy.top;
  const int narrowed = std::max(0, buddy_width - width + 2);
  if ((style & UDS_ALIGNRIGHT) != 0) {
    MoveWindow(control.buddy, origin.x, origin.y, narrowed, buddy_height, TRUE);
    MoveWindow(hwnd, origin.x + narrowed - 2, origin.y, width, buddy_height, TRUE);
  } else {
    MoveWindow(control.buddy, origin.x + width - 2, origin.y, narrowed, buddy_height, TRUE);
    MoveWindow(hwnd, origin.x, origin.y, width, buddy_height, TRUE);
  }
}

// The buddy's Up and Down keys step the control (UDS_ARROWKEYS).
LRESULT CALLBACK BuddyKeys(HWND buddy, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id, DWORD_PTR ref_data) {
  auto updown = reinterpret_cast<HWND>(ref_data);
  if (message == WM_KEYDOWN && (wparam == VK_UP || wparam == VK_DOWN) && IsWindow(updown)) {
    if (const UpDownPtr state = StateOf<UpDown>(updown)) {
      Step(updown, *state, wparam == VK_UP ? 1 : -1);
      return 0;
    }
  }
  if (message == WM_KEYUP && (wparam == VK_UP || wparam == VK_DOWN) && IsWindow(updown)) {
    EndSteps(updown);
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(buddy, &BuddyKeys, id);
  return DefSubclassProc(buddy, message, wparam, lparam);
}

UINT_PTR SubclassId(HWND hwnd) { return reinterpret_cast<UINT_PTR>(hwnd); }

HWND SetBuddy(HWND hwnd, UpDown& control, HWND buddy) {
  HWND previous = control.buddy;
  if (previous != nullptr && IsWindow(previous)) RemoveWindowSubclass(previous, &BuddyKeys, SubclassId(hwnd));
  control.buddy = buddy != nullptr && IsWindow(buddy) ? buddy : nullptr;
  if (control.buddy == nullptr) return previous;
  if ((StyleOf(hwnd) & UDS_ARROWKEYS) != 0) {
    SetWindowSubclass(control.buddy, &BuddyKeys, SubclassId(hwnd), reinterpret_cast<DWORD_PTR>(hwnd));
  }
  AlignToBuddy(hwnd, control);
  ShowInBuddy(hwnd, control);
  return previous;
}

LRESULT Handle(HWND hwnd, const UpDownPtr& state, UINT message, WPARAM wparam, LPARAM lparam) {
  UpDown& control = *state;
  switch (message) {
    case WM_CREATE:
      if ((StyleOf(hwnd) & UDS_AUTOBUDDY) != 0) SetBuddy(hwnd, control, GetWindow(hwnd, GW_HWNDPREV));
      return 0;
    case WM_DESTROY:
      SetBuddy(hwnd, control, nullptr);
      return 0;
    case WM_PAINT: Paint(hwnd, control); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_ENABLE:
    case WM_SIZE: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const Arrow arrow = ArrowAt(hwnd, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      if (arrow == Arrow::kNone) return 0;
      control.pressed = arrow;
      control.is_inside = true;
      SetCapture(hwnd);
      if (control.buddy != nullptr && IsWindow(control.buddy)) SetFocus(control.buddy);
      Step(hwnd, control, arrow == Arrow::kUp ? 1 : -1);
      SetTimer(hwnd, kRepeatTimer, kFirstRepeatMs, nullptr);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (control.pressed == Arrow::kNone) return 0;
      const bool is_inside = ArrowAt(hwnd, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}) == control.pressed;
      if (is_inside != control.is_inside) {
        control.is_inside = is_inside;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    }
    case WM_TIMER:
      if (wparam != kRepeatTimer) return 0;
      SetTimer(hwnd, kRepeatTimer, kRepeatMs, nullptr);
      if (control.pressed != Arrow::kNone && control.is_inside) {
        Step(hwnd, control, control.pressed == Arrow::kUp ? 1 : -1);
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (control.pressed == Arrow::kNone) return 0;
      control.pressed = Arrow::kNone;
      KillTimer(hwnd, kRepeatTimer);
      if (message == WM_LBUTTONUP && GetCapture() == hwnd) ReleaseCapture();
      EndSteps(hwnd);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_KEYDOWN:
      if ((StyleOf(hwnd) & UDS_ARROWKEYS) != 0 && (wparam == VK_UP || wparam == VK_DOWN)) {
        Step(hwnd, control, wparam == VK_UP ? 1 : -1);
        return 0;
      }
      return DefWindowProc(hwnd, message, wparam, lparam);
    case WM_GETDLGCODE: return (StyleOf(hwnd) & UDS_ARROWKEYS) != 0 ? DLGC_WANTARROWS : 0;
    case UDM_SETRANGE:
      SetRange(control, static_cast<short>(HIWORD(lparam)), static_cast<short>(LOWORD(lparam)));
      return 0;
    case UDM_GETRANGE:
      return MAKELONG(static_cast<WORD>(control.max), static_cast<WORD>(control.min));
    case UDM_SETRANGE32:
      SetRange(control, static_cast<int>(wparam), static_cast<int>(lparam));
      return 0;
    case UDM_GETRANGE32:
      if (wparam != 0) *reinterpret_cast<int*>(wparam) = control.min;
      if (lparam != 0) *reinterpret_cast<int*>(lparam) = control.max;
      return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
      const int previous = control.pos;
      const int asked = message == UDM_SETPOS ? static_cast<short>(LOWORD(lparam)) : static_cast<int>(lparam);
      control.pos = std::clamp(asked, control.min, control.max);
      ShowInBuddy(hwnd, control);
      return previous;
    }
    case UDM_GETPOS: {
      const bool is_number = ReadBuddy(hwnd, control);
      return MAKELONG(static_cast<WORD>(control.pos), is_number ? 0 : 1);
    }
    case UDM_GETPOS32: {
      const bool is_number = ReadBuddy(hwnd, control);
      if (lparam != 0) *reinterpret_cast<BOOL*>(lparam) = is_number ? FALSE : TRUE;
      return control.pos;
    }
    case UDM_SETBUDDY: return reinterpret_cast<LRESULT>(SetBuddy(hwnd, control, reinterpret_cast<HWND>(wparam)));
    case UDM_GETBUDDY: return reinterpret_cast<LRESULT>(control.buddy);
    case UDM_SETBASE: {
      if (wparam != 10 && wparam != 16) return 0;
      const int previous = control.base;
      control.base = static_cast<int>(wparam);
      ShowInBuddy(hwnd, control);
      return previous;
    }
    case UDM_GETBASE: return control.base;
    default: return DefWindowProc(hwnd, message, wparam, lparam);
  }
}

}  // namespace

LRESULT CALLBACK UpDownProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RunControl<UpDown, &Handle>(hwnd, message, wparam, lparam);
}

}  // namespace plat::comctl
