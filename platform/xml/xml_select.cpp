// XPath queries from a node, with the tree's XPath context kept between
// queries and the reason of an invalid expression reported.
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include "platform/xml/xml_internal.h"

namespace kavro::platform::xml {

namespace {

void RecordError(void* data, xmlErrorPtr error) {
  auto* tree = static_cast<Tree*>(data);
  if (error && error->message && tree->xpathError.empty()) tree->xpathError = error->message;
}

}  // namespace

HRESULT Select(const Tree& constTree, xmlNodePtr node, BSTR query, std::vector<xmlNodePtr>& found, bool firstOnly) {
  Tree& tree = const_cast<Tree&>(constTree);
  const std::string expression = ToUtf8(query);
  if (expression.empty()) return Fail(E_FAIL, L"Expected token 'EOF' found ''.\r\n-->|<--");
  if (!tree.xpath) {
    tree.xpath = xmlXPathNewContext(tree.doc);
    if (!tree.xpath) return E_OUTOFMEMORY;
    tree.xpath->error = RecordError;
    tree.xpath->userData = &tree;
  }
  xmlXPathContextPtr context = tree.xpath;
  context->doc = tree.doc;
  context->node = node;
  context->nsNr = 0;
  context->namespaces = nullptr;
  xmlXPathRegisteredNsCleanup(context);
  for (const auto& [prefix, uri] : tree.namespaces)
    xmlXPathRegisterNs(context, reinterpret_cast<const xmlChar*>(prefix.c_str()),
                       reinterpret_cast<const xmlChar*>(uri.c_str()));
  tree.xpathError.clear();
  xmlXPathObjectPtr result = xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expression.c_str()), context);
  if (!result || !tree.xpathError.empty()) {
    std::wstring reason = FromUtf8(reinterpret_cast<const xmlChar*>(tree.xpathError.c_str()));
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L' ')) reason.pop_back();
    if (result) xmlXPathFreeObject(result);
    return Fail(E_FAIL, (reason.empty() ? std::wstring(L"Invalid query") : reason) + L": " +
                            std::wstring(query, SysStringLen(query)));
  }
  if (result->type != XPATH_NODESET) {
    xmlXPathFreeObject(result);
    return Fail(E_FAIL, L"Expression does not return a DOM node.\r\n" + std::wstring(query, SysStringLen(query)));
  }
  if (xmlNodeSetPtr set = result->nodesetval) {
    for (int i = 0; i < set->nodeNr; ++i) {
      xmlNodePtr n = set->nodeTab[i];
      if (n->type == XML_NAMESPACE_DECL || IsLayout(tree, n)) continue;
      found.push_back(n);
      if (firstOnly) break;
    }
  }
  xmlXPathFreeObject(result);
  return S_OK;
}

}  // namespace kavro::platform::xml
