// The folder walks shared by the listing, deleting and packing routines.
//
// They run on the platform's descriptor walk (platform/tree_walk_internal.h):
// entries are reached relative to their folder's open descriptor by the
// name the folder gave, never by re-parsing a path, at any depth; symbolic
// links are entries of their folder, never descended into, so nothing
// outside the named tree is reached through them.
#pragma once

#include <string>
#include <utility>

#include "KavroStd/files.h"
#include "platform/fs/tree_walk_internal.h"

namespace kavro::files {

using kavro::platform::TreeEntry;
using kavro::platform::TreeEntryKind;
using kavro::platform::TreeStep;

// True for an entry that is a symbolic link (a reparse point).
inline bool IsLinkEntry(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

using kavro::platform::FolderFd;
using kavro::platform::OpenNamedFolder;

// A visitor made of one function: step(entry) for each entry.
template <class Step>
class StepVisitor : public kavro::platform::TreeVisitor {
 public:
  explicit StepVisitor(Step step) : step_(std::move(step)) {}
  TreeStep Visit(const TreeEntry& entry) override { return step_(entry); }

 private:
  Step step_;
};

// Walks the tree below the open folder with step(entry) as its visitor.
template <class Step>
kavro::platform::TreeWalkCounts WalkWith(int folderFd, Step step) {
  StepVisitor<Step> visitor(std::move(step));
  return kavro::platform::WalkTree(folderFd, visitor);
}

}  // namespace kavro::files
