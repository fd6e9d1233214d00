// The 128-byte PCX file header: its fields, the image kinds they describe,
// and the checked parse and the build of the header bytes.
#ifndef PELRITH_INTERCHANGE_PCX_PCX_HEADER_H_
#define PELRITH_INTERCHANGE_PCX_PCX_HEADER_H_

#include <array>
#include <cstdint>
#include <span>

#include "interchange/pcx/pcx_lines.h"

inline constexpr size_t kPcxHeaderBytes = 128;
inline constexpr uint8_t kPcxManufacturer = 10;
inline constexpr uint8_t kPcxEncodingRle = 1;
inline constexpr uint8_t kPcxDefaultVersion = 5;
inline constexpr int kPcxHeaderPaletteEntries = 16;
// The 256-colour palette after the data: a marker byte, then 256 R, G, B triples.
inline constexpr uint8_t kPcxTrailerMarker = 0x0C;
inline constexpr int kPcxTrailerEntries = 256;
inline constexpr size_t kPcxTrailerBytes = 1 + 3 * kPcxTrailerEntries;
// "palette information": 1 colour (or a palette follows), 2 grey.
inline constexpr uint16_t kPcxPaletteColour = 1;
inline constexpr uint16_t kPcxPaletteGrey = 2;

enum class PcxImageKind { kMonochrome = 1, kSixteenColours = 2, kByteIndexed = 3, kFullColour = 4 };

struct PcxHeader {
  uint8_t version = kPcxDefaultVersion;
  uint8_t bits_per_plane = 0;
  uint16_t x_min = 0, y_min = 0, x_max = 0, y_max = 0;
  uint16_t horizontal_resolution = 0;
  uint16_t vertical_resolution = 0;
  std::array<uint8_t, 3 * kPcxHeaderPaletteEntries> palette{};  // R, G, B triples
  uint8_t planes = 0;
  uint16_t bytes_per_line = 0;
  uint16_t palette_information = 0;

  // Checked by ParsePcxHeader: x_max >= x_min, y_max >= y_min.
  int64_t width() const { return int64_t{x_max} - x_min + 1; }
  int64_t height() const { return int64_t{y_max} - y_min + 1; }
};

[[nodiscard]] inline bool IsPcxVersion(int64_t version) {
  return version == 0 || version == 2 || version == 3 || version == 5;
}

// The header and its kind: 0, 22 for a malformed or short header, 19 for
// 4 bits per pixel in one plane (an unsupported kind that other programs
// write).
[[nodiscard]] int ParsePcxHeader(std::span<const uint8_t> file, PcxHeader& header, PcxImageKind& kind);

// The line layout of a kind, for a header's extents.
[[nodiscard]] PcxLayout PcxLayoutOf(PcxImageKind kind);

[[nodiscard]] std::array<uint8_t, kPcxHeaderBytes> BuildPcxHeader(const PcxHeader& header);

#endif  // PELRITH_INTERCHANGE_PCX_PCX_HEADER_H_
