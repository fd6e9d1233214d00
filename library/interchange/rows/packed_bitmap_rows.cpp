// Layout checks of packed-bitmap images; see packed_bitmap_rows.h.
#include "interchange/rows/packed_bitmap_rows.h"

#include "core/codes.h"
#include "core/status.h"
#include "core/streams/stream.h"

int IpiGetPackedBitmapRows(IpiSystem* sys, IpiObject* image, int64_t needed_row_bytes, PackedBitmapRows* out) {
  int64_t elements = 0;
  int64_t bytes = 0;
  int32_t bits = 0;
  const int status = IpiObjectDataSize(sys, *image, &elements, &bytes, &bits);
  if (status != 0) return IpiRefuse(sys, status);
  if (image->fields.data_type != kDataTypeNonnegative || bits != 8) return IpiRefuse(sys, kIpiMismatchDataType);
  const int64_t row_bytes = image->fields.dimension[kDimX];
  if (row_bytes < needed_row_bytes || row_bytes < 1) return IpiRefuse(sys, kIpiNonPermissibleOption);
  out->row_bytes = row_bytes;
  out->rows = image->fields.dimension[kDimY];
  return kIpiNoError;
}

void IpiStoreBgrRow(const uint8_t* red, const uint8_t* green, const uint8_t* blue, int64_t count, uint8_t* bgr) {
  for (int64_t i = 0; i < count; ++i) {
    bgr[3 * i] = blue[i];
    bgr[3 * i + 1] = green[i];
    bgr[3 * i + 2] = red[i];
  }
}
