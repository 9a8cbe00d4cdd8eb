// <afxdllx.h> of an MFC extension module, included by the one source file
// that defines the module's DllMain. The module's DllMain is called with
// DLL_PROCESS_ATTACH while the module is loaded (with the other static
// objects of that file) and with DLL_PROCESS_DETACH while it is unloaded;
// the handle it gets is the module's own. Thread calls are not made.
#pragma once

#include "afx.h"

// Hidden: each module's call must reach its own DllMain, never that of a
// module loaded before it.
extern "C" __attribute__((visibility("hidden"))) BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason,
                                                                     LPVOID reserved);

namespace {
struct KvDllMainCaller {
  KvDllMainCaller() { DllMain(KV_THIS_MODULE(), DLL_PROCESS_ATTACH, nullptr); }
  ~KvDllMainCaller() { DllMain(KV_THIS_MODULE(), DLL_PROCESS_DETACH, nullptr); }
} kvDllMainCaller;
}  // namespace
