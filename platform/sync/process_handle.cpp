// Process kernel objects: a background thread waits for the child and
// publishes its exit code; handles wait on that.
#include "KavroStd/platform/process_handle.h"

#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "KavroStd/platform/processthreadsapi.h"
#include "platform/core/posix_io_internal.h"
#include "platform/sync/process_handle_internal.h"
#include "platform/sync/sync_internal.h"

namespace kavro::platform::detail {
namespace {

struct ChildState {
  std::mutex lock;
  std::condition_variable ended;
  bool done = false;
  DWORD exitCode = STILL_ACTIVE;
  // Set by TerminateProcess: the code the killed process reports.
  bool terminated = false;
  DWORD terminateCode = 0;
};

std::shared_ptr<ChildState> WatchChild(pid_t pid) {
  auto state = std::make_shared<ChildState>();
  std::thread([pid, state] {
    int status = 0;
    pid_t got = RetryOnEintr([&] { return waitpid(pid, &status, 0); });
    DWORD code = 1;
    if (got == pid && WIFEXITED(status)) code = static_cast<DWORD>(WEXITSTATUS(status));
    else if (got == pid && WIFSIGNALED(status)) code = 128 + static_cast<DWORD>(WTERMSIG(status));
    std::lock_guard<std::mutex> guard(state->lock);
    if (state->terminated && got == pid && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
      code = state->terminateCode;
    state->done = true;
    state->exitCode = code;
    state->ended.notify_all();
  }).detach();
  return state;
}

struct ProcessObject : WaitableObject {
  ProcessObject(pid_t id, std::shared_ptr<ChildState> s) : pid(id), state(std::move(s)) {}

  DWORD Wait(DWORD milliseconds) override {
    std::unique_lock<std::mutex> guard(state->lock);
    auto ended = [this] { return state->done; };
    if (milliseconds == INFINITE) {
      state->ended.wait(guard, ended);
      return WAIT_OBJECT_0;
    }
    return state->ended.wait_for(guard, std::chrono::milliseconds(milliseconds), ended) ? WAIT_OBJECT_0
                                                                                         : WAIT_TIMEOUT;
  }

  pid_t pid;
  std::shared_ptr<ChildState> state;
};

// Sends SIGKILL to the process (group: to its group) unless it has ended.
BOOL Terminate(HANDLE process, UINT exitCode, bool group) {
  auto* object = LookupHandle<ProcessObject>(process);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(object->state->lock);
  // Once reaped the pid may belong to another process: only the group,
  // which lives on while a member is left, may still be signalled.
  int rc = -1;
  if (group) rc = kill(-object->pid, SIGKILL);
  if (!object->state->done && (!group || rc != 0)) rc = kill(object->pid, SIGKILL);
  if (rc != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (!object->state->done && !object->state->terminated) {
    object->state->terminated = true;
    object->state->terminateCode = exitCode;
  }
  return TRUE;
}

}  // namespace
}  // namespace kavro::platform::detail

namespace kavro::platform {

HANDLE KvProcessHandleFromPid(int pid) {
  if (pid < 1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto state = detail::WatchChild(pid);
  return detail::RegisterHandle(std::make_unique<detail::ProcessObject>(pid, std::move(state)));
}

void KvChildHandles(int pid, HANDLE* process, HANDLE* thread) {
  auto state = detail::WatchChild(pid);
  *process = detail::RegisterHandle(std::make_unique<detail::ProcessObject>(pid, state));
  *thread = detail::RegisterHandle(std::make_unique<detail::ProcessObject>(pid, std::move(state)));
}

BOOL KvTerminateProcessGroup(HANDLE process, UINT exitCode) {
  return detail::Terminate(process, exitCode, true);
}

void KvReapChildProcess(int pid) {
  if (pid > 0) detail::WatchChild(pid);
}

}  // namespace kavro::platform

extern "C" BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  auto* object = kavro::platform::detail::LookupHandle<kavro::platform::detail::ProcessObject>(process);
  if (!object || !exitCode) {
    SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(object->state->lock);
  *exitCode = object->state->exitCode;
  return TRUE;
}

extern "C" DWORD GetProcessId(HANDLE process) {
  auto* object = kavro::platform::detail::LookupHandle<kavro::platform::detail::ProcessObject>(process);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return static_cast<DWORD>(object->pid);
}

extern "C" BOOL TerminateProcess(HANDLE process, UINT exitCode) {
  return kavro::platform::detail::Terminate(process, exitCode, false);
}
