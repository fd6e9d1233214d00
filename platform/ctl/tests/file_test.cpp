#include <gtest/gtest.h>

#include <stdexcept>

#include "plat/ctl/file.h"
#include "tests/support/test_support.h"

namespace plat {
namespace {

using testing_support::ReadFileText;
using testing_support::ScopedTempDir;
using testing_support::WriteFileBytes;

TEST(CFile, CreatedFileReplacesTheTargetOnlyWhenClosed) {
  ScopedTempDir dir;
  const std::string path = dir.File("out.txt");
  WriteFileBytes(path, {'o', 'l', 'd'});
  try {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    file.Write("new text", 8);
    throw std::runtime_error("the caller fails half-way");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(ReadFileText(path), "old");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"out.txt"})) << "no temporary file is left";

  {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeReadWrite);
    file.Write("new text", 8);
    EXPECT_EQ(file.GetLength(), 8u);
    file.SeekToBegin();
    char head[3] = {};
    EXPECT_EQ(file.Read(head, 3), 3u);
    EXPECT_EQ(std::string(head, 3), "new");
    EXPECT_EQ(ReadFileText(path), "old") << "not yet committed";
    file.Close();
  }
  EXPECT_EQ(ReadFileText(path), "new text");

  CFile aborted(path.c_str(), CFile::modeCreate | CFile::modeWrite);
  aborted.Write("x", 1);
  aborted.Abort();
  EXPECT_EQ(ReadFileText(path), "new text");
}

TEST(CFile, OpenFailuresNameTheirCause) {
  ScopedTempDir dir;
  struct Row {
    const char* name;
    std::string path;
    UINT flags;
    int cause;
  };
  WriteFileBytes(dir.File("plain"), {'x'});
  const Row rows[] = {
      {"missing file", dir.File("missing"), CFile::modeRead, CFileException::fileNotFound},
      {"missing folder", dir.File("none/file"), CFile::modeCreate | CFile::modeWrite, CFileException::fileNotFound},
      {"file used as folder", dir.File("plain/file"), CFile::modeRead, CFileException::badPath},
      {"empty name", "", CFile::modeRead, CFileException::fileNotFound},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(row.path.c_str(), row.flags, &error));
    EXPECT_EQ(error.m_cause, row.cause);
    EXPECT_EQ(error.m_strFileName, row.path);
  }
  EXPECT_THROW(CFile(dir.File("missing").c_str(), CFile::modeRead), CFileException);

  CFile in_place(dir.File("plain").c_str(), CFile::modeReadWrite | CFile::modeCreate | CFile::modeNoTruncate);
  in_place.SeekToEnd();
  in_place.Write("y", 1);
  in_place.Close();
  EXPECT_EQ(ReadFileText(dir.File("plain")), "xy");

  CFile reader(dir.File("plain").c_str(), CFile::modeRead);
  try {
    reader.Write("z", 1);
    ADD_FAILURE() << "a read-only file took a write";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_cause, CFileException::invalidFile);
  }
  EXPECT_THROW(reader.Seek(-1, CFile::begin), CFileException);
}

TEST(CMemFile, AttachedBufferDoesNotGrow) {
  BYTE buffer[4] = {1, 2, 3, 4};
  CMemFile file(buffer, sizeof(buffer));
  EXPECT_EQ(file.GetLength(), 4u);
  file.Seek(2, CFile::begin);
  file.Write("\x09", 1);
  try {
    file.Write("\x0A\x0B", 2);
    ADD_FAILURE() << "wrote past the caller's buffer";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_cause, CFileException::diskFull);
  }
  EXPECT_EQ(buffer[2], 9);
  EXPECT_EQ(buffer[3], 4) << "a refused write changes nothing";
  BYTE read[8] = {};
  file.SeekToBegin();
  EXPECT_EQ(file.Read(read, 8), 4u);

  CMemFile grown(3);
  for (int i = 0; i < 10; ++i) grown.Write("ab", 2);
  EXPECT_EQ(grown.GetLength(), 20u);
  grown.Seek(-2, CFile::end);
  char tail[2];
  EXPECT_EQ(grown.Read(tail, 2), 2u);
  EXPECT_EQ(std::string(tail, 2), "ab");
}

}  // namespace
}  // namespace plat
