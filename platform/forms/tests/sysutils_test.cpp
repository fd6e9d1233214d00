#include "plat/forms/sysutils.h"

#include <gtest/gtest.h>

#include <cmath>

#include "plat/forms/dates.h"
#include "plat/forms/exceptions.h"
#include "plat/testing/virtual_clock.h"
#include "tests/support/test_support.h"

namespace {

using namespace plat;
using testing_support::ScopedTempDir;

TEST(FormatTest, Directives) {
  int x = 0;
  struct Case {
    std::string got;
    const char* expected;
  } cases[] = {
      {Format("%d|%5d|%-5d|%.5d", {42, 42, 42, 7}), "42|   42|42   |00007"},
      {Format("%.3d", {-5}), "-005"},
      {Format("%u %x %.4x", {-1, 255, 10}), "4294967295 FF 000A"},
      {Format("%s: %s", {"a", std::string("b")}), "a: b"},
      {Format("%.2s|%6s|%-4s|", {"abcdef", "ab", "ab"}), "ab|    ab|ab  |"},
      {Format("%f %.1f %.0f", {1.005, 2.25, 0.5}), "1.00 2.2 0"},
      {Format("%n", {1234567.891}), "1,234,567.89"},
      {Format("%g %g %g", {0.1, 1e20, 123.456}), "0.1 1E20 123.456"},
      {Format("%e", {1234.5}), "1.23450000000000E+003"},
      {Format("%.3e", {-0.000123}), "-1.23E-004"},
      {Format("%1:s %0:s %s", {"a", "b"}), "b a b"},
      {Format("%*d|%.*f", {4, 7, 1, 2.75}), "   7|2.8"},
      {Format("100%%", {}), "100%"},
      {Format("%p", {static_cast<const void*>(nullptr)}), "0000000000000000"},
      {Format("%.5d: %s", {1, "line"}), "00001: line"},
  };
  (void)x;
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected);
  for (const char* bad : {"%d", "%s %d", "%z", "%"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(Format(bad, {"text"}), EConvertError);
  }
}

TEST(ConversionTest, IntegersFloatsAndBooleans) {
  struct IntCase {
    const char* text;
    bool ok;
    int value;
  } ints[] = {
      {"42", true, 42},   {" -17 ", true, -17}, {"+5", true, 5},          {"$FF", true, 255},
      {"0x10", true, 16}, {"$FFFFFFFF", true, -1}, {"2147483647", true, INT32_MAX}, {"-2147483648", true, INT32_MIN},
      {"2147483648", false, 0}, {"", false, 0}, {"12a", false, 0}, {"1.5", false, 0}, {"--1", false, 0}, {"$", false, 0},
  };
  for (const IntCase& c : ints) {
    SCOPED_TRACE(c.text);
    if (c.ok) {
      EXPECT_EQ(StrToInt(c.text), c.value);
    } else {
      EXPECT_THROW(StrToInt(c.text), EConvertError);
      EXPECT_EQ(StrToIntDef(c.text, -99), -99);
    }
  }
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFFFFFFFFFF");

  for (double v : {0.1, 1.0 / 3, 1e20, -2.5e-7, 123456789.125, 0.0}) {
    SCOPED_TRACE(v);
    EXPECT_EQ(StrToFloat(FloatToStr(v)), v);  // texts read back exactly
  }
  EXPECT_EQ(FloatToStr(1.5), "1.5");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStrF(0.5, ffFixed, 5, 3), "0.500");
  EXPECT_EQ(FloatToStrF(123456.0, ffFixed, 5, 1), "1.2346E+005");  // too many digits for the precision
  EXPECT_EQ(FloatToStrF(1234.5, ffNumber, 15, 2), "1,234.50");
  EXPECT_THROW(StrToFloat("1,5"), EConvertError);
  EXPECT_THROW(StrToFloat("nan"), EConvertError);
  EXPECT_EQ(StrToFloatDef("x", 2.5), 2.5);
  EXPECT_TRUE(StrToBool("TRUE"));
  EXPECT_FALSE(StrToBool("0"));
  EXPECT_TRUE(StrToBool("-1"));
  EXPECT_THROW(StrToBool("yes"), EConvertError);
}

TEST(TextTest, TrimCaseAndReplace) {
  EXPECT_EQ(Trim("\t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a "), "  a");
  EXPECT_EQ(CompareText("abc", "ABD"), -1);
  EXPECT_TRUE(SameText("Straße", "STRAßE"));
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(StringReplace("aXbxc", "x", "-", {rfReplaceAll, rfIgnoreCase}), "a-b-c");
  EXPECT_EQ(StringReplace("aXbxc", "x", "-", {}), "aXb-c");
  EXPECT_EQ(Pos("b", "abc"), 2);
  EXPECT_EQ(LastDelimiter("/.", "a/b.c"), 4);
}

TEST(PathTest, SlashIsTheOnlyDelimiter) {
  struct Case {
    const char* path;
    const char* file_path;
    const char* file_dir;
    const char* name;
    const char* ext;
  } cases[] = {
      {"/home/u/a.txt", "/home/u/", "/home/u", "a.txt", ".txt"},
      {"/a.b/c", "/a.b/", "/a.b", "c", ""},
      {"/x", "/", "/", "x", ""},
      {"name", "", "", "name", ""},
      {"dir\\file.ini", "", "", "dir\\file.ini", ".ini"},
      {".profile", "", "", ".profile", ".profile"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ExtractFilePath(c.path), c.file_path);
    EXPECT_EQ(ExtractFileDir(c.path), c.file_dir);
    EXPECT_EQ(ExtractFileName(c.path), c.name);
    EXPECT_EQ(ExtractFileExt(c.path), c.ext);
  }
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a\\"), "/a\\/");
  EXPECT_EQ(ChangeFileExt("/a.b/prog", ".LOG"), "/a.b/prog.LOG");
  EXPECT_EQ(ChangeFileExt("/d/prog.exe", ".ini"), "/d/prog.ini");
  EXPECT_EQ(ExpandFileName("/a/./b/../c"), "/a/c");
  EXPECT_EQ(ExpandFileName("/.."), "/");
}

TEST(FileTest, ForceDirectoriesAndRename) {
  ScopedTempDir dir;
  EXPECT_TRUE(ForceDirectories(dir.File("a/b/c/")));
  EXPECT_TRUE(DirectoryExists(dir.File("a/b/c")));
  EXPECT_TRUE(ForceDirectories(dir.File("a/b")));  // existing is fine
  EXPECT_FALSE(ForceDirectories(""));
  testing_support::WriteFileBytes(dir.File("plain"), {'x'});
  EXPECT_FALSE(ForceDirectories(dir.File("plain/sub")));  // a file in the way
  EXPECT_TRUE(RenameFile(dir.File("plain"), dir.File("moved")));
  EXPECT_FALSE(RenameFile(dir.File("plain"), dir.File("again")));
  EXPECT_EQ(FileSizeOf(dir.File("moved")), 1);
  EXPECT_EQ(FileSizeOf(dir.File("plain")), -1);
}

TEST(DateTest, EncodeDecodeAndIsoTexts) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
  EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
  EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  TDateTime t = EncodeDate(2024, 5, 17) + EncodeTime(13, 5, 9, 250);
  int y, m, d, h, n, s, ms;
  DecodeDate(t, y, m, d);
  DecodeTime(t, h, n, s, ms);
  EXPECT_EQ((std::vector<int>{y, m, d, h, n, s, ms}), (std::vector<int>{2024, 5, 17, 13, 5, 9, 250}));
  EXPECT_EQ(DayOfWeek(t), 6);  // a Friday
  EXPECT_EQ(DateTimeToStr(t), "2024-05-17 13:05:09");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 5, 17)), "2024-05-17");
  EXPECT_EQ(FormatDateTime("yy/m/d h:nn:ss.zzz dddd 'at' mmm", t), "24-5-17 13:05:09.250 Friday at May");
  EXPECT_EQ(StrToDateTime("2024-05-17 13:05:09"), EncodeDate(2024, 5, 17) + EncodeTime(13, 5, 9, 0));
  EXPECT_EQ(StrToTime("7:30"), EncodeTime(7, 30, 0, 0));
  for (const char* bad : {"2024-13-01", "17.05.2024", "2024-05-17x", "", "2024-02-30"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(StrToDate(bad), EConvertError);
    EXPECT_EQ(StrToDateDef(bad, -1), -1);
  }
  EXPECT_THROW(StrToTime("25:00"), EConvertError);
}

TEST(DateTest, NowFollowsTheProcessClock) {
  plat::test::ScopedVirtualClock clock;
  TDateTime before = Now();
  clock.Advance(90'500);
  EXPECT_NEAR((Now() - before) * MSecsPerDay, 90'500, 0.5);
  EXPECT_EQ(Date(), std::trunc(Now()));
}

}  // namespace
