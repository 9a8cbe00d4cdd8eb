// Printing wide texts from the demo modules (as UTF-8 on standard output).
#pragma once

#include <cstdio>
#include <string>

#include "KavroStd/KavroStd.h"

inline std::string Utf8(const wchar_t* text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 1, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

inline void Print(const char* label, const CString& value) {
  printf("%s%s\n", label, Utf8(value).c_str());
}
