// The registry store behind the Reg* calls: the key tree of one root, its
// .reg text form, and the root files with their cache and locked rewrites.
// Internal to the library (hidden in the shared library).
//
// Names and data are kept as Windows keeps them: names as UTF-16 units
// (std::u16string, case kept, compared through their upper-case fold), data
// as the value's bytes.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "KavroStd/platform/registry.h"

namespace kavro::platform::reg {

// The roots that have a file of their own. HKEY_CLASSES_ROOT is a view of
// Software\Classes in the machine and user roots.
enum class Root { kMachine, kUser, kUsers, kConfig };
constexpr int kRootCount = 4;

constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;

std::u16string Fold(const std::u16string& name);
std::u16string ToU16(const wchar_t* text, size_t length);
std::wstring FromU16(const std::u16string& text);

struct Value {
  std::u16string name;
  DWORD type = REG_NONE;
  std::string data;
  // The value's .reg line as last written (empty: not rendered yet, or too
  // long to keep), so that a rewrite renders only what changed.
  mutable std::u16string line;
};

// One key: values in the order they were first set, subkeys sorted by their
// folded names (the order Windows enumerates them in).
class Key {
 public:
  explicit Key(std::u16string keyName);
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  const std::u16string& name() const { return name_; }
  const std::u16string& folded() const { return folded_; }

  const std::vector<std::unique_ptr<Key>>& subkeys() const { return subkeys_; }
  Key* FindSubkey(const std::u16string& folded) const;
  // The subkey of that name, made when missing (`created` tells which).
  Key* AddSubkey(const std::u16string& keyName, bool* created = nullptr);
  bool RemoveSubkey(const std::u16string& folded);

  const std::vector<Value>& values() const { return values_; }
  const Value* FindValue(const std::u16string& valueName) const;
  void SetValue(const std::u16string& valueName, DWORD type, std::string data);
  bool RemoveValue(const std::u16string& valueName);

  std::unique_ptr<Key> Clone() const;

 private:
  size_t ValueIndex(const std::u16string& folded) const;
  void RebuildIndex();

  std::u16string name_;
  std::u16string folded_;
  std::vector<std::unique_ptr<Key>> subkeys_;
  std::vector<Value> values_;
  // Folded value name -> position, kept once a key holds many values.
  std::unordered_map<std::u16string, size_t> valueIndex_;
};

// The key at `path` (components) below `root`, or null.
Key* FindPath(const Key& root, const std::vector<std::u16string>& path);

// One section of a .reg file: a key path (root name first) with its values.
struct RegValueLine {
  std::u16string name;
  bool remove = false;
  DWORD type = REG_NONE;
  std::string data;
};
struct RegSection {
  std::vector<std::u16string> path;  // [root name, component, ...]
  bool remove = false;
  std::vector<RegValueLine> values;
};
// Parses .reg text: UTF-16LE with its mark, UTF-8 (with or without its mark)
// or ASCII. False with the 1-based line of the fault in *errorLine when the
// text does not parse.
bool ParseRegText(const std::string& bytes, std::vector<RegSection>& sections, DWORD* errorLine);

// Appends the .reg text of `key` and its subtree (UTF-16LE bytes, CR LF)
// under the displayed path `prefix` ("HKEY_CURRENT_USER\\Software").
void AppendRegText(const Key& key, const std::u16string& prefix, std::string& out);
// The file header: byte-order mark and version line with its blank line.
void AppendRegHeader(std::string& out);

// The root's name as files and paths show it ("HKEY_CURRENT_USER").
const char16_t* RootName(Root root);
// The root a path's first component names (long or short form, any case);
// `classes` is set for HKEY_CLASSES_ROOT. False for an unknown name.
bool RootFromName(const std::u16string& name, Root& root, bool& classes);

// Runs `read` over the root's current tree; the file is parsed again only
// when it changed (device, inode, size, modification time). A missing file
// is an empty root. ERROR_BADDB when the file does not parse.
DWORD ReadRoot(Root root, const std::function<DWORD(const Key& tree)>& read);
// Locked read-modify-write of the root's file: `edit` changes the tree and
// returns ERROR_SUCCESS to write it, kNoChange to write nothing, or an error
// (nothing written; an edit that fails must have left the tree unchanged). A file that does not parse is never written over.
constexpr DWORD kNoChange = 0xFFFFFFFFu;
DWORD EditRoot(Root root, const std::function<DWORD(Key& tree)>& edit);
// The modification time of the root's file (zero when it has none).
FILETIME RootWriteTime(Root root);

// Serialises the store's callers within the process.
std::recursive_mutex& StoreMutex();

// A key as a handle names it: a root and a path below it, or (classes) a
// path below Software\Classes of the user's root, then the machine's.
struct KeyRef {
  bool classes = false;
  Root root = Root::kUser;
  std::vector<std::u16string> path;
  REGSAM access = 0;
  bool predefined = false;
};
// The handle's key: ERROR_INVALID_HANDLE when unknown, ERROR_KEY_DELETED when
// this process deleted it.
DWORD LookupHandle(HKEY key, KeyRef& out);
// Runs `read` over the keys a reference shows (the user's before the
// machine's for classes; at least one); ERROR_KEY_DELETED when none exists.
DWORD ReadKeys(const KeyRef& ref, const std::function<DWORD(const std::vector<const Key*>& keys)>& read);
// Runs `edit` on the key a write through the reference changes (for classes
// the user's key when it exists, else the machine's).
DWORD EditKey(const KeyRef& ref, const std::function<DWORD(Key& key)>& edit);
// Copies the values and subkeys of `from` into `into` (values of `from` win).
void MergeInto(Key& into, const Key& from);
// The physical root and path of a classes path in the user's or machine's root.
std::vector<std::u16string> ClassesPath(const std::vector<std::u16string>& path);

}  // namespace kavro::platform::reg
