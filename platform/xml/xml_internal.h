// The DOM objects over libxml2: the tree a document owns, the one node
// class behind every node interface, and the helpers the DOM's files share.
#pragma once

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "KavroStd/platform/msxml.h"

namespace kavro::platform::xml {

class NodeImpl;

// One parsed (or new) document. Nodes taken out of it (removed, replaced
// or created and not yet added) stay allocated until the tree goes, so a
// wrapper of such a node never dangles; the tree goes with the last object
// that refers to it.
struct Tree {
  xmlDocPtr doc = nullptr;
  bool hasDeclaration = false;
  bool preserveWhiteSpace = false;
  std::unordered_set<xmlNodePtr> detached;
  // How many node objects wrap each libxml2 node.
  std::unordered_map<xmlNodePtr, int> wrapped;
  // The document object over this tree, while there is one.
  NodeImpl* owner = nullptr;
  // XPath context kept for the tree's queries (made at the first query).
  struct _xmlXPathContext* xpath = nullptr;
  std::string xpathError;
  // Prefixes for queries ("SelectionNamespaces").
  std::vector<std::pair<std::string, std::string>> namespaces;

  Tree();
  ~Tree();
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;

  // Takes `node` out of its parent (keeping it allocated for wrappers).
  void Detach(xmlNodePtr node);
  // Takes `node` out and frees it at once when no object wraps any node
  // of its subtree.
  void Discard(xmlNodePtr node);
  bool SubtreeWrapped(xmlNodePtr node) const;
};
using TreePtr = std::shared_ptr<Tree>;

// Text conversions between the DOM's wide text and libxml2's UTF-8.
std::string ToUtf8(const wchar_t* text, size_t length);
std::string ToUtf8(BSTR text);
std::wstring FromUtf8(const xmlChar* text);
BSTR NewBstr(const std::wstring& text);
BSTR NewBstrUtf8(const xmlChar* text);

// Records the failure for GetErrorInfo and returns hr.
HRESULT Fail(HRESULT hr, const std::wstring& description);

// Whitespace-only text between elements: kept in the document for its
// layout, hidden from the node views unless preserveWhiteSpace.
bool IsLayout(const Tree& tree, xmlNodePtr node);
// The text of a node and its subtree, layout whitespace left out, entity
// references expanded.
void CollectText(const Tree& tree, xmlNodePtr node, std::string& out);

// Adds child as the last child of parent (before `before` when given)
// without merging text nodes, so that every node object keeps its node.
void LinkChild(xmlNodePtr parent, xmlNodePtr child, xmlNodePtr before);

// The node object for `node` in the interface its type calls for (one
// reference); null for a null node.
IXMLDOMNode* Wrap(const TreePtr& tree, xmlNodePtr node);

// The list objects.
IXMLDOMNodeList* NewNodeList(const TreePtr& tree, std::vector<xmlNodePtr> nodes);
IXMLDOMNamedNodeMap* NewAttributeMap(const TreePtr& tree, xmlNodePtr element);

// What the last load found wrong.
struct ParseProblem {
  LONG code = 0;
  std::wstring reason, url, srcText;
  LONG line = 0, linepos = 0, filepos = 0;
};
IXMLDOMParseError* NewParseError(const ParseProblem& problem);

// Parses bytes with the network, external entities and DTD loading off and
// libxml2's expansion limits on. Null with `problem` filled on failure.
xmlDocPtr ParseBytes(const char* bytes, size_t length, const std::string& url, ParseProblem& problem);
// True when the bytes start (after a byte-order mark) with an XML declaration.
bool HasDeclaration(const char* bytes, size_t length);

// Runs an XPath query from `node`. E_FAIL with the reason for an invalid
// expression. Layout whitespace is left out of the result.
HRESULT Select(const Tree& tree, xmlNodePtr node, BSTR query, std::vector<xmlNodePtr>& found, bool firstOnly);

// The identity of our node objects, for taking back a node handed in.
constexpr GUID kNodeImplIid = {0x6b1f3e0a, 0x5c2d, 0x4f7e, {0x9a, 0x41, 0x2d, 0x8c, 0x0e, 0x7b, 0x9f, 0x15}};

// Every node, the document included, is one of these; QueryInterface gives
// the interfaces its type has.
class NodeImpl final : public IXMLDOMDocument,
                       public IXMLDOMElement,
                       public IXMLDOMAttribute,
                       public IXMLDOMText,
                       public IXMLDOMComment,
                       public IXMLDOMProcessingInstruction,
                       public IXMLDOMCDATASection {
 public:
  // A node of `tree`.
  NodeImpl(TreePtr tree, xmlNodePtr node);
  // A document object: a new empty document.
  NodeImpl();
  // The document object over an existing tree.
  explicit NodeImpl(TreePtr tree);

  xmlNodePtr node() const { return isDocument_ ? reinterpret_cast<xmlNodePtr>(tree_->doc) : node_; }
  const TreePtr& tree() const { return tree_; }
  // The node interface this object is handed out as.
  IXMLDOMNode* AsNode();
  static NodeImpl* From(IUnknown* object);

  // IUnknown
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IXMLDOMNode
  HRESULT get_nodeName(BSTR* name) override;
  HRESULT get_nodeValue(VARIANT* value) override;
  HRESULT put_nodeValue(VARIANT value) override;
  HRESULT get_nodeType(DOMNodeType* type) override;
  HRESULT get_parentNode(IXMLDOMNode** parent) override;
  HRESULT get_childNodes(IXMLDOMNodeList** children) override;
  HRESULT get_firstChild(IXMLDOMNode** child) override;
  HRESULT get_lastChild(IXMLDOMNode** child) override;
  HRESULT get_previousSibling(IXMLDOMNode** sibling) override;
  HRESULT get_nextSibling(IXMLDOMNode** sibling) override;
  HRESULT get_attributes(IXMLDOMNamedNodeMap** attributes) override;
  HRESULT raw_insertBefore(IXMLDOMNode* newChild, VARIANT refChild, IXMLDOMNode** out) override;
  HRESULT raw_removeChild(IXMLDOMNode* child, IXMLDOMNode** out) override;
  HRESULT raw_appendChild(IXMLDOMNode* newChild, IXMLDOMNode** out) override;
  HRESULT raw_hasChildNodes(VARIANT_BOOL* has) override;
  HRESULT get_ownerDocument(IXMLDOMDocument** document) override;
  HRESULT raw_cloneNode(VARIANT_BOOL deep, IXMLDOMNode** clone) override;
  HRESULT get_text(BSTR* text) override;
  HRESULT put_text(BSTR text) override;
  HRESULT get_xml(BSTR* xml) override;
  HRESULT raw_selectNodes(BSTR query, IXMLDOMNodeList** nodes) override;
  HRESULT raw_selectSingleNode(BSTR query, IXMLDOMNode** node) override;

  // IXMLDOMElement
  HRESULT get_tagName(BSTR* name) override;
  HRESULT raw_getAttribute(BSTR name, VARIANT* value) override;
  HRESULT raw_setAttribute(BSTR name, VARIANT value) override;
  HRESULT raw_removeAttribute(BSTR name) override;
  HRESULT raw_getElementsByTagName(BSTR name, IXMLDOMNodeList** nodes) override;

  // IXMLDOMAttribute
  HRESULT get_name(BSTR* name) override;
  HRESULT get_value(VARIANT* value) override;
  HRESULT put_value(VARIANT value) override;

  // IXMLDOMDocument
  HRESULT get_documentElement(IXMLDOMElement** element) override;
  HRESULT putref_documentElement(IXMLDOMElement* element) override;
  HRESULT raw_createElement(BSTR tagName, IXMLDOMElement** element) override;
  HRESULT raw_createTextNode(BSTR data, IXMLDOMText** text) override;
  HRESULT raw_createComment(BSTR data, IXMLDOMComment** comment) override;
  HRESULT raw_createCDATASection(BSTR data, IXMLDOMCDATASection** section) override;
  HRESULT raw_createProcessingInstruction(BSTR target, BSTR data,
                                          IXMLDOMProcessingInstruction** instruction) override;
  HRESULT get_parseError(IXMLDOMParseError** error) override;
  HRESULT raw_load(VARIANT source, VARIANT_BOOL* ok) override;
  HRESULT raw_loadXML(BSTR xml, VARIANT_BOOL* ok) override;
  HRESULT raw_save(VARIANT destination) override;
  HRESULT get_async(VARIANT_BOOL* async) override;
  HRESULT put_async(VARIANT_BOOL async) override;
  HRESULT get_preserveWhiteSpace(VARIANT_BOOL* preserve) override;
  HRESULT put_preserveWhiteSpace(VARIANT_BOOL preserve) override;
  HRESULT get_validateOnParse(VARIANT_BOOL* validate) override;
  HRESULT put_validateOnParse(VARIANT_BOOL validate) override;
  HRESULT get_resolveExternals(VARIANT_BOOL* resolve) override;
  HRESULT put_resolveExternals(VARIANT_BOOL resolve) override;
  HRESULT raw_setProperty(BSTR name, VARIANT value) override;
  HRESULT raw_getProperty(BSTR name, VARIANT* value) override;

 private:
  ~NodeImpl();
  HRESULT Hand(xmlNodePtr node, IXMLDOMNode** out);
  HRESULT Insert(IXMLDOMNode* newChild, xmlNodePtr before, IXMLDOMNode** out);
  HRESULT Adopt(const TreePtr& tree, bool hasDeclaration);
  HRESULT Create(xmlNodePtr node, REFIID iid, void** out);

  TreePtr tree_;
  xmlNodePtr node_ = nullptr;
  bool isDocument_ = false;
  ULONG refs_ = 1;
  // Document state.
  ParseProblem problem_;
  bool async_ = true;
  bool validateOnParse_ = true;
  std::wstring selectionLanguage_ = L"XSLPattern";
  std::wstring selectionNamespaces_;
};

}  // namespace kavro::platform::xml
