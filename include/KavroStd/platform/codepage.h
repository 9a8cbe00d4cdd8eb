/// @file
/// @ingroup platform_layer
/// Code pages: the one system ANSI code page of the process and the
/// conversions between it (or any other code page) and wide text.
///
/// The ANSI code page is the number in the environment variable KAVRO_ACP
/// when set (936, 1252, 65001, ...), else the code page of the user's locale
/// (UTF-8 -> 65001, GBK/GB2312/GB18030 -> 936, BIG5 -> 950, EUC-JP and
/// Shift_JIS -> 932, EUC-KR -> 949, ISO-8859-1 -> 1252), else 1252. It is read
/// once, at the first conversion; KvSetACP changes it for the whole process.
///
/// Wide text is wchar_t (a whole code point on Linux). MultiByteToWideChar and
/// WideCharToMultiByte count in wchar_t units and bytes, as on Windows.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/win_types.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_THREAD_ACP 3
#define CP_UTF7 65000
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400
#define WC_COMPOSITECHECK 0x00000200
#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_ERR_INVALID_CHARS 0x00000080

KVSTD_C_API UINT GetACP(void);
KVSTD_C_API UINT GetOEMCP(void);
/// Makes `codePage` the process's ANSI code page; FALSE (nothing changed) for
/// a code page the layer cannot convert.
KVSTD_C_API BOOL KvSetACP(UINT codePage);
KVSTD_C_API BOOL IsValidCodePage(UINT codePage);

/// As on Windows: cbMultiByte -1 converts through the terminating zero and
/// counts it; a zero output size asks for the size needed. Invalid input bytes
/// become U+FFFD (UTF-8) or the code page's default character unless
/// MB_ERR_INVALID_CHARS asks for failure (ERROR_NO_UNICODE_TRANSLATION).
KVSTD_C_API int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR mb, int cbMultiByte,
                                    LPWSTR wide, int cchWideChar);
/// Characters the code page cannot show become the default character ("?"
/// unless given); *usedDefaultChar tells whether that happened.
KVSTD_C_API int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int cchWideChar,
                                    LPSTR mb, int cbMultiByte, LPCSTR defaultChar,
                                    LPBOOL usedDefaultChar);
KVSTD_C_API BOOL IsDBCSLeadByteEx(UINT codePage, BYTE testChar);
KVSTD_C_API BOOL IsDBCSLeadByte(BYTE testChar);
