// The KOL1 readers; see kol1_file.h. Headers are parsed and checked in full
// before anything is set on the target; the coded bytes are copied as they
// stand (the one-bit run decoder bounds what it reads of them).
#include <algorithm>
#include <iterator>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/scoped_stream.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/codec_prelude.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/common/object_io.h"
#include "interchange/io/byte_reader.h"
#include "interchange/kol1/kol1_file.h"
#include "interchange/one_bit_runs/one_bit_run_stream.h"

namespace {

constexpr uint8_t kMagic[4] = {'K', 'O', 'L', '1'};

// fileFormat 215.
constexpr uint64_t kRasterHeaderBytes = 27;
constexpr uint16_t kRasterFlagsNone = 0;
constexpr uint16_t kRasterFlagsSet = 0x8000;
constexpr uint8_t kRasterMarker = 0xC1;
constexpr uint8_t kRasterPlanes = 1;
// Colour codes of palette entry 0; any other code is white.
constexpr uint8_t kColourRed = 241;
constexpr uint8_t kColourBlue = 242;
constexpr uint8_t kColourGreen = 244;

// fileFormat 250.
constexpr uint64_t kStreamHeaderBytes = 32;
constexpr uint64_t kStreamWidthOffset = 10;

struct Kol1Image {
  uint16_t width = 0;
  int64_t height = 0;
  uint8_t colour_code = 0;
  ByteReader data;  // the coded bytes
};

int ParseRunRaster(ByteReader in, Kol1Image& image) {
  uint8_t magic[4] = {};
  uint32_t data_bytes = 0;
  uint16_t height = 0;
  uint16_t flags = 0;
  uint8_t marker = 0;
  uint8_t planes = 0;
  if (!in.ReadBytes(magic) || !std::equal(magic, magic + 4, kMagic)) return kIpiSyntaxError;
  if (!in.ReadU32Be(data_bytes) || !in.ReadU16Be(height) || !in.ReadU16Be(flags) || !in.Skip(8) ||
      !in.ReadU8(marker) || !in.ReadU8(image.colour_code) || !in.ReadU8(planes) || !in.ReadU16Be(image.width) ||
      !in.Skip(2)) {
    return kIpiSyntaxError;
  }
  if ((flags != kRasterFlagsNone && flags != kRasterFlagsSet) || marker != kRasterMarker || planes != kRasterPlanes) {
    return kIpiSyntaxError;
  }
  // Coded data with no row to put it in, and data that would end past the
  // file, are refused rather than copied.
  if (image.width == 0 || height == 0 || data_bytes == 0) return kIpiSyntaxError;
  if (!in.Slice(kRasterHeaderBytes, data_bytes, image.data)) return kIpiSyntaxError;
  image.height = height;
  return kIpiNoError;
}

int ParseRunStream(ByteReader in, Kol1Image& image) {
  uint8_t magic[4] = {};
  uint32_t data_bytes = 0;
  if (in.size() < kStreamHeaderBytes) return kIpiSyntaxError;
  if (!in.ReadBytes(magic)) return kIpiSyntaxError;
  if (!std::equal(magic, magic + 4, kMagic)) return kIpiMismatchObjectClass;
  if (!in.SeekTo(kStreamWidthOffset) || !in.ReadU16Be(image.width) || !in.ReadU32Be(data_bytes)) {
    return kIpiSyntaxError;
  }
  if (image.width == 0 || !in.Slice(kStreamHeaderBytes, data_bytes, image.data)) return kIpiSyntaxError;
  // The height is not stored: it is the number of coded rows.
  image.height = CountCodedRows(image.data.bytes());
  return image.height > 0 ? kIpiNoError : kIpiSyntaxError;
}

int CheckSize(IpiSystem* sys, const Kol1Image& image) {
  int64_t row_bytes = 0;
  int64_t total_bytes = 0;
  const int fits = IpiCheckGeometry(image.width, image.height, 1, DimensionStorage::kBits32, &row_bytes, &total_bytes);
  return fits == 0 ? kIpiNoError : IpiRefuse(sys, fits);
}

int DescribeTarget(IpiSystem* sys, IpiObject* compressed, const Kol1Image& image, int32_t format) {
  const IpiAttribute list[] = {
      {"xDimension", image.width},
      {"yDimension", static_cast<intptr_t>(image.height)},
      {"zDimension", 1},
      {"tDimension", 1},
      {"bDimension", 1},
      {"dataType", kDataTypeBoolean},
      {"dataPrecision", 1},
      {"bitOrder", kOrderMsbFirst},
      {"byteOrder", kOrderMsbFirst},
      {"compression", kCompressionOneBitRun},
      {"size", static_cast<intptr_t>(image.data.size())},
      {"fileFormat", format},
  };
  return IpiSetAttributes(sys, compressed, list, static_cast<int>(std::size(list)));
}

// Entry 0 in the colour of the code, entry 1 black.
int FillRasterLut(IpiSystem* sys, IpiObject* compressed, uint8_t colour_code) {
  IpiObject* lut = IpiObjectFromId(sys, compressed->fields.lut);
  if (lut == nullptr) return kIpiNoError;
  const IpiAttribute shape[] = {
      {"dataType", kDataTypeNonnegative}, {"dataPrecision", 8}, {"entries", 2}, {"bDimension", 3}};
  IPI_RETURN_IF_ERROR(IpiSetAttributes(sys, lut, shape, 4));
  uint8_t rgb[6] = {255, 255, 255, 0, 0, 0};
  if (colour_code == kColourRed) {
    rgb[1] = rgb[2] = 0;
  } else if (colour_code == kColourBlue) {
    rgb[0] = rgb[1] = 0;
  } else if (colour_code == kColourGreen) {
    rgb[0] = rgb[2] = 0;
  }
  return WriteLutEntries(sys, lut, rgb);
}

int CopyCodedBytes(IpiSystem* sys, IpiObject* compressed, const ByteReader& data) {
  ScopedStream stream(sys, IpiOpenStream(sys, compressed, "w", 0));
  if (!stream) return IpiGetLastError(sys);
  const int64_t count = static_cast<int64_t>(data.size());
  const int64_t written = IpiWriteBytes(sys, stream.get(), 0, data.bytes().data(), count);
  const int status = written < 0 ? IpiGetLastError(sys) : kIpiNoError;
  return stream.CloseAfter(status);
}

}  // namespace

int ReadRunRasterFile(IpiSystem* sys, IpiObject* file, IpiObject* compressed, int read_mode) {
  SourceBytes source;
  Kol1Image image;
  const CodecClassCheck file_class{file, IpiIsGenericOrMonochromeClass};
  IPI_RETURN_IF_ERROR(
      IpiBeginParsedRead(sys, file, compressed, read_mode, file_class, source, ParseRunRaster, image));
  IPI_RETURN_IF_ERROR(CheckSize(sys, image));
  if (read_mode != kReadModeData) {
    IPI_RETURN_IF_ERROR(DescribeTarget(sys, compressed, image, kFormatRunRaster));
    IPI_RETURN_IF_ERROR(FillRasterLut(sys, compressed, image.colour_code));
  }
  if (read_mode != kReadModeHeader) {
    IPI_RETURN_IF_ERROR(RequireDataType(sys, compressed, kDataTypeBoolean));
    IPI_RETURN_IF_ERROR(CopyCodedBytes(sys, compressed, image.data));
  }
  return kIpiNoError;
}

int ReadRunStreamFile(IpiSystem* sys, IpiObject* file, IpiObject* compressed, int read_mode) {
  SourceBytes source;
  IPI_RETURN_IF_ERROR(IpiBeginRead(sys, file, compressed, read_mode, source));
  Kol1Image image;
  const int parsed = ParseRunStream(ByteReader(source.bytes()), image);
  if (parsed != 0) return IpiRefuse(sys, parsed);
  if (!IpiIsGenericOrMonochromeClass(compressed->object_class)) return IpiRefuse(sys, kIpiMismatchObjectClass);
  IPI_RETURN_IF_ERROR(CheckSize(sys, image));
  if (read_mode != kReadModeData) IPI_RETURN_IF_ERROR(DescribeTarget(sys, compressed, image, kFormatRunStream));
  if (read_mode != kReadModeHeader) IPI_RETURN_IF_ERROR(CopyCodedBytes(sys, compressed, image.data));
  return kIpiNoError;
}
