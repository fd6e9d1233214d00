// The painted controls: TControlCanvas, TGraphicControl (painted into its
// parent's DC, moved and clipped to its bounds), TCustomControl (its own
// window's DC) and TScrollingWinControl (children scrolled by the window's
// scroll bars).
#include <algorithm>

#include "control_internal.h"
#include "plat/forms/forms.h"
#include "plat/gdi.h"

namespace plat {

// ---- TControlCanvas -------------------------------------------------------------------------

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::CreateHandle() {
  // Outside WM_PAINT: a DC of the nearest window, moved to the control.
  TControl* control = control_;
  POINT offset{0, 0};
  while (control != nullptr && dynamic_cast<TWinControl*>(control) == nullptr) {
    offset.x += control->Left();
    offset.y += control->Top();
    control = control->Parent();
  }
  auto* window = static_cast<TWinControl*>(control);
  if (window == nullptr || !window->HandleAllocated()) throw EInvalidOperation("Control has no window to draw into");
  own_window_ = window->Handle();
  own_dc_ = GetDC(own_window_);
  saved_dc_ = SaveDC(own_dc_);
  if (offset.x != 0 || offset.y != 0) {
    IntersectClipRect(own_dc_, offset.x, offset.y, offset.x + control_->Width(), offset.y + control_->Height());
    OffsetViewportOrgEx(own_dc_, offset.x, offset.y, nullptr);
  }
  SetHandle(own_dc_);
}

void TControlCanvas::FreeHandle() {
  if (own_dc_ == nullptr) return;
  HDC dc = own_dc_;
  own_dc_ = nullptr;
  SetHandle(nullptr);
  RestoreDC(dc, saved_dc_);
  ReleaseDC(own_window_, dc);
  own_window_ = nullptr;
}

namespace {

// Lends a DC to a canvas for one paint; the canvas lets go on every path.
class CanvasPaint {
 public:
  CanvasPaint(TControlCanvas* canvas, HDC dc) : canvas_(canvas) {
    canvas_->FreeHandle();
    canvas_->Lock();
    canvas_->SetHandle(dc);
  }
  ~CanvasPaint() {
    canvas_->SetHandle(nullptr);
    canvas_->Unlock();
  }
  CanvasPaint(const CanvasPaint&) = delete;
  CanvasPaint& operator=(const CanvasPaint&) = delete;

 private:
  TControlCanvas* canvas_;
};

}  // namespace

// ---- TGraphicControl ------------------------------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), canvas_(std::make_unique<TControlCanvas>(this)) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::Dispatch(TMessage& msg) {
  if (msg.Msg == WM_PAINT && msg.WParam != 0) {
    CanvasPaint paint(canvas_.get(), reinterpret_cast<HDC>(msg.WParam));
    Paint();
    return;
  }
  TControl::Dispatch(msg);
}

// ---- TCustomControl -------------------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>(this)) {}

TCustomControl::~TCustomControl() {
  // The window goes first, so no paint reaches a canvas being freed.
  DestroyHandle();
}

void TCustomControl::PaintWindow(HDC dc) {
  CanvasPaint paint(canvas_.get(), dc);
  Paint();
}

// ---- TScrollingWinControl -------------------------------------------------------------------

TScrollingWinControl::TScrollingWinControl(TComponent* owner) : TWinControl(owner) {}

void TScrollingWinControl::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WindowClassStyle &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TScrollingWinControl::SetAutoScroll(bool is_auto_scroll) {
  if (is_auto_scroll == is_auto_scroll_) return;
  is_auto_scroll_ = is_auto_scroll;
  if (is_auto_scroll) {
    UpdateScrollBars();
  } else {
    ScrollBy(scroll_pos_.x, scroll_pos_.y);
    range_ = SIZE{0, 0};
    if (HandleAllocated()) ShowScrollBar(Handle(), SB_BOTH, FALSE);
  }
}

void TScrollingWinControl::ScrollBy(int dx, int dy) {
  if (dx == 0 && dy == 0) return;
  DisableAlign();
  struct Enable {
    TScrollingWinControl* self;
    ~Enable() { self->EnableAlign(); }
  } enable{this};
  scroll_pos_.x -= dx;
  scroll_pos_.y -= dy;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* child = Controls(i);
    child->SetBounds(child->Left() + dx, child->Top() + dy, child->Width(), child->Height());
  }
  if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

void TScrollingWinControl::ScrollInView(TControl* control) {
  if (control == nullptr || !ContainsControl(control) || control->Parent() != this) return;
  const RECT client = ClientRect();
  int dx = 0;
  int dy = 0;
  if (control->Left() < 0) dx = -control->Left();
  else if (control->Left() + control->Width() > client.right)
    dx = -std::min(control->Left(), control->Left() + control->Width() - static_cast<int>(client.right));
  if (control->Top() < 0) dy = -control->Top();
  else if (control->Top() + control->Height() > client.bottom)
    dy = -std::min(control->Top(), control->Top() + control->Height() - static_cast<int>(client.bottom));
  ScrollBy(dx, dy);
  UpdateScrollBars();
}

void TScrollingWinControl::AlignControls(TControl* changed, RECT& rect) {
  TWinControl::AlignControls(changed, rect);
  UpdateScrollBars();
}

void TScrollingWinControl::UpdateScrollBars() {
  if (!is_auto_scroll_ || !HandleAllocated() || is_updating_bars_) return;
  is_updating_bars_ = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{is_updating_bars_};
  // The extent of the children in unscrolled coordinates.
  int right = 0;
  int bottom = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* child = Controls(i);
    if (!child->Visible() || child->Align() != alNone) continue;
    right = std::max(right, child->Left() + scroll_pos_.x + child->Width());
    bottom = std::max(bottom, child->Top() + scroll_pos_.y + child->Height());
  }
  range_ = SIZE{right, bottom};
  const RECT client = ClientRect();
  for (int bar : {SB_HORZ, SB_VERT}) {
    const int range = bar == SB_HORZ ? right : bottom;
    const int page = bar == SB_HORZ ? client.right : client.bottom;
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = range > page ? range - 1 : 0;
    info.nPage = range > page ? static_cast<UINT>(page) : 0;
    int& pos = bar == SB_HORZ ? scroll_pos_.x : scroll_pos_.y;
    const int max_pos = std::max(0, range - page);
    if (pos > max_pos) {
      const int delta = pos - max_pos;
      if (bar == SB_HORZ) ScrollBy(delta, 0);
      else ScrollBy(0, delta);
    }
    info.nPos = pos;
    SetScrollInfo(Handle(), bar, &info, TRUE);
  }
}

void TScrollingWinControl::Scroll(int bar, WORD code) {
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(Handle(), bar, &info);
  int pos = bar == SB_HORZ ? scroll_pos_.x : scroll_pos_.y;
  const int page = static_cast<int>(info.nPage);
  const int line = std::max(1, page / 10);
  const int max_pos = std::max(0, info.nMax - std::max(page - 1, 0));
  switch (code) {
    case SB_LINEUP: pos -= line; break;
    case SB_LINEDOWN: pos += line; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: pos = info.nTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = max_pos; break;
    default: return;
  }
  pos = std::clamp(pos, 0, max_pos);
  const int current = bar == SB_HORZ ? scroll_pos_.x : scroll_pos_.y;
  if (bar == SB_HORZ) ScrollBy(current - pos, 0);
  else ScrollBy(0, current - pos);
  SetScrollPos(Handle(), bar, pos, TRUE);
}

void TScrollingWinControl::Dispatch(TMessage& msg) {
  switch (msg.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (msg.LParam == 0) {
        Scroll(msg.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(msg.WParam));
        return;
      }
      break;
    case WM_SIZE:
      TWinControl::Dispatch(msg);
      UpdateScrollBars();
      return;
    default:
      break;
  }
  TWinControl::Dispatch(msg);
}

}  // namespace plat
