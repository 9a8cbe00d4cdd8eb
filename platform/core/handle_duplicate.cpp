// DuplicateHandle and CreatePipe over file handles: a duplicate is a dup()
// of the descriptor, so it shares the open file description (position and
// status flags) with the source, as duplicated Win32 file handles do.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "KavroStd/platform/handleapi.h"
#include "KavroStd/platform/sysinfo.h"
#include "platform/core/errors_internal.h"
#include "platform/core/handles_internal.h"
#include "platform/fs/fileapi_internal.h"

using kavro::platform::KvFileDescriptor;
using kavro::platform::KvHandleFromDescriptor;

extern "C" BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess,
                                LPHANDLE target, DWORD, BOOL, DWORD options) {
  if (target) *target = nullptr;
  if (sourceProcess != GetCurrentProcess() || targetProcess != GetCurrentProcess()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const int fd = KvFileDescriptor(source);
  if (fd < 0) {
    SetLastError(kavro::platform::detail::LookupKernelObject(source) ? ERROR_NOT_SUPPORTED
                                                                     : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // Windows closes the source under DUPLICATE_CLOSE_SOURCE even when the
  // copy cannot be made; without a target only the closing is asked for.
  BOOL ok = TRUE;
  if (target) {
    // The access of a duplicate cannot be narrowed here: it always has the
    // source's access, as with DUPLICATE_SAME_ACCESS.
    const int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
      kavro::platform::SetLastErrorFromErrno(errno);
      ok = FALSE;
    } else {
      *target = KvHandleFromDescriptor(copy);
    }
  }
  if (options & DUPLICATE_CLOSE_SOURCE) CloseHandle(source);
  if (ok) SetLastError(ERROR_SUCCESS);
  return ok;
}

extern "C" BOOL CreatePipe(LPHANDLE readPipe, LPHANDLE writePipe, LPSECURITY_ATTRIBUTES,
                           DWORD size) {
  if (!readPipe || !writePipe) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    kavro::platform::SetLastErrorFromErrno(errno);
    return FALSE;
  }
  // The size is a hint; the kernel may round it or refuse it.
  if (size > 0) fcntl(fds[1], F_SETPIPE_SZ, static_cast<int>(size > 0x7FFFFFFF ? 0x7FFFFFFF : size));
  *readPipe = KvHandleFromDescriptor(fds[0]);
  *writePipe = KvHandleFromDescriptor(fds[1]);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
