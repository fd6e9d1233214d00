// Temporary-beside-target replacement; see atomic_file.h.
#include "plat/atomic_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>
#include <vector>

#include "fault_hook.h"

namespace plat {
namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The mode the replacement gets: the existing target's, else what a plain
// create would give under the process's umask.
mode_t ModeForTarget(const std::string& target) {
  struct stat info;
  if (::stat(target.c_str(), &info) == 0) return info.st_mode & 07777;
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

AtomicFile::~AtomicFile() { Discard(); }

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : file_(std::move(other.file_)),
      target_(std::move(other.target_)),
      temp_path_(std::exchange(other.temp_path_, std::string())) {}

AtomicFile& AtomicFile::operator=(AtomicFile&& other) noexcept {
  if (this != &other) {
    Discard();
    file_ = std::move(other.file_);
    target_ = std::move(other.target_);
    temp_path_ = std::exchange(other.temp_path_, std::string());
  }
  return *this;
}

OpenStatus AtomicFile::Create(const std::string& target, AtomicFile& out) {
  if (target.empty() || target.back() == '/') {
    errno = ENOENT;
    return OpenStatus::kNotFound;
  }
  std::string pattern = FolderOf(target) + "/." + BaseNameOf(target) + ".ipiXXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    return (errno == ENOENT || errno == ENOTDIR) ? OpenStatus::kNotFound : OpenStatus::kCannotOpen;
  }
  AtomicFile created;
  created.file_ = File::FromDescriptor(fd);
  created.target_ = target;
  created.temp_path_ = name.data();
  out = std::move(created);
  return OpenStatus::kOk;
}

bool AtomicFile::Commit() {
  if (!file_.is_open()) {
    errno = EBADF;
    return false;
  }
  bool ok = ::fchmod(file_.descriptor(), ModeForTarget(target_)) == 0 && file_.Flush();
  ok = file_.Close() && ok;
  if (ok && internal::ShouldFailRename()) {
    errno = EIO;
    ok = false;
  }
  if (ok) ok = ::rename(temp_path_.c_str(), target_.c_str()) == 0;
  if (!ok) {
    int saved = errno;
    Discard();
    errno = saved;
    return false;
  }
  temp_path_.clear();
  return true;
}

void AtomicFile::Discard() {
  if (file_.is_open()) (void)file_.Close();
  if (!temp_path_.empty()) {
    int saved = errno;
    ::unlink(temp_path_.c_str());
    errno = saved;
    temp_path_.clear();
  }
}

bool ReplaceFileContents(const std::string& target, std::string_view bytes) {
  AtomicFile file;
  if (AtomicFile::Create(target, file) != OpenStatus::kOk) return false;
  if (!bytes.empty() && !file.file().WriteAt(0, bytes.data(), bytes.size())) return false;
  return file.Commit();
}

}  // namespace plat
