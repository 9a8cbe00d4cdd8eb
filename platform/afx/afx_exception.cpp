// The MFC exception classes: release, messages and the file exception's
// translation of Win32 and errno codes into causes.
#include "KavroStd/platform/afx_exception.h"

#include <cerrno>
#include <cwchar>
#include <string>

#include "KavroStd/platform/msgbox.h"
#include "platform/core/errors_internal.h"

namespace {

// Help context of the file exception's first cause, as MFC numbers it.
constexpr UINT kFileNoneHelpId = 0xF120;

// Copies text into the caller's buffer, cut to fit; FALSE when there is no
// room at all.
BOOL CopyMessage(const std::wstring& text, LPWSTR buffer, UINT maxLength) {
  if (!buffer || maxLength == 0) return FALSE;
  size_t n = text.size() < maxLength - 1 ? text.size() : maxLength - 1;
  wmemcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return TRUE;
}

BOOL SimpleMessage(const wchar_t* text, LPWSTR buffer, UINT maxLength, UINT* helpContext) {
  if (helpContext) *helpContext = 0;
  return CopyMessage(text, buffer, maxLength);
}

struct CauseRow {
  DWORD code;
  int cause;
};

// Win32 codes and the file exception cause MFC gives each; every other
// code is a generic exception.
constexpr CauseRow kOsCauses[] = {
    {ERROR_SUCCESS, CFileException::none},
    {ERROR_FILE_NOT_FOUND, CFileException::fileNotFound},
    {ERROR_PATH_NOT_FOUND, CFileException::badPath},
    {ERROR_TOO_MANY_OPEN_FILES, CFileException::tooManyOpenFiles},
    {ERROR_ACCESS_DENIED, CFileException::accessDenied},
    {ERROR_INVALID_HANDLE, CFileException::fileNotFound},
    {11 /* ERROR_BAD_FORMAT */, CFileException::invalidFile},
    {12 /* ERROR_INVALID_ACCESS */, CFileException::accessDenied},
    {ERROR_INVALID_DRIVE, CFileException::badPath},
    {ERROR_CURRENT_DIRECTORY, CFileException::removeCurrentDir},
    {ERROR_NOT_SAME_DEVICE, CFileException::badPath},
    {ERROR_NO_MORE_FILES, CFileException::fileNotFound},
    {ERROR_WRITE_PROTECT, CFileException::accessDenied},
    {20 /* ERROR_BAD_UNIT */, CFileException::hardIO},
    {ERROR_NOT_READY, CFileException::hardIO},
    {22 /* ERROR_BAD_COMMAND */, CFileException::hardIO},
    {23 /* ERROR_CRC */, CFileException::hardIO},
    {24 /* ERROR_BAD_LENGTH */, CFileException::badSeek},
    {ERROR_SEEK, CFileException::badSeek},
    {26 /* ERROR_NOT_DOS_DISK */, CFileException::invalidFile},
    {27 /* ERROR_SECTOR_NOT_FOUND */, CFileException::badSeek},
    {ERROR_WRITE_FAULT, CFileException::accessDenied},
    {ERROR_READ_FAULT, CFileException::badSeek},
    {ERROR_SHARING_VIOLATION, CFileException::sharingViolation},
    {ERROR_LOCK_VIOLATION, CFileException::lockViolation},
    {34 /* ERROR_WRONG_DISK */, CFileException::badPath},
    {36 /* ERROR_SHARING_BUFFER_EXCEEDED */, CFileException::tooManyOpenFiles},
    {ERROR_HANDLE_EOF, CFileException::endOfFile},
    {ERROR_HANDLE_DISK_FULL, CFileException::diskFull},
    {52 /* ERROR_DUP_NAME */, CFileException::badPath},
    {ERROR_BAD_NETPATH, CFileException::badPath},
    {54 /* ERROR_NETWORK_BUSY */, CFileException::accessDenied},
    {55 /* ERROR_DEV_NOT_EXIST */, CFileException::badPath},
    {57 /* ERROR_ADAP_HDW_ERR */, CFileException::hardIO},
    {58 /* ERROR_BAD_NET_RESP */, CFileException::accessDenied},
    {59 /* ERROR_UNEXP_NET_ERR */, CFileException::hardIO},
    {60 /* ERROR_BAD_REM_ADAP */, CFileException::invalidFile},
    {62 /* ERROR_NO_SPOOL_SPACE */, CFileException::directoryFull},
    {64 /* ERROR_NETNAME_DELETED */, CFileException::accessDenied},
    {65 /* ERROR_NETWORK_ACCESS_DENIED */, CFileException::accessDenied},
    {66 /* ERROR_BAD_DEV_TYPE */, CFileException::invalidFile},
    {67 /* ERROR_BAD_NET_NAME */, CFileException::badPath},
    {68 /* ERROR_TOO_MANY_NAMES */, CFileException::tooManyOpenFiles},
    {70 /* ERROR_SHARING_PAUSED */, CFileException::badPath},
    {71 /* ERROR_REQ_NOT_ACCEP */, CFileException::accessDenied},
    {ERROR_FILE_EXISTS, CFileException::accessDenied},
    {ERROR_CANNOT_MAKE, CFileException::accessDenied},
    {85 /* ERROR_ALREADY_ASSIGNED */, CFileException::badPath},
    {86 /* ERROR_INVALID_PASSWORD */, CFileException::accessDenied},
    {88 /* ERROR_NET_WRITE_FAULT */, CFileException::hardIO},
    {107 /* ERROR_DISK_CHANGE */, CFileException::fileNotFound},
    {108 /* ERROR_DRIVE_LOCKED */, CFileException::lockViolation},
    {ERROR_BUFFER_OVERFLOW, CFileException::badPath},
    {ERROR_DISK_FULL, CFileException::diskFull},
    {113 /* ERROR_NO_MORE_SEARCH_HANDLES */, CFileException::tooManyOpenFiles},
    {114 /* ERROR_INVALID_TARGET_HANDLE */, CFileException::invalidFile},
    {117 /* ERROR_INVALID_CATEGORY */, CFileException::hardIO},
    {ERROR_INVALID_NAME, CFileException::badPath},
    {124 /* ERROR_INVALID_LEVEL */, CFileException::badPath},
    {125 /* ERROR_NO_VOLUME_LABEL */, CFileException::badPath},
    {ERROR_NEGATIVE_SEEK, CFileException::badSeek},
    {132 /* ERROR_SEEK_ON_DEVICE */, CFileException::badSeek},
    {144 /* ERROR_DIR_NOT_ROOT */, CFileException::badPath},
    {ERROR_DIR_NOT_EMPTY, CFileException::removeCurrentDir},
    {154 /* ERROR_LABEL_TOO_LONG */, CFileException::badPath},
    {ERROR_BAD_PATHNAME, CFileException::badPath},
    {167 /* ERROR_LOCK_FAILED */, CFileException::lockViolation},
    {ERROR_BUSY, CFileException::accessDenied},
    {182 /* ERROR_INVALID_ORDINAL */, CFileException::invalidFile},
    {ERROR_ALREADY_EXISTS, CFileException::accessDenied},
    {191 /* ERROR_INVALID_EXE_SIGNATURE */, CFileException::invalidFile},
    {193 /* ERROR_BAD_EXE_FORMAT */, CFileException::invalidFile},
    {ERROR_FILENAME_EXCED_RANGE, CFileException::badPath},
    {208 /* ERROR_META_EXPANSION_TOO_LONG */, CFileException::badPath},
    {ERROR_DIRECTORY, CFileException::badPath},
    {ERROR_OPERATION_ABORTED, CFileException::hardIO},
    {996 /* ERROR_IO_INCOMPLETE */, CFileException::hardIO},
    {ERROR_IO_PENDING, CFileException::hardIO},
    {999 /* ERROR_SWAPERROR */, CFileException::accessDenied},
};

// MFC's message of each cause; %1 stands for the file name.
constexpr const wchar_t* kCauseTexts[] = {
    L"No error occurred.",
    L"An unknown error occurred while accessing %1.",
    L"%1 was not found.",
    L"%1 contains an invalid path.",
    L"%1 could not be opened because there are too many open files.",
    L"Access to %1 was denied.",
    L"An invalid file handle was associated with %1.",
    L"%1 could not be removed because it is the current directory.",
    L"%1 could not be created because the directory is full.",
    L"Seek failed on %1",
    L"A hardware I/O error was reported while accessing %1.",
    L"A sharing violation occurred while accessing %1.",
    L"A locking violation occurred while accessing %1.",
    L"Disk full while accessing %1.",
    L"An attempt was made to access %1 past its end.",
};

// The cause MFC gives a C runtime errno value.
int ErrnoToCause(int e) {
  switch (e) {
    case EPERM:
    case EACCES: return CFileException::accessDenied;
    case EBADF: return CFileException::invalidFile;
    case EDEADLK: return CFileException::sharingViolation;
    case EMFILE: return CFileException::tooManyOpenFiles;
    case ENOENT:
    case ENFILE: return CFileException::fileNotFound;
    case ENOSPC: return CFileException::diskFull;
    case EINVAL:
    case EIO: return CFileException::hardIO;
    default: return CFileException::genericException;
  }
}

}  // namespace

void AfxThrowInvalidArgException() { throw new CInvalidArgException(); }

void CException::Delete() {
  if (autoDelete_) delete this;
}

BOOL CException::GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext) const {
  if (helpContext) *helpContext = 0;
  if (buffer && maxLength) *buffer = 0;
  return FALSE;
}

int CException::ReportError(UINT type, UINT messageId) {
  (void)messageId;  // no string table: every report without a message says so
  wchar_t text[512];
  UINT helpContext = 0;
  if (GetErrorMessage(text, 512, &helpContext)) return AfxMessageBox(text, type, helpContext);
  return AfxMessageBox(L"No error message is available.", type, 0);
}

BOOL CMemoryException::GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext) const {
  return SimpleMessage(L"Out of memory.", buffer, maxLength, helpContext);
}

BOOL CInvalidArgException::GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext) const {
  return SimpleMessage(L"Encountered an improper argument.", buffer, maxLength, helpContext);
}

BOOL CNotSupportedException::GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext) const {
  return SimpleMessage(L"An unsupported operation was attempted.", buffer, maxLength, helpContext);
}

int CFileException::OsErrorToException(LONG osError) {
  for (const CauseRow& row : kOsCauses)
    if (row.code == static_cast<DWORD>(osError)) return row.cause;
  return genericException;
}

void CFileException::ThrowOsError(LONG osError, LPCWSTR fileName) {
  // As in MFC, a zero code is no error and throws nothing.
  if (osError != 0) throw new CFileException(OsErrorToException(osError), osError, fileName);
}

void CFileException::ThrowErrno(int errnoValue, LPCWSTR fileName) {
  if (errnoValue == 0) return;
  LONG osError = static_cast<LONG>(kavro::platform::Win32ErrorFromErrno(errnoValue));
  throw new CFileException(ErrnoToCause(errnoValue), osError, fileName);
}

BOOL CFileException::GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext) const {
  int cause = m_cause >= none && m_cause <= endOfFile ? m_cause : genericException;
  if (helpContext) *helpContext = kFileNoneHelpId + static_cast<UINT>(cause);
  std::wstring text;
  if (m_lOsError > 0) text = kavro::platform::SystemMessageText(static_cast<DWORD>(m_lOsError));
  if (text.empty()) {
    text = kCauseTexts[cause];
    std::wstring name = m_strFileName.IsEmpty() ? L"an unnamed file" : m_strFileName.GetString();
    size_t at = text.find(L"%1");
    if (at != std::wstring::npos) text.replace(at, 2, name);
  }
  return CopyMessage(text, buffer, maxLength);
}
