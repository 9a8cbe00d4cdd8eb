// CFile: a binary file over a Win32 file handle, as MFC maps its calls.
#include "KavroStd/platform/afx_file.h"

#include <vector>

#include "KavroStd/platform/fileapi.h"
#include "platform/fs/name_map_internal.h"
#include "platform/afx/afx_internal.h"
#include "platform/fs/path_internal.h"

namespace kavro::platform {
namespace {

bool IsSep(wchar_t c) { return c == L'\\' || c == L'/'; }

// Joins `rest` onto `prefix` (a drive root such as "C:\"), resolving "."
// and ".." lexically; ".." never climbs above the root.
std::wstring JoinResolved(const std::wstring& prefix, const std::wstring& rest) {
  std::vector<std::wstring> parts;
  size_t i = 0;
  while (i <= rest.size()) {
    size_t j = i;
    while (j < rest.size() && !IsSep(rest[j])) ++j;
    std::wstring part = rest.substr(i, j - i);
    if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != L".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::wstring out = prefix;
  for (size_t k = 0; k < parts.size(); ++k) {
    if (k) out.push_back(L'\\');
    out += parts[k];
  }
  // A trailing separator names a folder; keep it.
  if (!rest.empty() && IsSep(rest.back()) && !parts.empty()) out.push_back(L'\\');
  return out;
}

std::wstring CurrentFolder() {
  DWORD need = GetCurrentDirectoryW(0, nullptr);
  if (need == 0) return L"Z:\\";
  std::wstring cwd(need, L'\0');
  DWORD n = GetCurrentDirectoryW(need, cwd.data());
  cwd.resize(n < need ? n : 0);
  if (cwd.empty()) return L"Z:\\";
  return cwd;
}

// "C:\a\b" -> prefix "C:\" and rest "a\b".
std::wstring FromDrivePath(const std::wstring& cwd, std::wstring* rest) {
  *rest = cwd.size() > 3 ? cwd.substr(3) : std::wstring();
  return cwd.substr(0, 2) + L"\\";
}

}  // namespace

std::wstring FullWindowsPath(const wchar_t* path) {
  if (!path || !*path) return std::wstring();
  std::wstring p(path);
  if (p.size() >= 2 && IsSep(p[0]) && IsSep(p[1])) {
    // Network and device paths are not resolved; only the separators change.
    for (wchar_t& c : p)
      if (c == L'/') c = L'\\';
    return p;
  }
  if (p.size() >= 2 && p[1] == L':') {
    std::wstring drive = p.substr(0, 2);
    if (p.size() >= 3 && IsSep(p[2])) return JoinResolved(drive + L"\\", p.substr(3));
    // "C:name" is relative to the current folder when that is on the drive.
    std::wstring cwd = CurrentFolder(), cwdRest;
    if (ToUpper(cwd[0]) == ToUpper(p[0])) {
      std::wstring prefix = FromDrivePath(cwd, &cwdRest);
      return JoinResolved(prefix, cwdRest + L"\\" + p.substr(2));
    }
    return JoinResolved(drive + L"\\", p.substr(2));
  }
  if (IsSep(p[0])) {
    // A rooted path without a drive is a POSIX path: name the drive it lies on.
    std::string posix = PathToDisk(p.data(), p.size());
    std::wstring windows = KvWindowsPath(posix);
    if (IsSep(p.back()) && windows.size() > 3) windows.push_back(L'\\');
    return windows;
  }
  std::wstring cwdRest;
  std::wstring prefix = FromDrivePath(CurrentFolder(), &cwdRest);
  return JoinResolved(prefix, cwdRest + L"\\" + p);
}

std::wstring LastPathComponent(const std::wstring& path) {
  size_t cut = path.find_last_of(L"\\/:");
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

std::wstring StripExtension(const std::wstring& name) {
  size_t dot = name.rfind(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

}  // namespace kavro::platform

namespace {

// Throws the thread's last error; a failure that left no code still throws.
[[noreturn]] void ThrowLastError(const CString& fileName) {
  DWORD code = GetLastError();
  CFileException::ThrowOsError(static_cast<LONG>(code ? code : ERROR_GEN_FAILURE), fileName);
  throw new CFileException(CFileException::genericException, ERROR_GEN_FAILURE, fileName);
}

}  // namespace

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

CFile::CFile() : m_hFile(INVALID_HANDLE_VALUE), m_bCloseOnDelete(FALSE) {}

CFile::CFile(HANDLE file) : m_hFile(file), m_bCloseOnDelete(FALSE) {}

CFile::CFile(LPCWSTR fileName, UINT openFlags) : m_hFile(INVALID_HANDLE_VALUE), m_bCloseOnDelete(FALSE) {
  CFileException e;
  if (!CFile::Open(fileName, openFlags, &e))
    throw new CFileException(e.m_cause, e.m_lOsError, e.m_strFileName);
}

CFile::~CFile() {
  if (m_hFile != INVALID_HANDLE_VALUE && m_bCloseOnDelete) CFile::Abort();
}

BOOL CFile::Open(LPCWSTR fileName, UINT openFlags, CFileException* error) {
  // Opening over an open file would leak its handle.
  if (m_hFile != INVALID_HANDLE_VALUE && m_bCloseOnDelete) CFile::Abort();
  m_hFile = INVALID_HANDLE_VALUE;
  m_bCloseOnDelete = FALSE;
  m_strFileName.Empty();
  if (!fileName || !*fileName) {
    if (error) {
      error->m_cause = CFileException::badPath;
      error->m_lOsError = fileName ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER;
      error->m_strFileName = fileName;
    }
    SetLastError(fileName ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD access = 0;
  switch (openFlags & 3) {
    case modeRead: access = GENERIC_READ; break;
    case modeWrite: access = GENERIC_WRITE; break;
    default: access = GENERIC_READ | GENERIC_WRITE; break;
  }
  DWORD share = 0;
  switch (openFlags & 0x70) {
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: break;
  }
  DWORD creation = OPEN_EXISTING;
  if (openFlags & modeCreate) creation = (openFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  if (openFlags & osWriteThrough) flags |= FILE_FLAG_WRITE_THROUGH;
  if (openFlags & osSequentialScan) flags |= FILE_FLAG_SEQUENTIAL_SCAN;
  HANDLE h = CreateFileW(fileName, access, share, nullptr, creation, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    if (error) {
      error->m_lOsError = static_cast<LONG>(GetLastError());
      error->m_cause = CFileException::OsErrorToException(error->m_lOsError);
      error->m_strFileName = fileName;  // the name as given, not the full path
    }
    return FALSE;
  }
  m_strFileName = CString(kavro::platform::FullWindowsPath(fileName));
  m_hFile = h;
  m_bCloseOnDelete = TRUE;
  return TRUE;
}

void CFile::Close() {
  BOOL failed = FALSE;
  DWORD code = 0;
  if (m_hFile != INVALID_HANDLE_VALUE && m_bCloseOnDelete) {
    failed = !CloseHandle(m_hFile);
    code = GetLastError();
  }
  m_hFile = INVALID_HANDLE_VALUE;
  m_bCloseOnDelete = FALSE;
  CString name = m_strFileName;
  m_strFileName.Empty();
  if (failed) {
    SetLastError(code);
    ThrowLastError(name);
  }
}

void CFile::Abort() {
  if (m_hFile != INVALID_HANDLE_VALUE && m_bCloseOnDelete) CloseHandle(m_hFile);
  m_hFile = INVALID_HANDLE_VALUE;
  m_bCloseOnDelete = FALSE;
  m_strFileName.Empty();
}

UINT CFile::Read(void* buffer, UINT count) {
  if (count == 0) return 0;
  DWORD read = 0;
  if (!ReadFile(m_hFile, buffer, count, &read, nullptr)) ThrowLastError(m_strFileName);
  return read;
}

void CFile::Write(const void* buffer, UINT count) {
  if (count == 0) return;
  DWORD written = 0;
  if (!WriteFile(m_hFile, buffer, count, &written, nullptr)) ThrowLastError(m_strFileName);
  if (written != count) throw new CFileException(CFileException::diskFull, -1, m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
  LARGE_INTEGER distance, position;
  distance.QuadPart = offset;
  if (from > end) {
    SetLastError(ERROR_INVALID_PARAMETER);
    ThrowLastError(m_strFileName);
  }
  if (!SetFilePointerEx(m_hFile, distance, &position, from)) ThrowLastError(m_strFileName);
  return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetPosition() const {
  LARGE_INTEGER zero, position;
  zero.QuadPart = 0;
  if (!SetFilePointerEx(m_hFile, zero, &position, FILE_CURRENT)) ThrowLastError(m_strFileName);
  return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetLength() const {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(m_hFile, &size)) ThrowLastError(m_strFileName);
  return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::SetLength(ULONGLONG newLength) {
  Seek(static_cast<LONGLONG>(newLength), begin);
  if (!SetEndOfFile(m_hFile)) ThrowLastError(m_strFileName);
}

void CFile::Flush() {
  if (m_hFile == INVALID_HANDLE_VALUE) return;
  if (!FlushFileBuffers(m_hFile)) ThrowLastError(m_strFileName);
}

CString CFile::GetFileName() const {
  return CString(kavro::platform::LastPathComponent(m_strFileName.str()));
}

CString CFile::GetFilePath() const { return m_strFileName; }

CString CFile::GetFileTitle() const {
  return CString(kavro::platform::StripExtension(kavro::platform::LastPathComponent(m_strFileName.str())));
}

void CFile::SetFilePath(LPCWSTR path) { m_strFileName = path; }
