// Mutexes. In the process, one MutexState per object carries the owning
// thread and its recursion count. A named object also holds two files in the
// runtime folder: "<stem>.mutex", on which every process with a handle keeps
// a shared lock (the name exists while someone holds one), and
// "<stem>.owner", locked exclusively by the owning process, whose first byte
// is '1' while owned so that a process dying with it leaves it abandoned.
// Creating and opening run under an exclusive lock on "mutex.guard".
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "KavroStd/platform/sync.h"
#include "platform/core/errors_internal.h"
#include "platform/core/posix_io_internal.h"
#include "platform/core/sys_calls_internal.h"
#include "platform/sync/mutex_internal.h"
#include "platform/sync/sync_internal.h"

namespace kavro::platform::detail {
namespace {

typedef std::chrono::steady_clock Clock;

struct MutexState {
  std::mutex lock;
  std::condition_variable released;
  bool owned = false;
  std::thread::id owner;
  unsigned recursion = 0;
  bool abandoned = false;  // the last owning thread ended without releasing
  std::string key;         // folder/stem; empty for an unnamed mutex
  int presenceFd = -1;
  int ownerFd = -1;
  int handles = 0;  // guarded by the table's lock

  ~MutexState() {
    if (presenceFd >= 0) Sys().Close(presenceFd);
    if (ownerFd >= 0) Sys().Close(ownerFd);
  }
};

struct NamedTable {
  std::mutex lock;
  std::map<std::string, std::shared_ptr<MutexState>> byKey;
};

NamedTable& Named() {
  static NamedTable* table = new NamedTable;  // outlives every static object
  return *table;
}

void AbandonIfOwned(const std::shared_ptr<MutexState>& state);

// Set when the thread's list below is gone. For the main thread, static
// destructors still run after that; what they take is left to the end of
// the process, which abandons it.
thread_local bool tlsOwnedGone = false;

// The mutexes the current thread owns; whatever is still owned when the
// thread ends is abandoned.
struct OwnedByThread {
  std::vector<std::shared_ptr<MutexState>> states;
  ~OwnedByThread() {
    tlsOwnedGone = true;
    std::vector<std::shared_ptr<MutexState>> left;
    left.swap(states);
    for (auto& state : left) AbandonIfOwned(state);
  }
};

thread_local OwnedByThread tlsOwned;

void RememberOwned(const std::shared_ptr<MutexState>& state) {
  if (!tlsOwnedGone) tlsOwned.states.push_back(state);
}

void ForgetOwned(const std::shared_ptr<MutexState>& state) {
  if (tlsOwnedGone) return;
  auto& v = tlsOwned.states;
  auto it = std::find(v.begin(), v.end(), state);
  if (it != v.end()) v.erase(it);
}

int LockRetrying(int fd, int operation) {
  return RetryOnEintr([&] { return Sys().Flock(fd, operation); });
}

void WriteMarker(int fd, char value) {
  if (fd >= 0) (void)RetryOnEintr([&] { return Sys().PWrite(fd, &value, 1, 0); });
}

void AbandonIfOwned(const std::shared_ptr<MutexState>& state) {
  std::lock_guard<std::mutex> guard(state->lock);
  if (!state->owned || state->owner != std::this_thread::get_id()) return;
  state->owned = false;
  state->recursion = 0;
  state->abandoned = true;
  if (state->ownerFd >= 0) LockRetrying(state->ownerFd, LOCK_UN);  // the '1' marker stays
  state->released.notify_one();
}

enum class FileLock { kTaken, kTimeout, kFailed };

// Polls for the exclusive lock on the owner file until the deadline.
FileLock LockOwnerFile(int fd, bool infinite, Clock::time_point deadline) {
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (LockRetrying(fd, LOCK_EX | LOCK_NB) == 0) return FileLock::kTaken;
    if (errno != EWOULDBLOCK) {
      SetLastErrorFromErrno(errno);
      return FileLock::kFailed;
    }
    auto now = Clock::now();
    if (!infinite && now >= deadline) return FileLock::kTimeout;
    auto step = infinite ? pause : std::min<Clock::duration>(pause, deadline - now);
    std::this_thread::sleep_for(step);
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

DWORD Acquire(const std::shared_ptr<MutexState>& state, DWORD milliseconds) {
  const bool infinite = milliseconds == INFINITE;
  const auto deadline = Clock::now() + std::chrono::milliseconds(infinite ? 0 : milliseconds);
  const auto me = std::this_thread::get_id();
  std::unique_lock<std::mutex> lk(state->lock);
  if (state->owned && state->owner == me) {
    ++state->recursion;
    return WAIT_OBJECT_0;
  }
  while (state->owned) {
    if (infinite) {
      state->released.wait(lk);
    } else if (state->released.wait_until(lk, deadline) == std::cv_status::timeout && state->owned) {
      return WAIT_TIMEOUT;
    }
  }
  // This thread now stands for the process; other threads wait in memory.
  state->owned = true;
  state->owner = me;
  state->recursion = 1;
  bool abandoned = state->abandoned;
  state->abandoned = false;
  if (state->ownerFd >= 0) {
    int fd = state->ownerFd;
    lk.unlock();
    FileLock got = LockOwnerFile(fd, infinite, deadline);
    char marker = '0';
    if (got == FileLock::kTaken) {
      if (RetryOnEintr([&] { return Sys().PRead(fd, &marker, 1, 0); }) == 1 && marker == '1') abandoned = true;
      WriteMarker(fd, '1');
    }
    lk.lock();
    if (got != FileLock::kTaken) {
      state->owned = false;
      state->recursion = 0;
      state->abandoned = abandoned;
      state->released.notify_one();
      return got == FileLock::kTimeout ? WAIT_TIMEOUT : WAIT_FAILED;
    }
  }
  lk.unlock();
  RememberOwned(state);
  return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
}

BOOL Release(const std::shared_ptr<MutexState>& state) {
  {
    std::lock_guard<std::mutex> guard(state->lock);
    if (!state->owned || state->owner != std::this_thread::get_id()) {
      SetLastError(ERROR_NOT_OWNER);
      return FALSE;
    }
    if (--state->recursion > 0) return TRUE;
    if (state->ownerFd >= 0) {
      WriteMarker(state->ownerFd, '0');
      LockRetrying(state->ownerFd, LOCK_UN);
    }
    state->owned = false;
    state->released.notify_one();
  }
  ForgetOwned(state);
  return TRUE;
}

struct MutexHandle : WaitableObject {
  std::shared_ptr<MutexState> state;
  explicit MutexHandle(std::shared_ptr<MutexState> s) : state(std::move(s)) {}
  ~MutexHandle() override;
  DWORD Wait(DWORD milliseconds) override {
    std::shared_ptr<MutexState> keep = state;  // the handle may be closed while waiting
    return Acquire(keep, milliseconds);
  }
};

// The last handle in the process takes the name away from this process.
MutexHandle::~MutexHandle() {
  if (state->key.empty()) return;
  NamedTable& t = Named();
  std::lock_guard<std::mutex> guard(t.lock);
  if (--state->handles > 0) return;
  t.byKey.erase(state->key);
  if (state->presenceFd >= 0) {
    Sys().Close(state->presenceFd);
    state->presenceFd = -1;
  }
}

HANDLE NewHandle(const std::shared_ptr<MutexState>& state) {
  return RegisterHandle(std::make_unique<MutexHandle>(state));
}

int OpenLockFile(const std::string& path, bool create) {
  int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0);
  return RetryOnEintr([&] { return Sys().Open(path.c_str(), flags, 0600); });
}

// Joins the named object in `folder` (under the guard lock): takes the
// shared presence lock and opens the owner file. `existed` tells whether
// another process held it. With create false, a name nobody holds fails
// with ERROR_FILE_NOT_FOUND.
std::shared_ptr<MutexState> JoinNamed(const std::string& folder, const std::string& stem,
                                      bool create, bool& existed) {
  int guard = OpenLockFile(folder + "/mutex.guard", true);
  if (guard < 0 || LockRetrying(guard, LOCK_EX) != 0) {
    SetLastErrorFromErrno(errno);
    if (guard >= 0) Sys().Close(guard);
    return nullptr;
  }
  auto state = std::make_shared<MutexState>();
  state->presenceFd = OpenLockFile(folder + "/" + stem + ".mutex", create);
  bool ok = state->presenceFd >= 0;
  if (!ok) {
    SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : Win32ErrorFromErrno(errno));
  } else if (LockRetrying(state->presenceFd, LOCK_EX | LOCK_NB) == 0) {
    existed = false;  // no other holder; keep only the shared lock
    if (!create) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      ok = false;
    }
  } else {
    existed = true;
  }
  if (ok && LockRetrying(state->presenceFd, LOCK_SH) != 0) {
    SetLastErrorFromErrno(errno);
    ok = false;
  }
  if (ok) {
    state->ownerFd = OpenLockFile(folder + "/" + stem + ".owner", true);
    if (state->ownerFd < 0) {
      SetLastErrorFromErrno(errno);
      ok = false;
    }
  }
  Sys().Close(guard);
  return ok ? state : nullptr;
}

// Finds or joins the named mutex; null with the last error set on failure.
std::shared_ptr<MutexState> NamedState(LPCWSTR name, bool create, bool& existed) {
  std::wstring base = MutexBaseName(name);
  std::string folder;
  if (!MutexRuntimeFolder(folder)) return nullptr;
  std::string stem = MutexFileStem(base);
  std::string key = folder + "/" + stem;
  NamedTable& t = Named();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.byKey.find(key);
  if (it != t.byKey.end()) {
    existed = true;
    ++it->second->handles;
    return it->second;
  }
  std::shared_ptr<MutexState> state = JoinNamed(folder, stem, create, existed);
  if (!state) return nullptr;
  state->key = key;
  state->handles = 1;
  t.byKey[key] = state;
  return state;
}

}  // namespace
}  // namespace kavro::platform::detail

using namespace kavro::platform::detail;

extern "C" HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCWSTR name) {
  std::shared_ptr<MutexState> state;
  bool existed = false;
  if (!name || !name[0]) {
    state = std::make_shared<MutexState>();
  } else {
    if (wcslen(name) > MAX_PATH) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return nullptr;
    }
    state = NamedState(name, true, existed);
    if (!state) return nullptr;
  }
  HANDLE handle = NewHandle(state);
  if (initialOwner && !existed) Acquire(state, 0);
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

extern "C" HANDLE OpenMutexW(DWORD, BOOL, LPCWSTR name) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!name[0]) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  if (wcslen(name) > MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  bool existed = false;
  std::shared_ptr<MutexState> state = NamedState(name, false, existed);
  return state ? NewHandle(state) : nullptr;
}

extern "C" BOOL ReleaseMutex(HANDLE mutex) {
  MutexHandle* handle = LookupHandle<MutexHandle>(mutex);
  if (!handle) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::shared_ptr<MutexState> state = handle->state;
  return Release(state);
}

extern "C" DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  WaitableObject* waitable = LookupHandle<WaitableObject>(object);
  if (!waitable) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return waitable->Wait(milliseconds);
}
