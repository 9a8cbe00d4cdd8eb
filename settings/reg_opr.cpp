// CRegOpr: one held registry key and the operations on it.
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "KavroStd/reg.h"

namespace {
// UTF-16 bytes of text with its terminating zero.
DWORD TextBytes(const wchar_t* text) {
  DWORD units = 1;
  for (const wchar_t* p = text; *p; ++p) units += static_cast<unsigned>(*p) > 0xFFFF ? 2 : 1;
  return units * 2;
}
}  // namespace

CRegOpr::CRegOpr() : m_hKey(nullptr) {}

CRegOpr::~CRegOpr() { Close(); }

CRegOpr::operator HKEY() const { return m_hKey; }

LONG CRegOpr::Close() {
  if (!m_hKey) return ERROR_SUCCESS;
  LONG result = RegCloseKey(m_hKey);
  m_hKey = nullptr;
  return result;
}

LONG CRegOpr::Create(HKEY parent, const wchar_t* name, wchar_t* keyClass, DWORD options, DWORD access,
                     SECURITY_ATTRIBUTES* security, DWORD* disposition) {
  HKEY key = nullptr;
  DWORD how = 0;
  LONG result = RegCreateKeyExW(parent, name, 0, keyClass, options, access, security, &key, &how);
  if (disposition) *disposition = how;
  if (result != ERROR_SUCCESS) return result;
  result = Close();
  m_hKey = key;
  return result;
}

LONG CRegOpr::Open(HKEY parent, const wchar_t* name, DWORD access) {
  HKEY key = nullptr;
  LONG result = RegOpenKeyExW(parent, name, 0, access, &key);
  if (result != ERROR_SUCCESS) return result;
  result = Close();
  m_hKey = key;
  return result;
}

void CRegOpr::Attach(HKEY key) { m_hKey = key; }

HKEY CRegOpr::Detach() {
  HKEY key = m_hKey;
  m_hKey = nullptr;
  return key;
}

LONG CRegOpr::QueryValue(DWORD& value, const wchar_t* name) {
  // Text arrives as up to two wide characters for its four bytes: read into
  // room for them and take the four bytes the value holds.
  wchar_t units[2] = {0, 0};
  DWORD type = 0, size = sizeof(DWORD);
  LONG result = RegQueryValueExW(m_hKey, name, nullptr, &type, reinterpret_cast<LPBYTE>(units), &size);
  if (result != ERROR_SUCCESS) return result;
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ || type == REG_LINK) {
    DWORD bytes = 0;
    int shift = 0;
    for (size_t i = 0; i < 2 && shift < 32; ++i) {
      uint32_t c = static_cast<uint32_t>(units[i]);
      uint32_t pair[2] = {c, 0};
      int count = 1;
      if (c > 0xFFFF) {
        pair[0] = 0xD800 + ((c - 0x10000) >> 10);
        pair[1] = 0xDC00 + ((c - 0x10000) & 0x3FF);
        count = 2;
      }
      for (int k = 0; k < count && shift < 32; ++k, shift += 16) bytes |= (pair[k] & 0xFFFF) << shift;
    }
    value = size < 4 ? (value & ~((1u << (8 * size)) - 1)) | (bytes & ((1u << (8 * size)) - 1)) : bytes;
  } else {
    std::memcpy(&value, units, size);
  }
  return result;
}

LONG CRegOpr::QueryValue(wchar_t* buffer, const wchar_t* name, DWORD* size) {
  DWORD type = 0;
  return RegQueryValueExW(m_hKey, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), size);
}

LONG CRegOpr::SetValue(DWORD value, const wchar_t* name) {
  return RegSetValueExW(m_hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(DWORD));
}

LONG CRegOpr::SetValue(const wchar_t* text, const wchar_t* name) {
  if (!text) return ERROR_INVALID_PARAMETER;
  return RegSetValueExW(m_hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), TextBytes(text));
}

LONG CRegOpr::SetValue(HKEY parent, const wchar_t* keyName, const wchar_t* text, const wchar_t* name) {
  CRegOpr key;
  LONG result = key.Create(parent, keyName, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS);
  if (result != ERROR_SUCCESS) return result;
  return key.SetValue(text, name);
}

LONG CRegOpr::SetKeyValue(const wchar_t* keyName, const wchar_t* text, const wchar_t* name) {
  return SetValue(m_hKey, keyName, text, name);
}

LONG CRegOpr::DeleteSubKey(const wchar_t* name) { return RegDeleteKeyW(m_hKey, name); }

LONG CRegOpr::DeleteValue(const wchar_t* name) { return RegDeleteValueW(m_hKey, name); }

LONG CRegOpr::RecurseDeleteKey(const wchar_t* name, DWORD access) {
  CRegOpr key;
  LONG result = key.Open(m_hKey, name, access);
  if (result != ERROR_SUCCESS) return result;
  wchar_t child[256];
  DWORD chars = 256;
  while (RegEnumKeyExW(key.m_hKey, 0, child, &chars, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
    result = key.RecurseDeleteKey(child, KEY_ALL_ACCESS);
    if (result != ERROR_SUCCESS) return result;
    chars = 256;
  }
  key.Close();
  return DeleteSubKey(name);
}
