// Fuzz target for the version reader: the input is written as an executable
// and read with GetFileVersionInfoSizeW and GetFileVersionInfoW into a block
// of exactly the size asked for; then the fixed information, the
// translations and the usual texts of each translation are queried. It
// aborts when a value lies outside the block, a text's length does not
// match its terminator, or the fixed information has the wrong size; a
// crash, a hang, a leak or a read outside the input or the block is a fault.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"

namespace {

const std::string& File() {
  static const std::string file = [] {
    static char name[] = "/tmp/kavro-pe-fuzz-XXXXXX";
    if (!mkdtemp(name)) std::abort();
    // The input and its folder go when the run ends.
    std::atexit([] {
      std::remove((std::string(name) + "/input.exe").c_str());
      rmdir(name);
    });
    return std::string(name) + "/input.exe";
  }();
  return file;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

// The value must lie in the block; a text ends where its length says.
void Query(std::vector<BYTE>& block, const std::wstring& path, bool text) {
  LPVOID value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length)) {
    Check(length == 0 && value == nullptr);
    return;
  }
  const BYTE* at = static_cast<const BYTE*>(value);
  const size_t bytes = text ? size_t(length) * sizeof(wchar_t) : length;
  Check(at >= block.data() && at <= block.data() + block.size() && bytes <= size_t(block.data() + block.size() - at));
  if (text && length > 0) Check(std::wcslen(static_cast<const wchar_t*>(value)) + 1 == length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    std::ofstream out(File(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    Check(out.good());
  }
  const std::wstring path = kavro::platform::KvWindowsPath(File());
  DWORD handle = 1;
  const DWORD needed = GetFileVersionInfoSizeW(path.c_str(), &handle);
  Check(handle == 0);
  if (needed == 0) return 0;
  Check(needed < (1u << 20));  // a 64 KiB resource at most, with its room
  std::vector<BYTE> block(needed);
  Check(GetFileVersionInfoW(path.c_str(), 0, needed, block.data()) == TRUE);

  LPVOID value = nullptr;
  UINT length = 0;
  if (VerQueryValueW(block.data(), L"\\", &value, &length)) Check(length >= sizeof(VS_FIXEDFILEINFO));
  Query(block, L"\\StringFileInfo", false);
  Query(block, L"\\VarFileInfo\\Translation", false);
  std::vector<std::wstring> tables = {L"040904b0", L"080404b0", L"040904E4"};
  if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length)) {
    const BYTE* pairs = static_cast<const BYTE*>(value);
    for (UINT i = 0; i + 4 <= length && i < 64; i += 4) {
      wchar_t table[9];
      std::swprintf(table, 9, L"%02x%02x%02x%02x", pairs[i + 1], pairs[i], pairs[i + 3], pairs[i + 2]);
      tables.push_back(table);
    }
  }
  for (const std::wstring& table : tables) {
    Query(block, L"\\StringFileInfo\\" + table, false);
    for (const wchar_t* name : {L"FileVersion", L"ProductVersion", L"ProductName", L"CompanyName",
                                L"FileDescription", L"Comments", L"OriginalFilename"})
      Query(block, L"\\StringFileInfo\\" + table + L"\\" + name, true);
  }
  return 0;
}
