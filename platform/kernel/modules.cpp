// Dynamic loading; see modules.h. One record per loaded object (keyed by the
// loader's handle) holds the handle id and the count of LoadLibrary calls.
#include "plat/modules.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <mutex>

#include "ascii.h"
#include "file_lock.h"
#include "plat/handle_table.h"
#include "plat/last_error.h"

namespace plat {
namespace {

struct Module {
  void* loader_handle = nullptr;
  std::string path;
  int load_count = 0;
};
using ModuleHandles = Handles<Module, HandleKind::kModule>;

std::mutex g_mutex;
std::map<void*, uint32_t> g_ids;  // loader handle to handle id

std::string ProgramPath() {
  std::string path(4096, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0) return {};
  path.resize(static_cast<size_t>(length));
  return path;
}

// The file of the object that holds `address`; the program's own path for
// the main program, whose loader record carries no name.
std::string FileHolding(const void* address) {
  Dl_info info;
  struct link_map* map = nullptr;
  if (::dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0) return {};
  if (map == nullptr || map->l_name == nullptr || map->l_name[0] == '\0') return ProgramPath();
  return map->l_name;
}

bool IsFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The handle of a loaded object, registering it when new. `counted` adds one
// load. Caller holds g_mutex.
HMODULE Register(void* loader_handle, const std::string& path, bool counted) {
  const auto found = g_ids.find(loader_handle);
  if (found != g_ids.end()) {
    if (std::shared_ptr<Module> module = ModuleHandles::Find(found->second)) {
      if (counted) ++module->load_count;
      return HandleFromId<HMODULE>(found->second);
    }
    g_ids.erase(found);
  }
  auto module = std::make_shared<Module>(Module{loader_handle, path, counted ? 1 : 0});
  const uint32_t id = ModuleHandles::Insert(std::move(module));
  if (id == 0) return FailWith<HMODULE>(nullptr, ERROR_NOT_ENOUGH_MEMORY);
  g_ids[loader_handle] = id;
  return HandleFromId<HMODULE>(id);
}

std::string LoadedPath(void* loader_handle, const std::string& fallback) {
  struct link_map* map = nullptr;
  if (::dlinfo(loader_handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr &&
      map->l_name[0] != '\0') {
    return map->l_name;
  }
  return fallback;
}

HMODULE LoadFrom(const std::string& file_name, const std::string& caller_folder, int flags, bool counted) {
  const bool is_path = file_name.find('/') != std::string::npos;
  std::string candidate = is_path ? file_name : caller_folder + "/" + file_name;
  void* loaded = nullptr;
  if (is_path || IsFile(candidate)) {
    loaded = ::dlopen(candidate.c_str(), flags);
    if (loaded == nullptr) {
      return FailWith<HMODULE>(nullptr, IsFile(candidate) ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
    }
  } else {
    // The system loader's own search: LD_LIBRARY_PATH, the cache and the
    // standard folders, none of which is the current folder.
    loaded = ::dlopen(file_name.c_str(), flags);
    if (loaded == nullptr) return FailWith<HMODULE>(nullptr, ERROR_MOD_NOT_FOUND);
    candidate = file_name;
  }
  std::lock_guard<std::mutex> guard(g_mutex);
  return Register(loaded, LoadedPath(loaded, candidate), counted);
}

}  // namespace

std::string ModuleFileNameFor(const char* name) {
  std::string text = name != nullptr ? name : "";
  const size_t slash = text.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? text : text.substr(slash + 1);
  if (base.size() > 4 && internal::EqualsIgnoreCase(std::string_view(base).substr(base.size() - 4), ".dll")) {
    base = "lib" + base.substr(0, base.size() - 4) + ".so";
  } else if (!base.empty() && base.find('.') == std::string::npos) {
    base = "lib" + base + ".so";
  }
  return folder + base;
}

HMODULE LoadLibrary(const char* name) {
  const void* caller = __builtin_return_address(0);
  if (name == nullptr || name[0] == '\0') return FailWith<HMODULE>(nullptr, ERROR_INVALID_PARAMETER);
  return LoadFrom(ModuleFileNameFor(name), internal::FolderOf(FileHolding(caller)), RTLD_NOW | RTLD_LOCAL, true);
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
  if (reinterpret_cast<uintptr_t>(name) < 0x10000) return FailWith<FARPROC>(nullptr, ERROR_PROC_NOT_FOUND);
  const std::shared_ptr<Module> found = ModuleHandles::Find(HandleId(module));
  if (!found) return FailWith<FARPROC>(nullptr, ERROR_INVALID_HANDLE);
  ::dlerror();
  void* symbol = ::dlsym(found->loader_handle, name);
  if (symbol == nullptr) return FailWith<FARPROC>(nullptr, ERROR_PROC_NOT_FOUND);
  return symbol;
}

BOOL FreeLibrary(HMODULE module) {
  std::lock_guard<std::mutex> guard(g_mutex);
  const uint32_t id = HandleId(module);
  const std::shared_ptr<Module> found = ModuleHandles::Find(id);
  if (!found || found->load_count == 0) return FailWith(FALSE, ERROR_INVALID_HANDLE);
  if (--found->load_count == 0) {
    // The code stays mapped (no dlclose): callbacks, class tables and
    // function pointers taken from it may outlive the handle.
    ModuleHandles::Remove(id);
    g_ids.erase(found->loader_handle);
  }
  return TRUE;
}

DWORD GetModuleFileName(HMODULE module, std::string& out) {
  out.clear();
  if (module == nullptr) {
    out = ProgramPath();
    return static_cast<DWORD>(out.size());
  }
  const std::shared_ptr<Module> found = ModuleHandles::Find(HandleId(module));
  if (!found) return FailWith<DWORD>(0, ERROR_INVALID_HANDLE);
  out = found->path;
  return static_cast<DWORD>(out.size());
}

HMODULE GetModuleHandle(const char* name) {
  if (name == nullptr) {
    void* program = ::dlopen(nullptr, RTLD_NOW);
    std::lock_guard<std::mutex> guard(g_mutex);
    return Register(program, ProgramPath(), false);
  }
  const std::string file_name = ModuleFileNameFor(name);
  std::string path = file_name;
  if (file_name.find('/') == std::string::npos) {
    // A plain name matches a loaded object whose file has that name.
    struct Search {
      const std::string* wanted;
      std::string found;
    } search{&file_name, {}};
    ::dl_iterate_phdr(
        [](struct dl_phdr_info* info, size_t, void* data) {
          auto* s = static_cast<Search*>(data);
          const std::string object = info->dlpi_name != nullptr ? info->dlpi_name : "";
          const size_t slash = object.find_last_of('/');
          if (!object.empty() && object.substr(slash == std::string::npos ? 0 : slash + 1) == *s->wanted) {
            s->found = object;
            return 1;
          }
          return 0;
        },
        &search);
    if (search.found.empty()) return FailWith<HMODULE>(nullptr, ERROR_MOD_NOT_FOUND);
    path = search.found;
  }
  void* loaded = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (loaded == nullptr) return FailWith<HMODULE>(nullptr, ERROR_MOD_NOT_FOUND);
  std::lock_guard<std::mutex> guard(g_mutex);
  return Register(loaded, LoadedPath(loaded, path), false);
}

HMODULE GetModuleHandleFromAddress(const void* address) {
  Dl_info info;
  struct link_map* map = nullptr;
  if (address == nullptr || ::dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 ||
      map == nullptr) {
    return FailWith<HMODULE>(nullptr, ERROR_MOD_NOT_FOUND);
  }
  const bool is_program = map->l_name == nullptr || map->l_name[0] == '\0';
  void* loaded = ::dlopen(is_program ? nullptr : map->l_name, RTLD_NOW | RTLD_NOLOAD);
  if (loaded == nullptr) return FailWith<HMODULE>(nullptr, ERROR_MOD_NOT_FOUND);
  std::lock_guard<std::mutex> guard(g_mutex);
  return Register(loaded, is_program ? ProgramPath() : std::string(map->l_name), false);
}

}  // namespace plat
