// Helpers of the neighbourhood operator tests: a fixture over the three
// repositories, window arrays built from literal cells, and naive references
// written straight from the definitions (a window walked cell by cell, the
// mirror rule applied by reflecting until the position is inside).
#ifndef PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_TESTS_NEIGHBOURHOOD_TEST_SUPPORT_H_
#define PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_TESTS_NEIGHBOURHOOD_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/operators/tests/operator_test_support.h"
#include "core/status.h"
#include "core/system/system.h"
#include "tests/support/test_support.h"

namespace neighbourhood_test {

using operator_test::Geometry;
using operator_test::ImageStore;

inline constexpr int32_t kMirror = 165;
inline constexpr int32_t kClip = 231;
inline constexpr int32_t kZeroWindow = 51;
inline constexpr int32_t kBoundaries[] = {kMirror, kClip, kZeroWindow};

inline constexpr int32_t kRepositories[] = {kRepositoryCallerMemory, kRepositoryGlobalBlock, kRepositoryFile};

// The mirror rule by repeated reflection about the edges (the edge sample
// repeated): -1 -> 0, n -> n - 1.
inline int64_t Reflect(int64_t p, int64_t n) {
  while (p < 0 || p >= n) p = p < 0 ? -p - 1 : 2 * n - p - 1;
  return p;
}

// A plane of an 8-bit image: samples by (x, y).
struct Plane {
  const uint8_t* data;
  int64_t width;
  int64_t height;
  uint8_t at(int64_t x, int64_t y) const { return data[y * width + x]; }
};

// The values under the cells of a window at (x, y) for which `take(r, c)`
// holds (r, c counted from the window's top left), by the boundary rule;
// nullopt when the window leaves the image under a rule that makes the
// result 0. Values outside under 231 are 0; `skip_outside` leaves them out
// instead (a convolution adds nothing for them).
template <typename Take>
std::optional<std::vector<std::pair<int, int>>> WindowCells(const Plane& p, int64_t x, int64_t y, int width,
                                                             int height, int32_t boundary, Take take) {
  const int64_t w = width / 2, h = height / 2;
  const bool inside = x - w >= 0 && x + w < p.width && y - h >= 0 && y + h < p.height;
  if (!inside && boundary != kMirror && boundary != kClip) return std::nullopt;
  std::vector<std::pair<int, int>> cells;  // (cell index, value); value -1: outside under 231
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < width; ++c) {
      if (!take(r, c)) continue;
      int64_t yy = y + r - h, xx = x + c - w;
      const bool out = xx < 0 || xx >= p.width || yy < 0 || yy >= p.height;
      if (out && boundary == kClip) {
        cells.push_back({r * width + c, -1});
        continue;
      }
      if (out) {
        yy = Reflect(yy, p.height);
        xx = Reflect(xx, p.width);
      }
      cells.push_back({r * width + c, p.at(xx, yy)});
    }
  }
  return cells;
}

inline uint8_t Clip(int64_t v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// Halves away from zero; a negative divisor rounds the quotient the same way.
inline int64_t RoundHalfAway(int64_t s, int64_t d) {
  if (d < 0) return -RoundHalfAway(s, -d);
  return s >= 0 ? (s + d / 2) / d : (s - d / 2) / d;
}

// The window sum straight from its definition; nullopt: the element gets 0.
inline int64_t NaiveIntegerSum(const Plane& p, int64_t x, int64_t y, int width, int height,
                        const std::vector<int16_t>& weights, int64_t divisor, int32_t boundary) {
  const auto cells = WindowCells(p, x, y, width, height, boundary, [](int, int) { return true; });
  if (!cells) return 0;
  int64_t sum = 0;
  for (const auto& [index, value] : *cells) {
    if (value >= 0) sum += int64_t{weights[static_cast<size_t>(index)]} * value;
  }
  return RoundHalfAway(sum, divisor);
}

// The neighbourhood tests' fixture: the repository fixture with window arrays.
class RepositoryTest : public operator_test::RepositoryFixture {
 protected:
  IpiObject* Image(const Geometry& g, const std::vector<uint8_t>* data) { return store_->Image(g.Attributes(), data); }
  IpiObject* Image(const Geometry& g, const std::vector<uint8_t>& data) { return Image(g, &data); }

  // Window arrays live in a global block whatever the images' repository.
  IpiObject* Array(const IpiObjectClass* cls, int width, int height, int32_t data_type, int32_t precision,
                   const void* cells, size_t cell_bytes, intptr_t scale) {
    const IpiAttribute list[] = {{"xDimension", width},       {"yDimension", height},
                                 {"dataType", data_type},     {"dataPrecision", precision},
                                 {"scaleFactor", scale},      {"repository", kRepositoryGlobalBlock}};
    IpiObject* array = IpiCreateObject(sys_, nullptr, cls, nullptr, list, 6);
    EXPECT_NE(array, nullptr);
    if (array == nullptr || cells == nullptr) return array;
    IpiStream* s = IpiOpenStream(sys_, array, "w", 0);
    EXPECT_NE(s, nullptr);
    const int64_t bytes = int64_t{width} * height * static_cast<int64_t>(cell_bytes);
    EXPECT_EQ(IpiWriteBytes(sys_, s, 0, cells, bytes), bytes);
    EXPECT_EQ(IpiCloseStream(sys_, s), 0);
    return array;
  }
  IpiObject* Kernel(int width, int height, const std::vector<int16_t>& weights, intptr_t scale) {
    EXPECT_EQ(weights.size(), static_cast<size_t>(width * height));
    return Array(&kImpulseResponseArrayClass, width, height, kDataTypeSigned, 16, weights.data(), 2, scale);
  }
  IpiObject* RealKernel(int width, int height, const std::vector<float>& weights) {
    EXPECT_EQ(weights.size(), static_cast<size_t>(width * height));
    return Array(&kImpulseResponseArrayClass, width, height, kDataTypeReal, 32, weights.data(), 4, 1);
  }
  IpiObject* Mask(int width, int height, const std::vector<uint8_t>& cells) {
    EXPECT_EQ(cells.size(), static_cast<size_t>(width * height));
    return Array(&kMaskArrayClass, width, height, kDataTypeNonnegative, 8, cells.data(), 1, width * height);
  }

};

// For every destination element reached from the source through the match
// points: visit(destination index, source plane, source x, source y).
template <typename Visit>
void ForEachAlignedElement(const Geometry& source, const Geometry& destination, const std::vector<uint8_t>& data,
                           Visit visit) {
  const int64_t plane_size = source.extent[0] * source.extent[1];
  operator_test::ForEachReachedElement(source, destination, [&](int64_t d, int64_t s) {
    const int64_t plane = s / plane_size;
    const Plane p{data.data() + plane * plane_size, source.extent[0], source.extent[1]};
    visit(d, p, (s % plane_size) % source.extent[0], (s % plane_size) / source.extent[0]);
  });
}

inline std::vector<int16_t> RandomWeights(size_t count, uint32_t seed, int range) {
  std::mt19937 random(seed);
  std::vector<int16_t> weights(count);
  for (int16_t& w : weights) w = static_cast<int16_t>(static_cast<int>(random() % (2 * range + 1)) - range);
  return weights;
}

}  // namespace neighbourhood_test

#endif  // PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_TESTS_NEIGHBOURHOOD_TEST_SUPPORT_H_
