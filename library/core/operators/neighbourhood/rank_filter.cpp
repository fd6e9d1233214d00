// Rank-order filters on the operator frame; RankSelector computes a row at a
// time, IpiRankOrderAt is the per-element definition it is held to.
#include "core/operators/neighbourhood/rank_filter.h"

#include <algorithm>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/operators/neighbourhood/filter_rows.h"
#include "core/operators/neighbourhood/neighbourhood_window.h"
#include "core/operators/neighbourhood/rank_selection.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"

namespace {

constexpr int64_t kMaxWindowCells = int64_t{kMaxFilterWindow} * kMaxFilterWindow;
constexpr int kValues = 256;

}  // namespace

uint8_t IpiRankOrderAt(const uint8_t* const* rows, const uint8_t* const* mask_rows, int64_t rank,
                       int32_t boundary_condition, int64_t x, int64_t y, int64_t width, int64_t height,
                       int32_t mask_width, int32_t mask_height, uint8_t* work) {
  const int64_t window_cells = int64_t{mask_width} * mask_height;
  if (window_cells > kMaxWindowCells) return 0;
  const int64_t rx = mask_width / 2;
  const int64_t ry = mask_height / 2;
  const bool inside = ry <= y && y < height - ry && rx <= x && x < width - rx;
  const Boundary boundary = inside ? Boundary::kClip : BoundaryFromCode(boundary_condition);
  if (boundary == Boundary::kZeroWindow) return 0;

  // The value under one cell: outside the image mirrored (165) or 0 (231).
  auto value_at = [&](int64_t yy, int64_t xx) -> uint8_t {
    if (yy < 0 || yy >= height || xx < 0 || xx >= width) {
      if (boundary != Boundary::kMirror) return 0;
      yy = FoldIndex(yy, height);
      xx = FoldIndex(xx, width);
    }
    return rows[yy - y][xx];
  };

  const bool by_counters = window_cells > kMaxNetworkCells;
  int64_t taking_part = 0;
  if (by_counters) std::fill(work, work + kValues, uint8_t{0});  // at most 225 per counter
  for (int64_t r = -ry; r <= ry; ++r) {
    for (int64_t c = -rx; c <= rx; ++c) {
      if (mask_rows[r][c] == 0) continue;
      const uint8_t v = value_at(y + r, x + c);
      if (by_counters) {
        ++work[v];
      } else {
        // Insertion into the sorted prefix of the work buffer.
        int64_t k = taking_part;
        while (k > 0 && work[k - 1] > v) {
          work[k] = work[k - 1];
          --k;
        }
        work[k] = v;
      }
      ++taking_part;
    }
  }
  if (taking_part == 0) return 0;
  const int64_t wanted = std::clamp<int64_t>(rank, 1, taking_part);
  if (!by_counters) return work[wanted - 1];
  int64_t sum = 0;
  for (int v = 0; v < kValues; ++v) {
    sum += work[v];
    if (sum >= wanted) return static_cast<uint8_t>(v);
  }
  return 0;  // not reached: the counts add up to taking_part
}

int IpiRankOrderFilter(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* mask, int64_t rank) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (IpiCheckObject(sys, source) == nullptr || IpiCheckObject(sys, destination) == nullptr) {
    return IpiGetLastError(sys);
  }
  WindowShape shape;
  IPI_RETURN_IF_ERROR(CheckWindowShape(sys, mask, WindowLimit::kFilter, &shape));
  IPI_RETURN_IF_ERROR(RequireByteImages(sys, source, destination));
  if (rank < 1) return IpiRefuse(sys, kIpiOutOfRange);
  std::vector<uint8_t> cells;
  IPI_RETURN_IF_ERROR(ReadByteCells(sys, mask, shape, cells));
  return RunFilterRows(sys, source, destination, RankRows(shape, cells, rank));
}

int IpiMedianFilter(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* mask) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (IpiCheckObject(sys, mask) == nullptr) return IpiGetLastError(sys);
  const int64_t cells = mask->fields.scale_factor;
  return IpiRankOrderFilter(sys, source, destination, mask, (cells + 1) / 2);
}

int IpiFillMask(IpiSystem* sys, IpiObject* array) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (IpiCheckObject(sys, array) == nullptr) return IpiGetLastError(sys);
  IPI_RETURN_IF_ERROR(RequireDataType(sys, array, {kDataTypeNonnegative, kDataTypeSigned, kDataTypeReal}));
  const int32_t data_type = array->fields.data_type;
  const int32_t cell_bytes = data_type == kDataTypeNonnegative ? 1 : data_type == kDataTypeSigned ? 2 : 4;
  int32_t bits = 0;
  IPI_RETURN_IF_ERROR(GetStoredBits(sys, array, &bits));  // also refuses sizes beyond the limits
  if (bits != cell_bytes * 8) return IpiRefuse(sys, kIpiMismatchDataType);
  const int64_t width = array->fields.dimension[kDimX];
  const int64_t height = array->fields.dimension[kDimY];
  if (width < 1 || height < 1) return IpiRefuse(sys, kIpiOutOfRange);
  const int64_t cells = width * height;

  const size_t count = static_cast<size_t>(cells);
  if (data_type == kDataTypeReal) {
    const std::vector<float> ones(count, static_cast<float>(1.0 / static_cast<double>(cells)));
    return WriteCellsToEveryPlane(sys, array, ones.data(), cell_bytes);
  }
  IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, array, "scaleFactor", static_cast<intptr_t>(cells)));
  if (data_type == kDataTypeSigned) {
    const std::vector<int16_t> ones(count, 1);
    return WriteCellsToEveryPlane(sys, array, ones.data(), cell_bytes);
  }
  const std::vector<uint8_t> ones(count, 1);
  return WriteCellsToEveryPlane(sys, array, ones.data(), cell_bytes);
}
