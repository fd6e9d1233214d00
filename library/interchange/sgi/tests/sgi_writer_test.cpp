// The SGI writer against netpbm: our files equal pnmtosgi -verbatim output of
// the same pixels (but for the image name, which we leave empty) and sgitopnm
// reads them back to the same pixels; the refusals leave no file.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/scoped_object.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/write_dispatch.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testing_support::ReadFileBytes;
using testing_support::RunCommand;
using testing_support::ScopedTempDir;
using testing_support::WriteFileBytes;

constexpr size_t kNameOffset = 24;
constexpr size_t kNameBytes = 80;

class SgiTest : public testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); }
  void TearDown() override { IpiCloseSystem(sys_); }

  // A three-band image; band b of pixel (x, y) is `value(x, y, b)`.
  IpiObject* Image(int32_t width, int32_t height, uint8_t (*value)(int x, int y, int b)) {
    const IpiAttribute shape[] = {{"dataType", kDataTypeNonnegative}, {"xDimension", width},
                                  {"yDimension", height},             {"bDimension", 3}};
    IpiObject* image = IpiCreateObject(sys_, nullptr, &kColourImageClass, nullptr, shape, 4);
    Bytes planes;
    for (int b = 0; b < 3; ++b) {
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) planes.push_back(value(x, y, b));
      }
    }
    IpiStream* s = IpiOpenStream(sys_, image, "w", 0);
    EXPECT_EQ(IpiWriteBytes(sys_, s, 0, planes.data(), static_cast<int64_t>(planes.size())),
              static_cast<int64_t>(planes.size()));
    EXPECT_EQ(IpiCloseStream(sys_, s), 0);
    return image;
  }
  // The same pixels as a binary PPM.
  static Bytes Ppm(int width, int height, uint8_t (*value)(int x, int y, int b)) {
    const std::string head = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    Bytes out(head.begin(), head.end());
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        for (int b = 0; b < 3; ++b) out.push_back(value(x, y, b));
      }
    }
    return out;
  }

  IpiSystem* sys_ = nullptr;
  ScopedTempDir dir_;
};

uint8_t Ramp(int x, int y, int b) { return static_cast<uint8_t>(x * 7 + y * 13 + b * 85); }

TEST_F(SgiTest, WritesTheHeaderAndBottomUpChannelsOfTheTwoByTwoExample) {
  ScopedObject image(sys_, Image(2, 2, [](int x, int y, int b) { return static_cast<uint8_t>(1 + 3 * (2 * y + x) + b); }));
  const std::string path = dir_.File("small.rgb");
  ASSERT_EQ(IpiWriteImageFile(sys_, image.get(), path.c_str(), kFormatSgi, nullptr, 0), 0);
  const Bytes file = ReadFileBytes(path);
  ASSERT_EQ(file.size(), 512u + 12);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 12), (Bytes{0x01, 0xDA, 0x00, 0x01, 0x00, 0x03, 0x00, 0x02, 0x00, 0x02,
                                                           0x00, 0x03}));
  // Red of rows 1 then 0, then green, then blue.
  EXPECT_EQ(Bytes(file.begin() + 512, file.end()), (Bytes{7, 10, 1, 4, 8, 11, 2, 5, 9, 12, 3, 6}));
}

TEST_F(SgiTest, MatchesPnmtosgiAndReadsBackThroughSgitopnm) {
  for (const auto& [width, height] : {std::pair{1, 1}, std::pair{2, 2}, std::pair{37, 19}, std::pair{300, 2}}) {
    SCOPED_TRACE(width);
    ScopedObject image(sys_, Image(width, height, Ramp));
    const std::string ours = dir_.File("ours.rgb");
    ASSERT_EQ(IpiWriteImageFile(sys_, image.get(), ours.c_str(), kFormatSgi, nullptr, 0), 0);

    const Bytes ppm = Ppm(width, height, Ramp);
    WriteFileBytes(dir_.File("in.ppm"), ppm);
    ASSERT_EQ(RunCommand("pnmtosgi -verbatim '" + dir_.File("in.ppm") + "' > '" + dir_.File("ref.rgb") +
                         "' 2>/dev/null"),
              0);
    Bytes reference = ReadFileBytes(dir_.File("ref.rgb"));
    ASSERT_GT(reference.size(), kNameOffset + kNameBytes);
    std::fill(reference.begin() + kNameOffset, reference.begin() + kNameOffset + kNameBytes, 0);
    EXPECT_EQ(ReadFileBytes(ours), reference);

    std::string back;
    ASSERT_EQ(RunCommand("sgitopnm '" + ours + "' 2>/dev/null", &back), 0);
    EXPECT_EQ(Bytes(back.begin(), back.end()), ppm);
  }
}

TEST_F(SgiTest, RefusesImagesTheHeaderCannotDescribe) {
  const std::string path = dir_.File("r.rgb");
  WriteFileBytes(path, {'o', 'l', 'd'});
  const struct {
    const char* name;
    std::vector<IpiAttribute> shape;
    int status;
  } kCases[] = {
      {"one band", {{"dataType", kDataTypeNonnegative}, {"xDimension", 4}, {"yDimension", 4}, {"bDimension", 1}},
       kIpiMismatchDataType},
      {"boolean", {{"dataType", kDataTypeBoolean}, {"xDimension", 4}, {"yDimension", 4}, {"bDimension", 3}},
       kIpiMismatchDataType},
      {"16-bit elements",
       {{"dataType", kDataTypeNonnegative}, {"dataPrecision", 16}, {"xDimension", 4}, {"yDimension", 4},
        {"bDimension", 3}},
       kIpiNonPermissibleOption},
      {"width past 16 bits", {{"dataType", kDataTypeNonnegative}, {"xDimension", 65536}, {"yDimension", 1},
                              {"bDimension", 3}},
       kIpiNonPermissibleOption},
      {"two z planes",
       {{"dataType", kDataTypeNonnegative}, {"xDimension", 4}, {"yDimension", 4}, {"zDimension", 2},
        {"bDimension", 3}},
       kIpiNonPermissibleOption},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ScopedObject image(sys_, IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, c.shape.data(),
                                             static_cast<int>(c.shape.size())));
    ASSERT_NE(image.get(), nullptr);
    EXPECT_EQ(IpiWriteImageFile(sys_, image.get(), path.c_str(), kFormatSgi, nullptr, 0), c.status);
    EXPECT_EQ(ReadFileBytes(path), (Bytes{'o', 'l', 'd'}));
  }
}

}  // namespace
