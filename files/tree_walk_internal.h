// The folder walk shared by the listing and deleting routines of CStringOpr.
//
// A walk reads one folder at a time (through FindFirstFileW/FindNextFileW,
// or by entry type alone) and closes it before going on, so that a deep tree holds one find handle at a
// time. Symbolic links are entries of their folder, never descended into:
// nothing outside the named tree is reached through them.
#pragma once

#include "KavroStd/files.h"

namespace kavro::files {

// True for the "." and ".." entries.
inline bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// True for an entry that is a symbolic link (a reparse point).
inline bool IsLinkEntry(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Calls visit(fullPath, data) for each entry of folder but "." and "..", in
// the order the find functions deliver them; fullPath is
// combinePathString(folder, name). False when the folder cannot be read or
// is empty text (which names no folder: never the root).
template <class Visit>
bool ForEachEntry(const CString& folder, Visit&& visit) {
  if (folder.IsEmpty()) return false;
  CString pattern = CStringOpr::combinePathString(folder, L"*");
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  CString path = CStringOpr::combinePathString(folder, L"");
  const int stem = path.GetLength();
  do {
    if (IsDotEntry(data.cFileName)) continue;
    path.Truncate(stem);
    path += data.cFileName;
    visit(path, data);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return true;
}

// As ForEachEntry, with visit(fullPath, name, attributes) and only the
// attributes an entry's type tells (folder, link, file): no look at each
// file, for walks that need nothing more.
template <class Visit>
bool ForEachEntryByType(const CString& folder, Visit&& visit) {
  if (folder.IsEmpty()) return false;
  struct Walk {
    CString path;
    int stem;
    Visit* visit;
  } walk{CStringOpr::combinePathString(folder, L""), 0, &visit};
  walk.stem = walk.path.GetLength();
  return kavro::platform::KvListFolder(
             walk.path,
             [](void* context, const wchar_t* name, DWORD attributes) {
               Walk& w = *static_cast<Walk*>(context);
               w.path.Truncate(w.stem);
               w.path += name;
               (*w.visit)(w.path, name, attributes);
             },
             &walk) != FALSE;
}

}  // namespace kavro::files
