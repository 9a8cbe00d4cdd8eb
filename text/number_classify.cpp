// Classifiers for the tokens of an arithmetic expression and the test for a
// numeric constant.
#include <cmath>
#include <string>

#include "KavroStd/text.h"
#include "platform/strings/crt_internal.h"

int CStringOpr::IsOperator(wchar_t c) {
  return c == L'+' || c == L'-' || c == L'*' || c == L'/' || c == L'^' || c == L'%';
}

int CStringOpr::IsForeBracket(wchar_t c) { return c == L'(' || c == L'[' || c == L'{'; }

int CStringOpr::IsBackBracket(wchar_t c) { return c == L')' || c == L']' || c == L'}'; }

int CStringOpr::IsDerivative(wchar_t c) { return c == L'\'' || c == L'"'; }

namespace {

bool IsExponentLetter(wchar_t c) { return c == L'e' || c == L'E'; }
bool IsSign(wchar_t c) { return c == L'+' || c == L'-'; }

// The constant test on one text; *isInteger is written only on success.
bool IsConstantText(std::wstring s, bool* isInteger) {
  while (!s.empty() && (s.back() == L'\r' || s.back() == L'\n' || s.back() == L' ' || s.back() == L'\t'))
    s.pop_back();
  if (s.empty()) return false;
  size_t start = 0;
  int points = 0;
  if (!KvIswdigit(s[0])) {
    if (s.size() < 2) return false;
    if (s[0] == L'-' && s[1] != L'.') {
      start = 1;
    } else if (s[0] == L'.') {
      start = 1;
      points = 1;  // '.5' has its decimal point in front
    } else {
      return false;
    }
  }
  int exponents = 0;
  for (size_t i = s.size(); i-- > start;) {
    const wchar_t c = s[i];
    if (KvIswdigit(c)) continue;
    if (c == L'.') {
      ++points;
    } else if (IsExponentLetter(c)) {
      if (i + 1 >= s.size() || !IsSign(s[i + 1])) return false;
      ++exponents;
    } else if (IsSign(c)) {
      if (i == 0 || !IsExponentLetter(s[i - 1])) return false;
    } else {
      return false;
    }
  }
  if (points > 2 || exponents > 1) return false;
  if (exponents == 0) {
    // One decimal point at most in a plain number.
    if (points > 1) return false;
    if (isInteger) *isInteger = points == 0;
    return true;
  }
  size_t letter = s.find(L'e');
  if (letter == std::wstring::npos) letter = s.find(L'E');
  if (!IsConstantText(s.substr(0, letter), nullptr) || !IsConstantText(s.substr(letter + 2), nullptr))
    return false;
  if (isInteger) *isInteger = false;
  return true;
}

}  // namespace

int CStringOpr::IsConstant(const wchar_t* text, int& isInteger) {
  bool integer = false;
  if (!text || !IsConstantText(text, &integer)) return FALSE;
  isInteger = integer ? TRUE : FALSE;
  return TRUE;
}
