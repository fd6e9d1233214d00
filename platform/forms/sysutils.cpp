// sysutils: number conversions, text helpers, paths, files and folders.
#include "plat/forms/sysutils.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "convert.h"
#include "plat/forms/exceptions.h"

namespace plat {

using forms::internal::ConvertOr;
using forms::internal::ConvertOrRaise;
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::string_view TrimView(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Sign, then decimal digits or "$"/"0x" hexadecimal, nothing else.
bool ParseInt64(std::string_view text, int64_t& out) {
  text = TrimView(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  uint64_t magnitude = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
  if (base == 16 && !negative) {
    // Hexadecimal texts give the bit pattern ("$FFFFFFFF" is -1 in 32 bits).
    out = static_cast<int64_t>(magnitude);
    return true;
  }
  if (negative) {
    if (magnitude > uint64_t{1} << 63) return false;
    out = static_cast<int64_t>(0 - magnitude);
  } else {
    if (magnitude > static_cast<uint64_t>(INT64_MAX)) return false;
    out = static_cast<int64_t>(magnitude);
  }
  return true;
}

bool ParseInt32(std::string_view text, int& out) {
  int64_t wide = 0;
  if (!ParseInt64(text, wide)) return false;
  std::string_view trimmed = TrimView(text);
  bool hex = trimmed.find_first_of("$xX") != std::string_view::npos;
  if (hex && wide >= 0 && wide <= 0xFFFFFFFFLL) wide = static_cast<int32_t>(static_cast<uint32_t>(wide));
  if (wide < INT32_MIN || wide > INT32_MAX) return false;
  out = static_cast<int>(wide);
  return true;
}

}  // namespace

// ---- numbers ----

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string IntToHex(int64_t value, int digits) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*llX", std::clamp(digits, 0, 16),
                static_cast<unsigned long long>(value));
  return buffer;
}

bool TryStrToInt(std::string_view text, int& out) { return ParseInt32(text, out); }

int StrToInt(std::string_view text) { return ConvertOrRaise<int>(text, ParseInt32, SInvalidInteger); }

int StrToIntDef(std::string_view text, int default_value) {
  return ConvertOr<int>(text, ParseInt32, default_value);
}

bool TryStrToInt64(std::string_view text, int64_t& out) { return ParseInt64(text, out); }

int64_t StrToInt64(std::string_view text) { return ConvertOrRaise<int64_t>(text, ParseInt64, SInvalidInteger); }

int64_t StrToInt64Def(std::string_view text, int64_t default_value) {
  return ConvertOr<int64_t>(text, ParseInt64, default_value);
}

bool TryStrToFloat(std::string_view text, double& out) {
  text = TrimView(text);
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  double value = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
  if (!std::isfinite(value)) return false;
  out = value;
  return true;
}

double StrToFloat(std::string_view text) { return ConvertOrRaise<double>(text, TryStrToFloat, SInvalidFloat); }

double StrToFloatDef(std::string_view text, double default_value) {
  return ConvertOr<double>(text, TryStrToFloat, default_value);
}

std::string BoolToStr(bool value, bool use_bool_strs) {
  if (use_bool_strs) return value ? "True" : "False";
  return value ? "-1" : "0";
}

namespace {
bool TryStrToBool(std::string_view text, bool& out) {
  if (SameText(TrimView(text), "true")) {
    out = true;
    return true;
  }
  if (SameText(TrimView(text), "false")) {
    out = false;
    return true;
  }
  double number = 0;
  if (!TryStrToFloat(text, number)) return false;
  out = number != 0;
  return true;
}
}  // namespace

bool StrToBool(std::string_view text) { return ConvertOrRaise<bool>(text, TryStrToBool, SInvalidBoolean); }

bool StrToBoolDef(std::string_view text, bool default_value) {
  return ConvertOr<bool>(text, TryStrToBool, default_value);
}

// ---- texts ----

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

std::string TrimLeft(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) ++begin;
  return std::string(text.substr(begin));
}

std::string TrimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

int CompareStr(std::string_view a, std::string_view b) {
  int r = a.compare(b);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int CompareText(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto ca = static_cast<unsigned char>(AsciiUpper(a[i]));
    auto cb = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) { return a.size() == b.size() && CompareText(a, b) == 0; }

std::string QuotedStr(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

std::string StringReplace(std::string_view text, std::string_view old_pattern, std::string_view new_pattern,
                          TReplaceFlags flags) {
  if (old_pattern.empty()) return std::string(text);
  const bool ignore_case = flags.Contains(rfIgnoreCase);
  std::string haystack = ignore_case ? UpperCase(text) : std::string(text);
  std::string needle = ignore_case ? UpperCase(old_pattern) : std::string(old_pattern);
  std::string out;
  size_t from = 0;
  while (true) {
    size_t at = haystack.find(needle, from);
    if (at == std::string::npos) break;
    out.append(text.substr(from, at - from));
    out.append(new_pattern);
    from = at + needle.size();
    if (!flags.Contains(rfReplaceAll)) break;
  }
  out.append(text.substr(from));
  return out;
}

int Pos(std::string_view sub, std::string_view text) {
  if (sub.empty()) return 0;
  size_t at = text.find(sub);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

int LastDelimiter(std::string_view delimiters, std::string_view text) {
  size_t at = text.find_last_of(delimiters);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

// ---- paths ----

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string out(path);
  if (out.empty() || out.back() != PathDelim) out += PathDelim;
  return out;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
  std::string out(path);
  while (out.size() > 1 && out.back() == PathDelim) out.pop_back();
  return out;
}

std::string ExtractFilePath(std::string_view path) {
  size_t slash = path.rfind(PathDelim);
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string ExtractFileDir(std::string_view path) {
  size_t slash = path.rfind(PathDelim);
  if (slash == std::string_view::npos) return {};
  return ExcludeTrailingPathDelimiter(path.substr(0, slash + 1));
}

std::string ExtractFileName(std::string_view path) {
  size_t slash = path.rfind(PathDelim);
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFileExt(std::string_view path) {
  size_t dot = path.find_last_of("./");
  if (dot == std::string_view::npos || path[dot] != '.') return {};
  return std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
  size_t dot = path.find_last_of("./");
  size_t end = dot != std::string_view::npos && path[dot] == '.' ? dot : path.size();
  return std::string(path.substr(0, end)) + std::string(extension);
}

std::string ExpandFileName(std::string_view path) {
  std::string full = !path.empty() && path[0] == PathDelim ? std::string(path)
                                                           : IncludeTrailingPathDelimiter(GetCurrentDir()) + std::string(path);
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= full.size()) {
    size_t end = full.find(PathDelim, start);
    if (end == std::string::npos) end = full.size();
    std::string part = full.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string& part : parts) out += PathDelim + part;
  if (out.empty()) out = "/";
  if (full.size() > 1 && full.back() == PathDelim && out != "/") out += PathDelim;
  return out;
}

// ---- files and folders ----

bool DirectoryExists(const std::string& path) {
  struct stat info;
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CreateDir(const std::string& path) { return !path.empty() && ::mkdir(path.c_str(), 0777) == 0; }

bool RemoveDir(const std::string& path) { return !path.empty() && ::rmdir(path.c_str()) == 0; }

bool ForceDirectories(const std::string& path) {
  std::string dir = ExcludeTrailingPathDelimiter(path);
  if (dir.empty()) return false;
  if (DirectoryExists(dir)) return true;
  std::string parent = ExtractFileDir(dir);
  if (!parent.empty() && parent != dir && !ForceDirectories(parent)) return false;
  // Another process may have made it meanwhile.
  return CreateDir(dir) || DirectoryExists(dir);
}

bool RenameFile(const std::string& old_name, const std::string& new_name) {
  return !old_name.empty() && !new_name.empty() && ::rename(old_name.c_str(), new_name.c_str()) == 0;
}

std::string GetCurrentDir() {
  std::vector<char> buffer(256);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

bool SetCurrentDir(const std::string& path) { return !path.empty() && ::chdir(path.c_str()) == 0; }

int64_t FileSizeOf(const std::string& path) {
  struct stat info;
  if (path.empty() || ::stat(path.c_str(), &info) != 0) return -1;
  return static_cast<int64_t>(info.st_size);
}

}  // namespace plat
