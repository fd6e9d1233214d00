#include "plat/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "plat/last_error.h"
#include "plat/testing/fixture.h"

namespace {

using plat::DWORD;
using plat::HANDLE;
using plat::UINT;
using plat::WIN32_FIND_DATA;

using FileSystemTest = plat::test::PlatformTest;

constexpr uint64_t kFiveGiB = uint64_t{5} << 30;

void MakeSparse(const std::string& path, uint64_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
  ::close(fd);
}

TEST_F(FileSystemTest, AttributesDescribeWhatTheUserSees) {
  plat::test::WriteFileBytes(WorkPath("plain.txt"), "12345");
  plat::test::WriteFileBytes(WorkPath(".profile"), "x");
  plat::test::WriteFileBytes(WorkPath("locked.txt"), "x");
  ::chmod(WorkPath("locked.txt").c_str(), 0444);
  std::filesystem::create_directory(WorkPath("folder"));
  std::filesystem::create_symlink(WorkPath("folder"), WorkPath("link-to-folder"));
  std::filesystem::create_symlink(WorkPath("plain.txt"), WorkPath("link-to-file"));
  std::filesystem::create_symlink(WorkPath("gone"), WorkPath("dangling"));
  MakeSparse(WorkPath("huge.bin"), kFiveGiB);
  struct Case {
    const char* name;
    DWORD attributes;
    uint64_t size;
  };
  const Case cases[] = {
      {"plain.txt", plat::FILE_ATTRIBUTE_NORMAL, 5},
      {".profile", plat::FILE_ATTRIBUTE_HIDDEN, 1},
      {"locked.txt", plat::FILE_ATTRIBUTE_READONLY, 1},
      {"folder", plat::FILE_ATTRIBUTE_DIRECTORY, 0},
      {"link-to-folder", plat::FILE_ATTRIBUTE_DIRECTORY | plat::FILE_ATTRIBUTE_REPARSE_POINT, 0},
      {"link-to-file", plat::FILE_ATTRIBUTE_REPARSE_POINT, 5},
      {"dangling", plat::FILE_ATTRIBUTE_REPARSE_POINT, std::string(WorkPath("gone")).size()},
      {"huge.bin", plat::FILE_ATTRIBUTE_NORMAL, kFiveGiB},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(plat::GetFileAttributes(WorkPath(c.name).c_str()), c.attributes);
    WIN32_FIND_DATA data;
    ASSERT_TRUE(plat::GetFileAttributesEx(WorkPath(c.name).c_str(), &data));
    EXPECT_EQ(data.FileSize(), c.size);
    EXPECT_EQ(data.cFileName, c.name);
  }
  WIN32_FIND_DATA huge;
  ASSERT_TRUE(plat::GetFileAttributesEx(WorkPath("huge.bin").c_str(), &huge));
  EXPECT_EQ(huge.nFileSizeHigh, 1u);
  EXPECT_EQ(huge.nFileSizeLow, 0x40000000u);
  // The write time is the file's own, in FILETIME units.
  struct stat info;
  ASSERT_EQ(::stat(WorkPath("plain.txt").c_str(), &info), 0);
  WIN32_FIND_DATA plain;
  ASSERT_TRUE(plat::GetFileAttributesEx(WorkPath("plain.txt").c_str(), &plain));
  EXPECT_EQ(plat::UnixMicrosFromFileTime(plain.ftLastWriteTime),
            static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000 + info.st_mtim.tv_nsec / 1000);

  EXPECT_EQ(plat::GetFileAttributes(WorkPath("missing").c_str()), plat::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(plat::GetFileAttributes(WorkPath("nowhere/missing").c_str()), plat::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_PATH_NOT_FOUND));
}

TEST_F(FileSystemTest, SearchMatchesTheLastComponentCaseInsensitively) {
  for (const char* name : {"a.TXT", "b.txt", "c.tif", ".hidden.txt", "\xC3\xA9.txt", "ab.txt"}) {
    plat::test::WriteFileBytes(WorkPath(name), "x");
  }
  MakeSparse(WorkPath("big.txt"), kFiveGiB);
  std::filesystem::create_directory(WorkPath("sub.txt"));
  struct Case {
    const char* pattern;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"*.txt", {".hidden.txt", "a.TXT", "ab.txt", "b.txt", "big.txt", "sub.txt", "\xC3\xA9.txt"}},
      {"?.TXT", {"a.TXT", "b.txt", "\xC3\xA9.txt"}},  // '?' takes one character, not one byte
      {"A*", {"a.TXT", "ab.txt"}},
      {"*.t?f", {"c.tif"}},
      {"c.tif", {"c.tif"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    WIN32_FIND_DATA data;
    HANDLE search = plat::FindFirstFile(WorkPath(c.pattern).c_str(), &data);
    ASSERT_NE(search, plat::INVALID_HANDLE_VALUE);
    std::vector<std::string> names;
    do {
      names.push_back(data.cFileName);
      if (data.cFileName == "big.txt") {
        EXPECT_EQ(data.FileSize(), kFiveGiB);
      }
      if (data.cFileName == "sub.txt") {
        EXPECT_EQ(data.dwFileAttributes, plat::FILE_ATTRIBUTE_DIRECTORY);
      }
    } while (plat::FindNextFile(search, &data));
    EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_NO_MORE_FILES));
    EXPECT_TRUE(plat::FindClose(search));
    EXPECT_EQ(names, c.names);
  }
  WIN32_FIND_DATA data;
  EXPECT_EQ(plat::FindFirstFile(WorkPath("*.png").c_str(), &data), plat::INVALID_HANDLE_VALUE);
  EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(plat::FindFirstFile(WorkPath("nowhere/*").c_str(), &data), plat::INVALID_HANDLE_VALUE);
  EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_PATH_NOT_FOUND));
}

TEST_F(FileSystemTest, PatternMatching) {
  struct Case {
    const char* name;
    const char* pattern;
    bool matches;
  };
  const Case cases[] = {
      {"Scan0001.tif", "scan????.TIF", true}, {"Scan0001.tif", "*", true},      {"", "*", true},
      {"abc", "a*c*", true},                  {"abc", "a*b", false},           {"aaaa", "*a*a*a*a*a", false},
      {"x.tar.gz", "*.gz", true},             {"x.tar.gz", "*.tar", false},    {"\xE6\x97\xA5", "?", true},
      {"\xE6\x97\xA5", "??", false},          {"\xC3\x89", "\xC3\xA9", false},  // no folding beyond ASCII
  };
  for (const Case& c : cases) {
    EXPECT_EQ(plat::MatchesFilePattern(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
  }
}

TEST_F(FileSystemTest, TemporaryNamesAreCreatedAndNeverReused) {
  std::string path;
  const DWORD path_length = plat::GetTempPath(path);
  EXPECT_EQ(path_length, path.size());
  EXPECT_EQ(path, TempDir() + "/");

  // Every number but one is taken: the one left is the only name given.
  const std::string folder = WorkPath("");
  for (UINT number = 1; number <= 0xFFFF; ++number) {
    if (number == 0x1234) continue;
    char name[32];
    std::snprintf(name, sizeof name, "~Qrv%X.tmp", number);
    const int fd = ::open((folder + name).c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
  }
  plat::test::WriteFileBytes(folder + "~Qrv1.tmp", "earlier content");
  std::string made;
  EXPECT_EQ(plat::GetTempFileName(folder.c_str(), "~Qrv", 0, made), 0x1234u);
  EXPECT_EQ(made, folder + "~Qrv1234.tmp");
  struct stat info;
  ASSERT_EQ(::stat(made.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(info.st_size, 0);
  EXPECT_EQ(plat::test::ReadFileBytes(folder + "~Qrv1.tmp"), "earlier content");
  // Now every name is taken.
  EXPECT_EQ(plat::GetTempFileName(folder.c_str(), "~Qrv", 0, made), 0u);
  EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_FILE_EXISTS));
  // A number given by the caller only forms the name.
  EXPECT_EQ(plat::GetTempFileName(TempDir().c_str(), "tmp", 0xBEEF, made), 0xBEEFu);
  EXPECT_EQ(made, TempDir() + "/tmpBEEF.tmp");
  EXPECT_EQ(plat::GetFileAttributes(made.c_str()), plat::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(plat::GetTempFileName(WorkPath("nowhere").c_str(), "tmp", 0, made), 0u);
  EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_DIRECTORY));
}

TEST_F(FileSystemTest, DeleteFileRemovesFilesOnly) {
  plat::test::WriteFileBytes(WorkPath("f"), "x");
  std::filesystem::create_directory(WorkPath("d"));
  EXPECT_TRUE(plat::DeleteFile(WorkPath("f").c_str()));
  EXPECT_FALSE(plat::DeleteFile(WorkPath("f").c_str()));
  EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(plat::DeleteFile(WorkPath("d").c_str()));
  EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_ACCESS_DENIED));
  std::string current;
  const DWORD current_length = plat::GetCurrentDirectory(current);
  EXPECT_EQ(current_length, current.size());
  EXPECT_EQ(current, std::filesystem::current_path().string());
}

}  // namespace
