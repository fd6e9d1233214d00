// A clock that tests drive: time moves only when the test advances it, when
// someone sleeps on it, or, with a step set, by that step on every read, so a
// busy wait on GetTickCount ends.
#ifndef PLAT_TESTING_VIRTUAL_CLOCK_H_
#define PLAT_TESTING_VIRTUAL_CLOCK_H_

#include <cstdint>
#include <mutex>

#include "plat/clock.h"

namespace plat::test {

class VirtualClock : public Clock {
 public:
  // 2026-01-01 00:00:00 UTC, the wall time a new virtual clock shows.
  static constexpr int64_t kDefaultUnixMicros = 1'767'225'600'000'000;

  explicit VirtualClock(uint64_t start_ms = 0, int64_t unix_micros = kDefaultUnixMicros)
      : monotonic_us_(start_ms * 1000), unix_us_(unix_micros) {}

  uint64_t MonotonicMs() override { return Read() / 1000; }
  uint64_t MonotonicMicros() override { return Read(); }
  int64_t UnixMicros() override;
  void Sleep(uint32_t ms) override;

  void Advance(uint64_t ms);
  // Every later read moves the clock on by `ms` first; 0 stops that.
  void SetStep(uint64_t ms);
  // How long sleepers have slept on this clock in total, in milliseconds.
  uint64_t slept_ms() const;

 private:
  uint64_t Read();

  mutable std::mutex mutex_;
  uint64_t monotonic_us_;
  int64_t unix_us_;
  uint64_t step_us_ = 0;
  uint64_t slept_ms_ = 0;
};

// A virtual clock installed as the process clock for its lifetime.
class ScopedVirtualClock : public VirtualClock {
 public:
  explicit ScopedVirtualClock(uint64_t start_ms = 0, int64_t unix_micros = kDefaultUnixMicros)
      : VirtualClock(start_ms, unix_micros), previous_(SetClock(this)) {}
  ~ScopedVirtualClock() override { SetClock(previous_); }
  ScopedVirtualClock(const ScopedVirtualClock&) = delete;
  ScopedVirtualClock& operator=(const ScopedVirtualClock&) = delete;

 private:
  Clock* previous_;
};

}  // namespace plat::test

#endif  // PLAT_TESTING_VIRTUAL_CLOCK_H_
