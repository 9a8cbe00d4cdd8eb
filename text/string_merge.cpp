// Joining a list of texts with a separator.
#include <cwchar>
#include <string>

#include "KavroStd/text.h"

CString CStringOpr::MergeAryToStr(CStringArray& items, CString separator, int keepEmpty) {
  // Without keepEmpty an empty element is left out with its separator, so
  // the separator only ever stands between two kept elements and the
  // elements themselves are never cut.
  const std::wstring& sep = separator.str();
  size_t total = 0, kept = 0;
  for (const CString& item : items) {
    if (!keepEmpty && item.IsEmpty()) continue;
    total += item.GetLength();
    ++kept;
  }
  if (kept == 0) return CString();
  total += (kept - 1) * sep.size();
  // One allocation; the pieces are copied straight into place.
  CString out;
  wchar_t* at = out.GetBufferSetLength(static_cast<int>(total));
  bool first = true;
  for (const CString& item : items) {
    if (!keepEmpty && item.IsEmpty()) continue;
    if (!first) at = wmemcpy(at, sep.data(), sep.size()) + sep.size();
    at = wmemcpy(at, item.GetString(), item.GetLength()) + item.GetLength();
    first = false;
  }
  out.ReleaseBuffer(static_cast<int>(total));
  return out;
}
