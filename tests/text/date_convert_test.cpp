#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "KavroStd/platform/oledate.h"
#include "support/test_support.h"

namespace {

using kavro::test::Utf8;

TEST(Time2CString, ModesAroundTheEpochDay) {
  struct Row {
    COleDateTime time;
    const wchar_t* time0;
    const wchar_t* date1;
    const wchar_t* both2;
  } const rows[] = {
      {COleDateTime(2024, 3, 5, 7, 4, 9), L"07:04:09", L"2024-03-05", L"2024-03-05 07:04:09"},
      {COleDateTime(DATE(0)), L"00:00:00", L"1899-12-30", L"1899-12-30 00:00:00"},
      {COleDateTime(DATE(-1.25)), L"06:00:00", L"1899-12-29", L"1899-12-29 06:00:00"},
      {COleDateTime(1899, 12, 29, 18, 0, 0), L"18:00:00", L"1899-12-29", L"1899-12-29 18:00:00"},
      {COleDateTime(100, 1, 1, 0, 0, 1), L"00:00:01", L"0100-01-01", L"0100-01-01 00:00:01"},
      {COleDateTime(9999, 12, 31, 23, 59, 59), L"23:59:59", L"9999-12-31", L"9999-12-31 23:59:59"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.both2));
    COleDateTime time = row.time;
    CString out;
    EXPECT_TRUE(CStringOpr::Time2CString(out, time, 0));
    EXPECT_EQ(out.str(), row.time0);
    EXPECT_TRUE(CStringOpr::Time2CString(out, time, 1));
    EXPECT_EQ(out.str(), row.date1);
    EXPECT_TRUE(CStringOpr::Time2CString(out, time, 7));
    EXPECT_EQ(out.str(), row.both2);
  }
}

TEST(Time2CString, InvalidAndNullDates) {
  for (DATE value : {1e10, -1e10, static_cast<double>(NAN), static_cast<double>(INFINITY)}) {
    SCOPED_TRACE(value);
    COleDateTime time(value);
    CString out = L"stale";
    EXPECT_FALSE(CStringOpr::Time2CString(out, time, 2));
    EXPECT_TRUE(out.IsEmpty());
  }
  COleDateTime null;
  null.SetStatus(COleDateTime::null);
  CString out = L"stale";
  EXPECT_TRUE(CStringOpr::Time2CString(out, null, 2));
  EXPECT_TRUE(out.IsEmpty());
}

TEST(CString2Time, ResultSaysWhetherTheTextParsed_FailureUsedToLookLikeSuccess) {
  COleDateTime time;
  EXPECT_TRUE(CStringOpr::CString2Time(time, L"2024-03-05 23:30:00", 2));
  EXPECT_EQ(time.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(time.GetYear(), 2024);
  EXPECT_EQ(time.GetMinute(), 30);

  EXPECT_TRUE(CStringOpr::CString2Time(time, L"", 0));  // "00:00:00"
  EXPECT_EQ(time.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(time.m_dt, 0.0);

  EXPECT_TRUE(CStringOpr::CString2Time(time, L"1899-12-29 06:00:00", 2));
  EXPECT_DOUBLE_EQ(time.m_dt, -1.25);

  // A failed parse used to be indistinguishable from success.
  EXPECT_FALSE(CStringOpr::CString2Time(time, L"not a date", 2));
  EXPECT_EQ(time.GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(time.m_dt, 0.0);

  EXPECT_FALSE(CStringOpr::CString2Time(time, L"12000-01-01", 1));
  EXPECT_EQ(time.GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(time.m_dt, -1.0);

  std::wstring longText(100000, L'9');
  EXPECT_FALSE(CStringOpr::CString2Time(time, longText.c_str(), 2));
  EXPECT_EQ(time.GetStatus(), COleDateTime::invalid);
}

TEST(FormatDateTime, StrftimeCodesWithoutLeadingZeros) {
  struct Row {
    COleDateTime time;
    const wchar_t* pattern;
    const wchar_t* expected;
  } const rows[] = {
      {COleDateTime(2024, 3, 5, 7, 4, 9), L"%Y-%m-%d %H:%M:%S", L"2024-3-5 7:4:9"},
      {COleDateTime(2024, 3, 5, 7, 4, 9), L"%d/%m/%y", L"5/3/24"},
      {COleDateTime(2024, 11, 25, 17, 45, 30), L"%Y%m%d", L"20241125"},
      {COleDateTime(1899, 12, 29, 6, 0, 0), L"%Y-%m-%d %H", L"1899-12-29 6"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.expected));
    EXPECT_EQ(CStringOpr::FormatDateTime(row.time, row.pattern).str(), row.expected);
  }
  EXPECT_TRUE(CStringOpr::FormatDateTime(COleDateTime(DATE(1e12)), L"%Y").IsEmpty());
}

TEST(GetCurData, TodayWithAndWithoutPadding) {
  SYSTEMTIME before, after;
  GetLocalTime(&before);
  const CString padded = CStringOpr::GetCurData(TRUE);
  const CString plain = CStringOpr::GetCurData(FALSE);
  GetLocalTime(&after);
  auto expected = [](const SYSTEMTIME& t, bool pad) {
    CString s;
    s.Format(pad ? L"%d%02d%02d" : L"%d%d%d", t.wYear, t.wMonth, t.wDay);
    return s;
  };
  EXPECT_TRUE(padded == expected(before, true) || padded == expected(after, true)) << Utf8(padded);
  EXPECT_TRUE(plain == expected(before, false) || plain == expected(after, false)) << Utf8(plain);
  EXPECT_EQ(padded.GetLength(), 8);
}

TEST(TimeAddTime, ClockTimeArithmetic) {
  struct Row {
    const wchar_t* base;
    const wchar_t* delta;
    int add, mode;
    const wchar_t* expected;
  } const rows[] = {
      {L"2024-03-05 23:30:00", L"01:45:00", 1, 2, L"2024-03-06 01:15:00"},
      {L"2024-03-05 23:30:00", L"01:45:00", 0, 2, L"2024-03-05 21:45:00"},
      {L"10:00:00", L"00:30:15", 1, 0, L"10:30:15"},
      {L"2024-02-28 23:00:00", L"02:00:00", 1, 1, L"2024-02-29"},
      {L"2024-03-05 10:00:00", L"2001-01-01 00:00:05", 1, 2, L"2024-03-05 10:00:05"},  // date ignored
      // Around and before 30 December 1899, where the day count is negative.
      {L"1899-12-30 00:30:00", L"01:00:00", 0, 2, L"1899-12-29 23:30:00"},
      {L"1899-12-29 23:30:00", L"01:00:00", 1, 2, L"1899-12-30 00:30:00"},
      {L"1899-12-29 06:00:00", L"07:00:00", 0, 2, L"1899-12-28 23:00:00"},
      {L"1899-12-29 06:00:00", L"12:00:00", 1, 2, L"1899-12-29 18:00:00"},
      {L"00:30:00", L"01:00:00", 0, 2, L"1899-12-29 23:30:00"},
      {L"1850-06-15 12:00:00", L"13:00:00", 1, 2, L"1850-06-16 01:00:00"},
      // A delta that is not a time counts as -1:-1:-1.
      {L"10:00:00", L"garbage", 1, 0, L"08:58:59"},
      {L"", L"", 1, 0, L"00:00:00"},
      // A base that is not a date, or a result off the calendar: no text.
      {L"garbage", L"01:00:00", 1, 2, L""},
      {L"9999-12-31 23:30:00", L"01:00:00", 1, 2, L""},
      {L"0100-01-01 00:30:00", L"01:00:00", 0, 2, L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.base) + (row.add ? " + " : " - ") + Utf8(row.delta));
    CString out = L"stale";
    EXPECT_TRUE(CStringOpr::TimeAddTime(out, row.base, row.delta, row.add, row.mode));
    EXPECT_EQ(out.str(), row.expected);
  }
}

TEST(GetDateAddTime, PiecesAtSpaces) {
  struct Row {
    const wchar_t* text;
    const wchar_t* date;
    const wchar_t* time;
  } const rows[] = {
      {L"2024-03-05 10:00:00", L"2024-03-05", L"10:00:00"},
      {L"2024-03-05", L"2024-03-05", L"keep"},
      {L"", L"keep", L"keep"},
      {L"a b c", L"a", L"b"},
      {L"a  b", L"a", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    CString date = L"keep", time = L"keep";
    EXPECT_TRUE(CStringOpr::GetDateAddTime(row.text, date, time));
    EXPECT_EQ(date.str(), row.date);
    EXPECT_EQ(time.str(), row.time);
  }
}

}  // namespace
