// Splitting file names into drive, folder, name and extension.
#include "KavroStd/files.h"
#include "platform/strings/crt_internal.h"

using kavro::platform::SplitPath;

CFileNameHelper::CFileNameHelper() { clear(); }

CFileNameHelper::CFileNameHelper(const CFileNameHelper& other)
    : m_strExt(other.m_strExt),
      m_strName(other.m_strName),
      m_strFolder(other.m_strFolder),
      m_strDrive(other.m_strDrive),
      m_strFullName(other.m_strFullName) {}

CFileNameHelper& CFileNameHelper::operator=(const CFileNameHelper& other) {
  m_strExt = other.m_strExt;
  m_strName = other.m_strName;
  m_strFolder = other.m_strFolder;
  m_strDrive = other.m_strDrive;
  m_strFullName = other.m_strFullName;
  return *this;
}

CFileNameHelper::~CFileNameHelper() = default;

void CFileNameHelper::clear() {
  m_strExt.Empty();
  m_strName.Empty();
  m_strFolder.Empty();
  m_strDrive.Empty();
}

int CFileNameHelper::setFullName(CString full) {
  m_strFullName = full;
  clear();
  std::wstring drive, dir, name, ext;
  if (full.GetLength() >= 3 && full[0] == L'\\' && full[1] == L'\\' && full[2] != L'\\') {
    // A UNC name: the server is the drive, the share starts the folder.
    int k = full.Find(L'\\', 2);
    if (k < 0) k = full.GetLength() - 1;
    m_strDrive = full.Left(k);
    CString rest = full.Mid(k + 1);
    SplitPath(rest, nullptr, &dir, &name, &ext);
    m_strFolder = CString(L"\\") + CString(dir);
  } else {
    SplitPath(full, &drive, &dir, &name, &ext);
    m_strDrive = CString(drive);
    m_strFolder = CString(dir);
  }
  m_strName = CString(name);
  m_strExt = CString(ext);
  return TRUE;
}

int CFileNameHelper::getPath(CString& out) {
  out = m_strDrive + m_strFolder;
  return TRUE;
}

int CFileNameHelper::getNameWithoutPath(CString& out) {
  out = m_strName;
  return TRUE;
}

int CFileNameHelper::getNameExtWithoutPath(CString& out) {
  out = m_strName + m_strExt;
  return TRUE;
}

int CFileNameHelper::getExt(CString& out) {
  out = m_strExt;
  return TRUE;
}

int CStringOpr::getNameExtWithoutPath(const wchar_t* path, CString& out) {
  CFileNameHelper helper;
  helper.setFullName(path);
  return helper.getNameExtWithoutPath(out);
}
