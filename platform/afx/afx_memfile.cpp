// CMemFile: a CFile over a growable or fixed block of memory.
#include "KavroStd/platform/afx_memfile.h"

#include <cstdlib>
#include <cstring>

namespace {

// MFC keeps memory-file sizes in a UINT.
constexpr SIZE_T kLargestFile = 0xFFFFFFFFu;

}  // namespace

CMemFile::CMemFile(UINT growBytes)
    : m_nGrowBytes(growBytes), m_nPosition(0), m_nBufferSize(0), m_nFileSize(0), m_lpBuffer(nullptr),
      m_bAutoDelete(TRUE) {}

CMemFile::CMemFile(BYTE* buffer, UINT bufferSize, UINT growBytes)
    : m_nGrowBytes(0), m_nPosition(0), m_nBufferSize(0), m_nFileSize(0), m_lpBuffer(nullptr),
      m_bAutoDelete(TRUE) {
  Attach(buffer, bufferSize, growBytes);
}

CMemFile::~CMemFile() { FreeBlock(); }

void CMemFile::FreeBlock() {
  if (m_lpBuffer && m_bAutoDelete) std::free(m_lpBuffer);
  m_lpBuffer = nullptr;
  m_nBufferSize = 0;
  m_nFileSize = 0;
  m_nPosition = 0;
  m_bAutoDelete = TRUE;
}

void CMemFile::Attach(BYTE* buffer, UINT bufferSize, UINT growBytes) {
  FreeBlock();
  m_lpBuffer = buffer;
  m_nBufferSize = buffer ? bufferSize : 0;
  m_nFileSize = growBytes == 0 ? m_nBufferSize : 0;
  m_nGrowBytes = growBytes;
  m_bAutoDelete = FALSE;
}

BYTE* CMemFile::Detach() {
  BYTE* block = m_lpBuffer;
  m_lpBuffer = nullptr;
  FreeBlock();
  return block;
}

void CMemFile::GrowFile(SIZE_T newSize) {
  if (newSize <= m_nBufferSize) return;
  if (m_nGrowBytes == 0 || newSize > kLargestFile) throw new CMemoryException;
  // Round up to the grow step, within the size limit.
  SIZE_T step = m_nGrowBytes;
  SIZE_T size = newSize + (step - newSize % step) % step;
  if (size > kLargestFile) size = kLargestFile;
  BYTE* block;
  if (m_bAutoDelete) {
    block = static_cast<BYTE*>(std::realloc(m_lpBuffer, size));
    if (!block) throw new CMemoryException;
  } else {
    // The caller's buffer stays the caller's: move the content into a block
    // of our own.
    block = static_cast<BYTE*>(std::malloc(size));
    if (!block) throw new CMemoryException;
    if (m_lpBuffer && m_nFileSize) std::memcpy(block, m_lpBuffer, m_nFileSize);
    m_bAutoDelete = TRUE;
  }
  m_lpBuffer = block;
  m_nBufferSize = size;
}

UINT CMemFile::Read(void* buffer, UINT count) {
  if (count == 0 || m_nPosition >= m_nFileSize) return 0;
  if (!buffer) throw new CInvalidArgException;
  SIZE_T n = m_nFileSize - m_nPosition;
  if (n > count) n = count;
  std::memcpy(buffer, m_lpBuffer + m_nPosition, n);
  m_nPosition += n;
  return static_cast<UINT>(n);
}

void CMemFile::Write(const void* buffer, UINT count) {
  if (count == 0) return;
  if (!buffer) throw new CInvalidArgException;
  SIZE_T end = m_nPosition + count;
  if (end < m_nPosition || end > kLargestFile) throw new CMemoryException;
  GrowFile(end);
  // A gap left by a seek beyond the end reads as zero.
  if (m_nPosition > m_nFileSize) std::memset(m_lpBuffer + m_nFileSize, 0, m_nPosition - m_nFileSize);
  std::memcpy(m_lpBuffer + m_nPosition, buffer, count);
  m_nPosition = end;
  if (m_nPosition > m_nFileSize) m_nFileSize = m_nPosition;
}

ULONGLONG CMemFile::Seek(LONGLONG offset, UINT from) {
  LONGLONG base;
  switch (from) {
    case begin: base = 0; break;
    case current: base = static_cast<LONGLONG>(m_nPosition); break;
    case end: base = static_cast<LONGLONG>(m_nFileSize); break;
    default: throw new CInvalidArgException;
  }
  if ((offset < 0 && base + offset < 0) || (offset > 0 && offset > static_cast<LONGLONG>(kLargestFile) - base))
    throw new CFileException(CFileException::badSeek, -1, m_strFileName);
  m_nPosition = static_cast<SIZE_T>(base + offset);
  return m_nPosition;
}

ULONGLONG CMemFile::GetPosition() const { return m_nPosition; }

ULONGLONG CMemFile::GetLength() const { return m_nFileSize; }

void CMemFile::SetLength(ULONGLONG newLength) {
  if (newLength > kLargestFile) throw new CMemoryException;
  SIZE_T length = static_cast<SIZE_T>(newLength);
  GrowFile(length);
  if (length > m_nFileSize) std::memset(m_lpBuffer + m_nFileSize, 0, length - m_nFileSize);
  if (m_nPosition > length) m_nPosition = length;
  m_nFileSize = length;
}

void CMemFile::Flush() {}

void CMemFile::Close() { FreeBlock(); }

void CMemFile::Abort() { FreeBlock(); }

BOOL CMemFile::Open(LPCWSTR fileName, UINT openFlags, CFileException* error) {
  (void)fileName;
  (void)openFlags;
  // A memory file has no file to open.
  if (error) {
    error->m_cause = CFileException::genericException;
    error->m_lOsError = ERROR_NOT_SUPPORTED;
  }
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}
