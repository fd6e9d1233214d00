// Entry points that combine two images (blend, calculate) or filter the
// neighbourhood of every pixel (blur, sharpen, median, find edges, edge
// enhance, edge detection, rank order, emboss). Each checks its own values
// first (-100 before any handle is locked) and hands the work to a driver.
#include <cmath>

#include "Pelrith.h"
#include "api/filters/neighbourhood_filter.h"
#include "api/filters/two_image_operation.h"
#include "api/frame/call_frame.h"
#include "core/operators/neighbourhood/dyadic.h"

namespace {

// Radius of the median and rank-order masks: 3 x 3 up to 15 x 15.
constexpr int32_t kMinRadius = 1;
constexpr int32_t kMaxRadius = 7;

// Kinds of the rank-order filter.
constexpr int32_t kRankLargest = 52;
constexpr int32_t kRankSmallest = 53;

// The operations of the calculate entry point, in the order of their codes
// 56 to 67, as the operator's own codes.
constexpr int32_t kFirstCalculation = 56;
constexpr int32_t kCalculations[] = {
    kCalculateAdd,     kCalculateSubtract, kCalculateMultiply, kCalculateDivide, kCalculateMinimum, kCalculateMaximum,
    kCalculateAbsoluteDifference, kCalculateAnd, kCalculateOr, kCalculateNand, kCalculateNor, kCalculateXor};
constexpr int32_t kCalculationCount = static_cast<int32_t>(sizeof kCalculations / sizeof kCalculations[0]);

bool IsRadius(int32_t radius) { return radius >= kMinRadius && radius <= kMaxRadius; }

HGLOBAL Filter(HGLOBAL handle, int32_t mode, const FilterRequest& request, bool arguments_ok, CmiOptionList pairs,
               int32_t n, int32_t* status) {
  return CmiRun(status,
                [&] { return ApplyNeighbourhoodFilter(handle, mode, request, arguments_ok, pairs, n, status); });
}

}  // namespace

HGLOBAL PELRITH_STDCALL CmiBlend(HGLOBAL handle, HGLOBAL handle2, int32_t mode, int32_t target, double ratio,
                                 CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  return CmiRun(status, [&] {
    // The weight of the first image: a ratio outside 0..1 (or not a number)
    // has no meaning as a blend and is refused before anything is locked.
    const bool ratio_ok = std::isfinite(ratio) && ratio >= 0.0 && ratio <= 1.0;
    const TwoImageRequest request{.operation = TwoImageOperation::kBlend, .ratio = ratio, .into_first = target != 0};
    return ApplyTwoImageOperation(handle, handle2, mode, request, ratio_ok, pairs, n, status);
  });
}

HGLOBAL PELRITH_STDCALL CmiCalculate(HGLOBAL handle, HGLOBAL handle2, int32_t mode, int32_t target,
                                     int32_t operation, CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  return CmiRun(status, [&] {
    const int32_t index = operation - kFirstCalculation;
    const bool known = index >= 0 && index < kCalculationCount;
    const TwoImageRequest request{.operation = TwoImageOperation::kCalculate,
                                  .calculation = known ? kCalculations[index] : 0,
                                  .into_first = target != 0};
    return ApplyTwoImageOperation(handle, handle2, mode, request, known, pairs, n, status);
  });
}

HGLOBAL PELRITH_STDCALL CmiBlur(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                int32_t* status) noexcept {
  return Filter(handle, mode, {.filter = NeighbourhoodFilter::kBlur}, true, pairs, n, status);
}

HGLOBAL PELRITH_STDCALL CmiSharpen(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                   int32_t* status) noexcept {
  return Filter(handle, mode, {.filter = NeighbourhoodFilter::kSharpen}, true, pairs, n, status);
}

HGLOBAL PELRITH_STDCALL CmiMedian(HGLOBAL handle, int32_t mode, int32_t radius, CmiOptionList pairs, int32_t n,
                                  int32_t* status) noexcept {
  return Filter(handle, mode, {.filter = NeighbourhoodFilter::kMedian, .radius = radius}, IsRadius(radius), pairs,
                n, status);
}

HGLOBAL PELRITH_STDCALL CmiFindEdges(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                     int32_t* status) noexcept {
  return Filter(handle, mode, {.filter = NeighbourhoodFilter::kFindEdges}, true, pairs, n, status);
}

HGLOBAL PELRITH_STDCALL CmiEdgeEnhance(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                       int32_t* status) noexcept {
  return Filter(handle, mode, {.filter = NeighbourhoodFilter::kEdgeEnhance}, true, pairs, n, status);
}

HGLOBAL PELRITH_STDCALL CmiEdgeDetection(HGLOBAL handle, int32_t mode, int32_t direction, CmiOptionList pairs,
                                         int32_t n, int32_t* status) noexcept {
  const bool known = direction == kEdgeDirectionHorizontal || direction == kEdgeDirectionVertical;
  return Filter(handle, mode, {.filter = NeighbourhoodFilter::kEdgeDetection, .direction = direction}, known, pairs,
                n, status);
}

HGLOBAL PELRITH_STDCALL CmiRankOrder(HGLOBAL handle, int32_t mode, int32_t kind, int32_t radius,
                                     CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  const bool known = kind == kRankLargest || kind == kRankSmallest;
  const FilterRequest request{
      .filter = NeighbourhoodFilter::kRankOrder, .radius = radius, .largest = kind == kRankLargest};
  return Filter(handle, mode, request, known && IsRadius(radius), pairs, n, status);
}

HGLOBAL PELRITH_STDCALL CmiEmboss(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                  int32_t* status) noexcept {
  return Filter(handle, mode, {.filter = NeighbourhoodFilter::kEmboss}, true, pairs, n, status);
}
