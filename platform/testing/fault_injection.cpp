// State of the test-only fault switches, and the hook the kernel consults.
// All of it is off unless a test sets it.
#include "plat/fault_injection.h"

#include <atomic>

#include "kernel/fault_hook.h"

namespace {
std::atomic<int> g_writes_until_failure{0};
std::atomic<bool> g_fail_flush{false};
std::atomic<bool> g_fail_rename{false};
std::atomic<bool> g_fail_next_global_alloc{false};

bool CountDownWrite() {
  int remaining = g_writes_until_failure.load();
  while (remaining > 0) {
    if (g_writes_until_failure.compare_exchange_weak(remaining, remaining - 1)) {
      return remaining == 1;
    }
  }
  return false;
}
}  // namespace

namespace plat::testing {

void FailNthWrite(int n) { g_writes_until_failure.store(n > 0 ? n : 0); }
void FailFlush(bool on) { g_fail_flush.store(on); }
void FailRename(bool on) { g_fail_rename.store(on); }
void FailNextGlobalAlloc() { g_fail_next_global_alloc.store(true); }
void ResetFaults() {
  FailNthWrite(0);
  g_fail_next_global_alloc.store(false);
  FailFlush(false);
  FailRename(false);
}

}  // namespace plat::testing

extern "C" int plat_testing_fault(int point) {
  switch (static_cast<plat::internal::FaultPoint>(point)) {
    case plat::internal::FaultPoint::kWrite: return CountDownWrite() ? 1 : 0;
    case plat::internal::FaultPoint::kFlush: return g_fail_flush.load() ? 1 : 0;
    case plat::internal::FaultPoint::kRename: return g_fail_rename.load() ? 1 : 0;
    case plat::internal::FaultPoint::kGlobalAlloc: return g_fail_next_global_alloc.exchange(false) ? 1 : 0;
  }
  return 0;
}
