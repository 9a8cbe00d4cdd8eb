// The Windows C runtime's wide helpers.
#include "KavroStd/platform/crt.h"

#include <climits>
#include <cstdlib>
#include <cwchar>
#include <cwctype>

#include "KavroStd/platform/cstring.h"
#include "platform/strings/crt_internal.h"
#include "platform/strings/locale_internal.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

// Reads an optional sign and decimal digits, saturating at the limits.
LONGLONG ParseInteger(const wchar_t* s, LONGLONG lo, LONGLONG hi) {
  if (!s) return 0;
  while (IsBlank(*s)) ++s;
  bool negative = false;
  if (*s == L'+' || *s == L'-') negative = *s++ == L'-';
  unsigned long long value = 0;
  const unsigned long long limit = negative ? static_cast<unsigned long long>(-(lo + 1)) + 1
                                            : static_cast<unsigned long long>(hi);
  bool overflow = false;
  for (; *s >= L'0' && *s <= L'9'; ++s) {
    if (overflow) continue;
    value = value * 10 + static_cast<unsigned>(*s - L'0');
    if (value > limit) overflow = true;
  }
  if (overflow) return negative ? lo : hi;
  return negative ? -static_cast<LONGLONG>(value) : static_cast<LONGLONG>(value);
}

thread_local wchar_t* t_tokenPosition = nullptr;

size_t CopyPart(wchar_t* out, size_t capacity, const wchar_t* from, size_t n) {
  if (!out) return 0;
  if (n >= capacity) n = capacity - 1;
  wmemcpy(out, from, n);
  out[n] = 0;
  return n;
}

}  // namespace

extern "C" int _wtoi(const wchar_t* s) { return static_cast<int>(ParseInteger(s, INT_MIN, INT_MAX)); }
extern "C" LONG _wtol(const wchar_t* s) { return static_cast<LONG>(ParseInteger(s, INT_MIN, INT_MAX)); }
extern "C" LONGLONG _wtoi64(const wchar_t* s) { return ParseInteger(s, LLONG_MIN, LLONG_MAX); }

extern "C" double _wtof(const wchar_t* s) {
  if (!s) return 0.0;
  return wcstod_l(s, nullptr, kavro::platform::NumericLocale());
}

extern "C" int _wcsicmp(const wchar_t* a, const wchar_t* b) {
  return kavro::platform::CompareNoCase(a, wcslen(a), b, wcslen(b));
}

extern "C" int _wcsnicmp(const wchar_t* a, const wchar_t* b, size_t n) {
  size_t na = wcsnlen(a, n), nb = wcsnlen(b, n);
  return kavro::platform::CompareNoCase(a, na, b, nb);
}

wchar_t* wcstok(wchar_t* text, const wchar_t* delimiters) {
  wchar_t* p = text ? text : t_tokenPosition;
  if (!p || !delimiters) return nullptr;
  p += wcsspn(p, delimiters);
  if (!*p) {
    t_tokenPosition = p;
    return nullptr;
  }
  wchar_t* end = p + wcscspn(p, delimiters);
  if (*end) {
    *end = 0;
    t_tokenPosition = end + 1;
  } else {
    t_tokenPosition = end;
  }
  return p;
}

namespace kavro::platform {

void SplitPath(const wchar_t* path, std::wstring* drive, std::wstring* dir, std::wstring* fname,
               std::wstring* ext) {
  if (!path) path = L"";
  const wchar_t* p = path;
  if (p[0] && p[1] == L':') {
    if (drive) drive->assign(p, 2);
    p += 2;
  } else if (drive) {
    drive->clear();
  }
  // The folder runs to the last separator; the extension starts at the last
  // dot after it.
  const wchar_t* lastSep = nullptr;
  const wchar_t* lastDot = nullptr;
  for (const wchar_t* q = p; *q; ++q) {
    if (*q == L'\\' || *q == L'/') {
      lastSep = q;
      lastDot = nullptr;
    } else if (*q == L'.') {
      lastDot = q;
    }
  }
  const wchar_t* nameStart = lastSep ? lastSep + 1 : p;
  const wchar_t* end = p + wcslen(p);
  const wchar_t* nameEnd = lastDot ? lastDot : end;
  if (dir) dir->assign(p, nameStart);
  if (fname) fname->assign(nameStart, nameEnd);
  if (ext) ext->assign(nameEnd, end);
}

}  // namespace kavro::platform

extern "C" void _wsplitpath(const wchar_t* path, wchar_t* drive, wchar_t* dir, wchar_t* fname,
                            wchar_t* ext) {
  std::wstring d, f, n, e;
  kavro::platform::SplitPath(path, &d, &f, &n, &e);
  CopyPart(drive, _MAX_DRIVE, d.data(), d.size());
  CopyPart(dir, _MAX_DIR, f.data(), f.size());
  CopyPart(fname, _MAX_FNAME, n.data(), n.size());
  CopyPart(ext, _MAX_EXT, e.data(), e.size());
}
