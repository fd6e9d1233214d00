// Flips and quarter turns. The source position of every destination column is
// tabulated once per call; a flip reads one source row per destination row, a
// quarter turn reads each source plane once and walks it column-wise. Byte
// images without a gate take copy loops (a tile of destination rows at a time
// for turns); everything else moves element by element through each image's
// own bit-mask tables, so the two images may differ in bit order.
#include "core/operators/geometry/flips_and_turns.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/codes.h"
#include "core/operators/geometry/geometry_codes.h"
#include "core/operators/geometry/geometry_support.h"
#include "core/operators/geometry/pixel_moves.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"

namespace {

// Destination rows a byte turn fills from one pass over the source rows.
constexpr int64_t kTurnTileRows = 16;

bool IsFlipCode(int32_t code) {
  return code == kFlipTopToBottom || code == kFlipLeftToRight || code == kTurnHalf;
}
bool IsTurnCode(int32_t code) { return code == kTurnQuarterLeft || code == kTurnQuarterRight; }

// One call's geometry: extents and the match offsets of x and y (source match
// point - destination match point).
struct Shape {
  int64_t sx, sy, dx, dy, mx, my;
  explicit Shape(const IpiAccessor& in, const IpiAccessor& out)
      : sx(in.dimension[kDimX]),
        sy(in.dimension[kDimY]),
        dx(out.dimension[kDimX]),
        dy(out.dimension[kDimY]),
        mx(int64_t{in.match_point[kDimX]} - out.match_point[kDimX]),
        my(int64_t{in.match_point[kDimY]} - out.match_point[kDimY]) {}
};

// A table with one source index per destination column, and the columns
// first..last whose index lies in 0..limit - 1 (the index is monotonic in the
// column, so they are contiguous).
struct ColumnTable {
  std::vector<int64_t> index;
  int64_t first = 0;
  int64_t last = -1;
  bool empty() const { return first > last; }
};

template <typename SourceOf>
ColumnTable MakeColumnTable(int64_t columns, int64_t limit, SourceOf source_of) {
  ColumnTable table;
  table.index.resize(static_cast<size_t>(columns));
  table.first = columns;
  for (int64_t i = 0; i < columns; ++i) {
    const int64_t s = source_of(i);
    table.index[static_cast<size_t>(i)] = s;
    if (s >= 0 && s < limit) {
      table.first = std::min(table.first, i);
      table.last = i;
    }
  }
  return table;
}

// The region gates of one call: source flags by source element (a row for
// flips, a plane for turns), destination flags by destination column.
struct Gates {
  bool source = false;
  bool destination = false;
  std::vector<uint8_t> source_flags;
  std::vector<uint8_t> destination_flags;
  bool any() const { return source || destination; }
};

// --- flips ---------------------------------------------------------------------

// Destination elements first..last of one row from the source row, with
// element i taken from source element table[i].
void FlipRowElements(const IpiAccessor& in, const uint8_t* s, int64_t s_bit, const IpiAccessor& out, uint8_t* d,
                     int64_t d_bit, const ColumnTable& table, const Gates& gates) {
  const int64_t* index = table.index.data();
  const bool is_bits = in.data_type == kDataTypeBoolean;
  if (!gates.any() && !is_bits) {
    if (index[table.last] > index[table.first]) {
      std::memcpy(d + table.first, s + index[table.first], static_cast<size_t>(table.last - table.first + 1));
    } else {
      ReversePixels(d + table.first, s + index[table.last], table.last - table.first + 1, 8);
    }
    return;
  }
  for (int64_t i = table.first; i <= table.last; ++i) {
    const int64_t c = index[i];
    if (gates.source && gates.source_flags[static_cast<size_t>(c)] == 0) continue;
    if (gates.destination && gates.destination_flags[static_cast<size_t>(i)] == 0) continue;
    if (is_bits) {
      IpiSetBit(out, d, d_bit + i, IpiTestBit(in, s, s_bit + c));
    } else {
      d[i] = s[c];
    }
  }
}

int FlipPlanes(IpiSystem* sys, const IpiAccessor& in, const IpiAccessor& out, int32_t code) {
  const Shape g(in, out);
  const bool columns_reversed = code != kFlipTopToBottom;
  const bool rows_reversed = code != kFlipLeftToRight;
  const ColumnTable table = MakeColumnTable(g.dx, g.sx, [&](int64_t i) {
    return columns_reversed ? g.sx - 1 - i - g.mx : i + g.mx;
  });
  if (table.empty()) return kIpiNoError;  // no destination column has a source
  Gates gates;
  gates.source = in.has_roi();
  gates.destination = out.has_roi();
  if (gates.source) gates.source_flags.resize(static_cast<size_t>(g.sx));
  if (gates.destination) gates.destination_flags.resize(static_cast<size_t>(g.dx));
  const bool is_bits = in.data_type == kDataTypeBoolean;

  return geometry::ForEachSharedPlane(in, out, [&](int64_t from, int64_t to) -> int {
    for (int64_t j = 0; j < g.dy; ++j) {
      const int64_t sr = rows_reversed ? g.sy - 1 - j - g.my : j + g.my;
      if (sr < 0 || sr >= g.sy) continue;  // neither read nor written
      const int64_t source_element = from + sr * g.sx;
      const int64_t destination_element = to + j * g.dx;
      const uint8_t* s = IpiGetInputRow(sys, in.stream, source_element);
      if (s == nullptr) return IpiGetLastError(sys);
      uint8_t* d = IpiGetOutputRow(sys, out.stream, destination_element);
      if (d == nullptr) return IpiGetLastError(sys);
      if (gates.source) {
        IPI_RETURN_IF_ERROR(ReadRegionFlags(sys, in, source_element, g.sx, gates.source_flags.data()));
      }
      if (gates.destination) {
        IPI_RETURN_IF_ERROR(ReadRegionFlags(sys, out, destination_element, g.dx, gates.destination_flags.data()));
      }
      FlipRowElements(in, s, is_bits ? geometry::BitInByte(source_element) : 0, out, d,
                      is_bits ? geometry::BitInByte(destination_element) : 0, table, gates);
      IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, out.stream, destination_element));
    }
    return kIpiNoError;
  });
}

// --- quarter turns ----------------------------------------------------------------

// Byte planes without a gate: kTurnTileRows destination rows are turned into
// a tile from one pass down the source rows, then each row is fetched, filled
// and put back. The elements with a source form one window of the plane,
// which turns as a whole: destination columns first..last take a run of
// source rows, destination rows j_lo..j_hi a run of source columns.
int TurnBytePlaneTiled(IpiSystem* sys, const IpiAccessor& out, const Shape& g, const uint8_t* plane, int64_t to,
                       const ColumnTable& rows_of_columns, int32_t code, std::vector<uint8_t>& tile) {
  const int64_t width = rows_of_columns.last - rows_of_columns.first + 1;
  tile.resize(static_cast<size_t>(kTurnTileRows * width));
  // Row j takes source column g.sx - 1 - j - g.my (3) or j + g.my (2): both
  // lie inside the source for the same rows.
  const int64_t j_lo = std::max<int64_t>(0, -g.my);
  const int64_t j_hi = std::min(g.dy - 1, g.sx - 1 - g.my);
  const int64_t first_row = std::min(rows_of_columns.index[rows_of_columns.first],
                                     rows_of_columns.index[rows_of_columns.last]);
  const int64_t first_column = code == kTurnQuarterLeft ? g.sx - 1 - j_hi - g.my : j_lo + g.my;
  const PixelRows window{plane + first_row * g.sx + first_column, g.sx, j_hi - j_lo + 1, width};
  for (int64_t j0 = 0; j0 < g.dy; j0 += kTurnTileRows) {
    const int64_t rows = std::min(kTurnTileRows, g.dy - j0);
    const int64_t from = std::max(j0, j_lo);
    const int64_t until = std::min(j0 + rows - 1, j_hi);
    if (from <= until) {
      TurnPixels(window, code, 8, tile.data() + (from - j0) * width, width, from - j_lo, until + 1 - j_lo);
    }
    for (int64_t k = 0; k < rows; ++k) {
      const int64_t j = j0 + k;
      const int64_t destination_element = to + j * g.dx;
      uint8_t* d = IpiGetOutputRow(sys, out.stream, destination_element);
      if (d == nullptr) return IpiGetLastError(sys);
      if (j >= j_lo && j <= j_hi) {
        std::memcpy(d + rows_of_columns.first, tile.data() + k * width, static_cast<size_t>(width));
      }
      IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, out.stream, destination_element));
    }
  }
  return kIpiNoError;
}

int TurnPlanes(IpiSystem* sys, const IpiAccessor& in, const IpiAccessor& out, int32_t code) {
  const Shape g(in, out);
  // For a quarter turn the x match offset moves the source row and the y
  // match offset the source column.
  const ColumnTable rows_of_columns = MakeColumnTable(g.dx, g.sy, [&](int64_t i) {
    return code == kTurnQuarterLeft ? i + g.mx : g.sy - 1 - i - g.mx;
  });
  if (rows_of_columns.empty() || g.sx == 0) return kIpiNoError;  // nothing has a source
  Gates gates;
  gates.source = in.has_roi();
  gates.destination = out.has_roi();
  if (gates.source) gates.source_flags.resize(static_cast<size_t>(g.sx * g.sy));
  if (gates.destination) gates.destination_flags.resize(static_cast<size_t>(g.dx));
  const bool is_bits = in.data_type == kDataTypeBoolean;
  std::vector<uint8_t> tile;

  return geometry::ForEachSharedPlane(in, out, [&](int64_t from, int64_t to) -> int {
    // The source stream spans a whole plane per row: one read.
    const uint8_t* plane = IpiGetInputRow(sys, in.stream, from);
    if (plane == nullptr) return IpiGetLastError(sys);
    const int64_t plane_bit = is_bits ? geometry::BitInByte(from) : 0;
    if (gates.source) {
      for (int64_t r = 0; r < g.sy; ++r) {
        IPI_RETURN_IF_ERROR(ReadRegionFlags(sys, in, from + r * g.sx, g.sx, gates.source_flags.data() + r * g.sx));
      }
    }
    if (!is_bits && !gates.any()) {
      return TurnBytePlaneTiled(sys, out, g, plane, to, rows_of_columns, code, tile);
    }
    const int64_t* source_row = rows_of_columns.index.data();
    for (int64_t j = 0; j < g.dy; ++j) {
      const int64_t sc = code == kTurnQuarterLeft ? g.sx - 1 - j - g.my : j + g.my;
      const int64_t destination_element = to + j * g.dx;
      uint8_t* d = IpiGetOutputRow(sys, out.stream, destination_element);
      if (d == nullptr) return IpiGetLastError(sys);
      if (sc >= 0 && sc < g.sx) {
        if (gates.destination) {
          IPI_RETURN_IF_ERROR(ReadRegionFlags(sys, out, destination_element, g.dx, gates.destination_flags.data()));
        }
        const int64_t d_bit = is_bits ? geometry::BitInByte(destination_element) : 0;
        for (int64_t i = rows_of_columns.first; i <= rows_of_columns.last; ++i) {
          const int64_t e = source_row[i] * g.sx + sc;  // within the plane
          if (gates.source && gates.source_flags[static_cast<size_t>(e)] == 0) continue;
          if (gates.destination && gates.destination_flags[static_cast<size_t>(i)] == 0) continue;
          if (is_bits) {
            IpiSetBit(out, d, d_bit + i, IpiTestBit(in, plane, plane_bit + e));
          } else {
            d[i] = plane[e];
          }
        }
      }
      IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, out.stream, destination_element));
    }
    return kIpiNoError;
  });
}

using PlaneMover = int (*)(IpiSystem*, const IpiAccessor&, const IpiAccessor&, int32_t);

// Checks, opens both images (the source with `source_rows` rows per stream
// row), moves the planes and closes both on every path.
int RunMove(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t code, bool whole_planes,
            PlaneMover move) {
  IPI_RETURN_IF_ERROR(geometry::RequireGeometryTypes(sys, source, destination));
  const int32_t sy = source->fields.dimension[kDimY];
  if (whole_planes && sy == 0) return kIpiNoError;  // no source row: nothing to move
  ScopedAccessor in;
  ScopedAccessor out;
  int status = OpenGeometryAccessor(sys, source, AccessMode::kRead, whole_planes ? -sy : 1, in);
  if (status == 0) status = OpenGeometryAccessor(sys, destination, AccessMode::kWrite, 1, out);
  if (status == 0) status = move(sys, *in, *out, code);
  return geometry::CloseImages(sys, status, out, in);
}

}  // namespace

int IpiFlipOrTurn(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t code) {
  if (IsFlipCode(code)) return IpiFlipImage(sys, source, destination, code);
  if (IsTurnCode(code)) return IpiTurnImage(sys, source, destination, code);
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  return IpiRefuse(sys, kIpiNonPermissibleOption);
}

int IpiFlipImage(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t code) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (!IsFlipCode(code)) return IpiRefuse(sys, kIpiNonPermissibleOption);
  return RunMove(sys, source, destination, code, false, FlipPlanes);
}

int IpiTurnImage(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t code) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (!IsTurnCode(code)) return IpiRefuse(sys, kIpiNonPermissibleOption);
  return RunMove(sys, source, destination, code, true, TurnPlanes);
}
