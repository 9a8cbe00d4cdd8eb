#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

struct Row {
  std::vector<const wchar_t*> items;
  const wchar_t* separator;
  int keepEmpty;
  const wchar_t* expected;
};

void ExpectMerged(const Row& row) {
  CStringArray items;
  std::wstring trace;
  for (const wchar_t* s : row.items) {
    items.Add(s);
    trace += std::wstring(L"[") + s + L"]";
  }
  SCOPED_TRACE(kavro::test::Utf8(CString(trace)) + " keepEmpty " + std::to_string(row.keepEmpty));
  EXPECT_EQ(CStringOpr::MergeAryToStr(items, row.separator, row.keepEmpty).str(), row.expected);
}

TEST(MergeAryToStr, SeparatorsAndEmptyElements) {
  const Row rows[] = {
      {{L"a", L"", L"b"}, L",", FALSE, L"a,b"},
      {{L"a", L"", L"b"}, L",", TRUE, L"a,,b"},
      {{L"a", L"b", L""}, L",", FALSE, L"a,b"},
      {{L"a", L"b", L""}, L",", TRUE, L"a,b,"},
      {{L"", L"a"}, L",", FALSE, L"a"},
      {{L"", L""}, L",", FALSE, L""},
      {{L"", L""}, L",", TRUE, L","},
      {{}, L",", TRUE, L""},
      {{L"a", L"b"}, L"", FALSE, L"ab"},
      {{L"a", L"b", L"c"}, L", ", FALSE, L"a, b, c"},
  };
  for (const Row& row : rows) ExpectMerged(row);
}

// Separator characters that end the last element are its own text.
TEST(MergeAryToStr, LastElementKeepsItsOwnSeparatorCharacters_UsedToLoseThem) {
  const Row rows[] = {
      {{L"a;", L""}, L";", FALSE, L"a;"},
      {{L"a", L"b;"}, L";", FALSE, L"a;b;"},
      {{L"x", L"y,;"}, L";,", FALSE, L"x;,y,;"},
  };
  for (const Row& row : rows) ExpectMerged(row);
}

TEST(MergeAryToStr, JoinsWhatSplitteStrToAryCut) {
  CStringArray items;
  ASSERT_TRUE(CStringOpr::SpliteStrToAry(L"a,,b,", L",", items));
  EXPECT_EQ(CStringOpr::MergeAryToStr(items, L",", TRUE).str(), L"a,,b,");
}

}  // namespace
