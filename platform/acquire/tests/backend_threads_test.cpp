// Threads started after the note are waited for while they run and let go
// once blocked in a call or gone; threads that were there before never count.
#include "acquire/sane/backend_threads.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace plat::acquire {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kShortBound{20};
constexpr milliseconds kLongBound{10000};

// A thread that spins until told to block on a pipe, then ends when the pipe
// is written.
class Worker {
 public:
  Worker() {
    EXPECT_EQ(pipe(fds_), 0);
    thread_ = std::thread([this] {
      while (!block_.load()) {
      }
      char byte = 0;
      (void)read(fds_[0], &byte, 1);
    });
  }
  ~Worker() {
    Block();
    End();
    close(fds_[0]);
    close(fds_[1]);
  }
  void Block() { block_.store(true); }
  void End() {
    if (!thread_.joinable()) return;
    (void)write(fds_[1], "x", 1);
    thread_.join();
  }

 private:
  int fds_[2] = {-1, -1};
  std::atomic<bool> block_{false};
  std::thread thread_;
};

TEST(BackendThreadsTest, WaitsForANewRunningThreadUntilItBlocksOrEnds) {
  BackendThreads threads;
  threads.NoteExisting();
  Worker worker;
  EXPECT_FALSE(threads.WaitUntilIdle(kShortBound)) << "a spinning thread is not idle";
  worker.Block();
  EXPECT_TRUE(threads.WaitUntilIdle(kLongBound)) << "a thread blocked in read is idle";
  worker.End();
  EXPECT_TRUE(threads.WaitUntilIdle(kLongBound)) << "an ended thread is idle";
}

TEST(BackendThreadsTest, ThreadsThatWereThereBeforeDoNotCount) {
  Worker worker;
  BackendThreads threads;
  threads.NoteExisting();
  EXPECT_TRUE(threads.WaitUntilIdle(kShortBound));
}

}  // namespace
}  // namespace plat::acquire
