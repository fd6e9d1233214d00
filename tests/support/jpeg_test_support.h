// Helpers of the DCT codec and JPEG file tests: planar rasters, image and
// compressed objects in any repository, PNM files for the oracle programs,
// and pixel comparisons.
#ifndef TESTS_SUPPORT_JPEG_TEST_SUPPORT_H_
#define TESTS_SUPPORT_JPEG_TEST_SUPPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"

namespace jpeg_test {

// Band-sequential 8-bit samples, as the library stores them.
struct Raster {
  int width = 0;
  int height = 0;
  int bands = 0;
  std::vector<uint8_t> samples;
  uint8_t& at(int band, int y, int x) { return samples[(static_cast<size_t>(band) * height + y) * width + x]; }
  uint8_t at(int band, int y, int x) const {
    return samples[(static_cast<size_t>(band) * height + y) * width + x];
  }
};

// A photograph-like raster: smooth shading, a few hard edges and mild noise,
// kept within 24..231 so that no decoder has to clip.
Raster MakePhoto(int width, int height, int bands, uint32_t seed);

// An image object holding `raster`: "repository" 223, 83 or 9 (caller memory
// that `memory` keeps). Grey rasters give a MonochromeImage, colour ones a
// ColourImage.
IpiObject* MakeImage(IpiSystem* sys, const Raster& raster, int32_t repository, std::vector<uint8_t>* memory = nullptr);
// An empty image of that shape, to decode into.
IpiObject* MakeEmptyImage(IpiSystem* sys, int width, int height, int bands, int32_t repository,
                          std::vector<uint8_t>* memory = nullptr);
Raster ReadImage(IpiSystem* sys, IpiObject* image);

// A compressed object (fileFormat 235, compression 114) for an image of that
// shape; caller memory gets `memory_bytes` bytes.
struct Coding {
  int32_t sampling = 240;
  intptr_t quality = 1;
  intptr_t restart_interval = 0;
};
IpiObject* MakeCompressed(IpiSystem* sys, int width, int height, int bands, const Coding& coding,
                          int32_t repository, std::vector<uint8_t>* memory = nullptr, size_t memory_bytes = 0);
// The coded bytes ("size" of them).
std::vector<uint8_t> CodedBytes(IpiSystem* sys, IpiObject* compressed);
// Replaces the coded bytes of a compressed object in a global block.
void SetCodedBytes(IpiSystem* sys, IpiObject* compressed, const std::vector<uint8_t>& bytes);

// PGM for one band, PPM for three.
void WritePnm(const std::string& path, const Raster& raster);
Raster ReadPnm(const std::string& path);

struct Difference {
  int max = 0;
  double mean = 0;
};
Difference Compare(const Raster& a, const Raster& b);
double Psnr(const Raster& a, const Raster& b);

// Runs a shell command with stderr joined to stdout; its exit status.
int Run(const std::string& command, std::string* output = nullptr);

}  // namespace jpeg_test

#endif  // TESTS_SUPPORT_JPEG_TEST_SUPPORT_H_
