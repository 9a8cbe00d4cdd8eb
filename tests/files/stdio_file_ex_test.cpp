// CStdioFileEx: encoding detection, line reading in both encodings, the
// Unicode and ANSI writers and the static conversions, on real files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KavroStd/files.h"
#include "support/test_support.h"

namespace {

using kavro::test::ReadBytes;
using kavro::test::ScopedAcp;
using kavro::test::WriteBytes;

const std::string kUnicodeAb = std::string("\xff\xfe" "a\0\r\0\n\0b\0", 10);

class StdioFileExTest : public testing::Test {
 protected:
  CString Win(const std::string& relative) const { return dir_.Win(relative); }
  std::vector<std::wstring> Lines(CStdioFileEx& file) {
    std::vector<std::wstring> lines;
    CString line;
    while (file.ReadString(line)) lines.push_back(line.GetString());
    EXPECT_FALSE(file.ReadString(line));
    return lines;
  }
  kavro::test::TempDir dir_;
};

TEST_F(StdioFileExTest, DetectsUnicodeOnlyForAPureTextRead) {
  WriteBytes(dir_.Sub("u.txt"), kUnicodeAb);
  struct Row {
    UINT flags;
    bool unicode;
  } rows[] = {
      {CFile::modeRead | CFile::typeText, true},
      {CFile::modeReadWrite | CFile::typeText, true},  // modeReadWrite alone still probes
      {CFile::modeRead, false},
      {CFile::modeWrite | CFile::typeText | CFile::modeNoTruncate | CFile::modeCreate, false},
      {CFile::modeReadWrite | CFile::typeText | CFile::modeCreate | CFile::modeNoTruncate, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "flags " << std::hex << r.flags);
    CStdioFileEx file;
    ASSERT_TRUE(file.Open(Win("u.txt"), r.flags));
    EXPECT_EQ(r.unicode, file.IsFileUnicodeText());
    EXPECT_EQ(r.unicode ? 4u : 10u, file.GetCharCount());
  }
  EXPECT_EQ(kUnicodeAb, ReadBytes(dir_.Sub("u.txt")));  // nothing truncated
  CStdioFileEx closed;
  EXPECT_EQ(0u, closed.GetCharCount());
  EXPECT_FALSE(closed.IsFileUnicodeText());
}

TEST_F(StdioFileExTest, ReadsUnicodeLinesWithoutTheMark) {
  // a CR LF, b LF, an empty line, a pair beyond U+FFFF, c with no end
  std::string bytes("\xff\xfe" "a\0\r\0\n\0b\0\n\0\n\0\x3d\xd8\x00\xde\n\0c\0", 22);
  WriteBytes(dir_.Sub("u.txt"), bytes);
  CStdioFileEx file(Win("u.txt"), CFile::modeRead | CFile::typeText);
  EXPECT_TRUE(file.IsFileUnicodeText());
  std::vector<std::wstring> want = {L"a", L"b", L"", L"\U0001F600", L"c"};
  EXPECT_EQ(want, Lines(file));

  // Read as ANSI (no typeText), the mark is data.
  ScopedAcp acp(1252);
  CStdioFileEx ansi(Win("u.txt"), CFile::modeRead);
  CString line;
  ASSERT_TRUE(ansi.ReadString(line));
  EXPECT_EQ(L'\u00ff', line[0]);
  EXPECT_EQ(L'\u00fe', line[1]);
}

TEST_F(StdioFileExTest, ReadsAnsiLinesWithEitherLineEnd) {
  ScopedAcp acp(936);
  WriteBytes(dir_.Sub("a.txt"), "a\r\nb\n\r\n\xd6\xd0\xce\xc4\r\r\nc");
  CStdioFileEx file(Win("a.txt"), CFile::modeRead | CFile::typeText);
  EXPECT_FALSE(file.IsFileUnicodeText());
  std::vector<std::wstring> want = {L"a", L"b", L"", L"\u4e2d\u6587", L"c"};
  EXPECT_EQ(want, Lines(file));
  EXPECT_EQ(15u, file.GetCharCount());
}

// Double-byte characters and a bad lead byte on both sides of the 64 KiB
// read blocks decode as they would in one piece.
TEST_F(StdioFileExTest, DoubleByteLinesAcrossReadBlocks) {
  ScopedAcp acp(936);
  std::string bytes;
  std::vector<std::wstring> want;
  for (int i = 0; bytes.size() < 300000; ++i) {
    std::string line(static_cast<size_t>(i % 7), 'x');
    std::wstring wide(line.begin(), line.end());
    for (int k = 0; k < 40 + i % 13; ++k) {
      line += "\xd6\xd0";
      wide += L"\u4e2d";
    }
    if (i % 5 == 0) {
      line += "\x81";  // a lead byte whose trail is the line end
      wide += L"?";
    }
    bytes += line + "\r\n";
    want.push_back(wide);
  }
  bytes += "\xd6";  // and one that ends the file
  want.push_back(L"?");
  WriteBytes(dir_.Sub("long.txt"), bytes);
  CStdioFileEx file(Win("long.txt"), CFile::modeRead | CFile::typeText);
  EXPECT_TRUE(Lines(file) == want);
}

TEST_F(StdioFileExTest, UnicodeWriterPutsTheMarkOnceAndPairs) {
  {
    CStdioFileEx file(Win("w.txt"), CFile::modeCreate | CFile::modeWrite | CFile::typeText |
                                        CStdioFileEx::modeWriteUnicode);
    file.WriteString(L"a\n");
    file.WriteString(L"\U0001F600\r\n");
    file.WriteString(L"");
  }
  const std::string want("\xff\xfe" "a\0\n\0\x3d\xd8\x00\xde\r\0\n\0", 14);
  EXPECT_EQ(want, ReadBytes(dir_.Sub("w.txt")));
  {
    // Appending to it writes no second mark.
    CStdioFileEx file(Win("w.txt"), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite |
                                        CStdioFileEx::modeWriteUnicode);
    file.SeekToEnd();
    file.WriteString(L"z");
  }
  EXPECT_EQ(want + std::string("z\0", 2), ReadBytes(dir_.Sub("w.txt")));
  CStdioFileEx back(Win("w.txt"), CFile::modeRead | CFile::typeText);
  std::vector<std::wstring> lines = {L"a", L"\U0001F600", L"z"};
  EXPECT_EQ(lines, Lines(back));
}

TEST_F(StdioFileExTest, AnsiWriterConvertsWholeTextsUntranslated) {
  struct Row {
    UINT cp;
    std::wstring text;
    std::string bytes;
  } rows[] = {
      {936, L"\u4e2d\u6587\n\u0e01\U0001F600x\r\n", "\xd6\xd0\xce\xc4\n##x\r\n"},
      {1252, L"caf\u00e9 \u4e2d", "caf\xe9 #"},
      {65001, L"\u4e2d\U0001F600", "\xe4\xb8\xad\xf0\x9f\x98\x80"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.cp);
    ScopedAcp acp(r.cp);
    {
      CStdioFileEx file(Win("a.txt"), CFile::modeCreate | CFile::modeWrite);
      file.WriteString(r.text.c_str());
    }
    EXPECT_EQ(r.bytes, ReadBytes(dir_.Sub("a.txt")));
  }
  // A line far beyond 32,767 bytes is written whole.
  ScopedAcp acp(936);
  std::wstring longLine(40000, L'\u4e2d');
  {
    CStdioFileEx file(Win("long.txt"), CFile::modeCreate | CFile::modeWrite);
    file.WriteString(longLine.c_str());
  }
  EXPECT_EQ(80000u, ReadBytes(dir_.Sub("long.txt")).size());
}

TEST_F(StdioFileExTest, ProbeAndStaticConversions) {
  WriteBytes(dir_.Sub("u.txt"), kUnicodeAb);
  WriteBytes(dir_.Sub("fe.txt"), "\xfe\xff");
  WriteBytes(dir_.Sub("one.txt"), "\xff");
  EXPECT_TRUE(CStdioFileEx::IsFileUnicode(Win("u.txt")));
  EXPECT_FALSE(CStdioFileEx::IsFileUnicode(Win("fe.txt")));
  EXPECT_FALSE(CStdioFileEx::IsFileUnicode(Win("one.txt")));
  EXPECT_FALSE(CStdioFileEx::IsFileUnicode(Win("missing.txt")));
  EXPECT_FALSE(CStdioFileEx::IsFileUnicode(dir_.Win()));

  ScopedAcp acp(936);
  wchar_t wide[8];
  int capacity = 8;
  char source[] = "\xd6\xd0" "ab";
  EXPECT_EQ(3, CStdioFileEx::GetUnicodeStringFromMultiByteString(source, wide, capacity, 0xFFFFFFFF));
  EXPECT_STREQ(L"\u4e2d" "ab", wide);
  EXPECT_EQ(0, wide[7]);  // the whole capacity was zeroed
  int small = 2;
  EXPECT_EQ(0, CStdioFileEx::GetUnicodeStringFromMultiByteString(source, wide, small, 936));
  EXPECT_EQ(0, CStdioFileEx::GetUnicodeStringFromMultiByteString(nullptr, wide, capacity, 936));

  char narrow[8];
  wchar_t text[] = L"\u4e2d\u0e01a";
  EXPECT_EQ(4, CStdioFileEx::GetMultiByteStringFromUnicodeString(text, narrow, 8, 0xFFFFFFFF));
  EXPECT_STREQ("\xd6\xd0#a", narrow);
  EXPECT_EQ(7, CStdioFileEx::GetMultiByteStringFromUnicodeString(text, narrow, 8, CP_UTF8));
  EXPECT_STREQ("\xe4\xb8\xad\xe0\xb8\x81" "a", narrow);
  EXPECT_EQ(0, CStdioFileEx::GetMultiByteStringFromUnicodeString(text, narrow, 3, 936));
  EXPECT_EQ(0, CStdioFileEx::GetMultiByteStringFromUnicodeString(text, narrow, -5, 936));
  EXPECT_EQ(0, CStdioFileEx::GetMultiByteStringFromUnicodeString(text, nullptr, 8, 936));
}

TEST_F(StdioFileExTest, OpenFailuresReportAndThrow) {
  CStdioFileEx file;
  CFileException error;
  EXPECT_FALSE(file.Open(Win("missing.txt"), CFile::modeRead | CFile::typeText, &error));
  EXPECT_EQ(CFileException::fileNotFound, error.m_cause);
  EXPECT_FALSE(file.IsFileUnicodeText());
  try {
    CStdioFileEx thrown(Win("missing.txt"), CFile::modeRead);
    ADD_FAILURE() << "no exception";
  } catch (CFileException* e) {
    EXPECT_EQ(CFileException::fileNotFound, e->m_cause);
    e->Delete();
  }
}

}  // namespace
