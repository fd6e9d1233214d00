#include "core/operators/colour/colour_conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/operators/tests/operator_test_support.h"
#include "core/status.h"
#include "tests/support/test_support.h"

namespace {

using operator_test::Geometry;
using operator_test::ImageStore;
using operator_test::RandomBytes;
using operator_test::RandomRegion;

struct Pixel {
  int r, g, b;
};

// Luminance weights of the colour spaces as published, and their Q15 forms.
struct WeightSet {
  int32_t colour_space;
  double weights[3];
  int q15[3];
};
const WeightSet kWeightSets[] = {
    {118, {0.21261719, 0.71520276, 0.07218005}, {6967, 23435, 2365}},
    {119, {0.17701522, 0.81232418, 0.0106606}, {5800, 26618, 349}},
    {120, {0.23272304, 0.68867804, 0.07859892}, {7625, 22566, 2575}},
    {121, {0.29889531, 0.58662247, 0.11448223}, {9794, 19222, 3751}},
    {122, {0.21235295, 0.70109788, 0.08654917}, {6958, 22973, 2836}},
};

// The grey value by the definition: weights scaled to Q15 by truncation,
// a weighted sum, a rounding half, a shift by 15.
int ExpectedGrey(const WeightSet& set, const Pixel& p) {
  int64_t q[3];
  for (int i = 0; i < 3; ++i) q[i] = static_cast<int64_t>(std::trunc(set.weights[i] * 32768.0));
  return static_cast<int>((p.r * q[0] + p.g * q[1] + p.b * q[2] + 16384) / 32768);
}

class ColourTest : public operator_test::RepositoryFixture {
 protected:
  IpiObject* Image(const Geometry& g, std::vector<IpiAttribute> extra, const std::vector<uint8_t>* data) {
    std::vector<IpiAttribute> list = g.Attributes();
    list.insert(list.end(), extra.begin(), extra.end());
    return store_->Image(list, data);
  }
  // A colour table of `entries` x 3 bands.
  IpiObject* Table(int entries, const std::vector<uint8_t>& runs, std::vector<IpiAttribute> extra = {}) {
    std::vector<IpiAttribute> list = {{"xDimension", entries}, {"bDimension", 3}};
    list.insert(list.end(), extra.begin(), extra.end());
    return store_->Make(&kLookupTableClass, list, &runs);
  }

};

INSTANTIATE_TEST_SUITE_P(AllRepositories, ColourTest,
                         ::testing::Values(kRepositoryCallerMemory, kRepositoryGlobalBlock, kRepositoryFile),
                         [](const auto& param_info) { return operator_test::RepositoryName(param_info.param); });

TEST(LuminanceWeights, Q15FormsAreTheTruncatedWeights) {
  for (const WeightSet& set : kWeightSets) {
    SCOPED_TRACE(set.colour_space);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(static_cast<int>(std::trunc(set.weights[i] * 32768.0)), set.q15[i]);
    // White stays white: the sums are just below 32768.
    EXPECT_EQ(ExpectedGrey(set, {255, 255, 255}), 255);
  }
}

// The row kernels for callers' own rows: planes, pixels of three bytes by
// the weights, and pixels by the products, all equal to the definition.
TEST(LuminanceRows, EveryLayoutGivesTheDefinition) {
  std::vector<uint8_t> pixels = RandomBytes(3 * 300, 11);  // blue, green, red
  for (int v : {0, 1, 127, 128, 254, 255}) pixels.insert(pixels.end(), {uint8_t(v), uint8_t(v), uint8_t(v)});
  pixels.insert(pixels.end(), {0, 0, 255, 0, 255, 0, 255, 0, 0});
  const int64_t count = static_cast<int64_t>(pixels.size() / 3);
  std::vector<uint8_t> planes(pixels.size());
  for (int64_t i = 0; i < count; ++i) {
    for (int c = 0; c < 3; ++c) planes[static_cast<size_t>(c * count + i)] = pixels[static_cast<size_t>(3 * i + 2 - c)];
  }
  for (const WeightSet& set : kWeightSets) {
    SCOPED_TRACE(set.colour_space);
    LuminanceQ15 q{};
    ASSERT_TRUE(LuminanceWeightsOf(set.colour_space, &q));
    const LuminanceProducts products = LuminanceProductsOf(q);
    std::vector<uint8_t> from_planes(static_cast<size_t>(count)), from_pixels(from_planes.size()),
        from_products(from_planes.size());
    LuminanceRow(q, planes.data(), planes.data() + count, planes.data() + 2 * count, 1, count, from_planes.data());
    LuminanceRow(q, pixels.data() + 2, pixels.data() + 1, pixels.data(), 3, count, from_pixels.data());
    LuminancePixelRow(products, pixels.data(), count, from_products.data());
    for (int64_t i = 0; i < count; ++i) {
      const uint8_t* p = &pixels[static_cast<size_t>(3 * i)];
      const int expected = ExpectedGrey(set, {p[2], p[1], p[0]});
      ASSERT_EQ(from_planes[static_cast<size_t>(i)], expected) << i;
      ASSERT_EQ(from_pixels[static_cast<size_t>(i)], expected) << i;
      ASSERT_EQ(from_products[static_cast<size_t>(i)], expected) << i;
    }
  }
  LuminanceQ15 q{};
  EXPECT_FALSE(LuminanceWeightsOf(117, &q));
  EXPECT_FALSE(LuminanceWeightsOf(123, &q));
}

// Indices through a table into planes, pixels stored blue, green, red (the
// last pixel of a row written without touching the byte after it) and
// pixels in another order.
TEST(ExpandIndicesRows, EveryLayoutTakesTheTablesEntries) {
  ColourRuns runs{};
  const std::vector<uint8_t> entries = RandomBytes(3 * 256, 5);
  for (int c = 0; c < 3; ++c) std::copy_n(entries.begin() + 256 * c, 256, runs[static_cast<size_t>(c)].begin());
  for (int64_t count : {1, 2, 7, 33}) {
    SCOPED_TRACE(count);
    const std::vector<uint8_t> index = RandomBytes(static_cast<size_t>(count), static_cast<uint32_t>(count));
    const auto n = static_cast<size_t>(count);
    std::vector<uint8_t> planes(3 * n), bgr(3 * n + 1, 0xEE), rgb(3 * n);
    ExpandIndicesRow(runs, index.data(), count, planes.data(), planes.data() + n, planes.data() + 2 * n, 1);
    ExpandIndicesRow(runs, index.data(), count, bgr.data() + 2, bgr.data() + 1, bgr.data(), 3);
    ExpandIndicesRow(runs, index.data(), count, rgb.data(), rgb.data() + 1, rgb.data() + 2, 3);
    for (size_t i = 0; i < n; ++i) {
      for (size_t c = 0; c < 3; ++c) {
        const uint8_t expected = runs[c][index[i]];
        ASSERT_EQ(planes[c * n + i], expected);
        ASSERT_EQ(bgr[3 * i + 2 - c], expected);
        ASSERT_EQ(rgb[3 * i + c], expected);
      }
    }
    EXPECT_EQ(bgr[3 * n], 0xEE);
  }
}

TEST_P(ColourTest, EveryColourSpaceWeighsPrimariesAndWhiteByDefinition) {
  const std::vector<Pixel> pixels = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0},
                                     {12, 200, 77}, {254, 1, 128}, {100, 100, 100}};
  const int64_t n = static_cast<int64_t>(pixels.size());
  std::vector<uint8_t> bands(static_cast<size_t>(n * 3));
  for (int64_t i = 0; i < n; ++i) {
    bands[static_cast<size_t>(i)] = static_cast<uint8_t>(pixels[static_cast<size_t>(i)].r);
    bands[static_cast<size_t>(n + i)] = static_cast<uint8_t>(pixels[static_cast<size_t>(i)].g);
    bands[static_cast<size_t>(2 * n + i)] = static_cast<uint8_t>(pixels[static_cast<size_t>(i)].b);
  }
  for (const WeightSet& set : kWeightSets) {
    SCOPED_TRACE(set.colour_space);
    IpiObject* rgb = Image(Geometry({n, 1, 1, 1, 3}), {{"colourSpace", set.colour_space}}, &bands);
    IpiObject* grey = Image(Geometry({n, 1}), {}, nullptr);
    ASSERT_EQ(IpiColourToMonochrome(sys_, rgb, grey), 0);
    const std::vector<uint8_t> got = store_->Read(grey);
    for (int64_t i = 0; i < n; ++i) {
      EXPECT_EQ(got[static_cast<size_t>(i)], ExpectedGrey(set, pixels[static_cast<size_t>(i)])) << i;
    }
    if (set.colour_space == kColourSpaceEntryPointRgb) {
      EXPECT_EQ(got[0], 76);   // (255 x 9794 + 16384) >> 15
      EXPECT_EQ(got[3], 255);  // white
      EXPECT_EQ(got[4], 0);    // black
    }
  }
}

// Shifted images under source and destination regions against the rule: a
// destination element reached from the source is written when the source
// region is open in all three bands and the destination region in band 0.
// The same images without regions take the ungated loop; under all-open
// regions the gated one: both must give the same bytes.
TEST_P(ColourTest, GreyHonoursMatchPointsAndRegions) {
  const Geometry sg({7, 5, 1, 1, 3}, {1, 0});
  const Geometry dg({6, 6, 1, 1, 1}, {0, 2});
  const std::vector<uint8_t> rgb_bytes = RandomBytes(static_cast<size_t>(sg.Elements()), 31);
  const std::vector<uint8_t> grey_bytes = RandomBytes(static_cast<size_t>(dg.Elements()), 32);
  const std::vector<uint8_t> source_region = RandomRegion(static_cast<size_t>(sg.Elements()), 33);
  const std::vector<uint8_t> destination_region = RandomRegion(static_cast<size_t>(dg.Elements()), 34);
  const WeightSet& set = kWeightSets[3];

  IpiObject* rgb = Image(sg, {{"colourSpace", set.colour_space}}, &rgb_bytes);
  IpiObject* grey = Image(dg, {}, &grey_bytes);
  store_->Region(rgb, source_region);
  store_->Region(grey, destination_region);
  ASSERT_EQ(IpiColourToMonochrome(sys_, rgb, grey), 0);

  std::vector<uint8_t> expected = grey_bytes;
  const int64_t plane = sg.extent[0] * sg.extent[1];
  for (int64_t y = 0; y < dg.extent[1]; ++y) {
    for (int64_t x = 0; x < dg.extent[0]; ++x) {
      const int64_t sx = x - (dg.match[0] - sg.match[0]);
      const int64_t sy = y - (dg.match[1] - sg.match[1]);
      if (sx < 0 || sy < 0 || sx >= sg.extent[0] || sy >= sg.extent[1]) continue;
      const size_t s = static_cast<size_t>(sx + sg.extent[0] * sy);
      const size_t d = static_cast<size_t>(x + dg.extent[0] * y);
      if (!source_region[s] || !source_region[s + plane] || !source_region[s + 2 * plane]) continue;
      if (!destination_region[d]) continue;
      expected[d] = static_cast<uint8_t>(
          ExpectedGrey(set, {rgb_bytes[s], rgb_bytes[s + plane], rgb_bytes[s + 2 * plane]}));
    }
  }
  EXPECT_EQ(store_->Read(grey), expected);

  IpiObject* fast_rgb = Image(sg, {{"colourSpace", set.colour_space}}, &rgb_bytes);
  IpiObject* fast = Image(dg, {}, &grey_bytes);
  IpiObject* slow_rgb = Image(sg, {{"colourSpace", set.colour_space}}, &rgb_bytes);
  IpiObject* slow = Image(dg, {}, &grey_bytes);
  store_->Region(slow_rgb, std::vector<uint8_t>(static_cast<size_t>(sg.Elements()), 1));
  store_->Region(slow, std::vector<uint8_t>(static_cast<size_t>(dg.Elements()), 1));
  ASSERT_EQ(IpiColourToMonochrome(sys_, fast_rgb, fast), 0);
  ASSERT_EQ(IpiColourToMonochrome(sys_, slow_rgb, slow), 0);
  EXPECT_EQ(store_->Read(fast), store_->Read(slow));
  EXPECT_NE(store_->Read(fast), grey_bytes);
}

TEST_P(ColourTest, GreyRefusalsComeInOrderAndWriteNothing) {
  const Geometry rgb3({4, 2, 1, 1, 3});
  const Geometry one({4, 2});
  struct Case {
    const char* name;
    Geometry source;
    std::vector<IpiAttribute> source_extra;
    std::vector<IpiAttribute> destination_extra;
    int expected;
  };
  const Case cases[] = {
      {"ColourSpaceOfAFreshObject", rgb3, {}, {}, kIpiNonPermissibleOption},
      {"ColourSpaceBeforeDataType", rgb3, {{"dataType", kDataTypeWord}}, {}, kIpiNonPermissibleOption},
      {"ColourSpaceBelowRange", rgb3, {{"colourSpace", 117}}, {}, kIpiNonPermissibleOption},
      {"ColourSpaceAboveRange", rgb3, {{"colourSpace", 123}}, {}, kIpiNonPermissibleOption},
      {"SourceDataType", rgb3, {{"colourSpace", 121}, {"dataType", kDataTypeSigned}}, {}, kIpiMismatchDataType},
      {"DestinationDataType", rgb3, {{"colourSpace", 121}}, {{"dataType", kDataTypeBoolean}}, kIpiMismatchDataType},
      {"SixteenBitSource", rgb3, {{"colourSpace", 121}, {"dataPrecision", 16}}, {}, kIpiMismatchDataType},
      {"OneBandSource", one, {{"colourSpace", 121}}, {}, kIpiInsufficientSize},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IpiObject* src = Image(c.source, c.source_extra, nullptr);
    store_->Write(src, RandomBytes(static_cast<size_t>(store_->TotalBytes(src)), 43));
    IpiObject* dst = Image(one, c.destination_extra, nullptr);
    const std::vector<uint8_t> before = RandomBytes(static_cast<size_t>(store_->TotalBytes(dst)), 44);
    store_->Write(dst, before);
    EXPECT_EQ(IpiColourToMonochrome(sys_, src, dst), c.expected);
    EXPECT_EQ(IpiGetLastError(sys_), c.expected);
    EXPECT_EQ(store_->Read(dst), before);
  }
}

TEST_P(ColourTest, BitmapThroughBlackAndWhiteTableGivesExactBlackAndWhite) {
  for (const int32_t order : {kOrderMsbFirst, kOrderLsbFirst}) {
    SCOPED_TRACE(order);
    const Geometry g({13, 3});
    const std::vector<uint8_t> bits = RandomBytes(static_cast<size_t>((g.Elements() + 7) / 8), 51);
    IpiObject* bitmap = Image(g, {{"dataType", kDataTypeBoolean}, {"bitOrder", order}}, &bits);
    IpiObject* rgb = Image(Geometry({13, 3, 1, 1, 3}), {}, nullptr);
    IpiObject* table = Table(2, {0, 255, 0, 255, 0, 255});
    ASSERT_EQ(IpiConvertImageType(sys_, bitmap, rgb, table, 0), 0);
    const std::vector<uint8_t> got = store_->Read(rgb);
    for (int64_t e = 0; e < g.Elements(); ++e) {
      const uint8_t want = operator_test::GetElement(bits, e, 1, order) != 0 ? 255 : 0;
      for (int band = 0; band < 3; ++band) {
        ASSERT_EQ(got[static_cast<size_t>(e + band * g.Elements())], want) << e << " band " << band;
      }
    }
  }
}

// Eight-bit indices through a 256-entry palette, shifted, with the source
// region and the destination region of all three bands consulted.
TEST_P(ColourTest, IndicesThroughPaletteHonourMatchPointsAndRegions) {
  const Geometry sg({6, 5}, {0, 1});
  const Geometry dg({7, 5, 1, 1, 3}, {2, 0});
  const std::vector<uint8_t> indices = RandomBytes(static_cast<size_t>(sg.Elements()), 61);
  const std::vector<uint8_t> palette = RandomBytes(256 * 3, 62);
  const std::vector<uint8_t> before = RandomBytes(static_cast<size_t>(dg.Elements()), 63);
  const std::vector<uint8_t> source_region = RandomRegion(static_cast<size_t>(sg.Elements()), 64);
  const std::vector<uint8_t> destination_region = RandomRegion(static_cast<size_t>(dg.Elements()), 65);
  IpiObject* src = Image(sg, {}, &indices);
  IpiObject* dst = Image(dg, {}, &before);
  store_->Region(src, source_region);
  store_->Region(dst, destination_region);
  IpiObject* table = Table(256, palette);
  ASSERT_EQ(IpiConvertImageType(sys_, src, dst, table, 0), 0);

  std::vector<uint8_t> expected = before;
  const int64_t plane = dg.extent[0] * dg.extent[1];
  for (int64_t y = 0; y < dg.extent[1]; ++y) {
    for (int64_t x = 0; x < dg.extent[0]; ++x) {
      const int64_t sx = x - (dg.match[0] - sg.match[0]);
      const int64_t sy = y - (dg.match[1] - sg.match[1]);
      if (sx < 0 || sy < 0 || sx >= sg.extent[0] || sy >= sg.extent[1]) continue;
      const size_t s = static_cast<size_t>(sx + sg.extent[0] * sy);
      const size_t d = static_cast<size_t>(x + dg.extent[0] * y);
      if (!source_region[s]) continue;
      if (!destination_region[d] || !destination_region[d + plane] || !destination_region[d + 2 * plane]) continue;
      for (int band = 0; band < 3; ++band) expected[d + band * plane] = palette[band * 256 + indices[s]];
    }
  }
  EXPECT_EQ(store_->Read(dst), expected);
}

TEST_P(ColourTest, PaletteGuardAndRefusals) {
  const Geometry g({4, 2});
  const Geometry rgb({4, 2, 1, 1, 3});
  const std::vector<uint8_t> indices = {0, 1, 15, 200, 3, 255, 7, 16};
  const std::vector<uint8_t> palette16 = RandomBytes(16 * 3, 71);

  // Four-bit indices can name 16 entries: a 16-entry table serves them, and a
  // stray index past the table takes entry 0 instead of reading past it.
  IpiObject* nibbles = Image(g, {{"dataPrecision", 4}}, &indices);
  IpiObject* out = Image(rgb, {}, nullptr);
  IpiObject* table16 = Table(16, palette16);
  ASSERT_EQ(IpiConvertImageType(sys_, nibbles, out, table16, 0), 0);
  const std::vector<uint8_t> got = store_->Read(out);
  for (size_t i = 0; i < indices.size(); ++i) {
    const size_t entry = indices[i] < 16 ? indices[i] : 0;
    for (size_t band = 0; band < 3; ++band) {
      EXPECT_EQ(got[i + band * indices.size()], palette16[band * 16 + entry]) << i << " band " << band;
    }
  }

  struct Case {
    const char* name;
    int32_t source_type;
    int32_t source_precision;
    int table_entries;
    int table_bands;
    int destination_bands;
    int32_t destination_type;
    int expected;
  };
  const Case cases[] = {
      {"EightBitIndicesShortTable", kDataTypeNonnegative, 8, 16, 3, 3, kDataTypeNonnegative, kIpiInsufficientSize},
      {"BitmapOneEntryTable", kDataTypeBoolean, 1, 1, 3, 3, kDataTypeNonnegative, kIpiInsufficientSize},
      {"TableOfOneBand", kDataTypeNonnegative, 8, 256, 1, 3, kDataTypeNonnegative, kIpiInsufficientSize},
      {"DestinationOfOneBand", kDataTypeNonnegative, 8, 256, 3, 1, kDataTypeNonnegative, kIpiInsufficientSize},
      {"SourceOfWords", kDataTypeWord, 32, 256, 3, 3, kDataTypeNonnegative, kIpiMismatchDataType},
      {"DestinationBoolean", kDataTypeNonnegative, 8, 256, 3, 3, kDataTypeBoolean, kIpiMismatchDataType},
      {"SixteenBitIndices", kDataTypeNonnegative, 16, 256, 3, 3, kDataTypeNonnegative, kIpiMismatchDataType},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IpiObject* src = Image(g, {{"dataType", c.source_type}, {"dataPrecision", c.source_precision}}, nullptr);
    store_->Write(src, RandomBytes(static_cast<size_t>(store_->TotalBytes(src)), 72));
    IpiObject* dst = Image(Geometry({4, 2, 1, 1, c.destination_bands}), {{"dataType", c.destination_type}}, nullptr);
    const std::vector<uint8_t> before = RandomBytes(static_cast<size_t>(store_->TotalBytes(dst)), 73);
    store_->Write(dst, before);
    std::vector<IpiAttribute> table_list = {{"xDimension", c.table_entries}, {"bDimension", c.table_bands}};
    IpiObject* table = store_->Make(&kLookupTableClass, table_list);
    EXPECT_EQ(IpiConvertImageType(sys_, src, dst, table, 0), c.expected);
    EXPECT_EQ(IpiGetLastError(sys_), c.expected);
    EXPECT_EQ(store_->Read(dst), before);
  }

  // A dead destination is named first: 9.
  IpiObject* dead = Image(rgb, {}, nullptr);
  ASSERT_EQ(IpiDeleteObject(sys_, dead), 0);
  EXPECT_EQ(IpiConvertImageType(sys_, nibbles, dead, table16, 0), kIpiInvalidInstance);
}

// The destination takes the system's precision for its data type and keeps
// whether it held data; a destination that held none is zero where the
// source does not reach.
TEST_P(ColourTest, DestinationPrecisionIsSetAndUnreachedElementsStayZero) {
  const std::vector<uint8_t> indices = {1, 0, 1, 1};
  IpiObject* src = Image(Geometry({2, 2}), {}, &indices);
  IpiObject* dst = Image(Geometry({3, 2, 1, 1, 3}), {{"dataPrecision", 4}, {"xMatchPoint", 1}}, nullptr);
  IpiObject* table = Table(256, std::vector<uint8_t>(256 * 3, 9));
  ASSERT_EQ(IpiConvertImageType(sys_, src, dst, table, 0), 0);
  EXPECT_EQ(IpiInquireAttribute(sys_, dst, "dataPrecision"), 8);
  const std::vector<uint8_t> expected = {0, 9, 9, 0, 9, 9, 0, 9, 9, 0, 9, 9, 0, 9, 9, 0, 9, 9};
  EXPECT_EQ(store_->Read(dst), expected);
}

}  // namespace
