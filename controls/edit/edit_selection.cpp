// The image edit control's rubber band: a selection rectangle set or cleared
// by the host in the view. The editing methods never read it.
#include "image_edit_ctrl.h"

namespace ondavel {

using namespace plat;

BOOL CQRVNImgEditCtrl::SetRubberBand(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (current_image_ == 0) {
    SetError(qrvErrUnsetMediaData);
    return FALSE;
  }
  SetError(static_cast<int16_t>(view_.SetSelectionRect(RECT{left, top, right, bottom})));
  return error_code_ == qrvSuccess;
}

void CQRVNImgEditCtrl::ClearRubberBand() { (void)view_.SetSelectionRect(RECT{0, 0, 0, 0}); }

}  // namespace ondavel
