// Write front; see write_front.h. Intermediate objects (compressed copies,
// the interlaced copy, the working page array) are owned by ScopedObject and
// deleted on every path; only the written file stays.
#include "interchange/dispatch/write_front.h"

#include <string_view>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/objects/object.h"
#include "core/objects/pair_list.h"
#include "core/objects/scoped_object.h"
#include "core/status.h"
#include "core/system/system.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/codec_table.h"
#include "interchange/dispatch/coder_dispatch.h"
#include "interchange/dispatch/write_dispatch.h"
#include "interchange/fax/fax.h"

namespace {

// What the compressed object is coded with: the image's values, then the
// format's defaults, then the caller's pairs.
struct CodingOptions {
  intptr_t compression = kCompressionNone;
  intptr_t eol_state = 0;  // also "predictor"
  intptr_t scale_factor = 0;
  intptr_t sampling_factor = 0;
  intptr_t colour_space = 0;
  intptr_t precision = 0;
  intptr_t restart_interval = 0;
  intptr_t progressive = 0;
  intptr_t interlaced = 0;
};

bool IsJpegFormat(int32_t format) { return format == kFormatJpeg || format == kFormatJpegLib; }

CodingOptions DefaultsFrom(IpiSystem* sys, IpiObject* image) {
  const IpiObjectFields& f = image->fields;
  CodingOptions options;
  options.eol_state = f.eol_state;
  options.scale_factor = f.scale_factor;
  options.sampling_factor = f.sampling_factor;
  options.colour_space = f.colour_space;
  options.precision = f.data_precision;
  if (IsJpegFormat(f.file_format)) {
    options.restart_interval = IpiInquireAttribute(sys, image, "restartInterval");
    options.progressive = IpiInquireAttribute(sys, image, "progressive");
  }
  return options;
}

// The compression a format is written with when the caller names none.
void ApplyFormatDefaults(IpiSystem* sys, IpiObject* image, int32_t format, CodingOptions& options) {
  constexpr int32_t kColourBands = 3;
  switch (format) {
    case kFormatGif:
      options.interlaced = IpiInquireAttribute(sys, image, "interlacedImage");
      options.compression = kCompressionLzw;
      break;
    case kFormatJpeg:
      options.compression = kCompressionDct;
      break;
    case kFormatPcx:
      options.compression = kCompressionPcxRunLength;
      break;
    default:
      options.compression = kCompressionNone;
      break;
  }
  if (IsJpegFormat(format) && image->fields.dimension[kDimB] >= kColourBands) options.colour_space = kColourSpaceYCbCr;
}

void ApplyPairs(const IpiAttribute* pairs, int count, CodingOptions& options) {
  struct Override {
    const char* name;
    intptr_t CodingOptions::*field;
  };
  static constexpr Override kOverrides[] = {
      {"compression", &CodingOptions::compression},
      {"eolState", &CodingOptions::eol_state},
      {"predictor", &CodingOptions::eol_state},
      {"quarityFactor", &CodingOptions::scale_factor},
      {"samplingFactor", &CodingOptions::sampling_factor},
      {"colourSpace", &CodingOptions::colour_space},
      {"dataPrecision", &CodingOptions::precision},
      {"restartInterval", &CodingOptions::restart_interval},
      {"progressive", &CodingOptions::progressive},
      {"interlacedImage", &CodingOptions::interlaced},
  };
  for (int i = 0; i < count && pairs != nullptr; ++i) {
    for (const Override& entry : kOverrides) {
      if (pairs[i].name != nullptr && std::string_view(pairs[i].name) == entry.name) {
        options.*entry.field = pairs[i].value;
      }
    }
  }
}

// The compressed object a coder fills for `format`: made from `image`, with
// the coding options and the width the coder works on. A 1-bit image written
// to TIFF with "byteBoundary" on is coded at its true width, kept in
// "widthByteBoundary" while its rows are widened to whole bytes.
int MakeCompressedObject(IpiSystem* sys, IpiObject* image, const FileFormatRow& row, const CodingOptions& options,
                         ScopedObject& out) {
  const int32_t format = row.code;
  PairList shape(nullptr, 0);
  shape.Add("fileFormat", format);
  shape.Add("repository", kRepositoryFile);
  if (IsJpegFormat(format)) {
    shape.Add("restartInterval", options.restart_interval);
    shape.Add("progressive", options.progressive);
  }
  out = ScopedObject(sys, IpiCreateObject(sys, nullptr, image->object_class, image, shape.data(), shape.count()));
  if (!out) return IpiGetLastError(sys);

  intptr_t width_px = image->fields.dimension[kDimX];
  const int32_t true_width_px = image->fields.width_byte_boundary;
  if (IpiSystemValue(sys, IpiSystemAttribute::kByteBoundary) != 0 && options.precision == 1 &&
      row.byte_boundary_rows && true_width_px > 0 && true_width_px <= width_px) {
    width_px = true_width_px;
  }
  PairList coding(nullptr, 0);
  coding.Add("compression", options.compression);
  coding.Add("eolState", options.eol_state);
  coding.Add("scaleFactor", options.scale_factor);
  coding.Add("dataPrecision", options.precision);
  coding.Add("samplingFactor", options.sampling_factor);
  coding.Add("colourSpace", options.colour_space);
  coding.Add("xDimension", width_px);
  if (row.interlace_rows != nullptr && options.interlaced != 0) coding.Add("interlacedImage", options.interlaced);
  return IpiSetAttributes(sys, out.get(), coding.data(), coding.count());
}

// Codes `entry` into `coded`: an inverted page through the fax coder's
// complementing entry, which only the fax compressions have.
int EncodePage(IpiSystem* sys, IpiObject* entry, IpiObject* coded, bool inverted) {
  if (!inverted) return IpiEncodeImageData(sys, entry, coded);
  const CompressionRow* row = IpiFindCompression(coded->fields.compression);
  if (row == nullptr || row->encoder != EncodeCcitt) return IpiRefuse(sys, kIpiNonPermissibleOption);
  return EncodeCcittInverted(sys, entry, coded);
}

bool IsInverted(const std::vector<bool>& inverted, int32_t page) {
  return static_cast<size_t>(page) < inverted.size() && inverted[static_cast<size_t>(page)];
}

}  // namespace

int IpiWriteFile(IpiSystem* sys, IpiObject* image, const char* file_name, int32_t format,
                 const IpiAttribute* pairs, int count) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, image));
  if (!IpiIsCompositeArray(*image)) return IpiWriteSingleImageFile(sys, image, file_name, format, pairs, count);
  const FileFormatRow* row = IpiFindFileFormat(format);
  if (row != nullptr && row->holds_pages && row->has_writer()) {
    return IpiWriteMultiPageTiff(sys, image, file_name, format, pairs, count);
  }
  IpiObject* first = IpiFirstCompositeEntry(sys, image);
  if (first == nullptr) return IpiGetLastError(sys);
  return IpiWriteSingleImageFile(sys, first, file_name, format, pairs, count);
}

int IpiWriteSingleImageFile(IpiSystem* sys, IpiObject* image, const char* file_name, int32_t format,
                            const IpiAttribute* pairs, int count) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, image));
  if (image->fields.compression != kCompressionNone) return IpiRefuse(sys, kIpiNonPermissibleOption);
  const FileFormatRow* row = IpiFindFileFormat(format);
  if (row == nullptr || !row->has_writer()) return IpiRefuse(sys, kIpiOutOfRange);

  CodingOptions options = DefaultsFrom(sys, image);
  ApplyFormatDefaults(sys, image, format, options);
  ApplyPairs(pairs, count, options);
  // PNG deflates by itself; a plain write needs no intermediate.
  const bool writer_compresses = format == kFormatPng && options.compression == kCompressionDeflatePng;
  if (options.compression == kCompressionNone || writer_compresses) {
    return IpiWriteImageFile(sys, image, file_name, format, pairs, count);
  }
  // Refused before any object is made or any row reordered: LZW among others.
  if (!IpiHasEncoder(static_cast<int32_t>(options.compression))) return IpiRefuse(sys, kIpiNonPermissibleOption);
  // Rows a format stores interlaced are reordered in a copy first.
  const bool interlaces = row->interlace_rows != nullptr && options.interlaced != 0;

  ScopedObject compressed;
  IPI_RETURN_IF_ERROR(MakeCompressedObject(sys, image, *row, options, compressed));
  ScopedObject interlaced_copy;
  IpiObject* source = image;
  if (interlaces) {
    const IpiAttribute plain[] = {{"repository", kRepositoryGlobalBlock}};
    interlaced_copy = ScopedObject(sys, IpiCreateObject(sys, nullptr, image->object_class, image, plain, 1));
    if (!interlaced_copy) return IpiGetLastError(sys);
    IPI_RETURN_IF_ERROR(row->interlace_rows(sys, image, interlaced_copy.get()));
    source = interlaced_copy.get();
  }
  IPI_RETURN_IF_ERROR(IpiEncodeImageData(sys, source, compressed.get()));
  return IpiWriteImageFile(sys, compressed.get(), file_name, format, pairs, count);
}

int IpiWriteMultiPageTiff(IpiSystem* sys, IpiObject* array, const char* file_name, int32_t format,
                          const IpiAttribute* pairs, int count) {
  return IpiWriteMultiPageTiffInverting(sys, array, file_name, format, pairs, count, {});
}

int IpiWriteMultiPageTiffInverting(IpiSystem* sys, IpiObject* array, const char* file_name, int32_t format,
                                   const IpiAttribute* pairs, int count, const std::vector<bool>& inverted) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, array));
  if (format != kFormatTiff) return IpiRefuse(sys, kIpiOutOfRange);
  const FileFormatRow* row = IpiFindFileFormat(format);
  if (row == nullptr || !row->has_writer()) return IpiRefuse(sys, kIpiOutOfRange);
  const int32_t entries = array->fields.dimension[kDimX];
  if (entries < 1) return IpiRefuse(sys, kIpiInvalidInstance);
  intptr_t compression = kCompressionNone;
  (void)IpiFindPair(pairs, count, "compression", &compression);
  if (compression != kCompressionNone && !IpiHasEncoder(static_cast<int32_t>(compression))) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  const CompressionRow* coder = IpiFindCompression(static_cast<int32_t>(compression));
  const bool codes_fax = coder != nullptr && coder->encoder == EncodeCcitt;
  for (int32_t i = 0; i < entries; ++i) {
    if (IsInverted(inverted, i) && !codes_fax) return IpiRefuse(sys, kIpiNonPermissibleOption);
  }

  const IpiAttribute working_shape[] = {{"repository", kRepositoryGlobalBlock}};
  ScopedObject working(sys, IpiCreateObject(sys, nullptr, &kCompositeIdArrayClass, array, working_shape, 1));
  if (!working) return IpiGetLastError(sys);
  std::vector<ScopedObject> compressed_pages;
  for (int32_t i = 0; i < entries; ++i) {
    IpiObject* entry = IpiGetCompositeElement(sys, array, i);
    if (entry == nullptr) return IpiGetLastError(sys);
    if (entry->fields.compression != kCompressionNone) return IpiRefuse(sys, kIpiNonPermissibleOption);
    IpiObject* page = entry;
    if (compression != kCompressionNone) {
      CodingOptions options = DefaultsFrom(sys, entry);
      ApplyPairs(pairs, count, options);
      ScopedObject coded;
      IPI_RETURN_IF_ERROR(MakeCompressedObject(sys, entry, *row, options, coded));
      IPI_RETURN_IF_ERROR(EncodePage(sys, entry, coded.get(), IsInverted(inverted, i)));
      page = coded.get();
      compressed_pages.push_back(std::move(coded));
    }
    IPI_RETURN_IF_ERROR(IpiPutCompositeElement(sys, page, working.get(), i));
  }
  return IpiWriteImageFile(sys, working.get(), file_name, format, pairs, count);
}
