// The WBMP reader: the header is checked whole before the image is touched;
// rows are placed into the image's one plane wherever its rows start, and
// rows missing at the end of the file are an error after the rows before them.
#include <algorithm>
#include <iterator>
#include <vector>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/codec_prelude.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/common/object_io.h"
#include "interchange/io/byte_reader.h"
#include "interchange/rows/bilevel_rows.h"
#include "interchange/wbmp/wbmp_file.h"

namespace {

constexpr int kMaxIntegerBytes = 4;

struct WbmpHeader {
  uint32_t width = 0;
  uint32_t height = 0;
  uint64_t rows_offset = 0;
};

int ParseHeader(ByteReader in, WbmpHeader& header) {
  uint8_t type = 0;
  uint8_t fix_header = 0;
  if (!in.ReadU8(type) || !in.ReadU8(fix_header) || type != 0 || fix_header != 0) return kIpiSyntaxError;
  if (!ReadWbmpInteger(in, header.width) || !ReadWbmpInteger(in, header.height)) return kIpiSyntaxError;
  if (header.width == 0 || header.height == 0) return kIpiSyntaxError;
  header.rows_offset = in.position();
  return kIpiNoError;
}

int DescribeImage(IpiSystem* sys, IpiObject* file, IpiObject* image, const WbmpHeader& header) {
  const IpiAttribute list[] = {
      {"xDimension", header.width},     {"yDimension", header.height},  {"zDimension", 1},
      {"tDimension", 1},                {"bDimension", 1},              {"dataType", kDataTypeBoolean},
      {"bitOrder", kOrderMsbFirst},     {"byteOrder", kOrderMsbFirst},  {"dataPrecision", 1},
      {"compression", kCompressionNone}, {"colourSpace", file->fields.colour_space},
  };
  IPI_RETURN_IF_ERROR(IpiSetAttributes(sys, image, list, static_cast<int>(std::size(list))));
  // A palette the caller gave the image says black for 0 and white for 1.
  IpiObject* lut = IpiObjectFromId(sys, image->fields.lut);
  if (lut == nullptr || lut->fields.dimension[kDimX] == 0 || lut->fields.data_type != kDataTypeNonnegative) {
    return kIpiNoError;
  }
  const uint8_t black_white[] = {0, 0, 0, 255, 255, 255};
  return WriteLutEntries(sys, lut, black_white);
}

int ReadRows(IpiSystem* sys, ByteReader in, IpiObject* image, const WbmpHeader& header) {
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenImageAccessor(sys, image, AccessMode::kWrite, 1, false, out));
  // The file has one plane: its rows go to the first plane, clipped to both.
  const int64_t width = std::min<int64_t>(header.width, out->dimension[kDimX]);
  const int64_t rows = std::min<int64_t>(header.height, out->dimension[kDimY]);
  const uint64_t row_bytes = (uint64_t{header.width} + 7) / 8;
  if (!in.SeekTo(header.rows_offset)) return IpiRefuse(sys, kIpiSyntaxError);
  for (int64_t y = 0; y < rows; ++y) {
    ByteReader file_row;
    if (!in.ReadSlice(row_bytes, file_row)) return IpiRefuse(sys, kIpiSyntaxError);
    const int64_t row_start = y * out->dimension[kDimX];
    uint8_t* row = IpiGetOutputRow(sys, out.stream(), row_start);
    if (row == nullptr) return IpiGetLastError(sys);
    ScatterBilevelRow(*out, row, row_start & 7, width, file_row.bytes().data());
    IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, out.stream(), row_start));
  }
  return out.Close();
}

}  // namespace

bool ReadWbmpInteger(ByteReader& in, uint32_t& value) {
  uint32_t result = 0;
  for (int i = 0; i < kMaxIntegerBytes; ++i) {
    uint8_t byte = 0;
    if (!in.ReadU8(byte)) return false;
    result = (result << 7) | (byte & 0x7Fu);
    if ((byte & 0x80) == 0) {
      value = result;
      return true;
    }
  }
  return false;  // a fifth byte would be needed
}

int ReadWbmpFile(IpiSystem* sys, IpiObject* file, IpiObject* image, int read_mode) {
  SourceBytes source;
  IPI_RETURN_IF_ERROR(IpiBeginRead(sys, file, image, read_mode, source));
  WbmpHeader header;
  if (ParseHeader(ByteReader(source.bytes()), header) != 0) return IpiRefuse(sys, kIpiSyntaxError);
  if (!IpiIsGenericOrMonochromeClass(image->object_class)) return IpiRefuse(sys, kIpiMismatchObjectClass);
  int64_t row_bytes = 0;
  int64_t total_bytes = 0;
  const int fits = IpiCheckGeometry(header.width, header.height, 1, DimensionStorage::kBits32, &row_bytes,
                                    &total_bytes);
  if (fits != 0) return IpiRefuse(sys, fits);

  if (read_mode != kReadModeData) IPI_RETURN_IF_ERROR(DescribeImage(sys, file, image, header));
  if (read_mode == kReadModeHeader) return kIpiNoError;
  // Rows of another type would be read into the wrong layout. (The source
  // object is a copy of the image made before the header was read, so only
  // the image's type tells.)
  IPI_RETURN_IF_ERROR(RequireDataType(sys, image, kDataTypeBoolean));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, image, 1));
  return ReadRows(sys, ByteReader(source.bytes()), image, header);
}
