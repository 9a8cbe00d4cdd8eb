// CJToolBarParam: copies, look-ups by group and name, and array operations.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "toolbar/toolbar_test_util.h"

namespace {

using kavro::test::MakeBar;
using kavro::test::OpenFlags;

// Groups A, B, A, C, B with names 1 to 5.
CJToolBarParam GroupedSet() {
  CJToolBarParam set;
  const wchar_t* groups[] = {L"A", L"B", L"A", L"C", L"B"};
  for (int i = 0; i < 5; ++i) {
    CString name;
    name.Format(L"%d", i + 1);
    JButtonArray bar = MakeBar(groups[i], name, {name + L"x"});
    set.Add(bar);
    set[i].m_bOpen = 0;  // Add copies, and a copy is open
  }
  set.m_strName = L"set";
  return set;
}

std::wstring Names(const CJToolBarParam& set) {
  std::wstring names;
  for (const JButtonArray& bar : set) names += bar.m_strName.GetString();
  return names;
}

TEST(ToolBarSet, CopiesOpenEveryToolbarAndKeepTheName) {
  CJToolBarParam set = GroupedSet();
  // Moving the set out of GroupedSet kept the flags.
  EXPECT_EQ(OpenFlags(set), "00000");
  CJToolBarParam copy(set);
  EXPECT_EQ(copy.m_strName, L"set");
  EXPECT_EQ(OpenFlags(copy), "11111");
  EXPECT_TRUE(copy == set);
  CJToolBarParam assigned;
  assigned = set;
  EXPECT_EQ(Names(assigned), L"12345");
  EXPECT_EQ(OpenFlags(assigned), "11111");
  CJToolBarParam& self = set;
  set = self;
  EXPECT_EQ(OpenFlags(set), "00000");

  assigned[4].RemoveAt(0);
  EXPECT_TRUE(assigned != set);
  set.Reset();
  EXPECT_EQ(set.GetSize(), 0);
  EXPECT_TRUE(set.m_strName.IsEmpty());
}

// The array holds its toolbars by value: growing, inserting and removing
// move them around without touching their flags.
TEST(ToolBarSet, RelocationKeepsOpenFlagsAndLocks) {
  CJToolBarParam set;
  for (int i = 0; i < 200; ++i) {
    JButtonArray bar = MakeBar(L"G", L"N", {L"b"});
    set.Add(bar);
    set[i].m_bOpen = i % 2;
    set[i].m_nLock = i;
  }
  JButtonArray extra = MakeBar(L"G", L"X", {});
  set.InsertAt(0, extra);
  set.RemoveAt(5);
  ASSERT_EQ(set.GetSize(), 200);
  for (int i = 1; i < 200; ++i) {
    const int original = i < 5 ? i - 1 : i;
    SCOPED_TRACE(original);
    EXPECT_EQ(set[i].m_nLock, original);
    EXPECT_EQ(set[i].m_bOpen, original % 2);
  }
}

TEST(ToolBarSet, FindsAToolbarByGroupAndName) {
  CJToolBarParam set = GroupedSet();
  JButtonArray found;
  found.m_nLock = 3;
  EXPECT_EQ(set.GetToolBarByName(L"A", L"3", found), 2);
  EXPECT_EQ(found.m_strName, L"3");
  EXPECT_EQ(found.m_bOpen, 1);
  EXPECT_EQ(found.m_nLock, 3);
  found.m_strName = L"kept";
  EXPECT_EQ(set.GetToolBarByName(L"B", L"3", found), -1);
  EXPECT_EQ(set.GetToolBarByName(L"a", L"1", found), -1) << "case-sensitive";
  EXPECT_EQ(found.m_strName, L"kept");
}

TEST(ToolBarSet, ListsTheToolbarsOfAGroup) {
  struct Row {
    const wchar_t* group;
    int firstOfEach;
    int index;
    const wchar_t* names;
  } const rows[] = {
      {L"A", 0, 2, L"13"}, {L"B", 0, 4, L"25"}, {L"C", 0, 3, L"4"}, {L"D", 0, -1, L""},
      {L"A", 1, 0, L"1"},  {L"B", 1, 1, L"2"},  {L"C", 1, 2, L"4"}, {L"D", 1, -1, L""},
  };
  const CJToolBarParam set = GroupedSet();
  for (const Row& row : rows) {
    SCOPED_TRACE(kavro::test::Utf8(row.group) + (row.firstOfEach ? " first of each" : ""));
    CJToolBarParam result = GroupedSet();
    EXPECT_EQ(set.GetToolBarByName(row.group, result, row.firstOfEach), row.index);
    EXPECT_EQ(Names(result), row.names);
    EXPECT_TRUE(result.m_strName.IsEmpty());
  }
}

TEST(ToolBarSet, FirstToolbarOfEachGroup) {
  CJToolBarParam set = GroupedSet();
  CJToolBarParam groups;
  set.GetAllGrpName(groups);
  EXPECT_EQ(Names(groups), L"124");
  EXPECT_EQ(OpenFlags(groups), "111");
  // The set may be its own result, as may the group list of a look-up.
  set.GetAllGrpName(set);
  EXPECT_EQ(Names(set), L"124");
  CJToolBarParam again = GroupedSet();
  EXPECT_EQ(again.GetToolBarByName(L"B", again, 0), 4);
  EXPECT_EQ(Names(again), L"25");
}

}  // namespace
