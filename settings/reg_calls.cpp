// CReg: one-call registry operations below a root key.
#include <cwchar>
#include <vector>

#include "KavroStd/reg.h"

namespace {
REGSAM View(REGSAM access, int is64) { return is64 == 1 ? access | KEY_WOW64_64KEY : access; }
}  // namespace

CReg::CReg() = default;
CReg::CReg(const CReg&) {}
CReg& CReg::operator=(const CReg&) { return *this; }
CReg::~CReg() = default;

LONG CReg::QueryValueEx(HKEY root, const wchar_t* subKey, const wchar_t* name, CString& text, int is64) {
  CRegOpr key;
  LONG result = key.Open(root, subKey, View(KEY_READ, is64));
  if (result != ERROR_SUCCESS) return result;
  // The buffer grows to the value's size; one zero more than the data can
  // fill ends a text stored without its own.
  DWORD size = 260;
  while (true) {
    std::vector<wchar_t> buffer(size / 2 + 2, L'\0');
    DWORD got = size;
    result = key.QueryValue(buffer.data(), name, &got);
    if (result == ERROR_MORE_DATA && got > size) {
      size = got;
      continue;
    }
    if (result != ERROR_SUCCESS) return result;
    text = CString(buffer.data(), static_cast<int>(wcsnlen(buffer.data(), got / 2 + 1)));
    return ERROR_SUCCESS;
  }
}

LONG CReg::SetValue(HKEY root, const wchar_t* subKey, const wchar_t* text, const wchar_t* name, int is64) {
  CRegOpr key;
  LONG result = key.Create(root, subKey, nullptr, REG_OPTION_NON_VOLATILE, View(KEY_ALL_ACCESS, is64));
  if (result != ERROR_SUCCESS) return result;
  return key.SetValue(text, name);
}

LONG CReg::SetValue(HKEY root, const wchar_t* subKey, int number, const wchar_t* name, int is64) {
  CRegOpr key;
  LONG result = key.Create(root, subKey, nullptr, REG_OPTION_NON_VOLATILE, View(KEY_ALL_ACCESS, is64));
  if (result != ERROR_SUCCESS) return result;
  return key.SetValue(static_cast<DWORD>(number), name);
}

LONG CReg::DelValue(HKEY root, const wchar_t* subKey, const wchar_t* name, int is64) {
  CRegOpr key;
  LONG result = key.Create(root, subKey, nullptr, REG_OPTION_NON_VOLATILE, View(KEY_ALL_ACCESS, is64));
  if (result != ERROR_SUCCESS) return result;
  key.DeleteValue(name);
  return ERROR_SUCCESS;
}

int CReg::enumKeyName(HKEY root, const wchar_t* subKey, CStringArray& names, int is64) {
  CRegOpr key;
  if (key.Open(root, subKey, View(KEY_READ, is64)) != ERROR_SUCCESS) return 0;
  names.RemoveAll();
  std::vector<wchar_t> name(256);
  for (DWORD index = 0;; ++index) {
    DWORD chars = static_cast<DWORD>(name.size());
    LONG result = RegEnumKeyExW(key.m_hKey, index, name.data(), &chars, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_MORE_DATA) {  // a longer name than the buffer: grow it, ask again
      name.resize(name.size() * 2);
      --index;
      continue;
    }
    if (result != ERROR_SUCCESS) break;
    names.Add(CString(name.data(), static_cast<int>(chars)));
  }
  return 1;
}

LONG CReg::DelTreeKey(HKEY root, const wchar_t* subKey, int is64) {
  CRegOpr parent;
  parent.Attach(root);
  LONG result = parent.RecurseDeleteKey(subKey, View(KEY_ALL_ACCESS, is64));
  parent.Detach();
  return result;
}
