// Win32 errors of the file calls as the runtime's errno values.
#include "platform/crt/crt_errno_internal.h"

namespace kavro::platform {

int FailFromLastError(int exists) {
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH: case ERROR_NO_MORE_FILES: case ERROR_INVALID_NAME:
    case ERROR_BUFFER_OVERFLOW:
      errno = ENOENT;
      break;
    case ERROR_FILE_EXISTS: case ERROR_ALREADY_EXISTS:
      errno = exists;
      break;
    case ERROR_DIR_NOT_EMPTY: case ERROR_DIRECTORY:
      errno = ENOTEMPTY;
      break;
    case ERROR_NOT_SAME_DEVICE: errno = EXDEV; break;
    case ERROR_TOO_MANY_OPEN_FILES: errno = EMFILE; break;
    case ERROR_NOT_ENOUGH_MEMORY: case ERROR_OUTOFMEMORY: errno = ENOMEM; break;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: errno = ENOSPC; break;
    case ERROR_INVALID_PARAMETER: errno = EINVAL; break;
    default: errno = EACCES; break;
  }
  return -1;
}

}  // namespace kavro::platform
