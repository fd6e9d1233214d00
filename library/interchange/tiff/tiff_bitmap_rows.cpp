// TIFF strips into packed-bitmap rows; see tiff_bitmap_rows.h. Plain rows
// come through the shared stored-row walk; fax rows are decoded in place into
// the bitmap's rows; PackBits rows are decoded from the strips' coded bytes
// taken as one stream, as the object road's decoder takes them.
#include "interchange/tiff/tiff_bitmap_rows.h"

#include <cstring>
#include <span>
#include <vector>

#include "core/codes.h"
#include "core/limits.h"
#include "core/status.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/fax/fax_coder.h"
#include "interchange/io/bit_order.h"
#include "interchange/io/byte_reader.h"
#include "interchange/packbits/packbits.h"
#include "interchange/rows/bmp_rows.h"
#include "interchange/tiff/tiff_stored_rows.h"

namespace {

// The coded bytes the decoders of the object road accept.
constexpr uint64_t kMaxCodedBytes = 2 * static_cast<uint64_t>(kMaxImageBytes);

bool IsFax(int32_t compression) {
  return compression == kCompressionCcittHuffman || compression == kCompressionCcittMr ||
         compression == kCompressionCcittMmr || compression == kCompressionCcittHuffmanNoEol;
}

FaxCoding FaxCodingOf(int32_t compression) {
  switch (compression) {
    case kCompressionCcittHuffmanNoEol: return FaxCoding::kHuffmanNoEol;
    case kCompressionCcittHuffman: return FaxCoding::kHuffman;
    case kCompressionCcittMr: return FaxCoding::kMr;
    default: return FaxCoding::kMmr;
  }
}

// Bytes of a bitmap row that hold the page's pixels.
int64_t PixelRowBytes(const TiffStripLayout& layout) {
  switch (layout.form) {
    case TiffSampleForm::kBilevel: return (layout.width_px + 7) / 8;
    case TiffSampleForm::kNibbles: return (layout.width_px + 1) / 2;
    case TiffSampleForm::kBytes: return layout.width_px;
    default: return 3 * layout.width_px;
  }
}

uint8_t* RowOf(const TiffBitmapRows& rows, const TiffStripLayout& layout, int64_t y) {
  return rows.bottom_row + (layout.height_px - 1 - y) * rows.row_bytes;
}

// Clears what lies past the pixels: the bits or the nibble of the last
// byte past the width, then the row's padding.
void FinishRow(const TiffStripLayout& layout, int64_t pixel_bytes, int64_t row_bytes, uint8_t* row) {
  const int64_t width = layout.width_px;
  if (layout.form == TiffSampleForm::kBilevel && width % 8 != 0) {
    row[pixel_bytes - 1] &= static_cast<uint8_t>(0xFF00u >> (width % 8));
  } else if (layout.form == TiffSampleForm::kNibbles && width % 2 != 0) {
    row[pixel_bytes - 1] &= 0xF0;
  }
  std::memset(row + pixel_bytes, 0, static_cast<size_t>(row_bytes - pixel_bytes));
}

// One decoded row of the page's form (most significant bit first) into a
// bitmap row.
void StoreRow(const TiffStripLayout& layout, const uint8_t* decoded, int64_t pixel_bytes, uint8_t* row) {
  if (layout.form == TiffSampleForm::kRgb) {
    SwapRedAndBlue(decoded, layout.width_px, row);
  } else {
    std::memcpy(row, decoded, static_cast<size_t>(pixel_bytes));
  }
}

int ReadPlainRows(IpiSystem* sys, TiffSource& source, const TiffStripLayout& layout, const TiffBitmapRows& rows) {
  const int64_t pixel_bytes = PixelRowBytes(layout);
  // Indices stored least significant bit first are mirrored.
  const bool mirrors = layout.fill_order == FillOrder::kLsbFirst &&
                       (layout.form == TiffSampleForm::kBilevel || layout.form == TiffSampleForm::kNibbles);
  return ForEachStoredRow(sys, source, layout, layout.height_px, [&](int64_t y, const uint8_t* stored) -> int {
    uint8_t* row = RowOf(rows, layout, y);
    if (mirrors) {
      MirrorRowBytes(stored, pixel_bytes, row);
    } else {
      StoreRow(layout, stored, pixel_bytes, row);
    }
    FinishRow(layout, pixel_bytes, rows.row_bytes, row);
    return kIpiNoError;
  });
}

// Fax strips: each strip starts the decoder afresh; rows past the strips
// are decoded from no data (white, and the page counts as cut short).
int ReadFaxRows(IpiSystem* sys, TiffSource& source, const TiffStripLayout& layout, const TiffBitmapRows& rows) {
  const int64_t pixel_bytes = PixelRowBytes(layout);
  FaxDecoder decoder(layout.width_px, FaxCodingOf(layout.compression));
  std::vector<uint8_t> storage;
  bool is_complete = true;
  size_t strip = 0;
  for (int64_t y = 0; y < layout.height_px; ++y) {
    if (y % layout.rows_per_strip == 0) {
      ByteReader bytes;
      if (strip < layout.offsets.size()) {
        IPI_RETURN_IF_ERROR(
            source.Read(sys, layout.offsets[strip], layout.byte_counts[strip], storage, bytes, kIpiSyntaxError));
      }
      decoder.BeginStrip(bytes.bytes(), layout.fill_order);
      ++strip;
    }
    uint8_t* row = RowOf(rows, layout, y);
    const FaxRowResult result = decoder.NextRow(row);
    if (result == FaxRowResult::kInvalidMode || result == FaxRowResult::kEnd) is_complete = false;
    FinishRow(layout, pixel_bytes, rows.row_bytes, row);
  }
  return is_complete ? kIpiNoError : IpiRefuse(sys, kIpiSyntaxError);
}

// The strips' coded bytes one after the other: in place when they follow
// one another in caller memory, else gathered.
int CodedStream(IpiSystem* sys, TiffSource& source, const TiffStripLayout& layout, std::vector<uint8_t>& gathered,
                std::span<const uint8_t>* stream) {
  const size_t strips = layout.offsets.size();
  bool is_contiguous = source.is_memory();
  for (size_t s = 1; s < strips && is_contiguous; ++s) {
    is_contiguous = layout.offsets[s] == layout.offsets[s - 1] + layout.byte_counts[s - 1];
  }
  std::vector<uint8_t> storage;
  ByteReader bytes;
  if (is_contiguous && strips > 0) {
    IPI_RETURN_IF_ERROR(source.Read(sys, layout.offsets[0], layout.coded_bytes, storage, bytes, kIpiSyntaxError));
    *stream = bytes.bytes();
    return kIpiNoError;
  }
  gathered.reserve(static_cast<size_t>(layout.coded_bytes));
  for (size_t s = 0; s < strips; ++s) {
    IPI_RETURN_IF_ERROR(source.Read(sys, layout.offsets[s], layout.byte_counts[s], storage, bytes, kIpiSyntaxError));
    gathered.insert(gathered.end(), bytes.bytes().begin(), bytes.bytes().end());
  }
  *stream = gathered;
  return kIpiNoError;
}

// PackBits: every row coded by itself, the rows of all strips one stream.
// The first row the data cannot complete ends the page (22).
int ReadPackBitsRows(IpiSystem* sys, TiffSource& source, const TiffStripLayout& layout, const TiffBitmapRows& rows) {
  const int64_t pixel_bytes = PixelRowBytes(layout);
  std::vector<uint8_t> gathered;
  std::span<const uint8_t> stream;
  IPI_RETURN_IF_ERROR(CodedStream(sys, source, layout, gathered, &stream));
  if (layout.fill_order == FillOrder::kLsbFirst) {
    // Every coded byte, headers included, is stored bit-reversed.
    if (gathered.empty()) gathered.assign(stream.begin(), stream.end());
    ReverseBitsOfBytes(gathered.data(), gathered.size());
    stream = gathered;
  }
  ByteReader in(stream);
  const bool is_rgb = layout.form == TiffSampleForm::kRgb;
  std::vector<uint8_t> decoded(static_cast<size_t>(is_rgb ? pixel_bytes : 0));
  for (int64_t y = 0; y < layout.height_px; ++y) {
    uint8_t* row = RowOf(rows, layout, y);
    uint8_t* target = is_rgb ? decoded.data() : row;
    if (!DecodePackBitsRow(in, target, pixel_bytes, kPackBitsNoInversion)) return IpiRefuse(sys, kIpiSyntaxError);
    if (is_rgb) SwapRedAndBlue(decoded.data(), layout.width_px, row);
    FinishRow(layout, pixel_bytes, rows.row_bytes, row);
  }
  return kIpiNoError;
}

}  // namespace

bool TiffBitmapRowsTake(const TiffStripLayout& layout) {
  const bool form_taken = layout.form == TiffSampleForm::kBilevel || layout.form == TiffSampleForm::kNibbles ||
                          layout.form == TiffSampleForm::kBytes || layout.form == TiffSampleForm::kRgb;
  const bool coding_taken = layout.compression == kCompressionNone || layout.compression == kCompressionPackBits ||
                            (IsFax(layout.compression) && layout.form == TiffSampleForm::kBilevel);
  return form_taken && coding_taken && layout.coded_bytes <= kMaxCodedBytes && layout.rows_per_strip >= 1 &&
         layout.width_px >= 1 && layout.height_px >= 1;
}

int ReadTiffStripsIntoBitmap(IpiSystem* sys, TiffSource& source, const TiffStripLayout& layout,
                             const TiffBitmapRows& rows) {
  if (IsFax(layout.compression)) return ReadFaxRows(sys, source, layout, rows);
  if (layout.compression == kCompressionPackBits) return ReadPackBitsRows(sys, source, layout, rows);
  return ReadPlainRows(sys, source, layout, rows);
}
