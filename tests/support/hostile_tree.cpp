// Building the hostile trees of hostile_tree.h for real.
#include "support/hostile_tree.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace kavro::test {
namespace {

void Check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error("hostile tree: " + what + ": " + strerror(errno));
}

void MakeFolder(const std::string& path) { Check(mkdir(path.c_str(), 0755) == 0, "mkdir " + path); }

void MakeLink(const std::string& target, const std::string& path) {
  Check(symlink(target.c_str(), path.c_str()) == 0, "symlink " + path);
}

// The sandbox path with '\' between its names, without the leading '/'.
std::string BackslashForm(const std::string& path) {
  std::string out = path.substr(1);
  for (char& c : out)
    if (c == '/') c = '\\';
  return out;
}

void BuildForbiddenNames(const std::string& sandbox, const std::string& tree) {
  // Enough ".." to climb from the tree to the top, as the attacker wrote them.
  std::string climb;
  for (char c : tree)
    if (c == '/') climb += "..\\";
  climb += "..\\..\\";
  const std::vector<std::string> folders = {"..\\victim", climb + BackslashForm(sandbox + "/elsewhere"),
                                            "\\", "\\/\\", "trailing. ", "a\\b"};
  for (const std::string& f : folders) {
    MakeFolder(tree + "/" + f);
    WriteBytes(tree + "/" + f + "/inside.txt", "inside " + f);
  }
  const std::vector<std::string> files = {
      "..\\victim.txt", "back\\slash.txt", "colon:x", "star*", "q?", "quote\"", "lt<", "gt>", "pipe|",
      std::string("ctl\x01\x1f", 5), "dots...", "blank  ", "bad\xff", "plain.txt"};
  for (const std::string& f : files) WriteBytes(tree + "/" + f, "file " + f);
}

void BuildSpecialFiles(const std::string& tree) {
  MakeFolder(tree + "/sub");
  WriteBytes(tree + "/plain.txt", "plain");
  WriteBytes(tree + "/sub/plain2.txt", "plain2");
  Check(mkfifo((tree + "/fifo").c_str(), 0644) == 0, "mkfifo");
  Check(mkfifo((tree + "/sub/fifo2").c_str(), 0644) == 0, "mkfifo");
  MakeLink("fifo", tree + "/fifo-link");
  const int s = socket(AF_UNIX, SOCK_STREAM, 0);
  Check(s >= 0, "socket");
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string name = tree + "/sock";
  Check(name.size() < sizeof address.sun_path, "socket path length");
  std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
  Check(bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0, "bind");
  close(s);
  // A device node where the system allows one (root outside a container).
  mknod((tree + "/sub/null-device").c_str(), S_IFCHR | 0644, makedev(1, 3));
}

void BuildCaseTwins(const std::string& tree) {
  MakeFolder(tree + "/sub");
  MakeFolder(tree + "/SUB");
  WriteBytes(tree + "/Sub", "file Sub");
  WriteBytes(tree + "/sub/a.txt", "lower");
  WriteBytes(tree + "/SUB/a.txt", "upper");
  WriteBytes(tree + "/SUB/A.TXT", "upper twin");
}

// 300 folders of 20-character names, a file at the bottom (far past
// PATH_MAX, so made one level at a time) and the bottom folder read-only.
void BuildDeep(const std::string& tree) {
  WriteBytes(tree + "/top.txt", "top");
  int fd = open(tree.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  Check(fd >= 0, "open tree");
  for (int level = 1; level <= 300; ++level) {
    char name[32];
    std::snprintf(name, sizeof name, "level-%03d-abcdefghij", level);
    Check(mkdirat(fd, name, 0755) == 0, "mkdirat");
    const int next = openat(fd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    close(fd);
    fd = next;
    Check(fd >= 0, "openat");
  }
  const int file = openat(fd, "bottom.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0444);
  Check(file >= 0 && write(file, "bottom", 6) == 6, "bottom file");
  close(file);
  fchmod(fd, 0555);
  close(fd);
}

void BuildLinks(const std::string& sandbox, const std::string& tree) {
  MakeFolder(tree + "/data");
  WriteBytes(tree + "/data/a.txt", "data a");
  WriteBytes(tree + "/data/.hidden", "hidden");
  MakeLink("data/a.txt", tree + "/in-file");
  MakeLink(tree + "/data/a.txt", tree + "/in-abs");
  MakeLink("data", tree + "/in-dir");
  MakeLink("..", tree + "/data/up");
  MakeLink(sandbox + "/outside/secret.key", tree + "/out-file");
  MakeLink("../outside/secret.key", tree + "/data/out-rel");
  MakeLink(sandbox + "/outside", tree + "/out-dir");
  MakeLink("../outside/back-in", tree + "/via-out");  // leaves the tree and comes back
  MakeLink(tree + "/data/a.txt", sandbox + "/outside/back-in");
  MakeLink("nowhere", tree + "/dangling");
  MakeLink("loop2", tree + "/loop1");
  MakeLink("loop1", tree + "/loop2");
  MakeLink("self", tree + "/self");
  MakeFolder(tree + "/ro");
  WriteBytes(tree + "/ro/locked.txt", "locked");
  chmod((tree + "/ro/locked.txt").c_str(), 0444);
  chmod((tree + "/ro").c_str(), 0555);
}

}  // namespace

std::vector<HostileKind> AllHostileKinds() {
  return {HostileKind::kForbiddenNames, HostileKind::kSpecialFiles, HostileKind::kCaseTwins, HostileKind::kDeep,
          HostileKind::kLinks};
}

const char* HostileKindName(HostileKind kind) {
  switch (kind) {
    case HostileKind::kForbiddenNames: return "ForbiddenNames";
    case HostileKind::kSpecialFiles: return "SpecialFiles";
    case HostileKind::kCaseTwins: return "CaseTwins";
    case HostileKind::kDeep: return "Deep";
    case HostileKind::kLinks: return "Links";
  }
  return "?";
}

void BuildHostileTree(HostileKind kind, const std::string& sandbox) {
  const std::string tree = sandbox + "/tree";
  MakeFolder(tree);
  MakeFolder(sandbox + "/victim");
  WriteBytes(sandbox + "/victim/precious.txt", "precious");
  MakeFolder(sandbox + "/elsewhere");
  WriteBytes(sandbox + "/elsewhere/inside.txt", "elsewhere");
  MakeFolder(sandbox + "/outside");
  WriteBytes(sandbox + "/outside/secret.key", "PRIVATE KEY");
  chmod((sandbox + "/outside/secret.key").c_str(), 0400);
  WriteBytes(sandbox + "/victim.txt", "victim");
  switch (kind) {
    case HostileKind::kForbiddenNames: BuildForbiddenNames(sandbox, tree); break;
    case HostileKind::kSpecialFiles: BuildSpecialFiles(tree); break;
    case HostileKind::kCaseTwins: BuildCaseTwins(tree); break;
    case HostileKind::kDeep: BuildDeep(tree); break;
    case HostileKind::kLinks: BuildLinks(sandbox, tree); break;
  }
}

HostileSandbox::HostileSandbox(HostileKind kind) : kind_(kind) { BuildHostileTree(kind, dir_.path()); }

CString HostileSandbox::TreeWin() const { return dir_.Win("tree"); }

}  // namespace kavro::test
