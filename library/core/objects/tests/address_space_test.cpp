#include "core/objects/address_space.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "tests/support/test_support.h"

namespace {

class AddressSpaceTest : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); ASSERT_NE(sys_, nullptr); }
  void TearDown() override {
    EXPECT_EQ(IpiCloseSystem(sys_), 0);
    EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
  }
  // The object's stored bytes, read independently of the copy under test.
  std::vector<uint8_t> StoredBytes(IpiObject* obj, size_t count) {
    std::vector<uint8_t> out(count);
    IpiStream* stream = IpiOpenStream(sys_, obj, "r", 0);
    EXPECT_NE(stream, nullptr);
    if (stream == nullptr) return {};
    EXPECT_EQ(IpiReadBytes(sys_, stream, 0, out.data(), static_cast<int64_t>(count)), static_cast<int64_t>(count));
    EXPECT_EQ(IpiCloseStream(sys_, stream), 0);
    return out;
  }
  IpiSystem* sys_ = nullptr;
};

struct Shape {
  const char* name;
  const IpiObjectClass* cls;
  std::vector<IpiAttribute> attributes;
  std::vector<uint8_t> bytes;  // the data as stored: element-index order, narrow elements packed
};

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words) {
  std::vector<uint8_t> out(words.size() * 4);
  size_t i = 0;
  for (uint32_t w : words) std::memcpy(out.data() + 4 * i++, &w, 4);
  return out;
}

TEST_F(AddressSpaceTest, RoundTripsEveryCopyableTypeOverEveryRepository) {
  const Shape shapes[] = {
      // 10 x 2 bits: row 1 starts at bit 10, with no padding between rows.
      {"boolean", &kGenericImageClass,
       {{"xDimension", 10}, {"yDimension", 2}, {"dataType", kDataTypeBoolean}},
       {0xA5, 0x3C, 0xF0}},
      {"bytes", &kGenericImageClass, {{"xDimension", 3}, {"yDimension", 2}}, {9, 8, 7, 250, 128, 0}},
      {"words", &kGenericImageClass,
       {{"xDimension", 3}, {"dataType", kDataTypeWord}, {"dataPrecision", 32}},
       Words({0xDEADBEEF, 0, 0x7FFFFFFF})},
      // A palette: red, green and blue runs of "entries" values each.
      {"palette", &kLookupTableClass,
       {{"entries", 4}, {"bDimension", 3}},
       {255, 0, 0, 10, 0, 255, 0, 20, 0, 0, 255, 30}},
  };
  for (const Shape& shape : shapes) {
    for (int32_t repository : {kRepositoryGlobalBlock, kRepositoryFile}) {
      SCOPED_TRACE(std::string(shape.name) + " in " + std::to_string(repository));
      std::vector<IpiAttribute> list = shape.attributes;
      list.push_back({"repository", repository});
      IpiObject* obj = IpiCreateObject(sys_, nullptr, shape.cls, nullptr, list.data(), static_cast<int>(list.size()));
      ASSERT_NE(obj, nullptr);
      std::vector<uint8_t> in = shape.bytes;
      ASSERT_EQ(IpiImportFromAddressSpace(sys_, in.data(), obj, nullptr, 0), 0);
      EXPECT_EQ(StoredBytes(obj, in.size()), shape.bytes);
      std::vector<uint8_t> out(in.size(), 0);
      ASSERT_EQ(IpiExportToAddressSpace(sys_, obj, out.data(), nullptr, 0), 0);
      EXPECT_EQ(out, shape.bytes);
      EXPECT_EQ(IpiDeleteObject(sys_, obj), 0);
    }
  }
}

TEST_F(AddressSpaceTest, PairsShapeTheCallersMemory) {
  const IpiAttribute shape[] = {{"xDimension", 4}, {"dataType", kDataTypeBoolean}, {"repository", kRepositoryGlobalBlock}};
  IpiObject* bits = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 3);
  uint8_t packed = 0xA0;  // 1 0 1 0
  ASSERT_EQ(IpiImportFromAddressSpace(sys_, &packed, bits, nullptr, 0), 0);
  // Exported as bytes: one element per byte, set bits as 255.
  uint8_t bytes[4] = {};
  const IpiAttribute as_bytes[] = {{"dataType", kDataTypeNonnegative}, {"dataPrecision", 8}};
  ASSERT_EQ(IpiExportToAddressSpace(sys_, bits, bytes, as_bytes, 2), 0);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{255, 0, 255, 0}));
}

TEST_F(AddressSpaceTest, MemoryIsBoundedByItsRealSize) {
  const IpiAttribute shape[] = {{"xDimension", 6}, {"repository", kRepositoryGlobalBlock}};
  IpiObject* image = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 2);
  const uint8_t pixels[6] = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(IpiImportFromAddressSpace(sys_, const_cast<uint8_t*>(pixels), image, nullptr, 0), 0);
  // A "size" of the image (say, of coded data) is not the caller's memory size.
  ASSERT_EQ(IpiSetAttribute(sys_, image, "size", 2), 0);
  std::vector<uint8_t> out(6, 0);
  ASSERT_EQ(IpiExportToAddressSpace(sys_, image, out.data(), nullptr, 0), 0);
  EXPECT_EQ(out, std::vector<uint8_t>(pixels, pixels + 6));
  // Memory said to be shorter than the data is refused before anything is copied.
  std::vector<uint8_t> short_memory(6, 0xEE);
  const IpiAttribute five[] = {{"size", 5}};
  EXPECT_EQ(IpiExportToAddressSpace(sys_, image, short_memory.data(), five, 1), kIpiInsufficientSize);
  EXPECT_EQ(short_memory, std::vector<uint8_t>(6, 0xEE));
  EXPECT_EQ(IpiImportFromAddressSpace(sys_, short_memory.data(), image, five, 1), kIpiInsufficientSize);
  EXPECT_EQ(StoredBytes(image, 6), std::vector<uint8_t>(pixels, pixels + 6));
  // No memory at all.
  EXPECT_EQ(IpiExportToAddressSpace(sys_, image, nullptr, nullptr, 0), kIpiNonPermissibleOption);
}

TEST_F(AddressSpaceTest, TypesWithoutACopyKernelAreRefused) {
  const IpiAttribute shape[] = {{"xDimension", 2}, {"dataType", kDataTypeReal}, {"repository", kRepositoryGlobalBlock}};
  IpiObject* reals = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 3);
  float values[2] = {1.0f, 2.0f};
  EXPECT_EQ(IpiImportFromAddressSpace(sys_, values, reals, nullptr, 0), kIpiMismatchDataType);
  EXPECT_EQ(IpiExportToAddressSpace(sys_, reals, values, nullptr, 0), kIpiMismatchDataType);
}

}  // namespace
