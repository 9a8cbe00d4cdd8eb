// Support for CString: conversions with the ANSI code page, case mapping and
// case-blind comparison.
#include <locale.h>
#include <wctype.h>

#include <cstring>

#include "KavroStd/platform/codepage.h"
#include "KavroStd/platform/cstring.h"
#include "platform/strings/codepage_internal.h"
#include "platform/strings/locale_internal.h"

namespace kavro::platform {

locale_t UnicodeLocale() {
  static locale_t loc = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (!l) l = newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(0));
    if (!l) l = newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
    return l;
  }();
  return loc;
}

locale_t NumericLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return loc;
}

std::wstring AnsiToWide(const char* text, size_t length) {
  std::wstring out;
  if (text && length) DecodeBytes(CP_ACP, text, length, out, false);
  return out;
}

std::string WideToAnsi(const wchar_t* text, size_t length) {
  std::string out;
  if (text && length) EncodeWide(CP_ACP, text, length, out, nullptr, nullptr);
  return out;
}

wchar_t ToUpper(wchar_t c) {
  if (c < 0x80) return (c >= L'a' && c <= L'z') ? c - 32 : c;
  return static_cast<wchar_t>(towupper_l(static_cast<wint_t>(c), UnicodeLocale()));
}

wchar_t ToLower(wchar_t c) {
  if (c < 0x80) return (c >= L'A' && c <= L'Z') ? c + 32 : c;
  return static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), UnicodeLocale()));
}

int CompareNoCase(const wchar_t* a, size_t na, const wchar_t* b, size_t nb) {
  size_t n = na < nb ? na : nb;
  for (size_t i = 0; i < n; ++i) {
    wchar_t ca = ToLower(a[i]), cb = ToLower(b[i]);
    if (ca != cb) return static_cast<uint32_t>(ca) < static_cast<uint32_t>(cb) ? -1 : 1;
  }
  return na == nb ? 0 : (na < nb ? -1 : 1);
}

int CompareNoCase(const char* a, size_t na, const char* b, size_t nb) {
  size_t n = na < nb ? na : nb;
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    if (ca >= 'A' && ca <= 'Z') ca += 32;
    if (cb >= 'A' && cb <= 'Z') cb += 32;
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return na == nb ? 0 : (na < nb ? -1 : 1);
}

int Collate(const wchar_t* a, const wchar_t* b) {
  int r = wcscoll_l(a, b, UnicodeLocale());
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int Collate(const char* a, const char* b) {
  int r = strcmp(a, b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

bool IsSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

}  // namespace kavro::platform
