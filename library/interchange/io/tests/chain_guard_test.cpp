#include "interchange/io/chain_guard.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

TEST(ChainGuard, RefusesTheFirstRepeatedOffset) {
  // 8 -> 100 -> 0 -> max -> 100: the chain loops back at the fifth link.
  ChainGuard guard;
  EXPECT_TRUE(guard.Visit(8));
  EXPECT_TRUE(guard.Visit(100));
  EXPECT_TRUE(guard.Visit(0));
  EXPECT_TRUE(guard.Visit(std::numeric_limits<uint64_t>::max()));
  EXPECT_FALSE(guard.Visit(100));
  EXPECT_FALSE(guard.Visit(8));
  EXPECT_EQ(guard.visited(), 4u);

  ChainGuard self_loop;
  EXPECT_TRUE(self_loop.Visit(16));
  EXPECT_FALSE(self_loop.Visit(16));
}

TEST(ChainGuard, StopsAtThePageCap) {
  ChainGuard small(3);
  EXPECT_TRUE(small.Visit(1));
  EXPECT_TRUE(small.Visit(2));
  EXPECT_TRUE(small.Visit(3));
  EXPECT_FALSE(small.Visit(4));
  EXPECT_EQ(small.visited(), 3u);

  ChainGuard guard;
  for (uint64_t i = 0; i < ChainGuard::kDefaultPageCap; ++i) ASSERT_TRUE(guard.Visit(i * 12 + 8));
  EXPECT_FALSE(guard.Visit(uint64_t{1} << 40));
  EXPECT_EQ(guard.visited(), 65535u);
}

}  // namespace
