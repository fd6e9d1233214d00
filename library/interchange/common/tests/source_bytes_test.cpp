// A reader's source bytes: caller memory viewed in place, files copied whole
// up to a cap, and every refusal with its code.
#include "interchange/common/source_bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/codes.h"
#include "core/status.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::ScopedTempDir;

class SourceBytesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_ = IpiOpenSystem(nullptr);
    ASSERT_NE(sys_, nullptr);
    testing_support::WriteFileBytes(dir_.File("six"), {'F', 'I', 'L', 'E', 'x', 'y'});
    testing_support::WriteFileBytes(dir_.File("empty"), {});
  }
  void TearDown() override { EXPECT_EQ(IpiCloseSystem(sys_), 0); }

  IpiObject* Source(std::vector<IpiAttribute> pairs) {
    return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, pairs.data(), static_cast<int>(pairs.size()));
  }

  ScopedTempDir dir_;
  IpiSystem* sys_ = nullptr;
};

TEST_F(SourceBytesTest, ObjectsOfEachRepository) {
  const char memory[] = "MEMORY";
  const auto address = reinterpret_cast<intptr_t>(memory);
  const std::string six = dir_.File("six");
  const std::string empty = dir_.File("empty");
  const std::string missing = dir_.File("missing");
  const std::string folder = dir_.path();
  struct Case {
    const char* name;
    std::vector<IpiAttribute> pairs;
    int status;
    std::string bytes;
  };
  const Case cases[] = {
      {"memory", {{"repository", kRepositoryCallerMemory}, {"applicationAddressSpace", address}, {"size", 4}},
       0, "MEMO"},
      {"memory of size 0 is empty",
       {{"repository", kRepositoryCallerMemory}, {"applicationAddressSpace", address}, {"size", 0}}, 0, ""},
      {"size 0 needs no address", {{"repository", kRepositoryCallerMemory}, {"size", 0}}, 0, ""},
      {"bytes without an address", {{"repository", kRepositoryCallerMemory}, {"size", 4}}, kIpiInsufficientSize,
       ""},
      {"file", {{"repository", kRepositoryFile}, {"fileName", reinterpret_cast<intptr_t>(six.c_str())}}, 0,
       "FILExy"},
      {"empty file", {{"repository", kRepositoryFile}, {"fileName", reinterpret_cast<intptr_t>(empty.c_str())}},
       0, ""},
      {"missing file",
       {{"repository", kRepositoryFile}, {"fileName", reinterpret_cast<intptr_t>(missing.c_str())}},
       kIpiFileOpenFailure, ""},
      {"a folder", {{"repository", kRepositoryFile}, {"fileName", reinterpret_cast<intptr_t>(folder.c_str())}},
       kIpiFileOpenFailure, ""},
      {"global block", {{"repository", kRepositoryGlobalBlock}}, kIpiNonPermissibleOption, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IpiObject* source = Source(c.pairs);
    ASSERT_NE(source, nullptr) << IpiGetLastError(sys_);
    SourceBytes bytes;
    EXPECT_EQ(bytes.Load(sys_, *source), c.status);
    if (c.status != 0) EXPECT_EQ(IpiGetLastError(sys_), c.status);  // reported
    EXPECT_EQ(std::string(bytes.bytes().begin(), bytes.bytes().end()), c.bytes);
    EXPECT_EQ(IpiDeleteObject(sys_, source), 0);
  }
}

TEST_F(SourceBytesTest, TheCapAndNegativeSizes) {
  SourceBytes bytes;
  EXPECT_EQ(bytes.CopyFile(dir_.File("six").c_str(), 5), kIpiExceedImplementation);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(bytes.CopyFile(dir_.File("six").c_str(), 6), 0);
  EXPECT_EQ(bytes.size(), 6u);
  EXPECT_EQ(bytes.CopyFile(nullptr), kIpiFileOpenFailure);
  const char memory[] = "AB";
  EXPECT_EQ(bytes.ViewMemory(memory, -1), kIpiInsufficientSize);
  EXPECT_EQ(bytes.ViewMemory(memory, 2), 0);
  EXPECT_EQ(bytes.bytes().data(), reinterpret_cast<const uint8_t*>(memory));  // in place, no copy
}

}  // namespace
