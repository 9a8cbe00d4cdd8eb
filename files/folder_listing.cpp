// Listing the files and sub-folders of a folder.
//
// Files of a folder come before those of its sub-folders (depth first, in
// the order found). A link to a regular file is listed as a file; a link to
// a folder is never recursed into; special files (pipes, sockets, devices)
// and links to them are not listed; a folder that cannot be read is
// skipped. Paths handed back are the folder's text plus the names below it
// in Windows form, whatever their length.
#include <utility>

#include "KavroStd/platform/shlwapi.h"
#include "files/tree_walk_internal.h"

using kavro::files::FolderFd;
using kavro::files::OpenNamedFolder;
using kavro::files::TreeEntry;
using kavro::files::TreeEntryKind;
using kavro::files::TreeStep;
using kavro::files::WalkWith;

namespace {

// A file passes when there is no filter, when its full path matches a
// filter as a shell wildcard spec, or when a filter equals its extension
// (with the ".") ignoring case.
bool PassesFilters(const CString& path, const wchar_t* name, const CStringArray& filters) {
  if (filters.IsEmpty()) return true;
  CString ext;
  bool haveExt = false;
  for (INT_PTR i = 0; i < filters.GetSize(); ++i) {
    const CString& filter = filters[i];
    if (PathMatchSpecW(path, filter)) return true;
    if (!haveExt) {
      ext = CStringOpr::getExt(name);
      haveExt = true;
    }
    if (ext.CompareNoCase(filter) == 0) return true;
  }
  return false;
}

bool IsListedFile(TreeEntryKind kind) { return kind == TreeEntryKind::kFile || kind == TreeEntryKind::kFileLink; }

}  // namespace

int CStringOpr::getFilesInFolder(const wchar_t* folder, CStringArray& files, const CStringArray& filters,
                                 int recurse) {
  const CString root(folder ? folder : L"");
  FolderFd fd(OpenNamedFolder(root));
  if (!fd.valid()) return static_cast<int>(files.GetSize());
  const CString stem = combinePathString(root, L"");
  CString path;
  WalkWith(fd.get(), [&](const TreeEntry& entry) {
    if (entry.kind == TreeEntryKind::kFolder) return recurse ? TreeStep::kEnter : TreeStep::kNext;
    if (!IsListedFile(entry.kind)) return TreeStep::kNext;
    path = stem;
    path += entry.relative.c_str();
    if (PassesFilters(path, entry.relative.c_str() + entry.nameStart, filters)) files.Add(path);
    return TreeStep::kNext;
  });
  return static_cast<int>(files.GetSize());
}

int CStringOpr::getFilesInFolder(const wchar_t* folder, CStringArray& files, int recurse, CString filters) {
  CStringArray list;
  SpliteStrToAry(filters, L"|", list);
  return getFilesInFolder(folder, files, list, recurse);
}

int CStringOpr::getSubFolderInFolder(const wchar_t* folder, CStringArray& folders) {
  folders.RemoveAll();
  const CString root(folder ? folder : L"");
  FolderFd fd(OpenNamedFolder(root));
  if (!fd.valid()) return 0;
  const CString stem = combinePathString(root, L"");
  WalkWith(fd.get(), [&](const TreeEntry& entry) {
    if (entry.kind == TreeEntryKind::kFolder || entry.kind == TreeEntryKind::kFolderLink)
      folders.Add(stem + entry.relative.c_str());
    return TreeStep::kNext;
  });
  return static_cast<int>(folders.GetSize());
}
