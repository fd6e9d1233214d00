// Inquiring image files: the format, the number of images, and the main
// values of each image (size, colour mode, compression, resolution and the
// format's own flags), from header passes only. The out pairs of a values
// inquiry point at pointer-sized targets: one per page for TIFF, else one.
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "Pelrith.h"
#include "api/frame/call_frame.h"
#include "api/read/image_file.h"
#include "api/read/read_entry.h"
#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/status.h"
#include "interchange/bmp/bmp_header.h"
#include "interchange/common/interchange_codes.h"

namespace {

constexpr int32_t kPhotometricReported = 51;     // what every page reports
constexpr int32_t kResolutionUnitCentimetre = 23;
constexpr double kCentimetresPerInch = 2.54;
constexpr double kMetresPerInch = 0.0254;
constexpr int32_t kPublicCompressionLzw = 25;
constexpr double kDpiRounding = 0.9;  // the rounding of the reported dots per inch

// The out-pair names, and what an image reports for each.
enum OutName {
  kOutCompression,
  kOutXDimension,
  kOutYDimension,
  kOutColourMode,
  kOutPredictor,
  kOutPhotometric,
  kOutXResolution,
  kOutYResolution,
  kOutInterlaced,
  kOutTransparency,
  kOutTransparencyIndex,
  kOutProgressive,
  kOutNameCount
};
constexpr const char* kOutNames[kOutNameCount] = {
    "compression", "xDimension",   "yDimension",   "colorMode",    "predictor",                "photometricInterpretation",
    "xResolution", "yResolution",  "interlaced",   "transparency", "transparencyPaletteIndex", "progressive"};

int OutNameIndex(const char* name) {
  if (name == nullptr) return -1;
  for (int i = 0; i < kOutNameCount; ++i) {
    if (std::strcmp(name, kOutNames[i]) == 0) return i;
  }
  return -1;
}

enum class Slot { kUntouched, kValue, kInexpressible };
struct Reported {
  Slot slot = Slot::kUntouched;
  int64_t value = 0;
};
using ReportedValues = std::array<Reported, kOutNameCount>;

Reported Value(int64_t value) { return {Slot::kValue, value}; }
Reported Inexpressible() { return {Slot::kInexpressible, 0}; }

// Every out pair of a known name must have a target.
bool OutTargetsPresent(CmiOptionList pairs, int32_t n) {
  if (pairs == nullptr) return true;
  for (int32_t i = 0; i < n; ++i) {
    if (OutNameIndex(pairs[i].name) >= 0 && pairs[i].value == 0) return false;
  }
  return true;
}

// Writes entry `page` of each out pair in the caller's order. A value the
// interface cannot express stops the filling there with -100; what was
// written before stays.
int FillOutPairs(CmiOptionList pairs, int32_t n, const ReportedValues& values, int64_t page) {
  for (int32_t i = 0; i < n && pairs != nullptr; ++i) {
    const int index = OutNameIndex(pairs[i].name);
    if (index < 0) continue;
    const Reported& reported = values[index];
    if (reported.slot == Slot::kUntouched) continue;
    if (reported.slot == Slot::kInexpressible) return kCmiStatusBadArgument;
    reinterpret_cast<intptr_t*>(pairs[i].value)[page] = static_cast<intptr_t>(reported.value);
  }
  return 0;
}

int64_t Attribute(IpiSystem* sys, IpiObject* image, const char* name) {
  return static_cast<int64_t>(IpiInquireAttribute(sys, image, name));
}

Reported PublicCompression(int64_t internal) {
  switch (internal) {
    case kCompressionNone: return Value(kCmiCompressionNone);
    case kCompressionCcittHuffman: return Value(kCmiCompressionMh);
    case kCompressionCcittMr: return Value(kCmiCompressionMr);
    case kCompressionCcittMmr: return Value(kCmiCompressionMmr);
    case kCompressionCcittHuffmanNoEol: return Value(kCmiCompressionCcittHuffman);
    case kCompressionLzw: return Value(kPublicCompressionLzw);  // reported, though no coder reads it
    case kCompressionPackBits: return Value(kCmiCompressionPackBits);
    default: return Inexpressible();
  }
}

// Colour samples are three bands of 8 bits, or one band of 24 bits where a
// reader keeps them interleaved.
Reported ColourMode(int32_t format, int64_t bands, int64_t precision) {
  const bool rgb = (bands == 3 && precision == 8) || (bands == 1 && precision == 24);
  switch (format) {
    case kFormatJpegLib:
      if (rgb) return Value(kCmiModeRgb);
      if (bands == 1 && precision == 8) return Value(kCmiModeGrayscale);
      return Inexpressible();
    case kFormatGif:
      if (precision == 1) return Value(kCmiModeBitmap);
      if (precision >= 2 && precision <= 4) return Value(kCmiModeIndexed16);
      if (precision >= 5 && precision <= 8) return Value(kCmiModeIndexed256);
      return Inexpressible();
    case kFormatZoltra:
      return precision == 1 ? Value(kCmiModeBitmap) : Inexpressible();
    case kFormatPng:
      if (rgb || (bands == 4 && precision == 8)) return Value(kCmiModeRgb);
      if (precision == 1) return Value(kCmiModeBitmap);
      if (precision == 2 || precision == 4) return Value(kCmiModeIndexed16);
      if ((bands == 1 || bands == 2) && precision == 8) return Value(kCmiModeIndexed256);
      return Inexpressible();
    default:  // TIFF, BMP, PCX
      if (rgb) return Value(kCmiModeRgb);
      if (bands == 1 && precision == 1) return Value(kCmiModeBitmap);
      if (bands == 1 && precision == 4) return Value(kCmiModeIndexed16);
      if (bands == 1 && precision == 8) return Value(kCmiModeIndexed256);
      return Inexpressible();
  }
}

// A TIFF rational {numerator, denominator} as dots per inch; none gives 0.
int64_t TiffDotsPerInch(intptr_t rational_address, int64_t unit) {
  if (rational_address == 0) return 0;
  const auto* rational = reinterpret_cast<const uint32_t*>(rational_address);
  const uint32_t numerator = rational[0];
  const uint32_t denominator = rational[1];
  if (unit == kResolutionUnitCentimetre) {
    const double per_cm = denominator == 0 ? numerator : static_cast<double>(numerator) / denominator;
    return static_cast<int64_t>(per_cm * kCentimetresPerInch + kDpiRounding);
  }
  return denominator == 0 ? numerator : numerator / denominator;
}

// Pixels per metre as dots per inch. The header's value is a signed 32-bit
// field, so the product stays far inside the range of the result.
int64_t DotsPerInchFromMetres(int64_t pixels_per_metre) {
  return static_cast<int64_t>(static_cast<double>(pixels_per_metre) * kMetresPerInch + kDpiRounding);
}

ReportedValues TiffPageValues(IpiSystem* sys, IpiObject* page) {
  ReportedValues v;
  const int64_t compression = Attribute(sys, page, "compression");
  v[kOutCompression] = compression == kCompressionBmpRunLength ? Inexpressible() : PublicCompression(compression);
  v[kOutXDimension] = Value(Attribute(sys, page, "xDimension"));
  v[kOutYDimension] = Value(Attribute(sys, page, "yDimension"));
  v[kOutColourMode] =
      ColourMode(kFormatTiff, Attribute(sys, page, "bDimension"), Attribute(sys, page, "dataPrecision"));
  v[kOutPredictor] = Value(Attribute(sys, page, "predictor"));
  v[kOutPhotometric] = Value(kPhotometricReported);
  const int64_t unit = Attribute(sys, page, "resolutionUnit");
  v[kOutXResolution] = Value(TiffDotsPerInch(IpiInquireAttribute(sys, page, "xResolution"), unit));
  v[kOutYResolution] = Value(TiffDotsPerInch(IpiInquireAttribute(sys, page, "yResolution"), unit));
  return v;
}

ReportedValues SingleImageValues(IpiSystem* sys, IpiObject* image, int32_t format) {
  ReportedValues v;
  v[kOutXDimension] = Value(Attribute(sys, image, "xDimension"));
  v[kOutYDimension] = Value(Attribute(sys, image, "yDimension"));
  v[kOutColourMode] =
      ColourMode(format, Attribute(sys, image, "bDimension"), Attribute(sys, image, "dataPrecision"));
  v[kOutPhotometric] = Value(kPhotometricReported);
  const int64_t compression = Attribute(sys, image, "compression");
  switch (format) {
    case kFormatGif:
      v[kOutInterlaced] = Value(Attribute(sys, image, "interlacedImage"));
      v[kOutTransparency] = Value(Attribute(sys, image, "transparency"));
      v[kOutTransparencyIndex] = Value(Attribute(sys, image, "transparencyPaletteIndex"));
      break;
    case kFormatPng:
      v[kOutInterlaced] = Value(Attribute(sys, image, "interlacedImage") != 0 ? 1 : 0);
      break;
    case kFormatBmp:
      v[kOutCompression] = compression == kCompressionNone           ? Value(kCmiCompressionNone)
                           : compression == kCompressionBmpRunLength ? Value(kCmiCompressionBmpRle)
                                                                     : Inexpressible();
      v[kOutXResolution] = Value(DotsPerInchFromMetres(Attribute(sys, image, "xResolution")));
      v[kOutYResolution] = Value(DotsPerInchFromMetres(Attribute(sys, image, "yResolution")));
      break;
    case kFormatZoltra: {
      const bool known = compression == kCompressionNone || compression == kCompressionCcittHuffman ||
                         compression == kCompressionCcittMr || compression == kCompressionCcittMmr;
      v[kOutCompression] = known ? PublicCompression(compression) : Inexpressible();
      const bool metric = Attribute(sys, image, "resolutionUnit") == kResolutionUnitPixelsPerMetre;
      const int64_t x = Attribute(sys, image, "xResolution");
      const int64_t y = Attribute(sys, image, "yResolution");
      v[kOutXResolution] = Value(metric ? DotsPerInchFromMetres(x) : x);
      v[kOutYResolution] = Value(metric ? DotsPerInchFromMetres(y) : y);
      break;
    }
    case kFormatPcx:
      v[kOutXResolution] = Value(Attribute(sys, image, "horizontalResolution"));
      v[kOutYResolution] = Value(Attribute(sys, image, "verticalResolution"));
      break;
    case kFormatJpegLib:
      v[kOutProgressive] = Value(Attribute(sys, image, "progressive"));
      break;
    default:
      break;
  }
  return v;
}

// The headers of k = min(count, pages - firstIndex) pages from firstIndex on.
void InquireTiffPages(CmiCall& call, const CmiImageFile& file, int32_t count, int32_t first_index,
                      CmiOptionList pairs, int32_t n) {
  IpiSystem* sys = call.sys();
  int64_t k = 0;
  IpiObject* array = CreateTiffPageRange(call, file, count, first_index, &k);
  if (array == nullptr) return;
  if (!call.Ok(ReadImageFileHeaders(sys, file, array, kFormatTiff))) return;
  for (int64_t i = 0; i < k; ++i) {
    IpiObject* page = IpiGetCompositeElement(sys, array, i);
    if (page == nullptr) {
      call.FailFromContext();
      return;
    }
    if (!call.Ok(FillOutPairs(pairs, n, TiffPageValues(sys, page), i))) return;
  }
}

void InquireSingleImage(CmiCall& call, const CmiImageFile& file, int32_t format, CmiOptionList pairs, int32_t n) {
  IpiObject* image = call.CreateImage("oImage", nullptr, {{"repository", kRepositoryGlobalBlock}});
  if (image == nullptr) return;
  if (!call.Ok(ReadImageFileHeaders(call.sys(), file, image, format))) return;
  (void)call.Ok(FillOutPairs(pairs, n, SingleImageValues(call.sys(), image, format), 0));
}

}  // namespace

int32_t InquireImageFileFormat(const CmiImageFile& file, CmiOptionList pairs, int32_t n, int32_t* status) {
  return CmiRun(status, [&]() -> int32_t {
    CmiCall call(status, pairs, n);
    if (!call.Begin(file.valid()) || !call.OpenContext()) return 0;
    const int32_t internal = IdentifyImageFile(call.sys(), file);
    int32_t code = 0;
    if (internal == 0) {
      call.FailFromContext();
    } else {
      code = PublicFileFormat(internal);
      if (code == 0) call.Fail(kCmiStatusBadArgument);  // a format the interface has no code for
    }
    return call.Close() == 0 ? code : 0;
  });
}

int32_t InquireImageFileCount(const CmiImageFile& file, int32_t format, CmiOptionList pairs, int32_t n,
                              int32_t* status) {
  return CmiRun(status, [&]() -> int32_t {
    CmiCall call(status, pairs, n);
    if (!call.Begin(file.valid() && (format == kCmiFormatGif || format == kCmiFormatTiff))) return 0;
    // A GIF file holds one image: the answer needs no look at the file, and
    // a file that cannot be read says so when it is read.
    if (format == kCmiFormatGif) return 1;
    if (!call.OpenContext()) return 0;
    const int64_t pages = CountImageFilePages(call.sys(), file, kFormatTiff);
    if (pages <= 0) call.FailFromContext();
    const int32_t result = static_cast<int32_t>(std::min<int64_t>(pages, std::numeric_limits<int32_t>::max()));
    return call.Close() == 0 ? result : 0;
  });
}

int32_t InquireImageFileValues(const CmiImageFile& file, int32_t count, int32_t first_index, int32_t format,
                               CmiOptionList pairs, int32_t n, int32_t* status) {
  return CmiRun(status, [&]() -> int32_t {
    CmiCall call(status, pairs, n);
    const int32_t internal = InternalReadFormat(format);
    const bool paged = internal == kFormatTiff || internal == kFormatGif;
    if (!call.Begin(file.valid() && internal != 0 && OutTargetsPresent(pairs, n) &&
                    (!paged || (count >= 1 && first_index >= 0)))) {
      return call.status();
    }
    if (!call.OpenContext()) return call.status();
    if (internal == kFormatTiff) {
      InquireTiffPages(call, file, count, first_index, pairs, n);
    } else {
      InquireSingleImage(call, file, internal, pairs, n);
    }
    return call.Close();
  }, kCmiStatusSystemFailure);
}

int32_t PELRITH_STDCALL CmiInquireFileFormat(const char* fileName, CmiOptionList pairs, int32_t n,
                                             int32_t* status) noexcept {
  return InquireImageFileFormat(CmiImageFile::Named(fileName), pairs, n, status);
}

int32_t PELRITH_STDCALL CmiInquireImageNumber(const char* fileName, int32_t format, CmiOptionList pairs, int32_t n,
                                              int32_t* status) noexcept {
  return InquireImageFileCount(CmiImageFile::Named(fileName), format, pairs, n, status);
}

int32_t PELRITH_STDCALL CmiInquireValues(const char* fileName, int32_t count, int32_t firstIndex, int32_t format,
                                         CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  return InquireImageFileValues(CmiImageFile::Named(fileName), count, firstIndex, format, pairs, n, status);
}
