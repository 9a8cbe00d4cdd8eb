// Hexadecimal digits of a byte and GUID text.
#include "KavroStd/platform/rpc.h"
#include "KavroStd/text.h"

namespace {
const char kHexDigits[] = "0123456789ABCDEF";
}  // namespace

CString CStringOpr::Char2Hex(char c) {
  char digits[3];
  Char2Hex(static_cast<unsigned char>(c), digits);
  return CString(digits);
}

void CStringOpr::Char2Hex(unsigned char c, char* out) {
  if (!out) return;
  out[0] = kHexDigits[c >> 4];
  out[1] = kHexDigits[c & 0x0F];
  out[2] = 0;
}

CString CStringOpr::GetGUID() {
  UUID id;
  if (UuidCreate(&id) != RPC_S_OK) return CString();
  RPC_WSTR text = NULL;
  if (UuidToStringW(&id, &text) != RPC_S_OK) return CString();
  CString result(text);
  RpcStringFreeW(&text);
  return result;
}
