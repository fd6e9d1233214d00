// The coordinate mapping every resampling kernel shares: per dimension, the
// destination window clipped to the image and the map from a destination
// index to a source index. The maps are computed exactly in integers (the
// position is a fraction with denominator 2 x destination size), so a position
// that lands on a source element's edge is never pushed across it by a
// rounded ratio. Internal to this folder.
#ifndef PELRITH_CORE_OPERATORS_GEOMETRY_RESAMPLE_MAPPING_H_
#define PELRITH_CORE_OPERATORS_GEOMETRY_RESAMPLE_MAPPING_H_

#include <algorithm>
#include <cstdint>

#include "core/operators/geometry/geometry_support.h"
#include "core/operators/geometry/resample.h"
#include "core/streams/accessor.h"

namespace geometry {

class AxisMapping {
 public:
  AxisMapping() = default;
  AxisMapping(int64_t source_offset, int64_t source_size, int64_t destination_offset, int64_t destination_size,
              int64_t source_extent, int64_t destination_extent)
      : source_offset_(source_offset),
        source_size_(source_size),
        destination_offset_(destination_offset),
        destination_size_(destination_size),
        source_extent_(source_extent),
        first_(std::max<int64_t>(destination_offset, 0)),
        last_(std::min(destination_extent - 1, destination_offset + destination_size - 1)) {}

  // Destination indices of the window inside the destination.
  int64_t first() const { return first_; }
  int64_t last() const { return last_; }
  bool empty() const { return first_ > last_; }
  int64_t source_extent() const { return source_extent_; }
  bool Inside(int64_t s) const { return s >= 0 && s < source_extent_; }
  // r = source size / destination size.
  double ratio() const { return static_cast<double>(source_size_) / static_cast<double>(destination_size_); }

  // trunc((d + 0.5 - o_d) r + o_s).
  int64_t Nearest(int64_t d) const { return Truncate(Numerator(d)); }
  // u = (d + 0.5 - o_d) r + o_s - 0.5: returns i0 = trunc(u) and sets
  // `fraction` to (u - i0) x denominator() when u > 0, else 0.
  int64_t Interpolating(int64_t d, int64_t* fraction) const {
    const Wide n = Numerator(d) - destination_size_;  // minus one half
    const int64_t i0 = Truncate(n);
    *fraction = n > 0 ? static_cast<int64_t>(n - Wide{i0} * denominator()) : 0;
    return i0;
  }
  int64_t denominator() const { return 2 * destination_size_; }

 private:
  __extension__ typedef __int128 Wide;
  // Positions are at most about 2^33 x 2^31 x 2: far inside 128 bits. A
  // quotient beyond +-2^40 lies outside every image and is clamped there.
  static constexpr int64_t kFar = int64_t{1} << 40;

  // (d + 0.5 - o_d) r + o_s times the denominator 2 x destination size.
  Wide Numerator(int64_t d) const {
    return (Wide{2} * (d - destination_offset_) + 1) * source_size_ + Wide{2} * destination_size_ * source_offset_;
  }
  // Division of the numerator by the denominator, toward zero.
  int64_t Truncate(Wide n) const {
    const Wide q = n / denominator();
    return static_cast<int64_t>(std::clamp<Wide>(q, -kFar, kFar));
  }

  int64_t source_offset_ = 0;
  int64_t source_size_ = 1;
  int64_t destination_offset_ = 0;
  int64_t destination_size_ = 1;
  int64_t source_extent_ = 0;
  int64_t first_ = 0;
  int64_t last_ = -1;
};

// The five mappings of one call.
struct ResamplePlan {
  AxisMapping axis[5];

  ResamplePlan(const IpiResampleWindows& w, const IpiAccessor& source, const IpiAccessor& destination) {
    for (int k = 0; k < 5; ++k) {
      axis[k] = AxisMapping(w.source_offset[k], w.source_size[k], w.destination_offset[k], w.destination_size[k],
                            source.dimension[k], destination.dimension[k]);
    }
  }
};

// Calls visit(source plane element, destination plane element) for each
// destination plane (z, t, b) of the window whose nearest source plane lies
// inside the source, b outermost; stops at the first non-zero status.
template <typename Visit>
[[nodiscard]] int ForEachMappedPlane(const ResamplePlan& plan, const IpiAccessor& source,
                                     const IpiAccessor& destination, Visit&& visit) {
  const AxisMapping& mz = plan.axis[kDimZ];
  const AxisMapping& mt = plan.axis[kDimT];
  const AxisMapping& mb = plan.axis[kDimB];
  for (int64_t b = mb.first(); b <= mb.last(); ++b) {
    const int64_t sb = mb.Nearest(b);
    if (!mb.Inside(sb)) continue;
    for (int64_t t = mt.first(); t <= mt.last(); ++t) {
      const int64_t st = mt.Nearest(t);
      if (!mt.Inside(st)) continue;
      for (int64_t z = mz.first(); z <= mz.last(); ++z) {
        const int64_t sz = mz.Nearest(z);
        if (!mz.Inside(sz)) continue;
        const int status = visit(ElementIndex(source.dimension, 0, 0, sz, st, sb),
                                 ElementIndex(destination.dimension, 0, 0, z, t, b));
        if (status != 0) return status;
      }
    }
  }
  return 0;
}

// Every size of the windows at least 1: 0, else 18 (reported).
[[nodiscard]] int CheckResampleWindows(IpiSystem* sys, const IpiResampleWindows& w);

// Checks for a resampling kernel: the context, the windows, the data types
// and the region modes the kernel accepts (10 otherwise); then opens the
// source with `source_rows` per stream row and the destination with 1.
struct ResampleAcceptance {
  bool bits = true;           // dataType 18 at all
  bool bits_gated = false;    // dataType 18 with a region in effect
  bool bytes_gated = false;   // dataType 153 with a region in effect
};
[[nodiscard]] int OpenResampleImages(IpiSystem* sys, IpiObject* source, IpiObject* destination,
                                     const IpiResampleWindows& w, const ResampleAcceptance& accepts, int source_rows,
                                     ScopedAccessor& in, ScopedAccessor& out);

}  // namespace geometry

#endif  // PELRITH_CORE_OPERATORS_GEOMETRY_RESAMPLE_MAPPING_H_
