// Saving acquired pages: each delivered page is turned if asked, announced to
// the host, converted to the save depth and size and written under a name of
// its own. Who frees what: the delivered page stays the library's; a turned
// copy, a converted page and every intermediate are freed here; what GetDIB
// and GetMemHandle return belongs to the host.
#include <unistd.h>

#include <cstring>
#include <string>

#include "Pelrith.h"
#include "acquire_ctrl.h"
#include "output_name.h"
#include "plat/packed_dib.h"

namespace mirrask {

using namespace plat;

namespace {

constexpr int32_t kInterpolationNearest = 8;
constexpr int32_t kMorphologyNone = 0;
constexpr int32_t kModeMethodDiffusion = 20;
constexpr int32_t kPaletteFromImage = 22;

bool IsMultiPageTiff(const ImageSaveParams& params) {
  return params.MultiPage && params.MediaFormat == qrvFileTIFF;
}

}  // namespace

BOOL CQRVBImgAcquireCtrl::SaveAcquiredImage(HGLOBAL page, short value1) {
  CWaitCursor wait;
  const int32_t n = acquired_count_ + 1;
  bool ok = true;
  HGLOBAL image = page;
  HGLOBAL rotated = 0;
  if (rotation_ != qrvRotate0) {
    short error = 0;
    rotated = RotateDib(page, rotation_, &error);
    if (rotated == 0) {
      SetError(error);
      ok = false;
    }
    image = rotated;
  }

  current_page_ = image;
  current_value_ = value1;
  FireEvent(kEventAcquireNotify, n, static_cast<short>(ok ? qrvAcquireSuccess : qrvAcquireAbort));
  current_page_ = 0;
  current_value_ = 0;

  if (ok && !auto_save_) {
    ++acquired_count_;
  } else if (auto_save_ && state_ != AcquireState::kCancelled && image != 0) {
    std::string name;
    if (IsMultiPageTiff(save_params_)) {
      if (multi_page_name_.empty()) {
        multi_page_name_ =
            MakeOutputFileName(file_name_format_, save_folder_, save_params_.MediaFormat, n, initial_number_);
      }
      name = multi_page_name_;
    } else {
      name = MakeOutputFileName(file_name_format_, save_folder_, save_params_.MediaFormat, n, initial_number_);
    }
    short error = 0;
    const std::string written = WriteImageFile(image, name, n, &error);
    if (!written.empty()) {
      ++acquired_count_;
      FireEvent(kEventFileSaveNotify, n, written, TRUE);
    } else {
      ok = false;
      SetError(error);
      FireEvent(kEventFileSaveNotify, n, std::string(), FALSE);
    }
  }
  if (rotated != 0) GlobalFree(rotated);
  return ok ? TRUE : FALSE;
}

HGLOBAL CQRVBImgAcquireCtrl::RotateDib(HGLOBAL page, short turns, short* error) {
  const auto view = ValidatePackedDib(page);
  if (!view) {
    *error = qrvErrSystemError;
    return 0;
  }
  const bool is_quarter = turns == qrvRotate90 || turns == qrvRotate270;
  int32_t status = 0;
  const HGLOBAL rotated = CmiRotate(page, is_quarter ? view->height : view->width,
                                    is_quarter ? view->width : view->height, turns, nullptr, 0, &status);
  if (rotated == 0) *error = MapAcquireStatusToError(status);
  return rotated;
}

std::string CQRVBImgAcquireCtrl::WriteImageFile(HGLOBAL image, const std::string& name, int32_t page, short* error) {
  bool converted = false;
  const HGLOBAL prepared = PrepareImage(image, false, &converted, error);
  if (prepared == 0) return {};
  std::string target = name;
  const bool is_reserved = !IsMultiPageTiff(save_params_);
  if (is_reserved) {
    // Never over a file this run did not write: the name is taken
    // exclusively first, and the library replaces only that placeholder.
    target = ReserveOutputName(name, written_names_, GetFormatExtension(save_params_.MediaFormat), page);
    if (target.empty()) *error = qrvErrFileIOError;
  }
  const bool ok = !target.empty() && SaveImageFile(prepared, target, error);
  if (!ok && is_reserved && !target.empty()) ::unlink(target.c_str());
  if (converted) GlobalFree(prepared);
  if (!ok) return {};
  written_names_.insert(target);
  return target;
}

HGLOBAL CQRVBImgAcquireCtrl::PrepareImage(HGLOBAL page, bool keep_depth, bool* converted, short* error) {
  *converted = false;
  // Pages from outside pass the gate first: a damaged header or a depth the
  // control does not convert (16 or 32 bits) is refused, not guessed at.
  const auto view = ValidatePackedDib(page);
  const short depth = view ? DepthOfBitCount(view->bpp) : 0;
  if (depth == 0) {
    *error = qrvErrSystemError;
    return 0;
  }
  const int32_t w0 = view->width;
  const int32_t h0 = view->height;
  short target = save_params_.ColorDepth;
  if (target == 0) {
    target = keep_depth ? depth : ChooseSaveColorDepth(save_params_.MediaFormat, save_params_.Compression, depth);
  }
  HGLOBAL image = page;
  if (target != depth) {
    image = ConvertColorDepth(page, depth, target, error);
    if (image == 0) return 0;
    *converted = true;
  }
  const TargetSize size =
      ComputeTargetSize(w0, h0, save_params_.ImageWidth, save_params_.ImageHeight, save_params_.AspectRatio);
  if (size.width == w0 && size.height == h0) return image;

  int32_t status = 0;
  HGLOBAL resized = 0;
  if (size.FillsWhole()) {
    resized = CmiResize(image, size.width, size.height, kInterpolationNearest, kMorphologyNone, nullptr, 0, &status);
  } else {
    const uint32_t fill = save_params_.FillingColor;
    const IpiAttributePair levels[] = {{"constantLevel", static_cast<intptr_t>(fill & 0xFF)},
                                       {"constantLevel2", static_cast<intptr_t>(fill >> 8 & 0xFF)},
                                       {"constantLevel3", static_cast<intptr_t>(fill >> 16 & 0xFF)}};
    const bool is_full_colour = target == qrvColorRGB;
    resized = CmiSubsample(image, 0, 0, w0, h0, size.width, size.height, size.left, size.top,
                           size.right - size.left, size.bottom - size.top, kInterpolationNearest, kMorphologyNone,
                           is_full_colour ? levels : nullptr, is_full_colour ? 3 : 0, &status);
  }
  if (*converted) GlobalFree(image);
  if (resized == 0) {
    *converted = false;
    *error = MapAcquireStatusToError(status);
    return 0;
  }
  *converted = true;
  return resized;
}

HGLOBAL CQRVBImgAcquireCtrl::ConvertColorDepth(HGLOBAL image, short depth, short target, short* error) {
  const int32_t mode = ColourModeOfDepth(depth);
  int32_t status = 0;
  HGLOBAL converted = 0;
  switch (target) {
    case qrvColorBitmap:
      converted = CmiModeBitmap(image, mode, kModeMethodDiffusion, 0, nullptr, 0, &status);
      break;
    case qrvColor16:
      converted = CmiModeIndexedColor16(image, mode, kModeMethodDiffusion, kPaletteFromImage, 2, 4, 2, nullptr, 0,
                                        &status);
      break;
    case qrvColor256:
      converted = CmiModeIndexedColor256(image, mode, kModeMethodDiffusion, kPaletteFromImage, 8, 8, 4, nullptr, 0,
                                         &status);
      break;
    case qrvColorGrayscale:
      converted = CmiModeGrayscale(image, mode, nullptr, 0, &status);
      break;
    case qrvColorRGB:
      converted = CmiModeRGBColor(image, mode, nullptr, 0, &status);
      break;
    default:
      status = kCmiStatusBadArgument;
      break;
  }
  if (converted == 0) *error = MapAcquireStatusToError(status);
  return converted;
}

bool CQRVBImgAcquireCtrl::SaveImageFile(HGLOBAL image, const std::string& name, short* error) {
  const std::vector<IpiAttributePair> options = SaveOptions(save_params_);
  const auto count = static_cast<int32_t>(options.size());
  int32_t status = 0;
  int32_t result = 0;
  if (IsMultiPageTiff(save_params_)) {
    result = CmiGenerateAndWriteAndControl(&image, 1, name.c_str(), kCmiFormatTiff, kCmiPageAppend, 0,
                                           options.data(), count, &status);
  } else {
    result = CmiGenerateAndWrite(&image, 1, name.c_str(), LibraryFormat(save_params_.MediaFormat), options.data(),
                                 count, &status);
  }
  if (result == 0) return true;
  *error = MapAcquireStatusToError(status != 0 ? status : result);
  return false;
}

// ---- The getters of the announced page ---------------------------------------------------

int32_t CQRVBImgAcquireCtrl::GetDIB() {
  CWaitCursor wait;
  ClearError();
  if (state_ != AcquireState::kAcquiring || current_page_ == 0) {
    SetError(qrvErrSequenceError);
    return 0;
  }
  bool converted = false;
  short error = 0;
  const HGLOBAL prepared = PrepareImage(current_page_, true, &converted, &error);
  if (prepared == 0) {
    SetError(error);
    return 0;
  }
  if (converted) return static_cast<int32_t>(prepared);
  // The page stays the library's: the host gets a copy of its own.
  const size_t bytes = GlobalSize(current_page_);
  const HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  const void* from = copy != 0 ? GlobalLock(current_page_) : nullptr;
  void* to = from != nullptr ? GlobalLock(copy) : nullptr;
  if (to == nullptr) {
    if (from != nullptr) GlobalUnlock(current_page_);
    if (copy != 0) GlobalFree(copy);
    SetError(qrvErrOutofMemory);
    return 0;
  }
  std::memcpy(to, from, bytes);
  GlobalUnlock(copy);
  GlobalUnlock(current_page_);
  return static_cast<int32_t>(copy);
}

BOOL CQRVBImgAcquireCtrl::GetMemHandle(int32_t* mem_handle, int32_t* mem_size) {
  CWaitCursor wait;
  ClearError();
  if (state_ != AcquireState::kAcquiring || current_page_ == 0) {
    SetError(qrvErrSequenceError);
    return FALSE;
  }
  if (mem_handle == nullptr || mem_size == nullptr) {
    SetError(qrvErrInvalidParam);
    return FALSE;
  }
  bool converted = false;
  short error = 0;
  const HGLOBAL prepared = PrepareImage(current_page_, false, &converted, &error);
  if (prepared == 0) {
    SetError(error);
    return FALSE;
  }
  const std::vector<IpiAttributePair> options = SaveOptions(save_params_);
  int32_t size = 0;
  int32_t status = 0;
  const HGLOBAL encoded =
      CmiGenerateAndExportHandle(&prepared, 1, LibraryFormat(save_params_.MediaFormat), &size, options.data(),
                                 static_cast<int32_t>(options.size()), &status);
  // Only a page PrepareImage made is freed; the delivered page stays the library's.
  if (converted) GlobalFree(prepared);
  if (encoded == 0) {
    SetError(MapAcquireStatusToError(status));
    return FALSE;
  }
  *mem_handle = static_cast<int32_t>(encoded);
  *mem_size = size;
  return TRUE;
}

}  // namespace mirrask
