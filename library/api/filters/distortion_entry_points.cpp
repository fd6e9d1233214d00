// Pinch and spherize: the rectangle of the options is pressed in or bulged
// out through polynomial maps of the warp operator. Every map keeps the
// rectangle's borders in place, so the pasted result joins the untouched
// outside; an amount of 0 is the identity map.
#include <array>
#include <cstdint>

#include "Pelrith.h"
#include "api/frame/call_frame.h"
#include "api/frame/rectangle.h"
#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/tuple.h"
#include "core/operators/data_type_conversion.h"
#include "core/operators/geometry/geometry_codes.h"
#include "core/operators/geometry/resample.h"
#include "core/operators/geometry/warps.h"
#include "core/operators/neighbourhood/elliptic_mask.h"

namespace {

constexpr int32_t kAmountLimit = 100;

// Spherize directions: both axes inside the inscribed ellipse, or one axis
// over the whole rectangle.
constexpr int32_t kSpherizeBothAxes = 0;
constexpr int32_t kSpherizeAlongX = 48;
constexpr int32_t kSpherizeAlongY = 49;

// The "interpolation" option: nearest neighbour (the default) or bilinear.
constexpr int32_t kOptionNearest = 8;
constexpr int32_t kOptionBilinear = 9;

// Terms of the 16-term map: 1, x, y, x^2, xy, y^2, x^3, x^2y, xy^2, y^3,
// x^3y, x^2y^2, xy^3, ...
enum Term : int { k1, kX, kY, kXX, kXY, kYY, kXXX, kXXY, kXYY, kYYY, kXXXY, kXXYY, kXYYY };

// The column map and the row map of one warp, zero outside the terms set.
struct WarpMaps {
  std::array<double, kWarpTerms> column{};
  std::array<double, kWarpTerms> row{};
};

bool IsAmount(int32_t amount) { return amount >= -kAmountLimit && amount <= kAmountLimit; }

bool SetInterpolation(CmiCall& call, int32_t code) {
  const IpiAttribute pair[] = {{"interpolation", code}};
  return call.Ok(IpiSetSystemAttributes(call.sys(), pair, 1));
}

bool SetRegionState(CmiCall& call, int32_t state) {
  const IpiAttribute pair[] = {{"roiState", state}};
  return call.Ok(IpiSetSystemAttributes(call.sys(), pair, 1));
}

// The frame both entry points share: checks, import, the rectangle, the
// operation on its window and the paste-back. `operation` receives the
// window and its size.
template <class Operation>
HGLOBAL Distort(HGLOBAL handle, bool arguments_ok, CmiOptionList pairs, int32_t n, int32_t* status,
                Operation&& operation) {
  CmiCall call(status, pairs, n);
  if (!call.Begin(arguments_ok)) return 0;
  const intptr_t option = call.options().Value("interpolation", kOptionNearest);
  if (option != kOptionNearest && option != kOptionBilinear) return call.Fail(kCmiStatusBadArgument);
  const int32_t interpolation = option == kOptionNearest ? kInterpolationNearest : kInterpolationBilinear;
  const CmiSource* source = call.LockSource(handle);
  if (source == nullptr) return 0;
  CmiRectangle rect;
  if (!ReadRectangle(call.options(), source->info, &rect)) return call.Fail(kCmiStatusBadArgument);
  if (!call.OpenContext()) return 0;
  IpiObject* image = call.ImportSource(*source);
  if (image == nullptr || !SetInterpolation(call, interpolation)) return 0;
  IpiObject* result = OperateOnRectangle(call, image, rect, [&](IpiObject* window) -> IpiObject* {
    return operation(call, window, rect.width, rect.height, interpolation);
  });
  if (result == nullptr) return 0;
  return call.Finish(result);
}

// x + s x (x - hx)(x - 2 hx) / hx^2 along one axis: both borders and the
// centre stay, the pixels between move outwards (s > 0) or inwards.
WarpMaps SpherizeMaps(int32_t direction, double s, double hx, double hy) {
  WarpMaps m;
  if (direction == kSpherizeAlongX) {
    m.column[kX] = 2 * s + 1;
    m.column[kXX] = -3 * s / hx;
    m.column[kXXX] = s / (hx * hx);
    m.row[kY] = 1;
  } else if (direction == kSpherizeAlongY) {
    m.column[kX] = 1;
    m.row[kY] = 2 * s + 1;
    m.row[kYY] = -3 * s / hy;
    m.row[kYYY] = s / (hy * hy);
  } else {
    m.column[k1] = -hx * s;
    m.column[kX] = 3 * s + 1;
    m.column[kY] = 2 * hx * s / hy;
    m.column[kXX] = -3 * s / hx;
    m.column[kXY] = -2 * s / hy;
    m.column[kYY] = -hx * s / (hy * hy);
    m.column[kXXX] = s / (hx * hx);
    m.column[kXYY] = s / (hy * hy);
    m.row[k1] = -hy * s;
    m.row[kX] = 2 * hy * s / hx;
    m.row[kY] = 3 * s + 1;
    m.row[kXX] = -hy * s / (hx * hx);
    m.row[kXY] = -2 * s / hx;
    m.row[kYY] = -3 * s / hy;
    m.row[kXXY] = s / (hx * hx);
    m.row[kYYY] = s / (hy * hy);
  }
  return m;
}

IpiObject* Spherize(CmiCall& call, IpiObject* window, int64_t width, int64_t height, int32_t direction,
                    int32_t amount) {
  IpiSystem* sys = call.sys();
  const double s = amount >= 0 ? amount / (amount + 50.0) : amount * 0.005;
  const WarpMaps maps = SpherizeMaps(direction, s, width / 2.0, height / 2.0);
  IpiObject* warped = call.CreateImage("oImage3", window);
  if (warped == nullptr || !call.Ok(IpiWarpAffine(sys, window, warped, maps.column.data(), maps.row.data()))) {
    return nullptr;
  }
  if (direction != kSpherizeBothAxes) return warped;

  // Both axes: only the ellipse inscribed in the rectangle takes the warped
  // pixels; the corners keep theirs.
  const intptr_t bands = IpiInquireAttribute(sys, window, "bDimension");
  IpiObject* region = call.CreateObject("oROI", &kRoiClass, nullptr,
                                        {{"xDimension", static_cast<intptr_t>(width)},
                                         {"yDimension", static_cast<intptr_t>(height)},
                                         {"bDimension", bands},
                                         {"repository", kRepositoryGlobalBlock}});
  if (region == nullptr) return nullptr;
  IpiObject* centre = IpiCreateTuple5(sys, static_cast<int32_t>(width / 2), static_cast<int32_t>(height / 2), 0, 0, 0);
  IpiObject* size = IpiCreateTuple5(sys, static_cast<int32_t>(width), static_cast<int32_t>(height), 1, 1, 1);
  if (centre == nullptr || size == nullptr) {
    call.FailFromContext();
    return nullptr;
  }
  if (!call.Ok(IpiSpherizeMap(sys, region, kSpherizeEllipse, centre, size)) ||
      !call.Ok(IpiSetAttribute(sys, warped, "roi", static_cast<intptr_t>(IpiObjectId(region)))) ||
      !SetRegionState(call, 1)) {
    return nullptr;
  }
  const int rc = IpiConvertDataType(sys, warped, window);
  // The region gates this copy only: it is switched off again before the
  // window is pasted back, so the paste covers the whole rectangle.
  if (!SetRegionState(call, 0) || !call.Ok(rc)) return nullptr;
  return window;
}

// The maps of the four quarters of the pinch, in the order (0, 0),
// (w / 2, 0), (0, h / 2), (w / 2, h / 2). Each keeps the quarter's outer
// borders and the window's centre lines in place.
std::array<WarpMaps, 4> PinchMaps(double s, double p, double q) {
  const double pq = p * q;
  const double pp = p * p;
  const double qq = q * q;
  std::array<WarpMaps, 4> m{};
  WarpMaps& a = m[0];
  a.column[kX] = 1;
  a.column[kXXY] = s / pq;
  a.column[kXYY] = s / qq;
  a.column[kXXXY] = -s / (pp * q);
  a.column[kXXYY] = -s / (p * qq);
  a.row[kY] = 1;
  a.row[kXXY] = s / pp;
  a.row[kXYY] = s / pq;
  a.row[kXXYY] = -s / (pp * q);
  a.row[kXYYY] = -s / (p * qq);

  WarpMaps& b = m[1];
  b.column[kX] = 1;
  b.column[kY] = 4 * s * p / q;
  b.column[kXY] = -8 * s / q;
  b.column[kYY] = 2 * s * p / qq;
  b.column[kXXY] = 5 * s / pq;
  b.column[kXYY] = -3 * s / qq;
  b.column[kXXXY] = -s / (pp * q);
  b.column[kXXYY] = s / (p * qq);
  b.row[kY] = 4 * s + 1;
  b.row[kXY] = -4 * s / p;
  b.row[kYY] = -2 * s / q;
  b.row[kXXY] = s / pp;
  b.row[kXYY] = 3 * s / pq;
  b.row[kYYY] = -2 * s / qq;
  b.row[kXXYY] = -s / (pp * q);
  b.row[kXYYY] = s / (p * qq);

  WarpMaps& c = m[2];
  c.column[kX] = 4 * s + 1;
  c.column[kXX] = -2 * s / p;
  c.column[kXY] = -4 * s / q;
  c.column[kXXX] = -2 * s / pp;
  c.column[kXXY] = 3 * s / pq;
  c.column[kXYY] = s / qq;
  c.column[kXXXY] = s / (pp * q);
  c.column[kXXYY] = -s / (p * qq);
  c.row[kX] = 4 * s * q / p;
  c.row[kY] = 1;
  c.row[kXX] = 2 * s * q / pp;
  c.row[kXY] = -8 * s / p;
  c.row[kXXY] = -3 * s / pp;
  c.row[kXYY] = 5 * s / pq;
  c.row[kXXYY] = s / (pp * q);
  c.row[kXYYY] = -s / (p * qq);

  WarpMaps& d = m[3];
  d.column[k1] = 16 * s * p;
  d.column[kX] = 1 - 28 * s;
  d.column[kY] = -12 * s * p / q;
  d.column[kXX] = 14 * s / p;
  d.column[kXY] = 20 * s / q;
  d.column[kYY] = 2 * s * p / qq;
  d.column[kXXX] = -2 * s / pp;
  d.column[kXXY] = -9 * s / pq;
  d.column[kXYY] = -3 * s / qq;
  d.column[kXXXY] = s / (pp * q);
  d.column[kXXYY] = s / (p * qq);
  d.row[k1] = 16 * s * q;
  d.row[kX] = -12 * s * q / p;
  d.row[kY] = 1 - 28 * s;
  d.row[kXX] = 2 * s * q / pp;
  d.row[kXY] = 20 * s / p;
  d.row[kYY] = 14 * s / q;
  d.row[kXXY] = -3 * s / pp;
  d.row[kXYY] = -9 * s / pq;
  d.row[kYYY] = -2 * s / qq;
  d.row[kXXYY] = s / (pp * q);
  d.row[kXYYY] = s / (p * qq);
  return m;
}

// Each quarter is warped over the whole window with its own maps, then cut
// from the scratch image into the result at the same place.
IpiObject* Pinch(CmiCall& call, IpiObject* window, int64_t width, int64_t height, int32_t interpolation,
                 int32_t amount) {
  IpiSystem* sys = call.sys();
  const double s = amount < 0 ? -amount / (100.0 - 2.0 * amount) : -amount * 0.01;
  const std::array<WarpMaps, 4> maps = PinchMaps(s, width / 2.0, height / 2.0);
  IpiObject* result = call.CreateImage("oImage3", window);
  IpiObject* scratch = call.CreateImage("oImage4", window);
  if (result == nullptr || scratch == nullptr) return nullptr;
  const int32_t quarter_width = static_cast<int32_t>((width + 1) / 2);
  const int32_t quarter_height = static_cast<int32_t>((height + 1) / 2);
  const int32_t origins[4][2] = {{0, 0},
                                 {static_cast<int32_t>(width / 2), 0},
                                 {0, static_cast<int32_t>(height / 2)},
                                 {static_cast<int32_t>(width / 2), static_cast<int32_t>(height / 2)}};
  IpiObject* size = IpiCreateTuple5(sys, quarter_width, quarter_height, 0, 0, 0);
  if (size == nullptr) {
    call.FailFromContext();
    return nullptr;
  }
  for (int i = 0; i < 4; ++i) {
    IpiObject* offset = IpiCreateTuple5(sys, origins[i][0], origins[i][1], 0, 0, 0);
    if (offset == nullptr) {
      call.FailFromContext();
      return nullptr;
    }
    if (!SetInterpolation(call, interpolation) ||
        !call.Ok(IpiWarpAffine(sys, window, scratch, maps[i].column.data(), maps[i].row.data())) ||
        !SetInterpolation(call, kInterpolationNearest) ||
        !call.Ok(IpiResample(sys, scratch, result, offset, size, offset, size))) {
      return nullptr;
    }
  }
  return result;
}

}  // namespace

HGLOBAL PELRITH_STDCALL CmiPinch(HGLOBAL handle, int32_t amount, CmiOptionList pairs, int32_t n,
                                 int32_t* status) noexcept {
  return CmiRun(status, [&] {
    return Distort(handle, IsAmount(amount), pairs, n, status,
                   [&](CmiCall& call, IpiObject* window, int64_t width, int64_t height, int32_t interpolation) {
                     return Pinch(call, window, width, height, interpolation, amount);
                   });
  });
}

HGLOBAL PELRITH_STDCALL CmiSpherize(HGLOBAL handle, int32_t direction, int32_t amount, CmiOptionList pairs,
                                    int32_t n, int32_t* status) noexcept {
  return CmiRun(status, [&] {
    const bool known =
        direction == kSpherizeBothAxes || direction == kSpherizeAlongX || direction == kSpherizeAlongY;
    return Distort(handle, known && IsAmount(amount), pairs, n, status,
                   [&](CmiCall& call, IpiObject* window, int64_t width, int64_t height, int32_t) {
                     return Spherize(call, window, width, height, direction, amount);
                   });
  });
}
