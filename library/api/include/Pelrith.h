/* Pelrith: the image processing and interchange library.
 *
 * Every entry point is a self-contained call: it opens its own context, works
 * on the caller's packed bitmaps (global-memory handles, see
 * kernel/global_memory.h) or files, and closes the context again. Handles the
 * caller passes stay the caller's; every handle returned is new and is freed by
 * the caller with GlobalFree. The last argument of every entry point receives
 * its status: 0 success, -100 a bad argument or unknown code, -1 no memory or a
 * failed platform call, a positive value an error-table code. */
#ifndef PELRITH_H_
#define PELRITH_H_

#include <stdint.h>

#include "kernel/global_memory.h"

#ifdef __cplusplus
#define PELRITH_EXTERN_C extern "C"
#define PELRITH_NOEXCEPT noexcept
#else
#define PELRITH_EXTERN_C
#define PELRITH_NOEXCEPT
#endif

/* The standard-call marker of the original interface: empty on x86-64. */
#define PELRITH_STDCALL
#define PELRITH_API PELRITH_EXTERN_C __attribute__((visibility("default")))

/* One option of an option list; values are pointer-sized because some carry
 * addresses, and inquired values are written to pointer-sized targets. */
typedef struct IpiAttributePair {
  const char* name;
  intptr_t value;
} IpiAttributePair;

/* Status values besides 0 and the error-table codes 1 to 26. */
enum CmiStatusCode {
  kCmiStatusOk = 0,
  kCmiStatusSystemFailure = -1,
  kCmiStatusBadArgument = -100
};

/* File-format codes of the interface. */
enum CmiFileFormat {
  kCmiFormatTiff = 4,
  kCmiFormatJpeg = 5,
  kCmiFormatGif = 6,
  kCmiFormatBmp = 7,
  kCmiFormatPcx = 40,
  kCmiFormatPng = 44,
  kCmiFormatZoltra = 45
};

/* Compression codes of the interface ("compression" option). */
enum CmiCompression {
  kCmiCompressionNone = 0,
  kCmiCompressionCcittHuffman = 26,
  kCmiCompressionMh = 27,
  kCmiCompressionMr = 28,
  kCmiCompressionMmr = 29,
  kCmiCompressionPackBits = 30,
  kCmiCompressionBmpRle = 31
};

/* Colour modes of the operation entry points. */
enum CmiColourMode {
  kCmiModeBitmap = 14,
  kCmiModeIndexed16 = 15,
  kCmiModeIndexed256 = 16,
  kCmiModeGrayscale = 17,
  kCmiModeRgb = 18,
  kCmiModeInvertedGrayscale = 50
};

/* Ordinals of the entry points (ELF exports by name; the ordinal of each
 * stays beside its name). */
enum CmiOrdinal {
  kCmiOrdinalInquireFileFormat = 2,
  kCmiOrdinalInquireImageNumber = 3,
  kCmiOrdinalInquireValues = 4,
  kCmiOrdinalReadAndParse = 5,
  kCmiOrdinalGenerateAndWrite = 6,
  kCmiOrdinalFileFormatConvert = 7,
  kCmiOrdinalResize = 8,
  kCmiOrdinalRotate = 9,
  kCmiOrdinalRotateArbitrary = 10,
  kCmiOrdinalFlip = 11,
  kCmiOrdinalSkew = 12,
  kCmiOrdinalSubsample = 13,
  kCmiOrdinalConstant = 14,
  kCmiOrdinalModeRGBColor = 15,
  kCmiOrdinalModeGrayscale = 16,
  kCmiOrdinalModeBitmap = 17,
  kCmiOrdinalModeIndexedColor256 = 18,
  kCmiOrdinalModeIndexedColor16 = 19,
  kCmiOrdinalInvert = 20,
  kCmiOrdinalBrightnessAndContrast = 21,
  kCmiOrdinalColourBalance = 22,
  kCmiOrdinalHueSaturation = 23,
  kCmiOrdinalGammaCorrection = 24,
  kCmiOrdinalSolarize = 25,
  kCmiOrdinalEqualize = 26,
  kCmiOrdinalConvert = 27,
  kCmiOrdinalBlend = 28,
  kCmiOrdinalCalculate = 29,
  kCmiOrdinalBlur = 30,
  kCmiOrdinalSharpen = 31,
  kCmiOrdinalMedian = 32,
  kCmiOrdinalFindEdges = 33,
  kCmiOrdinalEdgeEnhance = 34,
  kCmiOrdinalEdgeDetection = 35,
  kCmiOrdinalPinch = 36,
  kCmiOrdinalSpherize = 37,
  kCmiOrdinalRankOrder = 38,
  kCmiOrdinalEmboss = 39,
  kCmiOrdinalInquireAddressSpaceFormat = 40,
  kCmiOrdinalInquireImageNumberAddressSpace = 41,
  kCmiOrdinalInquireValuesAddressSpace = 42,
  kCmiOrdinalImportAndParse = 43,
  kCmiOrdinalGenerateAndExport = 44,
  kCmiOrdinalAddressSpaceFormatConvert = 45,
  kCmiOrdinalGenerateAndExportHandle = 46,
  kCmiOrdinalHandleFormatConvert = 47,
  kCmiOrdinalGenerateAndWriteAndControl = 48
};

/* The entry points are declared below, each beside its ordinal constant above. */

#endif /* PELRITH_H_ */
