// Packing a folder's content entry by entry through the descriptor walk.
#include "files/zip/zip_folder_pack_internal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "files/tree_walk_internal.h"
#include "platform/fs/fileapi_internal.h"

namespace kavro::zip {
namespace {

using kavro::files::FolderFd;
using kavro::files::TreeEntry;
using kavro::files::TreeEntryKind;
using kavro::files::TreeStep;

constexpr int kOpenData = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

bool SameObject(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Opens a regular file entry by its name in its folder; -1 unless it is
// still the regular file the walk saw (a swap since is caught).
int OpenFileEntry(const TreeEntry& entry) {
  const int fd = openat(entry.folderFd, entry.diskName, kOpenData);
  struct stat st;
  if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && SameObject(st, entry.st)) return fd;
  if (fd >= 0) close(fd);
  return -1;
}

// Opens the regular file a link points to, when it really lies below the
// folder `rootReal`; -1 otherwise. The object resolved once is the one
// opened (through its descriptor), so the link cannot be re-aimed between
// the check and the read.
int OpenLinkTarget(const TreeEntry& entry, const std::string& rootReal) {
  const int where = openat(entry.folderFd, entry.diskName, O_PATH | O_CLOEXEC);
  if (where < 0) return -1;
  struct stat target;
  int fd = -1;
  if (fstat(where, &target) == 0 && S_ISREG(target.st_mode) &&
      kavro::platform::IsBelowRealFolder(kavro::platform::RealPathOfDescriptor(where), rootReal)) {
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
  return fd;
}

class PackVisitor : public kavro::platform::TreeVisitor {
 public:
  PackVisitor(ZipWriter& writer, const CString& prefix, std::string rootReal)
      : writer_(writer), prefix_(prefix), rootReal_(std::move(rootReal)) {}

  TreeStep Visit(const TreeEntry& entry) override {
    const CString name = EntryName(entry);
    switch (entry.kind) {
      case TreeEntryKind::kFolder:
        return Add(name, nullptr, ZIPKIND_FOLDER) ? TreeStep::kEnter : Next();
      case TreeEntryKind::kFolderLink:
        Add(name, nullptr, ZIPKIND_FOLDER);
        return Next();
      case TreeEntryKind::kFile:
        AddFile(name, OpenFileEntry(entry));
        return Next();
      case TreeEntryKind::kFileLink:
        AddFile(name, OpenLinkTarget(entry, rootReal_));
        return Next();
      default:  // special files, dangling and looping links
        Skip(ZRES_NO_FILE);
        return Next();
    }
  }

  void Unreadable(const TreeEntry&) override { Skip(ZRES_READ); }

  ZIPRESULT Result() const { return failed_ != ZRES_SUCCESS ? failed_ : cause_; }
  size_t skipped() const { return skipped_; }

 private:
  CString EntryName(const TreeEntry& entry) const {
    return prefix_.IsEmpty() ? CString(entry.relative.c_str()) : prefix_ + L"\\" + entry.relative.c_str();
  }

  TreeStep Next() const { return failed_ != ZRES_SUCCESS ? TreeStep::kStop : TreeStep::kNext; }

  void Skip(ZIPRESULT cause) {
    cause_ = cause;
    ++skipped_;
  }

  bool Add(const CString& name, void* source, DWORD kind) {
    const ZIPRESULT r = AddEntry(writer_, name, source, 0, kind);
    if (r == ZRES_SUCCESS) return true;
    // A failed write or a bound reached ends the archive's additions.
    if (writer_.stickyError != ZRES_SUCCESS || writer_.finished) failed_ = r;
    else Skip(r);
    return false;
  }

  void AddFile(const CString& name, int fd) {
    if (fd < 0) {
      Skip(ZRES_NO_FILE);
      return;
    }
    HANDLE handle = kavro::platform::KvHandleFromDescriptor(fd);
    Add(name, handle, ZIPKIND_HANDLE);
    CloseHandle(handle);
  }

  ZipWriter& writer_;
  CString prefix_;
  std::string rootReal_;
  ZIPRESULT cause_ = ZRES_SUCCESS;  // the last skip's
  size_t skipped_ = 0;
  ZIPRESULT failed_ = ZRES_SUCCESS;
};

int OpenWindowsFolder(const CString& folder) {
  std::string path;
  if (!kavro::platform::KvMapPath(folder, path)) return -1;
  return kavro::platform::OpenFolderPath(path, true);
}

}  // namespace

ZIPRESULT PackFolder(ZipWriter& writer, const CString& root, const CString& relative) {
  FolderFd rootFd(OpenWindowsFolder(root));
  if (!rootFd.valid()) return ZRES_NO_FILE;
  FolderFd folder(relative.IsEmpty() ? dup(rootFd.get()) : OpenWindowsFolder(root + L"\\" + relative));
  if (!folder.valid()) return ZRES_NO_FILE;
  PackVisitor visitor(writer, relative, kavro::platform::RealPathOfDescriptor(rootFd.get()));
  kavro::platform::TreeWalkOptions options;
  options.statEveryEntry = true;
  const kavro::platform::TreeWalkCounts counts = kavro::platform::WalkTree(folder.get(), visitor, options);
  // The root's own folder unreadable is a skip the visitor did not see.
  if (visitor.skipped() == 0 && counts.unreadable != 0) return ZRES_READ;
  return visitor.Result();
}

}  // namespace kavro::zip
