// Deleting a folder tree, or only its empty folders.
//
// The walk goes through open folder descriptors (files/tree_walk_internal.h):
// entries are removed with unlinkat by the name their folder gave, at any
// depth. A symbolic link is an entry like a file: DeleteDirectory removes
// the link itself, DeleteEmptyDirectory leaves it; neither looks inside it,
// nor changes the attributes of what it points to, so nothing outside the
// named tree is touched. Special files (pipes, sockets, devices) are removed
// as entries, never opened. Failures are ignored: what cannot be deleted
// stays, and the walk goes on.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/tree_walk_internal.h"

namespace {

using kavro::files::FolderFd;
using kavro::files::TreeEntry;
using kavro::files::TreeEntryKind;
using kavro::files::TreeStep;

// Gives the owner write access to a file or folder without write bits, as
// clearing the read-only attribute does; never through a link.
void ResetReadOnly(int folderFd, const char* name, const struct stat& st) {
  if ((st.st_mode & 0222) != 0) return;
  fchmodat(folderFd, name, (st.st_mode & 07777) | S_IWUSR, AT_SYMLINK_NOFOLLOW);
}

class RemoveVisitor : public kavro::platform::TreeVisitor {
 public:
  explicit RemoveVisitor(bool deleteFiles) : deleteFiles_(deleteFiles) {}

  TreeStep Visit(const TreeEntry& entry) override {
    switch (entry.kind) {
      case TreeEntryKind::kFolder:
        // A folder without write permission could not lose its entries.
        ResetReadOnly(entry.folderFd, entry.diskName, entry.st);
        return TreeStep::kEnter;
      case TreeEntryKind::kFile:
        ResetReadOnly(entry.folderFd, entry.diskName, entry.st);
        break;
      default:  // links and special files: entries, never opened
        break;
    }
    if (deleteFiles_) unlinkat(entry.folderFd, entry.diskName, 0);
    return TreeStep::kNext;
  }

  // A folder that is not empty by then stays (unlinkat refuses it).
  void Leave(const TreeEntry& entry) override { unlinkat(entry.folderFd, entry.diskName, AT_REMOVEDIR); }

 private:
  bool deleteFiles_;
};

void RemoveTree(const CString& folder, bool deleteFiles) {
  if (folder.IsEmpty()) return;
  std::string path, name;
  if (!kavro::platform::KvMapPath(folder, path)) return;
  FolderFd parent(kavro::platform::OpenParentFolder(path, name));
  if (!parent.valid()) return;
  struct stat st;
  if (fstatat(parent.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return;
  if (S_ISLNK(st.st_mode)) {
    // The named folder is itself a link: only the link goes.
    struct stat target;
    if (deleteFiles && fstatat(parent.get(), name.c_str(), &target, 0) == 0 && S_ISDIR(target.st_mode))
      unlinkat(parent.get(), name.c_str(), 0);
    return;
  }
  if (!S_ISDIR(st.st_mode)) return;
  ResetReadOnly(parent.get(), name.c_str(), st);
  {
    FolderFd root(openat(parent.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (root.valid()) {
      RemoveVisitor visitor(deleteFiles);
      kavro::platform::TreeWalkOptions options;
      options.statEveryEntry = true;
      kavro::platform::WalkTree(root.get(), visitor, options);
    }
  }
  unlinkat(parent.get(), name.c_str(), AT_REMOVEDIR);
}

}  // namespace

void CStringOpr::DeleteDirectory(CString folder) { RemoveTree(folder, true); }

void CStringOpr::DeleteEmptyDirectory(CString folder) { RemoveTree(folder, false); }
