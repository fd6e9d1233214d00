/* Pelrith: the image processing and interchange library.
 *
 * Link with `pkg-config --cflags --libs pelrith`, or in CMake with
 * find_package(Pelrith) and the target Pelrith::Pelrith. The library needs
 * libplat.so beside it (it finds it there by itself); callers use its
 * global-memory calls GlobalAlloc, GlobalLock, GlobalUnlock, GlobalSize and
 * GlobalFree (plat/global_memory.h) on the bitmaps they pass and receive.
 *
 * CALLS. Every entry point is a self-contained call: it opens its own
 * context, works on the caller's packed bitmaps or files, and closes the
 * context again; nothing is kept between two calls, and calls on different
 * handles share no state. Handles the caller passes stay the caller's: they
 * are locked during the call and never changed or freed. Every handle
 * returned is new and is freed by the caller with GlobalFree; the memory of
 * CmiGenerateAndExport and CmiAddressSpaceFormatConvert is freed with
 * free(). A failed call returns 0 (or its status, where stated) and leaves
 * nothing allocated and no file changed: files are replaced atomically, so
 * a failed write keeps the earlier file.
 *
 * STATUS. The last argument of every entry point receives its status; it is
 * set to 0 first and may be null. The codes:
 *      0  success
 *     -1  no memory, a handle that does not lock, or a failed file read,
 *         write or temporary file
 *   -100  a bad argument: a null pointer, a code or value out of range, a
 *         colour mode that does not fit the bitmap's bit count, a damaged
 *         bitmap; checked before anything is locked, allocated or written
 *   1..26 the library's error table:
 *      1 "Closure failure"                  14 "Not a positive integer"
 *      2 "Division by zero"                 15 "Not a positive even integer"
 *      3 "Exceed implementation": an image  16 "Not a positive odd integer"
 *        beyond the size limits             17 "Not a power of two"
 *      4 "Illegal data type conversion"     18 "Out of range": e.g. a level
 *      5 "Incorrect data type"                 count below 2
 *      6 "Incorrect object class"           19 "Semantical error within data
 *      7 "Initialization failure"              stream"
 *      8 "Insufficient size": a memory      20 "State is CLOSED when OPEN is
 *        image shorter than its headers        expected"
 *      9 "Invalid instance"                 21 "State is OPEN when CLOSED is
 *     10 "Mismatch data type": e.g. GIF        expected"
 *        from a colour image                22 "Syntactical error within data
 *     11 "Mismatch object class"               stream": a malformed file
 *     12 "Non-permissible option": a        23 "Upper bound is smaller than
 *        variant the library does not          lower bound"
 *        code (LZW, GIF pixel data,         24 "Invalid handle"
 *        tiles, CMYK, 16-bit samples)       25 "File Open Failure"
 *     13 "Not integer multiples of the      26 "File Not Found"
 *        block"
 *
 * PACKED BITMAPS (the `handle` of the operation entry points): a global-
 * memory handle holding a 40-byte BITMAPINFOHEADER-style info header
 * (little-endian: size 40, width, height > 0, planes 1, bit count, compression,
 * image size, x and y pixels per metre, colours used, colours important), the
 * colour table (4 bytes an entry: blue, green, red, 0; "colours used"
 * entries, or 2^bits when 0; none for 24 bits) and the rows, bottom-up, each
 * padded to a multiple of 4 bytes. Accepted: 1, 4, 8 and 24 bits a pixel,
 * uncompressed, or run-length coded (4 and 8 bits) where the entry point reads
 * the bitmap through the library. Refused with -100: top-down rows (a negative
 * height), bit-field (16 and 32-bit) bitmaps, other header sizes, a table or
 * rows past the handle's size. Returned bitmaps are uncompressed: 1 bit (2
 * entries), 4 bits (16), 8 bits (256) or 24 bits (no table).
 *
 * OPTIONS. `pairs` and `n` are the option list of a call (n <= 0: none). A
 * name is matched exactly and case-sensitively, a later pair of the same
 * name wins, names an entry point does not read are ignored; the list is
 * only read. Each entry point below names the options it reads. Where it
 * reads "repository": absent or 33 keeps the call's intermediate images in
 * memory, any other value in temporary files ($TMPDIR, else /tmp; removed
 * before the call returns); the result is the same.
 *
 * CODES used by several entry points:
 *   colour modes (CmiColourMode): 14 bitmap (1 bit), 15 16 colours (4 bits),
 *     16 256 colours (8 bits), 17 grey (8 bits), 18 RGB (24 bits), 50
 *     inverted grey (8 bits; CmiModeGrayscale only);
 *   interpolation: 8 nearest neighbour, 9 bilinear, 10 cubic B-spline,
 *     11 cubic convolution; morphology: 0 none, 12 keeps ones, 13 keeps
 *     zeros (1-bit images);
 *   fill levels ("constantLevel", "constantLevel2", "constantLevel3"): the
 *     sample of the first, second and third band (red, green, blue; the
 *     palette index of an indexed image) painted where a moved image leaves
 *     the new image uncovered, 0..255; absent or negative: the lightest
 *     palette entry (255 without a palette); above 255: -100;
 *   rectangle ("sourceXPoint", "sourceYPoint", "sourceWidth",
 *     "sourceHeight"; default the whole bitmap): the part of the picture,
 *     counted from its top-left corner, that an operation changes; the rest
 *     stays as it was. It must lie inside the bitmap and not be empty (-100).
 */
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

/* The calling-convention marker of the entry points: empty on x86-64. */
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

/* The option list of every entry point (see OPTIONS above). */
typedef const IpiAttributePair* CmiOptionList;

/* Inquiring, reading and writing image files. */
/* CmiInquireFileFormat (2): the format of an image file, found from its bytes.
 *   fileName: the file's path.
 *   Options: none.
 *   Returns the format code (4 TIFF, 5 JPEG, 6 GIF, 7 BMP, 40 PCX, 44 PNG,
 *   45 Zoltra), or 0 with the status: 25 the file is missing or cannot be
 *   opened, 22 no format was recognised, -100 a format the interface has no
 *   code for, or a null fileName. */
PELRITH_API int32_t PELRITH_STDCALL CmiInquireFileFormat(const char* fileName, CmiOptionList pairs, int32_t n,
                                                         int32_t* status) PELRITH_NOEXCEPT; /* 2 */
/* CmiInquireImageNumber (3): the number of images in a GIF or TIFF file.
 *   fileName: the file's path. format: 4 TIFF (its pages are counted) or
 *   6 GIF (1; the file must exist). Other formats: -100, since their files
 *   hold one image.
 *   Options: none.
 *   Returns the count, or 0 with the status (26 a missing GIF file, 25 a
 *   TIFF file that is missing or cannot be opened, 22, -100). */
PELRITH_API int32_t PELRITH_STDCALL CmiInquireImageNumber(const char* fileName, int32_t format, CmiOptionList pairs,
                                                          int32_t n, int32_t* status) PELRITH_NOEXCEPT; /* 3 */
/* CmiInquireValues (4): the main values of the images of a file, from their
 *   headers, without reading pixels.
 *   fileName: the file's path. format: the file's format code (4, 5, 6, 7,
 *   40, 44, 45; else -100). count, firstIndex: TIFF inquires min(count,
 *   pages - firstIndex) pages from page firstIndex on (0-based; count >= 1,
 *   firstIndex >= 0, else -100); GIF needs the same ranges and inquires its
 *   image; the other formats ignore both.
 *   Options: out pairs whose value is the address of an intptr_t target;
 *   for TIFF the address of an array with one target per inquired page
 *   (entry k for the k-th page), for the other formats one target. A known
 *   name with a null target gives -100. Names and what they receive:
 *     "xDimension", "yDimension": width and height in pixels;
 *     "colorMode": 14, 15, 16 (one band of 8 bits: grey or palette, but
 *       JPEG grey gives 17), 18 (three bands of 8 bits; PNG also with alpha);
 *     "compression": TIFF 0, 25 LZW, 26, 27, 28, 29, 30; BMP 0 or 31;
 *       Zoltra 0, 27, 28, 29; the other formats leave it untouched;
 *     "predictor": TIFF only, the page's predictor;
 *     "photometricInterpretation": always 51;
 *     "xResolution", "yResolution": dots per inch (TIFF, BMP, PCX, Zoltra;
 *       0 when the file has none);
 *     "interlaced": GIF and PNG (PNG 0 or 1);
 *     "transparency", "transparencyPaletteIndex": GIF only;
 *     "progressive": JPEG only.
 *   A value the interface cannot express stops the filling there with
 *   -100; targets filled before keep their values, entries past the
 *   inquired pages are left as they were.
 *   Returns 0, or the status (as also stored). */
PELRITH_API int32_t PELRITH_STDCALL CmiInquireValues(const char* fileName, int32_t count, int32_t firstIndex,
                                                     int32_t format, CmiOptionList pairs, int32_t n,
                                                     int32_t* status) PELRITH_NOEXCEPT; /* 4 */
/* CmiReadAndParse (5): reads images of a file into new packed bitmaps.
 *   fileName: the file's path. images: `count` slots (count >= 1) that
 *   receive the new handles; the caller frees each with GlobalFree.
 *   format: the file's format code (4, 5, 6, 7, 40, 44, 45; else -100).
 *   firstIndex: TIFF the first page to read (0-based, >= 0); the others read
 *   their one image.
 *   TIFF reads min(count, pages - firstIndex) pages; a white-is-zero or
 *   black-is-zero page gets a grey palette; CMYK, four-band, tiled, 16-bit and
 *   LZW pages are refused (22 or 12). BMP: an uncompressed 1, 4, 8 or 24-bit
 *   file comes back as it stands, its resolution included; run-length, 16
 *   and 32-bit files are decoded (to 24 bits for 16 and 32). PNG drops the
 *   alpha channel of RGBA; grey with alpha and depths 2 and 16 are refused
 *   (12). GIF pixel data is not decoded (12).
 *   Options: "repository"; PNG: "progressive" (non-zero: read the interlace
 *   pass "interlacePass" only; default 0) and "interlacePass" (1..7, else
 *   -100; default 1).
 *   Returns the number of handles made, or 0 with the status; then every
 *   slot the call would fill is 0 and nothing is left allocated. */
PELRITH_API int32_t PELRITH_STDCALL CmiReadAndParse(const char* fileName, HGLOBAL* images, int32_t count,
                                                    int32_t format, int32_t firstIndex, CmiOptionList pairs,
                                                    int32_t n, int32_t* status) PELRITH_NOEXCEPT; /* 5 */
/* CmiGenerateAndWrite (6): writes packed bitmaps as an image file.
 *   images, count: the bitmaps (count >= 1); TIFF writes every bitmap as a
 *   page, the formats of one image (JPEG, GIF, BMP, PCX, PNG) write the first
 *   only. fileName: the path; the file is replaced atomically.
 *   format: 4 TIFF, 5 JPEG, 6 GIF, 7 BMP, 40 PCX, 44 PNG (else -100).
 *   Options (checked before anything is written; -100 when out of range):
 *     "compression": TIFF 0 (default), 26, 27, 28 (needs "k" 2 or 4), 29
 *       (the fax codes, for 1-bit pages only: -100 else), 30 PackBits; 25
 *       LZW passes the check but is not coded (12). BMP 0 (default; the bitmap is written as it
 *       stands) or 31 run-length. Ignored by the other formats.
 *     "quarityFactor": JPEG quality step 1..10 (libjpeg quality 34, 63, 77,
 *       82, 87, 89, 91, 92, 93, 94); other values are ignored; default 87.
 *     "samplingFactor": JPEG chroma sampling 37, 38, 39 (default 39).
 *     "progressive": JPEG, non-zero writes a progressive file (default 0).
 *     "newSubfileType": TIFF 34 image (default) or 36 page of a document.
 *     "predictor": TIFF predictor (default 0). "k": TIFF two-dimensional
 *       fax K (default 4).
 *     "xResolution", "yResolution": dots per inch, 0..65535 (default 0: none
 *       written); TIFF, BMP and PCX.
 *     "interlaced": GIF and PNG, non-zero writes an interlaced file.
 *     "transparency", "transparencyPaletteIndex": GIF, a transparent colour
 *       and its palette index.
 *     "repository".
 *   JPEG writes a palette bitmap (1, 4 or 8 bits) as grey when every palette
 *   entry is grey, else as RGB. GIF takes one-band bitmaps (10 else); its
 *   pixel data needs LZW, which the library does not code (12).
 *   Returns 0, or the status (as also stored). On failure no file is left
 *   under fileName that was not there before, and an earlier file stays. */
PELRITH_API int32_t PELRITH_STDCALL CmiGenerateAndWrite(const HGLOBAL* images, int32_t count, const char* fileName,
                                                        int32_t format, CmiOptionList pairs, int32_t n,
                                                        int32_t* status) PELRITH_NOEXCEPT; /* 6 */
/* CmiFileFormatConvert (7): reads an image file and writes it in another
 *   format, optionally resized, in another colour mode, placed on a canvas.
 *   sourceFile, targetFile: paths. sourceFormat: 4, 5, 6, 7, 40, 44, 45;
 *   targetFormat: 4, 5, 6, 7, 40, 44 (else -100). TIFF sources give pages
 *   from "index" on, "entries" of them; the other formats one image, and
 *   targets other than TIFF write the first page only.
 *   Options: every option of CmiGenerateAndWrite for the target ("compression",
 *   "quarityFactor", "samplingFactor", "progressive", "newSubfileType",
 *   "predictor", "k", "xResolution", "yResolution", "interlaced",
 *   "transparency", "transparencyPaletteIndex"), "repository", and:
 *     "index": first TIFF page, >= 0 and below the page count (default 0);
 *     "entries": number of TIFF pages, >= 1 (default 1);
 *     "xDimension", "yDimension": new size, >= 0 (default 0: unchanged);
 *     "interpolation": 8 (default), 9, 10, 11; "morphologicalOperation": 0
 *       (default), 12, 13;
 *     "colorMode": 0 keep (default), 14, 15, 16, 17, 18; 14, 15 and 16 are
 *       refused for JPEG and 18 for GIF (-100);
 *     "modeMethod": to 14: 19 threshold, 20 error diffusion (default), 21
 *       ordered dither; to 15 and 16: 0 none, 20 (default), 21; "modeValue":
 *       the threshold, 0..255 (default 127); "colourQuantization": 22 palette
 *       from the image (default), 23 uniform palette (24 gives 12);
 *       "modeLevel", "modeLevel2", "modeLevel3": red, green and blue level
 *       counts (defaults 2, 4, 2 for 16 colours, 8, 8, 4 for 256), as for
 *       CmiModeIndexedColor256;
 *     "internalOperation": 46 resize, colour mode, then canvas (default);
 *       47 colour mode, then resize onto the canvas;
 *     "destinationWidth", "destinationHeight": canvas size (0 or less: the
 *       new size); "destinationXPoint", "destinationYPoint": where the image
 *       lies on it (default 0, 0);
 *     "constantLevel", "constantLevel2", "constantLevel3": the canvas colour.
 *   Returns 0, or the status (as also stored); the target is written
 *   atomically, as by CmiGenerateAndWrite. */
PELRITH_API int32_t PELRITH_STDCALL CmiFileFormatConvert(const char* sourceFile, const char* targetFile,
                                                         int32_t sourceFormat, int32_t targetFormat,
                                                         CmiOptionList pairs, int32_t n,
                                                         int32_t* status) PELRITH_NOEXCEPT; /* 7 */

/* Geometry. */
/* CmiResize (8): a new bitmap of width x height pixels resampled from the
 *   whole of `handle`.
 *   width, height: the new size, >= 1. interpolation: 8, 9, 10, 11;
 *   morphology: 0, 12, 13 (else -100).
 *   Options: "repository".
 *   Returns the new handle, or 0 with the status (-100; 3 beyond the size
 *   limits; -1). */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiResize(HGLOBAL handle, int32_t width, int32_t height, int32_t interpolation,
                                              int32_t morphology, CmiOptionList pairs, int32_t n,
                                              int32_t* status) PELRITH_NOEXCEPT; /* 8 */
/* CmiRotate (9): the bitmap turned clockwise by quarter turns.
 *   width, height: the size of the new bitmap (>= 1): the turned picture is
 *   placed at its top-left and the rest is filled; for a quarter or three-
 *   quarter turn pass the source's height and width to turn the whole.
 *   turns: 1 quarter turn (the left column, bottom up, becomes the top row),
 *   2 half turn, 3 three quarters (else -100).
 *   Options: "constantLevel", "constantLevel2", "constantLevel3";
 *   "repository".
 *   Returns the new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiRotate(HGLOBAL handle, int32_t width, int32_t height, int32_t turns,
                                              CmiOptionList pairs, int32_t n, int32_t* status) PELRITH_NOEXCEPT; /* 9 */
/* CmiRotateArbitrary (10): the bitmap rotated clockwise by any angle about
 *   the centre of a new bitmap of width x height pixels.
 *   width, height: the new size (>= 1); the source is centred on it before
 *   the rotation, and uncovered pixels take the fill levels.
 *   angle: degrees, clockwise (finite, else -100).
 *   Options: "interpolation" 8 (default) or 9 (else -100); "constantLevel",
 *   "constantLevel2", "constantLevel3"; "repository".
 *   Returns the new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiRotateArbitrary(HGLOBAL handle, int32_t width, int32_t height, double angle,
                                                       CmiOptionList pairs, int32_t n,
                                                       int32_t* status) PELRITH_NOEXCEPT; /* 10 */
/* CmiFlip (11): the bitmap, or a rectangle of it, mirrored.
 *   direction: 48 top and bottom exchanged (rows reversed), 49 left and
 *   right exchanged (columns reversed); else -100.
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight";
 *   "repository".
 *   Returns a new handle of the same size, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiFlip(HGLOBAL handle, int32_t direction, CmiOptionList pairs, int32_t n,
                                            int32_t* status) PELRITH_NOEXCEPT; /* 11 */
/* CmiSkew (12): the bitmap sheared by an angle into a new bitmap of width x
 *   height pixels.
 *   direction: 48 rows shift sideways, 49 columns shift up or down (else
 *   -100). angle: degrees, -90 < angle < 90 (else -100); a positive angle
 *   places the source at the new bitmap's bottom right before the shear.
 *   Options: "interpolation" 8 (default) or 9; "constantLevel",
 *   "constantLevel2", "constantLevel3"; "repository".
 *   Returns the new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiSkew(HGLOBAL handle, int32_t width, int32_t height, int32_t direction,
                                            double angle, CmiOptionList pairs, int32_t n,
                                            int32_t* status) PELRITH_NOEXCEPT; /* 12 */
/* CmiSubsample (13): a window of the source resampled into a window of a
 *   new bitmap of width x height pixels; the rest of it takes the fill
 *   levels.
 *   srcX, srcY, srcWidth, srcHeight: the source window (>= 0, sizes >= 1,
 *   inside the bitmap). width, height: the new size (>= 1). dstX, dstY,
 *   dstWidth, dstHeight: the window of the new bitmap it fills (starting
 *   inside it). interpolation: 8, 9, 10, 11; morphology: 0, 12, 13. Equal
 *   window sizes copy without resampling.
 *   Options: "constantLevel", "constantLevel2", "constantLevel3";
 *   "repository".
 *   Returns the new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiSubsample(HGLOBAL handle, int32_t srcX, int32_t srcY, int32_t srcWidth,
                                                 int32_t srcHeight, int32_t width, int32_t height, int32_t dstX,
                                                 int32_t dstY, int32_t dstWidth, int32_t dstHeight,
                                                 int32_t interpolation, int32_t morphology, CmiOptionList pairs,
                                                 int32_t n, int32_t* status) PELRITH_NOEXCEPT; /* 13 */
/* CmiConstant (14): the bitmap with a rectangle painted in one colour.
 *   x, y, width, height: the rectangle (x, y >= 0, sizes >= 1, inside the
 *   bitmap; else -100). level, level2, level3: the sample of each band,
 *   0..255 (negative: the lightest palette entry, or 255).
 *   Options: "repository".
 *   Returns a new handle of the same size, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiConstant(HGLOBAL handle, int32_t x, int32_t y, int32_t width, int32_t height,
                                                int32_t level, int32_t level2, int32_t level3, CmiOptionList pairs,
                                                int32_t n, int32_t* status) PELRITH_NOEXCEPT; /* 14 */

/* Colour modes. */
/* CmiModeRGBColor (15): the bitmap as 24-bit RGB.
 *   mode: the source's colour mode, 14, 15, 16 or 17, matching its bit count
 *   (else -100).
 *   Options: "repository".
 *   Returns the new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiModeRGBColor(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                                    int32_t* status) PELRITH_NOEXCEPT; /* 15 */
/* CmiModeGrayscale (16): the bitmap as 8-bit grey (luminance weights
 *   0.299, 0.587, 0.114).
 *   mode: the source's colour mode, 14, 15, 16, 18, or 50 (8-bit inverted
 *   grey: the values are complemented), matching its bit count (else -100).
 *   Options: "repository".
 *   Returns the new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiModeGrayscale(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                                     int32_t* status) PELRITH_NOEXCEPT; /* 16 */
/* CmiModeBitmap (17): the bitmap as 1 bit a pixel.
 *   mode: the source's colour mode, 15, 16, 17 or 18 (else -100). method: 19
 *   threshold (grey >= threshold gives white; threshold 0..255), 20 error
 *   diffusion, 21 ordered dither (else -100).
 *   Options: "repository".
 *   Returns the new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiModeBitmap(HGLOBAL handle, int32_t mode, int32_t method, int32_t threshold,
                                                  CmiOptionList pairs, int32_t n,
                                                  int32_t* status) PELRITH_NOEXCEPT; /* 17 */
/* CmiModeIndexedColor256 (18): the bitmap as 8 bits with a palette.
 *   mode: the source's colour mode, 14, 15 or 18 (else -100); 1 and 4-bit
 *   sources keep their colours and ignore the other arguments.
 *   method: 0 none, 20 error diffusion, 21 ordered dither. palette: 22 chosen
 *   from the image's colours, 23 uniform steps, 24 refused by the quantizer
 *   (12). redLevels, greenLevels, blueLevels: levels per channel, at most 256
 *   each with a product of at most 256 (-100); below 2: 18.
 *   Options: "repository".
 *   Returns the new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiModeIndexedColor256(HGLOBAL handle, int32_t mode, int32_t method,
                                                           int32_t palette, int32_t redLevels, int32_t greenLevels,
                                                           int32_t blueLevels, CmiOptionList pairs, int32_t n,
                                                           int32_t* status) PELRITH_NOEXCEPT; /* 18 */
/* CmiModeIndexedColor16 (19): the bitmap as 4 bits with a palette.
 *   mode: 14, 16, 17 or 18 (else -100); method, palette and the levels as for
 *   CmiModeIndexedColor256, with at most 16 colours (-100).
 *   Options: "repository".
 *   Returns the new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiModeIndexedColor16(HGLOBAL handle, int32_t mode, int32_t method,
                                                          int32_t palette, int32_t redLevels, int32_t greenLevels,
                                                          int32_t blueLevels, CmiOptionList pairs, int32_t n,
                                                          int32_t* status) PELRITH_NOEXCEPT; /* 19 */

/* Point and colour adjustment. */
/* CmiInvert (20): the bitmap's colours inverted. A bitmap with a palette and
 *   no rectangle inverts its palette; otherwise the samples of the rectangle.
 *   mode: 14..18 (else -100).
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight";
 *   "repository".
 *   Returns a new handle of the same size, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiInvert(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                              int32_t* status) PELRITH_NOEXCEPT; /* 20 */
/* CmiBrightnessAndContrast (21): brightness and contrast changed (on the
 *   palette for 4 and 8-bit palette modes).
 *   mode: 15..18 (else -100). brightness, contrast: -100..100 percent.
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight"
 *   (not for modes 15 and 16, whose palette changes); "repository".
 *   Returns a new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiBrightnessAndContrast(HGLOBAL handle, int32_t mode, int32_t brightness,
                                                             int32_t contrast, CmiOptionList pairs, int32_t n,
                                                             int32_t* status) PELRITH_NOEXCEPT; /* 21 */
/* CmiColourBalance (22): the red, green and blue channels shifted.
 *   mode: 15, 16 or 18 (else -100). red, green, blue: -100..100.
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight"
 *   (mode 18 only); "repository".
 *   Returns a new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiColourBalance(HGLOBAL handle, int32_t mode, int32_t red, int32_t green,
                                                     int32_t blue, CmiOptionList pairs, int32_t n,
                                                     int32_t* status) PELRITH_NOEXCEPT; /* 22 */
/* CmiHueSaturation (23): hue turned, saturation and lightness changed.
 *   mode: 15, 16 or 18 (else -100). hue: -180..180 degrees; saturation,
 *   lightness: -100..100.
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight"
 *   (mode 18 only); "repository".
 *   Returns a new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiHueSaturation(HGLOBAL handle, int32_t mode, int32_t hue, int32_t saturation,
                                                     int32_t lightness, CmiOptionList pairs, int32_t n,
                                                     int32_t* status) PELRITH_NOEXCEPT; /* 23 */
/* CmiGammaCorrection (24): every sample v becomes 255 (v / 255)^(1/gamma).
 *   mode: 15..18 (else -100). gamma: positive and finite (else -100).
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight";
 *   "repository".
 *   Returns a new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiGammaCorrection(HGLOBAL handle, int32_t mode, double gamma,
                                                       CmiOptionList pairs, int32_t n,
                                                       int32_t* status) PELRITH_NOEXCEPT; /* 24 */
/* CmiSolarize (25): samples above the middle inverted.
 *   mode: 15..18 (else -100).
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight";
 *   "repository".
 *   Returns a new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiSolarize(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                                int32_t* status) PELRITH_NOEXCEPT; /* 25 */
/* CmiEqualize (26): the histogram spread over 0..255.
 *   mode: 17 grey or 18 RGB, matching the bit count (else -100).
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight";
 *   "repository".
 *   Returns a new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiEqualize(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                                int32_t* status) PELRITH_NOEXCEPT; /* 26 */
/* CmiConvert (27): a byte-for-byte copy of the handle's block.
 *   Options: none.
 *   Returns the new handle, or 0 with the status (-1). */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiConvert(HGLOBAL handle, CmiOptionList pairs, int32_t n,
                                               int32_t* status) PELRITH_NOEXCEPT; /* 27 */

/* Blend, calculate and filters. */
/* CmiBlend (28): two bitmaps mixed: ratio x first + (1 - ratio) x second,
 *   over the common top-left part of their two rectangles.
 *   mode: 17 or 18, matching both bitmaps (else -100). target: non-zero puts
 *   the result into the first bitmap, 0 into the second; the rest of that
 *   bitmap is kept. ratio: 0.0..1.0 (else -100).
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight"
 *   (first bitmap); "source2XPoint", "source2YPoint", "source2Width",
 *   "source2Height" (second); "repository".
 *   Returns a new handle of the target's size, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiBlend(HGLOBAL handle, HGLOBAL handle2, int32_t mode, int32_t target,
                                             double ratio, CmiOptionList pairs, int32_t n,
                                             int32_t* status) PELRITH_NOEXCEPT; /* 28 */
/* CmiCalculate (29): two bitmaps combined sample by sample (a first, b
 *   second), like CmiBlend.
 *   operation: 56 a + b, 57 a - b, 58 a x b (each limited to 0..255), 59
 *   a / b (0 where b is 0), 60 minimum, 61 maximum, 62 |a - b|, 63 AND, 64
 *   OR, 65 NAND, 66 NOR, 67 XOR (else -100). mode, target: as CmiBlend.
 *   Options: as CmiBlend: "sourceXPoint", "sourceYPoint", "sourceWidth",
 *   "sourceHeight", "source2XPoint", "source2YPoint", "source2Width",
 *   "source2Height"; "repository".
 *   Returns a new handle of the target's size, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiCalculate(HGLOBAL handle, HGLOBAL handle2, int32_t mode, int32_t target,
                                                 int32_t operation, CmiOptionList pairs, int32_t n,
                                                 int32_t* status) PELRITH_NOEXCEPT; /* 29 */
/* CmiBlur (30): each sample the mean of its 3 x 3 neighbourhood.
 *   mode: 17 or 18, matching the bit count (else -100); the same for every
 *   filter below.
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight";
 *   "repository".
 *   Returns a new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiBlur(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                            int32_t* status) PELRITH_NOEXCEPT; /* 30 */
/* CmiSharpen (31): 3 x sample - 2 x the 3 x 3 mean.
 *   mode: 17 or 18.
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight";
 *   "repository".
 *   Returns a new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiSharpen(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                               int32_t* status) PELRITH_NOEXCEPT; /* 31 */
/* CmiMedian (32): each sample the median of a square neighbourhood.
 *   mode: 17 or 18. radius: 1..7, a square of 2 radius + 1 (else -100).
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight";
 *   "repository".
 *   Returns a new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiMedian(HGLOBAL handle, int32_t mode, int32_t radius, CmiOptionList pairs,
                                              int32_t n, int32_t* status) PELRITH_NOEXCEPT; /* 32 */
/* CmiFindEdges (33): edges dark on a light ground (gradient, inverted).
 *   mode: 17 or 18.
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight";
 *   "repository".
 *   Returns a new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiFindEdges(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                                 int32_t* status) PELRITH_NOEXCEPT; /* 33 */
/* CmiEdgeEnhance (34): edges enhanced (the 3 x 3 kernel 0 -1 0 / -1 5 -1 /
 *   0 -1 0).
 *   mode: 17 or 18.
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight";
 *   "repository".
 *   Returns a new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiEdgeEnhance(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                                   int32_t* status) PELRITH_NOEXCEPT; /* 34 */
/* CmiEdgeDetection (35): edges of one direction.
 *   mode: 17 or 18. direction: 54 rows above against rows below, 55 columns
 *   left against columns right (else -100).
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight";
 *   "repository".
 *   Returns a new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiEdgeDetection(HGLOBAL handle, int32_t mode, int32_t direction,
                                                     CmiOptionList pairs, int32_t n,
                                                     int32_t* status) PELRITH_NOEXCEPT; /* 35 */
/* CmiPinch (36): the rectangle pressed in (amount > 0) or bulged out
 *   (amount < 0); its borders stay in place.
 *   amount: -100..100 (else -100); 0 leaves the picture as it was.
 *   Any bit depth.
 *   Options: "interpolation" 8 (default) or 9 (else -100); "sourceXPoint",
 *   "sourceYPoint", "sourceWidth", "sourceHeight"; "repository".
 *   Returns a new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiPinch(HGLOBAL handle, int32_t amount, CmiOptionList pairs, int32_t n,
                                             int32_t* status) PELRITH_NOEXCEPT; /* 36 */
/* CmiSpherize (37): the rectangle bulged as over a sphere (amount > 0) or
 *   pressed in (amount < 0).
 *   direction: 0 both axes inside the ellipse inscribed in the rectangle
 *   (its corners stay), 48 along x only, 49 along y only (else -100).
 *   amount: -100..100 (else -100). Any bit depth.
 *   Options: "interpolation" 8 (default) or 9 (else -100); "sourceXPoint",
 *   "sourceYPoint", "sourceWidth", "sourceHeight"; "repository".
 *   Returns a new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiSpherize(HGLOBAL handle, int32_t direction, int32_t amount,
                                                CmiOptionList pairs, int32_t n,
                                                int32_t* status) PELRITH_NOEXCEPT; /* 37 */
/* CmiRankOrder (38): each sample the largest or smallest of a square
 *   neighbourhood.
 *   mode: 17 or 18. kind: 52 largest, 53 smallest (else -100). radius: 1..7.
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight";
 *   "repository".
 *   Returns a new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiRankOrder(HGLOBAL handle, int32_t mode, int32_t kind, int32_t radius,
                                                 CmiOptionList pairs, int32_t n,
                                                 int32_t* status) PELRITH_NOEXCEPT; /* 38 */
/* CmiEmboss (39): relief: the difference of the upper-left and lower-right
 *   neighbours plus 128.
 *   mode: 17 or 18.
 *   Options: "sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight";
 *   "repository".
 *   Returns a new handle, or 0 with the status. */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiEmboss(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                              int32_t* status) PELRITH_NOEXCEPT; /* 39 */

/* File images held in memory; `size` bytes at `address` are read, never more. */
/* CmiInquireAddressSpaceFormat (40): as CmiInquireFileFormat, for the file
 *   image of `size` bytes (>= 1) at `address`; the library reads no more than
 *   `size` bytes, and never writes there.
 *   Options: none. */
PELRITH_API int32_t PELRITH_STDCALL CmiInquireAddressSpaceFormat(const void* address, int32_t size,
                                                                 CmiOptionList pairs, int32_t n,
                                                                 int32_t* status) PELRITH_NOEXCEPT; /* 40 */
/* CmiInquireImageNumberAddressSpace (41): as CmiInquireImageNumber, for the
 *   file image of `size` bytes at `address`.
 *   Options: none. */
PELRITH_API int32_t PELRITH_STDCALL CmiInquireImageNumberAddressSpace(const void* address, int32_t format,
                                                                      int32_t size, CmiOptionList pairs, int32_t n,
                                                                      int32_t* status) PELRITH_NOEXCEPT; /* 41 */
/* CmiInquireValuesAddressSpace (42): as CmiInquireValues, for the file image
 *   of `size` bytes at `address`.
 *   Options: the out pairs of CmiInquireValues: "xDimension", "yDimension",
 *   "colorMode", "compression", "predictor", "photometricInterpretation",
 *   "xResolution", "yResolution", "interlaced", "transparency",
 *   "transparencyPaletteIndex", "progressive". */
PELRITH_API int32_t PELRITH_STDCALL CmiInquireValuesAddressSpace(const void* address, int32_t count,
                                                                 int32_t firstIndex, int32_t format, int32_t size,
                                                                 CmiOptionList pairs, int32_t n,
                                                                 int32_t* status) PELRITH_NOEXCEPT; /* 42 */
/* CmiImportAndParse (43): as CmiReadAndParse, for the file image of `size`
 *   bytes at `address`. An uncompressed BMP comes back as a copy of the
 *   bytes after its 14-byte file header.
 *   Options: "repository"; PNG: "progressive", "interlacePass" (1..7). */
PELRITH_API int32_t PELRITH_STDCALL CmiImportAndParse(const void* address, HGLOBAL* images, int32_t count,
                                                      int32_t format, int32_t firstIndex, int32_t size,
                                                      CmiOptionList pairs, int32_t n,
                                                      int32_t* status) PELRITH_NOEXCEPT; /* 43 */

/* CmiGenerateAndExport (44): as CmiGenerateAndWrite, but the encoded file
 *   comes back in memory: a block the caller frees with free(), its byte
 *   count in *outSize (written on success only; outSize must not be null).
 *   Options: as CmiGenerateAndWrite: "compression", "quarityFactor",
 *   "samplingFactor", "progressive", "newSubfileType", "predictor", "k",
 *   "xResolution", "yResolution", "interlaced", "transparency",
 *   "transparencyPaletteIndex", "repository".
 *   Returns the block, or null with the status; 3 when the file would not
 *   fit a 32-bit byte count. */
PELRITH_API void* PELRITH_STDCALL CmiGenerateAndExport(const HGLOBAL* images, int32_t count, int32_t format,
                                                       int32_t* outSize, CmiOptionList pairs, int32_t n,
                                                       int32_t* status) PELRITH_NOEXCEPT; /* 44 */
/* CmiAddressSpaceFormatConvert (45): as CmiFileFormatConvert, from the file
 *   image of `size` bytes (>= 1) at `address` to a block the caller frees
 *   with free(); its byte count in *outSize (on success only).
 *   Options: those of CmiFileFormatConvert: "compression", "quarityFactor",
 *   "samplingFactor", "progressive", "newSubfileType", "predictor", "k",
 *   "xResolution", "yResolution", "interlaced", "transparency",
 *   "transparencyPaletteIndex", "index", "entries", "xDimension",
 *   "yDimension", "interpolation", "morphologicalOperation", "colorMode",
 *   "modeMethod", "modeValue", "colourQuantization", "modeLevel",
 *   "modeLevel2", "modeLevel3", "internalOperation", "destinationWidth",
 *   "destinationHeight", "destinationXPoint", "destinationYPoint",
 *   "constantLevel", "constantLevel2", "constantLevel3", "repository". */
PELRITH_API void* PELRITH_STDCALL CmiAddressSpaceFormatConvert(const void* address, int32_t sourceFormat,
                                                               int32_t targetFormat, int32_t size, int32_t* outSize,
                                                               CmiOptionList pairs, int32_t n,
                                                               int32_t* status) PELRITH_NOEXCEPT; /* 45 */
/* CmiGenerateAndExportHandle (46): as CmiGenerateAndExport, the encoded file
 *   in a new global-memory handle the caller frees with GlobalFree.
 *   Options: as CmiGenerateAndWrite: "compression", "quarityFactor",
 *   "samplingFactor", "progressive", "newSubfileType", "predictor", "k",
 *   "xResolution", "yResolution", "interlaced", "transparency",
 *   "transparencyPaletteIndex", "repository". */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiGenerateAndExportHandle(const HGLOBAL* images, int32_t count, int32_t format,
                                                               int32_t* outSize, CmiOptionList pairs, int32_t n,
                                                               int32_t* status) PELRITH_NOEXCEPT; /* 46 */
/* CmiHandleFormatConvert (47): as CmiAddressSpaceFormatConvert, from the
 *   first `size` bytes of `handle` (at most its GlobalSize, else -100) to a
 *   new handle the caller frees with GlobalFree.
 *   Options: those of CmiFileFormatConvert: "compression", "quarityFactor",
 *   "samplingFactor", "progressive", "newSubfileType", "predictor", "k",
 *   "xResolution", "yResolution", "interlaced", "transparency",
 *   "transparencyPaletteIndex", "index", "entries", "xDimension",
 *   "yDimension", "interpolation", "morphologicalOperation", "colorMode",
 *   "modeMethod", "modeValue", "colourQuantization", "modeLevel",
 *   "modeLevel2", "modeLevel3", "internalOperation", "destinationWidth",
 *   "destinationHeight", "destinationXPoint", "destinationYPoint",
 *   "constantLevel", "constantLevel2", "constantLevel3", "repository". */
PELRITH_API HGLOBAL PELRITH_STDCALL CmiHandleFormatConvert(HGLOBAL handle, int32_t sourceFormat,
                                                           int32_t targetFormat, int32_t size, int32_t* outSize,
                                                           CmiOptionList pairs, int32_t n,
                                                           int32_t* status) PELRITH_NOEXCEPT; /* 47 */

/* CmiGenerateAndWriteAndControl (48): edits the pages of a TIFF file.
 *   images, count: the new pages (count >= 1; for delete, the number of pages
 *   and images is not read). fileName: the TIFF file. format: 4 (else -100).
 *   control, page (0-based):
 *     56 append the pages at the end (page not read); a missing file is
 *        written as by CmiGenerateAndWrite;
 *     85 insert them before page `page` (page <= pages);
 *     87 replace the `count` pages from `page` on (page + count <= pages);
 *     86 delete the `count` pages from `page` on (page + count <= pages);
 *        deleting every page removes the file.
 *   A missing file gives 26 (but for 56); a range beyond the file -100.
 *   Existing pages keep their bytes and compression; the file is replaced
 *   atomically, so a failure leaves it as it was.
 *   Options (the new pages; checked as by CmiGenerateAndWrite for TIFF):
 *   "compression" (25 LZW gives 12), "newSubfileType", "predictor", "k",
 *   "xResolution", "yResolution", "repository"; "quarityFactor",
 *   "samplingFactor", "progressive", "interlaced", "transparency" and
 *   "transparencyPaletteIndex" are read with them but do not apply to TIFF.
 *   Returns 0, or the status (as also stored). */
PELRITH_API int32_t PELRITH_STDCALL CmiGenerateAndWriteAndControl(const HGLOBAL* images, int32_t count,
                                                                  const char* fileName, int32_t format,
                                                                  int32_t control, int32_t page, CmiOptionList pairs,
                                                                  int32_t n, int32_t* status) PELRITH_NOEXCEPT; /* 48 */

#endif /* PELRITH_H_ */
