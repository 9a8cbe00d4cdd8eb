// _wfullpath and _wgetcwd: absolute Windows paths against the current folder.
#include <cerrno>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "KavroStd/platform/crt_wide_files.h"
#include "KavroStd/platform/fileapi.h"
#include "platform/crt/crt_errno_internal.h"
#include "platform/shell/shell_path_internal.h"

namespace {

bool CurrentFolder(std::wstring& out) {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return false;
  out.resize(n);
  n = GetCurrentDirectoryW(n, out.data());
  if (n == 0) return false;
  out.resize(n);
  return true;
}

// Hands the text out in the caller's buffer, or a malloc'd one of at least
// `minimum` elements when the buffer is null; null (ERANGE) when it does not
// fit.
wchar_t* HandOut(const std::wstring& text, wchar_t* buffer, size_t size, size_t minimum) {
  if (!buffer) {
    size_t n = text.size() + 1 > minimum ? text.size() + 1 : minimum;
    buffer = static_cast<wchar_t*>(malloc(n * sizeof(wchar_t)));
    if (!buffer) {
      errno = ENOMEM;
      return nullptr;
    }
  } else if (text.size() >= size) {
    errno = ERANGE;
    return nullptr;
  }
  return wmemcpy(buffer, text.c_str(), text.size() + 1);
}

// The path joined to the current folder: "\x" is on the current drive,
// "D:x" in the current folder when that is on D: (Windows keeps a folder
// per drive; here the other drives are at their root).
bool Absolute(const wchar_t* path, std::wstring& out) {
  std::wstring cwd;
  if (!CurrentFolder(cwd)) {
    kavro::platform::FailFromLastError();
    return false;
  }
  if (!path || !*path) {
    out = cwd;
    return true;
  }
  std::wstring p(path);
  for (wchar_t& c : p) {
    if (c == L'/') c = L'\\';
  }
  auto join = [](std::wstring base, const std::wstring& rest) {
    if (!base.empty() && base.back() != L'\\') base.push_back(L'\\');
    return base + rest;
  };
  if (p.size() >= 2 && p[0] == L'\\' && p[1] == L'\\') {
    out = p;
  } else if (p.size() >= 2 && p[1] == L':') {
    bool sameDrive = cwd.size() >= 2 && cwd[1] == L':' && towupper(cwd[0]) == towupper(p[0]);
    if (p.size() >= 3 && p[2] == L'\\') out = p;
    else out = join(sameDrive ? cwd : p.substr(0, 2) + L"\\", p.substr(2));
  } else if (p[0] == L'\\') {
    out = (cwd.size() >= 2 && cwd[1] == L':' ? cwd.substr(0, 2) : std::wstring()) + p;
  } else {
    out = join(cwd, p);
  }
  std::wstring canonical;
  if (!kavro::platform::KvPathCanonicalize(out.c_str(), canonical)) {
    errno = EINVAL;
    return false;
  }
  out = canonical;
  return true;
}

}  // namespace

extern "C" wchar_t* _wfullpath(wchar_t* buffer, const wchar_t* path, size_t size) {
  std::wstring full;
  if (!Absolute(path, full)) return nullptr;
  return HandOut(full, buffer, size, _MAX_PATH);
}

extern "C" wchar_t* _wgetcwd(wchar_t* buffer, int size) {
  std::wstring cwd;
  if (!CurrentFolder(cwd)) {
    kavro::platform::FailFromLastError();
    return nullptr;
  }
  if (buffer && size <= 0) {
    errno = EINVAL;
    return nullptr;
  }
  return HandOut(cwd, buffer, size > 0 ? static_cast<size_t>(size) : 0, size > 0 ? static_cast<size_t>(size) : 0);
}
