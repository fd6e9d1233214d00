// The process's one SANE thread. SANE does not promise that a handle may move
// between threads, and backends keep per-thread USB state, so every SANE
// call of the process is made here.
#ifndef PLATFORM_ACQUIRE_SANE_SANE_WORKER_H_
#define PLATFORM_ACQUIRE_SANE_SANE_WORKER_H_

#include <functional>

namespace plat::acquire {

// Runs `task` on the SANE thread and returns when it has finished. The GUI
// thread waits in the restricted loop (paint, timers, clipboard; no input);
// another thread blocks. Must not be called from the SANE thread itself.
void RunOnSaneThread(const std::function<void()>& task);

}  // namespace plat::acquire

#endif  // PLATFORM_ACQUIRE_SANE_SANE_WORKER_H_
