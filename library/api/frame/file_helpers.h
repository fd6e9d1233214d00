// Small file and global-memory operations of the entry points: bitmap files
// to packed bitmaps and back, whole files into handles and back, and file
// copies. Every file written goes through an atomic replacement: on failure
// an earlier file stays byte for byte and no partial file is left. Statuses:
// 0; 26 a file to read does not exist; 25 a file cannot be opened or created;
// -1 a platform failure (memory, a lock, a write); -100 a damaged caller
// bitmap; 22 a malformed bitmap file; 12 a bitmap variant not read here; 3
// beyond the library's limits.
#ifndef PELRITH_API_FRAME_FILE_HELPERS_H_
#define PELRITH_API_FRAME_FILE_HELPERS_H_

#include <cstdint>
#include <span>

#include "Pelrith.h"

// Chunk of CopyFileByChunks.
inline constexpr uint64_t kCopyChunkBytes = 65536;

// A new handle holding the bitmap file `file_name` as a packed bitmap, after
// the headers and the presence of every row have been checked: the file less
// its file header when that is a packed bitmap as it stands; else a 40-byte
// info header, the palette and the rows (or run-length body) taken from the
// file's data offset. A colour table shorter than the indices the rows use
// becomes the depth's whole table, the added entries black. 1-, 4-, 8- and
// 24-bit files; others give 12. Null with `*status` set on failure.
[[nodiscard]] HGLOBAL LoadBitmapFileAsDib(const char* file_name, int32_t* status);
// The same from the bytes of a bitmap file already in memory.
[[nodiscard]] HGLOBAL BmpFileBytesAsDib(std::span<const uint8_t> file, int32_t* status);

// Writes the packed bitmap in `handle` as a bitmap file, its headers built
// from the checked bitmap (never copied from it) with the given pixels per
// metre, then its palette and rows, no more than the handle holds. A 24-bit
// bitmap's colour table is left out. -1 for a handle that is empty or does
// not lock, -100 for a damaged bitmap or a run-length one, 25 when the file
// cannot be created, -1 when writing fails.
[[nodiscard]] int32_t WriteDibAsBitmapFile(HGLOBAL handle, const char* file_name, int32_t x_pixels_per_metre,
                                           int32_t y_pixels_per_metre);

// A new handle holding the whole file; null with `*status` set (26, 25, 3 for
// a file past 1 GiB, -1).
[[nodiscard]] HGLOBAL LoadFileToGlobal(const char* file_name, int32_t* status);

// Writes the first `byte_count` bytes of `handle` to `file_name`. -100 when
// the handle holds fewer bytes, -1 when it does not lock or writing fails, 25
// when the file cannot be created. The result is also stored in `*status`.
int32_t SaveGlobalToFile(HGLOBAL handle, const char* file_name, uint64_t byte_count, int32_t* status);

// Copies `from_name` to `to_name` in chunks of kCopyChunkBytes. 26 or 25 when
// the source cannot be opened, 25 when the target cannot be created, -1 when
// reading or writing fails. The result is also stored in `*status`.
int32_t CopyFileByChunks(const char* from_name, const char* to_name, int32_t* status);

#endif  // PELRITH_API_FRAME_FILE_HELPERS_H_
