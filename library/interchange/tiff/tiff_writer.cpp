// The TIFF writer; see tiff_writer.h. A page at position P is laid out as
// its directory at P, the strip tables at P+392 and P+412, the sample arrays
// at P+432, P+444 and P+456, the resolutions at P+488 and P+496, a colour map
// from P+504 up to P+2040 when there is one, then the pixel data; the next
// page begins where the data ends, rounded up to 4. The whole file is planned
// first and then written in order, front to back, through one stream.
#include "interchange/tiff/tiff_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/objects/format_extras.h"
#include "core/objects/object.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/scoped_stream.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/codec_prelude.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/common/object_bytes.h"
#include "interchange/io/bit_order.h"
#include "interchange/io/byte_store.h"
#include "interchange/rows/bilevel_rows.h"
#include "interchange/rows/bmp_rows.h"
#include "interchange/tiff/tiff_tags.h"

namespace {

// Fixed areas, relative to the position of their directory.
constexpr uint64_t kStripOffsetsArea = 392;
constexpr uint64_t kStripByteCountsArea = 412;
constexpr uint64_t kBitsPerSampleArea = 432;
constexpr uint64_t kMinSampleValueArea = 444;
constexpr uint64_t kMaxSampleValueArea = 456;
constexpr uint64_t kXResolutionArea = 488;
constexpr uint64_t kYResolutionArea = 496;
constexpr uint64_t kColorMapArea = 504;
constexpr uint64_t kDataAfterColorMap = 2040;
constexpr uint64_t kDataWithoutColorMap = 504;

constexpr uint32_t kDefaultResolution = 75;  // dots per inch when none is given
constexpr uint64_t kMaxFileBytes = 0xFFFFFFFFu;  // offsets are 32 bits
constexpr size_t kOutputBlockBytes = 256 * 1024;
constexpr int64_t kCopyPieceBytes = 256 * 1024;
constexpr uint16_t kColourSampleBits = 8;
constexpr uint16_t kColourSampleMax = 255;
constexpr int32_t kPredictorCodeNone = 0;
constexpr int32_t kPredictorCodeHorizontal = 1;
constexpr int32_t kEolAligned = 1;  // "eolState": EOLs end on byte boundaries

uint64_t RoundUpTo4(uint64_t bytes) { return (bytes + 3) & ~uint64_t{3}; }

struct Entry {
  uint16_t tag = 0;
  uint16_t type = 0;
  uint32_t count = 0;
  uint32_t value = 0;         // a LONG, or an offset
  uint16_t shorts[2] = {};    // SHORT values that stand in the entry
  bool has_shorts = false;
};

Entry Long(uint16_t tag, uint32_t value) { return {tag, kTiffTypeLong, 1, value, {}, false}; }
Entry Short(uint16_t tag, uint16_t value) { return {tag, kTiffTypeShort, 1, 0, {value, 0}, true}; }
Entry ShortPair(uint16_t tag, uint16_t first, uint16_t second) {
  return {tag, kTiffTypeShort, 2, 0, {first, second}, true};
}
Entry At(uint16_t tag, uint16_t type, uint32_t count, uint64_t offset) {
  return {tag, type, count, static_cast<uint32_t>(offset), {}, false};
}

// Everything one page writes, settled before the first byte.
struct Page {
  IpiObject* image = nullptr;
  IpiObject* file = nullptr;
  uint64_t position = 0;    // of the directory
  uint64_t data_start = 0;
  uint64_t next_position = 0;  // the next page's directory (the data end rounded up to 4)
  bool is_last = true;

  bool is_coded = false;
  bool is_boolean = false;
  int32_t precision = 0;  // bits a sample: 1, 4 or 8
  int samples = 1;
  bool is_separate = false;
  bool reverses_bits = false;  // rows of 1 or 4 bits stored least significant bit first
  int64_t width_px = 0;        // the file object's xDimension: the stored rows
  int64_t height_px = 0;
  int64_t row_bytes = 0;       // one stored row of one strip
  std::vector<uint64_t> strip_bytes;
  std::vector<uint64_t> strip_offsets;
  std::vector<uint16_t> color_map;  // red, green, blue runs; empty without a palette
  std::array<uint32_t, 2> x_resolution = {kDefaultResolution, 1};
  std::array<uint32_t, 2> y_resolution = {kDefaultResolution, 1};
  std::vector<Entry> entries;
};

// --- choices from the attributes ---------------------------------------------------------

struct TiffCompression {
  uint16_t value = 0;
  bool is_coded = false;
};

int ChooseCompression(IpiSystem* sys, const IpiObject& image, int32_t compression, TiffCompression* out) {
  switch (compression) {
    case kCompressionNone: *out = {kTiffCompressionNone, false}; return kIpiNoError;
    case kCompressionCcittHuffmanNoEol: *out = {kTiffCompressionCcittRle, true}; return kIpiNoError;
    case kCompressionCcittHuffman:
    case kCompressionCcittMr: *out = {kTiffCompressionCcittT4, true}; return kIpiNoError;
    case kCompressionCcittMmr: *out = {kTiffCompressionCcittT6, true}; return kIpiNoError;
    case kCompressionPackBits: *out = {kTiffCompressionPackBits, true}; return kIpiNoError;
    case kCompressionLzw:
      // The library has no LZW coder: only bytes read from a TIFF file are carried.
      if (image.fields.file_format != kFormatTiff) return IpiRefuse(sys, kIpiNonPermissibleOption);
      *out = {kTiffCompressionLzw, true};
      return kIpiNoError;
    default:
      return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
}

bool IsFaxCompression(int32_t compression) {
  return compression == kCompressionCcittHuffman || compression == kCompressionCcittMr ||
         compression == kCompressionCcittMmr || compression == kCompressionCcittHuffmanNoEol;
}

int MapOrientation(IpiSystem* sys, int32_t code, uint16_t* out) {
  static constexpr std::pair<int32_t, uint16_t> kTable[] = {
      {kOrientationCodeTopLeft, kTiffOrientationTopLeft},
      {kOrientationCodeTopRight, kTiffOrientationTopRight},
      {kOrientationCodeBottomRight, kTiffOrientationBottomRight},
      {kOrientationCodeBottomLeft, kTiffOrientationBottomLeft},
      {kOrientationCodeLeftTop, kTiffOrientationLeftTop},
      {kOrientationCodeRightTop, kTiffOrientationRightTop},
      {kOrientationCodeRightBottom, kTiffOrientationRightBottom},
      {kOrientationCodeLeftBottom, kTiffOrientationLeftBottom},
  };
  for (const auto& [library_code, tiff_value] : kTable) {
    if (library_code == code) {
      *out = tiff_value;
      return kIpiNoError;
    }
  }
  return IpiRefuse(sys, kIpiNonPermissibleOption);
}

int MapPlanar(IpiSystem* sys, int32_t code, bool* is_separate) {
  if (code != 0 && code != kPlanarCodeContiguous && code != kPlanarCodeSeparate) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  *is_separate = code == kPlanarCodeSeparate;
  return kIpiNoError;
}

// A rational of the file object, or the default. A zero denominator would
// make readers divide by zero: such a value counts as absent.
std::array<uint32_t, 2> ResolutionOf(const std::optional<std::array<uint32_t, 2>>& value) {
  if (!value || (*value)[1] == 0) return {kDefaultResolution, 1};
  return *value;
}

const IpiFormatExtras* TiffExtras(const IpiObject& obj) {
  return obj.fields.file_format == kFormatTiff && obj.extras != nullptr ? obj.extras.get() : nullptr;
}

// The colour map of a one-sample image whose "lut" is a usable palette:
// 2^bits entries a colour, 16 bits each; an 8-bit table value v becomes
// v * 257. Empty when the image has no palette.
int BuildColorMap(IpiSystem* sys, const IpiObject& image, int32_t bits, std::vector<uint16_t>* out) {
  out->clear();
  IpiObject* table = image.fields.lut != 0 ? IpiObjectFromId(sys, image.fields.lut) : nullptr;
  if (table == nullptr) return kIpiNoError;
  const IpiObjectFields& t = table->fields;
  int32_t table_bits = 0;
  const bool usable = t.dimension[kDimX] > 0 && t.dimension[kDimB] >= 3 &&
                      (t.data_type == kDataTypeNonnegative || t.data_type == kDataTypeSigned) &&
                      t.bit_order == kOrderMsbFirst && GetStoredBits(sys, table, &table_bits) == 0 &&
                      (table_bits == 8 || table_bits == 16);
  if (!usable) return kIpiNoError;
  const int64_t entries = int64_t{1} << bits;
  const int64_t table_entries = t.dimension[kDimX];
  const int64_t sample_bytes = table_bits / 8;
  ObjectBytes samples;
  IPI_RETURN_IF_ERROR(samples.LoadData(sys, table, 3 * table_entries * sample_bytes));
  const uint8_t* data = samples.bytes().data();
  const bool is_big_endian = t.byte_order != kOrderLsbFirst;
  out->assign(static_cast<size_t>(3 * entries), 0);
  const int64_t filled = std::min(entries, table_entries);
  for (int64_t c = 0; c < 3; ++c) {
    for (int64_t i = 0; i < filled; ++i) {
      const uint8_t* sample = data + (c * table_entries + i) * sample_bytes;
      uint16_t value = 0;
      if (sample_bytes == 1) {
        value = static_cast<uint16_t>(sample[0] * 257);
      } else {
        value = is_big_endian ? static_cast<uint16_t>(sample[0] << 8 | sample[1])
                              : static_cast<uint16_t>(sample[1] << 8 | sample[0]);
      }
      (*out)[static_cast<size_t>(c * entries + i)] = value;
    }
  }
  return kIpiNoError;
}

bool IsColourPair(const IpiObject& image, const IpiObject& file) {
  if (image.fields.data_precision != 8 || file.fields.data_precision != 8) return false;
  if (image.object_class == &kColourImageClass && file.object_class == &kColourImageClass) return true;
  return image.object_class == &kGenericImageClass && file.object_class == &kGenericImageClass &&
         image.fields.dimension[kDimB] >= 3 && file.fields.dimension[kDimB] >= 3;
}

// Photometric interpretation, samples and YCbCr subsampling of a colour
// image; the chosen code is written back to the file object when it was unset.
int ChooseColour(IpiSystem* sys, Page& page, uint16_t* photometric, bool* is_ycbcr) {
  const IpiObject& image = *page.image;
  IpiObject& file = *page.file;
  const auto asked = static_cast<int32_t>(IpiInquireAttribute(sys, &file, "photometricInterpretation"));
  int32_t code = asked;
  if (code == 0) {
    switch (file.fields.colour_space) {
      case kColourSpaceCodeCieLab: code = kPhotometricCodeCieLab; break;
      case kColourSpaceCodeCmyk: code = kPhotometricCodeSeparated; break;
      case kColourSpaceYCbCr: code = kPhotometricCodeYCbCr; break;
      default: code = kPhotometricCodeRgb; break;
    }
  }
  *is_ycbcr = false;
  page.samples = 3;
  switch (code) {
    case kPhotometricCodeCieLab: *photometric = kTiffPhotometricCieLab; break;
    case kPhotometricCodeSeparated:
      *photometric = kTiffPhotometricSeparated;
      page.samples = 4;
      if (image.fields.dimension[kDimB] < 4 || file.fields.dimension[kDimB] < 4) {
        return IpiRefuse(sys, kIpiNonPermissibleOption);
      }
      break;
    case kPhotometricCodeYCbCr:
      *photometric = kTiffPhotometricYCbCr;
      *is_ycbcr = true;
      // The samples are written a pixel each: subsampled YCbCr would be
      // described with data laid out otherwise, so it is refused.
      if (file.fields.sampling_factor == kSamplingFactorCode2x1 ||
          file.fields.sampling_factor == kSamplingFactorCode2x2) {
        return IpiRefuse(sys, kIpiNonPermissibleOption);
      }
      break;
    default:
      code = kPhotometricCodeRgb;
      *photometric = kTiffPhotometricRgb;
      break;
  }
  if (image.fields.dimension[kDimB] < page.samples) return IpiRefuse(sys, kIpiNonPermissibleOption);
  if (asked == 0) return IpiSetAttribute(sys, &file, "photometricInterpretation", code);
  return kIpiNoError;
}

int ChooseGrey(IpiSystem* sys, Page& page, int32_t compression, uint16_t* photometric) {
  IpiObject& file = *page.file;
  const auto asked = static_cast<int32_t>(IpiInquireAttribute(sys, &file, "photometricInterpretation"));
  const bool has_palette = !page.color_map.empty();
  int32_t code = kPhotometricCodeBlackIsZero;
  *photometric = kTiffPhotometricBlackIsZero;
  if ((asked == 0 && IsFaxCompression(compression)) || asked == kPhotometricCodeWhiteIsZero) {
    code = kPhotometricCodeWhiteIsZero;
    *photometric = kTiffPhotometricWhiteIsZero;
  } else if ((asked == 0 || asked == kPhotometricCodePalette) && has_palette) {
    code = kPhotometricCodePalette;
    *photometric = kTiffPhotometricPalette;
  }
  // A colour map is written only for a palette image.
  if (*photometric != kTiffPhotometricPalette) page.color_map.clear();
  if (asked == 0) return IpiSetAttribute(sys, &file, "photometricInterpretation", code);
  return kIpiNoError;
}

// --- planning a page ------------------------------------------------------------------

// The tag values a page's options choose, shared by the option checks, the
// strip layout and the directory.
struct PageTags {
  TiffCompression compression;
  uint16_t photometric = 0;
  bool is_ycbcr = false;
  uint16_t fill_order = kTiffFillOrderMsbFirst;
  uint16_t orientation = 0;
  uint16_t resolution_unit = kTiffResolutionUnitInch;
  uint32_t subfile_type = 0;
  uint16_t predictor = 0;
  int64_t image_width_px = 0;  // the width the file states (a widened 1-bit image keeps its true width)
};

// The page's options checked and mapped to tag values, in the order the
// refusals are made: data type, compression, depth, colour, bit order,
// orientation, planes, resolution unit, subfile type, predictor.
int CheckPageOptions(IpiSystem* sys, Page& page, PageTags* tags) {
  IpiObject& image = *page.image;
  IpiObject& file = *page.file;
  const IpiObjectFields& f = file.fields;

  const int32_t data_type = image.fields.data_type;
  if (data_type != f.data_type || (data_type != kDataTypeBoolean && data_type != kDataTypeNonnegative)) {
    return IpiRefuse(sys, kIpiMismatchDataType);
  }
  page.is_boolean = data_type == kDataTypeBoolean;
  // Coded bytes are placed as the coder left them; a file object that names
  // another compression than its image's data has would describe them wrongly.
  if (image.fields.compression != f.compression) return IpiRefuse(sys, kIpiNonPermissibleOption);
  TiffCompression& compression = tags->compression;
  IPI_RETURN_IF_ERROR(ChooseCompression(sys, image, f.compression, &compression));
  page.is_coded = compression.is_coded;

  const bool is_colour = !page.is_boolean && IsColourPair(image, file);
  page.precision = page.is_boolean ? 1 : image.fields.data_precision;
  if (page.is_boolean ? image.fields.data_precision != 1
                      : (page.precision != 4 && page.precision != 8)) {
    // Other depths (16 bits among them) would be described without their data.
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  if (!page.is_coded) IPI_RETURN_IF_ERROR(RequireStoredBits(sys, &image, page.is_boolean ? 1 : 8));

  if (is_colour) {
    IPI_RETURN_IF_ERROR(ChooseColour(sys, page, &tags->photometric, &tags->is_ycbcr));
  } else {
    IPI_RETURN_IF_ERROR(BuildColorMap(sys, image, page.precision, &page.color_map));
    IPI_RETURN_IF_ERROR(ChooseGrey(sys, page, f.compression, &tags->photometric));
  }

  // Fill order: coded bytes are stored in their object's bit order; stored
  // rows of 1 and 4 bits in the file object's; whole-byte samples need none.
  if (f.bit_order != kOrderLsbFirst && f.bit_order != kOrderMsbFirst) return IpiRefuse(sys, kIpiNonPermissibleOption);
  const int32_t data_bit_order = page.is_coded ? image.fields.bit_order : f.bit_order;
  if (data_bit_order != kOrderLsbFirst && data_bit_order != kOrderMsbFirst) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  const bool is_narrow = page.precision < 8;
  tags->fill_order = kTiffFillOrderMsbFirst;
  if (data_bit_order == kOrderLsbFirst && (page.is_coded || is_narrow)) tags->fill_order = kTiffFillOrderLsbFirst;
  page.reverses_bits = !page.is_coded && is_narrow && f.bit_order == kOrderLsbFirst;

  IPI_RETURN_IF_ERROR(MapOrientation(sys, static_cast<int32_t>(IpiInquireAttribute(sys, &file, "orientation")),
                                     &tags->orientation));
  // Coded planes are laid out as the coder laid them out.
  IpiObject* planar_source = page.is_coded ? &image : &file;
  IPI_RETURN_IF_ERROR(MapPlanar(
      sys, static_cast<int32_t>(IpiInquireAttribute(sys, planar_source, "planarConfiguration")), &page.is_separate));
  const auto unit = static_cast<int32_t>(IpiInquireAttribute(sys, &file, "resolutionUnit"));
  tags->resolution_unit = kTiffResolutionUnitInch;
  if (unit == kResolutionUnitCodeCentimetre) {
    tags->resolution_unit = kTiffResolutionUnitCentimetre;
  } else if (unit != 0 && unit != kResolutionUnitCodeInch) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  const auto subfile = static_cast<int32_t>(IpiInquireAttribute(sys, &file, "newSubfileType"));
  tags->subfile_type = 0;
  if (subfile == kSubfileCodeReducedImage) {
    tags->subfile_type = kTiffSubfileReducedImage;
  } else if (subfile == kSubfileCodePage) {
    tags->subfile_type = kTiffSubfilePage;
  } else if (subfile != 0 && subfile != kSubfileCodeImage) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  tags->predictor = 0;
  if (compression.value == kTiffCompressionLzw) {
    if (f.eol_state == kPredictorCodeNone) {
      tags->predictor = kTiffPredictorNone;
    } else if (f.eol_state == kPredictorCodeHorizontal) {
      tags->predictor = kTiffPredictorHorizontal;
    } else {
      return IpiRefuse(sys, kIpiNonPermissibleOption);
    }
  }

  return kIpiNoError;
}

// Geometry, the strips' sizes and where they lie: data after the directory's
// areas, each strip starting on a multiple of 4.
int LayOutStrips(IpiSystem* sys, Page& page, PageTags* tags) {
  const IpiObject& image = *page.image;
  const IpiObjectFields& f = page.file->fields;
  // Geometry: the file object's extents are the stored ones.
  page.width_px = f.dimension[kDimX];
  page.height_px = f.dimension[kDimY];
  if (page.width_px < 1 || page.height_px < 1) return IpiRefuse(sys, kIpiOutOfRange);
  const int status = IpiCheckGeometry(page.width_px, page.height_px, page.precision * page.samples,
                                      DimensionStorage::kBits32, nullptr, nullptr);
  if (status != 0) return IpiRefuse(sys, status);
  tags->image_width_px = page.width_px;
  const int64_t true_width_px = f.width_byte_boundary;
  // A 1-bit image widened to whole bytes keeps its true width in the file;
  // the stored rows keep their length.
  if (IpiSystemValue(sys, IpiSystemAttribute::kByteBoundary) != 0 && page.precision == 1 && true_width_px >= 1 &&
      (true_width_px + 7) / 8 == (page.width_px + 7) / 8) {
    tags->image_width_px = true_width_px;
  }

  const int strip_count = page.is_separate ? page.samples : 1;
  const int64_t interleaved = page.is_separate ? 1 : page.samples;
  page.row_bytes = (page.width_px * page.precision * interleaved + 7) / 8;
  page.strip_bytes.assign(static_cast<size_t>(strip_count), 0);
  if (page.is_coded) {
    const int64_t coded_bytes = image.fields.size;
    if (coded_bytes < 1) return IpiRefuse(sys, kIpiOutOfRange);
    if (strip_count == 1) {
      page.strip_bytes[0] = static_cast<uint64_t>(coded_bytes);
    } else {
      // One coded strip a plane, as the coder counted them.
      const IpiFormatExtras* coded = TiffExtras(image);
      if (coded == nullptr || coded->words[4] != strip_count ||
          coded->strip_byte_counts.size() != static_cast<size_t>(strip_count)) {
        return IpiRefuse(sys, kIpiNonPermissibleOption);
      }
      uint64_t sum = 0;
      for (int k = 0; k < strip_count; ++k) {
        page.strip_bytes[static_cast<size_t>(k)] = coded->strip_byte_counts[static_cast<size_t>(k)];
        sum += coded->strip_byte_counts[static_cast<size_t>(k)];
      }
      if (sum != static_cast<uint64_t>(coded_bytes)) return IpiRefuse(sys, kIpiNonPermissibleOption);
    }
  } else {
    for (uint64_t& bytes : page.strip_bytes) bytes = static_cast<uint64_t>(page.row_bytes * page.height_px);
  }

  const bool has_color_map = !page.color_map.empty();
  page.data_start = page.position + (has_color_map ? kDataAfterColorMap : kDataWithoutColorMap);
  page.strip_offsets.resize(page.strip_bytes.size());
  uint64_t at = page.data_start;
  for (size_t k = 0; k < page.strip_bytes.size(); ++k) {
    page.strip_offsets[k] = at;
    at += RoundUpTo4(page.strip_bytes[k]);
  }
  page.next_position = at;
  if (at > kMaxFileBytes) return IpiRefuse(sys, kIpiExceedImplementation);

  return kIpiNoError;
}

// The directory's entries, in ascending tag order.
void BuildDirectory(Page& page, const PageTags& tags, int32_t page_number) {
  const IpiObjectFields& f = page.file->fields;
  const int strip_count = static_cast<int>(page.strip_bytes.size());
  const bool has_color_map = !page.color_map.empty();
  const auto samples = static_cast<uint16_t>(page.samples);
  const bool has_sample_arrays = page.samples > 1;
  const bool has_strip_arrays = strip_count > 2;
  const auto precision = static_cast<uint16_t>(page.precision);
  const uint64_t p = page.position;
  std::vector<Entry>& e = page.entries;
  e.push_back(Long(kTiffTagNewSubfileType, tags.subfile_type));
  e.push_back(Long(kTiffTagImageWidth, static_cast<uint32_t>(tags.image_width_px)));
  e.push_back(Long(kTiffTagImageLength, static_cast<uint32_t>(page.height_px)));
  e.push_back(has_sample_arrays ? At(kTiffTagBitsPerSample, kTiffTypeShort, samples, p + kBitsPerSampleArea)
                                : Short(kTiffTagBitsPerSample, precision));
  e.push_back(Short(kTiffTagCompression, tags.compression.value));
  e.push_back(Short(kTiffTagPhotometricInterpretation, tags.photometric));
  e.push_back(Short(kTiffTagFillOrder, tags.fill_order));
  e.push_back(has_strip_arrays ? At(kTiffTagStripOffsets, kTiffTypeLong, strip_count, p + kStripOffsetsArea)
                               : Long(kTiffTagStripOffsets, static_cast<uint32_t>(page.strip_offsets[0])));
  e.push_back(Short(kTiffTagOrientation, tags.orientation));
  e.push_back(Short(kTiffTagSamplesPerPixel, samples));
  e.push_back(Long(kTiffTagRowsPerStrip, static_cast<uint32_t>(page.height_px)));
  e.push_back(has_strip_arrays ? At(kTiffTagStripByteCounts, kTiffTypeLong, strip_count, p + kStripByteCountsArea)
                               : Long(kTiffTagStripByteCounts, static_cast<uint32_t>(page.strip_bytes[0])));
  e.push_back(has_sample_arrays ? At(kTiffTagMinSampleValue, kTiffTypeShort, samples, p + kMinSampleValueArea)
                                : Short(kTiffTagMinSampleValue, 0));
  e.push_back(has_sample_arrays ? At(kTiffTagMaxSampleValue, kTiffTypeShort, samples, p + kMaxSampleValueArea)
                                : Short(kTiffTagMaxSampleValue, static_cast<uint16_t>((1u << precision) - 1)));
  e.push_back(At(kTiffTagXResolution, kTiffTypeRational, 1, p + kXResolutionArea));
  e.push_back(At(kTiffTagYResolution, kTiffTypeRational, 1, p + kYResolutionArea));
  e.push_back(Short(kTiffTagPlanarConfiguration, page.is_separate ? kTiffPlanarSeparate : kTiffPlanarContiguous));
  if (tags.compression.value == kTiffCompressionCcittT4) {
    uint32_t options = f.compression == kCompressionCcittMr ? kTiffT4Options2D : 0;
    if (f.eol_state == kEolAligned) options |= kTiffT4OptionsFillBits;
    e.push_back(Long(kTiffTagT4Options, options));
  }
  if (tags.compression.value == kTiffCompressionCcittT6) e.push_back(Long(kTiffTagT6Options, 0));
  e.push_back(Short(kTiffTagResolutionUnit, tags.resolution_unit));
  if (tags.subfile_type == kTiffSubfilePage) {
    const auto number = static_cast<uint32_t>(page_number);
    e.push_back(ShortPair(kTiffTagPageNumber, static_cast<uint16_t>(number >> 16), static_cast<uint16_t>(number)));
  }
  if (tags.predictor != 0) e.push_back(Short(kTiffTagPredictor, tags.predictor));
  if (has_color_map) {
    e.push_back(At(kTiffTagColorMap, kTiffTypeShort, static_cast<uint32_t>(page.color_map.size()), p + kColorMapArea));
  }
  if (tags.is_ycbcr) e.push_back(ShortPair(kTiffTagYCbCrSubSampling, 1, 1));
}

int PlanPage(IpiSystem* sys, Page& page, int32_t page_number) {
  PageTags tags;
  IPI_RETURN_IF_ERROR(CheckPageOptions(sys, page, &tags));
  IPI_RETURN_IF_ERROR(LayOutStrips(sys, page, &tags));
  if (tags.subfile_type == kTiffSubfilePage) {
    IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, page.file, "pageNumber", page_number));
  }
  const IpiFormatExtras* extras = TiffExtras(*page.file);
  if (extras != nullptr) {
    page.x_resolution = ResolutionOf(extras->x_resolution);
    page.y_resolution = ResolutionOf(extras->y_resolution);
  }

  BuildDirectory(page, tags, page_number);
  return kIpiNoError;
}

// --- output -------------------------------------------------------------------------

// The file's bytes in order, in blocks, through the file object's stream.
class Output {
 public:
  Output(IpiSystem* sys, bool is_big_endian) : sys_(sys), is_big_endian_(is_big_endian) {}

  // Caller memory must hold `total_bytes`: 8 before anything is written.
  int Open(IpiObject* file, uint64_t total_bytes) {
    IPI_RETURN_IF_ERROR(IpiOpenSizedOutput(sys_, file, total_bytes, stream_));
    block_.reserve(kOutputBlockBytes);
    return kIpiNoError;
  }

  // Room for the next `count` bytes, valid until the next call.
  [[nodiscard]] int Next(int64_t count, uint8_t** out) {
    if (!block_.empty() && block_.size() + static_cast<size_t>(count) > kOutputBlockBytes) IPI_RETURN_IF_ERROR(Flush());
    const size_t used = block_.size();
    block_.resize(used + static_cast<size_t>(count));
    *out = block_.data() + used;
    return kIpiNoError;
  }
  uint64_t position() const { return written_ + block_.size(); }

  [[nodiscard]] int Bytes(const uint8_t* data, size_t count) {
    uint8_t* out = nullptr;
    IPI_RETURN_IF_ERROR(Next(static_cast<int64_t>(count), &out));
    std::memcpy(out, data, count);
    return kIpiNoError;
  }
  [[nodiscard]] int U16(uint16_t value) {
    uint8_t bytes[2];
    (is_big_endian_ ? StoreU16Be : StoreU16Le)(bytes, value);
    return Bytes(bytes, 2);
  }
  [[nodiscard]] int U32(uint32_t value) {
    uint8_t bytes[4];
    (is_big_endian_ ? StoreU32Be : StoreU32Le)(bytes, value);
    return Bytes(bytes, 4);
  }
  // `count` bytes straight from `data`, without a copy through the block.
  [[nodiscard]] int Direct(const uint8_t* data, int64_t count) {
    IPI_RETURN_IF_ERROR(Flush());
    if (IpiWriteBytes(sys_, stream_.get(), static_cast<int64_t>(written_), data, count) != count) {
      return IpiGetLastError(sys_);
    }
    written_ += static_cast<uint64_t>(count);
    return kIpiNoError;
  }
  // Zero bytes up to `offset`, which lies at or after the current position.
  [[nodiscard]] int ZerosTo(uint64_t offset) {
    while (position() < offset) {
      const auto count = static_cast<int64_t>(std::min<uint64_t>(offset - position(), kOutputBlockBytes));
      uint8_t* out = nullptr;
      IPI_RETURN_IF_ERROR(Next(count, &out));
      std::memset(out, 0, static_cast<size_t>(count));
    }
    return kIpiNoError;
  }

  [[nodiscard]] int Finish() {
    IPI_RETURN_IF_ERROR(Flush());
    return stream_.Close();
  }

 private:
  int Flush() {
    if (block_.empty()) return kIpiNoError;
    const auto count = static_cast<int64_t>(block_.size());
    if (IpiWriteBytes(sys_, stream_.get(), static_cast<int64_t>(written_), block_.data(), count) != count) {
      return IpiGetLastError(sys_);
    }
    written_ += static_cast<uint64_t>(count);
    block_.clear();
    return kIpiNoError;
  }

  IpiSystem* sys_;
  bool is_big_endian_;
  ScopedStream stream_;
  std::vector<uint8_t> block_;
  uint64_t written_ = 0;
};

int WriteDirectory(const Page& page, Output& out) {
  IPI_RETURN_IF_ERROR(out.ZerosTo(page.position));
  IPI_RETURN_IF_ERROR(out.U16(static_cast<uint16_t>(page.entries.size())));
  for (const Entry& entry : page.entries) {
    IPI_RETURN_IF_ERROR(out.U16(entry.tag));
    IPI_RETURN_IF_ERROR(out.U16(entry.type));
    IPI_RETURN_IF_ERROR(out.U32(entry.count));
    if (entry.has_shorts) {
      IPI_RETURN_IF_ERROR(out.U16(entry.shorts[0]));
      IPI_RETURN_IF_ERROR(out.U16(entry.shorts[1]));
    } else {
      IPI_RETURN_IF_ERROR(out.U32(entry.value));
    }
  }
  IPI_RETURN_IF_ERROR(out.U32(page.is_last ? 0 : static_cast<uint32_t>(page.next_position)));

  const uint64_t p = page.position;
  if (page.strip_bytes.size() > 2) {
    IPI_RETURN_IF_ERROR(out.ZerosTo(p + kStripOffsetsArea));
    for (uint64_t offset : page.strip_offsets) IPI_RETURN_IF_ERROR(out.U32(static_cast<uint32_t>(offset)));
    IPI_RETURN_IF_ERROR(out.ZerosTo(p + kStripByteCountsArea));
    for (uint64_t bytes : page.strip_bytes) IPI_RETURN_IF_ERROR(out.U32(static_cast<uint32_t>(bytes)));
  }
  if (page.samples > 1) {
    const uint64_t areas[3] = {kBitsPerSampleArea, kMinSampleValueArea, kMaxSampleValueArea};
    const uint16_t values[3] = {kColourSampleBits, 0, kColourSampleMax};
    for (int a = 0; a < 3; ++a) {
      IPI_RETURN_IF_ERROR(out.ZerosTo(p + areas[a]));
      for (int s = 0; s < page.samples; ++s) IPI_RETURN_IF_ERROR(out.U16(values[a]));
    }
  }
  IPI_RETURN_IF_ERROR(out.ZerosTo(p + kXResolutionArea));
  IPI_RETURN_IF_ERROR(out.U32(page.x_resolution[0]));
  IPI_RETURN_IF_ERROR(out.U32(page.x_resolution[1]));
  IPI_RETURN_IF_ERROR(out.U32(page.y_resolution[0]));
  IPI_RETURN_IF_ERROR(out.U32(page.y_resolution[1]));
  for (uint16_t value : page.color_map) IPI_RETURN_IF_ERROR(out.U16(value));
  return out.ZerosTo(page.data_start);
}

// Uncompressed rows from the image's plane 0 (z = t = 0): columns and rows
// the image lacks are zero.
int WriteStoredRows(IpiSystem* sys, const Page& page, Output& out) {
  IpiObject* image = page.image;
  const int32_t* d = image->fields.dimension;
  const int64_t image_width = d[kDimX];
  const int64_t image_height = d[kDimY];
  const int64_t band_elements = image_width * image_height * d[kDimZ] * d[kDimT];
  const int64_t columns = std::min(page.width_px, image_width);
  ScopedAccessor in;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, image, AccessMode::kRead, 1, in));
  const int strips = static_cast<int>(page.strip_bytes.size());
  const int interleaved = page.is_separate ? 1 : page.samples;
  // An image in memory whose rows are the stored rows already (one byte a
  // sample, or whole bytes of bits most significant first, and no wider than
  // the file) is written from where it lies.
  const IpiStream& stream = *in.stream();
  const bool is_stored_form = stream.data != nullptr && interleaved == 1 && !page.reverses_bits &&
                              image_width == page.width_px &&
                              (page.precision == 8 || (page.precision == 1 && image_width % 8 == 0 &&
                                                       in->bit_order == kOrderMsbFirst && strips == 1));
  const int64_t stored_rows = std::min(page.height_px, image_height);
  for (int strip = 0; strip < strips; ++strip) {
    IPI_RETURN_IF_ERROR(out.ZerosTo(page.strip_offsets[static_cast<size_t>(strip)]));
    const int64_t first_byte = strip * band_elements * page.precision / 8;
    if (is_stored_form && first_byte + stored_rows * page.row_bytes <= stream.limit) {
      IPI_RETURN_IF_ERROR(out.Direct(stream.data + first_byte, stored_rows * page.row_bytes));
      const auto missing_bytes = static_cast<uint64_t>((page.height_px - stored_rows) * page.row_bytes);
      IPI_RETURN_IF_ERROR(out.ZerosTo(out.position() + missing_bytes));
      continue;
    }
    for (int64_t y = 0; y < page.height_px; ++y) {
      uint8_t* stored = nullptr;
      IPI_RETURN_IF_ERROR(out.Next(page.row_bytes, &stored));
      if (y >= image_height) {
        std::memset(stored, 0, static_cast<size_t>(page.row_bytes));
        continue;
      }
      if (columns < page.width_px || page.precision < 8) std::memset(stored, 0, static_cast<size_t>(page.row_bytes));
      for (int k = 0; k < interleaved; ++k) {
        const int band = page.is_separate ? strip : k;
        const int64_t element = band * band_elements + y * image_width;
        const uint8_t* row = IpiGetInputRow(sys, in.stream(), element);
        if (row == nullptr) return IpiGetLastError(sys);
        if (page.precision == 1) {
          GatherBilevelRow(*in, row, element & 7, columns, stored);
        } else if (page.precision == 4) {
          PackNibbles(row, columns, stored);
        } else if (interleaved == 1) {
          std::memcpy(stored, row, static_cast<size_t>(columns));
        } else {
          InsertChannel(row, columns, interleaved, k, stored);
        }
      }
      if (page.reverses_bits) ReverseBitsOfBytes(stored, static_cast<size_t>(page.row_bytes));
    }
  }
  return in.Close();
}

// Coded bytes, strip after strip, as they lie in the image's data.
int WriteCodedStrips(IpiSystem* sys, const Page& page, Output& out) {
  ScopedStream in(sys, IpiOpenStream(sys, page.image, "r", 0));
  if (!in) return IpiGetLastError(sys);
  int status = kIpiNoError;
  int64_t offset = 0;
  for (size_t k = 0; k < page.strip_bytes.size() && status == 0; ++k) {
    status = out.ZerosTo(page.strip_offsets[k]);
    int64_t left = static_cast<int64_t>(page.strip_bytes[k]);
    while (status == 0 && left > 0) {
      const int64_t piece = std::min(left, kCopyPieceBytes);
      uint8_t* to = nullptr;
      status = out.Next(piece, &to);
      if (status == 0 && IpiReadBytes(sys, in.get(), offset, to, piece) != piece) status = IpiGetLastError(sys);
      offset += piece;
      left -= piece;
    }
  }
  return in.CloseAfter(status);
}

int WritePages(IpiSystem* sys, std::vector<Page>& pages, int32_t byte_order) {
  const bool is_big_endian = byte_order == kOrderMsbFirst;
  Output out(sys, is_big_endian);
  IPI_RETURN_IF_ERROR(out.Open(pages.front().file, pages.back().next_position));
  IPI_RETURN_IF_ERROR(out.Bytes(is_big_endian ? kTiffBigEndianMagic : kTiffLittleEndianMagic, 4));
  IPI_RETURN_IF_ERROR(out.U32(kTiffHeaderBytes));
  for (const Page& page : pages) {
    IPI_RETURN_IF_ERROR(WriteDirectory(page, out));
    IPI_RETURN_IF_ERROR(page.is_coded ? WriteCodedStrips(sys, page, out) : WriteStoredRows(sys, page, out));
  }
  return out.Finish();
}

}  // namespace

int WriteTiffFile(IpiSystem* sys, IpiObject* image, IpiObject* file) {
  IPI_RETURN_IF_ERROR(IpiBeginWrite(sys, image, file));
  std::vector<Page> pages;
  const bool is_composite = IpiIsCompositeArray(*image);
  const int64_t count = is_composite ? image->fields.dimension[kDimX] : 1;
  if (count < 1 || count > kMaxDimension16) return IpiRefuse(sys, kIpiOutOfRange);
  if (is_composite && !IpiIsCompositeArray(*file)) return IpiRefuse(sys, kIpiMismatchObjectClass);
  pages.resize(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) {
    Page& page = pages[static_cast<size_t>(i)];
    page.image = is_composite ? IpiGetCompositeElement(sys, image, i) : image;
    page.file = is_composite ? IpiGetCompositeElement(sys, file, i) : file;
    if (page.image == nullptr || page.file == nullptr) return IpiGetLastError(sys);
  }

  // Every page takes the first page's byte order.
  const int32_t byte_order = pages.front().file->fields.byte_order;
  if (byte_order != kOrderLsbFirst && byte_order != kOrderMsbFirst) return IpiRefuse(sys, kIpiNonPermissibleOption);
  uint64_t position = kTiffHeaderBytes;
  for (int64_t i = 0; i < count; ++i) {
    Page& page = pages[static_cast<size_t>(i)];
    page.file->fields.byte_order = byte_order;
    page.position = position;
    page.is_last = i == count - 1;
    // The page index in the high half, the page count in the low half.
    const auto page_number = static_cast<int32_t>(i * 65536 + count);
    IPI_RETURN_IF_ERROR(PlanPage(sys, page, page_number));
    position = page.next_position;
  }
  return WritePages(sys, pages, byte_order);
}
