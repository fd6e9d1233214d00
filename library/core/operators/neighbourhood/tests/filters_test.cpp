// Weighted, emboss, sharpen and gradient filters, the edge kernels, the mask
// filler and the elliptic map.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/objects/tuple.h"
#include "core/operators/neighbourhood/elliptic_mask.h"
#include "core/operators/neighbourhood/gradient_filter.h"
#include "core/operators/neighbourhood/rank_filter.h"
#include "core/operators/neighbourhood/sharpen_emboss.h"
#include "core/operators/neighbourhood/tests/neighbourhood_test_support.h"
#include "core/operators/neighbourhood/weighted_filter.h"

namespace {

using neighbourhood_test::Clip;
using neighbourhood_test::ForEachAlignedElement;
using neighbourhood_test::kClip;
using neighbourhood_test::kMirror;
using neighbourhood_test::kZeroWindow;
using neighbourhood_test::NaiveIntegerSum;
using neighbourhood_test::Plane;
using neighbourhood_test::RandomWeights;
using neighbourhood_test::RepositoryTest;
using operator_test::Geometry;
using operator_test::RandomBytes;

class FilterTest : public RepositoryTest {
 protected:
  template <typename Run>
  std::vector<uint8_t> Filter(const Geometry& g, const std::vector<uint8_t>& data, Run run, int expected = 0) {
    IpiObject* source = Image(g, data);
    IpiObject* destination = Image(g, std::vector<uint8_t>(data.size(), 7));
    EXPECT_EQ(run(source, destination), expected);
    return store_->Read(destination);
  }

  // The cells of an array's first plane, as stored.
  template <typename T>
  std::vector<T> Cells(IpiObject* array) {
    const int64_t count = int64_t{array->fields.dimension[kDimX]} * array->fields.dimension[kDimY];
    std::vector<T> cells(static_cast<size_t>(count));
    IpiStream* s = IpiOpenStream(sys_, array, "r", 0);
    EXPECT_NE(s, nullptr);
    const int64_t bytes = count * static_cast<int64_t>(sizeof(T));
    EXPECT_EQ(IpiReadBytes(sys_, s, 0, cells.data(), bytes), bytes);
    EXPECT_EQ(IpiCloseStream(sys_, s), 0);
    return cells;
  }
};

INSTANTIATE_TEST_SUITE_P(AllRepositories, FilterTest, ::testing::ValuesIn(neighbourhood_test::kRepositories),
                         [](const auto& param_info) { return operator_test::RepositoryName(param_info.param); });

// Emboss of a flat area is 128 and sharpen keeps it; around a pixel of 255
// whose 3 x 3 mean is 100, sharpen gives 765 - 200 = 565, stored as 255;
// emboss gives 128 plus the upper-left minus the lower-right neighbour.
TEST_P(FilterTest, EmbossAndSharpenByHand) {
  SetSystem("boundaryCondition", kMirror);
  const Geometry g({3, 3});
  const std::vector<uint8_t> flat(9, 90);
  auto emboss = [&](IpiObject* s, IpiObject* d) { return IpiEmboss(sys_, s, d); };
  auto sharpen = [&](IpiObject* s, IpiObject* d) { return IpiSharpen(sys_, s, d); };
  EXPECT_EQ(Filter(g, flat, emboss), std::vector<uint8_t>(9, 128));
  EXPECT_EQ(Filter(g, flat, sharpen), flat);

  // 255 + 5 x 81 + 3 x 80 = 900, and (900 + 4) / 9 = 100.
  const std::vector<uint8_t> peak = {81, 81, 81, 81, 255, 81, 80, 80, 80};
  EXPECT_EQ(Filter(g, peak, sharpen)[4], 255);
  const std::vector<uint8_t> dip = {200, 200, 200, 200, 50, 200, 200, 200, 200};  // mean (1650 + 4) / 9 = 183
  EXPECT_EQ(Filter(g, dip, sharpen)[4], 0);  // 150 - 366 below 0

  struct Case {
    uint8_t upper_left, lower_right, expected;
  };
  const Case cases[] = {{100, 90, 138}, {200, 50, 255}, {50, 200, 0}, {0, 128, 0}, {128, 0, 255}};
  for (const Case& c : cases) {
    std::vector<uint8_t> data(9, 10);
    data[0] = c.upper_left;
    data[8] = c.lower_right;
    EXPECT_EQ(Filter(g, data, emboss)[4], c.expected) << int{c.upper_left} << " " << int{c.lower_right};
  }
}

// Random images, kernels and coefficients against the definition, with
// shifted match points and a destination region.
TEST_P(FilterTest, WeightedFilterMatchesTheDefinition) {
  const Geometry gs({11, 8, 1, 1, 2}, {0, 1, 0, 0, 0});
  const Geometry gd({10, 9, 1, 1, 2}, {1, 0, 0, 0, 0});
  const std::vector<uint8_t> data = RandomBytes(static_cast<size_t>(gs.Elements()), 21);
  const std::vector<uint8_t> before = RandomBytes(static_cast<size_t>(gd.Elements()), 22);
  const std::vector<uint8_t> region = operator_test::RandomRegion(static_cast<size_t>(gd.Elements()), 23);
  struct Case {
    int width, height;
    int64_t divisor;
    double a, b, c;
  };
  const Case cases[] = {{3, 3, 9, 3.0, -2.0, 0.0}, {5, 3, 4, 0.7, -1.3, 10.5}, {1, 7, -3, -0.25, 0.5, 128.0},
                        {15, 15, 225, 1.5, 0.75, -20.0}};
  uint32_t seed = 30;
  for (const int32_t boundary : neighbourhood_test::kBoundaries) {
    SetSystem("boundaryCondition", boundary);
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << boundary << " kernel " << c.width << "x" << c.height);
      const std::vector<int16_t> weights = RandomWeights(static_cast<size_t>(c.width * c.height), ++seed, 6);
      IpiObject* kernel = Kernel(c.width, c.height, weights, c.divisor);
      IpiObject* source = Image(gs, data);
      IpiObject* destination = Image(gd, before);
      store_->Region(destination, region);
      ASSERT_EQ(IpiWeightedFilter(sys_, source, destination, kernel, c.a, c.b, c.c), 0);
      std::vector<uint8_t> expected = before;
      ForEachAlignedElement(gs, gd, data, [&](int64_t d, const Plane& p, int64_t x, int64_t y) {
        if (region[static_cast<size_t>(d)] == 0) return;
        const int64_t w = NaiveIntegerSum(p, x, y, c.width, c.height, weights, c.divisor, boundary);
        const double v = std::trunc(c.a * p.at(x, y) + c.b * static_cast<double>(w) + c.c);
        expected[static_cast<size_t>(d)] = v < 0 ? 0 : v > 255 ? 255 : static_cast<uint8_t>(v);
      });
      EXPECT_EQ(store_->Read(destination), expected);
    }
  }
}

TEST_P(FilterTest, GradientMatchesTheDefinition) {
  const Geometry g({12, 9, 2});
  const std::vector<uint8_t> data = RandomBytes(static_cast<size_t>(g.Elements()), 40);
  struct Case {
    int width, height;
    int64_t divisor;
    int range;
  };
  const Case cases[] = {{3, 3, 1, 2}, {3, 3, 6, 2}, {5, 3, 3000, 2000}, {7, 7, 5, 9}, {3, 3, -2, 4}};
  uint32_t seed = 50;
  for (const int32_t boundary : neighbourhood_test::kBoundaries) {
    SetSystem("boundaryCondition", boundary);
    for (const Case& c : cases) {
      for (const int32_t mode : {kGradientSumOfMagnitudes, kGradientEuclidean}) {
        SCOPED_TRACE(testing::Message() << boundary << " kernel " << c.width << "x" << c.height << " mode " << mode);
        const size_t cells = static_cast<size_t>(c.width * c.height);
        const std::vector<int16_t> w1 = RandomWeights(cells, ++seed, c.range);
        const std::vector<int16_t> w2 = RandomWeights(cells, ++seed, c.range);
        IpiObject* k1 = Kernel(c.width, c.height, w1, c.divisor);
        IpiObject* k2 = Kernel(c.width, c.height, w2, 99);  // kernel 1's scale divides both
        const std::vector<uint8_t> got = Filter(g, data, [&](IpiObject* s, IpiObject* d) {
          return IpiGradientFilter(sys_, s, d, k1, k2, mode);
        });
        std::vector<uint8_t> expected(data.size());
        ForEachAlignedElement(g, g, data, [&](int64_t d, const Plane& p, int64_t x, int64_t y) {
          const int64_t g1 = NaiveIntegerSum(p, x, y, c.width, c.height, w1, c.divisor, boundary);
          const int64_t g2 = NaiveIntegerSum(p, x, y, c.width, c.height, w2, c.divisor, boundary);
          const int64_t v = mode == kGradientSumOfMagnitudes
                                ? std::abs(g1) + std::abs(g2)
                                : static_cast<int64_t>(std::sqrt(static_cast<double>(g1 * g1 + g2 * g2)));
          expected[static_cast<size_t>(d)] = Clip(v);
        });
        EXPECT_EQ(got, expected);
      }
    }
  }
}

// Find edges: the two 3 x 3 edge kernels give 0 on a flat image (255 once
// inverted); a vertical step gives |2 x 3 x 100| / 6 = 100 beside it.
TEST_P(FilterTest, EdgeKernelsFindEdges) {
  SetSystem("boundaryCondition", kMirror);
  IpiObject* horizontal = Array(&kImpulseResponseArrayClass, 3, 3, kDataTypeSigned, 16, nullptr, 0, 1);
  IpiObject* vertical = Array(&kImpulseResponseArrayClass, 3, 3, kDataTypeSigned, 16, nullptr, 0, 1);
  ASSERT_EQ(IpiMakeEdgeKernel(sys_, horizontal, kEdgeKernelHorizontal), 0);
  ASSERT_EQ(IpiMakeEdgeKernel(sys_, vertical, kEdgeKernelVertical), 0);
  auto find_edges = [&](IpiObject* s, IpiObject* d) {
    return IpiGradientFilter(sys_, s, d, horizontal, vertical, kGradientSumOfMagnitudes);
  };
  const Geometry g({4, 3});
  EXPECT_EQ(Filter(g, std::vector<uint8_t>(12, 77), find_edges), std::vector<uint8_t>(12, 0));
  const std::vector<uint8_t> step = {0, 0, 100, 100, 0, 0, 100, 100, 0, 0, 100, 100};
  EXPECT_EQ(Filter(g, step, find_edges), (std::vector<uint8_t>{0, 100, 100, 0, 0, 100, 100, 0, 0, 100, 100, 0}));
}

TEST_P(FilterTest, GradientRefusals) {
  const Geometry g({4, 4});
  const std::vector<uint8_t> data(16, 3);
  IpiObject* k3 = Kernel(3, 3, std::vector<int16_t>(9, 1), 1);
  IpiObject* k5 = Kernel(5, 5, std::vector<int16_t>(25, 1), 1);
  IpiObject* k3x5 = Kernel(3, 5, std::vector<int16_t>(15, 1), 1);
  IpiObject* scale0 = Kernel(3, 3, std::vector<int16_t>(9, 1), 0);
  IpiObject* bytes = Mask(3, 3, std::vector<uint8_t>(9, 1));
  IpiObject* even = Array(&kImpulseResponseArrayClass, 4, 3, kDataTypeSigned, 16, nullptr, 0, 1);
  IpiObject* wide = Array(&kImpulseResponseArrayClass, 17, 3, kDataTypeSigned, 16, nullptr, 0, 1);
  struct Case {
    const char* name;
    IpiObject* k1;
    IpiObject* k2;
    int32_t mode;
    int expected;
  };
  const Case cases[] = {
      {"ModeFirst", nullptr, nullptr, 99, kIpiOutOfRange},
      {"SecondSmaller", k5, k3, kGradientSumOfMagnitudes, kIpiOutOfRange},
      {"SecondLarger", k3, k5, kGradientEuclidean, kIpiOutOfRange},
      {"SecondTaller", k3, k3x5, kGradientEuclidean, kIpiOutOfRange},
      {"ScaleZero", scale0, k3, kGradientEuclidean, kIpiOutOfRange},
      {"MaskAsKernel", k3, bytes, kGradientEuclidean, kIpiMismatchDataType},
      {"EvenSide", even, k3, kGradientEuclidean, kIpiNotPositiveOdd},
      {"SideAbove15", wide, k3, kGradientEuclidean, kIpiExceedImplementation},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> got = Filter(
        g, data, [&](IpiObject* s, IpiObject* d) { return IpiGradientFilter(sys_, s, d, c.k1, c.k2, c.mode); },
        c.expected);
    EXPECT_EQ(got, std::vector<uint8_t>(16, 7));
  }
  // The weighted filter refuses the same way.
  EXPECT_EQ(Filter(g, data, [&](IpiObject* s, IpiObject* d) { return IpiWeightedFilter(sys_, s, d, scale0, 1, 1, 0); },
                   kIpiOutOfRange),
            std::vector<uint8_t>(16, 7));
  EXPECT_EQ(Filter(g, data, [&](IpiObject* s, IpiObject* d) { return IpiWeightedFilter(sys_, s, d, wide, 1, 1, 0); },
                   kIpiExceedImplementation),
            std::vector<uint8_t>(16, 7));
}

TEST_P(FilterTest, EdgeKernelCells) {
  struct Case {
    int width, height;
    int32_t code;
    std::vector<int16_t> cells;
    int32_t scale;
  };
  const Case cases[] = {
      {3, 3, kEdgeKernelHorizontal, {2, 0, -2, 2, 0, -2, 2, 0, -2}, 6},
      {3, 3, kEdgeKernelVertical, {-2, -2, -2, 0, 0, 0, 2, 2, 2}, 6},
      {5, 5, kEdgeKernelHorizontal,
       {2, 2, 0, -2, -2, 2, 2, 0, -2, -2, 2, 2, 0, -2, -2, 2, 2, 0, -2, -2, 2, 2, 0, -2, -2}, 20},
      {5, 1, kEdgeKernelHorizontal, {2, 2, 0, -2, -2}, 4},
      {1, 3, kEdgeKernelVertical, {-2, 0, 2}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " code " << c.code);
    IpiObject* array = Array(&kImpulseResponseArrayClass, c.width, c.height, kDataTypeSigned, 16, nullptr, 0, 1);
    ASSERT_EQ(IpiMakeEdgeKernel(sys_, array, c.code), 0);
    EXPECT_EQ(Cells<int16_t>(array), c.cells);
    EXPECT_EQ(IpiInquireAttribute(sys_, array, "scaleFactor"), c.scale);

    IpiObject* real = Array(&kImpulseResponseArrayClass, c.width, c.height, kDataTypeReal, 32, nullptr, 0, 5);
    ASSERT_EQ(IpiMakeEdgeKernel(sys_, real, c.code), 0);
    const std::vector<float> reals = Cells<float>(real);
    for (size_t i = 0; i < reals.size(); ++i) {
      EXPECT_EQ(reals[i], static_cast<float>(c.cells[i]) / static_cast<float>(c.scale));
    }
    EXPECT_EQ(IpiInquireAttribute(sys_, real, "scaleFactor"), 5);  // left alone
  }

  // Refusals leave the array as it was.
  const std::vector<int16_t> before = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  IpiObject* kept = Kernel(3, 3, before, 3);
  IpiObject* column = Kernel(1, 3, {1, 2, 3}, 3);
  IpiObject* mask = Mask(3, 3, std::vector<uint8_t>(9, 4));
  EXPECT_EQ(IpiMakeEdgeKernel(sys_, kept, 102), kIpiOutOfRange);
  EXPECT_EQ(IpiMakeEdgeKernel(sys_, column, kEdgeKernelHorizontal), kIpiOutOfRange);  // its scale would be 0
  EXPECT_EQ(IpiMakeEdgeKernel(sys_, mask, kEdgeKernelVertical), kIpiMismatchDataType);
  EXPECT_EQ(Cells<int16_t>(kept), before);
  EXPECT_EQ(Cells<int16_t>(column), (std::vector<int16_t>{1, 2, 3}));
  EXPECT_EQ(IpiInquireAttribute(sys_, column, "scaleFactor"), 3);
  EXPECT_EQ(Cells<uint8_t>(mask), std::vector<uint8_t>(9, 4));
}

TEST_P(FilterTest, FillMaskByDataType) {
  IpiObject* bytes = Array(&kMaskArrayClass, 5, 3, kDataTypeNonnegative, 8, nullptr, 0, 1);
  ASSERT_EQ(IpiFillMask(sys_, bytes), 0);
  EXPECT_EQ(Cells<uint8_t>(bytes), std::vector<uint8_t>(15, 1));
  EXPECT_EQ(IpiInquireAttribute(sys_, bytes, "scaleFactor"), 15);

  IpiObject* words = Array(&kImpulseResponseArrayClass, 3, 3, kDataTypeSigned, 16, nullptr, 0, 1);
  ASSERT_EQ(IpiFillMask(sys_, words), 0);
  EXPECT_EQ(Cells<int16_t>(words), std::vector<int16_t>(9, 1));
  EXPECT_EQ(IpiInquireAttribute(sys_, words, "scaleFactor"), 9);

  IpiObject* reals = Array(&kImpulseResponseArrayClass, 3, 3, kDataTypeReal, 32, nullptr, 0, 4);
  ASSERT_EQ(IpiFillMask(sys_, reals), 0);
  EXPECT_EQ(Cells<float>(reals), std::vector<float>(9, 1.0f / 9.0f));
  EXPECT_EQ(IpiInquireAttribute(sys_, reals, "scaleFactor"), 4);

  // Every plane the array stores is written: a window array stores one, an
  // image class (a mask made from an image) every plane.
  const IpiAttribute planes[] = {{"xDimension", 3}, {"yDimension", 2}, {"zDimension", 2}, {"bDimension", 2},
                                 {"repository", kRepositoryGlobalBlock}};
  IpiObject* two = IpiCreateObject(sys_, nullptr, &kMaskArrayClass, nullptr, planes, 5);
  ASSERT_EQ(IpiFillMask(sys_, two), 0);
  EXPECT_EQ(store_->Read(two), std::vector<uint8_t>(6, 1));
  IpiObject* image = Image(Geometry({3, 2, 2, 1, 2}), nullptr);
  ASSERT_EQ(IpiFillMask(sys_, image), 0);
  EXPECT_EQ(store_->Read(image), std::vector<uint8_t>(24, 1));
  EXPECT_EQ(IpiInquireAttribute(sys_, image, "scaleFactor"), 6);

  IpiObject* counts = Array(&kMaskArrayClass, 3, 3, kDataTypeWord, 32, nullptr, 0, 1);
  EXPECT_EQ(IpiFillMask(sys_, counts), kIpiMismatchDataType);
}

// The 5 x 3 example: centre (2, 1), size (5, 3). Row 1 is inside at every
// column (at x = 0: 4 x 4 / 25 = 0.64); rows 0 and 2 only at columns 1..3
// (at x = 0: 0.64 + 4 / 9 is above 1).
TEST_P(FilterTest, SpherizeMapPaintsTheEllipse) {
  const Geometry g({5, 3, 1, 1, 2});
  const std::vector<uint8_t> zeros(30, 0);
  IpiObject* image = Image(g, zeros);
  const int32_t centre_values[] = {2, 1};
  const int32_t size_values[] = {5, 3};
  IpiObject* centre = IpiCreateTupleN(sys_, centre_values, 2);
  IpiObject* size = IpiCreateTupleN(sys_, size_values, 2);
  ASSERT_EQ(IpiSpherizeMap(sys_, image, 999, centre, size), 0);  // another shape: nothing changes
  EXPECT_EQ(store_->Read(image), zeros);
  ASSERT_EQ(IpiSpherizeMap(sys_, image, kSpherizeEllipse, centre, size), 0);
  const std::vector<uint8_t> plane = {0, 255, 255, 255, 0, 255, 255, 255, 255, 255, 0, 255, 255, 255, 0};
  std::vector<uint8_t> expected = plane;
  expected.insert(expected.end(), plane.begin(), plane.end());
  EXPECT_EQ(store_->Read(image), expected);

  // Outside the ellipse elements keep their value.
  IpiObject* grey = Image(Geometry({5, 3}), std::vector<uint8_t>(15, 9));
  ASSERT_EQ(IpiSpherizeMap(sys_, grey, kSpherizeEllipse, centre, size), 0);
  EXPECT_EQ(store_->Read(grey)[0], 9);
  EXPECT_EQ(store_->Read(grey)[1], 255);

  const int32_t flat_values[] = {5, 0};
  IpiObject* flat = IpiCreateTupleN(sys_, flat_values, 2);
  EXPECT_EQ(IpiSpherizeMap(sys_, grey, kSpherizeEllipse, centre, flat), kIpiOutOfRange);
  std::vector<IpiAttribute> words = Geometry({5, 3}).Attributes();
  words.push_back({"dataType", kDataTypeWord});
  EXPECT_EQ(IpiSpherizeMap(sys_, store_->Image(words, nullptr), kSpherizeEllipse, centre, size), kIpiMismatchDataType);
}

}  // namespace
