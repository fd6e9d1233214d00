// Loading SANE with dlopen, so that a machine without it runs and reports
// the missing library instead of failing to start.
#include "acquire/sane/sane_api.h"

#include <dlfcn.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace plat::acquire {

namespace {

constexpr char kDefaultLibrary[] = "libsane.so.1";

template <typename Fn>
bool Resolve(void* library, const char* name, Fn& out) {
  out = reinterpret_cast<Fn>(dlsym(library, name));
  return out != nullptr;
}

std::unique_ptr<SaneApi> Load(const std::string& file) {
  // The library stays loaded for the process: backends may keep threads.
  void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  auto api = std::make_unique<SaneApi>();
  const bool is_complete =
      Resolve(library, "sane_init", api->init) && Resolve(library, "sane_exit", api->exit) &&
      Resolve(library, "sane_get_devices", api->get_devices) && Resolve(library, "sane_open", api->open) &&
      Resolve(library, "sane_close", api->close) &&
      Resolve(library, "sane_get_option_descriptor", api->get_option_descriptor) &&
      Resolve(library, "sane_control_option", api->control_option) &&
      Resolve(library, "sane_get_parameters", api->get_parameters) && Resolve(library, "sane_start", api->start) &&
      Resolve(library, "sane_read", api->read) && Resolve(library, "sane_cancel", api->cancel);
  if (!is_complete) return nullptr;
  return api;
}

}  // namespace

const SaneApi* LoadSaneApi() {
  static std::mutex mutex;
  static auto* loaded = new std::map<std::string, std::unique_ptr<SaneApi>>;  // kept for the process
  const char* chosen = std::getenv("PLAT_SANE_LIBRARY");
  const std::string file = chosen != nullptr && chosen[0] != '\0' ? chosen : kDefaultLibrary;
  std::lock_guard<std::mutex> lock(mutex);
  auto found = loaded->find(file);
  if (found == loaded->end()) found = loaded->emplace(file, Load(file)).first;
  return found->second.get();
}

}  // namespace plat::acquire
