// Codes of the geometric operators: flip and turn codes, interpolation codes
// (the system's "interpolation"), morphological codes ("morphologicalOperation")
// and threshold ramps ("thresholdRamp") of two-level resampling.
#ifndef PELRITH_CORE_OPERATORS_GEOMETRY_GEOMETRY_CODES_H_
#define PELRITH_CORE_OPERATORS_GEOMETRY_GEOMETRY_CODES_H_

#include <cstdint>

// Flips and turns, in the order of the object's rows and columns (row 0 first).
inline constexpr int32_t kFlipTopToBottom = 208;   // rows reversed, columns kept
inline constexpr int32_t kFlipLeftToRight = 117;   // columns reversed, rows kept
inline constexpr int32_t kTurnHalf = 1;            // rows and columns reversed
inline constexpr int32_t kTurnQuarterLeft = 3;     // the right column, top to bottom, becomes row 0
inline constexpr int32_t kTurnQuarterRight = 2;    // the left column, bottom to top, becomes row 0

// "interpolation"
inline constexpr int32_t kInterpolationNearest = 191;
inline constexpr int32_t kInterpolationBilinear = 192;
inline constexpr int32_t kInterpolationBSpline = 194;            // cubic B-spline, 4 x 4
inline constexpr int32_t kInterpolationCubicConvolution = 195;   // a = -0.5, 4 x 4
inline constexpr int32_t kInterpolationAreaAverage = 272;

// "morphologicalOperation": which thin features a two-level reduction keeps.
inline constexpr int32_t kMorphologyNone = 0;
inline constexpr int32_t kMorphologyKeepOnes = 46;
inline constexpr int32_t kMorphologyKeepZeros = 71;

// "thresholdRamp": how the decision threshold falls with the reduction; any
// other value is a cosine window.
inline constexpr int32_t kRampCube = 42;
inline constexpr int32_t kRampSquare = 181;
inline constexpr int32_t kRampLinear = 211;

#endif  // PELRITH_CORE_OPERATORS_GEOMETRY_GEOMETRY_CODES_H_
