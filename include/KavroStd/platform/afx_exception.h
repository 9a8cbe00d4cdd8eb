/// @file
/// @ingroup platform_layer
/// The MFC exception classes. They are thrown as heap objects (throw new
/// CFileException(...)) and the catcher releases them with Delete(), so code
/// written for MFC catches them unchanged.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/collections.h"

class KVSTD_API CException : public CObject {
 public:
  explicit CException(BOOL autoDelete = TRUE) : autoDelete_(autoDelete) {}
  /// Releases a heap exception; does nothing for one made with autoDelete
  /// FALSE.
  void Delete();
  /// Copies the message into buffer (cut to maxLength - 1 units); FALSE when
  /// there is no message.
  virtual BOOL GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext = nullptr) const;
  virtual int ReportError(UINT type = 0, UINT messageId = 0);

 private:
  BOOL autoDelete_;
};

class KVSTD_API CMemoryException : public CException {
 public:
  BOOL GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext = nullptr) const override;
};

class KVSTD_API CInvalidArgException : public CException {
 public:
  BOOL GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext = nullptr) const override;
};

class KVSTD_API CNotSupportedException : public CException {
 public:
  BOOL GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext = nullptr) const override;
};

class KVSTD_API CFileException : public CException {
 public:
  enum {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };

  explicit CFileException(int cause = none, LONG osError = -1, LPCWSTR fileName = nullptr)
      : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}

  /// The cause that a Win32 error code stands for.
  static int OsErrorToException(LONG osError);
  static void ThrowOsError(LONG osError, LPCWSTR fileName = nullptr);
  static void ThrowErrno(int errnoValue, LPCWSTR fileName = nullptr);
  /// The Windows message of the OS error (or of the cause), with the file
  /// name where the message has a place for it.
  BOOL GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext = nullptr) const override;

  int m_cause;
  LONG m_lOsError;
  CString m_strFileName;
};
