// File-system calls on paths of any length (see long_path_internal.h).
#include "platform/fs/long_path_internal.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>

namespace kavro::platform {
namespace {

// Paths shorter than this go to the system call unchanged.
constexpr size_t kShortPath = PATH_MAX - 1;

// Opens the folder `folder` (a long path) one piece at a time; -1 with
// errno set on failure.
int OpenLongFolder(const std::string& folder) {
  int fd = AT_FDCWD;
  size_t i = 0;
  while (i < folder.size()) {
    size_t end = folder.size();
    if (end - i > kShortPath) {
      end = folder.rfind('/', i + kShortPath);
      if (end == std::string::npos || end < i || (end == i && folder[i] != '/')) {
        if (fd != AT_FDCWD) close(fd);
        errno = ENAMETOOLONG;
        return -1;
      }
      if (end == i) end = i + 1;  // a leading '/'
    }
    const std::string piece = folder.substr(i, end - i);
    const int next = openat(fd, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    const int saved = errno;
    if (fd != AT_FDCWD) close(fd);
    if (next < 0) {
      errno = saved;
      return -1;
    }
    fd = next;
    i = end;
    while (i < folder.size() && folder[i] == '/') ++i;
  }
  return fd;
}

}  // namespace

PathAt::PathAt(const std::string& path) : dir_(AT_FDCWD), name_(path.c_str()) {
  if (path.size() <= kShortPath) return;
  // The last component (with any trailing separators) against its folder.
  size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  const size_t slash = path.rfind('/', end - 1);
  if (slash == std::string::npos) return;  // one long name: the call says ENAMETOOLONG
  leaf_ = path.substr(slash + 1);
  name_ = leaf_.c_str();
  dir_ = OpenLongFolder(slash == 0 ? std::string("/") : path.substr(0, slash));
  if (dir_ < 0) error_ = errno;
}

PathAt::~PathAt() {
  if (dir_ >= 0) close(dir_);
}

int PathLstat(const std::string& path, struct stat* st) {
  PathAt at(path);
  return at.ok() ? fstatat(at.dir(), at.name(), st, AT_SYMLINK_NOFOLLOW) : -1;
}

int PathStat(const std::string& path, struct stat* st) {
  PathAt at(path);
  return at.ok() ? fstatat(at.dir(), at.name(), st, 0) : -1;
}

int PathOpen(const std::string& path, int flags, mode_t mode) {
  PathAt at(path);
  return at.ok() ? openat(at.dir(), at.name(), flags, mode) : -1;
}

int PathMkdir(const std::string& path, mode_t mode) {
  PathAt at(path);
  return at.ok() ? mkdirat(at.dir(), at.name(), mode) : -1;
}

int PathRmdir(const std::string& path) {
  PathAt at(path);
  return at.ok() ? unlinkat(at.dir(), at.name(), AT_REMOVEDIR) : -1;
}

int PathUnlink(const std::string& path) {
  PathAt at(path);
  return at.ok() ? unlinkat(at.dir(), at.name(), 0) : -1;
}

int PathChmod(const std::string& path, mode_t mode) {
  PathAt at(path);
  return at.ok() ? fchmodat(at.dir(), at.name(), mode, 0) : -1;
}

int PathRename(const std::string& from, const std::string& to) {
  PathAt a(from);
  if (!a.ok()) return -1;
  PathAt b(to);
  return b.ok() ? renameat(a.dir(), a.name(), b.dir(), b.name()) : -1;
}

DIR* PathOpendir(const std::string& path) {
  const int fd = PathOpen(path.empty() ? std::string(".") : path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  DIR* dir = fdopendir(fd);
  if (!dir) {
    const int saved = errno;
    close(fd);
    errno = saved;
  }
  return dir;
}

}  // namespace kavro::platform
