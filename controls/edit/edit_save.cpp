// Saving the image edit control's current image: to a file (Save) or to a
// new global block holding the encoded file (GetMemHandle), both after the
// format check, so a refused combination writes nothing.
#include "image_edit_ctrl.h"
#include "save_format.h"

namespace ondavel {

using namespace plat;

int16_t CQRVNImgEditCtrl::ValidateSaveFormat() const {
  return CheckSaveFormat(save_media_format_, save_compression_, color_depth_);
}

int16_t CQRVNImgEditCtrl::SaveInterlaceFlag() const { return save_interlaced_image_ == qrvInterlaced ? 1 : 0; }

BOOL CQRVNImgEditCtrl::FinishWrite(BOOL is_written) {
  if (!is_written) SetBindingError();
  return is_written;
}

BOOL CQRVNImgEditCtrl::Save(const char* file_name) {
  SetError(ValidateSaveFormat());
  if (error_code_ != qrvSuccess) return FALSE;
  return FinishWrite(binding_->WriteDibToFile(current_image_, file_name, save_media_format_, save_compression_,
                                              SaveInterlaceFlag(), save_quality_, save_x_resolution_,
                                              save_y_resolution_));
}

BOOL CQRVNImgEditCtrl::GetMemHandle(int32_t* mem_handle, int32_t* mem_size) {
  if (mem_handle != nullptr) *mem_handle = 0;
  if (mem_size != nullptr) *mem_size = 0;
  SetError(ValidateSaveFormat());
  if (error_code_ != qrvSuccess) return FALSE;
  HGLOBAL block = 0;
  int32_t size = 0;
  const BOOL exported =
      binding_->ExportDibToMemory(current_image_, &block, &size, save_media_format_, save_compression_,
                                  SaveInterlaceFlag(), save_quality_, save_x_resolution_, save_y_resolution_);
  if (!exported) {
    SetBindingError();
    return FALSE;
  }
  // The block is the host's from here on; without a place to put it, it
  // would be lost, so it is freed and the call fails.
  if (mem_handle == nullptr || mem_size == nullptr) {
    (void)GlobalFree(block);
    SetError(qrvErrInvalidParam);
    return FALSE;
  }
  *mem_handle = static_cast<int32_t>(block);
  *mem_size = size;
  return TRUE;
}

}  // namespace ondavel
