#include "core/objects/attributes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/codes.h"
#include "core/status.h"

namespace {

class AttributesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_ = IpiOpenSystem(nullptr);
    ASSERT_NE(sys_, nullptr);
    obj_ = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, nullptr, 0);
    ASSERT_NE(obj_, nullptr);
  }
  void TearDown() override { EXPECT_EQ(IpiCloseSystem(sys_), 0); }
  int Set(std::vector<IpiAttribute> list) {
    return IpiSetAttributes(sys_, obj_, list.data(), static_cast<int>(list.size()));
  }
  intptr_t Get(const char* name) { return IpiInquireAttribute(sys_, obj_, name); }
  template <typename T>
  static intptr_t Addr(const T* p) { return reinterpret_cast<intptr_t>(p); }

  IpiSystem* sys_ = nullptr;
  IpiObject* obj_ = nullptr;
};

TEST_F(AttributesTest, PlainAttributesAndAliasesRoundTrip) {
  const struct { const char* set; const char* get; intptr_t value; } cases[] = {
      {"bitOrder", "bitOrder", 135},         {"byteOrder", "byteOrder", 135},
      {"colourSpace", "colourSpace", 9},     {"compressionMethod", "compression", 30},
      {"compressionLevel", "compressionLevel", 9}, {"predictor", "eolState", 2},
      {"filter", "filter", 4},               {"mIndexAssignment", "mIndexAssignment", 77},
      {"k", "k", 4},                         {"lut", "lut", 12},
      {"roi", "roi", 13},                    {"pixelInterpretation", "pixelInterpretation", 225},
      {"repository", "repository", 9},       {"samplingFactor", "samplingFactor", 240},
      {"quarityFactor", "scaleFactor", 90},  {"size", "size", intptr_t{1} << 33},
      {"entries", "xDimension", 640},        {"tDimension", "tDimension", 2},
      {"bMatchPoint", "bMatchPoint", 1},     {"widthByteBoundary", "widthByteBoundary", 16},
      {"workSpace", "workSpace", intptr_t{0x7fff00001000}}, {"applAddressSpaceHandle", "applAddressSpaceHandle", 99},
      {"applicationAddressSpace", "applicationAddressSpace", intptr_t{0x7fff00002000}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set);
    ASSERT_EQ(Set({{c.set, c.value}}), 0);
    EXPECT_EQ(Get(c.get), c.value);
  }
  ASSERT_EQ(Set({{"workSpace", 0}}), 0);  // nothing owned: the close must not free it
}

TEST_F(AttributesTest, WhichAttributesClearTheInitedFlag) {
  const struct { const char* name; bool clears; } cases[] = {
      {"compression", true},  {"compressionMethod", true}, {"dataPrecision", true}, {"dataType", true},
      {"xDimension", true},   {"entries", true},           {"yDimension", true},    {"zDimension", true},
      {"tDimension", true},   {"bDimension", true},        {"colourSpace", false},  {"bitOrder", false},
      {"scaleFactor", false}, {"xMatchPoint", false},      {"size", false},         {"k", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Set({{"inited", 1}}), 0);
    ASSERT_EQ(Get("inited"), 1);
    ASSERT_EQ(Set({{c.name, 2}}), 0);
    EXPECT_EQ(Get("inited"), c.clears ? 0 : 1);
  }
}

TEST_F(AttributesTest, DataTypeTakesItsPrecisionFromTheSystem) {
  const struct { intptr_t type; intptr_t precision; } cases[] = {
      {18, 1}, {35, 64}, {153, 8}, {161, 32}, {174, 16},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(Set({{"dataPrecision", 3}, {"dataType", c.type}}), 0);
    EXPECT_EQ(Get("dataPrecision"), c.precision) << c.type;
  }
  ASSERT_EQ(Set({{"dataPrecision", 3}, {"dataType", 175}}), 0);
  EXPECT_EQ(Get("dataPrecision"), 3);
}

TEST_F(AttributesTest, FileNameIsSetOnceAndUnknownNamesAreIgnored) {
  ASSERT_EQ(Set({{"fileName", Addr("first.bmp")}, {"noSuchThing", 5}, {"fileName", Addr("second.bmp")}}), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(Get("fileName")), "first.bmp");
  intptr_t untouched = -3;
  const IpiAttribute query{"noSuchThing", Addr(&untouched)};
  EXPECT_EQ(IpiInquireAttributes(sys_, obj_, &query, 1), 0);
  EXPECT_EQ(untouched, -3);
  EXPECT_EQ(Get("tmpnam"), 0);
}

TEST_F(AttributesTest, GroupAttributesBeforeTheFormatReachTheNewExtras) {
  ASSERT_EQ(Set({{"xResolution", 3780}, {"fileFormat", kFormatBmp}, {"yResolution", 2835}}), 0);
  EXPECT_EQ(Get("fileFormat"), kFormatBmp);
  EXPECT_EQ(Get("xResolution"), 3780);
  EXPECT_EQ(Get("yResolution"), 2835);
}

TEST_F(AttributesTest, EntriesBeforeTheFormatOutliveItsDefaults) {
  // The JPEG quality default of format 274 must not undo a quality given
  // earlier in the same list; one given after it wins as usual.
  struct Case {
    const char* name;
    std::vector<IpiAttribute> list;
    intptr_t quality;
  };
  const Case cases[] = {
      {"quality before", {{"quarityFactor", 92}, {"fileFormat", kFormatJpegLib}}, 92},
      {"quality after", {{"fileFormat", kFormatJpegLib}, {"quarityFactor", 34}}, 34},
      {"format alone", {{"fileFormat", kFormatJpegLib}}, 75},
      {"two formats", {{"quarityFactor", 63}, {"fileFormat", kFormatTiff}, {"fileFormat", kFormatJpegLib}}, 63},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Set({{"fileFormat", 255}}), 0);
    ASSERT_EQ(IpiSetAttributes(sys_, obj_, c.list.data(), static_cast<int>(c.list.size())), 0);
    EXPECT_EQ(Get("fileFormat"), kFormatJpegLib);
    EXPECT_EQ(Get("quarityFactor"), c.quality);
  }
  // Plain entries before the format keep their values too.
  ASSERT_EQ(Set({{"fileFormat", 255}}), 0);
  ASSERT_EQ(Set({{"samplingFactor", 239}, {"k", 2}, {"fileFormat", kFormatTiff}, {"xResolution", 0}}), 0);
  EXPECT_EQ(Get("samplingFactor"), 239);
  EXPECT_EQ(Get("k"), 2);
}

TEST_F(AttributesTest, StripTablesAreStoredWhateverTheirPosition) {
  const uint32_t offsets[] = {8, 200, 400};
  const uint32_t counts[] = {192, 200, 100};
  ASSERT_EQ(Set({{"stripOffsets", Addr(offsets)}, {"stripsPerImage", 3}, {"fileFormat", kFormatTiff},
                 {"stripByteCounts", Addr(counts)}}),
            0);
  EXPECT_EQ(Get("stripsPerImage"), 3);
  auto* stored = reinterpret_cast<const uint32_t*>(Get("stripOffsets"));
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(std::vector<uint32_t>(stored, stored + 3), std::vector<uint32_t>(offsets, offsets + 3));
  auto* stored_counts = reinterpret_cast<const uint32_t*>(Get("stripByteCounts"));
  EXPECT_EQ(stored_counts[2], 100u);
  // A new count replaces both tables with zeroed ones.
  ASSERT_EQ(Set({{"stripsPerImage", 1}}), 0);
  EXPECT_EQ(reinterpret_cast<const uint32_t*>(Get("stripOffsets"))[0], 0u);
}

TEST_F(AttributesTest, ConflictingFormatAndStripCountEntriesEnd) {
  const uint32_t offsets[] = {1, 2, 3};
  ASSERT_EQ(Set({{"fileFormat", kFormatTiff}, {"stripsPerImage", 2}, {"stripOffsets", Addr(offsets)},
                 {"fileFormat", kFormatPng}, {"stripsPerImage", 3}, {"fileFormat", kFormatTiff},
                 {"stripsPerImage", 2}, {"fileFormat", kFormatPng}, {"fileFormat", kFormatTiff}}),
            0);
  EXPECT_EQ(Get("fileFormat"), kFormatTiff);
  EXPECT_EQ(Get("stripsPerImage"), 2);
  EXPECT_EQ(reinterpret_cast<const uint32_t*>(Get("stripOffsets"))[1], 2u);
}

TEST_F(AttributesTest, HostileStripCountsAreRefused) {
  ASSERT_EQ(Set({{"fileFormat", kFormatTiff}, {"stripsPerImage", -5}}), 0);
  EXPECT_EQ(Get("stripsPerImage"), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiOutOfRange);
  ASSERT_EQ(Set({{"stripsPerImage", intptr_t{1} << 40}}), 0);
  EXPECT_EQ(Get("stripsPerImage"), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiExceedImplementation);
}

TEST_F(AttributesTest, FormatInitialValues) {
  ASSERT_EQ(Set({{"fileFormat", kFormatJpegLib}}), 0);
  EXPECT_EQ(Get("scaleFactor"), 75);
  ASSERT_EQ(Set({{"fileFormat", kFormatJpeg}}), 0);
  EXPECT_EQ(Get("scaleFactor"), 1);
  ASSERT_EQ(Set({{"fileFormat", kFormatPcx}}), 0);
  EXPECT_EQ(Get("versionNumber"), 5);
  ASSERT_EQ(Set({{"fileFormat", kFormatPng}}), 0);
  EXPECT_EQ(Get("transparencyEntry"), 256);
  EXPECT_EQ(Get("versionNumber"), 0);  // the PCX group is gone
  ASSERT_EQ(Set({{"fileFormat", 255}}), 0);
  EXPECT_EQ(Get("transparencyEntry"), 0);
  EXPECT_EQ(obj_->extras, nullptr);
}

TEST_F(AttributesTest, AlphaTableTakesAtMostItsSize) {
  uint8_t alpha[256];
  for (int i = 0; i < 256; ++i) alpha[i] = static_cast<uint8_t>(i);
  ASSERT_EQ(Set({{"fileFormat", kFormatPng}, {"transparencyEntry", 2}, {"transparencyPaletteIndex", Addr(alpha)}}), 0);
  auto* table = reinterpret_cast<const uint8_t*>(Get("transparencyPaletteIndex"));
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table[0], 0);
  EXPECT_EQ(table[1], 1);
  for (int i = 2; i < 256; ++i) ASSERT_EQ(table[i], 255) << i;
  // A count past the table copies the whole table and nothing beyond (the
  // sanitizer build would see a read past `alpha`).
  ASSERT_EQ(Set({{"transparencyEntry", 300}, {"transparencyPaletteIndex", Addr(alpha)}}), 0);
  table = reinterpret_cast<const uint8_t*>(Get("transparencyPaletteIndex"));
  EXPECT_EQ(table[255], 255);
  EXPECT_EQ(table[200], 200);
}

TEST_F(AttributesTest, JpegTablesAndCopyrightText) {
  uint8_t quant[64];
  for (int i = 0; i < 64; ++i) quant[i] = static_cast<uint8_t>(i + 1);
  ASSERT_EQ(Set({{"luminanceQuantizationTable", Addr(quant)}, {"fileFormat", kFormatJpeg}, {"restartInterval", 4}}), 0);
  auto* stored = reinterpret_cast<const uint8_t*>(Get("luminanceQuantizationTable"));
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(std::memcmp(stored, quant, 64), 0);
  EXPECT_EQ(Get("chrominanceQuantizationTable"), 0);
  EXPECT_EQ(Get("restartInterval"), 4);

  ASSERT_EQ(Set({{"fileFormat", kFormatPng}, {"copyright", Addr("one")}, {"copyright", Addr("two")}}), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(Get("copyright")), "two");
  ASSERT_EQ(Set({{"copyright", 0}}), 0);
  EXPECT_EQ(Get("copyright"), 0);
}

TEST_F(AttributesTest, GroupFunctionsKnowOnlyTheirOwnGroup) {
  ASSERT_EQ(Set({{"fileFormat", kFormatGif}}), 0);
  const IpiAttribute set[] = {{"codeSize", 8}, {"rowsPerStrip", 4}};
  EXPECT_EQ(IpiSetGifAttributes(sys_, obj_, set, 0), 1);
  EXPECT_EQ(IpiSetGifAttributes(sys_, obj_, set, 1), 0);
  EXPECT_EQ(IpiSetTiffAttributes(sys_, obj_, set, 1), 0);
  intptr_t value = 0;
  const IpiAttribute query[] = {{"codeSize", Addr(&value)}};
  EXPECT_EQ(IpiInquireGifAttributes(sys_, obj_, query, 0), 1);
  EXPECT_EQ(value, 8);
  ASSERT_EQ(Set({{"fileFormat", kFormatJpegLib}}), 0);
  const IpiAttribute restart[] = {{"restartInterval", 2}};
  EXPECT_EQ(IpiSetJpegAttributes(sys_, obj_, restart, 0), 1);
  EXPECT_EQ(Get("restartInterval"), 2);
}

TEST_F(AttributesTest, DeadObjectsAreRefused) {
  ASSERT_EQ(IpiDeleteObject(sys_, obj_), 0);
  EXPECT_EQ(Set({{"xDimension", 3}}), kIpiInvalidInstance);
  intptr_t value = 0;
  const IpiAttribute query{"xDimension", Addr(&value)};
  EXPECT_EQ(IpiInquireAttributes(sys_, obj_, &query, 1), kIpiInvalidInstance);
  EXPECT_EQ(Get("xDimension"), 0);
}

}  // namespace
