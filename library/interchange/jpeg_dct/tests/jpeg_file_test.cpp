// The JPEG file of the own DCT codec against libjpeg-turbo's programs: our
// files decoded by djpeg, cjpeg's baseline files decoded by us and compared
// with djpeg's decode of the same file, other coding processes refused, and
// damaged or cut files refused cleanly.
//
// Tolerance of the comparisons with djpeg ("-dct int -nosmooth", so that
// chrominance is repeated as this codec does): both decoders follow the same
// file but round differently in the inverse transform (the codec's scaled
// fixed-point recipe against libjpeg's accurate integer one) and in the
// colour conversion (8-bit against 16-bit constants). The codec's inverse
// transform truncates toward zero at each stage and lies up to 4 (0.7 on
// average) from the exact inverse DCT, where libjpeg's stays within 1; in RGB
// the chrominance error is multiplied by up to 1.77. On the test pictures,
// which never need clipping: grey samples within 3 (mean below 0.75), colour
// samples within 7 (mean below 1.2).
#include "interchange/jpeg_dct/jpeg_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/dispatch/write_front.h"
#include "interchange/jpeg_dct/jpeg_dct_codec.h"
#include "interchange/jpeg_dct/jpeg_dct_tables.h"
#include "tests/support/jpeg_test_support.h"
#include "tests/support/test_support.h"

namespace {

using jpeg_test::Raster;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

constexpr int kMaxGreyDifference = 3;
constexpr double kMaxGreyMeanDifference = 0.75;
constexpr int kMaxColourDifference = 7;
constexpr double kMaxColourMeanDifference = 1.2;

class JpegFile : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); }
  void TearDown() override {
    if (sys_ != nullptr) IpiCloseSystem(sys_);
  }

  int WriteOurs(const Raster& raster, const std::string& path, std::vector<IpiAttribute> pairs) {
    IpiObject* image = jpeg_test::MakeImage(sys_, raster, kRepositoryGlobalBlock);
    return IpiWriteFile(sys_, image, path.c_str(), kFormatJpeg, pairs.data(), static_cast<int>(pairs.size()));
  }

  IpiObject* NewTarget() {
    const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}};
    return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 1);
  }

  int ReadOurs(const std::string& path, Raster& out) {
    IpiObject* image = NewTarget();
    const int status = IpiReadFile(sys_, path.c_str(), image, kFormatJpeg, nullptr, 0);
    if (status == 0) out = jpeg_test::ReadImage(sys_, image);
    return status;
  }

  int ImportOurs(const std::vector<uint8_t>& bytes, Raster* out = nullptr) {
    IpiObject* image = NewTarget();
    const int status = IpiImportImage(sys_, bytes.data(), image, kFormatJpeg, static_cast<int64_t>(bytes.size()),
                                      nullptr, 0);
    if (status == 0 && out != nullptr) *out = jpeg_test::ReadImage(sys_, image);
    return status;
  }

  // djpeg's decode; its messages (warnings included) must be empty.
  Raster Djpeg(const std::string& path) {
    const std::string out = dir_.File("djpeg.pnm");
    std::string messages;
    EXPECT_EQ(jpeg_test::Run("djpeg -dct int -nosmooth -outfile " + out + " " + path, &messages), 0);
    EXPECT_EQ(messages, "");
    return jpeg_test::ReadPnm(out);
  }

  std::string Cjpeg(const Raster& raster, const std::string& options) {
    const std::string in = dir_.File(raster.bands == 1 ? "in.pgm" : "in.ppm");
    const std::string out = dir_.File("cjpeg.jpg");
    jpeg_test::WritePnm(in, raster);
    std::string messages;
    EXPECT_EQ(jpeg_test::Run("cjpeg " + options + " -outfile " + out + " " + in, &messages), 0) << messages;
    return out;
  }

  void ExpectCloseTo(const Raster& ours, const Raster& theirs) {
    ASSERT_EQ(ours.width, theirs.width);
    ASSERT_EQ(ours.height, theirs.height);
    ASSERT_EQ(ours.bands, theirs.bands);
    const jpeg_test::Difference d = jpeg_test::Compare(ours, theirs);
    const bool grey = ours.bands == 1;
    EXPECT_LE(d.max, grey ? kMaxGreyDifference : kMaxColourDifference);
    EXPECT_LT(d.mean, grey ? kMaxGreyMeanDifference : kMaxColourMeanDifference);
  }

  IpiSystem* sys_ = nullptr;
  testing_support::ScopedTempDir dir_;
};

TEST_F(JpegFile, OurFilesDecodeInDjpeg) {
  struct Case {
    int bands;
    intptr_t sampling;
    intptr_t restart_interval;
    intptr_t quality;
  };
  const Case cases[] = {{1, kSampling1x1, 0, 1},   {3, kSampling1x1, 1, 1}, {3, kSampling2x1, 5, 2},
                        {3, kSampling2x2, 0, 1},   {3, kSampling2x2, 3, 4}, {1, kSampling2x2, 7, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bands << " bands, sampling " << c.sampling << ", restart "
                                    << c.restart_interval << ", quality " << c.quality);
    const Raster photo = jpeg_test::MakePhoto(97, 61, c.bands, 21);
    const std::string path = dir_.File("ours.jpg");
    ASSERT_EQ(WriteOurs(photo, path,
                        {{"samplingFactor", c.sampling},
                         {"restartInterval", c.restart_interval},
                         {"quarityFactor", c.quality}}),
              0);
    const Raster theirs = Djpeg(path);
    Raster ours;
    ASSERT_EQ(ReadOurs(path, ours), 0);
    ExpectCloseTo(ours, theirs);
    EXPECT_GT(jpeg_test::Psnr(photo, theirs), 29);
  }
}

TEST_F(JpegFile, WriterRefusesSamplingOneByTwoAndLeavesNoFile) {
  const std::string path = dir_.File("never.jpg");
  EXPECT_EQ(WriteOurs(jpeg_test::MakePhoto(16, 16, 3, 1), path, {{"samplingFactor", kSampling1x2}}),
            kIpiNonPermissibleOption);
  EXPECT_EQ(dir_.List(), std::vector<std::string>{});
}

// Marker segments of a file: marker code, offset of the marker, length field.
struct SegmentInfo {
  uint8_t marker;
  size_t offset;
  uint32_t length;
};

std::vector<SegmentInfo> Segments(const std::vector<uint8_t>& bytes) {
  std::vector<SegmentInfo> out;
  size_t i = 2;  // behind SOI
  while (i + 4 <= bytes.size() && bytes[i] == 0xFF) {
    const uint8_t marker = bytes[i + 1];
    const uint32_t length = (uint32_t{bytes[i + 2]} << 8) | bytes[i + 3];
    out.push_back({marker, i, length});
    if (marker == 0xDA) break;
    i += 2 + length;
  }
  return out;
}

const SegmentInfo* Find(const std::vector<SegmentInfo>& segments, uint8_t marker) {
  for (const SegmentInfo& s : segments) {
    if (s.marker == marker) return &s;
  }
  return nullptr;
}

TEST_F(JpegFile, WritesTheBaselineLayout) {
  const std::string path = dir_.File("grey.jpg");
  ASSERT_EQ(WriteOurs(jpeg_test::MakePhoto(20, 10, 1, 2), path, {}), 0);
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xD8);
  EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
  EXPECT_EQ(bytes.back(), 0xD9);
  const std::vector<SegmentInfo> segments = Segments(bytes);
  std::vector<uint8_t> order;
  for (const SegmentInfo& s : segments) order.push_back(s.marker);
  EXPECT_EQ(order, (std::vector<uint8_t>{0xE0, 0xDB, 0xC4, 0xDD, 0xC0, 0xDA}));
  const std::vector<uint8_t> jfif(bytes.begin() + 6, bytes.begin() + 20);
  EXPECT_EQ(jfif, (std::vector<uint8_t>{'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0}));
  EXPECT_EQ(Find(segments, 0xDB)->length, 67u);
  EXPECT_EQ(Find(segments, 0xC4)->length, 2u + 17 + 12 + 17 + 162);  // DC 0 and AC 0
  EXPECT_EQ(Find(segments, 0xC0)->length, 11u);
  EXPECT_EQ(Find(segments, 0xDA)->length, 8u);
  const SegmentInfo* dri = Find(segments, 0xDD);
  ASSERT_NE(dri, nullptr);
  EXPECT_EQ(dri->length, 4u);
  EXPECT_EQ(bytes[dri->offset + 4], 0);  // restart interval 0 is still written
  EXPECT_EQ(bytes[dri->offset + 5], 0);
  // jpegtran parses every marker we write.
  std::string messages;
  EXPECT_EQ(jpeg_test::Run("jpegtran -copy none -outfile " + dir_.File("copy.jpg") + " " + path, &messages), 0);
  EXPECT_EQ(messages, "");
}

TEST_F(JpegFile, ReadsCjpegBaselineFiles) {
  const std::string qtables = dir_.File("qtables.txt");
  {
    std::string text;
    for (const uint8_t* table : {kAnnexKLuminanceQuantizer, kAnnexKChrominanceQuantizer}) {
      for (int i = 0; i < kBlockSize; ++i) text += std::to_string(table[i]) + (i % 8 == 7 ? "\n" : " ");
    }
    WriteFileBytes(qtables, std::vector<uint8_t>(text.begin(), text.end()));
  }
  struct Case {
    int bands;
    std::string options;
  };
  const std::vector<Case> cases = {
      {1, "-grayscale"},
      {3, "-sample 1x1"},
      {3, "-sample 2x1"},
      {3, "-sample 1x2"},
      {3, "-sample 2x2"},
      {3, "-sample 2x2 -restart 1B"},
      {3, "-sample 2x1 -restart 2"},
      {1, "-restart 3B"},
      {3, "-optimize -sample 2x2"},
      {3, "-quality 50 -qtables " + qtables + " -qslots 0,1"},
      {3, "-quality 90 -qslots 0"},  // all components on one table
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const Raster photo = jpeg_test::MakePhoto(83, 45, c.bands, 17);
    const std::string path = Cjpeg(photo, "-baseline -dct int " + c.options);
    Raster ours;
    ASSERT_EQ(ReadOurs(path, ours), 0);
    ExpectCloseTo(ours, Djpeg(path));
  }
}

TEST_F(JpegFile, CjpegTablesAreTheAnnexKTables) {
  // Quality 50 scales the example tables by 1: the file carries K.1 and K.2,
  // and without -optimize the Huffman tables K.3 to K.6.
  const std::string path = Cjpeg(jpeg_test::MakePhoto(16, 16, 3, 1), "-baseline -quality 50");
  IpiObject* target = NewTarget();
  ASSERT_EQ(IpiReadFile(sys_, path.c_str(), target, kFormatJpeg, nullptr, 0), 0);
  auto table = [&](const char* name, size_t bytes) {
    const auto* t = reinterpret_cast<const uint8_t*>(IpiInquireAttribute(sys_, target, name));
    return t == nullptr ? std::vector<uint8_t>{} : std::vector<uint8_t>(t, t + bytes);
  };
  auto zigzag = [](const uint8_t* natural) {
    std::vector<uint8_t> out(kBlockSize);
    for (int k = 0; k < kBlockSize; ++k) out[k] = natural[kZigzagToNatural[k]];
    return out;
  };
  EXPECT_EQ(table("luminanceQuantizationTable", 64), zigzag(kAnnexKLuminanceQuantizer));
  EXPECT_EQ(table("chrominanceQuantizationTable", 64), zigzag(kAnnexKChrominanceQuantizer));
  struct Named {
    const char* bits;
    const char* values;
    const HuffmanSpec* spec;
  };
  const Named named[] = {{"luminanceDCBITS", "luminanceDCHUFFVAL", &kAnnexKLuminanceDc},
                         {"chrominanceDCBITS", "chrominanceDCHUFFVAL", &kAnnexKChrominanceDc},
                         {"luminanceACBITS", "luminanceACHUFFVAL", &kAnnexKLuminanceAc},
                         {"chrominanceACBITS", "chrominanceACHUFFVAL", &kAnnexKChrominanceAc}};
  for (const Named& n : named) {
    SCOPED_TRACE(n.bits);
    EXPECT_EQ(table(n.bits, 16), std::vector<uint8_t>(n.spec->bits, n.spec->bits + 16));
    EXPECT_EQ(table(n.values, n.spec->huffval.size()),
              std::vector<uint8_t>(n.spec->huffval.begin(), n.spec->huffval.end()));
  }
}

TEST_F(JpegFile, RefusesOtherCodingProcesses) {
  const Raster photo = jpeg_test::MakePhoto(32, 24, 3, 6);
  for (const char* options : {"-progressive", "-arithmetic", "-arithmetic -progressive"}) {
    SCOPED_TRACE(options);
    Raster ours;
    EXPECT_EQ(ReadOurs(Cjpeg(photo, options), ours), kIpiSyntaxError);
  }
  // Three quantization tables: the chrominance components would need two.
  const std::string three = dir_.File("three.txt");
  std::string text;
  for (int t = 0; t < 3; ++t) {
    for (int i = 0; i < kBlockSize; ++i) text += std::to_string(10 + t) + (i % 8 == 7 ? "\n" : " ");
  }
  WriteFileBytes(three, std::vector<uint8_t>(text.begin(), text.end()));
  Raster ours;
  EXPECT_EQ(ReadOurs(Cjpeg(photo, "-baseline -qtables " + three + " -qslots 0,1,2"), ours), kIpiSyntaxError);
}

// A small colour file of ours with a restart interval, as a fixture.
class JpegFileDamage : public JpegFile {
 protected:
  void SetUp() override {
    JpegFile::SetUp();
    const std::string path = dir_.File("fixture.jpg");
    ASSERT_EQ(WriteOurs(jpeg_test::MakePhoto(40, 24, 3, 12), path,
                        {{"samplingFactor", kSampling2x2}, {"restartInterval", 2}}),
              0);
    good_ = ReadFileBytes(path);
    segments_ = Segments(good_);
    ASSERT_EQ(segments_.size(), 6u);
    ASSERT_EQ(ImportOurs(good_, &reference_), 0);
  }

  // Offset of byte `k` of the segment's body (behind its length field).
  size_t Body(uint8_t marker, size_t k) const { return Find(segments_, marker)->offset + 4 + k; }

  std::vector<uint8_t> good_;
  std::vector<SegmentInfo> segments_;
  Raster reference_;
};

std::vector<uint8_t> Patched(std::vector<uint8_t> bytes, size_t offset, uint8_t expected_old, uint8_t value) {
  EXPECT_EQ(bytes.at(offset), expected_old) << "fixture moved";
  bytes.at(offset) = value;
  return bytes;
}

TEST_F(JpegFileDamage, RefusesMalformedHeaders) {
  const size_t dqt = Find(segments_, 0xDB)->offset;
  const size_t dht = Find(segments_, 0xC4)->offset;
  const size_t app0 = Find(segments_, 0xE0)->offset;
  const size_t sof = Find(segments_, 0xC0)->offset;
  const size_t sos = Find(segments_, 0xDA)->offset;
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases = {
      {"no start of image", Patched(good_, 1, 0xD8, 0xD7)},
      {"16-bit quantizer entries", Patched(good_, Body(0xDB, 0), 0x00, 0x10)},
      {"quantizer table number 4", Patched(good_, Body(0xDB, 0), 0x00, 0x04)},
      {"DQT shorter than its tables", Patched(good_, dqt + 3, 0x84, 0x83)},
      {"Huffman class 2", Patched(good_, Body(0xC4, 0), 0x00, 0x20)},
      {"DC counts past 16 symbols", Patched(good_, Body(0xC4, 1 + 9), 0x00, 0x10)},
      {"over-subscribed DC codes", Patched(good_, Body(0xC4, 1), 0x00, 0x03)},
      {"DHT length past its tables", Patched(good_, dht + 3, good_[dht + 3], good_[dht + 3] + 1)},
      {"APP0 length below 2", Patched(good_, app0 + 3, 0x10, 0x01)},
      {"APP0 length past the file", Patched(Patched(good_, app0 + 2, 0x00, 0xFF), app0 + 3, 0x10, 0xFF)},
      {"extended sequential frame", Patched(good_, sof + 1, 0xC0, 0xC1)},
      {"12-bit samples", Patched(good_, Body(0xC0, 0), 0x08, 0x0C)},
      {"zero height", Patched(good_, Body(0xC0, 2), static_cast<uint8_t>(24), 0x00)},
      {"two components", Patched(good_, Body(0xC0, 5), 0x03, 0x02)},
      {"luminance sampled 4x1", Patched(good_, Body(0xC0, 7), 0x22, 0x41)},
      {"chrominance sampled 2x2", Patched(good_, Body(0xC0, 10), 0x11, 0x22)},
      {"chrominance tables differ", Patched(good_, Body(0xC0, 14), 0x01, 0x00)},
      {"quantizer selector 5", Patched(good_, Body(0xC0, 8), 0x00, 0x05)},
      {"undefined quantizer table", Patched(good_, Body(0xC0, 8), 0x00, 0x02)},
      {"scan component out of order", Patched(good_, Body(0xDA, 3), 0x02, 0x03)},
      {"undefined Huffman table", Patched(good_, Body(0xDA, 2), 0x00, 0x22)},
      {"spectral selection 0-62", Patched(good_, Body(0xDA, 8), 0x3F, 0x3E)},
      {"scan length off", Patched(good_, sos + 3, 0x0C, 0x0D)},
      {"DRI length 5", Patched(good_, Find(segments_, 0xDD)->offset + 3, 0x04, 0x05)},
      {"no marker where one belongs", Patched(good_, dqt, 0xFF, 0xFE)},
  };
  {
    // No DHT at all.
    const SegmentInfo* table = Find(segments_, 0xC4);
    std::vector<uint8_t> without = good_;
    without.erase(without.begin() + static_cast<ptrdiff_t>(table->offset),
                  without.begin() + static_cast<ptrdiff_t>(table->offset + 2 + table->length));
    cases.push_back({"no Huffman tables", without});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ImportOurs(c.bytes), kIpiSyntaxError);
    EXPECT_EQ(IpiGetLastError(sys_), kIpiSyntaxError);
  }
  // 65535 x 65535 pixels pass the format but not the library's pixel limit.
  std::vector<uint8_t> huge = Patched(good_, Body(0xC0, 1), 0x00, 0xFF);
  huge = Patched(huge, Body(0xC0, 2), 24, 0xFF);
  huge = Patched(huge, Body(0xC0, 3), 0x00, 0xFF);
  huge = Patched(huge, Body(0xC0, 4), 40, 0xFF);
  EXPECT_EQ(ImportOurs(huge), kIpiExceedImplementation);
}

// A frame segment of 11 or 17 bytes names its components in its first
// bytes: a one-component frame of 17 bytes reads as the one of 11, a
// three-component frame of 11 bytes cannot hold its components.
TEST_F(JpegFileDamage, FrameLengthsOf11Or17) {
  const std::string path = dir_.File("grey.jpg");
  ASSERT_EQ(WriteOurs(jpeg_test::MakePhoto(16, 8, 1, 3), path, {}), 0);
  std::vector<uint8_t> grey = ReadFileBytes(path);
  Raster plain;
  ASSERT_EQ(ImportOurs(grey, &plain), 0);
  const size_t sof = Find(Segments(grey), 0xC0)->offset;
  ASSERT_EQ(grey.at(sof + 3), 11);
  grey[sof + 3] = 17;
  grey.insert(grey.begin() + static_cast<ptrdiff_t>(sof + 2 + 11), 6, 0x5A);
  Raster padded;
  ASSERT_EQ(ImportOurs(grey, &padded), 0);
  EXPECT_EQ(padded.samples, plain.samples);
  grey[sof + 3] = 14;  // neither 11 nor 17
  EXPECT_EQ(ImportOurs(grey), kIpiSyntaxError);

  const size_t colour_sof = Find(segments_, 0xC0)->offset;
  std::vector<uint8_t> short_frame = Patched(good_, colour_sof + 3, 17, 11);
  short_frame.erase(short_frame.begin() + static_cast<ptrdiff_t>(colour_sof + 2 + 11),
                    short_frame.begin() + static_cast<ptrdiff_t>(colour_sof + 2 + 17));
  EXPECT_EQ(ImportOurs(short_frame), kIpiSyntaxError);
}

TEST_F(JpegFileDamage, AcceptsBytesBeforeTheImageAndFillBytes) {
  std::vector<uint8_t> prefixed = {'j', 'u', 'n', 'k', 0xFF, 0x00};
  prefixed.insert(prefixed.end(), good_.begin(), good_.end());
  Raster decoded;
  ASSERT_EQ(ImportOurs(prefixed, &decoded), 0);
  EXPECT_EQ(decoded.samples, reference_.samples);

  std::vector<uint8_t> filled = good_;
  filled.insert(filled.begin() + static_cast<ptrdiff_t>(Find(segments_, 0xC0)->offset), {0xFF, 0xFF});
  ASSERT_EQ(ImportOurs(filled, &decoded), 0);
  EXPECT_EQ(decoded.samples, reference_.samples);
}

TEST_F(JpegFileDamage, EveryCutBeforeTheEndOfTheScanFails) {
  // The fixture's last restart interval is complete, so the scan ends with a
  // marker (RST2) before EOI: only those four bytes may go missing.
  ASSERT_EQ(good_[good_.size() - 3], 0xD2);
  const size_t coded_end = good_.size() - 4;
  for (size_t length = 0; length < coded_end; ++length) {
    const std::vector<uint8_t> cut(good_.begin(), good_.begin() + static_cast<ptrdiff_t>(length));
    const int status = length == 0 ? IpiImportImage(sys_, nullptr, NewTarget(), kFormatJpeg, 0, nullptr, 0)
                                   : ImportOurs(cut);
    ASSERT_NE(status, 0) << "cut at " << length;
  }
  Raster decoded;
  ASSERT_EQ(ImportOurs(std::vector<uint8_t>(good_.begin(), good_.begin() + coded_end), &decoded), 0);
  EXPECT_EQ(decoded.samples, reference_.samples);
}

TEST_F(JpegFileDamage, DamagedScansEndCleanly) {
  const size_t scan = Find(segments_, 0xDA)->offset + 2 + 12;
  std::mt19937 random(99);
  for (int n = 0; n < 300; ++n) {
    std::vector<uint8_t> bytes = good_;
    const int flips = 1 + n % 4;
    for (int f = 0; f < flips; ++f) {
      std::uniform_int_distribution<size_t> where(scan, bytes.size() - 3);
      bytes[where(random)] = static_cast<uint8_t>(random());
    }
    const int status = ImportOurs(bytes);
    ASSERT_TRUE(status == 0 || status == kIpiInsufficientSize || status == kIpiSemanticError ||
                status == kIpiSyntaxError)
        << status;
  }
}

TEST_F(JpegFile, ReadsThroughEveryRepository) {
  // Noise at quality 0 codes larger than the plain image: its holder is a
  // file. (It also needs clipping all over, so djpeg is not asked about it.)
  Raster noise{64, 32, 3, std::vector<uint8_t>(64 * 32 * 3)};
  std::mt19937 random(5);
  for (uint8_t& s : noise.samples) s = static_cast<uint8_t>(random());
  Raster photo = jpeg_test::MakePhoto(64, 32, 3, 3);
  for (const Raster* raster : {&photo, &noise}) {
    const bool is_noise = raster == &noise;
    const std::string path = dir_.File("any.jpg");
    ASSERT_EQ(WriteOurs(*raster, path, {{"quarityFactor", is_noise ? 0 : 1}, {"samplingFactor", kSampling1x1}}), 0);
    Raster from_file, from_memory;
    ASSERT_EQ(ReadOurs(path, from_file), 0);
    ASSERT_EQ(ImportOurs(ReadFileBytes(path), &from_memory), 0);
    EXPECT_EQ(from_file.samples, from_memory.samples);
    if (!is_noise) ExpectCloseTo(from_file, Djpeg(path));

    // The reader on its own, from a file object into a file object.
    IpiObject* file = NewTarget();
    const IpiAttribute source_shape[] = {{"repository", kRepositoryFile},
                                         {"fileName", reinterpret_cast<intptr_t>(path.c_str())}};
    ASSERT_EQ(IpiSetAttributes(sys_, file, source_shape, 2), 0);
    const IpiAttribute holder_shape[] = {{"repository", kRepositoryFile}, {"fileFormat", kFormatJpeg}};
    IpiObject* holder = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, holder_shape, 2);
    ASSERT_EQ(ReadJpegFile(sys_, file, holder, kReadModeBoth), 0);
    // The read front keeps coded data in a global block only when it is
    // smaller than the plain image: the noise takes the file road.
    const int64_t plain_bytes = 64 * 32 * 3;
    if (is_noise) {
      EXPECT_GE(holder->fields.size, plain_bytes);
    } else {
      EXPECT_LT(holder->fields.size, plain_bytes);
    }
    IpiObject* image = jpeg_test::MakeEmptyImage(sys_, 64, 32, 3, kRepositoryFile);
    ASSERT_EQ(DecodeJpegDct(sys_, holder, image), 0);
    EXPECT_EQ(jpeg_test::ReadImage(sys_, image).samples, from_file.samples);
  }
  // Holders, and the objects above, leave no temporary file behind.
  IpiCloseSystem(sys_);
  sys_ = nullptr;
  EXPECT_EQ(testing_support::LibraryTempFiles(), std::vector<std::string>{});
}

}  // namespace
