// Palettes and fill levels of the entry points: grey-ramp palettes, the
// sample value that paints white in an image, and images filled with one
// level per band.
#ifndef PELRITH_API_FRAME_FILL_LEVELS_H_
#define PELRITH_API_FRAME_FILL_LEVELS_H_

#include <array>
#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// Loads `palette` with a grey ramp of 2, 16 or 256 entries for an image of
// precision 1, 4 or 8 (entry 0 black; white when `inverted`). 18 for another
// precision, else the import's result.
[[nodiscard]] int FillGrayRamp(IpiSystem* sys, IpiObject* palette, int32_t precision, bool inverted);

// The sample value that paints white in `image`: the palette entry of the
// greatest lightness ((max + min + 1) / 2; the later entry wins ties), 255
// without a palette or with several bands. A 4-bit level fills both pixels of
// a byte; a 1-bit level is 255 for entry 1, else 0. An inquiry error is
// stored in `*status` and gives 255.
[[nodiscard]] int32_t DefaultFillLevel(IpiSystem* sys, IpiObject* image, int32_t* status);

// The fill level of each of up to three bands: `levels[j]` where it is 0 or
// more, else the image's default level.
[[nodiscard]] std::array<int32_t, 3> ResolveFillLevels(IpiSystem* sys, IpiObject* image,
                                                       const std::array<int32_t, 3>& levels, int32_t* status);

// Fills every sample of band j of `image` with `levels[j]` (a non-zero level
// sets every bit of a 1-bit image; a 4-bit level fills both pixels of a
// byte). 0 or the copy's error.
[[nodiscard]] int FillImageWithLevels(IpiSystem* sys, IpiObject* image, const std::array<int32_t, 3>& levels);

#endif  // PELRITH_API_FRAME_FILL_LEVELS_H_
