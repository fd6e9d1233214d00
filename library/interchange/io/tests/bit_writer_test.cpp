#include "interchange/io/bit_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "interchange/io/bit_reader.h"
#include "interchange/io/byte_sink.h"

namespace {

struct Code {
  uint32_t value;
  int bit_count;
};

// Reference packer: one bit at a time, last byte padded with zeros.
std::vector<uint8_t> NaivePack(const std::vector<Code>& codes, FillOrder order) {
  std::vector<uint8_t> out;
  uint64_t at = 0;
  for (const Code& code : codes) {
    for (int k = code.bit_count - 1; k >= 0; --k, ++at) {
      if (at % 8 == 0) out.push_back(0);
      int shift = order == FillOrder::kMsbFirst ? 7 - static_cast<int>(at % 8) : static_cast<int>(at % 8);
      out.back() |= static_cast<uint8_t>(((code.value >> k) & 1) << shift);
    }
  }
  return out;
}

std::vector<Code> RandomCodes(std::mt19937& rng, size_t count) {
  std::vector<Code> codes(count);
  for (Code& code : codes) {
    code.bit_count = static_cast<int>(rng() % (BitWriter::kMaxWriteBits + 1));
    code.value = static_cast<uint32_t>(rng());  // high bits beyond bit_count must be ignored
  }
  return codes;
}

uint32_t Low(uint32_t value, int bit_count) {
  return static_cast<uint32_t>(value & ((uint64_t{1} << bit_count) - 1));
}

const FillOrder kOrders[] = {FillOrder::kMsbFirst, FillOrder::kLsbFirst};

TEST(BitWriter, PacksLikeTheReferenceAndReadsBack) {
  std::mt19937 rng(777);
  for (FillOrder order : kOrders) {
    for (size_t count : {0, 1, 2, 5, 40, 3000}) {
      SCOPED_TRACE(testing::Message() << "order " << static_cast<int>(order) << " codes " << count);
      std::vector<Code> codes = RandomCodes(rng, count);
      std::vector<uint8_t> bytes;
      BitWriter writer(bytes, order);
      uint64_t bits = 0;
      for (const Code& code : codes) {
        writer.Write(code.value, code.bit_count);
        bits += static_cast<uint64_t>(code.bit_count);
      }
      EXPECT_EQ(writer.bits_written(), bits);
      ASSERT_TRUE(writer.Flush());
      EXPECT_EQ(bytes, NaivePack(codes, order));
      EXPECT_EQ(writer.bytes_written(), bytes.size());

      BitReader reader(bytes, order);
      for (const Code& code : codes) ASSERT_EQ(reader.Read(code.bit_count), Low(code.value, code.bit_count));
      EXPECT_FALSE(reader.overran());
    }
  }
}

TEST(BitWriter, PadsWithZerosOrOnesToTheNextByte) {
  struct Case {
    FillOrder order;
    PadBits pad;
    uint8_t expected;
  };
  // Bits 101 then padding: MSB first 101xxxxx, LSB first the mirror.
  const Case cases[] = {
      {FillOrder::kMsbFirst, PadBits::kZeros, 0xA0},
      {FillOrder::kMsbFirst, PadBits::kOnes, 0xBF},
      {FillOrder::kLsbFirst, PadBits::kZeros, 0x05},
      {FillOrder::kLsbFirst, PadBits::kOnes, 0xFD},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.order) << "/" << static_cast<int>(c.pad));
    std::vector<uint8_t> bytes;
    BitWriter writer(bytes, c.order);
    writer.Write(0b101, 3);
    writer.PadToByte(c.pad);
    EXPECT_EQ(writer.bits_written(), 8u);
    writer.PadToByte(c.pad);  // aligned: adds nothing
    writer.Write(0x12, 8);
    ASSERT_TRUE(writer.Flush());
    uint8_t second = c.order == FillOrder::kMsbFirst ? 0x12 : 0x48;
    EXPECT_EQ(bytes, (std::vector<uint8_t>{c.expected, second}));
  }
}

TEST(BitWriter, SinkOutputEqualsVectorOutput) {
  std::mt19937 rng(4242);
  // Enough codes to pass several 64 KiB pieces.
  std::vector<Code> codes = RandomCodes(rng, 70000);
  for (FillOrder order : kOrders) {
    SCOPED_TRACE(static_cast<int>(order));
    std::vector<uint8_t> direct;
    BitWriter to_vector(direct, order);
    MemorySink sink;
    BitWriter to_sink(sink, order);
    for (const Code& code : codes) {
      to_vector.Write(code.value, code.bit_count);
      to_sink.Write(code.value, code.bit_count);
    }
    ASSERT_TRUE(to_vector.Flush());
    ASSERT_TRUE(to_sink.Flush());
    ASSERT_GT(direct.size(), 2 * BitWriter::kSinkPieceBytes);
    EXPECT_EQ(sink.bytes(), direct);
  }
}

TEST(BitWriter, AFullSinkFailsTheFlush) {
  // The sink takes 100 bytes; the writer passes it in the middle of the data.
  MemorySink sink(100);
  BitWriter writer(sink, FillOrder::kMsbFirst);
  for (uint32_t i = 0; i < BitWriter::kSinkPieceBytes / 2; ++i) writer.Write(i, 32);
  writer.Write(1, 1);
  EXPECT_FALSE(writer.Flush());
  EXPECT_EQ(sink.failure(), SinkFailure::kLimitReached);
  EXPECT_EQ(SinkStatus(sink), 8);
  EXPECT_TRUE(sink.bytes().empty());
}

}  // namespace
