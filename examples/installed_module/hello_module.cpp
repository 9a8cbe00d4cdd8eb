// A minimal product module: prints the installation root and the library
// folder the library derived, and keeps a counter in the library settings
// file.
#include <cstdio>
#include <string>

#include "KavroStd/KavroStd.h"

namespace {

std::string Utf8(const wchar_t* text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  out.resize(n - 1);
  return out;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int KavroModuleStart() {
  CSTDGlobeInfo* globe = STDGlobeInfo();
  printf("root: %s\n", Utf8(globe->GetRootPath()).c_str());
  printf("library folder: %s\n", Utf8(globe->GetSysPath()).c_str());

  CDataFile settings(globe->GetSettFile());
  int runs = settings.GetData(L"Hello", L"Runs", 0) + 1;
  if (!settings.SetData(L"Hello", L"Runs", runs)) return 1;
  printf("runs: %d\n", settings.GetData(L"Hello", L"Runs", 0));
  return 0;
}
