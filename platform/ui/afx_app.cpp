// The application object: the first CWinApp alive answers AfxGetApp.
#include "KavroStd/platform/afx_app.h"

#include <atomic>

#include "KavroStd/platform/module.h"
#include "KavroStd/platform/profile.h"

namespace {

std::atomic<CWinApp*> theApp{nullptr};

// The executable's file name without folder and extension.
std::wstring ExecutableTitle() {
  wchar_t path[MAX_PATH * 4];
  DWORD n = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  std::wstring name(path, n);
  size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos && dot > 0) name.erase(dot);
  return name;
}

}  // namespace

CWinApp::CWinApp(LPCWSTR appName)
    : m_pszAppName(nullptr),
      m_pszExeName(nullptr),
      m_pszProfileName(nullptr),
      m_hInstance(AfxGetInstanceHandle()),
      m_pMainWnd(nullptr) {
  exeName_ = ExecutableTitle();
  appName_ = appName ? appName : exeName_;
  profileName_ = exeName_ + L".INI";
  m_pszAppName = appName_.c_str();
  m_pszExeName = exeName_.c_str();
  m_pszProfileName = profileName_.c_str();
  CWinApp* none = nullptr;
  theApp.compare_exchange_strong(none, this);
}

CWinApp::~CWinApp() {
  CWinApp* self = this;
  theApp.compare_exchange_strong(self, nullptr);
}

UINT CWinApp::GetProfileInt(LPCWSTR section, LPCWSTR entry, int defaultValue) {
  return GetPrivateProfileIntW(section, entry, defaultValue, m_pszProfileName);
}

BOOL CWinApp::WriteProfileInt(LPCWSTR section, LPCWSTR entry, int value) {
  return WritePrivateProfileStringW(section, entry, std::to_wstring(value).c_str(), m_pszProfileName);
}

CString CWinApp::GetProfileString(LPCWSTR section, LPCWSTR entry, LPCWSTR defaultValue) {
  // Grows the buffer until the value fits (the count is size - 1 when cut).
  std::wstring buffer(256, L'\0');
  for (;;) {
    DWORD n = GetPrivateProfileStringW(section, entry, defaultValue ? defaultValue : L"",
                                       buffer.data(), static_cast<DWORD>(buffer.size()),
                                       m_pszProfileName);
    if (n + 1 < buffer.size()) return CString(buffer.data(), static_cast<int>(n));
    buffer.resize(buffer.size() * 2);
  }
}

BOOL CWinApp::WriteProfileString(LPCWSTR section, LPCWSTR entry, LPCWSTR value) {
  return WritePrivateProfileStringW(section, entry, value, m_pszProfileName);
}

CWinApp* AfxGetApp() { return theApp.load(); }

CWnd* AfxGetMainWnd() {
  CWinApp* app = theApp.load();
  return app ? app->m_pMainWnd : nullptr;
}

LPCWSTR AfxGetAppName() {
  CWinApp* app = theApp.load();
  return app ? app->m_pszAppName : nullptr;
}
