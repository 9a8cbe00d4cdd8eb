/// @file
/// @ingroup platform_layer
/// System information and run-time lookup of system functions:
/// GetNativeSystemInfo / GetSystemInfo (from the real machine), IsWow64Process,
/// GetCurrentProcess and GetProcAddress.
///
///   HMODULE k = GetModuleHandleW(L"kernel32");
///   auto fn = (BOOL (*)(HANDLE, PBOOL))GetProcAddress(k, "IsWow64Process");
///
/// The processor architecture comes from the kernel's machine name (uname):
/// x86_64 is AMD64, i386-i686 INTEL, aarch64 ARM64, other arm ARM, ia64 IA64,
/// anything else UNKNOWN. GetSystemInfo describes the process's own view, so
/// a 32-bit process on an x86_64 machine sees INTEL, as under WOW64.
///
/// GetModuleHandleW answers "kernel32" and "kernel32.dll" (any case) with a
/// handle of the layer's own that has no file; GetProcAddress on it knows
/// IsWow64Process, GetNativeSystemInfo and GetSystemInfo. On the handle of a
/// loaded object it looks the name up with the dynamic loader.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/win_types.h"

typedef BOOL* PBOOL;
/// The generic function pointer; void() so that casting it to the real type
/// is free of -Wcast-function-type warnings.
typedef void (*FARPROC)();

#define PROCESSOR_ARCHITECTURE_INTEL 0
#define PROCESSOR_ARCHITECTURE_ARM 5
#define PROCESSOR_ARCHITECTURE_IA64 6
#define PROCESSOR_ARCHITECTURE_AMD64 9
#define PROCESSOR_ARCHITECTURE_ARM64 12
#define PROCESSOR_ARCHITECTURE_UNKNOWN 0xFFFF

#define PROCESSOR_INTEL_386 386
#define PROCESSOR_INTEL_486 486
#define PROCESSOR_INTEL_PENTIUM 586
#define PROCESSOR_INTEL_IA64 2200
#define PROCESSOR_AMD_X8664 8664
#define PROCESSOR_ARM 2577

struct SYSTEM_INFO {
  union {
    DWORD dwOemId;
    struct {
      WORD wProcessorArchitecture;
      WORD wReserved;
    };
  };
  DWORD dwPageSize;
  LPVOID lpMinimumApplicationAddress;
  LPVOID lpMaximumApplicationAddress;
  DWORD_PTR dwActiveProcessorMask;
  DWORD dwNumberOfProcessors;
  DWORD dwProcessorType;
  DWORD dwAllocationGranularity;
  WORD wProcessorLevel;
  WORD wProcessorRevision;
};
typedef SYSTEM_INFO* LPSYSTEM_INFO;

/// The machine as the operating system runs it: architecture, page size,
/// processors online (the mask covers at most the bits of a DWORD_PTR),
/// allocation granularity 64 KiB. Nothing for a null pointer.
KVSTD_C_API void GetNativeSystemInfo(LPSYSTEM_INFO info);
/// As GetNativeSystemInfo, with the architecture the process itself runs in.
KVSTD_C_API void GetSystemInfo(LPSYSTEM_INFO info);

/// The pseudo handle (-1) that stands for the calling process.
KVSTD_C_API HANDLE GetCurrentProcess();

/// *wow64 = TRUE when the process is a 32-bit process on a 64-bit machine.
/// Only the calling process can be asked (its pseudo handle); another handle
/// gives FALSE with ERROR_INVALID_HANDLE, a null result pointer FALSE with
/// ERROR_INVALID_PARAMETER.
KVSTD_C_API BOOL IsWow64Process(HANDLE process, PBOOL wow64);

/// The address of the function named `name` in `module` (null: the
/// executable). Null with ERROR_PROC_NOT_FOUND when it has no such name (or
/// for an ordinal), ERROR_MOD_NOT_FOUND for a handle that is not a module.
KVSTD_C_API FARPROC GetProcAddress(HMODULE module, LPCSTR name);
