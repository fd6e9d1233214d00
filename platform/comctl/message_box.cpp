// MessageBox: a modal dialog of the dialog manager with one of six button
// sets, one of four icons drawn here (each sounded with its own beep), the
// text wrapped to fit, and a default button.
#include <algorithm>
#include <string>
#include <vector>

#include "comctl/control_base.h"
#include "comctl/dialog_manager.h"
#include "plat/dialog.h"
#include "plat/last_error.h"
#include "user/window_system.h"

namespace plat {

namespace comctl {

namespace {

constexpr int kIconId = 20;
constexpr int kTextId = 0xFFFF;
constexpr int kIconPixels = 32;
constexpr int kMarginUnits = 7;
constexpr int kButtonWidthUnits = 50;
constexpr int kButtonHeightUnits = 14;
constexpr int kButtonGapUnits = 4;

struct ButtonSpec {
  int id;
  const char* caption;
};

bool ButtonsOf(UINT type, std::vector<ButtonSpec>& out) {
  switch (type & MB_TYPEMASK) {
    case MB_OK: out = {{IDOK, "OK"}}; return true;
    case MB_OKCANCEL: out = {{IDOK, "OK"}, {IDCANCEL, "Cancel"}}; return true;
    case MB_ABORTRETRYIGNORE: out = {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}}; return true;
    case MB_YESNOCANCEL: out = {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}}; return true;
    case MB_YESNO: out = {{IDYES, "&Yes"}, {IDNO, "&No"}}; return true;
    case MB_RETRYCANCEL: out = {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}}; return true;
    default: return false;
  }
}

struct Box {
  UINT type = 0;
  std::vector<ButtonSpec> buttons;
  int default_id = IDOK;
};

bool HasButton(const Box& box, int id) {
  return std::any_of(box.buttons.begin(), box.buttons.end(), [id](const ButtonSpec& spec) { return spec.id == id; });
}

template <class Handle>
class GdiObject {
 public:
  explicit GdiObject(Handle object) : object_(object) {}
  ~GdiObject() { DeleteObject(object_); }
  Handle get() const { return object_; }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

 private:
  Handle object_;
};

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  const RECT rect{left, top, right, bottom};
  GdiObject brush(CreateSolidBrush(colour));
  FillRect(dc, &rect, brush.get());
}

// A disc of `colour` with a black outline filling the 32 x 32 square at (x, y).
void Disc(HDC dc, int x, int y, COLORREF colour) {
  GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
  HBRUSH previous = SelectObject(dc, brush.get());
  Ellipse(dc, x + 1, y + 1, x + 31, y + 31);
  SelectObject(dc, previous);
}

// The four icons, drawn into a 32 x 32 square at (x, y).
void DrawIcon(HDC dc, UINT icon, int x, int y) {
  GdiObject outline(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
  HPEN previous_pen = SelectObject(dc, outline.get());
  switch (icon) {
    case MB_ICONHAND: {
      Disc(dc, x, y, RGB(0xE0, 0x20, 0x20));
      // A white cross of two thick strokes.
      for (int i = 0; i < 14; ++i) {
        Fill(dc, x + 9 + i, y + 9 + i, x + 12 + i, y + 11 + i, RGB(0xFF, 0xFF, 0xFF));
        Fill(dc, x + 20 - i, y + 9 + i, x + 23 - i, y + 11 + i, RGB(0xFF, 0xFF, 0xFF));
      }
      break;
    }
    case MB_ICONQUESTION: {
      Disc(dc, x, y, RGB(0xFF, 0xFF, 0xFF));
      // A question mark: the hook, the stem and the dot.
      const COLORREF blue = RGB(0x20, 0x40, 0xC0);
      Fill(dc, x + 11, y + 7, x + 21, y + 10, blue);
      Fill(dc, x + 19, y + 9, x + 22, y + 16, blue);
      Fill(dc, x + 15, y + 15, x + 20, y + 18, blue);
      Fill(dc, x + 15, y + 17, x + 18, y + 21, blue);
      Fill(dc, x + 15, y + 23, x + 18, y + 26, blue);
      break;
    }
    case MB_ICONEXCLAMATION: {
      GdiObject yellow(CreateSolidBrush(RGB(0xFF, 0xE0, 0x20)));
      HBRUSH previous = SelectObject(dc, yellow.get());
      const POINT triangle[] = {{x + 16, y + 1}, {x + 31, y + 30}, {x + 1, y + 30}};
      Polygon(dc, triangle, 3);
      SelectObject(dc, previous);
      Fill(dc, x + 14, y + 9, x + 18, y + 21, RGB(0, 0, 0));
      Fill(dc, x + 14, y + 23, x + 18, y + 27, RGB(0, 0, 0));
      break;
    }
    case MB_ICONASTERISK: {
      Disc(dc, x, y, RGB(0x20, 0x40, 0xC0));
      Fill(dc, x + 14, y + 7, x + 18, y + 11, RGB(0xFF, 0xFF, 0xFF));
      Fill(dc, x + 14, y + 13, x + 18, y + 25, RGB(0xFF, 0xFF, 0xFF));
      break;
    }
    default: break;
  }
  SelectObject(dc, previous_pen);
}

INT_PTR CALLBACK BoxProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  const auto* box = reinterpret_cast<const Box*>(GetWindowLongPtr(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtr(dialog, DWLP_USER, lparam);
      box = reinterpret_cast<const Box*>(lparam);
      SendMessage(dialog, DM_SETDEFID, static_cast<WPARAM>(box->default_id), 0);
      HWND button = GetDlgItem(dialog, box->default_id);
      if (button != nullptr) SendMessage(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
      return FALSE;
    }
    case WM_COMMAND: {
      if (box == nullptr) return FALSE;
      const int id = LOWORD(wparam);
      if (HasButton(*box, id)) {
        EndDialog(dialog, id);
      } else if (id == IDCANCEL && (box->type & MB_TYPEMASK) == MB_OK) {
        EndDialog(dialog, IDOK);  // Esc and the close box answer OK when it is the only button
      }
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (box == nullptr || draw == nullptr || draw->CtlID != static_cast<UINT>(kIconId)) return FALSE;
      DrawIcon(draw->hDC, box->type & MB_ICONMASK, draw->rcItem.left, draw->rcItem.top);
      return TRUE;
    }
    default: return FALSE;
  }
}

int UnitsX(int pixels, SIZE base) { return (pixels * 4 + base.cx - 1) / base.cx; }
int UnitsY(int pixels, SIZE base) { return (pixels * 8 + base.cy - 1) / base.cy; }

// The template: icon at the left, the text beside it, the buttons centred
// below.
DialogTemplate Layout(const Box& box, const char* text, const char* caption) {
  const SIZE base = FontBaseUnits(DefaultControlFont());
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT previous = SelectObject(dc, DefaultControlFont());
  RECT text_rect{0, 0, GetSystemMetrics(SM_CXSCREEN) * 3 / 5, 0};
  DrawText(dc, text, -1, &text_rect, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  SelectObject(dc, previous);
  DeleteDC(dc);
  const bool has_icon = (box.type & MB_ICONMASK) != 0;
  const int icon_cx = has_icon ? UnitsX(kIconPixels, base) : 0;
  const int icon_cy = has_icon ? UnitsY(kIconPixels, base) : 0;
  const int text_x = kMarginUnits + (has_icon ? icon_cx + kMarginUnits : 0);
  const int text_cx = UnitsX(text_rect.right - text_rect.left, base) + 2;
  const int text_cy = UnitsY(text_rect.bottom - text_rect.top, base);
  const int body_cy = std::max(icon_cy, text_cy);
  const int buttons = static_cast<int>(box.buttons.size());
  const int buttons_cx = buttons * kButtonWidthUnits + (buttons - 1) * kButtonGapUnits;
  const int cx = std::max(text_x + text_cx + kMarginUnits, buttons_cx + 2 * kMarginUnits);
  const int buttons_y = kMarginUnits + body_cy + kMarginUnits;
  DialogTemplate dialog;
  dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  if ((box.type & MB_TOPMOST) != 0) dialog.ex_style |= WS_EX_TOPMOST;
  dialog.cx = cx;
  dialog.cy = buttons_y + kButtonHeightUnits + kMarginUnits;
  dialog.title = caption;
  if (has_icon) {
    dialog.items.push_back({kStaticClass, "", kIconId, WS_VISIBLE | SS_OWNERDRAW, 0, kMarginUnits, kMarginUnits,
                            icon_cx, icon_cy});
  }
  dialog.items.push_back({kStaticClass, text, kTextId, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, text_x,
                          kMarginUnits + (body_cy - text_cy) / 2, text_cx, text_cy});
  int x = (cx - buttons_cx) / 2;
  for (const ButtonSpec& spec : box.buttons) {
    const DWORD style = WS_VISIBLE | WS_TABSTOP | (spec.id == box.default_id ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) |
                        (&spec == &box.buttons.front() ? WS_GROUP : 0);
    dialog.items.push_back({kButtonClass, spec.caption, spec.id, style, 0, x, buttons_y, kButtonWidthUnits,
                            kButtonHeightUnits});
    x += kButtonWidthUnits + kButtonGapUnits;
  }
  return dialog;
}

}  // namespace

}  // namespace comctl

int MessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  comctl::Box box;
  box.type = type;
  const UINT icon = type & MB_ICONMASK;
  const bool is_known_icon = icon == 0 || icon == MB_ICONHAND || icon == MB_ICONQUESTION ||
                             icon == MB_ICONEXCLAMATION || icon == MB_ICONASTERISK;
  if (!comctl::ButtonsOf(type, box.buttons) || !is_known_icon) return FailWith<int>(0, ERROR_INVALID_PARAMETER);
  const size_t default_index = (type & MB_DEFMASK) >> 8;
  box.default_id = box.buttons[default_index < box.buttons.size() ? default_index : 0].id;
  const std::string body = text != nullptr ? text : "";
  const std::string title = caption != nullptr ? caption : "Error";
  const DialogTemplate dialog = comctl::Layout(box, body.c_str(), title.c_str());
  user::Backend().Journal("message-box", title + ": " + body);
  if (icon != 0) MessageBeep(icon);
  const INT_PTR answer =
      DialogBoxIndirectParam(nullptr, &dialog, owner, &comctl::BoxProc, reinterpret_cast<LPARAM>(&box));
  return answer < 0 ? 0 : static_cast<int>(answer);
}

}  // namespace plat
