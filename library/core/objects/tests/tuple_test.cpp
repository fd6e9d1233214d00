#include "core/objects/tuple.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/codes.h"
#include "core/objects/address_space.h"
#include "core/objects/attributes.h"
#include "core/status.h"

namespace {

class TupleTest : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); ASSERT_NE(sys_, nullptr); }
  void TearDown() override { EXPECT_EQ(IpiCloseSystem(sys_), 0); }
  IpiSystem* sys_ = nullptr;
};

TEST_F(TupleTest, FiveValuesRoundTrip) {
  IpiObject* tuple = IpiCreateTuple5(sys_, 7, -2, 0, 2147483647, -2147483647 - 1);
  ASSERT_NE(tuple, nullptr);
  EXPECT_EQ(IpiInquireAttribute(sys_, tuple, "entries"), 5);
  EXPECT_EQ(IpiInquireAttribute(sys_, tuple, "dataType"), kDataTypeWord);
  EXPECT_EQ(IpiInquireAttribute(sys_, tuple, "repository"), kRepositoryGlobalBlock);
  int32_t out[5] = {};
  ASSERT_EQ(IpiGetTuple5(sys_, tuple, out), 0);
  const int32_t expected[5] = {7, -2, 0, 2147483647, -2147483647 - 1};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(out[i], expected[i]) << i;
}

TEST_F(TupleTest, ShortTuplesRoundTripAndReadBackZerosBeyondTheirEntries) {
  const int32_t values[3] = {11, 22, 33};
  IpiObject* tuple = IpiCreateTupleN(sys_, values, 3);
  ASSERT_NE(tuple, nullptr);
  int32_t three[3] = {};
  ASSERT_EQ(IpiGetTupleN(sys_, tuple, three, 3), 0);
  EXPECT_EQ(three[0], 11);
  EXPECT_EQ(three[2], 33);
  int32_t five[5] = {-1, -1, -1, -1, -1};
  ASSERT_EQ(IpiGetTuple5(sys_, tuple, five), 0);
  EXPECT_EQ(five[2], 33);
  EXPECT_EQ(five[3], 0);
  EXPECT_EQ(five[4], 0);
}

TEST_F(TupleTest, RefusesMoreValuesThanTheFormHolds) {
  const int32_t values[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(IpiCreateTupleN(sys_, values, 5), nullptr);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiOutOfRange);

  // The caller's array is exactly as long as asked: reading a longer tuple
  // into it would overrun it (the sanitizer build sees that on the heap).
  IpiObject* five = IpiCreateTuple5(sys_, 1, 2, 3, 4, 5);
  auto out = std::make_unique<int32_t[]>(4);
  EXPECT_EQ(IpiGetTupleN(sys_, five, out.get(), 4), kIpiOutOfRange);
  EXPECT_EQ(IpiGetTupleN(sys_, five, out.get(), 5), kIpiOutOfRange);
  IpiObject* three = IpiCreateTupleN(sys_, values, 3);
  EXPECT_EQ(IpiGetTupleN(sys_, three, out.get(), 2), kIpiOutOfRange);
  IpiObject* six = IpiCreateTuple(sys_, values, 6, kDataTypeWord);
  ASSERT_NE(six, nullptr);
  auto out5 = std::make_unique<int32_t[]>(5);
  EXPECT_EQ(IpiGetTuple5(sys_, six, out5.get()), kIpiOutOfRange);
  // A tuple whose entries grew after it was made is refused the same way.
  ASSERT_EQ(IpiSetAttribute(sys_, five, "entries", 9), 0);
  EXPECT_EQ(IpiGetTuple5(sys_, five, out5.get()), kIpiOutOfRange);
}

TEST_F(TupleTest, TypedTuples) {
  const uint8_t levels[4] = {0, 85, 170, 255};
  IpiObject* bytes = IpiCreateTuple(sys_, levels, 4, kDataTypeNonnegative);
  ASSERT_NE(bytes, nullptr);
  uint8_t back[4] = {};
  ASSERT_EQ(IpiExportToAddressSpace(sys_, bytes, back, nullptr, 0), 0);
  EXPECT_EQ(std::vector<uint8_t>(back, back + 4), std::vector<uint8_t>(levels, levels + 4));
  int32_t out[4] = {};
  EXPECT_EQ(IpiGetTupleN(sys_, bytes, out, 4), kIpiMismatchDataType);  // not words

  // No copy kernel for reals: no tuple, and no half-made object left behind.
  const float reals[2] = {0.5f, 1.5f};
  EXPECT_EQ(IpiCreateTuple(sys_, reals, 2, kDataTypeReal), nullptr);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiMismatchDataType);
  IpiObject* next = IpiCreateObject(sys_, nullptr, &kTupleClass, nullptr, nullptr, 0);
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(IpiObjectFromId(sys_, IpiObjectId(next) - 1), nullptr);

  EXPECT_EQ(IpiCreateTuple(sys_, nullptr, 2, kDataTypeWord), nullptr);
  EXPECT_EQ(IpiCreateTuple(sys_, levels, 0, kDataTypeWord), nullptr);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiOutOfRange);
}

}  // namespace
