// A record of a folder tree (every path with its type, size and content, a
// link's target) to show that an operation changed nothing in it.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <system_error>

#include "support/test_support.h"

namespace kavro::test {

using TreeSnapshot = std::map<std::string, std::string>;

// One entry, looked at without following a link.
inline std::string DescribeEntry(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::symlink_status(path, error);
  if (error || status.type() == fs::file_type::not_found) return "missing";
  switch (status.type()) {
    case fs::file_type::directory: return "folder";
    case fs::file_type::symlink: return "link to " + fs::read_symlink(path, error).string();
    case fs::file_type::regular: {
      const std::string content = ReadBytes(path.string());
      return "file " + std::to_string(content.size()) + ": " + content;
    }
    default: return "other";
  }
}

// Every path below `root` (and root itself) but what lies below `skip`.
// Links are recorded, not followed.
inline TreeSnapshot SnapshotTree(const std::string& root, const std::string& skip = "") {
  namespace fs = std::filesystem;
  TreeSnapshot tree;
  tree[root] = DescribeEntry(root);
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::end(it);
       it.increment(error)) {
    const std::string path = it->path().string();
    if (path == skip) {
      it.disable_recursion_pending();
      continue;
    }
    tree[path] = DescribeEntry(it->path());
  }
  return tree;
}

// The paths whose records differ between two snapshots, one a line.
inline std::string TreeDifference(const TreeSnapshot& before, const TreeSnapshot& after) {
  std::string out;
  for (const auto& [path, what] : before) {
    auto found = after.find(path);
    if (found == after.end()) out += "gone: " + path + "\n";
    else if (found->second != what) out += "changed: " + path + " -> " + found->second + "\n";
  }
  for (const auto& [path, what] : after) {
    if (!before.count(path)) out += "new: " + path + " (" + what + ")\n";
  }
  return out;
}

}  // namespace kavro::test
