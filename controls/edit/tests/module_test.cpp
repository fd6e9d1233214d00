// The module's start-up, seen from a host that loads it: the framework's
// part, then the photo-disc library's start-up, then the scanner library's.
// This program exports its own two start-up functions, which take the place
// of the libraries' for the module it loads, and records their order. The
// module is loaded from a folder without the image library, which it does
// not need in order to load and start.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "plat/modules.h"
#include "plat/oleaut/com.h"
#include "tests/support/test_support.h"

namespace {
std::vector<std::string> g_starts;
}  // namespace

extern "C" __attribute__((visibility("default"))) int InitK7RBIPCD() {
  g_starts.push_back("photo disc");
  return 1;
}
extern "C" __attribute__((visibility("default"))) int InitK7RBITWN() {
  g_starts.push_back("scanner");
  return 0;
}

namespace {

using DllMainFunction = plat::BOOL (*)(plat::HMODULE, plat::DWORD, void*);

TEST(OndavelModule, LoadsWithoutTheImageLibraryAndStartsBothAcquisitionLibrariesInOrder) {
  testing_support::ScopedTempDir folder;
  const std::string copy = folder.File("libOndavel.so");
  std::filesystem::copy_file(ONDAVEL_MODULE_PATH, copy);
  ASSERT_FALSE(std::filesystem::exists(folder.File("libPelrith.so")));
  plat::HMODULE module = plat::LoadLibrary(copy.c_str());
  ASSERT_NE(module, nullptr);
  auto main = reinterpret_cast<DllMainFunction>(plat::GetProcAddress(module, "DllMain"));
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(g_starts.empty());
  EXPECT_TRUE(main(module, plat::DLL_PROCESS_ATTACH, nullptr));
  EXPECT_EQ(g_starts, (std::vector<std::string>{"photo disc", "scanner"}));
  // A second attach starts nothing again.
  EXPECT_TRUE(main(module, plat::DLL_PROCESS_ATTACH, nullptr));
  EXPECT_EQ(g_starts.size(), 2u);
  EXPECT_NE(plat::GetProcAddress(module, "DllGetClassObject"), nullptr);
  EXPECT_TRUE(main(module, plat::DLL_PROCESS_DETACH, nullptr));
  EXPECT_TRUE(plat::FreeLibrary(module));
}

}  // namespace
