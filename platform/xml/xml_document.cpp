// Document methods: the document element, node factories, loading from a
// file or a text, saving atomically in the declared encoding, properties,
// and the document classes CoCreateInstance makes.
#include <libxml/parser.h>
#include <libxml/xmlsave.h>

#include <errno.h>
#include <iconv.h>

#include <cwctype>
#include <fstream>
#include <iterator>

#include "KavroStd/platform/fileapi.h"
#include "KavroStd/platform/format_message.h"
#include "platform/com/com_internal.h"
#include "platform/fs/rewrite_internal.h"
#include "platform/xml/xml_internal.h"

namespace kavro::platform::xml {

namespace {

constexpr HRESULT kObjectNotFound = static_cast<HRESULT>(0x800C0006u);

bool IsName(const std::string& name) {
  return !name.empty() && xmlValidateName(reinterpret_cast<const xmlChar*>(name.c_str()), 0) == 0;
}

bool SameNoCase(const wchar_t* a, const wchar_t* b) {
  if (!a || !b) return false;
  for (; *a && *b; ++a, ++b)
    if (std::towlower(*a) != std::towlower(*b)) return false;
  return *a == *b;
}

// The value of a pseudo-attribute (encoding="...") in a declaration's text.
std::string PseudoAttribute(const std::string& text, const std::string& name) {
  size_t at = 0;
  while ((at = text.find(name, at)) != std::string::npos) {
    size_t p = at + name.size();
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t' || text[p] == '\r' || text[p] == '\n')) ++p;
    if (p < text.size() && text[p] == '=') {
      ++p;
      while (p < text.size() && (text[p] == ' ' || text[p] == '\t' || text[p] == '\r' || text[p] == '\n')) ++p;
      if (p < text.size() && (text[p] == '"' || text[p] == '\'')) {
        const size_t end = text.find(text[p], p + 1);
        if (end != std::string::npos) return text.substr(p + 1, end - p - 1);
      }
    }
    at += name.size();
  }
  return {};
}

void SetEncoding(xmlDocPtr doc, const std::string& encoding) {
  if (doc->encoding) xmlFree(const_cast<xmlChar*>(doc->encoding));
  doc->encoding = encoding.empty() ? nullptr : xmlStrdup(reinterpret_cast<const xmlChar*>(encoding.c_str()));
}

std::wstring WindowsMessage(DWORD code) {
  wchar_t buffer[512] = {};
  if (FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer, 512,
                     nullptr) == 0)
    return L"The file could not be written.";
  std::wstring text = buffer;
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
  return text;
}

// Markup text that must be written as it is (names, comments, processing
// instructions, CDATA): an encoding that cannot hold a character of it
// would have it written as a character reference, which changes it.
class MarkupCheck {
 public:
  explicit MarkupCheck(const char* encoding) {
    if (encoding && xmlStrncasecmp(reinterpret_cast<const xmlChar*>(encoding),
                                   reinterpret_cast<const xmlChar*>("UTF"), 3) != 0)
      converter_ = iconv_open(encoding, "UTF-8");
  }
  ~MarkupCheck() {
    if (converter_ != reinterpret_cast<iconv_t>(-1)) iconv_close(converter_);
  }
  MarkupCheck(const MarkupCheck&) = delete;
  MarkupCheck& operator=(const MarkupCheck&) = delete;

  // The first markup text the encoding cannot hold, or null.
  const xmlChar* FirstUnwritable(xmlNodePtr first) {
    if (converter_ == reinterpret_cast<iconv_t>(-1)) return nullptr;
    for (xmlNodePtr n = first; n; n = n->next) {
      const xmlChar* bad = nullptr;
      switch (n->type) {
        case XML_ELEMENT_NODE:
          bad = Check(n->name);
          if (!bad && n->ns) bad = Check(n->ns->prefix);
          for (xmlAttrPtr a = n->properties; a && !bad; a = a->next) bad = Check(a->name);
          if (!bad) bad = FirstUnwritable(n->children);
          break;
        case XML_COMMENT_NODE:
        case XML_CDATA_SECTION_NODE:
          bad = Check(n->content);
          break;
        case XML_PI_NODE:
          bad = Check(n->name);
          if (!bad) bad = Check(n->content);
          break;
        default:
          break;
      }
      if (bad) return bad;
    }
    return nullptr;
  }

 private:
  const xmlChar* Check(const xmlChar* text) {
    if (!text) return nullptr;
    bool ascii = true;
    for (const xmlChar* p = text; *p; ++p)
      if (*p >= 0x80) ascii = false;
    if (ascii) return nullptr;
    iconv(converter_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(reinterpret_cast<const char*>(text));
    size_t inLeft = static_cast<size_t>(xmlStrlen(text));
    char buffer[256];
    while (inLeft > 0) {
      char* out = buffer;
      size_t outLeft = sizeof buffer;
      if (iconv(converter_, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1) && errno != E2BIG) return text;
    }
    return nullptr;
  }

  iconv_t converter_ = reinterpret_cast<iconv_t>(-1);
};

HRESULT NewDocument(REFIID iid, void** object) {
  NodeImpl* document;
  try {
    document = new NodeImpl();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  HRESULT hr = document->QueryInterface(iid, object);
  document->Release();
  return hr;
}

struct RegisterClasses {
  RegisterClasses() {
    KvRegisterComClass(CLSID_DOMDocument30, {L"Msxml2.DOMDocument.3.0"}, NewDocument);
    KvRegisterComClass(CLSID_DOMDocument, {L"Msxml2.DOMDocument", L"Microsoft.XMLDOM", L"MSXML.DOMDocument"},
                       NewDocument);
    KvRegisterComClass(CLSID_DOMDocument60, {L"Msxml2.DOMDocument.6.0"}, NewDocument);
  }
} g_registerClasses;

}  // namespace

HRESULT NodeImpl::get_documentElement(IXMLDOMElement** element) {
  if (!element) return E_POINTER;
  *element = nullptr;
  xmlNodePtr root = xmlDocGetRootElement(tree_->doc);
  if (!root) return S_FALSE;
  return Create(root, IXMLDOMElement::kvIid, reinterpret_cast<void**>(element));
}

HRESULT NodeImpl::putref_documentElement(IXMLDOMElement* element) {
  NodeImpl* impl = From(element);
  if (!impl || impl->node()->type != XML_ELEMENT_NODE) return Fail(E_INVALIDARG, L"The parameter is not an element.");
  if (impl->node()->doc != tree_->doc) return Fail(E_FAIL, L"The node belongs to another document.");
  xmlNodePtr root = xmlDocGetRootElement(tree_->doc);
  if (root == impl->node()) return S_OK;
  xmlNodePtr before = root ? root->next : nullptr;
  if (root) tree_->Detach(root);
  if (impl->node()->parent) xmlUnlinkNode(impl->node());
  tree_->detached.erase(impl->node());
  LinkChild(reinterpret_cast<xmlNodePtr>(tree_->doc), impl->node(), before);
  return S_OK;
}

HRESULT NodeImpl::raw_createElement(BSTR tagName, IXMLDOMElement** element) {
  if (!element) return E_POINTER;
  *element = nullptr;
  const std::string name = ToUtf8(tagName);
  if (!IsName(name))
    return Fail(E_FAIL, L"The name \"" + std::wstring(tagName ? tagName : L"") + L"\" is not a valid XML element name.");
  xmlNodePtr n = xmlNewDocNode(tree_->doc, nullptr, reinterpret_cast<const xmlChar*>(name.c_str()), nullptr);
  if (!n) return E_OUTOFMEMORY;
  tree_->detached.insert(n);
  return Create(n, IXMLDOMElement::kvIid, reinterpret_cast<void**>(element));
}

HRESULT NodeImpl::raw_createTextNode(BSTR data, IXMLDOMText** text) {
  if (!text) return E_POINTER;
  const std::string content = ToUtf8(data);
  xmlNodePtr n = xmlNewDocTextLen(tree_->doc, reinterpret_cast<const xmlChar*>(content.data()),
                                  static_cast<int>(content.size()));
  if (!n) return E_OUTOFMEMORY;
  tree_->detached.insert(n);
  return Create(n, IXMLDOMText::kvIid, reinterpret_cast<void**>(text));
}

HRESULT NodeImpl::raw_createComment(BSTR data, IXMLDOMComment** comment) {
  if (!comment) return E_POINTER;
  const std::string content = ToUtf8(data);
  xmlNodePtr n = xmlNewDocComment(tree_->doc, reinterpret_cast<const xmlChar*>(content.c_str()));
  if (!n) return E_OUTOFMEMORY;
  tree_->detached.insert(n);
  return Create(n, IXMLDOMComment::kvIid, reinterpret_cast<void**>(comment));
}

HRESULT NodeImpl::raw_createCDATASection(BSTR data, IXMLDOMCDATASection** section) {
  if (!section) return E_POINTER;
  const std::string content = ToUtf8(data);
  xmlNodePtr n = xmlNewCDataBlock(tree_->doc, reinterpret_cast<const xmlChar*>(content.data()),
                                  static_cast<int>(content.size()));
  if (!n) return E_OUTOFMEMORY;
  tree_->detached.insert(n);
  return Create(n, IXMLDOMCDATASection::kvIid, reinterpret_cast<void**>(section));
}

HRESULT NodeImpl::raw_createProcessingInstruction(BSTR target, BSTR data,
                                                  IXMLDOMProcessingInstruction** instruction) {
  if (!instruction) return E_POINTER;
  const std::string name = ToUtf8(target), content = ToUtf8(data);
  if (!IsName(name)) return Fail(E_FAIL, L"The target is not a valid XML name.");
  xmlNodePtr n = xmlNewDocPI(tree_->doc, reinterpret_cast<const xmlChar*>(name.c_str()),
                             reinterpret_cast<const xmlChar*>(content.c_str()));
  if (!n) return E_OUTOFMEMORY;
  tree_->detached.insert(n);
  return Create(n, IXMLDOMProcessingInstruction::kvIid, reinterpret_cast<void**>(instruction));
}

HRESULT NodeImpl::get_parseError(IXMLDOMParseError** error) {
  if (!error) return E_POINTER;
  *error = NewParseError(problem_);
  return *error ? S_OK : E_OUTOFMEMORY;
}

HRESULT NodeImpl::Adopt(const TreePtr& tree, bool hasDeclaration) {
  tree->hasDeclaration = hasDeclaration;
  tree->preserveWhiteSpace = tree_->preserveWhiteSpace;
  tree->namespaces = tree_->namespaces;
  if (tree_->owner == this) tree_->owner = nullptr;
  tree_ = tree;
  tree_->owner = this;
  return S_OK;
}

HRESULT NodeImpl::raw_load(VARIANT source, VARIANT_BOOL* ok) {
  if (ok) *ok = VARIANT_FALSE;
  if (!isDocument_) return E_FAIL;
  if (source.vt != VT_BSTR) return Fail(E_INVALIDARG, L"The source must be a file path.");
  const std::wstring windowsPath = source.bstrVal ? std::wstring(source.bstrVal, SysStringLen(source.bstrVal)) : L"";
  auto empty = std::make_shared<Tree>();
  empty->doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
  if (!empty->doc) return E_OUTOFMEMORY;

  std::string posix, bytes;
  bool read = false;
  if (!windowsPath.empty() && KvMapPath(windowsPath.c_str(), posix)) {
    std::ifstream in(posix, std::ios::binary);
    if (in) {
      bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      read = !in.bad();
    }
  }
  if (!read) {
    Adopt(empty, false);
    problem_ = ParseProblem{};
    problem_.code = kObjectNotFound;
    problem_.reason = L"The system cannot locate the object specified.";
    problem_.url = windowsPath;
    return S_FALSE;
  }
  ParseProblem problem;
  xmlDocPtr doc = ParseBytes(bytes.data(), bytes.size(), posix, problem);
  problem.url = windowsPath;
  problem_ = problem;
  if (!doc) {
    Adopt(empty, false);
    return S_FALSE;
  }
  xmlFreeDoc(empty->doc);
  empty->doc = doc;
  Adopt(empty, HasDeclaration(bytes.data(), bytes.size()));
  if (ok) *ok = VARIANT_TRUE;
  return S_OK;
}

HRESULT NodeImpl::raw_loadXML(BSTR xml, VARIANT_BOOL* ok) {
  if (ok) *ok = VARIANT_FALSE;
  if (!isDocument_) return E_FAIL;
  auto tree = std::make_shared<Tree>();
  // The text is Unicode already: the declaration's encoding is kept for
  // saving but not used to read it.
  std::string bytes = ToUtf8(xml);
  const bool declared = HasDeclaration(bytes.data(), bytes.size());
  std::string encoding;
  if (declared) encoding = PseudoAttribute(bytes.substr(0, bytes.find("?>")), "encoding");
  ParseProblem problem;
  xmlDocPtr doc = nullptr;
  if (declared && !encoding.empty()) {
    // Parse it as UTF-8 whatever it names: restate the declaration.
    const size_t end = bytes.find("?>");
    std::string body = end == std::string::npos ? bytes : bytes.substr(end + 2);
    std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    const std::string version = PseudoAttribute(bytes.substr(0, end), "version");
    if (!version.empty()) head = "<?xml version=\"" + version + "\" encoding=\"UTF-8\"?>";
    bytes = head + body;
  }
  doc = ParseBytes(bytes.data(), bytes.size(), "", problem);
  problem_ = problem;
  if (!doc) {
    tree->doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
    if (!tree->doc) return E_OUTOFMEMORY;
    Adopt(tree, false);
    return S_FALSE;
  }
  SetEncoding(doc, declared ? encoding : std::string());
  tree->doc = doc;
  Adopt(tree, declared);
  if (ok) *ok = VARIANT_TRUE;
  return S_OK;
}

HRESULT NodeImpl::raw_save(VARIANT destination) {
  if (!isDocument_) return E_FAIL;
  if (destination.vt != VT_BSTR || !destination.bstrVal || !destination.bstrVal[0])
    return Fail(E_INVALIDARG, L"The destination must be a file path.");
  xmlDocPtr doc = tree_->doc;
  // A top-level "xml" processing instruction added through the DOM is the
  // declaration: it names the encoding and is written as the declaration.
  xmlNodePtr declaration = nullptr;
  for (xmlNodePtr c = doc->children; c; c = c->next)
    if (c->type == XML_PI_NODE && xmlStrcasecmp(c->name, reinterpret_cast<const xmlChar*>("xml")) == 0) {
      declaration = c;
      break;
    }
  bool hasDeclaration = tree_->hasDeclaration;
  std::string savedEncoding = doc->encoding ? reinterpret_cast<const char*>(doc->encoding) : "";
  xmlNodePtr declarationNext = nullptr;
  if (declaration) {
    hasDeclaration = true;
    declarationNext = declaration->next;
    std::string content = declaration->content ? reinterpret_cast<const char*>(declaration->content) : "";
    SetEncoding(doc, PseudoAttribute(content, "encoding"));
    xmlUnlinkNode(declaration);
  }
  const char* encoding = doc->encoding ? reinterpret_cast<const char*>(doc->encoding) : nullptr;
  MarkupCheck check(encoding);
  const xmlChar* unwritable = check.FirstUnwritable(doc->children);
  xmlBufferPtr buffer = unwritable ? nullptr : xmlBufferCreate();
  std::string bytes;
  bool written = false;
  if (buffer) {
    // Without a declared encoding the text is written as UTF-8 (libxml2
    // would write characters beyond ASCII as references) and the
    // declaration, naming no encoding, is ours.
    int options = XML_SAVE_AS_XML | (hasDeclaration && encoding ? 0 : XML_SAVE_NO_DECL);
    if (!encoding && hasDeclaration) {
      std::string head = "<?xml version=\"";
      head += doc->version ? reinterpret_cast<const char*>(doc->version) : "1.0";
      head += "\"";
      if (doc->standalone == 1) head += " standalone=\"yes\"";
      if (doc->standalone == 0) head += " standalone=\"no\"";
      head += "?>\n";
      xmlBufferCat(buffer, reinterpret_cast<const xmlChar*>(head.c_str()));
    }
    if (xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer, encoding ? encoding : "UTF-8", options)) {
      written = xmlSaveDoc(save, doc) >= 0;
      written = xmlSaveClose(save) >= 0 && written;
    }
    if (written) bytes.assign(reinterpret_cast<const char*>(xmlBufferContent(buffer)), xmlBufferLength(buffer));
    xmlBufferFree(buffer);
  }
  if (declaration) {
    LinkChild(reinterpret_cast<xmlNodePtr>(doc), declaration, declarationNext);
    SetEncoding(doc, savedEncoding);
  }
  if (!written) {
    std::wstring reason = L"The document cannot be written in the encoding \"" +
                          FromUtf8(reinterpret_cast<const xmlChar*>(encoding ? encoding : "UTF-8")) + L"\"";
    if (unwritable) reason += L": it cannot hold \"" + FromUtf8(unwritable) + L"\"";
    return Fail(E_FAIL, reason + L".");
  }
  const std::wstring path(destination.bstrVal, SysStringLen(destination.bstrVal));
  const DWORD error = KvRewriteFile(path.c_str(), true, [&bytes](std::string& content) {
    content.swap(bytes);
    return true;
  });
  if (error != ERROR_SUCCESS) return Fail(HRESULT_FROM_WIN32(error), WindowsMessage(error));
  return S_OK;
}

HRESULT NodeImpl::get_async(VARIANT_BOOL* async) {
  if (!async) return E_POINTER;
  *async = async_ ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}
HRESULT NodeImpl::put_async(VARIANT_BOOL async) {
  async_ = async != VARIANT_FALSE;
  return S_OK;
}
HRESULT NodeImpl::get_preserveWhiteSpace(VARIANT_BOOL* preserve) {
  if (!preserve) return E_POINTER;
  *preserve = tree_->preserveWhiteSpace ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}
HRESULT NodeImpl::put_preserveWhiteSpace(VARIANT_BOOL preserve) {
  tree_->preserveWhiteSpace = preserve != VARIANT_FALSE;
  return S_OK;
}
HRESULT NodeImpl::get_validateOnParse(VARIANT_BOOL* validate) {
  if (!validate) return E_POINTER;
  *validate = validateOnParse_ ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}
HRESULT NodeImpl::put_validateOnParse(VARIANT_BOOL validate) {
  validateOnParse_ = validate != VARIANT_FALSE;
  return S_OK;
}
HRESULT NodeImpl::get_resolveExternals(VARIANT_BOOL* resolve) {
  if (!resolve) return E_POINTER;
  *resolve = VARIANT_FALSE;
  return S_OK;
}
HRESULT NodeImpl::put_resolveExternals(VARIANT_BOOL) { return S_OK; }

HRESULT NodeImpl::raw_setProperty(BSTR name, VARIANT value) {
  _variant_t text;
  if (FAILED(VariantChangeType(&text, &value, 0, VT_BSTR))) return Fail(E_INVALIDARG, L"The value must be text.");
  const std::wstring given(text.bstrVal ? text.bstrVal : L"");
  if (SameNoCase(name, L"SelectionLanguage")) {
    if (!SameNoCase(given.c_str(), L"XPath") && !SameNoCase(given.c_str(), L"XSLPattern"))
      return Fail(E_FAIL, L"The selection language must be XPath or XSLPattern.");
    selectionLanguage_ = given;
    return S_OK;
  }
  if (SameNoCase(name, L"SelectionNamespaces")) {
    // xmlns:p='uri' declarations separated by blanks.
    std::vector<std::pair<std::string, std::string>> namespaces;
    const std::string all = ToUtf8(given.c_str(), given.size());
    size_t at = 0;
    while ((at = all.find("xmlns:", at)) != std::string::npos) {
      const size_t eq = all.find('=', at);
      if (eq == std::string::npos || eq + 1 >= all.size()) break;
      const char quote = all[eq + 1];
      const size_t end = all.find(quote, eq + 2);
      if ((quote != '"' && quote != '\'') || end == std::string::npos)
        return Fail(E_FAIL, L"SelectionNamespaces must hold xmlns:prefix='uri' declarations.");
      namespaces.emplace_back(all.substr(at + 6, eq - at - 6), all.substr(eq + 2, end - eq - 2));
      at = end + 1;
    }
    selectionNamespaces_ = given;
    tree_->namespaces = std::move(namespaces);
    return S_OK;
  }
  if (SameNoCase(name, L"ProhibitDTD") || SameNoCase(name, L"NewParser") || SameNoCase(name, L"ServerHTTPRequest") ||
      SameNoCase(name, L"AllowDocumentFunction") || SameNoCase(name, L"AllowXsltScript") ||
      SameNoCase(name, L"ResolveExternals"))
    return S_OK;  // accepted; loading never reads outside resources anyway
  return Fail(E_FAIL, L"Property name is invalid.");
}

HRESULT NodeImpl::raw_getProperty(BSTR name, VARIANT* value) {
  if (!value) return E_POINTER;
  VariantInit(value);
  std::wstring text;
  if (SameNoCase(name, L"SelectionLanguage")) text = selectionLanguage_;
  else if (SameNoCase(name, L"SelectionNamespaces")) text = selectionNamespaces_;
  else return Fail(E_FAIL, L"Property name is invalid.");
  value->vt = VT_BSTR;
  value->bstrVal = NewBstr(text);
  return value->bstrVal ? S_OK : E_OUTOFMEMORY;
}

}  // namespace kavro::platform::xml
