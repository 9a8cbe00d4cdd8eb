// Writes profile values from a child process, for the tests of concurrent and
// interrupted writers.
//
//   profile_writer keys  <file> <section> <prefix> <count>
//       writes <prefix><n>=<n> for n in [0, count); exit 1 if a write fails
//   profile_writer churn <file> <section> <keys> <value-size>
//       rewrites K<n % keys> with "v<n>:" + filler + ":end" until killed
#include <cstdio>
#include <cstdlib>
#include <string>

#include "KavroStd/platform/codepage.h"
#include "KavroStd/platform/profile.h"

namespace {

std::wstring Wide(const char* text) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring out(n > 0 ? n : 1, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
  out.resize(out.size() - 1);
  return out;
}

int WriteKeys(const std::wstring& file, const std::wstring& section, const std::wstring& prefix, long count) {
  for (long n = 0; n < count; ++n) {
    std::wstring key = prefix + std::to_wstring(n);
    if (!WritePrivateProfileStringW(section.c_str(), key.c_str(), std::to_wstring(n).c_str(), file.c_str())) {
      fprintf(stderr, "write %ld failed: %u\n", n, GetLastError());
      return 1;
    }
  }
  return 0;
}

int Churn(const std::wstring& file, const std::wstring& section, long keys, long size) {
  const std::wstring filler(static_cast<size_t>(size), L'x');
  for (unsigned long n = 0;; ++n) {
    std::wstring key = L"K" + std::to_wstring(n % static_cast<unsigned long>(keys));
    std::wstring value = L"v" + std::to_wstring(n) + L":" + filler + L":end";
    if (!WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str())) {
      fprintf(stderr, "write %lu failed: %u\n", n, GetLastError());
      return 1;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::string(argv[1]) == "keys")
    return WriteKeys(Wide(argv[2]), Wide(argv[3]), Wide(argv[4]), strtol(argv[5], nullptr, 10));
  if (argc == 6 && std::string(argv[1]) == "churn")
    return Churn(Wide(argv[2]), Wide(argv[3]), strtol(argv[4], nullptr, 10), strtol(argv[5], nullptr, 10));
  fprintf(stderr, "usage: profile_writer keys|churn <file> <section> ...\n");
  return 2;
}
