// Element and attribute methods: tag names, attributes by name, the
// elements below by name, attribute names and values.
#include <libxml/tree.h>
#include <libxml/valid.h>

#include "platform/xml/xml_internal.h"

namespace kavro::platform::xml {

namespace {

// The attribute of an element by qualified name ("p:name" or "name").
xmlAttrPtr FindAttribute(xmlNodePtr element, const std::string& name) {
  for (xmlAttrPtr a = element->properties; a; a = a->next) {
    std::string qualified = reinterpret_cast<const char*>(a->name);
    if (a->ns && a->ns->prefix) qualified = std::string(reinterpret_cast<const char*>(a->ns->prefix)) + ":" + qualified;
    if (qualified == name) return a;
  }
  return nullptr;
}

bool IsName(const std::string& name) {
  return !name.empty() && xmlValidateName(reinterpret_cast<const xmlChar*>(name.c_str()), 0) == 0;
}

}  // namespace

HRESULT NodeImpl::get_tagName(BSTR* name) { return get_nodeName(name); }

HRESULT NodeImpl::raw_getAttribute(BSTR name, VARIANT* value) {
  if (!value) return E_POINTER;
  VariantInit(value);
  value->vt = VT_NULL;
  xmlNodePtr n = node();
  if (n->type != XML_ELEMENT_NODE) return Fail(E_FAIL, L"The node is not an element.");
  xmlAttrPtr a = FindAttribute(n, ToUtf8(name));
  if (!a) return S_FALSE;
  std::string text;
  CollectText(*tree_, reinterpret_cast<xmlNodePtr>(a), text);
  value->vt = VT_BSTR;
  value->bstrVal = NewBstrUtf8(reinterpret_cast<const xmlChar*>(text.c_str()));
  return value->bstrVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT NodeImpl::raw_setAttribute(BSTR name, VARIANT value) {
  xmlNodePtr n = node();
  if (n->type != XML_ELEMENT_NODE) return Fail(E_FAIL, L"The node is not an element.");
  const std::string key = ToUtf8(name);
  if (!IsName(key)) return Fail(E_FAIL, L"The name \"" + std::wstring(name ? name : L"") + L"\" is not a valid XML name.");
  _variant_t text;
  HRESULT hr = VariantChangeType(&text, &value, 0, VT_BSTR);
  if (FAILED(hr)) return Fail(hr, L"The value cannot be converted to text.");
  const std::string content = ToUtf8(text.bstrVal);
  if (xmlAttrPtr a = FindAttribute(n, key)) {
    xmlSetNsProp(n, a->ns, a->name, reinterpret_cast<const xmlChar*>(content.c_str()));
    return S_OK;
  }
  const size_t colon = key.find(':');
  xmlNsPtr ns = nullptr;
  std::string local = key;
  if (colon != std::string::npos) {
    ns = xmlSearchNs(tree_->doc, n, reinterpret_cast<const xmlChar*>(key.substr(0, colon).c_str()));
    if (ns) local = key.substr(colon + 1);
  }
  if (!xmlNewNsProp(n, ns, reinterpret_cast<const xmlChar*>(local.c_str()),
                    reinterpret_cast<const xmlChar*>(content.c_str())))
    return E_OUTOFMEMORY;
  return S_OK;
}

HRESULT NodeImpl::raw_removeAttribute(BSTR name) {
  xmlNodePtr n = node();
  if (n->type != XML_ELEMENT_NODE) return Fail(E_FAIL, L"The node is not an element.");
  if (xmlAttrPtr a = FindAttribute(n, ToUtf8(name))) tree_->Discard(reinterpret_cast<xmlNodePtr>(a));
  return S_OK;
}

HRESULT NodeImpl::raw_getElementsByTagName(BSTR name, IXMLDOMNodeList** nodes) {
  if (!nodes) return E_POINTER;
  *nodes = nullptr;
  const std::string wanted = ToUtf8(name);
  std::vector<xmlNodePtr> found;
  xmlNodePtr top = node();
  // Depth-first, document order, the node itself not included.
  xmlNodePtr c = top->children;
  while (c) {
    if (c->type == XML_ELEMENT_NODE) {
      std::string qualified = reinterpret_cast<const char*>(c->name);
      if (c->ns && c->ns->prefix) qualified = std::string(reinterpret_cast<const char*>(c->ns->prefix)) + ":" + qualified;
      if (wanted == "*" || qualified == wanted) found.push_back(c);
      if (c->children) {
        c = c->children;
        continue;
      }
    }
    while (c && c != top && !c->next) c = c->parent;
    if (!c || c == top) break;
    c = c->next;
  }
  *nodes = NewNodeList(tree_, std::move(found));
  return *nodes ? S_OK : E_OUTOFMEMORY;
}

HRESULT NodeImpl::get_name(BSTR* name) { return get_nodeName(name); }

HRESULT NodeImpl::get_value(VARIANT* value) { return get_nodeValue(value); }

HRESULT NodeImpl::put_value(VARIANT value) { return put_nodeValue(value); }

}  // namespace kavro::platform::xml
