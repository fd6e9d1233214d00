// Image rows to PNG rows and back; see png_image_rows.h.
#include "interchange/png/png_image_rows.h"

#include <algorithm>
#include <cstring>

#include "core/codes.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/rows/bmp_rows.h"

namespace {

// The layout that joins `image` to rows of `format`; 10 (reported) when none does.
int ChooseLayout(IpiSystem* sys, IpiObject* image, const PngRowFormat& format, PngPixelLayout* layout) {
  const IpiObjectFields& f = image->fields;
  if (format.bit_depth == 1 && format.channels == 1 && f.data_type == kDataTypeBoolean) {
    *layout = PngPixelLayout::kBits;
    return RequireStoredBits(sys, image, 1);
  }
  if (f.data_type != kDataTypeNonnegative || f.dimension[kDimB] < format.channels) {
    return IpiRefuse(sys, kIpiMismatchDataType);
  }
  if (format.bit_depth == 4 && format.channels == 1) {
    *layout = PngPixelLayout::kNibbles;
  } else if (format.bit_depth == 8 && format.channels == 1) {
    *layout = PngPixelLayout::kBytes;
  } else if (format.bit_depth == 8 && (format.channels == 3 || format.channels == 4)) {
    *layout = PngPixelLayout::kInterleaved;
  } else {
    return IpiRefuse(sys, kIpiMismatchDataType);
  }
  return RequireStoredBits(sys, image, 8);
}

// Pixels of `Channels` interleaved samples to and from band rows that are
// all at hand at once (memory streams): one pass over the row.
template <int Channels>
void SplitRow(const uint8_t* png_row, int64_t count, uint8_t* const* bands) {
  for (int64_t i = 0; i < count; ++i) {
    for (int c = 0; c < Channels; ++c) bands[c][i] = png_row[Channels * i + c];
  }
}
template <int Channels>
void MergeRow(const uint8_t* const* bands, int64_t count, uint8_t* png_row) {
  for (int64_t i = 0; i < count; ++i) {
    for (int c = 0; c < Channels; ++c) png_row[Channels * i + c] = bands[c][i];
  }
}

int64_t BandElements(const IpiObjectFields& f) {
  return int64_t{f.dimension[kDimX]} * f.dimension[kDimY] * f.dimension[kDimZ] * f.dimension[kDimT];
}

}  // namespace

int PngImageRowSource::Open(IpiSystem* sys, IpiObject* image, const PngRowFormat& format) {
  format_ = format;
  IPI_RETURN_IF_ERROR(ChooseLayout(sys, image, format, &layout_));
  const IpiObjectFields& f = image->fields;
  image_width_ = f.dimension[kDimX];
  image_height_ = f.dimension[kDimY];
  band_elements_ = BandElements(f);
  columns_ = std::min(image_width_, format.width);
  return OpenAuxiliaryAccessor(sys, image, AccessMode::kRead, 1, accessor_);
}

int PngImageRowSource::FetchRow(IpiSystem* sys, int64_t y, uint8_t* out) {
  const int64_t row_bytes = format_.row_bytes();
  if (y >= image_height_ || columns_ < 1) {
    std::memset(out, 0, static_cast<size_t>(row_bytes));
    return kIpiNoError;
  }
  IpiStream* stream = accessor_.stream();
  const int64_t element = y * image_width_;
  int64_t written = 0;
  if (layout_ == PngPixelLayout::kInterleaved) {
    // Memory rows stay where they are, so all bands go in one pass; file
    // rows share the stream's buffer and go one band at a time.
    const bool in_memory = stream->data != nullptr;
    const uint8_t* bands[4] = {};
    for (int b = 0; b < format_.channels; ++b) {
      const uint8_t* band = IpiGetInputRow(sys, stream, b * band_elements_ + element);
      if (band == nullptr) return IpiGetLastError(sys);
      if (in_memory) {
        bands[b] = band;
      } else {
        InsertChannel(band, columns_, format_.channels, b, out);
      }
    }
    if (in_memory && format_.channels == 3) MergeRow<3>(bands, columns_, out);
    if (in_memory && format_.channels == 4) MergeRow<4>(bands, columns_, out);
    written = columns_ * format_.channels;
  } else {
    const uint8_t* row = IpiGetInputRow(sys, stream, element);
    if (row == nullptr) return IpiGetLastError(sys);
    switch (layout_) {
      case PngPixelLayout::kBits: RowToStoredBits(row, element % 8, columns_, *accessor_, out); break;
      case PngPixelLayout::kNibbles: PackNibbles(row, columns_, out); break;
      default: std::memcpy(out, row, static_cast<size_t>(columns_)); break;
    }
    written = PngRowBytes(columns_, format_.bits_per_pixel());
  }
  if (written < row_bytes) std::memset(out + written, 0, static_cast<size_t>(row_bytes - written));
  return kIpiNoError;
}

int PngImageRowTarget::Open(IpiSystem* sys, IpiObject* image, const PngRowFormat& format) {
  format_ = format;
  is_packed_bitmap_ = IpiIsPackedBitmapImage(*image) && format.channels != 4;
  if (is_packed_bitmap_) {
    IPI_RETURN_IF_ERROR(IpiGetPackedBitmapRows(sys, image, 1, &packed_));
  } else {
    IPI_RETURN_IF_ERROR(ChooseLayout(sys, image, format, &layout_));
    const IpiObjectFields& f = image->fields;
    image_width_ = f.dimension[kDimX];
    image_height_ = f.dimension[kDimY];
    band_elements_ = BandElements(f);
    columns_ = std::min(image_width_, format.width);
  }
  return OpenAuxiliaryAccessor(sys, image, AccessMode::kWrite, 1, accessor_);
}

int PngImageRowTarget::StoreRow(IpiSystem* sys, int64_t y, const uint8_t* png_row) {
  if (is_packed_bitmap_) return StorePackedRow(sys, y, png_row);
  if (y >= image_height_ || columns_ < 1) return kIpiNoError;
  IpiStream* stream = accessor_.stream();
  const int64_t element = y * image_width_;
  if (layout_ == PngPixelLayout::kInterleaved) {
    const bool in_memory = stream->data != nullptr;
    uint8_t* bands[4] = {};
    for (int b = 0; b < format_.channels; ++b) {
      const int64_t band_element = b * band_elements_ + element;
      uint8_t* band = IpiGetOutputRow(sys, stream, band_element);
      if (band == nullptr) return IpiGetLastError(sys);
      if (in_memory) {
        bands[b] = band;  // memory rows are written in place
        continue;
      }
      ExtractChannel(png_row, columns_, format_.channels, b, band);
      IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, stream, band_element));
    }
    // Red, green, blue: the shared splitter takes its first byte as blue.
    if (in_memory && format_.channels == 3) SplitPixels(png_row, columns_, 3, bands[2], bands[1], bands[0]);
    if (in_memory && format_.channels == 4) SplitRow<4>(png_row, columns_, bands);
    return kIpiNoError;
  }
  uint8_t* row = IpiGetOutputRow(sys, stream, element);
  if (row == nullptr) return IpiGetLastError(sys);
  switch (layout_) {
    case PngPixelLayout::kBits: StoredBitsToRow(png_row, columns_, *accessor_, row, element % 8); break;
    case PngPixelLayout::kNibbles: UnpackNibbles(png_row, columns_, row); break;
    default: std::memcpy(row, png_row, static_cast<size_t>(columns_)); break;
  }
  return IpiPutOutputRow(sys, stream, element);
}

int PngImageRowTarget::StorePackedRow(IpiSystem* sys, int64_t y, const uint8_t* png_row) {
  if (y >= packed_.rows) return kIpiNoError;
  IpiStream* stream = accessor_.stream();
  const int64_t element = packed_.ElementOfRow(packed_.ObjectRowOf(y));
  uint8_t* row = IpiGetOutputRow(sys, stream, element);
  if (row == nullptr) return IpiGetLastError(sys);
  // Never past the object's row: its next bytes are the next row, or lie
  // outside the caller's memory.
  const int64_t count = std::min(packed_.row_bytes, format_.row_bytes());
  if (format_.channels == 3) {
    for (int64_t i = 0; i < count; ++i) {
      const int64_t channel = i % 3;
      row[i] = png_row[i - channel + (2 - channel)];
    }
  } else {
    std::memcpy(row, png_row, static_cast<size_t>(count));
  }
  return IpiPutOutputRow(sys, stream, element);
}

int FeedPngRows(IpiSystem* sys, PngImageRowSource& source, const PngRowFormat& format, PngRowEncoder& encoder) {
  for (int pass = 0; pass < format.passes(); ++pass) {
    if (format.pass_width(pass) == 0) continue;  // a pass without columns has no rows in the stream
    const int64_t rows = format.pass_rows(pass);
    for (int64_t index = 0; index < rows; ++index) {
      IPI_RETURN_IF_ERROR(source.FetchRow(sys, format.image_row(pass, index), encoder.NextRow(pass)));
      IPI_RETURN_IF_ERROR(encoder.WritePngRow(sys, pass));
    }
  }
  return encoder.Finish(sys);
}
