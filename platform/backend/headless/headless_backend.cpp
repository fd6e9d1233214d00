// The headless backend: mirrors top-level windows as pixel copies on a
// virtual screen and never blocks for ever (see plat/headless.h).
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>

#include "plat/clock.h"
#include "plat/headless.h"
#include "plat/menu.h"
#include "plat/messages.h"
#include "plat/user.h"

namespace plat::headless {

namespace {

constexpr uint32_t kDesktopColour = 0x008080;
// A modal loop that the responder keeps alive this often without ending is stuck.
constexpr int kMaxResponderRounds = 64;

struct NativeWindow {
  backend::TopLevelSpec spec;
  bool is_visible = false;
  bool has_shape = false;
  std::vector<RECT> shape;
  Image pixels;
};

class Headless final : public HeadlessBackend {
 public:
  explicit Headless(const Options& options) : options_(options) {
    screen_.width_px = options.width_px;
    screen_.height_px = options.height_px;
    screen_.bits_per_pixel = options.bits_per_pixel;
    screen_.work_area = RECT{0, 0, options.width_px, options.height_px};
  }

  std::string_view Name() const override { return "headless"; }
  backend::ScreenInfo Screen() const override { return screen_; }

  bool Create(const backend::TopLevelSpec& spec) override {
    NativeWindow window;
    window.spec = spec;
    Resize(window);
    windows_[spec.hwnd] = std::move(window);
    z_order_.insert(z_order_.begin(), spec.hwnd);
    return true;
  }
  void Destroy(HWND hwnd) override {
    windows_.erase(hwnd);
    z_order_.erase(std::remove(z_order_.begin(), z_order_.end(), hwnd), z_order_.end());
    if (grab_ == hwnd) grab_ = nullptr;
  }
  void SetGeometry(HWND hwnd, const RECT& rect) override {
    auto found = windows_.find(hwnd);
    if (found == windows_.end()) return;
    found->second.spec.rect = rect;
    Resize(found->second);
  }
  void Show(HWND hwnd, bool is_visible) override {
    if (auto found = windows_.find(hwnd); found != windows_.end()) found->second.is_visible = is_visible;
  }
  void SetTitle(HWND hwnd, std::string_view utf8) override {
    if (auto found = windows_.find(hwnd); found != windows_.end()) found->second.spec.title = std::string(utf8);
  }
  void SetShape(HWND hwnd, const std::vector<RECT>* shape) override {
    auto found = windows_.find(hwnd);
    if (found == windows_.end()) return;
    found->second.has_shape = shape != nullptr;
    found->second.shape = shape != nullptr ? *shape : std::vector<RECT>{};
  }
  void Present(HWND hwnd, const backend::PixelView& buffer, const std::vector<RECT>& dirty) override {
    auto found = windows_.find(hwnd);
    if (found == windows_.end()) return;
    Image& image = found->second.pixels;
    if (image.width_px != buffer.width_px || image.height_px != buffer.height_px) {
      image.width_px = buffer.width_px;
      image.height_px = buffer.height_px;
      image.pixels.assign(static_cast<size_t>(buffer.width_px) * static_cast<size_t>(buffer.height_px), 0);
    }
    for (const RECT& rect : dirty) {
      const int left = std::max(0, static_cast<int>(rect.left));
      const int right = std::min(buffer.width_px, static_cast<int>(rect.right));
      for (int y = std::max(0, static_cast<int>(rect.top)); y < std::min(buffer.height_px, static_cast<int>(rect.bottom)); ++y) {
        if (right <= left) break;
        const auto* row = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(buffer.pixels) + buffer.stride_bytes * static_cast<size_t>(y));
        std::memcpy(&image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width_px) + static_cast<size_t>(left)], row + left,
                    static_cast<size_t>(right - left) * 4);
      }
    }
  }
  void Raise(HWND hwnd) override {
    if (std::find(z_order_.begin(), z_order_.end(), hwnd) == z_order_.end()) return;
    z_order_.erase(std::remove(z_order_.begin(), z_order_.end(), hwnd), z_order_.end());
    z_order_.insert(z_order_.begin(), hwnd);
  }
  void Activate(HWND hwnd) override { (void)hwnd; }
  // No window manager here: the window system tracks moves and resizes itself.
  bool BeginSystemMove(HWND, POINT) override { return false; }
  bool BeginSystemResize(HWND, int, POINT) override { return false; }

  void SetCursor(const backend::CursorImage* cursor) override {
    has_cursor_ = cursor != nullptr;
    if (cursor != nullptr) cursor_ = *cursor;
  }
  void SetPointerGrab(HWND hwnd) override { grab_ = hwnd; }
  POINT CursorPos() const override { return cursor_pos_; }
  void SetCursorPos(POINT screen) override { cursor_pos_ = screen; }
  void SetTextInput(HWND, const RECT*) override {}

  void WaitForEvents(const backend::WaitRequest& request) override {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (is_woken_) {
        is_woken_ = false;
        return;
      }
      if (request.is_waiting_for_worker) {
        // Another thread will post: block on the real wake-up, bounded.
        const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.worker_stall_ms);
        if (!wake_.wait_until(lock, limit, [&] { return is_woken_; })) {
          lock.unlock();
          throw test::StallError("no wake-up from another thread within " + std::to_string(options_.worker_stall_ms) +
                                 " ms\n" + DescribeWindowSystem());
        }
        is_woken_ = false;
        return;
      }
    }
    if (!idle_steps_.empty()) {
      IdleStep step = std::move(idle_steps_.front());
      idle_steps_.pop_front();
      responder_rounds_ = 0;
      step();
      return;
    }
    if (request.modal != nullptr && IsWindow(request.modal)) {
      if (++responder_rounds_ > kMaxResponderRounds) {
        responder_rounds_ = 0;
        throw test::StallError("a modal loop does not end under its responder\n" + DescribeWindowSystem());
      }
      ModalContext context(request.modal);
      if (responder_) {
        responder_(context);
      } else {
        context.PressDefault();
      }
      if (context.IsMenu()) {
        Journal("menu", context.pressed_id() != 0 ? "chose " + std::to_string(context.pressed_id()) : "dismissed");
      } else {
        Journal("modal", context.Title() + ": " +
                             (context.has_acted() ? "pressed " + std::to_string(context.pressed_id()) : "no action"));
      }
      if (!context.has_acted()) throw test::StallError("the modal responder did nothing\n" + DescribeWindowSystem());
      return;
    }
    if (request.deadline_ms != backend::WaitRequest::kNoDeadline) {
      if (options_.advance_clock_to) {
        options_.advance_clock_to(request.deadline_ms);
        return;
      }
      const uint64_t now = CurrentClock().MonotonicMs();
      std::unique_lock<std::mutex> lock(mutex_);
      if (request.deadline_ms > now) {
        wake_.wait_for(lock, std::chrono::milliseconds(request.deadline_ms - now), [&] { return is_woken_; });
      }
      is_woken_ = false;
      return;
    }
    // Nothing this thread could do: only another thread can still post.
    std::unique_lock<std::mutex> lock(mutex_);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.worker_stall_ms);
    if (!wake_.wait_until(lock, limit, [&] { return is_woken_; })) {
      lock.unlock();
      throw test::StallError("the GUI thread waits with nothing to wait for\n" + DescribeWindowSystem());
    }
    is_woken_ = false;
  }

  void Wake() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      is_woken_ = true;
    }
    wake_.notify_all();
  }

  void Beep(UINT type) override { Journal("beep", std::to_string(type)); }

  backend::Clipboard& SystemClipboard() override { return clipboard_; }

  void Journal(std::string_view kind, std::string_view detail) override {
    std::lock_guard<std::mutex> lock(journal_mutex_);
    journal_.push_back(JournalEntry{std::string(kind), std::string(detail)});
  }

  void SetModalResponder(ModalResponder responder) override { responder_ = std::move(responder); }
  void SetIdleScript(std::vector<IdleStep> steps) override {
    idle_steps_.assign(std::make_move_iterator(steps.begin()), std::make_move_iterator(steps.end()));
  }
  std::vector<JournalEntry> GetJournal() const override {
    std::lock_guard<std::mutex> lock(journal_mutex_);
    return journal_;
  }
  void ClearJournal() override {
    std::lock_guard<std::mutex> lock(journal_mutex_);
    journal_.clear();
  }
  void SetReportedDepth(int bits_per_pixel) override { screen_.bits_per_pixel = bits_per_pixel; }
  void SetScreenSize(int width_px, int height_px) override {
    screen_.width_px = width_px;
    screen_.height_px = height_px;
  }

  Image Snapshot(HWND hwnd) const override {
    auto found = windows_.find(hwnd);
    return found == windows_.end() ? Image{} : found->second.pixels;
  }

  Image SnapshotScreen() const override {
    Image screen;
    screen.width_px = screen_.width_px;
    screen.height_px = screen_.height_px;
    screen.pixels.assign(static_cast<size_t>(screen.width_px) * static_cast<size_t>(screen.height_px), kDesktopColour);
    for (auto it = z_order_.rbegin(); it != z_order_.rend(); ++it) {
      const NativeWindow& window = windows_.at(*it);
      if (!window.is_visible) continue;
      const RECT& rect = window.spec.rect;
      for (int y = 0; y < window.pixels.height_px; ++y) {
        const int sy = rect.top + y;
        if (sy < 0 || sy >= screen.height_px) continue;
        for (int x = 0; x < window.pixels.width_px; ++x) {
          const int sx = rect.left + x;
          if (sx < 0 || sx >= screen.width_px || !InShape(window, x, y)) continue;
          screen.pixels[static_cast<size_t>(sy) * static_cast<size_t>(screen.width_px) + static_cast<size_t>(sx)] = window.pixels.At(x, y);
        }
      }
    }
    return screen;
  }

  void OfferForeignClipboard(std::vector<backend::ClipboardItem> items) override {
    clipboard_.SetItems(std::move(items));
    backend::InputEvent event;
    event.kind = backend::EventKind::kClipboardChanged;
    backend::PostInputEvent(std::move(event));
  }
  const backend::CursorImage* CurrentCursor() const override { return has_cursor_ ? &cursor_ : nullptr; }
  HWND PointerGrab() const override { return grab_; }

 private:
  class HeadlessClipboard final : public backend::Clipboard {
   public:
    explicit HeadlessClipboard(Headless& owner) : owner_(owner) {}
    void Publish(const std::vector<backend::ClipboardItem>& items) override {
      std::string formats;
      for (const auto& item : items) formats += (formats.empty() ? "" : ",") + (item.name.empty() ? std::to_string(item.format) : item.name);
      owner_.Journal("clipboard", "publish " + formats);
      items_ = items;
    }
    bool Available(UINT format, std::string_view name) override { return FindItem(format, name) != nullptr; }
    std::optional<std::vector<uint8_t>> Fetch(UINT format, std::string_view name) override {
      const backend::ClipboardItem* item = FindItem(format, name);
      if (item == nullptr) return std::nullopt;
      return item->bytes;
    }
    void SetItems(std::vector<backend::ClipboardItem> items) { items_ = std::move(items); }

   private:
    const backend::ClipboardItem* FindItem(UINT format, std::string_view name) const {
      for (const auto& item : items_) {
        if (name.empty() ? item.format == format : item.name == name) return &item;
      }
      return nullptr;
    }
    Headless& owner_;
    std::vector<backend::ClipboardItem> items_;
  };

  static bool InShape(const NativeWindow& window, int x, int y) {
    if (!window.has_shape) return true;
    for (const RECT& rect : window.shape) {
      if (x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom) return true;
    }
    return false;
  }

  static void Resize(NativeWindow& window) {
    const RECT& rect = window.spec.rect;
    const int width = std::max(0, static_cast<int>(rect.right - rect.left));
    const int height = std::max(0, static_cast<int>(rect.bottom - rect.top));
    if (window.pixels.width_px == width && window.pixels.height_px == height) return;
    window.pixels.width_px = width;
    window.pixels.height_px = height;
    window.pixels.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  }

  Options options_;
  backend::ScreenInfo screen_;
  std::map<HWND, NativeWindow> windows_;
  std::vector<HWND> z_order_;  // top first
  std::mutex mutex_;
  std::condition_variable wake_;
  bool is_woken_ = false;
  std::deque<IdleStep> idle_steps_;
  ModalResponder responder_;
  int responder_rounds_ = 0;
  mutable std::mutex journal_mutex_;
  std::vector<JournalEntry> journal_;
  HeadlessClipboard clipboard_{*this};
  bool has_cursor_ = false;
  backend::CursorImage cursor_;
  HWND grab_ = nullptr;
  POINT cursor_pos_{};
};

}  // namespace

std::string ModalContext::Title() const {
  char title[256] = {};
  GetWindowText(modal_, title, sizeof(title));
  return title;
}

void ModalContext::Press(int id) {
  HWND control = GetDlgItem(modal_, id);
  PostMessage(modal_, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), reinterpret_cast<LPARAM>(control));
  has_acted_ = true;
  pressed_id_ = id;
}

bool ModalContext::IsMenu() const {
  char name[32] = {};
  GetClassName(modal_, name, sizeof(name));
  return std::string(name) == kMenuWindowClass;
}

void ModalContext::ChooseMenu(UINT id) {
  PostMessage(modal_, WM_COMMAND, id, 0);
  has_acted_ = true;
  pressed_id_ = static_cast<int>(id);
}

void ModalContext::Cancel() {
  if (!IsMenu()) {
    Press(IDCANCEL);
    return;
  }
  PostMessage(modal_, WM_CANCELMODE, 0, 0);
  has_acted_ = true;
  pressed_id_ = 0;
}

void ModalContext::PressDefault() {
  if (IsMenu()) {
    Cancel();
    return;
  }
  const LRESULT answer = SendMessage(modal_, DM_GETDEFID, 0, 0);
  Press(HIWORD(static_cast<uintptr_t>(answer)) == DC_HASDEFID ? LOWORD(static_cast<uintptr_t>(answer)) : IDOK);
}

std::unique_ptr<HeadlessBackend> CreateHeadlessBackend(const Options& options) {
  return std::make_unique<Headless>(options);
}

HeadlessBackend* CurrentHeadless() { return dynamic_cast<HeadlessBackend*>(&backend::CurrentBackend()); }

}  // namespace plat::headless
