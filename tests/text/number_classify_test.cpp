#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/test_support.h"

namespace {

using kavro::test::Utf8;

TEST(TokenClassifiers, ExactlyTheirCharacters) {
  struct Row {
    const char* name;
    int (*test)(wchar_t);
    std::wstring members;
  } const rows[] = {
      {"IsOperator", CStringOpr::IsOperator, L"+-*/^%"},
      {"IsForeBracket", CStringOpr::IsForeBracket, L"([{"},
      {"IsBackBracket", CStringOpr::IsBackBracket, L")]}"},
      {"IsDerivative", CStringOpr::IsDerivative, L"'\""},
  };
  for (const Row& row : rows) {
    for (wchar_t c = 0; c < 0x3000; ++c) {
      SCOPED_TRACE(std::string(row.name) + " of " + std::to_string(c));
      ASSERT_EQ(row.test(c) != 0, row.members.find(c) != std::wstring::npos);
    }
  }
  EXPECT_FALSE(CStringOpr::IsOperator(static_cast<wchar_t>(0x1002B)));  // '+' in the low bits
}

// What IsConstant leaves in isInteger when it says FALSE: the caller's value.
constexpr int kUntouched = 42;

// IsConstant's result for text and what it leaves in isInteger.
void ExpectConstant(const wchar_t* text, int result, int isInteger) {
  SCOPED_TRACE(Utf8(text));
  int got = kUntouched;
  EXPECT_EQ(CStringOpr::IsConstant(text, got), result);
  EXPECT_EQ(got, isInteger);
}

TEST(IsConstant, NumbersAndNonNumbers) {
  struct Row {
    const wchar_t* text;
    int result;
    int isInteger;  // kUntouched when the result is FALSE
  } const rows[] = {
      {L"12", TRUE, TRUE},         {L"-12", TRUE, TRUE},        {L"-3.5", TRUE, FALSE},
      {L"0.25", TRUE, FALSE},      {L"5.", TRUE, FALSE},        {L"1.5e+3", TRUE, FALSE},
      {L"2E-10", TRUE, FALSE},     {L"1E+05", TRUE, FALSE},     {L"7 ", TRUE, TRUE},
      {L"7\r\n\t", TRUE, TRUE},    {L"1.5e+2.5", TRUE, FALSE},
      {L"1..2", FALSE, kUntouched},   {L"..5", FALSE, kUntouched},   {L"1.2.3e+1", FALSE, kUntouched},
      {L"1e5", FALSE, kUntouched},    {L"+5", FALSE, kUntouched},    {L" 5", FALSE, kUntouched},
      {L"-.5", FALSE, kUntouched},    {L"1-2", FALSE, kUntouched},   {L"e+5", FALSE, kUntouched},
      {L"1e+", FALSE, kUntouched},    {L"abc", FALSE, kUntouched},   {L"", FALSE, kUntouched},
      {L"-", FALSE, kUntouched},      {L".", FALSE, kUntouched},     {L"1e+5e+5", FALSE, kUntouched},
      {L".e+5", FALSE, kUntouched},   {L"1.2.3.4e+1", FALSE, kUntouched}, {L"\u0661", FALSE, kUntouched},
  };
  for (const Row& row : rows) ExpectConstant(row.text, row.result, row.isInteger);
  int isInteger = kUntouched;
  EXPECT_FALSE(CStringOpr::IsConstant(nullptr, isInteger));
  std::wstring longNumber(100000, L'7');
  EXPECT_TRUE(CStringOpr::IsConstant(longNumber.c_str(), isInteger));
  EXPECT_TRUE(isInteger);
}

TEST(IsConstant, LeadingPointMakesNoInteger_UsedToCountAsAnInteger) {
  ExpectConstant(L".5", TRUE, FALSE);
}

TEST(IsConstant, TwoPointsWithoutExponentAreNoNumber_UsedToBeAccepted) {
  ExpectConstant(L"1.2.3", FALSE, kUntouched);
}

TEST(InverseHyperbolic, ClosedForms) {
  EXPECT_DOUBLE_EQ(CStringOpr::atanh(0.5), 0.5 * std::log(3.0));
  EXPECT_EQ(CStringOpr::acosh(1), 0.0);
  EXPECT_EQ(CStringOpr::asinh(0), 0.0);
  EXPECT_DOUBLE_EQ(CStringOpr::asinh(1), std::asinh(1.0));
  EXPECT_DOUBLE_EQ(CStringOpr::acosh(2), std::acosh(2.0));
  // Outside the domain: not a number or an infinity, no exception.
  EXPECT_TRUE(std::isnan(CStringOpr::acosh(0.5)));
  EXPECT_TRUE(std::isinf(CStringOpr::atanh(1)));
  EXPECT_TRUE(std::isnan(CStringOpr::atanh(2)));
  EXPECT_TRUE(std::isnan(CStringOpr::asinh(NAN)));
}

}  // namespace
