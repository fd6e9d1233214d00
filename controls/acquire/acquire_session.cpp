// The acquisition session: AcquireImages, SelectTwainSource and Cancel, the
// source sessions of both acquisition libraries, and the road by which each
// notification comes back to its control. Everything runs on the host's
// thread; a control is held alive from the start of a method to its return,
// so a host that releases it from an event handler never frees it under a
// running library call.
#include <unistd.h>

#include <string>

#include "acquire_ctrl.h"
#include "control_id_map.h"
#include "plat/file_system.h"
#include "plat/oleaut/color.h"
#include "plat/user.h"

namespace mirrask {

using namespace plat;

namespace {

constexpr char kOwnerWindowClass[] = "QRVBDummyWndClass";
constexpr char kOwnerWindowName[] = "QRVBDummyWnd";
constexpr char kProbePrefix[] = "~Qrv";

LRESULT OwnerWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProc(hwnd, message, wparam, lparam);
}

bool RegisterOwnerWindowClass() {
  WNDCLASSEX wc;
  if (GetClassInfoEx(nullptr, kOwnerWindowClass, &wc)) return true;
  wc = WNDCLASSEX{};
  wc.lpfnWndProc = OwnerWindowProc;
  wc.lpszClassName = kOwnerWindowClass;
  return RegisterClassEx(&wc) != 0;
}

}  // namespace

void CQRVBImgAcquireCtrl::SetError(short code) {
  if (error_code_ == 0) error_code_ = code;
}

// ---- Methods -------------------------------------------------------------------------

BOOL CQRVBImgAcquireCtrl::AcquireImages() {
  ComPtr<IUnknown> hold = KeepAlive();
  ClearError();
  if (state_ != AcquireState::kIdle) {
    SetError(qrvErrDeviceBusy);
    return FALSE;
  }
  acquired_count_ = 0;
  if (!IsValidSaveFormat(media_format_, compression_, color_depth_)) {
    SetError(qrvErrInvalidSaveFormat);
    return FALSE;
  }
  if (!PrepareSaveFolder()) return FALSE;
  multi_page_name_.clear();
  written_names_.clear();

  save_params_.MediaFormat = media_format_;
  save_params_.Compression = compression_;
  save_params_.Quality = quality_;
  save_params_.ColorDepth = color_depth_;
  save_params_.InterlacedImage = interlaced_image_;
  save_params_.MultiPage = multi_page_ != FALSE;
  save_params_.ImageWidth = image_width_;
  save_params_.ImageHeight = image_height_;
  save_params_.XResolution = x_resolution_;
  save_params_.YResolution = y_resolution_;
  save_params_.AspectRatio = aspect_ratio_ != FALSE;
  save_params_.FillingColor = TranslateColor(filling_color_);

  const short source = input_source_;
  if (!OpenAcquireSession(source)) return FALSE;
  stop_ = false;
  state_ = AcquireState::kAcquiring;
  running_source_ = source;
  BOOL result = StartSourceAcquire();
  if (result && stop_) result = FALSE;
  // The session is closed by the source that ran, whatever a handler set
  // InputSource to meanwhile.
  running_source_ = 0;
  state_ = AcquireState::kIdle;
  CloseAcquireSession(source, false);
  multi_page_name_.clear();
  written_names_.clear();
  return result;
}

bool CQRVBImgAcquireCtrl::PrepareSaveFolder() {
  save_folder_.clear();
  if (!auto_save_ || save_data_path_.empty()) return true;
  // The probe file is made exclusively and removed at once: a folder that is
  // missing or lies below a regular file takes none and leaves none.
  std::string probe;
  if (GetTempFileName(save_data_path_.c_str(), kProbePrefix, 0, probe) == 0) {
    SetError(qrvErrPathNotFound);
    return false;
  }
  DeleteFile(probe.c_str());
  save_folder_ = save_data_path_;
  if (save_folder_.back() != '/') save_folder_ += '/';
  return true;
}

BOOL CQRVBImgAcquireCtrl::SelectTwainSource() {
  ComPtr<IUnknown> hold = KeepAlive();
  ClearError();
  if (state_ != AcquireState::kIdle) {
    SetError(qrvErrDeviceBusy);
    return FALSE;
  }
  if (!OpenAcquireSession(qrvSrcTwain)) return FALSE;
  state_ = AcquireState::kSelectingSource;
  std::string name = twain_source_name_;
  BOOL result = TRUE;
  if (scanner_->SelectSource(name) != 0) {
    twain_source_name_ = name;
    Changed(kDispTwainSourceName);
  } else if (const short error = scanner_->GetLastErr(); error != 0) {
    // No source could be listed or chosen: a failure, not a cancel.
    SetError(error);
    result = FALSE;
  }
  state_ = AcquireState::kIdle;
  CloseAcquireSession(qrvSrcTwain, false);
  return result;
}

void CQRVBImgAcquireCtrl::Cancel() {
  if (state_ == AcquireState::kAcquiring) CancelSourceAcquire();
}

// ---- Sessions --------------------------------------------------------------------------

BOOL CQRVBImgAcquireCtrl::OpenAcquireSession(short source) {
  const auto target = reinterpret_cast<intptr_t>(&CQRVBImgAcquireCtrl::AcquireCallback);
  if (source == qrvSrcTwain) {
    if (!scanner_) {
      scanner_ = std::make_unique<CQRVNTwainCtrl>();
      scanner_->SetCallback(control_id_, kAcquireNotifyByCallback, target);
    }
    if (scanner_->OpenDSM(OwnerWindow()) == 0) {
      const short error = scanner_->GetLastErr();
      SetError(error != 0 ? error : static_cast<short>(qrvErrDeviceError));
      return FALSE;
    }
    return TRUE;
  }
  if (source == qrvSrcPhotoCD) {
    if (!photo_disc_) {
      photo_disc_ = std::make_unique<CQRVNPcdCtrl>();
      photo_disc_->SetCallback(control_id_, kAcquireNotifyByCallback, target);
    }
    return TRUE;
  }
  return TRUE;
}

BOOL CQRVBImgAcquireCtrl::StartSourceAcquire() {
  const HWND owner = OwnerWindow();
  int result = 1;
  short error = 0;
  if (running_source_ == qrvSrcTwain) {
    scanner_->SetDSname(twain_source_name_);
    if (show_ui_) {
      result = scanner_->AcquireImage(owner, nullptr, 0, acquire_count_, acquire_count_ != 0);
    } else if (twain_paper_size_ == qrvSizeUserDefined) {
      const float right = src_width_ == 0.0f ? 0.0f : src_left_ + src_width_;
      const float bottom = src_height_ == 0.0f ? 0.0f : src_top_ + src_height_;
      result = scanner_->AcquireImage(acquire_count_, owner, nullptr, 0, src_rect_unit_, src_left_, src_top_, right,
                                      bottom, twain_auto_feeder_, twain_resolution_, color_depth_);
    } else {
      result = scanner_->AcquireImage(acquire_count_, owner, nullptr, 0, twain_paper_size_, twain_auto_feeder_,
                                      twain_resolution_, color_depth_);
    }
    if (result == 0) error = scanner_->GetLastErr();
  } else if (running_source_ == qrvSrcPhotoCD) {
    // The photo-disc library takes no 1-bit depth: grey in its place.
    const short depth = color_depth_ == qrvColorBitmap ? static_cast<short>(qrvColorGrayscale) : color_depth_;
    if (show_ui_) {
      result = photo_disc_->AcquireImage(pcd_path_.c_str(), owner, nullptr, 0, acquire_count_, pcd_data_size_, depth,
                                         nullptr);
      if (result == 0) error = photo_disc_->GetLastErr();
    } else {
      const int count = photo_disc_->GetImageCount(pcd_path_.c_str());
      if (count <= 0) {
        result = 0;
        error = photo_disc_->GetLastErr();
      } else {
        const int64_t first = acquire_start_no_ != 0 ? acquire_start_no_ : 1;
        // The range is clamped to the images there are; a first image past
        // the last is refused before the library is asked.
        const int64_t last = acquire_count_ == 0 ? count : std::min<int64_t>(first + acquire_count_ - 1, count);
        if (first > count) {
          result = 0;
          error = qrvErrInvalidIndex;
        } else {
          result = photo_disc_->AcquireImage(static_cast<int>(first), static_cast<int>(last), pcd_path_.c_str(),
                                             pcd_data_size_, depth, nullptr);
          if (result == 0) error = photo_disc_->GetLastErr();
        }
      }
    }
  } else {
    return TRUE;
  }
  if (result == 0) SetError(error != 0 ? error : static_cast<short>(qrvErrDeviceError));
  return result != 0 ? TRUE : FALSE;
}

void CQRVBImgAcquireCtrl::CancelSourceAcquire() {
  if (running_source_ == qrvSrcTwain && scanner_) scanner_->CancelAcquire();
  if (running_source_ == qrvSrcPhotoCD && photo_disc_) photo_disc_->CancelAcquire();
  state_ = AcquireState::kCancelled;
}

BOOL CQRVBImgAcquireCtrl::CloseAcquireSession(short source, bool delete_objects) {
  if (source == qrvSrcTwain && scanner_) {
    scanner_->CloseDSM();
    if (delete_objects) scanner_.reset();
  }
  if (source == qrvSrcPhotoCD && delete_objects) photo_disc_.reset();
  return TRUE;
}

HWND CQRVBImgAcquireCtrl::OwnerWindow() {
  HWND owner = CWnd::GetSafeOwnerHwnd(m_hWnd);
  if (owner == nullptr) owner = GetActiveWindow();
  if (owner != nullptr) return owner;
  if (owner_window_ == nullptr && RegisterOwnerWindowClass()) {
    owner_window_ = CreateWindowEx(0, kOwnerWindowClass, kOwnerWindowName, 0, 0, 0, 0, 0, nullptr, nullptr,
                                   nullptr, nullptr);
  }
  return owner_window_;
}

// ---- Notifications ----------------------------------------------------------------------

int32_t CQRVBImgAcquireCtrl::AcquireCallback(uint16_t id, AcquireNotifyRecord* record) {
  if (record == nullptr) return 0;
  CQRVBImgAcquireCtrl* control = LookupControlId(id);
  if (control != nullptr) control->HandleAcquireNotify(*record);
  return 0;
}

void CQRVBImgAcquireCtrl::HandleAcquireNotify(const AcquireNotifyRecord& record) {
  ComPtr<IUnknown> hold = KeepAlive();
  switch (record.status) {
    case kAcquireStatusImage:
      if (!SaveAcquiredImage(record.image, record.value1)) {
        stop_ = true;
        CancelSourceAcquire();
      }
      break;
    case kAcquireStatusError: {
      FireEvent(kEventAcquireNotify, acquired_count_ + 1, static_cast<short>(qrvAcquireAbort));
      stop_ = true;
      // The run failed: the library's reason, or a device error when it
      // gives none.
      short error = 0;
      if (running_source_ == qrvSrcTwain && scanner_) error = scanner_->GetLastErr();
      if (running_source_ == qrvSrcPhotoCD && photo_disc_) error = photo_disc_->GetLastErr();
      SetError(error != 0 ? error : static_cast<short>(qrvErrDeviceError));
      break;
    }
    case kAcquireStatusCancelled:
      FireEvent(kEventAcquireNotify, acquired_count_ + 1, static_cast<short>(qrvAcquireCancel));
      CancelSourceAcquire();
      break;
    default:
      break;
  }
}

}  // namespace mirrask
