// The WBMP writer: the header, then each row of the image's one plane moved
// to a byte boundary and written with its last byte's spare bits cleared.
#include <algorithm>
#include <vector>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/object.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/scoped_stream.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/codec_prelude.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/common/object_io.h"
#include "interchange/rows/bilevel_rows.h"
#include "interchange/wbmp/wbmp_file.h"

namespace {

constexpr uint8_t kTypeField = 0;
constexpr uint8_t kFixHeaderField = 0;
constexpr size_t kFlushBytes = 64 * 1024;

// The file holds one plane: an image of several would lose all but the first.
int CheckWritable(IpiSystem* sys, IpiObject* image, IpiObject* file) {
  const IpiObjectFields& f = file->fields;
  const IpiObjectFields& i = image->fields;
  if (f.file_format != kFormatWbmp || f.compression != kCompressionNone || i.data_type != kDataTypeBoolean ||
      f.data_type != kDataTypeBoolean || f.data_precision != 1 || i.data_precision != 1) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  if (i.dimension[kDimZ] != 1 || i.dimension[kDimT] != 1 || i.dimension[kDimB] != 1 || i.dimension[kDimX] < 1 ||
      i.dimension[kDimY] < 1) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  int64_t row_bytes = 0;
  int64_t total_bytes = 0;
  const int fits = IpiCheckGeometry(i.dimension[kDimX], i.dimension[kDimY], 1, DimensionStorage::kBits32,
                                    &row_bytes, &total_bytes);
  return fits == 0 ? kIpiNoError : IpiRefuse(sys, fits);
}

}  // namespace

void AppendWbmpInteger(std::vector<uint8_t>& out, uint32_t value) {
  int groups = 1;
  while (groups < 5 && (value >> (7 * groups)) != 0) ++groups;
  for (int g = groups - 1; g >= 0; --g) {
    const auto bits = static_cast<uint8_t>((value >> (7 * g)) & 0x7F);
    out.push_back(g != 0 ? static_cast<uint8_t>(bits | 0x80) : bits);
  }
}

int WriteWbmpFile(IpiSystem* sys, IpiObject* image, IpiObject* file) {
  RowsWrite w;
  IPI_RETURN_IF_ERROR(IpiBeginRowsWrite(sys, image, file, CheckWritable, w));
  const int64_t width = w.width;
  const int64_t height = w.height;
  StreamSink sink(sys, w.stream.get());
  std::vector<uint8_t> out = {kTypeField, kFixHeaderField};
  AppendWbmpInteger(out, static_cast<uint32_t>(width));
  AppendWbmpInteger(out, static_cast<uint32_t>(height));
  const auto row_bytes = static_cast<size_t>((width + 7) / 8);
  int status = kIpiNoError;
  for (int64_t y = 0; y < height && status == 0; ++y) {
    const int64_t row_start = y * width;
    const uint8_t* row = IpiGetInputRow(sys, w.rows.stream(), row_start);
    if (row == nullptr) {
      status = IpiGetLastError(sys);
      break;
    }
    const size_t at = out.size();
    out.resize(at + row_bytes);
    GatherBilevelRow(*w.rows, row, row_start & 7, width, out.data() + at);
    if (out.size() >= kFlushBytes || y + 1 == height) {
      if (!sink.Write(out.data(), out.size())) status = sink.status();
      out.clear();
    }
  }
  return w.stream.CloseAfter(status);
}
