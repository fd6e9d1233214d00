// Packed bitmaps for the entry-point tests: built from a pixel function in
// any of the four depths, and read back pixel by pixel (top-down, as the
// picture is seen), with netpbm images for the oracle programs.
#ifndef PELRITH_API_TESTS_PACKED_DIB_H_
#define PELRITH_API_TESTS_PACKED_DIB_H_

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plat/global_memory.h"

namespace api_testing {

using Rgb = std::array<uint8_t, 3>;

struct DibSpec {
  int32_t bits = 8;      // 1, 4, 8 or 24
  int32_t width = 1;
  int32_t height = 1;
  std::vector<Rgb> palette;  // empty: a grey ramp of 2^bits entries (none for 24 bits)
};

// A new handle; `pixel(x, y)` gives the palette index (or 0xRRGGBB for 24
// bits) of column x, row y counted from the top.
HGLOBAL MakeDib(const DibSpec& spec, const std::function<uint32_t(int32_t x, int32_t y)>& pixel);

// A packed bitmap laid out byte for byte as given, for sources a builder
// cannot make (junk in row padding, short or odd tables, coded rows): the
// 40-byte header (pixels per metre 3780 x 2835), `table` (4 bytes an entry),
// then `body` as the rows.
struct RawDib {
  int32_t bits = 8;
  int32_t width = 1;
  int32_t height = 1;
  uint32_t compression = 0;
  uint32_t colours_used = 0;  // biClrUsed: 0 for every entry the depth has
  std::vector<uint8_t> table;
  std::vector<uint8_t> body;
};
HGLOBAL MakeRawDib(const RawDib& dib);

// The result of one entry-point call as bytes: the status, then the whole
// result handle (nothing when it is 0), for byte-for-byte comparisons.
std::vector<uint8_t> CallOutcome(int32_t status, HGLOBAL result);
// FNV-1a over `count` bytes, continuing from `digest`.
uint64_t FoldDigest(uint64_t digest, const uint8_t* bytes, size_t count);
inline constexpr uint64_t kDigestStart = 0xCBF29CE484222325ull;

// The bit count a colour mode names: 14 a bitmap, 15 16 colours, 18 RGB,
// the rest (256 colours, grey, inverted grey) 8 bits.
inline int32_t BitsOfColourMode(int32_t mode) {
  switch (mode) {
    case 14: return 1;
    case 15: return 4;
    case 18: return 24;
    default: return 8;
  }
}

// Owns a handle for a test: freed at scope exit.
class ScopedHandle {
 public:
  explicit ScopedHandle(HGLOBAL handle = 0) : handle_(handle) {}
  ~ScopedHandle() { reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HGLOBAL get() const { return handle_; }
  void reset(HGLOBAL handle = 0) {
    if (handle_ != 0) GlobalFree(handle_);
    handle_ = handle;
  }
 private:
  HGLOBAL handle_;
};

// A decoded copy of a packed bitmap.
struct DibImage {
  int32_t bits = 0;
  int32_t width = 0;
  int32_t height = 0;
  std::vector<Rgb> palette;
  std::vector<uint32_t> indices;  // row-major, top row first; 0xRRGGBB for 24 bits

  uint32_t Index(int32_t x, int32_t y) const { return indices[static_cast<size_t>(y) * width + x]; }
  Rgb Colour(int32_t x, int32_t y) const;
};

// Reads a handle (checking that its size is exactly what the layout needs).
DibImage ReadDib(HGLOBAL handle);

// The colours as a binary PPM (P6) file, for the oracle programs.
std::string ToPpm(const DibImage& image);
// Parses a binary PNM (P4, P5 or P6) into colours (row-major, top first).
struct PnmImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<Rgb> pixels;
};
PnmImage ParsePnm(const std::string& bytes);

}  // namespace api_testing

#endif  // PELRITH_API_TESTS_PACKED_DIB_H_
