// Prints GetCommandLineW as UTF-8 (no line end), for the command-line test.
#include <cstdio>
#include <cwchar>
#include <string>

#include "KavroStd/platform/codepage.h"
#include "KavroStd/platform/processenv.h"

int main() {
  const wchar_t* line = GetCommandLineW();
  int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 1, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, line, -1, out.data(), n, nullptr, nullptr);
  fputs(out.c_str(), stdout);
  return 0;
}
