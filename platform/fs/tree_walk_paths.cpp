// Opening the folder a walk starts from, at any path length, and telling
// where an open object really lies.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/fs/long_path_internal.h"
#include "platform/fs/tree_walk_internal.h"

namespace kavro::platform {

int OpenFolderPath(const std::string& path, bool followLast) {
  if (path.empty()) {
    errno = ENOENT;
    return -1;
  }
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLast ? 0 : O_NOFOLLOW);
  return PathOpen(path, flags);
}

int OpenParentFolder(const std::string& path, std::string& name) {
  size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  const size_t slash = path.rfind('/', end - 1);
  name = slash == std::string::npos ? path.substr(0, end) : path.substr(slash + 1, end - slash - 1);
  if (name.empty() || name == "." || name == ".." || end == 0) {
    errno = EINVAL;
    return -1;
  }
  std::string parent = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  return OpenFolderPath(parent, true);
}

std::string RealPathOfDescriptor(int fd) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  std::string target(4096, '\0');
  const ssize_t n = readlink(link, target.data(), target.size());
  if (n <= 0 || static_cast<size_t>(n) >= target.size() || target[0] != '/') return std::string();
  target.resize(static_cast<size_t>(n));
  if (target.size() > 10 && target.compare(target.size() - 10, 10, " (deleted)") == 0) return std::string();
  return target;
}

bool IsBelowRealFolder(const std::string& inner, const std::string& outer) {
  if (outer.empty() || inner.size() <= outer.size()) return false;
  if (outer == "/") return inner[0] == '/';
  return inner.compare(0, outer.size(), outer) == 0 && inner[outer.size()] == '/';
}

}  // namespace kavro::platform
