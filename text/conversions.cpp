// Conversion between the system ANSI code page and wide text.
#include <vector>

#include "KavroStd/conversions.h"

extern "C" CString CharToWChar(CStringA& text) {
  int length = MultiByteToWideChar(CP_ACP, 0, text.GetString(), -1, nullptr, 0);
  if (length <= 0) return CString();
  std::vector<wchar_t> buffer(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.GetString(), -1, buffer.data(), length);
  return CString(buffer.data());
}

extern "C" CStringA WCharToChar(CString& text) {
  int length = WideCharToMultiByte(CP_ACP, 0, text.GetString(), -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return CStringA();
  std::vector<char> buffer(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.GetString(), -1, buffer.data(), length, nullptr, nullptr);
  return CStringA(buffer.data());
}
