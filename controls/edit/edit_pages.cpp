// The TIFF page methods of the image edit control: the current image is the
// page written; page numbers are 1-based for the host and 0-based for the
// library. The binding refuses every format but TIFF.
#include "file_type_detector.h"
#include "image_edit_ctrl.h"

namespace ondavel {

using namespace plat;

BOOL CQRVNImgEditCtrl::AddPage(const char* file_name) {
  ClearError();
  return FinishWrite(binding_->AppendPageToFile(current_image_, file_name, save_media_format_, save_compression_,
                                                save_x_resolution_, save_y_resolution_));
}

BOOL CQRVNImgEditCtrl::InsertPage(const char* file_name, short page) {
  ClearError();
  return FinishWrite(binding_->InsertPageInFile(current_image_, file_name, save_media_format_, page - 1,
                                                save_compression_, save_x_resolution_, save_y_resolution_));
}

BOOL CQRVNImgEditCtrl::ReplacePage(const char* file_name, short page) {
  ClearError();
  return FinishWrite(binding_->ReplacePageInFile(current_image_, file_name, save_media_format_, page - 1,
                                                 save_compression_, save_x_resolution_, save_y_resolution_));
}

BOOL CQRVNImgEditCtrl::DeletePage(const char* file_name, short page) {
  ClearError();
  return FinishWrite(binding_->DeletePageFromFile(current_image_, file_name, save_media_format_, page - 1));
}

short CQRVNImgEditCtrl::GetPageCount(const char* file_name) {
  ClearError();
  FileTypeDetector detector;
  if (!detector.DetectFileFormat(file_name) || detector.media_kind() != kMediaKindImage) {
    SetError(detector.error() != 0 ? detector.error() : static_cast<int16_t>(qrvErrInvalidFileFormat));
    return 0;
  }
  const int32_t count = binding_->GetFileImageCount(file_name, static_cast<int16_t>(detector.type_code()));
  if (count == 0) SetBindingError();
  // The host's count is 16 bits; a longer file is reported as full.
  return static_cast<short>(count > INT16_MAX ? INT16_MAX : count);
}

}  // namespace ondavel
