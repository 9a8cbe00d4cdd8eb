/// @file
/// @ingroup platform_layer
/// The wide functions of the Windows C runtime that glibc lacks, with their
/// Windows signatures and meaning: the bounds-checked "_s" string copies,
/// number-to-text conversions, Microsoft-rule formatting ("%s" is wide in a
/// wide format), locale-independent character classes and UTF-8 console and
/// stream output. Files, paths and the environment are in crt_wide_files.h.
///
/// A bad argument to an "_s" function returns the documented error code, sets
/// errno and, where Windows documents it, empties the destination; it never
/// ends the process.
///   wchar_t name[8];
///   wcsncpy_s(name, L"Layer-0001", _TRUNCATE);   // STRUNCATE, "Layer-0"
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cwchar>
#include <cwctype>

#include "KavroStd/platform/crt.h"

typedef int errno_t;

/// The number of elements of an array (not of a pointer: that fails to build).
template <class T, size_t N>
char (*KvCountOfHelper(T (&)[N]))[N];
#define _countof(array) (sizeof(*KvCountOfHelper(array)))

// As `count` of the "_s" copies and printf forms: take what fits.
#ifndef _TRUNCATE
#define _TRUNCATE (static_cast<size_t>(-1))
#endif
// Returned when _TRUNCATE cut the text.
#ifndef STRUNCATE
#define STRUNCATE 80
#endif

/// Strings. Destination sizes count wchar_t elements, the zero included.
KVSTD_C_API errno_t wcscpy_s(wchar_t* dest, size_t size, const wchar_t* src);
KVSTD_C_API errno_t wcsncpy_s(wchar_t* dest, size_t size, const wchar_t* src, size_t count);
KVSTD_C_API errno_t wcscat_s(wchar_t* dest, size_t size, const wchar_t* src);
KVSTD_C_API errno_t wcsncat_s(wchar_t* dest, size_t size, const wchar_t* src, size_t count);
/// Copy in malloc'd memory (free with free()); null for null.
KVSTD_C_API wchar_t* _wcsdup(const wchar_t* s);
/// Case mapping in place (Unicode simple case mapping, as CString's).
KVSTD_C_API wchar_t* _wcslwr(wchar_t* s);
KVSTD_C_API wchar_t* _wcsupr(wchar_t* s);
KVSTD_C_API errno_t _wcslwr_s(wchar_t* s, size_t size);
KVSTD_C_API errno_t _wcsupr_s(wchar_t* s, size_t size);
KVSTD_C_API wchar_t* _wcsrev(wchar_t* s);
KVSTD_C_API wchar_t* _wcsset(wchar_t* s, wchar_t c);
KVSTD_C_API wchar_t* _wcsnset(wchar_t* s, wchar_t c, size_t count);
/// Tokens with the position in *context (first call: text; then null).
KVSTD_C_API wchar_t* wcstok_s(wchar_t* text, const wchar_t* delimiters, wchar_t** context);
/// Collation of the process locale without regard to case (in the "C"
/// locale: _wcsicmp); the "n" forms compare at most `count` characters.
KVSTD_C_API int _wcsicoll(const wchar_t* a, const wchar_t* b);
KVSTD_C_API int _wcsncoll(const wchar_t* a, const wchar_t* b, size_t count);
KVSTD_C_API int _wcsnicoll(const wchar_t* a, const wchar_t* b, size_t count);

/// Numbers as text: radix 2-36, lower-case digits; a minus sign only in radix
/// 10 (other radixes show the bits unsigned, -1 in 16 is "ffffffff").
/// `long` is 32 bits, as on Windows.
KVSTD_C_API wchar_t* _itow(int value, wchar_t* buffer, int radix);
KVSTD_C_API wchar_t* _ltow(LONG value, wchar_t* buffer, int radix);
KVSTD_C_API wchar_t* _ultow(ULONG value, wchar_t* buffer, int radix);
KVSTD_C_API wchar_t* _i64tow(LONGLONG value, wchar_t* buffer, int radix);
KVSTD_C_API wchar_t* _ui64tow(ULONGLONG value, wchar_t* buffer, int radix);
KVSTD_C_API errno_t _itow_s(int value, wchar_t* buffer, size_t size, int radix);
KVSTD_C_API errno_t _ltow_s(LONG value, wchar_t* buffer, size_t size, int radix);
KVSTD_C_API errno_t _ultow_s(ULONG value, wchar_t* buffer, size_t size, int radix);
KVSTD_C_API errno_t _i64tow_s(LONGLONG value, wchar_t* buffer, size_t size, int radix);
KVSTD_C_API errno_t _ui64tow_s(ULONGLONG value, wchar_t* buffer, size_t size, int radix);
/// Text to numbers in the "C" form whatever the locale; out of range gives
/// the limit and ERANGE. The 32-bit ones stand for Windows' wcstol/wcstoul.
KVSTD_C_API LONGLONG _wcstoi64(const wchar_t* s, wchar_t** end, int base);
KVSTD_C_API ULONGLONG _wcstoui64(const wchar_t* s, wchar_t** end, int base);
KVSTD_C_API LONGLONG _wtoll(const wchar_t* s);
KVSTD_C_API LONG KvWcstol(const wchar_t* s, wchar_t** end, int base);
KVSTD_C_API ULONG KvWcstoul(const wchar_t* s, wchar_t** end, int base);
KVSTD_C_API double KvWcstod(const wchar_t* s, wchar_t** end);

/// Formatting with Microsoft's rules. The "_s" forms fail (-1, EINVAL or
/// ERANGE, buffer emptied) when the text does not fit, unless count is
/// _TRUNCATE (then cut, -1). _snwprintf/_vsnwprintf store at most count
/// characters and add the zero only when there is room (-1 when cut);
/// _swprintf/_vswprintf have no bound, as Windows' legacy forms.
KVSTD_C_API int swprintf_s(wchar_t* buffer, size_t size, const wchar_t* format, ...);
KVSTD_C_API int vswprintf_s(wchar_t* buffer, size_t size, const wchar_t* format, va_list args);
KVSTD_C_API int _snwprintf_s(wchar_t* buffer, size_t size, size_t count, const wchar_t* format, ...);
KVSTD_C_API int _vsnwprintf_s(wchar_t* buffer, size_t size, size_t count, const wchar_t* format,
                              va_list args);
KVSTD_C_API int _snwprintf(wchar_t* buffer, size_t count, const wchar_t* format, ...);
KVSTD_C_API int _vsnwprintf(wchar_t* buffer, size_t count, const wchar_t* format, va_list args);
KVSTD_C_API int _swprintf(wchar_t* buffer, const wchar_t* format, ...);
KVSTD_C_API int _vswprintf(wchar_t* buffer, const wchar_t* format, va_list args);
/// Characters the text needs, the zero not counted.
KVSTD_C_API int _scwprintf(const wchar_t* format, ...);
KVSTD_C_API int _vscwprintf(const wchar_t* format, va_list args);

/// Wide text to a stream, written as UTF-8 (through the stream's own
/// translation: a text-mode file from _wfopen writes CR LF). Counts are in
/// characters; -1 or WEOF on a write error.
KVSTD_C_API int KvWPrintf(const wchar_t* format, ...);
KVSTD_C_API int KvVWPrintf(const wchar_t* format, va_list args);
KVSTD_C_API int KvFWPrintf(FILE* stream, const wchar_t* format, ...);
KVSTD_C_API int KvVFWPrintf(FILE* stream, const wchar_t* format, va_list args);
KVSTD_C_API int KvFPutWs(const wchar_t* text, FILE* stream);
KVSTD_C_API int KvPutWs(const wchar_t* text);  ///< adds a line end
KVSTD_C_API wint_t KvFPutWc(wchar_t c, FILE* stream);
KVSTD_C_API wint_t KvPutWchar(wchar_t c);
/// Wide text from a stream read as UTF-8 (a bad byte reads as U+FFFD).
KVSTD_C_API wchar_t* KvFGetWs(wchar_t* buffer, int count, FILE* stream);
KVSTD_C_API wint_t KvFGetWc(FILE* stream);
KVSTD_C_API wint_t KvGetWchar();
KVSTD_C_API wint_t KvUngetWc(wint_t c, FILE* stream);

/// Character classes with Windows' meaning, whatever locale the process has
/// set: ASCII as the "C" locale, other characters by their Unicode class
/// (digits are '0'-'9' only). Case mapping is Unicode simple case mapping.
KVSTD_C_API int KvIswalpha(wint_t c);
KVSTD_C_API int KvIswdigit(wint_t c);
KVSTD_C_API int KvIswlower(wint_t c);
KVSTD_C_API int KvIswupper(wint_t c);
KVSTD_C_API int KvIswspace(wint_t c);
KVSTD_C_API int KvIswalnum(wint_t c);
KVSTD_C_API int KvIswxdigit(wint_t c);
KVSTD_C_API int KvIswpunct(wint_t c);
KVSTD_C_API int KvIswprint(wint_t c);
KVSTD_C_API int KvIswgraph(wint_t c);
KVSTD_C_API int KvIswcntrl(wint_t c);
KVSTD_C_API int KvIswblank(wint_t c);
KVSTD_C_API wint_t KvTowupper(wint_t c);
KVSTD_C_API wint_t KvTowlower(wint_t c);

/// The C++ forms that take the destination's size from an array.
template <size_t N>
errno_t wcscpy_s(wchar_t (&dest)[N], const wchar_t* src) {
  return wcscpy_s(dest, N, src);
}
template <size_t N>
errno_t wcsncpy_s(wchar_t (&dest)[N], const wchar_t* src, size_t count) {
  return wcsncpy_s(dest, N, src, count);
}
template <size_t N>
errno_t wcscat_s(wchar_t (&dest)[N], const wchar_t* src) {
  return wcscat_s(dest, N, src);
}
template <size_t N>
errno_t wcsncat_s(wchar_t (&dest)[N], const wchar_t* src, size_t count) {
  return wcsncat_s(dest, N, src, count);
}
template <size_t N>
errno_t _wcslwr_s(wchar_t (&s)[N]) {
  return _wcslwr_s(s, N);
}
template <size_t N>
errno_t _wcsupr_s(wchar_t (&s)[N]) {
  return _wcsupr_s(s, N);
}
template <size_t N>
errno_t _itow_s(int value, wchar_t (&buffer)[N], int radix) {
  return _itow_s(value, buffer, N, radix);
}
template <size_t N>
errno_t _ltow_s(LONG value, wchar_t (&buffer)[N], int radix) {
  return _ltow_s(value, buffer, N, radix);
}
template <size_t N>
errno_t _ultow_s(ULONG value, wchar_t (&buffer)[N], int radix) {
  return _ultow_s(value, buffer, N, radix);
}
template <size_t N>
errno_t _i64tow_s(LONGLONG value, wchar_t (&buffer)[N], int radix) {
  return _i64tow_s(value, buffer, N, radix);
}
template <size_t N>
errno_t _ui64tow_s(ULONGLONG value, wchar_t (&buffer)[N], int radix) {
  return _ui64tow_s(value, buffer, N, radix);
}
template <size_t N>
int vswprintf_s(wchar_t (&buffer)[N], const wchar_t* format, va_list args) {
  return vswprintf_s(buffer, N, format, args);
}
template <size_t N>
int swprintf_s(wchar_t (&buffer)[N], const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = vswprintf_s(buffer, N, format, args);
  va_end(args);
  return n;
}
template <size_t N>
int _vsnwprintf_s(wchar_t (&buffer)[N], size_t count, const wchar_t* format, va_list args) {
  return _vsnwprintf_s(buffer, N, count, format, args);
}
template <size_t N>
int _snwprintf_s(wchar_t (&buffer)[N], size_t count, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = _vsnwprintf_s(buffer, N, count, format, args);
  va_end(args);
  return n;
}
