// The one evaluator of raster operations: a ternary code's truth table
// indexed by pattern << 2 | source << 1 | destination, applied bitwise to
// raw pixels, with direct loops for the codes drawing uses most.
#ifndef PLAT_GDI_ROP_H_
#define PLAT_GDI_ROP_H_

#include <cstdint>
#include <vector>

#include "plat/gdi_surface.h"

namespace plat::gdi {

constexpr uint8_t Rop3Code(DWORD rop) { return static_cast<uint8_t>(rop >> 16); }
constexpr bool Rop3UsesSource(uint8_t code) { return (((code >> 2) ^ code) & 0x33) != 0; }
constexpr bool Rop3UsesPattern(uint8_t code) { return (((code >> 4) ^ code) & 0x0F) != 0; }
constexpr bool Rop3UsesDest(uint8_t code) { return (((code >> 1) ^ code) & 0x55) != 0; }

// The ternary code of a binary pen operation (R2_BLACK .. R2_WHITE); the
// source does not matter to it. R2_COPYPEN for codes out of range.
uint8_t Rop3FromRop2(int rop2);

// Bitwise value of `code` for pattern p, source s and destination d.
constexpr uint32_t EvaluateRop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
  uint32_t out = 0;
  for (int m = 0; m < 8; ++m) {
    if (((code >> m) & 1) == 0) continue;
    out |= ((m & 4) ? p : ~p) & ((m & 2) ? s : ~s) & ((m & 1) ? d : ~d);
  }
  return out;
}

// One row of an operation: `count` pixels from (x, y) of the surface.
// Pattern: `pattern` per pixel, else `solid_pattern`; source per pixel when
// the code uses it; where `mask` is given, only pixels with a non-zero mask
// byte change.
struct RowOperation {
  uint8_t code = 0xCC;
  const uint32_t* pattern = nullptr;
  uint32_t solid_pattern = 0;
  const uint32_t* source = nullptr;
  const uint8_t* mask = nullptr;
};

// Applies `op` to the row; `scratch` is reused between rows.
void ApplyRow(Surface& surface, int y, int x, int count, const RowOperation& op, std::vector<uint32_t>& scratch);

}  // namespace plat::gdi

#endif  // PLAT_GDI_ROP_H_
