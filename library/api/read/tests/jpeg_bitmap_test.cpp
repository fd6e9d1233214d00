// JPEG files read into packed bitmaps through the file entry point and its
// memory twin, pinned byte for byte: status, header, colour table,
// resolution fields, every pixel and the row padding. The fixtures are made
// by cjpeg (and ImageMagick for CMYK) from pictures built here; djpeg's
// bitmap of the same bytes is the oracle for the rows and the colour table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "packed_dib.h"
#include "tests/support/test_support.h"

namespace {

using api_testing::ScopedHandle;
using testing_support::ReadFileBytes;
using testing_support::ScopedTempDir;
using testing_support::WriteFileBytes;

constexpr size_t kBmpFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;

// A picture of smooth ramps on the left and noise on the right, so that
// every sampling layout and the cut file leave visible traces.
std::string Picture(int32_t width, int32_t height, bool is_grey) {
  std::string pnm =
      std::string(is_grey ? "P5\n" : "P6\n") + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  uint32_t seed = 11;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      for (int c = 0; c < (is_grey ? 1 : 3); ++c) {
        seed = seed * 1103515245u + 12345u;
        const int ramp = (x * 5 + y * 3 + c * 70) % 256;
        pnm += static_cast<char>(x < width / 2 ? ramp : static_cast<int>(seed >> 16) & 0xFF);
      }
    }
  }
  return pnm;
}

// Replaces bytes [at, at + size) after checking that they hold `old_bytes`,
// so that a changed fixture cannot move the patch silently.
void PatchBytes(std::vector<uint8_t>& bytes, size_t at, const std::vector<uint8_t>& old_bytes,
                const std::vector<uint8_t>& new_bytes) {
  ASSERT_LE(at + old_bytes.size(), bytes.size());
  ASSERT_TRUE(std::equal(old_bytes.begin(), old_bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at)));
  std::copy(new_bytes.begin(), new_bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

enum class Damage {
  kNone,
  kDotsPerInch,        // JFIF density 300 x 150 per inch
  kDotsPerCentimetre,  // JFIF density 118 x 47 per centimetre
  kCutInData,          // two thirds of the file
  kCutInHeader,        // the first 30 bytes
  kEntropyGarbage,     // a run of bytes inside the coded data overwritten
  kSoiOnly,            // the start-of-image marker and nothing else
  kNotJpeg,            // bytes that are no JPEG at all, read as one
};

void ApplyDamage(Damage damage, std::vector<uint8_t>& jpeg) {
  // The JFIF segment cjpeg writes: units at 13, densities at 14 and 16.
  const std::vector<uint8_t> jfif = {'J', 'F', 'I', 'F', 0};
  const std::vector<uint8_t> square_density = {0, 0, 1, 0, 1};
  switch (damage) {
    case Damage::kNone: break;
    case Damage::kDotsPerInch:
      PatchBytes(jpeg, 6, jfif, jfif);
      PatchBytes(jpeg, 13, square_density, {1, 1, 44, 0, 150});
      break;
    case Damage::kDotsPerCentimetre:
      PatchBytes(jpeg, 6, jfif, jfif);
      PatchBytes(jpeg, 13, square_density, {2, 0, 118, 0, 47});
      break;
    case Damage::kCutInData: jpeg.resize(jpeg.size() * 2 / 3); break;
    case Damage::kCutInHeader: jpeg.resize(30); break;
    case Damage::kEntropyGarbage:
      std::fill_n(jpeg.end() - static_cast<std::ptrdiff_t>(jpeg.size() / 3), 40, 0x5A);
      break;
    case Damage::kSoiOnly: jpeg.resize(2); break;
    case Damage::kNotJpeg: std::fill(jpeg.begin(), jpeg.end(), 0x20); break;
  }
}

struct JpegCase {
  const char* name;
  int32_t width;
  int32_t height;
  bool is_grey;
  const char* maker;  // makes f.jpg from a.ppm (or a.pgm) in the folder
  Damage damage;
  int32_t status;
  uint64_t digest;  // of the status and the whole result (CallOutcome)
};

// The result of reading `path` (and its bytes from memory) as one outcome.
std::vector<uint8_t> ReadOutcome(const std::string& path, std::vector<uint8_t>* memory_outcome) {
  HGLOBAL image = 0;
  int32_t status = 99;
  const int32_t count = CmiReadAndParse(path.c_str(), &image, 1, kCmiFormatJpeg, 0, nullptr, 0, &status);
  EXPECT_EQ(count == 0, status != 0);
  EXPECT_EQ(count == 0, image == 0) << "a failure hands out no handle";
  ScopedHandle file_result(image);
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  HGLOBAL from_memory = 0;
  int32_t memory_status = 99;
  if (!bytes.empty()) {
    (void)CmiImportAndParse(bytes.data(), &from_memory, 1, kCmiFormatJpeg, 0, static_cast<int32_t>(bytes.size()),
                            nullptr, 0, &memory_status);
  }
  ScopedHandle memory_result(from_memory);
  EXPECT_EQ(from_memory == 0, memory_status != 0);
  *memory_outcome = api_testing::CallOutcome(memory_status, from_memory);
  return api_testing::CallOutcome(status, image);
}

// The rows and colour table of djpeg's bitmap of f.jpg in `folder` equal those of the
// result (djpeg's header carries its own resolution and counts).
void ExpectDjpegRowsAndTable(const std::string& folder, const std::vector<uint8_t>& outcome) {
  ASSERT_EQ(testing_support::RunCommand("cd '" + folder + "' && djpeg -bmp f.jpg > f.bmp 2>/dev/null; test -s f.bmp"),
            0);
  const std::vector<uint8_t> bmp = ReadFileBytes(folder + "/f.bmp");
  ASSERT_GT(bmp.size(), kBmpFileHeaderBytes + kInfoHeaderBytes);
  const uint8_t* result = outcome.data() + sizeof(int32_t);
  const size_t result_bytes = outcome.size() - sizeof(int32_t);
  ASSERT_GE(result_bytes, kInfoHeaderBytes);
  const uint32_t pixel_offset = bmp[10] | bmp[11] << 8 | bmp[12] << 16 | uint32_t{bmp[13]} << 24;
  const size_t djpeg_table = pixel_offset - kBmpFileHeaderBytes - kInfoHeaderBytes;
  const size_t djpeg_rows = bmp.size() - pixel_offset;
  ASSERT_EQ(result_bytes, kInfoHeaderBytes + djpeg_table + djpeg_rows) << "layout differs from djpeg's";
  EXPECT_EQ(std::memcmp(result + kInfoHeaderBytes, bmp.data() + kBmpFileHeaderBytes + kInfoHeaderBytes,
                        djpeg_table + djpeg_rows),
            0)
      << "colour table or rows differ from djpeg's";
}

TEST(JpegBitmaps, ReadsArePinnedByteForByteAndMatchDjpeg) {
  const JpegCase cases[] = {
      {"colour 4:2:0, odd size", 37, 23, false, "cjpeg a.ppm", Damage::kNone, 0, 0xc58b7420fd23d3c0},
      {"colour 4:4:4", 13, 7, false, "cjpeg -sample 1x1 a.ppm", Damage::kNone, 0, 0x8cc0cae8ba1e44d5},
      {"colour 4:2:2", 30, 17, false, "cjpeg -sample 2x1 a.ppm", Damage::kNone, 0, 0x2aa245df258e6b12},
      {"colour, rows need no padding", 16, 9, false, "cjpeg a.ppm", Damage::kNone, 0, 0x3450129b273fce54},
      {"one pixel", 1, 1, false, "cjpeg a.ppm", Damage::kNone, 0, 0x1fdaaa96c17d464d},
      {"grey, odd width", 13, 7, true, "cjpeg -grayscale a.pgm", Damage::kNone, 0, 0x56351b806f33cb5e},
      {"grey, rows need no padding", 24, 5, true, "cjpeg -grayscale a.pgm", Damage::kNone, 0, 0xb1ee64207dded156},
      {"restart markers every row", 41, 29, false, "cjpeg -restart 1 a.ppm", Damage::kNone, 0, 0xd42e25ea86db9410},
      {"progressive", 41, 29, false, "cjpeg -progressive a.ppm", Damage::kNone, 0, 0xd42e25ea86db9410},
      {"progressive grey", 19, 11, true, "cjpeg -progressive -grayscale a.pgm", Damage::kNone, 0, 0x9fe8acc6d2b2e54a},
      {"arithmetic coding", 21, 13, false, "cjpeg -arithmetic a.ppm", Damage::kNone, 0, 0xf3c31e426cb8fe81},
      {"RGB without colour transform", 15, 9, false, "cjpeg -rgb a.ppm", Damage::kNone, 0, 0xc0d4a1408cc5a302},
      {"dots per inch", 13, 7, false, "cjpeg a.ppm", Damage::kDotsPerInch, 0, 0xd3ae9ac0abb1880},
      {"dots per centimetre", 13, 7, true, "cjpeg -grayscale a.pgm", Damage::kDotsPerCentimetre, 0, 0x56351b806f33cb5e},
      {"cut inside the coded data", 64, 48, false, "cjpeg a.ppm", Damage::kCutInData, 0, 0x5bd9434a3621707},
      {"cut grey progressive", 64, 48, true, "cjpeg -progressive -grayscale a.pgm", Damage::kCutInData, 0,
       0x409313418037b857},
      {"garbage inside the coded data", 64, 48, false, "cjpeg -restart 2 a.ppm", Damage::kEntropyGarbage, 0,
       0x2012989eac07768a},
      {"CMYK with an Adobe marker", 13, 7, false, "convert-im6.q16 a.ppm -colorspace CMYK f.jpg", Damage::kNone, 19,
       0xeccae30d575f9996},
      {"cut inside the header", 13, 7, false, "cjpeg a.ppm", Damage::kCutInHeader, 22, 0xcdadef454be63e3},
      {"start-of-image marker only", 13, 7, false, "cjpeg a.ppm", Damage::kSoiOnly, 22, 0xcdadef454be63e3},
      {"not a JPEG file", 13, 7, false, "cjpeg a.ppm", Damage::kNotJpeg, 22, 0xcdadef454be63e3},
  };
  ScopedTempDir dir;
  const std::string cd = "cd '" + dir.path() + "' && ";
  for (const JpegCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string picture = Picture(c.width, c.height, c.is_grey);
    WriteFileBytes(dir.File(c.is_grey ? "a.pgm" : "a.ppm"), std::vector<uint8_t>(picture.begin(), picture.end()));
    const std::string maker(c.maker);
    const bool writes_itself = maker.find("f.jpg") != std::string::npos;
    ASSERT_EQ(testing_support::RunCommand(cd + "rm -f f.* && " + maker + (writes_itself ? "" : " > f.jpg")), 0);
    std::vector<uint8_t> jpeg = ReadFileBytes(dir.File("f.jpg"));
    ASSERT_GT(jpeg.size(), 20u);
    ApplyDamage(c.damage, jpeg);
    WriteFileBytes(dir.File("f.jpg"), jpeg);

    std::vector<uint8_t> memory_outcome;
    const std::vector<uint8_t> outcome = ReadOutcome(dir.File("f.jpg"), &memory_outcome);
    int32_t status = 0;
    std::memcpy(&status, outcome.data(), sizeof status);
    EXPECT_EQ(status, c.status);
    const uint64_t digest = api_testing::FoldDigest(api_testing::kDigestStart, outcome.data(), outcome.size());
    EXPECT_EQ(digest, c.digest) << std::hex << "0x" << digest;
    EXPECT_EQ(memory_outcome, outcome) << "the memory twin reads differently";
    if (status == 0) ExpectDjpegRowsAndTable(dir.path(), outcome);
  }
  EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
}

}  // namespace
