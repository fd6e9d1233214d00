// Attributes, deletion and the current folder; see file_system.h.
#include <fcntl.h>
#include <sys/statvfs.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "file_info.h"
#include "plat/file_system.h"
#include "plat/last_error.h"

namespace plat {
namespace internal {
namespace {

FILETIME TimeOf(const struct statx_timestamp& stamp) { return FileTimeFromUnix(stamp.tv_sec, stamp.tv_nsec); }

// Whether the permission bits that apply to this user allow writing, or the
// file system is mounted read-only. The bits decide even for the superuser,
// whose override would otherwise make nothing read-only.
bool IsWritableByUser(const std::string& path, const struct statx& info) {
  struct statvfs volume;
  if (::statvfs(path.c_str(), &volume) == 0 && (volume.f_flag & ST_RDONLY) != 0) return false;
  if (info.stx_uid == ::geteuid()) return (info.stx_mode & S_IWUSR) != 0;
  if (info.stx_gid == ::getegid()) return (info.stx_mode & S_IWGRP) != 0;
  std::vector<gid_t> groups(static_cast<size_t>(std::max(::getgroups(0, nullptr), 0)));
  if (!groups.empty() && ::getgroups(static_cast<int>(groups.size()), groups.data()) >= 0 &&
      std::find(groups.begin(), groups.end(), info.stx_gid) != groups.end()) {
    return (info.stx_mode & S_IWGRP) != 0;
  }
  return (info.stx_mode & S_IWOTH) != 0;
}

}  // namespace

DWORD ErrorForMissingPath(const std::string& path) {
  // ENOENT on the file itself is "file not found"; a missing folder on the
  // way is "path not found".
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return ERROR_FILE_NOT_FOUND;
  struct stat info;
  const std::string folder = path.substr(0, slash);
  return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

bool DescribePath(const std::string& path, const std::string& name, WIN32_FIND_DATA& data) {
  struct statx link_info;
  if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &link_info) != 0) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ErrorForMissingPath(path) : ErrorFromErrno(errno));
    return false;
  }
  const bool is_link = S_ISLNK(link_info.stx_mode);
  struct statx info = link_info;
  bool has_target = true;
  if (is_link) {
    has_target = ::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) == 0;
    if (!has_target) info = link_info;  // a dangling link describes itself
  }
  DWORD attributes = 0;
  if (S_ISDIR(info.stx_mode) && has_target) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (has_target && !IsWritableByUser(path, info)) attributes |= FILE_ATTRIBUTE_READONLY;
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
  if (is_link) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
  data.dwFileAttributes = attributes;
  const bool has_birth = (info.stx_mask & STATX_BTIME) != 0;
  data.ftCreationTime = TimeOf(has_birth ? info.stx_btime : info.stx_mtime);
  data.ftLastAccessTime = TimeOf(info.stx_atime);
  data.ftLastWriteTime = TimeOf(info.stx_mtime);
  const uint64_t size = S_ISDIR(info.stx_mode) ? 0 : info.stx_size;
  data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
  data.cFileName = name;
  data.cAlternateFileName.clear();
  return true;
}

std::string BaseName(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const size_t slash = trimmed.find_last_of('/');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

}  // namespace internal

DWORD GetFileAttributes(const char* path) {
  WIN32_FIND_DATA data;
  if (path == nullptr || path[0] == '\0') return FailWith(INVALID_FILE_ATTRIBUTES, ERROR_INVALID_PARAMETER);
  if (!internal::DescribePath(path, internal::BaseName(path), data)) return INVALID_FILE_ATTRIBUTES;
  return data.dwFileAttributes;
}

BOOL GetFileAttributesEx(const char* path, WIN32_FIND_DATA* data) {
  if (path == nullptr || path[0] == '\0' || data == nullptr) return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  return internal::DescribePath(path, internal::BaseName(path), *data) ? TRUE : FALSE;
}

BOOL DeleteFile(const char* path) {
  if (path == nullptr || path[0] == '\0') return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  if (::unlink(path) == 0) return TRUE;
  if (errno == EISDIR || errno == EPERM) return FailWith(FALSE, ERROR_ACCESS_DENIED);
  return FailWith(FALSE, errno == ENOENT || errno == ENOTDIR ? internal::ErrorForMissingPath(path)
                                                             : ErrorFromErrno(errno));
}

DWORD GetCurrentDirectory(std::string& out) {
  out.assign(256, '\0');
  while (::getcwd(out.data(), out.size()) == nullptr) {
    if (errno != ERANGE) {
      out.clear();
      return FailWith<DWORD>(0, ErrorFromErrno(errno));
    }
    out.assign(out.size() * 2, '\0');
  }
  out.resize(out.find('\0'));
  return static_cast<DWORD>(out.size());
}

}  // namespace plat
