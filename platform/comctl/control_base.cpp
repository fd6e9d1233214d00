// The shared floor of the standard controls and the registration of their
// classes on first need.
#include "comctl/control_base.h"

#include <algorithm>

#include "plat/control_bars.h"
#include "plat/dialog.h"
#include "plat/font.h"
#include "plat/tab_control.h"
#include "plat/trackbar.h"
#include "plat/updown.h"
#include "plat/utf8.h"
#include "user/text_util.h"
#include "user/window_system.h"

namespace plat::comctl {

namespace {

bool IsContinuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

void RegisterStandardClasses() {
  RegisterControlClass(kButtonClass, &ButtonProc, CS_DBLCLKS | CS_PARENTDC, IDC_ARROW);
  RegisterControlClass(kEditClass, &EditProc, CS_DBLCLKS, IDC_IBEAM);
  RegisterControlClass(kStaticClass, &StaticProc, CS_PARENTDC, IDC_ARROW);
  RegisterControlClass(kListBoxClass, &ListBoxProc, CS_DBLCLKS, IDC_ARROW);
  RegisterControlClass(kComboListClass, &ListBoxProc, CS_DBLCLKS | CS_SAVEBITS, IDC_ARROW);
  RegisterControlClass(kComboBoxClass, &ComboBoxProc, CS_DBLCLKS | CS_PARENTDC, IDC_ARROW);
  RegisterControlClass(kScrollBarClass, &ScrollBarProc, CS_DBLCLKS | CS_PARENTDC, IDC_ARROW);
  RegisterControlClass(kTrackbarClass, &TrackbarProc, CS_DBLCLKS, IDC_ARROW);
  RegisterControlClass(kUpDownClass, &UpDownProc, CS_DBLCLKS, IDC_ARROW);
  RegisterControlClass(kTabControlClass, &TabControlProc, CS_DBLCLKS | CS_PARENTDC, IDC_ARROW);
  RegisterControlClass(PROGRESS_CLASS, &ProgressBarProc, 0, IDC_ARROW);
  RegisterControlClass(STATUSCLASSNAME, &StatusBarProc, CS_DBLCLKS, IDC_ARROW);
  RegisterControlClass(TOOLBARCLASSNAME, &ToolbarProc, CS_DBLCLKS, IDC_ARROW);
  RegisterControlClass(TOOLTIPS_CLASS, &TooltipProc, CS_SAVEBITS, IDC_ARROW);
  WNDCLASSEX dialog;
  dialog.style = CS_DBLCLKS | CS_SAVEBITS | CS_GLOBALCLASS;
  dialog.lpfnWndProc = &DefDlgProc;
  dialog.cbWndExtra = DWLP_USER + static_cast<int>(sizeof(LONG_PTR));
  dialog.hCursor = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
  dialog.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  dialog.lpszClassName = kDialogClass;
  RegisterClassEx(&dialog);
}

const bool kProviderInstalled = (user::SetSystemClassProvider(&RegisterStandardClasses), true);

}  // namespace

void RegisterControlClass(const char* name, WNDPROC proc, UINT class_style, int cursor_id) {
  (void)kProviderInstalled;
  WNDCLASSEX wc;
  wc.style = class_style | CS_GLOBALCLASS;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = kStateBytes;
  wc.hCursor = LoadCursor(nullptr, MAKEINTRESOURCE(cursor_id));
  wc.lpszClassName = name;
  RegisterClassEx(&wc);
}

void PlaceBarInParent(HWND bar, int height, bool is_bottom, bool& is_placing) {
  const DWORD style = StyleOf(bar);
  HWND parent = GetParent(bar);
  if (parent == nullptr || (style & WS_CHILD) == 0 || (style & CCS_NORESIZE) != 0 || is_placing) return;
  is_placing = true;
  if ((style & CCS_NOPARENTALIGN) != 0) {
    RECT own{};
    GetClientRect(bar, &own);
    SetWindowPos(bar, nullptr, 0, 0, own.right, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    RECT area{};
    GetClientRect(parent, &area);
    SetWindowPos(bar, nullptr, 0, is_bottom ? area.bottom - height : 0, area.right, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  is_placing = false;
}

LRESULT NotifyParent(HWND control, WORD code) {
  HWND parent = GetParent(control);
  if (parent == nullptr || (GetWindowLongPtr(control, GWL_STYLE) & WS_CHILD) == 0) return 0;
  const auto id = static_cast<WORD>(GetDlgCtrlID(control));
  return SendMessage(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

LRESULT NotifyParentOf(HWND control, NMHDR* header, UINT code) {
  header->hwndFrom = control;
  header->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(control));
  header->code = code;
  HWND parent = GetParent(control);
  if (parent == nullptr) return 0;
  return SendMessage(parent, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

HBRUSH ControlBrush(HWND control, HDC dc, UINT ctlcolor_message) {
  HWND parent = GetParent(control);
  const bool is_child = (GetWindowLongPtr(control, GWL_STYLE) & WS_CHILD) != 0;
  LRESULT brush = 0;
  if (parent != nullptr && is_child) {
    brush = SendMessage(parent, ctlcolor_message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  }
  if (brush == 0) {
    brush = DefWindowProc(control, ctlcolor_message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  }
  return reinterpret_cast<HBRUSH>(brush);
}

HFONT DefaultControlFont() { return reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

int LineHeight(HFONT font) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT previous = SelectObject(dc, font != nullptr ? font : DefaultControlFont());
  TEXTMETRIC metrics;
  GetTextMetrics(dc, &metrics);
  SelectObject(dc, previous);
  DeleteDC(dc);
  return std::max<int>(1, metrics.tmHeight);
}

int CopyTextOut(std::string_view text, char* out, int max_bytes) { return user::CopyTextOut(text, out, max_bytes); }

size_t SnapBack(std::string_view text, size_t offset) {
  offset = std::min(offset, text.size());
  while (offset > 0 && offset < text.size() && IsContinuation(text[offset])) --offset;
  return offset;
}

size_t SnapForward(std::string_view text, size_t offset) {
  offset = std::min(offset, text.size());
  while (offset < text.size() && IsContinuation(text[offset])) ++offset;
  return offset;
}

size_t NextCharOffset(std::string_view text, size_t offset) {
  if (offset >= text.size()) return text.size();
  return SnapForward(text, offset + 1);
}

size_t PrevCharOffset(std::string_view text, size_t offset) {
  if (offset == 0) return 0;
  return SnapBack(text, std::min(offset, text.size()) - 1);
}

char32_t MnemonicOf(std::string_view text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    const std::u32string rest = ToUtf32(text.substr(i + 1, 4));
    if (rest.empty()) return 0;
    char32_t code = rest[0];
    if (code >= 'A' && code <= 'Z') code = code - 'A' + 'a';
    return code;
  }
  return 0;
}

void DrawFrameLines(HDC dc, RECT rect, int top_left_colour, int bottom_right_colour) {
  const RECT top{rect.left, rect.top, rect.right - 1, rect.top + 1};
  const RECT left{rect.left, rect.top, rect.left + 1, rect.bottom - 1};
  const RECT bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
  const RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
  FillRect(dc, &top, GetSysColorBrush(top_left_colour));
  FillRect(dc, &left, GetSysColorBrush(top_left_colour));
  FillRect(dc, &bottom, GetSysColorBrush(bottom_right_colour));
  FillRect(dc, &right, GetSysColorBrush(bottom_right_colour));
}

void DrawSunkenFrame(HDC dc, RECT rect) { DrawEdge(dc, &rect, EDGE_SUNKEN, BF_RECT); }

void DrawRaisedFrame(HDC dc, RECT rect, bool is_pressed) {
  if (is_pressed) {
    DrawFrameLines(dc, rect, COLOR_3DDKSHADOW, COLOR_3DDKSHADOW);
    InflateRect(&rect, -1, -1);
    DrawFrameLines(dc, rect, COLOR_BTNSHADOW, COLOR_BTNSHADOW);
    return;
  }
  DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT | BF_SOFT);
}

void DrawFocusFrame(HDC dc, RECT rect) { DrawFocusRect(dc, &rect); }

void DrawBitmapIn(HDC dc, HBITMAP bitmap, RECT area, BitmapPlacement placement) {
  BITMAP info;
  if (bitmap == nullptr || GetObject(bitmap, sizeof(info), &info) == 0) return;
  HDC source = CreateCompatibleDC(dc);
  HBITMAP previous = SelectObject(source, bitmap);
  int x = area.left;
  int y = area.top;
  if (placement == BitmapPlacement::kCentred) {
    x = (area.left + area.right - info.bmWidth) / 2;
    y = (area.top + area.bottom - info.bmHeight) / 2;
  }
  BitBlt(dc, x, y, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
}

bool HasClass(HWND hwnd, const char* name) {
  char actual[64] = {};
  GetClassName(hwnd, actual, sizeof(actual));
  return user::EqualsFolded(actual, name);
}

}  // namespace plat::comctl
