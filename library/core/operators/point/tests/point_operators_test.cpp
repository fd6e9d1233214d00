#include "core/operators/point/point_operators.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/operators/point/lookup_table.h"
#include "core/operators/point/tests/point_test_fixture.h"
#include "core/status.h"

namespace {

using operator_test::Geometry;
using operator_test::GetElement;
using operator_test::RandomBytes;
using operator_test::RandomRegion;
using point_test::PointTest;

class PointOperatorTest : public PointTest {
 protected:
  // The table a LookupTable object of `entries` x `bands` holds after the
  // brightness and contrast builder, one run per band.
  std::vector<uint8_t> BuildTable(int64_t entries, int32_t bands, double b, double c) {
    IpiObject* table = Table(entries, nullptr, bands);
    EXPECT_EQ(IpiBuildBrightnessContrastTable(sys_, table, b, c), 0);
    return Read(table);
  }
  // Applies `run` to a 0..255 ramp and returns the result.
  template <typename Run>
  std::vector<uint8_t> OnRamp(Run run) {
    std::vector<uint8_t> ramp(256);
    for (int v = 0; v < 256; ++v) ramp[static_cast<size_t>(v)] = static_cast<uint8_t>(v);
    IpiObject* source = Image(Geometry({16, 16}), &ramp);
    IpiObject* destination = Image(Geometry({16, 16}), nullptr);
    EXPECT_EQ(run(source, destination), 0);
    return Read(destination);
  }
};
INSTANTIATE_TEST_SUITE_P(AllRepositories, PointOperatorTest, point_test::AllRepositories(),
                         point_test::RepositoryParamName);

// --- invert and solarize ------------------------------------------------------------

TEST_P(PointOperatorTest, InvertsBytesOverTheOverlapUnderTheRegions) {
  const Geometry source_shape({13, 3, 1, 1, 2}), destination_shape({11, 4, 1, 1, 2}, {2, 1, 0, 0, 1});
  const std::vector<uint8_t> in = RandomBytes(static_cast<size_t>(source_shape.Elements()), 1);
  const std::vector<uint8_t> before = RandomBytes(static_cast<size_t>(destination_shape.Elements()), 2);
  const std::vector<uint8_t> source_region = RandomRegion(in.size(), 3);
  const std::vector<uint8_t> destination_region = RandomRegion(before.size(), 4);
  IpiObject* source = Image(source_shape, &in);
  IpiObject* destination = Image(destination_shape, &before);
  Region(source, source_shape, source_region);
  Region(destination, destination_shape, destination_region);
  ASSERT_EQ(IpiInvert(sys_, source, destination), 0);
  EXPECT_EQ(Read(destination), point_test::Reference(source_shape, destination_shape, before, &source_region,
                                                     &destination_region, 8, kOrderMsbFirst, [&](int64_t s, int64_t) {
                                                       return 255u - in[static_cast<size_t>(s)];
                                                     }));
}

// Rows 13 bits wide start inside a byte; the two images may differ in bit
// order; the destination holds data, and every reached bit becomes the
// complement of its source bit whatever it held.
TEST_P(PointOperatorTest, InvertsBitmapsWhoseRowsStartInsideAByte) {
  const Geometry source_shape({13, 3, 2}), destination_shape({13, 4, 2}, {3, 1, 0});
  uint32_t seed = 20;
  for (const int32_t source_order : {kOrderMsbFirst, kOrderLsbFirst}) {
    for (const int32_t destination_order : {kOrderMsbFirst, kOrderLsbFirst}) {
      for (const bool gated : {false, true}) {
        SCOPED_TRACE(testing::Message() << source_order << " to " << destination_order << (gated ? " gated" : ""));
        const std::vector<uint8_t> in = RandomBytes(point_test::BitBytes(source_shape.Elements()), ++seed);
        const std::vector<uint8_t> before = RandomBytes(point_test::BitBytes(destination_shape.Elements()), ++seed);
        IpiObject* source = Bitmap(source_shape, source_order, &in);
        IpiObject* destination = Bitmap(destination_shape, destination_order, &before);
        std::vector<uint8_t> source_region, destination_region;
        if (gated) {
          source_region = RandomRegion(static_cast<size_t>(source_shape.Elements()), ++seed);
          destination_region = RandomRegion(static_cast<size_t>(destination_shape.Elements()), ++seed);
          Region(source, source_shape, source_region);
          Region(destination, destination_shape, destination_region);
        }
        ASSERT_EQ(IpiInvert(sys_, source, destination), 0);
        const auto expected = point_test::Reference(
            source_shape, destination_shape, before, gated ? &source_region : nullptr,
            gated ? &destination_region : nullptr, 1, destination_order,
            [&](int64_t s, int64_t) { return 1u - static_cast<uint32_t>(GetElement(in, s, 1, source_order)); });
        EXPECT_EQ(Read(destination), expected);
      }
    }
  }
}

TEST_P(PointOperatorTest, SolarizeFoldsTheUpperHalf) {
  const std::vector<uint8_t> out = OnRamp([&](IpiObject* s, IpiObject* d) { return IpiSolarize(sys_, s, d); });
  for (int v = 0; v < 256; ++v) EXPECT_EQ(out[static_cast<size_t>(v)], v <= 127 ? v : 255 - v) << v;
  EXPECT_EQ(out[127], 127);
  EXPECT_EQ(out[128], 127);
  EXPECT_EQ(out[255], 0);
}

TEST_P(PointOperatorTest, RefusesMixedOrUnsupportedTypesWithoutWriting) {
  const std::vector<uint8_t> bytes(16, 9);
  const std::vector<uint8_t> packed = {0x12, 0x34};
  IpiObject* image = Image(Geometry({4, 4}), &bytes);
  IpiObject* bitmap = Bitmap(Geometry({4, 4}), kOrderMsbFirst, &packed);
  EXPECT_EQ(IpiInvert(sys_, image, bitmap), kIpiMismatchDataType);
  EXPECT_EQ(IpiInvert(sys_, bitmap, image), kIpiMismatchDataType);
  EXPECT_EQ(IpiSolarize(sys_, bitmap, image), kIpiMismatchDataType);
  IpiObject* unordered =
      Image(Geometry({4, 4}), &packed, {{"dataType", kDataTypeBoolean}, {"dataPrecision", 1}, {"bitOrder", 1}});
  EXPECT_EQ(IpiInvert(sys_, bitmap, unordered), kIpiNonPermissibleOption);
  EXPECT_EQ(Read(image), bytes);
  EXPECT_EQ(Read(bitmap), packed);
  EXPECT_EQ(Read(unordered), packed);
}

// --- blend ---------------------------------------------------------------------------

TEST_P(PointOperatorTest, BlendWeightsSumTo256) {
  const std::vector<uint8_t> white(4, 255);
  const std::vector<uint8_t> grey = {100, 100, 0, 255};
  const std::vector<uint8_t> other = {200, 0, 255, 255};
  struct Case {
    double ratio;
    std::vector<uint8_t> first, second, expected;
  };
  const Case cases[] = {
      {0.0, white, white, white},
      {0.3, white, white, white},  // 76 + 180; 76 + 179 would give 254
      {1.0, white, white, white},
      {0.5, grey, other, {150, 50, 128, 255}},
      {0.3, grey, other, {170, 30, 179, 255}},  // (100 x 76 + 200 x 180 + 128) >> 8 = 170
      {1.0, grey, other, grey},
      {0.0, grey, other, other},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ratio);
    IpiObject* destination = Image(Geometry({4}), nullptr);
    ASSERT_EQ(IpiBlend(sys_, Image(Geometry({4}), &c.first), Image(Geometry({4}), &c.second), destination, c.ratio), 0);
    EXPECT_EQ(Read(destination), c.expected);
  }
}

TEST_P(PointOperatorTest, BlendTakesTheIntersectionUnderThreeRegions) {
  const Geometry first_shape({12, 4}, {1, 0}), second_shape({10, 5}, {0, 1}), destination_shape({11, 5});
  const std::vector<uint8_t> a = RandomBytes(static_cast<size_t>(first_shape.Elements()), 31);
  const std::vector<uint8_t> b = RandomBytes(static_cast<size_t>(second_shape.Elements()), 32);
  const std::vector<uint8_t> before = RandomBytes(static_cast<size_t>(destination_shape.Elements()), 33);
  const std::vector<uint8_t> ra = RandomRegion(a.size(), 34), rb = RandomRegion(b.size(), 35),
                             rd = RandomRegion(before.size(), 36);
  IpiObject* first = Image(first_shape, &a);
  IpiObject* second = Image(second_shape, &b);
  IpiObject* destination = Image(destination_shape, &before);
  Region(first, first_shape, ra);
  Region(second, second_shape, rb);
  Region(destination, destination_shape, rd);
  ASSERT_EQ(IpiBlend(sys_, first, second, destination, 0.7), 0);  // weights 179 and 77
  std::vector<uint8_t> expected = before;
  operator_test::ForEachReachedElement(first_shape, destination_shape, [&](int64_t d, int64_t s1) {
    int64_t c[5];
    point_test::Coordinates(destination_shape, d, c);
    for (int i = 0; i < 5; ++i) c[i] -= destination_shape.match[i] - second_shape.match[i];
    if (!second_shape.Contains(c)) return;
    const int64_t s2 = second_shape.Index(c);
    if (ra[static_cast<size_t>(s1)] == 0 || rb[static_cast<size_t>(s2)] == 0 || rd[static_cast<size_t>(d)] == 0) return;
    expected[static_cast<size_t>(d)] =
        static_cast<uint8_t>((a[static_cast<size_t>(s1)] * 179 + b[static_cast<size_t>(s2)] * 77 + 128) >> 8);
  });
  EXPECT_EQ(Read(destination), expected);
}

TEST_P(PointOperatorTest, BlendRefusesRatiosOutsideTheUnitRange) {
  const std::vector<uint8_t> v(4, 10);
  IpiObject* destination = Image(Geometry({4}), &v);
  for (const double ratio : {-0.01, 1.01, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_EQ(IpiBlend(sys_, Image(Geometry({4}), &v), Image(Geometry({4}), &v), destination, ratio), kIpiOutOfRange);
  }
  EXPECT_EQ(Read(destination), v);
}

// --- gamma ---------------------------------------------------------------------------

TEST_P(PointOperatorTest, GammaTablesFollowTheirRules) {
  // Gamma 1 as the entry points pass it: A = 1, B = 1 / gamma, C = D = E = 0.
  std::vector<uint8_t> out =
      OnRamp([&](IpiObject* s, IpiObject* d) { return IpiGammaCorrect(sys_, s, d, kGammaForward, 1, 1, 0, 0, 0); });
  for (int v = 0; v < 256; ++v) ASSERT_EQ(out[static_cast<size_t>(v)], v);

  out = OnRamp(
      [&](IpiObject* s, IpiObject* d) { return IpiGammaCorrect(sys_, s, d, kGammaForward, 1, 1 / 2.2, 0, 0, 0); });
  for (int v = 0; v < 256; ++v) {
    ASSERT_EQ(out[static_cast<size_t>(v)], static_cast<int>(255 * std::pow(v / 255.0, 1 / 2.2) + 0.5)) << v;
  }
  // A linear toe below E = 0.1 with slope D = 2, a curve 1.1 x^0.5 - 0.1 above it.
  out = OnRamp(
      [&](IpiObject* s, IpiObject* d) { return IpiGammaCorrect(sys_, s, d, kGammaForward, 1.1, 0.5, -0.1, 2, 0.1); });
  for (int v = 0; v < 256; ++v) {
    const double x = v / 255.0;
    const double f = x < 0.1 ? 2 * x : 1.1 * std::sqrt(x) - 0.1;
    ASSERT_EQ(out[static_cast<size_t>(v)], static_cast<int>(std::clamp(255 * f + 0.5, 0.0, 255.0))) << v;
  }
  // The inverse of gamma 2.2: ((x - 0) / 1)^(1 / 2.2)... with B = 2.2 it is x^(1/2.2).
  out = OnRamp(
      [&](IpiObject* s, IpiObject* d) { return IpiGammaCorrect(sys_, s, d, kGammaInverse, 1, 2.2, 0, 0, 0); });
  for (int v = 0; v < 256; ++v) {
    ASSERT_EQ(out[static_cast<size_t>(v)], static_cast<int>(255 * std::pow(v / 255.0, 1 / 2.2) + 0.5)) << v;
  }
  // Degenerate inverse parameters divide by zero: the table is still defined
  // (NaN gives 0, infinities the ends) and the run is clean under UBSan.
  for (const auto& p : {std::array<double, 3>{0, 1, 1}, std::array<double, 3>{1, 0, 1}, std::array<double, 3>{1, 1, 0}}) {
    out = OnRamp([&](IpiObject* s, IpiObject* d) {
      return IpiGammaCorrect(sys_, s, d, kGammaInverse, p[0], p[1], 0, p[2], 1);
    });
    EXPECT_EQ(out.size(), 256u);
  }
}

TEST_P(PointOperatorTest, GammaRefusesUnknownRulesAndLeavesOtherTypes) {
  const std::vector<uint8_t> in(16, 100), before(16, 5);
  const std::vector<uint8_t> packed = {0x0F, 0xF0};
  IpiObject* source = Image(Geometry({4, 4}), &in);
  IpiObject* destination = Image(Geometry({4, 4}), &before);
  IpiObject* bitmap = Bitmap(Geometry({4, 4}), kOrderMsbFirst, &packed);
  EXPECT_EQ(IpiGammaCorrect(sys_, source, destination, 244, 1, 1, 0, 0, 0), kIpiOutOfRange);
  EXPECT_EQ(IpiApplyGammaTable(sys_, source, destination, 0, 1, 1, 0, 0, 0), kIpiOutOfRange);
  // Gamma on a bitmap does nothing and succeeds, whatever the rule.
  EXPECT_EQ(IpiGammaCorrect(sys_, bitmap, bitmap, kGammaForward, 1, 0.5, 0, 0, 0), kIpiNoError);
  EXPECT_EQ(IpiGammaCorrect(sys_, source, bitmap, kGammaForward, 1, 0.5, 0, 0, 0), kIpiNoError);
  EXPECT_EQ(IpiGammaCorrect(sys_, bitmap, destination, 244, 1, 0.5, 0, 0, 0), kIpiNoError);
  // The table itself still wants 8-bit images.
  EXPECT_EQ(IpiApplyGammaTable(sys_, bitmap, bitmap, kGammaForward, 1, 0.5, 0, 0, 0), kIpiMismatchDataType);
  EXPECT_EQ(Read(destination), before);
  EXPECT_EQ(Read(bitmap), packed);
}

// --- brightness and contrast -----------------------------------------------------------

TEST_P(PointOperatorTest, NeutralBrightnessAndContrastIsTheIdentity) {
  const std::vector<uint8_t> table = BuildTable(256, 1, 0, 0);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(table[static_cast<size_t>(i)], i);  // 0 stays 0, 255 stays 255
  const std::vector<uint8_t> out =
      OnRamp([&](IpiObject* s, IpiObject* d) { return IpiBrightnessContrast(sys_, s, d, 0, 0); });
  for (int v = 0; v < 256; ++v) ASSERT_EQ(out[static_cast<size_t>(v)], v);
}

// The curve written out from its definition, ends included, truncated.
uint8_t CurveEntry(int64_t i, int64_t n, double b, double c) {
  const double p = 0.5 - 0.2 * b, q = 0.5 + 0.2 * b, k = c + 1;
  const double x = static_cast<double>(i) / static_cast<double>(n - 1);
  const double top = static_cast<double>(n - 1);
  // Below the pivot: Q (x / P)^(K P / Q); from it on: 1 - P ((1 - x) / Q)^(K Q / P).
  const double y = (i == 0 || (x < p && i != n - 1)) ? q * std::pow(x / p, k * p / q)
                                                     : 1 - p * std::pow((1 - x) / q, k * q / p);
  return static_cast<uint8_t>(std::clamp(std::trunc(top * y + 1e-9), 0.0, 255.0));
}

TEST_P(PointOperatorTest, BrightnessAndContrastFollowTheTwoPieceCurve) {
  // Brightness 100: the pivot moves to (0.3, 0.7); in an 11-entry table entry
  // 3 (x = 0.3) is 7.
  EXPECT_EQ(BuildTable(11, 1, 1, 0)[3], 7);
  // Contrast -100: slope 0, the constant Q = 0.5 of the range, ends included.
  EXPECT_EQ(BuildTable(256, 1, 0, -1), std::vector<uint8_t>(256, 127));
  struct Case {
    double b, c;
  };
  for (const Case& s : {Case{1, 0}, Case{0, -1}, Case{-0.4, 0.6}, Case{0.25, -0.5}, Case{-1, 1}}) {
    SCOPED_TRACE(testing::Message() << s.b << ", " << s.c);
    const std::vector<uint8_t> table = BuildTable(256, 3, s.b, s.c);
    ASSERT_EQ(table.size(), 768u);
    for (int64_t i = 0; i < 256; ++i) {
      const uint8_t expected = CurveEntry(i, 256, s.b, s.c);
      for (int band = 0; band < 3; ++band) ASSERT_EQ(table[static_cast<size_t>(band * 256 + i)], expected) << i;
    }
    const std::vector<uint8_t> out =
        OnRamp([&](IpiObject* src, IpiObject* dst) { return IpiBrightnessContrast(sys_, src, dst, s.b, s.c); });
    EXPECT_EQ(out, std::vector<uint8_t>(table.begin(), table.begin() + 256));
  }
}

TEST_P(PointOperatorTest, BrightnessTableRefusesWhatItCannotFill) {
  const std::vector<uint8_t> one = {9};
  IpiObject* tiny = Table(1, &one);
  EXPECT_EQ(IpiBuildBrightnessContrastTable(sys_, tiny, 0, 0), kIpiOutOfRange);
  EXPECT_EQ(Read(tiny), one);
  const std::vector<uint8_t> words(256 * 4, 0);
  IpiObject* word_table = store_->Make(&kLookupTableClass, {{"dataType", kDataTypeWord}, {"dataPrecision", 32}}, &words);
  EXPECT_EQ(IpiBuildBrightnessContrastTable(sys_, word_table, 0, 0), kIpiMismatchDataType);
  const std::vector<uint8_t> packed = {1, 2};
  IpiObject* bitmap = Bitmap(Geometry({4, 4}), kOrderMsbFirst, &packed);
  EXPECT_EQ(IpiBrightnessContrast(sys_, bitmap, bitmap, 0.5, 0.5), kIpiMismatchDataType);
  EXPECT_EQ(Read(bitmap), packed);
}

}  // namespace
