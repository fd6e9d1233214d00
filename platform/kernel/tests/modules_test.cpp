#include "plat/modules.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "plat/last_error.h"
#include "plat/testing/fixture.h"

namespace {

using plat::DWORD;
using plat::HMODULE;

using ModulesTest = plat::test::PlatformTest;

using AnswerFunction = int (*)();

std::string ProgramFolder() {
  std::string program;
  plat::GetModuleFileName(nullptr, program);
  return program.substr(0, program.find_last_of('/'));
}

// Runs `body` with the current folder set to `folder`.
template <class Body>
void InFolder(const std::string& folder, Body&& body) {
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  body();
  std::filesystem::current_path(before);
}

TEST_F(ModulesTest, NamesMapToSharedObjectFiles) {
  const std::pair<const char*, const char*> cases[] = {
      {"Pelrith.dll", "libPelrith.so"}, {"half.DLL", "libhalf.so"},        {"Tessmor", "libTessmor.so"},
      {"libz.so.1", "libz.so.1"},       {"dir/Half.dll", "dir/libHalf.so"}, {"/abs/x.so", "/abs/x.so"},
  };
  for (const auto& [name, file] : cases) EXPECT_EQ(plat::ModuleFileNameFor(name), file) << name;
}

TEST_F(ModulesTest, APlainNameLoadsBesideTheCallerAndNeverFromTheCurrentFolder) {
  // The current folder holds a different libHalf.so and a module found
  // nowhere else: neither may be loaded.
  std::filesystem::copy_file(ProgramFolder() + "/libFull.so", WorkPath("libHalf.so"));
  std::filesystem::copy_file(ProgramFolder() + "/libFull.so", WorkPath("libPlanted.so"));
  InFolder(WorkPath(""), [&] {
    HMODULE half = plat::LoadLibrary("Half.dll");
    ASSERT_NE(half, nullptr);
    std::string path;
    EXPECT_GT(plat::GetModuleFileName(half, path), 0u);
    EXPECT_EQ(path, ProgramFolder() + "/libHalf.so");
    auto answer = reinterpret_cast<AnswerFunction>(plat::GetProcAddress(half, "ModuleAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 21);
    plat::SetLastError(0);
    EXPECT_EQ(plat::GetProcAddress(half, "ModuleName"), nullptr);  // the half it lacks
    EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(plat::GetProcAddress(half, reinterpret_cast<const char*>(1)), nullptr);  // ordinals are refused
    EXPECT_TRUE(plat::FreeLibrary(half));

    EXPECT_EQ(plat::LoadLibrary("Planted.dll"), nullptr);
    EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(plat::LoadLibrary("NoSuchModule.dll"), nullptr);
    EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_MOD_NOT_FOUND));
    // A path is taken as it is, the current folder included.
    HMODULE planted = plat::LoadLibrary("./libPlanted.so");
    ASSERT_NE(planted, nullptr);
    EXPECT_EQ(reinterpret_cast<AnswerFunction>(plat::GetProcAddress(planted, "ModuleAnswer"))(), 42);
    EXPECT_TRUE(plat::FreeLibrary(planted));
  });
}

TEST_F(ModulesTest, HandlesAreCountedAndFoundAgain) {
  HMODULE first = plat::LoadLibrary("Full.dll");
  HMODULE second = plat::LoadLibrary((ProgramFolder() + "/libFull.so").c_str());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_EQ(plat::GetModuleHandle("Full.dll"), first);
  void* entry = plat::GetProcAddress(first, "ModuleName");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(plat::GetModuleHandleFromAddress(entry), first);
  EXPECT_TRUE(plat::FreeLibrary(first));
  EXPECT_TRUE(plat::FreeLibrary(second));
  EXPECT_FALSE(plat::FreeLibrary(first));  // every load is matched: the handle is gone
  EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_INVALID_HANDLE));
  // The code stays mapped, so the entry point taken earlier still works.
  EXPECT_STREQ(reinterpret_cast<const char* (*)()>(entry)(), "full");

  EXPECT_EQ(plat::ThisModule(), plat::GetModuleHandle(nullptr));  // this test is the program
  std::string program;
  EXPECT_GT(plat::GetModuleFileName(plat::ThisModule(), program), 0u);
  EXPECT_EQ(program, std::filesystem::read_symlink("/proc/self/exe").string());
  EXPECT_EQ(plat::GetModuleHandle("NotLoaded.dll"), nullptr);
}

}  // namespace
