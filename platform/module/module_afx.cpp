// The MFC extension-module frame: the records of extension modules, the
// process's chain of CDynLinkLibrary objects and the current resource and
// instance handles.
#include <algorithm>
#include <mutex>
#include <vector>

#include "KavroStd/platform/module.h"
#include "platform/module/module_internal.h"

namespace kavro::platform::detail {
namespace {

struct ModuleState {
  std::mutex lock;
  std::vector<CDynLinkLibrary*> libraries;  // newest first
  HINSTANCE instance = nullptr;             // null: the executable
  HINSTANCE resource = nullptr;             // null: the instance
};

// Never destroyed: libraries unload after the layer's statics are gone.
ModuleState& State() {
  static ModuleState* state = new ModuleState;
  return *state;
}

void Join(CDynLinkLibrary* library) {
  ModuleState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.libraries.insert(s.libraries.begin(), library);
}

}  // namespace
}  // namespace kavro::platform::detail

using kavro::platform::detail::State;

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module) {
  if (state.bInitialized) return TRUE;
  if (!module || !kavro::platform::detail::IsLoadedModule(module)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  state.bInitialized = TRUE;
  state.hModule = module;
  state.hResource = module;
  return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL all) {
  if (!state.bInitialized) return;
  std::vector<CDynLinkLibrary*> doomed;
  {
    auto& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    for (CDynLinkLibrary* library : s.libraries) {
      if (all || library->m_hModule == state.hModule) doomed.push_back(library);
    }
  }
  // Each destructor takes itself out of the chain.
  for (CDynLinkLibrary* library : doomed) delete library;
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL system)
    : m_hModule(state.hModule), m_hResource(state.hResource), m_bSystem(system) {
  kavro::platform::detail::Join(this);
}

CDynLinkLibrary::CDynLinkLibrary(HINSTANCE module, HINSTANCE resource)
    : m_hModule(module), m_hResource(resource), m_bSystem(FALSE) {
  kavro::platform::detail::Join(this);
}

CDynLinkLibrary::~CDynLinkLibrary() {
  auto& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.libraries.erase(std::remove(s.libraries.begin(), s.libraries.end(), this), s.libraries.end());
}

HINSTANCE AfxGetInstanceHandle() {
  auto& s = State();
  {
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.instance) return s.instance;
  }
  return kavro::platform::detail::ExecutableModule();
}

extern "C" void KvSetInstanceHandle(HINSTANCE instance) {
  auto& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.instance = instance;
}

HINSTANCE AfxGetResourceHandle() {
  auto& s = State();
  {
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.resource) return s.resource;
  }
  return AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE resource) {
  auto& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.resource = resource;
}

HINSTANCE AfxFindResourceHandle(LPCWSTR name, LPCWSTR type) {
  HINSTANCE current = AfxGetResourceHandle();
  DWORD saved = GetLastError();
  if (FindResourceW(current, name, type)) return current;
  std::vector<HMODULE> chain;
  {
    auto& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    for (CDynLinkLibrary* library : s.libraries) chain.push_back(library->m_hResource);
  }
  for (HMODULE module : chain) {
    if (FindResourceW(module, name, type)) {
      SetLastError(saved);
      return module;
    }
  }
  SetLastError(saved);
  return current;
}
