// Edit and list-box controls: their messages, the MFC members over them,
// and what a destroyed control answers.
#include <gtest/gtest.h>

#include "KavroStd/platform/windows.h"

namespace {

class ControlsTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dialog_.Create(100u)); }
  CDialog dialog_;
  const RECT rect_{0, 0, 100, 100};
};

TEST_F(ControlsTest, EditKeepsItsTextAsTheWindowText) {
  CEdit edit;
  ASSERT_TRUE(edit.Create(WS_VISIBLE | ES_MULTILINE, rect_, &dialog_, 1001));
  EXPECT_EQ(dialog_.GetDlgItem(1001)->m_hWnd, edit.m_hWnd);
  EXPECT_TRUE(edit.GetStyle() & WS_CHILD);
  edit.SetWindowText(L"line 1\r\nline 2 \u4e2d");
  CString text;
  edit.GetWindowText(text);
  EXPECT_STREQ(L"line 1\r\nline 2 \u4e2d", text.GetString());
  EXPECT_EQ(16, ::GetWindowTextLengthW(edit));
  CEdit orphan;
  EXPECT_FALSE(orphan.Create(0, rect_, nullptr, 1));
}

TEST_F(ControlsTest, ListBoxMessagesAndMembersAgree) {
  CListBox list;
  ASSERT_TRUE(list.Create(WS_VISIBLE, rect_, &dialog_, 1002));
  HWND h = list.m_hWnd;
  EXPECT_EQ(0, ::SendMessageW(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"one")));
  EXPECT_EQ(1, list.AddString(L"two"));
  EXPECT_EQ(2, list.AddString(L""));
  EXPECT_EQ(0, list.InsertString(0, L"zero"));
  EXPECT_EQ(4, ::SendMessageW(h, LB_GETCOUNT, 0, 0));
  EXPECT_EQ(4, list.GetCount());

  wchar_t buffer[8];
  EXPECT_EQ(3, ::SendMessageW(h, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(buffer)));
  EXPECT_STREQ(L"one", buffer);
  EXPECT_EQ(4, ::SendMessageW(h, LB_GETTEXTLEN, 0, 0));
  CString item;
  list.GetText(2, item);
  EXPECT_STREQ(L"two", item.GetString());
  list.GetText(3, item);
  EXPECT_TRUE(item.IsEmpty());

  // Bad indexes
  EXPECT_EQ(LB_ERR, list.GetTextLen(4));
  EXPECT_EQ(LB_ERR, list.GetTextLen(-1));
  EXPECT_EQ(LB_ERR, list.GetText(9, buffer));
  EXPECT_EQ(LB_ERR, list.DeleteString(4));
  EXPECT_EQ(LB_ERR, list.InsertString(7, L"x"));
  EXPECT_EQ(LB_ERR, list.AddString(nullptr));
  list.GetText(9, item);
  EXPECT_TRUE(item.IsEmpty());

  // The selection follows its item and goes with it.
  EXPECT_EQ(LB_ERR, list.GetCurSel());
  EXPECT_EQ(2, list.SetCurSel(2));
  EXPECT_EQ(3, list.DeleteString(0));
  EXPECT_EQ(1, list.GetCurSel());
  EXPECT_EQ(2, list.DeleteString(1));
  EXPECT_EQ(LB_ERR, list.GetCurSel());
  EXPECT_EQ(LB_ERR, list.SetCurSel(5));
  EXPECT_EQ(0, list.SetCurSel(0));
  EXPECT_EQ(LB_ERR, list.SetCurSel(-1));
  EXPECT_EQ(LB_ERR, list.GetCurSel());

  list.ResetContent();
  EXPECT_EQ(0, list.GetCount());
  // Window text is still the window's own.
  list.SetWindowText(L"caption");
  CString caption;
  list.GetWindowText(caption);
  EXPECT_STREQ(L"caption", caption.GetString());
}

TEST_F(ControlsTest, SortedListBoxInsertsInOrderWithoutRegardToCase) {
  CListBox list;
  ASSERT_TRUE(list.Create(LBS_SORT, rect_, &dialog_, 1003));
  for (const wchar_t* s : {L"pear", L"Apple", L"banana", L"apple", L"Cherry"}) list.AddString(s);
  const wchar_t* want[] = {L"Apple", L"apple", L"banana", L"Cherry", L"pear"};
  ASSERT_EQ(5, list.GetCount());
  for (int i = 0; i < 5; ++i) {
    CString item;
    list.GetText(i, item);
    EXPECT_STREQ(want[i], item.GetString()) << "index " << i;
  }
  // InsertString does not sort.
  EXPECT_EQ(0, list.InsertString(0, L"zzz"));
}

TEST_F(ControlsTest, DestroyedControlsAnswerNothing) {
  CListBox list;
  ASSERT_TRUE(list.Create(0, rect_, &dialog_, 1004));
  list.AddString(L"a");
  HWND h = list.m_hWnd;
  dialog_.DestroyWindow();
  EXPECT_FALSE(::IsWindow(h));
  EXPECT_EQ(nullptr, list.m_hWnd);
  EXPECT_EQ(0, ::SendMessageW(h, LB_GETCOUNT, 0, 0));
  EXPECT_EQ(0, list.GetCount());
}

}  // namespace
