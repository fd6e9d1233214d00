// Critical sections and named mutexes; see sync.h. A new handle first probes
// the name with a non-blocking exclusive lock: it succeeds only when no other
// description holds the shared lock, which is exactly "no other handle has
// the name open". Probe and shared lock happen under a guard lock on the
// folder, so two creators never both see the name as free.
#include "plat/sync.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <thread>

#include "file_lock.h"
#include "plat/handle_table.h"
#include "plat/last_error.h"

namespace plat {
namespace {

struct Mutex {
  ~Mutex() {
    if (fd >= 0) ::close(fd);
  }
  int fd = -1;  // the lock file of a named mutex; -1 for an unnamed one
  std::mutex state;
  std::thread::id owner;
  int recursion = 0;
};
using MutexHandles = Handles<Mutex, HandleKind::kMutex>;

// A folder only this user can write, or "" when it is anything else.
bool IsPrivateFolder(const std::string& folder) {
  struct stat info;
  return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
         (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool FlockRetrying(int fd, int operation) {
  while (::flock(fd, operation) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

void InitializeCriticalSection(CRITICAL_SECTION*) {}
void DeleteCriticalSection(CRITICAL_SECTION*) {}
void EnterCriticalSection(CRITICAL_SECTION* section) { section->mutex.lock(); }
void LeaveCriticalSection(CRITICAL_SECTION* section) { section->mutex.unlock(); }
BOOL TryEnterCriticalSection(CRITICAL_SECTION* section) { return section->mutex.try_lock() ? TRUE : FALSE; }

std::string MutexFolder() {
  const char* runtime = ::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return runtime;
  const std::string folder = "/tmp/plat-" + std::to_string(::getuid());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
  // Someone else may have made the folder first: it is used only when it is ours alone.
  return IsPrivateFolder(folder) ? folder : std::string();
}

HANDLE CreateMutex(const void* security, BOOL initial_owner, const char* name) {
  auto mutex = std::make_shared<Mutex>();
  DWORD outcome = ERROR_SUCCESS;
  if (name != nullptr && name[0] != '\0') {
    const std::string_view text(name);
    if (text.find('/') != std::string_view::npos || text == "." || text == "..") {
      return FailWith<HANDLE>(nullptr, ERROR_INVALID_NAME);
    }
    const std::string folder = MutexFolder();
    if (folder.empty()) return FailWith<HANDLE>(nullptr, ERROR_ACCESS_DENIED);
    internal::ExclusiveLock guard;
    if (!guard.LockFile(folder + "/.plat-mutex.guard")) return FailWith<HANDLE>(nullptr, ERROR_ACCESS_DENIED);
    const std::string path = folder + "/" + std::string(text) + ".lock";
    mutex->fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (mutex->fd < 0) {
      return FailWith<HANDLE>(nullptr, errno == ELOOP ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno));
    }
    if (::flock(mutex->fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK) return FailWith<HANDLE>(nullptr, ErrorFromErrno(errno));
      outcome = ERROR_ALREADY_EXISTS;
    }
    // Every holder keeps only the shared lock; under the guard no creator can
    // be probing while the exclusive lock turns into a shared one.
    if (!FlockRetrying(mutex->fd, LOCK_SH)) return FailWith<HANDLE>(nullptr, ErrorFromErrno(errno));
  }
  if (initial_owner) {
    mutex->owner = std::this_thread::get_id();
    mutex->recursion = 1;
  }
  const uint32_t id = MutexHandles::Insert(std::move(mutex));
  if (id == 0) return FailWith<HANDLE>(nullptr, ERROR_NOT_ENOUGH_MEMORY);
  SetLastError(outcome);
  return HandleFromId<HANDLE>(id);
}

BOOL ReleaseMutex(HANDLE handle) {
  const std::shared_ptr<Mutex> mutex = MutexHandles::Find(HandleId(handle));
  if (!mutex) return FailWith(FALSE, ERROR_INVALID_HANDLE);
  std::lock_guard<std::mutex> guard(mutex->state);
  if (mutex->recursion == 0 || mutex->owner != std::this_thread::get_id()) return FailWith(FALSE, ERROR_NOT_OWNER);
  if (--mutex->recursion == 0) mutex->owner = std::thread::id();
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  if (!MutexHandles::Remove(HandleId(handle))) return FailWith(FALSE, ERROR_INVALID_HANDLE);
  return TRUE;
}

}  // namespace plat
