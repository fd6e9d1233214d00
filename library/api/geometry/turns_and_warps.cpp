// Entry points that move a bitmap's samples: resize, quarter turns, rotation
// by any angle, flips and skews. Turns and angles are clockwise as the
// picture is seen. Every argument is checked before the caller's bitmap is
// locked; new images are filled with the fill levels wherever the moved
// source does not reach.
#include <cmath>

#include "Pelrith.h"
#include "api/frame/call_frame.h"
#include "api/frame/rectangle.h"
#include "api/geometry/geometry_common.h"
#include "api/geometry/packed_resize.h"
#include "api/geometry/packed_turns.h"
#include "core/operators/geometry/flips_and_turns.h"
#include "core/operators/geometry/geometry_codes.h"
#include "core/operators/geometry/resample.h"
#include "core/operators/geometry/warps.h"

namespace {

// Quarter turns of the interface, clockwise.
constexpr int32_t kTurnsQuarter = 1;
constexpr int32_t kTurnsHalf = 2;
constexpr int32_t kTurnsThreeQuarters = 3;

// Flip directions of the interface.
constexpr int32_t kFlipTopAndBottom = 48;
constexpr int32_t kFlipLeftAndRight = 49;

// Skew directions of the interface.
constexpr int32_t kSkewAlongX = 48;  // rows shift sideways
constexpr int32_t kSkewAlongY = 49;  // columns shift up or down
constexpr double kMaxSkewDegrees = 90.0;

constexpr double kRadiansPerDegree = 0.017453292519943292;
// A sine or cosine this close to 0 is 0, so quarter and half turns land on
// sample centres exactly.
constexpr double kSnapToZero = 1e-15;
constexpr double kSnapToWhole = 1e-12;

// The warping entry points read the source from a copy with a border of one
// fill sample on every side: positions just outside the picture then take the
// fill colour, and bilinear edges blend into it.
constexpr int64_t kBorder = 1;

// The argument checks of an entry point that makes an image of width x
// height: -100 (or 3 for a size beyond the limits) before anything is locked.
bool BeginNewImage(CmiCall& call, bool arguments_ok, int64_t width, int64_t height) {
  const int size = CheckNewImageSize(width, height);
  if (!call.Begin(arguments_ok && size != kCmiStatusBadArgument)) return false;
  if (size == 0) return true;
  call.Fail(size);
  return false;
}

// The source under the call, or null with the status set.
IpiObject* OpenAndImport(CmiCall& call, HGLOBAL handle, const CmiSource** locked) {
  *locked = call.LockSource(handle);
  if (*locked == nullptr || !call.OpenContext()) return nullptr;
  return call.ImportSource(**locked);
}

IpiObject* MakeImage(CmiCall& call, IpiObject* source, const char* name, int64_t width, int64_t height,
                     const FillLevels* levels) {
  int rc = 0;
  IpiObject* image = MakeImageLike(call.sys(), source, name, width, height, levels, &rc);
  if (image == nullptr) call.Fail(rc);
  return image;
}

// `source` on a canvas of fill samples, kBorder wider on every side.
IpiObject* MakeBorderedCopy(CmiCall& call, IpiObject* source, const CmiSource& locked, const FillLevels& levels) {
  IpiObject* canvas = MakeImage(call, source, "oImage2", locked.info.width_px + 2 * kBorder,
                                locked.info.height_px + 2 * kBorder, &levels);
  if (canvas == nullptr || !call.Ok(PasteImageAt(call.sys(), source, canvas, kBorder, kBorder))) return nullptr;
  return canvas;
}

// Warps `canvas` into a new image of width x height filled with `levels`.
HGLOBAL WarpInto(CmiCall& call, IpiObject* source, IpiObject* canvas, int64_t width, int64_t height,
                 const FillLevels& levels, int32_t interpolation, const double a[kWarpTerms],
                 const double b[kWarpTerms]) {
  IpiObject* result = MakeImage(call, source, "oImage3", width, height, &levels);
  if (result == nullptr) return 0;
  const IpiAttribute method[] = {{"interpolation", interpolation}};
  if (!call.Ok(IpiSetSystemAttributes(call.sys(), method, 1)) ||
      !call.Ok(IpiWarpAffine(call.sys(), canvas, result, a, b))) {
    return 0;
  }
  return call.Finish(result);
}

bool IsFinite(double value) { return std::isfinite(value); }

}  // namespace

HGLOBAL PELRITH_STDCALL CmiResize(HGLOBAL handle, int32_t width, int32_t height, int32_t interpolation,
                                  int32_t morphology, CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  return CmiRun(status, [&]() -> HGLOBAL {
    CmiCall call(status, pairs, n);
    int32_t method = 0, morph = 0;
    const bool codes_ok = MapInterpolation(interpolation, &method) && MapMorphology(morphology, &morph);
    if (!BeginNewImage(call, codes_ok, width, height)) return 0;
    const CmiSource* locked = call.LockSource(handle);
    if (locked == nullptr) return 0;
    // Byte rows resize in place into the result; the rest through image objects.
    if (CanResizeInPlace(locked->info, method)) return ResizeInPlace(call, *locked, width, height, method);
    if (!call.OpenContext()) return 0;
    IpiObject* image = call.ImportSource(*locked);
    if (image == nullptr) return 0;
    IpiObject* resized = MakeImage(call, image, "oImage2", width, height, nullptr);
    if (resized == nullptr) return 0;
    const IpiAttribute methods[] = {{"interpolation", method}, {"morphologicalOperation", morph}};
    if (!call.Ok(IpiSetSystemAttributes(call.sys(), methods, 2)) ||
        !call.Ok(IpiResampleImage(call.sys(), image, resized))) {
      return 0;
    }
    return call.Finish(resized);
  });
}

HGLOBAL PELRITH_STDCALL CmiRotate(HGLOBAL handle, int32_t width, int32_t height, int32_t turns, CmiOptionList pairs,
                                  int32_t n, int32_t* status) noexcept {
  return CmiRun(status, [&]() -> HGLOBAL {
    CmiCall call(status, pairs, n);
    int32_t code = 0;
    switch (turns) {
      case kTurnsQuarter: code = kTurnQuarterRight; break;  // the left column, bottom up, becomes the top row
      case kTurnsHalf: code = kTurnHalf; break;
      case kTurnsThreeQuarters: code = kTurnQuarterLeft; break;
      default: break;
    }
    FillLevels levels = kDefaultFillLevels;
    const bool levels_ok = ReadFillLevelOptions(call.options(), &levels);
    if (!BeginNewImage(call, code != 0 && levels_ok, width, height)) return 0;
    const CmiSource* locked = call.LockSource(handle);
    if (locked == nullptr) return 0;
    const int64_t source_width = locked->info.width_px;
    const int64_t source_height = locked->info.height_px;
    const bool covered = code == kTurnHalf ? source_width == width && source_height == height
                                           : source_height == width && source_width == height;
    // A turn that fills the new bitmap exactly is made from the stored rows.
    if (covered && CanMovePackedRows(*locked)) return MovePackedRows(call, *locked, code);
    if (!call.OpenContext()) return 0;
    IpiObject* image = call.ImportSource(*locked);
    if (image == nullptr) return 0;
    IpiObject* turned = MakeImage(call, image, "oImage2", width, height, covered ? nullptr : &levels);
    if (turned == nullptr || !call.Ok(IpiFlipOrTurn(call.sys(), image, turned, code))) return 0;
    return call.Finish(turned);
  });
}

HGLOBAL PELRITH_STDCALL CmiRotateArbitrary(HGLOBAL handle, int32_t width, int32_t height, double angle,
                                           CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  return CmiRun(status, [&]() -> HGLOBAL {
    CmiCall call(status, pairs, n);
    FillLevels levels = kDefaultFillLevels;
    int32_t interpolation = 0;
    const bool arguments_ok = IsFinite(angle) && ReadFillLevelOptions(call.options(), &levels) &&
                              ReadWarpInterpolation(call.options(), &interpolation);
    if (!BeginNewImage(call, arguments_ok, width, height)) return 0;
    const CmiSource* locked = nullptr;
    IpiObject* image = OpenAndImport(call, handle, &locked);
    if (image == nullptr) return 0;
    IpiObject* canvas = MakeBorderedCopy(call, image, *locked, levels);
    if (canvas == nullptr) return 0;

    // The picture turns clockwise about its centre, which lands on the centre
    // of the new image. Destination sample (x, y) takes the source position
    // centre_s + R(x + 1/2 - centre_d): R turns by the negated angle, as the
    // rotation operator does for rows counted downwards.
    const double radians = -std::fmod(angle, 360.0) * kRadiansPerDegree;
    double c = std::cos(radians);
    double s = std::sin(radians);
    if (std::fabs(c) < kSnapToZero) {
      c = 0.0;
      s = std::copysign(1.0, s);
    } else if (std::fabs(s) < kSnapToZero) {
      s = 0.0;
      c = std::copysign(1.0, c);
    }
    // Nearest neighbour takes the sample whose cell holds the position;
    // bilinear weighs the samples around it, each sitting at its index.
    const double sample_origin = interpolation == kInterpolationBilinear ? 0.5 : 0.0;
    const double source_cx = kBorder + static_cast<double>(locked->info.width_px) / 2.0 - sample_origin;
    const double source_cy = kBorder + static_cast<double>(locked->info.height_px) / 2.0 - sample_origin;
    const double dx = 0.5 - static_cast<double>(width) / 2.0;
    const double dy = 0.5 - static_cast<double>(height) / 2.0;
    double a[kWarpTerms] = {};
    double b[kWarpTerms] = {};
    a[0] = source_cx + dx * c - dy * s;
    a[1] = c;
    a[2] = -s;
    b[0] = source_cy + dx * s + dy * c;
    b[1] = s;
    b[2] = c;
    return WarpInto(call, image, canvas, width, height, levels, interpolation, a, b);
  });
}

HGLOBAL PELRITH_STDCALL CmiFlip(HGLOBAL handle, int32_t direction, CmiOptionList pairs, int32_t n,
                                int32_t* status) noexcept {
  return CmiRun(status, [&]() -> HGLOBAL {
    CmiCall call(status, pairs, n);
    const int32_t code = direction == kFlipTopAndBottom   ? kFlipTopToBottom
                         : direction == kFlipLeftAndRight ? kFlipLeftToRight
                                                          : 0;
    if (!call.Begin(code != 0)) return 0;
    const CmiSource* locked = call.LockSource(handle);
    if (locked == nullptr) return 0;
    CmiRectangle rect;
    if (!ReadRectangle(call.options(), locked->info, &rect)) return call.Fail(kCmiStatusBadArgument);
    if (rect.whole && CanMovePackedRows(*locked)) return MovePackedRows(call, *locked, code);
    if (!call.OpenContext()) return 0;
    IpiObject* image = call.ImportSource(*locked);
    if (image == nullptr) return 0;
    IpiObject* result = OperateOnRectangle(call, image, rect, [&](IpiObject* window) -> IpiObject* {
      IpiObject* flipped = call.CreateImage(rect.whole ? "oImage2" : "oImage3", window);
      if (flipped == nullptr || !call.Ok(IpiFlipOrTurn(call.sys(), window, flipped, code))) return nullptr;
      return flipped;
    });
    if (result == nullptr) return 0;
    return call.Finish(result);
  });
}

HGLOBAL PELRITH_STDCALL CmiSkew(HGLOBAL handle, int32_t width, int32_t height, int32_t direction, double angle,
                                CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  return CmiRun(status, [&]() -> HGLOBAL {
    CmiCall call(status, pairs, n);
    FillLevels levels = kDefaultFillLevels;
    int32_t interpolation = 0;
    // At 90 degrees the shear is infinite: only angles strictly inside are taken.
    const bool arguments_ok = (direction == kSkewAlongX || direction == kSkewAlongY) && IsFinite(angle) &&
                              std::fabs(angle) < kMaxSkewDegrees && ReadFillLevelOptions(call.options(), &levels) &&
                              ReadWarpInterpolation(call.options(), &interpolation);
    if (!BeginNewImage(call, arguments_ok, width, height)) return 0;
    const CmiSource* locked = nullptr;
    IpiObject* image = OpenAndImport(call, handle, &locked);
    if (image == nullptr) return 0;
    IpiObject* canvas = MakeBorderedCopy(call, image, *locked, levels);
    if (canvas == nullptr) return 0;

    // A positive angle puts the source in the bottom-right corner of the new
    // image, a negative one in the top-left; destination (x, y) takes the
    // source at (x + k y, y) or (x, y + k x) from there, k = tan(angle).
    double k = std::tan(angle * kRadiansPerDegree);
    // tan(45 degrees) comes out a hair below 1: a whole shear lands on whole
    // samples, as it should.
    if (std::fabs(k - std::round(k)) < kSnapToWhole) k = std::round(k);
    const double place_x = angle > 0.0 ? static_cast<double>(width - locked->info.width_px) : 0.0;
    const double place_y = angle > 0.0 ? static_cast<double>(height - locked->info.height_px) : 0.0;
    double a[kWarpTerms] = {};
    double b[kWarpTerms] = {};
    a[0] = kBorder - place_x;
    a[1] = 1.0;
    b[0] = kBorder - place_y;
    b[2] = 1.0;
    if (direction == kSkewAlongX) {
      a[2] = k;
    } else {
      b[1] = k;
    }
    return WarpInto(call, image, canvas, width, height, levels, interpolation, a, b);
  });
}
