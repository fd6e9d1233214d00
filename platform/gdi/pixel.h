// The one conversion between COLORREF (0x00BBGGRR) and a 32-bit surface pixel
// (0x00RRGGBB, bytes B,G,R,X in memory).
#ifndef PLAT_GDI_PIXEL_H_
#define PLAT_GDI_PIXEL_H_

#include <cstdint>

#include "plat/types.h"

namespace plat::gdi {

constexpr uint32_t PixelFromColour(COLORREF colour) {
  return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}
constexpr COLORREF ColourFromPixel(uint32_t pixel) {
  return ((pixel & 0xFF) << 16) | (pixel & 0xFF00) | ((pixel >> 16) & 0xFF);
}
// Palette-index and flag forms of a COLORREF are taken as plain RGB.
constexpr COLORREF PlainColour(COLORREF colour) { return colour & 0x00FFFFFF; }

}  // namespace plat::gdi

#endif  // PLAT_GDI_PIXEL_H_
