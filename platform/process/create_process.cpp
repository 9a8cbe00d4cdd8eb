// CreateProcessW over posix_spawn: the program looked for as Windows looks
// for it, the arguments split by the Windows rules, no shell.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "KavroStd/platform/fileapi.h"
#include "KavroStd/platform/processthreadsapi.h"
#include "platform/core/errors_internal.h"
#include "platform/fs/fileapi_internal.h"
#include "platform/fs/path_internal.h"
#include "platform/process/command_split_internal.h"
#include "platform/sync/process_handle_internal.h"

extern char** environ;

namespace kavro::platform {
namespace {

std::string Utf8(const std::wstring& text) { return ToUtf8(text.data(), text.size()); }

bool HasExtension(const std::string& path) {
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The file a candidate names: "<path>.exe" when the name has no extension
// and that file exists, else the path itself when it is a file.
bool TryFile(const std::string& path, std::string& found) {
  if (!HasExtension(path) && IsFile(path + ".exe")) {
    found = path + ".exe";
    return true;
  }
  if (IsFile(path)) {
    found = path;
    return true;
  }
  return false;
}

std::string ExecutableFolder() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0) return std::string();
  std::string path(buffer, static_cast<size_t>(n));
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

// A name with a folder part is taken from the current folder; a bare name
// is looked for in the executable's folder, the current folder and PATH.
bool FindProgram(const std::wstring& name, std::string& found) {
  if (name.empty()) return false;
  if (name.find_first_of(L"\\/:") != std::wstring::npos) {
    std::string mapped;
    return KvMapPath(name.c_str(), mapped) && TryFile(mapped, found);
  }
  const std::string file = Utf8(name);
  std::vector<std::string> folders{ExecutableFolder(), "."};
  if (const char* path = getenv("PATH")) {
    std::string list = path;
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(':', start);
      if (end == std::string::npos) end = list.size();
      folders.push_back(end == start ? "." : list.substr(start, end - start));
      start = end + 1;
    }
  }
  for (const std::string& folder : folders) {
    if (folder.empty()) continue;
    if (TryFile(folder + (folder.back() == '/' ? "" : "/") + file, found)) return true;
  }
  return false;
}

// The program of a command line: the quoted name, or for an unquoted one
// holding blanks each longer blank-delimited prefix in turn until one names
// a program, as Windows reads "C:\Program Files\tool.exe arg".
bool FindProgramOfLine(const std::wstring& line, std::string& found) {
  std::wstring name;
  KvProgramNameEnd(line, name);
  if (FindProgram(name, found)) return true;
  if (!line.empty() && line[0] == L'"') return false;
  for (size_t i = name.size(); i < line.size(); ++i) {
    if ((line[i] == L' ' || line[i] == L'\t') && i + 1 < line.size() && line[i + 1] != L' ' &&
        line[i + 1] != L'\t') {
      size_t end = line.find_first_of(L" \t", i + 1);
      std::wstring prefix = line.substr(0, end == std::wstring::npos ? line.size() : end);
      if (FindProgram(prefix, found)) return true;
    }
  }
  return false;
}

// "NAME=value" entries of a Windows environment block (two zeros end it);
// entries starting with '=' (per-drive folders) are left out.
bool ReadEnvironment(LPVOID block, bool unicode, std::vector<std::string>& out) {
  if (unicode) {
    const wchar_t* p = static_cast<const wchar_t*>(block);
    while (*p) {
      std::wstring entry = p;
      if (entry[0] != L'=') out.push_back(Utf8(entry));
      p += entry.size() + 1;
    }
  } else {
    const char* p = static_cast<const char*>(block);
    while (*p) {
      std::string entry = p;
      if (entry[0] != '=') out.push_back(entry);
      p += entry.size() + 1;
    }
  }
  return true;
}

DWORD SpawnError(int err) {
  switch (err) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    default: return Win32ErrorFromErrno(err);
  }
}

}  // namespace
}  // namespace kavro::platform

using namespace kavro::platform;

extern "C" BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES,
                               LPSECURITY_ATTRIBUTES, BOOL inheritHandles, DWORD creationFlags,
                               LPVOID environment, LPCWSTR currentDirectory,
                               LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION info) {
  const bool hasApp = applicationName && *applicationName;
  const bool hasLine = commandLine && *commandLine;
  if (!startupInfo || !info || (!hasApp && !hasLine)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string folder;
  if (currentDirectory && *currentDirectory) {
    struct stat st;
    if (!KvMapPath(currentDirectory, folder) || stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      SetLastError(ERROR_DIRECTORY);
      return FALSE;
    }
  }
  const std::wstring line = hasLine ? std::wstring(commandLine) : std::wstring(applicationName);
  std::string program;
  bool found = false;
  if (hasApp) {
    std::string mapped;
    found = KvMapPath(applicationName, mapped) && IsFile(mapped);
    if (found) program = mapped;
  } else {
    found = FindProgramOfLine(line, program);
  }
  if (!found) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }

  std::vector<std::string> args;
  if (hasLine) {
    for (const std::wstring& arg : KvSplitCommandLine(line)) args.push_back(Utf8(arg));
  } else {
    args.push_back(Utf8(line));
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  std::vector<std::string> envEntries;
  std::vector<char*> envp;
  char** envList = environ;
  if (environment) {
    ReadEnvironment(environment, (creationFlags & CREATE_UNICODE_ENVIRONMENT) != 0, envEntries);
    for (std::string& entry : envEntries) envp.push_back(entry.data());
    envp.push_back(nullptr);
    envList = envp.data();
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const bool useStd = (startupInfo->dwFlags & STARTF_USESTDHANDLES) != 0;
  const HANDLE given[3] = {startupInfo->hStdInput, startupInfo->hStdOutput, startupInfo->hStdError};
  std::vector<int> copies;  // low descriptors moved out of the way of the dup2 targets
  for (int target = 0; target < 3; ++target) {
    int fd = useStd && inheritHandles ? KvFileDescriptor(given[target]) : -1;
    if (fd >= 0 && fd < 3) {
      fd = fcntl(fd, F_DUPFD_CLOEXEC, 3);
      if (fd >= 0) copies.push_back(fd);
    }
    if (fd >= 0) posix_spawn_file_actions_adddup2(&actions, fd, target);
    else if (target == 0 || useStd)
      posix_spawn_file_actions_addopen(&actions, target, "/dev/null", target == 0 ? O_RDONLY : O_WRONLY, 0);
  }
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());

  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = -1;
  int rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), envList);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  for (int fd : copies) close(fd);
  if (rc != 0) {
    SetLastError(SpawnError(rc));
    return FALSE;
  }
  KvChildHandles(pid, &info->hProcess, &info->hThread);
  info->dwProcessId = static_cast<DWORD>(pid);
  info->dwThreadId = static_cast<DWORD>(pid);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
