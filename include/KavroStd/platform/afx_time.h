/// @file
/// @ingroup platform_layer
/// File times and calendar times: the FILETIME / SYSTEMTIME conversions and
/// MFC's CTime, a point in time to the second.
///
///   CTime t(2024, 3, 5, 7, 4, 9);          // local 2024-03-05 07:04:09
///   t.GetYear();                           // 2024
///   CTime f(info.ftLastWriteTime);         // the file's instant
///   CString s = f.Format(L"%Y-%m-%d %H:%M:%S");
///
/// A FILETIME counts 100 ns ticks since 1 January 1601 (UTC unless a
/// function says local). SYSTEMTIME fields are those of the proleptic
/// Gregorian calendar. A CTime holds seconds since 1970 (UTC); its calendar
/// fields are local time.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <ctime>

#include "KavroStd/platform/cstring.h"
#include "KavroStd/platform/win_types.h"

/// The fields of a file time (day of week 0 = Sunday). FALSE with
/// ERROR_INVALID_PARAMETER for null pointers or a time of 2^63 ticks or more.
KVSTD_C_API BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);
/// The file time of the fields (wDayOfWeek is ignored). FALSE with
/// ERROR_INVALID_PARAMETER when a field is out of range (year 1601-30827,
/// month 1-12, the month's days, hour 0-23, minute and second 0-59,
/// milliseconds 0-999).
KVSTD_C_API BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime);
/// UTC to local and back with the time zone's offset in force now (so a
/// winter time converted in summer moves by the summer offset, as Windows
/// documents). FALSE with ERROR_INVALID_PARAMETER when the result would fall
/// outside the FILETIME range.
KVSTD_C_API BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
KVSTD_C_API BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime);
/// MS-DOS date and time (2-second steps, years 1980..2107) and FILETIME.
KVSTD_C_API BOOL DosDateTimeToFileTime(WORD fatDate, WORD fatTime, LPFILETIME fileTime);
KVSTD_C_API BOOL FileTimeToDosDateTime(const FILETIME* fileTime, LPWORD fatDate, LPWORD fatTime);

// Seconds since 1970, 64 bits on every build (the C library declares the
// name itself only where time_t is narrower).
#if !defined(__TIMESIZE) || __TIMESIZE == 64
typedef int64_t __time64_t;
#endif
static_assert(sizeof(__time64_t) == 8, "__time64_t is 64 bits");

class KVSTD_API CTime {
 public:
  static CTime GetCurrentTime();

  CTime() : m_time(0) {}
  CTime(__time64_t time) : m_time(time) {}
  /// Local calendar fields; dst < 0 lets the time zone decide daylight
  /// saving, 0 means standard time, > 0 daylight time. Throws
  /// CInvalidArgException* for fields out of range (year 1900-3000, month
  /// 1-12, day 1-31, hour 0-23, minute and second 0-59).
  CTime(int year, int month, int day, int hour, int minute, int second, int dst = -1);
  /// Local calendar fields; a year before 1900 gives the zero time.
  CTime(const SYSTEMTIME& time, int dst = -1);
  /// The instant of a UTC file time, exactly (dst is not used: the local
  /// fields follow the zone's rules at that instant); a time before 1900
  /// gives the zero time.
  CTime(const FILETIME& time, int dst = -1);

  __time64_t GetTime() const { return m_time; }
  /// Local calendar fields; GetDayOfWeek is 1 for Sunday to 7 for Saturday.
  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;
  int GetHour() const;
  int GetMinute() const;
  int GetSecond() const;
  int GetDayOfWeek() const;
  /// Local fields (milliseconds 0); FALSE when the time has no calendar form.
  BOOL GetAsSystemTime(SYSTEMTIME& time) const;
  /// strftime formats in the "C" locale, of the local or UTC fields.
  CString Format(LPCWSTR format) const;
  CString FormatGmt(LPCWSTR format) const;

  bool operator==(CTime other) const { return m_time == other.m_time; }
  bool operator!=(CTime other) const { return m_time != other.m_time; }
  bool operator<(CTime other) const { return m_time < other.m_time; }
  bool operator>(CTime other) const { return m_time > other.m_time; }
  bool operator<=(CTime other) const { return m_time <= other.m_time; }
  bool operator>=(CTime other) const { return m_time >= other.m_time; }

 private:
  __time64_t m_time;
};
