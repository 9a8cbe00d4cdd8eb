#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/test_support.h"

namespace {

using kavro::test::Utf8;

TEST(PreBackString, LettersAndNumbers) {
  struct Row {
    const wchar_t* text;
    double step;
    const wchar_t* expected;
  } const rows[] = {
      {L"A", 1, L"B"},      {L"a", 1, L"b"},      {L"Z", 1, L"AA"},     {L"Az", 1, L"Ba"},
      {L"zz", 1, L"aaA"},   {L"B", -1, L"A"},     {L"AA", -1, L"Z"},    {L"A", -1, L"B"},
      {L"A", 0.4, L"A"},    {L"A", 0.5, L"B"},    {L"B", -0.5, L"A"},   {L"C", -1.4, L"B"},
      {L"007", 1, L"008"},  {L"9", 1, L"10"},     {L"1.5", 1, L"2.5"},  {L"010", -1, L"009"},
      {L"-5", 1, L"-4"},    {L"099", 0.5, L"99.5"},
      {L"x-1", 1, L"x-1"},  {L"", 1, L""},        {L"a1", 1, L"a1"},    {L"1.2.3", 1, L"1.2.3"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << Utf8(row.text) << " + " << row.step);
    EXPECT_EQ(CStringOpr::PreBackString(row.text, row.step).str(), row.expected);
  }
}

TEST(PreBackString, HostileStepsAndLabels) {
  // Each gives some label and nothing undefined happens.
  for (double step : {double(NAN), double(INFINITY), -double(INFINITY), 1e300, -1e300}) {
    SCOPED_TRACE(step);
    CString letters = CStringOpr::PreBackString(L"Ab", step);
    EXPECT_TRUE(CStringOpr::IsAlpha(letters));
    EXPECT_FALSE(CStringOpr::PreBackString(L"12", step).IsEmpty());
  }
  std::wstring longLabel(5000, L'z');
  EXPECT_TRUE(CStringOpr::IsAlpha(CStringOpr::PreBackString(longLabel.c_str(), 1)));
  std::wstring longNumber(5000, L'9');
  EXPECT_FALSE(CStringOpr::PreBackString(longNumber.c_str(), 1).IsEmpty());
}

}  // namespace
