/// @file
/// @ingroup platform_layer
/// The wide helpers of the Windows C runtime, with their Windows meaning:
/// numbers are read as in the "C" locale, `wcstok` keeps its position per
/// thread, and `_wsplitpath` splits Windows paths (both separators).
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <cwchar>
#include <string>

#include "KavroStd/platform/win_types.h"

#define _MAX_PATH 260
#define _MAX_DRIVE 3
#define _MAX_DIR 256
#define _MAX_FNAME 256
#define _MAX_EXT 256

/// Leading blanks and a sign accepted; stops at the first non-digit; 0 when
/// no number leads. Overflow saturates as the Windows runtime does.
KVSTD_C_API int _wtoi(const wchar_t* s);
KVSTD_C_API LONG _wtol(const wchar_t* s);
KVSTD_C_API LONGLONG _wtoi64(const wchar_t* s);
KVSTD_C_API double _wtof(const wchar_t* s);
KVSTD_C_API int _wcsicmp(const wchar_t* a, const wchar_t* b);
KVSTD_C_API int _wcsnicmp(const wchar_t* a, const wchar_t* b, size_t n);

/// The two-argument Windows form; the position lives in the calling thread.
KVSTD_API wchar_t* wcstok(wchar_t* text, const wchar_t* delimiters);

/// Splits a path into drive ("C:"), folder (with its trailing separator),
/// name and extension (with its "."); null outputs are skipped. The outputs
/// must hold the _MAX_* sizes; longer parts are cut to fit.
KVSTD_C_API void _wsplitpath(const wchar_t* path, wchar_t* drive, wchar_t* dir, wchar_t* fname,
                             wchar_t* ext);
