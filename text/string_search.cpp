// Searching a text for a pattern and a list for a text.
#include <cwchar>

#include "KavroStd/text.h"
#include "text/string_search_internal.h"

namespace kavro::text {

SubstringSearcher::SubstringSearcher(const wchar_t* pattern, size_t length)
    : pattern_(pattern), length_(length), border_(length, 0) {
  for (size_t k = 1, b = 0; k < length; ++k) {
    while (b > 0 && pattern[k] != pattern[b]) b = border_[b - 1];
    if (pattern[k] == pattern[b]) ++b;
    border_[k] = b;
  }
}

size_t SubstringSearcher::Find(const wchar_t* text, size_t length, size_t from) const {
  if (length_ == 0) return from <= length ? from : npos;
  if (from >= length) return npos;
  if (length_ == 1) {
    const wchar_t* hit = wmemchr(text + from, pattern_[0], length - from);
    return hit ? static_cast<size_t>(hit - text) : npos;
  }
  size_t matched = 0;
  for (size_t i = from; i < length; ++i) {
    if (matched == 0) {
      // Nothing matched yet: jump to the next place the pattern can start.
      const wchar_t* next = wmemchr(text + i, pattern_[0], length - i);
      if (!next) return npos;
      i = static_cast<size_t>(next - text);
    }
    // On a mismatch fall back along the borders: the text is never re-read.
    while (matched > 0 && text[i] != pattern_[matched]) matched = border_[matched - 1];
    if (text[i] == pattern_[matched]) ++matched;
    if (matched == length_) return i + 1 - length_;
  }
  return npos;
}

}  // namespace kavro::text

int CStringOpr::Find_Sub_Str(const wchar_t* pattern, const wchar_t* text) {
  if (!text || !*text) return -1;
  if (!pattern || !*pattern) return 0;
  const size_t m = wcslen(pattern);
  const size_t n = wcslen(text);
  if (m > n) return -1;
  const size_t hit = kavro::text::SubstringSearcher(pattern, m).Find(text, n, 0);
  return hit == kavro::text::SubstringSearcher::npos ? -1 : static_cast<int>(hit);
}

int CStringOpr::FindArs(CStringArray& items, CString text, int caseSensitive) {
  if (!caseSensitive) text.MakeLower();
  for (INT_PTR i = 0; i < items.GetSize(); ++i) {
    if (caseSensitive) {
      if (items[i] == text) return static_cast<int>(i);
    } else {
      CString item = items[i];
      if (item.MakeLower() == text) return static_cast<int>(i);
    }
  }
  return -1;
}
