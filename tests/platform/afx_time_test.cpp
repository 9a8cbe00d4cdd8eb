#include <cstdlib>
#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

using kavro::test::ScopedTimeZone;

FILETIME Ticks(unsigned long long ticks) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}

unsigned long long TicksOf(const FILETIME& ft) {
  return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

TEST(FileTimes, SystemTimeRoundTrips) {
  struct Row {
    unsigned long long ticks;
    WORD year, month, day, dayOfWeek, hour, minute, second, ms;
  } const rows[] = {
      {0ULL, 1601, 1, 1, 1, 0, 0, 0, 0},
      {116444736000000000ULL, 1970, 1, 1, 4, 0, 0, 0, 0},
      // 2024-02-29 13:45:30.250 UTC, a Thursday.
      {133536879302500000ULL, 2024, 2, 29, 4, 13, 45, 30, 250},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.ticks);
    FILETIME ft = Ticks(row.ticks);
    SYSTEMTIME st;
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &st));
    EXPECT_EQ(st.wYear, row.year);
    EXPECT_EQ(st.wMonth, row.month);
    EXPECT_EQ(st.wDay, row.day);
    EXPECT_EQ(st.wDayOfWeek, row.dayOfWeek);
    EXPECT_EQ(st.wHour, row.hour);
    EXPECT_EQ(st.wMinute, row.minute);
    EXPECT_EQ(st.wSecond, row.second);
    EXPECT_EQ(st.wMilliseconds, row.ms);
    FILETIME back;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &back));
    EXPECT_EQ(TicksOf(back), row.ticks);
  }
}

TEST(FileTimes, BadInputsFail) {
  FILETIME huge = Ticks(0x8000000000000000ULL);
  SYSTEMTIME st;
  EXPECT_FALSE(FileTimeToSystemTime(&huge, &st));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  const SYSTEMTIME bad[] = {
      {1600, 1, 0, 1, 0, 0, 0, 0}, {2023, 2, 0, 29, 0, 0, 0, 0}, {2024, 13, 0, 1, 0, 0, 0, 0},
      {2024, 1, 0, 1, 24, 0, 0, 0}, {2024, 1, 0, 1, 0, 0, 60, 0}, {2024, 1, 0, 1, 0, 0, 0, 1000},
  };
  for (const SYSTEMTIME& row : bad) {
    FILETIME ft;
    EXPECT_FALSE(SystemTimeToFileTime(&row, &ft)) << row.wYear << "-" << row.wMonth << "-" << row.wDay;
  }
}

TEST(FileTimes, LocalFileTimeUsesTheOffsetInForceNow) {
  ScopedTimeZone zone("UTC-3");  // POSIX sign: three hours east
  FILETIME utc = Ticks(133536879302500000ULL), local, back;
  ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
  EXPECT_EQ(TicksOf(local) - TicksOf(utc), 3ULL * 3600 * 10000000ULL);
  ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
  EXPECT_EQ(TicksOf(back), TicksOf(utc));
  FILETIME zero = Ticks(0);
  EXPECT_FALSE(LocalFileTimeToFileTime(&zero, &back));
}

TEST(CTimeTest, FieldsAndInstants) {
  ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  CTime t(2024, 3, 5, 7, 4, 9);
  EXPECT_EQ(t.GetYear(), 2024);
  EXPECT_EQ(t.GetMonth(), 3);
  EXPECT_EQ(t.GetDay(), 5);
  EXPECT_EQ(t.GetHour(), 7);
  EXPECT_EQ(t.GetMinute(), 4);
  EXPECT_EQ(t.GetSecond(), 9);
  EXPECT_EQ(t.GetDayOfWeek(), 3);  // Tuesday
  EXPECT_EQ(t.GetTime(), 1709618649);
  EXPECT_EQ(t.Format(L"%Y-%m-%d %H:%M:%S"), CString(L"2024-03-05 07:04:09"));
  EXPECT_EQ(t.FormatGmt(L"%H:%M"), CString(L"06:04"));

  SYSTEMTIME st = {2024, 7, 0, 1, 12, 0, 0, 0};
  EXPECT_EQ(CTime(st).GetTime(), 1719828000);  // summer: UTC+2
  SYSTEMTIME old = {1899, 12, 0, 31, 0, 0, 0, 0};
  EXPECT_EQ(CTime(old).GetTime(), 0);
  bool caught = false;
  try {
    CTime bad(2024, 13, 1, 0, 0, 0);
  } catch (CInvalidArgException* e) {
    caught = true;
    e->Delete();
  }
  EXPECT_TRUE(caught);
}

// A winter file time read in summer keeps its instant: the local fields
// follow the rules of that date, not today's offset.
TEST(CTimeTest, FileTimeGivesTheExactInstant) {
  ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  // 2024-01-15 10:00:00 UTC
  FILETIME winter = Ticks((1705312800ULL + 11644473600ULL) * 10000000ULL);
  CTime t(winter);
  EXPECT_EQ(t.GetTime(), 1705312800);
  EXPECT_EQ(t.GetHour(), 11);
  EXPECT_EQ(CTime(Ticks(0)).GetTime(), 0);
}

}  // namespace
