// Selection strings and lock-number arrays of a toolbar set.
#include <gtest/gtest.h>

#include <random>

#include "support/test_support.h"
#include "toolbar/toolbar_test_util.h"

namespace {

using kavro::test::MakeSet;
using kavro::test::OpenFlags;
using kavro::test::SelectedFlags;
using kavro::test::Utf8;

// Applies "1"/"0" flags to the buttons in running order.
void Select(CJToolBarParam& set, const std::string& flags) {
  size_t k = 0;
  for (JButtonArray& bar : set)
    for (CJButtonParam& button : bar) button.m_bSelected = flags.at(k++) == '1';
}

void Open(CJToolBarParam& set, const std::string& flags) {
  for (size_t i = 0; i < flags.size(); ++i) set[static_cast<INT_PTR>(i)].m_bOpen = flags[i] == '1';
}

TEST(Selection, GetSelCString) {
  struct Row {
    std::vector<int> counts;
    std::string open;
    std::string selected;
    int firstOnly;
    const wchar_t* expected;
  } const rows[] = {
      {{3, 1}, "11", "1011", 0, L"Op0_Gp0_001_003_Op1_004_"},
      {{3, 1}, "11", "1011", 1, L"Op0_Gp0_001_003_"},
      {{3, 1}, "01", "1111", 0, L"001_002_003_Op1_004_"},
      {{3, 1}, "00", "0000", 0, L"Gp0_Gp1_"},
      {{0, 2}, "11", "01", 0, L"Op0_Op1_Gp1_002_"},
      {{2, 0, 1}, "111", "111", 0, L"Op0_001_002_Op1_Op2_003_"},
      {{}, "", "", 0, L""},
      {{}, "", "", 1, L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.expected));
    CJToolBarParam set = MakeSet(row.counts);
    Open(set, row.open);
    Select(set, row.selected);
    EXPECT_EQ(set.GetSelCString(row.firstOnly), row.expected);
  }
}

TEST(Selection, NumbersGrowPastThreeDigits) {
  CJToolBarParam set = MakeSet({998, 3});
  std::string flags(1001, '0');
  flags[0] = flags[998] = flags[999] = flags[1000] = '1';
  Select(set, flags);
  EXPECT_EQ(set.GetSelCString(0), L"Op0_Gp0_001_Op1_999_1000_1001_");
}

TEST(Selection, SetSelByCString) {
  // Three toolbars of 3, 2 and 2 buttons, all closed and selected at first.
  struct Row {
    const wchar_t* selection;
    std::string open;
    std::string selected;
  } const rows[] = {
      {L"Op5_", "000", "0000000"},
      {L"007_", "000", "0000001"},
      {L"Op1_Gp1_002_004_", "010", "0101000"},
      {L"Op0_Op2_Op-1_", "101", "0000000"},
      {L"1_2_", "000", "0000000"},
      {L"01_02", "000", "1100000"},
      {L"000_", "000", "0000000"},
      {L"-01_", "000", "0000000"},
      {L"999_8_", "000", "0000000"},
      {L"99999999999999999999_", "000", "0000000"},
      {L"Op_", "100", "0000000"},
      {L"Opx_", "100", "0000000"},
      {L"OP1_", "000", "0000000"},
      {L"Gp0_Gp1_", "000", "0000000"},
      {L"3ab_ 5_", "000", "0010100"},
      {L"__06___", "000", "0000010"},
      {L"", "000", "0000000"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.selection));
    CJToolBarParam set = MakeSet({3, 2, 2});
    Open(set, "000");
    set.SetSelByCString(CString(row.selection));
    EXPECT_EQ(OpenFlags(set), row.open);
    EXPECT_EQ(SelectedFlags(set), row.selected);
  }
}

TEST(Selection, StringRestoresWhatItDescribes) {
  CJToolBarParam set = MakeSet({3, 1, 4});
  Select(set, "10101101");
  const CString saved = set.GetSelCString(0);
  Select(set, "01010010");
  set.SetSelByCString(saved);
  EXPECT_EQ(SelectedFlags(set), "10101101");
  EXPECT_EQ(set.GetSelCString(0), saved);
}

// A large set in one pass each way (the speed is measured in the benchmark).
TEST(Selection, HundredThousandButtonsRoundTrip) {
  CJToolBarParam set = MakeSet(std::vector<int>(1000, 100));
  std::mt19937 random(7);
  std::string flags(100000, '0');
  for (char& f : flags) f = random() % 3 ? '1' : '0';
  Select(set, flags);
  const CString saved = set.GetSelCString(0);
  Select(set, std::string(100000, '0'));
  set.SetSelByCString(saved);
  EXPECT_EQ(SelectedFlags(set), flags);
}

TEST(Selection, ByLockNumber) {
  CJToolBarParam set = MakeSet({2, 3});
  set[0][0].m_nLock = 3;
  set[0][1].m_nLock = -1;
  set[1][0].m_nLock = 1;
  set[1][1].m_nLock = 3;
  set[1][2].m_nLock = 5;
  Select(set, "11100");

  CArray<int, int> flags;
  flags.Add(9);
  set.GetLockBOOL(flags);
  // Lock 3 is named twice: the later, unselected button wins.
  ASSERT_EQ(flags.GetSize(), 6);
  const int expected[] = {0, 1, 0, 0, 0, 0};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(flags[i], expected[i]) << "index " << i;

  CArray<int, int> back;
  for (int v : {1, 0, 1, 0}) back.Add(v);
  set.SetLockBOOL(back);
  EXPECT_EQ(SelectedFlags(set), "01000") << "lock -1 and lock 5 (beyond the array) keep their flags";
  set.SetSelByCString(5);
  EXPECT_EQ(SelectedFlags(set), "01001");
  set.SetSelByCString(3);
  EXPECT_EQ(SelectedFlags(set), "11011");

  EXPECT_EQ(set.GetButtonByLock(3).m_strName, L"b1");
  EXPECT_EQ(set.GetButtonByLock(5).m_strName, L"b5");
  CJButtonParam none = set.GetButtonByLock(7);
  EXPECT_TRUE(none.m_strName.IsEmpty());
  EXPECT_EQ(none.m_nLock, -1);
}

TEST(Selection, LockArrayOfAThirdLockAndNone) {
  CJToolBarParam set = MakeSet({2});
  set[0][0].m_nLock = 3;
  set[0][0].m_bSelected = 1;
  CArray<int, int> flags;
  set.GetLockBOOL(flags);
  ASSERT_EQ(flags.GetSize(), 4);
  EXPECT_EQ(flags[0] + flags[1] + flags[2], 0);
  EXPECT_EQ(flags[3], 1);
}

}  // namespace
