// GIF files (fileFormat 92) at the file layer: the writer wraps the LZW code
// stream held by a compressed object (compression 136) in a GIF file, the
// reader fills such an object from the first image of a file, with the
// palette in its lookup table. The library has no LZW coder, so the code
// stream travels exactly as it stands.
#ifndef PELRITH_INTERCHANGE_GIF_GIF_FILE_H_
#define PELRITH_INTERCHANGE_GIF_GIF_FILE_H_

#include "core/objects/object.h"
#include "core/system/system.h"

// "version" values.
inline constexpr int32_t kGifVersion87a = 236;
inline constexpr int32_t kGifVersion89a = 237;

// Writes the "size" code bytes of `compressed` as a GIF file through `file`.
// 11 unless both are MonochromeImage or GenericImage objects; 12 for a
// compression other than 136, a precision outside 1 to 8, a stored code size
// the palette cannot use, or values a GIF file cannot hold.
[[nodiscard]] int WriteGifFile(IpiSystem* sys, IpiObject* compressed, IpiObject* file);
// Reads the first image of the GIF file `file` into `compressed` (read modes
// 172, 171, 0). 11 for a wrong class, 22 for a malformed or cut file.
[[nodiscard]] int ReadGifFile(IpiSystem* sys, IpiObject* file, IpiObject* compressed, int read_mode);

// The precision a GIF code stream decodes to: 1, 4 or 8 bits per element
// (2 and 3 stated bits give 4, 5 to 7 give 8).
[[nodiscard]] int32_t GifDecodedPrecision(int32_t stated);

#endif  // PELRITH_INTERCHANGE_GIF_GIF_FILE_H_
