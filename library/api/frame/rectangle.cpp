#include "api/frame/rectangle.h"

#include "core/objects/attributes.h"
#include "core/objects/tuple.h"
#include "core/operators/data_type_conversion.h"
#include "core/operators/geometry/resample.h"

bool ReadRectangle(const CmiOptions& options, const PackedBitmapInfo& info, CmiRectangle* rect,
                   const CmiRectangleNames& names) {
  rect->x = options.Value(names.x, 0);
  rect->y = options.Value(names.y, 0);
  rect->width = options.Value(names.width, info.width_px);
  rect->height = options.Value(names.height, info.height_px);
  rect->whole = rect->x == 0 && rect->y == 0 && rect->width == info.width_px && rect->height == info.height_px;
  return rect->x >= 0 && rect->y >= 0 && rect->width >= 1 && rect->height >= 1 &&
         rect->x <= info.width_px - rect->width && rect->y <= info.height_px - rect->height;
}

IpiObject* CutRectangle(CmiCall& call, IpiObject* image, const CmiRectangle& rect, const char* name) {
  if (rect.whole) return image;
  IpiSystem* sys = call.sys();
  const intptr_t bands = IpiInquireAttribute(sys, image, "bDimension");
  IpiObject* window = call.CreateImage(name, image, {{"xDimension", static_cast<intptr_t>(rect.width)},
                                                     {"yDimension", static_cast<intptr_t>(rect.height)}});
  if (window == nullptr) return nullptr;
  IpiObject* offset = IpiCreateTuple5(sys, static_cast<int32_t>(rect.x), static_cast<int32_t>(rect.y), 0, 0, 0);
  IpiObject* size = IpiCreateTuple5(sys, static_cast<int32_t>(rect.width), static_cast<int32_t>(rect.height), 1, 1,
                                    static_cast<int32_t>(bands));
  if (offset == nullptr || size == nullptr) {
    call.FailFromContext();
    return nullptr;
  }
  if (!call.Ok(IpiResampleWindow(sys, image, window, offset, size))) return nullptr;
  return window;
}

bool PasteAt(CmiCall& call, IpiObject* result, IpiObject* image, int64_t x, int64_t y) {
  IpiSystem* sys = call.sys();
  const IpiAttribute match_on[] = {{"matchPointState", 1}};
  const IpiAttribute match_point[] = {{"xMatchPoint", static_cast<intptr_t>(x)},
                                      {"yMatchPoint", static_cast<intptr_t>(y)}};
  const IpiAttribute result_at_origin[] = {{"xMatchPoint", 0}, {"yMatchPoint", 0}};
  if (!call.Ok(IpiSetSystemAttributes(sys, match_on, 1)) || !call.Ok(IpiSetAttributes(sys, image, match_point, 2)) ||
      !call.Ok(IpiSetAttributes(sys, result, result_at_origin, 2)) ||
      !call.Ok(IpiConvertDataType(sys, result, image))) {
    return false;
  }
  const IpiAttribute match_off[] = {{"matchPointState", 0}};
  return call.Ok(IpiSetSystemAttributes(sys, match_off, 1));
}

IpiObject* OperateOnRectangle(CmiCall& call, IpiObject* image, const CmiRectangle& rect,
                              const CmiImageOperation& operation) {
  if (rect.whole) return operation(image);
  IpiObject* window = CutRectangle(call, image, rect, "oImage2");
  if (window == nullptr) return nullptr;
  IpiObject* result = operation(window);
  if (result == nullptr) return nullptr;
  if (!PasteAt(call, result, image, rect.x, rect.y)) return nullptr;
  return image;
}
