#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "support/test_support.h"

namespace {

TEST(Char2Hex, TwoUpperCaseDigits) {
  struct Row {
    unsigned char byte;
    const char* digits;
  } const rows[] = {{0x00, "00"}, {0x41, "41"}, {0x9C, "9C"}, {0xFF, "FF"}, {0x0A, "0A"}, {0xA0, "A0"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.digits);
    EXPECT_EQ(CStringOpr::Char2Hex(static_cast<char>(row.byte)).str(), std::wstring(row.digits, row.digits + 2));
    char out[4] = {'x', 'x', 'x', 'x'};
    CStringOpr::Char2Hex(row.byte, out);
    EXPECT_EQ(std::memcmp(out, row.digits, 3), 0);
    EXPECT_EQ(out[3], 'x');
  }
}

TEST(GetGUID, LowerCaseHyphenatedAndNew) {
  std::set<std::wstring> seen;
  for (int i = 0; i < 20; ++i) {
    const std::wstring id = CStringOpr::GetGUID().str();
    ASSERT_EQ(id.size(), 36u) << kavro::test::Utf8(CString(id));
    for (size_t k = 0; k < id.size(); ++k) {
      if (k == 8 || k == 13 || k == 18 || k == 23)
        EXPECT_EQ(id[k], L'-');
      else
        EXPECT_TRUE((id[k] >= L'0' && id[k] <= L'9') || (id[k] >= L'a' && id[k] <= L'f')) << k;
    }
    seen.insert(id);
  }
  EXPECT_EQ(seen.size(), 20u);
}

}  // namespace
