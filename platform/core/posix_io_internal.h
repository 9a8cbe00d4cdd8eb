// Whole-buffer and whole-file transfers and the EINTR retry, written once for
// the platform layer. Every transfer goes through Sys() (sys_calls_internal.h),
// so tests can deliver short transfers, interruptions and errors.
//
//   if (int err = WriteAll(fd, bytes.data(), bytes.size())) return Win32ErrorFromErrno(err);
//
// Results are 0 or an errno value (errno itself is left as the failing call
// set it); a call interrupted by a signal (EINTR) is made again.
#pragma once

#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <string>

namespace kavro::platform {

// Calls `call` again while it fails with EINTR; returns its last result.
// For calls that fail with -1 and errno. Never for close(2): Linux has closed
// the descriptor even when close reports EINTR.
template <class Call>
auto RetryOnEintr(Call call) -> decltype(call()) {
  decltype(call()) result;
  do {
    result = call();
  } while (result == -1 && errno == EINTR);
  return result;
}

// Writes all `size` bytes at the file position, going on after short writes.
// `written` (when given) receives the bytes written, also on failure. A write
// that moves nothing without an error gives EIO.
int WriteAll(int fd, const void* data, size_t size, size_t* written = nullptr);

// Reads up to `size` bytes at the file position, going on after short reads
// until `size` bytes or the end of the file. `got` receives the bytes read,
// also on failure.
int ReadFull(int fd, void* buffer, size_t size, size_t* got);

// Reads everything from `fd` from offset 0 (pread: the file position stays)
// into `out`; `sizeHint` is the expected size (from fstat; 0 when unknown).
int ReadWholeFile(int fd, off_t sizeHint, std::string& out);

}  // namespace kavro::platform
