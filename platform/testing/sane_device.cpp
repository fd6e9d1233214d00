// SANE's test device for tests of the scanner library.
#include <cstdlib>

#include "plat/testing.h"

namespace plat::test {

std::string SaneTestConfigDir() { return PLAT_SANE_TEST_CONFIG_DIR; }

void UseSaneTestDevice() {
  // Without a trailing colon SANE reads this folder only, never the system's.
  ::setenv("SANE_CONFIG_DIR", PLAT_SANE_TEST_CONFIG_DIR, 1);
}

}  // namespace plat::test
