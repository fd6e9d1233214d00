// The scanner-source object on SANE. SANE is initialised once for the process
// while any object has it open; one acquisition runs at a time in the
// process. The SANE thread scans one page at a time and the calling thread
// delivers it, so a cancel made inside a notification stops before the next
// page is fed.
#include "plat/acquire/twain_ctrl.h"

#include <atomic>
#include <cmath>
#include <mutex>
#include <vector>

#include "acquire/common/notify_target.h"
#include "acquire/dialogs/acquire_dialogs.h"
#include "acquire/sane/sane_api.h"
#include "acquire/sane/sane_session.h"
#include "acquire/sane/sane_worker.h"

namespace plat {

using acquire::RunOnSaneThread;
using acquire::SaneApi;
using acquire::SaneDevice;
using acquire::SaneSession;
using acquire::ScanArea;
using acquire::ScannedPage;
using acquire::ScanRequest;

namespace {

// SANE's own initialisation, counted across every object of the process.
class SaneInit {
 public:
  static SaneInit& Get() {
    static auto* init = new SaneInit;  // lives as long as the SANE thread
    return *init;
  }

  // 0 and the library, or 9911 when SANE is missing or does not start.
  int Acquire(const SaneApi*& api) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (count_ == 0) {
      const SaneApi* loaded = acquire::LoadSaneApi();
      if (loaded == nullptr) return qrvErrTwainDllNotFound;
      SANE_Status status = SANE_STATUS_INVAL;
      RunOnSaneThread([&] {
        SANE_Int version = 0;
        status = loaded->init(&version, nullptr);
      });
      if (status != SANE_STATUS_GOOD) return qrvErrTwainDllNotFound;
      api_ = loaded;
    }
    ++count_;
    api = api_;
    return qrvSuccess;
  }

  void Release() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (count_ == 0 || --count_ > 0) return;
    const SaneApi* api = api_;
    api_ = nullptr;
    RunOnSaneThread([&] { api->exit(); });
  }

 private:
  std::recursive_mutex mutex_;
  int count_ = 0;
  const SaneApi* api_ = nullptr;
};

// Holds SANE open for one call of an object that has not opened it itself.
class SaneUse {
 public:
  ~SaneUse() {
    if (api_ != nullptr) SaneInit::Get().Release();
  }
  int Acquire() { return SaneInit::Get().Acquire(api_); }
  const SaneApi& api() const { return *api_; }

 private:
  const SaneApi* api_ = nullptr;
};

// One acquisition at a time in the process: a second one, also from inside a
// notification of the first, is refused with 8010.
std::atomic<bool> g_is_run_active{false};

struct PaperSize {
  double width_mm;
  double height_mm;
};

// Portrait sizes; the landscape codes swap them.
bool PaperSizeMm(int code, PaperSize& out) {
  switch (code) {
    case qrvSizePortA3: out = {297, 420}; return true;
    case qrvSizePortA4: out = {210, 297}; return true;
    case qrvSizePortA5: out = {148, 210}; return true;
    case qrvSizePortB4: out = {250, 354}; return true;
    case qrvSizePortB5: out = {182, 257}; return true;
    case qrvSizeLandA3: out = {420, 297}; return true;
    case qrvSizeLandA4: out = {297, 210}; return true;
    case qrvSizeLandA5: out = {210, 148}; return true;
    case qrvSizeLandB4: out = {354, 250}; return true;
    case qrvSizeLandB5: out = {257, 182}; return true;
    case qrvSizeLetter: out = {215.9, 279.4}; return true;
    case qrvSizeLegal: out = {215.9, 355.6}; return true;
    case qrvSizePortPostcard: out = {100, 148}; return true;
    case qrvSizeLandPostcard: out = {148, 100}; return true;
    default: return false;
  }
}

bool IsColorCode(int code) {
  return code == qrvColorDefault || code == qrvColorBitmap || code == qrvColor16 || code == qrvColor256 ||
         code == qrvColorGrayscale || code == qrvColorRGB;
}

}  // namespace

struct CQRVNTwainCtrl::State {
  acquire::NotifyTarget target;
  bool is_open = false;
  const SaneApi* api = nullptr;  // while open
  std::string source_name;
  std::vector<SaneDevice> devices;  // as last listed
  int16_t last_error = 0;
  std::atomic<bool> is_cancel_requested{false};
  std::atomic<bool> is_scanning{false};  // the SANE thread is inside a page
  std::atomic<SaneSession*> session{nullptr};

  int Fail(int error) {
    last_error = static_cast<int16_t>(error);
    return 0;
  }
  // Lists the devices into `devices`; 0 or an error code.
  int Refresh();
  int Run(const ScanRequest& request, int count);
  int Abort(int error, bool is_cancelled);
};

int CQRVNTwainCtrl::State::Refresh() {
  SaneUse use;
  const SaneApi* api_now = api;
  if (!is_open) {
    const int error = use.Acquire();
    if (error != qrvSuccess) return error;
    api_now = &use.api();
  }
  int error = qrvSuccess;
  std::vector<SaneDevice> listed;
  RunOnSaneThread([&] { error = acquire::ListSaneDevices(*api_now, listed); });
  if (error == qrvSuccess) devices = std::move(listed);
  return error;
}

int CQRVNTwainCtrl::State::Abort(int error, bool is_cancelled) {
  AcquireNotifyRecord record;
  record.status = is_cancelled ? kAcquireStatusCancelled : kAcquireStatusError;
  target.Deliver(record);
  return Fail(error);
}

int CQRVNTwainCtrl::State::Run(const ScanRequest& request, int count) {
  bool expected = false;
  if (!g_is_run_active.compare_exchange_strong(expected, true)) return Fail(qrvErrDeviceBusy);
  struct RunEnd {
    ~RunEnd() { g_is_run_active = false; }
  } run_end;
  last_error = qrvSuccess;
  is_cancel_requested = false;
  SaneUse use;
  const SaneApi* api_now = api;
  if (!is_open) {
    const int error = use.Acquire();
    if (error != qrvSuccess) return Abort(error, false);
    api_now = &use.api();
  }
  SaneSession scan(*api_now);
  const auto close = [&] { RunOnSaneThread([&] { scan.Close(); }); };
  int error = qrvSuccess;
  const std::string wanted = source_name;
  RunOnSaneThread([&] {
    std::vector<SaneDevice> listed;
    error = acquire::ListSaneDevices(*api_now, listed);
    std::string device;
    if (error == qrvSuccess) error = acquire::ResolveSaneDevice(listed, wanted, device);
    if (error == qrvSuccess) error = scan.Open(device);
    if (error == qrvSuccess) error = scan.Configure(request);
  });
  if (error != qrvSuccess) {
    close();
    return Abort(error, false);
  }
  session = &scan;
  struct SessionEnd {
    std::atomic<SaneSession*>& session;
    ~SessionEnd() { session = nullptr; }
  } session_end{session};
  int delivered = 0;
  for (;;) {
    ScannedPage page;
    is_scanning = true;
    RunOnSaneThread([&] { page = scan.ScanPage(delivered == 0); });
    is_scanning = false;
    if (page.is_end) break;
    if (page.error != qrvSuccess) {
      if (page.is_cancelled && is_cancel_requested) break;  // our own cancel, made while the page was read
      close();
      return Abort(page.error, page.is_cancelled);
    }
    AcquireNotifyRecord record;
    record.image = page.image;
    record.status = kAcquireStatusImage;
    record.value1 = page.depth_code;
    record.value2 = page.dpi_x;
    record.value3 = page.dpi_y;
    target.Deliver(record);
    GlobalFree(page.image);
    ++delivered;
    if (is_cancel_requested || !request.use_feeder || (count > 0 && delivered >= count)) break;
  }
  close();
  return 1;
}

CQRVNTwainCtrl::CQRVNTwainCtrl() : state_(std::make_unique<State>()) {}

CQRVNTwainCtrl::~CQRVNTwainCtrl() { CloseDSM(); }

int CQRVNTwainCtrl::SetCallback(unsigned id, short mode, intptr_t target) {
  if (!state_->target.Set(id, mode, target)) return state_->Fail(qrvErrInvalidParam);
  return 1;
}

int CQRVNTwainCtrl::OpenDSM(HWND owner) {
  state_->last_error = qrvSuccess;
  if (state_->is_open) return 1;
  const int error = SaneInit::Get().Acquire(state_->api);
  if (error != qrvSuccess) return state_->Fail(error);
  state_->is_open = true;
  return 1;
}

int CQRVNTwainCtrl::CloseDSM() {
  if (!state_->is_open) return 1;
  state_->is_open = false;
  state_->api = nullptr;
  SaneInit::Get().Release();
  return 1;
}

int CQRVNTwainCtrl::SelectSource(std::string& name) {
  state_->last_error = qrvSuccess;
  if (g_is_run_active) return state_->Fail(qrvErrDeviceBusy);
  const int error = state_->Refresh();
  if (error != qrvSuccess) return state_->Fail(error);
  if (state_->devices.empty()) return state_->Fail(qrvErrDeviceNotInstall);
  std::vector<acquire::SourceEntry> entries;
  for (const SaneDevice& device : state_->devices) entries.push_back({device.name, device.vendor, device.model});
  std::string chosen = name;
  int dialog_error = qrvSuccess;
  const int result = acquire::RunSourceListDialog(nullptr, entries, chosen, dialog_error);
  if (result < 0) return state_->Fail(dialog_error != qrvSuccess ? dialog_error : qrvErrDeviceError);
  if (result == 0) return 0;  // the user cancelled: no error
  name = chosen;
  return 1;
}

int CQRVNTwainCtrl::GetDSnum() {
  state_->last_error = qrvSuccess;
  const int error = state_->Refresh();
  if (error != qrvSuccess) return state_->Fail(error);
  return static_cast<int>(state_->devices.size());
}

int CQRVNTwainCtrl::GetDSname(int index, std::string* name) {
  state_->last_error = qrvSuccess;
  if (name == nullptr) return state_->Fail(qrvErrInvalidParam);
  if (state_->devices.empty() || state_->is_open) {
    const int error = state_->Refresh();
    if (error != qrvSuccess) return state_->Fail(error);
  }
  if (index < 0 || static_cast<size_t>(index) >= state_->devices.size()) return state_->Fail(qrvErrInvalidIndex);
  *name = state_->devices[static_cast<size_t>(index)].name;
  return 1;
}

int CQRVNTwainCtrl::SetDSname(const std::string& name) {
  state_->source_name = name;
  return 1;
}

int CQRVNTwainCtrl::AcquireImage(HWND owner, HWND second, int mode, int count, int flag) {
  state_->last_error = qrvSuccess;
  if (g_is_run_active) return state_->Fail(qrvErrDeviceBusy);
  if (count < 0) return state_->Fail(qrvErrInvalidParam);
  acquire::ScanChoice choice;
  choice.use_feeder = flag != 0;
  int dialog_error = qrvSuccess;
  const int result = acquire::RunScanDialog(owner, choice, dialog_error);
  if (result < 0) return state_->Fail(dialog_error != qrvSuccess ? dialog_error : qrvErrDeviceError);
  if (result == 0) return state_->Abort(qrvErrUserAbort, true);
  return AcquireImage(count, owner, second, mode, choice.paper_size, choice.use_feeder ? 1 : 0,
                      choice.resolution_dpi, choice.color_code);
}

int CQRVNTwainCtrl::AcquireImage(int count, HWND owner, HWND second, int mode, int paper_size, int auto_feeder,
                                 int resolution, int color_depth) {
  state_->last_error = qrvSuccess;
  if (count < 0 || resolution < 0 || !IsColorCode(color_depth) || paper_size < qrvSizeDefault ||
      paper_size > qrvSizeLandPostcard) {
    return state_->Fail(g_is_run_active ? qrvErrDeviceBusy : qrvErrInvalidParam);
  }
  ScanRequest request;
  request.color_code = color_depth;
  request.resolution_dpi = resolution;
  request.use_feeder = auto_feeder != 0;
  PaperSize paper{};
  if (paper_size == qrvSizeMaximum) {
    request.area = ScanArea::kMaximum;
  } else if (PaperSizeMm(paper_size, paper)) {
    request.area = ScanArea::kMillimetres;
    request.right = paper.width_mm;
    request.bottom = paper.height_mm;
  }
  return state_->Run(request, count);
}

int CQRVNTwainCtrl::AcquireImage(int count, HWND owner, HWND second, int mode, int unit, float left, float top,
                                 float right, float bottom, int auto_feeder, int resolution, int color_depth) {
  state_->last_error = qrvSuccess;
  if (count < 0 || resolution < 0 || !IsColorCode(color_depth) || unit < qrvUnitPixel ||
      unit > qrvUnitCentimeter) {
    return state_->Fail(g_is_run_active ? qrvErrDeviceBusy : qrvErrInvalidParam);
  }
  const bool is_finite = std::isfinite(left) && std::isfinite(top) && std::isfinite(right) && std::isfinite(bottom);
  if (!is_finite || left < 0 || top < 0 || right < 0 || bottom < 0 || (right > 0 && right <= left) ||
      (bottom > 0 && bottom <= top)) {
    return state_->Fail(qrvErrInvalidRectValue);
  }
  const double to_mm = unit == qrvUnitInch ? 25.4 : unit == qrvUnitCentimeter ? 10.0 : 1.0;
  ScanRequest request;
  request.color_code = color_depth;
  request.resolution_dpi = resolution;
  request.use_feeder = auto_feeder != 0;
  request.area = unit == qrvUnitPixel ? ScanArea::kPixels : ScanArea::kMillimetres;
  request.left = left * to_mm;
  request.top = top * to_mm;
  request.right = right * to_mm;
  request.bottom = bottom * to_mm;
  return state_->Run(request, count);
}

short CQRVNTwainCtrl::GetLastErr() { return state_->last_error; }

void CQRVNTwainCtrl::CancelAcquire() {
  state_->is_cancel_requested = true;
  // Inside a notification the SANE thread is idle and the run stops after it
  // returns; while a page is being read, SANE allows this one call from here.
  if (state_->is_scanning) {
    if (SaneSession* scan = state_->session.load()) scan->CancelFromAnotherThread();
  }
}

}  // namespace plat

extern "C" int InitK7RBITWN() { return plat::acquire::LoadSaneApi() != nullptr ? 1 : 0; }
