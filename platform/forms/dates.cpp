// Dates and times: day arithmetic on the proleptic Gregorian calendar,
// ISO texts and FormatDateTime.
#include "plat/forms/dates.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "convert.h"
#include "plat/clock.h"
#include "plat/forms/exceptions.h"

namespace plat {

using forms::internal::ConvertOr;
using forms::internal::ConvertOrRaise;
namespace {

// Days from 1970-01-01 to a civil date, and back (era-based algorithm).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

// 1899-12-30 is day 0 of TDateTime.
constexpr int64_t kEpochShift = 25569;  // TDateTime of 1970-01-01

// Whole days and milliseconds of the day; the time part of a negative value
// counts forward from its midnight as well.
void Split(TDateTime value, int64_t& days, int64_t& ms) {
  double whole = std::trunc(value);
  int64_t total_ms = std::llround(std::fabs(value - whole) * MSecsPerDay);
  days = static_cast<int64_t>(whole);
  if (total_ms >= 86400000) {
    total_ms -= 86400000;
    days += value < 0 ? -1 : 1;
  }
  ms = total_ms;
}

bool ReadNumber(std::string_view text, size_t& i, int min_digits, int max_digits, int& out) {
  int value = 0, count = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9' && count < max_digits) {
    value = value * 10 + (text[i] - '0');
    ++i;
    ++count;
  }
  out = value;
  return count >= min_digits;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

bool ParseDate(std::string_view text, size_t& i, TDateTime& out) {
  int y = 0, m = 0, d = 0;
  if (!ReadNumber(text, i, 4, 4, y) || i >= text.size() || text[i++] != '-') return false;
  if (!ReadNumber(text, i, 1, 2, m) || i >= text.size() || text[i++] != '-') return false;
  if (!ReadNumber(text, i, 1, 2, d)) return false;
  return TryEncodeDate(y, m, d, out);
}

bool ParseTime(std::string_view text, size_t& i, TDateTime& out) {
  int h = 0, n = 0, s = 0, ms = 0;
  if (!ReadNumber(text, i, 1, 2, h) || i >= text.size() || text[i++] != ':') return false;
  if (!ReadNumber(text, i, 2, 2, n)) return false;
  if (i < text.size() && text[i] == ':') {
    ++i;
    if (!ReadNumber(text, i, 2, 2, s)) return false;
    if (i < text.size() && text[i] == '.') {
      ++i;
      if (!ReadNumber(text, i, 1, 3, ms)) return false;
    }
  }
  return TryEncodeTime(h, n, s, ms, out);
}

const char* const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
const char* const kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

std::string Pad(int value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  return buffer;
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  out = static_cast<double>(DaysFromCivil(year, month, day) + kEpochShift);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& out) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
      millisecond > 999) {
    return false;
  }
  out = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / MSecsPerDay;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime out = 0;
  if (!TryEncodeDate(year, month, day, out)) RaiseRes<EConvertError>(SDateEncodeError);
  return out;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  TDateTime out = 0;
  if (!TryEncodeTime(hour, minute, second, millisecond, out)) RaiseRes<EConvertError>(STimeEncodeError);
  return out;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  int64_t days = 0, ms = 0;
  Split(value, days, ms);
  CivilFromDays(days - kEpochShift, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond) {
  int64_t days = 0, ms = 0;
  Split(value, days, ms);
  hour = static_cast<int>(ms / 3600000);
  minute = static_cast<int>(ms / 60000 % 60);
  second = static_cast<int>(ms / 1000 % 60);
  millisecond = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime value) {
  int64_t days = 0, ms = 0;
  Split(value, days, ms);
  // Day 0 (1899-12-30) was a Saturday.
  int64_t w = (days + 6) % 7;
  if (w < 0) w += 7;
  return static_cast<int>(w) + 1;
}

TDateTime Now() {
  // The process clock, so tests on a virtual clock see their own time.
  SYSTEMTIME local;
  GetLocalTime(&local);
  return EncodeDate(local.wYear, local.wMonth, local.wDay) +
         EncodeTime(local.wHour, local.wMinute, std::min<int>(local.wSecond, 59), local.wMilliseconds);
}

TDateTime Date() { return std::trunc(Now()); }
TDateTime Time() {
  TDateTime now = Now();
  return now - std::trunc(now);
}

std::string DateToStr(TDateTime value) { return FormatDateTime("yyyy-mm-dd", value); }
std::string TimeToStr(TDateTime value) { return FormatDateTime("hh:nn:ss", value); }
std::string DateTimeToStr(TDateTime value) { return FormatDateTime("c", value); }

bool TryStrToDate(std::string_view text, TDateTime& out) {
  text = TrimBlanks(text);
  size_t i = 0;
  TDateTime value = 0;
  if (!ParseDate(text, i, value) || i != text.size()) return false;
  out = value;
  return true;
}

bool TryStrToTime(std::string_view text, TDateTime& out) {
  text = TrimBlanks(text);
  size_t i = 0;
  TDateTime value = 0;
  if (!ParseTime(text, i, value) || i != text.size()) return false;
  out = value;
  return true;
}

bool TryStrToDateTime(std::string_view text, TDateTime& out) {
  text = TrimBlanks(text);
  size_t i = 0;
  TDateTime date = 0, time = 0;
  if (!ParseDate(text, i, date)) return false;
  if (i < text.size()) {
    if (text[i] != ' ' && text[i] != 'T') return false;
    ++i;
    if (!ParseTime(text, i, time) || i != text.size()) return false;
  }
  out = date + time;
  return true;
}

TDateTime StrToDate(std::string_view text) { return ConvertOrRaise<TDateTime>(text, TryStrToDate, SInvalidDate); }

TDateTime StrToTime(std::string_view text) { return ConvertOrRaise<TDateTime>(text, TryStrToTime, SInvalidTime); }

TDateTime StrToDateTime(std::string_view text) {
  return ConvertOrRaise<TDateTime>(text, TryStrToDateTime, SInvalidDateTime);
}

TDateTime StrToDateDef(std::string_view text, TDateTime default_value) {
  return ConvertOr<TDateTime>(text, TryStrToDate, default_value);
}

TDateTime StrToTimeDef(std::string_view text, TDateTime default_value) {
  return ConvertOr<TDateTime>(text, TryStrToTime, default_value);
}

TDateTime StrToDateTimeDef(std::string_view text, TDateTime default_value) {
  return ConvertOr<TDateTime>(text, TryStrToDateTime, default_value);
}

std::string FormatDateTime(std::string_view format, TDateTime value) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, ms);
  auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
  auto run = [&](size_t i) {
    size_t n = 0;
    while (i + n < format.size() && lower(format[i + n]) == lower(format[i])) ++n;
    return n;
  };
  auto starts = [&](size_t i, std::string_view word) {
    if (format.size() - i < word.size()) return false;
    for (size_t k = 0; k < word.size(); ++k) {
      if (lower(format[i + k]) != word[k]) return false;
    }
    return true;
  };
  // After an "h", "m" means minutes.
  bool minutes_next = false;
  std::string out;
  size_t i = 0;
  while (i < format.size()) {
    char c = lower(format[i]);
    if (format[i] == '"' || format[i] == '\'') {
      size_t end = format.find(format[i], i + 1);
      if (end == std::string_view::npos) end = format.size();
      out.append(format.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    if (starts(i, "am/pm")) {
      if (format[i] == 'A') {
        out += hour < 12 ? "AM" : "PM";
      } else {
        out += hour < 12 ? "am" : "pm";
      }
      i += 5;
      continue;
    }
    size_t n = run(i);
    switch (c) {
      case 'y':
        out += n <= 2 ? Pad(year % 100, 2) : Pad(year, 4);
        break;
      case 'm':
        if (minutes_next && n <= 2) {
          out += n == 1 ? std::to_string(minute) : Pad(minute, 2);
        } else if (n >= 4) {
          out += kMonthNames[month - 1];
        } else if (n == 3) {
          out += std::string(kMonthNames[month - 1]).substr(0, 3);
        } else {
          out += n == 1 ? std::to_string(month) : Pad(month, 2);
        }
        break;
      case 'd':
        if (n >= 5) {
          out += FormatDateTime("yyyy-mm-dd", value);
        } else if (n == 4) {
          out += kDayNames[DayOfWeek(value) - 1];
        } else if (n == 3) {
          out += std::string(kDayNames[DayOfWeek(value) - 1]).substr(0, 3);
        } else {
          out += n == 1 ? std::to_string(day) : Pad(day, 2);
        }
        break;
      case 'h':
        out += n == 1 ? std::to_string(hour) : Pad(hour, 2);
        break;
      case 'n':
        out += n == 1 ? std::to_string(minute) : Pad(minute, 2);
        break;
      case 's':
        out += n == 1 ? std::to_string(second) : Pad(second, 2);
        break;
      case 'z':
        out += n >= 3 ? Pad(ms, 3) : std::to_string(ms);
        break;
      case 't':
        out += FormatDateTime(n >= 2 ? "hh:nn:ss" : "hh:nn", value);
        break;
      case 'c':
        out += FormatDateTime("yyyy-mm-dd", value);
        if (hour != 0 || minute != 0 || second != 0 || ms != 0) out += " " + FormatDateTime("hh:nn:ss", value);
        n = 1;
        break;
      case '/':
        out += '-';
        n = 1;
        break;
      default:
        out += format[i];
        n = 1;
        break;
    }
    if (c == 'h') minutes_next = true;
    if (c == 'm' || c == 'd' || c == 'y') minutes_next = false;
    i += n;
  }
  return out;
}

}  // namespace plat
