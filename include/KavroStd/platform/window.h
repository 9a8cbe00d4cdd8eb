/// @file
/// @ingroup platform_layer
/// Windows as in-process objects: handles, text, control identifiers, the
/// parent/child tree, destruction, a few messages and a per-thread queue of
/// posted messages. Nothing is drawn.
///
///   CDialog dialog;
///   dialog.Create(128, nullptr);                         // an empty dialog window
///   CWnd label;
///   label.Create(L"STATIC", L"Name:", WS_VISIBLE, RECT{0, 0, 80, 20}, &dialog, 1001);
///   for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ...
///   dialog.DestroyWindow();                              // the label goes first
///
/// Children are kept in creation order (GW_CHILD is the first created,
/// GW_HWNDNEXT the next); top-level windows likewise. A window created with
/// WS_CHILD has a parent; one created without WS_CHILD but with a parent
/// window is owned by it (GW_OWNER), and GetParent gives the owner only for
/// WS_POPUP windows, as on Windows. Destroying a window destroys the windows
/// it owns, then sends WM_DESTROY, destroys its children in order and sends
/// WM_NCDESTROY, after which the CWnd is detached and PostNcDestroy runs.
/// Window handles are never reused while the process lives, so IsWindow on a
/// destroyed window's handle is FALSE.
///
/// Messages sent to a window go to its CWnd's WindowProc (a CWnd attached by
/// Create, CreateEx or Attach), else to DefWindowProcW, which handles
/// WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH and WM_CLOSE (destroys the
/// window). SendMessageW calls the procedure on the calling thread. A window
/// belongs to the thread that created it: only that thread may destroy it
/// (ERROR_ACCESS_DENIED otherwise), and its posted messages go to that thread's
/// queue, which PeekMessageW reads. Meant for the host's main thread.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/collections.h"
#include "KavroStd/platform/cstring.h"
#include "KavroStd/platform/gdi.h"
#include "KavroStd/platform/win_errors.h"
#include "KavroStd/platform/win_types.h"

#ifndef ERROR_TLW_WITH_WSCHILD
#define ERROR_TLW_WITH_WSCHILD 1406L
#endif
#ifndef ERROR_INVALID_GW_COMMAND
#define ERROR_INVALID_GW_COMMAND 1410L
#endif
#ifndef ERROR_INVALID_INDEX
#define ERROR_INVALID_INDEX 1413L
#endif
#ifndef ERROR_CONTROL_ID_NOT_FOUND
#define ERROR_CONTROL_ID_NOT_FOUND 1421L
#endif

// Styles
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_OVERLAPPEDWINDOW 0x00CF0000L
#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_CLIENTEDGE 0x00000200L
#define DS_MODALFRAME 0x80L
#define DS_SETFONT 0x40L

// GetWindowLongW
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWL_ID (-12)

// GetWindow
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5

// ShowWindow
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5

// Messages
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_NCDESTROY 0x0082
#define WM_COMMAND 0x0111
#define WM_TIMER 0x0113
#define WM_USER 0x0400
#define WM_APP 0x8000

// PeekMessageW
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
typedef MSG* LPMSG;

struct CREATESTRUCTW {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCWSTR lpszName;
  LPCWSTR lpszClass;
  DWORD dwExStyle;
};

/// A window with no CWnd, or a CWnd's window. For a WS_CHILD window `menu` is
/// the control identifier. Null with ERROR_TLW_WITH_WSCHILD for WS_CHILD
/// without a parent, ERROR_INVALID_WINDOW_HANDLE for a bad parent.
KVSTD_C_API HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style,
                                 int x, int y, int width, int height, HWND parent, HMENU menu,
                                 HINSTANCE instance, LPVOID param);
KVSTD_C_API BOOL IsWindow(HWND window);
/// FALSE with ERROR_INVALID_WINDOW_HANDLE for a bad handle.
KVSTD_C_API BOOL DestroyWindow(HWND window);
KVSTD_C_API BOOL SetWindowTextW(HWND window, LPCWSTR text);
/// Copies at most maxCount-1 characters and a zero; returns the characters
/// copied. 0 with ERROR_INVALID_WINDOW_HANDLE for a bad handle.
KVSTD_C_API int GetWindowTextW(HWND window, LPWSTR buffer, int maxCount);
KVSTD_C_API int GetWindowTextLengthW(HWND window);
/// Null when there is no such window; ERROR_INVALID_WINDOW_HANDLE for a bad
/// handle, ERROR_INVALID_GW_COMMAND for an unknown command.
KVSTD_C_API HWND GetWindow(HWND window, UINT command);
KVSTD_C_API HWND GetParent(HWND window);
KVSTD_C_API int GetDlgCtrlID(HWND window);
/// The direct child with that identifier; null with ERROR_CONTROL_ID_NOT_FOUND.
KVSTD_C_API HWND GetDlgItem(HWND dialog, int id);
KVSTD_C_API BOOL ShowWindow(HWND window, int command);
KVSTD_C_API BOOL IsWindowVisible(HWND window);
KVSTD_C_API BOOL EnableWindow(HWND window, BOOL enable);
KVSTD_C_API BOOL IsWindowEnabled(HWND window);
/// GWL_STYLE, GWL_EXSTYLE or GWL_ID; 0 with ERROR_INVALID_INDEX otherwise.
KVSTD_C_API LONG GetWindowLongW(HWND window, int index);

KVSTD_C_API LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
/// 0 for a bad handle (ERROR_INVALID_WINDOW_HANDLE).
KVSTD_C_API LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
/// Queues the message for the window's thread (null window: the calling
/// thread). FALSE with ERROR_INVALID_WINDOW_HANDLE for a bad handle.
KVSTD_C_API BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
KVSTD_C_API void PostQuitMessage(int exitCode);
/// The oldest queued message of the calling thread for `window` (null: any;
/// (HWND)-1: those posted with no window) within [first, last] (both 0: any).
/// FALSE when there is none. Messages of destroyed windows are dropped.
KVSTD_C_API BOOL PeekMessageW(LPMSG msg, HWND window, UINT first, UINT last, UINT remove);
/// No keyboard here: FALSE.
KVSTD_C_API BOOL TranslateMessage(const MSG* msg);
/// Calls the window's procedure; 0 for a message without a live window.
KVSTD_C_API LRESULT DispatchMessageW(const MSG* msg);

/// The MFC window object. A CWnd that owns a window destroys it in its
/// destructor; PostNcDestroy runs once the window is gone (override it to
/// `delete this` for heap windows that free themselves).
class KVSTD_API CWnd : public CObject {
 public:
  CWnd();
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd;

  operator HWND() const { return m_hWnd; }
  /// The handle, or null when the CWnd has no window. (Unlike MFC's, not
  /// callable through a null pointer: check the pointer first.)
  HWND GetSafeHwnd() const { return m_hWnd; }

  /// Creates a child window (WS_CHILD is added) with control identifier id.
  virtual BOOL Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                      CWnd* parent, UINT id, void* context = nullptr);
  /// For a WS_CHILD window `id` is the control identifier.
  virtual BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style,
                        const RECT& rect, CWnd* parent, UINT id, LPVOID param = nullptr);
  BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                int width, int height, HWND parent, HMENU menu, LPVOID param = nullptr);
  /// FALSE when there is no window.
  virtual BOOL DestroyWindow();

  BOOL Attach(HWND window);
  HWND Detach();
  /// The CWnd attached to the window, else a temporary one that lives until
  /// the window is destroyed; null for a bad handle.
  static CWnd* FromHandle(HWND window);
  /// Only an attached CWnd; null otherwise.
  static CWnd* FromHandlePermanent(HWND window);

  void SetWindowText(LPCWSTR text);
  int GetWindowText(LPWSTR buffer, int maxCount) const;
  void GetWindowText(CString& text) const;
  int GetWindowTextLength() const;
  int GetDlgCtrlID() const;
  CWnd* GetDlgItem(int id) const;
  CWnd* GetWindow(UINT command) const;
  CWnd* GetParent() const;
  DWORD GetStyle() const;
  BOOL ShowWindow(int command);
  BOOL IsWindowVisible() const;
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  /// Where the window's messages arrive; the default passes them to
  /// DefWindowProc.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual void PostNcDestroy();
};

/// A dialog: a WS_POPUP window of class "#32770" owned by the parent, with
/// the template identifier kept in m_nIDHelp. Its controls are child windows
/// that callers (or OnInitDialog) create with CWnd::Create(..., this, id).
class KVSTD_API CDialog : public CWnd {
 public:
  CDialog();
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  explicit CDialog(LPCWSTR templateName, CWnd* parent = nullptr);

  using CWnd::Create;
  /// An empty dialog window, then OnInitDialog (whose result, as in MFC, is
  /// about focus only). FALSE when the window could not be made.
  virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
  virtual BOOL Create(LPCWSTR templateName, CWnd* parent = nullptr);
  virtual BOOL OnInitDialog();

  UINT m_nIDHelp;
  LPCWSTR m_lpszTemplateName;  ///< MAKEINTRESOURCEW(id) or a name
  CWnd* m_pParentWnd;

 private:
  CString m_templateName;  ///< storage for a named template
};
