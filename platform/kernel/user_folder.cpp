// The per-user folder; see user_folder.h.
#include "plat/user_folder.h"

#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace plat {
namespace {

constexpr const char* kSuiteFolderName = "quorvel_k";

bool IsFolder(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string HomeFolder() {
  const char* home = ::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  struct passwd entry;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return "/tmp";
}

bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  if (IsFolder(path)) return true;
  // Every prefix that ends before a '/' is made in turn; existing ones stay.
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return IsFolder(path);
}

std::string UserFolder() {
  // A relative XDG_CONFIG_HOME is invalid and ignored, as the base-directory
  // rules require.
  const char* config = ::getenv("XDG_CONFIG_HOME");
  std::string base = (config != nullptr && config[0] == '/') ? std::string(config) : HomeFolder() + "/.config";
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::string folder = (base == "/" ? base : base + "/") + kSuiteFolderName;
  (void)MakeFolders(folder);
  return folder;
}

}  // namespace plat
