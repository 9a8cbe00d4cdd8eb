// Whole-buffer and whole-file transfers (posix_io_internal.h).
#include "platform/core/posix_io_internal.h"

#include "platform/core/sys_calls_internal.h"

namespace kavro::platform {

int WriteAll(int fd, const void* data, size_t size, size_t* written) {
  const char* bytes = static_cast<const char*>(data);
  size_t done = 0;
  int err = 0;
  while (done < size) {
    ssize_t n = RetryOnEintr([&] { return Sys().Write(fd, bytes + done, size - done); });
    if (n <= 0) {
      err = n < 0 ? errno : EIO;
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (written) *written = done;
  return err;
}

int ReadFull(int fd, void* buffer, size_t size, size_t* got) {
  char* bytes = static_cast<char*>(buffer);
  size_t done = 0;
  int err = 0;
  while (done < size) {
    ssize_t n = RetryOnEintr([&] { return Sys().Read(fd, bytes + done, size - done); });
    if (n < 0) err = errno;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  *got = done;
  return err;
}

int ReadWholeFile(int fd, off_t sizeHint, std::string& out) {
  // One byte beyond the expected size, so that the common case is one read
  // of the whole file and one that finds its end.
  out.assign(sizeHint > 0 ? static_cast<size_t>(sizeHint) + 1 : 4096, '\0');
  size_t used = 0;
  for (;;) {
    if (used == out.size()) out.resize(out.size() * 2);
    ssize_t n = RetryOnEintr(
        [&] { return Sys().PRead(fd, out.data() + used, out.size() - used, static_cast<off_t>(used)); });
    if (n < 0) return errno;
    if (n == 0) break;
    used += static_cast<size_t>(n);
  }
  out.resize(used);
  return 0;
}

}  // namespace kavro::platform
