// UTF-8 text helpers. A character is one to four bytes: code that walks text
// steps with CharNext and CharPrev, never by a fixed byte count. The
// double-byte rules of older code ask DoubleByteWidth how wide a character
// is (1 for ASCII and half-width kana, else 2).
#ifndef PLAT_UTF8_H_
#define PLAT_UTF8_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "plat/types.h"

namespace plat {

// The next character after `text` (itself at the terminating NUL); a stray
// byte counts as one character, and no step goes past the NUL.
const char* CharNext(const char* text);
// The character before `current`, but not before `start`.
const char* CharPrev(const char* start, const char* current);
// True for bytes that start a multi-byte UTF-8 character (0xC2-0xF4).
bool IsDBCSLeadByte(BYTE byte);
// 1 for U+0000-U+007F and half-width kana U+FF61-U+FF9F, else 2.
int DoubleByteWidth(char32_t code_point);

// Comparisons by code point: lstrcmp exactly, lstrcmpi after AnsiLowerCase.
// Negative, zero or positive; NULL sorts before every text.
int lstrcmp(const char* a, const char* b);
int lstrcmpi(const char* a, const char* b);
// The comparison of the C locale, optionally ignoring case as lstrcmpi does.
int CompareStringLocale(std::string_view a, std::string_view b, bool ignore_case);

// Upper or lower case of ASCII and full-width Latin letters; everything else
// stays as it is.
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);

// Code points of a UTF-8 text; each invalid byte becomes U+FFFD.
std::u32string ToUtf32(std::string_view text);
// UTF-8 of code points; surrogates and values past U+10FFFF become U+FFFD.
std::string ToUtf8(std::u32string_view text);
std::string ToUtf8(char32_t code_point);
// Well-formed UTF-8: shortest forms only, no surrogates, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view text);
// The longest prefix of at most `max_bytes` bytes that ends on a character
// boundary.
std::string_view CutAtCodePoint(std::string_view text, size_t max_bytes);

}  // namespace plat

#endif  // PLAT_UTF8_H_
