// More controls of the class library: TBevel (an etched or raised line or
// frame), TPanel (a windowed container with bevels and a caption), TTimer
// (a timer of the application's window firing OnTimer) and TSpeedButton (a graphic button with
// a glyph that can stay down and works in groups through CM_BUTTONPRESSED).
#ifndef PLAT_FORMS_EXTCTRLS_H_
#define PLAT_FORMS_EXTCTRLS_H_

#include <memory>
#include <string>

#include "plat/forms/bitmap.h"
#include "plat/forms/controls.h"
#include "plat/forms/forms.h"
#include "plat/forms/picture.h"
#include "plat/forms/stdctrls.h"

namespace plat {

enum class TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
using enum TBevelShape;
enum class TBevelStyle { bsLowered, bsRaised };
using enum TBevelStyle;

class TBevel : public TGraphicControl {
 public:
  explicit TBevel(TComponent* owner);
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape shape);
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle style);

 protected:
  void Paint() override;

 private:
  TBevelShape shape_ = bsBox;
  TBevelStyle style_ = bsLowered;
};

enum class TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
using enum TPanelBevel;

class TCustomPanel : public TCustomControl {
 public:
  explicit TCustomPanel(TComponent* owner);
  TPanelBevel BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TPanelBevel bevel);
  TPanelBevel BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TPanelBevel bevel);
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int width);
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int width);
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle style);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  void Dispatch(TMessage& msg) override;
  // The client area less the bevels and the border.
  RECT AlignRect() override;

 private:
  // Pixels the bevels and border take from each side.
  int FrameWidth() const;
  void FrameChanged();

  TPanelBevel bevel_inner_ = bvNone;
  TPanelBevel bevel_outer_ = bvRaised;
  int bevel_width_ = 1;
  int border_width_ = 0;
  TBorderStyle border_style_ = bsNone;
  TAlignment alignment_ = taCenter;
};

class TPanel : public TCustomPanel {
 public:
  using TCustomPanel::TCustomPanel;
};

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  bool Enabled() const { return is_enabled_; }
  void SetEnabled(bool is_enabled);
  // Milliseconds; 0 stops the timer.
  unsigned Interval() const { return interval_ms_; }
  void SetInterval(unsigned interval_ms);

  TNotifyEvent OnTimer;

 protected:
  virtual void Timer();

 private:
  static void TimerProc(HWND hwnd, UINT msg, UINT_PTR id, DWORD time);
  // Raises EOutOfResources when no timer can be had.
  void UpdateTimer();

  bool is_enabled_ = true;
  unsigned interval_ms_ = 1000;
  UINT_PTR timer_id_ = 0;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
using enum TButtonLayout;
enum class TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
using enum TButtonState;
using TNumGlyphs = int;

class TSpeedButton : public TGraphicControl {
 public:
  explicit TSpeedButton(TComponent* owner);
  ~TSpeedButton() override;

  // Buttons of one non-zero group index on one parent are exclusive: one
  // down releases the others.
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int index);
  bool Down() const { return is_down_; }
  // Setting it on a button without a group is ignored; releasing the last
  // down button of a group needs AllowAllUp.
  void SetDown(bool is_down);
  bool AllowAllUp() const { return is_allow_all_up_; }
  void SetAllowAllUp(bool is_allow_all_up);
  bool Flat() const { return is_flat_; }
  void SetFlat(bool is_flat);
  bool Transparent() const { return is_transparent_; }
  void SetTransparent(bool is_transparent);
  // Up to four images side by side: up, disabled, down, exclusive.
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap* glyph);
  TNumGlyphs NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(TNumGlyphs count);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout layout);
  int Margin() const { return margin_; }
  void SetMargin(int margin);
  int Spacing() const { return spacing_; }
  void SetSpacing(int spacing);
  TButtonState State() const { return state_; }
  bool MouseInControl() const { return is_mouse_in_control_; }
  void Click() override;

 protected:
  void Paint() override;
  void Dispatch(TMessage& msg) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  void UpdateExclusive();
  void GlyphChanged(TObject* sender);

  int group_index_ = 0;
  bool is_down_ = false;
  bool is_allow_all_up_ = false;
  bool is_flat_ = false;
  bool is_transparent_ = true;
  bool is_dragging_ = false;
  bool is_mouse_in_control_ = false;
  std::unique_ptr<TBitmap> glyph_;
  TNumGlyphs num_glyphs_ = 1;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
  TButtonState state_ = bsUp;
};

// A picture painted by the parent: at the top left, centred, or stretched
// over the control; a transparent picture leaves its key colour's pixels to
// what lies below. AutoSize takes the picture's size.
class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* owner);
  ~TImage() override;
  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(const TPicture* picture) { picture_->Assign(picture); }
  // A canvas on the picture's bitmap; an empty picture is first given the
  // control's size (white).
  TCanvas* Canvas();
  bool Stretch() const { return is_stretch_; }
  void SetStretch(bool is_stretch);
  bool Center() const { return is_center_; }
  void SetCenter(bool is_center);
  bool Transparent() const { return is_transparent_; }
  void SetTransparent(bool is_transparent);
  // Where the picture goes, in client coordinates.
  RECT DestRect();

 protected:
  void Paint() override;
  bool CanAutoSize(int& width, int& height) override;

 private:
  void PictureChanged(TObject* sender);
  std::unique_ptr<TPicture> picture_;
  bool is_stretch_ = false;
  bool is_center_ = false;
  bool is_transparent_ = false;
};

// The accelerator of a caption: the character after a single "&", upper-cased
// for ASCII; 0 without one.
char32_t GetAccelChar(const std::string& caption);
bool IsAccel(char32_t key, const std::string& caption);

}  // namespace plat

#endif  // PLAT_FORMS_EXTCTRLS_H_
