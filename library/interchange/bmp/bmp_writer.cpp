// The bitmap writer; see bmp_codec.h. The whole stored form's length is known
// before the first byte: caller memory that cannot hold it is refused
// untouched, and rows are then built in place in that memory, or in a block
// buffer written to the file in large pieces.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/scoped_stream.h"
#include "core/streams/stream.h"
#include "interchange/bmp/bmp_codec.h"
#include "interchange/bmp/bmp_header.h"
#include "interchange/common/codec_prelude.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/common/object_bytes.h"
#include "interchange/rows/bmp_rows.h"

namespace {

constexpr size_t kFileBlockBytes = 256 * 1024;

// Sequential output of the stored form into the target's data.
class StoredFormOutput {
 public:
  explicit StoredFormOutput(IpiSystem* sys) : sys_(sys) {}

  // Memory targets must hold `total_bytes`: 8 before anything is written.
  // Later calls never pass that total, so memory needs no further checks.
  int Open(IpiObject* target, uint64_t total_bytes) {
    IPI_RETURN_IF_ERROR(IpiOpenSizedOutput(sys_, target, total_bytes, stream_));
    memory_ = stream_->data;
    return kIpiNoError;
  }

  // Room for the next `count` bytes, valid until the next call; null when
  // writing the previous block to the file failed (status()).
  uint8_t* Next(int64_t count) {
    uint8_t* out = nullptr;
    if (memory_ != nullptr) {
      out = memory_ + position_;
    } else {
      if (!block_.empty() && block_.size() + static_cast<size_t>(count) > kFileBlockBytes && Flush() != 0) {
        return nullptr;
      }
      const size_t used = block_.size();
      block_.resize(used + static_cast<size_t>(count));
      out = block_.data() + used;
    }
    position_ += count;
    return out;
  }

  int Finish() {
    IPI_RETURN_IF_ERROR(Flush());
    return stream_.Close();
  }

  int status() const { return status_; }

 private:
  // The block holds the bytes that end at position_.
  int Flush() {
    if (block_.empty()) return kIpiNoError;
    const auto count = static_cast<int64_t>(block_.size());
    if (IpiWriteBytes(sys_, stream_.get(), position_ - count, block_.data(), count) != count) {
      status_ = IpiGetLastError(sys_);
      return status_;
    }
    block_.clear();
    return kIpiNoError;
  }

  IpiSystem* sys_;
  ScopedStream stream_;
  uint8_t* memory_ = nullptr;
  int64_t position_ = 0;
  std::vector<uint8_t> block_;
  int status_ = kIpiNoError;
};

int32_t ChooseDepth(const IpiObject& image, const IpiObject& target, int* status) {
  const bool same_colour_class = image.object_class == target.object_class &&
                                 (image.object_class == &kColourImageClass || image.object_class == &kGenericImageClass);
  const int32_t image_bands = image.fields.dimension[kDimB];
  const int32_t target_bands = target.fields.dimension[kDimB];
  const int32_t precision = target.fields.data_precision;
  *status = kIpiNoError;
  if (same_colour_class && image_bands >= 4 && target_bands >= 4) {
    if (precision != 8) *status = kIpiNonPermissibleOption;  // 4-byte pixels hold 8-bit samples only
    return 32;
  }
  if (same_colour_class && image_bands >= 3 && target_bands >= 3 && (precision == 8 || precision == 16)) {
    if (precision == 16) *status = kIpiNonPermissibleOption;  // no 48-bit form is written
    return 24;
  }
  if (precision == 1 || precision == 4 || precision == 8) return precision;
  *status = kIpiNonPermissibleOption;
  return 0;
}

// The colour table: from the image's lookup table when it has one that can
// serve, else the standard table of the depth.
void BuildPalette(IpiSystem* sys, const IpiObject& image, int32_t bits, uint32_t entries, uint8_t* out) {
  std::memset(out, 0, entries * kBmpPaletteEntryBytes);
  IpiObject* table = image.fields.lut != 0 ? IpiObjectFromId(sys, image.fields.lut) : nullptr;
  int32_t table_bits = 0;
  if (table != nullptr) {
    const IpiObjectFields& t = table->fields;
    const bool usable = t.dimension[kDimX] > 0 && t.dimension[kDimB] >= 3 &&
                        (t.data_type == kDataTypeNonnegative || t.data_type == kDataTypeSigned) &&
                        t.bit_order == kOrderMsbFirst && GetStoredBits(sys, table, &table_bits) == 0 &&
                        (table_bits == 8 || table_bits == 16);
    if (usable) {
      const int64_t table_entries = t.dimension[kDimX];
      const int64_t sample_bytes = table_bits / 8;
      ObjectBytes samples;
      if (samples.LoadData(sys, table, 3 * table_entries * sample_bytes) == 0) {
        const uint8_t* data = samples.bytes().data();
        const int64_t count = std::min<int64_t>(entries, table_entries);
        // 16-bit samples give one byte: the one at the lower address, which for
        // big-endian entries (byteOrder 150) is also the entry's high byte.
        for (int64_t i = 0; i < count; ++i) {
          for (int c = 0; c < 3; ++c) out[4 * i + (2 - c)] = data[(c * table_entries + i) * sample_bytes];
        }
        return;
      }
    }
  }
  FormatStandardBmpPalette(bits, entries, out);
}

struct RowPlan {
  int32_t bits = 0;
  bool is_boolean = false;
  int64_t width = 0;   // pixels of a stored row
  int64_t height = 0;
  int64_t row_bytes = 0;
};

int WriteRows(IpiSystem* sys, const RowPlan& plan, IpiObject* image, StoredFormOutput& output) {
  const IpiObjectFields& f = image->fields;
  const int64_t x_dim = f.dimension[kDimX];
  const int64_t y_dim = f.dimension[kDimY];
  const int64_t band_elements = x_dim * y_dim * f.dimension[kDimZ] * f.dimension[kDimT];
  const int64_t columns = std::min(plan.width, x_dim);
  const int bands = plan.bits == 32 ? 4 : plan.bits == 24 ? 3 : 1;
  // Stored byte of band b in a 3- or 4-byte pixel: blue, green, red, fourth band.
  constexpr int kChannelOfBand[4] = {2, 1, 0, 3};
  int64_t filled = 0;
  switch (plan.bits) {
    case 1: filled = (columns + 7) / 8; break;
    case 4: filled = (columns + 1) / 2; break;
    case 8: filled = columns; break;
    default: filled = columns * bands; break;
  }

  ScopedAccessor in;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, image, AccessMode::kRead, 1, in));
  const IpiAccessor& accessor = *in;
  // Rows in memory are read in place: the colour bands merge in one pass.
  const bool merges_in_one_pass = bands >= 3 && in.stream()->data != nullptr;
  for (int64_t s = 0; s < plan.height; ++s) {
    uint8_t* stored = output.Next(plan.row_bytes);
    if (stored == nullptr) return output.status();
    const int64_t y = plan.height - 1 - s;  // rows are stored bottom-up
    if (y >= y_dim) {
      std::memset(stored, 0, static_cast<size_t>(plan.row_bytes));
      continue;
    }
    int first_band = 0;
    if (merges_in_one_pass) {
      const uint8_t* planes[3] = {};
      for (int b = 0; b < 3; ++b) {
        planes[b] = IpiGetInputRow(sys, in.stream(), b * band_elements + y * x_dim);
        if (planes[b] == nullptr) return IpiGetLastError(sys);
      }
      MergePixels(planes[0], planes[1], planes[2], columns, bands, stored);
      first_band = 3;
    }
    for (int b = first_band; b < bands; ++b) {
      const int64_t element = b * band_elements + y * x_dim;
      const uint8_t* row = IpiGetInputRow(sys, in.stream(), element);
      if (row == nullptr) return IpiGetLastError(sys);
      switch (plan.bits) {
        case 1:
          if (plan.is_boolean) {
            RowToStoredBits(row, element % 8, columns, accessor, stored);
          } else {
            LowBitsToStoredBits(row, columns, stored);
          }
          break;
        case 4: PackNibbles(row, columns, stored); break;
        case 8: std::memcpy(stored, row, static_cast<size_t>(columns)); break;
        default: InsertChannel(row, columns, bands, kChannelOfBand[b], stored); break;
      }
    }
    std::memset(stored + filled, 0, static_cast<size_t>(plan.row_bytes - filled));
  }
  return in.Close();
}

}  // namespace

int WriteBmpFile(IpiSystem* sys, IpiObject* image, IpiObject* target, int32_t format) {
  IPI_RETURN_IF_ERROR(IpiBeginWrite(sys, image, target));
  if (format != kFormatBmp && format != kFormatPackedBitmap && format != kFormatPackedBitmapHeader) {
    return IpiRefuse(sys, kIpiOutOfRange);
  }
  const int32_t compression = target->fields.compression;
  if (compression != kCompressionNone && compression != kCompressionBmpRunLength) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  // Caller memory always states how many bytes it holds.
  if (target->fields.repository == kRepositoryCallerMemory && target->fields.size < 1) {
    return IpiRefuse(sys, kIpiInsufficientSize);
  }
  IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, target, "bitOrder", kOrderMsbFirst));
  int depth_status = kIpiNoError;
  const int32_t bits = ChooseDepth(*image, *target, &depth_status);
  if (depth_status != 0) return IpiRefuse(sys, depth_status);
  const bool is_run_length = compression == kCompressionBmpRunLength;
  if (is_run_length && bits != 4 && bits != 8) return IpiRefuse(sys, kIpiNonPermissibleOption);

  RowPlan plan;
  plan.bits = bits;
  plan.width = target->fields.dimension[kDimX];
  plan.height = target->fields.dimension[kDimY];
  const int32_t width_byte_boundary = target->fields.width_byte_boundary;
  if (IpiSystemValue(sys, IpiSystemAttribute::kByteBoundary) != 0 && target->fields.data_precision == 1 &&
      width_byte_boundary >= 1 && width_byte_boundary <= plan.width) {
    plan.width = width_byte_boundary;  // the width before rows were widened to whole bytes
  }
  if (plan.width < 1 || plan.height < 1) return IpiRefuse(sys, kIpiOutOfRange);
  const int geometry_status =
      IpiCheckGeometry(plan.width, plan.height, bits, DimensionStorage::kBits32, nullptr, nullptr);
  if (geometry_status != 0) return IpiRefuse(sys, geometry_status);
  plan.row_bytes = BmpRowBytes(plan.width, bits);

  BmpWriteHeader header;
  header.container = format == kFormatBmp ? BmpContainer::kFile : BmpContainer::kPacked;
  header.width_px = plan.width;
  header.height_px = plan.height;
  header.bits_per_pixel = bits;
  header.palette_entries = bits <= 8 ? 1u << bits : 0;
  if (is_run_length) {
    header.compression = bits == 8 ? kBmpCompressionRle8 : kBmpCompressionRle4;
    const int64_t coded_bytes = image->fields.size;
    if (coded_bytes < 2 || coded_bytes > 2 * kMaxImageBytes) return IpiRefuse(sys, kIpiOutOfRange);
    header.image_bytes = static_cast<uint64_t>(coded_bytes);
  } else {
    header.image_bytes = static_cast<uint64_t>(plan.row_bytes) * static_cast<uint64_t>(plan.height);
  }
  if (target->fields.file_format == kFormatBmp &&
      IpiInquireAttribute(sys, target, "resolutionUnit") == kResolutionUnitPixelsPerMetre) {
    header.x_pixels_per_metre = static_cast<int32_t>(IpiInquireAttribute(sys, target, "xResolution"));
    header.y_pixels_per_metre = static_cast<int32_t>(IpiInquireAttribute(sys, target, "yResolution"));
  }
  const bool writes_rows = format != kFormatPackedBitmapHeader;
  if (writes_rows && !is_run_length) {
    // Both boolean, or both non-negative with one byte per element.
    plan.is_boolean = image->fields.data_type == kDataTypeBoolean;
    if (image->fields.data_type != target->fields.data_type ||
        (!plan.is_boolean && image->fields.data_type != kDataTypeNonnegative)) {
      return IpiRefuse(sys, kIpiMismatchDataType);
    }
    IPI_RETURN_IF_ERROR(RequireStoredBits(sys, image, plan.is_boolean ? 1 : 8));
  }

  const uint64_t total_bytes = header.pixel_offset() + (writes_rows ? header.image_bytes : 0);
  ObjectBytes coded_body;
  if (writes_rows && is_run_length) {
    IPI_RETURN_IF_ERROR(coded_body.LoadData(sys, image, static_cast<int64_t>(header.image_bytes)));
  }
  StoredFormOutput output(sys);
  IPI_RETURN_IF_ERROR(output.Open(target, total_bytes));
  uint8_t* front = output.Next(static_cast<int64_t>(header.pixel_offset()));
  if (front == nullptr) return output.status();
  FormatBmpHeaders(header, front);
  if (header.palette_entries > 0) BuildPalette(sys, *image, bits, header.palette_entries, front + header.header_bytes());
  if (writes_rows) {
    if (is_run_length) {
      uint8_t* body = output.Next(static_cast<int64_t>(header.image_bytes));
      if (body == nullptr) return output.status();
      std::memcpy(body, coded_body.bytes().data(), coded_body.bytes().size());
    } else {
      IPI_RETURN_IF_ERROR(WriteRows(sys, plan, image, output));
    }
  }
  return output.Finish();
}
