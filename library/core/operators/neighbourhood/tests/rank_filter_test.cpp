#include "core/operators/neighbourhood/rank_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/operators/neighbourhood/rank_selection.h"
#include "core/operators/neighbourhood/tests/neighbourhood_test_support.h"

namespace {

using neighbourhood_test::ForEachAlignedElement;
using neighbourhood_test::kClip;
using neighbourhood_test::kMirror;
using neighbourhood_test::kZeroWindow;
using neighbourhood_test::Plane;
using neighbourhood_test::RepositoryTest;
using neighbourhood_test::WindowCells;
using operator_test::Geometry;
using operator_test::RandomBytes;

// The rank-th smallest of the sorted window, straight from the definition.
uint8_t NaiveRank(const Plane& p, int64_t x, int64_t y, int width, int height, const std::vector<uint8_t>& mask,
                  int64_t rank, int32_t boundary) {
  const auto cells = WindowCells(p, x, y, width, height, boundary,
                                 [&](int r, int c) { return mask[static_cast<size_t>(r * width + c)] != 0; });
  if (!cells || cells->empty()) return 0;
  std::vector<int> values;
  for (const auto& cell : *cells) values.push_back(std::max(cell.second, 0));
  std::sort(values.begin(), values.end());
  const int64_t wanted = std::clamp<int64_t>(rank, 1, static_cast<int64_t>(values.size()));
  return static_cast<uint8_t>(values[static_cast<size_t>(wanted - 1)]);
}

std::vector<uint8_t> RandomMask(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> mask(count);
  for (uint8_t& m : mask) m = random() % 4 == 0 ? 0 : static_cast<uint8_t>(random() % 255 + 1);
  return mask;
}

class RankFilterTest : public RepositoryTest {
 protected:
  // Runs the filter and, on success, compares every element with the naive
  // rank and with the per-element rank.
  void Check(const Geometry& gs, const Geometry& gd, const std::vector<uint8_t>& data, int width, int height,
             const std::vector<uint8_t>& mask, int64_t rank, int32_t boundary, const std::vector<uint8_t>* region) {
    IpiObject* source = Image(gs, data);
    const std::vector<uint8_t> before = RandomBytes(static_cast<size_t>(gd.Elements()), 77);
    IpiObject* destination = Image(gd, before);
    if (region != nullptr) store_->Region(destination, *region);
    IpiObject* m = Mask(width, height, mask);
    ASSERT_EQ(IpiRankOrderFilter(sys_, source, destination, m, rank), 0);
    std::vector<uint8_t> expected = before;
    std::vector<const uint8_t*> mask_rows;
    for (int r = 0; r < height; ++r) mask_rows.push_back(mask.data() + r * width + width / 2);
    uint8_t work[256];
    ForEachAlignedElement(gs, gd, data, [&](int64_t d, const Plane& p, int64_t x, int64_t y) {
      const uint8_t naive = NaiveRank(p, x, y, width, height, mask, rank, boundary);
      if (region == nullptr || (*region)[static_cast<size_t>(d)] != 0) expected[static_cast<size_t>(d)] = naive;
      std::vector<const uint8_t*> rows;
      for (int64_t k = -height / 2; k <= height / 2; ++k) {
        const int64_t yy = y + k;
        rows.push_back(yy >= 0 && yy < p.height ? p.data + yy * p.width : nullptr);
      }
      ASSERT_EQ(IpiRankOrderAt(rows.data() + height / 2, mask_rows.data() + height / 2, rank, boundary, x, y, p.width,
                               p.height, width, height, work),
                naive)
          << x << "," << y;
    });
    ASSERT_EQ(store_->Read(destination), expected);
  }
};

INSTANTIATE_TEST_SUITE_P(AllRepositories, RankFilterTest, ::testing::ValuesIn(neighbourhood_test::kRepositories),
                         [](const auto& param_info) { return operator_test::RepositoryName(param_info.param); });

// Radius 1 .. 7 with full masks and the median, smallest and largest ranks,
// under each boundary: covers the sorting network (up to 25 cells) and the
// sliding histogram.
TEST_P(RankFilterTest, FullMasksMatchTheSortedWindow) {
  const Geometry g({17, 11});
  const std::vector<uint8_t> data = RandomBytes(static_cast<size_t>(g.Elements()), 1);
  for (const int32_t boundary : neighbourhood_test::kBoundaries) {
    SetSystem("boundaryCondition", boundary);
    for (int radius = 1; radius <= 7; ++radius) {
      const int side = 2 * radius + 1;
      const int64_t n = side * side;
      for (const int64_t rank : {(n + 1) / 2, int64_t{1}, n}) {
        SCOPED_TRACE(testing::Message() << "boundary " << boundary << " radius " << radius << " rank " << rank);
        Check(g, g, data, side, side, std::vector<uint8_t>(static_cast<size_t>(n), 1), rank, boundary, nullptr);
      }
    }
  }
}

// Masks with holes, rectangular windows, ranks above the cells that take
// part, shifted match points and a destination region.
TEST_P(RankFilterTest, MasksWithHolesMatchTheSortedWindow) {
  const Geometry gs({14, 9, 1, 1, 2}, {1, 0, 0, 0, 1});
  const Geometry gd({13, 10, 1, 1, 2}, {0, 2, 0, 0, 1});
  const std::vector<uint8_t> data = RandomBytes(static_cast<size_t>(gs.Elements()), 2);
  const std::vector<uint8_t> region = operator_test::RandomRegion(static_cast<size_t>(gd.Elements()), 3);
  const int shapes[][2] = {{3, 3}, {5, 5}, {7, 3}, {1, 9}, {9, 7}, {15, 15}, {15, 1}};
  std::mt19937 random(4);
  for (const int32_t boundary : neighbourhood_test::kBoundaries) {
    SetSystem("boundaryCondition", boundary);
    for (const auto& shape : shapes) {
      const size_t cells = static_cast<size_t>(shape[0] * shape[1]);
      const std::vector<uint8_t> mask = RandomMask(cells, static_cast<uint32_t>(random()));
      const int64_t taking_part = std::count_if(mask.begin(), mask.end(), [](uint8_t m) { return m != 0; });
      for (const int64_t rank : {int64_t{1}, (taking_part + 1) / 2, taking_part, taking_part + 5}) {
        SCOPED_TRACE(testing::Message() << "boundary " << boundary << " mask " << shape[0] << "x" << shape[1]
                                        << " rank " << rank);
        Check(gs, gd, data, shape[0], shape[1], mask, rank, boundary, &region);
      }
    }
  }
}

// A 15 x 15 window over images smaller than it: under the mirror every cell
// folds back inside (a 1 x 1 image gives its own value).
TEST_P(RankFilterTest, WindowLargerThanTheImage) {
  const Geometry images[] = {Geometry({3, 3}), Geometry({1}), Geometry({2, 5}), Geometry({6})};
  for (const int32_t boundary : neighbourhood_test::kBoundaries) {
    SetSystem("boundaryCondition", boundary);
    for (const Geometry& g : images) {
      SCOPED_TRACE(testing::Message() << boundary << " image " << g.extent[0] << "x" << g.extent[1]);
      const std::vector<uint8_t> data = RandomBytes(static_cast<size_t>(g.Elements()), 5);
      Check(g, g, data, 15, 15, std::vector<uint8_t>(225, 1), 113, boundary, nullptr);
      Check(g, g, data, 3, 5, std::vector<uint8_t>(15, 1), 8, boundary, nullptr);
    }
  }
  SetSystem("boundaryCondition", kMirror);
  IpiObject* one = Image(Geometry({1}), std::vector<uint8_t>{42});
  IpiObject* out = Image(Geometry({1}), std::vector<uint8_t>{0});
  ASSERT_EQ(IpiRankOrderFilter(sys_, one, out, Mask(15, 15, std::vector<uint8_t>(225, 1)), 113), 0);
  EXPECT_EQ(store_->Read(out), std::vector<uint8_t>{42});
}

// Three cells take part, holding 7, 3 and 9: rank 1 (the smallest, kind 53)
// gives 3; the largest-kind rank of a 3 x 3 window, 9, is held to the three
// cells and gives 9; with no cell taking part the result is 0.
TEST_P(RankFilterTest, RanksByHand) {
  SetSystem("boundaryCondition", kClip);
  const Geometry g({3, 3});
  const std::vector<uint8_t> data = {7, 1, 1, 1, 3, 1, 1, 1, 9};
  const std::vector<uint8_t> diagonal = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  auto centre = [&](const std::vector<uint8_t>& mask, int64_t rank) {
    IpiObject* source = Image(g, data);
    IpiObject* destination = Image(g, std::vector<uint8_t>(9, 200));
    EXPECT_EQ(IpiRankOrderFilter(sys_, source, destination, Mask(3, 3, mask), rank), 0);
    return store_->Read(destination)[4];
  };
  EXPECT_EQ(centre(diagonal, 1), 3);
  EXPECT_EQ(centre(diagonal, 2), 7);
  EXPECT_EQ(centre(diagonal, 9), 9);
  EXPECT_EQ(centre(std::vector<uint8_t>(9, 0), 5), 0);

  // The median through IpiFillMask: radius 1 takes rank 5 of 9.
  IpiObject* mask = Array(&kMaskArrayClass, 3, 3, kDataTypeNonnegative, 8, nullptr, 0, 1);
  ASSERT_EQ(IpiFillMask(sys_, mask), 0);
  IpiObject* source = Image(g, std::vector<uint8_t>{9, 8, 7, 6, 5, 4, 3, 2, 1});
  IpiObject* destination = Image(g, std::vector<uint8_t>(9, 200));
  ASSERT_EQ(IpiMedianFilter(sys_, source, destination, mask), 0);
  // Centre: 5; corner (0, 0) under 231 holds 9, 8, 6, 5 and five zeros: 0.
  EXPECT_EQ(store_->Read(destination)[4], 5);
  EXPECT_EQ(store_->Read(destination)[0], 0);
}

TEST_P(RankFilterTest, Refusals) {
  const Geometry g({4, 4});
  const std::vector<uint8_t> data(16, 3);
  const std::vector<uint8_t> before(16, 7);
  IpiObject* good = Mask(3, 3, std::vector<uint8_t>(9, 1));
  IpiObject* even = Array(&kMaskArrayClass, 4, 3, kDataTypeNonnegative, 8, nullptr, 0, 1);
  IpiObject* large = Array(&kMaskArrayClass, 17, 3, kDataTypeNonnegative, 8, nullptr, 0, 1);
  IpiObject* words = Array(&kMaskArrayClass, 3, 3, kDataTypeSigned, 16, nullptr, 0, 1);
  IpiObject* no_cells = Array(&kMaskArrayClass, 3, 3, kDataTypeNonnegative, 8, nullptr, 0, 0);
  struct Case {
    const char* name;
    IpiObject* mask;
    int64_t rank;
    bool median;
    int expected;
  };
  const Case cases[] = {
      {"RankZero", good, 0, false, kIpiOutOfRange},
      {"RankNegative", good, -3, false, kIpiOutOfRange},
      {"EvenSide", even, 1, false, kIpiNotPositiveOdd},
      {"SideAbove15", large, 1, false, kIpiExceedImplementation},
      {"MaskOfWords", words, 1, false, kIpiMismatchDataType},
      {"MedianOfScaleZero", no_cells, 0, true, kIpiOutOfRange},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IpiObject* source = Image(g, data);
    IpiObject* destination = Image(g, before);
    const int status = c.median ? IpiMedianFilter(sys_, source, destination, c.mask)
                                : IpiRankOrderFilter(sys_, source, destination, c.mask, c.rank);
    EXPECT_EQ(status, c.expected);
    EXPECT_EQ(IpiGetLastError(sys_), c.expected);
    EXPECT_EQ(store_->Read(destination), before);
  }
}

// The two ways to the rank (network for few cells, histogram for many) agree
// with each other and with sorting, on windows chosen to make them differ if
// either were off by one: runs of equal values and the extremes.
TEST(RankSelector, NetworkAndHistogramAgreeWithSorting) {
  std::mt19937 random(9);
  for (int trial = 0; trial < 200; ++trial) {
    // The first trials take the full 3 x 3 median, which has a path of its own.
    const bool median3x3 = trial < 20;
    const int width = median3x3 ? 3 : 2 * static_cast<int>(random() % 8) + 1;
    const int height = median3x3 ? 3 : 2 * static_cast<int>(random() % 8) + 1;
    const WindowShape shape{width, height};
    const uint32_t mask_seed = static_cast<uint32_t>(random());
    const std::vector<uint8_t> mask =
        median3x3 ? std::vector<uint8_t>(9, 1) : RandomMask(static_cast<size_t>(width * height), mask_seed);
    const int64_t count = 40;
    const int64_t padded = count + width - 1;
    std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(height),
                                           std::vector<uint8_t>(static_cast<size_t>(padded)));
    const int spread = trial % 3 == 0 ? 3 : 256;  // few distinct values: long runs of equals
    for (auto& row : rows) {
      for (uint8_t& v : row) v = static_cast<uint8_t>(spread == 3 ? (random() % 3) * 127 : random() % 256);
    }
    std::vector<const uint8_t*> row_pointers;
    for (const auto& row : rows) row_pointers.push_back(row.data());
    const int64_t taking_part = std::count_if(mask.begin(), mask.end(), [](uint8_t m) { return m != 0; });
    const int64_t rank = median3x3 ? 5 : 1 + static_cast<int64_t>(random() % static_cast<uint32_t>(taking_part + 2));
    const RankSelector selector(shape, mask, rank);
    std::vector<uint8_t> got(static_cast<size_t>(count));
    selector.Select(row_pointers.data(), count, got.data());
    for (int64_t i = 0; i < count; ++i) {
      std::vector<uint8_t> values;
      for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) {
          if (mask[static_cast<size_t>(r * width + c)] == 0) continue;
          values.push_back(rows[static_cast<size_t>(r)][static_cast<size_t>(i + c)]);
        }
      }
      std::sort(values.begin(), values.end());
      const uint8_t expected =
          values.empty() ? 0 : values[static_cast<size_t>(std::clamp<int64_t>(rank, 1, taking_part) - 1)];
      ASSERT_EQ(got[static_cast<size_t>(i)], expected) << "trial " << trial << " element " << i;
    }
  }
}

}  // namespace
