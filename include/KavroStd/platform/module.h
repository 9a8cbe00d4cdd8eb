/// @file
/// @ingroup platform_layer
/// Modules, their resources and the MFC extension-module frame.
///
/// A module (HMODULE, HINSTANCE) is a loaded ELF object: the executable or a
/// shared object. Its handle is the address where the object's first segment
/// is mapped, so it is the same value whichever way it is asked for and it
/// stays valid while the object is loaded. A null module means the executable.
///
/// A shared object's DllMain analogue is a global object (or a constructor
/// function) whose constructor finds the object's own handle and whose
/// destructor runs the detach step:
///
///   struct Entry {
///     Entry() {
///       HMODULE self = KV_THIS_MODULE();    // or KvModuleHandleOf(&someFunction)
///       KvRegisterResource(self, RT_RCDATA, MAKEINTRESOURCEW(6000), bytes, size);
///       AfxInitExtensionModule(g_record, self);
///       new CDynLinkLibrary(g_record);
///     }
///     ~Entry() { AfxTermExtensionModule(g_record); KvUnregisterResources(self); }
///   } g_entry;
///
/// Resources are not read from the ELF file: each module registers its own
/// (type, name, bytes) in a per-module table. Types and names are numbers
/// (MAKEINTRESOURCEW, or a string "#123") or strings compared without regard to
/// case, as Windows does. Registering copies the bytes; the pointers that
/// LockResource hands out stay valid until the module's resources are
/// unregistered.
///
/// Module file names are full paths in Windows form on the Z: drive
/// (/opt/kavro/Sys/libKavroStd.so is Z:\opt\kavro\Sys\libKavroStd.so).
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/collections.h"
#include "KavroStd/platform/cstring.h"
#include "KavroStd/platform/gdi.h"
#include "KavroStd/platform/win_errors.h"
#include "KavroStd/platform/win_types.h"

#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004

/// The full path of `module` (null: the executable). A short buffer receives
/// the path cut to size-1 characters and a zero; the call then returns size
/// and sets ERROR_INSUFFICIENT_BUFFER. Otherwise returns the length without the
/// zero. 0 with ERROR_MOD_NOT_FOUND for a handle that is not a loaded module.
KVSTD_C_API DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);

/// With GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, nameOrAddress is an address
/// inside the module wanted; otherwise a module name as for GetModuleHandleW.
/// Unless GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT is given, a shared
/// object gains a load reference (PIN: it is never unloaded). FALSE with
/// ERROR_MOD_NOT_FOUND (and *module null) when nothing matches;
/// ERROR_INVALID_PARAMETER for a null output or contradictory flags.
KVSTD_C_API BOOL GetModuleHandleExW(DWORD flags, LPCWSTR nameOrAddress, HMODULE* module);

/// Null name: the executable. Otherwise the loaded object whose file name
/// matches without regard to case. A name with a folder is compared with the
/// whole path; a bare name with the object's file name, where extensions
/// ".dll", ".so" (with any version numbers) and ".exe" and a leading "lib" do
/// not count: "KavroStd.dll", "kavrostd" and "libKavroStd.so.1" all name
/// libKavroStd.so.1. No reference is added. Null with ERROR_MOD_NOT_FOUND when
/// nothing matches.
KVSTD_C_API HMODULE GetModuleHandleW(LPCWSTR name);

/// The module that contains `address` (code or data), or null.
KVSTD_C_API HMODULE KvModuleHandleOf(const void* address);

namespace kavro::platform::detail {
/// One copy per translation unit: its address lies in the module that
/// includes this header.
[[maybe_unused]] static const char kThisModuleAnchor = 0;
}  // namespace kavro::platform::detail

// The handle of the module the calling code is compiled into.
#define KV_THIS_MODULE() KvModuleHandleOf(&::kavro::platform::detail::kThisModuleAnchor)

// ---------------------------------------------------------------------------
// Resources

/// Adds (or replaces) a resource of `module` (null: the executable). The bytes
/// are copied. FALSE with ERROR_INVALID_PARAMETER for a null or empty type or
/// name or null data with a size; ERROR_MOD_NOT_FOUND when the module is not
/// loaded.
KVSTD_C_API BOOL KvRegisterResource(HMODULE module, LPCWSTR type, LPCWSTR name,
                                    const void* data, DWORD size);
/// Drops every resource of `module`; its HRSRC and HGLOBAL values stop working
/// and the data pointers handed out before become invalid.
KVSTD_C_API void KvUnregisterResources(HMODULE module);

/// Sets string `id` (0-65535) of the module's string table, as a resource
/// compiler's STRINGTABLE would: the string goes into RT_STRING block
/// id / 16 + 1, whose other strings stay. FALSE with ERROR_INVALID_PARAMETER
/// for a null text or an id beyond 65535, else as KvRegisterResource.
KVSTD_C_API BOOL KvRegisterString(HMODULE module, UINT id, LPCWSTR text);

/// String `id` of the module's string table, copied into `buffer` (cut to
/// bufferMax - 1 characters, then a zero); the number of characters copied,
/// 0 when the module has no such string (an empty string is no string; the
/// last error is FindResourceW's). A bufferMax of 0 stores in `buffer` a
/// read-only pointer to the whole text instead and returns its length.
KVSTD_C_API int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax);

/// Windows argument order: name, then type. Null with
/// ERROR_RESOURCE_DATA_NOT_FOUND when the module has no resources,
/// ERROR_RESOURCE_TYPE_NOT_FOUND when it has none of that type,
/// ERROR_RESOURCE_NAME_NOT_FOUND when the type has no such name.
KVSTD_C_API HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
/// Null with ERROR_INVALID_HANDLE for an unknown (or unregistered) resource.
KVSTD_C_API HGLOBAL LoadResource(HMODULE module, HRSRC resource);
/// The first byte of the resource; null for an unknown handle.
KVSTD_C_API LPVOID LockResource(HGLOBAL loaded);
/// Size in bytes; 0 with ERROR_INVALID_HANDLE for an unknown resource.
KVSTD_C_API DWORD SizeofResource(HMODULE module, HRSRC resource);

// ---------------------------------------------------------------------------
// The MFC extension-module frame

/// The per-module record an extension module keeps from load to unload.
struct AFX_EXTENSION_MODULE {
  BOOL bInitialized;
  HMODULE hModule;
  HMODULE hResource;
  void* pFirstSharedClass;
  void* pFirstSharedFactory;
};

/// Records the module in `state` (module and resource handle). TRUE; TRUE at
/// once when the record is already initialised; FALSE (ERROR_MOD_NOT_FOUND)
/// for a null or unloaded module.
KVSTD_API BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module);
/// Deletes the CDynLinkLibrary objects of the record's module (every one when
/// all is TRUE), as MFC does. Nothing for a record never initialised.
KVSTD_API void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL all = FALSE);

/// An extension module's place in the process's resource chain. Created on
/// the heap while the module loads; AfxTermExtensionModule deletes it. The
/// newest library is searched first, after the current resource handle.
class KVSTD_API CDynLinkLibrary : public CObject {
 public:
  explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL system = FALSE);
  CDynLinkLibrary(HINSTANCE module, HINSTANCE resource);
  ~CDynLinkLibrary() override;
  CDynLinkLibrary(const CDynLinkLibrary&) = delete;
  CDynLinkLibrary& operator=(const CDynLinkLibrary&) = delete;

  HMODULE m_hModule;
  HMODULE m_hResource;
  BOOL m_bSystem;
};

/// The module whose resources the host's code loads by default; the
/// executable unless changed.
KVSTD_API HINSTANCE AfxGetResourceHandle();
KVSTD_API void AfxSetResourceHandle(HINSTANCE resource);
/// The application's instance: the executable unless a host set another.
KVSTD_API HINSTANCE AfxGetInstanceHandle();
KVSTD_C_API void KvSetInstanceHandle(HINSTANCE instance);
/// The first module of the resource chain (the current resource handle, then
/// each CDynLinkLibrary, newest first) that holds the resource; the current
/// resource handle when none does.
KVSTD_API HINSTANCE AfxFindResourceHandle(LPCWSTR name, LPCWSTR type);
