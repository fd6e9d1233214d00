// Locks: recursive critical sections within a process, and named mutexes that
// tell whether another handle (in this process or another) has the name open.
// A named mutex is a lock file "<name>.lock" in $XDG_RUNTIME_DIR, else in
// /tmp/plat-<uid>/; each handle holds a shared lock on its own open file, so
// a process that dies releases its handles with it.
#ifndef PLAT_SYNC_H_
#define PLAT_SYNC_H_

#include <mutex>
#include <string>

#include "plat/types.h"

namespace plat {

struct CRITICAL_SECTION {
  std::recursive_mutex mutex;
};

void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
BOOL TryEnterCriticalSection(CRITICAL_SECTION* section);

// A mutex handle. With a name, the last error is ERROR_ALREADY_EXISTS when
// another handle has that name open and ERROR_SUCCESS when not. NULL with
// ERROR_INVALID_NAME for a name with '/', ERROR_ACCESS_DENIED when the lock
// folder is not the user's own or the lock file is a symbolic link.
// `initial_owner` makes the calling thread its owner.
HANDLE CreateMutex(const void* security, BOOL initial_owner, const char* name);
// FALSE with ERROR_NOT_OWNER when the calling thread does not own the mutex.
BOOL ReleaseMutex(HANDLE mutex);
// Closes a mutex handle; FALSE with ERROR_INVALID_HANDLE for any other value.
BOOL CloseHandle(HANDLE handle);

// The folder of the named mutexes' lock files (made on demand); empty when
// the fallback folder exists but is not safe to use.
std::string MutexFolder();

}  // namespace plat

#endif  // PLAT_SYNC_H_
