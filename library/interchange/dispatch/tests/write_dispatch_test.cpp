// The write dispatch and write front, driven through test rows: a fake
// writer that writes known bytes through its file object (or fails half
// way), a fake encoder and a fake row reorder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/codec_table.h"
#include "interchange/dispatch/write_dispatch.h"
#include "interchange/dispatch/write_front.h"
#include "plat/fault_injection.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::ReadFileText;
using testing_support::ScopedTempDir;

constexpr int32_t kFakeFormat = 9100;
constexpr int32_t kFakeCompression = 9001;

struct WriterLog {
  int calls = 0;
  int status = 0;               // what the writer returns
  std::string bytes = "NEW";    // what it writes first
  IpiObject* image = nullptr;
  uint32_t image_id = 0;
  int32_t image_compression = 0;
  int32_t image_width = 0;
  intptr_t image_interlaced = 0;
  std::string file_name;
  int32_t file_repository = 0;
  int32_t file_format = 0;
  std::vector<IpiObject*> pages;  // entries of a composite image
};
WriterLog g_writer;
int g_encoder_calls = 0;
IpiObject* g_encoder_source = nullptr;
int g_interlace_calls = 0;

int WriteThrough(IpiSystem* sys, IpiObject* file, const std::string& bytes) {
  IpiStream* stream = IpiOpenStream(sys, file, "w", 0);
  if (stream == nullptr) return IpiGetLastError(sys);
  const int64_t written = IpiWriteBytes(sys, stream, 0, bytes.data(), static_cast<int64_t>(bytes.size()));
  const int closed = IpiCloseStream(sys, stream);
  return written < 0 ? IpiGetLastError(sys) : closed;
}

int FakeWriter(IpiSystem* sys, IpiObject* image, IpiObject* file) {
  WriterLog& log = g_writer;
  ++log.calls;
  log.image = image;
  log.image_id = IpiObjectId(image);
  log.image_compression = image->fields.compression;
  log.image_width = image->fields.dimension[kDimX];
  log.image_interlaced = IpiInquireAttribute(sys, image, "interlacedImage");
  log.file_name = reinterpret_cast<const char*>(IpiInquireAttribute(sys, file, "fileName"));
  log.file_repository = file->fields.repository;
  log.file_format = file->fields.file_format;
  IpiObject* target = file;
  if (file->object_class == &kCompositeIdArrayClass) {
    for (int32_t i = 0; i < image->fields.dimension[kDimX]; ++i) {
      log.pages.push_back(IpiGetCompositeElement(sys, image, i));
      IpiObject* page_file = IpiGetCompositeElement(sys, file, i);
      if (page_file == nullptr) return IpiGetLastError(sys);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(IpiInquireAttribute(sys, page_file, "fileName"))),
                log.file_name);
      target = page_file;
    }
  }
  IPI_RETURN_IF_ERROR(WriteThrough(sys, target, log.bytes));
  return log.status;
}

int FakeEncode(IpiSystem* sys, IpiObject* image, IpiObject* coded) {
  ++g_encoder_calls;
  g_encoder_source = image;
  return WriteThrough(sys, coded, "coded");
}

int FakeInterlace(IpiSystem*, IpiObject*, IpiObject*) {
  ++g_interlace_calls;
  return 0;
}

constexpr FileFormatRow kTestFormats[] = {
    {.code = kFormatGif, .writer = FakeWriter, .interlace_rows = FakeInterlace},
    {.code = kFormatTiff, .writer = FakeWriter, .holds_pages = true, .byte_boundary_rows = true},
    {.code = kFakeFormat, .writer = FakeWriter},
};
constexpr CompressionRow kTestCompressions[] = {{.code = kFakeCompression, .encoder = FakeEncode}};

class WriteDispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_ = IpiOpenSystem(nullptr);
    ASSERT_NE(sys_, nullptr);
    g_writer = WriterLog();
    g_encoder_calls = g_interlace_calls = 0;
    g_encoder_source = nullptr;
    target_ = dir_.File("out.img");
    testing_support::WriteFileBytes(target_, {'O', 'L', 'D'});
  }
  void TearDown() override {
    plat::testing::ResetFaults();
    EXPECT_EQ(IpiCloseSystem(sys_), 0);
    EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
  }
  IpiObject* Image(std::vector<IpiAttribute> extra = {}) {
    std::vector<IpiAttribute> list = {{"xDimension", 4}, {"yDimension", 2}, {"repository", kRepositoryGlobalBlock}};
    list.insert(list.end(), extra.begin(), extra.end());
    return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, list.data(), static_cast<int>(list.size()));
  }
  IpiObject* Composite(const std::vector<IpiObject*>& entries) {
    const IpiAttribute shape[] = {{"entries", static_cast<intptr_t>(entries.size())}};
    IpiObject* array = IpiCreateObject(sys_, nullptr, &kCompositeIdArrayClass, nullptr, shape, 1);
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(IpiPutCompositeElement(sys_, entries[i], array, static_cast<int64_t>(i)), 0);
    }
    return array;
  }
  // The folder holds the target and nothing else: no temporary beside it.
  void ExpectOnlyTarget(const std::string& text) {
    EXPECT_EQ(ReadFileText(target_), text);
    EXPECT_EQ(dir_.List(), std::vector<std::string>{"out.img"});
  }

  IpiSystem* sys_ = nullptr;
  ScopedTempDir dir_;
  std::string target_;
  ScopedCodecRowsForTesting rows_{kTestFormats, kTestCompressions};
};

TEST_F(WriteDispatchTest, WriterWritesATemporaryThatReplacesTheTarget) {
  IpiObject* image = Image();
  const IpiAttribute pairs[] = {{"fileName", reinterpret_cast<intptr_t>("/elsewhere")}, {"bitOrder", kOrderLsbFirst}};
  ASSERT_EQ(IpiWriteImageFile(sys_, image, target_.c_str(), kFakeFormat, pairs, 2), 0);
  EXPECT_EQ(g_writer.calls, 1);
  EXPECT_EQ(g_writer.image, image);
  // The file object names a temporary beside the target, never the target
  // itself (nor a name from the caller's pairs).
  EXPECT_NE(g_writer.file_name, target_);
  EXPECT_EQ(g_writer.file_name.rfind(dir_.path() + "/", 0), 0u);
  EXPECT_EQ(g_writer.file_repository, kRepositoryFile);
  EXPECT_EQ(g_writer.file_format, kFakeFormat);
  ExpectOnlyTarget("NEW");
}

TEST_F(WriteDispatchTest, FailedWriteKeepsTheEarlierFile) {
  IpiObject* image = Image();
  g_writer.bytes = "PARTIAL";
  g_writer.status = kIpiSyntaxError;
  EXPECT_EQ(IpiWriteImageFile(sys_, image, target_.c_str(), kFakeFormat, nullptr, 0), kIpiSyntaxError);
  ExpectOnlyTarget("OLD");

  // A replacement that cannot be completed keeps it too.
  g_writer.status = 0;
  plat::testing::FailRename(true);
  EXPECT_EQ(IpiWriteImageFile(sys_, image, target_.c_str(), kFakeFormat, nullptr, 0), kIpiSystemFailure);
  ExpectOnlyTarget("OLD");

  // A failed write to a new name leaves no file at all.
  plat::testing::ResetFaults();
  g_writer.status = kIpiSyntaxError;
  EXPECT_EQ(IpiWriteImageFile(sys_, image, dir_.File("new.img").c_str(), kFakeFormat, nullptr, 0), kIpiSyntaxError);
  ExpectOnlyTarget("OLD");
}

TEST_F(WriteDispatchTest, RefusalsTouchNothing) {
  IpiObject* image = Image();
  struct Case {
    const char* name;
    int32_t format;
    std::string file;
    int expected;
  };
  const Case cases[] = {
      {"format outside the table", 4242, target_, kIpiOutOfRange},
      {"format without a writer", kFormatInvertedBytes, target_, kIpiOutOfRange},
      {"folder missing", kFakeFormat, dir_.File("missing/out.img"), kIpiFileOpenFailure},
      {"no name", kFakeFormat, "", kIpiFileOpenFailure},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IpiWriteImageFile(sys_, image, c.file.c_str(), c.format, nullptr, 0), c.expected);
    EXPECT_EQ(IpiGetLastError(sys_), c.expected);
    EXPECT_EQ(IpiWriteFile(sys_, image, c.file.c_str(), c.format, nullptr, 0), c.expected);
  }
  EXPECT_EQ(IpiWriteImageFile(sys_, image, nullptr, kFakeFormat, nullptr, 0), kIpiFileOpenFailure);
  EXPECT_EQ(g_writer.calls, 0);
  ExpectOnlyTarget("OLD");
}

TEST_F(WriteDispatchTest, CompositeArrayGetsOneFileObjectPerPage) {
  IpiObject* first = Image();
  IpiObject* second = Image({{"xDimension", 9}});
  IpiObject* array = Composite({first, second});
  ASSERT_EQ(IpiWriteImageFile(sys_, array, target_.c_str(), kFormatTiff, nullptr, 0), 0);
  EXPECT_EQ(g_writer.image, array);
  EXPECT_EQ(g_writer.pages, (std::vector<IpiObject*>{first, second}));
  ExpectOnlyTarget("NEW");

  // A page deleted since it was stored is missing: 9, nothing written.
  ASSERT_EQ(IpiDeleteObject(sys_, second), 0);
  g_writer = WriterLog();
  EXPECT_EQ(IpiWriteImageFile(sys_, array, target_.c_str(), kFormatTiff, nullptr, 0), kIpiInvalidInstance);
  EXPECT_EQ(IpiWriteFile(sys_, array, target_.c_str(), kFormatTiff, nullptr, 0), kIpiInvalidInstance);
  EXPECT_EQ(g_writer.calls, 0);
  ExpectOnlyTarget("NEW");
}

TEST_F(WriteDispatchTest, FrontSendsCompositeArraysByFormat) {
  IpiObject* first = Image();
  IpiObject* second = Image();
  IpiObject* array = Composite({first, second});
  // TIFF: every page, in one file.
  ASSERT_EQ(IpiWriteFile(sys_, array, target_.c_str(), kFormatTiff, nullptr, 0), 0);
  EXPECT_EQ(g_writer.pages, (std::vector<IpiObject*>{first, second}));
  EXPECT_NE(g_writer.image, array);  // a working array of the same pages
  EXPECT_EQ(IpiObjectFromId(sys_, g_writer.image_id), nullptr);
  // Any other format: entry 0 only.
  g_writer = WriterLog();
  ASSERT_EQ(IpiWriteFile(sys_, array, target_.c_str(), kFakeFormat, nullptr, 0), 0);
  EXPECT_EQ(g_writer.image, first);
  EXPECT_TRUE(g_writer.pages.empty());
  // No entries: nothing to write.
  EXPECT_EQ(IpiWriteFile(sys_, Composite({}), target_.c_str(), kFakeFormat, nullptr, 0), kIpiInvalidInstance);
  EXPECT_EQ(IpiWriteFile(sys_, Composite({}), target_.c_str(), kFormatTiff, nullptr, 0), kIpiInvalidInstance);
}

TEST_F(WriteDispatchTest, CompressionGoesThroughAnIntermediateThatIsDeleted) {
  IpiObject* image = Image({{"eolState", 1}});
  const IpiAttribute pairs[] = {{"compression", kFakeCompression}, {"dataPrecision", 8}};
  ASSERT_EQ(IpiWriteFile(sys_, image, target_.c_str(), kFakeFormat, pairs, 2), 0);
  EXPECT_EQ(g_encoder_calls, 1);
  EXPECT_EQ(g_encoder_source, image);
  EXPECT_EQ(g_writer.image_compression, kFakeCompression);
  EXPECT_NE(g_writer.image, image);
  EXPECT_EQ(IpiObjectFromId(sys_, g_writer.image_id), nullptr);  // the compressed object is gone
  ExpectOnlyTarget("NEW");

  // An image that already holds coded data is refused.
  IpiObject* coded = Image({{"compression", kFakeCompression}});
  EXPECT_EQ(IpiWriteFile(sys_, coded, target_.c_str(), kFakeFormat, nullptr, 0), kIpiNonPermissibleOption);
  // So is a compression without an encoder, before anything is made.
  for (int32_t code : {kCompressionLzw, kCompressionCcittMmr + 1000}) {
    const IpiAttribute ask[] = {{"compression", code}};
    EXPECT_EQ(IpiWriteFile(sys_, image, target_.c_str(), kFakeFormat, ask, 1), kIpiNonPermissibleOption);
  }
  EXPECT_EQ(g_encoder_calls, 1);
  EXPECT_EQ(g_writer.calls, 1);
}

TEST_F(WriteDispatchTest, GifIsCodedAsLzwWhichIsRefusedBeforeRowsAreReordered) {
  IpiObject* image = Image({{"fileFormat", kFormatGif}, {"interlacedImage", 1}});
  EXPECT_EQ(IpiWriteFile(sys_, image, target_.c_str(), kFormatGif, nullptr, 0), kIpiNonPermissibleOption);
  EXPECT_EQ(g_interlace_calls, 0);
  EXPECT_EQ(g_writer.calls, 0);
  ExpectOnlyTarget("OLD");

  // With a coder, an interlaced GIF is coded from a reordered copy.
  const IpiAttribute pairs[] = {{"compression", kFakeCompression}};
  ASSERT_EQ(IpiWriteFile(sys_, image, target_.c_str(), kFormatGif, pairs, 1), 0);
  EXPECT_EQ(g_interlace_calls, 1);
  EXPECT_NE(g_encoder_source, image);
  EXPECT_EQ(g_writer.image_interlaced, 1);
  ExpectOnlyTarget("NEW");
}

TEST_F(WriteDispatchTest, MultiPageTiffCodesEveryPage) {
  IpiSystem* sys = sys_;
  const IpiAttribute on[] = {{"byteBoundary", 1}};
  ASSERT_EQ(IpiSetSystemAttributes(sys, on, 1), 0);
  // A 1-bit page widened to whole bytes is coded at its true width.
  IpiObject* bits = Image({{"dataType", kDataTypeBoolean}, {"xDimension", 16}, {"widthByteBoundary", 13}});
  IpiObject* grey = Image();
  IpiObject* array = Composite({bits, grey});
  const IpiAttribute pairs[] = {{"compression", kFakeCompression}};
  ASSERT_EQ(IpiWriteFile(sys, array, target_.c_str(), kFormatTiff, pairs, 1), 0);
  EXPECT_EQ(g_encoder_calls, 2);
  ASSERT_EQ(g_writer.pages.size(), 2u);
  EXPECT_NE(g_writer.pages[0], bits);
  EXPECT_EQ(g_writer.pages[0]->fields.compression, kFakeCompression);
  EXPECT_EQ(g_writer.pages[0]->fields.dimension[kDimX], 13);
  EXPECT_EQ(g_writer.pages[1]->fields.dimension[kDimX], 4);
  for (IpiObject* page : g_writer.pages) EXPECT_EQ(IpiCheckObject(sys, page), nullptr);  // deleted
  ExpectOnlyTarget("NEW");

  // A coded page cannot be coded again.
  IpiObject* coded = Image({{"compression", kFakeCompression}});
  EXPECT_EQ(IpiWriteFile(sys, Composite({grey, coded}), target_.c_str(), kFormatTiff, nullptr, 0),
            kIpiNonPermissibleOption);
}

}  // namespace
