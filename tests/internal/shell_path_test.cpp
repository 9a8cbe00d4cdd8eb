// The shell path functions the library uses in place of the MAX_PATH
// forms: the same results for paths of any length.
#include <gtest/gtest.h>

#include <string>

#include "KavroStd/platform/shlwapi.h"
#include "platform/shell/shell_path_internal.h"

namespace {

using kavro::platform::KvPathCanonicalize;
using kavro::platform::KvPathRelativePathTo;

TEST(ShellPathInternal, CanonicalizeHasNoLengthLimit) {
  const std::wstring longPath = L"C:\\" + std::wstring(300, L'x');
  WCHAR out[MAX_PATH];
  EXPECT_FALSE(PathCanonicalizeW(out, longPath.c_str()));
  std::wstring unlimited;
  ASSERT_TRUE(KvPathCanonicalize((longPath + L"\\y\\..").c_str(), unlimited));
  EXPECT_EQ(longPath, unlimited);
  // Short paths give what the Win32 form gives.
  ASSERT_TRUE(PathCanonicalizeW(out, L"a\\..\\..\\b"));
  ASSERT_TRUE(KvPathCanonicalize(L"a\\..\\..\\b", unlimited));
  EXPECT_EQ(std::wstring(out), unlimited);
  EXPECT_FALSE(KvPathCanonicalize(nullptr, unlimited));
  EXPECT_TRUE(unlimited.empty());
}

TEST(ShellPathInternal, RelativePathHasNoLengthLimit) {
  const DWORD dir = FILE_ATTRIBUTE_DIRECTORY;
  const std::wstring deep = std::wstring(300, L'd');
  WCHAR out[MAX_PATH];
  EXPECT_FALSE(PathRelativePathToW(out, L"C:\\a", dir, (L"C:\\a\\" + deep + L"\\c.txt").c_str(), 0));
  std::wstring unlimited;
  ASSERT_TRUE(KvPathRelativePathTo(L"C:\\a", dir, (L"C:\\a\\" + deep + L"\\c.txt").c_str(), 0, unlimited));
  EXPECT_EQ(L".\\" + deep + L"\\c.txt", unlimited);
  ASSERT_TRUE(KvPathRelativePathTo((L"C:\\" + deep + L"\\x").c_str(), dir, L"C:\\b", dir, unlimited));
  EXPECT_EQ(L"..\\..\\b", unlimited);
  EXPECT_FALSE(KvPathRelativePathTo(L"C:\\a", dir, L"D:\\a", dir, unlimited));
  EXPECT_TRUE(unlimited.empty());
}

}  // namespace
