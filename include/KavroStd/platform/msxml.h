/// @file
/// @ingroup platform_layer
/// The XML DOM in the shape of the MSXML 3.0 DOMDocument: documents, nodes,
/// elements, attributes, node lists, attribute maps and the parse error, with
/// the raw methods (HRESULT results) and the smart-pointer forms that return
/// their value and throw _com_error on failure, as Windows' generated headers
/// have them. The parser and XPath are libxml2's.
///
///   IXMLDOMDocumentPtr doc;
///   doc.CreateInstance(L"Msxml2.DOMDocument.3.0");
///   if (doc->load(L"Z:\\srv\\settings.xml") == VARIANT_TRUE) {
///     IXMLDOMNodePtr color = doc->selectSingleNode(L"//Draw/Line/Color");
///     if (color) color->Puttext(L"blue");
///     doc->save(L"Z:\\srv\\settings.xml");       // atomic replace
///   } else {
///     long code = doc->GetparseError()->GeterrorCode();
///   }
///
/// Properties are methods: Windows' `node->text` is `node->Gettext()` and
/// `node->Puttext(v)`; the raw forms are `get_text`/`put_text`. Queries are
/// XPath 1.0 (selectSingleNode, selectNodes). Files are read and written
/// through the layer's path mapping; `save` writes the encoding the
/// document's declaration names (UTF-8 when it names none) and replaces the
/// file atomically. Loading never touches the network or reads external
/// entities or DTDs; entity expansion is bounded. Layout whitespace between
/// elements is kept in the document (so a saved file keeps its layout) but
/// is not shown as nodes unless preserveWhiteSpace is set. A node keeps its
/// document alive; objects are for one thread at a time.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/com.h"
#include "KavroStd/platform/comdef.h"
#include "KavroStd/platform/comutil.h"

enum DOMNodeType {
  NODE_INVALID = 0,
  NODE_ELEMENT = 1,
  NODE_ATTRIBUTE = 2,
  NODE_TEXT = 3,
  NODE_CDATA_SECTION = 4,
  NODE_ENTITY_REFERENCE = 5,
  NODE_ENTITY = 6,
  NODE_PROCESSING_INSTRUCTION = 7,
  NODE_COMMENT = 8,
  NODE_DOCUMENT = 9,
  NODE_DOCUMENT_TYPE = 10,
  NODE_DOCUMENT_FRAGMENT = 11,
  NODE_NOTATION = 12,
};

struct IXMLDOMNode;
struct IXMLDOMNodeList;
struct IXMLDOMNamedNodeMap;
struct IXMLDOMDocument;
struct IXMLDOMElement;
struct IXMLDOMAttribute;
struct IXMLDOMText;
struct IXMLDOMComment;
struct IXMLDOMCDATASection;
struct IXMLDOMProcessingInstruction;
struct IXMLDOMParseError;
_COM_SMARTPTR_TYPEDEF(IXMLDOMNode, IXMLDOMNode::kvIid);
_COM_SMARTPTR_TYPEDEF(IXMLDOMNodeList, IXMLDOMNodeList::kvIid);
_COM_SMARTPTR_TYPEDEF(IXMLDOMNamedNodeMap, IXMLDOMNamedNodeMap::kvIid);
_COM_SMARTPTR_TYPEDEF(IXMLDOMDocument, IXMLDOMDocument::kvIid);
_COM_SMARTPTR_TYPEDEF(IXMLDOMElement, IXMLDOMElement::kvIid);
_COM_SMARTPTR_TYPEDEF(IXMLDOMAttribute, IXMLDOMAttribute::kvIid);
_COM_SMARTPTR_TYPEDEF(IXMLDOMText, IXMLDOMText::kvIid);
_COM_SMARTPTR_TYPEDEF(IXMLDOMComment, IXMLDOMComment::kvIid);
_COM_SMARTPTR_TYPEDEF(IXMLDOMCDATASection, IXMLDOMCDATASection::kvIid);
_COM_SMARTPTR_TYPEDEF(IXMLDOMProcessingInstruction, IXMLDOMProcessingInstruction::kvIid);
_COM_SMARTPTR_TYPEDEF(IXMLDOMParseError, IXMLDOMParseError::kvIid);
typedef IXMLDOMDocument IXMLDOMDocument2;
typedef IXMLDOMDocumentPtr IXMLDOMDocument2Ptr;

#define KV_MSXML_IID(n) {0x2933BF80 + (n), 0x7B36, 0x11d2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}}

/// A node of any type. Failures set the thread's error information
/// (GetErrorInfo), which _com_error's Description() reads.
struct IXMLDOMNode : IUnknown {
  static constexpr GUID kvIid = KV_MSXML_IID(0);
  /// "#text", "#comment", "#document", "#cdata-section", or the name.
  virtual HRESULT get_nodeName(BSTR* name) = 0;
  /// The text of a text, comment, CDATA, attribute or processing-instruction
  /// node; VT_NULL for elements and documents.
  virtual HRESULT get_nodeValue(VARIANT* value) = 0;
  virtual HRESULT put_nodeValue(VARIANT value) = 0;
  virtual HRESULT get_nodeType(DOMNodeType* type) = 0;
  virtual HRESULT get_parentNode(IXMLDOMNode** parent) = 0;
  virtual HRESULT get_childNodes(IXMLDOMNodeList** children) = 0;
  virtual HRESULT get_firstChild(IXMLDOMNode** child) = 0;
  virtual HRESULT get_lastChild(IXMLDOMNode** child) = 0;
  virtual HRESULT get_previousSibling(IXMLDOMNode** sibling) = 0;
  virtual HRESULT get_nextSibling(IXMLDOMNode** sibling) = 0;
  virtual HRESULT get_attributes(IXMLDOMNamedNodeMap** attributes) = 0;
  /// Moves newChild (from anywhere in the same document) before refChild
  /// (an IXMLDOMNode in VT_UNKNOWN) or to the end (VT_EMPTY/VT_NULL).
  virtual HRESULT raw_insertBefore(IXMLDOMNode* newChild, VARIANT refChild, IXMLDOMNode** out) = 0;
  /// Takes the child out of the tree; it stays usable and can be added again.
  virtual HRESULT raw_removeChild(IXMLDOMNode* child, IXMLDOMNode** out) = 0;
  virtual HRESULT raw_appendChild(IXMLDOMNode* newChild, IXMLDOMNode** out) = 0;
  virtual HRESULT raw_hasChildNodes(VARIANT_BOOL* has) = 0;
  virtual HRESULT get_ownerDocument(IXMLDOMDocument** document) = 0;
  virtual HRESULT raw_cloneNode(VARIANT_BOOL deep, IXMLDOMNode** clone) = 0;
  /// The text of the node and everything below it; setting it replaces an
  /// element's content with one text node.
  virtual HRESULT get_text(BSTR* text) = 0;
  virtual HRESULT put_text(BSTR text) = 0;
  /// The node written as XML (no declaration for a document's own).
  virtual HRESULT get_xml(BSTR* xml) = 0;
  /// XPath 1.0 from this node; E_FAIL for an invalid expression.
  virtual HRESULT raw_selectNodes(BSTR query, IXMLDOMNodeList** nodes) = 0;
  /// S_FALSE and null when nothing matches.
  virtual HRESULT raw_selectSingleNode(BSTR query, IXMLDOMNode** node) = 0;

  _bstr_t GetnodeName();
  _variant_t GetnodeValue();
  void PutnodeValue(const _variant_t& value);
  DOMNodeType GetnodeType();
  IXMLDOMNodePtr GetparentNode();
  IXMLDOMNodeListPtr GetchildNodes();
  IXMLDOMNodePtr GetfirstChild();
  IXMLDOMNodePtr GetlastChild();
  IXMLDOMNodePtr GetpreviousSibling();
  IXMLDOMNodePtr GetnextSibling();
  IXMLDOMNamedNodeMapPtr Getattributes();
  IXMLDOMNodePtr insertBefore(IXMLDOMNode* newChild, const _variant_t& refChild);
  IXMLDOMNodePtr removeChild(IXMLDOMNode* child);
  IXMLDOMNodePtr appendChild(IXMLDOMNode* newChild);
  VARIANT_BOOL hasChildNodes();
  IXMLDOMDocumentPtr GetownerDocument();
  IXMLDOMNodePtr cloneNode(VARIANT_BOOL deep);
  _bstr_t Gettext();
  void Puttext(_bstr_t text);
  _bstr_t Getxml();
  IXMLDOMNodeListPtr selectNodes(_bstr_t query);
  IXMLDOMNodePtr selectSingleNode(_bstr_t query);

 protected:
  ~IXMLDOMNode() = default;
};

/// Nodes in document order; item beyond the end gives S_FALSE and null.
struct IXMLDOMNodeList : IUnknown {
  static constexpr GUID kvIid = KV_MSXML_IID(2);
  virtual HRESULT get_item(LONG index, IXMLDOMNode** node) = 0;
  virtual HRESULT get_length(LONG* length) = 0;
  virtual HRESULT raw_nextNode(IXMLDOMNode** node) = 0;
  virtual HRESULT raw_reset() = 0;

  IXMLDOMNodePtr Getitem(LONG index);
  LONG Getlength();
  IXMLDOMNodePtr nextNode();
  void reset();

 protected:
  ~IXMLDOMNodeList() = default;
};

/// The attributes of an element.
struct IXMLDOMNamedNodeMap : IUnknown {
  static constexpr GUID kvIid = KV_MSXML_IID(3);
  virtual HRESULT raw_getNamedItem(BSTR name, IXMLDOMNode** node) = 0;
  virtual HRESULT get_item(LONG index, IXMLDOMNode** node) = 0;
  virtual HRESULT get_length(LONG* length) = 0;
  virtual HRESULT raw_nextNode(IXMLDOMNode** node) = 0;
  virtual HRESULT raw_reset() = 0;

  IXMLDOMNodePtr getNamedItem(_bstr_t name);
  IXMLDOMNodePtr Getitem(LONG index);
  LONG Getlength();
  IXMLDOMNodePtr nextNode();
  void reset();

 protected:
  ~IXMLDOMNamedNodeMap() = default;
};

struct IXMLDOMAttribute : IXMLDOMNode {
  static constexpr GUID kvIid = KV_MSXML_IID(5);
  virtual HRESULT get_name(BSTR* name) = 0;
  virtual HRESULT get_value(VARIANT* value) = 0;
  virtual HRESULT put_value(VARIANT value) = 0;

  _bstr_t Getname();
  _variant_t Getvalue();
  void Putvalue(const _variant_t& value);

 protected:
  ~IXMLDOMAttribute() = default;
};

struct IXMLDOMElement : IXMLDOMNode {
  static constexpr GUID kvIid = KV_MSXML_IID(6);
  virtual HRESULT get_tagName(BSTR* name) = 0;
  /// The attribute's text as VT_BSTR, or VT_NULL with S_FALSE when the
  /// element has no such attribute.
  virtual HRESULT raw_getAttribute(BSTR name, VARIANT* value) = 0;
  /// Sets the attribute to the value converted to text (E_FAIL for a name
  /// that is not an XML name).
  virtual HRESULT raw_setAttribute(BSTR name, VARIANT value) = 0;
  virtual HRESULT raw_removeAttribute(BSTR name) = 0;
  /// The elements of that name below this one ("*" for all), in document order.
  virtual HRESULT raw_getElementsByTagName(BSTR name, IXMLDOMNodeList** nodes) = 0;

  _bstr_t GettagName();
  _variant_t getAttribute(_bstr_t name);
  HRESULT setAttribute(_bstr_t name, const _variant_t& value);
  HRESULT removeAttribute(_bstr_t name);
  IXMLDOMNodeListPtr getElementsByTagName(_bstr_t name);

 protected:
  ~IXMLDOMElement() = default;
};

struct IXMLDOMText : IXMLDOMNode {
  static constexpr GUID kvIid = KV_MSXML_IID(7);

 protected:
  ~IXMLDOMText() = default;
};
struct IXMLDOMComment : IXMLDOMNode {
  static constexpr GUID kvIid = KV_MSXML_IID(8);

 protected:
  ~IXMLDOMComment() = default;
};
struct IXMLDOMProcessingInstruction : IXMLDOMNode {
  static constexpr GUID kvIid = KV_MSXML_IID(9);

 protected:
  ~IXMLDOMProcessingInstruction() = default;
};
struct IXMLDOMCDATASection : IXMLDOMNode {
  static constexpr GUID kvIid = KV_MSXML_IID(10);

 protected:
  ~IXMLDOMCDATASection() = default;
};

/// Why the last load failed. errorCode is 0 after a successful load, E_FAIL
/// (0x80004005) for a document that is not well-formed or is refused (DTD
/// loading, entity expansion beyond the limits), 0x800C0006 for a file that
/// cannot be found or read; reason is the parser's message, line and linepos
/// count from 1, filepos from 0.
struct IXMLDOMParseError : IUnknown {
  static constexpr GUID kvIid = {0x3efaa426, 0x272f, 0x11d2, {0x83, 0x6f, 0x00, 0x00, 0xf8, 0x7a, 0x77, 0x82}};
  virtual HRESULT get_errorCode(LONG* code) = 0;
  virtual HRESULT get_url(BSTR* url) = 0;
  virtual HRESULT get_reason(BSTR* reason) = 0;
  virtual HRESULT get_srcText(BSTR* text) = 0;
  virtual HRESULT get_line(LONG* line) = 0;
  virtual HRESULT get_linepos(LONG* position) = 0;
  virtual HRESULT get_filepos(LONG* position) = 0;

  LONG GeterrorCode();
  _bstr_t Geturl();
  _bstr_t Getreason();
  _bstr_t GetsrcText();
  LONG Getline();
  LONG Getlinepos();
  LONG Getfilepos();

 protected:
  ~IXMLDOMParseError() = default;
};

/// The document. A new one is empty (no document element).
struct IXMLDOMDocument : IXMLDOMNode {
  static constexpr GUID kvIid = KV_MSXML_IID(1);
  virtual HRESULT get_documentElement(IXMLDOMElement** element) = 0;
  virtual HRESULT putref_documentElement(IXMLDOMElement* element) = 0;
  /// E_FAIL for a name that is not an XML name.
  virtual HRESULT raw_createElement(BSTR tagName, IXMLDOMElement** element) = 0;
  virtual HRESULT raw_createTextNode(BSTR data, IXMLDOMText** text) = 0;
  virtual HRESULT raw_createComment(BSTR data, IXMLDOMComment** comment) = 0;
  virtual HRESULT raw_createCDATASection(BSTR data, IXMLDOMCDATASection** section) = 0;
  virtual HRESULT raw_createProcessingInstruction(BSTR target, BSTR data,
                                                  IXMLDOMProcessingInstruction** instruction) = 0;
  virtual HRESULT raw_getElementsByTagName(BSTR name, IXMLDOMNodeList** nodes) = 0;
  virtual HRESULT get_parseError(IXMLDOMParseError** error) = 0;
  /// Loads a file (VT_BSTR path, Windows or POSIX form). *ok VARIANT_FALSE
  /// and S_FALSE when it fails: the document is then empty and parseError
  /// tells why.
  virtual HRESULT raw_load(VARIANT source, VARIANT_BOOL* ok) = 0;
  virtual HRESULT raw_loadXML(BSTR xml, VARIANT_BOOL* ok) = 0;
  /// Writes the document to a file (VT_BSTR path) in the encoding its
  /// declaration names, replacing the file atomically; E_FAIL (with the
  /// reason in the error information) when it cannot.
  virtual HRESULT raw_save(VARIANT destination) = 0;
  /// Loading is always synchronous; async is kept and reported only.
  virtual HRESULT get_async(VARIANT_BOOL* async) = 0;
  virtual HRESULT put_async(VARIANT_BOOL async) = 0;
  virtual HRESULT get_preserveWhiteSpace(VARIANT_BOOL* preserve) = 0;
  virtual HRESULT put_preserveWhiteSpace(VARIANT_BOOL preserve) = 0;
  /// Validation is not offered: validateOnParse is kept and reported only.
  virtual HRESULT get_validateOnParse(VARIANT_BOOL* validate) = 0;
  virtual HRESULT put_validateOnParse(VARIANT_BOOL validate) = 0;
  /// External resources are never read: setting resolveExternals is
  /// accepted and changes nothing; it reads false.
  virtual HRESULT get_resolveExternals(VARIANT_BOOL* resolve) = 0;
  virtual HRESULT put_resolveExternals(VARIANT_BOOL resolve) = 0;
  /// "SelectionLanguage" ("XPath" only; "XSLPattern" is taken as XPath),
  /// "SelectionNamespaces" ("xmlns:p='uri' ..." for prefixes in queries).
  virtual HRESULT raw_setProperty(BSTR name, VARIANT value) = 0;
  virtual HRESULT raw_getProperty(BSTR name, VARIANT* value) = 0;

  IXMLDOMElementPtr GetdocumentElement();
  void PutRefdocumentElement(IXMLDOMElement* element);
  IXMLDOMElementPtr createElement(_bstr_t tagName);
  IXMLDOMTextPtr createTextNode(_bstr_t data);
  IXMLDOMCommentPtr createComment(_bstr_t data);
  IXMLDOMCDATASectionPtr createCDATASection(_bstr_t data);
  IXMLDOMProcessingInstructionPtr createProcessingInstruction(_bstr_t target, _bstr_t data);
  IXMLDOMNodeListPtr getElementsByTagName(_bstr_t name);
  IXMLDOMParseErrorPtr GetparseError();
  VARIANT_BOOL load(const _variant_t& source);
  VARIANT_BOOL loadXML(_bstr_t xml);
  HRESULT save(const _variant_t& destination);
  VARIANT_BOOL Getasync();
  void Putasync(VARIANT_BOOL async);
  VARIANT_BOOL GetpreserveWhiteSpace();
  void PutpreserveWhiteSpace(VARIANT_BOOL preserve);
  VARIANT_BOOL GetvalidateOnParse();
  void PutvalidateOnParse(VARIANT_BOOL validate);
  VARIANT_BOOL GetresolveExternals();
  void PutresolveExternals(VARIANT_BOOL resolve);
  HRESULT setProperty(_bstr_t name, const _variant_t& value);
  _variant_t getProperty(_bstr_t name);

 protected:
  ~IXMLDOMDocument() = default;
};

/// The document classes (all the same implementation) and their ProgIDs:
/// "Msxml2.DOMDocument.3.0"; "Msxml2.DOMDocument", "Microsoft.XMLDOM",
/// "MSXML.DOMDocument"; "Msxml2.DOMDocument.6.0".
constexpr CLSID CLSID_DOMDocument30 = {0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};
constexpr CLSID CLSID_DOMDocument = {0x2933BF90, 0x7B36, 0x11d2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr CLSID CLSID_DOMDocument60 = {0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
/// The document classes as types, for __uuidof(DOMDocument30).
struct DOMDocument30 {
  static constexpr GUID kvIid = CLSID_DOMDocument30;
};
struct DOMDocument {
  static constexpr GUID kvIid = CLSID_DOMDocument;
};
struct DOMDocument60 {
  static constexpr GUID kvIid = CLSID_DOMDocument60;
};
constexpr IID IID_IXMLDOMNode = IXMLDOMNode::kvIid;
constexpr IID IID_IXMLDOMDocument = IXMLDOMDocument::kvIid;
constexpr IID IID_IXMLDOMElement = IXMLDOMElement::kvIid;
constexpr IID IID_IXMLDOMNodeList = IXMLDOMNodeList::kvIid;
constexpr IID IID_IXMLDOMNamedNodeMap = IXMLDOMNamedNodeMap::kvIid;
constexpr IID IID_IXMLDOMAttribute = IXMLDOMAttribute::kvIid;
constexpr IID IID_IXMLDOMParseError = IXMLDOMParseError::kvIid;

// ---- The smart-pointer forms: the raw call, _com_error on failure ----

inline _bstr_t IXMLDOMNode::GetnodeName() {
  BSTR out = nullptr;
  HRESULT hr = get_nodeName(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return _bstr_t(out, false);
}

inline _variant_t IXMLDOMNode::GetnodeValue() {
  VARIANT out;
  VariantInit(&out);
  HRESULT hr = get_nodeValue(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  _variant_t value;
  value.Attach(out);
  return value;
}

inline void IXMLDOMNode::PutnodeValue(const _variant_t& value) {
  HRESULT hr = put_nodeValue(value);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
}

inline DOMNodeType IXMLDOMNode::GetnodeType() {
  DOMNodeType out{};
  HRESULT hr = get_nodeType(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return out;
}

inline IXMLDOMNodePtr IXMLDOMNode::GetparentNode() {
  IXMLDOMNode* out = nullptr;
  HRESULT hr = get_parentNode(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodePtr(out, false);
}

inline IXMLDOMNodePtr IXMLDOMNode::GetfirstChild() {
  IXMLDOMNode* out = nullptr;
  HRESULT hr = get_firstChild(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodePtr(out, false);
}

inline IXMLDOMNodePtr IXMLDOMNode::GetlastChild() {
  IXMLDOMNode* out = nullptr;
  HRESULT hr = get_lastChild(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodePtr(out, false);
}

inline IXMLDOMNodePtr IXMLDOMNode::GetpreviousSibling() {
  IXMLDOMNode* out = nullptr;
  HRESULT hr = get_previousSibling(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodePtr(out, false);
}

inline IXMLDOMNodePtr IXMLDOMNode::GetnextSibling() {
  IXMLDOMNode* out = nullptr;
  HRESULT hr = get_nextSibling(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodePtr(out, false);
}

inline IXMLDOMNodeListPtr IXMLDOMNode::GetchildNodes() {
  IXMLDOMNodeList* out = nullptr;
  HRESULT hr = get_childNodes(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodeListPtr(out, false);
}

inline IXMLDOMNamedNodeMapPtr IXMLDOMNode::Getattributes() {
  IXMLDOMNamedNodeMap* out = nullptr;
  HRESULT hr = get_attributes(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNamedNodeMapPtr(out, false);
}

inline IXMLDOMNodePtr IXMLDOMNode::insertBefore(IXMLDOMNode* newChild, const _variant_t& refChild) {
  IXMLDOMNode* out = nullptr;
  HRESULT hr = raw_insertBefore(newChild, refChild, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodePtr(out, false);
}

inline IXMLDOMNodePtr IXMLDOMNode::removeChild(IXMLDOMNode* child) {
  IXMLDOMNode* out = nullptr;
  HRESULT hr = raw_removeChild(child, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodePtr(out, false);
}

inline IXMLDOMNodePtr IXMLDOMNode::appendChild(IXMLDOMNode* newChild) {
  IXMLDOMNode* out = nullptr;
  HRESULT hr = raw_appendChild(newChild, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodePtr(out, false);
}

inline VARIANT_BOOL IXMLDOMNode::hasChildNodes() {
  VARIANT_BOOL out = VARIANT_FALSE;
  HRESULT hr = raw_hasChildNodes(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return out;
}

inline IXMLDOMDocumentPtr IXMLDOMNode::GetownerDocument() {
  IXMLDOMDocument* out = nullptr;
  HRESULT hr = get_ownerDocument(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMDocumentPtr(out, false);
}

inline IXMLDOMNodePtr IXMLDOMNode::cloneNode(VARIANT_BOOL deep) {
  IXMLDOMNode* out = nullptr;
  HRESULT hr = raw_cloneNode(deep, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodePtr(out, false);
}

inline _bstr_t IXMLDOMNode::Gettext() {
  BSTR out = nullptr;
  HRESULT hr = get_text(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return _bstr_t(out, false);
}

inline void IXMLDOMNode::Puttext(_bstr_t value) {
  HRESULT hr = put_text(value);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
}

inline _bstr_t IXMLDOMNode::Getxml() {
  BSTR out = nullptr;
  HRESULT hr = get_xml(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return _bstr_t(out, false);
}

inline IXMLDOMNodeListPtr IXMLDOMNode::selectNodes(_bstr_t query) {
  IXMLDOMNodeList* out = nullptr;
  HRESULT hr = raw_selectNodes(query, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodeListPtr(out, false);
}

inline IXMLDOMNodePtr IXMLDOMNode::selectSingleNode(_bstr_t query) {
  IXMLDOMNode* out = nullptr;
  HRESULT hr = raw_selectSingleNode(query, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodePtr(out, false);
}

inline IXMLDOMNodePtr IXMLDOMNodeList::Getitem(LONG index) {
  IXMLDOMNode* out = nullptr;
  HRESULT hr = get_item(index, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodePtr(out, false);
}

inline LONG IXMLDOMNodeList::Getlength() {
  LONG out{};
  HRESULT hr = get_length(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return out;
}

inline IXMLDOMNodePtr IXMLDOMNodeList::nextNode() {
  IXMLDOMNode* out = nullptr;
  HRESULT hr = raw_nextNode(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodePtr(out, false);
}

inline void IXMLDOMNodeList::reset() {
  HRESULT hr = raw_reset();
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
}

inline IXMLDOMNodePtr IXMLDOMNamedNodeMap::Getitem(LONG index) {
  IXMLDOMNode* out = nullptr;
  HRESULT hr = get_item(index, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodePtr(out, false);
}

inline LONG IXMLDOMNamedNodeMap::Getlength() {
  LONG out{};
  HRESULT hr = get_length(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return out;
}

inline IXMLDOMNodePtr IXMLDOMNamedNodeMap::nextNode() {
  IXMLDOMNode* out = nullptr;
  HRESULT hr = raw_nextNode(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodePtr(out, false);
}

inline void IXMLDOMNamedNodeMap::reset() {
  HRESULT hr = raw_reset();
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
}

inline IXMLDOMNodePtr IXMLDOMNamedNodeMap::getNamedItem(_bstr_t name) {
  IXMLDOMNode* out = nullptr;
  HRESULT hr = raw_getNamedItem(name, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodePtr(out, false);
}

inline _bstr_t IXMLDOMAttribute::Getname() {
  BSTR out = nullptr;
  HRESULT hr = get_name(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return _bstr_t(out, false);
}

inline _variant_t IXMLDOMAttribute::Getvalue() {
  VARIANT out;
  VariantInit(&out);
  HRESULT hr = get_value(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  _variant_t value;
  value.Attach(out);
  return value;
}

inline void IXMLDOMAttribute::Putvalue(const _variant_t& value) {
  HRESULT hr = put_value(value);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
}

inline _bstr_t IXMLDOMElement::GettagName() {
  BSTR out = nullptr;
  HRESULT hr = get_tagName(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return _bstr_t(out, false);
}

inline _variant_t IXMLDOMElement::getAttribute(_bstr_t name) {
  VARIANT out;
  VariantInit(&out);
  HRESULT hr = raw_getAttribute(name, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  _variant_t value;
  value.Attach(out);
  return value;
}

inline HRESULT IXMLDOMElement::setAttribute(_bstr_t name, const _variant_t& value) {
  HRESULT hr = raw_setAttribute(name, value);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return hr;
}

inline HRESULT IXMLDOMElement::removeAttribute(_bstr_t name) {
  HRESULT hr = raw_removeAttribute(name);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return hr;
}

inline IXMLDOMNodeListPtr IXMLDOMElement::getElementsByTagName(_bstr_t name) {
  IXMLDOMNodeList* out = nullptr;
  HRESULT hr = raw_getElementsByTagName(name, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodeListPtr(out, false);
}

inline LONG IXMLDOMParseError::GeterrorCode() {
  LONG out{};
  HRESULT hr = get_errorCode(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return out;
}

inline LONG IXMLDOMParseError::Getline() {
  LONG out{};
  HRESULT hr = get_line(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return out;
}

inline LONG IXMLDOMParseError::Getlinepos() {
  LONG out{};
  HRESULT hr = get_linepos(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return out;
}

inline LONG IXMLDOMParseError::Getfilepos() {
  LONG out{};
  HRESULT hr = get_filepos(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return out;
}

inline _bstr_t IXMLDOMParseError::Geturl() {
  BSTR out = nullptr;
  HRESULT hr = get_url(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return _bstr_t(out, false);
}

inline _bstr_t IXMLDOMParseError::Getreason() {
  BSTR out = nullptr;
  HRESULT hr = get_reason(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return _bstr_t(out, false);
}

inline _bstr_t IXMLDOMParseError::GetsrcText() {
  BSTR out = nullptr;
  HRESULT hr = get_srcText(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return _bstr_t(out, false);
}

inline IXMLDOMElementPtr IXMLDOMDocument::GetdocumentElement() {
  IXMLDOMElement* out = nullptr;
  HRESULT hr = get_documentElement(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMElementPtr(out, false);
}

inline void IXMLDOMDocument::PutRefdocumentElement(IXMLDOMElement* element) {
  HRESULT hr = putref_documentElement(element);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
}

inline IXMLDOMElementPtr IXMLDOMDocument::createElement(_bstr_t tagName) {
  IXMLDOMElement* out = nullptr;
  HRESULT hr = raw_createElement(tagName, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMElementPtr(out, false);
}

inline IXMLDOMTextPtr IXMLDOMDocument::createTextNode(_bstr_t data) {
  IXMLDOMText* out = nullptr;
  HRESULT hr = raw_createTextNode(data, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMTextPtr(out, false);
}

inline IXMLDOMCommentPtr IXMLDOMDocument::createComment(_bstr_t data) {
  IXMLDOMComment* out = nullptr;
  HRESULT hr = raw_createComment(data, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMCommentPtr(out, false);
}

inline IXMLDOMCDATASectionPtr IXMLDOMDocument::createCDATASection(_bstr_t data) {
  IXMLDOMCDATASection* out = nullptr;
  HRESULT hr = raw_createCDATASection(data, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMCDATASectionPtr(out, false);
}

inline IXMLDOMProcessingInstructionPtr IXMLDOMDocument::createProcessingInstruction(_bstr_t target, _bstr_t data) {
  IXMLDOMProcessingInstruction* out = nullptr;
  HRESULT hr = raw_createProcessingInstruction(target, data, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMProcessingInstructionPtr(out, false);
}

inline IXMLDOMNodeListPtr IXMLDOMDocument::getElementsByTagName(_bstr_t name) {
  IXMLDOMNodeList* out = nullptr;
  HRESULT hr = raw_getElementsByTagName(name, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMNodeListPtr(out, false);
}

inline IXMLDOMParseErrorPtr IXMLDOMDocument::GetparseError() {
  IXMLDOMParseError* out = nullptr;
  HRESULT hr = get_parseError(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return IXMLDOMParseErrorPtr(out, false);
}

inline VARIANT_BOOL IXMLDOMDocument::load(const _variant_t& source) {
  VARIANT_BOOL out = VARIANT_FALSE;
  HRESULT hr = raw_load(source, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return out;
}
inline VARIANT_BOOL IXMLDOMDocument::loadXML(_bstr_t xml) {
  VARIANT_BOOL out = VARIANT_FALSE;
  HRESULT hr = raw_loadXML(xml, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return out;
}

inline HRESULT IXMLDOMDocument::save(const _variant_t& destination) {
  HRESULT hr = raw_save(destination);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return hr;
}

inline VARIANT_BOOL IXMLDOMDocument::Getasync() {
  VARIANT_BOOL out{};
  HRESULT hr = get_async(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return out;
}

inline void IXMLDOMDocument::Putasync(VARIANT_BOOL value) {
  HRESULT hr = put_async(value);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
}

inline VARIANT_BOOL IXMLDOMDocument::GetpreserveWhiteSpace() {
  VARIANT_BOOL out{};
  HRESULT hr = get_preserveWhiteSpace(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return out;
}

inline void IXMLDOMDocument::PutpreserveWhiteSpace(VARIANT_BOOL value) {
  HRESULT hr = put_preserveWhiteSpace(value);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
}

inline VARIANT_BOOL IXMLDOMDocument::GetvalidateOnParse() {
  VARIANT_BOOL out{};
  HRESULT hr = get_validateOnParse(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return out;
}

inline void IXMLDOMDocument::PutvalidateOnParse(VARIANT_BOOL value) {
  HRESULT hr = put_validateOnParse(value);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
}

inline VARIANT_BOOL IXMLDOMDocument::GetresolveExternals() {
  VARIANT_BOOL out{};
  HRESULT hr = get_resolveExternals(&out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return out;
}

inline void IXMLDOMDocument::PutresolveExternals(VARIANT_BOOL value) {
  HRESULT hr = put_resolveExternals(value);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
}

inline HRESULT IXMLDOMDocument::setProperty(_bstr_t name, const _variant_t& value) {
  HRESULT hr = raw_setProperty(name, value);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  return hr;
}

inline _variant_t IXMLDOMDocument::getProperty(_bstr_t name) {
  VARIANT out;
  VariantInit(&out);
  HRESULT hr = raw_getProperty(name, &out);
  if (FAILED(hr)) _com_issue_errorex(hr, this, kvIid);
  _variant_t value;
  value.Attach(out);
  return value;
}

/// The names as Windows' generated headers put them.
namespace MSXML2 {
using ::DOMNodeType;
using ::IXMLDOMAttribute;
using ::IXMLDOMAttributePtr;
using ::IXMLDOMCDATASection;
using ::IXMLDOMCDATASectionPtr;
using ::IXMLDOMComment;
using ::IXMLDOMCommentPtr;
using ::IXMLDOMDocument;
using ::IXMLDOMDocument2;
using ::IXMLDOMDocument2Ptr;
using ::IXMLDOMDocumentPtr;
using ::IXMLDOMElement;
using ::IXMLDOMElementPtr;
using ::IXMLDOMNamedNodeMap;
using ::IXMLDOMNamedNodeMapPtr;
using ::IXMLDOMNode;
using ::IXMLDOMNodeList;
using ::IXMLDOMNodeListPtr;
using ::IXMLDOMNodePtr;
using ::IXMLDOMParseError;
using ::IXMLDOMParseErrorPtr;
using ::IXMLDOMProcessingInstruction;
using ::IXMLDOMProcessingInstructionPtr;
using ::IXMLDOMText;
using ::IXMLDOMTextPtr;
using ::DOMDocument;
using ::DOMDocument30;
using ::DOMDocument60;
constexpr CLSID CLSID_DOMDocument30 = ::CLSID_DOMDocument30;
constexpr CLSID CLSID_DOMDocument = ::CLSID_DOMDocument;
constexpr CLSID CLSID_DOMDocument60 = ::CLSID_DOMDocument60;
}  // namespace MSXML2
