// Routines that work on the ANSI form of a text, under a double-byte code
// page (936), UTF-8 (65001) and a single-byte one (1252).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using kavro::test::Utf8;

class CodePageTest : public testing::TestWithParam<UINT> {
 protected:
  void SetUp() override {
    saved_ = GetACP();
    if (!KvSetACP(GetParam())) GTEST_SKIP() << "code page " << GetParam() << " not available";
  }
  void TearDown() override { KvSetACP(saved_); }

 private:
  UINT saved_ = 0;
};

struct Split {
  std::vector<std::wstring> pieces;
  std::vector<LONG> types;
};

Split SplitByType(const wchar_t* text) {
  CStringArray pieces;
  CIntArray types;
  pieces.Add(L"kept");
  types.Add(9);
  EXPECT_TRUE(CStringOpr::SpliteByType(text, pieces, types));
  Split out;
  for (INT_PTR i = 0; i < pieces.GetSize(); ++i) out.pieces.push_back(pieces[i].str());
  for (INT_PTR i = 0; i < types.GetSize(); ++i) out.types.push_back(types[i]);
  // What was there before stays in front.
  EXPECT_EQ(out.pieces.front(), L"kept");
  EXPECT_EQ(out.types.front(), 9);
  out.pieces.erase(out.pieces.begin());
  out.types.erase(out.types.begin());
  return out;
}

using MultiByteCodePage = CodePageTest;

TEST_P(MultiByteCodePage, SpliteByTypeKeepsChineseTogether) {
  struct Row {
    const wchar_t* text;
    std::vector<std::wstring> pieces;
    std::vector<LONG> types;
  } const rows[] = {
      {L"AB12.5\u4E2D\u6587x", {L"AB", L"12.5", L"\u4E2D\u6587", L"x"}, {1, 0, 3, 1}},
      {L"\u4E2D", {L"\u4E2D"}, {3}},
      {L"a+-b", {L"a", L"+-", L"b"}, {1, 2, 1}},
      {L"\u6587a\u6587", {L"\u6587", L"a", L"\u6587"}, {3, 1, 3}},
      {L"", {}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    Split split = SplitByType(row.text);
    EXPECT_EQ(split.pieces, row.pieces);
    EXPECT_EQ(split.types, row.types);
  }
}

TEST_P(MultiByteCodePage, GetStringLengthCountsAnsiBytes) {
  const int perChinese = GetParam() == 65001 ? 3 : 2;
  EXPECT_EQ(CStringOpr::GetStringLength(L"\u4E2D\u6587ab"), 2 * perChinese + 2);
  EXPECT_EQ(CStringOpr::GetStringLength(L"abc"), 3);
  EXPECT_EQ(CStringOpr::GetStringLength(L""), 0);
}

INSTANTIATE_TEST_SUITE_P(Ansi, MultiByteCodePage, testing::Values(936u, 65001u));

using SingleByteCodePage = CodePageTest;

TEST_P(SingleByteCodePage, EveryCharacterStandsAlone) {
  // A byte outside ASCII is a whole character here; a blank is class 3 on
  // its own and does not swallow the letter after it.
  Split split = SplitByType(L"a\u00E9\u00E91 b");
  EXPECT_EQ(split.pieces, (std::vector<std::wstring>{L"a", L"\u00E9\u00E9", L"1", L" ", L"b"}));
  EXPECT_EQ(split.types, (std::vector<LONG>{1, 3, 0, 3, 1}));
  EXPECT_EQ(CStringOpr::GetStringLength(L"\u00E9t\u00E9"), 3);
}

INSTANTIATE_TEST_SUITE_P(Ansi, SingleByteCodePage, testing::Values(1252u));

TEST_P(CodePageTest, TextsTheCodePageCannotHoldAreSafe) {
  // Unpaired surrogate values and characters outside the code page become
  // the code page's replacement: "?" (punctuation) in 936 and 1252, U+FFFD
  // (three bytes) in UTF-8.
  const wchar_t hostile[] = {L'a', 0xD800, L'b', 0xDFFF, 0x0E01, 0x1F600, 0};
  Split split = SplitByType(hostile);
  if (GetParam() == 65001) {
    EXPECT_EQ(CStringOpr::GetStringLength(hostile), 1 + 3 + 1 + 3 + 3 + 4);
    EXPECT_EQ(split.pieces, (std::vector<std::wstring>{L"a", L"\uFFFD", L"b", L"\uFFFD\u0E01\U0001F600"}));
    EXPECT_EQ(split.types, (std::vector<LONG>{1, 3, 1, 3}));
  } else {
    EXPECT_EQ(CStringOpr::GetStringLength(hostile), 6);
    EXPECT_EQ(split.pieces, (std::vector<std::wstring>{L"a", L"?", L"b", L"???"}));
    EXPECT_EQ(split.types, (std::vector<LONG>{1, 2, 1, 2}));
  }
  std::wstring longText(200000, L'\u4E2D');
  longText += L"x";
  Split longSplit = SplitByType(longText.c_str());
  EXPECT_EQ(longSplit.types.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Ansi, CodePageTest, testing::Values(936u, 65001u, 1252u));

}  // namespace
