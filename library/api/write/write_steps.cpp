// The write steps of the file-writing entry point; see write_steps.h. Pages
// are library objects of the call's context; every file goes through the
// interchange write front, which replaces the target atomically.
#include "api/write/write_steps.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>

#include "api/frame/fill_levels.h"
#include "api/frame/format_codes.h"
#include "api/frame/packed_bitmap.h"
#include "core/codes.h"
#include "core/objects/address_space.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/objects/scoped_object.h"
#include "core/operators/point/point_operators.h"
#include "core/status.h"
#include "interchange/bmp/bmp_header.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dib/dib.h"
#include "interchange/dispatch/write_front.h"
#include "interchange/tiff/tiff_tags.h"

namespace {

using Rgb = std::array<uint8_t, 3>;

// "quarityFactor" 1..10 to the libjpeg quality.
constexpr std::array<int32_t, 10> kQualityTable = {34, 63, 77, 82, 87, 89, 91, 92, 93, 94};

constexpr int32_t kSubfileOptionImage = 34;
constexpr int32_t kSubfileOptionPage = 36;
constexpr int32_t kSamplingOptionFirst = 37;   // 37, 38, 39 -> 238, 239, 240
constexpr int32_t kSamplingCodeFirst = 238;
constexpr int32_t kGifVersionTransparency = 237;
constexpr int32_t kResolutionUnitInch = 106;
constexpr intptr_t kByteBoundaryOn = 256;

bool IsTiffCompression(int32_t c) {
  return c == kCmiCompressionNone || c == 25 || (c >= kCmiCompressionCcittHuffman && c <= kCmiCompressionPackBits);
}

bool IsNamed(const IpiAttributePair& pair, const char* name) {
  return pair.name != nullptr && std::strcmp(pair.name, name) == 0;
}

bool UsesResolution(int32_t format) {
  return format == kCmiFormatTiff || format == kCmiFormatBmp || format == kCmiFormatPcx;
}

int32_t SetStatus(int32_t* status, int32_t code) {
  if (status != nullptr) *status = code;
  return code;
}

// Brightness of a palette colour, for comparing two entries.
int32_t Luminance(const Rgb& c) { return 299 * c[0] + 587 * c[1] + 114 * c[2]; }
bool IsGrey(const Rgb& c) { return c[0] == c[1] && c[1] == c[2]; }

// The palette of `image` (empty without one), entries as the table holds them.
int ReadPalette(IpiSystem* sys, IpiObject* image, std::vector<Rgb>* out) {
  out->clear();
  IpiObject* lut = image->fields.lut != 0 ? IpiObjectFromId(sys, image->fields.lut) : nullptr;
  if (lut == nullptr) return kIpiNoError;
  const int64_t entries = lut->fields.dimension[kDimX];
  if (entries < 1 || entries > 65536 || lut->fields.dimension[kDimB] < 3) return kIpiNoError;
  std::vector<uint8_t> planes(static_cast<size_t>(3 * entries));
  const IpiAttribute size_pair[] = {{"size", static_cast<intptr_t>(planes.size())}};
  IPI_RETURN_IF_ERROR(IpiExportToAddressSpace(sys, lut, planes.data(), size_pair, 1));
  out->resize(static_cast<size_t>(entries));
  for (int64_t i = 0; i < entries; ++i) {
    (*out)[static_cast<size_t>(i)] = {planes[static_cast<size_t>(i)], planes[static_cast<size_t>(entries + i)],
                                      planes[static_cast<size_t>(2 * entries + i)]};
  }
  return kIpiNoError;
}

// Whether entries 0 .. 2^bits - 1 form the grey ramp rising (or falling) from black.
bool IsGreyRamp(const std::vector<Rgb>& palette, int32_t bits, bool falling) {
  const int64_t n = int64_t{1} << bits;
  if (static_cast<int64_t>(palette.size()) < n) return false;
  for (int64_t i = 0; i < n; ++i) {
    const auto rising = static_cast<uint8_t>(i * 255 / (n - 1));
    const uint8_t v = falling ? static_cast<uint8_t>(255 - rising) : rising;
    if (palette[static_cast<size_t>(i)] != Rgb{v, v, v}) return false;
  }
  return true;
}

bool IsOneBit(const IpiObject& page) {
  return page.fields.dimension[kDimB] == 1 && page.fields.data_precision == 1;
}

// Entry 0 darker than entry 1: the page's 0 bits are black. A page without a
// palette is read as the standard black-then-white one.
bool ZeroIsBlack(const std::vector<Rgb>& palette) {
  if (palette.size() < 2) return true;
  return Luminance(palette[0]) < Luminance(palette[1]);
}

// The photometric interpretation of an uncompressed or PackBits page.
int32_t PhotometricOf(const IpiObject& page, const std::vector<Rgb>& palette) {
  const int32_t bits = page.fields.data_precision;
  if (page.fields.dimension[kDimB] != 1) return 0;  // colour: the writer's choice
  if (palette.empty()) return kPhotometricCodeBlackIsZero;
  // A bitmap keeps its two colours as a colour map: the page reads back with
  // the palette it was written with, whichever colour comes first.
  if (bits == 1) return kPhotometricCodePalette;
  if (IsGreyRamp(palette, bits, false)) return kPhotometricCodeBlackIsZero;
  if (IsGreyRamp(palette, bits, true)) return kPhotometricCodeWhiteIsZero;
  return kPhotometricCodePalette;
}

int32_t Fail(int32_t* status, int code) { return SetStatus(status, code); }

// Entry 0 of the pages, or null with the error.
IpiObject* FirstPage(IpiSystem* sys, IpiObject* pages, int* rc) {
  IpiObject* page = IpiGetCompositeElement(sys, pages, 0);
  *rc = page != nullptr ? 0 : IpiGetLastError(sys);
  if (page == nullptr && *rc == 0) *rc = kIpiInvalidInstance;
  return page;
}

// Packed-bitmap rows (bottom-up) of a palette image expanded through its palette.
struct ExpandedRows {
  std::vector<uint8_t> bytes;
  int64_t row_bytes = 0;
  int components = 0;  // 1 grey, 3 blue, green, red
};

// A palette image expanded through its palette into rows without a palette:
// 8-bit grey when every entry is grey, else 24-bit colour. The rows travel as
// packed bitmaps, the one form every index depth shares.
int ExpandPalette(IpiSystem* sys, IpiObject* page, const std::vector<Rgb>& palette, ExpandedRows* out) {
  const IpiObjectFields& f = page->fields;
  const int64_t width = f.dimension[kDimX];
  const int64_t height = f.dimension[kDimY];
  const bool is_grey = std::all_of(palette.begin(), palette.end(), IsGrey);
  const PackedDibLayout in_layout = PackedDibLayoutFor(width, height, 1, f.data_precision);
  const PackedDibLayout out_layout = PackedDibLayoutFor(width, height, is_grey ? 1 : 3, 8);
  if (in_layout.total_bytes == 0 || out_layout.total_bytes == 0) return IpiRefuse(sys, kIpiNonPermissibleOption);
  std::vector<uint8_t> source(static_cast<size_t>(in_layout.total_bytes));
  const IpiAttribute source_size[] = {{"size", static_cast<intptr_t>(source.size())}};
  IPI_RETURN_IF_ERROR(IpiExportDib(sys, page, source.data(), kFormatPackedBitmap, source_size, 1));

  out->row_bytes = static_cast<int64_t>(out_layout.row_bytes);
  out->components = is_grey ? 1 : 3;
  out->bytes.assign(static_cast<size_t>(out_layout.row_bytes * static_cast<uint64_t>(height)), 0);
  // A colour for each index the depth can hold; indices past the table are black.
  const int32_t bits = f.data_precision;
  std::vector<Rgb> colours(size_t{1} << bits, Rgb{0, 0, 0});
  std::copy_n(palette.begin(), std::min(palette.size(), colours.size()), colours.begin());
  const uint8_t* in_rows = source.data() + kBmpInfoHeaderBytes + uint64_t{in_layout.palette_entries} * 4;
  const int32_t mask = (1 << bits) - 1;
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* in = in_rows + static_cast<uint64_t>(y) * in_layout.row_bytes;
    uint8_t* row_out = out->bytes.data() + static_cast<uint64_t>(y) * out_layout.row_bytes;
    for (int64_t x = 0; x < width; ++x) {
      const int64_t bit = x * bits;
      const int32_t shift = 8 - bits - static_cast<int32_t>(bit % 8);
      const Rgb& c = colours[static_cast<size_t>((in[bit / 8] >> shift) & mask)];
      if (is_grey) {
        row_out[x] = c[0];
      } else {
        row_out[3 * x] = c[2];
        row_out[3 * x + 1] = c[1];
        row_out[3 * x + 2] = c[0];
      }
    }
  }
  return kIpiNoError;
}

// A one-band image without a palette gets a grey ramp of its depth, named "oLUT".
int AttachGreyRamp(IpiSystem* sys, IpiObject* page, int32_t precision) {
  const IpiAttribute shape[] = {{"entries", intptr_t{1} << precision}, {"bDimension", 3}};
  IpiObject* lut = IpiCreateObject(sys, "oLUT", &kLookupTableClass, nullptr, shape, 2);
  if (lut == nullptr) return IpiGetLastError(sys);
  IPI_RETURN_IF_ERROR(FillGrayRamp(sys, lut, precision, false));
  return IpiSetAttribute(sys, page, "lut", static_cast<intptr_t>(IpiObjectId(lut)));
}

}  // namespace

int32_t CmiInternalFormat(int32_t format) {
  // Every format the library reads it also writes, but for the tagged raster format.
  return format == kCmiFormatZoltra ? 0 : InternalReadFormat(format);
}

int32_t CmiInternalCompression(int32_t compression) {
  switch (compression) {
    case kCmiCompressionNone: return kCompressionNone;
    case 25: return kCompressionLzw;
    case kCmiCompressionCcittHuffman: return kCompressionCcittHuffmanNoEol;
    case kCmiCompressionMh: return kCompressionCcittHuffman;
    case kCmiCompressionMr: return kCompressionCcittMr;
    case kCmiCompressionMmr: return kCompressionCcittMmr;
    case kCmiCompressionPackBits: return kCompressionPackBits;
    case kCmiCompressionBmpRle: return kCompressionBmpRunLength;
    default: return -1;
  }
}

bool CmiIsFaxCompression(int32_t c) {
  return c == kCompressionCcittHuffmanNoEol || c == kCompressionCcittHuffman || c == kCompressionCcittMr ||
         c == kCompressionCcittMmr;
}

int ReadWriteSettings(const IpiAttributePair* pairs, int32_t n, int32_t format, CmiWriteSettings* out) {
  CmiWriteSettings s;
  s.format = format;
  if (CmiInternalFormat(format) == 0 || (n > 0 && pairs == nullptr)) return kCmiStatusBadArgument;
  for (int32_t i = 0; i < n; ++i) {
    const IpiAttributePair& p = pairs[i];
    if (IsNamed(p, "compression")) s.compression = static_cast<int32_t>(std::clamp<intptr_t>(p.value, -1, 1000));
    if (IsNamed(p, "quarityFactor") && p.value >= 1 && p.value <= 10) {
      s.quality = kQualityTable[static_cast<size_t>(p.value - 1)];
    }
    if (IsNamed(p, "newSubfileType")) s.subfile_type = static_cast<int32_t>(std::clamp<intptr_t>(p.value, -1, 1000));
    if (IsNamed(p, "samplingFactor")) s.sampling_factor = static_cast<int32_t>(std::clamp<intptr_t>(p.value, -1, 1000));
    if (IsNamed(p, "interlaced")) s.interlaced = p.value;
    if (IsNamed(p, "k")) s.k = p.value;
    if (IsNamed(p, "predictor")) s.predictor = p.value;
    if (IsNamed(p, "transparency")) s.transparency = p.value;
    if (IsNamed(p, "transparencyPaletteIndex")) s.transparency_index = p.value;
    if (IsNamed(p, "xResolution")) s.x_dpi = p.value;
    if (IsNamed(p, "yResolution")) s.y_dpi = p.value;
    if (IsNamed(p, "progressive")) s.progressive = p.value;
  }
  switch (format) {
    case kCmiFormatTiff:
      if (!IsTiffCompression(s.compression)) return kCmiStatusBadArgument;
      if (s.subfile_type != kSubfileOptionImage && s.subfile_type != kSubfileOptionPage) return kCmiStatusBadArgument;
      break;
    case kCmiFormatBmp:
      if (s.compression != kCmiCompressionNone && s.compression != kCmiCompressionBmpRle) return kCmiStatusBadArgument;
      break;
    case kCmiFormatJpeg:
      if (s.sampling_factor < kSamplingOptionFirst || s.sampling_factor > kSamplingOptionFirst + 2) {
        return kCmiStatusBadArgument;
      }
      break;
    default: break;
  }
  if (UsesResolution(format)) {
    for (intptr_t dpi : {s.x_dpi, s.y_dpi}) {
      if (dpi < 0 || dpi > kCmiMaxResolutionDpi) return kCmiStatusBadArgument;
    }
  }
  *out = s;
  return 0;
}

CmiFormatPairs::CmiFormatPairs(const CmiWriteSettings& s) {
  const bool has_resolution = s.x_dpi != 0 || s.y_dpi != 0;
  switch (s.format) {
    case kCmiFormatTiff: {
      const int32_t compression = CmiInternalCompression(s.compression);
      pairs_.push_back({"compression", compression});
      pairs_.push_back({"newSubfileType", s.subfile_type == kSubfileOptionPage ? kSubfileCodePage : kSubfileCodeImage});
      // The predictor shares its attribute with the fax coders' end-of-line
      // alignment: it is handed on only where it means a predictor.
      if (!CmiIsFaxCompression(compression)) pairs_.push_back({"predictor", s.predictor});
      pairs_.push_back({"k", s.k});
      if (has_resolution) {
        pairs_.push_back({"resolutionUnit", kResolutionUnitInch});
        x_rational_ = {static_cast<uint32_t>(s.x_dpi), 1};
        y_rational_ = {static_cast<uint32_t>(s.y_dpi), 1};
        if (s.x_dpi != 0) pairs_.push_back({"xResolution", reinterpret_cast<intptr_t>(x_rational_.data())});
        if (s.y_dpi != 0) pairs_.push_back({"yResolution", reinterpret_cast<intptr_t>(y_rational_.data())});
      }
      break;
    }
    case kCmiFormatBmp:
      pairs_.push_back({"compression", CmiInternalCompression(s.compression)});
      if (has_resolution) {
        pairs_.push_back({"resolutionUnit", kResolutionUnitPixelsPerMetre});
        if (s.x_dpi != 0) pairs_.push_back({"xResolution", CmiPixelsPerMetre(s.x_dpi)});
        if (s.y_dpi != 0) pairs_.push_back({"yResolution", CmiPixelsPerMetre(s.y_dpi)});
      }
      break;
    case kCmiFormatJpeg:
      pairs_.push_back({"compression", kCompressionNone});
      pairs_.push_back({"progressive", s.progressive});
      pairs_.push_back({"quarityFactor", s.quality});
      pairs_.push_back({"samplingFactor", kSamplingCodeFirst + (s.sampling_factor - kSamplingOptionFirst)});
      break;
    case kCmiFormatGif:
      pairs_.push_back({"compression", kCompressionLzw});
      pairs_.push_back({"interlacedImage", s.interlaced});
      if (s.transparency != 0) {
        pairs_.push_back({"version", kGifVersionTransparency});
        pairs_.push_back({"transparency", s.transparency});
        pairs_.push_back({"transparencyPaletteIndex", s.transparency_index});
      }
      break;
    case kCmiFormatPcx:
      pairs_.push_back({"compression", kCompressionPcxRunLength});
      if (s.x_dpi != 0) pairs_.push_back({"horizontalResolution", std::min(s.x_dpi, kCmiMaxPcxResolutionDpi)});
      if (s.y_dpi != 0) pairs_.push_back({"verticalResolution", std::min(s.y_dpi, kCmiMaxPcxResolutionDpi)});
      break;
    case kCmiFormatPng:
      pairs_.push_back({"interlacedImage", s.interlaced != 0 ? 1 : 0});
      break;
    default: break;
  }
}

IpiObject* BuildPages(CmiCall& call, const HGLOBAL* images, int32_t count, const CmiWriteSettings& settings) {
  // Every bitmap is checked before any is imported.
  std::vector<const CmiSource*> sources;
  sources.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const CmiSource* source = call.LockSource(images[i]);
    if (source == nullptr) return nullptr;
    sources.push_back(source);
  }
  const bool is_tiff = settings.format == kCmiFormatTiff;
  if (is_tiff && CmiIsFaxCompression(CmiInternalCompression(settings.compression))) {
    for (const CmiSource* source : sources) {
      if (source->info.bits_per_pixel != 1) {
        call.Fail(kCmiStatusBadArgument);
        return nullptr;
      }
    }
  }
  if (!call.OpenContext()) return nullptr;
  if (is_tiff) {
    const IpiAttribute boundary[] = {{"byteBoundary", kByteBoundaryOn}};
    if (!call.Ok(IpiSetSystemAttributes(call.sys(), boundary, 1))) return nullptr;
  }
  // Formats of one image write the first bitmap only.
  const int32_t page_count = is_tiff ? count : 1;
  IpiObject* pages = call.CreateObject(nullptr, &kCompositeIdArrayClass, nullptr, {{"entries", page_count}});
  if (pages == nullptr) return nullptr;
  for (int32_t i = 0; i < page_count; ++i) {
    IpiObject* page = call.ImportSource(*sources[static_cast<size_t>(i)], nullptr, nullptr);
    if (page == nullptr) return nullptr;
    if (!call.Ok(IpiPutCompositeElement(call.sys(), page, pages, i))) return nullptr;
  }
  return pages;
}

namespace {

// PrepareTiffPages; with `inverted` given, a fax page whose 0 bits are black
// keeps its bits and is marked there, for the coder to complement row by row,
// instead of being replaced by an inverted copy.
int PreparePages(IpiSystem* sys, IpiObject* pages, int32_t compression, intptr_t k, intptr_t predictor,
                 std::vector<bool>* inverted) {
  const int32_t entries = pages->fields.dimension[kDimX];
  if (inverted != nullptr) inverted->assign(static_cast<size_t>(std::max(entries, 0)), false);
  const bool is_fax = CmiIsFaxCompression(compression);
  // Every page is checked before any is changed.
  for (int32_t i = 0; is_fax && i < entries; ++i) {
    IpiObject* page = IpiGetCompositeElement(sys, pages, i);
    if (page == nullptr) return IpiGetLastError(sys);
    if (!IsOneBit(*page)) return kCmiStatusBadArgument;
  }
  std::vector<Rgb> palette;
  for (int32_t i = 0; i < entries; ++i) {
    IpiObject* page = IpiGetCompositeElement(sys, pages, i);
    if (page == nullptr) return IpiGetLastError(sys);
    IPI_RETURN_IF_ERROR(ReadPalette(sys, page, &palette));
    int32_t photometric = 0;
    if (is_fax) {
      // Fax pages are stored white-is-zero: bits whose 0 is black are inverted.
      photometric = kPhotometricCodeWhiteIsZero;
      if (ZeroIsBlack(palette) && inverted != nullptr) {
        (*inverted)[static_cast<size_t>(i)] = true;
      } else if (ZeroIsBlack(palette)) {
        IpiObject* copy = IpiCreateObject(sys, nullptr, page->object_class, page, nullptr, 0);
        if (copy == nullptr) return IpiGetLastError(sys);
        IPI_RETURN_IF_ERROR(IpiInvert(sys, page, copy));
        IPI_RETURN_IF_ERROR(IpiPutCompositeElement(sys, copy, pages, i));
        page = copy;
      }
      IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, page, "lut", 0));
    } else {
      photometric = PhotometricOf(*page, palette);
    }
    std::vector<IpiAttribute> list = {{"fileFormat", kFormatTiff}, {"k", k}, {"byteOrder", kOrderLsbFirst}};
    if (!is_fax) list.push_back({"predictor", predictor});
    if (photometric != 0) list.push_back({"photometricInterpretation", photometric});
    IPI_RETURN_IF_ERROR(IpiSetAttributes(sys, page, list.data(), static_cast<int>(list.size())));
  }
  return kIpiNoError;
}

}  // namespace

int PrepareTiffPages(IpiSystem* sys, IpiObject* pages, int32_t compression, intptr_t k, intptr_t predictor) {
  return PreparePages(sys, pages, compression, k, predictor, nullptr);
}

int WriteTiffFile(IpiSystem* sys, IpiObject* pages, const char* file_name, const IpiAttribute* pairs, int count,
                  int32_t* status) {
  SetStatus(status, 0);
  std::vector<IpiAttribute> list(pairs, pairs + std::max(count, 0));
  intptr_t compression = kCompressionNone, k = 4, predictor = 0;
  for (const IpiAttribute& pair : list) {
    const std::string_view name(pair.name != nullptr ? pair.name : "");
    if (name == "compression") compression = pair.value;
    if (name == "k") k = pair.value;
    if (name == "predictor") predictor = pair.value;
  }
  // A predictor does not apply to pages of fewer than 8 bits: with LZW it is
  // switched off for the whole file.
  if (compression == kCompressionLzw) {
    for (int32_t i = 0; i < pages->fields.dimension[kDimX]; ++i) {
      IpiObject* page = IpiGetCompositeElement(sys, pages, i);
      if (page == nullptr) return Fail(status, IpiGetLastError(sys));
      if (page->fields.dimension[kDimB] == 1 && page->fields.data_precision < 8) predictor = 0;
    }
    for (IpiAttribute& pair : list) {
      if (pair.name != nullptr && std::string_view(pair.name) == "predictor") pair.value = predictor;
    }
  }
  // Fax pages whose 0 bits are black are complemented by the coder as it
  // reads their rows: the same file as an inverted copy would give.
  std::vector<bool> inverted;
  if (const int rc = PreparePages(sys, pages, static_cast<int32_t>(compression), k, predictor, &inverted); rc != 0) {
    return Fail(status, rc);
  }
  const int pair_count = static_cast<int>(list.size());
  const bool inverts = std::find(inverted.begin(), inverted.end(), true) != inverted.end();
  const int rc = inverts ? IpiWriteMultiPageTiffInverting(sys, pages, file_name, kFormatTiff, list.data(), pair_count,
                                                          inverted)
                         : IpiWriteFile(sys, pages, file_name, kFormatTiff, list.data(), pair_count);
  return Fail(status, rc);
}

int WriteBmpFile(IpiSystem* sys, IpiObject* pages, const char* file_name, const IpiAttribute* pairs, int count,
                 int32_t* status) {
  SetStatus(status, 0);
  return Fail(status, IpiWriteFile(sys, pages, file_name, kFormatBmp, pairs, count));
}

int WriteJpegFile(IpiSystem* sys, IpiObject* pages, const char* file_name, const IpiAttribute* pairs, int count,
                  int32_t* status) {
  SetStatus(status, 0);
  int rc = 0;
  IpiObject* page = FirstPage(sys, pages, &rc);
  if (page == nullptr) return Fail(status, rc);
  std::vector<Rgb> palette;
  if (page->fields.dimension[kDimB] == 1) {
    if ((rc = ReadPalette(sys, page, &palette)) != 0) return Fail(status, rc);
  }
  if (!palette.empty() && page->fields.data_precision != 8) return Fail(status, kCmiStatusBadArgument);
  if (!palette.empty()) {
    // A grey palette gives a grey file, any other one a colour file: its
    // colours are kept rather than reduced to their brightness.
    // The expanded rows go to the file as they are, without an image made of them.
    ExpandedRows expanded;
    if ((rc = ExpandPalette(sys, page, palette, &expanded)) != 0) return Fail(status, rc);
    return WriteJpegFromPackedRows(sys, expanded.bytes.data(), expanded.row_bytes, page->fields.dimension[kDimX],
                                   page->fields.dimension[kDimY], expanded.components, file_name, pairs, count,
                                   status);
  }
  return Fail(status, IpiWriteFile(sys, page, file_name, kFormatJpegLib, pairs, count));
}

int WriteJpegFromPackedRows(IpiSystem* sys, const uint8_t* rows, int64_t row_bytes, int64_t width, int64_t height,
                            int components, const char* file_name, const IpiAttribute* pairs, int count,
                            int32_t* status) {
  SetStatus(status, 0);
  // The rows are only read: the image is a view of them, never written.
  const auto view = PackedRowsView(rows, static_cast<uint64_t>(row_bytes), height);
  ScopedObject image(sys, IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, view.data(),
                                          static_cast<int>(view.size())));
  if (!image) {
    const int rc = IpiGetLastError(sys);
    return Fail(status, rc != 0 ? rc : kIpiInvalidInstance);
  }
  // The file object takes the picture's extents; the writer reads the rows in place.
  std::vector<IpiAttribute> list(pairs, pairs + std::max(count, 0));
  list.push_back({"xDimension", static_cast<intptr_t>(width)});
  list.push_back({"bDimension", components});
  list.push_back({"pixelInterpretation", kPixelInterpretationPlain});
  return Fail(status, IpiWriteFile(sys, image.get(), file_name, kFormatJpegLib, list.data(),
                                   static_cast<int>(list.size())));
}

int WriteGifFile(IpiSystem* sys, IpiObject* pages, const char* file_name, const IpiAttribute* pairs, int count,
                 int32_t* status) {
  SetStatus(status, 0);
  int rc = 0;
  IpiObject* page = FirstPage(sys, pages, &rc);
  if (page == nullptr) return Fail(status, rc);
  if (page->fields.dimension[kDimB] > 1) return Fail(status, kIpiMismatchDataType);
  if (page->fields.lut == 0 && (rc = AttachGreyRamp(sys, page, page->fields.data_precision)) != 0) {
    return Fail(status, rc);
  }
  return Fail(status, IpiWriteFile(sys, page, file_name, kFormatGif, pairs, count));
}

int WritePcxFile(IpiSystem* sys, IpiObject* pages, const char* file_name, const IpiAttribute* pairs, int count,
                 int32_t* status) {
  SetStatus(status, 0);
  int rc = 0;
  IpiObject* page = FirstPage(sys, pages, &rc);
  if (page == nullptr) return Fail(status, rc);
  if (page->fields.dimension[kDimB] == 1 && page->fields.data_precision == 8 && page->fields.lut == 0 &&
      (rc = AttachGreyRamp(sys, page, 8)) != 0) {
    return Fail(status, rc);
  }
  return Fail(status, IpiWriteFile(sys, page, file_name, kFormatPcx, pairs, count));
}

int WritePngFile(IpiSystem* sys, IpiObject* pages, const char* file_name, const IpiAttribute* pairs, int count,
                 int32_t* status) {
  SetStatus(status, 0);
  return Fail(status, IpiWriteFile(sys, pages, file_name, kFormatPng, pairs, count));
}

CmiWriteStep CmiWriteStepFor(int32_t format) {
  switch (format) {
    case kCmiFormatTiff: return WriteTiffFile;
    case kCmiFormatJpeg: return WriteJpegFile;
    case kCmiFormatGif: return WriteGifFile;
    case kCmiFormatBmp: return WriteBmpFile;
    case kCmiFormatPcx: return WritePcxFile;
    case kCmiFormatPng: return WritePngFile;
    default: return nullptr;
  }
}
