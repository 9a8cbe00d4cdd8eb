// CArray, CStringArray and CMap: MFC's bounds rules, hash values and
// iteration order.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "KavroStd/platform/afx_exception.h"
#include "KavroStd/platform/collections.h"

namespace {

std::vector<int> Items(const CArray<int, int>& a) { return std::vector<int>(a.begin(), a.end()); }

TEST(CArrayTest, AddInsertRemoveAndGrow) {
  CArray<int, int> a;
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_EQ(-1, a.GetUpperBound());
  EXPECT_EQ(0, a.Add(10));
  EXPECT_EQ(1, a.Add(30));
  a.InsertAt(1, 20);
  EXPECT_EQ((std::vector<int>{10, 20, 30}), Items(a));
  a.InsertAt(0, 5, 2);
  EXPECT_EQ((std::vector<int>{5, 5, 10, 20, 30}), Items(a));
  // Inserting past the end grows the array with default elements.
  a.InsertAt(7, 99);
  EXPECT_EQ((std::vector<int>{5, 5, 10, 20, 30, 0, 0, 99}), Items(a));
  a.RemoveAt(5, 2);
  EXPECT_EQ((std::vector<int>{5, 5, 10, 20, 30, 99}), Items(a));
  a.RemoveAt(0, 2);
  EXPECT_EQ((std::vector<int>{10, 20, 30, 99}), Items(a));
  // Removing past the end removes what is there; a start beyond does nothing.
  a.RemoveAt(2, 10);
  EXPECT_EQ((std::vector<int>{10, 20}), Items(a));
  a.RemoveAt(5);
  a.RemoveAt(-1);
  EXPECT_EQ((std::vector<int>{10, 20}), Items(a));
  a.SetAtGrow(4, 7);
  EXPECT_EQ((std::vector<int>{10, 20, 0, 0, 7}), Items(a));
  a.SetSize(2);
  EXPECT_EQ((std::vector<int>{10, 20}), Items(a));
  EXPECT_EQ(20, a[1]);
  a[0] = 11;
  EXPECT_EQ(11, a.GetAt(0));
}

TEST(CArrayTest, AccessOutsideTheArrayThrowsAnMfcException) {
  CArray<int, int> a;
  a.Add(1);
  for (INT_PTR index : {static_cast<INT_PTR>(-1), static_cast<INT_PTR>(1), static_cast<INT_PTR>(100)}) {
    SCOPED_TRACE(testing::Message() << "index " << index);
    bool caught = false;
    try {
      (void)a.GetAt(index);
    } catch (CInvalidArgException* e) {
      caught = true;
      e->Delete();
    }
    EXPECT_TRUE(caught);
  }
  bool caught = false;
  try {
    a.SetAt(3, 1);
  } catch (CException* e) {
    caught = true;
    e->Delete();
  }
  EXPECT_TRUE(caught);
}

TEST(CArrayTest, StringArrayAppendAndCopy) {
  CStringArray a, b;
  a.Add(L"x");
  a.Add(CString(L"y"));
  b.Add(L"z");
  EXPECT_EQ(1, b.Append(a));
  ASSERT_EQ(3, b.GetSize());
  EXPECT_STREQ(L"y", b[2].GetString());
  CStringArray c;
  c.Copy(b);
  c.InsertAt(1, &a);
  ASSERT_EQ(5, c.GetSize());
  EXPECT_STREQ(L"x", c[1].GetString());
  EXPECT_STREQ(L"y", c[2].GetString());
  EXPECT_STREQ(L"x", c[3].GetString());
}

TEST(CMapTest, HashKeysAreMfcs) {
  // h = h * 33 + unit, as MFC's HashKey for strings.
  EXPECT_EQ(0u, HashKey(L""));
  EXPECT_EQ(97u, HashKey(L"a"));
  EXPECT_EQ(108966u, HashKey(L"abc"));
  EXPECT_EQ(108966u, HashKey("abc"));
  EXPECT_EQ(HashKey(L"abc"), HashKey(CString(L"abc")));
  EXPECT_EQ(0u, HashKey(static_cast<LPCWSTR>(nullptr)));
  // Wrap-around on long keys is part of the value.
  UINT h = 0;
  for (int i = 0; i < 20; ++i) h = (h << 5) + h + static_cast<UINT>(L'z');
  EXPECT_EQ(h, HashKey(L"zzzzzzzzzzzzzzzzzzzz"));
  // Integers: the value shifted right by four.
  EXPECT_EQ(0u, HashKey<int>(15));
  EXPECT_EQ(1u, HashKey<int>(16));
  EXPECT_EQ(0x1234u, HashKey<DWORD>(0x12345));
}

TEST(CMapTest, SetLookupRemoveWithCaseSensitiveStringKeys) {
  CMap<CString, LPCWSTR, int, int> m;
  m.SetAt(L"Layer", 1);
  m.SetAt(L"layer", 2);
  m.SetAt(L"Layer", 3);  // replaces
  EXPECT_EQ(2, m.GetCount());
  int v = 0;
  EXPECT_TRUE(m.Lookup(L"Layer", v));
  EXPECT_EQ(3, v);
  EXPECT_TRUE(m.Lookup(L"layer", v));
  EXPECT_EQ(2, v);
  EXPECT_FALSE(m.Lookup(L"LAYER", v));
  EXPECT_TRUE(m.RemoveKey(L"layer"));
  EXPECT_FALSE(m.RemoveKey(L"layer"));
  EXPECT_EQ(1, m.GetCount());
  m[L"new"] += 5;
  EXPECT_TRUE(m.Lookup(L"new", v));
  EXPECT_EQ(5, v);
  m.RemoveAll();
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_EQ(nullptr, m.GetStartPosition());
  EXPECT_FALSE(m.Lookup(L"Layer", v));
}

TEST(CMapTest, IteratesInBucketOrderNewestFirstWithinABucket) {
  // Keys 1..3 share bucket 0 (hash = key >> 4); 16 is in bucket 1.
  CMap<int, int, int, int> m;
  for (int k : {1, 16, 2, 3}) m.SetAt(k, k * 10);
  std::vector<int> order;
  POSITION pos = m.GetStartPosition();
  while (pos) {
    int k = 0, v = 0;
    m.GetNextAssoc(pos, k, v);
    EXPECT_EQ(k * 10, v);
    order.push_back(k);
  }
  EXPECT_EQ((std::vector<int>{3, 2, 1, 16}), order);
}

TEST(CMapTest, TenThousandKeysAreEachVisitedOnce) {
  CMap<CString, LPCWSTR, int, int> m;
  m.InitHashTable(1009);
  EXPECT_EQ(1009u, m.GetHashTableSize());
  for (int i = 0; i < 10000; ++i) {
    CString key;
    key.Format(L"key%d", i);
    m.SetAt(key, i);
  }
  EXPECT_EQ(10000, m.GetCount());
  for (int i = 0; i < 10000; i += 2) {
    CString key;
    key.Format(L"key%d", i);
    ASSERT_TRUE(m.RemoveKey(key)) << i;
  }
  std::set<int> seen;
  POSITION pos = m.GetStartPosition();
  while (pos) {
    CString key;
    int v = -1;
    m.GetNextAssoc(pos, key, v);
    CString want;
    want.Format(L"key%d", v);
    EXPECT_EQ(want, key);
    EXPECT_TRUE(seen.insert(v).second) << "visited twice: " << v;
  }
  EXPECT_EQ(5000u, seen.size());
  EXPECT_EQ(1, *seen.begin());
  // Once filled, the table size stays.
  m.InitHashTable(5);
  EXPECT_EQ(1009u, m.GetHashTableSize());
}

}  // namespace
