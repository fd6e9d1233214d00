#include "interchange/dib/dib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "interchange/bmp/bmp_header.h"
#include "interchange/bmp/tests/bmp_test_support.h"
#include "interchange/common/interchange_codes.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testing_support::RunCommand;

struct Depth {
  int bits;
  const IpiObjectClass* cls;
  int32_t bands;
  int32_t data_type;
  int32_t precision;
};
constexpr Depth kDepths[] = {
    {1, &kGenericImageClass, 1, kDataTypeBoolean, 1},     {4, &kGenericImageClass, 1, kDataTypeNonnegative, 4},
    {8, &kGenericImageClass, 1, kDataTypeNonnegative, 8}, {24, &kColourImageClass, 3, kDataTypeNonnegative, 8},
    {32, &kColourImageClass, 4, kDataTypeNonnegative, 8},
};

Bytes DepthData(const Depth& d, int width, int height, uint32_t seed) {
  if (d.bits == 1) {
    Bytes bits = bmp_test::RandomBytes(static_cast<size_t>((width * height + 7) / 8), seed);
    if ((width * height) % 8 != 0) bits.back() &= static_cast<uint8_t>(0xFF00 >> ((width * height) % 8));
    return bits;
  }
  return bmp_test::RandomBytes(static_cast<size_t>(width * height * d.bands), seed, d.bits == 4 ? 16 : 0);
}

uint64_t PackedSize(int bits, int width, int height) {
  const uint64_t palette = bits <= 8 ? 4u << bits : 0;
  return 40 + palette + static_cast<uint64_t>((width * bits + 31) / 32 * 4) * height;
}

// A BMP file around a packed bitmap, for the oracle programs.
Bytes WithFileHeader(const Bytes& packed) {
  BmpHeader h;
  EXPECT_EQ(ParseBmpHeader(packed, BmpContainer::kPacked, &h), 0);
  Bytes file = {'B', 'M'};
  for (uint32_t v : {static_cast<uint32_t>(packed.size() + 14), 0u, static_cast<uint32_t>(h.pixel_offset + 14)}) {
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  file.insert(file.end(), packed.begin(), packed.end());
  return file;
}

class DibTest : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); ASSERT_NE(sys_, nullptr); }
  void TearDown() override {
    EXPECT_EQ(IpiCloseSystem(sys_), 0);
    EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
  }

  // An empty image with a lookup table, its data in `repository`; caller
  // memory gets `memory`.
  IpiObject* NewImage(const IpiObjectClass* cls, int32_t repository, Bytes* memory = nullptr) {
    IpiObject* table = IpiCreateObject(sys_, nullptr, &kLookupTableClass, nullptr, nullptr, 0);
    std::vector<IpiAttribute> shape = {{"repository", repository},
                                       {"lut", static_cast<intptr_t>(IpiObjectId(table))}};
    if (memory != nullptr) {
      shape.push_back({"applicationAddressSpace", reinterpret_cast<intptr_t>(memory->data())});
      shape.push_back({"size", static_cast<intptr_t>(memory->size())});
    }
    return IpiCreateObject(sys_, nullptr, cls, nullptr, shape.data(), static_cast<int>(shape.size()));
  }

  int Export(IpiObject* image, Bytes& out, int32_t format, size_t size, std::vector<IpiAttribute> pairs = {}) {
    pairs.push_back({"size", static_cast<intptr_t>(size)});
    return IpiExportDib(sys_, image, out.data(), format, pairs.data(), static_cast<int>(pairs.size()));
  }

  int Import(const Bytes& packed, IpiObject* image, int32_t format = kFormatPackedBitmap) {
    const IpiAttribute size[] = {{"size", static_cast<intptr_t>(packed.size())}};
    return IpiImportDib(sys_, packed.data(), image, format, size, 1);
  }

  IpiSystem* sys_ = nullptr;
  testing_support::ScopedTempDir dir_;
};

TEST_F(DibTest, RoundTripsEveryDepthAndWidthThroughEveryRepository) {
  for (const Depth& d : kDepths) {
    for (int width : {1, 7, 8, 9, 13, 33}) {
      const int height = 3;
      const Bytes data = DepthData(d, width, height, static_cast<uint32_t>(width * 7 + d.bits));
      const uint64_t size = PackedSize(d.bits, width, height);
      for (int32_t repository : {kRepositoryGlobalBlock, kRepositoryFile, kRepositoryCallerMemory}) {
        SCOPED_TRACE(std::to_string(d.bits) + " bits, width " + std::to_string(width) + ", repository " +
                     std::to_string(repository));
        Bytes source_memory = data;
        IpiObject* image = repository == kRepositoryCallerMemory
                               ? NewImage(d.cls, repository, &source_memory)
                               : NewImage(d.cls, repository);
        const IpiAttribute shape[] = {{"xDimension", width},     {"yDimension", height},
                                      {"bDimension", d.bands},   {"dataType", d.data_type},
                                      {"dataPrecision", d.precision}};
        ASSERT_EQ(IpiSetAttributes(sys_, image, shape, 5), 0);
        if (repository != kRepositoryCallerMemory) {
          image = bmp_test::MakeImage(sys_, d.cls, width, height, d.bands, d.data_type, d.precision, repository, data);
        }
        // The exact size is enough, and the byte after it is never touched.
        Bytes packed(size + 1, 0xEE);
        ASSERT_EQ(Export(image, packed, kFormatPackedBitmap, size), 0);
        EXPECT_EQ(packed.back(), 0xEE);
        packed.pop_back();
        // One byte short: refused, and the memory stays as it was.
        Bytes short_memory(size - 1, 0xEE);
        EXPECT_EQ(Export(image, short_memory, kFormatPackedBitmap, short_memory.size()), kIpiInsufficientSize);
        EXPECT_EQ(short_memory, Bytes(size - 1, 0xEE));

        Bytes target_memory(data.size(), 0);
        IpiObject* back = repository == kRepositoryCallerMemory ? NewImage(d.cls, repository, &target_memory)
                                                                : NewImage(d.cls, repository);
        ASSERT_EQ(Import(packed, back), 0);
        EXPECT_EQ(back->fields.dimension[kDimX], width);
        EXPECT_EQ(back->fields.dimension[kDimY], height);
        if (d.bits != 32) {
          EXPECT_EQ(bmp_test::ObjectData(sys_, back), data);
        } else {
          const Bytes three(data.begin(), data.begin() + 3 * width * height);
          EXPECT_EQ(bmp_test::ObjectData(sys_, back), three);
        }
      }
      if (width == 13) {
        // An oracle reads the packed bitmap once a depth.
        Bytes packed(size, 0);
        IpiObject* image =
            bmp_test::MakeImage(sys_, d.cls, width, height, d.bands, d.data_type, d.precision, kRepositoryFile, data);
        ASSERT_EQ(Export(image, packed, kFormatPackedBitmap, size), 0);
        const std::string path = dir_.File("dib.bmp");
        testing_support::WriteFileBytes(path, WithFileHeader(packed));
        EXPECT_EQ(RunCommand("bmptopnm " + path + " > /dev/null 2>&1"), 0);
      }
    }
  }
}

TEST_F(DibTest, ImportsRunLengthBitmapsAsPlainImages) {
  // An 8-bit run-length bitmap written by an oracle, less its file header.
  const std::string ppm = dir_.File("in.pgm");
  Bytes pgm = {'P', '5', ' ', '3', '3', ' ', '5', ' ', '2', '5', '5', '\n'};
  const Bytes grey = bmp_test::RandomBytes(33 * 5, 9, 3);
  for (uint8_t v : grey) pgm.push_back(static_cast<uint8_t>(v * 100));
  testing_support::WriteFileBytes(ppm, pgm);
  const std::string bmp = dir_.File("rle.bmp");
  ASSERT_EQ(RunCommand("convert-im6.q16 " + ppm + " -type Palette -compress RLE BMP3:" + bmp), 0);
  const Bytes file = testing_support::ReadFileBytes(bmp);
  ASSERT_EQ(bmp_test::ReadU32(file, 30), 1u);
  const Bytes packed(file.begin() + 14, file.end());
  IpiObject* image = NewImage(&kGenericImageClass, kRepositoryGlobalBlock);
  ASSERT_EQ(Import(packed, image), 0);
  EXPECT_EQ(image->fields.compression, kCompressionNone);
  const Bytes indices = bmp_test::ObjectData(sys_, image);
  const Bytes runs = bmp_test::ObjectData(sys_, IpiObjectFromId(sys_, image->fields.lut));
  ASSERT_EQ(indices.size(), grey.size());
  for (size_t i = 0; i < grey.size(); ++i) ASSERT_EQ(runs[indices[i]], grey[i] * 100) << i;

  // A body cut anywhere reads as far as it goes: in coded order (bottom row
  // first) the pixels are the whole file's up to a point that moves on with
  // the cut, and 0 after it. A cut that leaves no whole code is refused.
  BmpHeader h;
  ASSERT_EQ(ParseBmpHeader(packed, BmpContainer::kPacked, &h), 0);
  auto coded_order = [](const Bytes& rows) {
    Bytes out;
    for (size_t y = rows.size() / 33; y-- > 0;) out.insert(out.end(), rows.begin() + 33 * y, rows.begin() + 33 * (y + 1));
    return out;
  };
  const Bytes whole = coded_order(indices);
  size_t last_same = 0;
  for (size_t length = 1; length < packed.size(); ++length) {
    SCOPED_TRACE(length);
    const Bytes cut(packed.begin(), packed.begin() + length);
    IpiObject* partial = NewImage(&kGenericImageClass, kRepositoryGlobalBlock);
    const int status = Import(cut, partial);
    if (length < h.pixel_offset + 2) {
      EXPECT_NE(status, 0);
      continue;
    }
    ASSERT_EQ(status, 0);
    const Bytes got = coded_order(bmp_test::ObjectData(sys_, partial));
    ASSERT_EQ(got.size(), whole.size());
    size_t same = 0;
    while (same < got.size() && got[same] == whole[same]) ++same;
    EXPECT_TRUE(std::all_of(got.begin() + same, got.end(), [](uint8_t v) { return v == 0; }));
    EXPECT_GE(same, last_same);
    last_same = same;
  }
  EXPECT_EQ(last_same, whole.size());
  // The file form reads the same.
  IpiObject* from_file = NewImage(&kGenericImageClass, kRepositoryGlobalBlock);
  ASSERT_EQ(Import(file, from_file, kFormatBmp), 0);
  EXPECT_EQ(bmp_test::ObjectData(sys_, from_file), indices);
}

TEST_F(DibTest, ExportsRunLengthCodingWithinTheCallersMemory) {
  // "a b b" repeated: 4 coded bytes per 3 pixels, longer than the plain rows.
  const int width = 33, height = 2;
  Bytes data;
  for (int i = 0; i < width * height; ++i) data.push_back(i % 3 == 0 ? 1 : 2);
  IpiObject* image = bmp_test::MakeImage(sys_, &kGenericImageClass, width, height, 1, kDataTypeNonnegative, 8,
                                         kRepositoryGlobalBlock, data);
  const std::vector<IpiAttribute> rle = {{"compression", kCompressionBmpRunLength}};
  const uint64_t plain = PackedSize(8, width, height);
  Bytes memory(plain, 0xEE);
  EXPECT_EQ(Export(image, memory, kFormatPackedBitmap, plain, rle), kIpiInsufficientSize);
  EXPECT_EQ(memory, Bytes(plain, 0xEE));

  memory.assign(4096, 0xEE);
  ASSERT_EQ(Export(image, memory, kFormatPackedBitmap, memory.size(), rle), 0);
  BmpHeader h;
  ASSERT_EQ(ParseBmpHeader(memory, BmpContainer::kPacked, &h), 0);
  EXPECT_TRUE(h.is_run_length);
  const uint32_t coded = bmp_test::ReadU32(memory, 20);
  EXPECT_GT(40 + 1024 + coded, plain);
  EXPECT_EQ(memory[40 + 1024 + coded], 0xEE);
  memory.resize(40 + 1024 + coded);
  const std::string path = dir_.File("rle.bmp");
  testing_support::WriteFileBytes(path, WithFileHeader(memory));
  std::string pgm;
  ASSERT_EQ(RunCommand("convert-im6.q16 " + path + " -depth 8 pgm:-", &pgm), 0);
  bmp_test::Pnm pnm;
  ASSERT_TRUE(bmp_test::ParsePnm(Bytes(pgm.begin(), pgm.end()), &pnm));
  EXPECT_EQ(pnm.samples, data);  // the standard grey palette: index = level

  IpiObject* back = NewImage(&kGenericImageClass, kRepositoryFile);
  ASSERT_EQ(Import(memory, back), 0);
  EXPECT_EQ(bmp_test::ObjectData(sys_, back), data);

  // 4 bits through the "dataPrecision" pair.
  const std::vector<IpiAttribute> rle4 = {{"compression", kCompressionBmpRunLength}, {"dataPrecision", 4}};
  memory.assign(4096, 0);
  ASSERT_EQ(Export(image, memory, kFormatPackedBitmap, memory.size(), rle4), 0);
  EXPECT_EQ(bmp_test::ReadU32(memory, 16), 2u);
  IpiObject* back4 = NewImage(&kGenericImageClass, kRepositoryGlobalBlock);
  ASSERT_EQ(Import(memory, back4), 0);
  EXPECT_EQ(bmp_test::ObjectData(sys_, back4), data);
}

TEST_F(DibTest, HeaderOnlyExportAndRefusals) {
  IpiObject* image = bmp_test::MakeImage(sys_, &kGenericImageClass, 5, 2, 1, kDataTypeNonnegative, 8,
                                         kRepositoryGlobalBlock, Bytes(10, 3));
  Bytes memory(40 + 1024 + 1, 0xEE);
  ASSERT_EQ(Export(image, memory, kFormatPackedBitmapHeader, memory.size()), 0);
  EXPECT_EQ(memory.back(), 0xEE);
  EXPECT_EQ(bmp_test::ReadU32(memory, 0), 40u);
  EXPECT_EQ(bmp_test::ReadU32(memory, 4), 5u);
  EXPECT_EQ(bmp_test::ReadU32(memory, 40 + 4 * 255), 0x00FFFFFFu);

  const std::vector<IpiAttribute> fax = {{"compression", 80}};
  EXPECT_EQ(Export(image, memory, kFormatPackedBitmap, memory.size(), fax), kIpiNonPermissibleOption);
  EXPECT_EQ(Export(image, memory, kFormatTiff, memory.size()), kIpiOutOfRange);
  EXPECT_EQ(IpiExportDib(sys_, image, memory.data(), kFormatPackedBitmap, nullptr, 0), kIpiInsufficientSize);
  IpiObject* coded = bmp_test::MakeImage(sys_, &kGenericImageClass, 5, 2, 1, kDataTypeNonnegative, 8,
                                         kRepositoryGlobalBlock, {});
  ASSERT_EQ(IpiSetAttribute(sys_, coded, "compression", kCompressionBmpRunLength), 0);
  EXPECT_EQ(Export(coded, memory, kFormatPackedBitmap, memory.size()), kIpiNonPermissibleOption);

  bmp_test::BmpSpec s;
  s.has_file_header = false;
  s.width = 2;
  s.bits = 8;
  s.colours_used = 3;
  s.palette = {0, 0, 0, 0, 9, 9, 9, 0, 7, 7, 7, 0};
  s.body = {1, 2, 0, 0};
  const Bytes packed = bmp_test::BuildBmp(s);
  IpiObject* target = NewImage(&kGenericImageClass, kRepositoryGlobalBlock);
  EXPECT_EQ(IpiImportDib(sys_, packed.data(), target, kFormatPackedBitmap, nullptr, 0), kIpiInsufficientSize);
  const IpiAttribute size[] = {{"size", static_cast<intptr_t>(packed.size())}};
  EXPECT_EQ(IpiImportDib(sys_, packed.data(), target, kFormatPackedBitmapHeader, size, 1), kIpiOutOfRange);
  EXPECT_EQ(IpiReadDibFromAddressSpace(sys_, packed.data(), target, kFormatPackedBitmap, 5, size, 1), kIpiOutOfRange);
  EXPECT_EQ(IpiImportDib(sys_, nullptr, target, kFormatPackedBitmap, size, 1), kIpiOutOfRange);
  Bytes fields = packed;
  bmp_test::PatchU32(fields, 16, 0, 3);  // bit fields
  EXPECT_EQ(Import(fields, target), kIpiSyntaxError);
  ASSERT_EQ(Import(packed, target), 0);
  EXPECT_EQ(bmp_test::ObjectData(sys_, target), (Bytes{1, 2}));
  // The size pair bounds the read, not the header: one byte less loses a row.
  const IpiAttribute short_size[] = {{"size", static_cast<intptr_t>(packed.size() - 3)}};
  EXPECT_EQ(IpiImportDib(sys_, packed.data(), target, kFormatPackedBitmap, short_size, 1), kIpiSyntaxError);
}

}  // namespace
