#include "plat/sync.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <thread>

#include "plat/last_error.h"
#include "plat/testing/child_process.h"
#include "plat/testing/fixture.h"

namespace {

using plat::DWORD;
using plat::BOOL;
using plat::HANDLE;

using SyncTest = plat::test::PlatformTest;

constexpr DWORD kAlreadyExists = plat::ERROR_ALREADY_EXISTS;

// Exit code 0 when the name was already open elsewhere, 1 when it was free.
PLAT_TEST_CHILD_ROLE(ProbeMutex) {
  HANDLE mutex = plat::CreateMutex(nullptr, FALSE, argument.c_str());
  if (mutex == nullptr) return 2;
  const bool existed = plat::GetLastError() == plat::ERROR_ALREADY_EXISTS;
  plat::CloseHandle(mutex);
  return existed ? 0 : 1;
}

PLAT_TEST_CHILD_ROLE(HoldMutex) {
  HANDLE mutex = plat::CreateMutex(nullptr, TRUE, argument.c_str());
  if (mutex == nullptr) return 2;
  plat::test::SignalReady();
  ::pause();  // until killed
  return 0;
}

TEST_F(SyncTest, CriticalSectionsAreRecursiveAndExclusive) {
  plat::CRITICAL_SECTION section;
  plat::InitializeCriticalSection(&section);
  plat::EnterCriticalSection(&section);
  plat::EnterCriticalSection(&section);  // the owner enters again
  EXPECT_FALSE(std::async(std::launch::async, [&] { return plat::TryEnterCriticalSection(&section); }).get());
  plat::LeaveCriticalSection(&section);
  EXPECT_FALSE(std::async(std::launch::async, [&] { return plat::TryEnterCriticalSection(&section); }).get());
  plat::LeaveCriticalSection(&section);
  EXPECT_TRUE(std::async(std::launch::async, [&] {
                const BOOL entered = plat::TryEnterCriticalSection(&section);
                if (entered) plat::LeaveCriticalSection(&section);
                return entered;
              }).get());
  plat::DeleteCriticalSection(&section);
}

TEST_F(SyncTest, ASecondHandleInThisProcessSeesTheName) {
  HANDLE first = plat::CreateMutex(nullptr, FALSE, "Quorvel_K");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(plat::GetLastError(), 0u);
  HANDLE second = plat::CreateMutex(nullptr, FALSE, "Quorvel_K");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(plat::GetLastError(), kAlreadyExists);
  HANDLE other = plat::CreateMutex(nullptr, FALSE, "Another name");
  EXPECT_EQ(plat::GetLastError(), 0u);
  EXPECT_TRUE(plat::CloseHandle(first));
  EXPECT_TRUE(plat::CloseHandle(second));
  HANDLE again = plat::CreateMutex(nullptr, FALSE, "Quorvel_K");
  EXPECT_EQ(plat::GetLastError(), 0u);
  for (HANDLE handle : {other, again}) EXPECT_TRUE(plat::CloseHandle(handle));
  EXPECT_FALSE(plat::CloseHandle(again));
  EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_INVALID_HANDLE));
}

TEST_F(SyncTest, AnotherProcessSeesTheNameUntilItIsClosed) {
  HANDLE mutex = plat::CreateMutex(nullptr, FALSE, "Single instance");
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(plat::test::RunChild("ProbeMutex", "Single instance"), 0);
  EXPECT_EQ(plat::test::RunChild("ProbeMutex", "Other name"), 1);
  EXPECT_TRUE(plat::CloseHandle(mutex));
  EXPECT_EQ(plat::test::RunChild("ProbeMutex", "Single instance"), 1);
}

TEST_F(SyncTest, AKilledHolderReleasesTheName) {
  plat::test::ChildProcess holder;
  ASSERT_TRUE(holder.Start("HoldMutex", "Held"));
  ASSERT_TRUE(holder.WaitReady());
  HANDLE probe = plat::CreateMutex(nullptr, FALSE, "Held");
  EXPECT_EQ(plat::GetLastError(), kAlreadyExists);
  EXPECT_TRUE(plat::CloseHandle(probe));
  holder.Kill();
  probe = plat::CreateMutex(nullptr, FALSE, "Held");
  EXPECT_EQ(plat::GetLastError(), 0u);
  EXPECT_TRUE(plat::CloseHandle(probe));
}

TEST_F(SyncTest, OwnershipAndRefusedNames) {
  HANDLE owned = plat::CreateMutex(nullptr, TRUE, nullptr);
  ASSERT_NE(owned, nullptr);
  EXPECT_FALSE(std::async(std::launch::async, [&] { return plat::ReleaseMutex(owned); }).get());
  EXPECT_TRUE(plat::ReleaseMutex(owned));
  EXPECT_FALSE(plat::ReleaseMutex(owned));
  EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_NOT_OWNER));
  EXPECT_TRUE(plat::CloseHandle(owned));
  for (const char* name : {"a/b", "/etc/passwd", ".."}) {
    EXPECT_EQ(plat::CreateMutex(nullptr, FALSE, name), nullptr) << name;
    EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_INVALID_NAME)) << name;
  }
}

TEST_F(SyncTest, TheFallbackFolderRefusesAPlantedSymlink) {
  ::unsetenv("XDG_RUNTIME_DIR");
  const std::string folder = plat::MutexFolder();
  ASSERT_EQ(folder, "/tmp/plat-" + std::to_string(::getuid()));
  struct stat info;
  ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  const std::string name = "planted-" + std::to_string(::getpid());
  const std::string target = WorkPath("victim");
  plat::test::WriteFileBytes(target, "keep");
  std::filesystem::create_symlink(target, folder + "/" + name + ".lock");
  EXPECT_EQ(plat::CreateMutex(nullptr, FALSE, name.c_str()), nullptr);
  EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_ACCESS_DENIED));
  std::filesystem::remove(folder + "/" + name + ".lock");
  EXPECT_EQ(plat::test::ReadFileBytes(target), "keep");
  // Without the link the name works, and its lock file is private.
  HANDLE mutex = plat::CreateMutex(nullptr, FALSE, name.c_str());
  ASSERT_NE(mutex, nullptr);
  ASSERT_EQ(::lstat((folder + "/" + name + ".lock").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_TRUE(plat::CloseHandle(mutex));
  std::filesystem::remove(folder + "/" + name + ".lock");
}

}  // namespace
