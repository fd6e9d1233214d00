// The runtime's state, made by Init() and freed by the outermost Shutdown():
// the published-property tables and the class registry.
#include "plat/forms/runtime.h"

#include <memory>
#include <mutex>

#include "plat/forms/exceptions.h"
#include "runtime_state.h"

namespace plat::forms {
namespace {

std::mutex g_mutex;
int g_init_count = 0;
std::unique_ptr<internal::RuntimeState> g_state;

}  // namespace

void Init() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_init_count++ == 0) g_state = std::make_unique<internal::RuntimeState>();
}

void Shutdown() {
  std::unique_ptr<internal::RuntimeState> freed;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_init_count == 0) return;
    if (--g_init_count == 0) freed = std::move(g_state);
  }
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
