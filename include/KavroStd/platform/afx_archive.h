/// @file
/// @ingroup platform_layer
/// CArchive: MFC's binary archive over a CFile, storing or loading, and its
/// exception CArchiveException.
///
///   CMemFile mem;
///   {
///     CArchive ar(&mem, CArchive::store);
///     ar << (LONG)0 << (LONG)2 << 1.5 << 2.5;
///   }                               // the destructor flushes and closes
///   mem.SeekToBegin();
///   CArchive in(&mem, CArchive::load);
///   LONG version; in >> version;
///
/// Format: every number little-endian in its Windows width: BYTE, char and
/// bool 1 byte (bool as 0 or 1), WORD, short and wchar_t 2 (a wchar_t above
/// U+FFFF is stored as U+FFFD, since the unit is UTF-16), LONG/int and
/// DWORD/UINT 4, LONGLONG and ULONGLONG 8, float and double IEEE 4 and 8.
/// Counts (WriteCount/ReadCount) are a WORD, or 0xFFFF followed by a DWORD,
/// or 0xFFFF, 0xFFFFFFFF and a 64-bit count, as MFC writes them.
///
/// The archive buffers: a storing archive writes to the file on Flush, Close,
/// its destructor or when the buffer fills; a loading archive reads ahead and
/// on Flush or Close seeks the file back to the first byte it did not hand
/// out. Errors throw CArchiveException* (the catcher calls Delete()):
/// endOfFile when a number cannot be read whole, readOnly when storing into
/// a loading archive, writeOnly when loading from a storing one. Read and
/// Write move raw bytes; Read returns fewer bytes at the end instead of
/// throwing. File errors pass through as CFileException*. The archive does
/// not own the file.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <vector>

#include "KavroStd/platform/afx_file.h"

class KVSTD_API CArchiveException : public CException {
 public:
  enum {
    none,
    genericException,
    readOnly,
    endOfFile,
    writeOnly,
    badIndex,
    badClass,
    badSchema,
    bufferFull,
  };

  explicit CArchiveException(int cause = none, LPCWSTR archiveName = nullptr)
      : m_cause(cause), m_strFileName(archiveName) {}
  /// MFC's message of the cause with the archive's file name (or "an unnamed
  /// file").
  BOOL GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext = nullptr) const override;

  int m_cause;
  CString m_strFileName;
};

/// Throws a new CArchiveException with the cause and archive name.
[[noreturn]] KVSTD_API void AfxThrowArchiveException(int cause, LPCWSTR archiveName = nullptr);

class KVSTD_API CArchive {
 public:
  enum Mode { store = 0, load = 1, bNoFlushOnDelete = 2, bNoByteSwap = 4 };

  /// The archive reads from or writes to file (which must stay open while the
  /// archive is used). bufferSize below 128 is taken as 128; a caller's
  /// buffer is not used (the archive keeps its own).
  CArchive(CFile* file, UINT mode, int bufferSize = 4096, void* buffer = nullptr);
  /// Closes (so a storing archive flushes) unless made with bNoFlushOnDelete
  /// or already closed. Errors at that point are dropped: use Close() to see
  /// them.
  ~CArchive();
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  BOOL IsLoading() const { return (m_nMode & load) != 0; }
  BOOL IsStoring() const { return (m_nMode & load) == 0; }
  BOOL IsByteSwapping() const { return FALSE; }
  /// TRUE when a loading archive holds no bytes read ahead.
  BOOL IsBufferEmpty() const { return m_nBufPos == m_buffer.size(); }
  CFile* GetFile() const { return m_pFile; }

  /// Copies up to count bytes; the number copied (less at the end).
  UINT Read(void* buffer, UINT count);
  void Write(const void* buffer, UINT count);
  /// Storing: writes the buffer out and flushes the file. Loading: gives back
  /// the bytes read ahead by seeking the file back.
  void Flush();
  /// Flush, then detaches from the file (which stays open).
  void Close();
  /// Detaches from the file without flushing.
  void Abort();

  void WriteCount(DWORD_PTR count);
  DWORD_PTR ReadCount();

  CArchive& operator<<(BYTE value);
  CArchive& operator<<(char value);
  CArchive& operator<<(bool value);
  CArchive& operator<<(WORD value);
  CArchive& operator<<(short value);
  CArchive& operator<<(wchar_t value);
  CArchive& operator<<(LONG value);  ///< also int
  CArchive& operator<<(DWORD value);  ///< also UINT
  CArchive& operator<<(LONGLONG value);
  CArchive& operator<<(ULONGLONG value);
  CArchive& operator<<(float value);
  CArchive& operator<<(double value);

  CArchive& operator>>(BYTE& value);
  CArchive& operator>>(char& value);
  CArchive& operator>>(bool& value);
  CArchive& operator>>(WORD& value);
  CArchive& operator>>(short& value);
  CArchive& operator>>(wchar_t& value);
  CArchive& operator>>(LONG& value);
  CArchive& operator>>(DWORD& value);
  CArchive& operator>>(LONGLONG& value);
  CArchive& operator>>(ULONGLONG& value);
  CArchive& operator>>(float& value);
  CArchive& operator>>(double& value);

  CFile* m_pFile;
  CString m_strFileName;

 private:
  void WriteLittle(ULONGLONG value, UINT size);
  ULONGLONG ReadLittle(UINT size);
  void RequireStoring() const;
  void RequireLoading() const;
  /// Loading: reads more from the file into the buffer; false at its end.
  bool FillBuffer();
  void WriteBuffer();

  UINT m_nMode;
  std::vector<BYTE> m_buffer;  ///< storing: pending bytes; loading: bytes read ahead
  size_t m_nBufPos;            ///< loading: next byte to hand out
  size_t m_nBufSize;
};

/// The archive string form. A string is its length, then its characters: a
/// wide string is tagged (the byte FF and the WORD FFFE first) and holds
/// UTF-16LE units, an untagged one holds bytes in the ANSI code page. The
/// length is one byte below 255, else FF and a WORD below FFFE, else FF, FFFF
/// and a DWORD (then FFFFFFFF and a 64-bit length), as MFC writes it.
/// AfxReadStringLength reads either form and sets charSize to 2 (tagged) or 1.
KVSTD_API void AfxWriteStringLength(CArchive& ar, UINT_PTR length, BOOL unicode);
KVSTD_API UINT_PTR AfxReadStringLength(CArchive& ar, int& charSize);
/// A CString is written tagged (characters above U+FFFF as surrogate pairs)
/// and read from either form (pairs joined, ANSI bytes converted). A CStringA
/// is written untagged; a tagged one read into it is converted to the ANSI
/// code page. A length beyond the archive's end throws
/// CArchiveException::endOfFile; the text is read in bounded pieces, so a
/// hostile length costs no more memory than the archive really holds.
KVSTD_API CArchive& operator<<(CArchive& ar, const CString& text);
KVSTD_API CArchive& operator>>(CArchive& ar, CString& text);
KVSTD_API CArchive& operator<<(CArchive& ar, const CStringA& text);
KVSTD_API CArchive& operator>>(CArchive& ar, CStringA& text);
