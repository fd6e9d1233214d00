// The process's display backend: installed by a test or picked at first use
// from PLAT_BACKEND; native events enter the queue here.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>

#include "plat/headless.h"
#include "plat/qt_module.h"
#include "user/window_system.h"

namespace plat {

namespace {

struct Installed {
  std::mutex mutex;
  std::unique_ptr<backend::Backend> backend;
};

Installed& Slot() {
  static auto* slot = new Installed;  // never destroyed: windows may outlive static teardown
  return *slot;
}

// libplat_qt.so is found beside libplat.so first, as the font engine finds it.
std::unique_ptr<backend::Backend> LoadQtBackend() {
  using Factory = backend::Backend* (*)();
  auto factory = reinterpret_cast<Factory>(FindQtModuleSymbol(backend::kQtBackendFactory, nullptr));
  backend::Backend* made = factory != nullptr ? factory() : nullptr;
  return std::unique_ptr<backend::Backend>(made);  // the library stays loaded for the process
}

std::unique_ptr<backend::Backend> PickBackend() {
  const char* choice = std::getenv("PLAT_BACKEND");
  const std::string wanted = choice != nullptr ? choice : "auto";
  const bool has_display = std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
  std::string note;
  if (wanted == "qt" || (wanted == "auto" && has_display)) {
    if (auto qt = LoadQtBackend()) return qt;
    if (wanted == "qt") note = "the Qt backend could not be loaded; running headless";
  } else if (wanted != "headless" && wanted != "auto") {
    note = "unknown PLAT_BACKEND \"" + wanted + "\"; running headless";
  }
  std::unique_ptr<backend::Backend> headless = headless::CreateHeadlessBackend(headless::Options{});
  if (!note.empty()) headless->Journal("backend", note);
  return headless;
}

}  // namespace

namespace backend {

void InstallBackend(std::unique_ptr<Backend> backend) {
  Installed& slot = Slot();
  std::lock_guard<std::mutex> lock(slot.mutex);
  slot.backend = std::move(backend);
}

Backend& CurrentBackend() {
  Installed& slot = Slot();
  std::lock_guard<std::mutex> lock(slot.mutex);
  if (!slot.backend) slot.backend = PickBackend();
  return *slot.backend;
}

void PostInputEvent(InputEvent event) {
  user::GuiState& state = user::State();
  {
    std::lock_guard<std::mutex> lock(state.queue_mutex);
    state.input_events.push_back(std::move(event));
  }
  CurrentBackend().Wake();
}

}  // namespace backend

namespace user {

backend::Backend& Backend() { return backend::CurrentBackend(); }

}  // namespace user

namespace headless {

std::string DescribeWindowSystem() {
  std::ostringstream out;
  user::GuiState& state = user::State();
  std::function<void(HWND, int)> describe = [&](HWND hwnd, int depth) {
    auto window = user::FindWindowRecord(hwnd);
    if (!window) return;
    const RECT& r = window->window_rect;
    out << std::string(static_cast<size_t>(depth) * 2, ' ') << "window " << HandleId(hwnd) << " class \""
        << window->window_class->name << "\" text \"" << window->text << "\" rect (" << r.left << "," << r.top << ")-("
        << r.right << "," << r.bottom << ")" << ((window->style & WS_VISIBLE) != 0 ? " visible" : " hidden")
        << ((window->style & WS_DISABLED) != 0 ? " disabled" : "") << "\n";
    for (HWND child : window->children) describe(child, depth + 1);
  };
  out << "windows:\n";
  for (HWND top : state.top_levels) describe(top, 1);
  std::lock_guard<std::mutex> lock(state.queue_mutex);
  out << "queue: " << state.posted.size() << " posted, " << state.input_events.size() << " input events, "
      << state.routed_input.size() << " routed, " << state.timers.size() << " timers"
      << (state.is_quit_posted ? ", quit posted" : "") << "\n";
  out << "modal loops: " << state.modal_stack.size() << ", restricted loops: " << state.restricted_depth << "\n";
  return out.str();
}

}  // namespace headless

}  // namespace plat
