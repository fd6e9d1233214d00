// The two drivers behind the point and colour adjustment entry points. Each
// takes the entry point's argument check, locks and checks the bitmap, and
// then changes either the colour table (palette images), the pixel bytes, or
// the imported image on the rectangle chosen by the options. The colour mode
// is checked against the bit count except where the colour table is changed:
// that road is chosen by the bit count, and any mode takes it.
#ifndef PELRITH_API_ADJUST_ADJUST_DRIVERS_H_
#define PELRITH_API_ADJUST_ADJUST_DRIVERS_H_

#include <cstdint>
#include <functional>

#include "Pelrith.h"
#include "api/frame/call_frame.h"
#include "api/frame/rectangle.h"

// Operation codes of the drivers.
inline constexpr int32_t kAdjustColourBalance = 79;
inline constexpr int32_t kAdjustHueSaturation = 80;
inline constexpr int32_t kAdjustBrightnessContrast = 81;
inline constexpr int32_t kAdjustInvert = 82;
inline constexpr int32_t kAdjustGamma = 83;
inline constexpr int32_t kAdjustSolarize = 84;

struct PointAdjustment {
  int32_t operation = 0;
  int32_t brightness = 0;  // percent, -100..100
  int32_t contrast = 0;    // percent, -100..100
  double gamma = 1.0;      // > 0 and finite
};

struct ColourAdjustment {
  int32_t operation = 0;
  int32_t red = 0, green = 0, blue = 0;  // percent, -100..100
  int32_t hue = 0;                       // degrees, -180..180
  int32_t saturation = 0, lightness = 0; // percent, -100..100
};

// `arguments_ok` is the entry point's check of its mode and values: false
// gives -100 before the handle is locked.
[[nodiscard]] HGLOBAL ApplyPointOperation(HGLOBAL handle, int32_t mode, const PointAdjustment& adjustment,
                                          bool arguments_ok, const IpiAttributePair* pairs, int32_t n,
                                          int32_t* status);
[[nodiscard]] HGLOBAL ApplyColourAdjust(HGLOBAL handle, int32_t mode, const ColourAdjustment& adjustment,
                                        bool arguments_ok, const IpiAttributePair* pairs, int32_t n,
                                        int32_t* status);

// An operator from one image into another of the same shape: 0 or its error.
using CmiWindowOperator = std::function<int(IpiSystem* sys, IpiObject* source, IpiObject* destination)>;

// Imports `source`, runs `op` on the rectangle (into "oImage3", made from the
// window) and finishes the call with the image to export.
[[nodiscard]] HGLOBAL OperateOnImportedRectangle(CmiCall& call, const CmiSource& source, const CmiRectangle& rect,
                                                 const CmiWindowOperator& op);

#endif  // PELRITH_API_ADJUST_ADJUST_DRIVERS_H_
