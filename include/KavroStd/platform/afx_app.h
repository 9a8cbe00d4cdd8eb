/// @file
/// @ingroup platform_layer
/// The application object of an MFC program, for modules that ask the host
/// for it: AfxGetApp, AfxGetMainWnd and AfxGetAppName answer with the
/// CWinApp the host constructed (the first one alive), or null when the host
/// has none. The profile members read and write the application's INI file.
///
///   CWinApp* app = AfxGetApp();
///   if (app) app->WriteProfileInt(L"Settings", L"Count", 3);
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <string>

#include "KavroStd/platform/collections.h"
#include "KavroStd/platform/cstring.h"

class CWnd;

class KVSTD_API CWinApp : public CObject {
 public:
  /// appName null: the executable's name without its extension. The profile
  /// file is "<executable name>.INI", relative to the current folder.
  explicit CWinApp(LPCWSTR appName = nullptr);
  ~CWinApp() override;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance() { return 0; }

  /// The profile file's values, as GetPrivateProfileInt/String and
  /// WritePrivateProfileString with m_pszProfileName.
  UINT GetProfileInt(LPCWSTR section, LPCWSTR entry, int defaultValue);
  BOOL WriteProfileInt(LPCWSTR section, LPCWSTR entry, int value);
  CString GetProfileString(LPCWSTR section, LPCWSTR entry, LPCWSTR defaultValue = nullptr);
  BOOL WriteProfileString(LPCWSTR section, LPCWSTR entry, LPCWSTR value);

  LPCWSTR m_pszAppName;
  LPCWSTR m_pszExeName;
  LPCWSTR m_pszProfileName;
  HINSTANCE m_hInstance;
  CWnd* m_pMainWnd;

 private:
  std::wstring appName_, exeName_, profileName_;
};

KVSTD_API CWinApp* AfxGetApp();
/// The application's main window; null without an application or window.
KVSTD_API CWnd* AfxGetMainWnd();
/// The application's name; null without an application.
KVSTD_API LPCWSTR AfxGetAppName();
