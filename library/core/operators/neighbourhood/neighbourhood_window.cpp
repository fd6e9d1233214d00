// Boundary rule, window checks, cell reading and padded rows; see
// neighbourhood_window.h.
#include "core/operators/neighbourhood/neighbourhood_window.h"

#include <algorithm>
#include <cstring>

#include "core/codes.h"
#include "core/status.h"
#include "core/streams/stream.h"

namespace {

constexpr int32_t kByteBits = 8;
constexpr int32_t kIntegerCellBits = 16;
constexpr int32_t kRealCellBits = 32;

// Copies the first plane's cells, `bytes_per_cell` each, row by row, into `out`.
int ReadCells(IpiSystem* sys, IpiObject* array, const WindowShape& shape, int32_t data_type, int32_t bits,
              void* out) {
  IPI_RETURN_IF_ERROR(RequireDataType(sys, array, data_type));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, array, bits));
  ScopedAccessor accessor;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, array, AccessMode::kRead, 1, accessor));
  const size_t row_bytes = static_cast<size_t>(shape.width) * static_cast<size_t>(bits / kByteBits);
  auto* to = static_cast<uint8_t*>(out);
  for (int64_t y = 0; y < shape.height; ++y) {
    const uint8_t* row = IpiGetInputRow(sys, accessor.stream(), y * shape.width);
    if (row == nullptr) return IpiGetLastError(sys);
    std::memcpy(to + static_cast<size_t>(y) * row_bytes, row, row_bytes);
  }
  return accessor.Close();
}

}  // namespace

Boundary BoundaryFromCode(int32_t code) {
  if (code == kBoundaryMirror) return Boundary::kMirror;
  if (code == kBoundaryClip) return Boundary::kClip;
  return Boundary::kZeroWindow;
}

Boundary SystemBoundary(const IpiSystem* sys) {
  return BoundaryFromCode(IpiSystemValue(sys, IpiSystemAttribute::kBoundaryCondition));
}

int CheckWindowShape(IpiSystem* sys, IpiObject* array, WindowLimit limit, WindowShape* shape) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (IpiCheckObject(sys, array) == nullptr) return IpiGetLastError(sys);
  const int32_t width = array->fields.dimension[kDimX];
  const int32_t height = array->fields.dimension[kDimY];
  if (width < 1 || height < 1 || width % 2 == 0 || height % 2 == 0) return IpiRefuse(sys, kIpiNotPositiveOdd);
  const bool too_large = limit == WindowLimit::kFilter
                             ? (width > kMaxFilterWindow || height > kMaxFilterWindow)
                             : (width >= kLargeKernelSide && height >= kLargeKernelSide);
  if (too_large) return IpiRefuse(sys, kIpiExceedImplementation);
  shape->width = width;
  shape->height = height;
  return kIpiNoError;
}

int ReadIntegerCells(IpiSystem* sys, IpiObject* array, const WindowShape& shape, std::vector<int16_t>& cells) {
  cells.assign(static_cast<size_t>(shape.width) * static_cast<size_t>(shape.height), 0);
  return ReadCells(sys, array, shape, kDataTypeSigned, kIntegerCellBits, cells.data());
}

int ReadRealCells(IpiSystem* sys, IpiObject* array, const WindowShape& shape, std::vector<float>& cells) {
  cells.assign(static_cast<size_t>(shape.width) * static_cast<size_t>(shape.height), 0.0f);
  return ReadCells(sys, array, shape, kDataTypeReal, kRealCellBits, cells.data());
}

int ReadByteCells(IpiSystem* sys, IpiObject* array, const WindowShape& shape, std::vector<uint8_t>& cells) {
  cells.assign(static_cast<size_t>(shape.width) * static_cast<size_t>(shape.height), 0);
  return ReadCells(sys, array, shape, kDataTypeNonnegative, kByteBits, cells.data());
}

int WriteCellsToEveryPlane(IpiSystem* sys, IpiObject* array, const void* cells, int32_t cell_bytes) {
  int32_t bits = 0;
  IPI_RETURN_IF_ERROR(GetStoredBits(sys, array, &bits));
  if (bits != cell_bytes * kByteBits) return IpiRefuse(sys, kIpiMismatchDataType);
  // The planes the array's class stores: a window array holds one, an image
  // class every z, t and b.
  int64_t elements = 0;
  int64_t bytes = 0;
  IPI_RETURN_IF_ERROR(IpiObjectDataSize(sys, *array, &elements, &bytes, &bits));
  const int32_t* n = array->fields.dimension;
  const int64_t plane_elements = int64_t{n[kDimX]} * n[kDimY];
  const int64_t planes = plane_elements > 0 ? elements / plane_elements : 0;
  const size_t row_bytes = static_cast<size_t>(n[kDimX]) * static_cast<size_t>(cell_bytes);
  ScopedAccessor accessor;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, array, AccessMode::kWrite, 1, accessor));
  const auto* from = static_cast<const uint8_t*>(cells);
  for (int64_t plane = 0; plane < planes; ++plane) {
    for (int64_t y = 0; y < n[kDimY]; ++y) {
      const int64_t element = (plane * n[kDimY] + y) * n[kDimX];
      uint8_t* row = IpiGetOutputRow(sys, accessor.stream(), element);
      if (row == nullptr) return IpiGetLastError(sys);
      std::memcpy(row, from + static_cast<size_t>(y) * row_bytes, row_bytes);
      IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, accessor.stream(), element));
    }
  }
  return accessor.Close();
}

int RequireByteImages(IpiSystem* sys, IpiObject* source, IpiObject* destination) {
  IPI_RETURN_IF_ERROR(RequireDataType(sys, source, kDataTypeNonnegative));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, destination, kDataTypeNonnegative));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, source, kByteBits));
  return RequireStoredBits(sys, destination, kByteBits);
}

PaddedWindow::PaddedWindow(const WindowShape& shape, Boundary boundary, int64_t source_width,
                           int64_t source_height, int64_t x0, int64_t count)
    : shape_(shape),
      boundary_(boundary),
      width_(source_width),
      height_(source_height),
      x0_(x0),
      count_(count),
      padded_width_(count + shape.width - 1),
      needs_copy_(x0 - shape.half_width() < 0 || x0 + count - 1 + shape.half_width() >= source_width),
      zero_row_(static_cast<size_t>(padded_width_), 0),
      rows_(static_cast<size_t>(shape.height), nullptr) {
  if (needs_copy_) {
    slots_.resize(static_cast<size_t>(padded_width_) * static_cast<size_t>(shape.height));
    slot_rows_.assign(static_cast<size_t>(shape.height), -1);
  }
}

void PaddedWindow::Load(const RowRef& middle) {
  const int64_t plane = middle.row_element - middle.y * width_;
  if (plane != plane_) std::fill(slot_rows_.begin(), slot_rows_.end(), -1);  // rows of another plane
  plane_ = plane;
  // A window of one row is the frame's plain row, whose data starts at x0.
  LoadLines(middle.y, [&](int64_t row) {
    return shape_.height == 1 ? middle.data - middle.x  // source column 0
                              : middle.WindowRow(static_cast<int>(row - middle.y)).window_middle;
  });
}

int64_t PaddedWindow::SourceRowOf(int64_t y, int32_t k) const {
  const int64_t row = y - shape_.half_height() + k;
  if (row >= 0 && row < height_) return row;
  return boundary_ == Boundary::kMirror ? FoldIndex(row, height_) : -1;
}

void PaddedWindow::FindInside(int64_t y) {
  // Elements whose window stays inside the image horizontally and vertically.
  const int32_t h = shape_.half_height();
  const int64_t w = shape_.half_width();
  if (y - h < 0 || y + h >= height_) {
    inside_first_ = inside_last_ = 0;
    return;
  }
  inside_first_ = std::clamp<int64_t>(w - x0_, 0, count_);
  inside_last_ = std::clamp<int64_t>(width_ - w - x0_, inside_first_, count_);
}

const uint8_t* PaddedWindow::Prepare(const uint8_t* line, int64_t source_row) {
  // A folded row lies no farther from the middle row than the row it stands
  // for, so it is always inside the source's window.
  const int64_t first_column = x0_ - shape_.half_width();
  if (!needs_copy_) return line + first_column;

  // Rows that enter the window are padded once; source rows within one window
  // are fewer than its height apart, so row mod height names a unique slot.
  const size_t index = static_cast<size_t>(source_row % shape_.height);
  uint8_t* out = slots_.data() + index * static_cast<size_t>(padded_width_);
  if (slot_rows_[index] == source_row) return out;
  slot_rows_[index] = source_row;

  const int64_t inside_from = std::clamp<int64_t>(-first_column, 0, padded_width_);
  const int64_t inside_to = std::clamp<int64_t>(width_ - first_column, inside_from, padded_width_);
  if (inside_to > inside_from) {
    std::memcpy(out + inside_from, line + first_column + inside_from, static_cast<size_t>(inside_to - inside_from));
  }
  if (boundary_ == Boundary::kMirror) {
    for (int64_t i = 0; i < inside_from; ++i) out[i] = line[FoldIndex(first_column + i, width_)];
    for (int64_t i = inside_to; i < padded_width_; ++i) out[i] = line[FoldIndex(first_column + i, width_)];
  } else {
    std::memset(out, 0, static_cast<size_t>(inside_from));
    std::memset(out + inside_to, 0, static_cast<size_t>(padded_width_ - inside_to));
  }
  return out;
}
