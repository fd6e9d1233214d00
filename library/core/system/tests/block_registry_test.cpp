#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/status.h"
#include "core/system/system.h"

namespace {

class BlockRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); ASSERT_NE(sys_, nullptr); }
  void TearDown() override { EXPECT_EQ(IpiCloseSystem(sys_), 0); }
  IpiSystem* sys_ = nullptr;
};

TEST_F(BlockRegistryTest, BlocksAreZeroedAndRoundedUpToFourBytes) {
  auto* bytes = static_cast<unsigned char*>(IpiAlloc(sys_, 5));
  ASSERT_NE(bytes, nullptr);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(bytes[i], 0) << i;
  std::memset(bytes, 0xAB, 8);  // all 8 bytes are the caller's (the sanitizer build checks)
  IpiFree(sys_, bytes);
}

TEST_F(BlockRegistryTest, TheRegistryHolds16384BlocksAndReusesTheFirstFreeSlot) {
  std::vector<void*> blocks;
  for (size_t i = 0; i < kRegistrySlots; ++i) {
    void* block = IpiAlloc(sys_, 4);
    ASSERT_NE(block, nullptr) << i;
    blocks.push_back(block);
  }
  EXPECT_EQ(IpiAlloc(sys_, 4), nullptr);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiSystemFailure);

  IpiFree(sys_, blocks[100]);
  IpiFree(sys_, blocks[7000]);
  void* again = IpiAlloc(sys_, 4);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(sys_->registry[100], again);
  blocks[100] = again;
  blocks[7000] = nullptr;
  for (void* block : blocks) IpiFree(sys_, block);
}

TEST_F(BlockRegistryTest, AHugeSizeFailsWithMinusOne) {
  EXPECT_EQ(IpiAlloc(sys_, SIZE_MAX), nullptr);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiSystemFailure);
  EXPECT_EQ(IpiAlloc(sys_, SIZE_MAX - 2), nullptr);
}

TEST_F(BlockRegistryTest, NullForeignAndRepeatedFreesAreIgnored) {
  void* kept = IpiAlloc(sys_, 16);
  ASSERT_NE(kept, nullptr);
  IpiFree(sys_, nullptr);
  void* block = IpiAlloc(sys_, 32);
  ASSERT_NE(block, nullptr);
  IpiFree(sys_, block);
  IpiFree(sys_, block);  // a second free finds nothing registered
  int foreign = 0;
  IpiFree(sys_, &foreign);
  // Only the one real free took effect, and none of the others reported.
  EXPECT_EQ(foreign, 0);
  EXPECT_EQ(sys_->block_slots.size(), 1u);
  EXPECT_EQ(sys_->block_slots.count(kept), 1u);
  EXPECT_EQ(IpiGetLastError(sys_), 0);
  IpiFree(sys_, kept);
  EXPECT_TRUE(sys_->block_slots.empty());
}

TEST(BlockRegistryCloseTest, TheCloseReleasesBlocksAndALateFreeDoesNothing) {
  IpiSystem* sys = IpiOpenSystem(nullptr);
  ASSERT_NE(sys, nullptr);
  const size_t before = IpiBlocksReleasedAtClose();
  void* kept = IpiAlloc(sys, 100);
  ASSERT_NE(IpiAlloc(sys, 200), nullptr);
  ASSERT_EQ(IpiCloseSystem(sys), 0);
  EXPECT_EQ(IpiBlocksReleasedAtClose(), before + 2);
  IpiFree(sys, kept);  // the context is closed: no double free (the sanitizer build checks)
}

}  // namespace
