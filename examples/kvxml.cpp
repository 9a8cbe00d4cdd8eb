// kvxml: a command-line tool over the library's XML settings files.
//
//   kvxml get FILE SECTION KEY [-a ATTR]        prints the value (or attribute)
//   kvxml set FILE SECTION KEY VALUE [-a ATTR]  writes it, creating the file
//   kvxml delete FILE SECTION KEY               removes the element and all below
//   kvxml keys FILE [PATH]                      names of the children at PATH
//                                               (the root element when omitted)
//
// SECTION is a path of elements below the root ("Draw/Line"); reads find
// the first "SECTION/KEY" anywhere in the document, writes walk down from
// the root. Values are printed in UTF-8 followed by a newline. A file that
// does not parse is reported and never written. Exit code 0 on success, 1
// when the setting is missing or something failed, 2 for a wrong command.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "tool_cli.h"
#include "tool_text.h"

namespace {

using kavro::tools::Utf8;
using kavro::tools::Wide;

const kavro::tools::Tool kTool{"kvxml",
                               "usage: kvxml get FILE SECTION KEY [-a ATTR]\n"
                               "       kvxml set FILE SECTION KEY VALUE [-a ATTR]\n"
                               "       kvxml delete FILE SECTION KEY\n"
                               "       kvxml keys FILE [PATH]\n"
                               "       kvxml --help | --version\n"};

using kavro::tools::Fail;
using kavro::tools::Report;

// Opens the settings file; false (with a message) when it exists but does
// not parse, or must exist and does not.
bool Open(CXMLFile& xml, const std::string& file, bool mustExist) {
  const std::wstring path = Wide(file.c_str());
  if (mustExist && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    Report(kTool, file, kavro::tools::SystemText(ERROR_FILE_NOT_FOUND));
    return false;
  }
  const int loaded = xml.load(path.c_str(), L"xmlRoot");
  if (loaded == 2) return true;
  if (loaded == 1) {
    IXMLDOMParseErrorPtr error = xml.m_pDoc->GetparseError();
    const _bstr_t reason = error->Getreason();
    Report(kTool, file,
           "line " + std::to_string(static_cast<int>(error->Getline())) + ": " +
               Utf8(reason.length() ? std::wstring(reason) : L"not XML"));
  } else {
    Report(kTool, file, "cannot create the XML document");
  }
  return false;
}

bool Save(CXMLFile& xml, const std::string& file) {
  SetLastError(ERROR_SUCCESS);
  if (xml.save()) return true;
  const DWORD error = GetLastError();
  Report(kTool, file, error ? "cannot write: " + kavro::tools::SystemText(error) : std::string("cannot write"));
  return false;
}

int Run(const std::vector<std::string>& args) {
  const std::string& command = args[0];
  std::wstring attribute;
  std::vector<std::string> plain;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-a" && i + 1 < args.size()) attribute = Wide(args[++i].c_str());
    else plain.push_back(args[i]);
  }
  CXMLFile xml;
  if (command == "get" && plain.size() == 3) {
    if (!Open(xml, plain[0], true)) return 1;
    std::wstring text, attr;
    const CString section = Wide(plain[1].c_str()).c_str(), key = Wide(plain[2].c_str()).c_str();
    bool found = xml.GetNodeValue(section, key, L"", text, attribute.c_str(), L"", attr) == 0;
    if (found && !attribute.empty()) {
      IXMLDOMNodePtr node;
      xml.GetNode(section + L"/" + key, node);
      _variant_t value = IXMLDOMElementPtr(node) ? IXMLDOMElementPtr(node)->getAttribute(attribute.c_str()) : _variant_t();
      found = value.vt == VT_BSTR;
    }
    if (!found) {
      return Fail(kTool, plain[0],
                  plain[1] + "/" + plain[2] + (attribute.empty() ? "" : " @" + Utf8(attribute)) + ": not found");
    }
    std::printf("%s\n", Utf8(attribute.empty() ? text : attr).c_str());
    return 0;
  }
  if (command == "set" && plain.size() == 4) {
    if (!Open(xml, plain[0], false)) return 1;
    const CString section = Wide(plain[1].c_str()).c_str(), key = Wide(plain[2].c_str()).c_str();
    const CString value = Wide(plain[3].c_str()).c_str();
    LONG result = attribute.empty() ? xml.SetString(section, key, value)
                                    : xml.SetAttribute(section, key, attribute.c_str(), value);
    if (result == 0 && attribute.empty() && value.IsEmpty()) {
      // An empty value leaves the text of SetString alone: clear it here.
      IXMLDOMNodePtr node;
      if (xml.GetNode(section + L"/" + key, node) == 0) node->Puttext(L"");
    }
    if (result != 0) {
      return Fail(kTool, plain[0],
                  "cannot set " + plain[1] + "/" + plain[2] + " (" + std::to_string(static_cast<int>(result)) + ")");
    }
    return Save(xml, plain[0]) ? 0 : 1;
  }
  if (command == "delete" && plain.size() == 3) {
    if (!Open(xml, plain[0], true)) return 1;
    const CString section = Wide(plain[1].c_str()).c_str(), key = Wide(plain[2].c_str()).c_str();
    IXMLDOMNodePtr node;
    if (xml.GetNode(section.IsEmpty() ? key : section + L"/" + key, node) != 0) {
      return Fail(kTool, plain[0], plain[1] + "/" + plain[2] + ": not found");
    }
    xml.DeleteSetting(section, key);
    return Save(xml, plain[0]) ? 0 : 1;
  }
  if (command == "keys" && (plain.size() == 1 || plain.size() == 2)) {
    if (!Open(xml, plain[0], true)) return 1;
    std::vector<std::wstring> keys;
    xml.GetKeys(plain.size() == 2 ? CString(Wide(plain[1].c_str()).c_str()) : CString(), keys);
    for (const std::wstring& key : keys) std::printf("%s\n", Utf8(key).c_str());
    return 0;
  }
  if (command != "get" && command != "set" && command != "delete" && command != "keys")
    return kavro::tools::UsageError(kTool, "unknown command \"" + command + "\"");
  return kavro::tools::UsageError(kTool, command + ": wrong number of arguments");
}

}  // namespace

int main(int argc, char** argv) {
  if (const int rc = kavro::tools::HandleStandardOptions(kTool, argc, argv); rc >= 0) return rc;
  if (argc < 2) return kavro::tools::UsageError(kTool, "no command");
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    return Run(args);
  } catch (const _com_error& e) {
    const _bstr_t description = e.Description();
    return Fail(kTool, args.size() > 1 ? args[1] : args[0],
                Utf8(description.length() ? std::wstring(description) : std::wstring(e.ErrorMessage())));
  }
}
