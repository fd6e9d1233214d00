// TIFF pages through the read entry point, pinned byte for byte: for each
// file of the table (made by libtiff's tools, netpbm and ImageMagick from
// pictures built here, or taken from the corpus) and each page range, the
// count, the status and every byte of every bitmap (header, colour table,
// pixels) folded into one digest. The file entry point, its memory twin and
// the temporary-file repository must give the same outcome.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "packed_dib.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

constexpr int32_t kWidth = 203;  // not a multiple of 8 or 4: every depth pads its rows
constexpr int32_t kHeight = 61;
// Above the size the reader copies into memory: the pages are read through the file.
constexpr int32_t kLargeWidth = 1400;
constexpr int32_t kLargeHeight = 1300;

std::string PnmHeader(const char* magic, int32_t width, int32_t height, bool has_maximum) {
  return std::string(magic) + "\n" + std::to_string(width) + " " + std::to_string(height) + "\n" +
         (has_maximum ? "255\n" : "");
}

// The pictures: colour, grey (with every level) and a bilevel pattern of
// runs of many lengths, so that every coder meets short and long runs.
void WritePictures(const std::string& folder) {
  std::string ppm = PnmHeader("P6", kWidth, kHeight, true);
  std::string pgm = PnmHeader("P5", kWidth, kHeight, true);
  std::string pbm = PnmHeader("P4", kWidth, kHeight, false);
  uint32_t seed = 11;
  for (int32_t y = 0; y < kHeight; ++y) {
    std::vector<uint8_t> bits(static_cast<size_t>((kWidth + 7) / 8), 0);
    for (int32_t x = 0; x < kWidth; ++x) {
      seed = seed * 1103515245u + 12345u;
      const bool noisy = y > 40;
      ppm += static_cast<char>(noisy ? seed >> 24 : x * 5 + y);
      ppm += static_cast<char>(y * 4);
      ppm += static_cast<char>(x < 100 ? x * y : 77);
      pgm += static_cast<char>(noisy ? seed >> 20 : x + 3 * y);
      const bool black = ((x / (1 + y % 9)) % 2 == 0 && x > y) || (x > 150 && (seed >> 27) == 0);
      if (black) bits[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    pbm.append(bits.begin(), bits.end());
  }
  std::string large = PnmHeader("P6", kLargeWidth, kLargeHeight, true);
  large.reserve(large.size() + size_t{3} * kLargeWidth * kLargeHeight);
  for (int32_t y = 0; y < kLargeHeight; ++y) {
    for (int32_t x = 0; x < kLargeWidth; ++x) {
      large += static_cast<char>(x ^ y);
      large += static_cast<char>(x + y);
      large += static_cast<char>(x * 3);
    }
  }
  for (const auto& [name, text] : {std::pair<const char*, const std::string&>{"a.ppm", ppm},
                                   {"a.pgm", pgm},
                                   {"a.pbm", pbm},
                                   {"large.ppm", large}}) {
    WriteFileBytes(folder + "/" + name, std::vector<uint8_t>(text.begin(), text.end()));
  }
}

// Each file and the commands that make it (run in the folder, in order).
struct MadeFile {
  const char* name;
  const char* command;
};
constexpr MadeFile kMadeFiles[] = {
    {"bw_black.tif", "pnmtotiff a.pbm > bw_black.tif"},
    {"bw.tif", "pnmtotiff -miniswhite a.pbm > bw.tif"},
    {"bw_strips.tif", "tiffcp -r 7 bw.tif bw_strips.tif"},
    {"bw_lsb.tif", "tiffcp -f lsb2msb bw.tif bw_lsb.tif"},
    {"bw_packbits.tif", "tiffcp -c packbits -r 9 bw.tif bw_packbits.tif"},
    {"g4.tif", "tiffcp -c g4 bw.tif g4.tif"},
    {"g4_black.tif", "tiffcp -c g4 bw_black.tif g4_black.tif"},
    {"g4_lsb.tif", "tiffcp -f lsb2msb -c g4 bw.tif g4_lsb.tif"},
    {"g4_strips.tif", "tiffcp -c g4 -r 10 bw.tif g4_strips.tif"},
    {"g4_big_endian.tif", "tiffcp -B -c g4 bw.tif g4_big_endian.tif"},
    {"g3_1d.tif", "tiffcp -c g3:1d bw.tif g3_1d.tif"},
    {"g3_2d.tif", "tiffcp -c g3:2d -r 16 bw.tif g3_2d.tif"},
    {"g3_2d_fill.tif", "tiffcp -c g3:2d:fill bw.tif g3_2d_fill.tif"},
    {"g3_1d_fill_lsb.tif", "tiffcp -f lsb2msb -c g3:1d:fill bw.tif g3_1d_fill_lsb.tif"},
    {"g4_damaged.tif",
     "cp g4.tif g4_damaged.tif && printf '\\377\\377\\377\\377' | "
     "dd of=g4_damaged.tif bs=1 seek=60 conv=notrunc 2>/dev/null"},
    {"grey.tif", "pnmtotiff a.pgm > grey.tif"},
    {"grey_white.tif", "pnmtotiff a.pgm > grey_white.tif && tiffset -s 262 0 grey_white.tif"},
    {"grey_packbits.tif", "tiffcp -c packbits -r 5 grey.tif grey_packbits.tif"},
    {"grey_lzw.tif", "tiffcp -c lzw:2 grey.tif grey_lzw.tif"},
    {"grey_zip.tif", "tiffcp -c zip:2 grey.tif grey_zip.tif"},
    {"grey4.tif", "convert-im6.q16 a.pgm -depth 4 -compress none grey4.tif"},
    {"rgb.tif", "pnmtotiff a.ppm > rgb.tif"},
    {"rgb_one_strip.tif", "tiffcp -r 100 rgb.tif rgb_one_strip.tif"},
    {"rgb_big_endian.tif", "tiffcp -B rgb.tif rgb_big_endian.tif"},
    {"rgb_packbits.tif", "tiffcp -c packbits rgb.tif rgb_packbits.tif"},
    {"rgb_lzw.tif", "tiffcp -c lzw:2 rgb.tif rgb_lzw.tif"},
    {"rgb_zip.tif", "tiffcp -c zip:2 rgb.tif rgb_zip.tif"},
    {"rgb_tiles.tif", "tiffcp -t -w 64 -l 64 rgb.tif rgb_tiles.tif"},
    {"palette4.tif", "convert-im6.q16 a.ppm -colors 16 -depth 4 -compress none palette4.tif"},
    {"palette8.tif", "convert-im6.q16 a.ppm -colors 200 -type Palette -compress none palette8.tif"},
    {"palette8_packbits.tif", "tiffcp -c packbits palette8.tif palette8_packbits.tif"},
    {"palette4_packbits.tif", "tiffcp -c packbits palette4.tif palette4_packbits.tif"},
    {"large.tif", "pnmtotiff large.ppm > large.tif"},
    {"pages.tif", "tiffcp g4.tif rgb.tif grey_packbits.tif palette8.tif g3_2d.tif pages.tif"},
    {"g4_cut.tif", "cp g4.tif g4_cut.tif"},
    {"packbits_cut.tif", "tiffcp -c packbits -r 100 grey.tif packbits_cut.tif"},
};
// Files whose one strip is said to hold half its bytes: the coded data ends
// inside the page.
constexpr const char* kCutFiles[] = {"g4_cut.tif", "packbits_cut.tif"};

struct PinnedCase {
  const char* name;
  const char* file;  // made above, or "corpus:" and a corpus file name
  int32_t count;
  int32_t first_index;
  uint64_t digest;  // of the count, the status and every bitmap's bytes
};

// The outcomes as the entry point gave them when the table was made.
constexpr PinnedCase kCases[] = {
    {"bilevel plain, zero black", "bw_black.tif", 1, 0, 0xcb3857674bb9248eull},
    {"bilevel plain, zero white", "bw.tif", 1, 0, 0xf12fbba3c5b71729ull},
    {"bilevel plain strips", "bw_strips.tif", 1, 0, 0xf12fbba3c5b71729ull},
    {"bilevel plain, fill order 2", "bw_lsb.tif", 1, 0, 0xf12fbba3c5b71729ull},
    {"bilevel PackBits", "bw_packbits.tif", 1, 0, 0xf12fbba3c5b71729ull},
    {"G4", "g4.tif", 1, 0, 0xf12fbba3c5b71729ull},
    {"G4, zero black", "g4_black.tif", 1, 0, 0xcb3857674bb9248eull},
    {"G4, fill order 2", "g4_lsb.tif", 1, 0, 0xf12fbba3c5b71729ull},
    {"G4 strips", "g4_strips.tif", 1, 0, 0xf12fbba3c5b71729ull},
    {"G4 big-endian", "g4_big_endian.tif", 1, 0, 0xf12fbba3c5b71729ull},
    {"G3 1D", "g3_1d.tif", 1, 0, 0xf12fbba3c5b71729ull},
    {"G3 2D strips", "g3_2d.tif", 1, 0, 0xf12fbba3c5b71729ull},
    {"G3 2D byte-aligned EOLs", "g3_2d_fill.tif", 1, 0, 0xf12fbba3c5b71729ull},
    {"G3 1D aligned, fill order 2", "g3_1d_fill_lsb.tif", 1, 0, 0xf12fbba3c5b71729ull},
    {"G4 damaged", "g4_damaged.tif", 1, 0, 0x26c5b237583d2e43ull},
    {"G4 cut short", "g4_cut.tif", 1, 0, 0x26c5b237583d2e43ull},
    {"PackBits cut short", "packbits_cut.tif", 1, 0, 0x26c5b237583d2e43ull},
    {"grey", "grey.tif", 1, 0, 0xbbbd90198fb23fccull},
    {"grey, zero white", "grey_white.tif", 1, 0, 0x8d36d62ed2cf9dccull},
    {"grey PackBits strips", "grey_packbits.tif", 1, 0, 0xbbbd90198fb23fccull},
    {"grey LZW predictor", "grey_lzw.tif", 1, 0, 0xd052ccfe48cd8d19ull},
    {"grey deflate predictor", "grey_zip.tif", 1, 0, 0x26c5b237583d2e43ull},
    {"grey 4 bits", "grey4.tif", 1, 0, 0xa14b6690231b252ull},
    {"RGB strips", "rgb.tif", 1, 0, 0xeb905cd06f0b59f1ull},
    {"RGB one strip", "rgb_one_strip.tif", 1, 0, 0xeb905cd06f0b59f1ull},
    {"RGB big-endian", "rgb_big_endian.tif", 1, 0, 0xeb905cd06f0b59f1ull},
    {"RGB PackBits", "rgb_packbits.tif", 1, 0, 0xeb905cd06f0b59f1ull},
    {"RGB LZW predictor", "rgb_lzw.tif", 1, 0, 0xd052ccfe48cd8d19ull},
    {"RGB deflate predictor", "rgb_zip.tif", 1, 0, 0x26c5b237583d2e43ull},
    {"RGB tiles", "rgb_tiles.tif", 1, 0, 0xd052ccfe48cd8d19ull},
    {"palette 4 bits", "palette4.tif", 1, 0, 0x7cdac0d8f4b611ccull},
    {"palette 8 bits", "palette8.tif", 1, 0, 0xd70781d8cb661481ull},
    {"palette 8 bits PackBits", "palette8_packbits.tif", 1, 0, 0xd70781d8cb661481ull},
    {"palette 4 bits PackBits", "palette4_packbits.tif", 1, 0, 0x7cdac0d8f4b611ccull},
    {"RGB read through the file", "large.tif", 1, 0, 0x5d2dcd1115273f09ull},
    {"pages: the first", "pages.tif", 1, 0, 0xf12fbba3c5b71729ull},
    {"pages: all of them", "pages.tif", 5, 0, 0xf43ad94fbf3153f0ull},
    {"pages: more than there are", "pages.tif", 9, 0, 0x189842f2de14cff0ull},
    {"pages: two from the second", "pages.tif", 2, 1, 0xd426f923b7295d06ull},
    {"pages: the last alone", "pages.tif", 1, 4, 0xf12fbba3c5b71729ull},
    {"pages: three from the third", "pages.tif", 3, 2, 0x678fe784b055d13eull},
    {"pages: past the last", "pages.tif", 1, 5, 0x7ebe1cfcc7ead972ull},
    {"corpus G4, zero black", "corpus:fax4.tiff", 1, 0, 0x3515d4824e74276eull},
    {"corpus G4, zero white", "corpus:imagemagick_group4.tiff", 1, 0, 0xfd04464e18e6a181ull},
    {"corpus G4 of one column", "corpus:big_g4.tif", 1, 0, 0xdc2578e163793064ull},
    {"corpus bilevel", "corpus:miniswhite-1c-1b.tiff", 1, 0, 0xf328a4c67c8f0009ull},
    {"corpus grey", "corpus:minisblack-1c-8b.tiff", 1, 0, 0x48bf2930d29e6cb2ull},
    {"corpus palette 1 bit", "corpus:palette-1c-1b.tiff", 1, 0, 0x4bf4bac851aeb070ull},
    {"corpus palette 4 bits", "corpus:palette-1c-4b.tiff", 1, 0, 0x1aec19c6e296073bull},
    {"corpus palette 8 bits", "corpus:palette-1c-8b.tiff", 1, 0, 0x7dd0a2f587dbaceull},
    {"corpus RGB", "corpus:rgb-3c-8b.tiff", 1, 0, 0x9bbbec1ffa092b9ull},
    {"corpus without rows per strip", "corpus:no_rows_per_strip.tiff", 1, 0, 0x7e65750aaa27cc4full},
    {"corpus PackBits of 16 bits", "corpus:issue_69_packbits.tiff", 1, 0, 0xd052ccfe48cd8d19ull},
    {"corpus LZW", "corpus:quad-lzw-compat.tiff", 1, 0, 0xd052ccfe48cd8d19ull},
    {"corpus tiles", "corpus:tiled-gray-i1.tif", 1, 0, 0xd052ccfe48cd8d19ull},
};

// Halves the one StripByteCounts value of a little-endian file's first
// directory; false when the file is not of that form.
bool HalveStripByteCount(const std::string& path) {
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  auto u16 = [&](size_t at) { return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8); };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  if (bytes.size() < 8 || bytes[0] != 'I') return false;
  const size_t directory = u32(4);
  constexpr uint32_t kStripByteCounts = 279;
  for (size_t entry = directory + 2; entry + 12 <= bytes.size() && entry < directory + 2 + 12 * u16(directory);
       entry += 12) {
    if (u16(entry) != kStripByteCounts || u32(entry + 4) != 1) continue;
    const size_t value = entry + 8;
    const uint32_t half = (u16(entry + 2) == 3 ? u16(value) : u32(value)) / 2;
    for (size_t i = 0; i < (u16(entry + 2) == 3 ? 2u : 4u); ++i)
      bytes[value + i] = static_cast<uint8_t>(half >> (8 * i));
    WriteFileBytes(path, bytes);
    return true;
  }
  return false;
}

// The count, the status and each handle's bytes, folded; the handles freed.
uint64_t FoldOutcome(int32_t count, int32_t status, std::vector<HGLOBAL>& images) {
  uint64_t digest = api_testing::FoldDigest(api_testing::kDigestStart, reinterpret_cast<const uint8_t*>(&count), 4);
  digest = api_testing::FoldDigest(digest, reinterpret_cast<const uint8_t*>(&status), 4);
  for (HGLOBAL& image : images) {
    const std::vector<uint8_t> bytes = api_testing::CallOutcome(0, image);
    digest = api_testing::FoldDigest(digest, bytes.data(), bytes.size());
    if (image != 0) GlobalFree(image);
    image = 0;
  }
  return digest;
}

class TiffPagesPinned : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new testing_support::ScopedTempDir;
    WritePictures(folder_->path());
    for (const MadeFile& file : kMadeFiles) {
      made_ok_ = made_ok_ && testing_support::RunCommand("cd '" + folder_->path() + "' && " + file.command) == 0;
    }
    for (const char* name : kCutFiles) made_ok_ = made_ok_ && HalveStripByteCount(folder_->File(name));
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static bool IsCorpusFile(const std::string& file) { return file.rfind(kCorpusPrefix, 0) == 0; }
  static std::string PathOf(const std::string& file) {
    if (!IsCorpusFile(file)) return folder_->File(file);
    return testing_support::CorpusDir() + "/libtiff-images/" + file.substr(std::strlen(kCorpusPrefix));
  }
  static constexpr const char* kCorpusPrefix = "corpus:";

  static testing_support::ScopedTempDir* folder_;
  static bool made_ok_;
};
testing_support::ScopedTempDir* TiffPagesPinned::folder_ = nullptr;
bool TiffPagesPinned::made_ok_ = true;

TEST_F(TiffPagesPinned, EveryPageRangeReadsToItsPinnedBytes) {
  ASSERT_TRUE(made_ok_) << "an oracle tool failed to make a file";
  const IpiAttributePair temporary_files[] = {{"repository", 83}};
  for (const PinnedCase& c : kCases) {
    SCOPED_TRACE(c.name);
    if (IsCorpusFile(c.file) && testing_support::CorpusDir().empty()) continue;  // no corpus was found
    const std::string path = PathOf(c.file);
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    ASSERT_FALSE(bytes.empty()) << path;

    std::vector<HGLOBAL> images(static_cast<size_t>(c.count), HGLOBAL{0});
    int32_t status = 99;
    const int32_t count =
        CmiReadAndParse(path.c_str(), images.data(), c.count, kCmiFormatTiff, c.first_index, nullptr, 0, &status);
    EXPECT_EQ(count == 0, status != 0) << "a failure must come with a status";
    const uint64_t from_file = FoldOutcome(count, status, images);
    EXPECT_EQ(from_file, c.digest) << "{\"" << c.name << "\", \"" << c.file << "\", " << c.count << ", "
                                   << c.first_index << ", 0x" << std::hex << from_file << "ull},";

    int32_t memory_status = 99;
    const int32_t memory_count = CmiImportAndParse(bytes.data(), images.data(), c.count, kCmiFormatTiff, c.first_index,
                                                   static_cast<int32_t>(bytes.size()), nullptr, 0, &memory_status);
    EXPECT_EQ(FoldOutcome(memory_count, memory_status, images), from_file) << "memory twin";

    int32_t temporary_status = 99;
    const int32_t temporary_count = CmiReadAndParse(path.c_str(), images.data(), c.count, kCmiFormatTiff, c.first_index,
                                                    temporary_files, 1, &temporary_status);
    EXPECT_EQ(FoldOutcome(temporary_count, temporary_status, images), from_file) << "temporary-file repository";

  }
  EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
}

}  // namespace
