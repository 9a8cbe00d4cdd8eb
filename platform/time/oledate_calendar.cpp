// Calendar arithmetic of the automation DATE: days since 30 December 1899,
// the proleptic Gregorian calendar, rounding to the second.
#include <cmath>
#include <ctime>

#include "platform/time/oledate_internal.h"

namespace kavro::platform::detail {
namespace {

constexpr long long kSecondsPerDay = 86400;
// The DATE range's bounds with room for the fraction; values beyond these
// are rejected before any integer conversion.
constexpr double kLowestDate = -657435.0;
constexpr double kHighestDate = 2958466.0;

bool IsLeap(long long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

constexpr long long kEpochDays = DaysFromCivil(1899, 12, 30);

std::wstring Number(int value) { return std::to_wstring(value); }

std::wstring TwoDigits(int value) {
  std::wstring text = std::to_wstring(value);
  return text.size() < 2 ? L"0" + text : text;
}

}  // namespace

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

bool DateToParts(double date, DateParts& parts) {
  if (!std::isfinite(date) || date < kLowestDate || date > kHighestDate) return false;
  double whole = std::trunc(date);
  long long dayNumber = static_cast<long long>(whole);
  long long seconds = std::llround(std::fabs(date - whole) * kSecondsPerDay);
  if (seconds >= kSecondsPerDay) {  // rounded up into the next calendar day
    seconds -= kSecondsPerDay;
    ++dayNumber;
  }
  long long year;
  int month, day;
  CivilFromDays(kEpochDays + dayNumber, year, month, day);
  if (year < 100 || year > 9999) return false;
  parts.year = static_cast<int>(year);
  parts.month = month;
  parts.day = day;
  parts.hour = static_cast<int>(seconds / 3600);
  parts.minute = static_cast<int>(seconds / 60 % 60);
  parts.second = static_cast<int>(seconds % 60);
  // 1 Jan 1970 was a Thursday (4).
  long long unixDays = kEpochDays + dayNumber;
  parts.dayOfWeek = static_cast<int>(((unixDays % 7) + 7 + 4) % 7);
  parts.dayOfYear = static_cast<int>(unixDays - DaysFromCivil(year, 1, 1) + 1);
  parts.dayNumber = dayNumber;
  return true;
}

bool PartsToDate(int year, int month, int day, int hour, int minute, int second, double& date) {
  if (year < 100 || year > 9999 || month < 1 || month > 12) return false;
  if (day < 1 || day > DaysInMonth(year, month)) return false;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return false;
  long long dayNumber = DaysFromCivil(year, month, day) - kEpochDays;
  double fraction = (hour * 3600.0 + minute * 60.0 + second) / kSecondsPerDay;
  date = dayNumber >= 0 ? static_cast<double>(dayNumber) + fraction
                        : static_cast<double>(dayNumber) - fraction;
  return true;
}

double LinearFromDate(double date) {
  if (date >= 0 || !std::isfinite(date)) return date;
  double whole = std::ceil(date);
  return whole - (date - whole);
}

double DateFromLinear(double linear) {
  if (linear >= 0 || !std::isfinite(linear)) return linear;
  double whole = std::floor(linear);
  return whole + (whole - linear);
}

bool IsValidDate(double date) {
  DateParts parts;
  return DateToParts(date, parts);
}

const wchar_t* MonthName(int month, bool abbreviated) {
  static const wchar_t* const kFull[] = {L"January", L"February", L"March",     L"April",
                                         L"May",     L"June",     L"July",      L"August",
                                         L"September", L"October", L"November", L"December"};
  static const wchar_t* const kShort[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                          L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
  if (month < 1 || month > 12) return L"";
  return abbreviated ? kShort[month - 1] : kFull[month - 1];
}

const wchar_t* WeekdayName(int dayOfWeek, bool abbreviated) {
  static const wchar_t* const kFull[] = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                         L"Thursday", L"Friday", L"Saturday"};
  static const wchar_t* const kShort[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
  if (dayOfWeek < 0 || dayOfWeek > 6) return L"";
  return abbreviated ? kShort[dayOfWeek] : kFull[dayOfWeek];
}

std::wstring ShortDateText(const DateParts& p) {
  return Number(p.month) + L"/" + Number(p.day) + L"/" + Number(p.year);
}

std::wstring LongTimeText(const DateParts& p) {
  int hour12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
  return Number(hour12) + L":" + TwoDigits(p.minute) + L":" + TwoDigits(p.second) +
         (p.hour < 12 ? L" AM" : L" PM");
}

std::wstring GeneralDateText(const DateParts& p, DWORD flags) {
  if (flags & VAR_DATEVALUEONLY) return ShortDateText(p);
  if (flags & VAR_TIMEVALUEONLY) return LongTimeText(p);
  bool midnight = p.hour == 0 && p.minute == 0 && p.second == 0;
  if (p.dayNumber == 0) return LongTimeText(p);
  if (midnight) return ShortDateText(p);
  return ShortDateText(p) + L" " + LongTimeText(p);
}

bool LocalParts(long long unixTime, DateParts& parts) {
  time_t t = static_cast<time_t>(unixTime);
  struct tm local;
  if (!localtime_r(&t, &local)) return false;
  double date;
  if (!PartsToDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                   local.tm_sec > 59 ? 59 : local.tm_sec, date))
    return false;
  return DateToParts(date, parts);
}

}  // namespace kavro::platform::detail
