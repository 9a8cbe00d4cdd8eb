// The library's globals and its load and unload entry point.
//
// Everything here is defined in one file so that the order is fixed: the
// class-level registries, then the global environment object, then the entry
// object whose constructor runs the attach step (after the globals exist)
// and whose destructor runs the detach step (before they are destroyed).
#include "KavroStd/env.h"
#include "platform/module/resources_internal.h"

#ifndef DLL_PROCESS_ATTACH
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
#endif

CMap<CString, LPCWSTR, CSTDGlobeInfo::Function, CSTDGlobeInfo::Function> CSTDGlobeInfo::m_mapFunction(10);
CStringArray CSTDGlobeInfo::m_aryParameter;
CStringArray CSTDGlobeInfo::m_aryResult;
void* CSTDGlobeInfo::m_pObject = nullptr;

namespace {

CSTDGlobeInfo g_globeInfo;
AFX_EXTENSION_MODULE g_extensionModule = {};

BOOL LibraryMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      if (!AfxInitExtensionModule(g_extensionModule, instance)) return FALSE;
      new CDynLinkLibrary(g_extensionModule);
      g_globeInfo.SetInstanceHandle(instance);
      g_globeInfo.Init();
      return TRUE;
    case DLL_PROCESS_DETACH:
      g_globeInfo.Close();
      AfxTermExtensionModule(g_extensionModule, FALSE);
      return TRUE;
    default:
      return TRUE;
  }
}

class LibraryEntry {
 public:
  LibraryEntry() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&LibraryMain), &self);
    instance_ = self;
    kavro::platform::RegisterLibraryResources(self);
    attached_ = LibraryMain(self, DLL_PROCESS_ATTACH, nullptr) != FALSE;
  }
  ~LibraryEntry() {
    if (attached_) LibraryMain(instance_, DLL_PROCESS_DETACH, nullptr);
  }

 private:
  HINSTANCE instance_ = nullptr;
  bool attached_ = false;
};

LibraryEntry g_libraryEntry;

}  // namespace

extern "C" CSTDGlobeInfo* STDGlobeInfo() { return &g_globeInfo; }
