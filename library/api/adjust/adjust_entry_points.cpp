// Entry points that change pixel values one by one (invert, brightness and
// contrast, gamma, solarize, colour balance, hue and saturation, equalize)
// and the plain copy of a handle. Each checks its mode and values first
// (-100 before the handle is locked) and hands the work to a driver.
#include <cmath>
#include <cstring>

#include "Pelrith.h"
#include "api/adjust/adjust_drivers.h"
#include "api/frame/call_frame.h"
#include "api/frame/rectangle.h"
#include "core/operators/point/equalization.h"
#include "core/operators/point/typed_value.h"

namespace {

constexpr int32_t kPercentLimit = 100;
constexpr int32_t kHueLimit = 180;
constexpr int32_t kEqualizeLow = 0;
constexpr int32_t kEqualizeHigh = 255;

bool InRange(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }
bool IsPercent(int32_t value) { return InRange(value, -kPercentLimit, kPercentLimit); }

// The modes of the point operations: every mode for inversion, all but the
// bitmap mode for the others.
bool IsPointMode(int32_t mode, bool bitmap_allowed) {
  return InRange(mode, bitmap_allowed ? kCmiModeBitmap : kCmiModeIndexed16, kCmiModeRgb);
}
// Colour adjustments need colours: palettes or RGB.
bool IsColourMode(int32_t mode) {
  return mode == kCmiModeIndexed16 || mode == kCmiModeIndexed256 || mode == kCmiModeRgb;
}

HGLOBAL Point(HGLOBAL handle, int32_t mode, const PointAdjustment& adjustment, bool values_ok,
              CmiOptionList pairs, int32_t n, int32_t* status) {
  const bool bitmap_allowed = adjustment.operation == kAdjustInvert;
  return ApplyPointOperation(handle, mode, adjustment, values_ok && IsPointMode(mode, bitmap_allowed), pairs, n,
                             status);
}

// A gamma whose reciprocal is a finite exponent: positive, finite and not so
// small that 1 / gamma overflows.
bool IsUsableGamma(double gamma) { return std::isfinite(gamma) && gamma > 0.0 && std::isfinite(1.0 / gamma); }

}  // namespace

HGLOBAL PELRITH_STDCALL CmiInvert(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                  int32_t* status) noexcept {
  return CmiRun(status, [&] { return Point(handle, mode, {.operation = kAdjustInvert}, true, pairs, n, status); });
}

HGLOBAL PELRITH_STDCALL CmiBrightnessAndContrast(HGLOBAL handle, int32_t mode, int32_t brightness, int32_t contrast,
                                                 CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  return CmiRun(status, [&] {
    const PointAdjustment adjustment{
        .operation = kAdjustBrightnessContrast, .brightness = brightness, .contrast = contrast};
    return Point(handle, mode, adjustment, IsPercent(brightness) && IsPercent(contrast), pairs, n, status);
  });
}

HGLOBAL PELRITH_STDCALL CmiGammaCorrection(HGLOBAL handle, int32_t mode, double gamma, CmiOptionList pairs,
                                           int32_t n, int32_t* status) noexcept {
  return CmiRun(status, [&] {
    const PointAdjustment adjustment{.operation = kAdjustGamma, .gamma = gamma};
    return Point(handle, mode, adjustment, IsUsableGamma(gamma), pairs, n, status);
  });
}

HGLOBAL PELRITH_STDCALL CmiSolarize(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                    int32_t* status) noexcept {
  return CmiRun(status, [&] { return Point(handle, mode, {.operation = kAdjustSolarize}, true, pairs, n, status); });
}

HGLOBAL PELRITH_STDCALL CmiColourBalance(HGLOBAL handle, int32_t mode, int32_t red, int32_t green, int32_t blue,
                                         CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  return CmiRun(status, [&] {
    const ColourAdjustment adjustment{.operation = kAdjustColourBalance, .red = red, .green = green, .blue = blue};
    const bool ok = IsColourMode(mode) && IsPercent(red) && IsPercent(green) && IsPercent(blue);
    return ApplyColourAdjust(handle, mode, adjustment, ok, pairs, n, status);
  });
}

HGLOBAL PELRITH_STDCALL CmiHueSaturation(HGLOBAL handle, int32_t mode, int32_t hue, int32_t saturation,
                                         int32_t lightness, CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  return CmiRun(status, [&] {
    const ColourAdjustment adjustment{
        .operation = kAdjustHueSaturation, .hue = hue, .saturation = saturation, .lightness = lightness};
    const bool ok =
        IsColourMode(mode) && InRange(hue, -kHueLimit, kHueLimit) && IsPercent(saturation) && IsPercent(lightness);
    return ApplyColourAdjust(handle, mode, adjustment, ok, pairs, n, status);
  });
}

HGLOBAL PELRITH_STDCALL CmiEqualize(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                    int32_t* status) noexcept {
  return CmiRun(status, [&]() -> HGLOBAL {
    CmiCall call(status, pairs, n);
    if (!call.Begin(mode == kCmiModeGrayscale || mode == kCmiModeRgb)) return 0;
    CmiRectangle rect;
    const CmiSource* source = LockSourceInMode(call, handle, mode, &rect);
    if (source == nullptr) return 0;
    return OperateOnImportedRectangle(call, *source, rect, [](IpiSystem* sys, IpiObject* from, IpiObject* to) {
      return IpiEqualize(sys, from, to, kEqualizeUniform, IpiIntegerValue(kEqualizeLow), IpiIntegerValue(kEqualizeHigh),
                         0.0);
    });
  });
}

HGLOBAL PELRITH_STDCALL CmiConvert(HGLOBAL handle, CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  return CmiRun(status, [&]() -> HGLOBAL {
    // The options are not read; only a count without a list is refused.
    CmiCall call(status, pairs, n);
    if (!call.Begin(true)) return 0;
    const void* from = handle != 0 ? GlobalLock(handle) : nullptr;
    if (from == nullptr) return call.Fail(kCmiStatusSystemFailure);
    const size_t size = GlobalSize(handle);
    HGLOBAL copy = size != 0 ? GlobalAlloc(GHND, size) : 0;
    void* to = copy != 0 ? GlobalLock(copy) : nullptr;
    if (to != nullptr) {
      std::memcpy(to, from, size);
      (void)GlobalUnlock(copy);
    } else if (copy != 0) {
      (void)GlobalFree(copy);
      copy = 0;
    }
    (void)GlobalUnlock(handle);
    if (copy == 0) return call.Fail(kCmiStatusSystemFailure);
    return copy;
  });
}
