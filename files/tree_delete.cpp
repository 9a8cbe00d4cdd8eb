// Deleting a folder tree, or only its empty folders.
//
// The walk is depth first and iterative (a deep tree costs heap, not stack)
// and reads one folder at a time. A symbolic link is an entry like a file:
// DeleteDirectory removes the link itself, DeleteEmptyDirectory leaves it;
// neither looks inside it, nor changes the attributes of what it points to,
// so nothing outside the named tree is touched. Failures are ignored: what
// cannot be deleted stays, and the walk goes on.
#include <vector>

#include "files/tree_walk_internal.h"

using kavro::files::ForEachEntry;
using kavro::files::IsLinkEntry;

namespace {

const DWORD kResettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;

struct Frame {
  CString folder;
  std::vector<CString> subFolders;
  size_t next = 0;
};

// Removes a link entry: a link to a folder goes with RemoveDirectoryW, any
// other with DeleteFileW; neither follows it.
void RemoveLink(const CString& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) RemoveDirectoryW(path);
  else DeleteFileW(path);
}

// Handles the entries of frame.folder: files are deleted (deleteFiles) or
// left with their attributes reset; links are removed (deleteFiles) or left;
// sub-folders are reset to normal and remembered.
void VisitFolder(Frame& frame, bool deleteFiles) {
  ForEachEntry(frame.folder, [&](const CString& path, const WIN32_FIND_DATAW& data) {
    DWORD attributes = data.dwFileAttributes;
    if (IsLinkEntry(attributes)) {
      if (deleteFiles) RemoveLink(path, attributes);
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A folder without write permission could not lose its entries.
      SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
      frame.subFolders.push_back(path);
    } else {
      if (attributes & kResettable) SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
      if (deleteFiles) DeleteFileW(path);
    }
  });
}

// Walks the tree under folder, removing each folder after its content (a
// folder that is not empty by then stays, RemoveDirectoryW refusing it).
void RemoveTree(const CString& folder, bool deleteFiles) {
  if (folder.IsEmpty()) return;
  DWORD attributes = GetFileAttributesW(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  if (IsLinkEntry(attributes)) {
    // The named folder is itself a link: only the link goes.
    if (deleteFiles) RemoveLink(folder, attributes);
    return;
  }
  SetFileAttributesW(folder, FILE_ATTRIBUTE_NORMAL);
  std::vector<Frame> stack(1);
  stack.back().folder = folder;
  VisitFolder(stack.back(), deleteFiles);
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next < top.subFolders.size()) {
      Frame child;
      child.folder = std::move(top.subFolders[top.next++]);
      stack.push_back(std::move(child));  // `top` is not used after this
      VisitFolder(stack.back(), deleteFiles);
    } else {
      RemoveDirectoryW(top.folder);
      stack.pop_back();
    }
  }
}

}  // namespace

void CStringOpr::DeleteDirectory(CString folder) { RemoveTree(folder, true); }

void CStringOpr::DeleteEmptyDirectory(CString folder) { RemoveTree(folder, false); }
