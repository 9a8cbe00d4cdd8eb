// kvreg: the registry on the command line, with reg.exe's verbs and switches.
//
//   kvreg query KEY [/v NAME | /ve] [/s]    values and subkeys (/s: the subtree)
//   kvreg add KEY [/v NAME | /ve] [/t TYPE] [/s SEP] [/d DATA] [/f]
//   kvreg delete KEY [/v NAME | /ve | /va] [/f]
//   kvreg export KEY FILE [/y]              a .reg file of the key's subtree
//   kvreg import FILE                       applies a .reg file
//
// KEY is ROOT\path with ROOT one of HKLM, HKCU, HKCR, HKU, HKCC or their long
// names. add creates the key (and sets the value when /v, /ve or /d is
// given); TYPE is REG_SZ (the default), REG_EXPAND_SZ, REG_MULTI_SZ (items
// split at SEP, "\0" unless /s names another character), REG_DWORD and
// REG_QWORD (decimal or 0x hex), REG_BINARY (hex digits) or REG_NONE. Where
// reg.exe would ask (replacing a value, deleting, overwriting a file) kvreg
// needs /f (/y for export) and otherwise refuses. Output is UTF-8. import
// shows that it is busy on standard error when that is a terminal.
// Exit code 0 on success, 1 when something failed, 2 for a wrong command.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "KavroStd/platform/format_message.h"
#include "tool_cli.h"
#include "tool_text.h"

namespace {

using kavro::tools::Utf8;
using kavro::tools::Wide;

const kavro::tools::Tool kTool{"kvreg",
                               "usage: kvreg query KEY [/v NAME | /ve] [/s]\n"
                               "       kvreg add KEY [/v NAME | /ve] [/t TYPE] [/s SEP] [/d DATA] [/f]\n"
                               "       kvreg delete KEY [/v NAME | /ve | /va] [/f]\n"
                               "       kvreg export KEY FILE [/y]\n"
                               "       kvreg import FILE\n"
                               "       kvreg --help | --version\n"
                               "KEY: ROOT\\path, ROOT one of HKLM HKCU HKCR HKU HKCC\n"};

int Fail(const std::string& what, LONG code) {
  return kavro::tools::Fail(kTool, what,
                            kavro::tools::SystemText(static_cast<DWORD>(code)) + " (error " + std::to_string(code) + ")");
}

int Fail(const std::string& what, const std::string& cause) { return kavro::tools::Fail(kTool, what, cause); }

int Usage(const std::string& why) { return kavro::tools::UsageError(kTool, why); }

struct KeyName {
  HKEY root = nullptr;
  std::wstring rootName;
  std::wstring path;
};

bool ParseKey(const std::string& text, KeyName& key) {
  std::wstring wide = Wide(text);
  size_t slash = wide.find(L'\\');
  std::wstring root = wide.substr(0, slash);
  key.path = slash == std::wstring::npos ? L"" : wide.substr(slash + 1);
  while (!key.path.empty() && key.path.back() == L'\\') key.path.pop_back();
  CString r(root.c_str());
  r.MakeUpper();
  struct RootRow {
    const wchar_t* shortName;
    const wchar_t* longName;
    HKEY key;
  };
  const RootRow rows[] = {{L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                          {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                          {L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                          {L"HKU", L"HKEY_USERS", HKEY_USERS},
                          {L"HKCC", L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}};
  for (const RootRow& row : rows)
    if (r == row.shortName || r == row.longName) {
      key.root = row.key;
      key.rootName = row.longName;
      return true;
    }
  return false;
}

std::wstring FullName(const KeyName& key) { return key.path.empty() ? key.rootName : key.rootName + L"\\" + key.path; }

const char* TypeName(DWORD type) {
  switch (type) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_DWORD_BIG_ENDIAN: return "REG_DWORD_BIG_ENDIAN";
    case REG_LINK: return "REG_LINK";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_QWORD: return "REG_QWORD";
    default: return "REG_UNKNOWN";
  }
}

bool TypeFromName(const std::string& name, DWORD& type) {
  const struct {
    const char* name;
    DWORD type;
  } rows[] = {{"REG_SZ", REG_SZ},         {"REG_EXPAND_SZ", REG_EXPAND_SZ}, {"REG_MULTI_SZ", REG_MULTI_SZ},
              {"REG_DWORD", REG_DWORD},   {"REG_QWORD", REG_QWORD},         {"REG_BINARY", REG_BINARY},
              {"REG_NONE", REG_NONE}};
  for (const auto& row : rows)
    if (strcasecmp(row.name, name.c_str()) == 0) {
      type = row.type;
      return true;
    }
  return false;
}

// The data as reg.exe shows it. Text data arrives as wide characters,
// `size` counting UTF-16 bytes.
std::string ShowData(DWORD type, const std::vector<wchar_t>& buffer, DWORD size) {
  const BYTE* bytes = reinterpret_cast<const BYTE*>(buffer.data());
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ || type == REG_LINK) {
    std::wstring text(buffer.data(), wcsnlen(buffer.data(), size / 2));
    if (type == REG_MULTI_SZ) {
      std::wstring all;
      const wchar_t* p = buffer.data();
      const wchar_t* end = buffer.data() + size / 2;
      while (p < end && *p) {
        std::wstring item(p, wcsnlen(p, static_cast<size_t>(end - p)));
        if (!all.empty()) all += L"\\0";
        all += item;
        p += item.size() + 1;
      }
      text = all;
    }
    return Utf8(text);
  }
  char text[32];
  if (type == REG_DWORD && size == 4) {
    DWORD n;
    std::memcpy(&n, bytes, 4);
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(n));
    return text;
  }
  if (type == REG_QWORD && size == 8) {
    unsigned long long n;
    std::memcpy(&n, bytes, 8);
    std::snprintf(text, sizeof text, "0x%llx", n);
    return text;
  }
  std::string out;
  for (DWORD k = 0; k < size; ++k) {
    std::snprintf(text, sizeof text, "%02X", bytes[k]);
    out += text;
  }
  return out;
}

// Prints a key's values (all, or the one named) and, unless one value was
// asked for, its subkeys; with `recurse` the subtree.
int Query(HKEY key, const std::wstring& name, bool oneValue, const std::wstring* valueName, bool recurse) {
  DWORD subKeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0;
  if (LONG err = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &values, &maxName,
                                  &maxData, nullptr, nullptr))
    return Fail(Utf8(name), err);
  std::printf("\n%s\n", Utf8(name).c_str());
  bool found = !oneValue;
  std::vector<wchar_t> valueBuffer(maxName + 1);
  std::vector<wchar_t> data(maxData / 2 + 2);
  for (DWORD i = 0; i < values; ++i) {
    DWORD chars = maxName + 1, type = 0, size = maxData;
    std::fill(data.begin(), data.end(), L'\0');
    if (RegEnumValueW(key, i, valueBuffer.data(), &chars, nullptr, &type, reinterpret_cast<LPBYTE>(data.data()),
                      &size) != ERROR_SUCCESS)
      continue;
    std::wstring vname(valueBuffer.data(), chars);
    if (oneValue && CString(vname.c_str()).CompareNoCase(valueName->c_str()) != 0) continue;
    found = true;
    std::printf("    %s    %s    %s\n", vname.empty() ? "(Default)" : Utf8(vname).c_str(), TypeName(type),
                ShowData(type, data, size).c_str());
  }
  if (oneValue) {
    if (!found) return Fail(Utf8(name) + ": value " + Utf8(*valueName), ERROR_FILE_NOT_FOUND);
    return 0;
  }
  std::vector<std::wstring> children;
  std::vector<wchar_t> sub(maxSub + 1);
  for (DWORD i = 0;; ++i) {
    DWORD chars = maxSub + 1;
    if (RegEnumKeyExW(key, i, sub.data(), &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    children.emplace_back(sub.data(), chars);
  }
  if (!recurse) {
    if (!children.empty()) std::printf("\n");
    for (const auto& child : children) std::printf("%s\\%s\n", Utf8(name).c_str(), Utf8(child).c_str());
    return 0;
  }
  int rc = 0;
  for (const auto& child : children) {
    HKEY h;
    if (LONG err = RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, &h)) {
      rc = Fail(Utf8(name + L"\\" + child), err);
      continue;
    }
    rc |= Query(h, name + L"\\" + child, false, nullptr, true);
    RegCloseKey(h);
  }
  return rc;
}

bool ParseNumber(const std::string& text, unsigned long long max, unsigned long long& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtoull(text.c_str(), &end, 0);
  return errno == 0 && *end == '\0' && out <= max && text[0] != '-';
}

// The bytes RegSetValueExW takes for DATA of TYPE, and their size as it
// counts it (UTF-16 bytes for text).
bool MakeData(DWORD type, const std::string& text, wchar_t separator, std::vector<BYTE>& out, DWORD& size) {
  out.clear();
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
    std::wstring wide = Wide(text);
    std::wstring data;
    if (type == REG_MULTI_SZ) {
      std::wstring item;
      for (size_t i = 0; i < wide.size(); ++i) {
        bool sep = separator ? wide[i] == separator : (wide[i] == L'\\' && i + 1 < wide.size() && wide[i + 1] == L'0');
        if (sep) {
          if (!separator) ++i;
          data += item;
          data.push_back(L'\0');
          item.clear();
        } else {
          item.push_back(wide[i]);
        }
      }
      if (!item.empty()) {
        data += item;
        data.push_back(L'\0');
      }
    } else {
      data = wide;
    }
    data.push_back(L'\0');
    out.resize(data.size() * sizeof(wchar_t));
    std::memcpy(out.data(), data.data(), out.size());
    size = 0;
    for (wchar_t c : data) size += static_cast<unsigned>(c) > 0xFFFF ? 4 : 2;
    return true;
  }
  unsigned long long n = 0;
  if (type == REG_DWORD || type == REG_QWORD) {
    if (!ParseNumber(text.empty() ? "0" : text, type == REG_DWORD ? 0xFFFFFFFFull : ~0ull, n)) return false;
    size = type == REG_DWORD ? 4 : 8;
    out.resize(size);
    std::memcpy(out.data(), &n, size);  // little-endian, as on Windows
    return true;
  }
  if (text.size() % 2) return false;
  for (size_t i = 0; i < text.size(); i += 2) {
    char pair[3] = {text[i], text[i + 1], 0};
    char* end = nullptr;
    unsigned long b = std::strtoul(pair, &end, 16);
    if (*end || !std::isxdigit(static_cast<unsigned char>(pair[0]))) return false;
    out.push_back(static_cast<BYTE>(b));
  }
  size = static_cast<DWORD>(out.size());
  return true;
}

struct Switches {
  bool v = false, ve = false, va = false, s = false, f = false, y = false, t = false, d = false;
  std::string name, type, sep, data;
  std::vector<std::string> rest;
};

bool ParseSwitches(int argc, char** argv, int from, Switches& sw) {
  for (int i = from; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    if (strcasecmp(a.c_str(), "/v") == 0) {
      if (!next(sw.name)) return false;
      sw.v = true;
    } else if (strcasecmp(a.c_str(), "/ve") == 0) {
      sw.ve = true;
    } else if (strcasecmp(a.c_str(), "/va") == 0) {
      sw.va = true;
    } else if (strcasecmp(a.c_str(), "/t") == 0) {
      if (!next(sw.type)) return false;
      sw.t = true;
    } else if (strcasecmp(a.c_str(), "/d") == 0) {
      if (!next(sw.data)) return false;
      sw.d = true;
    } else if (strcasecmp(a.c_str(), "/s") == 0) {
      sw.s = true;
      if (i + 1 < argc && argv[i + 1][0] != '/') sw.sep = argv[++i];  // add's separator
    } else if (strcasecmp(a.c_str(), "/f") == 0) {
      sw.f = true;
    } else if (strcasecmp(a.c_str(), "/y") == 0) {
      sw.y = true;
    } else if (a.size() > 1 && a[0] == '/' && a.find('/', 1) == std::string::npos && a.size() <= 3) {
      return false;
    } else {
      sw.rest.push_back(a);
    }
  }
  return (sw.v ? 1 : 0) + (sw.ve ? 1 : 0) + (sw.va ? 1 : 0) <= 1;
}

int Add(const KeyName& key, const Switches& sw) {
  DWORD type = REG_SZ;
  if (sw.t && !TypeFromName(sw.type, type)) return Usage("/t " + sw.type + ": not a value type");
  wchar_t separator = 0;
  if (!sw.sep.empty()) {
    std::wstring s = Wide(sw.sep);
    if (s.size() != 1) return Usage("/s " + sw.sep + ": the separator is one character");
    separator = s[0];
  }
  std::vector<BYTE> data;
  DWORD size = 0;
  if (!MakeData(type, sw.data, separator, data, size)) {
    return Fail(Utf8(FullName(key)), "data \"" + sw.data + "\" does not fit " + TypeName(type));
  }
  HKEY h;
  if (LONG err = RegCreateKeyExW(key.root, key.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr))
    return Fail(Utf8(FullName(key)), err);
  int rc = 0;
  if (sw.v || sw.ve || sw.d || sw.t) {
    std::wstring name = sw.v ? Wide(sw.name) : L"";
    DWORD oldSize = 0;
    if (!sw.f && RegQueryValueExW(h, name.c_str(), nullptr, nullptr, nullptr, &oldSize) == ERROR_SUCCESS) {
      rc = Fail(Utf8(FullName(key)),
                "value " + (name.empty() ? std::string("(Default)") : Utf8(name)) + " exists; /f replaces it");
    } else if (LONG err = RegSetValueExW(h, name.c_str(), 0, type, data.data(), size)) {
      rc = Fail(Utf8(FullName(key)), err);
    }
  }
  RegCloseKey(h);
  return rc;
}

int Delete(const KeyName& key, const Switches& sw) {
  if (!sw.f) {
    return Fail(Utf8(FullName(key)), "deleting needs /f");
  }
  if (!sw.v && !sw.ve && !sw.va) {
    if (key.path.empty()) return Fail(Utf8(FullName(key)), ERROR_ACCESS_DENIED);
    LONG err = CReg::DelTreeKey(key.root, key.path.c_str(), 0);
    return err ? Fail(Utf8(FullName(key)), err) : 0;
  }
  HKEY h;
  if (LONG err = RegOpenKeyExW(key.root, key.path.c_str(), 0, KEY_ALL_ACCESS, &h))
    return Fail(Utf8(FullName(key)), err);
  int rc = 0;
  if (sw.va) {
    wchar_t name[16384];
    DWORD chars = 16384;
    while (RegEnumValueW(h, 0, name, &chars, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      if (LONG err = RegDeleteValueW(h, name)) {
        rc = Fail(Utf8(FullName(key)), err);
        break;
      }
      chars = 16384;
    }
  } else {
    std::wstring name = sw.v ? Wide(sw.name) : L"";
    if (LONG err = RegDeleteValueW(h, name.c_str())) rc = Fail(Utf8(FullName(key)) + ": value " + sw.name, err);
  }
  RegCloseKey(h);
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  if (const int rc = kavro::tools::HandleStandardOptions(kTool, argc, argv); rc >= 0) return rc;
  if (argc < 2) return Usage("no command");
  const std::string verb = argv[1];
  bool known = false;
  for (const char* name : {"query", "add", "delete", "export", "import"}) known |= strcasecmp(verb.c_str(), name) == 0;
  if (!known) return Usage("unknown command \"" + verb + "\"");
  if (argc < 3) return Usage(verb + ": wrong number of arguments");
  Switches sw;
  if (strcasecmp(verb.c_str(), "import") == 0) {
    if (argc != 3) return Usage(verb + ": wrong number of arguments");
    DWORD line = 0;
    const std::wstring file = kavro::tools::WindowsPath(argv[2]);
    LONG err;
    {
      kavro::tools::Busy busy(kTool, std::string("importing ") + argv[2]);
      err = KvRegImport(file.c_str(), &line);
    }
    if (err == ERROR_INVALID_DATA)
      return Fail(argv[2], "not a .reg file the registry can take (line " + std::to_string(line) + ")");
    return err ? Fail(argv[2], err) : 0;
  }
  KeyName key;
  if (!ParseKey(argv[2], key)) return Usage(std::string(argv[2]) + ": not a key name (ROOT\\path)");
  if (!ParseSwitches(argc, argv, 3, sw)) return Usage(verb + ": wrong switches");
  if (strcasecmp(verb.c_str(), "query") == 0) {
    if (!sw.rest.empty()) return Usage(verb + ": wrong number of arguments");
    HKEY h;
    if (LONG err = RegOpenKeyExW(key.root, key.path.c_str(), 0, KEY_READ, &h)) return Fail(Utf8(FullName(key)), err);
    std::wstring name = sw.v ? Wide(sw.name) : L"";
    int rc = Query(h, FullName(key), sw.v || sw.ve, &name, sw.s);
    RegCloseKey(h);
    return rc;
  }
  if (strcasecmp(verb.c_str(), "add") == 0) return sw.rest.empty() ? Add(key, sw) : Usage(verb + ": wrong number of arguments");
  if (strcasecmp(verb.c_str(), "delete") == 0)
    return sw.rest.empty() ? Delete(key, sw) : Usage(verb + ": wrong number of arguments");
  // export
  if (sw.rest.size() != 1) return Usage(verb + ": wrong number of arguments");
  const std::wstring file = kavro::tools::WindowsPath(sw.rest[0]);
  if (!sw.y && GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES)
    return Fail(sw.rest[0], "exists; /y overwrites it");
  LONG err = KvRegExport(FullName(key).c_str(), file.c_str());
  if (err == ERROR_FILE_NOT_FOUND) return Fail(Utf8(FullName(key)), err);
  return err ? Fail(sw.rest[0], err) : 0;
}
