// The virtual clock of the tests; see virtual_clock.h.
#include "plat/testing/virtual_clock.h"

namespace plat::test {

uint64_t VirtualClock::Read() {
  std::lock_guard<std::mutex> guard(mutex_);
  monotonic_us_ += step_us_;
  unix_us_ += static_cast<int64_t>(step_us_);
  return monotonic_us_;
}

int64_t VirtualClock::UnixMicros() {
  (void)Read();
  std::lock_guard<std::mutex> guard(mutex_);
  return unix_us_;
}

void VirtualClock::Advance(uint64_t ms) {
  std::lock_guard<std::mutex> guard(mutex_);
  monotonic_us_ += ms * 1000;
  unix_us_ += static_cast<int64_t>(ms * 1000);
}

void VirtualClock::Sleep(uint32_t ms) {
  Advance(ms);
  std::lock_guard<std::mutex> guard(mutex_);
  slept_ms_ += ms;
}

void VirtualClock::SetStep(uint64_t ms) {
  std::lock_guard<std::mutex> guard(mutex_);
  step_us_ = ms * 1000;
}

uint64_t VirtualClock::slept_ms() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return slept_ms_;
}

}  // namespace plat::test
