// CXMLFile: the document's life (load, save, discard, clear) and the path
// walk that reads and writes settings.
#include "KavroStd/xml_file.h"

namespace {

std::wstring Wide(const CString& text) { return std::wstring(text.GetString(), static_cast<size_t>(text.GetLength())); }

// Element names hold no spaces: reads and writes both use "_" for them.
CString NoSpaces(CString text) {
  text.Replace(L" ", L"_");
  return text;
}

// section + "/" + key; the section's own trailing "/" is kept as the
// separator, and an empty section gives the key alone.
CString JoinPath(const CString& section, const CString& key) {
  if (section.IsEmpty()) return key;
  if (section[section.GetLength() - 1] == L'/') return section + key;
  return section + L"/" + key;
}

}  // namespace

CXMLFile::CXMLFile() = default;

CXMLFile::CXMLFile(CString path) {
  CoInitialize(nullptr);
  load(path, L"xmlRoot");
}

CXMLFile::CXMLFile(const CXMLFile& other)
    : m_pDoc(other.m_pDoc), m_strFilePath(other.m_strFilePath), m_strRootName(other.m_strRootName) {}

CXMLFile& CXMLFile::operator=(const CXMLFile& other) {
  m_pDoc = other.m_pDoc;
  m_strFilePath = other.m_strFilePath;
  m_strRootName = other.m_strRootName;
  return *this;
}

CXMLFile::~CXMLFile() = default;

int CXMLFile::load(CString path, CString rootName) {
  if (m_pDoc) return 0;
  m_strFilePath = Wide(path);
  if (FAILED(m_pDoc.CreateInstance(CLSID_DOMDocument30))) return 0;
  m_pDoc->Putasync(VARIANT_FALSE);
  m_strRootName = Wide(rootName);
  VARIANT_BOOL parsed;
  if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) {
    parsed = m_pDoc->load(m_strFilePath.c_str());
  } else {
    const std::wstring root = m_strRootName.empty() ? L"xmlRoot" : m_strRootName;
    parsed = m_pDoc->loadXML((L"<?xml version=\"1.0\" ?><" + root + L"></" + root + L">").c_str());
  }
  if (parsed == VARIANT_TRUE) return 2;
  // Read, not reported further.
  IXMLDOMParseErrorPtr error = m_pDoc->GetparseError();
  (void)error->GeterrorCode();
  (void)error->Getreason();
  return 1;
}

bool CXMLFile::save(CString path) {
  if (!m_pDoc) return false;
  if (!path.IsEmpty()) m_strFilePath = Wide(path);
  try {
    return SUCCEEDED(m_pDoc->save(m_strFilePath.c_str()));
  } catch (...) {
    return false;
  }
}

void CXMLFile::DiscardChanges() { m_pDoc = nullptr; }

void CXMLFile::clear() {
  m_pDoc = nullptr;
  DeleteFileW(m_strFilePath.c_str());
  load(m_strFilePath.c_str(), L"xmlRoot");
}

CString CXMLFile::GetSaveFilePath() { return CString(m_strFilePath.c_str()); }

LONG CXMLFile::GetRootElem(IXMLDOMElementPtr& root) { return m_pDoc->get_documentElement(&root); }

std::wstring* CXMLFile::ParseKeys(CString path, int& count) {
  path.Replace(L" ", L"_");
  if (!path.IsEmpty() && path[path.GetLength() - 1] == L'/') path.Truncate(path.GetLength() - 1);
  count = 1;
  for (int i = 0; i < path.GetLength(); ++i)
    if (path[i] == L'/') ++count;
  auto* names = new std::wstring[static_cast<size_t>(count)];
  int piece = 0;
  for (int i = 0; i < path.GetLength(); ++i) {
    if (path[i] == L'/') ++piece;
    else names[piece].push_back(path[i]);
  }
  return names;
}

IXMLDOMNodePtr CXMLFile::FindNode(IXMLDOMNodePtr start, std::wstring* names, int count, bool create) {
  IXMLDOMNodePtr current = start;
  // The first element this walk made: when a later piece fails, it goes
  // again with all below it, so a failed write leaves no half-made path.
  IXMLDOMNodePtr made, madeParent;
  try {
    for (int i = 0; i < count; ++i) {
      IXMLDOMNodePtr next = current->selectSingleNode(names[i].c_str());
      if (!next) {
        if (!create) return nullptr;
        IXMLDOMElementPtr element = m_pDoc->createElement(names[i].c_str());
        next = current->appendChild(element);
        if (!made) {
          made = next;
          madeParent = current;
        }
      }
      current = next;
    }
  } catch (const _com_error&) {
    if (made) madeParent->removeChild(made);
    throw;
  }
  return current;
}

LONG CXMLFile::GetNode(CString path, IXMLDOMNodePtr& node) {
  node = m_pDoc->selectSingleNode((L"//" + Wide(NoSpaces(path))).c_str());
  return node ? 0 : -1;
}

CString CXMLFile::GetNodeValue(IXMLDOMNodePtr& node) { return CString(static_cast<const wchar_t*>(node->Gettext())); }

CString CXMLFile::GetAttributes(IXMLDOMNodePtr& node, CString name) {
  IXMLDOMElementPtr element = node;
  if (!element) {
    if (!node) _com_issue_error(E_POINTER);
    return CString();
  }
  _variant_t value = element->getAttribute(name.GetString());
  if (value.vt != VT_BSTR) return CString();
  return CString(value.bstrVal);
}

LONG CXMLFile::GetNodeValue(CString section, CString key, CString def, std::wstring& text, CString attrName,
                            CString attrDef, std::wstring& attr) {
  text = Wide(def);
  IXMLDOMNodePtr node;
  if (GetNode(JoinPath(section, key), node) != 0) return -1;
  text = Wide(GetNodeValue(node));
  if (!attrName.IsEmpty()) {
    IXMLDOMElementPtr element = node;
    _variant_t value;
    if (element) value = element->getAttribute(attrName.GetString());
    attr = value.vt == VT_BSTR ? std::wstring(value.bstrVal, SysStringLen(value.bstrVal)) : Wide(attrDef);
  }
  return 0;
}

LONG CXMLFile::SetNodeValue(CString section, CString key, CString text, CString attrName, CString attrValue) {
  int count = 0;
  std::wstring* names = ParseKeys(JoinPath(section, key), count);
  struct Free {
    std::wstring* names;
    ~Free() { delete[] names; }
  } freeNames{names};
  if (!m_pDoc) return -2;
  IXMLDOMElementPtr root;
  GetRootElem(root);
  if (!root) return 0;
  IXMLDOMNodePtr node = FindNode(IXMLDOMNodePtr(root), names, count, true);
  if (!node) return -2;
  HRESULT hr = S_OK;
  if (!text.IsEmpty()) {
    _bstr_t value(text.GetString());
    hr = node->put_text(value);
  }
  if (!attrName.IsEmpty()) {
    IXMLDOMElementPtr element = node;
    if (!element) _com_issue_error(E_NOINTERFACE);
    element->setAttribute(attrName.GetString(), attrValue.GetString());
  }
  return FAILED(hr) ? -3 : 0;
}

LONG CXMLFile::DeleteSetting(CString section, CString key) {
  int count = 0;
  std::wstring* names = ParseKeys(JoinPath(section, key), count);
  struct Free {
    std::wstring* names;
    ~Free() { delete[] names; }
  } freeNames{names};
  IXMLDOMElementPtr root;
  GetRootElem(root);
  IXMLDOMNodePtr node = FindNode(IXMLDOMNodePtr(root), names, count, false);
  if (node) {
    IXMLDOMNodePtr parent = node->GetparentNode();
    if (parent) parent->removeChild(node);
  }
  return -1;
}

namespace {

// The node at a path below the root (the root for an empty path); raises
// _com_error when the path does not exist.
IXMLDOMNodePtr NodeAt(CXMLFile& file, CString path) {
  IXMLDOMElementPtr root;
  file.GetRootElem(root);
  IXMLDOMNodePtr start(root);
  if (path.IsEmpty()) {
    if (!start) _com_issue_error(E_POINTER);
    return start;
  }
  int count = 0;
  std::wstring* names = file.ParseKeys(path, count);
  IXMLDOMNodePtr node;
  try {
    node = file.FindNode(start, names, count, false);
  } catch (...) {
    delete[] names;
    throw;
  }
  delete[] names;
  if (!node) _com_issue_error(E_POINTER);
  return node;
}

}  // namespace

LONG CXMLFile::GetKeys(CString path, std::vector<std::wstring>& keys) {
  if (!m_pDoc) return -1;
  IXMLDOMNodeListPtr children = NodeAt(*this, path)->GetchildNodes();
  for (LONG i = 0, n = children->Getlength(); i < n; ++i) {
    _bstr_t name = children->Getitem(i)->GetnodeName();
    keys.emplace_back(static_cast<const wchar_t*>(name), name.length());
  }
  return 0;
}

LONG CXMLFile::GetKeysValue(CString path, CStringArray& values) {
  if (!m_pDoc) return -1;
  IXMLDOMNodeListPtr children = NodeAt(*this, path)->GetchildNodes();
  for (LONG i = 0, n = children->Getlength(); i < n; ++i) {
    _bstr_t text = children->Getitem(i)->Gettext();
    values.Add(CString(text.length() ? static_cast<const wchar_t*>(text) : L""));
  }
  return 0;
}
