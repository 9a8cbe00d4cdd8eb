// The MFC exception classes: causes of Win32 and errno codes, messages and
// release.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "KavroStd/platform/afx_exception.h"
#include "KavroStd/platform/msgbox.h"
#include "KavroStd/platform/win_errors.h"

namespace {

TEST(FileExceptionTest, OsErrorsMapToMfcCauses) {
  struct Row {
    LONG code;
    int cause;
  } rows[] = {
      {ERROR_SUCCESS, CFileException::none},
      {ERROR_FILE_NOT_FOUND, CFileException::fileNotFound},
      {ERROR_PATH_NOT_FOUND, CFileException::badPath},
      {ERROR_TOO_MANY_OPEN_FILES, CFileException::tooManyOpenFiles},
      {ERROR_ACCESS_DENIED, CFileException::accessDenied},
      {ERROR_INVALID_HANDLE, CFileException::fileNotFound},
      {ERROR_INVALID_DRIVE, CFileException::badPath},
      {ERROR_CURRENT_DIRECTORY, CFileException::removeCurrentDir},
      {ERROR_WRITE_PROTECT, CFileException::accessDenied},
      {ERROR_SEEK, CFileException::badSeek},
      {ERROR_SHARING_VIOLATION, CFileException::sharingViolation},
      {ERROR_LOCK_VIOLATION, CFileException::lockViolation},
      {ERROR_HANDLE_EOF, CFileException::endOfFile},
      {ERROR_HANDLE_DISK_FULL, CFileException::diskFull},
      {ERROR_DISK_FULL, CFileException::diskFull},
      {ERROR_BAD_NETPATH, CFileException::badPath},
      {ERROR_FILE_EXISTS, CFileException::accessDenied},
      {ERROR_ALREADY_EXISTS, CFileException::accessDenied},
      {ERROR_INVALID_NAME, CFileException::badPath},
      {ERROR_NEGATIVE_SEEK, CFileException::badSeek},
      {ERROR_DIR_NOT_EMPTY, CFileException::removeCurrentDir},
      {ERROR_FILENAME_EXCED_RANGE, CFileException::badPath},
      {ERROR_DIRECTORY, CFileException::badPath},
      {ERROR_INVALID_PARAMETER, CFileException::genericException},
      {ERROR_NOT_ENOUGH_MEMORY, CFileException::genericException},
      {-1, CFileException::genericException},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "code " << r.code);
    EXPECT_EQ(r.cause, CFileException::OsErrorToException(r.code));
  }
}

TEST(FileExceptionTest, ThrowOsErrorAndThrowErrnoCarryCauseCodeAndName) {
  struct Row {
    const char* name;
    void (*thrower)();
    int cause;
    LONG osError;
  } rows[] = {
      {"ThrowOsError(5)", [] { CFileException::ThrowOsError(ERROR_ACCESS_DENIED, L"C:\\a.txt"); },
       CFileException::accessDenied, ERROR_ACCESS_DENIED},
      {"ThrowErrno(ENOENT)", [] { CFileException::ThrowErrno(ENOENT, L"C:\\a.txt"); }, CFileException::fileNotFound,
       ERROR_FILE_NOT_FOUND},
      {"ThrowErrno(ENOSPC)", [] { CFileException::ThrowErrno(ENOSPC, L"C:\\a.txt"); }, CFileException::diskFull,
       ERROR_DISK_FULL},
      {"ThrowErrno(EACCES)", [] { CFileException::ThrowErrno(EACCES, L"C:\\a.txt"); },
       CFileException::accessDenied, ERROR_ACCESS_DENIED},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    bool caught = false;
    try {
      r.thrower();
    } catch (CFileException* e) {
      caught = true;
      EXPECT_EQ(r.cause, e->m_cause);
      EXPECT_EQ(r.osError, e->m_lOsError);
      EXPECT_STREQ(L"C:\\a.txt", e->m_strFileName.GetString());
      e->Delete();
    }
    EXPECT_TRUE(caught);
  }
  // A zero code is no error: nothing is thrown.
  EXPECT_NO_THROW(CFileException::ThrowOsError(0));
  EXPECT_NO_THROW(CFileException::ThrowErrno(0));
}

std::wstring Message(const CException& e, UINT size = 512, UINT* help = nullptr) {
  std::wstring buffer(size, L'#');
  if (!e.GetErrorMessage(buffer.data(), size, help)) return L"<none>";
  return buffer.c_str();
}

TEST(FileExceptionTest, MessagesUseTheSystemTextOrTheCauseText) {
  struct Row {
    const char* name;
    CFileException e;
    const wchar_t* want;
  } rows[] = {
      {"os error", CFileException(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND, L"a.txt"),
       L"The system cannot find the file specified."},
      {"access", CFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED, L"a.txt"), L"Access is denied."},
      {"cause with name", CFileException(CFileException::diskFull, -1, L"C:\\out.dat"),
       L"Disk full while accessing C:\\out.dat."},
      {"cause, no name", CFileException(CFileException::fileNotFound), L"an unnamed file was not found."},
      {"code without text", CFileException(CFileException::badSeek, 424242, L"f"), L"Seek failed on f"},
      {"none", CFileException(), L"No error occurred."},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(std::wstring(r.want), Message(r.e));
  }
  UINT help = 0;
  CFileException e(CFileException::diskFull, -1, L"x");
  Message(e, 512, &help);
  EXPECT_EQ(0xF120u + CFileException::diskFull, help);
  // A short buffer gets the start of the text, terminated.
  EXPECT_EQ(L"Disk", Message(e, 5));
  EXPECT_EQ(L"<none>", Message(e, 0));
}

TEST(ExceptionTest, SimpleExceptionsHaveMfcTexts) {
  CMemoryException memory;
  CInvalidArgException invalid;
  CNotSupportedException unsupported;
  EXPECT_EQ(L"Out of memory.", Message(memory));
  EXPECT_EQ(L"Encountered an improper argument.", Message(invalid));
  EXPECT_EQ(L"An unsupported operation was attempted.", Message(unsupported));
  CException plain;
  wchar_t buffer[4] = L"abc";
  EXPECT_FALSE(plain.GetErrorMessage(buffer, 4));
  EXPECT_EQ(L'\0', buffer[0]);
}

TEST(ExceptionTest, DeleteReleasesHeapExceptionsOnly) {
  // Under the address sanitizer a wrong delete here would be reported.
  CException* heap = new CFileException(CFileException::hardIO);
  heap->Delete();
  CException* keep = new CMemoryException();
  keep->Delete();
  CException manual(FALSE);
  manual.Delete();  // autoDelete FALSE: nothing happens
  SUCCEED();
}

TEST(ExceptionTest, ReportErrorShowsTheMessageInAMessageBox) {
  struct Seen {
    std::wstring text;
    UINT type = 0;
  } seen;
  auto handler = [](LPCWSTR text, LPCWSTR, UINT type, void* context) {
    auto* s = static_cast<Seen*>(context);
    s->text = text;
    s->type = type;
    return IDOK;
  };
  void* oldContext = nullptr;
  KvMessageBoxHandler old = KvGetMessageBoxHandler(&oldContext);
  KvSetMessageBoxHandler(handler, &seen);
  CFileException e(CFileException::accessDenied, ERROR_ACCESS_DENIED, L"C:\\a.txt");
  EXPECT_EQ(IDOK, e.ReportError(MB_OK));
  EXPECT_EQ(L"Access is denied.", seen.text);
  CException plain;
  plain.ReportError(MB_OKCANCEL);
  EXPECT_EQ(L"No error message is available.", seen.text);
  EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL), seen.type);
  KvSetMessageBoxHandler(old, oldContext);
}

}  // namespace
