// plat-regsvr: registers (or with -u unregisters) the classes of control
// modules in the platform registry ($PLAT_REGISTRY_DIR) by calling each
// module's DllRegisterServer or DllUnregisterServer.
//
//   plat-regsvr [-u] [-s] module.so...
//
// -s prints nothing on success. Exit status 0 when every module was done,
// 3 when a module cannot be loaded, 4 when it lacks the export, 5 when the
// call failed, 2 for a wrong command line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "plat/modules.h"
#include "plat/oleaut/com.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitLoad = 3;
constexpr int kExitExport = 4;
constexpr int kExitCall = 5;

int Usage() {
  std::fprintf(stderr, "usage: plat-regsvr [-u] [-s] module.so...\n");
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  bool is_unregister = false;
  bool is_silent = false;
  std::vector<const char*> modules;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-u") == 0) {
      is_unregister = true;
    } else if (std::strcmp(argv[i], "-s") == 0) {
      is_silent = true;
    } else if (argv[i][0] == '-') {
      return Usage();
    } else {
      modules.push_back(argv[i]);
    }
  }
  if (modules.empty()) return Usage();
  const char* export_name = is_unregister ? "DllUnregisterServer" : "DllRegisterServer";
  for (const char* path : modules) {
    // The registry keeps the module's absolute path, and a plain name would
    // be looked up beside this tool: resolve it against the current folder.
    char* resolved = ::realpath(path, nullptr);
    if (resolved == nullptr) {
      std::fprintf(stderr, "plat-regsvr: cannot find %s\n", path);
      return kExitLoad;
    }
    const std::string name = resolved;
    std::free(resolved);
    const plat::HMODULE module = plat::LoadLibrary(name.c_str());
    if (module == nullptr) {
      std::fprintf(stderr, "plat-regsvr: cannot load %s\n", path);
      return kExitLoad;
    }
    const auto call = reinterpret_cast<plat::DllRegisterServerFunction>(plat::GetProcAddress(module, export_name));
    if (call == nullptr) {
      std::fprintf(stderr, "plat-regsvr: %s has no %s\n", path, export_name);
      return kExitExport;
    }
    const plat::HRESULT hr = call();
    if (hr != plat::S_OK) {
      std::fprintf(stderr, "plat-regsvr: %s in %s failed (0x%08X)\n", export_name, path, static_cast<unsigned>(hr));
      return kExitCall;
    }
    if (!is_silent) std::printf("%s in %s succeeded.\n", export_name, path);
  }
  return 0;
}
