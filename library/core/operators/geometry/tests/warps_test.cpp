#include "core/operators/geometry/warps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "core/codes.h"
#include "core/operators/geometry/flips_and_turns.h"
#include "core/operators/geometry/geometry_codes.h"
#include "core/operators/geometry/tests/geometry_test_support.h"
#include "core/status.h"

namespace {

using geometry_test::Geometry;
using geometry_test::Picture;
using geometry_test::RandomPicture;
using geometry_test::SameValues;

using Terms = std::array<double, kWarpTerms>;

// The terms of the mapping, in their order, written out.
Terms TermValues(double x, double y) {
  return {1, x, y, x * x, x * y, y * y, x * x * x, x * x * y, x * y * y, y * y * y,
          x * x * x * y, x * x * y * y, x * y * y * y, x * x * y * y * y, x * x * x * y * y, x * x * x * y * y * y};
}

// Naive reference: every destination element of the shared planes takes its
// source position from the full sums, tests it, and samples it.
Picture Expected(int32_t method, const Picture& s, const Picture& before, const Terms& a, const Terms& b,
                 const std::vector<uint8_t>* source_region = nullptr,
                 const std::vector<uint8_t>* destination_region = nullptr) {
  Picture d = before;
  const auto& se = s.geometry.extent;
  const auto& de = before.geometry.extent;
  for (int64_t p = 0; p < de[4]; ++p)
    for (int64_t t = 0; t < de[3]; ++t)
      for (int64_t z = 0; z < de[2]; ++z) {
        const int64_t sp = p + s.geometry.match[4] - before.geometry.match[4];
        const int64_t st = t + s.geometry.match[3] - before.geometry.match[3];
        const int64_t sz = z + s.geometry.match[2] - before.geometry.match[2];
        if (sp < 0 || sp >= se[4] || st < 0 || st >= se[3] || sz < 0 || sz >= se[2]) continue;
        for (int64_t y = 0; y < de[1]; ++y)
          for (int64_t x = 0; x < de[0]; ++x) {
            const Terms v = TermValues(static_cast<double>(x), static_cast<double>(y));
            double c = 0, r = 0;
            for (int i = 0; i < kWarpTerms; ++i) {
              c += a[static_cast<size_t>(i)] * v[static_cast<size_t>(i)];
              r += b[static_cast<size_t>(i)] * v[static_cast<size_t>(i)];
            }
            if (!(c > -1 && c < se[0] && r > -1 && r < se[1])) continue;
            const int64_t col0 = static_cast<int64_t>(std::trunc(c));
            const int64_t row0 = static_cast<int64_t>(std::trunc(r));
            if (source_region != nullptr && (*source_region)[s.Index(col0, row0, sz, st, sp)] == 0) continue;
            if (destination_region != nullptr && (*destination_region)[d.Index(x, y, z, t, p)] == 0) continue;
            if (method == kInterpolationNearest) {
              d.at(x, y, z, t, p) = s.at(col0, row0, sz, st, sp);
              continue;
            }
            const int wx1 = c > 0 ? static_cast<int>(std::floor((c - col0) * 256 + 0.5)) : 0;
            const int wy1 = r > 0 ? static_cast<int>(std::floor((r - row0) * 256 + 0.5)) : 0;
            const int wx[2] = {256 - wx1, wx1};
            const int wy[2] = {256 - wy1, wy1};
            const int64_t cols[2] = {col0, std::min(col0 + 1, se[0] - 1)};
            const int64_t rows[2] = {row0, std::min(row0 + 1, se[1] - 1)};
            int64_t sum = 0;
            for (int j = 0; j < 2; ++j)
              for (int i = 0; i < 2; ++i) {
                const int64_t weight = wx[i] * wy[j];
                const uint8_t value = s.at(cols[i], rows[j], sz, st, sp);
                sum += s.is_bits() ? (value != 0 ? weight : 0) : value * weight;
              }
            d.at(x, y, z, t, p) = s.is_bits() ? (sum >= 32768 ? 1 : 0) : static_cast<uint8_t>((sum + 32768) >> 16);
          }
      }
  return d;
}

class WarpTest : public geometry_test::GeometryTest {
 protected:
  Picture Run(int32_t method, const Picture& s, const Picture& before, const Terms& a, const Terms& b,
              bool has_data = true, int expected = 0) {
    SetSystem("interpolation", method);
    IpiObject* src = Make(s);
    IpiObject* dst = Make(before, has_data);
    EXPECT_EQ(IpiWarpAffine(sys_, src, dst, a.data(), b.data()), expected);
    return Read(dst, before);
  }
  Picture Rotate(int32_t method, const Picture& s, const Picture& before, int32_t cx, int32_t cy, double angle) {
    SetSystem("interpolation", method);
    IpiObject* src = Make(s);
    IpiObject* dst = Make(before, false);
    EXPECT_EQ(IpiRotateByAngle(sys_, src, dst, cx, cy, angle), 0);
    return Read(dst, before);
  }
  Picture Turn(int32_t code, const Picture& s, const Picture& before) {
    IpiObject* src = Make(s);
    IpiObject* dst = Make(before, false);
    EXPECT_EQ(IpiFlipOrTurn(sys_, src, dst, code), 0);
    return Read(dst, before);
  }
};
GEOMETRY_INSTANTIATE_ALL_REPOSITORIES(WarpTest);

const Terms kIdentityA = {0, 1};
const Terms kIdentityB = {0, 0, 1};

TEST_P(WarpTest, IdentityCopiesTheOverlap) {
  for (const int32_t type : {kDataTypeNonnegative, kDataTypeBoolean}) {
    for (const int32_t method : {kInterpolationNearest, kInterpolationBilinear}) {
      SCOPED_TRACE(testing::Message() << type << " " << method);
      const Picture s = RandomPicture(Geometry({11, 5}), type, kOrderLsbFirst, 1);
      const Picture before = RandomPicture(Geometry({13, 4}), type, kOrderMsbFirst, 2);
      Picture expected = before;
      for (int64_t y = 0; y < 4; ++y)
        for (int64_t x = 0; x < 11; ++x) expected.at(x, y) = s.at(x, y);
      EXPECT_EQ(Run(method, s, before, kIdentityA, kIdentityB).values, expected.values);
    }
  }
}

// Rotations by 0, a quarter and a half turn about the centre of an odd-sized
// picture are the identity and the quarter and half turns.
TEST_P(WarpTest, RightAngleRotationsAreTurns) {
  for (const int32_t type : {kDataTypeNonnegative, kDataTypeBoolean}) {
    for (const int32_t method : {kInterpolationNearest, kInterpolationBilinear}) {
      SCOPED_TRACE(testing::Message() << type << " " << method);
      const Picture s = RandomPicture(Geometry({9, 5}), type, kOrderMsbFirst, 3);
      EXPECT_EQ(Rotate(method, s, Picture(s.geometry, type), 4, 2, 0.0).values, s.values);
      // Source column cx - (y - cy), row cy + (x - cx): with cx = cy = 4 the
      // turn whose row 0 is the right column read top to bottom.
      const Picture turned(Geometry({5, 9}), type, kOrderLsbFirst);
      const Picture quarter = Rotate(method, s, turned, 4, 4, std::numbers::pi / 2);
      EXPECT_EQ(quarter.values, Turn(kTurnQuarterLeft, s, turned).values);
      for (int64_t y = 0; y < 9; ++y)
        for (int64_t x = 0; x < 5; ++x) ASSERT_EQ(quarter.at(x, y), s.at(4 - (y - 4), 4 + (x - 4)));
      EXPECT_EQ(Rotate(method, s, Picture(s.geometry, type), 4, 2, std::numbers::pi).values,
                Turn(kTurnHalf, s, Picture(s.geometry, type)).values);
      EXPECT_EQ(Rotate(method, s, turned, 2, 2, -std::numbers::pi / 2).values,
                Turn(kTurnQuarterRight, s, turned).values);
    }
  }
}

// Polynomials of every order against the reference, for both kernels and
// data types: the kernel picked must evaluate every term that is set.
TEST_P(WarpTest, PolynomialsMatchTheReference) {
  struct Case {
    const char* name;
    Terms a, b;
  };
  // Coefficients with many digits, so no position lands on an element's edge,
  // where the order of the additions could decide the element.
  const Case cases[] = {
      {"Skew", {0.5173, 1.0137, 0.3119}, {-0.7041, 0.0533, 0.9311}},
      {"QuadraticOnly", {0.3117, 0.9013, 0.1031, 0.0113, -0.0041, 0.0023}, {-0.2071, 0.0519, 1.1003, -0.0031, 0.0121, 0.0061}},
      {"Cubic", {0.2137, 0.8071, 0.1013, 0.0107, 0.0021, -0.0031, 0.00041, -0.00023, 0.00031, 0.00011},
       {0.1093, 0.0217, 0.9041, 0.0043, -0.0021, 0.0103, -0.00011, 0.00031, 0.00023, -0.00041}},
      {"Bicubic", {0.4109, 1.0013, 0.0517, 0, 0.0011, 0, 0, 0, 0, 0, 1.07e-5, -2.03e-5, 1.01e-5, 3.1e-6, -1.03e-6, 2.1e-7},
       {0.3071, 0.1013, 0.8537, 0, 0, 0.0021, 0, 0, 0, 0, -1.03e-5, 2.07e-5, 1.01e-5, -2.1e-6, 1.03e-6, -1.1e-7}},
  };
  uint32_t seed = 10;
  for (const int32_t type : {kDataTypeNonnegative, kDataTypeBoolean}) {
    for (const int32_t method : {kInterpolationNearest, kInterpolationBilinear}) {
      for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << type << " " << method);
        const Picture s = RandomPicture(Geometry({17, 13, 1, 1, 2}), type, kOrderLsbFirst, seed++);
        const Picture before = RandomPicture(Geometry({19, 14, 1, 1, 2}), type, kOrderMsbFirst, seed++);
        EXPECT_TRUE(SameValues(Run(method, s, before, c.a, c.b), Expected(method, s, before, c.a, c.b)));
      }
    }
  }
  // The quadratic terms move elements: a warp that dropped them would copy.
  const Picture s = RandomPicture(Geometry({17, 13}), kDataTypeNonnegative, kOrderMsbFirst, 20);
  const Terms square = {0, 0.5, 0, 0.05};
  EXPECT_NE(Run(kInterpolationNearest, s, s, square, kIdentityB).values, s.values);
}

// A hand case: position (0.25, 0.5) between 0, 100 / 200, 255 weighs
// (192, 64) across and (128, 128) down: (6400 x 128 + 54720 x 128 + 32768) >> 16 = 119.
// A flat area of 255 at fractions 1/3 stays 255 (truncated weights gave 253).
TEST_P(WarpTest, BilinearWeightsSumToTheFullScale) {
  Picture s(Geometry({2, 2}), kDataTypeNonnegative);
  s.values = {0, 100, 200, 255};
  const Picture one(Geometry({1, 1}), kDataTypeNonnegative);
  EXPECT_EQ(Run(kInterpolationBilinear, s, one, {0.25}, {0.5}, false).values, std::vector<uint8_t>{119});
  Picture flat(Geometry({6, 6}), kDataTypeNonnegative);
  std::fill(flat.values.begin(), flat.values.end(), 255);
  const Terms third_a = {1.0 / 3, 1.0 / 3};
  const Terms third_b = {1.0 / 3, 0, 1.0 / 3};
  const Picture got = Run(kInterpolationBilinear, flat, Picture(Geometry({12, 12}), kDataTypeNonnegative), third_a,
                          third_b, false);
  EXPECT_EQ(got.values, std::vector<uint8_t>(got.values.size(), 255));
  // Two-level: 1-neighbours carrying exactly half the weight give 1.
  Picture bits(Geometry({2, 1}), kDataTypeBoolean);
  bits.values = {0, 1};
  EXPECT_EQ(Run(kInterpolationBilinear, bits, Picture(Geometry({1, 1}), kDataTypeBoolean), {0.5}, {0}, false).values,
            std::vector<uint8_t>{1});
}

// Positions that are huge or not a number fall outside: nothing is written
// and nothing is converted out of range.
TEST_P(WarpTest, HugeAndNotANumberPositionsAreOutside) {
  const Picture s = RandomPicture(Geometry({9, 7}), kDataTypeNonnegative, kOrderMsbFirst, 30);
  const Picture before = RandomPicture(Geometry({9, 7}), kDataTypeNonnegative, kOrderMsbFirst, 31);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const Terms cases[][2] = {
      {{1e300, 1}, kIdentityB},
      {{nan, 1}, kIdentityB},
      {kIdentityA, {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1e300}},
      {{0, inf}, kIdentityB},
      {{0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -inf}, kIdentityB},
  };
  for (const auto& c : cases) {
    for (const int32_t method : {kInterpolationNearest, kInterpolationBilinear}) {
      // (Where a huge term is multiplied by 0 the position is an element's.)
      EXPECT_EQ(Run(method, s, before, c[0], c[1]).values, Expected(method, s, before, c[0], c[1]).values);
    }
  }
  SetSystem("interpolation", kInterpolationNearest);
  IpiObject* src = Make(s);
  IpiObject* dst = Make(before);
  EXPECT_EQ(IpiRotateByAngle(sys_, src, dst, 3, 3, nan), 0);
  EXPECT_EQ(Read(dst, before).values, before.values);
}

// Only the planes both images share through their z, t and b match points
// are written; x and y match points do not enter the mapping.
TEST_P(WarpTest, PlanesFollowTheMatchPoints) {
  const Picture s = RandomPicture(Geometry({6, 5, 2, 1, 3}, {4, 0, 1, 0, 0}), kDataTypeNonnegative, kOrderMsbFirst, 40);
  const Picture before = RandomPicture(Geometry({6, 5, 2, 1, 3}, {0, 0, 0, 0, 1}), kDataTypeNonnegative, kOrderMsbFirst, 41);
  const Terms a = {0.5137, 0.9071, 0.2013};
  const Terms b = {0.1093, -0.1031, 1.0117};
  for (const int32_t method : {kInterpolationNearest, kInterpolationBilinear}) {
    EXPECT_TRUE(SameValues(Run(method, s, before, a, b), Expected(method, s, before, a, b)));
  }
}

TEST_P(WarpTest, RegionsGateTheElements) {
  uint32_t seed = 50;
  const Terms a = {1.3071, 0.8013, -0.2039, 0.0107};
  const Terms b = {-0.4013, 0.1517, 0.9531};
  for (const int32_t type : {kDataTypeNonnegative, kDataTypeBoolean}) {
    for (const int32_t method : {kInterpolationNearest, kInterpolationBilinear}) {
      for (const int mode : {1, 4, 5}) {
        SCOPED_TRACE(testing::Message() << type << " " << method << " mode " << mode);
        const Picture s = RandomPicture(Geometry({10, 8}), type, kOrderMsbFirst, seed++);
        const Picture before = RandomPicture(Geometry({12, 9}), type, kOrderLsbFirst, seed++);
        SetSystem("interpolation", method);
        IpiObject* src = Make(s);
        IpiObject* dst = Make(before);
        const std::vector<uint8_t> sr = operator_test::RandomRegion(s.values.size(), seed++);
        const std::vector<uint8_t> dr = operator_test::RandomRegion(before.values.size(), seed++);
        if (mode & 1) Region(src, sr);
        if (mode & 4) Region(dst, dr);
        ASSERT_EQ(IpiWarpAffine(sys_, src, dst, a.data(), b.data()), 0);
        EXPECT_EQ(Read(dst, before).values,
                  Expected(method, s, before, a, b, (mode & 1) ? &sr : nullptr, (mode & 4) ? &dr : nullptr).values);
      }
    }
  }
}

TEST_P(WarpTest, RefusalsWriteNothing) {
  const Picture bytes = RandomPicture(Geometry({4, 3}), kDataTypeNonnegative, kOrderMsbFirst, 60);
  const Picture bits = RandomPicture(Geometry({4, 3}), kDataTypeBoolean, kOrderMsbFirst, 61);
  for (const int32_t method : {193, 194, 272}) {
    EXPECT_EQ(Run(method, bytes, bytes, kIdentityA, kIdentityB, true, kIpiNonPermissibleOption).values, bytes.values);
  }
  EXPECT_EQ(Run(kInterpolationNearest, bits, bytes, kIdentityA, kIdentityB, true, kIpiMismatchDataType).values,
            bytes.values);
  EXPECT_EQ(IpiWarpAffine(sys_, Make(bytes), Make(bytes), nullptr, kIdentityB.data()), kIpiOutOfRange);
  Picture odd = bits;
  odd.bit_order = 7;
  IpiObject* dst = Make(bits);
  EXPECT_EQ(IpiWarpAffine(sys_, Make(odd), dst, kIdentityA.data(), kIdentityB.data()), kIpiOutOfRange);
  EXPECT_EQ(Read(dst, bits).values, bits.values);
}

}  // namespace
