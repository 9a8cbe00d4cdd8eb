// The runtime folder of named mutexes and the mapping of names to files.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "KavroStd/platform/cstring.h"
#include "KavroStd/platform/win_errors.h"
#include "platform/core/errors_internal.h"
#include "platform/sync/mutex_internal.h"
#include "platform/fs/path_internal.h"

namespace kavro::platform::detail {
namespace {

const char* NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value && value[0] ? value : nullptr;
}

uint64_t Fnv1a(const std::string& bytes, uint64_t basis) {
  uint64_t hash = basis;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

}  // namespace

bool MutexRuntimeFolder(std::string& folder) {
  if (const char* chosen = NonEmptyEnv("KAVRO_RUNTIME_DIR")) {
    folder = chosen;
    struct stat st;
    if (mkdir(chosen, 0700) != 0 && errno != EEXIST) {
      SetLastErrorFromErrno(errno);
      return false;
    }
    if (stat(chosen, &st) != 0 || !S_ISDIR(st.st_mode)) {
      SetLastError(ERROR_DIRECTORY);
      return false;
    }
    return true;
  }
  if (const char* xdg = NonEmptyEnv("XDG_RUNTIME_DIR")) {
    std::string base = xdg;
    if (base[0] == '/' && IsPrivateFolder(base) && MakePrivateFolder(base + "/kavro")) {
      folder = base + "/kavro";
      return true;
    }
  }
  folder = "/tmp/kavro-" + std::to_string(static_cast<unsigned long>(geteuid()));
  if (!MakePrivateFolder(folder)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

std::wstring MutexBaseName(const wchar_t* name) {
  static const wchar_t* const kPrefixes[] = {L"Global\\", L"Local\\"};
  for (const wchar_t* prefix : kPrefixes) {
    size_t n = wcslen(prefix);
    if (wcslen(name) >= n && CompareNoCase(name, n, prefix, n) == 0) return name + n;
  }
  return name;
}

std::string MutexFileStem(const std::wstring& baseName) {
  std::string bytes = ToUtf8(baseName.data(), baseName.size());
  std::string stem;
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '_' || (c == '.' && i > 0);
    if (plain) {
      stem.push_back(static_cast<char>(c));
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      stem += escaped;
    }
  }
  // File names hold 255 bytes; the suffixes need a few.
  const size_t kMaxStem = 200, kKept = 160;
  if (stem.size() > kMaxStem) {
    char hash[40];
    std::snprintf(hash, sizeof hash, "~%016llx%016llx",
                  static_cast<unsigned long long>(Fnv1a(bytes, 0xcbf29ce484222325ull)),
                  static_cast<unsigned long long>(Fnv1a(bytes, 0x84222325cbf29ce4ull)));
    stem.resize(kKept);  // the hash of the whole name keeps cut names apart
    stem += hash;
  }
  return stem;
}

}  // namespace kavro::platform::detail
