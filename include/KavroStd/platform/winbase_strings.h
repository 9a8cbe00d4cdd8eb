/// @file
/// @ingroup platform_layer
/// The Win32 string functions of kernel32 and user32: lstrlen, lstrcpy,
/// lstrcpyn, lstrcat, lstrcmp, lstrcmpi, wsprintf and OutputDebugString.
/// They accept null pointers as Windows does (length 0, result null; null
/// sorts before every string). lstrcmp orders as the layer's collation,
/// lstrcmpi the same without regard to case. wsprintfW formats with the
/// runtime's rules and stores at most 1024 characters with the zero.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <cstdarg>

#include "KavroStd/platform/win_types.h"

KVSTD_C_API int lstrlenW(LPCWSTR s);
KVSTD_C_API LPWSTR lstrcpyW(LPWSTR dest, LPCWSTR src);
/// Copies at most max - 1 characters and always ends with a zero (max > 0).
KVSTD_C_API LPWSTR lstrcpynW(LPWSTR dest, LPCWSTR src, int max);
KVSTD_C_API LPWSTR lstrcatW(LPWSTR dest, LPCWSTR src);
KVSTD_C_API int lstrcmpW(LPCWSTR a, LPCWSTR b);
KVSTD_C_API int lstrcmpiW(LPCWSTR a, LPCWSTR b);
KVSTD_C_API int wsprintfW(LPWSTR buffer, LPCWSTR format, ...);
KVSTD_C_API int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args);
/// Writes the text to standard error as UTF-8 (there is no debugger channel).
KVSTD_C_API void OutputDebugStringW(LPCWSTR text);
