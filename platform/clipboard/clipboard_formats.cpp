// Registered clipboard format names: one UTF-8 name per line in the store's
// "formats" file; line i is the format 0xC000 + i. New names are appended
// under the file's lock, so every process gets the same id for a name.
#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "KavroStd/platform/clipboard.h"
#include "KavroStd/platform/cstring.h"
#include "platform/fs/rewrite_internal.h"
#include "platform/clipboard/clipboard_internal.h"
#include "platform/fs/path_internal.h"

namespace {

constexpr UINT kFirstRegistered = 0xC000;
constexpr size_t kMaxNames = 0x10000 - kFirstRegistered;
constexpr size_t kMaxNameLength = 255;

std::vector<std::wstring> SplitNames(const std::string& bytes) {
  std::vector<std::wstring> names;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();  // a cut last line still names a format
    names.push_back(kavro::platform::FromUtf8(bytes.data() + start, end - start));
    start = end + 1;
  }
  return names;
}

std::wstring FormatsFile() {
  std::string folder;
  if (!kavro::platform::detail::ClipboardFolder(folder)) return std::wstring();
  return kavro::platform::FromUtf8(folder.data(), folder.size()) + L"/formats";
}

}  // namespace

extern "C" UINT RegisterClipboardFormatW(LPCWSTR name) {
  size_t length = name ? wcslen(name) : 0;
  if (length == 0 || length > kMaxNameLength || wcspbrk(name, L"\r\n")) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring file = FormatsFile();
  if (file.empty()) return 0;
  UINT id = 0;
  DWORD error = kavro::platform::KvRewriteFile(file.c_str(), true, [&](std::string& bytes) {
    std::vector<std::wstring> names = SplitNames(bytes);
    for (size_t i = 0; i < names.size(); ++i) {
      if (kavro::platform::CompareNoCase(names[i].data(), names[i].size(), name, length) == 0) {
        id = kFirstRegistered + static_cast<UINT>(i);
        return false;
      }
    }
    if (names.size() >= kMaxNames) return false;
    if (!bytes.empty() && bytes.back() != '\n') bytes.push_back('\n');
    bytes += kavro::platform::ToUtf8(name, length);
    bytes.push_back('\n');
    id = kFirstRegistered + static_cast<UINT>(names.size());
    return true;
  });
  if (error != ERROR_SUCCESS) return 0;
  if (id == 0) SetLastError(ERROR_NOT_ENOUGH_MEMORY);  // every id is taken
  return id;
}

extern "C" int GetClipboardFormatNameW(UINT format, LPWSTR name, int size) {
  if (!name || size <= 0 || format < kFirstRegistered || format > 0xFFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring file = FormatsFile();
  if (file.empty()) return 0;
  std::vector<std::wstring> names;
  DWORD error = kavro::platform::KvRewriteFile(file.c_str(), true, [&](std::string& bytes) {
    names = SplitNames(bytes);
    return false;
  });
  if (error != ERROR_SUCCESS) return 0;
  size_t index = format - kFirstRegistered;
  if (index >= names.size()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = std::min(names[index].size(), static_cast<size_t>(size) - 1);
  wmemcpy(name, names[index].data(), n);
  name[n] = 0;
  return static_cast<int>(n);
}
