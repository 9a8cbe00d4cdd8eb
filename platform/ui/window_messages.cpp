// Sent and posted messages: the default window procedure and the message
// queue of each thread that has made a window or asked for its messages.
#include <time.h>

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "platform/ui/window_internal.h"

namespace kavro::platform::detail {
namespace {

struct Queue {
  std::mutex lock;
  std::deque<MSG> messages;
};

struct Queues {
  std::mutex lock;
  std::map<std::thread::id, std::shared_ptr<Queue>> byThread;
};

Queues& AllQueues() {
  static Queues* queues = new Queues;  // outlives every static object
  return *queues;
}

// Set once the thread's queue is gone: the thread is ending (for the main
// thread, the statics that still run may send and post).
thread_local bool tlsQueueGone = false;

// The calling thread's queue, registered while the thread lives.
struct ThreadQueue {
  std::shared_ptr<Queue> queue = std::make_shared<Queue>();
  ThreadQueue() {
    Queues& q = AllQueues();
    std::lock_guard<std::mutex> guard(q.lock);
    q.byThread[std::this_thread::get_id()] = queue;
  }
  ~ThreadQueue() {
    Queues& q = AllQueues();
    std::lock_guard<std::mutex> guard(q.lock);
    q.byThread.erase(std::this_thread::get_id());
    tlsQueueGone = true;
  }
};

std::shared_ptr<Queue> CurrentQueue() {
  if (tlsQueueGone) return std::make_shared<Queue>();  // nobody will read it any more
  thread_local ThreadQueue mine;
  return mine.queue;
}

std::shared_ptr<Queue> QueueOf(std::thread::id thread) {
  if (thread == std::this_thread::get_id()) return CurrentQueue();
  Queues& q = AllQueues();
  std::lock_guard<std::mutex> guard(q.lock);
  auto it = q.byThread.find(thread);
  return it == q.byThread.end() ? nullptr : it->second;
}

DWORD TickCount() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<DWORD>(static_cast<uint64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000);
}

bool Matches(const MSG& m, HWND window, UINT first, UINT last) {
  if (window == reinterpret_cast<HWND>(-1)) {
    if (m.hwnd) return false;
  } else if (window && m.hwnd != window) {
    return false;
  }
  return (first == 0 && last == 0) || (m.message >= first && m.message <= last);
}

}  // namespace

void EnsureThreadQueue() { CurrentQueue(); }

void DropQueuedMessages(HWND window, std::thread::id thread) {
  std::shared_ptr<Queue> queue = QueueOf(thread);
  if (!queue) return;
  std::lock_guard<std::mutex> guard(queue->lock);
  auto& m = queue->messages;
  m.erase(std::remove_if(m.begin(), m.end(), [&](const MSG& msg) { return msg.hwnd == window; }),
          m.end());
}

}  // namespace kavro::platform::detail

using namespace kavro::platform::detail;

extern "C" LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT:
      return SetWindowTextDirect(window, reinterpret_cast<LPCWSTR>(lParam)) ? TRUE : FALSE;
    case WM_GETTEXT: {
      LPWSTR buffer = reinterpret_cast<LPWSTR>(lParam);
      std::wstring text;
      if (!buffer || wParam == 0 || !WindowText(window, text)) return 0;
      size_t n = std::min<size_t>(text.size(), wParam - 1);
      std::copy_n(text.data(), n, buffer);
      buffer[n] = L'\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: {
      std::wstring text;
      return WindowText(window, text) ? static_cast<LRESULT>(text.size()) : 0;
    }
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    default:
      return 0;
  }
}

extern "C" LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (CWnd* wnd = PermanentWnd(window)) return wnd->WindowProc(message, wParam, lParam);
  if (!IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

extern "C" BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::thread::id thread = std::this_thread::get_id();
  if (window && !WindowThread(window, thread)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  std::shared_ptr<Queue> queue = QueueOf(thread);
  if (!queue) {  // the window's thread has ended
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(queue->lock);
  queue->messages.push_back(MSG{window, message, wParam, lParam, TickCount(), POINT{0, 0}});
  return TRUE;
}

extern "C" void PostQuitMessage(int exitCode) {
  PostMessageW(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

extern "C" BOOL PeekMessageW(LPMSG msg, HWND window, UINT first, UINT last, UINT remove) {
  if (!msg) return FALSE;
  std::shared_ptr<Queue> queue = CurrentQueue();
  std::lock_guard<std::mutex> guard(queue->lock);
  auto& m = queue->messages;
  for (auto it = m.begin(); it != m.end(); ++it) {
    if (!Matches(*it, window, first, last)) continue;
    *msg = *it;
    if (remove & PM_REMOVE) m.erase(it);
    return TRUE;
  }
  return FALSE;
}

extern "C" BOOL TranslateMessage(const MSG*) { return FALSE; }

extern "C" LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg || !msg->hwnd || !IsWindow(msg->hwnd)) return 0;
  return SendMessageW(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}
