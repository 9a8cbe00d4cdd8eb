#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using kavro::test::TempDir;
using kavro::test::WriteBytes;

std::vector<std::wstring> Names(const CStringArray& paths, const CString& base) {
  std::vector<std::wstring> out;
  for (INT_PTR i = 0; i < paths.GetSize(); ++i) {
    CString p = paths[i];
    EXPECT_EQ(p.Left(base.GetLength()), base);
    out.push_back(p.Mid(base.GetLength()).str());
  }
  return out;
}

class FolderListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mkdir(dir_.Sub("sub").c_str(), 0755);
    mkdir(dir_.Sub("sub/deeper").c_str(), 0755);
    WriteBytes(dir_.Sub("x.dwg"), "1");
    WriteBytes(dir_.Sub("y.dxf"), "2");
    WriteBytes(dir_.Sub("notes.txt"), "3");
    WriteBytes(dir_.Sub("sub/s.DWG"), "4");
    WriteBytes(dir_.Sub("sub/deeper/d.dxf"), "5");
  }
  TempDir dir_;
};

TEST_F(FolderListingTest, FiltersByWildcardOrExtension) {
  CStringArray files;
  CString base = dir_.Win();
  EXPECT_EQ(CStringOpr::getFilesInFolder(base, files, FALSE, L"*.dwg|.DXF"), 2);
  std::vector<std::wstring> names = Names(files, base);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"x.dwg", L"y.dxf"}));

  CStringArray all;
  all.Add(L"kept");  // never emptied: the result is the final size
  EXPECT_EQ(CStringOpr::getFilesInFolder(base, all, FALSE, CString()), 4);
  EXPECT_EQ(all[0], L"kept");
}

TEST_F(FolderListingTest, RecursesFilesOfAFolderBeforeItsSubFolders) {
  CStringArray files;
  CString base = dir_.Win();
  // The folder given without its trailing backslash lists the same.
  CString bare = base.Left(base.GetLength() - 1);
  EXPECT_EQ(CStringOpr::getFilesInFolder(bare, files, TRUE, L"*.dwg|.dxf"), 4);
  std::vector<std::wstring> names = Names(files, base);
  ASSERT_EQ(names.size(), 4u);
  std::vector<std::wstring> top(names.begin(), names.begin() + 2);
  std::sort(top.begin(), top.end());
  EXPECT_EQ(top, (std::vector<std::wstring>{L"x.dwg", L"y.dxf"}));
  EXPECT_EQ(names[2], L"sub\\s.DWG");
  EXPECT_EQ(names[3], L"sub\\deeper\\d.dxf");
}

TEST_F(FolderListingTest, LinksAreEntriesNeverFollowed) {
  TempDir outside;
  WriteBytes(outside.Sub("secret.dwg"), "s");
  ASSERT_EQ(symlink(outside.path().c_str(), dir_.Sub("sub/out").c_str()), 0);
  ASSERT_EQ(symlink(dir_.path().c_str(), dir_.Sub("sub/deeper/loop").c_str()), 0);
  ASSERT_EQ(symlink(outside.Sub("secret.dwg").c_str(), dir_.Sub("linked.dwg").c_str()), 0);
  CStringArray files;
  CString base = dir_.Win();
  CStringOpr::getFilesInFolder(base, files, TRUE, L".dwg");
  std::vector<std::wstring> names = Names(files, base);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"linked.dwg", L"sub\\s.DWG", L"x.dwg"}));

  CStringArray folders;
  folders.Add(L"stale");
  EXPECT_EQ(CStringOpr::getSubFolderInFolder(dir_.Win("sub"), folders), 2);
  std::vector<std::wstring> subs = Names(folders, dir_.Win("sub") + L"\\");
  std::sort(subs.begin(), subs.end());
  EXPECT_EQ(subs, (std::vector<std::wstring>{L"deeper", L"out"}));
}

TEST_F(FolderListingTest, NamesNotValidInTheCodePageAreListed) {
  WriteBytes(dir_.Sub("bad\xff\xfe.dwg"), "b");
  CStringArray files;
  CStringOpr::getFilesInFolder(dir_.Win(), files, FALSE, L"*.dwg");
  ASSERT_EQ(files.GetSize(), 2);
  CString odd = files[0].Find(L"bad") >= 0 ? files[0] : files[1];
  // The listed name opens and deletes the very file.
  EXPECT_NE(GetFileAttributesW(odd), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(DeleteFileW(odd));
  EXPECT_FALSE(kavro::test::Exists(dir_.Sub("bad\xff\xfe.dwg")));
}

TEST_F(FolderListingTest, UnreadableFoldersAreSkipped) {
  mkdir(dir_.Sub("locked").c_str(), 0755);
  WriteBytes(dir_.Sub("locked/hidden.dwg"), "h");
  chmod(dir_.Sub("locked").c_str(), 0);
  chmod(dir_.path().c_str(), 0755);
  // Root reads every folder: the listing runs in a child without root rights.
  kavro::test::ProcessResult r =
      kavro::test::Run({kavro::test::ProbePath("list_files_as_nobody"), kavro::test::Utf8(dir_.Win())});
  chmod(dir_.Sub("locked").c_str(), 0755);
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(r.output.find("hidden.dwg"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("deeper\\d.dxf"), std::string::npos) << r.output;
}

}  // namespace

namespace {

using kavro::test::TempDir;
using kavro::test::WriteBytes;

TEST(FolderListingEntries, SpecialFilesAndLinksToNoFileAreNotListed) {
  TempDir dir;
  WriteBytes(dir.Sub("a.txt"), "a");
  ASSERT_EQ(mkfifo(dir.Sub("pipe").c_str(), 0644), 0);
  ASSERT_EQ(symlink("pipe", dir.Sub("pipe-link").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", dir.Sub("dangling").c_str()), 0);
  ASSERT_EQ(symlink("loop", dir.Sub("loop").c_str()), 0);
  ASSERT_EQ(symlink("a.txt", dir.Sub("a-link").c_str()), 0);
  CStringArray files;
  EXPECT_EQ(CStringOpr::getFilesInFolder(dir.Win(), files, TRUE, CString()), 2);
  std::vector<std::wstring> names = Names(files, dir.Win());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"a-link", L"a.txt"}));
}

TEST(FolderListingEntries, FolderNamedBackslashIsListedBelowItselfNotItsParent) {
  TempDir dir;
  WriteBytes(dir.Sub("tree/\\/\\/deep.txt"), "d");
  WriteBytes(dir.Sub("tree/..\\outside.txt"), "o");
  WriteBytes(dir.Sub("outside.txt"), "never listed");
  CStringArray files;
  EXPECT_EQ(CStringOpr::getFilesInFolder(dir.Win("tree"), files, TRUE, CString()), 2);
  std::vector<std::wstring> names = Names(files, dir.Win("tree") + L"\\");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"..\xF05Coutside.txt", L"\xF05C\\\xF05C\\deep.txt"}));
  for (INT_PTR i = 0; i < files.GetSize(); ++i) EXPECT_TRUE(DeleteFileW(files[i]));
  EXPECT_TRUE(kavro::test::Exists(dir.Sub("outside.txt")));
}

}  // namespace
