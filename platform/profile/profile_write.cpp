// Writing INI files: setting a value, deleting a key or a section. Each call
// plans byte-range edits on the raw file and applies them in one locked,
// atomic rewrite; every byte outside the edited ranges stays as it was.
#include <algorithm>
#include <cwchar>
#include <vector>

#include "KavroStd/platform/codepage.h"
#include "platform/fs/rewrite_internal.h"
#include "KavroStd/platform/profile.h"
#include "platform/profile/profile_internal.h"

namespace kavro::platform {
namespace {

// Replace bytes [begin, end) of the file with `bytes`.
struct ByteEdit {
  size_t begin, end;
  std::string bytes;
};

// Applies edits (in file order, not overlapping); false when the content
// comes out unchanged.
bool ApplyEdits(std::string& content, const std::vector<ByteEdit>& edits) {
  bool changed = false;
  for (const ByteEdit& e : edits)
    changed = changed || content.compare(e.begin, e.end - e.begin, e.bytes) != 0;
  if (!changed) return false;
  if (edits.size() == 1) {
    // One edit (every set): in place, moving only the bytes after it.
    content.replace(edits[0].begin, edits[0].end - edits[0].begin, edits[0].bytes);
    return true;
  }
  std::string out;
  size_t extra = 0;
  for (const ByteEdit& e : edits) extra += e.bytes.size();
  out.reserve(content.size() + extra);
  size_t pos = 0;
  for (const ByteEdit& e : edits) {
    out.append(content, pos, e.begin - pos);
    out += e.bytes;
    pos = e.end;
  }
  out.append(content, pos, std::string::npos);
  content.swap(out);
  return true;
}

// The edit that sets `key` of the first section named `app` to `value`.
template <class Scanner>
ByteEdit PlanSet(const ProfileText& text, const Scanner& scanner, const std::string& content,
                 const ProfileName& app, const ProfileName& key, const std::wstring& value) {
  ProfileLine header;
  if (!scanner.FindSection(app, 0, header)) {
    // A new section at the end, on a line of its own.
    size_t n = scanner.size();
    std::wstring lines = n > 0 && scanner.data()[n - 1] != '\n' ? L"\r\n" : L"";
    lines += L"[" + app.text + L"]\r\n" + key.text + L"=" + value + L"\r\n";
    size_t at = text.ByteOffset(n);
    return {at, at, text.Encode(lines.data(), lines.size())};
  }
  // A new key goes after the section's last key line (or its header), so
  // comments and blank lines that close the section stay after it.
  ProfileLine anchor = header;
  ProfileLine found;
  bool haveKey = false;
  ForEachSectionLine(scanner, header, [&](const ProfileLine& line) {
    if (line.kind == ProfileLineKind::kKey && scanner.NameIs(line.nameBegin, line.nameEnd, key)) {
      found = line;
      haveKey = true;
      return false;
    }
    if (line.kind == ProfileLineKind::kKey || line.kind == ProfileLineKind::kOther) anchor = line;
    return true;
  });
  if (haveKey) {
    // The stored spelling of the key, as its raw units, then the new value;
    // the line keeps its line end, and a last line without one gets CR LF.
    size_t nameAt = text.ByteOffset(found.nameBegin);
    std::wstring tail = L"=" + value;
    if (!scanner.HasLineEnd(found)) tail += L"\r\n";
    std::string bytes = content.substr(nameAt, text.ByteOffset(found.nameEnd) - nameAt);
    bytes += text.Encode(tail.data(), tail.size());
    return {text.ByteOffset(found.start), text.ByteOffset(scanner.ContentEnd(found)), std::move(bytes)};
  }
  std::wstring line = key.text + L"=" + value + L"\r\n";
  if (!scanner.HasLineEnd(anchor)) line.insert(0, L"\r\n");  // the anchor ends the file without a line end
  size_t at = text.ByteOffset(anchor.next);
  return {at, at, text.Encode(line.data(), line.size())};
}

// Removes the lines of `key` from every section named `app`.
template <class Scanner>
void PlanDeleteKey(const ProfileText& text, const Scanner& scanner, const ProfileName& app,
                   const ProfileName& key, std::vector<ByteEdit>& edits) {
  ProfileLine header;
  for (size_t pos = 0; scanner.FindSection(app, pos, header);) {
    pos = header.next;
    ForEachSectionLine(scanner, header, [&](const ProfileLine& line) {
      if (line.kind == ProfileLineKind::kKey && scanner.NameIs(line.nameBegin, line.nameEnd, key))
        edits.push_back({text.ByteOffset(line.start), text.ByteOffset(line.next), std::string()});
      pos = line.next;
      return true;
    });
  }
}

// Removes every section named `app`: its header and its lines up to the next
// header, except comment lines, which are the user's notes and stay.
template <class Scanner>
void PlanDeleteSection(const ProfileText& text, const Scanner& scanner, const ProfileName& app,
                       std::vector<ByteEdit>& edits) {
  ProfileLine header;
  auto remove = [&](const ProfileLine& line) {
    edits.push_back({text.ByteOffset(line.start), text.ByteOffset(line.next), std::string()});
  };
  for (size_t pos = 0; scanner.FindSection(app, pos, header);) {
    remove(header);
    pos = header.next;
    ForEachSectionLine(scanner, header, [&](const ProfileLine& line) {
      if (line.kind != ProfileLineKind::kComment) remove(line);
      pos = line.next;
      return true;
    });
  }
}

bool HasLineBreak(const wchar_t* s) { return s && wcspbrk(s, L"\r\n") != nullptr; }

}  // namespace
}  // namespace kavro::platform

using namespace kavro::platform;

extern "C" BOOL WritePrivateProfileStringW(LPCWSTR app, LPCWSTR key, LPCWSTR value, LPCWSTR file) {
  if (!app) {
    if (!key && !value) return TRUE;  // a flush: nothing is cached
    SetLastError(ERROR_FILE_NOT_FOUND);  // Windows' answer to a nameless section
    return FALSE;
  }
  if (HasLineBreak(app) || HasLineBreak(key) || HasLineBreak(value)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const ProfileName appName = MakeProfileName(app);
  const ProfileName keyName = MakeProfileName(key ? key : L"");
  const std::wstring valueText = value ? value : L"";
  const UINT acp = GetACP();
  const bool deleting = !key || !value;

  DWORD result = KvRewriteFile(file, !deleting, [&](std::string& content) {
    std::vector<ByteEdit> edits;
    {
      ProfileText text(content, acp);
      text.Visit([&](const auto& scanner) {
        if (!key) PlanDeleteSection(text, scanner, appName, edits);
        else if (!value) PlanDeleteKey(text, scanner, appName, keyName, edits);
        else edits.push_back(PlanSet(text, scanner, content, appName, keyName, valueText));
      });
    }
    return ApplyEdits(content, edits);
  });
  // Deleting from a file that is not there leaves an empty file, as on
  // Windows.
  if (deleting && result == ERROR_FILE_NOT_FOUND)
    result = KvRewriteFile(file, true, [](std::string&) { return true; });
  return result == ERROR_SUCCESS;
}
