// Finding the packs of a photo disc.
#include "acquire/pcd/pcd_folder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <map>

#include "plat/acquire/acquire_constants.h"

namespace plat::acquire {

namespace {

constexpr int kLastPackNumber = 9999;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The entries of a folder by their lower-case names.
std::map<std::string, std::string> Entries(const std::string& folder) {
  std::map<std::string, std::string> entries;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return entries;
  while (const dirent* entry = ::readdir(dir)) entries.emplace(Lower(entry->d_name), entry->d_name);
  ::closedir(dir);
  return entries;
}

// The sub-folder `name` of `folder` in whatever case it is written, or "".
std::string SubFolder(const std::string& folder, const std::string& name) {
  const auto entries = Entries(folder);
  const auto found = entries.find(name);
  if (found == entries.end()) return "";
  const std::string path = folder + "/" + found->second;
  return IsFolder(path) ? path : "";
}

}  // namespace

int ScanPcdFolder(const std::string& path, PcdFolder& out) {
  out.packs.clear();
  if (path.empty() || !IsFolder(path)) return qrvErrCDDriveNotFound;
  std::vector<std::string> candidates;
  const std::string photo_cd = SubFolder(path, "photo_cd");
  if (!photo_cd.empty()) {
    const std::string images = SubFolder(photo_cd, "images");
    if (!images.empty()) candidates.push_back(images);
  }
  const std::string images = SubFolder(path, "images");
  if (!images.empty()) candidates.push_back(images);
  candidates.push_back(path);
  for (const std::string& folder : candidates) {
    const auto entries = Entries(folder);
    for (int number = 1; number <= kLastPackNumber; ++number) {
      char name[16];
      std::snprintf(name, sizeof(name), "img%04d.pcd", number);
      const auto found = entries.find(name);
      if (found == entries.end()) break;
      out.packs.push_back(folder + "/" + found->second);
    }
    if (!out.packs.empty()) return qrvSuccess;
  }
  return qrvSuccess;
}

}  // namespace plat::acquire
