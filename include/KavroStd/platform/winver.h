// The version resource of an executable file: the fixed file information
// (four-part file and product versions, flags, type) and the version texts
// (company, product, file version, ...) of Windows executables and DLLs,
// read from PE32 and PE32+ files on disk.
//
//   DWORD unused;
//   DWORD size = GetFileVersionInfoSizeW(L"Z:\\opt\\app\\Setup.exe", &unused);
//   std::vector<BYTE> block(size);
//   VS_FIXEDFILEINFO* fixed;
//   UINT length;
//   if (size && GetFileVersionInfoW(L"Z:\\opt\\app\\Setup.exe", 0, size, block.data()) &&
//       VerQueryValueW(block.data(), L"\\", (LPVOID*)&fixed, &length))
//     major = HIWORD(fixed->dwFileVersionMS);
//
// The block holds the resource as the file stores it (UTF-16 texts) and,
// behind it, room where VerQueryValueW puts a text's wchar_t form when it
// is asked for one; texts handed out live in the caller's block.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <cstddef>

#include "KavroStd/platform/export.h"
#include "KavroStd/platform/win_types.h"

typedef UINT* PUINT;

// The fixed part of a version resource, laid out as Windows stores it.
struct VS_FIXEDFILEINFO {
  DWORD dwSignature;         // VS_FFI_SIGNATURE
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;     // HIWORD: major, LOWORD: minor
  DWORD dwFileVersionLS;     // HIWORD: build, LOWORD: revision
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;         // VS_FF_*
  DWORD dwFileOS;            // VOS_*
  DWORD dwFileType;          // VFT_*
  DWORD dwFileSubtype;       // VFT2_*
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};
typedef VS_FIXEDFILEINFO* PVS_FIXEDFILEINFO;
typedef VS_FIXEDFILEINFO* LPVS_FIXEDFILEINFO;
static_assert(sizeof(VS_FIXEDFILEINFO) == 52, "VS_FIXEDFILEINFO is 52 bytes");
static_assert(offsetof(VS_FIXEDFILEINFO, dwFileType) == 36, "VS_FIXEDFILEINFO layout");

#define VS_VERSION_INFO 1
#define VS_USER_DEFINED 100
#define VS_FFI_SIGNATURE 0xFEEF04BDL
#define VS_FFI_STRUCVERSION 0x00010000L
#define VS_FFI_FILEFLAGSMASK 0x0000003FL

#define VS_FF_DEBUG 0x00000001L
#define VS_FF_PRERELEASE 0x00000002L
#define VS_FF_PATCHED 0x00000004L
#define VS_FF_PRIVATEBUILD 0x00000008L
#define VS_FF_INFOINFERRED 0x00000010L
#define VS_FF_SPECIALBUILD 0x00000020L

#define VOS_UNKNOWN 0x00000000L
#define VOS_DOS 0x00010000L
#define VOS_OS216 0x00020000L
#define VOS_OS232 0x00030000L
#define VOS_NT 0x00040000L
#define VOS_WINCE 0x00050000L
#define VOS__BASE 0x00000000L
#define VOS__WINDOWS16 0x00000001L
#define VOS__PM16 0x00000002L
#define VOS__PM32 0x00000003L
#define VOS__WINDOWS32 0x00000004L
#define VOS_DOS_WINDOWS16 0x00010001L
#define VOS_DOS_WINDOWS32 0x00010004L
#define VOS_OS216_PM16 0x00020002L
#define VOS_OS232_PM32 0x00030003L
#define VOS_NT_WINDOWS32 0x00040004L

#define VFT_UNKNOWN 0x00000000L
#define VFT_APP 0x00000001L
#define VFT_DLL 0x00000002L
#define VFT_DRV 0x00000003L
#define VFT_FONT 0x00000004L
#define VFT_VXD 0x00000005L
#define VFT_STATIC_LIB 0x00000007L

#define VFT2_UNKNOWN 0x00000000L
#define VFT2_DRV_PRINTER 0x00000001L
#define VFT2_DRV_KEYBOARD 0x00000002L
#define VFT2_DRV_LANGUAGE 0x00000003L
#define VFT2_DRV_DISPLAY 0x00000004L
#define VFT2_DRV_MOUSE 0x00000005L
#define VFT2_DRV_NETWORK 0x00000006L
#define VFT2_DRV_SYSTEM 0x00000007L
#define VFT2_DRV_INSTALLABLE 0x00000008L
#define VFT2_DRV_SOUND 0x00000009L
#define VFT2_DRV_COMM 0x0000000AL
#define VFT2_DRV_VERSIONED_PRINTER 0x0000000CL
#define VFT2_FONT_RASTER 0x00000001L
#define VFT2_FONT_VECTOR 0x00000002L
#define VFT2_FONT_TRUETYPE 0x00000003L

// Flags of the Ex forms. The file's own resource is read whatever they say
// (there are no language resource files beside it on Linux).
#define FILE_VER_GET_LOCALISED 0x01
#define FILE_VER_GET_NEUTRAL 0x02
#define FILE_VER_GET_PREFETCHED 0x04

// The size of the block GetFileVersionInfoW fills for the file; `handle`
// (optional) is set to 0. 0 on failure: ERROR_FILE_NOT_FOUND or
// ERROR_PATH_NOT_FOUND for a missing file, ERROR_RESOURCE_DATA_NOT_FOUND
// for a file that is no PE executable (a text, an ELF program), is damaged
// or has no resources, ERROR_RESOURCE_TYPE_NOT_FOUND for one whose
// resources hold no version resource, ERROR_INVALID_DATA for a version
// resource that does not start with its "VS_VERSION_INFO" header.
KVSTD_C_API DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle);
KVSTD_C_API DWORD GetFileVersionInfoSizeExW(DWORD flags, LPCWSTR fileName, LPDWORD handle);

// Fills `data` with the file's version block; `handle` is ignored. The same
// errors as GetFileVersionInfoSizeW; ERROR_INVALID_PARAMETER for null data,
// ERROR_INSUFFICIENT_BUFFER when `length` is below the size it returns (the
// block is never cut short: a cut block could not bound its own reads).
KVSTD_C_API BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD length, LPVOID data);
KVSTD_C_API BOOL GetFileVersionInfoExW(DWORD flags, LPCWSTR fileName, DWORD handle, DWORD length,
                                       LPVOID data);

// One value of a block from GetFileVersionInfoW. `subBlock` is a path of
// keys separated by '\', matched without regard to case (empty parts are
// skipped):
//   "\"                        the VS_FIXEDFILEINFO; *length 52
//   "\VarFileInfo\Translation" the language and code-page WORD pairs; *length
//                              in bytes
//   "\StringFileInfo\080404b0\ProductName"
//                              the text as a wchar_t string in the block;
//                              *length in characters with the terminator
// A key that names a block of further keys gives a pointer into the block
// and *length 0. FALSE with ERROR_RESOURCE_TYPE_NOT_FOUND (*length 0,
// *buffer unchanged) for a path that is not there, "\" on a resource
// without fixed information, or a text asked of a block that lacks the
// room for it; ERROR_INVALID_PARAMETER for null arguments.
KVSTD_C_API BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length);
