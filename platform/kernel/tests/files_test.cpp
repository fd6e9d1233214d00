#include "plat/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "plat/fault_injection.h"
#include "plat/log_file.h"
#include "plat/temp_file.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::ReadFileText;
using testing_support::ScopedTempDir;
using testing_support::WriteFileBytes;

TEST(FilesTest, MissingFilesAreToldApartFromUnopenableOnes) {
  ScopedTempDir dir;
  plat::File file;
  EXPECT_EQ(plat::File::Open(dir.File("missing"), plat::FileMode::kReadExisting, file), plat::OpenStatus::kNotFound);
  EXPECT_EQ(plat::File::Open(dir.File("no/such/folder"), plat::FileMode::kWriteCreate, file), plat::OpenStatus::kNotFound);
  EXPECT_EQ(plat::File::Open(dir.path(), plat::FileMode::kReadExisting, file), plat::OpenStatus::kCannotOpen);
  EXPECT_EQ(plat::File::Open(dir.path(), plat::FileMode::kWriteCreate, file), plat::OpenStatus::kCannotOpen);
  EXPECT_EQ(plat::File::Open("", plat::FileMode::kReadExisting, file), plat::OpenStatus::kNotFound);
}

TEST(FilesTest, PositionedReadsAndWrites) {
  ScopedTempDir dir;
  plat::File file;
  ASSERT_EQ(plat::File::Open(dir.File("data"), plat::FileMode::kWriteCreate, file), plat::OpenStatus::kOk);
  ASSERT_TRUE(file.WriteAt(4, "abcd", 4));
  ASSERT_TRUE(file.WriteAt(0, "wxyz", 4));
  uint64_t size = 0;
  ASSERT_TRUE(file.Size(size));
  EXPECT_EQ(size, 8u);
  char buffer[8];
  ASSERT_TRUE(file.ReadExactAt(2, buffer, 4));
  EXPECT_EQ(std::string(buffer, 4), "yzab");
  EXPECT_FALSE(file.ReadExactAt(6, buffer, 4));  // the file ends first
  EXPECT_EQ(file.ReadAt(6, buffer, 4), 2);
  EXPECT_TRUE(file.Close());
  std::vector<uint8_t> bytes;
  ASSERT_EQ(plat::ReadWholeFile(dir.File("data"), bytes), plat::OpenStatus::kOk);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "wxyzabcd");
}

TEST(FilesTest, CappedWholeFileReadsKeepTheirReasonsApart) {
  ScopedTempDir dir;
  WriteFileBytes(dir.File("four"), {'a', 'b', 'c', 'd'});
  WriteFileBytes(dir.File("empty"), {});
  struct Case {
    std::string path;
    uint64_t cap;
    plat::ReadStatus status;
    std::string bytes;  // what `out` holds afterwards; "keep" when untouched
  };
  const Case cases[] = {
      {dir.File("four"), 4, plat::ReadStatus::kOk, "abcd"},
      {dir.File("four"), 3, plat::ReadStatus::kTooLarge, "keep"},
      {dir.File("empty"), 0, plat::ReadStatus::kOk, ""},
      {dir.File("missing"), 100, plat::ReadStatus::kNotFound, "keep"},
      {dir.File("no/such/folder/file"), 100, plat::ReadStatus::kNotFound, "keep"},
      {dir.path(), 100, plat::ReadStatus::kCannotOpen, "keep"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> out = {'k', 'e', 'e', 'p'};
    EXPECT_EQ(plat::ReadWholeFile(c.path, c.cap, out), c.status) << c.path << " cap " << c.cap;
    EXPECT_EQ(std::string(out.begin(), out.end()), c.bytes) << c.path << " cap " << c.cap;
  }
}

TEST(FilesTest, TheFaultSwitchFailsTheNthWrite) {
  ScopedTempDir dir;
  plat::File file;
  ASSERT_EQ(plat::File::Open(dir.File("data"), plat::FileMode::kWriteCreate, file), plat::OpenStatus::kOk);
  plat::testing::FailNthWrite(2);
  EXPECT_TRUE(file.WriteAt(0, "a", 1));
  EXPECT_FALSE(file.WriteAt(1, "b", 1));
  EXPECT_TRUE(file.WriteAt(1, "c", 1));
  plat::testing::FailFlush(true);
  EXPECT_FALSE(file.Flush());
  plat::testing::ResetFaults();
  EXPECT_TRUE(file.Flush());
}

TEST(FilesTest, TempFilesAreNamedIpiPrivateAndRemoved) {
  std::string path;
  {
    plat::TempFile temp;
    ASSERT_TRUE(plat::TempFile::Create(temp));
    path = temp.path();
    EXPECT_EQ(path.rfind(plat::TempFolder() + "/ipi", 0), 0u) << path;
    struct stat info;
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
  }
  EXPECT_FALSE(plat::FileExists(path));
}

TEST(FilesTest, AppendLineCreatesAndAppends) {
  ScopedTempDir dir;
  ASSERT_TRUE(plat::AppendLine(dir.File("log"), "one\r\n"));
  ASSERT_TRUE(plat::AppendLine(dir.File("log"), "two\r\n"));
  EXPECT_EQ(ReadFileText(dir.File("log")), "one\r\ntwo\r\n");
  EXPECT_FALSE(plat::AppendLine(dir.File("missing/log"), "x"));
}

}  // namespace
