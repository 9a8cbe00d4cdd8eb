// CArchive over a CFile: buffered little-endian numbers, counts and raw
// bytes; CArchiveException with MFC's causes and messages.
#include "KavroStd/platform/afx_archive.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr size_t kSmallestBuffer = 128;

// MFC's message of each cause; %1 stands for the archive's file name.
constexpr const wchar_t* kCauseTexts[] = {
    L"An unknown error occurred while accessing %1.",
    L"An unknown error occurred while accessing %1.",
    L"An attempt was made to write to %1 while it was being read.",
    L"An attempt was made to access %1 past its end.",
    L"An attempt was made to read from %1 while it was being written.",
    L"%1 has a bad format.",
    L"%1 contained an unexpected object.",
    L"%1 contains an incorrect schema.",
    L"An attempt was made to access %1 past its end.",
};

}  // namespace

BOOL CArchiveException::GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext) const {
  if (helpContext) *helpContext = 0;
  if (!buffer || maxLength == 0) return FALSE;
  int cause = m_cause >= 0 && m_cause <= bufferFull ? m_cause : genericException;
  std::wstring text = kCauseTexts[cause];
  std::wstring name = m_strFileName.IsEmpty() ? L"an unnamed file" : m_strFileName.GetString();
  size_t at = text.find(L"%1");
  if (at != std::wstring::npos) text.replace(at, 2, name);
  size_t n = std::min<size_t>(text.size(), maxLength - 1);
  wmemcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return TRUE;
}

void AfxThrowArchiveException(int cause, LPCWSTR archiveName) {
  throw new CArchiveException(cause, archiveName);
}

CArchive::CArchive(CFile* file, UINT mode, int bufferSize, void* buffer)
    : m_pFile(file),
      m_nMode(mode),
      m_nBufPos(0),
      m_nBufSize(bufferSize > static_cast<int>(kSmallestBuffer) ? static_cast<size_t>(bufferSize)
                                                                 : kSmallestBuffer) {
  (void)buffer;
  if (m_pFile) m_strFileName = m_pFile->GetFilePath();
  m_buffer.reserve(m_nBufSize);
}

CArchive::~CArchive() {
  if (m_pFile && !(m_nMode & bNoFlushOnDelete)) {
    try {
      Close();
    } catch (CException* e) {
      e->Delete();
    }
  }
  Abort();
}

void CArchive::RequireStoring() const {
  if (!m_pFile) AfxThrowArchiveException(CArchiveException::genericException, m_strFileName);
  if (IsLoading()) AfxThrowArchiveException(CArchiveException::readOnly, m_strFileName);
}

void CArchive::RequireLoading() const {
  if (!m_pFile) AfxThrowArchiveException(CArchiveException::genericException, m_strFileName);
  if (IsStoring()) AfxThrowArchiveException(CArchiveException::writeOnly, m_strFileName);
}

void CArchive::WriteBuffer() {
  if (m_buffer.empty()) return;
  // The bytes leave the buffer before the write, so a failed write is not
  // repeated by the destructor.
  std::vector<BYTE> pending;
  pending.swap(m_buffer);
  m_buffer.reserve(m_nBufSize);
  m_pFile->Write(pending.data(), static_cast<UINT>(pending.size()));
}

bool CArchive::FillBuffer() {
  m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_nBufPos));
  m_nBufPos = 0;
  size_t have = m_buffer.size();
  m_buffer.resize(have + m_nBufSize);
  UINT got = m_pFile->Read(m_buffer.data() + have, static_cast<UINT>(m_nBufSize));
  m_buffer.resize(have + got);
  return got > 0;
}

UINT CArchive::Read(void* buffer, UINT count) {
  RequireLoading();
  if (count == 0) return 0;
  if (!buffer) AfxThrowArchiveException(CArchiveException::genericException, m_strFileName);
  BYTE* out = static_cast<BYTE*>(buffer);
  UINT done = 0;
  while (done < count) {
    if (m_nBufPos == m_buffer.size() && !FillBuffer()) break;
    size_t n = std::min<size_t>(count - done, m_buffer.size() - m_nBufPos);
    std::memcpy(out + done, m_buffer.data() + m_nBufPos, n);
    m_nBufPos += n;
    done += static_cast<UINT>(n);
  }
  return done;
}

void CArchive::Write(const void* buffer, UINT count) {
  RequireStoring();
  if (count == 0) return;
  if (!buffer) AfxThrowArchiveException(CArchiveException::genericException, m_strFileName);
  const BYTE* in = static_cast<const BYTE*>(buffer);
  if (m_buffer.size() + count > m_nBufSize) WriteBuffer();
  if (count >= m_nBufSize) {
    m_pFile->Write(in, count);
    return;
  }
  m_buffer.insert(m_buffer.end(), in, in + count);
}

void CArchive::Flush() {
  if (!m_pFile) return;
  if (IsLoading()) {
    size_t unread = m_buffer.size() - m_nBufPos;
    m_buffer.clear();
    m_nBufPos = 0;
    if (unread) m_pFile->Seek(-static_cast<LONGLONG>(unread), CFile::current);
    return;
  }
  WriteBuffer();
  m_pFile->Flush();
}

void CArchive::Close() {
  Flush();
  m_pFile = nullptr;
}

void CArchive::Abort() {
  m_pFile = nullptr;
  m_buffer.clear();
  m_nBufPos = 0;
}

void CArchive::WriteLittle(ULONGLONG value, UINT size) {
  BYTE bytes[8];
  for (UINT i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
  Write(bytes, size);
}

ULONGLONG CArchive::ReadLittle(UINT size) {
  RequireLoading();
  BYTE bytes[8];
  if (Read(bytes, size) != size) AfxThrowArchiveException(CArchiveException::endOfFile, m_strFileName);
  ULONGLONG value = 0;
  for (UINT i = 0; i < size; ++i) value |= static_cast<ULONGLONG>(bytes[i]) << (8 * i);
  return value;
}

void CArchive::WriteCount(DWORD_PTR count) {
  if (count < 0xFFFF) {
    *this << static_cast<WORD>(count);
    return;
  }
  *this << static_cast<WORD>(0xFFFF);
  if (count < 0xFFFFFFFF) {
    *this << static_cast<DWORD>(count);
    return;
  }
  *this << static_cast<DWORD>(0xFFFFFFFF) << static_cast<ULONGLONG>(count);
}

DWORD_PTR CArchive::ReadCount() {
  WORD small;
  *this >> small;
  if (small != 0xFFFF) return small;
  DWORD middle;
  *this >> middle;
  if (middle != 0xFFFFFFFF) return middle;
  ULONGLONG large;
  *this >> large;
  return static_cast<DWORD_PTR>(large);
}

namespace {

template <typename To, typename From>
To Bits(From value) {
  static_assert(sizeof(To) == sizeof(From));
  To out;
  std::memcpy(&out, &value, sizeof(out));
  return out;
}

}  // namespace

CArchive& CArchive::operator<<(BYTE value) { WriteLittle(value, 1); return *this; }
CArchive& CArchive::operator<<(char value) { WriteLittle(static_cast<BYTE>(value), 1); return *this; }
CArchive& CArchive::operator<<(bool value) { WriteLittle(value ? 1 : 0, 1); return *this; }
CArchive& CArchive::operator<<(WORD value) { WriteLittle(value, 2); return *this; }
CArchive& CArchive::operator<<(short value) { WriteLittle(static_cast<WORD>(value), 2); return *this; }
CArchive& CArchive::operator<<(wchar_t value) {
  DWORD unit = static_cast<DWORD>(value);
  WriteLittle(unit > 0xFFFF ? 0xFFFD : unit, 2);
  return *this;
}
CArchive& CArchive::operator<<(LONG value) { WriteLittle(static_cast<DWORD>(value), 4); return *this; }
CArchive& CArchive::operator<<(DWORD value) { WriteLittle(value, 4); return *this; }
CArchive& CArchive::operator<<(LONGLONG value) { WriteLittle(static_cast<ULONGLONG>(value), 8); return *this; }
CArchive& CArchive::operator<<(ULONGLONG value) { WriteLittle(value, 8); return *this; }
CArchive& CArchive::operator<<(float value) { WriteLittle(Bits<DWORD>(value), 4); return *this; }
CArchive& CArchive::operator<<(double value) { WriteLittle(Bits<ULONGLONG>(value), 8); return *this; }

CArchive& CArchive::operator>>(BYTE& value) { value = static_cast<BYTE>(ReadLittle(1)); return *this; }
CArchive& CArchive::operator>>(char& value) { value = static_cast<char>(ReadLittle(1)); return *this; }
CArchive& CArchive::operator>>(bool& value) { value = ReadLittle(1) != 0; return *this; }
CArchive& CArchive::operator>>(WORD& value) { value = static_cast<WORD>(ReadLittle(2)); return *this; }
CArchive& CArchive::operator>>(short& value) { value = static_cast<short>(ReadLittle(2)); return *this; }
CArchive& CArchive::operator>>(wchar_t& value) { value = static_cast<wchar_t>(ReadLittle(2)); return *this; }
CArchive& CArchive::operator>>(LONG& value) { value = static_cast<LONG>(ReadLittle(4)); return *this; }
CArchive& CArchive::operator>>(DWORD& value) { value = static_cast<DWORD>(ReadLittle(4)); return *this; }
CArchive& CArchive::operator>>(LONGLONG& value) { value = static_cast<LONGLONG>(ReadLittle(8)); return *this; }
CArchive& CArchive::operator>>(ULONGLONG& value) { value = ReadLittle(8); return *this; }
CArchive& CArchive::operator>>(float& value) {
  value = Bits<float>(static_cast<DWORD>(ReadLittle(4)));
  return *this;
}
CArchive& CArchive::operator>>(double& value) { value = Bits<double>(ReadLittle(8)); return *this; }
