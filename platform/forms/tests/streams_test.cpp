#include "plat/forms/streams.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

#include "plat/fault_injection.h"
#include "plat/forms/exceptions.h"
#include "plat/forms/strings.h"
#include "tests/support/test_support.h"

namespace {

using namespace plat;
using testing_support::ReadFileBytes;
using testing_support::ReadFileText;
using testing_support::ScopedTempDir;
using testing_support::WriteFileBytes;

const std::vector<uint8_t> kOldBytes = {'o', 'l', 'd', 0, 0xFF, '\r', '\n'};

void WriteThrough(const std::string& path, const std::string& text) {
  TFileStream stream(path, fmCreate);
  stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

TEST(FileStreamTest, CreateReplacesTheFileOnlyWhenNoExceptionUnwinds) {
  enum class End { kFreed, kClosed, kUnwound, kUnwoundAfterSeek };
  for (End end : {End::kFreed, End::kClosed, End::kUnwound, End::kUnwoundAfterSeek}) {
    SCOPED_TRACE(static_cast<int>(end));
    ScopedTempDir dir;
    const std::string path = dir.File("settings.dat");
    WriteFileBytes(path, kOldBytes);
    try {
      TFileStream stream(path, fmCreate | fmShareExclusive);
      stream.WriteBuffer("new content", 11);
      if (end == End::kUnwoundAfterSeek) {
        stream.SetPosition(3);
        stream.WriteBuffer("!", 1);
      }
      if (end == End::kClosed) stream.Close();
      if (end == End::kUnwound || end == End::kUnwoundAfterSeek) throw std::runtime_error("writer failed");
    } catch (const std::runtime_error&) {
    }
    bool replaced = end == End::kFreed || end == End::kClosed;
    if (replaced) {
      EXPECT_EQ(ReadFileText(path), "new content");
    } else {
      EXPECT_EQ(ReadFileBytes(path), kOldBytes);
    }
    EXPECT_EQ(dir.List(), std::vector<std::string>{"settings.dat"});
  }
}

TEST(FileStreamTest, AFailedWriteFlushOrRenameRaisesAndKeepsTheEarlierFile) {
  enum class Fault { kWrite, kFlush, kRename };
  for (Fault fault : {Fault::kWrite, Fault::kFlush, Fault::kRename}) {
    SCOPED_TRACE(static_cast<int>(fault));
    ScopedTempDir dir;
    const std::string path = dir.File("list.txt");
    WriteFileBytes(path, kOldBytes);
    TStringList list;
    list.SetText("one\ntwo");
    if (fault == Fault::kWrite) plat::testing::FailNthWrite(1);
    if (fault == Fault::kFlush) plat::testing::FailFlush(true);
    if (fault == Fault::kRename) plat::testing::FailRename(true);
    EXPECT_THROW(list.SaveToFile(path), EWriteError);
    plat::testing::ResetFaults();
    EXPECT_EQ(ReadFileBytes(path), kOldBytes);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"list.txt"});
  }
}

// A stream made and freed inside a destructor that runs while an exception
// unwinds ends normally for itself, so it commits.
struct SavesOnCleanup {
  std::string path;
  ~SavesOnCleanup() { WriteThrough(path, "written during cleanup"); }
};

TEST(FileStreamTest, AStreamMadeDuringUnwindingCommitsOnItsOwnEnd) {
  ScopedTempDir dir;
  const std::string path = dir.File("log.txt");
  try {
    SavesOnCleanup cleanup{path};
    throw std::runtime_error("earlier failure");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(ReadFileText(path), "written during cleanup");
}

TEST(FileStreamTest, OpenModesAndErrors) {
  ScopedTempDir dir;
  const std::string path = dir.File("data.bin");
  EXPECT_THROW(TFileStream(path, fmOpenRead), EFOpenError);
  EXPECT_THROW(TFileStream(dir.File("no/such/folder.bin"), fmCreate), EFCreateError);
  EXPECT_THROW(TFileStream(dir.path(), fmCreate), EFCreateError);  // a folder
  WriteFileBytes(dir.File("locked.bin"), kOldBytes);
  ASSERT_EQ(::chmod(dir.File("locked.bin").c_str(), 0444), 0);
  if (::geteuid() != 0) {  // root may write anything
    EXPECT_THROW(TFileStream(dir.File("locked.bin"), fmCreate), EFCreateError);
    EXPECT_EQ(ReadFileBytes(dir.File("locked.bin")), kOldBytes);
  }
  ::unlink(dir.File("locked.bin").c_str());
  try {
    TFileStream stream(path, fmOpenRead);
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find(path), std::string::npos);  // the text names the file
  }

  WriteThrough(path, "0123456789");
  {
    TFileStream stream(path, fmOpenReadWrite | fmShareDenyNone);  // in place
    EXPECT_EQ(stream.Size(), 10);
    stream.Seek(-3, soEnd);
    stream.WriteBuffer("XYZW", 4);
    EXPECT_EQ(stream.Size(), 11);
    EXPECT_THROW(stream.Seek(-20, soCurrent), EStreamError);
  }
  EXPECT_EQ(ReadFileText(path), "0123456XYZW");

  TFileStream reader(path, fmOpenRead);
  char buffer[8] = {};
  reader.SetPosition(8);
  EXPECT_EQ(reader.Read(buffer, 8), 3);
  reader.SetPosition(8);
  EXPECT_THROW(reader.ReadBuffer(buffer, 4), EReadError);  // short read
  EXPECT_THROW(reader.WriteBuffer("a", 1), EWriteError);   // opened for reading
}

TEST(MemoryStreamTest, GrowsOnWriteAndCopiesBetweenStreams) {
  TMemoryStream memory;
  memory.SetPosition(4);  // a write past the end fills the gap with zeros
  memory.WriteBuffer("ab", 2);
  EXPECT_EQ(memory.Size(), 6);
  EXPECT_EQ(memory.Memory()[0], 0);
  memory.SetPosition(0);
  uint8_t bytes[6];
  memory.ReadBuffer(bytes, 6);
  EXPECT_EQ(bytes[5], 'b');
  EXPECT_THROW(memory.ReadBuffer(bytes, 1), EReadError);

  TStringStream text("hello world");
  TMemoryStream copy;
  EXPECT_EQ(copy.CopyFrom(text, 0), 11);
  text.SetPosition(6);
  copy.CopyFrom(text, 5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(copy.Memory()), copy.Length()), "hello worldworld");
  text.SetPosition(8);
  EXPECT_THROW(copy.CopyFrom(text, 5), EReadError);

  ScopedTempDir dir;
  copy.SaveToFile(dir.File("copy.bin"));
  TMemoryStream loaded;
  loaded.LoadFromFile(dir.File("copy.bin"));
  EXPECT_EQ(loaded.Size(), 16);
  EXPECT_EQ(loaded.Position(), 0);
}

}  // namespace
