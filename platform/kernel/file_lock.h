// Advisory locks for read-modify-write cycles. The lock is taken on a folder or
// a fixed lock file, never on a file that is renamed over: a waiting writer
// would otherwise wake on the old inode and work from stale content.
#ifndef PLAT_KERNEL_FILE_LOCK_H_
#define PLAT_KERNEL_FILE_LOCK_H_

#include <string>

namespace plat::internal {

class ExclusiveLock {
 public:
  ExclusiveLock() = default;
  ~ExclusiveLock();
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

  // Locks the folder itself (through an O_DIRECTORY descriptor); false with
  // errno when it is missing or not a folder.
  [[nodiscard]] bool LockFolder(const std::string& folder);
  // Locks `path`, made (mode 0600) when missing; false with errno.
  [[nodiscard]] bool LockFile(const std::string& path);

 private:
  [[nodiscard]] bool Take(int fd);
  int fd_ = -1;
};

// The folder part of a path ("." for a bare name, "/" for the root).
std::string FolderOf(const std::string& path);

}  // namespace plat::internal

#endif  // PLAT_KERNEL_FILE_LOCK_H_
