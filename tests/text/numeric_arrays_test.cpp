#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using kavro::test::Utf8;

std::vector<LONG> Values(const CIntArray& a) { return std::vector<LONG>(a.begin(), a.end()); }
std::vector<double> Values(const CDoubleArray& a) { return std::vector<double>(a.begin(), a.end()); }

template <typename A, typename T>
A Make(std::initializer_list<T> values) {
  A a;
  for (T v : values) a.Add(v);
  return a;
}

std::string Stored(CMemFile& file) {
  std::string bytes(static_cast<size_t>(file.GetLength()), '\0');
  file.SeekToBegin();
  if (!bytes.empty()) file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  file.SeekToBegin();
  return bytes;
}

void Load(CMemFile& file, const std::string& bytes) {
  file.SetLength(0);
  file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
  file.SeekToBegin();
}

TEST(NumericArrays, TextForm) {
  struct IntRow {
    std::vector<LONG> values;
    const wchar_t* text;
  } const intRows[] = {
      {{1, 2, 3}, L"1:2:3"},
      {{}, L""},
      {{-5, 0, 2147483647, -2147483647 - 1}, L"-5:0:2147483647:-2147483648"},
  };
  for (const IntRow& row : intRows) {
    SCOPED_TRACE(Utf8(row.text));
    CIntArray a;
    for (LONG v : row.values) a.Add(v);
    EXPECT_EQ(a.GetDataToString(), row.text);
    CIntArray back;
    back.Add(99);
    EXPECT_TRUE(back.SetDataByString(a.GetDataToString()));
    EXPECT_EQ(Values(back), row.values);
  }
  struct DoubleRow {
    std::vector<double> values;
    const wchar_t* text;
  } const doubleRows[] = {
      {{0.5, 1e-9}, L"0.5:0"},
      {{12, 2.5, -0.125}, L"12:2.5:-0.125"},
      {{1.0 / 3}, L"0.333333"},
      {{-1e-9}, L"-0"},
  };
  for (const DoubleRow& row : doubleRows) {
    SCOPED_TRACE(Utf8(row.text));
    CDoubleArray a;
    for (double v : row.values) a.Add(v);
    EXPECT_EQ(a.GetDataToString(), row.text);
  }
}

TEST(NumericArrays, ReadFromText) {
  struct Row {
    const wchar_t* text;
    std::vector<LONG> ints;
    std::vector<double> doubles;
  } const rows[] = {
      {L"4:x:6", {4, 0, 6}, {4, 0, 6}},
      {L"4:", {4, 0}, {4, 0}},
      {L"", {}, {}},
      {L":", {0, 0}, {0, 0}},
      {L"1.5:-2.25", {1, -2}, {1.5, -2.25}},
      {L" 7 : 8", {7, 8}, {7, 8}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    CIntArray ints = Make<CIntArray, LONG>({9, 9});
    CDoubleArray doubles = Make<CDoubleArray, double>({9.0});
    EXPECT_TRUE(ints.SetDataByString(row.text));
    EXPECT_TRUE(doubles.SetDataByString(row.text));
    EXPECT_EQ(Values(ints), row.ints);
    EXPECT_EQ(Values(doubles), row.doubles);
  }
}

TEST(NumericArrays, FindSortSum) {
  CIntArray ints = Make<CIntArray, LONG>({5, 7, 5});
  EXPECT_EQ(ints.Find(5, 2), 2);
  EXPECT_EQ(ints.Find(5, 3), -1);
  EXPECT_EQ(ints.Find(7, -4), 1);
  EXPECT_EQ(ints.Find(5, 1000), -1);

  CDoubleArray near = Make<CDoubleArray, double>({0.1000000001});
  EXPECT_EQ(near.Find(0.1, 0), 0);
  CDoubleArray far = Make<CDoubleArray, double>({0.1000002});
  EXPECT_EQ(far.Find(0.1, 0), -1);

  struct Row {
    std::vector<LONG> values;
    int ascending;
    std::vector<LONG> sorted;
  } const rows[] = {
      {{3, 1, 2}, FALSE, {3, 2, 1}}, {{3, 1, 2}, TRUE, {1, 2, 3}}, {{}, TRUE, {}},
      {{4}, FALSE, {4}},             {{2, 2, 1, 2}, TRUE, {1, 2, 2, 2}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.values.size() << " ascending " << row.ascending);
    CIntArray a;
    for (LONG v : row.values) a.Add(v);
    a.Sort(row.ascending);
    EXPECT_EQ(Values(a), row.sorted);
  }
  CDoubleArray d = Make<CDoubleArray, double>({1.5, 2.5, 10});
  EXPECT_DOUBLE_EQ(d.GetSum(2), 4);
  EXPECT_DOUBLE_EQ(d.GetSum(-1), 14);
  EXPECT_DOUBLE_EQ(d.GetSum(3), 14);
  EXPECT_DOUBLE_EQ(d.GetSum(0), 0);
  EXPECT_DOUBLE_EQ(CDoubleArray().GetSum(-1), 0);
  d.Sort(FALSE);
  EXPECT_EQ(Values(d), (std::vector<double>{10, 2.5, 1.5}));
}

TEST(NumericArrays, NotANumberAndInfinities) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  CDoubleArray a = Make<CDoubleArray, double>({nan, 2, -inf, inf, 1});
  EXPECT_EQ(a.Find(nan, 0), -1);
  EXPECT_EQ(a.Find(inf, 0), -1);  // inf - inf is NaN: no match within the tolerance
  EXPECT_EQ(a.Find(1, 0), 4);
  a.Sort(TRUE);  // NaN is never moved; the rest ends in order
  ASSERT_EQ(a.GetSize(), 5);
  EXPECT_TRUE(std::isnan(a[0]));
  EXPECT_EQ(a[1], -inf);
  EXPECT_EQ(a[4], inf);
  EXPECT_FALSE(a.GetDataToString().IsEmpty());
  EXPECT_TRUE(std::isnan(a.GetSum(-1)));
  // A NaN in the middle keeps its place; the numbers around it are sorted.
  CDoubleArray mid = Make<CDoubleArray, double>({3, nan, 1, 2});
  mid.Sort(TRUE);
  EXPECT_EQ(mid[0], 1);
  EXPECT_TRUE(std::isnan(mid[1]));
  EXPECT_EQ(mid[2], 2);
  EXPECT_EQ(mid[3], 3);
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    EXPECT_TRUE(a.ESerialize(ar));
  }
  file.SeekToBegin();
  CDoubleArray back;
  CArchive in(&file, CArchive::load);
  EXPECT_TRUE(back.ESerialize(in));
  ASSERT_EQ(back.GetSize(), 5);
  EXPECT_TRUE(std::isnan(back[0]));
  EXPECT_EQ(back[1], -inf);
}

TEST(NumericArrays, CopyAssignReset) {
  CIntArray a = Make<CIntArray, LONG>({1, 2, 3});
  CIntArray b(a);
  EXPECT_EQ(Values(b), Values(a));
  CIntArray c = Make<CIntArray, LONG>({9, 9, 9, 9});
  c = a;
  EXPECT_EQ(Values(c), Values(a));
  CIntArray& self = c;
  c = self;
  EXPECT_EQ(Values(c), Values(a));
  c = static_cast<LONG>(4);
  EXPECT_EQ(Values(c), (std::vector<LONG>{4, 4, 4}));
  c.Reset();
  EXPECT_EQ(c.GetSize(), 0);
  c.Reset();

  CDoubleArray d = Make<CDoubleArray, double>({1.5});
  CDoubleArray e(d);
  e = 2.5;
  EXPECT_EQ(Values(e), (std::vector<double>{2.5}));
  EXPECT_EQ(Values(d), (std::vector<double>{1.5}));
  e = d;
  EXPECT_EQ(Values(e), Values(d));
}

TEST(NumericArrays, ArchiveForm) {
  CIntArray ints = Make<CIntArray, LONG>({1, -2});
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    EXPECT_TRUE(ints.ESerialize(ar));
  }
  EXPECT_EQ(Stored(file), std::string("\0\0\0\0\2\0\0\0\1\0\0\0\xFE\xFF\xFF\xFF", 16));
  CIntArray loaded = Make<CIntArray, LONG>({7});
  {
    CArchive ar(&file, CArchive::load);
    EXPECT_TRUE(loaded.ESerialize(ar));
  }
  EXPECT_EQ(Values(loaded), Values(ints));

  CDoubleArray doubles = Make<CDoubleArray, double>({1.5});
  CMemFile dfile;
  {
    CArchive ar(&dfile, CArchive::store);
    EXPECT_TRUE(doubles.ESerialize(ar));
  }
  EXPECT_EQ(Stored(dfile), std::string("\0\0\0\0\1\0\0\0\0\0\0\0\0\0\xF8\x3F", 16));
  CDoubleArray empty;
  CMemFile efile;
  {
    CArchive ar(&efile, CArchive::store);
    EXPECT_TRUE(empty.ESerialize(ar));
  }
  EXPECT_EQ(Stored(efile), std::string(8, '\0'));
}

TEST(NumericArrays, LoadingAnotherVersionConsumesOnlyTheVersion) {
  CMemFile file;
  Load(file, std::string("\1\0\0\0\2\0\0\0\1\0\0\0\2\0\0\0", 16));
  CIntArray a = Make<CIntArray, LONG>({42});
  CArchive ar(&file, CArchive::load);
  EXPECT_FALSE(a.ESerialize(ar));
  EXPECT_EQ(Values(a), (std::vector<LONG>{42}));
  LONG next = 0;
  ar >> next;  // the count is the next thing to read
  EXPECT_EQ(next, 2);
  ar.Close();
  EXPECT_EQ(file.GetPosition(), 8u);
}

TEST(NumericArrays, TruncatedArchives) {
  struct Row {
    const char* name;
    std::string bytes;
    size_t keptInts;     // elements in place when the archive ran out
    size_t keptDoubles;
  } const rows[] = {
      {"version only", std::string(4, '\0'), 0, 0},
      {"half a count", std::string("\0\0\0\0\3\0", 6), 0, 0},
      {"two of three ints", std::string("\0\0\0\0\3\0\0\0\1\0\0\0\2\0\0\0", 16), 2, 1},
      {"huge count, little data", std::string("\0\0\0\0\xFF\xFF\xFF\x7F\1\0\0\0", 12), 1, 0},
      {"empty", std::string(), 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (int kind = 0; kind < 2; ++kind) {
      CMemFile file;
      Load(file, row.bytes);
      CArchive ar(&file, CArchive::load);
      CIntArray ints;
      CDoubleArray doubles;
      int cause = -1;
      try {
        if (kind == 0) {
          ints.ESerialize(ar);
        } else {
          doubles.ESerialize(ar);
        }
      } catch (CArchiveException* e) {
        cause = e->m_cause;
        e->Delete();
      }
      EXPECT_EQ(cause, CArchiveException::endOfFile);
      size_t kept = kind == 0 ? static_cast<size_t>(ints.GetSize()) : static_cast<size_t>(doubles.GetSize());
      EXPECT_EQ(kept, kind == 0 ? row.keptInts : row.keptDoubles);
    }
  }
  // A negative count loads as an empty array.
  CMemFile file;
  Load(file, std::string("\0\0\0\0\xFF\xFF\xFF\xFF", 8));
  CArchive ar(&file, CArchive::load);
  CIntArray a = Make<CIntArray, LONG>({1});
  EXPECT_TRUE(a.ESerialize(ar));
  EXPECT_EQ(a.GetSize(), 0);
}

TEST(NumericArrays, ArchiveInARealFile) {
  kavro::test::TempDir dir;
  CDoubleArray values = Make<CDoubleArray, double>({0.25, -8});
  {
    CFile file(dir.Win("values.bin"), CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&file, CArchive::store);
    values.ESerialize(ar);
  }
  EXPECT_EQ(kavro::test::ReadBytes(dir.Sub("values.bin")).size(), 24u);
  CFile file(dir.Win("values.bin"), CFile::modeRead);
  CArchive ar(&file, CArchive::load);
  CDoubleArray back;
  EXPECT_TRUE(back.ESerialize(ar));
  EXPECT_EQ(Values(back), Values(values));
}

}  // namespace
