// Loading libplat_qt.so once per process, beside libplat.so first so that a
// build tree and an installed tree both find their own copy.
#include "plat/qt_module.h"

#include <dlfcn.h>

#include <mutex>

namespace plat {

namespace {

constexpr const char* kQtModuleName = "libplat_qt.so";

struct QtModule {
  void* handle = nullptr;
  std::string error;
};

QtModule& LoadedQtModule() {
  static QtModule module;
  static std::once_flag once;
  std::call_once(once, [] {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&FindQtModuleSymbol), &info) != 0 && info.dli_fname != nullptr) {
      std::string path = info.dli_fname;
      const size_t slash = path.rfind('/');
      path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + kQtModuleName;
      module.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (module.handle == nullptr) module.handle = dlopen(kQtModuleName, RTLD_NOW | RTLD_LOCAL);
    if (module.handle == nullptr) {
      const char* reason = dlerror();
      module.error = reason != nullptr ? reason : "libplat_qt.so could not be loaded";
    }
  });
  return module;
}

}  // namespace

void* FindQtModuleSymbol(const char* symbol, std::string* error) {
  QtModule& module = LoadedQtModule();
  if (module.handle == nullptr) {
    if (error != nullptr) *error = module.error;
    return nullptr;
  }
  void* address = dlsym(module.handle, symbol);
  if (address == nullptr && error != nullptr) *error = std::string("libplat_qt.so lacks ") + symbol;
  return address;
}

}  // namespace plat
