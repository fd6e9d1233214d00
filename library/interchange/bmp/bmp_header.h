// The stored form of a device-independent bitmap: the 14-byte file header
// (BMP files only), the info header, the colour table and the rows, stored
// bottom-up and padded to 4 bytes. Every field read from a header is checked
// here, once, before anything computes with it; readers and the packed-bitmap
// import share the result.
#ifndef PELRITH_INTERCHANGE_BMP_BMP_HEADER_H_
#define PELRITH_INTERCHANGE_BMP_BMP_HEADER_H_

#include <cstdint>
#include <span>

inline constexpr uint64_t kBmpFileHeaderBytes = 14;
inline constexpr uint32_t kBmpInfoHeaderBytes = 40;  // the header this library writes
inline constexpr uint16_t kBmpMagic = 0x4D42;        // "BM", read little-endian
inline constexpr uint32_t kBmpPaletteEntryBytes = 4;  // blue, green, red, 0
inline constexpr uint32_t kBmpMaxColourTableEntries = 256;

// Info header sizes by their biSize field. The fields past the first 40
// bytes (colour masks, colour space, profile) are not read.
inline constexpr uint32_t kBmpCoreHeaderBytes = 12;  // OS/2 1.x: 16-bit sizes
inline constexpr uint32_t kBmpOs2V2HeaderBytes = 64;
inline constexpr uint32_t kBmpV2HeaderBytes = 52;
inline constexpr uint32_t kBmpV3HeaderBytes = 56;
inline constexpr uint32_t kBmpV4HeaderBytes = 108;
inline constexpr uint32_t kBmpV5HeaderBytes = 124;

// biCompression
inline constexpr uint32_t kBmpCompressionRgb = 0;
inline constexpr uint32_t kBmpCompressionRle8 = 1;
inline constexpr uint32_t kBmpCompressionRle4 = 2;

// The BMP group's "resolutionUnit": the header's pixels per metre.
inline constexpr int32_t kResolutionUnitPixelsPerMetre = 145;

// Whether the stored form starts with the file header (fileFormat 225) or
// with the info header (255, and 271 when writing).
enum class BmpContainer { kFile, kPacked };

struct BmpHeader {
  int64_t width_px = 0;   // >= 1
  int64_t height_px = 0;  // >= 1: top-down bitmaps are refused
  int32_t bits_per_pixel = 0;  // 1, 4, 8, 16, 24 or 32
  bool is_run_length = false;  // RLE8 with 8 bits, RLE4 with 4 bits
  uint32_t info_header_bytes = 0;
  int32_t x_pixels_per_metre = 0;
  int32_t y_pixels_per_metre = 0;
  // Colour table: 2^bits entries for the palette depths, none above.
  uint32_t table_entries = 0;
  uint64_t palette_offset = 0;     // right after the info header
  uint32_t stored_palette_entries = 0;  // entries the header says the table holds: biClrUsed, or 2^bits when 0
  uint32_t palette_entries = 0;    // entries present in the file and read: min(biClrUsed or 2^bits, 2^bits)
  uint64_t pixel_offset = 0;       // bfOffBits, or the end of the colour table without a file header
  int64_t row_bytes = 0;           // stored row: ((width x bits + 31) / 32) x 4
  int64_t payload_row_bytes = 0;   // bytes of a row that hold pixels: (width x bits + 7) / 8
  // Plain: row_bytes x height. Run-length: the coded bytes present from the
  // pixel offset (biSizeImage, bounded by the bytes that are there).
  uint64_t data_bytes = 0;
  // Plain: bytes present from the pixel offset, at most data_bytes; rows
  // beyond them are missing.
  uint64_t available_data_bytes = 0;
};

// Parses and checks the headers and the presence of the colour table in
// `bytes` (the whole file or packed bitmap). Returns 0, or (unreported)
// 22 malformed, truncated or refused layout (top-down rows, bit fields, a
// zero or negative size, an unknown header size, a colour table of more than
// 256 entries or one that ends past the data, rows that start inside the
// headers or the colour table); 12 an OS/2 header (12 or 64
// bytes), a valid variant this library does not read; 3 beyond the library's
// limits. Missing pixel rows are not an error here (see
// available_data_bytes): the data pass reports them.
[[nodiscard]] int ParseBmpHeader(std::span<const uint8_t> bytes, BmpContainer container, BmpHeader* out);

// The highest colour index that the plain rows of 1, 4 or 8 bits present in
// `bytes` use (padding bits excluded); -1 for other depths, coded rows, or no
// row present. `h` is the result of ParseBmpHeader over the same bytes.
[[nodiscard]] int32_t BmpHighestIndex(std::span<const uint8_t> bytes, const BmpHeader& h);

// Whether a bitmap file less its 14-byte file header is a packed bitmap as it
// stands: a 40-byte info header, plain rows right after a colour table of
// the entries the header announces (none at 24 bits), all of them read.
[[nodiscard]] bool BmpFileIsPackedBitmap(const BmpHeader& h);

// Stored row length of `width_px` pixels of `bits` bits: whole 32-bit words.
[[nodiscard]] inline int64_t BmpRowBytes(int64_t width_px, int32_t bits) {
  return (width_px * bits + 31) / 32 * 4;
}

// What the writer puts in front of the rows.
struct BmpWriteHeader {
  BmpContainer container = BmpContainer::kPacked;
  int64_t width_px = 0;
  int64_t height_px = 0;
  int32_t bits_per_pixel = 0;
  uint32_t compression = kBmpCompressionRgb;
  uint32_t palette_entries = 0;
  uint64_t image_bytes = 0;        // rows, or the coded body
  int32_t x_pixels_per_metre = 0;
  int32_t y_pixels_per_metre = 0;

  uint64_t header_bytes() const {
    return (container == BmpContainer::kFile ? kBmpFileHeaderBytes : 0) + kBmpInfoHeaderBytes;
  }
  uint64_t pixel_offset() const { return header_bytes() + uint64_t{palette_entries} * kBmpPaletteEntryBytes; }
};

// The file header (with a file header) and the 40-byte info header, into
// `out`, which holds header_bytes(). biSizeImage is 0 for plain rows.
void FormatBmpHeaders(const BmpWriteHeader& header, uint8_t* out);

// The colour table written for an image without one of its own: black and
// white for 1 bit, even grey steps for 4 and 8 bits (`entries` entries of 4
// bytes, the fourth 0).
void FormatStandardBmpPalette(int32_t bits, uint32_t entries, uint8_t* out);

#endif  // PELRITH_INTERCHANGE_BMP_BMP_HEADER_H_
