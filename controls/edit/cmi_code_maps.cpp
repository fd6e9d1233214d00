// The code tables between the control's enumerations and the library's
// codes. Each table is a switch so that an unlisted code falls to the value
// its table names for "anything else".
#include "cmi_code_maps.h"

#include "Pelrith.h"
#include "edit_constants.h"

namespace ondavel {

namespace {

// Library flip and skew directions, interpolations, morphologies and
// colour-reduction methods as the entry points take them.
constexpr int32_t kCmiDirectionRows = 48;
constexpr int32_t kCmiDirectionColumns = 49;
constexpr int32_t kCmiInterpolationNearest = 8;
constexpr int32_t kCmiInterpolationBilinear = 9;
constexpr int32_t kCmiInterpolationBSpline = 10;
constexpr int32_t kCmiInterpolationConvolution = 11;
constexpr int32_t kCmiMorphologyNone = 0;
constexpr int32_t kCmiMorphologyKeepOnes = 12;
constexpr int32_t kCmiMorphologyKeepZeros = 13;
constexpr int32_t kCmiReductionThreshold = 19;
constexpr int32_t kCmiReductionDiffusion = 20;
constexpr int32_t kCmiReductionPattern = 21;
// Error-table codes the control tells apart.
constexpr int32_t kIpiSyntaxError = 22;
constexpr int32_t kIpiFileOpenFailure = 25;
constexpr int32_t kIpiFileNotFound = 26;

}  // namespace

int16_t MapCmiStatusToError(int32_t status) {
  switch (status) {
    case kCmiStatusBadArgument: return plat::qrvErrInvalidParam;
    case kCmiStatusSystemFailure: return plat::qrvErrOutofMemory;
    case kIpiSyntaxError: return plat::qrvErrInvalidFileFormat;
    case kIpiFileOpenFailure: return plat::qrvErrFileIOError;
    case kIpiFileNotFound: return plat::qrvErrFileNotFound;
    default: return plat::qrvErrSystemError;
  }
}

int32_t MapMediaFormatToCmi(int16_t media_format) {
  switch (media_format) {
    case plat::qrvFileBMP: return kCmiFormatBmp;
    case plat::qrvFileTIFF: return kCmiFormatTiff;
    case plat::qrvFileJPEG: return kCmiFormatJpeg;
    case plat::qrvFilePCX: return kCmiFormatPcx;
    case plat::qrvFilePNG: return kCmiFormatPng;
    case qrvFileZoltra: return kCmiFormatZoltra;
    case 108:
    case 109: return 0;
    default: return media_format;
  }
}

int16_t MapCmiModeToColorDepth(int32_t cmi_mode) {
  switch (cmi_mode) {
    case kCmiModeBitmap: return plat::qrvColorBitmap;
    case kCmiModeIndexed16: return plat::qrvColor16;
    case kCmiModeIndexed256: return plat::qrvColor256;
    case kCmiModeGrayscale: return plat::qrvColorGrayscale;
    case kCmiModeRgb: return plat::qrvColorRGB;
    default: return qrvUnknown;
  }
}

int32_t MapColorDepthToCmiMode(int16_t color_depth) {
  switch (color_depth) {
    case plat::qrvColorBitmap: return kCmiModeBitmap;
    case plat::qrvColor16: return kCmiModeIndexed16;
    case plat::qrvColor256: return kCmiModeIndexed256;
    case plat::qrvColorGrayscale: return kCmiModeGrayscale;
    case plat::qrvColorRGB: return kCmiModeRgb;
    default: return 0;
  }
}

int16_t MapCmiCompressionToControl(int32_t cmi_compression) {
  switch (cmi_compression) {
    case kCmiCompressionNone: return plat::qrvCompNone;
    case kCmiCompressionCcittHuffman: return plat::qrvCompHuffman;
    case kCmiCompressionMh: return plat::qrvCompMH;
    case kCmiCompressionMr: return plat::qrvCompMR;
    case kCmiCompressionMmr: return plat::qrvCompMMR;
    case kCmiCompressionPackBits: return plat::qrvCompPackbits;
    case kCmiCompressionBmpRle: return plat::qrvCompRLE;
    default: return qrvUnknown;
  }
}

int32_t MapCompressionToCmi(int16_t compression) {
  switch (compression) {
    case plat::qrvCompRLE: return kCmiCompressionBmpRle;
    case plat::qrvCompPackbits: return kCmiCompressionPackBits;
    case plat::qrvCompHuffman: return kCmiCompressionCcittHuffman;
    case plat::qrvCompMH: return kCmiCompressionMh;
    case plat::qrvCompMR: return kCmiCompressionMr;
    case plat::qrvCompMMR: return kCmiCompressionMmr;
    default: return kCmiCompressionNone;
  }
}

int32_t MapRotationToCmi(int16_t rotation) {
  switch (rotation) {
    case plat::qrvRotate90: return 1;
    case plat::qrvRotate180: return 2;
    case plat::qrvRotate270: return 3;
    default: return 0;
  }
}

int32_t MapDirectionToCmi(int16_t direction) {
  switch (direction) {
    case qrvDirectionHorz: return kCmiDirectionRows;
    case qrvDirectionVert: return kCmiDirectionColumns;
    default: return 0;  // qrvDirectionBoth included
  }
}

int32_t MapCalculateOperationToCmi(int16_t operation) {
  // CalculateConstants 1..12 in order: add, subtract, multiply, divide, or,
  // and, nor, nand, xor, darker, lighter, difference.
  constexpr int32_t kCodes[] = {56, 57, 58, 59, 64, 63, 66, 65, 67, 60, 61, 62};
  if (operation < qrvCalcAdd || operation > qrvCalcDifference) return 0;
  return kCodes[operation - qrvCalcAdd];
}

int32_t MapMorphologyToCmi(int16_t morphology) {
  switch (morphology) {
    case qrvMorphologyOn: return kCmiMorphologyKeepOnes;
    case qrvMorphologyOff: return kCmiMorphologyKeepZeros;
    default: return kCmiMorphologyNone;  // qrvMorphologyNone included
  }
}

int32_t MapInterpolationToCmi(int16_t interpolation) {
  switch (interpolation) {
    case qrvInterNearest: return kCmiInterpolationNearest;
    case qrvInterBilinear: return kCmiInterpolationBilinear;
    case qrvInterBSpline: return kCmiInterpolationBSpline;
    case qrvInterConvolution: return kCmiInterpolationConvolution;
    default: return 0;
  }
}

int32_t MapColorReductionToCmi(int16_t reduction) {
  switch (reduction) {
    case qrvReductionPattern: return kCmiReductionPattern;
    case qrvReductionNone: return 0;
    case qrvReductionThreshold: return kCmiReductionThreshold;
    default: return kCmiReductionDiffusion;  // qrvReductionDiffusion included
  }
}

}  // namespace ondavel
