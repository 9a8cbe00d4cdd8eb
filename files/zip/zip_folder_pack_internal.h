// The walk behind AddFolderContent: packs the content of a folder below a
// root folder into an archive being written.
//
// An entry that cannot be packed is skipped and the rest of the tree is
// packed: a special file (pipe, socket, device), a link to a file outside
// the root folder, a dangling or looping link, a file that cannot be opened
// or read, a folder that cannot be read, a name the code page cannot show
// or one too long for an entry. A failed write of the archive itself ends
// the walk.
#pragma once

#include "files/zip/zip_writer_internal.h"

namespace kavro::zip {

// Packs the content of root\relative (root alone when relative is empty)
// under names relative\... ZRES_SUCCESS when every entry was packed; else
// the cause of the last skip (ZRES_NO_FILE for entries not packed on
// purpose or not there, ZRES_READ for what could not be read, ZRES_ARGS for
// names), or the archive's write failure.
ZIPRESULT PackFolder(ZipWriter& writer, const CString& root, const CString& relative);

}  // namespace kavro::zip
