// What the path functions take from the figure code.
#ifndef PLAT_GDI_SHAPES_H_
#define PLAT_GDI_SHAPES_H_

#include <vector>

#include "plat/gdi_surface.h"

namespace plat::gdi {

// The DC's pen along `points` (surface pixels), closed back to the first
// point when `is_closed`.
void StrokeSurfacePolyline(DeviceContext& dc, const std::vector<POINT>& points, bool is_closed);

}  // namespace plat::gdi

#endif  // PLAT_GDI_SHAPES_H_
