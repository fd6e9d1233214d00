// The threads a SANE backend starts for a scan, watched through /proc so
// that sane_cancel is not called while one of them runs. Backends end their
// reader thread by cancelling it asynchronously; caught inside an allocation
// it leaves the allocator locked for the whole process. A thread blocked in a
// call (writing a full pipe, sleeping) or gone is safe to cancel.
#ifndef PLATFORM_ACQUIRE_SANE_BACKEND_THREADS_H_
#define PLATFORM_ACQUIRE_SANE_BACKEND_THREADS_H_

#include <sys/types.h>

#include <chrono>
#include <vector>

namespace plat::acquire {

class BackendThreads {
 public:
  // Remembers the process's threads; the ones that appear later are the
  // backend's.
  void NoteExisting();
  // Waits until every thread started since NoteExisting is blocked or gone,
  // at most `bound`. False when one still ran at the end.
  bool WaitUntilIdle(std::chrono::milliseconds bound) const;

 private:
  std::vector<pid_t> existing_;
};

}  // namespace plat::acquire

#endif  // PLATFORM_ACQUIRE_SANE_BACKEND_THREADS_H_
