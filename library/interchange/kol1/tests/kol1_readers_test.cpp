// The KOL1 formats: fixtures laid out from the two header tables around code
// made by the one-bit run coder, read through the read front down to the
// pixels; the palette colours; damaged and cut headers.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
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
#include "interchange/io/bit_writer.h"
#include "interchange/one_bit_runs/one_bit_run_stream.h"
#include "tests/support/patch_byte.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Rows = std::vector<Bytes>;

Rows MakeRows(int width, int height, uint32_t seed) {
  std::mt19937 random(seed);
  Rows rows(static_cast<size_t>(height), Bytes(static_cast<size_t>((width + 7) / 8), 0));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool set = (x / 4 + y / 3) % 3 == 0 || random() % 11 == 0;
      if (set) rows[static_cast<size_t>(y)][static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }
  return rows;
}

Bytes Code(const Rows& rows, int width) {
  Bytes out;
  BitWriter writer(out, FillOrder::kMsbFirst);
  OneBitRunEncoder encoder(writer, width);
  for (const Bytes& row : rows) encoder.AddRow(row.data());
  encoder.Finish();
  EXPECT_TRUE(writer.Flush());
  return out;
}

void U16(Bytes& out, uint32_t v) { out.insert(out.end(), {uint8_t(v >> 8), uint8_t(v)}); }
void U32(Bytes& out, uint32_t v) { out.insert(out.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}); }

// fileFormat 215: "KOL1", data size, height, flags, 8 unread bytes, 0xC1,
// colour code, 1, width, 2 unread bytes, the coded data.
Bytes RunRasterFile(int width, int height, const Bytes& code, uint8_t colour = 0, uint16_t flags = 0) {
  Bytes out = {'K', 'O', 'L', '1'};
  U32(out, static_cast<uint32_t>(code.size()));
  U16(out, static_cast<uint32_t>(height));
  U16(out, flags);
  out.insert(out.end(), 8, 0xEE);
  out.insert(out.end(), {0xC1, colour, 0x01});
  U16(out, static_cast<uint32_t>(width));
  out.insert(out.end(), 2, 0xEE);
  static_assert(4 + 4 + 2 + 2 + 8 + 3 + 2 + 2 == 27);
  out.insert(out.end(), code.begin(), code.end());
  return out;
}

// fileFormat 250: "KOL1", 6 unread bytes, width, data size, 16 unread bytes,
// the coded data.
Bytes RunStreamFile(int width, const Bytes& code) {
  Bytes out = {'K', 'O', 'L', '1'};
  out.insert(out.end(), 6, 0xEE);
  U16(out, static_cast<uint32_t>(width));
  U32(out, static_cast<uint32_t>(code.size()));
  out.insert(out.end(), 16, 0xEE);
  out.insert(out.end(), code.begin(), code.end());
  return out;
}

using testing_support::PatchByte;

class Kol1Test : public testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); }
  void TearDown() override { IpiCloseSystem(sys_); }

  IpiObject* Target(bool with_lut = true) {
    IpiObject* lut = with_lut ? IpiCreateObject(sys_, nullptr, &kLookupTableClass, nullptr, nullptr, 0) : nullptr;
    const IpiAttribute shape[] = {{"lut", static_cast<intptr_t>(IpiObjectId(lut))}};
    return IpiCreateObject(sys_, nullptr, &kMonochromeImageClass, nullptr, shape, 1);
  }
  int Import(const Bytes& file, IpiObject* image, int32_t format) {
    return IpiImportImage(sys_, file.data(), image, format, static_cast<int64_t>(file.size()), nullptr, 0);
  }
  int ReadHeader(const Bytes& file, IpiObject* target, int32_t format, int mode = kReadModeHeader) {
    const IpiAttribute pairs[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(file.data())},
                                  {"size", static_cast<intptr_t>(file.size())}};
    return IpiReadImageFile(sys_, nullptr, target, format, mode, pairs, 2);
  }
  Rows PixelRows(IpiObject* image) {
    IpiAccessor* a = IpiOpenAccessor(sys_, image, "r", 1, nullptr, 0);
    Rows rows;
    const int64_t w = a->dimension[kDimX];
    for (int64_t y = 0; y < a->dimension[kDimY]; ++y) {
      const uint8_t* row = IpiGetInputRow(sys_, a->stream, y * w);
      Bytes packed(static_cast<size_t>((w + 7) / 8), 0);
      for (int64_t x = 0; x < w; ++x) {
        if (IpiTestBit(*a, row, ((y * w) & 7) + x)) packed[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
      rows.push_back(packed);
    }
    EXPECT_EQ(IpiCloseAccessor(sys_, a), 0);
    return rows;
  }
  std::vector<int> Lut(IpiObject* image) {
    IpiObject* lut = IpiObjectFromId(sys_, image->fields.lut);
    Bytes bands(6);
    IpiStream* s = IpiOpenStream(sys_, lut, "r", 0);
    EXPECT_EQ(IpiReadBytes(sys_, s, 0, bands.data(), 6), 6);
    IpiCloseStream(sys_, s);
    return {bands[0], bands[2], bands[4], bands[1], bands[3], bands[5]};
  }
  intptr_t Get(IpiObject* obj, const char* name) { return IpiInquireAttribute(sys_, obj, name); }

  IpiSystem* sys_ = nullptr;
};

TEST_F(Kol1Test, RunRasterFilesDecodeToTheirPixels) {
  for (const auto& [width, height] : {std::pair{16, 3}, std::pair{45, 20}, std::pair{300, 7}}) {
    SCOPED_TRACE(width);
    const Rows rows = MakeRows(width, height, static_cast<uint32_t>(width));
    const Bytes file = RunRasterFile(width, height, Code(rows, width));
    ScopedObject image(sys_, Target());
    ASSERT_EQ(Import(file, image.get(), kFormatRunRaster), 0);
    EXPECT_EQ(Get(image.get(), "xDimension"), width);
    EXPECT_EQ(Get(image.get(), "yDimension"), height);
    EXPECT_EQ(Get(image.get(), "dataType"), kDataTypeBoolean);
    EXPECT_EQ(Get(image.get(), "compression"), kCompressionNone);
    EXPECT_EQ(PixelRows(image.get()), rows);
  }
}

TEST_F(Kol1Test, RunRasterHeaderSetsTheCodedObjectAndItsPalette) {
  const Bytes code = Code(MakeRows(16, 2, 1), 16);
  const struct {
    uint8_t colour;
    std::vector<int> lut;
  } kCases[] = {
      {241, {255, 0, 0, 0, 0, 0}},   {242, {0, 0, 255, 0, 0, 0}},       {244, {0, 255, 0, 0, 0, 0}},
      {0, {255, 255, 255, 0, 0, 0}}, {243, {255, 255, 255, 0, 0, 0}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.colour));
    ScopedObject coded(sys_, Target());
    ASSERT_EQ(ReadHeader(RunRasterFile(16, 2, code, c.colour, 0x8000), coded.get(), kFormatRunRaster), 0);
    EXPECT_EQ(Get(coded.get(), "compression"), kCompressionOneBitRun);
    EXPECT_EQ(Get(coded.get(), "size"), static_cast<intptr_t>(code.size()));
    EXPECT_EQ(Get(coded.get(), "dataPrecision"), 1);
    EXPECT_EQ(Get(coded.get(), "byteOrder"), kOrderMsbFirst);
    EXPECT_EQ(Lut(coded.get()), c.lut);
  }
}

TEST_F(Kol1Test, RunRasterRefusesDamagedAndCutHeaders) {
  const Bytes code = Code(MakeRows(16, 2, 2), 16);
  const Bytes good = RunRasterFile(16, 2, code);
  const struct {
    const char* name;
    size_t offset;
    uint8_t old_value, value;
  } kDamage[] = {
      {"magic", 3, '1', '2'},
      {"flags 0x0001", 11, 0x00, 0x01},
      {"marker", 20, 0xC1, 0xC2},
      {"planes", 22, 0x01, 0x02},
      {"height 0", 9, 0x02, 0x00},
      {"width 0 with data", 24, 0x10, 0x00},
      {"data past the end", 7, static_cast<uint8_t>(code.size()), static_cast<uint8_t>(code.size() + 1)},
  };
  for (const auto& d : kDamage) {
    SCOPED_TRACE(d.name);
    Bytes bad = good;
    PatchByte(bad, d.offset, d.old_value, d.value);
    ScopedObject coded(sys_, Target());
    EXPECT_EQ(ReadHeader(bad, coded.get(), kFormatRunRaster, kReadModeBoth), kIpiSyntaxError);
  }
  for (size_t cut = 1; cut < good.size(); ++cut) {
    SCOPED_TRACE(cut);
    ScopedObject coded(sys_, Target());
    EXPECT_EQ(ReadHeader(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)), coded.get(),
                         kFormatRunRaster, kReadModeBoth),
              kIpiSyntaxError);
  }
  // A data pass into an object that is not boolean.
  ScopedObject grey(sys_, IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, nullptr, 0));
  ASSERT_EQ(IpiSetAttribute(sys_, grey.get(), "dataType", kDataTypeNonnegative), 0);
  EXPECT_EQ(ReadHeader(good, grey.get(), kFormatRunRaster, kReadModeData), kIpiMismatchDataType);
  ScopedObject colour(sys_, IpiCreateObject(sys_, nullptr, &kColourImageClass, nullptr, nullptr, 0));
  EXPECT_EQ(ReadHeader(good, colour.get(), kFormatRunRaster), kIpiMismatchObjectClass);
}

TEST_F(Kol1Test, RunStreamHeightIsTheNumberOfCodedRows) {
  // The height is pinned by a round trip through the coder: an image of H
  // rows comes back with H rows, not counting the end pair.
  for (const auto& [width, height] : {std::pair{16, 5}, std::pair{70, 1}, std::pair{333, 41}}) {
    SCOPED_TRACE(height);
    const Rows rows = MakeRows(width, height, static_cast<uint32_t>(height));
    const Bytes file = RunStreamFile(width, Code(rows, width));
    ScopedObject coded(sys_, Target(false));
    ASSERT_EQ(ReadHeader(file, coded.get(), kFormatRunStream), 0);
    EXPECT_EQ(Get(coded.get(), "yDimension"), height);
    EXPECT_EQ(Get(coded.get(), "fileFormat"), kFormatRunStream);
    ScopedObject image(sys_, Target(false));
    ASSERT_EQ(Import(file, image.get(), kFormatRunStream), 0);
    EXPECT_EQ(PixelRows(image.get()), rows);
  }
}

TEST_F(Kol1Test, RunStreamCopiesLargeCodedDataWhole) {
  // Noise codes to raw rows: about 20000 coded bytes in one file.
  const int width = 800;
  Rows rows(200, Bytes(100));
  std::mt19937 random(5);
  for (Bytes& row : rows) {
    for (uint8_t& byte : row) byte = static_cast<uint8_t>(random() & 0x5B);
  }
  const Bytes code = Code(rows, width);
  ASSERT_GT(code.size(), 16384u);
  ScopedObject coded(sys_, Target(false));
  ASSERT_EQ(IpiSetAttribute(sys_, coded.get(), "repository", kRepositoryFile), 0);
  const Bytes file = RunStreamFile(width, code);
  ASSERT_EQ(ReadHeader(file, coded.get(), kFormatRunStream, kReadModeBoth), 0);
  Bytes copied(code.size());
  IpiStream* s = IpiOpenStream(sys_, coded.get(), "r", 0);
  ASSERT_EQ(IpiReadBytes(sys_, s, 0, copied.data(), static_cast<int64_t>(copied.size())), static_cast<int64_t>(copied.size()));
  IpiCloseStream(sys_, s);
  EXPECT_EQ(copied, code);
  ScopedObject image(sys_, Target(false));
  ASSERT_EQ(Import(file, image.get(), kFormatRunStream), 0);
  EXPECT_EQ(PixelRows(image.get()), rows);
}

TEST_F(Kol1Test, RunStreamRefusesDamagedAndCutFiles) {
  const Bytes code = Code(MakeRows(16, 3, 9), 16);
  const Bytes good = RunStreamFile(16, code);
  const struct {
    const char* name;
    Bytes file;
    int status;
  } kCases[] = {
      {"wrong magic", [&] { Bytes b = good; b[0] = 'X'; return b; }(), kIpiMismatchObjectClass},
      {"width 0", [&] { Bytes b = good; b[11] = 0; return b; }(), kIpiSyntaxError},
      {"no coded row", RunStreamFile(16, {0x00, 0x00, 0x12}), kIpiSyntaxError},
      {"data past the end", Bytes(good.begin(), good.end() - 1), kIpiSyntaxError},
      {"header only", Bytes(good.begin(), good.begin() + 31), kIpiSyntaxError},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ScopedObject coded(sys_, Target(false));
    EXPECT_EQ(ReadHeader(c.file, coded.get(), kFormatRunStream), c.status);
  }
  for (size_t cut = 1; cut < good.size(); ++cut) {
    SCOPED_TRACE(cut);
    ScopedObject coded(sys_, Target(false));
    EXPECT_NE(ReadHeader(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)), coded.get(),
                         kFormatRunStream, kReadModeBoth),
              0);
  }
  ScopedObject colour(sys_, IpiCreateObject(sys_, nullptr, &kColourImageClass, nullptr, nullptr, 0));
  EXPECT_EQ(ReadHeader(good, colour.get(), kFormatRunStream), kIpiMismatchObjectClass);
}

}  // namespace
