// CAutoUpdater: a short text or a file fetched over HTTP, an executable's
// version read and compared, and a downloaded executable swapped in with a
// backup.
#include "KavroStd/process.h"

#include <algorithm>
#include <vector>

namespace {

constexpr wchar_t kAgentName[] = L"AutoUpdateAgent";
constexpr wchar_t kBackupName[] = L"OldExecutable.bak";
constexpr DWORD kCanonicalLength = 1024;
constexpr DWORD kOpenFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_RESYNCHRONIZE | INTERNET_FLAG_HYPERLINK | INTERNET_FLAG_NEED_FILE;
constexpr DWORD kTextLimit = 4095;  // bytes of a fetched text
constexpr DWORD kCopyChunk = 4096;  // bytes of each read of a download

// Splits a version at runs of dots into at most four digit-only parts,
// leading zeros dropped (so parts of any length compare by value); false
// for no parts, more than four or a part with another character.
bool SplitVersion(const CString& version, std::vector<CString>& parts) {
  parts.clear();
  const int length = version.GetLength();
  for (int i = 0; i < length;) {
    if (version[i] == L'.') {
      ++i;
      continue;
    }
    int end = i;
    while (end < length && version[end] != L'.') ++end;
    CString part = version.Mid(i, end - i);
    for (int k = 0; k < part.GetLength(); ++k)
      if (part[k] < L'0' || part[k] > L'9') return false;
    part.TrimLeft(L'0');
    parts.push_back(part);
    if (parts.size() > 4) return false;
    i = end;
  }
  while (!parts.empty() && parts.size() < 4) parts.push_back(CString());
  return !parts.empty();
}

// Compares two digit strings without leading zeros by value.
int CompareNumbers(const CString& a, const CString& b) {
  if (a.GetLength() != b.GetLength()) return a.GetLength() > b.GetLength() ? 1 : -1;
  int order = a.Compare(b);
  return order > 0 ? 1 : order < 0 ? -1 : 0;
}

}  // namespace

CAutoUpdater::CAutoUpdater() {
  HINTERNET session = InternetOpenW(kAgentName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (session) session_ = std::shared_ptr<void>(session, [](void* handle) { InternetCloseHandle(handle); });
}

CAutoUpdater::CAutoUpdater(const CAutoUpdater&) = default;
CAutoUpdater& CAutoUpdater::operator=(const CAutoUpdater&) = default;
CAutoUpdater::~CAutoUpdater() = default;

bool CAutoUpdater::InternetOkay() {
  if (!session_) return false;
  DWORD flags = 0;
  return InternetGetConnectedState(&flags, 0) != FALSE;
}

HINTERNET CAutoUpdater::GetSession(CString& url) {
  wchar_t canonical[kCanonicalLength];
  DWORD length = kCanonicalLength;
  if (!InternetCanonicalizeUrlW(url, canonical, &length, ICU_BROWSER_MODE)) return nullptr;
  url = canonical;
  return InternetOpenUrlW(static_cast<HINTERNET>(session_.get()), canonical, nullptr, 0, kOpenFlags, 0);
}

bool CAutoUpdater::DownloadConfig(HINTERNET request, BYTE* buffer, DWORD size) {
  DWORD got = 0;
  return InternetReadFile(request, buffer, size, &got) && got > 0;
}

bool CAutoUpdater::DownloadFile(HINTERNET request, const wchar_t* localFile) {
  HANDLE file = CreateFileW(localFile, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BYTE buffer[kCopyChunk];
  bool complete = false;
  while (true) {
    DWORD got = 0;
    if (!InternetReadFile(request, buffer, kCopyChunk, &got)) break;
    if (got == 0) {
      complete = true;
      break;
    }
    DWORD written = 0;
    if (!WriteFile(file, buffer, got, &written, nullptr) || written != got) break;
  }
  DWORD error = GetLastError();
  if (!CloseHandle(file)) complete = false;
  SetLastError(error);
  return complete;
}

CString CAutoUpdater::GetFileVersion(const wchar_t* file) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(file, &handle);
  if (size == 0) return CString();
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(file, handle, size, block.data())) return CString();
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<LPVOID*>(&info), &length) || !info ||
      length < sizeof(VS_FIXEDFILEINFO))
    return CString();
  CString version;
  if (info->dwFileVersionLS != 0) {
    version.Format(L"%d.%d.%d.%d", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                   HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
  } else if (info->dwFileVersionMS != 0) {
    version.Format(L"%d.%d", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS));
  }
  return version;
}

bool CAutoUpdater::IsDigits(CString text) {
  for (int i = 0; i < text.GetLength(); ++i)
    if (text[i] < L'0' || text[i] > L'9') return false;
  return true;
}

CString CAutoUpdater::GetExecutable() {
  wchar_t path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? CString(path, static_cast<int>(length)) : CString();
}

int CAutoUpdater::CompareVersions(CString first, CString second) {
  std::vector<CString> a, b;
  if (!SplitVersion(first, a)) return -21;
  if (!SplitVersion(second, b)) return -22;
  for (size_t i = 0; i < 4; ++i)
    if (int order = CompareNumbers(a[i], b[i]); order != 0) return order;
  return 0;
}

CAutoUpdater::ErrorType CAutoUpdater::CheckForUpdate(const wchar_t* url, CString& text) {
  if (!InternetOkay()) return UpdateNoInternet;
  CString address = url ? url : L"";
  HINTERNET request = GetSession(address);
  if (!request) return UpdateOpenUrlFailed;
  BYTE buffer[kTextLimit + 1] = {};
  const bool got = DownloadConfig(request, buffer, kTextLimit);
  InternetCloseHandle(request);
  if (!got) return UpdateNoData;
  CString fetched(reinterpret_cast<const char*>(buffer));  // up to the first NUL, in the ANSI code page
  fetched.Trim();  // blanks, tabs and line ends at both ends
  text = fetched;
  return UpdateCheckOk;
}

bool CAutoUpdater::Switch(CString executable, CString update, bool atReboot) {
  // The executable's folder: a Windows path ends its folder at '\', a POSIX
  // path a caller may give at '/'.
  const int slash = std::max(executable.ReverseFind(L'\\'), executable.ReverseFind(L'/'));
  CString backup = slash >= 0 ? executable.Left(slash + 1) : CString(L"\\");
  backup += kBackupName;
  const DWORD flags = atReboot ? MOVEFILE_DELAY_UNTIL_REBOOT : MOVEFILE_COPY_ALLOWED;
  // With the moves put off to the next start, nothing is registered for an
  // update that is not there: the executable would be moved away for good.
  if (atReboot && GetFileAttributesW(update) == INVALID_FILE_ATTRIBUTES) return false;
  DeleteFileW(backup);
  if (!MoveFileExW(executable, backup, flags)) return false;
  if (MoveFileExW(update, executable, flags)) return true;
  // A failed swap never leaves the product without its executable.
  const DWORD error = GetLastError();
  if (!atReboot) MoveFileExW(backup, executable, MOVEFILE_COPY_ALLOWED);
  SetLastError(error);
  return false;
}

CString CAutoUpdater::GetHttpText(CString url) {
  CString text;
  CAutoUpdater updater;
  if (updater.CheckForUpdate(url, text) != UpdateCheckOk) text.Empty();
  return text;
}
