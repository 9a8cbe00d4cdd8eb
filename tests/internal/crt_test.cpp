// The runtime helpers behind _wsplitpath and the character-class tests of
// the text routines: no length limits, and classes that ignore the locale.
#include <gtest/gtest.h>
#include <locale.h>

#include <string>

#include "platform/strings/crt_internal.h"

namespace {

TEST(CrtInternal, SplitPathKeepsLongPartsWhole) {
  const std::wstring longDir = std::wstring(400, L'd');
  const std::wstring longName = std::wstring(300, L'n');
  struct Row {
    std::wstring path, drive, dir, fname, ext;
  } const rows[] = {
      {L"C:\\" + longDir + L"\\f.e", L"C:", L"\\" + longDir + L"\\", L"f", L".e"},
      {L"C:\\x\\" + longName + L".txt", L"C:", L"\\x\\", longName, L".txt"},
      {L"rel/" + longDir + L"/" + longName, L"", L"rel/" + longDir + L"/", longName, L""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path.substr(0, 12));
    std::wstring drive, dir, fname, ext;
    kavro::platform::SplitPath(r.path.c_str(), &drive, &dir, &fname, &ext);
    EXPECT_EQ(r.drive, drive);
    EXPECT_EQ(r.dir, dir);
    EXPECT_EQ(r.fname, fname);
    EXPECT_EQ(r.ext, ext);
  }
  std::wstring fname;
  kavro::platform::SplitPath(L"C:\\x\\only.name", nullptr, nullptr, &fname, nullptr);
  EXPECT_EQ(L"only", fname);
}

// The classes are Windows' "C" locale ones whatever locale the process set:
// bytes above 0x7F belong to none, wide letters are Unicode's.
TEST(CrtInternal, CharacterClassesIgnoreTheProcessLocale) {
  const char* old = setlocale(LC_ALL, nullptr);
  const std::string saved = old ? old : "C";
  setlocale(LC_ALL, "C.UTF-8");
  struct Row {
    const char* name;
    int got;
    bool expected;
  } const rows[] = {
      {"KvIsalpha('a')", KvIsalpha('a'), true},
      {"KvIsalpha(0xE9)", KvIsalpha(0xE9), false},
      {"KvIsdigit('7')", KvIsdigit('7'), true},
      {"KvIsdigit(0xB2)", KvIsdigit(0xB2), false},
      {"KvIspunct('#')", KvIspunct('#'), true},
      {"KvIspunct(0xA7)", KvIspunct(0xA7), false},
      {"KvIswalpha(U+00E9)", KvIswalpha(0xE9), true},
      {"KvIswalpha(U+4E2D)", KvIswalpha(0x4E2D), true},
      {"KvIswalpha('1')", KvIswalpha(L'1'), false},
      {"KvIswdigit(U+0663)", KvIswdigit(0x0663), false},
      {"KvIswdigit('0')", KvIswdigit(L'0'), true},
      {"KvIswlower(U+00E9)", KvIswlower(0xE9), true},
      {"KvIswlower(U+00C9)", KvIswlower(0xC9), false},
  };
  setlocale(LC_ALL, saved.c_str());
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.expected, r.got != 0);
  }
}

}  // namespace
