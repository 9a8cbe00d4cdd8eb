// Listing the files and sub-folders of a folder.
//
// Files of a folder come before those of its sub-folders (depth first, in
// the order found). A link to a file is listed as a file; a link to a folder
// is never recursed into; a folder that cannot be read is skipped.
#include <utility>
#include <vector>

#include "KavroStd/platform/shlwapi.h"
#include "files/tree_walk_internal.h"

using kavro::files::ForEachEntry;
using kavro::files::ForEachEntryByType;
using kavro::files::IsLinkEntry;

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

}  // namespace

int CStringOpr::getFilesInFolder(const wchar_t* folder, CStringArray& files, const CStringArray& filters,
                                 int recurse) {
  // Pending folders, the next one to list at the back; a folder's
  // sub-folders go on in reverse so that they are listed in the order found.
  std::vector<CString> pending{CString(folder ? folder : L"")};
  std::vector<CString> found;
  while (!pending.empty()) {
    CString current = std::move(pending.back());
    pending.pop_back();
    found.clear();
    ForEachEntryByType(current, [&](const CString& path, const wchar_t* name, DWORD attributes) {
      bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (isFolder) {
        if (recurse && !IsLinkEntry(attributes)) found.push_back(path);
      } else if (PassesFilters(path, name, filters)) {
        files.Add(path);
      }
    });
    for (auto it = found.rbegin(); it != found.rend(); ++it) pending.push_back(std::move(*it));
  }
  return static_cast<int>(files.GetSize());
}

int CStringOpr::getFilesInFolder(const wchar_t* folder, CStringArray& files, int recurse, CString filters) {
  CStringArray list;
  SpliteStrToAry(filters, L"|", list);
  return getFilesInFolder(folder, files, list, recurse);
}

int CStringOpr::getSubFolderInFolder(const wchar_t* folder, CStringArray& folders) {
  folders.RemoveAll();
  ForEachEntry(CString(folder ? folder : L""), [&](const CString& path, const WIN32_FIND_DATAW& data) {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) folders.Add(path);
  });
  return static_cast<int>(folders.GetSize());
}
