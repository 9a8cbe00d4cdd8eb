// MFC's linked lists, the named maps and the typed-pointer containers.
#include <functional>
#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

std::vector<int> Forward(const CList<int, int>& list) {
  std::vector<int> out;
  for (POSITION p = list.GetHeadPosition(); p;) out.push_back(list.GetNext(p));
  return out;
}

std::vector<int> Backward(const CList<int, int>& list) {
  std::vector<int> out;
  for (POSITION p = list.GetTailPosition(); p;) out.push_back(list.GetPrev(p));
  return out;
}

TEST(CListTest, PositionsNameElementsThroughInsertsAndRemovals) {
  CList<int, int> list;
  POSITION two = list.AddTail(2);
  list.AddHead(1);
  POSITION four = list.AddTail(4);
  POSITION three = list.InsertBefore(four, 3);
  list.InsertAfter(four, 5);
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5}), Forward(list));
  EXPECT_EQ((std::vector<int>{5, 4, 3, 2, 1}), Backward(list));
  EXPECT_EQ(5, list.GetCount());

  list.RemoveAt(two);
  list.SetAt(three, 30);
  EXPECT_EQ(30, list.GetAt(three));
  EXPECT_EQ(4, list.GetAt(four));  // untouched by the removal
  EXPECT_EQ((std::vector<int>{1, 30, 4, 5}), Forward(list));
  EXPECT_EQ(1, list.RemoveHead());
  EXPECT_EQ(5, list.RemoveTail());
  EXPECT_EQ(30, list.GetHead());
  EXPECT_EQ(4, list.GetTail());

  // Null positions insert at the ends, as in MFC.
  list.InsertBefore(nullptr, 0);
  list.InsertAfter(nullptr, 9);
  EXPECT_EQ((std::vector<int>{0, 30, 4, 9}), Forward(list));
}

TEST(CListTest, FindAndFindIndex) {
  CList<int, int> list;
  for (int v : {7, 8, 7, 9}) list.AddTail(v);
  POSITION first = list.Find(7);
  POSITION second = list.Find(7, first);
  ASSERT_NE(nullptr, second);
  EXPECT_NE(first, second);
  EXPECT_EQ(nullptr, list.Find(7, second));
  EXPECT_EQ(nullptr, list.Find(1));
  EXPECT_EQ(second, list.FindIndex(2));
  EXPECT_EQ(nullptr, list.FindIndex(4));
  EXPECT_EQ(nullptr, list.FindIndex(-1));
}

TEST(CListTest, AddingAListKeepsItsOrderAndAListMayAddItself) {
  CList<int, int> list, other;
  list.AddTail(3);
  other.AddTail(1);
  other.AddTail(2);
  list.AddHead(&other);
  list.AddTail(&other);
  EXPECT_EQ((std::vector<int>{1, 2, 3, 1, 2}), Forward(list));
  other.AddTail(&other);
  EXPECT_EQ((std::vector<int>{1, 2, 1, 2}), Forward(other));
}

TEST(CListTest, EmptyListAndNullPositionThrowInsteadOfCrashing) {
  CList<int, int> list;
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(nullptr, list.GetHeadPosition());
  for (auto bad : std::vector<std::function<void()>>{
           [&] { list.GetHead(); }, [&] { list.RemoveTail(); },
           [&] { POSITION p = nullptr; list.GetNext(p); }, [&] { list.RemoveAt(nullptr); }}) {
    try {
      bad();
      ADD_FAILURE() << "no exception";
    } catch (CInvalidArgException* e) {
      e->Delete();
    }
  }
}

TEST(CStringListTest, IteratesAndSearchesByText) {
  CStringList names;
  names.AddTail(L"LINE");
  names.AddTail(CString(L"ARC"));
  names.AddHead(L"CIRCLE");
  CString joined;
  for (POSITION p = names.GetHeadPosition(); p;) joined += names.GetNext(p) + L";";
  EXPECT_EQ(CString(L"CIRCLE;LINE;ARC;"), joined);
  EXPECT_NE(nullptr, names.Find(L"ARC"));
  EXPECT_EQ(nullptr, names.Find(L"arc"));  // exact, as MFC compares
}

TEST(NamedMapsTest, StringMapsLookUpAndIterateEveryPair) {
  CMapStringToString map;
  map.SetAt(L"Layer", L"0");
  map[L"Color"] = L"red";
  map.SetAt(L"Layer", L"Walls");
  CString value;
  EXPECT_TRUE(map.Lookup(L"Layer", value));
  EXPECT_EQ(CString(L"Walls"), value);
  EXPECT_FALSE(map.Lookup(L"layer", value));
  std::map<std::wstring, std::wstring> seen;
  for (POSITION p = map.GetStartPosition(); p;) {
    CString key;
    map.GetNextAssoc(p, key, value);
    seen[key.GetString()] = value.GetString();
  }
  EXPECT_EQ((std::map<std::wstring, std::wstring>{{L"Layer", L"Walls"}, {L"Color", L"red"}}), seen);

  int a = 0, b = 0;
  CMapPtrToPtr pointers;
  pointers[&a] = &b;
  void* found = nullptr;
  EXPECT_TRUE(pointers.Lookup(&a, found));
  EXPECT_EQ(&b, found);
  EXPECT_FALSE(pointers.Lookup(&b, found));
  CMapWordToPtr words;
  words.SetAt(7, &a);
  EXPECT_TRUE(words.RemoveKey(7));
  EXPECT_TRUE(words.IsEmpty());
}

class Shape : public CObject {
 public:
  explicit Shape(int sides) : sides(sides) {}
  int sides;
};

TEST(TypedPointersTest, ArraysAndListsHandOutTheirType) {
  Shape triangle(3), square(4);
  CTypedPtrArray<CObArray, Shape*> shapes;
  shapes.Add(&triangle);
  shapes.InsertAt(0, &square);
  EXPECT_EQ(4, shapes[0]->sides);
  EXPECT_EQ(3, shapes.GetAt(1)->sides);
  shapes.ElementAt(1) = &square;
  EXPECT_EQ(&square, shapes[1]);

  CTypedPtrList<CPtrList, Shape*> list;
  list.AddTail(&triangle);
  list.AddHead(&square);
  POSITION p = list.GetHeadPosition();
  EXPECT_EQ(4, list.GetNext(p)->sides);
  EXPECT_EQ(3, list.GetNext(p)->sides);
  EXPECT_EQ(nullptr, p);
  EXPECT_EQ(&triangle, list.RemoveTail());
}

}  // namespace
