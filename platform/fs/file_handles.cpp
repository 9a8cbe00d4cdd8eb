// File handles: CreateFileW and the read, write, seek and size calls.
//
// Windows share modes have no Linux counterpart and are accepted as given:
// no sharing violation is ever reported. The read-only attribute (no write
// bit) is honoured for every caller, root included.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "KavroStd/platform/handleapi.h"
#include "platform/core/errors_internal.h"
#include "platform/core/posix_io_internal.h"
#include "platform/core/sys_calls_internal.h"
#include "platform/core/handles_internal.h"
#include "platform/fs/fileapi_internal.h"
#include "platform/fs/long_path_internal.h"
#include "platform/fs/path_internal.h"

namespace kavro::platform {
namespace {

// Writes to a pipe with SIGPIPE blocked in this thread: a write whose reader
// has gone fails with EPIPE instead of ending the process, and the signal
// it raised is taken back unless one was already pending.
int WriteToPipe(int fd, const void* data, size_t size, size_t* total) {
  sigset_t pipeOnly, previous, pending;
  sigemptyset(&pipeOnly);
  sigaddset(&pipeOnly, SIGPIPE);
  sigemptyset(&pending);
  sigpending(&pending);
  const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
  pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
  int err = WriteAll(fd, data, size, total);
  if (err == EPIPE && !wasPending) {
    struct timespec zero = {0, 0};
    while (sigtimedwait(&pipeOnly, nullptr, &zero) < 0 && errno == EINTR) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return err;
}

struct FileObject : detail::KernelObject {
  int fd = -1;
  // -1 not yet known, else whether fd is a pipe or socket (read once).
  int pipe = -1;
  ~FileObject() override {
    if (fd >= 0) close(fd);
  }
};

FileObject* FileOf(HANDLE h) {
  FileObject* f = detail::LookupHandle<FileObject>(h);
  if (!f) SetLastError(ERROR_INVALID_HANDLE);
  return f;
}

bool ParentExists(const std::string& path) {
  size_t slash = path.find_last_of('/');
  std::string parent = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  struct stat st;
  return PathStat(parent, &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

int KvFileDescriptor(HANDLE file) {
  FileObject* f = detail::LookupHandle<FileObject>(file);
  return f ? f->fd : -1;
}

// Wraps an open descriptor in a file handle (the handle owns it).
HANDLE KvHandleFromDescriptor(int fd) {
  auto object = std::make_unique<FileObject>();
  object->fd = fd;
  return detail::RegisterHandle(std::move(object));
}

}  // namespace kavro::platform

using namespace kavro::platform;

extern "C" HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES,
                              DWORD creation, DWORD flags, HANDLE) {
  std::string p;
  if (!KvMapPath(path, p)) return INVALID_HANDLE_VALUE;
  bool wantRead = access & (GENERIC_READ | GENERIC_ALL | 0x0001u);
  bool wantWrite = access & (GENERIC_WRITE | GENERIC_ALL | 0x0002u | 0x0004u);
  int oflags = O_CLOEXEC;
  oflags |= wantWrite ? (wantRead ? O_RDWR : O_WRONLY) : O_RDONLY;
  struct stat st;
  bool exists = PathStat(p, &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    if (!(flags & FILE_FLAG_BACKUP_SEMANTICS) || wantWrite) {
      SetLastError(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
    oflags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  }
  switch (creation) {
    case CREATE_NEW:
      if (exists) {
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
      }
      oflags |= O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS:
      oflags |= O_CREAT | O_TRUNC;
      break;
    case OPEN_EXISTING:
      break;
    case OPEN_ALWAYS:
      oflags |= O_CREAT;
      break;
    case TRUNCATE_EXISTING:
      if (!wantWrite) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
      }
      oflags |= O_TRUNC;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
  }
  if (exists && IsReadOnlyMode(st.st_mode) && (wantWrite || (oflags & O_TRUNC))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if ((oflags & O_TRUNC) && !wantWrite) oflags = (oflags & ~O_RDONLY) | O_RDWR;
  // A FIFO or device has no Windows counterpart: its open must not wait
  // for a peer. The descriptor is made blocking again once open.
  const bool special = exists && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
  if (special) oflags |= O_NONBLOCK;
  mode_t mode = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  int fd = PathOpen(p, oflags, mode);
  if (fd >= 0 && special) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (fd < 0) {
    int e = errno;
    if (e == ENOENT) SetLastError(ParentExists(p) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    else if (e == EEXIST) SetLastError(ERROR_FILE_EXISTS);
    else SetLastErrorFromErrno(e);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE h = KvHandleFromDescriptor(fd);
  SetLastError(exists && (creation == CREATE_ALWAYS || creation == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                : ERROR_SUCCESS);
  return h;
}

extern "C" BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, void*) {
  FileObject* f = FileOf(file);
  if (read) *read = 0;
  if (!f) return FALSE;
  if (!buffer && toRead) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (f->pipe < 0) {
    struct stat st;
    f->pipe = fstat(f->fd, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
  }
  if (f->pipe) {
    // A pipe hands over what is waiting (blocking until something is), and
    // at its end, once every writer has closed, fails with ERROR_BROKEN_PIPE.
    ssize_t n = toRead ? RetryOnEintr([&] { return Sys().Read(f->fd, buffer, toRead); }) : 0;
    if (n < 0) {
      SetLastErrorFromErrno(errno);
      return FALSE;
    }
    if (n == 0 && toRead) {
      SetLastError(ERROR_BROKEN_PIPE);
      return FALSE;
    }
    if (read) *read = static_cast<DWORD>(n);
    return TRUE;
  }
  size_t total = 0;
  int err = ReadFull(f->fd, buffer, toRead, &total);
  if (read) *read = static_cast<DWORD>(total);
  if (err) {
    // EBADF on a registered descriptor: the handle was not opened for reading.
    SetLastErrorFromErrno(err == EISDIR || err == EBADF ? EACCES : err);
    return FALSE;
  }
  return TRUE;
}

extern "C" BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, void*) {
  FileObject* f = FileOf(file);
  if (written) *written = 0;
  if (!f) return FALSE;
  if (!buffer && toWrite) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (f->pipe < 0) {
    struct stat st;
    f->pipe = fstat(f->fd, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
  }
  size_t total = 0;
  int err = f->pipe ? WriteToPipe(f->fd, buffer, toWrite, &total) : WriteAll(f->fd, buffer, toWrite, &total);
  if (written) *written = static_cast<DWORD>(total);
  if (err == EPIPE) {
    SetLastError(ERROR_NO_DATA);  // the reading end is closed
    return FALSE;
  }
  if (err) {
    SetLastErrorFromErrno(err == EBADF ? EACCES : err);
    return FALSE;
  }
  return TRUE;
}

extern "C" BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPos, DWORD method) {
  FileObject* f = FileOf(file);
  if (!f) return FALSE;
  int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : -1;
  if (whence < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  off_t base = 0;
  if (whence == SEEK_CUR) base = lseek(f->fd, 0, SEEK_CUR);
  if (whence == SEEK_END) {
    struct stat st;
    base = fstat(f->fd, &st) == 0 ? st.st_size : 0;
  }
  if (base + distance.QuadPart < 0) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return FALSE;
  }
  off_t r = lseek(f->fd, static_cast<off_t>(distance.QuadPart), whence);
  if (r < 0) {
    SetLastErrorFromErrno(errno);
    return FALSE;
  }
  if (newPos) newPos->QuadPart = r;
  return TRUE;
}

extern "C" DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
  LARGE_INTEGER d, pos;
  d.QuadPart = distanceHigh ? (static_cast<LONGLONG>(*distanceHigh) << 32) | static_cast<DWORD>(distance)
                            : static_cast<LONGLONG>(distance);
  if (!SetFilePointerEx(file, d, &pos, method)) return INVALID_SET_FILE_POINTER;
  if (distanceHigh) *distanceHigh = pos.u.HighPart;
  else if (pos.QuadPart > 0xFFFFFFFFLL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  SetLastError(ERROR_SUCCESS);
  return pos.u.LowPart;
}

extern "C" BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size) {
  FileObject* f = FileOf(file);
  if (!f) return FALSE;
  struct stat st;
  if (fstat(f->fd, &st) != 0) {
    SetLastErrorFromErrno(errno);
    return FALSE;
  }
  if (size) size->QuadPart = S_ISREG(st.st_mode) ? st.st_size : 0;
  return TRUE;
}

extern "C" DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size)) return INVALID_FILE_SIZE;
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(size.u.HighPart);
  SetLastError(ERROR_SUCCESS);
  return size.u.LowPart;
}

extern "C" BOOL SetEndOfFile(HANDLE file) {
  FileObject* f = FileOf(file);
  if (!f) return FALSE;
  off_t pos = lseek(f->fd, 0, SEEK_CUR);
  if (pos < 0 || ftruncate(f->fd, pos) != 0) {
    SetLastErrorFromErrno(errno == EINVAL || errno == EBADF ? EACCES : errno);
    return FALSE;
  }
  return TRUE;
}

extern "C" BOOL FlushFileBuffers(HANDLE file) {
  FileObject* f = FileOf(file);
  if (!f) return FALSE;
  if (fdatasync(f->fd) != 0 && errno != EINVAL && errno != EROFS) {
    SetLastErrorFromErrno(errno);
    return FALSE;
  }
  return TRUE;
}

extern "C" BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME access, LPFILETIME write) {
  FileObject* f = FileOf(file);
  if (!f) return FALSE;
  struct stat st;
  if (fstat(f->fd, &st) != 0) {
    SetLastErrorFromErrno(errno);
    return FALSE;
  }
  if (creation) *creation = FileTimeFromTimespec(st.st_ctim.tv_sec < st.st_mtim.tv_sec ? st.st_ctim : st.st_mtim);
  if (access) *access = FileTimeFromTimespec(st.st_atim);
  if (write) *write = FileTimeFromTimespec(st.st_mtim);
  return TRUE;
}
