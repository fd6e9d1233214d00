// Packed bitmaps of delivered pages; sizes are checked in 64 bits before the
// one allocation.
#include "acquire/common/packed_page.h"

#include <cmath>
#include <cstring>

#include "plat/acquire/acquire_constants.h"
#include "plat/packed_dib.h"

namespace plat::acquire {

namespace {

constexpr uint64_t kMaxSidePx = uint64_t{1} << 24;
constexpr uint64_t kMaxPixels = uint64_t{1} << 28;
constexpr uint64_t kMaxBytes = uint64_t{1} << 30;

int BitsPerPixel(PageKind kind) {
  switch (kind) {
    case PageKind::kBilevel: return 1;
    case PageKind::kGray8: return 8;
    case PageKind::kRgb24: return 24;
  }
  return 24;
}

int PaletteEntries(PageKind kind) {
  switch (kind) {
    case PageKind::kBilevel: return 2;
    case PageKind::kGray8: return 256;
    case PageKind::kRgb24: return 0;
  }
  return 0;
}

}  // namespace

int16_t DepthCode(PageKind kind) {
  switch (kind) {
    case PageKind::kBilevel: return qrvColorBitmap;
    case PageKind::kGray8: return qrvColorGrayscale;
    case PageKind::kRgb24: return qrvColorRGB;
  }
  return qrvColorRGB;
}

int32_t PixelsPerMetre(int dpi) { return static_cast<int32_t>(std::lround(dpi / 0.0254)); }

PackedPage::~PackedPage() { Reset(); }

void PackedPage::Reset() {
  if (block_ != 0) {
    GlobalUnlock(block_);
    GlobalFree(block_);
  }
  block_ = 0;
  bits_ = nullptr;
}

int PackedPage::Create(int width_px, int height_px, PageKind kind, int dpi_x, int dpi_y) {
  Reset();
  if (width_px <= 0 || height_px <= 0) return qrvErrDeviceError;
  const uint64_t width = static_cast<uint64_t>(width_px);
  const uint64_t height = static_cast<uint64_t>(height_px);
  if (width > kMaxSidePx || height > kMaxSidePx || width * height > kMaxPixels) return qrvErrOutofMemory;
  const int bpp = BitsPerPixel(kind);
  const uint64_t row_bytes = (width * static_cast<uint64_t>(bpp) + 31) / 32 * 4;
  const uint64_t palette_bytes = static_cast<uint64_t>(PaletteEntries(kind)) * sizeof(RGBQUAD);
  const uint64_t image_bytes = row_bytes * height;  // both below 2^30 after the checks above
  if (image_bytes > kMaxBytes) return qrvErrOutofMemory;
  const uint64_t total = sizeof(BITMAPINFOHEADER) + palette_bytes + image_bytes;
  block_ = GlobalAlloc(GMEM_MOVEABLE, static_cast<size_t>(total));
  if (block_ == 0) return qrvErrOutofMemory;
  auto* base = static_cast<uint8_t*>(GlobalLock(block_));
  if (base == nullptr) {
    GlobalFree(block_);
    block_ = 0;
    return qrvErrOutofMemory;
  }
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = width_px;
  header.biHeight = height_px;  // positive: bottom-up
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bpp);
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(image_bytes);
  header.biXPelsPerMeter = PixelsPerMetre(dpi_x);
  header.biYPelsPerMeter = PixelsPerMetre(dpi_y);
  header.biClrUsed = static_cast<DWORD>(PaletteEntries(kind));
  header.biClrImportant = 0;
  std::memcpy(base, &header, sizeof(header));
  uint8_t* palette = base + sizeof(header);
  const int entries = PaletteEntries(kind);
  for (int i = 0; i < entries; ++i) {
    const auto level = static_cast<uint8_t>(kind == PageKind::kBilevel ? i * 255 : i);
    const RGBQUAD entry{level, level, level, 0};
    std::memcpy(palette + static_cast<size_t>(i) * sizeof(RGBQUAD), &entry, sizeof(entry));
  }
  bits_ = palette + palette_bytes;
  std::memset(bits_, 0, static_cast<size_t>(image_bytes));
  row_bytes_ = static_cast<size_t>(row_bytes);
  width_px_ = width_px;
  height_px_ = height_px;
  return qrvSuccess;
}

uint8_t* PackedPage::TopRow(int row) const {
  return bits_ + row_bytes_ * static_cast<size_t>(height_px_ - 1 - row);
}

HGLOBAL PackedPage::Release() {
  const HGLOBAL block = block_;
  if (block != 0) GlobalUnlock(block);
  block_ = 0;
  bits_ = nullptr;
  return block;
}

}  // namespace plat::acquire
