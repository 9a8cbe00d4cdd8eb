// Loaded from an installation tree's Bin folder; prints what the library
// settled at its load.
#include <cstdio>

#include "KavroStd/KavroStd.h"

namespace {
void Print(const char* label, const CString& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 1, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  printf("%s=%s\n", label, out.c_str());
}
}  // namespace

int main() {
  CSTDGlobeInfo* globe = STDGlobeInfo();
  Print("root", globe->GetRootPath());
  Print("module", globe->GetModulePath());
  Print("language", globe->GetLanguage().GetLanguagePath());
  return globe->HasFunction(L"KVSTD_PLATFORM_FUNCTION_FINDFILE") ? 0 : 3;
}
