/// @file
/// @ingroup platform_layer
/// Message boxes. There is no screen: a box goes to the handler a host or a
/// test installs, which returns the button pressed.
///
///   int Answer(LPCWSTR text, LPCWSTR caption, UINT type, void* context) { return IDYES; }
///   KvMessageBoxHandler old = KvSetMessageBoxHandler(Answer, nullptr);
///
/// With no handler the box is written to standard error as one UTF-8 line,
/// "caption: text" (line breaks and other control characters become
/// spaces), and the answer is the one that does nothing further:
///   MB_OK                      IDOK
///   MB_OKCANCEL                IDCANCEL
///   MB_YESNOCANCEL             IDCANCEL
///   MB_YESNO                   IDNO
///   MB_RETRYCANCEL             IDCANCEL
///   MB_CANCELTRYCONTINUE       IDCANCEL
///   MB_ABORTRETRYIGNORE        IDABORT (neither retries nor carries on past
///                              the failure)
/// The default-button flags do not change the answer. A button set outside
/// that list returns 0 with ERROR_INVALID_MSGBOX_STYLE, handler or not.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/win_errors.h"
#include "KavroStd/platform/win_types.h"

#ifndef ERROR_INVALID_MSGBOX_STYLE
#define ERROR_INVALID_MSGBOX_STYLE 1438L
#endif

#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_ABORTRETRYIGNORE 0x00000002u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_RETRYCANCEL 0x00000005u
#define MB_CANCELTRYCONTINUE 0x00000006u
#define MB_TYPEMASK 0x0000000Fu

#define MB_ICONHAND 0x00000010u
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONASTERISK 0x00000040u
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_ICONMASK 0x000000F0u

#define MB_DEFBUTTON1 0x00000000u
#define MB_DEFBUTTON2 0x00000100u
#define MB_DEFBUTTON3 0x00000200u
#define MB_DEFBUTTON4 0x00000300u
#define MB_APPLMODAL 0x00000000u
#define MB_SYSTEMMODAL 0x00001000u
#define MB_TASKMODAL 0x00002000u
#define MB_HELP 0x00004000u
#define MB_SETFOREGROUND 0x00010000u
#define MB_TOPMOST 0x00040000u

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#define IDTRYAGAIN 10
#define IDCONTINUE 11

typedef int (*KvMessageBoxHandler)(LPCWSTR text, LPCWSTR caption, UINT type, void* context);

/// Installs the handler (null: the standard-error default) with the context
/// it is given; returns the previous handler. Applies to every thread.
KVSTD_C_API KvMessageBoxHandler KvSetMessageBoxHandler(KvMessageBoxHandler handler, void* context);
/// The installed handler (null for the default) and, if asked, its context.
KVSTD_C_API KvMessageBoxHandler KvGetMessageBoxHandler(void** context);

/// The button chosen. A null caption is "Error", as on Windows.
KVSTD_C_API int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
/// A box captioned with the application's name (the executable's file name
/// without its extension). helpId is not used.
KVSTD_API int AfxMessageBox(LPCWSTR text, UINT type = MB_OK, UINT helpId = 0);
