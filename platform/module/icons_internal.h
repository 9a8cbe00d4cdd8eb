// The icon resource formats and the image operations behind the icon calls.
#pragma once

#include <cstdint>
#include <vector>

#include "KavroStd/platform/gdi.h"

namespace kavro::platform::detail {

// RT_GROUP_ICON: a GRPICONDIR followed by idCount packed entries. (The .ico
// file format has 16-byte entries with file offsets instead of nId.)
#pragma pack(push, 2)
struct GRPICONDIR {
  WORD idReserved;  // 0
  WORD idType;      // 1 for icons
  WORD idCount;
};
struct GRPICONDIRENTRY {
  BYTE bWidth;   // 0 means 256
  BYTE bHeight;  // 0 means 256
  BYTE bColorCount;
  BYTE bReserved;
  WORD wPlanes;
  WORD wBitCount;
  DWORD dwBytesInRes;
  WORD nId;  // the RT_ICON resource holding the image
};
#pragma pack(pop)
static_assert(sizeof(GRPICONDIR) == 6, "GRPICONDIR is 6 bytes");
static_assert(sizeof(GRPICONDIRENTRY) == 14, "GRPICONDIRENTRY is 14 packed bytes");
static_assert(offsetof(GRPICONDIRENTRY, dwBytesInRes) == 8, "GRPICONDIRENTRY layout");
static_assert(offsetof(GRPICONDIRENTRY, nId) == 12, "GRPICONDIRENTRY layout");

// The largest icon the layer reads or makes, in each dimension.
constexpr int kMaxIconSide = 1024;

struct IconGroupEntry {
  int width = 0;
  int height = 0;
  int bitCount = 0;
  WORD id = 0;
};

// Pixels are 0xAARRGGBB values (B, G, R, A in memory), rows top first, alpha
// not premultiplied.
struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

// False for bytes that are not an icon group directory.
bool ParseIconGroup(const BYTE* data, size_t size, std::vector<IconGroupEntry>& entries);
// Decodes one RT_ICON image (BITMAPINFOHEADER, colours, XOR and AND masks);
// false for anything malformed or unsupported (PNG, compression, odd depth).
bool DecodeIconImage(const BYTE* data, size_t size, IconImage& image);
// Indexes of the entries, best first for an icon of cx x cy.
std::vector<size_t> RankIconEntries(const std::vector<IconGroupEntry>& entries, int cx, int cy);
// Area-averaged resampling (alpha-weighted); the same image when the size
// already matches.
IconImage ScaleIconImage(const IconImage& source, int width, int height);

// Bitmap objects (icons_bitmaps.cpp). Rows are top first, widthBytes apart.
HBITMAP CreateBitmapObject(LONG width, LONG height, WORD bitsPixel, LONG widthBytes,
                           std::vector<BYTE> rows);
// A fresh icon or bitmap handle value; never reused.
uintptr_t NextGdiHandle();

}  // namespace kavro::platform::detail
