#include "tests/support/image_elements.h"

#include <gtest/gtest.h>

#include "core/codes.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"

namespace test_support {

std::vector<uint8_t> ImageElements(IpiSystem* sys, IpiObject* image) {
  std::vector<uint8_t> out;
  IpiAccessor* a = IpiOpenAccessor(sys, image, "r", 1, nullptr, 0);
  EXPECT_NE(a, nullptr);
  if (a == nullptr) return out;
  const int64_t width = a->dimension[kDimX];
  const int64_t rows = int64_t{a->dimension[kDimY]} * a->dimension[kDimB];
  for (int64_t r = 0; r < rows; ++r) {
    const uint8_t* row = IpiGetInputRow(sys, a->stream, r * width);
    for (int64_t x = 0; x < width; ++x) {
      out.push_back(a->data_type == kDataTypeBoolean ? IpiTestBit(*a, row, (r * width) % 8 + x) : row[x]);
    }
  }
  EXPECT_EQ(IpiCloseAccessor(sys, a), 0);
  return out;
}

}  // namespace test_support
