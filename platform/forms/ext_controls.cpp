// TBevel, TPanel, TTimer and TSpeedButton. Bevels and button faces are drawn
// with DrawEdge in the system colours; a speed button group is kept
// exclusive by CM_BUTTONPRESSED broadcast to the button's siblings.
#include "plat/forms/extctrls.h"

#include <algorithm>
#include <map>

#include "control_internal.h"
#include "plat/forms/exceptions.h"
#include "plat/gdi.h"
#include "plat/text.h"
#include "plat/utf8.h"

namespace plat {

char32_t GetAccelChar(const std::string& caption) {
  const std::u32string text = ToUtf32(caption);
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != U'&') continue;
    if (text[i + 1] == U'&') {
      ++i;  // "&&" is a plain "&"
      continue;
    }
    const char32_t key = text[i + 1];
    return key >= U'a' && key <= U'z' ? key - U'a' + U'A' : key;
  }
  return 0;
}

bool IsAccel(char32_t key, const std::string& caption) {
  if (key >= U'a' && key <= U'z') key = key - U'a' + U'A';
  const char32_t accel = GetAccelChar(caption);
  return accel != 0 && accel == key;
}

// ---- TBevel ---------------------------------------------------------------------------------

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
  control_style_ = {csReplicatable};
  SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape shape) {
  if (shape == shape_) return;
  shape_ = shape;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle style) {
  if (style == style_) return;
  style_ = style;
  Invalidate();
}

void TBevel::Paint() {
  if (shape_ == bsSpacer) return;
  HDC dc = Canvas()->Handle();
  RECT rect = ClientRect();
  const UINT edge = style_ == bsLowered ? EDGE_ETCHED : EDGE_BUMP;
  const UINT box_edge = style_ == bsLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER;
  switch (shape_) {
    case bsBox: DrawEdge(dc, &rect, box_edge, BF_RECT); break;
    case bsFrame: DrawEdge(dc, &rect, edge, BF_RECT); break;
    case bsTopLine:
      rect.bottom = std::min(rect.bottom, rect.top + 2);
      DrawEdge(dc, &rect, edge, BF_TOP);
      break;
    case bsBottomLine:
      rect.top = std::max(rect.top, rect.bottom - 2);
      DrawEdge(dc, &rect, edge, BF_BOTTOM);
      break;
    case bsLeftLine:
      rect.right = std::min(rect.right, rect.left + 2);
      DrawEdge(dc, &rect, edge, BF_LEFT);
      break;
    case bsRightLine:
      rect.left = std::max(rect.left, rect.right - 2);
      DrawEdge(dc, &rect, edge, BF_RIGHT);
      break;
    case bsSpacer: break;
  }
}

// ---- TCustomPanel ---------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  control_style_ = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks,
                    csReplicatable};
  SetBounds(0, 0, 185, 41);
}

void TCustomPanel::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  if (border_style_ == bsSingle) params.Style |= WS_BORDER;
  params.WindowClassStyle &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

int TCustomPanel::FrameWidth() const {
  int width = border_width_;
  if (bevel_outer_ != bvNone) width += bevel_width_;
  if (bevel_inner_ != bvNone) width += bevel_width_;
  return width;
}

RECT TCustomPanel::AlignRect() {
  RECT rect = TCustomControl::AlignRect();
  const int frame = FrameWidth();
  InflateRect(&rect, -frame, -frame);
  return rect;
}

void TCustomPanel::FrameChanged() {
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelInner(TPanelBevel bevel) {
  if (bevel == bevel_inner_) return;
  bevel_inner_ = bevel;
  FrameChanged();
}

void TCustomPanel::SetBevelOuter(TPanelBevel bevel) {
  if (bevel == bevel_outer_) return;
  bevel_outer_ = bevel;
  FrameChanged();
}

void TCustomPanel::SetBevelWidth(int width) {
  width = std::max(width, 1);
  if (width == bevel_width_) return;
  bevel_width_ = width;
  FrameChanged();
}

void TCustomPanel::SetBorderWidth(int width) {
  width = std::max(width, 0);
  if (width == border_width_) return;
  border_width_ = width;
  FrameChanged();
}

void TCustomPanel::SetBorderStyle(TBorderStyle style) {
  if (style != bsNone && style != bsSingle) style = bsSingle;
  if (style == border_style_) return;
  border_style_ = style;
  RecreateWnd();
}

void TCustomPanel::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Invalidate();
}

void TCustomPanel::Paint() {
  TCanvas* canvas = Canvas();
  HDC dc = canvas->Handle();
  RECT rect = ClientRect();
  auto bevel = [&](TPanelBevel kind) {
    if (kind == bvNone) return;
    for (int i = 0; i < bevel_width_; ++i) {
      if (kind == bvSpace) {
        InflateRect(&rect, -1, -1);
        continue;
      }
      DrawEdge(dc, &rect, kind == bvLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
    }
  };
  bevel(bevel_outer_);
  InflateRect(&rect, -border_width_, -border_width_);
  bevel(bevel_inner_);
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(bsSolid);
  canvas->FillRect(rect);
  const std::string text = text_;
  if (text.empty()) return;
  canvas->SetFont(Font());
  canvas->TextExtent({});  // selects the font into the DC
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font()->Color())));
  UINT format = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
  if (alignment_ == taCenter) format |= DT_CENTER;
  if (alignment_ == taRightJustify) format |= DT_RIGHT;
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

void TCustomPanel::Dispatch(TMessage& msg) {
  if (msg.Msg == CM_TEXTCHANGED) {
    Invalidate();
    return;
  }
  TCustomControl::Dispatch(msg);
}

// ---- TTimer ---------------------------------------------------------------------------------

namespace {

std::map<UINT_PTR, TTimer*>& Timers() {
  static auto* timers = new std::map<UINT_PTR, TTimer*>;
  return *timers;
}

// Timer ids on the application's window; the hint timers use ids below.
UINT_PTR NextTimerId() {
  static UINT_PTR next = 0x100;
  return ++next;
}

}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
  alive_.reset();
  if (timer_id_ != 0) {
    if (Application != nullptr) KillTimer(Application->Handle(), timer_id_);
    Timers().erase(timer_id_);
  }
}

void TTimer::SetEnabled(bool is_enabled) {
  if (is_enabled == is_enabled_) return;
  is_enabled_ = is_enabled;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned interval_ms) {
  if (interval_ms == interval_ms_) return;
  interval_ms_ = interval_ms;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (timer_id_ != 0) {
    if (Application != nullptr) KillTimer(Application->Handle(), timer_id_);
    Timers().erase(timer_id_);
    timer_id_ = 0;
  }
  if (!is_enabled_ || interval_ms_ == 0) return;
  if (Application == nullptr) RaiseRes<EOutOfResources>(SNoTimers);
  const UINT_PTR id = NextTimerId();
  if (SetTimer(Application->Handle(), id, interval_ms_, &TimerProc) == 0) RaiseRes<EOutOfResources>(SNoTimers);
  timer_id_ = id;
  Timers()[timer_id_] = this;
}

void TTimer::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  auto found = Timers().find(id);
  if (found == Timers().end()) return;
  TTimer* timer = found->second;
  try {
    timer->Timer();
  } catch (...) {
    forms::internal::HandleDispatchException(timer);
  }
}

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}

// ---- TSpeedButton ---------------------------------------------------------------------------

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner), glyph_(std::make_unique<TBitmap>()) {
  control_style_ = {csCaptureMouse, csDoubleClicks};
  SetBounds(0, 0, 23, 22);
  SetParentFont(true);
  glyph_->OnChange = [this](TObject* sender) { GlyphChanged(sender); };
}

TSpeedButton::~TSpeedButton() { glyph_->OnChange = nullptr; }

void TSpeedButton::GlyphChanged(TObject*) {
  if (!glyph_->Empty() && glyph_->Height() > 0) {
    const int count = glyph_->Width() / glyph_->Height();
    if (count >= 1 && count <= 4) num_glyphs_ = count;
  }
  Invalidate();
}

void TSpeedButton::SetGlyph(const TBitmap* glyph) { glyph_->Assign(glyph); }

void TSpeedButton::SetNumGlyphs(TNumGlyphs count) {
  num_glyphs_ = std::clamp(count, 1, 4);
  Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout layout) {
  layout_ = layout;
  Invalidate();
}

void TSpeedButton::SetMargin(int margin) {
  margin_ = std::max(margin, -1);
  Invalidate();
}

void TSpeedButton::SetSpacing(int spacing) {
  spacing_ = spacing;
  Invalidate();
}

void TSpeedButton::SetFlat(bool is_flat) {
  is_flat_ = is_flat;
  Invalidate();
}

void TSpeedButton::SetTransparent(bool is_transparent) {
  is_transparent_ = is_transparent;
  if (is_transparent) control_style_.Exclude(csOpaque);
  else control_style_.Include(csOpaque);
  Invalidate();
}

void TSpeedButton::UpdateExclusive() {
  if (group_index_ == 0 || Parent() == nullptr) return;
  TMessage msg{CM_BUTTONPRESSED, static_cast<WPARAM>(group_index_), reinterpret_cast<LPARAM>(this), 0};
  Parent()->Broadcast(msg);
}

void TSpeedButton::SetGroupIndex(int index) {
  if (index == group_index_) return;
  group_index_ = index;
  UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool is_allow_all_up) {
  if (is_allow_all_up == is_allow_all_up_) return;
  is_allow_all_up_ = is_allow_all_up;
  UpdateExclusive();
}

void TSpeedButton::SetDown(bool is_down) {
  if (group_index_ == 0) is_down = false;
  if (is_down == is_down_) return;
  if (is_down_ && !is_allow_all_up_) return;
  is_down_ = is_down;
  if (is_down) {
    if (state_ == bsUp) Invalidate();
    state_ = bsExclusive;
  } else {
    state_ = bsUp;
    Repaint();
  }
  if (is_down) UpdateExclusive();
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const std::weak_ptr<void> alive = AliveToken();
  TGraphicControl::MouseDown(button, shift, x, y);
  if (alive.expired() || button != mbLeft || !Enabled()) return;
  if (!is_down_) {
    state_ = bsDown;
    Invalidate();
  }
  is_dragging_ = true;
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  const std::weak_ptr<void> alive = AliveToken();
  TGraphicControl::MouseMove(shift, x, y);
  if (alive.expired() || !is_dragging_) return;
  const RECT client = ClientRect();
  const bool is_inside = PtInRect(&client, POINT{x, y}) != FALSE;
  TButtonState next = is_down_ ? bsExclusive : bsUp;
  if (is_inside) next = bsDown;
  if (next != state_) {
    state_ = next;
    Invalidate();
  }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  const std::weak_ptr<void> alive = AliveToken();
  TGraphicControl::MouseUp(button, shift, x, y);
  if (alive.expired() || !is_dragging_ || button != mbLeft) return;
  is_dragging_ = false;
  const RECT client = ClientRect();
  const bool is_inside = PtInRect(&client, POINT{x, y}) != FALSE;
  if (group_index_ == 0) {
    state_ = bsUp;
    is_mouse_in_control_ = is_mouse_in_control_ && is_inside;
    Invalidate();
  } else if (is_inside) {
    SetDown(!is_down_);
    if (is_down_) Repaint();
  } else {
    state_ = is_down_ ? bsExclusive : bsUp;
    Repaint();
  }
  if (is_inside) Click();
}

void TSpeedButton::Paint() {
  TCanvas* canvas = Canvas();
  HDC dc = canvas->Handle();
  RECT rect = ClientRect();
  if (!Enabled()) {
    state_ = bsDisabled;
    is_dragging_ = false;
  } else if (state_ == bsDisabled) {
    state_ = is_down_ && group_index_ != 0 ? bsExclusive : bsUp;
  }
  const bool is_pressed = state_ == bsDown || state_ == bsExclusive;
  if (!is_transparent_ || !is_flat_) {
    canvas->Brush()->SetColor(clBtnFace);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(rect);
  }
  if (!is_flat_) {
    DrawEdge(dc, &rect, is_pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
  } else if (is_pressed || (is_mouse_in_control_ && state_ != bsDisabled)) {
    DrawEdge(dc, &rect, is_pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
  }
  if (is_pressed) OffsetRect(&rect, 1, 1);
  // The glyph for the state (the up image when there are fewer), then the caption beside it.
  SIZE glyph_size{0, 0};
  if (!glyph_->Empty()) glyph_size = SIZE{glyph_->Width() / num_glyphs_, glyph_->Height()};
  const std::string caption = text_;
  canvas->SetFont(Font());
  SIZE text_size = caption.empty() ? SIZE{0, 0} : canvas->TextExtent(caption);
  const bool is_horizontal = layout_ == blGlyphLeft || layout_ == blGlyphRight;
  const int spacing = glyph_size.cx > 0 && !caption.empty() ? spacing_ : 0;
  const int total_x = is_horizontal ? glyph_size.cx + spacing + text_size.cx : std::max(glyph_size.cx, text_size.cx);
  const int total_y = is_horizontal ? std::max(glyph_size.cy, text_size.cy) : glyph_size.cy + spacing + text_size.cy;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  int x = rect.left + (margin_ >= 0 && is_horizontal ? margin_ : (width - total_x) / 2);
  int y = rect.top + (margin_ >= 0 && !is_horizontal ? margin_ : (height - total_y) / 2);
  POINT glyph_at{x, y};
  POINT text_at{x, y};
  switch (layout_) {
    case blGlyphLeft:
      glyph_at.y = y + (total_y - glyph_size.cy) / 2;
      text_at = POINT{x + glyph_size.cx + spacing, y + (total_y - text_size.cy) / 2};
      break;
    case blGlyphRight:
      text_at.y = y + (total_y - text_size.cy) / 2;
      glyph_at = POINT{x + text_size.cx + spacing, y + (total_y - glyph_size.cy) / 2};
      break;
    case blGlyphTop:
      glyph_at.x = x + (total_x - glyph_size.cx) / 2;
      text_at = POINT{x + (total_x - text_size.cx) / 2, y + glyph_size.cy + spacing};
      break;
    case blGlyphBottom:
      text_at.x = x + (total_x - text_size.cx) / 2;
      glyph_at = POINT{x + (total_x - glyph_size.cx) / 2, y + text_size.cy + spacing};
      break;
  }
  if (glyph_size.cx > 0) {
    int image = 0;
    if (state_ == bsDisabled && num_glyphs_ > 1) image = 1;
    if (state_ == bsDown && num_glyphs_ > 2) image = 2;
    if (state_ == bsExclusive && num_glyphs_ > 3) image = 3;
    const RECT source{image * glyph_size.cx, 0, (image + 1) * glyph_size.cx, glyph_size.cy};
    const RECT dest{glyph_at.x, glyph_at.y, glyph_at.x + glyph_size.cx, glyph_at.y + glyph_size.cy};
    // The glyph's bottom-left colour shows the face through.
    canvas->Brush()->SetColor(clBtnFace);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->BrushCopy(dest, glyph_.get(), source, glyph_->TransparentColor() & 0xFFFFFF);
  }
  if (!caption.empty()) {
    canvas->Brush()->SetStyle(bsClear);
    canvas->TextExtent({});
    SetBkMode(dc, TRANSPARENT);
    RECT text_rect{text_at.x, text_at.y, text_at.x + text_size.cx, text_at.y + text_size.cy};
    if (state_ == bsDisabled) {
      OffsetRect(&text_rect, 1, 1);
      SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(clBtnHighlight)));
      DrawText(dc, caption.c_str(), static_cast<int>(caption.size()), &text_rect, DT_SINGLELINE);
      OffsetRect(&text_rect, -1, -1);
      SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(clBtnShadow)));
    } else {
      SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font()->Color())));
    }
    DrawText(dc, caption.c_str(), static_cast<int>(caption.size()), &text_rect, DT_SINGLELINE);
    canvas->Brush()->SetStyle(bsSolid);
  }
}

void TSpeedButton::Dispatch(TMessage& msg) {
  switch (msg.Msg) {
    case CM_BUTTONPRESSED: {
      auto* sender = reinterpret_cast<TSpeedButton*>(msg.LParam);
      if (static_cast<int>(msg.WParam) != group_index_ || sender == this || group_index_ == 0) return;
      if (sender->Down() && is_down_) {
        is_down_ = false;
        state_ = bsUp;
        Invalidate();
      }
      is_allow_all_up_ = sender->AllowAllUp();
      return;
    }
    case CM_DIALOGCHAR:
      if (IsAccel(static_cast<char32_t>(msg.WParam), text_) && Enabled() && Visible() && Parent() != nullptr &&
          Parent()->Showing()) {
        if (group_index_ == 0) {
          Click();
        } else {
          SetDown(!is_down_);
          Click();
        }
        msg.Result = 1;
      }
      return;
    case CM_MOUSEENTER:
      is_mouse_in_control_ = true;
      if (is_flat_ && Enabled()) Invalidate();
      return;
    case CM_MOUSELEAVE:
      is_mouse_in_control_ = false;
      if (is_flat_ && Enabled()) Invalidate();
      return;
    case CM_ENABLEDCHANGED:
      Repaint();
      return;
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      Invalidate();
      return;
    default:
      break;
  }
  TGraphicControl::Dispatch(msg);
}

}  // namespace plat
