// Tests of what a text consists of, and its length in characters and bytes.
#include "KavroStd/text.h"
#include "platform/strings/crt_internal.h"

int CStringOpr::IsInteger(const wchar_t* text, int allowDot, int* negative, int* dotPos) {
  if (!text) text = L"";
  const bool minus = text[0] == L'-';
  if (negative) *negative = minus ? 1 : 0;
  int dot = -1;
  int accepted = 0;
  bool failed = false;
  for (int i = minus ? 1 : 0; text[i] && !failed; ++i) {
    if (KvIswdigit(text[i])) {
      ++accepted;
    } else if (allowDot && text[i] == L'.') {
      // A second point ends the scan; its index is the one reported.
      failed = dot >= 0;
      dot = i;
      if (!failed) ++accepted;
    } else {
      failed = true;
    }
  }
  if (accepted == 0) {
    if (dotPos) *dotPos = -1;
    return FALSE;
  }
  if (dotPos) *dotPos = dot;
  return failed ? FALSE : TRUE;
}

int CStringOpr::IsAlpha(const wchar_t* text) {
  if (!text || !*text) return FALSE;
  for (; *text; ++text)
    if (!KvIswalpha(*text)) return FALSE;
  return TRUE;
}

int CStringOpr::IsIntegerOrAlpha(const wchar_t* text) {
  if (!text || !*text) return FALSE;
  for (; *text; ++text)
    if (!KvIswalpha(*text) && !KvIswdigit(*text)) return FALSE;
  return TRUE;
}

const wchar_t* CStringOpr::SkipVoidCharacters(const wchar_t* text) {
  if (!text) return text;
  while (*text == L' ' || *text == L'\t' || *text == L'\r' || *text == L'\n') ++text;
  return text;
}

int CStringOpr::IsSame(const CStringArray& a, const CStringArray& b) {
  if (a.GetSize() != b.GetSize()) return FALSE;
  for (INT_PTR i = 0; i < a.GetSize(); ++i)
    if (a[i] != b[i]) return FALSE;
  return TRUE;
}

int CStringOpr::IsRtf(CString text) {
  CString head = text.GetLength() > 5 ? text.Left(5) : text;
  return head.CompareNoCase(L"{\\rtf") == 0 ? TRUE : FALSE;
}

int CStringOpr::GetWordCount(CString text) {
  int words = 0;
  for (int i = 0; i < text.GetLength(); ++words)
    i += (static_cast<unsigned>(text[i]) & 0x80) ? 2 : 1;
  return words;
}

int CStringOpr::GetStringLength(CString text) { return WCharToChar(text).GetLength(); }

CString CStringOpr::GetStringByLength(CString text, int byteLength) {
  const unsigned characters = static_cast<unsigned>(byteLength) / 2;
  return text.Left(static_cast<int>(characters));
}
