// The fax codings through TIFF files against libtiff's tools: files of
// tiffcp in every fax coding and fill order read through the library, and
// the library's fax-coded files decoded by tiffcp and netpbm, all compared
// pixel for pixel with the picture they came from; cut-off strips; raw
// modified Huffman with netpbm's coder.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/dispatch/write_front.h"
#include "interchange/fax/fax_coder.h"
#include "interchange/io/bit_writer.h"
#include "interchange/tiff/tiff_tags.h"
#include "tests/support/test_support.h"
#include "tests/support/tiff_test_support.h"

namespace {

using testing_support::RunCommand;
using tiff_test::Bytes;
using tiff_test::Picture;

class FaxTiffTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_ = IpiOpenSystem(nullptr);
    ASSERT_NE(sys_, nullptr);
  }
  void TearDown() override { IpiCloseSystem(sys_); }

  IpiObject* NewImage() {
    const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}};
    return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 1);
  }
  std::string Run(const std::string& command) {
    std::string out;
    EXPECT_EQ(RunCommand("cd '" + dir_.path() + "' && " + command, &out), 0) << command;
    return out;
  }
  Picture Original(const std::string& name) {
    Picture p;
    EXPECT_TRUE(tiff_test::ParsePnm(testing_support::ReadFileBytes(dir_.File(name)), &p));
    return p;
  }
  // A text-like page with noise: pbmtext lines over a random speckle.
  void MakePage(const std::string& name, int width, int height, uint32_t seed) {
    Picture p = tiff_test::MakePicture('4', width, height, seed);
    testing_support::WriteFileBytes(dir_.File(name), tiff_test::EncodePnm(p));
  }

  // The offset and byte count of the one strip of `name`, from tiffdump.
  std::pair<size_t, size_t> OnlyStrip(const std::string& name) {
    const std::string dump = Run("tiffdump " + name);
    const std::string offset_key = "StripOffsets (273) LONG (4) 1<";
    const std::string count_key = "StripByteCounts (279) LONG (4) 1<";
    const size_t at = dump.find(offset_key);
    const size_t count_at = dump.find(count_key);
    EXPECT_NE(at, std::string::npos);
    EXPECT_NE(count_at, std::string::npos);
    if (at == std::string::npos || count_at == std::string::npos) return {0, 0};
    return {std::stoul(dump.substr(at + offset_key.size())), std::stoul(dump.substr(count_at + count_key.size()))};
  }

  testing_support::ScopedTempDir dir_;
  IpiSystem* sys_ = nullptr;
};

TEST_F(FaxTiffTest, ReadsTheFaxFilesOfTiffcp) {
  MakePage("page.pbm", 203, 61, 4);
  Run("pnmtotiff page.pbm > page.tif");
  const Picture original = Original("page.pbm");
  for (const char* options : {"-c g3", "-c g3:1d:fill", "-c g3:2d", "-c g3:2d:fill -r 7", "-c g4", "-c g4 -r 16",
                              "-c g3 -f lsb2msb", "-c g3:2d -f lsb2msb", "-c g4 -f lsb2msb", "-c g4 -B",
                              "-c g3 -B -r 5"}) {
    SCOPED_TRACE(options);
    Run(std::string("rm -f fax.tif && tiffcp ") + options + " page.tif fax.tif");
    IpiObject* image = NewImage();
    ASSERT_EQ(IpiReadFile(sys_, dir_.File("fax.tif").c_str(), image, kFormatTiff, nullptr, 0), 0);
    const Picture got = tiff_test::ImageAsPicture(sys_, image, '4');
    EXPECT_EQ(got.width, original.width);
    EXPECT_EQ(got.height, original.height);
    EXPECT_TRUE(got.samples == original.samples);
  }
}

TEST_F(FaxTiffTest, OurFaxFilesDecodeInLibtiffAndNetpbm) {
  MakePage("page.pbm", 1728, 97, 8);
  Run("pnmtotiff page.pbm > page.tif");
  const Picture original = Original("page.pbm");
  IpiObject* image = NewImage();
  ASSERT_EQ(IpiReadFile(sys_, dir_.File("page.tif").c_str(), image, kFormatTiff, nullptr, 0), 0);
  const Bytes bits = tiff_test::ImageElements(sys_, image);
  ASSERT_TRUE(tiff_test::ImageAsPicture(sys_, image, '4').samples == original.samples);
  const struct {
    int32_t compression;
    int32_t eol_state;
    int32_t k;
  } cases[] = {{kCompressionCcittHuffmanNoEol, 0, 0}, {kCompressionCcittHuffman, 0, 0},
               {kCompressionCcittHuffman, 1, 0},      {kCompressionCcittMr, 0, 2},
               {kCompressionCcittMr, 1, 4},           {kCompressionCcittMmr, 0, 0}};
  int n = 0;
  for (const auto& c : cases) {
    for (int32_t photometric : {kPhotometricCodeWhiteIsZero, kPhotometricCodeBlackIsZero}) {
      SCOPED_TRACE(testing::Message() << "compression " << c.compression << " eolState " << c.eol_state << " k "
                                      << c.k << " photometric " << photometric);
      const std::string name = "ours" + std::to_string(n++) + ".tif";
      const IpiAttribute pairs[] = {{"compression", c.compression},
                                    {"eolState", c.eol_state},
                                    {"k", c.k},
                                    {"photometricInterpretation", photometric}};
      ASSERT_EQ(IpiSetAttribute(sys_, image, "k", c.k), 0);
      ASSERT_EQ(IpiWriteFile(sys_, image, dir_.File(name).c_str(), kFormatTiff, pairs, 4), 0);
      // libtiff's decode (tiffcp to plain rows), and ours: the same bits.
      Run("rm -f plain.tif && tiffcp -c none " + name + " plain.tif");
      IpiObject* theirs = NewImage();
      ASSERT_EQ(IpiReadFile(sys_, dir_.File("plain.tif").c_str(), theirs, kFormatTiff, nullptr, 0), 0);
      EXPECT_TRUE(tiff_test::ImageElements(sys_, theirs) == bits);
      IpiObject* again = NewImage();
      ASSERT_EQ(IpiReadFile(sys_, dir_.File(name).c_str(), again, kFormatTiff, nullptr, 0), 0);
      EXPECT_TRUE(tiff_test::ImageElements(sys_, again) == bits);
      // netpbm sees the picture in the photometric order written.
      const Picture seen = tiff_test::ImageAsPicture(sys_, again, '4');
      Run("tifftopnm " + name + " > back.pbm 2>/dev/null");
      EXPECT_TRUE(Original("back.pbm").samples == seen.samples);
    }
  }
}

TEST_F(FaxTiffTest, OurMmrStripMatchesLibtiffs) {
  MakePage("page.pbm", 640, 80, 12);
  Run("pnmtotiff page.pbm > page.tif && tiffcp -c g4 -r 100000 page.tif theirs.tif");
  IpiObject* image = NewImage();
  ASSERT_EQ(IpiReadFile(sys_, dir_.File("page.tif").c_str(), image, kFormatTiff, nullptr, 0), 0);
  const IpiAttribute pairs[] = {{"compression", kCompressionCcittMmr}};
  ASSERT_EQ(IpiWriteFile(sys_, image, dir_.File("ours.tif").c_str(), kFormatTiff, pairs, 1), 0);
  // The strips, from the raw dump of each file.
  auto strip = [&](const std::string& name) {
    return Run("tiffinfo -r -d " + name + " 2>/dev/null | sed -n '/Strip 0:/,$p' | tail -n +2");
  };
  EXPECT_EQ(strip("ours.tif"), strip("theirs.tif"));
}

TEST_F(FaxTiffTest, CutOffStripsKeepTheirRowsAndReportLoss) {
  MakePage("page.pbm", 300, 50, 3);
  Run("pnmtotiff page.pbm > page.tif");
  IpiObject* plain = NewImage();
  ASSERT_EQ(IpiReadFile(sys_, dir_.File("page.tif").c_str(), plain, kFormatTiff, nullptr, 0), 0);
  const Bytes whole = tiff_test::ImageElements(sys_, plain);
  for (const char* options : {"-c g3", "-c g3:2d", "-c g4"}) {
    SCOPED_TRACE(options);
    Run(std::string("rm -f fax.tif && tiffcp ") + options + " page.tif fax.tif");
    Bytes bytes = testing_support::ReadFileBytes(dir_.File("fax.tif"));
    // tiffcp puts the strip before the directory: zero its second half.
    const auto [offset, count] = OnlyStrip("fax.tif");
    ASSERT_GT(count, 0u);
    for (size_t i = offset + count / 2; i < offset + count; ++i) bytes[i] = 0;
    testing_support::WriteFileBytes(dir_.File("cut.tif"), bytes);
    IpiObject* image = NewImage();
    EXPECT_EQ(IpiReadFile(sys_, dir_.File("cut.tif").c_str(), image, kFormatTiff, nullptr, 0), kIpiSyntaxError);
    const Bytes got = tiff_test::ImageElements(sys_, image);
    ASSERT_EQ(got.size(), whole.size());
    // The first rows survive; the last row is white (0 bits).
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 300 * 5, whole.begin()));
    EXPECT_EQ(std::count(got.end() - 300, got.end(), 1), 0);
  }
}

// A damaged byte in one-dimensional data with EOLs ends its row, and the
// rows after the next EOL decode again: the page reads with status 0 and its
// rows are libtiff's rows of the same file wherever libtiff's decode is the
// original page (every row before the damage, and the rows after it). Where
// the damage is a code off the tables libtiff gives up on the page; there our
// rows are compared with the original page itself.
TEST_F(FaxTiffTest, DamagedOneDimensionalRowsResynchroniseAtTheNextEol) {
  MakePage("page.pbm", 300, 60, 8);
  Run("pnmtotiff page.pbm > page.tif && tiffcp -c g3:1d page.tif fax.tif");
  const Bytes original = testing_support::ReadFileBytes(dir_.File("fax.tif"));
  const auto [offset, count] = OnlyStrip("fax.tif");
  ASSERT_GT(count, 100u);
  IpiObject* plain = NewImage();
  ASSERT_EQ(IpiReadFile(sys_, dir_.File("page.tif").c_str(), plain, kFormatTiff, nullptr, 0), 0);
  const Bytes page = tiff_test::ImageElements(sys_, plain);
  bool compared_with_libtiff = false;
  for (const size_t at : {count / 8, count / 5, count / 3}) {
    SCOPED_TRACE(at);
    Bytes bytes = original;
    bytes[offset + at] ^= 0x5B;
    testing_support::WriteFileBytes(dir_.File("damaged.tif"), bytes);
    std::string messages;
    RunCommand("cd '" + dir_.path() + "' && rm -f decoded.tif && tiffcp -c none damaged.tif decoded.tif", &messages);
    IpiObject* decoded = NewImage();
    const bool libtiff_read = IpiReadFile(sys_, dir_.File("decoded.tif").c_str(), decoded, kFormatTiff, nullptr, 0) == 0;
    compared_with_libtiff |= libtiff_read;
    const Bytes theirs = libtiff_read ? tiff_test::ImageElements(sys_, decoded) : Bytes{};
    IpiObject* image = NewImage();
    ASSERT_EQ(IpiReadFile(sys_, dir_.File("damaged.tif").c_str(), image, kFormatTiff, nullptr, 0), 0);
    const Bytes ours = tiff_test::ImageElements(sys_, image);
    ASSERT_EQ(ours.size(), page.size());
    if (libtiff_read) ASSERT_EQ(theirs.size(), page.size());
    int damaged_rows = 0;
    for (size_t y = 0; y < 60; ++y) {
      auto row = [y](const Bytes& b) { return Bytes(b.begin() + y * 300, b.begin() + (y + 1) * 300); };
      if (libtiff_read ? row(theirs) != row(page) : row(ours) != row(page)) {
        ++damaged_rows;
        continue;
      }
      EXPECT_EQ(row(ours), row(page)) << "row " << y;
    }
    EXPECT_LT(damaged_rows, 4);
  }
  EXPECT_TRUE(compared_with_libtiff);
}

// Raw modified Huffman with EOLs both ways with netpbm's own coder.
TEST_F(FaxTiffTest, RawMhWithNetpbm) {
  MakePage("page.pbm", 1000, 40, 21);
  const Picture original = Original("page.pbm");
  const int64_t row_bytes = (original.width + 7) / 8;
  Bytes packed(static_cast<size_t>(row_bytes * original.height));
  for (int y = 0; y < original.height; ++y) {
    for (int x = 0; x < original.width; ++x) {
      if (original.samples[static_cast<size_t>(y * original.width + x)] != 0) {
        packed[static_cast<size_t>(y * row_bytes + x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  // Theirs read by us.
  Run("pbmtog3 -nofixedwidth page.pbm > theirs.g3 2>/dev/null");
  const Bytes theirs = testing_support::ReadFileBytes(dir_.File("theirs.g3"));
  FaxDecoder decoder(original.width, FaxCoding::kHuffman);
  decoder.BeginStrip(theirs, FillOrder::kMsbFirst);
  Bytes decoded(packed.size());
  for (int y = 0; y < original.height; ++y) {
    EXPECT_EQ(decoder.NextRow(decoded.data() + y * row_bytes), FaxRowResult::kRow) << y;
  }
  EXPECT_TRUE(decoded == packed);
  // Ours read by them.
  for (bool aligned : {false, true}) {
    Bytes ours;
    BitWriter writer(ours, FillOrder::kMsbFirst);
    FaxEncoder encoder(writer, original.width, FaxCoding::kHuffman, 0, aligned);
    encoder.BeginPlane();
    for (int y = 0; y < original.height; ++y) encoder.AddRow(packed.data() + y * row_bytes);
    encoder.EndPlane();
    ASSERT_TRUE(writer.Flush());
    testing_support::WriteFileBytes(dir_.File("ours.g3"), ours);
    Run("g3topbm ours.g3 > back.pbm 2>/dev/null");
    const Picture back = Original("back.pbm");
    EXPECT_EQ(back.width, original.width);
    EXPECT_TRUE(back.samples == original.samples) << aligned;
  }
}

}  // namespace
