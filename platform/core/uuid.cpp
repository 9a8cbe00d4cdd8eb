// UUIDs over libuuid, in the Windows GUID record and text form.
#include <uuid/uuid.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "KavroStd/platform/rpc.h"

namespace {

constexpr size_t kTextLength = 36;

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Reads digits hex digits from text; false on a non-digit.
bool ReadHex(const wchar_t* text, int digits, unsigned long long& value) {
  value = 0;
  for (int i = 0; i < digits; ++i) {
    int v = HexValue(text[i]);
    if (v < 0) return false;
    value = value << 4 | static_cast<unsigned>(v);
  }
  return true;
}

}  // namespace

extern "C" RPC_STATUS UuidCreate(UUID* uuid) {
  if (!uuid) return RPC_S_INVALID_ARG;
  uuid_t bytes;
  uuid_generate_random(bytes);
  // libuuid gives the RFC 4122 byte order: the first three fields big-endian.
  uuid->Data1 = static_cast<DWORD>(bytes[0]) << 24 | static_cast<DWORD>(bytes[1]) << 16 |
                static_cast<DWORD>(bytes[2]) << 8 | bytes[3];
  uuid->Data2 = static_cast<WORD>(bytes[4] << 8 | bytes[5]);
  uuid->Data3 = static_cast<WORD>(bytes[6] << 8 | bytes[7]);
  std::memcpy(uuid->Data4, bytes + 8, 8);
  return RPC_S_OK;
}

extern "C" RPC_STATUS UuidToStringW(const UUID* uuid, RPC_WSTR* text) {
  if (!uuid || !text) return RPC_S_INVALID_ARG;
  *text = nullptr;
  wchar_t* out = static_cast<wchar_t*>(std::malloc((kTextLength + 1) * sizeof(wchar_t)));
  if (!out) return RPC_S_OUT_OF_MEMORY;
  const BYTE* d = uuid->Data4;
  swprintf(out, kTextLength + 1, L"%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
           static_cast<unsigned>(uuid->Data1), uuid->Data2, uuid->Data3, d[0], d[1], d[2], d[3], d[4], d[5],
           d[6], d[7]);
  *text = out;
  return RPC_S_OK;
}

extern "C" RPC_STATUS UuidFromStringW(RPC_WSTR text, UUID* uuid) {
  if (!uuid) return RPC_S_INVALID_ARG;
  if (!text || !*text) {
    std::memset(uuid, 0, sizeof(*uuid));
    return RPC_S_OK;
  }
  if (wcslen(text) != kTextLength || text[8] != L'-' || text[13] != L'-' || text[18] != L'-' ||
      text[23] != L'-')
    return RPC_S_INVALID_STRING_UUID;
  unsigned long long data1, data2, data3, value;
  BYTE data4[8];
  if (!ReadHex(text, 8, data1) || !ReadHex(text + 9, 4, data2) || !ReadHex(text + 14, 4, data3))
    return RPC_S_INVALID_STRING_UUID;
  static const int kByteAt[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(text + kByteAt[i], 2, value)) return RPC_S_INVALID_STRING_UUID;
    data4[i] = static_cast<BYTE>(value);
  }
  uuid->Data1 = static_cast<DWORD>(data1);
  uuid->Data2 = static_cast<WORD>(data2);
  uuid->Data3 = static_cast<WORD>(data3);
  std::memcpy(uuid->Data4, data4, 8);
  return RPC_S_OK;
}

extern "C" RPC_STATUS RpcStringFreeW(RPC_WSTR* text) {
  if (text) {
    std::free(*text);
    *text = nullptr;
  }
  return RPC_S_OK;
}
