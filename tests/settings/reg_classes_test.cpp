// CRegOpr and CReg over a private registry store.
#include <gtest/gtest.h>

#include <string>

#include "KavroStd/KavroStd.h"
#include "support/registry_scope.h"

namespace {

using kavro::test::ScopedRegistry;

TEST(CRegOpr, HoldsOneKey) {
  ScopedRegistry store;
  CRegOpr key;
  EXPECT_EQ(0, key.Close()) << "nothing held";
  EXPECT_EQ(nullptr, static_cast<HKEY>(key));
  DWORD how = 0;
  ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, L"Software\\Kavro\\One", nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_ALL_ACCESS, nullptr, &how));
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), how);
  HKEY first = key;
  // A failed open keeps the key; a good one closes it first.
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.Open(HKEY_CURRENT_USER, L"Software\\Missing"));
  EXPECT_EQ(first, static_cast<HKEY>(key));
  ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, L"Software\\Kavro"));
  EXPECT_NE(first, static_cast<HKEY>(key));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(first)) << "the old key was closed";

  // "abc" is 8 bytes: three characters and the zero, two bytes each.
  ASSERT_EQ(ERROR_SUCCESS, key.SetValue(L"abc", L"Text"));
  ASSERT_EQ(ERROR_SUCCESS, key.SetValue(L"default"));
  ASSERT_EQ(ERROR_SUCCESS, key.SetValue(DWORD(7), L"Number"));
  DWORD type = 0, size = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"Text", nullptr, &type, nullptr, &size));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(8u, size);
  wchar_t text[16];
  size = sizeof text / 2;
  ASSERT_EQ(ERROR_SUCCESS, key.QueryValue(text, nullptr, &size));
  EXPECT_EQ(std::wstring(L"default"), text);
  EXPECT_EQ(16u, size);
  size = 4;
  EXPECT_EQ(ERROR_MORE_DATA, key.QueryValue(text, L"Text", &size));
  DWORD number = 0;
  ASSERT_EQ(ERROR_SUCCESS, key.QueryValue(number, L"Number"));
  EXPECT_EQ(7u, number);
  // The 4-byte form does not look at the type.
  ASSERT_EQ(ERROR_SUCCESS, key.SetValue(L"a", L"Four"));
  ASSERT_EQ(ERROR_SUCCESS, key.QueryValue(number, L"Four"));
  EXPECT_EQ(0x61u, number);
  EXPECT_EQ(ERROR_MORE_DATA, key.QueryValue(number, L"Text"));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"Pair", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"\U0001F600"), 4));
  ASSERT_EQ(ERROR_SUCCESS, key.QueryValue(number, L"Pair"));
  EXPECT_EQ(0xDE00D83Du, number) << "the four UTF-16 bytes of the pair";

  EXPECT_EQ(ERROR_SUCCESS, key.SetKeyValue(L"Sub\\Leaf", L"leaf", L"Name"));
  EXPECT_EQ(ERROR_SUCCESS, CRegOpr::SetValue(HKEY_CURRENT_USER, L"Software\\Kavro\\Sub", L"sub"));
  CString read;
  EXPECT_EQ(ERROR_SUCCESS, CReg::QueryValueEx(HKEY_CURRENT_USER, L"Software\\Kavro\\Sub\\Leaf", L"Name", read, 0));
  EXPECT_EQ(CString(L"leaf"), read);
  EXPECT_EQ(ERROR_SUCCESS, CReg::QueryValueEx(HKEY_CURRENT_USER, L"Software\\Kavro\\Sub", nullptr, read, 0));
  EXPECT_EQ(CString(L"sub"), read);

  EXPECT_EQ(ERROR_SUCCESS, key.DeleteValue(L"Four"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.DeleteValue(L"Four"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, key.DeleteSubKey(L"Sub")) << "it has a subkey";
  EXPECT_EQ(ERROR_SUCCESS, key.RecurseDeleteKey(L"Sub"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.RecurseDeleteKey(L"Sub"));

  // Attach and Detach neither open nor close.
  HKEY held = key.Detach();
  EXPECT_EQ(nullptr, static_cast<HKEY>(key));
  CRegOpr other;
  other.Attach(held);
  EXPECT_EQ(ERROR_SUCCESS, other.SetValue(DWORD(1), L"Attached"));
  EXPECT_EQ(ERROR_SUCCESS, other.Close());
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(held));
}

TEST(CReg, QueriesAndSetsInOneCall) {
  ScopedRegistry store;
  ASSERT_EQ(ERROR_SUCCESS, CReg::SetValue(HKEY_CURRENT_USER, L"Software\\Kavro", L"Zhōngwén \u4e2d\U0001F600", L"T", 0));
  CString text = L"old";
  ASSERT_EQ(ERROR_SUCCESS, CReg::QueryValueEx(HKEY_CURRENT_USER, L"Software\\Kavro", L"T", text, 0));
  EXPECT_EQ(CString(L"Zhōngwén \u4e2d\U0001F600"), text);
  ASSERT_EQ(ERROR_SUCCESS, CReg::SetValue(HKEY_CURRENT_USER, L"Software\\Kavro", 42, L"N", 1));
  CRegOpr key;
  ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, L"Software\\Kavro", KEY_READ));
  DWORD n = 0;
  ASSERT_EQ(ERROR_SUCCESS, key.QueryValue(n, L"N"));
  EXPECT_EQ(42u, n);
  key.Close();

  text = L"kept";
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, CReg::QueryValueEx(HKEY_CURRENT_USER, L"Software\\Nowhere", L"T", text, 0));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, CReg::QueryValueEx(HKEY_CURRENT_USER, L"Software\\Kavro", L"Missing", text, 0));
  EXPECT_EQ(CString(L"kept"), text);

  // DelValue makes a missing key and reports 0.
  EXPECT_EQ(ERROR_SUCCESS, CReg::DelValue(HKEY_CURRENT_USER, L"Software\\Made", L"none", 0));
  EXPECT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, L"Software\\Made", KEY_READ));
  EXPECT_EQ(ERROR_SUCCESS, CReg::DelValue(HKEY_CURRENT_USER, L"Software\\Kavro", L"N", 0));
  ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, L"Software\\Kavro", KEY_READ));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.QueryValue(n, L"N"));
}

TEST(CReg, ReadsTextOfAnyLength_UsedToFailPast260Bytes) {
  ScopedRegistry store;
  CString longText;
  for (int i = 0; i < 5000; ++i) longText += static_cast<wchar_t>(L'a' + i % 26);
  ASSERT_EQ(ERROR_SUCCESS, CReg::SetValue(HKEY_CURRENT_USER, L"Software\\Kavro", longText, L"Long", 0));
  CString text;
  ASSERT_EQ(ERROR_SUCCESS, CReg::QueryValueEx(HKEY_CURRENT_USER, L"Software\\Kavro", L"Long", text, 0));
  EXPECT_EQ(longText, text);
}

TEST(CReg, StopsAtTheEndOfTextWithoutItsZero_UsedToReadPastIt) {
  ScopedRegistry store;
  CRegOpr key;
  ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, L"Software\\Kavro"));
  // An odd last byte is a character of its own, as the half unit reads in a
  // zeroed buffer on Windows.
  const struct {
    const wchar_t* name;
    DWORD bytes;
    const wchar_t* expected;
  } rows[] = {{L"Bare", 6, L"abc"}, {L"Odd", 5, L"abc"}, {L"One", 2, L"a"}, {L"None", 0, L""},
              {L"Long", 2000, nullptr}};
  std::wstring source(1000, L'z');
  source.replace(0, 3, L"abc");
  for (const auto& row : rows) {
    SCOPED_TRACE(kavro::test::Utf8(row.name));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key, row.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(source.data()), row.bytes));
    CString text = L"x";
    ASSERT_EQ(ERROR_SUCCESS, CReg::QueryValueEx(HKEY_CURRENT_USER, L"Software\\Kavro", row.name, text, 0));
    EXPECT_EQ(row.expected ? std::wstring(row.expected) : source, std::wstring(text.GetString()));
  }
}

TEST(CReg, ListsSubkeysInRegistryOrder_UsedToStopAtLongNames) {
  ScopedRegistry store;
  const std::wstring longName(200, L'L');
  for (const std::wstring& name : {std::wstring(L"B"), std::wstring(L"A"), longName, std::wstring(L"Z")})
    ASSERT_EQ(ERROR_SUCCESS, CReg::SetValue(HKEY_CURRENT_USER, (L"Software\\List\\" + name).c_str(), L"v", L"n", 0));
  CStringArray names;
  names.Add(L"stale");
  EXPECT_EQ(1, CReg::enumKeyName(HKEY_CURRENT_USER, L"Software\\List", names, 0));
  ASSERT_EQ(4, names.GetSize());
  EXPECT_EQ(CString(L"A"), names[0]);
  EXPECT_EQ(CString(L"B"), names[1]);
  EXPECT_EQ(CString(longName.c_str()), names[2]);
  EXPECT_EQ(CString(L"Z"), names[3]) << "the key after the long name is listed";
  CStringArray untouched;
  untouched.Add(L"keep");
  EXPECT_EQ(0, CReg::enumKeyName(HKEY_CURRENT_USER, L"Software\\Missing", untouched, 0));
  ASSERT_EQ(1, untouched.GetSize());
  EXPECT_EQ(CString(L"keep"), untouched[0]);
}

TEST(CReg, DeletesWholeSubtrees) {
  ScopedRegistry store;
  for (const wchar_t* path : {L"Software\\Tree\\A\\B\\C", L"Software\\Tree\\A\\D", L"Software\\Tree\\E",
                              L"Software\\Keep"})
    ASSERT_EQ(ERROR_SUCCESS, CReg::SetValue(HKEY_CURRENT_USER, path, 1, L"v", 0));
  EXPECT_EQ(ERROR_SUCCESS, CReg::DelTreeKey(HKEY_CURRENT_USER, L"Software\\Tree", 0));
  CStringArray names;
  EXPECT_EQ(0, CReg::enumKeyName(HKEY_CURRENT_USER, L"Software\\Tree", names, 0));
  EXPECT_EQ(1, CReg::enumKeyName(HKEY_CURRENT_USER, L"Software", names, 0));
  ASSERT_EQ(1, names.GetSize());
  EXPECT_EQ(CString(L"Keep"), names[0]);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, CReg::DelTreeKey(HKEY_CURRENT_USER, L"Software\\Tree", 0));
  // The root handle stays open; the 64-bit flag is the default view here.
  EXPECT_EQ(ERROR_SUCCESS, CReg::SetValue(HKEY_LOCAL_MACHINE, L"Software\\Vendor\\X", L"v", L"n", 1));
  EXPECT_EQ(ERROR_SUCCESS, CReg::DelTreeKey(HKEY_LOCAL_MACHINE, L"Software\\Vendor", 1));
  EXPECT_EQ(ERROR_SUCCESS, CReg::SetValue(HKEY_CURRENT_USER, L"Software\\Keep", L"still", L"v", 2));
}

}  // namespace
