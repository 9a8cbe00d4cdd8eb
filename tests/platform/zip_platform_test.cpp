// Handle duplication, pipes, file types, setting file times and DOS
// date/time conversions.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "KavroStd/platform/afx_time.h"
#include "KavroStd/platform/handleapi.h"
#include "KavroStd/platform/sysinfo.h"
#include "support/test_support.h"

namespace {

using kavro::test::ReadBytes;
using kavro::test::WriteBytes;

HANDLE OpenFor(const CString& path, DWORD access, DWORD creation) {
  return CreateFileW(path, access, FILE_SHARE_READ, nullptr, creation, 0, nullptr);
}

FILETIME FileTimeOfUnix(long long seconds) {
  const unsigned long long ticks = (seconds + 11644473600LL) * 10000000ULL;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

TEST(DuplicateHandleTest, DuplicateSharesPositionAndOutlivesSource) {
  kavro::test::TempDir dir;
  WriteBytes(dir.Sub("f"), "abcdef");
  HANDLE source = OpenFor(dir.Win("f"), GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(INVALID_HANDLE_VALUE, source);
  ASSERT_EQ(2u, SetFilePointer(source, 2, nullptr, FILE_BEGIN));
  HANDLE copy = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), source, GetCurrentProcess(), &copy, 0, FALSE,
                              DUPLICATE_SAME_ACCESS));
  ASSERT_NE(source, copy);
  // One open file: the copy starts where the source stands and moves it.
  char buf[2];
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(copy, buf, 2, &got, nullptr));
  EXPECT_EQ("cd", std::string(buf, got));
  EXPECT_EQ(4u, SetFilePointer(source, 0, nullptr, FILE_CURRENT));
  ASSERT_TRUE(CloseHandle(source));
  ASSERT_TRUE(ReadFile(copy, buf, 2, &got, nullptr));
  EXPECT_EQ("ef", std::string(buf, got));
  EXPECT_TRUE(CloseHandle(copy));
}

TEST(DuplicateHandleTest, CloseSourceAndErrors) {
  kavro::test::TempDir dir;
  WriteBytes(dir.Sub("f"), "x");
  HANDLE source = OpenFor(dir.Win("f"), GENERIC_READ, OPEN_EXISTING);
  HANDLE copy = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), source, GetCurrentProcess(), &copy, 0, FALSE,
                              DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE));
  EXPECT_FALSE(CloseHandle(source));  // already closed by the duplication
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());

  HANDLE out = reinterpret_cast<HANDLE>(1);
  EXPECT_FALSE(DuplicateHandle(GetCurrentProcess(), source, GetCurrentProcess(), &out, 0, FALSE,
                               DUPLICATE_SAME_ACCESS));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_EQ(nullptr, out);
  EXPECT_FALSE(DuplicateHandle(reinterpret_cast<HANDLE>(0x1234), copy, GetCurrentProcess(), &out,
                               0, FALSE, DUPLICATE_SAME_ACCESS));
  EXPECT_TRUE(CloseHandle(copy));
}

TEST(CreatePipeTest, BytesPassAndEndOfDataAfterWriterCloses) {
  HANDLE r = nullptr, w = nullptr;
  ASSERT_TRUE(CreatePipe(&r, &w, nullptr, 0));
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(w, "hello", 5, &n, nullptr));
  EXPECT_EQ(5u, n);
  ASSERT_TRUE(CloseHandle(w));
  char buf[16];
  ASSERT_TRUE(ReadFile(r, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ("hello", std::string(buf, n));
  // At the end of the data, with the writer gone, as a Windows pipe ends.
  EXPECT_FALSE(ReadFile(r, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_BROKEN_PIPE), GetLastError());
  EXPECT_EQ(0u, n);
  EXPECT_TRUE(CloseHandle(r));
  EXPECT_FALSE(CreatePipe(&r, nullptr, nullptr, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST(GetFileTypeTest, KindsOfHandles) {
  kavro::test::TempDir dir;
  WriteBytes(dir.Sub("f"), "x");
  HANDLE file = OpenFor(dir.Win("f"), GENERIC_READ, OPEN_EXISTING);
  HANDLE device = OpenFor(L"/dev/null", GENERIC_WRITE, OPEN_EXISTING);
  HANDLE r = nullptr, w = nullptr;
  ASSERT_TRUE(CreatePipe(&r, &w, nullptr, 0));
  EXPECT_EQ(static_cast<DWORD>(FILE_TYPE_DISK), GetFileType(file));
  EXPECT_EQ(static_cast<DWORD>(FILE_TYPE_CHAR), GetFileType(device));
  EXPECT_EQ(static_cast<DWORD>(FILE_TYPE_PIPE), GetFileType(r));
  EXPECT_EQ(static_cast<DWORD>(FILE_TYPE_PIPE), GetFileType(w));
  for (HANDLE h : {file, device, r, w}) CloseHandle(h);
  EXPECT_EQ(static_cast<DWORD>(FILE_TYPE_UNKNOWN), GetFileType(file));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(SetFileTimeTest, SetsAccessAndWriteAndKeepsWhatIsNotGiven) {
  kavro::test::TempDir dir;
  WriteBytes(dir.Sub("f"), "x");
  HANDLE h = OpenFor(dir.Win("f"), GENERIC_WRITE, OPEN_EXISTING);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  const FILETIME access = FileTimeOfUnix(1000000000);  // 2001-09-09
  FILETIME write = FileTimeOfUnix(1200000000);
  write.dwLowDateTime += 1234567;  // and a fraction of a second
  ASSERT_TRUE(SetFileTime(h, nullptr, &access, &write));
  struct stat st;
  ASSERT_EQ(0, stat(dir.Sub("f").c_str(), &st));
  EXPECT_EQ(1000000000, st.st_atim.tv_sec);
  EXPECT_EQ(1200000000, st.st_mtim.tv_sec);
  EXPECT_EQ(123456700, st.st_mtim.tv_nsec);
  FILETIME back;
  ASSERT_TRUE(GetFileTime(h, nullptr, nullptr, &back));
  EXPECT_EQ(write.dwLowDateTime, back.dwLowDateTime);
  EXPECT_EQ(write.dwHighDateTime, back.dwHighDateTime);

  // Null and zero times leave the field as it is; a time before 1970 works.
  const FILETIME zero = {0, 0};
  const FILETIME early = FileTimeOfUnix(-86400);
  ASSERT_TRUE(SetFileTime(h, &early, &zero, &early));
  ASSERT_EQ(0, stat(dir.Sub("f").c_str(), &st));
  EXPECT_EQ(1000000000, st.st_atim.tv_sec);
  EXPECT_EQ(-86400, st.st_mtim.tv_sec);
  CloseHandle(h);

  HANDLE reader = OpenFor(dir.Win("f"), GENERIC_READ, OPEN_EXISTING);
  EXPECT_FALSE(SetFileTime(reader, nullptr, nullptr, &write));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  CloseHandle(reader);
  EXPECT_FALSE(SetFileTime(reader, nullptr, nullptr, &write));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

WORD DosDate(int y, int m, int d) { return static_cast<WORD>(((y - 1980) << 9) | (m << 5) | d); }
WORD DosTime(int h, int m, int s2) { return static_cast<WORD>((h << 11) | (m << 5) | s2); }

TEST(DosDateTimeTest, ValidValuesRoundTrip) {
  struct Row {
    WORD date, time;
    SYSTEMTIME fields;  // year, month, day of week, day, hour, minute, second, ms
  } rows[] = {
      {DosDate(1980, 1, 1), DosTime(0, 0, 0), {1980, 1, 2, 1, 0, 0, 0, 0}},
      {DosDate(2024, 2, 29), DosTime(23, 59, 29), {2024, 2, 4, 29, 23, 59, 58, 0}},
      {DosDate(2107, 12, 31), DosTime(12, 30, 15), {2107, 12, 6, 31, 12, 30, 30, 0}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.fields.wYear);
    FILETIME ft;
    ASSERT_TRUE(DosDateTimeToFileTime(r.date, r.time, &ft));
    SYSTEMTIME st;
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &st));
    EXPECT_EQ(r.fields.wYear, st.wYear);
    EXPECT_EQ(r.fields.wMonth, st.wMonth);
    EXPECT_EQ(r.fields.wDay, st.wDay);
    EXPECT_EQ(r.fields.wHour, st.wHour);
    EXPECT_EQ(r.fields.wMinute, st.wMinute);
    EXPECT_EQ(r.fields.wSecond, st.wSecond);
    WORD date = 0, time = 0;
    ASSERT_TRUE(FileTimeToDosDateTime(&ft, &date, &time));
    EXPECT_EQ(r.date, date);
    EXPECT_EQ(r.time, time);
  }
}

TEST(DosDateTimeTest, InvalidFieldsAndRangesFail) {
  struct Row {
    const char* what;
    WORD date, time;
  } rows[] = {
      {"month 0", static_cast<WORD>(DosDate(2000, 1, 1) & ~0x01E0), DosTime(0, 0, 0)},
      {"month 13", static_cast<WORD>((20 << 9) | (13 << 5) | 1), DosTime(0, 0, 0)},
      {"day 0", DosDate(2000, 1, 0), DosTime(0, 0, 0)},
      {"30 February", DosDate(2000, 2, 30), DosTime(0, 0, 0)},
      {"29 February 2001", DosDate(2001, 2, 29), DosTime(0, 0, 0)},
      {"hour 24", DosDate(2000, 1, 1), DosTime(24, 0, 0)},
      {"minute 60", DosDate(2000, 1, 1), DosTime(0, 60, 0)},
      {"second 60", DosDate(2000, 1, 1), DosTime(0, 0, 30)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    FILETIME ft = {7, 7};
    SetLastError(0);
    EXPECT_FALSE(DosDateTimeToFileTime(r.date, r.time, &ft));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  }
  // Odd seconds are dropped to the 2-second step; years outside 1980-2107
  // have no DOS form.
  SYSTEMTIME st = {2001, 5, 0, 6, 7, 8, 9, 500};
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  WORD date = 0, time = 0;
  ASSERT_TRUE(FileTimeToDosDateTime(&ft, &date, &time));
  EXPECT_EQ(DosTime(7, 8, 4), time);
  for (WORD year : {1979, 2108}) {
    SYSTEMTIME out = {year, 1, 0, 1, 0, 0, 0, 0};
    ASSERT_TRUE(SystemTimeToFileTime(&out, &ft));
    EXPECT_FALSE(FileTimeToDosDateTime(&ft, &date, &time)) << year;
  }
}

}  // namespace
