#include "plat/atomic_file.h"

#include <gtest/gtest.h>

#include "plat/fault_injection.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::ReadFileText;
using testing_support::ScopedTempDir;
using testing_support::WriteFileBytes;

bool WriteAndCommit(const std::string& target, const std::string& text) {
  plat::AtomicFile file;
  if (plat::AtomicFile::Create(target, file) != plat::OpenStatus::kOk) return false;
  if (!file.file().WriteAt(0, text.data(), text.size() / 2)) return false;
  if (!file.file().WriteAt(text.size() / 2, text.data() + text.size() / 2, text.size() - text.size() / 2)) return false;
  return file.Commit();
}

TEST(AtomicFileTest, CommitReplacesTheTarget) {
  ScopedTempDir dir;
  const std::string target = dir.File("page.tif");
  ASSERT_TRUE(WriteAndCommit(target, "first"));
  ASSERT_TRUE(WriteAndCommit(target, "second version"));
  EXPECT_EQ(ReadFileText(target), "second version");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"page.tif"});
}

TEST(AtomicFileTest, EveryFailureKeepsTheEarlierFileAndLeavesNoTemporary) {
  enum class Fault { kFirstWrite, kSecondWrite, kFlush, kRename, kNoCommit };
  for (Fault fault : {Fault::kFirstWrite, Fault::kSecondWrite, Fault::kFlush, Fault::kRename, Fault::kNoCommit}) {
    SCOPED_TRACE(static_cast<int>(fault));
    ScopedTempDir dir;
    const std::string target = dir.File("page.tif");
    WriteFileBytes(target, {'o', 'l', 'd'});
    switch (fault) {
      case Fault::kFirstWrite: plat::testing::FailNthWrite(1); break;
      case Fault::kSecondWrite: plat::testing::FailNthWrite(2); break;
      case Fault::kFlush: plat::testing::FailFlush(true); break;
      case Fault::kRename: plat::testing::FailRename(true); break;
      case Fault::kNoCommit: break;
    }
    if (fault == Fault::kNoCommit) {
      plat::AtomicFile file;
      ASSERT_EQ(plat::AtomicFile::Create(target, file), plat::OpenStatus::kOk);
      ASSERT_TRUE(file.file().WriteAt(0, "new", 3));
    } else {
      EXPECT_FALSE(WriteAndCommit(target, "new content"));
    }
    plat::testing::ResetFaults();
    EXPECT_EQ(ReadFileText(target), "old");
    EXPECT_EQ(dir.List(), std::vector<std::string>{"page.tif"});
  }
}

TEST(AtomicFileTest, AMissingFolderIsNotFound) {
  ScopedTempDir dir;
  plat::AtomicFile file;
  EXPECT_EQ(plat::AtomicFile::Create(dir.File("none/page.tif"), file), plat::OpenStatus::kNotFound);
  EXPECT_EQ(plat::AtomicFile::Create("", file), plat::OpenStatus::kNotFound);
}

}  // namespace
