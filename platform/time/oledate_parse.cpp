// VarDateFromStr: the automation date parser, US English rules.
//
// The text is cut into numbers, words (month and weekday names, AM/PM) and
// separators. Numbers joined by ':' form the time (hour:minute[:second
// [.fraction]], optionally followed by AM or PM; a number followed by AM or
// PM alone is an hour). The other numbers, with at most one month name, form
// the date: year first when the first number has three or more digits or
// exceeds 31, else month/day/year (day/month/year when the month would be
// above 12).
#include <cwctype>
#include <ctime>
#include <string>
#include <vector>

#include "KavroStd/platform/oledate.h"
#include "platform/time/oledate_internal.h"

namespace {

enum class Kind { Number, Month, AmPm, Colon, DateSep };

struct Token {
  Kind kind;
  long long value = 0;  // the number, the month 1-12, or 1 for PM
  int digits = 0;
  bool used = false;
};

// Numbers with more digits are kept saturated: no field can be that large.
constexpr int kMaxDigits = 9;

bool MatchName(const std::wstring& word, const wchar_t* name) {
  std::wstring lower;
  for (const wchar_t* p = name; *p; ++p) lower += static_cast<wchar_t>(towlower(*p));
  if (word == lower) return true;
  return word.size() == 3 && lower.compare(0, 3, word) == 0;
}

// Classifies a word; false for a word that has no place in a date.
bool ClassifyWord(const std::wstring& word, std::vector<Token>& tokens) {
  for (int m = 1; m <= 12; ++m) {
    if (MatchName(word, kavro::platform::detail::MonthName(m, false)) || (m == 9 && word == L"sept")) {
      tokens.push_back({Kind::Month, m});
      return true;
    }
  }
  for (int d = 0; d < 7; ++d)
    if (MatchName(word, kavro::platform::detail::WeekdayName(d, false))) return true;  // ignored
  if (word == L"am" || word == L"a" || word == L"pm" || word == L"p") {
    tokens.push_back({Kind::AmPm, word[0] == L'p' ? 1 : 0});
    return true;
  }
  return false;
}

bool Tokenize(const wchar_t* text, std::vector<Token>& tokens) {
  for (const wchar_t* p = text; *p;) {
    wchar_t c = *p;
    if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L',') {
      ++p;
    } else if (c >= L'0' && c <= L'9') {
      Token t{Kind::Number};
      for (; *p >= L'0' && *p <= L'9'; ++p) {
        if (t.digits < kMaxDigits) t.value = t.value * 10 + (*p - L'0');
        ++t.digits;
      }
      tokens.push_back(t);
    } else if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z')) {
      std::wstring word;
      for (; (*p >= L'a' && *p <= L'z') || (*p >= L'A' && *p <= L'Z'); ++p)
        word += static_cast<wchar_t>(towlower(*p));
      if (word.size() > 16 || !ClassifyWord(word, tokens)) return false;
    } else if (c == L':') {
      tokens.push_back({Kind::Colon});
      ++p;
    } else if (c == L'-' || c == L'/' || c == L'.') {
      tokens.push_back({Kind::DateSep, c});
      ++p;
    } else {
      return false;
    }
  }
  return true;
}

bool IsNumber(const std::vector<Token>& t, size_t i) { return i < t.size() && t[i].kind == Kind::Number; }
bool Is(const std::vector<Token>& t, size_t i, Kind k) { return i < t.size() && t[i].kind == k; }

struct Clock {
  bool present = false;
  long long hour = 0, minute = 0, second = 0;
};

// Finds and consumes the time; false for a malformed or second time.
bool TakeTime(std::vector<Token>& t, Clock& clock) {
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i].kind != Kind::Number || t[i].used) continue;
    size_t end = i;
    long long fields[3] = {t[i].value, 0, 0};
    int count = 1;
    while (count < 3 && Is(t, end + 1, Kind::Colon) && IsNumber(t, end + 2)) {
      fields[count++] = t[end + 2].value;
      end += 2;
    }
    if (count == 3 && Is(t, end + 1, Kind::DateSep) && t[end + 1].value == L'.' && IsNumber(t, end + 2))
      end += 2;  // fraction of a second: dropped
    bool meridiem = Is(t, end + 1, Kind::AmPm);
    if (count == 1 && !meridiem) continue;
    if (clock.present) return false;
    if (Is(t, end + 1, Kind::Colon)) return false;  // "1:2:3:4"
    clock.present = true;
    clock.hour = fields[0];
    clock.minute = fields[1];
    clock.second = fields[2];
    if (meridiem) {
      if (clock.hour < 1 || clock.hour > 12) return false;
      clock.hour = clock.hour % 12 + (t[end + 1].value ? 12 : 0);
      ++end;
    }
    for (size_t k = i; k <= end; ++k) t[k].used = true;
    i = end;
  }
  return !clock.present || (clock.hour <= 23 && clock.minute <= 59 && clock.second <= 59);
}

int CurrentYear() {
  time_t now = time(nullptr);
  struct tm local;
  return localtime_r(&now, &local) ? local.tm_year + 1900 : 2000;
}

// A year as written: one or two digits are windowed to 1930-2029.
long long FullYear(const Token& t) {
  if (t.digits <= 2) return t.value < 30 ? 2000 + t.value : 1900 + t.value;
  return t.value;
}

bool LooksLikeYear(const Token& t) { return t.digits >= 3 || t.value > 31; }

struct Calendar {
  bool present = false;
  long long year = 1899, month = 12, day = 30;
};

// Reads the date from the tokens the time left; S_OK, DISP_E_TYPEMISMATCH
// or DISP_E_OVERFLOW.
HRESULT TakeDate(const std::vector<Token>& t, Calendar& date) {
  std::vector<Token> numbers;
  int monthName = 0;
  for (const Token& token : t) {
    if (token.used || token.kind == Kind::DateSep) continue;
    if (token.kind == Kind::Number) {
      numbers.push_back(token);
    } else if (token.kind == Kind::Month && !monthName) {
      monthName = static_cast<int>(token.value);
    } else {
      return DISP_E_TYPEMISMATCH;  // a stray AM/PM, colon or second month
    }
  }
  if (numbers.empty() && !monthName) return S_OK;
  if (numbers.size() > 3 || (monthName && numbers.size() > 2) || numbers.empty()) return DISP_E_TYPEMISMATCH;
  date.present = true;
  const Token* yearToken = nullptr;
  if (monthName) {
    date.month = monthName;
    if (numbers.size() == 1) {
      if (LooksLikeYear(numbers[0])) {
        yearToken = &numbers[0];
        date.day = 1;
      } else {
        date.day = numbers[0].value;
        date.year = CurrentYear();
      }
    } else {
      bool yearFirst = LooksLikeYear(numbers[0]);
      yearToken = &numbers[yearFirst ? 0 : 1];
      date.day = numbers[yearFirst ? 1 : 0].value;
    }
  } else if (numbers.size() == 3) {
    if (LooksLikeYear(numbers[0])) {
      yearToken = &numbers[0];
      date.month = numbers[1].value;
      date.day = numbers[2].value;
    } else {
      yearToken = &numbers[2];
      date.month = numbers[0].value;
      date.day = numbers[1].value;
      if (date.month > 12 && date.day <= 12) std::swap(date.month, date.day);
    }
  } else if (numbers.size() == 2) {
    if (LooksLikeYear(numbers[0]) || LooksLikeYear(numbers[1])) {
      bool yearFirst = LooksLikeYear(numbers[0]);
      yearToken = &numbers[yearFirst ? 0 : 1];
      date.month = numbers[yearFirst ? 1 : 0].value;
      date.day = 1;
    } else {
      date.month = numbers[0].value;
      date.day = numbers[1].value;
      date.year = CurrentYear();
      if (date.month > 12 && date.day <= 12) std::swap(date.month, date.day);
    }
  } else {
    return DISP_E_TYPEMISMATCH;  // one number alone is no date
  }
  if (yearToken) {
    date.year = FullYear(*yearToken);
    if (date.year < 100 || date.year > 9999) return DISP_E_OVERFLOW;
  }
  if (date.month < 1 || date.month > 12) return DISP_E_TYPEMISMATCH;
  if (date.day < 1 || date.day > kavro::platform::detail::DaysInMonth(static_cast<int>(date.year),
                                                                       static_cast<int>(date.month)))
    return DISP_E_TYPEMISMATCH;
  return S_OK;
}

}  // namespace

extern "C" HRESULT VarDateFromStr(LPCOLESTR text, LCID locale, ULONG flags, DATE* result) {
  (void)locale;
  if (!text || !result) return E_INVALIDARG;
  std::vector<Token> tokens;
  if (!Tokenize(text, tokens) || tokens.empty()) return DISP_E_TYPEMISMATCH;
  Clock clock;
  if (!TakeTime(tokens, clock)) return DISP_E_TYPEMISMATCH;
  Calendar date;
  HRESULT hr = TakeDate(tokens, date);
  if (FAILED(hr)) return hr;
  if (!date.present && !clock.present) return DISP_E_TYPEMISMATCH;
  if (flags & VAR_TIMEVALUEONLY) date = Calendar();
  if (flags & VAR_DATEVALUEONLY) clock = Clock();
  double value = 0;
  if (!kavro::platform::detail::PartsToDate(static_cast<int>(date.year), static_cast<int>(date.month),
                                            static_cast<int>(date.day), static_cast<int>(clock.hour),
                                            static_cast<int>(clock.minute), static_cast<int>(clock.second),
                                            value))
    return DISP_E_TYPEMISMATCH;
  *result = value;
  return S_OK;
}
