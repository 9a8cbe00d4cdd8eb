// Icon objects: loading from RT_GROUP_ICON/RT_ICON resources, the shared
// icon cache, DestroyIcon and GetIconInfo.
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include "KavroStd/platform/module.h"
#include "platform/module/icons_internal.h"
#include "platform/module/resources_internal.h"

namespace kavro::platform::detail {
namespace {

constexpr int kSystemIconSize = 32;
constexpr int kSmallIconSize = 16;

struct IconObject {
  std::shared_ptr<const IconImage> image;
  bool shared;
};

struct Icons {
  std::mutex lock;
  std::unordered_map<uintptr_t, IconObject> objects;
  // (group resource, requested width, requested height) -> shared icon
  std::map<std::tuple<uintptr_t, int, int>, uintptr_t> sharedIcons;
};

Icons& TheIcons() {
  static Icons* icons = new Icons;  // outlives every static object
  return *icons;
}

std::shared_ptr<const IconImage> LookupIcon(HICON icon) {
  Icons& t = TheIcons();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(icon));
  return it == t.objects.end() ? nullptr : it->second.image;
}

// The group's best decodable image for cx x cy (0: any), at its own size.
bool LoadBestImage(HINSTANCE instance, const ResourceBytes& group, int cx, int cy, IconImage& image) {
  std::vector<IconGroupEntry> entries;
  if (!ParseIconGroup(group.bytes->data(), group.bytes->size(), entries)) {
    SetLastError(ERROR_INVALID_DATA);
    return false;
  }
  int wantX = cx ? cx : (cy ? cy : kSystemIconSize);
  int wantY = cy ? cy : wantX;
  DWORD error = ERROR_INVALID_DATA;
  for (size_t index : RankIconEntries(entries, wantX, wantY)) {
    ResourceBytes bytes;
    if (!FindResourceBytes(instance, MAKEINTRESOURCEW(entries[index].id), RT_ICON, bytes)) {
      error = ERROR_RESOURCE_NAME_NOT_FOUND;
      continue;
    }
    if (DecodeIconImage(bytes.bytes->data(), bytes.bytes->size(), image)) return true;
  }
  SetLastError(error);
  return false;
}

HICON RegisterIcon(std::shared_ptr<const IconImage> image, bool shared) {
  uintptr_t handle = NextGdiHandle();
  Icons& t = TheIcons();
  std::lock_guard<std::mutex> guard(t.lock);
  t.objects.emplace(handle, IconObject{std::move(image), shared});
  return reinterpret_cast<HICON>(handle);
}

HICON LoadIconResource(HINSTANCE instance, LPCWSTR name, int cx, int cy, bool shared) {
  ResourceBytes group;
  if (!FindResourceBytes(instance, name, RT_GROUP_ICON, group)) return nullptr;
  auto key = std::make_tuple(group.id, cx, cy);
  Icons& t = TheIcons();
  if (shared) {
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.sharedIcons.find(key);
    if (it != t.sharedIcons.end()) return reinterpret_cast<HICON>(it->second);
  }
  IconImage image;
  if (!LoadBestImage(instance, group, cx, cy, image)) return nullptr;
  auto scaled = std::make_shared<const IconImage>(
      ScaleIconImage(image, cx ? cx : image.width, cy ? cy : image.height));
  HICON icon = RegisterIcon(std::move(scaled), shared);
  if (shared) {
    std::lock_guard<std::mutex> guard(t.lock);
    auto inserted = t.sharedIcons.emplace(key, reinterpret_cast<uintptr_t>(icon));
    if (!inserted.second) {  // another thread loaded it first: keep that one
      t.objects.erase(reinterpret_cast<uintptr_t>(icon));
      return reinterpret_cast<HICON>(inserted.first->second);
    }
  }
  return icon;
}

}  // namespace
}  // namespace kavro::platform::detail

using namespace kavro::platform::detail;

extern "C" int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXICON:
    case SM_CYICON:
      return kSystemIconSize;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return kSmallIconSize;
    default:
      return 0;
  }
}

extern "C" HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
  return static_cast<HICON>(LoadImageW(instance, name, IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
}

extern "C" HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy, UINT flags) {
  if (type != IMAGE_ICON || (flags & LR_LOADFROMFILE)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  if (cx < 0 || cy < 0 || cx > kMaxIconSide || cy > kMaxIconSide || !name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!instance) {  // the system's own images: none here
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  if (flags & LR_DEFAULTSIZE) {
    if (cx == 0) cx = GetSystemMetrics(SM_CXICON);
    if (cy == 0) cy = GetSystemMetrics(SM_CYICON);
  }
  return LoadIconResource(instance, name, cx, cy, (flags & LR_SHARED) != 0);
}

extern "C" BOOL DestroyIcon(HICON icon) {
  std::shared_ptr<const IconImage> doomed;
  Icons& t = TheIcons();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(icon));
  if (it == t.objects.end()) {
    SetLastError(ERROR_INVALID_ICON_HANDLE);
    return FALSE;
  }
  if (it->second.shared) return TRUE;  // shared icons live as long as the process
  doomed = std::move(it->second.image);
  t.objects.erase(it);
  return TRUE;
}

extern "C" BOOL GetIconInfo(HICON icon, PICONINFO info) {
  std::shared_ptr<const IconImage> image = LookupIcon(icon);
  if (!image) {
    SetLastError(ERROR_INVALID_ICON_HANDLE);
    return FALSE;
  }
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const int w = image->width, h = image->height;
  std::vector<BYTE> colour(static_cast<size_t>(w) * h * 4);
  const LONG maskStride = ((w + 15) / 16) * 2;  // device bitmaps align rows to 16 bits
  std::vector<BYTE> mask(static_cast<size_t>(maskStride) * h, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint32_t px = image->pixels[static_cast<size_t>(y) * w + x];
      BYTE* out = &colour[(static_cast<size_t>(y) * w + x) * 4];
      out[0] = px & 0xFF;
      out[1] = (px >> 8) & 0xFF;
      out[2] = (px >> 16) & 0xFF;
      out[3] = px >> 24;
      if ((px >> 24) == 0) mask[static_cast<size_t>(y) * maskStride + x / 8] |= 0x80 >> (x % 8);
    }
  }
  info->fIcon = TRUE;
  info->xHotspot = static_cast<DWORD>(w / 2);
  info->yHotspot = static_cast<DWORD>(h / 2);
  info->hbmColor = CreateBitmapObject(w, h, 32, w * 4, std::move(colour));
  info->hbmMask = CreateBitmapObject(w, h, 1, maskStride, std::move(mask));
  return TRUE;
}
