// CStdioFile: text mode (code page, CR LF), binary mode (16-bit units),
// long lines, positions and errors, on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "KavroStd/platform/afx_file.h"
#include "KavroStd/platform/codepage.h"
#include "support/test_support.h"

namespace {

using kavro::test::ReadBytes;
using kavro::test::WriteBytes;

class ScopedAcp {
 public:
  explicit ScopedAcp(UINT cp) : old_(GetACP()) { KvSetACP(cp); }
  ~ScopedAcp() { KvSetACP(old_); }

 private:
  UINT old_;
};

class CStdioFileTest : public testing::Test {
 protected:
  CString Win(const std::string& relative) const { return dir_.Win(relative); }

  // Every line of a file read with ReadString(CString&).
  std::vector<std::wstring> Lines(const std::string& relative, UINT flags = CFile::modeRead) {
    std::vector<std::wstring> lines;
    CStdioFile f(Win(relative), flags);
    CString line;
    while (f.ReadString(line)) lines.push_back(line.str());
    EXPECT_FALSE(f.ReadString(line));  // stays at the end
    EXPECT_TRUE(line.IsEmpty());
    return lines;
  }

  kavro::test::TempDir dir_;
};

int CauseOf(const std::function<void()>& f, LONG* osError = nullptr) {
  try {
    f();
  } catch (CFileException* e) {
    int cause = e->m_cause;
    if (osError) *osError = e->m_lOsError;
    e->Delete();
    return cause;
  }
  return -1;
}

TEST_F(CStdioFileTest, TextRoundTripsInTheAnsiCodePage) {
  struct Row {
    UINT cp;
    const wchar_t* line;
    std::string bytes;
  } rows[] = {
      {936, L"\u56fe\u5c42 Layer", "\xcd\xbc\xb2\xe3 Layer"},
      {1252, L"Caf\u00e9 \u20ac5", "Caf\xe9 \x80" "5"},
      {65001, L"\u00e9\u4e2d\U0001F600", "\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "code page " << r.cp);
    ScopedAcp acp(r.cp);
    {
      CStdioFile f(Win("t.txt"), CFile::modeCreate | CFile::modeWrite | CFile::typeText);
      f.WriteString(r.line);
      f.WriteString(L"\n");
      f.WriteString(L"second\nthird");
    }
    EXPECT_EQ(r.bytes + "\r\nsecond\r\nthird", ReadBytes(dir_.Sub("t.txt")));
    EXPECT_EQ((std::vector<std::wstring>{r.line, L"second", L"third"}), Lines("t.txt"));
  }
}

TEST_F(CStdioFileTest, LineEndsInTextMode) {
  struct Row {
    const char* name;
    std::string bytes;
    std::vector<std::wstring> lines;
  } rows[] = {
      {"CR LF, LF, no end", "a\r\nb\nc", {L"a", L"b", L"c"}},
      {"empty lines", "\r\n\n\r\nx\n", {L"", L"", L"", L"x"}},
      {"lone CR kept", "x\ry\n", {L"x\ry"}},
      {"CR CR LF", "x\r\r\n", {L"x\r"}},
      {"CR at the end", "x\r", {L"x\r"}},
      {"empty file", "", {}},
      {"Ctrl-Z is data", "a\x1a" "b\n", {L"a\x1a" "b"}},
      {"NUL inside", std::string("a\0b\n", 4), {std::wstring(L"a\0b", 3)}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteBytes(dir_.Sub("l.txt"), r.bytes);
    EXPECT_EQ(r.lines, Lines("l.txt"));
  }
}

TEST_F(CStdioFileTest, BinaryModeReadsAndWritesSixteenBitUnits) {
  {
    CStdioFile f(Win("u.txt"), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    const unsigned char bom[2] = {0xFF, 0xFE};
    f.Write(bom, 2);
    f.WriteString(L"a\u4e2d\r\n\U0001F600\nend");
  }
  std::string want("\xff\xfe" "a\0\x2d\x4e\r\0\n\0\x3d\xd8\x00\xde\n\0e\0n\0d\0", 22);
  EXPECT_EQ(want, ReadBytes(dir_.Sub("u.txt")));

  CStdioFile f(Win("u.txt"), CFile::modeRead | CFile::typeBinary);
  char bom[2];
  ASSERT_EQ(2u, f.Read(bom, 2));
  CString line;
  ASSERT_TRUE(f.ReadString(line));
  EXPECT_EQ(std::wstring(L"a\u4e2d\r"), line.str());  // the CR stays in binary mode
  ASSERT_TRUE(f.ReadString(line));
  EXPECT_EQ(std::wstring(L"\U0001F600"), line.str());
  ASSERT_TRUE(f.ReadString(line));
  EXPECT_STREQ(L"end", line.GetString());
  EXPECT_FALSE(f.ReadString(line));

  // An odd last byte is no unit.
  WriteBytes(dir_.Sub("odd.txt"), std::string("x\0y", 3));
  EXPECT_EQ((std::vector<std::wstring>{L"x"}), Lines("odd.txt", CFile::modeRead | CFile::typeBinary));
}

TEST_F(CStdioFileTest, LongLinesKeepTheirDoubleByteCharacters) {
  ScopedAcp acp(936);
  // Over 1 MiB in one line, with double-byte characters on every buffer
  // boundary of either parity.
  std::wstring wide;
  std::string bytes;
  for (int i = 0; i < 400000; ++i) {
    if (i % 3 == 0) {
      wide += L"\u4e2d";
      bytes += "\xd6\xd0";
    } else {
      wide += L'a';
      bytes += 'a';
    }
  }
  WriteBytes(dir_.Sub("long.txt"), bytes + "\r\n" + bytes);
  std::vector<std::wstring> lines = Lines("long.txt");
  ASSERT_EQ(2u, lines.size());
  EXPECT_TRUE(lines[0] == wide);
  EXPECT_TRUE(lines[1] == wide);
  {
    CStdioFile out(Win("long2.txt"), CFile::modeCreate | CFile::modeWrite);
    out.WriteString(wide.c_str());
    out.WriteString(L"\n");
  }
  EXPECT_TRUE(ReadBytes(dir_.Sub("long2.txt")) == bytes + "\r\n");
}

TEST_F(CStdioFileTest, ReadStringIntoABufferKeepsTheLineFeed) {
  ScopedAcp acp(936);
  WriteBytes(dir_.Sub("b.txt"), "abcdef\r\n\xd6\xd0x\n");
  CStdioFile f(Win("b.txt"), CFile::modeRead);
  wchar_t buffer[4];
  std::vector<std::wstring> pieces;
  while (f.ReadString(buffer, 4)) pieces.push_back(buffer);
  EXPECT_EQ((std::vector<std::wstring>{L"abc", L"def", L"\n", L"\u4e2dx\n"}), pieces);
  EXPECT_EQ(nullptr, f.ReadString(buffer, 4));

  // The rest of a line cut by the buffer is what ReadString(CString&) sees.
  CStdioFile g(Win("b.txt"), CFile::modeRead);
  ASSERT_NE(nullptr, g.ReadString(buffer, 3));
  EXPECT_STREQ(L"ab", buffer);
  CString rest;
  ASSERT_TRUE(g.ReadString(rest));
  EXPECT_STREQ(L"cdef", rest.GetString());
}

TEST_F(CStdioFileTest, PositionsAccountForBuffering) {
  WriteBytes(dir_.Sub("p.txt"), "one\r\ntwo\r\nthree\n");
  CStdioFile f(Win("p.txt"), CFile::modeRead);
  EXPECT_EQ(16u, f.GetLength());
  CString line;
  ASSERT_TRUE(f.ReadString(line));
  EXPECT_EQ(5u, f.GetPosition());
  ASSERT_TRUE(f.ReadString(line));
  EXPECT_EQ(10u, f.GetPosition());
  EXPECT_EQ(5u, f.Seek(5, CFile::begin));
  ASSERT_TRUE(f.ReadString(line));
  EXPECT_STREQ(L"two", line.GetString());
  EXPECT_EQ(7u, f.Seek(-3, CFile::current));
  ASSERT_TRUE(f.ReadString(line));
  EXPECT_STREQ(L"o", line.GetString());
  EXPECT_EQ(16u, f.SeekToEnd());
  EXPECT_FALSE(f.ReadString(line));
  f.SeekToBegin();
  char raw[8] = {};
  // Raw reads in text mode fold CR LF too.
  EXPECT_EQ(7u, f.Read(raw, 7));
  EXPECT_EQ(std::string("one\ntwo"), std::string(raw, 7));
  EXPECT_EQ(8u, f.GetPosition());
  EXPECT_EQ(CFileException::badSeek, CauseOf([&] { f.Seek(-100, CFile::current); }));
}

TEST_F(CStdioFileTest, PendingWritesCountInPositionAndLength) {
  CStdioFile f(Win("w.txt"), CFile::modeCreate | CFile::modeReadWrite);
  f.WriteString(L"ab\n");
  EXPECT_EQ(4u, f.GetPosition());
  EXPECT_EQ(4u, f.GetLength());
  f.Write("x\ny", 3);  // raw bytes are translated in text mode too
  EXPECT_EQ(8u, f.GetLength());
  f.SeekToBegin();
  CString line;
  ASSERT_TRUE(f.ReadString(line));
  EXPECT_STREQ(L"ab", line.GetString());
  // Writing after a read goes where the read stopped.
  f.WriteString(L"X");
  f.Flush();
  EXPECT_EQ("ab\r\nX\r\ny", ReadBytes(dir_.Sub("w.txt")));
}

TEST_F(CStdioFileTest, RewriteInPlaceAfterReading) {
  // Read every line, cut the file and write it back: the pattern of the
  // section and key deletions of INI files.
  WriteBytes(dir_.Sub("ini.txt"), "[A]\r\nk=1\r\n\r\n[B]\r\nj=2\r\n");
  {
    CStdioFile f(Win("ini.txt"), CFile::modeReadWrite | CFile::typeText);
    std::vector<CString> keep;
    CString line;
    while (f.ReadString(line))
      if (!line.IsEmpty() && line != L"k=1") keep.push_back(line);
    f.SetLength(0);
    for (const CString& l : keep) f.WriteString(l + L"\n");
    f.Close();
  }
  EXPECT_EQ("[A]\r\n[B]\r\nj=2\r\n", ReadBytes(dir_.Sub("ini.txt")));
}

TEST_F(CStdioFileTest, ErrorsThrowFileExceptions) {
  WriteBytes(dir_.Sub("ro.txt"), "x\n");
  ASSERT_EQ(0, chmod(dir_.Sub("ro.txt").c_str(), 0444));
  struct Row {
    const char* name;
    CString path;
    UINT flags;
    int cause;
  } rows[] = {
      {"missing", Win("missing.txt"), CFile::modeRead, CFileException::fileNotFound},
      {"missing folder", Win("no\\x.txt"), CFile::modeCreate | CFile::modeWrite, CFileException::badPath},
      {"read-only", Win("ro.txt"), CFile::modeReadWrite, CFileException::accessDenied},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    CStdioFile f;
    CFileException e;
    EXPECT_FALSE(f.Open(r.path, r.flags, &e));
    EXPECT_EQ(r.cause, e.m_cause);
    EXPECT_EQ(r.cause, CauseOf([&] { CStdioFile g(r.path, r.flags); }));
  }
  CStdioFile reader(Win("ro.txt"), CFile::modeRead);
  LONG code = 0;
  EXPECT_EQ(CFileException::accessDenied, CauseOf([&] { reader.WriteString(L"y"); }, &code));
  EXPECT_EQ(ERROR_ACCESS_DENIED, code);
  CStdioFile closed;
  CString line;
  EXPECT_NE(-1, CauseOf([&] { closed.ReadString(line); }));
  bool invalidArg = false;
  try {
    reader.WriteString(nullptr);
  } catch (CInvalidArgException* e) {
    invalidArg = true;
    e->Delete();
  }
  EXPECT_TRUE(invalidArg);
}

TEST_F(CStdioFileTest, DestructionAndCloseWritePendingData) {
  {
    CStdioFile f(Win("d.txt"), CFile::modeCreate | CFile::modeWrite);
    f.WriteString(L"kept\n");
  }
  EXPECT_EQ("kept\r\n", ReadBytes(dir_.Sub("d.txt")));
  CStdioFile f(Win("c.txt"), CFile::modeCreate | CFile::modeWrite);
  f.WriteString(L"closed");
  f.Close();
  EXPECT_EQ("closed", ReadBytes(dir_.Sub("c.txt")));
  EXPECT_EQ(CFile::hFileNull, f.m_hFile);
  f.Abort();  // nothing left to do
}

}  // namespace
