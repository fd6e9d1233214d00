// Temporary names; see file_system.h. A name is taken by creating its file
// with O_EXCL, so two callers never get the same name and no existing file is
// reused or truncated.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

#include "plat/file_system.h"
#include "plat/last_error.h"
#include "plat/temp_file.h"

namespace plat {
namespace {

constexpr UINT kNumberCount = 0xFFFF;  // names carry four hex digits, 1-FFFF

std::string NameFor(const std::string& folder, const char* prefix, UINT number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%X", number);
  std::string name = folder;
  if (!name.empty() && name.back() != '/') name += '/';
  return name + (prefix != nullptr ? prefix : "") + digits + ".tmp";
}

}  // namespace

DWORD GetTempPath(std::string& out) {
  out = TempFolder();
  if (out.back() != '/') out += '/';
  return static_cast<DWORD>(out.size());
}

UINT GetTempFileName(const char* folder, const char* prefix, UINT unique, std::string& out) {
  out.clear();
  if (folder == nullptr || folder[0] == '\0') return FailWith<UINT>(0, ERROR_INVALID_PARAMETER);
  if (prefix != nullptr && std::string_view(prefix).find('/') != std::string_view::npos) {
    return FailWith<UINT>(0, ERROR_INVALID_NAME);
  }
  if (unique != 0) {
    out = NameFor(folder, prefix, unique & 0xFFFF);
    return unique & 0xFFFF;
  }
  std::random_device seed;
  const UINT start = std::uniform_int_distribution<UINT>(1, kNumberCount)(seed);
  for (UINT i = 0; i < kNumberCount; ++i) {
    const UINT number = (start - 1 + i) % kNumberCount + 1;
    const std::string name = NameFor(folder, prefix, number);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
      ::close(fd);
      out = name;
      SetLastError(ERROR_SUCCESS);
      return number;
    }
    if (errno != EEXIST) {
      return FailWith<UINT>(0, errno == ENOENT || errno == ENOTDIR ? ERROR_DIRECTORY : ErrorFromErrno(errno));
    }
  }
  return FailWith<UINT>(0, ERROR_FILE_EXISTS);  // every number is taken
}

}  // namespace plat
