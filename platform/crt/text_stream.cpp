// Text-mode streams through fopencookie: the cookie translates line ends and
// keeps its own read buffer, so that the position it reports is always the
// file offset of the next byte a caller gets.
#include "platform/crt/text_stream_internal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/core/posix_io_internal.h"

namespace kavro::platform {
namespace {

struct TextFile {
  int fd = -1;
  std::vector<char> raw;  // bytes read from the file, from offset `start`
  size_t next = 0;        // the next byte of raw to deliver
  off64_t start = 0;
};

// Appends up to 64 KiB from the file; the count read, 0 at the end, -1.
ssize_t Fill(TextFile& file) {
  if (file.next == file.raw.size()) {
    file.start += static_cast<off64_t>(file.raw.size());
    file.raw.clear();
    file.next = 0;
  }
  size_t have = file.raw.size();
  file.raw.resize(have + 65536);
  ssize_t n = RetryOnEintr([&] { return read(file.fd, file.raw.data() + have, 65536); });
  file.raw.resize(have + (n > 0 ? static_cast<size_t>(n) : 0));
  return n;
}

// Where the next delivered byte lies in the file.
off64_t Position(TextFile& file) {
  if (!file.raw.empty()) return file.start + static_cast<off64_t>(file.next);
  return lseek64(file.fd, 0, SEEK_CUR);
}

// Drops read-ahead and puts the descriptor at the position callers see.
bool Settle(TextFile& file) {
  if (file.raw.empty()) return true;
  off64_t at = Position(file);
  file.raw.clear();
  file.next = 0;
  return lseek64(file.fd, at, SEEK_SET) >= 0;
}

ssize_t ReadText(void* cookie, char* out, size_t size) {
  auto& file = *static_cast<TextFile*>(cookie);
  if (file.raw.empty()) file.start = lseek64(file.fd, 0, SEEK_CUR);
  size_t n = 0;
  while (n < size) {
    if (file.next == file.raw.size()) {
      ssize_t got = Fill(file);
      if (got < 0) return n ? static_cast<ssize_t>(n) : -1;
      if (got == 0) break;
    }
    char c = file.raw[file.next];
    if (c == '\r') {
      // A CR at the end of what was read needs the next byte to decide.
      if (file.next + 1 == file.raw.size() && Fill(file) < 0) return n ? static_cast<ssize_t>(n) : -1;
      if (file.next + 1 < file.raw.size() && file.raw[file.next + 1] == '\n') {
        out[n++] = '\n';
        file.next += 2;
        continue;
      }
    }
    out[n++] = c;
    ++file.next;
  }
  return static_cast<ssize_t>(n);
}

ssize_t WriteText(void* cookie, const char* data, size_t size) {
  auto& file = *static_cast<TextFile*>(cookie);
  if (!Settle(file)) return -1;
  std::string bytes;
  bytes.reserve(size + size / 16);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') bytes.push_back('\r');
    bytes.push_back(data[i]);
  }
  if (int err = WriteAll(file.fd, bytes.data(), bytes.size())) {
    errno = err;
    return -1;
  }
  return static_cast<ssize_t>(size);
}

int SeekText(void* cookie, off64_t* offset, int whence) {
  auto& file = *static_cast<TextFile*>(cookie);
  off64_t target;
  if (whence == SEEK_CUR) {
    target = Position(file) + *offset;
    whence = SEEK_SET;
  } else {
    target = *offset;
  }
  file.raw.clear();
  file.next = 0;
  off64_t at = lseek64(file.fd, target, whence);
  if (at < 0) return -1;
  file.start = at;
  *offset = at;
  return 0;
}

int CloseText(void* cookie) {
  auto* file = static_cast<TextFile*>(cookie);
  int result = close(file->fd);
  delete file;
  return result;
}

}  // namespace

FILE* OpenTextStream(int fd, const char* glibcMode) {
  auto* file = new TextFile;
  file->fd = fd;
  FILE* stream = fopencookie(file, glibcMode, {ReadText, WriteText, SeekText, CloseText});
  if (!stream) {
    int saved = errno;
    close(fd);
    delete file;
    errno = saved;
    return nullptr;
  }
  // Unbuffered: every byte goes through the cookie, so positions are exact.
  // glibc still gathers each printf or put call into one write.
  setvbuf(stream, nullptr, _IONBF, 0);
  return stream;
}

}  // namespace kavro::platform
