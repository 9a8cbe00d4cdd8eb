/// @file
/// @ingroup platform_layer
/// UUIDs of the RPC runtime over libuuid: UuidCreate, UuidToStringW,
/// UuidFromStringW, RpcStringFreeW.
///
///   UUID id;
///   RPC_WSTR text = nullptr;
///   if (UuidCreate(&id) == RPC_S_OK && UuidToStringW(&id, &text) == RPC_S_OK) {
///     CString s(text);            // "1b4e28ba-2fa1-11d2-883f-0016d3cca427"
///     RpcStringFreeW(&text);
///   }
///
/// A UUID is the Windows GUID record: Data1 to Data3 are numbers (held in the
/// machine's byte order), Data4 eight bytes; the text form is 36 characters,
/// lower-case hexadecimal, hyphenated, without braces, Data1 to Data3 written
/// as numbers, as Windows writes it. UuidCreate makes random (version 4)
/// UUIDs. Strings handed out belong to the caller, who frees them with
/// RpcStringFreeW.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/win_types.h"

#ifndef GUID_DEFINED
#define GUID_DEFINED
struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
static_assert(sizeof(GUID) == 16, "GUID is 16 bytes");
#endif
typedef GUID UUID;
typedef LONG RPC_STATUS;
typedef wchar_t* RPC_WSTR;

#define RPC_S_OK 0L
#define RPC_S_OUT_OF_MEMORY 14L
#define RPC_S_INVALID_ARG 87L
#define RPC_S_INVALID_STRING_UUID 1705L
#define RPC_S_UUID_LOCAL_ONLY 1824L
#define RPC_S_UUID_NO_ADDRESS 1739L

/// A new random UUID in *uuid. RPC_S_OK; RPC_S_INVALID_ARG for null.
KVSTD_C_API RPC_STATUS UuidCreate(UUID* uuid);
/// *text = the 36-character form, to be freed with RpcStringFreeW.
/// RPC_S_OK; RPC_S_INVALID_ARG for null pointers; RPC_S_OUT_OF_MEMORY.
KVSTD_C_API RPC_STATUS UuidToStringW(const UUID* uuid, RPC_WSTR* text);
/// Reads the 36-character form (either case; no braces). A null or empty
/// text gives the nil UUID. RPC_S_OK; RPC_S_INVALID_STRING_UUID for any other
/// text; RPC_S_INVALID_ARG for a null uuid.
KVSTD_C_API RPC_STATUS UuidFromStringW(RPC_WSTR text, UUID* uuid);
/// Frees *text and sets it to null. RPC_S_OK (also for a null *text).
KVSTD_C_API RPC_STATUS RpcStringFreeW(RPC_WSTR* text);
