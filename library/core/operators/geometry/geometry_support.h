// Pieces the geometric operators share: their type rule, which images gate,
// the planes a source and a destination share through their match points,
// and closing both images with the first failure kept. Internal to this folder.
#ifndef PELRITH_CORE_OPERATORS_GEOMETRY_GEOMETRY_SUPPORT_H_
#define PELRITH_CORE_OPERATORS_GEOMETRY_GEOMETRY_SUPPORT_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/operators/operator_frame.h"
#include "core/system/system.h"

namespace geometry {

// Region-of-interest mode: which images gate the elements written.
inline constexpr int kRegionNone = 0;
inline constexpr int kRegionSource = 1;
inline constexpr int kRegionDestination = 4;

// Both images of dataType 18 stored with 1 bit per element, or both 153 with
// 8 bits: 0. Otherwise 10 (a 153 image of another precision would be moved
// one byte per element and come out garbled); 9 for an object not live. The
// code is reported once.
[[nodiscard]] int RequireGeometryTypes(IpiSystem* sys, IpiObject* source, IpiObject* destination);

// Whether an image opened with "roiState" 1 gates: the system's "roiState" is
// on and the image names a region. Lets an operator refuse a mode it does not
// take before anything is opened.
[[nodiscard]] bool RegionGates(const IpiSystem* sys, const IpiObject& image);
[[nodiscard]] inline int RegionMode(const IpiSystem* sys, const IpiObject& source, const IpiObject& destination) {
  return (RegionGates(sys, source) ? kRegionSource : 0) | (RegionGates(sys, destination) ? kRegionDestination : 0);
}

inline int64_t ElementIndex(const int32_t extent[5], int64_t x, int64_t y, int64_t z, int64_t t, int64_t b) {
  return x + extent[kDimX] * (y + extent[kDimY] * (z + extent[kDimZ] * (t + extent[kDimT] * b)));
}

// The z, t and b planes a source and a destination share through their
// accessors' match points: destination plane (z, t, b) within first..last
// takes source plane (z, t, b) + shift. x and y are left at 0..0.
struct PlaneOverlap {
  int64_t first[5] = {};
  int64_t last[5] = {};
  int64_t shift[5] = {};  // source match point - destination match point
  bool empty() const;
};
[[nodiscard]] PlaneOverlap OverlapPlanes(const IpiAccessor& source, const IpiAccessor& destination);

// Calls visit(source plane element, destination plane element) for every
// shared plane, b outermost, z innermost; stops at the first non-zero status.
template <typename Visit>
[[nodiscard]] int ForEachSharedPlane(const IpiAccessor& source, const IpiAccessor& destination, Visit&& visit) {
  const PlaneOverlap o = OverlapPlanes(source, destination);
  if (o.empty()) return 0;
  for (int64_t b = o.first[kDimB]; b <= o.last[kDimB]; ++b) {
    for (int64_t t = o.first[kDimT]; t <= o.last[kDimT]; ++t) {
      for (int64_t z = o.first[kDimZ]; z <= o.last[kDimZ]; ++z) {
        const int64_t from = ElementIndex(source.dimension, 0, 0, z + o.shift[kDimZ], t + o.shift[kDimT],
                                          b + o.shift[kDimB]);
        const int64_t to = ElementIndex(destination.dimension, 0, 0, z, t, b);
        const int status = visit(from, to);
        if (status != 0) return status;
      }
    }
  }
  return 0;
}

// Closes the destination, then the source. A non-zero `status` stays the
// result and the last error; otherwise the first close failure is returned.
[[nodiscard]] int CloseImages(IpiSystem* sys, int status, ScopedAccessor& destination, ScopedAccessor& source);

// Bit position of element `element` of 1-bit data within the byte a row
// address points at (the stream layer returns the byte holding the element).
inline int64_t BitInByte(int64_t element) { return element & 7; }

}  // namespace geometry

#endif  // PELRITH_CORE_OPERATORS_GEOMETRY_GEOMETRY_SUPPORT_H_
