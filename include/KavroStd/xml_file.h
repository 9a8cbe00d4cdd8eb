/// @file
/// CXMLFile: settings kept in one XML file, addressed by a section path
/// ("Draw/Line": nested elements below the root element) and a key (one more
/// element); a setting's value is the element's text, further values sit in
/// its attributes.
///
///   CXMLFile xml(L"Z:\\opt\\kavro\\Support\\Location\\Draw.xml");
///   xml.SetString(L"Draw/Line", L"Color", L"red");     // creates the elements
///   std::wstring c = xml.GetString(L"Line", L"Color", L"x");  // "red": found anywhere
///   xml.SetData(L"Draw/Line", L"Width", 0.5);          // "0.500000"
///   xml.save(L"");                                     // atomic replace
///
/// The document lives in memory (the layer's MSXML-shaped DOM) until save.
/// Writes walk down from the root element, creating what is missing; reads
/// query the whole document for the first element matching "//section/key".
/// Spaces in section and key names become "_" in reads and writes alike (an
/// element name holds none). Numbers are written as "%d" and "%.6f" and read
/// back in the "C" locale whatever the user's locale. Section and key pieces
/// go into XPath queries and element names: a piece that is neither (such as
/// "1abc" or "a[") makes the DOM raise _com_error (E_FAIL), which CXMLFile
/// lets through, as it does for reads and walks on an object holding no
/// document (E_POINTER); save alone catches everything and returns false.
/// Copies share one document. Meant for one thread at a time.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <string>
#include <vector>

#include "KavroStd/platform/windows.h"

/// Settings in one XML file, addressed by section path and key.
class KVSTD_API CXMLFile {
 public:
  /// No document: call load first.
  CXMLFile();
  /// Enters the thread into a COM apartment, then load(path, "xmlRoot").
  CXMLFile(CString path);
  ///@{
  /// Copies share the document (and see each other's changes).
  CXMLFile(const CXMLFile& other);
  CXMLFile& operator=(const CXMLFile& other);
  ///@}
  /// Releases the document without saving.
  virtual ~CXMLFile();

  /// 0 when a document is already held (nothing changes) or the DOM cannot be
  /// made; otherwise parses the file, or makes a new document
  /// <?xml version="1.0" ?><root></root> (root "xmlRoot" when empty) when the
  /// file does not exist: 2 when that succeeded, 1 when the file did not
  /// parse (the object then holds an empty document).
  int load(CString path, CString rootName);
  /// Saves atomically to path (which becomes the stored path), or to the
  /// stored path when path is empty. false when no document is held or the
  /// save failed (nothing is thrown).
  bool save(CString path = CString());
  /// Drops the document and every unsaved change.
  void DiscardChanges();
  ///@{
  /// Deletes the stored file and starts a new empty "xmlRoot" document.
  void clear();
  ///@}
  ///@{
  /// The stored path (where save writes by default).
  CString GetSaveFilePath();
  ///@}
  /// The root element through the argument; the DOM call's HRESULT.
  LONG GetRootElem(IXMLDOMElementPtr& root);

  /// Splits "A/B/C" into names (spaces become "_", one trailing "/" goes);
  /// a new array the caller frees with delete[]; count set.
  std::wstring* ParseKeys(CString path, int& count);
  /// Walks down from start by names, creating missing elements when create;
  /// the last node reached, or null. A count of 0 gives start. When a piece
  /// raises _com_error, the elements this walk made are removed first.
  IXMLDOMNodePtr FindNode(IXMLDOMNodePtr start, std::wstring* names, int count, bool create);
  ///@{
  /// The first element anywhere matching the path: 0 and the node, or -1
  /// and null.
  LONG GetNode(CString path, IXMLDOMNodePtr& node);
  ///@}
  ///@{
  /// The node's text.
  static CString GetNodeValue(IXMLDOMNodePtr& node);
  ///@}
  /// The attribute's text, or empty when the element has no such attribute.
  static CString GetAttributes(IXMLDOMNodePtr& node, CString name);
  /// Reads the element section/key: text (the default when missing) and,
  /// when attrName is given, the attribute (attrDef when the element lacks
  /// it; untouched when the element is missing). 0 found, -1 missing.
  LONG GetNodeValue(CString section, CString key, CString def, std::wstring& text, CString attrName,
                    CString attrDef, std::wstring& attr);
  /// Writes the element section/key, creating it: the text when not empty,
  /// the attribute when attrName is given. 0 (also when the document has no
  /// root element: nothing written), -2 no document or no element reached,
  /// -3 the text could not be set. An empty section means the root element.
  LONG SetNodeValue(CString section, CString key, CString text, CString attrName, CString attrValue);
  /// Removes the element section/key with all below it. Always -1.
  LONG DeleteSetting(CString section, CString key);
  ///@{
  /// The names (GetKeys) or texts (GetKeysValue) of the child nodes of the
  /// element at the path below the root (the root itself for an empty
  /// path), appended in document order. -1 without a document, else 0; a
  /// missing path raises _com_error.
  LONG GetKeys(CString path, std::vector<std::wstring>& keys);
  LONG GetKeysValue(CString path, CStringArray& values);
  ///@}

  /// The element's text, def when the element is missing.
  std::wstring GetString(CString section, CString key, CString def);
  ///@{
  /// The attribute, attrDef when the element lacks it, empty when the
  /// element is missing.
  std::wstring GetAttribute(CString section, CString key, CString attrName, CString attrDef);
  ///@}
  ///@{
  /// Writes the element's text, creating the element; as SetNodeValue.
  LONG SetString(CString section, CString key, CString text);
  ///@}
  ///@{
  /// Writes the element's attribute, creating the element; as SetNodeValue.
  LONG SetAttribute(CString section, CString key, CString attrName, CString attrValue);
  ///@}

  /// The element's text as a number ("C" locale), def when missing.
  LONG GetLong(CString section, CString key, LONG def);
  /// Writes value as "%d"; as SetNodeValue.
  LONG SetLong(CString section, CString key, LONG value);
  ///@{
  /// Typed reads, as GetString with the default def: the value through value
  /// (the result then always TRUE) or as the result.
  int GetData(const wchar_t* section, const wchar_t* key, int def, int& value);
  int GetData(const wchar_t* section, const wchar_t* key, int def);
  int GetData(const wchar_t* section, const wchar_t* key, double def, double& value);
  double GetData(const wchar_t* section, const wchar_t* key, double def);
  int GetData(const wchar_t* section, const wchar_t* key, CString def, CString& value);
  CString GetData(const wchar_t* section, const wchar_t* key, CString def);
  ///@}
  ///@{
  /// TRUE whatever the write gave.
  int SetData(const wchar_t* section, const wchar_t* key, const wchar_t* value);
  int SetData(const wchar_t* section, const wchar_t* key, double value);
  int SetData(const wchar_t* section, const wchar_t* key, int value);
  ///@}

  ///@{
  /// A list as key+"nCount" and key+"Item0".. key+"Item<N-1>" in section.
  void SaveAllDataToXML(CStringArray& list, CString section, CString key);
  ///@}
  ///@{
  /// Reads such a list into list (emptied first; empty when no count is
  /// stored).
  void LoadAllDataToXML(CStringArray& list, CString section, CString key);
  ///@}

  IXMLDOMDocumentPtr m_pDoc;  ///< the document; null before load
  std::wstring m_strFilePath;  ///< the stored path
  std::wstring m_strRootName;  ///< the root element's name for new documents
};
