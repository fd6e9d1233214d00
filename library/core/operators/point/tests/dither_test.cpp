#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "core/operators/point/error_diffusion.h"
#include "core/operators/point/ordered_dither.h"
#include "core/operators/point/tests/point_test_fixture.h"
#include "core/status.h"

namespace {

using operator_test::Geometry;
using operator_test::GetElement;
using operator_test::RandomBytes;
using operator_test::RandomRegion;
using operator_test::SetElement;
using point_test::Coordinates;
using point_test::Open;
using point_test::PointTest;

class DitherTest : public PointTest {
 protected:
  IpiObject* DitherArray(int64_t width, int64_t height, int32_t scale, const std::vector<uint8_t>& entries) {
    return store_->Make(&kDitherArrayClass,
                        {{"xDimension", static_cast<intptr_t>(width)},
                         {"yDimension", static_cast<intptr_t>(height)},
                         {"scaleFactor", scale},
                         {"dataType", kDataTypeNonnegative},
                         {"dataPrecision", 8}},
                        &entries);
  }
  IpiObject* Bayer() {
    return DitherArray(kBayerSize, kBayerSize, kBayerScaleFactor,
                       std::vector<uint8_t>(std::begin(kBayerMatrix), std::end(kBayerMatrix)));
  }
};
INSTANTIATE_TEST_SUITE_P(AllRepositories, DitherTest, point_test::AllRepositories(), point_test::RepositoryParamName);

const std::vector<uint8_t> kBayer(std::begin(kBayerMatrix), std::end(kBayerMatrix));

// --- ordered dither ---------------------------------------------------------------

TEST_P(DitherTest, OrderedDitherOfFlatGreySetsHalfOfEveryTile) {
  const std::vector<uint8_t> flat(64, 128);
  IpiObject* source = Image(Geometry({8, 8}), &flat);
  IpiObject* bitmap = Bitmap(Geometry({8, 8}), kOrderMsbFirst, nullptr);
  ASSERT_EQ(IpiOrderedDither(sys_, source, bitmap, Bayer(), nullptr), 0);
  // 128 x 16 > d x 256 exactly where d < 8: eight of the sixteen entries.
  const std::vector<uint8_t> bits = Read(bitmap);
  for (int64_t e = 0; e < 64; ++e) {
    const int d = kBayerMatrix[(e / 8 % 4) * 4 + e % 8 % 4];
    EXPECT_EQ(GetElement(bits, e, 1, kOrderMsbFirst), d < 8 ? 1u : 0u) << e;
  }
  // Two levels (step 255): 128 x 16 = 2048 > d x 255 for d <= 8, nine entries.
  IpiObject* levels = Image(Geometry({8, 8}), nullptr);
  ASSERT_EQ(IpiOrderedDither(sys_, source, levels, Bayer(), Levels({2})), 0);
  const std::vector<uint8_t> values = Read(levels);
  for (int64_t e = 0; e < 64; ++e) {
    const int d = kBayerMatrix[(e / 8 % 4) * 4 + e % 8 % 4];
    EXPECT_EQ(values[static_cast<size_t>(e)], d <= 8 ? 255 : 0) << e;
  }
}

// The rules as written, per element at its source coordinates: the array is
// tiled over the source, not the destination.
uint32_t OrderedReference(uint8_t v, int64_t sx, int64_t sy, int64_t band, const std::vector<uint8_t>& entries,
                          int64_t width, int64_t height, int64_t scale, const int32_t* levels) {
  const int64_t d = entries[static_cast<size_t>(sy % height * width + sx % width)];
  if (levels == nullptr) return v * scale > d * 256 ? 1u : 0u;
  const int64_t step = 255 / (levels[band] - 1);
  const int64_t base = v / step * step;
  const int64_t level = (v - base) * scale > d * step ? base + step : base;
  return static_cast<uint32_t>(std::min<int64_t>(level, 255));
}

TEST_P(DitherTest, OrderedDitherTilesOverSourceCoordinatesUnderTheRegions) {
  // An odd array (3 x 2, scale 7) so that tiling by destination coordinates
  // or a swapped axis would show.
  const std::vector<uint8_t> entries = {0, 30, 11, 25, 4, 17};
  const Geometry source_shape({13, 5, 1, 1, 3}, {0, 0, 0, 0, 0});
  const Geometry destination_shape({11, 4, 1, 1, 3}, {3, 1, 0, 0, 0});
  const int32_t levels[3] = {2, 4, 2};
  uint32_t seed = 50;
  struct Run {
    const char* name;
    bool bitmap;
    int32_t order;
    bool gated;
  };
  for (const Run& run : {Run{"bitmap 150", true, kOrderMsbFirst, false}, Run{"bitmap 135 gated", true, kOrderLsbFirst, true},
                         Run{"levels", false, 0, false}, Run{"levels gated", false, 0, true}}) {
    SCOPED_TRACE(run.name);
    const std::vector<uint8_t> in = RandomBytes(static_cast<size_t>(source_shape.Elements()), ++seed);
    const int64_t elements = destination_shape.Elements();
    const std::vector<uint8_t> before = RandomBytes(run.bitmap ? point_test::BitBytes(elements) : static_cast<size_t>(elements), ++seed);
    IpiObject* source = Image(source_shape, &in);
    IpiObject* destination = run.bitmap ? Bitmap(destination_shape, run.order, &before) : Image(destination_shape, &before);
    std::vector<uint8_t> source_region, destination_region;
    if (run.gated) {
      source_region = RandomRegion(in.size(), ++seed);
      destination_region = RandomRegion(static_cast<size_t>(elements), ++seed);
      Region(source, source_shape, source_region);
      Region(destination, destination_shape, destination_region);
    }
    ASSERT_EQ(IpiOrderedDither(sys_, source, destination, DitherArray(3, 2, 7, entries),
                               run.bitmap ? nullptr : Levels({2, 4, 2})),
              0);
    const auto expected = point_test::Reference(
        source_shape, destination_shape, before, run.gated ? &source_region : nullptr,
        run.gated ? &destination_region : nullptr, run.bitmap ? 1 : 8, run.bitmap ? run.order : kOrderMsbFirst,
        [&](int64_t s, int64_t) {
          int64_t c[5];
          Coordinates(source_shape, s, c);
          return OrderedReference(in[static_cast<size_t>(s)], c[0], c[1], c[4], entries, 3, 2, 7,
                                  run.bitmap ? nullptr : levels);
        });
    EXPECT_EQ(Read(destination), expected);
  }
}

// --- error diffusion -----------------------------------------------------------------

// The rules as written: rows top to bottom, left to right, errors of the
// destination's planes kept apart, gated elements neither take nor push error.
std::vector<uint8_t> DiffusionReference(const Geometry& s, const Geometry& d, std::vector<uint8_t> out,
                                        const std::vector<uint8_t>& in, const std::vector<uint8_t>* source_region,
                                        const std::vector<uint8_t>* destination_region, const int32_t* levels,
                                        int32_t order) {
  const int64_t width = s.extent[0], height = s.extent[1];
  std::vector<int64_t> current(static_cast<size_t>(width)), next(static_cast<size_t>(width));
  int64_t c[5];
  for (c[4] = 0; c[4] < d.extent[4]; ++c[4])
    for (c[3] = 0; c[3] < d.extent[3]; ++c[3])
      for (c[2] = 0; c[2] < d.extent[2]; ++c[2]) {
        std::fill(current.begin(), current.end(), 0);
        std::fill(next.begin(), next.end(), 0);
        for (c[1] = 0; c[1] < d.extent[1]; ++c[1]) {
          bool row_reached = false;
          for (c[0] = 0; c[0] < d.extent[0]; ++c[0]) {
            int64_t sc[5];
            for (int i = 0; i < 5; ++i) sc[i] = c[i] - (d.match[i] - s.match[i]);
            if (!s.Contains(sc)) continue;
            row_reached = true;
            const int64_t si = s.Index(sc), di = d.Index(c);
            if (!Open(source_region, si) || !Open(destination_region, di)) continue;
            const int64_t sx = sc[0];
            const int64_t value = in[static_cast<size_t>(si)] + current[static_cast<size_t>(sx)] / 16;
            int64_t output = 0;
            if (levels == nullptr) {
              output = 2 * value > 256 ? 255 : 0;
              SetElement(out, di, 1, order, output != 0 ? 1 : 0);
            } else {
              const int64_t step = 255 / (levels[sc[4]] - 1);
              if (value > 255) {
                output = 255;
              } else if (value >= 0) {
                const int64_t base = value / step * step;
                output = 2 * (value - base) > step ? std::min<int64_t>(base + step, 255) : base;
              }
              out[static_cast<size_t>(di)] = static_cast<uint8_t>(output);
            }
            const int64_t error = value - output;
            if (sx + 1 < width) current[static_cast<size_t>(sx + 1)] += 7 * error;
            if (sc[1] + 1 < height) {
              if (sx >= 1) next[static_cast<size_t>(sx - 1)] += 3 * error;
              next[static_cast<size_t>(sx)] += 5 * error;
              if (sx + 1 < width) next[static_cast<size_t>(sx + 1)] += error;
            }
          }
          if (row_reached) {
            std::swap(current, next);
            std::fill(next.begin(), next.end(), 0);
          }
        }
      }
  return out;
}

TEST_P(DitherTest, ErrorDiffusionOfFlatGreyByHand) {
  // 3 x 3 of 128, worked through by hand: the first element (2 x 128 = 256,
  // not above 256) stays clear and sends 7 x 128 right; -497 / 16 truncates
  // to -31; the last row pushes nothing down.
  const std::vector<uint8_t> flat(9, 128);
  IpiObject* source = Image(Geometry({3, 3}), &flat);
  IpiObject* bitmap = Bitmap(Geometry({3, 3}), kOrderMsbFirst, nullptr);
  ASSERT_EQ(IpiErrorDiffusion(sys_, source, bitmap, nullptr), 0);
  EXPECT_EQ(Read(bitmap), (std::vector<uint8_t>{0x55, 0x00}));  // 010 / 101 / 010
}

TEST_P(DitherTest, ErrorDiffusionFollowsTheRulesAcrossShiftsRegionsAndPlanes) {
  const Geometry source_shape({13, 5, 2, 1, 3}, {0, 0, 0, 0, 0});
  const Geometry destination_shape({11, 4, 2, 1, 3}, {3, 2, 0, 0, 0});
  const int32_t levels[3] = {2, 4, 3};
  uint32_t seed = 90;
  struct Run {
    const char* name;
    bool bitmap;
    int32_t order;
    int regions;
  };
  for (const Run& run : {Run{"bitmap 150", true, kOrderMsbFirst, 0}, Run{"bitmap 135 gated", true, kOrderLsbFirst, 3},
                         Run{"bitmap all open", true, kOrderMsbFirst, 7}, Run{"levels", false, 0, 0},
                         Run{"levels gated", false, 0, 3}}) {
    SCOPED_TRACE(run.name);
    const std::vector<uint8_t> in = RandomBytes(static_cast<size_t>(source_shape.Elements()), ++seed);
    const int64_t elements = destination_shape.Elements();
    const std::vector<uint8_t> before =
        RandomBytes(run.bitmap ? point_test::BitBytes(elements) : static_cast<size_t>(elements), ++seed);
    IpiObject* source = Image(source_shape, &in);
    IpiObject* destination =
        run.bitmap ? Bitmap(destination_shape, run.order, &before) : Image(destination_shape, &before);
    std::vector<uint8_t> source_region, destination_region;
    if (run.regions != 0) {
      const bool open = run.regions & 4;
      source_region = open ? std::vector<uint8_t>(in.size(), 1) : RandomRegion(in.size(), ++seed);
      destination_region =
          open ? std::vector<uint8_t>(static_cast<size_t>(elements), 1) : RandomRegion(static_cast<size_t>(elements), ++seed);
      Region(source, source_shape, source_region);
      Region(destination, destination_shape, destination_region);
    }
    ASSERT_EQ(IpiErrorDiffusion(sys_, source, destination, run.bitmap ? nullptr : Levels({2, 4, 3})), 0);
    const auto expected = DiffusionReference(source_shape, destination_shape, before, in,
                                             run.regions ? &source_region : nullptr,
                                             run.regions ? &destination_region : nullptr,
                                             run.bitmap ? nullptr : levels, run.order);
    EXPECT_EQ(Read(destination), expected);
  }
}

TEST_P(DitherTest, ErrorDiffusionKeepsTheMeanGreyAndTheLevelValues) {
  const int64_t side = 128;
  for (const int grey : {10, 64, 128, 200, 250}) {
    SCOPED_TRACE(grey);
    const std::vector<uint8_t> flat(static_cast<size_t>(side * side), static_cast<uint8_t>(grey));
    IpiObject* source = Image(Geometry({side, side}), &flat);
    IpiObject* bitmap = Bitmap(Geometry({side, side}), kOrderMsbFirst, nullptr);
    ASSERT_EQ(IpiErrorDiffusion(sys_, source, bitmap, nullptr), 0);
    const std::vector<uint8_t> bits = Read(bitmap);
    int64_t set = 0;
    for (int64_t e = 0; e < side * side; ++e) set += GetElement(bits, e, 1, kOrderMsbFirst);
    EXPECT_NEAR(255.0 * static_cast<double>(set) / static_cast<double>(side * side), grey, 2.0);
  }
  // Levels (2, 4, 2) on an RGB image: only the level values appear.
  const std::vector<uint8_t> rgb = RandomBytes(16 * 8 * 3, 7);
  IpiObject* source = Image(Geometry({16, 8, 1, 1, 3}), &rgb);
  IpiObject* destination = Image(Geometry({16, 8, 1, 1, 3}), nullptr);
  ASSERT_EQ(IpiErrorDiffusion(sys_, source, destination, Levels({2, 4, 2})), 0);
  const std::vector<uint8_t> out = Read(destination);
  const std::set<uint8_t> allowed[3] = {{0, 255}, {0, 85, 170, 255}, {0, 255}};
  for (size_t e = 0; e < out.size(); ++e) EXPECT_TRUE(allowed[e / 128].count(out[e])) << e;
}

TEST_P(DitherTest, RefusesLevelsOutOfRangeMethodsAndBitOrdersWithoutWriting) {
  const std::vector<uint8_t> in(12, 100);
  const std::vector<uint8_t> before(12, 9);
  IpiObject* source = Image(Geometry({4, 3}), &in);
  IpiObject* destination = Image(Geometry({4, 3}), &before);
  // 257 levels would make the step 255 / 256 = 0.
  EXPECT_EQ(IpiOrderedDither(sys_, source, destination, Bayer(), Levels({257})), kIpiOutOfRange);
  EXPECT_EQ(IpiOrderedDither(sys_, source, destination, Bayer(), Levels({1})), kIpiOutOfRange);
  EXPECT_EQ(IpiErrorDiffusion(sys_, source, destination, Levels({257})), kIpiOutOfRange);
  EXPECT_EQ(IpiErrorDiffusion(sys_, source, destination, Levels({-3})), kIpiOutOfRange);
  EXPECT_EQ(IpiErrorDiffusion(sys_, source, destination, Levels({2, 2})), kIpiOutOfRange);  // one band
  IpiObject* empty_array = store_->Make(&kDitherArrayClass, {{"xDimension", 0}, {"yDimension", 4}});
  EXPECT_EQ(IpiOrderedDither(sys_, source, destination, empty_array, Levels({2})), kIpiOutOfRange);
  const std::vector<uint8_t> words(9 * 2, 0);
  IpiObject* signed_array = store_->Make(
      &kDitherArrayClass,
      {{"xDimension", 3}, {"yDimension", 3}, {"dataType", kDataTypeSigned}, {"dataPrecision", 16}}, &words);
  EXPECT_EQ(IpiOrderedDither(sys_, source, destination, signed_array, Levels({2})), kIpiMismatchDataType);
  EXPECT_EQ(Read(destination), before);

  const std::vector<uint8_t> packed = {0xF0, 0x0F};
  IpiObject* unordered =
      Image(Geometry({4, 3}), &packed, {{"dataType", kDataTypeBoolean}, {"dataPrecision", 1}, {"bitOrder", 7}});
  EXPECT_EQ(IpiOrderedDither(sys_, source, unordered, Bayer(), nullptr), kIpiNonPermissibleOption);
  EXPECT_EQ(IpiErrorDiffusion(sys_, source, unordered, nullptr), kIpiNonPermissibleOption);
  EXPECT_EQ(Read(unordered), packed);

  SetSystem("errorDiffusion", 86);
  EXPECT_EQ(IpiErrorDiffusion(sys_, source, destination, Levels({2})), kIpiNonPermissibleOption);
  EXPECT_EQ(Read(destination), before);
}

}  // namespace
