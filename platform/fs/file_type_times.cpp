// GetFileType and SetFileTime on file handles.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "KavroStd/platform/handleapi.h"
#include "platform/core/errors_internal.h"
#include "platform/fs/fileapi_internal.h"

using kavro::platform::KvFileDescriptor;

namespace {

constexpr long long kTicksPerSecond = 10000000LL;
constexpr long long kTicks1601To1970 = 116444736000000000LL;

// A null time, or one of 0 (Windows' "leave as it is"), or all ones
// ("stop updating", which Linux cannot do), changes nothing.
bool KeepsTime(const FILETIME* t) {
  if (!t) return true;
  if (t->dwLowDateTime == 0 && t->dwHighDateTime == 0) return true;
  return t->dwLowDateTime == 0xFFFFFFFFu && t->dwHighDateTime == 0xFFFFFFFFu;
}

bool ToTimespec(const FILETIME* t, struct timespec& out) {
  if (KeepsTime(t)) {
    out.tv_sec = 0;
    out.tv_nsec = UTIME_OMIT;
    return true;
  }
  const unsigned long long ticks =
      (static_cast<unsigned long long>(t->dwHighDateTime) << 32) | t->dwLowDateTime;
  if (ticks >> 63) return false;
  const long long since1970 = static_cast<long long>(ticks) - kTicks1601To1970;
  long long seconds = since1970 / kTicksPerSecond;
  long long rest = since1970 % kTicksPerSecond;
  if (rest < 0) {
    rest += kTicksPerSecond;
    seconds -= 1;
  }
  out.tv_sec = static_cast<time_t>(seconds);
  out.tv_nsec = static_cast<long>(rest * 100);
  return true;
}

}  // namespace

extern "C" DWORD GetFileType(HANDLE file) {
  const int fd = KvFileDescriptor(file);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FILE_TYPE_UNKNOWN;
  }
  SetLastError(ERROR_SUCCESS);
  if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return FILE_TYPE_PIPE;
  if (S_ISCHR(st.st_mode)) return FILE_TYPE_CHAR;
  return FILE_TYPE_DISK;  // regular files, folders and block devices (volumes)
}

// The creation time has no settable counterpart on Linux and is accepted
// without effect. A handle opened without write access may not change the
// times, as on Windows (GENERIC_READ carries no FILE_WRITE_ATTRIBUTES).
extern "C" BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access,
                            const FILETIME* write) {
  (void)creation;
  const int fd = KvFileDescriptor(file);
  if (fd < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  struct timespec times[2];
  if (!ToTimespec(access, times[0]) || !ToTimespec(write, times[1])) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const int flags = fcntl(fd, F_GETFL);
  struct stat st;
  if (flags >= 0 && (flags & O_ACCMODE) == O_RDONLY && fstat(fd, &st) == 0 &&
      !S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (futimens(fd, times) != 0) {
    kavro::platform::SetLastErrorFromErrno(errno);
    return FALSE;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
