// The application object a host constructs, and the module-side calls that
// reach it.
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

using kavro::test::ReadBytes;
using kavro::test::TempDir;

TEST(AfxAppTest, TheFirstApplicationAliveAnswers) {
  EXPECT_EQ(nullptr, AfxGetApp());
  EXPECT_EQ(nullptr, AfxGetMainWnd());
  EXPECT_EQ(nullptr, AfxGetAppName());
  {
    CWinApp app(L"Kavro Host");
    CWnd frame;
    app.m_pMainWnd = &frame;
    EXPECT_EQ(&app, AfxGetApp());
    EXPECT_EQ(&frame, AfxGetMainWnd());
    EXPECT_STREQ(L"Kavro Host", AfxGetAppName());
    EXPECT_EQ(AfxGetInstanceHandle(), app.m_hInstance);
    {
      CWinApp second(L"Second");
      EXPECT_EQ(&app, AfxGetApp());
    }
    EXPECT_EQ(&app, AfxGetApp());
  }
  EXPECT_EQ(nullptr, AfxGetApp());
}

TEST(AfxAppTest, NamesComeFromTheExecutableAndTheProfileIsItsIniFile) {
  TempDir dir;
  char old[4096];
  ASSERT_NE(nullptr, getcwd(old, sizeof old));
  ASSERT_EQ(0, chdir(dir.path().c_str()));
  {
    CWinApp app;
    EXPECT_STREQ(L"kavro_platform_tests", app.m_pszExeName);
    EXPECT_STREQ(L"kavro_platform_tests", app.m_pszAppName);
    EXPECT_STREQ(L"kavro_platform_tests.INI", app.m_pszProfileName);
    EXPECT_TRUE(app.WriteProfileInt(L"Window", L"Width", -640));
    EXPECT_TRUE(app.WriteProfileString(L"Window", L"Title", L"\u56FE\u5C42"));
    EXPECT_EQ(static_cast<UINT>(-640), app.GetProfileInt(L"Window", L"Width", 0));
    EXPECT_EQ(7u, app.GetProfileInt(L"Window", L"Height", 7));
    EXPECT_EQ(CString(L"\u56FE\u5C42"), app.GetProfileString(L"Window", L"Title"));
    EXPECT_EQ(CString(L"none"), app.GetProfileString(L"Window", L"Missing", L"none"));
    CString longValue(L'x', 1000);
    EXPECT_TRUE(app.WriteProfileString(L"Window", L"Long", longValue));
    EXPECT_EQ(longValue, app.GetProfileString(L"Window", L"Long"));
  }
  EXPECT_EQ(0u, ReadBytes(dir.Sub("kavro_platform_tests.INI")).find("[Window]\r\nWidth=-640\r\n"));
  ASSERT_EQ(0, chdir(old));
}

}  // namespace
