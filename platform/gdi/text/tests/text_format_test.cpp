// DrawText's formatting with the built-in font at cell height 16 (narrow
// cells 8, wide cells 16, lines 16 high): a table of flags against the lines
// they give.
#include <gtest/gtest.h>

#include "gdi/text/text_format.h"
#include "plat/font_engine.h"
#include "plat/text.h"

namespace plat::text {
namespace {

struct LineExpect {
  std::u32string text;
  int x, y, width;
};

struct FormatCase {
  const char* name;
  std::u32string input;
  RECT rect;
  UINT format;
  int tab_chars;
  std::vector<LineExpect> lines;
  int result;
  std::vector<size_t> underlined_first_line;
};

TextBlockFont BuiltinAt16() {
  TextBlockFont font;
  font.advances = [](std::u32string_view text, std::span<int> out) {
    FaceRequest request;
    request.height = 16;
    BuiltinFonts().Advances(request, text, out);
  };
  font.line_height = 16;
  font.ave_char_width = 8;
  return font;
}

TEST(TextFormat, FlagTable) {
  const FormatCase cases[] = {
      {"left", U"Hello", {0, 0, 100, 20}, 0, 8, {{U"Hello", 0, 0, 40}}, 16, {}},
      {"centre", U"Hello", {0, 0, 100, 20}, DT_CENTER, 8, {{U"Hello", 30, 0, 40}}, 16, {}},
      {"right", U"Hello", {10, 5, 100, 20}, DT_RIGHT, 8, {{U"Hello", 60, 5, 40}}, 16, {}},
      {"vcentre", U"Hi", {0, 0, 50, 40}, DT_SINGLELINE | DT_VCENTER, 8, {{U"Hi", 0, 12, 16}}, 28, {}},
      {"bottom", U"Hi", {0, 0, 50, 40}, DT_SINGLELINE | DT_BOTTOM, 8, {{U"Hi", 0, 24, 16}}, 40, {}},
      {"vcentre needs single line", U"Hi", {0, 0, 50, 40}, DT_VCENTER, 8, {{U"Hi", 0, 0, 16}}, 16, {}},
      {"word break at the width", U"aa bb cc", {0, 0, 50, 99}, DT_WORDBREAK, 8,
       {{U"aa bb", 0, 0, 40}, {U"cc", 0, 16, 16}}, 32, {}},
      {"a long word stays whole", U"abcdefghij k", {0, 0, 30, 99}, DT_WORDBREAK, 8,
       {{U"abcdefghij", 0, 0, 80}, {U"k", 0, 16, 8}}, 32, {}},
      {"wide characters break anywhere", U"設定値設定", {0, 0, 40, 99}, DT_WORDBREAK, 8,
       {{U"設定", 0, 0, 32}, {U"値設", 0, 16, 32}, {U"定", 0, 32, 16}}, 48, {}},
      {"line breaks", U"a\r\nb\nc\rd", {0, 0, 50, 99}, 0, 8,
       {{U"a", 0, 0, 8}, {U"b", 0, 16, 8}, {U"c", 0, 32, 8}, {U"d", 0, 48, 8}}, 64, {}},
      {"single line keeps breaks", U"a\nb", {0, 0, 50, 99}, DT_SINGLELINE, 8, {{U"a\nb", 0, 0, 24}}, 16, {}},
      {"prefix", U"&File", {0, 0, 100, 20}, 0, 8, {{U"File", 0, 0, 32}}, 16, {0}},
      {"doubled prefix", U"a&&b&c", {0, 0, 100, 20}, 0, 8, {{U"a&bc", 0, 0, 32}}, 16, {3}},
      {"no prefix", U"&File", {0, 0, 100, 20}, DT_NOPREFIX, 8, {{U"&File", 0, 0, 40}}, 16, {}},
      {"hidden prefix", U"&File", {0, 0, 100, 20}, DT_HIDEPREFIX, 8, {{U"File", 0, 0, 32}}, 16, {}},
      {"end ellipsis", U"abcdefghij", {0, 0, 50, 20}, DT_END_ELLIPSIS, 8, {{U"abc...", 0, 0, 48}}, 16, {}},
      {"ellipsis only when too wide", U"abcde", {0, 0, 50, 20}, DT_END_ELLIPSIS, 8, {{U"abcde", 0, 0, 40}}, 16, {}},
      {"path ellipsis", U"/usr/local/share/file.txt", {0, 0, 120, 20}, DT_PATH_ELLIPSIS, 8,
       {{U"/us.../file.txt", 0, 0, 120}}, 16, {}},
      {"word ellipsis", U"aaa bbb ccc", {0, 0, 70, 20}, DT_WORD_ELLIPSIS, 8, {{U"aaa...", 0, 0, 48}}, 16, {}},
      {"tabs expand to eight cells", U"a\tb", {0, 0, 200, 20}, DT_EXPANDTABS, 8, {{U"ab", 0, 0, 72}}, 16, {}},
      {"tab stops of four", U"a\tb", {0, 0, 200, 20}, DT_EXPANDTABS, 4, {{U"ab", 0, 0, 40}}, 16, {}},
      {"empty", U"", {3, 4, 50, 20}, 0, 8, {}, 0, {}},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.name);
    BlockFormat format;
    format.format = c.format;
    format.tab_chars = c.tab_chars;
    const FormattedBlock block = FormatTextBlock(c.input, c.rect, format, BuiltinAt16());
    ASSERT_EQ(block.lines.size(), c.lines.size());
    for (size_t i = 0; i < c.lines.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_TRUE(block.lines[i].text == c.lines[i].text);
      EXPECT_EQ(block.lines[i].x, c.lines[i].x);
      EXPECT_EQ(block.lines[i].y, c.lines[i].y);
      EXPECT_EQ(block.lines[i].width, c.lines[i].width);
    }
    EXPECT_EQ(block.result, c.result);
    if (!block.lines.empty()) {
      EXPECT_EQ(block.lines[0].underlined, c.underlined_first_line);
    }
  }
}

TEST(TextFormat, TabsPlaceTheFollowingCharacter) {
  BlockFormat format;
  format.format = DT_EXPANDTABS;
  const FormattedBlock block = FormatTextBlock(U"ab\tc\td", RECT{0, 0, 500, 20}, format, BuiltinAt16());
  ASSERT_EQ(block.lines.size(), 1u);
  EXPECT_EQ(block.lines[0].offsets, (std::vector<int>{0, 8, 64, 128}));
}

TEST(TextFormat, CalcRectBoundsTheWidestLine) {
  BlockFormat format;
  format.format = DT_CALCRECT | DT_WORDBREAK;
  format.left_margin = 2;
  format.right_margin = 3;
  const FormattedBlock block = FormatTextBlock(U"aa bbbb\ncc", RECT{10, 20, 60, 25}, format, BuiltinAt16());
  EXPECT_EQ(block.bounds.left, 10);
  EXPECT_EQ(block.bounds.top, 20);
  EXPECT_EQ(block.bounds.right, 10 + 2 + 32 + 3);  // "bbbb" went to its own line
  EXPECT_EQ(block.bounds.bottom, 20 + 3 * 16);
}

}  // namespace
}  // namespace plat::text
