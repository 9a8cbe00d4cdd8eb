// Deleting a folder tree, or only its empty folders, through the
// platform's descriptor walk: entries are removed by the name their folder
// gave, at any depth; links and special files are entries, never followed
// or opened, so nothing outside the named tree is touched. Failures are
// ignored: what cannot be deleted stays, and the walk goes on.
#include "files/tree_walk_internal.h"

void CStringOpr::DeleteDirectory(CString folder) { kavro::platform::RemoveTree(folder, true); }

void CStringOpr::DeleteEmptyDirectory(CString folder) { kavro::platform::RemoveTree(folder, false); }
