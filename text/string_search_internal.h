// Linear-time search for a fixed pattern in wide text, shared by the
// searching and splitting routines.
#pragma once

#include <cstddef>
#include <vector>

namespace kavro::text {

// Knuth-Morris-Pratt with a fast jump (wmemchr) to each place the pattern
// can start: linear in the text whatever the pattern, and close to a plain
// character scan on ordinary text. The pattern must outlive the searcher.
class SubstringSearcher {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);

  SubstringSearcher(const wchar_t* pattern, size_t length);
  // Position of the first occurrence at or after from, or npos. An empty
  // pattern is found at from.
  size_t Find(const wchar_t* text, size_t length, size_t from) const;

 private:
  const wchar_t* pattern_;
  size_t length_;
  std::vector<size_t> border_;  // border_[k]: longest proper border of pattern[0..k]
};

}  // namespace kavro::text
