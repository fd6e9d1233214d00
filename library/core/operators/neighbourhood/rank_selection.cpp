// Rank selection over rows; see rank_selection.h.
#include "core/operators/neighbourhood/rank_selection.h"

#include <algorithm>
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

// Keeps the comparators whose result can reach wire `wanted`.
template <typename Comparator>
std::vector<Comparator> PruneNetwork(const std::vector<Comparator>& network, int32_t n, int32_t wanted) {
  std::vector<bool> needed(static_cast<size_t>(n), false);
  needed[static_cast<size_t>(wanted)] = true;
  std::vector<Comparator> kept;
  for (auto it = network.rbegin(); it != network.rend(); ++it) {
    if (!needed[static_cast<size_t>(it->low)] && !needed[static_cast<size_t>(it->high)]) continue;
    needed[static_cast<size_t>(it->low)] = needed[static_cast<size_t>(it->high)] = true;
    kept.push_back(*it);
  }
  std::reverse(kept.begin(), kept.end());
  return kept;
}

}  // namespace

RankSelector::RankSelector(const WindowShape& shape, const std::vector<uint8_t>& mask, int64_t rank)
    : shape_(shape) {
  const int32_t w = shape.width;
  auto taking_part = [&](int32_t row, int32_t column) {
    return column >= 0 && column < w && mask[static_cast<size_t>(row) * static_cast<size_t>(w) + static_cast<size_t>(column)] != 0;
  };
  for (int32_t r = 0; r < shape.height; ++r) {
    for (int32_t c = 0; c < w; ++c) {
      if (taking_part(r, c)) cells_.push_back({r, c});
    }
  }
  const int32_t n = cells();
  if (n == 0) return;
  rank_ = static_cast<int32_t>(std::clamp<int64_t>(rank, 1, n));
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
}

void RankSelector::Select(const uint8_t* const* rows, int64_t count, uint8_t* out) const {
  if (cells_.empty()) {
    std::memset(out, 0, static_cast<size_t>(count));
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
      std::memcpy(wires + k * kNetworkChunk, rows[cells_[k].row] + first + cells_[k].column, static_cast<size_t>(length));
    }
    for (const Comparator& comparator : network_) {
      uint8_t* __restrict low = wires + static_cast<size_t>(comparator.low) * kNetworkChunk;
      uint8_t* __restrict high = wires + static_cast<size_t>(comparator.high) * kNetworkChunk;
      for (int64_t j = 0; j < length; ++j) {
        const uint8_t a = low[j];
        const uint8_t b = high[j];
        low[j] = std::min(a, b);
        high[j] = std::max(a, b);
      }
    }
    std::memcpy(out + first, wires + static_cast<size_t>(rank_ - 1) * kNetworkChunk, static_cast<size_t>(length));
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
  for (int64_t i = 1; i < count; ++i) {
    const int64_t previous = i - 1;
    for (const Edge& edge : leaving_) {
      const uint8_t v = rows[edge.row][previous + edge.offset];
      --histogram[v];
      below -= v < value;
    }
    for (const Edge& edge : entering_) {
      const uint8_t v = rows[edge.row][previous + edge.offset];
      ++histogram[v];
      below += v < value;
    }
    settle();
    out[i] = static_cast<uint8_t>(value);
  }
}
