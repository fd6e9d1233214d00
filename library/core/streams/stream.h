// Data streams: the only way to an object's data. An object's data is one
// sequence of elements in element-index order (x fastest, then y, z, t, b);
// elements narrower than 8 bits are packed with no row padding. A stream
// reaches it by rows (element index of a row's first element), by bytes at
// offsets, or by bits (most significant first, with or without the 0xFF 0x00
// stuffing of entropy-coded data), wherever it lives: caller memory (9), a
// global block owned by the object (223) or a file (83).
//
// Every access is bounded: memory rows, bytes and bits never pass the
// stream's limit (error 8), sizes are computed in 64 bits and refused above
// the library's limits (3).
#ifndef PELRITH_CORE_STREAMS_STREAM_H_
#define PELRITH_CORE_STREAMS_STREAM_H_

#include <array>
#include <cstdint>
#include <vector>

#include "core/codes.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "plat/files.h"

enum class StreamMode { kRead, kWrite };

inline constexpr int kStreamFileBufferBytes = 512;

struct IpiStream {
  IpiObject* object = nullptr;
  StreamMode mode = StreamMode::kRead;
  int32_t repository = 0;
  int32_t compression = 0;
  int32_t data_type = 0;
  int32_t bits_per_element = 0;   // P, after the storage rule for narrow 153 data
  int32_t bytes_per_element = 0;  // (P + 7) / 8
  bool had_data = false;          // the object was inited when the stream opened
  int32_t rows_asked = 0;         // W as given
  int32_t window_rows = 1;        // rows held by the window (W above 1), else 1
  int64_t elements_per_row = 0;   // N
  int64_t row_bytes = 0;          // buffer bytes per row: room for a row starting at any bit
  int64_t total_elements = 0;
  int64_t total_bytes = 0;
  int64_t limit = 0;              // end of the readable and writable bytes

  // Memory repositories: the data itself.
  uint8_t* data = nullptr;
  // A block fresh for writing is cleared lazily: bytes from here on were never
  // handed out and get their zeros just before first use (or at close), so a
  // block written through once is not cleared first in a separate pass.
  int64_t zeroed_to = INT64_MAX;
  // Row buffer (file rows, partial span rows) and the window of W rows.
  std::vector<uint8_t> row_buffer;
  std::vector<uint8_t> window;
  int64_t window_first_row = 0;
  bool window_loaded = false;

  // File repository.
  plat::File file;
  bool file_open = false;

  // Bit access.
  uint8_t bit_mask = 0x80;
  uint8_t current_byte = 0;
  int64_t byte_position = 0;  // bytes passed by the bit access
  std::array<uint8_t, kStreamFileBufferBytes> file_buffer{};
  int buffer_position = 0;
  int buffer_fill = 0;          // valid bytes of the file buffer when reading
  int64_t buffer_file_offset = 0;  // where the file buffer's bytes live in the file
  bool bits_written = false;
};

// Opens a stream on a live object. `mode` is "r" or "w"; `rows` is the window
// height (0 for byte and bit access, 1 for plain rows, above 1 a window of
// that many rows around each row read, negative: each stream row spans |rows|
// image rows). Null on failure, with the error reported.
[[nodiscard]] IpiStream* IpiOpenStream(IpiSystem* sys, IpiObject* obj, const char* mode, int rows);
// Finishes pending output (bits, the zero tail of a new file, "size"), closes
// the file, marks the object as holding data and frees the stream. 0, or the
// error of a failed flush or close. A null stream is accepted.
int IpiCloseStream(IpiSystem* sys, IpiStream* stream);

// Rows. Each returns the address of the byte holding the row's first element
// (its bit within that byte is (element x P) mod 8), or null with the error
// reported. Memory rows are in place; file rows live in the stream's buffer.
[[nodiscard]] uint8_t* IpiGetInputRow(IpiSystem* sys, IpiStream* stream, int64_t element);
// Whether rows of this stream are read in place and stay valid across later
// fetches (memory repositories with one row at a time); file rows live in the
// stream's one buffer until the next fetch.
[[nodiscard]] inline bool IpiRowsStayInPlace(const IpiStream& stream) {
  return stream.repository != kRepositoryFile && stream.rows_asked >= 0 && stream.window_rows == 1;
}
// A hint that the row at `element` will be read next: a memory row starts
// coming into the cache now (the processor foresees a walk up through memory,
// not one down, as over bottom-up bitmap rows); file rows are left alone.
// Reads nothing and cannot fail.
void IpiPrefetchInputRow(const IpiStream* stream, int64_t element);
// The row to be changed: its stored content, or zeros when the object held no data.
[[nodiscard]] uint8_t* IpiGetOutputRow(IpiSystem* sys, IpiStream* stream, int64_t element);
// Stores the row fetched by IpiGetOutputRow (a no-op for memory). 0 or the error.
int IpiPutOutputRow(IpiSystem* sys, IpiStream* stream, int64_t element);
// The middle row of a window of W rows: slot k holds row r - W/2 + k for the
// row r that starts at `element`; rows outside the data are zero. Slots are
// IpiWindowStride bytes apart.
[[nodiscard]] uint8_t* IpiGetWindowRow(IpiSystem* sys, IpiStream* stream, int64_t element);
[[nodiscard]] inline int64_t IpiWindowStride(const IpiStream* stream) { return stream->row_bytes; }

// Bytes at offsets from the start of the data: the count, or -1 with the error
// reported (8 when the bytes pass the data's end).
int64_t IpiReadBytes(IpiSystem* sys, IpiStream* stream, int64_t offset, void* buffer, int64_t count);
int64_t IpiWriteBytes(IpiSystem* sys, IpiStream* stream, int64_t offset, const void* buffer, int64_t count);

// Bits, most significant first, 1 to 32 at a time. Results: 0; 8 at the end of
// the data; 19 for 0xFF not followed by 0x00 in stuffed input; 18 for a bad
// count; -1 for a failed platform call.
int IpiReadBitsUnstuffed(IpiSystem* sys, IpiStream* stream, uint32_t* out, int count);
int IpiReadBitsAligned(IpiSystem* sys, IpiStream* stream, uint32_t* out, int count);
int IpiReadBit(IpiSystem* sys, IpiStream* stream, uint32_t* out);
int IpiWriteBitsStuffed(IpiSystem* sys, IpiStream* stream, uint32_t value, int count);
int IpiWriteBitsAligned(IpiSystem* sys, IpiStream* stream, uint32_t value, int count);

// The element count and stored bytes of an object's data by its class, in 64
// bits: 0, 18 for negative extents, 3 beyond the library's limits.
[[nodiscard]] int IpiObjectDataSize(IpiSystem* sys, const IpiObject& obj, int64_t* elements, int64_t* bytes,
                                    int32_t* bits_per_element);

#endif  // PELRITH_CORE_STREAMS_STREAM_H_
