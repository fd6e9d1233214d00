// The libjpeg writer: every option is checked before the first byte; then
// one compression of the file object's extents, row by row from the image
// through a zeroed, interleaved row buffer, so libjpeg never reads past what
// the image holds. Rows of a packed bitmap are handed to libjpeg in place.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/codec_prelude.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/jpeg_lib/jpeg_lib_file.h"
#include "interchange/jpeg_lib/jpeg_lib_glue.h"
#include "interchange/rows/bmp_rows.h"
#include "interchange/rows/packed_bitmap_rows.h"

namespace {

constexpr int kGreyComponents = 1;
constexpr int kColourComponents = 3;

struct WritePlan {
  int64_t width = 0;
  int64_t height = 0;
  int components = 0;
  int quality = 0;
  int h_factor = 1;  // luminance sampling factors
  int v_factor = 1;
  bool is_progressive = false;
  // Match-point offset: file coordinate = image coordinate + offset.
  int64_t offset[2] = {};
  // The image is a packed bitmap's rows (bottom-up; colour as blue, green,
  // red), whose picture the file object's extents give.
  bool is_packed_source = false;
  PackedBitmapRows packed;
};

// libjpeg takes blue, green, red pixels itself where it can; the same
// samples are coded either way.
#ifdef JCS_EXTENSIONS
constexpr bool kTakesBgr = true;
#else
constexpr bool kTakesBgr = false;
#endif

bool SamplingFactors(int32_t code, int& h, int& v) {
  switch (code) {
    case kJpegLibSampling1x1: h = 1; v = 1; return true;
    case kJpegLibSampling2x1: h = 2; v = 1; return true;
    case kJpegLibSampling1x2: h = 1; v = 2; return true;
    case kJpegLibSampling2x2: h = 2; v = 2; return true;
    default: return false;
  }
}

int32_t MatchPoint(IpiSystem* sys, const IpiObject& obj, int dimension) {
  return IpiSystemValue(sys, IpiSystemAttribute::kMatchPointState) != 0 ? obj.fields.match_point[dimension] : 0;
}

int PlanJpegLibWrite(IpiSystem* sys, IpiObject* image, IpiObject* file, WritePlan& plan) {
  const IpiObjectFields& f = file->fields;
  if (f.file_format != kFormatJpegLib || f.compression != kCompressionNone ||
      image->object_class != file->object_class) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  if (!SamplingFactors(f.sampling_factor, plan.h_factor, plan.v_factor)) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  plan.components = f.dimension[kDimB];
  if (plan.components != kGreyComponents && plan.components != kColourComponents) {
    return IpiRefuse(sys, kIpiMismatchDataType);
  }
  // One file holds one picture: further planes would restart the file.
  if (f.dimension[kDimZ] != 1 || f.dimension[kDimT] != 1) return IpiRefuse(sys, kIpiNonPermissibleOption);
  plan.width = f.dimension[kDimX];
  plan.height = f.dimension[kDimY];
  if (plan.width < 1 || plan.height < 1) return IpiRefuse(sys, kIpiOutOfRange);
  if (plan.width > JPEG_MAX_DIMENSION || plan.height > JPEG_MAX_DIMENSION) {
    return IpiRefuse(sys, kIpiExceedImplementation);
  }
  plan.quality = f.scale_factor;
  plan.is_progressive = IpiInquireAttribute(sys, file, "progressive") != 0;
  for (int d = kDimX; d <= kDimY; ++d) plan.offset[d] = int64_t{MatchPoint(sys, *file, d)} - MatchPoint(sys, *image, d);
  if (IpiIsPackedBitmapImage(*image)) {
    // Every file row is one whole stored row: the picture lies at the origin.
    IPI_RETURN_IF_ERROR(IpiGetPackedBitmapRows(sys, image, plan.width * plan.components, &plan.packed));
    if (plan.packed.rows < plan.height || plan.offset[kDimX] != 0 || plan.offset[kDimY] != 0) {
      return IpiRefuse(sys, kIpiNonPermissibleOption);
    }
    plan.is_packed_source = true;
    return kIpiNoError;
  }
  // libjpeg takes 8-bit samples only; anything else would be read as bytes.
  int32_t bits = 0;
  IPI_RETURN_IF_ERROR(GetStoredBits(sys, image, &bits));
  if (image->fields.data_type != kDataTypeNonnegative || bits != 8) return IpiRefuse(sys, kIpiNonPermissibleOption);
  if (image->fields.dimension[kDimB] < plan.components) return IpiRefuse(sys, kIpiMismatchDataType);
  return kIpiNoError;
}

struct StartStep {
  j_compress_ptr info;
  const WritePlan* plan;
};

void StartCompression(void* context) {
  const auto& step = *static_cast<StartStep*>(context);
  j_compress_ptr info = step.info;
  const WritePlan& plan = *step.plan;
  info->image_width = static_cast<JDIMENSION>(plan.width);
  info->image_height = static_cast<JDIMENSION>(plan.height);
  info->input_components = plan.components;
  info->in_color_space = plan.components == kColourComponents ? JCS_RGB : JCS_GRAYSCALE;
#ifdef JCS_EXTENSIONS
  if (plan.is_packed_source && plan.components == kColourComponents) info->in_color_space = JCS_EXT_BGR;
#endif
  jpeg_set_defaults(info);
  jpeg_set_quality(info, plan.quality, TRUE);
  if (plan.is_progressive) jpeg_simple_progression(info);
  info->comp_info[0].h_samp_factor = plan.h_factor;
  info->comp_info[0].v_samp_factor = plan.v_factor;
  jpeg_start_compress(info, TRUE);
}

struct RowStep {
  j_compress_ptr info;
  JSAMPROW row;
};

void WriteRow(void* context) {
  auto& step = *static_cast<RowStep*>(context);
  (void)jpeg_write_scanlines(step.info, &step.row, 1);
}

void FinishCompression(void* context) { jpeg_finish_compress(static_cast<j_compress_ptr>(context)); }

// Fills file row `y` (width x components interleaved samples) from the image;
// what the image does not cover stays 0.
class ImageRows {
 public:
  ImageRows(const WritePlan& plan, IpiAccessor& image) : plan_(plan), image_(image) {
    if (plan.is_packed_source) return;
    const int32_t* extent = image.dimension;
    band_elements_ = int64_t{extent[kDimX]} * extent[kDimY] * extent[kDimZ] * extent[kDimT];
    first_x_ = std::max<int64_t>(0, plan.offset[kDimX]);
    end_x_ = std::min<int64_t>(plan.width, plan.offset[kDimX] + extent[kDimX]);
    if (plan.components == kColourComponents) {
      for (std::vector<uint8_t>& band : bands_) band.resize(static_cast<size_t>(std::max<int64_t>(end_x_ - first_x_, 1)));
    }
  }

  int Fill(IpiSystem* sys, int64_t y, uint8_t* row) {
    if (plan_.is_packed_source) {
      const uint8_t* stored = StoredRow(sys, y);
      if (stored == nullptr) return IpiGetLastError(sys);
      if (plan_.components == 1) {
        std::memcpy(row, stored, static_cast<size_t>(plan_.width));
        return kIpiNoError;
      }
      for (int64_t x = 0; x < plan_.width; ++x) {
        row[3 * x] = stored[3 * x + 2];
        row[3 * x + 1] = stored[3 * x + 1];
        row[3 * x + 2] = stored[3 * x];
      }
      return kIpiNoError;
    }
    const int64_t image_y = y - plan_.offset[kDimY];
    const int64_t row_bytes = plan_.width * plan_.components;
    if (image_y < 0 || image_y >= image_.dimension[kDimY] || first_x_ >= end_x_) {
      std::memset(row, 0, static_cast<size_t>(row_bytes));
      return kIpiNoError;
    }
    const int64_t count = end_x_ - first_x_;
    const int64_t element = image_y * image_.dimension[kDimX] + (first_x_ - plan_.offset[kDimX]);
    uint8_t* out = row + first_x_ * plan_.components;
    const uint8_t* band_rows[kColourComponents] = {};
    for (int b = 0; b < plan_.components; ++b) {
      const uint8_t* band = IpiGetInputRow(sys, image_.stream, b * band_elements_ + element);
      if (band == nullptr) return IpiGetLastError(sys);
      if (plan_.components == kGreyComponents) {
        std::memcpy(out, band, static_cast<size_t>(count));
        break;
      }
      // A file row lives in the stream's buffer until the next fetch: take it now.
      if (!IpiRowsStayInPlace(*image_.stream)) {
        std::memcpy(bands_[b].data(), band, static_cast<size_t>(count));
        band = bands_[b].data();
      }
      band_rows[b] = band;
    }
    // One pass over the three rows. The merge stores its first argument
    // last, as packed bitmaps keep blue, green, red: red goes in last here.
    if (plan_.components == kColourComponents) {
      MergePixels(band_rows[2], band_rows[1], band_rows[0], count, kColourComponents, out);
    }
    return kIpiNoError;
  }

  // Picture row `y` of a packed source as stored, read in place (valid until
  // the next fetch): what libjpeg can take without a copy. The rows run down
  // through memory, so the next one is asked into the cache while libjpeg
  // codes this one.
  uint8_t* StoredRow(IpiSystem* sys, int64_t y) {
    if (y + 1 < plan_.height) {
      IpiPrefetchInputRow(image_.stream, plan_.packed.ElementOfRow(plan_.packed.ObjectRowOf(y + 1)));
    }
    return IpiGetInputRow(sys, image_.stream, plan_.packed.ElementOfRow(plan_.packed.ObjectRowOf(y)));
  }

  // Whether StoredRow gives libjpeg its rows as they are.
  bool TakesStoredRows() const {
    return plan_.is_packed_source && (plan_.components == kGreyComponents || kTakesBgr);
  }

 private:
  const WritePlan& plan_;
  IpiAccessor& image_;
  int64_t band_elements_ = 0;
  int64_t first_x_ = 0;  // file columns the image covers: [first_x_, end_x_)
  int64_t end_x_ = 0;
  std::vector<uint8_t> bands_[kColourComponents];  // the row's band samples
};

}  // namespace

int WriteJpegLibFile(IpiSystem* sys, IpiObject* image, IpiObject* file) {
  WritePlan plan;
  ScopedAccessor in;
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(IpiBeginPlannedWrite(
      sys, image, file, PlanJpegLibWrite, plan,
      [&] { return OpenImageAccessor(sys, image, AccessMode::kRead, 1, false, in); }, out));
  std::vector<uint8_t> row(static_cast<size_t>(plan.width * plan.components), 0);
  ImageRows rows(plan, *in);

  JpegLibCompressor compressor(sys);
  IPI_RETURN_IF_ERROR(compressor.Create(out.stream()));
  StartStep start{compressor.info(), &plan};
  IPI_RETURN_IF_ERROR(compressor.Run(StartCompression, &start));
  RowStep step{compressor.info(), row.data()};
  for (int64_t y = 0; y < plan.height; ++y) {
    if (rows.TakesStoredRows()) {
      step.row = rows.StoredRow(sys, y);
      if (step.row == nullptr) return IpiGetLastError(sys);
    } else {
      IPI_RETURN_IF_ERROR(rows.Fill(sys, y, row.data()));
    }
    IPI_RETURN_IF_ERROR(compressor.Run(WriteRow, &step));
  }
  IPI_RETURN_IF_ERROR(compressor.Run(FinishCompression, compressor.info()));
  IPI_RETURN_IF_ERROR(out.Close());
  IPI_RETURN_IF_ERROR(in.Close());
  return IpiSetAttribute(sys, file, "size", static_cast<intptr_t>(compressor.bytes_written()));
}
