// Test-only switches of the kernel: make the Nth write, the flush or the
// rename of an atomic replacement fail, so tests can show that a failed write
// keeps the earlier file without filling a disk; and make the next
// global-memory allocation fail, as an exhausted heap would. They live in the test
// harness; the shipped library holds only the hook they turn.
#ifndef PLAT_FAULT_INJECTION_H_
#define PLAT_FAULT_INJECTION_H_

namespace plat::testing {

// The Nth write from now (1 = the next) fails with ENOSPC; 0 switches it off.
void FailNthWrite(int n);
// Every flush fails with EIO while on.
void FailFlush(bool on);
// Every rename of an atomic replacement fails with EIO while on.
void FailRename(bool on);
// The next GlobalAlloc (of any module in the process) returns 0 with ENOMEM;
// the switch turns itself off after that one failure.
void FailNextGlobalAlloc();
// Switches every fault off.
void ResetFaults();

}  // namespace plat::testing

#endif  // PLAT_FAULT_INJECTION_H_
