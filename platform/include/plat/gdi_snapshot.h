// Snapshots of surfaces as PNG files (8-bit RGB), for tests and the
// headless backend. The file is replaced atomically.
#ifndef PLAT_GDI_SNAPSHOT_H_
#define PLAT_GDI_SNAPSHOT_H_

#include <string>

#include "plat/gdi_surface.h"

namespace plat::gdi {

// Writes `area` (surface pixels, clipped to the surface) of `surface` to
// `path`; false when the area is empty or the file cannot be written, and
// then an earlier file at `path` is left as it was.
[[nodiscard]] bool WriteSurfacePng(const Surface& surface, const RECT& area, const std::string& path);

}  // namespace plat::gdi

#endif  // PLAT_GDI_SNAPSHOT_H_
