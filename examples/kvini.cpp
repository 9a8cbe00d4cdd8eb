// kvini: INI files on the command line, read and written through the
// profile API, so with the Windows rules for names, quotes, comments and
// encodings (see platform/profile.h).
//
//   kvini get FILE SECTION KEY [DEFAULT]  the value; DEFAULT when it is missing
//   kvini set FILE SECTION KEY VALUE      writes it, creating file, section, key
//   kvini delete-key FILE SECTION KEY     removes the key
//   kvini delete-section FILE SECTION     removes the section (comments stay)
//   kvini sections FILE                   section names, one a line
//   kvini keys FILE SECTION               key names of the section, one a line
//   kvini dump FILE                       each section as "[name]" and its lines
//
// Names match without regard to case. get without DEFAULT fails (exit 1)
// when the file, the section or the key is missing; with DEFAULT it prints
// DEFAULT as the API gives it back (without trailing spaces). The delete
// commands and the listings fail on a missing file rather than create an
// empty one; deleting a key or section the file does not hold succeeds.
// keys fails for a section the file does not hold. dump shows a section name
// that occurs twice once, with the lines the API reads (the first
// occurrence's). Output is UTF-8.
// Exit code 0 on success, 1 when something failed, 2 for a wrong command.
#include <cstdio>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "tool_cli.h"
#include "tool_text.h"

namespace {

using kavro::tools::Fail;
using kavro::tools::SystemText;
using kavro::tools::Utf8;
using kavro::tools::Wide;

const kavro::tools::Tool kTool{"kvini",
                               "usage: kvini get FILE SECTION KEY [DEFAULT]\n"
                               "       kvini set FILE SECTION KEY VALUE\n"
                               "       kvini delete-key FILE SECTION KEY\n"
                               "       kvini delete-section FILE SECTION\n"
                               "       kvini sections FILE\n"
                               "       kvini keys FILE SECTION\n"
                               "       kvini dump FILE\n"
                               "       kvini --help | --version\n"};

// The command line's file name for messages, its Windows form for the API.
struct File {
  std::string shown;
  std::wstring path;
};

// Why the file cannot be read, or "" when it can be.
std::string Unreadable(const File& file) {
  const DWORD attributes = GetFileAttributesW(file.path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return SystemText(GetLastError());
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return SystemText(ERROR_ACCESS_DENIED);
  return "";
}

// A list the API returns as zero-terminated names ending in an extra zero;
// `fill` is called with growing buffers until the list fits.
template <typename Fill>
std::vector<std::wstring> List(Fill fill) {
  std::vector<wchar_t> buffer(4096);
  DWORD length;
  while ((length = fill(buffer.data(), static_cast<DWORD>(buffer.size()))) >= buffer.size() - 2)
    buffer.resize(buffer.size() * 4);
  std::vector<std::wstring> names;
  for (const wchar_t* p = buffer.data(); p < buffer.data() + length && *p; p += names.back().size() + 1)
    names.emplace_back(p);
  return names;
}

std::vector<std::wstring> SectionNames(const File& file) {
  return List([&](wchar_t* out, DWORD size) { return GetPrivateProfileSectionNamesW(out, size, file.path.c_str()); });
}

bool HasSection(const File& file, const std::wstring& section) {
  CString wanted(section.c_str());
  wanted.Trim();
  for (const std::wstring& name : SectionNames(file))
    if (wanted.CompareNoCase(name.c_str()) == 0) return true;
  return false;
}

int Get(const File& file, const std::string& section, const std::string& key, const char* fallback) {
  const std::wstring app = Wide(section), name = Wide(key);
  // The default "\n" cannot be a value (a line ends there): it tells a
  // missing key from one whose value equals the caller's default; the last
  // error then says why it is missing.
  std::vector<wchar_t> buffer(1024);
  DWORD length;
  for (;;) {
    length = GetPrivateProfileStringW(app.c_str(), name.c_str(), L"\n", buffer.data(),
                                      static_cast<DWORD>(buffer.size()), file.path.c_str());
    if (length + 1 < buffer.size()) break;
    buffer.resize(buffer.size() * 4);  // cut short: try a larger buffer
  }
  const DWORD error = GetLastError();
  const std::wstring value(buffer.data(), length);
  if (value != L"\n") {
    std::printf("%s\n", Utf8(value).c_str());
    return kavro::tools::kSuccess;
  }
  if (fallback != nullptr) {
    const std::wstring def = Wide(fallback);
    std::vector<wchar_t> out(def.size() + 1);
    // The API's own treatment of the default (trailing spaces go).
    length = GetPrivateProfileStringW(app.c_str(), name.c_str(), def.c_str(), out.data(),
                                      static_cast<DWORD>(out.size()), file.path.c_str());
    std::printf("%s\n", Utf8(std::wstring(out.data(), length)).c_str());
    return kavro::tools::kSuccess;
  }
  if (std::string why = Unreadable(file); !why.empty()) return Fail(kTool, file.shown, why);
  if (error != ERROR_FILE_NOT_FOUND) return Fail(kTool, file.shown, SystemText(error));
  if (!HasSection(file, app)) return Fail(kTool, file.shown, "no section [" + section + "]");
  return Fail(kTool, file.shown, "no key \"" + key + "\" in section [" + section + "]");
}

int Write(const File& file, const std::wstring& section, const wchar_t* key, const wchar_t* value) {
  if (!WritePrivateProfileStringW(section.c_str(), key, value, file.path.c_str()))
    return Fail(kTool, file.shown, SystemText(GetLastError()));
  return kavro::tools::kSuccess;
}

int Keys(const File& file, const std::string& section) {
  const std::wstring app = Wide(section);
  if (!HasSection(file, app)) return Fail(kTool, file.shown, "no section [" + section + "]");
  const auto keys = List([&](wchar_t* out, DWORD size) {
    return GetPrivateProfileStringW(app.c_str(), nullptr, L"", out, size, file.path.c_str());
  });
  for (const std::wstring& key : keys) std::printf("%s\n", Utf8(key).c_str());
  return kavro::tools::kSuccess;
}

int Dump(const File& file) {
  std::vector<CString> done;
  bool first = true;
  for (const std::wstring& name : SectionNames(file)) {
    bool seen = false;
    for (const CString& earlier : done) seen |= earlier.CompareNoCase(name.c_str()) == 0;
    if (seen) continue;
    done.emplace_back(name.c_str());
    const auto lines = List([&](wchar_t* out, DWORD size) {
      return GetPrivateProfileSectionW(name.c_str(), out, size, file.path.c_str());
    });
    std::printf("%s[%s]\n", first ? "" : "\n", Utf8(name).c_str());
    first = false;
    for (const std::wstring& line : lines) std::printf("%s\n", Utf8(line).c_str());
  }
  return kavro::tools::kSuccess;
}

int Run(const std::vector<std::string>& args) {
  const std::string& command = args[0];
  const size_t n = args.size() - 1;  // arguments after the command
  struct Shape {
    const char* command;
    size_t least, most;
  };
  const Shape shapes[] = {{"get", 3, 4},      {"set", 4, 4},      {"delete-key", 3, 3}, {"delete-section", 2, 2},
                          {"sections", 1, 1}, {"keys", 2, 2},     {"dump", 1, 1}};
  const Shape* shape = nullptr;
  for (const Shape& s : shapes)
    if (command == s.command) shape = &s;
  if (shape == nullptr) return kavro::tools::UsageError(kTool, "unknown command \"" + command + "\"");
  if (n < shape->least || n > shape->most) return kavro::tools::UsageError(kTool, command + ": wrong number of arguments");

  const File file{args[1], kavro::tools::WindowsPath(args[1])};
  if (command == "get") return Get(file, args[2], args[3], n == 4 ? args[4].c_str() : nullptr);
  if (command == "set") return Write(file, Wide(args[2]), Wide(args[3]).c_str(), Wide(args[4]).c_str());
  // Everything else needs the file: a listing of a missing file is no empty
  // listing, and deleting from one would create it.
  if (std::string why = Unreadable(file); !why.empty()) return Fail(kTool, file.shown, why);
  if (command == "delete-key") return Write(file, Wide(args[2]), Wide(args[3]).c_str(), nullptr);
  if (command == "delete-section") return Write(file, Wide(args[2]), nullptr, nullptr);
  if (command == "sections") {
    for (const std::wstring& name : SectionNames(file)) std::printf("%s\n", Utf8(name).c_str());
    return kavro::tools::kSuccess;
  }
  if (command == "keys") return Keys(file, args[2]);
  return Dump(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (const int rc = kavro::tools::HandleStandardOptions(kTool, argc, argv); rc >= 0) return rc;
  if (argc < 2) return kavro::tools::UsageError(kTool, "no command");
  return Run(std::vector<std::string>(argv + 1, argv + argc));
}
