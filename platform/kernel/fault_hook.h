// The one hook of the kernel that tests turn: before each write, flush and
// rename of a file, and before each global-memory allocation, the kernel asks
// whether that step should fail. The hook is
// a weak reference to plat_testing_fault, which only the test harness defines
// (platform/testing); in a program without the harness it is null, every
// answer is "no", and libplat.so exports nothing for it.
#ifndef PLAT_KERNEL_FAULT_HOOK_H_
#define PLAT_KERNEL_FAULT_HOOK_H_

namespace plat::internal {

// The steps a test can make fail; the values cross the hook.
enum class FaultPoint : int {
  kWrite = 1,
  kFlush = 2,
  kRename = 3,
  kGlobalAlloc = 4,
};

// True when the harness asks this step to fail. Not exported.
__attribute__((visibility("hidden"))) bool ShouldFail(FaultPoint point);
inline bool ShouldFailWrite() { return ShouldFail(FaultPoint::kWrite); }
inline bool ShouldFailFlush() { return ShouldFail(FaultPoint::kFlush); }
inline bool ShouldFailRename() { return ShouldFail(FaultPoint::kRename); }
inline bool ShouldFailGlobalAlloc() { return ShouldFail(FaultPoint::kGlobalAlloc); }

}  // namespace plat::internal

// Defined by the test harness only: non-zero makes the step `point` fail.
extern "C" int plat_testing_fault(int point) __attribute__((weak));

#endif  // PLAT_KERNEL_FAULT_HOOK_H_
