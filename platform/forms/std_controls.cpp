// TLabel, TButton and TEdit. The button and the edit are the window
// system's BUTTON and EDIT classes under the control's hook; their
// notifications come back reflected (CN_COMMAND) from the parent.
#include "plat/forms/stdctrls.h"

#include <algorithm>

#include "plat/controls.h"
#include "plat/forms/clipbrd.h"
#include "plat/gdi.h"
#include "plat/text.h"

namespace plat {

// ---- TLabel ---------------------------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  control_style_ = {csCaptureMouse, csClickEvents, csSetCaption, csReplicatable, csDoubleClicks, csOpaque};
  SetBounds(0, 0, 65, 17);
  SetAutoSize(true);
}

UINT TLabel::TextFormat() const {
  UINT format = DT_EXPANDTABS;
  if (is_word_wrap_) format |= DT_WORDBREAK;
  if (!is_show_accel_char_) format |= DT_NOPREFIX;
  if (alignment_ == taRightJustify) format |= DT_RIGHT;
  if (alignment_ == taCenter) format |= DT_CENTER;
  return format;
}

void TLabel::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Invalidate();
}

void TLabel::SetWordWrap(bool is_word_wrap) {
  if (is_word_wrap == is_word_wrap_) return;
  is_word_wrap_ = is_word_wrap;
  AdjustSize();
  Invalidate();
}

void TLabel::SetTransparent(bool is_transparent) {
  if (is_transparent == Transparent()) return;
  if (is_transparent) control_style_.Exclude(csOpaque);
  else control_style_.Include(csOpaque);
  Invalidate();
}

bool TLabel::CanAutoSize(int& width, int& height) {
  const std::string text = text_.empty() ? std::string(" ") : text_;
  RECT rect{0, 0, is_word_wrap_ ? Width() : 0x7FFF, 0};
  HDC dc = GetDC(nullptr);
  HFONT old_font = SelectObject(dc, Font()->Handle());
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &rect, TextFormat() | DT_CALCRECT);
  SelectObject(dc, old_font);
  ReleaseDC(nullptr, dc);
  if (!is_word_wrap_) width = rect.right - rect.left;
  height = rect.bottom - rect.top;
  return true;
}

void TLabel::Paint() {
  TCanvas* canvas = Canvas();
  RECT rect = ClientRect();
  if (!Transparent()) {
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(rect);
  }
  canvas->SetFont(Font());
  canvas->Brush()->SetStyle(bsClear);
  HDC dc = canvas->Handle();
  canvas->TextExtent({});  // selects the font into the DC
  SetBkMode(dc, TRANSPARENT);
  const std::string text = text_;
  if (!Enabled()) {
    OffsetRect(&rect, 1, 1);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(clBtnHighlight)));
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &rect, TextFormat());
    OffsetRect(&rect, -1, -1);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(clBtnShadow)));
  } else {
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font()->Color())));
  }
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &rect, TextFormat());
  canvas->Brush()->SetStyle(bsSolid);
}

// ---- TButton --------------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  control_style_ = {csSetCaption, csDoubleClicks};
  SetBounds(0, 0, 75, 25);
  SetTabStop(true);
}

void TButton::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "BUTTON");
  params.Style |= is_default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool is_default) {
  if (is_default == is_default_) return;
  is_default_ = is_default;
  if (HandleAllocated()) SendMessage(Handle(), BM_SETSTYLE, is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
  if (modal_result_ != mrNone) {
    if (TCustomForm* form = GetParentForm(); form != nullptr) form->SetModalResult(modal_result_);
  }
  TWinControl::Click();
}

void TButton::Dispatch(TMessage& msg) {
  switch (msg.Msg) {
    case CN_COMMAND:
      if (HIWORD(msg.WParam) == BN_CLICKED) Click();
      return;
    case CM_DIALOGKEY: {
      const auto key = static_cast<WORD>(msg.WParam);
      if (((key == VK_RETURN && is_default_) || (key == VK_ESCAPE && is_cancel_)) && CanFocus()) {
        Click();
        msg.Result = 1;
      }
      return;
    }
    case CN_CTLCOLORBTN:
      SetBkColor(reinterpret_cast<HDC>(msg.WParam), static_cast<COLORREF>(ColorToRGB(Color())));
      msg.Result = reinterpret_cast<LRESULT>(Brush()->Handle());
      return;
    default:
      break;
  }
  TWinControl::Dispatch(msg);
}

// ---- TCustomEdit ----------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  control_style_ = {csClickEvents, csSetCaption, csDoubleClicks};
  SetBounds(0, 0, 121, 21);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
}

void TCustomEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "EDIT");
  params.Style |= ES_AUTOHSCROLL;
  if (is_read_only_) params.Style |= ES_READONLY;
  if (border_style_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessage(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(max_length_), 0);
  SendMessage(Handle(), EM_SETMODIFY, is_modified_ ? TRUE : FALSE, 0);
}

void TCustomEdit::SetMaxLength(int max_length) {
  max_length_ = std::max(max_length, 0);
  if (HandleAllocated()) SendMessage(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(max_length_), 0);
}

void TCustomEdit::SetReadOnly(bool is_read_only) {
  is_read_only_ = is_read_only;
  if (HandleAllocated()) SendMessage(Handle(), EM_SETREADONLY, is_read_only ? TRUE : FALSE, 0);
}

void TCustomEdit::SetBorderStyle(TBorderStyle style) {
  if (style == border_style_) return;
  border_style_ = style;
  RecreateWnd();
}

bool TCustomEdit::Modified() {
  if (HandleAllocated()) is_modified_ = SendMessage(Handle(), EM_GETMODIFY, 0, 0) != 0;
  return is_modified_;
}

void TCustomEdit::SetModified(bool is_modified) {
  is_modified_ = is_modified;
  if (HandleAllocated()) SendMessage(Handle(), EM_SETMODIFY, is_modified ? TRUE : FALSE, 0);
}

int TCustomEdit::SelStart() {
  DWORD start = 0;
  SendMessage(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int start) { SendMessage(Handle(), EM_SETSEL, static_cast<WPARAM>(start), start); }

int TCustomEdit::SelLength() {
  DWORD start = 0;
  DWORD end = 0;
  SendMessage(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int length) {
  const int start = SelStart();
  SendMessage(Handle(), EM_SETSEL, static_cast<WPARAM>(start), start + length);
}

std::string TCustomEdit::SelText() {
  const std::string text = Text();
  const auto start = static_cast<size_t>(std::max(0, SelStart()));
  const auto length = static_cast<size_t>(std::max(0, SelLength()));
  return start < text.size() ? text.substr(start, length) : std::string();
}

void TCustomEdit::SetSelText(const std::string& text) {
  SendMessage(Handle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TCustomEdit::SelectAll() { SendMessage(Handle(), EM_SETSEL, 0, -1); }
void TCustomEdit::ClearSelection() { SendMessage(Handle(), WM_CLEAR, 0, 0); }
void TCustomEdit::CopyToClipboard() { SendMessage(Handle(), WM_COPY, 0, 0); }
void TCustomEdit::CutToClipboard() { SendMessage(Handle(), WM_CUT, 0, 0); }
void TCustomEdit::PasteFromClipboard() { SendMessage(Handle(), WM_PASTE, 0, 0); }

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::Dispatch(TMessage& msg) {
  switch (msg.Msg) {
    case CN_COMMAND:
      if (HIWORD(msg.WParam) == EN_CHANGE && !ComponentState().Contains(csLoading)) Change();
      return;
    case CM_TEXTCHANGED:
      // Text set from code: the window's EN_CHANGE has told OnChange already when there is a window.
      if (!HandleAllocated() && !ComponentState().Contains(csLoading)) Change();
      return;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC:
      msg.Result = ControlColor(reinterpret_cast<HDC>(msg.WParam));
      return;
    case CM_ENTER:
      if (is_auto_select_ && GetKeyState(VK_LBUTTON) >= 0) SelectAll();
      break;
    default:
      break;
  }
  TWinControl::Dispatch(msg);
}

}  // namespace plat
