// Packing a folder's content entry by entry through the descriptor walk.
#include "files/zip/zip_folder_pack_internal.h"

#include <string>

#include "files/tree_walk_internal.h"
#include "platform/fs/fileapi_internal.h"

namespace kavro::zip {
namespace {

using kavro::files::FolderFd;
using kavro::files::TreeEntry;
using kavro::files::TreeEntryKind;
using kavro::files::TreeStep;

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
        AddFile(name, kavro::platform::OpenEntryForReading(entry));
        return Next();
      case TreeEntryKind::kFileLink:
        AddFile(name, kavro::platform::OpenLinkTargetForReading(entry, rootReal_));
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

  void AddFile(const CString& name, HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) {
      Skip(ZRES_NO_FILE);
      return;
    }
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

}  // namespace

ZIPRESULT PackFolder(ZipWriter& writer, const CString& root, const CString& relative) {
  FolderFd rootFd(kavro::files::OpenNamedFolder(root));
  if (!rootFd.valid()) return ZRES_NO_FILE;
  FolderFd folder(kavro::files::OpenNamedFolder(relative.IsEmpty() ? root : root + L"\\" + relative));
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
