// Stepping a label forward or back: column letters or a zero-padded number.
#include "KavroStd/text.h"
#include "platform/strings/crt_internal.h"
#include "text/number_internal.h"

CString CStringOpr::PreBackString(CString text, double step) {
  CString result = text;
  if (IsAlpha(text)) {
    const int n = kavro::text::TruncateToInt32(step >= 0 ? step + 0.5 : step - 0.5);
    const double number = _wtof(A2ZToDec(text)) + n;
    CString letters = DecToA2Z(TrimZero(number, -1, 1));
    // Each position keeps the case the label had there.
    for (int k = 0; k < letters.GetLength(); ++k)
      if (k < text.GetLength() && KvIswlower(text[k])) letters.SetAt(k, static_cast<wchar_t>(letters[k] - L'A' + L'a'));
    result = letters;
  } else if (IsInteger(text, TRUE)) {
    const int point = text.Find(L'.');
    const int width = point >= 0 ? point : text.GetLength();
    result = FormatString(_wtof(text) + step, width, -1, TRUE);
  }
  return result;
}
