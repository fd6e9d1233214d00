// The one reader and the one writer of device-independent bitmaps, shared
// by three fileFormat codes: 225 BMP file (file header in front), 255 packed
// bitmap (info header, colour table, rows) and 271 (info header and colour
// table only; written, never read). Rows are stored bottom-up and padded to
// 4 bytes; run-length coded bodies (compression 234) are carried unchanged
// and coded by bmp_run_length.h.
#ifndef PELRITH_INTERCHANGE_BMP_BMP_CODEC_H_
#define PELRITH_INTERCHANGE_BMP_BMP_CODEC_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// Writes `image` into `target` (a file, 83, or caller memory, 9, made from the
// image as template) as a 40-byte-header bitmap. The depth: 32 bits for a
// colour or generic image of 4 bands, 24 for 3 bands of 8 bits, else the
// target's precision 1, 4 or 8 with a colour table from the image's "lut" or
// the standard one (black and white; 16 grey levels; 256 grey levels). With
// the target's "compression" 234 the image holds a coded body of its "size"
// bytes, written as it is. Resolutions are written only for 225 targets whose
// BMP group has "resolutionUnit" 145.
// Caller memory must state its size in "size": a stored form that does not
// fit is refused with 8 before any byte is written.
// Other codes: 18 another format or an empty image; 12 a compression other
// than 0 and 234, a depth without a stored form, run-length coding at a depth
// other than 4 and 8; 10 data types that do not match the depth; 3 beyond
// the library's limits; else the stream's error.
[[nodiscard]] int WriteBmpFile(IpiSystem* sys, IpiObject* image, IpiObject* target, int32_t format);

// Reads the bitmap behind `source` (caller memory of its real "size", or a
// file) into `image`. `format` 225 expects the file header; any other code a
// packed bitmap. Read modes: 172 sets the image's attributes and its "lut"
// (the colour table, 2^bits entries, those the file lacks 0) and reads no
// pixels; 171 moves the pixels into an image prepared by a 172 pass; 0 both.
// Header sizes 40, 52, 56, 108 and 124 are read (fields past the first 40
// ignored); 12- and 64-byte headers give 12, others 22.
// The data pass writes every stored row that is there and ends with 22 when
// rows are missing. A run-length body is copied unchanged into the image's
// data and the image's "size" becomes its length; decoding it is the caller's
// next step. An image with "pixelInterpretation" 225 (packed_bitmap_rows.h)
// takes the rows in stored order; 16- and 32-bit pixels become 3-byte blue,
// green, red pixels and the rest of each row is 0.
// Other codes: 18 a read mode other than 0, 171, 172; 11 an image class
// that cannot hold the depth; 10 an image whose data type or precision
// does not match; 12 coded data into a plain image or the reverse, or a
// packed-bitmap row too short; 3 beyond the library's limits; 8 caller memory
// without its size; and the errors of SourceBytes::Load.
[[nodiscard]] int ReadBmpFile(IpiSystem* sys, IpiObject* source, IpiObject* image, int read_mode, int32_t format);

#endif  // PELRITH_INTERCHANGE_BMP_BMP_CODEC_H_
