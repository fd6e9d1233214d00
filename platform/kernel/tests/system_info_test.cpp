#include "plat/system.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "plat/last_error.h"
#include "plat/sound.h"
#include "plat/sys_colors.h"
#include "plat/testing/fixture.h"
#include "plat/testing/virtual_clock.h"
#include "plat/version_info.h"

namespace {

using plat::BOOL;
using plat::DWORD;
using plat::UINT;

class SystemInfoTest : public plat::test::PlatformTest {
 protected:
  // Runs `body` with an environment variable set, restoring it afterwards.
  template <class Body>
  void WithVariable(const char* name, const char* value, Body&& body) {
    const char* old = ::getenv(name);
    const std::string saved = old != nullptr ? old : "";
    ::setenv(name, value, 1);
    ::tzset();
    body();
    if (old != nullptr) {
      ::setenv(name, saved.c_str(), 1);
    } else {
      ::unsetenv(name);
    }
    ::tzset();
  }
};

TEST_F(SystemInfoTest, SystemColoursArePinned) {
  const std::pair<int, uint32_t> table[] = {
      {0, 0xC0C0C0},  {1, 0x008080},  {2, 0x000080},  {3, 0x808080},  {4, 0xC0C0C0},  {5, 0xFFFFFF},
      {6, 0x000000},  {7, 0x000000},  {8, 0x000000},  {9, 0xFFFFFF},  {10, 0xC0C0C0}, {11, 0xC0C0C0},
      {12, 0x808080}, {13, 0x000080}, {14, 0xFFFFFF}, {15, 0xC0C0C0}, {16, 0x808080}, {17, 0x808080},
      {18, 0x000000}, {19, 0xC0C0C0}, {20, 0xFFFFFF}, {21, 0x404040}, {22, 0xC0C0C0}, {23, 0x000000},
      {24, 0xFFFFE1}, {26, 0x0000FF}, {27, 0x1084D0}, {28, 0xC0C0C0}, {29, 0x000080}, {30, 0xC0C0C0},
  };
  for (const auto& [index, rgb] : table) {
    // The table is written R,G,B; a COLORREF holds 0x00BBGGRR.
    EXPECT_EQ(plat::GetSysColor(index), plat::RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF)) << index;
  }
  for (int index : {-1, 25, 31}) {
    EXPECT_EQ(plat::GetSysColor(index), 0u) << index;
    EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_INVALID_PARAMETER));
  }
}

TEST_F(SystemInfoTest, VersionLanguageAndLocale) {
  plat::OSVERSIONINFO version;
  ASSERT_TRUE(plat::GetVersionEx(&version));
  EXPECT_EQ(version.dwPlatformId, plat::VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(version.dwMajorVersion, 4u);
  EXPECT_EQ(version.dwMinorVersion, 0u);
  const std::pair<const char*, plat::LANGID> languages[] = {
      {"ja_JP.UTF-8", 0x0411}, {"ja", 0x0411}, {"en_US.UTF-8", 0x0409}, {"C", 0x0409}, {"", 0x0409}};
  for (const auto& language : languages) {
    WithVariable("LANG", language.first,
                 [&] { EXPECT_EQ(plat::GetSystemDefaultLangID(), language.second) << language.first; });
  }
  WithVariable("LANG", "C", [&] {
    const std::pair<plat::LCTYPE, const char*> items[] = {
        {plat::LOCALE_SSHORTDATE, "yyyy-MM-dd"}, {plat::LOCALE_SDECIMAL, "."}, {plat::LOCALE_STIME, ":"},
        {plat::LOCALE_SDAYNAME1 + 6, "Sunday"},  {plat::LOCALE_SABBREVMONTHNAME1 + 11, "Dec"},
        {plat::LOCALE_ILANGUAGE, "0409"},
    };
    for (const auto& [item, text] : items) {
      std::string out;
      const int length = plat::GetLocaleInfo(plat::GetThreadLocale(), item, out);
      EXPECT_EQ(length, static_cast<int>(out.size()));
      EXPECT_EQ(out, text) << item;
    }
    std::string out;
    EXPECT_EQ(plat::GetLocaleInfo(plat::GetThreadLocale(), 0x7777, out), 0);
  });
}

TEST_F(SystemInfoTest, TimeZones) {
  struct Case {
    const char* tz;
    int64_t unix_micros;
    DWORD expected;
    plat::LONG bias;
    plat::LONG daylight_bias;
  };
  const Case cases[] = {
      {"JST-9", 1'720'000'000'000'000, plat::TIME_ZONE_ID_UNKNOWN, -540, 0},
      {"CET-1CEST,M3.5.0,M10.5.0/3", 1'720'000'000'000'000, plat::TIME_ZONE_ID_DAYLIGHT, -60, -60},  // July
      {"CET-1CEST,M3.5.0,M10.5.0/3", 1'705'000'000'000'000, plat::TIME_ZONE_ID_STANDARD, -60, -60},  // January
      {"EST5EDT,M3.2.0,M11.1.0", 1'705'000'000'000'000, plat::TIME_ZONE_ID_STANDARD, 300, -60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tz);
    plat::test::ScopedVirtualClock clock(0, c.unix_micros);
    WithVariable("TZ", c.tz, [&] {
      plat::TIME_ZONE_INFORMATION zone;
      EXPECT_EQ(plat::GetTimeZoneInformation(&zone), c.expected);
      EXPECT_EQ(zone.Bias, c.bias);
      EXPECT_EQ(zone.DaylightBias, c.daylight_bias);
      EXPECT_FALSE(zone.StandardName.empty());
    });
  }
}

TEST_F(SystemInfoTest, MachineFiguresAgreeWithTheKernel) {
  // /proc/meminfo reports kibibytes.
  std::ifstream meminfo("/proc/meminfo");
  std::string label;
  uint64_t total_kib = 0;
  meminfo >> label >> total_kib;
  ASSERT_EQ(label, "MemTotal:");
  plat::MEMORYSTATUS memory;
  plat::GlobalMemoryStatus(&memory);
  EXPECT_EQ(memory.dwTotalPhys / 1024, total_kib);
  EXPECT_LE(memory.dwAvailPhys, memory.dwTotalPhys);
  EXPECT_LE(memory.dwMemoryLoad, 100u);

  std::ifstream hostname_file("/proc/sys/kernel/hostname");
  std::string hostname;
  std::getline(hostname_file, hostname);
  std::string name;
  ASSERT_TRUE(plat::GetComputerName(name));
  EXPECT_EQ(name, hostname);
  ASSERT_TRUE(plat::GetUserName(name));
  EXPECT_FALSE(name.empty());

  plat::SYSTEM_INFO system;
  plat::GetSystemInfo(&system);
  EXPECT_GE(system.dwNumberOfProcessors, 1u);
  EXPECT_EQ(system.dwProcessorType, plat::PROCESSOR_INTEL_PENTIUM);

  uint64_t available = 0, total = 0, free_bytes = 0;
  ASSERT_TRUE(plat::GetDiskFreeSpaceEx(WorkPath("").c_str(), &available, &total, &free_bytes));
  EXPECT_GT(total, 0u);
  EXPECT_LE(available, free_bytes);
  EXPECT_LE(free_bytes, total);
  EXPECT_FALSE(plat::GetDiskFreeSpaceEx(WorkPath("nowhere").c_str(), &available, &total, &free_bytes));
  EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(plat::GetDriveType("/"), plat::DRIVE_FIXED);
  EXPECT_EQ(plat::GetDriveType(WorkPath("nowhere").c_str()), plat::DRIVE_NO_ROOT_DIR);
  std::string drives;
  EXPECT_EQ(plat::GetLogicalDriveStrings(drives), 2u);
  EXPECT_EQ(drives, std::string("/\0", 2));
}

TEST_F(SystemInfoTest, FoldersEnvironmentPrioritiesAndScreenSaver) {
  std::string folder;
  EXPECT_EQ(plat::GetWindowsDirectory(folder), (ConfigHome() + "/quorvel_k").size());
  EXPECT_EQ(folder, ConfigHome() + "/quorvel_k");
  EXPECT_EQ(plat::GetSystemDirectory(folder), (ConfigHome() + "/quorvel_k").size());
  EXPECT_EQ(folder, ConfigHome() + "/quorvel_k");
  EXPECT_EQ(plat::GetProgramFolder(), std::filesystem::read_symlink("/proc/self/exe").parent_path().string());
  const std::vector<std::string> environment = plat::GetEnvironmentStrings();
  EXPECT_NE(std::find(environment.begin(), environment.end(), "XDG_CONFIG_HOME=" + ConfigHome()), environment.end());
  EXPECT_TRUE(plat::SetPriorityClass(plat::GetCurrentProcess(), plat::REALTIME_PRIORITY_CLASS));
  EXPECT_TRUE(plat::SetThreadPriority(plat::GetCurrentThread(), plat::THREAD_PRIORITY_TIME_CRITICAL));
  EXPECT_EQ(plat::GetPriorityClass(plat::GetCurrentProcess()), plat::NORMAL_PRIORITY_CLASS);
  int timeout = -1;
  EXPECT_TRUE(plat::SystemParametersInfo(plat::SPI_GETSCREENSAVETIMEOUT, 0, &timeout, 0));
  EXPECT_EQ(timeout, 0);
  EXPECT_TRUE(plat::SystemParametersInfo(plat::SPI_GETSCREENSAVEACTIVE, 0, &timeout, 0));
  EXPECT_EQ(timeout, 0);
  EXPECT_FALSE(plat::SystemParametersInfo(0x7777, 0, &timeout, 0));
}

TEST_F(SystemInfoTest, VersionTablesRegisteredInCode) {
  plat::VersionTable table;
  table.fixed.dwFileVersionMS = 0x00020001;
  table.fixed.dwFileVersionLS = 0x00000007;
  table.language = 0x0411;
  table.code_page = 0x03A4;
  table.strings = {{"FileVersion", "2.1.0.7"}, {"CompanyName", "Quorvel"}};
  plat::RegisterVersionInfo("libVersioned.so", table);
  DWORD handle = 99;
  const DWORD size = plat::GetFileVersionInfoSize("/opt/suite/libVersioned.so", &handle);
  EXPECT_GT(size, 0u);
  EXPECT_EQ(handle, 0u);
  std::vector<plat::BYTE> block;
  ASSERT_TRUE(plat::GetFileVersionInfo("/opt/suite/libVersioned.so", handle, block));
  EXPECT_EQ(block.size(), size);
  const void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(plat::VerQueryValue(block, "\\", &value, &length));
  const auto* fixed = static_cast<const plat::VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00020001u);
  ASSERT_TRUE(plat::VerQueryValue(block, "\\VarFileInfo\\Translation", &value, &length));
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(static_cast<const plat::WORD*>(value)[0], 0x0411);
  EXPECT_EQ(static_cast<const plat::WORD*>(value)[1], 0x03A4);
  ASSERT_TRUE(plat::VerQueryValue(block, "\\StringFileInfo\\041103A4\\FileVersion", &value, &length));
  EXPECT_STREQ(static_cast<const char*>(value), "2.1.0.7");
  EXPECT_EQ(length, 8u);
  EXPECT_FALSE(plat::VerQueryValue(block, "\\StringFileInfo\\040904E4\\FileVersion", &value, &length));
  // A cut block is refused by its bounds, never read past.
  for (size_t cut = 0; cut < block.size(); ++cut) {
    const std::vector<plat::BYTE> prefix(block.begin(), block.begin() + static_cast<ptrdiff_t>(cut));
    (void)plat::VerQueryValue(prefix, "\\StringFileInfo\\041103A4\\CompanyName", &value, &length);
  }
  EXPECT_EQ(plat::GetFileVersionInfoSize("libUnknown.so", &handle), 0u);
  EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_RESOURCE_TYPE_NOT_FOUND));
}

class RecordingSink : public plat::SoundSink {
 public:
  UINT DeviceCount() override { return 1; }
  BOOL Play(const char* sound, UINT flags) override {
    played.emplace_back(sound != nullptr ? sound : "(stop)", flags);
    return TRUE;
  }
  std::vector<std::pair<std::string, UINT>> played;
};

TEST_F(SystemInfoTest, SoundGoesToTheSinkOrNowhere) {
  EXPECT_EQ(plat::waveOutGetNumDevs(), 0u);
  EXPECT_FALSE(plat::sndPlaySound("/usr/share/sounds/done.wav", plat::SND_ASYNC));
  RecordingSink sink;
  plat::SoundSink* previous = plat::SetSoundSink(&sink);
  EXPECT_EQ(plat::waveOutGetNumDevs(), 1u);
  EXPECT_TRUE(plat::sndPlaySound("done.wav", plat::SND_ASYNC | plat::SND_NODEFAULT));
  EXPECT_TRUE(plat::sndPlaySound(nullptr, 0));
  plat::SetSoundSink(previous);
  EXPECT_EQ(sink.played, (std::vector<std::pair<std::string, UINT>>{
                             {"done.wav", plat::SND_ASYNC | plat::SND_NODEFAULT}, {"(stop)", 0}}));
}

}  // namespace
