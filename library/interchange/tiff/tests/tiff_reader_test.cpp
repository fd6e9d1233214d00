// The TIFF reader on files laid out in code: both byte orders, the header
// description, the cases the reader refuses and with which code, hostile
// files made by patching a good one, a truncation sweep, directory chains
// and pages, and a file large enough to be read through the file itself.
#include "interchange/tiff/tiff_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/status.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_dispatch.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/identify/image_count.h"
#include "interchange/tiff/tiff_tags.h"
#include "tests/support/test_support.h"
#include "tests/support/tiff_test_support.h"

namespace {

using tiff_test::BuildTiff;
using tiff_test::BuiltTiff;
using tiff_test::Bytes;
using tiff_test::Page;
using tiff_test::PatchU16;
using tiff_test::PatchU32;

constexpr ByteOrder kII = ByteOrder::kLittleEndian;
constexpr ByteOrder kMM = ByteOrder::kBigEndian;

Bytes Ramp(size_t count, int step = 7) {
  Bytes out(count);
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(i * step + i / 5);
  return out;
}

class TiffReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_ = IpiOpenSystem(nullptr);
    ASSERT_NE(sys_, nullptr);
  }
  void TearDown() override { IpiCloseSystem(sys_); }

  IpiObject* NewImage(const IpiObjectClass* cls = &kGenericImageClass) {
    IpiObject* lut = IpiCreateObject(sys_, nullptr, &kLookupTableClass, nullptr, nullptr, 0);
    const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock},
                                  {"lut", static_cast<intptr_t>(IpiObjectId(lut))}};
    return IpiCreateObject(sys_, nullptr, cls, nullptr, shape, 2);
  }
  // Header pass and data pass (or decode) through the memory read front.
  int Import(const Bytes& file, IpiObject* image) {
    return IpiImportImage(sys_, file.data(), image, kFormatTiff, static_cast<int64_t>(file.size()), nullptr, 0);
  }
  int ReadPass(const Bytes& file, IpiObject* target, int mode) {
    const IpiAttribute pairs[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(file.data())},
                                  {"size", static_cast<intptr_t>(file.size())}};
    return IpiReadImageFile(sys_, nullptr, target, kFormatTiff, mode, pairs, 2);
  }
  intptr_t Get(IpiObject* obj, const char* name) { return IpiInquireAttribute(sys_, obj, name); }
  std::vector<uint32_t> Words(IpiObject* obj, const char* name, size_t count) {
    const auto* p = reinterpret_cast<const uint32_t*>(Get(obj, name));
    return p == nullptr ? std::vector<uint32_t>{} : std::vector<uint32_t>(p, p + count);
  }
  Bytes Elements(IpiObject* image) { return tiff_test::ImageElements(sys_, image); }

  IpiSystem* sys_ = nullptr;
};

// The position of an out-of-line table of page 0 of a little-endian file.
size_t Table(const BuiltTiff& t, const Bytes& b, uint16_t tag) {
  const size_t field = t.ValueField(0, tag);
  return b[field] | (b[field + 1] << 8) | (b[field + 2] << 16) | (size_t{b[field + 3]} << 24);
}

// A 6 x 4 grey page in two strips: the base of the hostile files.
BuiltTiff BaseGrey(ByteOrder order) { return BuildTiff({tiff_test::GreyPage(6, 4, 2, Ramp(24))}, order); }

TEST_F(TiffReaderTest, ReadsGreyAndRgbInBothByteOrders) {
  for (const ByteOrder order : {kII, kMM}) {
    SCOPED_TRACE(order == kII ? "II" : "MM");
    const Bytes grey = Ramp(35);
    const BuiltTiff g = BuildTiff({tiff_test::GreyPage(7, 5, 2, grey)}, order);
    IpiObject* image = NewImage();
    ASSERT_EQ(Import(g.bytes, image), 0);
    EXPECT_EQ(Elements(image), grey);
    EXPECT_EQ(Get(image, "bDimension"), 1);
    EXPECT_EQ(Get(image, "dataType"), kDataTypeNonnegative);
    EXPECT_EQ(Get(image, "dataPrecision"), 8);
    EXPECT_EQ(Get(image, "byteOrder"), order == kII ? kOrderLsbFirst : kOrderMsbFirst);
    EXPECT_EQ(Get(image, "compression"), kCompressionNone);
    EXPECT_EQ(Get(image, "photometricInterpretation"), kPhotometricCodeBlackIsZero);
    EXPECT_EQ(Get(image, "resolutionUnit"), kResolutionUnitCodeInch);
    EXPECT_EQ(Get(image, "rowsPerStrip"), 2);
    EXPECT_EQ(Get(image, "stripsPerImage"), 3);
    EXPECT_EQ(Words(image, "stripByteCounts", 3), (std::vector<uint32_t>{14, 14, 7}));
    EXPECT_EQ(Words(image, "stripOffsets", 3), (std::vector<uint32_t>{8, 22, 36}));
    EXPECT_EQ(Words(image, "xResolution", 2), (std::vector<uint32_t>{300, 1}));
    EXPECT_EQ(Words(image, "yResolution", 2), (std::vector<uint32_t>{150, 1}));

    // Red, green, blue samples become three bands of a colour image.
    const Bytes rgb = Ramp(36, 11);
    const BuiltTiff c = BuildTiff({tiff_test::RgbPage(4, 3, 1, rgb)}, order);
    IpiObject* colour = NewImage(&kColourImageClass);
    ASSERT_EQ(Import(c.bytes, colour), 0);
    Bytes bands;
    for (int b = 0; b < 3; ++b) {
      for (int i = 0; i < 12; ++i) bands.push_back(rgb[static_cast<size_t>(3 * i + b)]);
    }
    EXPECT_EQ(Elements(colour), bands);
    EXPECT_EQ(Get(colour, "colourSpace"), kColourSpaceRgb);
    EXPECT_EQ(Get(colour, "photometricInterpretation"), kPhotometricCodeRgb);
  }
}

TEST_F(TiffReaderTest, DescribesWhatTheDirectorySays) {
  // A bilevel page coded with T4Options 5: two-dimensional coding with fill
  // bits; the coded strip is carried as it is.
  Page fax = tiff_test::GreyPage(16, 2, 2, Bytes(32, 0));
  fax.Set(kTiffTagBitsPerSample, kTiffTypeShort, {1});
  fax.Set(kTiffTagCompression, kTiffTypeShort, {kTiffCompressionCcittT4});
  fax.Set(kTiffTagT4Options, kTiffTypeLong, {5});
  fax.Set(kTiffTagPhotometricInterpretation, kTiffTypeShort, {kTiffPhotometricWhiteIsZero});
  fax.Set(kTiffTagOrientation, kTiffTypeShort, {3});
  fax.Set(kTiffTagFillOrder, kTiffTypeShort, {2});
  fax.Set(kTiffTagNewSubfileType, kTiffTypeLong, {2});
  fax.Set(kTiffTagPageNumber, kTiffTypeShort, {1, 3});
  fax.Set(kTiffTagResolutionUnit, kTiffTypeShort, {kTiffResolutionUnitCentimetre});
  fax.strips = {{0x12, 0x34, 0x56}};
  const BuiltTiff f = BuildTiff({fax}, kII);
  IpiObject* image = NewImage();
  ASSERT_EQ(ReadPass(f.bytes, image, kReadModeHeader), 0);
  EXPECT_EQ(Get(image, "compression"), kCompressionCcittMr);
  EXPECT_EQ(Get(image, "eolState"), 1);
  EXPECT_EQ(Get(image, "dataType"), kDataTypeBoolean);
  EXPECT_EQ(Get(image, "bitOrder"), kOrderLsbFirst);
  EXPECT_EQ(Get(image, "orientation"), kOrientationCodeBottomRight);
  EXPECT_EQ(Get(image, "newSubfileType"), kSubfileCodePage);
  EXPECT_EQ(Get(image, "pageNumber"), 65536 + 3);
  EXPECT_EQ(Get(image, "resolutionUnit"), kResolutionUnitCodeCentimetre);
  EXPECT_EQ(Get(image, "photometricInterpretation"), kPhotometricCodeWhiteIsZero);
  EXPECT_EQ(Get(image, "size"), 3);
  // The data pass into an object of that coding copies the strip.
  const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}};
  IpiObject* holder = IpiCreateObject(sys_, nullptr, &kGenericImageClass, image, shape, 1);
  ASSERT_EQ(ReadPass(f.bytes, holder, kReadModeBoth), 0);
  EXPECT_EQ(Get(holder, "size"), 3);

  // One StripOffsets value and no StripByteCounts: one plain strip, here
  // behind the directory.
  Page bare = tiff_test::GreyPage(3, 2, 2, Ramp(6));
  bare.strips.clear();
  bare.Set(kTiffTagStripOffsets, kTiffTypeLong, {0});
  BuiltTiff g = BuildTiff({bare}, kMM);
  const Bytes pixels = Ramp(6);
  PatchU32(g.bytes, g.ValueField(0, kTiffTagStripOffsets), kMM, 0, static_cast<uint32_t>(g.bytes.size()));
  g.bytes.insert(g.bytes.end(), pixels.begin(), pixels.end());
  IpiObject* one = NewImage();
  ASSERT_EQ(Import(g.bytes, one), 0);
  EXPECT_EQ(Elements(one), pixels);
  EXPECT_EQ(Words(one, "stripByteCounts", 1), (std::vector<uint32_t>{6}));
}

TEST_F(TiffReaderTest, ASpareStripWithNoBytesIsAccepted) {
  // 8 rows in strips of 1 row listed as 9 strips, the last of 0 bytes.
  Page page = tiff_test::GreyPage(2, 8, 1, Ramp(16));
  page.strips.push_back({});
  IpiObject* image = NewImage();
  ASSERT_EQ(Import(BuildTiff({page}, kII).bytes, image), 0);
  EXPECT_EQ(Get(image, "stripsPerImage"), 8);
  EXPECT_EQ(Elements(image), Ramp(16));
  // Not when the spare strip holds bytes, nor with fewer than 4 strips.
  page.strips.back() = {1};
  EXPECT_EQ(Import(BuildTiff({page}, kII).bytes, NewImage()), kIpiSyntaxError);
  Page small = tiff_test::GreyPage(2, 2, 1, Ramp(4));
  small.strips.push_back({});
  EXPECT_EQ(Import(BuildTiff({small}, kII).bytes, NewImage()), kIpiSyntaxError);
}

TEST_F(TiffReaderTest, AShortStripYieldsItsBytesAndZerosForTheRest) {
  // A 6 x 4 grey page in strips of 2 rows whose second strip holds `kept`
  // bytes of its 12: what is there is read, the rest of the page is zero.
  const Bytes grey = Ramp(24);
  for (const size_t kept : {size_t{0}, size_t{1}, size_t{5}, size_t{6}, size_t{11}}) {
    SCOPED_TRACE(kept);
    Page page = tiff_test::GreyPage(6, 4, 2, grey);
    page.strips[1].resize(kept);
    Bytes expected(grey.begin(), grey.begin() + 12 + static_cast<std::ptrdiff_t>(kept));
    expected.resize(24, 0);
    // Twice, so that the second image may get the memory of the first.
    for (int round = 0; round < 2; ++round) {
      IpiObject* image = NewImage();
      ASSERT_EQ(Import(BuildTiff({page}, kII).bytes, image), 0);
      EXPECT_EQ(Elements(image), expected);
      ASSERT_EQ(IpiDeleteObject(sys_, image), 0);
    }
  }
}

// Directories the reader refuses, built in code: each changes a good grey
// or colour page.
TEST_F(TiffReaderTest, RefusesWhatItDoesNotHoldWithTheRightCode) {
  using Change = std::function<void(Page&)>;
  const auto set = [](uint16_t tag, uint16_t type, std::vector<uint32_t> values) -> Change {
    return [=](Page& p) { p.Set(tag, type, values); };
  };
  const struct {
    const char* name;
    bool rgb;
    Change change;
    int expected;
  } cases[] = {
      {"tiles", false, set(kTiffTagTileWidth, kTiffTypeShort, {16}), kIpiNonPermissibleOption},
      {"separated", true, set(kTiffTagPhotometricInterpretation, kTiffTypeShort, {5}), kIpiNonPermissibleOption},
      {"YCbCr", true, set(kTiffTagPhotometricInterpretation, kTiffTypeShort, {6}), kIpiNonPermissibleOption},
      {"CIELab", true, set(kTiffTagPhotometricInterpretation, kTiffTypeShort, {8}), kIpiNonPermissibleOption},
      {"16-bit grey", false, set(kTiffTagBitsPerSample, kTiffTypeShort, {16}), kIpiNonPermissibleOption},
      {"signed samples", false, set(kTiffTagSampleFormat, kTiffTypeShort, {2}), kIpiNonPermissibleOption},
      {"float samples", true, set(kTiffTagSampleFormat, kTiffTypeShort, {3, 3, 3}), kIpiNonPermissibleOption},
      {"separate planes", true, set(kTiffTagPlanarConfiguration, kTiffTypeShort, {2}), kIpiSyntaxError},
      {"JPEG compression", false, set(kTiffTagCompression, kTiffTypeShort, {7}), kIpiSyntaxError},
      {"two samples", false, set(kTiffTagSamplesPerPixel, kTiffTypeShort, {2}), kIpiSemanticError},
      {"three bits values, no sample count", true,
       [](Page& p) { p.Remove(kTiffTagSamplesPerPixel); }, kIpiSyntaxError},
      {"bits 16,16,16", true, set(kTiffTagBitsPerSample, kTiffTypeShort, {16, 16, 16}), kIpiSyntaxError},
      {"bits 2", false, set(kTiffTagBitsPerSample, kTiffTypeShort, {2}), kIpiSyntaxError},
      {"mixed bits", true, set(kTiffTagBitsPerSample, kTiffTypeShort, {8, 8, 4}), kIpiSyntaxError},
      {"RGB of one sample", false, set(kTiffTagPhotometricInterpretation, kTiffTypeShort, {2}), kIpiSyntaxError},
      {"grey of three samples", true, set(kTiffTagPhotometricInterpretation, kTiffTypeShort, {1}), kIpiSyntaxError},
      {"palette without map", false, set(kTiffTagPhotometricInterpretation, kTiffTypeShort, {3}), kIpiSyntaxError},
      {"map of the wrong count", false, set(kTiffTagColorMap, kTiffTypeShort, std::vector<uint32_t>(9, 0)),
       kIpiSyntaxError},
      {"fill order 3", false, set(kTiffTagFillOrder, kTiffTypeShort, {3}), kIpiSyntaxError},
      {"sample limits as LONG", false, set(kTiffTagMaxSampleValue, kTiffTypeLong, {255}), kIpiSyntaxError},
      {"orientation 9", false, set(kTiffTagOrientation, kTiffTypeShort, {9}), kIpiSyntaxError},
      {"resolution unit 4", false, set(kTiffTagResolutionUnit, kTiffTypeShort, {4}), kIpiSyntaxError},
      {"mask subfile", false, set(kTiffTagNewSubfileType, kTiffTypeLong, {4}), kIpiSyntaxError},
      {"LZW predictor 3", false,
       [](Page& p) {
         p.Set(kTiffTagCompression, kTiffTypeShort, {5});
         p.Set(kTiffTagPredictor, kTiffTypeShort, {3});
       },
       kIpiSyntaxError},
      {"fax of 8 bits", false, set(kTiffTagCompression, kTiffTypeShort, {4}), kIpiSyntaxError},
      {"width as a rational", false, set(kTiffTagImageWidth, kTiffTypeRational, {6, 1}), kIpiSyntaxError},
      {"two widths", false, set(kTiffTagImageWidth, kTiffTypeShort, {6, 6}), kIpiSyntaxError},
      {"no strips", false, [](Page& p) { p.strips.clear(); }, kIpiSyntaxError},
      {"too wide", false, set(kTiffTagImageWidth, kTiffTypeLong, {(1u << 24) + 1}), kIpiExceedImplementation},
      {"too many pixels", false,
       [](Page& p) {
         p.Set(kTiffTagImageWidth, kTiffTypeLong, {1u << 15});
         p.Set(kTiffTagImageLength, kTiffTypeLong, {1u << 14});
         p.Set(kTiffTagRowsPerStrip, kTiffTypeLong, {1u << 14});
       },
       kIpiExceedImplementation},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Page page = c.rgb ? tiff_test::RgbPage(6, 4, 4, Ramp(72)) : tiff_test::GreyPage(6, 4, 4, Ramp(24));
    c.change(page);
    const BuiltTiff built = BuildTiff({page}, kII);
    IpiObject* image = NewImage();
    EXPECT_EQ(ReadPass(built.bytes, image, kReadModeHeader), c.expected);
    EXPECT_EQ(IpiGetLastError(sys_), c.expected);
  }
  // Sample limits of any count and value are checked as SHORT and not used.
  Page limits = tiff_test::GreyPage(6, 4, 4, Ramp(24));
  limits.Set(kTiffTagMinSampleValue, kTiffTypeShort, {7, 7, 7});
  limits.Set(kTiffTagMaxSampleValue, kTiffTypeShort, {9});
  IpiObject* limited = NewImage();
  ASSERT_EQ(Import(BuildTiff({limits}, kII).bytes, limited), 0);
  EXPECT_EQ(Elements(limited), Ramp(24));
  // Separate planes of a single sample lie like contiguous ones.
  Page single = tiff_test::GreyPage(6, 4, 4, Ramp(24));
  single.Set(kTiffTagPlanarConfiguration, kTiffTypeShort, {2});
  IpiObject* image = NewImage();
  ASSERT_EQ(Import(BuildTiff({single}, kMM).bytes, image), 0);
  EXPECT_EQ(Elements(image), Ramp(24));
}

TEST_F(TiffReaderTest, PackedColourWordsFollowTheFileByteOrder) {
  // Words 0x7FFF, 0x0000, 0x03E0 (bits 9-5) and 0x001F (bits 4-0).
  const uint16_t words[] = {0x7FFF, 0x0000, 0x03E0, 0x001F};
  for (const ByteOrder order : {kII, kMM}) {
    SCOPED_TRACE(order == kII ? "II" : "MM");
    Bytes strip;
    for (uint16_t w : words) {
      if (order == kII) strip.insert(strip.end(), {uint8_t(w), uint8_t(w >> 8)});
      else strip.insert(strip.end(), {uint8_t(w >> 8), uint8_t(w)});
    }
    Page page = tiff_test::GreyPage(2, 2, 2, Bytes(4, 0));
    page.Set(kTiffTagBitsPerSample, kTiffTypeShort, {16});
    page.Set(kTiffTagPhotometricInterpretation, kTiffTypeShort, {kTiffPhotometricRgb});
    page.strips = {strip};
    IpiObject* image = NewImage(&kColourImageClass);
    ASSERT_EQ(Import(BuildTiff({page}, order).bytes, image), 0);
    EXPECT_EQ(Get(image, "bDimension"), 3);
    EXPECT_EQ(Get(image, "dataPrecision"), 8);
    EXPECT_EQ(Elements(image), (Bytes{255, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255}));
  }
}

TEST_F(TiffReaderTest, PaletteGoesToTheLookupTable) {
  // 4-bit indices with a 16-entry map; the table takes each value's high byte.
  Page page = tiff_test::GreyPage(4, 2, 2, Bytes(8, 0));
  page.Set(kTiffTagBitsPerSample, kTiffTypeShort, {4});
  page.Set(kTiffTagPhotometricInterpretation, kTiffTypeShort, {kTiffPhotometricPalette});
  std::vector<uint32_t> map;
  for (int c = 0; c < 3; ++c) {
    for (uint32_t i = 0; i < 16; ++i) map.push_back(((i * 16 + c * 5) << 8) | 0x7F);
  }
  page.Set(kTiffTagColorMap, kTiffTypeShort, map);
  page.strips = {{0x01, 0x23, 0xEF, 0xA5}};
  IpiObject* image = NewImage(&kMonochromeImageClass);
  ASSERT_EQ(Import(BuildTiff({page}, kMM).bytes, image), 0);
  EXPECT_EQ(Elements(image), (Bytes{0, 1, 2, 3, 14, 15, 10, 5}));
  Bytes expected;
  for (int c = 0; c < 3; ++c) {
    for (int i = 0; i < 16; ++i) expected.push_back(static_cast<uint8_t>(i * 16 + c * 5));
  }
  EXPECT_EQ(tiff_test::LookupTableEntries(sys_, image), expected);
  // A grey image leaves a one-entry table.
  IpiObject* grey = NewImage();
  ASSERT_EQ(Import(BaseGrey(kII).bytes, grey), 0);
  EXPECT_EQ(IpiObjectFromId(sys_, grey->fields.lut)->fields.dimension[kDimX], 1);
}

TEST_F(TiffReaderTest, BilevelRowsWithFillOrderAndByteBoundary) {
  // 10 pixels a row in fill order 2; with "byteBoundary" the rows are widened
  // to 16 columns, the extra columns 0.
  Page page = tiff_test::GreyPage(10, 2, 2, Bytes(20, 0));
  page.Set(kTiffTagBitsPerSample, kTiffTypeShort, {1});
  page.Set(kTiffTagFillOrder, kTiffTypeShort, {2});
  page.strips = {{0xA5, 0x03, 0x3C, 0x02}};
  const BuiltTiff built = BuildTiff({page}, kII);
  IpiObject* image = NewImage(&kMonochromeImageClass);
  ASSERT_EQ(Import(built.bytes, image), 0);
  EXPECT_EQ(Get(image, "bitOrder"), kOrderLsbFirst);
  // In fill order 2 pixel x of a row is bit x % 8 (from the least
  // significant) of its byte x / 8.
  Bytes mirrored_expected;
  for (int r = 0; r < 2; ++r) {
    for (int x = 0; x < 10; ++x) mirrored_expected.push_back((page.strips[0][r * 2 + x / 8] >> (x % 8)) & 1);
  }
  EXPECT_EQ(Elements(image), mirrored_expected);

  const IpiAttribute on[] = {{"byteBoundary", 1}};
  ASSERT_EQ(IpiSetSystemAttributes(sys_, on, 1), 0);
  IpiObject* wide = NewImage();
  ASSERT_EQ(Import(built.bytes, wide), 0);
  EXPECT_EQ(Get(wide, "xDimension"), 16);
  EXPECT_EQ(Get(wide, "widthByteBoundary"), 10);
  const Bytes got = Elements(wide);
  for (int r = 0; r < 2; ++r) {
    for (int x = 0; x < 16; ++x) {
      EXPECT_EQ(got[static_cast<size_t>(r * 16 + x)], x < 10 ? mirrored_expected[static_cast<size_t>(r * 10 + x)] : 0);
    }
  }
}

TEST_F(TiffReaderTest, ClassMustHoldTheImage) {
  EXPECT_EQ(Import(BuildTiff({tiff_test::RgbPage(2, 2, 2, Ramp(12))}, kII).bytes, NewImage(&kMonochromeImageClass)),
            kIpiMismatchObjectClass);
  EXPECT_EQ(Import(BaseGrey(kII).bytes, NewImage(&kColourImageClass)), kIpiMismatchObjectClass);
  EXPECT_EQ(ReadPass(BaseGrey(kII).bytes, NewImage(), 5), kIpiOutOfRange);
}

// Hostile files: a good file with a few bytes changed, each change checked
// against the bytes it replaces.
TEST_F(TiffReaderTest, HostileFilesGiveCleanErrors) {
  using tiff_test::PatchByte;
  const struct {
    const char* name;
    std::function<void(const BuiltTiff&, Bytes&)> patch;
    int expected;
  } cases[] = {
      {"RowsPerStrip 0 over two strips",
       [](const BuiltTiff& t, Bytes& b) { PatchU32(b, t.ValueField(0, kTiffTagRowsPerStrip), kII, 2, 0); },
       kIpiSyntaxError},
      {"width 0", [](const BuiltTiff& t, Bytes& b) { PatchU32(b, t.ValueField(0, kTiffTagImageWidth), kII, 6, 0); },
       kIpiSyntaxError},
      {"length 0", [](const BuiltTiff& t, Bytes& b) { PatchU32(b, t.ValueField(0, kTiffTagImageLength), kII, 4, 0); },
       kIpiSyntaxError},
      {"huge strip count",
       [](const BuiltTiff& t, Bytes& b) {
         PatchU32(b, t.CountField(0, kTiffTagStripOffsets), kII, 2, 0xFFFFFFFF);
         PatchU32(b, t.CountField(0, kTiffTagStripByteCounts), kII, 2, 0xFFFFFFFF);
       },
       kIpiSyntaxError},
      {"huge bits count",
       [](const BuiltTiff& t, Bytes& b) { PatchU32(b, t.CountField(0, kTiffTagBitsPerSample), kII, 1, 0x40000000); },
       kIpiSyntaxError},
      {"huge entry count",
       [](const BuiltTiff& t, Bytes& b) { PatchU16(b, t.directories[0], kII, 12, 0xFFFF); }, kIpiSyntaxError},
      {"strip past the end",
       [](const BuiltTiff& t, Bytes& b) { PatchU32(b, Table(t, b, kTiffTagStripByteCounts) + 4, kII, 12, 0x10000); },
       kIpiSyntaxError},
      {"strip offset past the end",
       [](const BuiltTiff& t, Bytes& b) { PatchU32(b, Table(t, b, kTiffTagStripOffsets), kII, 8, 0x7FFFFFF0); },
       kIpiSyntaxError},
      {"rational past the end",
       [](const BuiltTiff& t, Bytes& b) {
         const size_t field = t.ValueField(0, kTiffTagXResolution);
         const uint32_t old = b[field] | (b[field + 1] << 8) | (b[field + 2] << 16) | (b[field + 3] << 24);
         PatchU32(b, field, kII, old, static_cast<uint32_t>(b.size() - 4));
       },
       kIpiSyntaxError},
      {"first directory past the end",
       [](const BuiltTiff& t, Bytes& b) { PatchU32(b, 4, kII, static_cast<uint32_t>(t.directories[0]), 0xFFFFFFF0); },
       kIpiSyntaxError},
      {"no directory", [](const BuiltTiff& t, Bytes& b) { PatchU32(b, 4, kII, static_cast<uint32_t>(t.directories[0]), 0); },
       kIpiSyntaxError},
      {"version 43", [](const BuiltTiff&, Bytes& b) { PatchByte(b, 2, 42, 43); }, kIpiSyntaxError},
      {"byte order IM", [](const BuiltTiff&, Bytes& b) { PatchByte(b, 1, 'I', 'M'); }, kIpiSyntaxError},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const BuiltTiff base = BaseGrey(kII);
    Bytes bytes = base.bytes;
    c.patch(base, bytes);
    if (testing::Test::HasFatalFailure()) return;
    EXPECT_EQ(Import(bytes, NewImage()), c.expected);
  }
}

TEST_F(TiffReaderTest, ZeroDenominatorsAndRowsPerStripZeroAreReadSafely) {
  // One strip: RowsPerStrip 0 counts as all rows.
  const BuiltTiff one = BuildTiff({tiff_test::GreyPage(6, 4, 4, Ramp(24))}, kMM);
  Bytes bytes = one.bytes;
  PatchU32(bytes, one.ValueField(0, kTiffTagRowsPerStrip), kMM, 4, 0);
  // XResolution 300/0: the rational is dropped rather than divided by later.
  Page page = tiff_test::GreyPage(6, 4, 4, Ramp(24));
  page.Set(kTiffTagXResolution, kTiffTypeRational, {300, 0});
  page.Set(kTiffTagRowsPerStrip, kTiffTypeLong, {0});
  IpiObject* image = NewImage();
  ASSERT_EQ(Import(BuildTiff({page}, kMM).bytes, image), 0);
  EXPECT_EQ(Elements(image), Ramp(24));
  EXPECT_EQ(Get(image, "xResolution"), 0);
  EXPECT_EQ(Words(image, "yResolution", 2), (std::vector<uint32_t>{150, 1}));
  EXPECT_EQ(Get(image, "rowsPerStrip"), 4);
  IpiObject* patched = NewImage();
  ASSERT_EQ(Import(bytes, patched), 0);
  EXPECT_EQ(Elements(patched), Ramp(24));
}

TEST_F(TiffReaderTest, EveryCutFileIsRefused) {
  for (const ByteOrder order : {kII, kMM}) {
    const Bytes whole = BuildTiff({tiff_test::RgbPage(3, 4, 3, Ramp(36))}, order).bytes;
    ASSERT_EQ(Import(whole, NewImage()), 0);
    for (size_t cut = 0; cut < whole.size(); ++cut) {
      SCOPED_TRACE(cut);
      const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
      const int status = cut == 0 ? IpiImportImage(sys_, whole.data(), NewImage(), kFormatTiff, 0, nullptr, 0)
                                  : Import(part, NewImage());
      EXPECT_NE(status, 0);
      EXPECT_NE(status, kIpiSystemFailure);
    }
  }
}

TEST_F(TiffReaderTest, ChainsThatLoopEndAtTheLoop) {
  // One page whose link points back at itself, and two that point at each
  // other: the pages before the loop are the file's pages.
  const BuiltTiff one = BaseGrey(kII);
  Bytes self = one.bytes;
  PatchU32(self, one.LinkField(0), kII, 0, static_cast<uint32_t>(one.directories[0]));
  const Bytes p0 = Ramp(24), p1 = Ramp(4, 7);
  const BuiltTiff two = BuildTiff({tiff_test::GreyPage(6, 4, 2, p0), tiff_test::GreyPage(2, 2, 2, p1)}, kII);
  Bytes pair = two.bytes;
  PatchU32(pair, two.LinkField(1), kII, 0, static_cast<uint32_t>(two.directories[0]));
  struct Case {
    const char* name;
    const Bytes* file;
    std::vector<Bytes> pages;
  };
  const Case cases[] = {{"self", &self, {Ramp(24)}}, {"pair", &pair, {p0, p1}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes& file = *c.file;
    const auto pages = static_cast<intptr_t>(c.pages.size());
    EXPECT_EQ(IpiCountAddressSpaceImages(sys_, file.data(), kFormatTiff, static_cast<int64_t>(file.size())), pages);
    // Every page, and five asked for: the walk stops where it comes back.
    for (intptr_t asked : {0, 5}) {
      SCOPED_TRACE(asked);
      const IpiAttribute entries[] = {{"entries", asked}};
      IpiObject* all = IpiCreateObject(sys_, nullptr, &kCompositeIdArrayClass, nullptr, entries, 1);
      ASSERT_EQ(Import(file, all), 0);
      ASSERT_EQ(Get(all, "entries"), pages);
      for (intptr_t k = 0; k < pages; ++k) {
        EXPECT_EQ(Elements(IpiGetCompositeElement(sys_, all, k)), c.pages[static_cast<size_t>(k)]);
      }
    }
    // A first page past the loop does not exist.
    const IpiAttribute past[] = {{"entries", 1}, {"xMatchPoint", pages}};
    IpiObject* beyond = IpiCreateObject(sys_, nullptr, &kCompositeIdArrayClass, nullptr, past, 2);
    EXPECT_EQ(ReadPass(file, beyond, kReadModeHeader), kIpiNonPermissibleOption);
    IpiObject* image = NewImage();
    ASSERT_EQ(Import(file, image), 0);
    EXPECT_EQ(Elements(image), c.pages[0]);
  }
}

TEST_F(TiffReaderTest, PagesFromTheFirstAskedFor) {
  const Bytes p0 = Ramp(6, 3), p1 = Ramp(12, 5), p2 = Ramp(20, 9);
  const BuiltTiff t = BuildTiff(
      {tiff_test::GreyPage(3, 2, 1, p0), tiff_test::GreyPage(4, 3, 2, p1), tiff_test::GreyPage(5, 4, 4, p2)}, kMM);
  EXPECT_EQ(IpiCountAddressSpaceImages(sys_, t.bytes.data(), kFormatTiff, static_cast<int64_t>(t.bytes.size())), 3);

  // Every page, into an array of no entries.
  const IpiAttribute none[] = {{"entries", 0}};
  IpiObject* all = IpiCreateObject(sys_, nullptr, &kCompositeIdArrayClass, nullptr, none, 1);
  ASSERT_EQ(IpiImportImage(sys_, t.bytes.data(), all, kFormatTiff, static_cast<int64_t>(t.bytes.size()), nullptr, 0), 0);
  ASSERT_EQ(Get(all, "entries"), 3);
  const Bytes expected[] = {p0, p1, p2};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    IpiObject* page = IpiGetCompositeElement(sys_, all, i);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Elements(page), expected[i]);
    EXPECT_EQ(Get(page, "fileFormat"), kFormatTiff);
  }

  // From page 2, at most 5: only the third page, and "entries" becomes 1.
  const IpiAttribute from_two[] = {{"entries", 5}, {"xMatchPoint", 2}};
  IpiObject* tail = IpiCreateObject(sys_, nullptr, &kCompositeIdArrayClass, nullptr, from_two, 2);
  ASSERT_EQ(ReadPass(t.bytes, tail, kReadModeHeader), 0);
  EXPECT_EQ(Get(tail, "entries"), 1);
  IpiObject* third = IpiGetCompositeElement(sys_, tail, 0);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(Get(third, "xDimension"), 5);

  // Callers' pages are used as they are: page 1 alone, into a page given.
  const IpiAttribute from_one[] = {{"entries", 1}, {"xMatchPoint", 1}};
  IpiObject* middle = IpiCreateObject(sys_, nullptr, &kCompositeIdArrayClass, nullptr, from_one, 2);
  IpiObject* given = NewImage();
  ASSERT_EQ(IpiPutCompositeElement(sys_, given, middle, 0), 0);
  ASSERT_EQ(IpiImportImage(sys_, t.bytes.data(), middle, kFormatTiff, static_cast<int64_t>(t.bytes.size()), nullptr, 0), 0);
  EXPECT_EQ(Elements(given), p1);

  // A first page beyond the chain, or before its start.
  const IpiAttribute beyond[] = {{"entries", 1}, {"xMatchPoint", 3}};
  EXPECT_EQ(ReadPass(t.bytes, IpiCreateObject(sys_, nullptr, &kCompositeIdArrayClass, nullptr, beyond, 2),
                     kReadModeHeader),
            kIpiNonPermissibleOption);
  const IpiAttribute before[] = {{"entries", 1}, {"xMatchPoint", -1}};
  EXPECT_EQ(ReadPass(t.bytes, IpiCreateObject(sys_, nullptr, &kCompositeIdArrayClass, nullptr, before, 2),
                     kReadModeHeader),
            kIpiNonPermissibleOption);
}

TEST_F(TiffReaderTest, LargeFilesAreReadThroughTheFile) {
  // Above the size read into memory: the reader reads the file range by range.
  const int width = 1400;
  const int height = 1300;
  const Bytes rgb = tiff_test::RandomBytes(static_cast<size_t>(3 * width * height), 5);
  const BuiltTiff t = BuildTiff({tiff_test::RgbPage(width, height, 16, rgb)}, kII);
  ASSERT_GT(t.bytes.size(), kTiffFileReadInMemoryMaxBytes);
  testing_support::ScopedTempDir dir;
  testing_support::WriteFileBytes(dir.File("large.tif"), t.bytes);
  IpiObject* from_file = NewImage(&kColourImageClass);
  ASSERT_EQ(IpiReadFile(sys_, dir.File("large.tif").c_str(), from_file, kFormatTiff, nullptr, 0), 0);
  IpiObject* from_memory = NewImage(&kColourImageClass);
  ASSERT_EQ(Import(t.bytes, from_memory), 0);
  const Bytes got = Elements(from_file);
  EXPECT_TRUE(got == Elements(from_memory));
  const size_t plane = static_cast<size_t>(width) * height;
  for (size_t i : {size_t{0}, plane / 2, plane - 1}) {
    for (int b = 0; b < 3; ++b) EXPECT_EQ(got[b * plane + i], rgb[3 * i + b]) << i;
  }
  EXPECT_EQ(IpiCountFileImages(sys_, dir.File("large.tif").c_str(), kFormatTiff), 1);
}

}  // namespace
