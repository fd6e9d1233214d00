// File images in memory: the memory entry points answer as their file twins,
// byte for byte, read no byte past the size they are given, and leave no
// temporary file behind.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Pelrith.h"
#include "oracle_files.h"
#include "packed_dib.h"
#include "tests/support/test_support.h"

namespace {

using api_testing::ScopedHandle;
using testing_support::ReadFileBytes;
using testing_support::ScopedTempDir;

std::vector<uint8_t> HandleBytes(HGLOBAL handle) {
  const auto* bytes = static_cast<const uint8_t*>(GlobalLock(handle));
  std::vector<uint8_t> out(bytes, bytes + GlobalSize(handle));
  GlobalUnlock(handle);
  return out;
}

struct Inquired {
  intptr_t values[5] = {-3, -3, -3, -3, -3};
  int32_t status = 99;
  int32_t result = 0;
  bool operator==(const Inquired& o) const {
    return std::memcmp(values, o.values, sizeof values) == 0 && status == o.status && result == o.result;
  }
};

Inquired InquireBoth(const std::string* path, const std::vector<uint8_t>* memory, int32_t format) {
  Inquired out;
  const char* names[] = {"compression", "xDimension", "yDimension", "colorMode", "xResolution"};
  IpiAttributePair pairs[5];
  for (int i = 0; i < 5; ++i) pairs[i] = {names[i], reinterpret_cast<intptr_t>(&out.values[i])};
  out.result = path != nullptr ? CmiInquireValues(path->c_str(), 1, 0, format, pairs, 5, &out.status)
                               : CmiInquireValuesAddressSpace(memory->data(), 1, 0, format,
                                                              static_cast<int32_t>(memory->size()), pairs, 5,
                                                              &out.status);
  return out;
}

TEST(MemorySource, AnswersAsTheFileTwinByteForByte) {
  ScopedTempDir dir;
  for (const read_testing::OracleFile& file : read_testing::MakeOracleFiles(dir.path())) {
    SCOPED_TRACE(file.name);
    // An exact-size heap copy: a read past its end is caught by the sanitizer.
    const std::vector<uint8_t> bytes = ReadFileBytes(file.path);
    const auto size = static_cast<int32_t>(bytes.size());
    int32_t file_status = 99, memory_status = 99;
    EXPECT_EQ(CmiInquireAddressSpaceFormat(bytes.data(), size, nullptr, 0, &memory_status), file.format);
    EXPECT_EQ(memory_status, 0);
    EXPECT_EQ(InquireBoth(&file.path, nullptr, file.format), InquireBoth(nullptr, &bytes, file.format));

    HGLOBAL from_file = 0, from_memory = 0;
    EXPECT_EQ(CmiReadAndParse(file.path.c_str(), &from_file, 1, file.format, 0, nullptr, 0, &file_status), 1);
    ScopedHandle file_image(from_file);
    EXPECT_EQ(CmiImportAndParse(bytes.data(), &from_memory, 1, file.format, 0, size, nullptr, 0, &memory_status), 1);
    ScopedHandle memory_image(from_memory);
    ASSERT_EQ(file_status, 0);
    ASSERT_EQ(memory_status, 0);
    EXPECT_EQ(HandleBytes(from_file), HandleBytes(from_memory));
  }
  EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
}

TEST(MemorySource, SizesAndAddressesAreChecked) {
  const uint8_t bytes[16] = {'I', 'I', 42, 0, 8, 0, 0, 0};
  HGLOBAL image = 0;
  intptr_t mode = 0;
  const IpiAttributePair target[] = {{"colorMode", reinterpret_cast<intptr_t>(&mode)}};
  for (int32_t size : {0, -1, -100000}) {
    SCOPED_TRACE(size);
    int32_t status = 0;
    EXPECT_EQ(CmiInquireAddressSpaceFormat(bytes, size, nullptr, 0, &status), 0);
    EXPECT_EQ(status, -100);
    EXPECT_EQ(CmiInquireImageNumberAddressSpace(bytes, kCmiFormatTiff, size, nullptr, 0, &status), 0);
    EXPECT_EQ(status, -100);
    EXPECT_EQ(CmiInquireValuesAddressSpace(bytes, 1, 0, kCmiFormatTiff, size, target, 1, &status), -100);
    EXPECT_EQ(CmiImportAndParse(bytes, &image, 1, kCmiFormatTiff, 0, size, nullptr, 0, &status), 0);
    EXPECT_EQ(status, -100);
  }
  int32_t status = 0;
  EXPECT_EQ(CmiImportAndParse(nullptr, &image, 1, kCmiFormatTiff, 0, 16, nullptr, 0, &status), 0);
  EXPECT_EQ(status, -100);
  EXPECT_EQ(CmiInquireImageNumberAddressSpace(nullptr, kCmiFormatGif, 16, nullptr, 0, &status), 0);
  EXPECT_EQ(status, -100);
  EXPECT_EQ(CmiInquireImageNumberAddressSpace(bytes, kCmiFormatGif, 16, nullptr, 0, &status), 1);
  // A directory outside the block: a clean error, never success.
  EXPECT_EQ(CmiImportAndParse(bytes, &image, 1, kCmiFormatTiff, 0, 16, nullptr, 0, &status), 0);
  EXPECT_GT(status, 0);
}

TEST(MemorySource, AShortSizeIsNeverReadPast) {
  ScopedTempDir dir;
  for (const read_testing::OracleFile& file : read_testing::MakeOracleFiles(dir.path())) {
    SCOPED_TRACE(file.name);
    const std::vector<uint8_t> whole = ReadFileBytes(file.path);
    for (size_t cut : {whole.size() / 3, whole.size() / 2, whole.size() - 1}) {
      const std::vector<uint8_t> bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut));
      HGLOBAL image = 0;
      int32_t status = 0;
      const int32_t read = CmiImportAndParse(bytes.data(), &image, 1, file.format, 0,
                                             static_cast<int32_t>(bytes.size()), nullptr, 0, &status);
      ScopedHandle owned(image);
      EXPECT_EQ(read == 0, status != 0);
    }
  }
}

}  // namespace
