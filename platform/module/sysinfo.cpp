// System information from the real machine (uname, sysconf), WOW64 status
// of the process, and GetProcAddress, including the "kernel32" functions
// that programs look up at run time.
#include <dlfcn.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstring>

#include "KavroStd/platform/sysinfo.h"
#include "KavroStd/platform/win_errors.h"
#include "platform/module/module_internal.h"
#include "platform/module/sysinfo_internal.h"

namespace {

constexpr DWORD kAllocationGranularity = 0x10000;
// The pseudo handle of the calling process.
const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
// Its address is the "kernel32" module handle: unique and never a loaded
// object's base.
const char kKernel32Anchor = 0;

struct Machine {
  WORD architecture;
  DWORD processorType;
  bool is64;
};

bool StartsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

// The machine as the kernel names it.
Machine NativeMachine() {
  struct utsname name;
  if (uname(&name) != 0) return {PROCESSOR_ARCHITECTURE_UNKNOWN, 0, sizeof(void*) == 8};
  const char* m = name.machine;
  if (!std::strcmp(m, "x86_64") || !std::strcmp(m, "amd64"))
    return {PROCESSOR_ARCHITECTURE_AMD64, PROCESSOR_AMD_X8664, true};
  if (m[0] == 'i' && std::strlen(m) == 4 && !std::strcmp(m + 2, "86"))
    return {PROCESSOR_ARCHITECTURE_INTEL, PROCESSOR_INTEL_PENTIUM, false};
  if (!std::strcmp(m, "aarch64") || !std::strcmp(m, "arm64")) return {PROCESSOR_ARCHITECTURE_ARM64, 0, true};
  if (StartsWith(m, "arm")) return {PROCESSOR_ARCHITECTURE_ARM, PROCESSOR_ARM, false};
  if (!std::strcmp(m, "ia64")) return {PROCESSOR_ARCHITECTURE_IA64, PROCESSOR_INTEL_IA64, true};
  return {PROCESSOR_ARCHITECTURE_UNKNOWN, 0, std::strstr(m, "64") != nullptr};
}

// The architecture the process itself runs in.
Machine ProcessMachine() {
  Machine native = NativeMachine();
  if (sizeof(void*) == 8 || !native.is64) return native;
  if (native.architecture == PROCESSOR_ARCHITECTURE_AMD64)
    return {PROCESSOR_ARCHITECTURE_INTEL, PROCESSOR_INTEL_PENTIUM, false};
  if (native.architecture == PROCESSOR_ARCHITECTURE_ARM64) return {PROCESSOR_ARCHITECTURE_ARM, PROCESSOR_ARM, false};
  return {native.architecture, native.processorType, false};
}

void Describe(const Machine& machine, LPSYSTEM_INFO info) {
  std::memset(info, 0, sizeof(*info));
  info->wProcessorArchitecture = machine.architecture;
  long page = sysconf(_SC_PAGESIZE);
  info->dwPageSize = page > 0 ? static_cast<DWORD>(page) : 4096;
  info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(static_cast<uintptr_t>(kAllocationGranularity));
  info->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(
      sizeof(void*) == 8 ? static_cast<uintptr_t>(0x00007FFFFFFEFFFFULL) : static_cast<uintptr_t>(0x7FFEFFFFu));
  long online = sysconf(_SC_NPROCESSORS_ONLN);
  DWORD count = online > 0 ? static_cast<DWORD>(online) : 1;
  info->dwNumberOfProcessors = count;
  const unsigned bits = sizeof(DWORD_PTR) * 8;
  info->dwActiveProcessorMask = count >= bits ? ~static_cast<DWORD_PTR>(0) : (static_cast<DWORD_PTR>(1) << count) - 1;
  info->dwProcessorType = machine.processorType;
  info->dwAllocationGranularity = kAllocationGranularity;
  info->wProcessorLevel = machine.architecture == PROCESSOR_ARCHITECTURE_INTEL ||
                                  machine.architecture == PROCESSOR_ARCHITECTURE_AMD64
                              ? 6
                              : 0;
}

struct Export {
  const char* name;
  FARPROC function;
};

const Export kKernel32Exports[] = {
    {"IsWow64Process", reinterpret_cast<FARPROC>(&IsWow64Process)},
    {"GetNativeSystemInfo", reinterpret_cast<FARPROC>(&GetNativeSystemInfo)},
    {"GetSystemInfo", reinterpret_cast<FARPROC>(&GetSystemInfo)},
};

// dlsym on a loaded object, by handle.
FARPROC LoaderSymbol(HMODULE module, LPCSTR name) {
  kavro::platform::detail::LoadedObject object;
  if (!kavro::platform::detail::FindLoadedObject(module, object)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  void* handle = object.executable ? dlopen(nullptr, RTLD_LAZY)
                                   : dlopen(object.loaderName.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (!handle) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  void* symbol = dlsym(handle, name);
  dlclose(handle);
  if (!symbol) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

}  // namespace

namespace kavro::platform::detail {
HMODULE Kernel32Module() { return reinterpret_cast<HMODULE>(const_cast<char*>(&kKernel32Anchor)); }
}  // namespace kavro::platform::detail

extern "C" void GetNativeSystemInfo(LPSYSTEM_INFO info) {
  if (info) Describe(NativeMachine(), info);
}

extern "C" void GetSystemInfo(LPSYSTEM_INFO info) {
  if (info) Describe(ProcessMachine(), info);
}

extern "C" HANDLE GetCurrentProcess() { return kCurrentProcess; }

extern "C" BOOL IsWow64Process(HANDLE process, PBOOL wow64) {
  if (!wow64) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (process != kCurrentProcess) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *wow64 = sizeof(void*) == 4 && NativeMachine().is64;
  return TRUE;
}

extern "C" FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  if (!name || IS_INTRESOURCE(name)) {  // ordinals are not kept
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  if (module == kavro::platform::detail::Kernel32Module()) {
    for (const Export& e : kKernel32Exports)
      if (!std::strcmp(e.name, name)) return e.function;
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return LoaderSymbol(module, name);
}
