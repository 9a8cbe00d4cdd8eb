// The in-process window model: tree, text, destruction and messages.
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

const RECT kRect = {0, 0, 100, 20};

// Records the messages and calls it sees into a shared log.
class LoggingWnd : public CWnd {
 public:
  LoggingWnd(std::vector<std::string>* log, std::string name) : log_(log), name_(std::move(name)) {}
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_DESTROY) log_->push_back(name_ + " destroy");
    if (message == WM_NCDESTROY) log_->push_back(name_ + " ncdestroy");
    if (message == WM_SETTEXT) log_->push_back(name_ + " settext " + kavro::test::Utf8(reinterpret_cast<LPCWSTR>(lParam)));
    if (message == WM_USER) log_->push_back(name_ + " user " + std::to_string(wParam));
    return CWnd::WindowProc(message, wParam, lParam);
  }
  void PostNcDestroy() override { log_->push_back(name_ + " postncdestroy"); }

 private:
  std::vector<std::string>* log_;
  std::string name_;
};

// A heap window that frees itself once its window is gone.
class SelfDeletingWnd : public CWnd {
 public:
  explicit SelfDeletingWnd(bool* deleted) : deleted_(deleted) {}
  ~SelfDeletingWnd() override { *deleted_ = true; }
  void PostNcDestroy() override { delete this; }

 private:
  bool* deleted_;
};

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> out;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  return out;
}

TEST(Window, DialogChildrenKeepTheirOrderAndIdentifiers) {
  CDialog dialog;
  ASSERT_TRUE(dialog.Create(128, nullptr));
  EXPECT_EQ(dialog.m_nIDHelp, 128u);
  EXPECT_TRUE(dialog.GetStyle() & WS_POPUP);
  CWnd first, second, third;
  ASSERT_TRUE(first.Create(L"STATIC", L"one", WS_VISIBLE, kRect, &dialog, 1001));
  ASSERT_TRUE(second.Create(L"EDIT", L"two", WS_VISIBLE, kRect, &dialog, 1002));
  ASSERT_TRUE(third.Create(L"BUTTON", L"three", WS_VISIBLE, kRect, &dialog, 1003));

  EXPECT_EQ(Children(dialog), (std::vector<HWND>{first, second, third}));
  EXPECT_EQ(GetWindow(third, GW_HWNDPREV), second.m_hWnd);
  EXPECT_EQ(GetWindow(second, GW_HWNDFIRST), first.m_hWnd);
  EXPECT_EQ(GetWindow(first, GW_HWNDLAST), third.m_hWnd);
  EXPECT_EQ(GetWindow(first, GW_HWNDPREV), nullptr);
  EXPECT_EQ(GetWindow(first, GW_CHILD), nullptr);
  EXPECT_EQ(GetDlgCtrlID(second), 1002);
  EXPECT_EQ(GetDlgItem(dialog, 1003), third.m_hWnd);
  EXPECT_EQ(dialog.GetDlgItem(1001), &first);
  EXPECT_EQ(GetParent(second), dialog.m_hWnd);
  EXPECT_EQ(second.GetParent(), &dialog);
  EXPECT_EQ(GetDlgCtrlID(dialog), 0) << "a top-level window has no identifier";

  SetLastError(0);
  EXPECT_EQ(GetDlgItem(dialog, 4711), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CONTROL_ID_NOT_FOUND));
  EXPECT_EQ(GetWindow(first, 99), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_GW_COMMAND));
}

TEST(Window, OwnersAndParentsFollowTheStyle) {
  CWnd frame, popup, plain;
  ASSERT_TRUE(frame.CreateEx(0, L"FRAME", L"frame", WS_OVERLAPPEDWINDOW, kRect, nullptr, 0));
  ASSERT_TRUE(popup.CreateEx(0, L"POPUP", L"popup", WS_POPUP, kRect, &frame, 0));
  ASSERT_TRUE(plain.CreateEx(0, L"PLAIN", L"plain", WS_OVERLAPPED, kRect, &frame, 0));
  EXPECT_EQ(GetWindow(popup, GW_OWNER), frame.m_hWnd);
  EXPECT_EQ(GetParent(popup), frame.m_hWnd) << "a popup's parent is its owner";
  EXPECT_EQ(GetWindow(plain, GW_OWNER), frame.m_hWnd);
  EXPECT_EQ(GetParent(plain), nullptr);
  EXPECT_EQ(GetWindow(frame, GW_CHILD), nullptr) << "owned windows are not children";

  // Destroying the owner destroys what it owns.
  EXPECT_TRUE(frame.DestroyWindow());
  EXPECT_EQ(popup.m_hWnd, nullptr);
  EXPECT_EQ(plain.m_hWnd, nullptr);
}

TEST(Window, TextRoundTripsAndShortBuffersAreCut) {
  CWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, L"STATIC", L"initial", 0, kRect, nullptr, 0));
  CString text;
  wnd.GetWindowText(text);
  EXPECT_EQ(text, CString(L"initial"));
  ASSERT_TRUE(SetWindowTextW(wnd, L"Größe ✓ text"));
  EXPECT_EQ(GetWindowTextLengthW(wnd), 12);
  struct Row {
    int size;
    int copied;
    const wchar_t* expected;
  } rows[] = {{1, 0, L""}, {2, 1, L"G"}, {12, 11, L"Größe ✓ tex"}, {13, 12, L"Größe ✓ text"}, {50, 12, L"Größe ✓ text"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.size);
    std::wstring buffer(60, L'#');
    EXPECT_EQ(GetWindowTextW(wnd, buffer.data(), row.size), row.copied);
    EXPECT_EQ(std::wstring(buffer.c_str()), row.expected);
    EXPECT_EQ(buffer[row.size], L'#');
  }
  wnd.SetWindowText(nullptr);
  EXPECT_EQ(wnd.GetWindowTextLength(), 0);
}

TEST(Window, DestroyTakesChildrenFirstInOrderAndDetachesTheObjects) {
  std::vector<std::string> log;
  LoggingWnd parent(&log, "parent"), a(&log, "a"), b(&log, "b"), grandchild(&log, "a1");
  ASSERT_TRUE(parent.CreateEx(0, L"P", L"", WS_OVERLAPPED, kRect, nullptr, 0));
  ASSERT_TRUE(a.Create(L"C", L"", 0, kRect, &parent, 1));
  ASSERT_TRUE(b.Create(L"C", L"", 0, kRect, &parent, 2));
  ASSERT_TRUE(grandchild.Create(L"C", L"", 0, kRect, &a, 3));
  const HWND handles[] = {parent, a, b, grandchild};

  EXPECT_TRUE(parent.DestroyWindow());
  EXPECT_EQ(log, (std::vector<std::string>{
                     "parent destroy",
                     "a destroy", "a1 destroy", "a1 ncdestroy", "a1 postncdestroy", "a ncdestroy", "a postncdestroy",
                     "b destroy", "b ncdestroy", "b postncdestroy",
                     "parent ncdestroy", "parent postncdestroy"}));
  for (HWND h : handles) EXPECT_FALSE(IsWindow(h));
  for (CWnd* w : std::initializer_list<CWnd*>{&parent, &a, &b, &grandchild}) EXPECT_EQ(w->m_hWnd, nullptr);
  EXPECT_FALSE(parent.DestroyWindow()) << "no window any more";
  SetLastError(0);
  EXPECT_FALSE(DestroyWindow(handles[0]));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));

  // New windows never get an old handle back.
  for (int i = 0; i < 20; ++i) {
    HWND fresh = CreateWindowExW(0, L"X", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    for (HWND old : handles) ASSERT_NE(fresh, old);
    DestroyWindow(fresh);
  }
}

TEST(Window, ObjectsGoingAwayTakeTheirWindowsAlong) {
  bool deleted = false;
  HWND parentHandle;
  {
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, L"P", L"", 0, kRect, nullptr, 0));
    parentHandle = parent;
    auto* child = new SelfDeletingWnd(&deleted);
    ASSERT_TRUE(child->Create(L"C", L"", 0, kRect, &parent, 7));
    CWnd* lingering = new CWnd;
    ASSERT_TRUE(lingering->Create(L"C", L"", 0, kRect, &parent, 8));
    HWND lingeringHandle = *lingering;
    delete lingering;  // the destructor destroys its window
    EXPECT_FALSE(IsWindow(lingeringHandle));
    EXPECT_EQ(Children(parent).size(), 1u);
  }  // the parent's destructor destroys the window and, with it, the child
  EXPECT_FALSE(IsWindow(parentHandle));
  EXPECT_TRUE(deleted);
}

TEST(Window, ChildObjectOutlivingItsWindowDoesNotDestroyTwice) {
  std::vector<std::string> log;
  LoggingWnd child(&log, "child");
  {
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, L"P", L"", 0, kRect, nullptr, 0));
    ASSERT_TRUE(child.Create(L"C", L"", 0, kRect, &parent, 1));
  }
  EXPECT_EQ(child.m_hWnd, nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"child destroy", "child ncdestroy", "child postncdestroy"}));
}

TEST(Window, MessagesReachTheObjectAndCloseDestroys) {
  std::vector<std::string> log;
  LoggingWnd wnd(&log, "w");
  ASSERT_TRUE(wnd.CreateEx(0, L"W", L"", 0, kRect, nullptr, 0));
  wnd.SetWindowText(L"hello");
  EXPECT_EQ(log, (std::vector<std::string>{"w settext hello"}));
  wchar_t buffer[8];
  EXPECT_EQ(SendMessageW(wnd, WM_GETTEXT, 8, reinterpret_cast<LPARAM>(buffer)), 5);
  EXPECT_EQ(std::wstring(buffer), L"hello");
  EXPECT_EQ(SendMessageW(wnd, WM_GETTEXTLENGTH, 0, 0), 5);
  SendMessageW(wnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(wnd.m_hWnd, nullptr);
  SetLastError(0);
  EXPECT_EQ(SendMessageW(wnd, WM_GETTEXTLENGTH, 0, 0), 0);
}

TEST(Window, CreationFailuresAreReported) {
  SetLastError(0);
  EXPECT_EQ(CreateWindowExW(0, L"C", L"", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TLW_WITH_WSCHILD));
  CWnd orphan;
  EXPECT_FALSE(orphan.Create(L"C", L"", 0, kRect, nullptr, 1)) << "Create makes child windows";

  HWND gone = CreateWindowExW(0, L"C", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  SetLastError(0);
  EXPECT_EQ(CreateWindowExW(0, L"C", L"", WS_CHILD, 0, 0, 1, 1, gone, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));

  class Refuses : public CWnd {
    LRESULT WindowProc(UINT message, WPARAM w, LPARAM l) override {
      return message == WM_CREATE ? -1 : CWnd::WindowProc(message, w, l);
    }
  } refuses;
  EXPECT_FALSE(refuses.CreateEx(0, L"C", L"", 0, kRect, nullptr, 0));
  EXPECT_EQ(refuses.m_hWnd, nullptr);
}

TEST(Window, OnlyTheCreatingThreadDestroys) {
  CWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, L"W", L"", 0, kRect, nullptr, 0));
  BOOL destroyed = TRUE;
  DWORD error = 0;
  std::thread([&] {
    destroyed = DestroyWindow(wnd);
    error = GetLastError();
  }).join();
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(IsWindow(wnd));
}

TEST(Window, VisibilityAndEnabledStateFollowTheTree) {
  CWnd parent, child;
  ASSERT_TRUE(parent.CreateEx(0, L"P", L"", WS_VISIBLE, kRect, nullptr, 0));
  ASSERT_TRUE(child.Create(L"C", L"", WS_VISIBLE, kRect, &parent, 1));
  EXPECT_TRUE(child.IsWindowVisible());
  EXPECT_TRUE(parent.ShowWindow(SW_HIDE)) << "was visible";
  EXPECT_FALSE(child.IsWindowVisible()) << "hidden with its parent";
  EXPECT_FALSE(child.EnableWindow(FALSE)) << "was enabled";
  EXPECT_FALSE(child.IsWindowEnabled());
  EXPECT_TRUE(child.EnableWindow(TRUE));
}

TEST(Window, FromHandleGivesTheObjectOrAStableTemporary) {
  CWnd attached;
  ASSERT_TRUE(attached.CreateEx(0, L"W", L"", 0, kRect, nullptr, 0));
  EXPECT_EQ(CWnd::FromHandle(attached), &attached);
  HWND bare = CreateWindowExW(0, L"W", L"bare", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  CWnd* temporary = CWnd::FromHandle(bare);
  ASSERT_NE(temporary, nullptr);
  EXPECT_EQ(CWnd::FromHandle(bare), temporary);
  EXPECT_EQ(CWnd::FromHandlePermanent(bare), nullptr);
  CString text;
  temporary->GetWindowText(text);
  EXPECT_EQ(text, CString(L"bare"));

  CWnd adopter;
  ASSERT_TRUE(adopter.Attach(bare));
  EXPECT_EQ(CWnd::FromHandlePermanent(bare), &adopter);
  EXPECT_FALSE(CWnd().Attach(bare)) << "one object per window";
  EXPECT_EQ(adopter.Detach(), bare);
  EXPECT_EQ(CWnd::FromHandlePermanent(bare), nullptr);
  DestroyWindow(bare);
  EXPECT_EQ(CWnd::FromHandle(bare), nullptr);
}

TEST(Window, DialogsInitialiseThroughOnInitDialog) {
  class Form : public CDialog {
   public:
    BOOL OnInitDialog() override {
      ok.Create(L"BUTTON", L"OK", WS_VISIBLE, kRect, this, IDOK_ID);
      return TRUE;
    }
    enum { IDOK_ID = 1 };
    CWnd ok;
  } form;
  CWnd owner;
  ASSERT_TRUE(owner.CreateEx(0, L"OWNER", L"", 0, kRect, nullptr, 0));
  ASSERT_TRUE(form.Create(L"FORM_TEMPLATE", &owner));
  EXPECT_EQ(std::wstring(form.m_lpszTemplateName), L"FORM_TEMPLATE");
  EXPECT_EQ(form.GetDlgItem(1), &form.ok);
  EXPECT_EQ(GetWindow(form, GW_OWNER), owner.m_hWnd);
  owner.DestroyWindow();
  EXPECT_EQ(form.m_hWnd, nullptr);
  EXPECT_EQ(form.ok.m_hWnd, nullptr);
}

// ---------------------------------------------------------------------------
// The message queue

class Queue : public ::testing::Test {
 protected:
  void TearDown() override {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
};

TEST_F(Queue, PostedMessagesArePeekedInOrderWithFilters) {
  std::vector<std::string> log;
  LoggingWnd a(&log, "a"), b(&log, "b");
  ASSERT_TRUE(a.CreateEx(0, L"W", L"", 0, kRect, nullptr, 0));
  ASSERT_TRUE(b.CreateEx(0, L"W", L"", 0, kRect, nullptr, 0));
  ASSERT_TRUE(PostMessageW(a, WM_USER, 1, 0));
  ASSERT_TRUE(PostMessageW(b, WM_USER, 2, 0));
  ASSERT_TRUE(PostMessageW(nullptr, WM_APP, 3, 0));
  ASSERT_TRUE(PostMessageW(a, WM_USER + 5, 4, 0));
  EXPECT_TRUE(log.empty()) << "posting does not call the window";

  MSG m = {};
  EXPECT_TRUE(PeekMessageW(&m, b, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.wParam, 2u);
  EXPECT_TRUE(PeekMessageW(&m, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_APP));
  EXPECT_TRUE(PeekMessageW(&m, nullptr, WM_USER + 1, WM_USER + 9, PM_REMOVE));
  EXPECT_EQ(m.wParam, 4u);
  std::vector<WPARAM> rest;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    EXPECT_FALSE(TranslateMessage(&m));
    DispatchMessageW(&m);
    rest.push_back(m.wParam);
  }
  EXPECT_EQ(rest, (std::vector<WPARAM>{1, 2}));
  EXPECT_EQ(log, (std::vector<std::string>{"a user 1", "b user 2"}));
}

TEST_F(Queue, MessagesOfDestroyedWindowsAreDropped) {
  HWND w = CreateWindowExW(0, L"W", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(PostMessageW(w, WM_USER, 1, 0));
  DestroyWindow(w);
  MSG m;
  EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  SetLastError(0);
  EXPECT_FALSE(PostMessageW(w, WM_USER, 1, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(Queue, OtherThreadsPostToTheWindowsThread) {
  std::vector<std::string> log;
  LoggingWnd w(&log, "w");
  ASSERT_TRUE(w.CreateEx(0, L"W", L"", 0, kRect, nullptr, 0));
  bool seenThere = true;
  std::thread([&] {
    PostMessageW(w, WM_USER, 9, 0);
    MSG m;
    seenThere = PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);
  }).join();
  EXPECT_FALSE(seenThere) << "the posting thread's own queue stays empty";
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.hwnd, w.m_hWnd);
  DispatchMessageW(&m);
  EXPECT_EQ(log, (std::vector<std::string>{"w user 9"}));

  PostQuitMessage(3);
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 3u);
}

}  // namespace
