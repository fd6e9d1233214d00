// Reading an image's elements back in tests, whatever their data type.
#ifndef TESTS_SUPPORT_IMAGE_ELEMENTS_H_
#define TESTS_SUPPORT_IMAGE_ELEMENTS_H_

#include <cstdint>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"

namespace test_support {

// Every element of `image` in element-index order, bits as 0 or 1; a failed
// open or close is reported as a test failure.
std::vector<uint8_t> ImageElements(IpiSystem* sys, IpiObject* image);

}  // namespace test_support

#endif  // TESTS_SUPPORT_IMAGE_ELEMENTS_H_
