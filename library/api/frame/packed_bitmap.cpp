#include "api/frame/packed_bitmap.h"

#include <span>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "interchange/bmp/bmp_header.h"
#include "interchange/dib/dib.h"
#include "plat/packed_dib.h"

namespace {

constexpr int32_t kPackedDibFormat = 255;

uint64_t StoredRowBytes(int64_t width_px, int32_t bits) { return static_cast<uint64_t>(BmpRowBytes(width_px, bits)); }

// Releases a handle the export could not fill.
struct HandleGuard {
  HGLOBAL handle;
  bool locked = false;
  ~HandleGuard() {
    if (handle == 0) return;
    if (locked) (void)GlobalUnlock(handle);
    (void)GlobalFree(handle);
  }
  HGLOBAL Release() {
    if (locked) (void)GlobalUnlock(handle);
    locked = false;
    HGLOBAL out = handle;
    handle = 0;
    return out;
  }
};

}  // namespace

int ValidatePackedBitmap(const void* bytes, size_t size, PackedBitmapInfo* info) {
  if (bytes == nullptr || size < kBmpInfoHeaderBytes) return kCmiStatusBadArgument;
  BmpHeader header;
  const int rc = ParseBmpHeader(std::span(static_cast<const uint8_t*>(bytes), size), BmpContainer::kPacked, &header);
  if (rc == kIpiExceedImplementation) return rc;
  if (rc != 0) return kCmiStatusBadArgument;
  const int32_t bits = header.bits_per_pixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return kCmiStatusBadArgument;
  // The platform's packed-DIB gate does the block arithmetic: header, colour
  // table and rows (run-length data) inside the handle's size.
  const auto view = plat::ValidatePackedDib(bytes, size);
  if (!view) return kCmiStatusBadArgument;
  const auto* base = static_cast<const uint8_t*>(bytes);
  info->width_px = view->width;
  info->height_px = view->height;
  info->bits_per_pixel = bits;
  info->is_run_length = header.is_run_length;
  info->palette_entries = static_cast<uint32_t>(view->colors);
  info->palette_offset = static_cast<uint64_t>(view->headerSize);  // no bit-field masks in this set
  info->pixel_offset = static_cast<uint64_t>(view->bits - base);
  info->row_bytes = static_cast<int64_t>(view->stride);
  info->handle_bytes = size;
  return 0;
}

bool ColourModeMatchesBits(int32_t mode, int32_t bits_per_pixel) {
  switch (mode) {
    case kCmiModeBitmap: return bits_per_pixel == 1;
    case kCmiModeIndexed16: return bits_per_pixel == 4;
    case kCmiModeIndexed256:
    case kCmiModeGrayscale:
    case kCmiModeInvertedGrayscale: return bits_per_pixel == 8;
    case kCmiModeRgb: return bits_per_pixel == 24;
    default: return false;
  }
}

PackedDibLayout PackedDibLayoutFor(int64_t x, int64_t y, int64_t bands, int64_t precision) {
  PackedDibLayout layout;
  if (x < 1 || y < 1) return layout;
  if (bands == 1 && (precision == 1 || precision == 4 || precision == 8)) {
    layout.bits_per_pixel = static_cast<int32_t>(precision);
    layout.palette_entries = 1u << precision;
  } else if ((bands == 3 && precision == 8) || (bands == 1 && precision == 24)) {
    layout.bits_per_pixel = 24;
  } else {
    return layout;
  }
  int64_t row = 0, total = 0;
  if (IpiCheckGeometry(x, y, layout.bits_per_pixel, DimensionStorage::kBits32, &row, &total) != 0) return {};
  layout.row_bytes = StoredRowBytes(x, layout.bits_per_pixel);
  layout.total_bytes = layout.row_bytes * static_cast<uint64_t>(y) + kBmpInfoHeaderBytes +
                       uint64_t{layout.palette_entries} * kBmpPaletteEntryBytes;
  return layout;
}

HGLOBAL ObjectToPackedDib(IpiSystem* sys, IpiObject* image, int32_t* status) {
  *status = 0;
  intptr_t x = 0, y = 0, b = 0, p = 0;
  const IpiAttribute inquiry[] = {{"xDimension", reinterpret_cast<intptr_t>(&x)},
                                  {"yDimension", reinterpret_cast<intptr_t>(&y)},
                                  {"bDimension", reinterpret_cast<intptr_t>(&b)},
                                  {"dataPrecision", reinterpret_cast<intptr_t>(&p)}};
  if (const int rc = IpiInquireAttributes(sys, image, inquiry, 4); rc != 0) {
    *status = rc;
    return 0;
  }
  const PackedDibLayout layout = PackedDibLayoutFor(x, y, b, p);
  if (layout.total_bytes == 0) {
    *status = kCmiStatusBadArgument;
    return 0;
  }
  HandleGuard guard{GlobalAlloc(GHND, layout.total_bytes)};
  if (guard.handle == 0) {
    *status = kCmiStatusSystemFailure;
    return 0;
  }
  void* bytes = GlobalLock(guard.handle);
  if (bytes == nullptr) {
    *status = kCmiStatusSystemFailure;
    return 0;
  }
  guard.locked = true;
  const IpiAttribute size_pair[] = {{"size", static_cast<intptr_t>(GlobalSize(guard.handle))}};
  if (const int rc = IpiExportDib(sys, image, bytes, kPackedDibFormat, size_pair, 1); rc != 0) {
    *status = rc;
    return 0;
  }
  return guard.Release();
}

std::array<IpiAttribute, 8> PackedRowsView(const uint8_t* bottom_row, uint64_t row_bytes, int64_t height_px) {
  return {{{"dataType", kDataTypeNonnegative},
           {"dataPrecision", 8},
           {"xDimension", static_cast<intptr_t>(row_bytes)},
           {"yDimension", static_cast<intptr_t>(height_px)},
           {"pixelInterpretation", kPixelInterpretationPackedBitmap},
           {"repository", kRepositoryCallerMemory},
           {"applicationAddressSpace", reinterpret_cast<intptr_t>(bottom_row)},
           {"size", static_cast<intptr_t>(row_bytes * static_cast<uint64_t>(height_px))}}};
}

uint8_t* FormatPackedBitmapHeader(int64_t width_px, int64_t height_px, const PackedDibLayout& layout, uint8_t* bytes) {
  BmpWriteHeader header;
  header.width_px = width_px;
  header.height_px = height_px;
  header.bits_per_pixel = layout.bits_per_pixel;
  header.palette_entries = layout.palette_entries;
  header.image_bytes = layout.row_bytes * static_cast<uint64_t>(height_px);
  FormatBmpHeaders(header, bytes);
  return bytes + header.header_bytes();
}
