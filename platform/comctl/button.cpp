// The BUTTON control: push buttons (default or not), check boxes and radio
// buttons with their automatic forms, three-state boxes, group boxes,
// owner-drawn buttons and buttons showing a bitmap. A click is a press and
// a release inside, the space bar, or BM_CLICK; it ends in BN_CLICKED.
#include <algorithm>
#include <string>

#include "comctl/control_base.h"
#include "plat/dialog.h"
#include "plat/resources.h"

namespace plat::comctl {

namespace {

constexpr int kBoxSize = 13;

struct Button {
  WPARAM check = BST_UNCHECKED;
  bool is_pushed = false;
  bool has_focus = false;
  bool is_tracking = false;
  bool is_space_down = false;
  HFONT font = nullptr;
  HANDLE image = nullptr;
  UINT image_type = IMAGE_BITMAP;
};

using ButtonPtr = std::shared_ptr<Button>;

DWORD TypeOf(HWND hwnd) { return StyleOf(hwnd) & BS_TYPEMASK; }

bool IsCheckType(DWORD type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
}
bool IsRadioType(DWORD type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }
bool IsPushType(DWORD type) {
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_PUSHBOX || type == BS_USERBUTTON;
}
bool IsPushLike(HWND hwnd) { return IsPushType(TypeOf(hwnd)) || (StyleOf(hwnd) & BS_PUSHLIKE) != 0; }

std::string TextOf(HWND hwnd) {
  const int length = GetWindowTextLength(hwnd);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowText(hwnd, text.data(), length + 1)));
  return text;
}

// The automatic forms change their state on a click.
void ToggleAutomatic(HWND hwnd, Button& button) {
  const DWORD type = TypeOf(hwnd);
  if (type == BS_AUTOCHECKBOX) button.check = button.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
  if (type == BS_AUTO3STATE) button.check = (button.check + 1) % 3;
  if (type == BS_AUTORADIOBUTTON) {
    SendMessage(hwnd, BM_SETCHECK, BST_CHECKED, 0);
    // Every other automatic radio button of the group is cleared: the group
    // runs from the last WS_GROUP sibling at or before this one to the next.
    HWND first = hwnd;
    while ((GetWindowLongPtr(first, GWL_STYLE) & WS_GROUP) == 0) {
      HWND previous = GetWindow(first, GW_HWNDPREV);
      if (previous == nullptr) break;
      first = previous;
    }
    for (HWND other = first; other != nullptr; other = GetWindow(other, GW_HWNDNEXT)) {
      if (other != first && (GetWindowLongPtr(other, GWL_STYLE) & WS_GROUP) != 0) break;
      if (other != hwnd && HasClass(other, kButtonClass) &&
          (GetWindowLongPtr(other, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON) {
        SendMessage(other, BM_SETCHECK, BST_UNCHECKED, 0);
      }
    }
  }
  InvalidateRect(hwnd, nullptr, TRUE);
}

void Click(HWND hwnd, Button& button) {
  ToggleAutomatic(hwnd, button);
  NotifyParent(hwnd, BN_CLICKED);
}

void SetPushed(HWND hwnd, Button& button, bool is_pushed) {
  if (button.is_pushed == is_pushed) return;
  button.is_pushed = is_pushed;
  InvalidateRect(hwnd, nullptr, TRUE);
  if ((StyleOf(hwnd) & BS_NOTIFY) != 0) NotifyParent(hwnd, is_pushed ? BN_HILITE : BN_UNHILITE);
}

void DrawImage(HDC dc, const Button& button, RECT area) {
  if (button.image_type != IMAGE_BITMAP) return;
  DrawBitmapIn(dc, reinterpret_cast<HBITMAP>(button.image), area, BitmapPlacement::kCentred);
}

UINT TextFormat(HWND hwnd, UINT fallback_horizontal) {
  const DWORD style = StyleOf(hwnd);
  UINT format = (style & BS_MULTILINE) != 0 ? DT_WORDBREAK : DT_SINGLELINE;
  switch (style & BS_CENTER) {
    case BS_LEFT: format |= DT_LEFT; break;
    case BS_RIGHT: format |= DT_RIGHT; break;
    case BS_CENTER: format |= DT_CENTER; break;
    default: format |= fallback_horizontal; break;
  }
  if ((format & DT_SINGLELINE) != 0) {
    switch (style & BS_VCENTER) {
      case BS_TOP: format |= DT_TOP; break;
      case BS_BOTTOM: format |= DT_BOTTOM; break;
      default: format |= DT_VCENTER; break;
    }
  }
  return format;
}

void DrawLabel(HWND hwnd, HDC dc, RECT area, UINT format) {
  const std::string text = TextOf(hwnd);
  SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  DrawText(dc, text.data(), static_cast<int>(text.size()), &area, format);
}

void DrawPush(HWND hwnd, const Button& button, HDC dc, RECT client) {
  const bool is_down = button.is_pushed || (!IsPushType(TypeOf(hwnd)) && button.check == BST_CHECKED);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  RECT frame = client;
  if (TypeOf(hwnd) == BS_DEFPUSHBUTTON) {
    FrameRect(dc, &frame, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&frame, -1, -1);
  }
  DrawRaisedFrame(dc, frame, is_down);
  RECT inside = frame;
  InflateRect(&inside, -3, -3);
  if (is_down) OffsetRect(&inside, 1, 1);
  if ((StyleOf(hwnd) & (BS_BITMAP | BS_ICON)) != 0) {
    DrawImage(dc, button, inside);
  } else {
    DrawLabel(hwnd, dc, inside, TextFormat(hwnd, DT_CENTER));
  }
  if (button.has_focus) {
    RECT focus = frame;
    InflateRect(&focus, -3, -3);
    DrawFocusFrame(dc, focus);
  }
}

void DrawMark(HWND hwnd, const Button& button, HDC dc, RECT box) {
  const bool is_radio = IsRadioType(TypeOf(hwnd));
  const bool is_grey = button.check == BST_INDETERMINATE || !IsWindowEnabled(hwnd);
  FillRect(dc, &box, GetSysColorBrush(button.is_pushed || is_grey ? COLOR_BTNFACE : COLOR_WINDOW));
  DrawSunkenFrame(dc, box);
  if (button.check == BST_UNCHECKED) return;
  HBRUSH ink = GetSysColorBrush(is_grey ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT);
  if (is_radio) {
    const RECT dot{box.left + 4, box.top + 4, box.right - 4, box.bottom - 4};
    FillRect(dc, &dot, ink);
    return;
  }
  // A tick: two strokes, three pixels thick.
  for (int i = 0; i < 7; ++i) {
    const int x = box.left + 3 + i;
    const int y = i < 3 ? box.top + 5 + i : box.top + 9 - (i - 2);
    const RECT stroke{x, y, x + 1, y + 3};
    FillRect(dc, &stroke, ink);
  }
}

void DrawCheck(HWND hwnd, const Button& button, HDC dc, RECT client, HBRUSH background) {
  FillRect(dc, &client, background);
  const bool is_left_text = (StyleOf(hwnd) & BS_LEFTTEXT) != 0;
  const int top = (client.top + client.bottom - kBoxSize) / 2;
  const RECT box = is_left_text ? RECT{client.right - kBoxSize, top, client.right, top + kBoxSize}
                                : RECT{client.left, top, client.left + kBoxSize, top + kBoxSize};
  DrawMark(hwnd, button, dc, box);
  RECT label = client;
  if (is_left_text) {
    label.right -= kBoxSize + 4;
  } else {
    label.left += kBoxSize + 4;
  }
  if ((StyleOf(hwnd) & (BS_BITMAP | BS_ICON)) != 0) {
    DrawImage(dc, button, label);
  } else {
    DrawLabel(hwnd, dc, label, TextFormat(hwnd, DT_LEFT));
  }
  if (button.has_focus) {
    const std::string text = TextOf(hwnd);
    RECT measure = label;
    DrawText(dc, text.data(), static_cast<int>(text.size()), &measure, TextFormat(hwnd, DT_LEFT) | DT_CALCRECT);
    const int height = measure.bottom - measure.top;
    RECT focus{label.left - 1, (label.top + label.bottom - height) / 2 - 1, measure.right + 1, 0};
    focus.bottom = focus.top + height + 2;
    DrawFocusFrame(dc, focus);
  }
}

void DrawGroup(HWND hwnd, HDC dc, RECT client, HBRUSH background) {
  FillRect(dc, &client, background);
  TEXTMETRIC metrics;
  GetTextMetrics(dc, &metrics);
  RECT frame = client;
  frame.top += metrics.tmHeight / 2;
  RECT inner = frame;
  OffsetRect(&inner, 1, 1);
  FrameRect(dc, &inner, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  frame.right -= 1;
  frame.bottom -= 1;
  FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNSHADOW));
  const std::string text = TextOf(hwnd);
  if (text.empty()) return;
  RECT label{client.left + 8, client.top, client.right - 8, client.top + metrics.tmHeight};
  DrawText(dc, text.data(), static_cast<int>(text.size()), &label, DT_SINGLELINE | DT_CALCRECT);
  InflateRect(&label, 2, 0);
  FillRect(dc, &label, background);
  InflateRect(&label, -2, 0);
  DrawLabel(hwnd, dc, label, DT_SINGLELINE | DT_LEFT);
}

void DrawOwner(HWND hwnd, const Button& button, HDC dc, RECT client) {
  DRAWITEMSTRUCT draw;
  draw.CtlType = ODT_BUTTON;
  draw.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
  draw.itemAction = ODA_DRAWENTIRE;
  draw.itemState = (button.is_pushed ? ODS_SELECTED : 0) | (button.has_focus ? ODS_FOCUS : 0) |
                   (IsWindowEnabled(hwnd) ? 0 : ODS_DISABLED);
  draw.hwndItem = hwnd;
  draw.hDC = dc;
  draw.rcItem = client;
  SendMessage(GetParent(hwnd), WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
}

void Paint(HWND hwnd, const Button& button) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client{};
  GetClientRect(hwnd, &client);
  const DWORD type = TypeOf(hwnd);
  HBRUSH background = ControlBrush(hwnd, dc, type == BS_GROUPBOX || IsCheckType(type) || IsRadioType(type)
                                                 ? WM_CTLCOLORSTATIC
                                                 : WM_CTLCOLORBTN);
  HFONT previous = SelectObject(dc, button.font != nullptr ? button.font : DefaultControlFont());
  SetBkMode(dc, TRANSPARENT);
  if (type == BS_OWNERDRAW) {
    DrawOwner(hwnd, button, dc, client);
  } else if (type == BS_GROUPBOX) {
    DrawGroup(hwnd, dc, client, background);
  } else if (IsPushLike(hwnd)) {
    DrawPush(hwnd, button, dc, client);
  } else {
    DrawCheck(hwnd, button, dc, client, background);
  }
  SelectObject(dc, previous);
  EndPaint(hwnd, &paint);
}

LRESULT DialogCode(HWND hwnd) {
  const DWORD type = TypeOf(hwnd);
  if (type == BS_GROUPBOX) return DLGC_STATIC;
  if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
  if (IsPushType(type) || type == BS_OWNERDRAW) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
  if (IsRadioType(type)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
  return DLGC_BUTTON;
}

LRESULT Handle(HWND hwnd, const ButtonPtr& state, UINT message, WPARAM wparam, LPARAM lparam) {
  Button& button = *state;
  const DWORD type = TypeOf(hwnd);
  switch (message) {
    case WM_PAINT: Paint(hwnd, button); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProc(hwnd, message, wparam, lparam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return result;
    }
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case WM_SETFONT:
      button.font = reinterpret_cast<HFONT>(wparam);
      if (LOWORD(static_cast<uintptr_t>(lparam)) != 0) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(button.font);
    case WM_GETDLGCODE: return DialogCode(hwnd);
    case WM_NCHITTEST:
      if (type == BS_GROUPBOX) return HTTRANSPARENT;
      return DefWindowProc(hwnd, message, wparam, lparam);
    case WM_SETFOCUS:
      button.has_focus = true;
      InvalidateRect(hwnd, nullptr, TRUE);
      if ((StyleOf(hwnd) & BS_NOTIFY) != 0) NotifyParent(hwnd, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      button.has_focus = false;
      button.is_space_down = false;
      SetPushed(hwnd, button, false);
      if (GetCapture() == hwnd) ReleaseCapture();
      InvalidateRect(hwnd, nullptr, TRUE);
      if ((StyleOf(hwnd) & BS_NOTIFY) != 0) NotifyParent(hwnd, BN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (type == BS_GROUPBOX) return 0;
      if (message == WM_LBUTTONDBLCLK && (IsRadioType(type) || type == BS_OWNERDRAW || (StyleOf(hwnd) & BS_NOTIFY) != 0)) {
        NotifyParent(hwnd, BN_DOUBLECLICKED);
        return 0;
      }
      if (GetFocus() != hwnd) SetFocus(hwnd);
      button.is_tracking = true;
      SetCapture(hwnd);
      SetPushed(hwnd, button, true);
      return 0;
    case WM_MOUSEMOVE:
      if (button.is_tracking) {
        RECT client{};
        GetClientRect(hwnd, &client);
        SetPushed(hwnd, button, PtInRect(&client, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}) != FALSE);
      }
      return 0;
    case WM_LBUTTONUP: {
      if (!button.is_tracking) return 0;
      button.is_tracking = false;
      RECT client{};
      GetClientRect(hwnd, &client);
      const bool was_pushed =
          button.is_pushed && PtInRect(&client, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}) != FALSE;
      SetPushed(hwnd, button, false);
      if (GetCapture() == hwnd) ReleaseCapture();
      if (was_pushed) Click(hwnd, button);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (button.is_tracking) {
        button.is_tracking = false;
        SetPushed(hwnd, button, false);
      }
      return 0;
    case WM_KEYDOWN:
      if (wparam == VK_SPACE && type != BS_GROUPBOX) {
        button.is_space_down = true;
        SetPushed(hwnd, button, true);
      }
      return 0;
    case WM_KEYUP:
      if (wparam == VK_SPACE && button.is_space_down) {
        button.is_space_down = false;
        SetPushed(hwnd, button, false);
        Click(hwnd, button);
      }
      return 0;
    case WM_CHAR: return 0;
    case BM_GETCHECK: return IsCheckType(type) || IsRadioType(type) ? static_cast<LRESULT>(button.check) : 0;
    case BM_SETCHECK: {
      if (!IsCheckType(type) && !IsRadioType(type)) return 0;
      const WPARAM check = (type == BS_3STATE || type == BS_AUTO3STATE) ? std::min<WPARAM>(wparam, BST_INDETERMINATE)
                                                                         : (wparam != 0 ? BST_CHECKED : BST_UNCHECKED);
      if (check != button.check) {
        button.check = check;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      // A checked radio button of a group is its tab stop.
      if (IsRadioType(type)) {
        const LONG_PTR style = GetWindowLongPtr(hwnd, GWL_STYLE);
        SetWindowLongPtr(hwnd, GWL_STYLE, check == BST_CHECKED ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
      }
      return 0;
    }
    case BM_GETSTATE:
      return static_cast<LRESULT>(button.check) | (button.is_pushed ? BST_PUSHED : 0) | (button.has_focus ? BST_FOCUS : 0);
    case BM_SETSTATE: SetPushed(hwnd, button, wparam != 0); return 0;
    case BM_SETSTYLE: {
      const LONG_PTR style = GetWindowLongPtr(hwnd, GWL_STYLE);
      SetWindowLongPtr(hwnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(0xFFFF)) | (wparam & 0xFFFF));
      if (LOWORD(static_cast<uintptr_t>(lparam)) != 0) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case BM_CLICK:
      if (!IsWindowEnabled(hwnd) || type == BS_GROUPBOX) return 0;
      Click(hwnd, button);
      return 0;
    case BM_GETIMAGE: return wparam == button.image_type ? reinterpret_cast<LRESULT>(button.image) : 0;
    case BM_SETIMAGE: {
      if (wparam != IMAGE_BITMAP && wparam != IMAGE_ICON) return 0;
      const HANDLE previous = wparam == button.image_type ? button.image : nullptr;
      button.image = reinterpret_cast<HANDLE>(lparam);
      button.image_type = static_cast<UINT>(wparam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(previous);
    }
    default: return DefWindowProc(hwnd, message, wparam, lparam);
  }
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RunControl<Button, &Handle>(hwnd, message, wparam, lparam);
}

}  // namespace plat::comctl
