// CString: the class library's string. It is a std::string (so it binds where
// a library takes std::string&) with the library's familiar members. Text is
// UTF-8; positions and lengths count bytes; case changes touch ASCII only.
#ifndef PLAT_CTL_CSTRING_H_
#define PLAT_CTL_CSTRING_H_

#include <string>
#include <string_view>

#include "plat/types.h"

namespace plat {

class CString : public std::string {
 public:
  CString() = default;
  CString(const char* text) : std::string(text ? text : "") {}
  CString(const char* text, int length) : std::string(text ? text : "", text && length > 0 ? length : 0) {}
  CString(const std::string& text) : std::string(text) {}
  CString(std::string&& text) : std::string(std::move(text)) {}
  CString(std::string_view text) : std::string(text) {}
  CString(char c, int repeat = 1) : std::string(repeat > 0 ? repeat : 0, c) {}

  int GetLength() const { return static_cast<int>(size()); }
  BOOL IsEmpty() const { return empty() ? TRUE : FALSE; }
  void Empty() { clear(); }
  char GetAt(int index) const { return at(static_cast<size_t>(index)); }
  void SetAt(int index, char c) { at(static_cast<size_t>(index)) = c; }
  operator const char*() const { return c_str(); }

  // printf formatting in the C locale; the result replaces the text.
  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Sub-strings; positions and counts outside the text are clamped.
  CString Left(int count) const;
  CString Right(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString SpanIncluding(const char* set) const;
  CString SpanExcluding(const char* set) const;

  // Byte positions, or -1.
  int Find(char c, int start = 0) const;
  int Find(const char* text, int start = 0) const;
  int ReverseFind(char c) const;
  int FindOneOf(const char* set) const;

  // Replacements made; an empty `old_text` replaces nothing.
  int Replace(const char* old_text, const char* new_text);
  int Replace(char old_char, char new_char);
  int Remove(char c);
  int Insert(int index, const char* text);
  int Delete(int index, int count = 1);

  CString& MakeUpper();
  CString& MakeLower();
  CString& MakeReverse();
  // Blanks (space, tab, CR, LF, VT, FF), or the given characters.
  CString& Trim();
  CString& TrimLeft();
  CString& TrimRight();
  CString& Trim(const char* set);
  CString& TrimLeft(const char* set);
  CString& TrimRight(const char* set);

  int Compare(const char* text) const;
  // ASCII case-insensitive.
  int CompareNoCase(const char* text) const;
};

}  // namespace plat

#endif  // PLAT_CTL_CSTRING_H_
