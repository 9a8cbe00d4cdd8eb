// The by-handle file record and the short and long forms of a path.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <string>

#include "KavroStd/platform/file_info.h"
#include "KavroStd/platform/handleapi.h"
#include "platform/core/errors_internal.h"
#include "platform/fs/fileapi_internal.h"
#include "platform/fs/path_internal.h"
#include "platform/fs/volume_internal.h"

namespace {

// The last component of the name the descriptor was opened under (for the
// hidden attribute); empty when the system does not tell.
std::string NameOfDescriptor(int fd) {
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[4096];
  ssize_t n = readlink(link, target, sizeof target - 1);
  if (n <= 0) return std::string();
  std::string path(target, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

FILETIME OlderTime(const struct timespec& a, const struct timespec& b) {
  bool aFirst = a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec <= b.tv_nsec);
  return kavro::platform::FileTimeFromTimespec(aFirst ? a : b);
}

DWORD PathForm(LPCWSTR path, LPWSTR out, DWORD size) {
  if (!path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) {
    if (GetLastError() == ERROR_INVALID_NAME) SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  size_t n = wcslen(path);
  if (!out || size <= n) return static_cast<DWORD>(n + 1);
  if (out != path) wmemmove(out, path, n + 1);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(n);
}

}  // namespace

extern "C" BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) {
  using namespace kavro::platform;
  int fd = KvFileDescriptor(file);
  if (fd < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    SetLastErrorFromErrno(errno);
    return FALSE;
  }
  *info = BY_HANDLE_FILE_INFORMATION();
  info->dwFileAttributes = AttributesFromStat(st, NameOfDescriptor(fd), nullptr);
  info->ftCreationTime = OlderTime(st.st_ctim, st.st_mtim);
  info->ftLastAccessTime = FileTimeFromTimespec(st.st_atim);
  info->ftLastWriteTime = FileTimeFromTimespec(st.st_mtim);
  info->dwVolumeSerialNumber = VolumeSerialFromDevice(st.st_dev);
  unsigned long long size = S_ISDIR(st.st_mode) ? 0 : static_cast<unsigned long long>(st.st_size);
  info->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  info->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
  info->nNumberOfLinks = static_cast<DWORD>(st.st_nlink);
  unsigned long long ino = static_cast<unsigned long long>(st.st_ino);
  info->nFileIndexHigh = static_cast<DWORD>(ino >> 32);
  info->nFileIndexLow = static_cast<DWORD>(ino & 0xFFFFFFFFu);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

extern "C" DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD size) {
  return PathForm(longPath, shortPath, size);
}

extern "C" DWORD GetLongPathNameW(LPCWSTR shortPath, LPWSTR longPath, DWORD size) {
  return PathForm(shortPath, longPath, size);
}
