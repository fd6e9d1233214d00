// Dates and times as TDateTime: days since 1899-12-30, the time of day as
// the fraction. Texts use ISO forms ("2024-05-17", "13:05:09",
// "2024-05-17 13:05:09"); a text that does not convert raises EConvertError.
#ifndef PLAT_FORMS_DATES_H_
#define PLAT_FORMS_DATES_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

using TDateTime = double;

constexpr double MSecsPerDay = 86400000.0;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// Year 1..9999; EConvertError for a date or time that does not exist.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& out);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime value);

// The local clock of the process.
TDateTime Now();
TDateTime Date();
TDateTime Time();

std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);
// The date alone when the time is midnight, as the date-time read back.
std::string DateTimeToStr(TDateTime value);
TDateTime StrToDate(std::string_view text);
TDateTime StrToTime(std::string_view text);  // "hh:nn" or "hh:nn:ss"
// A date, optionally followed by a blank (or "T") and a time.
TDateTime StrToDateTime(std::string_view text);
TDateTime StrToDateDef(std::string_view text, TDateTime default_value);
TDateTime StrToTimeDef(std::string_view text, TDateTime default_value);
TDateTime StrToDateTimeDef(std::string_view text, TDateTime default_value);
bool TryStrToDate(std::string_view text, TDateTime& out);
bool TryStrToTime(std::string_view text, TDateTime& out);
bool TryStrToDateTime(std::string_view text, TDateTime& out);

// Format tokens: yyyy yy m mm mmm mmmm d dd ddd dddd h hh n nn s ss z zzz
// am/pm, c (date and time), ddddd (date), t/tt (time); "/" and ":" are the
// date ("-") and time (":") separators; text in quotes is copied.
std::string FormatDateTime(std::string_view format, TDateTime value);

}  // namespace plat

#endif  // PLAT_FORMS_DATES_H_
