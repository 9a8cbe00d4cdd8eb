// Module handles and file names, and the MFC extension-module frame.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <cwctype>
#include <string>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

int g_dataInTestProgram = 1;

std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  std::string out = real ? real : "";
  free(real);
  return out;
}

// The Windows form of a POSIX path on the default Z: drive.
std::wstring ZPath(const std::string& posix) {
  std::wstring out = L"Z:";
  for (char c : posix) out.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
  return out;
}

std::wstring FileNameOf(HMODULE module) {
  wchar_t buffer[4096];
  DWORD n = GetModuleFileNameW(module, buffer, 4096);
  return std::wstring(buffer, n);
}

HMODULE LibraryModule() {
  HMODULE module = nullptr;
  void* inLibrary = dlsym(RTLD_DEFAULT, "GetModuleFileNameW");
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCWSTR>(inLibrary), &module);
  return module;
}

std::string ExecutablePath() {
  char buffer[PATH_MAX + 1];
  ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
  return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

TEST(ModuleFileName, NamesTheExecutableAndTheLibraryInWindowsForm) {
  EXPECT_EQ(FileNameOf(nullptr), ZPath(ExecutablePath()));
  EXPECT_EQ(FileNameOf(GetModuleHandleW(nullptr)), ZPath(ExecutablePath()));
  HMODULE library = LibraryModule();
  ASSERT_NE(library, nullptr);
  EXPECT_NE(library, GetModuleHandleW(nullptr));
  EXPECT_EQ(FileNameOf(library), ZPath(RealPath(KAVRO_LIBRARY_FILE)));
}

TEST(ModuleFileName, ShortBufferIsCutAndTerminatedAsOnWindows) {
  const std::wstring full = FileNameOf(nullptr);
  const DWORD length = static_cast<DWORD>(full.size());
  struct Row {
    DWORD size;
    DWORD expectedReturn;
    bool complete;
  } rows[] = {{1, 1, false}, {5, 5, false}, {length, length, false}, {length + 1, length, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE("buffer size " + std::to_string(row.size));
    std::wstring buffer(row.size + 4, L'#');
    SetLastError(0);
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), row.size);
    EXPECT_EQ(n, row.expectedReturn);
    if (row.complete) {
      EXPECT_EQ(std::wstring(buffer.c_str()), full);
    } else {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
      EXPECT_EQ(std::wstring(buffer.c_str()), full.substr(0, row.size - 1));
    }
    EXPECT_EQ(buffer[row.size], L'#') << "wrote past the buffer";
  }
}

TEST(ModuleFileName, UnknownModuleFails) {
  int onTheStack = 0;
  for (HMODULE bogus : {reinterpret_cast<HMODULE>(0x1234), reinterpret_cast<HMODULE>(&onTheStack)}) {
    wchar_t buffer[64] = L"untouched";
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(bogus, buffer, 64), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  }
}

TEST(ModuleHandle, ThisModuleAndAddressesFindTheirObjects) {
  EXPECT_EQ(KV_THIS_MODULE(), GetModuleHandleW(nullptr));
  EXPECT_EQ(KvModuleHandleOf(&g_dataInTestProgram), GetModuleHandleW(nullptr));
  EXPECT_EQ(KvModuleHandleOf(dlsym(RTLD_DEFAULT, "CreateMutexW")), LibraryModule());
  int onTheStack = 0;
  EXPECT_EQ(KvModuleHandleOf(&onTheStack), nullptr);

  HMODULE found = reinterpret_cast<HMODULE>(1);
  SetLastError(0);
  EXPECT_FALSE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&onTheStack),
                                  &found));
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(ModuleHandle, NamesMatchWithoutCaseAndExtension) {
  HMODULE library = LibraryModule();
  const std::wstring libraryPath = FileNameOf(library);
  std::wstring upperPath = libraryPath;
  for (wchar_t& c : upperPath) c = towupper(c);
  const wchar_t* names[] = {L"KavroStd.dll", L"kavrostd", L"libKavroStd.so", L"LIBKAVROSTD.SO.1",
                            L"KavroStd.", libraryPath.c_str(), upperPath.c_str()};
  for (const wchar_t* name : names) {
    SCOPED_TRACE(kavro::test::Utf8(name));
    EXPECT_EQ(GetModuleHandleW(name), library);
    HMODULE viaEx = nullptr;
    EXPECT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, name, &viaEx));
    EXPECT_EQ(viaEx, library);
  }
  EXPECT_EQ(GetModuleHandleW(L"Z:\\no\\such\\folder\\KavroStd.dll"), nullptr);
  SetLastError(0);
  EXPECT_EQ(GetModuleHandleW(L"NoSuchModule.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(ModuleHandle, ExRejectsBadArguments) {
  HMODULE found = nullptr;
  struct Row {
    const char* what;
    DWORD flags;
    HMODULE* out;
  } rows[] = {
      {"pin with unchanged count", GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, &found},
      {"unknown flag", 0x100, &found},
      {"no output", GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    SetLastError(0);
    EXPECT_FALSE(GetModuleHandleExW(row.flags, nullptr, row.out));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
}

// Extension modules need loaded objects other than the library (whose own
// record is already in the chain): the C and C++ runtimes are loaded.
class ExtensionModule : public ::testing::Test {
 protected:
  void SetUp() override {
    cRuntime_ = GetModuleHandleW(L"libc.so");
    cxxRuntime_ = GetModuleHandleW(L"libstdc++.so");
    ASSERT_NE(cRuntime_, nullptr);
    ASSERT_NE(cxxRuntime_, nullptr);
  }
  void TearDown() override {
    KvUnregisterResources(cRuntime_);
    KvUnregisterResources(cxxRuntime_);
  }
  void Register(HMODULE module, const wchar_t* name, const char* bytes) {
    ASSERT_TRUE(KvRegisterResource(module, L"TEST_CHAIN", name, bytes, static_cast<DWORD>(strlen(bytes))));
  }
  HMODULE cRuntime_ = nullptr;
  HMODULE cxxRuntime_ = nullptr;
};

TEST_F(ExtensionModule, InitRecordsTheModuleOnce) {
  AFX_EXTENSION_MODULE record = {};
  ASSERT_TRUE(AfxInitExtensionModule(record, cRuntime_));
  EXPECT_TRUE(record.bInitialized);
  EXPECT_EQ(record.hModule, cRuntime_);
  EXPECT_EQ(record.hResource, cRuntime_);
  EXPECT_TRUE(AfxInitExtensionModule(record, cxxRuntime_));  // already initialised: kept
  EXPECT_EQ(record.hModule, cRuntime_);

  AFX_EXTENSION_MODULE bad = {};
  EXPECT_FALSE(AfxInitExtensionModule(bad, nullptr));
  EXPECT_FALSE(AfxInitExtensionModule(bad, reinterpret_cast<HMODULE>(0x1234)));
  EXPECT_FALSE(bad.bInitialized);
}

TEST_F(ExtensionModule, ChainIsSearchedNewestFirstAndTermRemovesOnlyItsModule) {
  Register(cRuntime_, L"ONLY_IN_C", "z");
  Register(cRuntime_, L"IN_BOTH", "z");
  Register(cxxRuntime_, L"IN_BOTH", "c");
  const HINSTANCE current = AfxGetResourceHandle();
  EXPECT_EQ(current, GetModuleHandleW(nullptr));
  EXPECT_EQ(AfxFindResourceHandle(L"ONLY_IN_C", L"TEST_CHAIN"), current);

  AFX_EXTENSION_MODULE cRecord = {};
  ASSERT_TRUE(AfxInitExtensionModule(cRecord, cRuntime_));
  new CDynLinkLibrary(cRecord);
  CDynLinkLibrary* newer = new CDynLinkLibrary(cxxRuntime_, cxxRuntime_);
  EXPECT_EQ(AfxFindResourceHandle(L"ONLY_IN_C", L"TEST_CHAIN"), cRuntime_);
  EXPECT_EQ(AfxFindResourceHandle(L"IN_BOTH", L"TEST_CHAIN"), cxxRuntime_);

  AfxTermExtensionModule(cRecord);
  EXPECT_EQ(AfxFindResourceHandle(L"ONLY_IN_C", L"TEST_CHAIN"), current);
  EXPECT_EQ(AfxFindResourceHandle(L"IN_BOTH", L"TEST_CHAIN"), cxxRuntime_);
  delete newer;  // the destructor leaves the chain
  EXPECT_EQ(AfxFindResourceHandle(L"IN_BOTH", L"TEST_CHAIN"), current);
}

TEST_F(ExtensionModule, ResourceHandleCanBeRedirected) {
  const HINSTANCE original = AfxGetResourceHandle();
  EXPECT_EQ(AfxGetInstanceHandle(), GetModuleHandleW(nullptr));
  Register(cRuntime_, L"HERE", "z");
  AfxSetResourceHandle(cRuntime_);
  EXPECT_EQ(AfxGetResourceHandle(), cRuntime_);
  EXPECT_EQ(AfxFindResourceHandle(L"HERE", L"TEST_CHAIN"), cRuntime_);
  AfxSetResourceHandle(original);
  EXPECT_EQ(AfxGetResourceHandle(), original);
}

}  // namespace
