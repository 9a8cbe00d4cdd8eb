// Folder, attribute, delete and move calls.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "KavroStd/platform/fileapi.h"
#include "platform/core/errors_internal.h"
#include "platform/fs/delayed_move_internal.h"
#include "platform/fs/long_path_internal.h"
#include "platform/fs/path_internal.h"

using kavro::platform::KvMapPath;
using kavro::platform::MapPathStat;
using kavro::platform::PathChmod;
using kavro::platform::PathLstat;
using kavro::platform::PathMkdir;
using kavro::platform::PathRename;
using kavro::platform::PathRmdir;
using kavro::platform::PathStat;
using kavro::platform::PathUnlink;
using kavro::platform::SetLastErrorFromErrno;

namespace {

std::string LastComponent(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

}  // namespace

namespace kavro::platform {

// Errors for a path whose folder does not exist: Windows says "path not
// found" where POSIX says ENOENT for a missing parent.
BOOL FailForPath(const std::string& path, int e) {
  if (e == ENOENT) {
    std::string parent = path;
    while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
    size_t slash = parent.rfind('/');
    parent = slash == std::string::npos ? "." : (slash == 0 ? "/" : parent.substr(0, slash));
    struct stat st;
    SetLastError(PathStat(parent, &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND
                                                                       : ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  SetLastErrorFromErrno(e);
  return FALSE;
}

bool IsPrivateFolder(const std::string& path) {
  struct stat st;
  if (PathLstat(path, &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 022) == 0;
}

bool MakePrivateFolder(const std::string& path) {
  if (PathMkdir(path, 0700) != 0 && errno != EEXIST) return false;
  return IsPrivateFolder(path);
}

}  // namespace kavro::platform

using kavro::platform::FailForPath;

extern "C" BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES) {
  std::string p;
  if (!KvMapPath(path, p)) return FALSE;
  if (PathMkdir(p, 0777) == 0) return TRUE;
  if (errno == ENOENT || errno == ENOTDIR) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  SetLastErrorFromErrno(errno);
  return FALSE;
}

extern "C" BOOL RemoveDirectoryW(LPCWSTR path) {
  std::string p;
  struct stat st;
  bool found;
  if (!MapPathStat(path, p, st, found)) return FALSE;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (!found && PathLstat(p, &st) != 0) return FailForPath(p, errno);
  if (S_ISLNK(st.st_mode)) {
    struct stat target;
    if (PathStat(p, &target) == 0 && S_ISDIR(target.st_mode)) {
      if (PathUnlink(p) == 0) return TRUE;
      return FailForPath(p, errno);
    }
    SetLastError(ERROR_DIRECTORY);
    return FALSE;
  }
  if (!S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_DIRECTORY);
    return FALSE;
  }
  if (PathRmdir(p) == 0) return TRUE;
  if (errno == EEXIST) errno = ENOTEMPTY;
  return FailForPath(p, errno);
}

extern "C" DWORD GetFileAttributesW(LPCWSTR path) {
  std::string p;
  struct stat st;
  bool found;
  if (!MapPathStat(path, p, st, found)) return INVALID_FILE_ATTRIBUTES;
  bool wantsFolder = p.size() > 1 && p.back() == '/';
  // Look at the entry itself, so that "file\" is told from a missing path.
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (!found && PathLstat(p, &st) != 0) {
    FailForPath(p, errno);
    return INVALID_FILE_ATTRIBUTES;
  }
  struct stat target;
  bool hasTarget = S_ISLNK(st.st_mode) && PathStat(p, &target) == 0;
  DWORD attributes = kavro::platform::AttributesFromStat(st, LastComponent(p), hasTarget ? &target : nullptr);
  if (wantsFolder && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_FILE_ATTRIBUTES;
  }
  return attributes;
}

extern "C" BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes) {
  std::string p;
  struct stat st;
  bool found;
  if (!MapPathStat(path, p, st, found)) return FALSE;
  bool known = found && p.back() != '/' && !S_ISLNK(st.st_mode);
  if (!known && PathStat(p, &st) != 0) return FailForPath(p, errno);
  mode_t mode = st.st_mode & 07777;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    mode &= ~static_cast<mode_t>(0222);
  } else if (kavro::platform::IsReadOnlyMode(mode)) {
    mode |= S_IWUSR;
  }
  if (mode != (st.st_mode & 07777) && PathChmod(p, mode) != 0) {
    SetLastErrorFromErrno(errno);
    return FALSE;
  }
  return TRUE;
}

extern "C" BOOL DeleteFileW(LPCWSTR path) {
  std::string p;
  struct stat st;
  bool found;
  if (!MapPathStat(path, p, st, found)) return FALSE;
  // "name\" is looked at as spelled: it names no file.
  if ((!found || p.back() == '/') && PathLstat(p, &st) != 0) return FailForPath(p, errno);
  if (S_ISDIR(st.st_mode) || (!S_ISLNK(st.st_mode) && kavro::platform::IsReadOnlyMode(st.st_mode))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (PathUnlink(p) == 0) return TRUE;
  return FailForPath(p, errno);
}

namespace {

std::atomic<kavro::platform::DelayedMoveRecorder> delayedMoveRecorder{nullptr};

// The full Windows form of an existing-or-not path, for the pending list.
std::wstring FullWindowsPath(const std::string& posixPath) { return kavro::platform::KvWindowsPath(posixPath); }

// MOVEFILE_DELAY_UNTIL_REBOOT: the source must exist now; the operation is
// only recorded.
BOOL RecordDelayedMove(const std::string& a, const std::string* b, DWORD flags) {
  struct stat st;
  if (PathLstat(a, &st) != 0) return FailForPath(a, errno);
  kavro::platform::DelayedMoveRecorder recorder = delayedMoveRecorder.load();
  if (!recorder) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  DWORD error = recorder(FullWindowsPath(a), b ? FullWindowsPath(*b) : std::wstring(),
                         (flags & MOVEFILE_REPLACE_EXISTING) != 0);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

// MOVEFILE_COPY_ALLOWED across file systems: copy, then delete the source.
// As on Windows, a source that cannot be deleted stays, and the move counts
// as done.
BOOL CopyThenDelete(LPCWSTR from, LPCWSTR to, const struct stat& source, DWORD flags) {
  if (S_ISDIR(source.st_mode)) {
    SetLastError(ERROR_NOT_SAME_DEVICE);
    return FALSE;
  }
  if (!CopyFileW(from, to, (flags & MOVEFILE_REPLACE_EXISTING) ? FALSE : TRUE)) return FALSE;
  DWORD saved = GetLastError();
  DeleteFileW(from);
  SetLastError(saved);
  return TRUE;
}

}  // namespace

namespace kavro::platform {

DelayedMoveRecorder SetDelayedMoveRecorder(DelayedMoveRecorder recorder) {
  return delayedMoveRecorder.exchange(recorder);
}

}  // namespace kavro::platform

extern "C" BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
  if ((flags & MOVEFILE_DELAY_UNTIL_REBOOT) && (flags & MOVEFILE_COPY_ALLOWED)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string a, b;
  if (!KvMapPath(from, a)) return FALSE;
  if (!to) {
    // Only a deletion at the next start may leave out the new name.
    if (!(flags & MOVEFILE_DELAY_UNTIL_REBOOT)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    return RecordDelayedMove(a, nullptr, flags);
  }
  if (!KvMapPath(to, b)) return FALSE;
  if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) return RecordDelayedMove(a, &b, flags);
  struct stat st;
  if (PathLstat(a, &st) != 0) return FailForPath(a, errno);
  struct stat existing;
  if (PathLstat(b, &existing) == 0) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING) || S_ISDIR(existing.st_mode)) {
      SetLastError(S_ISDIR(existing.st_mode) ? ERROR_ACCESS_DENIED : ERROR_ALREADY_EXISTS);
      return FALSE;
    }
    if (!S_ISLNK(existing.st_mode) && kavro::platform::IsReadOnlyMode(existing.st_mode)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
  }
  if (PathRename(a, b) == 0) return TRUE;
  if (errno == EXDEV && (flags & MOVEFILE_COPY_ALLOWED)) return CopyThenDelete(from, to, st, flags);
  return FailForPath(b, errno);
}

extern "C" BOOL MoveFileW(LPCWSTR from, LPCWSTR to) { return MoveFileExW(from, to, 0); }

extern "C" DWORD GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer) {
  char* cwd = getcwd(nullptr, 0);
  if (!cwd) {
    SetLastErrorFromErrno(errno);
    return 0;
  }
  std::wstring path = kavro::platform::KvWindowsPath(cwd);
  free(cwd);
  if (path.size() > 3 && path.back() == L'\\') path.pop_back();
  if (!buffer || bufferLength <= path.size()) return static_cast<DWORD>(path.size() + 1);
  wmemcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

extern "C" BOOL SetCurrentDirectoryW(LPCWSTR path) {
  std::string p;
  if (!KvMapPath(path, p)) return FALSE;
  if (chdir(p.c_str()) == 0) return TRUE;
  if (errno == ENOTDIR) {
    SetLastError(ERROR_DIRECTORY);
    return FALSE;
  }
  return FailForPath(p, errno);
}
