#include <gtest/gtest.h>

#include <sys/utsname.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "support/test_support.h"

namespace {

std::string Machine() {
  struct utsname name;
  return uname(&name) == 0 ? name.machine : "";
}

int CountBoxes(LPCWSTR, LPCWSTR, UINT, void* context) {
  ++*static_cast<int*>(context);
  return IDOK;
}

TEST(OsQueries, BitnessOfProcessAndMachine) {
  int boxes = 0;
  KvMessageBoxHandler old = KvSetMessageBoxHandler(CountBoxes, &boxes);
  std::string machine = Machine();
  bool machine64 = machine == "x86_64" || machine == "aarch64" || machine == "ia64";
  EXPECT_EQ(IsWow64(), sizeof(void*) == 4 && machine64 ? TRUE : FALSE);
  EXPECT_EQ(GetOSVerIs64Bit(), machine64 ? TRUE : FALSE);
  EXPECT_EQ(boxes, 0);
  KvSetMessageBoxHandler(old, nullptr);
}

TEST(OsQueries, Kernel32AnswersByName) {
  HMODULE k = GetModuleHandleW(L"kernel32");
  ASSERT_NE(k, nullptr);
  const wchar_t* spellings[] = {L"kernel32.dll", L"KERNEL32.DLL", L"Kernel32"};
  for (const wchar_t* name : spellings) {
    SCOPED_TRACE(kavro::test::Utf8(name));
    EXPECT_EQ(GetModuleHandleW(name), k);
  }
  struct Row {
    const char* name;
    FARPROC expected;
  } const rows[] = {
      {"IsWow64Process", reinterpret_cast<FARPROC>(&IsWow64Process)},
      {"GetNativeSystemInfo", reinterpret_cast<FARPROC>(&GetNativeSystemInfo)},
      {"GetSystemInfo", reinterpret_cast<FARPROC>(&GetSystemInfo)},
      {"NoSuchFunction", nullptr},
      {"isWow64Process", nullptr},  // names match exactly
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(k, row.name), row.expected);
    if (!row.expected) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    }
  }
  EXPECT_EQ(GetProcAddress(k, nullptr), nullptr);
  EXPECT_EQ(GetProcAddress(k, reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(7))), nullptr);
}

TEST(OsQueries, GetProcAddressInLoadedObjects) {
  HMODULE library = KvModuleHandleOf(reinterpret_cast<const void*>(&CharToWChar));
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(GetProcAddress(library, "GetRGBByIndex"), reinterpret_cast<FARPROC>(&GetRGBByIndex));
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(library, "NotExported"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  static int notAModule = 0;
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(&notAModule), "GetRGBByIndex"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(OsQueries, IsWow64ProcessChecksItsArguments) {
  BOOL flag = 5;
  EXPECT_TRUE(IsWow64Process(GetCurrentProcess(), &flag));
  EXPECT_EQ(flag, sizeof(void*) == 4 && Machine() == "x86_64" ? TRUE : FALSE);
  SetLastError(0);
  EXPECT_FALSE(IsWow64Process(reinterpret_cast<HANDLE>(1234), &flag));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(IsWow64Process(GetCurrentProcess(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(OsQueries, SystemInfoComesFromTheMachine) {
  SYSTEM_INFO native, own;
  memset(&native, 0xCC, sizeof(native));
  GetNativeSystemInfo(&native);
  GetSystemInfo(&own);
  std::string machine = Machine();
  if (machine == "x86_64") {
    EXPECT_EQ(native.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
    EXPECT_EQ(native.dwProcessorType, static_cast<DWORD>(PROCESSOR_AMD_X8664));
    EXPECT_EQ(own.wProcessorArchitecture,
              sizeof(void*) == 8 ? PROCESSOR_ARCHITECTURE_AMD64 : PROCESSOR_ARCHITECTURE_INTEL);
  } else if (machine == "aarch64") {
    EXPECT_EQ(native.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_ARM64);
  }
  EXPECT_EQ(native.wReserved, 0);
  EXPECT_EQ(native.dwPageSize, static_cast<DWORD>(sysconf(_SC_PAGESIZE)));
  EXPECT_EQ(native.dwNumberOfProcessors, static_cast<DWORD>(sysconf(_SC_NPROCESSORS_ONLN)));
  EXPECT_EQ(native.dwAllocationGranularity, 0x10000u);
  EXPECT_NE(native.dwActiveProcessorMask, 0u);
  GetNativeSystemInfo(nullptr);  // nothing happens
}

}  // namespace
