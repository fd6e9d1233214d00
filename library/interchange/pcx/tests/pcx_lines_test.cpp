// PCX run codes on line units: the codes of the format's own examples, runs
// carried across rows, and the coded length scan.
#include "interchange/pcx/pcx_lines.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Repeat(uint8_t value, size_t count) { return Bytes(count, value); }

TEST(PcxLines, EncodesUnitsAsTheFormatCodesThem) {
  struct Case {
    const char* name;
    Bytes unit;
    Bytes codes;
  };
  const Case cases[] = {
      {"64 x 0x12: a run of 63 and one byte", Repeat(0x12, 64), {0xFF, 0x12, 0x12}},
      {"64 x 0xC5: a run of 63 and an escaped byte", Repeat(0xC5, 64), {0xFF, 0xC5, 0xC1, 0xC5}},
      {"a lone byte below 0xC0", {0x3F}, {0x3F}},
      {"0xC0 alone is escaped", {0xC0}, {0xC1, 0xC0}},
      {"two equal bytes are a run", {0x01, 0x01}, {0xC2, 0x01}},
      {"mixed", {0x01, 0x02, 0x02, 0xFF, 0x03}, {0x01, 0xC2, 0x02, 0xC1, 0xFF, 0x03}},
      {"126 equal bytes", Repeat(0x00, 126), {0xFF, 0x00, 0xFF, 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes out;
    EncodePcxUnit(c.unit, out);
    EXPECT_EQ(out, c.codes);
    PcxRunDecoder decoder(c.codes);
    Bytes back(c.unit.size(), 0xEE);
    ASSERT_TRUE(decoder.DecodePcxUnit(back.data(), static_cast<int64_t>(back.size())));
    EXPECT_EQ(back, c.unit);
  }
}

TEST(PcxLines, DecoderCarriesRunsIntoTheNextUnitAndSkipsEmptyRuns) {
  // A run of 5 over units of 3 bytes, an empty run, then single bytes.
  const Bytes codes = {0xC5, 0x07, 0xC0, 0x55, 0x08, 0x09, 0xC4, 0x0A};
  PcxRunDecoder decoder(codes);
  Bytes unit(3);
  ASSERT_TRUE(decoder.DecodePcxUnit(unit.data(), 3));
  EXPECT_EQ(unit, (Bytes{0x07, 0x07, 0x07}));
  ASSERT_TRUE(decoder.DecodePcxUnit(unit.data(), 3));
  EXPECT_EQ(unit, (Bytes{0x07, 0x07, 0x08}));
  ASSERT_TRUE(decoder.DecodePcxUnit(unit.data(), 3));
  EXPECT_EQ(unit, (Bytes{0x09, 0x0A, 0x0A}));
  // Two bytes of the last run are left; a third unit byte is missing.
  EXPECT_FALSE(decoder.DecodePcxUnit(unit.data(), 3));
}

TEST(PcxLines, DecoderStopsAtTheEndOfTheData) {
  for (const Bytes& codes : {Bytes{}, Bytes{0x01}, Bytes{0x01, 0xC3}}) {
    SCOPED_TRACE(codes.size());
    PcxRunDecoder decoder(codes);
    Bytes unit(4);
    EXPECT_FALSE(decoder.DecodePcxUnit(unit.data(), 4));
  }
}

TEST(PcxLines, CodedLengthCoversTheRowsOrTakesEverything) {
  const Bytes codes = {0xC4, 0x01, 0x02, 0xC0, 0x00, 0x03, 0x04, 0xFF};
  bool is_complete = false;
  EXPECT_EQ(PcxCodedLength(codes, 5, &is_complete), 3u);
  EXPECT_TRUE(is_complete);
  // The empty run takes its two bytes but covers nothing.
  EXPECT_EQ(PcxCodedLength(codes, 6, &is_complete), 6u);
  EXPECT_TRUE(is_complete);
  // A count byte without its value at the end: not covered.
  EXPECT_EQ(PcxCodedLength(codes, 100, &is_complete), codes.size());
  EXPECT_FALSE(is_complete);
}

TEST(PcxLines, BytesPerLineOfEachLayout) {
  EXPECT_EQ(PcxBytesPerLine(PcxLayout::kBytes8, 101), 102);
  EXPECT_EQ(PcxBytesPerLine(PcxLayout::kBytes8, 100), 100);
  EXPECT_EQ(PcxBytesPerLine(PcxLayout::kBits1, 101), 14);
  EXPECT_EQ(PcxBytesPerLine(PcxLayout::kBits4, 16), 2);
  EXPECT_EQ(PcxBytesPerLine(PcxLayout::kBits1, 17), 4);
}

}  // namespace
