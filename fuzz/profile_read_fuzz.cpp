// Fuzz target for the profile (INI) reader: the input is written as an INI
// file, then read through every read form: the section list, each section's
// lines and key list, each key's value with buffers of several sizes, and the
// integer form. Every count must stay inside its buffer and every list end
// in its zeros; a crash, hang, leak or bad read is a fault. The first input
// byte picks the code page, so double-byte pages are covered too.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"

namespace {

const std::string& FilePath() {
  static const std::string path = [] {
    char folder[] = "/tmp/kavro-profile-fuzz-XXXXXX";
    if (!mkdtemp(folder)) std::abort();
    return std::string(folder) + "/f.ini";
  }();
  return path;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

// The entries of a list of `count` units that ends in its zero.
std::vector<std::wstring> Entries(const std::vector<wchar_t>& buffer, DWORD count) {
  Check(count < buffer.size() && buffer[count] == L'\0');
  std::vector<std::wstring> out;
  for (size_t i = 0; i < count;) {
    std::wstring entry(buffer.data() + i);
    i += entry.size() + 1;
    out.push_back(std::move(entry));
  }
  return out;
}

void ReadValue(const wchar_t* app, const wchar_t* key, const wchar_t* file) {
  for (DWORD size : {1u, 2u, 3u, 8u, 4096u}) {
    std::vector<wchar_t> buffer(size + 1, L'#');
    DWORD n = GetPrivateProfileStringW(app, key, L"def  ", buffer.data(), size, file);
    Check(n < size && buffer[n] == L'\0' && buffer[size] == L'#');
  }
  GetPrivateProfileIntW(app, key, -1, file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const UINT kPages[] = {1252, 936, 932, 65001};
  if (size == 0) return 0;
  KvSetACP(kPages[data[0] % 4]);
  FILE* f = std::fopen(FilePath().c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data + 1, 1, size - 1, f);
  std::fclose(f);
  const std::wstring path = kavro::platform::KvWindowsPath(FilePath());
  const wchar_t* file = path.c_str();

  std::vector<wchar_t> buffer(1 << 16);
  DWORD n = GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(buffer.size()), file);
  std::vector<std::wstring> sections = Entries(buffer, n);
  for (DWORD small : {2u, 5u, n + 1, n + 2}) {
    if (small < 2 || small > buffer.size()) continue;
    std::vector<wchar_t> cut(small + 1, L'#');
    DWORD m = GetPrivateProfileSectionNamesW(cut.data(), small, file);
    // Whole or cut, the list ends in two zeros inside the buffer.
    Check(m + 2 <= small && cut[m] == L'\0' && cut[small] == L'#');
    Check(cut[m + 1] == L'\0' || (m > 0 && cut[m - 1] == L'\0'));
  }
  if (sections.size() > 64) sections.resize(64);
  sections.push_back(L"");
  for (const std::wstring& app : sections) {
    n = GetPrivateProfileSectionW(app.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()), file);
    Entries(buffer, n);
    n = GetPrivateProfileStringW(app.c_str(), nullptr, L"", buffer.data(), static_cast<DWORD>(buffer.size()), file);
    std::vector<std::wstring> keys = Entries(buffer, n);
    if (keys.size() > 64) keys.resize(64);
    keys.push_back(L"");
    for (const std::wstring& key : keys) ReadValue(app.c_str(), key.c_str(), file);
  }
  return 0;
}
