// CTokenizer: delimiter-separated tokens read as text, numbers or truth
// values.
#include <cfloat>
#include <cmath>
#include <utility>

#include "KavroStd/text.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The index after the blanks and the sign that lead text.
int NumberStart(const CString& text) {
  int i = 0, n = text.GetLength();
  while (i < n && IsBlank(text[i])) ++i;
  if (i < n && (text[i] == L'+' || text[i] == L'-')) ++i;
  return i;
}

// True when text begins with an integer as "%d" reads one.
bool BeginsWithInteger(const CString& text) {
  int i = NumberStart(text);
  return i < text.GetLength() && IsDigit(text[i]);
}

// The length of the decimal number that leads text as "%lg" reads it (sign,
// digits with one point, exponent); 0 when none does.
int DecimalPrefix(const CString& text) {
  int n = text.GetLength();
  int i = NumberStart(text);
  int digits = 0;
  while (i < n && IsDigit(text[i])) ++i, ++digits;
  if (i < n && text[i] == L'.') {
    ++i;
    while (i < n && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < n && (text[i] == L'e' || text[i] == L'E')) {
    int e = i + 1;
    if (e < n && (text[e] == L'+' || text[e] == L'-')) ++e;
    if (e < n && IsDigit(text[e])) {
      while (e < n && IsDigit(text[e])) ++e;
      i = e;
    }
  }
  return i;
}

// The token with ',' read as '.', converted; false when it holds no number.
bool ReadDecimal(CString token, double& value) {
  token.Replace(L",", L".");
  int length = DecimalPrefix(token);
  if (length == 0) return false;
  value = _wtof(token.Left(length));
  return true;
}

// The index of the first delimiter at or after from, or length.
int DelimiterAt(const wchar_t* text, int from, int length, const wchar_t* delimiters, int count) {
  if (count == 1) {
    const wchar_t d = delimiters[0];
    for (int i = from; i < length; ++i)
      if (text[i] == d) return i;
    return length;
  }
  for (int i = from; i < length; ++i)
    for (int k = 0; k < count; ++k)
      if (text[i] == delimiters[k]) return i;
  return length;
}

}  // namespace

CTokenizer::CTokenizer() : m_nPosition(0) {}

CTokenizer::CTokenizer(CString text, CString delimiters)
    : m_strText(std::move(text)), m_strDelimiters(std::move(delimiters)), m_nPosition(0) {}

CTokenizer::CTokenizer(const CTokenizer& other) = default;

CTokenizer& CTokenizer::operator=(const CTokenizer& other) = default;

CTokenizer::~CTokenizer() {}

CString CTokenizer::Next() {
  const int length = m_strText.GetLength();
  const int start = m_nPosition;
  if (start >= length) {
    m_nPosition = length;
    return CString();
  }
  const wchar_t* text = m_strText.GetString();
  const int end = DelimiterAt(text, start, length, m_strDelimiters.GetString(), m_strDelimiters.GetLength());
  m_nPosition = end < length ? end + 1 : length;
  return CString(text + start, end - start);
}

CString CTokenizer::NextString(int quoted, CString defaultValue) {
  const int length = m_strText.GetLength();
  if (m_nPosition >= length) return defaultValue;
  if (!quoted) return Next();
  int open = m_strText.Find(L'"', m_nPosition);
  if (open < 0) {
    m_nPosition = length;
    return CString();
  }
  int close = m_strText.Find(L'"', open + 1);
  CString token = close < 0 ? m_strText.Mid(open + 1) : m_strText.Mid(open + 1, close - open - 1);
  m_nPosition = close < 0 ? length : close + 1;
  // Whatever follows the closing quote up to the next delimiter is dropped.
  if (m_nPosition < length) Next();
  return token;
}

int CTokenizer::NextInt(int defaultValue) {
  CString token = Next();
  return BeginsWithInteger(token) ? _wtoi(token) : defaultValue;
}

LONG CTokenizer::NextLong(LONG defaultValue) {
  CString token = Next();
  return BeginsWithInteger(token) ? _wtol(token) : defaultValue;
}

float CTokenizer::NextFloat(float defaultValue) {
  double value = 0;
  if (!ReadDecimal(Next(), value)) return defaultValue;
  // Out of float's range the scan gives an infinity.
  if (std::fabs(value) > FLT_MAX) return value < 0 ? -HUGE_VALF : HUGE_VALF;
  return static_cast<float>(value);
}

double CTokenizer::NextDouble(double defaultValue) {
  double value = 0;
  return ReadDecimal(Next(), value) ? value : defaultValue;
}

int CTokenizer::NextBool(int defaultValue) {
  CString token = Next();
  if (BeginsWithInteger(token)) return _wtoi(token) != 0 ? TRUE : FALSE;
  if (token.CompareNoCase(L"true") == 0) return TRUE;
  if (token.CompareNoCase(L"false") == 0) return FALSE;
  return defaultValue;
}

int CTokenizer::HasMoreTokens() { return m_nPosition < m_strText.GetLength() ? TRUE : FALSE; }

void CTokenizer::SetDelimiter(CString delimiters) { m_strDelimiters = delimiters; }

void CTokenizer::SetString(CString text) {
  m_strText = text;
  m_nPosition = 0;
}
