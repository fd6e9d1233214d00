// SGI image files (fileFormat 269), written only: a 512-byte header and three
// uncompressed 8-bit channels, each as its rows from the bottom row up.
#ifndef PELRITH_INTERCHANGE_SGI_SGI_FILE_H_
#define PELRITH_INTERCHANGE_SGI_SGI_FILE_H_

#include "core/objects/object.h"
#include "core/system/system.h"

// Writes a three-band image of dataType 153. 10 for another data type or
// band count; 12 for elements not stored in 8 bits, a width or height outside
// 1 to 65535 (the header's 16-bit fields), or more than one z or t plane.
[[nodiscard]] int WriteSgiFile(IpiSystem* sys, IpiObject* image, IpiObject* file);

#endif  // PELRITH_INTERCHANGE_SGI_SGI_FILE_H_
