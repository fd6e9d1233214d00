// WBMP files both ways against netpbm: our files read by wbmptopbm, files of
// pbmtowbmp read by us, pixels compared exactly (WBMP 1 is white, PBM 1 is
// black). Multi-byte integers from the format's table, rows that start
// inside a byte, damaged and cut files, and the writer's refusals.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/scoped_object.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_dispatch.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/dispatch/write_dispatch.h"
#include "interchange/wbmp/wbmp_file.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Pixels = std::vector<std::vector<bool>>;  // [y][x], true = white (WBMP 1)
using testing_support::ReadFileBytes;
using testing_support::RunCommand;
using testing_support::ScopedTempDir;
using testing_support::WriteFileBytes;

Pixels Pattern(int width, int height) {
  Pixels p(static_cast<size_t>(height), std::vector<bool>(static_cast<size_t>(width)));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) p[y][x] = (x * 5 + y * 3) % 7 < 3 || x == width - 1;
  }
  return p;
}

// Plain PBM text (P1) of an image: 1 is black.
std::string PlainPbm(const Pixels& p) {
  std::string out = "P1\n" + std::to_string(p[0].size()) + " " + std::to_string(p.size()) + "\n";
  for (const auto& row : p) {
    for (bool white : row) out += white ? "0 " : "1 ";
    out += "\n";
  }
  return out;
}

Pixels ParsePlainPbm(const std::string& text) {
  std::istringstream in(text);
  std::string magic;
  int width = 0, height = 0;
  in >> magic >> width >> height;
  Pixels p(static_cast<size_t>(height), std::vector<bool>(static_cast<size_t>(width)));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      char c = 0;
      in >> c;
      p[y][x] = c == '0';
    }
  }
  return p;
}

class WbmpTest : public testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); }
  void TearDown() override { IpiCloseSystem(sys_); }

  IpiObject* Image(const Pixels& p, int32_t bit_order = kOrderMsbFirst) {
    const auto width = static_cast<int32_t>(p[0].size());
    const auto height = static_cast<int32_t>(p.size());
    const IpiAttribute shape[] = {{"dataType", kDataTypeBoolean}, {"xDimension", width}, {"yDimension", height},
                                  {"bitOrder", bit_order}};
    IpiObject* image = IpiCreateObject(sys_, nullptr, &kMonochromeImageClass, nullptr, shape, 4);
    IpiAccessor* a = IpiOpenAccessor(sys_, image, "w", 1, nullptr, 0);
    for (int64_t y = 0; y < height; ++y) {
      uint8_t* row = IpiGetOutputRow(sys_, a->stream, y * width);
      for (int64_t x = 0; x < width; ++x) IpiSetBit(*a, row, ((y * width) & 7) + x, p[y][x]);
      EXPECT_EQ(IpiPutOutputRow(sys_, a->stream, y * width), 0);
    }
    EXPECT_EQ(IpiCloseAccessor(sys_, a), 0);
    return image;
  }
  Pixels Read(IpiObject* image) {
    IpiAccessor* a = IpiOpenAccessor(sys_, image, "r", 1, nullptr, 0);
    const int64_t width = a->dimension[kDimX];
    Pixels p(static_cast<size_t>(a->dimension[kDimY]), std::vector<bool>(static_cast<size_t>(width)));
    for (int64_t y = 0; y < a->dimension[kDimY]; ++y) {
      const uint8_t* row = IpiGetInputRow(sys_, a->stream, y * width);
      for (int64_t x = 0; x < width; ++x) p[y][x] = IpiTestBit(*a, row, ((y * width) & 7) + x);
    }
    EXPECT_EQ(IpiCloseAccessor(sys_, a), 0);
    return p;
  }
  int ReadMemory(const Bytes& file, IpiObject* image, int mode = kReadModeBoth) {
    const IpiAttribute pairs[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(file.data())},
                                  {"size", static_cast<intptr_t>(file.size())}};
    return IpiReadImageFile(sys_, nullptr, image, kFormatWbmp, mode, pairs, 2);
  }
  IpiObject* Blank() { return IpiCreateObject(sys_, nullptr, &kMonochromeImageClass, nullptr, nullptr, 0); }

  IpiSystem* sys_ = nullptr;
  ScopedTempDir dir_;
};

TEST_F(WbmpTest, WbmptopbmReadsOurFiles) {
  for (int width : {1, 7, 8, 9, 13, 127, 128, 130}) {
    for (int32_t bit_order : {kOrderMsbFirst, kOrderLsbFirst}) {
      SCOPED_TRACE(testing::Message() << "width " << width << " order " << bit_order);
      const Pixels p = Pattern(width, 5);
      ScopedObject image(sys_, Image(p, bit_order));
      const std::string path = dir_.File("ours.wbmp");
      ASSERT_EQ(IpiWriteImageFile(sys_, image.get(), path.c_str(), kFormatWbmp, nullptr, 0), 0);
      EXPECT_EQ(ReadFileBytes(path).size(), 2 + (width < 128 ? 1u : 2u) + 1 + 5u * ((width + 7) / 8));
      std::string pbm;
      ASSERT_EQ(RunCommand("wbmptopbm '" + path + "' | pnmtoplainpnm", &pbm), 0);
      EXPECT_EQ(ParsePlainPbm(pbm), p);
    }
  }
}

TEST_F(WbmpTest, ReadsPbmtowbmpFiles) {
  for (const auto& [width, height] : {std::pair{1, 1}, std::pair{13, 4}, std::pair{64, 3}, std::pair{130, 9}}) {
    SCOPED_TRACE(width);
    const Pixels p = Pattern(width, height);
    const std::string pbm = PlainPbm(p);
    WriteFileBytes(dir_.File("in.pbm"), Bytes(pbm.begin(), pbm.end()));
    ASSERT_EQ(RunCommand("pbmtowbmp '" + dir_.File("in.pbm") + "' > '" + dir_.File("in.wbmp") + "' 2>/dev/null"), 0);
    ScopedObject image(sys_, Blank());
    ASSERT_EQ(IpiReadFile(sys_, dir_.File("in.wbmp").c_str(), image.get(), kFormatWbmp, nullptr, 0), 0);
    EXPECT_EQ(image.get()->fields.data_type, kDataTypeBoolean);
    EXPECT_EQ(Read(image.get()), p);
  }
}

TEST_F(WbmpTest, MultiByteIntegersFollowTheTable) {
  const struct {
    uint32_t value;
    Bytes bytes;
  } kCases[] = {
      {1, {0x01}},           {127, {0x7F}},         {128, {0x81, 0x00}},        {130, {0x81, 0x02}},
      {16383, {0xFF, 0x7F}}, {16384, {0x81, 0x80, 0x00}}, {(1u << 24), {0x88, 0x80, 0x80, 0x00}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.value);
    Bytes out;
    AppendWbmpInteger(out, c.value);
    EXPECT_EQ(out, c.bytes);
    ByteReader in(c.bytes);
    uint32_t value = 0;
    ASSERT_TRUE(ReadWbmpInteger(in, value));
    EXPECT_EQ(value, c.value);
  }
  const Bytes five = {0x81, 0x80, 0x80, 0x80, 0x00};
  ByteReader in(five);
  uint32_t value = 0;
  EXPECT_FALSE(ReadWbmpInteger(in, value));
}

TEST_F(WbmpTest, HeaderSetsTheImageAndItsPalette) {
  IpiObject* lut = IpiCreateObject(sys_, nullptr, &kLookupTableClass, nullptr, nullptr, 0);
  const IpiAttribute lut_shape[] = {{"dataType", kDataTypeNonnegative}, {"entries", 4}, {"bDimension", 3}};
  ASSERT_EQ(IpiSetAttributes(sys_, lut, lut_shape, 3), 0);
  const IpiAttribute shape[] = {{"lut", static_cast<intptr_t>(IpiObjectId(lut))}, {"dataType", kDataTypeNonnegative}};
  ScopedObject image(sys_, IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 2));
  const Bytes file = {0, 0, 0x81, 0x02, 0x03, 0x00};  // 130 x 3, no rows
  ASSERT_EQ(ReadMemory(file, image.get(), kReadModeHeader), 0);
  EXPECT_EQ(image.get()->fields.dimension[kDimX], 130);
  EXPECT_EQ(image.get()->fields.dimension[kDimY], 3);
  EXPECT_EQ(image.get()->fields.data_type, kDataTypeBoolean);
  EXPECT_EQ(image.get()->fields.data_precision, 1);
  Bytes bands(12);
  IpiStream* s = IpiOpenStream(sys_, lut, "r", 0);
  ASSERT_EQ(IpiReadBytes(sys_, s, 0, bands.data(), 12), 12);
  IpiCloseStream(sys_, s);
  EXPECT_EQ(bands, (Bytes{0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0}));  // entries 0 and 1 of each band
}

TEST_F(WbmpTest, RefusesDamagedAndCutFilesKeepingTheRowsRead) {
  const Bytes good = {0, 0, 0x0A, 0x03, 0xFF, 0xC0, 0x55, 0x40, 0x00, 0x00};  // 10 x 3
  const struct {
    const char* name;
    Bytes file;
    int status;
  } kCases[] = {
      {"type field", {1, 0, 0x0A, 0x03, 0, 0, 0, 0, 0, 0}, kIpiSyntaxError},
      {"fix header field", {0, 0x80, 0x0A, 0x03, 0, 0, 0, 0, 0, 0}, kIpiSyntaxError},
      {"width 0", {0, 0, 0x00, 0x03, 0, 0}, kIpiSyntaxError},
      {"height of five bytes", {0, 0, 0x0A, 0x81, 0x80, 0x80, 0x80, 0x00, 0, 0}, kIpiSyntaxError},
      {"width beyond the limit", {0, 0, 0x88, 0x80, 0x80, 0x01, 0x01, 0xFF}, kIpiExceedImplementation},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ScopedObject image(sys_, Blank());
    EXPECT_EQ(ReadMemory(c.file, image.get()), c.status);
  }
  for (size_t cut = 1; cut < good.size(); ++cut) {
    SCOPED_TRACE(cut);
    ScopedObject image(sys_, Blank());
    EXPECT_EQ(ReadMemory(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)), image.get()),
              kIpiSyntaxError);
    if (cut == 8) {  // two whole rows were there: they are kept
      const Pixels p = Read(image.get());
      EXPECT_TRUE(p[0][0] && p[0][9] && !p[1][0] && p[1][1] && p[1][9]);
    }
  }
  // A data pass into an image that is not boolean is refused, not skipped.
  ScopedObject grey(sys_, IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, nullptr, 0));
  ASSERT_EQ(IpiSetAttribute(sys_, grey.get(), "dataType", kDataTypeNonnegative), 0);
  EXPECT_EQ(ReadMemory(good, grey.get(), kReadModeData), kIpiMismatchDataType);
  ScopedObject colour(sys_, IpiCreateObject(sys_, nullptr, &kColourImageClass, nullptr, nullptr, 0));
  EXPECT_EQ(ReadMemory(good, colour.get()), kIpiMismatchObjectClass);
}

TEST_F(WbmpTest, WriterRefusesWhatOnePlaneOfOneBitCannotHold) {
  const std::string path = dir_.File("r.wbmp");
  WriteFileBytes(path, {'o', 'l', 'd'});
  ScopedObject image(sys_, Image(Pattern(9, 2)));
  const IpiAttribute packbits[] = {{"compression", kCompressionPackBits}};
  EXPECT_EQ(IpiWriteImageFile(sys_, image.get(), path.c_str(), kFormatWbmp, packbits, 1), kIpiNonPermissibleOption);

  const IpiAttribute planes[] = {{"dataType", kDataTypeBoolean}, {"xDimension", 9}, {"yDimension", 2},
                                 {"zDimension", 2}};
  ScopedObject two_planes(sys_, IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, planes, 4));
  EXPECT_EQ(IpiWriteImageFile(sys_, two_planes.get(), path.c_str(), kFormatWbmp, nullptr, 0),
            kIpiNonPermissibleOption);
  const IpiAttribute grey_shape[] = {{"dataType", kDataTypeNonnegative}, {"xDimension", 9}, {"yDimension", 2}};
  ScopedObject grey(sys_, IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, grey_shape, 3));
  EXPECT_EQ(IpiWriteImageFile(sys_, grey.get(), path.c_str(), kFormatWbmp, nullptr, 0), kIpiNonPermissibleOption);
  EXPECT_EQ(ReadFileBytes(path), (Bytes{'o', 'l', 'd'}));
}

}  // namespace
