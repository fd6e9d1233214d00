// Shared by the encoder and decoder of the DCT codec: the MCU layout chosen by
// "samplingFactor", the checked geometry of a coding run and the quantizer
// entries of the tables.
#ifndef PELRITH_INTERCHANGE_JPEG_DCT_JPEG_DCT_INTERNAL_H_
#define PELRITH_INTERCHANGE_JPEG_DCT_JPEG_DCT_INTERNAL_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/jpeg_dct/jpeg_dct_tables.h"

struct McuLayout {
  int width_px = 8;       // 8 or 16
  int height_px = 8;      // 8 or 16
  int luma_columns = 1;   // luminance blocks across an MCU
  int luma_rows = 1;      // and down
  int chroma_x_shift = 0; // 1 when chrominance covers two pixels across
  int chroma_y_shift = 0; // and down
  bool colour = false;    // three bands: Y blocks, then one Cb and one Cr block
  int luma_blocks() const { return luma_columns * luma_rows; }
};

// The layout of one band (8 x 8), or of three bands by sampling code; false
// for a code outside 238, 239, 240, 273.
[[nodiscard]] bool ChooseMcuLayout(bool colour, int32_t sampling, McuLayout& out);

// The extents the scan covers, from the compressed object.
struct ScanGeometry {
  int64_t width = 0;
  int64_t height = 0;
  int64_t depth = 1;   // z
  int64_t frames = 1;  // t
  int64_t mcus_across = 0;
  int64_t mcu_rows = 0;  // per plane
  int32_t restart_interval = 0;
};

// Reads the extents and "restartInterval" of `compressed` and checks that
// `image` has the same extents and at least `bands` bands: 12 otherwise, 18 for
// a restart interval outside 0 to 65535. Reports what it refuses.
[[nodiscard]] int CheckScanGeometry(IpiSystem* sys, IpiObject* compressed, IpiObject* image, int bands,
                                    const McuLayout& layout, ScanGeometry& out);

// Element index of the first element of row y of plane (b, t, z).
[[nodiscard]] inline int64_t RowElement(const ScanGeometry& g, int64_t band, int64_t frame, int64_t slice, int64_t y) {
  return g.width * (y + g.height * (slice + g.depth * (frame + g.frames * band)));
}

int EncodeJpegDctScan(IpiSystem* sys, IpiObject* image, IpiObject* compressed, const McuLayout& layout);
int DecodeJpegDctScan(IpiSystem* sys, IpiObject* compressed, IpiObject* image, const McuLayout& layout);

#endif  // PELRITH_INTERCHANGE_JPEG_DCT_JPEG_DCT_INTERNAL_H_
