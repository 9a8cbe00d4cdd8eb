/// @file
/// @ingroup platform_layer
/// Automation dates: COleDateTime, COleDateTimeSpan, the automation date
/// parser and formatter (VarDateFromStr, VarFormat) with the few variant and
/// BSTR pieces they take, and the clock (GetLocalTime, GetSystemTime).
///
///   COleDateTime t(2024, 3, 5, 7, 4, 9);
///   t.Format(L"%Y-%m-%d %H:%M:%S");            // "2024-03-05 07:04:09"
///   t += COleDateTimeSpan(0, 1, 45, 0);        // 08:49:09
///   t.ParseDateTime(L"2024-03-05 23:30:00");   // TRUE, status valid
///
/// A DATE counts days since 30 December 1899 00:00, the time of day as the
/// fraction. Before that day the day part is negative and the fraction still
/// counts forward from midnight: -1.25 is 29 December 1899 06:00. Arithmetic
/// and comparison work on the linear count behind that form. The calendar is
/// the proleptic Gregorian one; valid dates run from 1 January 100 to
/// 31 December 9999. A date built from a value outside that range, from NaN
/// or an infinity, or from fields out of their ranges has the status invalid
/// (never undefined behaviour); its fields then read as -1. Clock fields are
/// taken to the nearest second.
///
/// Texts are formatted and parsed as in the "C" locale with US English names
/// and order, whatever the host's locale: Format(pattern) takes strftime codes
/// (%Y %m %d %H %M %S %y %b %B %a %A %j %p %I %w %x %X %c %U %W %%, and the
/// '#' flag dropping leading zeros); an unknown code is copied as it stands.
/// As on Windows the result of Format(pattern) is cut off to nothing when it
/// would exceed 255 characters. The parser reads the forms "2024-03-05",
/// "2024/3/5", "3/5/2024", "5 March 2024", "March 5, 2024", "23:30", "23:30:00",
/// "7:04:09 PM" and a date followed by a time; two-digit years 00-29 are
/// 2000-2029 and 30-99 are 1930-1999.
///
/// Objects are values; nothing is shared. Meant for the host's main thread
/// like the rest of the library, though nothing here keeps state.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/cstring.h"
#include "KavroStd/platform/win_types.h"

typedef double DATE;
typedef LONG HRESULT;
typedef DWORD LCID;
typedef WCHAR OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
typedef OLECHAR* BSTR;
typedef unsigned short VARTYPE;

#ifndef S_OK
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define E_POINTER ((HRESULT)0x80004003L)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#endif
#ifndef DISP_E_TYPEMISMATCH
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005L)
#define DISP_E_OVERFLOW ((HRESULT)0x8002000AL)
#endif

#define LANG_USER_DEFAULT ((LCID)0x0400)
#define LOCALE_USER_DEFAULT ((LCID)0x0400)
#define LOCALE_SYSTEM_DEFAULT ((LCID)0x0800)
#define LOCALE_NOUSEROVERRIDE 0x80000000
// Flags of VarDateFromStr and COleDateTime::ParseDateTime / Format.
#define VAR_TIMEVALUEONLY ((DWORD)0x00000001)
#define VAR_DATEVALUEONLY ((DWORD)0x00000002)

// ---- Variants and BSTRs: the part the date functions take ----
/// A BSTR is a wide text allocated by SysAllocString and released with
/// SysFreeString; it carries its length, so it may hold NULs.
KVSTD_C_API BSTR SysAllocString(const OLECHAR* text);
/// A BSTR of length units copied from text (zero-filled when text is null);
/// null when out of memory.
KVSTD_C_API BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
KVSTD_C_API void SysFreeString(BSTR text);
KVSTD_C_API UINT SysStringLen(BSTR text);

enum VARENUM {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_RESERVED = 0x8000,
  VT_TYPEMASK = 0x0FFF,
};

struct IUnknown;
struct IDispatch;
struct SAFEARRAY;
struct VARIANT;

/// The variant record. VariantClear (oleauto.h) releases what it holds: a
/// BSTR, an interface or an array; a VT_BYREF variant only points at its
/// value and owns nothing.
struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONG lVal;
    SHORT iVal;
    BYTE bVal;
    CHAR cVal;
    USHORT uiVal;
    ULONG ulVal;
    INT intVal;
    UINT uintVal;
    float fltVal;
    double dblVal;
    short boolVal;
    DATE date;
    BSTR bstrVal;
    LONGLONG llVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    SAFEARRAY* parray;
    LONG scode;
    // VT_BYREF: the address of the value.
    void* byref;
    BYTE* pbVal;
    SHORT* piVal;
    LONG* plVal;
    float* pfltVal;
    double* pdblVal;
    short* pboolVal;
    LONG* pscode;
    DATE* pdate;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    SAFEARRAY** pparray;
    VARIANT* pvarVal;
  };
};
typedef VARIANT* LPVARIANT;
KVSTD_C_API void VariantInit(VARIANT* v);
KVSTD_C_API HRESULT VariantClear(VARIANT* v);

/// Parses a date and/or time text (forms above) into *result. S_OK;
/// DISP_E_TYPEMISMATCH for a text that is not a date; DISP_E_OVERFLOW for a
/// date outside the valid range (year above 9999 or below 100 when written
/// with three or more digits); E_INVALIDARG for null pointers. The locale is
/// ignored ("C" rules always). VAR_DATEVALUEONLY drops the time,
/// VAR_TIMEVALUEONLY the date.
KVSTD_C_API HRESULT VarDateFromStr(LPCOLESTR text, LCID locale, ULONG flags, DATE* result);

/// Formats a date variant (VT_DATE; VT_R8, VT_R4, VT_I4, VT_I2 taken as a
/// DATE; VT_BSTR parsed first) with an automation date pattern, codes not
/// case-sensitive: d dd ddd dddd ddddd dddddd, w ww, m mm mmm mmmm (m and mm
/// are the minute after an hour code or before a second code), q, y yy yyyy,
/// h hh, n nn, s ss, ttttt, c, AM/PM am/pm A/P a/p AMPM, "/" and ":" as
/// separators, \x and "text" as literals; every other character is copied.
/// "YYYY-M-D H:M:S" gives "2024-3-5 7:4:9". A null or empty pattern gives the
/// general form (as c). *result receives a new BSTR the caller frees. S_OK;
/// E_INVALIDARG for null pointers; DISP_E_TYPEMISMATCH for another variant
/// type or an unparsable text; DISP_E_OVERFLOW for a date outside the valid
/// range; E_OUTOFMEMORY.
KVSTD_C_API HRESULT VarFormat(LPVARIANT value, LPOLESTR pattern, int firstDay, int firstWeek,
                              ULONG flags, BSTR* result);

/// The clock, local and UTC, with milliseconds and day of the week.
KVSTD_C_API void GetLocalTime(LPSYSTEMTIME time);
KVSTD_C_API void GetSystemTime(LPSYSTEMTIME time);

class COleDateTime;

/// A length of time in days (the fraction is the part of a day), with a status.
class KVSTD_API COleDateTimeSpan {
 public:
  enum DateTimeSpanStatus { valid = 0, invalid = 1, null = 2 };

  COleDateTimeSpan();                      ///< 0, valid
  COleDateTimeSpan(double days);           ///< NaN or infinity: invalid
  COleDateTimeSpan(LONG days, int hours, int minutes, int seconds);

  void SetDateTimeSpan(LONG days, int hours, int minutes, int seconds);
  void SetStatus(DateTimeSpanStatus status) { m_status = status; }
  DateTimeSpanStatus GetStatus() const { return m_status; }

  double GetTotalDays() const { return m_span; }
  double GetTotalHours() const { return m_span * 24; }
  double GetTotalMinutes() const { return m_span * 24 * 60; }
  double GetTotalSeconds() const { return m_span * 24 * 60 * 60; }
  /// The parts of the span taken to the nearest second, each with the span's
  /// sign: 1.5 days and 1 second gives 1, 12, 0, 1.
  LONG GetDays() const;
  LONG GetHours() const;
  LONG GetMinutes() const;
  LONG GetSeconds() const;
  operator double() const { return m_span; }

  COleDateTimeSpan& operator=(double days);
  /// Invalid when either side is invalid, null when either is null.
  COleDateTimeSpan operator+(const COleDateTimeSpan& other) const;
  COleDateTimeSpan operator-(const COleDateTimeSpan& other) const;
  COleDateTimeSpan& operator+=(const COleDateTimeSpan& other);
  COleDateTimeSpan& operator-=(const COleDateTimeSpan& other);
  COleDateTimeSpan operator-() const;

  bool operator==(const COleDateTimeSpan& other) const;
  bool operator!=(const COleDateTimeSpan& other) const { return !(*this == other); }
  bool operator<(const COleDateTimeSpan& other) const;
  bool operator>(const COleDateTimeSpan& other) const { return other < *this; }
  bool operator<=(const COleDateTimeSpan& other) const;
  bool operator>=(const COleDateTimeSpan& other) const { return other <= *this; }

  /// "%D" days, "%H" hours, "%M" minutes, "%S" seconds (two digits), "%%".
  /// Empty for a status other than valid.
  CString Format(LPCWSTR pattern) const;

  double m_span;
  DateTimeSpanStatus m_status;
};

/// A point in time as an automation DATE with a status.
class KVSTD_API COleDateTime {
 public:
  enum DateTimeStatus { error = -1, valid = 0, invalid = 1, null = 2 };

  /// The local time now, to the second.
  static COleDateTime GetCurrentTime();

  COleDateTime();                          ///< 0 (30 Dec 1899 00:00), valid
  COleDateTime(DATE value);                ///< out of range, NaN: invalid
  COleDateTime(int year, int month, int day, int hour, int minute, int second);
  COleDateTime(const SYSTEMTIME& time);

  COleDateTime& operator=(DATE value);
  COleDateTime& operator=(const SYSTEMTIME& time);

  DateTimeStatus GetStatus() const { return m_status; }
  void SetStatus(DateTimeStatus status) { m_status = status; }
  operator DATE() const { return m_dt; }

  /// Each field of a valid date; -1 when the date is not valid. GetDayOfWeek
  /// is 1 for Sunday to 7; GetDayOfYear 1 to 366.
  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;
  int GetHour() const;
  int GetMinute() const;
  int GetSecond() const;
  int GetDayOfWeek() const;
  int GetDayOfYear() const;
  /// FALSE (time untouched) when the date is not valid.
  bool GetAsSystemTime(SYSTEMTIME& time) const;

  /// 0 on success; 1 with the status invalid (value 0) when a field is out of
  /// range (year 100-9999, month 1-12, the month's days, hour 0-23, minute and
  /// second 0-59). SetTime sets the time on day 0 (30 Dec 1899).
  int SetDateTime(int year, int month, int day, int hour, int minute, int second);
  int SetDate(int year, int month, int day);
  int SetTime(int hour, int minute, int second);

  /// Parses text with VarDateFromStr. On success TRUE, valid. On failure
  /// FALSE and invalid, the value 0 for a text that is not a date and -1 for
  /// a date out of range. A null text sets the value 0, valid, and is TRUE.
  bool ParseDateTime(LPCWSTR text, DWORD flags = 0, LCID locale = LANG_USER_DEFAULT);

  /// The US English general form: "3/5/2024 7:04:09 AM"; the date alone when
  /// the time is midnight, the time alone on day 0; VAR_DATEVALUEONLY and
  /// VAR_TIMEVALUEONLY select one part. Empty when null; "Invalid DateTime"
  /// when invalid.
  CString Format(DWORD flags = 0, LCID locale = LANG_USER_DEFAULT) const;
  /// strftime codes as described at the top. Empty when null (or the pattern
  /// is null); "Invalid DateTime" when invalid.
  CString Format(LPCWSTR pattern) const;

  /// Date plus or minus span on the linear day count. The result is invalid
  /// when either side is invalid or the result leaves the valid range, null
  /// when either side is null.
  COleDateTime operator+(const COleDateTimeSpan& span) const;
  COleDateTime operator-(const COleDateTimeSpan& span) const;
  COleDateTime& operator+=(const COleDateTimeSpan& span);
  COleDateTime& operator-=(const COleDateTimeSpan& span);
  /// The span between two dates (invalid or null as above).
  COleDateTimeSpan operator-(const COleDateTime& other) const;

  /// Valid dates compare in time order; == of dates that are not both valid
  /// compares their status, and the order operators are false for them.
  bool operator==(const COleDateTime& other) const;
  bool operator!=(const COleDateTime& other) const { return !(*this == other); }
  bool operator<(const COleDateTime& other) const;
  bool operator>(const COleDateTime& other) const;
  bool operator<=(const COleDateTime& other) const;
  bool operator>=(const COleDateTime& other) const;

  DATE m_dt;
  DateTimeStatus m_status;
};
