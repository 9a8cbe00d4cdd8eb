// Whole-file rewrites under failing system calls: whatever fails, the old
// file stays whole, no temporary file is left and the Win32 code names the
// fault; short transfers and interrupted calls are retried to success; a
// writer in another process that holds the lock is waited for.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/fs/rewrite_internal.h"
#include "KavroStd/platform/fileapi.h"
#include "internal/support/fault_injecting_sys_calls.h"
#include "internal/support/scratch_folder.h"
#include "platform/fs/file_rewrite_internal.h"

namespace {

using kavro::platform::KvRewriteFile;
using kavro::platform::ScopedSysCalls;
using kavro::platform::testing::FaultInjectingSysCalls;
using kavro::platform::testing::ReadBytes;
using kavro::platform::testing::ScratchFolder;
using kavro::platform::testing::SysCallKind;
using kavro::platform::testing::WriteBytes;

const std::string kOld = "[a]\r\nold=1\r\n";
const std::string kAdded = "new=2\r\n";

// Rewrites go through temporary files named or unnamed; both must behave.
class NamedTemporaries {
 public:
  explicit NamedTemporaries(bool on) { kavro::platform::detail::SetRewriteTempNamedOnly(on); }
  ~NamedTemporaries() { kavro::platform::detail::SetRewriteTempNamedOnly(false); }
};

class RewriteFaults : public ::testing::Test {
 protected:
  void SetUp() override { WriteBytes(folder_.Sub("a.ini"), kOld); }

  // Appends kAdded to a.ini with `faults` installed.
  DWORD Rewrite(FaultInjectingSysCalls& faults, bool create = false, const std::string& name = "a.ini") {
    ScopedSysCalls installed(&faults);
    return KvRewriteFile(folder_.Win(name).c_str(), create, [](std::string& bytes) {
      bytes += kAdded;
      return true;
    });
  }
  std::string Content() const { return ReadBytes(folder_.Sub("a.ini")); }
  std::vector<std::string> Names() const { return folder_.Names(); }

  ScratchFolder folder_;
};

const std::vector<std::string> kOnlyTheFile = {"a.ini"};

struct FaultRow {
  const char* name;
  SysCallKind kind;
  int nth;
  int error;
  DWORD expected;
};

TEST_F(RewriteFaults, FailedCallLeavesOldFileWholeAndNamesTheFault) {
  const FaultRow rows[] = {
      {"write: disk full", SysCallKind::kWrite, 1, ENOSPC, ERROR_DISK_FULL},
      {"write: quota exhausted", SysCallKind::kWrite, 1, EDQUOT, ERROR_DISK_FULL},
      {"write: file too large", SysCallKind::kWrite, 1, EFBIG, ERROR_DISK_FULL},
      {"write: I/O error", SysCallKind::kWrite, 1, EIO, ERROR_GEN_FAILURE},
      {"rename: other device", SysCallKind::kRename, 1, EXDEV, ERROR_NOT_SAME_DEVICE},
      {"rename: refused", SysCallKind::kRename, 1, EACCES, ERROR_ACCESS_DENIED},
      {"rename: disk full", SysCallKind::kRename, 1, ENOSPC, ERROR_DISK_FULL},
      {"open of the file: I/O error", SysCallKind::kOpen, 1, EIO, ERROR_GEN_FAILURE},
      {"open of the temporary: disk full", SysCallKind::kOpen, 2, ENOSPC, ERROR_DISK_FULL},
      {"open of the temporary: too many files", SysCallKind::kOpen, 2, EMFILE, ERROR_TOO_MANY_OPEN_FILES},
      {"read: I/O error", SysCallKind::kRead, 1, EIO, ERROR_GEN_FAILURE},
      {"lock of the file: no locks left", SysCallKind::kFlock, 1, ENOLCK, ERROR_GEN_FAILURE},
      {"lock of the temporary: no locks left", SysCallKind::kFlock, 2, ENOLCK, ERROR_GEN_FAILURE},
      {"fstat: I/O error", SysCallKind::kFstat, 1, EIO, ERROR_GEN_FAILURE},
  };
  for (bool named : {false, true}) {
    NamedTemporaries mode(named);
    for (const FaultRow& row : rows) {
      SCOPED_TRACE(std::string(row.name) + (named ? " (named temporary)" : " (unnamed temporary)"));
      FaultInjectingSysCalls faults;
      faults.FailNth(row.kind, row.nth, row.error);
      SetLastError(0);
      EXPECT_EQ(row.expected, Rewrite(faults));
      EXPECT_EQ(row.expected, GetLastError());
      EXPECT_EQ(1, faults.injected());
      EXPECT_EQ(kOld, Content());
      EXPECT_EQ(kOnlyTheFile, Names());
    }
  }
}

TEST_F(RewriteFaults, UnnamedTemporaryThatCannotBeNamedIsDiscarded) {
  FaultInjectingSysCalls faults;
  faults.FailAll(SysCallKind::kLink, ENOSPC);
  EXPECT_EQ(ERROR_DISK_FULL, Rewrite(faults));
  EXPECT_EQ(kOld, Content());
  EXPECT_EQ(kOnlyTheFile, Names());
}

// Fails the 1st, 2nd, ... call of any kind until a rewrite runs without
// meeting the fault: each must leave the old file or the complete new one.
TEST_F(RewriteFaults, AnyFailingCallLeavesOldOrNewFileAndNoTemporary) {
  for (bool named : {false, true}) {
    NamedTemporaries mode(named);
    int failures = 0;
    for (int nth = 1;; ++nth) {
      SCOPED_TRACE("call " + std::to_string(nth) + (named ? " (named temporary)" : ""));
      WriteBytes(folder_.Sub("a.ini"), kOld);
      FaultInjectingSysCalls faults;
      faults.FailNth(SysCallKind::kAny, nth, EIO);
      DWORD result = Rewrite(faults);
      EXPECT_EQ(kOnlyTheFile, Names());
      if (faults.injected() == 0) {
        EXPECT_EQ(ERROR_SUCCESS, result);
        EXPECT_EQ(kOld + kAdded, Content());
        break;
      }
      // Only the closing of descriptors after the rename may fail unseen.
      if (result == ERROR_SUCCESS) {
        EXPECT_EQ(kOld + kAdded, Content());
      } else {
        ++failures;
        EXPECT_EQ(ERROR_GEN_FAILURE, result);
        EXPECT_EQ(kOld, Content());
      }
      ASSERT_LT(nth, 100) << "the rewrite makes far more calls than expected";
    }
    EXPECT_GE(failures, 6);
  }
}

TEST_F(RewriteFaults, CreatedFileIsRemovedWhenItsFirstWriteFails) {
  FaultInjectingSysCalls faults;
  faults.FailNth(SysCallKind::kWrite, 1, ENOSPC);
  EXPECT_EQ(ERROR_DISK_FULL, Rewrite(faults, true, "new.ini"));
  EXPECT_EQ(kOnlyTheFile, Names());
}

struct RetryRow {
  const char* name;
  size_t limit;    // bytes per read or write; 0 for no limit
  bool interrupt;  // every call fails once with EINTR first
  bool named;
};

TEST_F(RewriteFaults, ShortTransfersAndInterruptedCallsAreRetriedToSuccess) {
  std::string big(20000, 'x');
  big += "\r\n";
  const RetryRow rows[] = {
      {"one byte per transfer", 1, false, false},
      {"seven bytes per transfer, named temporary", 7, false, true},
      {"every call interrupted once", 0, true, false},
      {"every call interrupted once, named temporary", 0, true, true},
      {"short and interrupted", 3, true, false},
  };
  for (const RetryRow& row : rows) {
    SCOPED_TRACE(row.name);
    NamedTemporaries mode(row.named);
    WriteBytes(folder_.Sub("a.ini"), big);
    FaultInjectingSysCalls faults;
    faults.LimitTransfers(row.limit);
    faults.InterruptEveryCall(row.interrupt);
    EXPECT_EQ(ERROR_SUCCESS, Rewrite(faults));
    const std::string content = Content();
    EXPECT_TRUE(content == big + kAdded) << content.size() << " bytes, the end: " << content.substr(big.size() - 4);
    EXPECT_EQ(kOnlyTheFile, Names());
    EXPECT_GT(faults.injected() + faults.calls(SysCallKind::kWrite), 2);
  }
}

TEST_F(RewriteFaults, InterruptedCallsCreateAMissingFile) {
  FaultInjectingSysCalls faults;
  faults.InterruptEveryCall(true);
  EXPECT_EQ(ERROR_SUCCESS, Rewrite(faults, true, "new.ini"));
  EXPECT_EQ(kAdded, ReadBytes(folder_.Sub("new.ini")));
  EXPECT_EQ((std::vector<std::string>{"a.ini", "new.ini"}), Names());
}

// Another process that holds the file's lock: it takes the lock and says so,
// waits for the word, then changes the file (in place, or by writing a new
// file renamed over it, as the library's writers do) and ends, which drops
// the lock.
class LockingPeer {
 public:
  LockingPeer(const std::string& path, bool replace) {
    if (pipe(ready_) != 0 || pipe(go_) != 0) return;
    pid_ = fork();
    if (pid_ == 0) Run(path, (path + ".peer").c_str(), replace);
    close(ready_[1]);
    close(go_[0]);
    char byte = 0;
    locked_ = read(ready_[0], &byte, 1) == 1;
  }
  ~LockingPeer() {
    close(ready_[0]);
    close(go_[1]);
  }
  bool locked() const { return locked_; }
  void Go() { (void)!write(go_[1], "g", 1); }
  // The peer's exit status (0 when it did its part).
  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
  }

 private:
  [[noreturn]] void Run(const std::string& path, const char* spare, bool replace) {
    const char kPeer[] = "peer=1\r\n";
    int fd = open(path.c_str(), O_RDWR);
    if (fd < 0 || flock(fd, LOCK_EX) != 0 || write(ready_[1], "l", 1) != 1) _exit(1);
    char byte;
    if (read(go_[0], &byte, 1) != 1) _exit(2);
    if (!replace) _exit(pwrite(fd, kPeer, sizeof kPeer - 1, lseek(fd, 0, SEEK_END)) > 0 ? 0 : 3);
    char old[256];
    ssize_t n = pread(fd, old, sizeof old, 0);
    int out = open(spare, O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (n < 0 || out < 0 || write(out, old, static_cast<size_t>(n)) != n) _exit(4);
    if (write(out, kPeer, sizeof kPeer - 1) <= 0 || close(out) != 0) _exit(5);
    _exit(rename(spare, path.c_str()) == 0 ? 0 : 6);
  }

  int ready_[2] = {-1, -1};
  int go_[2] = {-1, -1};
  pid_t pid_ = -1;
  bool locked_ = false;
};

// The peer is let go just before the rewrite asks for the lock, so its
// change lands while the rewrite holds the old file open: the rewrite must
// edit the peer's result, not the content it would have read before.
TEST_F(RewriteFaults, LockHeldByAnotherProcessIsWaitedForAndItsChangeKept) {
  for (bool replace : {false, true}) {
    for (bool interrupt : {false, true}) {
      SCOPED_TRACE(std::string(replace ? "peer renames a new file over" : "peer writes in place") +
                   (interrupt ? ", calls interrupted" : ""));
      WriteBytes(folder_.Sub("a.ini"), kOld);
      LockingPeer peer(folder_.Sub("a.ini"), replace);
      ASSERT_TRUE(peer.locked());
      FaultInjectingSysCalls faults;
      faults.InterruptEveryCall(interrupt);
      faults.BeforeNth(SysCallKind::kFlock, 1, [&] { peer.Go(); });
      EXPECT_EQ(ERROR_SUCCESS, Rewrite(faults));
      EXPECT_EQ(0, peer.Wait());
      EXPECT_EQ(kOld + "peer=1\r\n" + kAdded, Content());
      EXPECT_EQ(kOnlyTheFile, Names());
    }
  }
}

}  // namespace
