// ImageView: the child window "EditView" that shows one packed bitmap zoomed
// and scrolled, with a selection rectangle of eight handles that the user
// drags out, moves or resizes with the left button (auto-scrolling at the
// edges), and that passes its mouse and key messages on to the control.
//
// Coordinates: bitmap pixels times the zoom, truncated, are zoomed pixels;
// zoomed pixels minus the scroll offsets (bar position times the axis's
// scale) are client pixels. Scroll ranges stay within 16 bits by scaling.
// The view does not own the bitmap it shows: the control keeps the block
// alive until it shows another one or clears the view.
#ifndef CONTROLS_EDIT_IMAGE_VIEW_H_
#define CONTROLS_EDIT_IMAGE_VIEW_H_

#include <array>
#include <cstdint>
#include <optional>

#include "plat/ctl/wnd.h"
#include "plat/gdi.h"
#include "plat/global_memory.h"
#include "plat/packed_dib.h"
#include "window_owner.h"

namespace ondavel {

inline constexpr const char* kImageViewName = "EditView";

// The scroll scale of a range: 1 up to 32767, else the smallest k with
// range / k <= 32767.
int ScrollScaleFor(int64_t range);
// The zoomed length of `pixels` at `zoom` (a factor): trunc(pixels x zoom),
// never below 1 for a bitmap of at least one pixel.
int ZoomedLength(int pixels, double zoom);
// The rectangle of handle `index` (0 top-left, then clockwise to 7
// left-middle) of the rectangle l, t, r, b.
plat::RECT GetHandleRect(const plat::RECT& rect, int index);
// -1 outside the normalised rectangle, 0..7 on a handle, 8 inside.
int HitTestSelection(plat::POINT point, const plat::RECT& rect);

class ImageView : public plat::CWnd {
 public:
  // Drag modes (with kDragging set while a drag runs).
  static constexpr int kDragging = 0x1000;
  static constexpr int kMoveSelection = 1;
  static constexpr int kNewSelection = 2;
  static constexpr int kResizeSelection = 4;
  static constexpr plat::UINT_PTR kAutoScrollTimer = 1;
  static constexpr plat::UINT kAutoScrollMs = 100;

  ImageView();
  ~ImageView() override;

  // The child window, with `owner` told of drags and input (null: input to
  // the parent window only).
  plat::BOOL Create(plat::CWnd* parent, const plat::RECT& rect, plat::UINT id, WindowOwner* owner);
  void SetWindowOwner(WindowOwner* owner) { owner_ = owner; }

  // Shows `bitmap` (null clears the picture but keeps the scroll bars as
  // they were). A bitmap the platform's gate refuses shows nothing and gives
  // 1001; 0 otherwise. The selection goes; the owner hears NotifyCancelDrag.
  int SetViewImage(HGLOBAL bitmap);
  void ClearViewImage();
  void SetViewBackColor(plat::COLORREF colour);
  // `percent` 100 is 1:1.
  void SetViewZoom(double percent);
  // A selection in bitmap pixels: 1100 without a bitmap, 1002 when a corner
  // lies outside the zoomed image, else 0 and NotifyDraggedRect with the
  // zoomed, normalised rectangle.
  int SetSelectionRect(const plat::RECT& rect);
  void ScrollView(int bar, plat::UINT code, int thumb);
  // Realises the ambient palette (else the bitmap's own) on the window;
  // the number of entries that changed.
  plat::UINT RealizeViewPalette(plat::BOOL background);
  void SetAmbientPalette(plat::HPALETTE palette) { ambient_palette_ = palette; }

  HGLOBAL bitmap() const { return bitmap_; }
  double zoom() const { return zoom_; }
  int zoomed_width() const { return zoomed_width_; }
  int zoomed_height() const { return zoomed_height_; }
  int horizontal_scale() const { return scale_[0]; }
  int vertical_scale() const { return scale_[1]; }
  // Scroll offsets in zoomed pixels.
  plat::POINT ScrollOffset() const;
  // In bitmap pixels; all zero when there is none.
  const plat::RECT& selection() const { return selection_; }
  const plat::RECT& drag_rect() const { return drag_; }
  int drag_mode() const { return mode_; }
  bool is_auto_scrolling() const { return timer_ != 0; }

  // ---- Handlers ----------------------------------------------------------------------------
  void OnPaint() override;
  plat::BOOL OnEraseBkgnd(plat::CDC* dc) override;
  void OnSize(plat::UINT type, int cx, int cy) override;
  void OnHScroll(plat::UINT code, plat::UINT pos, plat::CWnd* bar) override;
  void OnVScroll(plat::UINT code, plat::UINT pos, plat::CWnd* bar) override;
  plat::BOOL OnSetCursor(plat::CWnd* wnd, plat::UINT hit_test, plat::UINT message) override;
  void OnLButtonDown(plat::UINT flags, plat::CPoint point) override;
  void OnLButtonUp(plat::UINT flags, plat::CPoint point) override;
  void OnMouseMove(plat::UINT flags, plat::CPoint point) override;
  void OnTimer(plat::UINT_PTR id) override;
  void OnKeyDown(plat::UINT key, plat::UINT repeat, plat::UINT flags) override;
  void OnCaptureChanged(plat::CWnd* new_capture) override;
  void OnPaletteChanged(plat::CWnd* focus_wnd) override;
  plat::BOOL OnQueryNewPalette() override;
  plat::LRESULT WindowProc(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) override;

 private:
  void Forward(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam);
  void ReleaseBitmap();
  void BuildDibPalette();
  void UpdateScrollBars();
  // Draws source pixels `source` (bitmap pixels, top-down) at their zoomed
  // place; whether anything was drawn.
  bool DrawDib(plat::HDC dc, const plat::RECT& source);
  plat::RECT Zoomed(const plat::RECT& rect) const;  // bitmap to zoomed pixels
  plat::RECT ToClient(const plat::RECT& zoomed) const;
  void DrawSelectionFrame(plat::HDC dc, const plat::RECT& zoomed);
  void DrawDragFeedback();
  void EraseDragFeedback();
  void InvalidateFrame(const plat::RECT& zoomed);
  // Ends a drag without a result (capture lost, image changed).
  void AbandonDrag();
  void StopTimer();
  // The drag rectangle's edges that follow the zoomed point `p`.
  void FollowPoint(plat::POINT p);
  // Moves the drag rectangle with the zoomed point `p` (moving mode).
  void MoveSelectionTo(plat::POINT p);
  // Scrolls by whole bar steps towards `dx`, `dy` zoomed pixels; the pixels moved.
  plat::POINT ScrollBy(int dx, int dy);

  WindowOwner* owner_ = nullptr;
  plat::COLORREF back_colour_ = 0xFFFFFF;
  HGLOBAL bitmap_ = 0;
  std::optional<plat::DibView> dib_;  // the checked view of what is shown
  plat::HPALETTE palette_ = nullptr;
  int bitmap_width_ = 0;
  int bitmap_height_ = 0;
  int zoomed_width_ = 0;
  int zoomed_height_ = 0;
  int bar_width_ = 0;   // vertical bar
  int bar_height_ = 0;  // horizontal bar
  bool has_bar_metrics_ = false;
  std::array<int, 2> max_pos_{0, 0};
  std::array<bool, 2> is_shown_{false, false};
  std::array<int, 2> scale_{1, 1};
  bool is_laying_out_ = false;
  double zoom_ = 1.0;
  plat::RECT drag_{};
  plat::RECT selection_{};
  int mode_ = 0;
  int hit_ = -1;
  plat::HPALETTE ambient_palette_ = nullptr;
  plat::POINT last_drag_point_{};  // zoomed, where a move started
  plat::RECT move_origin_{};        // the rectangle when it started
  std::array<plat::HCURSOR, 9> cursors_{};
  plat::UINT_PTR timer_ = 0;
  bool has_feedback_ = false;   // an XOR drag frame is on the screen
  plat::RECT feedback_{};       // where, in client pixels
};

}  // namespace ondavel

#endif  // CONTROLS_EDIT_IMAGE_VIEW_H_
