// Walking a folder tree through open folder descriptors, as fts does.
//
// Every entry is reached with openat/fstatat relative to its folder's open
// descriptor, by the name the folder gave: a name is never parsed again as a
// path, links are never followed into folders, and the depth of the tree
// does not matter (the walk is iterative, and beyond a fixed number of open
// folders the outer ones are closed and opened again from their parents by
// name, checked by device and inode). Names come up in Windows form through
// the path mapping, so a name holding '\' is one component there too.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <string>

#include "KavroStd/platform/win_types.h"

namespace kavro::platform {

enum class TreeEntryKind {
  kFile,        // a regular file
  kFolder,      // a folder (not a link)
  kFileLink,    // a symbolic link whose target is a regular file
  kFolderLink,  // a symbolic link whose target is a folder
  kOtherLink,   // a dangling or looping link, or one to a special file
  kSpecial,     // FIFO, socket, character or block device
};

struct TreeEntry {
  int folderFd;                   // the open folder holding the entry
  const char* diskName;           // the entry's name in that folder
  const std::wstring& relative;   // Windows form below the root, '\' between names
  size_t nameStart;               // where the entry's own name starts in `relative`
  TreeEntryKind kind;
  const struct stat& st;          // the entry's own data (lstat), when `haveStat`
  bool haveStat;
  size_t depth;                   // 1 for the root's own entries
};

// What the walk does after an entry.
enum class TreeStep { kNext, kEnter, kStop };

class TreeVisitor {
 public:
  virtual ~TreeVisitor() = default;
  // Each entry of a folder but "." and "..", in the order the folder gives
  // them, before any of its sub-folders is entered. kEnter on a kFolder
  // entry walks its content after the folder's other entries (in the order
  // the folders were found); kStop ends the whole walk.
  virtual TreeStep Visit(const TreeEntry& entry) = 0;
  // After an entered folder's content (its own descriptor closed; the
  // entry's folderFd is its parent's).
  virtual void Leave(const TreeEntry&) {}
  // A folder that was to be entered but could not be opened or read.
  virtual void Unreadable(const TreeEntry&) {}
};

struct TreeWalkOptions {
  // fstatat every entry; otherwise only where readdir gives no type and
  // for links (the entry's `haveStat` says which).
  bool statEveryEntry = false;
};

struct TreeWalkCounts {
  size_t entries = 0;     // entries visited
  size_t specials = 0;    // special files among them
  size_t unreadable = 0;  // folders that could not be opened or read
};

// Walks the tree below the open folder `rootFd` (which stays open).
TreeWalkCounts WalkTree(int rootFd, TreeVisitor& visitor, const TreeWalkOptions& options = {});

// Opens the folder a POSIX path of any length names (O_RDONLY|O_DIRECTORY|
// O_CLOEXEC); links on the way are followed, the last one only when
// `followLast`. -1 with errno set on failure.
int OpenFolderPath(const std::string& path, bool followLast);

// Opens the folder that Windows path text names, following a link as the
// last name (the caller named it); -1 for empty text (which names no
// folder: never the root) or a folder that cannot be opened.
int OpenNamedFolder(const wchar_t* folder);

// An open folder descriptor, closed when it goes.
class FolderFd {
 public:
  explicit FolderFd(int fd = -1) : fd_(fd) {}
  ~FolderFd() {
    if (fd_ >= 0) close(fd_);
  }
  FolderFd(const FolderFd&) = delete;
  FolderFd& operator=(const FolderFd&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  int fd_;
};

// A read handle on a regular-file entry, or INVALID_HANDLE_VALUE unless it
// is still the regular file the walk saw (a swap since is caught). Opened
// without following links and without waiting on a FIFO.
HANDLE OpenEntryForReading(const TreeEntry& entry);

// A read handle on the regular file a link entry points to, when that file
// really lies below the folder `rootReal` (a real path); otherwise
// INVALID_HANDLE_VALUE. The object checked is the one opened, so the link
// cannot be re-aimed between the check and the read.
HANDLE OpenLinkTargetForReading(const TreeEntry& entry, const std::string& rootReal);

// Deletes the tree a Windows path names (deleteFiles), or only its folders
// that hold nothing but folders. A named folder that is itself a link is
// only unlinked (deleteFiles) or left; inside, links and special files are
// entries, removed or left, never followed or opened; read-only files and
// folders get owner write first. Failures are ignored.
void RemoveTree(const wchar_t* folder, bool deleteFiles);

// Opens the folder holding the entry a POSIX path names and gives the
// entry's name in it. -1 for a path without a name ("/", ".", "..").
int OpenParentFolder(const std::string& path, std::string& name);

// The real location of an open descriptor's object (from /proc/self/fd);
// empty when the system cannot tell (deleted, or longer than a page).
std::string RealPathOfDescriptor(int fd);

// True when the real path `inner` lies below the real folder path `outer`.
bool IsBelowRealFolder(const std::string& inner, const std::string& outer);

}  // namespace kavro::platform
