// GetFileVersionInfoSizeW and GetFileVersionInfoW: the file is opened, its
// headers and version resource read where they lie (never the whole file),
// and the block is built from the resource.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

#include "KavroStd/platform/fileapi.h"
#include "KavroStd/platform/winver.h"
#include "platform/core/errors_internal.h"
#include "platform/core/posix_io_internal.h"
#include "platform/core/sys_calls_internal.h"
#include "platform/fs/long_path_internal.h"
#include "platform/fs/path_internal.h"
#include "platform/version/pe_resource_internal.h"
#include "platform/version/version_block_internal.h"

namespace kavro::platform::detail {
namespace {

class FileSource : public ByteSource {
 public:
  FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* buffer, size_t size) const override {
    if (offset > size_ || size > size_ - offset) return false;
    BYTE* out = static_cast<BYTE*>(buffer);
    while (size > 0) {
      const ssize_t got =
          RetryOnEintr([&] { return Sys().PRead(fd_, out, size, static_cast<off_t>(offset)); });
      if (got <= 0) return false;
      out += got, offset += got, size -= got;
    }
    return true;
  }

 private:
  int fd_;
  uint64_t size_;
};

// The version resource of the file; 0 or a Win32 error (also set as the
// last error).
DWORD ReadFileResource(LPCWSTR fileName, std::vector<BYTE>& resource) {
  std::string path;
  if (!fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return ERROR_INVALID_PARAMETER;
  }
  if (!KvMapPath(fileName, path)) return GetLastError();
  // O_NONBLOCK: a FIFO must not hang the open; only regular files are read.
  const int fd = PathOpen(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    FailForPath(path, errno);
    return GetLastError();
  }
  struct stat st;
  DWORD error = ERROR_RESOURCE_DATA_NOT_FOUND;
  if (RetryOnEintr([&] { return Sys().Fstat(fd, &st); }) != 0) {
    error = Win32ErrorFromErrno(errno);
  } else if (S_ISDIR(st.st_mode)) {
    error = ERROR_ACCESS_DENIED;
  } else if (S_ISREG(st.st_mode)) {
    error = FindVersionResource(FileSource(fd, static_cast<uint64_t>(st.st_size)), resource);
  }
  Sys().Close(fd);
  if (error) SetLastError(error);
  return error;
}

}  // namespace
}  // namespace kavro::platform::detail

using namespace kavro::platform::detail;

extern "C" DWORD GetFileVersionInfoSizeExW(DWORD /*flags*/, LPCWSTR fileName, LPDWORD handle) {
  if (handle) *handle = 0;
  std::vector<BYTE> resource;
  if (ReadFileResource(fileName, resource) != 0) return 0;
  DWORD error = 0;
  const DWORD size = VersionBlockSize(resource, error);
  if (!size) SetLastError(error);
  return size;
}

extern "C" DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle) {
  return GetFileVersionInfoSizeExW(FILE_VER_GET_LOCALISED, fileName, handle);
}

extern "C" BOOL GetFileVersionInfoExW(DWORD /*flags*/, LPCWSTR fileName, DWORD /*handle*/, DWORD length,
                                      LPVOID data) {
  if (!data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<BYTE> resource;
  if (ReadFileResource(fileName, resource) != 0) return FALSE;
  DWORD error = 0;
  const DWORD size = VersionBlockSize(resource, error);
  if (!size) {
    SetLastError(error);
    return FALSE;
  }
  if (length < size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  WriteVersionBlock(resource, static_cast<BYTE*>(data));
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

extern "C" BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD length, LPVOID data) {
  return GetFileVersionInfoExW(FILE_VER_GET_LOCALISED, fileName, handle, length, data);
}
