// The Zoltra reader and image count over files laid out in code: plain and
// fax-coded images (the coded data made by libtiff's and netpbm's coders),
// one image or several into a composite array, every way of laying out
// records and fields, and damaged, cut-off and hostile files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
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
#include "interchange/zoltra/tests/zoltra_builder.h"
#include "tests/support/test_support.h"
#include "tests/support/tiff_test_support.h"

namespace {

using testing_support::RunCommand;
using tiff_test::Picture;
using zoltra_test::BuildZoltraFile;
using zoltra_test::BuiltFile;
using zoltra_test::Bytes;
using zoltra_test::ImageSpec;

class ZoltraReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_ = IpiOpenSystem(nullptr);
    ASSERT_NE(sys_, nullptr);
  }
  void TearDown() override { IpiCloseSystem(sys_); }

  IpiObject* NewImage() {
    const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}};
    return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 1);
  }
  IpiObject* NewArray(int64_t entries, int64_t first) {
    const IpiAttribute shape[] = {{"entries", static_cast<intptr_t>(entries)},
                                  {"xMatchPoint", static_cast<intptr_t>(first)}};
    return IpiCreateObject(sys_, nullptr, &kCompositeIdArrayClass, nullptr, shape, 2);
  }
  std::string Run(const std::string& command) {
    std::string out;
    EXPECT_EQ(RunCommand("cd '" + dir_.path() + "' && " + command, &out), 0) << command;
    return out;
  }
  std::string Write(const std::string& name, const Bytes& bytes) {
    testing_support::WriteFileBytes(dir_.File(name), bytes);
    return dir_.File(name);
  }
  // Reads the file through the read front from disk and from memory; both
  // must give `expected_status` and the same pixels, which are returned.
  Bytes ReadBoth(const Bytes& file, int expected_status, IpiObject** out_image = nullptr) {
    IpiObject* from_file = NewImage();
    EXPECT_EQ(IpiReadFile(sys_, Write("a.zol", file).c_str(), from_file, kFormatZoltra, nullptr, 0),
              expected_status);
    IpiObject* from_memory = NewImage();
    EXPECT_EQ(IpiImportImage(sys_, file.data(), from_memory, kFormatZoltra, static_cast<int64_t>(file.size()),
                             nullptr, 0),
              expected_status);
    const Bytes pixels = tiff_test::ImageElements(sys_, from_file);
    EXPECT_TRUE(tiff_test::ImageElements(sys_, from_memory) == pixels);
    if (out_image != nullptr) *out_image = from_file;
    return pixels;
  }
  int HeaderStatus(const Bytes& file) {
    IpiObject* image = NewImage();
    const IpiAttribute memory[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(file.data())},
                                   {"size", static_cast<intptr_t>(file.size())}};
    return IpiReadImageFile(sys_, nullptr, image, kFormatZoltra, kReadModeHeader, memory, 2);
  }
  int64_t CountMemory(const Bytes& file) {
    return IpiCountAddressSpaceImages(sys_, file.data(), kFormatZoltra, static_cast<int64_t>(file.size()));
  }

  // The raw strip of a one-strip TIFF file written by tiffcp.
  Bytes TiffcpStrip(const std::string& options, const std::string& pbm) {
    Run("rm -f fax.tif && pnmtotiff -miniswhite " + pbm + " > plain.tif && tiffcp " + options +
        " -r 100000 plain.tif fax.tif");
    const std::string dump = Run("tiffdump fax.tif");
    auto value = [&](const std::string& key) {
      const size_t at = dump.find(key);
      EXPECT_NE(at, std::string::npos) << key;
      return at == std::string::npos ? 0 : std::stoul(dump.substr(at + key.size()));
    };
    const size_t offset = value("StripOffsets (273) LONG (4) 1<");
    const size_t count = value("StripByteCounts (279) LONG (4) 1<");
    const Bytes tiff = testing_support::ReadFileBytes(dir_.File("fax.tif"));
    EXPECT_LE(offset + count, tiff.size());
    return Bytes(tiff.begin() + static_cast<std::ptrdiff_t>(offset),
                 tiff.begin() + static_cast<std::ptrdiff_t>(offset + count));
  }

  // A bilevel picture and its PBM file.
  Picture MakePage(const std::string& name, int width, int height, uint32_t seed) {
    Picture p = tiff_test::MakePicture('4', width, height, seed);
    testing_support::WriteFileBytes(dir_.File(name), tiff_test::EncodePnm(p));
    return p;
  }

  testing_support::ScopedTempDir dir_;
  IpiSystem* sys_ = nullptr;
};

ImageSpec PlainImage(const Picture& p) {
  ImageSpec spec;
  spec.width = static_cast<uint16_t>(p.width);
  spec.height = static_cast<uint16_t>(p.height);
  spec.data = zoltra_test::PackRows(p.samples, p.width, p.height);
  return spec;
}

TEST_F(ZoltraReaderTest, PlainImageInEveryLayout) {
  const Picture picture = tiff_test::MakePicture('4', 77, 23, 5);
  const struct {
    const char* name;
    int leading_units;
    void (*shape)(ImageSpec&);
  } cases[] = {
      {"one record, long field", 3, [](ImageSpec&) {}},
      {"leading block of 4 units", 4, [](ImageSpec&) {}},
      {"leading block of 12 units", 12, [](ImageSpec&) {}},
      {"extra end record", 3, [](ImageSpec& s) { s.has_extra_end = true; }},
      {"no optional fields", 3, [](ImageSpec& s) { s.has_skipped_fields = s.has_corners = false; }},
      {"one long-form piece", 3, [](ImageSpec& s) { s.field_piece_bytes = 0x7FFF; }},
      {"small long-form pieces", 3, [](ImageSpec& s) { s.field_piece_bytes = 24; }},
      {"chained content", 3, [](ImageSpec& s) { s.is_chained = true; }},
      // Pieces of 7 bytes split field heads and piece lengths between records.
      {"chained in small pieces, extra end", 3,
       [](ImageSpec& s) {
         s.is_chained = true;
         s.content_piece_bytes = 7;
         s.has_extra_end = true;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ImageSpec spec = PlainImage(picture);
    spec.corners = {10, 20, 30000, 65535};
    c.shape(spec);
    const Bytes file = BuildZoltraFile({spec}, c.leading_units).bytes;
    IpiObject* image = nullptr;
    EXPECT_TRUE(ReadBoth(file, 0, &image) == picture.samples);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->fields.dimension[kDimX], 77);
    EXPECT_EQ(image->fields.dimension[kDimY], 23);
    EXPECT_EQ(image->fields.data_type, kDataTypeBoolean);
    EXPECT_EQ(image->fields.compression, kCompressionNone);
    EXPECT_EQ(IpiInquireAttribute(sys_, image, "xResolution"), 200);
    EXPECT_EQ(IpiInquireAttribute(sys_, image, "yResolution"), 200);
    EXPECT_EQ(IpiInquireAttribute(sys_, image, "resolutionUnit"), 106);
    if (spec.has_corners) {
      EXPECT_EQ(IpiInquireAttribute(sys_, image, "xVDC1stCorner"), 10);
      EXPECT_EQ(IpiInquireAttribute(sys_, image, "yVDC1stCorner"), 20);
      EXPECT_EQ(IpiInquireAttribute(sys_, image, "xVDC2ndCorner"), 30000);
      EXPECT_EQ(IpiInquireAttribute(sys_, image, "yVDC2ndCorner"), 65535);
    }
    EXPECT_EQ(CountMemory(file), 1);
  }
}

// Fax-coded images with coded data from libtiff (MH, MR, MMR) and netpbm
// (MH with EOLs and RTC) decode to the picture they came from.
TEST_F(ZoltraReaderTest, FaxCodedImagesFromOtherCoders) {
  const Picture picture = MakePage("page.pbm", 301, 57, 9);
  Run("pbmtog3 -nofixedwidth page.pbm > page.g3 2>/dev/null");
  const struct {
    const char* name;
    uint8_t code;
    int32_t compression;
    Bytes coded;
  } cases[] = {
      {"netpbm MH", 0xF2, kCompressionCcittHuffman, testing_support::ReadFileBytes(dir_.File("page.g3"))},
      {"libtiff MH", 0xF2, kCompressionCcittHuffman, TiffcpStrip("-c g3", "page.pbm")},
      {"libtiff MR as F3", 0xF3, kCompressionCcittMr, TiffcpStrip("-c g3:2d", "page.pbm")},
      {"libtiff MR as F4", 0xF4, kCompressionCcittMr, TiffcpStrip("-c g3:2d:fill", "page.pbm")},
      {"libtiff MMR", 0xF5, kCompressionCcittMmr, TiffcpStrip("-c g4", "page.pbm")},
  };
  for (const auto& c : cases) {
    for (bool chained : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.name << (chained ? ", chained" : ""));
      ASSERT_FALSE(c.coded.empty());
      ImageSpec spec;
      spec.width = 301;
      spec.height = 57;
      spec.compression_code = c.code;
      spec.data = c.coded;
      spec.is_chained = chained;
      const Bytes file = BuildZoltraFile({spec}).bytes;
      IpiObject* header = NewImage();
      const IpiAttribute memory[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(file.data())},
                                     {"size", static_cast<intptr_t>(file.size())}};
      ASSERT_EQ(IpiReadImageFile(sys_, nullptr, header, kFormatZoltra, kReadModeHeader, memory, 2), 0);
      EXPECT_EQ(header->fields.compression, c.compression);
      EXPECT_EQ(header->fields.size, static_cast<int64_t>(c.coded.size()));
      EXPECT_EQ(IpiInquireAttribute(sys_, header, "eolState"), 0);
      EXPECT_TRUE(ReadBoth(file, 0) == picture.samples);
    }
  }
}

TEST_F(ZoltraReaderTest, ParameterCodes) {
  const Picture picture = tiff_test::MakePicture('4', 16, 2, 1);
  const struct {
    uint8_t resolution;
    uint8_t compression;
    int status;
    int32_t x_resolution;
    int32_t y_resolution;
    int32_t unit;
    int32_t expected_compression;
  } cases[] = {
      {0xC3, 0xF9, 0, 200, 200, 106, kCompressionNone},
      {0xB1, 0xF9, 0, 480, 480, 106, kCompressionNone},
      {0xD0, 0xF9, 0, 80, 80, 106, kCompressionNone},
      {0xF0, 0xF9, 0, 8000, 3850, 145, kCompressionNone},
      {0xF1, 0xF2, 0, 8000, 7700, 145, kCompressionCcittHuffman},
      {0xF3, 0xF3, 0, 6000, 5780, 145, kCompressionCcittMr},
      {0xC4, 0xF4, 0, 300, 300, 106, kCompressionCcittMr},
      {0xC4, 0xF5, 0, 300, 300, 106, kCompressionCcittMmr},
      {0xB2, 0xF9, kIpiSyntaxError, 0, 0, 0, 0},
      {0xC3, 0xF6, kIpiSyntaxError, 0, 0, 0, 0},
      {0xC3, 0x00, kIpiSyntaxError, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << int{c.resolution} << " " << int{c.compression});
    ImageSpec spec = PlainImage(picture);
    spec.resolution_code = c.resolution;
    spec.compression_code = c.compression;
    const Bytes file = BuildZoltraFile({spec}).bytes;
    IpiObject* image = NewImage();
    const IpiAttribute memory[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(file.data())},
                                   {"size", static_cast<intptr_t>(file.size())}};
    ASSERT_EQ(IpiReadImageFile(sys_, nullptr, image, kFormatZoltra, kReadModeHeader, memory, 2), c.status);
    if (c.status != 0) continue;
    EXPECT_EQ(IpiInquireAttribute(sys_, image, "xResolution"), c.x_resolution);
    EXPECT_EQ(IpiInquireAttribute(sys_, image, "yResolution"), c.y_resolution);
    EXPECT_EQ(IpiInquireAttribute(sys_, image, "resolutionUnit"), c.unit);
    EXPECT_EQ(image->fields.compression, c.expected_compression);
  }
}

class ZoltraImagesTest : public ZoltraReaderTest {
 protected:
  void SetUp() override {
    ZoltraReaderTest::SetUp();
    for (int i = 0; i < 3; ++i) pictures_.push_back(MakePage("p" + std::to_string(i) + ".pbm", 40 + 9 * i, 11 + i, 30 + i));
    ImageSpec plain = PlainImage(pictures_[0]);
    ImageSpec mmr;
    mmr.width = 49;
    mmr.height = 12;
    mmr.compression_code = 0xF5;
    mmr.data = TiffcpStrip("-c g4", "p1.pbm");
    mmr.has_extra_end = true;
    ImageSpec mh;
    mh.width = 58;
    mh.height = 13;
    mh.compression_code = 0xF2;
    mh.data = TiffcpStrip("-c g3", "p2.pbm");
    mh.is_chained = true;
    file_ = BuildZoltraFile({plain, mmr, mh});
    path_ = Write("three.zol", file_.bytes);
  }

  // Reads the images from `first` on into an array of `entries`: from the
  // file, and from memory, which must agree.
  int ReadArray(int64_t entries, int64_t first, const Bytes& file, std::vector<Bytes>* images) {
    IpiObject* array = NewArray(entries, first);
    const int status = IpiReadFilePages(sys_, Write("pages.zol", file).c_str(), array, kFormatZoltra, nullptr, 0);
    IpiObject* in_memory = NewArray(entries, first);
    EXPECT_EQ(IpiImportImage(sys_, file.data(), in_memory, kFormatZoltra, static_cast<int64_t>(file.size()),
                             nullptr, 0),
              status);
    if (status != 0) return status;
    EXPECT_EQ(array->fields.dimension[kDimX], in_memory->fields.dimension[kDimX]);
    for (int32_t i = 0; i < array->fields.dimension[kDimX]; ++i) {
      IpiObject* image = IpiGetCompositeElement(sys_, array, i);
      EXPECT_NE(image, nullptr);
      if (image == nullptr) return -1;
      EXPECT_EQ(image->fields.file_format, kFormatZoltra);
      images->push_back(tiff_test::ImageElements(sys_, image));
      EXPECT_TRUE(tiff_test::ImageElements(sys_, IpiGetCompositeElement(sys_, in_memory, i)) == images->back());
    }
    return status;
  }

  std::vector<Picture> pictures_;
  BuiltFile file_;
  std::string path_;
};

TEST_F(ZoltraImagesTest, ImagesIntoACompositeArray) {
  const struct {
    const char* name;
    int64_t entries;
    int64_t first;
    std::vector<int> expected;  // pictures read, in order
  } cases[] = {
      {"every image", 0, 0, {0, 1, 2}},
      {"two of three", 2, 0, {0, 1}},
      {"more than there are", 5, 0, {0, 1, 2}},
      {"after one", 0, 1, {1, 2}},
      {"the last", 1, 2, {2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Bytes> images;
    ASSERT_EQ(ReadArray(c.entries, c.first, file_.bytes, &images), 0);
    ASSERT_EQ(images.size(), c.expected.size());
    for (size_t i = 0; i < images.size(); ++i) {
      EXPECT_TRUE(images[i] == pictures_[static_cast<size_t>(c.expected[i])].samples) << i;
    }
  }
  // Passing over more images than the file holds, or a negative number.
  std::vector<Bytes> none;
  EXPECT_EQ(ReadArray(0, 3, file_.bytes, &none), kIpiNonPermissibleOption);
  EXPECT_EQ(ReadArray(1, 4, file_.bytes, &none), kIpiNonPermissibleOption);
  EXPECT_EQ(ReadArray(0, -1, file_.bytes, &none), kIpiNonPermissibleOption);
  // A single-image target gets the first image.
  EXPECT_TRUE(ReadBoth(file_.bytes, 0) == pictures_[0].samples);
}

TEST_F(ZoltraImagesTest, CountAgreesWithTheReader) {
  EXPECT_EQ(IpiCountFileImages(sys_, path_.c_str(), kFormatZoltra), 3);
  EXPECT_EQ(CountMemory(file_.bytes), 3);
  EXPECT_EQ(CountMemory(BuildZoltraFile({}).bytes), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiNoError);
  // Cut anywhere before the closing record: the memory count fails with 8.
  for (size_t cut = 0; cut < file_.bytes.size(); cut += 3) {
    const Bytes prefix(file_.bytes.begin(), file_.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    if (prefix.empty()) continue;
    ASSERT_EQ(CountMemory(prefix), 0) << cut;
    ASSERT_EQ(IpiGetLastError(sys_), kIpiInsufficientSize) << cut;
  }
  EXPECT_EQ(IpiCountFileImages(sys_, dir_.File("missing.zol").c_str(), kFormatZoltra), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiFileOpenFailure);
  // A damaged second image fails the count and the reading of every image.
  Bytes damaged = file_.bytes;
  zoltra_test::PatchByte(damaged, file_.images[1] + 4 + 12, 0xF1, 0xF2);
  EXPECT_EQ(CountMemory(damaged), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiSyntaxError);
  std::vector<Bytes> images;
  EXPECT_EQ(ReadArray(0, 0, damaged, &images), kIpiSyntaxError);
}

// One of every fault of the layout, each a checked patch of a good file.
TEST_F(ZoltraReaderTest, DamagedFilesAreRefused) {
  const Picture picture = tiff_test::MakePicture('4', 20, 3, 2);
  ImageSpec spec = PlainImage(picture);
  const BuiltFile good = BuildZoltraFile({spec});
  ImageSpec chained_spec = spec;
  chained_spec.is_chained = true;
  chained_spec.content_piece_bytes = 16;
  const BuiltFile chained = BuildZoltraFile({chained_spec});
  const size_t image = good.images[0];
  const size_t head = image + 4;
  const size_t second = head + 24;
  const size_t descriptor = second + 4;
  const size_t content = descriptor + 4 + 6;
  const size_t p = good.parameters[0];
  struct Case {
    const char* name;
    Bytes file;
  };
  auto patched = [](const BuiltFile& f, auto patch) {
    Bytes b = f.bytes;
    patch(b);
    return b;
  };
  using zoltra_test::PatchByte;
  using zoltra_test::PatchU16;
  const Case cases[] = {
      {"leading digit", patched(good, [](Bytes& b) { PatchByte(b, 0, 0xF0, 0xFA); })},
      {"leading mark", patched(good, [](Bytes& b) { PatchByte(b, 2, 0x23, 0x24); })},
      {"document record", patched(good, [&](Bytes& b) { PatchU16(b, good.document + 2, 0x8000, 0x0000); })},
      {"no image start", patched(good, [&](Bytes& b) { PatchU16(b, image + 2, 0x8000, 0x0001); })},
      {"image head mark", patched(good, [&](Bytes& b) { PatchByte(b, head + 12, 0xF1, 0x00); })},
      {"second image record", patched(good, [&](Bytes& b) { PatchU16(b, second, 0xF110, 0xF111); })},
      {"descriptor length high bit", patched(good, [&](Bytes& b) { PatchU16(b, descriptor + 2, 6, 0x8006); })},
      {"content record", patched(good, [&](Bytes& b) { PatchU16(b, content, 0xF401, 0xF402); })},
      {"content past the end", patched(good, [&](Bytes& b) {
         PatchU16(b, content + 2, static_cast<uint16_t>(b[content + 2] << 8 | b[content + 3]), 0x7FFF);
       })},
      {"no end record", patched(good, [&](Bytes& b) { PatchU16(b, good.end - 4, 0xF000, 0xF004); })},
      {"parameter mark", patched(good, [&](Bytes& b) { PatchU16(b, p + 16, 0xF007, 0x0000); })},
      {"parameter mark half", patched(good, [&](Bytes& b) { PatchByte(b, p + 17, 0x07, 0x08); })},
      {"width 0", patched(good, [&](Bytes& b) { PatchU16(b, p + 20, 20, 0); })},
      {"height 0", patched(good, [&](Bytes& b) { PatchU16(b, p + 22, 3, 0); })},
      {"field of type 3", patched(good, [&](Bytes& b) {
         PatchU16(b, content + 4, zoltra_test::FieldHead(0, 1, 2), zoltra_test::FieldHead(3, 1, 2));
       })},
      {"unknown identifier", patched(good, [&](Bytes& b) {
         PatchU16(b, content + 4, zoltra_test::FieldHead(0, 1, 2), zoltra_test::FieldHead(0, 6, 2));
       })},
      {"field past the content", patched(good, [&](Bytes& b) {
         PatchU16(b, content + 4, zoltra_test::FieldHead(0, 1, 2), zoltra_test::FieldHead(0, 1, 30));
       })},
      {"long-form piece past the content", patched(good, [&](Bytes& b) {
         PatchU16(b, p - 2, static_cast<uint16_t>(b[p - 2] << 8 | b[p - 1]), 0x7FFF);
       })},
      {"chained piece with high bit", patched(chained, [&](Bytes& b) {
         PatchU16(b, content + 4 + 2, 16, 0x8010);
       })},
      {"chained piece of another code", patched(chained, [&](Bytes& b) { PatchU16(b, content + 4, 0xF004, 0xF005); })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HeaderStatus(c.file), kIpiSyntaxError);
    IpiObject* image_object = NewImage();
    EXPECT_EQ(IpiImportImage(sys_, c.file.data(), image_object, kFormatZoltra, static_cast<int64_t>(c.file.size()),
                             nullptr, 0),
              kIpiSyntaxError);
  }
  EXPECT_EQ(HeaderStatus(good.bytes), 0);
  EXPECT_EQ(HeaderStatus(chained.bytes), 0);
}

// A parameters field without its end field, without its size, with corners
// too short: the field walk refuses each.
TEST_F(ZoltraReaderTest, FieldWalkFaults) {
  const Picture picture = tiff_test::MakePicture('4', 8, 1, 2);
  ImageSpec spec = PlainImage(picture);
  spec.has_skipped_fields = false;
  spec.has_corners = false;
  spec.is_long_field = false;  // 24 + 1 bytes: the short form
  const BuiltFile good = BuildZoltraFile({spec});
  const size_t content = good.images[0] + 4 + 24 + 4 + 4 + 6 + 4;
  using zoltra_test::FieldHead;
  using zoltra_test::PatchU16;
  // The end field becomes a skipped one: no end field.
  Bytes no_end = good.bytes;
  PatchU16(no_end, content + 2 + 25, FieldHead(0, 2, 0), FieldHead(0, 1, 0));
  EXPECT_EQ(HeaderStatus(no_end), kIpiSyntaxError);
  // The parameters field becomes a skipped one: an image without a size.
  Bytes no_parameters = good.bytes;
  PatchU16(no_parameters, content, FieldHead(4, 10, 25), FieldHead(0, 1, 25));
  EXPECT_EQ(HeaderStatus(no_parameters), kIpiSyntaxError);
  // A parameters field shorter than its 24 bytes.
  Bytes short_parameters = good.bytes;
  PatchU16(short_parameters, content, FieldHead(4, 10, 25), FieldHead(4, 10, 23));
  EXPECT_EQ(HeaderStatus(short_parameters), kIpiSyntaxError);
  // Corners of fewer than 8 bytes.
  spec.has_corners = true;
  Bytes short_corners = BuildZoltraFile({spec}).bytes;
  PatchU16(short_corners, content, FieldHead(2, 6, 8), FieldHead(2, 6, 6));
  EXPECT_EQ(HeaderStatus(short_corners), kIpiSyntaxError);
  EXPECT_EQ(HeaderStatus(good.bytes), 0);
}

// Every prefix that cuts into the first image is refused; a cut in the
// pixel data keeps the rows before it.
TEST_F(ZoltraReaderTest, CutOffFiles) {
  const Picture picture = tiff_test::MakePicture('4', 33, 9, 3);
  const BuiltFile good = BuildZoltraFile({PlainImage(picture)});
  for (size_t cut = 1; cut < good.end; ++cut) {
    const Bytes prefix(good.bytes.begin(), good.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    IpiObject* image = NewImage();
    ASSERT_NE(IpiImportImage(sys_, prefix.data(), image, kFormatZoltra, static_cast<int64_t>(prefix.size()), nullptr,
                             0),
              0)
        << cut;
  }

  // Plain rows: the data holds 5 of 9 rows and a part of the sixth.
  ImageSpec short_rows = PlainImage(picture);
  short_rows.data.resize(5 * 5 + 2);
  Bytes expected = picture.samples;
  std::fill(expected.begin() + 5 * 33, expected.end(), 0);
  EXPECT_TRUE(ReadBoth(BuildZoltraFile({short_rows}).bytes, kIpiSyntaxError) == expected);

  // Coded rows: MMR cut in the middle keeps its first rows; the rest is white.
  const Picture page = MakePage("page.pbm", 120, 40, 17);
  ImageSpec coded;
  coded.width = 120;
  coded.height = 40;
  coded.compression_code = 0xF5;
  coded.data = TiffcpStrip("-c g4", "page.pbm");
  coded.data.resize(coded.data.size() / 2);
  const Bytes got = ReadBoth(BuildZoltraFile({coded}).bytes, kIpiSyntaxError);
  ASSERT_EQ(got.size(), page.samples.size());
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + 120 * 5, page.samples.begin()));
  EXPECT_TRUE(std::all_of(got.end() - 120, got.end(), [](uint8_t v) { return v == 0; }));
}

// Lengths that point past the end and a chain of more images than the page
// cap end cleanly.
TEST_F(ZoltraReaderTest, HostileFiles) {
  ImageSpec tiny;
  tiny.width = 1;
  tiny.height = 1;
  tiny.data = {0x80};
  tiny.has_corners = tiny.has_skipped_fields = tiny.is_long_field = false;
  const std::vector<ImageSpec> many(65536, tiny);
  const BuiltFile endless = BuildZoltraFile(many);
  EXPECT_EQ(CountMemory(endless.bytes), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiSyntaxError);
  const std::vector<ImageSpec> at_cap(65535, tiny);
  EXPECT_EQ(CountMemory(BuildZoltraFile(at_cap).bytes), 65535);

  // A leading block of 99 units in a short file; a memory count of 3 bytes.
  Bytes far = BuildZoltraFile({tiny}).bytes;
  zoltra_test::PatchU16(far, 0, 0xF0F3, 0xF9F9);
  EXPECT_EQ(HeaderStatus(far), kIpiSyntaxError);
  EXPECT_EQ(CountMemory(far), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiInsufficientSize);
  EXPECT_EQ(IpiCountAddressSpaceImages(sys_, far.data(), kFormatZoltra, 3), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiInsufficientSize);
  // An image as wide and high as 16 bits allow passes the pixel limit.
  ImageSpec huge = tiny;
  huge.width = 65535;
  huge.height = 65535;
  huge.compression_code = 0xF5;
  EXPECT_EQ(HeaderStatus(BuildZoltraFile({huge}).bytes), kIpiExceedImplementation);
}

}  // namespace
