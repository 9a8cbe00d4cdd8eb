#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

SIZE IconSize(HICON icon) {
  ICONINFO info = {};
  SIZE size = {0, 0};
  if (!GetIconInfo(icon, &info)) return size;
  BITMAP bm = {};
  if (GetObjectW(info.hbmColor, sizeof(bm), &bm)) size = {bm.bmWidth, bm.bmHeight};
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return size;
}

TEST(CompanyIcon, SharedAtTheSystemSizeOrNewAtAnyOther) {
  CSTDGlobeInfo* globe = STDGlobeInfo();
  HICON shared = globe->GetCompanyIcon(-1);
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(globe->GetCompanyIcon(-1), shared);  // the same shared icon each time
  SIZE s = IconSize(shared);
  EXPECT_EQ(s.cx, GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(s.cy, GetSystemMetrics(SM_CYICON));

  for (int size : {16, 32, 48}) {
    SCOPED_TRACE(size);
    HICON own = globe->GetCompanyIcon(size);
    ASSERT_NE(own, nullptr);
    EXPECT_NE(own, shared);
    SIZE o = IconSize(own);
    EXPECT_EQ(o.cx, size);
    EXPECT_EQ(o.cy, size);
    EXPECT_TRUE(DestroyIcon(own));
    EXPECT_FALSE(DestroyIcon(own));  // gone: a second destroy fails
  }
  // Destroying the shared icon does nothing to it.
  DestroyIcon(shared);
  EXPECT_EQ(IconSize(shared).cx, GetSystemMetrics(SM_CXICON));
}

TEST(CompanyIcon, BothIconGroupsAreCarried) {
  HINSTANCE library = STDGlobeInfo()->GetInstanceHandle();
  ASSERT_NE(library, nullptr);
  EXPECT_NE(FindResourceW(library, MAKEINTRESOURCEW(128), RT_GROUP_ICON), nullptr);
  EXPECT_NE(FindResourceW(library, MAKEINTRESOURCEW(129), RT_GROUP_ICON), nullptr);
  EXPECT_EQ(FindResourceW(library, MAKEINTRESOURCEW(130), RT_GROUP_ICON), nullptr);
}

}  // namespace
