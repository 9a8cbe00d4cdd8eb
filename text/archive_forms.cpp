// Archive forms of a string list, a byte list and a bitmap: a signed 32-bit
// count (or the bitmap header), then the elements, little-endian.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "KavroStd/text.h"

namespace {

constexpr UINT kPiece = 64 * 1024;

// Pixel bytes of a bitmap: height x row bytes; -1 when either is negative
// or the product does not fit a 32-bit int.
LONGLONG PixelBytes(const BITMAP& bitmap) {
  if (bitmap.bmHeight < 0 || bitmap.bmWidthBytes < 0) return -1;
  LONGLONG bytes = static_cast<LONGLONG>(bitmap.bmHeight) * bitmap.bmWidthBytes;
  return bytes > INT_MAX ? -1 : bytes;
}

void StorePixels(CArchive& ar, const BITMAP& bitmap, LONGLONG bytes) {
  if (bitmap.bmBits) {
    ar.Write(bitmap.bmBits, static_cast<UINT>(bytes));
    return;
  }
  static const BYTE kZeros[4096] = {};  // no pixels given: the layout still holds its bytes
  for (LONGLONG left = bytes; left > 0; left -= static_cast<LONGLONG>(sizeof kZeros))
    ar.Write(kZeros, static_cast<UINT>(left < static_cast<LONGLONG>(sizeof kZeros) ? left : sizeof kZeros));
}

// Reads the pixels into a malloc'd buffer that grows only as far as the
// archive supplies bytes; endOfFile (buffer freed) when it runs out.
void* LoadPixels(CArchive& ar, LONGLONG bytes) {
  BYTE* pixels = nullptr;
  LONGLONG have = 0, capacity = 0;
  while (have < bytes) {
    if (have == capacity) {  // doubles, up to the size the header gives
      capacity = capacity ? (bytes - capacity < capacity ? bytes : 2 * capacity) : (bytes < kPiece ? bytes : kPiece);
      BYTE* grown = static_cast<BYTE*>(std::realloc(pixels, static_cast<size_t>(capacity)));
      if (!grown) {
        std::free(pixels);
        throw new CMemoryException;
      }
      pixels = grown;
    }
    UINT piece = static_cast<UINT>(capacity - have < kPiece ? capacity - have : kPiece);
    if (ar.Read(pixels + have, piece) != piece) {
      std::free(pixels);
      AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
    }
    have += piece;
  }
  return pixels;
}

}  // namespace

// Storing: the count, then each string in the archive string form. Loading:
// empties items, reads the count and appends the strings one by one (a
// count below 1 gives none). Always TRUE; a truncated archive throws
// CArchiveException* (endOfFile) with the strings read so far kept.
int CStringOpr::ESerialize(CArchive& ar, CStringArray& items) {
  if (ar.IsStoring()) {
    ar << static_cast<LONG>(items.GetSize());
    for (INT_PTR i = 0; i < items.GetSize(); ++i) ar << items[i];
    return TRUE;
  }
  items.RemoveAll();
  LONG count = 0;
  ar >> count;
  for (LONG i = 0; i < count; ++i) {
    CString item;
    ar >> item;
    items.Add(item);
  }
  return TRUE;
}

// Storing: the count, then the bytes. Loading: empties bytes, reads the
// count, then appends the bytes as they come; a truncated archive throws
// CArchiveException* (endOfFile) with the bytes read so far kept. Always TRUE.
int CStringOpr::ESerialize(CArchive& ar, CByteArray& bytes) {
  if (ar.IsStoring()) {
    ar << static_cast<LONG>(bytes.GetSize());
    // An empty array may have no storage at all: no pointer to pass on.
    if (bytes.GetSize() > 0) ar.Write(bytes.GetData(), static_cast<UINT>(bytes.GetSize()));
    return TRUE;
  }
  bytes.RemoveAll();
  LONG count = 0;
  ar >> count;
  BYTE piece[4096];
  for (LONG left = count; left > 0;) {
    UINT want = left < static_cast<LONG>(sizeof piece) ? static_cast<UINT>(left) : sizeof piece;
    UINT got = ar.Read(piece, want);
    if (got > 0) {  // nothing read leaves an empty array without storage
      INT_PTR at = bytes.GetSize();
      bytes.SetSize(at + got);
      std::memcpy(bytes.GetData() + at, piece, got);
    }
    if (got != want) AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
    left -= static_cast<LONG>(got);
  }
  return TRUE;
}

// Storing: the header fields, then bmHeight x bmWidthBytes pixel bytes from
// bmBits (zeros when bmBits is null). Loading: overwrites the fields and
// puts the pixels in a new malloc'd buffer in bmBits, which the caller
// releases with free. A negative height or row size, or a product beyond a
// 32-bit int, throws CArchiveException* (badIndex): when storing before
// anything is written, when loading with bmBits null. A truncated archive
// throws endOfFile with bmBits null. Always TRUE otherwise.
int CStringOpr::ESerialize(CArchive& ar, BITMAP& bitmap) {
  if (ar.IsStoring()) {
    LONGLONG bytes = PixelBytes(bitmap);
    if (bytes < 0) AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    ar << bitmap.bmType << bitmap.bmWidth << bitmap.bmHeight << bitmap.bmWidthBytes;
    ar << bitmap.bmPlanes << bitmap.bmBitsPixel;
    StorePixels(ar, bitmap, bytes);
    return TRUE;
  }
  bitmap.bmBits = nullptr;
  ar >> bitmap.bmType >> bitmap.bmWidth >> bitmap.bmHeight >> bitmap.bmWidthBytes;
  ar >> bitmap.bmPlanes >> bitmap.bmBitsPixel;
  LONGLONG bytes = PixelBytes(bitmap);
  if (bytes < 0) AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
  bitmap.bmBits = bytes > 0 ? LoadPixels(ar, bytes) : std::malloc(0);
  return TRUE;
}
