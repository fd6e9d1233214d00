// PCX header parse and build; see pcx_header.h.
#include "interchange/pcx/pcx_header.h"

#include "core/status.h"
#include "interchange/io/byte_reader.h"
#include "interchange/io/byte_store.h"

namespace {

constexpr uint64_t kReservedOffset = 64;
constexpr uint64_t kFillerBytes = 58;

}  // namespace

int ParsePcxHeader(std::span<const uint8_t> file, PcxHeader& header, PcxImageKind& kind) {
  ByteReader in(file);
  uint8_t manufacturer = 0;
  uint8_t encoding = 0;
  uint8_t reserved = 0;
  if (in.size() < kPcxHeaderBytes || !in.ReadU8(manufacturer) || !in.ReadU8(header.version) ||
      !in.ReadU8(encoding) || !in.ReadU8(header.bits_per_plane) || !in.ReadU16Le(header.x_min) ||
      !in.ReadU16Le(header.y_min) || !in.ReadU16Le(header.x_max) || !in.ReadU16Le(header.y_max) ||
      !in.ReadU16Le(header.horizontal_resolution) || !in.ReadU16Le(header.vertical_resolution) ||
      !in.ReadBytes(header.palette) || in.position() != kReservedOffset || !in.ReadU8(reserved) ||
      !in.ReadU8(header.planes) || !in.ReadU16Le(header.bytes_per_line) ||
      !in.ReadU16Le(header.palette_information)) {
    return kIpiSyntaxError;
  }
  if (manufacturer != kPcxManufacturer || encoding != kPcxEncodingRle || !IsPcxVersion(header.version)) {
    return kIpiSyntaxError;
  }
  // Extents come from two 16-bit corners: a reversed pair has no picture.
  if (header.x_max < header.x_min || header.y_max < header.y_min || header.bytes_per_line == 0) {
    return kIpiSyntaxError;
  }
  const int bits = header.bits_per_plane;
  const int planes = header.planes;
  if (bits == 1 && planes == 1) {
    kind = PcxImageKind::kMonochrome;
  } else if (bits == 1 && planes == 4) {
    kind = PcxImageKind::kSixteenColours;
  } else if (bits == 8 && planes == 1) {
    kind = PcxImageKind::kByteIndexed;
  } else if (bits == 8 && planes == 3) {
    kind = PcxImageKind::kFullColour;
  } else if (bits == 4) {
    return kIpiSemanticError;
  } else {
    return kIpiSyntaxError;
  }
  return kIpiNoError;
}

PcxLayout PcxLayoutOf(PcxImageKind kind) {
  switch (kind) {
    case PcxImageKind::kMonochrome: return PcxLayout::kBits1;
    case PcxImageKind::kSixteenColours: return PcxLayout::kBits4;
    default: return PcxLayout::kBytes8;
  }
}

std::array<uint8_t, kPcxHeaderBytes> BuildPcxHeader(const PcxHeader& header) {
  std::array<uint8_t, kPcxHeaderBytes> out{};
  out[0] = kPcxManufacturer;
  out[1] = header.version;
  out[2] = kPcxEncodingRle;
  out[3] = header.bits_per_plane;
  StoreU16Le(&out[4], header.x_min);
  StoreU16Le(&out[6], header.y_min);
  StoreU16Le(&out[8], header.x_max);
  StoreU16Le(&out[10], header.y_max);
  StoreU16Le(&out[12], header.horizontal_resolution);
  StoreU16Le(&out[14], header.vertical_resolution);
  for (size_t i = 0; i < header.palette.size(); ++i) out[16 + i] = header.palette[i];
  out[kReservedOffset] = 0;
  out[65] = header.planes;
  StoreU16Le(&out[66], header.bytes_per_line);
  StoreU16Le(&out[68], header.palette_information);
  static_assert(70 + kFillerBytes == kPcxHeaderBytes);
  return out;
}
