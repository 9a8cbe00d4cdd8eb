/// @file
/// @ingroup platform_layer
/// Shell services: the file-drop block (CF_HDROP) and starting a file
/// through the shell.
///
///   UINT n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);     // file count
///   UINT len = DragQueryFileW(drop, 0, nullptr, 0);             // name length
///   std::vector<wchar_t> name(len + 1);
///   DragQueryFileW(drop, 0, name.data(), len + 1);
///
/// A file drop is a global memory block: the 20-byte DROPFILES header, then
/// at pFiles the names, each ended by a zero, the list ended by one more
/// zero. With fWide non-zero the names are UTF-16LE (a surrogate pair is one
/// character); with fWide 0 they are bytes in the ANSI code page. Reading
/// never goes past the block: a name cut by the block's end is the last
/// name, and a header that does not fit or points outside gives no files.
///
/// ShellExecuteExW hands the request to a replaceable handler. The default
/// needs a desktop (DISPLAY or WAYLAND_DISPLAY set, xdg-open on the PATH) and
/// opens the file, folder or address with xdg-open, started without a shell
/// and not waited for ("open", "explore" or no verb; other verbs have no
/// association). "explorer.exe" with "/select,<path>" opens the folder that
/// holds path; with another parameter it opens that. Without a desktop it
/// fails with ERROR_NO_ASSOCIATION and shows nothing. With
/// SEE_MASK_NOCLOSEPROCESS, hProcess receives a process handle
/// (process_handle.h) when a process was started.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <cstddef>

#include "KavroStd/platform/process_handle.h"
#include "KavroStd/platform/win_errors.h"
#include "KavroStd/platform/win_types.h"
#include "KavroStd/platform/window.h"

struct DROPFILES {
  DWORD pFiles;  ///< offset of the name list from the block's start
  POINT pt;      ///< drop point
  BOOL fNC;      ///< non-client area
  BOOL fWide;    ///< names in UTF-16LE (else the ANSI code page)
};
typedef DROPFILES* LPDROPFILES;
static_assert(sizeof(DROPFILES) == 20, "DROPFILES layout");
static_assert(offsetof(DROPFILES, pt) == 4, "DROPFILES layout");
static_assert(offsetof(DROPFILES, fNC) == 12, "DROPFILES layout");
static_assert(offsetof(DROPFILES, fWide) == 16, "DROPFILES layout");

struct HDROP__;
typedef HDROP__* HDROP;  ///< the file drop's global memory handle

/// file 0xFFFFFFFF: the number of files. A null buffer: the length of name
/// `file` in characters, without the zero. Otherwise copies up to size - 1
/// characters and a zero and returns the number copied. 0 for a file index
/// out of range, a bad block (ERROR_INVALID_HANDLE) or size 0.
KVSTD_C_API UINT DragQueryFileW(HDROP drop, UINT file, LPWSTR buffer, UINT size);

#define SEE_MASK_DEFAULT 0x00000000u
#define SEE_MASK_CLASSNAME 0x00000001u
#define SEE_MASK_CLASSKEY 0x00000003u
#define SEE_MASK_IDLIST 0x00000004u
#define SEE_MASK_INVOKEIDLIST 0x0000000Cu
#define SEE_MASK_NOCLOSEPROCESS 0x00000040u
#define SEE_MASK_CONNECTNETDRV 0x00000080u
#define SEE_MASK_NOASYNC 0x00000100u
#define SEE_MASK_FLAG_DDEWAIT SEE_MASK_NOASYNC
#define SEE_MASK_DOENVSUBST 0x00000200u
#define SEE_MASK_FLAG_NO_UI 0x00000400u
#define SEE_MASK_UNICODE 0x00004000u
#define SEE_MASK_NO_CONSOLE 0x00008000u
#define SEE_MASK_NOZONECHECKS 0x00800000u
#define SEE_MASK_WAITFORINPUTIDLE 0x02000000u

// hInstApp values (above 32 means success).
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31

struct HKEY__;
typedef HKEY__* HKEY;

struct SHELLEXECUTEINFOW {
  DWORD cbSize;
  ULONG fMask;
  HWND hwnd;
  LPCWSTR lpVerb;
  LPCWSTR lpFile;
  LPCWSTR lpParameters;
  LPCWSTR lpDirectory;
  int nShow;
  HINSTANCE hInstApp;
  void* lpIDList;
  LPCWSTR lpClass;
  HKEY hkeyClass;
  DWORD dwHotKey;
  union {
    HANDLE hIcon;
    HANDLE hMonitor;
  };
  HANDLE hProcess;
};
typedef SHELLEXECUTEINFOW* LPSHELLEXECUTEINFOW;

/// TRUE when the handler started the request; FALSE with the last error
/// (ERROR_INVALID_PARAMETER for a null info, a wrong cbSize or no file) and
/// hInstApp set to an SE_ERR_ code. hProcess is null unless
/// SEE_MASK_NOCLOSEPROCESS asked for it and a process was started.
KVSTD_C_API BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info);

/// A handler does the request in info and answers as ShellExecuteExW does
/// (it may set hProcess; the caller closes it when the mask did not ask for
/// it). context is what was given with the handler.
typedef BOOL (*KvShellExecuteHandler)(SHELLEXECUTEINFOW* info, void* context);
/// Installs handler (null: the default) for the process; returns the one
/// installed before (null for the default).
KVSTD_C_API KvShellExecuteHandler KvSetShellExecuteHandler(KvShellExecuteHandler handler, void* context);
/// The default handler, for handlers that pass some requests on.
KVSTD_C_API BOOL KvDefaultShellExecute(SHELLEXECUTEINFOW* info, void* context);
