#include "plat/global_memory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "plat/fault_injection.h"
#include "plat/handle_table.h"

namespace {

TEST(GlobalMemoryTest, AllocLockSizeUnlockFree) {
  HGLOBAL handle = GlobalAlloc(GHND, 100);
  ASSERT_NE(handle, 0u);
  EXPECT_EQ(GlobalSize(handle), 100u);
  auto* bytes = static_cast<unsigned char*>(GlobalLock(handle));
  ASSERT_NE(bytes, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(bytes[i], 0);
  std::memset(bytes, 0x5A, 100);
  EXPECT_EQ(GlobalLock(handle), bytes);
  EXPECT_NE(GlobalUnlock(handle), 0);  // one lock remains
  EXPECT_EQ(GlobalUnlock(handle), 0);
  EXPECT_EQ(GlobalFree(handle), 0u);
}

TEST(GlobalMemoryTest, FreedAndUnknownHandlesFindNothing) {
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, 8);
  ASSERT_NE(handle, 0u);
  ASSERT_EQ(GlobalFree(handle), 0u);
  EXPECT_EQ(GlobalLock(handle), nullptr);
  EXPECT_EQ(GlobalSize(handle), 0u);
  EXPECT_EQ(GlobalUnlock(handle), 0);
  EXPECT_EQ(GlobalFree(handle), handle);
  EXPECT_EQ(GlobalLock(0), nullptr);
  EXPECT_EQ(GlobalFree(0xFFFFFFF0u), 0xFFFFFFF0u);
}

TEST(GlobalMemoryTest, HandlesAreDistinctAndNotReusedAtOnce) {
  std::set<HGLOBAL> seen;
  HGLOBAL previous = 0;
  for (int i = 0; i < 50; ++i) {
    HGLOBAL handle = GlobalAlloc(GMEM_FIXED, 0);
    ASSERT_NE(handle, 0u);
    EXPECT_TRUE(seen.insert(handle).second);
    EXPECT_NE(handle, previous);
    EXPECT_NE(GlobalLock(handle), nullptr);  // empty blocks still lock
    GlobalUnlock(handle);
    ASSERT_EQ(GlobalFree(handle), 0u);
    previous = handle;
  }
}

// Large freed blocks serve later requests: whatever a freed block held, a
// zero-initialised block starts as zeros over its whole size, and its bytes
// stay its own while another block of the same size lives beside it.
TEST(GlobalMemoryTest, LargeBlocksStartZeroedWhenMemoryIsReused) {
  const size_t sizes[] = {size_t{3} << 20, (size_t{3} << 20) - 7, size_t{2} << 20, size_t{5} << 20};
  for (int round = 0; round < 3; ++round) {
    for (size_t size : sizes) {
      SCOPED_TRACE(size);
      HGLOBAL first = GlobalAlloc(GHND, size);
      HGLOBAL second = GlobalAlloc(GHND, size);
      ASSERT_NE(first, 0u);
      ASSERT_NE(second, 0u);
      EXPECT_EQ(GlobalSize(first), size);
      auto* a = static_cast<unsigned char*>(GlobalLock(first));
      auto* b = static_cast<unsigned char*>(GlobalLock(second));
      ASSERT_NE(a, b);
      for (size_t i = 0; i < size; i += 4093) ASSERT_EQ(a[i], 0) << i;
      ASSERT_EQ(a[size - 1], 0);
      ASSERT_EQ(b[size - 1], 0);
      std::memset(a, 0xA5, size);
      std::memset(b, 0x5A, size);
      EXPECT_EQ(a[size - 1], 0xA5);
      GlobalUnlock(first);
      GlobalUnlock(second);
      ASSERT_EQ(GlobalFree(first), 0u);
      ASSERT_EQ(GlobalFree(second), 0u);
    }
  }
}

TEST(GlobalMemoryTest, UnknownFlagsAndHugeSizesAreRefused) {
  EXPECT_EQ(GlobalAlloc(0x8000, 10), 0u);
  EXPECT_EQ(GlobalAlloc(GHND, SIZE_MAX), 0u);
}

TEST(GlobalMemoryTest, TheHarnessFailsExactlyTheNextAllocation) {
  const size_t live_before = plat::HandleTable::Instance().LiveCount(plat::HandleKind::kGlobalMemory);
  plat::testing::FailNextGlobalAlloc();
  errno = 0;
  EXPECT_EQ(GlobalAlloc(GHND, 16), 0u);
  EXPECT_EQ(errno, ENOMEM);
  EXPECT_EQ(plat::HandleTable::Instance().LiveCount(plat::HandleKind::kGlobalMemory), live_before);
  // The switch turned itself off: the allocation after it succeeds.
  HGLOBAL handle = GlobalAlloc(GHND, 16);
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(GlobalFree(handle), 0u);
  // Reset switches a pending failure off before it fires.
  plat::testing::FailNextGlobalAlloc();
  plat::testing::ResetFaults();
  handle = GlobalAlloc(GHND, 16);
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(GlobalFree(handle), 0u);
}

}  // namespace
