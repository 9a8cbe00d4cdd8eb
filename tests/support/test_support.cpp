#include "support/test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace kavro::test {
namespace {

// Removes the entry `name` of the open folder `parent` with all it holds,
// by descriptors and names (any depth, read-only folders opened up first,
// links removed as links).
void RemoveAt(int parent, const std::string& name) {
  struct stat st;
  if (fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return;
  if (!S_ISDIR(st.st_mode)) {
    unlinkat(parent, name.c_str(), 0);
    return;
  }
  fchmodat(parent, name.c_str(), 0700, AT_SYMLINK_NOFOLLOW);
  int fd = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) {
    std::vector<std::string> names;
    if (DIR* dir = fdopendir(dup(fd))) {
      while (dirent* e = readdir(dir)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
      }
      closedir(dir);
    }
    for (const std::string& n : names) RemoveAt(fd, n);
    close(fd);
  }
  unlinkat(parent, name.c_str(), AT_REMOVEDIR);
}

}  // namespace

void RemoveTree(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash + 1 >= path.size()) return;
  int parent = open(slash == 0 ? "/" : path.substr(0, slash).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parent < 0) return;
  RemoveAt(parent, path.substr(slash + 1));
  close(parent);
}

TempDir::TempDir() {
  const char* base = getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/kavro-test-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back(0);
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

TempDir::~TempDir() { RemoveTree(path_); }

CString TempDir::Win() const { return CString(kavro::platform::KvWindowsPath(path_).c_str()) + L"\\"; }

CString TempDir::Win(const std::string& relative) const {
  std::string r = relative;
  for (char& c : r)
    if (c == '/') c = '\\';
  return Win() + CString(r.c_str());
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Utf8(const CString& text) {
  if (text.IsEmpty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, text, text.GetLength(), nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, text.GetLength(), out.data(), n, nullptr, nullptr);
  return out;
}

namespace {
std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (auto& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry(*e);
    std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const auto& x : extra)
      if (x.substr(0, x.find('=')) == name) replaced = true;
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}
}  // namespace

int Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  std::vector<std::string> args = argv;
  std::vector<std::string> envs = MergedEnvironment(env);
  auto a = Pointers(args);
  auto e = Pointers(envs);
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0].c_str(), nullptr, nullptr, a.data(), e.data()) != 0) return -1;
  return pid;
}

ProcessResult Run(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  int pipefd[2];
  ProcessResult result;
  if (pipe(pipefd) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipefd[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipefd[1], 2);
  posix_spawn_file_actions_addclose(&actions, pipefd[0]);
  std::vector<std::string> args = argv;
  std::vector<std::string> envs = MergedEnvironment(env);
  auto a = Pointers(args);
  auto e = Pointers(envs);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, a.data(), e.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipefd[1]);
  if (rc != 0) {
    close(pipefd[0]);
    result.output = "spawn failed: " + std::string(strerror(rc));
    return result;
  }
  char buf[4096];
  ssize_t n;
  while ((n = read(pipefd[0], buf, sizeof(buf))) > 0) result.output.append(buf, n);
  close(pipefd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string ProbePath(const std::string& name) { return std::string(KAVRO_PROBE_DIR) + "/" + name; }

ScopedLocale::ScopedLocale(int category, std::initializer_list<const char*> names) : category_(category) {
  const char* current = setlocale(category, nullptr);
  saved_ = current ? current : "C";
  for (const char* name : names) {
    if (setlocale(category, name)) {
      ok_ = true;
      return;
    }
  }
  missing_ = "none of the locales";
  for (const char* name : names) missing_ += std::string(" ") + name;
  missing_ += " is installed";
}

ScopedLocale::~ScopedLocale() {
  if (ok_) setlocale(category_, saved_.c_str());
}

}  // namespace kavro::test
