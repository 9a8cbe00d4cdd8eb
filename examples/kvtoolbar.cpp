// kvtoolbar: toolbar files (.mns) on the command line, through the library's
// toolbar loader and writer.
//
//   kvtoolbar list FILE [--codepage CP]    each toolbar's header line and its
//                                          button lines (indented), in UTF-8
//   kvtoolbar check FILE [--codepage CP]   loads the file and says what it holds
//   kvtoolbar convert IN OUT [--from CP] [--to CP]
//                                          rewrites IN as the library writes
//                                          toolbar files, in code page CP
//
// Toolbar files are text in a code page; CP is its number (936, 1252, 65001
// for UTF-8, ...), by default the process's ANSI code page. check and
// convert fail (exit 1, with the cause) when the file cannot be read, holds
// no toolbar the library keeps, or holds bytes that are invalid in its code
// page (they would read as replacement characters). convert also fails,
// writing nothing, when a text cannot be written in the target code page:
// it would turn into '?'. The written file holds what the library loaded:
// one header line with all six texts per toolbar (group lines resolved,
// ignored lines gone), its button lines, and an empty line.
// Exit code 0 on success, 1 when something failed, 2 for a wrong command.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "tool_cli.h"
#include "tool_text.h"

namespace {

using kavro::tools::Fail;
using kavro::tools::SystemText;
using kavro::tools::Utf8;

const kavro::tools::Tool kTool{"kvtoolbar",
                               "usage: kvtoolbar list FILE [--codepage CP]\n"
                               "       kvtoolbar check FILE [--codepage CP]\n"
                               "       kvtoolbar convert IN OUT [--from CP] [--to CP]\n"
                               "       kvtoolbar --help | --version\n"
                               "CP: a code page number (936, 1252, 65001 for UTF-8, ...);\n"
                               "    the ANSI code page by default\n"};

// Keeps the texts of the message boxes the library shows (it reports a file
// it cannot open, read or write that way) instead of showing them.
class Messages {
 public:
  Messages() {
    previous_ = KvGetMessageBoxHandler(&previousContext_);
    KvSetMessageBoxHandler(&Keep, this);
  }
  ~Messages() { KvSetMessageBoxHandler(previous_, previousContext_); }
  Messages(const Messages&) = delete;
  Messages& operator=(const Messages&) = delete;

  bool empty() const { return texts_.empty(); }
  // The first text, without its line end.
  std::string first() const {
    std::string text = texts_.empty() ? std::string() : texts_.front();
    while (!text.empty() && (text.back() == '\n' || text.back() == '.')) text.pop_back();
    return text;
  }

 private:
  static int Keep(LPCWSTR text, LPCWSTR, UINT, void* context) {
    static_cast<Messages*>(context)->texts_.push_back(Utf8(text ? text : L""));
    return IDOK;
  }

  KvMessageBoxHandler previous_ = nullptr;
  void* previousContext_ = nullptr;
  std::vector<std::string> texts_;
};

// Why the file cannot be opened for reading, or "".
std::string CannotOpen(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return SystemText(GetLastError());
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return SystemText(ERROR_ACCESS_DENIED);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return SystemText(GetLastError());
  CloseHandle(file);
  return "";
}

// The code page named by `text` ("" leaves `codePage` alone); false when it
// is no number or a code page the library cannot convert.
bool ParseCodePage(const std::string& text, UINT& codePage) {
  if (text.empty()) return true;
  char* end = nullptr;
  const unsigned long number = std::strtoul(text.c_str(), &end, 10);
  if (*end != '\0' || number == 0 || number > 0xFFFF || !IsValidCodePage(static_cast<UINT>(number))) return false;
  codePage = static_cast<UINT>(number);
  return true;
}

// Every text of the set with where it stands ("toolbar Draw, button Line").
template <typename Visit>
void EachText(const CJToolBarParam& set, Visit visit) {
  for (INT_PTR t = 0; t < set.GetSize(); ++t) {
    const JButtonArray& bar = set[t];
    const std::string where = "toolbar \"" + Utf8(bar.m_strName.GetString()) + "\"";
    for (const CString* text : {&bar.m_strName, &bar.m_strGroup, &bar.m_strModule, &bar.m_strField4,
                                &bar.m_strField5, &bar.m_strField6})
      visit(*text, where);
    for (INT_PTR b = 0; b < bar.GetSize(); ++b) {
      const CJButtonParam& button = bar[b];
      const std::string at = where + ", button \"" + Utf8(button.m_strName.GetString()) + "\"";
      for (const CString* text : {&button.m_strName, &button.m_strField2, &button.m_strField3, &button.m_strField4,
                                  &button.m_strField5, &button.m_strField6})
        visit(*text, at);
    }
  }
}

bool Refuse(const std::string& file, const std::string& cause) {
  Fail(kTool, file, cause);
  return false;
}

// Loads `file` in the current ANSI code page; false (with the message) when
// it does not load, holds no toolbar or holds bytes invalid in the code page.
bool Load(const std::string& file, CJToolBarParam& set) {
  const std::wstring path = kavro::tools::WindowsPath(file);
  if (std::string why = CannotOpen(path); !why.empty()) return Refuse(file, why);
  Messages messages;
  set.LoadToolbarFile(path.c_str());
  if (!messages.empty()) return Refuse(file, messages.first());
  if (set.GetSize() == 0) return Refuse(file, "no toolbar in it (a \"***\" header line followed by button lines)");
  std::string invalid;
  EachText(set, [&](const CString& text, const std::string& where) {
    if (invalid.empty() && text.Find(L'\xFFFD') >= 0) invalid = where;
  });
  if (!invalid.empty())
    return Refuse(file, invalid + ": bytes that are invalid in code page " + std::to_string(GetACP()) +
                            " (--codepage names the file's code page)");
  return true;
}

int List(const std::string& file) {
  CJToolBarParam set;
  if (!Load(file, set)) return kavro::tools::kFailed;
  for (INT_PTR t = 0; t < set.GetSize(); ++t) {
    std::printf("%s\n", Utf8(set[t].GetString().GetString()).c_str());
    for (INT_PTR b = 0; b < set[t].GetSize(); ++b)
      std::printf("    %s\n", Utf8(set[t][b].GetString().GetString()).c_str());
  }
  return kavro::tools::kSuccess;
}

int Check(const std::string& file) {
  CJToolBarParam set;
  if (!Load(file, set)) return kavro::tools::kFailed;
  INT_PTR buttons = 0;
  for (INT_PTR t = 0; t < set.GetSize(); ++t) buttons += set[t].GetSize();
  std::printf("%s: toolbars %lld, buttons %lld, code page %u\n", file.c_str(),
              static_cast<long long>(set.GetSize()), static_cast<long long>(buttons), GetACP());
  return kavro::tools::kSuccess;
}

// True when `text` comes back unchanged from the code page.
bool Fits(const CString& text, UINT codePage) {
  if (text.IsEmpty()) return true;
  const int bytes = WideCharToMultiByte(codePage, 0, text.GetString(), -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return false;
  std::string narrow(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(codePage, 0, text.GetString(), -1, narrow.data(), bytes, nullptr, nullptr);
  const int chars = MultiByteToWideChar(codePage, 0, narrow.c_str(), -1, nullptr, 0);
  if (chars <= 0) return false;
  std::wstring back(static_cast<size_t>(chars), L'\0');
  MultiByteToWideChar(codePage, 0, narrow.c_str(), -1, back.data(), chars);
  back.resize(back.size() - 1);
  return back == text.GetString();
}

int Convert(const std::string& in, const std::string& out, UINT from, UINT to) {
  KvSetACP(from);
  CJToolBarParam set;
  if (!Load(in, set)) return kavro::tools::kFailed;
  KvSetACP(to);
  std::string lost;
  EachText(set, [&](const CString& text, const std::string& where) {
    if (lost.empty() && !Fits(text, GetACP())) lost = where;
  });
  if (!lost.empty())
    return Fail(kTool, out, lost + ": text that code page " + std::to_string(GetACP()) + " cannot hold");
  Messages messages;
  SetLastError(ERROR_SUCCESS);
  set.SaveToolbarFile(kavro::tools::WindowsPath(out).c_str());
  if (!messages.empty()) {
    const DWORD error = GetLastError();
    return Fail(kTool, out, error != ERROR_SUCCESS ? SystemText(error) : messages.first());
  }
  return kavro::tools::kSuccess;
}

int Run(const std::vector<std::string>& args) {
  const std::string& command = args[0];
  std::vector<std::string> plain;
  std::string codePage, from, to;
  for (size_t i = 1; i < args.size(); ++i) {
    std::string* option = args[i] == "--codepage" ? &codePage : args[i] == "--from" ? &from
                        : args[i] == "--to"       ? &to
                                                  : nullptr;
    if (option == nullptr) {
      if (args[i].size() > 1 && args[i][0] == '-')
        return kavro::tools::UsageError(kTool, "unknown option \"" + args[i] + "\"");
      plain.push_back(args[i]);
    } else if (i + 1 < args.size()) {
      *option = args[++i];
    } else {
      return kavro::tools::UsageError(kTool, args[i] + ": no code page given");
    }
  }
  const bool reads = command == "list" || command == "check";
  if (!reads && command != "convert") return kavro::tools::UsageError(kTool, "unknown command \"" + command + "\"");
  if (plain.size() != (reads ? 1u : 2u) || (reads && (!from.empty() || !to.empty())) ||
      (!reads && !codePage.empty()))
    return kavro::tools::UsageError(kTool, command + ": wrong arguments");
  UINT read = GetACP(), written = GetACP();
  const struct {
    const char* name;
    const std::string& text;
    UINT& codePage;
  } options[] = {{"--codepage", codePage, read}, {"--from", from, read}, {"--to", to, written}};
  for (const auto& option : options)
    if (!ParseCodePage(option.text, option.codePage))
      return kavro::tools::UsageError(kTool, std::string(option.name) + " " + option.text + ": not a code page");
  KvSetACP(read);
  if (command == "list") return List(plain[0]);
  if (command == "check") return Check(plain[0]);
  return Convert(plain[0], plain[1], read, written);
}

}  // namespace

int main(int argc, char** argv) {
  if (const int rc = kavro::tools::HandleStandardOptions(kTool, argc, argv); rc >= 0) return rc;
  if (argc < 2) return kavro::tools::UsageError(kTool, "no command");
  return Run(std::vector<std::string>(argv + 1, argv + argc));
}
