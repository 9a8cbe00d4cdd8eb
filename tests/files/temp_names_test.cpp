#include <stdlib.h>

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace {

using kavro::test::TempDir;
using kavro::test::WriteBytes;

// Points TMPDIR at a test folder for the test's life.
class ScopedTmpDir {
 public:
  explicit ScopedTmpDir(const std::string& value) {
    const char* old = getenv("TMPDIR");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TMPDIR", value.c_str(), 1);
  }
  ~ScopedTmpDir() {
    if (had_) setenv("TMPDIR", old_.c_str(), 1);
    else unsetenv("TMPDIR");
  }

 private:
  bool had_ = false;
  std::string old_;
};

TEST(TempNames, NumbersGoInFrontOfTheNameUntilOneIsFree) {
  TempDir dir;
  ScopedTmpDir tmp(dir.path());
  CString t = dir.Win();
  EXPECT_EQ(CStringOpr::GetTempFilePath(CString(), TRUE), t);
  EXPECT_EQ(CStringOpr::GetTempFilePath(L"a.tmp", TRUE), t + L"a.tmp");
  WriteBytes(dir.Sub("a.tmp"), "");
  EXPECT_EQ(CStringOpr::GetTempFilePath(L"a.tmp", TRUE), t + L"1a.tmp");
  EXPECT_EQ(CStringOpr::GetTempFilePath(L"a.tmp", FALSE), t + L"a.tmp");
  WriteBytes(dir.Sub("1a.tmp"), "");
  EXPECT_EQ(CStringOpr::GetTempFilePath(L"a.tmp", TRUE), t + L"2a.tmp");
}

TEST(TempNames, AllTakenGivesTheLastTried) {
  TempDir dir;
  ScopedTmpDir tmp(dir.path());
  WriteBytes(dir.Sub("r"), "");
  for (int i = 1; i < 1000; ++i) WriteBytes(dir.Sub(std::to_string(i) + "r"), "");
  EXPECT_EQ(CStringOpr::GetTempFilePath(L"r", TRUE), dir.Win() + L"999r");
}

}  // namespace
