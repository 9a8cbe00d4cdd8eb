// _wfopen and the runtime's wide file calls on Windows paths.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "KavroStd/platform/crt_wide_files.h"
#include "KavroStd/platform/fileapi.h"
#include "platform/crt/crt_errno_internal.h"
#include "platform/crt/text_stream_internal.h"
#include "platform/fs/long_path_internal.h"
#include "platform/fs/path_internal.h"

using kavro::platform::FailFromLastError;

namespace {

struct OpenMode {
  int flags = 0;
  const char* glibc = nullptr;  // the fopen mode for the stream
  bool text = true;
  bool temporary = false;       // 'D': gone when closed
};

// Reads a Windows fopen mode: r, w or a, then '+', 't', 'b' and the
// modifiers c, n, N, S, R, T, D, x in any order. False for anything else,
// ", ccs=" included.
bool ParseMode(const wchar_t* mode, OpenMode& out) {
  const wchar_t* p = mode;
  while (*p == L' ') ++p;
  wchar_t kind = *p++;
  if (kind != L'r' && kind != L'w' && kind != L'a') return false;
  bool plus = false, exclusive = false, seenTextOrBinary = false;
  for (; *p; ++p) {
    switch (*p) {
      case L'+': if (plus) return false; plus = true; break;
      case L't': case L'b':
        if (seenTextOrBinary) return false;
        seenTextOrBinary = true;
        out.text = *p == L't';
        break;
      case L'x': if (kind != L'w') return false; exclusive = true; break;
      case L'D': out.temporary = true; break;
      case L'c': case L'n': case L'N': case L'S': case L'R': case L'T': break;
      case L' ': break;
      default: return false;
    }
  }
  int access = plus ? O_RDWR : (kind == L'r' ? O_RDONLY : O_WRONLY);
  out.flags = access | O_CLOEXEC;
  if (kind == L'w') out.flags |= O_CREAT | O_TRUNC | (exclusive ? O_EXCL : 0);
  if (kind == L'a') out.flags |= O_CREAT | O_APPEND;
  static const char* const kModes[3][2] = {{"r", "r+"}, {"w", "w+"}, {"a", "a+"}};
  out.glibc = kModes[kind == L'r' ? 0 : kind == L'w' ? 1 : 2][plus ? 1 : 0];
  return true;
}

FILE* Open(const wchar_t* path, const wchar_t* mode) {
  OpenMode m;
  if (!path || !mode || !ParseMode(mode, m)) {
    errno = EINVAL;
    return nullptr;
  }
  std::string posix;
  if (!kavro::platform::KvMapPath(path, posix)) {
    FailFromLastError();
    return nullptr;
  }
  // A folder is never opened as a file, and a read-only file is not
  // written, as on Windows (also for root).
  struct stat st;
  if (kavro::platform::PathStat(posix, &st) == 0) {
    if (m.flags & O_EXCL) {
      errno = EEXIST;
      return nullptr;
    }
    bool writes = (m.flags & O_ACCMODE) != O_RDONLY;
    if (S_ISDIR(st.st_mode) || (writes && kavro::platform::IsReadOnlyMode(st.st_mode))) {
      errno = EACCES;
      return nullptr;
    }
  }
  int fd = kavro::platform::PathOpen(posix, m.flags, 0666);
  if (fd < 0) {
    if (errno == EISDIR) errno = EACCES;
    return nullptr;
  }
  if (m.temporary) kavro::platform::PathUnlink(posix);
  if (m.text) return kavro::platform::OpenTextStream(fd, m.glibc);
  FILE* stream = fdopen(fd, m.glibc);
  if (!stream) {
    int saved = errno;
    close(fd);
    errno = saved;
  }
  return stream;
}

}  // namespace

extern "C" FILE* _wfopen(const wchar_t* path, const wchar_t* mode) { return Open(path, mode); }

extern "C" errno_t _wfopen_s(FILE** file, const wchar_t* path, const wchar_t* mode) {
  if (!file) return errno = EINVAL;
  *file = Open(path, mode);
  return *file ? 0 : errno;
}

extern "C" int _wremove(const wchar_t* path) {
  if (!path) return errno = EINVAL, -1;
  DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return FailFromLastError();
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return errno = EACCES, -1;
  return DeleteFileW(path) ? 0 : FailFromLastError();
}

extern "C" int _wunlink(const wchar_t* path) { return _wremove(path); }

extern "C" int _wrename(const wchar_t* from, const wchar_t* to) {
  if (!from || !to) return errno = EINVAL, -1;
  return MoveFileW(from, to) ? 0 : FailFromLastError(EACCES);
}

extern "C" errno_t _waccess_s(const wchar_t* path, int mode) {
  if (!path || (mode & ~6)) return errno = EINVAL;
  DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return FailFromLastError(), errno;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
  if ((mode & 2) && (attributes & FILE_ATTRIBUTE_READONLY)) return errno = EACCES;
  if (mode & 4) {
    std::string posix;
    if (!kavro::platform::KvMapPath(path, posix)) return FailFromLastError(), errno;
    kavro::platform::PathAt at(posix);
    if (!at.ok() || faccessat(at.dir(), at.name(), R_OK, 0) != 0) return errno = EACCES;
  }
  return 0;
}

extern "C" int _waccess(const wchar_t* path, int mode) { return _waccess_s(path, mode) == 0 ? 0 : -1; }

extern "C" int _wmkdir(const wchar_t* path) {
  if (!path) return errno = EINVAL, -1;
  return CreateDirectoryW(path, nullptr) ? 0 : FailFromLastError(EEXIST);
}

extern "C" int _wrmdir(const wchar_t* path) {
  if (!path) return errno = EINVAL, -1;
  return RemoveDirectoryW(path) ? 0 : FailFromLastError();
}

extern "C" int _wchdir(const wchar_t* path) {
  if (!path) return errno = EINVAL, -1;
  return SetCurrentDirectoryW(path) ? 0 : FailFromLastError();
}
