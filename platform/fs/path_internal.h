// Path helpers shared by the layer's file services.
#pragma once

#include <sys/stat.h>

#include <string>

#include "KavroStd/platform/win_types.h"

namespace kavro::platform {
// UTF-8 form of wide text and back (file names on disk are UTF-8). A byte
// that is not UTF-8 reads as U+DC00 + the byte and is written back as that
// byte, so that every name on disk can be listed, opened and deleted.
std::string ToUtf8(const wchar_t* text, size_t length);
std::wstring FromUtf8(const char* text, size_t length);
// Windows wildcard match without regard to case: '*' and '?', "*.*" matches
// every name, "name.*" also matches "name", and a trailing '.' matches names
// without an extension.
bool WildcardMatch(const wchar_t* pattern, const wchar_t* name);
bool HasWildcards(const wchar_t* text);
// FILETIME (100 ns since 1601) of a POSIX time.
FILETIME FileTimeFromTimespec(const struct timespec& ts);
// The Windows attributes of an entry, from its lstat data; `name` is the
// entry's last component (for the hidden flag), `target` the data of what a
// link points to (or null).
DWORD AttributesFromStat(const struct stat& st, const std::string& name, const struct stat* target);
// True when no write bit is set: the Windows read-only attribute.
inline bool IsReadOnlyMode(mode_t mode) { return (mode & 0222) == 0; }
// KvMapPath that also hands back the entry's lstat data when the path exists
// as spelled (the common case), so that callers need not stat it again;
// `found` is false when the path was missing or had to be looked up without
// regard to case (the caller then stats the mapped path itself).
bool MapPathStat(LPCWSTR windowsPath, std::string& posixPath, struct stat& st, bool& found);
// While it lives, paths below `folder` (found as usual itself) are taken
// exactly as spelled on this thread: no name below it is looked up without
// regard to case, so names that differ only in case can be created and
// reached side by side there.
class ExactNamesBelow {
 public:
  explicit ExactNamesBelow(LPCWSTR folder);
  ~ExactNamesBelow();
  ExactNamesBelow(const ExactNamesBelow&) = delete;
  ExactNamesBelow& operator=(const ExactNamesBelow&) = delete;

 private:
  bool active_ = false;
};
// Sets the last error for a failed call on `path`: a missing entry is
// ERROR_FILE_NOT_FOUND when its folder exists, else ERROR_PATH_NOT_FOUND;
// other errno values go through Win32ErrorFromErrno. Returns FALSE.
BOOL FailForPath(const std::string& path, int errnoValue);
// A folder only the current user can change (owned by the user, no group or
// other write bit, not a link).
bool IsPrivateFolder(const std::string& path);
// Creates the folder with mode 0700 if missing; true when it is private.
bool MakePrivateFolder(const std::string& path);
}  // namespace kavro::platform
