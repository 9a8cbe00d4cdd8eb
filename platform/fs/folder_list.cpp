// Listing a folder's entries by type, without a stat per entry.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "KavroStd/platform/fileapi.h"
#include "platform/fs/fileapi_internal.h"
#include "platform/fs/name_map_internal.h"
#include "platform/core/errors_internal.h"
#include "platform/fs/long_path_internal.h"

namespace kavro::platform {
namespace {

// The attributes of an entry whose type readdir did not tell, or of a link
// (whose target decides the folder bit).
DWORD AttributesByStat(int dirFd, const char* name, unsigned char type) {
  struct stat st;
  if (type != DT_LNK) {
    if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return INVALID_FILE_ATTRIBUTES;
    if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    if (!S_ISLNK(st.st_mode)) return FILE_ATTRIBUTE_NORMAL;
  }
  DWORD attributes = FILE_ATTRIBUTE_REPARSE_POINT;
  if (fstatat(dirFd, name, &st, 0) == 0 && S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  return attributes;
}

}  // namespace

BOOL KvListFolder(LPCWSTR folder, KvFolderVisit visit, void* context) {
  if (!folder || !*folder || !visit) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string path;
  if (!KvMapPath(folder, path)) return FALSE;
  DIR* dir = PathOpendir(path);
  if (!dir) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno));
    return FALSE;
  }
  std::wstring name;
  while (dirent* e = readdir(dir)) {
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    DWORD attributes;
    if (e->d_type == DT_DIR) attributes = FILE_ATTRIBUTE_DIRECTORY;
    else if (e->d_type == DT_REG) attributes = FILE_ATTRIBUTE_NORMAL;
    else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) attributes = AttributesByStat(dirfd(dir), n, e->d_type);
    else attributes = FILE_ATTRIBUTE_NORMAL;  // devices, pipes, sockets
    if (attributes == INVALID_FILE_ATTRIBUTES) continue;  // gone since readdir
    name.clear();
    AppendNameFromDisk(n, strlen(n), name);
    visit(context, name.c_str(), attributes);
  }
  closedir(dir);
  return TRUE;
}

}  // namespace kavro::platform
