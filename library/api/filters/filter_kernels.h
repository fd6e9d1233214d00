// The fixed kernels and masks of the neighbourhood-filter entry points. Both
// roads take them from here: the one through image objects and the one over
// the caller's rows.
#ifndef PELRITH_API_FILTERS_FILTER_KERNELS_H_
#define PELRITH_API_FILTERS_FILTER_KERNELS_H_

#include <cstdint>

#include "api/filters/neighbourhood_filter.h"
#include "core/operators/neighbourhood/sharpen_emboss.h"

inline constexpr int32_t kFilterKernelSide = 3;

inline constexpr Kernel3x3 kBoxKernel{{1, 1, 1, 1, 1, 1, 1, 1, 1}, 9};
inline constexpr Kernel3x3 kEdgeEnhanceKernel{{0, -1, 0, -1, 5, -1, 0, -1, 0}, 1};
inline constexpr Kernel3x3 kHorizontalEdgeKernel{{-1, -2, -1, 0, 0, 0, 1, 2, 1}, 4};
inline constexpr Kernel3x3 kVerticalEdgeKernel{{1, 0, -1, 2, 0, -2, 1, 0, -1}, 4};

// The kernel and weights of the filters built on the weighted filter: emboss
// and sharpen.
inline const WeightedKernel3x3& WeightedKernelFor(const FilterRequest& request) {
  return request.filter == NeighbourhoodFilter::kEmboss ? kEmbossKernel : kSharpenKernel;
}

// The kernel of the filters that convolve: blur, edge enhance and the two
// edge-detection directions.
inline const Kernel3x3& ConvolutionKernelFor(const FilterRequest& request) {
  if (request.filter == NeighbourhoodFilter::kBlur) return kBoxKernel;
  if (request.filter == NeighbourhoodFilter::kEdgeEnhance) return kEdgeEnhanceKernel;
  return request.direction == kEdgeDirectionHorizontal ? kHorizontalEdgeKernel : kVerticalEdgeKernel;
}

// The rank the median and rank-order filters take from a full square mask
// of 2r + 1 cells across.
inline int64_t RankFor(const FilterRequest& request) {
  const int64_t side = 2 * int64_t{request.radius} + 1;
  if (request.filter == NeighbourhoodFilter::kMedian) return (side * side + 1) / 2;
  return request.largest ? side * side : 1;
}

#endif  // PELRITH_API_FILTERS_FILTER_KERNELS_H_
