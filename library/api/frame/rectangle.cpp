#include "api/frame/rectangle.h"

#include <algorithm>

#include "api/frame/scoped_system_attributes.h"
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

const CmiSource* LockSourceInMode(CmiCall& call, HGLOBAL handle, int32_t mode, CmiRectangle* rect) {
  return LockSourceInMode(call, handle, mode, rect, nullptr);
}

const CmiSource* LockSourceInMode(CmiCall& call, HGLOBAL handle, int32_t mode, CmiRectangle* rect,
                                  CmiModeMatters mode_matters) {
  const CmiSource* source = call.LockSource(handle);
  if (source == nullptr) return nullptr;
  const bool rect_ok = ReadRectangle(call.options(), source->info, rect);
  const bool check_mode = mode_matters == nullptr || mode_matters(mode, source->info, *rect);
  if (!rect_ok || (check_mode && !ColourModeMatchesBits(mode, source->info.bits_per_pixel))) {
    call.Fail(kCmiStatusBadArgument);
    return nullptr;
  }
  return call.OpenContext() ? source : nullptr;
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

int PasteImageAt(IpiSystem* sys, IpiObject* from, IpiObject* into, int64_t x, int64_t y) {
  const IpiAttribute into_point[] = {{"xMatchPoint", static_cast<intptr_t>(std::max<int64_t>(x, 0))},
                                     {"yMatchPoint", static_cast<intptr_t>(std::max<int64_t>(y, 0))}};
  const IpiAttribute from_point[] = {{"xMatchPoint", static_cast<intptr_t>(std::max<int64_t>(-x, 0))},
                                     {"yMatchPoint", static_cast<intptr_t>(std::max<int64_t>(-y, 0))}};
  const IpiAttribute origin[] = {{"xMatchPoint", 0}, {"yMatchPoint", 0}};
  int status = 0;
  {
    ScopedSystemAttributes match(sys, {{"matchPointState", 1}});
    status = match.status();
    if (status == 0) status = IpiSetAttributes(sys, into, into_point, 2);
    if (status == 0) status = IpiSetAttributes(sys, from, from_point, 2);
    if (status == 0) status = IpiConvertDataType(sys, from, into);
  }
  const int reset_into = IpiSetAttributes(sys, into, origin, 2);
  const int reset_from = IpiSetAttributes(sys, from, origin, 2);
  if (status != 0) return status;
  return reset_into != 0 ? reset_into : reset_from;
}

bool PasteAt(CmiCall& call, IpiObject* result, IpiObject* image, int64_t x, int64_t y) {
  return call.Ok(PasteImageAt(call.sys(), result, image, x, y));
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
