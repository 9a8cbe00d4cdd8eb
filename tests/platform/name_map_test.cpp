// Linux names that Windows cannot hold: each reaches Windows path text as
// one component (private-use characters U+F000 + the character) and leads
// back to the same entry, never to another place.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "KavroStd/platform/fileapi.h"
#include "support/test_support.h"

namespace {

using kavro::platform::KvMapPath;
using kavro::platform::KvWindowsPath;
using kavro::test::TempDir;

struct NameRow {
  std::string disk;     // the name as Linux holds it
  std::wstring windows; // its Windows form
};

const NameRow kNames[] = {
    {"back\\slash", L"back\xF05Cslash"},
    {"..\\victim", L"..\xF05Cvictim"},
    {"\\", L"\xF05C"},
    {"a:b*c?d", L"a\xF03A" L"b\xF02A" L"c\xF03F" L"d"},
    {"q\"<>|", L"q\xF022\xF03C\xF03E\xF07C"},
    {"tab\there", L"tab\xF009here"},
    {"dot.", L"dot\xF02E"},
    {"blank ", L"blank\xF020"},
    {"mixed. .", L"mixed\xF02E\xF020\xF02E"},
    {"...", L"\xF02E\xF02E\xF02E"},
    {"in.side and.dot", L"in.side and.dot"},
    // A literal private-use character shows its bytes escaped, so it cannot
    // meet the name that holds the plain character.
    {"lit\xEF\x81\x9C", L"lit\xDCEF\xDC81\xDC9C"},
    {"bad\xFF", L"bad\xDCFF"},
};

TEST(NameMapTest, ListedNamesAreWindowsComponentsThatLeadBack) {
  TempDir dir;
  for (const NameRow& r : kNames) kavro::test::WriteBytes(dir.Sub(r.disk), r.disk);
  std::map<std::wstring, int> listed;
  WIN32_FIND_DATAW entry;
  HANDLE all = FindFirstFileW(dir.Win() + L"*", &entry);
  ASSERT_NE(INVALID_HANDLE_VALUE, all);
  do {
    ++listed[entry.cFileName];
  } while (FindNextFileW(all, &entry));
  FindClose(all);
  for (const NameRow& r : kNames) {
    SCOPED_TRACE(r.disk);
    EXPECT_EQ(1, listed[r.windows]);
    const CString path = dir.Win() + r.windows.c_str();
    // FindFirstFileW gives the same name; opening it reaches this file.
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(path, &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    EXPECT_EQ(r.windows, std::wstring(data.cFileName));
    FindClose(find);
    std::string mapped;
    ASSERT_TRUE(KvMapPath(path, mapped));
    EXPECT_EQ(dir.Sub(r.disk), mapped);
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    char buffer[64] = {};
    DWORD got = 0;
    ReadFile(file, buffer, sizeof buffer, &got, nullptr);
    CloseHandle(file);
    EXPECT_EQ(r.disk, std::string(buffer, got));
  }
  // Every one is deleted through its Windows name, and nothing else.
  for (const NameRow& r : kNames) EXPECT_TRUE(DeleteFileW(dir.Win() + r.windows.c_str())) << r.disk;
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(NameMapTest, BackslashFolderNeverNamesItsParentOrASibling) {
  TempDir dir;
  mkdir(dir.Sub("tree").c_str(), 0755);
  mkdir(dir.Sub("victim").c_str(), 0755);
  kavro::test::WriteBytes(dir.Sub("victim/keep.txt"), "keep");
  mkdir(dir.Sub("tree/..\\victim").c_str(), 0755);
  mkdir(dir.Sub("tree/\\").c_str(), 0755);
  kavro::test::WriteBytes(dir.Sub("tree/\\/inner.txt"), "inner");
  const CString tree = dir.Win("tree");
  EXPECT_TRUE(RemoveDirectoryW(tree + L"\\..\xF05Cvictim"));
  EXPECT_TRUE(kavro::test::Exists(dir.Sub("victim/keep.txt")));
  EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesW(tree + L"\\\xF05C") & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(tree + L"\\\xF05C\\inner.txt"));
  // The folder named '\' is not the tree itself.
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(tree + L"\\inner.txt"));
}

TEST(NameMapTest, WindowsPathsOfLinuxPathsMapEachName) {
  EXPECT_EQ(L"Z:\\tmp\\a\xF05C" L"b\\c\xF02E", KvWindowsPath("/tmp/a\\b/c."));
}

TEST(NameMapTest, NewNamesWithMappedCharactersAreCreatedWithTheCharacters) {
  TempDir dir;
  const CString made = dir.Win() + L"new\xF03A" L"file\xF02E";
  HANDLE file = CreateFileW(made, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  CloseHandle(file);
  EXPECT_TRUE(kavro::test::Exists(dir.Sub("new:file.")));
  EXPECT_TRUE(CreateDirectoryW(dir.Win() + L"fold\xF05C" L"er", nullptr));
  EXPECT_TRUE(kavro::test::IsDirectory(dir.Sub("fold\\er")));
}

}  // namespace
