// Mapping of Windows paths onto the Linux file system, and back.
//
// Drive letters map through the drive table (Z: is '/', another letter X the
// folder named by KAVRO_DRIVE_X). Dot segments are resolved lexically, as
// Windows does before it touches the file system. A path that does not exist
// as spelled is looked up component by component without regard to case.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "KavroStd/platform/codepage.h"
#include "KavroStd/platform/cstring.h"
#include "KavroStd/platform/fileapi.h"
#include "platform/strings/codepage_internal.h"
#include "platform/fs/long_path_internal.h"
#include "platform/fs/name_map_internal.h"
#include "platform/fs/path_internal.h"

namespace kavro::platform {
namespace {

bool IsSep(wchar_t c) { return c == L'\\' || c == L'/'; }

// Folders (Linux form, no trailing '/') below which names are taken exactly,
// innermost scope last.
thread_local std::vector<std::string> exactFolders;

bool IsBelowExactFolder(const std::string& path) {
  for (const std::string& folder : exactFolders) {
    if (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
        (path[folder.size()] == '/' || folder == "/"))
      return true;
  }
  return false;
}

// The folder a drive letter maps to; empty when unmapped.
std::string DriveRoot(wchar_t letter) {
  wchar_t upper = ToUpper(letter);
  if (upper < L'A' || upper > L'Z') return std::string();
  char name[] = "KAVRO_DRIVE_X";
  name[12] = static_cast<char>(upper);
  const char* v = getenv(name);
  if (v && *v) {
    std::string root(v);
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
  }
  return upper == L'Z' ? std::string("/") : std::string();
}

// Joins the '/'-separated components of path with "." and ".." resolved
// lexically; ".." above the root stays at the root, as on Windows (a
// relative path keeps its leading ".."). Absolute results start with '/';
// an empty relative result is "".
std::string NormalizePath(const std::string& path, bool absolute) {
  std::string out;
  out.reserve(path.size() + 1);
  if (absolute) out.push_back('/');
  const size_t root = out.size();
  size_t fixed = root;  // end of the leading ".." run of a relative path
  size_t i = 0;
  const size_t n = path.size();
  while (i <= n) {
    size_t j = path.find('/', i);
    if (j == std::string::npos) j = n;
    const size_t len = j - i;
    const char* part = path.data() + i;
    if (len == 0 || (len == 1 && part[0] == '.')) {
    } else if (len == 2 && part[0] == '.' && part[1] == '.') {
      if (out.size() > fixed) {
        size_t slash = out.rfind('/');
        out.resize(slash == std::string::npos || slash < fixed ? fixed : slash);
      } else if (!absolute) {
        if (out.size() > root) out.push_back('/');
        out += "..";
        fixed = out.size();
      }
    } else {
      if (out.size() > root) out.push_back('/');
      out.append(part, len);
    }
    i = j + 1;
  }
  return out;
}

// Finds `name` in `folder` without regard to case; the entry's real name or
// empty.
std::string FindNoCase(const std::string& folder, const std::string& name) {
  DIR* dir = PathOpendir(folder);
  if (!dir) return std::string();
  std::wstring wanted = FromUtf8(name.data(), name.size());
  std::string best;
  while (dirent* e = readdir(dir)) {
    size_t n = strlen(e->d_name);
    std::wstring candidate = FromUtf8(e->d_name, n);
    if (CompareNoCase(candidate.data(), candidate.size(), wanted.data(), wanted.size()) == 0) {
      if (best.empty() || strcmp(e->d_name, best.c_str()) < 0) best = e->d_name;
    }
  }
  closedir(dir);
  return best;
}

// The path with each component that does not exist as spelled replaced by
// its match without regard to case, unless the path lies below a folder
// whose names are taken exactly (ExactNamesBelow). When the path exists as
// spelled, *st receives its lstat data and found is set.
std::string ResolveCase(const std::string& path, struct stat* st, bool* found) {
  struct stat local;
  if (!st) st = &local;
  if (PathLstat(path, st) == 0) {
    if (found) *found = true;
    return path;
  }
  if (found) *found = false;
  if (IsBelowExactFolder(path)) return path;
  bool absolute = !path.empty() && path[0] == '/';
  std::vector<std::string> parts;
  for (size_t i = absolute ? 1 : 0; i < path.size();) {
    size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    parts.push_back(path.substr(i, j - i));
    i = j + 1;
  }
  std::string current = absolute ? "/" : "";
  size_t k = 0;
  for (; k < parts.size(); ++k) {
    std::string next = current;
    if (!next.empty() && next.back() != '/') next.push_back('/');
    std::string candidate = next + parts[k];
    if (parts[k] != ".." && PathLstat(candidate, &local) != 0) {
      std::string real = FindNoCase(current, parts[k]);
      if (real.empty()) break;
      candidate = next + real;
    }
    current = candidate;
  }
  for (; k < parts.size(); ++k) {
    if (!current.empty() && current.back() != '/') current.push_back('/');
    current += parts[k];
  }
  return current;
}

bool MapPath(LPCWSTR windowsPath, std::string& posixPath, struct stat* st, bool* found) {
  posixPath.clear();
  if (found) *found = false;
  if (!windowsPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const wchar_t* p = windowsPath;
  if (!*p) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  if (IsSep(p[0]) && IsSep(p[1]) && (p[2] == L'?' || p[2] == L'.') && IsSep(p[3])) p += 4;
  std::string mapped;
  bool absolute = false;
  if (IsSep(p[0]) && IsSep(p[1])) {
    SetLastError(ERROR_BAD_NETPATH);
    return false;
  }
  if (p[0] && p[1] == L':') {
    std::string root = DriveRoot(p[0]);
    if (root.empty()) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return false;
    }
    mapped = root;
    mapped.push_back('/');
    p += 2;
    absolute = true;
  } else if (IsSep(p[0])) {
    absolute = true;
    mapped = "/";
  }
  AppendPathToDisk(p, wcslen(p), mapped);
  // Keep a trailing separator: it tells "folder" to the calls that care.
  bool trailing = !mapped.empty() && mapped.back() == '/';
  std::string normal = NormalizePath(mapped, absolute);
  if (normal.empty()) normal = ".";
  posixPath = ResolveCase(normal, st, found);
  if (trailing && posixPath.back() != '/') posixPath.push_back('/');
  return true;
}

}  // namespace

ExactNamesBelow::ExactNamesBelow(LPCWSTR folder) {
  std::string path;
  if (!folder || !*folder || !KvMapPath(folder, path)) return;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  exactFolders.push_back(path);
  active_ = true;
}

ExactNamesBelow::~ExactNamesBelow() {
  if (active_) exactFolders.pop_back();
}

std::string ToUtf8(const wchar_t* text, size_t length) {
  std::string out;
  out.reserve(length);
  EncodeUtf8(text, length, out, true, nullptr);
  return out;
}

std::wstring FromUtf8(const char* text, size_t length) {
  std::wstring out;
  out.reserve(length);
  DecodeUtf8(reinterpret_cast<const unsigned char*>(text), length, out, kUtf8Escape);
  return out;
}

bool KvMapPath(LPCWSTR windowsPath, std::string& posixPath) {
  return MapPath(windowsPath, posixPath, nullptr, nullptr);
}

bool MapPathStat(LPCWSTR windowsPath, std::string& posixPath, struct stat& st, bool& found) {
  return MapPath(windowsPath, posixPath, &st, &found);
}

std::wstring KvWindowsPath(const std::string& posixPath) {
  std::string path = posixPath;
  if (path.empty() || path[0] != '/') {
    char* cwd = getcwd(nullptr, 0);
    std::string base = cwd ? cwd : "/";
    free(cwd);
    path = base + (base.back() == '/' ? "" : "/") + path;
  }
  std::string normal = NormalizePath(path, true);
  // The longest configured drive root that contains the path names it.
  wchar_t drive = L'Z';
  std::string driveRoot = "/";
  for (wchar_t letter = L'A'; letter <= L'Y'; ++letter) {
    std::string root = DriveRoot(letter);
    if (root.empty() || root.size() <= driveRoot.size()) continue;
    if (normal == root || (normal.compare(0, root.size(), root) == 0 && normal[root.size()] == '/')) {
      drive = letter;
      driveRoot = root;
    }
  }
  std::string rest = driveRoot == "/" ? normal.substr(1) : normal.substr(std::min(normal.size(), driveRoot.size() + 1));
  std::wstring out;
  out.push_back(drive);
  out += L":\\";
  out += PathFromDisk(rest);
  return out;
}

}  // namespace kavro::platform
