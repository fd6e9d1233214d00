// The driver of the neighbourhood filters: one call imports the bitmap, runs
// one filter on the whole image or on the rectangle of the options and hands
// the result back as a new packed bitmap. Only 8-bit grey (mode 17) and
// 24-bit RGB (mode 18) bitmaps are filtered, and the mode must name the
// bitmap's bit count.
#ifndef PELRITH_API_FILTERS_NEIGHBOURHOOD_FILTER_H_
#define PELRITH_API_FILTERS_NEIGHBOURHOOD_FILTER_H_

#include <cstdint>

#include "Pelrith.h"

enum class NeighbourhoodFilter : int32_t {
  kEmboss = 68,
  kSharpen = 69,
  kBlur = 70,
  kEdgeEnhance = 71,
  kFindEdges = 72,
  kMedian = 73,
  kEdgeDetection = 74,
  kRankOrder = 75,
};

// Directions of the edge-detection filter.
inline constexpr int32_t kEdgeDirectionHorizontal = 54;  // rows above against rows below
inline constexpr int32_t kEdgeDirectionVertical = 55;    // columns left against columns right

struct FilterRequest {
  NeighbourhoodFilter filter = NeighbourhoodFilter::kBlur;
  int32_t direction = 0;  // edge detection: 54 or 55
  int32_t radius = 1;     // median and rank order: the mask is 2r + 1 cells across
  bool largest = false;   // rank order: the largest value of the window, else the smallest
};

// `arguments_ok` carries the entry point's own argument checks; false gives
// -100 before the handle is locked, as does a mode other than 17 and 18.
[[nodiscard]] HGLOBAL ApplyNeighbourhoodFilter(HGLOBAL handle, int32_t mode, const FilterRequest& request,
                                               bool arguments_ok, CmiOptionList pairs, int32_t n, int32_t* status);

#endif  // PELRITH_API_FILTERS_NEIGHBOURHOOD_FILTER_H_
