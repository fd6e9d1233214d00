// The system clock, the replaceable process clock and the time conversions.
// Times convert through civil-from-days arithmetic, so no date depends on
// the C library's range of time_t.
#include "plat/clock.h"

#include <time.h>

#include <atomic>
#include <cerrno>

#include "plat/last_error.h"

namespace plat {
namespace {

constexpr int64_t kMicrosPerSecond = 1'000'000;
// 100-ns units between 1601-01-01 and 1970-01-01.
constexpr int64_t kFileTimeUnixOffset = 116'444'736'000'000'000;
constexpr int64_t kFileTimeUnitsPerMicro = 10;
constexpr int64_t kFileTimeUnitsPerDay = 864'000'000'000;

class SystemClock final : public Clock {
 public:
  uint64_t MonotonicMs() override { return MonotonicMicros() / 1000; }
  uint64_t MonotonicMicros() override {
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1'000'000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
  }
  int64_t UnixMicros() override {
    timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * kMicrosPerSecond + now.tv_nsec / 1000;
  }
  void Sleep(uint32_t ms) override {
    timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1'000'000L};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
  }
};

SystemClock g_system_clock;
std::atomic<Clock*> g_clock{nullptr};

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned year_of_era = static_cast<unsigned>(year - era * 400);
  const unsigned day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + static_cast<int64_t>(day_of_era) - 719468;
}

void CivilFromDays(int64_t days, int64_t& year, unsigned& month, unsigned& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned day_of_era = static_cast<unsigned>(days - era * 146097);
  const unsigned year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const unsigned day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const unsigned mp = (5 * day_of_year + 2) / 153;
  day = day_of_year - (153 * mp + 2) / 5 + 1;
  month = mp < 10 ? mp + 3 : mp - 9;
  year = static_cast<int64_t>(year_of_era) + era * 400 + (month <= 2);
}

bool IsLeapYear(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned DaysInMonth(int64_t year, unsigned month) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int64_t FileTimeValue(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

FILETIME FileTimeOf(int64_t value) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(value) & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(value) >> 32);
  return time;
}

// Offset of local time from UTC, in seconds, at the given Unix time.
int64_t LocalOffsetSeconds(int64_t unix_seconds) {
  time_t when = static_cast<time_t>(unix_seconds);
  struct tm local;
  if (::localtime_r(&when, &local) == nullptr) return 0;
  return local.tm_gmtoff;
}

void SystemTimeFromUnixMicros(int64_t unix_micros, SYSTEMTIME* out) {
  int64_t days = unix_micros / (86'400 * kMicrosPerSecond);
  int64_t micros_of_day = unix_micros % (86'400 * kMicrosPerSecond);
  if (micros_of_day < 0) {
    micros_of_day += 86'400 * kMicrosPerSecond;
    --days;
  }
  int64_t year;
  unsigned month, day;
  CivilFromDays(days, year, month, day);
  out->wYear = static_cast<WORD>(year);
  out->wMonth = static_cast<WORD>(month);
  out->wDay = static_cast<WORD>(day);
  out->wDayOfWeek = static_cast<WORD>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  const int64_t seconds = micros_of_day / kMicrosPerSecond;
  out->wHour = static_cast<WORD>(seconds / 3600);
  out->wMinute = static_cast<WORD>(seconds / 60 % 60);
  out->wSecond = static_cast<WORD>(seconds % 60);
  out->wMilliseconds = static_cast<WORD>(micros_of_day % kMicrosPerSecond / 1000);
}

}  // namespace

Clock& CurrentClock() {
  Clock* clock = g_clock.load(std::memory_order_acquire);
  return clock != nullptr ? *clock : g_system_clock;
}

Clock* SetClock(Clock* clock) { return g_clock.exchange(clock, std::memory_order_acq_rel); }

DWORD GetTickCount() { return static_cast<DWORD>(CurrentClock().MonotonicMs() & 0xFFFFFFFFu); }

ULONGLONG GetTickCount64() { return CurrentClock().MonotonicMs(); }

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
  if (count == nullptr) return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  count->QuadPart = static_cast<LONGLONG>(CurrentClock().MonotonicMicros());
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (frequency == nullptr) return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  frequency->QuadPart = kMicrosPerSecond;
  return TRUE;
}

void Sleep(DWORD ms) { CurrentClock().Sleep(ms); }

void GetSystemTime(SYSTEMTIME* time) {
  if (time != nullptr) SystemTimeFromUnixMicros(CurrentClock().UnixMicros(), time);
}

void GetLocalTime(SYSTEMTIME* time) {
  if (time == nullptr) return;
  const int64_t now = CurrentClock().UnixMicros();
  const int64_t seconds = now >= 0 ? now / kMicrosPerSecond : (now - kMicrosPerSecond + 1) / kMicrosPerSecond;
  SystemTimeFromUnixMicros(now + LocalOffsetSeconds(seconds) * kMicrosPerSecond, time);
}

void GetSystemTimeAsFileTime(FILETIME* time) {
  if (time != nullptr) *time = FileTimeFromUnixMicros(CurrentClock().UnixMicros());
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* system_time, FILETIME* file_time) {
  if (system_time == nullptr || file_time == nullptr) return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  const SYSTEMTIME& t = *system_time;
  if (t.wYear < 1601 || t.wYear > 30827 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 ||
      t.wDay > DaysInMonth(t.wYear, t.wMonth) || t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59 ||
      t.wMilliseconds > 999) {
    return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  }
  const int64_t days_since_1601 = DaysFromCivil(t.wYear, t.wMonth, t.wDay) - DaysFromCivil(1601, 1, 1);
  const int64_t units = days_since_1601 * kFileTimeUnitsPerDay +
                        ((t.wHour * 3600 + t.wMinute * 60 + t.wSecond) * int64_t{1000} + t.wMilliseconds) * 10'000;
  *file_time = FileTimeOf(units);
  return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* file_time, SYSTEMTIME* system_time) {
  if (file_time == nullptr || system_time == nullptr) return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  const int64_t units = FileTimeValue(*file_time);
  if (units < 0) return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  SystemTimeFromUnixMicros((units - kFileTimeUnixOffset) / kFileTimeUnitsPerMicro, system_time);
  return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
  if (utc == nullptr || local == nullptr) return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  const int64_t units = FileTimeValue(*utc);
  const int64_t offset = LocalOffsetSeconds((units - kFileTimeUnixOffset) / 10'000'000);
  *local = FileTimeOf(units + offset * 10'000'000);
  return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc) {
  if (local == nullptr || utc == nullptr) return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  const int64_t units = FileTimeValue(*local);
  // The offset is looked up at the local time taken as UTC, then once more at
  // the corrected time, which settles every instant outside a switch-over.
  int64_t offset = LocalOffsetSeconds((units - kFileTimeUnixOffset) / 10'000'000);
  offset = LocalOffsetSeconds((units - kFileTimeUnixOffset) / 10'000'000 - offset);
  *utc = FileTimeOf(units - offset * 10'000'000);
  return TRUE;
}

LONG CompareFileTime(const FILETIME* first, const FILETIME* second) {
  const uint64_t a = static_cast<uint64_t>(FileTimeValue(*first));
  const uint64_t b = static_cast<uint64_t>(FileTimeValue(*second));
  return a < b ? -1 : (a > b ? 1 : 0);
}

FILETIME FileTimeFromUnixMicros(int64_t unix_micros) {
  return FileTimeOf(unix_micros * kFileTimeUnitsPerMicro + kFileTimeUnixOffset);
}

FILETIME FileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
  return FileTimeOf(seconds * 10'000'000 + nanoseconds / 100 + kFileTimeUnixOffset);
}

int64_t UnixMicrosFromFileTime(const FILETIME& time) {
  return (FileTimeValue(time) - kFileTimeUnixOffset) / kFileTimeUnitsPerMicro;
}

}  // namespace plat
