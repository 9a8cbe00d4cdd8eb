// The shell's path functions: root tests, canonical form, relative paths,
// wildcard specs and command-line arguments.
#include <cwchar>
#include <string>
#include <vector>

#include "KavroStd/platform/cstring.h"
#include "KavroStd/platform/shlwapi.h"
#include "platform/fs/path_internal.h"
#include "platform/shell/shell_path_internal.h"

namespace kavro::platform {
namespace {

// Length of the root of a Windows path: "\\server\share" (or "\\server"),
// "X:\" or "X:", "\", or 0 for a relative path. `absolute` tells whether
// ".." may climb past it (never, for any root).
size_t RootLength(const wchar_t* p, size_t n) {
  if (n >= 2 && p[0] == L'\\' && p[1] == L'\\') {
    size_t i = 2;
    while (i < n && p[i] != L'\\') ++i;  // server
    if (i < n) {
      ++i;
      while (i < n && p[i] != L'\\') ++i;  // share
    }
    return i;
  }
  if (n >= 2 && p[1] == L':') return (n >= 3 && p[2] == L'\\') ? 3 : 2;
  if (n >= 1 && p[0] == L'\\') return 1;
  return 0;
}

bool EqualNoCase(wchar_t a, wchar_t b) { return a == b || ToLower(a) == ToLower(b); }

bool IsUnc(const std::wstring& p) { return p.size() >= 2 && p[0] == L'\\' && p[1] == L'\\'; }

// Length of the longest common prefix of a and b that ends at a component
// boundary of both, compared without regard to case; 0 when the paths share
// no root. A bare drive prefix ("C:") counts with its backslash.
size_t CommonPrefix(const std::wstring& a, const std::wstring& b) {
  if (IsUnc(a) != IsUnc(b)) return 0;
  size_t i = IsUnc(a) ? 2 : 0;
  size_t common = 0;
  for (;; ++i) {
    bool endA = i >= a.size() || a[i] == L'\\';
    bool endB = i >= b.size() || b[i] == L'\\';
    if (endA && endB) common = i;
    if (i >= a.size() || i >= b.size() || !EqualNoCase(a[i], b[i])) break;
  }
  if (common == 2 && a.size() >= 2 && a[1] == L':') common = 3;
  return common;
}

// The path without its last component (and the backslash before it); a
// root keeps its backslash ("C:\f.txt" gives "C:\").
std::wstring WithoutFileSpec(const std::wstring& path) {
  size_t root = RootLength(path.data(), path.size());
  size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos || slash < root) return path.substr(0, root);
  if (slash + 1 == root) return path.substr(0, root);
  return path.substr(0, slash);
}

}  // namespace

bool KvPathCanonicalize(LPCWSTR path, std::wstring& out) {
  out.clear();
  if (!path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  size_t n = wcslen(path);
  size_t root = RootLength(path, n);
  out.assign(path, root);
  if (root == 2 && path[1] == L':') out.push_back(L'\\');  // "C:" is "C:\"
  std::vector<std::wstring> parts;
  bool trailing = n > root && path[n - 1] == L'\\';
  size_t i = root;
  if (IsUnc(out) && i < n && path[i] == L'\\') ++i;  // separator after the share
  while (i < n) {
    size_t j = i;
    while (j < n && path[j] != L'\\') ++j;
    std::wstring part(path + i, j - i);
    if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (part != L".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  // A trailing backslash stays; a final "." or ".." leaves none.
  bool unc = IsUnc(out);
  if (unc && (!parts.empty() || trailing)) out.push_back(L'\\');
  for (size_t k = 0; k < parts.size(); ++k) {
    if (k) out.push_back(L'\\');
    out += parts[k];
  }
  if (trailing && !parts.empty()) out.push_back(L'\\');
  if (out.empty()) out = L"\\";
  return true;
}

bool KvPathRelativePathTo(LPCWSTR from, DWORD fromAttributes, LPCWSTR to, DWORD toAttributes,
                          std::wstring& out) {
  out.clear();
  if (!from || !to) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  std::wstring source(from), target(to);
  if (!(fromAttributes & FILE_ATTRIBUTE_DIRECTORY)) source = WithoutFileSpec(source);
  std::wstring targetFolder = (toAttributes & FILE_ATTRIBUTE_DIRECTORY) ? target : WithoutFileSpec(target);
  size_t common = CommonPrefix(source, targetFolder);
  if (common == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  // One ".." for each component of `from` below the common part.
  size_t i = common;
  if (i < source.size() && source[i] == L'\\') ++i;
  if (i >= source.size()) out = L".";
  while (i < source.size()) {
    size_t j = source.find(L'\\', i);
    bool more = j != std::wstring::npos && j + 1 < source.size();
    out += more ? L"..\\" : L"..";
    if (j == std::wstring::npos) break;
    i = j + 1;
  }
  // Then the rest of `to`, from the backslash that ends the common part.
  if (common < target.size()) {
    size_t start = target[common] == L'\\' ? common : common - 1;
    out.append(target, start, std::wstring::npos);
  }
  return true;
}

}  // namespace kavro::platform

using kavro::platform::KvPathCanonicalize;
using kavro::platform::KvPathRelativePathTo;

extern "C" BOOL PathFileExistsW(LPCWSTR path) {
  return path && *path && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

extern "C" BOOL PathIsDirectoryW(LPCWSTR path) {
  if (!path || !*path) return FALSE;
  DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return FALSE;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FILE_ATTRIBUTE_DIRECTORY : FALSE;
}

extern "C" BOOL PathIsRootW(LPCWSTR path) {
  if (!path || !*path) return FALSE;
  if (path[0] == L'\\') {
    if (!path[1]) return TRUE;
    if (path[1] != L'\\') return FALSE;
    // "\\server" or "\\server\share": at most one more backslash.
    int seen = 0;
    for (const wchar_t* p = path + 2; *p; ++p)
      if (*p == L'\\' && ++seen > 1) return FALSE;
    return TRUE;
  }
  return path[1] == L':' && path[2] == L'\\' && !path[3];
}

extern "C" BOOL PathCanonicalizeW(LPWSTR out, LPCWSTR path) {
  if (out) *out = 0;
  std::wstring result;
  if (!out || !KvPathCanonicalize(path, result)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (result.size() >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return FALSE;
  }
  wmemcpy(out, result.c_str(), result.size() + 1);
  return TRUE;
}

extern "C" BOOL PathRelativePathToW(LPWSTR out, LPCWSTR from, DWORD fromAttributes, LPCWSTR to,
                                    DWORD toAttributes) {
  if (!out) return FALSE;
  *out = 0;
  std::wstring result;
  if (!KvPathRelativePathTo(from, fromAttributes, to, toAttributes, result)) return FALSE;
  if (result.size() >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return FALSE;
  }
  wmemcpy(out, result.c_str(), result.size() + 1);
  return TRUE;
}

extern "C" BOOL PathMatchSpecW(LPCWSTR file, LPCWSTR spec) {
  if (!file || !spec) return FALSE;
  if (wcscmp(spec, L"*.*") == 0) return TRUE;
  const wchar_t* p = spec;
  while (*p) {
    while (*p == L' ') ++p;
    const wchar_t* end = wcschr(p, L';');
    std::wstring one(p, end ? static_cast<size_t>(end - p) : wcslen(p));
    if (!one.empty() && kavro::platform::WildcardMatch(one.c_str(), file)) return TRUE;
    if (!end) break;
    p = end + 1;
  }
  return FALSE;
}

extern "C" LPWSTR PathGetArgsW(LPCWSTR path) {
  if (!path) return nullptr;
  bool quoted = false;
  for (; *path; ++path) {
    if (*path == L' ' && !quoted) return const_cast<LPWSTR>(path + 1);
    if (*path == L'"') quoted = !quoted;
  }
  return const_cast<LPWSTR>(path);
}

extern "C" void PathRemoveArgsW(LPWSTR path) {
  if (!path) return;
  LPWSTR args = PathGetArgsW(path);
  if (*args) {
    args[-1] = 0;
  } else if (args > path && args[-1] == L' ') {
    args[-1] = 0;
  }
}

extern "C" BOOL PathUnquoteSpacesW(LPWSTR path) {
  if (!path || path[0] != L'"') return FALSE;
  size_t n = wcslen(path);
  if (n < 2 || path[n - 1] != L'"') return FALSE;
  wmemmove(path, path + 1, n - 2);
  path[n - 2] = 0;
  return TRUE;
}
