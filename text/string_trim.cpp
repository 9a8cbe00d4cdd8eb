// Trimming blanks and zeros, and fixed-format number text.
#include "KavroStd/text.h"

CString CStringOpr::TrimSpace(CString text, int removeAll) {
  text.Trim(L' ');
  text.Trim(L'\t');
  text.Trim(L"\n\r \t");
  if (removeAll) {
    text.Remove(L' ');
    text.Remove(L'\t');
  }
  return text;
}

CString CStringOpr::TrimZero(CString number) {
  if (number.Find(L'.') < 0) return number;
  number.TrimRight(L'0');
  number.TrimRight(L'.');
  return number;
}

CString CStringOpr::TrimZero(double value, int precision, int mode) {
  CString text;
  text.Format(L"%f", value);
  if (precision >= 0) {
    CString format;
    format.Format(L"%%.%df", precision);
    text.Format(format, value);
  }
  if (mode == 1 || (mode == 2 && precision == -1)) return TrimZero(text);
  return text;
}

CString CStringOpr::FormatString(double value, int width, int precision, int fillZero) {
  if (width < 0) return TrimZero(value, precision, fillZero ? 0 : 1);
  CString format;
  if (precision >= 0)
    format.Format(fillZero ? L"%%0%d.%df" : L"%%%d.%df", width, precision);
  else
    format.Format(fillZero ? L"%%0%dg" : L"%%%dg", width);
  CString text;
  text.Format(format, value);
  return text;
}
