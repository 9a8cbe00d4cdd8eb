// BSTRs and VarFormat for dates (the automation
// "Format" function's date and time codes, US English).
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "KavroStd/platform/com.h"
#include "KavroStd/platform/oledate.h"
#include "platform/time/oledate_internal.h"

using kavro::platform::detail::DateParts;

// ---- BSTR ----
// The length in bytes sits in the four bytes before the text, as on
// Windows; the block starts eight bytes earlier to keep the text aligned.
namespace {
constexpr size_t kBstrHeader = 8;
}

extern "C" BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  if (length > (0xFFFFFFFFu - kBstrHeader) / sizeof(OLECHAR) - 1) return nullptr;
  size_t bytes = static_cast<size_t>(length) * sizeof(OLECHAR);
  char* block = static_cast<char*>(std::malloc(kBstrHeader + bytes + sizeof(OLECHAR)));
  if (!block) return nullptr;
  UINT byteLength = static_cast<UINT>(bytes);
  std::memcpy(block + kBstrHeader - sizeof(UINT), &byteLength, sizeof(UINT));
  BSTR out = reinterpret_cast<BSTR>(block + kBstrHeader);
  if (text) {
    std::memcpy(out, text, bytes);
  } else {
    std::memset(out, 0, bytes);
  }
  out[length] = 0;
  return out;
}

extern "C" BSTR SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(wcslen(text)));
}

extern "C" void SysFreeString(BSTR text) {
  if (text) std::free(reinterpret_cast<char*>(text) - kBstrHeader);
}

extern "C" UINT SysStringLen(BSTR text) {
  if (!text) return 0;
  UINT byteLength;
  std::memcpy(&byteLength, reinterpret_cast<char*>(text) - sizeof(UINT), sizeof(UINT));
  return byteLength / sizeof(OLECHAR);
}

// ---- VarFormat ----
namespace {

enum class Code {
  Literal, Day, Day2, DayName, DayNameFull, ShortDate, LongDate, Weekday, Week, Month, Month2,
  MonthName, MonthNameFull, Minute, Minute2, Quarter, DayOfYear, Year2, Year4, Hour, Hour2,
  Second, Second2, Time, General, AmPmUpper, AmPmLower, APUpper, APLower, AmPmLocale,
};

struct Piece {
  Code code;
  std::wstring text;  // literal text
};

// The number of times c (any case) repeats from p, counted up to the
// longest code (6).
size_t Run(const wchar_t* p, wchar_t c) {
  size_t n = 0;
  while (n < 6 && static_cast<wchar_t>(towlower(p[n])) == c) ++n;
  return n;
}

bool StartsWith(const wchar_t* p, const wchar_t* word) { return wcsncmp(p, word, wcslen(word)) == 0; }

void AddLiteral(std::vector<Piece>& pieces, const std::wstring& text) {
  if (!pieces.empty() && pieces.back().code == Code::Literal) {
    pieces.back().text += text;
  } else {
    pieces.push_back({Code::Literal, text});
  }
}

// Cuts a pattern into codes and literal text.
std::vector<Piece> ParsePattern(const wchar_t* p) {
  std::vector<Piece> pieces;
  while (*p) {
    static const struct { const wchar_t* word; Code code; } kMarkers[] = {
        {L"AM/PM", Code::AmPmUpper}, {L"am/pm", Code::AmPmLower}, {L"A/P", Code::APUpper},
        {L"a/p", Code::APLower},     {L"AMPM", Code::AmPmLocale}, {L"ampm", Code::AmPmLocale}};
    bool marked = false;
    for (const auto& marker : kMarkers) {
      if (StartsWith(p, marker.word)) {
        pieces.push_back({marker.code, L""});
        p += wcslen(marker.word);
        marked = true;
        break;
      }
    }
    if (marked) continue;
    wchar_t c = static_cast<wchar_t>(towlower(*p));
    size_t n = Run(p, c);
    if (*p == L'\\') {
      if (p[1]) AddLiteral(pieces, std::wstring(1, p[1]));
      p += p[1] ? 2 : 1;
    } else if (*p == L'"') {
      const wchar_t* close = wcschr(p + 1, L'"');
      const wchar_t* stop = close ? close : p + wcslen(p);
      AddLiteral(pieces, std::wstring(p + 1, stop));
      p = close ? close + 1 : stop;
    } else if (c == L'd') {
      static const Code kDays[] = {Code::Day, Code::Day2, Code::DayName, Code::DayNameFull, Code::ShortDate,
                                   Code::LongDate};
      size_t take = n > 6 ? 6 : n;
      pieces.push_back({kDays[take - 1], L""});
      p += take;
    } else if (c == L'w') {
      size_t take = n >= 2 ? 2 : 1;
      pieces.push_back({take == 2 ? Code::Week : Code::Weekday, L""});
      p += take;
    } else if (c == L'm') {
      static const Code kMonths[] = {Code::Month, Code::Month2, Code::MonthName, Code::MonthNameFull};
      size_t take = n > 4 ? 4 : n;
      pieces.push_back({kMonths[take - 1], L""});
      p += take;
    } else if (c == L'y') {
      size_t take = n >= 4 ? 4 : (n >= 2 ? 2 : 1);
      pieces.push_back({take == 4 ? Code::Year4 : take == 2 ? Code::Year2 : Code::DayOfYear, L""});
      p += take;
    } else if (c == L'h' || c == L'n' || c == L's') {
      size_t take = n >= 2 ? 2 : 1;
      Code one = c == L'h' ? Code::Hour : c == L'n' ? Code::Minute : Code::Second;
      Code two = c == L'h' ? Code::Hour2 : c == L'n' ? Code::Minute2 : Code::Second2;
      pieces.push_back({take == 2 ? two : one, L""});
      p += take;
    } else if (c == L'q') {
      pieces.push_back({Code::Quarter, L""});
      ++p;
    } else if (c == L't' && n >= 5) {
      pieces.push_back({Code::Time, L""});
      p += 5;
    } else if (c == L'c') {
      pieces.push_back({Code::General, L""});
      ++p;
    } else {
      AddLiteral(pieces, std::wstring(1, *p));  // ':' and '/' are the US separators themselves
      ++p;
    }
  }
  return pieces;
}

bool IsHour(Code c) { return c == Code::Hour || c == Code::Hour2; }
bool IsSecond(Code c) { return c == Code::Second || c == Code::Second2; }
bool IsMeridiem(Code c) { return c >= Code::AmPmUpper; }

// m and mm are minutes right after an hour code or right before a second
// code (literal text in between does not count).
void ResolveMinutes(std::vector<Piece>& pieces) {
  Code previous = Code::Literal;
  for (size_t i = 0; i < pieces.size(); ++i) {
    Code& code = pieces[i].code;
    if (code == Code::Literal) continue;
    if (code == Code::Month || code == Code::Month2) {
      Code next = Code::Literal;
      for (size_t k = i + 1; k < pieces.size() && next == Code::Literal; ++k) next = pieces[k].code;
      if (IsHour(previous) || IsSecond(next)) code = code == Code::Month ? Code::Minute : Code::Minute2;
    }
    previous = code;
  }
}

std::wstring Two(int value) { return value < 10 ? L"0" + std::to_wstring(value) : std::to_wstring(value); }

// Week of the year: week 1 holds 1 January (firstWeek 0 or 1), its first
// four-day week (2) or its first full week (3); weeks start on firstDay
// (1 Sunday to 7 Saturday, 0 Sunday).
int WeekOfYear(const DateParts& p, int firstDay, int firstWeek) {
  int start = firstDay >= 1 && firstDay <= 7 ? firstDay - 1 : 0;
  int jan1 = ((p.dayOfWeek - (p.dayOfYear - 1)) % 7 + 7) % 7;
  int offset = (jan1 - start + 7) % 7;  // days of week 1's first week before 1 January
  int week = (p.dayOfYear - 1 + offset) / 7 + 1;
  if (firstWeek == 2 && offset >= 4) --week;
  if (firstWeek == 3 && offset > 0) --week;
  return week < 1 ? 1 : week;
}

std::wstring Render(const std::vector<Piece>& pieces, const DateParts& p, int firstDay, int firstWeek) {
  bool twelveHour = false;
  for (const Piece& piece : pieces) twelveHour = twelveHour || IsMeridiem(piece.code);
  int hour = twelveHour ? (p.hour % 12 == 0 ? 12 : p.hour % 12) : p.hour;
  bool am = p.hour < 12;
  int start = firstDay >= 1 && firstDay <= 7 ? firstDay - 1 : 0;
  using kavro::platform::detail::MonthName;
  using kavro::platform::detail::WeekdayName;
  std::wstring out;
  for (const Piece& piece : pieces) {
    switch (piece.code) {
      case Code::Literal: out += piece.text; break;
      case Code::Day: out += std::to_wstring(p.day); break;
      case Code::Day2: out += Two(p.day); break;
      case Code::DayName: out += WeekdayName(p.dayOfWeek, true); break;
      case Code::DayNameFull: out += WeekdayName(p.dayOfWeek, false); break;
      case Code::ShortDate: out += kavro::platform::detail::ShortDateText(p); break;
      case Code::LongDate:
        out += std::wstring(WeekdayName(p.dayOfWeek, false)) + L", " + MonthName(p.month, false) + L" " +
               std::to_wstring(p.day) + L", " + std::to_wstring(p.year);
        break;
      case Code::Weekday: out += std::to_wstring((p.dayOfWeek - start + 7) % 7 + 1); break;
      case Code::Week: out += std::to_wstring(WeekOfYear(p, firstDay, firstWeek)); break;
      case Code::Month: out += std::to_wstring(p.month); break;
      case Code::Month2: out += Two(p.month); break;
      case Code::MonthName: out += MonthName(p.month, true); break;
      case Code::MonthNameFull: out += MonthName(p.month, false); break;
      case Code::Minute: out += std::to_wstring(p.minute); break;
      case Code::Minute2: out += Two(p.minute); break;
      case Code::Quarter: out += std::to_wstring((p.month - 1) / 3 + 1); break;
      case Code::DayOfYear: out += std::to_wstring(p.dayOfYear); break;
      case Code::Year2: out += Two(p.year % 100); break;
      case Code::Year4: out += std::to_wstring(p.year); break;
      case Code::Hour: out += std::to_wstring(hour); break;
      case Code::Hour2: out += Two(hour); break;
      case Code::Second: out += std::to_wstring(p.second); break;
      case Code::Second2: out += Two(p.second); break;
      case Code::Time: out += kavro::platform::detail::LongTimeText(p); break;
      case Code::General: out += kavro::platform::detail::GeneralDateText(p, 0); break;
      case Code::AmPmUpper:
      case Code::AmPmLocale: out += am ? L"AM" : L"PM"; break;
      case Code::AmPmLower: out += am ? L"am" : L"pm"; break;
      case Code::APUpper: out += am ? L"A" : L"P"; break;
      case Code::APLower: out += am ? L"a" : L"p"; break;
    }
  }
  return out;
}

// The DATE a variant stands for: S_OK, DISP_E_TYPEMISMATCH or the parser's
// result.
HRESULT DateOf(const VARIANT& value, DATE& date) {
  switch (value.vt) {
    case VT_DATE: date = value.date; return S_OK;
    case VT_R8: date = value.dblVal; return S_OK;
    case VT_R4: date = value.fltVal; return S_OK;
    case VT_I4: date = value.lVal; return S_OK;
    case VT_I2: date = value.iVal; return S_OK;
    case VT_BSTR:
      if (!value.bstrVal) return DISP_E_TYPEMISMATCH;
      return VarDateFromStr(value.bstrVal, LOCALE_USER_DEFAULT, 0, &date);
    default: return DISP_E_TYPEMISMATCH;
  }
}

}  // namespace

extern "C" HRESULT VarFormat(LPVARIANT value, LPOLESTR pattern, int firstDay, int firstWeek, ULONG flags,
                             BSTR* result) {
  (void)flags;
  if (!result) return E_INVALIDARG;
  *result = nullptr;
  if (!value) return E_INVALIDARG;
  std::wstring out;
  if (value->vt != VT_EMPTY && value->vt != VT_NULL) {
    DATE date = 0;
    HRESULT hr = DateOf(*value, date);
    if (FAILED(hr)) return hr;
    DateParts parts;
    if (!kavro::platform::detail::DateToParts(date, parts)) return DISP_E_OVERFLOW;
    std::vector<Piece> pieces = ParsePattern(pattern && *pattern ? pattern : L"c");
    ResolveMinutes(pieces);
    out = Render(pieces, parts, firstDay, firstWeek);
  }
  *result = SysAllocStringLen(out.data(), static_cast<UINT>(out.size()));
  return *result ? S_OK : E_OUTOFMEMORY;
}
