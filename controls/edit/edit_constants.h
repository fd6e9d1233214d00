// The image edit control's own enumerations: the shared acquisition and
// error constants, plus the values only this control's type library has.
#ifndef CONTROLS_EDIT_EDIT_CONSTANTS_H_
#define CONTROLS_EDIT_EDIT_CONSTANTS_H_

#include <cstdint>

#include "plat/acquire/acquire_constants.h"

namespace ondavel {

using plat::CompressionConstants;
using plat::ErrorConstants;
using plat::ImageColorConstants;
using plat::MediaFormatConstants;

// MediaFormatConstants beyond the shared ones.
constexpr int16_t qrvFileZoltra = 107;  // readable, not offered for saving

// ImageColorConstants beyond the shared ones (names only: no operation takes them).
constexpr int16_t qrvColor4 = 2;
constexpr int16_t qrvColor8 = 3;
constexpr int16_t qrvColor32 = 5;
constexpr int16_t qrvColor64 = 6;
constexpr int16_t qrvColor128 = 7;
constexpr int16_t qrvColor32K = 10;
constexpr int16_t qrvColor64K = 11;

// InputSourceConstants beyond the shared ones.
constexpr int16_t qrvSrcFile = 1;

enum CommonConstants : int16_t { qrvUnknown = -1 };

enum DirectionConstants : int16_t {
  qrvDirectionBoth = 1,
  qrvDirectionHorz = 2,
  qrvDirectionVert = 3,
};

enum VertPosConstants : int16_t {
  qrvVertPosCenter = 1,
  qrvVertPosTop = 2,
  qrvVertPosBottom = 3,
};

enum HorzPosConstants : int16_t {
  qrvHorzPosCenter = 1,
  qrvHorzPosLeft = 4,
  qrvHorzPosRight = 5,
};

enum MorphologyConstants : int16_t {
  qrvMorphologyNone = 1,
  qrvMorphologyOn = 2,
  qrvMorphologyOff = 3,
};

enum InterpolationConstants : int16_t {
  qrvInterNearest = 1,
  qrvInterBilinear = 2,
  qrvInterBSpline = 3,
  qrvInterConvolution = 4,
};

enum ReductionConstants : int16_t {
  qrvReductionDiffusion = 1,
  qrvReductionPattern = 2,
  qrvReductionNone = 3,
  qrvReductionThreshold = 4,
};

enum CalculateConstants : int16_t {
  qrvCalcAdd = 1,
  qrvCalcSubtract = 2,
  qrvCalcMultiply = 3,
  qrvCalcDivide = 4,
  qrvCalcOr = 5,
  qrvCalcAnd = 6,
  qrvCalcNor = 7,
  qrvCalcNand = 8,
  qrvCalcXor = 9,
  qrvCalcDarker = 10,
  qrvCalcLighter = 11,
  qrvCalcDifference = 12,
};

}  // namespace ondavel

#endif  // CONTROLS_EDIT_EDIT_CONSTANTS_H_
