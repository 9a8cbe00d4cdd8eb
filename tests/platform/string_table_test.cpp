// String tables: the RT_STRING block format, LoadStringW and the MFC string
// loaders on top of it.
#include <dlfcn.h>

#include <string>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

using kavro::test::Utf8;

// A module with no other resources to disturb: the test program itself.
class StringTableTest : public ::testing::Test {
 protected:
  void TearDown() override { KvUnregisterResources(nullptr); }
};

std::string BlockBytes(UINT block) {
  HRSRC r = FindResourceW(nullptr, MAKEINTRESOURCEW(block), RT_STRING);
  if (!r) return "<none>";
  return std::string(static_cast<const char*>(LockResource(LoadResource(nullptr, r))), SizeofResource(nullptr, r));
}

TEST_F(StringTableTest, BlocksHoldSixteenCountedUtf16Strings) {
  ASSERT_TRUE(KvRegisterString(nullptr, 17, L"A"));
  ASSERT_TRUE(KvRegisterString(nullptr, 19, L"\U0001F600z"));  // a surrogate pair and one unit
  // Ids 16-31 are block 2: the counts of 16, 18 and 20-31 are zero.
  std::string expected = std::string("\0\0\1\0A\0\0\0\3\0\x3D\xD8\x00\xDE" "z\0", 16) + std::string(24, '\0');
  EXPECT_EQ(expected, BlockBytes(2));
  EXPECT_EQ("<none>", BlockBytes(1));
}

TEST_F(StringTableTest, LoadStringWCopiesCutsAndHandsOutAPointer) {
  ASSERT_TRUE(KvRegisterString(nullptr, 100, L"Layer settings"));
  ASSERT_TRUE(KvRegisterString(nullptr, 101, L""));
  wchar_t buffer[32];
  struct Row {
    int size;
    int count;
    const wchar_t* text;
  } rows[] = {{32, 14, L"Layer settings"}, {15, 14, L"Layer settings"}, {6, 5, L"Layer"}, {1, 0, L""}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.size);
    wmemset(buffer, L'#', 32);
    EXPECT_EQ(row.count, LoadStringW(nullptr, 100, buffer, row.size));
    EXPECT_STREQ(row.text, buffer);
  }
  const wchar_t* pointer = nullptr;
  EXPECT_EQ(14, LoadStringW(nullptr, 100, reinterpret_cast<LPWSTR>(&pointer), 0));
  EXPECT_EQ(std::wstring(L"Layer settings"), std::wstring(pointer, 14));

  // An empty entry and a missing one are no string.
  buffer[0] = L'#';
  EXPECT_EQ(0, LoadStringW(nullptr, 101, buffer, 32));
  EXPECT_EQ(L'\0', buffer[0]);
  SetLastError(0);
  EXPECT_EQ(0, LoadStringW(nullptr, 500, buffer, 32));
  EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
  EXPECT_EQ(0, LoadStringW(nullptr, 100, nullptr, 32));
  EXPECT_FALSE(KvRegisterString(nullptr, 0x10000, L"x"));
  EXPECT_FALSE(KvRegisterString(nullptr, 5, nullptr));
}

TEST_F(StringTableTest, CStringLoadsThroughTheGenericNameAndFromAResourceNumber) {
  ASSERT_TRUE(KvRegisterString(nullptr, 7, L"\u56FE\u5C42"));
  CString text = L"unchanged";
  EXPECT_FALSE(text.LoadString(8));
  EXPECT_EQ(CString(L"unchanged"), text);
  EXPECT_TRUE(text.LoadString(7));  // LoadString is the LoadStringW member
  EXPECT_EQ(CString(L"\u56FE\u5C42"), text);
  EXPECT_TRUE(text.LoadStringW(AfxGetResourceHandle(), 7));
  EXPECT_EQ(CString(L"\u56FE\u5C42"), CString(reinterpret_cast<LPCTSTR>(7)));
  EXPECT_EQ(CString(L"\u56FE\u5C42"), CString(MAKEINTRESOURCE(7)));
  EXPECT_EQ(CString(), CString(MAKEINTRESOURCE(9)));
  kavro::test::ScopedAcp gbk(936);
  CStringA bytes;
  EXPECT_TRUE(bytes.LoadString(7));
  EXPECT_EQ(CStringA("\xCD\xBC\xB2\xE3"), bytes);
}

TEST_F(StringTableTest, AnExtensionModuleOnTheResourceChainLendsItsStrings) {
  HMODULE library = KvModuleHandleOf(dlsym(RTLD_DEFAULT, "LoadStringW"));
  ASSERT_NE(nullptr, library);
  ASSERT_TRUE(KvRegisterString(library, 4242, L"from the library"));
  CString text;
  {
    CDynLinkLibrary link(library, library);
    EXPECT_TRUE(text.LoadString(4242));
    EXPECT_EQ(CString(L"from the library"), text);
    wchar_t buffer[8];
    EXPECT_EQ(0, LoadStringW(nullptr, 4242, buffer, 8));  // the Win32 call asks one module only
  }
  // The block stays: the library's own resources are not unregistered here.
  ASSERT_TRUE(KvRegisterString(library, 4242, L""));
}

}  // namespace
