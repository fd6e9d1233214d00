// Shared pieces of the geometric operators; see geometry_support.h.
#include "core/operators/geometry/geometry_support.h"

#include <algorithm>

#include "core/codes.h"
#include "core/status.h"

namespace geometry {

int RequireGeometryTypes(IpiSystem* sys, IpiObject* source, IpiObject* destination) {
  IPI_RETURN_IF_ERROR(RequireDataType(sys, source, {kDataTypeBoolean, kDataTypeNonnegative}));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, destination, source->fields.data_type));
  const int32_t bits = source->fields.data_type == kDataTypeBoolean ? 1 : 8;
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, source, bits));
  return RequireStoredBits(sys, destination, bits);
}

bool RegionGates(const IpiSystem* sys, const IpiObject& image) {
  return IpiSystemValue(sys, IpiSystemAttribute::kRoiState) != 0 && image.fields.roi != 0;
}

bool PlaneOverlap::empty() const {
  for (int i = kDimZ; i <= kDimB; ++i) {
    if (first[i] > last[i]) return true;
  }
  return false;
}

PlaneOverlap OverlapPlanes(const IpiAccessor& source, const IpiAccessor& destination) {
  // The frame's region of the two images, with the destination as reference.
  int64_t extents[2][5] = {};
  int64_t offsets[2][5] = {};
  PlaneOverlap o;
  for (int i = 0; i < 5; ++i) {
    extents[0][i] = destination.dimension[i];
    extents[1][i] = source.dimension[i];
    o.shift[i] = i >= kDimZ ? int64_t{source.match_point[i]} - destination.match_point[i] : 0;
    offsets[1][i] = -o.shift[i];
  }
  const FrameRegion region = ComputeFrameRegion(extents[0], extents, offsets, 2, 5);
  for (int i = kDimZ; i <= kDimB; ++i) {
    o.first[i] = region.first[i];
    o.last[i] = region.last[i];
  }
  return o;
}

int CloseImages(IpiSystem* sys, int status, ScopedAccessor& destination, ScopedAccessor& source) {
  const int destination_status = destination.Close();
  const int source_status = source.Close();
  if (status != 0) {
    sys->last_error = status;  // a close failure after the first error does not hide it
    return status;
  }
  return destination_status != 0 ? destination_status : source_status;
}

}  // namespace geometry
