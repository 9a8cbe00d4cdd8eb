// The user's temporary folder and temporary file names.
//
// As on Windows the folder is the user's own: $TMPDIR when set, else
// /tmp/kavro-temp-<uid>, created with mode 0700 and used only while it is
// a private folder of the user (a folder of that name that someone else made
// is never used; a fresh private one is made beside it instead).
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cwchar>
#include <string>

#include "KavroStd/platform/fileapi.h"
#include "KavroStd/platform/handleapi.h"
#include "platform/core/errors_internal.h"
#include "platform/fs/path_internal.h"

namespace kavro::platform {
namespace {

// The POSIX temporary folder, or empty when none can be had.
std::string TempFolder() {
  const char* chosen = getenv("TMPDIR");
  if (chosen && *chosen) return chosen;
  std::string folder = "/tmp/kavro-temp-" + std::to_string(static_cast<unsigned long>(geteuid()));
  if (MakePrivateFolder(folder)) return folder;
  // The name is taken by someone else: a private folder of a new name.
  std::string pattern = folder + "-XXXXXX";
  if (mkdtemp(pattern.data())) return pattern;
  SetLastErrorFromErrno(errno);
  return std::string();
}

// Copies text with its terminator when it fits; the Windows result rule.
DWORD CopyOut(const std::wstring& text, DWORD bufferLength, LPWSTR buffer) {
  if (!buffer || bufferLength <= text.size()) return static_cast<DWORD>(text.size() + 1);
  wmemcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

}  // namespace
}  // namespace kavro::platform

using namespace kavro::platform;

extern "C" DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer) {
  std::string folder = TempFolder();
  if (folder.empty()) return 0;
  std::wstring path = KvWindowsPath(folder);
  if (path.empty() || path.back() != L'\\') path.push_back(L'\\');
  return CopyOut(path, bufferLength, buffer);
}

extern "C" UINT GetTempFileNameW(LPCWSTR path, LPCWSTR prefix, UINT unique, LPWSTR buffer) {
  if (!path || !buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring base(path);
  if (!base.empty() && base.back() != L'\\' && base.back() != L'/') base.push_back(L'\\');
  if (prefix) base.append(prefix, wcsnlen(prefix, 3));
  auto nameFor = [&base](UINT number) {
    wchar_t hex[8];
    swprintf(hex, 8, L"%X", number);
    return base + hex + L".tmp";
  };
  if (unique != 0) {
    std::wstring name = nameFor(unique & 0xFFFF);
    if (name.size() >= MAX_PATH) {
      SetLastError(ERROR_BUFFER_OVERFLOW);
      return 0;
    }
    wmemcpy(buffer, name.c_str(), name.size() + 1);
    return unique;
  }
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  UINT start = static_cast<UINT>((now.tv_sec * 1000 + now.tv_nsec / 1000000) & 0xFFFF);
  if (start == 0) start = 1;
  UINT number = start;
  do {
    std::wstring name = nameFor(number);
    if (name.size() >= MAX_PATH) {
      SetLastError(ERROR_BUFFER_OVERFLOW);
      return 0;
    }
    HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      wmemcpy(buffer, name.c_str(), name.size() + 1);
      return number;
    }
    DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS && error != ERROR_SHARING_VIOLATION) return 0;
    number = number == 0xFFFF ? 1 : number + 1;
  } while (number != start);
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}
