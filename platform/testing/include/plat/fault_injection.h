// Test-only switches of the file layer: make the Nth write, the flush or the
// rename of an atomic replacement fail, so tests can show that a failed write
// keeps the earlier file without filling a disk. They live in the test
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
// Switches every fault off.
void ResetFaults();

}  // namespace plat::testing

#endif  // PLAT_FAULT_INJECTION_H_
