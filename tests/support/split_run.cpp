#include "support/split_run.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace kavro::test {

namespace {

std::vector<char*> Pointers(std::vector<std::string>& items) {
  std::vector<char*> out;
  for (auto& item : items) out.push_back(item.data());
  out.push_back(nullptr);
  return out;
}

std::vector<std::string> Environment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry(*e);
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const auto& x : extra) replaced |= x.substr(0, x.find('=')) == name;
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

// Opens a pseudo-terminal in raw mode (no line-end translation); false when
// the system has none.
bool OpenTerminal(int& master, int& slave) {
  master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0) return false;
  const char* name = nullptr;
  if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr ||
      (slave = open(name, O_RDWR | O_NOCTTY)) < 0) {
    close(master);
    return false;
  }
  termios mode;
  if (tcgetattr(slave, &mode) == 0) {
    cfmakeraw(&mode);
    tcsetattr(slave, TCSANOW, &mode);
  }
  return true;
}

}  // namespace

SplitResult RunSplit(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                     ErrorOutput errorOutput) {
  SplitResult result;
  int out[2], err[2];
  if (pipe(out) != 0) return result;
  if (errorOutput == ErrorOutput::kTerminal ? !OpenTerminal(err[0], err[1]) : pipe(err) != 0) {
    close(out[0]);
    close(out[1]);
    result.err = "no pipe or terminal for standard error";
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  for (int fd : {out[0], out[1], err[0], err[1]}) posix_spawn_file_actions_addclose(&actions, fd);
  std::vector<std::string> args = argv, envs = Environment(env);
  auto a = Pointers(args);
  auto e = Pointers(envs);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, a.data(), e.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  if (rc != 0) {
    close(out[0]);
    close(err[0]);
    result.err = "spawn failed: " + std::string(strerror(rc));
    return result;
  }
  // Both read together, so that a full pipe never stalls the child. A
  // terminal's reads end in EIO once the child has closed its side.
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int k = 0; k < 2; ++k) {
      if (fds[k].fd < 0 || fds[k].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds[k].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[k]->append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close(fds[k].fd);
        fds[k].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace kavro::test
