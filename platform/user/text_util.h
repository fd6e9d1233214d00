// Small text helpers of the window system: ASCII case folding for class,
// property and message names, and copying text out with truncation.
#ifndef PLAT_USER_TEXT_UTIL_H_
#define PLAT_USER_TEXT_UTIL_H_

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "plat/last_error.h"
#include "plat/types.h"

namespace plat {

namespace user {

inline char FoldChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string Folded(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = FoldChar(c);
  return out;
}

inline bool EqualsFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  }
  return true;
}

// Copies `text` into `out` of `max_chars` bytes with its terminator, cut at
// a character boundary when it does not fit; gives the bytes copied.
inline int CopyTextOut(std::string_view text, char* out, int max_chars) {
  if (out == nullptr || max_chars <= 0) return 0;
  size_t count = std::min(text.size(), static_cast<size_t>(max_chars - 1));
  // Never end inside a UTF-8 sequence.
  while (count > 0 && count < text.size() && (static_cast<unsigned char>(text[count]) & 0xC0) == 0x80) --count;
  std::memcpy(out, text.data(), count);
  out[count] = '\0';
  return static_cast<int>(count);
}

}  // namespace user

}  // namespace plat

#endif  // PLAT_USER_TEXT_UTIL_H_
