// The RGB, grey and bitmap entry points byte for byte: each source mode (and
// for bitmaps each method and a spread of thresholds) on a sweep of packed
// bitmaps of every depth (odd widths up to rows longer than any vector step,
// grey, coloured and short tables, a table before 24-bit rows, junk in the
// row padding), each whole result handle folded into one digest per case.
// The digests were taken from the results of the road through image objects;
// they hold those results fixed whatever road a conversion takes. A
// run-length coded source must give the plain source's bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "packed_dib.h"

namespace {

using api_testing::ScopedHandle;

constexpr uint32_t kRunLength8 = 1;

enum class Export { kRgb, kGrey, kBitmap };

struct ModeCase {
  Export which;
  int32_t mode;
  int32_t method;  // bitmaps only
  int32_t threshold;
  uint64_t digest;  // of every result in the sweep
};

const ModeCase kCases[] = {
    {Export::kRgb, 14, 0, 0, 0xE0E391C5EC9B820Full},
    {Export::kRgb, 15, 0, 0, 0xB121803C9D0A87B5ull},
    {Export::kRgb, 16, 0, 0, 0xA31AFCA0F43F302Bull},
    {Export::kRgb, 17, 0, 0, 0xA31AFCA0F43F302Bull},
    {Export::kGrey, 14, 0, 0, 0x32173183C1FFCBDCull},
    {Export::kGrey, 15, 0, 0, 0x6D768BC9FDF5AD0Cull},
    {Export::kGrey, 16, 0, 0, 0x576494DAA97CC78Bull},
    {Export::kGrey, 18, 0, 0, 0xE07FFBCF1BD4E07ull},
    {Export::kGrey, 50, 0, 0, 0x931B71AB459D7EB0ull},
    {Export::kBitmap, 15, 19, 128, 0x9F28780C89E6D671ull},
    {Export::kBitmap, 16, 19, 128, 0xB78594D845E39D4Aull},
    {Export::kBitmap, 16, 19, 0, 0x2BEB0294F7F28705ull},
    {Export::kBitmap, 16, 19, 255, 0xD8895CADC59A11BAull},
    {Export::kBitmap, 17, 19, 0, 0x2BEB0294F7F28705ull},
    {Export::kBitmap, 17, 19, 1, 0xC2B8BC191B5AFBCCull},
    {Export::kBitmap, 17, 19, 127, 0x66D1CB51ADE61FE1ull},
    {Export::kBitmap, 17, 19, 128, 0xD514890E60F14792ull},
    {Export::kBitmap, 17, 19, 200, 0xAB5F24D48A679AC0ull},
    {Export::kBitmap, 17, 19, 255, 0x84CC6D2BCBBBE17Bull},
    {Export::kBitmap, 18, 19, 0, 0x6D080EB56512CAF5ull},
    {Export::kBitmap, 18, 19, 1, 0xDE94FF7BD1DE3C69ull},
    {Export::kBitmap, 18, 19, 128, 0x2971A3CC21225720ull},
    {Export::kBitmap, 18, 19, 255, 0x53428E124AED0C45ull},
    {Export::kBitmap, 15, 20, 128, 0x90C7663E5DBAEE80ull},
    {Export::kBitmap, 17, 20, 128, 0xA17669D1F70CE842ull},
    {Export::kBitmap, 18, 20, 128, 0xAD583AB3010F1805ull},
    {Export::kBitmap, 16, 21, 128, 0xE1D5F776F45F8DB8ull},
    {Export::kBitmap, 17, 21, 128, 0x32948CF2D5A81B6Eull},
    {Export::kBitmap, 18, 21, 128, 0xA1012421C903477Full},
};

std::string Name(const ModeCase& c) {
  static const char* const kNames[] = {"RGB", "grey", "bitmap"};
  return std::string(kNames[static_cast<int>(c.which)]) + " from " + std::to_string(c.mode) + " method " +
         std::to_string(c.method) + " threshold " + std::to_string(c.threshold);
}

HGLOBAL Call(const ModeCase& c, HGLOBAL source, int32_t* status) {
  switch (c.which) {
    case Export::kRgb: return CmiModeRGBColor(source, c.mode, nullptr, 0, status);
    case Export::kGrey: return CmiModeGrayscale(source, c.mode, nullptr, 0, status);
    case Export::kBitmap: return CmiModeBitmap(source, c.mode, c.method, c.threshold, nullptr, 0, status);
  }
  return 0;
}

// The colour table at the head of a source: a grey ramp or distinct colours
// of every entry the depth indexes, or fewer entries than that (for 24 bits,
// a table the rows follow).
enum class Table { kGreyRamp, kColours, kShort };

struct Source {
  int32_t bits;
  int32_t width;
  int32_t height;
  Table table;
  uint32_t seed;
};

uint32_t EntriesOf(const Source& s) {
  if (s.table == Table::kShort) return s.bits == 1 ? 1 : s.bits == 4 ? 5 : 20;
  return s.bits == 24 ? 0 : 1u << s.bits;
}

// Every stored byte, padding included, from a deterministic stream: runs of
// one value (flats at the thresholds' edges) between noise.
std::vector<uint8_t> StoredRows(const Source& s, size_t row_bytes) {
  std::vector<uint8_t> rows(row_bytes * static_cast<size_t>(s.height));
  uint32_t state = s.seed;
  for (size_t i = 0; i < rows.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    const uint32_t noise = state >> 24;
    rows[i] = (i / 5) % 4 == 0 ? static_cast<uint8_t>((i / 20) % 3 == 0 ? 0 : (i / 20) % 3 == 1 ? 127 : 255)
                               : static_cast<uint8_t>(noise);
  }
  return rows;
}

// The packed bitmap of a source: plain rows, or (8 bits) run-length coded
// rows of one-pixel runs holding the plain rows' pixels.
HGLOBAL MakeSource(const Source& s, bool run_length) {
  const uint32_t entries = EntriesOf(s);
  const size_t row_bytes = (static_cast<size_t>(s.width) * s.bits + 31) / 32 * 4;
  const std::vector<uint8_t> plain = StoredRows(s, row_bytes);
  std::vector<uint8_t> body;
  if (run_length) {
    for (int32_t stored = 0; stored < s.height; ++stored) {
      for (int32_t x = 0; x < s.width; ++x) body.insert(body.end(), {1, plain[stored * row_bytes + x]});
      body.insert(body.end(), {0, 0});  // end of line
    }
    body.insert(body.end(), {0, 1});  // end of bitmap
  } else {
    body = plain;
  }

  api_testing::RawDib dib{s.bits, s.width, s.height, run_length ? kRunLength8 : 0,
                          s.table == Table::kShort ? entries : 0, std::vector<uint8_t>(4 * entries), body};
  const uint32_t step = s.bits == 1 ? 255 : s.bits == 4 ? 17 : 1;
  for (uint32_t i = 0; i < entries; ++i) {
    uint8_t* e = &dib.table[4 * i];
    const auto level = static_cast<uint8_t>(i * step);
    if (s.table == Table::kGreyRamp) {
      e[0] = e[1] = e[2] = level;
    } else {
      e[0] = static_cast<uint8_t>(i * 7 + 3);
      e[1] = static_cast<uint8_t>(255 - i * 3);
      e[2] = static_cast<uint8_t>((i * 41) ^ 0x5A);
      e[3] = 0x11;  // a reserved byte that is not 0
    }
  }
  return api_testing::MakeRawDib(dib);
}

std::vector<Source> SourcesOf(int32_t bits) {
  const struct {
    int32_t width, height;
  } sizes[] = {{1, 1}, {1, 4}, {7, 3}, {33, 5}, {1031, 3}};
  std::vector<Source> sources;
  uint32_t seed = static_cast<uint32_t>(bits) * 1000;
  for (const auto& size : sizes) {
    for (Table table : {Table::kGreyRamp, Table::kColours, Table::kShort}) {
      if (bits == 24 && table == Table::kColours) continue;  // 24-bit tables are all "short"
      sources.push_back({bits, size.width, size.height, table, seed++});
    }
  }
  return sources;
}

// The result of one call as bytes: status, then the whole handle.
std::vector<uint8_t> Outcome(const ModeCase& c, HGLOBAL source) {
  int32_t status = 99;
  ScopedHandle result(Call(c, source, &status));
  return api_testing::CallOutcome(status, result.get());
}

TEST(ColourModeOutputs, EveryConversionKeepsItsBytes) {
  for (const ModeCase& c : kCases) {
    SCOPED_TRACE(Name(c));
    uint64_t digest = api_testing::kDigestStart;
    for (const Source& s : SourcesOf(api_testing::BitsOfColourMode(c.mode))) {
      ScopedHandle source(MakeSource(s, false));
      const std::vector<uint8_t> outcome = Outcome(c, source.get());
      ASSERT_EQ(outcome[0], 0) << s.bits << " bits " << s.width << "x" << s.height;
      digest = api_testing::FoldDigest(digest, outcome.data(), outcome.size());
    }
    EXPECT_EQ(digest, c.digest) << std::hex << "0x" << digest;
  }
}

TEST(ColourModeOutputs, RunLengthSourcesGiveThePlainSourcesResults) {
  for (const ModeCase& c : kCases) {
    if (api_testing::BitsOfColourMode(c.mode) != 8) continue;
    SCOPED_TRACE(Name(c));
    for (const Source& s : SourcesOf(8)) {
      SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height));
      ScopedHandle plain(MakeSource(s, false));
      ScopedHandle coded(MakeSource(s, true));
      ASSERT_EQ(Outcome(c, plain.get()), Outcome(c, coded.get()));
    }
  }
}

}  // namespace
