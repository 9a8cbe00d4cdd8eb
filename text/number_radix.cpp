// Conversions between binary, decimal, hexadecimal and column-letter texts,
// in the 32-bit arithmetic of the Windows long.
#include <algorithm>
#include <cmath>
#include <string>

#include "KavroStd/text.h"
#include "text/number_internal.h"

using kavro::text::TruncateToInt32;
using kavro::text::WrappingAdd;
using kavro::text::WrappingMultiply;

namespace {

int HexDigitValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// The runtime's wcstoul with base 16 on a 32-bit unsigned long: blanks, a
// sign and "0x" may lead; reading stops at the first other character; an
// overflow gives 0xFFFFFFFF, a "-" negates the value.
uint32_t ReadHex32(const wchar_t* s) {
  while (*s == L' ' || (*s >= L'\t' && *s <= L'\r')) ++s;
  bool negative = false;
  if (*s == L'+' || *s == L'-') negative = *s++ == L'-';
  if (s[0] == L'0' && (s[1] == L'x' || s[1] == L'X') && HexDigitValue(s[2]) >= 0) s += 2;
  uint64_t value = 0;
  bool overflow = false;
  for (int d; (d = HexDigitValue(*s)) >= 0; ++s) {
    value = value * 16 + static_cast<uint64_t>(d);
    if (value > 0xFFFFFFFFu) {
      overflow = true;
      value = 0xFFFFFFFFu;
    }
  }
  if (overflow) return 0xFFFFFFFFu;
  uint32_t result = static_cast<uint32_t>(value);
  return negative ? 0u - result : result;
}

CString FormatLong(LONG value) {
  CString text;
  text.Format(L"%ld", value);
  return text;
}

}  // namespace

CString CStringOpr::BinToDec(CString bin) {
  // Bits 32 places or more from the end fall outside the 32-bit sum.
  uint32_t sum = 0;
  const int length = bin.GetLength();
  for (int k = 0; k < 32 && k < length; ++k)
    if (bin[length - 1 - k] != L'0') sum |= uint32_t{1} << k;
  return FormatLong(static_cast<LONG>(sum));
}

CString CStringOpr::DecToBin(CString dec) {
  // A negative number is written as its 32-bit two's complement.
  uint32_t value = static_cast<uint32_t>(_wtol(dec));
  std::wstring digits;
  do {
    digits.push_back(value % 2 ? L'1' : L'0');
    value /= 2;
  } while (value);
  while (digits.size() % 4) digits.push_back(L'0');
  std::reverse(digits.begin(), digits.end());
  return CString(digits);
}

CString CStringOpr::BinToHex(CString bin) {
  CString text;
  text.Format(L"%X", _wtol(BinToDec(bin)));
  return text;
}

CString CStringOpr::DecToHex(CString dec) {
  CString text;
  text.Format(L"%X", _wtol(dec));
  return text;
}

CString CStringOpr::HexToDec(CString hex) { return FormatLong(static_cast<LONG>(ReadHex32(hex))); }

CString CStringOpr::HexToBin(CString hex) { return DecToBin(HexToDec(hex)); }

CString CStringOpr::DecToA2Z(CString dec) {
  // Bijective base 26. Wide arithmetic keeps 2 - n positive for every
  // 32-bit n.
  int64_t n = _wtol(dec);
  if (n < 1) n = 2 - n;
  std::wstring letters;
  for (;;) {
    const int64_t d = n - 1;
    letters.push_back(static_cast<wchar_t>(L'A' + d % 26));
    const int64_t q = d / 26;
    if (q <= 0) break;
    n = q;
  }
  std::reverse(letters.begin(), letters.end());
  return CString(letters);
}

CString CStringOpr::A2ZToDec(CString letters) {
  letters.MakeUpper();
  const int length = letters.GetLength();
  int32_t sum = 0;
  for (int k = 0; k < length; ++k) {
    const int32_t code = static_cast<int32_t>(letters[length - 1 - k]) - 64;
    const int32_t power = TruncateToInt32(std::pow(26.0, k));
    sum = WrappingAdd(sum, WrappingMultiply(code, power));
  }
  CString text;
  text.Format(L"%d", sum);
  return text;
}
