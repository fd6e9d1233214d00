// The runtime's state, made by Init() and freed by the outermost Shutdown():
// the published-property tables, the class registry, Application and Screen.
#include "plat/forms/runtime.h"

#include <memory>
#include <mutex>

#include "plat/forms/exceptions.h"
#include "plat/forms/forms.h"
#include "runtime_state.h"

namespace plat::forms {
namespace {

std::mutex g_mutex;
int g_init_count = 0;
std::unique_ptr<internal::RuntimeState> g_state;

}  // namespace

void Init() {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_init_count++ != 0) return;
    g_state = std::make_unique<internal::RuntimeState>();
  }
  // Made outside the lock: their constructors may use the runtime.
  Screen = new TScreen(nullptr);
  Application = new TApplication(nullptr);
}

void Shutdown() {
  std::unique_ptr<internal::RuntimeState> freed;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_init_count == 0 || g_init_count > 1) {
      if (g_init_count > 1) --g_init_count;
      return;
    }
  }
  // The application frees its forms while Screen and the runtime still exist.
  delete Application;
  Application = nullptr;
  delete Screen;
  Screen = nullptr;
  std::lock_guard<std::mutex> lock(g_mutex);
  --g_init_count;
  freed = std::move(g_state);
}

bool IsRunning() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_init_count > 0;
}

namespace internal {

RuntimeState& State() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_state) RaiseRes<EInvalidOperation>(SRuntimeNotStarted);
  return *g_state;
}

}  // namespace internal
}  // namespace plat::forms
