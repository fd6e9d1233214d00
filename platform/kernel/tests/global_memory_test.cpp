#include "plat/global_memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

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

TEST(GlobalMemoryTest, UnknownFlagsAndHugeSizesAreRefused) {
  EXPECT_EQ(GlobalAlloc(0x8000, 10), 0u);
  EXPECT_EQ(GlobalAlloc(GHND, SIZE_MAX), 0u);
}

}  // namespace
