#include "core/operators/neighbourhood/dyadic.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/operators/neighbourhood/tests/neighbourhood_test_support.h"

namespace {

using neighbourhood_test::RepositoryTest;
using operator_test::Geometry;
using operator_test::RandomBytes;
using operator_test::RandomRegion;

class CalculateTest : public RepositoryTest {};

INSTANTIATE_TEST_SUITE_P(AllRepositories, CalculateTest, ::testing::ValuesIn(neighbourhood_test::kRepositories),
                         [](const auto& param_info) { return operator_test::RepositoryName(param_info.param); });

// Each operation on the same pairs (A, B), results worked out by hand. The
// destination starts at 77, which division by 0 keeps.
TEST_P(CalculateTest, EveryOperationOnEdgePairs) {
  const std::vector<uint8_t> a = {200, 100, 255, 10, 255, 0, 9};
  const std::vector<uint8_t> b = {100, 200, 254, 3, 15, 0, 0};
  constexpr uint8_t kKept = 77;
  struct Case {
    int32_t operation;
    std::vector<uint8_t> expected;
  };
  const Case cases[] = {
      {kCalculateAbsoluteDifference, {100, 100, 1, 7, 240, 0, 9}},
      {kCalculateAdd, {255, 255, 255, 13, 255, 0, 9}},
      {kCalculateAverage, {150, 150, 254, 6, 135, 0, 4}},
      {kCalculateDivide, {2, 0, 1, 3, 17, kKept, kKept}},
      {kCalculateAnd, {64, 64, 254, 2, 15, 0, 0}},
      {kCalculateNand, {191, 191, 1, 253, 240, 255, 255}},
      {kCalculateNor, {19, 19, 0, 244, 0, 255, 246}},
      {kCalculateOr, {236, 236, 255, 11, 255, 0, 9}},
      {kCalculateXor, {172, 172, 1, 9, 240, 0, 9}},
      {kCalculateMaximum, {200, 200, 255, 10, 255, 0, 9}},
      {kCalculateMinimum, {100, 100, 254, 3, 15, 0, 0}},
      {kCalculateMultiply, {255, 255, 255, 30, 255, 0, 0}},
      {kCalculateSubtract, {100, 0, 1, 7, 240, 0, 9}},
      {kCalculateHalfDifference, {50, 0, 0, 3, 120, 0, 4}},
      {6, std::vector<uint8_t>(7, kKept)},  // not an operation: nothing changes
  };
  const Geometry g({7});
  IpiObject* first = Image(g, a);
  IpiObject* second = Image(g, b);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.operation);
    IpiObject* destination = Image(g, std::vector<uint8_t>(7, kKept));
    ASSERT_EQ(IpiCalculate(sys_, first, second, destination, c.operation), 0);
    EXPECT_EQ(store_->Read(destination), c.expected);
  }
}

// Three images with their own extents and match points: only the overlap of
// all three is written, each source read at its own shift, and an element is
// written only where all three regions are open.
TEST_P(CalculateTest, ThreeWayOverlapAndRegions) {
  const Geometry ga({6, 5, 1, 1, 2}, {1, 0, 0, 0, 0});
  const Geometry gb({5, 6, 1, 1, 2}, {0, 2, 0, 0, 1});
  const Geometry gd({7, 4, 1, 1, 2}, {2, 1, 0, 0, 1});
  const std::vector<uint8_t> a = RandomBytes(static_cast<size_t>(ga.Elements()), 1);
  const std::vector<uint8_t> b = RandomBytes(static_cast<size_t>(gb.Elements()), 2);
  const std::vector<uint8_t> d = RandomBytes(static_cast<size_t>(gd.Elements()), 3);
  IpiObject* first = Image(ga, a);
  IpiObject* second = Image(gb, b);
  IpiObject* destination = Image(gd, d);
  const std::vector<uint8_t> ra = RandomRegion(static_cast<size_t>(ga.Elements()), 4);
  const std::vector<uint8_t> rb = RandomRegion(static_cast<size_t>(gb.Elements()), 5);
  const std::vector<uint8_t> rd = RandomRegion(static_cast<size_t>(gd.Elements()), 6);
  store_->Region(first, ra);
  store_->Region(second, rb);
  store_->Region(destination, rd);
  ASSERT_EQ(IpiCalculate(sys_, first, second, destination, kCalculateSubtract), 0);

  std::vector<uint8_t> expected = d;
  int64_t c[5] = {};
  for (c[4] = 0; c[4] < gd.extent[4]; ++c[4])
    for (c[1] = 0; c[1] < gd.extent[1]; ++c[1])
      for (c[0] = 0; c[0] < gd.extent[0]; ++c[0]) {
        int64_t sa[5], sb[5];
        for (int i = 0; i < 5; ++i) {
          sa[i] = c[i] - (gd.match[i] - ga.match[i]);
          sb[i] = c[i] - (gd.match[i] - gb.match[i]);
        }
        if (!ga.Contains(sa) || !gb.Contains(sb)) continue;
        const size_t ia = static_cast<size_t>(ga.Index(sa));
        const size_t ib = static_cast<size_t>(gb.Index(sb));
        const size_t id = static_cast<size_t>(gd.Index(c));
        if (ra[ia] == 0 || rb[ib] == 0 || rd[id] == 0) continue;
        expected[id] = static_cast<uint8_t>(a[ia] > b[ib] ? a[ia] - b[ib] : 0);
      }
  EXPECT_EQ(store_->Read(destination), expected);
}

// Images that are not bytes are refused before anything is written; the
// second source is held to the same rule as the first (it is read as bytes).
TEST_P(CalculateTest, RefusesImagesThatAreNotBytes) {
  const Geometry g({4, 2});
  const std::vector<uint8_t> bytes(8, 50);
  IpiObject* good = Image(g, bytes);
  IpiObject* destination = Image(g, bytes);
  std::vector<IpiAttribute> wider = g.Attributes();
  wider.push_back({"dataPrecision", 16});
  IpiObject* sixteen = store_->Image(wider, nullptr);
  std::vector<IpiAttribute> words = g.Attributes();
  words.push_back({"dataType", kDataTypeWord});
  IpiObject* wide = store_->Image(words, nullptr);
  struct Case {
    const char* name;
    IpiObject* first;
    IpiObject* second;
    IpiObject* destination;
  };
  const Case cases[] = {
      {"FirstWords", wide, good, destination},
      {"SecondWords", good, wide, destination},
      {"SecondSixteenBits", good, sixteen, destination},
      {"DestinationWords", good, good, wide},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IpiCalculate(sys_, c.first, c.second, c.destination, kCalculateAdd), kIpiMismatchDataType);
    EXPECT_EQ(IpiGetLastError(sys_), kIpiMismatchDataType);
  }
  EXPECT_EQ(store_->Read(destination), bytes);
}

}  // namespace
