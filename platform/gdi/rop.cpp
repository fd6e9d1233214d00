// Raster operations on rows of raw pixels. The result is masked to the
// format's bits, so the spare byte of 32-bit pixels stays 0.
#include "gdi/rop.h"

#include <cstring>

namespace plat::gdi {

uint8_t Rop3FromRop2(int rop2) {
  if (rop2 < R2_BLACK || rop2 > R2_WHITE) rop2 = R2_COPYPEN;
  // Bit (p << 1 | d) of rop2 - 1 is the result for pen bit p and destination bit d.
  const int table2 = rop2 - 1;
  uint8_t code = 0;
  for (int m = 0; m < 8; ++m) {
    const int p = (m >> 2) & 1, d = m & 1;
    if ((table2 >> (p << 1 | d)) & 1) code |= uint8_t(1u << m);
  }
  return code;
}

namespace {

template <class F>
void Loop(uint32_t* d, int count, const RowOperation& op, uint32_t mask_bits, F f) {
  const uint32_t* p = op.pattern;
  const uint32_t* s = op.source;
  const uint32_t sp = op.solid_pattern;
  for (int i = 0; i < count; ++i) {
    if (op.mask && op.mask[i] == 0) continue;
    d[i] = f(p ? p[i] : sp, s ? s[i] : 0, d[i]) & mask_bits;
  }
}

}  // namespace

void ApplyRow(Surface& surface, int y, int x, int count, const RowOperation& op, std::vector<uint32_t>& scratch) {
  if (count <= 0) return;
  if (scratch.size() < static_cast<size_t>(count)) scratch.resize(static_cast<size_t>(count));
  uint32_t* d = scratch.data();
  const uint8_t code = op.code;
  if (code == 0xAA) return;  // the destination itself
  if (Rop3UsesDest(code) || op.mask) surface.ReadRaw(y, x, count, d);
  const uint32_t bits = surface.RawMask();
  switch (code) {
    case 0xCC: Loop(d, count, op, bits, [](uint32_t, uint32_t s, uint32_t) { return s; }); break;
    case 0x88: Loop(d, count, op, bits, [](uint32_t, uint32_t s, uint32_t dv) { return s & dv; }); break;
    case 0xEE: Loop(d, count, op, bits, [](uint32_t, uint32_t s, uint32_t dv) { return s | dv; }); break;
    case 0x66: Loop(d, count, op, bits, [](uint32_t, uint32_t s, uint32_t dv) { return s ^ dv; }); break;
    case 0xF0: Loop(d, count, op, bits, [](uint32_t p, uint32_t, uint32_t) { return p; }); break;
    case 0x5A: Loop(d, count, op, bits, [](uint32_t p, uint32_t, uint32_t dv) { return p ^ dv; }); break;
    case 0x55: Loop(d, count, op, bits, [](uint32_t, uint32_t, uint32_t dv) { return ~dv; }); break;
    case 0x00: Loop(d, count, op, bits, [](uint32_t, uint32_t, uint32_t) { return 0u; }); break;
    case 0xFF: Loop(d, count, op, bits, [](uint32_t, uint32_t, uint32_t) { return ~0u; }); break;
    case 0xE2:  // D ^ (S & (P ^ D)): the pattern where the source is 1
      Loop(d, count, op, bits, [](uint32_t p, uint32_t s, uint32_t dv) { return dv ^ (s & (p ^ dv)); });
      break;
    case 0xA0: Loop(d, count, op, bits, [](uint32_t p, uint32_t, uint32_t dv) { return p & dv; }); break;
    default: Loop(d, count, op, bits, [code](uint32_t p, uint32_t s, uint32_t dv) { return EvaluateRop3(code, p, s, dv); });
  }
  surface.WriteRaw(y, x, count, d);
}

}  // namespace plat::gdi
