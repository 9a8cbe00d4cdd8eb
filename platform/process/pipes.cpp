// PeekNamedPipe over a pipe descriptor: FIONREAD for the count waiting,
// tee(2) into a scratch pipe to copy bytes without taking them.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <time.h>

#include <cerrno>

#include "KavroStd/platform/processthreadsapi.h"
#include "platform/core/errors_internal.h"
#include "platform/core/handles_internal.h"
#include "platform/core/posix_io_internal.h"
#include "platform/fs/fileapi_internal.h"

namespace {

// Copies up to `size` waiting bytes into buffer without taking them.
DWORD CopyWaiting(int fd, void* buffer, DWORD size) {
  int scratch[2];
  if (pipe2(scratch, O_CLOEXEC) != 0) return 0;
  ssize_t copied = kavro::platform::RetryOnEintr(
      [&] { return tee(fd, scratch[1], size, SPLICE_F_NONBLOCK); });
  DWORD got = 0;
  if (copied > 0) {
    size_t read = 0;
    close(scratch[1]);
    scratch[1] = -1;
    kavro::platform::ReadFull(scratch[0], buffer, static_cast<size_t>(copied), &read);
    got = static_cast<DWORD>(read);
  }
  close(scratch[0]);
  if (scratch[1] >= 0) close(scratch[1]);
  return got;
}

}  // namespace

extern "C" BOOL PeekNamedPipe(HANDLE pipe, LPVOID buffer, DWORD bufferSize, LPDWORD bytesRead,
                              LPDWORD totalBytesAvail, LPDWORD bytesLeftThisMessage) {
  if (bytesRead) *bytesRead = 0;
  if (totalBytesAvail) *totalBytesAvail = 0;
  if (bytesLeftThisMessage) *bytesLeftThisMessage = 0;
  const int fd = kavro::platform::KvFileDescriptor(pipe);
  if (fd < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  int waiting = 0;
  if (ioctl(fd, FIONREAD, &waiting) != 0) {
    // Not a pipe (a disk file, a folder): as Windows answers for a handle
    // that is no pipe.
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
  }
  if (waiting == 0) {
    struct pollfd p = {fd, POLLIN, 0};
    if (kavro::platform::RetryOnEintr([&] { return poll(&p, 1, 0); }) == 1 && (p.revents & POLLHUP) &&
        ioctl(fd, FIONREAD, &waiting) == 0 && waiting == 0) {
      SetLastError(ERROR_BROKEN_PIPE);
      return FALSE;
    }
  }
  DWORD copied = 0;
  if (buffer && bufferSize && waiting > 0)
    copied = CopyWaiting(fd, buffer, bufferSize < static_cast<DWORD>(waiting) ? bufferSize : waiting);
  if (bytesRead) *bytesRead = copied;
  if (totalBytesAvail) *totalBytesAvail = static_cast<DWORD>(waiting);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

extern "C" void Sleep(DWORD milliseconds) {
  struct timespec rest = {static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
  }
}
