// Path helpers shared by the layer's file services.
#pragma once

#include <sys/stat.h>

#include <string>

#include "KavroStd/platform/win_types.h"

namespace kavro::platform {
// UTF-8 form of wide text and back (file names on disk are UTF-8; bytes that
// are not UTF-8 read as U+FFFD).
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
}  // namespace kavro::platform
