/// @file
/// @ingroup platform_layer
/// Icons and bitmaps: loading icons from module resources and reading their
/// size and pixels.
///
///   HICON icon = (HICON)LoadImageW(module, MAKEINTRESOURCEW(128), IMAGE_ICON, 48, 48, 0);
///   ICONINFO info;
///   GetIconInfo(icon, &info);              // two new bitmaps the caller deletes
///   BITMAP bm;
///   GetObjectW(info.hbmColor, sizeof bm, &bm);   // 48 x 48, 32 bits per pixel
///   DeleteObject(info.hbmColor); DeleteObject(info.hbmMask);
///   DestroyIcon(icon);
///
/// Icon resources use the Windows formats: an RT_GROUP_ICON directory
/// (GRPICONDIR with 14-byte entries) naming RT_ICON images of the same module,
/// each a BITMAPINFOHEADER (height doubled) with its colour table, the XOR
/// image (1, 4, 8, 24 or 32 bits per pixel) and the 1-bit AND mask. PNG
/// images are not read. Malformed bytes give a null icon, never a read out of
/// bounds.
///
/// An icon holds 32-bit pixels (B, G, R, A bytes, not premultiplied). The
/// system icon size is 32 x 32, the small icon size 16 x 16. Loading at a size
/// picks the group's image nearest that size (then the deepest colour) and
/// scales it. Shared icons (LoadIconW, LR_SHARED) are the same handle on every
/// load and live as long as the process; DestroyIcon accepts and ignores them.
/// Icon and bitmap handles are serial numbers never reused.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <cstddef>

#include "KavroStd/platform/win_errors.h"
#include "KavroStd/platform/win_types.h"

#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define IMAGE_CURSOR 2

#define LR_DEFAULTCOLOR 0x00000000
#define LR_MONOCHROME 0x00000001
#define LR_LOADFROMFILE 0x00000010
#define LR_LOADTRANSPARENT 0x00000020
#define LR_DEFAULTSIZE 0x00000040
#define LR_VGACOLOR 0x00000080
#define LR_LOADMAP3DCOLORS 0x00001000
#define LR_CREATEDIBSECTION 0x00002000
#define LR_SHARED 0x00008000

#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXSMICON 49
#define SM_CYSMICON 50

#define BI_RGB 0L

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};
typedef BITMAP* LPBITMAP;
static_assert(offsetof(BITMAP, bmWidthBytes) == 12, "BITMAP layout");
static_assert(offsetof(BITMAP, bmPlanes) == 16, "BITMAP layout");
static_assert(offsetof(BITMAP, bmBitsPixel) == 18, "BITMAP layout");
static_assert(offsetof(BITMAP, bmBits) == (sizeof(void*) == 8 ? 24 : 20), "BITMAP layout");

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");

struct ICONINFO {
  BOOL fIcon;
  DWORD xHotspot;
  DWORD yHotspot;
  HBITMAP hbmMask;
  HBITMAP hbmColor;
};
typedef ICONINFO* PICONINFO;

/// 32 for SM_CXICON/SM_CYICON, 16 for SM_CXSMICON/SM_CYSMICON, 0 for any
/// other metric.
KVSTD_C_API int GetSystemMetrics(int index);

/// The shared icon of group `name` in `instance` at the system size. Null
/// when the group is missing or malformed (the last error tells which). A
/// null instance names the system's own icons, of which there are none here.
KVSTD_C_API HICON LoadIconW(HINSTANCE instance, LPCWSTR name);

/// IMAGE_ICON only (others: null, ERROR_NOT_SUPPORTED; so is LR_LOADFROMFILE).
/// A new icon of cx x cy pixels; a zero cx or cy is the system size with
/// LR_DEFAULTSIZE, else that of the chosen image. LR_SHARED gives the shared
/// icon of that group and size. Sizes above 1024 or negative:
/// ERROR_INVALID_PARAMETER.
KVSTD_C_API HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy,
                              UINT flags);

/// TRUE for a live icon (nothing is done to a shared one); FALSE with
/// ERROR_INVALID_ICON_HANDLE for any other handle.
KVSTD_C_API BOOL DestroyIcon(HICON icon);

/// Two new bitmaps describing the icon: hbmColor (32 bits per pixel) and
/// hbmMask (1 bit per pixel, 1 = transparent); the hot spot is the centre.
/// FALSE with ERROR_INVALID_ICON_HANDLE for a bad icon.
KVSTD_C_API BOOL GetIconInfo(HICON icon, PICONINFO info);

/// For a bitmap: a null buffer returns sizeof(BITMAP); a buffer of at least
/// that size receives the BITMAP (bmBits points at the pixel rows, top row
/// first, valid until the bitmap is deleted) and the size is returned. 0 for
/// a short buffer or an unknown handle.
KVSTD_C_API int GetObjectW(HGDIOBJ object, int size, LPVOID buffer);
/// Copies up to `size` bytes of the bitmap's rows (top row first, each
/// bmWidthBytes long); returns the bytes copied, 0 for an unknown handle.
KVSTD_C_API LONG GetBitmapBits(HBITMAP bitmap, LONG size, LPVOID bits);
/// TRUE when the bitmap existed; FALSE (ERROR_INVALID_HANDLE) otherwise.
KVSTD_C_API BOOL DeleteObject(HGDIOBJ object);
