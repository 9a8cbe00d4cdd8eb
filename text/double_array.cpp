// CDoubleArray: a growable array of doubles with search within 1e-7, sort,
// sum, a text form and an archive form.
#include <algorithm>
#include <cmath>
#include <vector>

#include "KavroStd/text.h"

namespace {
constexpr double kFindTolerance = 1e-7;
}

CDoubleArray::CDoubleArray() {}

CDoubleArray::CDoubleArray(const CDoubleArray& other) = default;

CDoubleArray::~CDoubleArray() {}

CDoubleArray& CDoubleArray::operator=(const CDoubleArray& other) = default;

CDoubleArray& CDoubleArray::operator=(double value) {
  for (INT_PTR i = 0; i < GetSize(); ++i) SetAt(i, value);
  return *this;
}

void CDoubleArray::Reset() {
  if (GetSize() > 0) RemoveAll();
}

int CDoubleArray::Find(double value, int start) {
  if (start < 0) start = 0;
  for (INT_PTR i = start; i < GetSize(); ++i)
    if (std::fabs(GetAt(i) - value) < kFindTolerance) return static_cast<int>(i);
  return -1;
}

void CDoubleArray::Sort(int ascending) {
  // The numbers are sorted in O(n log n) into the places that do not hold a
  // NaN; each NaN stays where it is.
  std::vector<double> numbers;
  numbers.reserve(static_cast<size_t>(GetSize()));
  for (double v : *this)
    if (!std::isnan(v)) numbers.push_back(v);
  if (ascending) std::sort(numbers.begin(), numbers.end());
  else std::sort(numbers.begin(), numbers.end(), [](double a, double b) { return a > b; });
  size_t next = 0;
  for (double& v : *this)
    if (!std::isnan(v)) v = numbers[next++];
}

double CDoubleArray::GetSum(int count) {
  INT_PTR last = count < 0 || count >= GetSize() ? GetSize() : count;
  double sum = 0;
  for (INT_PTR i = 0; i < last; ++i) sum += GetAt(i);
  return sum;
}

int CDoubleArray::ESerialize(CArchive& archive) {
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
  for (LONG i = 0; i < count; ++i) {
    double value = 0;
    archive >> value;
    Add(value);
  }
  return TRUE;
}

CString CDoubleArray::GetDataToString() {
  CString text;
  for (INT_PTR i = 0; i < GetSize(); ++i) {
    if (i > 0) text += L":";
    text += CStringOpr::TrimZero(GetAt(i), -1, 1);
  }
  return text;
}

int CDoubleArray::SetDataByString(CString text) {
  RemoveAll();
  CStringArray pieces;
  if (CStringOpr::SpliteStrToAry(text, L":", pieces))
    for (INT_PTR i = 0; i < pieces.GetSize(); ++i) Add(_wtof(pieces[i]));
  return TRUE;
}
