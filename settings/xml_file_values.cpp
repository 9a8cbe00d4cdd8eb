// CXMLFile: strings, attributes, numbers and lists over the element reads
// and writes.
#include "KavroStd/xml_file.h"

std::wstring CXMLFile::GetString(CString section, CString key, CString def) {
  std::wstring text, attr;
  GetNodeValue(section, key, def, text, CString(), CString(), attr);
  return text;
}

std::wstring CXMLFile::GetAttribute(CString section, CString key, CString attrName, CString attrDef) {
  std::wstring text, attr;
  GetNodeValue(section, key, CString(), text, attrName, attrDef, attr);
  return attr;
}

LONG CXMLFile::SetString(CString section, CString key, CString text) {
  return SetNodeValue(section, key, text, CString(), CString());
}

LONG CXMLFile::SetAttribute(CString section, CString key, CString attrName, CString attrValue) {
  return SetNodeValue(section, key, CString(), attrName, attrValue);
}

LONG CXMLFile::GetLong(CString section, CString key, LONG def) {
  CString defText;
  defText.Format(L"%d", def);
  return _wtol(GetString(section, key, defText).c_str());
}

LONG CXMLFile::SetLong(CString section, CString key, LONG value) {
  CString text;
  text.Format(L"%d", value);
  return SetString(section, key, text);
}

int CXMLFile::GetData(const wchar_t* section, const wchar_t* key, int def, int& value) {
  value = GetLong(section, key, def);
  return TRUE;
}

int CXMLFile::GetData(const wchar_t* section, const wchar_t* key, int def) { return GetLong(section, key, def); }

int CXMLFile::GetData(const wchar_t* section, const wchar_t* key, double def, double& value) {
  CString defText;
  defText.Format(L"%.6f", def);
  value = _wtof(GetString(section, key, defText).c_str());
  return TRUE;
}

double CXMLFile::GetData(const wchar_t* section, const wchar_t* key, double def) {
  double value = 0;
  GetData(section, key, def, value);
  return value;
}

int CXMLFile::GetData(const wchar_t* section, const wchar_t* key, CString def, CString& value) {
  value = GetString(section, key, def).c_str();
  return TRUE;
}

CString CXMLFile::GetData(const wchar_t* section, const wchar_t* key, CString def) {
  return CString(GetString(section, key, def).c_str());
}

int CXMLFile::SetData(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
  SetString(section, key, value);
  return TRUE;
}

int CXMLFile::SetData(const wchar_t* section, const wchar_t* key, double value) {
  CString text;
  text.Format(L"%.6f", value);
  SetString(section, key, text);
  return TRUE;
}

int CXMLFile::SetData(const wchar_t* section, const wchar_t* key, int value) {
  SetLong(section, key, value);
  return TRUE;
}

void CXMLFile::SaveAllDataToXML(CStringArray& list, CString section, CString key) {
  const int count = static_cast<int>(list.GetSize());
  SetData(section, key + L"nCount", count);
  for (int i = 0; i < count; ++i) {
    CString item;
    item.Format(L"%sItem%d", key.GetString(), i);
    SetData(section, item, list[i].GetString());
  }
}

void CXMLFile::LoadAllDataToXML(CStringArray& list, CString section, CString key) {
  const int count = GetData(section, key + L"nCount", 0);
  list.RemoveAll();
  for (int i = 0; i < count; ++i) {
    CString item;
    item.Format(L"%sItem%d", key.GetString(), i);
    list.Add(GetData(section, item, CString()));
  }
}
