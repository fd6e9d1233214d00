// The error table and the log writer of the context.
#ifndef PELRITH_CORE_SYSTEM_ERROR_LOG_H_
#define PELRITH_CORE_SYSTEM_ERROR_LOG_H_

#include <string>

// The table's message for codes 0 to 26; null for any other code.
const char* IpiErrorMessage(int code);

// Appends "ipi: <message>" ending in CR LF to `path` (created when missing);
// code -1 logs the C runtime's text for the current errno. A log that cannot
// be written loses the line silently.
void IpiWriteLogLine(const std::string& path, int code);

#endif  // PELRITH_CORE_SYSTEM_ERROR_LOG_H_
