// File-name parts and path joining of CStringOpr.
#include "KavroStd/files.h"
#include "platform/strings/crt_internal.h"

int CStringOpr::getPath(const wchar_t* full, CString& out) {
  CFileNameHelper helper;
  helper.setFullName(full);
  return helper.getPath(out);
}

int CStringOpr::getNameWithoutPath(const wchar_t* full, CString& out) {
  CFileNameHelper helper;
  helper.setFullName(full);
  return helper.getNameWithoutPath(out);
}

int CStringOpr::getExt(const wchar_t* full, CString& out) {
  CFileNameHelper helper;
  helper.setFullName(full);
  return helper.getExt(out);
}

CString CStringOpr::getExt(const wchar_t* full) {
  CString ext;
  getExt(full, ext);
  return ext;
}

void CStringOpr::SplitPath(const wchar_t* path, CString* drive, CString* dir, CString* name, CString* ext) {
  std::wstring parts[4];
  kavro::platform::SplitPath(path ? path : L"", drive ? &parts[0] : nullptr, dir ? &parts[1] : nullptr,
                             name ? &parts[2] : nullptr, ext ? &parts[3] : nullptr);
  if (drive) *drive = CString(parts[0]);
  if (dir) *dir = CString(parts[1]);
  if (name) *name = CString(parts[2]);
  if (ext) *ext = CString(parts[3]);
}

CString CStringOpr::combinePathString(const wchar_t* first, const wchar_t* second) {
  std::wstring out(first ? first : L"");
  while (!out.empty() && out.back() == L'\\') out.pop_back();
  out.push_back(L'\\');
  const wchar_t* rest = second ? second : L"";
  while (*rest == L'\\') ++rest;
  out += rest;
  return CString(out);
}
