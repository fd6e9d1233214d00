// Format identification: the magic table, files made by the oracle programs
// (and KOL1 files laid out in code) identified by magic or by probing, damaged
// files named by their magic, and the error reporting state around the probes.
#include "interchange/identify/format_identification.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/status.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/io/bit_writer.h"
#include "interchange/one_bit_runs/one_bit_run_stream.h"
#include "interchange/zoltra/tests/zoltra_builder.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testing_support::RunCommand;
using testing_support::ScopedTempDir;

Bytes Head(std::initializer_list<int> bytes) {
  Bytes out;
  for (int b : bytes) out.push_back(static_cast<uint8_t>(b));
  out.resize(kMagicBytes, 0x20);
  return out;
}

TEST(MagicTable, FirstMatchWins) {
  const struct {
    const char* name;
    Bytes head;
    int32_t format;
  } cases[] = {
      {"BM", Head({'B', 'M'}), kFormatBmp},
      {"GIF87a", Head({'G', 'I', 'F', '8', '7', 'a'}), kFormatGif},
      {"GIF89a", Head({'G', 'I', 'F', '8', '9', 'a'}), kFormatGif},
      {"GIF88a", Head({'G', 'I', 'F', '8', '8', 'a'}), 0},
      {"II*", Head({'I', 'I', 42, 0}), kFormatTiff},
      {"MM*", Head({'M', 'M', 0, 42}), kFormatTiff},
      // The byte order alone names TIFF; a wrong version is the reader's fault to find.
      {"II alone", Head({'I', 'I', 0, 42}), kFormatTiff},
      {"MM alone", Head({'M', 'M', 42, 0}), kFormatTiff},
      {"JPEG", Head({0xFF, 0xD8, 0xFF, 0xE0}), kFormatJpegLib},
      {"PCX", Head({0x0A, 0x05, 0x01, 0x08}), kFormatPcx},
      {"PCX of another encoding", Head({0x0A, 0x05, 0x02}), 0},
      {"Zoltra 3", Head({0xF0, 0xF3, 0x23}), kFormatZoltra},
      {"Zoltra 4", Head({0xF0, 0xF4, 0x23}), kFormatZoltra},
      {"Zoltra 5", Head({0xF0, 0xF5, 0x23}), 0},
      {"PNG", Head({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), kFormatPng},
      {"PNG cut", Head({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0B}), 0},
      {"KOL1", Head({'K', 'O', 'L', '1'}), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IpiMatchMagic(c.head), c.format);
  }
  EXPECT_EQ(IpiMatchMagic(Bytes{'B'}), 0);  // too short for any row
}

void U16(Bytes& out, uint32_t v) { out.insert(out.end(), {uint8_t(v >> 8), uint8_t(v)}); }
void U32(Bytes& out, uint32_t v) {
  out.insert(out.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
}

// One-bit run code of `rows` white rows of `width` pixels.
Bytes WhiteRunCode(int width, int rows) {
  Bytes out;
  BitWriter writer(out, FillOrder::kMsbFirst);
  OneBitRunEncoder encoder(writer, width);
  const Bytes row(static_cast<size_t>((width + 7) / 8), 0);
  for (int r = 0; r < rows; ++r) encoder.AddRow(row.data());
  encoder.Finish();
  EXPECT_TRUE(writer.Flush());
  return out;
}

// The two KOL1 raster formats around that code.
Bytes RunRasterFile(int width, int height) {
  const Bytes code = WhiteRunCode(width, height);
  Bytes out = {'K', 'O', 'L', '1'};
  U32(out, static_cast<uint32_t>(code.size()));
  U16(out, static_cast<uint32_t>(height));
  U16(out, 0);
  out.insert(out.end(), 8, 0xEE);
  out.insert(out.end(), {0xC1, 0, 0x01});
  U16(out, static_cast<uint32_t>(width));
  out.insert(out.end(), 2, 0xEE);
  out.insert(out.end(), code.begin(), code.end());
  return out;
}
Bytes RunStreamFile(int width, int height) {
  const Bytes code = WhiteRunCode(width, height);
  Bytes out = {'K', 'O', 'L', '1'};
  out.insert(out.end(), 6, 0xEE);
  U16(out, static_cast<uint32_t>(width));
  U32(out, static_cast<uint32_t>(code.size()));
  out.insert(out.end(), 16, 0xEE);
  out.insert(out.end(), code.begin(), code.end());
  return out;
}

// A tagged raster file whose leading block (5 units) no magic names.
Bytes ZoltraFileOfFiveUnits() {
  zoltra_test::ImageSpec image;
  image.width = 9;
  image.height = 2;
  image.data = {0xFF, 0x80, 0x00, 0x00};
  return zoltra_test::BuildZoltraFile({image}, 5).bytes;
}

class IdentifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_ = IpiOpenSystem(dir_.File("log.txt").c_str());
    ASSERT_NE(sys_, nullptr);
    // A grey and a colour picture, and a bilevel one, for the programs.
    std::string pgm = "P5\n24 16\n255\n";
    std::string ppm = "P6\n24 16\n255\n";
    std::string pbm = "P4\n24 16\n";
    for (int i = 0; i < 24 * 16; ++i) {
      pgm += static_cast<char>(i * 7);
      for (int c = 0; c < 3; ++c) ppm += static_cast<char>(i * (c + 3));
    }
    for (int i = 0; i < 3 * 16; ++i) pbm += static_cast<char>(i * 37);
    testing_support::WriteFileBytes(dir_.File("a.pgm"), Bytes(pgm.begin(), pgm.end()));
    testing_support::WriteFileBytes(dir_.File("a.ppm"), Bytes(ppm.begin(), ppm.end()));
    testing_support::WriteFileBytes(dir_.File("a.pbm"), Bytes(pbm.begin(), pbm.end()));
  }
  void TearDown() override { IpiCloseSystem(sys_); }

  std::string Make(const std::string& name, const std::string& command) {
    const std::string cd = "cd '" + dir_.path() + "' && ";
    EXPECT_EQ(RunCommand(cd + command), 0) << command;
    return dir_.File(name);
  }
  std::string Write(const std::string& name, const Bytes& bytes) {
    testing_support::WriteFileBytes(dir_.File(name), bytes);
    return dir_.File(name);
  }
  int32_t IdentifyMemory(const std::string& path) {
    const Bytes bytes = testing_support::ReadFileBytes(path);
    return IpiInquireAddressSpaceFormat(sys_, bytes.data(), static_cast<int64_t>(bytes.size()));
  }

  ScopedTempDir dir_;
  IpiSystem* sys_ = nullptr;
};

// Every format whose reader exists, from files no code of ours wrote where a
// program can make them. JPEG files are named 274 by their magic, as the
// library reads them through libjpeg.
TEST_F(IdentifyTest, FilesOfEveryReadableFormat) {
  const struct {
    const char* name;
    std::string path;
    int32_t format;
  } cases[] = {
      {"BMP", Make("a.bmp", "ppmtobmp a.ppm > a.bmp"), kFormatBmp},
      {"GIF", Make("a.gif", "convert-im6.q16 a.ppm a.gif"), kFormatGif},
      {"TIFF MM", Make("mm.tif", "pnmtotiff a.pgm > mm.tif"), kFormatTiff},
      {"TIFF II", Make("ii.tif", "tiffcp -L mm.tif ii.tif"), kFormatTiff},
      {"JPEG", Make("a.jpg", "cjpeg a.ppm > a.jpg"), kFormatJpegLib},
      {"PNG", Make("a.png", "pnmtopng a.ppm > a.png"), kFormatPng},
      {"WBMP (probed)", Make("a.wbmp", "pbmtowbmp a.pbm > a.wbmp"), kFormatWbmp},
      {"KOL1 raster (probed)", Write("a.k1", RunRasterFile(40, 6)), kFormatRunRaster},
      {"KOL1 stream (probed)", Write("a.k2", RunStreamFile(40, 6)), kFormatRunStream},
      {"Zoltra, leading block of 5 units (probed)", Write("a.zol", ZoltraFileOfFiveUnits()), kFormatZoltra},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IpiIdentifyFileFormat(sys_, c.path.c_str()), c.format);
    EXPECT_EQ(IdentifyMemory(c.path), c.format);
  }
}

// A one-pixel 24-bit bitmap whose header announces bit fields, which the
// reader refuses, and whose pixel bytes are FF D8 FF E0.
Bytes BitFieldBitmapHoldingJpegBytes() {
  Bytes b = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0,
             3, 0, 0, 0};
  b.resize(54, 0);
  b.insert(b.end(), {0xFF, 0xD8, 0xFF, 0xE0});
  return b;
}

// The magic decides, whether or not its reader accepts the file later: a
// damaged file is of its format, and reading it fails. No probe runs, so a
// bitmap holding the bytes FF D8 is no JPEG.
TEST_F(IdentifyTest, MagicDecidesAndTheReadThenFails) {
  const struct {
    const char* name;
    Bytes bytes;
    int32_t format;
  } cases[] = {
      {"BM before a KOL1 stream", [] {
         Bytes b = RunStreamFile(40, 6);
         b[0] = 'B';
         b[1] = 'M';
         return b;
       }(), kFormatBmp},
      {"bit-field bitmap holding FF D8", BitFieldBitmapHoldingJpegBytes(), kFormatBmp},
      {"TIFF header, directory past the end", {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x0F, 0, 0, 0, 0}, kFormatTiff},
      {"TIFF, first directory cut", {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 9, 1, 0}, kFormatTiff},
      {"GIF signature, screen of no size", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0x3B}, kFormatGif},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Write("damaged.bin", c.bytes);
    EXPECT_EQ(IpiIdentifyFileFormat(sys_, path.c_str()), c.format);
    EXPECT_EQ(IpiInquireAddressSpaceFormat(sys_, c.bytes.data(), static_cast<int64_t>(c.bytes.size())), c.format);
    const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}};
    IpiObject* image = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 1);
    ASSERT_NE(image, nullptr);
    const int status = IpiReadFile(sys_, path.c_str(), image, c.format, nullptr, 0);
    EXPECT_NE(status, 0);
    EXPECT_NE(status, kIpiSystemFailure);
  }
}

TEST_F(IdentifyTest, ProbingIsQuietAndRestoresTheReportingState) {
  const IpiAttribute on[] = {{"errorReportingState", 1}};
  ASSERT_EQ(IpiSetSystemAttributes(sys_, on, 1), 0);
  const std::string wbmp = Make("a.wbmp", "pbmtowbmp a.pbm > a.wbmp");
  IpiReportError(sys_, kIpiOutOfRange);  // a line, and a last error to clear
  const std::string before = testing_support::ReadFileText(dir_.File("log.txt"));
  EXPECT_EQ(IpiIdentifyFileFormat(sys_, wbmp.c_str()), kFormatWbmp);
  EXPECT_EQ(IpiInquireSystemAttribute(sys_, "errorReportingState"), 1);
  EXPECT_EQ(IpiGetLastError(sys_), 0);  // a file found by probing clears it
  EXPECT_EQ(testing_support::ReadFileText(dir_.File("log.txt")), before);

  // Nothing accepts it: 0, the state back on, and the next error logged.
  EXPECT_EQ(IpiIdentifyFileFormat(sys_, Write("noise.bin", Bytes(64, 0x5A)).c_str()), 0);
  EXPECT_NE(IpiGetLastError(sys_), 0);
  EXPECT_EQ(IpiInquireSystemAttribute(sys_, "errorReportingState"), 1);
  EXPECT_EQ(testing_support::ReadFileText(dir_.File("log.txt")), before);
  IpiReportError(sys_, kIpiOutOfRange);
  EXPECT_NE(testing_support::ReadFileText(dir_.File("log.txt")), before);

  // Memory: a success by probing does not clear the last error, which is
  // the refusal of a reader probed before.
  EXPECT_EQ(IdentifyMemory(wbmp), kFormatWbmp);
  EXPECT_NE(IpiGetLastError(sys_), 0);
  EXPECT_EQ(IpiInquireSystemAttribute(sys_, "errorReportingState"), 1);
}

TEST_F(IdentifyTest, ShortAndMissingInputs) {
  const Bytes nine(9, 0);
  EXPECT_EQ(IpiInquireAddressSpaceFormat(sys_, nine.data(), 9), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiInsufficientSize);
  EXPECT_EQ(IpiInquireAddressSpaceFormat(sys_, nullptr, 100), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiOutOfRange);
  EXPECT_EQ(IpiIdentifyFileFormat(sys_, dir_.File("missing.tif").c_str()), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiFileOpenFailure);
  EXPECT_EQ(IpiIdentifyFileFormat(sys_, Write("short.bin", Bytes{'B', 'M', 0}).c_str()), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiSyntaxError);
  EXPECT_EQ(IpiIdentifyFileFormat(nullptr, "x"), 0);
}

}  // namespace
