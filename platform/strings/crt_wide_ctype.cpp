// The wide character classes beyond letters, digits and lower case (those are
// in crt_ctype.cpp): ASCII as the "C" locale, other characters by their
// Unicode class, whatever locale the process has set.
#include <wctype.h>

#include "KavroStd/platform/crt_wide.h"
#include "KavroStd/platform/cstring.h"
#include "platform/strings/locale_internal.h"

namespace {

bool NotACharacter(wint_t c) { return c == WEOF || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF); }

// An ASCII character answers by the "C" rule, another by its Unicode class.
template <typename Ascii>
int Classify(wint_t c, Ascii ascii, int (*unicode)(wint_t, locale_t)) {
  if (c < 0x80) return ascii(static_cast<unsigned>(c)) ? 1 : 0;
  if (NotACharacter(c)) return 0;
  return unicode(c, kavro::platform::UnicodeLocale()) != 0;
}

bool AsciiPunct(unsigned c) {
  return c > 0x20 && c < 0x7F && !((c | 0x20) >= 'a' && (c | 0x20) <= 'z') && !(c >= '0' && c <= '9');
}

}  // namespace

extern "C" int KvIswupper(wint_t c) {
  return Classify(c, [](unsigned a) { return a >= 'A' && a <= 'Z'; }, iswupper_l);
}
extern "C" int KvIswspace(wint_t c) {
  return Classify(c, [](unsigned a) { return a == ' ' || (a >= '\t' && a <= '\r'); }, iswspace_l);
}
extern "C" int KvIswpunct(wint_t c) { return Classify(c, AsciiPunct, iswpunct_l); }
extern "C" int KvIswprint(wint_t c) {
  return Classify(c, [](unsigned a) { return a >= 0x20 && a < 0x7F; }, iswprint_l);
}
extern "C" int KvIswgraph(wint_t c) {
  return Classify(c, [](unsigned a) { return a > 0x20 && a < 0x7F; }, iswgraph_l);
}
extern "C" int KvIswcntrl(wint_t c) {
  return Classify(c, [](unsigned a) { return a < 0x20 || a == 0x7F; }, iswcntrl_l);
}
extern "C" int KvIswblank(wint_t c) {
  return Classify(c, [](unsigned a) { return a == ' ' || a == '\t'; }, iswblank_l);
}
extern "C" int KvIswalnum(wint_t c) { return KvIswalpha(c) || KvIswdigit(c); }
extern "C" int KvIswxdigit(wint_t c) {
  return c < 0x80 && ((c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'));
}

extern "C" wint_t KvTowupper(wint_t c) {
  return NotACharacter(c) ? c : static_cast<wint_t>(kavro::platform::ToUpper(static_cast<wchar_t>(c)));
}
extern "C" wint_t KvTowlower(wint_t c) {
  return NotACharacter(c) ? c : static_cast<wint_t>(kavro::platform::ToLower(static_cast<wchar_t>(c)));
}
