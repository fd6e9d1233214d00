// The facsimile codings on objects; see fax.h. Rows are gathered from the
// image into packed rows for the row coder (fax_coder.h) and scattered back.
#include "interchange/fax/fax.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/objects/format_extras.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/common/object_bytes.h"
#include "interchange/common/object_io.h"
#include "interchange/fax/fax_coder.h"
#include "interchange/io/bit_writer.h"
#include "interchange/rows/bilevel_rows.h"
#include "interchange/rows/packed_bitmap_rows.h"

namespace {

constexpr int64_t kMaxCodedBytes = 2 * kMaxImageBytes;

int CodingOf(IpiSystem* sys, int32_t compression, FaxCoding* coding) {
  switch (compression) {
    case kCompressionCcittHuffmanNoEol: *coding = FaxCoding::kHuffmanNoEol; return kIpiNoError;
    case kCompressionCcittHuffman: *coding = FaxCoding::kHuffman; return kIpiNoError;
    case kCompressionCcittMr: *coding = FaxCoding::kMr; return kIpiNoError;
    case kCompressionCcittMmr: *coding = FaxCoding::kMmr; return kIpiNoError;
    default: return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
}

struct Plan {
  FaxCoding coding = FaxCoding::kMmr;
  int64_t width = 0;        // coded row width
  int64_t image_width = 0;  // pixels moved to and from the image rows
  int64_t height = 0;
  int64_t planes = 0;  // z x t x b
  int64_t strips = 0;  // TIFF strips; 0: one strip of "size" bytes
  int64_t rows_per_strip = 0;

  int64_t ElementOf(int64_t row) const { return image_width * row; }
};

const IpiFormatExtras* TiffExtras(const IpiObject& obj) {
  return obj.fields.file_format == kFormatTiff && obj.extras != nullptr ? obj.extras.get() : nullptr;
}

// Checks both objects and the coding attributes; fills `plan`.
int MakePlan(IpiSystem* sys, IpiObject* image, IpiObject* coded, bool encoding, Plan* plan) {
  // A packed-bitmap target holds bytes; the coded object alone gives the picture's size.
  const bool is_packed_target = !encoding && IpiIsPackedBitmapImage(*image);
  if (!is_packed_target) IPI_RETURN_IF_ERROR(RequireDataType(sys, image, kDataTypeBoolean));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, coded, kDataTypeBoolean));
  IPI_RETURN_IF_ERROR(CodingOf(sys, coded->fields.compression, &plan->coding));
  const int32_t compression = coded->fields.compression;
  if (encoding && compression == kCompressionCcittMr && coded->fields.k != 2 && coded->fields.k != 4) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  const int32_t format = coded->fields.file_format;
  if (format == kFormatTiff) {
    const auto strips = static_cast<int64_t>(IpiInquireAttribute(sys, coded, "stripsPerImage"));
    if (strips < 0) return IpiRefuse(sys, kIpiNonPermissibleOption);
    if (strips >= 1) {
      const IpiFormatExtras* extras = TiffExtras(*coded);
      plan->rows_per_strip = static_cast<int64_t>(IpiInquireAttribute(sys, coded, "rowsPerStrip"));
      if (plan->rows_per_strip < 1 || extras == nullptr || extras->strip_byte_counts.size() < static_cast<size_t>(strips)) {
        return IpiRefuse(sys, kIpiNonPermissibleOption);
      }
      plan->strips = strips;
    }
  } else if (format == kFormatZoltra || format == 0) {
    if (compression == kCompressionCcittHuffmanNoEol) return IpiRefuse(sys, kIpiNonPermissibleOption);
    if (encoding && format == kFormatZoltra && coded->fields.eol_state == 1) {
      return IpiRefuse(sys, kIpiNonPermissibleOption);
    }
  } else {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  if (is_packed_target) {
    const int32_t* c = coded->fields.dimension;
    if (c[kDimX] < 1 || c[kDimY] < 1) return IpiRefuse(sys, kIpiOutOfRange);
    plan->width = plan->image_width = c[kDimX];
    plan->height = c[kDimY];
    plan->planes = 1;
    return kIpiNoError;
  }
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, image, 1));
  const int32_t* d = image->fields.dimension;
  if (d[kDimX] < 1 || d[kDimY] < 1 || d[kDimZ] < 1 || d[kDimT] < 1 || d[kDimB] < 1) {
    return IpiRefuse(sys, kIpiOutOfRange);
  }
  plan->image_width = d[kDimX];
  plan->width = coded->fields.dimension[kDimX] >= 1 ? coded->fields.dimension[kDimX] : d[kDimX];
  if (encoding) plan->width = std::min(plan->width, plan->image_width);
  plan->height = d[kDimY];
  plan->planes = int64_t{d[kDimZ]} * d[kDimT] * d[kDimB];
  return kIpiNoError;
}

// Picture row `row` into a packed-bitmap row (object rows bottom-up), built
// from the row's first byte: every bit set, then the white runs cleared, so
// black stays 1 and the bits past the width in the last byte are set. At
// most the row's length is written; rows past the bitmap's are dropped.
int StorePackedBitmapRow(IpiSystem* sys, IpiStream* stream, const PackedBitmapRows& rows, int64_t row,
                         int64_t width, std::vector<uint8_t>& packed) {
  if (row >= rows.rows) return kIpiNoError;
  const int64_t element = rows.ElementOfRow(rows.ObjectRowOf(row));
  uint8_t* target = IpiGetOutputRow(sys, stream, element);
  if (target == nullptr) return IpiGetLastError(sys);
  const int tail_bits = static_cast<int>(width & 7);
  if (tail_bits != 0) packed.back() = static_cast<uint8_t>(packed.back() | (0xFF >> tail_bits));
  const auto count = static_cast<size_t>(std::min<int64_t>(rows.row_bytes, static_cast<int64_t>(packed.size())));
  std::memcpy(target, packed.data(), count);
  return IpiPutOutputRow(sys, stream, element);
}

// Complements the `width` pixels of a packed row; the bits past the width in
// the last byte stay 0, as the row gatherer leaves them.
void InvertPackedRow(uint8_t* packed, int64_t width) {
  const int64_t bytes = (width + 7) / 8;
  for (int64_t i = 0; i < bytes; ++i) packed[i] = static_cast<uint8_t>(~packed[i]);
  if (width % 8 != 0) packed[bytes - 1] &= static_cast<uint8_t>(0xFF00u >> (width % 8));
}

int Encode(IpiSystem* sys, IpiObject* image, IpiObject* coded, bool inverted) {
  Plan plan;
  IPI_RETURN_IF_ERROR(MakePlan(sys, image, coded, true, &plan));
  const bool uses_eol = plan.coding == FaxCoding::kHuffman || plan.coding == FaxCoding::kMr;
  const bool eol_aligned = uses_eol && coded->fields.eol_state == 1;

  ScopedAccessor in;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, image, AccessMode::kRead, 1, in));
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, coded, AccessMode::kWrite, 0, out));
  StreamSink sink(sys, out.stream());
  const FillOrder order = coded->fields.bit_order == kOrderLsbFirst ? FillOrder::kLsbFirst : FillOrder::kMsbFirst;
  BitWriter writer(sink, order);
  FaxEncoder encoder(writer, plan.width, plan.coding, coded->fields.k, eol_aligned);
  std::vector<uint8_t> packed(static_cast<size_t>((plan.width + 7) / 8));
  for (int64_t plane = 0; plane < plan.planes; ++plane) {
    encoder.BeginPlane();
    for (int64_t y = 0; y < plan.height; ++y) {
      const int64_t element = plan.ElementOf(plane * plan.height + y);
      const uint8_t* row = IpiGetInputRow(sys, in.stream(), element);
      if (row == nullptr) return IpiGetLastError(sys);
      GatherBilevelRow(*in, row, element & 7, plan.width, packed.data());
      if (inverted) InvertPackedRow(packed.data(), plan.width);
      encoder.AddRow(packed.data());
      if (sink.has_failed()) return sink.status();
    }
    encoder.EndPlane();
  }
  if (!writer.Flush()) return sink.status();
  const auto coded_bytes = static_cast<int64_t>(sink.position());
  if (coded->fields.repository != kRepositoryFile) {
    int64_t elements = 0;
    int64_t bytes = 0;
    int32_t bits = 0;
    IPI_RETURN_IF_ERROR(IpiObjectDataSize(sys, *coded, &elements, &bytes, &bits));
    if (coded_bytes > elements) return IpiRefuse(sys, kIpiInsufficientSize);
  }
  IPI_RETURN_IF_ERROR(out.Close());
  IPI_RETURN_IF_ERROR(in.Close());
  IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, coded, "size", static_cast<intptr_t>(coded_bytes)));
  if (plan.strips >= 1 && coded->extras != nullptr && !coded->extras->strip_byte_counts.empty()) {
    coded->extras->strip_byte_counts[0] = static_cast<uint32_t>(coded_bytes);
  }
  return kIpiNoError;
}

}  // namespace

int EncodeCcitt(IpiSystem* sys, IpiObject* image, IpiObject* coded) { return Encode(sys, image, coded, false); }

int EncodeCcittInverted(IpiSystem* sys, IpiObject* image, IpiObject* coded) {
  return Encode(sys, image, coded, true);
}

int DecodeCcitt(IpiSystem* sys, IpiObject* coded, IpiObject* image) {
  Plan plan;
  IPI_RETURN_IF_ERROR(MakePlan(sys, image, coded, false, &plan));
  const int64_t size_bytes = coded->fields.size;
  if (size_bytes < 0) return IpiRefuse(sys, kIpiSyntaxError);
  if (size_bytes > kMaxCodedBytes) return IpiRefuse(sys, kIpiExceedImplementation);
  if (plan.width > kMaxImageBytes) return IpiRefuse(sys, kIpiExceedImplementation);

  // Strip k: [start, start + bytes) of the data, rows_per_strip rows.
  std::vector<std::pair<int64_t, int64_t>> strips;
  if (plan.strips >= 1) {
    int64_t start = 0;
    for (int64_t k = 0; k < plan.strips; ++k) {
      const int64_t bytes = coded->extras->strip_byte_counts[static_cast<size_t>(k)];
      const int64_t clipped = std::clamp<int64_t>(size_bytes - start, 0, bytes);
      strips.emplace_back(start, clipped);
      start += clipped;
    }
  } else {
    strips.emplace_back(0, size_bytes);
  }
  const bool in_tiff = coded->fields.file_format == kFormatTiff;
  const FillOrder order =
      in_tiff && coded->fields.bit_order == kOrderLsbFirst ? FillOrder::kLsbFirst : FillOrder::kMsbFirst;

  const bool is_packed_target = IpiIsPackedBitmapImage(*image);
  PackedBitmapRows bitmap_rows;
  if (is_packed_target) IPI_RETURN_IF_ERROR(IpiGetPackedBitmapRows(sys, image, 1, &bitmap_rows));

  ObjectBytes body;
  IPI_RETURN_IF_ERROR(body.LoadData(sys, coded, size_bytes));
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, image, AccessMode::kWrite, 1, out));
  FaxDecoder decoder(plan.width, plan.coding);
  std::vector<uint8_t> packed(static_cast<size_t>((plan.width + 7) / 8));
  const int64_t moved = std::min(plan.width, plan.image_width);
  const int64_t total_rows = plan.height * plan.planes;
  const int64_t rows_per_strip = plan.strips >= 1 ? plan.rows_per_strip : total_rows;
  // Damaged rows are kept and the data picked up again where it can be; an
  // invalid two-dimensional mode code, or data that ends before the image's
  // rows, is an error once every row is written.
  bool is_complete = true;
  size_t strip = 0;
  for (int64_t row = 0; row < total_rows; ++row) {
    if (row % rows_per_strip == 0) {
      if (strip < strips.size()) {
        decoder.BeginStrip(body.bytes().subspan(static_cast<size_t>(strips[strip].first),
                                                static_cast<size_t>(strips[strip].second)),
                           order);
      } else {
        decoder.BeginStrip({}, order);  // rows the strips do not cover
      }
      ++strip;
    } else if (row % plan.height == 0) {
      decoder.BeginPlane();
    }
    const FaxRowResult result = decoder.NextRow(packed.data());
    if (result == FaxRowResult::kInvalidMode || result == FaxRowResult::kEnd) is_complete = false;
    if (is_packed_target) {
      IPI_RETURN_IF_ERROR(StorePackedBitmapRow(sys, out.stream(), bitmap_rows, row, plan.width, packed));
      continue;
    }
    const int64_t element = plan.ElementOf(row);
    uint8_t* target = IpiGetOutputRow(sys, out.stream(), element);
    if (target == nullptr) return IpiGetLastError(sys);
    ScatterBilevelRow(*out, target, element & 7, moved, packed.data());
    IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, out.stream(), element));
  }
  IPI_RETURN_IF_ERROR(out.Close());
  if (!is_complete) return IpiRefuse(sys, kIpiSyntaxError);
  return kIpiNoError;
}
