// Export of a key's subtree to a .reg file and import of a .reg file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>

#include "KavroStd/platform/fileapi.h"
#include "platform/core/errors_internal.h"
#include "platform/core/posix_io_internal.h"
#include "platform/registry/registry_internal.h"

namespace kavro::platform::reg {
namespace {

DWORD ReadRegFile(LPCWSTR file, std::string& bytes) {
  std::string path;
  if (!file || !KvMapPath(file, path)) return ERROR_PATH_NOT_FOUND;
  int fd = RetryOnEintr([&] { return open(path.c_str(), O_RDONLY | O_CLOEXEC); });
  if (fd < 0) return Win32ErrorFromErrno(errno);
  struct stat st;
  int err = fstat(fd, &st) != 0 ? errno : ReadWholeFile(fd, st.st_size, bytes);
  close(fd);
  return err ? Win32ErrorFromErrno(err) : ERROR_SUCCESS;
}

DWORD WriteRegFile(LPCWSTR file, const std::string& bytes) {
  std::string path;
  if (!file || !KvMapPath(file, path)) return ERROR_PATH_NOT_FOUND;
  int fd = RetryOnEintr([&] { return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600); });
  if (fd < 0) return Win32ErrorFromErrno(errno);
  int err = WriteAll(fd, bytes.data(), bytes.size());
  if (close(fd) != 0 && !err) err = errno;
  return err ? Win32ErrorFromErrno(err) : ERROR_SUCCESS;
}

// Splits "ROOT\\a\\b" into its root and components.
bool SplitKeyPath(LPCWSTR keyPath, Root& root, bool& classes, std::vector<std::u16string>& parts) {
  if (!keyPath) return false;
  std::u16string text = ToU16(keyPath, wcslen(keyPath));
  while (!text.empty() && text.back() == u'\\') text.pop_back();
  parts.clear();
  size_t begin = 0;
  while (true) {
    size_t slash = text.find(u'\\', begin);
    std::u16string part = text.substr(begin, slash == std::u16string::npos ? std::u16string::npos : slash - begin);
    if (part.empty()) return false;
    parts.push_back(std::move(part));
    if (slash == std::u16string::npos) break;
    begin = slash + 1;
  }
  if (!RootFromName(parts[0], root, classes)) return false;
  parts.erase(parts.begin());
  return true;
}

// A copy of the key at `path` of a root, with its names as stored along
// the way appended to `shown`.
DWORD CopyKey(Root root, const std::vector<std::u16string>& path, std::unique_ptr<Key>& out,
              std::u16string* shown) {
  return ReadRoot(root, [&](const Key& tree) {
    const Key* key = &tree;
    std::u16string names;
    for (const auto& part : path) {
      key = key->FindSubkey(Fold(part));
      if (!key) return DWORD(ERROR_FILE_NOT_FOUND);
      names += u'\\';
      names += key->name();
    }
    out = key->Clone();
    if (shown) *shown = names;
    return DWORD(ERROR_SUCCESS);
  });
}

// Applies parsed sections, all in one root, to its tree.
void Apply(Key& tree, const std::vector<std::pair<std::vector<std::u16string>, const RegSection*>>& ops) {
  for (const auto& [path, section] : ops) {
    if (section->remove) {
      if (path.empty()) continue;  // a root is never deleted
      std::vector<std::u16string> parentPath(path.begin(), path.end() - 1);
      if (Key* parent = FindPath(tree, parentPath)) parent->RemoveSubkey(Fold(path.back()));
      continue;
    }
    Key* key = &tree;
    for (const auto& part : path) key = key->AddSubkey(part);
    for (const RegValueLine& v : section->values) {
      if (v.remove)
        key->RemoveValue(v.name);
      else
        key->SetValue(v.name, v.type, v.data);
    }
  }
}

}  // namespace
}  // namespace kavro::platform::reg

using namespace kavro::platform::reg;

extern "C" LSTATUS KvRegExport(LPCWSTR keyPath, LPCWSTR file) {
  Root root;
  bool classes;
  std::vector<std::u16string> parts;
  if (!SplitKeyPath(keyPath, root, classes, parts)) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::recursive_mutex> lock(StoreMutex());
  std::unique_ptr<Key> key;
  std::u16string shown;
  std::u16string prefix = RootName(root);
  if (!classes) {
    if (DWORD err = CopyKey(root, parts, key, &shown)) return static_cast<LSTATUS>(err);
  } else {
    prefix = u"HKEY_CLASSES_ROOT";
    std::unique_ptr<Key> machine, user;
    std::u16string userShown;
    DWORD m = CopyKey(Root::kMachine, ClassesPath(parts), machine, &shown);
    DWORD u = CopyKey(Root::kUser, ClassesPath(parts), user, &userShown);
    if (m != ERROR_SUCCESS && m != ERROR_FILE_NOT_FOUND) return static_cast<LSTATUS>(m);
    if (u != ERROR_SUCCESS && u != ERROR_FILE_NOT_FOUND) return static_cast<LSTATUS>(u);
    if (!machine && !user) return ERROR_FILE_NOT_FOUND;
    if (!machine) shown = userShown;
    key = machine ? std::move(machine) : std::make_unique<Key>(u"");
    if (user) MergeInto(*key, *user);
    shown = shown.substr(std::u16string(u"\\Software\\Classes").size());
  }
  std::string out;
  AppendRegHeader(out);
  AppendRegText(*key, prefix + shown, out);
  return static_cast<LSTATUS>(WriteRegFile(file, out));
}

extern "C" LSTATUS KvRegImport(LPCWSTR file, LPDWORD errorLine) {
  std::string bytes;
  if (DWORD err = ReadRegFile(file, bytes)) return static_cast<LSTATUS>(err);
  std::vector<RegSection> sections;
  if (!ParseRegText(bytes, sections, errorLine)) return ERROR_INVALID_DATA;
  std::lock_guard<std::recursive_mutex> lock(StoreMutex());
  // Each section's root and path in the store, decided before any change.
  std::map<int, std::vector<std::pair<std::vector<std::u16string>, const RegSection*>>> byRoot;
  for (const RegSection& s : sections) {
    Root root;
    bool classes;
    if (!RootFromName(s.path[0], root, classes)) {
      if (errorLine) *errorLine = 0;
      return ERROR_INVALID_DATA;
    }
    std::vector<std::u16string> path(s.path.begin() + 1, s.path.end());
    if (classes) {
      path = ClassesPath(path);
      KeyRef user;
      user.root = Root::kUser;
      user.path = path;
      bool inUser = ReadKeys(user, [](const std::vector<const Key*>&) { return DWORD(ERROR_SUCCESS); }) ==
                    ERROR_SUCCESS;
      root = inUser ? Root::kUser : Root::kMachine;
    }
    byRoot[static_cast<int>(root)].emplace_back(std::move(path), &s);
  }
  for (const auto& entry : byRoot) {
    const auto& ops = entry.second;
    DWORD err = EditRoot(static_cast<Root>(entry.first), [&](Key& tree) {
      Apply(tree, ops);
      return DWORD(ERROR_SUCCESS);
    });
    if (err) return static_cast<LSTATUS>(err);
  }
  return ERROR_SUCCESS;
}
