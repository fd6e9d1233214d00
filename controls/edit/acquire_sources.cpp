// The scanner-source and photo-disc objects of the control: the windows
// they report to and are owned by, opening them, acquiring one image
// through them, choosing a scanner source, and the queries the host reads
// as properties. An acquisition succeeds only when an image became current
// during the call.
#include <new>

#include "file_type_detector.h"
#include "image_edit_ctrl.h"
#include "plat/ctl/frame_wnd.h"
#include "plat/user.h"

namespace ondavel {

using namespace plat;

namespace {

constexpr unsigned kScannerCallbackId = 1;
constexpr unsigned kPhotoDiscCallbackId = 2;
// Mode, count and flag of the acquisition calls: notify by message, one
// image, the usual transfer.
constexpr int kAcquireMode = 1;
constexpr int kAcquireCount = 1;
constexpr int kAcquireFlag = 1;

}  // namespace

// ---- Windows -------------------------------------------------------------------------------

HWND CQRVNImgEditCtrl::GetCallbackWindow() {
  if (!AmbientUserMode()) return nullptr;
  if (m_hWnd != nullptr) return m_hWnd;
  if (!callback_window_) {
    auto window = std::make_unique<CallbackWindow>(this);
    if (!window->Create()) return nullptr;
    callback_window_ = std::move(window);
  }
  return callback_window_->m_hWnd;
}

HWND CQRVNImgEditCtrl::GetOwnerWindow() { return CWnd::GetSafeOwnerHwnd(m_hWnd); }

HWND CQRVNImgEditCtrl::GetFrameWindow() {
  if (m_hWnd == nullptr) return nullptr;
  for (HWND hwnd = ::plat::GetParent(m_hWnd); hwnd != nullptr; hwnd = ::plat::GetParent(hwnd)) {
    if (dynamic_cast<CFrameWnd*>(CWnd::FromHandlePermanent(hwnd)) != nullptr) return hwnd;
  }
  return ::plat::GetParent(m_hWnd);
}

// ---- Opening the objects ------------------------------------------------------------------------

// A source manager that does not open leaves its reason in the error code
// and the object is made afresh next time.
BOOL CQRVNImgEditCtrl::OpenScanner(HWND window) {
  if (!scanner_) {
    try {
      scanner_ = std::make_unique<CQRVNTwainCtrl>();
    } catch (const std::bad_alloc&) {
      SetError(qrvErrOutofMemory);
      return FALSE;
    }
  }
  if (!scanner_->OpenDSM(window)) {
    const short error = scanner_->GetLastErr();
    SetErrorOr(error, qrvErrTwainDllNotFound);
    scanner_.reset();
    return FALSE;
  }
  scanner_->SetCallback(kScannerCallbackId, kAcquireNotifyByMessage, reinterpret_cast<intptr_t>(window));
  return TRUE;
}

BOOL CQRVNImgEditCtrl::OpenPhotoDisc(HWND window) {
  if (photo_disc_) return TRUE;
  try {
    photo_disc_ = std::make_unique<CQRVNPcdCtrl>();
  } catch (const std::bad_alloc&) {
    return FALSE;
  }
  photo_disc_->SetCallback(kPhotoDiscCallbackId, kAcquireNotifyByMessage, reinterpret_cast<intptr_t>(window));
  return TRUE;
}

// ---- Acquiring one image -------------------------------------------------------------------------

// Without a window (design mode) nothing can be delivered: 9000. After the
// call, an image that arrived but could not be made current gives 9000, a
// call that delivered nothing the library's reason, or 1110 when it gives
// none (the user closed its dialog).
BOOL CQRVNImgEditCtrl::LoadFromScanner() {
  const HWND window = GetCallbackWindow();
  if (window == nullptr) {
    SetError(qrvErrOutofMemory);
    return FALSE;
  }
  if (!OpenScanner(window)) return FALSE;
  scanner_->SetDSname(twain_select_source_name_);
  const HWND owner = GetOwnerWindow();
  const HWND frame = GetFrameWindow();
  has_acquired_image_ = false;
  has_lost_image_ = false;
  if (show_ui_) {
    scanner_->AcquireImage(owner, frame, kAcquireMode, kAcquireCount, kAcquireFlag);
  } else if (twain_paper_size_ != qrvSizeUserDefined) {
    scanner_->AcquireImage(kAcquireCount, owner, frame, kAcquireMode, twain_paper_size_, twain_auto_feeder_,
                           twain_resolution_, twain_color_depth_);
  } else {
    const float right = input_src_width_ == 0.0f ? 0.0f : input_src_left_ + input_src_width_;
    const float bottom = input_src_height_ == 0.0f ? 0.0f : input_src_top_ + input_src_height_;
    scanner_->AcquireImage(kAcquireCount, owner, frame, kAcquireMode, input_src_unit_, input_src_left_,
                           input_src_top_, right, bottom, twain_auto_feeder_, twain_resolution_, twain_color_depth_);
  }
  const short library_error = scanner_ ? scanner_->GetLastErr() : 0;
  if (scanner_) scanner_->CloseDSM();
  if (has_acquired_image_) return TRUE;
  SetErrorOr(has_lost_image_ ? int16_t{qrvErrOutofMemory} : library_error, qrvErrUserAbort);
  return FALSE;
}

BOOL CQRVNImgEditCtrl::LoadFromPhotoDisc() {
  const HWND window = GetCallbackWindow();
  if (window == nullptr || !OpenPhotoDisc(window)) {
    SetError(qrvErrOutofMemory);
    return FALSE;
  }
  const HWND owner = GetOwnerWindow();
  const HWND frame = GetFrameWindow();
  has_acquired_image_ = false;
  has_lost_image_ = false;
  if (show_ui_) {
    photo_disc_->AcquireImage(pcd_path_.c_str(), owner, frame, kAcquireMode, kAcquireCount, pcd_select_data_size_,
                              pcd_select_color_depth_, nullptr);
  } else {
    photo_disc_->AcquireImage(pcd_select_image_no_, pcd_select_image_no_, pcd_path_.c_str(), pcd_select_data_size_,
                              pcd_select_color_depth_, nullptr);
  }
  if (has_acquired_image_) return TRUE;
  const short library_error = photo_disc_ ? photo_disc_->GetLastErr() : 0;
  SetErrorOr(has_lost_image_ ? int16_t{qrvErrOutofMemory} : library_error, qrvErrUserAbort);
  return FALSE;
}

// A user who closes the source list without a choice gets TRUE; a list that
// could not be shown (no source, a device error) FALSE with the reason.
BOOL CQRVNImgEditCtrl::SelectTwainSource() {
  ClearError();
  ComPtr<IUnknown> hold = KeepAlive();
  const HWND window = GetCallbackWindow();
  if (window == nullptr) {
    SetError(qrvErrOutofMemory);
    return FALSE;
  }
  if (!OpenScanner(window)) return FALSE;
  std::string name = twain_select_source_name_;
  const int chosen = scanner_->SelectSource(name);
  const short error = scanner_->GetLastErr();
  scanner_->CloseDSM();
  if (chosen != 0) {
    twain_select_source_name_ = name;
    Changed(kDispTwainSelectSourceName);
    return TRUE;
  }
  if (error != 0) {
    SetError(error);
    return FALSE;
  }
  return TRUE;
}

// ---- Queries -----------------------------------------------------------------------------------

short CQRVNImgEditCtrl::GetTwainSourceCount() {
  RequireUserMode();
  const HWND window = GetCallbackWindow();
  if (window == nullptr) {
    SetError(qrvErrOutofMemory);
    return 0;
  }
  if (!OpenScanner(window)) return 0;
  const int count = scanner_->GetDSnum();
  scanner_->CloseDSM();
  return static_cast<short>(count > 0 ? count : 0);
}

CString CQRVNImgEditCtrl::GetTwainSourceName(short index) {
  ClearError();
  if (GetCallbackWindow() == nullptr) {
    SetError(qrvErrOutofMemory);
    return CString();
  }
  std::string name;
  if (!scanner_ || !scanner_->GetDSname(index, &name)) return CString();
  return CString(name);
}

short CQRVNImgEditCtrl::GetPcdImageCount() {
  RequireUserMode();
  const HWND window = GetCallbackWindow();
  if (window == nullptr || !OpenPhotoDisc(window)) return 0;
  return static_cast<short>(photo_disc_->GetImageCount(pcd_path_.c_str()));
}

short CQRVNImgEditCtrl::GetPcdColorDepthCount() {
  RequireUserMode();
  const HWND window = GetCallbackWindow();
  if (window == nullptr || !OpenPhotoDisc(window)) return 0;
  return photo_disc_->GetFormatNum(pcd_path_.c_str(), pcd_select_image_no_);
}

short CQRVNImgEditCtrl::GetPcdDataSizeCount() {
  RequireUserMode();
  const HWND window = GetCallbackWindow();
  if (window == nullptr || !OpenPhotoDisc(window)) return 0;
  return photo_disc_->GetResolutionNum(pcd_path_.c_str(), pcd_select_image_no_);
}

short CQRVNImgEditCtrl::GetPcdColorDepth(short index) {
  const HWND window = GetCallbackWindow();
  if (window == nullptr || !OpenPhotoDisc(window)) return -1;
  return photo_disc_->GetFormat(pcd_path_.c_str(), pcd_select_image_no_, index);
}

int32_t CQRVNImgEditCtrl::GetPcdDataSize(short index) {
  const HWND window = GetCallbackWindow();
  if (window == nullptr || !OpenPhotoDisc(window)) return -1;
  return photo_disc_->GetResolution(pcd_path_.c_str(), pcd_select_image_no_, index);
}

// The pages of InputFileName read as a plain path, for a file source only.
short CQRVNImgEditCtrl::GetImageTotalPage() {
  RequireUserMode();
  if (input_source_ != qrvSrcFile || input_file_name_.empty()) return 0;
  FileTypeDetector detector;
  if (!detector.DetectFileFormat(input_file_name_.c_str()) || detector.media_kind() != kMediaKindImage) return 0;
  const int32_t count =
      binding_->GetFileImageCount(input_file_name_.c_str(), static_cast<int16_t>(detector.type_code()));
  return static_cast<short>(count > 0x7FFF ? 0x7FFF : count);
}

}  // namespace ondavel
