// Whole-file read-modify-write, atomic and serialised between processes: the
// one way the library rewrites a settings file that others may be reading or
// writing at the same time. Internal to the library (hidden in the shared
// library); the temporary file it writes is in file_rewrite_internal.h.
//
//   DWORD err = kavro::platform::KvRewriteFile(L"Z:\\srv\\a.ini", true,
//       [](std::string& bytes) { bytes += "k=v\r\n"; return true; });
//
// One call:
//  1. maps the Windows path (fileapi.h) and follows a symbolic link in its last
//     component to the file it names (the link stays a link);
//  2. opens the file (creating it empty when missing and createIfMissing) and
//     takes an exclusive flock on it; when the path names another file by then
//     (a writer renamed over it meanwhile), it opens that one and tries again;
//  3. reads the whole file and hands the bytes to `edit`, which changes them in
//     place; `edit` returning false means "no change": nothing is written (and
//     a file this call created is removed again);
//  4. writes the new bytes to a new file in the same folder, with the file's
//     mode (and owner and group when running as root): an unnamed one
//     (O_TMPFILE) that gets a fresh hidden name ".<name>.<random>.kvtmp" once
//     complete, or, where the file system has no unnamed files, one created
//     under such a name; renames it over the file in one step; then unlocks.
//     Temporary names are new each time and never one that exists, so
//     nothing put in the folder (a folder, a link, a file) blocks or
//     redirects a write, and a write never touches it.
// All writers of a file go through the lock, so none loses another's change;
// readers need no lock: they see the old or the new file, never a part.
// No fsync: a killed process leaves the old or the new file; after a power
// cut, file systems that flush a file renamed over another (ext4) also leave
// the old or the new content, others promise nothing.
// A killed writer leaves no temporary file where the file system has unnamed
// files, unless it dies between naming the complete new file and the rename;
// elsewhere it may leave a partial one. Such a ".<name>.<random>.kvtmp" is
// neither read nor removed by later writes.
// Returns ERROR_SUCCESS, or the Win32 error (also set as the last error) with
// the file unchanged and no temporary file left:
//  - ERROR_ACCESS_DENIED: the file has no write bit (checked from the mode, so
//    also when running as root; an edit that changes nothing still succeeds),
//    is a folder or another non-regular file, or the folder does not let us
//    create the temporary file;
//  - ERROR_FILE_NOT_FOUND: missing file and !createIfMissing;
//  - ERROR_PATH_NOT_FOUND: a missing folder (folders are never created);
//  - ERROR_CANT_RESOLVE_FILENAME: a loop of symbolic links;
//  - the path mapping's error for an unmapped drive; the mapped errno of a
//    failed read, write or rename (ERROR_DISK_FULL, ...).
// An exception thrown by `edit` propagates after the same clean-up.
// The file is a new one after each write: other hard links to the old file
// keep the old content, and extended attributes are not carried over.
// The lock is flock(2) on the file: programs that write the file without it
// are not serialised with the library's writers.
#pragma once

#include <functional>
#include <string>

#include "KavroStd/platform/win_errors.h"
#include "KavroStd/platform/win_types.h"

namespace kavro::platform {
DWORD KvRewriteFile(LPCWSTR path, bool createIfMissing,
                    const std::function<bool(std::string& content)>& edit);
}  // namespace kavro::platform
