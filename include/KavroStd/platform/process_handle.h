/// @file
/// @ingroup platform_layer
/// Process handles: a child process as a kernel object that
/// WaitForSingleObject waits for and CloseHandle releases.
///
///   HANDLE p = kavro::platform::KvProcessHandleFromPid(pid);   // a child of ours
///   WaitForSingleObject(p, INFINITE);
///   DWORD code; GetExitCodeProcess(p, &code);
///   CloseHandle(p);
///
/// The child is reaped as soon as it ends, whether or not a handle is still
/// open, so it never lingers as a zombie. A child killed by a signal exits
/// with code 128 + the signal number.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/sync.h"

#define STILL_ACTIVE 259

/// The exit code, or STILL_ACTIVE while the process runs. FALSE with
/// ERROR_INVALID_HANDLE for a handle that is no process.
KVSTD_C_API BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
/// The process id; 0 with ERROR_INVALID_HANDLE for a handle that is no process.
KVSTD_C_API DWORD GetProcessId(HANDLE process);

namespace kavro::platform {
/// Takes a child of this process (from fork or posix_spawn, not yet waited
/// for) into a new process handle: the hook a host's shell-execution handler
/// (shellapi.h) uses to hand back hProcess. Null with ERROR_INVALID_PARAMETER
/// for a pid below 1.
KVSTD_API HANDLE KvProcessHandleFromPid(int pid);
}  // namespace kavro::platform
