/// @file
/// @ingroup platform_layer
/// FormatMessageW for system messages, and the local memory blocks that
/// FORMAT_MESSAGE_ALLOCATE_BUFFER hands out.
///
///   LPWSTR text = nullptr;
///   FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
///                      FORMAT_MESSAGE_IGNORE_INSERTS,
///                  nullptr, GetLastError(), 0, (LPWSTR)&text, 0, nullptr);
///   ...  // "Access is denied.\r\n"
///   LocalFree(text);
///
/// Only FORMAT_MESSAGE_FROM_SYSTEM is a source here; the texts are the
/// English Windows system messages of the codes the layer sets, whatever
/// language is asked for, and end with "\r\n" as on Windows. A code without
/// a text gives 0 with ERROR_MR_MID_NOT_FOUND. A text with inserts ("%1 is
/// not a valid Win32 application.") takes wide strings from the arguments
/// (a va_list, or a pointer array with FORMAT_MESSAGE_ARGUMENT_ARRAY); with
/// no arguments and without FORMAT_MESSAGE_IGNORE_INSERTS the call fails with
/// ERROR_INVALID_PARAMETER, as on Windows.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <cstdarg>

#include "KavroStd/platform/win_errors.h"
#include "KavroStd/platform/win_types.h"

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

#ifndef ERROR_MR_MID_NOT_FOUND
#define ERROR_MR_MID_NOT_FOUND 317L
#endif

#ifndef LANG_NEUTRAL
#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))
#endif

#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

typedef HANDLE HLOCAL;

/// A fixed block of `bytes` (zeroed with LMEM_ZEROINIT); null with
/// ERROR_NOT_ENOUGH_MEMORY when it cannot be had. The handle is the pointer.
KVSTD_C_API HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
/// Releases a block of LocalAlloc (null is allowed); returns null.
KVSTD_C_API HLOCAL LocalFree(HLOCAL block);

/// Returns the number of units written without the terminator, or 0 with the
/// last error: ERROR_MR_MID_NOT_FOUND for a code without a text,
/// ERROR_INSUFFICIENT_BUFFER when `size` units (terminator included) are too
/// few, ERROR_INVALID_PARAMETER for another source or a null buffer. With
/// FORMAT_MESSAGE_ALLOCATE_BUFFER, `buffer` is really an LPWSTR* that
/// receives a block of at least `size` units to release with LocalFree.
/// A maximum width of FORMAT_MESSAGE_MAX_WIDTH_MASK drops the final "\r\n";
/// another nonzero width also breaks lines at blanks to fit that width.
KVSTD_C_API DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                                 LPWSTR buffer, DWORD size, va_list* arguments);
