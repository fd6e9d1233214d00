// sysutils: conversions between numbers and texts, text helpers, paths and
// files. Numbers use the C locale; a text that does not convert raises
// EConvertError, and the ...Def forms give the default instead. Paths use
// "/" only (a backslash is an ordinary character) and a root keeps its "/".
#ifndef PLAT_FORMS_SYSUTILS_H_
#define PLAT_FORMS_SYSUTILS_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "plat/files.h"
#include "plat/forms/format.h"
#include "plat/forms/object.h"

namespace plat {

// Numbers.
std::string IntToStr(int64_t value);
// Upper-case hexadecimal with at least `digits` digits (two's complement for
// negative values, in 64 bits).
std::string IntToHex(int64_t value, int digits);
// Decimal with an optional sign, or hexadecimal after "$" or "0x"; blanks
// around the number are allowed. Out of the 32-bit range: EConvertError.
int StrToInt(std::string_view text);
int StrToIntDef(std::string_view text, int default_value);
bool TryStrToInt(std::string_view text, int& out);
int64_t StrToInt64(std::string_view text);
int64_t StrToInt64Def(std::string_view text, int64_t default_value);
bool TryStrToInt64(std::string_view text, int64_t& out);
// Shortest text that reads back as the same double ("1.5", "1E20", "0.1").
std::string FloatToStr(double value);
enum class TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber };
using enum TFloatFormat;
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
double StrToFloat(std::string_view text);
double StrToFloatDef(std::string_view text, double default_value);
bool TryStrToFloat(std::string_view text, double& out);
// "True"/"False" (use_bool_strs) or "-1"/"0".
std::string BoolToStr(bool value, bool use_bool_strs = false);
// "True"/"False" in any case, or a number (non-zero is true).
bool StrToBool(std::string_view text);
bool StrToBoolDef(std::string_view text, bool default_value);

// Texts. Upper/lower case and comparisons of the plain forms are ASCII.
std::string Trim(std::string_view text);       // drops control characters and blanks
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
int CompareStr(std::string_view a, std::string_view b);   // byte order: <0, 0, >0
int CompareText(std::string_view a, std::string_view b);  // ignoring ASCII case
bool SameText(std::string_view a, std::string_view b);
std::string QuotedStr(std::string_view text);  // 'it''s'
enum class TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using enum TReplaceFlag;
using TReplaceFlags = TSet<TReplaceFlag>;
std::string StringReplace(std::string_view text, std::string_view old_pattern,
                          std::string_view new_pattern, TReplaceFlags flags);
// 1-based position of `sub` in `text`, 0 when absent.
int Pos(std::string_view sub, std::string_view text);
// 1-based position of the last character of `text` that is in `delimiters`, 0 when none.
int LastDelimiter(std::string_view delimiters, std::string_view text);

// Paths.
constexpr char PathDelim = '/';
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);
std::string ExtractFilePath(std::string_view path);  // with its trailing "/"
std::string ExtractFileDir(std::string_view path);   // without it (a root keeps it)
std::string ExtractFileName(std::string_view path);
std::string ExtractFileExt(std::string_view path);  // ".txt"; empty when none
std::string ChangeFileExt(std::string_view path, std::string_view extension);
// Absolute, with "." and ".." resolved against the current folder.
std::string ExpandFileName(std::string_view path);

// Files and folders. FileExists is the kernel's (plat/files.h).
bool DirectoryExists(const std::string& path);
bool CreateDir(const std::string& path);
bool RemoveDir(const std::string& path);
// Creates every missing folder of `path`; true when it exists as a folder at
// the end. An empty path gives false.
bool ForceDirectories(const std::string& path);
// Renames within one file system; false when the rename fails.
bool RenameFile(const std::string& old_name, const std::string& new_name);
std::string GetCurrentDir();
bool SetCurrentDir(const std::string& path);
// Size in bytes, -1 when the file cannot be examined.
int64_t FileSizeOf(const std::string& path);

}  // namespace plat

#endif  // PLAT_FORMS_SYSUTILS_H_
