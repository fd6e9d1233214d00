// The two read-only KOL1 raster formats (fileFormat 215 and 250). Both carry
// one-bit images coded with the one-bit run coder (compression 217); the
// readers parse the header and move the coded bytes into a compressed object
// for the decode dispatch.
#ifndef PELRITH_INTERCHANGE_KOL1_KOL1_FILE_H_
#define PELRITH_INTERCHANGE_KOL1_KOL1_FILE_H_

#include "core/objects/object.h"
#include "core/system/system.h"

// fileFormat 215: 27-byte header with width, height and a palette colour.
// 11 for a source that is not a MonochromeImage or GenericImage; 22 for a
// malformed header, a zero width or height, or coded data past the file's
// end; 10 for a data pass into an object that is not boolean.
[[nodiscard]] int ReadRunRasterFile(IpiSystem* sys, IpiObject* file, IpiObject* compressed, int read_mode);
// fileFormat 250: 32-byte header with the width; the height is the number of
// coded rows. 11 for a wrong magic or a target that is not a MonochromeImage
// or GenericImage; 22 for a short header, a zero width, no coded row, or
// coded data past the file's end.
[[nodiscard]] int ReadRunStreamFile(IpiSystem* sys, IpiObject* file, IpiObject* compressed, int read_mode);

#endif  // PELRITH_INTERCHANGE_KOL1_KOL1_FILE_H_
