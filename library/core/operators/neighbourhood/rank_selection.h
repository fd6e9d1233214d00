// The rank-th smallest value under a mask, for a whole row at once, from
// padded rows (neighbourhood_window.h). The result is exactly the rank-th
// value of the sorted window; only the way to it depends on the window:
//  - the median of a full 3 x 3 window: each column of three sorted once and
//    shared by the three windows that hold it; the median of nine is the
//    median of the largest column minimum, the middle column middle and the
//    smallest column maximum;
//  - few cells (at most 25): a sorting network over the cells, pruned to the
//    comparators that reach the wanted position, run on a chunk of elements
//    at a time with byte minimum and maximum;
//  - more cells: a histogram of the window that slides along the row (the
//    cells that enter and leave at each step are the mask's edges), with the
//    rank's position tracked from the previous element.
#ifndef PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_RANK_SELECTION_H_
#define PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_RANK_SELECTION_H_

#include <array>
#include <cstdint>
#include <vector>

#include "core/operators/neighbourhood/neighbourhood_window.h"

// Windows of at most this many taking-part cells use the sorting network.
inline constexpr int32_t kMaxNetworkCells = 25;

class RankSelector {
 public:
  // `mask` holds shape.width x shape.height bytes, row by row; a cell takes
  // part when its byte is not 0. The rank is held to 1 .. cells taking part;
  // with no cell taking part every result is 0.
  RankSelector(const WindowShape& shape, const std::vector<uint8_t>& mask, int64_t rank);

  int32_t cells() const { return static_cast<int32_t>(cells_.size()); }
  int32_t rank() const { return rank_; }
  bool uses_network() const { return !cells_.empty() && cells() <= kMaxNetworkCells; }

  // The rank-th value of each of `count` windows; rows[k] is padded row k.
  void Select(const uint8_t* const* rows, int64_t count, uint8_t* out) const;

 private:
  struct Cell {
    int32_t row;
    int32_t column;
  };
  struct Comparator {
    enum Outputs : uint8_t { kBoth, kLowOnly, kHighOnly };
    int32_t low;
    int32_t high;
    Outputs outputs = kBoth;
  };
  struct Edge {
    int32_t row;
    int32_t offset;  // padded column of the cell, from the previous element's first column
  };

  void SelectByNetwork(const uint8_t* const* rows, int64_t count, uint8_t* out) const;
  void SelectMedian3x3(const uint8_t* const* rows, int64_t count, uint8_t* out) const;
  void SelectByHistogram(const uint8_t* const* rows, int64_t count, uint8_t* out) const;

  WindowShape shape_;
  std::vector<Cell> cells_;  // taking part, row by row
  int32_t rank_ = 0;
  bool is_median3x3_ = false;  // the full 3 x 3 median: from sorted columns
  std::vector<Comparator> network_;
  std::vector<Edge> entering_;
  std::vector<Edge> leaving_;
  mutable std::vector<uint8_t> wires_;
  // Where each edge's cell lies for element 0 (set once per row).
  mutable std::vector<const uint8_t*> leaving_columns_;
  mutable std::vector<const uint8_t*> entering_columns_;  // the network's chunk of values per cell
};

#endif  // PELRITH_CORE_OPERATORS_NEIGHBOURHOOD_RANK_SELECTION_H_
