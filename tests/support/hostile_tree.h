// Hostile folder trees for the tree walks, built for real in a sandbox, and
// snapshots that show whether anything around a tree changed.
//
// A sandbox folder holds the tree ("tree") and its surroundings: "victim"
// (a sibling that names like "..\victim" point at), "elsewhere" (the folder
// an absolute name inside the tree spells), "outside" (targets of links
// leaving the tree, a private key among them) and "victim.txt".
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace kavro::test {

enum class HostileKind {
  kForbiddenNames,  // '\', every character Windows forbids, "..\victim", an absolute name, "\"
  kSpecialFiles,    // FIFOs, a bound UNIX socket, a device when allowed
  kCaseTwins,       // sub/, SUB/ and a file Sub
  kDeep,            // 300 levels of 20-character names, past PATH_MAX
  kLinks,           // links inside, out of the tree, dangling and looping; read-only parts
};

std::vector<HostileKind> AllHostileKinds();
const char* HostileKindName(HostileKind kind);

class HostileSandbox {
 public:
  explicit HostileSandbox(HostileKind kind);
  const std::string& root() const { return dir_.path(); }
  std::string tree() const { return dir_.Sub("tree"); }
  // The tree in Windows form, without a trailing backslash.
  CString TreeWin() const;
  HostileKind kind() const { return kind_; }

 private:
  TempDir dir_;
  HostileKind kind_;
};

// Builds the tree of `kind` at `sandbox`/tree, with its surroundings.
void BuildHostileTree(HostileKind kind, const std::string& sandbox);

// One entry of a snapshot: type ('d' folder, 'f' file, 'l' link, 'p' FIFO,
// 's' socket, 'c'/'b' device), size, mode, link target, content hash.
struct SnapEntry {
  char type = '?';
  uint64_t size = 0;
  mode_t mode = 0;
  std::string link;
  uint64_t hash = 0;
  bool operator==(const SnapEntry& o) const {
    return type == o.type && size == o.size && mode == o.mode && link == o.link && hash == o.hash;
  }
};

// Every path below `folder` (relative, '/'-separated, disk bytes), never
// following links, at any depth; names in `skip` at the top are left out.
using Snapshot = std::map<std::string, SnapEntry>;
Snapshot TakeSnapshot(const std::string& folder, const std::vector<std::string>& skip = {});
// The entry at `path` itself (type '-' when missing), links not followed.
SnapEntry SnapPath(const std::string& path);
// The differences, one line each; empty when equal. Modes are compared only
// with `modes`.
std::string SnapshotDiff(const Snapshot& before, const Snapshot& after, bool modes = true);

// The Windows form of a name on disk, as the path mapping gives it up
// (written out here as the tests' own oracle).
std::wstring WindowsNameOf(const std::string& diskName);
// The Windows form of a '/'-separated relative path.
std::wstring WindowsPathOf(const std::string& relative);

// Runs `work` in a forked child that is killed after `seconds`; the text it
// returns comes back. `finished` is false when it hung or crashed.
struct ChildOutcome {
  bool finished = false;
  std::string text;
  std::string status;  // how the child ended, for messages
};
ChildOutcome RunWithDeadline(const std::function<std::string()>& work, unsigned seconds = 60);

}  // namespace kavro::test
