// Floyd-Steinberg error diffusion over the operator frame. The frame hands the
// rows over in order, so the two error rows (indexed by source x, from
// IpiAlloc) carry the pushed errors from one row to the next.
#include "core/operators/point/error_diffusion.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/codes.h"
#include "core/operators/operator_frame.h"
#include "core/operators/point/point_common.h"
#include "core/status.h"

namespace {

constexpr int kMaxLevelBands = 4;
constexpr int32_t kWeightRight = 7;
constexpr int32_t kWeightLowerLeft = 3;
constexpr int32_t kWeightBelow = 5;
constexpr int32_t kWeightLowerRight = 1;
constexpr int32_t kWeightSum = 16;

// The errors pushed into the current and the next row; freed on every path.
class ErrorRows {
 public:
  explicit ErrorRows(IpiSystem* sys) : sys_(sys) {}
  ~ErrorRows() { IpiFree(sys_, block_); }
  ErrorRows(const ErrorRows&) = delete;
  ErrorRows& operator=(const ErrorRows&) = delete;

  int Allocate(int64_t width) {
    width_ = width;
    block_ = static_cast<int32_t*>(IpiAlloc(sys_, static_cast<size_t>(2 * width) * sizeof(int32_t)));
    if (block_ == nullptr) return IpiGetLastError(sys_);
    current_ = block_;
    next_ = block_ + width;
    return kIpiNoError;
  }
  void Clear() { std::memset(block_, 0, static_cast<size_t>(2 * width_) * sizeof(int32_t)); }
  // The next row becomes the current one; the new next row starts at zero.
  void Advance() {
    std::swap(current_, next_);
    std::memset(next_, 0, static_cast<size_t>(width_) * sizeof(int32_t));
  }
  int32_t* current() const { return current_; }
  int32_t* next() const { return next_; }

 private:
  IpiSystem* sys_;
  int64_t width_ = 0;
  int32_t* block_ = nullptr;
  int32_t* current_ = nullptr;
  int32_t* next_ = nullptr;
};

// Spreads the error of the element at sx; nothing passes the source's edges.
inline void Push(int32_t* current, int32_t* next, int64_t sx, int64_t width, bool has_row_below, int32_t error) {
  const bool has_right = sx + 1 < width;
  if (has_right) current[sx + 1] += kWeightRight * error;
  if (!has_row_below) return;
  if (sx >= 1) next[sx - 1] += kWeightLowerLeft * error;
  next[sx] += kWeightBelow * error;
  if (has_right) next[sx + 1] += kWeightLowerRight * error;
}

}  // namespace

int IpiErrorDiffusion(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* levels) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (IpiSystemValue(sys, IpiSystemAttribute::kErrorDiffusion) != kErrorDiffusionFloydSteinberg) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, source));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, destination, {kDataTypeBoolean, kDataTypeNonnegative}));
  const bool is_bitmap = destination->fields.data_type == kDataTypeBoolean;
  IPI_RETURN_IF_ERROR(is_bitmap ? RequireBitmapImage(sys, destination) : RequireByteImage(sys, destination));
  const int32_t max_value = MaxSampleValue(*source);

  int32_t steps[kMaxLevelBands] = {};
  if (!is_bitmap) {
    int32_t level_counts[kMaxLevelBands] = {};
    const int bands = source->fields.dimension[kDimB];
    IPI_RETURN_IF_ERROR(ReadLevels(sys, levels, bands, max_value + 1, level_counts));
    for (int b = 0; b < bands; ++b) steps[b] = max_value / (level_counts[b] - 1);
  }
  const int64_t width = source->fields.dimension[kDimX];
  const int64_t height = source->fields.dimension[kDimY];
  ErrorRows errors(sys);
  if (width > 0) IPI_RETURN_IF_ERROR(errors.Allocate(width));

  // 2 v' > 2^P, as v' > 2^(P-1) for whole numbers.
  const int32_t half_range = (max_value + 1) / 2;
  bool started = false;
  int64_t plane[3] = {};
  ScratchRow scratch;
  return RunFrame(sys, BandWalk::kWalk, {FrameImage{source}}, {FrameImage{destination}}, [&](const FrameRow& row) {
    if (!started || row.b != plane[0] || row.t != plane[1] || row.z != plane[2]) {
      errors.Clear();
      started = true;
      plane[0] = row.b;
      plane[1] = row.t;
      plane[2] = row.z;
    }
    const RowRef& in = row.source(0);
    const RowRef& out = row.destination(0);
    int32_t* current = errors.current();
    int32_t* next = errors.next();
    const bool has_row_below = in.y + 1 < height;
    const int64_t count = row.count;
    // Locals, so that the byte stores below cannot force them to be reloaded.
    const int64_t row_width = width;
    const int32_t top = max_value;
    const int32_t half = half_range;
    if (is_bitmap) {
      uint8_t* bits = scratch.Get(count);
      for (int64_t i = 0; i < count; ++i) {
        bits[i] = 0;
        if (!row.gate.open(i)) continue;
        const int64_t sx = in.x + i;
        const int32_t value = in.data[i] + current[sx] / kWeightSum;
        const bool is_set = value > half;
        bits[i] = is_set ? 1 : 0;
        Push(current, next, sx, row_width, has_row_below, value - (is_set ? top : 0));
      }
      PackBits(out, bits, row.gate);
    } else {
      const int32_t step = steps[in.band];
      for (int64_t i = 0; i < count; ++i) {
        if (!row.gate.open(i)) continue;
        const int64_t sx = in.x + i;
        const int32_t value = in.data[i] + current[sx] / kWeightSum;
        int32_t level = 0;
        if (value > top) {
          level = top;
        } else if (value > 0) {
          const int32_t base = value / step * step;
          level = 2 * (value - base) > step ? std::min(base + step, top) : base;
        }
        out.data[i] = static_cast<uint8_t>(level);
        Push(current, next, sx, row_width, has_row_below, value - level);
      }
    }
    errors.Advance();
  });
}
