// Geometry limits; see limits.h.
#include "core/limits.h"

#include "core/status.h"

int IpiCheckGeometry(int64_t width, int64_t height, int64_t bits_per_pixel,
                     DimensionStorage storage, int64_t* row_bytes, int64_t* total_bytes) {
  const int64_t max_side = storage == DimensionStorage::kBits16 ? kMaxDimension16 : kMaxDimension;
  if (width < 0 || height < 0 || bits_per_pixel < 0) return kIpiExceedImplementation;
  if (width > max_side || height > max_side) return kIpiExceedImplementation;
  if (width * height > kMaxPixels) return kIpiExceedImplementation;  // both below 2^24: no overflow
  if (bits_per_pixel > 256) return kIpiExceedImplementation;
  const int64_t row = (width * bits_per_pixel + 7) / 8;
  const int64_t total = row * height;  // at most 2^24 x 2^29: fits
  if (total > kMaxImageBytes) return kIpiExceedImplementation;
  if (row_bytes != nullptr) *row_bytes = row;
  if (total_bytes != nullptr) *total_bytes = total;
  return kIpiNoError;
}
