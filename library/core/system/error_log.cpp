// Error table and log lines. Lines are built in a local buffer of the size the
// log format allows, so concurrent contexts never share a buffer.
#include "core/system/error_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "plat/log_file.h"

namespace {

constexpr const char* kMessages[] = {
    "No error",
    "Closure failure",
    "Division by zero",
    "Exceed implementation",
    "Illegal data type conversion",
    "Incorrect data type",
    "Incorrect object class",
    "Initialization failure",
    "Insufficient size",
    "Invalid instance",
    "Mismatch data type",
    "Mismatch object class",
    "Non-permissible option",
    "Not integer multiples of the block",
    "Not a positive integer",
    "Not a positive even integer",
    "Not a positive odd integer",
    "Not a power of two",
    "Out of range",
    "Semantical error within data stream",
    "State is CLOSED when OPEN is expected",
    "State is OPEN when CLOSED is expected",
    "Syntactical error within data stream",
    "Upper bound is smaller than lower bound",
    "Invalid handle",
    "File Open Failure",
    "File Not Found",
};
constexpr int kMessageCount = sizeof(kMessages) / sizeof(kMessages[0]);
static_assert(kMessageCount == 27);

constexpr size_t kLineBufferBytes = 300;
// Lines shorter than this get CR LF; longer ones keep their cut-off text.
constexpr size_t kCrLfLimit = 298;

}  // namespace

const char* IpiErrorMessage(int code) {
  return (code >= 0 && code < kMessageCount) ? kMessages[code] : nullptr;
}

void IpiWriteLogLine(const std::string& path, int code) {
  const char* message = code == -1 ? std::strerror(errno) : IpiErrorMessage(code);
  if (message == nullptr) message = "Unknown error";
  char line[kLineBufferBytes] = {};
  int written = std::snprintf(line, sizeof line, "ipi: %s\n", message);
  if (written < 0) return;
  size_t length = std::strlen(line);
  if (length < kCrLfLimit && length > 0 && line[length - 1] == '\n') {
    line[length - 1] = '\r';
    line[length] = '\n';
    ++length;
  }
  (void)plat::AppendLine(path, std::string_view(line, length));
}
