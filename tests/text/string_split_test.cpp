#include <gtest/gtest.h>

#include <vector>

#include "support/test_support.h"

namespace {

std::vector<CString> ToVector(const CStringArray& a) { return std::vector<CString>(a.begin(), a.end()); }

TEST(SpliteStrToAry, AtASeparator) {
  struct Row {
    const wchar_t* text;
    const wchar_t* separator;
    std::vector<CString> expected;
  } const rows[] = {
      {L"a,,b,", L",", {L"a", L"", L"b", L""}},
      {L"Fn,a,,b", L",", {L"Fn", L"a", L"", L"b"}},
      {L",", L",", {L"", L""}},
      {L"abc", L"", {L"abc"}},
      {L"a||b|", L"||", {L"a", L"b|"}},
      {L"aaa", L"aa", {L"", L"a"}},
      {L"no separator", L";", {L"no separator"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(kavro::test::Utf8(row.text));
    CStringArray items;
    items.Add(CString(L"stale"));
    EXPECT_TRUE(CStringOpr::SpliteStrToAry(row.text, row.separator, items));
    EXPECT_EQ(ToVector(items), row.expected);
  }
  CStringArray kept;
  kept.Add(CString(L"old"));
  EXPECT_FALSE(CStringOpr::SpliteStrToAry(L"", L",", kept));
  EXPECT_EQ(ToVector(kept), std::vector<CString>{L"old"});
}

TEST(SpliteStrToAry, IntoPieces) {
  struct Row {
    const wchar_t* text;
    int length;
    int result;
    std::vector<CString> appended;
  } const rows[] = {
      {L"abcdefg", 3, TRUE, {L"abc", L"def", L"g"}},
      {L"abcdef", 3, TRUE, {L"abc", L"def"}},
      {L"ab", 5, TRUE, {L"ab"}},
      {L"", 2, TRUE, {L""}},
      {L"abc", 0, FALSE, {L"abc"}},
      {L"abc", -4, FALSE, {L"abc"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(kavro::test::Utf8(row.text));
    CStringArray items;
    items.Add(CString(L"first"));
    EXPECT_EQ(CStringOpr::SpliteStrToAry(row.text, row.length, items), row.result);
    std::vector<CString> expected{L"first"};
    expected.insert(expected.end(), row.appended.begin(), row.appended.end());
    EXPECT_EQ(ToVector(items), expected);
  }
}

TEST(SpliteString, FirstSeparatorAndRest) {
  struct Row {
    const wchar_t* text;
    const wchar_t* separator;
    const wchar_t* left;
    const wchar_t* rest;
  } const rows[] = {
      {L"a,b,c", L",", L"a", L"b,c"}, {L"a::b", L"::", L"a", L"b"}, {L",x", L",", L"", L"x"},
      {L"x,", L",", L"x", L""},       {L"abc", L";", L"abc", L""},  {L"abc", L"", L"abc", L""},
      {L"", L",", L"", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(kavro::test::Utf8(row.text));
    CString rest = L"stale";
    EXPECT_EQ(CStringOpr::SpliteString(row.text, row.separator, &rest).str(), row.left);
    EXPECT_EQ(rest.str(), row.rest);
    EXPECT_EQ(CStringOpr::SpliteString(row.text, row.separator, nullptr).str(), row.left);
  }
}

}  // namespace
