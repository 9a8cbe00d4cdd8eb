#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace {

std::string Stored(const CString& text) {
  CMemFile mem;
  {
    CArchive ar(&mem, CArchive::store);
    ar << text;
  }
  std::string bytes(static_cast<size_t>(mem.GetLength()), '\0');
  mem.SeekToBegin();
  mem.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

// Loads a CString (or, with narrow, a CStringA) from bytes; the cause of a
// CArchiveException, or -1.
template <typename S>
int Load(const std::string& bytes, S& text) {
  CMemFile mem;
  mem.Write(bytes.data(), static_cast<UINT>(bytes.size()));
  mem.SeekToBegin();
  CArchive ar(&mem, CArchive::load);
  try {
    ar >> text;
  } catch (CArchiveException* e) {
    int cause = e->m_cause;
    e->Delete();
    return cause;
  }
  return -1;
}

std::string Units(size_t n, char c) {
  std::string bytes;
  for (size_t i = 0; i < n; ++i) bytes += std::string{c, '\0'};
  return bytes;
}

TEST(ArchiveStringTest, TaggedLayoutsAtTheLengthBoundaries) {
  struct Case {
    size_t length;
    std::string prefix;
  } cases[] = {
      {0, std::string("\xFF\xFE\xFF\x00", 4)},
      {254, std::string("\xFF\xFE\xFF\xFE", 4)},
      {255, std::string("\xFF\xFE\xFF\xFF\xFF\x00", 6)},
      {0xFFFD, std::string("\xFF\xFE\xFF\xFF\xFD\xFF", 6)},
      {0xFFFE, std::string("\xFF\xFE\xFF\xFF\xFF\xFF\xFE\xFF\x00\x00", 10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    CString text(L'x', static_cast<int>(c.length));
    std::string bytes = Stored(text);
    EXPECT_EQ(bytes, c.prefix + Units(c.length, 'x'));
    CString back;
    EXPECT_EQ(Load(bytes, back), -1);
    EXPECT_EQ(back, text);
  }
  EXPECT_EQ(Stored(L"ab"), std::string("\xFF\xFE\xFF\x02" "a\0b\0", 8));
}

TEST(ArchiveStringTest, CharactersAboveBmpBecomeSurrogatePairs) {
  std::string bytes = Stored(L"\U0001F600a");
  EXPECT_EQ(bytes, std::string("\xFF\xFE\xFF\x03\x3D\xD8\x00\xDE" "a\0", 10));
  CString back;
  EXPECT_EQ(Load(bytes, back), -1);
  EXPECT_EQ(back, CString(L"\U0001F600a"));
  EXPECT_EQ(back.GetLength(), 2);
}

TEST(ArchiveStringTest, UntaggedFormIsAnsiInTheCodePage) {
  UINT saved = GetACP();
  ASSERT_TRUE(KvSetACP(936));
  CString wide;
  EXPECT_EQ(Load(std::string("\x04\xD6\xD0\xCE\xC4", 5), wide), -1);
  EXPECT_EQ(wide, CString(L"\u4e2d\u6587"));
  std::string longer = std::string("\xFF\x00\x01", 3) + std::string(256, 'q');
  EXPECT_EQ(Load(longer, wide), -1);
  EXPECT_EQ(wide.GetLength(), 256);

  CStringA narrow;
  EXPECT_EQ(Load(std::string("\xFF\xFE\xFF\x01\x2D\x4E", 6), narrow), -1);  // tagged, read narrow
  EXPECT_EQ(narrow, CStringA("\xD6\xD0"));
  CMemFile mem;
  {
    CArchive ar(&mem, CArchive::store);
    ar << CStringA("ab");
  }
  EXPECT_EQ(mem.GetLength(), 3u);
  KvSetACP(saved);
}

TEST(ArchiveStringTest, TruncatedAndHostileLengthsEndInEndOfFile) {
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty archive", ""},
      {"tag without length", std::string("\xFF\xFE\xFF", 3)},
      {"two units promised, one given", std::string("\xFF\xFE\xFF\x02" "a\0", 6)},
      {"odd byte for a unit", std::string("\xFF\xFE\xFF\x01" "a", 5)},
      {"32-bit length near 4 G", std::string("\xFF\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFE", 10)},
      {"64-bit length", std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 14)},
      {"ANSI 2 G promised", std::string("\xFF\xFF\xFF\x00\x00\x00\x7F", 7) + "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CString text = L"kept";
    EXPECT_EQ(Load(c.bytes, text), CArchiveException::endOfFile);
    CStringA narrow;
    EXPECT_EQ(Load(c.bytes, narrow), CArchiveException::endOfFile);
  }
}

TEST(ArchiveStringTest, LengthFunctionsRoundTripBothForms) {
  for (UINT_PTR length : {UINT_PTR{0}, UINT_PTR{254}, UINT_PTR{255}, UINT_PTR{0xFFFE}, UINT_PTR{0x12345678}}) {
    for (BOOL unicode : {FALSE, TRUE}) {
      SCOPED_TRACE(testing::Message() << length << " unicode " << unicode);
      CMemFile mem;
      {
        CArchive ar(&mem, CArchive::store);
        AfxWriteStringLength(ar, length, unicode);
      }
      mem.SeekToBegin();
      CArchive ar(&mem, CArchive::load);
      int charSize = 0;
      EXPECT_EQ(AfxReadStringLength(ar, charSize), length);
      EXPECT_EQ(charSize, unicode ? 2 : 1);
    }
  }
}

}  // namespace
