// Packed bitmaps in caller memory (info header, colour table, bottom-up rows)
// to image objects and back: the road every image of the library's entry
// points travels. Memory is always bounded by the caller's "size" pair: a
// read never passes it, and an export that would not fit is refused with 8
// before a byte of the caller's memory is written.
#ifndef PELRITH_INTERCHANGE_DIB_DIB_H_
#define PELRITH_INTERCHANGE_DIB_DIB_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// One reader pass over the bitmap at `address`: `format` 255 (packed bitmap)
// or 225 (with the BMP file header), else 18; a read mode other than 0, 171,
// 172 gives 18; no address 18; a missing "size" pair, or one below 1, 8. All
// before anything is touched. The image's "fileFormat" becomes `format`, and
// the reader's status (bmp_codec.h) is returned.
[[nodiscard]] int IpiReadDibFromAddressSpace(IpiSystem* sys, const void* address, IpiObject* image, int32_t format,
                                             int read_mode, const IpiAttribute* pairs, int count);

// Imports the bitmap into `image` (its "lut", when attached, gets the colour
// table): header pass, then the data pass, or for run-length coded data
// (compression 234) a copy of the coded body in a temporary holder decoded
// into the image, which ends plain (compression 0). Another compression
// gives 12.
[[nodiscard]] int IpiImportDib(IpiSystem* sys, const void* address, IpiObject* image, int32_t format,
                               const IpiAttribute* pairs, int count);

// One writer call: the stored form of `image` in `format` (225, 255, or 271
// for header and colour table only; else 18) at `address`, which holds the
// number of bytes given by the "size" pair (8 when missing or below 1). The
// other pairs shape the written object (e.g. "dataPrecision").
[[nodiscard]] int IpiWriteDibToAddressSpace(IpiSystem* sys, IpiObject* image, void* address, int32_t format,
                                            const IpiAttribute* pairs, int count);

// Exports the plain `image` (12 when it holds coded data) as a packed bitmap.
// The pair "compression" 0 (the default) writes plain rows, 234 run-length
// codes the rows at the pair "dataPrecision" (default the image's: 8 or 4)
// first; another compression gives 12. Its length: bmp_codec.h; it must fit
// the "size" pair (8, nothing written).
[[nodiscard]] int IpiExportDib(IpiSystem* sys, IpiObject* image, void* address, int32_t format,
                               const IpiAttribute* pairs, int count);

#endif  // PELRITH_INTERCHANGE_DIB_DIB_H_
