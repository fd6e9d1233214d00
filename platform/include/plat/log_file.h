// Appending lines to a log file.
#ifndef PLAT_LOG_FILE_H_
#define PLAT_LOG_FILE_H_

#include <string>
#include <string_view>

namespace plat {

// Appends `bytes` at the end of the file, creating it when it is missing.
// False (with errno) when the file cannot be opened or written.
[[nodiscard]] bool AppendLine(const std::string& path, std::string_view bytes);

}  // namespace plat

#endif  // PLAT_LOG_FILE_H_
