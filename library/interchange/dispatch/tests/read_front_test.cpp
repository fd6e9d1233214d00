// The read dispatch and read fronts, driven through test rows: a fake reader
// that logs what source it was given and fills its target as a header pass,
// a data pass or both would, and a fake decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/common/whole_file.h"
#include "interchange/dispatch/codec_table.h"
#include "interchange/dispatch/read_dispatch.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/gif/gif_file.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::ScopedTempDir;

constexpr int32_t kFakeFormat = 9100;
constexpr int32_t kFakeCompression = 9001;
constexpr int32_t kWidth = 4;
constexpr int32_t kHeight = 2;

// How the fake file describes its image.
struct Script {
  int32_t compression = kCompressionNone;
  int32_t precision = 8;
  int64_t coded_bytes = 5;  // "size" of a coded image
  intptr_t interlaced = 0;
};

struct ReaderLog {
  std::vector<int> modes;
  std::vector<int32_t> source_repositories;
  std::vector<int64_t> source_sizes;
  std::vector<std::string> source_names;
  std::vector<int32_t> target_repositories;
  std::string first_bytes;  // the source's first bytes, as the first pass saw them
  bool past_end_refused = true;
};

Script g_script;
ReaderLog g_log;
int g_decoder_calls = 0;

int WriteBytes(IpiSystem* sys, IpiObject* target, const void* bytes, int64_t count) {
  IpiStream* stream = IpiOpenStream(sys, target, "w", 0);
  if (stream == nullptr) return IpiGetLastError(sys);
  const int64_t written = IpiWriteBytes(sys, stream, 0, bytes, count);
  const int closed = IpiCloseStream(sys, stream);
  return written < 0 ? IpiGetLastError(sys) : closed;
}

int WritePixels(IpiSystem* sys, IpiObject* target) {
  const uint8_t pixels[kWidth * kHeight] = {1, 2, 3, 4, 5, 6, 7, 8};
  return WriteBytes(sys, target, pixels, sizeof pixels);
}

void LogSource(IpiSystem* sys, IpiObject* source) {
  g_log.source_repositories.push_back(source->fields.repository);
  g_log.source_sizes.push_back(source->fields.size);
  const auto name = reinterpret_cast<const char*>(IpiInquireAttribute(sys, source, "fileName"));
  g_log.source_names.push_back(name != nullptr ? name : "");
  IpiStream* stream = IpiOpenStream(sys, source, "r", 0);
  ASSERT_NE(stream, nullptr);
  char bytes[4] = {};
  if (g_log.first_bytes.empty() && IpiReadBytes(sys, stream, 0, bytes, 4) == 4) g_log.first_bytes.assign(bytes, 4);
  // A memory source ends where the caller's memory ends.
  if (source->fields.repository == kRepositoryCallerMemory) {
    char beyond = 0;
    g_log.past_end_refused = g_log.past_end_refused && IpiReadBytes(sys, stream, source->fields.size, &beyond, 1) < 0;
  }
  (void)IpiCloseStream(sys, stream);
}

void DescribeImage(IpiSystem* sys, IpiObject* target) {
  const IpiAttribute header[] = {
      {"xDimension", kWidth},          {"yDimension", kHeight},
      {"dataType", kDataTypeNonnegative}, {"dataPrecision", g_script.precision},
      {"compression", g_script.compression}, {"size", g_script.compression != 0 ? g_script.coded_bytes : 0},
      {"interlacedImage", g_script.interlaced}};
  EXPECT_EQ(IpiSetAttributes(sys, target, header, 7), 0);
}

int FakeReader(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode) {
  g_log.modes.push_back(read_mode);
  g_log.target_repositories.push_back(target->fields.repository);
  LogSource(sys, source);
  if (read_mode != kReadModeData) DescribeImage(sys, target);
  if (read_mode == kReadModeHeader) return 0;
  if (target->fields.compression != kCompressionNone) {
    const std::string coded(static_cast<size_t>(g_script.coded_bytes), 'C');
    return WriteBytes(sys, target, coded.data(), g_script.coded_bytes);
  }
  return WritePixels(sys, target);
}

// A two-page file: page 0 plain, page 1 coded.
int FakePagesReader(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode) {
  g_log.modes.push_back(read_mode);
  LogSource(sys, source);
  if (read_mode == kReadModeHeader) {
    IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, target, "entries", 2));
    for (int i = 0; i < 2; ++i) {
      IpiObject* page = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, nullptr, 0);
      g_script.compression = i == 0 ? kCompressionNone : kFakeCompression;
      DescribeImage(sys, page);
      IPI_RETURN_IF_ERROR(IpiPutCompositeElement(sys, page, target, i));
    }
    return 0;
  }
  for (int i = 0; i < 2; ++i) {
    IpiObject* slot = IpiGetCompositeElement(sys, target, i);
    if (slot == nullptr) return IpiGetLastError(sys);
    g_script.compression = i == 0 ? kCompressionNone : kFakeCompression;
    IPI_RETURN_IF_ERROR(FakeReader(sys, source, slot, kReadModeBoth));
  }
  return 0;
}

int FakeDecode(IpiSystem* sys, IpiObject* coded, IpiObject* image) {
  ++g_decoder_calls;
  std::string bytes(static_cast<size_t>(coded->fields.size), '\0');
  IpiStream* stream = IpiOpenStream(sys, coded, "r", 0);
  if (stream == nullptr) return IpiGetLastError(sys);
  const int64_t got = IpiReadBytes(sys, stream, 0, bytes.data(), static_cast<int64_t>(bytes.size()));
  (void)IpiCloseStream(sys, stream);
  if (got < 0 || bytes != std::string(bytes.size(), 'C')) return kIpiSyntaxError;
  return WritePixels(sys, image);
}

constexpr FileFormatRow kTestFormats[] = {
    {.code = kFormatGif, .reader = FakeReader, .decoded_precision = GifDecodedPrecision},
    {.code = kFormatTiff,
     .reader = FakePagesReader,
     .holds_pages = true,
     .copy_limit_bytes = kTiffFileReadInMemoryMaxBytes,
     .byte_boundary_rows = true},
    {.code = kFormatJpegLib, .reader = FakeReader},
    {.code = kFakeFormat, .reader = FakeReader},
};
constexpr CompressionRow kTestCompressions[] = {{.code = kFakeCompression, .decoder = FakeDecode}};

class ReadFrontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_ = IpiOpenSystem(nullptr);
    ASSERT_NE(sys_, nullptr);
    g_script = Script();
    g_log = ReaderLog();
    g_decoder_calls = 0;
    file_ = dir_.File("in.img");
    testing_support::WriteFileBytes(file_, {'F', 'I', 'L', 'E', 'x', 'y'});
  }
  void TearDown() override {
    EXPECT_TRUE(g_log.past_end_refused);
    EXPECT_EQ(IpiCloseSystem(sys_), 0);
    EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
  }
  IpiObject* Image() {
    const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}};
    return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 1);
  }
  static std::vector<uint8_t> Pixels(IpiSystem* sys, IpiObject* image) {
    std::vector<uint8_t> out(kWidth * kHeight);
    IpiStream* stream = IpiOpenStream(sys, image, "r", 0);
    EXPECT_NE(stream, nullptr);
    if (stream == nullptr) return {};
    EXPECT_EQ(IpiReadBytes(sys, stream, 0, out.data(), static_cast<int64_t>(out.size())), 8);
    (void)IpiCloseStream(sys, stream);
    return out;
  }
  void MakeSparseFile(const std::string& path, uint64_t size_bytes) {
    testing_support::WriteFileBytes(path, {'B', 'I', 'G', '!'});
    std::filesystem::resize_file(path, size_bytes);
  }

  IpiSystem* sys_ = nullptr;
  ScopedTempDir dir_;
  std::string file_;
  ScopedCodecRowsForTesting rows_{kTestFormats, kTestCompressions};
};

const std::vector<uint8_t> kPixels = {1, 2, 3, 4, 5, 6, 7, 8};

TEST_F(ReadFrontTest, PlainFileIsReadFromAWholeCopyInTwoPasses) {
  IpiObject* image = Image();
  ASSERT_EQ(IpiReadFile(sys_, file_.c_str(), image, kFakeFormat, nullptr, 0), 0);
  EXPECT_EQ(g_log.modes, (std::vector<int>{kReadModeHeader, kReadModeData}));
  EXPECT_EQ(g_log.source_repositories, (std::vector<int32_t>{kRepositoryCallerMemory, kRepositoryCallerMemory}));
  EXPECT_EQ(g_log.source_sizes, (std::vector<int64_t>{6, 6}));
  EXPECT_EQ(g_log.first_bytes, "FILE");
  EXPECT_EQ(image->fields.file_format, kFakeFormat);
  EXPECT_EQ(Pixels(sys_, image), kPixels);
}

TEST_F(ReadFrontTest, RefusalsBeforeAnythingIsTouched) {
  IpiObject* image = Image();
  const intptr_t memory = reinterpret_cast<intptr_t>("FILE");
  for (int mode : {5, -1, 170, 173}) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(IpiReadImageFile(sys_, file_.c_str(), image, kFakeFormat, mode, nullptr, 0), kIpiOutOfRange);
    EXPECT_EQ(IpiGetLastError(sys_), kIpiOutOfRange);
  }
  struct Case {
    const char* name;
    int status;
  };
  const IpiAttribute no_size[] = {{"applicationAddressSpace", memory}};
  const IpiAttribute zero_size[] = {{"applicationAddressSpace", memory}, {"size", 0}};
  const Case cases[] = {
      {"format outside the table", IpiReadFile(sys_, file_.c_str(), image, 4242, nullptr, 0)},
      {"format without a reader", IpiReadFile(sys_, file_.c_str(), image, kFormatSgi, nullptr, 0)},
      {"one pass, format outside the table", IpiReadImageFile(sys_, file_.c_str(), image, 4242, 0, nullptr, 0)},
      {"memory without size", IpiReadImageFile(sys_, nullptr, image, kFakeFormat, 0, no_size, 1)},
      {"memory of size 0", IpiReadImageFile(sys_, nullptr, image, kFakeFormat, 0, zero_size, 2)},
      {"import of 0 bytes", IpiImportImage(sys_, "FILE", image, kFakeFormat, 0, nullptr, 0)},
      {"import from nowhere", IpiImportImage(sys_, nullptr, image, kFakeFormat, 4, nullptr, 0)},
  };
  const int expected[] = {kIpiOutOfRange, kIpiOutOfRange, kIpiOutOfRange, kIpiInsufficientSize,
                          kIpiInsufficientSize, kIpiInsufficientSize, kIpiOutOfRange};
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(cases[i].status, expected[i]);
  }
  EXPECT_TRUE(g_log.modes.empty());
  EXPECT_EQ(image->fields.file_format, 0);
  EXPECT_FALSE(image->is_inited());
}

TEST_F(ReadFrontTest, FileThatCannotBeOpened) {
  IpiObject* image = Image();
  EXPECT_EQ(IpiReadFile(sys_, dir_.File("missing.img").c_str(), image, kFakeFormat, nullptr, 0), kIpiFileOpenFailure);
  EXPECT_EQ(IpiReadFile(sys_, dir_.path().c_str(), image, kFakeFormat, nullptr, 0), kIpiFileOpenFailure);
  EXPECT_EQ(IpiReadFile(sys_, nullptr, image, kFakeFormat, nullptr, 0), kIpiFileOpenFailure);
  EXPECT_TRUE(g_log.modes.empty());
}

TEST_F(ReadFrontTest, OnlyLargeTiffFilesAndEmptyFilesAreReadThroughTheFile) {
  struct Case {
    const char* name;
    int32_t format;
    uint64_t size_bytes;
    int32_t expected_repository;
  };
  const Case cases[] = {
      {"TIFF at the limit", kFormatTiff, kTiffFileReadInMemoryMaxBytes, kRepositoryCallerMemory},
      {"TIFF above the limit", kFormatTiff, kTiffFileReadInMemoryMaxBytes + 1, kRepositoryFile},
      {"other format above the TIFF limit", kFakeFormat, kTiffFileReadInMemoryMaxBytes + 1, kRepositoryCallerMemory},
      {"empty file", kFakeFormat, 0, kRepositoryFile},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_log = ReaderLog();
    const std::string path = dir_.File("big.img");
    MakeSparseFile(path, c.size_bytes);
    IpiObject* target = c.format == kFormatTiff
                            ? IpiCreateObject(sys_, nullptr, &kCompositeIdArrayClass, nullptr, nullptr, 0)
                            : Image();
    EXPECT_EQ(IpiReadFile(sys_, path.c_str(), target, c.format, nullptr, 0), 0);
    ASSERT_FALSE(g_log.source_repositories.empty());
    EXPECT_EQ(g_log.source_repositories[0], c.expected_repository);
    if (c.expected_repository == kRepositoryFile) {
      EXPECT_EQ(g_log.source_names[0], path);
    } else {
      EXPECT_EQ(g_log.source_sizes[0], static_cast<int64_t>(c.size_bytes));
      EXPECT_EQ(g_log.first_bytes, "BIG!");
    }
  }
  // A whole copy has a ceiling.
  const std::string huge = dir_.File("huge.img");
  MakeSparseFile(huge, kMaxWholeFileBytes + 1);
  g_log = ReaderLog();
  EXPECT_EQ(IpiReadFile(sys_, huge.c_str(), Image(), kFakeFormat, nullptr, 0), kIpiExceedImplementation);
  EXPECT_TRUE(g_log.modes.empty());
}

TEST_F(ReadFrontTest, CodedImageIsReadIntoAHolderAndDecoded) {
  struct Case {
    const char* name;
    int64_t coded_bytes;
    int32_t holder_repository;
  };
  // The holder is a global block when the coded bytes are fewer than the
  // image's plain bytes (8 here), else a temporary file.
  const Case cases[] = {{"small", 5, kRepositoryGlobalBlock}, {"large", 8, kRepositoryFile}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_log = ReaderLog();
    g_script.compression = kFakeCompression;
    g_script.coded_bytes = c.coded_bytes;
    IpiObject* image = Image();
    ASSERT_EQ(IpiImportImage(sys_, "MEMORY", image, kFakeFormat, 6, nullptr, 0), 0);
    EXPECT_EQ(g_log.modes, (std::vector<int>{kReadModeHeader, kReadModeBoth}));
    EXPECT_EQ(g_log.target_repositories[1], c.holder_repository);
    EXPECT_EQ(g_log.source_sizes, (std::vector<int64_t>{6, 6}));
    EXPECT_EQ(image->fields.compression, kCompressionNone);
    EXPECT_EQ(Pixels(sys_, image), kPixels);
  }
  EXPECT_EQ(g_decoder_calls, 2);
}

TEST_F(ReadFrontTest, GifIsWidenedThenRefusedAtTheDecodeStep) {
  g_script.compression = kCompressionLzw;
  g_script.precision = 3;
  IpiObject* image = Image();
  EXPECT_EQ(IpiReadFile(sys_, file_.c_str(), image, kFormatGif, nullptr, 0), kIpiNonPermissibleOption);
  EXPECT_EQ(image->fields.data_precision, 4);
  EXPECT_EQ(g_log.modes, (std::vector<int>{kReadModeHeader, kReadModeBoth}));
  // Interlaced: refused before any rows are put back in order.
  g_script.interlaced = 1;
  EXPECT_EQ(IpiReadFile(sys_, file_.c_str(), Image(), kFormatGif, nullptr, 0), kIpiNonPermissibleOption);
}

TEST_F(ReadFrontTest, JpegImagesComeBackAsRgb) {
  IpiObject* image = Image();
  ASSERT_EQ(IpiReadFile(sys_, file_.c_str(), image, kFormatJpegLib, nullptr, 0), 0);
  EXPECT_EQ(image->fields.colour_space, kColourSpaceRgb);
}

TEST_F(ReadFrontTest, PagesAreReadIntoACompositeArray) {
  IpiObject* array = IpiCreateObject(sys_, nullptr, &kCompositeIdArrayClass, nullptr, nullptr, 0);
  ASSERT_EQ(IpiReadFile(sys_, file_.c_str(), array, kFormatTiff, nullptr, 0), 0);
  EXPECT_EQ(g_log.modes.front(), kReadModeHeader);
  EXPECT_EQ(g_decoder_calls, 1);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    IpiObject* page = IpiGetCompositeElement(sys_, array, i);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->fields.compression, kCompressionNone);
    EXPECT_EQ(Pixels(sys_, page), kPixels);
  }
  // The same from memory.
  IpiObject* again = IpiCreateObject(sys_, nullptr, &kCompositeIdArrayClass, nullptr, nullptr, 0);
  ASSERT_EQ(IpiImportImage(sys_, "MEMORY", again, kFormatTiff, 6, nullptr, 0), 0);
  EXPECT_EQ(g_decoder_calls, 2);

  // Another format reads into entry 0 only; an array without it gives 9.
  IpiObject* single = Image();
  const IpiAttribute one[] = {{"entries", 1}};
  IpiObject* holder = IpiCreateObject(sys_, nullptr, &kCompositeIdArrayClass, nullptr, one, 1);
  ASSERT_EQ(IpiPutCompositeElement(sys_, single, holder, 0), 0);
  ASSERT_EQ(IpiReadFile(sys_, file_.c_str(), holder, kFakeFormat, nullptr, 0), 0);
  EXPECT_EQ(Pixels(sys_, single), kPixels);
  ASSERT_EQ(IpiPutCompositeElement(sys_, nullptr, holder, 0), 0);
  EXPECT_EQ(IpiReadFile(sys_, file_.c_str(), holder, kFakeFormat, nullptr, 0), kIpiInvalidInstance);
  EXPECT_EQ(IpiImportImage(sys_, "MEMORY", holder, kFakeFormat, 6, nullptr, 0), kIpiInvalidInstance);
}

}  // namespace
