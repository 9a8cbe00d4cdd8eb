// Snapshots of folders, the Windows names oracle and the child with a
// deadline (hostile_tree.h).
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <cwchar>
#include <sstream>

#include "support/hostile_tree.h"

namespace kavro::test {
namespace {

char TypeOf(mode_t mode) {
  if (S_ISDIR(mode)) return 'd';
  if (S_ISREG(mode)) return 'f';
  if (S_ISLNK(mode)) return 'l';
  if (S_ISFIFO(mode)) return 'p';
  if (S_ISSOCK(mode)) return 's';
  if (S_ISCHR(mode)) return 'c';
  return 'b';
}

// FNV-1a over the content of a regular file (opened without following and
// without blocking: a swapped-in FIFO is not waited on).
uint64_t HashAt(int folder, const char* name) {
  uint64_t h = 1469598103934665603ull;
  const int fd = openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return 0;
  char buffer[8192];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0)
    for (ssize_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ull;
  close(fd);
  return h;
}

void SnapFolder(int fd, const std::string& prefix, const std::vector<std::string>& skip, Snapshot& out) {
  std::vector<std::string> names;
  if (DIR* dir = fdopendir(dup(fd))) {
    while (dirent* e = readdir(dir)) {
      const std::string n = e->d_name;
      if (n == "." || n == "..") continue;
      bool skipped = false;
      for (const std::string& s : skip) skipped = skipped || s == n;
      if (!skipped) names.push_back(n);
    }
    closedir(dir);
  }
  for (const std::string& n : names) {
    struct stat st;
    if (fstatat(fd, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    SnapEntry e;
    e.type = TypeOf(st.st_mode);
    e.mode = st.st_mode & 07777;
    const std::string path = prefix + n;
    if (S_ISREG(st.st_mode)) {
      e.size = static_cast<uint64_t>(st.st_size);
      e.hash = HashAt(fd, n.c_str());
    } else if (S_ISLNK(st.st_mode)) {
      char target[4096];
      const ssize_t len = readlinkat(fd, n.c_str(), target, sizeof target);
      if (len > 0) e.link.assign(target, static_cast<size_t>(len));
    }
    out[path] = e;
    if (S_ISDIR(st.st_mode)) {
      const int sub = openat(fd, n.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0) {
        SnapFolder(sub, path + "/", {}, out);
        close(sub);
      }
    }
  }
}

// The next character of UTF-8 text, or U+DC00 + the byte for one that
// starts no valid sequence.
wchar_t NextCharacter(const std::string& s, size_t& i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    ++i;
    return static_cast<wchar_t>(c);
  }
  const size_t extra = c >= 0xC2 && c < 0xE0 ? 1 : c >= 0xE0 && c < 0xF0 ? 2 : c >= 0xF0 && c < 0xF5 ? 3 : 0;
  bool ok = extra != 0 && i + extra < s.size();
  uint32_t value = c & (0x3Fu >> extra);
  for (size_t k = 1; ok && k <= extra; ++k) {
    const unsigned char t = static_cast<unsigned char>(s[i + k]);
    ok = (t & 0xC0) == 0x80;
    value = (value << 6) | (t & 0x3F);
  }
  if (!ok) {
    ++i;
    return static_cast<wchar_t>(0xDC00 + c);
  }
  i += extra + 1;
  return static_cast<wchar_t>(value);
}

bool Forbidden(wchar_t c) { return (c >= 1 && c <= 0x1F) || std::wcschr(L"\\:*?\"<>|", c) != nullptr; }

}  // namespace

Snapshot TakeSnapshot(const std::string& folder, const std::vector<std::string>& skip) {
  Snapshot out;
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return out;
  SnapFolder(fd, "", skip, out);
  close(fd);
  return out;
}

SnapEntry SnapPath(const std::string& path) {
  SnapEntry e;
  e.type = '-';
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return e;
  const std::string name = path.substr(slash + 1);
  struct stat st;
  if (fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    e.type = TypeOf(st.st_mode);
    e.mode = st.st_mode & 07777;
    if (S_ISREG(st.st_mode)) {
      e.size = static_cast<uint64_t>(st.st_size);
      e.hash = HashAt(fd, name.c_str());
    }
  }
  close(fd);
  return e;
}

std::string SnapshotDiff(const Snapshot& before, const Snapshot& after, bool modes) {
  std::ostringstream out;
  for (const auto& [path, e] : before) {
    auto it = after.find(path);
    if (it == after.end()) {
      out << "gone: " << path << "\n";
      continue;
    }
    SnapEntry a = it->second, b = e;
    if (!modes) a.mode = b.mode = 0;
    if (!(a == b)) out << "changed: " << path << "\n";
  }
  for (const auto& [path, e] : after)
    if (before.find(path) == before.end()) out << "new: " << path << "\n";
  return out.str();
}

std::wstring WindowsNameOf(const std::string& diskName) {
  std::wstring out;
  for (size_t i = 0; i < diskName.size();) out.push_back(NextCharacter(diskName, i));
  size_t end = out.size();
  while (end > 0 && (out[end - 1] == L'.' || out[end - 1] == L' ')) --end;
  for (size_t i = 0; i < out.size(); ++i)
    if (i >= end || Forbidden(out[i])) out[i] = static_cast<wchar_t>(0xF000 + out[i]);
  return out;
}

std::wstring WindowsPathOf(const std::string& relative) {
  std::wstring out;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t slash = relative.find('/', start);
    if (slash == std::string::npos) slash = relative.size();
    if (!out.empty()) out += L'\\';
    out += WindowsNameOf(relative.substr(start, slash - start));
    start = slash + 1;
  }
  return out;
}

ChildOutcome RunWithDeadline(const std::function<std::string()>& work, unsigned seconds) {
  ChildOutcome outcome;
  int pipefd[2];
  if (pipe2(pipefd, O_CLOEXEC) != 0) return outcome;
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipefd[0]);
    alarm(seconds);
    const std::string text = work();
    for (size_t done = 0; done < text.size();) {
      const ssize_t n = write(pipefd[1], text.data() + done, text.size() - done);
      if (n <= 0) _exit(3);
      done += static_cast<size_t>(n);
    }
    _exit(0);
  }
  close(pipefd[1]);
  char buffer[65536];
  ssize_t n;
  while ((n = read(pipefd[0], buffer, sizeof buffer)) > 0) outcome.text.append(buffer, static_cast<size_t>(n));
  close(pipefd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  outcome.finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (WIFSIGNALED(status))
    outcome.status = WTERMSIG(status) == SIGALRM ? "hung (killed after the deadline)"
                                                 : std::string("killed by signal ") + strsignal(WTERMSIG(status));
  else outcome.status = "exit " + std::to_string(WEXITSTATUS(status));
  return outcome;
}

}  // namespace kavro::test
