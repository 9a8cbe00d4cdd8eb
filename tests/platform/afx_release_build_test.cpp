// MFC's diagnostics as a release build of a module has them (NDEBUG, no
// _DEBUG): nothing is evaluated but VERIFY's expression.
#undef _DEBUG
#ifndef NDEBUG
#define NDEBUG 1
#endif

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

TEST(AfxReleaseBuild, OnlyVerifyEvaluatesItsExpression) {
  int calls = 0;
  auto Count = [&calls] { return ++calls == 0; };  // false whenever called
  testing::internal::CaptureStderr();
  ASSERT(Count());
  ASSERT_VALID(static_cast<CObject*>(nullptr));
  TRACE(_T("%d\n"), Count());
  TRACE0("nothing\n");
  EXPECT_EQ(0, calls);
  VERIFY(Count());
  EXPECT_EQ(1, calls);
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
}

}  // namespace
