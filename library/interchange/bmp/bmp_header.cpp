// Header parsing and formatting of device-independent bitmaps; see bmp_header.h.
#include "interchange/bmp/bmp_header.h"

#include <algorithm>

#include "core/limits.h"
#include "core/status.h"
#include "interchange/io/byte_reader.h"
#include "interchange/io/byte_store.h"

namespace {

bool IsReadInfoHeaderSize(uint32_t bytes) {
  return bytes == kBmpInfoHeaderBytes || bytes == kBmpV2HeaderBytes || bytes == kBmpV3HeaderBytes ||
         bytes == kBmpV4HeaderBytes || bytes == kBmpV5HeaderBytes;
}

bool IsReadBitCount(uint32_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// The bytes of the rows from h.pixel_offset (at most `size`) on: plain rows
// by their stride, of which the bytes that are there are available; a coded
// body by biSizeImage, else up to bfSize or the end of the bytes.
int SizeBmpData(uint64_t size, BmpContainer container, uint32_t file_size, uint32_t image_size, BmpHeader& h) {
  const uint64_t after_offset = size - h.pixel_offset;
  if (!h.is_run_length) {
    h.data_bytes = static_cast<uint64_t>(h.row_bytes) * static_cast<uint64_t>(h.height_px);
    h.available_data_bytes = std::min(h.data_bytes, after_offset);
    return kIpiNoError;
  }
  const int64_t coded_bytes = static_cast<int32_t>(image_size);
  if (coded_bytes < 0) return kIpiSyntaxError;
  if (coded_bytes > 0) {
    // A coded size past the end is cut to the bytes that are there; the
    // decoder then finds whether rows are missing.
    h.data_bytes = std::min(static_cast<uint64_t>(coded_bytes), after_offset);
  } else {
    // No coded size: the body runs to the end of the file, or to bfSize
    // when that ends earlier.
    uint64_t end = size;
    const int64_t file_size_field = static_cast<int32_t>(file_size);
    if (container == BmpContainer::kFile && file_size_field > 0 && static_cast<uint64_t>(file_size_field) < end) {
      end = static_cast<uint64_t>(file_size_field);
    }
    if (end < h.pixel_offset) return kIpiSyntaxError;
    h.data_bytes = end - h.pixel_offset;
  }
  if (h.data_bytes < 2) return kIpiSyntaxError;  // not even one code
  h.available_data_bytes = h.data_bytes;
  return kIpiNoError;
}

}  // namespace

int ParseBmpHeader(std::span<const uint8_t> bytes, BmpContainer container, BmpHeader* out) {
  ByteReader reader(bytes);
  uint32_t file_size = 0;
  uint32_t pixel_offset_field = 0;
  uint64_t info_start = 0;
  if (container == BmpContainer::kFile) {
    uint16_t magic = 0;
    if (!reader.ReadU16Le(magic) || magic != kBmpMagic) return kIpiSyntaxError;
    if (!reader.ReadU32Le(file_size) || !reader.Skip(4) || !reader.ReadU32Le(pixel_offset_field)) {
      return kIpiSyntaxError;
    }
    info_start = kBmpFileHeaderBytes;
  }
  uint32_t info_bytes = 0;
  if (!reader.ReadU32Le(info_bytes)) return kIpiSyntaxError;
  if (info_bytes == kBmpCoreHeaderBytes || info_bytes == kBmpOs2V2HeaderBytes) return kIpiNonPermissibleOption;
  if (!IsReadInfoHeaderSize(info_bytes)) return kIpiSyntaxError;
  // The whole announced header must be there, though only its first 40 bytes are read.
  if (reader.remaining() < info_bytes - 4) return kIpiSyntaxError;

  uint32_t width = 0, height = 0, compression = 0, image_size = 0, x_ppm = 0, y_ppm = 0, colours_used = 0;
  uint16_t planes = 0, bits = 0;
  // The header's presence was checked above, so these reads cannot fail.
  if (!reader.ReadU32Le(width) || !reader.ReadU32Le(height) || !reader.ReadU16Le(planes) ||
      !reader.ReadU16Le(bits) || !reader.ReadU32Le(compression) || !reader.ReadU32Le(image_size) ||
      !reader.ReadU32Le(x_ppm) || !reader.ReadU32Le(y_ppm) || !reader.ReadU32Le(colours_used)) {
    return kIpiSyntaxError;
  }
  const int64_t width_px = static_cast<int32_t>(width);
  const int64_t height_px = static_cast<int32_t>(height);
  // A negative height is a top-down bitmap, which is not read.
  if (width_px < 1 || height_px < 1) return kIpiSyntaxError;
  if (!IsReadBitCount(bits)) return kIpiSyntaxError;
  bool is_run_length = false;
  if (compression == kBmpCompressionRle8 && bits == 8) {
    is_run_length = true;
  } else if (compression == kBmpCompressionRle4 && bits == 4) {
    is_run_length = true;
  } else if (compression != kBmpCompressionRgb) {
    return kIpiSyntaxError;  // bit fields, and run-length coding at the wrong depth
  }
  if (colours_used > kBmpMaxColourTableEntries) return kIpiSyntaxError;
  int64_t payload_row_bytes = 0;
  IPI_RETURN_IF_ERROR(IpiCheckGeometry(width_px, height_px, bits, DimensionStorage::kBits32, &payload_row_bytes,
                                       nullptr));

  BmpHeader h;
  h.width_px = width_px;
  h.height_px = height_px;
  h.bits_per_pixel = bits;
  h.is_run_length = is_run_length;
  h.info_header_bytes = info_bytes;
  h.x_pixels_per_metre = static_cast<int32_t>(x_ppm);
  h.y_pixels_per_metre = static_cast<int32_t>(y_ppm);
  h.row_bytes = BmpRowBytes(width_px, bits);
  h.payload_row_bytes = payload_row_bytes;
  h.table_entries = bits <= 8 ? 1u << bits : 0;
  // The colour table holds biClrUsed entries, or 2^bits when that is 0; above
  // 8 bits it is optional and never read, but it still lies before the rows.
  const uint32_t stored_entries = bits <= 8 && colours_used == 0 ? h.table_entries : colours_used;
  h.palette_entries = std::min(stored_entries, h.table_entries);
  h.palette_offset = info_start + info_bytes;
  const uint64_t size = bytes.size();
  const uint64_t palette_bytes = uint64_t{h.palette_entries} * kBmpPaletteEntryBytes;
  // Compare before subtracting: palette_offset <= size is checked first.
  if (h.palette_offset > size || palette_bytes > size - h.palette_offset) return kIpiSyntaxError;
  h.stored_palette_entries = stored_entries;
  if (container == BmpContainer::kFile) {
    // Rows that start inside the headers or the colour table would take
    // header or palette bytes for pixels.
    const uint64_t table_end = h.palette_offset + uint64_t{stored_entries} * kBmpPaletteEntryBytes;
    if (pixel_offset_field < table_end) return kIpiSyntaxError;
    h.pixel_offset = pixel_offset_field;
  } else {
    h.pixel_offset = h.palette_offset + uint64_t{stored_entries} * kBmpPaletteEntryBytes;
  }
  if (h.pixel_offset > size) return kIpiSyntaxError;
  IPI_RETURN_IF_ERROR(SizeBmpData(size, container, file_size, image_size, h));
  *out = h;
  return kIpiNoError;
}

int32_t BmpHighestIndex(std::span<const uint8_t> bytes, const BmpHeader& h) {
  const int32_t bits = h.bits_per_pixel;
  if (bits > 8 || h.is_run_length) return -1;
  const int32_t top = (1 << bits) - 1;
  const auto payload = static_cast<uint64_t>(h.payload_row_bytes);
  int32_t highest = -1;
  for (int64_t r = 0; r < h.height_px; ++r) {
    // Rows are read only where their pixels lie inside the available bytes.
    const uint64_t start = static_cast<uint64_t>(r) * static_cast<uint64_t>(h.row_bytes);
    if (start > h.available_data_bytes || h.available_data_bytes - start < payload) break;
    const uint8_t* row = bytes.data() + h.pixel_offset + start;
    for (int64_t x = 0; x < h.width_px; ++x) {
      const int64_t bit = x * bits;
      const int32_t index = (row[bit / 8] >> (8 - bits - static_cast<int32_t>(bit % 8))) & top;
      if (index > highest) {
        highest = index;
        if (highest == top) return highest;
      }
    }
  }
  return highest;
}

bool BmpFileIsPackedBitmap(const BmpHeader& h) {
  return h.info_header_bytes == kBmpInfoHeaderBytes && !h.is_run_length &&
         h.stored_palette_entries == h.palette_entries &&
         h.pixel_offset == h.palette_offset + uint64_t{h.palette_entries} * kBmpPaletteEntryBytes;
}

void FormatBmpHeaders(const BmpWriteHeader& header, uint8_t* out) {
  uint8_t* info = out;
  if (header.container == BmpContainer::kFile) {
    const uint64_t file_bytes = header.pixel_offset() + header.image_bytes;
    out[0] = 'B';
    out[1] = 'M';
    StoreU32Le(out + 2, static_cast<uint32_t>(file_bytes));
    StoreU32Le(out + 6, 0);  // two reserved words
    StoreU32Le(out + 10, static_cast<uint32_t>(header.pixel_offset()));
    info = out + kBmpFileHeaderBytes;
  }
  StoreU32Le(info + 0, kBmpInfoHeaderBytes);
  StoreU32Le(info + 4, static_cast<uint32_t>(header.width_px));
  StoreU32Le(info + 8, static_cast<uint32_t>(header.height_px));
  StoreU16Le(info + 12, 1);  // planes
  StoreU16Le(info + 14, static_cast<uint32_t>(header.bits_per_pixel));
  StoreU32Le(info + 16, header.compression);
  StoreU32Le(info + 20, header.compression == kBmpCompressionRgb ? 0 : static_cast<uint32_t>(header.image_bytes));
  StoreU32Le(info + 24, static_cast<uint32_t>(header.x_pixels_per_metre));
  StoreU32Le(info + 28, static_cast<uint32_t>(header.y_pixels_per_metre));
  StoreU32Le(info + 32, header.palette_entries);  // colours used
  StoreU32Le(info + 36, header.palette_entries);  // important colours
}

void FormatStandardBmpPalette(int32_t bits, uint32_t entries, uint8_t* out) {
  for (uint32_t i = 0; i < entries; ++i) {
    uint8_t level = 0;
    if (bits == 1) level = i == 0 ? 0 : 255;
    if (bits == 4) level = static_cast<uint8_t>(i * 17);
    if (bits == 8) level = static_cast<uint8_t>(i);
    out[4 * i] = out[4 * i + 1] = out[4 * i + 2] = level;
    out[4 * i + 3] = 0;
  }
}
