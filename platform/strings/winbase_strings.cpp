// The Win32 string functions (lstrlenW, lstrcpyW, ..., wsprintfW).
#include "KavroStd/platform/winbase_strings.h"

#include <cstdio>
#include <cwchar>
#include <string>

#include "KavroStd/platform/cstring.h"
#include "platform/strings/codepage_internal.h"
#include "platform/strings/crt_wide_internal.h"

namespace {

// wsprintfW's output limit, the zero included.
constexpr size_t kWsprintfLimit = 1024;

std::wstring Folded(LPCWSTR s) {
  std::wstring out(s);
  for (wchar_t& c : out) c = kavro::platform::ToLower(c);
  return out;
}

// Null sorts before every string, as on Windows.
int CompareNulls(LPCWSTR a, LPCWSTR b) { return !a ? (b ? -1 : 0) : 1; }

}  // namespace

extern "C" int lstrlenW(LPCWSTR s) { return s ? static_cast<int>(wcslen(s)) : 0; }

extern "C" LPWSTR lstrcpyW(LPWSTR dest, LPCWSTR src) {
  if (!dest || !src) return nullptr;
  return wcscpy(dest, src);
}

extern "C" LPWSTR lstrcpynW(LPWSTR dest, LPCWSTR src, int max) {
  if (!dest || !src) return nullptr;
  if (max <= 0) return dest;
  size_t n = wcsnlen(src, static_cast<size_t>(max) - 1);
  wmemmove(dest, src, n);
  dest[n] = 0;
  return dest;
}

extern "C" LPWSTR lstrcatW(LPWSTR dest, LPCWSTR src) {
  if (!dest || !src) return nullptr;
  return wcscat(dest, src);
}

extern "C" int lstrcmpW(LPCWSTR a, LPCWSTR b) {
  if (!a || !b) return CompareNulls(a, b);
  return kavro::platform::Collate(a, b);
}

extern "C" int lstrcmpiW(LPCWSTR a, LPCWSTR b) {
  if (!a || !b) return CompareNulls(a, b);
  return kavro::platform::Collate(Folded(a).c_str(), Folded(b).c_str());
}

extern "C" int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args) {
  if (!buffer) return -1;
  std::wstring text;
  if (!kavro::platform::FormatWide(text, format, args)) {
    buffer[0] = 0;
    return 0;
  }
  if (text.size() >= kWsprintfLimit) text.resize(kWsprintfLimit - 1);
  wmemcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<int>(text.size());
}

extern "C" int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  int n = wvsprintfW(buffer, format, args);
  va_end(args);
  return n;
}

extern "C" void OutputDebugStringW(LPCWSTR text) {
  if (!text) return;
  std::string bytes;
  kavro::platform::EncodeUtf8(text, wcslen(text), bytes, false, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), stderr);
  fflush(stderr);
}
