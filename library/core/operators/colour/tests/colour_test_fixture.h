// Colour images for the colour operator tests: band-sequential red, green and
// blue planes built from a list of pixels.
#ifndef PELRITH_CORE_OPERATORS_COLOUR_TESTS_COLOUR_TEST_FIXTURE_H_
#define PELRITH_CORE_OPERATORS_COLOUR_TESTS_COLOUR_TEST_FIXTURE_H_

#include <array>
#include <cstdint>
#include <vector>

#include "core/operators/point/tests/point_test_fixture.h"

namespace colour_test {

using Rgb = std::array<int, 3>;

// Three planes of `pixels`, one after another.
inline std::vector<uint8_t> Planes(const std::vector<Rgb>& pixels) {
  const size_t n = pixels.size();
  std::vector<uint8_t> bytes(3 * n);
  for (size_t i = 0; i < n; ++i) {
    for (size_t k = 0; k < 3; ++k) bytes[k * n + i] = static_cast<uint8_t>(pixels[i][k]);
  }
  return bytes;
}

inline Rgb PixelAt(const std::vector<uint8_t>& planes, size_t n, size_t i) {
  return {planes[i], planes[n + i], planes[2 * n + i]};
}

}  // namespace colour_test

#endif  // PELRITH_CORE_OPERATORS_COLOUR_TESTS_COLOUR_TEST_FIXTURE_H_
