/// @file
/// @ingroup platform_layer
/// CMemFile: a CFile over a block of memory, growable or fixed.
///
///   CMemFile grow;                     // grows in steps of 1024 bytes
///   grow.Write("abc", 3);
///   ULONGLONG n = grow.GetLength();    // 3
///   BYTE* bytes = grow.Detach();       // the caller now owns it: free()
///
/// A memory file made or attached with a grow step of 0 is fixed: it holds
/// the caller's buffer, its length is the buffer's size, and a write beyond
/// it throws CMemoryException*. With a grow step, the block is reallocated
/// as needed; an attached buffer then starts empty (as in MFC), and once a
/// write outgrows it the content moves to a block of the file's own, the
/// caller's buffer left as it is. Blocks the file allocates itself are freed
/// when it closes; an attached buffer is the caller's and is never freed. Bytes between the old end and a write made after seeking
/// beyond it read as zero. A negative seek throws CFileException*
/// (badSeek). Sizes are limited to 4 GiB - 1 as in MFC; beyond that a write
/// throws CMemoryException*.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/afx_file.h"

class KVSTD_API CMemFile : public CFile {
 public:
  explicit CMemFile(UINT growBytes = 1024);
  CMemFile(BYTE* buffer, UINT bufferSize, UINT growBytes = 0);
  ~CMemFile() override;

  /// Closes the current block (freeing it if the file allocated it) and
  /// takes the caller's buffer.
  void Attach(BYTE* buffer, UINT bufferSize, UINT growBytes = 0);
  /// Hands the block to the caller (to be released with free() when the file
  /// allocated it) and leaves the file empty. Null when there is no block.
  BYTE* Detach();

  UINT Read(void* buffer, UINT count) override;
  void Write(const void* buffer, UINT count) override;
  ULONGLONG Seek(LONGLONG offset, UINT from) override;
  ULONGLONG GetPosition() const override;
  ULONGLONG GetLength() const override;
  void SetLength(ULONGLONG newLength) override;
  void Flush() override;
  void Close() override;
  void Abort() override;
  /// A memory file opens no file: FALSE with ERROR_NOT_SUPPORTED.
  BOOL Open(LPCWSTR fileName, UINT openFlags, CFileException* error = nullptr) override;

 protected:
  /// Makes the block at least newSize bytes; throws CMemoryException* when
  /// it cannot.
  void GrowFile(SIZE_T newSize);
  void FreeBlock();

  UINT m_nGrowBytes;
  SIZE_T m_nPosition;
  SIZE_T m_nBufferSize;
  SIZE_T m_nFileSize;
  BYTE* m_lpBuffer;
  BOOL m_bAutoDelete;
};
