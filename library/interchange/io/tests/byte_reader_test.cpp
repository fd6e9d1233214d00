#include "interchange/io/byte_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();

TEST(ByteReader, ReadsNumbersInBothByteOrders) {
  const std::array<uint8_t, 12> bytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06,
                                         0xFF, 0xFE, 0x80, 0x00, 0x00, 0x01};
  ByteReader reader(bytes);
  uint8_t u8 = 0;
  uint16_t le16 = 0, be16 = 0;
  uint32_t le32 = 0, be32 = 0;
  ASSERT_TRUE(reader.ReadU8(u8));
  ASSERT_TRUE(reader.ReadU16Le(le16));
  ASSERT_TRUE(reader.ReadU16Be(be16));
  ASSERT_TRUE(reader.ReadU8(u8));
  ASSERT_TRUE(reader.ReadU32Le(le32));
  ASSERT_TRUE(reader.SeekTo(6));
  ASSERT_TRUE(reader.ReadU32Be(be32));
  EXPECT_EQ(u8, 0x06);
  EXPECT_EQ(le16, 0x0302);
  EXPECT_EQ(be16, 0x0405);
  EXPECT_EQ(le32, 0x0080FEFFu);
  EXPECT_EQ(be32, 0xFFFE8000u);

  ByteReader ordered(bytes);
  uint16_t a = 0, b = 0;
  uint32_t c = 0, d = 0;
  ASSERT_TRUE(ordered.ReadU16(ByteOrder::kLittleEndian, a));
  ASSERT_TRUE(ordered.ReadU16(ByteOrder::kBigEndian, b));
  ASSERT_TRUE(ordered.ReadU32(ByteOrder::kLittleEndian, c));
  ASSERT_TRUE(ordered.ReadU32(ByteOrder::kBigEndian, d));
  EXPECT_EQ(a, 0x0201);
  EXPECT_EQ(b, 0x0304);
  EXPECT_EQ(c, 0xFEFF0605u);
  EXPECT_EQ(d, 0x80000001u);
  EXPECT_EQ(ordered.remaining(), 0u);
}

// Every read that needs more bytes than remain fails and changes neither its
// output nor the position.
TEST(ByteReader, ShortReadsLeaveOutputAndPositionUnchanged) {
  const std::array<uint8_t, 5> bytes = {1, 2, 3, 4, 5};
  for (uint64_t start = 0; start <= bytes.size(); ++start) {
    SCOPED_TRACE(start);
    ByteReader reader(bytes);
    ASSERT_TRUE(reader.SeekTo(start));
    uint64_t left = bytes.size() - start;
    uint8_t u8 = 0xAA;
    uint16_t u16 = 0xAAAA;
    uint32_t u32 = 0xAAAAAAAA;
    std::array<uint8_t, 6> buffer;
    buffer.fill(0xAA);
    if (left < 1) {
      EXPECT_FALSE(reader.ReadU8(u8));
    }
    if (left < 2) {
      EXPECT_FALSE(reader.ReadU16Le(u16));
      EXPECT_FALSE(reader.ReadU16Be(u16));
      EXPECT_FALSE(reader.ReadU16(ByteOrder::kBigEndian, u16));
    }
    if (left < 4) {
      EXPECT_FALSE(reader.ReadU32Le(u32));
      EXPECT_FALSE(reader.ReadU32Be(u32));
      EXPECT_FALSE(reader.ReadU32(ByteOrder::kLittleEndian, u32));
    }
    EXPECT_FALSE(reader.ReadBytes(std::span<uint8_t>(buffer).first(left + 1)));
    EXPECT_FALSE(reader.Skip(left + 1));
    EXPECT_FALSE(reader.Skip(kMax));
    EXPECT_EQ(u8, 0xAA);
    EXPECT_EQ(u16, 0xAAAA);
    EXPECT_EQ(u32, 0xAAAAAAAAu);
    for (uint8_t byte : buffer) EXPECT_EQ(byte, 0xAA);
    EXPECT_EQ(reader.position(), start);
    EXPECT_EQ(reader.remaining(), left);
    // What does fit still reads.
    EXPECT_TRUE(reader.ReadBytes(std::span<uint8_t>(buffer).first(left)));
    EXPECT_EQ(reader.remaining(), 0u);
  }
}

TEST(ByteReader, EmptyViewRefusesEveryRead) {
  ByteReader reader;
  uint8_t u8 = 7;
  EXPECT_FALSE(reader.ReadU8(u8));
  EXPECT_EQ(u8, 7);
  EXPECT_TRUE(reader.SeekTo(0));
  EXPECT_FALSE(reader.SeekTo(1));
  EXPECT_TRUE(reader.Skip(0));
  EXPECT_TRUE(reader.ReadBytes({}));
  ByteReader slice;
  EXPECT_TRUE(reader.Slice(0, 0, slice));
  EXPECT_EQ(slice.size(), 0u);
}

TEST(ByteReader, SliceAcceptsExactlyTheRangesInsideTheView) {
  std::vector<uint8_t> bytes(10);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  struct Case {
    const char* name;
    uint64_t offset;
    uint64_t length;
    bool accepted;
  };
  const Case cases[] = {
      {"whole view", 0, 10, true},
      {"empty at the end", 10, 0, true},
      {"tail", 7, 3, true},
      {"one past the end", 7, 4, false},
      {"start past the end", 11, 0, false},
      {"length past the end", 0, 11, false},
      {"offset at the maximum", kMax, 1, false},
      {"offset at the maximum, empty", kMax, 0, false},
      {"length at the maximum", 1, kMax, false},
      {"both at the maximum", kMax, kMax, false},
      // offset + length wraps to 0 here: the range must still be refused.
      {"sum wraps to zero", 2, kMax - 1, false},
      {"sum wraps into the view", 5, kMax - 2, false},
      {"offset 2^63", uint64_t{1} << 63, uint64_t{1} << 63, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ByteReader reader(bytes);
    ASSERT_TRUE(reader.SeekTo(4));
    const std::array<uint8_t, 1> sentinel_bytes = {0x5A};
    ByteReader out(sentinel_bytes);
    ASSERT_TRUE(out.Skip(1));
    EXPECT_EQ(reader.Slice(c.offset, c.length, out), c.accepted);
    EXPECT_EQ(reader.position(), 4u);  // the parent does not move
    if (c.accepted) {
      EXPECT_EQ(out.size(), c.length);
      EXPECT_EQ(out.position(), 0u);
      uint8_t first = 0;
      if (c.length > 0) {
        ASSERT_TRUE(out.ReadU8(first));
        EXPECT_EQ(first, c.offset);
      }
    } else {
      EXPECT_EQ(out.bytes().data(), sentinel_bytes.data());
      EXPECT_EQ(out.position(), 1u);
    }

    ByteReader seek(bytes);
    ASSERT_TRUE(seek.SeekTo(3));
    EXPECT_EQ(seek.SeekTo(c.offset), c.offset <= bytes.size());
    EXPECT_EQ(seek.position(), c.offset <= bytes.size() ? c.offset : 3u);
  }
}

TEST(ByteReader, SliceOfASliceStaysInsideIt) {
  const std::array<uint8_t, 8> bytes = {0, 1, 2, 3, 4, 5, 6, 7};
  ByteReader file(bytes);
  ByteReader middle;
  ASSERT_TRUE(file.Slice(2, 4, middle));
  ByteReader inner;
  EXPECT_FALSE(middle.Slice(1, 4, inner));  // would reach byte 7 of the file
  ASSERT_TRUE(middle.Slice(1, 3, inner));
  std::array<uint8_t, 3> got{};
  ASSERT_TRUE(inner.ReadBytes(got));
  EXPECT_EQ(got, (std::array<uint8_t, 3>{3, 4, 5}));
  EXPECT_FALSE(middle.SeekTo(5));
}

TEST(ByteReader, ReadSliceTakesTheNextBytesOrNothing) {
  const std::array<uint8_t, 6> bytes = {9, 8, 7, 6, 5, 4};
  ByteReader reader(bytes);
  ASSERT_TRUE(reader.Skip(1));
  ByteReader chunk;
  ASSERT_TRUE(reader.ReadSlice(3, chunk));
  EXPECT_EQ(reader.position(), 4u);
  EXPECT_EQ(chunk.size(), 3u);
  EXPECT_EQ(chunk.bytes()[0], 8);
  EXPECT_EQ(reader.rest().size(), 2u);
  EXPECT_FALSE(reader.ReadSlice(3, chunk));
  EXPECT_FALSE(reader.ReadSlice(kMax, chunk));
  EXPECT_EQ(reader.position(), 4u);
  EXPECT_EQ(chunk.size(), 3u);
}

}  // namespace
