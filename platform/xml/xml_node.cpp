// The node object: identity, interfaces by node type, and the methods every
// node has (names, values, navigation, children, text, XML, queries).
#include <libxml/xmlsave.h>

#include "platform/xml/xml_internal.h"

namespace kavro::platform::xml {

namespace {

DOMNodeType TypeOf(xmlNodePtr node) {
  switch (node->type) {
    case XML_ELEMENT_NODE: return NODE_ELEMENT;
    case XML_ATTRIBUTE_NODE: return NODE_ATTRIBUTE;
    case XML_TEXT_NODE: return NODE_TEXT;
    case XML_CDATA_SECTION_NODE: return NODE_CDATA_SECTION;
    case XML_ENTITY_REF_NODE: return NODE_ENTITY_REFERENCE;
    case XML_ENTITY_DECL: return NODE_ENTITY;
    case XML_PI_NODE: return NODE_PROCESSING_INSTRUCTION;
    case XML_COMMENT_NODE: return NODE_COMMENT;
    case XML_DOCUMENT_NODE: return NODE_DOCUMENT;
    case XML_DTD_NODE:
    case XML_DOCUMENT_TYPE_NODE: return NODE_DOCUMENT_TYPE;
    case XML_DOCUMENT_FRAG_NODE: return NODE_DOCUMENT_FRAGMENT;
    case XML_NOTATION_NODE: return NODE_NOTATION;
    default: return NODE_INVALID;
  }
}

// The qualified name of an element or attribute ("p:name").
std::string QualifiedName(xmlNodePtr node) {
  std::string name = node->name ? reinterpret_cast<const char*>(node->name) : "";
  if (node->ns && node->ns->prefix) name = std::string(reinterpret_cast<const char*>(node->ns->prefix)) + ":" + name;
  return name;
}

// Children shown by the node views: layout whitespace left out.
xmlNodePtr Shown(const Tree& tree, xmlNodePtr node, bool forward) {
  while (node && IsLayout(tree, node)) node = forward ? node->next : node->prev;
  return node;
}

bool HasChildren(xmlNodePtr node) {
  return node->type == XML_ELEMENT_NODE || node->type == XML_DOCUMENT_NODE ||
         node->type == XML_DOCUMENT_FRAG_NODE;
}

}  // namespace

NodeImpl::NodeImpl(TreePtr tree, xmlNodePtr node) : tree_(std::move(tree)), node_(node) {
  ++tree_->wrapped[node_];
}

NodeImpl::NodeImpl() : tree_(std::make_shared<Tree>()), isDocument_(true) {
  tree_->doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
  if (!tree_->doc) throw std::bad_alloc();
  tree_->owner = this;
}

NodeImpl::NodeImpl(TreePtr tree) : tree_(std::move(tree)), isDocument_(true) { tree_->owner = this; }

NodeImpl::~NodeImpl() {
  if (!isDocument_) {
    auto it = tree_->wrapped.find(node_);
    if (it != tree_->wrapped.end() && --it->second == 0) tree_->wrapped.erase(it);
  } else if (tree_->owner == this) {
    tree_->owner = nullptr;
  }
}

HRESULT NodeImpl::Create(xmlNodePtr node, REFIID iid, void** out) {
  if (node->type != XML_DOCUMENT_NODE) {
    IXMLDOMNode* wrapped = Wrap(tree_, node);
    HRESULT hr = wrapped->QueryInterface(iid, out);
    wrapped->Release();
    return hr;
  }
  if (tree_->owner) return tree_->owner->QueryInterface(iid, out);
  auto* document = new NodeImpl(tree_);
  HRESULT hr = document->QueryInterface(iid, out);
  document->Release();
  return hr;
}

IXMLDOMNode* NodeImpl::AsNode() {
  if (isDocument_) return static_cast<IXMLDOMDocument*>(this);
  switch (node_->type) {
    case XML_ELEMENT_NODE: return static_cast<IXMLDOMElement*>(this);
    case XML_ATTRIBUTE_NODE: return static_cast<IXMLDOMAttribute*>(this);
    case XML_TEXT_NODE: return static_cast<IXMLDOMText*>(this);
    case XML_COMMENT_NODE: return static_cast<IXMLDOMComment*>(this);
    case XML_PI_NODE: return static_cast<IXMLDOMProcessingInstruction*>(this);
    case XML_CDATA_SECTION_NODE: return static_cast<IXMLDOMCDATASection*>(this);
    default: return static_cast<IXMLDOMElement*>(this);  // any IXMLDOMNode will do
  }
}

NodeImpl* NodeImpl::From(IUnknown* object) {
  if (!object) return nullptr;
  void* impl = nullptr;
  if (object->QueryInterface(kNodeImplIid, &impl) != S_OK) return nullptr;
  return static_cast<NodeImpl*>(impl);  // no reference taken
}

HRESULT NodeImpl::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == kNodeImplIid) {
    *object = this;
    return S_OK;
  }
  const xmlElementType type = node()->type;
  IUnknown* out = nullptr;
  if (iid == IID_IUnknown || iid == IXMLDOMNode::kvIid) {
    out = AsNode();
  } else if (iid == IXMLDOMDocument::kvIid) {
    if (isDocument_) out = static_cast<IXMLDOMDocument*>(this);
  } else if (iid == IXMLDOMElement::kvIid) {
    if (!isDocument_ && type == XML_ELEMENT_NODE) out = static_cast<IXMLDOMElement*>(this);
  } else if (iid == IXMLDOMAttribute::kvIid) {
    if (type == XML_ATTRIBUTE_NODE) out = static_cast<IXMLDOMAttribute*>(this);
  } else if (iid == IXMLDOMText::kvIid) {
    if (type == XML_TEXT_NODE || type == XML_CDATA_SECTION_NODE) out = static_cast<IXMLDOMText*>(this);
  } else if (iid == IXMLDOMComment::kvIid) {
    if (type == XML_COMMENT_NODE) out = static_cast<IXMLDOMComment*>(this);
  } else if (iid == IXMLDOMProcessingInstruction::kvIid) {
    if (type == XML_PI_NODE) out = static_cast<IXMLDOMProcessingInstruction*>(this);
  } else if (iid == IXMLDOMCDATASection::kvIid) {
    if (type == XML_CDATA_SECTION_NODE) out = static_cast<IXMLDOMCDATASection*>(this);
  }
  if (!out) return E_NOINTERFACE;
  AddRef();
  *object = out;
  return S_OK;
}

ULONG NodeImpl::AddRef() { return ++refs_; }

ULONG NodeImpl::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

IXMLDOMNode* Wrap(const TreePtr& tree, xmlNodePtr node) {
  if (!node) return nullptr;
  auto* impl = new NodeImpl(tree, node);
  return impl->AsNode();
}

HRESULT NodeImpl::Hand(xmlNodePtr node, IXMLDOMNode** out) {
  if (!out) return E_POINTER;
  if (node && reinterpret_cast<xmlDocPtr>(node) == tree_->doc) {
    // The document node is the document object only we can hand out.
    *out = nullptr;
    return S_FALSE;
  }
  *out = Wrap(tree_, node);
  return *out ? S_OK : S_FALSE;
}

HRESULT NodeImpl::get_nodeName(BSTR* name) {
  if (!name) return E_POINTER;
  xmlNodePtr n = node();
  std::wstring text;
  switch (n->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE: text = FromUtf8(reinterpret_cast<const xmlChar*>(QualifiedName(n).c_str())); break;
    case XML_TEXT_NODE: text = L"#text"; break;
    case XML_CDATA_SECTION_NODE: text = L"#cdata-section"; break;
    case XML_COMMENT_NODE: text = L"#comment"; break;
    case XML_DOCUMENT_NODE: text = L"#document"; break;
    case XML_DOCUMENT_FRAG_NODE: text = L"#document-fragment"; break;
    default: text = FromUtf8(n->name); break;
  }
  *name = NewBstr(text);
  return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT NodeImpl::get_nodeValue(VARIANT* value) {
  if (!value) return E_POINTER;
  VariantInit(value);
  xmlNodePtr n = node();
  switch (n->type) {
    case XML_ATTRIBUTE_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE: {
      std::string text;
      CollectText(*tree_, n, text);
      value->vt = VT_BSTR;
      value->bstrVal = NewBstrUtf8(reinterpret_cast<const xmlChar*>(text.c_str()));
      return value->bstrVal ? S_OK : E_OUTOFMEMORY;
    }
    default:
      value->vt = VT_NULL;
      return S_FALSE;
  }
}

HRESULT NodeImpl::put_nodeValue(VARIANT value) {
  xmlNodePtr n = node();
  if (n->type == XML_ELEMENT_NODE || n->type == XML_DOCUMENT_NODE)
    return Fail(E_FAIL, L"This operation can not be performed with a Node of type " +
                            std::wstring(n->type == XML_ELEMENT_NODE ? L"ELEMENT." : L"DOCUMENT."));
  _variant_t text;
  HRESULT hr = VariantChangeType(&text, &value, 0, VT_BSTR);
  if (FAILED(hr)) return Fail(hr, L"The value cannot be converted to text.");
  return put_text(text.bstrVal);
}

HRESULT NodeImpl::get_nodeType(DOMNodeType* type) {
  if (!type) return E_POINTER;
  *type = TypeOf(node());
  return S_OK;
}

HRESULT NodeImpl::get_parentNode(IXMLDOMNode** parent) {
  if (!parent) return E_POINTER;
  *parent = nullptr;
  xmlNodePtr n = node();
  if (isDocument_ || n->type == XML_ATTRIBUTE_NODE || !n->parent) return S_FALSE;
  if (reinterpret_cast<xmlDocPtr>(n->parent) == tree_->doc) {
    // The document itself: a new document object over the same tree.
    return Create(n->parent, IXMLDOMNode::kvIid, reinterpret_cast<void**>(parent));
  }
  return Hand(n->parent, parent);
}

HRESULT NodeImpl::get_childNodes(IXMLDOMNodeList** children) {
  if (!children) return E_POINTER;
  std::vector<xmlNodePtr> nodes;
  xmlNodePtr n = node();
  if (HasChildren(n))
    for (xmlNodePtr c = n->children; c; c = c->next)
      if (!IsLayout(*tree_, c) && c->type != XML_DTD_NODE) nodes.push_back(c);
  *children = NewNodeList(tree_, std::move(nodes));
  return *children ? S_OK : E_OUTOFMEMORY;
}

HRESULT NodeImpl::get_firstChild(IXMLDOMNode** child) {
  xmlNodePtr n = node();
  xmlNodePtr c = HasChildren(n) ? Shown(*tree_, n->children, true) : nullptr;
  while (c && c->type == XML_DTD_NODE) c = Shown(*tree_, c->next, true);
  return Hand(c, child);
}

HRESULT NodeImpl::get_lastChild(IXMLDOMNode** child) {
  xmlNodePtr n = node();
  return Hand(HasChildren(n) ? Shown(*tree_, n->last, false) : nullptr, child);
}

HRESULT NodeImpl::get_previousSibling(IXMLDOMNode** sibling) {
  xmlNodePtr n = node();
  xmlNodePtr s = isDocument_ || n->type == XML_ATTRIBUTE_NODE ? nullptr : Shown(*tree_, n->prev, false);
  if (s && s->type == XML_DTD_NODE) s = nullptr;
  return Hand(s, sibling);
}

HRESULT NodeImpl::get_nextSibling(IXMLDOMNode** sibling) {
  xmlNodePtr n = node();
  return Hand(isDocument_ || n->type == XML_ATTRIBUTE_NODE ? nullptr : Shown(*tree_, n->next, true), sibling);
}

HRESULT NodeImpl::get_attributes(IXMLDOMNamedNodeMap** attributes) {
  if (!attributes) return E_POINTER;
  *attributes = nullptr;
  if (node()->type != XML_ELEMENT_NODE) return S_FALSE;
  *attributes = NewAttributeMap(tree_, node());
  return *attributes ? S_OK : E_OUTOFMEMORY;
}

HRESULT NodeImpl::Insert(IXMLDOMNode* newChild, xmlNodePtr before, IXMLDOMNode** out) {
  if (out) *out = nullptr;
  NodeImpl* child = From(newChild);
  if (!child) return Fail(E_INVALIDARG, L"The parameter is not a node of this library.");
  xmlNodePtr parent = node();
  xmlNodePtr c = child->node();
  if (!HasChildren(parent))
    return Fail(E_FAIL, L"This operation can not be performed with a Node of this type.");
  if (child->isDocument_ || c->type == XML_ATTRIBUTE_NODE || c->type == XML_DOCUMENT_NODE)
    return Fail(E_FAIL, L"Insert of a node of this type is not allowed.");
  if (c->doc != tree_->doc) return Fail(E_FAIL, L"The node belongs to another document.");
  for (xmlNodePtr up = parent; up; up = up->parent)
    if (up == c) return Fail(E_FAIL, L"Inserting a parent node as a child is not allowed.");
  if (before == c) return Hand(c, out);
  if (parent->type == XML_DOCUMENT_NODE) {
    if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE)
      return Fail(E_FAIL, L"Text cannot be a child of the document.");
    if (c->type == XML_ELEMENT_NODE) {
      xmlNodePtr root = xmlDocGetRootElement(tree_->doc);
      if (root && root != c) return Fail(E_FAIL, L"Only one top level element is allowed in an XML document.");
    }
  }
  if (c->parent) xmlUnlinkNode(c);
  tree_->detached.erase(c);
  LinkChild(parent, c, before);
  return out ? Hand(c, out) : S_OK;
}

HRESULT NodeImpl::raw_insertBefore(IXMLDOMNode* newChild, VARIANT refChild, IXMLDOMNode** out) {
  xmlNodePtr before = nullptr;
  if (refChild.vt == VT_UNKNOWN || refChild.vt == VT_DISPATCH) {
    NodeImpl* ref = From(refChild.punkVal);
    if (ref) {
      before = ref->node();
      if (before->parent != node()) return Fail(E_INVALIDARG, L"The reference node is not a child of this node.");
    }
  } else if (refChild.vt != VT_EMPTY && refChild.vt != VT_NULL) {
    return Fail(E_INVALIDARG, L"The reference node must be a node or null.");
  }
  return Insert(newChild, before, out);
}

HRESULT NodeImpl::raw_appendChild(IXMLDOMNode* newChild, IXMLDOMNode** out) { return Insert(newChild, nullptr, out); }

HRESULT NodeImpl::raw_removeChild(IXMLDOMNode* child, IXMLDOMNode** out) {
  if (out) *out = nullptr;
  NodeImpl* impl = From(child);
  if (!impl) return Fail(E_INVALIDARG, L"The parameter is not a node of this library.");
  xmlNodePtr c = impl->node();
  if (impl->isDocument_ || c->parent != node() || c->type == XML_ATTRIBUTE_NODE)
    return Fail(E_INVALIDARG, L"The node passed in is not a child of this node.");
  tree_->Detach(c);
  return out ? Hand(c, out) : S_OK;
}

HRESULT NodeImpl::raw_hasChildNodes(VARIANT_BOOL* has) {
  if (!has) return E_POINTER;
  xmlNodePtr n = node();
  *has = HasChildren(n) && Shown(*tree_, n->children, true) ? VARIANT_TRUE : VARIANT_FALSE;
  return *has ? S_OK : S_FALSE;
}

HRESULT NodeImpl::get_ownerDocument(IXMLDOMDocument** document) {
  if (!document) return E_POINTER;
  *document = nullptr;
  if (isDocument_) return S_FALSE;
  return Create(reinterpret_cast<xmlNodePtr>(tree_->doc), IXMLDOMDocument::kvIid,
                reinterpret_cast<void**>(document));
}

HRESULT NodeImpl::raw_cloneNode(VARIANT_BOOL deep, IXMLDOMNode** clone) {
  if (!clone) return E_POINTER;
  *clone = nullptr;
  if (isDocument_) {
    auto* copy = new NodeImpl();
    xmlDocPtr doc = xmlCopyDoc(tree_->doc, deep ? 1 : 0);
    if (!doc) {
      copy->Release();
      return E_OUTOFMEMORY;
    }
    xmlFreeDoc(copy->tree_->doc);
    copy->tree_->doc = doc;
    copy->tree_->hasDeclaration = tree_->hasDeclaration;
    copy->tree_->preserveWhiteSpace = tree_->preserveWhiteSpace;
    *clone = static_cast<IXMLDOMDocument*>(copy);
    return S_OK;
  }
  xmlNodePtr copy = xmlDocCopyNode(node_, tree_->doc, deep ? 1 : 2);
  if (!copy) return E_OUTOFMEMORY;
  tree_->detached.insert(copy);
  return Hand(copy, clone);
}

HRESULT NodeImpl::get_text(BSTR* text) {
  if (!text) return E_POINTER;
  std::string content;
  CollectText(*tree_, node(), content);
  *text = NewBstrUtf8(reinterpret_cast<const xmlChar*>(content.c_str()));
  return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT NodeImpl::put_text(BSTR text) {
  xmlNodePtr n = node();
  const std::string content = ToUtf8(text);
  switch (n->type) {
    case XML_ELEMENT_NODE: {
      // The old content goes (kept for node objects that still refer to
      // it); one text node takes its place, none for an empty text.
      while (n->children) tree_->Discard(n->children);
      if (!content.empty()) {
        xmlNodePtr t = xmlNewDocTextLen(tree_->doc, reinterpret_cast<const xmlChar*>(content.data()),
                                        static_cast<int>(content.size()));
        if (!t) return E_OUTOFMEMORY;
        LinkChild(n, t, nullptr);
      }
      return S_OK;
    }
    case XML_ATTRIBUTE_NODE: {
      xmlAttrPtr a = reinterpret_cast<xmlAttrPtr>(n);
      if (a->parent) {
        xmlSetNsProp(a->parent, a->ns, a->name, reinterpret_cast<const xmlChar*>(content.c_str()));
      } else {
        xmlNodeSetContent(n, reinterpret_cast<const xmlChar*>(content.c_str()));
      }
      return S_OK;
    }
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      xmlNodeSetContentLen(n, reinterpret_cast<const xmlChar*>(content.data()), static_cast<int>(content.size()));
      return S_OK;
    default:
      return Fail(E_FAIL, L"This operation can not be performed with a Node of this type.");
  }
}

HRESULT NodeImpl::get_xml(BSTR* xml) {
  if (!xml) return E_POINTER;
  xmlBufferPtr buffer = xmlBufferCreate();
  if (!buffer) return E_OUTOFMEMORY;
  xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer, "UTF-8", XML_SAVE_NO_DECL | XML_SAVE_AS_XML);
  if (!save) {
    xmlBufferFree(buffer);
    return E_OUTOFMEMORY;
  }
  xmlNodePtr n = node();
  if (n->type == XML_DOCUMENT_NODE) {
    xmlSaveDoc(save, tree_->doc);
  } else {
    xmlSaveTree(save, n);
  }
  xmlSaveClose(save);
  std::string text(reinterpret_cast<const char*>(xmlBufferContent(buffer)), xmlBufferLength(buffer));
  xmlBufferFree(buffer);
  if (n->type == XML_DOCUMENT_NODE && !text.empty() && text.back() == '\n') text.pop_back();
  *xml = NewBstrUtf8(reinterpret_cast<const xmlChar*>(text.c_str()));
  return *xml ? S_OK : E_OUTOFMEMORY;
}

HRESULT NodeImpl::raw_selectNodes(BSTR query, IXMLDOMNodeList** nodes) {
  if (!nodes) return E_POINTER;
  *nodes = nullptr;
  std::vector<xmlNodePtr> found;
  HRESULT hr = Select(*tree_, node(), query, found, false);
  if (FAILED(hr)) return hr;
  *nodes = NewNodeList(tree_, std::move(found));
  return *nodes ? S_OK : E_OUTOFMEMORY;
}

HRESULT NodeImpl::raw_selectSingleNode(BSTR query, IXMLDOMNode** node) {
  if (!node) return E_POINTER;
  *node = nullptr;
  std::vector<xmlNodePtr> found;
  HRESULT hr = Select(*tree_, this->node(), query, found, true);
  if (FAILED(hr)) return hr;
  if (found.empty()) return S_FALSE;
  if (found[0]->type == XML_DOCUMENT_NODE)
    return Create(found[0], IXMLDOMNode::kvIid, reinterpret_cast<void**>(node));
  return Hand(found[0], node);
}

}  // namespace kavro::platform::xml
