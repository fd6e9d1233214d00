// DrawText's formatting: '&' prefixes become underline marks, the text is cut
// into lines at CR/LF (unless single-line) and, with word breaks, at blanks and
// around wide characters; tabs jump to multiples of the tab width; a line too
// wide gets its ellipsis; lines are aligned in the rectangle.
#include "gdi/text/text_format.h"

#include <algorithm>

#include "plat/text.h"

namespace plat::text {

namespace {

constexpr char32_t kAmpersand = U'&';
constexpr char32_t kTab = U'\t';
constexpr std::u32string_view kEllipsis = U"...";

struct MarkedText {
  std::u32string text;
  std::vector<bool> is_underlined;
};

MarkedText StripPrefixes(std::u32string_view text, UINT format) {
  MarkedText marked;
  if (format & DT_NOPREFIX) {
    marked.text = text;
    marked.is_underlined.assign(text.size(), false);
    return marked;
  }
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != kAmpersand) {
      marked.text.push_back(text[i]);
      marked.is_underlined.push_back(false);
      continue;
    }
    if (i + 1 == text.size()) break;  // a lone '&' at the end marks nothing
    const char32_t next = text[++i];
    marked.text.push_back(next);
    marked.is_underlined.push_back(next != kAmpersand && next != U'\r' && next != U'\n' &&
                                   !(format & DT_HIDEPREFIX));
  }
  return marked;
}

bool IsWideCharacter(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFF61 && c <= 0xFF9F) || c >= 0x20000;
}

struct Placed {
  char32_t character;
  int offset;
  int width;
  bool is_underlined;
};

class LineBuilder {
 public:
  LineBuilder(const TextBlockFont& font, const BlockFormat& format)
      : font_(font), is_expanding_tabs_(format.format & DT_EXPANDTABS) {
    tab_width_ = std::max(1, format.tab_chars) * std::max(1, font.ave_char_width);
  }

  // Places text[from, to) from x = 0.
  std::vector<Placed> Place(const MarkedText& marked, size_t from, size_t to) const {
    std::vector<int> advances(to - from);
    font_.advances(std::u32string_view(marked.text).substr(from, to - from), advances);
    std::vector<Placed> placed;
    placed.reserve(to - from);
    int x = 0;
    for (size_t i = from; i < to; ++i) {
      const char32_t c = marked.text[i];
      int width = advances[i - from];
      if (c == kTab && is_expanding_tabs_) width = (x / tab_width_ + 1) * tab_width_ - x;
      placed.push_back({c, x, width, marked.is_underlined[i]});
      x += width;
    }
    return placed;
  }

  int Width(std::u32string_view text) const {
    std::vector<int> advances(text.size());
    font_.advances(text, advances);
    int width = 0;
    for (int advance : advances) width += advance;
    return width;
  }

  bool is_expanding_tabs() const { return is_expanding_tabs_; }

 private:
  const TextBlockFont& font_;
  bool is_expanding_tabs_;
  int tab_width_ = 8;
};

int EndOf(const std::vector<Placed>& placed, size_t count) {
  return count == 0 ? 0 : placed[count - 1].offset + placed[count - 1].width;
}

// Cuts [from, to) of the paragraph into lines no wider than `available` where
// a break is allowed; a word wider than the line stays whole.
void BreakParagraph(const MarkedText& marked, size_t from, size_t to, int available, bool is_word_breaking,
                    const LineBuilder& builder, std::vector<std::vector<Placed>>& lines) {
  size_t start = from;
  while (true) {
    std::vector<Placed> placed = builder.Place(marked, start, to);
    size_t cut = placed.size();
    if (is_word_breaking) {
      size_t last_break = 0;  // characters before the last allowed break
      for (size_t i = 0; i < placed.size(); ++i) {
        const char32_t c = placed[i].character;
        if (i > 0 && (IsWideCharacter(c) || IsWideCharacter(placed[i - 1].character)) && c != U' ') last_break = i;
        if (c != U' ' && placed[i].offset + placed[i].width > available && last_break > 0) {
          cut = last_break;
          break;
        }
        if (c == U' ') last_break = i + 1;
      }
    }
    size_t kept = cut;
    while (kept > 0 && placed[kept - 1].character == U' ' && cut < placed.size()) --kept;  // blanks at a break
    placed.resize(kept);
    lines.push_back(std::move(placed));
    if (cut + start >= to) return;
    start += cut;
    while (start < to && marked.text[start] == U' ') ++start;
    if (start >= to) return;
  }
}

std::vector<Placed> Replace(const std::vector<Placed>& head, size_t head_count, std::u32string_view middle,
                            const std::vector<Placed>& tail, const LineBuilder& builder) {
  MarkedText joined;
  for (size_t i = 0; i < head_count; ++i) {
    joined.text.push_back(head[i].character);
    joined.is_underlined.push_back(head[i].is_underlined);
  }
  for (char32_t c : middle) {
    joined.text.push_back(c);
    joined.is_underlined.push_back(false);
  }
  for (const Placed& p : tail) {
    joined.text.push_back(p.character);
    joined.is_underlined.push_back(p.is_underlined);
  }
  return builder.Place(joined, 0, joined.text.size());
}

// The end ellipsis: as many leading characters as fit with "..." after them;
// with `at_words`, the cut falls before a blank.
std::vector<Placed> EndEllipsis(const std::vector<Placed>& placed, int available, bool at_words,
                                const LineBuilder& builder) {
  const int ellipsis_width = builder.Width(kEllipsis);
  size_t count = placed.size();
  while (count > 0 && EndOf(placed, count) + ellipsis_width > available) --count;
  if (at_words) {
    size_t word_end = count;
    while (word_end > 0 && word_end < placed.size() && placed[word_end].character != U' ') --word_end;
    if (word_end > 0) count = word_end;
  }
  while (count > 0 && placed[count - 1].character == U' ') --count;
  return Replace(placed, count, kEllipsis, {}, builder);
}

// The path ellipsis: the last component after '/' or '\' stays, characters
// before it give way to "...".
std::vector<Placed> PathEllipsis(const std::vector<Placed>& placed, int available, bool also_end,
                                 const LineBuilder& builder) {
  size_t separator = placed.size();
  for (size_t i = placed.size(); i > 0; --i) {
    if (placed[i - 1].character == U'/' || placed[i - 1].character == U'\\') {
      separator = i - 1;
      break;
    }
  }
  if (separator == placed.size()) return EndEllipsis(placed, available, false, builder);
  const std::vector<Placed> tail(placed.begin() + static_cast<ptrdiff_t>(separator), placed.end());
  const int fixed = builder.Width(kEllipsis) + EndOf(tail, tail.size()) - tail.front().offset;
  size_t count = separator;
  while (count > 0 && EndOf(placed, count) + fixed > available) --count;
  std::vector<Placed> result = Replace(placed, count, kEllipsis, tail, builder);
  if (also_end && EndOf(result, result.size()) > available) return EndEllipsis(result, available, false, builder);
  return result;
}

}  // namespace

FormattedBlock FormatTextBlock(std::u32string_view text, const RECT& rect, const BlockFormat& format,
                               const TextBlockFont& font) {
  const UINT flags = format.format;
  FormattedBlock block;
  block.consumed = text.size();
  const MarkedText marked = StripPrefixes(text, flags);
  const LineBuilder builder(font, format);
  const bool is_single_line = flags & DT_SINGLELINE;
  const int available = rect.right - rect.left - format.left_margin - format.right_margin;

  std::vector<std::vector<Placed>> lines;
  if (!marked.text.empty()) {
    size_t start = 0;
    const size_t size = marked.text.size();
    while (start <= size) {
      size_t end = start;
      if (is_single_line) {
        end = size;
      } else {
        while (end < size && marked.text[end] != U'\r' && marked.text[end] != U'\n') ++end;
      }
      BreakParagraph(marked, start, end, available, (flags & DT_WORDBREAK) && !is_single_line, builder, lines);
      if (end >= size) break;
      start = end + ((marked.text[end] == U'\r' && end + 1 < size && marked.text[end + 1] == U'\n') ? 2 : 1);
      if (start == size) break;  // a final line break opens no empty line
    }
  }

  const UINT ellipsis = flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS);
  int widest = 0;
  const int top = rect.top;
  int y = top;
  const int block_height = static_cast<int>(lines.size()) * font.line_height;
  if (is_single_line && (flags & DT_VCENTER)) {
    y = top + (rect.bottom - top - block_height) / 2;
  } else if (is_single_line && (flags & DT_BOTTOM)) {
    y = rect.bottom - block_height;
  }
  const int first_y = y;
  for (std::vector<Placed>& placed : lines) {
    if (ellipsis != 0 && EndOf(placed, placed.size()) > available) {
      if (flags & DT_PATH_ELLIPSIS) {
        placed = PathEllipsis(placed, available, flags & DT_END_ELLIPSIS, builder);
      } else {
        placed = EndEllipsis(placed, available, (flags & DT_WORD_ELLIPSIS) && !(flags & DT_END_ELLIPSIS), builder);
      }
    }
    FormattedLine line;
    line.width = EndOf(placed, placed.size());
    for (const Placed& p : placed) {
      if (p.character == kTab && builder.is_expanding_tabs()) continue;
      if (p.is_underlined) line.underlined.push_back(line.text.size());
      line.text.push_back(p.character);
      line.offsets.push_back(p.offset);
    }
    if (flags & DT_CENTER) {
      line.x = rect.left + format.left_margin + (available - line.width) / 2;
    } else if (flags & DT_RIGHT) {
      line.x = rect.right - format.right_margin - line.width;
    } else {
      line.x = rect.left + format.left_margin;
    }
    line.y = y;
    y += font.line_height;
    widest = std::max(widest, line.width);
    block.lines.push_back(std::move(line));
  }
  block.bounds.left = rect.left;
  block.bounds.top = rect.top;
  block.bounds.right = rect.left + format.left_margin + widest + format.right_margin;
  block.bounds.bottom = rect.top + block_height;
  if (lines.empty()) block.bounds.right = rect.left;
  block.result = (is_single_line && (flags & (DT_VCENTER | DT_BOTTOM))) ? first_y - top + block_height : block_height;
  return block;
}

}  // namespace plat::text
