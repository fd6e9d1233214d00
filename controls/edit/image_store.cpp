// The image store: the current image with its undo, base and display
// copies, the view that shows it, and the bitmaps a host hands in or takes
// out. Every handle of the store is owned by the control and freed exactly
// once; the view only borrows what it shows, so it is cleared before a
// shown block is freed.
#include "dib_input.h"
#include "image_edit_ctrl.h"
#include "module_resources.h"
#include "plat/gdi.h"
#include "plat/resources.h"
#include "plat/user.h"

namespace ondavel {

using namespace plat;

int16_t DisplayCopyDepth(int screen_depth, int16_t color_depth) {
  if (screen_depth == 4 &&
      (color_depth == qrvColor256 || color_depth == qrvColorGrayscale || color_depth == qrvColorRGB)) {
    return qrvColor16;
  }
  if (screen_depth == 8 && color_depth == qrvColorRGB) return qrvColor256;
  return 0;
}

// ---- The view ----------------------------------------------------------------------------------

void CQRVNImgEditCtrl::ClearViewImage() {
  if (HasView()) view_.ClearViewImage();
}

void CQRVNImgEditCtrl::FreeBlock(HGLOBAL& block) {
  if (block != 0) (void)GlobalFree(block);
  block = 0;
}

void CQRVNImgEditCtrl::FreeDisplayCopy() { FreeBlock(display_copy_); }

void CQRVNImgEditCtrl::ShowCurrentImage() {
  if (auto_color_decrease_ && current_image_ != 0 && display_copy_ == 0) display_copy_ = MakeDisplayCopy(current_image_);
  if (!HasView()) return;
  view_.SetViewImage(display_copy_ != 0 ? display_copy_ : current_image_);
  view_.InvalidateRect(nullptr, TRUE);
}

int CQRVNImgEditCtrl::ScreenDepth() {
  HDC dc = GetDC(m_hWnd);
  if (dc == nullptr) return 0;
  const int depth = GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL);
  ReleaseDC(m_hWnd, dc);
  return depth;
}

// ---- The store ---------------------------------------------------------------------------------

int CQRVNImgEditCtrl::SetCurrentImage(HGLOBAL image) {
  if (image == 0) return 0;
  ClearViewImage();
  if (HasView()) view_.SetViewZoom(zoom_);
  if (current_image_ != image) FreeBlock(current_image_);
  FreeDisplayCopy();
  current_image_ = image;
  ShowCurrentImage();
  FreeBlock(base_image_);
  base_image_ = binding_->CopyGlobalBlock(current_image_);
  base_color_depth_ = base_image_ != 0 ? color_depth_ : int16_t{qrvUnknown};
  FreeBlock(undo_image_);
  undo_color_depth_ = qrvUnknown;
  return 1;
}

int CQRVNImgEditCtrl::ReplaceCurrentImage(HGLOBAL image) {
  if (image == 0) return 0;
  ClearViewImage();
  FreeDisplayCopy();
  // An operation that handed back the current block itself changes nothing
  // to undo; the block must not sit in both slots.
  if (image != current_image_) {
    FreeBlock(undo_image_);
    undo_image_ = current_image_;
    undo_color_depth_ = color_depth_;
    current_image_ = image;
  }
  ShowCurrentImage();
  return 1;
}

HGLOBAL CQRVNImgEditCtrl::MakeDisplayCopy(HGLOBAL image) {
  if (image == 0) return 0;
  const int16_t target = DisplayCopyDepth(ScreenDepth(), color_depth_);
  if (target == 0) return 0;
  return binding_->ChangeDibColorDepth(image, color_depth_, target, color_reduction_, threshold_);
}

// ---- Information fields -----------------------------------------------------------------------

void CQRVNImgEditCtrl::SetImageInfo(const ImageInfo& info) {
  image_width_ = info.width;
  image_height_ = info.height;
  media_format_ = info.media_format;
  interlaced_image_ = info.interlaced;
  color_depth_ = info.color_depth;
  compression_ = info.compression;
  image_selected_page_ = info.selected_page;
  x_resolution_ = info.x_dpi;
  y_resolution_ = info.y_dpi;
}

void CQRVNImgEditCtrl::ClearImageInfo() { SetImageInfo(ImageInfo{}); }

ImageInfo CQRVNImgEditCtrl::DibInfo(HGLOBAL dib) {
  ImageInfo info;
  info.selected_page = image_selected_page_;
  (void)binding_->GetDibSize(dib, &info.width, &info.height);
  info.color_depth = binding_->GetDibBitDepthCode(dib);
  (void)binding_->GetDibResolutionDpi(dib, &info.x_dpi, &info.y_dpi);
  return info;
}

// ---- Bitmaps from and to the host --------------------------------------------------------------

// The block holds an image file; the host keeps it. A size beyond the block
// is refused rather than trusted.
BOOL CQRVNImgEditCtrl::SetMemHandle(int32_t mem_handle, int32_t mem_size) {
  ClearError();
  const auto block = static_cast<HGLOBAL>(mem_handle);
  if (block == 0 || mem_size <= 0 || static_cast<uint64_t>(mem_size) > GlobalSize(block)) {
    SetError(qrvErrInvalidParam);
    return FALSE;
  }
  if (GlobalLock(block) == nullptr) {
    SetError(qrvErrOutofMemory);
    return FALSE;
  }
  (void)GlobalUnlock(block);
  char name[64] = {};
  LoadString(OndavelResources(), kStringImageList, name, sizeof name);
  ComPtr<IUnknown> hold = KeepAlive();
  ImageInfo info;
  const HGLOBAL image = ReadImageFromMemory(block, mem_size, name, image_select_page_, &info, show_ui_ != FALSE);
  if (image == 0) return FALSE;
  SetImageInfo(info);
  SetCurrentImage(image);
  return TRUE;
}

// A packed bitmap the platform's gate refuses is refused with 1001 and stays
// the host's, whatever `is_owner` says; a foreign form (another header,
// top-down rows, 16 or 32 bits) becomes a plain 40-byte bottom-up copy.
BOOL CQRVNImgEditCtrl::SetDIB(int32_t dib, BOOL is_owner) {
  ClearError();
  const auto handle = static_cast<HGLOBAL>(dib);
  if (handle == 0) {
    SetError(qrvErrInvalidParam);
    return FALSE;
  }
  HGLOBAL image = 0;
  {
    DibInput input(handle);
    if (input.error() != 0) {
      SetError(input.error());
      return FALSE;
    }
    if (input.handle() != handle) {
      image = binding_->CopyGlobalBlock(input.handle());
    } else if (is_owner) {
      image = handle;
    } else {
      image = binding_->CopyGlobalBlock(handle);
    }
    if (image == 0) {
      SetBindingError();
      if (error_code_ == 0) SetError(qrvErrOutofMemory);
      return FALSE;
    }
  }
  // The control took the host's block: a plain copy replaces it.
  if (is_owner && image != handle) (void)GlobalFree(handle);
  ImageInfo info = DibInfo(image);
  SetImageInfo(info);
  if (!SetCurrentImage(image)) {
    SetError(qrvErrOutofMemory);
    return FALSE;
  }
  return TRUE;
}

int32_t CQRVNImgEditCtrl::GetDIB() {
  ClearError();
  if (current_image_ == 0) {
    SetError(qrvErrUnsetMediaData);
    return 0;
  }
  const HGLOBAL copy = binding_->CopyGlobalBlock(current_image_);
  if (copy == 0) SetBindingError();
  return static_cast<int32_t>(copy);
}

}  // namespace ondavel
