/// @file
/// @ingroup platform_layer
/// CFile (binary file over a Win32 file handle) and CStdioFile (a text file).
///
/// CStdioFile in text mode behaves as the Windows runtime's text mode: CR LF
/// is read as LF, LF is written as CR LF, and the bytes are converted with the
/// ANSI code page (see codepage.h). With typeBinary nothing is translated.
/// Errors throw CFileException* (the catcher calls Delete()); Open reports
/// them through its optional exception record instead.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <string>

#include "KavroStd/platform/afx_exception.h"
#include "KavroStd/platform/handleapi.h"

class KVSTD_API CFile : public CObject {
 public:
  enum OpenFlags {
    modeRead = 0x00000,
    modeWrite = 0x00001,
    modeReadWrite = 0x00002,
    shareCompat = 0x00000,
    shareExclusive = 0x00010,
    shareDenyWrite = 0x00020,
    shareDenyRead = 0x00030,
    shareDenyNone = 0x00040,
    modeNoInherit = 0x00080,
    typeUnicode = 0x00400,
    modeCreate = 0x01000,
    modeNoTruncate = 0x02000,
    typeText = 0x04000,
    typeBinary = 0x08000,
    osNoBuffer = 0x10000,
    osWriteThrough = 0x20000,
    osRandomAccess = 0x40000,
    osSequentialScan = 0x80000,
  };
  enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };
  static const HANDLE hFileNull;

  CFile();
  explicit CFile(HANDLE file);
  /// Opens or throws CFileException*.
  CFile(LPCWSTR fileName, UINT openFlags);
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  ~CFile() override;

  /// FALSE on failure, with the cause in *error when given.
  virtual BOOL Open(LPCWSTR fileName, UINT openFlags, CFileException* error = nullptr);
  virtual void Close();
  /// Closes without throwing.
  virtual void Abort();
  virtual UINT Read(void* buffer, UINT count);
  virtual void Write(const void* buffer, UINT count);
  virtual ULONGLONG Seek(LONGLONG offset, UINT from);
  void SeekToBegin() { Seek(0, begin); }
  ULONGLONG SeekToEnd() { return Seek(0, end); }
  virtual ULONGLONG GetPosition() const;
  virtual ULONGLONG GetLength() const;
  virtual void SetLength(ULONGLONG newLength);
  virtual void Flush();
  virtual CString GetFileName() const;
  virtual CString GetFilePath() const;
  virtual CString GetFileTitle() const;
  virtual void SetFilePath(LPCWSTR path);
  operator HANDLE() const { return m_hFile; }

  HANDLE m_hFile;

 protected:
  CString m_strFileName;
  BOOL m_bCloseOnDelete;
};

class KVSTD_API CStdioFile : public CFile {
 public:
  CStdioFile();
  CStdioFile(LPCWSTR fileName, UINT openFlags);
  ~CStdioFile() override;

  BOOL Open(LPCWSTR fileName, UINT openFlags, CFileException* error = nullptr) override;
  void Close() override;
  void Abort() override;
  UINT Read(void* buffer, UINT count) override;
  void Write(const void* buffer, UINT count) override;
  ULONGLONG Seek(LONGLONG offset, UINT from) override;
  ULONGLONG GetPosition() const override;
  ULONGLONG GetLength() const override;
  void SetLength(ULONGLONG newLength) override;
  void Flush() override;

  /// Writes the text, converted; in text mode each LF becomes CR LF.
  virtual void WriteString(LPCWSTR text);
  /// Reads the next line without its line end; FALSE at the end of the file
  /// when nothing was read.
  virtual BOOL ReadString(CString& line);
  /// Reads at most maxCount - 1 units of the next line, keeping its LF; null
  /// at the end of the file.
  virtual LPWSTR ReadString(LPWSTR buffer, UINT maxCount);

 protected:
  BOOL IsTextMode() const { return m_bTextMode; }
  /// Raw bytes of the next line, LF included when present; false at the end.
  bool ReadRawLine(std::string& bytes);
  /// Writes the bytes as they are, in text mode too (no LF to CR LF), through
  /// the write buffer.
  void WriteRaw(const void* bytes, size_t count);
  /// Appends to the write buffer (translating LF when asked) and writes it
  /// out when it is full; large untranslated blocks go straight to the file.
  void WriteBytes(const char* bytes, size_t count, bool translate);
  void FlushWriteBuffer();
  void DropReadBuffer();
  void FillReadBuffer();

  BOOL m_bTextMode;
  std::string m_readBuffer;
  size_t m_readPos;
  std::string m_writeBuffer;
};
