// File conversion: the images of one file read into a page array, resized,
// changed in colour mode and placed on a canvas as the options ask, and
// written in another format by the write steps of the file-writing entry
// point. Every source page is read before the target is opened, and the
// target is replaced atomically, so converting a file onto itself, or a
// write that fails, never loses a file that was there.
#include <algorithm>
#include <array>

#include "Pelrith.h"
#include "api/conversion/colour_conversion_blocks.h"
#include "api/frame/call_frame.h"
#include "api/frame/format_codes.h"
#include "api/geometry/composite_resampling.h"
#include "api/geometry/geometry_common.h"
#include "api/write/write_steps.h"
#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/status.h"
#include "interchange/identify/image_count.h"

namespace {

constexpr int32_t kBadArgument = kCmiStatusBadArgument;
// "internalOperation": resize, colour mode, then canvas (46); or colour mode,
// then resize onto the canvas (47).
constexpr int32_t kResizeThenColour = 46;
constexpr int32_t kColourThenResize = 47;

struct ConvertSettings {
  int64_t width = 0;   // "xDimension"; 0 keeps the source's width
  int64_t height = 0;  // "yDimension"; 0 keeps the source's height
  int32_t interpolation = kCmiInterpolationNearest;
  int32_t morphology = kCmiMorphologyNone;
  int32_t colour_mode = 0;  // 0 keeps each page's mode
  int32_t operation = kResizeThenColour;
  int64_t canvas_width = 0;  // "destinationWidth"; 0 or less: the new size
  int64_t canvas_height = 0;
  int64_t x = 0;  // "destinationXPoint"
  int64_t y = 0;
  int64_t first_page = 0;  // "index" (TIFF source)
  int64_t page_count = 1;  // "entries" (TIFF source)

  bool resizes() const { return width != 0 || height != 0; }
};

bool FitsWord(intptr_t value) { return value >= INT32_MIN && value <= INT32_MAX; }

bool IsTargetColourMode(int32_t mode, int32_t target_format) {
  switch (mode) {
    case 0:
    case kCmiModeGrayscale: return true;
    case kCmiModeBitmap:
    case kCmiModeIndexed16:
    case kCmiModeIndexed256: return target_format != kCmiFormatJpeg;  // JPEG holds grey or colour only
    case kCmiModeRgb: return target_format != kCmiFormatGif;          // GIF holds palettes only
    default: return false;
  }
}

// The conversion options; false (-100) for a value out of its range.
bool ReadConvertSettings(const CmiOptions& options, int32_t target_format, ConvertSettings* out) {
  const intptr_t width = options.Value("xDimension", 0);
  const intptr_t height = options.Value("yDimension", 0);
  const intptr_t interpolation = options.Value("interpolation", kCmiInterpolationNearest);
  const intptr_t morphology = options.Value("morphologicalOperation", kCmiMorphologyNone);
  const intptr_t mode = options.Value("colorMode", 0);
  const intptr_t operation = options.Value("internalOperation", kResizeThenColour);
  const intptr_t canvas_width = options.Value("destinationWidth", 0);
  const intptr_t canvas_height = options.Value("destinationHeight", 0);
  const intptr_t x = options.Value("destinationXPoint", 0);
  const intptr_t y = options.Value("destinationYPoint", 0);
  const intptr_t first_page = options.Value("index", 0);
  const intptr_t page_count = options.Value("entries", 1);
  for (intptr_t value : {width, height, interpolation, morphology, mode, operation, canvas_width, canvas_height, x, y,
                         first_page, page_count}) {
    if (!FitsWord(value)) return false;
  }
  int32_t mapped = 0;
  if (width < 0 || height < 0 || !MapInterpolation(static_cast<int32_t>(interpolation), &mapped) ||
      !MapMorphology(static_cast<int32_t>(morphology), &mapped) ||
      !IsTargetColourMode(static_cast<int32_t>(mode), target_format) ||
      (operation != kResizeThenColour && operation != kColourThenResize) || first_page < 0 || page_count < 1) {
    return false;
  }
  out->width = width;
  out->height = height;
  out->interpolation = static_cast<int32_t>(interpolation);
  out->morphology = static_cast<int32_t>(morphology);
  out->colour_mode = static_cast<int32_t>(mode);
  out->operation = static_cast<int32_t>(operation);
  out->canvas_width = std::max<intptr_t>(canvas_width, 0);
  out->canvas_height = std::max<intptr_t>(canvas_height, 0);
  out->x = x;
  out->y = y;
  out->first_page = first_page;
  out->page_count = page_count;
  FillLevels levels = kDefaultFillLevels;
  return ReadFillLevelOptions(options, &levels);
}

// A new page array of `entries` entries.
IpiObject* NewPageArray(CmiCall& call, int64_t entries, int64_t first_page = 0) {
  return call.CreateObject(nullptr, &kCompositeIdArrayClass, nullptr,
                           {{"entries", static_cast<intptr_t>(entries)},
                            {"xMatchPoint", static_cast<intptr_t>(first_page)}});
}

// The source's pages in a new array, read and settled for conversion. A TIFF
// source gives the asked pages that the file holds (the first must be
// there); every other format one image.
IpiObject* ReadSource(CmiCall& call, const char* file_name, int32_t source_format, const ConvertSettings& settings) {
  IpiSystem* sys = call.sys();
  const int32_t internal_format = InternalReadFormat(source_format);
  int64_t entries = 1;
  if (internal_format == kFormatTiff) {
    const int64_t pages = IpiCountFileImages(sys, file_name, internal_format);
    if (pages < 1) {
      call.FailFromContext();
      return nullptr;
    }
    if (settings.first_page >= pages) {
      call.Fail(kBadArgument);
      return nullptr;
    }
    entries = std::min(settings.page_count, pages - settings.first_page);
  }
  IpiObject* array = NewPageArray(call, entries, internal_format == kFormatTiff ? settings.first_page : 0);
  if (array == nullptr) return nullptr;
  for (int64_t i = 0; i < entries; ++i) {
    IpiObject* palette = call.CreateObject(nullptr, &kLookupTableClass, nullptr, {{"bDimension", 3}});
    if (palette == nullptr) return nullptr;
    IpiObject* page = call.CreateImage(nullptr, nullptr,
                                       {{"repository", call.repository()},
                                        {"lut", static_cast<intptr_t>(IpiObjectId(palette))}});
    if (page == nullptr || !call.Ok(IpiPutCompositeElement(sys, page, array, i))) return nullptr;
  }
  int32_t rc = 0;
  if (ReadForConversion(sys, file_name, array, internal_format, nullptr, 0, &rc) != 0) {
    call.Fail(rc);
    return nullptr;
  }
  return array;
}

// The width and height of the first page, for a canvas side the options leave open.
void FirstPageSize(IpiSystem* sys, IpiObject* pages, int64_t* width, int64_t* height) {
  IpiObject* page = IpiGetCompositeElement(sys, pages, 0);
  *width = page != nullptr ? page->fields.dimension[kDimX] : 0;
  *height = page != nullptr ? page->fields.dimension[kDimY] : 0;
}

// Resizing, colour mode and canvas in the order the options ask; the result
// is a page array of the same count.
IpiObject* Transform(CmiCall& call, IpiObject* pages, const ConvertSettings& s, const IpiAttributePair* pairs,
                     int32_t n) {
  IpiSystem* sys = call.sys();
  const auto entries = static_cast<int64_t>(IpiInquireAttribute(sys, pages, "entries"));
  const auto convert_colour = [&](IpiObject* from) -> IpiObject* {
    if (s.colour_mode == 0) return from;
    IpiObject* to = NewPageArray(call, entries);
    int32_t rc = 0;
    if (to == nullptr) return nullptr;
    if (ConvertCompositeColourMode(sys, from, to, s.colour_mode, pairs, n, &rc) != 0) {
      call.Fail(rc);
      return nullptr;
    }
    return to;
  };
  const auto resample = [&](IpiObject* from, const CompositeResampling& how) -> IpiObject* {
    IpiObject* to = NewPageArray(call, entries);
    int32_t rc = 0;
    if (to == nullptr) return nullptr;
    if (ResampleComposite(sys, from, to, how, call.options(), &rc) != 0) {
      call.Fail(rc);
      return nullptr;
    }
    return to;
  };
  CompositeResampling how;
  how.interpolation = s.interpolation;
  how.morphology = s.morphology;
  if (s.operation == kColourThenResize) {
    IpiObject* converted = convert_colour(pages);
    if (converted == nullptr || !s.resizes()) return converted;
    how.width = s.canvas_width > 0 ? s.canvas_width : s.width;
    how.height = s.canvas_height > 0 ? s.canvas_height : s.height;
    how.destination = {s.x, s.y, s.width, s.height};
    return resample(converted, how);
  }
  IpiObject* resized = pages;
  if (s.resizes()) {
    how.width = s.width;
    how.height = s.height;
    resized = resample(pages, how);
    if (resized == nullptr) return nullptr;
  }
  IpiObject* converted = convert_colour(resized);
  if (converted == nullptr || (s.canvas_width == 0 && s.canvas_height == 0)) return converted;
  int64_t width = 0, height = 0;
  FirstPageSize(sys, converted, &width, &height);
  const int64_t canvas_width = s.canvas_width > 0 ? s.canvas_width : width;
  const int64_t canvas_height = s.canvas_height > 0 ? s.canvas_height : height;
  if (canvas_width == width && canvas_height == height) return converted;
  IpiObject* placed = NewPageArray(call, entries);
  int32_t rc = 0;
  if (placed == nullptr) return nullptr;
  if (PlaceOnCanvas(sys, converted, placed, canvas_width, canvas_height, s.x, s.y, call.options(), &rc) != 0) {
    call.Fail(rc);
    return nullptr;
  }
  return placed;
}

}  // namespace

int32_t PELRITH_STDCALL CmiFileFormatConvert(const char* sourceFile, const char* targetFile, int32_t sourceFormat,
                                             int32_t targetFormat, CmiOptionList pairs, int32_t n,
                                             int32_t* status) noexcept {
  return CmiRun(status, [&]() -> int32_t {
    CmiCall call(status, pairs, n);
    ConvertSettings settings;
    CmiWriteSettings write_settings;
    const bool arguments_ok = sourceFile != nullptr && targetFile != nullptr &&
                              InternalReadFormat(sourceFormat) != 0 &&
                              CmiWriteStepFor(targetFormat) != nullptr && call.options().valid() &&
                              ReadConvertSettings(call.options(), targetFormat, &settings) &&
                              ReadWriteSettings(pairs, n, targetFormat, &write_settings) == 0;
    if (!call.Begin(arguments_ok) || !call.OpenContext()) return call.status();
    IpiObject* pages = ReadSource(call, sourceFile, sourceFormat, settings);
    if (pages == nullptr) return call.Close();
    IpiObject* result = Transform(call, pages, settings, pairs, n);
    if (result == nullptr) return call.Close();
    // A JPEG target takes grey or colour: its write step expands a palette
    // page by its palette (grey when every entry is grey), whatever its depth.
    const CmiFormatPairs format_pairs(write_settings);
    int32_t rc = 0;
    (void)CmiWriteStepFor(targetFormat)(call.sys(), result, targetFile, format_pairs.data(), format_pairs.count(), &rc);
    call.Fail(rc);
    return call.Close();
  }, kCmiStatusSystemFailure);
}
