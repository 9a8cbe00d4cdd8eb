// CDoubleArray: a growable array of doubles with search within 1e-7, sort,
// sum, a text form and an archive form.
#include <algorithm>
#include <cmath>
#include <vector>

#include "KavroStd/text.h"
#include "text/numeric_array_internal.h"

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

int CDoubleArray::ESerialize(CArchive& archive) { return kavro::text::SerializeNumbers<double>(*this, archive); }

CString CDoubleArray::GetDataToString() { return kavro::text::NumbersToString(*this); }

int CDoubleArray::SetDataByString(CString text) {
  return kavro::text::NumbersFromString(*this, text, [](LPCWSTR piece) { return _wtof(piece); });
}
