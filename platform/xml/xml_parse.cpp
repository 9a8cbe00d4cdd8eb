// Loading documents safely: no network, no external entities or DTDs read
// (a refusing entity loader guards our parses even if a caller's options
// would ask for them), libxml2's default size and expansion limits, and the
// parse error as the DOM reports it.
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/xml/xml_internal.h"

namespace kavro::platform::xml {

namespace {

thread_local bool t_parsing = false;
xmlExternalEntityLoader g_previousLoader = nullptr;

xmlParserInputPtr RefusingLoader(const char* url, const char* id, xmlParserCtxtPtr context) {
  if (t_parsing) return nullptr;  // our documents never read outside resources
  return g_previousLoader ? g_previousLoader(url, id, context) : nullptr;
}

void InstallLoader() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    g_previousLoader = xmlGetExternalEntityLoader();
    xmlSetExternalEntityLoader(RefusingLoader);
  });
}

struct ParsingScope {
  ParsingScope() { t_parsing = true; }
  ~ParsingScope() { t_parsing = false; }
};

// The text of line `line` (from 1) of the input, for srcText.
std::wstring SourceLine(const char* bytes, size_t length, int line) {
  if (line <= 0) return {};
  size_t start = 0;
  for (int l = 1; l < line && start < length; ++l) {
    const void* nl = std::memchr(bytes + start, '\n', length - start);
    if (!nl) return {};
    start = static_cast<size_t>(static_cast<const char*>(nl) - bytes) + 1;
  }
  size_t end = start;
  while (end < length && bytes[end] != '\n' && bytes[end] != '\r' && end - start < 512) ++end;
  std::string piece(bytes + start, end - start);
  return FromUtf8(reinterpret_cast<const xmlChar*>(piece.c_str()));
}

std::wstring Trimmed(const char* message) {
  std::wstring text = FromUtf8(reinterpret_cast<const xmlChar*>(message ? message : "The document is not valid XML."));
  while (!text.empty() && (text.back() == L'\n' || text.back() == L' ')) text.pop_back();
  return text;
}

// Bytes the entity references of a document expand to, counted without
// expanding them: libxml2 keeps references (no substitution), so its own
// amplification check does not see a large entity referenced many times.
class ExpansionCounter {
 public:
  explicit ExpansionCounter(uint64_t limit) : limit_(limit) {}

  // False as soon as the total passes the limit.
  bool Count(xmlNodePtr first) {
    for (xmlNodePtr n = first; n; n = n->next) {
      if (n->type == XML_ENTITY_REF_NODE) {
        Add(Expanded(xmlGetDocEntity(n->doc, n->name), 0));
      } else if (n->type == XML_ELEMENT_NODE) {
        for (xmlAttrPtr a = n->properties; a; a = a->next) Count(a->children);
        Count(n->children);
      }
      if (total_ > limit_) return false;
    }
    return total_ <= limit_;
  }

 private:
  void Add(uint64_t bytes) { total_ = bytes > UINT64_MAX - total_ ? UINT64_MAX : total_ + bytes; }

  uint64_t Expanded(xmlEntityPtr entity, int depth) {
    if (!entity) return 0;
    auto it = sizes_.find(entity);
    if (it != sizes_.end()) return it->second;
    if (depth > 40) return UINT64_MAX;
    sizes_[entity] = UINT64_MAX;  // a loop counts as too much
    uint64_t size = 0;
    if (entity->children) {
      size = Sum(entity->children, depth + 1);
    } else if (entity->content) {
      size = static_cast<uint64_t>(xmlStrlen(entity->content));
    }
    sizes_[entity] = size;
    return size;
  }

  uint64_t Sum(xmlNodePtr first, int depth) {
    uint64_t size = 0;
    for (xmlNodePtr n = first; n; n = n->next) {
      uint64_t part = 0;
      if (n->type == XML_ENTITY_REF_NODE) part = Expanded(xmlGetDocEntity(n->doc, n->name), depth);
      else if (n->type == XML_ELEMENT_NODE) part = Sum(n->children, depth);
      else if (n->content) part = static_cast<uint64_t>(xmlStrlen(n->content));
      size = part > UINT64_MAX - size ? UINT64_MAX : size + part;
    }
    return size;
  }

  uint64_t limit_;
  uint64_t total_ = 0;
  std::unordered_map<xmlEntityPtr, uint64_t> sizes_;
};

}  // namespace

bool HasDeclaration(const char* bytes, size_t length) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  if (length >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    b += 3;
    length -= 3;
  }
  // UTF-16 either way, with or without its mark: compare every other byte.
  size_t step = 1, offset = 0;
  if (length >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
    step = 2;
    offset = b[0] == 0xFF ? 2 : 3;
  } else if (length >= 2 && b[0] == '<' && b[1] == 0) {
    step = 2;
  } else if (length >= 2 && b[0] == 0 && b[1] == '<') {
    step = 2;
    offset = 1;
  }
  const char* want = "<?xml";
  for (size_t i = 0; i < 6; ++i) {
    const size_t at = offset + i * step;
    if (at >= length) return false;
    if (i < 5) {
      if (b[at] != static_cast<unsigned char>(want[i])) return false;
    } else if (!(b[at] == ' ' || b[at] == '\t' || b[at] == '\r' || b[at] == '\n')) {
      return false;
    }
  }
  return true;
}

xmlDocPtr ParseBytes(const char* bytes, size_t length, const std::string& url, ParseProblem& problem) {
  InstallLoader();
  problem = ParseProblem{};
  if (length > static_cast<size_t>(INT32_MAX)) {
    problem.code = E_FAIL;
    problem.reason = L"The document is too large.";
    return nullptr;
  }
  xmlParserCtxtPtr context = xmlNewParserCtxt();
  if (!context) {
    problem.code = E_OUTOFMEMORY;
    problem.reason = L"Not enough memory to parse the document.";
    return nullptr;
  }
  // Network off; entities stay references (no NOENT), no DTD loading or
  // validation, no huge-document override: libxml2 refuses entity loops
  // and expansions out of proportion to the document.
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  xmlDocPtr doc;
  {
    ParsingScope scope;
    doc = xmlCtxtReadMemory(context, bytes, static_cast<int>(length), url.empty() ? nullptr : url.c_str(), nullptr,
                            options);
  }
  if (!doc || !context->wellFormed) {
    xmlErrorPtr error = xmlCtxtGetLastError(context);
    problem.code = E_FAIL;
    problem.reason = Trimmed(error ? error->message : nullptr);
    problem.url = FromUtf8(reinterpret_cast<const xmlChar*>(url.c_str()));
    problem.line = error ? error->line : 0;
    problem.linepos = error ? error->int2 : 0;
    const long consumed = xmlByteConsumed(context);
    problem.filepos = consumed > 0 ? static_cast<LONG>(consumed) : 0;
    problem.srcText = SourceLine(bytes, length, problem.line);
    if (doc) xmlFreeDoc(doc);
    doc = nullptr;
  } else if (doc->intSubset && doc->intSubset->entities) {
    // Text read through the DOM expands references: refuse documents whose
    // expansion is out of proportion to their size (10 MiB plus ten times
    // the document, libxml2's own ratio for substituted entities).
    ExpansionCounter counter((uint64_t{10} << 20) + uint64_t{10} * length);
    if (!counter.Count(doc->children)) {
      problem.code = E_FAIL;
      problem.reason = L"The entity references of the document expand beyond the allowed size.";
      problem.url = FromUtf8(reinterpret_cast<const xmlChar*>(url.c_str()));
      xmlFreeDoc(doc);
      doc = nullptr;
    }
  }
  xmlFreeParserCtxt(context);
  return doc;
}

}  // namespace kavro::platform::xml
