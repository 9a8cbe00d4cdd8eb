// File-system calls on paths of any length.
//
// Linux refuses a path of PATH_MAX bytes or more (ENAMETOOLONG), while a
// tree may be deeper than that. Each call here takes a whole path: a short
// one goes to the system call as it is; for a long one the folder part is
// opened piece by piece (each piece shorter than PATH_MAX, components
// resolved as the kernel resolves them) and the call is made relative to
// that folder with the *at form. Results and errno are those of the system
// call; a folder part that cannot be opened fails with its errno.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <string>

namespace kavro::platform {

// A path made reachable by the *at calls: dir() with name().
class PathAt {
 public:
  explicit PathAt(const std::string& path);
  ~PathAt();
  PathAt(const PathAt&) = delete;
  PathAt& operator=(const PathAt&) = delete;

  // False when the folder part of a long path could not be opened; errno
  // was set then and error() keeps it.
  bool ok() const { return error_ == 0; }
  int error() const { return error_; }
  int dir() const { return dir_; }
  const char* name() const { return name_; }

 private:
  int dir_;
  int error_ = 0;
  std::string leaf_;
  const char* name_;
};

int PathLstat(const std::string& path, struct stat* st);
int PathStat(const std::string& path, struct stat* st);
int PathOpen(const std::string& path, int flags, mode_t mode = 0);
int PathMkdir(const std::string& path, mode_t mode);
int PathRmdir(const std::string& path);
int PathUnlink(const std::string& path);
int PathChmod(const std::string& path, mode_t mode);
int PathRename(const std::string& from, const std::string& to);
// A stream over the folder (closedir closes it), or null with errno set.
DIR* PathOpendir(const std::string& path);

}  // namespace kavro::platform
