// Standard controls of the class library on the window system's own
// classes: TButton (BUTTON), TEdit (EDIT) and TLabel (painted by its parent).
#ifndef PLAT_FORMS_STDCTRLS_H_
#define PLAT_FORMS_STDCTRLS_H_

#include <string>

#include "plat/forms/controls.h"
#include "plat/forms/forms.h"

namespace plat {

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
using enum TAlignment;

class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  bool WordWrap() const { return is_word_wrap_; }
  void SetWordWrap(bool is_word_wrap);
  bool Transparent() const { return !control_style_.Contains(csOpaque); }
  void SetTransparent(bool is_transparent);
  // "&X" underlines X and makes it the accelerator unless ShowAccelChar is off.
  bool ShowAccelChar() const { return is_show_accel_char_; }
  void SetShowAccelChar(bool is_show) { is_show_accel_char_ = is_show; Invalidate(); }

 protected:
  void Paint() override;
  bool CanAutoSize(int& width, int& height) override;

 private:
  UINT TextFormat() const;
  TAlignment alignment_ = taLeftJustify;
  bool is_word_wrap_ = false;
  bool is_show_accel_char_ = true;
};

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);
  // Enter anywhere on the form clicks the Default button, Esc the Cancel one.
  bool Default() const { return is_default_; }
  void SetDefault(bool is_default);
  bool Cancel() const { return is_cancel_; }
  void SetCancel(bool is_cancel) { is_cancel_ = is_cancel; }
  // Clicking sets the parent form's ModalResult to this (when not mrNone).
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult result) { modal_result_ = result; }
  void Click() override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void Dispatch(TMessage& msg) override;

 private:
  bool is_default_ = false;
  bool is_cancel_ = false;
  TModalResult modal_result_ = mrNone;
};

class TCustomEdit : public TWinControl {
 public:
  explicit TCustomEdit(TComponent* owner);
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int max_length);
  bool ReadOnly() const { return is_read_only_; }
  void SetReadOnly(bool is_read_only);
  bool Modified();
  void SetModified(bool is_modified);
  int SelStart();
  void SetSelStart(int start);
  int SelLength();
  void SetSelLength(int length);
  std::string SelText();
  void SetSelText(const std::string& text);
  void SelectAll();
  void Clear() { SetText({}); }
  void ClearSelection();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  bool AutoSelect() const { return is_auto_select_; }
  void SetAutoSelect(bool is_auto_select) { is_auto_select_ = is_auto_select; }
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle style);

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& msg) override;
  virtual void Change();

 private:
  int max_length_ = 0;
  bool is_read_only_ = false;
  bool is_modified_ = false;
  bool is_auto_select_ = true;
  TBorderStyle border_style_ = bsSingle;
};

class TEdit : public TCustomEdit {
 public:
  using TCustomEdit::TCustomEdit;
};

}  // namespace plat

#endif  // PLAT_FORMS_STDCTRLS_H_
