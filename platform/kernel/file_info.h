// What a folder search and GetFileAttributes share: one description of a
// path as a WIN32_FIND_DATA.
#ifndef PLAT_KERNEL_FILE_INFO_H_
#define PLAT_KERNEL_FILE_INFO_H_

#include <string>

#include "plat/file_system.h"

namespace plat::internal {

// Fills `data` for `path`, named `name`; false with the last error set.
bool DescribePath(const std::string& path, const std::string& name, WIN32_FIND_DATA& data);
// The last component of a path (trailing '/' ignored).
std::string BaseName(const std::string& path);
// ERROR_FILE_NOT_FOUND when the path's folder exists, else ERROR_PATH_NOT_FOUND.
DWORD ErrorForMissingPath(const std::string& path);

}  // namespace plat::internal

#endif  // PLAT_KERNEL_FILE_INFO_H_
