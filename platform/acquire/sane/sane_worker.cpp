// The SANE thread: a queue of tasks served in order by one thread that lives
// as long as the process. A finished task wakes its waiter through the
// message queue when the waiter is the GUI thread.
#include "acquire/sane/sane_worker.h"

#include <atomic>
#include <cassert>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "plat/user.h"

namespace plat::acquire {

namespace {

struct Job {
  const std::function<void()>* task = nullptr;
  bool is_done = false;
  bool wakes_gui = false;
};

class Worker {
 public:
  Worker() : thread_([this] { Serve(); }) { thread_.detach(); }

  void Run(const std::function<void()>& task) {
    assert(std::this_thread::get_id() != thread_id_.load());
    auto job = std::make_shared<Job>();
    job->task = &task;
    job->wakes_gui = IsGuiThread();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      jobs_.push_back(job);
    }
    changed_.notify_all();
    const auto is_done = [&] {
      std::lock_guard<std::mutex> lock(mutex_);
      return job->is_done;
    };
    bool has_waited = false;
    if (job->wakes_gui) {
      try {
        has_waited = RunRestrictedLoop(is_done) != FALSE;
      } catch (...) {
        WaitBlocking(*job);  // the task refers to the caller's frame: never leave it running
        throw;
      }
    }
    if (!has_waited) WaitBlocking(*job);  // not the GUI thread, or a quit ended the loop
  }

 private:
  void WaitBlocking(const Job& job) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return job.is_done; });
  }

  void Serve() {
    thread_id_ = std::this_thread::get_id();
    for (;;) {
      std::shared_ptr<Job> job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !jobs_.empty(); });
        job = jobs_.front();
        jobs_.pop_front();
      }
      (*job->task)();
      {
        std::lock_guard<std::mutex> lock(mutex_);
        job->is_done = true;
      }
      changed_.notify_all();
      if (job->wakes_gui) PostThreadMessage(0, WM_NULL, 0, 0);
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Job>> jobs_;
  std::atomic<std::thread::id> thread_id_;
  std::thread thread_;
};

Worker& TheWorker() {
  static auto* worker = new Worker;  // lives as long as the process; its thread never ends
  return *worker;
}

}  // namespace

void RunOnSaneThread(const std::function<void()>& task) { TheWorker().Run(task); }

}  // namespace plat::acquire
