// Locked, atomic whole-file rewrite (see rewrite_internal.h for the protocol).
#include "platform/fs/rewrite_internal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "KavroStd/platform/fileapi.h"
#include "platform/core/errors_internal.h"
#include "platform/core/posix_io_internal.h"
#include "platform/core/sys_calls_internal.h"
#include "platform/fs/file_rewrite_internal.h"
#include "platform/fs/path_internal.h"

namespace kavro::platform {
namespace {

constexpr int kMaxLinkHops = 40;
// Each retry means another writer replaced the file while we waited for the
// lock; a few hundred in a row only happen when something is badly wrong.
constexpr int kMaxReopens = 1000;

// Follows symbolic links in the last component so that the file they name is
// replaced, not the link. Returns 0 or an errno value.
int FollowLinks(std::string& path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
    std::vector<char> buf(static_cast<size_t>(st.st_size) + 64);
    ssize_t n;
    while ((n = readlink(path.c_str(), buf.data(), buf.size())) == static_cast<ssize_t>(buf.size()))
      buf.resize(buf.size() * 2);
    if (n < 0) return errno;
    std::string target(buf.data(), static_cast<size_t>(n));
    if (target.empty()) return ENOENT;
    if (target[0] != '/') {
      size_t slash = path.rfind('/');
      if (slash != std::string::npos) target.insert(0, path, 0, slash + 1);
    }
    path = std::move(target);
  }
  return ELOOP;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The descriptor of the file, its lock and whether this call created it; the
// destructor unlocks and closes.
struct LockedFile {
  int fd = -1;
  bool created = false;
  struct stat st {};
  ~LockedFile() {
    if (fd >= 0) Sys().Close(fd);
  }
};

// Opens (or creates) `path` for reading. Returns 0 or an errno value.
int OpenTarget(const std::string& path, bool create, LockedFile& file) {
  for (;;) {
    // O_NONBLOCK: a FIFO in the file's place must not hang the open.
    int fd = RetryOnEintr([&] { return Sys().Open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK); });
    if (fd >= 0) {
      file.fd = fd;
      file.created = false;
      return 0;
    }
    if (errno != ENOENT || !create) return errno;
    fd = RetryOnEintr(
        [&] { return Sys().Open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666); });
    if (fd >= 0) {
      file.fd = fd;
      file.created = true;
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
}

// Opens and locks the file that `path` names at the moment the lock is held.
// Returns 0 or an errno value.
int OpenLocked(const std::string& path, bool create, LockedFile& file) {
  for (int attempt = 0; attempt < kMaxReopens; ++attempt) {
    if (int err = OpenTarget(path, create, file)) return err;
    if (RetryOnEintr([&] { return Sys().Flock(file.fd, LOCK_EX); }) != 0 ||
        RetryOnEintr([&] { return Sys().Fstat(file.fd, &file.st); }) != 0)
      return errno;
    struct stat now;
    if (stat(path.c_str(), &now) == 0 && now.st_dev == file.st.st_dev && now.st_ino == file.st.st_ino)
      return 0;
    // Renamed over or removed while we waited: the lock guards a stale file.
    Sys().Close(file.fd);
    file.fd = -1;
  }
  return EBUSY;
}

// The Win32 refusal to write the file: no write bit (checked from the mode,
// so root is refused too), or no write access for this user. 0 when allowed.
DWORD WriteRefusal(const std::string& path, const struct stat& st) {
  if (IsReadOnlyMode(st.st_mode)) return ERROR_ACCESS_DENIED;
  if (geteuid() != 0 && faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
    return Win32ErrorFromErrno(errno);
  return 0;
}

// Puts the temporary file in the place of `path` in one step. A plain
// rename over the old file is used on purpose: file systems such as ext4 then
// start writing the new data out at once, so that a power cut soon after a
// write leaves the old or the new content rather than an empty file. That
// flush is most of a write's cost; an exchange of names would avoid it but
// lose the guarantee.
int Publish(const std::string& temp, const std::string& path) {
  return RetryOnEintr([&] { return Sys().Rename(temp.c_str(), path.c_str()); }) == 0 ? 0 : errno;
}

// Locks the new file, gives it the target's owner and mode and writes
// `bytes`. The lock is held until the new file has taken the old one's place:
// a writer that opens the new file meanwhile waits for it, so writers of one
// file never overlap. Returns 0 or an errno value.
int FillTemp(int fd, const struct stat& st, const std::string& bytes) {
  if (RetryOnEintr([&] { return Sys().Flock(fd, LOCK_EX); }) != 0) return errno;
  // Owner first: a change of owner clears set-id bits that fchmod then restores.
  if (geteuid() == 0) {
    (void)fchown(fd, st.st_uid, st.st_gid);
  } else if (st.st_gid != getegid()) {
    (void)fchown(fd, static_cast<uid_t>(-1), st.st_gid);  // allowed when we are in the group
  }
  if (fchmod(fd, st.st_mode & 07777) != 0) return errno;
  return WriteAll(fd, bytes.data(), bytes.size());
}

// A complete new file under a name of its own in the folder of `path`:
// written while still unnamed where the file system allows, so that a killed
// writer leaves nothing behind. Returns 0 or an errno value.
int PrepareTemp(const std::string& path, const struct stat& st, const std::string& bytes, bool unnamedOk,
                RewriteTemp& temp) {
  int err = OpenRewriteTemp(path, unnamedOk, temp);
  if (!err) err = FillTemp(temp.fd, st, bytes);
  if (!err) err = NameRewriteTemp(path, temp);
  return err;
}

// Writes `bytes` to a temporary file, with the target's mode and owner, and
// puts it in the place of `path`. Returns 0 or an errno value; no temporary
// is left.
int ReplaceFile(const std::string& path, const struct stat& st, const std::string& bytes) {
  RewriteTemp temp;
  int err = PrepareTemp(path, st, bytes, true, temp);
  if (err == EOPNOTSUPP) {  // an unnamed file could not be named here: write a named one
    temp.Discard();
    err = PrepareTemp(path, st, bytes, false, temp);
  }
  if (!err) err = Publish(temp.name, path);
  if (!err) temp.name.clear();  // renamed: the name is the file's now
  return err;  // closing only drops the lock: the data went out with write()
}

DWORD Fail(DWORD code) {
  SetLastError(code);
  return code;
}

// The Win32 code of a failed open: a missing file in an existing folder is
// ERROR_FILE_NOT_FOUND, a missing folder ERROR_PATH_NOT_FOUND.
DWORD OpenError(int err, const std::string& path) {
  if (err == ENOENT) {
    struct stat st;
    std::string folder = FolderOf(path);
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
    return ERROR_FILE_NOT_FOUND;
  }
  if (err == EISDIR) return ERROR_ACCESS_DENIED;
  return Win32ErrorFromErrno(err);
}

}  // namespace

DWORD KvRewriteFile(LPCWSTR path, bool createIfMissing, const std::function<bool(std::string& content)>& edit) {
  std::string posix;
  if (!KvMapPath(path, posix)) return GetLastError();
  if (int err = FollowLinks(posix)) return Fail(Win32ErrorFromErrno(err));

  LockedFile file;
  if (int err = OpenLocked(posix, createIfMissing, file)) {
    return Fail(err == EBUSY ? ERROR_SHARING_VIOLATION : OpenError(err, posix));
  }
  if (!S_ISREG(file.st.st_mode)) return Fail(ERROR_ACCESS_DENIED);

  // A file this call created goes again unless the new content lands in it.
  struct CreatedGuard {
    const std::string& path;
    bool armed;
    ~CreatedGuard() {
      if (armed) RetryOnEintr([&] { return Sys().Unlink(path.c_str()); });
    }
  } guard{posix, file.created};

  std::string content;
  if (int err = ReadWholeFile(file.fd, file.st.st_size, content)) return Fail(Win32ErrorFromErrno(err));
  if (!edit(content)) return ERROR_SUCCESS;
  if (DWORD refusal = WriteRefusal(posix, file.st)) return Fail(refusal);
  if (int err = ReplaceFile(posix, file.st, content)) {
    return Fail(err == EISDIR ? ERROR_ACCESS_DENIED : Win32ErrorFromErrno(err));
  }
  guard.armed = false;
  return ERROR_SUCCESS;
}

}  // namespace kavro::platform
