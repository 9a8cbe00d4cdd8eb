// Keyed byte scrambling: each byte, XORed with its key byte, has both
// nibbles replaced through a self-inverse table and is XORed again.
#include <array>

#include "KavroStd/text.h"

namespace {

constexpr BYTE kNibble[16] = {14, 9, 6, 8, 15, 12, 2, 10, 3, 1, 7, 13, 5, 11, 0, 4};

constexpr std::array<BYTE, 256> MakeByteTable() {
  std::array<BYTE, 256> table{};
  for (int x = 0; x < 256; ++x) table[x] = static_cast<BYTE>((kNibble[x >> 4] << 4) | kNibble[x & 15]);
  return table;
}

constexpr std::array<BYTE, 256> kByte = MakeByteTable();

static_assert([] {
  for (int n = 0; n < 16; ++n)
    if (kNibble[kNibble[n]] != n) return false;
  return true;
}(), "the nibble table must be its own inverse");

}  // namespace

// data[i] becomes S(data[i] ^ k) ^ k with k = key[i mod keyLength] and S the
// nibble substitution of both halves. Its own inverse under the same key.
// Nothing happens for length 0, a key length below 1 or a null pointer.
void CStringOpr::EncryptByteData(unsigned char* data, DWORD length, unsigned char* key, int keyLength) {
  if (length == 0 || keyLength < 1 || !data || !key) return;
  DWORD k = 0;
  for (DWORD i = 0; i < length; ++i) {
    BYTE mask = key[k];
    data[i] = static_cast<unsigned char>(kByte[data[i] ^ mask] ^ mask);
    if (++k == static_cast<DWORD>(keyLength)) k = 0;
  }
}
