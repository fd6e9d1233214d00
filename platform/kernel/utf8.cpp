// UTF-8 text helpers; see utf8.h. The decoder accepts only well-formed
// sequences (shortest form, no surrogates, at most U+10FFFF); anything else is
// one byte of U+FFFD, so a walk over hostile text always advances.
#include "plat/utf8.h"

#include <cstring>

namespace plat {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one character at `text[0..size)`; `length` gets its byte count.
char32_t DecodeOne(const unsigned char* text, size_t size, size_t& length) {
  length = 1;
  const unsigned char lead = text[0];
  if (lead < 0x80) return lead;
  size_t trail;
  char32_t value;
  char32_t minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trail = 1, value = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trail = 2, value = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trail = 3, value = lead & 0x07, minimum = 0x10000;
  } else {
    return kReplacement;
  }
  if (size < trail + 1) return kReplacement;
  for (size_t i = 1; i <= trail; ++i) {
    if ((text[i] & 0xC0) != 0x80) return kReplacement;
    value = (value << 6) | (text[i] & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return kReplacement;
  length = trail + 1;
  return value;
}

bool IsValidAt(const unsigned char* text, size_t size, size_t& length) {
  const char32_t value = DecodeOne(text, size, length);
  return value != kReplacement || (length == 3 && text[0] == 0xEF && text[1] == 0xBF && text[2] == 0xBD);
}

char32_t FoldCase(char32_t c, bool to_upper) {
  if (to_upper) {
    if (c >= U'a' && c <= U'z') return c - 32;
    if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;  // full-width a-z
  } else {
    if (c >= U'A' && c <= U'Z') return c + 32;
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;  // full-width A-Z
  }
  return c;
}

std::string MapCase(std::string_view text, bool to_upper) {
  std::string out;
  out.reserve(text.size());
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0; i < text.size();) {
    size_t length;
    const char32_t c = DecodeOne(bytes + i, text.size() - i, length);
    const char32_t mapped = FoldCase(c, to_upper);
    if (mapped == c) {
      out.append(text.substr(i, length));  // invalid bytes pass through untouched
    } else {
      out += ToUtf8(mapped);
    }
    i += length;
  }
  return out;
}

int Sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

const char* CharNext(const char* text) {
  if (text == nullptr || *text == '\0') return text;
  size_t length;
  (void)DecodeOne(reinterpret_cast<const unsigned char*>(text), ::strnlen(text, 4), length);
  return text + length;
}

const char* CharPrev(const char* start, const char* current) {
  if (start == nullptr || current == nullptr || current <= start) return start;
  // Back over at most three trail bytes to a lead byte; its character must
  // end exactly at `current`, else the previous byte stands alone.
  const char* lead = current - 1;
  for (int trail = 0; lead > start && trail < 3 && (static_cast<unsigned char>(*lead) & 0xC0) == 0x80; ++trail) --lead;
  size_t length;
  (void)DecodeOne(reinterpret_cast<const unsigned char*>(lead), static_cast<size_t>(current - lead), length);
  return lead + length == current ? lead : current - 1;
}

bool IsDBCSLeadByte(BYTE byte) { return byte >= 0xC2 && byte <= 0xF4; }

int DoubleByteWidth(char32_t code_point) {
  return code_point <= 0x7F || (code_point >= 0xFF61 && code_point <= 0xFF9F) ? 1 : 2;
}

int CompareStringLocale(std::string_view a, std::string_view b, bool ignore_case) {
  if (!ignore_case) {
    // Byte order of well-formed UTF-8 is code-point order.
    return Sign(a.compare(b));
  }
  return Sign(AnsiLowerCase(a).compare(AnsiLowerCase(b)));
}

int lstrcmp(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return (a != nullptr) - (b != nullptr);
  return CompareStringLocale(a, b, false);
}

int lstrcmpi(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return (a != nullptr) - (b != nullptr);
  return CompareStringLocale(a, b, true);
}

std::string AnsiUpperCase(std::string_view text) { return MapCase(text, true); }
std::string AnsiLowerCase(std::string_view text) { return MapCase(text, false); }

std::u32string ToUtf32(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0; i < text.size();) {
    size_t length;
    out += DecodeOne(bytes + i, text.size() - i, length);
    i += length;
  }
  return out;
}

std::string ToUtf8(char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

std::string ToUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) out += ToUtf8(c);
  return out;
}

bool IsValidUtf8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0; i < text.size();) {
    size_t length;
    if (!IsValidAt(bytes + i, text.size() - i, length)) return false;
    i += length;
  }
  return true;
}

std::string_view CutAtCodePoint(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  size_t end = 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  while (end < text.size()) {
    size_t length;
    (void)DecodeOne(bytes + end, text.size() - end, length);
    if (end + length > max_bytes) break;
    end += length;
  }
  return text.substr(0, end);
}

}  // namespace plat
