// Fuzz target for XML settings files: the input is written as a settings
// file and loaded with CXMLFile, then read through every form: the keys and
// values of each element down the tree, strings and attributes by section
// and key (names taken from the document, so odd names reach the queries),
// the DOM's text and XML of every node, and a save and reload. _com_error
// for a name that is no valid query is expected; a crash, hang, leak, bad
// read or any other exception is a fault, as is a saved file that does not
// load again.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"

namespace {

const std::string& Folder() {
  static const std::string path = [] {
    char folder[] = "/tmp/kavro-xml-fuzz-XXXXXX";
    if (!mkdtemp(folder)) std::abort();
    return std::string(folder);
  }();
  return path;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

// Reads below the element at `path` (names joined by "/"), a few levels deep.
void Walk(CXMLFile& xml, const CString& path, int depth, int& budget) {
  if (depth > 6 || --budget < 0) return;
  std::vector<std::wstring> keys;
  CStringArray values;
  try {
    Check(xml.GetKeys(path, keys) == 0);
    Check(xml.GetKeysValue(path, values) == 0);
  } catch (const _com_error&) {
    return;
  }
  Check(static_cast<size_t>(values.GetSize()) == keys.size());
  for (size_t i = 0; i < keys.size() && i < 16; ++i) {
    const CString key = keys[i].c_str();
    if (key[0] == L'#') continue;
    try {
      xml.GetString(path, key, L"d");
      xml.GetAttribute(path, key, L"a", L"def");
      xml.GetLong(path, key, 7);
      xml.GetData(path, key, 0.5);
    } catch (const _com_error&) {
    }
    Walk(xml, path.IsEmpty() ? key : path + L"/" + key, depth + 1, budget);
  }
}

void ReadNodes(IXMLDOMDocumentPtr doc) {
  IXMLDOMNodeListPtr nodes = doc->selectNodes(L"//node() | //@*");
  for (LONG i = 0, n = nodes->Getlength(); i < n && i < 256; ++i) {
    IXMLDOMNodePtr node = nodes->Getitem(i);
    node->Gettext();
    node->Getxml();
    node->GetnodeName();
    node->GetchildNodes()->Getlength();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file = Folder() + "/f.xml", copy = Folder() + "/g.xml";
  FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  const std::wstring path = kavro::platform::KvWindowsPath(file);
  const std::wstring copyPath = kavro::platform::KvWindowsPath(copy);
  try {
    CXMLFile xml;
    const int loaded = xml.load(path.c_str(), L"xmlRoot");
    Check(loaded == 1 || loaded == 2);
    if (loaded != 2) return 0;
    int budget = 200;
    Walk(xml, CString(), 0, budget);
    ReadNodes(xml.m_pDoc);
    const std::wstring before = static_cast<const wchar_t*>(xml.m_pDoc->Getxml());
    if (xml.save(copyPath.c_str())) {
      CXMLFile again;
      Check(again.load(copyPath.c_str(), L"xmlRoot") == 2);
      Check(std::wstring(static_cast<const wchar_t*>(again.m_pDoc->Getxml())) == before);
    }
    // A write through the document as loaded (its root may have any name).
    if (xml.SetString(L"Fuzz/Section", L"Key", L"v<&>\u4E2D") == 0) xml.GetString(L"Fuzz/Section", L"Key", L"");
  } catch (const _com_error&) {
  }
  return 0;
}
