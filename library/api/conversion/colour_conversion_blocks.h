// Colour-mode conversions of library objects: one image into a bitmap, a 16-
// or 256-colour palette image, grey or RGB, and the same over every page of
// a composite array. The colour-mode entry points and file conversion share
// them, so each conversion is written once. A converter never changes or
// deletes its source; its result is a new image of the same context (the
// source itself only where a converter says so).
#ifndef PELRITH_API_CONVERSION_COLOUR_CONVERSION_BLOCKS_H_
#define PELRITH_API_CONVERSION_COLOUR_CONVERSION_BLOCKS_H_

#include <array>
#include <cstdint>

#include "Pelrith.h"
#include "core/objects/object.h"
#include "core/system/system.h"

// Colour-reduction methods ("method" arguments and the option "modeMethod").
inline constexpr int32_t kReductionNone = 0;  // indexed targets only
inline constexpr int32_t kReductionThreshold = 19;
inline constexpr int32_t kReductionErrorDiffusion = 20;
inline constexpr int32_t kReductionOrderedDither = 21;

// Palette kinds of the indexed targets (the option "colourQuantization").
inline constexpr int32_t kPaletteKindHistogram = 22;  // colours chosen from the image
inline constexpr int32_t kPaletteKindUniform = 23;    // even steps per channel
inline constexpr int32_t kPaletteKindReserved = 24;   // passes the checks; the quantizer refuses it (12)

// What an indexed conversion of an 8- or 24-bit image is asked for.
struct IndexedReduction {
  int32_t method = kReductionErrorDiffusion;
  int32_t palette_kind = kPaletteKindHistogram;
  std::array<int32_t, 3> levels = {2, 4, 2};  // red, green, blue
};

// Argument checks shared by the entry points and the option reader; each
// true when the value is one the conversion accepts.
[[nodiscard]] bool IsBitmapMethod(int32_t method);                   // 19, 20, 21
[[nodiscard]] bool IsThresholdValue(int32_t threshold);             // 0..255
[[nodiscard]] bool IsIndexedMethod(int32_t method);                 // 0, 20, 21
[[nodiscard]] bool IsPaletteKind(int32_t kind);                     // 22, 23, 24
// Every level is 2 or more (the quantizer refuses fewer with 18, so this is
// not checked here) and their product fits a palette of `palette_entries`
// (256 or 16). File conversion checks its options with it before any image
// is touched; the converters leave the levels to the quantizer (18).
[[nodiscard]] bool LevelsFitPalette(const std::array<int32_t, 3>& levels, int32_t palette_entries);

// The colour mode an image's shape stands for: one band of precision 1 -> 14,
// 4 -> 15, 8 -> 16 (one 8-bit band always counts as 16), three bands of 8
// bits -> 18; 0 for any other shape (and for an inquiry that fails).
[[nodiscard]] int32_t ColourModeOfImage(IpiSystem* sys, IpiObject* image);

// The single-image converters. `source_mode` states what the caller knows
// the image to be; an image whose bands and precision do not match it, or a
// mode the converter does not take, gives -100. Each returns the new image,
// or null with `*status` set (-100, or the failing library call's code; 22
// when a call failed without recording why).
//
// RGB (three 8-bit bands, no palette) from modes 14, 15, 16, 17 through the
// image's palette (a grey ramp when it has none).
[[nodiscard]] IpiObject* ObjectToRgb(IpiSystem* sys, IpiObject* image, int32_t source_mode, int32_t* status);
// 8-bit grey without a palette from modes 14, 15, 16 (through RGB and the
// luminance weights), 18 (luminance), or 50 (the 8-bit values complemented).
[[nodiscard]] IpiObject* ObjectToGrayscale(IpiSystem* sys, IpiObject* image, int32_t source_mode,
                                           int32_t* status);
// A bitmap (black 0, white 1, no palette) from modes 15, 16, 18 (through
// grey) and 17 (the 8-bit values taken as grey): method 19 sets the pixels
// whose grey is `threshold` (0..255) or more; 20 diffuses the error; 21
// dithers with the 4 x 4 ordered matrix.
[[nodiscard]] IpiObject* ObjectToBitmap(IpiSystem* sys, IpiObject* image, int32_t source_mode, int32_t method,
                                        int32_t threshold, int32_t* status);
// 8-bit palette image from mode 14 (the two colours kept as entries 0 and 1),
// 15 (the 16 entries kept) or 18 (dithered as `reduction` says, then
// quantized to a palette of the levels' product).
[[nodiscard]] IpiObject* ObjectToIndexed256(IpiSystem* sys, IpiObject* image, int32_t source_mode,
                                            const IndexedReduction& reduction, int32_t* status);
// 4-bit palette image from mode 14 (the two colours kept), 16 and 17 (through
// RGB) or 18, quantized to at most 16 colours.
[[nodiscard]] IpiObject* ObjectToIndexed16(IpiSystem* sys, IpiObject* image, int32_t source_mode,
                                           const IndexedReduction& reduction, int32_t* status);


// Reads every image of `file_name` (internal format 207, 274, 216, 259, 225,
// 92 or 246) into the prepared `composite` and makes their palettes usable by
// every writer: grey pages get ramp palettes, colour pages none, and the
// alpha band of a PNG image is dropped. 0, or the status (also stored in
// `*status`): -100 for another format, 22 for separated-colour or four-band
// TIFF pages, else the reader's error.
[[nodiscard]] int ReadForConversion(IpiSystem* sys, const char* file_name, IpiObject* composite,
                                    int32_t internal_format, const IpiAttribute* pairs, int count,
                                    int32_t* status);

// Converts every image of `source` to `target_mode` (14..18) into the same
// index of `destination` (an array of as many entries); an image already in
// that mode is put there unchanged. Options: "modeMethod", "colourQuantization"
// (palette kind), "modeValue" (threshold), "modeLevel", "modeLevel2",
// "modeLevel3", over the defaults of the target mode. Options the target
// cannot take give -100 before any image is touched. 0 or the first failure's
// status (also stored in `*status`).
[[nodiscard]] int ConvertCompositeColourMode(IpiSystem* sys, IpiObject* source, IpiObject* destination,
                                             int32_t target_mode, const IpiAttributePair* pairs, int32_t count,
                                             int32_t* status);

#endif  // PELRITH_API_CONVERSION_COLOUR_CONVERSION_BLOCKS_H_
