// CString and CStringA: the MFC members, their clamping rules and the
// conversions through the ANSI code page.
#include <gtest/gtest.h>

#include "KavroStd/platform/codepage.h"
#include "KavroStd/platform/cstring.h"

namespace {

// Sets the ANSI code page for one test and puts the old one back.
class ScopedAcp {
 public:
  explicit ScopedAcp(UINT cp) : old_(GetACP()) { ok_ = KvSetACP(cp) != FALSE; }
  ~ScopedAcp() { KvSetACP(old_); }
  bool ok() const { return ok_; }

 private:
  UINT old_;
  bool ok_;
};

TEST(CStringTest, MidLeftRightClampTheirArguments) {
  const CString s = L"abcdef";
  struct Row {
    const char* name;
    CString got;
    const wchar_t* want;
  } rows[] = {
      {"Mid(2)", s.Mid(2), L"cdef"},
      {"Mid(2,3)", s.Mid(2, 3), L"cde"},
      {"Mid(-3,2)", s.Mid(-3, 2), L"ab"},
      {"Mid(4,100)", s.Mid(4, 100), L"ef"},
      {"Mid(6)", s.Mid(6), L""},
      {"Mid(99,2)", s.Mid(99, 2), L""},
      {"Mid(1,-1)", s.Mid(1, -1), L""},
      {"Left(3)", s.Left(3), L"abc"},
      {"Left(-1)", s.Left(-1), L""},
      {"Left(99)", s.Left(99), L"abcdef"},
      {"Right(2)", s.Right(2), L"ef"},
      {"Right(0)", s.Right(0), L""},
      {"Right(99)", s.Right(99), L"abcdef"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_STREQ(r.want, r.got.GetString());
  }
}

TEST(CStringTest, FindAndReverseFind) {
  const CString s = L"a.b.c";
  struct Row {
    const char* name;
    int got;
    int want;
  } rows[] = {
      {"Find('.')", s.Find(L'.'), 1},
      {"Find('.',2)", s.Find(L'.', 2), 3},
      {"Find('.',4)", s.Find(L'.', 4), -1},
      {"Find('.',-1)", s.Find(L'.', -1), -1},
      {"Find('.',5)", s.Find(L'.', 5), -1},
      {"Find(\"b.c\")", s.Find(L"b.c"), 2},
      {"Find(\"\",5)", s.Find(L"", 5), 5},
      {"Find(\"c\",6)", s.Find(L"c", 6), -1},
      {"Find(null)", s.Find(static_cast<const wchar_t*>(nullptr)), -1},
      {"Find(\"x\")", s.Find(L"x"), -1},
      {"ReverseFind('.')", s.ReverseFind(L'.'), 3},
      {"ReverseFind('x')", s.ReverseFind(L'x'), -1},
      {"FindOneOf(\"cb\")", s.FindOneOf(L"cb"), 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.want, r.got);
  }
}

TEST(CStringTest, ReplaceAndRemoveCountWhatTheyChanged) {
  struct Row {
    const wchar_t* text;
    const wchar_t* from;
    const wchar_t* to;
    int count;
    const wchar_t* want;
  } rows[] = {
      {L"aaa", L"aa", L"b", 1, L"ba"},
      {L"a-b-c", L"-", L"--", 2, L"a--b--c"},
      {L"a-b", L"-", L"", 1, L"ab"},
      {L"a-b", L"-", nullptr, 1, L"ab"},
      {L"abc", L"", L"x", 0, L"abc"},
      {L"abc", L"z", L"x", 0, L"abc"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "\"" << r.text << "\" / \"" << r.from << "\"");
    CString s = r.text;
    EXPECT_EQ(r.count, s.Replace(r.from, r.to));
    EXPECT_STREQ(r.want, s.GetString());
  }
  CString s = L"a,b,,c";
  EXPECT_EQ(3, s.Replace(L',', L';'));
  EXPECT_STREQ(L"a;b;;c", s.GetString());
  EXPECT_EQ(3, s.Remove(L';'));
  EXPECT_STREQ(L"abc", s.GetString());
}

TEST(CStringTest, TrimForms) {
  struct Row {
    const char* name;
    CString got;
    const wchar_t* want;
  } rows[] = {
      {"Trim()", CString(L" \t\r\n x y \v\f").Trim(), L"x y"},
      {"TrimLeft()", CString(L"  x ").TrimLeft(), L"x "},
      {"TrimRight()", CString(L"  x ").TrimRight(), L"  x"},
      {"Trim(ch)", CString(L"--x-y--").Trim(L'-'), L"x-y"},
      {"TrimLeft(set)", CString(L"xyxabc").TrimLeft(L"xy"), L"abc"},
      {"TrimRight(set)", CString(L"abc.;.").TrimRight(L".;"), L"abc"},
      {"Trim(set) all", CString(L"....").Trim(L"."), L""},
      {"Trim(empty set)", CString(L" a ").Trim(L""), L" a "},
      {"Trim() blanks only", CString(L"   ").Trim(), L""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_STREQ(r.want, r.got.GetString());
  }
}

TEST(CStringTest, TokenizeSkipsRunsOfDelimitersAndEnds) {
  const CString s = L",a,,b;c,";
  int pos = 0;
  std::vector<std::wstring> tokens;
  for (CString t = s.Tokenize(L",;", pos); pos != -1; t = s.Tokenize(L",;", pos)) tokens.push_back(t.GetString());
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b", L"c"}), tokens);

  // Only delimiters: no token at all.
  pos = 0;
  EXPECT_TRUE(CString(L",,,").Tokenize(L",", pos).IsEmpty());
  EXPECT_EQ(-1, pos);

  // No delimiters given: the rest once, then the end (never a loop).
  pos = 2;
  EXPECT_STREQ(L"cdef", CString(L"abcdef").Tokenize(L"", pos).GetString());
  CString again = CString(L"abcdef").Tokenize(L"", pos);
  EXPECT_TRUE(again.IsEmpty());
  EXPECT_EQ(-1, pos);
}

TEST(CStringTest, SpanIncludingAndExcluding) {
  EXPECT_STREQ(L"123", CString(L"123abc").SpanIncluding(L"0123456789").GetString());
  EXPECT_STREQ(L"", CString(L"abc").SpanIncluding(L"0123456789").GetString());
  EXPECT_STREQ(L"abc", CString(L"abc").SpanIncluding(L"cba").GetString());
  EXPECT_STREQ(L"key", CString(L"key=value").SpanExcluding(L"=").GetString());
  EXPECT_STREQ(L"novalue", CString(L"novalue").SpanExcluding(L"=").GetString());
}

TEST(CStringTest, InsertAndDeleteClampIndexes) {
  struct Row {
    const char* name;
    int length;
    const wchar_t* want;
  };
  CString a = L"abc";
  CString b = L"abc";
  CString c = L"abc";
  CString d = L"abcdef";
  CString e = L"abcdef";
  CString f = L"abc";
  Row rows[] = {
      {"Insert(1,'x')", a.Insert(1, L'x'), L"axbc"},
      {"Insert(-5,\"yz\")", b.Insert(-5, L"yz"), L"yzabc"},
      {"Insert(99,'!')", c.Insert(99, L'!'), L"abc!"},
      {"Delete(1,2)", d.Delete(1, 2), L"adef"},
      {"Delete(4,99)", e.Delete(4, 99), L"abcd"},
      {"Delete(9)", f.Delete(9), L"abc"},
  };
  const CString* strings[] = {&a, &b, &c, &d, &e, &f};
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    SCOPED_TRACE(rows[i].name);
    EXPECT_STREQ(rows[i].want, strings[i]->GetString());
    EXPECT_EQ(static_cast<int>(wcslen(rows[i].want)), rows[i].length);
  }
}

TEST(CStringTest, GetBufferAndReleaseBuffer) {
  CString s = L"abc";
  wchar_t* p = s.GetBuffer(10);
  wcscpy(p, L"0123456789");
  s.ReleaseBuffer();
  EXPECT_EQ(10, s.GetLength());
  EXPECT_STREQ(L"0123456789", s.GetString());

  p = s.GetBuffer(0);
  p[3] = 0;
  s.ReleaseBuffer();  // up to the first zero
  EXPECT_STREQ(L"012", s.GetString());

  p = s.GetBufferSetLength(5);
  wmemcpy(p, L"hello", 5);
  s.ReleaseBuffer(4);
  EXPECT_STREQ(L"hell", s.GetString());

  // A zero kept inside by an explicit length counts.
  p = s.GetBufferSetLength(3);
  p[1] = 0;
  s.ReleaseBuffer(3);
  EXPECT_EQ(3, s.GetLength());
}

TEST(CStringTest, CompareNoCaseFoldsBeyondAscii) {
  struct Row {
    const wchar_t* a;
    const wchar_t* b;
    int sign;
  } rows[] = {
      {L"Layer", L"LAYER", 0},
      {L"\u00c4\u00d6\u00dc", L"\u00e4\u00f6\u00fc", 0},
      {L"\u03a3\u039f\u03a6\u0399\u0391", L"\u03c3\u03bf\u03c6\u03b9\u03b1", 0},
      {L"\u0416", L"\u0436", 0},
      {L"abc", L"ABD", -1},
      {L"abcd", L"ABC", 1},
      {L"", L"", 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "row " << (&r - rows));
    int got = CString(r.a).CompareNoCase(r.b);
    EXPECT_EQ(r.sign, got < 0 ? -1 : (got > 0 ? 1 : 0));
  }
  EXPECT_NE(0, CString(L"\u00e4").Compare(L"\u00c4"));
  EXPECT_STREQ(L"\u00c4BC", CString(L"\u00e4bc").MakeUpper().GetString());
  EXPECT_STREQ(L"\u00e4bc", CString(L"\u00c4BC").MakeLower().GetString());
}

TEST(CStringTest, ConversionsFollowTheAnsiCodePage) {
  struct Row {
    UINT cp;
    const wchar_t* wide;
    const char* bytes;
  } rows[] = {
      {936, L"\u4e2d\u6587 ok", "\xd6\xd0\xce\xc4 ok"},
      {1252, L"caf\u00e9 \u20ac", "caf\xe9 \x80"},
      {65001, L"caf\u00e9 \u4e2d", "caf\xc3\xa9 \xe4\xb8\xad"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "code page " << r.cp);
    ScopedAcp acp(r.cp);
    ASSERT_TRUE(acp.ok());
    CStringA narrow(r.wide);
    EXPECT_EQ(std::string(r.bytes), narrow.str());
    CString wide(narrow);
    EXPECT_EQ(std::wstring(r.wide), wide.str());
    CString assigned;
    assigned = r.bytes;
    EXPECT_EQ(std::wstring(r.wide), assigned.str());
  }
}

TEST(CStringTest, ConversionReplacesWhatTheCodePageLacks) {
  ScopedAcp acp(1252);
  ASSERT_TRUE(acp.ok());
  CStringA narrow(L"a\u4e2db");
  EXPECT_EQ("a?b", narrow.str());

  ScopedAcp gbk(936);
  // A lone lead byte at the end and an invalid pair do not stop the rest.
  CString wide("x\xd6");
  EXPECT_EQ(2, wide.GetLength());
  EXPECT_EQ(L'x', wide[0]);
}

TEST(CStringTest, NulUnitsInsideAreKeptByExplicitLengths) {
  CString s(L"a\0b", 3);
  EXPECT_EQ(3, s.GetLength());
  CString copy = s + L"c";
  EXPECT_EQ(4, copy.GetLength());
  EXPECT_EQ(L'b', copy[2]);
}

}  // namespace
