// The scanned colour page as the entry points take it: a packed bitmap of
// 24 bits (blue, green, red, bottom-up rows padded to 4 bytes), and the same
// page as three planes for the operators alone. Shared by the entry-point
// benchmarks, so that the entry point, the operator and the peer see the
// same samples.
#ifndef PELRITH_BENCH_PACKED_PAGE_H_
#define PELRITH_BENCH_PACKED_PAGE_H_

#include <cstdint>
#include <cstring>
#include <vector>

#include "Pelrith.h"
#include "scanned_page.h"

inline constexpr uint32_t kPackedInfoHeaderBytes = 40;

inline int64_t PackedRowBytes(int64_t width, int32_t bits) { return (width * bits + 31) / 32 * 4; }

inline void PutPackedU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A new zeroed handle holding the header of a `width` x `height` bitmap of 24
// bits; its rows start at byte 40.
inline HGLOBAL NewPackedHandle(int32_t width, int32_t height) {
  const int64_t row_bytes = PackedRowBytes(width, 24);
  HGLOBAL handle = GlobalAlloc(GHND, kPackedInfoHeaderBytes + static_cast<size_t>(row_bytes) * height);
  auto* p = static_cast<uint8_t*>(GlobalLock(handle));
  PutPackedU32(p, kPackedInfoHeaderBytes);
  PutPackedU32(p + 4, static_cast<uint32_t>(width));
  PutPackedU32(p + 8, static_cast<uint32_t>(height));
  p[12] = 1;
  p[14] = 24;
  PutPackedU32(p + 20, static_cast<uint32_t>(row_bytes * height));
  GlobalUnlock(handle);
  return handle;
}

// The planes (red, green, blue) of MakeScannedPagePlanar as a packed bitmap.
inline HGLOBAL MakePackedColourPage(const std::vector<uint8_t>& planes) {
  constexpr int32_t w = kScannedPageWidth, h = kScannedPageHeight;
  const size_t plane = static_cast<size_t>(w) * h;
  HGLOBAL handle = NewPackedHandle(w, h);
  auto* rows = static_cast<uint8_t*>(GlobalLock(handle)) + kPackedInfoHeaderBytes;
  const int64_t row_bytes = PackedRowBytes(w, 24);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* out = rows + static_cast<size_t>(h - 1 - y) * row_bytes;
    for (int32_t x = 0; x < w; ++x) {
      const size_t i = static_cast<size_t>(y) * w + x;
      out[3 * x] = planes[2 * plane + i];
      out[3 * x + 1] = planes[plane + i];
      out[3 * x + 2] = planes[i];
    }
  }
  GlobalUnlock(handle);
  return handle;
}

#endif  // PELRITH_BENCH_PACKED_PAGE_H_
