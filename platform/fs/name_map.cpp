// Linux names in Windows paths, and back.
//
// A Linux name may hold characters that a Windows name cannot: '\' (a
// separator there), ': * ? " < > |', the controls U+0001-U+001F, and dots
// or blanks at its end. On the way up each of them becomes its own code
// point in the private-use area, U+F000 + the character; on the way down
// those code points become the character again. So a name read from a folder
// is one component of the Windows path, and it leads back to the same entry.
//
// A name that already holds one of those private-use characters literally
// (as UTF-8) shows each of its bytes in the U+DC80-U+DCFF escape that
// invalid bytes use, so it too comes back as it was and never meets a name
// that holds the plain character.
#include "platform/fs/name_map_internal.h"

#include "platform/strings/codepage_internal.h"

namespace kavro::platform {
namespace {

constexpr wchar_t kMappedBase = 0xF000;

// Characters a Windows name cannot hold anywhere in it.
bool ForbiddenInName(unsigned c) {
  if (c >= 0x01 && c <= 0x1F) return true;
  switch (c) {
    case '"': case '*': case ':': case '<': case '>': case '?': case '\\': case '|':
      return true;
    default:
      return false;
  }
}

// The ASCII character a private-use code point stands for, or 0.
unsigned MappedCharacter(uint32_t c) {
  if (c < 0xF001 || c > 0xF07F) return 0;
  const unsigned ascii = c - kMappedBase;
  return ForbiddenInName(ascii) || ascii == '.' || ascii == ' ' ? ascii : 0;
}

}  // namespace

bool IsMappedNameCharacter(wchar_t c) { return MappedCharacter(static_cast<uint32_t>(c)) != 0; }

void AppendNameFromDisk(const char* name, size_t length, std::wstring& out) {
  // "." and ".." are the folder's own entries, not names.
  if ((length == 1 && name[0] == '.') || (length == 2 && name[0] == '.' && name[1] == '.')) {
    out.append(length, L'.');
    return;
  }
  const size_t start = out.size();
  DecodeUtf8(reinterpret_cast<const unsigned char*>(name), length, out, kUtf8Escape);
  // Literal private-use characters of the mapped set: their bytes, escaped.
  bool literal = false;
  for (size_t i = start; i < out.size() && !literal; ++i) literal = MappedCharacter(out[i]) != 0;
  if (literal) {
    std::wstring decoded = out.substr(start);
    out.resize(start);
    for (wchar_t c : decoded) {
      if (MappedCharacter(c) == 0) {
        out.push_back(c);
        continue;
      }
      std::string bytes;
      EncodeUtf8(&c, 1, bytes, false, nullptr);
      for (unsigned char b : bytes) out.push_back(static_cast<wchar_t>(0xDC00 + b));
    }
  }
  // Trailing dots and blanks, then the characters forbidden anywhere.
  size_t end = out.size();
  while (end > start && (out[end - 1] == L'.' || out[end - 1] == L' ')) --end;
  for (size_t i = start; i < out.size(); ++i) {
    const uint32_t c = static_cast<uint32_t>(out[i]);
    if (i >= end || (c < 0x80 && ForbiddenInName(c))) out[i] = static_cast<wchar_t>(kMappedBase + c);
  }
}

std::wstring NameFromDisk(const char* name, size_t length) {
  std::wstring out;
  out.reserve(length);
  AppendNameFromDisk(name, length, out);
  return out;
}

std::wstring PathFromDisk(const std::string& path) {
  std::wstring out;
  out.reserve(path.size());
  size_t i = 0;
  while (i <= path.size()) {
    size_t slash = path.find('/', i);
    if (slash == std::string::npos) slash = path.size();
    AppendNameFromDisk(path.data() + i, slash - i, out);
    if (slash < path.size()) out.push_back(L'\\');
    i = slash + 1;
  }
  return out;
}

void AppendPathToDisk(const wchar_t* path, size_t length, std::string& out) {
  size_t run = 0;  // start of the text not yet written
  for (size_t i = 0; i < length; ++i) {
    const wchar_t c = path[i];
    const bool separator = c == L'\\' || c == L'/';
    const unsigned mapped = separator ? 0 : MappedCharacter(static_cast<uint32_t>(c));
    if (!separator && mapped == 0) continue;
    EncodeUtf8(path + run, i - run, out, true, nullptr);
    out.push_back(separator ? '/' : static_cast<char>(mapped));
    run = i + 1;
  }
  EncodeUtf8(path + run, length - run, out, true, nullptr);
}

std::string PathToDisk(const wchar_t* path, size_t length) {
  std::string out;
  out.reserve(length);
  AppendPathToDisk(path, length, out);
  return out;
}

}  // namespace kavro::platform
