// What the library's tree operations do to the entries of a descriptor
// walk: open a file for reading, open a link's target inside the tree, and
// remove a whole tree.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "KavroStd/platform/handleapi.h"
#include "platform/fs/fileapi_internal.h"
#include "platform/fs/path_internal.h"
#include "platform/fs/tree_walk_internal.h"

namespace kavro::platform {
namespace {

constexpr int kOpenData = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

bool SameObject(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// A handle owning fd, or INVALID_HANDLE_VALUE for -1. The descriptor was
// opened without blocking; reads block as usual.
HANDLE ReadHandle(int fd) {
  if (fd < 0) return INVALID_HANDLE_VALUE;
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return KvHandleFromDescriptor(fd);
}

// Gives the owner write access to a file or folder without write bits, as
// clearing the read-only attribute does; never through a link.
void ResetReadOnly(int folderFd, const char* name, const struct stat& st) {
  if ((st.st_mode & 0222) != 0) return;
  fchmodat(folderFd, name, (st.st_mode & 07777) | S_IWUSR, AT_SYMLINK_NOFOLLOW);
}

class RemoveVisitor : public TreeVisitor {
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

}  // namespace

HANDLE OpenEntryForReading(const TreeEntry& entry) {
  const int fd = openat(entry.folderFd, entry.diskName, kOpenData);
  struct stat st;
  if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && SameObject(st, entry.st)) return ReadHandle(fd);
  if (fd >= 0) close(fd);
  return INVALID_HANDLE_VALUE;
}

HANDLE OpenLinkTargetForReading(const TreeEntry& entry, const std::string& rootReal) {
  const int where = openat(entry.folderFd, entry.diskName, O_PATH | O_CLOEXEC);
  if (where < 0) return INVALID_HANDLE_VALUE;
  struct stat target;
  int fd = -1;
  if (fstat(where, &target) == 0 && S_ISREG(target.st_mode) &&
      IsBelowRealFolder(RealPathOfDescriptor(where), rootReal)) {
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", where);
    fd = open(self, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat opened;
    if (fd >= 0 && !(fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && SameObject(opened, target))) {
      close(fd);
      fd = -1;
    }
  }
  close(where);
  return ReadHandle(fd);
}

int OpenNamedFolder(const wchar_t* folder) {
  if (folder == nullptr || *folder == 0) return -1;
  std::string path;
  if (!KvMapPath(folder, path)) return -1;
  return OpenFolderPath(path, true);
}

void RemoveTree(const wchar_t* folder, bool deleteFiles) {
  if (folder == nullptr || *folder == 0) return;
  std::string path, name;
  if (!KvMapPath(folder, path)) return;
  FolderFd parent(OpenParentFolder(path, name));
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
      TreeWalkOptions options;
      options.statEveryEntry = true;
      WalkTree(root.get(), visitor, options);
    }
  }
  unlinkat(parent.get(), name.c_str(), AT_REMOVEDIR);
}

}  // namespace kavro::platform
