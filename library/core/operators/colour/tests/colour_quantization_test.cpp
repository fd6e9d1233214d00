#include "core/operators/colour/colour_quantization.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "core/operators/colour/tests/colour_test_fixture.h"
#include "core/operators/point/error_diffusion.h"
#include "core/status.h"

namespace {

using colour_test::Planes;
using colour_test::Rgb;
using operator_test::Geometry;
using operator_test::RandomBytes;
using operator_test::RandomRegion;
using point_test::PointTest;

class QuantizeTest : public PointTest {
 protected:
  IpiObject* Rgb1D(const std::vector<Rgb>& pixels) {
    const std::vector<uint8_t> planes = Planes(pixels);
    return Image(Geometry({static_cast<int64_t>(pixels.size()), 1, 1, 1, 3}), &planes);
  }
  IpiObject* ColourTable(int64_t entries, const std::vector<uint8_t>* runs = nullptr) {
    return Table(entries, runs, 3);
  }
  // Entry i of a three-run table.
  static Rgb Entry(const std::vector<uint8_t>& runs, size_t i) { return colour_test::PixelAt(runs, runs.size() / 3, i); }
  int Uniform(IpiObject* source, IpiObject* destination, IpiObject* table, std::vector<int32_t> levels) {
    SetSystem("colourQuantization", kQuantizeUniform);
    return IpiQuantizeColours(sys_, source, destination, table, Levels(levels));
  }
};
INSTANTIATE_TEST_SUITE_P(AllRepositories, QuantizeTest, point_test::AllRepositories(), point_test::RepositoryParamName);

// --- uniform palette ----------------------------------------------------------------

TEST_P(QuantizeTest, UniformPaletteOf884ByHand) {
  // Steps 36, 36, 85: white is 3 x 64 + 7 x 8 + 7 = 255 and entry 255 is
  // (252, 252, 255); (100, 50, 200) is 2 x 64 + 1 x 8 + 2 = 138.
  IpiObject* source = Rgb1D({{255, 255, 255}, {0, 0, 0}, {100, 50, 200}, {36, 36, 85}, {35, 71, 84}});
  IpiObject* destination = Image(Geometry({5}), nullptr);
  IpiObject* table = ColourTable(256);
  ASSERT_EQ(Uniform(source, destination, table, {8, 8, 4}), 0);
  EXPECT_EQ(Read(destination), (std::vector<uint8_t>{255, 0, 138, 73, 8}));
  const std::vector<uint8_t> runs = Read(table);
  EXPECT_EQ(Entry(runs, 255), (Rgb{252, 252, 255}));
  EXPECT_EQ(Entry(runs, 138), (Rgb{72, 36, 170}));
  EXPECT_EQ(Entry(runs, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(Entry(runs, 73), (Rgb{36, 36, 85}));
}

TEST_P(QuantizeTest, UniformPaletteFillsOnlyItsEntries) {
  // (2, 4, 2) into a 20-entry table: entries 0..15, then the old values stay.
  std::vector<uint8_t> old(60, 7);
  IpiObject* table = ColourTable(20, &old);
  IpiObject* source = Rgb1D({{255, 170, 255}});
  IpiObject* destination = Image(Geometry({1}), nullptr);
  ASSERT_EQ(Uniform(source, destination, table, {2, 4, 2}), 0);
  EXPECT_EQ(Read(destination), std::vector<uint8_t>{13});  // (1 x 4 + 2) x 2 + 1
  const std::vector<uint8_t> runs = Read(table);
  for (size_t e = 0; e < 20; ++e) {
    SCOPED_TRACE(e);
    if (e < 16) {
      EXPECT_EQ(Entry(runs, e), (Rgb{static_cast<int>(e % 2 * 255), static_cast<int>(e / 2 % 4 * 85),
                                     static_cast<int>(e / 8 * 255)}));
    } else {
      EXPECT_EQ(Entry(runs, e), (Rgb{7, 7, 7}));
    }
  }
}

// Level counts like 17 give v / s one past the last level (255 / 15 = 17):
// indices must still stay below K.
TEST_P(QuantizeTest, UniformIndicesStayInRangeForAnyLevels) {
  std::vector<Rgb> pixels;
  for (int v = 0; v < 256; ++v) pixels.push_back({v, 255 - v, (v * 7) % 256});
  for (const std::array<int32_t, 3>& levels : {std::array<int32_t, 3>{17, 3, 5}, std::array<int32_t, 3>{21, 3, 4},
                                               std::array<int32_t, 3>{2, 2, 64}, std::array<int32_t, 3>{23, 2, 5}}) {
    SCOPED_TRACE(testing::Message() << levels[0] << " " << levels[1] << " " << levels[2]);
    IpiObject* destination = Image(Geometry({256}), nullptr);
    ASSERT_EQ(Uniform(Rgb1D(pixels), destination, ColourTable(256), {levels[0], levels[1], levels[2]}), 0);
    const std::vector<uint8_t> got = Read(destination);
    for (int v = 0; v < 256; ++v) {
      int index = 0, weight = 1;
      for (int k = 0; k < 3; ++k) {
        const int step = 255 / (levels[k] - 1);
        index += std::min(pixels[static_cast<size_t>(v)][k] / step, levels[k] - 1) * weight;
        weight *= levels[k];
      }
      ASSERT_EQ(got[static_cast<size_t>(v)], index) << v;
      ASSERT_LT(index, levels[0] * levels[1] * levels[2]);
    }
  }
}

TEST_P(QuantizeTest, UniformMapsTheOverlapUnderTheRegions) {
  const Geometry source_shape({9, 3, 1, 1, 3}, {1, 0}), destination_shape({8, 4}, {0, 1});
  const std::vector<uint8_t> in = RandomBytes(static_cast<size_t>(source_shape.Elements()), 4);
  const std::vector<uint8_t> before = RandomBytes(static_cast<size_t>(destination_shape.Elements()), 5);
  const std::vector<uint8_t> source_region = RandomRegion(in.size(), 6);
  const std::vector<uint8_t> destination_region = RandomRegion(before.size(), 7);
  IpiObject* source = Image(source_shape, &in);
  IpiObject* destination = Image(destination_shape, &before);
  Region(source, source_shape, source_region);
  Region(destination, destination_shape, destination_region);
  ASSERT_EQ(Uniform(source, destination, ColourTable(256), {6, 6, 6}), 0);
  const int64_t plane = 9 * 3;
  std::vector<uint8_t> expected = before;
  const Geometry source_plane({9, 3}, {1, 0});
  operator_test::ForEachReachedElement(source_plane, destination_shape, [&](int64_t d, int64_t s) {
    for (int k = 0; k < 3; ++k) {
      if (source_region[static_cast<size_t>(s + k * plane)] == 0) return;
    }
    if (destination_region[static_cast<size_t>(d)] == 0) return;
    const int r = in[static_cast<size_t>(s)], g = in[static_cast<size_t>(s + plane)], b = in[static_cast<size_t>(s + 2 * plane)];
    expected[static_cast<size_t>(d)] = static_cast<uint8_t>(b / 51 * 36 + g / 51 * 6 + r / 51);
  });
  EXPECT_EQ(Read(destination), expected);
}

TEST_P(QuantizeTest, RefusesLevelsPalettesAndMethodsItCannotServe) {
  const std::vector<uint8_t> before = {1, 2, 3};
  const std::vector<uint8_t> old(48, 9);
  IpiObject* source = Rgb1D({{1, 2, 3}, {200, 100, 50}, {255, 255, 255}});
  IpiObject* destination = Image(Geometry({3}), &before);
  IpiObject* small_table = ColourTable(16, &old);
  for (const int32_t method : {kQuantizeUniform, kQuantizeByHistogram}) {
    SCOPED_TRACE(method);
    SetSystem("colourQuantization", method);
    // 8 x 8 x 4 = 256 colours would be written past a 16-entry table.
    EXPECT_EQ(IpiQuantizeColours(sys_, source, destination, small_table, Levels({8, 8, 4})), kIpiOutOfRange);
    // 257 levels make the step zero; 1 level has none.
    EXPECT_EQ(IpiQuantizeColours(sys_, source, destination, ColourTable(256), Levels({257, 2, 2})),
              kIpiOutOfRange);
    EXPECT_EQ(IpiQuantizeColours(sys_, source, destination, ColourTable(256), Levels({2, 1, 2})), kIpiOutOfRange);
    const std::vector<uint8_t> two_bands(6, 0);
    EXPECT_EQ(IpiQuantizeColours(sys_, Image(Geometry({3, 1, 1, 1, 2}), &two_bands), destination, ColourTable(256),
                                 Levels({2, 2, 2})),
              kIpiInsufficientSize);
    EXPECT_EQ(IpiQuantizeColours(sys_, source, destination, Table(256, nullptr, 1), Levels({2, 2, 2})),
              kIpiInsufficientSize);
  }
  EXPECT_EQ(IpiQuantizeByHistogram(sys_, source, destination, ColourTable(256), 257), kIpiOutOfRange);
  EXPECT_EQ(IpiQuantizeByHistogram(sys_, source, destination, ColourTable(256), 0), kIpiOutOfRange);
  SetSystem("colourQuantization", 251);
  EXPECT_EQ(IpiQuantizeColours(sys_, source, destination, ColourTable(256), Levels({2, 2, 2})),
            kIpiNonPermissibleOption);
  EXPECT_EQ(Read(destination), before);
  EXPECT_EQ(Read(small_table), old);
}

// --- popularity palette ----------------------------------------------------------------

TEST_P(QuantizeTest, FourColoursAskedForSixteenGetTheirOwnCells) {
  // Cells 0, 15, 240 and 546 in cell order; (36, 36, 36) lies in the cell of
  // (34, 34, 34).
  std::vector<Rgb> pixels;
  for (int i = 0; i < 10; ++i) pixels.push_back({36, 36, 36});
  for (int i = 0; i < 5; ++i) pixels.push_back({0, 255, 0});
  for (int i = 0; i < 3; ++i) pixels.push_back({255, 0, 0});
  for (int i = 0; i < 2; ++i) pixels.push_back({0, 0, 0});
  std::vector<uint8_t> old(48, 99);
  IpiObject* table = ColourTable(16, &old);
  IpiObject* destination = Image(Geometry({20}), nullptr);
  SetSystem("colourQuantization", kQuantizeByHistogram);
  ASSERT_EQ(IpiQuantizeColours(sys_, Rgb1D(pixels), destination, table, Levels({2, 2, 4})), 0);
  const std::vector<uint8_t> runs = Read(table);
  EXPECT_EQ(Entry(runs, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(Entry(runs, 1), (Rgb{255, 0, 0}));
  EXPECT_EQ(Entry(runs, 2), (Rgb{0, 255, 0}));
  EXPECT_EQ(Entry(runs, 3), (Rgb{34, 34, 34}));
  for (size_t e = 4; e < 16; ++e) EXPECT_EQ(Entry(runs, e), (Rgb{99, 99, 99})) << e;
  std::vector<uint8_t> expected;
  for (int i = 0; i < 10; ++i) expected.push_back(3);
  for (int i = 0; i < 5; ++i) expected.push_back(2);
  for (int i = 0; i < 3; ++i) expected.push_back(1);
  for (int i = 0; i < 2; ++i) expected.push_back(0);
  EXPECT_EQ(Read(destination), expected);
}

TEST_P(QuantizeTest, PopularCellsWinAndTiesGoByOwnColourThenLowerIndex) {
  // Two colours asked for: T = 203, threshold 203 / 3 = 67 picks cell 0 and
  // cell 4 (red 68) in cell order; the three pixels of cell 2 (red 34) are
  // equally far from both, so each takes the nearer by its own colour, a tie
  // the lower index.
  std::vector<Rgb> pixels;
  for (int i = 0; i < 100; ++i) pixels.push_back({68, 0, 0});
  for (int i = 0; i < 100; ++i) pixels.push_back({0, 0, 0});
  pixels.push_back({30, 0, 0});
  pixels.push_back({38, 0, 0});
  pixels.push_back({34, 0, 0});
  IpiObject* table = ColourTable(256);
  IpiObject* destination = Image(Geometry({203}), nullptr);
  ASSERT_EQ(IpiQuantizeByHistogram(sys_, Rgb1D(pixels), destination, table, 2), 0);
  const std::vector<uint8_t> runs = Read(table);
  EXPECT_EQ(Entry(runs, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(Entry(runs, 1), (Rgb{68, 0, 0}));
  const std::vector<uint8_t> got = Read(destination);
  EXPECT_EQ(got[0], 1);
  EXPECT_EQ(got[100], 0);
  EXPECT_EQ(got[200], 0);  // 30 is nearer 0
  EXPECT_EQ(got[201], 1);  // 38 is nearer 68
  EXPECT_EQ(got[202], 0);  // 34: a tie, the lower index

  // Falling thresholds: five colours of 50, 30, 10, 6 and 4 asked for three.
  // 100 / 4 = 25 takes 50 and 30; then 20 / 2 = 10 takes the 10.
  pixels.clear();
  const std::pair<Rgb, int> counts[] = {{{255, 255, 255}, 4}, {{0, 0, 255}, 10}, {{0, 255, 0}, 30},
                                        {{255, 0, 0}, 50}, {{0, 0, 0}, 6}};
  for (const auto& [colour, n] : counts) {
    for (int i = 0; i < n; ++i) pixels.push_back(colour);
  }
  destination = Image(Geometry({100}), nullptr);
  ASSERT_EQ(IpiQuantizeByHistogram(sys_, Rgb1D(pixels), destination, table, 3), 0);
  const std::vector<uint8_t> palette = Read(table);
  EXPECT_EQ(Entry(palette, 0), (Rgb{255, 0, 0}));  // cell 15
  EXPECT_EQ(Entry(palette, 1), (Rgb{0, 255, 0}));  // cell 240
  EXPECT_EQ(Entry(palette, 2), (Rgb{0, 0, 255}));  // cell 3840, chosen in the second scan
}

TEST_P(QuantizeTest, NothingInsideTheRegionEndsAtOnceWithAnEmptyPalette) {
  const std::vector<uint8_t> planes = Planes({{1, 2, 3}, {50, 60, 70}, {200, 100, 0}, {9, 9, 9}});
  const Geometry shape({4, 1, 1, 1, 3});
  IpiObject* source = Image(shape, &planes);
  Region(source, shape, std::vector<uint8_t>(12, 0));
  const std::vector<uint8_t> before = {5, 6, 7, 8};
  const std::vector<uint8_t> old(768, 42);
  IpiObject* destination = Image(Geometry({4}), &before);
  IpiObject* table = ColourTable(256, &old);
  SetSystem("colourQuantization", kQuantizeByHistogram);
  ASSERT_EQ(IpiQuantizeColours(sys_, source, destination, table, Levels({8, 8, 4})), 0);
  EXPECT_EQ(Read(destination), before);
  EXPECT_EQ(Read(table), old);
}

// A dithered image holds few colours, all asked for: every cell met becomes
// an entry of its own.
TEST_P(QuantizeTest, DitheredColoursEachGetTheirCell) {
  const Geometry shape({24, 16, 1, 1, 3});
  const std::vector<uint8_t> rgb = RandomBytes(static_cast<size_t>(shape.Elements()), 12);
  IpiObject* source = Image(shape, &rgb);
  IpiObject* dithered = Image(shape, nullptr);
  ASSERT_EQ(IpiErrorDiffusion(sys_, source, dithered, Levels({8, 8, 4})), 0);
  IpiObject* indices = Image(Geometry({24, 16}), nullptr);
  IpiObject* table = ColourTable(256);
  SetSystem("colourQuantization", kQuantizeByHistogram);
  ASSERT_EQ(IpiQuantizeColours(sys_, dithered, indices, table, Levels({8, 8, 4})), 0);
  const std::vector<uint8_t> colours = Read(dithered), got = Read(indices), runs = Read(table);
  // Dithered values are level values, or 255 where the diffused value passed
  // 255; 252 and 255 share a cell. One cell, one entry; each entry holds its
  // cell's colour.
  std::map<Rgb, int> index_of_cell;
  const size_t n = got.size();
  for (size_t i = 0; i < n; ++i) {
    const Rgb c = colour_test::PixelAt(colours, n, i);
    const Rgb cell = {(c[0] + 8) / 17 * 17, (c[1] + 8) / 17 * 17, (c[2] + 8) / 17 * 17};
    ASSERT_EQ(Entry(runs, got[i]), cell) << i;
    const auto [it, inserted] = index_of_cell.emplace(cell, got[i]);
    ASSERT_EQ(it->second, got[i]) << i;
  }
  std::set<int> distinct;
  for (const auto& [c, index] : index_of_cell) distinct.insert(index);
  EXPECT_EQ(distinct.size(), index_of_cell.size());
}

}  // namespace
