// The global environment object: construction, start-up, shutdown and the
// company icon.
#include "KavroStd/env.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "settings/settings_files_internal.h"

namespace {
const wchar_t kMutexName[] = L"KavrodeskForAutoCAD";
const wchar_t kFindFileFunction[] = L"KVSTD_PLATFORM_FUNCTION_FINDFILE";
const int kCompanyIcon = 128;

CString LibrarySettingsFileOfGlobe() { return STDGlobeInfo()->GetSettFile(); }
CString SystemVariableFileOfGlobe() { return STDGlobeInfo()->GetCfgsFile(); }
}  // namespace

CSTDGlobeInfo::CSTDGlobeInfo()
    : m_mapWnd(10),
      m_dwReserved0(0),
      m_hInstance(nullptr),
      m_dwReserved1(0),
      m_dwReserved2(0),
      m_dwReserved3(0),
      m_dwReserved4(0),
      m_pBlock(nullptr),
      m_hMutex(nullptr) {
  // The settings layer finds its files in the installation tree through us.
  kavro::settings::SetSettingsFileSources(&LibrarySettingsFileOfGlobe, &SystemVariableFileOfGlobe);
}

CSTDGlobeInfo::~CSTDGlobeInfo() = default;

void CSTDGlobeInfo::DeriveInstallPaths(const CString& libraryFile, CString& moduleFolder,
                                       CString& root) {
  int slash = libraryFile.ReverseFind(L'\\');
  moduleFolder = slash < 0 ? libraryFile : libraryFile.Left(slash + 1);
  CString trimmed = moduleFolder;
  trimmed.TrimRight(L'\\');
  slash = trimmed.ReverseFind(L'\\');
  root = slash < 0 ? trimmed : trimmed.Left(slash + 1);
}

void CSTDGlobeInfo::Init() {
  // The whole path, however long: grow the buffer while the call fills it.
  CString libraryFile;
  for (DWORD size = MAX_PATH;; size *= 2) {
    DWORD n = GetModuleFileNameW(m_hInstance, libraryFile.GetBuffer(static_cast<int>(size)), size);
    if (n < size) {
      libraryFile.ReleaseBuffer(static_cast<int>(n));
      break;
    }
    if (size > (1u << 20)) {
      libraryFile.ReleaseBuffer(0);
      break;
    }
  }
  DeriveInstallPaths(libraryFile, m_strModulePath, m_strRootPath);

  CString languageFolder = GetLangPath() + L"KavroSTD\\";
  m_Language.SetLanguagePath(languageFolder);
  CreateDirectoryW(languageFolder, nullptr);

  m_hMutex = CreateMutexW(nullptr, FALSE, kMutexName);

  STDGlobeInfo()->AddFunction(kFindFileFunction, &CSTDGlobeInfo::BuiltInFindFileHook, FALSE);
}

void CSTDGlobeInfo::Close() {
  // Take the windows out first: a window's destructor may touch the
  // registry, and one window registered under two keys is deleted once.
  std::vector<CWnd*> windows;
  POSITION pos = m_mapWnd.GetStartPosition();
  while (pos) {
    CString key;
    CWnd* wnd = nullptr;
    m_mapWnd.GetNextAssoc(pos, key, wnd);
    if (wnd && std::find(windows.begin(), windows.end(), wnd) == windows.end()) windows.push_back(wnd);
  }
  m_mapWnd.RemoveAll();
  for (CWnd* wnd : windows) {
    wnd->DestroyWindow();
    delete wnd;
  }
  if (m_pBlock) {
    free(m_pBlock);
    m_pBlock = nullptr;
  }
  if (m_hMutex) {
    ReleaseMutex(m_hMutex);
    m_hMutex = nullptr;
  }
}

HICON CSTDGlobeInfo::GetCompanyIcon(int size) {
  if (size == -1) return LoadIconW(m_hInstance, MAKEINTRESOURCEW(kCompanyIcon));
  return static_cast<HICON>(LoadImageW(m_hInstance, MAKEINTRESOURCEW(kCompanyIcon), IMAGE_ICON, size, size, 0));
}

void* CSTDGlobeInfo::GetObjectW() { return m_pObject; }
