// COleDateTime::Format: the strftime codes of the Windows runtime in the
// "C" locale, and the general US English form.
#include <string>

#include "KavroStd/platform/oledate.h"
#include "platform/time/oledate_internal.h"

using kavro::platform::detail::DateParts;

namespace {

// The Windows runtime formats into a buffer of this many characters and
// gives nothing when the result does not fit.
constexpr size_t kFormatBuffer = 256;
const wchar_t kInvalidText[] = L"Invalid DateTime";

// Decimal of value in at least width digits; '#' drops the leading zeros.
std::wstring Padded(int value, int width, bool noZeros) {
  std::wstring digits = std::to_wstring(value);
  if (!noZeros && digits.size() < static_cast<size_t>(width)) digits.insert(0, width - digits.size(), L'0');
  return digits;
}

int Hour12(int hour) { return hour % 12 == 0 ? 12 : hour % 12; }

// Week of the year with weeks starting on firstDay (0 Sunday, 1 Monday);
// days before the first such day are in week 0.
int WeekNumber(const DateParts& p, int firstDay) {
  int weekday = (p.dayOfWeek - firstDay + 7) % 7;
  return (p.dayOfYear - 1 + 7 - weekday) / 7;
}

// The text of one code (the character after '%' and its '#' flag); false
// for a code the runtime does not know.
bool AppendCode(std::wstring& out, wchar_t code, bool alt, const DateParts& p) {
  switch (code) {
    case L'a': out += kavro::platform::detail::WeekdayName(p.dayOfWeek, true); break;
    case L'A': out += kavro::platform::detail::WeekdayName(p.dayOfWeek, false); break;
    case L'b': out += kavro::platform::detail::MonthName(p.month, true); break;
    case L'B': out += kavro::platform::detail::MonthName(p.month, false); break;
    case L'c':
      if (alt) {
        AppendCode(out, L'x', true, p);
        out += L", ";
      } else {
        AppendCode(out, L'x', false, p);
        out += L' ';
      }
      AppendCode(out, L'X', false, p);
      break;
    case L'd': out += Padded(p.day, 2, alt); break;
    case L'H': out += Padded(p.hour, 2, alt); break;
    case L'I': out += Padded(Hour12(p.hour), 2, alt); break;
    case L'j': out += Padded(p.dayOfYear, 3, alt); break;
    case L'm': out += Padded(p.month, 2, alt); break;
    case L'M': out += Padded(p.minute, 2, alt); break;
    case L'p': out += p.hour < 12 ? L"AM" : L"PM"; break;
    case L'S': out += Padded(p.second, 2, alt); break;
    case L'U': out += Padded(WeekNumber(p, 0), 2, alt); break;
    case L'w': out += std::to_wstring(p.dayOfWeek); break;
    case L'W': out += Padded(WeekNumber(p, 1), 2, alt); break;
    case L'x':
      if (alt) {
        out += kavro::platform::detail::WeekdayName(p.dayOfWeek, false);
        out += L", ";
        out += kavro::platform::detail::MonthName(p.month, false);
        out += L' ' + Padded(p.day, 2, false) + L", " + std::to_wstring(p.year);
      } else {
        out += Padded(p.month, 2, false) + L'/' + Padded(p.day, 2, false) + L'/' + Padded(p.year % 100, 2, false);
      }
      break;
    case L'X':
      out += Padded(p.hour, 2, false) + L':' + Padded(p.minute, 2, false) + L':' + Padded(p.second, 2, false);
      break;
    case L'y': out += Padded(p.year % 100, 2, alt); break;
    case L'Y': out += Padded(p.year, 4, alt); break;
    case L'%': out += L'%'; break;
    default: return false;
  }
  return true;
}

}  // namespace

CString COleDateTime::Format(LPCWSTR pattern) const {
  if (m_status == null || !pattern) return CString();
  DateParts parts;
  if (m_status != valid || !kavro::platform::detail::DateToParts(m_dt, parts)) return CString(kInvalidText);
  std::wstring out;
  for (const wchar_t* p = pattern; *p; ++p) {
    if (*p != L'%') {
      out += *p;
      continue;
    }
    const wchar_t* start = p;
    bool alt = p[1] == L'#';
    if (alt) ++p;
    if (!p[1] || !AppendCode(out, p[1], alt, parts)) {
      out.append(start, p + 1);  // unknown code: as it stands
      continue;
    }
    ++p;
  }
  if (out.size() >= kFormatBuffer) out.clear();
  return CString(out.c_str());
}

CString COleDateTime::Format(DWORD flags, LCID locale) const {
  (void)locale;
  if (m_status == null) return CString();
  DateParts parts;
  if (m_status != valid || !kavro::platform::detail::DateToParts(m_dt, parts)) return CString(kInvalidText);
  return CString(kavro::platform::detail::GeneralDateText(parts, flags).c_str());
}
