// A test-only switch in the file layer: makes the Nth write, the flush or the
// rename of an atomic replacement fail, so tests can show that a failed write
// keeps the earlier file without filling a disk.
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

namespace plat::internal {

// Consulted by the file layer before each operation; true means fail it.
bool ShouldFailWrite();
bool ShouldFailFlush();
bool ShouldFailRename();

}  // namespace plat::internal

#endif  // PLAT_FAULT_INJECTION_H_
