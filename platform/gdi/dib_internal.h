// DIB headers inside the drawing layer: the gate's parser, also used for the
// caller's BITMAPINFO of CreateDIBSection and the DIB drawing functions, and
// a surface that reads a DIB's rows in place.
#ifndef PLAT_GDI_DIB_INTERNAL_H_
#define PLAT_GDI_DIB_INTERNAL_H_

#include <cstdint>
#include <memory>
#include <optional>

#include "plat/gdi_surface.h"
#include "plat/packed_dib.h"

namespace plat::gdi {

// The gate's checks over `size` bytes; without `need_bits` the rows are not
// required to follow (a header and table given apart from its bits).
std::optional<DibView> ParseDib(const void* block, uint64_t size, bool need_bits);
// A surface whose rows are the DIB's own (`bits`, else the view's); null for
// run-length data. The surface does not own the rows.
std::shared_ptr<Surface> SurfaceOverDib(const DibView& view, const BYTE* bits);

}  // namespace plat::gdi

#endif  // PLAT_GDI_DIB_INTERNAL_H_
