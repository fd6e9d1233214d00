// The stored rows of a page's plain strips, handed one at a time to a row
// sink: read a chunk of rows at a time (in place for caller memory, at most
// kTiffStoredRowChunkBytes at once from a file), rows a strip does not hold
// passed as zeros. Shared by the pixel pass into image objects and the one
// into packed-bitmap rows.
#ifndef PELRITH_INTERCHANGE_TIFF_TIFF_STORED_ROWS_H_
#define PELRITH_INTERCHANGE_TIFF_TIFF_STORED_ROWS_H_

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/status.h"
#include "core/system/system.h"
#include "interchange/io/byte_reader.h"
#include "interchange/tiff/tiff_source.h"
#include "interchange/tiff/tiff_strips.h"

// Bytes of stored rows read from a file source at once.
inline constexpr int64_t kTiffStoredRowChunkBytes = int64_t{1} << 20;

// Hands every stored row below `row_limit` to `sink(row_index, bytes)`, strip
// by strip. A row that its strip holds only in part, or not at all, is passed
// with zeros for the missing bytes.
template <typename RowSink>
[[nodiscard]] int ForEachStoredRow(IpiSystem* sys, TiffSource& source, const TiffStripLayout& layout, int64_t row_limit,
                                   RowSink&& sink) {
  const int64_t row_bytes = layout.stored_row_bytes;
  const int64_t rows_per_chunk = std::max<int64_t>(1, kTiffStoredRowChunkBytes / row_bytes);
  std::vector<uint8_t> storage;
  std::vector<uint8_t> padded(static_cast<size_t>(row_bytes));
  for (size_t s = 0; s < layout.offsets.size(); ++s) {
    const int64_t first_row = static_cast<int64_t>(s) * layout.rows_per_strip;
    if (first_row >= row_limit) break;
    const int64_t strip_rows = std::min(layout.rows_per_strip, row_limit - first_row);
    const uint64_t held = layout.byte_counts[s];
    for (int64_t done = 0; done < strip_rows; done += rows_per_chunk) {
      const int64_t rows = std::min(rows_per_chunk, strip_rows - done);
      const auto begin = static_cast<uint64_t>(done * row_bytes);
      const uint64_t length =
          begin < held ? std::min<uint64_t>(held - begin, static_cast<uint64_t>(rows * row_bytes)) : 0;
      ByteReader view;
      // The strip lies inside the source (checked with the directory), so
      // offset + begin cannot wrap.
      if (length > 0) {
        IPI_RETURN_IF_ERROR(source.Read(sys, layout.offsets[s] + begin, length, storage, view, kIpiSyntaxError));
      }
      const uint8_t* bytes = view.bytes().data();
      for (int64_t k = 0; k < rows; ++k) {
        const auto at = static_cast<uint64_t>(k * row_bytes);
        // A row the strip does not hold in full is padded with zeros; `bytes`
        // is null for a strip that holds nothing.
        const uint8_t* row = padded.data();
        if (at + static_cast<uint64_t>(row_bytes) <= length) {
          row = bytes + at;
        } else {
          const uint64_t there = at < length ? length - at : 0;
          if (there > 0) std::memcpy(padded.data(), bytes + at, static_cast<size_t>(there));
          std::memset(padded.data() + there, 0, static_cast<size_t>(static_cast<uint64_t>(row_bytes) - there));
        }
        IPI_RETURN_IF_ERROR(sink(first_row + done + k, row));
      }
    }
  }
  return kIpiNoError;
}

#endif  // PELRITH_INTERCHANGE_TIFF_TIFF_STORED_ROWS_H_
