#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>

#include "support/test_support.h"

namespace {

using kavro::test::Utf8;

// Sets the ANSI code page for one test and restores the previous one.
class CodePageScope {
 public:
  explicit CodePageScope(UINT codePage) : previous_(GetACP()) { ok_ = KvSetACP(codePage); }
  ~CodePageScope() { KvSetACP(previous_); }
  bool ok() const { return ok_; }

 private:
  UINT previous_;
  bool ok_;
};

TEST(CharToWChar, ConvertsFromTheAnsiCodePage) {
  struct Row {
    UINT codePage;
    std::string bytes;
    CString wide;
  } const rows[] = {
      {936, "", L""},
      {936, "abc 123", L"abc 123"},
      {936, "\xD6\xD0\xCE\xC4", L"\x4E2D\x6587"},        // 中文 in GBK
      {936, "A\xD6\xD0" "B", L"A\x4E2D" L"B"},
      {1252, "caf\xE9", L"caf\xE9"},
      {1252, "\x80", L"\x20AC"},                          // the euro sign
      {65001, "\xE4\xB8\xAD\xF0\x9F\x98\x80", L"\x4E2D\x1F600"},
      {65001, std::string("ab\0cd", 5), L"ab"},           // the text ends at its first zero
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.codePage << " " << Utf8(row.wide));
    CodePageScope scope(row.codePage);
    ASSERT_TRUE(scope.ok());
    CStringA text(row.bytes.data(), static_cast<int>(row.bytes.size()));
    CStringA before = text;
    EXPECT_EQ(CharToWChar(text), row.wide);
    EXPECT_EQ(text, before);
  }
}

TEST(WCharToChar, ConvertsToTheAnsiCodePage) {
  struct Row {
    UINT codePage;
    CString wide;
    std::string bytes;
  } const rows[] = {
      {936, L"", ""},
      {936, L"\x4E2D\x6587", "\xD6\xD0\xCE\xC4"},
      {936, L"x\x0E01y", "x?y"},        // not in GBK: the default character
      {936, L"\x1F600", "?"},
      {1252, L"caf\xE9\x20AC", "caf\xE9\x80"},
      {1252, L"\x4E2D", "?"},
      {65001, L"\x4E2D\x1F600", "\xE4\xB8\xAD\xF0\x9F\x98\x80"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.codePage << " " << Utf8(row.wide));
    CodePageScope scope(row.codePage);
    ASSERT_TRUE(scope.ok());
    CString text = row.wide;
    CStringA bytes = WCharToChar(text);
    EXPECT_EQ(std::string(bytes.GetString(), bytes.GetLength()), row.bytes);
    EXPECT_EQ(text, row.wide);
  }
}

TEST(Conversions, BadAndLongInputStayInBounds) {
  {
    CodePageScope scope(936);
    // A lead byte without its trail, and bytes that are no GBK character.
    const std::string bad[] = {"\xD6", "ab\xD6", "\xFF\xFF", "\x80"};
    for (const std::string& bytes : bad) {
      SCOPED_TRACE(bytes.size());
      CStringA text(bytes.c_str());
      CString wide = CharToWChar(text);
      EXPECT_GE(wide.GetLength(), 1);
      EXPECT_LE(wide.GetLength(), static_cast<int>(bytes.size()));
    }
    CString lone(L"a\xD800z");  // an unpaired surrogate value
    CStringA out = WCharToChar(lone);
    EXPECT_EQ(out.GetLength(), 3);
    EXPECT_EQ(out[0], 'a');
    EXPECT_EQ(out[2], 'z');
  }
  CodePageScope scope(936);
  std::string longBytes;
  for (int i = 0; i < 200000; ++i) longBytes += "\xD6\xD0";
  CStringA longText(longBytes.c_str());
  CString wide = CharToWChar(longText);
  ASSERT_EQ(wide.GetLength(), 200000);
  EXPECT_EQ(wide[199999], L'\x4E2D');
  CStringA back = WCharToChar(wide);
  EXPECT_EQ(std::string(back.GetString(), back.GetLength()), longBytes);
}

TEST(Conversions, ExportedUnderPlainNames) {
  void* library = dlopen(KAVRO_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(library, nullptr) << dlerror();
  const char* names[] = {"CharToWChar",   "WCharToChar", "GetRGBByIndex",  "GetIndexByRGB",
                         "SetRGBByIndex", "IsWow64",     "GetOSVerIs64Bit"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    EXPECT_NE(dlsym(library, name), nullptr);
  }
  EXPECT_EQ(dlsym(library, "CharToWChar"), reinterpret_cast<void*>(&CharToWChar));
  dlclose(library);
}

}  // namespace
