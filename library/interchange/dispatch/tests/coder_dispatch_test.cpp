#include "interchange/dispatch/coder_dispatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/codec_table.h"

namespace {

constexpr int32_t kFakeCompression = 9001;
int g_encoder_calls = 0;
int g_decoder_calls = 0;
int g_coder_status = 0;

int FakeEncode(IpiSystem*, IpiObject*, IpiObject*) {
  ++g_encoder_calls;
  return g_coder_status;
}
int FakeDecode(IpiSystem*, IpiObject*, IpiObject*) {
  ++g_decoder_calls;
  return g_coder_status;
}

class CoderDispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_ = IpiOpenSystem(nullptr);
    ASSERT_NE(sys_, nullptr);
    g_encoder_calls = g_decoder_calls = g_coder_status = 0;
  }
  void TearDown() override { EXPECT_EQ(IpiCloseSystem(sys_), 0); }
  IpiObject* Image(int32_t compression) {
    const IpiAttribute list[] = {{"repository", kRepositoryGlobalBlock}, {"compression", compression}};
    return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, list, 2);
  }
  IpiSystem* sys_ = nullptr;
};

TEST_F(CoderDispatchTest, CodesWithoutACoderAreRefused) {
  // None, LZW (which the library only carries coded), and codes outside the table.
  for (int32_t code : {kCompressionNone, kCompressionLzw, 1, 999, -5}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(IpiEncodeImageData(sys_, Image(0), Image(code)), kIpiNonPermissibleOption);
    EXPECT_EQ(IpiGetLastError(sys_), kIpiNonPermissibleOption);
    EXPECT_EQ(IpiDecodeImageData(sys_, Image(code), Image(0)), kIpiNonPermissibleOption);
    EXPECT_FALSE(IpiHasEncoder(code));
    EXPECT_FALSE(IpiHasDecoder(code));
  }
}

TEST_F(CoderDispatchTest, RoutesToTheCoderOfTheCompressedSide) {
  const CompressionRow rows[] = {{.code = kFakeCompression, .encoder = FakeEncode, .decoder = FakeDecode}};
  ScopedCodecRowsForTesting test_rows({}, rows);
  EXPECT_EQ(IpiEncodeImageData(sys_, Image(0), Image(kFakeCompression)), 0);
  EXPECT_EQ(IpiDecodeImageData(sys_, Image(kFakeCompression), Image(0)), 0);
  EXPECT_EQ(g_encoder_calls, 1);
  EXPECT_EQ(g_decoder_calls, 1);

  // The plain side must be plain.
  EXPECT_EQ(IpiEncodeImageData(sys_, Image(kFakeCompression), Image(kFakeCompression)), kIpiNonPermissibleOption);
  EXPECT_EQ(IpiDecodeImageData(sys_, Image(kFakeCompression), Image(kFakeCompression)), kIpiNonPermissibleOption);
  EXPECT_EQ(g_encoder_calls + g_decoder_calls, 2);

  // The coder's status is passed on; dead objects never reach it.
  g_coder_status = kIpiSyntaxError;
  EXPECT_EQ(IpiDecodeImageData(sys_, Image(kFakeCompression), Image(0)), kIpiSyntaxError);
  IpiObject* dead = Image(0);
  ASSERT_EQ(IpiDeleteObject(sys_, dead), 0);
  EXPECT_EQ(IpiEncodeImageData(sys_, dead, Image(kFakeCompression)), kIpiInvalidInstance);
  EXPECT_EQ(g_encoder_calls, 1);
}

// The constant tables: one row per code, in code order, and LZW never coded.
TEST(CodecTables, OneRowPerCodeInOrder) {
  std::vector<int32_t> formats;
  for (const FileFormatRow& row : IpiFileFormatTable()) {
    formats.push_back(row.code);
    EXPECT_FALSE(row.reader != nullptr && row.reader_with_format != nullptr) << row.code;
    EXPECT_FALSE(row.writer != nullptr && row.writer_with_format != nullptr) << row.code;
  }
  EXPECT_TRUE(std::is_sorted(formats.begin(), formats.end()));
  EXPECT_EQ(std::set<int32_t>(formats.begin(), formats.end()).size(), formats.size());
  std::vector<int32_t> compressions;
  for (const CompressionRow& row : IpiCompressionTable()) compressions.push_back(row.code);
  EXPECT_TRUE(std::is_sorted(compressions.begin(), compressions.end()));
  EXPECT_EQ(std::set<int32_t>(compressions.begin(), compressions.end()).size(), compressions.size());

  const CompressionRow* lzw = IpiFindCompression(kCompressionLzw);
  ASSERT_NE(lzw, nullptr);
  EXPECT_EQ(lzw->encoder, nullptr);
  EXPECT_EQ(lzw->decoder, nullptr);
  // A marker code, not a file format: never read or written.
  const FileFormatRow* marker = IpiFindFileFormat(kFormatInvertedBytes);
  ASSERT_NE(marker, nullptr);
  EXPECT_FALSE(marker->has_reader());
  EXPECT_FALSE(marker->has_writer());
  EXPECT_EQ(IpiFindFileFormat(0), nullptr);
}

}  // namespace
