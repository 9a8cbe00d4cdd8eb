/// @file
/// @ingroup platform_layer
/// Kernel object handles (files, mutexes, find handles) and the file handle
/// calls. A handle is valid from its creation to CloseHandle; the layer checks
/// every handle it is given and fails with ERROR_INVALID_HANDLE on a stale or
/// foreign one.
#pragma once

#include "KavroStd/platform/generic_text.h"

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

/// Opening a path that names a folder fails with ERROR_ACCESS_DENIED, and
/// writing to a read-only file with ERROR_ACCESS_DENIED, as on Windows.
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
KVSTD_C_API BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access,
                             const FILETIME* write);

// What a handle refers to: a disk file, a pipe (or socket), a character
// device, or FILE_TYPE_UNKNOWN with ERROR_INVALID_HANDLE.
#define FILE_TYPE_UNKNOWN 0x0000
#define FILE_TYPE_DISK 0x0001
#define FILE_TYPE_CHAR 0x0002
#define FILE_TYPE_PIPE 0x0003
KVSTD_C_API DWORD GetFileType(HANDLE file);

// Only the current process (GetCurrentProcess) exists here; a duplicate
// of a file handle shares the open file (and its position) with the source.
#define DUPLICATE_CLOSE_SOURCE 0x00000001
#define DUPLICATE_SAME_ACCESS 0x00000002
KVSTD_C_API BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess,
                                 LPHANDLE target, DWORD access, BOOL inherit, DWORD options);

/// An anonymous pipe: a read handle and a write handle (size is a hint).
KVSTD_C_API BOOL CreatePipe(LPHANDLE readPipe, LPHANDLE writePipe,
                            LPSECURITY_ATTRIBUTES attributes, DWORD size);
