// The coded form of compression 217: fixtures written out by hand from the
// coder's code tables (flags, mode codes, run codes, stuffing, end of image),
// damaged streams, and round trips over images that exercise every mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/status.h"
#include "interchange/io/bit_writer.h"
#include "interchange/one_bit_runs/one_bit_run_stream.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Rows = std::vector<Bytes>;

Bytes Encode(const Rows& rows, int64_t width, int planes = 1) {
  Bytes out;
  BitWriter writer(out, FillOrder::kMsbFirst);
  OneBitRunEncoder encoder(writer, width);
  for (int p = 0; p < planes; ++p) {
    encoder.BeginPlane();
    for (const Bytes& row : rows) encoder.AddRow(row.data());
  }
  encoder.Finish();
  EXPECT_TRUE(writer.Flush());
  return out;
}

// Decodes `count` rows; `status` gets the first failure.
Rows Decode(const Bytes& coded, int64_t width, size_t count, int* status = nullptr) {
  OneBitRunDecoder decoder(coded, width);
  decoder.BeginPlane();
  Rows rows;
  if (status != nullptr) *status = 0;
  for (size_t i = 0; i < count; ++i) {
    Bytes row(static_cast<size_t>((width + 7) / 8));
    const int result = decoder.NextRow(row.data());
    if (result != 0) {
      if (status != nullptr && *status == 0) *status = result;
      break;
    }
    rows.push_back(row);
  }
  return rows;
}

// Row data as the coder puts it after a flag: `bits` ("1" and "0"; other
// characters ignored) with a 0 stuffed after every five 1s, padded with 0s.
Bytes StuffedRow(uint8_t flag, const std::string& bits) {
  Bytes out{flag};
  int ones = 0;
  int held = 0;
  uint8_t byte = 0;
  auto put = [&](int bit) {
    byte = static_cast<uint8_t>((byte << 1) | bit);
    if (++held == 8) {
      out.push_back(byte);
      held = 0;
      byte = 0;
    }
  };
  for (char c : bits) {
    if (c != '0' && c != '1') continue;
    const int bit = c == '1';
    put(bit);
    ones = bit ? ones + 1 : 0;
    if (ones == 5) {
      put(0);
      ones = 0;
    }
  }
  while (held != 0) put(0);
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

std::string RunCodeBits(int64_t value) {
  Bytes out;
  BitWriter writer(out, FillOrder::kMsbFirst);
  WriteRunCode(writer, value);
  const uint64_t count = writer.bits_written();
  EXPECT_TRUE(writer.Flush());
  std::string bits;
  for (uint64_t i = 0; i < count; ++i) bits += ((out[i / 8] >> (7 - i % 8)) & 1) != 0 ? '1' : '0';
  return bits;
}

TEST(OneBitRunCode, MatchesTheRunCodeTable) {
  const struct {
    int64_t value;
    const char* bits;
  } kCases[] = {
      {0, "000"},          {3, "011"},           {4, "10000"},
      {11, "10111"},       {12, "1100000"},      {27, "1101111"},
      {28, "111000000"},   {131067, "1111111111111101111111111111111"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(RunCodeBits(c.value), c.bits);
  }
  EXPECT_EQ(RunCodeBits(131067).size(), 31u);  // the longest code, k = 14
}

// Streams written out from the code tables, each with the rows it stands for.
struct StreamCase {
  const char* name;
  int64_t width;
  Rows rows;
  Bytes coded;
};

std::vector<StreamCase> TableStreams() {
  const Bytes kEndAfter64 = {0x7F, 0x7F, 0x00, 0x00};  // pair at bit 64: 80 mod 64 = 16, pad to 96
  return {
      // First row raw, every further unset row one code 0 (its end change).
      {"unset rows", 16, {{0, 0}, {0, 0}, {0, 0}},
       Concat({{0x7F, 0x00, 0x00, 0x7E, 0x00, 0x7E, 0x00, 0x00}, kEndAfter64})},
      // Pixel 5 under an unset line: 1111, run 5 (10001), run 1 (001), then 0
      // for the end change; stuffed after the first five 1s.
      {"single pixel", 16, {{0, 0}, {0x04, 0x00}},
       Concat({{0x7F, 0x00, 0x00}, StuffedRow(0x7E, "1111 10001 001 0"), {0x00, 0x00}, kEndAfter64})},
      // Vertical codes +1 and -1 against the row above, then the end change.
      {"vertical one", 16, {{0, 0}, {0x0F, 0x00}, {0x06, 0x00}},
       Concat({{0x7F, 0x00, 0x00}, StuffedRow(0x7E, "1111 10000 10000 0"), StuffedRow(0x7E, "100 101 0"),
               kEndAfter64})},
      // The end pair at bit 32 ends at 48 (past 32 of 64): pad to 64, one
      // more 0 bit, pad to 96.
      {"end pair past half", 8, {{0}, {0}}, {0x7F, 0x00, 0x7E, 0x00, 0x7F, 0x7F, 0, 0, 0, 0, 0, 0}},
  };
}

TEST(OneBitRunEncoder, WritesTheTableStreams) {
  for (const StreamCase& c : TableStreams()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Encode(c.rows, c.width), c.coded);
  }
}

TEST(OneBitRunDecoder, ReadsTheTableStreamsAndHandCodedModes) {
  std::vector<StreamCase> cases = TableStreams();
  const Bytes kReference = Concat({{0x7F, 0x00, 0x00}, StuffedRow(0x7E, "1111 10000 10000 0")});  // 4..7 set
  cases.push_back({"long vertical right", 16, {{0, 0}, {0x0F, 0x00}, {0x01, 0x00}},
                   Concat({kReference, StuffedRow(0x7E, "1100 0 1  0 0"), {0x7F, 0x7F}})});
  cases.push_back({"pass and long vertical left", 16, {{0, 0}, {0x0F, 0x00}, {0x00, 0x0C}},
                   Concat({kReference, StuffedRow(0x7E, "1110 1101 00 1 1101 1 0"), {0x7F, 0x7F}})});
  cases.push_back({"zero row repeats its reference", 16, {{0, 0}, {0x0F, 0x00}, {0x0F, 0x00}},
                   Concat({kReference, {0x7E, 0x00}, {0x7F, 0x7F}})});
  cases.push_back({"rows after the end pair are unset", 16, {{0xFF, 0x01}, {0, 0}, {0, 0}},
                   Concat({StuffedRow(0x7F, "11111111 00000001"), {0x7F, 0x7F, 0x7E, 0xFF}})});
  cases.push_back({"no end pair: the rest is unset", 16, {{0xA5, 0x5A}, {0, 0}}, StuffedRow(0x7F, "10100101 01011010")});
  cases.push_back({"no flag at all", 16, {{0, 0}, {0, 0}}, {0x00, 0x12, 0x34}});
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.name);
    int status = -2;
    EXPECT_EQ(Decode(c.coded, c.width, c.rows.size(), &status), c.rows);
    EXPECT_EQ(status, 0);
  }
}

TEST(OneBitRunDecoder, RefusesMalformedRowsAndKeepsTheRowsBefore) {
  const Bytes kReference = Concat({{0x7F, 0x00, 0x00}, StuffedRow(0x7E, "1111 10000 10000 0")});
  std::string many_changes = "1111 000 000";  // two changes at 0 per code
  for (int i = 0; i < 372; ++i) many_changes += " 1111 000 000";
  const struct {
    const char* name;
    Bytes coded;
    size_t rows_kept;
  } kCases[] = {
      {"raw row shorter than the width", {0x7F, 0x00, 0x7E, 0x00}, 0},
      {"six 1s inside row data", {0x7F, 0xFC, 0x00}, 0},
      {"run class above 14", Concat({kReference, StuffedRow(0x7E, "1111 111111111111111 0 00")}), 2},
      {"run code past the row's bits", Concat({kReference, StuffedRow(0x7E, "1111 1110"), {0x7F, 0x7F}}), 2},
      {"vertical offset beyond the width", Concat({kReference, StuffedRow(0x7E, "1100 00000000000000000 1")}), 2},
      {"vertical change left of a0", Concat({kReference, StuffedRow(0x7E, "0 1101 00000 1")}), 2},
      {"more than 744 changes", Concat({kReference, StuffedRow(0x7E, many_changes)}), 2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    int status = 0;
    const Rows rows = Decode(c.coded, 16, 4, &status);
    EXPECT_EQ(status, kIpiSyntaxError);
    EXPECT_EQ(rows.size(), c.rows_kept);
  }
}

// Images with horizontal runs, vertical edges that drift, noise and long
// runs, so that every mode code and the raw fallback are used.
Rows MakeImage(int64_t width, int rows, uint32_t seed, int kind) {
  std::mt19937 random(seed);
  const auto row_bytes = static_cast<size_t>((width + 7) / 8);
  Rows image(static_cast<size_t>(rows), Bytes(row_bytes, 0));
  auto set = [&](Bytes& row, int64_t x) { row[static_cast<size_t>(x >> 3)] |= static_cast<uint8_t>(0x80 >> (x & 7)); };
  std::vector<int64_t> edges;
  for (int e = 0; e < 6; ++e) edges.push_back(static_cast<int64_t>(random() % static_cast<uint32_t>(width)));
  for (int y = 0; y < rows; ++y) {
    Bytes& row = image[static_cast<size_t>(y)];
    if (kind == 0) {  // noise of some density
      for (int64_t x = 0; x < width; ++x) if (random() % 7 == 0) set(row, x);
    } else if (kind == 1) {  // drifting bands: vertical and pass codes
      std::sort(edges.begin(), edges.end());
      for (size_t e = 0; e + 1 < edges.size(); e += 2) {
        for (int64_t x = edges[e]; x < edges[e + 1]; ++x) set(row, x);
      }
      for (int64_t& edge : edges) {
        edge += static_cast<int64_t>(random() % 9) - 4;
        edge = std::clamp<int64_t>(edge, 0, width);
      }
    } else {  // alternating pixels: too many changes, raw rows
      for (int64_t x = y % 2; x < width; x += 2) set(row, x);
    }
  }
  return image;
}

TEST(OneBitRunCoder, RoundTripsImagesOfManyShapes) {
  int case_index = 0;
  for (int64_t width : {1, 7, 8, 9, 31, 100, 745, 3000}) {
    for (int kind = 0; kind < 3; ++kind) {
      SCOPED_TRACE(testing::Message() << "width " << width << " kind " << kind);
      const Rows image = MakeImage(width, 23, static_cast<uint32_t>(++case_index), kind);
      const Bytes coded = Encode(image, width, 2);
      EXPECT_EQ(CountCodedRows(coded), 46);
      OneBitRunDecoder decoder(coded, width);
      for (int plane = 0; plane < 2; ++plane) {
        decoder.BeginPlane();
        for (const Bytes& expected : image) {
          Bytes row(expected.size());
          ASSERT_EQ(decoder.NextRow(row.data()), 0);
          ASSERT_EQ(row, expected);
        }
      }
      Bytes after(image[0].size(), 0xEE);
      EXPECT_EQ(decoder.NextRow(after.data()), 0);
      EXPECT_TRUE(decoder.ended());
    }
  }
}

TEST(OneBitRunEncoder, ChoosesRawRowsByChangesAndRunLength) {
  const int64_t width = 8000;
  const auto row_bytes = static_cast<size_t>(width / 8);
  // Changes at 0, 2, 4, ...: `changes` of them, the last colour to the end.
  auto row_with_changes = [&](int changes) {
    Bytes row(row_bytes, 0);
    bool is_set = false;
    for (int64_t x = 0; x < width; ++x) {
      if (x < 2 * changes && x % 2 == 0) is_set = !is_set;
      if (is_set) row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    return row;
  };
  // Row flags are the only 0x7E and 0x7F bytes before the end pair.
  auto coded_rows = [](const Bytes& coded) { return std::count(coded.begin(), coded.end(), kCodedRowFlag); };
  const Bytes unset(row_bytes, 0);
  EXPECT_EQ(coded_rows(Encode({unset, row_with_changes(371), row_with_changes(371)}, width)), 2);
  // 372 changes go raw, even under an identical row.
  EXPECT_EQ(coded_rows(Encode({unset, row_with_changes(372), row_with_changes(372)}, width)), 0);
  EXPECT_EQ(coded_rows(Encode({unset, row_with_changes(371), row_with_changes(372)}, width)), 1);

  // A run longer than the longest run code forces a raw row.
  const int64_t wide = 300000;
  Bytes lonely(static_cast<size_t>(wide / 8), 0);
  lonely[200000 / 8] = 0x80;
  const Rows image = {Bytes(lonely.size(), 0), lonely};
  const Bytes coded = Encode(image, wide);
  EXPECT_EQ(coded[1 + lonely.size()], kRawRowFlag);
  EXPECT_EQ(Decode(coded, wide, 2), image);
}

TEST(OneBitRunDecoder, SurvivesEveryPrefixOfAGoodStream) {
  const Rows image = MakeImage(61, 9, 7, 1);
  const Bytes coded = Encode(image, 61);
  for (size_t cut = 0; cut <= coded.size(); ++cut) {
    SCOPED_TRACE(cut);
    const Bytes prefix(coded.begin(), coded.begin() + static_cast<std::ptrdiff_t>(cut));
    int status = -2;
    const Rows rows = Decode(prefix, 61, image.size(), &status);
    EXPECT_TRUE(status == 0 || status == kIpiSyntaxError) << status;
    if (status == 0) {
      EXPECT_EQ(rows.size(), image.size());
    }
  }
}

TEST(OneBitRunStream, CountsRowFlagsBeforeTheEndPair) {
  const Rows image = MakeImage(40, 5, 3, 1);
  const Bytes coded = Encode(image, 40);
  EXPECT_EQ(CountCodedRows(coded), 5);
  EXPECT_EQ(CountCodedRows(Bytes(coded.begin(), coded.begin() + 3)), 1);
  EXPECT_EQ(CountCodedRows({}), 0);
}

}  // namespace
