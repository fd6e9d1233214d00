// Version tables. A module registers its table in code under its file name;
// GetFileVersionInfo gives a self-contained block for that file and
// VerQueryValue reads "\" (the fixed part), "\VarFileInfo\Translation" and
// "\StringFileInfo\<lang><codepage>\<name>" from it.
#ifndef PLAT_VERSION_INFO_H_
#define PLAT_VERSION_INFO_H_

#include <string>
#include <utility>
#include <vector>

#include "plat/types.h"

namespace plat {

struct VS_FIXEDFILEINFO {
  DWORD dwSignature = 0xFEEF04BD;
  DWORD dwStrucVersion = 0x00010000;
  DWORD dwFileVersionMS = 0;
  DWORD dwFileVersionLS = 0;
  DWORD dwProductVersionMS = 0;
  DWORD dwProductVersionLS = 0;
  DWORD dwFileFlagsMask = 0x3F;
  DWORD dwFileFlags = 0;
  DWORD dwFileOS = 0x00040004;  // NT, 32-bit Windows
  DWORD dwFileType = 0;
  DWORD dwFileSubtype = 0;
  DWORD dwFileDateMS = 0;
  DWORD dwFileDateLS = 0;
};

struct VersionTable {
  VS_FIXEDFILEINFO fixed;
  WORD language = 0x0409;
  WORD code_page = 0x04E4;
  std::vector<std::pair<std::string, std::string>> strings;  // "FileVersion", "CompanyName", ...
};

// Registers (or replaces) the table of the file `file_name`; a lookup matches
// the whole path, or the last component when only that was registered.
void RegisterVersionInfo(const char* file_name, const VersionTable& table);

// The block's size, 0 with ERROR_RESOURCE_TYPE_NOT_FOUND for a file without
// a table; `handle` is set to 0.
DWORD GetFileVersionInfoSize(const char* file_name, DWORD* handle);
BOOL GetFileVersionInfo(const char* file_name, DWORD handle, std::vector<BYTE>& block);
// Points `value` into `block` (a NUL-terminated text for strings; `length`
// counts its characters with the NUL). FALSE for a name not in the block or
// a block that is not one GetFileVersionInfo gave.
BOOL VerQueryValue(const std::vector<BYTE>& block, const char* sub_block, const void** value, UINT* length);

}  // namespace plat

#endif  // PLAT_VERSION_INFO_H_
