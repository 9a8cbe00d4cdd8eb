#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace {

SYSTEMTIME At(int hour, int minute, int second, int ms, int day = 10) {
  SYSTEMTIME t = {};
  t.wYear = 2024;
  t.wMonth = 12;
  t.wDay = static_cast<WORD>(day);
  t.wHour = static_cast<WORD>(hour);
  t.wMinute = static_cast<WORD>(minute);
  t.wSecond = static_cast<WORD>(second);
  t.wMilliseconds = static_cast<WORD>(ms);
  return t;
}

const CString kHeader = L"注释\t\t耗时\t开始时间";

TEST(TimeTestTest, ReportFromFixedTimes) {
  JTimeTest timer;
  EXPECT_EQ(timer.AddSysTime(L"load", At(8, 5, 9, 7)), CString(L"08时05分09秒7毫秒"));
  timer.AddSysTime(L"parse", At(8, 5, 10, 507));
  timer.AddSysTime(L"end", At(8, 5, 10, 569));
  EXPECT_EQ(timer.MessageBoxW(FALSE), kHeader +
                                          L"\nload\t1.500\t秒\t08时05分09秒7毫秒"
                                          L"\nparse\t0.062\t秒\t08时05分10秒507毫秒"
                                          L"\n总耗时1.562秒");
  timer.Reset();
  EXPECT_EQ(timer.MessageBoxW(FALSE), kHeader + L"\n总耗时0.000秒");
  timer.AddSysTime(L"only", At(1, 2, 3, 4));
  EXPECT_EQ(timer.MessageBoxW(FALSE), kHeader + L"\n总耗时0.000秒");
}

TEST(TimeTestTest, DurationTexts) {
  struct Case {
    SYSTEMTIME from, to;
    const wchar_t* text;
  } cases[] = {
      {At(0, 0, 0, 0), At(0, 0, 0, 999), L"0.999"},
      {At(0, 0, 0, 0), At(0, 0, 1, 0), L"1.000"},
      {At(0, 0, 0, 1), At(0, 0, 2, 0), L"1.999"},
      {At(9, 59, 59, 900), At(11, 0, 0, 0), L"3600.100"},
      {At(23, 59, 59, 500), At(0, 0, 0, 700, 11), L"1.200"},   // across midnight
      {At(12, 0, 0, 0), At(12, 0, 0, 0, 12), L"172800.000"},  // two days on
      {At(0, 0, 1, 500), At(0, 0, 0, 0), L"-1.500"},          // clock set back
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << kavro::test::Utf8(c.text));
    JTimeTest timer;
    timer.AddSysTime(L"a", c.from);
    timer.AddSysTime(L"b", c.to);
    CString report = timer.MessageBoxW(FALSE);
    EXPECT_NE(report.Find(CString(L"\na\t") + c.text + L"\t秒\t"), -1) << kavro::test::Utf8(report);
    EXPECT_NE(report.Find(CString(L"总耗时") + c.text + L"秒"), -1) << kavro::test::Utf8(report);
  }
}

TEST(TimeTestTest, ClockPointsAndMessageBox) {
  JTimeTest timer;
  CString text = timer.AddSysTime(L"now");
  EXPECT_NE(text.Find(L"毫秒"), -1);
  timer.AddSysTime(L"later");
  struct Seen {
    CString text;
    UINT type = 99;
  } seen;
  KvMessageBoxHandler old = KvSetMessageBoxHandler(
      [](LPCWSTR t, LPCWSTR, UINT type, void* context) {
        static_cast<Seen*>(context)->text = t;
        static_cast<Seen*>(context)->type = type;
        return IDOK;
      },
      &seen);
  CString report = timer.MessageBoxW(TRUE);
  KvSetMessageBoxHandler(old, nullptr);
  EXPECT_EQ(seen.text, report);
  EXPECT_EQ(seen.type & MB_TYPEMASK, MB_OK);
  EXPECT_EQ(report.Find(L"later"), -1) << "the last comment is never shown";
}

TEST(TimeTestTest, OutDebugFileWritesLines) {
  kavro::test::TempDir dir;
  CStringArray lines;
  lines.Add(L"one");
  lines.Add(L"two");
  JTimeTest::OutDebugFile(lines, dir.Win("list.txt"));
  EXPECT_EQ(kavro::test::ReadBytes(dir.Sub("list.txt")), "one\r\ntwo\r\n");
  JTimeTest::OutDebugFile(CString(L"single"), dir.Win("one.txt"));
  EXPECT_EQ(kavro::test::ReadBytes(dir.Sub("one.txt")), "single\r\n");
}

}  // namespace
