// Helpers of the DCT codec and JPEG file tests; see jpeg_test_support.h.
#include "tests/support/jpeg_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/streams/stream.h"
#include "interchange/common/interchange_codes.h"
#include "tests/support/test_support.h"

namespace jpeg_test {

Raster MakePhoto(int width, int height, int bands, uint32_t seed) {
  Raster r{width, height, bands, std::vector<uint8_t>(static_cast<size_t>(width) * height * bands)};
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-3, 3);
  for (int b = 0; b < bands; ++b) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        double v = 128 + 60 * std::sin(0.05 * x + 0.9 * b) * std::cos(0.037 * y - 0.4 * b);
        if ((x / 23 + y / 17) % 5 == 0) v += 35 - 20 * b;      // hard-edged patches
        if (x > width / 2 && y > height / 3) v -= 25 + 10 * b;  // a step across the picture
        v += noise(random);
        r.at(b, y, x) = static_cast<uint8_t>(std::clamp(static_cast<int>(std::lround(v)), 24, 231));
      }
    }
  }
  return r;
}

namespace {

IpiObject* NewImage(IpiSystem* sys, int width, int height, int bands, int32_t repository,
                    std::vector<uint8_t>* memory) {
  const IpiObjectClass* cls = bands == 1 ? &kMonochromeImageClass : &kColourImageClass;
  std::vector<IpiAttribute> shape = {{"xDimension", width},
                                     {"yDimension", height},
                                     {"bDimension", bands},
                                     {"repository", repository}};
  if (repository == kRepositoryCallerMemory) {
    memory->assign(static_cast<size_t>(width) * height * bands, 0);
    shape.push_back({"applicationAddressSpace", reinterpret_cast<intptr_t>(memory->data())});
    shape.push_back({"size", static_cast<intptr_t>(memory->size())});
  }
  return IpiCreateObject(sys, nullptr, cls, nullptr, shape.data(), static_cast<int>(shape.size()));
}

}  // namespace

IpiObject* MakeImage(IpiSystem* sys, const Raster& raster, int32_t repository, std::vector<uint8_t>* memory) {
  IpiObject* image = NewImage(sys, raster.width, raster.height, raster.bands, repository, memory);
  EXPECT_NE(image, nullptr);
  if (image == nullptr) return nullptr;
  IpiStream* stream = IpiOpenStream(sys, image, "w", 0);
  EXPECT_NE(stream, nullptr);
  const auto count = static_cast<int64_t>(raster.samples.size());
  EXPECT_EQ(IpiWriteBytes(sys, stream, 0, raster.samples.data(), count), count);
  EXPECT_EQ(IpiCloseStream(sys, stream), 0);
  return image;
}

IpiObject* MakeEmptyImage(IpiSystem* sys, int width, int height, int bands, int32_t repository,
                          std::vector<uint8_t>* memory) {
  IpiObject* image = NewImage(sys, width, height, bands, repository, memory);
  EXPECT_NE(image, nullptr);
  return image;
}

Raster ReadImage(IpiSystem* sys, IpiObject* image) {
  const int32_t* d = image->fields.dimension;
  Raster r{d[kDimX], d[kDimY], d[kDimB], std::vector<uint8_t>(static_cast<size_t>(d[kDimX]) * d[kDimY] * d[kDimB])};
  IpiStream* stream = IpiOpenStream(sys, image, "r", 0);
  EXPECT_NE(stream, nullptr);
  if (stream == nullptr) return r;
  const auto count = static_cast<int64_t>(r.samples.size());
  EXPECT_EQ(IpiReadBytes(sys, stream, 0, r.samples.data(), count), count);
  EXPECT_EQ(IpiCloseStream(sys, stream), 0);
  return r;
}

IpiObject* MakeCompressed(IpiSystem* sys, int width, int height, int bands, const Coding& coding,
                          int32_t repository, std::vector<uint8_t>* memory, size_t memory_bytes) {
  std::vector<IpiAttribute> shape = {{"fileFormat", kFormatJpeg},
                                     {"xDimension", width},
                                     {"yDimension", height},
                                     {"bDimension", bands},
                                     {"compression", kCompressionDct},
                                     {"samplingFactor", coding.sampling},
                                     {"quarityFactor", coding.quality},
                                     {"restartInterval", coding.restart_interval},
                                     {"repository", repository}};
  if (bands == 3) shape.push_back({"colourSpace", kColourSpaceYCbCr});
  if (repository == kRepositoryCallerMemory) {
    memory->assign(memory_bytes, 0);
    shape.push_back({"applicationAddressSpace", reinterpret_cast<intptr_t>(memory->data())});
    shape.push_back({"size", static_cast<intptr_t>(memory->size())});
  }
  IpiObject* obj = IpiCreateObject(sys, nullptr, bands == 1 ? &kMonochromeImageClass : &kColourImageClass, nullptr,
                                   shape.data(), static_cast<int>(shape.size()));
  EXPECT_NE(obj, nullptr);
  return obj;
}

std::vector<uint8_t> CodedBytes(IpiSystem* sys, IpiObject* compressed) {
  std::vector<uint8_t> bytes(static_cast<size_t>(compressed->fields.size));
  IpiStream* stream = IpiOpenStream(sys, compressed, "r", 0);
  EXPECT_NE(stream, nullptr);
  if (stream == nullptr) return {};
  const auto count = static_cast<int64_t>(bytes.size());
  EXPECT_EQ(IpiReadBytes(sys, stream, 0, bytes.data(), count), count);
  EXPECT_EQ(IpiCloseStream(sys, stream), 0);
  return bytes;
}

void SetCodedBytes(IpiSystem* sys, IpiObject* compressed, const std::vector<uint8_t>& bytes) {
  IpiStream* stream = IpiOpenStream(sys, compressed, "w", 0);
  ASSERT_NE(stream, nullptr);
  const auto count = static_cast<int64_t>(bytes.size());
  ASSERT_EQ(IpiWriteBytes(sys, stream, 0, bytes.data(), count), count);
  ASSERT_EQ(IpiCloseStream(sys, stream), 0);
  ASSERT_EQ(IpiSetAttribute(sys, compressed, "size", count), 0);
}

void WritePnm(const std::string& path, const Raster& r) {
  std::ofstream out(path, std::ios::binary);
  out << (r.bands == 1 ? "P5" : "P6") << "\n" << r.width << " " << r.height << "\n255\n";
  for (int y = 0; y < r.height; ++y) {
    for (int x = 0; x < r.width; ++x) {
      for (int b = 0; b < r.bands; ++b) out.put(static_cast<char>(r.at(b, y, x)));
    }
  }
}

Raster ReadPnm(const std::string& path) {
  const std::vector<uint8_t> bytes = testing_support::ReadFileBytes(path);
  std::string text(bytes.begin(), bytes.end());
  std::istringstream in(text);
  std::string magic;
  int width = 0, height = 0, maximum = 0;
  in >> magic >> width >> height >> maximum;
  in.get();
  Raster r{width, height, magic == "P5" ? 1 : 3, {}};
  r.samples.resize(static_cast<size_t>(width) * height * r.bands);
  size_t offset = static_cast<size_t>(in.tellg());
  if (magic != "P5" && magic != "P6") {
    ADD_FAILURE() << "not a binary PNM: " << path;
    return r;
  }
  if (bytes.size() < offset + r.samples.size()) {
    ADD_FAILURE() << "short PNM: " << path;
    return r;
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int b = 0; b < r.bands; ++b) r.at(b, y, x) = bytes[offset++];
    }
  }
  return r;
}

Difference Compare(const Raster& a, const Raster& b) {
  Difference d;
  EXPECT_EQ(a.samples.size(), b.samples.size());
  if (a.samples.size() != b.samples.size() || a.samples.empty()) return {255, 255};
  double total = 0;
  for (size_t i = 0; i < a.samples.size(); ++i) {
    const int diff = std::abs(int{a.samples[i]} - int{b.samples[i]});
    d.max = std::max(d.max, diff);
    total += diff;
  }
  d.mean = total / static_cast<double>(a.samples.size());
  return d;
}

double Psnr(const Raster& a, const Raster& b) {
  if (a.samples.size() != b.samples.size() || a.samples.empty()) return 0;
  double squares = 0;
  for (size_t i = 0; i < a.samples.size(); ++i) {
    const double diff = static_cast<double>(a.samples[i]) - static_cast<double>(b.samples[i]);
    squares += diff * diff;
  }
  const double mse = squares / static_cast<double>(a.samples.size());
  return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

int Run(const std::string& command, std::string* output) {
  return testing_support::RunCommand(command + " 2>&1", output);
}

}  // namespace jpeg_test
