/* Pelrith: the image processing and interchange library.
 *
 * Every entry point is a self-contained call: it opens its own context, works
 * on the caller's packed bitmaps (global-memory handles, see
 * plat/global_memory.h) or files, and closes the context again. Handles the
 * caller passes stay the caller's; every handle returned is new and is freed by
 * the caller with GlobalFree. The last argument of every entry point receives
 * its status: 0 success, -100 a bad argument or unknown code, -1 no memory or a
 * failed platform call, a positive value an error-table code. */
#ifndef PELRITH_H_
#define PELRITH_H_

#include <stdint.h>

#include "plat/global_memory.h"

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

/* Page controls of CmiGenerateAndWriteAndControl. */
enum CmiPageControl {
  kCmiPageAppend = 56,
  kCmiPageInsert = 85,
  kCmiPageReplace = 87,
  kCmiPageDelete = 86
};

/* The entry points. `pairs` and `n` are the option list of the call (n <= 0:
 * none); names are matched exactly, a later pair wins, unknown names are
 * ignored. `status` may be null. */
typedef const IpiAttributePair* CmiOptionList;

/* Inquiring, reading and writing image files. */
PELRITH_API int32_t PELRITH_STDCALL CmiInquireFileFormat(const char* fileName, CmiOptionList pairs, int32_t n,
                                                         int32_t* status) PELRITH_NOEXCEPT; /* 2 */
PELRITH_API int32_t PELRITH_STDCALL CmiInquireImageNumber(const char* fileName, int32_t format, CmiOptionList pairs,
                                                          int32_t n, int32_t* status) PELRITH_NOEXCEPT; /* 3 */
PELRITH_API int32_t PELRITH_STDCALL CmiInquireValues(const char* fileName, int32_t count, int32_t firstIndex,
                                                     int32_t format, CmiOptionList pairs, int32_t n,
                                                     int32_t* status) PELRITH_NOEXCEPT; /* 4 */
PELRITH_API int32_t PELRITH_STDCALL CmiReadAndParse(const char* fileName, HGLOBAL* images, int32_t count,
                                                    int32_t format, int32_t firstIndex, CmiOptionList pairs,
                                                    int32_t n, int32_t* status) PELRITH_NOEXCEPT; /* 5 */
/* CmiGenerateAndWrite: TIFF writes every handle as a page; the formats of one
 * image (JPEG, GIF, BMP, PCX, PNG) write the first handle only. */
PELRITH_API int32_t PELRITH_STDCALL CmiGenerateAndWrite(const HGLOBAL* images, int32_t count, const char* fileName,
                                                        int32_t format, CmiOptionList pairs, int32_t n,
                                                        int32_t* status) PELRITH_NOEXCEPT; /* 6 */
PELRITH_API int32_t PELRITH_STDCALL CmiFileFormatConvert(const char* sourceFile, const char* targetFile,
                                                         int32_t sourceFormat, int32_t targetFormat,
                                                         CmiOptionList pairs, int32_t n,
                                                         int32_t* status) PELRITH_NOEXCEPT; /* 7 */

/* Geometry. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiResize(HGLOBAL handle, int32_t width, int32_t height, int32_t interpolation,
                                              int32_t morphology, CmiOptionList pairs, int32_t n,
                                              int32_t* status) PELRITH_NOEXCEPT; /* 8 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiRotate(HGLOBAL handle, int32_t width, int32_t height, int32_t turns,
                                              CmiOptionList pairs, int32_t n, int32_t* status) PELRITH_NOEXCEPT; /* 9 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiRotateArbitrary(HGLOBAL handle, int32_t width, int32_t height, double angle,
                                                       CmiOptionList pairs, int32_t n,
                                                       int32_t* status) PELRITH_NOEXCEPT; /* 10 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiFlip(HGLOBAL handle, int32_t direction, CmiOptionList pairs, int32_t n,
                                            int32_t* status) PELRITH_NOEXCEPT; /* 11 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiSkew(HGLOBAL handle, int32_t width, int32_t height, int32_t direction,
                                            double angle, CmiOptionList pairs, int32_t n,
                                            int32_t* status) PELRITH_NOEXCEPT; /* 12 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiSubsample(HGLOBAL handle, int32_t srcX, int32_t srcY, int32_t srcWidth,
                                                 int32_t srcHeight, int32_t width, int32_t height, int32_t dstX,
                                                 int32_t dstY, int32_t dstWidth, int32_t dstHeight,
                                                 int32_t interpolation, int32_t morphology, CmiOptionList pairs,
                                                 int32_t n, int32_t* status) PELRITH_NOEXCEPT; /* 13 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiConstant(HGLOBAL handle, int32_t x, int32_t y, int32_t width, int32_t height,
                                                int32_t level, int32_t level2, int32_t level3, CmiOptionList pairs,
                                                int32_t n, int32_t* status) PELRITH_NOEXCEPT; /* 14 */

/* Colour modes. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiModeRGBColor(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                                    int32_t* status) PELRITH_NOEXCEPT; /* 15 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiModeGrayscale(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                                     int32_t* status) PELRITH_NOEXCEPT; /* 16 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiModeBitmap(HGLOBAL handle, int32_t mode, int32_t method, int32_t threshold,
                                                  CmiOptionList pairs, int32_t n,
                                                  int32_t* status) PELRITH_NOEXCEPT; /* 17 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiModeIndexedColor256(HGLOBAL handle, int32_t mode, int32_t method,
                                                           int32_t palette, int32_t redLevels, int32_t greenLevels,
                                                           int32_t blueLevels, CmiOptionList pairs, int32_t n,
                                                           int32_t* status) PELRITH_NOEXCEPT; /* 18 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiModeIndexedColor16(HGLOBAL handle, int32_t mode, int32_t method,
                                                          int32_t palette, int32_t redLevels, int32_t greenLevels,
                                                          int32_t blueLevels, CmiOptionList pairs, int32_t n,
                                                          int32_t* status) PELRITH_NOEXCEPT; /* 19 */

/* Point and colour adjustment. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiInvert(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                              int32_t* status) PELRITH_NOEXCEPT; /* 20 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiBrightnessAndContrast(HGLOBAL handle, int32_t mode, int32_t brightness,
                                                             int32_t contrast, CmiOptionList pairs, int32_t n,
                                                             int32_t* status) PELRITH_NOEXCEPT; /* 21 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiColourBalance(HGLOBAL handle, int32_t mode, int32_t red, int32_t green,
                                                     int32_t blue, CmiOptionList pairs, int32_t n,
                                                     int32_t* status) PELRITH_NOEXCEPT; /* 22 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiHueSaturation(HGLOBAL handle, int32_t mode, int32_t hue, int32_t saturation,
                                                     int32_t lightness, CmiOptionList pairs, int32_t n,
                                                     int32_t* status) PELRITH_NOEXCEPT; /* 23 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiGammaCorrection(HGLOBAL handle, int32_t mode, double gamma,
                                                       CmiOptionList pairs, int32_t n,
                                                       int32_t* status) PELRITH_NOEXCEPT; /* 24 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiSolarize(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                                int32_t* status) PELRITH_NOEXCEPT; /* 25 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiEqualize(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                                int32_t* status) PELRITH_NOEXCEPT; /* 26 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiConvert(HGLOBAL handle, CmiOptionList pairs, int32_t n,
                                               int32_t* status) PELRITH_NOEXCEPT; /* 27 */

/* Blend, calculate and filters. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiBlend(HGLOBAL handle, HGLOBAL handle2, int32_t mode, int32_t target,
                                             double ratio, CmiOptionList pairs, int32_t n,
                                             int32_t* status) PELRITH_NOEXCEPT; /* 28 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiCalculate(HGLOBAL handle, HGLOBAL handle2, int32_t mode, int32_t target,
                                                 int32_t operation, CmiOptionList pairs, int32_t n,
                                                 int32_t* status) PELRITH_NOEXCEPT; /* 29 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiBlur(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                            int32_t* status) PELRITH_NOEXCEPT; /* 30 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiSharpen(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                               int32_t* status) PELRITH_NOEXCEPT; /* 31 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiMedian(HGLOBAL handle, int32_t mode, int32_t radius, CmiOptionList pairs,
                                              int32_t n, int32_t* status) PELRITH_NOEXCEPT; /* 32 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiFindEdges(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                                 int32_t* status) PELRITH_NOEXCEPT; /* 33 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiEdgeEnhance(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                                   int32_t* status) PELRITH_NOEXCEPT; /* 34 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiEdgeDetection(HGLOBAL handle, int32_t mode, int32_t direction,
                                                     CmiOptionList pairs, int32_t n,
                                                     int32_t* status) PELRITH_NOEXCEPT; /* 35 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiPinch(HGLOBAL handle, int32_t amount, CmiOptionList pairs, int32_t n,
                                             int32_t* status) PELRITH_NOEXCEPT; /* 36 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiSpherize(HGLOBAL handle, int32_t direction, int32_t amount,
                                                CmiOptionList pairs, int32_t n,
                                                int32_t* status) PELRITH_NOEXCEPT; /* 37 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiRankOrder(HGLOBAL handle, int32_t mode, int32_t kind, int32_t radius,
                                                 CmiOptionList pairs, int32_t n,
                                                 int32_t* status) PELRITH_NOEXCEPT; /* 38 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiEmboss(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                              int32_t* status) PELRITH_NOEXCEPT; /* 39 */

/* File images held in memory; `size` bytes at `address` are read, never more. */
PELRITH_API int32_t PELRITH_STDCALL CmiInquireAddressSpaceFormat(const void* address, int32_t size,
                                                                 CmiOptionList pairs, int32_t n,
                                                                 int32_t* status) PELRITH_NOEXCEPT; /* 40 */
PELRITH_API int32_t PELRITH_STDCALL CmiInquireImageNumberAddressSpace(const void* address, int32_t format,
                                                                      int32_t size, CmiOptionList pairs, int32_t n,
                                                                      int32_t* status) PELRITH_NOEXCEPT; /* 41 */
PELRITH_API int32_t PELRITH_STDCALL CmiInquireValuesAddressSpace(const void* address, int32_t count,
                                                                 int32_t firstIndex, int32_t format, int32_t size,
                                                                 CmiOptionList pairs, int32_t n,
                                                                 int32_t* status) PELRITH_NOEXCEPT; /* 42 */
PELRITH_API int32_t PELRITH_STDCALL CmiImportAndParse(const void* address, HGLOBAL* images, int32_t count,
                                                      int32_t format, int32_t firstIndex, int32_t size,
                                                      CmiOptionList pairs, int32_t n,
                                                      int32_t* status) PELRITH_NOEXCEPT; /* 43 */

/* Encoded files in memory. A heap result (44, 45) is released with free();
 * a handle result (46, 47) with GlobalFree. `outSize` receives the byte count
 * of the result, on success only. */
PELRITH_API void* PELRITH_STDCALL CmiGenerateAndExport(const HGLOBAL* images, int32_t count, int32_t format,
                                                       int32_t* outSize, CmiOptionList pairs, int32_t n,
                                                       int32_t* status) PELRITH_NOEXCEPT; /* 44 */
PELRITH_API void* PELRITH_STDCALL CmiAddressSpaceFormatConvert(const void* address, int32_t sourceFormat,
                                                               int32_t targetFormat, int32_t size, int32_t* outSize,
                                                               CmiOptionList pairs, int32_t n,
                                                               int32_t* status) PELRITH_NOEXCEPT; /* 45 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiGenerateAndExportHandle(const HGLOBAL* images, int32_t count, int32_t format,
                                                               int32_t* outSize, CmiOptionList pairs, int32_t n,
                                                               int32_t* status) PELRITH_NOEXCEPT; /* 46 */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiHandleFormatConvert(HGLOBAL handle, int32_t sourceFormat,
                                                           int32_t targetFormat, int32_t size, int32_t* outSize,
                                                           CmiOptionList pairs, int32_t n,
                                                           int32_t* status) PELRITH_NOEXCEPT; /* 47 */

/* TIFF page control: append, insert, replace or delete pages of a file. */
PELRITH_API int32_t PELRITH_STDCALL CmiGenerateAndWriteAndControl(const HGLOBAL* images, int32_t count,
                                                                  const char* fileName, int32_t format,
                                                                  int32_t control, int32_t page, CmiOptionList pairs,
                                                                  int32_t n, int32_t* status) PELRITH_NOEXCEPT; /* 48 */

#endif /* PELRITH_H_ */
