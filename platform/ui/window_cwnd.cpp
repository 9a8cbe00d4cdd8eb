// CWnd and CDialog over the window model.
#include "platform/ui/window_internal.h"

using namespace kavro::platform::detail;

CWnd::CWnd() : m_hWnd(nullptr) {}

CWnd::~CWnd() {
  if (!m_hWnd) return;
  HWND window = m_hWnd;
  if (PermanentWnd(window) == this) ::DestroyWindow(window);
  // Whatever happened (another thread's window), the window forgets us.
  DetachWnd(window, this);
  m_hWnd = nullptr;
}

BOOL CWnd::Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id, void*) {
  return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id, nullptr);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style,
                    const RECT& rect, CWnd* parent, UINT id, LPVOID param) {
  HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
  return CreateEx(exStyle, className, windowName, style, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                  menu, param);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, LPVOID param) {
  if (m_hWnd) {  // one window per object
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  WindowCreation a{exStyle, className, windowName, style, x, y, width, height, parent, menu, param};
  return CreateWindowFor(a, this) ? TRUE : FALSE;
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

BOOL CWnd::Attach(HWND window) {
  if (m_hWnd || !AttachWnd(window, this)) return FALSE;
  m_hWnd = window;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND window = m_hWnd;
  if (window) DetachWnd(window, this);
  m_hWnd = nullptr;
  return window;
}

CWnd* CWnd::FromHandle(HWND window) {
  if (CWnd* wnd = PermanentWnd(window)) return wnd;
  return TemporaryWnd(window);
}

CWnd* CWnd::FromHandlePermanent(HWND window) { return PermanentWnd(window); }

void CWnd::SetWindowText(LPCWSTR text) { ::SetWindowTextW(m_hWnd, text); }

int CWnd::GetWindowText(LPWSTR buffer, int maxCount) const {
  return ::GetWindowTextW(m_hWnd, buffer, maxCount);
}

void CWnd::GetWindowText(CString& text) const {
  int length = ::GetWindowTextLengthW(m_hWnd);
  if (length <= 0) {
    text.Empty();
    return;
  }
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  int copied = ::GetWindowTextW(m_hWnd, buffer.data(), length + 1);
  text = CString(buffer.c_str(), copied > 0 ? copied : 0);
}

int CWnd::GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }

CWnd* CWnd::GetDlgItem(int id) const {
  HWND item = ::GetDlgItem(m_hWnd, id);
  return item ? FromHandle(item) : nullptr;
}

CWnd* CWnd::GetWindow(UINT command) const {
  HWND other = ::GetWindow(m_hWnd, command);
  return other ? FromHandle(other) : nullptr;
}

CWnd* CWnd::GetParent() const {
  HWND parent = ::GetParent(m_hWnd);
  return parent ? FromHandle(parent) : nullptr;
}

DWORD CWnd::GetStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)); }
BOOL CWnd::ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
BOOL CWnd::EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

void CWnd::PostNcDestroy() {}

// ---------------------------------------------------------------------------

CDialog::CDialog() : m_nIDHelp(0), m_lpszTemplateName(nullptr), m_pParentWnd(nullptr) {}

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_nIDHelp(templateId), m_lpszTemplateName(MAKEINTRESOURCEW(templateId)), m_pParentWnd(parent) {}

CDialog::CDialog(LPCWSTR templateName, CWnd* parent)
    : m_nIDHelp(0), m_lpszTemplateName(templateName), m_pParentWnd(parent) {
  if (templateName && !IS_INTRESOURCE(templateName)) {
    m_templateName = templateName;
    m_lpszTemplateName = m_templateName.GetString();
  } else if (templateName) {
    m_nIDHelp = LOWORD(reinterpret_cast<ULONG_PTR>(templateName));
  }
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  return Create(MAKEINTRESOURCEW(templateId), parent);
}

BOOL CDialog::Create(LPCWSTR templateName, CWnd* parent) {
  if (templateName && !IS_INTRESOURCE(templateName)) {
    if (templateName != m_templateName.GetString()) m_templateName = CString(templateName);
    m_lpszTemplateName = m_templateName.GetString();
    m_nIDHelp = 0;
  } else {
    m_lpszTemplateName = templateName;
    m_nIDHelp = LOWORD(reinterpret_cast<ULONG_PTR>(templateName));
  }
  if (parent) m_pParentWnd = parent;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  if (!CreateEx(WS_EX_DLGMODALFRAME, L"#32770", L"", style, 0, 0, 0, 0,
                m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr, nullptr, nullptr))
    return FALSE;
  OnInitDialog();
  return TRUE;
}

BOOL CDialog::OnInitDialog() { return TRUE; }
