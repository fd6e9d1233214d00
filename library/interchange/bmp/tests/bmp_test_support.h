// Fixtures of the bitmap tests: bitmaps built in code, checked patches of
// them, images filled from and read back to plain byte arrays, and the PNM
// output of the oracle programs.
#ifndef PELRITH_INTERCHANGE_BMP_TESTS_BMP_TEST_SUPPORT_H_
#define PELRITH_INTERCHANGE_BMP_TESTS_BMP_TEST_SUPPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"
#include "tests/support/patch_byte.h"

namespace bmp_test {

// A bitmap built field by field. `body` is the stored rows (or the coded
// body); the palette is 4 bytes per entry.
struct BmpSpec {
  bool has_file_header = true;
  uint32_t info_header_bytes = 40;
  int32_t width = 1;
  int32_t height = 1;
  uint16_t bits = 8;
  uint32_t compression = 0;
  uint32_t image_size = 0;  // biSizeImage
  int32_t x_ppm = 0;
  int32_t y_ppm = 0;
  uint32_t colours_used = 0;
  std::vector<uint8_t> palette;
  std::vector<uint8_t> body;
};
std::vector<uint8_t> BuildBmp(const BmpSpec& spec);

// Stored rows (bottom-up, padded) of a picture given top row first, one
// value per pixel and channel: 1/4/8 bits one index a pixel, 24/32 bits
// red, green, blue a pixel, 16 bits one 15-bit word a pixel.
std::vector<uint8_t> StoreRows(const std::vector<uint32_t>& pixels, int32_t width, int32_t height, int bits);

uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t offset);
using testing_support::PatchByte;
void PatchU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t expected, uint32_t value);

// An image of the given shape with its data set from `data` (element-index
// order), in `repository`; optionally with a lookup table attached.
IpiObject* MakeImage(IpiSystem* sys, const IpiObjectClass* cls, int32_t width, int32_t height, int32_t bands,
                     int32_t data_type, int32_t precision, int32_t repository, const std::vector<uint8_t>& data);
// The stored data of an object (its data's bytes).
std::vector<uint8_t> ObjectData(IpiSystem* sys, IpiObject* obj);

// Pseudo-random bytes, reproducible.
std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed, uint8_t modulo = 0);

// PNM file contents: header parsed, samples as bytes (PBM: one byte per
// pixel, 1 = black).
struct Pnm {
  char kind = 0;  // '4' PBM, '5' PGM, '6' PPM
  int width = 0;
  int height = 0;
  int max_value = 0;
  std::vector<uint8_t> samples;
};
bool ParsePnm(const std::vector<uint8_t>& bytes, Pnm* out);

}  // namespace bmp_test

#endif  // PELRITH_INTERCHANGE_BMP_TESTS_BMP_TEST_SUPPORT_H_
