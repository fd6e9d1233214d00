#include "interchange/io/byte_sink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "plat/atomic_file.h"
#include "plat/fault_injection.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::ReadFileBytes;
using testing_support::ScopedTempDir;
using testing_support::WriteFileBytes;

std::vector<uint8_t> Pattern(size_t count, uint8_t seed) {
  std::vector<uint8_t> bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 9));
  return bytes;
}

// Writes a header placeholder, many small pieces, one piece larger than the
// file sink's buffer and a tail, then patches the header (long flushed), a
// range across the flushed/buffered boundary and the last bytes. Returns
// false at the first refused call; `expected` is what the output must hold.
bool RunScenario(ByteSink& sink, std::vector<uint8_t>& expected) {
  expected.clear();
  auto append = [&](const std::vector<uint8_t>& bytes) {
    expected.insert(expected.end(), bytes.begin(), bytes.end());
    return sink.Write(bytes.data(), bytes.size());
  };
  auto patch = [&](uint64_t offset, const std::vector<uint8_t>& bytes) {
    std::copy(bytes.begin(), bytes.end(), expected.begin() + static_cast<ptrdiff_t>(offset));
    return sink.WriteAt(offset, bytes.data(), bytes.size());
  };
  if (!append(std::vector<uint8_t>(8, 0))) return false;
  for (int i = 0; i < 100; ++i) {
    if (!append(Pattern(1000, static_cast<uint8_t>(i)))) return false;
  }
  if (!append(Pattern(3 * FileSink::kBufferBytes, 99))) return false;
  if (!append(Pattern(10, 1))) return false;
  if (sink.position() != expected.size()) return false;
  if (!patch(4, {0xDE, 0xAD, 0xBE, 0xEF})) return false;
  if (!patch(sink.position() - 12, {1, 2, 3, 4, 5, 6})) return false;
  if (!patch(sink.position() - 2, {0xEE, 0xFF})) return false;
  return sink.WriteAt(sink.position(), nullptr, 0);  // an empty patch at the end
}

TEST(MemorySink, HoldsWritesAndPatches) {
  MemorySink sink;
  std::vector<uint8_t> expected;
  ASSERT_TRUE(RunScenario(sink, expected));
  EXPECT_EQ(sink.bytes(), expected);
  EXPECT_FALSE(sink.has_failed());
  EXPECT_EQ(SinkStatus(sink), 0);
}

TEST(MemorySink, RefusesAWritePastItsLimitAndStaysFailed) {
  MemorySink sink(6);
  const uint8_t bytes[] = {1, 2, 3, 4};
  ASSERT_TRUE(sink.Write(bytes, 4));
  ASSERT_TRUE(sink.Write(bytes, 2));  // exactly at the limit
  EXPECT_FALSE(sink.Write(bytes, 1));
  EXPECT_EQ(sink.bytes(), (std::vector<uint8_t>{1, 2, 3, 4, 1, 2}));
  EXPECT_EQ(sink.failure(), SinkFailure::kLimitReached);
  EXPECT_EQ(SinkStatus(sink), 8);
  EXPECT_FALSE(sink.Write(bytes, 0));
  EXPECT_FALSE(sink.WriteAt(0, bytes, 1));
  EXPECT_EQ(sink.bytes()[0], 1);
}

TEST(FileSink, CommitsExactlyWhatWasWritten) {
  ScopedTempDir dir;
  const std::string target = dir.File("out.tif");
  WriteFileBytes(target, {'o', 'l', 'd'});
  plat::AtomicFile file;
  ASSERT_EQ(plat::AtomicFile::Create(target, file), plat::OpenStatus::kOk);
  FileSink sink(file);
  std::vector<uint8_t> expected;
  ASSERT_TRUE(RunScenario(sink, expected));
  ASSERT_TRUE(sink.Commit());
  EXPECT_EQ(ReadFileBytes(target), expected);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"out.tif"});
}

TEST(FileSink, WritesAPlainFileOnFlush) {
  ScopedTempDir dir;
  const std::string path = dir.File("scratch");
  plat::File file;
  ASSERT_EQ(plat::File::Open(path, plat::FileMode::kWriteCreate, file), plat::OpenStatus::kOk);
  FileSink sink(file);
  std::vector<uint8_t> expected;
  ASSERT_TRUE(RunScenario(sink, expected));
  ASSERT_TRUE(sink.Flush());
  EXPECT_EQ(ReadFileBytes(path), expected);
}

// A failed write at any point, a failed flush or rename, or no commit at all
// leaves the earlier file as it was and no temporary behind; the failure
// stays with the sink.
TEST(FileSink, AnyFailureKeepsTheEarlierFile) {
  int failed_writes = 0;
  for (int n = 1;; ++n) {
    SCOPED_TRACE(n);
    ScopedTempDir dir;
    const std::string target = dir.File("out.tif");
    WriteFileBytes(target, {'o', 'l', 'd'});
    bool committed = false;
    {
      plat::AtomicFile file;
      ASSERT_EQ(plat::AtomicFile::Create(target, file), plat::OpenStatus::kOk);
      FileSink sink(file);
      plat::testing::FailNthWrite(n);
      std::vector<uint8_t> expected;
      bool ran = RunScenario(sink, expected);
      committed = sink.Commit();
      plat::testing::ResetFaults();
      if (committed) {
        EXPECT_TRUE(ran);
      } else {
        EXPECT_EQ(sink.failure(), SinkFailure::kPlatform);
        EXPECT_EQ(SinkStatus(sink), -1);
        const uint8_t byte = 0;
        EXPECT_FALSE(sink.Write(&byte, 1));  // sticky, though the fault is off
        ++failed_writes;
      }
    }
    if (committed) break;  // the Nth write no longer exists: every write was tried
    EXPECT_EQ(ReadFileBytes(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"out.tif"});
  }
  EXPECT_GE(failed_writes, 4);

  enum class Fault { kFlush, kRename, kNoCommit };
  for (Fault fault : {Fault::kFlush, Fault::kRename, Fault::kNoCommit}) {
    SCOPED_TRACE(static_cast<int>(fault));
    ScopedTempDir dir;
    const std::string target = dir.File("out.tif");
    WriteFileBytes(target, {'o', 'l', 'd'});
    {
      plat::AtomicFile file;
      ASSERT_EQ(plat::AtomicFile::Create(target, file), plat::OpenStatus::kOk);
      FileSink sink(file);
      std::vector<uint8_t> expected;
      ASSERT_TRUE(RunScenario(sink, expected));
      if (fault == Fault::kNoCommit) {
        ASSERT_TRUE(sink.Flush());  // data in the temporary, never renamed
      } else {
        plat::testing::FailFlush(fault == Fault::kFlush);
        plat::testing::FailRename(fault == Fault::kRename);
        EXPECT_FALSE(sink.Commit());
        plat::testing::ResetFaults();
        EXPECT_EQ(SinkStatus(sink), -1);
      }
    }
    EXPECT_EQ(ReadFileBytes(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"out.tif"});
  }
}

}  // namespace
