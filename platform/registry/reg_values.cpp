// The value calls (query, set, delete, enumerate) and the key's counts. The
// data of the string types is wide text at the call and UTF-16 bytes in the
// store; every size is the UTF-16 byte count.
#include <algorithm>
#include <cstring>

#include "platform/registry/registry_internal.h"

namespace kavro::platform::reg {
namespace {

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ || type == REG_LINK;
}

// The stored bytes of data handed to a set call: for string types, wide
// characters until `size` UTF-16 bytes are taken (a size that ends inside a
// unit or a pair keeps the bytes before it).
std::string StoredData(DWORD type, const BYTE* data, DWORD size) {
  if (!IsStringType(type)) return std::string(reinterpret_cast<const char*>(data), size);
  std::string out;
  out.reserve(size);
  for (size_t k = 0; out.size() < size; ++k) {
    wchar_t c;
    std::memcpy(&c, data + k * sizeof(wchar_t), sizeof c);
    std::u16string units = ToU16(&c, 1);
    for (char16_t u : units) {
      if (out.size() < size) out.push_back(static_cast<char>(u & 0xFF));
      if (out.size() < size) out.push_back(static_cast<char>(u >> 8));
    }
  }
  return out;
}

// Writes stored data to a caller's buffer that holds at least its size.
void CopyOut(DWORD type, const std::string& stored, BYTE* out) {
  if (!IsStringType(type)) {
    std::memcpy(out, stored.data(), stored.size());
    return;
  }
  std::u16string units(stored.size() / 2, u'\0');
  for (size_t k = 0; k < units.size(); ++k)
    units[k] = static_cast<char16_t>(static_cast<unsigned char>(stored[2 * k]) |
                                     (static_cast<unsigned char>(stored[2 * k + 1]) << 8));
  std::wstring wide = FromU16(units);
  if (stored.size() % 2) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(stored.back())));
  std::memcpy(out, wide.data(), wide.size() * sizeof(wchar_t));
}

std::u16string NameOf(LPCWSTR name) { return name ? ToU16(name, wcslen(name)) : std::u16string(); }

DWORD Check(HKEY key, REGSAM needed, KeyRef& ref) {
  if (DWORD err = LookupHandle(key, ref)) return err;
  return (ref.access & needed) == needed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// The values a reference shows: the first key's, then those of the others
// that it lacks.
std::vector<const Value*> MergedValues(const std::vector<const Key*>& keys) {
  std::vector<const Value*> out;
  for (size_t k = 0; k < keys.size(); ++k)
    for (const Value& v : keys[k]->values()) {
      bool shadowed = false;
      for (size_t j = 0; j < k && !shadowed; ++j) shadowed = keys[j]->FindValue(v.name) != nullptr;
      if (!shadowed) out.push_back(&v);
    }
  return out;
}

// The subkey names a reference shows, sorted by folded name, once each.
std::vector<const Key*> MergedSubkeys(const std::vector<const Key*>& keys) {
  std::vector<const Key*> out;
  for (const Key* key : keys)
    for (const auto& sub : key->subkeys()) out.push_back(sub.get());
  std::stable_sort(out.begin(), out.end(), [](const Key* a, const Key* b) { return a->folded() < b->folded(); });
  out.erase(std::unique(out.begin(), out.end(), [](const Key* a, const Key* b) { return a->folded() == b->folded(); }),
            out.end());
  return out;
}

const Value* FindIn(const std::vector<const Key*>& keys, const std::u16string& name) {
  for (const Key* key : keys)
    if (const Value* v = key->FindValue(name)) return v;
  return nullptr;
}

}  // namespace
}  // namespace kavro::platform::reg

using namespace kavro::platform::reg;

extern "C" LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                    LPDWORD dataSize) {
  KeyRef ref;
  if (DWORD err = Check(key, KEY_QUERY_VALUE, ref)) return static_cast<LSTATUS>(err);
  if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  const std::u16string name = NameOf(valueName);
  return static_cast<LSTATUS>(ReadKeys(ref, [&](const std::vector<const Key*>& keys) {
    const Value* v = FindIn(keys, name);
    if (!v) return DWORD(ERROR_FILE_NOT_FOUND);
    if (type) *type = v->type;
    if (!dataSize) return DWORD(ERROR_SUCCESS);
    const DWORD needed = static_cast<DWORD>(v->data.size());
    const DWORD room = *dataSize;
    *dataSize = needed;
    if (!data) return DWORD(ERROR_SUCCESS);
    if (room < needed) return DWORD(ERROR_MORE_DATA);
    CopyOut(v->type, v->data, data);
    return DWORD(ERROR_SUCCESS);
  }));
}

extern "C" LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                                  DWORD dataSize) {
  (void)reserved;
  KeyRef ref;
  if (DWORD err = Check(key, KEY_SET_VALUE, ref)) return static_cast<LSTATUS>(err);
  const std::u16string name = NameOf(valueName);
  if (name.size() > kMaxValueName) return ERROR_INVALID_PARAMETER;
  if (!data && dataSize) return ERROR_NOACCESS;
  std::string stored = data ? StoredData(type, data, dataSize) : std::string();
  std::lock_guard<std::recursive_mutex> lock(StoreMutex());
  return static_cast<LSTATUS>(EditKey(ref, [&](Key& k) {
    const Value* old = k.FindValue(name);
    if (old && old->type == type && old->data == stored) return kNoChange;
    k.SetValue(name, type, std::move(stored));
    return DWORD(ERROR_SUCCESS);
  }));
}

extern "C" LSTATUS RegDeleteValueW(HKEY key, LPCWSTR valueName) {
  KeyRef ref;
  if (DWORD err = Check(key, KEY_SET_VALUE, ref)) return static_cast<LSTATUS>(err);
  const std::u16string name = NameOf(valueName);
  if (name.size() > kMaxValueName) return ERROR_FILE_NOT_FOUND;
  std::lock_guard<std::recursive_mutex> lock(StoreMutex());
  return static_cast<LSTATUS>(EditKey(ref, [&](Key& k) {
    return k.RemoveValue(name) ? DWORD(ERROR_SUCCESS) : DWORD(ERROR_FILE_NOT_FOUND);
  }));
}

extern "C" LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD reserved,
                                 LPWSTR keyClass, LPDWORD classChars, FILETIME* lastWrite) {
  KeyRef ref;
  if (DWORD err = Check(key, KEY_ENUMERATE_SUB_KEYS, ref)) return static_cast<LSTATUS>(err);
  if (!name || !nameChars || reserved) return ERROR_INVALID_PARAMETER;
  return static_cast<LSTATUS>(ReadKeys(ref, [&](const std::vector<const Key*>& keys) {
    const Key* sub = nullptr;
    if (keys.size() == 1) {
      if (index < keys[0]->subkeys().size()) sub = keys[0]->subkeys()[index].get();
    } else {
      std::vector<const Key*> all = MergedSubkeys(keys);
      if (index < all.size()) sub = all[index];
    }
    if (!sub) return DWORD(ERROR_NO_MORE_ITEMS);
    std::wstring wide = FromU16(sub->name());
    if (wide.size() + 1 > *nameChars) return DWORD(ERROR_MORE_DATA);
    if (keyClass && classChars) {
      if (*classChars < 1) return DWORD(ERROR_MORE_DATA);
      keyClass[0] = L'\0';
      *classChars = 0;
    }
    std::wmemcpy(name, wide.c_str(), wide.size() + 1);
    *nameChars = static_cast<DWORD>(wide.size());
    if (lastWrite) *lastWrite = RootWriteTime(ref.classes ? Root::kMachine : ref.root);
    return DWORD(ERROR_SUCCESS);
  }));
}

extern "C" LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD reserved,
                                 LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  KeyRef ref;
  if (DWORD err = Check(key, KEY_QUERY_VALUE, ref)) return static_cast<LSTATUS>(err);
  if (!name || !nameChars || reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  return static_cast<LSTATUS>(ReadKeys(ref, [&](const std::vector<const Key*>& keys) {
    const Value* v = nullptr;
    if (keys.size() == 1) {
      if (index < keys[0]->values().size()) v = &keys[0]->values()[index];
    } else {
      std::vector<const Value*> all = MergedValues(keys);
      if (index < all.size()) v = all[index];
    }
    if (!v) return DWORD(ERROR_NO_MORE_ITEMS);
    if (type) *type = v->type;
    const DWORD needed = static_cast<DWORD>(v->data.size());
    std::wstring wide = FromU16(v->name);
    const bool nameFits = wide.size() + 1 <= *nameChars;
    const bool dataFits = !data || *dataSize >= needed;
    if (dataSize) *dataSize = needed;
    if (!nameFits || !dataFits) return DWORD(ERROR_MORE_DATA);
    std::wmemcpy(name, wide.c_str(), wide.size() + 1);
    *nameChars = static_cast<DWORD>(wide.size());
    if (data) CopyOut(v->type, v->data, data);
    return DWORD(ERROR_SUCCESS);
  }));
}

extern "C" LSTATUS RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD classChars, LPDWORD reserved,
                                    LPDWORD subKeys, LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values,
                                    LPDWORD maxValueNameLen, LPDWORD maxValueLen, LPDWORD securityDescriptor,
                                    FILETIME* lastWrite) {
  KeyRef ref;
  if (DWORD err = Check(key, KEY_QUERY_VALUE, ref)) return static_cast<LSTATUS>(err);
  if (reserved) return ERROR_INVALID_PARAMETER;
  return static_cast<LSTATUS>(ReadKeys(ref, [&](const std::vector<const Key*>& keys) {
    std::vector<const Key*> subs = MergedSubkeys(keys);
    std::vector<const Value*> vals = MergedValues(keys);
    DWORD maxSub = 0, maxName = 0, maxData = 0;
    for (const Key* s : subs) maxSub = std::max(maxSub, static_cast<DWORD>(FromU16(s->name()).size()));
    for (const Value* v : vals) {
      maxName = std::max(maxName, static_cast<DWORD>(FromU16(v->name).size()));
      maxData = std::max(maxData, static_cast<DWORD>(v->data.size()));
    }
    if (keyClass && classChars) {
      if (*classChars < 1) return DWORD(ERROR_MORE_DATA);
      keyClass[0] = L'\0';
    }
    if (classChars) *classChars = 0;
    if (subKeys) *subKeys = static_cast<DWORD>(subs.size());
    if (maxSubKeyLen) *maxSubKeyLen = maxSub;
    if (maxClassLen) *maxClassLen = 0;
    if (values) *values = static_cast<DWORD>(vals.size());
    if (maxValueNameLen) *maxValueNameLen = maxName;
    if (maxValueLen) *maxValueLen = maxData;
    if (securityDescriptor) *securityDescriptor = 0;
    if (lastWrite) *lastWrite = RootWriteTime(ref.classes ? Root::kMachine : ref.root);
    return DWORD(ERROR_SUCCESS);
  }));
}
