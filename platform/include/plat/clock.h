// The process clock: every time the platform reads (tick counts, the
// performance counter, local and universal time, sleeping) goes through one
// replaceable Clock, so tests run on a virtual clock they drive themselves.
#ifndef PLAT_CLOCK_H_
#define PLAT_CLOCK_H_

#include <cstdint>

#include "plat/types.h"

namespace plat {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; never goes back.
  virtual uint64_t MonotonicMs() = 0;
  // Microseconds on the same scale as MonotonicMs (the performance counter).
  virtual uint64_t MonotonicMicros() { return MonotonicMs() * 1000; }
  // Wall-clock time: microseconds since 1970-01-01 00:00 UTC.
  virtual int64_t UnixMicros() = 0;
  // Blocks the calling thread for `ms` milliseconds of this clock.
  virtual void Sleep(uint32_t ms) = 0;
};

// The clock of the process: the system clock unless a test set another.
Clock& CurrentClock();
// Makes `clock` the process clock (not owned; it must outlive its use);
// null restores the system clock. Gives back the clock that was set before.
Clock* SetClock(Clock* clock);

struct FILETIME {  // 100-ns intervals since 1601-01-01 00:00 UTC
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};

struct SYSTEMTIME {
  WORD wYear = 0;
  WORD wMonth = 0;      // 1-12
  WORD wDayOfWeek = 0;  // 0 = Sunday
  WORD wDay = 0;
  WORD wHour = 0;
  WORD wMinute = 0;
  WORD wSecond = 0;
  WORD wMilliseconds = 0;
};

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};

// Milliseconds of the process clock; the 32-bit count wraps after 49.7 days.
DWORD GetTickCount();
ULONGLONG GetTickCount64();
// The performance counter counts microseconds: the frequency is 1,000,000.
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
void Sleep(DWORD ms);

void GetSystemTime(SYSTEMTIME* time);  // UTC
void GetLocalTime(SYSTEMTIME* time);   // in the process's time zone (TZ)
void GetSystemTimeAsFileTime(FILETIME* time);

// Conversions; FALSE with ERROR_INVALID_PARAMETER for a field out of range or
// a time before 1601 or after 30827.
BOOL SystemTimeToFileTime(const SYSTEMTIME* system_time, FILETIME* file_time);
BOOL FileTimeToSystemTime(const FILETIME* file_time, SYSTEMTIME* system_time);
BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc);
LONG CompareFileTime(const FILETIME* first, const FILETIME* second);

// Between Unix time (microseconds, or seconds plus nanoseconds) and FILETIME.
FILETIME FileTimeFromUnixMicros(int64_t unix_micros);
FILETIME FileTimeFromUnix(int64_t seconds, int64_t nanoseconds);
int64_t UnixMicrosFromFileTime(const FILETIME& time);

}  // namespace plat

#endif  // PLAT_CLOCK_H_
