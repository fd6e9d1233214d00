// The pixel pass of the TIFF reader: the strips of one image, read where the
// directory says they lie, into the target image. Pixel-interleaved red,
// green, blue samples are split into bands, packed samples unpacked, the fill
// order applied; strips of coded data are copied unchanged for a later
// decode. Stored row r lies in strip r / rows_per_strip, so each strip is
// addressed on its own and a strip with padding behind its rows cannot shift
// the rows after it.
#ifndef PELRITH_INTERCHANGE_TIFF_TIFF_STRIPS_H_
#define PELRITH_INTERCHANGE_TIFF_TIFF_STRIPS_H_

#include <cstdint>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/io/bit_reader.h"
#include "interchange/io/byte_reader.h"
#include "interchange/tiff/tiff_source.h"

// How the samples of one pixel lie in a stored row.
enum class TiffSampleForm {
  kBilevel,        // 1 bit, one sample: boolean elements
  kNibbles,        // 4 bits, one sample, two pixels a byte (the first in the high nibble)
  kBytes,          // 8 bits, one sample
  kRgb,            // 8 bits, three samples: red, green, blue bytes of each pixel
  kPackedColour16  // one 16-bit word a pixel holding three 5-bit colour values
};

// Stored row bytes of `width_px` pixels of that form (one definition for the
// directory checks and the pixel pass).
[[nodiscard]] int64_t TiffStoredRowBytes(TiffSampleForm form, int64_t width_px);

// The validated description of one image's strips (the directory reader
// checked every strip against the source and the geometry against the
// library's limits).
struct TiffStripLayout {
  TiffSampleForm form = TiffSampleForm::kBytes;
  int64_t width_px = 0;
  int64_t height_px = 0;
  int64_t stored_row_bytes = 0;
  int64_t rows_per_strip = 0;  // 1 .. height_px
  // One entry per strip, ceil(height_px / rows_per_strip) of them; each
  // strip lies inside the source.
  std::vector<uint64_t> offsets;
  std::vector<uint64_t> byte_counts;
  FillOrder fill_order = FillOrder::kMsbFirst;
  ByteOrder byte_order = ByteOrder::kBigEndian;  // of 16-bit words
  int32_t compression = 0;  // 0: plain samples; else the coded data's "compression"
  uint64_t coded_bytes = 0;  // the byte counts added up
};

// Fills `target` from the strips. Plain data: rows and columns up to the
// smaller of the stored image and the target; a target with
// "pixelInterpretation" 225 (a packed bitmap's rows) gets bottom-up rows of
// blue, green, red pixels or packed indices, clipped to its row length, the
// rest of each row 0. Rows whose bytes a strip does not hold are 0. Coded
// data: the strips one after the other from byte 0 of the target's data, whose
// "size" becomes their total.
// Codes: 12 when the target is coded and the data plain or the reverse (or
// coded in another compression), or a packed-bitmap row is too short; 10 for
// a target whose data type or stored element size does not fit the form;
// 22 for a strip that does not lie inside the source; the stream layer's and
// the source's errors.
[[nodiscard]] int ReadTiffStrips(IpiSystem* sys, TiffSource& source, const TiffStripLayout& layout,
                                 IpiObject* target);

// Row kernels of the pixel pass, exposed for their tests.
// A stored 1-bit or 4-bit row in fill order 2 turned into fill order 1:
// every byte mirrored (bit 0 <-> bit 7), `count` bytes.
void MirrorRowBytes(const uint8_t* stored, int64_t count, uint8_t* out);
// 16-bit packed colour words, each taken in `order`: band 0 = bits 9-5,
// band 1 = bits 14-10, band 2 = bits 4-0, each 5-bit value v widened to
// v x 8 + 7 (0 stays 0).
void UnpackPackedColourBand(const uint8_t* stored, int64_t count, ByteOrder order, int band, uint8_t* out);

#endif  // PELRITH_INTERCHANGE_TIFF_TIFF_STRIPS_H_
