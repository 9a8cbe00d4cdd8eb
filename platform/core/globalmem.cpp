// Global memory blocks kept in one process-wide table: a moveable block is
// found by its serial handle, a fixed one by its address.
#include "KavroStd/platform/globalmem.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

struct Block {
  void* data = nullptr;
  SIZE_T size = 0;
  UINT locks = 0;
  bool moveable = false;
};

struct BlockTable {
  std::mutex lock;
  std::unordered_map<uintptr_t, Block> blocks;
  uintptr_t nextHandle = 0x20000000;  // moveable handles: serial, never reused
};

BlockTable& Table() {
  static BlockTable* table = new BlockTable;  // outlives every static user
  return *table;
}

constexpr UINT kKnownFlags = GMEM_MOVEABLE | GMEM_NOCOMPACT | GMEM_NODISCARD | GMEM_ZEROINIT |
                             GMEM_MODIFY | GMEM_DISCARDABLE | GMEM_NOT_BANKED | GMEM_SHARE;

// At least one byte, so that a block of size 0 still has an address.
void* AllocateBytes(SIZE_T bytes, bool zero) {
  SIZE_T n = bytes ? bytes : 1;
  return zero ? std::calloc(n, 1) : std::malloc(n);
}

// Runs use(block) under the table's lock, or gives `invalid` with
// ERROR_INVALID_HANDLE when handle is no live block.
template <typename R, typename F>
R WithBlock(HGLOBAL handle, R invalid, F use) {
  BlockTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.blocks.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.blocks.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return invalid;
  }
  return use(it->second);
}

}  // namespace

extern "C" HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (flags & ~kKnownFlags) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* data = AllocateBytes(bytes, (flags & GMEM_ZEROINIT) != 0);
  if (!data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Block block{data, bytes, 0, (flags & GMEM_MOVEABLE) != 0};
  BlockTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  uintptr_t handle = reinterpret_cast<uintptr_t>(data);
  if (block.moveable) {
    handle = t.nextHandle;
    t.nextHandle += 8;
  }
  t.blocks.emplace(handle, block);
  return reinterpret_cast<HGLOBAL>(handle);
}

extern "C" LPVOID GlobalLock(HGLOBAL handle) {
  return WithBlock<LPVOID>(handle, nullptr, [](Block& block) {
    if (block.moveable && block.locks < GMEM_LOCKCOUNT) ++block.locks;
    return block.data;
  });
}

extern "C" BOOL GlobalUnlock(HGLOBAL handle) {
  return WithBlock<BOOL>(handle, FALSE, [](Block& block) -> BOOL {
    if (!block.moveable) return TRUE;
    if (block.locks == 0) {
      SetLastError(ERROR_NOT_LOCKED);
      return FALSE;
    }
    if (--block.locks > 0) return TRUE;
    SetLastError(ERROR_SUCCESS);
    return FALSE;
  });
}

extern "C" SIZE_T GlobalSize(HGLOBAL handle) {
  return WithBlock<SIZE_T>(handle, 0, [](Block& block) { return block.size; });
}

extern "C" UINT GlobalFlags(HGLOBAL handle) {
  return WithBlock<UINT>(handle, GMEM_INVALID_HANDLE, [](Block& block) { return block.locks & GMEM_LOCKCOUNT; });
}

extern "C" HGLOBAL GlobalFree(HGLOBAL handle) {
  if (!handle) return nullptr;
  void* data = nullptr;
  {
    BlockTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.blocks.find(reinterpret_cast<uintptr_t>(handle));
    if (it == t.blocks.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return handle;
    }
    data = it->second.data;
    t.blocks.erase(it);
  }
  std::free(data);
  return nullptr;
}

extern "C" HGLOBAL GlobalReAlloc(HGLOBAL handle, SIZE_T bytes, UINT flags) {
  BlockTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.blocks.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.blocks.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  Block block = it->second;
  if (flags & GMEM_MODIFY) return handle;  // only attribute changes, none of which matter here
  if (!block.moveable && !(flags & GMEM_MOVEABLE)) {
    // A fixed block may not move: it can only shrink in place.
    if (bytes > block.size) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    it->second.size = bytes;
    return handle;
  }
  void* data = std::realloc(block.data, bytes ? bytes : 1);
  if (!data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if ((flags & GMEM_ZEROINIT) && bytes > block.size)
    std::memset(static_cast<BYTE*>(data) + block.size, 0, bytes - block.size);
  block.data = data;
  block.size = bytes;
  if (block.moveable) {
    it->second = block;
    return handle;
  }
  t.blocks.erase(it);
  t.blocks.emplace(reinterpret_cast<uintptr_t>(data), block);
  return reinterpret_cast<HGLOBAL>(data);
}
