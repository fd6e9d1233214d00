// PCX files both ways with netpbm and ImageMagick: our files of 1, 4, 8 and
// 24 bits decoded by pcxtoppm (and the byte kinds by convert), their files read by us, pixels
// compared exactly; damaged and cut files refused cleanly; rows decoded into
// packed-bitmap views.
#include "interchange/pcx/pcx_codec.h"

#include <gtest/gtest.h>

#include <random>
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
using Bytes = std::vector<uint8_t>;

// Runs a shell command whose own redirections send its output to a file;
// its messages (stderr) come back in `messages`.
int Shell(const std::string& command, std::string* messages = nullptr) {
  return testing_support::RunCommand("(" + command + ") 2>&1", messages);
}

// A picture of one PCX kind: 1 (values 0 and 1), 2 (0 to 15), 3 (bytes) as
// one value per pixel, 4 as three planar bands; with an optional palette.
struct Picture {
  int kind = 3;
  int width = 0;
  int height = 0;
  Bytes values;
  Bytes palette;  // R, G, B triples; empty: none

  int bands() const { return kind == 4 ? 3 : 1; }
};

Picture MakePicture(int kind, int width, int height, int palette_entries, uint32_t seed) {
  Picture p{kind, width, height, {}, {}};
  std::mt19937 random(seed);
  const int levels = kind == 1 ? 2 : kind == 2 ? 16 : 256;
  p.values.resize(static_cast<size_t>(width) * height * p.bands());
  for (size_t i = 0; i < p.values.size(); ++i) {
    // Runs of equal values and noise, so both kinds of code appear.
    p.values[i] = static_cast<uint8_t>(((i / 5) % 3 == 0 ? (i / 7) : random()) % levels);
  }
  for (int i = 0; i < palette_entries * 3; ++i) p.palette.push_back(static_cast<uint8_t>(random()));
  return p;
}

// What a viewer shows: the palette's colour of each value (black and white
// without one for 1 bit, grey for 8 bits), or the three bands.
Raster Colours(const Picture& p) {
  Raster r{p.width, p.height, 3, Bytes(static_cast<size_t>(p.width) * p.height * 3)};
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const size_t i = static_cast<size_t>(y) * p.width + x;
      for (int b = 0; b < 3; ++b) {
        uint8_t v = 0;
        if (p.kind == 4) {
          v = p.values[b * static_cast<size_t>(p.width) * p.height + i];
        } else if (!p.palette.empty()) {
          v = p.palette[3 * p.values[i] + b];
        } else {
          v = p.kind == 1 ? (p.values[i] ? 255 : 0) : p.values[i];
        }
        r.at(b, y, x) = v;
      }
    }
  }
  return r;
}

class PcxFile : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); }
  void TearDown() override {
    if (sys_ != nullptr) IpiCloseSystem(sys_);
  }

  IpiObject* MakeLut(const Bytes& rgb) {
    const auto entries = static_cast<intptr_t>(rgb.size() / 3);
    const IpiAttribute shape[] = {{"xDimension", entries}, {"bDimension", 3}};
    IpiObject* lut = IpiCreateObject(sys_, nullptr, &kLookupTableClass, nullptr, shape, 2);
    EXPECT_NE(lut, nullptr);
    Bytes planar(rgb.size());
    for (intptr_t i = 0; i < entries; ++i) {
      for (int b = 0; b < 3; ++b) planar[b * entries + i] = rgb[3 * i + b];
    }
    WriteData(lut, planar);
    return lut;
  }

  void WriteData(IpiObject* obj, const Bytes& bytes) {
    IpiStream* stream = IpiOpenStream(sys_, obj, "w", 0);
    ASSERT_NE(stream, nullptr);
    const auto n = static_cast<int64_t>(bytes.size());
    if (n > 0) {
      ASSERT_EQ(IpiWriteBytes(sys_, stream, 0, bytes.data(), n), n);
    }
    ASSERT_EQ(IpiCloseStream(sys_, stream), 0);
  }

  Bytes ReadData(IpiObject* obj) {
    int64_t elements = 0, bytes = 0;
    int32_t bits = 0;
    EXPECT_EQ(IpiObjectDataSize(sys_, *obj, &elements, &bytes, &bits), 0);
    Bytes out(static_cast<size_t>(bytes));
    IpiStream* stream = IpiOpenStream(sys_, obj, "r", 0);
    EXPECT_NE(stream, nullptr);
    if (stream == nullptr) return out;
    EXPECT_EQ(IpiReadBytes(sys_, stream, 0, out.data(), bytes), bytes);
    EXPECT_EQ(IpiCloseStream(sys_, stream), 0);
    return out;
  }

  IpiObject* MakeImage(const Picture& p) {
    std::vector<IpiAttribute> shape = {{"xDimension", p.width}, {"yDimension", p.height}, {"bDimension", p.bands()},
                                       {"repository", kRepositoryGlobalBlock}};
    if (p.kind == 1) shape.push_back({"dataType", kDataTypeBoolean});
    if (p.kind == 2) shape.push_back({"dataPrecision", 4});
    const IpiObjectClass* cls = p.kind == 4 ? &kColourImageClass : &kMonochromeImageClass;
    IpiObject* image = IpiCreateObject(sys_, nullptr, cls, nullptr, shape.data(), static_cast<int>(shape.size()));
    EXPECT_NE(image, nullptr);
    if (p.kind == 1) {
      Bytes bits((p.values.size() + 7) / 8, 0);
      for (size_t i = 0; i < p.values.size(); ++i) {
        if (p.values[i]) bits[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
      }
      WriteData(image, bits);
    } else {
      WriteData(image, p.values);
    }
    if (!p.palette.empty()) {
      EXPECT_EQ(IpiSetAttribute(sys_, image, "lut", IpiObjectId(MakeLut(p.palette))), 0);
    }
    return image;
  }

  // A target with a lookup table attached, to see the palette.
  IpiObject* NewTarget(const IpiObjectClass* cls = &kGenericImageClass) {
    const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}};
    IpiObject* target = IpiCreateObject(sys_, nullptr, cls, nullptr, shape, 1);
    EXPECT_EQ(IpiSetAttribute(sys_, target, "lut", IpiObjectId(MakeLut(Bytes(3, 0)))), 0);
    return target;
  }

  // The target read back as a picture of the kind its attributes say.
  Picture ReadBack(IpiObject* target) {
    const IpiObjectFields& f = target->fields;
    Picture p;
    p.width = f.dimension[kDimX];
    p.height = f.dimension[kDimY];
    p.kind = f.dimension[kDimB] == 3 ? 4 : f.data_type == kDataTypeBoolean ? 1 : f.data_precision == 4 ? 2 : 3;
    const Bytes data = ReadData(target);
    if (p.kind == 1) {
      for (int i = 0; i < p.width * p.height; ++i) p.values.push_back((data[i / 8] >> (7 - i % 8)) & 1);
    } else {
      p.values = data;
    }
    IpiObject* lut = IpiObjectFromId(sys_, f.lut);
    if (lut != nullptr && lut->fields.dimension[kDimX] > 0) {
      const int entries = lut->fields.dimension[kDimX];
      const Bytes planar = ReadData(lut);
      for (int i = 0; i < entries; ++i) {
        for (int b = 0; b < 3; ++b) p.palette.push_back(planar[b * entries + i]);
      }
    }
    return p;
  }

  int ReadOurs(const std::string& path, Picture* out = nullptr, const IpiObjectClass* cls = &kGenericImageClass) {
    IpiObject* target = NewTarget(cls);
    const int status = IpiReadFile(sys_, path.c_str(), target, kFormatPcx, nullptr, 0);
    if (status == 0 && out != nullptr) *out = ReadBack(target);
    return status;
  }

  int ImportOurs(const Bytes& bytes) {
    IpiObject* target = NewTarget();
    return IpiImportImage(sys_, bytes.data(), target, kFormatPcx, static_cast<int64_t>(bytes.size()), nullptr, 0);
  }

  int WriteOurs(const Picture& p, const std::string& path, std::vector<IpiAttribute> pairs = {}) {
    return IpiWriteFile(sys_, MakeImage(p), path.c_str(), kFormatPcx, pairs.data(), static_cast<int>(pairs.size()));
  }

  Raster Decode(const std::string& command) {
    const std::string out = dir_.File("oracle.ppm");
    std::string messages;
    EXPECT_EQ(Shell(command + " > " + out, &messages), 0) << messages;
    return jpeg_test::ReadPnm(out);
  }

  static void ExpectSameColours(const Raster& got, const Raster& expected) {
    ASSERT_EQ(got.width, expected.width);
    ASSERT_EQ(got.height, expected.height);
    ASSERT_EQ(got.bands, expected.bands);
    EXPECT_TRUE(got.samples == expected.samples) << "max difference " << jpeg_test::Compare(got, expected).max;
  }

  IpiSystem* sys_ = nullptr;
  testing_support::ScopedTempDir dir_;
};

uint16_t U16At(const Bytes& file, size_t offset) { return static_cast<uint16_t>(file[offset] | file[offset + 1] << 8); }

struct OwnCase {
  const char* name;
  int kind;
  int width;
  int height;
  int palette_entries;
  int bits;
  int planes;
  int bytes_per_line;
  int palette_information;
};

const OwnCase kOwnCases[] = {
    {"1 bit, black and white", 1, 101, 9, 0, 1, 1, 14, 1},
    {"1 bit, two colours", 1, 16, 4, 2, 1, 1, 2, 1},
    {"4 bits", 2, 21, 7, 16, 1, 4, 4, 1},
    {"8 bits grey", 3, 101, 5, 0, 8, 1, 102, 2},
    {"8 bits indexed", 3, 33, 6, 256, 8, 1, 34, 1},
    {"24 bits", 4, 33, 7, 0, 8, 3, 34, 1},
    {"24 bits, one pixel", 4, 1, 1, 0, 8, 3, 2, 1},
};

TEST_F(PcxFile, OurFilesDecodeInPcxtoppmAndConvert) {
  for (const OwnCase& c : kOwnCases) {
    SCOPED_TRACE(c.name);
    const Picture picture = MakePicture(c.kind, c.width, c.height, c.palette_entries, 3);
    const std::string path = dir_.File("ours.pcx");
    ASSERT_EQ(WriteOurs(picture, path), 0);
    const Bytes file = ReadFileBytes(path);
    ASSERT_GE(file.size(), 128u);
    EXPECT_EQ(file[3], c.bits);
    EXPECT_EQ(file[65], c.planes);
    EXPECT_EQ(U16At(file, 8), c.width - 1);
    EXPECT_EQ(U16At(file, 66), c.bytes_per_line);
    EXPECT_EQ(U16At(file, 68), c.palette_information);
    const Raster expected = Colours(picture);
    ExpectSameColours(Decode("pcxtoppm " + path), expected);
    // ImageMagick 6 reads bit-plane files unlike netpbm, even the files
    // ppmtopcx writes, so it checks the byte kinds only.
    if (c.kind >= 3) ExpectSameColours(Decode("convert-im6.q16 " + path + " ppm:-"), expected);
    // And back through our reader and decoder.
    Picture back;
    ASSERT_EQ(ReadOurs(path, &back), 0);
    EXPECT_EQ(back.kind, c.kind);
    EXPECT_EQ(back.values, picture.values);
    if (c.kind == 1 && c.palette_entries == 0) {
      EXPECT_EQ(back.palette, (Bytes{0, 0, 0, 255, 255, 255}));
    } else if (c.kind == 2) {
      EXPECT_EQ(back.palette, picture.palette);
    } else if (c.kind != 4) {
      EXPECT_EQ(back.palette, picture.palette);  // 8-bit grey: no entries
    }
  }
}

TEST_F(PcxFile, NetpbmAndImageMagickFilesReadAsTheirPictures) {
  struct Case {
    const char* name;
    int colours;
    int width;
    std::string command;  // {in} and {out}
    int kind;
  };
  const Case cases[] = {
      {"ppmtopcx, two colours", 2, 29, "ppmtopcx {in} > {out}", 1},
      {"ppmtopcx, 16 colours", 16, 13, "ppmtopcx {in} > {out}", 2},
      {"ppmtopcx -8bit, odd bytes per line", 40, 13, "ppmtopcx -8bit {in} > {out}", 3},
      {"ppmtopcx -24bit", 300, 14, "ppmtopcx -24bit {in} > {out}", 4},
      {"ppmtopcx away from the origin", 40, 9, "ppmtopcx -8bit -xpos 5 -ypos 7 {in} > {out}", 3},
      {"convert, full colour", 300, 13, "convert-im6.q16 {in} {out}", 4},
      {"convert, palette", 40, 15, "convert-im6.q16 {in} -type Palette {out}", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A picture of `colours` colours in runs.
    std::mt19937 random(5);
    Bytes palette;
    for (int i = 0; i < c.colours * 3; ++i) palette.push_back(static_cast<uint8_t>(random()));
    if (c.colours == 2) palette = {0, 0, 0, 255, 255, 255};
    Raster ppm{c.width, 11, 3, Bytes(static_cast<size_t>(c.width) * 11 * 3)};
    for (int y = 0; y < ppm.height; ++y) {
      for (int x = 0; x < ppm.width; ++x) {
        const int index = static_cast<int>(((x / 3 + y * 7) * 13 + (x % 3 == 2 ? random() : 0)) % c.colours);
        for (int b = 0; b < 3; ++b) ppm.at(b, y, x) = palette[3 * index + b];
      }
    }
    const std::string in = dir_.File("in.ppm");
    const std::string out = dir_.File("theirs.pcx");
    jpeg_test::WritePnm(in, ppm);
    std::string command = c.command;
    command.replace(command.find("{in}"), 4, in);
    command.replace(command.find("{out}"), 5, out);
    std::string messages;
    ASSERT_EQ(Shell(command, &messages), 0) << messages;
    Picture back;
    ASSERT_EQ(ReadOurs(out, &back), 0);
    EXPECT_EQ(back.kind, c.kind);
    ExpectSameColours(Colours(back), ppm);
  }
}

TEST_F(PcxFile, OtherPlaneLayoutsAreRefused) {
  // Three colours.
  Raster ppm{10, 4, 3, Bytes(120)};
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 10; ++x) {
      const int k = (x + y) % 3;
      ppm.at(0, y, x) = static_cast<uint8_t>(k * 100);
      ppm.at(1, y, x) = 50;
      ppm.at(2, y, x) = static_cast<uint8_t>(200 - k * 80);
    }
  }
  const std::string in = dir_.File("in.ppm");
  jpeg_test::WritePnm(in, ppm);
  struct Case {
    const char* options;
    int status;
  };
  // Three colours: two bit planes; packed pixels of 2 and 4 bits.
  for (const Case& c : {Case{"", kIpiSyntaxError}, Case{"-packed", kIpiSyntaxError}}) {
    SCOPED_TRACE(c.options);
    const std::string out = dir_.File("theirs.pcx");
    std::string messages;
    ASSERT_EQ(Shell(std::string("ppmtopcx ") + c.options + " " + in + " > " + out, &messages), 0);
    EXPECT_EQ(ReadOurs(out), c.status);
    EXPECT_EQ(IpiGetLastError(sys_), c.status);
  }
}

TEST_F(PcxFile, HeaderPassSetsTheGroupAndTheEqualMonoPaletteReadsBlackAndWhite) {
  const std::string path = dir_.File("mono.pcx");
  ASSERT_EQ(WriteOurs(MakePicture(1, 20, 3, 0, 1), path,
                      {{"horizontalResolution", 300}, {"verticalResolution", 150}, {"versionNumber", 3}}),
            0);
  Bytes file = ReadFileBytes(path);
  std::fill(file.begin() + 16, file.begin() + 22, 0);  // an all-zero two-colour palette
  IpiObject* target = NewTarget();
  const IpiAttribute pairs[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(file.data())},
                                {"size", static_cast<intptr_t>(file.size())}};
  ASSERT_EQ(IpiReadImageFile(sys_, nullptr, target, kFormatPcx, kReadModeHeader, pairs, 2), 0);
  EXPECT_EQ(target->fields.dimension[kDimX], 20);
  EXPECT_EQ(target->fields.data_type, kDataTypeBoolean);
  EXPECT_EQ(target->fields.compression, kCompressionPcxRunLength);
  EXPECT_EQ(IpiInquireAttribute(sys_, target, "horizontalResolution"), 300);
  EXPECT_EQ(IpiInquireAttribute(sys_, target, "verticalResolution"), 150);
  EXPECT_EQ(IpiInquireAttribute(sys_, target, "versionNumber"), 3);
  EXPECT_EQ(IpiInquireAttribute(sys_, target, "bytePerLine"), 4);
  EXPECT_EQ(ReadBack(target).palette, (Bytes{0, 0, 0, 255, 255, 255}));
}

TEST_F(PcxFile, DamagedHeadersAreRefused) {
  const std::string path = dir_.File("good.pcx");
  ASSERT_EQ(WriteOurs(MakePicture(3, 30, 4, 256, 2), path), 0);
  const Bytes good = ReadFileBytes(path);
  struct Patch {
    size_t offset;
    uint8_t value;
  };
  struct Case {
    const char* name;
    std::vector<Patch> patches;
    int status;
  };
  const std::vector<Case> cases = {
      {"manufacturer", {{0, 11}}, kIpiSyntaxError},
      {"version 4", {{1, 4}}, kIpiSyntaxError},
      {"encoding", {{2, 0}}, kIpiSyntaxError},
      {"4 bits in one plane", {{3, 4}}, kIpiSemanticError},
      {"2 bits", {{3, 2}}, kIpiSyntaxError},
      {"8 bits in 4 planes", {{65, 4}}, kIpiSyntaxError},
      {"1 bit in 3 planes", {{3, 1}, {65, 3}}, kIpiSyntaxError},
      {"x max below x min", {{4, 40}}, kIpiSyntaxError},
      {"y max below y min", {{6, 9}}, kIpiSyntaxError},
      {"no bytes per line", {{66, 0}}, kIpiSyntaxError},
      {"two bytes more per line", {{66, 32}}, kIpiSyntaxError},
      {"two bytes fewer per line", {{66, 28}}, kIpiSyntaxError},
      {"wider than the lines", {{8, 35}}, kIpiSyntaxError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = good;
    for (const Patch& p : c.patches) {
      ASSERT_NE(bytes[p.offset], p.value);
      bytes[p.offset] = p.value;
    }
    EXPECT_EQ(ImportOurs(bytes), c.status);
    EXPECT_EQ(IpiGetLastError(sys_), c.status);
  }
  EXPECT_EQ(ImportOurs(Bytes(good.begin(), good.begin() + 127)), kIpiSyntaxError);
}

// Every cut of a file gives an error, except the cut at the end of the rows
// of an 8-bit file: such a file has no palette, and it reads without one.
TEST_F(PcxFile, CutFilesAreRefused) {
  for (const OwnCase& c : kOwnCases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir_.File("whole.pcx");
    ASSERT_EQ(WriteOurs(MakePicture(c.kind, c.width, c.height, c.palette_entries, 4), path), 0);
    const Bytes whole = ReadFileBytes(path);
    const size_t rows_end = c.kind == 3 ? whole.size() - 769 : whole.size();
    for (size_t length = 1; length < whole.size(); ++length) {
      SCOPED_TRACE(length);
      const int status = ImportOurs(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
      if (length == rows_end) {
        EXPECT_EQ(status, 0);
      } else {
        ASSERT_EQ(status, kIpiSyntaxError);
        ASSERT_EQ(IpiGetLastError(sys_), kIpiSyntaxError);
      }
    }
  }
}

TEST_F(PcxFile, FileKindMustFitTheTargetClass) {
  const std::string colour = dir_.File("colour.pcx");
  const std::string grey = dir_.File("grey.pcx");
  ASSERT_EQ(WriteOurs(MakePicture(4, 5, 5, 0, 1), colour), 0);
  ASSERT_EQ(WriteOurs(MakePicture(3, 5, 5, 0, 1), grey), 0);
  EXPECT_EQ(ReadOurs(colour, nullptr, &kMonochromeImageClass), kIpiMismatchObjectClass);
  EXPECT_EQ(ReadOurs(grey, nullptr, &kColourImageClass), kIpiMismatchObjectClass);
  EXPECT_EQ(ReadOurs(colour, nullptr, &kColourImageClass), 0);
  EXPECT_EQ(ReadOurs(grey, nullptr, &kMonochromeImageClass), 0);
}

TEST_F(PcxFile, WriterRefusesWhatTheFileCannotHold) {
  const std::string path = dir_.File("refused.pcx");
  WriteFileBytes(path, {9, 9});
  struct Case {
    const char* name;
    Picture picture;
    std::vector<IpiAttribute> pairs;
    int status;
  };
  Picture four_bands = MakePicture(3, 4, 2, 0, 1);
  four_bands.values.resize(4 * 4 * 2);
  Picture one_entry = MakePicture(1, 8, 2, 1, 1);
  const std::vector<Case> cases = {
      {"8 bits 65535 wide", MakePicture(3, 65535, 1, 0, 1), {}, kIpiNonPermissibleOption},
      {"version 4", MakePicture(3, 4, 2, 0, 1), {{"versionNumber", 4}}, kIpiNonPermissibleOption},
      {"resolution past 16 bits", MakePicture(4, 4, 2, 0, 1), {{"horizontalResolution", 70000}},
       kIpiNonPermissibleOption},
      {"one palette entry", one_entry, {}, kIpiNonPermissibleOption},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(WriteOurs(c.picture, path, c.pairs), c.status);
    EXPECT_EQ(IpiGetLastError(sys_), c.status);
  }
  // Four 8-bit bands in a generic image.
  const IpiAttribute shape[] = {{"xDimension", 4}, {"yDimension", 2}, {"bDimension", 4},
                                {"repository", kRepositoryGlobalBlock}};
  IpiObject* image = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 4);
  WriteData(image, Bytes(32, 7));
  EXPECT_EQ(IpiWriteFile(sys_, image, path.c_str(), kFormatPcx, nullptr, 0), kIpiNonPermissibleOption);
  EXPECT_EQ(ReadFileBytes(path), (Bytes{9, 9}));
}

// Coded rows decoded straight into packed-bitmap views: bottom-up rows, cut
// at the view's row length, colour as blue, green, red.
TEST_F(PcxFile, DecodesIntoPackedBitmapViews) {
  struct Case {
    const char* name;
    int kind;
    int width;
    int row_bytes;
  };
  for (const Case& c : {Case{"1 bit", 1, 21, 4}, Case{"8 bits", 3, 7, 8}, Case{"24 bits", 4, 5, 16},
                        Case{"24 bits, short rows", 4, 5, 12}}) {
    SCOPED_TRACE(c.name);
    const Picture picture = MakePicture(c.kind, c.width, 3, 0, 6);
    IpiObject* image = MakeImage(picture);
    const IpiAttribute coded_shape[] = {{"fileFormat", kFormatPcx},
                                        {"compression", kCompressionPcxRunLength},
                                        {"repository", kRepositoryFile}};
    IpiObject* coded = IpiCreateObject(sys_, nullptr, image->object_class, image, coded_shape, 3);
    ASSERT_EQ(EncodePcxRle(sys_, image, coded), 0);
    std::vector<uint8_t> memory(static_cast<size_t>(c.row_bytes) * 3 + 1, 0xA5);
    const IpiAttribute view_shape[] = {{"xDimension", c.row_bytes},
                                       {"yDimension", 3},
                                       {"pixelInterpretation", kPixelInterpretationPackedBitmap},
                                       {"repository", kRepositoryCallerMemory},
                                       {"applicationAddressSpace", reinterpret_cast<intptr_t>(memory.data())},
                                       {"size", static_cast<intptr_t>(memory.size() - 1)}};
    IpiObject* view = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, view_shape, 6);
    ASSERT_EQ(DecodePcxRle(sys_, coded, view), 0);
    EXPECT_EQ(memory.back(), 0xA5);
    for (int y = 0; y < 3; ++y) {
      const uint8_t* row = memory.data() + static_cast<size_t>(2 - y) * c.row_bytes;
      for (int x = 0; x < c.width; ++x) {
        const size_t i = static_cast<size_t>(y) * c.width + x;
        if (c.kind == 1) {
          ASSERT_EQ((row[x / 8] >> (7 - x % 8)) & 1, picture.values[i]) << y << " " << x;
        } else if (c.kind == 3) {
          ASSERT_EQ(row[x], picture.values[i]) << y << " " << x;
        } else if (3 * x + 2 < c.row_bytes) {
          const size_t plane = static_cast<size_t>(c.width) * 3;
          ASSERT_EQ(row[3 * x], picture.values[2 * plane + i]);
          ASSERT_EQ(row[3 * x + 1], picture.values[plane + i]);
          ASSERT_EQ(row[3 * x + 2], picture.values[i]);
        }
      }
    }
  }
  // 4-bit data has no packed-bitmap form here.
  IpiObject* image = MakeImage(MakePicture(2, 8, 2, 16, 1));
  const IpiAttribute coded_shape[] = {{"fileFormat", kFormatPcx},
                                      {"compression", kCompressionPcxRunLength},
                                      {"repository", kRepositoryFile}};
  IpiObject* coded = IpiCreateObject(sys_, nullptr, image->object_class, image, coded_shape, 3);
  ASSERT_EQ(EncodePcxRle(sys_, image, coded), 0);
  const IpiAttribute view_shape[] = {{"xDimension", 4}, {"yDimension", 2},
                                     {"pixelInterpretation", kPixelInterpretationPackedBitmap},
                                     {"repository", kRepositoryGlobalBlock}};
  IpiObject* view = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, view_shape, 4);
  EXPECT_EQ(DecodePcxRle(sys_, coded, view), kIpiSemanticError);
}

// A last run that goes past the final row decodes; the surplus is dropped.
TEST_F(PcxFile, SurplusOfTheLastRunIsDropped) {
  const IpiAttribute shape[] = {{"xDimension", 3},
                                {"yDimension", 2},
                                {"fileFormat", kFormatPcx},
                                {"compression", kCompressionPcxRunLength},
                                {"repository", kRepositoryGlobalBlock}};
  IpiObject* coded = IpiCreateObject(sys_, nullptr, &kMonochromeImageClass, nullptr, shape, 5);
  const Bytes codes = {0x01, 0x02, 0x03, 0x00, 0xCA, 0x44};  // lines of 4 bytes; a run of 10 at the end
  WriteData(coded, codes);
  ASSERT_EQ(IpiSetAttribute(sys_, coded, "size", static_cast<intptr_t>(codes.size())), 0);
  const IpiAttribute plain[] = {{"compression", kCompressionNone}};
  IpiObject* image = IpiCreateObject(sys_, nullptr, &kMonochromeImageClass, coded, plain, 1);
  ASSERT_EQ(DecodePcxRle(sys_, coded, image), 0);
  EXPECT_EQ(ReadData(image), (Bytes{1, 2, 3, 0x44, 0x44, 0x44}));
}

}  // namespace
