// The colour-mode conversions that run over the caller's rows: no image
// object, no whole-page intermediate. Each stored row is read in place and
// its result row written straight into the one packed bitmap returned, by
// the core's own row kernels (luminance weights, threshold, colour table).
// Internal to this folder.
#ifndef PELRITH_API_COLOUR_MODES_STREAMED_MODES_H_
#define PELRITH_API_COLOUR_MODES_STREAMED_MODES_H_

#include <cstdint>

#include "api/frame/call_frame.h"

// The result depth of a colour-mode entry point.
enum class ModeTarget { kRgb, kGrey, kBitmap };

// What a colour-mode call asks for: the source's mode, and for bitmaps the
// method and threshold.
struct ModeRequest {
  ModeTarget target = ModeTarget::kRgb;
  int32_t source_mode = 0;
  int32_t method = 0;
  int32_t threshold = 0;
};

// Whether the streamed road takes the request on this (checked) bitmap:
// plain 8-bit rows (palette or grey) into RGB, grey or a thresholded bitmap,
// and plain 24-bit rows into grey or a thresholded bitmap. Every other case
// keeps the road through image objects.
[[nodiscard]] bool CanStreamColourMode(const PackedBitmapInfo& info, const ModeRequest& request);

// The conversion as a new packed bitmap, with the header and colour table the
// export writes for its shape; closes the call. 0 with the status set when
// the handle cannot be had (-1) or the close fails.
[[nodiscard]] HGLOBAL StreamColourMode(CmiCall& call, const CmiSource& source, const ModeRequest& request);

#endif  // PELRITH_API_COLOUR_MODES_STREAMED_MODES_H_
