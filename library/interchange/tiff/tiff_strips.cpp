// The TIFF pixel pass; see tiff_strips.h. Strips are read a chunk of rows at
// a time (tiff_stored_rows.h), and every stored row goes through one row sink
// chosen by the sample form and the target's layout.
#include "interchange/tiff/tiff_strips.h"

#include <algorithm>
#include <cstring>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/scoped_stream.h"
#include "core/streams/stream.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/io/bit_order.h"
#include "interchange/rows/bmp_rows.h"
#include "interchange/rows/packed_bitmap_rows.h"
#include "interchange/tiff/tiff_stored_rows.h"

namespace {

// Coded bytes copied to the target at once.
constexpr uint64_t kCopyPieceBytes = uint64_t{1} << 20;

// A 5-bit value as an 8-bit sample: v x 8 + 7, and 0 for 0.
inline uint8_t WidenPacked5(uint32_t v) { return v == 0 ? 0 : static_cast<uint8_t>(v * 8 + 7); }

inline uint32_t PackedWord(const uint8_t* p, ByteOrder order) {
  return order == ByteOrder::kLittleEndian ? (uint32_t{p[1]} << 8) | p[0] : (uint32_t{p[0]} << 8) | p[1];
}

// Shift of each band's 5 bits inside the word.
constexpr int kPackedBandShift[3] = {5, 10, 0};

// 1-bit stored rows into the target's bit rows, `count` bits from bit
// `bit_offset` of `row` in the target's bit order.
void CopyBilevelRow(const uint8_t* stored, int64_t count, FillOrder fill_order, const IpiAccessor& target,
                    uint8_t* row, int64_t bit_offset, std::vector<uint8_t>& scratch) {
  const bool stored_lsb = fill_order == FillOrder::kLsbFirst;
  const bool target_lsb = target.bit_order == kOrderLsbFirst;
  if (bit_offset == 0 && stored_lsb == target_lsb) {
    const int64_t whole = count / 8;
    std::memcpy(row, stored, static_cast<size_t>(whole));
    const int tail = static_cast<int>(count % 8);
    if (tail != 0) {
      // The rest of the last byte may belong to the next row: keep it.
      const uint8_t mask = target_lsb ? static_cast<uint8_t>((1u << tail) - 1) : static_cast<uint8_t>(0xFF00u >> tail);
      row[whole] = static_cast<uint8_t>((row[whole] & ~mask) | (stored[whole] & mask));
    }
    return;
  }
  const uint8_t* msb_first = stored;
  if (stored_lsb) {
    MirrorRowBytes(stored, (count + 7) / 8, scratch.data());
    msb_first = scratch.data();
  }
  StoredBitsToRow(msb_first, count, target, row, bit_offset);
}

// Plain data into an image of band rows.
int ReadBandRows(IpiSystem* sys, TiffSource& source, const TiffStripLayout& layout, IpiObject* target) {
  const bool is_bilevel = layout.form == TiffSampleForm::kBilevel;
  if (target->fields.data_type != (is_bilevel ? kDataTypeBoolean : kDataTypeNonnegative)) {
    return IpiRefuse(sys, kIpiMismatchDataType);
  }
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, target, is_bilevel ? 1 : 8));
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, target, AccessMode::kWrite, 1, out));
  const IpiAccessor& accessor = *out;
  const int64_t x_dim = accessor.dimension[kDimX];
  const int64_t band_elements =
      x_dim * accessor.dimension[kDimY] * accessor.dimension[kDimZ] * accessor.dimension[kDimT];
  const int64_t columns = std::min(layout.width_px, x_dim);
  const int64_t row_limit = std::min<int64_t>(layout.height_px, accessor.dimension[kDimY]);
  const bool is_colour = layout.form == TiffSampleForm::kRgb || layout.form == TiffSampleForm::kPackedColour16;
  const int64_t bands = is_colour ? std::min<int64_t>(3, accessor.dimension[kDimB]) : 1;
  if (columns <= 0 || bands <= 0) return out.Close();
  std::vector<uint8_t> scratch(static_cast<size_t>(layout.stored_row_bytes));

  const auto fill_row = [&](int64_t r, const uint8_t* stored) -> int {
    for (int64_t b = 0; b < bands; ++b) {
      const int64_t element = b * band_elements + r * x_dim;
      uint8_t* row = IpiGetOutputRow(sys, out.stream(), element);
      if (row == nullptr) return IpiGetLastError(sys);
      switch (layout.form) {
        case TiffSampleForm::kBilevel:
          CopyBilevelRow(stored, columns, layout.fill_order, accessor, row, element % 8, scratch);
          break;
        case TiffSampleForm::kNibbles:
          if (layout.fill_order == FillOrder::kLsbFirst) {
            MirrorRowBytes(stored, (columns + 1) / 2, scratch.data());
            UnpackNibbles(scratch.data(), columns, row);
          } else {
            UnpackNibbles(stored, columns, row);
          }
          break;
        case TiffSampleForm::kBytes: std::memcpy(row, stored, static_cast<size_t>(columns)); break;
        case TiffSampleForm::kRgb: ExtractChannel(stored, columns, 3, static_cast<int>(b), row); break;
        case TiffSampleForm::kPackedColour16:
          UnpackPackedColourBand(stored, columns, layout.byte_order, static_cast<int>(b), row);
          break;
      }
      IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, out.stream(), element));
    }
    return kIpiNoError;
  };
  IPI_RETURN_IF_ERROR(ForEachStoredRow(sys, source, layout, row_limit, fill_row));
  return out.Close();
}

// Bytes a packed-bitmap row needs for `width` pixels of the form.
int64_t PackedRowBytes(TiffSampleForm form, int64_t width) {
  switch (form) {
    case TiffSampleForm::kBilevel: return (width + 7) / 8;
    case TiffSampleForm::kNibbles: return (width + 1) / 2;
    case TiffSampleForm::kBytes: return width;
    case TiffSampleForm::kRgb:
    case TiffSampleForm::kPackedColour16: return 3 * width;
  }
  return 0;
}

// Plain data into the rows of a packed bitmap: bottom-up, blue, green, red
// pixels, indices most significant bit first.
int ReadPackedBitmapRows(IpiSystem* sys, TiffSource& source, const TiffStripLayout& layout, IpiObject* target) {
  const int64_t needed = PackedRowBytes(layout.form, layout.width_px);
  PackedBitmapRows rows;
  IPI_RETURN_IF_ERROR(IpiGetPackedBitmapRows(sys, target, needed, &rows));
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, target, AccessMode::kWrite, 1, out));
  const int64_t row_limit = std::min(layout.height_px, rows.rows);
  const int64_t width = layout.width_px;

  const auto fill_row = [&](int64_t r, const uint8_t* stored) -> int {
    const int64_t element = rows.ElementOfRow(rows.ObjectRowOf(r));
    uint8_t* row = IpiGetOutputRow(sys, out.stream(), element);
    if (row == nullptr) return IpiGetLastError(sys);
    switch (layout.form) {
      case TiffSampleForm::kBilevel:
      case TiffSampleForm::kNibbles:
        if (layout.fill_order == FillOrder::kLsbFirst) {
          MirrorRowBytes(stored, needed, row);
        } else {
          std::memcpy(row, stored, static_cast<size_t>(needed));
        }
        break;
      case TiffSampleForm::kBytes: std::memcpy(row, stored, static_cast<size_t>(needed)); break;
      case TiffSampleForm::kRgb: SwapRedAndBlue(stored, width, row); break;
      case TiffSampleForm::kPackedColour16:
        for (int64_t i = 0; i < width; ++i) {
          const uint32_t word = PackedWord(stored + 2 * i, layout.byte_order);
          row[3 * i] = WidenPacked5((word >> kPackedBandShift[2]) & 0x1F);
          row[3 * i + 1] = WidenPacked5((word >> kPackedBandShift[1]) & 0x1F);
          row[3 * i + 2] = WidenPacked5((word >> kPackedBandShift[0]) & 0x1F);
        }
        break;
    }
    std::memset(row + needed, 0, static_cast<size_t>(rows.row_bytes - needed));
    return IpiPutOutputRow(sys, out.stream(), element);
  };
  IPI_RETURN_IF_ERROR(ForEachStoredRow(sys, source, layout, row_limit, fill_row));
  return out.Close();
}

// Coded strips one after the other into the target's data.
int CopyCodedStrips(IpiSystem* sys, TiffSource& source, const TiffStripLayout& layout, IpiObject* target) {
  const int32_t data_type = layout.form == TiffSampleForm::kBilevel ? kDataTypeBoolean : kDataTypeNonnegative;
  if (target->fields.data_type != data_type) return IpiRefuse(sys, kIpiMismatchDataType);
  // Byte access: the stream keeps no row window, so closing it adds nothing
  // behind the written bytes.
  ScopedStream stream(sys, IpiOpenStream(sys, target, "w", 0));
  if (!stream) return IpiGetLastError(sys);
  std::vector<uint8_t> storage;
  uint64_t position = 0;
  int status = kIpiNoError;
  for (size_t s = 0; s < layout.offsets.size() && status == kIpiNoError; ++s) {
    for (uint64_t done = 0; done < layout.byte_counts[s] && status == kIpiNoError;) {
      const uint64_t piece = std::min(kCopyPieceBytes, layout.byte_counts[s] - done);
      ByteReader view;
      status = source.Read(sys, layout.offsets[s] + done, piece, storage, view, kIpiSyntaxError);
      if (status != kIpiNoError) break;
      const auto count = static_cast<int64_t>(piece);
      if (IpiWriteBytes(sys, stream.get(), static_cast<int64_t>(position), view.bytes().data(), count) != count) {
        status = IpiGetLastError(sys);
        break;
      }
      position += piece;
      done += piece;
    }
  }
  IPI_RETURN_IF_ERROR(stream.CloseAfter(status));
  // The bytes fit the target's data, so this never widens a bound.
  return IpiSetAttribute(sys, target, "size", static_cast<intptr_t>(position));
}

}  // namespace

int64_t TiffStoredRowBytes(TiffSampleForm form, int64_t width_px) {
  switch (form) {
    case TiffSampleForm::kBilevel: return (width_px + 7) / 8;
    case TiffSampleForm::kNibbles: return (width_px + 1) / 2;
    case TiffSampleForm::kBytes: return width_px;
    case TiffSampleForm::kRgb: return 3 * width_px;
    case TiffSampleForm::kPackedColour16: return 2 * width_px;
  }
  return 0;
}

void MirrorRowBytes(const uint8_t* stored, int64_t count, uint8_t* out) {
  if (count > 0) MirrorBitsOfBytes(stored, static_cast<size_t>(count), out);
}

void UnpackPackedColourBand(const uint8_t* stored, int64_t count, ByteOrder order, int band, uint8_t* out) {
  const int shift = kPackedBandShift[band];
  for (int64_t i = 0; i < count; ++i) out[i] = WidenPacked5((PackedWord(stored + 2 * i, order) >> shift) & 0x1F);
}

int ReadTiffStrips(IpiSystem* sys, TiffSource& source, const TiffStripLayout& layout, IpiObject* target) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  if (IpiCheckObject(sys, target) == nullptr) return kIpiInvalidInstance;
  const int32_t target_compression = target->fields.compression;
  if (layout.compression != kCompressionNone) {
    // Coded strips go only into an object that holds the same coding.
    if (target_compression != layout.compression) return IpiRefuse(sys, kIpiNonPermissibleOption);
    return CopyCodedStrips(sys, source, layout, target);
  }
  if (target_compression != kCompressionNone) return IpiRefuse(sys, kIpiNonPermissibleOption);
  if (IpiIsPackedBitmapImage(*target)) return ReadPackedBitmapRows(sys, source, layout, target);
  return ReadBandRows(sys, source, layout, target);
}
