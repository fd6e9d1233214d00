// Pieces the geometry entry points and the page resampling share: the
// interface codes and their mapping to the library's codes, the fill levels
// of the options, the size check of a new image, new images made from a
// source and filled, and pasting one image into another at a point.
// Internal to this folder.
#ifndef PELRITH_API_GEOMETRY_GEOMETRY_COMMON_H_
#define PELRITH_API_GEOMETRY_GEOMETRY_COMMON_H_

#include <array>
#include <initializer_list>
#include <cstdint>

#include "api/frame/options.h"
#include "api/frame/rectangle.h"
#include "api/frame/scoped_system_attributes.h"
#include "core/objects/object.h"
#include "core/system/system.h"

// Interpolation of the interface (argument of resize and subsample, option
// "interpolation" of the rotation and the skew).
inline constexpr int32_t kCmiInterpolationNearest = 8;
inline constexpr int32_t kCmiInterpolationBilinear = 9;
inline constexpr int32_t kCmiInterpolationBSpline = 10;
inline constexpr int32_t kCmiInterpolationCubicConvolution = 11;

// Morphology of the interface: which thin features a two-level reduction keeps.
inline constexpr int32_t kCmiMorphologyNone = 0;
inline constexpr int32_t kCmiMorphologyKeepOnes = 12;
inline constexpr int32_t kCmiMorphologyKeepZeros = 13;

// Fill levels: one per band, negative meaning the image's own white.
using FillLevels = std::array<int32_t, 3>;
inline constexpr FillLevels kDefaultFillLevels = {-1, -1, -1};
inline constexpr int32_t kMaxFillLevel = 255;

// The library's interpolation for 8..11; false for any other code.
[[nodiscard]] bool MapInterpolation(int32_t code, int32_t* interpolation);
// The library's morphological operation for 0, 12, 13; false for any other.
[[nodiscard]] bool MapMorphology(int32_t code, int32_t* morphology);
// The option "interpolation" of the warping entry points: 8 (the default) or
// 9; false for any other value.
[[nodiscard]] bool ReadWarpInterpolation(const CmiOptions& options, int32_t* interpolation);
// The options "constantLevel", "constantLevel2", "constantLevel3" (absent or
// negative: the image's white); false when one is above 255.
[[nodiscard]] bool ReadFillLevelOptions(const CmiOptions& options, FillLevels* levels);

// The size of a new image given by a caller: 0; -100 when a side is below 1;
// 3 beyond the library's limits.
[[nodiscard]] int CheckNewImageSize(int64_t width, int64_t height);

// The levels written into the samples of `image`: negative entries replaced by
// the image's white, a 4-bit level reduced to its index (samples of 4-bit
// images are held one to a byte). An inquiry error goes to `*rc`.
[[nodiscard]] FillLevels SampleLevels(IpiSystem* sys, IpiObject* image, const FillLevels& levels, int* rc);

// A new image `width` x `height` made from `source` (its type, bands, palette,
// repository and format attributes), match points at the origin and without
// byte-widened rows. When `levels` is given every sample is filled with them.
// Null with the context's last error in `*rc`. The new image is derived from
// `source`: deleting `source` deletes it too.
[[nodiscard]] IpiObject* MakeImageLike(IpiSystem* sys, IpiObject* source, const char* name, int64_t width,
                                       int64_t height, const FillLevels* levels, int* rc);


#endif  // PELRITH_API_GEOMETRY_GEOMETRY_COMMON_H_
