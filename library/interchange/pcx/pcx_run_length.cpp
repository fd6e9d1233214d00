// The coder of compression 247: EncodePcxRle and DecodePcxRle; see
// pcx_codec.h. Both work a row at a time through one line-unit buffer; the
// coded bytes are viewed whole (ObjectBytes) or gathered before each write.
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
#include "interchange/common/object_bytes.h"
#include "interchange/pcx/pcx_codec.h"
#include "interchange/pcx/pcx_lines.h"
#include "interchange/rows/bmp_rows.h"
#include "interchange/rows/packed_bitmap_rows.h"

namespace {

constexpr size_t kFlushBytes = 65536;
constexpr int32_t kFourBitPlanes = 4;
constexpr int32_t kMaxBytePlanes = 4;

// The layout that joins two objects, from their data types and precisions:
// 10 (reported) when none does. `image` is the plain side.
int ChoosePcxLayout(IpiSystem* sys, IpiObject* image, IpiObject* coded, PcxLayout* layout) {
  const IpiObjectFields& i = image->fields;
  const IpiObjectFields& c = coded->fields;
  if (i.data_type == kDataTypeBoolean && c.data_type == kDataTypeBoolean) {
    *layout = PcxLayout::kBits1;
    return kIpiNoError;
  }
  if (i.data_type != kDataTypeNonnegative || c.data_type != kDataTypeNonnegative ||
      i.data_precision != c.data_precision) {
    return IpiRefuse(sys, kIpiMismatchDataType);
  }
  if (i.data_precision == 4) {
    *layout = PcxLayout::kBits4;
  } else if (i.data_precision == 8) {
    *layout = PcxLayout::kBytes8;
  } else {
    return IpiRefuse(sys, kIpiMismatchDataType);
  }
  return kIpiNoError;
}

// The coded object's rows: extents, planes and (when decoding) its bytes
// per line. 0, or the reported refusal.
int CodedFormat(IpiSystem* sys, IpiObject* coded, PcxLayout layout, PcxLineFormat& format) {
  const IpiObjectFields& f = coded->fields;
  if (f.dimension[kDimZ] != 1 || f.dimension[kDimT] != 1) return IpiRefuse(sys, kIpiNonPermissibleOption);
  format.layout = layout;
  format.width = f.dimension[kDimX];
  format.height = f.dimension[kDimY];
  format.planes = layout == PcxLayout::kBits1 ? 1 : layout == PcxLayout::kBits4 ? kFourBitPlanes : f.dimension[kDimB];
  if (format.width < 1 || format.height < 1) return IpiRefuse(sys, kIpiOutOfRange);
  if (format.planes < 1 || format.planes > kMaxBytePlanes) return IpiRefuse(sys, kIpiNonPermissibleOption);
  format.bytes_per_line = PcxBytesPerLine(layout, format.width);
  int64_t row_bytes = 0;
  int64_t total_bytes = 0;
  const int64_t bits_per_pixel = layout == PcxLayout::kBits1 ? 1 : layout == PcxLayout::kBits4 ? 4 : 8 * format.planes;
  const int fits = IpiCheckGeometry(format.width, format.height, bits_per_pixel, DimensionStorage::kBits32, &row_bytes,
                                    &total_bytes);
  return fits != 0 ? IpiRefuse(sys, fits) : kIpiNoError;
}

int RequireStored(IpiSystem* sys, IpiObject* image, PcxLayout layout) {
  return RequireStoredBits(sys, image, layout == PcxLayout::kBits1 ? 1 : 8);
}

int64_t BandElements(const IpiObjectFields& f) {
  return int64_t{f.dimension[kDimX]} * f.dimension[kDimY] * f.dimension[kDimZ] * f.dimension[kDimT];
}

// Bit k of each 4-bit pixel goes to plane line k, first pixel in bit 7.
void SpreadNibbles(const uint8_t* pixels, int64_t count, int64_t bytes_per_line, uint8_t* unit) {
  for (int64_t x = 0; x < count; ++x) {
    const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
    for (int k = 0; k < kFourBitPlanes; ++k) {
      if ((pixels[x] >> k) & 1) unit[k * bytes_per_line + (x >> 3)] |= mask;
    }
  }
}

void GatherNibbles(const uint8_t* unit, int64_t count, int64_t bytes_per_line, uint8_t* pixels) {
  for (int64_t x = 0; x < count; ++x) {
    const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
    uint8_t value = 0;
    for (int k = 0; k < kFourBitPlanes; ++k) {
      if (unit[k * bytes_per_line + (x >> 3)] & mask) value |= static_cast<uint8_t>(1 << k);
    }
    pixels[x] = value;
  }
}

// Appends coded bytes to the coded object's stream from offset 0.
class CodedOutput {
 public:
  explicit CodedOutput(IpiStream* stream) : stream_(stream) { pending_.reserve(kFlushBytes * 2); }
  std::vector<uint8_t>& pending() { return pending_; }
  int Flush(IpiSystem* sys, bool always) {
    if (pending_.empty() || (!always && pending_.size() < kFlushBytes)) return kIpiNoError;
    const auto n = static_cast<int64_t>(pending_.size());
    if (IpiWriteBytes(sys, stream_, written_, pending_.data(), n) != n) return IpiGetLastError(sys);
    written_ += n;
    pending_.clear();
    return kIpiNoError;
  }
  int64_t written() const { return written_; }

 private:
  IpiStream* stream_;
  std::vector<uint8_t> pending_;
  int64_t written_ = 0;
};

// Where decoded units go: image rows, or the rows of a packed bitmap.
class DecodeTarget {
 public:
  int Open(IpiSystem* sys, IpiObject* image, const PcxLineFormat& format) {
    format_ = format;
    is_packed_bitmap_ = IpiIsPackedBitmapImage(*image);
    if (is_packed_bitmap_) {
      if (format.layout == PcxLayout::kBits4) return IpiRefuse(sys, kIpiSemanticError);
      IPI_RETURN_IF_ERROR(IpiGetPackedBitmapRows(sys, image, 1, &packed_));
    } else {
      IPI_RETURN_IF_ERROR(RequireStored(sys, image, format.layout));
      const IpiObjectFields& f = image->fields;
      if (format.layout == PcxLayout::kBytes8 && f.dimension[kDimB] < format.planes) {
        return IpiRefuse(sys, kIpiMismatchDataType);
      }
      image_width_ = f.dimension[kDimX];
      image_height_ = f.dimension[kDimY];
      band_elements_ = BandElements(f);
      columns_ = std::min(image_width_, format.width);
      pixels_.assign(static_cast<size_t>(std::max<int64_t>(columns_, 1)), 0);
    }
    return OpenAuxiliaryAccessor(sys, image, AccessMode::kWrite, 1, accessor_);
  }

  int Store(IpiSystem* sys, int64_t y, const uint8_t* unit) {
    if (is_packed_bitmap_) return StorePacked(sys, y, unit);
    if (y >= image_height_ || columns_ < 1) return kIpiNoError;
    IpiStream* stream = accessor_.stream();
    const int64_t element = y * image_width_;
    const int32_t bands = format_.layout == PcxLayout::kBytes8 ? format_.planes : 1;
    for (int32_t b = 0; b < bands; ++b) {
      const int64_t band_element = b * band_elements_ + element;
      uint8_t* row = IpiGetOutputRow(sys, stream, band_element);
      if (row == nullptr) return IpiGetLastError(sys);
      switch (format_.layout) {
        case PcxLayout::kBits1: StoredBitsToRow(unit, columns_, *accessor_, row, element % 8); break;
        case PcxLayout::kBits4:
          GatherNibbles(unit, columns_, format_.bytes_per_line, pixels_.data());
          std::memcpy(row, pixels_.data(), static_cast<size_t>(columns_));
          break;
        case PcxLayout::kBytes8:
          std::memcpy(row, unit + b * format_.bytes_per_line, static_cast<size_t>(columns_));
          break;
      }
      IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, stream, band_element));
    }
    return kIpiNoError;
  }

  int Close() { return accessor_.Close(); }

 private:
  // Picture row y in object row rows - 1 - y, never past the object's row.
  int StorePacked(IpiSystem* sys, int64_t y, const uint8_t* unit) {
    if (y >= packed_.rows) return kIpiNoError;
    IpiStream* stream = accessor_.stream();
    const int64_t element = packed_.ElementOfRow(packed_.ObjectRowOf(y));
    uint8_t* row = IpiGetOutputRow(sys, stream, element);
    if (row == nullptr) return IpiGetLastError(sys);
    const int64_t line = format_.bytes_per_line;
    if (format_.layout == PcxLayout::kBytes8 && format_.planes >= 3) {
      const int64_t count = std::min(packed_.row_bytes / 3, format_.width);
      IpiStoreBgrRow(unit, unit + line, unit + 2 * line, count, row);
    } else {
      const int64_t count = std::min(packed_.row_bytes, format_.pixel_bytes());
      std::memcpy(row, unit, static_cast<size_t>(count));
    }
    return IpiPutOutputRow(sys, stream, element);
  }

  PcxLineFormat format_;
  ScopedAccessor accessor_;
  bool is_packed_bitmap_ = false;
  PackedBitmapRows packed_;
  int64_t image_width_ = 0;
  int64_t image_height_ = 0;
  int64_t band_elements_ = 0;
  int64_t columns_ = 0;
  std::vector<uint8_t> pixels_;
};

// The coded object's bytes per line: its PCX "bytePerLine" when set, which
// rounded up to even must be the layout's value (a stricter check than the
// data needs, kept as files of this kind have always been read); 0 means the
// layout's value. Lines of an odd count are read as they are stored.
int CodedBytesPerLine(IpiSystem* sys, IpiObject* coded, PcxLineFormat& format) {
  const intptr_t stored = IpiInquireAttribute(sys, coded, "bytePerLine");
  if (stored == 0) return kIpiNoError;
  if (stored < 0 || (stored + 1) / 2 * 2 != format.bytes_per_line || stored < format.pixel_bytes()) {
    return IpiRefuse(sys, kIpiSyntaxError);
  }
  format.bytes_per_line = stored;
  return kIpiNoError;
}

}  // namespace

int EncodePcxRle(IpiSystem* sys, IpiObject* image, IpiObject* coded) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, image));
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, coded));
  PcxLayout layout = PcxLayout::kBytes8;
  IPI_RETURN_IF_ERROR(ChoosePcxLayout(sys, image, coded, &layout));
  PcxLineFormat format;
  IPI_RETURN_IF_ERROR(CodedFormat(sys, coded, layout, format));
  IPI_RETURN_IF_ERROR(RequireStored(sys, image, layout));
  const IpiObjectFields& f = image->fields;
  if (layout == PcxLayout::kBytes8 && f.dimension[kDimB] < format.planes) return IpiRefuse(sys, kIpiMismatchDataType);

  ScopedAccessor in;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, image, AccessMode::kRead, 1, in));
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, coded, AccessMode::kWrite, 0, out));
  const int64_t image_width = f.dimension[kDimX];
  const int64_t band_elements = BandElements(f);
  const int64_t columns = std::min(image_width, format.width);
  const int64_t rows = std::min<int64_t>(f.dimension[kDimY], format.height);
  std::vector<uint8_t> unit(static_cast<size_t>(format.unit_bytes()), 0);
  CodedOutput output(out.stream());
  for (int64_t y = 0; y < format.height; ++y) {
    std::fill(unit.begin(), unit.end(), 0);
    const int64_t element = y * image_width;
    const int32_t bands = layout == PcxLayout::kBytes8 ? format.planes : 1;
    for (int32_t b = 0; b < bands && y < rows && columns > 0; ++b) {
      const uint8_t* row = IpiGetInputRow(sys, in.stream(), b * band_elements + element);
      if (row == nullptr) return IpiGetLastError(sys);
      switch (layout) {
        case PcxLayout::kBits1: RowToStoredBits(row, element % 8, columns, *in, unit.data()); break;
        case PcxLayout::kBits4: SpreadNibbles(row, columns, format.bytes_per_line, unit.data()); break;
        case PcxLayout::kBytes8:
          std::memcpy(unit.data() + b * format.bytes_per_line, row, static_cast<size_t>(columns));
          break;
      }
    }
    EncodePcxUnit(unit, output.pending());
    IPI_RETURN_IF_ERROR(output.Flush(sys, false));
  }
  IPI_RETURN_IF_ERROR(output.Flush(sys, true));
  IPI_RETURN_IF_ERROR(out.Close());
  IPI_RETURN_IF_ERROR(in.Close());
  return IpiSetAttribute(sys, coded, "size", static_cast<intptr_t>(output.written()));
}

int DecodePcxRle(IpiSystem* sys, IpiObject* coded, IpiObject* image) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, coded));
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, image));
  PcxLayout layout = PcxLayout::kBytes8;
  // A packed-bitmap view is one band of bytes whatever the coded layout.
  if (IpiIsPackedBitmapImage(*image)) {
    const IpiObjectFields& c = coded->fields;
    if (c.data_type == kDataTypeBoolean) {
      layout = PcxLayout::kBits1;
    } else if (c.data_type == kDataTypeNonnegative && c.data_precision == 4) {
      layout = PcxLayout::kBits4;
    } else if (c.data_type != kDataTypeNonnegative || c.data_precision != 8) {
      return IpiRefuse(sys, kIpiMismatchDataType);
    }
  } else {
    IPI_RETURN_IF_ERROR(ChoosePcxLayout(sys, image, coded, &layout));
  }
  PcxLineFormat format;
  IPI_RETURN_IF_ERROR(CodedFormat(sys, coded, layout, format));
  IPI_RETURN_IF_ERROR(CodedBytesPerLine(sys, coded, format));
  DecodeTarget target;
  IPI_RETURN_IF_ERROR(target.Open(sys, image, format));
  ObjectBytes bytes;
  IPI_RETURN_IF_ERROR(bytes.LoadData(sys, coded, coded->fields.size));
  PcxRunDecoder decoder(bytes.bytes());
  std::vector<uint8_t> unit(static_cast<size_t>(format.unit_bytes()), 0);
  for (int64_t y = 0; y < format.height; ++y) {
    // Data that ends before the last row: the rows decoded so far stay.
    if (!decoder.DecodePcxUnit(unit.data(), format.unit_bytes())) {
      IPI_RETURN_IF_ERROR(target.Close());
      return IpiRefuse(sys, kIpiSyntaxError);
    }
    IPI_RETURN_IF_ERROR(target.Store(sys, y, unit.data()));
  }
  return target.Close();
}
