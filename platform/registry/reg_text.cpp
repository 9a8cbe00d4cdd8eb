// The .reg text form, as regedit exports it: a version line, then one
// "[full key path]" section per key with its values, one a line:
//   "name"="text"            REG_SZ ending in its one zero, no zero inside
//   "name"=dword:0000002a    REG_DWORD of four bytes
//   "name"=hex:01,02         REG_BINARY; hex(N): any other type (hex(2):
//                            REG_EXPAND_SZ, hex(7): REG_MULTI_SZ, hex(b):
//                            REG_QWORD, hex(0): REG_NONE), wrapped with
//                            ",\" and two blanks before 80 columns
//   @=...                    the key's default value
// Quoted text escapes '\' and '"' with a backslash. On reading, ';' starts a
// comment line, "[-path]" and "name"=- ask for deletions (imports only); a
// key or value name holding a zero is refused (no call could name it).
#include <bit>
#include <cstdio>
#include <cstring>

#include "platform/fs/path_internal.h"
#include "platform/registry/registry_internal.h"

namespace kavro::platform::reg {
namespace {

// Text is built as UTF-16 units and turned into little-endian bytes once.
void Put(std::u16string& out, char16_t c) { out.push_back(c); }
void PutAscii(std::u16string& out, const char* text) {
  for (; *text; ++text) out.push_back(static_cast<char16_t>(*text));
}
void AppendBytes(const std::u16string& units, std::string& out) {
  const size_t old = out.size();
  out.resize(old + units.size() * 2);
  char* p = out.data() + old;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, units.data(), units.size() * 2);
  } else {
    for (char16_t c : units) {
      *p++ = static_cast<char>(c & 0xFF);
      *p++ = static_cast<char>(c >> 8);
    }
  }
}
void PutQuoted(std::u16string& out, const char16_t* text, size_t length) {
  Put(out, u'"');
  for (size_t i = 0; i < length; ++i) {
    if (text[i] == u'\\' || text[i] == u'"') Put(out, u'\\');
    Put(out, text[i]);
  }
  Put(out, u'"');
}

// REG_SZ data that the quoted form shows exactly: whole units, one zero at
// the end and none before it.
bool IsPlainString(const std::string& data) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  for (size_t i = 0; i + 2 < data.size(); i += 2)
    if (data[i] == 0 && data[i + 1] == 0) return false;
  return data[data.size() - 2] == 0 && data[data.size() - 1] == 0;
}

// Lines longer than this are rendered each time rather than kept.
constexpr size_t kKeptLine = 4096;

void RenderValue(std::u16string& out, const Value& v);

void PutValue(std::u16string& out, const Value& v) {
  if (!v.line.empty()) {
    out += v.line;
    return;
  }
  const size_t start = out.size();
  RenderValue(out, v);
  if (out.size() - start <= kKeptLine) v.line.assign(out, start, out.size() - start);
}

void RenderValue(std::u16string& out, const Value& v) {
  size_t column;
  if (v.name.empty()) {
    Put(out, u'@');
    column = 1;
  } else {
    PutQuoted(out, v.name.data(), v.name.size());
    column = v.name.size() + 2;
  }
  Put(out, u'=');
  ++column;
  if (v.type == REG_SZ && IsPlainString(v.data)) {
    Put(out, u'"');
    for (size_t i = 0; i + 2 < v.data.size(); i += 2) {
      char16_t c = static_cast<char16_t>(static_cast<unsigned char>(v.data[i]) |
                                         (static_cast<unsigned char>(v.data[i + 1]) << 8));
      if (c == u'\\' || c == u'"') Put(out, u'\\');
      Put(out, c);
    }
    Put(out, u'"');
  } else if (v.type == REG_DWORD && v.data.size() == 4) {
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(v.data[static_cast<size_t>(i)]);
    char text[20];
    std::snprintf(text, sizeof text, "dword:%08x", n);
    PutAscii(out, text);
  } else {
    char text[24];
    if (v.type == REG_BINARY)
      std::snprintf(text, sizeof text, "hex:");
    else
      std::snprintf(text, sizeof text, "hex(%x):", static_cast<unsigned>(v.type));
    PutAscii(out, text);
    column += std::char_traits<char>::length(text);
    static const char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < v.data.size(); ++i) {
      if (i > 0) {
        Put(out, u',');
        ++column;
        if (column >= 77) {
          PutAscii(out, "\\\r\n  ");
          column = 2;
        }
      }
      unsigned char b = static_cast<unsigned char>(v.data[i]);
      Put(out, static_cast<char16_t>(kDigits[b >> 4]));
      Put(out, static_cast<char16_t>(kDigits[b & 15]));
      column += 2;
    }
  }
  PutAscii(out, "\r\n");
}

// Parser over UTF-16 units.
class Parser {
 public:
  explicit Parser(std::u16string text) : t_(std::move(text)) {}

  bool Run(std::vector<RegSection>& sections) {
    std::u16string header = RestOfLine();
    while (!header.empty() && (header.back() == u' ' || header.back() == u'\t')) header.pop_back();
    if (header != u"Windows Registry Editor Version 5.00" && header != u"REGEDIT4") return false;
    NextLine();
    while (i_ < t_.size()) {
      SkipBlanks();
      if (AtLineEnd()) {
        if (!NextLine()) break;
        continue;
      }
      char16_t c = t_[i_];
      if (c == u';') {
        RestOfLine();
        continue;
      }
      if (c == u'[') {
        if (!Section(sections)) return false;
        continue;
      }
      if (c == u'@' || c == u'"') {
        if (sections.empty()) return false;
        RegValueLine value;
        if (!ValueLine(value)) return false;
        sections.back().values.push_back(std::move(value));
        continue;
      }
      return false;
    }
    return true;
  }

  DWORD line() const { return line_; }

 private:
  bool AtLineEnd() const { return i_ >= t_.size() || t_[i_] == u'\r' || t_[i_] == u'\n'; }
  void SkipBlanks() {
    while (i_ < t_.size() && (t_[i_] == u' ' || t_[i_] == u'\t')) ++i_;
  }
  // Steps over one line end; false at the end of the text.
  bool NextLine() {
    if (i_ >= t_.size()) return false;
    if (t_[i_] == u'\r') {
      ++i_;
      if (i_ < t_.size() && t_[i_] == u'\n') ++i_;
    } else if (t_[i_] == u'\n') {
      ++i_;
    } else {
      return true;
    }
    ++line_;
    return true;
  }
  std::u16string RestOfLine() {
    size_t begin = i_;
    while (!AtLineEnd()) ++i_;
    return t_.substr(begin, i_ - begin);
  }
  // Only blanks or a comment may follow on the line.
  bool LineDone() {
    SkipBlanks();
    if (i_ < t_.size() && t_[i_] == u';') RestOfLine();
    return AtLineEnd();
  }

  bool Section(std::vector<RegSection>& sections) {
    std::u16string text = RestOfLine();
    size_t close = text.rfind(u']');
    if (close == std::u16string::npos) return false;
    for (size_t k = close + 1; k < text.size(); ++k)
      if (text[k] != u' ' && text[k] != u'\t') return false;
    RegSection section;
    size_t begin = 1;
    if (begin < close && text[begin] == u'-') {
      section.remove = true;
      ++begin;
    }
    std::u16string path = text.substr(begin, close - begin);
    while (!path.empty() && path.back() == u'\\') path.pop_back();
    size_t start = 0;
    while (true) {
      size_t slash = path.find(u'\\', start);
      std::u16string part = path.substr(start, slash == std::u16string::npos ? std::u16string::npos : slash - start);
      // A name holding a zero could not be named in a call again.
      if (part.empty() || part.size() > kMaxKeyName || part.find(u'\0') != std::u16string::npos) return false;
      section.path.push_back(std::move(part));
      if (slash == std::u16string::npos) break;
      start = slash + 1;
    }
    sections.push_back(std::move(section));
    return true;
  }

  bool Quoted(std::u16string& out) {
    ++i_;  // opening quote
    while (i_ < t_.size()) {
      char16_t c = t_[i_++];
      if (c == u'"') return true;
      if (c == u'\\' && i_ < t_.size() && (t_[i_] == u'\\' || t_[i_] == u'"')) {
        out.push_back(t_[i_++]);
        continue;
      }
      if (c == u'\n' || (c == u'\r' && !(i_ < t_.size() && t_[i_] == u'\n'))) ++line_;
      out.push_back(c);
    }
    return false;
  }

  static int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
  }
  bool Prefix(const char16_t* word) {
    size_t n = std::char_traits<char16_t>::length(word);
    if (i_ + n > t_.size()) return false;
    for (size_t k = 0; k < n; ++k) {
      char16_t c = t_[i_ + k];
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
      if (c != word[k]) return false;
    }
    i_ += n;
    return true;
  }

  bool HexBytes(std::string& data) {
    bool first = true;
    while (true) {
      SkipBlanks();
      if (i_ < t_.size() && t_[i_] == u'\\') {
        ++i_;
        if (!LineDone() || !NextLine()) return false;
        continue;
      }
      if (i_ >= t_.size() || HexDigit(t_[i_]) < 0) return first && LineDone();
      int byte = HexDigit(t_[i_++]);
      if (i_ < t_.size() && HexDigit(t_[i_]) >= 0) byte = byte * 16 + HexDigit(t_[i_++]);
      data.push_back(static_cast<char>(byte));
      first = false;
      SkipBlanks();
      if (i_ < t_.size() && t_[i_] == u',') {
        ++i_;
        continue;
      }
      return LineDone();
    }
  }

  bool ValueLine(RegValueLine& value) {
    if (t_[i_] == u'@') {
      ++i_;
    } else {
      if (!Quoted(value.name) || value.name.size() > kMaxValueName ||
          value.name.find(u'\0') != std::u16string::npos)
        return false;
    }
    SkipBlanks();
    if (i_ >= t_.size() || t_[i_] != u'=') return false;
    ++i_;
    SkipBlanks();
    if (i_ >= t_.size()) return false;
    if (t_[i_] == u'-') {
      ++i_;
      value.remove = true;
      return LineDone();
    }
    if (t_[i_] == u'"') {
      std::u16string text;
      if (!Quoted(text)) return false;
      value.type = REG_SZ;
      for (char16_t c : text) {
        value.data.push_back(static_cast<char>(c & 0xFF));
        value.data.push_back(static_cast<char>(c >> 8));
      }
      value.data.append(2, '\0');
      return LineDone();
    }
    if (Prefix(u"dword:")) {
      uint32_t n = 0;
      int digits = 0;
      while (i_ < t_.size() && HexDigit(t_[i_]) >= 0 && digits < 8) {
        n = n * 16 + static_cast<uint32_t>(HexDigit(t_[i_++]));
        ++digits;
      }
      if (digits == 0) return false;
      value.type = REG_DWORD;
      for (int k = 0; k < 4; ++k) value.data.push_back(static_cast<char>((n >> (8 * k)) & 0xFF));
      return LineDone();
    }
    if (Prefix(u"hex")) {
      value.type = REG_BINARY;
      if (i_ < t_.size() && t_[i_] == u'(') {
        ++i_;
        uint32_t type = 0;
        int digits = 0;
        while (i_ < t_.size() && HexDigit(t_[i_]) >= 0 && digits < 8) {
          type = type * 16 + static_cast<uint32_t>(HexDigit(t_[i_++]));
          ++digits;
        }
        if (digits == 0 || i_ >= t_.size() || t_[i_] != u')') return false;
        ++i_;
        value.type = type;
      }
      if (i_ >= t_.size() || t_[i_] != u':') return false;
      ++i_;
      return HexBytes(value.data);
    }
    return false;
  }

  std::u16string t_;
  size_t i_ = 0;
  DWORD line_ = 1;
};

}  // namespace

bool ParseRegText(const std::string& bytes, std::vector<RegSection>& sections, DWORD* errorLine) {
  std::u16string text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    text.resize((bytes.size() - 2) / 2);
    for (size_t k = 0; k < text.size(); ++k)
      text[k] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * k]) |
                                      (static_cast<unsigned char>(bytes[3 + 2 * k]) << 8));
  } else {
    size_t skip = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    std::wstring wide = FromUtf8(bytes.data() + skip, bytes.size() - skip);
    text = ToU16(wide.data(), wide.size());
  }
  Parser parser(std::move(text));
  sections.clear();
  if (parser.Run(sections)) return true;
  if (errorLine) *errorLine = parser.line();
  return false;
}

void AppendRegHeader(std::string& out) {
  out.push_back('\xFF');
  out.push_back('\xFE');
  std::u16string text;
  PutAscii(text, "Windows Registry Editor Version 5.00\r\n\r\n");
  AppendBytes(text, out);
}

namespace {
void Render(const Key& key, std::u16string& path, std::u16string& out) {
  Put(out, u'[');
  out += path;
  PutAscii(out, "]\r\n");
  for (const Value& v : key.values()) PutValue(out, v);
  PutAscii(out, "\r\n");
  for (const auto& sub : key.subkeys()) {
    const size_t length = path.size();
    path.push_back(u'\\');
    path += sub->name();
    Render(*sub, path, out);
    path.resize(length);
  }
}
}  // namespace

void AppendRegText(const Key& key, const std::u16string& prefix, std::string& out) {
  std::u16string text;
  text.reserve(out.capacity() > out.size() ? (out.capacity() - out.size()) / 2 : 4096);
  std::u16string path = prefix;
  Render(key, path, text);
  AppendBytes(text, out);
}

const char16_t* RootName(Root root) {
  switch (root) {
    case Root::kMachine: return u"HKEY_LOCAL_MACHINE";
    case Root::kUser: return u"HKEY_CURRENT_USER";
    case Root::kUsers: return u"HKEY_USERS";
    case Root::kConfig: return u"HKEY_CURRENT_CONFIG";
  }
  return u"";
}

bool RootFromName(const std::u16string& name, Root& root, bool& classes) {
  std::u16string f = Fold(name);
  classes = false;
  if (f == u"HKEY_LOCAL_MACHINE" || f == u"HKLM") root = Root::kMachine;
  else if (f == u"HKEY_CURRENT_USER" || f == u"HKCU") root = Root::kUser;
  else if (f == u"HKEY_USERS" || f == u"HKU") root = Root::kUsers;
  else if (f == u"HKEY_CURRENT_CONFIG" || f == u"HKCC") root = Root::kConfig;
  else if (f == u"HKEY_CLASSES_ROOT" || f == u"HKCR") {
    root = Root::kMachine;
    classes = true;
  } else {
    return false;
  }
  return true;
}

}  // namespace kavro::platform::reg
