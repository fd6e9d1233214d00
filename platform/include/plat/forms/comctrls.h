// Common controls of the class library: TTrackBar on the trackbar window
// class. The position, range and steps are kept in the control as well as in
// the window, so they survive RecreateWnd and can be set before the window
// exists.
#ifndef PLAT_FORMS_COMCTRLS_H_
#define PLAT_FORMS_COMCTRLS_H_

#include "plat/forms/controls.h"

namespace plat {

enum class TTrackBarOrientation { trHorizontal, trVertical };
using enum TTrackBarOrientation;
enum class TTickMark { tmBottomRight, tmTopLeft, tmBoth };
using enum TTickMark;
enum class TTickStyle { tsNone, tsAuto, tsManual };
using enum TTickStyle;

class TTrackBar : public TWinControl {
 public:
  explicit TTrackBar(TComponent* owner);

  // Min never exceeds Max: a value that would cross the other end raises
  // EInvalidOperation and changes nothing. Position is clamped to the range,
  // also when the range moves under it.
  int Min() const { return min_; }
  void SetMin(int min) { SetParams(position_, min, max_); }
  int Max() const { return max_; }
  void SetMax(int max) { SetParams(position_, min_, max); }
  int Position();
  void SetPosition(int position) { SetParams(position, min_, max_); }
  // A tick every Frequency positions (TickStyle tsAuto); at least 1.
  int Frequency() const { return frequency_; }
  void SetFrequency(int frequency);
  // The step of Page Up/Down and of a click on the channel; at least 1.
  int PageSize() const { return page_size_; }
  void SetPageSize(int size);
  // The step of the arrow keys; at least 1.
  int LineSize() const { return line_size_; }
  void SetLineSize(int size);
  // Changing it swaps Width and Height (outside loading).
  TTrackBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackBarOrientation orientation);
  TTickMark TickMarks() const { return tick_marks_; }
  void SetTickMarks(TTickMark marks);
  TTickStyle TickStyle() const { return tick_style_; }
  void SetTickStyle(TTickStyle style);
  // A tick at `value` (TickStyle tsManual); a value outside the range is ignored.
  void SetTick(int value);

  // Fires whenever Position changes, from code or from the user.
  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& msg) override;
  void SaveWindowState() override;
  virtual void Changed();

 private:
  void SendRange(BOOL redraw);
  void SetParams(int position, int min, int max);

  int min_ = 0;
  int max_ = 10;
  int position_ = 0;
  int frequency_ = 1;
  int page_size_ = 2;
  int line_size_ = 1;
  TTrackBarOrientation orientation_ = trHorizontal;
  TTickMark tick_marks_ = tmBottomRight;
  TTickStyle tick_style_ = tsAuto;
};

}  // namespace plat

#endif  // PLAT_FORMS_COMCTRLS_H_
