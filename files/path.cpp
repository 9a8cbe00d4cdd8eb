// CPath: setting and splitting a path, its parts, and its relative and
// absolute forms.
#include <string>

#include "KavroStd/files.h"
#include "platform/shell/shell_path_internal.h"
#include "platform/strings/crt_internal.h"

using kavro::platform::SplitPath;

CPath::CPath() : m_bIsRelative(FALSE), m_fis() {}

CPath::CPath(const wchar_t* path, int isFolder, int hasArgs) : CPath() {
  SetPath(path, isFolder, hasArgs);
}

CPath::CPath(DWORD which) : CPath() { SetPath(which); }

CPath::CPath(const CPath& other) : CPath() { *this = other; }

CPath::~CPath() = default;

CPath& CPath::operator=(const CPath& other) {
  if (this == &other) return *this;
  m_strPath = other.m_strPath;
  m_strDrive = other.m_strDrive;
  m_strDriveLabel = other.m_strDriveLabel;
  m_aryDir.Copy(other.m_aryDir);
  m_strDir = other.m_strDir;
  m_strFileTitle = other.m_strFileTitle;
  m_strExtName = other.m_strExtName;
  m_strArgument = other.m_strArgument;
  m_aryArguments.Copy(other.m_aryArguments);
  m_bIsRelative = other.m_bIsRelative;
  m_fis = other.m_fis;
  return *this;
}

CPath& CPath::operator=(const wchar_t* path) {
  SetPath(path, FALSE, FALSE);
  return *this;
}

void CPath::SetPath(const wchar_t* path, int isFolder, int hasArgs) {
  m_strPath = path ? path : L"";
  m_strDriveLabel.Empty();
  m_aryDir.RemoveAll();
  m_strExtName.Empty();
  m_aryArguments.RemoveAll();
  m_bIsRelative = FALSE;
  // The parts of an earlier path never survive into this one.
  m_strDrive.Empty();
  m_strDir.Empty();
  m_strFileTitle.Empty();

  std::wstring work(m_strPath.GetString());
  if (hasArgs) {
    const wchar_t* args = PathGetArgsW(work.c_str());
    m_strArgument = args;
    PathRemoveArgsW(work.data());
    work.resize(wcslen(work.c_str()));
  }
  PathUnquoteSpacesW(work.data());
  work.resize(wcslen(work.c_str()));
  if (work.empty()) return;

  std::wstring drive, dir, name, ext;
  SplitPath(work.c_str(), &drive, &dir, &name, &ext);
  // ".dotfile" is a name, not an extension without a title: it must not be
  // lost from GetPath.
  if (name.empty() && ext.size() > 1 && ext.find_first_not_of(L'.') != std::wstring::npos) name.swap(ext);
  m_strDrive = CString(drive);
  m_strDir = CString(dir);
  m_strDir.Replace(L'/', L'\\');
  if (!m_strDir.IsEmpty()) m_bIsRelative = m_strDir[0] != L'\\' || m_strDrive.IsEmpty();
  if (isFolder) {
    // The last name is a folder, its extension included ("My.Folder").
    m_strDir = AddBackSlash(AddBackSlash(m_strDir, FALSE) + CString(name + ext), FALSE);
  } else {
    m_strFileTitle = CString(name);
  }
  if (!m_strFileTitle.IsEmpty()) {
    m_strExtName = CString(ext);
    m_strExtName.Remove(L'.');
  }
}

CString CPath::GetDir(int index) {
  if (index < 0) return m_strDir;
  FillDirArray();
  return index < m_aryDir.GetSize() ? m_aryDir[index] : CString();
}

int CPath::GetDirCount() {
  FillDirArray();
  return static_cast<int>(m_aryDir.GetSize());
}

CString CPath::GetExtension() const {
  return m_strExtName.IsEmpty() ? CString() : CString(L".") + m_strExtName;
}

CString CPath::GetPath(int withArgs, int asEntered) {
  CString path = asEntered ? m_strPath : GetLocation() + GetFileName();
  if (withArgs) path += GetArgument(-1, FALSE);
  return path;
}

CPath::operator const wchar_t*() {
  m_strRes = GetPath(FALSE, FALSE);
  return m_strRes.GetString();
}

void CPath::FillDirArray() {
  if (m_strDir.IsEmpty() || m_aryDir.GetSize() > 0) return;
  int start = IsLocalPath() ? 1 : 0;
  for (int slash = m_strDir.Find(L'\\', start); slash >= 0; slash = m_strDir.Find(L'\\', start)) {
    m_aryDir.Add(m_strDir.Mid(start, slash - start));
    start = slash + 1;
  }
}

CString CPath::GetAbsolutePath(const wchar_t* base) {
  if (!m_bIsRelative || !base || !*base) return CString();
  CString folder = AddBackSlash(base, FALSE);
  CString path = GetPath(FALSE, FALSE);
  if (!path.IsEmpty() && path[0] == L'\\') folder.TrimRight(L'\\');
  std::wstring result;
  if (!kavro::platform::KvPathCanonicalize(folder + path, result)) return CString();
  return CString(result);
}

CString CPath::GetRelativePath(const wchar_t* base) {
  if (m_bIsRelative || !base) return CString();
  std::wstring result;
  DWORD toAttributes = IsFilePath() ? 0 : FILE_ATTRIBUTE_DIRECTORY;
  if (!kavro::platform::KvPathRelativePathTo(base, FILE_ATTRIBUTE_DIRECTORY, GetPath(FALSE, FALSE),
                                             toAttributes, result))
    return CString();
  if (result.size() > 1 && result[0] == L'.' && result[1] == L'\\') result.erase(0, 2);
  return CString(result);
}

CString CPath::AddBackSlash(const wchar_t* path, int forward) {
  CString out(path);
  if (!out.IsEmpty()) {
    wchar_t last = out[out.GetLength() - 1];
    if (last != L'\\' && last != L'/') out += forward ? L'/' : L'\\';
  }
  return out;
}

CString CPath::RemoveBackSlash(const wchar_t* path) {
  CString out(path);
  if (!out.IsEmpty()) {
    wchar_t last = out[out.GetLength() - 1];
    if (last == L'\\' || last == L'/') out.Truncate(out.GetLength() - 1);
  }
  return out;
}
