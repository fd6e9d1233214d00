#include <gtest/gtest.h>

#include "plat/ctl/cstring.h"
#include "plat/ctl/geometry.h"

namespace plat {
namespace {

void AppendSuffix(std::string& text) { text += ".tif"; }

TEST(CString, MembersClampAndCount) {
  const CString s("Hello, World");
  struct Row {
    const char* name;
    CString got;
    const char* expected;
  };
  const Row rows[] = {
      {"Left", s.Left(5), "Hello"},
      {"Left beyond", s.Left(99), "Hello, World"},
      {"Left negative", s.Left(-1), ""},
      {"Right", s.Right(5), "World"},
      {"Right beyond", s.Right(99), "Hello, World"},
      {"Mid", s.Mid(7), "World"},
      {"Mid count", s.Mid(7, 3), "Wor"},
      {"Mid past end", s.Mid(40, 3), ""},
      {"Mid negative start", s.Mid(-3, 2), "He"},
      {"SpanIncluding", s.SpanIncluding("lHe"), "Hell"},
      {"SpanExcluding", s.SpanExcluding(","), "Hello"},
      {"MakeUpper", CString(s).MakeUpper(), "HELLO, WORLD"},
      {"MakeLower keeps UTF-8", CString("ÄBC").MakeLower(), "Äbc"},
      {"Trim", CString(" \t x y \r\n").Trim(), "x y"},
      {"TrimLeft set", CString("xxyxA").TrimLeft("xy"), "A"},
      {"TrimRight all", CString("   ").TrimRight(), ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.got, row.expected);
  }
  EXPECT_EQ(s.Find('o'), 4);
  EXPECT_EQ(s.Find('o', 5), 8);
  EXPECT_EQ(s.Find("World"), 7);
  EXPECT_EQ(s.Find("world"), -1);
  EXPECT_EQ(s.Find('o', 99), -1);
  EXPECT_EQ(s.ReverseFind('o'), 8);
  EXPECT_EQ(s.FindOneOf(",W"), 5);
  EXPECT_EQ(s.CompareNoCase("hello, world"), 0);
  EXPECT_LT(s.CompareNoCase("hello, worlds"), 0);

  CString r("aaa");
  EXPECT_EQ(r.Replace("a", "bb"), 3);
  EXPECT_EQ(r, "bbbbbb");
  EXPECT_EQ(r.Replace("", "x"), 0);
  EXPECT_EQ(r.Replace('b', 'c'), 6);
  EXPECT_EQ(r.Remove('c'), 6);
  EXPECT_TRUE(r.IsEmpty());
}

TEST(CString, FormatAndBindingToStdString) {
  CString name;
  name.Format("%s%04d", "page", 7);
  EXPECT_EQ(name, "page0007");
  name.AppendFormat("-%.2f", 0.5);
  EXPECT_EQ(name, "page0007-0.50");
  AppendSuffix(name);
  EXPECT_EQ(name.GetLength(), 17);
  const char* text = name;
  EXPECT_STREQ(text, "page0007-0.50.tif");
}

TEST(CRect, Geometry) {
  CRect a(0, 0, 10, 10);
  CRect b(5, 5, 20, 20);
  CRect overlap;
  EXPECT_TRUE(overlap.IntersectRect(a, b));
  EXPECT_EQ(overlap, CRect(5, 5, 10, 10));
  EXPECT_FALSE(overlap.IntersectRect(a, CRect(10, 0, 20, 10))) << "right edges are exclusive";
  EXPECT_TRUE(overlap.IsRectNull());
  CRect both;
  EXPECT_TRUE(both.UnionRect(a, CRect(3, 3, 3, 30)));
  EXPECT_EQ(both, a) << "an empty rectangle adds nothing";
  CRect flipped(10, 20, 0, 0);
  flipped.NormalizeRect();
  EXPECT_EQ(flipped, CRect(0, 0, 10, 20));
  flipped.InflateRect(1, 2);
  EXPECT_EQ(flipped.Size(), CSize(12, 24));
  EXPECT_TRUE(a.PtInRect(CPoint(9, 9)));
  EXPECT_FALSE(a.PtInRect(CPoint(10, 9)));
  EXPECT_EQ(a.CenterPoint(), CPoint(5, 5));
}

}  // namespace
}  // namespace plat
