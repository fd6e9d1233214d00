#include "plat/clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "plat/testing/fixture.h"
#include "plat/testing/virtual_clock.h"

namespace {

using plat::DWORD;
using plat::LARGE_INTEGER;
using plat::LONG;
using plat::LONGLONG;

using ClockTest = plat::test::PlatformTest;

TEST_F(ClockTest, TickCountWrapsAt32Bits) {
  plat::test::ScopedVirtualClock clock((uint64_t{1} << 32) - 10);
  EXPECT_EQ(plat::GetTickCount(), 0xFFFFFFF6u);
  plat::Sleep(15);
  EXPECT_EQ(plat::GetTickCount(), 5u);
  EXPECT_EQ(plat::GetTickCount64(), (uint64_t{1} << 32) + 5);
  // Elapsed time across the wrap is right in unsigned arithmetic.
  EXPECT_EQ(static_cast<DWORD>(plat::GetTickCount() - 0xFFFFFFF6u), 15u);
}

TEST_F(ClockTest, ABusyWaitEndsUnderASteppedClock) {
  plat::test::ScopedVirtualClock clock(1000);
  clock.SetStep(3);
  const DWORD start = plat::GetTickCount();
  int reads = 0;
  while (plat::GetTickCount() - start < 500) ++reads;
  EXPECT_EQ(reads, 166);
  LARGE_INTEGER frequency, counter;
  ASSERT_TRUE(plat::QueryPerformanceFrequency(&frequency));
  EXPECT_EQ(frequency.QuadPart, 1'000'000);
  clock.SetStep(0);
  ASSERT_TRUE(plat::QueryPerformanceCounter(&counter));
  EXPECT_EQ(counter.QuadPart, static_cast<LONGLONG>(plat::GetTickCount64()) * 1000);
}

TEST_F(ClockTest, SystemAndLocalTimeFollowTheClock) {
  // 2024-02-29 23:59:58.250 UTC, a Thursday.
  plat::test::ScopedVirtualClock clock(0, 1'709'251'198'250'000);
  plat::SYSTEMTIME utc;
  plat::GetSystemTime(&utc);
  EXPECT_EQ(utc.wYear, 2024);
  EXPECT_EQ(utc.wMonth, 2);
  EXPECT_EQ(utc.wDay, 29);
  EXPECT_EQ(utc.wDayOfWeek, 4);
  EXPECT_EQ(utc.wHour, 23);
  EXPECT_EQ(utc.wMinute, 59);
  EXPECT_EQ(utc.wSecond, 58);
  EXPECT_EQ(utc.wMilliseconds, 250);

  const char* old_tz = std::getenv("TZ");
  const std::string saved = old_tz != nullptr ? old_tz : "";
  ::setenv("TZ", "JST-9", 1);
  ::tzset();
  plat::SYSTEMTIME local;
  plat::GetLocalTime(&local);
  if (old_tz != nullptr) {
    ::setenv("TZ", saved.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
  EXPECT_EQ(local.wMonth, 3);
  EXPECT_EQ(local.wDay, 1);
  EXPECT_EQ(local.wHour, 8);
  EXPECT_EQ(local.wDayOfWeek, 5);
}

TEST_F(ClockTest, FileTimeConversions) {
  struct Case {
    plat::SYSTEMTIME time;
    uint64_t file_time;
  };
  const Case cases[] = {
      {{1601, 1, 1, 1, 0, 0, 0, 0}, 0},
      {{1970, 1, 4, 1, 0, 0, 0, 0}, 116'444'736'000'000'000},
      {{2000, 2, 2, 29, 12, 30, 15, 7}, 125'963'010'150'070'000},
      {{9999, 12, 5, 31, 23, 59, 59, 999}, 2'650'467'743'999'990'000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.time.wYear);
    plat::FILETIME file_time;
    ASSERT_TRUE(plat::SystemTimeToFileTime(&c.time, &file_time));
    EXPECT_EQ((uint64_t{file_time.dwHighDateTime} << 32) | file_time.dwLowDateTime, c.file_time);
    plat::SYSTEMTIME back;
    ASSERT_TRUE(plat::FileTimeToSystemTime(&file_time, &back));
    EXPECT_EQ(back.wYear, c.time.wYear);
    EXPECT_EQ(back.wMonth, c.time.wMonth);
    EXPECT_EQ(back.wDay, c.time.wDay);
    EXPECT_EQ(back.wDayOfWeek, c.time.wDayOfWeek);
    EXPECT_EQ(back.wMilliseconds, c.time.wMilliseconds);
  }
  const plat::SYSTEMTIME refused[] = {
      {1600, 12, 0, 31, 0, 0, 0, 0}, {2023, 2, 0, 29, 0, 0, 0, 0}, {2024, 13, 0, 1, 0, 0, 0, 0},
      {2024, 1, 0, 1, 24, 0, 0, 0},  {2024, 1, 0, 1, 0, 0, 0, 1000},
  };
  for (const plat::SYSTEMTIME& time : refused) {
    plat::FILETIME file_time;
    EXPECT_FALSE(plat::SystemTimeToFileTime(&time, &file_time)) << time.wYear << "-" << time.wMonth;
  }
}

}  // namespace
