// MFC's diagnostics as a debug build of a module has them (_DEBUG defined).
#define _DEBUG 1

#include <vector>

#include <gtest/gtest.h>

#include "support/test_support.h"

#define new DEBUG_NEW
#undef THIS_FILE
[[maybe_unused]] static char THIS_FILE[] = __FILE__;

namespace {

class Layer : public CObject {
 public:
  explicit Layer(int count) : count_(count) {}
  void AssertValid() const override {
    CObject::AssertValid();
    ASSERT(count_ >= 0);
  }

 private:
  int count_;
};

TEST(AfxDebugBuild, FailedAssertionReportsFileLineAndExpressionThenAborts) {
  int limit = 2;
  EXPECT_DEATH(ASSERT(limit > 3), "afx_debug_build_test\\.cpp\\([0-9]+\\): Assertion failed: limit > 3");
  EXPECT_DEATH(VERIFY(limit == 0), "Assertion failed: limit == 0");
  ASSERT(limit == 2);
  VERIFY(++limit == 3);
  EXPECT_EQ(3, limit);
}

TEST(AfxDebugBuild, AssertValidChecksPointerAndObject) {
  Layer good(1), bad(-1);
  ASSERT_VALID(&good);
  EXPECT_DEATH(ASSERT_VALID(&bad), "Assertion failed: count_ >= 0");
  Layer* none = nullptr;
  EXPECT_DEATH(ASSERT_VALID(none), "Assertion failed");
}

TEST(AfxDebugBuild, TraceFormatsByMicrosoftRulesToStandardErrorInUtf8) {
  testing::internal::CaptureStderr();
  TRACE(_T("%s=%d\n"), L"\u8BBE\u7F6E", 3);
  TRACE0("plain\n");
  TRACE2("%s %ls\n", "narrow", L"wide");
  TRACE(_T("%S|%c|%5.1f\n"), "bytes", L'\u00E9', 2.0);
  EXPECT_EQ("\xE8\xAE\xBE\xE7\xBD\xAE=3\nplain\nnarrow wide\nbytes|\xC3\xA9|  2.0\n",
            testing::internal::GetCapturedStderr());
}

TEST(AfxDebugBuild, DebugNewIsPlainNew) {
  int* value = new int(7);
  std::vector<CString> names;  // placement new inside the library still works
  names.emplace_back(L"x");
  EXPECT_EQ(7, *value);
  delete value;
}

}  // namespace
