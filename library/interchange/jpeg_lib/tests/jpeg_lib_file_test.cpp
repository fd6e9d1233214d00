// JPEG files through libjpeg against libjpeg-turbo's programs. Our files are
// compared with cjpeg's files of the same picture and options (the same
// library with the same parameters writes the same bytes), and decoded by
// djpeg; cjpeg's files are read by us and compared with djpeg's decode.
// Both sides run the same libjpeg with its default decoding (accurate integer
// transform, fancy upsampling), so decodes are compared exactly; against the
// original picture the tolerance is that of the lossy coding itself.
#include "interchange/jpeg_lib/jpeg_lib_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_dispatch.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/dispatch/write_front.h"
#include "tests/support/jpeg_test_support.h"
#include "tests/support/test_support.h"

namespace {

using jpeg_test::Raster;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

// Our decode of quality-90 files against the picture they were made from:
// lossy coding, not a decoder difference (those are compared exactly).
constexpr double kMinPsnrAtQuality90 = 34.0;

class JpegLibFile : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); }
  void TearDown() override {
    if (sys_ != nullptr) IpiCloseSystem(sys_);
  }

  IpiObject* NewTarget(const IpiObjectClass* cls = &kGenericImageClass) {
    const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}};
    return IpiCreateObject(sys_, nullptr, cls, nullptr, shape, 1);
  }

  // Writes through the write front; the pairs give the coding options. The
  // image carries the JPEG format already, so the file object made from it
  // keeps the quality of the pairs.
  int WriteOurs(const Raster& raster, const std::string& path, std::vector<IpiAttribute> pairs,
                int32_t repository = kRepositoryGlobalBlock) {
    IpiObject* image = jpeg_test::MakeImage(sys_, raster, repository);
    EXPECT_EQ(IpiSetAttribute(sys_, image, "fileFormat", kFormatJpegLib), 0);
    return IpiWriteFile(sys_, image, path.c_str(), kFormatJpegLib, pairs.data(), static_cast<int>(pairs.size()));
  }

  int ImportOurs(const std::vector<uint8_t>& bytes, Raster* out = nullptr, IpiObject** target = nullptr) {
    IpiObject* image = NewTarget();
    const int status = IpiImportImage(sys_, bytes.data(), image, kFormatJpegLib, static_cast<int64_t>(bytes.size()),
                                      nullptr, 0);
    if (out != nullptr && image->fields.dimension[kDimX] > 1) *out = jpeg_test::ReadImage(sys_, image);
    if (target != nullptr) *target = image;
    return status;
  }

  // djpeg's decode with its default settings. A file it decodes only with
  // warnings (exit status 2) is still written out.
  // A negative `expected_exit` takes a clean exit or one with warnings.
  Raster Djpeg(const std::string& path, int expected_exit = 0) {
    const std::string out = dir_.File("djpeg.pnm");
    std::string messages;
    const int exit = jpeg_test::Run("djpeg -outfile " + out + " " + path, &messages);
    if (expected_exit >= 0) EXPECT_EQ(exit, expected_exit) << messages;
    if (expected_exit < 0) EXPECT_TRUE(exit == 0 || exit == 2) << messages;
    return jpeg_test::ReadPnm(out);
  }

  std::string Cjpeg(const Raster& raster, const std::string& options, const std::string& name = "cjpeg.jpg") {
    const std::string in = dir_.File(raster.bands == 1 ? "in.pgm" : "in.ppm");
    const std::string out = dir_.File(name);
    jpeg_test::WritePnm(in, raster);
    std::string messages;
    EXPECT_EQ(jpeg_test::Run("cjpeg " + options + " -outfile " + out + " " + in, &messages), 0) << messages;
    return out;
  }

  static void ExpectSame(const Raster& ours, const Raster& theirs) {
    ASSERT_EQ(ours.width, theirs.width);
    ASSERT_EQ(ours.height, theirs.height);
    ASSERT_EQ(ours.bands, theirs.bands);
    EXPECT_TRUE(ours.samples == theirs.samples) << "max difference " << jpeg_test::Compare(ours, theirs).max;
  }

  IpiSystem* sys_ = nullptr;
  testing_support::ScopedTempDir dir_;
};

const char* SampleOption(intptr_t code) {
  switch (code) {
    case kJpegLibSampling1x1: return "1x1";
    case kJpegLibSampling2x1: return "2x1";
    case kJpegLibSampling1x2: return "1x2";
    default: return "2x2";
  }
}

TEST_F(JpegLibFile, OurFilesAreCjpegFilesAndDecodeInDjpeg) {
  struct Case {
    int bands;
    intptr_t sampling;
    intptr_t progressive;
  };
  const Case cases[] = {{3, kJpegLibSampling1x1, 0}, {3, kJpegLibSampling2x1, 0}, {3, kJpegLibSampling1x2, 0},
                        {3, kJpegLibSampling2x2, 0}, {3, kJpegLibSampling2x2, 1}, {1, kJpegLibSampling1x1, 0},
                        {1, kJpegLibSampling2x2, 1}};
  const Raster picture3 = jpeg_test::MakePhoto(61, 45, 3, 7);  // odd sizes: partial blocks at both edges
  const Raster picture1 = jpeg_test::MakePhoto(61, 45, 1, 8);
  // Rows of memory images are read in place, rows of file images through the stream's buffer.
  for (const Case& c : cases) {
    for (const int32_t repository : {kRepositoryGlobalBlock, kRepositoryFile}) {
      SCOPED_TRACE(testing::Message() << c.bands << " bands, sampling " << c.sampling << ", progressive "
                                      << c.progressive << ", repository " << repository);
      const Raster& picture = c.bands == 3 ? picture3 : picture1;
      const std::string ours = dir_.File("ours.jpg");
      ASSERT_EQ(WriteOurs(picture, ours,
                          {{"samplingFactor", c.sampling}, {"progressive", c.progressive}, {"quarityFactor", 90}},
                          repository),
                0);
      const std::string theirs = Cjpeg(picture, std::string("-quality 90 -baseline -sample ") +
                                                    SampleOption(c.sampling) + (c.progressive ? " -progressive" : ""));
      EXPECT_TRUE(ReadFileBytes(ours) == ReadFileBytes(theirs));
      const Raster decoded = Djpeg(ours);
      ASSERT_EQ(decoded.bands, c.bands);
      EXPECT_GT(jpeg_test::Psnr(decoded, picture), kMinPsnrAtQuality90);
    }
  }
}

TEST_F(JpegLibFile, QualityReachesTheFile) {
  const Raster picture = jpeg_test::MakePhoto(40, 32, 3, 3);
  for (intptr_t quality : {20, 75, 98}) {
    SCOPED_TRACE(quality);
    const std::string ours = dir_.File("q.jpg");
    ASSERT_EQ(WriteOurs(picture, ours, {{"samplingFactor", kJpegLibSampling2x2}, {"quarityFactor", quality}}), 0);
    const std::string theirs = Cjpeg(picture, "-baseline -sample 2x2 -quality " + std::to_string(quality));
    EXPECT_TRUE(ReadFileBytes(ours) == ReadFileBytes(theirs));
  }
}

TEST_F(JpegLibFile, CjpegFilesReadAsDjpegDecodesThem) {
  struct Case {
    const char* options;
    int bands;
    intptr_t sampling;
    intptr_t progressive;
  };
  const Case cases[] = {
      {"-baseline -sample 1x1", 3, kJpegLibSampling1x1, 0},
      {"-sample 2x1", 3, kJpegLibSampling2x1, 0},
      {"-sample 1x2", 3, kJpegLibSampling1x2, 0},
      {"-sample 2x2 -restart 1", 3, kJpegLibSampling2x2, 0},
      {"-sample 2x2 -restart 5B -optimize", 3, kJpegLibSampling2x2, 0},
      {"-progressive -sample 2x1", 3, kJpegLibSampling2x1, 1},
      {"-grayscale", 1, kJpegLibSampling1x1, 0},
      {"-grayscale -progressive", 1, kJpegLibSampling1x1, 1},
      {"-sample 2x2,2x1,1x1", 3, 0, 0},  // subsampled chrominance: no code
  };
  const Raster picture = jpeg_test::MakePhoto(75, 53, 3, 11);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const std::string file = Cjpeg(picture, c.options);
    IpiObject* target = nullptr;
    Raster ours;
    ASSERT_EQ(ImportOurs(ReadFileBytes(file), &ours, &target), 0);
    ExpectSame(ours, Djpeg(file));
    EXPECT_EQ(target->fields.dimension[kDimB], c.bands);
    EXPECT_EQ(target->fields.sampling_factor, c.sampling);
    EXPECT_EQ(IpiInquireAttribute(sys_, target, "progressive"), c.progressive);
    EXPECT_EQ(target->fields.colour_space, kColourSpaceRgb);
  }
}

TEST_F(JpegLibFile, ReadsFromAFileToo) {
  const Raster picture = jpeg_test::MakePhoto(33, 17, 3, 5);
  const std::string file = Cjpeg(picture, "-quality 85");
  IpiObject* target = NewTarget();
  ASSERT_EQ(IpiReadFile(sys_, file.c_str(), target, kFormatJpegLib, nullptr, 0), 0);
  ExpectSame(jpeg_test::ReadImage(sys_, target), Djpeg(file));
}

// Arithmetic coding: libjpeg-turbo decodes it when built with it; either way
// the outcome is clean: djpeg's pixels, or 12 with nothing decoded.
TEST_F(JpegLibFile, ArithmeticFilesAreDecodedOrRefusedCleanly) {
  const Raster picture = jpeg_test::MakePhoto(40, 24, 3, 2);
  const std::string in = dir_.File("in.ppm");
  jpeg_test::WritePnm(in, picture);
  const std::string file = dir_.File("arith.jpg");
  std::string messages;
  const bool made = jpeg_test::Run("cjpeg -arithmetic -outfile " + file + " " + in, &messages) == 0;
  const std::vector<uint8_t> bytes = ReadFileBytes(made ? file : Cjpeg(picture, "-quality 75"));
  if (!made) GTEST_SKIP() << "cjpeg writes no arithmetic coding here: " << messages;
  Raster ours;
  const int status = ImportOurs(bytes, &ours);
  if (status == 0) {
    ExpectSame(ours, Djpeg(file));
  } else {
    EXPECT_EQ(status, kIpiNonPermissibleOption);
    EXPECT_EQ(IpiGetLastError(sys_), status);
  }
}

TEST_F(JpegLibFile, HeaderPassSetsTheDescriptionAndAGreyRamp) {
  const Raster picture = jpeg_test::MakePhoto(21, 13, 1, 4);
  const std::vector<uint8_t> bytes = ReadFileBytes(Cjpeg(picture, "-grayscale -sample 2x1"));
  for (intptr_t entries : {1, 2, 16, 256}) {
    SCOPED_TRACE(entries);
    const IpiAttribute lut_shape[] = {{"xDimension", entries}, {"bDimension", 3}};
    IpiObject* lut = IpiCreateObject(sys_, nullptr, &kLookupTableClass, nullptr, lut_shape, 2);
    ASSERT_NE(lut, nullptr);
    IpiObject* target = NewTarget(&kMonochromeImageClass);
    ASSERT_EQ(IpiSetAttribute(sys_, target, "lut", IpiObjectId(lut)), 0);
    const IpiAttribute pairs[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(bytes.data())},
                                  {"size", static_cast<intptr_t>(bytes.size())}};
    ASSERT_EQ(IpiReadImageFile(sys_, nullptr, target, kFormatJpegLib, kReadModeHeader, pairs, 2), 0);
    const IpiObjectFields& f = target->fields;
    EXPECT_EQ(f.dimension[kDimX], 21);
    EXPECT_EQ(f.dimension[kDimY], 13);
    EXPECT_EQ(f.dimension[kDimB], 1);
    EXPECT_EQ(f.data_type, kDataTypeNonnegative);
    EXPECT_EQ(f.data_precision, 8);
    EXPECT_EQ(f.compression, kCompressionNone);
    EXPECT_EQ(f.sampling_factor, kJpegLibSampling2x1);
    EXPECT_EQ(f.size, static_cast<int64_t>(bytes.size()));
    EXPECT_FALSE(target->is_inited());  // no pixels yet
    const Raster ramp = jpeg_test::ReadImage(sys_, lut);
    for (int i = 0; i < entries; ++i) {
      const int expected = entries == 1 ? 0 : i * 255 / static_cast<int>(entries - 1);
      for (int b = 0; b < 3; ++b) ASSERT_EQ(ramp.at(b, 0, i), expected) << i;
    }
  }
}

// A data pass into an image the caller made smaller or larger than the file:
// only the overlap is written, nothing past it.
TEST_F(JpegLibFile, DataPassWritesOnlyTheOverlap) {
  const Raster picture = jpeg_test::MakePhoto(40, 30, 3, 9);
  const std::string file = Cjpeg(picture, "-quality 90");
  const std::vector<uint8_t> bytes = ReadFileBytes(file);
  const Raster full = Djpeg(file);
  const IpiAttribute pairs[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(bytes.data())},
                                {"size", static_cast<intptr_t>(bytes.size())}};
  struct Case {
    int width, height;
  };
  for (const Case& c : {Case{13, 7}, Case{50, 40}, Case{40, 10}, Case{7, 30}}) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    std::vector<uint8_t> memory;
    IpiObject* target = jpeg_test::MakeEmptyImage(sys_, c.width, c.height, 3, kRepositoryCallerMemory, &memory);
    memory.push_back(0xA5);  // a guard byte just past the image's memory
    ASSERT_EQ(IpiSetAttribute(sys_, target, "applicationAddressSpace", reinterpret_cast<intptr_t>(memory.data())), 0);
    ASSERT_EQ(IpiReadImageFile(sys_, nullptr, target, kFormatJpegLib, kReadModeData, pairs, 2), 0);
    EXPECT_EQ(memory.back(), 0xA5);
    for (int b = 0; b < 3; ++b) {
      for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
          const int fx = x;
          const int fy = y;
          const bool inside = fx < full.width && fy < full.height;
          const uint8_t got = memory[(static_cast<size_t>(b) * c.height + y) * c.width + x];
          ASSERT_EQ(got, inside ? full.at(b, fy, fx) : 0) << b << " " << y << " " << x;
        }
      }
    }
  }
}

// A file cut before its scan header has no image and is refused with 22. Cut
// anywhere in the coded data, it reads with status 0 (cut inside the scan
// header it is libjpeg's to judge): the missing end is an
// end-of-image marker, and the rows are djpeg's rows of the same cut file
// (decoded up to the cut, grey after it).
TEST_F(JpegLibFile, CutFilesReadAsFarAsTheyGo) {
  const Raster picture = jpeg_test::MakePhoto(96, 64, 3, 6);
  const std::vector<uint8_t> whole = ReadFileBytes(Cjpeg(picture, "-quality 80"));
  // The scan header is the last marker segment: cjpeg writes one scan.
  size_t scan_header = 0;
  size_t data_start = 0;
  for (size_t i = 2; i + 3 < whole.size(); i += 2 + (size_t{whole[i + 2]} << 8 | whole[i + 3])) {
    ASSERT_EQ(whole[i], 0xFF);
    if (whole[i + 1] == 0xDA) {
      scan_header = i;
      data_start = i + 2 + (size_t{whole[i + 2]} << 8 | whole[i + 3]);
      break;
    }
  }
  ASSERT_GT(data_start, 0u);
  for (size_t length = 1; length < whole.size(); ++length) {
    SCOPED_TRACE(length);
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
    if (length <= scan_header) {
      ASSERT_EQ(ImportOurs(cut), kIpiSyntaxError);
      ASSERT_EQ(IpiGetLastError(sys_), kIpiSyntaxError);
    } else if (length >= data_start) {
      ASSERT_EQ(ImportOurs(cut), kIpiNoError);
    }
  }
  for (const size_t length : {data_start, data_start + 1, whole.size() * 2 / 3, whole.size() - 2}) {
    SCOPED_TRACE(length);
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
    const std::string cut_file = dir_.File("cut.jpg");
    WriteFileBytes(cut_file, cut);
    Raster ours;
    ASSERT_EQ(ImportOurs(cut, &ours), kIpiNoError);
    ExpectSame(ours, Djpeg(cut_file, 2));
  }
}

// Damaged coded data is a warning, not an error: the read ends
// with status 0 and the rows djpeg decodes from the same file.
TEST_F(JpegLibFile, BadCodesInTheDataReadAsDjpegDecodesThem) {
  const Raster picture = jpeg_test::MakePhoto(48, 48, 3, 9);
  const std::vector<uint8_t> good = ReadFileBytes(Cjpeg(picture, "-quality 80 -sample 2x2"));
  for (const size_t from_end : {size_t{300}, size_t{120}, size_t{40}}) {
    SCOPED_TRACE(from_end);
    ASSERT_LT(from_end, good.size());
    std::vector<uint8_t> bytes = good;
    // A restart marker where coded data should be.
    bytes[bytes.size() - from_end] = 0xFF;
    bytes[bytes.size() - from_end + 1] = 0xD3;
    const std::string file = dir_.File("damaged.jpg");
    WriteFileBytes(file, bytes);
    Raster ours;
    ASSERT_EQ(ImportOurs(bytes, &ours), kIpiNoError);
    ExpectSame(ours, Djpeg(file, -1));
  }
}

TEST_F(JpegLibFile, DamagedFilesAreRefusedWithReportedErrors) {
  const Raster picture = jpeg_test::MakePhoto(32, 32, 3, 12);
  const std::vector<uint8_t> good = ReadFileBytes(Cjpeg(picture, "-quality 80 -sample 2x2"));
  auto find_marker = [&](uint8_t marker) {
    for (size_t i = 0; i + 1 < good.size(); ++i) {
      if (good[i] == 0xFF && good[i + 1] == marker) return i;
    }
    ADD_FAILURE() << "no marker " << int{marker};
    return size_t{0};
  };
  const size_t sof = find_marker(0xC0);
  const size_t sos = find_marker(0xDA);
  const size_t dht = find_marker(0xC4);
  struct Case {
    const char* name;
    size_t offset;
    uint8_t value;
    int status;
  };
  const Case cases[] = {
      {"not a JPEG", 0, 0x00, kIpiSyntaxError},
      {"12-bit samples", sof + 4, 12, kIpiNonPermissibleOption},
      {"precision 3", sof + 4, 3, kIpiSyntaxError},
      {"zero height", sof + 6, 0, kIpiSyntaxError},
      {"zero components", sof + 9, 0, kIpiSyntaxError},
      {"sampling factor 0", sof + 11, 0x00, kIpiSyntaxError},
      {"scan of an unknown component", sos + 5, 9, kIpiSyntaxError},
      {"Huffman counts past 256", dht + 5, 0xFF, kIpiSyntaxError},
      {"marker length past the file", sof + 2, 0xFF, kIpiSyntaxError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = good;
    ASSERT_LT(c.offset, bytes.size());
    ASSERT_NE(bytes[c.offset], c.value);
    bytes[c.offset] = c.value;
    EXPECT_EQ(ImportOurs(bytes), c.status);
    EXPECT_EQ(IpiGetLastError(sys_), c.status);
  }
}

TEST_F(JpegLibFile, FourComponentFilesPassTheHeaderButNotTheData) {
  const std::string in = dir_.File("in.ppm");
  const std::string file = dir_.File("cmyk.jpg");
  jpeg_test::WritePnm(in, jpeg_test::MakePhoto(16, 16, 3, 1));
  std::string messages;
  ASSERT_EQ(jpeg_test::Run("convert-im6.q16 " + in + " -colorspace CMYK " + file, &messages), 0) << messages;
  const std::vector<uint8_t> bytes = ReadFileBytes(file);
  IpiObject* target = NewTarget();
  const IpiAttribute pairs[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(bytes.data())},
                                {"size", static_cast<intptr_t>(bytes.size())}};
  ASSERT_EQ(IpiReadImageFile(sys_, nullptr, target, kFormatJpegLib, kReadModeHeader, pairs, 2), 0);
  EXPECT_EQ(target->fields.dimension[kDimB], 4);
  EXPECT_EQ(IpiReadImageFile(sys_, nullptr, target, kFormatJpegLib, kReadModeData, pairs, 2), kIpiSemanticError);
}

TEST_F(JpegLibFile, EmptyInputIsRefused) {
  IpiObject* target = NewTarget();
  const uint8_t nothing = 0;
  // The read front refuses an empty memory image; the reader sees one through a file.
  EXPECT_EQ(IpiImportImage(sys_, &nothing, target, kFormatJpegLib, 0, nullptr, 0), kIpiInsufficientSize);
  const std::string empty = dir_.File("empty.jpg");
  WriteFileBytes(empty, {});
  EXPECT_EQ(IpiReadFile(sys_, empty.c_str(), target, kFormatJpegLib, nullptr, 0), kIpiSyntaxError);
}

TEST_F(JpegLibFile, WriterRefusesWhatTheFileCannotHoldBeforeWriting) {
  const Raster grey = jpeg_test::MakePhoto(16, 8, 1, 1);
  const std::string path = dir_.File("refused.jpg");
  // No sampling code: nothing is written, and no earlier file is touched.
  WriteFileBytes(path, {1, 2, 3});
  EXPECT_EQ(WriteOurs(grey, path, {{"samplingFactor", 0}}), kIpiNonPermissibleOption);
  EXPECT_EQ(ReadFileBytes(path), (std::vector<uint8_t>{1, 2, 3}));

  struct Case {
    const char* name;
    std::vector<IpiAttribute> shape;
    int status;
  };
  const std::vector<Case> cases = {
      {"two bands", {{"bDimension", 2}}, kIpiMismatchDataType},
      {"16-bit samples", {{"dataPrecision", 16}}, kIpiNonPermissibleOption},
      {"two planes", {{"zDimension", 2}}, kIpiNonPermissibleOption},
      {"signed samples", {{"dataType", kDataTypeSigned}, {"dataPrecision", 8}}, kIpiNonPermissibleOption},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<IpiAttribute> shape = {{"xDimension", 16}, {"yDimension", 8}, {"repository", kRepositoryGlobalBlock}};
    shape.insert(shape.end(), c.shape.begin(), c.shape.end());
    IpiObject* image = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape.data(),
                                       static_cast<int>(shape.size()));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(IpiWriteFile(sys_, image, path.c_str(), kFormatJpegLib, nullptr, 0), c.status);
    EXPECT_EQ(IpiGetLastError(sys_), c.status);
  }
  EXPECT_EQ(ReadFileBytes(path), (std::vector<uint8_t>{1, 2, 3}));
}

// The destination stream fails part way (caller memory too short): the
// stream layer's status comes back, reported, with nothing leaked.
TEST_F(JpegLibFile, ShortDestinationEndsWithTheStreamStatus) {
  const Raster picture = jpeg_test::MakePhoto(64, 64, 3, 13);
  IpiObject* image = jpeg_test::MakeImage(sys_, picture, kRepositoryGlobalBlock);
  std::vector<uint8_t> memory(1000);
  const IpiAttribute shape[] = {{"fileFormat", kFormatJpegLib},
                                {"repository", kRepositoryCallerMemory},
                                {"applicationAddressSpace", reinterpret_cast<intptr_t>(memory.data())},
                                {"size", static_cast<intptr_t>(memory.size())},
                                {"quarityFactor", 100}};
  IpiObject* file = IpiCreateObject(sys_, nullptr, image->object_class, image, shape, 5);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(WriteJpegLibFile(sys_, image, file), kIpiInsufficientSize);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiInsufficientSize);
}

TEST_F(JpegLibFile, DirectWriteIntoMemoryKeepsItsSize) {
  const Raster picture = jpeg_test::MakePhoto(64, 48, 1, 14);
  IpiObject* image = jpeg_test::MakeImage(sys_, picture, kRepositoryGlobalBlock);
  std::vector<uint8_t> memory(64 * 48);
  const IpiAttribute shape[] = {{"fileFormat", kFormatJpegLib},
                                {"repository", kRepositoryCallerMemory},
                                {"applicationAddressSpace", reinterpret_cast<intptr_t>(memory.data())},
                                {"size", static_cast<intptr_t>(memory.size())},
                                {"samplingFactor", kJpegLibSampling1x1}};
  IpiObject* file = IpiCreateObject(sys_, nullptr, image->object_class, image, shape, 5);
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(WriteJpegLibFile(sys_, image, file), 0);
  ASSERT_GT(file->fields.size, 100);
  memory.resize(static_cast<size_t>(file->fields.size));
  const std::string path = dir_.File("direct.jpg");
  WriteFileBytes(path, memory);
  EXPECT_GT(jpeg_test::Psnr(Djpeg(path), picture), 30.0);
}

// A packed-bitmap target (bottom-up rows, colour as blue, green, red) whose
// rows hold a file row is decoded in place; rows too short for one take the
// part that fits through a scratch row. Both give djpeg's samples, and
// nothing is written past the target's rows.
TEST_F(JpegLibFile, PackedBitmapTargetTakesBottomUpBgrRowsInPlaceOrCut) {
  for (const int bands : {3, 1}) {
    const Raster picture = jpeg_test::MakePhoto(21, 9, bands, 4);
    const std::string file = Cjpeg(picture, bands == 1 ? "-grayscale" : "");
    const std::vector<uint8_t> bytes = ReadFileBytes(file);
    const Raster full = Djpeg(file);
    const IpiAttribute pairs[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(bytes.data())},
                                  {"size", static_cast<intptr_t>(bytes.size())}};
    const int pixel_bytes = full.width * bands;
    struct Case {
      int row_bytes, rows;
    };
    // Padded and exact rows (in place), rows one byte short (through the
    // scratch row) and fewer rows than the file (the decode stops there).
    for (const Case& c :
         {Case{(pixel_bytes + 3) / 4 * 4, 9}, Case{pixel_bytes, 9}, Case{pixel_bytes - 1, 9}, Case{pixel_bytes, 4}}) {
      SCOPED_TRACE(testing::Message() << bands << " bands, rows of " << c.row_bytes << " x " << c.rows);
      std::vector<uint8_t> memory(static_cast<size_t>(c.row_bytes) * c.rows + 1, 0xA5);
      const IpiAttribute shape[] = {{"xDimension", c.row_bytes},
                                    {"yDimension", c.rows},
                                    {"bDimension", 1},
                                    {"dataType", kDataTypeNonnegative},
                                    {"dataPrecision", 8},
                                    {"repository", kRepositoryCallerMemory},
                                    {"applicationAddressSpace", reinterpret_cast<intptr_t>(memory.data())},
                                    {"size", c.row_bytes * c.rows},
                                    {"pixelInterpretation", kPixelInterpretationPackedBitmap}};
      IpiObject* target = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 9);
      ASSERT_NE(target, nullptr);
      ASSERT_EQ(IpiReadImageFile(sys_, nullptr, target, kFormatJpegLib, kReadModeData, pairs, 2), 0);
      EXPECT_EQ(memory.back(), 0xA5) << "written past the last row";
      for (int y = 0; y < c.rows; ++y) {
        const uint8_t* row = memory.data() + static_cast<size_t>(c.rows - 1 - y) * c.row_bytes;
        for (int i = 0; i < std::min(c.row_bytes, pixel_bytes); ++i) {
          const int band = bands == 1 ? 0 : 2 - i % 3;
          ASSERT_EQ(row[i], full.at(band, y, i / bands)) << "row " << y << " byte " << i;
        }
        for (int i = pixel_bytes; i < c.row_bytes; ++i) EXPECT_EQ(row[i], 0xA5) << "padding of row " << y;
      }
    }
  }
}

}  // namespace
