// Interlacing and de-interlacing of whole rows; see interlace_rows.h. Both
// directions walk the target's rows in increasing order and fetch the source
// row the pass table names, so a target held in a file is written front to
// back and the shared bytes of unpadded 1-bit rows stay intact.
#include "interchange/gif/interlace_rows.h"

#include <algorithm>
#include <cstring>

#include "core/codes.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"

namespace {

// The four passes: start row and step.
struct InterlacePass {
  int64_t start;
  int64_t step;
};
constexpr InterlacePass kInterlacePasses[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};

enum class RowOrder { kInterlace, kDeinterlace };

// The region both objects share, in target coordinates, and the offset that
// turns a target coordinate into the source's (source = target - offset).
struct SharedRegion {
  int64_t first[5] = {};
  int64_t last[5] = {};
  int64_t offset[5] = {};
  bool empty() const {
    for (int d = 0; d < 5; ++d) {
      if (first[d] > last[d]) return true;
    }
    return false;
  }
};

SharedRegion ShareRegion(const IpiAccessor& source, const IpiAccessor& target) {
  SharedRegion r;
  for (int d = 0; d < 5; ++d) {
    r.offset[d] = int64_t{target.match_point[d]} - source.match_point[d];
    r.first[d] = std::max<int64_t>(0, r.offset[d]);
    r.last[d] = std::min<int64_t>(target.dimension[d] - 1, source.dimension[d] - 1 + r.offset[d]);
  }
  return r;
}

int64_t ElementIndex(const IpiAccessor& a, int64_t x, int64_t y, int64_t z, int64_t t, int64_t b) {
  const int64_t dx = a.dimension[kDimX];
  const int64_t dy = a.dimension[kDimY];
  const int64_t dz = a.dimension[kDimZ];
  const int64_t dt = a.dimension[kDimT];
  return x + dx * (y + dy * (z + dz * (t + dt * b)));
}

// `count` bits from bit `from_bit` of `from` to bit `to_bit` of `to`, each
// through its own accessor's bit order. Bits of `to` outside the run keep
// their values.
void CopyBits(const IpiAccessor& from_accessor, const uint8_t* from, int64_t from_bit,
              const IpiAccessor& to_accessor, uint8_t* to, int64_t to_bit, int64_t count) {
  if (from_bit == 0 && to_bit == 0 && from_accessor.bit_order == to_accessor.bit_order) {
    const int64_t whole = count / 8;
    std::memcpy(to, from, static_cast<size_t>(whole));
    const int tail = static_cast<int>(count % 8);
    if (tail != 0) {
      // The first `tail` elements of a byte: its high bits most significant
      // first, its low bits least significant first.
      const uint8_t mask = to_accessor.bit_order == kOrderMsbFirst ? static_cast<uint8_t>(0xFF00u >> tail)
                                                                    : static_cast<uint8_t>((1u << tail) - 1);
      to[whole] = static_cast<uint8_t>((to[whole] & ~mask) | (from[whole] & mask));
    }
    return;
  }
  for (int64_t i = 0; i < count; ++i) {
    IpiSetBit(to_accessor, to, to_bit + i, IpiTestBit(from_accessor, from, from_bit + i));
  }
}

int ReorderRows(IpiSystem* sys, IpiObject* source, IpiObject* target, RowOrder order) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  if (IpiCheckObject(sys, source) == nullptr || IpiCheckObject(sys, target) == nullptr) return kIpiInvalidInstance;
  const int32_t type = source->fields.data_type;
  if ((type != kDataTypeBoolean && type != kDataTypeNonnegative) || target->fields.data_type != type) {
    return IpiRefuse(sys, kIpiMismatchDataType);
  }
  int32_t source_bits = 0;
  int32_t target_bits = 0;
  IPI_RETURN_IF_ERROR(GetStoredBits(sys, source, &source_bits));
  IPI_RETURN_IF_ERROR(GetStoredBits(sys, target, &target_bits));
  const bool is_boolean = type == kDataTypeBoolean;
  // Byte rows are copied as they are: both sides must store whole bytes of
  // the same size; boolean rows one bit per element.
  if (source_bits != target_bits || (is_boolean ? source_bits != 1 : source_bits % 8 != 0)) {
    return IpiRefuse(sys, kIpiMismatchDataType);
  }

  ScopedAccessor in;
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenImageAccessor(sys, source, AccessMode::kRead, 1, false, in));
  IPI_RETURN_IF_ERROR(OpenImageAccessor(sys, target, AccessMode::kWrite, 1, false, out));
  const SharedRegion region = ShareRegion(*in, *out);
  if (region.empty()) return kIpiNoError;

  const int64_t rows = region.last[kDimY] - region.first[kDimY] + 1;
  const int64_t columns = region.last[kDimX] - region.first[kDimX] + 1;
  const std::vector<int64_t> interlaced = InterlacedRowOrder(rows);
  // source_of[j]: the region row of the source that target region row j takes.
  std::vector<int64_t> source_of(static_cast<size_t>(rows));
  for (int64_t k = 0; k < rows; ++k) {
    if (order == RowOrder::kInterlace) {
      source_of[static_cast<size_t>(k)] = interlaced[static_cast<size_t>(k)];
    } else {
      source_of[static_cast<size_t>(interlaced[static_cast<size_t>(k)])] = k;
    }
  }
  const int64_t bytes_per_element = is_boolean ? 0 : source_bits / 8;
  const int64_t* off = region.offset;

  for (int64_t b = region.first[kDimB]; b <= region.last[kDimB]; ++b) {
    for (int64_t t = region.first[kDimT]; t <= region.last[kDimT]; ++t) {
      for (int64_t z = region.first[kDimZ]; z <= region.last[kDimZ]; ++z) {
        for (int64_t j = 0; j < rows; ++j) {
          const int64_t y = region.first[kDimY] + j;
          const int64_t sy = region.first[kDimY] + source_of[static_cast<size_t>(j)] - off[kDimY];
          const int64_t x = region.first[kDimX];
          const int64_t to_element = ElementIndex(*out, x, y, z, t, b);
          const int64_t from_element =
              ElementIndex(*in, x - off[kDimX], sy, z - off[kDimZ], t - off[kDimT], b - off[kDimB]);
          const uint8_t* from = IpiGetInputRow(sys, in.stream(), from_element);
          if (from == nullptr) return IpiGetLastError(sys);
          uint8_t* to = IpiGetOutputRow(sys, out.stream(), to_element);
          if (to == nullptr) return IpiGetLastError(sys);
          if (is_boolean) {
            CopyBits(*in, from, from_element % 8, *out, to, to_element % 8, columns);
          } else {
            std::memcpy(to, from, static_cast<size_t>(columns * bytes_per_element));
          }
          IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, out.stream(), to_element));
        }
      }
    }
  }
  IPI_RETURN_IF_ERROR(in.Close());
  return out.Close();
}

}  // namespace

std::vector<int64_t> InterlacedRowOrder(int64_t rows) {
  std::vector<int64_t> order;
  order.reserve(static_cast<size_t>(std::max<int64_t>(rows, 0)));
  for (const InterlacePass& pass : kInterlacePasses) {
    for (int64_t row = pass.start; row < rows; row += pass.step) order.push_back(row);
  }
  return order;
}

int InterlaceRows(IpiSystem* sys, IpiObject* image, IpiObject* target) {
  return ReorderRows(sys, image, target, RowOrder::kInterlace);
}

int DeinterlaceRows(IpiSystem* sys, IpiObject* decoded, IpiObject* image) {
  return ReorderRows(sys, decoded, image, RowOrder::kDeinterlace);
}
