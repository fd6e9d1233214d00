// The PackBits coder; see packbits.h. Rows are coded in memory and the coded
// bytes go to the compressed object's stream in large blocks; decoding views
// the whole coded data once and walks it with a bounded reader.
#include "interchange/packbits/packbits.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/common/object_bytes.h"
#include "interchange/io/bit_order.h"
#include "interchange/io/bit_reader.h"
#include "interchange/rows/bilevel_rows.h"
#include "interchange/rows/bmp_rows.h"

namespace {

constexpr int64_t kMaxRun = 128;
constexpr int64_t kMaxLiteral = 128;
constexpr uint8_t kSkipHeader = 0x80;  // -128: a packet without data
constexpr size_t kFlushBytes = 256 * 1024;
constexpr int64_t kMaxCodedBytes = 2 * kMaxImageBytes;
constexpr int32_t kPlanarDefault = 0;
constexpr int32_t kPlanarContiguous = 248;
constexpr int32_t kPlanarSeparate = 249;

void CopyInverted(const uint8_t* from, int64_t count, uint8_t inversion, uint8_t* to) {
  if (inversion == 0) {
    std::memcpy(to, from, static_cast<size_t>(count));
    return;
  }
  for (int64_t i = 0; i < count; ++i) to[i] = static_cast<uint8_t>(from[i] ^ inversion);
}

// How the rows of an image are cut into coded rows.
struct RowPlan {
  bool is_boolean = false;
  int32_t precision = 0;     // 1, 4 or 8
  bool is_separate = false;  // one strip a band
  int64_t width = 0;
  int64_t height = 0;
  int64_t planes = 0;  // z x t
  int64_t bands = 0;
  int64_t interleaved_bands = 1;  // bands within one coded row (8-bit contiguous)
  int64_t row_bytes = 0;          // bytes of one coded row

  int64_t ElementOf(int64_t y, int64_t plane, int64_t band) const {
    return width * (y + height * (plane + planes * band));
  }
};

int PlanarOf(IpiSystem* sys, IpiObject* obj, bool* is_separate) {
  const auto planar = static_cast<int32_t>(IpiInquireAttribute(sys, obj, "planarConfiguration"));
  if (planar != kPlanarDefault && planar != kPlanarContiguous && planar != kPlanarSeparate) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  *is_separate = planar == kPlanarSeparate;
  return kIpiNoError;
}

// Checks the pair and fills the plan from the plain image. `planar_source`
// is the object whose planarConfiguration counts for a TIFF coded object.
int MakePlan(IpiSystem* sys, IpiObject* image, IpiObject* coded, IpiObject* planar_source, RowPlan* plan) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  if (IpiCheckObject(sys, image) == nullptr || IpiCheckObject(sys, coded) == nullptr) return kIpiInvalidInstance;
  const int32_t format = coded->fields.file_format;
  if (format != 0 && format != kFormatTiff && format != kFormatInvertedBytes) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  const int32_t data_type = image->fields.data_type;
  if (data_type != coded->fields.data_type ||
      (data_type != kDataTypeBoolean && data_type != kDataTypeNonnegative)) {
    return IpiRefuse(sys, kIpiMismatchDataType);
  }
  plan->is_boolean = data_type == kDataTypeBoolean;
  plan->precision = plan->is_boolean ? 1 : image->fields.data_precision;
  // A non-negative image keeps a byte per element; its rows are 4 or 8 bits a pixel.
  if (!plan->is_boolean && plan->precision != 4 && plan->precision != 8) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, image, plan->is_boolean ? 1 : 8));
  plan->is_separate = false;
  if (format == kFormatTiff) IPI_RETURN_IF_ERROR(PlanarOf(sys, planar_source, &plan->is_separate));

  const int32_t* d = image->fields.dimension;
  if (d[kDimX] < 1 || d[kDimY] < 1 || d[kDimZ] < 1 || d[kDimT] < 1 || d[kDimB] < 1) {
    return IpiRefuse(sys, kIpiOutOfRange);
  }
  plan->width = d[kDimX];
  plan->height = d[kDimY];
  plan->planes = int64_t{d[kDimZ]} * d[kDimT];
  plan->bands = d[kDimB];
  plan->interleaved_bands = plan->precision == 8 && !plan->is_separate ? plan->bands : 1;
  switch (plan->precision) {
    case 1: plan->row_bytes = (plan->width + 7) / 8; break;
    case 4: plan->row_bytes = (plan->width + 1) / 2; break;
    default: plan->row_bytes = plan->width * plan->interleaved_bands; break;
  }
  return kIpiNoError;
}

// Coded bytes on their way to the compressed object's stream.
class CodedOutput {
 public:
  CodedOutput(IpiSystem* sys, IpiStream* stream, bool reverses_bits)
      : sys_(sys), stream_(stream), reverses_bits_(reverses_bits) {
    buffer_.resize(kFlushBytes);
  }

  // Room for `count` bytes; Commit(n) keeps the first n of them.
  [[nodiscard]] int Reserve(int64_t count, uint8_t** out) {
    if (used_ + static_cast<size_t>(count) > buffer_.size()) {
      IPI_RETURN_IF_ERROR(Flush());
      if (static_cast<size_t>(count) > buffer_.size()) buffer_.resize(static_cast<size_t>(count));
    }
    *out = buffer_.data() + used_;
    return kIpiNoError;
  }
  void Commit(int64_t count) { used_ += static_cast<size_t>(count); }
  int64_t position() const { return written_ + static_cast<int64_t>(used_); }

  [[nodiscard]] int Flush() {
    if (used_ == 0) return kIpiNoError;
    if (reverses_bits_) ReverseBitsOfBytes(buffer_.data(), used_);
    const auto count = static_cast<int64_t>(used_);
    if (IpiWriteBytes(sys_, stream_, written_, buffer_.data(), count) != count) return IpiGetLastError(sys_);
    written_ += count;
    used_ = 0;
    return kIpiNoError;
  }

 private:
  IpiSystem* sys_;
  IpiStream* stream_;
  bool reverses_bits_;
  std::vector<uint8_t> buffer_;
  size_t used_ = 0;
  int64_t written_ = 0;
};

// Walks the coded rows in coded order: bands outermost when each band is its
// own strip, else planes then rows with the bands inside a row.
template <typename RowFunction>
int ForEachCodedRow(const RowPlan& plan, RowFunction&& function) {
  const int64_t strips = plan.interleaved_bands == 1 ? plan.bands : 1;
  for (int64_t strip = 0; strip < strips; ++strip) {
    for (int64_t plane = 0; plane < plan.planes; ++plane) {
      for (int64_t y = 0; y < plan.height; ++y) IPI_RETURN_IF_ERROR(function(strip, plane, y));
    }
  }
  return kIpiNoError;
}

}  // namespace

int64_t EncodePackBitsRow(const uint8_t* row, int64_t length, uint8_t inversion, uint8_t* out) {
  uint8_t* o = out;
  int64_t i = 0;
  while (i < length) {
    if (i == length - 1) {
      *o++ = 0;
      *o++ = static_cast<uint8_t>(row[i] ^ inversion);
      break;
    }
    const uint8_t value = row[i];
    if (value == row[i + 1]) {
      const int64_t limit = std::min(kMaxRun, length - i);
      int64_t run = 2;
      while (run < limit && row[i + run] == value) ++run;
      *o++ = static_cast<uint8_t>(1 - run);
      *o++ = static_cast<uint8_t>(value ^ inversion);
      i += run;
    } else {
      // Count the unequal neighbour pairs from i on; the literal stops at the
      // first equal pair, so that pair starts a run.
      const int64_t limit = std::min(kMaxLiteral, length - 1 - i);
      int64_t count = 1;
      while (count < limit && row[i + count] != row[i + count + 1]) ++count;
      *o++ = static_cast<uint8_t>(count - 1);
      CopyInverted(row + i, count, inversion, o);
      o += count;
      i += count;
    }
  }
  return o - out;
}

bool DecodePackBitsRow(ByteReader& in, uint8_t* row, int64_t length, uint8_t inversion) {
  int64_t produced = 0;
  while (produced < length) {
    uint8_t header = 0;
    if (!in.ReadU8(header)) break;
    if (header == kSkipHeader) continue;
    if (header < kSkipHeader) {
      const int64_t count = int64_t{header} + 1;
      ByteReader literal;
      if (!in.ReadSlice(static_cast<uint64_t>(count), literal)) break;
      const int64_t kept = std::min(count, length - produced);
      CopyInverted(literal.bytes().data(), kept, inversion, row + produced);
      produced += kept;
    } else {
      uint8_t value = 0;
      if (!in.ReadU8(value)) break;
      const int64_t count = 257 - int64_t{header};  // 1 - n for n = header - 256
      const int64_t kept = std::min(count, length - produced);
      std::memset(row + produced, value ^ inversion, static_cast<size_t>(kept));
      produced += kept;
    }
  }
  if (produced == length) return true;
  std::memset(row + produced, 0, static_cast<size_t>(length - produced));
  return false;
}

int EncodePackBits(IpiSystem* sys, IpiObject* image, IpiObject* coded) {
  RowPlan plan;
  IPI_RETURN_IF_ERROR(MakePlan(sys, image, coded, coded, &plan));
  const uint8_t inversion =
      coded->fields.file_format == kFormatInvertedBytes ? kPackBitsInversion : kPackBitsNoInversion;

  ScopedAccessor in;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, image, AccessMode::kRead, 1, in));
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, coded, AccessMode::kWrite, 0, out));
  CodedOutput output(sys, out.stream(), coded->fields.bit_order == kOrderLsbFirst);
  std::vector<uint8_t> plain(static_cast<size_t>(plan.row_bytes));
  std::vector<uint32_t> strip_bytes(static_cast<size_t>(plan.is_separate ? plan.bands : 0));
  int64_t strip_start = 0;

  const int status = ForEachCodedRow(plan, [&](int64_t strip, int64_t plane, int64_t y) -> int {
    const uint8_t* row_bytes = plain.data();
    for (int64_t k = 0; k < plan.interleaved_bands; ++k) {
      const int64_t band = plan.interleaved_bands == 1 ? strip : k;
      const int64_t element = plan.ElementOf(y, plane, band);
      const uint8_t* row = IpiGetInputRow(sys, in.stream(), element);
      if (row == nullptr) return IpiGetLastError(sys);
      if (plan.precision == 1) {
        GatherBilevelRow(*in, row, element & 7, plan.width, plain.data());
      } else if (plan.precision == 4) {
        PackNibbles(row, plan.width, plain.data());
      } else if (plan.interleaved_bands == 1) {
        row_bytes = row;  // whole-byte rows are coded where they lie
      } else {
        InsertChannel(row, plan.width, static_cast<int>(plan.interleaved_bands), static_cast<int>(k), plain.data());
      }
    }
    uint8_t* coded_row = nullptr;
    IPI_RETURN_IF_ERROR(output.Reserve(PackBitsMaxCodedBytes(plan.row_bytes), &coded_row));
    output.Commit(EncodePackBitsRow(row_bytes, plan.row_bytes, inversion, coded_row));
    if (plan.is_separate && plane == plan.planes - 1 && y == plan.height - 1) {
      strip_bytes[static_cast<size_t>(strip)] = static_cast<uint32_t>(output.position() - strip_start);
      strip_start = output.position();
    }
    return kIpiNoError;
  });
  IPI_RETURN_IF_ERROR(status);
  IPI_RETURN_IF_ERROR(output.Flush());
  IPI_RETURN_IF_ERROR(out.Close());
  IPI_RETURN_IF_ERROR(in.Close());
  IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, coded, "size", static_cast<intptr_t>(output.position())));
  if (!plan.is_separate) return kIpiNoError;
  const IpiAttribute strips[] = {{"stripsPerImage", static_cast<intptr_t>(plan.bands)},
                                 {"stripByteCounts", reinterpret_cast<intptr_t>(strip_bytes.data())}};
  return IpiSetAttributes(sys, coded, strips, 2);
}

int DecodePackBits(IpiSystem* sys, IpiObject* coded, IpiObject* image) {
  RowPlan plan;
  IPI_RETURN_IF_ERROR(MakePlan(sys, image, coded, image, &plan));
  const int64_t coded_bytes = coded->fields.size;
  if (coded_bytes < 0) return IpiRefuse(sys, kIpiSyntaxError);
  if (coded_bytes > kMaxCodedBytes) return IpiRefuse(sys, kIpiExceedImplementation);
  const uint8_t inversion =
      coded->fields.file_format == kFormatInvertedBytes ? kPackBitsInversion : kPackBitsNoInversion;

  ObjectBytes body;
  IPI_RETURN_IF_ERROR(body.LoadData(sys, coded, coded_bytes));
  std::vector<uint8_t> reversed;
  std::span<const uint8_t> bytes = body.bytes();
  if (coded->fields.bit_order == kOrderLsbFirst) {
    reversed.assign(bytes.begin(), bytes.end());
    ReverseBitsOfBytes(reversed.data(), reversed.size());
    bytes = reversed;
  }
  ByteReader in(bytes);
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, image, AccessMode::kWrite, 1, out));
  std::vector<uint8_t> plain(static_cast<size_t>(plan.row_bytes));
  bool is_complete = true;

  const int status = ForEachCodedRow(plan, [&](int64_t strip, int64_t plane, int64_t y) -> int {
    if (!is_complete) return kIpiSyntaxError;
    const bool decodes_in_place = plan.precision == 8 && plan.interleaved_bands == 1;
    if (!decodes_in_place) is_complete = DecodePackBitsRow(in, plain.data(), plan.row_bytes, inversion);
    for (int64_t k = 0; k < plan.interleaved_bands; ++k) {
      const int64_t band = plan.interleaved_bands == 1 ? strip : k;
      const int64_t element = plan.ElementOf(y, plane, band);
      uint8_t* row = IpiGetOutputRow(sys, out.stream(), element);
      if (row == nullptr) return IpiGetLastError(sys);
      if (decodes_in_place) {
        is_complete = DecodePackBitsRow(in, row, plan.row_bytes, inversion);
      } else if (plan.precision == 1) {
        ScatterBilevelRow(*out, row, element & 7, plan.width, plain.data());
      } else if (plan.precision == 4) {
        UnpackNibbles(plain.data(), plan.width, row);
      } else {
        ExtractChannel(plain.data(), plan.width, static_cast<int>(plan.interleaved_bands), static_cast<int>(k), row);
      }
      IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, out.stream(), element));
    }
    return kIpiNoError;
  });
  // Coded data that ends inside the image: the rows decoded so far stay.
  const int close_status = out.Close();
  if (status == kIpiSyntaxError || (status == 0 && !is_complete)) return IpiRefuse(sys, kIpiSyntaxError);
  IPI_RETURN_IF_ERROR(status);
  return close_status;
}
