// The runtime's wide string copies, case mapping and tokens.
#include <cerrno>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "KavroStd/platform/crt_wide.h"
#include "KavroStd/platform/cstring.h"
#include "platform/strings/crt_wide_internal.h"

using kavro::platform::Fail;

namespace {

// Empties the destination when it has room for the zero.
errno_t FailEmptied(wchar_t* dest, size_t size, errno_t code) {
  if (dest && size) dest[0] = 0;
  return Fail(code);
}

// Copies n characters of src to dest + at, where everything must fit in
// size; with truncate, what fits and STRUNCATE.
errno_t PutAt(wchar_t* dest, size_t size, size_t at, const wchar_t* src, size_t n, bool truncate) {
  if (at + n >= size) {
    if (!truncate) return FailEmptied(dest, size, ERANGE);
    wmemcpy(dest + at, src, size - 1 - at);
    dest[size - 1] = 0;
    return STRUNCATE;
  }
  wmemcpy(dest + at, src, n);
  dest[at + n] = 0;
  return 0;
}

template <typename Map>
errno_t MapInPlace(wchar_t* s, size_t size, Map map) {
  if (!s) return Fail(EINVAL);
  size_t n = wcsnlen(s, size);
  if (n == size) return FailEmptied(s, size, EINVAL);
  for (size_t i = 0; i < n; ++i) s[i] = map(s[i]);
  return 0;
}

// Case-folded copy for the case-blind collations.
std::wstring Folded(const wchar_t* s, size_t n) {
  std::wstring out(s, n);
  for (wchar_t& c : out) c = kavro::platform::ToLower(c);
  return out;
}

}  // namespace

extern "C" errno_t wcscpy_s(wchar_t* dest, size_t size, const wchar_t* src) {
  if (!dest) return Fail(EINVAL);
  if (!src) return FailEmptied(dest, size, EINVAL);
  return PutAt(dest, size, 0, src, wcslen(src), false);
}

extern "C" errno_t wcsncpy_s(wchar_t* dest, size_t size, const wchar_t* src, size_t count) {
  if (!dest || size == 0) return Fail(EINVAL);
  if (!src) return FailEmptied(dest, size, EINVAL);
  bool truncate = count == _TRUNCATE;
  return PutAt(dest, size, 0, src, truncate ? wcslen(src) : wcsnlen(src, count), truncate);
}

extern "C" errno_t wcscat_s(wchar_t* dest, size_t size, const wchar_t* src) {
  if (!dest) return Fail(EINVAL);
  size_t at = wcsnlen(dest, size);
  if (size && at == size) return Fail(EINVAL);  // not terminated
  if (!src) return FailEmptied(dest, size, EINVAL);
  if (size == 0) return Fail(ERANGE);
  return PutAt(dest, size, at, src, wcslen(src), false);
}

extern "C" errno_t wcsncat_s(wchar_t* dest, size_t size, const wchar_t* src, size_t count) {
  if (!dest) return Fail(EINVAL);
  size_t at = wcsnlen(dest, size);
  if (size && at == size) return Fail(EINVAL);
  if (!src) return FailEmptied(dest, size, EINVAL);
  if (size == 0) return Fail(ERANGE);
  bool truncate = count == _TRUNCATE;
  return PutAt(dest, size, at, src, truncate ? wcslen(src) : wcsnlen(src, count), truncate);
}

extern "C" wchar_t* _wcsdup(const wchar_t* s) {
  if (!s) return nullptr;
  size_t n = wcslen(s) + 1;
  auto* copy = static_cast<wchar_t*>(malloc(n * sizeof(wchar_t)));
  if (!copy) {
    errno = ENOMEM;
    return nullptr;
  }
  return wmemcpy(copy, s, n);
}

extern "C" errno_t _wcslwr_s(wchar_t* s, size_t size) { return MapInPlace(s, size, kavro::platform::ToLower); }
extern "C" errno_t _wcsupr_s(wchar_t* s, size_t size) { return MapInPlace(s, size, kavro::platform::ToUpper); }

extern "C" wchar_t* _wcslwr(wchar_t* s) {
  if (s) MapInPlace(s, wcslen(s) + 1, kavro::platform::ToLower);
  return s;
}

extern "C" wchar_t* _wcsupr(wchar_t* s) {
  if (s) MapInPlace(s, wcslen(s) + 1, kavro::platform::ToUpper);
  return s;
}

extern "C" wchar_t* _wcsrev(wchar_t* s) {
  if (!s) return s;
  for (size_t i = 0, j = wcslen(s); i + 1 < j; ++i, --j) std::swap(s[i], s[j - 1]);
  return s;
}

extern "C" wchar_t* _wcsset(wchar_t* s, wchar_t c) {
  if (s) wmemset(s, c, wcslen(s));
  return s;
}

extern "C" wchar_t* _wcsnset(wchar_t* s, wchar_t c, size_t count) {
  if (s) wmemset(s, c, wcsnlen(s, count));
  return s;
}

extern "C" wchar_t* wcstok_s(wchar_t* text, const wchar_t* delimiters, wchar_t** context) {
  if (!context || !delimiters || (!text && !*context)) {
    Fail(EINVAL);
    return nullptr;
  }
  wchar_t* p = text ? text : *context;
  p += wcsspn(p, delimiters);
  if (!*p) {
    *context = p;
    return nullptr;
  }
  wchar_t* end = p + wcscspn(p, delimiters);
  if (*end) *end++ = 0;
  *context = end;
  return p;
}

extern "C" int _wcsicoll(const wchar_t* a, const wchar_t* b) {
  if (!a || !b) return Fail(EINVAL), INT32_MAX;
  return wcscoll(Folded(a, wcslen(a)).c_str(), Folded(b, wcslen(b)).c_str());
}

extern "C" int _wcsncoll(const wchar_t* a, const wchar_t* b, size_t count) {
  if (!a || !b) return Fail(EINVAL), INT32_MAX;
  return wcscoll(std::wstring(a, wcsnlen(a, count)).c_str(), std::wstring(b, wcsnlen(b, count)).c_str());
}

extern "C" int _wcsnicoll(const wchar_t* a, const wchar_t* b, size_t count) {
  if (!a || !b) return Fail(EINVAL), INT32_MAX;
  return wcscoll(Folded(a, wcsnlen(a, count)).c_str(), Folded(b, wcsnlen(b, count)).c_str());
}
