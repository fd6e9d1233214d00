// Ini files with profile semantics: sections and keys match case-insensitively
// (ASCII) and the first occurrence wins; writes change only the lines they
// must and keep order, comments and line endings. A bare file name resolves
// in the per-user folder; every write is an atomic replacement made while the
// containing folder is locked, so concurrent writers lose nothing.
#ifndef PLAT_INI_H_
#define PLAT_INI_H_

#include <string>
#include <vector>

#include "plat/types.h"

namespace plat {

// The value of `key` in `section` (blanks trimmed, one pair of enclosing
// quotes removed), else `default_value` (NULL: ""). A NULL section gives the
// section names and a NULL key the key names of the section, each followed by
// a NUL. Returns out.size().
DWORD GetPrivateProfileString(const char* section, const char* key, const char* default_value, std::string& out,
                              const char* file);
// A sign and the leading digits of the value (0 when there are none);
// `default_value` when the key is missing. Values beyond 32 bits saturate.
int GetPrivateProfileInt(const char* section, const char* key, int default_value, const char* file);
// The "key=value" lines of the section, each followed by a NUL; returns out.size().
DWORD GetPrivateProfileSection(const char* section, std::string& out, const char* file);
DWORD GetPrivateProfileSection(const char* section, std::vector<std::string>& lines, const char* file);
// The section names, each once, in file order (NUL-separated form and list form).
DWORD GetPrivateProfileSectionNames(std::string& out, const char* file);
DWORD GetPrivateProfileSectionNames(std::vector<std::string>& names, const char* file);

// Sets `key` to `value`; a NULL value removes the key, a NULL key the whole
// section. FALSE with ERROR_INVALID_PARAMETER for CR or LF in any argument, a
// key with '=' or a section with ']'; FALSE with the error of the failed step
// when the file cannot be written (the earlier file then stays as it was).
BOOL WritePrivateProfileString(const char* section, const char* key, const char* value, const char* file);
// Replaces the section's lines with `key_values` ("k=v" strings, each followed
// by a NUL, the list ended by a second NUL); NULL removes the section.
BOOL WritePrivateProfileSection(const char* section, const char* key_values, const char* file);
BOOL WritePrivateProfileSection(const char* section, const std::vector<std::string>& key_values, const char* file);

// The path an ini name stands for: a name with '/' as it is, a bare name in
// the per-user folder, NULL the per-user "win.ini".
std::string ResolveIniPath(const char* file);

}  // namespace plat

#endif  // PLAT_INI_H_
