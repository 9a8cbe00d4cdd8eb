// Parsing of RT_GROUP_ICON and RT_ICON resources, image choice and scaling.
// Every read is checked against the resource's size first.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/module/icons_internal.h"

namespace kavro::platform::detail {
namespace {

int SideOf(BYTE stored) { return stored == 0 ? 256 : stored; }

int BitCountOf(const GRPICONDIRENTRY& e) {
  if (e.wBitCount) return e.wBitCount;
  if (e.bColorCount == 0) return 8;
  if (e.bColorCount <= 2) return 1;
  return e.bColorCount <= 16 ? 4 : 8;
}

size_t Stride(size_t width, size_t bits) { return ((width * bits + 31) / 32) * 4; }

// The palette index or colour of pixel x in a row of the XOR image.
uint32_t ReadPixel(const BYTE* row, int x, int bits, const uint32_t* palette, size_t colours) {
  size_t index;
  switch (bits) {
    case 32:
      return static_cast<uint32_t>(row[x * 4]) | row[x * 4 + 1] << 8 | row[x * 4 + 2] << 16 |
             static_cast<uint32_t>(row[x * 4 + 3]) << 24;
    case 24:
      return static_cast<uint32_t>(row[x * 3]) | row[x * 3 + 1] << 8 | row[x * 3 + 2] << 16;
    case 8:
      index = row[x];
      break;
    case 4:
      index = (row[x / 2] >> ((x % 2) ? 0 : 4)) & 0x0F;
      break;
    default:
      index = (row[x / 8] >> (7 - x % 8)) & 1;
      break;
  }
  return index < colours ? palette[index] & 0x00FFFFFF : 0;
}

}  // namespace

bool ParseIconGroup(const BYTE* data, size_t size, std::vector<IconGroupEntry>& entries) {
  entries.clear();
  if (!data || size < sizeof(GRPICONDIR)) return false;
  GRPICONDIR dir;
  std::memcpy(&dir, data, sizeof dir);
  if (dir.idReserved != 0 || dir.idType != 1 || dir.idCount == 0) return false;
  if (size < sizeof dir + static_cast<size_t>(dir.idCount) * sizeof(GRPICONDIRENTRY)) return false;
  for (WORD i = 0; i < dir.idCount; ++i) {
    GRPICONDIRENTRY e;
    std::memcpy(&e, data + sizeof dir + i * sizeof(GRPICONDIRENTRY), sizeof e);
    entries.push_back(IconGroupEntry{SideOf(e.bWidth), SideOf(e.bHeight), BitCountOf(e), e.nId});
  }
  return true;
}

bool DecodeIconImage(const BYTE* data, size_t size, IconImage& image) {
  static const BYTE kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (!data || size < sizeof(BITMAPINFOHEADER)) return false;
  if (std::memcmp(data, kPng, sizeof kPng) == 0) return false;
  BITMAPINFOHEADER h;
  std::memcpy(&h, data, sizeof h);
  const int bits = h.biBitCount;
  if (h.biSize < sizeof h || h.biSize > size || h.biPlanes != 1 || h.biCompression != BI_RGB) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
  // The stored height covers the XOR image and the AND mask.
  if (h.biWidth <= 0 || h.biWidth > kMaxIconSide || h.biHeight <= 0 || h.biHeight % 2 ||
      h.biHeight / 2 > kMaxIconSide)
    return false;
  const int width = h.biWidth, height = h.biHeight / 2;
  size_t colours = 0;
  if (bits <= 8) {
    colours = h.biClrUsed ? h.biClrUsed : (1u << bits);
    if (colours > (1u << bits)) return false;
  }
  const size_t xorStride = Stride(width, bits), andStride = Stride(width, 1);
  const size_t paletteAt = h.biSize, xorAt = paletteAt + colours * 4;
  const size_t andAt = xorAt + xorStride * height, end = andAt + andStride * height;
  if (end > size) return false;

  uint32_t palette[256] = {};
  for (size_t i = 0; i < colours; ++i) std::memcpy(&palette[i], data + paletteAt + i * 4, 4);

  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<size_t>(width) * height, 0);
  bool anyAlpha = false;
  for (int y = 0; y < height; ++y) {
    const BYTE* row = data + xorAt + xorStride * (height - 1 - y);  // rows are stored bottom first
    for (int x = 0; x < width; ++x) {
      uint32_t px = ReadPixel(row, x, bits, palette, colours);
      if (px >> 24) anyAlpha = true;
      image.pixels[static_cast<size_t>(y) * width + x] = px;
    }
  }
  // Without an alpha channel the AND mask says which pixels show.
  if (bits != 32 || !anyAlpha) {
    for (int y = 0; y < height; ++y) {
      const BYTE* mask = data + andAt + andStride * (height - 1 - y);
      for (int x = 0; x < width; ++x) {
        bool transparent = (mask[x / 8] >> (7 - x % 8)) & 1;
        uint32_t& px = image.pixels[static_cast<size_t>(y) * width + x];
        px = transparent ? 0 : (px | 0xFF000000u);
      }
    }
  }
  return true;
}

std::vector<size_t> RankIconEntries(const std::vector<IconGroupEntry>& entries, int cx, int cy) {
  // Shrinking keeps more detail than enlarging, so a smaller image costs twice.
  auto distance = [](int have, int want) { return have >= want ? have - want : 2 * (want - have); };
  std::vector<size_t> order(entries.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const IconGroupEntry& ea = entries[a];
    const IconGroupEntry& eb = entries[b];
    int da = distance(ea.width, cx) + distance(ea.height, cy);
    int db = distance(eb.width, cx) + distance(eb.height, cy);
    if (da != db) return da < db;
    return ea.bitCount > eb.bitCount;
  });
  return order;
}

IconImage ScaleIconImage(const IconImage& source, int width, int height) {
  if (source.width == width && source.height == height) return source;
  IconImage out;
  out.width = width;
  out.height = height;
  out.pixels.assign(static_cast<size_t>(width) * height, 0);
  for (int y = 0; y < height; ++y) {
    int sy0 = static_cast<int>(static_cast<int64_t>(y) * source.height / height);
    int sy1 = std::max(sy0 + 1, static_cast<int>(static_cast<int64_t>(y + 1) * source.height / height));
    for (int x = 0; x < width; ++x) {
      int sx0 = static_cast<int>(static_cast<int64_t>(x) * source.width / width);
      int sx1 = std::max(sx0 + 1, static_cast<int>(static_cast<int64_t>(x + 1) * source.width / width));
      uint64_t sumA = 0, sumR = 0, sumG = 0, sumB = 0, count = 0;
      for (int sy = sy0; sy < sy1; ++sy) {
        for (int sx = sx0; sx < sx1; ++sx) {
          uint32_t px = source.pixels[static_cast<size_t>(sy) * source.width + sx];
          uint32_t a = px >> 24;
          sumA += a;
          sumR += static_cast<uint64_t>((px >> 16) & 0xFF) * a;
          sumG += static_cast<uint64_t>((px >> 8) & 0xFF) * a;
          sumB += static_cast<uint64_t>(px & 0xFF) * a;
          ++count;
        }
      }
      uint32_t px = 0;
      if (sumA) {
        uint32_t a = static_cast<uint32_t>((sumA + count / 2) / count);
        uint32_t r = static_cast<uint32_t>((sumR + sumA / 2) / sumA);
        uint32_t g = static_cast<uint32_t>((sumG + sumA / 2) / sumA);
        uint32_t b = static_cast<uint32_t>((sumB + sumA / 2) / sumA);
        px = a << 24 | r << 16 | g << 8 | b;
      }
      out.pixels[static_cast<size_t>(y) * width + x] = px;
    }
  }
  return out;
}

}  // namespace kavro::platform::detail
