// The headless display backend: a virtual screen, injected input, a journal
// of what a user would have seen or heard, and waits that never hang. When
// the GUI thread would block with nothing to wait for, the backend runs the
// next idle step or the modal responder, else advances the virtual clock to
// the next deadline, else raises plat::test::StallError with a dump of the
// windows and the queue.
#ifndef PLAT_HEADLESS_H_
#define PLAT_HEADLESS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "plat/backend.h"
#include "plat/types.h"

namespace plat::test {

// The GUI thread would have waited for ever.
class StallError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace plat::test

namespace plat::headless {

struct JournalEntry {
  std::string kind;    // "beep", "modal", "message-box", "shell", "clipboard", ...
  std::string detail;
  bool operator==(const JournalEntry& other) const { return kind == other.kind && detail == other.detail; }
};

// What a modal responder may do with the modal loop that waits.
class ModalContext {
 public:
  explicit ModalContext(HWND modal) : modal_(modal) {}
  HWND modal() const { return modal_; }
  std::string Title() const;
  // Clicks the control `id` of the modal window (WM_COMMAND, BN_CLICKED).
  void Press(int id);
  // Presses the default button (DM_GETDEFID, else IDOK).
  void PressDefault();
  // Chooses the command `id` of a pop-up menu.
  void ChooseMenu(UINT id);
  // Cancels a dialog (IDCANCEL) or dismisses a menu.
  void Cancel();
  bool IsMenu() const;
  bool has_acted() const { return has_acted_; }
  int pressed_id() const { return pressed_id_; }

 private:
  HWND modal_;
  bool has_acted_ = false;
  int pressed_id_ = 0;
};

using ModalResponder = std::function<void(ModalContext&)>;
using IdleStep = std::function<void()>;

struct Options {
  int width_px = 1024;
  int height_px = 768;
  int bits_per_pixel = 32;
  // Moves the process clock to `target_ms` (a virtual clock); without it the
  // backend waits for deadlines in real time.
  std::function<void(uint64_t target_ms)> advance_clock_to;
  // How long a loop waiting for a worker thread may wait (real time).
  uint32_t worker_stall_ms = 10000;
};

// 32-bit 0x00RRGGBB pixels, top-down.
struct Image {
  int width_px = 0;
  int height_px = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width_px) + static_cast<size_t>(x)]; }
};

class HeadlessBackend : public backend::Backend {
 public:
  ~HeadlessBackend() override = default;
  virtual void SetModalResponder(ModalResponder responder) = 0;
  virtual void SetIdleScript(std::vector<IdleStep> steps) = 0;
  virtual std::vector<JournalEntry> GetJournal() const = 0;
  virtual void ClearJournal() = 0;
  virtual void SetReportedDepth(int bits_per_pixel) = 0;
  // The screen's size from now on (windows already made keep theirs).
  virtual void SetScreenSize(int width_px, int height_px) = 0;
  // What was last presented of a top-level window, and the composed screen.
  virtual Image Snapshot(HWND top_level) const = 0;
  virtual Image SnapshotScreen() const = 0;
  // Another program's clipboard offer (replaces ours; the loop hears of it).
  virtual void OfferForeignClipboard(std::vector<backend::ClipboardItem> items) = 0;
  virtual const backend::CursorImage* CurrentCursor() const = 0;
  virtual HWND PointerGrab() const = 0;
};

std::unique_ptr<HeadlessBackend> CreateHeadlessBackend(const Options& options);

// The installed backend if it is the headless one, else null.
HeadlessBackend* CurrentHeadless();

// A text dump of every window and of the queue (for stall reports).
std::string DescribeWindowSystem();
// The next time (process clock, ms) at which the window system has work:
// a timer, hover or caret blink; UINT64_MAX when none.
uint64_t NextDeadlineMs();

}  // namespace plat::headless

#endif  // PLAT_HEADLESS_H_
