// The calendar arithmetic behind the automation DATE, shared by the date
// classes, the parser and the formatters.
#pragma once

#include <string>

#include "KavroStd/platform/oledate.h"

namespace kavro::platform::detail {

// Calendar fields of a DATE, to the nearest second.
struct DateParts {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int dayOfWeek = 6;  // 0 = Sunday
  int dayOfYear = 364;  // 1 to 366
  long long dayNumber = 0;  // whole days from 30 Dec 1899 (the calendar day)
};

// The fields of date; false for NaN, infinities and dates outside
// 1 Jan 100 00:00:00 to 31 Dec 9999 23:59:59 (after rounding).
bool DateToParts(double date, DateParts& parts);
// The DATE of the fields; false when one is out of range (year 100-9999,
// month 1-12, the month's days, hour 0-23, minute and second 0-59).
bool PartsToDate(int year, int month, int day, int hour, int minute, int second, double& date);
// Days from 1 Jan 1970 of a proleptic Gregorian date (any year).
constexpr long long DaysFromCivil(long long y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The date of a day count from 1 Jan 1970 (inverse of DaysFromCivil).
inline void CivilFromDays(long long z, long long& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = yoe + era * 400;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y += m <= 2;
}

// Days in month of year (0 for a month out of 1-12).
int DaysInMonth(int year, int month);
// The linear day count of a DATE (negative dates count their fraction
// backwards there) and back.
double LinearFromDate(double date);
double DateFromLinear(double linear);
// True when date is a valid DATE (DateToParts would succeed).
bool IsValidDate(double date);

// US English names.
const wchar_t* MonthName(int month, bool abbreviated);
const wchar_t* WeekdayName(int dayOfWeek, bool abbreviated);

// "3/5/2024", "7:04:09 AM" and the general form "3/5/2024 7:04:09 AM" (date
// alone at midnight, time alone on day 0), as VarBstrFromDate writes them
// for US English.
std::wstring ShortDateText(const DateParts& parts);
std::wstring LongTimeText(const DateParts& parts);
std::wstring GeneralDateText(const DateParts& parts, DWORD flags);

// The local time of a Unix time, as fields of a DATE.
bool LocalParts(long long unixTime, DateParts& parts);

}  // namespace kavro::platform::detail
