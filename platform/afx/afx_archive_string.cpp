// The archive string form: MFC's length prefix with the Unicode tag, UTF-16LE
// or ANSI characters, read in bounded pieces.
#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "KavroStd/platform/afx_archive.h"
#include "KavroStd/platform/codepage.h"
#include "platform/strings/utf16_internal.h"
#include "platform/strings/codepage_internal.h"

namespace {

constexpr size_t kPieceBytes = 64 * 1024;

// Reads exactly count bytes, a piece at a time, so that memory grows only
// with what the archive really supplies; endOfFile when it runs out.
std::vector<BYTE> ReadBytes(CArchive& ar, ULONGLONG count) {
  std::vector<BYTE> bytes;
  while (count > 0) {
    size_t piece = static_cast<size_t>(std::min<ULONGLONG>(count, kPieceBytes));
    size_t have = bytes.size();
    bytes.resize(have + piece);
    if (ar.Read(bytes.data() + have, static_cast<UINT>(piece)) != piece)
      AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
    count -= piece;
  }
  return bytes;
}

// The length and characters of a string in either form; charSize tells
// which (2: UTF-16LE units, 1: ANSI bytes).
std::vector<BYTE> ReadStringBytes(CArchive& ar, int& charSize) {
  ULONGLONG length = AfxReadStringLength(ar, charSize);
  if (length > static_cast<ULONGLONG>(INT_MAX))  // no CString holds it, nor this archive
    AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
  return ReadBytes(ar, length * static_cast<ULONGLONG>(charSize));
}

}  // namespace

void AfxWriteStringLength(CArchive& ar, UINT_PTR length, BOOL unicode) {
  if (unicode) ar << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFE);
  if (length < 0xFF) {
    ar << static_cast<BYTE>(length);
    return;
  }
  ar << static_cast<BYTE>(0xFF);
  if (length < 0xFFFE) {
    ar << static_cast<WORD>(length);
    return;
  }
  ar << static_cast<WORD>(0xFFFF);
  if (length < 0xFFFFFFFF) {
    ar << static_cast<DWORD>(length);
    return;
  }
  ar << static_cast<DWORD>(0xFFFFFFFF) << static_cast<ULONGLONG>(length);
}

UINT_PTR AfxReadStringLength(CArchive& ar, int& charSize) {
  charSize = 1;
  BYTE small;
  ar >> small;
  if (small < 0xFF) return small;
  WORD middle;
  ar >> middle;
  if (middle == 0xFFFE) {  // the Unicode tag; the length follows
    charSize = 2;
    ar >> small;
    if (small < 0xFF) return small;
    ar >> middle;
  }
  if (middle < 0xFFFF) return middle;
  DWORD large;
  ar >> large;
  if (large < 0xFFFFFFFF) return large;
  ULONGLONG huge;
  ar >> huge;
  return static_cast<UINT_PTR>(huge);
}

CArchive& operator<<(CArchive& ar, const CString& text) {
  const wchar_t* chars = text.GetString();
  size_t length = static_cast<size_t>(text.GetLength());
  AfxWriteStringLength(ar, kavro::platform::KvUtf16Length(chars, length), TRUE);
  // A piece of characters at a time: at most two units, four bytes, each.
  std::vector<BYTE> piece;
  const size_t kChars = kPieceBytes / 4;
  for (size_t at = 0; at < length; at += kChars) {
    size_t n = std::min(kChars, length - at);
    piece.resize(4 * n);
    size_t units = kavro::platform::KvToUtf16LE(chars + at, n, piece.data());
    ar.Write(piece.data(), static_cast<UINT>(2 * units));
  }
  return ar;
}

CArchive& operator>>(CArchive& ar, CString& text) {
  int charSize = 1;
  std::vector<BYTE> bytes = ReadStringBytes(ar, charSize);
  std::wstring wide;
  if (charSize == 2)
    kavro::platform::KvAppendFromUtf16LE(bytes.data(), bytes.size() / 2, wide);
  else
    kavro::platform::DecodeBytes(CP_ACP, reinterpret_cast<const char*>(bytes.data()), bytes.size(), wide, false);
  text = CString(wide.data(), static_cast<int>(wide.size()));
  return ar;
}

CArchive& operator<<(CArchive& ar, const CStringA& text) {
  AfxWriteStringLength(ar, static_cast<UINT_PTR>(text.GetLength()), FALSE);
  ar.Write(text.GetString(), static_cast<UINT>(text.GetLength()));
  return ar;
}

CArchive& operator>>(CArchive& ar, CStringA& text) {
  int charSize = 1;
  std::vector<BYTE> bytes = ReadStringBytes(ar, charSize);
  if (charSize == 1) {
    text = CStringA(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
    return ar;
  }
  std::wstring wide;
  kavro::platform::KvAppendFromUtf16LE(bytes.data(), bytes.size() / 2, wide);
  std::string narrow;
  kavro::platform::EncodeWide(CP_ACP, wide.data(), wide.size(), narrow, nullptr, nullptr);
  text = CStringA(narrow.data(), static_cast<int>(narrow.size()));
  return ar;
}
