// Formatting a block of text into positioned lines for DrawText: prefixes,
// line and word breaks, tabs, ellipses, alignment and the bounding rectangle.
// It only measures (through the caller's advances), so it is tested apart
// from any device.
#ifndef PLAT_GDI_TEXT_TEXT_FORMAT_H_
#define PLAT_GDI_TEXT_TEXT_FORMAT_H_

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "plat/types.h"

namespace plat::text {

// Advance of each character, the DC's character extra included.
using AdvanceFunction = std::function<void(std::u32string_view, std::span<int>)>;

struct TextBlockFont {
  AdvanceFunction advances;
  int line_height = 0;     // tmHeight, plus the external leading under DT_EXTERNALLEADING
  int ave_char_width = 0;
};

struct FormattedLine {
  std::u32string text;       // what is drawn (tabs dropped, ellipses in)
  std::vector<int> offsets;  // of each character from x
  int x = 0;                 // start of the line
  int y = 0;                 // top of the line
  int width = 0;
  std::vector<size_t> underlined;  // characters of `text` marked by a prefix
};

struct FormattedBlock {
  std::vector<FormattedLine> lines;
  RECT bounds;             // what DT_CALCRECT answers
  int result = 0;          // what DrawText answers
  size_t consumed = 0;     // code points of the input processed
};

struct BlockFormat {
  UINT format = 0;         // DT_* flags (a DT_TABSTOP count already taken out)
  int tab_chars = 8;
  int left_margin = 0;
  int right_margin = 0;
};

FormattedBlock FormatTextBlock(std::u32string_view text, const RECT& rect, const BlockFormat& format,
                               const TextBlockFont& font);

}  // namespace plat::text

#endif  // PLAT_GDI_TEXT_TEXT_FORMAT_H_
