// Windows paths put together and taken apart with sizes: _wmakepath,
// _wmakepath_s and _wsplitpath_s.
#include <cwchar>
#include <string>

#include "KavroStd/platform/crt_wide_files.h"
#include "platform/strings/crt_internal.h"
#include "platform/strings/crt_wide_internal.h"

using kavro::platform::Fail;

namespace {

std::wstring MakePath(const wchar_t* drive, const wchar_t* dir, const wchar_t* fname, const wchar_t* ext) {
  std::wstring out;
  if (drive && *drive) {
    out.push_back(drive[0]);
    out.push_back(L':');
  }
  if (dir && *dir) {
    out += dir;
    if (out.back() != L'\\' && out.back() != L'/') out.push_back(L'\\');
  }
  if (fname) out += fname;
  if (ext && *ext) {
    if (ext[0] != L'.') out.push_back(L'.');
    out += ext;
  }
  return out;
}

struct Part {
  wchar_t* out;
  size_t size;
  std::wstring text;
};

}  // namespace

extern "C" errno_t _wmakepath_s(wchar_t* path, size_t size, const wchar_t* drive, const wchar_t* dir,
                                const wchar_t* fname, const wchar_t* ext) {
  if (!path || size == 0) return Fail(EINVAL);
  std::wstring text = MakePath(drive, dir, fname, ext);
  if (text.size() >= size) {
    path[0] = 0;
    return Fail(ERANGE);
  }
  wmemcpy(path, text.c_str(), text.size() + 1);
  return 0;
}

extern "C" void _wmakepath(wchar_t* path, const wchar_t* drive, const wchar_t* dir, const wchar_t* fname,
                           const wchar_t* ext) {
  if (!path) return;
  std::wstring text = MakePath(drive, dir, fname, ext);
  wmemcpy(path, text.c_str(), text.size() + 1);
}

extern "C" errno_t _wsplitpath_s(const wchar_t* path, wchar_t* drive, size_t driveSize, wchar_t* dir,
                                 size_t dirSize, wchar_t* fname, size_t fnameSize, wchar_t* ext,
                                 size_t extSize) {
  Part parts[] = {{drive, driveSize, {}}, {dir, dirSize, {}}, {fname, fnameSize, {}}, {ext, extSize, {}}};
  auto clearAll = [&parts] {
    for (Part& p : parts) {
      if (p.out && p.size) p.out[0] = 0;
    }
  };
  for (const Part& p : parts) {
    if (!p.out != (p.size == 0)) {
      clearAll();
      return Fail(EINVAL);
    }
  }
  if (!path) {
    clearAll();
    return Fail(EINVAL);
  }
  kavro::platform::SplitPath(path, &parts[0].text, &parts[1].text, &parts[2].text, &parts[3].text);
  for (const Part& p : parts) {
    if (p.out && p.text.size() >= p.size) {
      clearAll();
      return Fail(ERANGE);
    }
  }
  for (const Part& p : parts) {
    if (p.out) wmemcpy(p.out, p.text.c_str(), p.text.size() + 1);
  }
  return 0;
}
