// Rank selection over rows; see rank_selection.h.
#include "core/operators/neighbourhood/rank_selection.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace {

constexpr int64_t kNetworkChunk = 256;
constexpr int kValues = 256;

// Batcher's odd-even merge sort for the next power of two at or above n,
// without the comparators that touch a wire at or above n: those wires would
// hold values above every real one, which no comparator moves.
template <typename Comparator>
std::vector<Comparator> OddEvenMergeNetwork(int32_t n) {
  std::vector<Comparator> network;
  int32_t size = 1;
  while (size < n) size *= 2;
  for (int32_t p = 1; p < size; p *= 2) {
    for (int32_t k = p; k >= 1; k /= 2) {
      for (int32_t j = k % p; j + k < size; j += 2 * k) {
        for (int32_t i = 0; i < std::min(k, size - j - k); ++i) {
          const int32_t a = i + j;
          const int32_t b = i + j + k;
          if (a / (2 * p) == b / (2 * p) && b < n) network.push_back({a, b});
        }
      }
    }
  }
  return network;
}

// Keeps the comparators whose result can reach wire `wanted`, and marks
// those of which only one output is read later: they need only the minimum
// (or only the maximum).
template <typename Comparator>
std::vector<Comparator> PruneNetwork(const std::vector<Comparator>& network, int32_t n, int32_t wanted) {
  std::vector<uint8_t> needed(static_cast<size_t>(n), 0);
  needed[static_cast<size_t>(wanted)] = 1;
  std::vector<Comparator> kept;
  for (auto it = network.rbegin(); it != network.rend(); ++it) {
    const bool low = needed[static_cast<size_t>(it->low)] != 0;
    const bool high = needed[static_cast<size_t>(it->high)] != 0;
    if (!low && !high) continue;
    Comparator c = *it;
    c.outputs = low && high ? Comparator::kBoth : low ? Comparator::kLowOnly : Comparator::kHighOnly;
    needed[static_cast<size_t>(it->low)] = needed[static_cast<size_t>(it->high)] = 1;
    kept.push_back(c);
  }
  std::reverse(kept.begin(), kept.end());
  return kept;
}

// One comparator over a chunk: the smaller values to `low`, the larger to
// `high` (separate wires, so the loop runs in vector registers).
[[gnu::target_clones("avx2", "default")]] void CompareExchange(uint8_t* __restrict low, uint8_t* __restrict high,
                                                               int64_t length) {
  for (int64_t j = 0; j < length; ++j) {
    const uint8_t a = low[j];
    const uint8_t b = high[j];
    low[j] = std::min(a, b);
    high[j] = std::max(a, b);
  }
}

[[gnu::target_clones("avx2", "default")]] void KeepMinimum(uint8_t* __restrict low, const uint8_t* __restrict high,
                                                           int64_t length) {
  for (int64_t j = 0; j < length; ++j) low[j] = std::min(low[j], high[j]);
}

[[gnu::target_clones("avx2", "default")]] void KeepMaximum(const uint8_t* __restrict low, uint8_t* __restrict high,
                                                           int64_t length) {
  for (int64_t j = 0; j < length; ++j) high[j] = std::max(low[j], high[j]);
}

inline uint8_t Median3(uint8_t a, uint8_t b, uint8_t c) {
  return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// Each column of three rows sorted: its minimum, middle and maximum.
[[gnu::target_clones("avx2", "default")]] void SortColumns3(const uint8_t* __restrict r0, const uint8_t* __restrict r1,
                                                            const uint8_t* __restrict r2, uint8_t* __restrict lows,
                                                            uint8_t* __restrict middles, uint8_t* __restrict highs,
                                                            int64_t length) {
  for (int64_t j = 0; j < length; ++j) {
    const uint8_t a = r0[j], b = r1[j], c = r2[j];
    lows[j] = std::min(std::min(a, b), c);
    highs[j] = std::max(std::max(a, b), c);
    middles[j] = Median3(a, b, c);
  }
}

// The median of nine from three sorted columns: the median of the largest
// minimum, the middle middle and the smallest maximum.
[[gnu::target_clones("avx2", "default")]] void MedianOfColumns3(const uint8_t* __restrict lows,
                                                                const uint8_t* __restrict middles,
                                                                const uint8_t* __restrict highs,
                                                                uint8_t* __restrict out, int64_t length) {
  for (int64_t j = 0; j < length; ++j) {
    const uint8_t low = std::max(std::max(lows[j], lows[j + 1]), lows[j + 2]);
    const uint8_t high = std::min(std::min(highs[j], highs[j + 1]), highs[j + 2]);
    const uint8_t middle = Median3(middles[j], middles[j + 1], middles[j + 2]);
    out[j] = Median3(low, middle, high);
  }
}

}  // namespace

RankSelector::RankSelector(const WindowShape& shape, const std::vector<uint8_t>& mask, int64_t rank)
    : shape_(shape) {
  const int32_t w = shape.width;
  auto taking_part = [&](int32_t row, int32_t column) {
    return column >= 0 && column < w && mask[static_cast<size_t>(row * w + column)] != 0;
  };
  for (int32_t r = 0; r < shape.height; ++r) {
    for (int32_t c = 0; c < w; ++c) {
      if (taking_part(r, c)) cells_.push_back({r, c});
    }
  }
  const int32_t n = cells();
  if (n == 0) return;
  rank_ = static_cast<int32_t>(std::clamp<int64_t>(rank, 1, n));
  if (shape.width == 3 && shape.height == 3 && n == 9 && rank_ == 5) {
    is_median3x3_ = true;
    wires_.resize(3 * static_cast<size_t>(kNetworkChunk + 2));
    return;
  }
  if (n <= kMaxNetworkCells) {
    network_ = PruneNetwork(OddEvenMergeNetwork<Comparator>(n), n, rank_ - 1);
    wires_.resize(static_cast<size_t>(n) * kNetworkChunk);
    return;
  }
  // From one element to the next, padded column (previous first column + d)
  // enters where mask column d - 1 takes part and d does not, and leaves
  // where d takes part and d - 1 does not (columns outside the mask do not).
  for (int32_t r = 0; r < shape.height; ++r) {
    for (int32_t d = 0; d <= w; ++d) {
      const bool now = taking_part(r, d - 1);
      const bool before = taking_part(r, d);
      if (now && !before) entering_.push_back({r, d});
      if (before && !now) leaving_.push_back({r, d});
    }
  }
  assert(leaving_.size() == entering_.size());
  leaving_columns_.resize(leaving_.size());
  entering_columns_.resize(entering_.size());
}

void RankSelector::Select(const uint8_t* const* rows, int64_t count, uint8_t* out) const {
  if (cells_.empty()) {
    std::memset(out, 0, static_cast<size_t>(count));
  } else if (is_median3x3_) {
    SelectMedian3x3(rows, count, out);
  } else if (uses_network()) {
    SelectByNetwork(rows, count, out);
  } else {
    SelectByHistogram(rows, count, out);
  }
}

void RankSelector::SelectByNetwork(const uint8_t* const* rows, int64_t count, uint8_t* out) const {
  uint8_t* wires = wires_.data();
  for (int64_t first = 0; first < count; first += kNetworkChunk) {
    const int64_t length = std::min(kNetworkChunk, count - first);
    for (size_t k = 0; k < cells_.size(); ++k) {
      const uint8_t* from = rows[cells_[k].row] + first + cells_[k].column;
      std::memcpy(wires + k * kNetworkChunk, from, static_cast<size_t>(length));
    }
    for (const Comparator& comparator : network_) {
      uint8_t* low = wires + static_cast<size_t>(comparator.low) * kNetworkChunk;
      uint8_t* high = wires + static_cast<size_t>(comparator.high) * kNetworkChunk;
      switch (comparator.outputs) {
        case Comparator::kBoth: CompareExchange(low, high, length); break;
        case Comparator::kLowOnly: KeepMinimum(low, high, length); break;
        case Comparator::kHighOnly: KeepMaximum(low, high, length); break;
      }
    }
    std::memcpy(out + first, wires + static_cast<size_t>(rank_ - 1) * kNetworkChunk, static_cast<size_t>(length));
  }
}

void RankSelector::SelectMedian3x3(const uint8_t* const* rows, int64_t count, uint8_t* out) const {
  const size_t stride = kNetworkChunk + 2;
  uint8_t* lows = wires_.data();
  uint8_t* middles = lows + stride;
  uint8_t* highs = middles + stride;
  for (int64_t first = 0; first < count; first += kNetworkChunk) {
    const int64_t length = std::min(kNetworkChunk, count - first);
    // Element j's window covers padded columns j .. j + 2.
    SortColumns3(rows[0] + first, rows[1] + first, rows[2] + first, lows, middles, highs, length + 2);
    MedianOfColumns3(lows, middles, highs, out + first, length);
  }
}

void RankSelector::SelectByHistogram(const uint8_t* const* rows, int64_t count, uint8_t* out) const {
  if (count <= 0) return;
  int32_t histogram[kValues] = {};
  for (const Cell& cell : cells_) ++histogram[rows[cell.row][cell.column]];
  // value: the current answer; below: how many window values lie under it.
  int32_t value = 0;
  int32_t below = 0;
  const int32_t rank = rank_;
  auto settle = [&]() {
    while (below + histogram[value] < rank) below += histogram[value++];
    while (below >= rank) below -= histogram[--value];
  };
  settle();
  out[0] = static_cast<uint8_t>(value);
  // Each mask row's edges come in pairs (an interval of cells that take part
  // has one cell leaving and one entering at every step), so they are
  // walked side by side from pointers set once per row.
  const size_t edges = entering_.size();
  for (size_t k = 0; k < edges; ++k) {
    leaving_columns_[k] = rows[leaving_[k].row] + leaving_[k].offset;
    entering_columns_[k] = rows[entering_[k].row] + entering_[k].offset;
  }
  const uint8_t* const* leaving = leaving_columns_.data();
  const uint8_t* const* entering = entering_columns_.data();
  for (int64_t i = 1; i < count; ++i) {
    const int64_t previous = i - 1;
    int32_t change = 0;
    for (size_t k = 0; k < edges; ++k) {
      const uint8_t gone = leaving[k][previous];
      const uint8_t come = entering[k][previous];
      --histogram[gone];
      ++histogram[come];
      change += static_cast<int32_t>(come < value) - static_cast<int32_t>(gone < value);
    }
    below += change;
    settle();
    out[i] = static_cast<uint8_t>(value);
  }
}
