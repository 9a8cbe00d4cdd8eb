// CopyFileW: data, mode and times of one file, as Windows copies them.
//
// The source is opened following links (Windows copies what a link points
// to). The target is written in place, as Windows does: an existing file is
// truncated and refilled, a link as the target is replaced by the copy (so
// nothing outside the target's folder is written), and a copy that fails
// midway removes what it wrote. The data moves in the kernel where it can
// (copy_file_range), else through a buffer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "KavroStd/platform/fileapi.h"
#include "platform/core/errors_internal.h"
#include "platform/core/posix_io_internal.h"
#include "platform/core/sys_calls_internal.h"
#include "platform/fs/long_path_internal.h"
#include "platform/fs/path_internal.h"

namespace kavro::platform {
namespace {

// Closes the descriptor on every path out.
class ScopedFd {
 public:
  explicit ScopedFd(int fd) : fd_(fd) {}
  ~ScopedFd() {
    if (fd_ >= 0) Sys().Close(fd_);
  }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  int get() const { return fd_; }
  // Closes now and reports close's own error (a late write error).
  int Close() {
    int r = Sys().Close(fd_);
    fd_ = -1;
    return r;
  }

 private:
  int fd_;
};

// Copies every byte of in to out; false with errno set on failure.
bool CopyData(int in, int out, off_t size) {
  bool kernel = true;
  off_t done = 0;
  while (kernel && done < size) {
    ssize_t n = RetryOnEintr([&] { return Sys().CopyRange(in, out, static_cast<size_t>(size - done)); });
    if (n > 0) {
      done += n;
    } else if (n == 0) {
      break;  // the file shrank: the rest comes through read below
    } else if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
               errno == EBADF) {
      kernel = false;  // not offered here; the buffer loop picks up at `done`
    } else {
      return false;
    }
  }
  char buffer[64 * 1024];
  for (;;) {
    ssize_t n = RetryOnEintr([&] { return Sys().Read(in, buffer, sizeof(buffer)); });
    if (n < 0) return false;
    if (n == 0) return true;
    if (int err = WriteAll(out, buffer, static_cast<size_t>(n))) {
      errno = err;
      return false;
    }
  }
}

// Opens the target for the copy: created new, or truncated in place when it
// may be overwritten. Sets the last error and returns -1 when it may not.
int OpenTarget(const std::string& to, const struct stat& source, bool failIfExists) {
  struct stat existing;
  if (PathLstat(to, &existing) == 0) {
    if (failIfExists) {
      SetLastError(ERROR_FILE_EXISTS);
      return -1;
    }
    struct stat resolved;
    if (PathStat(to, &resolved) == 0 && resolved.st_dev == source.st_dev && resolved.st_ino == source.st_ino) {
      SetLastError(ERROR_SHARING_VIOLATION);  // the source is open: Windows refuses
      return -1;
    }
    if (S_ISDIR(existing.st_mode)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return -1;
    }
    if (S_ISLNK(existing.st_mode)) {
      if (PathUnlink(to) != 0) {
        FailForPath(to, errno);
        return -1;
      }
    } else {
      if (IsReadOnlyMode(existing.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return -1;
      }
      int fd = PathOpen(to, O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
      if (fd < 0) FailForPath(to, errno);
      return fd;
    }
  }
  int fd = PathOpen(to, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (errno == EEXIST) SetLastError(ERROR_FILE_EXISTS);  // made meanwhile
    else FailForPath(to, errno);
  }
  return fd;
}

}  // namespace
}  // namespace kavro::platform

using namespace kavro::platform;

extern "C" BOOL CopyFileW(LPCWSTR existingFile, LPCWSTR newFile, BOOL failIfExists) {
  std::string from, to;
  if (!KvMapPath(existingFile, from) || !KvMapPath(newFile, to)) return FALSE;
  // O_NONBLOCK: a FIFO must not hang the open; only regular files are copied.
  ScopedFd in(PathOpen(from, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (in.get() < 0) return FailForPath(from, errno);
  struct stat source;
  if (RetryOnEintr([&] { return Sys().Fstat(in.get(), &source); }) != 0) return FailForPath(from, errno);
  if (!S_ISREG(source.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  ScopedFd out(OpenTarget(to, source, failIfExists != FALSE));
  if (out.get() < 0) return FALSE;
  // Mode and times follow the data, so that a read-only source gives a
  // read-only copy only once it is complete.
  struct timespec times[2] = {source.st_atim, source.st_mtim};
  if (!CopyData(in.get(), out.get(), source.st_size) || fchmod(out.get(), source.st_mode & 0777) != 0 ||
      futimens(out.get(), times) != 0 || out.Close() != 0) {
    int e = errno;
    PathUnlink(to);
    SetLastErrorFromErrno(e);
    return FALSE;
  }
  return TRUE;
}
