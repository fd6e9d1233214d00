// The libjpeg reader: the header pass sets the target's description from
// libjpeg's header read; the data pass decodes row by row, straight into the
// rows of a packed bitmap that holds them, else into a scratch row whose part
// that overlaps the target is copied, stopping at the target's last row.
// Warnings of damaged or missing data are not errors: such a file reads with
// the rows libjpeg makes of it.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/codec_prelude.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/common/object_io.h"
#include "interchange/jpeg_lib/jpeg_lib_file.h"
#include "interchange/jpeg_lib/jpeg_lib_glue.h"
#include "interchange/rows/bmp_rows.h"
#include "interchange/rows/packed_bitmap_rows.h"

namespace {

constexpr int kGreyComponents = 1;
constexpr int kColourComponents = 3;
constexpr int kChrominanceComponents = 2;

int32_t MatchPoint(IpiSystem* sys, const IpiObject& obj, int dimension) {
  return IpiSystemValue(sys, IpiSystemAttribute::kMatchPointState) != 0 ? obj.fields.match_point[dimension] : 0;
}

int32_t SamplingCode(const jpeg_component_info& c) {
  if (c.h_samp_factor == 1 && c.v_samp_factor == 1) return kJpegLibSampling1x1;
  if (c.h_samp_factor == 2 && c.v_samp_factor == 1) return kJpegLibSampling2x1;
  if (c.h_samp_factor == 1 && c.v_samp_factor == 2) return kJpegLibSampling1x2;
  if (c.h_samp_factor == 2 && c.v_samp_factor == 2) return kJpegLibSampling2x2;
  return 0;
}

// The luminance code when the chrominance components are 1 x 1; else 0.
int32_t FileSamplingCode(const jpeg_decompress_struct& info) {
  if (info.num_components == kGreyComponents) return SamplingCode(info.comp_info[0]);
  if (info.num_components != kColourComponents) return 0;
  for (int i = 1; i <= kChrominanceComponents; ++i) {
    if (info.comp_info[i].h_samp_factor != 1 || info.comp_info[i].v_samp_factor != 1) return 0;
  }
  return SamplingCode(info.comp_info[0]);
}

void ReadHeader(void* context) { (void)jpeg_read_header(static_cast<j_decompress_ptr>(context), TRUE); }
void StartDecompression(void* context) { (void)jpeg_start_decompress(static_cast<j_decompress_ptr>(context)); }
void FinishDecompression(void* context) { (void)jpeg_finish_decompress(static_cast<j_decompress_ptr>(context)); }

struct RowStep {
  j_decompress_ptr info;
  JSAMPROW row;
  JDIMENSION rows_read;
};

void ReadRow(void* context) {
  auto& step = *static_cast<RowStep*>(context);
  step.rows_read = jpeg_read_scanlines(step.info, &step.row, 1);
}

int SetTargetAttributes(IpiSystem* sys, const jpeg_decompress_struct& info, int64_t file_bytes, IpiObject* target) {
  std::vector<IpiAttribute> list = {
      {"xDimension", static_cast<intptr_t>(info.image_width)},
      {"yDimension", static_cast<intptr_t>(info.image_height)},
      {"zDimension", 1},
      {"tDimension", 1},
      {"bDimension", info.num_components},
      // dataType first: it sets the precision from the system, which dataPrecision replaces.
      {"dataType", kDataTypeNonnegative},
      {"bitOrder", kOrderMsbFirst},
      {"byteOrder", kOrderMsbFirst},
      {"dataPrecision", info.data_precision},
      {"compression", kCompressionNone},
      {"colourSpace", kColourSpaceRgb},
      {"samplingFactor", FileSamplingCode(info)},
      {"progressive", info.progressive_mode ? 1 : 0},
  };
  // Caller memory keeps the size of the memory as its bound.
  if (target->fields.repository != kRepositoryCallerMemory) list.push_back({"size", static_cast<intptr_t>(file_bytes)});
  return IpiSetAttributes(sys, target, list.data(), static_cast<int>(list.size()));
}

// A one-component file gives the target's lookup table a grey ramp over all
// its entries: entry i is i x 255 / (n - 1), a one-entry table gets 0.
int LoadGreyRamp(IpiSystem* sys, const jpeg_decompress_struct& info, IpiObject* target) {
  IpiObject* lut = IpiObjectFromId(sys, target->fields.lut);
  if (lut == nullptr || info.num_components != kGreyComponents) return kIpiNoError;
  const int64_t entries = lut->fields.dimension[kDimX];
  if (entries < 1 || lut->fields.data_type != kDataTypeNonnegative) return kIpiNoError;
  std::vector<uint8_t> rgb(static_cast<size_t>(entries) * 3);
  for (int64_t i = 0; i < entries; ++i) {
    const auto value = static_cast<uint8_t>(entries == 1 ? 0 : i * 255 / (entries - 1));
    std::fill_n(rgb.begin() + i * 3, 3, value);
  }
  return WriteLutEntries(sys, lut, rgb);
}

// Where decoded rows go: band rows of the target, or the rows of a packed
// bitmap (bottom-up; colour as blue, green, red), cut to the target.
class TargetRows {
 public:
  int Open(IpiSystem* sys, IpiObject* source, IpiObject* target, const jpeg_decompress_struct& info) {
    components_ = info.num_components;
    file_width_ = info.image_width;
    const IpiObjectFields& t = target->fields;
    if (t.dimension[kDimZ] != 1 || t.dimension[kDimT] != 1) return IpiRefuse(sys, kIpiNonPermissibleOption);
    is_packed_bitmap_ = IpiIsPackedBitmapImage(*target);
    if (is_packed_bitmap_) {
      IPI_RETURN_IF_ERROR(IpiGetPackedBitmapRows(sys, target, 1, &packed_));
    } else {
      int32_t bits = 0;
      IPI_RETURN_IF_ERROR(GetStoredBits(sys, target, &bits));
      if (t.data_type != kDataTypeNonnegative || bits != 8 || t.dimension[kDimB] < components_) {
        return IpiRefuse(sys, kIpiMismatchDataType);
      }
      for (int d = kDimX; d <= kDimY; ++d) offset_[d] = int64_t{MatchPoint(sys, *target, d)} - MatchPoint(sys, *source, d);
      width_ = t.dimension[kDimX];
      height_ = t.dimension[kDimY];
      band_elements_ = width_ * height_;
      first_x_ = std::max<int64_t>(0, offset_[kDimX]);
      end_x_ = std::min<int64_t>(width_, offset_[kDimX] + file_width_);
      if (components_ == kColourComponents) {
        for (std::vector<uint8_t>& band : bands_) band.resize(static_cast<size_t>(std::max<int64_t>(end_x_ - first_x_, 1)));
      }
    }
    return OpenImageAccessor(sys, target, AccessMode::kWrite, 1, false, accessor_);
  }

  // Whether whole decoded rows fit the target's rows in place: a packed
  // bitmap whose rows hold a file row, colour decoded as blue, green, red.
  bool TakesRowsInPlace(const jpeg_decompress_struct& info) const {
    const J_COLOR_SPACE in_place = components_ == kColourComponents ? JCS_RGB : JCS_GRAYSCALE;
    return is_packed_bitmap_ && info.out_color_space == in_place && packed_.row_bytes >= file_width_ * components_;
  }

  // The target's row for file row `r`, for libjpeg to write in place; null
  // with the stream's error reported.
  uint8_t* PackedRow(IpiSystem* sys, int64_t r) {
    return IpiGetOutputRow(sys, accessor_.stream(), packed_.ElementOfRow(packed_.ObjectRowOf(r)));
  }
  int PutPackedRow(IpiSystem* sys, int64_t r) {
    return IpiPutOutputRow(sys, accessor_.stream(), packed_.ElementOfRow(packed_.ObjectRowOf(r)));
  }

  // True when file row `r` and every later one lie below the target.
  bool IsPastEnd(int64_t r) const {
    return is_packed_bitmap_ ? r >= packed_.rows : r + offset_[kDimY] >= height_;
  }

  int Store(IpiSystem* sys, int64_t r, const uint8_t* decoded) {
    if (is_packed_bitmap_) return StorePacked(sys, r, decoded);
    const int64_t y = r + offset_[kDimY];
    if (y < 0 || first_x_ >= end_x_) return kIpiNoError;
    const int64_t count = end_x_ - first_x_;
    const uint8_t* from = decoded + (first_x_ - offset_[kDimX]) * components_;
    // One pass splits the pixels; the split stores its first band from the
    // last byte of a pixel, as packed bitmaps keep blue, green, red.
    if (components_ == kColourComponents) {
      SplitPixels(from, count, kColourComponents, bands_[2].data(), bands_[1].data(), bands_[0].data());
    }
    IpiStream* stream = accessor_.stream();
    for (int b = 0; b < components_; ++b) {
      const int64_t element = b * band_elements_ + y * width_ + first_x_;
      uint8_t* out = IpiGetOutputRow(sys, stream, element);
      if (out == nullptr) return IpiGetLastError(sys);
      std::memcpy(out, components_ == 1 ? from : bands_[b].data(), static_cast<size_t>(count));
      IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, stream, element));
    }
    return kIpiNoError;
  }

  int Close() { return accessor_.Close(); }

 private:
  int StorePacked(IpiSystem* sys, int64_t r, const uint8_t* decoded) {
    IpiStream* stream = accessor_.stream();
    const int64_t element = packed_.ElementOfRow(packed_.ObjectRowOf(r));
    uint8_t* out = IpiGetOutputRow(sys, stream, element);
    if (out == nullptr) return IpiGetLastError(sys);
    // Never past the object's row: its next bytes are the next row.
    const int64_t count = std::min(packed_.row_bytes, file_width_ * components_);
    if (components_ == kColourComponents) {
      for (int64_t i = 0; i < count; ++i) out[i] = decoded[i - i % 3 + (2 - i % 3)];
    } else {
      std::memcpy(out, decoded, static_cast<size_t>(count));
    }
    return IpiPutOutputRow(sys, stream, element);
  }

  ScopedAccessor accessor_;
  int components_ = 0;
  int64_t file_width_ = 0;
  bool is_packed_bitmap_ = false;
  PackedBitmapRows packed_;
  int64_t offset_[2] = {};  // target coordinate = file coordinate + offset
  int64_t width_ = 0;
  int64_t height_ = 0;
  int64_t band_elements_ = 0;
  int64_t first_x_ = 0;  // target columns the file covers: [first_x_, end_x_)
  int64_t end_x_ = 0;
  std::vector<uint8_t> bands_[kColourComponents];  // the row's band samples
};

// Decodes straight into the rows of a packed bitmap that holds them (the
// common case: the entry points' results); any other target through a
// scratch row. Both give the same bytes.
int DecodeRows(IpiSystem* sys, JpegLibDecompressor& decompressor, IpiObject* source, IpiObject* target) {
  jpeg_decompress_struct& info = *decompressor.info();
  if (info.num_components != kGreyComponents && info.num_components != kColourComponents) {
    return IpiRefuse(sys, kIpiSemanticError);
  }
  TargetRows rows;
  IPI_RETURN_IF_ERROR(rows.Open(sys, source, target, info));
  const bool in_place = rows.TakesRowsInPlace(info);
  if (in_place && info.num_components == kColourComponents) info.out_color_space = JCS_EXT_BGR;
  IPI_RETURN_IF_ERROR(decompressor.Run(StartDecompression, &info));
  // Grey and RGB output have as many samples per pixel as the file has components.
  std::vector<uint8_t> decoded(in_place ? 0 : static_cast<size_t>(info.output_width) * info.output_components);
  RowStep step{&info, decoded.data(), 0};
  const int64_t height = info.output_height;
  int64_t r = 0;
  for (; r < height && !rows.IsPastEnd(r); ++r) {
    if (in_place) {
      step.row = rows.PackedRow(sys, r);
      if (step.row == nullptr) return IpiGetLastError(sys);
    }
    IPI_RETURN_IF_ERROR(decompressor.Run(ReadRow, &step));
    if (step.rows_read != 1) return IpiRefuse(sys, kIpiSyntaxError);
    IPI_RETURN_IF_ERROR(in_place ? rows.PutPackedRow(sys, r) : rows.Store(sys, r, decoded.data()));
  }
  // A target that ends first leaves the rest undecoded; the object is destroyed unfinished.
  if (r == height) IPI_RETURN_IF_ERROR(decompressor.Run(FinishDecompression, &info));
  IPI_RETURN_IF_ERROR(rows.Close());
  return kIpiNoError;
}

}  // namespace

int ReadJpegLibFile(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode) {
  SourceBytes file;
  IPI_RETURN_IF_ERROR(IpiBeginRead(sys, source, target, read_mode, file, {target, IpiIsImageClass}));
  JpegLibDecompressor decompressor(sys);
  IPI_RETURN_IF_ERROR(decompressor.Create(file.bytes()));
  jpeg_decompress_struct& info = *decompressor.info();
  IPI_RETURN_IF_ERROR(decompressor.Run(ReadHeader, &info));
  int64_t row_bytes = 0;
  int64_t total_bytes = 0;
  const int fits = IpiCheckGeometry(info.image_width, info.image_height, int64_t{8} * info.num_components,
                                    DimensionStorage::kBits16, &row_bytes, &total_bytes);
  if (fits != 0) return IpiRefuse(sys, fits);
  if (read_mode != kReadModeData) {
    IPI_RETURN_IF_ERROR(SetTargetAttributes(sys, info, static_cast<int64_t>(file.bytes().size()), target));
    IPI_RETURN_IF_ERROR(LoadGreyRamp(sys, info, target));
  }
  if (read_mode != kReadModeHeader) IPI_RETURN_IF_ERROR(DecodeRows(sys, decompressor, source, target));
  return kIpiNoError;
}
