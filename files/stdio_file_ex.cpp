// CStdioFileEx: CStdioFile that tells ANSI from UTF-16LE files on reading
// and writes either encoding.
#include <cstring>
#include <string>

#include "KavroStd/files.h"
#include "platform/strings/codepage_internal.h"
#include "platform/strings/utf16_internal.h"

namespace {

constexpr UINT kNoCodePage = 0xFFFFFFFFu;

UINT CodePageOf(UINT codePage) { return codePage == kNoCodePage ? GetACP() : codePage; }

// The writers' buffers keep their room between lines, but not for a text
// of megabytes.
void ReleaseIfHuge(std::string& buffer) {
  if (buffer.capacity() > (1u << 20)) std::string().swap(buffer);
}

}  // namespace

const UINT CStdioFileEx::modeWriteUnicode = 0x20000;

CStdioFileEx::CStdioFileEx() : m_bIsUnicode(false), m_nOpenFlags(0) {}

CStdioFileEx::CStdioFileEx(LPCWSTR fileName, UINT openFlags) : m_bIsUnicode(false), m_nOpenFlags(0) {
  UINT flags = openFlags;
  ProcessFlags(CString(fileName), flags);
  CFileException e;
  if (!CStdioFile::Open(fileName, flags, &e))
    throw new CFileException(e.m_cause, e.m_lOsError, e.m_strFileName);
}

BOOL CStdioFileEx::Open(LPCWSTR fileName, UINT openFlags, CFileException* error) {
  ProcessFlags(CString(fileName), openFlags);
  return CStdioFile::Open(fileName, openFlags, error);
}

UINT CStdioFileEx::ProcessFlags(const CString& fileName, UINT& openFlags) {
  m_bIsUnicode = false;
  // Only a pure read in text mode looks at the file (modeReadWrite alone
  // does not stop it).
  if ((openFlags & typeText) && !(openFlags & (modeCreate | modeWrite))) {
    m_bIsUnicode = IsFileUnicode(fileName);
    if (m_bIsUnicode) openFlags = (openFlags & ~static_cast<UINT>(typeText)) | typeBinary;
  }
  m_nOpenFlags = openFlags;
  return openFlags;
}

BOOL CStdioFileEx::ReadString(CString& line) {
  if (m_bIsUnicode && GetPosition() == 0) {
    BYTE mark[2];
    Read(mark, 2);
  }
  BOOL result = CStdioFile::ReadString(line);
  if (result) {
    int n = line.GetLength();
    if (n > 1 && line[n - 2] == L'\r' && line[n - 1] == L'\n') {
      line.Truncate(n - 2);
    } else if (n > 0 && (line[n - 1] == L'\r' || line[n - 1] == L'\n')) {
      line.Truncate(n - 1);
    }
  }
  return result;
}

void CStdioFileEx::WriteString(LPCWSTR text) {
  if (!text) throw new CInvalidArgException();
  const size_t length = wcslen(text);
  if (m_nOpenFlags & modeWriteUnicode) {
    if (GetPosition() == 0) {
      static const BYTE kMark[2] = {0xFF, 0xFE};
      WriteRaw(kMark, sizeof(kMark));
    }
    thread_local std::string units;  // keeps its room from call to call
    units.resize(2 * kavro::platform::KvUtf16Length(text, length));
    kavro::platform::KvToUtf16LE(text, length, reinterpret_cast<BYTE*>(units.data()));
    WriteRaw(units.data(), units.size());
    ReleaseIfHuge(units);
    return;
  }
  // The whole text at once, whatever its length; for a UTF-8 code page
  // without the flags and default character that code page refuses.
  thread_local std::string ansi;
  kavro::platform::EncodeWide(CP_ACP, text, length, ansi, "#", nullptr);
  WriteRaw(ansi.data(), ansi.size());
  ReleaseIfHuge(ansi);
}

bool CStdioFileEx::IsFileUnicodeText() { return m_bIsUnicode; }

DWORD CStdioFileEx::GetCharCount() {
  if (m_hFile == INVALID_HANDLE_VALUE) return 0;
  ULONGLONG length = GetLength();
  if (!m_bIsUnicode) return static_cast<DWORD>(length);
  return length < 2 ? 0 : static_cast<DWORD>((length - 2) / 2);
}

bool CStdioFileEx::IsFileUnicode(const CString& fileName) {
  CFile file;
  if (!file.Open(fileName, CFile::modeRead | CFile::shareExclusive)) return false;
  BYTE mark[2] = {0, 0};
  UINT n = 0;
  try {
    n = file.Read(mark, 2);
  } catch (CException* e) {
    e->Delete();
    return false;
  }
  return n == 2 && mark[0] == 0xFF && mark[1] == 0xFE;
}

int CStdioFileEx::GetUnicodeStringFromMultiByteString(char* source, wchar_t* target, int& capacity,
                                                      UINT codePage) {
  if (!source || !target || capacity < 1) return 0;
  memset(target, 0, static_cast<size_t>(capacity) * sizeof(wchar_t));
  int result = MultiByteToWideChar(CodePageOf(codePage), MB_PRECOMPOSED, source, -1, target, capacity);
  return result < 1 ? result : result - 1;
}

int CStdioFileEx::GetMultiByteStringFromUnicodeString(wchar_t* source, char* target, short capacity,
                                                      UINT codePage) {
  if (!source || !target || capacity < 1) return 0;
  memset(target, 0, static_cast<size_t>(capacity));
  const UINT cp = CodePageOf(codePage);
  // UTF-8 takes neither these flags nor a default character: it would fail
  // every text.
  const bool utf8 = cp == CP_UTF8;
  int result = WideCharToMultiByte(cp, utf8 ? 0 : WC_COMPOSITECHECK | WC_SEPCHARS, source, -1, target,
                                   capacity, utf8 ? nullptr : "#", nullptr);
  return result < 1 ? result : result - 1;
}
