// Reading a file's images for conversion and changing the colour mode of
// every image of a composite array. Palettes are settled right after reading,
// so every later step and writer sees the same picture: grey images carry a
// ramp (its direction taken from how the file stores grey), colour images
// none.
#include <array>

#include "api/conversion/colour_conversion_blocks.h"
#include "api/frame/fill_levels.h"
#include "api/frame/options.h"
#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/operators/data_type_conversion.h"
#include "core/status.h"
#include "interchange/dispatch/read_front.h"

namespace {

constexpr int32_t kBadArgument = kCmiStatusBadArgument;

// Codes the readers leave in "photometricInterpretation" and "colourType".
constexpr int32_t kPhotometricWhiteIsZero = 222;
constexpr int32_t kPhotometricBlackIsZero = 17;
constexpr int32_t kPhotometricPalette = 157;
constexpr int32_t kPhotometricSeparated = 33;
constexpr int32_t kPngColourGrey = 265;
constexpr int32_t kPngColourRgb = 266;
constexpr int32_t kPngColourRgbAlpha = 268;
constexpr int32_t kFourBands = 4;

int Settle(int32_t* status, int code) {
  *status = code;
  return code;
}

int LastError(IpiSystem* sys) {
  const int last = IpiGetLastError(sys);
  return last != 0 ? last : kIpiSyntaxError;
}

// Gives the image a grey-ramp palette of its precision (a new one when it
// has none).
int AttachGreyRamp(IpiSystem* sys, IpiObject* image, bool inverted) {
  IpiObject* palette = image->fields.lut != 0 ? IpiObjectFromId(sys, image->fields.lut) : nullptr;
  if (palette == nullptr) {
    palette = IpiCreateObject(sys, nullptr, &kLookupTableClass, nullptr, nullptr, 0);
    if (palette == nullptr) return LastError(sys);
    IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, image, "lut", static_cast<intptr_t>(IpiObjectId(palette))));
  }
  return FillGrayRamp(sys, palette, image->fields.data_precision, inverted);
}

int DropPalette(IpiSystem* sys, IpiObject* image) { return IpiSetAttribute(sys, image, "lut", 0); }

// A colour image with an alpha band becomes one of three bands in the same
// entry of the array.
int DropAlpha(IpiSystem* sys, IpiObject* array, int64_t index, IpiObject* image) {
  // No template: the PNG colour type of the image would describe the new one
  // as having alpha.
  const IpiObjectFields& f = image->fields;
  const IpiAttribute shape[] = {{"xDimension", f.dimension[kDimX]},
                                {"yDimension", f.dimension[kDimY]},
                                {"zDimension", 1},
                                {"tDimension", 1},
                                {"bDimension", 3},
                                {"dataType", kDataTypeNonnegative},
                                {"dataPrecision", 8},
                                {"repository", f.repository == kRepositoryFile ? kRepositoryFile : kRepositoryGlobalBlock},
                                {"colourSpace", f.colour_space}};
  IpiObject* colour = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 9);
  if (colour == nullptr) return LastError(sys);
  IPI_RETURN_IF_ERROR(IpiConvertDataType(sys, image, colour));
  return IpiPutCompositeElement(sys, colour, array, index);
}

int SettleTiffPage(IpiSystem* sys, IpiObject* page) {
  const int32_t bands = page->fields.dimension[kDimB];
  const auto photometric = static_cast<int32_t>(IpiInquireAttribute(sys, page, "photometricInterpretation"));
  if (bands == kFourBands || (bands == 1 && photometric == kPhotometricSeparated)) {
    return IpiRefuse(sys, kIpiSyntaxError);
  }
  if (bands != 1) return kIpiNoError;
  if (photometric != kPhotometricWhiteIsZero && photometric != kPhotometricBlackIsZero) return kIpiNoError;
  IPI_RETURN_IF_ERROR(AttachGreyRamp(sys, page, photometric == kPhotometricWhiteIsZero));
  return IpiSetAttribute(sys, page, "photometricInterpretation", kPhotometricPalette);
}

int SettleImage(IpiSystem* sys, IpiObject* array, int64_t index, IpiObject* image, int32_t format) {
  const int32_t bands = image->fields.dimension[kDimB];
  switch (format) {
    case kFormatTiff: return SettleTiffPage(sys, image);
    case kFormatJpegLib: return bands == 1 ? AttachGreyRamp(sys, image, false) : DropPalette(sys, image);
    case kFormatZoltra: return AttachGreyRamp(sys, image, true);
    case kFormatPng: {
      // The PNG reader refuses grey with alpha, so only colour carries an alpha band.
      const auto colour_type = static_cast<int32_t>(IpiInquireAttribute(sys, image, "colourType"));
      if (colour_type == kPngColourGrey) return AttachGreyRamp(sys, image, false);
      if (colour_type == kPngColourRgb) return DropPalette(sys, image);
      if (colour_type == kPngColourRgbAlpha) {
        IPI_RETURN_IF_ERROR(DropPalette(sys, image));
        return DropAlpha(sys, array, index, image);
      }
      return kIpiNoError;
    }
    default: return kIpiNoError;  // BMP, GIF and PCX images are usable as read
  }
}

bool IsConversionSource(int32_t format) {
  switch (format) {
    case kFormatTiff:
    case kFormatJpegLib:
    case kFormatZoltra:
    case kFormatPng:
    case kFormatBmp:
    case kFormatGif:
    case kFormatPcx: return true;
    default: return false;
  }
}

// The options of a colour-mode change over the target's defaults.
struct ModeOptions {
  int32_t method = kReductionErrorDiffusion;
  int32_t threshold = 127;
  IndexedReduction reduction;
};

bool ReadModeOptions(const CmiOptions& options, int32_t target_mode, ModeOptions* out) {
  out->reduction.levels = target_mode == kCmiModeIndexed16 ? std::array<int32_t, 3>{2, 4, 2}
                                                           : std::array<int32_t, 3>{8, 8, 4};
  const auto word = [&](const char* name, int32_t fallback) {
    const intptr_t value = options.Value(name, fallback);
    return value >= INT32_MIN && value <= INT32_MAX ? static_cast<int32_t>(value) : INT32_MIN;
  };
  out->method = word("modeMethod", kReductionErrorDiffusion);
  out->threshold = word("modeValue", 127);
  out->reduction.method = out->method;
  out->reduction.palette_kind = word("colourQuantization", kPaletteKindHistogram);
  out->reduction.levels = {word("modeLevel", out->reduction.levels[0]), word("modeLevel2", out->reduction.levels[1]),
                           word("modeLevel3", out->reduction.levels[2])};
  switch (target_mode) {
    case kCmiModeBitmap:
      return IsBitmapMethod(out->method) && (out->method != kReductionThreshold || IsThresholdValue(out->threshold));
    case kCmiModeIndexed16:
    case kCmiModeIndexed256:
      return IsIndexedMethod(out->method) && IsPaletteKind(out->reduction.palette_kind) &&
             LevelsFitPalette(out->reduction.levels, target_mode == kCmiModeIndexed16 ? 16 : 256);
    case kCmiModeGrayscale:
    case kCmiModeRgb: return true;
    default: return false;
  }
}

IpiObject* ConvertImage(IpiSystem* sys, IpiObject* image, int32_t source_mode, int32_t target_mode,
                        const ModeOptions& options, int32_t* status) {
  switch (target_mode) {
    case kCmiModeBitmap: return ObjectToBitmap(sys, image, source_mode, options.method, options.threshold, status);
    case kCmiModeIndexed16: return ObjectToIndexed16(sys, image, source_mode, options.reduction, status);
    case kCmiModeIndexed256: return ObjectToIndexed256(sys, image, source_mode, options.reduction, status);
    case kCmiModeGrayscale: return ObjectToGrayscale(sys, image, source_mode, status);
    default: return ObjectToRgb(sys, image, source_mode, status);
  }
}

}  // namespace

int ReadForConversion(IpiSystem* sys, const char* file_name, IpiObject* composite, int32_t internal_format,
                      const IpiAttribute* pairs, int count, int32_t* status) {
  *status = 0;
  if (!IsConversionSource(internal_format)) return Settle(status, kBadArgument);
  if (const int rc = IpiReadFile(sys, file_name, composite, internal_format, pairs, count); rc != 0) {
    return Settle(status, rc);
  }
  const auto entries = static_cast<int64_t>(IpiInquireAttribute(sys, composite, "entries"));
  for (int64_t i = 0; i < entries; ++i) {
    IpiObject* image = IpiGetCompositeElement(sys, composite, i);
    if (image == nullptr) return Settle(status, LastError(sys));
    if (const int rc = SettleImage(sys, composite, i, image, internal_format); rc != 0) return Settle(status, rc);
  }
  return kIpiNoError;
}

int ConvertCompositeColourMode(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t target_mode,
                               const IpiAttributePair* pairs, int32_t count, int32_t* status) {
  *status = 0;
  const CmiOptions options(pairs, count);
  ModeOptions mode_options;
  if (!options.valid() || !ReadModeOptions(options, target_mode, &mode_options)) return Settle(status, kBadArgument);
  if (IpiCheckObject(sys, source) == nullptr || IpiCheckObject(sys, destination) == nullptr) {
    return Settle(status, kIpiInvalidInstance);
  }
  const auto entries = static_cast<int64_t>(IpiInquireAttribute(sys, source, "entries"));
  for (int64_t i = 0; i < entries; ++i) {
    IpiObject* image = IpiGetCompositeElement(sys, source, i);
    if (image == nullptr) return Settle(status, LastError(sys));
    const int32_t source_mode = ColourModeOfImage(sys, image);
    if (source_mode == 0) return Settle(status, kBadArgument);
    IpiObject* result = image;
    if (source_mode != target_mode) {
      int32_t rc = 0;
      result = ConvertImage(sys, image, source_mode, target_mode, mode_options, &rc);
      if (result == nullptr) return Settle(status, rc);
    }
    if (const int rc = IpiPutCompositeElement(sys, result, destination, i); rc != 0) return Settle(status, rc);
  }
  return kIpiNoError;
}
