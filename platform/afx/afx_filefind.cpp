// CFileFind over FindFirstFileW/FindNextFileW, with MFC's one-entry
// look-ahead: FindNextFile moves to the entry found before and fetches the
// one after it, so it answers FALSE when it moves to the last entry.
#include "KavroStd/platform/afx_filefind.h"

#include <cstring>

#include "platform/afx/afx_internal.h"

CFileFind::CFileFind() : find_(INVALID_HANDLE_VALUE), hasNext_(FALSE), started_(false) {
  memset(&found_, 0, sizeof(found_));
  memset(&next_, 0, sizeof(next_));
}

CFileFind::~CFileFind() { Close(); }

void CFileFind::Close() {
  if (find_ != INVALID_HANDLE_VALUE) FindClose(find_);
  find_ = INVALID_HANDLE_VALUE;
  hasNext_ = FALSE;
  started_ = false;
  root_.Empty();
}

BOOL CFileFind::FindFile(LPCWSTR name, DWORD) {
  Close();
  if (!name) name = L"*.*";
  HANDLE h = FindFirstFileW(name, &next_);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    Close();
    SetLastError(code);
    return FALSE;
  }
  find_ = h;
  hasNext_ = TRUE;
  // The root is the full path of the pattern's folder, with its separator.
  std::wstring full = kavro::platform::FullWindowsPath(name);
  std::wstring last = kavro::platform::LastPathComponent(full);
  root_ = CString(full.substr(0, full.size() - last.size()));
  return TRUE;
}

BOOL CFileFind::FindNextFile() {
  if (find_ == INVALID_HANDLE_VALUE || !hasNext_) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  found_ = next_;
  started_ = true;
  hasNext_ = ::FindNextFileW(find_, &next_);
  return hasNext_;
}

CString CFileFind::GetFileName() const { return started_ ? CString(found_.cFileName) : CString(); }

CString CFileFind::GetFilePath() const {
  if (!started_) return CString();
  CString path = root_;
  if (!path.IsEmpty()) {
    wchar_t lastChar = path[path.GetLength() - 1];
    if (lastChar != L'\\' && lastChar != L'/') path += L'\\';
  }
  path += found_.cFileName;
  return path;
}

CString CFileFind::GetFileTitle() const {
  if (!started_) return CString();
  return CString(kavro::platform::StripExtension(found_.cFileName));
}

CString CFileFind::GetRoot() const { return root_; }

ULONGLONG CFileFind::GetLength() const {
  if (!started_) return 0;
  return (static_cast<ULONGLONG>(found_.nFileSizeHigh) << 32) | found_.nFileSizeLow;
}

BOOL CFileFind::GetLastWriteTime(FILETIME* time) const {
  if (!started_ || !time) return FALSE;
  *time = found_.ftLastWriteTime;
  return TRUE;
}

BOOL CFileFind::GetCreationTime(FILETIME* time) const {
  if (!started_ || !time) return FALSE;
  *time = found_.ftCreationTime;
  return TRUE;
}

BOOL CFileFind::GetLastAccessTime(FILETIME* time) const {
  if (!started_ || !time) return FALSE;
  *time = found_.ftLastAccessTime;
  return TRUE;
}

BOOL CFileFind::MatchesMask(DWORD mask) const {
  return started_ && (found_.dwFileAttributes & mask) != 0;
}

BOOL CFileFind::IsDots() const {
  if (!started_ || !IsDirectory()) return FALSE;
  const wchar_t* n = found_.cFileName;
  return n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0));
}
