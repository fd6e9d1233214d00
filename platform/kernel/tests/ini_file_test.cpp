#include "plat/ini.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "plat/fault_injection.h"
#include "plat/last_error.h"
#include "plat/testing/child_process.h"
#include "plat/testing/fixture.h"

namespace {

using plat::BYTE;
using plat::DWORD;
using plat::LONGLONG;

using plat::test::ReadFileBytes;
using plat::test::WriteFileBytes;

// A BOM, CRLF endings, duplicate sections and keys, mixed case, quotes,
// comments, blank padding and a line without '='.
constexpr char kSettings[] =
    "\xEF\xBB\xBF; settings of the scanner\r\n"
    "[Scanner]\r\n"
    "Device = Flatbed A4 \r\n"
    "resolution=300\r\n"
    "RESOLUTION=600\r\n"
    "Caption=\"  quoted text  \"\r\n"
    "Single='x'\r\n"
    "Half=\"open\r\n"
    "Empty=\r\n"
    "not a key line\r\n"
    ";Commented=1\r\n"
    "\r\n"
    "[Window]\r\n"
    "Left=-12px\r\n"
    "Top=+7\r\n"
    "Width=abc\r\n"
    "Huge=99999999999\r\n"
    "\r\n"
    "[scanner]\r\n"
    "Device=second copy\r\n"
    "Extra=only in the copy\r\n";

class IniFileTest : public plat::test::PlatformTest {
 protected:
  std::string Get(const char* section, const char* key, const char* def, const std::string& file) {
    std::string out;
    const DWORD length = plat::GetPrivateProfileString(section, key, def, out, file.c_str());
    EXPECT_EQ(length, out.size());
    return out;
  }
};

TEST_F(IniFileTest, ReadsTheTableOfCases) {
  const std::string file = WorkPath("settings.ini");
  WriteFileBytes(file, kSettings);
  struct Case {
    const char* section;
    const char* key;
    const char* def;
    const char* expected;
  };
  const Case cases[] = {
      {"Scanner", "Device", "-", "Flatbed A4"},            // blanks trimmed
      {"SCANNER", "device", "-", "Flatbed A4"},            // case-insensitive; first section wins
      {"Scanner", "Resolution", "-", "300"},               // first key wins
      {"Scanner", "Caption", "-", "  quoted text  "},      // one pair of quotes removed
      {"Scanner", "Single", "-", "x"},                     //
      {"Scanner", "Half", "-", "\"open"},                  // an unmatched quote stays
      {"Scanner", "Empty", "-", ""},                       // present but empty
      {"Scanner", "Commented", "dflt", "dflt"},            // comment lines are not keys
      {"Scanner", "not a key line", "dflt", "dflt"},       // lines without '=' are ignored
      {"Scanner", "Extra", "dflt", "dflt"},                // the duplicate section is shadowed
      {"Window", "Left", nullptr, "-12px"},                //
      {"Nowhere", "Left", " padded default ", "padded default"},
      {"Nowhere", "Left", nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    EXPECT_EQ(Get(c.section, c.key, c.def, file), c.expected);
  }
  struct IntCase {
    const char* key;
    int def;
    int expected;
  };
  const IntCase int_cases[] = {
      {"Left", 5, -12}, {"Top", 5, 7}, {"Width", 5, 0}, {"Huge", 5, 2147483647}, {"Missing", 5, 5},
  };
  for (const IntCase& c : int_cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(plat::GetPrivateProfileInt("window", c.key, c.def, file.c_str()), c.expected);
  }
  EXPECT_EQ(Get(nullptr, nullptr, nullptr, file), std::string("Scanner\0Window\0", 15));
  EXPECT_EQ(Get("Window", nullptr, nullptr, file), std::string("Left\0Top\0Width\0Huge\0", 20));
  std::vector<std::string> lines;
  plat::GetPrivateProfileSection("window", lines, file.c_str());
  EXPECT_EQ(lines, (std::vector<std::string>{"Left=-12px", "Top=+7", "Width=abc", "Huge=99999999999"}));
}

TEST_F(IniFileTest, AMissingFileReadsAsEmpty) {
  const std::string file = WorkPath("absent.ini");
  EXPECT_EQ(Get("A", "B", "fallback", file), "fallback");
  EXPECT_EQ(Get(nullptr, nullptr, nullptr, file), "");
  EXPECT_EQ(plat::GetPrivateProfileInt("A", "B", 42, file.c_str()), 42);
}

TEST_F(IniFileTest, WritesChangeOnlyTheLinesTheyMust) {
  const std::string file = WorkPath("settings.ini");
  const std::string original = kSettings;
  using Edits = std::vector<std::pair<std::string, std::string>>;  // text replaced; "" from appends
  struct Case {
    const char* name;
    const char* section;
    const char* key;
    const char* value;
    Edits edits;
  };
  const Case cases[] = {
      {"change keeps the key's case", "SCANNER", "RESOLUTION", "1200", {{"resolution=300\r\n", "resolution=1200\r\n"}}},
      {"new key at the end of its section", "window", "Height", "40",
       {{"Huge=99999999999\r\n", "Huge=99999999999\r\nHeight=40\r\n"}}},
      {"new section at the end, CRLF as the file has", "New", "Key", "v", {{"", "[New]\r\nKey=v\r\n"}}},
      {"removing a key removes every copy", "Scanner", "Device", nullptr,
       {{"Device = Flatbed A4 \r\n", ""}, {"Device=second copy\r\n", ""}}},
      {"removing a section", "Window", nullptr, nullptr,
       {{"[Window]\r\nLeft=-12px\r\nTop=+7\r\nWidth=abc\r\nHuge=99999999999\r\n\r\n", ""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(file, original);
    ASSERT_TRUE(plat::WritePrivateProfileString(c.section, c.key, c.value, file.c_str()));
    std::string expected = original;
    for (const auto& [from, to] : c.edits) {
      if (from.empty()) {
        expected += to;
      } else {
        ASSERT_NE(expected.find(from), std::string::npos) << from;
        expected.replace(expected.find(from), from.size(), to);
      }
    }
    EXPECT_EQ(ReadFileBytes(file), expected);
    EXPECT_EQ(plat::test::ListFolder(WorkPath("")), std::vector<std::string>{"settings.ini"});
  }
}

TEST_F(IniFileTest, NewFilesUseLfAndALastLineWithoutEndingGetsOne) {
  const std::string fresh = WorkPath("fresh.ini");
  ASSERT_TRUE(plat::WritePrivateProfileString("A", "k", "1", fresh.c_str()));
  ASSERT_TRUE(plat::WritePrivateProfileString("B", "k", "2", fresh.c_str()));
  ASSERT_TRUE(plat::WritePrivateProfileString("a", "j", "3", fresh.c_str()));
  EXPECT_EQ(ReadFileBytes(fresh), "[A]\nk=1\nj=3\n[B]\nk=2\n");

  const std::string cut = WorkPath("cut.ini");
  WriteFileBytes(cut, "[A]\r\nk=1");
  ASSERT_TRUE(plat::WritePrivateProfileString("A", "j", "2", cut.c_str()));
  EXPECT_EQ(ReadFileBytes(cut), "[A]\r\nk=1\r\nj=2\r\n");
}

TEST_F(IniFileTest, WholeSectionsAreReplacedAndListed) {
  const std::string file = WorkPath("s.ini");
  WriteFileBytes(file, "[A]\nx=1\n; note\ny=2\n\n[B]\nz=3\n");
  ASSERT_TRUE(plat::WritePrivateProfileSection("a", std::string("p=7\0q=8\0", 9).c_str(), file.c_str()));
  EXPECT_EQ(ReadFileBytes(file), "[A]\np=7\nq=8\n\n[B]\nz=3\n");
  std::string out;
  EXPECT_EQ(plat::GetPrivateProfileSection("A", out, file.c_str()), 8u);
  EXPECT_EQ(out, std::string("p=7\0q=8\0", 8));
  ASSERT_TRUE(plat::WritePrivateProfileSection("A", static_cast<const char*>(nullptr), file.c_str()));
  EXPECT_EQ(ReadFileBytes(file), "[B]\nz=3\n");
}

TEST_F(IniFileTest, BareNamesLiveInThePerUserFolder) {
  ASSERT_TRUE(plat::WritePrivateProfileString("S", "k", "v", "Quorvel_K.ini"));
  EXPECT_EQ(ReadFileBytes(ConfigHome() + "/quorvel_k/Quorvel_K.ini"), "[S]\nk=v\n");
  EXPECT_EQ(plat::ResolveIniPath("Quorvel_K.ini"), ConfigHome() + "/quorvel_k/Quorvel_K.ini");
}

TEST_F(IniFileTest, RefusedWritesLoseNothing) {
  const std::string file = WorkPath("keep.ini");
  WriteFileBytes(file, "[A]\nk=1\n");
  struct Case {
    const char* name;
    const char* section;
    const char* key;
    const char* value;
  };
  const Case refused[] = {
      {"LF in a value", "A", "k", "two\nlines"}, {"CR in a value", "A", "k", "a\rb"},
      {"LF in a key", "A", "k\n", "v"},          {"'=' in a key", "A", "k=j", "v"},
      {"LF in a section", "A\nB", "k", "v"},     {"']' in a section", "A]", "k", "v"},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.name);
    plat::SetLastError(0);
    EXPECT_FALSE(plat::WritePrivateProfileString(c.section, c.key, c.value, file.c_str()));
    EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_INVALID_PARAMETER));
  }
  // A failed write keeps the earlier file and leaves no temporary behind.
  plat::testing::FailRename(true);
  EXPECT_FALSE(plat::WritePrivateProfileString("A", "k", "2", file.c_str()));
  plat::testing::ResetFaults();
  EXPECT_EQ(ReadFileBytes(file), "[A]\nk=1\n");
  EXPECT_EQ(plat::test::ListFolder(WorkPath("")), std::vector<std::string>{"keep.ini"});
  // A folder that is a regular file cannot take the file.
  WriteFileBytes(WorkPath("plain"), "x");
  EXPECT_FALSE(plat::WritePrivateProfileString("A", "k", "2", WorkPath("plain/x.ini").c_str()));
  EXPECT_EQ(plat::GetLastError(), static_cast<DWORD>(plat::ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(ReadFileBytes(WorkPath("plain")), "x");
}

PLAT_TEST_CHILD_ROLE(AddIniKeys) {
  // argument: "<file>|<prefix>"
  const size_t bar = argument.find('|');
  const std::string file = argument.substr(0, bar);
  const std::string prefix = argument.substr(bar + 1);
  for (int i = 0; i < 40; ++i) {
    const std::string key = prefix + std::to_string(i);
    if (!plat::WritePrivateProfileString("Shared", key.c_str(), "1", file.c_str())) return 1;
  }
  return 0;
}

TEST_F(IniFileTest, TwoProcessesAddingKeysLoseNeither) {
  const std::string file = WorkPath("shared.ini");
  plat::test::ChildProcess first, second;
  ASSERT_TRUE(first.Start("AddIniKeys", file + "|a"));
  ASSERT_TRUE(second.Start("AddIniKeys", file + "|b"));
  EXPECT_EQ(first.Wait(), 0);
  EXPECT_EQ(second.Wait(), 0);
  std::vector<std::string> lines;
  plat::GetPrivateProfileSection("Shared", lines, file.c_str());
  EXPECT_EQ(lines.size(), 80u);
  for (const char* prefix : {"a", "b"}) {
    for (int i = 0; i < 40; ++i) {
      EXPECT_EQ(plat::GetPrivateProfileInt("Shared", (prefix + std::to_string(i)).c_str(), 0, file.c_str()), 1)
          << prefix << i;
    }
  }
}

}  // namespace
