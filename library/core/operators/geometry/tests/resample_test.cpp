#include "core/operators/geometry/resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/tuple.h"
#include "core/operators/geometry/geometry_codes.h"
#include "core/operators/geometry/interpolating_kernels.h"
#include "core/operators/geometry/tests/geometry_test_support.h"
#include "core/status.h"
#include "tests/support/test_support.h"

namespace {

using geometry_test::Geometry;
using geometry_test::Picture;
using geometry_test::RandomPicture;

// --- the reference, written from the definitions ------------------------------------------

struct Windows {
  int64_t so[5] = {}, ss[5] = {}, dof[5] = {}, ds[5] = {};
};

// Windows with sizes of 0 replaced by the images' extents.
Windows Resolve(Windows w, const Picture& s, const Picture& d) {
  for (int k = 0; k < 5; ++k) {
    if (w.ss[k] == 0) w.ss[k] = s.geometry.extent[k];
    if (w.ds[k] == 0) w.ds[k] = d.geometry.extent[k];
  }
  return w;
}

// The position (d + 0.5 - o_d) x ss / ds + o_s (minus one half when
// interpolating) as an exact fraction p / q, q > 0.
struct Position {
  int64_t p, q;
  int64_t Truncated() const { return p / q; }  // toward zero
};
Position MapPosition(const Windows& w, int k, int64_t d, bool interpolating) {
  const int64_t q = 2 * w.ds[k];
  int64_t p = (2 * (d - w.dof[k]) + 1) * w.ss[k] + q * w.so[k];
  if (interpolating) p -= w.ds[k];
  return {p, q};
}

// Weights of the taps for the fraction of a position (0 when it is not above 0).
std::vector<int32_t> TapWeights(int32_t method, const Position& u) {
  const int64_t i0 = u.Truncated();
  const int64_t rest = u.p > 0 ? u.p - i0 * u.q : 0;
  if (method == kInterpolationBilinear) {
    const int32_t w1 = static_cast<int32_t>(std::floor(256.0 * static_cast<double>(rest) / static_cast<double>(u.q) + 0.5));
    return {256 - w1, w1};
  }
  int32_t w[4];
  const double f = static_cast<double>(rest) / static_cast<double>(u.q);
  if (method == kInterpolationBSpline) {
    IpiBSplineWeights(f, w);
  } else {
    IpiCubicConvolutionWeights(f, w);
  }
  return {w[0], w[1], w[2], w[3]};
}
std::vector<int64_t> TapIndices(int32_t method, int64_t i0, int64_t last) {
  if (method == kInterpolationBilinear) return {i0, std::min(i0 + 1, last)};
  return {std::max<int64_t>(i0 - 1, 0), i0, std::min(i0 + 1, last), std::min(i0 + 2, last)};
}

struct Decision {
  int32_t morphology = 0;
  int64_t threshold = 32768;
};

// Every method but the area average, element by element.
Picture Expected(int32_t method, const Picture& s, const Picture& before, Windows w, const Decision& decision,
                 const std::vector<uint8_t>* source_region = nullptr,
                 const std::vector<uint8_t>* destination_region = nullptr) {
  w = Resolve(w, s, before);
  Picture d = before;
  const bool interpolating = method != kInterpolationNearest;
  const auto& se = s.geometry.extent;
  const auto& de = before.geometry.extent;
  int64_t first[5], last[5];
  for (int k = 0; k < 5; ++k) {
    first[k] = std::max<int64_t>(w.dof[k], 0);
    last[k] = std::min(de[k] - 1, w.dof[k] + w.ds[k] - 1);
  }
  auto inside = [&](int k, int64_t v) { return v >= 0 && v < se[k]; };
  for (int64_t b = first[4]; b <= last[4]; ++b)
    for (int64_t t = first[3]; t <= last[3]; ++t)
      for (int64_t z = first[2]; z <= last[2]; ++z) {
        const int64_t sb = MapPosition(w, 4, b, false).Truncated();
        const int64_t st = MapPosition(w, 3, t, false).Truncated();
        const int64_t sz = MapPosition(w, 2, z, false).Truncated();
        if (!inside(4, sb) || !inside(3, st) || !inside(2, sz)) continue;
        for (int64_t y = first[1]; y <= last[1]; ++y) {
          const Position v = MapPosition(w, 1, y, interpolating);
          const int64_t j0 = v.Truncated();
          if (!inside(1, j0)) continue;
          for (int64_t x = first[0]; x <= last[0]; ++x) {
            const Position u = MapPosition(w, 0, x, interpolating);
            const int64_t i0 = u.Truncated();
            if (!inside(0, i0)) continue;
            if (!interpolating) {
              d.at(x, y, z, t, b) = s.at(i0, j0, sz, st, sb);
              continue;
            }
            const std::vector<int64_t> cols = TapIndices(method, i0, se[0] - 1);
            const std::vector<int64_t> rows = TapIndices(method, j0, se[1] - 1);
            if (source_region != nullptr && (*source_region)[s.Index(i0, rows[0], sz, st, sb)] == 0) continue;
            if (destination_region != nullptr && (*destination_region)[d.Index(x, y, z, t, b)] == 0) continue;
            const std::vector<int32_t> wx = TapWeights(method, u);
            const std::vector<int32_t> wy = TapWeights(method, v);
            int64_t sum = 0;
            for (size_t r = 0; r < rows.size(); ++r)
              for (size_t c = 0; c < cols.size(); ++c) {
                const uint8_t value = s.at(cols[c], rows[r], sz, st, sb);
                const int64_t product = int64_t{wx[c]} * wy[r];
                if (!s.is_bits()) {
                  sum += value * product;
                } else if (value == (decision.morphology == kMorphologyKeepZeros ? 0 : 1)) {
                  sum += product;
                }
              }
            if (!s.is_bits()) {
              const int64_t level = (sum + 32768) >> 16;
              d.at(x, y, z, t, b) = static_cast<uint8_t>(std::clamp<int64_t>(level, 0, 255));
            } else if (decision.morphology == kMorphologyKeepZeros) {
              d.at(x, y, z, t, b) = sum > decision.threshold ? 0 : 1;
            } else {
              d.at(x, y, z, t, b) = sum >= decision.threshold ? 1 : 0;
            }
          }
        }
      }
  return d;
}

class ResampleTest : public geometry_test::GeometryTest {
 protected:
  IpiObject* Tuple(const int64_t v[5]) {
    return IpiCreateTuple5(sys_, static_cast<int32_t>(v[0]), static_cast<int32_t>(v[1]), static_cast<int32_t>(v[2]),
                           static_cast<int32_t>(v[3]), static_cast<int32_t>(v[4]));
  }
  // Resamples `s` into an image holding `before` with the windows `w` through
  // the front; returns the destination's values.
  Picture Run(int32_t method, const Picture& s, const Picture& before, const Windows& w, int expected = 0,
              bool has_data = true) {
    SetSystem("interpolation", method);
    IpiObject* src = Make(s);
    IpiObject* dst = Make(before, has_data);
    EXPECT_EQ(IpiResample(sys_, src, dst, Tuple(w.so), Tuple(w.ss), Tuple(w.dof), Tuple(w.ds)), expected);
    return Read(dst, before);
  }
};
GEOMETRY_INSTANTIATE_ALL_REPOSITORIES(ResampleTest);

const int32_t kInterpolatingMethods[] = {kInterpolationBilinear, kInterpolationBSpline, kInterpolationCubicConvolution};

TEST_P(ResampleTest, WholeImageAndWindowCutsAreExactCopies) {
  for (const int32_t type : {kDataTypeNonnegative, kDataTypeBoolean}) {
    SCOPED_TRACE(type);
    const Picture s = RandomPicture(Geometry({13, 5, 1, 1, 2}), type, kOrderLsbFirst, 1);
    SetSystem("interpolation", kInterpolationNearest);
    IpiObject* src = Make(s);
    IpiObject* dst = Make(Picture(s.geometry, type, kOrderMsbFirst), false);
    ASSERT_EQ(IpiResampleImage(sys_, src, dst), 0);
    EXPECT_EQ(Read(dst, Picture(s.geometry, type, kOrderMsbFirst)).values, s.values);
    // A window of 4 x 3 at (6, 1) cut into an image of its size: a ratio of 1
    // puts every position on an element, where the bilinear and cubic
    // convolution weights are (256, 0) and (0, 256, 0, 0). (The B-spline
    // smooths even there.)
    for (const int32_t method : {191, 192, 195}) {
      SCOPED_TRACE(method);
      SetSystem("interpolation", method);
      Picture cut(Geometry({4, 3, 1, 1, 2}), type);
      IpiObject* window = Make(cut, false);
      ASSERT_EQ(IpiResampleWindow(sys_, src, window, IpiCreateTuple5(sys_, 6, 1, 0, 0, 0),
                                  IpiCreateTuple5(sys_, 4, 3, 0, 0, 0)),
                0);
      for (int64_t b = 0; b < 2; ++b)
        for (int64_t y = 0; y < 3; ++y)
          for (int64_t x = 0; x < 4; ++x) cut.at(x, y, 0, 0, b) = s.at(x + 6, y + 1, 0, 0, b);
      EXPECT_EQ(Read(window, cut).values, cut.values);
    }
  }
}

// Enlarging by 2: positions 0.25, 0.75, 1.25, 1.75 take columns 0, 0, 1, 1.
TEST_P(ResampleTest, NearestDoublingRepeatsEachElement) {
  Picture s(Geometry({2, 1}), kDataTypeNonnegative);
  s.values = {10, 20};
  Picture d(Geometry({4, 1}), kDataTypeNonnegative);
  EXPECT_EQ(Run(kInterpolationNearest, s, d, Windows{}, 0, false).values, (std::vector<uint8_t>{10, 10, 20, 20}));
}

// Windows of every kind against the reference: offsets below 0, windows past
// either image's edge, ratios above and below 1, two-level rows starting and
// ending inside bytes (the bits around the window, in the same bytes, keep
// their values), several planes mapped by nearest.
TEST_P(ResampleTest, MatchesTheReferenceOverWindowsMethodsAndForms) {
  struct Form {
    int32_t type, order;
  };
  const Form forms[] = {{kDataTypeNonnegative, kOrderMsbFirst},
                        {kDataTypeBoolean, kOrderMsbFirst},
                        {kDataTypeBoolean, kOrderLsbFirst}};
  struct Case {
    const char* name;
    int64_t sw, sh, dw, dh;
    Windows w;
  };
  const Case cases[] = {
      {"WholeUp", 5, 4, 13, 9, {}},
      {"WholeDown", 17, 11, 6, 4, {}},
      {"Half", 26, 10, 13, 5, {}},
      {"Double", 24, 5, 48, 10, {}},
      {"DoubleOddRows", 23, 3, 46, 7, {}},
      {"Quarter", 36, 9, 9, 3, {}},
      {"OddRatios", 7, 5, 11, 3, {}},
      {"SourceWindow", 13, 9, 10, 7, {{3, 2}, {7, 5}, {}, {}}},
      {"DestinationWindowInsideBytes", 9, 6, 21, 7, {{}, {}, {3, 1}, {11, 4}}},
      {"NegativeOffsets", 9, 6, 12, 8, {{-2, -1}, {8, 5}, {-3, -2}, {10, 9}}},
      {"PastTheEdges", 6, 5, 12, 8, {{2, 1}, {9, 7}, {5, 4}, {20, 9}}},
      {"Planes", 6, 4, 9, 5, {{0, 0, 0, 0, 1}, {0, 0, 0, 0, 2}, {}, {0, 0, 0, 0, 3}}},
  };
  uint32_t seed = 10;
  for (const Form& form : forms) {
    for (const int32_t method : {191, 192, 194, 195}) {
      for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " type " << form.type << " order " << form.order << " method "
                                        << method);
        const int64_t bands = std::string(c.name) == "Planes" ? 3 : 2;
        const Picture s = RandomPicture(Geometry({c.sw, c.sh, 1, 1, bands}), form.type, form.order, seed++);
        const Picture before = RandomPicture(Geometry({c.dw, c.dh, 1, 1, bands}), form.type, form.order, seed++);
        const Picture got = Run(method, s, before, c.w);
        EXPECT_EQ(got.values, Expected(method, s, before, c.w, {}).values);
      }
    }
  }
}

// Weights sum to the full scale, so a flat area keeps its level at any ratio
// (truncated weights gave 254 and 253 for bilinear at thirds, 249-251 for
// the B-spline, and an overshoot for cubic convolution).
TEST_P(ResampleTest, FlatAreasStayFlat) {
  struct Size {
    int64_t sw, sh, dw, dh;
  };
  const Size sizes[] = {{4, 3, 12, 9}, {5, 7, 13, 4}, {16, 16, 7, 6}, {1, 1, 5, 3}};
  for (const int32_t method : {192, 194, 195, 272}) {
    for (const uint8_t level : {1, 128, 255}) {
      for (const Size& z : sizes) {
        SCOPED_TRACE(testing::Message() << method << " level " << int{level} << " " << z.sw << "x" << z.sh << " to "
                                        << z.dw << "x" << z.dh);
        Picture s(Geometry({z.sw, z.sh}), kDataTypeNonnegative);
        std::fill(s.values.begin(), s.values.end(), level);
        const Picture got = Run(method, s, Picture(Geometry({z.dw, z.dh}), kDataTypeNonnegative), {}, 0, false);
        EXPECT_EQ(got.values, std::vector<uint8_t>(got.values.size(), level));
      }
    }
  }
}

// Cubic convolution overshoots across a sharp edge and is clamped; the
// B-spline stays between the levels it interpolates.
TEST_P(ResampleTest, OvershootIsClamped) {
  Picture s(Geometry({8, 1}), kDataTypeNonnegative);
  s.values = {0, 0, 0, 0, 255, 255, 255, 255};
  Picture d(Geometry({32, 1}), kDataTypeNonnegative);
  const Picture convolved = Run(kInterpolationCubicConvolution, s, d, {}, 0, false);
  EXPECT_EQ(convolved.values, Expected(kInterpolationCubicConvolution, s, d, {}, {}).values);
  // Both clamps are reached: left of the edge the sum is below 0, right of it above 255.
  EXPECT_EQ(convolved.values[13], 0);
  EXPECT_EQ(convolved.values[18], 255);
  Picture ramp(Geometry({8, 1}), kDataTypeNonnegative);
  ramp.values = {10, 10, 10, 10, 200, 200, 200, 200};
  const Picture spline = Run(kInterpolationBSpline, ramp, d, {}, 0, false);
  EXPECT_GE(*std::min_element(spline.values.begin(), spline.values.end()), 10);
  EXPECT_LE(*std::max_element(spline.values.begin(), spline.values.end()), 200);
  const Picture overshoot = Run(kInterpolationCubicConvolution, ramp, d, {}, 0, false);
  EXPECT_LT(*std::min_element(overshoot.values.begin(), overshoot.values.end()), 10);
}

// The area average of a 2 x 2 block is its mean rounded (1, 2, 3, 4 gives 3,
// where truncation gave 2); enlarging keeps every level.
TEST_P(ResampleTest, AreaAverageRoundsTheMean) {
  Picture s(Geometry({4, 2}), kDataTypeNonnegative);
  s.values = {1, 2, 10, 20, 3, 4, 30, 41};
  Picture d(Geometry({2, 1}), kDataTypeNonnegative);
  EXPECT_EQ(Run(kInterpolationAreaAverage, s, d, {}, 0, false).values, (std::vector<uint8_t>{3, 25}));
  // Ratio 3/7 in x and 2/5 in y: every destination element lies within one
  // source element or straddles two of equal value in its row. The elements
  // past the last source element's start are written too (the last row and
  // columns of an enlargement).
  Picture steps(Geometry({3, 2}), kDataTypeNonnegative);
  steps.values = {7, 7, 7, 9, 9, 9};
  Picture big(Geometry({7, 5}), kDataTypeNonnegative);
  const Picture got = Run(kInterpolationAreaAverage, steps, big, {}, 0, false);
  for (int64_t x = 0; x < 7; ++x) {
    EXPECT_EQ(got.at(x, 0), 7);
    EXPECT_EQ(got.at(x, 1), 7);
    EXPECT_EQ(got.at(x, 2), 8);  // half of each row
    EXPECT_EQ(got.at(x, 3), 9);
    EXPECT_EQ(got.at(x, 4), 9);
  }
}

// Area average windows: a reduction by 3 x 2 of a window, and elements whose
// cover runs past the source's last column reading the last column.
TEST_P(ResampleTest, AreaAverageCoversWindowsAndEdges) {
  const Picture s = RandomPicture(Geometry({10, 6}), kDataTypeNonnegative, kOrderMsbFirst, 71);
  Windows w{{1, 2}, {9, 4}, {}, {}};
  const Picture got = Run(kInterpolationAreaAverage, s, Picture(Geometry({3, 2}), kDataTypeNonnegative), w, 0, false);
  for (int64_t y = 0; y < 2; ++y)
    for (int64_t x = 0; x < 3; ++x) {
      int sum = 0;
      for (int64_t j = 0; j < 2; ++j)
        for (int64_t i = 0; i < 3; ++i) sum += s.at(1 + 3 * x + i, 2 + 2 * y + j);
      EXPECT_EQ(got.at(x, y), (sum + 3) / 6) << x << " " << y;
    }
  // A 12-column window over a 10-column source: the last destination element
  // covers columns 8..11, of which 10 and 11 read column 9.
  Picture row(Geometry({10, 1}), kDataTypeNonnegative);
  for (int64_t x = 0; x < 10; ++x) row.at(x, 0) = static_cast<uint8_t>(10 * x);
  Windows wide{{}, {12, 1}, {}, {}};
  const Picture third = Run(kInterpolationAreaAverage, row, Picture(Geometry({3, 1}), kDataTypeNonnegative), wide, 0, false);
  EXPECT_EQ(third.values, (std::vector<uint8_t>{15, 55, 88}));  // (80 + 90 + 90 + 90) / 4 = 87.5
}

// Regions gate the interpolating kernels that take them, against the
// reference: the source region at column i0 of the neighbourhood's first
// row, the destination region at the element written.
TEST_P(ResampleTest, RegionsGateTheInterpolatingKernels) {
  uint32_t seed = 80;
  for (const int32_t type : {kDataTypeNonnegative, kDataTypeBoolean}) {
    for (const int32_t method : kInterpolatingMethods) {
      if (type == kDataTypeBoolean && method == kInterpolationBilinear) continue;
      for (const int mode : {1, 4, 5}) {
        SCOPED_TRACE(testing::Message() << type << " " << method << " mode " << mode);
        const Picture s = RandomPicture(Geometry({7, 6}), type, kOrderLsbFirst, seed++);
        const Picture before = RandomPicture(Geometry({11, 9}), type, kOrderMsbFirst, seed++);
        SetSystem("interpolation", method);
        IpiObject* src = Make(s);
        IpiObject* dst = Make(before);
        const std::vector<uint8_t> sr = operator_test::RandomRegion(s.values.size(), seed++);
        const std::vector<uint8_t> dr = operator_test::RandomRegion(before.values.size(), seed++);
        if (mode & 1) Region(src, sr);
        if (mode & 4) Region(dst, dr);
        ASSERT_EQ(IpiResampleImage(sys_, src, dst), 0);
        EXPECT_EQ(Read(dst, before).values,
                  Expected(method, s, before, {}, {}, (mode & 1) ? &sr : nullptr, (mode & 4) ? &dr : nullptr).values);
      }
    }
  }
}

TEST_P(ResampleTest, RefusalsWriteNothing) {
  const Picture bytes = RandomPicture(Geometry({4, 3}), kDataTypeNonnegative, kOrderMsbFirst, 90);
  const Picture bits = RandomPicture(Geometry({4, 3}), kDataTypeBoolean, kOrderMsbFirst, 91);
  struct Case {
    const char* name;
    int32_t method;
    bool is_bits;
    int region;  // 0, 1 source, 4 destination
    int expected;
  };
  const Case cases[] = {
      {"UnknownMethod", 193, false, 0, kIpiNonPermissibleOption},
      {"NearestWithSourceRegion", 191, false, 1, kIpiMismatchDataType},
      {"NearestWithDestinationRegion", 191, true, 4, kIpiMismatchDataType},
      {"AreaAverageWithRegion", 272, false, 4, kIpiMismatchDataType},
      {"AreaAverageOfBits", 272, true, 0, kIpiMismatchDataType},
      {"BilinearBitsWithRegion", 192, true, 1, kIpiMismatchDataType},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Picture& p = c.is_bits ? bits : bytes;
    SetSystem("interpolation", c.method);
    Picture other = p;
    for (uint8_t& v : other.values) v = static_cast<uint8_t>(c.is_bits ? v ^ 1 : v + 1);
    IpiObject* src = Make(other);
    IpiObject* dst = Make(p);
    const std::vector<uint8_t> open(p.values.size(), 1);
    if (c.region == 1) Region(src, open);
    if (c.region == 4) Region(dst, open);
    EXPECT_EQ(IpiResampleImage(sys_, src, dst), c.expected);
    EXPECT_EQ(IpiGetLastError(sys_), c.expected);
    EXPECT_EQ(Read(dst, p).values, p.values);
  }
  // Mismatched types; a size below 0 in a tuple; an unreadable tuple.
  SetSystem("interpolation", kInterpolationNearest);
  IpiObject* byte_image = Make(bytes);
  IpiObject* bit_image = Make(bits);
  EXPECT_EQ(IpiResampleImage(sys_, bit_image, byte_image), kIpiMismatchDataType);
  EXPECT_EQ(IpiResampleWindow(sys_, byte_image, byte_image, nullptr, IpiCreateTuple5(sys_, -2, 0, 0, 0, 0)),
            kIpiOutOfRange);
  EXPECT_EQ(IpiResample(sys_, byte_image, byte_image, nullptr, nullptr, nullptr, IpiCreateTuple5(sys_, 0, -1, 0, 0, 0)),
            kIpiOutOfRange);
  IpiObject* not_a_tuple = Make(bytes);
  EXPECT_NE(IpiResampleWindow(sys_, byte_image, byte_image, not_a_tuple, nullptr), 0);
  EXPECT_EQ(Read(byte_image, bytes).values, bytes.values);
  const IpiResampleWindows zero_size{};
  EXPECT_EQ(IpiResampleNearest(sys_, byte_image, byte_image, zero_size), kIpiOutOfRange);
}

// Windows at the ends of the 32-bit range: positions are computed without
// overflow and whatever lies outside the source is skipped.
TEST_P(ResampleTest, ExtremeWindowsStayInRange) {
  const Picture s = RandomPicture(Geometry({6, 5}), kDataTypeNonnegative, kOrderMsbFirst, 140);
  const Picture before = RandomPicture(Geometry({5, 4}), kDataTypeNonnegative, kOrderMsbFirst, 141);
  const int64_t big = INT32_MAX;
  const int64_t small = INT32_MIN;
  const Windows cases[] = {
      {{small, small}, {big, big}, {}, {}},
      {{big, big}, {big, big}, {small, small}, {big, big}},
      {{}, {big, 1}, {}, {}},
      {{small, 0}, {1, 1}, {}, {big, big}},
  };
  for (const int32_t method : {191, 192, 194, 195, 272}) {
    for (const Windows& w : cases) {
      SCOPED_TRACE(method);
      (void)Run(method, s, before, w);
    }
  }
  // A window far wider than the source, averaged into one element: every
  // element past the last reads the last, in one step rather than one by one.
  Picture row(Geometry({3, 1}), kDataTypeNonnegative);
  row.values = {0, 0, 200};
  const Picture one = Run(kInterpolationAreaAverage, row, Picture(Geometry({1, 1}), kDataTypeNonnegative),
                          {{}, {big, 1}, {}, {}}, 0, false);
  EXPECT_EQ(one.values, std::vector<uint8_t>{200});
}

// A 1-bit image whose "bitOrder" is neither 135 nor 150 has no way to find
// its bits: refused rather than read as zeros.
TEST_P(ResampleTest, UnknownBitOrderIsRefused) {
  const Picture good = RandomPicture(Geometry({9, 3}), kDataTypeBoolean, kOrderMsbFirst, 150);
  Picture odd = good;
  odd.bit_order = 7;
  SetSystem("interpolation", kInterpolationNearest);
  IpiObject* dst = Make(good);
  EXPECT_EQ(IpiResampleImage(sys_, Make(odd), dst), kIpiOutOfRange);
  EXPECT_EQ(Read(dst, good).values, good.values);
  EXPECT_EQ(IpiResampleImage(sys_, Make(good), Make(odd)), kIpiOutOfRange);
}

// --- two-level decisions ------------------------------------------------------------------

// Ratio 2/3 puts destination column 1 exactly half-way between source
// columns 0 and 1: with either of them set, the ones carry half the full
// weight, 32768, and the bit becomes 1.
TEST_P(ResampleTest, TwoLevelExactHalfBecomesOne) {
  for (const std::vector<uint8_t>& row : {std::vector<uint8_t>{1, 0}, std::vector<uint8_t>{0, 1}}) {
    Picture s(Geometry({2, 1}), kDataTypeBoolean);
    s.values = row;
    Picture d(Geometry({3, 1}), kDataTypeBoolean);
    EXPECT_EQ(Run(kInterpolationBilinear, s, d, {}, 0, false).at(1, 0), 1);
  }
}

// Reduction by 4 with thin-feature rules: bilinear taps columns and rows 1
// and 2 of each 4 x 4 block with weights 128 each. A single 0 at (1, 1)
// carries 16384: with code 71 and the cube ramp (threshold 1) it wins; with
// no rule the ones (49152) win. Code 46 keeps a single 1 likewise.
TEST_P(ResampleTest, ThinFeaturesSurviveReduction) {
  struct Case {
    const char* name;
    int32_t morphology;
    uint8_t background;
    uint8_t expected;
  };
  const Case cases[] = {
      {"KeepZeros", kMorphologyKeepZeros, 1, 0},
      {"NoRuleOnes", kMorphologyNone, 1, 1},
      {"KeepOnes", kMorphologyKeepOnes, 0, 1},
      {"NoRuleZeros", kMorphologyNone, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetSystem("morphologicalOperation", c.morphology);
    SetSystem("thresholdRamp", kRampCube);
    Picture s(Geometry({8, 8}), kDataTypeBoolean, kOrderLsbFirst);
    std::fill(s.values.begin(), s.values.end(), c.background);
    s.at(1, 1) = static_cast<uint8_t>(1 - c.background);
    const Picture got = Run(kInterpolationBilinear, s, Picture(Geometry({2, 2}), kDataTypeBoolean), {}, 0, false);
    EXPECT_EQ(got.at(0, 0), c.expected);
    EXPECT_EQ(got.at(1, 0), c.background);
    EXPECT_EQ(got.at(1, 1), c.background);
  }
  // Random pictures under each rule and ramp against the reference.
  uint32_t seed = 100;
  for (const int32_t method : kInterpolatingMethods) {
    for (const int32_t morphology : {0, 46, 71}) {
      for (const int32_t ramp : {42, 181, 211, 7}) {
        SCOPED_TRACE(testing::Message() << method << " " << morphology << " " << ramp);
        SetSystem("morphologicalOperation", morphology);
        SetSystem("thresholdRamp", ramp);
        SetSystem("interpolation", method);
        const Decision decision{morphology, static_cast<int64_t>(IpiRampWeight(sys_, 17.0 / 7.0, 2.0))};
        const Picture s = RandomPicture(Geometry({17, 12}), kDataTypeBoolean, kOrderMsbFirst, seed++);
        const Picture before = RandomPicture(Geometry({7, 6}), kDataTypeBoolean, kOrderLsbFirst, seed++);
        EXPECT_EQ(Run(method, s, before, {}).values, Expected(method, s, before, {}, decision).values);
      }
    }
  }
}

TEST(RampWeight, FallsWithTheReductionByRamp) {
  IpiSystem* sys = IpiOpenSystem(nullptr);
  ASSERT_NE(sys, nullptr);
  auto set = [&](const char* name, intptr_t value) {
    const IpiAttribute entry{name, value};
    ASSERT_EQ(IpiSetSystemAttributes(sys, &entry, 1), 0);
  };
  struct Case {
    int32_t morphology, interpolation, ramp;
    double ratio;
    double expected;
  };
  const Case cases[] = {
      {0, 192, 42, 4.0, 32768},         // no rule: half the full weight
      {46, 192, 42, 0.5, 32768},        // enlarging
      {46, 192, 42, 1.0, 32768},        // d = 0
      {46, 192, 42, 1.5, 32768 * 0.125 * 0.125},
      {46, 192, 42, 2.0, 1},            // d = m: w = 0, never below 1
      {71, 192, 42, 4.0, 1},            // d > m
      {46, 192, 211, 2.0, 1},
      {46, 194, 211, 2.0, 32768 * (2.0 / 3) * (2.0 / 3)},
      {46, 194, 181, 2.5, 32768 * 0.25 * 0.25},
      {46, 195, 42, 4.0, 1},            // d = 3 = m
      {46, 195, 7, 2.5, 1061.68},       // cosine: 0.18 per axis
      {46, 194, 7, 1.0, 32768},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.morphology << " " << c.interpolation << " " << c.ramp << " " << c.ratio);
    set("morphologicalOperation", c.morphology);
    set("interpolation", c.interpolation);
    set("thresholdRamp", c.ramp);
    EXPECT_NEAR(IpiRampWeight(sys, c.ratio, c.ratio), c.expected, 0.01);
  }
  set("morphologicalOperation", 46);
  set("interpolation", 195);
  set("thresholdRamp", 7);
  EXPECT_EQ(static_cast<int64_t>(IpiRampWeight(sys, 2.5, 2.5)), 1061);
  EXPECT_EQ(IpiCloseSystem(sys), 0);
}

TEST(InterpolationWeights, SumToTheFullScaleAndKeepTheirShape) {
  for (int step = 0; step < 256; ++step) {
    const double f = step / 256.0;
    SCOPED_TRACE(f);
    int32_t spline[4], convolution[4];
    IpiBSplineWeights(f, spline);
    IpiCubicConvolutionWeights(f, convolution);
    EXPECT_EQ(spline[0] + spline[1] + spline[2] + spline[3], 256);
    EXPECT_EQ(convolution[0] + convolution[1] + convolution[2] + convolution[3], 256);
    for (const int32_t w : spline) EXPECT_GE(w, 0);
    EXPECT_LE(convolution[0], 0);
    EXPECT_LE(convolution[3], 0);
  }
  struct Case {
    double f;
    int32_t spline[4];
    int32_t convolution[4];
  };
  const Case cases[] = {
      {0.0, {43, 170, 43, 0}, {0, 256, 0, 0}},
      {0.5, {5, 123, 123, 5}, {-16, 144, 144, -16}},
      {0.25, {18, 156, 81, 1}, {-18, 222, 58, -6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.f);
    int32_t spline[4], convolution[4];
    IpiBSplineWeights(c.f, spline);
    IpiCubicConvolutionWeights(c.f, convolution);
    EXPECT_EQ(std::vector<int32_t>(spline, spline + 4), std::vector<int32_t>(c.spline, c.spline + 4));
    EXPECT_EQ(std::vector<int32_t>(convolution, convolution + 4), std::vector<int32_t>(c.convolution, c.convolution + 4));
  }
}

// --- oracles --------------------------------------------------------------------------------

// ImageMagick samples (-sample) with the same nearest positions, and
// interpolates an enlargement with the triangle, Catmull-Rom (cubic
// convolution, a = -0.5) and B-spline filters at the same positions. It keeps
// more precision and drops taps past the edges instead of repeating the edge,
// so levels may differ by the rounding of our 1/256 weights and the
// comparison of the cubic kernels leaves out the elements whose taps reach
// past an edge (4 at this ratio).
TEST_P(ResampleTest, AgreesWithImageMagick) {
  struct Case {
    int32_t method;
    const char* options;
    int tolerance;
    int border;
  };
  const Case cases[] = {{kInterpolationNearest, "-sample 23x17!", 0, 0},
                        {kInterpolationBilinear, "-filter Triangle -resize 23x17!", 1, 0},
                        {kInterpolationCubicConvolution, "-filter Catrom -resize 23x17!", 2, 4},
                        {kInterpolationBSpline, "-filter Spline -resize 23x17!", 2, 4}};
  testing_support::ScopedTempDir dir;
  // Levels within 64..191 keep the first (horizontal) pass of the cubic
  // kernels within range: ImageMagick clamps between its passes.
  Picture s = RandomPicture(Geometry({9, 7}), kDataTypeNonnegative, kOrderMsbFirst, 120);
  for (uint8_t& v : s.values) v = static_cast<uint8_t>(64 + v / 2);
  const std::string in = dir.File("in.pgm");
  const std::string out = dir.File("out.pgm");
  geometry_test::WritePnm(in, s);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    ASSERT_EQ(testing_support::RunCommand("convert-im6.q16 " + in + " " + c.options + " -depth 8 " + out), 0);
    Picture oracle;
    ASSERT_TRUE(geometry_test::ReadPnm(out, kDataTypeNonnegative, oracle));
    ASSERT_EQ(oracle.width(), 23);
    const Picture got = Run(c.method, s, Picture(oracle.geometry, kDataTypeNonnegative), {}, 0, false);
    for (int64_t y = c.border; y < 17 - c.border; ++y)
      for (int64_t x = c.border; x < 23 - c.border; ++x) {
        EXPECT_NEAR(got.at(x, y), oracle.at(x, y), c.tolerance) << x << " " << y;
      }
  }
}

// pamscale mixes pixels by the area each covers (with -linear, on the levels
// as they stand rather than on light intensities): the area average, up to
// the rounding of a half level.
TEST_P(ResampleTest, AreaAverageAgreesWithPamscale) {
  testing_support::ScopedTempDir dir;
  const Picture s = RandomPicture(Geometry({31, 23}), kDataTypeNonnegative, kOrderMsbFirst, 130);
  const std::string in = dir.File("in.pgm");
  const std::string out = dir.File("out.pgm");
  geometry_test::WritePnm(in, s);
  for (const char* size : {"-xsize 12 -ysize 9", "-xsize 47 -ysize 30"}) {
    SCOPED_TRACE(size);
    ASSERT_EQ(testing_support::RunCommand("pamscale -linear " + std::string(size) + " " + in + " > " + out), 0);
    Picture oracle;
    ASSERT_TRUE(geometry_test::ReadPnm(out, kDataTypeNonnegative, oracle));
    const Picture got = Run(kInterpolationAreaAverage, s, Picture(oracle.geometry, kDataTypeNonnegative), {}, 0, false);
    for (size_t e = 0; e < got.values.size(); ++e) EXPECT_NEAR(got.values[e], oracle.values[e], 1) << e;
  }
}

}  // namespace
