// COleDateTime and COleDateTimeSpan: values, fields, arithmetic on the
// linear day count, comparison and parsing.
#include <cmath>
#include <ctime>

#include "KavroStd/platform/oledate.h"
#include "platform/time/oledate_internal.h"

using kavro::platform::detail::DateFromLinear;
using kavro::platform::detail::DateParts;
using kavro::platform::detail::DateToParts;
using kavro::platform::detail::IsValidDate;
using kavro::platform::detail::LinearFromDate;
using kavro::platform::detail::PartsToDate;

namespace {

constexpr double kSecondsPerDay = 86400.0;
// Spans beyond this many days cannot be split into whole seconds.
constexpr double kLargestSpanDays = 1e12;

// Invalid beats null, null beats valid.
COleDateTimeSpan::DateTimeSpanStatus Combine(COleDateTimeSpan::DateTimeSpanStatus a,
                                             COleDateTimeSpan::DateTimeSpanStatus b) {
  if (a == COleDateTimeSpan::invalid || b == COleDateTimeSpan::invalid) return COleDateTimeSpan::invalid;
  if (a == COleDateTimeSpan::null || b == COleDateTimeSpan::null) return COleDateTimeSpan::null;
  return COleDateTimeSpan::valid;
}

COleDateTimeSpan MakeSpan(double days, COleDateTimeSpan::DateTimeSpanStatus status) {
  COleDateTimeSpan span(days);
  if (span.GetStatus() == COleDateTimeSpan::valid) span.SetStatus(status);
  return span;
}

// The span's whole seconds, rounded; 0 when it has none.
long long TotalSeconds(double span) {
  if (!std::isfinite(span) || std::fabs(span) > kLargestSpanDays) return 0;
  return std::llround(span * kSecondsPerDay);
}

}  // namespace

// ---- COleDateTimeSpan ----

COleDateTimeSpan::COleDateTimeSpan() : m_span(0), m_status(valid) {}

COleDateTimeSpan::COleDateTimeSpan(double days) : m_span(days), m_status(valid) {
  if (!std::isfinite(days)) m_status = invalid;
}

COleDateTimeSpan::COleDateTimeSpan(LONG days, int hours, int minutes, int seconds) {
  SetDateTimeSpan(days, hours, minutes, seconds);
}

void COleDateTimeSpan::SetDateTimeSpan(LONG days, int hours, int minutes, int seconds) {
  m_span = days + hours / 24.0 + minutes / (24.0 * 60) + seconds / kSecondsPerDay;
  m_status = valid;
}

LONG COleDateTimeSpan::GetDays() const { return static_cast<LONG>(TotalSeconds(m_span) / 86400); }
LONG COleDateTimeSpan::GetHours() const { return static_cast<LONG>(TotalSeconds(m_span) / 3600 % 24); }
LONG COleDateTimeSpan::GetMinutes() const { return static_cast<LONG>(TotalSeconds(m_span) / 60 % 60); }
LONG COleDateTimeSpan::GetSeconds() const { return static_cast<LONG>(TotalSeconds(m_span) % 60); }

COleDateTimeSpan& COleDateTimeSpan::operator=(double days) {
  *this = COleDateTimeSpan(days);
  return *this;
}

COleDateTimeSpan COleDateTimeSpan::operator+(const COleDateTimeSpan& other) const {
  return MakeSpan(m_span + other.m_span, Combine(m_status, other.m_status));
}

COleDateTimeSpan COleDateTimeSpan::operator-(const COleDateTimeSpan& other) const {
  return MakeSpan(m_span - other.m_span, Combine(m_status, other.m_status));
}

COleDateTimeSpan& COleDateTimeSpan::operator+=(const COleDateTimeSpan& other) {
  return *this = *this + other;
}

COleDateTimeSpan& COleDateTimeSpan::operator-=(const COleDateTimeSpan& other) {
  return *this = *this - other;
}

COleDateTimeSpan COleDateTimeSpan::operator-() const { return MakeSpan(-m_span, m_status); }

bool COleDateTimeSpan::operator==(const COleDateTimeSpan& other) const {
  if (m_status == valid && other.m_status == valid) return m_span == other.m_span;
  return m_status == null && other.m_status == null;
}

bool COleDateTimeSpan::operator<(const COleDateTimeSpan& other) const {
  return m_status == valid && other.m_status == valid && m_span < other.m_span;
}

bool COleDateTimeSpan::operator<=(const COleDateTimeSpan& other) const {
  return m_status == valid && other.m_status == valid && m_span <= other.m_span;
}

CString COleDateTimeSpan::Format(LPCWSTR pattern) const {
  CString out;
  if (m_status != valid || !pattern) return out;
  for (const wchar_t* p = pattern; *p; ++p) {
    if (*p != L'%' || !p[1]) {
      out += *p;
      continue;
    }
    switch (*++p) {
      case L'D': out.AppendFormat(L"%ld", GetDays()); break;
      case L'H': out.AppendFormat(L"%02ld", GetHours()); break;
      case L'M': out.AppendFormat(L"%02ld", GetMinutes()); break;
      case L'S': out.AppendFormat(L"%02ld", GetSeconds()); break;
      case L'%': out += L'%'; break;
      default:
        out += L'%';
        out += *p;
    }
  }
  return out;
}

// ---- COleDateTime ----

COleDateTime COleDateTime::GetCurrentTime() {
  DateParts parts;
  if (!kavro::platform::detail::LocalParts(static_cast<long long>(time(nullptr)), parts)) {
    COleDateTime bad;
    bad.SetStatus(invalid);
    return bad;
  }
  return COleDateTime(parts.year, parts.month, parts.day, parts.hour, parts.minute, parts.second);
}

COleDateTime::COleDateTime() : m_dt(0), m_status(valid) {}

COleDateTime::COleDateTime(DATE value) : m_dt(value), m_status(IsValidDate(value) ? valid : invalid) {}

COleDateTime::COleDateTime(int year, int month, int day, int hour, int minute, int second) {
  SetDateTime(year, month, day, hour, minute, second);
}

COleDateTime::COleDateTime(const SYSTEMTIME& time) { *this = time; }

COleDateTime& COleDateTime::operator=(DATE value) {
  m_dt = value;
  m_status = IsValidDate(value) ? valid : invalid;
  return *this;
}

COleDateTime& COleDateTime::operator=(const SYSTEMTIME& time) {
  SetDateTime(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
  return *this;
}

namespace {

// The fields of a valid date; false (fields untouched) otherwise.
bool ValidParts(const COleDateTime& date, DateParts& parts) {
  return date.GetStatus() == COleDateTime::valid && DateToParts(date.m_dt, parts);
}

}  // namespace

#define KV_DATE_FIELD(name, member)        \
  int COleDateTime::name() const {         \
    DateParts parts;                       \
    return ValidParts(*this, parts) ? (member) : -1; \
  }
KV_DATE_FIELD(GetYear, parts.year)
KV_DATE_FIELD(GetMonth, parts.month)
KV_DATE_FIELD(GetDay, parts.day)
KV_DATE_FIELD(GetHour, parts.hour)
KV_DATE_FIELD(GetMinute, parts.minute)
KV_DATE_FIELD(GetSecond, parts.second)
KV_DATE_FIELD(GetDayOfWeek, parts.dayOfWeek + 1)
KV_DATE_FIELD(GetDayOfYear, parts.dayOfYear)
#undef KV_DATE_FIELD

bool COleDateTime::GetAsSystemTime(SYSTEMTIME& time) const {
  DateParts p;
  if (!ValidParts(*this, p)) return false;
  time.wYear = static_cast<WORD>(p.year);
  time.wMonth = static_cast<WORD>(p.month);
  time.wDayOfWeek = static_cast<WORD>(p.dayOfWeek);
  time.wDay = static_cast<WORD>(p.day);
  time.wHour = static_cast<WORD>(p.hour);
  time.wMinute = static_cast<WORD>(p.minute);
  time.wSecond = static_cast<WORD>(p.second);
  time.wMilliseconds = 0;
  return true;
}

int COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
  double date = 0;
  if (PartsToDate(year, month, day, hour, minute, second, date)) {
    m_dt = date;
    m_status = valid;
    return 0;
  }
  m_dt = 0;
  m_status = invalid;
  return 1;
}

int COleDateTime::SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }

int COleDateTime::SetTime(int hour, int minute, int second) {
  return SetDateTime(1899, 12, 30, hour, minute, second);
}

bool COleDateTime::ParseDateTime(LPCWSTR text, DWORD flags, LCID locale) {
  if (!text) {
    m_dt = 0;
    m_status = valid;
    return true;
  }
  DATE parsed = 0;
  HRESULT hr = VarDateFromStr(text, locale, flags, &parsed);
  if (SUCCEEDED(hr)) {
    m_dt = parsed;
    m_status = valid;
    return true;
  }
  m_dt = hr == DISP_E_OVERFLOW ? -1 : 0;
  m_status = invalid;
  return false;
}

namespace {

COleDateTime::DateTimeStatus CombineDate(COleDateTime::DateTimeStatus date,
                                         COleDateTimeSpan::DateTimeSpanStatus span) {
  if (date == COleDateTime::invalid || date == COleDateTime::error || span == COleDateTimeSpan::invalid)
    return COleDateTime::invalid;
  if (date == COleDateTime::null || span == COleDateTimeSpan::null) return COleDateTime::null;
  return COleDateTime::valid;
}

COleDateTime Shifted(const COleDateTime& date, double days, COleDateTimeSpan::DateTimeSpanStatus span) {
  COleDateTime result;
  COleDateTime::DateTimeStatus status = CombineDate(date.GetStatus(), span);
  if (status != COleDateTime::valid) {
    result.SetStatus(status);
    return result;
  }
  return COleDateTime(DateFromLinear(LinearFromDate(date.m_dt) + days));
}

}  // namespace

COleDateTime COleDateTime::operator+(const COleDateTimeSpan& span) const {
  return Shifted(*this, span.m_span, span.GetStatus());
}

COleDateTime COleDateTime::operator-(const COleDateTimeSpan& span) const {
  return Shifted(*this, -span.m_span, span.GetStatus());
}

COleDateTime& COleDateTime::operator+=(const COleDateTimeSpan& span) { return *this = *this + span; }

COleDateTime& COleDateTime::operator-=(const COleDateTimeSpan& span) { return *this = *this - span; }

COleDateTimeSpan COleDateTime::operator-(const COleDateTime& other) const {
  COleDateTimeSpan result;
  COleDateTime::DateTimeStatus a = CombineDate(m_status, COleDateTimeSpan::valid);
  COleDateTime::DateTimeStatus b = CombineDate(other.m_status, COleDateTimeSpan::valid);
  if (a == invalid || b == invalid) {
    result.SetStatus(COleDateTimeSpan::invalid);
  } else if (a == null || b == null) {
    result.SetStatus(COleDateTimeSpan::null);
  } else {
    result = COleDateTimeSpan(LinearFromDate(m_dt) - LinearFromDate(other.m_dt));
  }
  return result;
}

bool COleDateTime::operator==(const COleDateTime& other) const {
  if (m_status == valid && other.m_status == valid) return LinearFromDate(m_dt) == LinearFromDate(other.m_dt);
  return m_status == null && other.m_status == null;
}

#define KV_DATE_ORDER(op)                                                   \
  bool COleDateTime::operator op(const COleDateTime& other) const {        \
    return m_status == valid && other.m_status == valid &&                  \
           LinearFromDate(m_dt) op LinearFromDate(other.m_dt);              \
  }
KV_DATE_ORDER(<)
KV_DATE_ORDER(>)
KV_DATE_ORDER(<=)
KV_DATE_ORDER(>=)
#undef KV_DATE_ORDER
