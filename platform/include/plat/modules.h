// Dynamic loading. "X.dll" stands for "libX.so" and a name without an
// extension gets one; a name with '/' is a path, and a plain name is looked up
// in the folder of the module that calls LoadLibrary, then on the system
// loader's path, never in the current folder. Loaded code stays mapped for
// the life of the process, so no function pointer handed out ever dangles;
// FreeLibrary retires the handle once every load is matched.
#ifndef PLAT_MODULES_H_
#define PLAT_MODULES_H_

#include <string>

#include "plat/types.h"

namespace plat {

using FARPROC = void*;

// The module, loaded (RTLD_NOW | RTLD_LOCAL) when needed; NULL with
// ERROR_MOD_NOT_FOUND when no file is found, ERROR_BAD_EXE_FORMAT when one is
// found but cannot be loaded. Loading a module twice gives the same handle.
HMODULE LoadLibrary(const char* name);
// NULL with ERROR_PROC_NOT_FOUND for a missing name; ordinals are refused.
FARPROC GetProcAddress(HMODULE module, const char* name);
// FALSE with ERROR_INVALID_HANDLE for an unknown handle.
BOOL FreeLibrary(HMODULE module);
// The module's file path (NULL: the program's); returns out.size(), 0 with
// ERROR_INVALID_HANDLE for an unknown handle.
DWORD GetModuleFileName(HMODULE module, std::string& out);
// An already loaded module by name (NULL: the program), without loading it.
HMODULE GetModuleHandle(const char* name);
// The module whose code or data holds `address`; NULL when none does.
HMODULE GetModuleHandleFromAddress(const void* address);

// "Name.dll" as its file name "libName.so" (paths keep their folder).
std::string ModuleFileNameFor(const char* name);

namespace detail {
[[gnu::visibility("hidden")]] inline const char kModuleAnchor = 0;
}  // namespace detail

// The module this call is compiled into (hidden, so every module has its own).
[[gnu::visibility("hidden")]] inline HMODULE ThisModule() {
  return GetModuleHandleFromAddress(&detail::kModuleAnchor);
}

}  // namespace plat

#endif  // PLAT_MODULES_H_
