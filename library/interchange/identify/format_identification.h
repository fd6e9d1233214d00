// Which file format a file or a file image in memory holds: by the magic
// bytes at its start, and only when no magic matches by letting each reader
// try a header pass with error logging switched off. Nothing is read into the
// caller's objects.
#ifndef PELRITH_INTERCHANGE_IDENTIFY_FORMAT_IDENTIFICATION_H_
#define PELRITH_INTERCHANGE_IDENTIFY_FORMAT_IDENTIFICATION_H_

#include <cstdint>
#include <span>

#include "core/system/system.h"

// Bytes at the start of a file that the magic table looks at.
inline constexpr int kMagicBytes = 10;

// The format whose magic bytes open `head` (the first kMagicBytes bytes, or
// fewer), or 0. The table's first match wins.
[[nodiscard]] int32_t IpiMatchMagic(std::span<const uint8_t> head);

// The readers tried, in this order, when no magic matches. A format whose
// reader has not landed is passed over by the read dispatch.
[[nodiscard]] std::span<const int32_t> IpiProbeOrder();

// The "fileFormat" of the named file, or 0. A magic match decides, whether
// or not its reader later accepts the file (a damaged TIFF is TIFF, and its
// read fails); the readers are probed only without a match. Probing saves the
// system's "errorReportingState", switches it off and restores it on every
// path. 0 leaves the reason as the last error: 25 for a file that cannot be
// opened, 22 for one shorter than 10 bytes, else the last probe's code; a
// success by probing clears the last error.
[[nodiscard]] int32_t IpiIdentifyFileFormat(IpiSystem* sys, const char* file_name);
// The same for a file image of `size_bytes` bytes in caller memory: 0 with 8
// reported below 10 bytes, 18 for no address. A success does not clear the
// last error.
[[nodiscard]] int32_t IpiInquireAddressSpaceFormat(IpiSystem* sys, const void* address, int64_t size_bytes);

// The workers of the two above (the context is checked by them).
[[nodiscard]] int32_t IpiSniffFileFormat(IpiSystem* sys, const char* file_name);
[[nodiscard]] int32_t IpiSniffAddressSpaceFormat(IpiSystem* sys, const void* address, int64_t size_bytes);

#endif  // PELRITH_INTERCHANGE_IDENTIFY_FORMAT_IDENTIFICATION_H_
