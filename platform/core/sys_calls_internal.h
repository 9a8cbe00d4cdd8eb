// The system calls of the file, rewrite and lock code, behind one small
// interface so that tests can make them fail.
//
// The layer calls Sys().Write(fd, ...) where it would call write(fd, ...).
// Sys() is the implementation installed for the process: by default the real
// one, whose every method is the POSIX call of the same name with the same
// arguments, result and errno (no retry on EINTR: callers retry, see
// posix_io_internal.h). A test installs a subclass that fails chosen calls
// (tests/internal/support/fault_injecting_sys_calls.h) and restores the
// previous one when done:
//
//   FaultInjectingSysCalls faults;
//   faults.FailNth(SysCallKind::kWrite, 1, ENOSPC);
//   ScopedSysCalls installed(&faults);
//   EXPECT_EQ(ERROR_DISK_FULL, KvRewriteFile(...));
//
// Cost: one atomic load and one virtual call per system call. Installing is
// meant for tests: the object must outlive every call made through it.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>

namespace kavro::platform {

class SysCalls {
 public:
  constexpr SysCalls() = default;
  SysCalls(const SysCalls&) = delete;
  SysCalls& operator=(const SysCalls&) = delete;

  // openat(2); `dir` AT_FDCWD for open(2).
  virtual int OpenAt(int dir, const char* path, int flags, mode_t mode);
  virtual ssize_t Read(int fd, void* buffer, size_t size);
  virtual ssize_t PRead(int fd, void* buffer, size_t size, off_t offset);
  virtual ssize_t Write(int fd, const void* data, size_t size);
  virtual ssize_t PWrite(int fd, const void* data, size_t size, off_t offset);
  // copy_file_range(2) at both files' positions.
  virtual ssize_t CopyRange(int in, int out, size_t size);
  virtual int Fstat(int fd, struct stat* st);
  virtual int Flock(int fd, int operation);
  virtual int RenameAt(int fromDir, const char* from, int toDir, const char* to);
  virtual int UnlinkAt(int dir, const char* path, int flags);
  virtual int LinkAt(int fromDir, const char* from, int toDir, const char* to, int flags);
  virtual int Close(int fd);

  // Shorthands for the path forms.
  int Open(const char* path, int flags, mode_t mode = 0) { return OpenAt(AT_FDCWD, path, flags, mode); }
  int Rename(const char* from, const char* to) { return RenameAt(AT_FDCWD, from, AT_FDCWD, to); }
  int Unlink(const char* path) { return UnlinkAt(AT_FDCWD, path, 0); }

 protected:
  // Never deleted through this type; trivial, so that the real
  // implementation is never destroyed and stays usable until the very end.
  ~SysCalls() = default;
};

namespace detail {
extern std::atomic<SysCalls*> gSysCalls;
}

// The implementation in use.
inline SysCalls& Sys() { return *detail::gSysCalls.load(std::memory_order_acquire); }

// Installs `calls` (null: the real one) and returns the one it replaces.
SysCalls* SetSysCalls(SysCalls* calls);

// Installs an implementation for a scope and puts the previous one back.
class ScopedSysCalls {
 public:
  explicit ScopedSysCalls(SysCalls* calls) : previous_(SetSysCalls(calls)) {}
  ~ScopedSysCalls() { SetSysCalls(previous_); }
  ScopedSysCalls(const ScopedSysCalls&) = delete;
  ScopedSysCalls& operator=(const ScopedSysCalls&) = delete;

 private:
  SysCalls* previous_;
};

}  // namespace kavro::platform
