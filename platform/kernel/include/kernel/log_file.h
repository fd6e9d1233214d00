// Appending lines to a log file.
#ifndef PLATFORM_KERNEL_LOG_FILE_H_
#define PLATFORM_KERNEL_LOG_FILE_H_

#include <string>
#include <string_view>

namespace plat {

// Appends `bytes` at the end of the file, creating it when it is missing.
// False (with errno) when the file cannot be opened or written.
[[nodiscard]] bool AppendLine(const std::string& path, std::string_view bytes);

}  // namespace plat

#endif  // PLATFORM_KERNEL_LOG_FILE_H_
