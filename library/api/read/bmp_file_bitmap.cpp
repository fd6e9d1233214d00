#include "api/read/bmp_file_bitmap.h"

#include <cstring>

#include "Pelrith.h"
#include "core/status.h"
#include "interchange/bmp/bmp_header.h"

namespace {

bool IsPlain(const BmpHeader& header) {
  const int32_t bits = header.bits_per_pixel;
  return !header.is_run_length && (bits == 1 || bits == 4 || bits == 8 || bits == 24);
}

}  // namespace

int BmpFileIsPlain(std::span<const uint8_t> file, bool* is_plain) {
  BmpHeader header;
  IPI_RETURN_IF_ERROR(ParseBmpHeader(file, BmpContainer::kFile, &header));
  *is_plain = IsPlain(header);
  return kIpiNoError;
}

HGLOBAL PackedBitmapFromBmpFile(std::span<const uint8_t> file, int32_t* status) {
  *status = 0;
  BmpHeader header;
  if (const int rc = ParseBmpHeader(file, BmpContainer::kFile, &header); rc != 0) {
    *status = rc;
    return 0;
  }
  // The caller asks only for plain files; anything else is a fault of ours.
  if (!IsPlain(header)) {
    *status = kIpiNonPermissibleOption;
    return 0;
  }
  // Rows cut off by the end of the file are refused, not padded.
  if (header.available_data_bytes < header.data_bytes) {
    *status = kIpiSyntaxError;
    return 0;
  }
  BmpWriteHeader out;
  out.container = BmpContainer::kPacked;
  out.width_px = header.width_px;
  out.height_px = header.height_px;
  out.bits_per_pixel = header.bits_per_pixel;
  out.palette_entries = header.palette_entries;
  out.image_bytes = header.data_bytes;
  out.x_pixels_per_metre = header.x_pixels_per_metre;
  out.y_pixels_per_metre = header.y_pixels_per_metre;
  const uint64_t palette_bytes = uint64_t{header.palette_entries} * kBmpPaletteEntryBytes;
  // The parser checked that the colour table and the rows lie inside the file.
  const uint64_t total_bytes = out.pixel_offset() + header.data_bytes;
  HGLOBAL handle = GlobalAlloc(GHND, total_bytes);
  if (handle == 0) {
    *status = kCmiStatusSystemFailure;
    return 0;
  }
  auto* bytes = static_cast<uint8_t*>(GlobalLock(handle));
  if (bytes == nullptr) {
    (void)GlobalFree(handle);
    *status = kCmiStatusSystemFailure;
    return 0;
  }
  FormatBmpHeaders(out, bytes);
  if (palette_bytes != 0) std::memcpy(bytes + out.header_bytes(), file.data() + header.palette_offset, palette_bytes);
  std::memcpy(bytes + out.pixel_offset(), file.data() + header.pixel_offset, header.data_bytes);
  (void)GlobalUnlock(handle);
  return handle;
}
