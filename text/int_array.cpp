// CIntArray: a growable array of 32-bit integers with search, sort, a text
// form and an archive form.
#include "KavroStd/text.h"

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

int CIntArray::ESerialize(CArchive& archive) {
  if (archive.IsStoring()) {
    archive << static_cast<LONG>(0) << static_cast<LONG>(GetSize());
    for (INT_PTR i = 0; i < GetSize(); ++i) archive << GetAt(i);
    return TRUE;
  }
  LONG version = 0;
  archive >> version;
  if (version != 0) return FALSE;
  RemoveAll();
  LONG count = 0;
  archive >> count;
  // Elements are appended as they are read: a short archive throws with
  // the ones read so far in place, and a count larger than the data never
  // reserves memory for it.
  for (LONG i = 0; i < count; ++i) {
    LONG value = 0;
    archive >> value;
    Add(value);
  }
  return TRUE;
}

CString CIntArray::GetDataToString() {
  CString text;
  for (INT_PTR i = 0; i < GetSize(); ++i) {
    if (i > 0) text += L":";
    text += CStringOpr::TrimZero(static_cast<double>(GetAt(i)), -1, 1);
  }
  return text;
}

int CIntArray::SetDataByString(CString text) {
  RemoveAll();
  CStringArray pieces;
  if (CStringOpr::SpliteStrToAry(text, L":", pieces))
    for (INT_PTR i = 0; i < pieces.GetSize(); ++i) Add(_wtoi(pieces[i]));
  return TRUE;
}
