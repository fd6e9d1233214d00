#include "core/streams/stream.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "plat/files.h"
#include "tests/support/test_support.h"

namespace {

// One object per repository, with caller memory owned by the fixture.
class RepositoryTest : public ::testing::TestWithParam<int32_t> {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); ASSERT_NE(sys_, nullptr); }
  void TearDown() override {
    EXPECT_EQ(IpiCloseSystem(sys_), 0);
    EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
  }

  IpiObject* MakeImage(int width, int height, int precision, int32_t data_type, int bands = 1) {
    IpiObject* obj = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, nullptr, 0);
    std::vector<IpiAttribute> list = {{"xDimension", width}, {"yDimension", height}, {"bDimension", bands},
                                      {"dataType", data_type}, {"dataPrecision", precision},
                                      {"repository", GetParam()}};
    EXPECT_EQ(IpiSetAttributes(sys_, obj, list.data(), static_cast<int>(list.size())), 0);
    if (GetParam() == kRepositoryCallerMemory) {
      const int64_t bytes = (int64_t{width} * height * bands * precision + 7) / 8;
      memory_.emplace_back(static_cast<size_t>(bytes), 0);
      const IpiAttribute place[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(memory_.back().data())},
                                    {"size", bytes}};
      EXPECT_EQ(IpiSetAttributes(sys_, obj, place, 2), 0);
    }
    return obj;
  }

  IpiSystem* sys_ = nullptr;
  std::vector<std::vector<uint8_t>> memory_;
};

INSTANTIATE_TEST_SUITE_P(AllRepositories, RepositoryTest,
                         ::testing::Values(kRepositoryCallerMemory, kRepositoryGlobalBlock, kRepositoryFile),
                         [](const auto& param_info) { return "repository" + std::to_string(param_info.param); });

// The element value a test writes at (x, y), masked to `bits`.
uint64_t Pattern(int x, int y, int bits) {
  const uint64_t v = static_cast<uint64_t>(x * 7 + y * 13 + 1) * 0x9E3779B97F4A7C15ull;
  return bits == 64 ? v : (v >> 17) & ((uint64_t{1} << bits) - 1);
}

void PutElement(uint8_t* row, int64_t bit_offset, int x, int bits, uint64_t value) {
  if (bits == 1) {
    const int64_t bit = bit_offset + x;
    uint8_t& byte = row[bit >> 3];
    const uint8_t mask = static_cast<uint8_t>(0x80 >> (bit & 7));
    byte = value ? (byte | mask) : (byte & ~mask);
    return;
  }
  for (int i = 0; i < bits / 8; ++i) row[x * bits / 8 + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t GetElement(const uint8_t* row, int64_t bit_offset, int x, int bits) {
  if (bits == 1) {
    const int64_t bit = bit_offset + x;
    return (row[bit >> 3] >> (7 - (bit & 7))) & 1;
  }
  uint64_t value = 0;
  for (int i = 0; i < bits / 8; ++i) value |= uint64_t{row[x * bits / 8 + i]} << (8 * i);
  return value;
}

TEST_P(RepositoryTest, RowsRoundTripInAnyOrder) {
  struct Shape { int bits; int32_t type; };
  for (Shape shape : {Shape{1, kDataTypeBoolean}, Shape{8, kDataTypeNonnegative}, Shape{16, kDataTypeSigned},
                      Shape{32, kDataTypeWord}}) {
    for (int width : {1, 7, 8, 9, 13}) {
      for (bool backward : {false, true}) {
        SCOPED_TRACE(testing::Message() << "bits " << shape.bits << " width " << width << " backward " << backward);
        const int height = 5;
        IpiObject* img = MakeImage(width, height, shape.bits, shape.type);
        IpiStream* out = IpiOpenStream(sys_, img, "w", 1);
        ASSERT_NE(out, nullptr);
        for (int i = 0; i < height; ++i) {
          const int y = backward ? height - 1 - i : i;
          const int64_t e = int64_t{y} * width;
          uint8_t* row = IpiGetOutputRow(sys_, out, e);
          ASSERT_NE(row, nullptr);
          for (int x = 0; x < width; ++x) PutElement(row, (e * shape.bits) % 8, x, shape.bits, Pattern(x, y, shape.bits));
          ASSERT_EQ(IpiPutOutputRow(sys_, out, e), 0);
        }
        ASSERT_EQ(IpiCloseStream(sys_, out), 0);
        if (GetParam() == kRepositoryFile) {
          EXPECT_EQ(testing_support::ReadFileBytes(img->file_name).size(),
                    static_cast<size_t>((width * height * shape.bits + 7) / 8));
        }
        IpiStream* in = IpiOpenStream(sys_, img, "r", 1);
        ASSERT_NE(in, nullptr);
        for (int y = 0; y < height; ++y) {
          const int64_t e = int64_t{y} * width;
          const uint8_t* row = IpiGetInputRow(sys_, in, e);
          ASSERT_NE(row, nullptr);
          for (int x = 0; x < width; ++x) {
            ASSERT_EQ(GetElement(row, (e * shape.bits) % 8, x, shape.bits), Pattern(x, y, shape.bits)) << x << "," << y;
          }
        }
        EXPECT_EQ(IpiGetInputRow(sys_, in, int64_t{height} * width), nullptr);
        EXPECT_EQ(IpiGetLastError(sys_), kIpiInsufficientSize);
        ASSERT_EQ(IpiCloseStream(sys_, in), 0);
        ASSERT_EQ(IpiDeleteObject(sys_, img), 0);
      }
    }
  }
}

TEST_P(RepositoryTest, HalfWrittenImagesReadZerosAfterTheWrittenRows) {
  IpiObject* img = MakeImage(6, 4, 8, kDataTypeNonnegative);
  IpiStream* out = IpiOpenStream(sys_, img, "w", 1);
  ASSERT_NE(out, nullptr);
  for (int y : {1, 0}) {
    uint8_t* row = IpiGetOutputRow(sys_, out, y * 6);
    ASSERT_NE(row, nullptr);
    std::fill(row, row + 6, static_cast<uint8_t>(10 + y));
    ASSERT_EQ(IpiPutOutputRow(sys_, out, y * 6), 0);
  }
  ASSERT_EQ(IpiCloseStream(sys_, out), 0);
  EXPECT_EQ(IpiInquireAttribute(sys_, img, "inited"), 1);
  IpiStream* in = IpiOpenStream(sys_, img, "r", 0);
  std::vector<uint8_t> bytes(24);
  ASSERT_EQ(IpiReadBytes(sys_, in, 0, bytes.data(), 24), 24);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{10, 10, 10, 10, 10, 10, 11, 11, 11, 11, 11, 11,
                                         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(IpiReadBytes(sys_, in, 20, bytes.data(), 5), -1);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiInsufficientSize);
  ASSERT_EQ(IpiCloseStream(sys_, in), 0);
}

// Window slot k holds row r - W/2 + k; rows outside the image are zero.
TEST_P(RepositoryTest, WindowsHoldTheRowsAroundEachRowAfterAnyJump) {
  for (int height : {1, 2, 3, 5}) {
    for (int w : {2, 3, 5, 8}) {
      SCOPED_TRACE(testing::Message() << "height " << height << " window " << w);
      const int width = 3;
      IpiObject* img = MakeImage(width, height, 8, kDataTypeNonnegative);
      IpiStream* out = IpiOpenStream(sys_, img, "w", 1);
      for (int y = 0; y < height; ++y) {
        uint8_t* row = IpiGetOutputRow(sys_, out, y * width);
        for (int x = 0; x < width; ++x) row[x] = static_cast<uint8_t>(1 + y * 10 + x);
        ASSERT_EQ(IpiPutOutputRow(sys_, out, y * width), 0);
      }
      ASSERT_EQ(IpiCloseStream(sys_, out), 0);
      IpiStream* in = IpiOpenStream(sys_, img, "r", w);
      ASSERT_NE(in, nullptr);
      std::vector<int> order;
      for (int y = 0; y < height; ++y) order.push_back(y);
      for (int y = height - 1; y >= 0; --y) order.push_back(y);
      order.push_back(height - 1);
      order.push_back(0);
      for (int y : order) {
        const uint8_t* middle = IpiGetWindowRow(sys_, in, y * width);
        ASSERT_NE(middle, nullptr);
        for (int k = 0; k < w; ++k) {
          const int r = y - w / 2 + k;
          const uint8_t* slot = middle + (k - w / 2) * IpiWindowStride(in);
          for (int x = 0; x < width; ++x) {
            const int expected = (r >= 0 && r < height) ? 1 + r * 10 + x : 0;
            ASSERT_EQ(slot[x], expected) << "row " << y << " slot " << k;
          }
        }
      }
      ASSERT_EQ(IpiCloseStream(sys_, in), 0);
      ASSERT_EQ(IpiDeleteObject(sys_, img), 0);
    }
  }
}

TEST_P(RepositoryTest, SpansPastTheLastRowAreZeroFilled) {
  const int width = 4, height = 3;
  IpiObject* img = MakeImage(width, height, 8, kDataTypeNonnegative);
  IpiStream* out = IpiOpenStream(sys_, img, "w", 1);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = IpiGetOutputRow(sys_, out, y * width);
    std::fill(row, row + width, static_cast<uint8_t>(y + 1));
    ASSERT_EQ(IpiPutOutputRow(sys_, out, y * width), 0);
  }
  ASSERT_EQ(IpiCloseStream(sys_, out), 0);
  IpiStream* in = IpiOpenStream(sys_, img, "r", -4);
  const uint8_t* span = IpiGetInputRow(sys_, in, 2 * width);
  ASSERT_NE(span, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(span, span + 16),
            (std::vector<uint8_t>{3, 3, 3, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  ASSERT_EQ(IpiCloseStream(sys_, in), 0);
}

// Whatever a write stream leaves untouched reads back as zeros, also when the
// block comes from memory a deleted object filled before.
TEST_P(RepositoryTest, BytesNeverWrittenReadAsZeros) {
  const int width = 8, height = 4;
  struct Write {
    bool as_row;     // an output row (only its first `count` bytes set), else written bytes
    int64_t offset;  // byte offset, or the row's first element
    int count;
  };
  struct Case {
    const char* name;
    std::vector<Write> writes;
  };
  const std::vector<Case> cases = {
      {"nothing written", {}},
      {"bytes after a gap, then before it", {{false, 13, 6}, {false, 2, 3}}},
      {"the last row alone", {{true, 3 * width, width}}},
      {"rows partly set, out of order", {{true, 2 * width, 3}, {true, 0, 5}, {false, 9, 2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IpiObject* dirty = MakeImage(width, height, 8, kDataTypeNonnegative);
    IpiStream* fill = IpiOpenStream(sys_, dirty, "w", 0);
    const std::vector<uint8_t> ones(width * height, 0xA5);
    ASSERT_EQ(IpiWriteBytes(sys_, fill, 0, ones.data(), width * height), width * height);
    ASSERT_EQ(IpiCloseStream(sys_, fill), 0);
    ASSERT_EQ(IpiDeleteObject(sys_, dirty), 0);

    IpiObject* img = MakeImage(width, height, 8, kDataTypeNonnegative);
    std::vector<uint8_t> expected(width * height, 0);
    IpiStream* out = IpiOpenStream(sys_, img, "w", 1);
    ASSERT_NE(out, nullptr);
    uint8_t value = 1;
    for (const Write& w : c.writes) {
      std::vector<uint8_t> bytes(w.count);
      for (uint8_t& b : bytes) b = value++;
      std::copy(bytes.begin(), bytes.end(), expected.begin() + w.offset);
      if (w.as_row) {
        uint8_t* row = IpiGetOutputRow(sys_, out, w.offset);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(std::vector<uint8_t>(row + w.count, row + width), std::vector<uint8_t>(width - w.count, 0));
        std::copy(bytes.begin(), bytes.end(), row);
        ASSERT_EQ(IpiPutOutputRow(sys_, out, w.offset), 0);
      } else {
        ASSERT_EQ(IpiWriteBytes(sys_, out, w.offset, bytes.data(), w.count), w.count);
      }
    }
    ASSERT_EQ(IpiCloseStream(sys_, out), 0);
    std::vector<uint8_t> got(width * height, 0xEE);
    IpiStream* in = IpiOpenStream(sys_, img, "r", 0);
    ASSERT_EQ(IpiReadBytes(sys_, in, 0, got.data(), width * height), width * height);
    ASSERT_EQ(IpiCloseStream(sys_, in), 0);
    EXPECT_EQ(got, expected);
    ASSERT_EQ(IpiDeleteObject(sys_, img), 0);
  }
}

TEST_P(RepositoryTest, StuffedBitsRoundTripAndBadStuffingIs19) {
  IpiObject* obj = MakeImage(16, 1, 8, kDataTypeNonnegative);
  IpiStream* out = IpiOpenStream(sys_, obj, "w", 0);
  ASSERT_EQ(IpiWriteBitsStuffed(sys_, out, 0xFF12, 16), 0);
  ASSERT_EQ(IpiWriteBitsStuffed(sys_, out, 0x5, 3), 0);
  ASSERT_EQ(IpiWriteBitsAligned(sys_, out, 0xFF01, 16), 0);
  ASSERT_EQ(IpiCloseStream(sys_, out), 0);
  EXPECT_EQ(IpiInquireAttribute(sys_, obj, "size"), 6);
  IpiStream* in = IpiOpenStream(sys_, obj, "r", 0);
  uint8_t bytes[6];
  ASSERT_EQ(IpiReadBytes(sys_, in, 0, bytes, 6), 6);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 6), (std::vector<uint8_t>{0xFF, 0x00, 0x12, 0xA0, 0xFF, 0x01}));
  uint32_t value = 0;
  ASSERT_EQ(IpiReadBitsUnstuffed(sys_, in, &value, 16), 0);
  EXPECT_EQ(value, 0xFF12u);
  ASSERT_EQ(IpiReadBitsUnstuffed(sys_, in, &value, 3), 0);
  EXPECT_EQ(value, 5u);
  EXPECT_EQ(IpiReadBitsUnstuffed(sys_, in, &value, 8), kIpiSemanticError);
  ASSERT_EQ(IpiCloseStream(sys_, in), 0);
}

TEST_P(RepositoryTest, LongBitRunsSurviveBufferRefillsAndEndWith8) {
  std::mt19937 random(7);
  std::vector<std::pair<uint32_t, int>> fields;
  int64_t total_bits = 0;
  while (total_bits < 12000 * 8) {
    const int count = 1 + static_cast<int>(random() % 32);
    const uint32_t value = static_cast<uint32_t>(random()) & (count == 32 ? 0xFFFFFFFFu : ((1u << count) - 1));
    fields.push_back({value, count});
    total_bits += count;
  }
  IpiObject* obj = MakeImage(16000, 1, 8, kDataTypeNonnegative);  // room for the stuffed bytes
  IpiStream* out = IpiOpenStream(sys_, obj, "w", 0);
  for (auto [value, count] : fields) ASSERT_EQ(IpiWriteBitsStuffed(sys_, out, value, count), 0);
  ASSERT_EQ(IpiCloseStream(sys_, out), 0);
  const intptr_t size = IpiInquireAttribute(sys_, obj, "size");
  EXPECT_GE(size, (total_bits + 7) / 8);
  ASSERT_EQ(IpiSetAttribute(sys_, obj, "size", size), 0);
  IpiStream* in = IpiOpenStream(sys_, obj, "r", 0);
  for (auto [value, count] : fields) {
    uint32_t got = 0;
    ASSERT_EQ(IpiReadBitsUnstuffed(sys_, in, &got, count), 0);
    ASSERT_EQ(got, value);
  }
  if (GetParam() != kRepositoryGlobalBlock) {  // a block reads on to its end: zeros
    uint32_t got = 0;
    int status = 0;
    for (int i = 0; i < 40 && status == 0; ++i) status = IpiReadBitsAligned(sys_, in, &got, 8);
    EXPECT_EQ(status, kIpiInsufficientSize);
  }
  ASSERT_EQ(IpiCloseStream(sys_, in), 0);
}

TEST_P(RepositoryTest, HostileSizesAreRefused) {
  IpiObject* huge = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, nullptr, 0);
  const IpiAttribute dims[] = {{"xDimension", 70000}, {"yDimension", 70000}, {"bDimension", 3},
                               {"repository", GetParam()}, {"applicationAddressSpace", 4096}};
  ASSERT_EQ(IpiSetAttributes(sys_, huge, dims, 5), 0);
  EXPECT_EQ(IpiOpenStream(sys_, huge, "w", 1), nullptr);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiExceedImplementation);
  const IpiAttribute negative{"yDimension", -1};
  ASSERT_EQ(IpiSetAttributes(sys_, huge, &negative, 1), 0);
  EXPECT_EQ(IpiOpenStream(sys_, huge, "r", 1), nullptr);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiOutOfRange);
}

TEST(StreamTest, CallerMemoryIsBoundedByItsSize) {
  IpiSystem* sys = IpiOpenSystem(nullptr);
  std::vector<uint8_t> memory(10, 7);
  IpiObject* img = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, nullptr, 0);
  const IpiAttribute list[] = {{"xDimension", 4}, {"yDimension", 4}, {"repository", kRepositoryCallerMemory},
                               {"applicationAddressSpace", reinterpret_cast<intptr_t>(memory.data())}, {"size", 10}};
  ASSERT_EQ(IpiSetAttributes(sys, img, list, 5), 0);
  IpiStream* in = IpiOpenStream(sys, img, "r", 1);
  ASSERT_NE(in, nullptr);
  EXPECT_NE(IpiGetInputRow(sys, in, 4), nullptr);
  EXPECT_EQ(IpiGetInputRow(sys, in, 8), nullptr);  // bytes 8..11 pass the 10 the caller owns
  EXPECT_EQ(IpiGetLastError(sys), kIpiInsufficientSize);
  EXPECT_EQ(IpiGetOutputRow(sys, in, 8), nullptr);
  uint32_t bits = 0;
  for (int i = 0; i < 10; ++i) ASSERT_EQ(IpiReadBitsAligned(sys, in, &bits, 8), 0);
  EXPECT_EQ(IpiReadBitsAligned(sys, in, &bits, 8), kIpiInsufficientSize);
  EXPECT_EQ(IpiCloseStream(sys, in), 0);
  const IpiAttribute no_address{"applicationAddressSpace", 0};
  ASSERT_EQ(IpiSetAttributes(sys, img, &no_address, 1), 0);
  EXPECT_EQ(IpiOpenStream(sys, img, "r", 1), nullptr);
  EXPECT_EQ(IpiGetLastError(sys), kIpiNonPermissibleOption);
  EXPECT_EQ(IpiCloseSystem(sys), 0);
}

TEST(StreamTest, ASecondStreamOnAnEmptyBlockKeepsTheFirstOnesMemory) {
  IpiSystem* sys = IpiOpenSystem(nullptr);
  IpiObject* img = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, nullptr, 0);
  const IpiAttribute list[] = {{"xDimension", 8}, {"yDimension", 2}, {"repository", kRepositoryGlobalBlock}};
  ASSERT_EQ(IpiSetAttributes(sys, img, list, 3), 0);
  IpiStream* first = IpiOpenStream(sys, img, "w", 1);
  uint8_t* row = IpiGetOutputRow(sys, first, 0);
  IpiStream* second = IpiOpenStream(sys, img, "w", 1);
  ASSERT_NE(second, nullptr);
  row[0] = 42;  // still the object's block (the sanitizer build checks)
  EXPECT_EQ(IpiGetOutputRow(sys, second, 0)[0], 42);
  EXPECT_EQ(IpiCloseStream(sys, second), 0);
  EXPECT_EQ(IpiCloseStream(sys, first), 0);
  EXPECT_EQ(IpiCloseSystem(sys), 0);
}

TEST(StreamTest, TemporaryFilesAreNamedIpiAndGoWithTheirObject) {
  IpiSystem* sys = IpiOpenSystem(nullptr);
  IpiObject* img = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, nullptr, 0);
  IpiStream* out = IpiOpenStream(sys, img, "w", 1);
  ASSERT_NE(out, nullptr);
  const std::string path = img->file_name;
  EXPECT_EQ(IpiInquireAttribute(sys, img, "tmpnam"), 1);
  EXPECT_NE(path.find("/ipi"), std::string::npos);
  EXPECT_EQ(IpiCloseStream(sys, out), 0);
  EXPECT_TRUE(plat::FileExists(path));
  EXPECT_EQ(IpiDeleteObject(sys, img), 0);
  EXPECT_FALSE(plat::FileExists(path));
  EXPECT_EQ(IpiCloseSystem(sys), 0);
}

}  // namespace
