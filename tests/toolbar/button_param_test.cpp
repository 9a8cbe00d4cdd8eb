// CJButtonParam: defaults, text form and equality.
#include <gtest/gtest.h>

#include "KavroStd/toolbar.h"
#include "support/test_support.h"

namespace {

using kavro::test::Utf8;

TEST(ButtonParam, DefaultsAndConstructorFields) {
  CJButtonParam empty;
  EXPECT_EQ(empty.m_nLock, -1);
  EXPECT_EQ(empty.m_bSelected, 1);
  EXPECT_TRUE(empty.m_strName.IsEmpty() && empty.m_strField6.IsEmpty() && empty.m_strSourceFile.IsEmpty());

  CJButtonParam b(L"n", L"2", L"3", L"4", L"5", L"6", 7);
  EXPECT_EQ(b.m_strName, L"n");
  EXPECT_EQ(b.m_strField2, L"2");
  EXPECT_EQ(b.m_strField3, L"3");
  EXPECT_EQ(b.m_strField4, L"4");
  EXPECT_EQ(b.m_strField5, L"5");
  EXPECT_EQ(b.m_strField6, L"6");
  EXPECT_EQ(b.m_nLock, 7);
  EXPECT_EQ(b.m_bSelected, 1);
  // The file order: name, third, second, fifth, fourth, sixth.
  EXPECT_EQ(b.GetString(), L"n|3|2|5|4|6");
}

TEST(ButtonParam, SetStringReadsTheTextForm) {
  struct Row {
    const wchar_t* text;
    // Expected name and texts 2 to 6; the button starts as N|F3|F2|F5|F4|F6.
    const wchar_t* name;
    const wchar_t* f2;
    const wchar_t* f3;
    const wchar_t* f4;
    const wchar_t* f5;
    const wchar_t* f6;
  } const rows[] = {
      {L"a|b", L"a", L"F2", L"b", L"F4", L"F5", L"F6"},
      {L"a", L"N", L"F2", L"F3", L"F4", L"F5", L"F6"},
      {L"", L"N", L"F2", L"F3", L"F4", L"F5", L"F6"},
      {L"n|c  |b|e|d|f|x", L"n", L"b", L"c", L"d", L"e", L"f"},
      {L"|", L"", L"F2", L"", L"F4", L"F5", L"F6"},
      {L"a|b|", L"a", L"", L"b", L"F4", L"F5", L"F6"},
      {L"a| b \t |c ", L"a", L"c ", L" b \t", L"F4", L"F5", L"F6"},
      {L" a |   |  c", L" a ", L"  c", L"", L"F4", L"F5", L"F6"},
      {L"a|b|c|d|e|", L"a", L"c", L"b", L"e", L"d", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    CJButtonParam b(L"N", L"F2", L"F3", L"F4", L"F5", L"F6", 4);
    b.m_bSelected = 0;
    b.m_strSourceFile = L"src";
    b.SetString(row.text);
    EXPECT_EQ(b.m_strName, row.name);
    EXPECT_EQ(b.m_strField2, row.f2);
    EXPECT_EQ(b.m_strField3, row.f3);
    EXPECT_EQ(b.m_strField4, row.f4);
    EXPECT_EQ(b.m_strField5, row.f5);
    EXPECT_EQ(b.m_strField6, row.f6);
    EXPECT_EQ(b.m_nLock, 4);
    EXPECT_EQ(b.m_bSelected, 0);
    EXPECT_EQ(b.m_strSourceFile, L"src");
  }
}

TEST(ButtonParam, TextFormRoundTrips) {
  CJButtonParam b;
  b.SetString(L"n|c  |b|e|d|f|x");
  EXPECT_EQ(b.GetString(), L"n|c|b|e|d|f");
  CJButtonParam back;
  back.SetString(b.GetString());
  EXPECT_EQ(back.GetString(), b.GetString());
  EXPECT_EQ(back.m_strField6, L"f");
}

TEST(ButtonParam, EqualityComparesNameAndTextsTwoToFive) {
  const CJButtonParam base(L"n", L"2", L"3", L"4", L"5", L"6", 1);
  struct Row {
    const char* change;
    void (*apply)(CJButtonParam&);
    bool equal;
  } const rows[] = {
      {"nothing", [](CJButtonParam&) {}, true},
      {"sixth text", [](CJButtonParam& b) { b.m_strField6 = L"x"; }, true},
      {"lock", [](CJButtonParam& b) { b.m_nLock = 9; }, true},
      {"selected", [](CJButtonParam& b) { b.m_bSelected = 0; }, true},
      {"source file", [](CJButtonParam& b) { b.m_strSourceFile = L"f"; }, true},
      {"name", [](CJButtonParam& b) { b.m_strName = L"N"; }, false},
      {"second", [](CJButtonParam& b) { b.m_strField2 = L"x"; }, false},
      {"third", [](CJButtonParam& b) { b.m_strField3 = L"x"; }, false},
      {"fourth", [](CJButtonParam& b) { b.m_strField4 = L"x"; }, false},
      {"fifth", [](CJButtonParam& b) { b.m_strField5 = L"x"; }, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.change);
    CJButtonParam other = base;
    row.apply(other);
    EXPECT_EQ(other == base, row.equal ? 1 : 0);
    EXPECT_EQ(other != base, row.equal ? 0 : 1);
  }
}

TEST(ButtonParam, CopiesTakeEveryField) {
  CJButtonParam b(L"n", L"2", L"3", L"4", L"5", L"6", 3);
  b.m_bSelected = 0;
  b.m_strSourceFile = L"Z:\\m.mns";
  CJButtonParam copy(b);
  CJButtonParam assigned;
  assigned = b;
  for (const CJButtonParam* c : {&copy, &assigned}) {
    EXPECT_EQ(c->GetString(), b.GetString());
    EXPECT_EQ(c->m_nLock, 3);
    EXPECT_EQ(c->m_bSelected, 0);
    EXPECT_EQ(c->m_strSourceFile, L"Z:\\m.mns");
  }
}

}  // namespace
