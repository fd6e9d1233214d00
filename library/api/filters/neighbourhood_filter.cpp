// The neighbourhood filters on a packed bitmap: fixed 3 x 3 kernels (emboss,
// box, edge enhance, the two edge-detection directions), the gradient of the
// find-edges filter and square masks for the median and rank-order filters.
// Windows that reach past the image are mirrored at its edge. Plain rows are
// filtered where they lie (streamed_filter.h); run-length coded ones through
// image objects, here.
#include "api/filters/neighbourhood_filter.h"

#include "api/filters/filter_kernels.h"
#include "api/filters/streamed_filter.h"
#include "api/frame/call_frame.h"
#include "api/frame/rectangle.h"
#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/operators/neighbourhood/convolution.h"
#include "core/operators/neighbourhood/gradient_filter.h"
#include "core/operators/neighbourhood/neighbourhood_window.h"
#include "core/operators/neighbourhood/rank_filter.h"
#include "core/operators/neighbourhood/weighted_filter.h"
#include "core/operators/point/point_operators.h"

namespace {

constexpr int32_t kKernelCells = kFilterKernelSide * kFilterKernelSide;
constexpr int32_t kKernelPrecision = 16;
constexpr int32_t kMaskPrecision = 8;

bool IsFilterMode(int32_t mode) { return mode == kCmiModeGrayscale || mode == kCmiModeRgb; }

// The kernel as an array over the constant weights (read, never written).
IpiObject* FixedKernelObject(CmiCall& call, const Kernel3x3& kernel) {
  static_assert(sizeof kernel.weights == kKernelCells * sizeof(int16_t));
  return call.CreateObject(nullptr, &kImpulseResponseArrayClass, nullptr,
                           {{"xDimension", kFilterKernelSide},
                            {"yDimension", kFilterKernelSide},
                            {"dataType", kDataTypeSigned},
                            {"dataPrecision", kKernelPrecision},
                            {"scaleFactor", kernel.scale_factor},
                            {"repository", kRepositoryCallerMemory},
                            {"applicationAddressSpace", reinterpret_cast<intptr_t>(kernel.weights)},
                            {"size", static_cast<intptr_t>(sizeof kernel.weights)},
                            {"inited", 1}});
}

// A square mask of 2r + 1 cells across, every cell taking part.
IpiObject* SquareMask(CmiCall& call, int32_t radius) {
  const intptr_t side = 2 * intptr_t{radius} + 1;
  IpiObject* mask = call.CreateObject(nullptr, &kMaskArrayClass, nullptr,
                                      {{"xDimension", side},
                                       {"yDimension", side},
                                       {"dataType", kDataTypeNonnegative},
                                       {"dataPrecision", kMaskPrecision},
                                       {"repository", kRepositoryGlobalBlock}});
  if (mask == nullptr || !call.Ok(IpiFillMask(call.sys(), mask))) return nullptr;
  return mask;
}

// Edges as the sum of the magnitudes of the two gradient kernels, inverted
// so that edges come out dark on a light ground.
IpiObject* FindEdges(CmiCall& call, IpiObject* window, IpiObject* result) {
  IpiSystem* sys = call.sys();
  const std::initializer_list<IpiAttribute> kernel_shape{{"xDimension", kFilterKernelSide},
                                                         {"yDimension", kFilterKernelSide},
                                                         {"dataType", kDataTypeSigned},
                                                         {"dataPrecision", kKernelPrecision},
                                                         {"repository", kRepositoryGlobalBlock}};
  IpiObject* across = call.CreateObject(nullptr, &kImpulseResponseArrayClass, nullptr, kernel_shape);
  IpiObject* down = call.CreateObject(nullptr, &kImpulseResponseArrayClass, nullptr, kernel_shape);
  if (across == nullptr || down == nullptr) return nullptr;
  if (!call.Ok(IpiMakeEdgeKernel(sys, across, kEdgeKernelHorizontal)) ||
      !call.Ok(IpiMakeEdgeKernel(sys, down, kEdgeKernelVertical)) ||
      !call.Ok(IpiGradientFilter(sys, window, result, across, down, kGradientSumOfMagnitudes))) {
    return nullptr;
  }
  IpiObject* inverted = call.CreateImage("oImage4", result);
  if (inverted == nullptr || !call.Ok(IpiInvert(sys, result, inverted))) return nullptr;
  return inverted;
}

// Runs the filter from `window` into a new image of its size.
IpiObject* RunFilter(CmiCall& call, IpiObject* window, const FilterRequest& request) {
  IpiSystem* sys = call.sys();
  IpiObject* result = call.CreateImage("oImage3", window);
  if (result == nullptr) return nullptr;
  int rc = 0;
  switch (request.filter) {
    case NeighbourhoodFilter::kEmboss:
    case NeighbourhoodFilter::kSharpen: {
      const WeightedKernel3x3& fixed = WeightedKernelFor(request);
      IpiObject* kernel = FixedKernelObject(call, fixed.kernel);
      if (kernel == nullptr) return nullptr;
      rc = IpiWeightedFilter(sys, window, result, kernel, fixed.a, fixed.b, fixed.c);
      break;
    }
    case NeighbourhoodFilter::kBlur:
    case NeighbourhoodFilter::kEdgeEnhance:
    case NeighbourhoodFilter::kEdgeDetection: {
      IpiObject* kernel = FixedKernelObject(call, ConvolutionKernelFor(request));
      if (kernel == nullptr) return nullptr;
      rc = IpiConvolve(sys, window, result, kernel);
      break;
    }
    case NeighbourhoodFilter::kFindEdges:
      return FindEdges(call, window, result);
    case NeighbourhoodFilter::kMedian:
    case NeighbourhoodFilter::kRankOrder: {
      IpiObject* mask = SquareMask(call, request.radius);
      if (mask == nullptr) return nullptr;
      rc = IpiRankOrderFilter(sys, window, result, mask, RankFor(request));
      break;
    }
  }
  return call.Ok(rc) ? result : nullptr;
}

}  // namespace

HGLOBAL ApplyNeighbourhoodFilter(HGLOBAL handle, int32_t mode, const FilterRequest& request, bool arguments_ok,
                                 CmiOptionList pairs, int32_t n, int32_t* status) {
  CmiCall call(status, pairs, n);
  if (!call.Begin(arguments_ok && IsFilterMode(mode))) return 0;
  // A grey or RGB mode must name the bitmap's depth: a 1-bit bitmap must not
  // reach the filters as bytes, nor a 24-bit one as palette indices.
  CmiRectangle rect;
  const CmiSource* source = LockSourceInMode(call, handle, mode, &rect);
  if (source == nullptr) return 0;
  if (CanStreamFilter(source->info)) return StreamNeighbourhoodFilter(call, *source, rect, request);
  // Run-length coded rows are decoded into an image first.
  IpiObject* image = call.ImportSource(*source);
  if (image == nullptr) return 0;
  const IpiAttribute mirror[] = {{"boundaryCondition", kBoundaryMirror}};
  if (!call.Ok(IpiSetSystemAttributes(call.sys(), mirror, 1))) return 0;
  IpiObject* result =
      OperateOnRectangle(call, image, rect, [&](IpiObject* window) { return RunFilter(call, window, request); });
  if (result == nullptr) return 0;
  return call.Finish(result);
}
