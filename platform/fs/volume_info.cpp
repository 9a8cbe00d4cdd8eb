// GetVolumeInformationW over the Linux mount table: serial from the device
// number, label from /dev/disk/by-label, file system type from mountinfo.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <sstream>
#include <string>

#include "KavroStd/platform/file_info.h"
#include "platform/core/errors_internal.h"
#include "platform/fs/path_internal.h"
#include "platform/fs/volume_internal.h"

namespace {

// Undoes the \xHH escapes udev writes into link names.
std::string Unescape(const std::string& name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned value = 0;
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
        sscanf(name.substr(i + 2, 2).c_str(), "%2x", &value) == 1) {
      out.push_back(static_cast<char>(value));
      i += 3;
    } else {
      out.push_back(name[i]);
    }
  }
  return out;
}

// The label of the block device dev, or empty.
std::string LabelOf(dev_t dev) {
  const char* folder = "/dev/disk/by-label";
  DIR* dir = opendir(folder);
  if (!dir) return std::string();
  std::string label;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    std::string path = std::string(folder) + "/" + e->d_name;
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode) && st.st_rdev == dev) {
      label = Unescape(e->d_name);
      break;
    }
  }
  closedir(dir);
  return label;
}

// The file system type of the mount with device dev (the last one listed).
std::string FileSystemOf(dev_t dev) {
  std::ifstream in("/proc/self/mountinfo");
  std::string line, type;
  char wanted[32];
  snprintf(wanted, sizeof wanted, "%u:%u", major(dev), minor(dev));
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string id, parent, devno;
    fields >> id >> parent >> devno;
    if (devno != wanted) continue;
    size_t dash = line.find(" - ");
    if (dash == std::string::npos) continue;
    std::istringstream rest(line.substr(dash + 3));
    rest >> type;
  }
  return type;
}

bool IsMountPoint(const std::string& folder, const struct stat& st) {
  if (folder == "/") return true;
  struct stat parent;
  std::string up = folder + "/..";
  if (stat(up.c_str(), &parent) != 0) return false;
  return parent.st_dev != st.st_dev || parent.st_ino == st.st_ino;
}

bool IsDriveRoot(LPCWSTR root) {
  if (root[0] == L'\\' && root[1] == 0) return true;
  return root[0] && root[1] == L':' && (root[2] == L'\\' || root[2] == L'/') && root[3] == 0;
}

bool CopyText(const std::string& utf8, LPWSTR out, DWORD size) {
  if (!out) return true;
  std::wstring text = kavro::platform::FromUtf8(utf8.data(), utf8.size());
  if (size <= text.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  wmemcpy(out, text.c_str(), text.size() + 1);
  return true;
}

}  // namespace

extern "C" BOOL GetVolumeInformationW(LPCWSTR root, LPWSTR label, DWORD labelSize, LPDWORD serial,
                                       LPDWORD maxComponentLength, LPDWORD fileSystemFlags,
                                       LPWSTR fileSystemName, DWORD fileSystemNameSize) {
  using namespace kavro::platform;
  std::string folder;
  if (!root) {
    folder = ".";
  } else {
    size_t n = wcslen(root);
    if (n == 0 || (root[n - 1] != L'\\' && root[n - 1] != L'/')) {
      SetLastError(ERROR_INVALID_NAME);
      return FALSE;
    }
    if (!KvMapPath(root, folder)) return FALSE;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  }
  struct stat st;
  if (stat(folder.c_str(), &st) != 0) {
    SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno));
    return FALSE;
  }
  if (!S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_DIRECTORY);
    return FALSE;
  }
  if (root && !IsDriveRoot(root) && !IsMountPoint(folder, st)) {
    SetLastError(ERROR_DIR_NOT_ROOT);
    return FALSE;
  }
  struct statvfs vfs;
  bool haveVfs = statvfs(folder.c_str(), &vfs) == 0;
  if (!CopyText(LabelOf(st.st_dev), label, labelSize)) return FALSE;
  if (!CopyText(FileSystemOf(st.st_dev), fileSystemName, fileSystemNameSize)) return FALSE;
  if (serial) *serial = VolumeSerialFromDevice(st.st_dev);
  if (maxComponentLength) *maxComponentLength = haveVfs ? static_cast<DWORD>(vfs.f_namemax) : 255;
  if (fileSystemFlags) {
    DWORD flags = FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK;
    if (haveVfs && (vfs.f_flag & ST_RDONLY)) flags |= FILE_READ_ONLY_VOLUME;
    *fileSystemFlags = flags;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
