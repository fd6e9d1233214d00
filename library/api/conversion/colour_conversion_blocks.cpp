// The single-image colour converters. Every new image is
// made with its whole shape stated and no template, so intermediates can be
// deleted as soon as they are used: nothing returned is derived from them.
#include "api/conversion/colour_conversion_blocks.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <vector>

#include "core/codes.h"
#include "core/objects/address_space.h"
#include "core/objects/attributes.h"
#include "core/objects/scoped_object.h"
#include "core/objects/tuple.h"
#include "core/operators/colour/colour_conversion.h"
#include "core/operators/colour/colour_quantization.h"
#include "core/operators/data_type_conversion.h"
#include "core/operators/point/error_diffusion.h"
#include "core/operators/point/ordered_dither.h"
#include "core/operators/point/point_operators.h"
#include "core/operators/point/threshold.h"
#include "core/status.h"

namespace {

constexpr int32_t kBadArgument = kCmiStatusBadArgument;
constexpr int32_t kByteMax = 255;
// The quantizer code that no method answers to: kind 24 reaches the
// quantizer with it and is refused there.
constexpr int32_t kQuantizeReserved = 251;
// 8-bit values at or above this are a set bit of a widened bitmap (0 or 255).
constexpr int32_t kWidenedBitThreshold = 128;

struct ImageShape {
  int32_t bands = 0;
  int32_t precision = 0;
  uint32_t lut = 0;
};

bool InquireShape(IpiSystem* sys, IpiObject* image, ImageShape* shape) {
  if (IpiCheckObject(sys, image) == nullptr) return false;
  shape->bands = image->fields.dimension[kDimB];
  shape->precision = image->fields.data_precision;
  shape->lut = image->fields.lut;
  return true;
}

bool ShapeIsMode(const ImageShape& shape, int32_t mode) {
  switch (mode) {
    case kCmiModeBitmap: return shape.bands == 1 && shape.precision == 1;
    case kCmiModeIndexed16: return shape.bands == 1 && shape.precision == 4;
    case kCmiModeIndexed256:
    case kCmiModeGrayscale:
    case kCmiModeInvertedGrayscale: return shape.bands == 1 && shape.precision == 8;
    case kCmiModeRgb: return shape.bands == 3 && shape.precision == 8;
    default: return false;
  }
}

// Null with the status of a failure; a call that failed without recording
// why still never reads as success.
IpiObject* Failed(int32_t* status, int code) {
  *status = code != 0 ? code : kIpiSyntaxError;
  return nullptr;
}

int LastError(IpiSystem* sys) {
  const int last = IpiGetLastError(sys);
  return last != 0 ? last : kIpiSyntaxError;
}

// A new image of the caller's image's size: `bands` bands of `precision`
// bits, no compression, palette `lut` (0: none), in the image's repository.
// It is made without a template: the caller's image may carry attributes of
// its file format (a PNG colour type, a TIFF photometric) that would
// misdescribe the new image to a writer, and nothing made here is deleted
// with the caller's image.
IpiObject* NewImage(IpiSystem* sys, IpiObject* like, int32_t bands, int32_t precision, uint32_t lut) {
  const int32_t data_type = precision == 1 ? kDataTypeBoolean : kDataTypeNonnegative;
  const IpiAttribute shape[] = {
      {"xDimension", like->fields.dimension[kDimX]},
      {"yDimension", like->fields.dimension[kDimY]},
      {"zDimension", 1},
      {"tDimension", 1},
      {"bDimension", bands},
      // dataType first: it sets the precision from the context, which the next entry replaces.
      {"dataType", data_type},
      {"dataPrecision", precision},
      {"lut", static_cast<intptr_t>(lut)},
      {"repository", like->fields.repository == kRepositoryFile ? kRepositoryFile : kRepositoryGlobalBlock},
      {"bitOrder", kOrderMsbFirst},
      {"byteOrder", kOrderMsbFirst},
      {"colourSpace", bands == 3 ? kColourSpaceEntryPointRgb : 0},
  };
  return IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, static_cast<int>(std::size(shape)));
}

// A palette of `entries` entries filled from three planes (red, green, blue).
IpiObject* NewPalette(IpiSystem* sys, const std::vector<uint8_t>& planes, int32_t entries) {
  ScopedObject palette(sys, IpiCreateObject(sys, nullptr, &kLookupTableClass, nullptr, nullptr, 0));
  if (!palette) return nullptr;
  const IpiAttribute shape[] = {{"dataType", kDataTypeNonnegative},
                                {"dataPrecision", 8},
                                {"entries", entries},
                                {"bDimension", 3}};
  if (IpiSetAttributes(sys, palette.get(), shape, 4) != 0) return nullptr;
  if (!planes.empty()) {
    const IpiAttribute size_pair[] = {{"size", static_cast<intptr_t>(planes.size())}};
    if (IpiImportFromAddressSpace(sys, const_cast<uint8_t*>(planes.data()), palette.get(), size_pair, 1) != 0) {
      return nullptr;
    }
  }
  return palette.release();
}

// The image's palette as three planes of `entries` entries: entries it lacks
// are black, an image without one gets a grey ramp of that many entries, and a
// one-band palette gives the same value to all three planes.
int ReadPalettePlanes(IpiSystem* sys, IpiObject* image, int32_t entries, std::vector<uint8_t>* planes) {
  planes->assign(3 * static_cast<size_t>(entries), 0);
  IpiObject* palette = image->fields.lut != 0 ? IpiObjectFromId(sys, image->fields.lut) : nullptr;
  const int32_t held = palette != nullptr ? palette->fields.dimension[kDimX] : 0;
  const int32_t held_bands = palette != nullptr ? palette->fields.dimension[kDimB] : 0;
  if (palette == nullptr || held < 1 || (held_bands != 1 && held_bands != 3) ||
      palette->fields.data_precision != 8) {
    for (int32_t i = 0; i < entries; ++i) {
      const auto level = static_cast<uint8_t>(entries > 1 ? i * kByteMax / (entries - 1) : 0);
      for (int band = 0; band < 3; ++band) (*planes)[static_cast<size_t>(band * entries + i)] = level;
    }
    return kIpiNoError;
  }
  std::vector<uint8_t> stored(static_cast<size_t>(held) * static_cast<size_t>(held_bands));
  const IpiAttribute size_pair[] = {{"size", static_cast<intptr_t>(stored.size())}};
  IPI_RETURN_IF_ERROR(IpiExportToAddressSpace(sys, palette, stored.data(), size_pair, 1));
  const int32_t used = std::min(held, entries);
  for (int band = 0; band < 3; ++band) {
    const int source_band = held_bands == 3 ? band : 0;
    for (int32_t i = 0; i < used; ++i) {
      (*planes)[static_cast<size_t>(band * entries + i)] = stored[static_cast<size_t>(source_band * held + i)];
    }
  }
  return kIpiNoError;
}

// A copy of the image's palette widened to index every value of its precision.
IpiObject* FullPalette(IpiSystem* sys, IpiObject* image, int32_t precision, int* rc) {
  std::vector<uint8_t> planes;
  *rc = ReadPalettePlanes(sys, image, int32_t{1} << precision, &planes);
  if (*rc != 0) return nullptr;
  IpiObject* palette = NewPalette(sys, planes, int32_t{1} << precision);
  if (palette == nullptr) *rc = LastError(sys);
  return palette;
}

IpiObject* NewTuple(IpiSystem* sys, const std::array<int32_t, 3>& values) {
  return IpiCreateTupleN(sys, values.data(), 3);
}

// The 4 x 4 ordered-dither matrix as a dither array.
IpiObject* NewBayerArray(IpiSystem* sys) {
  ScopedObject array(sys, IpiCreateObject(sys, nullptr, &kDitherArrayClass, nullptr, nullptr, 0));
  if (!array) return nullptr;
  const IpiAttribute shape[] = {{"dataType", kDataTypeNonnegative},
                                {"dataPrecision", 8},
                                {"xDimension", kBayerSize},
                                {"yDimension", kBayerSize},
                                {"scaleFactor", kBayerScaleFactor}};
  if (IpiSetAttributes(sys, array.get(), shape, 5) != 0) return nullptr;
  const IpiAttribute size_pair[] = {{"size", static_cast<intptr_t>(sizeof kBayerMatrix)}};
  if (IpiImportFromAddressSpace(sys, const_cast<uint8_t*>(kBayerMatrix), array.get(), size_pair, 1) != 0) {
    return nullptr;
  }
  return array.release();
}

int32_t QuantizerCode(int32_t palette_kind) {
  switch (palette_kind) {
    case kPaletteKindHistogram: return kQuantizeByHistogram;
    case kPaletteKindUniform: return kQuantizeUniform;
    default: return kQuantizeReserved;
  }
}

// A two-colour palette image as palette indices 0 and 1 of `precision` bits
// (4 or 8), its two colours kept as entries 0 and 1 of a palette of
// `entries`, all others black.
IpiObject* BitmapToIndexed(IpiSystem* sys, IpiObject* image, int32_t precision, int32_t entries, int32_t* status) {
  std::vector<uint8_t> two;
  if (const int rc = ReadPalettePlanes(sys, image, 2, &two); rc != 0) return Failed(status, rc);
  std::vector<uint8_t> planes(3 * static_cast<size_t>(entries), 0);
  for (int band = 0; band < 3; ++band) {
    for (int i = 0; i < 2; ++i) planes[static_cast<size_t>(band * entries + i)] = two[static_cast<size_t>(band * 2 + i)];
  }
  IpiObject* palette = NewPalette(sys, planes, entries);
  if (palette == nullptr) return Failed(status, LastError(sys));
  // The bit copy gives 0 or 255 per pixel; the threshold makes that 0 or 1.
  ScopedObject widened(sys, NewImage(sys, image, 1, 8, 0));
  if (!widened) return Failed(status, LastError(sys));
  if (const int rc = IpiConvertDataType(sys, image, widened.get()); rc != 0) return Failed(status, rc);
  IpiObject* result = NewImage(sys, image, 1, precision, IpiObjectId(palette));
  if (result == nullptr) return Failed(status, LastError(sys));
  const int rc = IpiThreshold(sys, widened.get(), result, IpiIntegerValue(kWidenedBitThreshold), IpiIntegerValue(0),
                              IpiIntegerValue(1));
  if (rc != 0) return Failed(status, rc);
  return result;
}

// Dithers a three-band image as `reduction` asks (levels `dither_levels` per
// band) and quantizes it to `entries` colours by the palette kind and the
// reduction's levels, into one band of `precision` bits.
IpiObject* QuantizeRgb(IpiSystem* sys, IpiObject* like, IpiObject* rgb, const IndexedReduction& reduction,
                       const std::array<int32_t, 3>& dither_levels, int32_t entries, int32_t precision,
                       int32_t* status) {
  ScopedObject levels(sys, NewTuple(sys, reduction.levels));
  if (!levels) return Failed(status, LastError(sys));
  ScopedObject dithered;
  IpiObject* quantizer_source = rgb;
  if (reduction.method != kReductionNone) {
    ScopedObject steps(sys, NewTuple(sys, dither_levels));
    dithered = ScopedObject(sys, NewImage(sys, like, 3, 8, 0));
    if (!steps || !dithered) return Failed(status, LastError(sys));
    int rc = 0;
    if (reduction.method == kReductionErrorDiffusion) {
      const IpiAttribute method[] = {{"errorDiffusion", kErrorDiffusionFloydSteinberg}};
      rc = IpiSetSystemAttributes(sys, method, 1);
      if (rc == 0) rc = IpiErrorDiffusion(sys, rgb, dithered.get(), steps.get());
    } else {
      ScopedObject matrix(sys, NewBayerArray(sys));
      rc = matrix ? IpiOrderedDither(sys, rgb, dithered.get(), matrix.get(), steps.get()) : LastError(sys);
    }
    if (rc != 0) return Failed(status, rc);
    quantizer_source = dithered.get();
  }
  IpiObject* palette = NewPalette(sys, {}, entries);
  if (palette == nullptr) return Failed(status, LastError(sys));
  IpiObject* result = NewImage(sys, like, 1, precision, IpiObjectId(palette));
  if (result == nullptr) return Failed(status, LastError(sys));
  const IpiAttribute kind[] = {{"colourQuantization", QuantizerCode(reduction.palette_kind)}};
  int rc = IpiSetSystemAttributes(sys, kind, 1);
  if (rc == 0) rc = IpiQuantizeColours(sys, quantizer_source, result, palette, levels.get());
  if (rc != 0) return Failed(status, rc);
  return result;
}

// The levels are not checked here: the quantizer refuses a product its
// palette cannot hold (18).
bool IsIndexedReduction(const IndexedReduction& reduction) {
  return IsIndexedMethod(reduction.method) && IsPaletteKind(reduction.palette_kind);
}

}  // namespace

bool IsBitmapMethod(int32_t method) {
  return method == kReductionThreshold || method == kReductionErrorDiffusion || method == kReductionOrderedDither;
}
bool IsThresholdValue(int32_t threshold) { return threshold >= 0 && threshold <= kByteMax; }
bool IsIndexedMethod(int32_t method) {
  return method == kReductionNone || method == kReductionErrorDiffusion || method == kReductionOrderedDither;
}
bool IsPaletteKind(int32_t kind) {
  return kind == kPaletteKindHistogram || kind == kPaletteKindUniform || kind == kPaletteKindReserved;
}
bool LevelsFitPalette(const std::array<int32_t, 3>& levels, int32_t palette_entries) {
  int64_t product = 1;
  for (int32_t level : levels) {
    if (level < 2) return true;  // the quantizer refuses it (18)
    if (level > palette_entries) return false;
    product *= level;  // at most 256^3: no overflow
  }
  return product <= palette_entries;
}

int32_t ColourModeOfImage(IpiSystem* sys, IpiObject* image) {
  ImageShape shape;
  if (!InquireShape(sys, image, &shape)) return 0;
  for (int32_t mode : {kCmiModeBitmap, kCmiModeIndexed16, kCmiModeIndexed256, kCmiModeRgb}) {
    if (ShapeIsMode(shape, mode)) return mode;
  }
  return 0;
}

IpiObject* ObjectToRgb(IpiSystem* sys, IpiObject* image, int32_t source_mode, int32_t* status) {
  *status = 0;
  ImageShape shape;
  const bool takes_mode = source_mode == kCmiModeBitmap || source_mode == kCmiModeIndexed16 ||
                          source_mode == kCmiModeIndexed256 || source_mode == kCmiModeGrayscale;
  if (!takes_mode || !InquireShape(sys, image, &shape) || !ShapeIsMode(shape, source_mode)) {
    return Failed(status, kBadArgument);
  }
  int rc = 0;
  ScopedObject palette(sys, FullPalette(sys, image, shape.precision, &rc));
  if (!palette) return Failed(status, rc);
  ScopedObject rgb(sys, NewImage(sys, image, 3, 8, 0));
  if (!rgb) return Failed(status, LastError(sys));
  rc = IpiConvertImageType(sys, image, rgb.get(), palette.get(), 0);
  if (rc != 0) return Failed(status, rc);
  return rgb.release();
}

IpiObject* ObjectToGrayscale(IpiSystem* sys, IpiObject* image, int32_t source_mode, int32_t* status) {
  *status = 0;
  ImageShape shape;
  const bool takes_mode = source_mode == kCmiModeBitmap || source_mode == kCmiModeIndexed16 ||
                          source_mode == kCmiModeIndexed256 || source_mode == kCmiModeRgb ||
                          source_mode == kCmiModeInvertedGrayscale;
  if (!takes_mode || !InquireShape(sys, image, &shape) || !ShapeIsMode(shape, source_mode)) {
    return Failed(status, kBadArgument);
  }
  ScopedObject grey(sys, NewImage(sys, image, 1, 8, 0));
  if (!grey) return Failed(status, LastError(sys));
  if (source_mode == kCmiModeInvertedGrayscale) {
    if (const int rc = IpiInvert(sys, image, grey.get()); rc != 0) return Failed(status, rc);
    return grey.release();
  }
  ScopedObject expanded;
  IpiObject* rgb = image;
  if (source_mode != kCmiModeRgb) {
    expanded = ScopedObject(sys, ObjectToRgb(sys, image, source_mode, status));
    if (!expanded) return nullptr;
    rgb = expanded.get();
  }
  // The luminance weights come with the colour space; the caller's image
  // gets its own colour space back.
  const int32_t colour_space = rgb->fields.colour_space;
  rgb->fields.colour_space = kColourSpaceEntryPointRgb;
  const int rc = IpiColourToMonochrome(sys, rgb, grey.get());
  rgb->fields.colour_space = colour_space;
  if (rc != 0) return Failed(status, rc);
  return grey.release();
}

IpiObject* ObjectToBitmap(IpiSystem* sys, IpiObject* image, int32_t source_mode, int32_t method, int32_t threshold,
                          int32_t* status) {
  *status = 0;
  ImageShape shape;
  const bool takes_mode = source_mode == kCmiModeIndexed16 || source_mode == kCmiModeIndexed256 ||
                          source_mode == kCmiModeGrayscale || source_mode == kCmiModeRgb;
  if (!takes_mode || !IsBitmapMethod(method) || (method == kReductionThreshold && !IsThresholdValue(threshold)) ||
      !InquireShape(sys, image, &shape) || !ShapeIsMode(shape, source_mode)) {
    return Failed(status, kBadArgument);
  }
  ScopedObject converted;
  IpiObject* grey = image;  // an 8-bit grey image is taken by its values
  if (source_mode != kCmiModeGrayscale) {
    converted = ScopedObject(sys, ObjectToGrayscale(sys, image, source_mode, status));
    if (!converted) return nullptr;
    grey = converted.get();
  }
  ScopedObject bitmap(sys, NewImage(sys, image, 1, 1, 0));
  if (!bitmap) return Failed(status, LastError(sys));
  int rc = 0;
  switch (method) {
    case kReductionThreshold:
      rc = IpiThreshold(sys, grey, bitmap.get(), IpiIntegerValue(threshold), IpiIntegerValue(0), IpiIntegerValue(1));
      break;
    case kReductionErrorDiffusion: {
      const IpiAttribute diffusion[] = {{"errorDiffusion", kErrorDiffusionFloydSteinberg}};
      rc = IpiSetSystemAttributes(sys, diffusion, 1);
      if (rc == 0) rc = IpiErrorDiffusion(sys, grey, bitmap.get(), nullptr);
      break;
    }
    default: {
      ScopedObject matrix(sys, NewBayerArray(sys));
      rc = matrix ? IpiOrderedDither(sys, grey, bitmap.get(), matrix.get(), nullptr) : LastError(sys);
      break;
    }
  }
  if (rc != 0) return Failed(status, rc);
  return bitmap.release();
}

IpiObject* ObjectToIndexed256(IpiSystem* sys, IpiObject* image, int32_t source_mode,
                              const IndexedReduction& reduction, int32_t* status) {
  *status = 0;
  constexpr int32_t kEntries = 256;
  ImageShape shape;
  const bool takes_mode =
      source_mode == kCmiModeBitmap || source_mode == kCmiModeIndexed16 || source_mode == kCmiModeRgb;
  if (!takes_mode || !InquireShape(sys, image, &shape) || !ShapeIsMode(shape, source_mode)) {
    return Failed(status, kBadArgument);
  }
  switch (source_mode) {
    case kCmiModeBitmap: return BitmapToIndexed(sys, image, 8, kEntries, status);
    case kCmiModeIndexed16: {
      // The 16 entries lead a palette of 256; the indices are copied as they are.
      std::vector<uint8_t> planes;
      if (const int rc = ReadPalettePlanes(sys, image, 16, &planes); rc != 0) return Failed(status, rc);
      std::vector<uint8_t> wide(3 * static_cast<size_t>(kEntries), 0);
      for (int band = 0; band < 3; ++band) {
        std::copy_n(planes.begin() + band * 16, 16, wide.begin() + band * kEntries);
      }
      IpiObject* palette = NewPalette(sys, wide, kEntries);
      if (palette == nullptr) return Failed(status, LastError(sys));
      ScopedObject result(sys, NewImage(sys, image, 1, 8, IpiObjectId(palette)));
      if (!result) return Failed(status, LastError(sys));
      if (const int rc = IpiConvertDataType(sys, image, result.get()); rc != 0) return Failed(status, rc);
      return result.release();
    }
    default:
      if (!IsIndexedReduction(reduction)) return Failed(status, kBadArgument);
      return QuantizeRgb(sys, image, image, reduction, reduction.levels, kEntries, 8, status);
  }
}

IpiObject* ObjectToIndexed16(IpiSystem* sys, IpiObject* image, int32_t source_mode,
                             const IndexedReduction& reduction, int32_t* status) {
  *status = 0;
  constexpr int32_t kEntries = 16;
  ImageShape shape;
  const bool takes_mode = source_mode == kCmiModeBitmap || source_mode == kCmiModeIndexed256 ||
                          source_mode == kCmiModeGrayscale || source_mode == kCmiModeRgb;
  if (!takes_mode || !InquireShape(sys, image, &shape) || !ShapeIsMode(shape, source_mode)) {
    return Failed(status, kBadArgument);
  }
  if (source_mode == kCmiModeBitmap) return BitmapToIndexed(sys, image, 4, kEntries, status);
  if (!IsIndexedReduction(reduction)) return Failed(status, kBadArgument);
  // Dithering before the 16-colour palette steps each channel by a fixed
  // number of levels per palette kind.
  std::array<int32_t, 3> dither_levels = {3, 3, 3};
  if (reduction.palette_kind == kPaletteKindHistogram) dither_levels = {6, 6, 6};
  if (reduction.palette_kind == kPaletteKindUniform) dither_levels = {2, 2, 2};
  ScopedObject expanded;
  IpiObject* rgb = image;
  if (source_mode != kCmiModeRgb) {
    expanded = ScopedObject(sys, ObjectToRgb(sys, image, source_mode, status));
    if (!expanded) return nullptr;
    rgb = expanded.get();
  }
  return QuantizeRgb(sys, image, rgb, reduction, dither_levels, kEntries, 4, status);
}
