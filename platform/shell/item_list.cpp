// Item lists and special folders. An item list is one task-allocator block:
// a tag, the path's length and the path with its terminator, so ILFree and
// CoTaskMemFree free it alike and a foreign block is told apart by its tag.
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "kernel/path_segments.h"
#include "plat/oleaut/com.h"
#include "plat/url.h"
#include "plat/user_folder.h"
#include "shell/shell_internal.h"

namespace plat {

struct ITEMIDLIST {
  uint32_t tag;
  uint32_t path_bytes;  // without the terminator; the path follows this header
};

namespace shell {

namespace {

constexpr uint32_t kItemListTag = 0x4C444950;  // "PIDL"
constexpr HRESULT kNotFound = MakeResult(0x80070002);

const char* PathBytes(PCIDLIST_ABSOLUTE pidl) { return reinterpret_cast<const char*>(pidl + 1); }

// An XDG base folder from its variable (absolute values only), else the default under $HOME.
std::string BaseFolder(const char* variable, const char* fallback_under_home) {
  const char* value = std::getenv(variable);
  if (value != nullptr && value[0] == '/') return CleanAbsolutePath(value).value_or(value);
  return JoinPath(HomeFolder(), fallback_under_home);
}

// A folder named in user-dirs.dirs (XDG_<NAME>_DIR="$HOME/..." or an
// absolute path); nullopt when the file or the line is missing or unusable.
std::optional<std::string> UserDir(const char* name) {
  std::ifstream file(JoinPath(BaseFolder("XDG_CONFIG_HOME", ".config"), "user-dirs.dirs"));
  if (!file) return std::nullopt;
  const std::string key = std::string("XDG_") + name + "_DIR=";
  std::string line;
  std::optional<std::string> found;
  while (std::getline(file, line)) {
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
    value = value.substr(1, value.size() - 2);
    if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/')) {
      value = HomeFolder() + value.substr(5);
    }
    if (auto clean = CleanAbsolutePath(value)) found = *clean;
  }
  return found;
}

std::string SpecialFolder(int csidl) {
  const std::string home = CleanAbsolutePath(HomeFolder()).value_or("/");
  switch (csidl) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY: return UserDir("DESKTOP").value_or(JoinPath(home, "Desktop"));
    case CSIDL_PERSONAL:
    case CSIDL_MYDOCUMENTS: return UserDir("DOCUMENTS").value_or(home);
    case CSIDL_TEMPLATES: return UserDir("TEMPLATES").value_or(home);
    case CSIDL_MYPICTURES: return UserDir("PICTURES").value_or(home);
    case CSIDL_APPDATA: return BaseFolder("XDG_CONFIG_HOME", ".config");
    case CSIDL_LOCAL_APPDATA:
    case CSIDL_COMMON_APPDATA: return BaseFolder("XDG_DATA_HOME", ".local/share");
    case CSIDL_DRIVES:
    case CSIDL_NETWORK:
    case CSIDL_PRINTERS:
    case CSIDL_CONTROLS: return "/";
    default: return home;
  }
}

}  // namespace

std::optional<std::string> CleanAbsolutePath(std::string_view path) {
  if (path.empty() || path.front() != '/') return std::nullopt;
  return internal::ResolveDotSegments(path);
}

std::string ParentOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

std::string LastSegment(const std::string& path) {
  if (path == "/") return path;
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

PIDLIST_ABSOLUTE MakeItemList(const std::string& clean_path) {
  if (clean_path.size() > UINT32_MAX - sizeof(ITEMIDLIST) - 1) return nullptr;
  auto* pidl = static_cast<ITEMIDLIST*>(CoTaskMemAlloc(sizeof(ITEMIDLIST) + clean_path.size() + 1));
  if (pidl == nullptr) return nullptr;
  pidl->tag = kItemListTag;
  pidl->path_bytes = static_cast<uint32_t>(clean_path.size());
  std::memcpy(pidl + 1, clean_path.c_str(), clean_path.size() + 1);
  return pidl;
}

std::optional<std::string> PathOfItemList(PCIDLIST_ABSOLUTE pidl) {
  if (pidl == nullptr || pidl->tag != kItemListTag) return std::nullopt;
  return std::string(PathBytes(pidl), pidl->path_bytes);
}

bool IsFolder(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Exists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace shell

BOOL SHGetPathFromIDList(PCIDLIST_ABSOLUTE pidl, std::string& path) {
  std::optional<std::string> held = shell::PathOfItemList(pidl);
  path = held.value_or(std::string());
  return held ? TRUE : FALSE;
}

HRESULT SHParseDisplayName(const char* name, void* bind_context, PIDLIST_ABSOLUTE* pidl, ULONG attributes_in,
                           ULONG* attributes_out) {
  (void)bind_context;
  if (attributes_out != nullptr) *attributes_out = 0;
  if (pidl == nullptr) return E_INVALIDARG;
  *pidl = nullptr;
  if (name == nullptr || name[0] == '\0') return E_INVALIDARG;
  std::optional<std::string> path;
  if (IsFileUrl(name)) {
    path = PathFromFileUrl(name);
  } else if (name[0] == '/') {
    path = name;
  }
  if (!path) return E_INVALIDARG;  // relative, or a scheme other than file:
  std::optional<std::string> clean = shell::CleanAbsolutePath(*path);
  if (!clean) return E_INVALIDARG;
  if (!shell::Exists(*clean)) return shell::kNotFound;
  *pidl = shell::MakeItemList(*clean);
  if (*pidl == nullptr) return E_OUTOFMEMORY;
  if (attributes_out != nullptr && attributes_in != 0) {
    SHFILEINFO info;
    SHGetFileInfo(clean->c_str(), 0, &info, SHGFI_ATTRIBUTES);
    *attributes_out = info.dwAttributes & attributes_in;
  }
  return S_OK;
}

PIDLIST_ABSOLUTE ILCreateFromPath(const char* path) {
  if (path == nullptr) return nullptr;
  std::optional<std::string> clean = shell::CleanAbsolutePath(path);
  return clean ? shell::MakeItemList(*clean) : nullptr;
}

PIDLIST_ABSOLUTE ILClone(PCIDLIST_ABSOLUTE pidl) {
  std::optional<std::string> path = shell::PathOfItemList(pidl);
  return path ? shell::MakeItemList(*path) : nullptr;
}

BOOL ILIsEqual(PCIDLIST_ABSOLUTE a, PCIDLIST_ABSOLUTE b) {
  std::optional<std::string> first = shell::PathOfItemList(a);
  std::optional<std::string> second = shell::PathOfItemList(b);
  return first && second && *first == *second ? TRUE : FALSE;
}

void ILFree(PIDLIST_ABSOLUTE pidl) { CoTaskMemFree(pidl); }

BOOL SHGetSpecialFolderPath(HWND owner, std::string& path, int csidl, BOOL create) {
  (void)owner;
  const bool must_create = create != FALSE || (csidl & CSIDL_FLAG_CREATE) != 0;
  path = shell::SpecialFolder(csidl & ~CSIDL_FLAG_MASK);
  if (must_create) (void)MakeFolders(path);
  if (!shell::IsFolder(path)) {
    path.clear();
    return FALSE;
  }
  return TRUE;
}

HRESULT SHGetSpecialFolderLocation(HWND owner, int csidl, PIDLIST_ABSOLUTE* pidl) {
  if (pidl == nullptr) return E_INVALIDARG;
  *pidl = nullptr;
  std::string path;
  if (!SHGetSpecialFolderPath(owner, path, csidl, FALSE)) return shell::kNotFound;
  *pidl = shell::MakeItemList(path);
  return *pidl != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace plat
