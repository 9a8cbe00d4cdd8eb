// Entry names as stored in an archive.
#include "files/zip/zip_entry_name_internal.h"

#include <algorithm>
#include <iterator>

#include "files/zip/zip_writer_internal.h"

namespace kavro::zip {

ZIPRESULT StoredName(const wchar_t* name, bool folder, std::string& stored, bool& utf8) {
  utf8 = false;
  if (name == nullptr || name[0] == 0) return ZRES_ARGS;
  const UINT codePage = GetACP();
  BOOL defaulted = FALSE;
  BOOL* defaultedOut = codePage == CP_UTF8 ? nullptr : &defaulted;
  const int size = WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, name, -1, nullptr, 0, nullptr,
                                       defaultedOut);
  if (size <= 1) return ZRES_ARGS;
  stored.assign(static_cast<size_t>(size), '\0');
  if (WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, name, -1, stored.data(), size, nullptr,
                          defaultedOut) != size ||
      defaulted) {
    return ZRES_ARGS;  // a name the code page cannot show would be stored wrong
  }
  stored.resize(static_cast<size_t>(size - 1));
  std::replace(stored.begin(), stored.end(), '\\', '/');
  if (folder && stored.back() != '/') stored += '/';
  if (stored.size() > kMaxNameBytes) return ZRES_ARGS;
  if (codePage == CP_UTF8) {
    utf8 = std::any_of(stored.begin(), stored.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  }
  return ZRES_SUCCESS;
}

bool HasCompressedSuffix(const std::string& name) {
  static const char* const kSuffixes[] = {"z", "zip", "zoo", "arc", "lzh", "arj", "gz", "tgz"};
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string suffix = name.substr(dot + 1);
  for (char& c : suffix) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return std::any_of(std::begin(kSuffixes), std::end(kSuffixes),
                     [&](const char* known) { return suffix == known; });
}

}  // namespace kavro::zip
