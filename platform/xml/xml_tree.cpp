// The document tree: detached nodes, text conversions, layout whitespace,
// node text and linking children.
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/xpath.h>

#include "platform/com/com_internal.h"
#include "platform/strings/codepage_internal.h"
#include "platform/xml/xml_internal.h"

namespace kavro::platform::xml {

Tree::Tree() = default;

Tree::~Tree() {
  // Free the roots of detached subtrees before the document: their names
  // may live in the document's dictionary.
  std::vector<xmlNodePtr> roots;
  for (xmlNodePtr node : detached)
    if (node->parent == nullptr) roots.push_back(node);
  for (xmlNodePtr node : roots) xmlFreeNode(node);
  if (xpath) xmlXPathFreeContext(xpath);
  if (doc) xmlFreeDoc(doc);
}

void Tree::Detach(xmlNodePtr node) {
  xmlUnlinkNode(node);
  detached.insert(node);
}

bool Tree::SubtreeWrapped(xmlNodePtr node) const {
  if (wrapped.count(node)) return true;
  if (node->type == XML_ENTITY_REF_NODE) return false;  // children belong to the entity
  if (node->type == XML_ELEMENT_NODE)
    for (xmlAttrPtr a = node->properties; a; a = a->next)
      if (wrapped.count(reinterpret_cast<xmlNodePtr>(a))) return true;
  for (xmlNodePtr c = node->children; c; c = c->next)
    if (SubtreeWrapped(c)) return true;
  return false;
}

void Tree::Discard(xmlNodePtr node) {
  if (SubtreeWrapped(node)) {
    Detach(node);
  } else {
    xmlUnlinkNode(node);
    detached.erase(node);
    xmlFreeNode(node);
  }
}

std::string ToUtf8(const wchar_t* text, size_t length) {
  std::string out;
  if (text) EncodeUtf8(text, length, out, false, nullptr);
  return out;
}

std::string ToUtf8(BSTR text) { return ToUtf8(text, text ? SysStringLen(text) : 0); }

std::wstring FromUtf8(const xmlChar* text) {
  std::wstring out;
  if (text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    DecodeUtf8(bytes, xmlStrlen(text), out, kUtf8Replace);
  }
  return out;
}

BSTR NewBstr(const std::wstring& text) { return SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

BSTR NewBstrUtf8(const xmlChar* text) { return NewBstr(FromUtf8(text)); }

HRESULT Fail(HRESULT hr, const std::wstring& description) {
  KvSetComError(description, L"msxml3.dll");
  return hr;
}

bool IsLayout(const Tree& tree, xmlNodePtr node) {
  if (tree.preserveWhiteSpace || node->type != XML_TEXT_NODE || !xmlIsBlankNode(node)) return false;
  if (node->parent == nullptr) return false;
  if (node->parent->type == XML_DOCUMENT_NODE) return true;
  for (xmlNodePtr sibling = node->parent->children; sibling; sibling = sibling->next)
    if (sibling->type != XML_TEXT_NODE) return true;
  return false;
}

namespace {

void CollectChildren(const Tree& tree, xmlNodePtr first, std::string& out, int depth);

void CollectNode(const Tree& tree, xmlNodePtr node, std::string& out, int depth) {
  switch (node->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
      if (!IsLayout(tree, node) && node->content) out += reinterpret_cast<const char*>(node->content);
      break;
    case XML_ENTITY_REF_NODE: {
      // The entity's parsed content; libxml2 refused loops and excessive
      // expansion while parsing, and the depth bounds what remains.
      xmlEntityPtr entity = xmlGetDocEntity(node->doc, node->name);
      if (entity && depth < 40) {
        if (entity->etype == XML_INTERNAL_PREDEFINED_ENTITY) {
          if (entity->content) out += reinterpret_cast<const char*>(entity->content);
        } else if (entity->etype == XML_INTERNAL_GENERAL_ENTITY) {
          if (entity->children) CollectChildren(tree, entity->children, out, depth + 1);
          else if (entity->content) out += reinterpret_cast<const char*>(entity->content);
        }
      }
      break;
    }
    case XML_ELEMENT_NODE:
    case XML_DOCUMENT_NODE:
    case XML_DOCUMENT_FRAG_NODE:
      CollectChildren(tree, node->children, out, depth);
      break;
    default:
      break;
  }
}

void CollectChildren(const Tree& tree, xmlNodePtr first, std::string& out, int depth) {
  for (xmlNodePtr c = first; c; c = c->next) CollectNode(tree, c, out, depth);
}

}  // namespace

void CollectText(const Tree& tree, xmlNodePtr node, std::string& out) {
  switch (node->type) {
    case XML_ATTRIBUTE_NODE: {
      xmlChar* value = xmlNodeGetContent(node);
      if (value) out += reinterpret_cast<const char*>(value);
      xmlFree(value);
      break;
    }
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
      if (node->content) out += reinterpret_cast<const char*>(node->content);
      break;
    default:
      CollectNode(tree, node, out, 0);
      break;
  }
}

void LinkChild(xmlNodePtr parent, xmlNodePtr child, xmlNodePtr before) {
  child->parent = parent;
  if (before) {
    child->next = before;
    child->prev = before->prev;
    if (before->prev) before->prev->next = child;
    else parent->children = child;
    before->prev = child;
  } else {
    child->prev = parent->last;
    child->next = nullptr;
    if (parent->last) parent->last->next = child;
    else parent->children = child;
    parent->last = child;
  }
}

}  // namespace kavro::platform::xml
