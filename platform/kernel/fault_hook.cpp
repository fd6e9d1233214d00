#include "fault_hook.h"

namespace plat::internal {

bool ShouldFail(FaultPoint point) {
  // The address of the weak reference is null unless the harness is linked in.
  return plat_testing_fault != nullptr && plat_testing_fault(static_cast<int>(point)) != 0;
}

}  // namespace plat::internal
