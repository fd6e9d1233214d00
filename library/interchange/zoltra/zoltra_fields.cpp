// The field walk of Zoltra image content; see zoltra_fields.h. Field data is
// kept as pieces of the content (one for the short form, one per piece of
// the long form), so nothing is copied until the pixels are taken.
#include "interchange/zoltra/zoltra_fields.h"

#include <algorithm>
#include <cstring>

#include "core/limits.h"
#include "core/status.h"
#include "interchange/common/interchange_codes.h"

namespace {

constexpr uint16_t kLongForm = 31;
constexpr uint16_t kPieceLengthMask = 0x7FFF;
constexpr uint16_t kMorePieces = 0x8000;

constexpr size_t kParameterBytes = 24;
constexpr size_t kMarkOffset = 16;  // F0 07
constexpr uint8_t kMark[2] = {0xF0, 0x07};
constexpr size_t kCompressionOffset = 18;
constexpr size_t kResolutionOffset = 19;
constexpr size_t kWidthOffset = 20;
constexpr size_t kHeightOffset = 22;
constexpr size_t kCornerBytes = 8;

enum class FieldRole { kSkip, kEnd, kCorners, kParameters, kUnknown };

FieldRole RoleOf(int type, int identifier) {
  switch (type) {
    case 0:
      if (identifier == 2) return FieldRole::kEnd;
      return identifier == 1 || identifier == 3 || identifier == 4 || identifier == 5 ? FieldRole::kSkip
                                                                                      : FieldRole::kUnknown;
    case 1: return identifier == 1 ? FieldRole::kSkip : FieldRole::kUnknown;
    case 2:
      if (identifier == 6) return FieldRole::kCorners;
      return identifier == 7 ? FieldRole::kSkip : FieldRole::kUnknown;
    case 4: return identifier == 10 ? FieldRole::kParameters : FieldRole::kUnknown;
    case 5: return identifier == 34 ? FieldRole::kSkip : FieldRole::kUnknown;
    case 6: return identifier == 1 ? FieldRole::kSkip : FieldRole::kUnknown;
    default: return FieldRole::kUnknown;
  }
}

struct CompressionCode {
  uint8_t code;
  int32_t compression;
};
constexpr CompressionCode kCompressionCodes[] = {
    {0xF2, kCompressionCcittHuffman}, {0xF3, kCompressionCcittMr}, {0xF4, kCompressionCcittMr},
    {0xF5, kCompressionCcittMmr},     {0xF9, kCompressionNone},
};

struct ResolutionCode {
  uint8_t code;
  int32_t x;
  int32_t y;
  int32_t unit;
};
constexpr ResolutionCode kResolutionCodes[] = {
    {0xB1, 480, 480, kZoltraUnitInch},    {0xB3, 400, 400, kZoltraUnitInch},
    {0xC0, 160, 160, kZoltraUnitInch},    {0xC1, 240, 240, kZoltraUnitInch},
    {0xC2, 180, 180, kZoltraUnitInch},    {0xC3, 200, 200, kZoltraUnitInch},
    {0xC4, 300, 300, kZoltraUnitInch},    {0xD0, 80, 80, kZoltraUnitInch},
    {0xD1, 120, 120, kZoltraUnitInch},    {0xF0, 8000, 3850, kZoltraUnitMetre},
    {0xF1, 8000, 7700, kZoltraUnitMetre}, {0xF2, 6000, 3850, kZoltraUnitMetre},
    {0xF3, 6000, 5780, kZoltraUnitMetre},
};

using Pieces = std::vector<std::span<const uint8_t>>;

// The data of the field whose head was just read: `length` bytes, or the
// long form's pieces. False when the data passes the content's end.
bool ReadFieldData(ByteReader& in, uint16_t length, Pieces* out) {
  out->clear();
  ByteReader piece;
  if (length != kLongForm) {
    if (!in.ReadSlice(length, piece)) return false;
    out->push_back(piece.bytes());
    return true;
  }
  // Every piece takes at least its 2-byte length word, so the loop ends.
  for (;;) {
    uint16_t word = 0;
    if (!in.ReadU16Be(word) || !in.ReadSlice(word & kPieceLengthMask, piece)) return false;
    if (piece.size() > 0) out->push_back(piece.bytes());
    if ((word & kMorePieces) == 0) return true;
  }
}

uint64_t TotalBytes(const Pieces& pieces) {
  uint64_t total = 0;
  for (const auto& p : pieces) total += p.size();
  return total;
}

// The first `out.size()` bytes of the pieces; false when they hold fewer.
bool CopyLeading(const Pieces& pieces, std::span<uint8_t> out) {
  size_t filled = 0;
  for (const auto& p : pieces) {
    if (filled == out.size()) break;
    const size_t n = std::min(p.size(), out.size() - filled);
    std::memcpy(out.data() + filled, p.data(), n);
    filled += n;
  }
  return filled == out.size();
}

// The pieces from byte `skip` on.
Pieces DropLeading(const Pieces& pieces, uint64_t skip) {
  Pieces rest;
  for (const auto& p : pieces) {
    if (skip >= p.size()) {
      skip -= p.size();
      continue;
    }
    rest.push_back(p.subspan(static_cast<size_t>(skip)));
    skip = 0;
  }
  return rest;
}

int32_t Be16(const uint8_t* b) { return (int32_t{b[0]} << 8) | b[1]; }

int ParseParameters(const Pieces& pieces, ZoltraImageInfo* info) {
  uint8_t p[kParameterBytes];
  if (!CopyLeading(pieces, p)) return kIpiSyntaxError;
  // A block without its mark is malformed data, not a resource failure.
  if (p[kMarkOffset] != kMark[0] || p[kMarkOffset + 1] != kMark[1]) return kIpiSyntaxError;
  const auto* compression = std::find_if(std::begin(kCompressionCodes), std::end(kCompressionCodes),
                                         [&](const CompressionCode& c) { return c.code == p[kCompressionOffset]; });
  if (compression == std::end(kCompressionCodes)) return kIpiSyntaxError;
  const auto* resolution = std::find_if(std::begin(kResolutionCodes), std::end(kResolutionCodes),
                                        [&](const ResolutionCode& r) { return r.code == p[kResolutionOffset]; });
  if (resolution == std::end(kResolutionCodes)) return kIpiSyntaxError;
  const int64_t width = Be16(p + kWidthOffset);
  const int64_t height = Be16(p + kHeightOffset);
  if (width == 0 || height == 0) return kIpiSyntaxError;
  int64_t row_bytes = 0;
  int64_t total_bytes = 0;
  IPI_RETURN_IF_ERROR(IpiCheckGeometry(width, height, 1, DimensionStorage::kBits16, &row_bytes, &total_bytes));
  info->compression = compression->compression;
  info->x_resolution = resolution->x;
  info->y_resolution = resolution->y;
  info->resolution_unit = resolution->unit;
  info->width = width;
  info->height = height;
  info->data = DropLeading(pieces, kParameterBytes);
  info->data_bytes = TotalBytes(pieces) - kParameterBytes;
  return kIpiNoError;
}

}  // namespace

std::span<const uint8_t> JoinZoltraContent(const ZoltraImageRecords& records, std::vector<uint8_t>& storage) {
  if (records.content.size() == 1) return records.content.front();
  storage.clear();
  storage.reserve(static_cast<size_t>(records.content_bytes));
  for (const auto& piece : records.content) storage.insert(storage.end(), piece.begin(), piece.end());
  return storage;
}

int ParseZoltraFields(std::span<const uint8_t> content, ZoltraImageInfo* out) {
  ZoltraImageInfo info;
  bool has_parameters = false;
  ByteReader in(content);
  Pieces data;
  // Every field takes at least its 2-byte head, so the walk ends.
  for (;;) {
    uint16_t head = 0;
    if (!in.ReadU16Be(head)) return kIpiSyntaxError;  // no end field
    const int type = head >> 12;
    const int identifier = (head >> 5) & 0x7F;
    const FieldRole role = RoleOf(type, identifier);
    if (role == FieldRole::kUnknown) return kIpiSyntaxError;
    if (!ReadFieldData(in, head & 0x1F, &data)) return kIpiSyntaxError;
    switch (role) {
      case FieldRole::kEnd:
        if (!has_parameters) return kIpiSyntaxError;  // an image without its size
        *out = std::move(info);
        return kIpiNoError;
      case FieldRole::kCorners: {
        uint8_t c[kCornerBytes];
        if (!CopyLeading(data, c)) return kIpiSyntaxError;
        for (size_t i = 0; i < info.corners.size(); ++i) info.corners[i] = Be16(c + 2 * i);
        break;
      }
      case FieldRole::kParameters:
        IPI_RETURN_IF_ERROR(ParseParameters(data, &info));
        has_parameters = true;
        break;
      case FieldRole::kSkip:
      case FieldRole::kUnknown:
        break;
    }
  }
}
