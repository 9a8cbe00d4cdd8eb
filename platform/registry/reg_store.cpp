// The root files of the store: where they live, the parsed tree kept per root
// while its file is unchanged, and the locked atomic rewrite of a change.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "KavroStd/platform/fileapi.h"
#include "platform/core/errors_internal.h"
#include "platform/core/posix_io_internal.h"
#include "platform/fs/path_internal.h"
#include "platform/fs/rewrite_internal.h"
#include "platform/registry/registry_internal.h"

namespace kavro::platform::reg {
namespace {

struct Signature {
  bool valid = false;
  bool missing = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  struct timespec mtime {};

  static Signature Of(const struct stat& st) {
    Signature s;
    s.valid = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtime = st.st_mtim;
    return s;
  }
  bool Same(const struct stat& st) const {
    return valid && !missing && dev == st.st_dev && ino == st.st_ino && size == st.st_size &&
           mtime.tv_sec == st.st_mtim.tv_sec && mtime.tv_nsec == st.st_mtim.tv_nsec;
  }
};

// What the process knows of one root file: the tree of the bytes last read
// or written, and the file those bytes were read from (when known).
struct RootCache {
  std::string path;
  Signature sig;
  std::string bytes;
  bool bytesKnown = false;
  std::unique_ptr<Key> tree;

  void Forget() {
    sig = Signature();
    bytes.clear();
    bytesKnown = false;
    tree.reset();
  }
};

// Made on first use and never destroyed, so that calls made while the
// library's static objects are built or destroyed find it.
RootCache* Caches() {
  static RootCache* caches = new RootCache[kRootCount];
  return caches;
}

std::string StoreFolder() {
  if (const char* dir = std::getenv("KAVRO_REGISTRY_DIR"); dir && *dir) return dir;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data && data[0] == '/')
    return std::string(data) + "/kavro/registry";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.local/share/kavro/registry";
}

// Creates the folder and the missing folders above it, each 0700.
DWORD MakeFolder(const std::string& folder) {
  struct stat st;
  if (stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? ERROR_SUCCESS : ERROR_PATH_NOT_FOUND;
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return Win32ErrorFromErrno(errno);
    if (slash == std::string::npos) break;
  }
  return ERROR_SUCCESS;
}

RootCache& CacheFor(Root root) {
  RootCache& c = Caches()[static_cast<int>(root)];
  std::u16string name = RootName(root);
  std::string path = StoreFolder() + "/" + std::string(name.begin(), name.end()) + ".reg";
  if (c.path != path) {
    c.Forget();
    c.path = std::move(path);
  }
  return c;
}

// The tree of a root file's bytes: every section must lie in that root and
// ask for no deletion.
std::unique_ptr<Key> TreeOf(Root root, const std::string& bytes) {
  auto tree = std::make_unique<Key>(RootName(root));
  if (bytes.empty()) return tree;
  std::vector<RegSection> sections;
  if (!ParseRegText(bytes, sections, nullptr)) return nullptr;
  const std::u16string rootFold = Fold(RootName(root));
  for (RegSection& s : sections) {
    if (s.remove || Fold(s.path[0]) != rootFold) return nullptr;
    Key* key = tree.get();
    for (size_t k = 1; k < s.path.size(); ++k) key = key->AddSubkey(s.path[k]);
    for (RegValueLine& v : s.values) {
      if (v.remove) return nullptr;
      key->SetValue(v.name, v.type, std::move(v.data));
    }
  }
  return tree;
}

}  // namespace

std::recursive_mutex& StoreMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

DWORD ReadRoot(Root root, const std::function<DWORD(const Key& tree)>& read) {
  std::lock_guard<std::recursive_mutex> lock(StoreMutex());
  RootCache& c = CacheFor(root);
  struct stat st;
  if (stat(c.path.c_str(), &st) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return Win32ErrorFromErrno(errno);
    if (!(c.sig.valid && c.sig.missing) || !c.tree) {
      c.Forget();
      c.tree = std::make_unique<Key>(RootName(root));
      c.sig.valid = c.sig.missing = true;
    }
    return read(*c.tree);
  }
  if (c.tree && c.sig.Same(st)) return read(*c.tree);
  int fd = RetryOnEintr([&] { return open(c.path.c_str(), O_RDONLY | O_CLOEXEC); });
  if (fd < 0) return Win32ErrorFromErrno(errno);
  std::string bytes;
  int err = fstat(fd, &st) != 0 ? errno : ReadWholeFile(fd, st.st_size, bytes);
  close(fd);
  if (err) return Win32ErrorFromErrno(err);
  if (!(c.tree && c.bytesKnown && bytes == c.bytes)) {
    std::unique_ptr<Key> tree = TreeOf(root, bytes);
    if (!tree) {
      c.Forget();
      return ERROR_BADDB;
    }
    c.tree = std::move(tree);
    c.bytes = std::move(bytes);
    c.bytesKnown = true;
  }
  c.sig = Signature::Of(st);
  return read(*c.tree);
}

DWORD EditRoot(Root root, const std::function<DWORD(Key& tree)>& edit) {
  std::lock_guard<std::recursive_mutex> lock(StoreMutex());
  RootCache& c = CacheFor(root);
  std::string folder = c.path.substr(0, c.path.rfind('/'));
  if (DWORD err = MakeFolder(folder)) return err;
  // A new root file is made private before its first content goes in.
  int fd = RetryOnEintr([&] { return open(c.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600); });
  if (fd >= 0) close(fd);
  DWORD result = ERROR_SUCCESS;
  bool wrote = false;
  std::string written;
  DWORD rc = KvRewriteFile(KvWindowsPath(c.path).c_str(), false, [&](std::string& content) {
    if (!(c.tree && c.bytesKnown && content == c.bytes)) {
      std::unique_ptr<Key> tree = TreeOf(root, content);
      if (!tree) {
        c.Forget();
        result = ERROR_BADDB;
        return false;
      }
      c.tree = std::move(tree);
      c.bytes = content;
      c.bytesKnown = true;
      c.sig.valid = false;
    }
    DWORD r = edit(*c.tree);
    if (r == kNoChange) return false;
    if (r != ERROR_SUCCESS) {  // edits check before they change the tree
      result = r;
      return false;
    }
    std::string out;
    out.reserve(content.size() + 4096);
    AppendRegHeader(out);
    AppendRegText(*c.tree, RootName(root), out);
    content.swap(out);
    written = content;
    wrote = true;
    return true;
  });
  if (rc != ERROR_SUCCESS) {
    c.Forget();
    return rc;
  }
  if (wrote) {
    c.bytes = std::move(written);
    c.bytesKnown = true;
    c.sig.valid = false;
  }
  return result;
}

FILETIME RootWriteTime(Root root) {
  std::lock_guard<std::recursive_mutex> lock(StoreMutex());
  struct stat st;
  if (stat(CacheFor(root).path.c_str(), &st) != 0) return FILETIME{0, 0};
  return FileTimeFromTimespec(st.st_mtim);
}

}  // namespace kavro::platform::reg
