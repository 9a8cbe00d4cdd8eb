// JButtonArray: header texts, copies and button look-ups.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "toolbar/toolbar_test_util.h"

namespace {

using kavro::test::MakeBar;
using kavro::test::MakeButton;
using kavro::test::Utf8;

TEST(ButtonArray, HeaderLineAndDefaults) {
  JButtonArray bar;
  EXPECT_EQ(bar.GetSize(), 0);
  EXPECT_EQ(bar.m_nLock, -1);
  EXPECT_EQ(bar.m_bOpen, 1);
  EXPECT_EQ(bar.GetString(), L"***|||||");
  bar.m_strName = L"N";
  bar.m_strGroup = L"G";
  bar.m_strModule = L"m.arx";
  bar.m_strField4 = L"4";
  bar.m_strField5 = L"5";
  bar.m_strField6 = L"6";
  EXPECT_EQ(bar.GetString(), L"***N|G|m.arx|4|5|6");
}

TEST(ButtonArray, GetNameByCStringTrimsAndCountsParts) {
  struct Row {
    const wchar_t* text;
    int parts;
    const wchar_t* name;
    const wchar_t* group;
    const wchar_t* module;
    const wchar_t* f6;
  } const rows[] = {
      {L"  Name  | Grp ", 2, L"Name", L"Grp", L"M", L"F6"},
      {L"", 0, L"N", L"G", L"M", L"F6"},
      {L"\tA\r\n", 1, L"A", L"G", L"M", L"F6"},
      {L"a|b|c|d|e|f|g|h", 8, L"a", L"b", L"c", L"f"},
      {L"||", 3, L"", L"", L"", L"F6"},
      {L" \t x y \r|g", 2, L"x y", L"g", L"M", L"F6"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    JButtonArray bar;
    bar.m_strName = L"N";
    bar.m_strGroup = L"G";
    bar.m_strModule = L"M";
    bar.m_strField6 = L"F6";
    EXPECT_EQ(bar.GetNameByCString(row.text), row.parts);
    EXPECT_EQ(bar.m_strName, row.name);
    EXPECT_EQ(bar.m_strGroup, row.group);
    EXPECT_EQ(bar.m_strModule, row.module);
    EXPECT_EQ(bar.m_strField6, row.f6);
  }
}

TEST(ButtonArray, AssignmentOpensAndKeepsTheLock) {
  JButtonArray source = MakeBar(L"G", L"N", {L"a", L"b"});
  source.m_strField5 = L"five";
  source.m_bOpen = 0;
  source.m_nLock = 5;
  source[1].m_bSelected = 0;

  JButtonArray target;
  target.m_nLock = 9;
  target = source;
  EXPECT_EQ(target.m_bOpen, 1);
  EXPECT_EQ(target.m_nLock, 9);
  EXPECT_EQ(target.GetString(), source.GetString());
  ASSERT_EQ(target.GetSize(), 2);
  EXPECT_EQ(target[1].m_bSelected, 0) << "buttons are copied whole";
  EXPECT_TRUE(target == source);

  JButtonArray copy(source);
  EXPECT_EQ(copy.m_bOpen, 1);
  EXPECT_EQ(copy.m_nLock, -1);
  EXPECT_EQ(copy.GetString(), source.GetString());

  JButtonArray& self = source;
  source = self;
  EXPECT_EQ(source.m_bOpen, 0) << "self-assignment changes nothing";
  EXPECT_EQ(source.GetSize(), 2);

  source.Reset();
  EXPECT_EQ(source.GetSize(), 0);
  EXPECT_EQ(source.GetString(), L"***|||||");
  EXPECT_EQ(source.m_nLock, -1);
  EXPECT_EQ(source.m_bOpen, 1);
}

TEST(ButtonArray, EqualityComparesButtonsOnly) {
  JButtonArray a = MakeBar(L"G", L"A", {L"x", L"y"});
  JButtonArray b = MakeBar(L"H", L"B", {L"x", L"y"});
  b.m_bOpen = 0;
  EXPECT_TRUE(a == b);
  b[1].m_strField6 = L"other";
  EXPECT_TRUE(a == b) << "the sixth text is not compared";
  b[1].m_strField2 = L"other";
  EXPECT_TRUE(a != b);
  EXPECT_TRUE(a != MakeBar(L"G", L"A", {L"x"}));
}

TEST(ButtonArray, LookUpByName) {
  JButtonArray bar = MakeBar(L"G", L"N", {L"a", L"b", L"a"});
  bar[2].m_nLock = 8;
  EXPECT_EQ(bar.GetValueByName(L"a").m_strField2, L"a.2");
  EXPECT_EQ(bar.GetValueByName(L"a").m_nLock, -1) << "the first of that name";
  EXPECT_EQ(bar.GetValueByName(L"A").m_strName, L"") << "case-sensitive";
  CJButtonParam none = bar.GetValueByName(L"zz");
  EXPECT_EQ(none.m_nLock, -1);
  EXPECT_EQ(none.m_bSelected, 1);

  CJButtonParam replacement = MakeButton(L"c", 4);
  replacement.m_bSelected = 0;
  EXPECT_EQ(bar.SetValueByName(L"a", replacement), 1);
  EXPECT_EQ(bar[0].m_strName, L"c");
  EXPECT_EQ(bar[0].m_nLock, 4);
  EXPECT_EQ(bar[0].m_bSelected, 0);
  EXPECT_EQ(bar[2].m_strName, L"a") << "only the first is replaced";
  EXPECT_EQ(bar.SetValueByName(L"zz", replacement), 0);
  EXPECT_EQ(bar[1].m_strName, L"b");
}

}  // namespace
