// FILETIME and SYSTEMTIME conversions and CTime.
#include <ctime>
#include <locale.h>

#include <string>

#include "KavroStd/platform/afx_time.h"
#include "KavroStd/platform/win_errors.h"
#include "platform/time/oledate_internal.h"
#include "platform/fs/path_internal.h"

namespace {

using kavro::platform::detail::CivilFromDays;
using kavro::platform::detail::DaysFromCivil;
using kavro::platform::detail::DaysInMonth;

constexpr long long kTicksPerSecond = 10000000LL;
constexpr long long kTicksPerDay = 86400LL * kTicksPerSecond;
constexpr long long kDays1601To1970 = -DaysFromCivil(1601, 1, 1);
constexpr long long kSeconds1601To1970 = kDays1601To1970 * 86400LL;

unsigned long long TicksOf(const FILETIME& ft) {
  return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME FileTimeOf(unsigned long long ticks) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}

// The local zone's offset from UTC now, in seconds east.
long long OffsetNow() {
  time_t now = time(nullptr);
  struct tm local;
  if (!localtime_r(&now, &local)) return 0;
  return local.tm_gmtoff;
}

BOOL Shift(const FILETIME* from, LPFILETIME to, long long seconds) {
  if (!from || !to) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  long long ticks = static_cast<long long>(TicksOf(*from));
  long long delta = seconds * kTicksPerSecond;
  if (ticks < 0 || (delta < 0 && ticks < -delta) || (delta > 0 && ticks > INT64_MAX - delta)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *to = FileTimeOf(static_cast<unsigned long long>(ticks + delta));
  return TRUE;
}

bool LocalTm(__time64_t t, struct tm& out) {
  time_t value = static_cast<time_t>(t);
  return localtime_r(&value, &out) != nullptr;
}

CString FormatTm(const struct tm& fields, LPCWSTR format) {
  if (!format || !*format) return CString();
  std::string pattern = kavro::platform::ToUtf8(format, wcslen(format));
  static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  std::string out(256 + pattern.size() * 8, '\0');
  size_t n = strftime_l(&out[0], out.size(), pattern.c_str(), &fields, cLocale);
  out.resize(n);
  return CString(kavro::platform::FromUtf8(out.data(), out.size()));
}

}  // namespace

extern "C" BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime) {
  if (!fileTime || !systemTime || (fileTime->dwHighDateTime & 0x80000000u)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  unsigned long long ticks = TicksOf(*fileTime);
  long long days = static_cast<long long>(ticks / kTicksPerDay);
  unsigned long long rest = ticks % kTicksPerDay;
  long long year;
  int month, day;
  CivilFromDays(days - kDays1601To1970, year, month, day);
  systemTime->wYear = static_cast<WORD>(year);
  systemTime->wMonth = static_cast<WORD>(month);
  systemTime->wDay = static_cast<WORD>(day);
  // 1 January 1601 was a Monday.
  systemTime->wDayOfWeek = static_cast<WORD>((days + 1) % 7);
  systemTime->wHour = static_cast<WORD>(rest / (3600ULL * kTicksPerSecond));
  systemTime->wMinute = static_cast<WORD>(rest / (60ULL * kTicksPerSecond) % 60);
  systemTime->wSecond = static_cast<WORD>(rest / kTicksPerSecond % 60);
  systemTime->wMilliseconds = static_cast<WORD>(rest / 10000ULL % 1000);
  return TRUE;
}

extern "C" BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME fileTime) {
  if (!st || !fileTime || st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 ||
      st->wMonth > 12 || st->wDay < 1 || st->wDay > DaysInMonth(st->wYear, st->wMonth) ||
      st->wHour > 23 || st->wMinute > 59 || st->wSecond > 59 || st->wMilliseconds > 999) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  long long days = DaysFromCivil(st->wYear, st->wMonth, st->wDay) + kDays1601To1970;
  long long seconds = days * 86400LL + st->wHour * 3600LL + st->wMinute * 60LL + st->wSecond;
  *fileTime = FileTimeOf(static_cast<unsigned long long>(seconds * kTicksPerSecond +
                                                         st->wMilliseconds * 10000LL));
  return TRUE;
}

extern "C" BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
  return Shift(fileTime, localFileTime, OffsetNow());
}

extern "C" BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime) {
  return Shift(localFileTime, fileTime, -OffsetNow());
}

CTime CTime::GetCurrentTime() { return CTime(static_cast<__time64_t>(time(nullptr))); }

CTime::CTime(int year, int month, int day, int hour, int minute, int second, int dst) {
  if (year < 1900 || year > 3000 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 ||
      hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
    AfxThrowInvalidArgException();
  struct tm fields = {};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  fields.tm_isdst = dst < 0 ? -1 : (dst > 0 ? 1 : 0);
  time_t value = mktime(&fields);
  if (value == static_cast<time_t>(-1) && !(fields.tm_year == 69 && fields.tm_mon == 11))
    AfxThrowInvalidArgException();
  m_time = value;
}

CTime::CTime(const SYSTEMTIME& time, int dst) : m_time(0) {
  if (time.wYear < 1900) return;
  *this = CTime(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond, dst);
}

CTime::CTime(const FILETIME& time, int) : m_time(0) {
  unsigned long long ticks = TicksOf(time);
  if (ticks & (1ULL << 63)) return;
  long long seconds = static_cast<long long>(ticks / kTicksPerSecond) - kSeconds1601To1970;
  if (seconds < DaysFromCivil(1900, 1, 1) * 86400LL) return;
  m_time = seconds;
}

namespace {

// The local calendar fields of a CTime (all zero when it has none).
kavro::platform::detail::DateParts Fields(__time64_t t) {
  kavro::platform::detail::DateParts parts;
  if (!kavro::platform::detail::LocalParts(t, parts)) {
    parts = kavro::platform::detail::DateParts();
    parts.year = parts.month = parts.day = 0;
    parts.dayOfWeek = -1;
  }
  return parts;
}

}  // namespace

int CTime::GetYear() const { return Fields(m_time).year; }
int CTime::GetMonth() const { return Fields(m_time).month; }
int CTime::GetDay() const { return Fields(m_time).day; }
int CTime::GetHour() const { return Fields(m_time).hour; }
int CTime::GetMinute() const { return Fields(m_time).minute; }
int CTime::GetSecond() const { return Fields(m_time).second; }
int CTime::GetDayOfWeek() const { return Fields(m_time).dayOfWeek + 1; }

BOOL CTime::GetAsSystemTime(SYSTEMTIME& time) const {
  kavro::platform::detail::DateParts p = Fields(m_time);
  if (p.year < 1601) return FALSE;
  SYSTEMTIME out = {static_cast<WORD>(p.year), static_cast<WORD>(p.month), static_cast<WORD>(p.dayOfWeek),
                    static_cast<WORD>(p.day),  static_cast<WORD>(p.hour),  static_cast<WORD>(p.minute),
                    static_cast<WORD>(p.second), 0};
  time = out;
  return TRUE;
}

CString CTime::Format(LPCWSTR format) const {
  struct tm t;
  return LocalTm(m_time, t) ? FormatTm(t, format) : CString();
}

CString CTime::FormatGmt(LPCWSTR format) const {
  struct tm t;
  time_t value = static_cast<time_t>(m_time);
  return gmtime_r(&value, &t) ? FormatTm(t, format) : CString();
}
