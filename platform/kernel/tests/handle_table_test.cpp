#include "plat/handle_table.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "plat/global_memory.h"
#include "plat/types.h"

namespace {

using plat::HandleKind;
using plat::HandleTable;

TEST(HandleTable, ReusedSlotRefusesEveryEarlierHandle) {
  std::vector<HGLOBAL> earlier;
  std::set<HGLOBAL> seen;
  for (int i = 0; i < 5000; ++i) {
    HGLOBAL handle = GlobalAlloc(GHND, 4);
    ASSERT_NE(handle, 0u);
    ASSERT_TRUE(seen.insert(handle).second) << "handle reissued at round " << i;
    ASSERT_EQ(GlobalFree(handle), 0u);
    earlier.push_back(handle);
  }
  for (HGLOBAL handle : earlier) {
    EXPECT_EQ(GlobalLock(handle), nullptr);
    EXPECT_EQ(GlobalSize(handle), 0u);
    EXPECT_EQ(GlobalFree(handle), handle);
  }
}

TEST(HandleTable, ForeignKindAndReservedIdsAreRefused) {
  HandleTable& table = HandleTable::Instance();
  const uint32_t id = table.Insert(HandleKind::kRegistryKey, std::make_shared<int>(7));
  ASSERT_NE(id, 0u);
  EXPECT_EQ(table.Find(id, HandleKind::kModule), nullptr);
  EXPECT_EQ(table.Remove(id, HandleKind::kWindow), nullptr);
  EXPECT_EQ(GlobalLock(id), nullptr);  // a registry key is no memory block
  ASSERT_NE(table.Find(id, HandleKind::kRegistryKey), nullptr);
  EXPECT_EQ(*std::static_pointer_cast<int>(table.Find(id, HandleKind::kRegistryKey)), 7);
  EXPECT_NE(table.Remove(id, HandleKind::kRegistryKey), nullptr);
  EXPECT_EQ(table.Find(id, HandleKind::kRegistryKey), nullptr);
  for (uint32_t reserved : {0u, 1u, 0x80000000u, 0x80000001u, 0x80000002u, 0x80000003u}) {
    EXPECT_EQ(table.Find(reserved, HandleKind::kRegistryKey), nullptr) << reserved;
  }
}

TEST(HandleTable, LiveCountFollowsInsertAndRemove) {
  using Pens = plat::Handles<int, HandleKind::kPen>;
  const size_t before = Pens::LiveCount();
  const uint32_t a = Pens::Insert(std::make_shared<int>(1));
  const uint32_t b = Pens::Insert(std::make_shared<int>(2));
  EXPECT_EQ(Pens::LiveCount(), before + 2);
  EXPECT_EQ(*Pens::Remove(a), 1);
  EXPECT_EQ(Pens::Remove(a), nullptr);
  EXPECT_EQ(Pens::LiveCount(), before + 1);
  EXPECT_EQ(*Pens::Find(b), 2);
  Pens::Remove(b);
  EXPECT_EQ(Pens::LiveCount(), before);
}

TEST(PlatTypes, ValueHelpers) {
  static_assert(plat::RGB(1, 2, 3) == 0x030201);
  static_assert(plat::GetBValue(0x030201) == 3);
  static_assert(plat::LOWORD(0x12345678) == 0x5678 && plat::HIWORD(0x12345678) == 0x1234);
  static_assert(plat::GET_X_LPARAM(plat::MAKELPARAM(0xFFFF, 5)) == -1);
  struct Case {
    int number, numerator, denominator, expected;
  };
  const Case cases[] = {
      {10, 3, 4, 8},           // 7.5 rounds away from zero
      {-10, 3, 4, -8},         // also when negative
      {5, 1, 2, 3},            // 2.5 -> 3
      {1, 1, 0, -1},           // zero divisor
      {0x7FFFFFFF, 2, 1, -1},  // overflow
      {0x40000000, 4, 2, -1},  // 2^31 does not fit
      {-0x40000000, 4, 2, INT32_MIN},
      {100, -7, 3, -233},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(plat::MulDiv(c.number, c.numerator, c.denominator), c.expected)
        << c.number << "*" << c.numerator << "/" << c.denominator;
  }
  EXPECT_TRUE(plat::SUCCEEDED(0) && plat::FAILED(static_cast<plat::HRESULT>(0x80004005)));
}

}  // namespace
