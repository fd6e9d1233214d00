// The TIFF writer against libtiff's tools: every depth and compression read
// back by libtiff (through ImageMagick) pixel for pixel, the directory checked
// with tiffdump, strips decoded with tiffinfo -D, pages compared with
// tiffcmp, libtiff's own PackBits decoded by ours, fax data placed as coded,
// refusals before the first byte and failed writes that leave no file.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/write_dispatch.h"
#include "interchange/dispatch/write_front.h"
#include "interchange/io/bit_order.h"
#include "interchange/io/byte_reader.h"
#include "interchange/packbits/packbits.h"
#include "interchange/tiff/tiff_tags.h"
#include "plat/fault_injection.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testing_support::ReadFileBytes;
using testing_support::RunCommand;
using testing_support::ScopedTempDir;

Bytes Pattern(size_t count, uint32_t seed, int modulo) {
  Bytes out(count);
  uint32_t state = seed * 2654435761u + 1;
  for (size_t i = 0; i < count; ++i) {
    state = state * 1103515245u + 12345u;
    // Runs and noise: long runs compress, the noise exercises literals.
    const bool in_run = (i / 23) % 3 == 0;
    out[i] = static_cast<uint8_t>((in_run ? (i / 23) : (state >> 16)) % static_cast<uint32_t>(modulo));
  }
  return out;
}

// Samples of the oracle's decoding, 8 bits each.
Bytes Decoded(const std::string& path, const std::string& kind, int page = 0) {
  std::string output;
  const std::string command = "convert-im6.q16 '" + path + "[" + std::to_string(page) + "]' -depth 8 " + kind +
                              ":- 2>/dev/null";
  EXPECT_EQ(RunCommand(command, &output), 0) << command;
  return Bytes(output.begin(), output.end());
}

std::string Dump(const std::string& path) {
  std::string output;
  EXPECT_EQ(RunCommand("tiffdump '" + path + "'", &output), 0);
  return output;
}

// The numbers that follow each occurrence of `prefix` in a tool's output.
std::vector<uint64_t> NumbersAfter(const std::string& text, const std::string& prefix) {
  std::vector<uint64_t> numbers;
  for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1)) {
    numbers.push_back(std::strtoull(text.c_str() + at + prefix.size(), nullptr, 10));
  }
  return numbers;
}

// tiffinfo -D decodes every strip and reports what it cannot read.
void ExpectStripsDecode(const std::string& path) {
  std::string output;
  EXPECT_EQ(RunCommand("tiffinfo -D '" + path + "' 2>&1", &output), 0);
  EXPECT_EQ(output.find("rror"), std::string::npos) << output;
  EXPECT_EQ(output.find("arning"), std::string::npos) << output;
}

class TiffWriterTest : public testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); }
  void TearDown() override {
    plat::testing::ResetFaults();
    IpiCloseSystem(sys_);
  }

  IpiObject* Image(const IpiObjectClass* cls, int32_t data_type, int32_t precision, int32_t width, int32_t height,
                   int32_t bands, const Bytes& data, int32_t bit_order = kOrderMsbFirst) {
    const IpiAttribute shape[] = {{"dataType", data_type},   {"dataPrecision", precision},
                                  {"xDimension", width},     {"yDimension", height},
                                  {"bDimension", bands},     {"repository", kRepositoryGlobalBlock},
                                  {"bitOrder", bit_order}};
    IpiObject* image = IpiCreateObject(sys_, nullptr, cls, nullptr, shape, 7);
    EXPECT_NE(image, nullptr);
    Fill(image, data);
    return image;
  }
  void Fill(IpiObject* obj, const Bytes& data) {
    if (data.empty()) return;
    IpiStream* s = IpiOpenStream(sys_, obj, "w", 0);
    EXPECT_EQ(IpiWriteBytes(sys_, s, 0, data.data(), static_cast<int64_t>(data.size())),
              static_cast<int64_t>(data.size()));
    EXPECT_EQ(IpiCloseStream(sys_, s), 0);
  }
  // A palette of `entries` colours: red i*37, green 255-i*11, blue i*5 (mod 256).
  void AttachPalette(IpiObject* image, int32_t entries) {
    const IpiAttribute shape[] = {{"dataType", kDataTypeNonnegative}, {"dataPrecision", 8},
                                  {"xDimension", entries},            {"bDimension", 3},
                                  {"repository", kRepositoryGlobalBlock}};
    IpiObject* table = IpiCreateObject(sys_, nullptr, &kLookupTableClass, nullptr, shape, 5);
    ASSERT_NE(table, nullptr);
    Bytes data;
    for (int c = 0; c < 3; ++c) {
      for (int i = 0; i < entries; ++i) data.push_back(PaletteValue(c, i));
    }
    Fill(table, data);
    ASSERT_EQ(IpiSetAttribute(sys_, image, "lut", static_cast<intptr_t>(IpiObjectId(table))), 0);
  }
  static uint8_t PaletteValue(int c, int i) {
    return static_cast<uint8_t>(c == 0 ? i * 37 : c == 1 ? 255 - i * 11 : i * 5);
  }
  IpiObject* Composite(const std::vector<IpiObject*>& entries) {
    const IpiAttribute shape[] = {{"entries", static_cast<intptr_t>(entries.size())}};
    IpiObject* array = IpiCreateObject(sys_, nullptr, &kCompositeIdArrayClass, nullptr, shape, 1);
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(IpiPutCompositeElement(sys_, entries[i], array, static_cast<int64_t>(i)), 0);
    }
    return array;
  }
  int Write(IpiObject* image, const std::string& path, std::vector<IpiAttribute> pairs = {}) {
    return IpiWriteFile(sys_, image, path.c_str(), kFormatTiff, pairs.data(), static_cast<int>(pairs.size()));
  }

  IpiSystem* sys_ = nullptr;
  ScopedTempDir dir_;
};

// What the oracle should see for one image, 8 bits a sample.
Bytes ExpectedGrey(const Bytes& data, int precision, int width, int height) {
  Bytes out;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (precision == 1) {
        const int64_t bit = int64_t{y} * width + x;
        out.push_back(((data[static_cast<size_t>(bit / 8)] >> (7 - bit % 8)) & 1) != 0 ? 255 : 0);
      } else {
        const uint8_t v = data[static_cast<size_t>(y * width + x)];
        out.push_back(precision == 4 ? static_cast<uint8_t>(v * 17) : v);
      }
    }
  }
  return out;
}

TEST_F(TiffWriterTest, EveryDepthAndCompressionReadsBackThroughLibtiff) {
  struct Case {
    const char* name;
    int precision;  // 1, 4, 8, or 24 for three 8-bit bands
    bool palette;
    int32_t compression;
    int32_t planar;
    int32_t bit_order;
  };
  const Case cases[] = {
      {"1 bit", 1, false, kCompressionNone, 0, kOrderMsbFirst},
      {"1 bit packbits", 1, false, kCompressionPackBits, 0, kOrderMsbFirst},
      {"1 bit fill order 2", 1, false, kCompressionNone, 0, kOrderLsbFirst},
      {"1 bit packbits fill order 2", 1, false, kCompressionPackBits, 0, kOrderLsbFirst},
      {"1 bit palette", 1, true, kCompressionNone, 0, kOrderMsbFirst},
      {"4 bits grey", 4, false, kCompressionNone, 0, kOrderMsbFirst},
      {"4 bits grey packbits", 4, false, kCompressionPackBits, 0, kOrderMsbFirst},
      {"4 bits fill order 2", 4, false, kCompressionNone, 0, kOrderLsbFirst},
      {"4 bits palette packbits", 4, true, kCompressionPackBits, 0, kOrderMsbFirst},
      {"8 bits grey", 8, false, kCompressionNone, 0, kOrderMsbFirst},
      {"8 bits grey packbits", 8, false, kCompressionPackBits, 0, kOrderMsbFirst},
      {"8 bits grey, lsb-first object", 8, false, kCompressionNone, 0, kOrderLsbFirst},
      {"8 bits grey packbits, lsb-first object", 8, false, kCompressionPackBits, 0, kOrderLsbFirst},
      {"8 bits palette", 8, true, kCompressionNone, 0, kOrderMsbFirst},
      {"8 bits palette packbits", 8, true, kCompressionPackBits, 0, kOrderMsbFirst},
      {"rgb", 24, false, kCompressionNone, 0, kOrderMsbFirst},
      {"rgb packbits", 24, false, kCompressionPackBits, 0, kOrderMsbFirst},
      {"rgb separate planes", 24, false, kCompressionNone, 249, kOrderMsbFirst},
      {"rgb separate planes packbits", 24, false, kCompressionPackBits, 249, kOrderMsbFirst},
  };
  const int width = 37;
  const int height = 9;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool is_rgb = c.precision == 24;
    Bytes data;
    IpiObject* image = nullptr;
    if (c.precision == 1) {
      data = Pattern(static_cast<size_t>((width * height + 7) / 8), 7, 256);
      image = Image(&kGenericImageClass, kDataTypeBoolean, 1, width, height, 1, data, c.bit_order);
      if (c.bit_order == kOrderLsbFirst) {
        // The same picture: the object keeps its first pixel in bit 0.
        Bytes lsb = data;
        ReverseBitsOfBytes(lsb.data(), lsb.size());
        Fill(image, lsb);
      }
    } else {
      data = Pattern(static_cast<size_t>(width * height * (is_rgb ? 3 : 1)), 11, c.precision == 4 ? 16 : 256);
      image = Image(is_rgb ? &kColourImageClass : &kGenericImageClass, kDataTypeNonnegative, is_rgb ? 8 : c.precision,
                    width, height, is_rgb ? 3 : 1, data, c.bit_order);
    }
    if (c.palette) AttachPalette(image, 1 << c.precision);
    if (c.planar != 0) {
      // Separate planes are asked of the file and, for coding, carried by an
      // image of the TIFF group (as one read from a TIFF file).
      const IpiAttribute tiff[] = {{"fileFormat", kFormatTiff}, {"planarConfiguration", c.planar}};
      ASSERT_EQ(IpiSetAttributes(sys_, image, tiff, 2), 0);
    }
    const std::string path = dir_.File(std::string(c.name) + ".tif");
    ASSERT_EQ(Write(image, path, {{"compression", c.compression}, {"planarConfiguration", c.planar}}), 0);
    ExpectStripsDecode(path);

    Bytes expected;
    std::string kind = "gray";
    if (is_rgb) {
      kind = "rgb";
      for (int i = 0; i < width * height; ++i) {
        for (int b = 0; b < 3; ++b) expected.push_back(data[static_cast<size_t>(b * width * height + i)]);
      }
    } else if (c.palette) {
      kind = "rgb";
      const Bytes indices = ExpectedGrey(data, c.precision, width, height);
      for (uint8_t index : indices) {
        const int i = c.precision == 1 ? index / 255 : c.precision == 4 ? index / 17 : index;
        for (int ch = 0; ch < 3; ++ch) expected.push_back(PaletteValue(ch, i));
      }
    } else {
      expected = ExpectedGrey(data, c.precision, width, height);
    }
    EXPECT_EQ(Decoded(path, kind), expected);
    const std::string dump = Dump(path);
    EXPECT_NE(dump.find(c.compression == kCompressionPackBits ? "Compression (259) SHORT (3) 1<32773>"
                                                              : "Compression (259) SHORT (3) 1<1>"),
              std::string::npos)
        << dump;
    EXPECT_NE(dump.find(c.planar != 0 ? "PlanarConfig (284) SHORT (3) 1<2>" : "PlanarConfig (284) SHORT (3) 1<1>"),
              std::string::npos)
        << dump;
    const bool is_fill_order_2 = c.bit_order == kOrderLsbFirst && (c.precision < 8 || c.compression != 0);
    EXPECT_NE(dump.find(is_fill_order_2 ? "FillOrder (266) SHORT (3) 1<2>" : "FillOrder (266) SHORT (3) 1<1>"),
              std::string::npos)
        << dump;
  }
}

// Images in memory whose rows are already the stored rows are written from
// where they lie: whole-byte bilevel rows and grey rows, with and without
// rows the file has beyond the image.
TEST_F(TiffWriterTest, RowsInStoredFormAreWrittenWhole) {
  const Bytes bits = Pattern(2 * 5, 19, 256);  // 16 x 5, 1 bit
  IpiObject* bilevel = Image(&kGenericImageClass, kDataTypeBoolean, 1, 16, 5, 1, bits);
  const std::string bilevel_path = dir_.File("bilevel.tif");
  ASSERT_EQ(Write(bilevel, bilevel_path), 0);
  EXPECT_EQ(Decoded(bilevel_path, "gray"), ExpectedGrey(bits, 1, 16, 5));

  const Bytes grey = Pattern(6 * 4, 23, 256);
  IpiObject* image = Image(&kGenericImageClass, kDataTypeNonnegative, 8, 6, 4, 1, grey);
  const std::string taller = dir_.File("taller.tif");
  ASSERT_EQ(Write(image, taller, {{"yDimension", 6}}), 0);
  Bytes expected = grey;
  expected.resize(6 * 6, 0);
  EXPECT_EQ(Decoded(taller, "gray"), expected);
}

// Separated colour: all four bands interleaved, four samples described.
TEST_F(TiffWriterTest, SeparatedColourWritesFourSamples) {
  const int width = 5;
  const int height = 3;
  const Bytes planes = Pattern(static_cast<size_t>(4 * width * height), 13, 256);
  IpiObject* image = Image(&kColourImageClass, kDataTypeNonnegative, 8, width, height, 4, planes);
  for (int32_t compression : {kCompressionNone, kCompressionPackBits}) {
    SCOPED_TRACE(compression);
    const std::string path = dir_.File("cmyk" + std::to_string(compression) + ".tif");
    ASSERT_EQ(Write(image, path, {{"colourSpace", kColourSpaceCodeCmyk}, {"compression", compression}}), 0);
    ExpectStripsDecode(path);
    const std::string dump = Dump(path);
    EXPECT_NE(dump.find("SamplesPerPixel (277) SHORT (3) 1<4>"), std::string::npos) << dump;
    EXPECT_NE(dump.find("Photometric (262) SHORT (3) 1<5>"), std::string::npos) << dump;
    EXPECT_NE(dump.find("BitsPerSample (258) SHORT (3) 4<8 8 8 8>"), std::string::npos) << dump;
    Bytes interleaved;
    for (int i = 0; i < width * height; ++i) {
      for (int b = 0; b < 4; ++b) interleaved.push_back(planes[static_cast<size_t>(b * width * height + i)]);
    }
    EXPECT_EQ(Decoded(path, "cmyk"), interleaved);
  }
}

TEST_F(TiffWriterTest, DirectoryHoldsTheTagsAtTheirPlaces) {
  // An "MM" file of one 8-bit grey image.
  IpiObject* grey = Image(&kGenericImageClass, kDataTypeNonnegative, 8, 3, 2, 1, {1, 2, 3, 4, 5, 6});
  const std::string mm = dir_.File("mm.tif");
  ASSERT_EQ(Write(grey, mm, {{"byteOrder", kOrderMsbFirst}}), 0);
  const Bytes bytes = ReadFileBytes(mm);
  ASSERT_GE(bytes.size(), 510u);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 10), (Bytes{0x4D, 0x4D, 0x00, 0x2A, 0, 0, 0, 8, 0x00, 0x12}));
  // Entry 3 (BitsPerSample): tag 01 02, SHORT, count 1, value 00 08.
  EXPECT_EQ(Bytes(bytes.begin() + 10 + 36, bytes.begin() + 10 + 48),
            (Bytes{0x01, 0x02, 0x00, 0x03, 0, 0, 0, 1, 0x00, 0x08, 0, 0}));
  std::string dump = Dump(mm);
  for (const char* line : {"ImageWidth (256) LONG (4) 1<3>", "RowsPerStrip (278) LONG (4) 1<2>",
                           "StripOffsets (273) LONG (4) 1<512>", "StripByteCounts (279) LONG (4) 1<6>",
                           "XResolution (282) RATIONAL (5) 1<75>", "YResolution (283) RATIONAL (5) 1<75>",
                           "ResolutionUnit (296) SHORT (3) 1<2>", "Photometric (262) SHORT (3) 1<1>",
                           "MaxSampleValue (281) SHORT (3) 1<255>", "PlanarConfig (284) SHORT (3) 1<1>"}) {
    EXPECT_NE(dump.find(line), std::string::npos) << line << "\n" << dump;
  }
  EXPECT_EQ(Bytes(bytes.begin() + 512, bytes.end()), (Bytes{1, 2, 3, 4, 5, 6}));

  // Given resolutions, centimetres; a zero denominator counts as absent.
  const uint32_t dpi[2] = {300, 1};
  const uint32_t broken[2] = {300, 0};
  const std::string cm = dir_.File("cm.tif");
  ASSERT_EQ(Write(grey, cm, {{"xResolution", reinterpret_cast<intptr_t>(dpi)},
                             {"yResolution", reinterpret_cast<intptr_t>(broken)},
                             {"resolutionUnit", kResolutionUnitCodeCentimetre}}),
            0);
  dump = Dump(cm);
  EXPECT_NE(dump.find("XResolution (282) RATIONAL (5) 1<300>"), std::string::npos) << dump;
  EXPECT_NE(dump.find("YResolution (283) RATIONAL (5) 1<75>"), std::string::npos) << dump;
  EXPECT_NE(dump.find("ResolutionUnit (296) SHORT (3) 1<3>"), std::string::npos) << dump;

  // A 4-bit palette image: a colour map of 48 values, the data at P + 2040.
  IpiObject* indexed = Image(&kGenericImageClass, kDataTypeNonnegative, 4, 3, 1, 1, {1, 2, 15});
  AttachPalette(indexed, 16);
  const std::string palette = dir_.File("palette.tif");
  ASSERT_EQ(Write(indexed, palette), 0);
  dump = Dump(palette);
  EXPECT_NE(dump.find("Colormap (320) SHORT (3) 48<"), std::string::npos) << dump;
  EXPECT_NE(dump.find("StripOffsets (273) LONG (4) 1<2048>"), std::string::npos) << dump;
  EXPECT_NE(dump.find("Photometric (262) SHORT (3) 1<3>"), std::string::npos) << dump;
  EXPECT_NE(dump.find("MaxSampleValue (281) SHORT (3) 1<15>"), std::string::npos) << dump;
  EXPECT_EQ(ReadFileBytes(palette).size(), 2050u);
}

TEST_F(TiffWriterTest, PagesChainAndCompareWithLibtiff) {
  const Bytes bits = Pattern(2, 3, 256);  // 10 x 1, 1 bit: two bytes a row
  IpiObject* page0 = Image(&kGenericImageClass, kDataTypeBoolean, 1, 10, 1, 1, bits);
  const Bytes grey_data = Pattern(35, 5, 256);
  IpiObject* page1 = Image(&kGenericImageClass, kDataTypeNonnegative, 8, 7, 5, 1, grey_data);
  const Bytes rgb_data = Pattern(3 * 6 * 4, 9, 256);
  IpiObject* page2 = Image(&kColourImageClass, kDataTypeNonnegative, 8, 6, 4, 3, rgb_data);
  IpiObject* pages = Composite({page0, page1, page2});

  const std::string plain = dir_.File("plain.tif");
  const std::string packed = dir_.File("packed.tif");
  ASSERT_EQ(Write(pages, plain, {{"newSubfileType", kSubfileCodePage}, {"byteOrder", kOrderLsbFirst}}), 0);
  ASSERT_EQ(Write(pages, packed, {{"newSubfileType", kSubfileCodePage}, {"compression", kCompressionPackBits},
                                  {"byteOrder", kOrderMsbFirst}}),
            0);
  ExpectStripsDecode(plain);
  ExpectStripsDecode(packed);

  // Page 0: data at 512, 2 bytes; page 1 begins at 516, its 35 bytes at
  // 1020, so page 2 begins at 1056.
  const std::string dump = Dump(plain);
  std::vector<uint64_t> offsets;
  for (size_t at = dump.find("Directory "); at != std::string::npos; at = dump.find("Directory ", at + 1)) {
    offsets.push_back(NumbersAfter(dump.substr(dump.find(": offset ", at)), ": offset ").front());
  }
  EXPECT_EQ(offsets, (std::vector<uint64_t>{8, 516, 1056}));
  for (const char* line : {"PageNumber (297) SHORT (3) 2<0 3>", "PageNumber (297) SHORT (3) 2<1 3>",
                           "PageNumber (297) SHORT (3) 2<2 3>", "SubFileType (254) LONG (4) 1<2>"}) {
    EXPECT_NE(dump.find(line), std::string::npos) << line << "\n" << dump;
  }

  // libtiff's plain copy of our PackBits file matches our plain file, page
  // by page and tag by tag.
  const std::string unpacked = dir_.File("unpacked.tif");
  ASSERT_EQ(RunCommand("tiffcp -c none '" + packed + "' '" + unpacked + "'"), 0);
  std::string differences;
  EXPECT_EQ(RunCommand("tiffcmp '" + unpacked + "' '" + plain + "'", &differences), 0) << differences;
  EXPECT_EQ(Decoded(packed, "gray", 1), grey_data);
  Bytes interleaved;
  for (int i = 0; i < 24; ++i) {
    for (int b = 0; b < 3; ++b) interleaved.push_back(rgb_data[static_cast<size_t>(b * 24 + i)]);
  }
  EXPECT_EQ(Decoded(packed, "rgb", 2), interleaved);
}

// libtiff's PackBits of our plain file, decoded row by row by ours.
TEST_F(TiffWriterTest, OurDecoderReadsLibtiffPackBits) {
  const int width = 301;
  const int height = 40;
  const Bytes data = Pattern(static_cast<size_t>(width * height), 17, 256);
  IpiObject* image = Image(&kGenericImageClass, kDataTypeNonnegative, 8, width, height, 1, data);
  const std::string plain = dir_.File("plain8.tif");
  const std::string theirs = dir_.File("theirs.tif");
  const std::string ours = dir_.File("ours.tif");
  ASSERT_EQ(Write(image, plain), 0);
  ASSERT_EQ(Write(image, ours, {{"compression", kCompressionPackBits}}), 0);
  ASSERT_EQ(RunCommand("tiffcp -c packbits -r " + std::to_string(height) + " '" + plain + "' '" + theirs + "'"), 0);
  const std::string dump = Dump(theirs);
  const std::vector<uint64_t> offset = NumbersAfter(dump, "StripOffsets (273) LONG (4) 1<");
  const std::vector<uint64_t> count = NumbersAfter(dump, "StripByteCounts (279) LONG (4) 1<");
  ASSERT_EQ(offset.size(), 1u) << dump;
  ASSERT_EQ(count.size(), 1u) << dump;
  const Bytes file = ReadFileBytes(theirs);
  const uint64_t start = offset[0];
  const uint64_t coded = count[0];
  ASSERT_LE(start + coded, file.size());
  ByteReader in(std::span<const uint8_t>(file.data() + start, coded));
  Bytes decoded(data.size());
  for (int y = 0; y < height; ++y) {
    ASSERT_TRUE(DecodePackBitsRow(in, decoded.data() + y * width, width, kPackBitsNoInversion)) << y;
  }
  EXPECT_EQ(decoded, data);
  // Our coding is no larger than libtiff's beyond a small margin.
  const std::vector<uint64_t> our_count = NumbersAfter(Dump(ours), "StripByteCounts (279) LONG (4) 1<");
  ASSERT_EQ(our_count.size(), 1u);
  EXPECT_LE(our_count[0], coded + coded / 50);
}

// Fax-coded data arrives coded: the writer places it and describes it.
TEST_F(TiffWriterTest, PlacesFaxCodedBytes) {
  // Two white rows of 8 pixels in T.6: V0, V0, then EOFB.
  const Bytes g4 = {0xC0, 0x04, 0x00, 0x40};
  const IpiAttribute shape[] = {{"dataType", kDataTypeBoolean}, {"dataPrecision", 1},
                                {"xDimension", 8},              {"yDimension", 2},
                                {"repository", kRepositoryFile},       {"compression", kCompressionCcittMmr}};
  IpiObject* coded = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 6);
  ASSERT_NE(coded, nullptr);
  Fill(coded, g4);
  ASSERT_EQ(IpiSetAttribute(sys_, coded, "size", 4), 0);
  const std::string path = dir_.File("fax.tif");
  const IpiAttribute pairs[] = {{"compression", kCompressionCcittMmr}};
  ASSERT_EQ(IpiWriteImageFile(sys_, coded, path.c_str(), kFormatTiff, pairs, 1), 0);
  ExpectStripsDecode(path);
  const std::string dump = Dump(path);
  for (const char* line : {"Compression (259) SHORT (3) 1<4>", "Photometric (262) SHORT (3) 1<0>",
                           "Group4Options (293) LONG (4) 1<0>", "StripByteCounts (279) LONG (4) 1<4>"}) {
    EXPECT_NE(dump.find(line), std::string::npos) << line << "\n" << dump;
  }
  EXPECT_EQ(Decoded(path, "gray"), Bytes(16, 255));

  // Two-dimensional T.4 with byte-aligned EOLs: both option bits.
  const IpiAttribute t4[] = {{"compression", kCompressionCcittMr}, {"eolState", 1}};
  ASSERT_EQ(IpiSetAttributes(sys_, coded, t4, 2), 0);
  ASSERT_EQ(IpiWriteImageFile(sys_, coded, path.c_str(), kFormatTiff, t4, 2), 0);
  EXPECT_NE(Dump(path).find("Group3Options (292) LONG (4) 1<5>"), std::string::npos) << Dump(path);
}

// LZW bytes as read from a TIFF file are carried unchanged, with their
// predictor: libtiff's LZW strip placed by ours decodes to the same pixels.
TEST_F(TiffWriterTest, CarriesLzwBytesReadFromTiff) {
  const int width = 50;
  const int height = 6;
  const Bytes data = Pattern(static_cast<size_t>(width * height), 29, 256);
  IpiObject* image = Image(&kGenericImageClass, kDataTypeNonnegative, 8, width, height, 1, data);
  const std::string plain = dir_.File("plain.tif");
  const std::string lzw = dir_.File("lzw.tif");
  ASSERT_EQ(Write(image, plain), 0);
  ASSERT_EQ(RunCommand("tiffcp -c lzw:2 -r " + std::to_string(height) + " '" + plain + "' '" + lzw + "'"), 0);
  const std::string dump = Dump(lzw);
  const std::vector<uint64_t> offset = NumbersAfter(dump, "StripOffsets (273) LONG (4) 1<");
  const std::vector<uint64_t> count = NumbersAfter(dump, "StripByteCounts (279) LONG (4) 1<");
  ASSERT_EQ(offset.size(), 1u) << dump;
  ASSERT_EQ(count.size(), 1u) << dump;
  const Bytes file = ReadFileBytes(lzw);
  ASSERT_LE(offset[0] + count[0], file.size());

  const IpiAttribute shape[] = {{"repository", kRepositoryFile}, {"fileFormat", kFormatTiff},
                                {"compression", kCompressionLzw}, {"predictor", 1}};
  IpiObject* coded = IpiCreateObject(sys_, nullptr, &kGenericImageClass, image, shape, 4);
  ASSERT_NE(coded, nullptr);
  Fill(coded, Bytes(file.begin() + static_cast<int64_t>(offset[0]),
                    file.begin() + static_cast<int64_t>(offset[0] + count[0])));
  ASSERT_EQ(IpiSetAttribute(sys_, coded, "size", static_cast<intptr_t>(count[0])), 0);
  const std::string carried = dir_.File("carried.tif");
  const IpiAttribute pairs[] = {{"compression", kCompressionLzw}};
  ASSERT_EQ(IpiWriteImageFile(sys_, coded, carried.c_str(), kFormatTiff, pairs, 1), 0);
  ExpectStripsDecode(carried);
  EXPECT_NE(Dump(carried).find("Predictor (317) SHORT (3) 1<2>"), std::string::npos) << Dump(carried);
  EXPECT_EQ(Decoded(carried, "gray"), data);
}

TEST_F(TiffWriterTest, RefusesBeforeTheFirstByte) {
  IpiObject* deep = Image(&kGenericImageClass, kDataTypeNonnegative, 16, 4, 2, 1, {});
  IpiObject* rgb = Image(&kColourImageClass, kDataTypeNonnegative, 8, 4, 2, 3, Bytes(24, 9));
  IpiObject* grey = Image(&kGenericImageClass, kDataTypeNonnegative, 8, 4, 2, 1, Bytes(8, 9));
  struct Case {
    const char* name;
    IpiObject* image;
    std::vector<IpiAttribute> pairs;
    int status;
  };
  const Case cases[] = {
      {"16-bit samples", deep, {}, kIpiNonPermissibleOption},
      {"separated colour of three bands", rgb, {{"photometricInterpretation", kPhotometricCodeSeparated}},
       kIpiNonPermissibleOption},
      {"subsampled YCbCr", rgb, {{"colourSpace", kColourSpaceYCbCr}, {"samplingFactor", kSamplingFactorCode2x2}},
       kIpiNonPermissibleOption},
      {"orientation", grey, {{"orientation", 5}}, kIpiNonPermissibleOption},
      {"planar configuration", grey, {{"planarConfiguration", 7}}, kIpiNonPermissibleOption},
      {"resolution unit", grey, {{"resolutionUnit", 4}}, kIpiNonPermissibleOption},
      {"subfile type", grey, {{"newSubfileType", 1}}, kIpiNonPermissibleOption},
      {"byte order", grey, {{"byteOrder", 7}}, kIpiNonPermissibleOption},
      {"lzw not read from a tiff file", grey, {{"compression", kCompressionLzw}}, kIpiNonPermissibleOption},
  };
  const std::string path = dir_.File("refused.tif");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Write(c.image, path, c.pairs), c.status);
    EXPECT_EQ(dir_.List(), std::vector<std::string>{});
  }
  // One bad page refuses the whole file.
  IpiObject* pages = Composite({grey, deep});
  EXPECT_EQ(Write(pages, path), kIpiNonPermissibleOption);
  EXPECT_EQ(dir_.List(), std::vector<std::string>{});
}

TEST_F(TiffWriterTest, FailedWriteLeavesTheEarlierFile) {
  const std::string path = dir_.File("kept.tif");
  IpiObject* small = Image(&kGenericImageClass, kDataTypeNonnegative, 8, 4, 2, 1, Bytes(8, 1));
  ASSERT_EQ(Write(small, path), 0);
  const Bytes before = ReadFileBytes(path);
  // Large enough for several blocks of output.
  IpiObject* large = Image(&kGenericImageClass, kDataTypeNonnegative, 8, 1000, 800, 1, Pattern(800000, 2, 256));
  plat::testing::FailNthWrite(2);
  EXPECT_EQ(Write(large, path), kIpiSystemFailure);
  plat::testing::ResetFaults();
  EXPECT_EQ(ReadFileBytes(path), before);
  EXPECT_EQ(dir_.List(), std::vector<std::string>{"kept.tif"});
}

}  // namespace
