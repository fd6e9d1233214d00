// Test-only switch of a component tree's design state, through the hook the
// runtime keeps for the test harness.
#ifndef PLAT_TESTING_DESIGN_MODE_H_
#define PLAT_TESTING_DESIGN_MODE_H_

#include "plat/forms/component.h"

namespace plat::test {

class DesignMode {
 public:
  static void Set(TComponent& component, bool designing) { component.SetDesigning(designing, true); }
};

}  // namespace plat::test

#endif  // PLAT_TESTING_DESIGN_MODE_H_
