// The descriptor-based tree walk (see tree_walk_internal.h).
//
// The walk keeps a stack of frames, one per folder from the root down to the
// folder being read. A folder is read whole when it is entered (names and
// types), so its directory stream is closed before its sub-folders are
// entered; its descriptor stays open while there is room. At most
// kMaxOpenFolders descriptors are held: past that the outermost ones are
// closed, and a frame whose descriptor is needed again is reopened from its
// nearest open ancestor, one name at a time, each level checked against the
// device and inode it had.
#include "platform/fs/tree_walk_internal.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/fs/name_map_internal.h"

namespace kavro::platform {
namespace {

constexpr size_t kMaxOpenFolders = 48;
constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// One entry as readdir gave it.
struct RawEntry {
  std::string name;
  unsigned char type;
};

// A folder found in the current one, to be entered later.
struct PendingFolder {
  std::string diskName;
  std::wstring name;
  struct stat st;
  bool haveStat;
};

struct Frame {
  int fd = -1;
  bool owned = true;  // the root's descriptor is the caller's
  dev_t dev = 0;
  ino_t ino = 0;
  size_t stem = 0;    // length of the relative path up to this folder
  PendingFolder self; // this folder as its parent listed it (not for the root)
  std::vector<PendingFolder> subs;
  size_t next = 0;
};

bool ReadNames(int fd, std::vector<RawEntry>& out) {
  int copy = dup(fd);
  if (copy < 0) return false;
  DIR* dir = fdopendir(copy);
  if (dir == nullptr) {
    close(copy);
    return false;
  }
  rewinddir(dir);
  errno = 0;
  while (dirent* e = readdir(dir)) {
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    out.push_back(RawEntry{n, e->d_type});
  }
  const bool ok = errno == 0;
  closedir(dir);
  return ok;
}

TreeEntryKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return TreeEntryKind::kFile;
  if (S_ISDIR(mode)) return TreeEntryKind::kFolder;
  if (S_ISLNK(mode)) return TreeEntryKind::kOtherLink;
  return TreeEntryKind::kSpecial;
}

// The kind of an entry; false when it is gone since readdir.
bool Classify(int fd, const RawEntry& raw, bool statAll, struct stat& st, bool& haveStat, TreeEntryKind& kind) {
  haveStat = statAll || raw.type == DT_UNKNOWN || raw.type == DT_LNK;
  if (haveStat) {
    if (fstatat(fd, raw.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    kind = KindOfMode(st.st_mode);
  } else {
    kind = raw.type == DT_REG ? TreeEntryKind::kFile
           : raw.type == DT_DIR ? TreeEntryKind::kFolder
                                : TreeEntryKind::kSpecial;
  }
  if (kind == TreeEntryKind::kOtherLink) {
    struct stat target;
    if (fstatat(fd, raw.name.c_str(), &target, 0) == 0) {
      if (S_ISREG(target.st_mode)) kind = TreeEntryKind::kFileLink;
      else if (S_ISDIR(target.st_mode)) kind = TreeEntryKind::kFolderLink;
    }
  }
  return true;
}

class Walker {
 public:
  Walker(TreeVisitor& visitor, const TreeWalkOptions& options) : visitor_(visitor), options_(options) {}

  TreeWalkCounts Run(int rootFd);

 private:
  bool ReadFolder(size_t index);
  void EnterNext(size_t index);
  void LeaveTop();
  int FdOf(size_t index);
  void KeepWithinLimit(size_t keep);
  void Report(const PendingFolder& folder, int parentFd, size_t depth, bool leave);

  TreeVisitor& visitor_;
  TreeWalkOptions options_;
  TreeWalkCounts counts_;
  std::vector<Frame> frames_;
  std::wstring path_;
  size_t open_ = 0;
  bool stopped_ = false;
};

TreeWalkCounts Walker::Run(int rootFd) {
  struct stat st;
  if (fstat(rootFd, &st) != 0) return counts_;
  frames_.emplace_back();
  frames_[0].fd = rootFd;
  frames_[0].owned = false;
  frames_[0].dev = st.st_dev;
  frames_[0].ino = st.st_ino;
  if (!ReadFolder(0)) ++counts_.unreadable;
  while (!frames_.empty() && !stopped_) {
    Frame& top = frames_.back();
    if (top.next < top.subs.size()) EnterNext(frames_.size() - 1);
    else LeaveTop();
  }
  for (Frame& f : frames_)
    if (f.owned && f.fd >= 0) close(f.fd);
  return counts_;
}

// Visits the entries of frame `index` (the deepest) and keeps its folders.
bool Walker::ReadFolder(size_t index) {
  std::vector<RawEntry> raw;
  const int fd = frames_[index].fd;
  const bool ok = ReadNames(fd, raw);
  const size_t stem = frames_[index].stem;
  for (const RawEntry& e : raw) {
    struct stat st;
    bool haveStat = false;
    TreeEntryKind kind;
    if (!Classify(fd, e, options_.statEveryEntry, st, haveStat, kind)) continue;
    path_.resize(stem);
    if (stem != 0) path_ += L'\\';
    const size_t nameStart = path_.size();
    AppendNameFromDisk(e.name.data(), e.name.size(), path_);
    ++counts_.entries;
    if (kind == TreeEntryKind::kSpecial) ++counts_.specials;
    const TreeEntry entry{fd, e.name.c_str(), path_, nameStart, kind, st, haveStat, frames_.size()};
    const TreeStep step = visitor_.Visit(entry);
    if (step == TreeStep::kStop) {
      stopped_ = true;
      return ok;
    }
    if (step == TreeStep::kEnter && kind == TreeEntryKind::kFolder) {
      frames_[index].subs.push_back(PendingFolder{e.name, path_.substr(nameStart), st, haveStat});
    }
  }
  return ok;
}

// Enters the next pending sub-folder of frame `index`.
void Walker::EnterNext(size_t index) {
  PendingFolder folder = std::move(frames_[index].subs[frames_[index].next++]);
  const int parentFd = FdOf(index);
  const int fd = parentFd < 0 ? -1 : openat(parentFd, folder.diskName.c_str(), kOpenFolder);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) {
    if (fd >= 0) close(fd);
    ++counts_.unreadable;
    Report(folder, parentFd, index + 1, false);
    if (parentFd >= 0) Report(folder, parentFd, index + 1, true);
    return;
  }
  Frame child;
  child.fd = fd;
  child.dev = st.st_dev;
  child.ino = st.st_ino;
  path_.resize(frames_[index].stem);
  if (!path_.empty()) path_ += L'\\';
  path_ += folder.name;
  child.stem = path_.size();
  child.self = std::move(folder);
  frames_.push_back(std::move(child));
  ++open_;
  KeepWithinLimit(frames_.size() - 1);
  if (!ReadFolder(frames_.size() - 1)) {
    ++counts_.unreadable;
    const size_t depth = frames_.size() - 1;
    const int parentOfFailed = FdOf(depth - 1);
    Report(frames_.back().self, parentOfFailed, depth, false);
  }
}

// Closes the deepest folder and tells the visitor it is done.
void Walker::LeaveTop() {
  Frame& top = frames_.back();
  if (top.owned && top.fd >= 0) {
    close(top.fd);
    --open_;
  }
  if (frames_.size() == 1) {
    frames_.pop_back();
    return;
  }
  PendingFolder self = std::move(top.self);
  frames_.pop_back();
  const size_t parent = frames_.size() - 1;
  const int parentFd = FdOf(parent);
  if (parentFd >= 0) Report(self, parentFd, parent + 1, true);
}

void Walker::Report(const PendingFolder& folder, int parentFd, size_t depth, bool leave) {
  const size_t stem = frames_[depth - 1].stem;
  path_.resize(stem);
  if (stem != 0) path_ += L'\\';
  const size_t nameStart = path_.size();
  path_ += folder.name;
  const TreeEntry entry{parentFd, folder.diskName.c_str(), path_, nameStart, TreeEntryKind::kFolder,
                        folder.st, folder.haveStat, depth};
  if (leave) visitor_.Leave(entry);
  else visitor_.Unreadable(entry);
}

// The descriptor of frame `index`, reopened from its nearest open ancestor
// when it was closed; -1 when a level on the way is no longer the folder it
// was (moved or replaced since).
int Walker::FdOf(size_t index) {
  if (frames_[index].fd >= 0) return frames_[index].fd;
  size_t open = index;
  while (frames_[open].fd < 0) --open;  // the root's descriptor is never closed
  for (size_t k = open + 1; k <= index; ++k) {
    const int fd = openat(frames_[k - 1].fd, frames_[k].self.diskName.c_str(), kOpenFolder);
    struct stat st;
    if (fd >= 0 && fstat(fd, &st) == 0 && st.st_dev == frames_[k].dev && st.st_ino == frames_[k].ino) {
      frames_[k].fd = fd;
      ++open_;
      KeepWithinLimit(k);
      continue;
    }
    if (fd >= 0) close(fd);
    return -1;
  }
  return frames_[index].fd;
}

// Closes the outermost open descriptors (never the root's, `keep`'s or the
// deepest frame's) until at most kMaxOpenFolders are open.
void Walker::KeepWithinLimit(size_t keep) {
  for (size_t i = 1; open_ > kMaxOpenFolders && i < frames_.size(); ++i) {
    if (i == keep || i + 1 == frames_.size() || frames_[i].fd < 0) continue;
    close(frames_[i].fd);
    frames_[i].fd = -1;
    --open_;
  }
}

}  // namespace

TreeWalkCounts WalkTree(int rootFd, TreeVisitor& visitor, const TreeWalkOptions& options) {
  Walker walker(visitor, options);
  return walker.Run(rootFd);
}

}  // namespace kavro::platform
