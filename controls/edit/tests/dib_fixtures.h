// Packed bitmaps built in code for the tests of the edit control's module.
#ifndef CONTROLS_EDIT_TESTS_DIB_FIXTURES_H_
#define CONTROLS_EDIT_TESTS_DIB_FIXTURES_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "plat/global_memory.h"

namespace ondavel::test {

struct DibSpec {
  int width = 4;
  int height = 3;
  int bpp = 24;
  bool top_down = false;
  int header_size = 40;  // 12, 40, 108 or 124
  // Palette entries as 0x00RRGGBB; empty: a grey ramp for 1, 4 and 8 bits.
  std::vector<uint32_t> palette;
  // The pixel at (x, y) from the top-left: an index up to 8 bits, else 0x00RRGGBB.
  std::function<uint32_t(int x, int y)> pixel = [](int x, int y) { return uint32_t(x * 40 + y * 7) & 0xFF; };
  int32_t x_pels_per_metre = 0;
  int32_t y_pels_per_metre = 0;
};

// A bottom-up bitmap with a 40-byte header; `pixel` empty keeps the default pattern.
DibSpec Spec(int width, int height, int bpp, std::function<uint32_t(int x, int y)> pixel = {});

std::vector<uint8_t> MakeDibBytes(const DibSpec& spec);
// A new global block holding MakeDibBytes(spec); the caller frees it.
HGLOBAL MakeDib(const DibSpec& spec);
HGLOBAL MakeBlock(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> BlockBytes(HGLOBAL block);
std::vector<uint32_t> GreyRamp(int entries);

// Frees its block when it goes.
class ScopedGlobal {
 public:
  explicit ScopedGlobal(HGLOBAL block = 0) : block_(block) {}
  ~ScopedGlobal() {
    if (block_ != 0) GlobalFree(block_);
  }
  ScopedGlobal(const ScopedGlobal&) = delete;
  ScopedGlobal& operator=(const ScopedGlobal&) = delete;
  HGLOBAL get() const { return block_; }
  HGLOBAL release() {
    const HGLOBAL b = block_;
    block_ = 0;
    return b;
  }
  void reset(HGLOBAL block = 0) {
    if (block_ != 0) GlobalFree(block_);
    block_ = block;
  }

 private:
  HGLOBAL block_;
};

}  // namespace ondavel::test

#endif  // CONTROLS_EDIT_TESTS_DIB_FIXTURES_H_
