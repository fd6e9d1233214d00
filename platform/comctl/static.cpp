// The STATIC control: text (wrapped, one line, with or without mnemonic
// marks), rectangles and frames in the system colours, etched lines,
// bitmaps, icons, owner drawing and, with SS_NOTIFY, clicks.
#include <string>

#include "comctl/control_base.h"
#include "plat/resources.h"

namespace plat::comctl {

namespace {

struct Static {
  HFONT font = nullptr;
  HANDLE image = nullptr;
  UINT image_type = IMAGE_BITMAP;
};

using StaticPtr = std::shared_ptr<Static>;

DWORD TypeOf(HWND hwnd) { return StyleOf(hwnd) & SS_TYPEMASK; }

void DrawText(HWND hwnd, HDC dc, RECT client) {
  const DWORD style = StyleOf(hwnd);
  const int length = GetWindowTextLength(hwnd);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowText(hwnd, text.data(), length + 1)));
  UINT format = DT_EXPANDTABS;
  switch (TypeOf(hwnd)) {
    case SS_CENTER: format |= DT_CENTER | DT_WORDBREAK; break;
    case SS_RIGHT: format |= DT_RIGHT | DT_WORDBREAK; break;
    case SS_SIMPLE: format = DT_SINGLELINE; break;
    case SS_LEFTNOWORDWRAP: format |= DT_SINGLELINE; break;
    default: format |= DT_WORDBREAK; break;
  }
  if ((style & SS_NOPREFIX) != 0) format |= DT_NOPREFIX;
  if ((style & SS_CENTERIMAGE) != 0) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
  if ((style & SS_ENDELLIPSIS) != 0) format = (format & ~DT_WORDBREAK) | DT_END_ELLIPSIS;
  if (!IsWindowEnabled(hwnd)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  plat::DrawText(dc, text.data(), static_cast<int>(text.size()), &client, format);
}

void DrawBitmap(HWND hwnd, const Static& control, HDC dc, RECT client) {
  if (control.image_type != IMAGE_BITMAP) return;
  const BitmapPlacement placement = (StyleOf(hwnd) & SS_CENTERIMAGE) != 0 ? BitmapPlacement::kCentred : BitmapPlacement::kTopLeft;
  DrawBitmapIn(dc, reinterpret_cast<HBITMAP>(control.image), client, placement);
}

void Paint(HWND hwnd, const Static& control) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client{};
  GetClientRect(hwnd, &client);
  const DWORD type = TypeOf(hwnd);
  if (type == SS_OWNERDRAW) {
    DRAWITEMSTRUCT draw;
    draw.CtlType = ODT_STATIC;
    draw.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = IsWindowEnabled(hwnd) ? 0 : ODS_DISABLED;
    draw.hwndItem = hwnd;
    draw.hDC = dc;
    draw.rcItem = client;
    SendMessage(GetParent(hwnd), WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
    EndPaint(hwnd, &paint);
    return;
  }
  HBRUSH background = ControlBrush(hwnd, dc, WM_CTLCOLORSTATIC);
  HFONT previous = SelectObject(dc, control.font != nullptr ? control.font : DefaultControlFont());
  switch (type) {
    case SS_BLACKRECT: FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOWFRAME)); break;
    case SS_GRAYRECT: FillRect(dc, &client, GetSysColorBrush(COLOR_BTNSHADOW)); break;
    case SS_WHITERECT: FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW)); break;
    case SS_BLACKFRAME: FrameRect(dc, &client, GetSysColorBrush(COLOR_WINDOWFRAME)); break;
    case SS_GRAYFRAME: FrameRect(dc, &client, GetSysColorBrush(COLOR_BTNSHADOW)); break;
    case SS_WHITEFRAME: FrameRect(dc, &client, GetSysColorBrush(COLOR_WINDOW)); break;
    case SS_ETCHEDHORZ: {
      const RECT dark{client.left, client.top, client.right, client.top + 1};
      const RECT light{client.left, client.top + 1, client.right, client.top + 2};
      FillRect(dc, &dark, GetSysColorBrush(COLOR_BTNSHADOW));
      FillRect(dc, &light, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
      break;
    }
    case SS_ETCHEDVERT: {
      const RECT dark{client.left, client.top, client.left + 1, client.bottom};
      const RECT light{client.left + 1, client.top, client.left + 2, client.bottom};
      FillRect(dc, &dark, GetSysColorBrush(COLOR_BTNSHADOW));
      FillRect(dc, &light, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
      break;
    }
    case SS_ETCHEDFRAME: {
      RECT light = client;
      OffsetRect(&light, 1, 1);
      FrameRect(dc, &light, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
      RECT dark{client.left, client.top, client.right - 1, client.bottom - 1};
      FrameRect(dc, &dark, GetSysColorBrush(COLOR_BTNSHADOW));
      break;
    }
    case SS_BITMAP:
      FillRect(dc, &client, background);
      DrawBitmap(hwnd, control, dc, client);
      break;
    case SS_ICON:
      FillRect(dc, &client, background);
      if (control.image != nullptr && control.image_type != IMAGE_BITMAP) {
        DrawIconEx(dc, client.left, client.top, reinterpret_cast<HICON>(control.image), 0, 0, 0, nullptr, DI_NORMAL);
      }
      break;
    default:
      FillRect(dc, &client, background);
      SetBkMode(dc, TRANSPARENT);
      DrawText(hwnd, dc, client);
      break;
  }
  if ((StyleOf(hwnd) & SS_SUNKEN) != 0) DrawEdge(dc, &client, BDR_SUNKENOUTER, BF_RECT);
  SelectObject(dc, previous);
  EndPaint(hwnd, &paint);
}

LRESULT SetImage(HWND hwnd, Static& control, UINT type, HANDLE image) {
  if (type != IMAGE_BITMAP && type != IMAGE_ICON) return 0;
  const HANDLE previous = type == control.image_type ? control.image : nullptr;
  control.image = image;
  control.image_type = type;
  InvalidateRect(hwnd, nullptr, TRUE);
  return reinterpret_cast<LRESULT>(previous);
}

LRESULT Handle(HWND hwnd, const StaticPtr& state, UINT message, WPARAM wparam, LPARAM lparam) {
  Static& control = *state;
  switch (message) {
    case WM_PAINT: Paint(hwnd, control); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProc(hwnd, message, wparam, lparam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return result;
    }
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, TRUE);
      if ((StyleOf(hwnd) & SS_NOTIFY) != 0) NotifyParent(hwnd, wparam != 0 ? STN_ENABLE : STN_DISABLE);
      return 0;
    case WM_SETFONT:
      control.font = reinterpret_cast<HFONT>(wparam);
      if (LOWORD(static_cast<uintptr_t>(lparam)) != 0) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(control.font);
    case WM_GETDLGCODE: return DLGC_STATIC;
    case WM_NCHITTEST:
      if ((StyleOf(hwnd) & SS_NOTIFY) == 0) return HTTRANSPARENT;
      return DefWindowProc(hwnd, message, wparam, lparam);
    case WM_LBUTTONDOWN:
      if ((StyleOf(hwnd) & SS_NOTIFY) != 0) NotifyParent(hwnd, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if ((StyleOf(hwnd) & SS_NOTIFY) != 0) NotifyParent(hwnd, STN_DBLCLK);
      return 0;
    case STM_SETICON: return SetImage(hwnd, control, IMAGE_ICON, reinterpret_cast<HANDLE>(wparam));
    case STM_GETICON: return control.image_type == IMAGE_ICON ? reinterpret_cast<LRESULT>(control.image) : 0;
    case STM_SETIMAGE: return SetImage(hwnd, control, static_cast<UINT>(wparam), reinterpret_cast<HANDLE>(lparam));
    case STM_GETIMAGE: return wparam == control.image_type ? reinterpret_cast<LRESULT>(control.image) : 0;
    default: return DefWindowProc(hwnd, message, wparam, lparam);
  }
}

}  // namespace

LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RunControl<Static, &Handle>(hwnd, message, wparam, lparam);
}

}  // namespace plat::comctl
