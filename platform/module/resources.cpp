// The per-module resource table behind FindResourceW and its companions.
// Identifiers are numbers or upper-cased strings; HRSRC and HGLOBAL values
// are serial numbers that are never reused, so a stale one is refused.
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>

#include "KavroStd/platform/module.h"
#include "platform/module/module_internal.h"
#include "platform/module/resources_internal.h"

namespace kavro::platform::detail {
namespace {

// A type or name: a number (MAKEINTRESOURCEW or "#123") or a string
// compared without regard to case.
struct ResourceId {
  bool number = false;
  WORD value = 0;
  std::wstring text;
  bool operator<(const ResourceId& o) const {
    if (number != o.number) return number;
    return number ? value < o.value : text < o.text;
  }
};

bool ParseId(LPCWSTR raw, ResourceId& id) {
  if (!raw) return false;
  if (IS_INTRESOURCE(raw)) {
    id.number = true;
    id.value = LOWORD(reinterpret_cast<ULONG_PTR>(raw));
    return true;
  }
  if (raw[0] == L'\0') return false;
  if (raw[0] == L'#' && raw[1] != L'\0') {
    unsigned long value = 0;
    const wchar_t* p = raw + 1;
    while (*p >= L'0' && *p <= L'9' && value <= 0xFFFF) value = value * 10 + (*p++ - L'0');
    if (*p == L'\0' && value <= 0xFFFF) {
      id.number = true;
      id.value = static_cast<WORD>(value);
      return true;
    }
  }
  id.text = raw;
  for (wchar_t& c : id.text) c = ToUpper(c);
  return true;
}

struct Entry {
  uintptr_t id;
  uintptr_t module;
  std::shared_ptr<const std::vector<BYTE>> bytes;
};

typedef std::map<ResourceId, std::map<ResourceId, uintptr_t>> TypeTable;  // type -> name -> id

struct Table {
  std::mutex lock;
  std::unordered_map<uintptr_t, TypeTable> modules;
  std::unordered_map<uintptr_t, Entry> entries;
  uintptr_t next = 0x10000;
};

// Never destroyed: modules unregister at unload, after the layer's statics.
Table& TheTable() {
  static Table* table = new Table;
  return *table;
}

uintptr_t ModuleKey(HMODULE module) {
  return reinterpret_cast<uintptr_t>(module ? module : ExecutableModule());
}

bool LookupEntry(HANDLE handle, Entry& found) {
  Table& t = TheTable();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.entries.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.entries.end()) return false;
  found = it->second;
  return true;
}

}  // namespace

bool FindResourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type, ResourceBytes& found) {
  ResourceId nameId, typeId;
  if (!ParseId(name, nameId) || !ParseId(type, typeId)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return false;
  }
  Table& t = TheTable();
  std::lock_guard<std::mutex> guard(t.lock);
  auto mod = t.modules.find(ModuleKey(module));
  if (mod == t.modules.end()) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return false;
  }
  auto byType = mod->second.find(typeId);
  if (byType == mod->second.end()) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return false;
  }
  auto byName = byType->second.find(nameId);
  if (byName == byType->second.end()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return false;
  }
  found.id = byName->second;
  found.bytes = t.entries.at(found.id).bytes;
  return true;
}

}  // namespace kavro::platform::detail

using namespace kavro::platform::detail;

extern "C" BOOL KvRegisterResource(HMODULE module, LPCWSTR type, LPCWSTR name, const void* data,
                                   DWORD size) {
  ResourceId typeId, nameId;
  if (!ParseId(type, typeId) || !ParseId(name, nameId) || (!data && size > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!IsLoadedModule(module)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  auto bytes = std::make_shared<std::vector<BYTE>>();
  bytes->reserve(size ? size : 1);  // an empty resource still has an address
  const BYTE* first = static_cast<const BYTE*>(data);
  bytes->assign(first, first + size);
  Table& t = TheTable();
  std::lock_guard<std::mutex> guard(t.lock);
  uintptr_t key = ModuleKey(module);
  uintptr_t& slot = t.modules[key][typeId][nameId];
  if (slot) t.entries.erase(slot);  // a replaced resource's handles go stale
  slot = t.next;
  t.next += 8;
  t.entries[slot] = Entry{slot, key, std::move(bytes)};
  return TRUE;
}

extern "C" void KvUnregisterResources(HMODULE module) {
  Table& t = TheTable();
  std::lock_guard<std::mutex> guard(t.lock);
  auto mod = t.modules.find(ModuleKey(module));
  if (mod == t.modules.end()) return;
  for (auto& type : mod->second) {
    for (auto& name : type.second) t.entries.erase(name.second);
  }
  t.modules.erase(mod);
}

extern "C" HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
  ResourceBytes found;
  if (!FindResourceBytes(module, name, type, found)) return nullptr;
  return reinterpret_cast<HRSRC>(found.id);
}

extern "C" HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  Entry entry;
  if (!LookupEntry(resource, entry) || (module && ModuleKey(module) != entry.module)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return reinterpret_cast<HGLOBAL>(entry.id);
}

extern "C" LPVOID LockResource(HGLOBAL loaded) {
  Entry entry;
  if (!LookupEntry(loaded, entry)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return const_cast<BYTE*>(entry.bytes->data());
}

extern "C" DWORD SizeofResource(HMODULE module, HRSRC resource) {
  Entry entry;
  if (!LookupEntry(resource, entry) || (module && ModuleKey(module) != entry.module)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return static_cast<DWORD>(entry.bytes->size());
}
