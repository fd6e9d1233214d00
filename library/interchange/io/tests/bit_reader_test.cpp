#include "interchange/io/bit_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// Reference: stream bit i, one at a time, 0 past the end.
int NaiveBit(const std::vector<uint8_t>& bytes, FillOrder order, uint64_t i) {
  if (i / 8 >= bytes.size()) return 0;
  int shift = order == FillOrder::kMsbFirst ? 7 - static_cast<int>(i % 8) : static_cast<int>(i % 8);
  return (bytes[i / 8] >> shift) & 1;
}

uint32_t NaiveBits(const std::vector<uint8_t>& bytes, FillOrder order, uint64_t first, int count) {
  uint32_t value = 0;
  for (int k = 0; k < count; ++k) value = (value << 1) | static_cast<uint32_t>(NaiveBit(bytes, order, first + k));
  return value;
}

const FillOrder kOrders[] = {FillOrder::kMsbFirst, FillOrder::kLsbFirst};

TEST(BitReader, FillOrderSaysWhichBitOfAByteComesFirst) {
  const std::vector<uint8_t> bytes = {0x01, 0x80, 0xC3};
  BitReader msb(bytes, FillOrder::kMsbFirst);
  EXPECT_EQ(msb.Peek(24), 0x0180C3u);
  EXPECT_EQ(msb.Read(8), 0x01u);
  EXPECT_EQ(msb.Read(1), 1u);
  BitReader lsb(bytes, FillOrder::kLsbFirst);
  EXPECT_EQ(lsb.Peek(24), 0x8001C3u);
  EXPECT_EQ(lsb.Read(1), 1u);
  EXPECT_EQ(lsb.Read(7), 0u);
}

// Random operations against the reference, for every peek width, both fill
// orders and lengths that exercise the eight-byte refill, the tail and the
// padding past the end.
TEST(BitReader, MatchesTheReferenceOnRandomData) {
  std::mt19937 rng(12345);
  for (FillOrder order : kOrders) {
    for (size_t size : {0, 1, 2, 7, 8, 9, 15, 16, 17, 63, 1000}) {
      SCOPED_TRACE(testing::Message() << "order " << static_cast<int>(order) << " size " << size);
      std::vector<uint8_t> bytes(size);
      for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
      const uint64_t total_bits = size * 8;
      for (int width = 0; width <= BitReader::kMaxPeekBits; ++width) {
        BitReader reader(bytes, order);
        uint64_t at = 0;
        // Enough steps to walk past the end of the data.
        for (int step = 0; at <= total_bits + 64; ++step) {
          ASSERT_EQ(reader.Peek(width), NaiveBits(bytes, order, at, width)) << "at bit " << at;
          int op = static_cast<int>(rng() % 8);
          if (op == 0) {
            reader.AlignToByte();
            at = (at + 7) / 8 * 8;
          } else if (op == 1) {
            int n = static_cast<int>(rng() % (BitReader::kMaxPeekBits + 1));
            ASSERT_EQ(reader.Read(n), NaiveBits(bytes, order, at, n)) << "at bit " << at;
            at += static_cast<uint64_t>(n);
          } else {
            // Peek a window, then consume a shorter code word, as a table
            // decoder does; width 0 still moves by 1 bit so the walk ends.
            int n = width == 0 ? 1 : 1 + static_cast<int>(rng() % width);
            reader.Consume(n);
            at += static_cast<uint64_t>(n);
          }
          ASSERT_EQ(reader.bits_consumed(), at);
          ASSERT_EQ(reader.overran(), at > total_bits);
          ASSERT_EQ(reader.bits_remaining(), at < total_bits ? total_bits - at : 0);
        }
      }
    }
  }
}

TEST(BitReader, TailPeeksReadZerosAndOnlyConsumingPastTheEndOverruns) {
  for (FillOrder order : kOrders) {
    SCOPED_TRACE(static_cast<int>(order));
    const std::vector<uint8_t> bytes = {0xFF, 0xFF, 0xFF};
    BitReader reader(bytes, order);
    EXPECT_EQ(reader.Peek(32), 0xFFFFFF00u);
    reader.Consume(20);
    EXPECT_EQ(reader.Peek(13), 0x1E00u);  // four real bits, then padding
    EXPECT_FALSE(reader.overran());
    reader.Consume(4);
    EXPECT_EQ(reader.bits_remaining(), 0u);
    EXPECT_FALSE(reader.overran());
    EXPECT_EQ(reader.Peek(32), 0u);
    EXPECT_FALSE(reader.overran());
    reader.Consume(1);
    EXPECT_TRUE(reader.overran());
    EXPECT_EQ(reader.bits_consumed(), 25u);
    // Reading far past the end keeps returning zeros.
    for (int i = 0; i < 100; ++i) EXPECT_EQ(reader.Read(32), 0u);
    EXPECT_TRUE(reader.overran());
  }
}

TEST(BitReader, AlignToByteSkipsToTheNextByteOnly) {
  const std::vector<uint8_t> bytes = {0xA5, 0x3C, 0x0F};
  BitReader reader(bytes, FillOrder::kMsbFirst);
  reader.AlignToByte();  // already aligned: nothing moves
  EXPECT_EQ(reader.bits_consumed(), 0u);
  reader.Consume(3);
  reader.AlignToByte();
  EXPECT_EQ(reader.bits_consumed(), 8u);
  EXPECT_EQ(reader.Read(8), 0x3Cu);
  reader.Consume(8);
  reader.AlignToByte();
  EXPECT_FALSE(reader.overran());
  EXPECT_EQ(reader.bits_consumed(), 24u);
}

TEST(BitReader, EmptyDataReadsZerosAndOverrunsOnTheFirstBit) {
  BitReader reader(std::span<const uint8_t>(), FillOrder::kMsbFirst);
  EXPECT_EQ(reader.Peek(32), 0u);
  EXPECT_FALSE(reader.overran());
  reader.Consume(0);
  EXPECT_FALSE(reader.overran());
  reader.Consume(1);
  EXPECT_TRUE(reader.overran());
}

}  // namespace
