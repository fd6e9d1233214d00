// Zoltra files laid out in code; see zoltra_builder.h.
#include "interchange/zoltra/tests/zoltra_builder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zoltra_test {
namespace {

void PutU16(Bytes& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void PutRecord(Bytes& out, uint16_t code, uint16_t value) {
  PutU16(out, code);
  PutU16(out, value);
}

// A field of `data`: the short form when asked and it fits, else pieces.
void PutField(Bytes& out, int type, int identifier, const Bytes& data, bool is_long, size_t piece_bytes,
              size_t* data_offset = nullptr) {
  if (!is_long && data.size() < 31) {
    PutU16(out, FieldHead(type, identifier, static_cast<int>(data.size())));
    if (data_offset != nullptr) *data_offset = out.size();
    out.insert(out.end(), data.begin(), data.end());
    return;
  }
  PutU16(out, FieldHead(type, identifier, 31));
  size_t at = 0;
  do {
    const size_t n = std::min(piece_bytes, data.size() - at);
    const bool is_last = at + n == data.size();
    PutU16(out, static_cast<uint32_t>(n) | (is_last ? 0 : 0x8000));
    if (at == 0 && data_offset != nullptr) *data_offset = out.size();
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
               data.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
  } while (at < data.size());
}

// The content, and where the parameter bytes begin inside it.
Bytes Content(const ImageSpec& image, size_t* parameters) {
  Bytes out;
  if (image.has_skipped_fields) {
    PutField(out, 0, 1, {0x12, 0x34}, false, 0);
    PutField(out, 1, 1, {}, false, 0);
    PutField(out, 6, 1, Bytes(40, 0x55), true, 16);
  }
  if (image.has_corners) {
    Bytes corners;
    for (uint16_t c : image.corners) PutU16(corners, c);
    PutField(out, 2, 6, corners, false, 0);
  }
  Bytes parameters_field(24, 0x40);
  parameters_field[16] = 0xF0;
  parameters_field[17] = 0x07;
  parameters_field[18] = image.compression_code;
  parameters_field[19] = image.resolution_code;
  parameters_field[20] = static_cast<uint8_t>(image.width >> 8);
  parameters_field[21] = static_cast<uint8_t>(image.width);
  parameters_field[22] = static_cast<uint8_t>(image.height >> 8);
  parameters_field[23] = static_cast<uint8_t>(image.height);
  parameters_field.insert(parameters_field.end(), image.data.begin(), image.data.end());
  PutField(out, 4, 10, parameters_field, image.is_long_field, image.field_piece_bytes, parameters);
  if (image.has_skipped_fields) PutField(out, 5, 34, {1, 2, 3}, false, 0);
  PutField(out, 0, 2, {}, false, 0);
  return out;
}

}  // namespace

uint16_t FieldHead(int type, int identifier, int length) {
  return static_cast<uint16_t>((type << 12) | (identifier << 5) | length);
}

Bytes ZoltraContent(const ImageSpec& image) {
  size_t parameters = 0;
  return Content(image, &parameters);
}

BuiltFile BuildZoltraFile(const std::vector<ImageSpec>& images, int leading_units) {
  BuiltFile built;
  Bytes& out = built.bytes;
  out.assign(static_cast<size_t>(leading_units) * 256, 0x40);  // EBCDIC spaces
  out[0] = static_cast<uint8_t>(0xF0 + leading_units / 10);
  out[1] = static_cast<uint8_t>(0xF0 + leading_units % 10);
  out[2] = 0x23;
  built.document = out.size();
  PutRecord(out, 0xF111, 0x8000);
  for (const ImageSpec& image : images) {
    built.images.push_back(out.size());
    PutRecord(out, 0xF110, 0x8000);
    Bytes head(24, 0);
    head[0] = 0xF0;
    head[1] = 0x04;
    head[3] = 0x14;
    head[12] = 0xF1;
    out.insert(out.end(), head.begin(), head.end());
    PutRecord(out, 0xF110, image.has_extra_end ? 0x8000 : 0x0000);
    const Bytes descriptor(6, 0x11);
    PutRecord(out, 0xF500, static_cast<uint16_t>(descriptor.size()));
    out.insert(out.end(), descriptor.begin(), descriptor.end());
    size_t parameters = 0;
    const Bytes content = Content(image, &parameters);
    if (!image.is_chained) {
      EXPECT_LE(content.size(), 0x7FFFu) << "content too long for one record";
      PutRecord(out, 0xF401, static_cast<uint16_t>(content.size()));
      built.parameters.push_back(out.size() + parameters);
      out.insert(out.end(), content.begin(), content.end());
    } else {
      PutRecord(out, 0xF501, 0x8000);
      built.parameters.push_back(0);
      for (size_t at = 0; at < content.size(); at += image.content_piece_bytes) {
        const size_t n = std::min(image.content_piece_bytes, content.size() - at);
        PutRecord(out, 0xF004, static_cast<uint16_t>(n));
        out.insert(out.end(), content.begin() + static_cast<std::ptrdiff_t>(at),
                   content.begin() + static_cast<std::ptrdiff_t>(at + n));
      }
      PutRecord(out, 0xF000, 0);
    }
    if (image.has_extra_end) PutRecord(out, 0xF000, 0);
    PutRecord(out, 0xF000, 0);
  }
  built.end = out.size();
  PutRecord(out, 0xF000, 0);
  return built;
}

Bytes PackRows(const Bytes& samples, int width, int height) {
  const size_t row_bytes = (static_cast<size_t>(width) + 7) / 8;
  Bytes out(row_bytes * static_cast<size_t>(height), 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (samples[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] != 0) {
        out[static_cast<size_t>(y) * row_bytes + static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  return out;
}

void PatchU16(Bytes& bytes, size_t offset, uint16_t expected, uint16_t value) {
  PatchByte(bytes, offset, static_cast<uint8_t>(expected >> 8), static_cast<uint8_t>(value >> 8));
  PatchByte(bytes, offset + 1, static_cast<uint8_t>(expected), static_cast<uint8_t>(value));
}

}  // namespace zoltra_test
