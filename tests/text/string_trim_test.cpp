#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "support/test_support.h"

namespace {

using kavro::test::Utf8;

TEST(TrimSpace, BothEndsAndInside) {
  struct Row {
    const wchar_t* text;
    int removeAll;
    const wchar_t* expected;
  } const rows[] = {
      {L" \t a b \r\n", FALSE, L"a b"},
      {L"\t\n x \n\t", FALSE, L"x"},
      {L"a \t\n", FALSE, L"a"},
      {L" a \t b ", TRUE, L"ab"},
      {L"a\n b\t\tc", TRUE, L"a\nbc"},  // line breaks inside stay
      {L"a \t b", FALSE, L"a \t b"},
      {L"", TRUE, L""},
      {L" \r\n\t ", FALSE, L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    EXPECT_EQ(CStringOpr::TrimSpace(row.text, row.removeAll).str(), row.expected);
  }
}

TEST(TrimZero, Text) {
  struct Row {
    const wchar_t* text;
    const wchar_t* expected;
  } const rows[] = {
      {L"1.500", L"1.5"}, {L"2.000", L"2"}, {L"100", L"100"},  {L"0.000", L"0"},  {L"10", L"10"},
      {L".", L""},        {L"-0.50", L"-0.5"}, {L"1.0.0", L"1.0"}, {L"1..", L"1"}, {L"", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    EXPECT_EQ(CStringOpr::TrimZero(CString(row.text)).str(), row.expected);
  }
}

TEST(TrimZero, NumberWithPrecisionAndMode) {
  struct Row {
    double value;
    int precision;
    int mode;
    const wchar_t* expected;
  } const rows[] = {
      {1.5, -1, 1, L"1.5"},     {1.5, -1, 0, L"1.500000"}, {1.5, -1, 2, L"1.5"},
      {1.5, 2, 2, L"1.50"},     {1.5, 2, 1, L"1.5"},       {2.0, 0, 1, L"2"},
      {1e-9, -1, 1, L"0"},      {-1e-9, -1, 1, L"-0"},     {1234.5678, 2, 0, L"1234.57"},
      {-0.125, -1, 1, L"-0.125"}, {100.0, -1, 1, L"100"},  {1.5, -1, 7, L"1.500000"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.value << " precision " << row.precision << " mode " << row.mode);
    EXPECT_EQ(CStringOpr::TrimZero(row.value, row.precision, row.mode).str(), row.expected);
  }
}

TEST(TrimZero, NotANumberAndInfinityKeepTheirText) {
  EXPECT_EQ(CStringOpr::TrimZero(INFINITY, -1, 1).str(), L"inf");
  EXPECT_EQ(CStringOpr::TrimZero(-INFINITY, 2, 1).str(), L"-inf");
  CString nan = CStringOpr::TrimZero(NAN, 3, 1);
  EXPECT_NE(nan.Find(L"nan"), -1) << Utf8(nan);
}

TEST(FormatString, WidthPrecisionAndFill) {
  struct Row {
    double value;
    int width, precision, fillZero;
    const wchar_t* expected;
  } const rows[] = {
      {3.14159, -1, 2, 0, L"3.14"}, {3.10, -1, 2, 0, L"3.1"},    {3.10, -1, 2, 1, L"3.10"},
      {2.5, 6, 2, 1, L"002.50"},    {2.5, 6, -1, 0, L"   2.5"},  {2.5, 6, -1, 1, L"0002.5"},
      {-2.5, 6, 2, 1, L"-02.50"},   {7, 2, -1, 1, L"07"},        {1500, 0, -1, 0, L"1500"},
      {62, 3, 0, 1, L"062"},        {2.0, -1, -1, 0, L"2"},      {2.0, -1, -1, 1, L"2.000000"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.value << " " << row.width << " " << row.precision << " "
                                    << row.fillZero);
    EXPECT_EQ(CStringOpr::FormatString(row.value, row.width, row.precision, row.fillZero).str(),
              row.expected);
  }
}

TEST(FormatString, HostileArgumentsGiveText) {
  CString wide = CStringOpr::FormatString(1.0, INT_MAX, 2, 0);
  EXPECT_EQ(wide.Right(5).str(), L" 1.00");
  EXPECT_FALSE(CStringOpr::FormatString(NAN, 8, 2, 1).IsEmpty());
  EXPECT_EQ(CStringOpr::FormatString(INFINITY, 5, -1, 0).str(), L"  inf");
  CString huge = CStringOpr::FormatString(1e308, -1, 2, 0);
  EXPECT_EQ(huge.GetLength(), 309);  // every digit of the integer part
}

}  // namespace
