// Whether a file added to an archive is executable. Windows has no such
// bit; here it is the file's own permission bits, read through the
// descriptor behind the handle.
#include <sys/stat.h>

#include "files/zip/zip_input_internal.h"
#include "platform/fs/fileapi_internal.h"

namespace kavro::zip {

bool HasExecutePermission(HANDLE file) {
  const int fd = kavro::platform::KvFileDescriptor(file);
  struct stat info;
  if (fd < 0 || fstat(fd, &info) != 0) return false;
  return S_ISREG(info.st_mode) && (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

}  // namespace kavro::zip
