/// @file
/// @ingroup platform_layer
/// Child processes: CreateProcessW, TerminateProcess and the pipe peek that
/// a parent reading a child's output polls with.
///
///   HANDLE rd, wr;
///   SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
///   CreatePipe(&rd, &wr, &sa, 0);
///   STARTUPINFOW si = {sizeof(si)};
///   si.dwFlags = STARTF_USESTDHANDLES;
///   si.hStdOutput = si.hStdError = wr;
///   PROCESS_INFORMATION pi;
///   wchar_t cmd[] = L"make -k all";
///   CreateProcessW(nullptr, cmd, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
///
/// The command line is split into arguments by the Windows C runtime's rules
/// and run without a shell. A program named without a folder is looked for
/// in the caller's executable folder, the current folder, then each folder
/// of PATH; a name without an extension takes ".exe" where such a file
/// exists. Only the three standard handles reach the child, and only with
/// STARTF_USESTDHANDLES and bInheritHandles; standard input not given is
/// /dev/null. Every child leads a process group of its own.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/handleapi.h"
#include "KavroStd/platform/process_handle.h"

#define STARTF_USESHOWWINDOW 0x00000001
#define STARTF_USESTDHANDLES 0x00000100
#define CREATE_NEW_CONSOLE 0x00000010
#define CREATE_NEW_PROCESS_GROUP 0x00000200
#define CREATE_UNICODE_ENVIRONMENT 0x00000400
#define CREATE_NO_WINDOW 0x08000000
#define DETACHED_PROCESS 0x00000008
#define NORMAL_PRIORITY_CLASS 0x00000020


struct STARTUPINFOW {
  DWORD cb;
  LPWSTR lpReserved;
  LPWSTR lpDesktop;
  LPWSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
};
typedef STARTUPINFOW* LPSTARTUPINFOW;

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};
typedef PROCESS_INFORMATION* LPPROCESS_INFORMATION;

/// Errors: ERROR_FILE_NOT_FOUND for a program that is not found,
/// ERROR_DIRECTORY for a working folder that is not one, ERROR_ACCESS_DENIED
/// for a file that may not be run, ERROR_BAD_EXE_FORMAT for one that is no
/// program, ERROR_INVALID_PARAMETER for a missing command and a bad
/// environment block. The command line is not changed.
KVSTD_C_API BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine,
                                LPSECURITY_ATTRIBUTES processAttributes,
                                LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                                LPSTARTUPINFOW startupInfo,
                                LPPROCESS_INFORMATION processInformation);

/// Ends the process at once; GetExitCodeProcess then gives exitCode. FALSE
/// with ERROR_ACCESS_DENIED when the process has already ended.
KVSTD_C_API BOOL TerminateProcess(HANDLE process, UINT exitCode);

/// What waits in a pipe without taking it: up to bufferSize bytes copied to
/// buffer (may be null), the count copied, the count waiting. FALSE with
/// ERROR_BROKEN_PIPE when nothing waits and every writer has closed its end.
KVSTD_C_API BOOL PeekNamedPipe(HANDLE pipe, LPVOID buffer, DWORD bufferSize, LPDWORD bytesRead,
                               LPDWORD totalBytesAvail, LPDWORD bytesLeftThisMessage);

/// Suspends the calling thread for at least the given milliseconds.
KVSTD_C_API void Sleep(DWORD milliseconds);
