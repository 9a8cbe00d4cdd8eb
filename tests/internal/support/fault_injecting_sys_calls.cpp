// The fault-injecting system calls of the internal tests.
#include "internal/support/fault_injecting_sys_calls.h"

#include <cerrno>
#include <utility>

namespace kavro::platform::testing {

void FaultInjectingSysCalls::FailNth(SysCallKind kind, int nth, int error) {
  std::lock_guard<std::mutex> guard(lock_);
  rules_.push_back({kind, nth, error, false, nullptr});
}

void FaultInjectingSysCalls::FailAll(SysCallKind kind, int error) {
  std::lock_guard<std::mutex> guard(lock_);
  rules_.push_back({kind, 1, error, true, nullptr});
}

void FaultInjectingSysCalls::LimitTransfers(size_t bytes) {
  std::lock_guard<std::mutex> guard(lock_);
  limit_ = bytes;
}

void FaultInjectingSysCalls::InterruptEveryCall(bool on) {
  std::lock_guard<std::mutex> guard(lock_);
  interrupt_ = on;
}

void FaultInjectingSysCalls::BeforeNth(SysCallKind kind, int nth, std::function<void()> action) {
  std::lock_guard<std::mutex> guard(lock_);
  rules_.push_back({kind, nth, 0, false, std::move(action)});
}

int FaultInjectingSysCalls::calls(SysCallKind kind) const {
  std::lock_guard<std::mutex> guard(lock_);
  return calls_[static_cast<size_t>(kind)];
}

int FaultInjectingSysCalls::injected() const {
  std::lock_guard<std::mutex> guard(lock_);
  return injected_;
}

int FaultInjectingSysCalls::Enter(SysCallKind kind) {
  std::function<void()> action;
  int error = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    const size_t k = static_cast<size_t>(kind);
    ++calls_[k];
    ++calls_[static_cast<size_t>(SysCallKind::kAny)];
    if (interrupt_ && kind != SysCallKind::kClose && !interrupted_[k]) {
      interrupted_[k] = true;
      ++injected_;
      return EINTR;
    }
    interrupted_[k] = false;
    for (Rule& rule : rules_) {
      if (rule.kind != kind && rule.kind != SysCallKind::kAny) continue;
      if (rule.remaining == 0 || --rule.remaining > 0) continue;
      if (rule.every) rule.remaining = 1;
      if (rule.action) action = std::move(rule.action);
      else if (!error) error = rule.error;
    }
    if (error) ++injected_;
  }
  if (action) action();  // outside the lock: it may make calls of its own
  return error;
}

size_t FaultInjectingSysCalls::Limit(size_t size) const {
  std::lock_guard<std::mutex> guard(lock_);
  return limit_ && size > limit_ ? limit_ : size;
}

int FaultInjectingSysCalls::OpenAt(int dir, const char* path, int flags, mode_t mode) {
  return Made(SysCallKind::kOpen, [&] { return SysCalls::OpenAt(dir, path, flags, mode); });
}

ssize_t FaultInjectingSysCalls::Read(int fd, void* buffer, size_t size) {
  return Made(SysCallKind::kRead, [&] { return SysCalls::Read(fd, buffer, Limit(size)); });
}

ssize_t FaultInjectingSysCalls::PRead(int fd, void* buffer, size_t size, off_t offset) {
  return Made(SysCallKind::kRead, [&] { return SysCalls::PRead(fd, buffer, Limit(size), offset); });
}

ssize_t FaultInjectingSysCalls::Write(int fd, const void* data, size_t size) {
  return Made(SysCallKind::kWrite, [&] { return SysCalls::Write(fd, data, Limit(size)); });
}

ssize_t FaultInjectingSysCalls::PWrite(int fd, const void* data, size_t size, off_t offset) {
  return Made(SysCallKind::kWrite, [&] { return SysCalls::PWrite(fd, data, Limit(size), offset); });
}

ssize_t FaultInjectingSysCalls::CopyRange(int in, int out, size_t size) {
  return Made(SysCallKind::kCopyRange, [&] { return SysCalls::CopyRange(in, out, Limit(size)); });
}

int FaultInjectingSysCalls::Fstat(int fd, struct stat* st) {
  return Made(SysCallKind::kFstat, [&] { return SysCalls::Fstat(fd, st); });
}

int FaultInjectingSysCalls::Flock(int fd, int operation) {
  return Made(SysCallKind::kFlock, [&] { return SysCalls::Flock(fd, operation); });
}

int FaultInjectingSysCalls::RenameAt(int fromDir, const char* from, int toDir, const char* to) {
  return Made(SysCallKind::kRename, [&] { return SysCalls::RenameAt(fromDir, from, toDir, to); });
}

int FaultInjectingSysCalls::UnlinkAt(int dir, const char* path, int flags) {
  return Made(SysCallKind::kUnlink, [&] { return SysCalls::UnlinkAt(dir, path, flags); });
}

int FaultInjectingSysCalls::LinkAt(int fromDir, const char* from, int toDir, const char* to, int flags) {
  return Made(SysCallKind::kLink, [&] { return SysCalls::LinkAt(fromDir, from, toDir, to, flags); });
}

int FaultInjectingSysCalls::Close(int fd) {
  // A failed close has still closed the descriptor on Linux: close it anyway.
  if (int e = Enter(SysCallKind::kClose)) {
    SysCalls::Close(fd);
    errno = e;
    return -1;
  }
  return SysCalls::Close(fd);
}

}  // namespace kavro::platform::testing
