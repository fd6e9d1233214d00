// Load and the two readers: a file or file URL, a memory image, a page of a
// scanner source or a photo disc made current; the information fields are
// written only when an image became current, so a failed load leaves the
// control as it was.
#include "file_type_detector.h"
#include "image_edit_ctrl.h"
#include "input_name.h"
#include "plat/global_memory.h"

namespace ondavel {

using namespace plat;

namespace {

// The information of a page read, from the library's inquiry.
void FillFromValues(const ImageFileValues& values, int16_t media_format, ImageInfo* info) {
  info->width = values.width;
  info->height = values.height;
  info->compression = values.compression;
  info->color_depth = values.color_depth;
  info->interlaced = values.interlace;
  info->x_dpi = values.x_dpi;
  info->y_dpi = values.y_dpi;
  info->media_format = media_format;
}

}  // namespace

BOOL CQRVNImgEditCtrl::Load() {
  ClearError();
  // A host may let go of the control from an event or dialog inside.
  ComPtr<IUnknown> hold = KeepAlive();
  switch (input_source_) {
    case qrvSrcFile: return LoadFromFileOrUrl();
    case qrvSrcTwain: return LoadFromScanner();
    case qrvSrcPhotoCD: return LoadFromPhotoDisc();
    default: return FALSE;
  }
}

BOOL CQRVNImgEditCtrl::LoadFromFileOrUrl() {
  std::string path;
  if (const int16_t error = ResolveInputName(input_file_name_, &path); error != 0) {
    SetError(error);
    return FALSE;
  }
  ImageInfo info;
  const HGLOBAL image = ReadImageFromFile(path.c_str(), image_select_page_, &info, show_ui_ != FALSE);
  if (image == 0) return FALSE;
  SetImageInfo(info);
  if (!SetCurrentImage(image)) {
    SetError(qrvErrOutofMemory);
    return FALSE;
  }
  return TRUE;
}

// Only TIFF images have several pages; every other format reads its one
// image whatever page is asked for. Without the dialog a page past the last
// is refused with 1003; with it, the page window chooses, and closing it
// without a page is 1110 (for a memory image, so is a page window that
// failed).
int CQRVNImgEditCtrl::PageIndexToRead(int page, int32_t count, bool show_dialog, bool is_failure_an_abort,
                                      const std::function<int()>& choose) {
  if (count == 1) return 0;
  if (count < 2) return page - 1;  // unreadable: the read that follows reports why
  if (!show_dialog) {
    if (page - 1 > count - 1) {
      SetError(qrvErrInvalidIndex);
      return -1;
    }
    return page - 1;
  }
  const int chosen = choose();
  if (chosen == 0 || (chosen < 0 && is_failure_an_abort)) SetError(qrvErrUserAbort);
  return chosen > 0 ? chosen - 1 : -1;
}

HGLOBAL CQRVNImgEditCtrl::ReadImageFromFile(const char* path, int page, ImageInfo* info, bool show_dialog) {
  ClearError();
  CWaitCursor wait;
  FileTypeDetector detector;
  if (!detector.DetectFileFormat(path) || detector.media_kind() != kMediaKindImage) {
    SetErrorOr(detector.error(), qrvErrInvalidFileFormat);
    return 0;
  }
  const auto format = static_cast<int16_t>(detector.type_code());
  const int32_t count = binding_->GetFileImageCount(path, format);
  const int index = PageIndexToRead(page, count, show_dialog, false, [&] { return ChoosePage(path, format, count); });
  if (index < 0) return 0;
  wait.Restore();
  *info = ImageInfo{};
  info->selected_page = static_cast<int16_t>(index + 1);
  const HGLOBAL image = binding_->ReadFileToDib(path, format, index);
  if (image == 0) {
    *info = ImageInfo{};
    SetBindingError();
    return 0;
  }
  FillFromValues(binding_->InquireFileValues(path, format, index), format, info);
  return image;
}

HGLOBAL CQRVNImgEditCtrl::ReadImageFromMemory(HGLOBAL block, int32_t length, const char* display_name, int page,
                                               ImageInfo* info, bool show_dialog) {
  ClearError();
  CWaitCursor wait;
  FileTypeDetector detector;
  if (!detector.DetectMemoryFormat(block, static_cast<size_t>(length)) || detector.media_kind() != kMediaKindImage) {
    SetErrorOr(detector.error(), qrvErrInvalidFileFormat);
    return 0;
  }
  const auto format = static_cast<int16_t>(detector.type_code());
  const int32_t count = binding_->GetMemoryImageCount(block, length, format);
  const int index = PageIndexToRead(page, count, show_dialog, true, [&] {
    return ChoosePageFromMemory(block, length, format, display_name, count);
  });
  if (index < 0) return 0;
  wait.Restore();
  *info = ImageInfo{};
  info->selected_page = static_cast<int16_t>(index + 1);
  const HGLOBAL image = binding_->ReadMemoryToDib(block, length, format, index);
  if (image == 0) {
    *info = ImageInfo{};
    SetBindingError();
    return 0;
  }
  FillFromValues(binding_->InquireMemoryValues(block, length, format, index), format, info);
  return image;
}

// A delivered page is copied (the library keeps its block) and made
// current. The depth follows the bitmap's bit count; the record's depth only
// tells grey from 256 colours. A page that cannot be locked or copied
// changes nothing.
int CQRVNImgEditCtrl::HandleAcqNotify(const AcquireNotifyRecord& record) {
  if (record.status != kAcquireStatusImage) return 0;
  if (GlobalLock(record.image) == nullptr) {
    has_lost_image_ = true;
    return 0;
  }
  const HGLOBAL copy = binding_->CopyGlobalBlock(record.image);
  (void)GlobalUnlock(record.image);
  if (copy == 0) {
    has_lost_image_ = true;
    return 0;
  }
  ImageInfo info = DibInfo(copy);
  if (info.color_depth == qrvColor256 && record.value1 == qrvColorGrayscale) info.color_depth = qrvColorGrayscale;
  info.x_dpi = record.value2;
  info.y_dpi = record.value3;
  SetImageInfo(info);
  SetCurrentImage(copy);
  has_acquired_image_ = true;
  return 1;
}

}  // namespace ondavel
