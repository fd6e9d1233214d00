#include "core/operators/neighbourhood/convolution.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/operators/neighbourhood/kernel_rows.h"
#include "core/operators/neighbourhood/tests/neighbourhood_test_support.h"

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
using neighbourhood_test::WindowCells;
using operator_test::Geometry;
using operator_test::RandomBytes;

// Real weights: summed in doubles cell by cell in row order, rounded half
// away from zero by adding or subtracting 0.5 and truncating.
int64_t NaiveRealSum(const Plane& p, int64_t x, int64_t y, int width, int height, const std::vector<float>& weights,
                     int32_t boundary) {
  const auto cells = WindowCells(p, x, y, width, height, boundary, [](int, int) { return true; });
  if (!cells) return 0;
  double sum = 0.0;
  for (const auto& [index, value] : *cells) {
    const float w = weights[static_cast<size_t>(index)];
    if (value >= 0 && w != 0.0f) sum += static_cast<double>(w) * value;
  }
  return static_cast<int64_t>(sum >= 0 ? sum + 0.5 : sum - 0.5);
}

class ConvolveTest : public RepositoryTest {
 protected:
  // Convolves `data` of geometry `gs` into a destination of `gd` (holding
  // `before`) and returns the destination.
  std::vector<uint8_t> Convolve(const Geometry& gs, const std::vector<uint8_t>& data, const Geometry& gd,
                                const std::vector<uint8_t>& before, IpiObject* kernel, int expected_status = 0) {
    IpiObject* source = Image(gs, data);
    IpiObject* destination = Image(gd, before);
    EXPECT_EQ(IpiConvolve(sys_, source, destination, kernel), expected_status);
    return store_->Read(destination);
  }
};

INSTANTIATE_TEST_SUITE_P(AllRepositories, ConvolveTest, ::testing::ValuesIn(neighbourhood_test::kRepositories),
                         [](const auto& param_info) { return operator_test::RepositoryName(param_info.param); });

// A flat image of 100 under a 3 x 3 box of ones with scale 9: mirroring keeps
// 100 everywhere; clipping gives (4 x 100 + 4) / 9 = 44 at a corner and
// (6 x 100 + 4) / 9 = 67 along an edge; any other boundary gives the border 0.
TEST_P(ConvolveTest, FlatBoxUnderEachBoundary) {
  const Geometry g({5, 4});
  const std::vector<uint8_t> flat(20, 100);
  IpiObject* box = Kernel(3, 3, std::vector<int16_t>(9, 1), 9);
  struct Case {
    int32_t boundary;
    std::vector<uint8_t> expected;
  };
  const Case cases[] = {
      {kMirror, flat},
      {kClip, {44, 67, 67, 67, 44,  //
               67, 100, 100, 100, 67,
               67, 100, 100, 100, 67,
               44, 67, 67, 67, 44}},
      {kZeroWindow, {0, 0, 0, 0, 0,  //
                     0, 100, 100, 100, 0,
                     0, 100, 100, 100, 0,
                     0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.boundary);
    SetSystem("boundaryCondition", c.boundary);
    EXPECT_EQ(Convolve(g, flat, g, std::vector<uint8_t>(20, 1), box), c.expected);
  }
}

// Rounding halves away from zero, then clipping: 3 / 2 gives 2, 5 / 2 gives
// 3, -5 / 2 gives -3 (stored as 0), 600 / 2 gives 300 (stored as 255); a real
// kernel rounds 2.5 to 3 and -0.5 to -1 (0).
TEST_P(ConvolveTest, RoundsHalvesAwayFromZeroThenClips) {
  const Geometry g({4});
  const std::vector<uint8_t> data = {1, 1, 1, 200};
  struct Case {
    const char* name;
    int16_t weight;
    std::vector<uint8_t> expected;
  };
  const Case cases[] = {
      {"Three", 3, {2, 2, 2, 255}},
      {"Five", 5, {3, 3, 3, 255}},
      {"MinusFive", -5, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IpiObject* kernel = Kernel(1, 1, {c.weight}, 2);
    EXPECT_EQ(Convolve(g, data, g, std::vector<uint8_t>(4, 9), kernel), c.expected);
  }
  IpiObject* real = RealKernel(1, 1, {2.5f});
  EXPECT_EQ(Convolve(g, {1, 0, 2, 101}, g, std::vector<uint8_t>(4, 9), real), (std::vector<uint8_t>{3, 0, 5, 253}));

  const int16_t five = -5;
  const int16_t* kernel_row = &five;
  const uint8_t one = 1;
  const uint8_t* row = &one;
  EXPECT_EQ(IpiKernelSumInt(&row, &kernel_row, kClip, 0, 0, 1, 1, 1, 1, 2), -3);
  const float half = -0.5f;
  const float* real_row = &half;
  EXPECT_EQ(IpiKernelSumReal(&row, &real_row, kClip, 0, 0, 1, 1, 1, 1), -1);
}

// Random images, kernels and boundaries, with shifted match points and a
// destination region: every element equals the window sum from its
// definition, and the per-element sum gives the same values.
TEST_P(ConvolveTest, MatchesTheDefinitionOnRandomImages) {
  const Geometry gs({13, 9, 1, 1, 2}, {1, 2, 0, 0, 0});
  const Geometry gd({12, 10, 1, 1, 2}, {0, 1, 0, 0, 0});
  const std::vector<uint8_t> data = RandomBytes(static_cast<size_t>(gs.Elements()), 11);
  const std::vector<uint8_t> before = RandomBytes(static_cast<size_t>(gd.Elements()), 12);
  const std::vector<uint8_t> region = operator_test::RandomRegion(static_cast<size_t>(gd.Elements()), 13);
  struct Shape {
    int width, height;
    int64_t divisor;
    int range;             // weights in -range .. range
    bool product = false;  // a column of weights times a row of weights
  };
  const Shape shapes[] = {{1, 1, 1, 3},        {3, 3, 9, 4},       {5, 3, 7, 100},     {3, 7, -4, 9},
                          {15, 1, 30, 20},     {1, 15, 3000, 32767}, {17, 3, 1, 2},    {7, 7, 49, 5},
                          {3, 3, 4, 2, true},  {15, 15, 225, 3, true}, {5, 7, 11, 40, true}};
  uint32_t seed = 100;
  for (const int32_t boundary : {kMirror, kClip, kZeroWindow}) {
    SetSystem("boundaryCondition", boundary);
    for (const Shape& shape : shapes) {
      for (const bool real : {false, true}) {
        SCOPED_TRACE(testing::Message() << "boundary " << boundary << " kernel " << shape.width << "x"
                                        << shape.height << (real ? " real" : ""));
        const size_t cells = static_cast<size_t>(shape.width * shape.height);
        std::vector<int16_t> weights = RandomWeights(cells, ++seed, shape.range);
        if (shape.product) {
          // Zeros in both factors, the first row all zero in every other case.
          const std::vector<int16_t> u = RandomWeights(static_cast<size_t>(shape.height), ++seed, shape.range);
          const std::vector<int16_t> v = RandomWeights(static_cast<size_t>(shape.width), ++seed, shape.range);
          for (int r = 0; r < shape.height; ++r) {
            for (int c = 0; c < shape.width; ++c) {
              const bool zero_row = r == 0 && seed % 2 == 0;
              const int product = u[static_cast<size_t>(r)] * v[static_cast<size_t>(c)];
              weights[static_cast<size_t>(r * shape.width + c)] = static_cast<int16_t>(zero_row ? 0 : product);
            }
          }
        }
        std::vector<float> real_weights(cells);
        for (size_t i = 0; i < cells; ++i) real_weights[i] = static_cast<float>(weights[i]) / 7.25f;
        IpiObject* kernel = real ? RealKernel(shape.width, shape.height, real_weights)
                                 : Kernel(shape.width, shape.height, weights, shape.divisor);
        IpiObject* source = Image(gs, data);
        IpiObject* destination = Image(gd, before);
        store_->Region(destination, region);
        ASSERT_EQ(IpiConvolve(sys_, source, destination, kernel), 0);
        const std::vector<uint8_t> got = store_->Read(destination);

        std::vector<uint8_t> expected = before;
        std::vector<const int16_t*> kernel_rows;
        std::vector<const float*> real_rows;
        for (int r = 0; r < shape.height; ++r) {
          kernel_rows.push_back(weights.data() + r * shape.width + shape.width / 2);
          real_rows.push_back(real_weights.data() + r * shape.width + shape.width / 2);
        }
        ForEachAlignedElement(gs, gd, data, [&](int64_t d, const Plane& p, int64_t x, int64_t y) {
          if (region[static_cast<size_t>(d)] == 0) return;
          const int64_t sum = real ? NaiveRealSum(p, x, y, shape.width, shape.height, real_weights, boundary)
                                   : NaiveIntegerSum(p, x, y, shape.width, shape.height, weights, shape.divisor,
                                                     boundary);
          expected[static_cast<size_t>(d)] = Clip(sum);
          // The per-element sum, from row pointers centred on the element.
          std::vector<const uint8_t*> rows;
          for (int64_t k = -shape.height / 2; k <= shape.height / 2; ++k) {
            const int64_t yy = y + k;
            rows.push_back(yy >= 0 && yy < p.height ? p.data + yy * p.width : nullptr);
          }
          const uint8_t* const* middle = rows.data() + shape.height / 2;
          const int32_t per_element =
              real ? IpiKernelSumReal(middle, real_rows.data() + shape.height / 2, boundary, x, y, p.width, p.height,
                                      shape.width, shape.height)
                   : IpiKernelSumInt(middle, kernel_rows.data() + shape.height / 2, boundary, x, y, p.width,
                                     p.height, shape.width, shape.height, shape.divisor);
          ASSERT_EQ(per_element, sum) << x << "," << y;
        });
        ASSERT_EQ(got, expected);
      }
    }
  }
}

// Kernels wider or taller than the image: the mirror folds as often as it
// takes and never reads outside the image (1 x 1, 1 x N and N x 1 images).
TEST_P(ConvolveTest, KernelsLargerThanTheImageFoldBackInside) {
  const Geometry images[] = {Geometry({1}), Geometry({1, 6}), Geometry({6}), Geometry({2, 2})};
  const int kernel_shapes[][2] = {{15, 3}, {3, 15}, {15, 15}, {101, 1}};
  uint32_t seed = 200;
  for (const int32_t boundary : {kMirror, kClip, kZeroWindow}) {
    SetSystem("boundaryCondition", boundary);
    for (const Geometry& g : images) {
      for (const auto& shape : kernel_shapes) {
        SCOPED_TRACE(testing::Message() << boundary << " image " << g.extent[0] << "x" << g.extent[1] << " kernel "
                                        << shape[0] << "x" << shape[1]);
        const std::vector<uint8_t> data = RandomBytes(static_cast<size_t>(g.Elements()), ++seed);
        const std::vector<int16_t> weights = RandomWeights(static_cast<size_t>(shape[0] * shape[1]), ++seed, 3);
        const int64_t divisor = 5;
        IpiObject* kernel = Kernel(shape[0], shape[1], weights, divisor);
        const std::vector<uint8_t> got =
            Convolve(g, data, g, std::vector<uint8_t>(static_cast<size_t>(g.Elements()), 0), kernel);
        std::vector<uint8_t> expected(data.size());
        ForEachAlignedElement(g, g, data, [&](int64_t d, const Plane& p, int64_t x, int64_t y) {
          expected[static_cast<size_t>(d)] =
              Clip(NaiveIntegerSum(p, x, y, shape[0], shape[1], weights, divisor, boundary));
        });
        EXPECT_EQ(got, expected);
      }
    }
  }
  // A 1 x 1 image under the mirror: every cell reads the one sample.
  SetSystem("boundaryCondition", kMirror);
  IpiObject* ones = Kernel(15, 3, std::vector<int16_t>(45, 1), 45);
  EXPECT_EQ(Convolve(Geometry({1}), {123}, Geometry({1}), {0}, ones), std::vector<uint8_t>{123});
}

// Weights whose sum passes 32 bits (a 101 x 15 kernel of 32767 over samples of
// 200 sums to 9.9 x 10^12) still divide exactly: the sum is 64-bit.
TEST_P(ConvolveTest, LargeWeightSumsDoNotOverflow) {
  const Geometry g({4, 3});
  const int64_t cells = 101 * 15;
  IpiObject* kernel = Kernel(101, 15, std::vector<int16_t>(static_cast<size_t>(cells), 32767), cells * 32767);
  SetSystem("boundaryCondition", kMirror);
  EXPECT_EQ(Convolve(g, std::vector<uint8_t>(12, 200), g, std::vector<uint8_t>(12, 0), kernel),
            std::vector<uint8_t>(12, 200));
  IpiObject* negative = Kernel(101, 15, std::vector<int16_t>(static_cast<size_t>(cells), -32768), -cells * 32768);
  EXPECT_EQ(Convolve(g, std::vector<uint8_t>(12, 201), g, std::vector<uint8_t>(12, 0), negative),
            std::vector<uint8_t>(12, 201));
}

// Refusals come before anything is written.
TEST_P(ConvolveTest, RefusesBadKernelsAndTypes) {
  const Geometry g({5, 5});
  const std::vector<uint8_t> data = RandomBytes(25, 300);
  const std::vector<uint8_t> before(25, 7);
  struct Case {
    const char* name;
    int width, height;
    int32_t data_type;
    intptr_t scale;
    int expected;
  };
  const Case cases[] = {
      {"EvenWidth", 4, 3, kDataTypeSigned, 1, kIpiNotPositiveOdd},
      {"EvenHeight", 3, 2, kDataTypeSigned, 1, kIpiNotPositiveOdd},
      {"ZeroWidth", 0, 3, kDataTypeSigned, 1, kIpiNotPositiveOdd},
      {"BothSides17", 17, 17, kDataTypeSigned, 1, kIpiExceedImplementation},
      {"BothSides16Odd", 17, 19, kDataTypeSigned, 1, kIpiExceedImplementation},
      {"ScaleZero", 3, 3, kDataTypeSigned, 0, kIpiOutOfRange},
      {"KernelOfBytes", 3, 3, kDataTypeNonnegative, 1, kIpiMismatchDataType},
      {"Accepted17x15", 17, 15, kDataTypeSigned, 1, 0},
      {"Accepted3x17", 3, 17, kDataTypeSigned, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int32_t precision = c.data_type == kDataTypeSigned ? 16 : 8;
    IpiObject* kernel =
        Array(&kImpulseResponseArrayClass, c.width, c.height, c.data_type, precision, nullptr, 0, c.scale);
    const std::vector<uint8_t> got = Convolve(g, data, g, before, kernel, c.expected);
    if (c.expected != 0) {
      EXPECT_EQ(IpiGetLastError(sys_), c.expected);
      EXPECT_EQ(got, before);
    }
  }
  std::vector<IpiAttribute> words = g.Attributes();
  words.push_back({"dataType", kDataTypeWord});
  IpiObject* box = Kernel(3, 3, std::vector<int16_t>(9, 1), 9);
  IpiObject* destination = Image(g, before);
  EXPECT_EQ(IpiConvolve(sys_, store_->Image(words, nullptr), destination, box), kIpiMismatchDataType);
  EXPECT_EQ(store_->Read(destination), before);
}

// Scales at the ends of their range divide like any other (the quotient is
// rounded half away from zero, then clipped), and a kernel may write over its
// own source: every row is read before it is written.
TEST_P(ConvolveTest, ExtremeScalesAndInPlace) {
  const Geometry g({3});
  const std::vector<uint8_t> data = {255, 128, 1};
  struct Case {
    const char* name;
    int16_t weight;
    intptr_t scale;
    std::vector<uint8_t> expected;
  };
  const Case cases[] = {
      {"LargestScale", 32767, INT32_MAX, {0, 0, 0}},              // 8355585 / 2^31 rounds to 0
      {"SmallestScale", -32768, INT32_MIN, {0, 0, 0}},            // the same, both signs negative
      {"ScaleOne", 32767, 1, {255, 255, 255}},
      {"LastFloatDivisor", 2048, 2048, {255, 128, 1}},
      {"FirstScalarDivisor", 2049, 2049, {255, 128, 1}},
      {"HalfOfLargeDivisor", 16, 4098, {1, 0, 0}},                // 4080 / 4098 rounds to 1, 2048 / 4098 to 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Convolve(g, data, g, std::vector<uint8_t>(3, 9), Kernel(1, 1, {c.weight}, c.scale)), c.expected);
  }

  SetSystem("boundaryCondition", kMirror);
  const Geometry page({23, 17, 2});
  const std::vector<uint8_t> random = RandomBytes(static_cast<size_t>(page.Elements()), 400);
  IpiObject* kernel = Kernel(5, 3, RandomWeights(15, 401, 9), 13);
  const std::vector<uint8_t> apart = Convolve(page, random, page, std::vector<uint8_t>(random.size(), 0), kernel);
  IpiObject* image = Image(page, random);
  ASSERT_EQ(IpiConvolve(sys_, image, image, kernel), 0);
  EXPECT_EQ(store_->Read(image), apart);
}

// The float quotient of the row sums against exact integer division, for
// every divisor it is used with, at the sums where rounding turns (n just
// below and at each multiple of the divisor) and at random sums.
TEST(FloatQuotients, AgreeWithIntegerDivision) {
  std::mt19937 random(5);
  for (int64_t d = 1; d <= kMaxFloatDivisor; ++d) {
    const FloatQuotients q(d);
    auto check = [&](int64_t t) {
      if (t < 0 || t > kQuotientLimit * d + d) return;
      const int64_t exact = std::min<int64_t>((std::min<int64_t>(t, kQuotientLimit * d) + d / 2) / d, kQuotientLimit);
      ASSERT_EQ(q.Quotient(static_cast<float>(t)), exact) << "t " << t << " d " << d;
    };
    for (int64_t k = 0; k <= kQuotientLimit + 1; ++k) {
      const int64_t n = k * d - d / 2;  // t + d/2 = k d: the first t that rounds to k
      check(n - 1);
      check(n);
      check(n + 1);
    }
    for (int i = 0; i < 64; ++i) check(static_cast<int64_t>(random() % static_cast<uint32_t>(kQuotientLimit * d + 1)));
  }
}

}  // namespace
