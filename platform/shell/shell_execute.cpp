// ShellExecuteExW through a replaceable handler; the default hands files,
// folders and addresses to the desktop's opener (xdg-open).
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "KavroStd/platform/cstring.h"
#include "KavroStd/platform/fileapi.h"
#include "KavroStd/platform/shellapi.h"
#include "platform/core/errors_internal.h"
#include "platform/core/handler_slot.h"
#include "platform/fs/path_internal.h"
#include "platform/sync/process_handle_internal.h"

extern char** environ;

namespace {

using ShellSlot = kavro::platform::detail::HandlerSlot<KvShellExecuteHandler>;

BOOL Fail(SHELLEXECUTEINFOW* info, DWORD error, int shellError) {
  info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(shellError));
  SetLastError(error);
  return FALSE;
}

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
  return kavro::platform::CompareNoCase(a.data(), a.size(), b, wcslen(b)) == 0;
}

bool HasDesktop() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x && x[0]) || (wayland && wayland[0]);
}

// The opener's full path from PATH, or empty.
std::string FindOpener() {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start);
    if (!candidate.empty()) {
      candidate += "/xdg-open";
      struct stat st;
      if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
        return candidate;
    }
    start = end + 1;
  }
  return std::string();
}

std::wstring Text(LPCWSTR text) { return text ? std::wstring(text) : std::wstring(); }

std::wstring Unquoted(std::wstring text) {
  size_t first = text.find_first_not_of(L" \t");
  size_t last = text.find_last_not_of(L" \t");
  text = first == std::wstring::npos ? std::wstring() : text.substr(first, last - first + 1);
  if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') text = text.substr(1, text.size() - 2);
  return text;
}

// The last path component, without regard to the separator used.
std::wstring LastComponent(const std::wstring& path) {
  size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

bool IsAddress(const std::wstring& target) {
  size_t colon = target.find(L':');
  return target.find(L"://") != std::wstring::npos || (colon != std::wstring::npos && colon > 1 &&
                                                        EqualsNoCase(target.substr(0, colon), L"mailto"));
}

// What the opener is given: "explorer.exe /select,<path>" becomes the
// folder holding path. Empty when there is nothing to open.
std::wstring OpenTarget(const SHELLEXECUTEINFOW& info) {
  std::wstring file = Unquoted(Text(info.lpFile));
  std::wstring name = LastComponent(file);
  if (!EqualsNoCase(name, L"explorer.exe") && !EqualsNoCase(name, L"explorer")) return file;
  std::wstring parameters = Unquoted(Text(info.lpParameters));
  const wchar_t kSelect[] = L"/select,";
  size_t n = wcslen(kSelect);
  if (parameters.size() >= n && EqualsNoCase(parameters.substr(0, n), kSelect)) {
    std::wstring selected = Unquoted(parameters.substr(n));
    size_t cut = selected.find_last_of(L"\\/");
    if (cut == std::wstring::npos) return L".";
    return cut == 0 || (cut == 2 && selected[1] == L':') ? selected.substr(0, cut + 1) : selected.substr(0, cut);
  }
  return parameters;
}

// The opener's argument for target: an address as it is, a path mapped to
// the file system (relative to lpDirectory when given) and required to exist.
bool OpenerArgument(const SHELLEXECUTEINFOW& info, const std::wstring& target, std::string& argument,
                    DWORD& error) {
  if (IsAddress(target)) {
    argument = kavro::platform::ToUtf8(target.data(), target.size());
    return true;
  }
  std::wstring path = target;
  std::wstring folder = Text(info.lpDirectory);
  bool relative = path.empty() || (path[0] != L'\\' && path[0] != L'/' && (path.size() < 2 || path[1] != L':'));
  if (relative && !folder.empty()) path = folder + L"\\" + path;
  if (!kavro::platform::KvMapPath(path.c_str(), argument)) {
    error = GetLastError();
    return false;
  }
  struct stat st;
  if (stat(argument.c_str(), &st) != 0) {
    error = kavro::platform::Win32ErrorFromErrno(errno);
    return false;
  }
  return true;
}

// Starts the opener with the argument, stdin from /dev/null; its pid or -1.
pid_t StartOpener(const std::string& opener, const std::string& argument) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::string name = "xdg-open";
  char* argv[] = {name.data(), const_cast<char*>(argument.c_str()), nullptr};
  pid_t pid = -1;
  int rc = posix_spawn(&pid, opener.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    kavro::platform::SetLastErrorFromErrno(rc);
    return -1;
  }
  return pid;
}

}  // namespace

extern "C" BOOL KvDefaultShellExecute(SHELLEXECUTEINFOW* info, void*) {
  std::wstring verb = Text(info->lpVerb);
  if (!verb.empty() && !EqualsNoCase(verb, L"open") && !EqualsNoCase(verb, L"explore"))
    return Fail(info, ERROR_NO_ASSOCIATION, SE_ERR_NOASSOC);
  std::string opener = HasDesktop() ? FindOpener() : std::string();
  if (opener.empty()) return Fail(info, ERROR_NO_ASSOCIATION, SE_ERR_NOASSOC);
  std::wstring target = OpenTarget(*info);
  if (target.empty()) return Fail(info, ERROR_FILE_NOT_FOUND, SE_ERR_FNF);
  std::string argument;
  DWORD error = ERROR_SUCCESS;
  if (!OpenerArgument(*info, target, argument, error))
    return Fail(info, error, error == ERROR_PATH_NOT_FOUND ? SE_ERR_PNF : SE_ERR_FNF);
  pid_t pid = StartOpener(opener, argument);
  if (pid < 0) return Fail(info, GetLastError(), SE_ERR_NOASSOC);
  if (info->fMask & SEE_MASK_NOCLOSEPROCESS)
    info->hProcess = kavro::platform::KvProcessHandleFromPid(pid);
  else
    kavro::platform::KvReapChildProcess(pid);
  info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(42));
  return TRUE;
}

extern "C" KvShellExecuteHandler KvSetShellExecuteHandler(KvShellExecuteHandler handler, void* context) {
  return ShellSlot::Instance().Set(handler, handler ? context : nullptr);
}

extern "C" BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) {
  if (!info || info->cbSize != sizeof(SHELLEXECUTEINFOW)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->hProcess = nullptr;
  if (!info->lpFile || !info->lpFile[0]) return Fail(info, ERROR_INVALID_PARAMETER, SE_ERR_FNF);
  void* context = nullptr;
  KvShellExecuteHandler handler = ShellSlot::Instance().Get(&context);
  if (!handler) handler = KvDefaultShellExecute;
  BOOL started = handler(info, context);
  if (info->hProcess && (!started || !(info->fMask & SEE_MASK_NOCLOSEPROCESS))) {
    CloseHandle(info->hProcess);  // not asked for: the process runs on, reaped by the layer
    info->hProcess = nullptr;
  }
  if (started && reinterpret_cast<intptr_t>(info->hInstApp) <= 32)
    info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(42));
  return started;
}
