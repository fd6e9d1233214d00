// The SGI writer. Sizes that the header's 16-bit fields cannot hold and
// elements wider than the one byte per channel the header announces are
// refused before anything is written, so no file describes other data.
#include <vector>

#include "core/codes.h"
#include "core/objects/object.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/scoped_stream.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/codec_prelude.h"
#include "interchange/common/object_io.h"
#include "interchange/io/byte_store.h"
#include "interchange/sgi/sgi_file.h"

namespace {

constexpr uint16_t kMagic = 474;
constexpr uint8_t kStorageVerbatim = 0;
constexpr uint8_t kBytesPerChannel = 1;
constexpr uint16_t kDimensionMultiChannel = 3;
constexpr uint16_t kChannels = 3;
constexpr uint32_t kMaximumValue = 255;
constexpr size_t kHeaderBytes = 512;
constexpr int64_t kMaxField16 = 65535;
constexpr size_t kFlushBytes = 64 * 1024;

// Offsets in the header; the rest (image name, colour map code 0, padding)
// stays zero.
std::vector<uint8_t> Header(int64_t width, int64_t height) {
  std::vector<uint8_t> header(kHeaderBytes, 0);
  StoreU16Be(&header[0], kMagic);
  header[2] = kStorageVerbatim;
  header[3] = kBytesPerChannel;
  StoreU16Be(&header[4], kDimensionMultiChannel);
  StoreU16Be(&header[6], static_cast<uint32_t>(width));
  StoreU16Be(&header[8], static_cast<uint32_t>(height));
  StoreU16Be(&header[10], kChannels);
  StoreU32Be(&header[12], 0);  // minimum pixel value
  StoreU32Be(&header[16], kMaximumValue);
  return header;
}

int CheckWritable(IpiSystem* sys, IpiObject* image, IpiObject* file) {
  IPI_RETURN_IF_ERROR(RequireDataType(sys, image, kDataTypeNonnegative));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, file, kDataTypeNonnegative));
  if (image->fields.dimension[kDimB] != kChannels) return IpiRefuse(sys, kIpiMismatchDataType);
  int32_t bits = 0;
  IPI_RETURN_IF_ERROR(GetStoredBits(sys, image, &bits));
  const int32_t* d = image->fields.dimension;
  if (bits != 8 || d[kDimX] < 1 || d[kDimX] > kMaxField16 || d[kDimY] < 1 || d[kDimY] > kMaxField16 ||
      d[kDimZ] != 1 || d[kDimT] != 1) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  return kIpiNoError;
}

}  // namespace

int WriteSgiFile(IpiSystem* sys, IpiObject* image, IpiObject* file) {
  RowsWrite w;
  IPI_RETURN_IF_ERROR(IpiBeginRowsWrite(sys, image, file, CheckWritable, w));
  const int64_t width = w.width;
  const int64_t height = w.height;
  StreamSink sink(sys, w.stream.get());
  std::vector<uint8_t> out = Header(width, height);
  int status = kIpiNoError;
  for (int64_t band = 0; band < kChannels && status == 0; ++band) {
    for (int64_t y = height - 1; y >= 0 && status == 0; --y) {
      const uint8_t* row = IpiGetInputRow(sys, w.rows.stream(), width * (y + height * band));
      if (row == nullptr) {
        status = IpiGetLastError(sys);
        break;
      }
      out.insert(out.end(), row, row + width);
      const bool is_last = band + 1 == kChannels && y == 0;
      if (out.size() >= kFlushBytes || is_last) {
        if (!sink.Write(out.data(), out.size())) status = sink.status();
        out.clear();
      }
    }
  }
  return w.stream.CloseAfter(status);
}
