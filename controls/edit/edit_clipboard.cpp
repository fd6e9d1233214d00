// The image edit control and the clipboard. A copy prepares its bitmap first
// and touches the clipboard only when it has one, so a failed copy leaves
// what the clipboard held; the block set belongs to the clipboard from then
// on. Bitmaps read from the clipboard pass the platform's packed-DIB gate
// against their block's size, and foreign forms (other headers, top-down
// rows, 16 and 32 bits) are normalised, before the control uses them.
#include "dib_input.h"
#include "edit_rect.h"
#include "image_edit_ctrl.h"
#include "plat/clipboard.h"

namespace ondavel {

using namespace plat;

namespace {

// Closes the clipboard when it goes, if it was opened.
class ClipboardSession {
 public:
  explicit ClipboardSession(HWND owner) : is_open_(OpenClipboard(owner) != FALSE) {}
  ~ClipboardSession() {
    if (is_open_) (void)CloseClipboard();
  }
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;
  bool is_open() const { return is_open_; }

 private:
  bool is_open_;
};

}  // namespace

HGLOBAL CQRVNImgEditCtrl::ReadClipboardDib() {
  const ClipboardSession clipboard(GetSafeHwnd());
  if (!clipboard.is_open()) {
    SetError(qrvErrClipboardError);
    return 0;
  }
  const HGLOBAL data = GetClipboardData(CF_DIB);
  if (data == 0) {
    SetError(qrvErrClipboardInvalidFormat);
    return 0;
  }
  // The clipboard's block is checked against its own size; a bitmap the gate
  // refuses is refused with 1001 and nothing of it is read.
  const DibInput input(data);
  if (input.error() != 0) {
    SetError(input.error());
    return 0;
  }
  const HGLOBAL copy = binding_->CopyGlobalBlock(input.handle());
  if (copy == 0) SetError(qrvErrOutofMemory);
  return copy;
}

BOOL CQRVNImgEditCtrl::CopyToClipboard(int32_t left, int32_t top, int32_t width, int32_t height) {
  if (current_image_ == 0) {
    SetError(qrvErrUnsetMediaData);
    return FALSE;
  }
  ClearError();
  // Width or height 0 reaches to the right or bottom edge.
  const EditRect r = NormalisedEditRect(left, top, width == 0 ? int64_t{image_width_} - left : width,
                                        height == 0 ? int64_t{image_height_} - top : height);
  const HGLOBAL piece = binding_->ClipDibRect(current_image_, r.left, r.top, r.right, r.bottom, interpolation_, morphology_);
  if (piece == 0) {
    SetBindingError();
    return FALSE;
  }
  const HGLOBAL block = binding_->CopyGlobalForClipboard(piece);
  (void)GlobalFree(piece);
  if (block == 0) {
    SetBindingError();
    return FALSE;
  }
  {
    const ClipboardSession clipboard(GetSafeHwnd());
    if (clipboard.is_open() && EmptyClipboard() && SetClipboardData(CF_DIB, block) != 0) return TRUE;
  }
  // Not set: the block is still ours.
  (void)GlobalFree(block);
  SetError(qrvErrClipboardError);
  return FALSE;
}

BOOL CQRVNImgEditCtrl::PasteFromClipboard(int32_t left, int32_t top) {
  ClearError();
  if (current_image_ == 0) {
    SetError(qrvErrUnsetMediaData);
    return FALSE;
  }
  HGLOBAL source = ReadClipboardDib();
  if (source == 0) return FALSE;
  // The pasted bitmap's depth goes to a temporary: the information fields
  // keep describing the current image.
  source = MatchSecondImage(source, binding_->GetDibBitDepthCode(source));
  if (source == 0) return FALSE;
  const HGLOBAL result = binding_->BlendDibs(current_image_, source, 0.0, color_depth_, left, top, 0, 0, 0, 0);
  (void)GlobalFree(source);
  return FinishEdit(result);
}

BOOL CQRVNImgEditCtrl::CreateFromClipboard() {
  ClearError();
  const HGLOBAL image = ReadClipboardDib();
  if (image == 0) return FALSE;
  SetImageInfo(DibInfo(image));
  if (!SetCurrentImage(image)) {
    (void)GlobalFree(image);
    SetError(qrvErrOutofMemory);
    return FALSE;
  }
  return TRUE;
}

}  // namespace ondavel
