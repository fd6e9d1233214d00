#include "core/operators/point/lookup_table.h"

#include <gtest/gtest.h>

#include "core/operators/point/tests/point_test_fixture.h"
#include "core/status.h"

namespace {

using operator_test::Geometry;
using operator_test::RandomBytes;
using operator_test::RandomRegion;
using point_test::PointTest;

class LookupTableTest : public PointTest {};
INSTANTIATE_TEST_SUITE_P(AllRepositories, LookupTableTest, point_test::AllRepositories(),
                         point_test::RepositoryParamName);

// Shapes shared by the element-wise operator tests: equal images, a
// destination shifted by match points in x, y and b, one narrower than the
// source, and regions on either side or both (an all-open region takes the
// gated path and must agree with the plain one).
struct Shape {
  const char* name;
  Geometry source;
  Geometry destination;
  int regions;  // bit 1: source region, bit 2: destination region, bit 4: all open
};
const Shape kShapes[] = {
    {"equal", Geometry({13, 3}), Geometry({13, 3}), 0},
    {"shifted", Geometry({13, 3, 1, 1, 2}, {0, 0, 0, 0, 0}), Geometry({11, 4, 1, 1, 2}, {3, 1, 0, 0, 1}), 0},
    {"source gates", Geometry({9, 4, 2}, {1, 0}), Geometry({12, 3, 2}), 1},
    {"destination gates", Geometry({9, 4}), Geometry({12, 3}, {2, 1}), 2},
    {"both gate", Geometry({10, 3, 1, 2}), Geometry({10, 3, 1, 2}, {1, 0, 0, 1}), 3},
    {"all open", Geometry({17, 2}), Geometry({17, 2}), 7},
};

TEST_P(LookupTableTest, MapsTheOverlapUnderTheRegionsThroughTheTable) {
  const std::vector<uint8_t> entries = RandomBytes(256, 5);
  uint32_t seed = 10;
  for (const Shape& shape : kShapes) {
    SCOPED_TRACE(shape.name);
    const std::vector<uint8_t> in = RandomBytes(static_cast<size_t>(shape.source.Elements()), ++seed);
    const std::vector<uint8_t> before = RandomBytes(static_cast<size_t>(shape.destination.Elements()), ++seed);
    IpiObject* source = Image(shape.source, &in);
    IpiObject* destination = Image(shape.destination, &before);
    std::vector<uint8_t> source_region, destination_region;
    if (shape.regions & 1) {
      source_region = shape.regions & 4 ? std::vector<uint8_t>(in.size(), 1) : RandomRegion(in.size(), ++seed);
      Region(source, shape.source, source_region);
    }
    if (shape.regions & 2) {
      destination_region =
          shape.regions & 4 ? std::vector<uint8_t>(before.size(), 1) : RandomRegion(before.size(), ++seed);
      Region(destination, shape.destination, destination_region);
    }
    IpiObject* table = Table(256, &entries);
    ASSERT_EQ(IpiApplyLookupTable(sys_, source, destination, table, 0), 0);
    const auto expected = point_test::Reference(
        shape.source, shape.destination, before, shape.regions & 1 ? &source_region : nullptr,
        shape.regions & 2 ? &destination_region : nullptr, 8, kOrderMsbFirst,
        [&](int64_t s, int64_t) { return entries[in[static_cast<size_t>(s)]]; });
    EXPECT_EQ(Read(destination), expected);
  }
}

TEST_P(LookupTableTest, RefusesShortTablesAndOtherTypesWithoutWriting) {
  const std::vector<uint8_t> in = RandomBytes(8, 1);
  const std::vector<uint8_t> before(8, 42);
  const std::vector<uint8_t> entries(255, 7);
  IpiObject* source = Image(Geometry({8}), &in);
  IpiObject* destination = Image(Geometry({8}), &before);
  // 255 entries cannot serve a sample of 255.
  EXPECT_EQ(IpiApplyLookupTable(sys_, source, destination, Table(255, &entries), 0), kIpiInsufficientSize);
  const std::vector<uint8_t> words(256 * 4, 0);
  IpiObject* word_table =
      store_->Make(&kLookupTableClass, {{"dataType", kDataTypeWord}, {"dataPrecision", 32}}, &words);
  EXPECT_EQ(IpiApplyLookupTable(sys_, source, destination, word_table, 0), kIpiMismatchDataType);
  const std::vector<uint8_t> full(256, 7);
  const std::vector<uint8_t> packed = {0x5A};
  IpiObject* bits = Bitmap(Geometry({8}), kOrderMsbFirst, &packed);
  EXPECT_EQ(IpiApplyLookupTable(sys_, bits, destination, Table(256, &full), 0), kIpiMismatchDataType);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiMismatchDataType);
  EXPECT_EQ(Read(destination), before);
}

}  // namespace
