// One acquisition on one SANE device: options, the page loop and the
// conversion of each page into a packed bitmap. Every method runs on the
// SANE thread, except CancelFromAnotherThread.
#ifndef PLATFORM_ACQUIRE_SANE_SANE_SESSION_H_
#define PLATFORM_ACQUIRE_SANE_SANE_SESSION_H_

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "acquire/sane/backend_threads.h"
#include "acquire/sane/sane_api.h"
#include "plat/global_memory.h"

namespace plat::acquire {

struct SaneDevice {
  std::string name;  // "test:0": what a source is called and remembered by
  std::string vendor;
  std::string model;
  std::string type;
};

// The devices SANE lists now; 0, or an error code.
[[nodiscard]] int ListSaneDevices(const SaneApi& api, std::vector<SaneDevice>& out);
// The device a remembered name stands for: empty is the first listed device; a
// name that is not listed is the one device of the same backend (the text
// before the first ':'). 0, 8002 (none listed) or 8001.
[[nodiscard]] int ResolveSaneDevice(const std::vector<SaneDevice>& devices, const std::string& wanted,
                                    std::string& resolved);

enum class ScanArea { kLeave, kMaximum, kMillimetres, kPixels };

struct ScanRequest {
  int color_code = 0;      // ImageColorConstants; 0 leaves the device's mode
  int resolution_dpi = 0;  // 0 leaves the device's resolution
  ScanArea area = ScanArea::kLeave;
  // For kMillimetres and kPixels (pixels at the scan resolution); a right or
  // bottom of 0 is the device's maximum.
  double left = 0, top = 0, right = 0, bottom = 0;
  bool use_feeder = false;
};

struct ScannedPage {
  int error = 0;              // 0, or the ErrorConstants value of a failure
  bool is_cancelled = false;  // the device reported a cancel (error 1110)
  bool is_end = false;        // the feeder is empty: no page, no error
  HGLOBAL image = 0;
  int16_t depth_code = 0;
  int16_t dpi_x = 0;
  int16_t dpi_y = 0;
};

class SaneSession {
 public:
  explicit SaneSession(const SaneApi& api) : api_(api) {}
  ~SaneSession();
  SaneSession(const SaneSession&) = delete;
  SaneSession& operator=(const SaneSession&) = delete;

  [[nodiscard]] int Open(const std::string& device);
  [[nodiscard]] int Configure(const ScanRequest& request);
  ScannedPage ScanPage(bool is_first_page);
  // sane_cancel and sane_close; safe to call twice.
  void Close();
  // The one call SANE allows from another thread while a read runs.
  void CancelFromAnotherThread();

 private:
  struct Frame;
  int FindOption(const char* name, const SANE_Option_Descriptor** out) const;
  bool SetString(const char* name, const std::string& value);
  bool SetNumber(const char* name, double value);
  bool GetNumber(const char* name, double& out) const;
  std::vector<std::string> StringChoices(const char* name) const;
  bool AllowsWord(const char* name, int value) const;
  int ChooseMode(int color_code);
  int SetArea(const ScanRequest& request);
  int ReadFrame(Frame& frame);
  int Convert(const std::vector<Frame>& frames, ScannedPage& page);

  const SaneApi& api_;
  SANE_Handle handle_ = nullptr;
  std::atomic<SANE_Handle> cancel_handle_{nullptr};
  bool has_started_ = false;  // a page was started since the last cancel
  BackendThreads backend_threads_;
  bool is_bilevel_by_threshold_ = false;
  int dpi_x_ = 0;
  int dpi_y_ = 0;
};

}  // namespace plat::acquire

#endif  // PLATFORM_ACQUIRE_SANE_SANE_SESSION_H_
