// Wildcards, attributes and times of directory entries.
#include <sys/stat.h>

#include <cwchar>

#include "KavroStd/platform/cstring.h"
#include "KavroStd/platform/fileapi.h"
#include "platform/fs/path_internal.h"

namespace kavro::platform {
namespace {

// '*' and '?' without regard to case; a failed star widens by one unit, so
// the match is O(pattern × name) at worst.
bool MatchRange(const wchar_t* p, size_t np, const wchar_t* s, size_t ns) {
  size_t pi = 0, si = 0, starP = SIZE_MAX, starS = 0;
  while (si < ns) {
    if (pi < np && (p[pi] == L'?' || ToLower(p[pi]) == ToLower(s[si]))) {
      ++pi;
      ++si;
    } else if (pi < np && p[pi] == L'*') {
      starP = pi++;
      starS = si;
    } else if (starP != SIZE_MAX) {
      pi = starP + 1;
      si = ++starS;
    } else {
      return false;
    }
  }
  while (pi < np && p[pi] == L'*') ++pi;
  return pi == np;
}

}  // namespace

bool HasWildcards(const wchar_t* text) { return text && wcspbrk(text, L"*?") != nullptr; }

bool WildcardMatch(const wchar_t* pattern, const wchar_t* name) {
  size_t np = wcslen(pattern), ns = wcslen(name);
  if (np == 3 && wcscmp(pattern, L"*.*") == 0) return true;
  if (MatchRange(pattern, np, name, ns)) return true;
  // "name.*" also matches "name"; "abc." matches "abc" (names without an
  // extension), as Windows' DOS rules have it.
  if (np >= 2 && pattern[np - 2] == L'.' && pattern[np - 1] == L'*' && !wcschr(name, L'.'))
    return MatchRange(pattern, np - 2, name, ns);
  if (np >= 1 && pattern[np - 1] == L'.' && !wcschr(name, L'.'))
    return MatchRange(pattern, np - 1, name, ns);
  return false;
}

FILETIME FileTimeFromTimespec(const struct timespec& ts) {
  const long long kEpochDifference = 11644473600LL;  // 1601-01-01 to 1970-01-01, seconds
  long long ticks = (static_cast<long long>(ts.tv_sec) + kEpochDifference) * 10000000LL + ts.tv_nsec / 100;
  if (ticks < 0) ticks = 0;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFF);
  ft.dwHighDateTime = static_cast<DWORD>(static_cast<unsigned long long>(ticks) >> 32);
  return ft;
}

DWORD AttributesFromStat(const struct stat& st, const std::string& name, const struct stat* target) {
  DWORD attributes = 0;
  const struct stat& effective = (S_ISLNK(st.st_mode) && target) ? *target : st;
  if (S_ISLNK(st.st_mode)) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  if (S_ISDIR(effective.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  else attributes |= FILE_ATTRIBUTE_ARCHIVE;
  if (IsReadOnlyMode(effective.st_mode) && !S_ISDIR(effective.st_mode)) attributes |= FILE_ATTRIBUTE_READONLY;
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
  return attributes;
}

}  // namespace kavro::platform
