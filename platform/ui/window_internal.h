// Shared pieces of the window model (window.cpp, window_messages.cpp,
// window_cwnd.cpp).
#pragma once

#include <string>
#include <thread>

#include "KavroStd/platform/window.h"

namespace kavro::platform::detail {

struct WindowCreation {
  DWORD exStyle = 0;
  LPCWSTR className = nullptr;
  LPCWSTR windowName = nullptr;
  DWORD style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  HWND parent = nullptr;
  HMENU menu = nullptr;
  LPVOID param = nullptr;
};

// Makes the window with `wnd` attached before WM_CREATE is sent; null with
// the last error set on failure.
HWND CreateWindowFor(const WindowCreation& args, CWnd* wnd);
// The attached CWnd, or null.
CWnd* PermanentWnd(HWND window);
// False when the window is bad or already has a CWnd.
bool AttachWnd(HWND window, CWnd* wnd);
// Detaches `wnd` if it is the window's CWnd (any CWnd when wnd is null).
void DetachWnd(HWND window, CWnd* wnd);
// The temporary CWnd of a window without one (made on first use), or null.
CWnd* TemporaryWnd(HWND window);
bool WindowText(HWND window, std::wstring& text);
bool SetWindowTextDirect(HWND window, const wchar_t* text);
bool WindowThread(HWND window, std::thread::id& thread);

// The message queues (window_messages.cpp).
// Makes sure the calling thread has a queue (windows post to it).
void EnsureThreadQueue();
// Drops the messages queued for a destroyed window.
void DropQueuedMessages(HWND window, std::thread::id thread);

}  // namespace kavro::platform::detail
