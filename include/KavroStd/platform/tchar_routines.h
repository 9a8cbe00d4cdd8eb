/// @file
/// @ingroup platform_layer
/// The _tcs/_t names of a UNICODE build and the wide runtime functions behind
/// them. Each generic name is a macro for the wide function a UNICODE build
/// calls. Where glibc's function of that name means something else (wide
/// printf reads "%s" as narrow, wide streams convert through the process
/// locale, iswalpha and towupper depend on it, wcstol is 64-bit), the name
/// goes to a function of this library with the Windows meaning instead.
/// TCHAR, _T and _TEXT come from the header of the Win32 generic names.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "KavroStd/platform/crt.h"
#include "KavroStd/platform/crt_wide.h"
#include "KavroStd/platform/crt_wide_files.h"

typedef wchar_t _TCHAR;
typedef wchar_t _TSCHAR;
typedef wchar_t _TUCHAR;
typedef wchar_t _TXCHAR;
typedef wint_t _TINT;
#define _TEOF WEOF

// Program entry
#define _tmain wmain

// Formatted output
#define _tprintf KvWPrintf
#define _tprintf_s KvWPrintf
#define _vtprintf KvVWPrintf
#define _vtprintf_s KvVWPrintf
#define _ftprintf KvFWPrintf
#define _ftprintf_s KvFWPrintf
#define _vftprintf KvVFWPrintf
#define _vftprintf_s KvVFWPrintf
#define _stprintf _swprintf
#define _stprintf_s swprintf_s
#define _vstprintf _vswprintf
#define _vstprintf_s vswprintf_s
#define _sntprintf _snwprintf
#define _sntprintf_s _snwprintf_s
#define _vsntprintf _vsnwprintf
#define _vsntprintf_s _vsnwprintf_s
#define _sctprintf _scwprintf
#define _vsctprintf _vscwprintf

// Unformatted input and output (UTF-8 on the stream)
#define _fputts KvFPutWs
#define _putts KvPutWs
#define _fputtc KvFPutWc
#define _puttc KvFPutWc
#define _puttchar KvPutWchar
#define _fgetts KvFGetWs
#define _fgettc KvFGetWc
#define _gettc KvFGetWc
#define _gettchar KvGetWchar
#define _ungettc KvUngetWc

// Text to numbers and back
#define _tcstod KvWcstod
#define _tcstol KvWcstol
#define _tcstoul KvWcstoul
#define _tcstoll _wcstoi64
#define _tcstoull _wcstoui64
#define _tcstoi64 _wcstoi64
#define _tcstoui64 _wcstoui64
#define _ttof _wtof
#define _tstof _wtof
#define _ttoi _wtoi
#define _tstoi _wtoi
#define _ttol _wtol
#define _tstol _wtol
#define _ttoll _wtoll
#define _tstoll _wtoll
#define _ttoi64 _wtoi64
#define _tstoi64 _wtoi64
#define _itot _itow
#define _itot_s _itow_s
#define _ltot _ltow
#define _ltot_s _ltow_s
#define _ultot _ultow
#define _ultot_s _ultow_s
#define _i64tot _i64tow
#define _i64tot_s _i64tow_s
#define _ui64tot _ui64tow
#define _ui64tot_s _ui64tow_s

// Strings
#define _tcscat wcscat
#define _tcscat_s wcscat_s
#define _tcschr wcschr
#define _tcscpy wcscpy
#define _tcscpy_s wcscpy_s
#define _tcscspn wcscspn
#define _tcslen wcslen
#define _tcsnlen wcsnlen
#define _tcsncat wcsncat
#define _tcsncat_s wcsncat_s
#define _tcsncpy wcsncpy
#define _tcsncpy_s wcsncpy_s
#define _tcspbrk wcspbrk
#define _tcsrchr wcsrchr
#define _tcsspn wcsspn
#define _tcsstr wcsstr
#define _tcstok wcstok
#define _tcstok_s wcstok_s
#define _tcsdup _wcsdup
#define _tcsnset _wcsnset
#define _tcsrev _wcsrev
#define _tcsset _wcsset
#define _tcslwr _wcslwr
#define _tcslwr_s _wcslwr_s
#define _tcsupr _wcsupr
#define _tcsupr_s _wcsupr_s
#define _tcscmp wcscmp
#define _tcsicmp _wcsicmp
#define _tcsncmp wcsncmp
#define _tcsnicmp _wcsnicmp
#define _tcscoll wcscoll
#define _tcsicoll _wcsicoll
#define _tcsncoll _wcsncoll
#define _tcsnicoll _wcsnicoll
#define _tcsxfrm wcsxfrm

// "Logical character" names: one wchar_t is one character
#define _tcsclen wcslen
#define _tcscnlen wcsnlen
#define _tcsnccat wcsncat
#define _tcsnccat_s wcsncat_s
#define _tcsnccpy wcsncpy
#define _tcsnccpy_s wcsncpy_s
#define _tcsnccmp wcsncmp
#define _tcsncicmp _wcsnicmp
#define _tcsnccoll _wcsncoll
#define _tcsncicoll _wcsnicoll
#define _tcsncset _wcsnset
#define _tclen(p) (1)
#define _tccpy(p1, p2) ((*(p1)) = (*(p2)))
#define _tccmp(p1, p2) ((*(p1)) - (*(p2)))
#define _tcsinc(p) ((p) + 1)
#define _tcsdec(start, p) ((start) >= (p) ? nullptr : (p) - 1)
#define _tcsninc(p, n) ((p) + (n))
#define _tcsnextc(p) (static_cast<unsigned int>(*(p)))
#define _tcsnccnt(p, n) (wcsnlen((p), (n)))
#define _tcsnbcnt(p, n) (wcsnlen((p), (n)))

// Character classes and case (Windows' meaning, whatever the locale)
#define _istalnum KvIswalnum
#define _istalpha KvIswalpha
#define _istcntrl KvIswcntrl
#define _istdigit KvIswdigit
#define _istgraph KvIswgraph
#define _istlower KvIswlower
#define _istprint KvIswprint
#define _istpunct KvIswpunct
#define _istblank KvIswblank
#define _istspace KvIswspace
#define _istupper KvIswupper
#define _istxdigit KvIswxdigit
#define _istascii(c) (static_cast<unsigned int>(c) < 0x80)
#define _istlegal(c) (1)
#define _istlead(c) (0)
#define _istleadbyte(c) (0)
#define _totupper KvTowupper
#define _totlower KvTowlower

// Files, folders, paths and the environment
#define _tfopen _wfopen
#define _tfopen_s _wfopen_s
#define _tremove _wremove
#define _tunlink _wunlink
#define _trename _wrename
#define _taccess _waccess
#define _taccess_s _waccess_s
#define _tmkdir _wmkdir
#define _trmdir _wrmdir
#define _tchdir _wchdir
#define _tgetcwd _wgetcwd
#define _tfullpath _wfullpath
#define _tmakepath _wmakepath
#define _tmakepath_s _wmakepath_s
#define _tsplitpath _wsplitpath
#define _tsplitpath_s _wsplitpath_s
#define _tgetenv _wgetenv
#define _tgetenv_s _wgetenv_s
#define _tdupenv_s _wdupenv_s
#define _tputenv _wputenv
#define _tputenv_s _wputenv_s
