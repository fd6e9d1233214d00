// The image edit control's history: Undo goes back one edit, Reset goes back
// to the image as it was loaded, Delete empties the store. Each keeps the
// rule of the store that every handle has exactly one owner slot, so each
// image is freed exactly once.
#include "image_edit_ctrl.h"

namespace ondavel {

using namespace plat;

BOOL CQRVNImgEditCtrl::Undo() {
  if (current_image_ == 0) {
    SetError(qrvErrUnsetMediaData);
    return FALSE;
  }
  if (undo_image_ == 0) {
    SetError(qrvErrSequenceError);
    return FALSE;
  }
  ClearError();
  ClearViewImage();
  FreeBlock(current_image_);
  FreeDisplayCopy();
  color_depth_ = undo_color_depth_;
  current_image_ = undo_image_;
  undo_image_ = 0;
  undo_color_depth_ = qrvUnknown;
  ShowCurrentImage();
  (void)binding_->GetDibSize(current_image_, &image_width_, &image_height_);
  return TRUE;
}

BOOL CQRVNImgEditCtrl::Reset() {
  if (current_image_ == 0) {
    SetError(qrvErrUnsetMediaData);
    return FALSE;
  }
  if (base_image_ == 0) {
    SetError(qrvErrSequenceError);
    return FALSE;
  }
  // The copy is made before anything is freed: when memory runs out the
  // control keeps its current and undo images and says why.
  const HGLOBAL copy = binding_->CopyGlobalBlock(base_image_);
  if (copy == 0) {
    SetError(qrvErrOutofMemory);
    return FALSE;
  }
  ClearError();
  ClearViewImage();
  FreeBlock(current_image_);
  FreeDisplayCopy();
  FreeBlock(undo_image_);
  undo_color_depth_ = qrvUnknown;
  current_image_ = copy;
  color_depth_ = base_color_depth_;
  ShowCurrentImage();
  (void)binding_->GetDibSize(current_image_, &image_width_, &image_height_);
  return TRUE;
}

BOOL CQRVNImgEditCtrl::Delete() {
  ClearError();
  ClearViewImage();
  FreeBlock(current_image_);
  FreeDisplayCopy();
  FreeBlock(base_image_);
  FreeBlock(undo_image_);
  undo_color_depth_ = qrvUnknown;
  base_color_depth_ = qrvUnknown;
  ClearImageInfo();
  return TRUE;
}

}  // namespace ondavel
