#include "plat/utf8.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "plat/url.h"

namespace {

using plat::DWORD;

// "a", "é" (2 bytes), "日" (3), "😀" (4), a stray 0xFF, "ｱ" (half-width kana, 3).
constexpr char kMixed[] = "a\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80\xFF\xEF\xBD\xB1";

TEST(TextTest, CharNextAndCharPrevWalkWholeCharacters) {
  const std::vector<size_t> starts = {0, 1, 3, 6, 10, 11};
  const char* p = kMixed;
  for (size_t i = 1; i < starts.size(); ++i) {
    p = plat::CharNext(p);
    EXPECT_EQ(static_cast<size_t>(p - kMixed), starts[i]);
  }
  p = plat::CharNext(p);
  EXPECT_EQ(p, kMixed + std::strlen(kMixed));
  EXPECT_EQ(plat::CharNext(p), p);  // stays on the NUL
  for (size_t i = starts.size(); i-- > 0;) {
    p = plat::CharPrev(kMixed, p);
    EXPECT_EQ(static_cast<size_t>(p - kMixed), starts[i]);
  }
  EXPECT_EQ(plat::CharPrev(kMixed, kMixed), kMixed);
  // A trail byte with no lead before it steps back alone.
  const char orphan[] = "a\x80\x80";
  EXPECT_EQ(plat::CharPrev(orphan, orphan + 3), orphan + 2);
  // A cut character at the end of the text is single bytes, never a read past the NUL.
  const char cut[] = "\xE6\x97";
  EXPECT_EQ(plat::CharNext(cut), cut + 1);
}

TEST(TextTest, WidthsAndLeadBytes) {
  const std::pair<char32_t, int> widths[] = {{U'A', 1}, {0x7F, 1}, {0xE9, 2}, {0x65E5, 2},
                                             {0xFF61, 1}, {0xFF9F, 1}, {0xFFA0, 2}, {0x1F600, 2}};
  for (const auto& [code_point, width] : widths) EXPECT_EQ(plat::DoubleByteWidth(code_point), width) << static_cast<uint32_t>(code_point);
  const std::pair<int, bool> leads[] = {{0x41, false}, {0x80, false}, {0xC1, false}, {0xC2, true},
                                        {0xE6, true},  {0xF4, true},  {0xF5, false}, {0xFF, false}};
  for (const auto& [byte, is_lead] : leads) EXPECT_EQ(plat::IsDBCSLeadByte(static_cast<plat::BYTE>(byte)), is_lead) << byte;
}

TEST(TextTest, CaseMappingAndComparison) {
  // ASCII and full-width Latin letters change; é and kana do not.
  EXPECT_EQ(plat::AnsiUpperCase("abc\xEF\xBD\x81\xEF\xBD\x9A\xC3\xA9\xEF\xBD\xB1"),
            "ABC\xEF\xBC\xA1\xEF\xBC\xBA\xC3\xA9\xEF\xBD\xB1");
  EXPECT_EQ(plat::AnsiLowerCase("ABC\xEF\xBC\xA1\xFF"), "abc\xEF\xBD\x81\xFF");
  EXPECT_EQ(plat::lstrcmpi("Readme.TXT", "readme.txt"), 0);
  EXPECT_EQ(plat::lstrcmpi("\xEF\xBC\xA1", "\xEF\xBD\x81"), 0);
  EXPECT_LT(plat::lstrcmp("Readme", "readme"), 0);
  EXPECT_GT(plat::lstrcmp("b", "a"), 0);
  EXPECT_LT(plat::lstrcmp(nullptr, ""), 0);
  EXPECT_LT(plat::CompareStringLocale("z", "\xC3\xA9", false), 0);  // code-point order
}

TEST(TextTest, Utf8Validation) {
  const std::pair<std::string, bool> cases[] = {
      {"plain", true},
      {kMixed, false},  // the stray 0xFF
      {"\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80", true},
      {"\xC0\x80", false},          // overlong NUL
      {"\xE0\x80\xAF", false},      // overlong '/'
      {"\xED\xA0\x80", false},      // surrogate
      {"\xF4\x90\x80\x80", false},  // past U+10FFFF
      {"\xE6\x97", false},          // cut
      {"\xEF\xBF\xBD", true},       // U+FFFD itself
  };
  for (const auto& [text, valid] : cases) EXPECT_EQ(plat::IsValidUtf8(text), valid) << text;
  EXPECT_EQ(plat::ToUtf32("a\xC3\xA9\xFF"), (std::u32string{U'a', 0xE9, 0xFFFD}));
  EXPECT_EQ(plat::ToUtf8(std::u32string{U'a', 0x65E5, 0x1F600, 0xD800, 0x110000}),
            "a\xE6\x97\xA5\xF0\x9F\x98\x80\xEF\xBF\xBD\xEF\xBF\xBD");
  const std::string text = "ab\xE6\x97\xA5\xF0\x9F\x98\x80";
  const std::pair<size_t, size_t> cuts[] = {{0, 0}, {2, 2}, {3, 2}, {4, 2}, {5, 5}, {8, 5}, {9, 9}, {50, 9}};
  for (const auto& [limit, kept] : cuts) EXPECT_EQ(plat::CutAtCodePoint(text, limit).size(), kept) << limit;
}

TEST(UrlTest, FileUrlsGivePaths) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"file:///tmp/scan%20one.tif", "/tmp/scan one.tif"},
      {"FILE:///tmp/a.tif", "/tmp/a.tif"},
      {"file://localhost/tmp/a.tif", "/tmp/a.tif"},
      {"file://tmp/a.tif", "/tmp/a.tif"},
      {"file:///%E6%97%A5.tif", "/\xE6\x97\xA5.tif"},
      {"file:///a%zz", std::nullopt},
      {"file:///a%4", std::nullopt},
      {"file:///a%00b", std::nullopt},
      {"http://example.test/a.tif", std::nullopt},
      {"file:/tmp/a.tif", std::nullopt},
      {"/tmp/a.tif", std::nullopt},
  };
  for (const auto& [url, path] : cases) EXPECT_EQ(plat::PathFromFileUrl(url), path) << url;
  EXPECT_TRUE(plat::IsFileUrl("File:x"));
  EXPECT_FALSE(plat::IsFileUrl("http://x"));
  const std::string odd = "/tmp/50% of #1? \xE6\x97\xA5.tif";
  EXPECT_EQ(plat::PathFromFileUrl(plat::FileUrlFromPath(odd)), odd);
}

TEST(UrlTest, Canonicalisation) {
  struct Case {
    const char* url;
    DWORD flags;
    const char* expected;
  };
  const Case cases[] = {
      {"file:///tmp/a b/../c/./d.tif", 0, "file:///tmp/c/d.tif"},
      {"http://host/a/b/../../../x", 0, "http://host/x"},
      {"http://host/a b<c>", 0, "http://host/a%20b%3Cc%3E"},
      {"http://host/a b<c>", plat::ICU_ENCODE_SPACES_ONLY, "http://host/a%20b<c>"},
      {"http://host/a b/../c", plat::ICU_NO_META | plat::ICU_NO_ENCODE, "http://host/a b/../c"},
      {"http://host/a%20b", plat::ICU_DECODE, "http://host/a b"},
      {"http://host/a/./b?x=../y", 0, "http://host/a/b?x=../y"},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_TRUE(plat::InternetCanonicalizeUrl(c.url, out, c.flags));
    EXPECT_EQ(out, c.expected) << c.url;
  }
  std::string out;
  EXPECT_FALSE(plat::InternetCanonicalizeUrl(nullptr, out, 0));
}

}  // namespace
