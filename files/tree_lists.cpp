// Deleting and copying trees given as item lists relative to a base folder.
//
// Items are files, or folders when they end with a separator. Symbolic
// links are never followed: an item reached through a linked folder below
// the base is skipped, a listed link is deleted as a link (never its
// target's content) and is not copied, and a copy never writes through a
// linked folder of the target tree.
#include <optional>
#include <set>
#include <vector>
#include <unordered_map>

#include "KavroStd/files.h"
#include "files/tree_walk_internal.h"
#include "platform/fs/path_internal.h"

namespace {

using kavro::files::IsLinkEntry;

bool EndsWithSeparator(const CString& path) {
  int n = path.GetLength();
  return n > 0 && (path[n - 1] == L'\\' || path[n - 1] == L'/');
}

// Tells whether a path below a folder passes through a symbolic link on its
// way down (the folder's own ancestors are the caller's choice and are not
// looked at). Folders found free of links are remembered, so a list of many
// items in one folder asks the disk once per folder.
class LinkGuard {
 public:
  explicit LinkGuard(const CString& folder) : folder_(Normal(folder)) {}

  bool Crosses(const CString& path) {
    CString p = Normal(path);
    int stem = folder_.GetLength();
    if (stem == 0 || p.GetLength() <= stem || p.Left(stem).CompareNoCase(folder_) != 0) return false;
    int last = p.GetLength() - 1;
    if (p[last] == L'\\') --last;
    int end = p.ReverseFind(L'\\');
    while (end > last) end = p.Left(end).ReverseFind(L'\\');
    // p.Left(end) is the item's folder; each level below the base is checked.
    if (end < stem || (!verified_.IsEmpty() && p.Left(end + 1).CompareNoCase(verified_) == 0)) return false;
    for (int slash = p.Find(L'\\', stem); slash >= 0 && slash <= end; slash = p.Find(L'\\', slash + 1)) {
      DWORD attributes = GetFileAttributesW(p.Left(slash));
      if (attributes != INVALID_FILE_ATTRIBUTES && IsLinkEntry(attributes)) return true;
    }
    verified_ = p.Left(end + 1);
    return false;
  }

 private:
  static CString Normal(const CString& path) {
    CString p = path;
    p.Replace(L'/', L'\\');
    return p;
  }

  CString folder_;
  CString verified_;
};

// The attributes of the entry an item names (a folder item without its
// separator), or INVALID_FILE_ATTRIBUTES.
DWORD EntryAttributes(const CString& path) {
  return GetFileAttributesW(EndsWithSeparator(path) ? CPath::RemoveBackSlash(path) : path);
}

// The items' relative paths whose spelling has a case twin among the items
// (sub\a beside SUB\b, or a file Sub beside them): a Windows tree cannot
// hold them, so the copy must create them exactly as spelled rather than
// let the target's case-blind lookup merge them.
class CaseTwins {
 public:
  void Add(const CString& relative) {
    ForEachPrefix(relative, [&](const std::wstring& prefix) {
      std::wstring folded = Folded(prefix);
      auto [it, added] = spellings_.emplace(folded, prefix);
      if (!added && it->second != prefix) twins_.insert(folded);
    });
  }
  bool Involves(const CString& relative) const {
    if (twins_.empty()) return false;
    bool involved = false;
    ForEachPrefix(relative, [&](const std::wstring& prefix) {
      involved = involved || twins_.count(Folded(prefix)) != 0;
    });
    return involved;
  }

 private:
  template <class F>
  static void ForEachPrefix(const CString& relative, F&& f) {
    std::wstring path(relative.GetString());
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    for (size_t i = 0; i <= path.size(); ++i) {
      if (i == path.size() || path[i] == L'\\' || path[i] == L'/') f(path.substr(0, i));
    }
  }
  static std::wstring Folded(const std::wstring& text) {
    CString lower(text.c_str());
    lower.MakeLower();
    lower.Replace(L'/', L'\\');
    return std::wstring(lower.GetString());
  }

  std::unordered_map<std::wstring, std::wstring> spellings_;
  std::set<std::wstring> twins_;
};

}  // namespace

void CStringOpr::DeleteFilesAndDirs(CStringArray& items, CString base) {
  CString folder;
  getPath(base, folder);
  LinkGuard guard(folder);
  CStringArray folders;
  for (INT_PTR i = 0; i < items.GetSize(); ++i) {
    CString path = GetAbsolutePath(items[i], base);
    if (path.IsEmpty() || guard.Crosses(path)) continue;
    if (EndsWithSeparator(path)) {
      folders.Add(path);
      continue;
    }
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) continue;
    // A link goes as a link: its target's attributes are left alone.
    if (!IsLinkEntry(attributes) && (attributes & FILE_ATTRIBUTE_READONLY))
      SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    DeleteFileW(path);
  }
  for (INT_PTR i = 0; i < folders.GetSize(); ++i) {
    DWORD attributes = EntryAttributes(folders[i]);
    if (attributes == INVALID_FILE_ATTRIBUTES || IsLinkEntry(attributes)) continue;
    DeleteEmptyDirectory(folders[i]);
  }
}

void CStringOpr::CopyFilesAndDirs(CStringArray& items, CString fromBase, CString toBase) {
  CString fromFolder, toFolder;
  getPath(fromBase, fromFolder);
  getPath(toBase, toFolder);
  LinkGuard sourceGuard(fromFolder), targetGuard(toFolder);
  std::vector<CString> sources, relatives;
  CaseTwins twins;
  for (INT_PTR i = 0; i < items.GetSize(); ++i) {
    sources.push_back(GetAbsolutePath(items[i], fromBase));
    relatives.push_back(CPath(sources.back(), FALSE, FALSE).GetRelativePath(fromBase));
    twins.Add(relatives.back());
  }
  CString ensured;  // the last target folder whose levels are known to exist
  for (size_t i = 0; i < sources.size(); ++i) {
    const CString& source = sources[i];
    CString target = GetAbsolutePath(relatives[i], toBase);
    if (source.IsEmpty() || target.IsEmpty() || sourceGuard.Crosses(source) || targetGuard.Crosses(target))
      continue;
    const bool exact = twins.Involves(relatives[i]);
    std::optional<kavro::platform::ExactNamesBelow> exactSource, exactTarget;
    if (exact) {
      exactSource.emplace(fromFolder);
      exactTarget.emplace(toFolder);
    }
    DWORD attributes = EntryAttributes(source);
    if (attributes != INVALID_FILE_ATTRIBUTES && IsLinkEntry(attributes)) continue;
    CPath targetPath(target, FALSE, FALSE);
    CString location = targetPath.GetLocation();
    if (location.IsEmpty() || location.Compare(ensured) != 0) {
      if (targetPath.CreateDirectorys()) ensured = location;
      else ensured.Empty();
    }
    if (EndsWithSeparator(source) || attributes == INVALID_FILE_ATTRIBUTES) continue;
    if (CopyFileW(source, target, FALSE) && (attributes & FILE_ATTRIBUTE_READONLY))
      SetFileAttributesW(target, attributes & ~FILE_ATTRIBUTE_READONLY);
  }
}
