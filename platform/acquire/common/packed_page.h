// One delivered page as a packed bitmap in global memory: a 40-byte header,
// a palette for 1 and 8 bits, bottom-up rows padded to 4 bytes. Writers fill
// rows top-down; the block is freed unless it is released.
#ifndef PLATFORM_ACQUIRE_COMMON_PACKED_PAGE_H_
#define PLATFORM_ACQUIRE_COMMON_PACKED_PAGE_H_

#include <cstddef>
#include <cstdint>

#include "plat/global_memory.h"

namespace plat::acquire {

enum class PageKind {
  kBilevel,  // 1 bit, palette 0 black, 1 white
  kGray8,    // 8 bits, grey palette
  kRgb24,    // 24 bits, blue green red
};

// The colour depth code a page of this kind is delivered as (1, 9 or 12).
int16_t DepthCode(PageKind kind);
// Pixels per metre of a resolution in dots per inch.
int32_t PixelsPerMetre(int dpi);

class PackedPage {
 public:
  PackedPage() = default;
  ~PackedPage();
  PackedPage(const PackedPage&) = delete;
  PackedPage& operator=(const PackedPage&) = delete;

  // 0, or 9000 when the size is beyond the limits (at most 2^24 on a side,
  // 2^28 pixels, 1 GiB) or memory runs out.
  [[nodiscard]] int Create(int width_px, int height_px, PageKind kind, int dpi_x, int dpi_y);
  // Row `row` counted from the top of the picture, `row_bytes()` long.
  uint8_t* TopRow(int row) const;
  size_t row_bytes() const { return row_bytes_; }
  int width_px() const { return width_px_; }
  int height_px() const { return height_px_; }
  // Hands the block over (unlocked); the page is empty afterwards.
  HGLOBAL Release();

 private:
  void Reset();

  HGLOBAL block_ = 0;
  uint8_t* bits_ = nullptr;
  size_t row_bytes_ = 0;
  int width_px_ = 0;
  int height_px_ = 0;
};

}  // namespace plat::acquire

#endif  // PLATFORM_ACQUIRE_COMMON_PACKED_PAGE_H_
