// CIntArray: a growable array of 32-bit integers with search, sort, a text
// form and an archive form.
#include "KavroStd/text.h"
#include "text/numeric_array_internal.h"

#include <algorithm>

CIntArray::CIntArray() {}

CIntArray::CIntArray(const CIntArray& other) = default;

CIntArray::~CIntArray() {}

CIntArray& CIntArray::operator=(const CIntArray& other) = default;

CIntArray& CIntArray::operator=(LONG value) {
  for (INT_PTR i = 0; i < GetSize(); ++i) SetAt(i, value);
  return *this;
}

void CIntArray::Reset() {
  if (GetSize() > 0) RemoveAll();
}

int CIntArray::Find(LONG value, int start) {
  if (start < 0) start = 0;
  for (INT_PTR i = start; i < GetSize(); ++i)
    if (GetAt(i) == value) return static_cast<int>(i);
  return -1;
}

void CIntArray::Sort(int ascending) {
  // The exchange sort's result is the one sorted order; reach it in
  // O(n log n).
  if (ascending) std::sort(begin(), end());
  else std::sort(begin(), end(), [](LONG a, LONG b) { return a > b; });
}

int CIntArray::ESerialize(CArchive& archive) { return kavro::text::SerializeNumbers<LONG>(*this, archive); }

CString CIntArray::GetDataToString() { return kavro::text::NumbersToString(*this); }

int CIntArray::SetDataByString(CString text) {
  return kavro::text::NumbersFromString(*this, text, [](LPCWSTR piece) { return _wtoi(piece); });
}
