// A system-call implementation for tests that fails chosen calls: the Nth
// call of a kind with a chosen errno, every call of a kind, each call once
// with EINTR before it is made, or reads and writes that move only a few
// bytes at a time. Everything else goes to the real calls.
//
//   FaultInjectingSysCalls faults;
//   faults.FailNth(SysCallKind::kRename, 1, EXDEV);
//   ScopedSysCalls installed(&faults);
//   ... call the Win32 function under test ...
//   EXPECT_EQ(1, faults.injected());
//
// Counting starts when a rule is set (kAny counts calls of every kind).
// Safe to use from several threads.
#pragma once

#include <array>
#include <cerrno>
#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/core/sys_calls_internal.h"

namespace kavro::platform::testing {

enum class SysCallKind { kOpen, kRead, kWrite, kCopyRange, kFstat, kFlock, kRename, kUnlink, kLink, kClose, kAny };

class FaultInjectingSysCalls : public SysCalls {
 public:
  // The `nth` call of `kind` from now on (1 = the next) fails with `error`.
  void FailNth(SysCallKind kind, int nth, int error);
  // Every call of `kind` from now on fails with `error`.
  void FailAll(SysCallKind kind, int error);
  // Reads, writes and kernel copies move at most `bytes` bytes (0: no limit).
  void LimitTransfers(size_t bytes);
  // Each call (close excepted: it is never retried) first fails with EINTR,
  // then is made when called again.
  void InterruptEveryCall(bool on);
  // Runs `action` once, just before the `nth` call of `kind` from now on is
  // made (whether or not that call then fails).
  void BeforeNth(SysCallKind kind, int nth, std::function<void()> action);

  // Calls of `kind` seen since the double was made (EINTR attempts included).
  int calls(SysCallKind kind) const;
  // Faults delivered so far (EINTR included).
  int injected() const;

  int OpenAt(int dir, const char* path, int flags, mode_t mode) override;
  ssize_t Read(int fd, void* buffer, size_t size) override;
  ssize_t PRead(int fd, void* buffer, size_t size, off_t offset) override;
  ssize_t Write(int fd, const void* data, size_t size) override;
  ssize_t PWrite(int fd, const void* data, size_t size, off_t offset) override;
  ssize_t CopyRange(int in, int out, size_t size) override;
  int Fstat(int fd, struct stat* st) override;
  int Flock(int fd, int operation) override;
  int RenameAt(int fromDir, const char* from, int toDir, const char* to) override;
  int UnlinkAt(int dir, const char* path, int flags) override;
  int LinkAt(int fromDir, const char* from, int toDir, const char* to, int flags) override;
  int Close(int fd) override;

 private:
  static constexpr size_t kKinds = static_cast<size_t>(SysCallKind::kAny) + 1;
  struct Rule {
    SysCallKind kind;
    int remaining;  // calls of the kind until it fires; 0 once fired
    int error;      // 0 for an action
    bool every;
    std::function<void()> action;
  };

  // Counts the call and returns the errno to fail it with, or 0 to make it.
  int Enter(SysCallKind kind);
  size_t Limit(size_t size) const;
  // The real call, unless Enter chose to fail it (-1 with errno).
  template <class Call>
  auto Made(SysCallKind kind, Call call) -> decltype(call()) {
    if (int e = Enter(kind)) {
      errno = e;
      return -1;
    }
    return call();
  }

  mutable std::mutex lock_;
  std::vector<Rule> rules_;
  std::array<int, kKinds> calls_{};
  std::array<bool, kKinds> interrupted_{};
  bool interrupt_ = false;
  size_t limit_ = 0;
  int injected_ = 0;
};

}  // namespace kavro::platform::testing
