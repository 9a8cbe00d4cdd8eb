// Bitmap objects: the colour and mask bitmaps GetIconInfo hands out, read
// with GetObjectW and GetBitmapBits and freed with DeleteObject.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/module/icons_internal.h"

namespace kavro::platform::detail {
namespace {

struct BitmapObject {
  LONG width;
  LONG height;
  LONG widthBytes;
  WORD bitsPixel;
  std::vector<BYTE> rows;
};

struct Bitmaps {
  std::mutex lock;
  std::unordered_map<uintptr_t, std::shared_ptr<BitmapObject>> objects;
};

Bitmaps& TheBitmaps() {
  static Bitmaps* bitmaps = new Bitmaps;  // outlives every static object
  return *bitmaps;
}

std::shared_ptr<BitmapObject> Lookup(HGDIOBJ handle) {
  Bitmaps& b = TheBitmaps();
  std::lock_guard<std::mutex> guard(b.lock);
  auto it = b.objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == b.objects.end() ? nullptr : it->second;
}

}  // namespace

uintptr_t NextGdiHandle() {
  static std::atomic<uintptr_t> next{0x30000};
  return next.fetch_add(4);
}

HBITMAP CreateBitmapObject(LONG width, LONG height, WORD bitsPixel, LONG widthBytes,
                           std::vector<BYTE> rows) {
  auto object = std::make_shared<BitmapObject>(
      BitmapObject{width, height, widthBytes, bitsPixel, std::move(rows)});
  uintptr_t handle = NextGdiHandle();
  Bitmaps& b = TheBitmaps();
  std::lock_guard<std::mutex> guard(b.lock);
  b.objects.emplace(handle, std::move(object));
  return reinterpret_cast<HBITMAP>(handle);
}

}  // namespace kavro::platform::detail

using namespace kavro::platform::detail;

extern "C" int GetObjectW(HGDIOBJ object, int size, LPVOID buffer) {
  std::shared_ptr<BitmapObject> bitmap = Lookup(object);
  if (!bitmap) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!buffer) return static_cast<int>(sizeof(BITMAP));
  if (size < static_cast<int>(sizeof(BITMAP))) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  BITMAP bm = {};
  bm.bmType = 0;
  bm.bmWidth = bitmap->width;
  bm.bmHeight = bitmap->height;
  bm.bmWidthBytes = bitmap->widthBytes;
  bm.bmPlanes = 1;
  bm.bmBitsPixel = bitmap->bitsPixel;
  // The rows live as long as the object, which DeleteObject ends.
  bm.bmBits = bitmap->rows.data();
  std::memcpy(buffer, &bm, sizeof bm);
  return static_cast<int>(sizeof(BITMAP));
}

extern "C" LONG GetBitmapBits(HBITMAP handle, LONG size, LPVOID bits) {
  std::shared_ptr<BitmapObject> bitmap = Lookup(handle);
  if (!bitmap || size < 0 || (!bits && size > 0)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  size_t n = std::min(static_cast<size_t>(size), bitmap->rows.size());
  if (n == 0) return 0;
  std::memcpy(bits, bitmap->rows.data(), n);
  return static_cast<LONG>(n);
}

extern "C" BOOL DeleteObject(HGDIOBJ object) {
  std::shared_ptr<BitmapObject> doomed;
  {
    Bitmaps& b = TheBitmaps();
    std::lock_guard<std::mutex> guard(b.lock);
    auto it = b.objects.find(reinterpret_cast<uintptr_t>(object));
    if (it == b.objects.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    doomed = std::move(it->second);
    b.objects.erase(it);
  }
  return TRUE;
}
