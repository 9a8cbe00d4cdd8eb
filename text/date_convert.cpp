// Dates and times as fixed texts, today's date, clock-time arithmetic.
#include "KavroStd/platform/oledate.h"
#include "KavroStd/text.h"

namespace {

const wchar_t* FormatOfMode(int mode) {
  if (mode == 0) return L"%H:%M:%S";
  if (mode == 1) return L"%Y-%m-%d";
  return L"%Y-%m-%d %H:%M:%S";
}

const wchar_t* DefaultTextOfMode(int mode) {
  if (mode == 0) return L"00:00:00";
  if (mode == 1) return L"2009:09:01";
  return L"0000:00:00 00:00:00";
}

}  // namespace

int CStringOpr::Time2CString(CString& out, COleDateTime& time, int mode) {
  out.Empty();
  if (time.GetStatus() != COleDateTime::valid && time.GetStatus() != COleDateTime::null) return FALSE;
  out = time.Format(FormatOfMode(mode));
  return TRUE;
}

int CStringOpr::CString2Time(COleDateTime& time, CString text, int mode) {
  if (text.IsEmpty()) text = DefaultTextOfMode(mode);
  return time.ParseDateTime(text, 0, LANG_USER_DEFAULT) ? TRUE : FALSE;
}

CString CStringOpr::FormatDateTime(const COleDateTime& time, CString pattern) {
  // Only a valid date has a text; the automation formatter takes its own
  // codes, so the strftime ones are translated first.
  if (time.GetStatus() != COleDateTime::valid) return CString();
  static const wchar_t* const kCodes[][2] = {{L"%Y", L"YYYY"}, {L"%y", L"YY"}, {L"%m", L"M"}, {L"%d", L"D"},
                                              {L"%H", L"H"},    {L"%M", L"M"},  {L"%S", L"S"}};
  for (const auto& code : kCodes) pattern.Replace(code[0], code[1]);
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_DATE;
  value.date = time.m_dt;
  BSTR formatted = NULL;
  CString result;
  if (SUCCEEDED(VarFormat(&value, pattern.GetBuffer(), 0, 0, 0, &formatted)) && formatted) {
    result = CString(formatted, static_cast<int>(SysStringLen(formatted)));
    SysFreeString(formatted);
  }
  return result;
}

CString CStringOpr::GetCurData(int pad) {
  const COleDateTime now = COleDateTime::GetCurrentTime();
  CString text;
  text.Format(L"%d", now.GetYear());
  for (int part : {now.GetMonth(), now.GetDay()}) text.AppendFormat(pad && part < 10 ? L"0%d" : L"%d", part);
  return text;
}

int CStringOpr::TimeAddTime(CString& out, CString base, CString delta, int add, int mode) {
  COleDateTime start, clock;
  CString2Time(start, base, 0);
  CString2Time(clock, delta, 0);
  // Only the clock time of delta counts; a delta that is not a time counts
  // as -1 hour, -1 minute and -1 second.
  const bool valid = clock.GetStatus() == COleDateTime::valid;
  const COleDateTimeSpan span(0, valid ? clock.GetHour() : -1, valid ? clock.GetMinute() : -1,
                              valid ? clock.GetSecond() : -1);
  COleDateTime result = add ? start + span : start - span;
  Time2CString(out, result, mode);
  return TRUE;
}

int CStringOpr::GetDateAddTime(CString text, CString& date, CString& time) {
  CStringArray pieces;
  SpliteStrToAry(text, L" ", pieces);
  if (pieces.GetSize() > 0) date = pieces[0];
  if (pieces.GetSize() > 1) time = pieces[1];
  return TRUE;
}
