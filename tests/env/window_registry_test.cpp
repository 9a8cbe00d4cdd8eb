#include <gtest/gtest.h>

#include "env/globe_test_access.h"
#include "support/test_support.h"

namespace {

int g_deleted = 0;

// A heap window that counts its deletion.
class CountedWnd : public CWnd {
 public:
  CountedWnd() {
    RECT r = {0, 0, 10, 10};
    CreateEx(0, L"KavroTestWnd", L"counted", 0, r, nullptr, 0);
  }
  ~CountedWnd() override { ++g_deleted; }
};

class WindowRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { g_deleted = 0; }
  CSTDGlobeInfo globe;  // a local object: its registry is its own
};

TEST_F(WindowRegistryTest, KeysJoinThePartsAndUniqueKeysCount) {
  CountedWnd* a = new CountedWnd;
  EXPECT_EQ(globe.WndGetKey(L"A", L"B", TRUE), L"A_B");
  globe.WndSetAt(L"A", L"B", a);
  EXPECT_EQ(globe.WndGetKey(L"A", L"B", TRUE), L"A_B_0");
  globe.WndSetAt(L"A_B", L"0", a);
  EXPECT_EQ(globe.WndGetKey(L"A", L"B", TRUE), L"A_B_1");
  EXPECT_EQ(globe.WndGetKey(L"A", L"B", FALSE), L"A_B");
  // "A_B" + "Z" and "A" + "B_Z" are one key.
  globe.WndSetAt(L"A_B", L"Z", a);
  EXPECT_EQ(globe.WndLookUp(L"A", L"B_Z"), a);
  EXPECT_EQ(globe.WndLookUp(L"a", L"b"), nullptr);  // case-sensitive
  globe.Close();
  EXPECT_EQ(g_deleted, 1);  // one window under three keys is deleted once
}

TEST_F(WindowRegistryTest, SetAtNullKeepsTheEntryAndReplacingKeepsTheOldWindow) {
  CountedWnd* a = new CountedWnd;
  CountedWnd* b = new CountedWnd;
  globe.WndSetAt(L"Dlg", L"1", a);
  globe.WndSetAt(L"Dlg", L"1", nullptr);
  EXPECT_EQ(globe.WndLookUp(L"Dlg", L"1"), a);
  globe.WndSetAt(L"Dlg", L"1", b);
  EXPECT_EQ(globe.WndLookUp(L"Dlg", L"1"), b);
  EXPECT_TRUE(IsWindow(a->m_hWnd));
  EXPECT_EQ(g_deleted, 0);
  globe.WndRemoveKey(L"Dlg", L"1");
  EXPECT_EQ(globe.WndLookUp(L"Dlg", L"1"), nullptr);
  EXPECT_TRUE(IsWindow(b->m_hWnd));
  delete a;
  delete b;
}

TEST_F(WindowRegistryTest, DestroyLeavesTheObjectCloseDeletesIt) {
  CountedWnd* a = new CountedWnd;
  CountedWnd* b = new CountedWnd;
  HWND ha = a->m_hWnd, hb = b->m_hWnd;
  globe.WndSetAt(L"Pal", L"x", a);
  globe.WndSetAt(L"Pal", L"y", b);
  globe.WndDestroy(L"Pal", L"x");
  EXPECT_FALSE(IsWindow(ha));
  EXPECT_EQ(globe.WndLookUp(L"Pal", L"x"), nullptr);
  EXPECT_EQ(g_deleted, 0);
  globe.WndDestroy(L"Pal", L"missing");  // nothing there: nothing happens
  delete a;
  EXPECT_EQ(g_deleted, 1);

  globe.Close();
  EXPECT_FALSE(IsWindow(hb));
  EXPECT_EQ(g_deleted, 2);
  EXPECT_EQ(globe.WndLookUp(L"Pal", L"y"), nullptr);
  globe.Close();  // an empty registry with no mutex: nothing to do, twice
  EXPECT_EQ(g_deleted, 2);
}

}  // namespace
