// CPath members that ask the file system: existence, folders, size, times,
// volume label, short and long forms, and the process's own paths.
#include <vector>

#include "KavroStd/files.h"

namespace {

// A path form from one of the two-call Win32 functions; "" on failure.
CString PathFormOf(DWORD (*query)(LPCWSTR, LPWSTR, DWORD), const CString& path) {
  DWORD needed = query(path, nullptr, 0);
  if (needed == 0) return CString();
  std::vector<wchar_t> buffer(needed + 1);
  DWORD length = query(path, buffer.data(), static_cast<DWORD>(buffer.size()));
  return length == 0 || length >= buffer.size() ? CString() : CString(buffer.data(), static_cast<int>(length));
}

}  // namespace

void CPath::SetPath(DWORD which) {
  if (which == 0) {
    SetPath(GetCommandLineW(), FALSE, TRUE);
  } else if (which == 1) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
      DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (n == 0) return;
      if (n < buffer.size()) break;
      buffer.resize(buffer.size() * 2);
    }
    SetPath(buffer.data(), FALSE, FALSE);
  }
}

CString CPath::GetShortPath() { return PathFormOf(&GetShortPathNameW, GetPath(FALSE, FALSE)); }

CString CPath::GetLongPath() { return PathFormOf(&GetLongPathNameW, GetPath(FALSE, FALSE)); }

BOOL CPath::ExistFile() { return IsFilePath() && PathFileExistsW(GetPath(FALSE, FALSE)); }

BOOL CPath::ExistLocation() { return PathFileExistsW(GetLocation()); }

BOOL CPath::CreateDirectorys() {
  FillDirArray();
  CString running = m_strDrive + L"\\";
  for (INT_PTR i = 0; i < m_aryDir.GetSize(); ++i) {
    running += m_aryDir[i];
    if (!PathFileExistsW(running) && !CreateDirectoryW(running, nullptr)) return FALSE;
    running += L'\\';
  }
  return TRUE;
}

BOOL CPath::FillFileInfoStruct() {
  m_fis = BY_HANDLE_FILE_INFORMATION();
  const DWORD kAnyAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  HANDLE file = CreateFileW(GetPath(FALSE, FALSE), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, kAnyAttributes, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FALSE;
  BOOL ok = GetFileInformationByHandle(file, &m_fis);
  CloseHandle(file);
  return ok;
}

BOOL CPath::GetFileSize(__int64& size) {
  BOOL ok = FillFileInfoStruct();
  size = ok ? static_cast<__int64>((static_cast<unsigned long long>(m_fis.nFileSizeHigh) << 32) |
                                   m_fis.nFileSizeLow)
            : 0;
  return ok;
}

BOOL CPath::GetFileTime(CTime& time, DWORD which) {
  if (!FillFileInfoStruct()) {
    time = CTime();
    return FALSE;
  }
  const FILETIME& chosen = which == 0   ? m_fis.ftCreationTime
                           : which == 2 ? m_fis.ftLastWriteTime
                                        : m_fis.ftLastAccessTime;
  time = CTime(chosen);
  return TRUE;
}

CString CPath::GetDriveLabel(int shareName) {
  if (!m_strDriveLabel.IsEmpty() || m_bIsRelative) return m_strDriveLabel;
  if (shareName && !IsLocalPath()) {
    m_strDriveLabel = GetDir(0);
    return m_strDriveLabel;
  }
  CString root;
  if (IsLocalPath()) {
    root = m_strDrive + L"\\";
  } else if (GetDirCount() >= 2) {
    root.Format(L"\\\\%s\\%s\\", GetDir(0).GetString(), GetDir(1).GetString());
  }
  wchar_t label[256] = {0};
  if (root.IsEmpty() ||
      !GetVolumeInformationW(root, label, 255, nullptr, nullptr, nullptr, nullptr, 0))
    return CString();
  m_strDriveLabel = label;
  return m_strDriveLabel;
}
