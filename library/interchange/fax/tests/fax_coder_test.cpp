// The facsimile row coders: code words the standard fixes, round trips of
// every mode over pages with long runs, busy rows and odd widths, and damaged
// or cut-off data.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "interchange/fax/fax_coder.h"
#include "interchange/io/bit_reader.h"
#include "interchange/io/bit_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Page {
  int64_t width = 0;
  int64_t height = 0;
  Bytes rows;  // packed rows, (width + 7) / 8 bytes each
  int64_t RowBytes() const { return (width + 7) / 8; }
  uint8_t* Row(int64_t y) { return rows.data() + y * RowBytes(); }
};

// Text-like blocks, random noise and long runs, bits past the width clear.
Page MakePage(int64_t width, int64_t height, uint32_t seed) {
  Page p{width, height, Bytes(static_cast<size_t>(((width + 7) / 8) * height))};
  std::mt19937 random(seed);
  for (int64_t y = 0; y < height; ++y) {
    for (int64_t x = 0; x < width; ++x) {
      bool black = false;
      switch ((y / 7) % 4) {
        case 0: black = false; break;                                  // white rows
        case 1: black = (random() % 5) == 0; break;                    // noise
        case 2: black = ((x / 3 + y) % 11) < 4; break;                 // strokes
        case 3: black = x > width / 3 && x < width - 5; break;         // a long black run
      }
      if (black) p.Row(y)[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }
  return p;
}

Bytes Encode(const Page& page, FaxCoding coding, int k = 2, bool aligned = false,
             FillOrder order = FillOrder::kMsbFirst) {
  Bytes out;
  BitWriter writer(out, order);
  FaxEncoder encoder(writer, page.width, coding, k, aligned);
  encoder.BeginPlane();
  for (int64_t y = 0; y < page.height; ++y) encoder.AddRow(page.rows.data() + y * page.RowBytes());
  encoder.EndPlane();
  EXPECT_TRUE(writer.Flush());
  return out;
}

// Decodes `height` rows; `results` gets each row's outcome.
Page Decode(const Bytes& coded, int64_t width, int64_t height, FaxCoding coding,
            std::vector<FaxRowResult>* results = nullptr, FillOrder order = FillOrder::kMsbFirst) {
  Page page{width, height, Bytes(static_cast<size_t>(((width + 7) / 8) * height), 0xAA)};
  FaxDecoder decoder(width, coding);
  decoder.BeginStrip(coded, order);
  for (int64_t y = 0; y < height; ++y) {
    const FaxRowResult r = decoder.NextRow(page.Row(y));
    if (results != nullptr) results->push_back(r);
  }
  return page;
}

std::string Bits(const Bytes& bytes, size_t count) {
  std::string s;
  for (size_t i = 0; i < count; ++i) s += ((bytes[i / 8] >> (7 - i % 8)) & 1) != 0 ? '1' : '0';
  return s;
}

Bytes FromBits(const std::string& bits) {
  Bytes out((bits.size() + 7) / 8);
  for (size_t i = 0; i < bits.size(); ++i) {
    if (bits[i] == '1') out[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
  }
  return out;
}

TEST(FaxCoder, CodeWordsOfTheStandard) {
  // One white row of 1728: EOL, makeup 1728 (010011011), terminating 0 (00110101).
  Page white{1728, 1, Bytes(216)};
  Bytes mh = Encode(white, FaxCoding::kHuffman);
  EXPECT_EQ(Bits(mh, 12 + 9 + 8), "000000000001" "010011011" "00110101");
  // 5000 white: 2560 (000000011111), 2432 (000000011101), 8 (10011), then black 0.
  Page long_run{5000, 1, Bytes(625)};
  Bytes no_eol = Encode(long_run, FaxCoding::kHuffmanNoEol);
  EXPECT_EQ(Bits(no_eol, 12 + 12 + 5), "000000011111" "000000011101" "10011");
  // MMR of two white rows: V0 V0 then EOFB, no fill.
  Page two{8, 2, Bytes(2)};
  EXPECT_EQ(Encode(two, FaxCoding::kMmr), (Bytes{0xC0, 0x04, 0x00, 0x40}));
}

TEST(FaxCoder, EolsAlignAndTagBitsFollowK) {
  Page page = MakePage(61, 12, 3);
  // Aligned MH: the data ends with six EOLs ending on the last bit.
  Bytes mh = Encode(page, FaxCoding::kHuffman, 0, true);
  const std::string tail = Bits(mh, mh.size() * 8).substr(mh.size() * 8 - 72);
  std::string rtc;
  for (int i = 0; i < 6; ++i) rtc += "000000000001";
  EXPECT_EQ(tail, rtc);
  // MR with K = 4: tag bit 1 on rows 0, 4, 8.
  Bytes mr = Encode(page, FaxCoding::kMr, 4, true);
  const std::string all = Bits(mr, mr.size() * 8);
  std::vector<char> tags;
  for (size_t at = all.find("000000000001"); at != std::string::npos && tags.size() < 12;
       at = all.find("000000000001", at + 13)) {
    EXPECT_EQ((at + 12) % 8, tags.empty() ? 4u : 0u) << "EOL " << tags.size();
    tags.push_back(all[at + 12]);
  }
  EXPECT_EQ(std::string(tags.begin(), tags.end()), "100010001000");
  EXPECT_EQ(mr.size() * 8 % 8, 0u);
}

TEST(FaxCoder, RoundTripsEveryMode) {
  const struct {
    FaxCoding coding;
    int k;
    bool aligned;
  } modes[] = {{FaxCoding::kHuffmanNoEol, 0, false}, {FaxCoding::kHuffman, 0, false},
               {FaxCoding::kHuffman, 0, true},       {FaxCoding::kMr, 2, false},
               {FaxCoding::kMr, 4, true},            {FaxCoding::kMmr, 0, false}};
  for (int64_t width : {1, 7, 8, 63, 64, 65, 1728, 2600, 5000}) {
    const Page page = MakePage(width, 30, static_cast<uint32_t>(width));
    for (const auto& m : modes) {
      for (FillOrder order : {FillOrder::kMsbFirst, FillOrder::kLsbFirst}) {
        SCOPED_TRACE(testing::Message() << "width " << width << " mode " << static_cast<int>(m.coding) << " k "
                                        << m.k << " order " << static_cast<int>(order));
        const Bytes coded = Encode(page, m.coding, m.k, m.aligned, order);
        std::vector<FaxRowResult> results;
        const Page back = Decode(coded, width, page.height, m.coding, &results, order);
        EXPECT_TRUE(back.rows == page.rows);
        for (FaxRowResult r : results) EXPECT_EQ(r, FaxRowResult::kRow);
        // One row more than coded: the data has ended.
        const Page more = Decode(coded, width, page.height + 1, m.coding, &results, order);
        EXPECT_EQ(results.back(), FaxRowResult::kEnd);
        EXPECT_EQ(more.rows.back(), 0);
      }
    }
  }
}

TEST(FaxCoder, FillBeforeEolsChangesNothing) {
  const Page page = MakePage(100, 14, 9);
  const Bytes plain = Encode(page, FaxCoding::kHuffman);
  // Re-code with 5 to 12 zero bits before every EOL.
  std::string bits = Bits(plain, plain.size() * 8);
  std::string padded;
  int n = 0;
  for (size_t at = 0; at < bits.size();) {
    if (bits.compare(at, 12, "000000000001") == 0) {
      padded += std::string(static_cast<size_t>(5 + n++ % 8), '0') + "000000000001";
      at += 12;
    } else {
      padded += bits[at++];
    }
  }
  const Bytes filled = FromBits(padded);
  EXPECT_TRUE(Decode(filled, 100, 14, FaxCoding::kHuffman).rows == page.rows);
}

TEST(FaxCoder, DamagedAndCutDataStayInsideTheRows) {
  const Page page = MakePage(203, 40, 5);
  for (FaxCoding coding : {FaxCoding::kHuffmanNoEol, FaxCoding::kHuffman, FaxCoding::kMr, FaxCoding::kMmr}) {
    SCOPED_TRACE(static_cast<int>(coding));
    const Bytes coded = Encode(page, coding, 2);
    // Cut off: the rows before the cut decode, the rest are reported.
    for (size_t keep : {size_t{0}, size_t{1}, coded.size() / 3, coded.size() / 2, coded.size() - 12}) {
      const Bytes cut(coded.begin(), coded.begin() + static_cast<std::ptrdiff_t>(keep));
      std::vector<FaxRowResult> results;
      const Page back = Decode(cut, page.width, page.height, coding, &results);
      EXPECT_NE(results.back(), FaxRowResult::kRow) << keep;
      size_t good = 0;
      while (good < results.size() && results[good] == FaxRowResult::kRow) ++good;
      for (size_t y = 0; y + 1 < good; ++y) {
        EXPECT_TRUE(std::equal(page.rows.begin() + static_cast<std::ptrdiff_t>(y * 26),
                               page.rows.begin() + static_cast<std::ptrdiff_t>((y + 1) * 26),
                               back.rows.begin() + static_cast<std::ptrdiff_t>(y * 26)));
      }
    }
    // Random damage: never a crash or a write off the row (sanitizer build).
    std::mt19937 random(11);
    for (int trial = 0; trial < 200; ++trial) {
      Bytes damaged = coded;
      for (int i = 0; i < 4; ++i) damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1 << (random() % 8));
      Decode(damaged, page.width, page.height, coding);
      Bytes noise(64);
      for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
      Decode(noise, page.width, 20, coding);
    }
  }
}

TEST(FaxCoder, RunsPastTheRowAndChangesBehindA0AreReported) {
  // Width 8, MH without EOLs: white 9 (10100) runs past the row.
  std::vector<FaxRowResult> results;
  Page p = Decode(Bytes{0xA0, 0x00}, 8, 1, FaxCoding::kHuffmanNoEol, &results);
  EXPECT_EQ(results[0], FaxRowResult::kDamagedRow);
  EXPECT_EQ(p.rows[0], 0x00);
  // MMR, width 8. Row 1: H, white 2, black 1, V0. Row 2: H, white 6, black 1,
  // then VL3 against b1 = 8 puts a1 at 5, behind a0 = 7: clamped and reported.
  results.clear();
  p = Decode(FromBits("001" "0111" "010" "1" "001" "1110" "010" "0000010"), 8, 2, FaxCoding::kMmr, &results);
  EXPECT_EQ(results[0], FaxRowResult::kRow);
  EXPECT_EQ(p.rows[0], 0x20);
  EXPECT_EQ(results[1], FaxRowResult::kDamagedRow);
  EXPECT_EQ(p.rows[1], 0x03);
  // A horizontal code whose runs pass the row: 001, white 6 (1110), black 5 (0011).
  results.clear();
  p = Decode(Bytes{0x3C, 0x60}, 8, 1, FaxCoding::kMmr, &results);
  EXPECT_EQ(results[0], FaxRowResult::kDamagedRow);
  EXPECT_EQ(p.rows[0], 0x03);
}

}  // namespace
