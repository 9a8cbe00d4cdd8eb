// Node lists (child nodes, query results), attribute maps and the parse
// error object.
#include "platform/com/com_internal.h"
#include "platform/xml/xml_internal.h"

namespace kavro::platform::xml {

namespace {

// The small objects here count references as every library COM object does.
template <class Interface>
using Counted = kavro::platform::ComCounted<Interface>;

// A fixed list of nodes: a snapshot taken when the list was made.
class NodeList final : public Counted<IXMLDOMNodeList> {
 public:
  NodeList(TreePtr tree, std::vector<xmlNodePtr> nodes) : tree_(std::move(tree)), nodes_(std::move(nodes)) {}

  HRESULT get_item(LONG index, IXMLDOMNode** node) override {
    if (!node) return E_POINTER;
    *node = nullptr;
    if (index < 0 || static_cast<size_t>(index) >= nodes_.size()) return S_FALSE;
    *node = Wrap(tree_, nodes_[static_cast<size_t>(index)]);
    return S_OK;
  }
  HRESULT get_length(LONG* length) override {
    if (!length) return E_POINTER;
    *length = static_cast<LONG>(nodes_.size());
    return S_OK;
  }
  HRESULT raw_nextNode(IXMLDOMNode** node) override {
    HRESULT hr = get_item(static_cast<LONG>(next_), node);
    if (hr == S_OK) ++next_;
    return hr;
  }
  HRESULT raw_reset() override {
    next_ = 0;
    return S_OK;
  }

 private:
  TreePtr tree_;
  std::vector<xmlNodePtr> nodes_;
  size_t next_ = 0;
};

// The attributes of one element, read live.
class AttributeMap final : public Counted<IXMLDOMNamedNodeMap> {
 public:
  AttributeMap(TreePtr tree, xmlNodePtr element) : tree_(std::move(tree)), element_(element) {
    ++tree_->wrapped[element_];
  }

  HRESULT raw_getNamedItem(BSTR name, IXMLDOMNode** node) override {
    if (!node) return E_POINTER;
    *node = nullptr;
    const std::string wanted = ToUtf8(name);
    for (xmlAttrPtr a = element_->properties; a; a = a->next) {
      std::string qualified = reinterpret_cast<const char*>(a->name);
      if (a->ns && a->ns->prefix) qualified = std::string(reinterpret_cast<const char*>(a->ns->prefix)) + ":" + qualified;
      if (qualified == wanted) {
        *node = Wrap(tree_, reinterpret_cast<xmlNodePtr>(a));
        return S_OK;
      }
    }
    return S_FALSE;
  }
  HRESULT get_item(LONG index, IXMLDOMNode** node) override {
    if (!node) return E_POINTER;
    *node = nullptr;
    LONG i = 0;
    for (xmlAttrPtr a = element_->properties; a; a = a->next, ++i)
      if (i == index) {
        *node = Wrap(tree_, reinterpret_cast<xmlNodePtr>(a));
        return S_OK;
      }
    return S_FALSE;
  }
  HRESULT get_length(LONG* length) override {
    if (!length) return E_POINTER;
    *length = 0;
    for (xmlAttrPtr a = element_->properties; a; a = a->next) ++*length;
    return S_OK;
  }
  HRESULT raw_nextNode(IXMLDOMNode** node) override {
    HRESULT hr = get_item(next_, node);
    if (hr == S_OK) ++next_;
    return hr;
  }
  HRESULT raw_reset() override {
    next_ = 0;
    return S_OK;
  }

 private:
  ~AttributeMap() override {
    auto it = tree_->wrapped.find(element_);
    if (it != tree_->wrapped.end() && --it->second == 0) tree_->wrapped.erase(it);
  }

  TreePtr tree_;
  xmlNodePtr element_;
  LONG next_ = 0;
};

class ParseError final : public Counted<IXMLDOMParseError> {
 public:
  explicit ParseError(ParseProblem problem) : problem_(std::move(problem)) {}

  HRESULT get_errorCode(LONG* code) override { return Number(problem_.code, code); }
  HRESULT get_url(BSTR* url) override { return Text(problem_.url, url); }
  HRESULT get_reason(BSTR* reason) override { return Text(problem_.reason, reason); }
  HRESULT get_srcText(BSTR* text) override { return Text(problem_.srcText, text); }
  HRESULT get_line(LONG* line) override { return Number(problem_.line, line); }
  HRESULT get_linepos(LONG* position) override { return Number(problem_.linepos, position); }
  HRESULT get_filepos(LONG* position) override { return Number(problem_.filepos, position); }

 private:
  static HRESULT Number(LONG value, LONG* out) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
  }
  static HRESULT Text(const std::wstring& value, BSTR* out) {
    if (!out) return E_POINTER;
    *out = NewBstr(value);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

  ParseProblem problem_;
};

}  // namespace

IXMLDOMNodeList* NewNodeList(const TreePtr& tree, std::vector<xmlNodePtr> nodes) {
  return new NodeList(tree, std::move(nodes));
}

IXMLDOMNamedNodeMap* NewAttributeMap(const TreePtr& tree, xmlNodePtr element) {
  return new AttributeMap(tree, element);
}

IXMLDOMParseError* NewParseError(const ParseProblem& problem) { return new ParseError(problem); }

}  // namespace kavro::platform::xml
