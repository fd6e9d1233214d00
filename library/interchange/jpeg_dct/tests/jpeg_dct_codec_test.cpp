// The DCT codec on objects: published tables, MCU layouts and edges, restart
// markers, the coding of single blocks, the repositories, and refusals of
// damaged data and tables. Interchange with other programs is in
// jpeg_file_test.cpp.
#include "interchange/jpeg_dct/jpeg_dct_codec.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/scoped_object.h"
#include "core/status.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/coder_dispatch.h"
#include "interchange/io/bit_reader.h"
#include "interchange/io/bit_writer.h"
#include "interchange/jpeg_dct/entropy_coder.h"
#include "interchange/jpeg_dct/huffman_tables.h"
#include "interchange/jpeg_dct/jpeg_dct_tables.h"
#include "tests/support/jpeg_test_support.h"

namespace {

using jpeg_test::Coding;
using jpeg_test::Raster;

class JpegDctCodec : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); }
  void TearDown() override { IpiCloseSystem(sys_); }

  // Encodes `raster` into a new compressed object in a global block.
  IpiObject* Encode(const Raster& raster, const Coding& coding, int32_t repository = kRepositoryGlobalBlock) {
    IpiObject* image = jpeg_test::MakeImage(sys_, raster, kRepositoryGlobalBlock);
    IpiObject* compressed = jpeg_test::MakeCompressed(sys_, raster.width, raster.height, raster.bands, coding,
                                                      repository, &memory_, 1 << 20);
    EXPECT_EQ(IpiEncodeImageData(sys_, image, compressed), 0);
    return compressed;
  }

  int Decode(IpiObject* compressed, Raster& out) {
    const int32_t* d = compressed->fields.dimension;
    IpiObject* image = jpeg_test::MakeEmptyImage(sys_, d[kDimX], d[kDimY], d[kDimB], kRepositoryGlobalBlock);
    const int status = IpiDecodeImageData(sys_, compressed, image);
    out = jpeg_test::ReadImage(sys_, image);
    return status;
  }

  std::vector<uint8_t> Table(IpiObject* obj, const char* name, size_t bytes) {
    const auto* table = reinterpret_cast<const uint8_t*>(IpiInquireAttribute(sys_, obj, name));
    return table == nullptr ? std::vector<uint8_t>{} : std::vector<uint8_t>(table, table + bytes);
  }

  IpiSystem* sys_ = nullptr;
  std::vector<uint8_t> memory_;
};

std::vector<uint8_t> Zigzag(const uint8_t natural[kBlockSize]) {
  std::vector<uint8_t> out(kBlockSize);
  for (int k = 0; k < kBlockSize; ++k) out[k] = natural[kZigzagToNatural[k]];
  return out;
}

TEST_F(JpegDctCodec, PublishesTheQuantizersItCodesWith) {
  struct Case {
    const char* name;
    intptr_t quality;
    uint8_t luma_first, luma_second;  // zigzag entries 0 and 1 (16 and 11 in Table K.1)
    uint8_t smallest, largest;
  };
  const Case cases[] = {
      {"base tables", 1, 16, 11, 10, 121},
      {"halved with rounding", 2, 8, 6, 5, 61},
      {"all ones", 0, 1, 1, 1, 1},
      {"divisor beyond twice the smallest entry stays 1", 75, 1, 1, 1, 2},
      {"ramp held to 255", -20, 21, 41, 21, 255},
  };
  const Raster photo = jpeg_test::MakePhoto(24, 16, 3, 5);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IpiObject* compressed = Encode(photo, {.sampling = kSampling2x1, .quality = c.quality});
    const std::vector<uint8_t> luma = Table(compressed, "luminanceQuantizationTable", kBlockSize);
    ASSERT_EQ(luma.size(), size_t{kBlockSize});
    EXPECT_EQ(luma[0], c.luma_first);
    EXPECT_EQ(luma[1], c.luma_second);
    EXPECT_EQ(*std::min_element(luma.begin(), luma.end()), c.smallest);
    EXPECT_EQ(*std::max_element(luma.begin(), luma.end()), c.largest);
    if (c.quality == 1) {
      EXPECT_EQ(luma, Zigzag(kAnnexKLuminanceQuantizer));
      EXPECT_EQ(Table(compressed, "chrominanceQuantizationTable", kBlockSize), Zigzag(kAnnexKChrominanceQuantizer));
    }
    // What is published is what was used: the image comes back.
    Raster decoded;
    ASSERT_EQ(Decode(compressed, decoded), 0);
    EXPECT_GT(jpeg_test::Psnr(photo, decoded), c.quality == -20 ? 20 : 28);
  }
}

TEST_F(JpegDctCodec, PublishesTheAnnexKHuffmanTables) {
  IpiObject* grey = Encode(jpeg_test::MakePhoto(8, 8, 1, 1), {.sampling = kSampling2x2});
  const std::vector<uint8_t> dc_bits = Table(grey, "luminanceDCBITS", kHuffmanLengths);
  EXPECT_EQ(dc_bits, std::vector<uint8_t>(kAnnexKLuminanceDc.bits, kAnnexKLuminanceDc.bits + kHuffmanLengths));
  EXPECT_EQ(Table(grey, "luminanceACHUFFVAL", 162),
            std::vector<uint8_t>(kAnnexKLuminanceAc.huffval.begin(), kAnnexKLuminanceAc.huffval.end()));
  EXPECT_TRUE(Table(grey, "chrominanceDCBITS", kHuffmanLengths).empty());  // one band: luminance only
}

TEST_F(JpegDctCodec, RoundTripsEveryLayoutAndRepository) {
  struct Case {
    int bands;
    int32_t sampling;
    double min_psnr;
  };
  const Case cases[] = {{1, kSampling2x2, 34}, {3, kSampling1x1, 33}, {3, kSampling2x1, 30},
                        {3, kSampling1x2, 30}, {3, kSampling2x2, 29}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bands << " bands, sampling " << c.sampling);
    const Raster photo = jpeg_test::MakePhoto(61, 37, c.bands, 9);
    std::vector<uint8_t> reference_bytes;
    Raster reference_image;
    for (int32_t repository : {kRepositoryGlobalBlock, kRepositoryFile, kRepositoryCallerMemory}) {
      SCOPED_TRACE(repository);
      IpiObject* compressed = Encode(photo, {.sampling = c.sampling, .restart_interval = 3}, repository);
      // The decoder writes into an image of the same repository.
      std::vector<uint8_t> image_memory;
      IpiObject* image = jpeg_test::MakeEmptyImage(sys_, 61, 37, c.bands, repository, &image_memory);
      ASSERT_EQ(IpiDecodeImageData(sys_, compressed, image), 0);
      const Raster decoded = jpeg_test::ReadImage(sys_, image);
      const std::vector<uint8_t> coded = jpeg_test::CodedBytes(sys_, compressed);
      if (repository == kRepositoryGlobalBlock) {
        reference_bytes = coded;
        reference_image = decoded;
        EXPECT_GT(jpeg_test::Psnr(photo, decoded), c.min_psnr);
      } else {
        EXPECT_EQ(coded, reference_bytes);
        EXPECT_EQ(decoded.samples, reference_image.samples);
      }
    }
  }
}

// Markers in the coded bytes (0xFF followed by RSTn).
std::vector<uint8_t> Markers(const std::vector<uint8_t>& coded) {
  std::vector<uint8_t> markers;
  for (size_t i = 0; i + 1 < coded.size(); ++i) {
    if (coded[i] == 0xFF && coded[i + 1] != 0x00) markers.push_back(coded[i + 1]);
  }
  return markers;
}

TEST_F(JpegDctCodec, PadsPartialMcusWithTheEdgeAndStoresOnlyTheImage) {
  // 17 x 9 in 16 x 16 MCUs: two MCUs, one restart marker after each.
  Raster photo = jpeg_test::MakePhoto(17, 9, 3, 4);
  IpiObject* compressed = Encode(photo, {.sampling = kSampling2x2, .restart_interval = 1});
  EXPECT_EQ(Markers(jpeg_test::CodedBytes(sys_, compressed)), (std::vector<uint8_t>{0xD0, 0xD1}));
  Raster decoded;
  ASSERT_EQ(Decode(compressed, decoded), 0);
  ASSERT_EQ(decoded.width, 17);
  ASSERT_EQ(decoded.height, 9);
  EXPECT_GT(jpeg_test::Psnr(photo, decoded), 26);
}

TEST_F(JpegDctCodec, RestartMarkersCycleAndAreChecked) {
  const Raster photo = jpeg_test::MakePhoto(16, 40, 1, 3);  // ten MCUs in five rows
  IpiObject* compressed = Encode(photo, {.restart_interval = 1});
  const std::vector<uint8_t> coded = jpeg_test::CodedBytes(sys_, compressed);
  EXPECT_EQ(Markers(coded), (std::vector<uint8_t>{0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD0, 0xD1}));
  Raster reference;
  ASSERT_EQ(Decode(compressed, reference), 0);

  // Without the marker after the last interval (as other encoders write it).
  std::vector<uint8_t> trimmed(coded.begin(), coded.end() - 2);
  jpeg_test::SetCodedBytes(sys_, compressed, trimmed);
  Raster decoded;
  ASSERT_EQ(Decode(compressed, decoded), 0);
  EXPECT_EQ(decoded.samples, reference.samples);

  // Markers out of sequence, or bytes left before one, are refused.
  size_t third_marker = 0;
  for (size_t i = 0, seen = 0; i + 1 < coded.size(); ++i) {
    if (coded[i] == 0xFF && coded[i + 1] == 0xD2 && ++seen == 1) third_marker = i;
  }
  ASSERT_GT(third_marker, 0u);
  std::vector<uint8_t> swapped = coded;
  swapped[third_marker + 1] = 0xD5;
  jpeg_test::SetCodedBytes(sys_, compressed, swapped);
  EXPECT_EQ(Decode(compressed, decoded), kIpiSyntaxError);
  std::vector<uint8_t> extra = coded;
  extra.insert(extra.begin() + static_cast<ptrdiff_t>(third_marker), 0x5A);
  jpeg_test::SetCodedBytes(sys_, compressed, extra);
  EXPECT_EQ(Decode(compressed, decoded), kIpiSyntaxError);
  // The MCU rows before the damage stay decoded.
  for (int x = 0; x < 16; ++x) EXPECT_EQ(decoded.at(0, 3, x), reference.at(0, 3, x));
}

// The coded bits of one block, through the Annex K luminance tables.
std::vector<uint8_t> CodeBlock(const int32_t zigzag[kBlockSize], int32_t& predictor) {
  HuffmanEncodeTable dc, ac;
  EXPECT_TRUE(BuildHuffmanEncodeTable(kAnnexKLuminanceDc, dc));
  EXPECT_TRUE(BuildHuffmanEncodeTable(kAnnexKLuminanceAc, ac));
  std::vector<uint8_t> bytes;
  BitWriter bits(bytes, FillOrder::kMsbFirst);
  EncodeBlock(bits, zigzag, predictor, {&dc, &ac});
  EXPECT_TRUE(bits.Flush());
  return bytes;
}

TEST(JpegDctBlockCoding, UsesTheAnnexKCodes) {
  // DC difference 0 (category 0: 00) and EOB (1010).
  int32_t flat[kBlockSize] = {};
  int32_t predictor = 0;
  EXPECT_EQ(CodeBlock(flat, predictor), (std::vector<uint8_t>{0x28}));
  // Twenty zeros, then 1: ZRL (11111111001), run 4 size 1 (111011), value bit 1,
  // then EOB: 00 11111111001 111011 1 1010.
  int32_t late[kBlockSize] = {};
  late[21] = 1;
  EXPECT_EQ(CodeBlock(late, predictor), (std::vector<uint8_t>{0x3F, 0xCF, 0x7A}));
}

TEST(JpegDctBlockCoding, ClampsValuesOutsideTheBaselineRange) {
  int32_t wide[kBlockSize] = {};
  wide[0] = 3000;   // DC difference beyond 2047
  wide[1] = -5000;  // AC value beyond 1023
  int32_t predictor = 0;
  const std::vector<uint8_t> bytes = CodeBlock(wide, predictor);
  EXPECT_EQ(predictor, 2047);  // follows what was coded

  HuffmanDecodeTable dc, ac;
  ASSERT_TRUE(BuildHuffmanDecodeTable(kAnnexKLuminanceDc.bits, kAnnexKLuminanceDc.huffval, 16, dc));
  ASSERT_TRUE(BuildHuffmanDecodeTable(kAnnexKLuminanceAc.bits, kAnnexKLuminanceAc.huffval, 256, ac));
  InverseDequantizer unit;
  for (int k = 0; k < kBlockSize; ++k) {
    unit.target_index[k] = static_cast<uint8_t>(k);
    unit.multiplier[k] = 1;
  }
  BitReader reader(bytes, FillOrder::kMsbFirst);
  DecodedBlock block;
  int32_t decoded_predictor = 0;
  ASSERT_EQ(DecodeBlock(reader, {&dc, &ac, &unit}, decoded_predictor, block), BlockResult::kOk);
  EXPECT_EQ(block.values[0], 2047);
  EXPECT_EQ(block.values[1], -1023);
  EXPECT_TRUE(block.has_ac());
  EXPECT_FALSE(reader.overran());
  block.Clear();
  for (int32_t value : block.values) EXPECT_EQ(value, 0);
}

// A one-code table: every 0 bit decodes to `symbol`.
std::array<uint8_t, kAcHuffvalCapacity> OneSymbol(uint8_t symbol) {
  std::array<uint8_t, kAcHuffvalCapacity> values{};
  values[0] = symbol;
  return values;
}

TEST_F(JpegDctCodec, RefusesDamagedDataAndTables) {
  const Raster photo = jpeg_test::MakePhoto(16, 16, 1, 8);
  const std::array<uint8_t, kHuffmanLengths> one_code = {1};
  const std::array<uint8_t, kHuffmanLengths> oversubscribed = {3};  // three codes of one bit
  const std::array<uint8_t, kHuffmanLengths> too_many = {0, 0, 0, 0, 17};
  struct Case {
    const char* name;
    std::vector<IpiAttribute> tables;
    std::vector<uint8_t> data;  // empty: keep the coded bytes
    int expected;
  };
  const auto dc12 = OneSymbol(12), dc0 = OneSymbol(0), ac11 = OneSymbol(0x0B), ac_f1 = OneSymbol(0xF1),
             ac_zrl = OneSymbol(0xF0);
  auto address = [](const auto& table) { return reinterpret_cast<intptr_t>(table.data()); };
  const std::vector<uint8_t> zeros(16, 0);
  const std::vector<Case> cases = {
      {"DC category 12", {{"luminanceDCBITS", address(one_code)}, {"luminanceDCHUFFVAL", address(dc12)}}, zeros,
       kIpiSyntaxError},
      {"AC size 11",
       {{"luminanceDCBITS", address(one_code)}, {"luminanceDCHUFFVAL", address(dc0)},
        {"luminanceACBITS", address(one_code)}, {"luminanceACHUFFVAL", address(ac11)}},
       zeros, kIpiSyntaxError},
      {"runs past the 64th coefficient",
       {{"luminanceDCBITS", address(one_code)}, {"luminanceDCHUFFVAL", address(dc0)},
        {"luminanceACBITS", address(one_code)}, {"luminanceACHUFFVAL", address(ac_f1)}},
       zeros, kIpiSyntaxError},
      {"zero runs past the block",
       {{"luminanceDCBITS", address(one_code)}, {"luminanceDCHUFFVAL", address(dc0)},
        {"luminanceACBITS", address(one_code)}, {"luminanceACHUFFVAL", address(ac_zrl)}},
       zeros, kIpiSyntaxError},
      {"over-subscribed code space", {{"luminanceACBITS", address(oversubscribed)}}, {}, kIpiSyntaxError},
      {"more DC symbols than the table holds", {{"luminanceDCBITS", address(too_many)}}, {}, kIpiSyntaxError},
      {"data cut short", {}, {0x12, 0x34}, kIpiInsufficientSize},
      {"0xFF not followed by 0x00", {}, {0xFF, 0x12, 0x34, 0x56}, kIpiSemanticError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IpiObject* compressed = Encode(photo, {});
    ASSERT_EQ(IpiSetAttributes(sys_, compressed, c.tables.data(), static_cast<int>(c.tables.size())), 0);
    if (!c.data.empty()) jpeg_test::SetCodedBytes(sys_, compressed, c.data);
    Raster decoded;
    EXPECT_EQ(Decode(compressed, decoded), c.expected);
    EXPECT_EQ(IpiGetLastError(sys_), c.expected);
  }

  // No tables at all.
  IpiObject* bare = jpeg_test::MakeCompressed(sys_, 16, 16, 1, {}, kRepositoryGlobalBlock);
  jpeg_test::SetCodedBytes(sys_, bare, zeros);
  Raster decoded;
  EXPECT_EQ(Decode(bare, decoded), kIpiSyntaxError);
}

TEST_F(JpegDctCodec, RefusesWhatItCannotCode) {
  const Raster photo = jpeg_test::MakePhoto(16, 16, 3, 2);
  IpiObject* image = jpeg_test::MakeImage(sys_, photo, kRepositoryGlobalBlock);
  IpiObject* compressed = jpeg_test::MakeCompressed(sys_, 16, 16, 3, {}, kRepositoryGlobalBlock);
  EXPECT_EQ(JpegCodecSelect(sys_, image, compressed, 5), kIpiOutOfRange);

  ASSERT_EQ(IpiSetAttribute(sys_, compressed, "samplingFactor", 241), 0);
  EXPECT_EQ(JpegCodecSelect(sys_, image, compressed, kJpegModeEncode), kIpiNonPermissibleOption);
  ASSERT_EQ(IpiSetAttribute(sys_, compressed, "samplingFactor", kSampling2x2), 0);

  ASSERT_EQ(IpiSetAttribute(sys_, compressed, "restartInterval", 70000), 0);
  EXPECT_EQ(JpegCodecSelect(sys_, image, compressed, kJpegModeEncode), kIpiOutOfRange);
  ASSERT_EQ(IpiSetAttribute(sys_, compressed, "restartInterval", 0), 0);

  IpiObject* real = jpeg_test::MakeEmptyImage(sys_, 16, 16, 3, kRepositoryGlobalBlock);
  ASSERT_EQ(IpiSetAttribute(sys_, real, "dataType", kDataTypeReal), 0);
  EXPECT_EQ(JpegCodecSelect(sys_, real, compressed, kJpegModeEncode), kIpiMismatchDataType);

  IpiObject* smaller = jpeg_test::MakeEmptyImage(sys_, 15, 16, 3, kRepositoryGlobalBlock);
  EXPECT_EQ(JpegCodecSelect(sys_, smaller, compressed, kJpegModeEncode), kIpiNonPermissibleOption);

  IpiObject* other_format = jpeg_test::MakeCompressed(sys_, 16, 16, 3, {}, kRepositoryGlobalBlock);
  ASSERT_EQ(IpiSetAttribute(sys_, other_format, "fileFormat", kFormatJpegLib), 0);
  EXPECT_EQ(JpegCodecSelect(sys_, image, other_format, kJpegModeEncode), kIpiNonPermissibleOption);
}

}  // namespace
