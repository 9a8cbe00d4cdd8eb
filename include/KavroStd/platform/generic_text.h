/// @file
/// @ingroup platform_layer
/// The generic-text names of a UNICODE build, as the Windows SDK defines them:
/// TCHAR and its pointer types, _T/_TEXT/TEXT, and the generic name of every
/// Win32 function and structure the layer provides in its W form
/// (GetPrivateProfileString is GetPrivateProfileStringW). Functions are
/// macros and structures typedefs, as in Windows' headers; names that Windows
/// has only in one form (CommandLineToArgvW, MultiByteToWideChar) get none.
///
/// Every public header includes this one first, so a member function that
/// carries such a name is renamed alike in the library and in the modules, as
/// MFC's are on Windows: CWnd::GetWindowText is CWnd::GetWindowTextW,
/// CString::LoadString is CString::LoadStringW, and code calling either
/// spelling reaches the same member.
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif

typedef wchar_t TCHAR;
typedef wchar_t* LPTSTR;
typedef wchar_t* PTSTR;
typedef const wchar_t* LPCTSTR;
typedef const wchar_t* PCTSTR;

#ifndef __TEXT
#define __TEXT(quote) L##quote
#endif
#ifndef TEXT
#define TEXT(quote) __TEXT(quote)
#endif
#ifndef __T
#define __T(x) L##x
#endif
#ifndef _T
#define _T(x) __T(x)
#endif
#ifndef _TEXT
#define _TEXT(x) __T(x)
#endif

/// Structures: the generic name is the W structure.
struct WIN32_FIND_DATAW;
typedef WIN32_FIND_DATAW WIN32_FIND_DATA;
typedef WIN32_FIND_DATAW* PWIN32_FIND_DATA;
typedef WIN32_FIND_DATAW* LPWIN32_FIND_DATA;
struct OPENFILENAMEW;
typedef OPENFILENAMEW OPENFILENAME;
typedef OPENFILENAMEW* LPOPENFILENAME;
struct STARTUPINFOW;
typedef STARTUPINFOW STARTUPINFO;
typedef STARTUPINFOW* LPSTARTUPINFO;
struct CHARFORMATW;
typedef CHARFORMATW CHARFORMAT;
struct SHELLEXECUTEINFOW;
typedef SHELLEXECUTEINFOW SHELLEXECUTEINFO;
typedef SHELLEXECUTEINFOW* LPSHELLEXECUTEINFO;
struct CREATESTRUCTW;
typedef CREATESTRUCTW CREATESTRUCT;
typedef CREATESTRUCTW* LPCREATESTRUCT;

// Functions, by the Windows header that declares them.
// winbase.h / fileapi.h / libloaderapi.h / processenv.h / synchapi.h
#define CopyFile CopyFileW
#define CreateDirectory CreateDirectoryW
#define CreateFile CreateFileW
#define CreateProcess CreateProcessW
#define CreateMutex CreateMutexW
#define DeleteFile DeleteFileW
#define FindFirstFile FindFirstFileW
#define FindNextFile FindNextFileW
#define FindResource FindResourceW
#define FormatMessage FormatMessageW
#define GetCommandLine GetCommandLineW
#define GetCurrentDirectory GetCurrentDirectoryW
#define GetFileAttributes GetFileAttributesW
#define GetLongPathName GetLongPathNameW
#define GetModuleFileName GetModuleFileNameW
#define GetModuleHandle GetModuleHandleW
#define GetModuleHandleEx GetModuleHandleExW
#define GetPrivateProfileInt GetPrivateProfileIntW
#define GetPrivateProfileSection GetPrivateProfileSectionW
#define GetPrivateProfileSectionNames GetPrivateProfileSectionNamesW
#define GetPrivateProfileString GetPrivateProfileStringW
#define GetShortPathName GetShortPathNameW
#define GetTempFileName GetTempFileNameW
#define GetTempPath GetTempPathW
#define GetVolumeInformation GetVolumeInformationW
#define MoveFile MoveFileW
#define MoveFileEx MoveFileExW
#define OpenMutex OpenMutexW
#define OutputDebugString OutputDebugStringW
#define RemoveDirectory RemoveDirectoryW
#define SetCurrentDirectory SetCurrentDirectoryW
#define SetFileAttributes SetFileAttributesW
#define WritePrivateProfileString WritePrivateProfileStringW
#define lstrcat lstrcatW
#define lstrcmp lstrcmpW
#define lstrcmpi lstrcmpiW
#define lstrcpy lstrcpyW
#define lstrcpyn lstrcpynW
#define lstrlen lstrlenW
// winreg.h
#define RegCreateKeyEx RegCreateKeyExW
#define RegDeleteKey RegDeleteKeyW
#define RegDeleteKeyEx RegDeleteKeyExW
#define RegDeleteValue RegDeleteValueW
#define RegEnumKeyEx RegEnumKeyExW
#define RegEnumValue RegEnumValueW
#define RegOpenKeyEx RegOpenKeyExW
#define RegQueryInfoKey RegQueryInfoKeyW
#define RegQueryValueEx RegQueryValueExW
#define RegSetValueEx RegSetValueExW
// winver.h
#define GetFileVersionInfo GetFileVersionInfoW
#define GetFileVersionInfoEx GetFileVersionInfoExW
#define GetFileVersionInfoSize GetFileVersionInfoSizeW
#define GetFileVersionInfoSizeEx GetFileVersionInfoSizeExW
#define VerQueryValue VerQueryValueW
// winuser.h
#define CreateWindowEx CreateWindowExW
#define DefWindowProc DefWindowProcW
#define DispatchMessage DispatchMessageW
#define GetClipboardFormatName GetClipboardFormatNameW
#define GetWindowLong GetWindowLongW
#define GetWindowText GetWindowTextW
#define GetWindowTextLength GetWindowTextLengthW
#define LoadIcon LoadIconW
#define LoadImage LoadImageW
#define LoadString LoadStringW
#define MessageBox MessageBoxW
#define PeekMessage PeekMessageW
#define PostMessage PostMessageW
#define RegisterClipboardFormat RegisterClipboardFormatW
#define SendMessage SendMessageW
#define SetWindowText SetWindowTextW
#define wsprintf wsprintfW
#define wvsprintf wvsprintfW
// wingdi.h
#define GetObject GetObjectW
// shellapi.h
#define DragQueryFile DragQueryFileW
#define ShellExecuteEx ShellExecuteExW
// shlwapi.h
#define PathCanonicalize PathCanonicalizeW
#define PathFileExists PathFileExistsW
#define PathGetArgs PathGetArgsW
#define PathIsDirectory PathIsDirectoryW
#define PathIsRoot PathIsRootW
#define PathMatchSpec PathMatchSpecW
#define PathRelativePathTo PathRelativePathToW
#define PathRemoveArgs PathRemoveArgsW
#define PathUnquoteSpaces PathUnquoteSpacesW
// wininet.h
#define HttpQueryInfo HttpQueryInfoW
#define InternetCanonicalizeUrl InternetCanonicalizeUrlW
#define InternetOpen InternetOpenW
#define InternetOpenUrl InternetOpenUrlW
#define InternetQueryOption InternetQueryOptionW
#define InternetSetOption InternetSetOptionW
// rpcdce.h
#define RpcStringFree RpcStringFreeW
#define UuidFromString UuidFromStringW
#define UuidToString UuidToStringW
