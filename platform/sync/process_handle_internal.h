// Children the library starts without handing out a handle (process_handle.h
// has the handles themselves); hidden in the shared library.
#pragma once

#include "KavroStd/platform/win_types.h"

namespace kavro::platform {
// A process handle and a thread handle (its main thread: waiting on it waits
// for the process) for a child just started.
void KvChildHandles(int pid, HANDLE* process, HANDLE* thread);
// Ends the whole process group that the process leads (the process, and
// the children it started that are still in its group), as TerminateProcess
// ends the process: FALSE with ERROR_ACCESS_DENIED when the process has
// ended and no member of its group is left.
BOOL KvTerminateProcessGroup(HANDLE process, UINT exitCode);

// Reaps a child of this process in the background without a handle, so it
// never lingers as a zombie.
void KvReapChildProcess(int pid);
}  // namespace kavro::platform
