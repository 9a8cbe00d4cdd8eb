#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

constexpr unsigned char kS[16] = {14, 9, 6, 8, 15, 12, 2, 10, 3, 1, 7, 13, 5, 11, 0, 4};

std::vector<unsigned char> Scrambled(std::vector<unsigned char> data, std::vector<unsigned char> key,
                                     int keyLength) {
  CStringOpr::EncryptByteData(data.data(), static_cast<DWORD>(data.size()), key.data(), keyLength);
  return data;
}

TEST(ByteScrambleTest, ZeroKeyLeavesOnlyTheNibbleSubstitution) {
  std::vector<unsigned char> all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<unsigned char>(i);
  std::vector<unsigned char> out = Scrambled(all, std::vector<unsigned char>(3, 0), 3);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(out[i], (kS[i >> 4] << 4) | kS[i & 15]) << i;
}

TEST(ByteScrambleTest, KnownBytesAndSelfInverse) {
  // 0x00 ^ 0x12 = 0x12 -> S[1] S[2] = 0x96 -> ^ 0x12 = 0x84; the key wraps.
  std::vector<unsigned char> key = {0x12, 0xFF};
  EXPECT_EQ(Scrambled({0x00, 0x00, 0x00}, key, 2), (std::vector<unsigned char>{0x84, 0xFF ^ 0x44, 0x84}));
  std::vector<unsigned char> data;
  for (int i = 0; i < 3000; ++i) data.push_back(static_cast<unsigned char>(i * 7 + 3));
  std::vector<unsigned char> key16 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  std::vector<unsigned char> once = Scrambled(data, key16, 16);
  EXPECT_NE(once, data);
  EXPECT_EQ(Scrambled(once, key16, 16), data);
  // Blocks of 1024 with the key restarting equal one pass with a 16-byte key.
  std::vector<unsigned char> blocks = data;
  for (size_t at = 0; at < blocks.size(); at += 1024) {
    DWORD n = static_cast<DWORD>(std::min<size_t>(1024, blocks.size() - at));
    CStringOpr::EncryptByteData(blocks.data() + at, n, key16.data(), 16);
  }
  EXPECT_EQ(blocks, once);
}

TEST(ByteScrambleTest, NoKeyOrNoDataChangesNothing) {
  std::vector<unsigned char> data = {1, 2, 3};
  for (int keyLength : {0, -5}) {
    SCOPED_TRACE(keyLength);
    EXPECT_EQ(Scrambled(data, {9}, keyLength), data);
  }
  CStringOpr::EncryptByteData(nullptr, 0, nullptr, 0);
  unsigned char one = 5;
  CStringOpr::EncryptByteData(&one, 1, nullptr, 4);
  EXPECT_EQ(one, 5);
}

}  // namespace
