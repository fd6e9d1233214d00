// Lexical clean-up of absolute paths, shared by the URL helpers and the shell.
#ifndef PLAT_KERNEL_PATH_SEGMENTS_H_
#define PLAT_KERNEL_PATH_SEGMENTS_H_

#include <string>
#include <string_view>

namespace plat::internal {

// An absolute path with "." and ".." resolved (".." at the root stays at
// the root) and empty segments dropped; "/" when nothing is left. No
// trailing '/' is kept. `path` must start with '/'.
std::string ResolveDotSegments(std::string_view path);

}  // namespace plat::internal

#endif  // PLAT_KERNEL_PATH_SEGMENTS_H_
