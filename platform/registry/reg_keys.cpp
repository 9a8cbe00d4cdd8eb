// Key handles and the key calls: open, create, close, delete. A handle holds
// the path of its key; a key deleted while a handle names it gives
// ERROR_KEY_DELETED to that handle.
#include <unordered_map>

#include "platform/registry/registry_internal.h"

namespace kavro::platform::reg {
namespace {

struct Entry {
  KeyRef ref;
  bool deleted = false;
};

std::unordered_map<uintptr_t, Entry>& Handles() {
  static std::unordered_map<uintptr_t, Entry> handles;
  return handles;
}
uintptr_t g_nextHandle = 0x1000;

bool Predefined(HKEY key, KeyRef& out) {
  const uint32_t low = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key));
  out = KeyRef();
  out.predefined = true;
  out.access = KEY_ALL_ACCESS;
  switch (low) {
    case 0x80000000u: out.classes = true; out.root = Root::kMachine; return true;
    case 0x80000001u: out.root = Root::kUser; return true;
    case 0x80000002u: out.root = Root::kMachine; return true;
    case 0x80000003u: out.root = Root::kUsers; return true;
    case 0x80000005u: out.root = Root::kConfig; return true;
    default: return false;
  }
}

bool IsPredefinedValue(HKEY key) {
  const uint32_t low = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key));
  return low >= 0x80000000u && low <= 0x80000006u;
}

// Windows' generic rights mapped to key rights; the view bits dropped.
REGSAM EffectiveAccess(REGSAM desired) {
  REGSAM access = desired & ~static_cast<REGSAM>(KEY_WOW64_RES);
  if (access & (MAXIMUM_ALLOWED | GENERIC_ALL)) access |= KEY_ALL_ACCESS;
  if (access & GENERIC_READ) access |= KEY_READ;
  if (access & GENERIC_WRITE) access |= KEY_WRITE;
  if (access & GENERIC_EXECUTE) access |= KEY_EXECUTE;
  return access;
}

// Splits a subkey name at backslashes; trailing backslashes are dropped.
DWORD SplitSubKey(LPCWSTR subKey, bool allowLeadingSlash, std::vector<std::u16string>& out) {
  out.clear();
  if (!subKey) return ERROR_SUCCESS;
  std::u16string text = ToU16(subKey, wcslen(subKey));
  size_t begin = 0;
  if (!text.empty() && text[0] == u'\\') {
    if (!allowLeadingSlash) return ERROR_BAD_PATHNAME;
    begin = 1;
  }
  size_t end = text.size();
  while (end > begin && text[end - 1] == u'\\') --end;
  while (begin < end) {
    size_t slash = text.find(u'\\', begin);
    if (slash == std::u16string::npos || slash > end) slash = end;
    if (slash == begin) return ERROR_BAD_PATHNAME;
    out.push_back(text.substr(begin, slash - begin));
    begin = slash + 1;
  }
  return ERROR_SUCCESS;
}

bool TooLong(const std::vector<std::u16string>& parts) {
  for (const auto& p : parts)
    if (p.size() > kMaxKeyName) return true;
  return false;
}

// The 32-bit view of the machine's Software key is Software\WOW6432Node
// (Software\Classes is shared by both views).
void ApplyView(const KeyRef& ref, REGSAM desired, std::vector<std::u16string>& path) {
  if (ref.classes || ref.root != Root::kMachine || !(desired & KEY_WOW64_32KEY) || path.empty()) return;
  if (Fold(path[0]) != u"SOFTWARE") return;
  if (path.size() >= 2) {
    std::u16string second = Fold(path[1]);
    if (second == u"WOW6432NODE" || second == u"CLASSES") return;
  }
  path.insert(path.begin() + 1, u"WOW6432Node");
}

HKEY NewHandle(const KeyRef& ref) {
  uintptr_t value = g_nextHandle;
  g_nextHandle += 4;
  Handles()[value] = Entry{ref, false};
  return reinterpret_cast<HKEY>(value);
}

bool PathStartsWith(const std::vector<std::u16string>& path, const std::vector<std::u16string>& prefix) {
  if (path.size() < prefix.size()) return false;
  for (size_t k = 0; k < prefix.size(); ++k)
    if (Fold(path[k]) != Fold(prefix[k])) return false;
  return true;
}

// Marks the handles on a deleted key (and below it) in this process.
void MarkDeleted(const KeyRef& ref) {
  for (auto& [value, entry] : Handles())
    if (entry.ref.classes == ref.classes && entry.ref.root == ref.root && PathStartsWith(entry.ref.path, ref.path))
      entry.deleted = true;
}

// ERROR_SUCCESS when the key exists, ERROR_KEY_DELETED when not, or the
// store's error.
DWORD Probe(const KeyRef& ref) {
  return ReadKeys(ref, [](const std::vector<const Key*>&) { return DWORD(ERROR_SUCCESS); });
}
bool Exists(const KeyRef& ref) { return Probe(ref) == ERROR_SUCCESS; }

// Creates the missing keys of `path` below `tree`; whether the last was new.
Key* CreatePath(Key& tree, const std::vector<std::u16string>& path, bool& created) {
  Key* key = &tree;
  created = false;
  for (const auto& part : path) key = key->AddSubkey(part, &created);
  return key;
}

DWORD OpenOrCreate(HKEY parent, LPCWSTR subKey, REGSAM desired, bool create, PHKEY result, LPDWORD disposition) {
  std::lock_guard<std::recursive_mutex> lock(StoreMutex());
  KeyRef ref;
  if (DWORD err = LookupHandle(parent, ref)) return err;
  if ((desired & KEY_WOW64_32KEY) && (desired & KEY_WOW64_64KEY)) return ERROR_INVALID_PARAMETER;
  std::vector<std::u16string> parts;
  if (DWORD err = SplitSubKey(subKey, ref.classes && ref.predefined, parts)) return err;
  if (TooLong(parts)) return create ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND;
  if (parts.empty() && ref.predefined) {
    if (DWORD err = Probe(ref)) return err;
    *result = parent;
    if (disposition) *disposition = REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
  }
  KeyRef target = ref;
  target.predefined = false;
  target.access = EffectiveAccess(desired);
  target.path.insert(target.path.end(), parts.begin(), parts.end());
  ApplyView(ref, desired, target.path);
  if (!ref.predefined)
    if (DWORD err = Probe(ref)) return err;
  bool created = false;
  DWORD found = Probe(target);
  if (found == ERROR_SUCCESS) {
    // present already
  } else if (found != ERROR_KEY_DELETED) {
    return found;
  } else if (!create) {
    return ERROR_FILE_NOT_FOUND;
  } else if (!ref.classes) {
    DWORD err = EditRoot(ref.root, [&](Key& tree) {
      CreatePath(tree, target.path, created);
      return created ? DWORD(ERROR_SUCCESS) : kNoChange;
    });
    if (err) return err;
  } else {
    // A new key of the view goes to the machine's classes, unless the
    // deepest of its parents that exists is a key of the user's classes:
    // then below that.
    Root root = Root::kMachine;
    for (size_t n = target.path.size() - 1; n > 0; --n) {
      KeyRef parent;
      parent.root = Root::kUser;
      parent.path = ClassesPath(std::vector<std::u16string>(target.path.begin(), target.path.begin() + n));
      if (Exists(parent)) {
        root = Root::kUser;
        break;
      }
      parent.root = Root::kMachine;
      if (Exists(parent)) break;
    }
    DWORD err = EditRoot(root, [&](Key& tree) {
      CreatePath(tree, ClassesPath(target.path), created);
      return created ? DWORD(ERROR_SUCCESS) : kNoChange;
    });
    if (err) return err;
  }
  *result = NewHandle(target);
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

DWORD DeleteKey(HKEY key, LPCWSTR subKey, REGSAM desired) {
  std::lock_guard<std::recursive_mutex> lock(StoreMutex());
  KeyRef ref;
  if (DWORD err = LookupHandle(key, ref)) return err;
  if (!subKey) return ERROR_INVALID_PARAMETER;
  std::vector<std::u16string> parts;
  if (DWORD err = SplitSubKey(subKey, false, parts)) return err;
  if (TooLong(parts)) return ERROR_FILE_NOT_FOUND;
  if (parts.empty() && ref.predefined) return ERROR_ACCESS_DENIED;
  if (!ref.predefined)
    if (DWORD err = Probe(ref)) return err;
  KeyRef target = ref;
  target.path.insert(target.path.end(), parts.begin(), parts.end());
  ApplyView(ref, desired, target.path);
  if (DWORD err = Probe(target)) return err == ERROR_KEY_DELETED ? DWORD(ERROR_FILE_NOT_FOUND) : err;
  Root root = ref.root;
  std::vector<std::u16string> path = target.path;
  if (ref.classes) {
    KeyRef user = target;
    user.classes = false;
    user.root = Root::kUser;
    user.path = ClassesPath(target.path);
    root = Exists(user) ? Root::kUser : Root::kMachine;
    path = ClassesPath(target.path);
  }
  DWORD err = EditRoot(root, [&](Key& tree) {
    std::vector<std::u16string> parentPath(path.begin(), path.end() - 1);
    Key* parent = FindPath(tree, parentPath);
    Key* victim = parent ? parent->FindSubkey(Fold(path.back())) : nullptr;
    if (!victim) return DWORD(ERROR_FILE_NOT_FOUND);
    if (!victim->subkeys().empty()) return DWORD(ERROR_ACCESS_DENIED);
    parent->RemoveSubkey(victim->folded());
    return DWORD(ERROR_SUCCESS);
  });
  if (err == ERROR_SUCCESS) MarkDeleted(target);
  return err;
}

}  // namespace

std::vector<std::u16string> ClassesPath(const std::vector<std::u16string>& path) {
  std::vector<std::u16string> out{u"Software", u"Classes"};
  out.insert(out.end(), path.begin(), path.end());
  return out;
}

DWORD LookupHandle(HKEY key, KeyRef& out) {
  if (!key) return ERROR_INVALID_HANDLE;
  if (IsPredefinedValue(key)) return Predefined(key, out) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  std::lock_guard<std::recursive_mutex> lock(StoreMutex());
  auto it = Handles().find(reinterpret_cast<uintptr_t>(key));
  if (it == Handles().end()) return ERROR_INVALID_HANDLE;
  if (it->second.deleted) return ERROR_KEY_DELETED;
  out = it->second.ref;
  return ERROR_SUCCESS;
}

DWORD ReadKeys(const KeyRef& ref, const std::function<DWORD(const std::vector<const Key*>& keys)>& read) {
  if (!ref.classes) {
    return ReadRoot(ref.root, [&](const Key& tree) {
      const Key* key = FindPath(tree, ref.path);
      if (!key) return DWORD(ERROR_KEY_DELETED);
      return read({key});
    });
  }
  const std::vector<std::u16string> path = ClassesPath(ref.path);
  return ReadRoot(Root::kUser, [&](const Key& user) {
    return ReadRoot(Root::kMachine, [&](const Key& machine) {
      std::vector<const Key*> keys;
      if (const Key* k = FindPath(user, path)) keys.push_back(k);
      if (const Key* k = FindPath(machine, path)) keys.push_back(k);
      if (keys.empty()) {
        if (!ref.predefined) return DWORD(ERROR_KEY_DELETED);
        static const Key empty(u"");
        keys.push_back(&empty);
      }
      return read(keys);
    });
  });
}

DWORD EditKey(const KeyRef& ref, const std::function<DWORD(Key& key)>& edit) {
  Root root = ref.root;
  std::vector<std::u16string> path = ref.path;
  if (ref.classes) {
    path = ClassesPath(ref.path);
    KeyRef user;
    user.root = Root::kUser;
    user.path = path;
    root = Exists(user) ? Root::kUser : Root::kMachine;
  }
  const bool makeMissing = ref.classes && ref.predefined;
  return EditRoot(root, [&](Key& tree) {
    Key* key = FindPath(tree, path);
    if (!key && makeMissing) {
      bool created = false;
      key = CreatePath(tree, path, created);
    }
    if (!key) return DWORD(ERROR_KEY_DELETED);
    return edit(*key);
  });
}

void MergeInto(Key& into, const Key& from) {
  for (const Value& v : from.values()) into.SetValue(v.name, v.type, v.data);
  for (const auto& sub : from.subkeys()) MergeInto(*into.AddSubkey(sub->name()), *sub);
}

}  // namespace kavro::platform::reg

using namespace kavro::platform::reg;

extern "C" LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                                   REGSAM desired, const SECURITY_ATTRIBUTES* security, PHKEY result,
                                   LPDWORD disposition) {
  (void)reserved;
  (void)keyClass;
  (void)options;
  (void)security;
  if (!result) return ERROR_INVALID_PARAMETER;
  if (!subKey) return ERROR_INVALID_PARAMETER;
  return static_cast<LSTATUS>(OpenOrCreate(key, subKey, desired, true, result, disposition));
}

extern "C" LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired, PHKEY result) {
  (void)options;
  if (!result) return ERROR_INVALID_PARAMETER;
  DWORD err = OpenOrCreate(key, subKey, desired, false, result, nullptr);
  if (err != ERROR_SUCCESS && err != ERROR_INVALID_HANDLE) *result = nullptr;
  return static_cast<LSTATUS>(err);
}

extern "C" LSTATUS RegCloseKey(HKEY key) {
  if (!key) return ERROR_INVALID_HANDLE;
  KeyRef ref;
  if (IsPredefinedValue(key)) return Predefined(key, ref) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  std::lock_guard<std::recursive_mutex> lock(StoreMutex());
  return Handles().erase(reinterpret_cast<uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

extern "C" LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
  return static_cast<LSTATUS>(DeleteKey(key, subKey, 0));
}

extern "C" LSTATUS RegDeleteKeyExW(HKEY key, LPCWSTR subKey, REGSAM desired, DWORD reserved) {
  (void)reserved;
  return static_cast<LSTATUS>(DeleteKey(key, subKey, desired));
}

extern "C" LSTATUS RegFlushKey(HKEY key) {
  KeyRef ref;
  return static_cast<LSTATUS>(LookupHandle(key, ref));
}
