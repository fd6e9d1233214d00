#include "core/streams/accessor.h"

#include <gtest/gtest.h>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"

namespace {

class AccessorTest : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); ASSERT_NE(sys_, nullptr); }
  void TearDown() override { EXPECT_EQ(IpiCloseSystem(sys_), 0); }
  IpiObject* Image(std::vector<IpiAttribute> extra = {}) {
    std::vector<IpiAttribute> list = {{"xDimension", 4}, {"yDimension", 3}, {"repository", kRepositoryGlobalBlock}};
    list.insert(list.end(), extra.begin(), extra.end());
    return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, list.data(), static_cast<int>(list.size()));
  }
  void SetSystem(const char* name, intptr_t value) {
    const IpiAttribute entry{name, value};
    ASSERT_EQ(IpiSetSystemAttributes(sys_, &entry, 1), 0);
  }
  IpiSystem* sys_ = nullptr;
};

TEST_F(AccessorTest, BitOrderChoosesTheMaskTables) {
  for (int32_t order : {kOrderLsbFirst, kOrderMsbFirst}) {
    IpiObject* bits = Image({{"dataType", kDataTypeBoolean}, {"bitOrder", order}});
    IpiAccessor* a = IpiOpenAccessor(sys_, bits, "w", 1, nullptr, 0);
    ASSERT_NE(a, nullptr);
    uint8_t* row = IpiGetOutputRow(sys_, a->stream, 0);
    IpiSetBit(*a, row, 0, true);
    EXPECT_EQ(row[0], order == kOrderLsbFirst ? 0x01 : 0x80);
    EXPECT_TRUE(IpiTestBit(*a, row, 0));
    IpiSetBit(*a, row, 0, false);
    EXPECT_EQ(row[0], 0);
    EXPECT_EQ(IpiCloseAccessor(sys_, a), 0);
  }
  IpiObject* odd = Image({{"dataType", kDataTypeBoolean}, {"bitOrder", 77}});
  EXPECT_EQ(IpiOpenAccessor(sys_, odd, "r", 1, nullptr, 0), nullptr);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiOutOfRange);
  IpiObject* bytes = Image({{"bitOrder", 77}});
  IpiAccessor* a = IpiOpenAccessor(sys_, bytes, "r", 1, nullptr, 0);
  EXPECT_NE(a, nullptr);  // whole bytes need no bit order
  EXPECT_EQ(IpiCloseAccessor(sys_, a), 0);
}

TEST_F(AccessorTest, RegionAndMatchPointsFollowTheSystemState) {
  IpiObject* img = Image({{"xMatchPoint", 2}});
  IpiObject* roi = IpiCreateObject(sys_, nullptr, &kRoiClass, img, nullptr, 0);
  ASSERT_NE(roi, nullptr);
  ASSERT_EQ(IpiSetAttribute(sys_, img, "roi", IpiObjectId(roi)), 0);
  const IpiAttribute options[] = {{"matchPointState", 1}, {"roiState", 1}};
  struct Case { intptr_t roi_state, match_state; bool has_roi; int32_t match_x; };
  for (const Case& c : {Case{0, 0, false, 0}, Case{1, 0, true, 0}, Case{0, 1, false, 2}, Case{1, 1, true, 2}}) {
    SetSystem("roiState", c.roi_state);
    SetSystem("matchPointState", c.match_state);
    IpiAccessor* a = IpiOpenAccessor(sys_, img, "r", 1, options, 2);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->has_roi(), c.has_roi);
    EXPECT_EQ(a->match_point[kDimX], c.match_x);
    EXPECT_EQ(IpiCloseAccessor(sys_, a), 0);
    IpiAccessor* plain = IpiOpenAccessor(sys_, img, "r", 1, nullptr, 0);
    EXPECT_FALSE(plain->has_roi());
    EXPECT_EQ(IpiCloseAccessor(sys_, plain), 0);
  }
  // Without a region the option is off; a region of another size is refused.
  IpiObject* bare = Image();
  IpiAccessor* a = IpiOpenAccessor(sys_, bare, "r", 1, options, 2);
  EXPECT_FALSE(a->has_roi());
  EXPECT_EQ(IpiCloseAccessor(sys_, a), 0);
  ASSERT_EQ(IpiSetAttribute(sys_, roi, "xDimension", 3), 0);
  EXPECT_EQ(IpiOpenAccessor(sys_, img, "r", 1, options, 2), nullptr);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiInsufficientSize);
}

}  // namespace
