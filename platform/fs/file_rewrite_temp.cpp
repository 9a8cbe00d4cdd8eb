// Temporary files of the whole-file rewrite: unnamed (O_TMPFILE) where the
// file system has them, named at random otherwise, never at a name that
// already exists (see file_rewrite_internal.h).
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "platform/core/posix_io_internal.h"
#include "platform/core/sys_calls_internal.h"
#include "platform/fs/file_rewrite_internal.h"

namespace kavro::platform {
namespace {

// Each failure means a name of 10 random characters was taken; many in a row
// only happen when something else is wrong.
constexpr int kMaxNameTries = 100;
constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr size_t kSuffixLength = 10;

std::atomic<bool> gNamedOnly{false};

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// "<folder>/.<name>." for the file at `path`; a very long name is replaced
// by its hash so that the temporary name stays within the 255-byte limit.
std::string TempPrefix(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() > 200) {
    char hex[24];
    snprintf(hex, sizeof hex, "%016zx", std::hash<std::string>()(name));
    name = hex;
  }
  return folder + "." + name + ".";
}

// 64 random bits: the kernel's, or (when it has none to give) a mix of the
// clock, the process and a counter, which only needs to differ between tries.
uint64_t RandomBits() {
  uint64_t bits;
  if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof bits)) return bits;
  static std::atomic<uint64_t> counter{0};
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  uint64_t z = static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(now.tv_sec) << 30) ^
               (static_cast<uint64_t>(getpid()) << 40) ^ (counter++ * 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;  // splitmix64 finaliser
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::string CandidateName(const std::string& prefix) {
  uint64_t bits = RandomBits();
  std::string name = prefix;
  for (size_t i = 0; i < kSuffixLength; ++i, bits /= sizeof kAlphabet - 1)
    name += kAlphabet[bits % (sizeof kAlphabet - 1)];
  return name + ".kvtmp";
}

// Errors of open(O_TMPFILE) that mean the file system (or kernel) has no
// unnamed files: try a named one instead.
bool NoUnnamedFiles(int err) { return err == EOPNOTSUPP || err == EISDIR || err == EINVAL; }

int OpenUnnamed(const std::string& path, RewriteTemp& temp) {
  std::string folder = FolderOf(path);
  int fd = RetryOnEintr([&] { return Sys().Open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600); });
  if (fd < 0) return errno;
  temp.fd = fd;
  return 0;
}

// O_EXCL (and O_NOFOLLOW) make the open fail on anything already at the
// name, a link included, instead of using it.
int OpenNamed(const std::string& path, RewriteTemp& temp) {
  const std::string prefix = TempPrefix(path);
  for (int attempt = 0; attempt < kMaxNameTries;) {
    std::string candidate = CandidateName(prefix);
    int fd = RetryOnEintr([&] {
      return Sys().Open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    });
    if (fd >= 0) {
      temp.fd = fd;
      temp.name = std::move(candidate);
      return 0;
    }
    if (errno != EEXIST) return errno;
    ++attempt;
  }
  return EEXIST;
}

// Links the unnamed file `fd` at `name`: through /proc (any user), else by
// AT_EMPTY_PATH (needs the right to link descriptors). linkat never replaces
// or follows anything at `name`: an existing entry gives EEXIST.
int LinkDescriptor(int fd, const std::string& name) {
  std::string self = "/proc/self/fd/" + std::to_string(fd);
  auto link = [&](int from, const char* fromName, int flags) {
    return RetryOnEintr([&] { return Sys().LinkAt(from, fromName, AT_FDCWD, name.c_str(), flags); });
  };
  if (link(AT_FDCWD, self.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  if (errno != ENOENT) return errno;
  struct stat proc;
  if (stat("/proc/self/fd", &proc) == 0) return ENOENT;  // /proc is there: the folder went
  if (link(fd, "", AT_EMPTY_PATH) == 0) return 0;
  return errno == ENOENT || errno == EPERM ? EOPNOTSUPP : errno;
}

}  // namespace

void RewriteTemp::Discard() {
  if (!name.empty()) RetryOnEintr([&] { return Sys().Unlink(name.c_str()); });
  name.clear();
  if (fd >= 0) Sys().Close(fd);
  fd = -1;
}

int OpenRewriteTemp(const std::string& path, bool unnamedOk, RewriteTemp& temp) {
  if (unnamedOk && !detail::RewriteTempNamedOnly()) {
    int err = OpenUnnamed(path, temp);
    if (!NoUnnamedFiles(err)) return err;
  }
  return OpenNamed(path, temp);
}

int NameRewriteTemp(const std::string& path, RewriteTemp& temp) {
  if (!temp.name.empty()) return 0;
  const std::string prefix = TempPrefix(path);
  for (int attempt = 0; attempt < kMaxNameTries;) {
    std::string candidate = CandidateName(prefix);
    int err = LinkDescriptor(temp.fd, candidate);
    if (err == 0) {
      temp.name = std::move(candidate);
      return 0;
    }
    if (err != EEXIST) return err;
    ++attempt;
  }
  return EEXIST;
}

namespace detail {
void SetRewriteTempNamedOnly(bool on) { gNamedOnly.store(on); }
bool RewriteTempNamedOnly() { return gNamedOnly.load(); }
}  // namespace detail

}  // namespace kavro::platform
