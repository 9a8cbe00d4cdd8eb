#include <gtest/gtest.h>

#include <cwctype>
#include <set>
#include <string>

#include "support/test_support.h"

namespace {

std::wstring Text(const UUID& id) {
  RPC_WSTR text = nullptr;
  EXPECT_EQ(UuidToStringW(&id, &text), RPC_S_OK);
  std::wstring out = text ? text : L"";
  EXPECT_EQ(RpcStringFreeW(&text), RPC_S_OK);
  EXPECT_EQ(text, nullptr);
  return out;
}

TEST(Uuid, CreatesDistinctVersion4Texts) {
  std::set<std::wstring> seen;
  for (int i = 0; i < 200; ++i) {
    UUID id;
    ASSERT_EQ(UuidCreate(&id), RPC_S_OK);
    std::wstring text = Text(id);
    SCOPED_TRACE(kavro::test::Utf8(CString(text.c_str())));
    ASSERT_EQ(text.size(), 36u);
    for (size_t k = 0; k < text.size(); ++k) {
      if (k == 8 || k == 13 || k == 18 || k == 23) {
        EXPECT_EQ(text[k], L'-');
      } else {
        EXPECT_TRUE(iswxdigit(text[k]) && !iswupper(text[k]));
      }
    }
    EXPECT_EQ(text[14], L'4');
    EXPECT_NE(std::wstring(L"89ab").find(text[19]), std::wstring::npos);
    seen.insert(text);
  }
  EXPECT_EQ(seen.size(), 200u);
}

TEST(Uuid, TextFormWritesTheFieldsAsNumbers) {
  UUID id = {0x01234567, 0x89AB, 0xCDEF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};
  EXPECT_EQ(Text(id), L"01234567-89ab-cdef-fedc-ba9876543210");
  UUID back = {};
  std::wstring upper = L"01234567-89AB-CDEF-FEDC-BA9876543210";
  ASSERT_EQ(UuidFromStringW(upper.data(), &back), RPC_S_OK);
  EXPECT_EQ(back.Data1, id.Data1);
  EXPECT_EQ(back.Data2, id.Data2);
  EXPECT_EQ(back.Data3, id.Data3);
  EXPECT_EQ(std::wstring(Text(back)), Text(id));
}

TEST(Uuid, BadInput) {
  const wchar_t* bad[] = {
      L"01234567-89ab-cdef-fedc-ba987654321",    // short
      L"01234567-89ab-cdef-fedc-ba98765432100",  // long
      L"01234567x89ab-cdef-fedc-ba9876543210",
      L"0123456g-89ab-cdef-fedc-ba9876543210",
      L"{1234567-89ab-cdef-fedc-ba9876543210",
  };
  for (const wchar_t* text : bad) {
    SCOPED_TRACE(kavro::test::Utf8(text));
    UUID id;
    std::wstring copy = text;
    EXPECT_EQ(UuidFromStringW(copy.data(), &id), RPC_S_INVALID_STRING_UUID);
  }
  UUID nil = {1, 2, 3, {4}};
  EXPECT_EQ(UuidFromStringW(nullptr, &nil), RPC_S_OK);
  EXPECT_EQ(Text(nil), L"00000000-0000-0000-0000-000000000000");
  EXPECT_EQ(UuidCreate(nullptr), RPC_S_INVALID_ARG);
  RPC_WSTR text;
  EXPECT_EQ(UuidToStringW(nullptr, &text), RPC_S_INVALID_ARG);
  EXPECT_EQ(UuidToStringW(&nil, nullptr), RPC_S_INVALID_ARG);
  RPC_WSTR none = nullptr;
  EXPECT_EQ(RpcStringFreeW(&none), RPC_S_OK);
}

}  // namespace
