// Entry names as the caller sees them, and the folders extraction creates.
//
// A name flagged UTF-8 (general-purpose bit 11) is decoded as UTF-8; any
// other name is in the ANSI code page. Names are cut to 259 characters (the
// narrow form to 259 bytes) at a character boundary, never inside one.
#pragma once

#include <string>

#include "files/zip/unzip_entry_internal.h"

namespace kavro::zip {

inline constexpr size_t kMaxItemName = 259;

// The name in the ANSI code page, at most 259 bytes.
std::string AnsiName(const EntryInfo& entry);
// The name as wide characters, at most 259.
std::wstring WideName(const EntryInfo& entry);

// True for a relative path that stays inside the folder it is taken from:
// it does not start with '/' or '\' (so no UNC, "\\?\" or "\\.\" prefix),
// has no drive ("c:") and no ".." component ('/' and '\' both separate).
// The private-use dot U+F02E counts as '.': the path mapping turns it back
// into a dot on disk, so U+F02E U+F02E would climb as well.
bool StaysInside(const std::wstring& path);

// True when `target` is the entry's own name as the caller was given it:
// GetZipItemW's text, or GetZipItemA's converted back through the ANSI code
// page; '/' and '\' count as the same character.
bool IsOwnName(const EntryInfo& entry, const std::wstring& target);

// Creates root + every folder of `relative` in turn ('/' and '\' both
// separate; "a/b/" makes a and a/b). Failures, mostly folders that exist
// already, are ignored: a later file creation reports a missing folder.
void CreateFolderChain(const std::wstring& root, const std::wstring& relative);

}  // namespace kavro::zip
