// TIFF directories; see tiff_directory.h. A directory is parsed in two
// steps: ParseTiffDirectory checks every entry's type and count against the
// entry table and keeps its value field, then InterpretTiffDirectory turns
// the fields into the plan, reading arrays only after their counts passed.
#include "interchange/tiff/tiff_directory.h"

#include <algorithm>

#include "core/codes.h"
#include "core/limits.h"
#include "core/status.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/io/chain_guard.h"
#include "interchange/tiff/tiff_tags.h"

namespace {

// RowsPerStrip when absent: every row in one strip.
constexpr uint64_t kTiffAllRowsPerStrip = 4294967295u;
// BitsPerSample and SampleFormat hold one value, or one per sample.
constexpr uint32_t kTiffMaxSamples = 4;
// A table with one entry more than the strips is accepted from this many on
// when its last byte count is 0.
constexpr uint32_t kTiffSpareStripMinimum = 4;

// "resolutionUnit" of ResolutionUnit 1 (no absolute unit).
constexpr int32_t kResolutionUnitCodeNoUnit = 0;
// "orientation" of Orientation 1 to 8 (index: the field value - 1).
constexpr int32_t kOrientationCodes[8] = {kOrientationCodeTopLeft,     kOrientationCodeTopRight,
                                          kOrientationCodeBottomRight, kOrientationCodeBottomLeft,
                                          kOrientationCodeLeftTop,     kOrientationCodeRightTop,
                                          kOrientationCodeRightBottom, kOrientationCodeLeftBottom};

// The field types an entry may have.
enum class TypeRule { kShort, kLong, kShortOrLong, kRational };

struct EntryRule {
  uint16_t tag;
  TypeRule types;
  uint32_t count;  // 0: any
};

// The entries the reader takes; entries with any other tag are skipped.
constexpr EntryRule kEntryRules[] = {
    {kTiffTagNewSubfileType, TypeRule::kLong, 1},
    {kTiffTagSubfileType, TypeRule::kShort, 1},
    {kTiffTagImageWidth, TypeRule::kShortOrLong, 1},
    {kTiffTagImageLength, TypeRule::kShortOrLong, 1},
    {kTiffTagBitsPerSample, TypeRule::kShort, 0},
    {kTiffTagCompression, TypeRule::kShort, 1},
    {kTiffTagPhotometricInterpretation, TypeRule::kShort, 1},
    {kTiffTagFillOrder, TypeRule::kShort, 1},
    {kTiffTagStripOffsets, TypeRule::kShortOrLong, 0},
    {kTiffTagOrientation, TypeRule::kShortOrLong, 1},
    {kTiffTagSamplesPerPixel, TypeRule::kShort, 1},
    {kTiffTagRowsPerStrip, TypeRule::kShortOrLong, 1},
    {kTiffTagStripByteCounts, TypeRule::kShortOrLong, 0},
    {kTiffTagMinSampleValue, TypeRule::kShort, 0},
    {kTiffTagMaxSampleValue, TypeRule::kShort, 0},
    {kTiffTagXResolution, TypeRule::kRational, 1},
    {kTiffTagYResolution, TypeRule::kRational, 1},
    {kTiffTagPlanarConfiguration, TypeRule::kShort, 1},
    {kTiffTagT4Options, TypeRule::kShortOrLong, 1},
    {kTiffTagT6Options, TypeRule::kShortOrLong, 1},
    {kTiffTagResolutionUnit, TypeRule::kShort, 1},
    {kTiffTagPageNumber, TypeRule::kShort, 2},
    {kTiffTagPredictor, TypeRule::kShort, 1},
    {kTiffTagColorMap, TypeRule::kShort, 0},
    {kTiffTagTileWidth, TypeRule::kShortOrLong, 1},
    {kTiffTagTileLength, TypeRule::kShortOrLong, 1},
    {kTiffTagTileOffsets, TypeRule::kLong, 0},
    {kTiffTagTileByteCounts, TypeRule::kShortOrLong, 0},
    {kTiffTagSampleFormat, TypeRule::kShort, 0},
    {kTiffTagJpegProc, TypeRule::kShort, 1},
    {kTiffTagJpegQTables, TypeRule::kLong, 0},
    {kTiffTagJpegDcTables, TypeRule::kLong, 0},
    {kTiffTagJpegAcTables, TypeRule::kLong, 0},
    {kTiffTagYCbCrSubSampling, TypeRule::kShort, 2},
};

const EntryRule* FindRule(uint16_t tag) {
  for (const EntryRule& rule : kEntryRules) {
    if (rule.tag == tag) return &rule;
  }
  return nullptr;
}

bool TypeFits(TypeRule rule, uint16_t type) {
  switch (rule) {
    case TypeRule::kShort: return type == kTiffTypeShort;
    case TypeRule::kLong: return type == kTiffTypeLong;
    case TypeRule::kShortOrLong: return type == kTiffTypeShort || type == kTiffTypeLong;
    case TypeRule::kRational: return type == kTiffTypeRational;
  }
  return false;
}

// One entry as it stands: the value field holds the values when they fit
// into its four bytes, else their position.
struct TiffField {
  bool present = false;
  uint16_t type = 0;
  uint32_t count = 0;
  uint8_t value_field[4] = {};
};

uint16_t U16At(const uint8_t* p, ByteOrder order) {
  return order == ByteOrder::kLittleEndian ? static_cast<uint16_t>(p[0] | (p[1] << 8))
                                           : static_cast<uint16_t>((p[0] << 8) | p[1]);
}
uint32_t U32At(const uint8_t* p, ByteOrder order) {
  return order == ByteOrder::kLittleEndian
             ? uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24)
             : (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

// The first value of a SHORT or LONG field standing in its entry.
uint32_t FirstValue(const TiffField& f, ByteOrder order) {
  return f.type == kTiffTypeShort ? U16At(f.value_field, order) : U32At(f.value_field, order);
}

// The directory's fields as parsed (the reading record), defaults filled in.
struct TiffFields {
  uint32_t subfile_kind = 0;
  TiffField width, length;
  std::vector<uint32_t> bits;  // empty: absent
  uint32_t compression = kTiffCompressionNone;
  uint32_t photometric = kTiffPhotometricWhiteIsZero;
  uint32_t fill_order = kTiffFillOrderMsbFirst;
  TiffField strip_offsets, strip_byte_counts;
  uint32_t orientation = kTiffOrientationTopLeft;
  uint32_t samples = 0;
  uint64_t rows_per_strip = kTiffAllRowsPerStrip;
  TiffField x_resolution, y_resolution;
  uint32_t planar = kTiffPlanarContiguous;
  uint32_t t4_options = 0;
  uint32_t t6_options = 0;
  uint32_t resolution_unit = kTiffResolutionUnitInch;
  uint32_t page_number = 0;
  uint32_t predictor = kTiffPredictorNone;
  TiffField colour_map;
  bool has_tiles = false;
  std::vector<uint32_t> sample_formats;  // empty: unsigned integers
};

class DirectoryReader {
 public:
  DirectoryReader(IpiSystem* sys, TiffSource& source, ByteOrder order) : sys_(sys), source_(source), order_(order) {}

  // The SHORT or LONG values of a field, wherever they stand. The count has
  // been bounded by the caller; a position whose values pass the end gives 22.
  int ReadValues(const TiffField& f, std::vector<uint32_t>& out) {
    const uint64_t unit = TiffTypeBytes(f.type);
    const uint64_t bytes = unit * f.count;  // count < 2^32, unit <= 8: no wrap
    out.resize(f.count);
    ByteReader values;
    if (bytes <= sizeof f.value_field) {
      values = ByteReader(std::span<const uint8_t>(f.value_field, sizeof f.value_field));
    } else {
      IPI_RETURN_IF_ERROR(source_.Read(sys_, U32At(f.value_field, order_), bytes, storage_, values, kIpiSyntaxError));
    }
    for (uint32_t i = 0; i < f.count; ++i) {
      bool ok = false;
      if (f.type == kTiffTypeShort) {
        uint16_t v = 0;
        ok = values.ReadU16(order_, v);
        out[i] = v;
      } else {
        ok = values.ReadU32(order_, out[i]);
      }
      if (!ok) return IpiRefuse(sys_, kIpiSyntaxError);  // cannot happen: the view was sized for the values
    }
    return kIpiNoError;
  }

  // A RATIONAL: numerator and denominator at the entry's position.
  int ReadRational(const TiffField& f, std::optional<std::array<uint32_t, 2>>& out) {
    if (!f.present) return kIpiNoError;
    ByteReader values;
    IPI_RETURN_IF_ERROR(source_.Read(sys_, U32At(f.value_field, order_), 8, storage_, values, kIpiSyntaxError));
    std::array<uint32_t, 2> r{};
    if (!values.ReadU32(order_, r[0]) || !values.ReadU32(order_, r[1])) return IpiRefuse(sys_, kIpiSyntaxError);
    // A zero denominator would be divided by later: the value counts as absent.
    if (r[1] != 0) out = r;
    return kIpiNoError;
  }

  int Parse(uint64_t position, TiffFields& fields);
  int Interpret(const TiffFields& fields, TiffImagePlan& plan);

 private:
  int StoreEntry(uint16_t tag, const TiffField& f, TiffFields& fields);
  int ReadStripTables(const TiffFields& fields, TiffImagePlan& plan);
  int ReadColourMap(const TiffFields& fields, int bits, TiffImagePlan& plan);

  IpiSystem* sys_;
  TiffSource& source_;
  ByteOrder order_;
  std::vector<uint8_t> storage_;
};

// ParseTiffDirectory: every entry in order, checked and stored.
int DirectoryReader::Parse(uint64_t position, TiffFields& fields) {
  ByteReader head;
  IPI_RETURN_IF_ERROR(source_.Read(sys_, position, 2, storage_, head, kIpiSyntaxError));
  uint16_t entry_count = 0;
  if (!head.ReadU16(order_, entry_count)) return IpiRefuse(sys_, kIpiSyntaxError);
  // The entries and the link to the next directory must all be there, even
  // when no entry is read (a directory of no entries keeps every default).
  ByteReader entries;
  std::vector<uint8_t> entry_storage;
  IPI_RETURN_IF_ERROR(source_.Read(sys_, position + 2, uint64_t{entry_count} * kTiffDirectoryEntryBytes + 4,
                                   entry_storage, entries, kIpiSyntaxError));
  for (uint16_t i = 0; i < entry_count; ++i) {
    uint16_t tag = 0;
    TiffField f;
    if (!entries.ReadU16(order_, tag) || !entries.ReadU16(order_, f.type) || !entries.ReadU32(order_, f.count) ||
        !entries.ReadBytes(f.value_field)) {
      return IpiRefuse(sys_, kIpiSyntaxError);
    }
    const EntryRule* rule = FindRule(tag);
    if (rule == nullptr) continue;
    if (!TypeFits(rule->types, f.type) || f.count == 0 || (rule->count != 0 && f.count != rule->count)) {
      return IpiRefuse(sys_, kIpiSyntaxError);
    }
    f.present = true;
    IPI_RETURN_IF_ERROR(StoreEntry(tag, f, fields));
  }
  return kIpiNoError;
}

int DirectoryReader::StoreEntry(uint16_t tag, const TiffField& f, TiffFields& fields) {
  const uint32_t value = FirstValue(f, order_);
  switch (tag) {
    case kTiffTagNewSubfileType: fields.subfile_kind = value; break;
    case kTiffTagSubfileType:
      if (value == kTiffSubfileTypeImage) fields.subfile_kind = 0;
      if (value == kTiffSubfileTypeReducedImage) fields.subfile_kind = 1;
      if (value == kTiffSubfileTypePage) fields.subfile_kind = 2;
      break;
    case kTiffTagImageWidth: fields.width = f; break;
    case kTiffTagImageLength: fields.length = f; break;
    case kTiffTagBitsPerSample:
    case kTiffTagSampleFormat:
      // One value, or one per sample: bounded before anything is read.
      if (f.count > kTiffMaxSamples) return IpiRefuse(sys_, kIpiSyntaxError);
      return ReadValues(f, tag == kTiffTagBitsPerSample ? fields.bits : fields.sample_formats);
    case kTiffTagCompression: fields.compression = value; break;
    case kTiffTagPhotometricInterpretation: fields.photometric = value; break;
    case kTiffTagFillOrder: fields.fill_order = value; break;
    case kTiffTagStripOffsets: fields.strip_offsets = f; break;
    case kTiffTagStripByteCounts: fields.strip_byte_counts = f; break;
    case kTiffTagOrientation: fields.orientation = value; break;
    case kTiffTagSamplesPerPixel: fields.samples = value; break;
    case kTiffTagRowsPerStrip: fields.rows_per_strip = value; break;
    case kTiffTagXResolution: fields.x_resolution = f; break;
    case kTiffTagYResolution: fields.y_resolution = f; break;
    case kTiffTagPlanarConfiguration: fields.planar = value; break;
    case kTiffTagT4Options: fields.t4_options = value; break;
    case kTiffTagT6Options: fields.t6_options = value; break;
    case kTiffTagResolutionUnit: fields.resolution_unit = value; break;
    case kTiffTagPageNumber:
      fields.page_number = (uint32_t{U16At(f.value_field, order_)} << 16) | U16At(f.value_field + 2, order_);
      break;
    case kTiffTagPredictor: fields.predictor = value; break;
    case kTiffTagColorMap: fields.colour_map = f; break;
    case kTiffTagTileWidth:
    case kTiffTagTileLength:
    case kTiffTagTileOffsets:
    case kTiffTagTileByteCounts: fields.has_tiles = true; break;
    default: break;  // checked and not used: sample limits, JPEG tables, subsampling
  }
  return kIpiNoError;
}

// The photometric interpretation as an attribute code; 12 for the colour
// models the reader does not convert, 22 for a value TIFF does not define.
int PhotometricCode(IpiSystem* sys, uint32_t photometric, int32_t* code) {
  switch (photometric) {
    case kTiffPhotometricWhiteIsZero: *code = kPhotometricCodeWhiteIsZero; return kIpiNoError;
    case kTiffPhotometricBlackIsZero: *code = kPhotometricCodeBlackIsZero; return kIpiNoError;
    case kTiffPhotometricRgb: *code = kPhotometricCodeRgb; return kIpiNoError;
    case kTiffPhotometricPalette: *code = kPhotometricCodePalette; return kIpiNoError;
    case kTiffPhotometricTransparencyMask: *code = kPhotometricCodeTransparencyMask; return kIpiNoError;
    case kTiffPhotometricSeparated:
    case kTiffPhotometricYCbCr:
    case kTiffPhotometricCieLab: return IpiRefuse(sys, kIpiNonPermissibleOption);
    default: return IpiRefuse(sys, kIpiSyntaxError);
  }
}

// BitsPerSample: one value, or one per sample, all alike, of a depth the
// reader takes; SampleFormat unsigned. The depth goes to `bits`.
int InterpretBits(IpiSystem* sys, const TiffFields& fields, uint32_t* bits_out) {
  const uint32_t count = static_cast<uint32_t>(fields.bits.size());
  const uint32_t bits = count == 0 ? 1 : fields.bits[0];
  *bits_out = bits;
  if (count > 1 && count != fields.samples) return IpiRefuse(sys, kIpiSyntaxError);
  for (uint32_t v : fields.bits) {
    if (v != bits) return IpiRefuse(sys, kIpiSyntaxError);
  }
  const bool bits_known = count <= 1 ? (bits == 1 || bits == 4 || bits == 8 || bits == 16) : bits == 8;
  if (!bits_known || count == 2) return IpiRefuse(sys, kIpiSyntaxError);
  // Signed, floating-point and undefined samples would be read as unsigned.
  for (uint32_t format : fields.sample_formats) {
    if (format != kTiffSampleFormatUnsigned) return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  return kIpiNoError;
}

// Compression, T4 options and predictor as the library's codes.
int InterpretCompression(IpiSystem* sys, const TiffFields& fields, uint32_t bits, TiffImagePlan& plan) {
  switch (fields.compression) {
    case kTiffCompressionNone: plan.compression = kCompressionNone; break;
    case kTiffCompressionCcittRle: plan.compression = kCompressionCcittHuffmanNoEol; break;
    case kTiffCompressionCcittT4:
      plan.compression = (fields.t4_options & kTiffT4Options2D) != 0 ? kCompressionCcittMr : kCompressionCcittHuffman;
      if ((fields.t4_options & kTiffT4OptionsFillBits) != 0) plan.eol_state = 1;
      break;
    case kTiffCompressionCcittT6: plan.compression = kCompressionCcittMmr; break;
    case kTiffCompressionLzw:
      plan.compression = kCompressionLzw;
      if (fields.predictor == kTiffPredictorNone) {
        plan.eol_state = 0;
      } else if (fields.predictor == kTiffPredictorHorizontal) {
        plan.eol_state = 1;
      } else {
        return IpiRefuse(sys, kIpiSyntaxError);
      }
      if (bits == 16) return IpiRefuse(sys, kIpiSyntaxError);
      break;
    case kTiffCompressionPackBits: plan.compression = kCompressionPackBits; break;
    default: return IpiRefuse(sys, kIpiSyntaxError);
  }
  return kIpiNoError;
}

// Orientation, planar configuration, resolution unit, subfile type and page
// number.
int InterpretPlacement(IpiSystem* sys, const TiffFields& fields, TiffImagePlan& plan) {
  if (fields.orientation < 1 || fields.orientation > 8) return IpiRefuse(sys, kIpiSyntaxError);
  plan.orientation = kOrientationCodes[fields.orientation - 1];
  // Separate planes of a single sample are laid out as contiguous ones.
  const bool single_sample = fields.samples <= 1;
  if (fields.planar != kTiffPlanarContiguous && !(fields.planar == kTiffPlanarSeparate && single_sample)) {
    return IpiRefuse(sys, kIpiSyntaxError);
  }
  plan.planar_configuration = kPlanarCodeContiguous;
  switch (fields.resolution_unit) {
    case kTiffResolutionUnitNone: plan.resolution_unit = kResolutionUnitCodeNoUnit; break;
    case kTiffResolutionUnitInch: plan.resolution_unit = kResolutionUnitCodeInch; break;
    case kTiffResolutionUnitCentimetre: plan.resolution_unit = kResolutionUnitCodeCentimetre; break;
    default: return IpiRefuse(sys, kIpiSyntaxError);
  }
  switch (fields.subfile_kind) {
    case 0: plan.new_subfile_type = kSubfileCodeImage; break;
    case 1: plan.new_subfile_type = kSubfileCodeReducedImage; break;
    case 2: plan.new_subfile_type = kSubfileCodePage; break;
    default: return IpiRefuse(sys, kIpiSyntaxError);
  }
  plan.page_number = static_cast<int32_t>(fields.page_number);
  return kIpiNoError;
}

// The form of a stored pixel, the image's bands, class, type and precision,
// and the bit and byte order of its samples.
int InterpretSampleForm(IpiSystem* sys, const TiffFields& fields, uint32_t bits, ByteOrder order,
                        TiffImagePlan& plan, TiffSampleForm* form_out, FillOrder* fill_order_out) {
  const bool single_sample = fields.samples <= 1;
  // Samples: the form of a pixel, its bands and the class it needs.
  TiffSampleForm form = TiffSampleForm::kBytes;
  if (single_sample) {
    switch (bits) {
      case 1: form = TiffSampleForm::kBilevel; break;
      case 4: form = TiffSampleForm::kNibbles; break;
      case 8: form = TiffSampleForm::kBytes; break;
      default:
        // 16 bits in one sample: the packed colour pixel of an RGB image.
        // Grey and palette samples of 16 bits are not read rather than shown
        // in wrong colours.
        if (fields.photometric != kTiffPhotometricRgb) return IpiRefuse(sys, kIpiNonPermissibleOption);
        form = TiffSampleForm::kPackedColour16;
        break;
    }
  } else if (fields.samples == 3) {
    if (bits != 8) return IpiRefuse(sys, kIpiSyntaxError);
    form = TiffSampleForm::kRgb;
  } else {
    return IpiRefuse(sys, kIpiSemanticError);
  }
  const bool is_colour = form == TiffSampleForm::kRgb || form == TiffSampleForm::kPackedColour16;
  // The colour model must fit the samples.
  if (is_colour != (fields.photometric == kTiffPhotometricRgb)) return IpiRefuse(sys, kIpiSyntaxError);
  const bool is_fax = plan.compression == kCompressionCcittHuffman || plan.compression == kCompressionCcittMr ||
                      plan.compression == kCompressionCcittMmr || plan.compression == kCompressionCcittHuffmanNoEol;
  if (is_fax && form != TiffSampleForm::kBilevel) return IpiRefuse(sys, kIpiSyntaxError);

  plan.bands = is_colour ? 3 : 1;
  plan.image_class = is_colour ? &kColourImageClass : &kMonochromeImageClass;
  plan.data_type = form == TiffSampleForm::kBilevel ? kDataTypeBoolean : kDataTypeNonnegative;
  plan.image_precision = static_cast<int32_t>(std::min<uint32_t>(bits, 8));
  if (is_colour) plan.colour_space = kColourSpaceRgb;
  const bool is_plain = plan.compression == kCompressionNone;
  const FillOrder fill_order = fields.fill_order == kTiffFillOrderLsbFirst ? FillOrder::kLsbFirst : FillOrder::kMsbFirst;
  if (fields.fill_order != kTiffFillOrderMsbFirst && fields.fill_order != kTiffFillOrderLsbFirst) {
    return IpiRefuse(sys, kIpiSyntaxError);
  }
  // Plain samples of 4 and more bits reach the image in the usual order.
  plan.bit_order = form == TiffSampleForm::kBilevel || !is_plain
                       ? (fill_order == FillOrder::kLsbFirst ? kOrderLsbFirst : kOrderMsbFirst)
                       : kOrderMsbFirst;
  plan.byte_order = order == ByteOrder::kLittleEndian ? kOrderLsbFirst : kOrderMsbFirst;

  *form_out = form;
  *fill_order_out = fill_order;
  return kIpiNoError;
}

// The image's extents within the library's limits (a bilevel row widened to
// whole bytes when the system asks for it).
int InterpretGeometry(IpiSystem* sys, uint32_t width, uint32_t length, TiffSampleForm form, TiffImagePlan& plan) {
  const bool is_plain = plan.compression == kCompressionNone;
  plan.has_byte_boundary = IpiSystemValue(sys, IpiSystemAttribute::kByteBoundary) != 0;
  int64_t x_dimension = width;
  if (plan.has_byte_boundary && form == TiffSampleForm::kBilevel && is_plain) x_dimension = (x_dimension + 7) / 8 * 8;
  const int64_t element_bits = form == TiffSampleForm::kBilevel ? 1 : 8;
  int64_t row_bytes = 0;
  int64_t total_bytes = 0;
  const int geometry = IpiCheckGeometry(x_dimension, length, element_bits * plan.bands, DimensionStorage::kBits32,
                                        &row_bytes, &total_bytes);
  if (geometry != 0) return IpiRefuse(sys, geometry);
  plan.x_dimension = static_cast<int32_t>(x_dimension);
  plan.y_dimension = static_cast<int32_t>(length);
  plan.width_byte_boundary = static_cast<int32_t>(width);
  return kIpiNoError;
}

int DirectoryReader::Interpret(const TiffFields& fields, TiffImagePlan& plan) {
  // Tiles are not read: their offsets are no strips.
  if (fields.has_tiles) return IpiRefuse(sys_, kIpiNonPermissibleOption);

  // Dimensions: an explicit 0 is malformed; absent counts as 1.
  const uint32_t width = fields.width.present ? FirstValue(fields.width, order_) : 1;
  const uint32_t length = fields.length.present ? FirstValue(fields.length, order_) : 1;
  if (width == 0 || length == 0) return IpiRefuse(sys_, kIpiSyntaxError);

  // Colour models the reader does not convert are refused before their samples are looked at.
  IPI_RETURN_IF_ERROR(PhotometricCode(sys_, fields.photometric, &plan.photometric));

  uint32_t bits = 0;
  IPI_RETURN_IF_ERROR(InterpretBits(sys_, fields, &bits));
  IPI_RETURN_IF_ERROR(InterpretCompression(sys_, fields, bits, plan));
  IPI_RETURN_IF_ERROR(InterpretPlacement(sys_, fields, plan));
  TiffSampleForm form = TiffSampleForm::kBytes;
  FillOrder fill_order = FillOrder::kMsbFirst;
  IPI_RETURN_IF_ERROR(InterpretSampleForm(sys_, fields, bits, order_, plan, &form, &fill_order));
  IPI_RETURN_IF_ERROR(InterpretGeometry(sys_, width, length, form, plan));

  IPI_RETURN_IF_ERROR(ReadRational(fields.x_resolution, plan.x_resolution));
  IPI_RETURN_IF_ERROR(ReadRational(fields.y_resolution, plan.y_resolution));

  TiffStripLayout& strips = plan.strips;
  strips.form = form;
  strips.width_px = width;
  strips.height_px = length;
  strips.stored_row_bytes = TiffStoredRowBytes(form, width);
  strips.fill_order = fill_order;
  strips.byte_order = order_;
  strips.compression = plan.compression;
  IPI_RETURN_IF_ERROR(ReadStripTables(fields, plan));
  return ReadColourMap(fields, static_cast<int>(bits), plan);
}

// ReadTiffStripTables: the strip count from the rows per strip, then the two
// tables, each strip checked against the end of the source.
int DirectoryReader::ReadStripTables(const TiffFields& fields, TiffImagePlan& plan) {
  TiffStripLayout& strips = plan.strips;
  const int64_t length = strips.height_px;
  // RowsPerStrip 0 is taken as "all rows", as for an absent field.
  const uint64_t rows_per_strip = fields.rows_per_strip == 0 ? kTiffAllRowsPerStrip : fields.rows_per_strip;
  strips.rows_per_strip = static_cast<int64_t>(std::min<uint64_t>(rows_per_strip, static_cast<uint64_t>(length)));
  const int64_t strip_count = (length + strips.rows_per_strip - 1) / strips.rows_per_strip;
  plan.rows_per_strip = static_cast<int32_t>(strips.rows_per_strip);

  const TiffField& offsets_field = fields.strip_offsets;
  const TiffField& counts_field = fields.strip_byte_counts;
  const bool counts_implied = !counts_field.present && strips.compression == kCompressionNone;
  const uint32_t offsets_count = offsets_field.present ? offsets_field.count : 0;
  const uint32_t counts_count = counts_field.present ? counts_field.count : (counts_implied ? 1 : 0);
  if (offsets_count == 0 || counts_count == 0 || offsets_count != counts_count) return IpiRefuse(sys_, kIpiSyntaxError);
  const uint64_t listed = offsets_count;
  const bool has_spare = listed == static_cast<uint64_t>(strip_count) + 1 && listed >= kTiffSpareStripMinimum;
  if (listed != static_cast<uint64_t>(strip_count) && !has_spare) return IpiRefuse(sys_, kIpiSyntaxError);

  std::vector<uint32_t> offsets;
  std::vector<uint32_t> counts;
  IPI_RETURN_IF_ERROR(ReadValues(offsets_field, offsets));
  if (counts_implied) {
    // One plain strip without its byte count: the rows it must hold.
    const uint64_t needed = static_cast<uint64_t>(strips.stored_row_bytes) * static_cast<uint64_t>(length);
    if (needed > UINT32_MAX) return IpiRefuse(sys_, kIpiSyntaxError);
    counts.assign(1, static_cast<uint32_t>(needed));
  } else {
    IPI_RETURN_IF_ERROR(ReadValues(counts_field, counts));
  }
  if (has_spare) {
    if (counts.back() != 0) return IpiRefuse(sys_, kIpiSyntaxError);
    offsets.pop_back();
    counts.pop_back();
  }
  strips.offsets.resize(offsets.size());
  strips.byte_counts.resize(counts.size());
  strips.coded_bytes = 0;
  for (size_t i = 0; i < offsets.size(); ++i) {
    // A strip that ends past the source is refused rather than read short.
    if (!source_.Contains(offsets[i], counts[i])) return IpiRefuse(sys_, kIpiSyntaxError);
    strips.offsets[i] = offsets[i];
    strips.byte_counts[i] = counts[i];
    strips.coded_bytes += counts[i];
  }
  plan.strip_offsets = std::move(offsets);
  plan.strip_byte_counts = std::move(counts);
  return kIpiNoError;
}

// The colour map of a one-sample image of 1, 4 or 8 bits: 3 x 2^bits values,
// required for a palette image. Other images keep a one-entry table.
int DirectoryReader::ReadColourMap(const TiffFields& fields, int bits, TiffImagePlan& plan) {
  const TiffSampleForm form = plan.strips.form;
  const bool takes_map =
      form == TiffSampleForm::kBilevel || form == TiffSampleForm::kNibbles || form == TiffSampleForm::kBytes;
  const TiffField& map = fields.colour_map;
  if (fields.photometric == kTiffPhotometricPalette && !map.present) return IpiRefuse(sys_, kIpiSyntaxError);
  plan.lut_entries = 1;
  if (!takes_map || !map.present) return kIpiNoError;
  const int64_t entries = int64_t{1} << bits;
  if (map.count != 3 * entries) return IpiRefuse(sys_, kIpiSyntaxError);
  std::vector<uint32_t> values;
  IPI_RETURN_IF_ERROR(ReadValues(map, values));
  plan.lut_entries = entries;
  plan.palette.resize(values.size());
  for (size_t i = 0; i < values.size(); ++i) plan.palette[i] = static_cast<uint8_t>(values[i] >> 8);
  return kIpiNoError;
}

}  // namespace

int ReadTiffHeader(IpiSystem* sys, TiffSource& source, TiffHeader* header, int past_end_code) {
  std::vector<uint8_t> storage;
  ByteReader bytes;
  IPI_RETURN_IF_ERROR(source.Read(sys, 0, kTiffHeaderBytes, storage, bytes, past_end_code));
  uint16_t mark = 0;
  if (!bytes.ReadU16Le(mark)) return IpiRefuse(sys, past_end_code);
  if (mark == kTiffLittleEndianMark) {
    header->byte_order = ByteOrder::kLittleEndian;
  } else if (mark == kTiffBigEndianMark) {
    header->byte_order = ByteOrder::kBigEndian;
  } else {
    return IpiRefuse(sys, kIpiSyntaxError);
  }
  uint16_t version = 0;
  if (!bytes.ReadU16(header->byte_order, version) || !bytes.ReadU32(header->byte_order, header->first_directory)) {
    return IpiRefuse(sys, past_end_code);
  }
  if (version != kTiffVersion) return IpiRefuse(sys, kIpiSyntaxError);
  return kIpiNoError;
}

int ReadNextTiffDirectory(IpiSystem* sys, TiffSource& source, ByteOrder order, uint64_t position, uint32_t* next,
                          int past_end_code) {
  std::vector<uint8_t> storage;
  ByteReader head;
  IPI_RETURN_IF_ERROR(source.Read(sys, position, 2, storage, head, past_end_code));
  uint16_t entry_count = 0;
  if (!head.ReadU16(order, entry_count)) return IpiRefuse(sys, past_end_code);
  // position + 2 lies inside the source, so adding the entries cannot wrap.
  const uint64_t link = position + 2 + uint64_t{entry_count} * kTiffDirectoryEntryBytes;
  ByteReader tail;
  IPI_RETURN_IF_ERROR(source.Read(sys, link, 4, storage, tail, past_end_code));
  if (!tail.ReadU32(order, *next)) return IpiRefuse(sys, past_end_code);
  return kIpiNoError;
}

int CountTiffDirectories(IpiSystem* sys, TiffSource& source, ByteOrder order, uint32_t first, int past_end_code,
                         int64_t* count) {
  ChainGuard guard;
  int64_t pages = 0;
  for (uint32_t position = first; position != 0;) {
    // A chain that comes back to a directory (or passes the page cap) ends
    // there: the directories before the loop are the file's pages.
    if (!guard.Visit(position)) break;
    ++pages;
    IPI_RETURN_IF_ERROR(ReadNextTiffDirectory(sys, source, order, position, &position, past_end_code));
  }
  *count = pages;
  return kIpiNoError;
}

int ReadTiffDirectory(IpiSystem* sys, TiffSource& source, ByteOrder order, uint64_t position, TiffImagePlan* plan) {
  DirectoryReader reader(sys, source, order);
  TiffFields fields;
  IPI_RETURN_IF_ERROR(reader.Parse(position, fields));
  return reader.Interpret(fields, *plan);
}
