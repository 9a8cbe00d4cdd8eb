// Character classes with the Windows runtime's meaning, independent of the
// process's locale: wide classes through the Unicode locale, narrow ones as
// the "C" locale's ASCII tables.
#include <wctype.h>

#include "KavroStd/platform/crt.h"
#include "platform/strings/crt_internal.h"
#include "platform/strings/locale_internal.h"

namespace {

bool IsAsciiLetter(unsigned c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(unsigned c) { return c >= '0' && c <= '9'; }
// Code points a wint_t may carry that are not characters.
bool OutsideUnicode(wint_t c) { return c == WEOF || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF); }

}  // namespace

extern "C" int KvIswalpha(wint_t c) {
  if (c < 0x80) return IsAsciiLetter(c);
  if (OutsideUnicode(c)) return 0;
  return iswalpha_l(c, kavro::platform::UnicodeLocale()) != 0;
}

extern "C" int KvIswdigit(wint_t c) { return IsAsciiDigit(c); }

extern "C" int KvIswlower(wint_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z';
  if (OutsideUnicode(c)) return 0;
  return iswlower_l(c, kavro::platform::UnicodeLocale()) != 0;
}

extern "C" int KvIsalpha(int byte) { return IsAsciiLetter(static_cast<unsigned char>(byte)); }

extern "C" int KvIsdigit(int byte) { return IsAsciiDigit(static_cast<unsigned char>(byte)); }

extern "C" int KvIspunct(int byte) {
  unsigned c = static_cast<unsigned char>(byte);
  return c > 0x20 && c < 0x7F && !IsAsciiLetter(c) && !IsAsciiDigit(c);
}
