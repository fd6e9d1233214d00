// What every neighbourhood operator shares: the boundary rule for windows that
// leave the image, the shape checks of kernels and masks, reading their cells,
// and the padded rows a row kernel reads its windows from. A padded row holds
// the source columns x0 - margin .. x0 + count - 1 + margin of one window row,
// with the boundary rule already applied, so the row kernels never test an
// index against the image.
#ifndef PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_NEIGHBOURHOOD_WINDOW_H_
#define PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_NEIGHBOURHOOD_WINDOW_H_

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "core/objects/object.h"
#include "core/operators/operator_frame.h"
#include "core/system/system.h"

// "boundaryCondition" (a system attribute).
inline constexpr int32_t kBoundaryMirror = 165;  // reflect about the edge, the edge sample repeated
inline constexpr int32_t kBoundaryClip = 231;    // cells outside the image count as 0 (the default)

enum class Boundary {
  kMirror,
  kClip,
  kZeroWindow,  // any other value: an element whose window leaves the image gets 0
};

[[nodiscard]] Boundary BoundaryFromCode(int32_t code);
[[nodiscard]] Boundary SystemBoundary(const IpiSystem* sys);

// The mirror rule folded as often as needed: -1 reads 0, -2 reads 1, extent
// reads extent - 1, and a window wider than the image keeps folding, so the
// result always lies in 0 .. extent - 1 (extent at least 1).
[[nodiscard]] inline int64_t FoldIndex(int64_t position, int64_t extent) {
  const int64_t period = 2 * extent;
  int64_t p = position % period;
  if (p < 0) p += period;
  return p < extent ? p : period - 1 - p;
}

// Window arrays of the neighbourhood filters: each side odd (16 otherwise)
// and at most 15 (3 otherwise).
inline constexpr int32_t kMaxFilterWindow = 15;
// Convolution kernels: each side a positive odd integer (16), and not both
// sides 16 or more (3).
inline constexpr int32_t kLargeKernelSide = 16;

enum class WindowLimit { kFilter, kConvolution };

struct WindowShape {
  int32_t width = 0;
  int32_t height = 0;
  int32_t half_width() const { return width / 2; }
  int32_t half_height() const { return height / 2; }
};

// Checks the array's "xDimension" and "yDimension" against `limit`: 0, 9
// (not live), 16 or 3, reported.
[[nodiscard]] int CheckWindowShape(IpiSystem* sys, IpiObject* array, WindowLimit limit, WindowShape* shape);

// The cells of the first plane of a window array, row by row. 16-bit cells
// (dataType 174) and 32-bit reals (161) are in host order, as the builders of
// this library write them; mask cells are bytes. The array's stored bits must
// match its type (10 otherwise); 0 or the reported error.
[[nodiscard]] int ReadIntegerCells(IpiSystem* sys, IpiObject* array, const WindowShape& shape,
                                   std::vector<int16_t>& cells);
[[nodiscard]] int ReadRealCells(IpiSystem* sys, IpiObject* array, const WindowShape& shape,
                                std::vector<float>& cells);
[[nodiscard]] int ReadByteCells(IpiSystem* sys, IpiObject* array, const WindowShape& shape,
                                std::vector<uint8_t>& cells);

// Writes `cells` (one plane's worth, `cell_bytes` each, row by row) into every
// plane of an array. 0 or the reported error.
[[nodiscard]] int WriteCellsToEveryPlane(IpiSystem* sys, IpiObject* array, const void* cells, int32_t cell_bytes);

// 10 unless source and destination are 8-bit dataType 153 images.
[[nodiscard]] int RequireByteImages(IpiSystem* sys, IpiObject* source, IpiObject* destination);

// The padded rows of one frame row of a windowed 8-bit source. Rows are
// prepared once as they enter the window and reused while they stay in it.
class PaddedWindow {
 public:
  // `shape` is the window (its half sizes are the margins); `count` the
  // elements of a frame row, `x0` the source x of the row's first element.
  PaddedWindow(const WindowShape& shape, Boundary boundary, int64_t source_width, int64_t source_height,
               int64_t x0, int64_t count);

  // Prepares the rows around `middle` (a frame row of the windowed source).
  void Load(const RowRef& middle);
  // The same for row y of a source whose rows are elsewhere: line_of(r)
  // gives source column 0 of row r (0 .. source_height - 1). A window that
  // reaches past the row's ends (x0 0 and a width above 1 always does)
  // copies each line once as it enters, so the line need only last for this
  // call; otherwise the rows point into the lines.
  template <typename LineOf>
  void LoadLines(int64_t y, LineOf line_of) {
    if (y != last_y_ + 1) std::fill(slot_rows_.begin(), slot_rows_.end(), -1);
    last_y_ = y;
    for (int32_t k = 0; k < shape_.height; ++k) {
      const int64_t row = SourceRowOf(y, k);
      rows_[static_cast<size_t>(k)] = row < 0 ? zero_row_.data() : Prepare(line_of(row), row);
    }
    FindInside(y);
  }
  // Window row k (0 .. height - 1, the row y - height/2 + k): padded column i
  // is source column x0 - width/2 + i, for i in 0 .. count + width - 2.
  const uint8_t* Row(int32_t k) const { return rows_[static_cast<size_t>(k)]; }
  const uint8_t* const* Rows() const { return rows_.data(); }
  int64_t padded_width() const { return padded_width_; }

  // Elements whose whole window lies inside the image: [first, last) of the
  // current row (empty when the row's window leaves the image vertically).
  int64_t inside_first() const { return inside_first_; }
  int64_t inside_last() const { return inside_last_; }
  Boundary boundary() const { return boundary_; }

  // Under a boundary that gives 0 to every element whose window leaves the
  // image: those of the row's `count` values become 0.
  template <typename T>
  void ZeroOutside(T* values, int64_t count) const {
    if (boundary_ != Boundary::kZeroWindow) return;
    std::fill(values, values + inside_first_, T{0});
    std::fill(values + inside_last_, values + count, T{0});
  }

 private:
  // The source row read for window row k of row y (folded under the mirror
  // rule), or -1 for a row of zeros.
  int64_t SourceRowOf(int64_t y, int32_t k) const;
  void FindInside(int64_t y);
  // `line` is source column 0 of `source_row`.
  const uint8_t* Prepare(const uint8_t* line, int64_t source_row);

  WindowShape shape_;
  Boundary boundary_;
  int64_t width_;
  int64_t height_;
  int64_t x0_;
  int64_t count_;
  int64_t padded_width_;
  bool needs_copy_;  // some padded column lies outside the image
  int64_t plane_ = -1;
  int64_t last_y_ = -1;
  int64_t inside_first_ = 0;
  int64_t inside_last_ = 0;
  std::vector<uint8_t> zero_row_;
  std::vector<uint8_t> slots_;       // height slots of padded_width bytes
  std::vector<int64_t> slot_rows_;   // source row held by each slot, -1 none
  std::vector<const uint8_t*> rows_;
};

// The per-run state of a windowed filter on the frame: the padded window
// (made at the first row, when the region's x range is known), a result row
// and the store into the destination under the gate.
class NeighbourhoodRows {
 public:
  NeighbourhoodRows(const WindowShape& shape, Boundary boundary) : shape_(shape), boundary_(boundary) {}

  const PaddedWindow& Load(const RowRef& source) {
    if (!window_) {
      window_.emplace(shape_, boundary_, source.accessor->dimension[kDimX], source.accessor->dimension[kDimY],
                      source.x, source.count);
      result_.resize(static_cast<size_t>(source.count));
    }
    window_->Load(source);
    return *window_;
  }
  uint8_t* Result() { return result_.data(); }

  // Writes `values` into the destination row where the gate is open.
  static void Store(const uint8_t* values, const RowRef& out, const Gate& gate) {
    if (gate.none()) {
      std::memcpy(out.data, values, static_cast<size_t>(out.count));
      return;
    }
    const uint8_t* open = gate.flags();
    for (int64_t i = 0; i < out.count; ++i) {
      if (open[i] != 0) out.data[i] = values[i];
    }
  }

 private:
  WindowShape shape_;
  Boundary boundary_;
  std::optional<PaddedWindow> window_;
  std::vector<uint8_t> result_;
};

#endif  // PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_NEIGHBOURHOOD_WINDOW_H_
