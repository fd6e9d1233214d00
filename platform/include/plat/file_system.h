// Files by name: temporary names, attributes, deletion, the current folder
// and folder search. Attributes follow what the user can do: READONLY when
// the user cannot write the file, HIDDEN for names starting with '.', and a
// symbolic link reports its target plus REPARSE_POINT. Sizes are 64-bit.
#ifndef PLAT_FILE_SYSTEM_H_
#define PLAT_FILE_SYSTEM_H_

#include <cstdint>
#include <string>

#include "plat/clock.h"
#include "plat/types.h"

namespace plat {

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~uintptr_t{0});
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x100;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

constexpr UINT MAX_PATH = 260;  // kept for callers that size records; no buffer here is bounded by it

struct WIN32_FIND_DATA {
  DWORD dwFileAttributes = 0;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh = 0;
  DWORD nFileSizeLow = 0;
  std::string cFileName;           // the name within its folder, whole
  std::string cAlternateFileName;  // no short names here: always empty

  uint64_t FileSize() const { return (uint64_t{nFileSizeHigh} << 32) | nFileSizeLow; }
};

// $TMPDIR (else /tmp) with a trailing '/'; returns out.size().
DWORD GetTempPath(std::string& out);
// "<folder>/<prefix><hex>.tmp". With `unique` 0 the file is made (O_EXCL, mode
// 0600) under a number no existing file has, and that number is returned;
// otherwise the name is only formed from `unique`. 0 with the error when no
// file can be made.
UINT GetTempFileName(const char* folder, const char* prefix, UINT unique, std::string& out);

// INVALID_FILE_ATTRIBUTES with ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND.
DWORD GetFileAttributes(const char* path);
// The attributes, times, size and name of one path, as a search reports them.
BOOL GetFileAttributesEx(const char* path, WIN32_FIND_DATA* data);
// Removes a file (not a folder: ERROR_ACCESS_DENIED).
BOOL DeleteFile(const char* path);
DWORD GetCurrentDirectory(std::string& out);

// The entries of one folder whose names match the last component of
// `pattern` ('*' any run, '?' one character, ASCII case-insensitive), sorted
// by name, "." and ".." left out. INVALID_HANDLE_VALUE with
// ERROR_FILE_NOT_FOUND when nothing matches, ERROR_PATH_NOT_FOUND when the
// folder is missing.
HANDLE FindFirstFile(const char* pattern, WIN32_FIND_DATA* data);
// FALSE with ERROR_NO_MORE_FILES after the last entry.
BOOL FindNextFile(HANDLE search, WIN32_FIND_DATA* data);
BOOL FindClose(HANDLE search);

// '*' and '?' matching of one name, ASCII case-insensitive; '?' takes one
// UTF-8 character.
bool MatchesFilePattern(const char* name, const char* pattern);

}  // namespace plat

#endif  // PLAT_FILE_SYSTEM_H_
