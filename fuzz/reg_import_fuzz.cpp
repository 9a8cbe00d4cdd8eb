// Fuzz target for the .reg import: the input is written as a .reg file and
// imported into an empty private store. Whatever it applied must survive
// the round trip: each root exported, the store emptied, the export imported
// and exported again gives the same bytes. Every key is then walked through
// the enumeration and query calls with small and exact buffers. A crash, a
// hang, a leak, a bad read or a round trip that changes anything is a fault.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    char name[] = "/tmp/kavro-reg-fuzz-XXXXXX";
    if (!mkdtemp(name)) std::abort();
    setenv("KAVRO_REGISTRY_DIR", (std::string(name) + "/store").c_str(), 1);
    return std::string(name);
  }();
  return folder;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

std::wstring Wide(const std::string& path) { return kavro::platform::KvWindowsPath(path); }

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void EmptyStore() {
  std::error_code ec;
  std::filesystem::remove_all(Folder() + "/store", ec);
}

// Every subkey and value below `key`, read with a too-small and an exact buffer.
void Walk(HKEY key, int depth) {
  DWORD subKeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0;
  Check(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &values, &maxName, &maxData,
                         nullptr, nullptr) == ERROR_SUCCESS);
  std::vector<wchar_t> name(maxName + 1);
  std::vector<wchar_t> data(maxData / 2 + 2);
  for (DWORD i = 0; i < values; ++i) {
    DWORD chars = maxName + 1, type = 0, size = maxData;
    Check(RegEnumValueW(key, i, name.data(), &chars, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
          ERROR_SUCCESS);
    Check(chars <= maxName && name[chars] == L'\0' && size <= maxData);
    DWORD small = size / 2;
    LONG err = RegQueryValueExW(key, name.data(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &small);
    Check(size == 0 ? err == ERROR_SUCCESS : err == ERROR_MORE_DATA);
    Check(small == size);
  }
  std::vector<wchar_t> sub(maxSub + 1);
  for (DWORD i = 0; i < subKeys && depth < 64; ++i) {
    DWORD chars = maxSub + 1;
    Check(RegEnumKeyExW(key, i, sub.data(), &chars, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS);
    HKEY child;
    Check(RegOpenKeyExW(key, sub.data(), 0, KEY_READ, &child) == ERROR_SUCCESS);
    Walk(child, depth + 1);
    RegCloseKey(child);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = Folder() + "/in.reg";
  EmptyStore();
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  DWORD line = 0;
  if (KvRegImport(Wide(input).c_str(), &line) != ERROR_SUCCESS) return 0;
  const wchar_t* roots[] = {L"HKEY_LOCAL_MACHINE", L"HKEY_CURRENT_USER", L"HKEY_USERS", L"HKEY_CURRENT_CONFIG"};
  const HKEY handles[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_USERS, HKEY_CURRENT_CONFIG};
  std::vector<std::string> first(4);
  for (int r = 0; r < 4; ++r) {
    Walk(handles[r], 0);
    const std::string file = Folder() + "/first" + std::to_string(r) + ".reg";
    Check(KvRegExport(roots[r], Wide(file).c_str()) == ERROR_SUCCESS);
    first[r] = Read(file);
  }
  EmptyStore();
  for (int r = 0; r < 4; ++r)
    Check(KvRegImport(Wide(Folder() + "/first" + std::to_string(r) + ".reg").c_str(), nullptr) == ERROR_SUCCESS);
  for (int r = 0; r < 4; ++r) {
    const std::string file = Folder() + "/second.reg";
    Check(KvRegExport(roots[r], Wide(file).c_str()) == ERROR_SUCCESS);
    Check(Read(file) == first[r]);
  }
  return 0;
}
