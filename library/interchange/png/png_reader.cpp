// The PNG reader: one bounded scan over the whole file checks the signature,
// every chunk's length, order and CRC, and gathers what the header pass
// sets; nothing is set or written before the scan has passed. The pixels
// stay deflated: the data pass copies the IDAT payloads, in order, into the
// target as coded data of compression 264.
#include <algorithm>
#include <optional>
#include <string>
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
#include "interchange/png/png_chunks.h"
#include "interchange/png/png_codec.h"
#include "interchange/png/png_crc.h"

namespace {

// What the scan found, all of it checked.
struct PngFileInfo {
  uint32_t width = 0;
  uint32_t height = 0;
  uint8_t bit_depth = 0;
  const PngColourType* colour = nullptr;
  uint8_t interlace = 0;
  bool has_palette = false;
  std::vector<uint8_t> palette;  // R, G, B triples
  bool has_transparency = false;
  std::vector<uint8_t> alpha;    // palette images: one alpha byte per entry
  uint16_t transparent[3] = {};  // grey, or red, green, blue
  std::optional<std::string> copyright;
  bool has_data = false;
  uint64_t first_data_offset = 0;  // head of the first IDAT chunk
  uint64_t data_bytes = 0;         // total of the IDAT lengths
};

// Chunk types of the program's own kind: four ASCII letters (no locale).
bool IsChunkTypeValid(const PngChunkType& type) {
  return std::all_of(type.begin(), type.end(), [](uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

bool IsDepthAllowed(uint8_t png_type, uint8_t depth) {
  const bool any = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
  switch (png_type) {
    case kPngTypeGrey: return any;
    case kPngTypeRgb:
    case kPngTypeRgbAlpha: return depth == 8 || depth == 16;
    case kPngTypePalette: return any && depth <= 8;
    default: return false;  // grey with alpha and unknown types
  }
}

int ReadPngHeaderChunk(ByteReader data, PngFileInfo& info) {
  if (data.size() != kPngHeaderBytes) return kIpiSyntaxError;
  uint8_t type = 0;
  uint8_t compression = 0;
  uint8_t filter = 0;
  if (!data.ReadU32Be(info.width) || !data.ReadU32Be(info.height) || !data.ReadU8(info.bit_depth) ||
      !data.ReadU8(type) || !data.ReadU8(compression) || !data.ReadU8(filter) || !data.ReadU8(info.interlace)) {
    return kIpiSyntaxError;
  }
  if (info.width == 0 || info.height == 0 || info.width > kPngMaxDimension || info.height > kPngMaxDimension) {
    return kIpiSyntaxError;
  }
  if (!IsDepthAllowed(type, info.bit_depth) || compression != kPngCompressionDeflate ||
      filter != kPngFilterMethodAdaptive || (info.interlace != kPngInterlaceNone && info.interlace != kPngInterlaceAdam7)) {
    return kIpiSyntaxError;
  }
  info.colour = FindPngColourType(type);
  int64_t row_bytes = 0;
  int64_t total_bytes = 0;
  return IpiCheckGeometry(info.width, info.height, int64_t{info.bit_depth} * info.colour->channels,
                          DimensionStorage::kBits32, &row_bytes, &total_bytes);
}

// At most 256 entries, and no more than a palette image's depth can index.
int ReadPngPaletteChunk(ByteReader data, PngFileInfo& info) {
  if (info.has_palette || data.size() % 3 != 0) return kIpiSyntaxError;
  const uint64_t entries = data.size() / 3;
  uint64_t largest = kPngMaxPaletteEntries;
  if (info.colour->png_type == kPngTypePalette) largest = std::min<uint64_t>(largest, uint64_t{1} << info.bit_depth);
  if (entries > largest) return kIpiSyntaxError;
  info.has_palette = true;
  info.palette.assign(data.bytes().begin(), data.bytes().end());
  return kIpiNoError;
}

int ReadPngTransparencyChunk(ByteReader data, PngFileInfo& info) {
  if (info.has_transparency) return kIpiSyntaxError;  // one tRNS only
  info.has_transparency = true;
  switch (info.colour->png_type) {
    case kPngTypePalette:
      if (!info.has_palette || data.size() > info.palette.size() / 3) return kIpiSyntaxError;
      info.alpha.assign(data.bytes().begin(), data.bytes().end());
      return kIpiNoError;
    case kPngTypeGrey:
      if (data.size() != 2) return kIpiSyntaxError;
      return data.ReadU16Be(info.transparent[0]) ? kIpiNoError : kIpiSyntaxError;
    case kPngTypeRgb:
      if (data.size() != 6) return kIpiSyntaxError;
      for (uint16_t& value : info.transparent) {
        if (!data.ReadU16Be(value)) return kIpiSyntaxError;
      }
      return kIpiNoError;
    default:
      return kIpiSyntaxError;
  }
}

// A "Copyright" text, cut at kPngMaxCopyrightBytes, replaces any read
// before it: the file's last one is kept. Texts of other keywords are dropped.
void ReadPngTextChunk(ByteReader data, PngFileInfo& info) {
  constexpr size_t kKeywordBytes = sizeof kPngCopyrightKeyword;  // with its zero byte
  const std::span<const uint8_t> bytes = data.bytes();
  if (bytes.size() < kKeywordBytes) return;
  if (!std::equal(bytes.begin(), bytes.begin() + kKeywordBytes, kPngCopyrightKeyword)) return;
  const std::span<const uint8_t> text = bytes.subspan(kKeywordBytes);
  const size_t kept = std::min<size_t>(text.size(), kPngMaxCopyrightBytes);
  info.copyright.emplace(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(kept));
}

// The whole chunk sequence; 0, 22 or 3 (not reported).
int ScanPngChunks(std::span<const uint8_t> file, PngFileInfo& info) {
  ByteReader in(file);
  std::array<uint8_t, 8> signature{};
  if (!in.ReadBytes(signature) || signature != kPngSignature) return kIpiSyntaxError;
  bool has_header = false;
  bool has_gamma = false;
  for (;;) {
    const uint64_t head_offset = in.position();
    uint32_t length = 0;
    PngChunkType type{};
    ByteReader data;
    uint32_t stored_crc = 0;
    if (!in.ReadU32Be(length) || length > kPngMaxChunkLength || !in.ReadBytes(type) || !in.ReadSlice(length, data) ||
        !in.ReadU32Be(stored_crc)) {
      return kIpiSyntaxError;  // cut off, or a length past the file's end
    }
    PngCrc crc;
    crc.PngCrcUpdate(type);
    crc.PngCrcUpdate(data.bytes());
    if (crc.value() != stored_crc) return kIpiSyntaxError;
    // IHDR first, and once.
    if (has_header == (type == kChunkIhdr)) return kIpiSyntaxError;

    if (type == kChunkIhdr) {
      IPI_RETURN_IF_ERROR(ReadPngHeaderChunk(data, info));
      has_header = true;
    } else if (type == kChunkPlte) {
      IPI_RETURN_IF_ERROR(ReadPngPaletteChunk(data, info));
    } else if (type == kChunkIdat) {
      if (info.colour->png_type == kPngTypePalette && !info.has_palette) return kIpiSyntaxError;
      if (!info.has_data) info.first_data_offset = head_offset;
      info.has_data = true;
      info.data_bytes += length;  // bounded by the file's size
    } else if (type == kChunkIend) {
      break;
    } else if (type == kChunkGama) {
      // Read and not used; it must still be well placed and sized.
      uint32_t gamma = 0;
      if (has_gamma || info.has_palette || length != kPngGammaBytes || !data.ReadU32Be(gamma)) return kIpiSyntaxError;
      has_gamma = true;
    } else if (type == kChunkTrns) {
      IPI_RETURN_IF_ERROR(ReadPngTransparencyChunk(data, info));
    } else if (type == kChunkText) {
      ReadPngTextChunk(data, info);
    } else if (!IsChunkTypeValid(type)) {
      return kIpiSyntaxError;
    }
  }
  // An image without pixel data, or of a depth the row layouts lack.
  if (!info.has_data) return kIpiSyntaxError;
  if (info.bit_depth != 1 && info.bit_depth != 4 && info.bit_depth != 8) return kIpiSyntaxError;
  return kIpiNoError;
}

int SetTargetAttributes(IpiSystem* sys, const PngFileInfo& info, IpiObject* target) {
  const int channels = info.colour->channels;
  std::vector<IpiAttribute> list = {
      {"xDimension", static_cast<intptr_t>(info.width)},
      {"yDimension", static_cast<intptr_t>(info.height)},
      {"zDimension", 1},
      {"tDimension", 1},
      {"bDimension", channels},
      // dataType first: it sets the precision from the system, which the next entry replaces.
      {"dataType", info.bit_depth == 1 ? kDataTypeBoolean : kDataTypeNonnegative},
      {"dataPrecision", info.bit_depth},
      {"compression", kCompressionDeflatePng},
      {"bitOrder", kOrderMsbFirst},
      {"byteOrder", kOrderMsbFirst},
  };
  if (channels >= 3) list.push_back({"colourSpace", kColourSpaceRgb});
  // Caller memory keeps the size of the memory as its bound until the data is there.
  if (target->fields.repository != kRepositoryCallerMemory) {
    list.push_back({"size", static_cast<intptr_t>(info.data_bytes)});
  }
  if (target->fields.file_format == kFormatPng) {
    list.push_back({"interlacedImage", info.interlace});
    list.push_back({"colourType", info.colour->code});
    list.push_back({"transparency", info.has_transparency ? 1 : 0});
    if (info.has_transparency && info.colour->png_type == kPngTypePalette) {
      // The count first: setting the table copies that many bytes.
      list.push_back({"transparencyEntry", static_cast<intptr_t>(info.alpha.size())});
      if (!info.alpha.empty()) list.push_back({"transparencyPaletteIndex", reinterpret_cast<intptr_t>(info.alpha.data())});
    } else if (info.has_transparency && info.colour->png_type == kPngTypeGrey) {
      list.push_back({"transparencyGray", info.transparent[0]});
    } else if (info.has_transparency) {
      list.push_back({"transparencyRed", info.transparent[0]});
      list.push_back({"transparencyGreen", info.transparent[1]});
      list.push_back({"transparencyBlue", info.transparent[2]});
    }
    list.push_back({"compressionDataSize", static_cast<intptr_t>(info.data_bytes)});
    list.push_back({"copyright", info.copyright ? reinterpret_cast<intptr_t>(info.copyright->c_str()) : 0});
  }
  return IpiSetAttributes(sys, target, list.data(), static_cast<int>(list.size()));
}

// LoadPngPalette: the attached lookup table gets 2^depth entries, the
// file's colours first and black after them; no entries without PLTE.
int LoadPngPalette(IpiSystem* sys, const PngFileInfo& info, IpiObject* target) {
  IpiObject* lut = IpiObjectFromId(sys, target->fields.lut);
  if (lut == nullptr) return kIpiNoError;
  const int64_t entries = info.has_palette ? int64_t{1} << info.bit_depth : 0;
  const IpiAttribute shape[] = {{"bitOrder", kOrderMsbFirst},
                                {"dataType", kDataTypeNonnegative},
                                {"dataPrecision", 8},
                                {"bDimension", 3},
                                {"xDimension", static_cast<intptr_t>(entries)}};
  IPI_RETURN_IF_ERROR(IpiSetAttributes(sys, lut, shape, static_cast<int>(std::size(shape))));
  if (entries == 0) return kIpiNoError;
  std::vector<uint8_t> rgb(static_cast<size_t>(3 * entries), 0);
  std::copy_n(info.palette.begin(), std::min(rgb.size(), info.palette.size()), rgb.begin());
  return WriteLutEntries(sys, lut, rgb);
}

// CopyPngData: the payloads of the IDAT chunks that follow each other from
// the first one. Chunks between them would leave data behind: 22.
int CopyPngData(IpiSystem* sys, std::span<const uint8_t> file, const PngFileInfo& info, IpiObject* target) {
  if (target->fields.compression != kCompressionDeflatePng) return IpiRefuse(sys, kIpiNonPermissibleOption);
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, target, AccessMode::kWrite, 0, out));
  ByteReader in(file);
  if (!in.SeekTo(info.first_data_offset)) return IpiRefuse(sys, kIpiSyntaxError);
  int64_t copied = 0;
  for (;;) {
    uint32_t length = 0;
    PngChunkType type{};
    ByteReader data;
    // The scan checked every chunk up to IEND.
    if (!in.ReadU32Be(length) || !in.ReadBytes(type) || type != kChunkIdat || !in.ReadSlice(length, data) ||
        !in.Skip(kPngChunkCrcBytes)) {
      break;
    }
    const auto count = static_cast<int64_t>(length);
    if (IpiWriteBytes(sys, out.stream(), copied, data.bytes().data(), count) != count) return IpiGetLastError(sys);
    copied += count;
  }
  if (static_cast<uint64_t>(copied) != info.data_bytes) return IpiRefuse(sys, kIpiSyntaxError);
  IPI_RETURN_IF_ERROR(out.Close());
  // The bytes were written into the target's memory, so this never widens its bound.
  return IpiSetAttribute(sys, target, "size", static_cast<intptr_t>(copied));
}

}  // namespace

int ReadPngFile(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode) {
  SourceBytes file;
  IPI_RETURN_IF_ERROR(IpiBeginRead(sys, source, target, read_mode, file, {target, IpiIsImageClass}));
  PngFileInfo info;
  const int scanned = ScanPngChunks(file.bytes(), info);
  if (scanned != 0) return IpiRefuse(sys, scanned);
  if (read_mode != kReadModeData) {
    IPI_RETURN_IF_ERROR(SetTargetAttributes(sys, info, target));
    IPI_RETURN_IF_ERROR(LoadPngPalette(sys, info, target));
  }
  if (read_mode != kReadModeHeader) IPI_RETURN_IF_ERROR(CopyPngData(sys, file.bytes(), info, target));
  return kIpiNoError;
}
