// The Windows C runtime's wide helpers: number parsing, wcstok's per-thread
// position and _wsplitpath.
#include <gtest/gtest.h>
#include <locale.h>

#include <climits>
#include <string>
#include <thread>

#include "KavroStd/platform/crt.h"
#include "support/test_support.h"

namespace {

TEST(CrtTest, IntegerParsingStopsAtTheFirstNonDigitAndSaturates) {
  struct Row {
    const wchar_t* text;
    int value;
  } rows[] = {
      {L"12abc", 12},
      {L"  -7x", -7},
      {L"\t+5", 5},
      {L"abc", 0},
      {L"", 0},
      {L"-", 0},
      {L"- 5", 0},
      {L"0012", 12},
      {L"2147483647", INT_MAX},
      {L"2147483648", INT_MAX},
      {L"99999999999999999999", INT_MAX},
      {L"-2147483648", INT_MIN},
      {L"-2147483649", INT_MIN},
      {L"1.9", 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "\"" << r.text << "\"");
    EXPECT_EQ(r.value, _wtoi(r.text));
    EXPECT_EQ(static_cast<LONG>(r.value), _wtol(r.text));
  }
  EXPECT_EQ(0, _wtoi(nullptr));
  EXPECT_EQ(9223372036854775807LL, _wtoi64(L"9223372036854775808"));
  EXPECT_EQ(-9223372036854775807LL - 1, _wtoi64(L"-99999999999999999999"));
  EXPECT_EQ(1099511627776LL, _wtoi64(L" 1099511627776 "));
}

TEST(CrtTest, FloatParsingReadsAPointWhateverTheLocale) {
  struct Row {
    const wchar_t* text;
    double value;
  } rows[] = {
      {L"3.14", 3.14}, {L"  -2.5e3x", -2500.0}, {L"1,5", 1.0}, {L"abc", 0.0}, {L".5", 0.5}, {L"", 0.0},
  };
  auto check = [&rows] {
    for (const Row& r : rows) {
      SCOPED_TRACE(testing::Message() << "\"" << r.text << "\"");
      EXPECT_DOUBLE_EQ(r.value, _wtof(r.text));
    }
  };
  check();
  kavro::test::ScopedLocale german(LC_ALL, {"de_DE.UTF-8", "de_DE.utf8"});
  if (!german.ok()) GTEST_SKIP() << german.Missing();
  check();
}

TEST(CrtTest, CaseBlindComparisons) {
  EXPECT_EQ(0, _wcsicmp(L"Layer", L"LAYER"));
  EXPECT_GT(0, _wcsicmp(L"abc", L"ABD"));
  EXPECT_EQ(0, _wcsicmp(L"\u00c4", L"\u00e4"));
  EXPECT_EQ(0, _wcsnicmp(L"abcX", L"ABCy", 3));
  EXPECT_NE(0, _wcsnicmp(L"abcX", L"ABCy", 4));
}

TEST(CrtTest, WcstokSkipsDelimiterRunsAndWritesZeros) {
  wchar_t text[] = L",a,,b,";
  std::vector<std::wstring> tokens;
  for (wchar_t* t = wcstok(text, L","); t; t = wcstok(nullptr, L",")) tokens.push_back(t);
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b"}), tokens);
  EXPECT_EQ(L'\0', text[2]);
  EXPECT_EQ(nullptr, wcstok(nullptr, L","));
  wchar_t empty[] = L";;;";
  EXPECT_EQ(nullptr, wcstok(empty, L";"));
}

TEST(CrtTest, WcstokKeepsItsPositionPerThread) {
  wchar_t mine[] = L"a b c";
  ASSERT_STREQ(L"a", wcstok(mine, L" "));
  std::vector<std::wstring> theirs;
  bool freshStateWasEmpty = false;
  std::thread other([&] {
    freshStateWasEmpty = wcstok(nullptr, L",") == nullptr;
    wchar_t text[] = L"1,2,3";
    for (wchar_t* t = wcstok(text, L","); t; t = wcstok(nullptr, L",")) theirs.push_back(t);
  });
  other.join();
  EXPECT_TRUE(freshStateWasEmpty);
  EXPECT_EQ((std::vector<std::wstring>{L"1", L"2", L"3"}), theirs);
  EXPECT_STREQ(L"b", wcstok(nullptr, L" "));
  EXPECT_STREQ(L"c", wcstok(nullptr, L" "));
  EXPECT_EQ(nullptr, wcstok(nullptr, L" "));
}

TEST(CrtTest, SplitPathTable) {
  struct Row {
    const wchar_t* path;
    const wchar_t* drive;
    const wchar_t* dir;
    const wchar_t* fname;
    const wchar_t* ext;
  } rows[] = {
      {L"C:\\dir\\sub\\file.txt", L"C:", L"\\dir\\sub\\", L"file", L".txt"},
      {L"file", L"", L"", L"file", L""},
      {L"dir/file.tar.gz", L"", L"dir/", L"file.tar", L".gz"},
      {L"\\\\server\\share\\x.y", L"", L"\\\\server\\share\\", L"x", L".y"},
      {L"C:file", L"C:", L"", L"file", L""},
      {L"dir.d\\name", L"", L"dir.d\\", L"name", L""},
      {L".bashrc", L"", L"", L"", L".bashrc"},
      {L"a\\", L"", L"a\\", L"", L""},
      {L"", L"", L"", L"", L""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "\"" << r.path << "\"");
    wchar_t drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
    _wsplitpath(r.path, drive, dir, fname, ext);
    EXPECT_STREQ(r.drive, drive);
    EXPECT_STREQ(r.dir, dir);
    EXPECT_STREQ(r.fname, fname);
    EXPECT_STREQ(r.ext, ext);
  }
  wchar_t fname[_MAX_FNAME];
  _wsplitpath(L"C:\\x\\only.name", nullptr, nullptr, fname, nullptr);
  EXPECT_STREQ(L"only", fname);
}

TEST(CrtTest, SplitPathCutsLongPartsToTheirBuffers) {
  std::wstring longDir = L"C:\\" + std::wstring(400, L'd') + L"\\f.e";
  wchar_t dir[_MAX_DIR];
  wchar_t fname[_MAX_FNAME];
  _wsplitpath(longDir.c_str(), nullptr, dir, fname, nullptr);
  EXPECT_EQ(static_cast<size_t>(_MAX_DIR - 1), wcslen(dir));
  EXPECT_STREQ(L"f", fname);
}

}  // namespace
