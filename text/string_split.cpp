// Splitting texts at a separator or into fixed-length pieces.
#include "KavroStd/text.h"

CStringOpr::CStringOpr() = default;
CStringOpr::CStringOpr(const CStringOpr&) {}
CStringOpr::~CStringOpr() = default;

int CStringOpr::SpliteStrToAry(CString text, CString separator, CStringArray& items) {
  if (text.IsEmpty()) return FALSE;
  items.RemoveAll();
  if (separator.IsEmpty()) {
    items.Add(text);
    return TRUE;
  }
  const std::wstring& s = text.str();
  const std::wstring& sep = separator.str();
  size_t start = 0;
  for (;;) {
    size_t hit = s.find(sep, start);
    if (hit == std::wstring::npos) break;
    items.Add(CString(s.substr(start, hit - start)));
    start = hit + sep.size();
  }
  // The rest, or the empty piece after a trailing separator.
  items.Add(CString(s.substr(start)));
  return TRUE;
}

int CStringOpr::SpliteStrToAry(CString text, int pieceLength, CStringArray& items) {
  if (pieceLength < 1) {
    items.Add(text);
    return FALSE;
  }
  int pos = 0;
  while (text.GetLength() - pos > pieceLength) {
    items.Add(text.Mid(pos, pieceLength));
    pos += pieceLength;
  }
  items.Add(text.Mid(pos));
  return TRUE;
}
