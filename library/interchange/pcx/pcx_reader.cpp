// The PCX reader: the header is checked, the coded length found by a scan of
// the run codes, and the palette taken from the header or, for 256 colours,
// from a trailer whose marker is checked first. The pixels stay coded: the
// data pass copies the coded rows into the target (compression 247).
#include <algorithm>
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
#include "interchange/pcx/pcx_codec.h"
#include "interchange/pcx/pcx_header.h"

namespace {

// What the header pass and the data pass share, all of it checked.
struct PcxFileInfo {
  PcxHeader header;
  PcxImageKind kind = PcxImageKind::kMonochrome;
  uint64_t coded_bytes = 0;     // from the end of the header
  std::vector<uint8_t> palette;  // R, G, B triples for the lookup table; empty: none
};

int64_t BitsPerPixel(const PcxFileInfo& info) {
  return int64_t{info.header.bits_per_plane} * info.header.planes;
}

// Kinds 1 to 3 are grey or indexed pictures, kind 4 a colour picture; a
// generic target takes any.
bool IsClassAllowed(const IpiObject& target, PcxImageKind kind) {
  if (target.object_class == &kGenericImageClass) return true;
  if (kind == PcxImageKind::kFullColour) return target.object_class == &kColourImageClass;
  return target.object_class == &kMonochromeImageClass;
}

// The palette for the lookup table. Two equal header colours (many mono
// files carry an all-zero palette) read as black and white. The 256-colour
// palette is taken only from a trailer whose marker stands 769 bytes before
// the end, after the coded rows; a trailer cut short is a cut file (22).
int GatherPalette(std::span<const uint8_t> file, PcxFileInfo& info) {
  const std::array<uint8_t, 3 * kPcxHeaderPaletteEntries>& header = info.header.palette;
  switch (info.kind) {
    case PcxImageKind::kMonochrome:
      info.palette.assign(header.begin(), header.begin() + 6);
      if (std::equal(header.begin(), header.begin() + 3, header.begin() + 3)) {
        std::fill_n(info.palette.begin(), 3, 0x00);
        std::fill_n(info.palette.begin() + 3, 3, 0xFF);
      }
      return kIpiNoError;
    case PcxImageKind::kSixteenColours:
      info.palette.assign(header.begin(), header.end());
      return kIpiNoError;
    case PcxImageKind::kFullColour:
      return kIpiNoError;
    case PcxImageKind::kByteIndexed:
      break;
  }
  const uint64_t data_end = kPcxHeaderBytes + info.coded_bytes;
  const uint64_t size = file.size();
  const bool has_trailer = size >= data_end + kPcxTrailerBytes && file[size - kPcxTrailerBytes] == kPcxTrailerMarker;
  if (!has_trailer && size > data_end && file[data_end] == kPcxTrailerMarker) return kIpiSyntaxError;
  if (has_trailer && info.header.palette_information == kPcxPaletteColour) {
    info.palette.assign(file.end() - (kPcxTrailerBytes - 1), file.end());
  }
  return kIpiNoError;
}

int ScanPcxFile(std::span<const uint8_t> file, PcxFileInfo& info) {
  IPI_RETURN_IF_ERROR(ParsePcxHeader(file, info.header, info.kind));
  int64_t row_bytes = 0;
  int64_t total_bytes = 0;
  IPI_RETURN_IF_ERROR(IpiCheckGeometry(info.header.width(), info.header.height(), BitsPerPixel(info),
                                       DimensionStorage::kBits16, &row_bytes, &total_bytes));
  // Planes x height lines of the stored length: a file that ends first gives
  // all its bytes, and the decoder refuses the rows they do not reach.
  const uint64_t decoded =
      uint64_t{info.header.planes} * static_cast<uint64_t>(info.header.height()) * info.header.bytes_per_line;
  bool is_complete = false;
  info.coded_bytes = PcxCodedLength(file.subspan(kPcxHeaderBytes), decoded, &is_complete);
  return GatherPalette(file, info);
}

int SetTargetAttributes(IpiSystem* sys, const PcxFileInfo& info, IpiObject* source, IpiObject* target) {
  const PcxHeader& h = info.header;
  const bool is_colour = info.kind == PcxImageKind::kFullColour;
  std::vector<IpiAttribute> list = {
      {"xDimension", static_cast<intptr_t>(h.width())},
      {"yDimension", static_cast<intptr_t>(h.height())},
      {"zDimension", 1},
      {"tDimension", 1},
      {"bDimension", info.kind == PcxImageKind::kSixteenColours ? 1 : h.planes},
      // dataType first: it sets the precision from the system, which dataPrecision replaces.
      {"dataType", info.kind == PcxImageKind::kMonochrome ? kDataTypeBoolean : kDataTypeNonnegative},
      {"bitOrder", kOrderMsbFirst},
      {"byteOrder", kOrderMsbFirst},
      {"dataPrecision", info.kind == PcxImageKind::kSixteenColours ? 4 : h.bits_per_plane},
      {"compression", kCompressionPcxRunLength},
      {"colourSpace", is_colour ? kColourSpaceRgb : source->fields.colour_space},
  };
  // Caller memory keeps the size of the memory as its bound until the data is there.
  if (target->fields.repository != kRepositoryCallerMemory) {
    list.push_back({"size", static_cast<intptr_t>(info.coded_bytes)});
  }
  if (target->fields.file_format == kFormatPcx) {
    list.push_back({"versionNumber", h.version});
    list.push_back({"horizontalResolution", h.horizontal_resolution});
    list.push_back({"verticalResolution", h.vertical_resolution});
    list.push_back({"bytePerLine", h.bytes_per_line});
  }
  return IpiSetAttributes(sys, target, list.data(), static_cast<int>(list.size()));
}

int LoadPcxPalette(IpiSystem* sys, const PcxFileInfo& info, IpiObject* target) {
  IpiObject* lut = IpiObjectFromId(sys, target->fields.lut);
  if (lut == nullptr) return kIpiNoError;
  const auto entries = static_cast<intptr_t>(info.palette.size() / 3);
  const IpiAttribute shape[] = {{"bitOrder", kOrderMsbFirst},
                                {"dataType", kDataTypeNonnegative},
                                {"dataPrecision", 8},
                                {"bDimension", 3},
                                {"xDimension", entries}};
  IPI_RETURN_IF_ERROR(IpiSetAttributes(sys, lut, shape, static_cast<int>(std::size(shape))));
  return entries == 0 ? kIpiNoError : WriteLutEntries(sys, lut, info.palette);
}

int CopyPcxData(IpiSystem* sys, std::span<const uint8_t> file, const PcxFileInfo& info, IpiObject* target) {
  if (target->fields.compression != kCompressionPcxRunLength) return IpiRefuse(sys, kIpiNonPermissibleOption);
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, target, AccessMode::kWrite, 0, out));
  const auto count = static_cast<int64_t>(info.coded_bytes);
  if (count > 0 && IpiWriteBytes(sys, out.stream(), 0, file.data() + kPcxHeaderBytes, count) != count) {
    return IpiGetLastError(sys);
  }
  IPI_RETURN_IF_ERROR(out.Close());
  return IpiSetAttribute(sys, target, "size", static_cast<intptr_t>(count));
}

}  // namespace

int ReadPcxFile(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode) {
  SourceBytes file;
  IPI_RETURN_IF_ERROR(IpiBeginRead(sys, source, target, read_mode, file));
  PcxFileInfo info;
  const int scanned = ScanPcxFile(file.bytes(), info);
  if (scanned != 0) return IpiRefuse(sys, scanned);
  if (!IsClassAllowed(*target, info.kind)) return IpiRefuse(sys, kIpiMismatchObjectClass);
  if (read_mode != kReadModeData) {
    IPI_RETURN_IF_ERROR(SetTargetAttributes(sys, info, source, target));
    IPI_RETURN_IF_ERROR(LoadPcxPalette(sys, info, target));
  }
  if (read_mode != kReadModeHeader) IPI_RETURN_IF_ERROR(CopyPcxData(sys, file.bytes(), info, target));
  return kIpiNoError;
}
