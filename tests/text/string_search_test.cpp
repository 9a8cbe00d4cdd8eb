#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/test_support.h"

namespace {

using kavro::test::Utf8;

// Find_Sub_Str's result for pattern in text.
void ExpectFound(const wchar_t* pattern, const wchar_t* text, int expected) {
  SCOPED_TRACE(Utf8(pattern) + " in " + Utf8(text));
  EXPECT_EQ(CStringOpr::Find_Sub_Str(pattern, text), expected);
}

TEST(Find_Sub_Str, FirstOccurrence) {
  struct Row {
    const wchar_t* pattern;
    const wchar_t* text;
    int expected;
  } const rows[] = {
      {L"ab", L"xxab", 2},
      {L"aab", L"aaab", 1},
      {L"abab", L"abaabab", 3},
      {L"abc", L"ab", -1},
      {L"x", L"abc", -1},
      {L"c", L"abc", 2},
      {L"abc", L"abc", 0},
      {L"", L"abc", 0},
      {L"a", L"", -1},
      {L"", L"", -1},
      {L"\u4E2D\u6587", L"a\u4E2D\u4E2D\u6587", 2},
  };
  for (const Row& row : rows) ExpectFound(row.pattern, row.text, row.expected);
  EXPECT_EQ(CStringOpr::Find_Sub_Str(nullptr, L"abc"), 0);
  EXPECT_EQ(CStringOpr::Find_Sub_Str(L"a", nullptr), -1);
}

// A partial match (the "a" of "ab" at 0) used to make the search miss the
// match that starts inside it.
TEST(Find_Sub_Str, SearchBacksUpAfterAPartialMatch_UsedToMissTheMatch) {
  ExpectFound(L"ab", L"aab", 1);
}

TEST(Find_Sub_Str, AgreesWithAPlainSearchOnRepetitiveTexts) {
  // Texts over two letters are where partial matches overlap most.
  std::mt19937 random(12345);
  for (int round = 0; round < 3000; ++round) {
    std::wstring text, pattern;
    for (int i = random() % 40; i > 0; --i) text.push_back(L"ab"[random() % 2]);
    for (int i = 1 + random() % 6; i > 0; --i) pattern.push_back(L"ab"[random() % 2]);
    size_t expected = text.find(pattern);
    SCOPED_TRACE(Utf8(CString(pattern)) + " in " + Utf8(CString(text)));
    EXPECT_EQ(CStringOpr::Find_Sub_Str(pattern.c_str(), text.c_str()),
              expected == std::wstring::npos ? -1 : static_cast<int>(expected));
  }
}

TEST(FindArs, WholeElementWithOrWithoutCase) {
  CStringArray items;
  for (const wchar_t* s : {L"Apple", L"banana", L"APPLE", L"\u00C9t\u00E9"}) items.Add(s);
  struct Row {
    const wchar_t* text;
    int caseSensitive;
    int expected;
  } const rows[] = {
      {L"APPLE", TRUE, 2}, {L"apple", FALSE, 0}, {L"apple", TRUE, -1},        {L"ban", FALSE, -1},
      {L"", FALSE, -1},    {L"BANANA", FALSE, 1}, {L"\u00E9T\u00C9", FALSE, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    EXPECT_EQ(CStringOpr::FindArs(items, row.text, row.caseSensitive), row.expected);
  }
  CStringArray none;
  EXPECT_EQ(CStringOpr::FindArs(none, L"", TRUE), -1);
}

}  // namespace
