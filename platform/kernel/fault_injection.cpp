// State of the test-only fault switch; all of it is off unless a test sets it.
#include "plat/fault_injection.h"

#include <atomic>

namespace {
std::atomic<int> g_writes_until_failure{0};
std::atomic<bool> g_fail_flush{false};
std::atomic<bool> g_fail_rename{false};
}  // namespace

namespace plat::testing {

void FailNthWrite(int n) { g_writes_until_failure.store(n > 0 ? n : 0); }
void FailFlush(bool on) { g_fail_flush.store(on); }
void FailRename(bool on) { g_fail_rename.store(on); }
void ResetFaults() {
  FailNthWrite(0);
  FailFlush(false);
  FailRename(false);
}

}  // namespace plat::testing

namespace plat::internal {

bool ShouldFailWrite() {
  int remaining = g_writes_until_failure.load();
  while (remaining > 0) {
    if (g_writes_until_failure.compare_exchange_weak(remaining, remaining - 1)) {
      return remaining == 1;
    }
  }
  return false;
}

bool ShouldFailFlush() { return g_fail_flush.load(); }
bool ShouldFailRename() { return g_fail_rename.load(); }

}  // namespace plat::internal
