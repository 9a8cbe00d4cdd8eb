// DragQueryFileW over a file-drop block, bounded by the block's size. Names
// are asked for one after another, so the walk remembers (per thread) where
// the last name asked for began and goes on from there.
#include <algorithm>
#include <cstring>
#include <string>

#include "KavroStd/platform/codepage.h"
#include "KavroStd/platform/globalmem.h"
#include "KavroStd/platform/shellapi.h"
#include "platform/strings/utf16_internal.h"
#include "platform/strings/codepage_internal.h"

namespace {

// The name list of a locked drop block.
struct NameList {
  const BYTE* bytes = nullptr;  // first byte of the list
  size_t size = 0;              // bytes from there to the block's end
  bool wide = false;
  size_t unit() const { return wide ? 2 : 1; }
  bool ZeroAt(size_t offset) const {
    return wide ? bytes[offset] == 0 && bytes[offset + 1] == 0 : bytes[offset] == 0;
  }
  // Bytes of the name at offset, without its zero (to the end if none).
  size_t NameBytes(size_t offset) const {
    size_t end = offset;
    while (end + unit() <= size && !ZeroAt(end)) end += unit();
    return end - offset;
  }
  // Whether a name starts at offset (not the closing zero, not the end).
  bool HasName(size_t offset) const { return offset + unit() <= size && !ZeroAt(offset); }
};

struct WalkCache {
  HDROP drop = nullptr;
  const BYTE* bytes = nullptr;
  size_t size = 0;
  UINT index = 0;
  size_t offset = 0;
};
thread_local WalkCache cache;

bool ReadList(const BYTE* block, SIZE_T blockSize, NameList& list) {
  DROPFILES header;
  if (blockSize < sizeof header) return false;
  std::memcpy(&header, block, sizeof header);
  if (header.pFiles > blockSize) return false;
  list.bytes = block + header.pFiles;
  list.size = blockSize - header.pFiles;
  list.wide = header.fWide != 0;
  if (list.wide) list.size &= ~static_cast<size_t>(1);  // a last odd byte is no unit
  return true;
}

UINT CountNames(const NameList& list) {
  UINT count = 0;
  for (size_t at = 0; list.HasName(at); ++count) at += list.NameBytes(at) + list.unit();
  return count;
}

// Offset of name `index`, or false when there are fewer names.
bool FindName(HDROP drop, const NameList& list, UINT index, size_t& offset) {
  UINT i = 0;
  offset = 0;
  if (cache.drop == drop && cache.bytes == list.bytes && cache.size == list.size && cache.index <= index) {
    i = cache.index;
    offset = cache.offset;
  }
  for (; i < index; ++i) {
    if (!list.HasName(offset)) return false;
    offset += list.NameBytes(offset) + list.unit();
  }
  if (!list.HasName(offset)) return false;
  cache = WalkCache{drop, list.bytes, list.size, index, offset};
  return true;
}

std::wstring DecodeName(const NameList& list, size_t offset) {
  size_t n = list.NameBytes(offset);
  std::wstring name;
  if (list.wide)
    kavro::platform::KvAppendFromUtf16LE(list.bytes + offset, n / 2, name);
  else
    kavro::platform::DecodeBytes(CP_ACP, reinterpret_cast<const char*>(list.bytes + offset), n, name, false);
  return name;
}

UINT QueryLocked(HDROP drop, const BYTE* block, SIZE_T blockSize, UINT file, LPWSTR buffer, UINT size) {
  NameList list;
  if (!ReadList(block, blockSize, list)) return 0;
  if (file == 0xFFFFFFFF) return CountNames(list);
  size_t offset;
  if (!FindName(drop, list, file, offset)) return 0;
  std::wstring name = DecodeName(list, offset);
  if (!buffer) return static_cast<UINT>(name.size());
  if (size == 0) return 0;
  size_t n = std::min<size_t>(name.size(), size - 1);
  wmemcpy(buffer, name.data(), n);
  buffer[n] = 0;
  return static_cast<UINT>(n);
}

}  // namespace

extern "C" UINT DragQueryFileW(HDROP drop, UINT file, LPWSTR buffer, UINT size) {
  const BYTE* block = static_cast<const BYTE*>(GlobalLock(drop));
  if (!block) return 0;
  UINT result = QueryLocked(drop, block, GlobalSize(drop), file, buffer, size);
  GlobalUnlock(drop);
  return result;
}
