// Advisory locks for read-modify-write cycles; see file_lock.h.
#include "file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace plat::internal {

ExclusiveLock::~ExclusiveLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the description releases the lock
}

bool ExclusiveLock::Take(int fd) {
  if (fd < 0) return false;
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      const int saved = errno;
      ::close(fd);
      errno = saved;
      return false;
    }
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
  return true;
}

bool ExclusiveLock::LockFolder(const std::string& folder) {
  return Take(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

bool ExclusiveLock::LockFile(const std::string& path) {
  return Take(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace plat::internal
