// Bitness queries of the process and the machine, looked up at run time in
// kernel32 as on systems where the functions may be missing.
#include "KavroStd/conversions.h"

namespace {
typedef BOOL (*IsWow64ProcessFunction)(HANDLE, PBOOL);
typedef void (*GetNativeSystemInfoFunction)(LPSYSTEM_INFO);
}  // namespace

extern "C" BOOL IsWow64() {
  BOOL wow64 = FALSE;
  IsWow64ProcessFunction isWow64Process =
      reinterpret_cast<IsWow64ProcessFunction>(GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process"));
  if (!isWow64Process) return FALSE;
  if (!isWow64Process(GetCurrentProcess(), &wow64)) AfxMessageBox(L"IsWow64 error!", MB_OK);
  return wow64;
}

extern "C" BOOL GetOSVerIs64Bit() {
  GetNativeSystemInfoFunction getNativeSystemInfo = reinterpret_cast<GetNativeSystemInfoFunction>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetNativeSystemInfo"));
  if (!getNativeSystemInfo) return FALSE;
  SYSTEM_INFO info = {};
  getNativeSystemInfo(&info);
  // ARM64 is a 64-bit architecture as well.
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
         info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64 ||
         info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64;
}
