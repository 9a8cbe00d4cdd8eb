// CDataFile: typed values and string lists in INI files through the
// profile API.
#include "KavroStd/settings.h"

CDataFile::CDataFile() = default;
CDataFile::CDataFile(CString path) : m_strPath(path) {}
CDataFile::CDataFile(const CDataFile& other) : m_strPath(other.m_strPath) {}
CDataFile& CDataFile::operator=(const CDataFile& other) {
  m_strPath = other.m_strPath;
  return *this;
}
CDataFile::~CDataFile() = default;

void CDataFile::SetPath(CString path) { m_strPath = path; }

DWORD CDataFile::GetData(const wchar_t* section, const wchar_t* key, const wchar_t* def,
                         wchar_t* buffer, DWORD size) {
  return GetPrivateProfileStringW(section, key, def, buffer, size, m_strPath);
}

BOOL CDataFile::SetData(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
  return WritePrivateProfileStringW(section, key, value, m_strPath);
}

DWORD CDataFile::GetData(const wchar_t* section, const wchar_t* key, int def, int& value) {
  CString defText;
  defText.Format(L"%d", def);
  wchar_t buffer[32] = {0};
  DWORD n = GetData(section, key, defText, buffer, 32);
  value = _wtoi(buffer);
  return n;
}

DWORD CDataFile::GetData(const wchar_t* section, const wchar_t* key, double def, double& value) {
  CString defText;
  defText.Format(L"%.2f", def);
  wchar_t buffer[512] = {0};
  DWORD n = GetData(section, key, defText, buffer, 512);
  value = _wtof(buffer);
  return n;
}

DWORD CDataFile::GetData(const wchar_t* section, const wchar_t* key, CString def, CString& value) {
  wchar_t buffer[2048] = {0};
  DWORD n = GetData(section, key, def, buffer, 2048);
  value = buffer;
  return n;
}

int CDataFile::GetData(const wchar_t* section, const wchar_t* key, int def) {
  int value = 0;
  GetData(section, key, def, value);
  return value;
}

double CDataFile::GetData(const wchar_t* section, const wchar_t* key, double def) {
  double value = 0;
  GetData(section, key, def, value);
  return value;
}

CString CDataFile::GetData(const wchar_t* section, const wchar_t* key, CString def) {
  CString value;
  GetData(section, key, def, value);
  return value;
}

BOOL CDataFile::SetData(const wchar_t* section, const wchar_t* key, int value) {
  CString text;
  text.Format(L"%d", value);
  return SetData(section, key, static_cast<const wchar_t*>(text));
}

BOOL CDataFile::SetData(const wchar_t* section, const wchar_t* key, double value) {
  CString text;
  text.Format(L"%.2f", value);
  return SetData(section, key, static_cast<const wchar_t*>(text));
}

BOOL CDataFile::SetData(const wchar_t* section, const wchar_t* key, CStringArray& values) {
  CString name(key);
  CString countKey;
  countKey.Format(L"%sCount", static_cast<LPCWSTR>(name));
  SetData(section, countKey, static_cast<int>(values.GetSize()));
  for (INT_PTR i = 0; i < values.GetSize(); ++i) {
    CString itemKey;
    itemKey.Format(L"%s%d", static_cast<LPCWSTR>(name), static_cast<int>(i + 1));
    SetData(section, itemKey, static_cast<const wchar_t*>(values[i]));
  }
  return TRUE;
}

BOOL CDataFile::GetData(const wchar_t* section, const wchar_t* key, CStringArray& values) {
  values.RemoveAll();
  CString name(key);
  CString countKey;
  countKey.Format(L"%sCount", static_cast<LPCWSTR>(name));
  // A damaged count must not make the list take all memory.
  const int kMaxItems = 1 << 20;
  int count = GetData(section, countKey, 0);
  if (count > kMaxItems) count = kMaxItems;
  for (int i = 1; i <= count; ++i) {
    CString itemKey;
    itemKey.Format(L"%s%d", static_cast<LPCWSTR>(name), i);
    values.Add(GetData(section, itemKey, CString()));
  }
  return TRUE;
}

int CDataFile::ChangeStrToArr(wchar_t* text, const wchar_t* delimiters, CStringArray& result) {
  result.RemoveAll();
  if (!text || !delimiters) return 0;
  // A tokenizer of its own: no position is kept between calls.
  wchar_t* p = text;
  for (;;) {
    p += wcsspn(p, delimiters);
    if (!*p) break;
    wchar_t* end = p + wcscspn(p, delimiters);
    bool last = *end == 0;
    *end = 0;
    result.Add(CString(p));
    if (last) break;
    p = end + 1;
  }
  return static_cast<int>(result.GetSize());
}
