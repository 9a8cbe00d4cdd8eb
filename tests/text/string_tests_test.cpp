#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using kavro::test::Utf8;

TEST(IsInteger, SignDigitsAndPoint) {
  struct Row {
    const wchar_t* text;
    int allowDot;
    int result, negative, dotPos;
  } const rows[] = {
      {L"12", 0, TRUE, 0, -1},     {L"-12", 0, TRUE, 1, -1},    {L"007", 0, TRUE, 0, -1},
      {L"1.5", 1, TRUE, 0, 1},     {L"1.", 1, TRUE, 0, 1},      {L".5", 1, TRUE, 0, 0},
      {L".", 1, TRUE, 0, 0},       {L"-.5", 1, TRUE, 1, 1},     {L"1.2", 0, FALSE, 0, -1},
      {L"1.2.3", 1, FALSE, 0, 3},  {L"1e5", 0, FALSE, 0, -1},   {L"+1", 0, FALSE, 0, -1},
      {L" 1", 0, FALSE, 0, -1},    {L"-", 0, FALSE, 1, -1},     {L"", 1, FALSE, 0, -1},
      {L"--1", 0, FALSE, 1, -1},   {L"12a", 1, FALSE, 0, -1},   {L"\u0661\u0662", 0, FALSE, 0, -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    int negative = 7, dotPos = 7;
    EXPECT_EQ(CStringOpr::IsInteger(row.text, row.allowDot, &negative, &dotPos), row.result);
    EXPECT_EQ(negative, row.negative);
    EXPECT_EQ(dotPos, row.dotPos);
  }
  EXPECT_TRUE(CStringOpr::IsInteger(L"12"));
  EXPECT_FALSE(CStringOpr::IsInteger(nullptr, TRUE));
}

TEST(IsAlpha, LettersAndDigits) {
  struct Row {
    const wchar_t* text;
    int alpha, alphaOrInteger;
  } const rows[] = {
      {L"abc", TRUE, TRUE},     {L"Ab\u4E2D\u6587", TRUE, TRUE}, {L"\u00E9t\u00E9", TRUE, TRUE},
      {L"abc123", FALSE, TRUE}, {L"123", FALSE, TRUE},           {L"\u4E2D1", FALSE, TRUE},
      {L"a b", FALSE, FALSE},   {L"a-1", FALSE, FALSE},          {L"", FALSE, FALSE},
      {L"\u3002", FALSE, FALSE}, {L"\xD800", FALSE, FALSE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    EXPECT_EQ(CStringOpr::IsAlpha(row.text), row.alpha);
    EXPECT_EQ(CStringOpr::IsIntegerOrAlpha(row.text), row.alphaOrInteger);
  }
  EXPECT_FALSE(CStringOpr::IsAlpha(nullptr));
  EXPECT_FALSE(CStringOpr::IsIntegerOrAlpha(nullptr));
}

TEST(SkipVoidCharacters, StopsAtFirstOtherCharacter) {
  const wchar_t* text = L" \t\r\nabc ";
  EXPECT_EQ(CStringOpr::SkipVoidCharacters(text), text + 4);
  const wchar_t* blank = L" \n ";
  EXPECT_EQ(CStringOpr::SkipVoidCharacters(blank), blank + 3);
  EXPECT_EQ(CStringOpr::SkipVoidCharacters(nullptr), nullptr);
}

CStringArray Array(std::initializer_list<const wchar_t*> items) {
  CStringArray a;
  for (const wchar_t* s : items) a.Add(s);
  return a;
}

TEST(IsSame, CountAndElements) {
  EXPECT_TRUE(CStringOpr::IsSame(Array({L"a", L"b"}), Array({L"a", L"b"})));
  EXPECT_FALSE(CStringOpr::IsSame(Array({L"a", L"b"}), Array({L"a", L"B"})));
  EXPECT_FALSE(CStringOpr::IsSame(Array({L"a", L"b"}), Array({L"a"})));
  EXPECT_FALSE(CStringOpr::IsSame(Array({L"b", L"a"}), Array({L"a", L"b"})));
  EXPECT_TRUE(CStringOpr::IsSame(Array({}), Array({})));
}

TEST(IsRtf, FirstFiveCharacters) {
  struct Row {
    const wchar_t* text;
    int result;
  } const rows[] = {
      {L"{\\RTF1\\ansi", TRUE}, {L"{\\rtf", TRUE}, {L"{\\rtf1", TRUE}, {L"{\\rt", FALSE},
      {L"x{\\rtf1", FALSE},     {L"", FALSE},      {L" {\\rtf", FALSE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    EXPECT_EQ(CStringOpr::IsRtf(row.text), row.result);
  }
}

TEST(GetWordCount, HighLowBytePairsCountOnce) {
  struct Row {
    const wchar_t* text;
    int words;
  } const rows[] = {
      {L"abc", 3},
      {L"", 0},
      {L"\u00E9a", 1},             // 0xE9 takes the next character with it
      {L"a\u00E9", 2},             // the pair may run past the end
      {L"\u00E9\u00E9\u00E9", 2},
      {L"\u4E2D\u6587", 2},        // low bytes 0x2D and 0x87
      {L"\u6587\u4E2D", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    EXPECT_EQ(CStringOpr::GetWordCount(row.text), row.words);
  }
}

TEST(GetStringByLength, HalfTheByteCountInCharacters) {
  struct Row {
    const wchar_t* text;
    int bytes;
    const wchar_t* expected;
  } const rows[] = {
      {L"abcdef", 4, L"ab"}, {L"abcdef", 5, L"ab"}, {L"abc", 0, L""},    {L"abc", 1, L""},
      {L"abc", 100, L"abc"}, {L"abc", -1, L"abc"},  {L"abc", INT_MIN, L"abc"}, {L"", 8, L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << Utf8(row.text) << " " << row.bytes);
    EXPECT_EQ(CStringOpr::GetStringByLength(row.text, row.bytes).str(), row.expected);
  }
}

}  // namespace
