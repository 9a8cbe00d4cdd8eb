// Kernel object handles (files, mutexes, find handles) and the file handle
// calls. A handle is valid from its creation to CloseHandle; the layer checks
// every handle it is given and fails with ERROR_INVALID_HANDLE on a stale or
// foreign one.
#pragma once

#include "KavroStd/platform/fileapi.h"

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define GENERIC_EXECUTE 0x20000000u
#define GENERIC_ALL 0x10000000u
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_FLAG_WRITE_THROUGH 0x80000000u
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000u
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000u
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)

KVSTD_C_API BOOL CloseHandle(HANDLE handle);

// Opening a path that names a folder fails with ERROR_ACCESS_DENIED, and
// writing to a read-only file with ERROR_ACCESS_DENIED, as on Windows.
KVSTD_C_API HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD shareMode,
                               LPSECURITY_ATTRIBUTES security, DWORD creation, DWORD flags,
                               HANDLE templateFile);
KVSTD_C_API BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                          void* overlapped);
KVSTD_C_API BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                           void* overlapped);
KVSTD_C_API DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method);
KVSTD_C_API BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPos,
                                  DWORD method);
KVSTD_C_API DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
KVSTD_C_API BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);
KVSTD_C_API BOOL SetEndOfFile(HANDLE file);
KVSTD_C_API BOOL FlushFileBuffers(HANDLE file);
KVSTD_C_API BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME access,
                             LPFILETIME write);

namespace kavro::platform {
// The POSIX descriptor behind a file handle, or -1.
KVSTD_API int KvFileDescriptor(HANDLE file);
// Wraps an open descriptor in a file handle that owns it.
KVSTD_API HANDLE KvHandleFromDescriptor(int fd);
}  // namespace kavro::platform
