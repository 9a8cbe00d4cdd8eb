// The real system calls behind Sys() (sys_calls_internal.h).
#include "platform/core/sys_calls_internal.h"

#include <sys/file.h>
#include <unistd.h>

#include <cstdio>

namespace kavro::platform {
namespace {
// The POSIX calls as they are: the base class's own methods.
class PosixSysCalls final : public SysCalls {};
constinit PosixSysCalls gReal;
}  // namespace

namespace detail {
constinit std::atomic<SysCalls*> gSysCalls{&gReal};
}

SysCalls* SetSysCalls(SysCalls* calls) {
  return detail::gSysCalls.exchange(calls ? calls : &gReal, std::memory_order_acq_rel);
}

int SysCalls::OpenAt(int dir, const char* path, int flags, mode_t mode) { return openat(dir, path, flags, mode); }

ssize_t SysCalls::Read(int fd, void* buffer, size_t size) { return read(fd, buffer, size); }

ssize_t SysCalls::PRead(int fd, void* buffer, size_t size, off_t offset) {
  return pread(fd, buffer, size, offset);
}

ssize_t SysCalls::Write(int fd, const void* data, size_t size) { return write(fd, data, size); }

ssize_t SysCalls::PWrite(int fd, const void* data, size_t size, off_t offset) {
  return pwrite(fd, data, size, offset);
}

ssize_t SysCalls::CopyRange(int in, int out, size_t size) {
  return copy_file_range(in, nullptr, out, nullptr, size, 0);
}

int SysCalls::Fstat(int fd, struct stat* st) { return fstat(fd, st); }

int SysCalls::Flock(int fd, int operation) { return flock(fd, operation); }

int SysCalls::RenameAt(int fromDir, const char* from, int toDir, const char* to) {
  return renameat(fromDir, from, toDir, to);
}

int SysCalls::UnlinkAt(int dir, const char* path, int flags) { return unlinkat(dir, path, flags); }

int SysCalls::LinkAt(int fromDir, const char* from, int toDir, const char* to, int flags) {
  return linkat(fromDir, from, toDir, to, flags);
}

int SysCalls::Close(int fd) { return close(fd); }

}  // namespace kavro::platform
