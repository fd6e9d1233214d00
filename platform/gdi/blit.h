// The blit engine every blit, stretch and DIB drawing function goes through.
#ifndef PLAT_GDI_BLIT_H_
#define PLAT_GDI_BLIT_H_

#include <cstdint>

#include "plat/gdi_surface.h"

namespace plat::gdi {

struct BlitSource {
  const Surface* surface = nullptr;  // null when the operation takes no source
  RECT rect{};                       // surface pixels; right < left or bottom < top mirrors
  COLORREF bk_colour = 0xFFFFFF;     // the source DC's, for colour to monochrome
};

// A monochrome mask choosing per pixel between two codes: where its bit is
// 1 the blit's own code applies, where it is 0 `back_code`. `origin` is the
// mask pixel under the destination's top-left corner.
struct BlitMask {
  const Surface* surface = nullptr;
  POINT origin{};
  uint8_t back_code = 0xAA;
};

// Applies ternary `code` over `dest` (surface pixels of the DC's surface;
// a reversed side mirrors) inside the DC's clip, with the DC's brush and
// stretch mode. Destination pixels whose source lies outside the source
// surface stay as they are. With `mask`, the blit is 1:1 and the mask
// covers the destination.
void Blit(DeviceContext& dc, const RECT& dest, const BlitSource& source, uint8_t code, const BlitMask* mask = nullptr);

}  // namespace plat::gdi

#endif  // PLAT_GDI_BLIT_H_
