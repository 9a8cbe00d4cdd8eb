// Entry name conversions and folder chains.
#include "files/zip/unzip_names_internal.h"

namespace kavro::zip {
namespace {

std::wstring Decode(const std::string& bytes, UINT codePage) {
  if (bytes.empty()) return std::wstring();
  const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                    nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &out[0], n);
  return out;
}

std::string Encode(const std::wstring& text, UINT codePage) {
  if (text.empty()) return std::string();
  const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                      nullptr, nullptr);
  return out;
}

// The byte length of the character starting with `lead` in `codePage`.
size_t CharacterLength(unsigned char lead, UINT codePage) {
  if (codePage == CP_UTF8) {
    if (lead >= 0xF0 && lead <= 0xF7) return 4;
    if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
    return lead >= 0xC0 ? 2 : 1;
  }
  return IsDBCSLeadByteEx(codePage, lead) ? 2 : 1;
}

// Cuts `bytes` to at most `limit` bytes at a character boundary.
void CutAtCharacter(std::string& bytes, size_t limit, UINT codePage) {
  if (bytes.size() <= limit) return;
  size_t at = 0;
  while (at < bytes.size()) {
    const size_t next = at + CharacterLength(static_cast<unsigned char>(bytes[at]), codePage);
    if (next > limit) break;
    at = next;
  }
  bytes.resize(at);
}

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

// A dot as the file system will see it: the path mapping writes the
// private-use U+F02E (the form a trailing dot of a Linux name takes) as '.'.
bool IsDot(wchar_t c) { return c == L'.' || c == 0xF02E; }

bool SameName(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && !(IsSeparator(a[i]) && IsSeparator(b[i]))) return false;
  }
  return true;
}

// GetZipItemA's text as a caller would turn it back into wide characters:
// up to its first NUL, through the ANSI code page.
std::wstring AnsiNameAsWide(const EntryInfo& entry) {
  std::string ansi = AnsiName(entry);
  const size_t nul = ansi.find('\0');
  if (nul != std::string::npos) ansi.resize(nul);
  return Decode(ansi, CP_ACP);
}

}  // namespace

std::string AnsiName(const EntryInfo& entry) {
  std::string name = entry.utf8 ? Encode(Decode(entry.name, CP_UTF8), CP_ACP) : entry.name;
  CutAtCharacter(name, kMaxItemName, GetACP());
  return name;
}

std::wstring WideName(const EntryInfo& entry) {
  std::wstring name = Decode(entry.name, entry.utf8 ? CP_UTF8 : CP_ACP);
  const size_t nul = name.find(L'\0');
  if (nul != std::wstring::npos) name.resize(nul);
  if (name.size() > kMaxItemName) name.resize(kMaxItemName);
  return name;
}

bool StaysInside(const std::wstring& path) {
  if (path.empty()) return true;
  if (IsSeparator(path[0]) || (path.size() >= 2 && path[1] == L':')) return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    if (end - start == 2 && IsDot(path[start]) && IsDot(path[start + 1])) return false;
    start = end + 1;
  }
  return true;
}

bool IsOwnName(const EntryInfo& entry, const std::wstring& target) {
  return SameName(target, WideName(entry)) || SameName(target, AnsiNameAsWide(entry));
}

void CreateFolderChain(const std::wstring& root, const std::wstring& relative) {
  for (size_t i = 1; i < relative.size(); ++i) {
    if (IsSeparator(relative[i]) && !IsSeparator(relative[i - 1]))
      CreateDirectoryW((root + relative.substr(0, i)).c_str(), nullptr);
  }
  if (!relative.empty() && !IsSeparator(relative.back()))
    CreateDirectoryW((root + relative).c_str(), nullptr);
}

}  // namespace kavro::zip
