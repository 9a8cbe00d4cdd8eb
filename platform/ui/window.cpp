// The window table: creation, the parent/child/owner tree, destruction and
// the window's own data (text, style, identifier).
#include <algorithm>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/ui/window_internal.h"

namespace kavro::platform::detail {
namespace {

struct WindowRecord {
  std::wstring className;
  std::wstring text;
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect = {};
  HWND parent = nullptr;  // WS_CHILD windows
  HWND owner = nullptr;   // top-level windows made with a parent
  UINT id = 0;
  std::vector<HWND> children;  // creation order
  CWnd* wnd = nullptr;
  std::unique_ptr<CWnd> temporary;
  std::thread::id thread;
  bool destroying = false;
};

struct WindowTable {
  std::mutex lock;
  std::unordered_map<uintptr_t, std::unique_ptr<WindowRecord>> windows;
  std::vector<HWND> topLevel;  // creation order
  uintptr_t next = 0x20000;
};

WindowTable& Table() {
  static WindowTable* table = new WindowTable;  // outlives every static object
  return *table;
}

// Callers hold the table's lock.
WindowRecord* Find(WindowTable& t, HWND window) {
  auto it = t.windows.find(reinterpret_cast<uintptr_t>(window));
  return it == t.windows.end() ? nullptr : it->second.get();
}

std::vector<HWND>* Siblings(WindowTable& t, WindowRecord* r) {
  if (r->parent) {
    WindowRecord* parent = Find(t, r->parent);
    return parent ? &parent->children : nullptr;
  }
  return &t.topLevel;
}

HWND TopLevelOf(WindowTable& t, HWND window) {
  WindowRecord* r = Find(t, window);
  while (r && r->parent) {
    window = r->parent;
    r = Find(t, window);
  }
  return window;
}

template <class F>
auto WithWindow(HWND window, F f) -> decltype(f(static_cast<WindowRecord*>(nullptr))) {
  WindowTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  return f(Find(t, window));
}

bool Invalid() {
  SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return false;
}

// Takes the window out of the table; returns what must outlive the lock.
std::unique_ptr<WindowRecord> Unlink(HWND window) {
  WindowTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.windows.find(reinterpret_cast<uintptr_t>(window));
  if (it == t.windows.end()) return nullptr;
  std::unique_ptr<WindowRecord> record = std::move(it->second);
  if (std::vector<HWND>* siblings = Siblings(t, record.get())) {
    siblings->erase(std::remove(siblings->begin(), siblings->end(), window), siblings->end());
  }
  t.windows.erase(it);
  return record;
}

}  // namespace

HWND CreateWindowFor(const WindowCreation& a, CWnd* wnd) {
  const bool child = (a.style & WS_CHILD) != 0;
  EnsureThreadQueue();
  HWND window;
  {
    WindowTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    if (child && !a.parent) {
      SetLastError(ERROR_TLW_WITH_WSCHILD);
      return nullptr;
    }
    WindowRecord* parent = a.parent ? Find(t, a.parent) : nullptr;
    if (a.parent && !parent) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    auto r = std::make_unique<WindowRecord>();
    r->className = a.className && !IS_INTRESOURCE(a.className) ? a.className : L"";
    r->text = a.windowName ? a.windowName : L"";
    r->style = a.style;
    r->exStyle = a.exStyle;
    r->rect = RECT{a.x, a.y, a.x + a.width, a.y + a.height};
    r->wnd = wnd;
    r->thread = std::this_thread::get_id();
    window = reinterpret_cast<HWND>(t.next);
    t.next += 4;
    if (child) {
      r->parent = a.parent;
      r->id = static_cast<UINT>(reinterpret_cast<UINT_PTR>(a.menu));
      parent->children.push_back(window);
    } else {
      r->owner = a.parent ? TopLevelOf(t, a.parent) : nullptr;  // owners are top-level
      t.topLevel.push_back(window);
    }
    t.windows.emplace(reinterpret_cast<uintptr_t>(window), std::move(r));
  }
  if (wnd) wnd->m_hWnd = window;
  CREATESTRUCTW cs = {a.param, nullptr, a.menu, a.parent, a.height, a.width, a.y, a.x,
                      static_cast<LONG>(a.style), a.windowName, a.className, a.exStyle};
  if (SendMessageW(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(window);
    SetLastError(ERROR_CANNOT_MAKE);
    return nullptr;
  }
  return window;
}

CWnd* PermanentWnd(HWND window) {
  return WithWindow(window, [](WindowRecord* r) { return r ? r->wnd : nullptr; });
}

bool AttachWnd(HWND window, CWnd* wnd) {
  return WithWindow(window, [&](WindowRecord* r) {
    if (!r || r->wnd) return false;
    r->wnd = wnd;
    return true;
  });
}

void DetachWnd(HWND window, CWnd* wnd) {
  WithWindow(window, [&](WindowRecord* r) {
    if (r && (!wnd || r->wnd == wnd)) r->wnd = nullptr;
    return 0;
  });
}

CWnd* TemporaryWnd(HWND window) {
  return WithWindow(window, [&](WindowRecord* r) -> CWnd* {
    if (!r) return nullptr;
    if (!r->temporary) {
      r->temporary = std::make_unique<CWnd>();
      r->temporary->m_hWnd = window;
    }
    return r->temporary.get();
  });
}

bool WindowText(HWND window, std::wstring& text) {
  return WithWindow(window, [&](WindowRecord* r) {
    if (!r) return Invalid();
    text = r->text;
    return true;
  });
}

bool SetWindowTextDirect(HWND window, const wchar_t* text) {
  return WithWindow(window, [&](WindowRecord* r) {
    if (!r) return Invalid();
    r->text = text ? text : L"";
    return true;
  });
}

bool WindowThread(HWND window, std::thread::id& thread) {
  return WithWindow(window, [&](WindowRecord* r) {
    if (!r) return false;
    thread = r->thread;
    return true;
  });
}

}  // namespace kavro::platform::detail

using namespace kavro::platform::detail;

extern "C" HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style,
                                int x, int y, int width, int height, HWND parent, HMENU menu,
                                HINSTANCE, LPVOID param) {
  WindowCreation a{exStyle, className, windowName, style, x, y, width, height, parent, menu, param};
  return CreateWindowFor(a, nullptr);
}

extern "C" BOOL IsWindow(HWND window) {
  return WithWindow(window, [](WindowRecord* r) { return r != nullptr; });
}

extern "C" BOOL DestroyWindow(HWND window) {
  std::vector<HWND> owned, children;
  bool reentered = false;
  bool ok = WithWindow(window, [&](WindowRecord* r) {
    if (!r) return Invalid();
    if (r->thread != std::this_thread::get_id()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
    reentered = r->destroying;
    r->destroying = true;
    return true;
  });
  if (!ok) return FALSE;
  if (reentered) return TRUE;  // already on its way out (a WM_DESTROY handler)

  {
    WindowTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    for (HWND top : t.topLevel) {
      WindowRecord* r = Find(t, top);
      if (r && r->owner == window) owned.push_back(top);
    }
  }
  for (HWND w : owned) DestroyWindow(w);
  SendMessageW(window, WM_DESTROY, 0, 0);
  WithWindow(window, [&](WindowRecord* r) {
    if (r) children = r->children;
    return 0;
  });
  for (HWND child : children) DestroyWindow(child);
  SendMessageW(window, WM_NCDESTROY, 0, 0);

  std::unique_ptr<WindowRecord> record = Unlink(window);
  if (!record) return TRUE;
  DropQueuedMessages(window, record->thread);
  if (record->temporary) record->temporary->m_hWnd = nullptr;
  if (CWnd* wnd = record->wnd) {
    wnd->m_hWnd = nullptr;
    wnd->PostNcDestroy();  // may delete the CWnd
  }
  return TRUE;
}

extern "C" BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  if (!IsWindow(window)) return Invalid();
  return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

extern "C" int GetWindowTextW(HWND window, LPWSTR buffer, int maxCount) {
  if (!IsWindow(window)) return Invalid();
  if (!buffer || maxCount <= 0) return 0;
  return static_cast<int>(
      SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(buffer)));
}

extern "C" int GetWindowTextLengthW(HWND window) {
  if (!IsWindow(window)) return Invalid();
  return static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
}

extern "C" HWND GetWindow(HWND window, UINT command) {
  WindowTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  WindowRecord* r = Find(t, window);
  if (!r) {
    Invalid();
    return nullptr;
  }
  if (command == GW_CHILD) return r->children.empty() ? nullptr : r->children.front();
  if (command == GW_OWNER) return r->owner;
  std::vector<HWND>* siblings = Siblings(t, r);
  if (!siblings || siblings->empty()) return nullptr;
  auto at = std::find(siblings->begin(), siblings->end(), window);
  switch (command) {
    case GW_HWNDFIRST:
      return siblings->front();
    case GW_HWNDLAST:
      return siblings->back();
    case GW_HWNDNEXT:
      return (at == siblings->end() || at + 1 == siblings->end()) ? nullptr : *(at + 1);
    case GW_HWNDPREV:
      return (at == siblings->end() || at == siblings->begin()) ? nullptr : *(at - 1);
    default:
      SetLastError(ERROR_INVALID_GW_COMMAND);
      return nullptr;
  }
}

extern "C" HWND GetParent(HWND window) {
  return WithWindow(window, [](WindowRecord* r) -> HWND {
    if (!r) {
      Invalid();
      return nullptr;
    }
    if (r->style & WS_CHILD) return r->parent;
    return (r->style & WS_POPUP) ? r->owner : nullptr;
  });
}

extern "C" int GetDlgCtrlID(HWND window) {
  return WithWindow(window, [](WindowRecord* r) -> int {
    if (!r) return Invalid();
    return (r->style & WS_CHILD) ? static_cast<int>(r->id) : 0;
  });
}

extern "C" HWND GetDlgItem(HWND dialog, int id) {
  WindowTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  WindowRecord* r = Find(t, dialog);
  if (!r) {
    Invalid();
    return nullptr;
  }
  for (HWND child : r->children) {
    WindowRecord* c = Find(t, child);
    if (c && static_cast<int>(c->id) == id) return child;
  }
  SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return nullptr;
}

extern "C" BOOL ShowWindow(HWND window, int command) {
  return WithWindow(window, [&](WindowRecord* r) -> BOOL {
    if (!r) return Invalid();
    BOOL wasVisible = (r->style & WS_VISIBLE) != 0;
    if (command == SW_HIDE) {
      r->style &= ~static_cast<DWORD>(WS_VISIBLE);
    } else {
      r->style |= WS_VISIBLE;
    }
    return wasVisible;
  });
}

extern "C" BOOL IsWindowVisible(HWND window) {
  WindowTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  WindowRecord* r = Find(t, window);
  if (!r) return FALSE;
  for (; r; r = r->parent ? Find(t, r->parent) : nullptr) {
    if (!(r->style & WS_VISIBLE)) return FALSE;  // a hidden ancestor hides it
  }
  return TRUE;
}

extern "C" BOOL EnableWindow(HWND window, BOOL enable) {
  return WithWindow(window, [&](WindowRecord* r) -> BOOL {
    if (!r) return Invalid();
    BOOL wasDisabled = (r->style & WS_DISABLED) != 0;
    if (enable) {
      r->style &= ~static_cast<DWORD>(WS_DISABLED);
    } else {
      r->style |= WS_DISABLED;
    }
    return wasDisabled;
  });
}

extern "C" BOOL IsWindowEnabled(HWND window) {
  return WithWindow(window, [](WindowRecord* r) -> BOOL { return r && !(r->style & WS_DISABLED); });
}

extern "C" LONG GetWindowLongW(HWND window, int index) {
  return WithWindow(window, [&](WindowRecord* r) -> LONG {
    if (!r) return Invalid();
    switch (index) {
      case GWL_STYLE:
        return static_cast<LONG>(r->style);
      case GWL_EXSTYLE:
        return static_cast<LONG>(r->exStyle);
      case GWL_ID:
        return static_cast<LONG>(r->id);
      default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
  });
}
