#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "support/test_support.h"

namespace {

template <typename T>
std::string Store(T& target) {
  CMemFile mem;
  {
    CArchive ar(&mem, CArchive::store);
    EXPECT_TRUE(CStringOpr::ESerialize(ar, target));
  }
  std::string bytes(static_cast<size_t>(mem.GetLength()), '\0');
  mem.SeekToBegin();
  mem.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

// Loads target from bytes: the cause of the CArchiveException thrown, or -1.
template <typename T>
int Load(const std::string& bytes, T& target) {
  CMemFile mem;
  mem.Write(bytes.data(), static_cast<UINT>(bytes.size()));
  mem.SeekToBegin();
  CArchive ar(&mem, CArchive::load);
  try {
    EXPECT_TRUE(CStringOpr::ESerialize(ar, target));
  } catch (CArchiveException* e) {
    int cause = e->m_cause;
    e->Delete();
    return cause;
  }
  return -1;
}

std::string Le32(uint32_t v) {
  return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                     static_cast<char>(v >> 24)};
}

TEST(ArchiveFormsTest, StringListLayoutAndRoundTrip) {
  CStringArray items;
  EXPECT_EQ(Store(items), std::string(4, '\0'));
  items.Add(L"ab");
  items.Add(L"");
  std::string bytes = Store(items);
  EXPECT_EQ(bytes, Le32(2) + std::string("\xFF\xFE\xFF\x02" "a\0b\0" "\xFF\xFE\xFF\x00", 12));
  CStringArray back;
  back.Add(L"old");
  EXPECT_EQ(Load(bytes, back), -1);
  EXPECT_TRUE(CStringOpr::IsSame(items, back));
  EXPECT_EQ(Load(std::string(4, '\0'), back), -1);
  EXPECT_EQ(back.GetSize(), 0);
}

TEST(ArchiveFormsTest, ByteListLayoutAndRoundTrip) {
  CByteArray bytes;
  for (int i = 0; i < 5000; ++i) bytes.Add(static_cast<BYTE>(i * 31));
  std::string stored = Store(bytes);
  ASSERT_EQ(stored.size(), 5004u);
  EXPECT_EQ(stored.substr(0, 6), Le32(5000) + std::string("\x00\x1F", 2));
  CByteArray back;
  EXPECT_EQ(Load(stored, back), -1);
  ASSERT_EQ(back.GetSize(), 5000);
  EXPECT_EQ(std::memcmp(back.GetData(), bytes.GetData(), 5000), 0);
}

// An empty CByteArray has no storage (GetData() is null): storing or loading
// one must not hand that pointer to a copy, which the sanitizer build reports.
TEST(ArchiveFormsTest, EmptyByteListPassesNoNullPointer) {
  CByteArray empty;
  EXPECT_EQ(Store(empty), Le32(0));

  struct Row {
    const char* what;
    std::string bytes;
    int cause;
  } rows[] = {
      {"zero count", Le32(0), -1},
      {"zero count, bytes after it", Le32(0) + "abc", -1},
      {"count with no bytes after it", Le32(5), CArchiveException::endOfFile},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    CByteArray back;  // never grown: no storage
    EXPECT_EQ(Load(r.bytes, back), r.cause);
    EXPECT_EQ(back.GetSize(), 0);
  }
}

TEST(ArchiveFormsTest, BitmapLayoutAndRoundTrip) {
  BYTE pixels[6] = {1, 2, 3, 4, 5, 6};
  BITMAP bm = {0, 3, 2, 3, 1, 8, pixels};
  std::string stored = Store(bm);
  EXPECT_EQ(stored, Le32(0) + Le32(3) + Le32(2) + Le32(3) + std::string("\x01\0\x08\0", 4) +
                        std::string("\x01\x02\x03\x04\x05\x06", 6));
  BITMAP back = {};
  EXPECT_EQ(Load(stored, back), -1);
  EXPECT_EQ(back.bmWidth, 3);
  EXPECT_EQ(back.bmHeight, 2);
  EXPECT_EQ(back.bmBitsPixel, 8);
  ASSERT_NE(back.bmBits, nullptr);
  EXPECT_EQ(std::memcmp(back.bmBits, pixels, 6), 0);
  std::free(back.bmBits);

  BITMAP blank = {0, 2, 2, 2, 1, 8, nullptr};  // no pixels: zeros keep the layout
  EXPECT_EQ(Store(blank).substr(20), std::string(4, '\0'));
}

TEST(ArchiveFormsTest, HostileAndTruncatedArchives) {
  std::string header = Le32(0) + Le32(1);
  struct Case {
    const char* what;
    std::string bytes;
    int cause;
  } bitmaps[] = {
      {"negative height", header + Le32(static_cast<uint32_t>(-2)) + Le32(4) + std::string(4, '\0'),
       CArchiveException::badIndex},
      {"negative row bytes", header + Le32(2) + Le32(0x80000000u) + std::string(4, '\0'),
       CArchiveException::badIndex},
      {"product beyond 32 bits", header + Le32(0x10000) + Le32(0x10000) + std::string(4, '\0'),
       CArchiveException::badIndex},
      {"2 GB promised, 3 bytes given", header + Le32(0x7FFF) + Le32(0xFFFF) + std::string(4, '\0') + "abc",
       CArchiveException::endOfFile},
      {"header cut", header + Le32(2), CArchiveException::endOfFile},
  };
  for (const Case& c : bitmaps) {
    SCOPED_TRACE(c.what);
    BITMAP bm = {};
    bm.bmBits = &bm;
    EXPECT_EQ(Load(c.bytes, bm), c.cause);
    EXPECT_EQ(bm.bmBits, nullptr);
  }

  CByteArray bytes;
  EXPECT_EQ(Load(Le32(0x7FFFFFFF) + "xyz", bytes), CArchiveException::endOfFile);
  ASSERT_EQ(bytes.GetSize(), 3) << "what was read stays";
  EXPECT_EQ(bytes[2], 'z');
  EXPECT_EQ(Load(Le32(0xFFFFFFFF) + "xyz", bytes), -1) << "a negative count gives no bytes";
  EXPECT_EQ(bytes.GetSize(), 0);

  CStringArray items;
  std::string one("\xFF\xFE\xFF\x01" "a\0", 6);
  EXPECT_EQ(Load(Le32(0x7FFFFFFF) + one + one, items), CArchiveException::endOfFile);
  EXPECT_EQ(items.GetSize(), 2);

  BYTE pixels[4] = {};
  BITMAP bad = {0, 1, -1, 4, 1, 8, pixels};
  CMemFile mem;
  CArchive ar(&mem, CArchive::store);
  try {
    CStringOpr::ESerialize(ar, bad);
    ADD_FAILURE() << "a negative height must not be stored";
  } catch (CArchiveException* e) {
    EXPECT_EQ(e->m_cause, CArchiveException::badIndex);
    e->Delete();
  }
  ar.Close();
  EXPECT_EQ(mem.GetLength(), 0u);
}

}  // namespace
