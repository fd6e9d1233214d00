// Blend and calculate over two packed bitmaps. The result image starts empty
// (all zeros), so an element the operator leaves alone (a division by zero)
// comes back as 0.
#include "api/filters/two_image_operation.h"

#include <algorithm>

#include "api/frame/call_frame.h"
#include "api/frame/rectangle.h"
#include "core/objects/attributes.h"
#include "core/operators/neighbourhood/dyadic.h"
#include "core/operators/point/point_operators.h"

namespace {

bool IsTwoImageMode(int32_t mode) { return mode == kCmiModeGrayscale || mode == kCmiModeRgb; }

}  // namespace

HGLOBAL ApplyTwoImageOperation(HGLOBAL first, HGLOBAL second, int32_t mode, const TwoImageRequest& request,
                               bool arguments_ok, CmiOptionList pairs, int32_t n, int32_t* status) {
  CmiCall call(status, pairs, n);
  if (!call.Begin(arguments_ok && IsTwoImageMode(mode))) return 0;
  const CmiSource* first_source = call.LockSource(first);
  if (first_source == nullptr) return 0;
  const CmiSource* second_source = call.LockSource(second);
  if (second_source == nullptr) return 0;
  CmiRectangle first_rect;
  CmiRectangle second_rect;
  if (!ColourModeMatchesBits(mode, first_source->info.bits_per_pixel) ||
      !ColourModeMatchesBits(mode, second_source->info.bits_per_pixel) ||
      !ReadRectangle(call.options(), first_source->info, &first_rect) ||
      !ReadRectangle(call.options(), second_source->info, &second_rect, kSecondSourceRectangle)) {
    return call.Fail(kCmiStatusBadArgument);
  }
  if (!call.OpenContext()) return 0;
  IpiObject* first_image = call.ImportSource(*first_source, "oImage", "oLUT");
  if (first_image == nullptr) return 0;
  IpiObject* second_image = call.ImportSource(*second_source, "oImage2", "oLUT2");
  if (second_image == nullptr) return 0;
  IpiObject* first_window = CutRectangle(call, first_image, first_rect, "oImage_2");
  if (first_window == nullptr) return 0;
  IpiObject* second_window = CutRectangle(call, second_image, second_rect, "oImage2_2");
  if (second_window == nullptr) return 0;

  // Only the common top-left part of the two windows is combined.
  const int64_t width = std::min(first_rect.width, second_rect.width);
  const int64_t height = std::min(first_rect.height, second_rect.height);
  IpiObject* target_window = request.into_first ? first_window : second_window;
  IpiObject* result = call.CreateImage("oImage3", target_window,
                                       {{"xDimension", static_cast<intptr_t>(width)},
                                        {"yDimension", static_cast<intptr_t>(height)},
                                        {"repository", call.repository()}});
  if (result == nullptr) return 0;
  IpiSystem* sys = call.sys();
  const int rc = request.operation == TwoImageOperation::kBlend
                     ? IpiBlend(sys, first_window, second_window, result, request.ratio)
                     : IpiCalculate(sys, first_window, second_window, result, request.calculation);
  if (!call.Ok(rc)) return 0;

  IpiObject* target = request.into_first ? first_image : second_image;
  const CmiRectangle& target_rect = request.into_first ? first_rect : second_rect;
  if (!PasteAt(call, result, target, target_rect.x, target_rect.y)) return 0;
  return call.Finish(target);
}
