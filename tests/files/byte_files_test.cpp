#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using kavro::test::Exists;
using kavro::test::ReadBytes;
using kavro::test::TempDir;
using kavro::test::WriteBytes;

std::vector<unsigned char> Pattern(size_t n) {
  std::vector<unsigned char> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + i / 256);
  return bytes;
}

CByteArray ToArray(const std::vector<unsigned char>& bytes) {
  CByteArray array;
  for (unsigned char b : bytes) array.Add(b);
  return array;
}

std::vector<unsigned char> FromArray(const CByteArray& array) {
  return std::vector<unsigned char>(array.GetData(), array.GetData() + array.GetSize());
}

TEST(ByteFiles, DiskRoundTripStoresTheScrambledForm) {
  // Sizes around the 1024-byte read blocks.
  for (size_t n : {size_t(1), size_t(1023), size_t(1024), size_t(1025), size_t(5000)}) {
    SCOPED_TRACE(n);
    TempDir dir;
    std::vector<unsigned char> original = Pattern(n);
    CByteArray array = ToArray(original);
    CStringOpr::SaveByteArrayToFile(array, dir.Win("data.bin"));
    EXPECT_EQ(FromArray(array), original);  // the array form works on a copy
    std::string disk = ReadBytes(dir.Sub("data.bin"));
    ASSERT_EQ(disk.size(), n);
    // The bytes on disk are the one-pass scrambling of the data.
    std::vector<unsigned char> scrambled = original;
    CStringOpr::SaveByteArrayToFile(scrambled.data(), static_cast<DWORD>(n), dir.Win("raw.bin"));
    EXPECT_EQ(std::string(scrambled.begin(), scrambled.end()), disk);
    EXPECT_NE(scrambled, original);  // the pointer form scrambles in place
    EXPECT_EQ(ReadBytes(dir.Sub("raw.bin")), disk);

    CByteArray back;
    CStringOpr::ReadFileToByteArray(dir.Win("data.bin"), back);
    EXPECT_EQ(FromArray(back), original);
  }
}

TEST(ByteFiles, EmptyArrayAndMissingFileDoNothing) {
  TempDir dir;
  WriteBytes(dir.Sub("keep.bin"), "old");
  CByteArray empty;
  CStringOpr::SaveByteArrayToFile(empty, dir.Win("keep.bin"));
  EXPECT_EQ(ReadBytes(dir.Sub("keep.bin")), "old");
  CByteArray bytes = ToArray({1, 2, 3});
  CStringOpr::ReadFileToByteArray(dir.Win("none.bin"), bytes);
  EXPECT_EQ(bytes.GetSize(), 3);
  EXPECT_FALSE(Exists(dir.Sub("none.bin")));
}

TEST(ByteFiles, UnwritablePathThrowsTheFileException) {
  TempDir dir;
  CByteArray bytes = ToArray({1});
  bool thrown = false;
  try {
    CStringOpr::SaveByteArrayToFile(bytes, dir.Win("missing\\data.bin"));
  } catch (CFileException* e) {
    thrown = true;
    e->Delete();
  }
  EXPECT_TRUE(thrown);
}

TEST(ByteFiles, MemoryFileRoundTrip) {
  std::vector<unsigned char> original = Pattern(3000);
  CMemFile file;
  CByteArray array = ToArray(original);
  CStringOpr::SaveByteArrayToFile(array, &file);
  EXPECT_EQ(file.GetLength(), 3000u);
  file.SeekToBegin();
  CByteArray back;
  CStringOpr::ReadFileToByteArray(&file, back);
  EXPECT_EQ(FromArray(back), original);

  // Not at its start: the array has the whole length, the part read goes
  // to its front and the rest stays 0.
  file.Seek(1024, CFile::begin);
  CByteArray tail;
  CStringOpr::ReadFileToByteArray(&file, tail);
  ASSERT_EQ(tail.GetSize(), 3000);
  std::vector<unsigned char> disk(3000);
  file.SeekToBegin();
  file.Read(disk.data(), 3000);
  std::vector<unsigned char> expected(3000, 0);
  for (size_t i = 0; i < 3000 - 1024; ++i) expected[i] = original[1024 + i];
  EXPECT_EQ(FromArray(tail), expected);
}

}  // namespace
