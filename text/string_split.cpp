// Splitting texts at a separator or into fixed-length pieces.
#include <algorithm>

#include "KavroStd/text.h"
#include "platform/strings/crt_internal.h"
#include "text/string_search_internal.h"

namespace {

// The common case of a one-character separator: a vectorised count sizes the
// list once, then one plain scan cuts the pieces (pieces are short, so a
// library search call per piece would cost more than the scan).
void SplitAtCharacter(const wchar_t* s, size_t length, wchar_t separator, CStringArray& items) {
  const wchar_t* const end = s + length;
  const size_t count = 1 + static_cast<size_t>(std::count(s, end, separator));
  items.SetSize(static_cast<INT_PTR>(count));
  CString* piece = items.GetData();
  const wchar_t* start = s;
  for (const wchar_t* p = s; p != end; ++p) {
    if (*p != separator) continue;
    *piece++ = CString(start, static_cast<int>(p - start));
    start = p + 1;
  }
  *piece = CString(start, static_cast<int>(end - start));
}

}  // namespace

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
  const wchar_t* s = text.GetString();
  const size_t length = text.GetLength();
  const size_t step = separator.GetLength();
  if (step == 1) {
    SplitAtCharacter(s, length, separator[0], items);
    return TRUE;
  }
  // Count the pieces first, so that each is built once, in place.
  const kavro::text::SubstringSearcher searcher(separator.GetString(), step);
  size_t count = 1;
  for (size_t at = searcher.Find(s, length, 0); at != searcher.npos; at = searcher.Find(s, length, at + step))
    ++count;
  items.SetSize(static_cast<INT_PTR>(count));
  CString* pieces = items.GetData();
  size_t start = 0;
  for (size_t k = 0; k + 1 < count; ++k) {
    const size_t at = searcher.Find(s, length, start);
    pieces[k] = CString(s + start, static_cast<int>(at - start));
    start = at + step;
  }
  // The rest after the last separator, empty after a trailing one.
  pieces[count - 1] = CString(s + start, static_cast<int>(length - start));
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

CString CStringOpr::SpliteString(CString text, CString separator, CString* rest) {
  if (rest) rest->Empty();
  if (separator.IsEmpty()) return text;
  const size_t hit = kavro::text::SubstringSearcher(separator.GetString(), separator.GetLength())
                         .Find(text.GetString(), text.GetLength(), 0);
  if (hit == kavro::text::SubstringSearcher::npos) return text;
  if (rest) *rest = text.Mid(static_cast<int>(hit) + separator.GetLength());
  return text.Left(static_cast<int>(hit));
}

namespace {

// Class of one character of the ANSI form, by its bytes.
enum CharClass { kNumber = 0, kLetter = 1, kPunctuation = 2, kOther = 3 };

CharClass ClassOf(const char* bytes, int length) {
  if (length != 1) return kOther;
  if (KvIsdigit(bytes[0]) || bytes[0] == '.') return kNumber;
  if (KvIsalpha(bytes[0])) return kLetter;
  if (KvIspunct(bytes[0])) return kPunctuation;
  return kOther;
}

}  // namespace

int CStringOpr::SpliteByType(CString text, CStringArray& pieces, CIntArray& types) {
  // Each character is taken in its ANSI form: one byte, or a lead byte with
  // its trail bytes, which stay together as one character of class 3.
  CString run;
  int runClass = kOther;
  for (int i = 0; i < text.GetLength(); ++i) {
    const wchar_t wide = text[i];
    char bytes[16];
    int length = WideCharToMultiByte(CP_ACP, 0, &wide, 1, bytes, sizeof bytes, NULL, NULL);
    if (length <= 0) {
      bytes[0] = '?';
      length = 1;
    }
    const int cls = ClassOf(bytes, length);
    if (i > 0 && cls != runClass) {
      pieces.Add(run);
      types.Add(runClass);
      run.Empty();
    }
    runClass = cls;
    CStringA ansi(bytes, length);
    run += CharToWChar(ansi);
  }
  if (!text.IsEmpty()) {
    pieces.Add(run);
    types.Add(runClass);
  }
  return TRUE;
}
