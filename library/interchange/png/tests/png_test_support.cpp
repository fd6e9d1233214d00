// Fixtures of the PNG tests; see png_test_support.h.
#include "interchange/png/tests/png_test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/streams/stream.h"
#include "tests/support/test_support.h"

namespace png_test {

Picture MakePicture(int width, int height, int channels, int depth, uint32_t seed) {
  Picture p{width, height, channels, depth, std::vector<uint8_t>(static_cast<size_t>(width) * height * channels)};
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-4, 4);
  const int top = (1 << depth) - 1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < channels; ++c) {
        double v = 0.5 + 0.4 * std::sin(0.11 * x + 1.3 * c) * std::cos(0.07 * y - 0.5 * c);
        if ((x / 7 + y / 5) % 4 == 0) v = 1 - v;
        int level = static_cast<int>(std::lround(v * top)) + (depth == 8 ? noise(random) : 0);
        p.at(y, x, c) = static_cast<uint8_t>(std::clamp(level, 0, top));
      }
    }
  }
  return p;
}

IpiObject* MakeImage(IpiSystem* sys, const Picture& picture, int32_t repository) {
  const bool bits = picture.depth == 1;
  const IpiAttribute shape[] = {{"xDimension", picture.width},
                                {"yDimension", picture.height},
                                {"bDimension", picture.channels},
                                {"dataType", bits ? kDataTypeBoolean : kDataTypeNonnegative},
                                {"dataPrecision", picture.depth},
                                {"repository", repository}};
  IpiObject* image = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 6);
  EXPECT_NE(image, nullptr);
  if (image == nullptr) return nullptr;
  const size_t pixels = static_cast<size_t>(picture.width) * picture.height;
  std::vector<uint8_t> data;
  if (bits) {
    // Elements packed from bit 0x80 with no row padding.
    data.assign((pixels + 7) / 8, 0);
    for (size_t i = 0; i < pixels; ++i) {
      if (picture.samples[i] != 0) data[i / 8] |= static_cast<uint8_t>(0x80u >> (i % 8));
    }
  } else {
    data.resize(pixels * picture.channels);
    for (int c = 0; c < picture.channels; ++c) {
      for (size_t i = 0; i < pixels; ++i) data[c * pixels + i] = picture.samples[i * picture.channels + c];
    }
  }
  IpiStream* stream = IpiOpenStream(sys, image, "w", 0);
  EXPECT_NE(stream, nullptr);
  const auto count = static_cast<int64_t>(data.size());
  EXPECT_EQ(IpiWriteBytes(sys, stream, 0, data.data(), count), count);
  EXPECT_EQ(IpiCloseStream(sys, stream), 0);
  return image;
}

Picture ReadPicture(IpiSystem* sys, IpiObject* image, int depth) {
  const int32_t* d = image->fields.dimension;
  Picture p{d[kDimX], d[kDimY], d[kDimB], depth, {}};
  const size_t pixels = static_cast<size_t>(p.width) * p.height;
  p.samples.resize(pixels * p.channels);
  const bool bits = image->fields.data_type == kDataTypeBoolean;
  std::vector<uint8_t> data(bits ? (pixels + 7) / 8 : pixels * p.channels);
  IpiStream* stream = IpiOpenStream(sys, image, "r", 0);
  EXPECT_NE(stream, nullptr);
  if (stream == nullptr) return p;
  const auto count = static_cast<int64_t>(data.size());
  EXPECT_EQ(IpiReadBytes(sys, stream, 0, data.data(), count), count);
  EXPECT_EQ(IpiCloseStream(sys, stream), 0);
  const bool lsb_first = image->fields.bit_order == kOrderLsbFirst;
  for (size_t i = 0; i < pixels; ++i) {
    for (int c = 0; c < p.channels; ++c) {
      if (bits) {
        const unsigned mask = lsb_first ? 1u << (i % 8) : 0x80u >> (i % 8);
        p.samples[i] = (data[i / 8] & mask) != 0 ? 1 : 0;
      } else {
        p.samples[i * p.channels + c] = data[c * pixels + i];
      }
    }
  }
  return p;
}

IpiObject* MakeLut(IpiSystem* sys, const std::vector<uint8_t>& rgb) {
  const auto entries = static_cast<intptr_t>(rgb.size() / 3);
  const IpiAttribute shape[] = {{"xDimension", entries}, {"bDimension", 3}, {"dataType", kDataTypeNonnegative},
                                {"dataPrecision", 8},    {"bitOrder", kOrderMsbFirst},
                                {"repository", kRepositoryGlobalBlock}};
  IpiObject* lut = IpiCreateObject(sys, nullptr, &kLookupTableClass, nullptr, shape, 6);
  EXPECT_NE(lut, nullptr);
  std::vector<uint8_t> runs(rgb.size());
  for (intptr_t i = 0; i < entries; ++i) {
    for (int b = 0; b < 3; ++b) runs[b * entries + i] = rgb[3 * i + b];
  }
  IpiStream* stream = IpiOpenStream(sys, lut, "w", 0);
  EXPECT_NE(stream, nullptr);
  const auto count = static_cast<int64_t>(runs.size());
  EXPECT_EQ(IpiWriteBytes(sys, stream, 0, runs.data(), count), count);
  EXPECT_EQ(IpiCloseStream(sys, stream), 0);
  return lut;
}

bool ParsePam(const std::vector<uint8_t>& bytes, Pam* out) {
  const std::string text(bytes.begin(), bytes.end());
  std::istringstream in(text);
  std::string magic;
  in >> magic;
  Pam p;
  if (magic == "P7") {
    std::string key;
    while (in >> key && key != "ENDHDR") {
      if (key == "WIDTH") in >> p.width;
      else if (key == "HEIGHT") in >> p.height;
      else if (key == "DEPTH") in >> p.depth;
      else if (key == "MAXVAL") in >> p.max_value;
      else in.ignore(1 << 20, '\n');
    }
  } else if (magic == "P4") {
    in >> p.width >> p.height;
    p.depth = 1;
    p.max_value = 1;
  } else if (magic == "P5" || magic == "P6") {
    in >> p.width >> p.height >> p.max_value;
    p.depth = magic == "P5" ? 1 : 3;
  } else {
    return false;
  }
  in.get();  // the one white-space byte before the samples
  size_t offset = static_cast<size_t>(in.tellg());
  const size_t samples = static_cast<size_t>(p.width) * p.height * p.depth;
  if (p.max_value > 255) return false;
  p.samples.resize(samples);
  if (magic == "P4") {
    const size_t row_bytes = (static_cast<size_t>(p.width) + 7) / 8;
    if (bytes.size() < offset + row_bytes * p.height) return false;
    for (int y = 0; y < p.height; ++y) {
      for (int x = 0; x < p.width; ++x) {
        const bool black = (bytes[offset + y * row_bytes + x / 8] & (0x80 >> (x % 8))) != 0;
        p.samples[static_cast<size_t>(y) * p.width + x] = black ? 0 : 1;
      }
    }
  } else {
    if (bytes.size() < offset + samples) return false;
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), samples, p.samples.begin());
  }
  *out = std::move(p);
  return true;
}

int Run(const std::string& command, std::string* output) {
  return testing_support::RunCommand(command + " 2>&1", output);
}

namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

}  // namespace

PngBuilder::PngBuilder() : bytes_{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A} {}

PngBuilder& PngBuilder::Chunk(const std::string& type, const std::vector<uint8_t>& data) {
  PutU32(bytes_, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> covered(type.begin(), type.end());
  covered.insert(covered.end(), data.begin(), data.end());
  bytes_.insert(bytes_.end(), covered.begin(), covered.end());
  PutU32(bytes_, static_cast<uint32_t>(crc32(0, covered.data(), static_cast<uInt>(covered.size()))));
  return *this;
}

PngBuilder& PngBuilder::Header(uint32_t width, uint32_t height, uint8_t depth, uint8_t colour_type,
                               uint8_t interlace) {
  std::vector<uint8_t> data;
  PutU32(data, width);
  PutU32(data, height);
  data.insert(data.end(), {depth, colour_type, 0, 0, interlace});
  return Chunk("IHDR", data);
}

PngBuilder& PngBuilder::Data(const std::vector<uint8_t>& raw_rows) { return Chunk("IDAT", Deflate(raw_rows)); }

PngBuilder& PngBuilder::End() { return Chunk("IEND", {}); }

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& raw, int level) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> out(size);
  EXPECT_EQ(compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level), Z_OK);
  out.resize(size);
  return out;
}

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& coded, size_t expected_bytes) {
  std::vector<uint8_t> out(expected_bytes + 1);
  uLongf size = static_cast<uLongf>(out.size());
  EXPECT_EQ(uncompress(out.data(), &size, coded.data(), static_cast<uLong>(coded.size())), Z_OK);
  out.resize(size);
  return out;
}

uint32_t ReadU32Be(const std::vector<uint8_t>& bytes, size_t offset) {
  return uint32_t{bytes.at(offset)} << 24 | uint32_t{bytes.at(offset + 1)} << 16 |
         uint32_t{bytes.at(offset + 2)} << 8 | bytes.at(offset + 3);
}

size_t FindChunk(const std::vector<uint8_t>& png, const std::string& type) {
  size_t offset = 8;
  while (offset + 8 <= png.size()) {
    if (std::string(png.begin() + offset + 4, png.begin() + offset + 8) == type) return offset;
    offset += 12 + ReadU32Be(png, offset);
  }
  return 0;
}

}  // namespace png_test
