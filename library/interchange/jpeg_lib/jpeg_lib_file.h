// JPEG files through libjpeg (fileFormat 274): the writer compresses an
// image by itself, baseline or progressive, grey or colour; the reader
// decodes a file into a plain image. libjpeg errors become statuses: 22 for
// damaged data, -1 for memory and I/O only.
#ifndef PELRITH_INTERCHANGE_JPEG_LIB_JPEG_LIB_FILE_H_
#define PELRITH_INTERCHANGE_JPEG_LIB_JPEG_LIB_FILE_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// "samplingFactor" codes: the luminance sampling factors, horizontal x
// vertical; chrominance is always 1 x 1.
inline constexpr int32_t kJpegLibSampling1x1 = 238;
inline constexpr int32_t kJpegLibSampling2x1 = 239;
inline constexpr int32_t kJpegLibSampling2x2 = 240;
inline constexpr int32_t kJpegLibSampling1x2 = 273;

// Writes `image` into the file object (fileFormat 274, "compression" 0, the
// same class as the image) with its "quarityFactor", "samplingFactor" and
// JPEG group "progressive". The file has the file object's extents; each
// pixel comes from the image where the two overlap by their match points,
// the rest is 0. 12 for another format, class or compression, a sampling
// code outside the four, samples other than 8-bit dataType 153, or more than
// one z or t plane; 10 for a band count other than 1 or 3; 3 for extents
// beyond libjpeg's. The file object's "size" becomes the bytes written.
// An image with "pixelInterpretation" 225 (packed_bitmap_rows.h) is read as
// a packed bitmap's rows in place: the file object's extents give the
// picture (1 component: a byte a pixel; 3: blue, green, red bytes), whose
// rows must fit the stored rows, with no match-point offset (12 otherwise).
[[nodiscard]] int WriteJpegLibFile(IpiSystem* sys, IpiObject* image, IpiObject* file);

// Reads the JPEG file behind `source` (caller memory of its real "size", or
// a file). 172 sets the target's attributes (extents, 8-bit dataType 153,
// "samplingFactor", "progressive", ...) and a grey ramp into its "lut" for a
// one-component file; 171 decodes into a target of 8-bit samples (10
// otherwise) that overlap the file by their match points; 0 does both.
// 22 for damaged data, also for a file cut short or with corrupt entropy
// data, whose decoded rows are kept; 12 for coding variants libjpeg does not
// decode (12-bit samples); 19 for a data pass over a file of neither 1 nor 3
// components; 3 beyond the library's limits; 18 for another read mode.
[[nodiscard]] int ReadJpegLibFile(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode);

#endif  // PELRITH_INTERCHANGE_JPEG_LIB_JPEG_LIB_FILE_H_
