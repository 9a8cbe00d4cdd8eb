// Permission bits that Windows has no attribute for.
#include "platform/fs/file_mode_internal.h"

#include <sys/stat.h>

#include "platform/fs/fileapi_internal.h"

namespace kavro::platform {

bool IsExecutableFile(HANDLE file) {
  const int fd = KvFileDescriptor(file);
  struct stat info;
  if (fd < 0 || fstat(fd, &info) != 0) return false;
  return S_ISREG(info.st_mode) && (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

}  // namespace kavro::platform
