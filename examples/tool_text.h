// UTF-8 on the command line, wide text in the library: the conversions the
// command-line tools share.
#pragma once

#include <string>

#include "KavroStd/KavroStd.h"

namespace kavro::tools {

inline std::wstring Wide(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring out(n > 0 ? n : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, out.data(), n);
  out.resize(out.size() - 1);
  return out;
}

inline std::string Utf8(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 1, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}
inline std::string Utf8(const std::wstring& wide) { return Utf8(wide.c_str()); }

}  // namespace kavro::tools
