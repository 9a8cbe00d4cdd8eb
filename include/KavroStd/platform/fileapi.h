/// @file
/// @ingroup platform_layer
/// Files and folders through their Win32 names.
///
/// Paths are Windows paths. At every file-system call the layer maps them onto
/// the Linux file system: '\' and '/' both separate; a drive letter maps
/// through the drive table (Z: is '/'; another letter X maps to the folder in
/// the environment variable KAVRO_DRIVE_X, and is unmapped otherwise); a path
/// without a drive is a POSIX path. When a path does not exist as spelled,
/// each missing component is looked up in its folder without regard to case.
/// Paths the layer hands back are Windows paths on their drive
/// (/opt/kavro/x is Z:\opt\kavro\x). File names are UTF-8 on disk.
///
/// Attributes: read-only is the absence of every write bit; hidden is a name
/// starting with '.'; archive is set on regular files; system is never set.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <string>

#include "KavroStd/platform/win_errors.h"
#include "KavroStd/platform/win_types.h"

#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400

#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
#define MOVEFILE_DELAY_UNTIL_REBOOT 0x00000004
#define MOVEFILE_WRITE_THROUGH 0x00000008

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];
  WCHAR cAlternateFileName[14];
};
typedef WIN32_FIND_DATAW* LPWIN32_FIND_DATAW;

KVSTD_C_API BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security);
KVSTD_C_API BOOL RemoveDirectoryW(LPCWSTR path);
KVSTD_C_API DWORD GetFileAttributesW(LPCWSTR path);
KVSTD_C_API BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes);
KVSTD_C_API BOOL DeleteFileW(LPCWSTR path);
KVSTD_C_API BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
KVSTD_C_API BOOL MoveFileW(LPCWSTR from, LPCWSTR to);
/// The current folder in Windows form without a trailing backslash ("Z:\" for
/// the root). Returns the length, or the size needed (with the terminator)
/// when the buffer is too small.
KVSTD_C_API DWORD GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer);
KVSTD_C_API BOOL SetCurrentDirectoryW(LPCWSTR path);

/// Copies a file's data, mode (so its read-only attribute) and times. A link
/// as the source copies what it points to. With failIfExists an existing
/// target fails with ERROR_FILE_EXISTS; otherwise it is overwritten, except
/// a read-only one or a folder (ERROR_ACCESS_DENIED) and the source itself
/// (ERROR_SHARING_VIOLATION); a link as the target is replaced, never
/// written through. A copy that fails midway leaves no partial target.
KVSTD_C_API BOOL CopyFileW(LPCWSTR existingFile, LPCWSTR newFile, BOOL failIfExists);
/// The user's temporary folder in Windows form with a trailing backslash:
/// $TMPDIR when set, else a folder of the user's own under /tmp (created
/// with mode 0700). Returns the length without the terminator, the size
/// needed (terminator included) when the buffer is too small, 0 on failure.
KVSTD_C_API DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer);
/// path + up to three characters of prefix + the number in hexadecimal +
/// ".tmp" into buffer (MAX_PATH units). unique 0: a number from the clock,
/// tried upwards until a new empty file of that name is created; otherwise
/// its low 16 bits name the file, none is made, and unique is returned.
/// Returns the number used; 0 on failure.
KVSTD_C_API UINT GetTempFileNameW(LPCWSTR path, LPCWSTR prefix, UINT unique, LPWSTR buffer);

/// Wildcards (* and ?) in the last component, matched without regard to case;
/// "*.*" matches every name; "." and ".." are reported.
KVSTD_C_API HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
KVSTD_C_API BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data);
KVSTD_C_API BOOL FindClose(HANDLE find);

/// Host hooks (not Win32): the POSIX path a Windows path maps to, and the
/// Windows form of a POSIX path, for a host that meets paths of both kinds
/// (its command line, its own dialogs). KvMapPath returns FALSE (and sets the
/// last error) for an unmapped drive or a network path.
namespace kavro::platform {
KVSTD_API bool KvMapPath(LPCWSTR windowsPath, std::string& posixPath);
KVSTD_API std::wstring KvWindowsPath(const std::string& posixPath);
}  // namespace kavro::platform
