// GetModuleFileNameW, GetModuleHandleW and GetModuleHandleExW over the
// loaded ELF objects.
#include <dlfcn.h>

#include <algorithm>
#include <cwctype>
#include <string>

#include "KavroStd/platform/fileapi.h"
#include "KavroStd/platform/module.h"
#include "platform/module/module_internal.h"
#include "platform/fs/path_internal.h"
#include "platform/module/sysinfo_internal.h"

namespace kavro::platform::detail {
namespace {

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = ToLower(c);
  return text;
}

bool EndsWith(const std::wstring& text, const wchar_t* suffix) {
  size_t n = wcslen(suffix);
  return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

// The part of a file name that identifies a module on either system:
// lower case, without ".dll"/".exe"/".so[.N...]" and a leading "lib".
std::wstring ModuleStem(std::wstring name) {
  name = Lower(std::move(name));
  size_t so = name.rfind(L".so");
  if (so != std::wstring::npos && so > 0) {
    bool versionOnly = true;
    for (size_t i = so + 3; i < name.size(); ++i) {
      if (name[i] != L'.' && !iswdigit(name[i])) versionOnly = false;
    }
    if (versionOnly) name.resize(so);
  }
  if (EndsWith(name, L".dll") || EndsWith(name, L".exe")) name.resize(name.size() - 4);
  while (!name.empty() && name.back() == L'.') name.pop_back();
  if (name.size() > 3 && name.compare(0, 3, L"lib") == 0) name.erase(0, 3);
  return name;
}

// Splits a Windows or POSIX path at its last separator.
void SplitPath(const std::wstring& path, std::wstring& folder, std::wstring& file) {
  size_t cut = path.find_last_of(L"\\/");
  if (cut == std::wstring::npos) {
    folder.clear();
    file = path;
  } else {
    folder = path.substr(0, cut);
    file = path.substr(cut + 1);
  }
  std::replace(folder.begin(), folder.end(), L'/', L'\\');
}

// Modules that programs ask for by their Windows system names; a name
// answered here wins over loaded objects. "kernel32" is the layer's own
// (its functions: sysinfo.cpp).
HMODULE WellKnownModule(const std::wstring& stem) {
  if (stem == L"kernel32") return Kernel32Module();
  return nullptr;
}

HMODULE FindModuleByName(LPCWSTR name) {
  std::wstring query = name;
  if (!query.empty() && query[0] == L'/') query = KvWindowsPath(ToUtf8(name, wcslen(name)));
  std::wstring queryFolder, queryFile;
  SplitPath(query, queryFolder, queryFile);
  std::wstring stem = ModuleStem(queryFile);
  if (stem.empty()) return nullptr;
  if (queryFolder.empty()) {
    if (HMODULE known = WellKnownModule(stem)) return known;
  }
  for (const LoadedObject& object : LoadedObjects()) {
    if (object.path.empty()) continue;
    std::wstring folder, file;
    SplitPath(KvWindowsPath(object.path), folder, file);
    if (ModuleStem(file) != stem) continue;
    if (!queryFolder.empty() && Lower(folder) != Lower(queryFolder)) continue;
    return reinterpret_cast<HMODULE>(object.base);
  }
  return nullptr;
}

// Takes a load reference on a shared object, as Windows counts one for
// GetModuleHandleEx; the loader handle is kept so the reference stays.
void AddLoadReference(const LoadedObject& object, bool pin) {
  if (object.executable || object.loaderName.empty()) return;
  int mode = RTLD_LAZY | RTLD_NOLOAD | (pin ? RTLD_NODELETE : 0);
  (void)dlopen(object.loaderName.c_str(), mode);
}

}  // namespace
}  // namespace kavro::platform::detail

using namespace kavro::platform;
using namespace kavro::platform::detail;

extern "C" DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
  LoadedObject object;
  if (!FindLoadedObject(module, object) || object.path.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  if (!buffer && size > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring path = KvWindowsPath(object.path);
  if (path.size() >= size) {
    if (size > 0) {
      std::copy_n(path.data(), size - 1, buffer);
      buffer[size - 1] = L'\0';
    }
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::copy(path.begin(), path.end(), buffer);
  buffer[path.size()] = L'\0';
  return static_cast<DWORD>(path.size());
}

extern "C" BOOL GetModuleHandleExW(DWORD flags, LPCWSTR nameOrAddress, HMODULE* module) {
  const DWORD known = GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT |
                      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS;
  bool pin = (flags & GET_MODULE_HANDLE_EX_FLAG_PIN) != 0;
  bool unchanged = (flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT) != 0;
  if (!module || (flags & ~known) || (pin && unchanged)) {
    if (module) *module = nullptr;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *module = nullptr;
  LoadedObject object;
  bool found = false;
  if (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
    found = FindObjectContaining(nameOrAddress, object);
  } else if (!nameOrAddress) {
    found = FindLoadedObject(nullptr, object);
  } else {
    HMODULE byName = FindModuleByName(nameOrAddress);
    found = byName && FindLoadedObject(byName, object);
    if (byName && !found) {  // a well-known name without a loaded object
      *module = byName;
      return TRUE;
    }
  }
  if (!found) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  if (!unchanged) AddLoadReference(object, pin);
  *module = reinterpret_cast<HMODULE>(object.base);
  return TRUE;
}

extern "C" HMODULE GetModuleHandleW(LPCWSTR name) {
  HMODULE module = name ? FindModuleByName(name) : ExecutableModule();
  if (!module) SetLastError(ERROR_MOD_NOT_FOUND);
  return module;
}

extern "C" HMODULE KvModuleHandleOf(const void* address) {
  LoadedObject object;
  if (!FindObjectContaining(address, object)) return nullptr;
  return reinterpret_cast<HMODULE>(object.base);
}
