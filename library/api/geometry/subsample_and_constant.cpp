// Entry points that cut, scale and paint windows: a window of the source
// resampled into a window of a new bitmap, and a rectangle painted with one
// level per band. The source window and the rectangle must lie inside the
// bitmap; the destination window must start inside the new bitmap and may
// reach past its right and bottom edges, where it is cut off (-100 otherwise).
#include "Pelrith.h"
#include "api/frame/call_frame.h"
#include "api/geometry/composite_resampling.h"
#include "api/geometry/geometry_common.h"
#include "core/limits.h"
#include "core/objects/scoped_object.h"

namespace {

// A destination window: its origin inside the new bitmap, its sizes within
// the largest extent.
bool StartsInside(int64_t x, int64_t y, int64_t width, int64_t height, int64_t extent_x, int64_t extent_y) {
  return x >= 0 && y >= 0 && x < extent_x && y < extent_y && width >= 1 && height >= 1 &&
         width <= kMaxDimension && height <= kMaxDimension;
}

bool Inside(int64_t x, int64_t y, int64_t width, int64_t height, int64_t extent_x, int64_t extent_y) {
  return x >= 0 && y >= 0 && width >= 1 && height >= 1 && x <= extent_x - width && y <= extent_y - height;
}

}  // namespace

HGLOBAL PELRITH_STDCALL CmiSubsample(HGLOBAL handle, int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                                     int32_t width, int32_t height, int32_t dstX, int32_t dstY, int32_t dstWidth,
                                     int32_t dstHeight, int32_t interpolation, int32_t morphology,
                                     CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  return CmiRun(status, [&]() -> HGLOBAL {
    CmiCall call(status, pairs, n);
    SubsampleSpec spec;
    spec.width = width;
    spec.height = height;
    spec.source = {srcX, srcY, srcWidth, srcHeight};
    spec.destination = {dstX, dstY, dstWidth, dstHeight};
    const int size = CheckNewImageSize(width, height);
    const bool arguments_ok = MapInterpolation(interpolation, &spec.interpolation) &&
                              MapMorphology(morphology, &spec.morphology) &&
                              ReadFillLevelOptions(call.options(), &spec.levels) && size != kCmiStatusBadArgument &&
                              srcX >= 0 && srcY >= 0 && srcWidth >= 1 && srcHeight >= 1 &&
                              StartsInside(dstX, dstY, dstWidth, dstHeight, width, height);
    if (!call.Begin(arguments_ok)) return 0;
    if (size != 0) return call.Fail(size);
    const CmiSource* locked = call.LockSource(handle);
    if (locked == nullptr) return 0;
    if (!Inside(srcX, srcY, srcWidth, srcHeight, locked->info.width_px, locked->info.height_px)) {
      return call.Fail(kCmiStatusBadArgument);
    }
    if (!call.OpenContext()) return 0;
    IpiObject* image = call.ImportSource(*locked);
    if (image == nullptr) return 0;
    IpiObject* result = nullptr;
    if (!call.Ok(SubsampleImage(call.sys(), image, spec, "oImage2", &result))) return 0;
    return call.Finish(result);
  });
}

HGLOBAL PELRITH_STDCALL CmiConstant(HGLOBAL handle, int32_t x, int32_t y, int32_t width, int32_t height,
                                    int32_t level, int32_t level2, int32_t level3, CmiOptionList pairs, int32_t n,
                                    int32_t* status) noexcept {
  return CmiRun(status, [&]() -> HGLOBAL {
    CmiCall call(status, pairs, n);
    const FillLevels levels = {level, level2, level3};
    const int size = CheckNewImageSize(width, height);
    const bool arguments_ok = x >= 0 && y >= 0 && size != kCmiStatusBadArgument && level <= kMaxFillLevel &&
                              level2 <= kMaxFillLevel && level3 <= kMaxFillLevel;
    if (!call.Begin(arguments_ok)) return 0;
    if (size != 0) return call.Fail(size);
    const CmiSource* locked = call.LockSource(handle);
    if (locked == nullptr) return 0;
    if (!Inside(x, y, width, height, locked->info.width_px, locked->info.height_px)) {
      return call.Fail(kCmiStatusBadArgument);
    }
    if (!call.OpenContext()) return 0;
    IpiObject* image = call.ImportSource(*locked);
    if (image == nullptr) return 0;
    {
      // The patch goes before Finish closes the context it lives in.
      int rc = 0;
      ScopedObject patch(call.sys(), MakeImageLike(call.sys(), image, "oImage2", width, height, &levels, &rc));
      if (!patch) return call.Fail(rc);
      if (!call.Ok(PasteImageAt(call.sys(), patch.get(), image, x, y))) return 0;
    }
    return call.Finish(image);
  });
}
