// The text and archive forms that CIntArray and CDoubleArray share, written
// once for any element type.
//
// Text form: the elements in order, each as CStringOpr::TrimZero(value, -1, 1)
// ("%f" without trailing zeros: 3 -> "3", 2.5 -> "2.5"), joined by ':'.
// Archive form: a LONG version (0), a LONG count, then each element in the
// archive's own form of its type (LONG or double), little-endian.
#pragma once

#include "KavroStd/text.h"

namespace kavro::text {

// Stores or loads `array` by the archive's direction. Loading a version
// other than 0 returns FALSE and leaves the array as it is; otherwise TRUE.
// Elements are appended as they are read: a short archive throws with the
// ones read so far in place, and a count larger than the data never
// reserves memory for it.
template <class Element, class Array>
int SerializeNumbers(Array& array, CArchive& archive) {
  if (archive.IsStoring()) {
    archive << static_cast<LONG>(0) << static_cast<LONG>(array.GetSize());
    for (INT_PTR i = 0; i < array.GetSize(); ++i) archive << array.GetAt(i);
    return TRUE;
  }
  LONG version = 0;
  archive >> version;
  if (version != 0) return FALSE;
  array.RemoveAll();
  LONG count = 0;
  archive >> count;
  for (LONG i = 0; i < count; ++i) {
    Element value = 0;
    archive >> value;
    array.Add(value);
  }
  return TRUE;
}

// The text form of `array` ("" when empty).
template <class Array>
CString NumbersToString(Array& array) {
  CString text;
  for (INT_PTR i = 0; i < array.GetSize(); ++i) {
    if (i > 0) text += L":";
    text += CStringOpr::TrimZero(static_cast<double>(array.GetAt(i)), -1, 1);
  }
  return text;
}

// Replaces the elements with the pieces of `text` between ':', each turned
// into a number by `parse` (_wtoi, _wtof). Always TRUE.
template <class Array, class Parse>
int NumbersFromString(Array& array, const CString& text, Parse parse) {
  array.RemoveAll();
  CStringArray pieces;
  if (CStringOpr::SpliteStrToAry(text, L":", pieces))
    for (INT_PTR i = 0; i < pieces.GetSize(); ++i) array.Add(parse(pieces[i]));
  return TRUE;
}

}  // namespace kavro::text
