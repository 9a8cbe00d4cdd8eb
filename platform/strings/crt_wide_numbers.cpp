// Numbers to wide text and back, as the Windows runtime converts them.
#include <cerrno>
#include <climits>
#include <cwchar>

#include "KavroStd/platform/crt_wide.h"
#include "platform/strings/crt_wide_internal.h"
#include "platform/strings/locale_internal.h"

using kavro::platform::Fail;

namespace {

// Digits of magnitude in radix, with '-' first when negative.
errno_t PutNumber(ULONGLONG magnitude, bool negative, wchar_t* buffer, size_t size, int radix) {
  if (!buffer || size == 0) return Fail(EINVAL);
  if (radix < 2 || radix > 36) {
    buffer[0] = 0;
    return Fail(EINVAL);
  }
  wchar_t digits[72];
  size_t n = 0;
  do {
    unsigned d = static_cast<unsigned>(magnitude % static_cast<unsigned>(radix));
    digits[n++] = static_cast<wchar_t>(d < 10 ? L'0' + d : L'a' + d - 10);
    magnitude /= static_cast<unsigned>(radix);
  } while (magnitude);
  if (negative) digits[n++] = L'-';
  if (n >= size) {
    buffer[0] = 0;
    return Fail(ERANGE);
  }
  for (size_t i = 0; i < n; ++i) buffer[i] = digits[n - 1 - i];
  buffer[n] = 0;
  return 0;
}

// Signed values are negative only in radix 10; otherwise their bits count.
errno_t PutSigned(LONGLONG value, ULONGLONG bits, wchar_t* buffer, size_t size, int radix) {
  bool negative = radix == 10 && value < 0;
  ULONGLONG magnitude = negative ? 0 - static_cast<ULONGLONG>(value) : bits;
  return PutNumber(magnitude, negative, buffer, size, radix);
}

// The legacy forms have no size: the longest result (64 binary digits and
// a sign) always fits a caller's buffer as Windows assumes.
constexpr size_t kUnbounded = 66;

}  // namespace

extern "C" errno_t _itow_s(int value, wchar_t* buffer, size_t size, int radix) {
  return PutSigned(value, static_cast<unsigned>(value), buffer, size, radix);
}
extern "C" errno_t _ltow_s(LONG value, wchar_t* buffer, size_t size, int radix) {
  return PutSigned(value, static_cast<ULONG>(value), buffer, size, radix);
}
extern "C" errno_t _ultow_s(ULONG value, wchar_t* buffer, size_t size, int radix) {
  return PutNumber(value, false, buffer, size, radix);
}
extern "C" errno_t _i64tow_s(LONGLONG value, wchar_t* buffer, size_t size, int radix) {
  return PutSigned(value, static_cast<ULONGLONG>(value), buffer, size, radix);
}
extern "C" errno_t _ui64tow_s(ULONGLONG value, wchar_t* buffer, size_t size, int radix) {
  return PutNumber(value, false, buffer, size, radix);
}

extern "C" wchar_t* _itow(int value, wchar_t* buffer, int radix) {
  _itow_s(value, buffer, kUnbounded, radix);
  return buffer;
}
extern "C" wchar_t* _ltow(LONG value, wchar_t* buffer, int radix) {
  _ltow_s(value, buffer, kUnbounded, radix);
  return buffer;
}
extern "C" wchar_t* _ultow(ULONG value, wchar_t* buffer, int radix) {
  _ultow_s(value, buffer, kUnbounded, radix);
  return buffer;
}
extern "C" wchar_t* _i64tow(LONGLONG value, wchar_t* buffer, int radix) {
  _i64tow_s(value, buffer, kUnbounded, radix);
  return buffer;
}
extern "C" wchar_t* _ui64tow(ULONGLONG value, wchar_t* buffer, int radix) {
  _ui64tow_s(value, buffer, kUnbounded, radix);
  return buffer;
}

extern "C" LONGLONG _wcstoi64(const wchar_t* s, wchar_t** end, int base) {
  if (!s) return Fail(EINVAL), 0;
  return wcstoll_l(s, end, base, kavro::platform::NumericLocale());
}

extern "C" ULONGLONG _wcstoui64(const wchar_t* s, wchar_t** end, int base) {
  if (!s) return Fail(EINVAL), 0;
  return wcstoull_l(s, end, base, kavro::platform::NumericLocale());
}

extern "C" LONGLONG _wtoll(const wchar_t* s) { return _wtoi64(s); }

// 32-bit results: out of range gives the limit and ERANGE.
extern "C" LONG KvWcstol(const wchar_t* s, wchar_t** end, int base) {
  if (!s) return Fail(EINVAL), 0;
  int saved = errno;
  errno = 0;
  long long v = wcstoll_l(s, end, base, kavro::platform::NumericLocale());
  if (errno == ERANGE || v > INT_MAX || v < INT_MIN) {
    errno = ERANGE;
    return v < 0 ? INT_MIN : INT_MAX;
  }
  if (errno == 0) errno = saved;
  return static_cast<LONG>(v);
}

// As the C function: "-1" is the negation of 1 in 32 bits.
extern "C" ULONG KvWcstoul(const wchar_t* s, wchar_t** end, int base) {
  if (!s) return Fail(EINVAL), 0;
  int saved = errno;
  errno = 0;
  wchar_t* stop = nullptr;
  unsigned long long v = wcstoull_l(s, &stop, base, kavro::platform::NumericLocale());
  if (end) *end = stop;
  // The magnitude decides: skip blanks and the sign to see it.
  const wchar_t* p = s;
  while (*p == L' ' || (*p >= L'\t' && *p <= L'\r')) ++p;
  bool negative = *p == L'-';
  unsigned long long magnitude = negative ? 0 - v : v;
  if (errno == ERANGE || magnitude > UINT_MAX) {
    errno = ERANGE;
    return UINT_MAX;
  }
  if (errno == 0) errno = saved;
  return static_cast<ULONG>(negative ? 0 - static_cast<ULONG>(magnitude) : magnitude);
}

extern "C" double KvWcstod(const wchar_t* s, wchar_t** end) {
  if (!s) return Fail(EINVAL), 0.0;
  return wcstod_l(s, end, kavro::platform::NumericLocale());
}
