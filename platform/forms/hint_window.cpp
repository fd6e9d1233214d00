// THintWindow: a disabled, top-most pop-up that shows a hint without taking
// the focus or the pointer; it is made when a hint shows and destroyed when
// it goes.
#include <algorithm>

#include "plat/forms/forms.h"
#include "plat/gdi.h"
#include "plat/text.h"

namespace plat {

THintWindowClass HintWindowClass = &MakeHintWindow<THintWindow>;

namespace {

constexpr UINT kHintTextFormat = DT_LEFT | DT_NOPREFIX | DT_WORDBREAK;
// Room around the text: 2 pixels each side inside the one-pixel border.
constexpr int kHintPaddingX = 6;
constexpr int kHintPaddingY = 2;

}  // namespace

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
  TControl::SetVisible(false);
  SetColor(clInfoBk);
  Font()->SetColor(clInfoText);
}

void THintWindow::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style = WS_POPUP | WS_BORDER | WS_DISABLED;
  params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  params.WndParent = nullptr;
  params.WindowClassStyle |= CS_SAVEBITS;
}

RECT THintWindow::CalcHintRect(int max_width, const std::string& text, void*) {
  RECT rect{0, 0, std::max(max_width, 1), 0};
  HDC dc = GetDC(nullptr);
  HFONT old_font = SelectObject(dc, Font()->Handle());
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &rect, kHintTextFormat | DT_CALCRECT);
  SelectObject(dc, old_font);
  ReleaseDC(nullptr, dc);
  rect.right += kHintPaddingX;
  rect.bottom += kHintPaddingY;
  return rect;
}

void THintWindow::ActivateHint(RECT rect, const std::string& text) {
  SetCaption(text);
  SetBounds(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  HWND hwnd = Handle();
  TControl::SetVisible(true);
  SetWindowPos(hwnd, HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  InvalidateRect(hwnd, nullptr, TRUE);
  UpdateWindow(hwnd);
}

void THintWindow::ReleaseHandle() {
  TControl::SetVisible(false);
  DestroyHandle();
}

bool THintWindow::IsShowing() { return HandleAllocated() && IsWindowVisible(WindowHandle()) != FALSE; }

void THintWindow::Paint() {
  TCanvas* canvas = Canvas();
  RECT rect = ClientRect();
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(rect);
  rect.left += 2;
  rect.top += 2;
  canvas->SetFont(Font());
  canvas->Brush()->SetStyle(bsClear);
  const std::string text = Caption();
  HDC dc = canvas->Handle();
  canvas->TextExtent({});  // selects the font into the DC
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font()->Color())));
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &rect, kHintTextFormat);
  canvas->Brush()->SetStyle(bsSolid);
}

void THintWindow::Dispatch(TMessage& msg) {
  if (msg.Msg == WM_NCHITTEST) {
    msg.Result = HTTRANSPARENT;
    return;
  }
  TCustomControl::Dispatch(msg);
}

}  // namespace plat
