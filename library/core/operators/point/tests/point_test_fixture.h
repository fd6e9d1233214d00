// The fixture of the point and colour operator tests: a context with region
// and match-point states on, images in the repository under test, and a
// reference walk that applies a rule element by element from the definitions
// (match points, regions), so each repository is checked against the same
// expectation and therefore against the others.
#ifndef PELRITH_CORE_OPERATORS_POINT_TESTS_POINT_TEST_FIXTURE_H_
#define PELRITH_CORE_OPERATORS_POINT_TESTS_POINT_TEST_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/objects/tuple.h"
#include "core/operators/tests/operator_test_support.h"
#include "core/system/system.h"
#include "tests/support/test_support.h"

namespace point_test {

using operator_test::Geometry;
using operator_test::ImageStore;

// Coordinates x y z t b of element `index` of an image of `g`'s extents.
inline void Coordinates(const Geometry& g, int64_t index, int64_t c[5]) {
  for (int i = 0; i < 5; ++i) {
    c[i] = index % g.extent[i];
    index /= g.extent[i];
  }
}

// Whether a region (one byte per element, or none) lets element `index` through.
inline bool Open(const std::vector<uint8_t>* region, int64_t index) {
  return region == nullptr || (*region)[static_cast<size_t>(index)] != 0;
}

class PointTest : public operator_test::RepositoryFixture {
 protected:
  // An 8-bit image (dataType 153) of `g`; with `data` it holds those bytes.
  IpiObject* Image(const Geometry& g, const std::vector<uint8_t>* data, std::vector<IpiAttribute> extra = {}) {
    std::vector<IpiAttribute> list = g.Attributes();
    list.insert(list.end(), extra.begin(), extra.end());
    return store_->Image(list, data);
  }
  // A bitmap (dataType 18, 1 bit per element) in `bit_order`.
  IpiObject* Bitmap(const Geometry& g, int32_t bit_order, const std::vector<uint8_t>* data) {
    return Image(g, data, {{"dataType", kDataTypeBoolean}, {"dataPrecision", 1}, {"bitOrder", bit_order}});
  }
  // A LookupTable of `entries` x `bands` 8-bit entries.
  IpiObject* Table(int64_t entries, const std::vector<uint8_t>* data, int32_t bands = 1) {
    return store_->Make(&kLookupTableClass, {{"xDimension", static_cast<intptr_t>(entries)}, {"bDimension", bands}},
                        data);
  }
  IpiObject* Levels(std::vector<int32_t> values) {
    IpiObject* tuple = IpiCreateTupleN(sys_, values.data(), static_cast<int>(values.size()));
    EXPECT_NE(tuple, nullptr);
    return tuple;
  }
  // An 8-bit region of interest of `g`'s extents for `image`.
  IpiObject* Region(IpiObject* image, const Geometry& g, const std::vector<uint8_t>& bytes) {
    std::vector<IpiAttribute> list = g.Attributes();
    list.push_back({"dataType", kDataTypeNonnegative});
    list.push_back({"dataPrecision", 8});
    IpiObject* roi = store_->Make(&kRoiClass, list, &bytes);
    EXPECT_EQ(IpiSetAttribute(sys_, image, "roi", IpiObjectId(roi)), 0);
    return roi;
  }
  std::vector<uint8_t> Read(IpiObject* obj) { return store_->Read(obj); }

};

// The parameters of PointTest: the three repositories, named.
inline auto AllRepositories() {
  return ::testing::Values(kRepositoryCallerMemory, kRepositoryGlobalBlock, kRepositoryFile);
}
inline std::string RepositoryParamName(const ::testing::TestParamInfo<int32_t>& info) {
  return operator_test::RepositoryName(info.param);
}

// The destination `before` after `rule(source index, destination index)` is
// stored in every destination element that a source element reaches through
// the match points and that both regions (one byte per element, or none) let
// through; elements of `destination_bits` bits in `bit_order`.
template <typename Rule>
std::vector<uint8_t> Reference(const Geometry& source, const Geometry& destination, std::vector<uint8_t> before,
                               const std::vector<uint8_t>* source_region,
                               const std::vector<uint8_t>* destination_region, int destination_bits,
                               int32_t bit_order, Rule rule) {
  operator_test::ForEachReachedElement(source, destination, [&](int64_t d, int64_t s) {
    if (Open(source_region, s) && Open(destination_region, d)) {
      operator_test::SetElement(before, d, destination_bits, bit_order, rule(s, d));
    }
  });
  return before;
}

// Total bytes of packed 1-bit data of `elements` elements.
inline size_t BitBytes(int64_t elements) { return static_cast<size_t>((elements + 7) / 8); }

}  // namespace point_test

#endif  // PELRITH_CORE_OPERATORS_POINT_TESTS_POINT_TEST_FIXTURE_H_
