// FindFirstFileW / FindNextFileW over opendir/readdir.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <memory>

#include "KavroStd/platform/fileapi.h"
#include "KavroStd/platform/handleapi.h"
#include "platform/fs/name_map_internal.h"
#include "platform/strings/codepage_internal.h"
#include "platform/core/errors_internal.h"
#include "platform/core/handles_internal.h"
#include "platform/fs/long_path_internal.h"
#include "platform/fs/path_internal.h"

namespace kavro::platform {
namespace {

struct FindObject : detail::KernelObject {
  DIR* dir = nullptr;
  std::wstring pattern;
  bool matchesAll = false;  // "*" or "*.*": no per-entry match needed
  std::wstring name;        // the current entry's name, reused between entries
  ~FindObject() override {
    if (dir) closedir(dir);
  }
};

void FillFindData(const std::wstring& wide, const char* name, const struct stat& st,
                  const struct stat* target, WIN32_FIND_DATAW* data) {
  memset(data, 0, offsetof(WIN32_FIND_DATAW, cFileName));
  data->cAlternateFileName[0] = 0;
  data->dwFileAttributes = AttributesFromStat(st, name, target);
  const struct stat& eff = (S_ISLNK(st.st_mode) && target) ? *target : st;
  data->ftLastWriteTime = FileTimeFromTimespec(eff.st_mtim);
  data->ftLastAccessTime = FileTimeFromTimespec(eff.st_atim);
  data->ftCreationTime = FileTimeFromTimespec(eff.st_ctim.tv_sec < eff.st_mtim.tv_sec ? eff.st_ctim : eff.st_mtim);
  unsigned long long size = S_ISDIR(eff.st_mode) ? 0 : static_cast<unsigned long long>(eff.st_size);
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFF);
  size_t n = wide.size() < MAX_PATH - 1 ? wide.size() : MAX_PATH - 1;
  wmemcpy(data->cFileName, wide.data(), n);
  data->cFileName[n] = 0;
}

// One lstat-style look at the entry; a link's target is looked at too, for
// its attributes.
bool StatEntry(int dirFd, const char* name, struct stat& st, struct stat& target, bool& hasTarget) {
  if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  hasTarget = S_ISLNK(st.st_mode) && fstatat(dirFd, name, &target, 0) == 0;
  return true;
}

// Moves to the next entry that matches; false at the end. Each entry costs
// one name conversion and, when it matches, one fstatat on the folder's
// descriptor.
bool NextMatch(FindObject& find, WIN32_FIND_DATAW* data) {
  while (dirent* e = readdir(find.dir)) {
    find.name.clear();
    AppendNameFromDisk(e->d_name, strlen(e->d_name), find.name);
    if (!find.matchesAll && !WildcardMatch(find.pattern.c_str(), find.name.c_str())) continue;
    struct stat st, target;
    bool hasTarget = false;
    if (!StatEntry(dirfd(find.dir), e->d_name, st, target, hasTarget)) continue;
    FillFindData(find.name, e->d_name, st, hasTarget ? &target : nullptr, data);
    return true;
  }
  return false;
}

}  // namespace
}  // namespace kavro::platform

using namespace kavro::platform;

extern "C" HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::wstring text(pattern);
  size_t sep = text.find_last_of(L"\\/");
  std::wstring last = sep == std::wstring::npos ? text : text.substr(sep + 1);
  std::wstring folderPart = sep == std::wstring::npos ? std::wstring() : text.substr(0, sep + 1);
  if (text.size() >= 2 && text[1] == L':' && sep == std::wstring::npos) {
    folderPart = text.substr(0, 2);
    last = text.substr(2);
  }
  if (last.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::string folder;
  if (folderPart.empty()) {
    folder = ".";
  } else if (!KvMapPath(folderPart.c_str(), folder)) {
    return INVALID_HANDLE_VALUE;
  }
  if (!HasWildcards(last.c_str())) {
    // A plain name is looked up directly, without reading the whole folder.
    std::string path;
    struct stat st, target;
    bool found;
    if (!MapPathStat(text.c_str(), path, st, found)) return INVALID_HANDLE_VALUE;
    if (!found && PathLstat(path, &st) != 0) {
      SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : Win32ErrorFromErrno(errno));
      struct stat fst;
      if (errno == ENOENT && PathStat(folder, &fst) != 0) SetLastError(ERROR_PATH_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    bool hasTarget = S_ISLNK(st.st_mode) && PathStat(path, &target) == 0;
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
      // Windows answers the name as given for dot names and drive roots.
      name = ToUtf8(last.c_str(), last.size());
    }
    FillFindData(NameFromDisk(name.data(), name.size()), name.c_str(), st, hasTarget ? &target : nullptr, data);
    auto find = std::make_unique<FindObject>();
    return detail::RegisterHandle(std::move(find));
  }
  auto find = std::make_unique<FindObject>();
  find->dir = PathOpendir(folder);
  if (!find->dir) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  find->pattern = last;
  find->matchesAll = last == L"*" || last == L"*.*";
  if (!NextMatch(*find, data)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return detail::RegisterHandle(std::move(find));
}

extern "C" BOOL FindNextFileW(HANDLE handle, LPWIN32_FIND_DATAW data) {
  FindObject* find = detail::LookupHandle<FindObject>(handle);
  if (!find || !data) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!find->dir || !NextMatch(*find, data)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  return TRUE;
}

extern "C" BOOL FindClose(HANDLE handle) {
  if (!detail::LookupHandle<FindObject>(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return CloseHandle(handle);
}
