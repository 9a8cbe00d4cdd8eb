/// @file
/// @ingroup platform_layer
/// What the file system tells about a file or a volume: the by-handle file
/// record, the volume's label and serial number, and the short and long
/// forms of a path.
///
///   BY_HANDLE_FILE_INFORMATION info;
///   HANDLE h = CreateFileW(L"Z:\\tmp\\a.txt", GENERIC_READ, FILE_SHARE_READ,
///                          nullptr, OPEN_EXISTING, 0, nullptr);
///   if (h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info))
///     size = (ULONGLONG(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
///
/// Linux has no 8.3 names: the short form of a path is its long form.
/// The volume serial number is derived from the device number, so files and
/// the root of one volume agree on it; the file index is the inode number.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/fileapi.h"

struct BY_HANDLE_FILE_INFORMATION {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD dwVolumeSerialNumber;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD nNumberOfLinks;
  DWORD nFileIndexHigh;
  DWORD nFileIndexLow;
};
typedef BY_HANDLE_FILE_INFORMATION* LPBY_HANDLE_FILE_INFORMATION;
static_assert(sizeof(BY_HANDLE_FILE_INFORMATION) == 52, "BY_HANDLE_FILE_INFORMATION is 52 bytes");
static_assert(offsetof(BY_HANDLE_FILE_INFORMATION, dwVolumeSerialNumber) == 28,
              "BY_HANDLE_FILE_INFORMATION layout");

#define FILE_CASE_SENSITIVE_SEARCH 0x00000001
#define FILE_CASE_PRESERVED_NAMES 0x00000002
#define FILE_UNICODE_ON_DISK 0x00000004
#define FILE_READ_ONLY_VOLUME 0x00080000

/// Attributes, times (creation: the older of change and modification time),
/// volume serial, size, link count and index of an open file or folder.
/// FALSE with ERROR_INVALID_HANDLE for a handle that is not a file,
/// ERROR_INVALID_PARAMETER for a null record.
KVSTD_C_API BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info);

/// The volume that holds root: "X:\" for a mapped drive, "\" for the current
/// drive, a null root for the current folder's volume, or the folder where a
/// volume is mounted, each with its trailing backslash. The label is the
/// file system's label where the system lists one (/dev/disk/by-label),
/// else empty; the serial number as in GetFileInformationByHandle; the file
/// system name is the Linux type ("ext4", "tmpfs", ...). Null outputs are
/// skipped; a buffer too small for its text fails with
/// ERROR_INSUFFICIENT_BUFFER (sizes count characters with the terminator).
/// FALSE with ERROR_INVALID_NAME for a root without its trailing backslash,
/// ERROR_DIR_NOT_ROOT for a folder that is neither a drive root nor a mount
/// point, ERROR_PATH_NOT_FOUND or ERROR_BAD_NETPATH for an unmapped drive or
/// a network path.
KVSTD_C_API BOOL GetVolumeInformationW(LPCWSTR root, LPWSTR label, DWORD labelSize, LPDWORD serial,
                                       LPDWORD maxComponentLength, LPDWORD fileSystemFlags,
                                       LPWSTR fileSystemName, DWORD fileSystemNameSize);

/// The short and the long form of an existing path: the path as given (no
/// 8.3 names exist). The length without the terminator; when the buffer is
/// too small (or null), the size needed with the terminator and the buffer
/// is left alone. 0 with ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND when
/// the path does not exist, ERROR_INVALID_PARAMETER for a null path.
KVSTD_C_API DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD size);
KVSTD_C_API DWORD GetLongPathNameW(LPCWSTR shortPath, LPWSTR longPath, DWORD size);
