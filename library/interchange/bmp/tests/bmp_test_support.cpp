#include "interchange/bmp/tests/bmp_test_support.h"

#include <gtest/gtest.h>

#include <cctype>

#include "core/objects/attributes.h"
#include "core/streams/stream.h"

namespace bmp_test {

namespace {

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> BuildBmp(const BmpSpec& s) {
  std::vector<uint8_t> out;
  const uint32_t pixel_offset =
      (s.has_file_header ? 14 : 0) + s.info_header_bytes + static_cast<uint32_t>(s.palette.size());
  if (s.has_file_header) {
    out.push_back('B');
    out.push_back('M');
    PutU32(out, pixel_offset + static_cast<uint32_t>(s.body.size()));
    PutU32(out, 0);
    PutU32(out, pixel_offset);
  }
  PutU32(out, s.info_header_bytes);
  PutU32(out, static_cast<uint32_t>(s.width));
  PutU32(out, static_cast<uint32_t>(s.height));
  PutU16(out, 1);
  PutU16(out, s.bits);
  PutU32(out, s.compression);
  PutU32(out, s.image_size);
  PutU32(out, static_cast<uint32_t>(s.x_ppm));
  PutU32(out, static_cast<uint32_t>(s.y_ppm));
  PutU32(out, s.colours_used);
  PutU32(out, 0);
  // Longer headers: the rest (masks, colour space) left 0.
  for (uint32_t i = 40; i < s.info_header_bytes; ++i) out.push_back(0);
  out.insert(out.end(), s.palette.begin(), s.palette.end());
  out.insert(out.end(), s.body.begin(), s.body.end());
  return out;
}

std::vector<uint8_t> StoreRows(const std::vector<uint32_t>& pixels, int32_t width, int32_t height, int bits) {
  const size_t stride = static_cast<size_t>((width * bits + 31) / 32 * 4);
  std::vector<uint8_t> out(stride * static_cast<size_t>(height), 0);
  const int channels = bits >= 24 ? 3 : 1;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = out.data() + stride * static_cast<size_t>(height - 1 - y);
    for (int32_t x = 0; x < width; ++x) {
      const size_t i = (static_cast<size_t>(y) * width + x) * channels;
      switch (bits) {
        case 1:
          if (pixels[i] & 1) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
          break;
        case 4: row[x / 2] |= static_cast<uint8_t>((pixels[i] & 15) << (x % 2 == 0 ? 4 : 0)); break;
        case 8: row[x] = static_cast<uint8_t>(pixels[i]); break;
        case 16:
          row[2 * x] = static_cast<uint8_t>(pixels[i]);
          row[2 * x + 1] = static_cast<uint8_t>(pixels[i] >> 8);
          break;
        default: {
          const int pixel_bytes = bits / 8;
          row[pixel_bytes * x] = static_cast<uint8_t>(pixels[i + 2]);
          row[pixel_bytes * x + 1] = static_cast<uint8_t>(pixels[i + 1]);
          row[pixel_bytes * x + 2] = static_cast<uint8_t>(pixels[i]);
          if (bits == 32) row[pixel_bytes * x + 3] = 0x5A;  // the unused byte is dropped on reading
        }
      }
    }
  }
  return out;
}

uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t offset) {
  return bytes[offset] | (uint32_t{bytes[offset + 1]} << 8) | (uint32_t{bytes[offset + 2]} << 16) |
         (uint32_t{bytes[offset + 3]} << 24);
}

void PatchU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t expected, uint32_t value) {
  ASSERT_LE(offset + 4, bytes.size());
  ASSERT_EQ(ReadU32(bytes, offset), expected) << "fixture changed at offset " << offset;
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

IpiObject* MakeImage(IpiSystem* sys, const IpiObjectClass* cls, int32_t width, int32_t height, int32_t bands,
                     int32_t data_type, int32_t precision, int32_t repository, const std::vector<uint8_t>& data) {
  const IpiAttribute shape[] = {{"xDimension", width},      {"yDimension", height},
                                {"bDimension", bands},      {"dataType", data_type},
                                {"dataPrecision", precision}, {"repository", repository}};
  IpiObject* image = IpiCreateObject(sys, nullptr, cls, nullptr, shape, 6);
  EXPECT_NE(image, nullptr);
  if (image == nullptr || data.empty()) return image;
  IpiStream* stream = IpiOpenStream(sys, image, "w", 0);
  EXPECT_NE(stream, nullptr);
  if (stream == nullptr) return image;
  EXPECT_EQ(IpiWriteBytes(sys, stream, 0, data.data(), static_cast<int64_t>(data.size())),
            static_cast<int64_t>(data.size()));
  EXPECT_EQ(IpiCloseStream(sys, stream), 0);
  return image;
}

std::vector<uint8_t> ObjectData(IpiSystem* sys, IpiObject* obj) {
  int64_t elements = 0, bytes = 0;
  int32_t bits = 0;
  EXPECT_EQ(IpiObjectDataSize(sys, *obj, &elements, &bytes, &bits), 0);
  std::vector<uint8_t> out(static_cast<size_t>(bytes));
  IpiStream* stream = IpiOpenStream(sys, obj, "r", 0);
  EXPECT_NE(stream, nullptr);
  if (stream == nullptr) return {};
  EXPECT_EQ(IpiReadBytes(sys, stream, 0, out.data(), bytes), bytes);
  EXPECT_EQ(IpiCloseStream(sys, stream), 0);
  return out;
}

std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed, uint8_t modulo) {
  std::vector<uint8_t> out(count);
  uint32_t state = seed * 2654435761u + 1;
  for (uint8_t& b : out) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(state >> 24);
    if (modulo != 0) b %= modulo;
  }
  return out;
}

bool ParsePnm(const std::vector<uint8_t>& bytes, Pnm* out) {
  size_t pos = 0;
  auto skip_space = [&] {
    while (pos < bytes.size()) {
      if (bytes[pos] == '#') {
        while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
      } else if (std::isspace(bytes[pos])) {
        ++pos;
      } else {
        break;
      }
    }
  };
  auto number = [&](int& value) {
    skip_space();
    value = 0;
    bool any = false;
    while (pos < bytes.size() && std::isdigit(bytes[pos])) {
      value = value * 10 + (bytes[pos++] - '0');
      any = true;
    }
    return any;
  };
  if (bytes.size() < 2 || bytes[0] != 'P') return false;
  out->kind = static_cast<char>(bytes[1]);
  pos = 2;
  if (!number(out->width) || !number(out->height)) return false;
  out->max_value = 1;
  if (out->kind != '4' && !number(out->max_value)) return false;
  ++pos;  // one whitespace byte before the samples
  const size_t pixels = static_cast<size_t>(out->width) * out->height;
  out->samples.clear();
  if (out->kind == '4') {
    const size_t row_bytes = (out->width + 7) / 8;
    if (bytes.size() < pos + row_bytes * out->height) return false;
    for (int y = 0; y < out->height; ++y) {
      for (int x = 0; x < out->width; ++x) {
        out->samples.push_back((bytes[pos + y * row_bytes + x / 8] >> (7 - x % 8)) & 1);
      }
    }
    return true;
  }
  const size_t count = pixels * (out->kind == '6' ? 3 : 1);
  if (out->max_value > 255 || bytes.size() < pos + count) return false;
  out->samples.assign(bytes.begin() + pos, bytes.begin() + pos + count);
  // Samples on a scale of 0 to 255 whatever the file's maximum.
  for (uint8_t& s : out->samples) s = static_cast<uint8_t>(s * 255 / out->max_value);
  return true;
}

}  // namespace bmp_test
