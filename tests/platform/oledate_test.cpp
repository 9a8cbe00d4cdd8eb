#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>

#include "support/test_support.h"

namespace {

using kavro::test::Utf8;

struct Fields {
  int year, month, day, hour, minute, second;
};

void ExpectFields(const COleDateTime& t, const Fields& f) {
  EXPECT_EQ(t.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(t.GetYear(), f.year);
  EXPECT_EQ(t.GetMonth(), f.month);
  EXPECT_EQ(t.GetDay(), f.day);
  EXPECT_EQ(t.GetHour(), f.hour);
  EXPECT_EQ(t.GetMinute(), f.minute);
  EXPECT_EQ(t.GetSecond(), f.second);
}

CString Formatted(VARIANT& v, const wchar_t* pattern) {
  BSTR out = nullptr;
  EXPECT_EQ(VarFormat(&v, const_cast<LPOLESTR>(pattern), 0, 0, 0, &out), S_OK);
  CString text(out);
  SysFreeString(out);
  return text;
}

VARIANT DateVariant(DATE d) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DATE;
  v.date = d;
  return v;
}

TEST(COleDateTime, ValuesAndFields) {
  // The DATE form: days since 30 Dec 1899, negative days with the time as a
  // forward fraction.
  struct Row {
    DATE value;
    Fields fields;
  } const rows[] = {
      {0.0, {1899, 12, 30, 0, 0, 0}},
      {1.0, {1899, 12, 31, 0, 0, 0}},
      {2.5, {1900, 1, 1, 12, 0, 0}},
      {-1.25, {1899, 12, 29, 6, 0, 0}},
      {-1.75, {1899, 12, 29, 18, 0, 0}},
      {45356.2945486111, {2024, 3, 5, 7, 4, 9}},
      {60.0, {1900, 2, 28, 0, 0, 0}},
      {61.0, {1900, 3, 1, 0, 0, 0}},  // 1900 is no leap year
      {-657434.0, {100, 1, 1, 0, 0, 0}},
      {2958465.0 + 86399.0 / 86400, {9999, 12, 31, 23, 59, 59}},
      {0.99999999, {1899, 12, 31, 0, 0, 0}},    // rounds to the next day
      {-1.99999999, {1899, 12, 30, 0, 0, 0}},   // and for negative days too
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    ExpectFields(COleDateTime(row.value), row.fields);
  }
}

TEST(COleDateTime, BuildsFromFieldsAndRoundTrips) {
  const Fields rows[] = {
      {2024, 3, 5, 7, 4, 9}, {1899, 12, 29, 6, 0, 0}, {1600, 2, 29, 23, 59, 59},
      {100, 1, 1, 0, 0, 0},  {9999, 12, 31, 23, 59, 59}, {2000, 2, 29, 12, 0, 0},
  };
  for (const Fields& f : rows) {
    SCOPED_TRACE(f.year);
    COleDateTime t(f.year, f.month, f.day, f.hour, f.minute, f.second);
    ExpectFields(t, f);
    ExpectFields(COleDateTime(t.m_dt), f);
    SYSTEMTIME st = {};
    ASSERT_TRUE(t.GetAsSystemTime(st));
    ExpectFields(COleDateTime(st), f);
  }
  EXPECT_DOUBLE_EQ(COleDateTime(1899, 12, 29, 6, 0, 0).m_dt, -1.25);
  EXPECT_EQ(COleDateTime(2024, 3, 5, 0, 0, 0).GetDayOfWeek(), 3);  // Tuesday
  EXPECT_EQ(COleDateTime(2024, 12, 31, 0, 0, 0).GetDayOfYear(), 366);
}

TEST(COleDateTime, BadFieldsAndValuesAreInvalid) {
  const Fields badFields[] = {
      {99, 12, 31, 0, 0, 0},  {10000, 1, 1, 0, 0, 0}, {2023, 2, 29, 0, 0, 0}, {2024, 13, 1, 0, 0, 0},
      {2024, 0, 1, 0, 0, 0},  {2024, 4, 31, 0, 0, 0}, {2024, 1, 1, 24, 0, 0}, {2024, 1, 1, 0, 60, 0},
      {2024, 1, 1, 0, 0, 60}, {2024, 1, 1, -1, 0, 0},
  };
  for (const Fields& f : badFields) {
    SCOPED_TRACE(testing::Message() << f.year << "-" << f.month << "-" << f.day << " " << f.hour << ":"
                                    << f.minute << ":" << f.second);
    COleDateTime t;
    EXPECT_EQ(t.SetDateTime(f.year, f.month, f.day, f.hour, f.minute, f.second), 1);
    EXPECT_EQ(t.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(t.GetYear(), -1);
    EXPECT_EQ(t.GetSecond(), -1);
  }
  const double badValues[] = {std::nan(""), std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(), 2958466.0, -657435.5, 1e300,
                              -1e300, 2958465.999999999};
  for (double v : badValues) {
    SCOPED_TRACE(v);
    COleDateTime t(v);
    EXPECT_EQ(t.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(t.GetYear(), -1);
    EXPECT_EQ(t.Format(L"%Y"), L"Invalid DateTime");
    SYSTEMTIME st = {};
    EXPECT_FALSE(t.GetAsSystemTime(st));
  }
}

TEST(COleDateTime, FormatWithRuntimeCodes) {
  COleDateTime t(2024, 3, 5, 7, 4, 9);
  struct Row {
    const wchar_t* pattern;
    const wchar_t* expected;
  } const rows[] = {
      {L"%Y-%m-%d %H:%M:%S", L"2024-03-05 07:04:09"},
      {L"%Y-%m-%d", L"2024-03-05"},
      {L"%H:%M:%S", L"07:04:09"},
      {L"%y %b %B %a %A", L"24 Mar March Tue Tuesday"},
      {L"%j %p %I %w", L"065 AM 07 2"},
      {L"%#d/%#m/%#H %%", L"5/3/7 %"},
      {L"%x %X", L"03/05/24 07:04:09"},
      {L"%c", L"03/05/24 07:04:09"},
      {L"%q%", L"%q%"},  // unknown code and a lone '%' stay as written
      {L"", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.pattern));
    EXPECT_EQ(t.Format(row.pattern), row.expected);
  }
  EXPECT_EQ(COleDateTime(2024, 3, 5, 19, 0, 0).Format(L"%I %p"), L"07 PM");
  EXPECT_EQ(COleDateTime(150, 6, 1, 0, 0, 0).Format(L"%Y %y"), L"0150 50");
  // As the Windows runtime's 256-character buffer: a longer result is nothing.
  CString longPattern;
  for (int i = 0; i < 64; ++i) longPattern += L"%Y";
  EXPECT_EQ(t.Format(longPattern).GetLength(), 0);
  COleDateTime empty;
  empty.SetStatus(COleDateTime::null);
  EXPECT_EQ(empty.Format(L"%Y"), L"");
  EXPECT_EQ(empty.Format(), L"");
}

TEST(COleDateTime, GeneralFormat) {
  struct Row {
    COleDateTime value;
    DWORD flags;
    const wchar_t* expected;
  } const rows[] = {
      {COleDateTime(2024, 3, 5, 7, 4, 9), 0, L"3/5/2024 7:04:09 AM"},
      {COleDateTime(2024, 3, 5, 0, 0, 0), 0, L"3/5/2024"},
      {COleDateTime(1899, 12, 30, 13, 5, 0), 0, L"1:05:00 PM"},
      {COleDateTime(0.0), 0, L"12:00:00 AM"},
      {COleDateTime(2024, 3, 5, 7, 4, 9), VAR_DATEVALUEONLY, L"3/5/2024"},
      {COleDateTime(2024, 3, 5, 7, 4, 9), VAR_TIMEVALUEONLY, L"7:04:09 AM"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.expected));
    EXPECT_EQ(row.value.Format(row.flags), row.expected);
  }
}

TEST(COleDateTime, ArithmeticAcrossTheEpoch) {
  struct Row {
    DATE start;
    COleDateTimeSpan span;
    DATE expected;
  } const rows[] = {
      {-1.25, COleDateTimeSpan(0, 12, 0, 0), -1.75},   // 29 Dec 06:00 + 12h = 29 Dec 18:00
      {-1.75, COleDateTimeSpan(0, 12, 0, 0), 0.25},    // into 30 Dec
      {0.25, COleDateTimeSpan(0, -12, 0, 0), -1.75},   // and back
      {-2.5, COleDateTimeSpan(1, 0, 0, 0), -1.5},
      {1.5, COleDateTimeSpan(-3.0), -2.5},    // 28 Dec 12:00
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.start);
    COleDateTime t(row.start);
    COleDateTime sum = t + row.span;
    EXPECT_EQ(sum.GetStatus(), COleDateTime::valid);
    EXPECT_NEAR(sum.m_dt, row.expected, 1e-9);
    EXPECT_NEAR((sum - t).GetTotalDays(), row.span.GetTotalDays(), 1e-9);
    EXPECT_NEAR((sum - row.span).m_dt, row.start, 1e-9);
  }
  COleDateTime late(2024, 3, 5, 23, 30, 0);
  ExpectFields(late + COleDateTimeSpan(0, 1, 45, 0), {2024, 3, 6, 1, 15, 0});
  ExpectFields(late - COleDateTimeSpan(0, 1, 45, 0), {2024, 3, 5, 21, 45, 0});
  COleDateTime t = late;
  t += COleDateTimeSpan(1, 0, 0, 0);
  t -= COleDateTimeSpan(0, 0, 30, 0);
  ExpectFields(t, {2024, 3, 6, 23, 0, 0});
}

TEST(COleDateTime, StatusSpreadsThroughArithmetic) {
  COleDateTime valid(2024, 1, 1, 0, 0, 0);
  COleDateTime invalid(std::nan(""));
  COleDateTime null;
  null.SetStatus(COleDateTime::null);
  COleDateTimeSpan badSpan(std::nan(""));
  COleDateTimeSpan nullSpan;
  nullSpan.SetStatus(COleDateTimeSpan::null);
  EXPECT_EQ((invalid + COleDateTimeSpan(1.0)).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ((null + COleDateTimeSpan(1.0)).GetStatus(), COleDateTime::null);
  EXPECT_EQ((valid + badSpan).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ((valid + nullSpan).GetStatus(), COleDateTime::null);
  EXPECT_EQ((valid - invalid).GetStatus(), COleDateTimeSpan::invalid);
  EXPECT_EQ((valid - null).GetStatus(), COleDateTimeSpan::null);
  // Leaving the calendar makes the result invalid, never a wrapped date.
  EXPECT_EQ((COleDateTime(9999, 12, 31, 0, 0, 0) + COleDateTimeSpan(1, 0, 0, 0)).GetStatus(),
            COleDateTime::invalid);
  EXPECT_EQ((COleDateTime(100, 1, 1, 0, 0, 0) - COleDateTimeSpan(1, 0, 0, 0)).GetStatus(),
            COleDateTime::invalid);
  EXPECT_EQ((valid + COleDateTimeSpan(1e308) + COleDateTimeSpan(1e308)).GetStatus(), COleDateTime::invalid);
}

TEST(COleDateTime, Comparison) {
  COleDateTime a(1899, 12, 29, 18, 0, 0);  // -1.75
  COleDateTime b(1899, 12, 30, 6, 0, 0);   // 0.25
  COleDateTime c(1899, 12, 29, 6, 0, 0);   // -1.25: earlier than a although larger as a double
  EXPECT_TRUE(c < a);
  EXPECT_TRUE(a < b);
  EXPECT_TRUE(b > c);
  EXPECT_TRUE(a <= a);
  EXPECT_TRUE(a >= c);
  EXPECT_TRUE(a == COleDateTime(-1.75));
  EXPECT_TRUE(COleDateTime(-0.5) == COleDateTime(0.5));  // both 30 Dec 12:00
  COleDateTime invalid(std::nan(""));
  COleDateTime null1, null2;
  null1.SetStatus(COleDateTime::null);
  null2.SetStatus(COleDateTime::null);
  EXPECT_FALSE(invalid == invalid);
  EXPECT_TRUE(null1 == null2);
  EXPECT_FALSE(invalid < a);
  EXPECT_FALSE(a < invalid);
  EXPECT_TRUE(a != invalid);
}

TEST(COleDateTimeSpan, Parts) {
  struct Row {
    COleDateTimeSpan span;
    LONG days, hours, minutes, seconds;
  } const rows[] = {
      {COleDateTimeSpan(1, 12, 0, 1), 1, 12, 0, 1},
      {COleDateTimeSpan(0, 1, 45, 0), 0, 1, 45, 0},
      {COleDateTimeSpan(0, -1, -1, -1), 0, -1, -1, -1},
      {COleDateTimeSpan(2.0 / 86400 - 1e-12), 0, 0, 0, 2},  // rounded to the second
      {COleDateTimeSpan(std::nan("")), 0, 0, 0, 0},
      {COleDateTimeSpan(1e300), 0, 0, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.span.m_span);
    EXPECT_EQ(row.span.GetDays(), row.days);
    EXPECT_EQ(row.span.GetHours(), row.hours);
    EXPECT_EQ(row.span.GetMinutes(), row.minutes);
    EXPECT_EQ(row.span.GetSeconds(), row.seconds);
  }
  EXPECT_EQ(COleDateTimeSpan(std::nan("")).GetStatus(), COleDateTimeSpan::invalid);
  EXPECT_EQ(COleDateTimeSpan(1, 2, 3, 4).Format(L"%D days %H:%M:%S %%"), L"1 days 02:03:04 %");
  EXPECT_DOUBLE_EQ(COleDateTimeSpan(0, 6, 0, 0).GetTotalHours(), 6.0);
  EXPECT_TRUE(COleDateTimeSpan(1.0) < COleDateTimeSpan(2.0));
  EXPECT_TRUE(-COleDateTimeSpan(1.0) == COleDateTimeSpan(-1.0));
}

TEST(VarDateFromStr, ReadsDatesAndTimes) {
  int thisYear = COleDateTime::GetCurrentTime().GetYear();
  struct Row {
    const wchar_t* text;
    Fields fields;
  } const rows[] = {
      {L"2024-03-05 23:30:00", {2024, 3, 5, 23, 30, 0}},
      {L"2024-03-05", {2024, 3, 5, 0, 0, 0}},
      {L"10:00:00", {1899, 12, 30, 10, 0, 0}},
      {L"00:00:00", {1899, 12, 30, 0, 0, 0}},
      {L"23:30", {1899, 12, 30, 23, 30, 0}},
      {L"2024/3/5 7:04:09 PM", {2024, 3, 5, 19, 4, 9}},
      {L"3/5/2024", {2024, 3, 5, 0, 0, 0}},
      {L"25/12/2024", {2024, 12, 25, 0, 0, 0}},  // a day above 12 cannot be the month
      {L"5 March 2024", {2024, 3, 5, 0, 0, 0}},
      {L"March 5, 2024 12:00 AM", {2024, 3, 5, 0, 0, 0}},
      {L"Tue, 5 Mar 2024 12:30 PM", {2024, 3, 5, 12, 30, 0}},
      {L"  2024-02-29  ", {2024, 2, 29, 0, 0, 0}},
      {L"1/2/29", {2029, 1, 2, 0, 0, 0}},
      {L"1/2/30", {1930, 1, 2, 0, 0, 0}},
      {L"7 pm", {1899, 12, 30, 19, 0, 0}},
      {L"12:30:15.75", {1899, 12, 30, 12, 30, 15}},
      {L"0100-01-01", {100, 1, 1, 0, 0, 0}},
      {L"3/5", {thisYear, 3, 5, 0, 0, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    DATE d = -99;
    ASSERT_EQ(VarDateFromStr(row.text, LOCALE_USER_DEFAULT, 0, &d), S_OK);
    ExpectFields(COleDateTime(d), row.fields);
  }
  DATE d = 0;
  ASSERT_EQ(VarDateFromStr(L"2024-03-05 23:30:00", LOCALE_USER_DEFAULT, VAR_DATEVALUEONLY, &d), S_OK);
  ExpectFields(COleDateTime(d), {2024, 3, 5, 0, 0, 0});
  ASSERT_EQ(VarDateFromStr(L"2024-03-05 23:30:00", LOCALE_USER_DEFAULT, VAR_TIMEVALUEONLY, &d), S_OK);
  ExpectFields(COleDateTime(d), {1899, 12, 30, 23, 30, 0});
}

TEST(VarDateFromStr, RejectsWhatIsNoDate) {
  CString huge(L'9', 100000);
  struct Row {
    CString text;
    HRESULT expected;
  } const rows[] = {
      {L"", DISP_E_TYPEMISMATCH},
      {L"   ", DISP_E_TYPEMISMATCH},
      {L"hello", DISP_E_TYPEMISMATCH},
      {L"2009:09:01", DISP_E_TYPEMISMATCH},          // 2009 o'clock
      {L"0000:00:00 00:00:00", DISP_E_TYPEMISMATCH},  // two times
      {L"2023-02-29", DISP_E_TYPEMISMATCH},
      {L"2024-13-01", DISP_E_TYPEMISMATCH},
      {L"24:00:00", DISP_E_TYPEMISMATCH},
      {L"12:60", DISP_E_TYPEMISMATCH},
      {L"13 PM", DISP_E_TYPEMISMATCH},
      {L"1:2:3:4", DISP_E_TYPEMISMATCH},
      {L"5", DISP_E_TYPEMISMATCH},
      {L"1/2/3/4", DISP_E_TYPEMISMATCH},
      {L"2024-03-05 #", DISP_E_TYPEMISMATCH},
      {L"März 2024", DISP_E_TYPEMISMATCH},
      {CString(L"\xD800 2024-01-01"), DISP_E_TYPEMISMATCH},
      {huge, DISP_E_TYPEMISMATCH},  // one number alone
      {L"10000-01-01", DISP_E_OVERFLOW},
      {L"0099-01-01", DISP_E_OVERFLOW},
      {L"99999999999999999999-1-1", DISP_E_OVERFLOW},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text.Left(40)));
    DATE d = 123;
    EXPECT_EQ(VarDateFromStr(row.text, LOCALE_USER_DEFAULT, 0, &d), row.expected);
    EXPECT_EQ(d, 123);
  }
  DATE d;
  EXPECT_EQ(VarDateFromStr(nullptr, 0, 0, &d), E_INVALIDARG);
  EXPECT_EQ(VarDateFromStr(L"2024-01-01", 0, 0, nullptr), E_INVALIDARG);
}

TEST(COleDateTime, ParseDateTimeSetsStatusAndValue) {
  COleDateTime t;
  EXPECT_TRUE(t.ParseDateTime(L"2024-03-05 10:00:00"));
  ExpectFields(t, {2024, 3, 5, 10, 0, 0});
  EXPECT_FALSE(t.ParseDateTime(L"not a date"));
  EXPECT_EQ(t.GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(t.m_dt, 0);
  EXPECT_FALSE(t.ParseDateTime(L"12000-01-01"));
  EXPECT_EQ(t.GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(t.m_dt, -1);
  EXPECT_TRUE(t.ParseDateTime(nullptr));
  EXPECT_EQ(t.GetStatus(), COleDateTime::valid);
}

TEST(VarFormat, AutomationPatterns) {
  VARIANT v = DateVariant(COleDateTime(2024, 3, 5, 7, 4, 9).m_dt);
  struct Row {
    const wchar_t* pattern;
    const wchar_t* expected;
  } const rows[] = {
      {L"YYYY-M-D H:M:S", L"2024-3-5 7:4:9"},
      {L"YYYY-M-D", L"2024-3-5"},
      {L"H:M:S", L"7:4:9"},
      {L"YY/M/D", L"24/3/5"},
      {L"yyyy-mm-dd hh:nn:ss", L"2024-03-05 07:04:09"},
      {L"hh:mm", L"07:04"},        // m after an hour is the minute
      {L"mm:ss", L"04:09"},        // and before a second
      {L"mmm mmmm ddd dddd", L"Mar March Tue Tuesday"},
      {L"ddddd", L"3/5/2024"},
      {L"dddddd", L"Tuesday, March 5, 2024"},
      {L"h AM/PM", L"7 AM"},
      {L"h am/pm", L"7 am"},
      {L"hh A/P", L"07 A"},
      {L"ttttt", L"7:04:09 AM"},
      {L"q w y", L"1 3 65"},
      {L"c", L"3/5/2024 7:04:09 AM"},
      {L"", L"3/5/2024 7:04:09 AM"},
      {L"\\Y\"M D\"%j", L"YM D%j"},  // literals and untranslated codes
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.pattern));
    EXPECT_EQ(Formatted(v, row.pattern), row.expected);
  }
  VARIANT pm = DateVariant(COleDateTime(2024, 3, 5, 19, 0, 0).m_dt);
  EXPECT_EQ(Formatted(pm, L"h:nn AM/PM"), L"7:00 PM");
  VARIANT before = DateVariant(-1.25);
  EXPECT_EQ(Formatted(before, L"YYYY-M-D H:M:S"), L"1899-12-29 6:0:0");
}

TEST(VarFormat, VariantKindsAndErrors) {
  VARIANT number;
  VariantInit(&number);
  number.vt = VT_R8;
  number.dblVal = 2.5;
  EXPECT_EQ(Formatted(number, L"yyyy-mm-dd hh"), L"1900-01-01 12");
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(L"2024-03-05 10:00:00");
  EXPECT_EQ(Formatted(text, L"D.M.YYYY"), L"5.3.2024");
  EXPECT_EQ(VariantClear(&text), S_OK);
  EXPECT_EQ(text.vt, VT_EMPTY);

  BSTR out = reinterpret_cast<BSTR>(1);
  VARIANT bad = DateVariant(std::nan(""));
  EXPECT_EQ(VarFormat(&bad, const_cast<LPOLESTR>(L"yyyy"), 0, 0, 0, &out), DISP_E_OVERFLOW);
  EXPECT_EQ(out, nullptr);
  VARIANT far = DateVariant(1e20);
  EXPECT_EQ(VarFormat(&far, const_cast<LPOLESTR>(L"yyyy"), 0, 0, 0, &out), DISP_E_OVERFLOW);
  VARIANT notDate;
  VariantInit(&notDate);
  notDate.vt = VT_BOOL;
  EXPECT_EQ(VarFormat(&notDate, const_cast<LPOLESTR>(L"yyyy"), 0, 0, 0, &out), DISP_E_TYPEMISMATCH);
  VARIANT garbage;
  VariantInit(&garbage);
  garbage.vt = VT_BSTR;
  garbage.bstrVal = SysAllocString(L"garbage");
  EXPECT_EQ(VarFormat(&garbage, const_cast<LPOLESTR>(L"yyyy"), 0, 0, 0, &out), DISP_E_TYPEMISMATCH);
  VariantClear(&garbage);
  VARIANT ok = DateVariant(0);
  EXPECT_EQ(VarFormat(&ok, const_cast<LPOLESTR>(L"yyyy"), 0, 0, 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(VarFormat(nullptr, const_cast<LPOLESTR>(L"yyyy"), 0, 0, 0, &out), E_INVALIDARG);
  // A long pattern has no length limit here.
  CString longPattern;
  for (int i = 0; i < 5000; ++i) longPattern += L"yyyy";
  EXPECT_EQ(Formatted(ok, longPattern).GetLength(), 20000);
}

TEST(Bstr, CarriesItsLength) {
  const wchar_t withNul[] = {L'a', 0, L'b'};
  BSTR b = SysAllocStringLen(withNul, 3);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 3u);
  EXPECT_EQ(b[2], L'b');
  EXPECT_EQ(b[3], 0);
  SysFreeString(b);
  BSTR zeros = SysAllocStringLen(nullptr, 4);
  EXPECT_EQ(SysStringLen(zeros), 4u);
  EXPECT_EQ(zeros[0], 0);
  SysFreeString(zeros);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
}

TEST(Clock, AgreesWithTheSystemClock) {
  time_t before = time(nullptr);
  SYSTEMTIME local = {}, utc = {};
  GetLocalTime(&local);
  GetSystemTime(&utc);
  time_t after = time(nullptr);
  struct tm expected;
  gmtime_r(&before, &expected);
  if (before == after) {
    EXPECT_EQ(utc.wYear, expected.tm_year + 1900);
    EXPECT_EQ(utc.wMonth, expected.tm_mon + 1);
    EXPECT_EQ(utc.wDay, expected.tm_mday);
    EXPECT_EQ(utc.wHour, expected.tm_hour);
    EXPECT_EQ(utc.wDayOfWeek, expected.tm_wday);
    localtime_r(&before, &expected);
    EXPECT_EQ(local.wHour, expected.tm_hour);
    EXPECT_EQ(local.wMinute, expected.tm_min);
  }
  EXPECT_LT(utc.wMilliseconds, 1000);
  COleDateTime now = COleDateTime::GetCurrentTime();
  EXPECT_EQ(now.GetStatus(), COleDateTime::valid);
  EXPECT_GE(now.GetYear(), 2024);
  GetLocalTime(nullptr);  // nothing happens
}

}  // namespace
