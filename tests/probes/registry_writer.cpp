// Changes registry values from a child process, for the tests of concurrent
// writers.
//
//   registry_writer <subkey of HKCU> <name> <count>
//       for n in 1..count: sets <name>_<n> = n and <name> = n (REG_DWORD);
//       exit 1 when a call fails
#include <cstdio>
#include <cstdlib>
#include <string>

#include "KavroStd/platform/codepage.h"
#include "KavroStd/platform/registry.h"

namespace {
std::wstring Wide(const char* text) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring out(n > 0 ? n : 1, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
  out.resize(out.size() - 1);
  return out;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const std::wstring subKey = Wide(argv[1]);
  const std::wstring name = Wide(argv[2]);
  const long count = std::atol(argv[3]);
  HKEY key;
  if (LONG err = RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                 nullptr)) {
    std::fprintf(stderr, "create failed: %ld\n", static_cast<long>(err));
    return 1;
  }
  for (long n = 1; n <= count; ++n) {
    DWORD value = static_cast<DWORD>(n);
    const std::wstring one = name + L"_" + std::to_wstring(n);
    for (const std::wstring* v : {&one, &name}) {
      if (LONG err = RegSetValueExW(key, v->c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4)) {
        std::fprintf(stderr, "set %ld failed: %ld\n", n, static_cast<long>(err));
        return 1;
      }
    }
  }
  RegCloseKey(key);
  return 0;
}
