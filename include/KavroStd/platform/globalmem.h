/// @file
/// @ingroup platform_layer
/// Global memory blocks: the Win32 heap blocks that the clipboard and file
/// drops exchange.
///
///   HGLOBAL h = GlobalAlloc(GHND, 64);        // moveable, zero-filled
///   BYTE* p = (BYTE*)GlobalLock(h);           // the bytes, while locked
///   ...
///   GlobalUnlock(h);
///   SetClipboardData(CF_HDROP, h);            // or GlobalFree(h)
///
/// A moveable block (GMEM_MOVEABLE) is reached through its handle, a serial
/// number never reused, so a stale or foreign handle is always refused with
/// ERROR_INVALID_HANDLE. A fixed block's handle is its address, as on
/// Windows. GMEM_SHARE and GMEM_DDESHARE are accepted and change nothing (a
/// process reads another's clipboard data as a copy). The functions may be
/// called from any thread; a block itself is not locked against concurrent
/// writers.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/win_errors.h"
#include "KavroStd/platform/win_types.h"

#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_NOCOMPACT 0x0010u
#define GMEM_NODISCARD 0x0020u
#define GMEM_ZEROINIT 0x0040u
#define GMEM_MODIFY 0x0080u
#define GMEM_DISCARDABLE 0x0100u
#define GMEM_NOT_BANKED 0x1000u
#define GMEM_SHARE 0x2000u
#define GMEM_DDESHARE 0x2000u
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define GMEM_LOCKCOUNT 0x00FFu
#define GMEM_INVALID_HANDLE 0x8000u

/// A block of `bytes` (zeroed with GMEM_ZEROINIT; 0 bytes gives a block of
/// size 0 that can still be locked). Null with ERROR_NOT_ENOUGH_MEMORY when
/// the memory cannot be had, ERROR_INVALID_PARAMETER for unknown flags.
KVSTD_C_API HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
/// The block's first byte, with its lock count raised (moveable blocks);
/// null with ERROR_INVALID_HANDLE for a handle that is not a live block.
KVSTD_C_API LPVOID GlobalLock(HGLOBAL block);
/// Lowers the lock count. Non-zero while the block stays locked; 0 with
/// ERROR_SUCCESS when it is now unlocked, ERROR_NOT_LOCKED when it was not
/// locked, ERROR_INVALID_HANDLE for a bad handle. Fixed blocks answer TRUE.
KVSTD_C_API BOOL GlobalUnlock(HGLOBAL block);
/// The size asked for at allocation (or the last resize); 0 with
/// ERROR_INVALID_HANDLE for a bad handle.
KVSTD_C_API SIZE_T GlobalSize(HGLOBAL block);
/// GMEM_LOCKCOUNT bits of a moveable block's lock count; GMEM_INVALID_HANDLE
/// for a bad handle.
KVSTD_C_API UINT GlobalFlags(HGLOBAL block);
/// Releases the block (null is allowed); null on success, the handle itself
/// with ERROR_INVALID_HANDLE when it is not a live block.
KVSTD_C_API HGLOBAL GlobalFree(HGLOBAL block);
/// Resizes the block, keeping its bytes (new bytes zeroed with
/// GMEM_ZEROINIT). A moveable block keeps its handle; a fixed block may move
/// only with GMEM_MOVEABLE and then gets its new address as handle. Null with
/// ERROR_NOT_ENOUGH_MEMORY (block unchanged) or ERROR_INVALID_HANDLE.
KVSTD_C_API HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags);
