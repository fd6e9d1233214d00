// CString members over std::string; every position is clamped to the text.
#include "plat/ctl/cstring.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace plat {
namespace {

constexpr const char* kBlanks = " \t\r\n\v\f";

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

size_t Clamp(int value, size_t limit) {
  if (value < 0) return 0;
  return std::min(static_cast<size_t>(value), limit);
}

std::string FormatV(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed <= 0) return std::string();
  std::string out(static_cast<size_t>(needed) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), format, args);
  out.resize(static_cast<size_t>(needed));
  return out;
}

int PositionOrMinusOne(size_t pos) { return pos == std::string::npos ? -1 : static_cast<int>(pos); }

}  // namespace

void CString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  assign(FormatV(format, args));
  va_end(args);
}

void CString::AppendFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  append(FormatV(format, args));
  va_end(args);
}

CString CString::Left(int count) const { return CString(substr(0, Clamp(count, size()))); }

CString CString::Right(int count) const {
  const size_t n = Clamp(count, size());
  return CString(substr(size() - n));
}

CString CString::Mid(int first) const { return CString(substr(Clamp(first, size()))); }

CString CString::Mid(int first, int count) const {
  const size_t start = Clamp(first, size());
  return CString(substr(start, Clamp(count, size() - start)));
}

CString CString::SpanIncluding(const char* set) const {
  const size_t n = find_first_not_of(set ? set : "");
  return CString(substr(0, n));
}

CString CString::SpanExcluding(const char* set) const {
  const size_t n = find_first_of(set ? set : "");
  return CString(substr(0, n));
}

int CString::Find(char c, int start) const {
  if (start < 0 || static_cast<size_t>(start) > size()) return -1;
  return PositionOrMinusOne(find(c, static_cast<size_t>(start)));
}

int CString::Find(const char* text, int start) const {
  if (!text || start < 0 || static_cast<size_t>(start) > size()) return -1;
  return PositionOrMinusOne(find(text, static_cast<size_t>(start)));
}

int CString::ReverseFind(char c) const { return PositionOrMinusOne(rfind(c)); }

int CString::FindOneOf(const char* set) const { return PositionOrMinusOne(find_first_of(set ? set : "")); }

int CString::Replace(const char* old_text, const char* new_text) {
  if (!old_text || !*old_text) return 0;
  const std::string_view from(old_text);
  const std::string_view to(new_text ? new_text : "");
  int count = 0;
  std::string out;
  size_t pos = 0;
  for (size_t hit = find(from); hit != npos; hit = find(from, pos)) {
    out.append(*this, pos, hit - pos);
    out.append(to);
    pos = hit + from.size();
    ++count;
  }
  if (count == 0) return 0;
  out.append(*this, pos, npos);
  assign(std::move(out));
  return count;
}

int CString::Replace(char old_char, char new_char) {
  int count = 0;
  for (char& c : *this) {
    if (c == old_char) {
      c = new_char;
      ++count;
    }
  }
  return count;
}

int CString::Remove(char c) {
  const size_t before = size();
  erase(std::remove(begin(), end(), c), end());
  return static_cast<int>(before - size());
}

int CString::Insert(int index, const char* text) {
  insert(Clamp(index, size()), text ? text : "");
  return GetLength();
}

int CString::Delete(int index, int count) {
  const size_t start = Clamp(index, size());
  erase(start, Clamp(count, size() - start));
  return GetLength();
}

CString& CString::MakeUpper() {
  std::transform(begin(), end(), begin(), Upper);
  return *this;
}

CString& CString::MakeLower() {
  std::transform(begin(), end(), begin(), Lower);
  return *this;
}

CString& CString::MakeReverse() {
  std::reverse(begin(), end());
  return *this;
}

CString& CString::Trim() { return Trim(kBlanks); }
CString& CString::TrimLeft() { return TrimLeft(kBlanks); }
CString& CString::TrimRight() { return TrimRight(kBlanks); }
CString& CString::Trim(const char* set) { return TrimRight(set).TrimLeft(set); }

CString& CString::TrimLeft(const char* set) {
  erase(0, std::min(size(), find_first_not_of(set ? set : "")));
  return *this;
}

CString& CString::TrimRight(const char* set) {
  const size_t last = find_last_not_of(set ? set : "");
  erase(last == npos ? 0 : last + 1);
  return *this;
}

int CString::Compare(const char* text) const { return compare(text ? text : ""); }

int CString::CompareNoCase(const char* text) const {
  const char* other = text ? text : "";
  size_t i = 0;
  for (; i < size() && other[i]; ++i) {
    const unsigned char a = static_cast<unsigned char>(Lower((*this)[i]));
    const unsigned char b = static_cast<unsigned char>(Lower(other[i]));
    if (a != b) return a < b ? -1 : 1;
  }
  if (i < size()) return 1;
  return other[i] ? -1 : 0;
}

}  // namespace plat
