// JTimeTest: marked points in UTC and the Chinese report of their steps.
#include "KavroStd/text.h"

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
LONGLONG DayNumber(int year, unsigned month, unsigned day) {
  year -= month <= 2;
  LONGLONG era = (year >= 0 ? year : year - 399) / 400;
  unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<LONGLONG>(dayOfEra) - 719468;
}

// Milliseconds from a to b: the clock fields, plus whole days when the
// dates differ.
LONGLONG StepMilliseconds(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  LONGLONG ms = (((static_cast<LONGLONG>(b.wHour) - a.wHour) * 60 + b.wMinute - a.wMinute) * 60 + b.wSecond -
                 a.wSecond) * 1000 + b.wMilliseconds - a.wMilliseconds;
  if (a.wYear != b.wYear || a.wMonth != b.wMonth || a.wDay != b.wDay)
    ms += (DayNumber(b.wYear, b.wMonth, b.wDay) - DayNumber(a.wYear, a.wMonth, a.wDay)) * 86400000LL;
  return ms;
}

// Whole seconds, ".", three digits of milliseconds: 1500 -> '1.500'.
CString DurationText(LONGLONG ms) {
  if (ms < 0) return L"-" + DurationText(-ms);
  CString text;
  text.Format(L"%.0f.%s", static_cast<double>(ms / 1000),
              CStringOpr::FormatString(static_cast<double>(ms % 1000), 3, 0, TRUE).GetString());
  return text;
}

CString TimeText(const SYSTEMTIME& t) {
  CString text;
  text.Format(L"%s时%s分%s秒%s毫秒", CStringOpr::FormatString(t.wHour, 2, -1, TRUE).GetString(),
              CStringOpr::FormatString(t.wMinute, 2, -1, TRUE).GetString(),
              CStringOpr::FormatString(t.wSecond, 2, -1, TRUE).GetString(),
              CStringOpr::TrimZero(static_cast<double>(t.wMilliseconds), -1, 1).GetString());
  return text;
}

}  // namespace

JTimeTest::JTimeTest() { Reset(); }

JTimeTest::~JTimeTest() = default;

void JTimeTest::Reset() {
  m_strAryComment.RemoveAll();
  m_aryTime.RemoveAll();
}

CString JTimeTest::AddSysTime(CString comment) {
  SYSTEMTIME now;
  GetSystemTime(&now);
  return AddSysTime(comment, now);
}

CString JTimeTest::AddSysTime(CString comment, const SYSTEMTIME& time) {
  m_aryTime.Add(time);
  m_strAryComment.Add(comment);
  return TimeText(time);
}

CString JTimeTest::MessageBoxW(int show) {
  CString report = L"注释\t\t耗时\t开始时间";
  if (m_strAryComment.GetSize() != m_aryTime.GetSize()) return report;
  LONGLONG total = 0;
  for (INT_PTR i = 0; i + 1 < m_aryTime.GetSize(); ++i) {
    LONGLONG step = StepMilliseconds(m_aryTime[i], m_aryTime[i + 1]);
    total += step;
    report += L"\n" + m_strAryComment[i] + L"\t" + DurationText(step) + L"\t秒\t" + TimeText(m_aryTime[i]);
  }
  report += L"\n总耗时" + DurationText(total) + L"秒";
  if (show) AfxMessageBox(report, MB_OK, 0);
  return report;
}

void JTimeTest::OutDebugFile(CStringArray& lines, CString file) { CStringOpr::SaveTextFile(lines, file); }

void JTimeTest::OutDebugFile(CString text, CString file) {
  CStringArray lines;
  lines.Add(text);
  CStringOpr::SaveTextFile(lines, file);
}
