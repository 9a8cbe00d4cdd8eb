// CStdioFile: a buffered file with the Windows runtime's text and binary
// stream semantics.
//
// Text mode: bytes in the ANSI code page; CR LF reads as LF, LF writes as
// CR LF (a lone CR is kept). Binary mode: the string calls read and write
// 16-bit units (UTF-16LE, as the Windows runtime's wide calls do on a binary
// stream) and nothing is translated. Reads fill a 64 KiB buffer; writes
// collect in one and go out when it is full, on Flush, Seek and Close.
// Positions are file offsets: unread bytes and pending writes are accounted
// for, so GetPosition and GetLength agree with what the file will hold.
#include <fcntl.h>

#include <cstring>
#include <cwchar>

#include "KavroStd/platform/afx_file.h"
#include "KavroStd/platform/codepage.h"
#include "platform/fs/fileapi_internal.h"
#include "platform/strings/utf16_internal.h"
#include "platform/strings/codepage_internal.h"

namespace {

constexpr size_t kChunk = 64 * 1024;

size_t Unread(const std::string& buffer, size_t pos) { return buffer.size() - pos; }

[[noreturn]] void ThrowFile(int cause, DWORD code, const CString& name) {
  throw new CFileException(cause, static_cast<LONG>(code ? code : ERROR_GEN_FAILURE), name);
}

void RequireOpen(HANDLE file, const CString& name) {
  if (file == INVALID_HANDLE_VALUE) ThrowFile(CFileException::OsErrorToException(ERROR_INVALID_HANDLE), ERROR_INVALID_HANDLE, name);
}

// Appends text-mode bytes: each LF becomes CR LF.
void AppendTranslated(std::string& out, const char* bytes, size_t n) {
  const char* end = bytes + n;
  while (bytes < end) {
    const char* lf = static_cast<const char*>(memchr(bytes, '\n', end - bytes));
    if (!lf) {
      out.append(bytes, end);
      return;
    }
    out.append(bytes, lf);
    out.append("\r\n", 2);
    bytes = lf + 1;
  }
}

// Wide text as UTF-16LE; characters above U+FFFF become surrogate pairs.
void AppendAsUtf16(std::string& out, const wchar_t* text, size_t n) {
  const size_t at = out.size();
  out.resize(at + 2 * kavro::platform::KvUtf16Length(text, n));
  kavro::platform::KvToUtf16LE(text, n, reinterpret_cast<BYTE*>(out.data() + at));
}

uint32_t UnitAt(const std::string& bytes, size_t i) {
  return static_cast<unsigned char>(bytes[i]) | (static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
}

// UTF-16LE bytes to wide text, joining surrogate pairs; an odd last byte
// is no unit and is dropped.
std::wstring DecodeUtf16(const std::string& bytes, size_t n) {
  std::wstring out;
  kavro::platform::KvAppendFromUtf16LE(reinterpret_cast<const BYTE*>(bytes.data()), n / 2, out);
  return out;
}

// Widens a line: plain ASCII directly, anything else through the code page
// into a buffer of the thread's that keeps its room from line to line.
void AssignDecoded(CString& line, const char* bytes, size_t n) {
  const unsigned char* __restrict in = reinterpret_cast<const unsigned char*>(bytes);
  unsigned char seen = 0;
  for (size_t k = 0; k < n; ++k) seen |= in[k];
  if (!(seen & 0x80)) {
    wchar_t* __restrict out = line.GetBufferSetLength(static_cast<int>(n));
    for (size_t k = 0; k < n; ++k) out[k] = in[k];
    line.ReleaseBuffer(static_cast<int>(n));
    return;
  }
  thread_local std::wstring wide;
  kavro::platform::DecodeBytes(CP_ACP, bytes, n, wide, false);
  wchar_t* out = line.GetBufferSetLength(static_cast<int>(wide.size()));
  wmemcpy(out, wide.data(), wide.size());
  line.ReleaseBuffer(static_cast<int>(wide.size()));
  if (wide.capacity() > kChunk) std::wstring().swap(wide);  // keep no huge line
}

bool IsAscii(const wchar_t* text, size_t n) {
  uint32_t seen = 0;
  for (size_t k = 0; k < n; ++k) seen |= static_cast<uint32_t>(text[k]);
  return seen < 0x80;
}

// Appends ASCII text as bytes, each LF as CR LF when `translate`.
void AppendAscii(std::string& out, const wchar_t* text, size_t n, bool translate) {
  const wchar_t* end = text + n;
  while (text < end) {
    const wchar_t* lf = translate ? wmemchr(text, L'\n', end - text) : nullptr;
    size_t run = static_cast<size_t>((lf ? lf : end) - text);
    size_t at = out.size();
    out.resize(at + run + (lf ? 2 : 0));
    char* __restrict o = out.data() + at;
    const wchar_t* __restrict t = text;
    for (size_t k = 0; k < run; ++k) o[k] = static_cast<char>(t[k]);
    if (!lf) break;
    o[run] = '\r';
    o[run + 1] = '\n';
    text = lf + 1;
  }
}

void CheckWritable(HANDLE file, const CString& name) {
  int fd = kavro::platform::KvFileDescriptor(file);
  int mode = fd >= 0 ? fcntl(fd, F_GETFL) : -1;
  if (mode < 0) ThrowFile(CFileException::fileNotFound, ERROR_INVALID_HANDLE, name);
  if ((mode & O_ACCMODE) == O_RDONLY) ThrowFile(CFileException::accessDenied, ERROR_ACCESS_DENIED, name);
}

}  // namespace

CStdioFile::CStdioFile() : m_bTextMode(TRUE), m_readPos(0) {}

CStdioFile::CStdioFile(LPCWSTR fileName, UINT openFlags) : m_bTextMode(TRUE), m_readPos(0) {
  CFileException e;
  if (!CStdioFile::Open(fileName, openFlags, &e))
    throw new CFileException(e.m_cause, e.m_lOsError, e.m_strFileName);
}

CStdioFile::~CStdioFile() {
  if (m_hFile != INVALID_HANDLE_VALUE && m_bCloseOnDelete) CStdioFile::Abort();
}

BOOL CStdioFile::Open(LPCWSTR fileName, UINT openFlags, CFileException* error) {
  if (m_hFile != INVALID_HANDLE_VALUE && m_bCloseOnDelete) CStdioFile::Abort();
  m_readBuffer.clear();
  m_readPos = 0;
  m_writeBuffer.clear();
  m_bTextMode = (openFlags & typeBinary) ? FALSE : TRUE;
  return CFile::Open(fileName, openFlags & ~static_cast<UINT>(typeText | typeBinary), error);
}

void CStdioFile::Close() {
  CFileException* failure = nullptr;
  if (m_hFile != INVALID_HANDLE_VALUE) {
    try {
      FlushWriteBuffer();
    } catch (CFileException* e) {
      failure = e;
    }
  }
  m_readBuffer.clear();
  m_readPos = 0;
  m_writeBuffer.clear();
  if (failure) {
    CFile::Abort();
    throw failure;
  }
  CFile::Close();
}

void CStdioFile::Abort() {
  if (m_hFile != INVALID_HANDLE_VALUE) {
    try {
      FlushWriteBuffer();
    } catch (CException* e) {
      e->Delete();
    }
  }
  m_readBuffer.clear();
  m_readPos = 0;
  m_writeBuffer.clear();
  CFile::Abort();
}

void CStdioFile::FlushWriteBuffer() {
  if (m_writeBuffer.empty()) return;
  DWORD written = 0;
  BOOL ok = WriteFile(m_hFile, m_writeBuffer.data(), static_cast<DWORD>(m_writeBuffer.size()), &written, nullptr);
  DWORD code = GetLastError();
  // What could not be written is dropped: the failure is reported once.
  m_writeBuffer.clear();
  if (!ok) ThrowFile(CFileException::diskFull, code, m_strFileName);
}

void CStdioFile::DropReadBuffer() {
  size_t unread = Unread(m_readBuffer, m_readPos);
  m_readBuffer.clear();
  m_readPos = 0;
  if (unread == 0) return;
  LARGE_INTEGER back;
  back.QuadPart = -static_cast<LONGLONG>(unread);
  if (!SetFilePointerEx(m_hFile, back, nullptr, FILE_CURRENT))
    ThrowFile(CFileException::badSeek, GetLastError(), m_strFileName);
}

// Keeps the unread bytes, moved to the front, and appends up to one chunk
// from the file; nothing is appended at the end of the file.
void CStdioFile::FillReadBuffer() {
  if (!m_writeBuffer.empty()) FlushWriteBuffer();
  if (m_readPos > 0) {
    m_readBuffer.erase(0, m_readPos);
    m_readPos = 0;
  }
  size_t have = m_readBuffer.size();
  m_readBuffer.resize(have + kChunk);
  DWORD read = 0;
  BOOL ok = ReadFile(m_hFile, m_readBuffer.data() + have, static_cast<DWORD>(kChunk), &read, nullptr);
  m_readBuffer.resize(have + (ok ? read : 0));
  if (!ok) ThrowFile(CFileException::genericException, GetLastError(), m_strFileName);
}

bool CStdioFile::ReadRawLine(std::string& bytes) {
  bytes.clear();
  for (;;) {
    size_t unread = Unread(m_readBuffer, m_readPos);
    if (m_bTextMode && unread > 0) {
      const char* start = m_readBuffer.data() + m_readPos;
      const char* lf = static_cast<const char*>(memchr(start, '\n', unread));
      size_t take = lf ? static_cast<size_t>(lf - start) + 1 : unread;
      bytes.append(start, take);
      m_readPos += take;
      if (lf) return true;
    } else if (!m_bTextMode && unread >= 2) {
      // Whole 16-bit units; the line ends after the unit 0x000A.
      size_t i = m_readPos;
      const size_t last = m_readBuffer.size() - 1;
      bool found = false;
      for (; i < last; i += 2) {
        if (m_readBuffer[i] == '\n' && m_readBuffer[i + 1] == 0) {
          i += 2;
          found = true;
          break;
        }
      }
      bytes.append(m_readBuffer, m_readPos, i - m_readPos);
      m_readPos = i;
      if (found) return true;
    }
    size_t before = Unread(m_readBuffer, m_readPos);
    FillReadBuffer();
    if (Unread(m_readBuffer, m_readPos) == before) {
      // End of the file: an odd byte left in binary mode is no unit.
      if (before > 0) {
        bytes.append(m_readBuffer, m_readPos, before);
        m_readPos = m_readBuffer.size();
      }
      return !bytes.empty();
    }
  }
}

BOOL CStdioFile::ReadString(CString& line) {
  RequireOpen(m_hFile, m_strFileName);
  if (m_bTextMode) {
    // A line that lies whole in the buffer is decoded where it is.
    const char* start = m_readBuffer.data() + m_readPos;
    size_t unread = Unread(m_readBuffer, m_readPos);
    const char* lf = unread ? static_cast<const char*>(memchr(start, '\n', unread)) : nullptr;
    if (lf) {
      size_t n = static_cast<size_t>(lf - start);
      m_readPos += n + 1;
      if (n > 0 && start[n - 1] == '\r') --n;
      AssignDecoded(line, start, n);
      return TRUE;
    }
  }
  std::string bytes;
  if (!ReadRawLine(bytes)) {
    line.Empty();
    return FALSE;
  }
  if (m_bTextMode) {
    size_t n = bytes.size();
    if (n > 0 && bytes[n - 1] == '\n') {
      --n;
      if (n > 0 && bytes[n - 1] == '\r') --n;
    }
    AssignDecoded(line, bytes.data(), n);
    return TRUE;
  }
  std::wstring wide = DecodeUtf16(bytes, bytes.size());
  if (!wide.empty() && wide.back() == L'\n') wide.pop_back();
  line = CString(wide);
  return TRUE;
}

LPWSTR CStdioFile::ReadString(LPWSTR buffer, UINT maxCount) {
  RequireOpen(m_hFile, m_strFileName);
  if (!buffer || maxCount == 0) throw new CInvalidArgException();
  UINT n = 0;
  bool sawAny = false;
  std::wstring wide;  // one character at a time
  while (n + 1 < maxCount) {
    // Four bytes ahead cover a whole character, a CR LF or a surrogate pair.
    while (Unread(m_readBuffer, m_readPos) < 4) {
      size_t before = Unread(m_readBuffer, m_readPos);
      FillReadBuffer();
      if (Unread(m_readBuffer, m_readPos) == before) break;
    }
    size_t unread = Unread(m_readBuffer, m_readPos);
    const char* p = m_readBuffer.data() + m_readPos;
    if (m_bTextMode) {
      if (unread == 0) break;
      sawAny = true;
      unsigned char c = static_cast<unsigned char>(p[0]);
      if (c == '\n' || (c == '\r' && unread >= 2 && p[1] == '\n')) {
        m_readPos += c == '\n' ? 1 : 2;
        buffer[n++] = L'\n';
        break;
      }
      if (c < 0x80) {
        buffer[n++] = c;
        ++m_readPos;
        continue;
      }
      size_t len = kavro::platform::AnsiCharLength(CP_ACP, p, unread);
      kavro::platform::DecodeBytes(CP_ACP, p, len, wide, false);
      if (wide.empty()) wide.push_back(L'?');
      if (wide.size() > maxCount - 1 - n) {
        if (n > 0) break;
        // An invalid pair that decodes to two units: the bad lead alone.
        len = 1;
        wide.resize(1);
      }
      for (wchar_t w : wide) buffer[n++] = w;
      m_readPos += len;
    } else {
      if (unread < 2) {
        if (unread == 1) m_readPos += 1;  // an odd last byte is no unit
        break;
      }
      sawAny = true;
      uint32_t unit = UnitAt(m_readBuffer, m_readPos);
      m_readPos += 2;
      if (unit >= 0xD800 && unit <= 0xDBFF && unread >= 4) {
        uint32_t low = UnitAt(m_readBuffer, m_readPos);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
          m_readPos += 2;
        }
      }
      buffer[n++] = static_cast<wchar_t>(unit);
      if (unit == L'\n') break;
    }
  }
  buffer[n] = 0;
  if (n == 0 && !sawAny && maxCount > 1) return nullptr;
  return buffer;
}

void CStdioFile::WriteString(LPCWSTR text) {
  if (!text) throw new CInvalidArgException();
  RequireOpen(m_hFile, m_strFileName);
  size_t length = wcslen(text);
  if (length == 0) return;
  std::string encoded;
  if (!m_bTextMode) {
    // Binary mode: the units go out as they are.
    AppendAsUtf16(encoded, text, length);
  } else if (IsAscii(text, length)) {
    // The common case goes straight into the write buffer.
    if (!m_readBuffer.empty()) DropReadBuffer();
    if (m_writeBuffer.empty()) CheckWritable(m_hFile, m_strFileName);
    AppendAscii(m_writeBuffer, text, length, true);
    if (m_writeBuffer.size() >= kChunk) FlushWriteBuffer();
    return;
  } else {
    thread_local std::string ansi;  // keeps its room from call to call
    kavro::platform::EncodeWide(CP_ACP, text, length, ansi, nullptr, nullptr);
    WriteBytes(ansi.data(), ansi.size(), true);
    if (ansi.capacity() > kChunk) std::string().swap(ansi);  // keep no huge text
    return;
  }
  WriteBytes(encoded.data(), encoded.size(), false);
}

void CStdioFile::WriteRaw(const void* bytes, size_t count) {
  RequireOpen(m_hFile, m_strFileName);
  if (count == 0) return;
  if (!bytes) throw new CInvalidArgException();
  WriteBytes(static_cast<const char*>(bytes), count, false);
}

void CStdioFile::WriteBytes(const char* bytes, size_t count, bool translate) {
  if (count == 0) return;
  if (!m_readBuffer.empty()) DropReadBuffer();
  if (m_writeBuffer.empty()) CheckWritable(m_hFile, m_strFileName);
  if (translate) {
    AppendTranslated(m_writeBuffer, bytes, count);
  } else if (count >= kChunk) {
    FlushWriteBuffer();
    DWORD written = 0;
    if (!WriteFile(m_hFile, bytes, static_cast<DWORD>(count), &written, nullptr))
      ThrowFile(CFileException::diskFull, GetLastError(), m_strFileName);
    return;
  } else {
    m_writeBuffer.append(bytes, count);
  }
  if (m_writeBuffer.size() >= kChunk) FlushWriteBuffer();
}

UINT CStdioFile::Read(void* buffer, UINT count) {
  RequireOpen(m_hFile, m_strFileName);
  if (count == 0) return 0;
  if (!buffer) throw new CInvalidArgException();
  char* out = static_cast<char*>(buffer);
  UINT n = 0;
  while (n < count) {
    size_t unread = Unread(m_readBuffer, m_readPos);
    if (unread < (m_bTextMode ? 2u : 1u)) {
      if (!m_bTextMode && count - n >= kChunk) {
        // Large binary reads bypass the buffer.
        if (!m_writeBuffer.empty()) FlushWriteBuffer();
        DWORD read = 0;
        if (!ReadFile(m_hFile, out + n, count - n, &read, nullptr))
          ThrowFile(CFileException::genericException, GetLastError(), m_strFileName);
        n += read;
        break;
      }
      FillReadBuffer();
      if (Unread(m_readBuffer, m_readPos) == unread) {
        if (unread == 1) {
          out[n++] = m_readBuffer[m_readPos++];
          continue;
        }
        break;
      }
      continue;
    }
    const char* p = m_readBuffer.data() + m_readPos;
    if (!m_bTextMode) {
      size_t take = unread < count - n ? unread : count - n;
      memcpy(out + n, p, take);
      n += static_cast<UINT>(take);
      m_readPos += take;
      continue;
    }
    // Text mode: CR LF becomes LF; keep one byte back so that a CR at the
    // end of the buffer meets its LF.
    size_t limit = unread - 1;
    size_t i = 0;
    while (i < limit && n < count) {
      char c = p[i];
      if (c == '\r' && p[i + 1] == '\n') {
        out[n++] = '\n';
        i += 2;
      } else {
        out[n++] = c;
        ++i;
      }
    }
    m_readPos += i;
  }
  return n;
}

void CStdioFile::Write(const void* buffer, UINT count) {
  RequireOpen(m_hFile, m_strFileName);
  if (count == 0) return;
  if (!buffer) throw new CInvalidArgException();
  WriteBytes(static_cast<const char*>(buffer), count, m_bTextMode != FALSE);
}

ULONGLONG CStdioFile::Seek(LONGLONG offset, UINT from) {
  RequireOpen(m_hFile, m_strFileName);
  FlushWriteBuffer();
  LARGE_INTEGER distance, position;
  DWORD method = FILE_BEGIN;
  if (from == current) {
    LONGLONG here = static_cast<LONGLONG>(GetPosition());
    distance.QuadPart = here + offset;
  } else if (from == begin || from == end) {
    distance.QuadPart = offset;
    method = from == end ? FILE_END : FILE_BEGIN;
  } else {
    ThrowFile(CFileException::badSeek, ERROR_INVALID_PARAMETER, m_strFileName);
  }
  if (method == FILE_BEGIN && distance.QuadPart < 0)
    ThrowFile(CFileException::badSeek, ERROR_NEGATIVE_SEEK, m_strFileName);
  m_readBuffer.clear();
  m_readPos = 0;
  if (!SetFilePointerEx(m_hFile, distance, &position, method))
    ThrowFile(CFileException::badSeek, GetLastError(), m_strFileName);
  return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CStdioFile::GetPosition() const {
  RequireOpen(m_hFile, m_strFileName);
  ULONGLONG os = CFile::GetPosition();
  return os - Unread(m_readBuffer, m_readPos) + m_writeBuffer.size();
}

ULONGLONG CStdioFile::GetLength() const {
  RequireOpen(m_hFile, m_strFileName);
  ULONGLONG size = CFile::GetLength();
  if (m_writeBuffer.empty()) return size;
  // Pending writes start at the handle's position and may extend the file.
  ULONGLONG end = CFile::GetPosition() + m_writeBuffer.size();
  return end > size ? end : size;
}

void CStdioFile::SetLength(ULONGLONG newLength) {
  RequireOpen(m_hFile, m_strFileName);
  FlushWriteBuffer();
  m_readBuffer.clear();
  m_readPos = 0;
  CFile::SetLength(newLength);
}

void CStdioFile::Flush() {
  if (m_hFile == INVALID_HANDLE_VALUE) return;
  FlushWriteBuffer();
}
