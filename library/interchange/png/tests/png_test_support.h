// Fixtures of the PNG tests: pictures kept one byte per sample, images made
// from them and read back, PNG files built chunk by chunk (CRCs and deflate
// by zlib itself, not by the code under test), and the output of the oracle
// programs.
#ifndef PELRITH_INTERCHANGE_PNG_TESTS_PNG_TEST_SUPPORT_H_
#define PELRITH_INTERCHANGE_PNG_TESTS_PNG_TEST_SUPPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"
#include "tests/support/patch_byte.h"

namespace png_test {

// Samples pixel after pixel, `channels` per pixel, one byte each: a level
// of `depth` bits (1-bit: 0 or 1), or a palette index.
struct Picture {
  int width = 0;
  int height = 0;
  int channels = 1;
  int depth = 8;
  std::vector<uint8_t> samples;
  uint8_t& at(int y, int x, int c) { return samples[(static_cast<size_t>(y) * width + x) * channels + c]; }
  uint8_t at(int y, int x, int c) const { return samples[(static_cast<size_t>(y) * width + x) * channels + c]; }
};

// Smooth shading, edges and noise; levels within the depth.
Picture MakePicture(int width, int height, int channels, int depth, uint32_t seed);

// An image holding the picture: dataType 18 for depth 1, else 153 with
// "dataPrecision" depth; "bDimension" channels; band-sequential.
IpiObject* MakeImage(IpiSystem* sys, const Picture& picture, int32_t repository = 223);
// The picture an image holds (its dimensions, bands and depth).
Picture ReadPicture(IpiSystem* sys, IpiObject* image, int depth);
// A three-band 8-bit lookup table of the given R, G, B triples.
IpiObject* MakeLut(IpiSystem* sys, const std::vector<uint8_t>& rgb);

// A decoded file: width x height tuples of `depth` samples up to `max_value`.
struct Pam {
  int width = 0;
  int height = 0;
  int depth = 0;
  int max_value = 0;
  std::vector<uint8_t> samples;
};
// P4, P5, P6 and P7 with one byte per sample (P4: 1 for white, as PGM 0/1).
bool ParsePam(const std::vector<uint8_t>& bytes, Pam* out);

// Runs a command with its stderr joined to stdout; its exit status.
int Run(const std::string& command, std::string* output = nullptr);

// A PNG file chunk by chunk.
class PngBuilder {
 public:
  PngBuilder();
  PngBuilder& Chunk(const std::string& type, const std::vector<uint8_t>& data);
  PngBuilder& Header(uint32_t width, uint32_t height, uint8_t depth, uint8_t colour_type, uint8_t interlace = 0);
  // Rows of filter byte + row bytes, deflated into one IDAT chunk.
  PngBuilder& Data(const std::vector<uint8_t>& raw_rows);
  PngBuilder& End();
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& raw, int level = 6);
std::vector<uint8_t> Inflate(const std::vector<uint8_t>& coded, size_t expected_bytes);

uint32_t ReadU32Be(const std::vector<uint8_t>& bytes, size_t offset);
using testing_support::PatchByte;
// Offset of the first chunk of that type (its length field); 0 when absent.
size_t FindChunk(const std::vector<uint8_t>& png, const std::string& type);

}  // namespace png_test

#endif  // PELRITH_INTERCHANGE_PNG_TESTS_PNG_TEST_SUPPORT_H_
