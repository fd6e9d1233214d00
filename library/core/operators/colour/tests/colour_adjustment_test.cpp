#include <gtest/gtest.h>

#include <cmath>

#include "core/operators/colour/colour_balance.h"
#include "core/operators/colour/hue_saturation.h"
#include "core/operators/colour/tests/colour_test_fixture.h"
#include "core/status.h"

namespace {

using colour_test::Planes;
using colour_test::PixelAt;
using colour_test::Rgb;
using operator_test::Geometry;
using operator_test::RandomBytes;
using operator_test::RandomRegion;
using point_test::PointTest;

class ColourAdjustTest : public PointTest {
 protected:
  // Runs `op(source, destination)` on the pixels and returns the result.
  template <typename Op>
  std::vector<Rgb> Run(const std::vector<Rgb>& pixels, Op op) {
    const std::vector<uint8_t> planes = Planes(pixels);
    const Geometry shape({static_cast<int64_t>(pixels.size()), 1, 1, 1, 3});
    IpiObject* source = Image(shape, &planes);
    IpiObject* destination = Image(shape, nullptr);
    EXPECT_EQ(op(source, destination), 0);
    const std::vector<uint8_t> out = Read(destination);
    std::vector<Rgb> result;
    for (size_t i = 0; i < pixels.size(); ++i) result.push_back(PixelAt(out, pixels.size(), i));
    return result;
  }
};
INSTANTIATE_TEST_SUITE_P(AllRepositories, ColourAdjustTest, point_test::AllRepositories(),
                         point_test::RepositoryParamName);

std::vector<Rgb> Cube(int levels) {
  std::vector<Rgb> pixels;
  for (int r = 0; r < levels; ++r)
    for (int g = 0; g < levels; ++g)
      for (int b = 0; b < levels; ++b) pixels.push_back({r * 255 / (levels - 1), g * 255 / (levels - 1), b * 255 / (levels - 1)});
  return pixels;
}

// --- colour balance ---------------------------------------------------------------

int BalanceShift(int percent) {
  // A percentage of 255, rounded half up, at most 255.
  const int d = std::min(static_cast<int>(std::abs(percent) * 255 / 100.0 + 0.5), 255);
  return percent < 0 ? -d : d;
}

TEST_P(ColourAdjustTest, BalanceShiftsEachBandByItsPercentage) {
  const std::vector<Rgb> pixels = {{10, 10, 10}, {0, 128, 255}, {250, 3, 127}};
  EXPECT_EQ(Run(pixels, [&](IpiObject* s, IpiObject* d) { return IpiColourBalance(sys_, s, d, 0, 0, 0); }), pixels);
  // 100 gives 255, -100 takes everything to 0, 50 gives 128, 1 gives 3.
  EXPECT_EQ(Run(pixels, [&](IpiObject* s, IpiObject* d) { return IpiColourBalance(sys_, s, d, 100, -100, 50); }),
            (std::vector<Rgb>{{255, 0, 138}, {255, 0, 255}, {255, 0, 255}}));
  EXPECT_EQ(Run(pixels, [&](IpiObject* s, IpiObject* d) { return IpiColourBalance(sys_, s, d, 1, -1, -50); }),
            (std::vector<Rgb>{{13, 7, 0}, {3, 125, 127}, {253, 0, 0}}));
}

TEST_P(ColourAdjustTest, BalanceKeepsBandsAndGatesByAllThreeRegionBands) {
  const Geometry source_shape({9, 4, 1, 1, 3}, {0, 0, 0, 0, 5}), destination_shape({7, 5, 1, 1, 4}, {1, 2});
  const std::vector<uint8_t> in = RandomBytes(static_cast<size_t>(source_shape.Elements()), 40);
  const std::vector<uint8_t> before = RandomBytes(static_cast<size_t>(destination_shape.Elements()), 41);
  const std::vector<uint8_t> source_region = RandomRegion(in.size(), 42);
  const std::vector<uint8_t> destination_region = RandomRegion(before.size(), 43);
  IpiObject* source = Image(source_shape, &in);
  IpiObject* destination = Image(destination_shape, &before);
  Region(source, source_shape, source_region);
  Region(destination, destination_shape, destination_region);
  const int shifts[3] = {37, -64, 5};
  ASSERT_EQ(IpiColourBalance(sys_, source, destination, shifts[0], shifts[1], shifts[2]), 0);
  // b match points play no part: band k goes to band k; band 3 of the
  // destination is left alone.
  std::vector<uint8_t> expected = before;
  const Geometry source_plane({9, 4}), destination_plane({7, 5}, {1, 2});
  const int64_t sp = 36, dp = 35;
  operator_test::ForEachReachedElement(source_plane, destination_plane, [&](int64_t d, int64_t s) {
    for (int k = 0; k < 3; ++k) {
      if (source_region[static_cast<size_t>(s + k * sp)] == 0 || destination_region[static_cast<size_t>(d + k * dp)] == 0) return;
    }
    for (int k = 0; k < 3; ++k) {
      expected[static_cast<size_t>(d + k * dp)] =
          static_cast<uint8_t>(std::clamp(in[static_cast<size_t>(s + k * sp)] + BalanceShift(shifts[k]), 0, 255));
    }
  });
  EXPECT_EQ(Read(destination), expected);
}

// --- hue, saturation and lightness -----------------------------------------------------

// The change written with the opponent transform as a matrix, hue as a
// rotation and saturation as a scaling of the chroma vector.
Rgb HueReference(const Rgb& p, int hue, int saturation, int lightness) {
  const double r6 = std::sqrt(6.0);
  const double c[3] = {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0};
  double i = (c[0] + c[1] + c[2]) / 3;
  double x = (-c[0] - c[1] + 2 * c[2]) / r6;
  double y = (c[0] - c[1]) / r6;
  i += lightness / 100.0;
  // The chroma length is scaled as measured before the turn: a length of
  // exactly S_max (pure blue and yellow) is kept, any other raised to the
  // power and multiplied by S_max.
  const double s = std::hypot(x, y), s_max = 2 / r6, f = saturation / 100.0;
  double scaled = s;
  if (f > 0 && s != 0 && s != s_max) scaled = std::min(s_max * std::pow(s, 1 - 2 * f / 3), s_max);
  if (f < 0) scaled = f <= -1 || s == 0 ? 0 : std::pow(s, 1 / (1 + f));
  const double a = hue * M_PI / 180;
  const double xr = x * std::cos(a) - y * std::sin(a);
  const double yr = x * std::sin(a) + y * std::cos(a);
  x = s != 0 ? xr * scaled / s : 0;
  y = s != 0 ? yr * scaled / s : 0;
  const double out[3] = {i - x / r6 + y * r6 / 2, i - x / r6 - y * r6 / 2, i + 2 * x / r6};
  Rgb result;
  for (int k = 0; k < 3; ++k) result[k] = static_cast<int>(std::clamp(out[k] * 255, 0.0, 255.0) + 0.5);
  return result;
}

TEST_P(ColourAdjustTest, NeutralHueSaturationLeavesTheWholeCubeUnchanged) {
  const std::vector<Rgb> cube = Cube(32);
  EXPECT_EQ(Run(cube, [&](IpiObject* s, IpiObject* d) { return IpiHueSaturation(sys_, s, d, 0, 0, 0); }), cube);
}

TEST_P(ColourAdjustTest, HueSaturationLightnessByHand) {
  const auto hue = [&](const std::vector<Rgb>& pixels, int h, int s, int l) {
    return Run(pixels, [&](IpiObject* src, IpiObject* dst) { return IpiHueSaturation(sys_, src, dst, h, s, l); });
  };
  // Half a turn takes red to cyan at the same intensity: (0, 170, 170).
  EXPECT_EQ(hue({{255, 0, 0}}, 180, 0, 0), (std::vector<Rgb>{{0, 170, 170}}));
  // Saturation -100 leaves the intensity: 255 I + 0.5 truncated in every band.
  EXPECT_EQ(hue({{255, 0, 0}, {10, 200, 40}, {1, 2, 4}}, 0, -100, 0),
            (std::vector<Rgb>{{85, 85, 85}, {83, 83, 83}, {2, 2, 2}}));
  // Lightness 100 drives everything to white.
  EXPECT_EQ(hue({{0, 0, 0}, {255, 0, 0}, {12, 34, 56}}, 0, 0, 100),
            (std::vector<Rgb>{{255, 255, 255}, {255, 255, 255}, {255, 255, 255}}));
  // Greys have no chroma: no hue or saturation moves them.
  const std::vector<Rgb> greys = {{0, 0, 0}, {77, 77, 77}, {255, 255, 255}};
  EXPECT_EQ(hue(greys, 90, 50, 0), greys);
  EXPECT_EQ(hue(greys, -45, -60, 0), greys);
}

TEST_P(ColourAdjustTest, HueSaturationMatchesTheOpponentModel) {
  std::vector<Rgb> pixels = Cube(9);
  const std::vector<uint8_t> random = RandomBytes(3 * 300, 50);
  for (size_t i = 0; i < 300; ++i) pixels.push_back({random[3 * i], random[3 * i + 1], random[3 * i + 2]});
  struct Case {
    int h, s, l;
  };
  for (const Case& c : {Case{30, 0, 0}, Case{-150, 40, 0}, Case{0, 100, 0}, Case{0, -50, 20}, Case{75, -100, -30},
                        Case{180, 70, -60}}) {
    SCOPED_TRACE(testing::Message() << c.h << ", " << c.s << ", " << c.l);
    const std::vector<Rgb> got =
        Run(pixels, [&](IpiObject* s, IpiObject* d) { return IpiHueSaturation(sys_, s, d, c.h, c.s, c.l); });
    for (size_t i = 0; i < pixels.size(); ++i) {
      const Rgb want = HueReference(pixels[i], c.h, c.s, c.l);
      // The model's two formulations round differently in the last bit only.
      for (int k = 0; k < 3; ++k) ASSERT_NEAR(got[i][k], want[k], 1) << i << " band " << k;
    }
  }
}

TEST_P(ColourAdjustTest, HueSaturationGatesLikeTheFrame) {
  const Geometry source_shape({11, 3, 1, 1, 3}), destination_shape({9, 4, 1, 1, 3}, {2, 1});
  const std::vector<uint8_t> in = RandomBytes(static_cast<size_t>(source_shape.Elements()), 60);
  const std::vector<uint8_t> before = RandomBytes(static_cast<size_t>(destination_shape.Elements()), 61);
  const std::vector<uint8_t> destination_region = RandomRegion(before.size(), 62);
  IpiObject* source = Image(source_shape, &in);
  IpiObject* destination = Image(destination_shape, &before);
  Region(destination, destination_shape, destination_region);
  ASSERT_EQ(IpiHueSaturation(sys_, source, destination, 120, 0, 0), 0);
  // Hue 120 on the chroma plane permutes the primaries' directions; each
  // reached pixel is compared with the same operator run on it alone.
  const std::vector<uint8_t> got = Read(destination);
  const Geometry source_plane({11, 3}), destination_plane({9, 4}, {2, 1});
  int reached = 0;
  std::vector<Rgb> sources;
  std::vector<int64_t> places;
  std::vector<uint8_t> expected = before;
  operator_test::ForEachReachedElement(source_plane, destination_plane, [&](int64_t d, int64_t s) {
    for (int k = 0; k < 3; ++k) {
      if (destination_region[static_cast<size_t>(d + k * 36)] == 0) return;
    }
    sources.push_back(PixelAt(in, 33, static_cast<size_t>(s)));
    places.push_back(d);
    ++reached;
  });
  ASSERT_GT(reached, 0);
  const std::vector<Rgb> alone =
      Run(sources, [&](IpiObject* s, IpiObject* d) { return IpiHueSaturation(sys_, s, d, 120, 0, 0); });
  for (size_t i = 0; i < places.size(); ++i) {
    for (int k = 0; k < 3; ++k) expected[static_cast<size_t>(places[i] + k * 36)] = static_cast<uint8_t>(alone[i][k]);
  }
  EXPECT_EQ(got, expected);
}

TEST_P(ColourAdjustTest, RefusesImagesWithoutThreeBandsOrBytes) {
  const std::vector<uint8_t> grey(8, 50);
  IpiObject* one_band = Image(Geometry({8}), &grey);
  IpiObject* destination = Image(Geometry({8}), &grey);
  EXPECT_EQ(IpiHueSaturation(sys_, one_band, destination, 10, 0, 0), kIpiInsufficientSize);
  EXPECT_EQ(IpiColourBalance(sys_, one_band, destination, 10, 0, 0), kIpiInsufficientSize);
  const std::vector<uint8_t> planes(24, 50);
  IpiObject* rgb = Image(Geometry({8, 1, 1, 1, 3}), &planes);
  EXPECT_EQ(IpiHueSaturation(sys_, rgb, destination, 10, 0, 0), kIpiInsufficientSize);
  const std::vector<uint8_t> packed(3, 0xAA);
  IpiObject* bitmap = Bitmap(Geometry({8, 1, 1, 1, 3}), kOrderMsbFirst, &packed);
  EXPECT_EQ(IpiHueSaturation(sys_, bitmap, rgb, 10, 0, 0), kIpiMismatchDataType);
  EXPECT_EQ(IpiColourBalance(sys_, rgb, bitmap, 10, 0, 0), kIpiMismatchDataType);
  EXPECT_EQ(Read(destination), grey);
  EXPECT_EQ(Read(rgb), planes);
}

}  // namespace
