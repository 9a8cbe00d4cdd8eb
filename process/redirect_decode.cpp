// CRedirect's decoding of the child's bytes into text, one read at a time.
#include "KavroStd/process.h"

#include <cstdint>
#include <cstring>

namespace {

// The length of the UTF-8 sequence a lead byte starts; 0 for a byte that
// starts none.
size_t Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Whether the bytes are UTF-8; `complete` receives how many of them form
// whole characters (a sequence cut off at the end is left out).
bool IsUtf8(const std::string& bytes, size_t& complete, bool& ascii) {
  ascii = true;
  size_t i = 0;
  while (i < bytes.size()) {
    // Plain ASCII eight bytes at a time.
    uint64_t word;
    if (i + 8 <= bytes.size() && (memcpy(&word, bytes.data() + i, 8), (word & 0x8080808080808080ull) == 0)) {
      i += 8;
      continue;
    }
    const size_t length = Utf8Length(static_cast<unsigned char>(bytes[i]));
    if (length == 0) return false;
    if (length > 1) ascii = false;
    size_t j = 1;
    for (; j < length && i + j < bytes.size(); ++j)
      if ((static_cast<unsigned char>(bytes[i + j]) & 0xC0) != 0x80) return false;
    if (j < length) break;  // cut off
    i += length;
  }
  complete = i;
  return true;
}

// How many bytes form whole characters in a double-byte code page: a lead
// byte at the very end waits for its trail byte.
size_t CompleteInCodePage(const std::string& bytes, UINT codePage) {
  size_t i = 0;
  while (i < bytes.size()) {
    if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(bytes[i]))) {
      if (i + 1 >= bytes.size()) break;
      i += 2;
    } else {
      ++i;
    }
  }
  return i;
}

// Plain ASCII: each byte is its character.
CString Widen(const char* bytes, size_t size) {
  CString text;
  if (size == 0) return text;
  LPWSTR buffer = text.GetBuffer(static_cast<int>(size));
  for (size_t i = 0; i < size; ++i) buffer[i] = static_cast<unsigned char>(bytes[i]);
  text.ReleaseBuffer(static_cast<int>(size));
  return text;
}

// Bytes never make more characters than there are bytes: one call does.
CString Convert(UINT codePage, const char* bytes, size_t size) {
  if (size == 0) return CString();
  CString text;
  LPWSTR buffer = text.GetBuffer(static_cast<int>(size));
  int n = MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(size), buffer, static_cast<int>(size));
  text.ReleaseBuffer(n > 0 ? n : 0);
  return text;
}

}  // namespace

CString CRedirect::Decode(const char* bytes, size_t size, bool last) {
  pending_.append(bytes ? bytes : "", bytes ? size : 0);
  size_t complete = 0;
  bool ascii = false;
  UINT codePage = CP_UTF8;
  if (!IsUtf8(pending_, complete, ascii)) {
    ascii = false;
    codePage = GetACP();
    complete = CompleteInCodePage(pending_, codePage);
  }
  const size_t scanned = complete;
  // A '\r' at the end may be the first half of "\r\n".
  if (complete > 0 && pending_[complete - 1] == '\r') --complete;
  if (last) complete = pending_.size();
  // Bytes a cut-off sequence left (taken whole at the end) are not ASCII.
  CString text =
      ascii && complete <= scanned ? Widen(pending_.data(), complete) : Convert(codePage, pending_.data(), complete);
  pending_.erase(0, complete);
  return text;
}
